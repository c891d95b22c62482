#include "recorder/AboutDlg.h"

#include "recorder/RecorderIds.h"

CAboutDlg::CAboutDlg(CWnd* parent) : CDialog(IDD_ABOUT, parent) {}

BOOL CAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetDlgItemText(1281, m_version);
  SetDlgItemText(1282, m_legalNotice);
  SetDlgItemText(1284, m_notice);
  return TRUE;
}
