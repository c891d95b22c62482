#include "jukebox/app/ImportDialogs.h"

#include "jukebox/app/JukeboxIds.h"

using namespace jukebox;

CImportChoiceDlg::CImportChoiceDlg(CWnd* parent) : CDialog(kDlgImportChoice, parent) {}

BOOL CImportChoiceDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (CWnd* import = GetDlgItem(kIdImportButton)) GotoDlgCtrl(import);
  return FALSE;  // the focus was set here
}

BOOL CImportChoiceDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam);
  if (HIWORD(wParam) == BN_CLICKED && (id == kIdImportButton || id == kIdIndexButton)) {
    EndDialog(static_cast<int>(id));
    return TRUE;
  }
  return CDialog::OnCommand(wParam, lParam);
}

CMyOpen::CMyOpen(BOOL openFileDialog, LPCSTR defaultExt, LPCSTR fileName, DWORD flags, LPCSTR filter, CWnd* parent)
    : CFileDialog(openFileDialog, defaultExt, fileName, flags | OFN_EXPLORER | OFN_ENABLETEMPLATE, filter, parent) {
  m_ofn.lpTemplateName = MAKEINTRESOURCE(kDlgOpenExtension);
}

BOOL CMyOpen::OnInitDialog() {
  CFileDialog::OnInitDialog();
  CheckDlgButton(kIdDeleteSource, m_bDeleteSource ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

BOOL CMyOpen::OnFileNameOK() {
  m_bDeleteSource = IsDlgButtonChecked(kIdDeleteSource) == BST_CHECKED ? 1 : 0;
  return FALSE;
}
