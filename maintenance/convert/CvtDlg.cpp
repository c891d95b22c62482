#include "maintenance/convert/CvtDlg.h"

#include "maintenance/convert/ConvertResources.h"
#include "platform/ui/Menu.h"
#include "platform/ui/WinApp.h"

namespace {
constexpr UINT kConvertMessage = WM_APP + 100;
}

BEGIN_MESSAGE_MAP(CCvtDlg, CDialog)
  ON_MESSAGE(kConvertMessage, OnConvert)
  ON_WM_SYSCOMMAND()
END_MESSAGE_MAP()

CCvtDlg::CCvtDlg(const CString& databaseFolder, CWnd* parent) : CDialog(IDD_CONVERT, parent), m_databaseFolder(databaseFolder) {}

BOOL CCvtDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (CMenu* systemMenu = GetSystemMenu(FALSE)) {
    systemMenu->AppendMenu(MF_SEPARATOR);
    systemMenu->AppendMenu(MF_STRING, IDM_ABOUT, LoadText(IDS_ABOUT_MENU));
  }
  // Minimised, the dialog shows this icon (the default painting) and gives it for dragging.
  if (CWinApp* app = AfxGetApp()) {
    const HICON icon = app->LoadIcon(kIconId);
    SetIcon(icon, TRUE);
    SetIcon(icon, FALSE);
  }
  // Sent, not posted: the conversion runs before the dialog is first shown.
  SendMessage(kConvertMessage);
  return TRUE;
}

LRESULT CCvtDlg::OnConvert(WPARAM, LPARAM) {
  CDatabaseConverter converter(m_databaseFolder, [this](const CString& text) { AddLog(text); },
                               m_pSteps != nullptr ? *m_pSteps : DefaultFileSteps());
  m_outcome = converter.Convert();
  return 0;
}

void CCvtDlg::AddLog(const CString& text) {
  m_log += text + "\r\n\r\n";
  SetDlgItemText(IDC_LOG, m_log);
}

void CCvtDlg::OnSysCommand(UINT id, LPARAM lParam) {
  if ((id & 0xFFF0) == IDM_ABOUT) {
    CDialog about(IDD_ABOUT, this);
    about.DoModal();
    return;
  }
  CDialog::OnSysCommand(id, lParam);
}
