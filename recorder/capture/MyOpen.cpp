#include "recorder/capture/MyOpen.h"

#include <mutex>

namespace {

const char* const kTemplate = R"QHDLG(
DIALOG 166 "" 0 0 200 20 STYLE 0x50000000
  CONTROL 1046 Button "&Delete Source Audio File" 0x50010003 6 4 160 10
END
)QHDLG";

}  // namespace

bool RegisterOpenExtensionTemplate(std::string* error) {
  static std::once_flag once;
  static bool loaded = false;
  static std::string failure;
  std::call_once(once, [] { loaded = qh::ui::LoadDialogTemplates(kTemplate, &failure); });
  if (!loaded && error != nullptr) *error = failure;
  return loaded;
}

CMyOpen::CMyOpen(BOOL openFileDialog, LPCSTR defaultExt, LPCSTR fileName, DWORD flags, LPCSTR filter, CWnd* parent)
    : CFileDialog(openFileDialog, defaultExt, fileName, flags | OFN_EXPLORER | OFN_ENABLETEMPLATE, filter, parent) {
  RegisterOpenExtensionTemplate();
  m_ofn.lpTemplateName = MAKEINTRESOURCE(IDD_OPEN_EXTENSION);
}

BOOL CMyOpen::OnInitDialog() {
  CFileDialog::OnInitDialog();
  CheckDlgButton(IDC_DELETE_SOURCE, m_bDeleteSource ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

BOOL CMyOpen::OnFileNameOK() {
  m_bDeleteSource = IsDlgButtonChecked(IDC_DELETE_SOURCE) == BST_CHECKED ? TRUE : FALSE;
  return FALSE;
}
