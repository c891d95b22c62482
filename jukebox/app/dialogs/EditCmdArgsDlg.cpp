#include "jukebox/app/dialogs/EditCmdArgsDlg.h"

#include "jukebox/remote/RemoteAction.h"
#include "netlib/DeviceDescription.h"

BEGIN_MESSAGE_MAP(CEditCmdArgsDlg, CDialog)
  ON_WM_ACTIVATE()
  ON_MESSAGE(CEditCmdArgsDlg::kMsgBeginFirstEdit, OnBeginFirstEdit)
  ON_MESSAGE(CEditCmdArgsDlg::kMsgEditNextRow, OnEditNextRow)
  ON_NOTIFY(LVN_ENDLABELEDIT, CEditCmdArgsDlg::kArguments, OnEndLabelEdit)
END_MESSAGE_MAP()

void CEditCmdArgsDlg::SetAction(CRemoteAction* action, CActionDescription* description) {
  m_action = action;
  m_description = description;
}

BOOL CEditCmdArgsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CString seq;
  seq.Format("%d", m_nSequence);
  SetDlgItemText(kSeqNo, seq.GetString());
  if (m_action) SetDlgItemText(kCommand, m_action->GetName().GetString());
  if (m_description) SetDlgItemText(kDesc, m_description->GetDescription().GetString());
  CListCtrl* list = List();
  list->SetExtendedStyle(LVS_EX_FULLROWSELECT);
  list->InsertColumn(kValueColumn, "Arg. Value", LVCFMT_LEFT, 175);
  list->InsertColumn(kNameColumn, "Arg. Name", LVCFMT_LEFT, 150);
  list->InsertColumn(kTypeColumn, "Arg. Type", LVCFMT_LEFT, 100);
  list->InsertColumn(kDescColumn, "Arg. Desc", LVCFMT_LEFT, 400);
  FillArgs();
  return TRUE;
}

void CEditCmdArgsDlg::FillArgs() {
  if (!m_action || !m_description || !m_description->BeginEnum()) return;
  while (CArgumentDescription* declared = m_description->GetNext()) {
    if (!declared->IsInput()) continue;
    CActionArgument* argument = m_action->FindArgument(declared->GetName());
    if (!argument) {
      argument = new CActionArgument();
      argument->SetName(declared->GetName());
      argument->SetDirection(ARG_DIRECTION_IN);
      argument->SetSequence(declared->GetSequence());
      m_action->AddArgument(declared->GetName(), argument);
    }
    AddRow(*argument, *declared);
  }
  m_description->EndEnum();
}

void CEditCmdArgsDlg::AddRow(CActionArgument& argument, const CArgumentDescription& declared) {
  CListCtrl* list = List();
  const CString value = argument.GetType() == ARGTYPE_NONE ? CString(kNoValue) : argument.ToText();
  const int row = list->InsertItem(list->GetItemCount(), value.GetString());
  list->SetItemText(row, kNameColumn, argument.GetName().GetString());
  list->SetItemText(row, kTypeColumn, declared.DisplayTypeName().GetString());
  list->SetItemText(row, kDescColumn, declared.GetDescription().GetString());
  list->SetItemData(row, reinterpret_cast<DWORD_PTR>(&argument));
}

void CEditCmdArgsDlg::OnActivate(UINT state, CWnd* other, BOOL minimized) {
  CDialog::OnActivate(state, other, minimized);
  if (state == WA_INACTIVE || m_activated) return;
  m_activated = true;
  PostMessage(kMsgBeginFirstEdit);
}

LRESULT CEditCmdArgsDlg::OnBeginFirstEdit(WPARAM, LPARAM) {
  if (List()->GetItemCount() > 0) EditRow(0);
  return 0;
}

LRESULT CEditCmdArgsDlg::OnEditNextRow(WPARAM, LPARAM) {
  // Only while the user is still in the list: a click elsewhere (OK, say) ended the edit on purpose.
  const int row = m_nextRow;
  m_nextRow = -1;
  if (row >= 0 && row < List()->GetItemCount() && GetFocus() == List()) EditRow(row);
  return 0;
}

void CEditCmdArgsDlg::EditRow(int row) {
  CListCtrl* list = List();
  list->SetFocus();
  list->SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  list->EditLabel(row);
}

void CEditCmdArgsDlg::OnEndLabelEdit(NMHDR* header, LRESULT* result) {
  *result = FALSE;
  auto* info = reinterpret_cast<NMLVDISPINFO*>(header);
  if (!info->item.pszText || !m_action || !m_description) return;
  const int row = info->item.iItem;
  const CString name = List()->GetItemText(row, kNameColumn);
  CActionArgument* argument = m_action->FindArgument(name);
  const CArgumentDescription* declared = m_description->FindArgument(name);
  if (!argument || !declared) return;
  // A text that does not fit the declared type is refused; the old value stays.
  if (!argument->ParseText(info->item.pszText, declared->GetType())) return;
  List()->SetItemText(row, kValueColumn, argument->ToText().GetString());
  if (row + 1 < List()->GetItemCount()) {
    m_nextRow = row + 1;
    PostMessage(kMsgEditNextRow);
  }
}
