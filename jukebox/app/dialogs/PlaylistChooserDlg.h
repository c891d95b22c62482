// "Choose a playlist to load" (dialog 132): the saved playlists with their numbers of songs.
#pragma once

#include <vector>

#include "jukebox/app/dialogs/RemoteChooserDlg.h"

class tQHDb;

class CPlaylistChooserDlg : public CRemoteChooserDlg {
 public:
  static constexpr UINT IDD = 132;
  static constexpr int kList = 1001;

  explicit CPlaylistChooserDlg(tQHDb* database, CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  void OnOK() override;

  CString m_result;
  std::vector<CString> m_names;
  CString m_listText;

 protected:
  void OnRemoteKey(int key) override;
  DECLARE_MESSAGE_MAP()

 private:
  CListBox* List() { return static_cast<CListBox*>(GetDlgItem(kList)); }

  tQHDb* m_database;
};
