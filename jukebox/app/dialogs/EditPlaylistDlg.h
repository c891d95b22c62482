// "Edit Playlist" (dialog 200): the songs of one saved playlist in order, moved and deleted by the
// user, with their total running time; "&Save" writes the new order in one transaction.
#pragma once

#include <functional>

#include "platform/ui/Dialog.h"

class tQHDb;
class tStorage;

// The milliseconds of a song length text "mm:ss.mmm"; a part that is not a number counts as 0.
long SongLengthToMilliseconds(const CString& length);
// "Total Running Time: hh:mm:ss" of a number of milliseconds (truncated to whole seconds).
CString FormatTotalRunningTime(unsigned long milliseconds);

class CEditPlaylistDlg : public CDialog {
 public:
  static constexpr UINT IDD = 200;
  static constexpr int kList = 1001, kMoveUp = 3, kMoveDown = 4, kDelete = 5, kTotal = 1079;

  CEditPlaylistDlg(tQHDb* database, tStorage* storage, CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

  CString m_playlistName;  // set by the caller
  DWORD m_modified = 0;
  unsigned long m_totalMs = 0;

 protected:
  afx_msg void OnMoveUp();
  afx_msg void OnMoveDown();
  afx_msg void OnDelete();
  DECLARE_MESSAGE_MAP()

 private:
  void LoadSongs();
  void ShowTotal();
  void MarkModified();
  void SwapWithNeighbour(int step);
  bool Save();
  // Runs a handler; running out of memory is reported and leaves the dialog as it was.
  void Guarded(const std::function<void()>& work);
  int FirstSelected() const;
  CListCtrl* List() const { return static_cast<CListCtrl*>(GetDlgItem(kList)); }

  tQHDb* m_database;
  tStorage* m_storage;
};
