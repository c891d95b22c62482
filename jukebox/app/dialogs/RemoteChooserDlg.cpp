#include "jukebox/app/dialogs/RemoteChooserDlg.h"

BEGIN_MESSAGE_MAP(CRemoteChooserDlg, CDialog)
  ON_MESSAGE(WM_REMOTE_NAVIGATION, OnRemoteNavigation)
END_MESSAGE_MAP()

LRESULT CRemoteChooserDlg::OnRemoteNavigation(WPARAM action, LPARAM) {
  const int key = static_cast<int>(action);
  if (key >= kKeyUp && key <= kKeySelect) OnRemoteKey(key);
  return -1;
}

void CRemoteChooserDlg::StepSelection(int controlId, int step) {
  CWnd* control = GetDlgItem(controlId);
  if (control == nullptr) return;
  char className[32] = {};
  ::GetClassName(control->m_hWnd, className, sizeof className);
  const bool combo = CString(className).CompareNoCase("ComboBox") == 0;
  const int count = static_cast<int>(control->SendMessage(combo ? CB_GETCOUNT : LB_GETCOUNT));
  const int current = static_cast<int>(control->SendMessage(combo ? CB_GETCURSEL : LB_GETCURSEL));
  if (current < 0) return;
  const int next = current + step;
  if (next < 0 || next >= count) return;
  control->SendMessage(combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(next));
}

int CRemoteChooserDlg::FocusedControlId() const {
  HWND focus = ::GetFocus();
  if (focus == nullptr || focus == m_hWnd || !::IsChild(m_hWnd, focus)) return 0;
  // A drop-down list's own edit or list belongs to its combo box.
  while (::GetParent(focus) != m_hWnd && ::GetParent(focus) != nullptr) focus = ::GetParent(focus);
  return ::GetDlgCtrlID(focus);
}
