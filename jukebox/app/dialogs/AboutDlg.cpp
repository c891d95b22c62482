#include "jukebox/app/dialogs/AboutDlg.h"

CJukeboxAboutDlg::CJukeboxAboutDlg(CWnd* parent) : CDialog(IDD, parent) {}

BOOL CJukeboxAboutDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetDlgItemText(kVersion, m_version.GetString());
  SetDlgItemText(kLegal, m_legal.GetString());
  SetDlgItemText(kNote, m_note.GetString());
  return TRUE;
}
