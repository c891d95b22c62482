// "Choose an Existing Playlist" (dialog 199): one of the names the caller gives, the caller's own
// preselected when it is among them.
#pragma once

#include <vector>

#include "jukebox/app/dialogs/RemoteChooserDlg.h"

class CExistingPlaylistDlg : public CRemoteChooserDlg {
 public:
  static constexpr UINT IDD = 199;
  static constexpr int kNameList = 1068;

  explicit CExistingPlaylistDlg(CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  void OnOK() override;

  std::vector<CString> m_names;  // filled by the caller
  CString m_preselect;           // may be empty
  int m_result = -1;             // index into m_names

 protected:
  void OnRemoteKey(int key) override;

 private:
  CComboBox* NameList() { return static_cast<CComboBox*>(GetDlgItem(kNameList)); }
};
