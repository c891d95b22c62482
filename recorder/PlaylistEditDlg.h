// The playlist editor: the songs of one playlist in order, a finder to add songs, preview, and an HTML
// report of the playlist. Save writes the whole playlist in one transaction.
#pragma once

#include <vector>

#include "platform/ui/Dialog.h"
#include "recorder/SongPicks.h"

class tQHDb;
class tStorage;

class CPlaylistEditDlg : public CDialog {
 public:
  CPlaylistEditDlg(tQHDb* db, tStorage* storage, const CString& databaseFolder, CWnd* parent = nullptr);
  ~CPlaylistEditDlg() override;
  void SetPlaylist(const CString& name, BOOL isNew) {
    m_name = name;
    m_isNew = isNew;
  }
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  long long GetTotalMilliseconds() const { return m_totalMs; }
  CString GetRunningTimeText() const;

 protected:
  afx_msg void OnFind();
  afx_msg void OnPickChanged();
  afx_msg void OnSelectAll();
  afx_msg void OnClearAll();
  afx_msg void OnAdd();
  afx_msg void OnDelete();
  afx_msg void OnUp();
  afx_msg void OnDown();
  afx_msg void OnPreviewRow();
  afx_msg void OnPreviewPick();
  afx_msg void OnStopPreview();
  afx_msg void OnPrintReport();
  afx_msg void OnRowChanged(NMHDR* header, LRESULT* result);
  afx_msg void OnDestroy();
  DECLARE_MESSAGE_MAP()

 private:
  CListCtrl* Rows() { return static_cast<CListCtrl*>(GetDlgItem(1180)); }
  CListBox* Picks() { return static_cast<CListBox*>(GetDlgItem(1181)); }
  void Guarded(const std::function<void()>& work);
  void InsertRow(int index, const tSong& song);
  void SwapRows(int first, int second);
  void ShowRunningTime();
  void ShowPickCount();
  void ClearPicks();
  void MarkChanged();

  tQHDb* m_pDb;
  tStorage* m_pStorage;
  CString m_databaseFolder;
  CString m_songsFolder;
  CString m_name;
  BOOL m_isNew = FALSE;
  bool m_changed = false;
  long long m_totalMs = 0;
  CSongPreview m_preview;
};
