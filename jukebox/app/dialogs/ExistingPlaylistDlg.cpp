#include "jukebox/app/dialogs/ExistingPlaylistDlg.h"

CExistingPlaylistDlg::CExistingPlaylistDlg(CWnd* parent) : CRemoteChooserDlg(IDD, parent) {}

BOOL CExistingPlaylistDlg::OnInitDialog() {
  CRemoteChooserDlg::OnInitDialog();
  for (const CString& name : m_names) NameList()->AddString(name);
  if (m_names.empty()) return TRUE;
  int chosen = 0;
  if (!m_preselect.IsEmpty()) {
    for (size_t index = 0; index < m_names.size(); ++index) {
      if (m_names[index].CompareNoCase(m_preselect) == 0) {
        chosen = static_cast<int>(index);
        break;
      }
    }
  }
  NameList()->SetCurSel(chosen);
  return TRUE;
}

void CExistingPlaylistDlg::OnOK() {
  m_result = NameList()->GetCurSel();
  EndDialog(IDOK);
}

void CExistingPlaylistDlg::OnRemoteKey(int key) {
  switch (key) {
    case kKeyUp: StepSelection(kNameList, -1); break;
    case kKeyDown: StepSelection(kNameList, 1); break;
    case kKeyLeft: PrevDlgCtrl(); break;
    case kKeyRight:
      if (FocusedControlId() != 0) NextDlgCtrl();
      break;
    case kKeyExit: EndDialog(IDCANCEL); break;
    case kKeySelect: OnOK(); break;
    default: break;
  }
}
