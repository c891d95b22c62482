#include "recorder/UploadSetupDlg.h"

#include <cstdio>

#include "platform/ui/AfxCmnCtrls.h"
#include "recorder/RecorderIds.h"

namespace {
constexpr UINT kAddress = 1286, kPort = 1287, kLastUpdate = 1288;
}

CUploadSetupDlg::CUploadSetupDlg(CWnd* parent) : CDialog(IDD_UPLOAD_SETUP, parent) {}

void CUploadSetupDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Text(dx, kPort, m_port);
  DDV_MinMaxUInt(dx, m_port, 1, 32000);
  DDX_Text(dx, kLastUpdate, m_lastUpdate);
}

BOOL CUploadSetupDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CString blanks = m_address;
  blanks.Replace(".", " ");
  short parts[4] = {};
  if (std::sscanf(blanks.GetString(), "%hd %hd %hd %hd", &parts[0], &parts[1], &parts[2], &parts[3]) == 4)
    static_cast<CIPAddressCtrl*>(GetDlgItem(kAddress))
        ->SetAddress(static_cast<BYTE>(parts[0]), static_cast<BYTE>(parts[1]), static_cast<BYTE>(parts[2]),
                     static_cast<BYTE>(parts[3]));
  return TRUE;
}

void CUploadSetupDlg::OnOK() {
  BYTE parts[4] = {};
  if (static_cast<CIPAddressCtrl*>(GetDlgItem(kAddress))->GetAddress(parts[0], parts[1], parts[2], parts[3]) != 4) {
    GotoDlgCtrl(GetDlgItem(kAddress));
    return;
  }
  if (!UpdateData(TRUE)) return;
  m_address.Format("%d.%d.%d.%d", parts[0], parts[1], parts[2], parts[3]);
  CDialog::OnOK();
}
