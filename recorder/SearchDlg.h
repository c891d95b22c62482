// "Search Song Database": finds songs by a combination of criteria, or lists one playlist, and from the
// list views, edits, deletes, previews, reports and exports them.
#pragma once

#include <memory>
#include <vector>

#include "platform/ui/Dialog.h"
#include "recorder/SongPicks.h"

class tQHDb;
class tStorage;

inline constexpr int kMaxListedSongs = 10000;

class CSearchDlg : public CDialog {
 public:
  CSearchDlg(tQHDb* db, tStorage* storage, const CString& databaseFolder, CWnd* parent = nullptr);
  ~CSearchDlg() override;
  BOOL OnInitDialog() override;

  int GetListedCount() const { return static_cast<int>(m_songs.size()); }
  tSong* GetListedSong(int row) const;
  bool IsPreviewPlaying() const { return m_preview.IsPlaying(); }
  CString GetWhereText() const { return m_where; }

 protected:
  afx_msg void OnSearch();
  afx_msg void OnReset();
  afx_msg void OnView();
  afx_msg void OnEdit();
  afx_msg void OnDelete();
  afx_msg void OnExport();
  afx_msg void OnPlay();
  afx_msg void OnStop();
  afx_msg void OnPrint();
  afx_msg void OnDoubleClick(NMHDR* header, LRESULT* result);
  afx_msg void OnColumnClick(NMHDR* header, LRESULT* result);
  afx_msg void OnDestroy();
  afx_msg LRESULT OnPreviewEvent(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()

 private:
  CListCtrl* List() { return static_cast<CListCtrl*>(GetDlgItem(1041)); }
  void Guarded(const std::function<void()>& work);
  void ClearList();
  // Fills the list from the open song query (true) or from the playlist's ids.
  void FillFromQuery(bool opened);
  void ListPlaylist(const CString& playlist);
  void AddRow(std::unique_ptr<tSong> song, const CString& trackText);
  void FinishFill();
  void OpenSong(int mode);
  int SelectedRow();

  tQHDb* m_pDb;
  tStorage* m_pStorage;
  CString m_databaseFolder;
  CString m_where;
  CString m_sortDescription;
  bool m_listsPlaylist = false;
  std::vector<std::unique_ptr<tSong>> m_songs;  // the rows' records, in row order
  CSongPreview m_preview;
};
