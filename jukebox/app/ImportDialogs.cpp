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
