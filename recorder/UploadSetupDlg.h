// "Upload Files to Remote Server": the remote jukebox's address and port, and when the library was
// last uploaded to it.
#pragma once

#include "platform/ui/Dialog.h"

class CUploadSetupDlg : public CDialog {
 public:
  explicit CUploadSetupDlg(CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  void OnOK() override;

  UINT m_port = 12130;
  CString m_lastUpdate;
  CString m_address;  // "a.b.c.d"

 protected:
  void DoDataExchange(CDataExchange* dx) override;
};
