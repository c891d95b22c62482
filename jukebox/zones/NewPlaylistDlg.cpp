#include "jukebox/zones/NewPlaylistDlg.h"

#include "platform/ui/MessageBox.h"

BEGIN_MESSAGE_MAP(CNewPlaylistDlg, CDialog)
  ON_EN_CHANGE(IDC_PLAYLIST_NAME, OnChangeName)
END_MESSAGE_MAP()

CNewPlaylistDlg::CNewPlaylistDlg(CWnd* parent) : CDialog(IDD_NEW_PLAYLIST, parent) {}

bool CNewPlaylistDlg::HasInvalidChars(const CString& name) { return name.FindOneOf("<>&'\"*|?") >= 0; }

void CNewPlaylistDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Control(dx, IDOK, m_okButton);
  DDX_Control(dx, IDC_PLAYLIST_NAME, m_nameField);
  DDX_Text(dx, IDC_PLAYLIST_NAME, m_name);
  DDV_MaxChars(dx, m_name, 30);
}

void CNewPlaylistDlg::OnChangeName() {
  CString text;
  m_nameField.GetWindowText(text);
  m_okButton.EnableWindow(text.GetLength() >= 1);
}

void CNewPlaylistDlg::OnOK() {
  CString text;
  m_nameField.GetWindowText(text);
  if (HasInvalidChars(text)) {
    AfxMessageBox(IDS_BAD_PLAYLIST_CHARS, MB_ICONEXCLAMATION | MB_OK);
    GotoDlgCtrl(&m_nameField);
    return;
  }
  CDialog::OnOK();
}
