// "Enter Song Information": one song record field by field, to view (mode 0), edit (1) or complete
// a new song (2). OK only copies the checked fields into the record; the opener writes it.
#pragma once

#include "platform/ui/Dialog.h"

class tQHDb;
class tSong;

class CSongInfoDlg : public CDialog {
 public:
  enum Mode { kView = 0, kEdit = 1, kNew = 2 };
  explicit CSongInfoDlg(tQHDb* db, CWnd* parent = nullptr);
  ~CSongInfoDlg() override;
  void SetSong(tSong* song, int mode);
  BOOL OnInitDialog() override;
  void OnOK() override;
  void LoadSongFields(int mode);
  // Negative: refused (a message was shown and the field has the focus).
  int SaveSong(int mode);
  double GetShownAccuracy() const { return m_accuracy; }

 protected:
  afx_msg HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT kind);
  afx_msg void OnAdditionalGenres();
  afx_msg void OnEditPlaylists();
  afx_msg void OnCuePoints();
  afx_msg void OnLoadCoverArt();
  afx_msg void OnDestroy();
  DECLARE_MESSAGE_MAP()

 private:
  int Refuse(UINT field, const CString& text, bool selectText);
  bool CheckLength(UINT field, const CString& text, int limit);
  void Guarded(const std::function<void()>& work);

  tQHDb* m_pDb;
  tSong* m_pSong = nullptr;
  int m_mode = kView;
  LONG m_songId = 0;
  double m_accuracy = 0.0;
  HBRUSH m_red = nullptr, m_green = nullptr, m_yellow = nullptr;
};

// "Secondary Genres for Song": the song's further genres, edited in memory.
class CSecondaryGenresDlg : public CDialog {
 public:
  explicit CSecondaryGenresDlg(tQHDb* db, CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  void OnOK() override;

  BOOL m_readOnly = FALSE;
  CString m_primaryGenre;
  CString m_caption;
  CString m_heading;
  CStringArray m_genres;

 protected:
  afx_msg void OnAddGenre();
  afx_msg void OnDeleteGenre();
  DECLARE_MESSAGE_MAP()

 private:
  tQHDb* m_pDb;
};
