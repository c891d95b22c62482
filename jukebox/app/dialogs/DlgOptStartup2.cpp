#include "jukebox/app/dialogs/DlgOptStartup2.h"

#include "jukebox/app/dialogs/ChooseCmdDlg.h"
#include "jukebox/app/dialogs/EditCmdArgsDlg.h"
#include "jukebox/remote/RemoteDefinitions.h"
#include "platform/core/CrtNumbers.h"
#include "platform/ui/MessageBox.h"

namespace {
constexpr const char* kEnteredDescription = "Entered Description";
constexpr const char* kDuplicateSequence = "ERROR: Duplicate Command Sequence Numbers";
constexpr const char* kNotInMap = "Internal error finding object in map";

// Add and edit need the command's description; without it the user is told why nothing happens.
void ReportUnknownCommand(const CString& command) {
  CString text;
  if (command.IsEmpty())
    text = "The jukebox's device definition offers no commands, so none can be added.";
  else
    text.Format("The command \"%s\" is not in the jukebox's device definition, so its arguments cannot be edited.",
                command.GetString());
  AfxMessageBox(text.GetString(), MB_OK | MB_ICONEXCLAMATION);
}

CString Number(long value) {
  CString text;
  text.Format("%ld", value);
  return text;
}
}  // namespace

BEGIN_MESSAGE_MAP(DlgOptStartup2, CPropertyPage)
  ON_BN_CLICKED(DlgOptStartup2::kNewCommand, OnAdd)
  ON_BN_CLICKED(DlgOptStartup2::kEditCommand, OnEdit)
  ON_BN_CLICKED(DlgOptStartup2::kDeleteCommand, OnDelete)
END_MESSAGE_MAP()

BOOL DlgOptStartup2::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  CListCtrl* list = List();
  list->SetExtendedStyle(LVS_EX_FULLROWSELECT);
  list->InsertColumn(kSeqColumn, "Seq", LVCFMT_LEFT, 40);
  list->InsertColumn(kStreamColumn, "Stream", LVCFMT_LEFT, 60);
  list->InsertColumn(kCommandColumn, "Command", LVCFMT_LEFT, 150);
  list->InsertColumn(kDescColumn, "Desc", LVCFMT_LEFT, 150);
  FillList();
  return TRUE;
}

void DlgOptStartup2::FillList() {
  ClearCommands();
  int seq = 1;
  for (const auto& [key, action] : RemoteDefinitions().StartupActions().Actions()) {
    if (!action) continue;
    auto copy = std::make_unique<CRemoteAction>();
    copy->CopyFrom(*action);
    CRemoteAction* row = copy.get();
    m_commands[seq] = std::move(copy);
    SetRow(row, seq++);
  }
}

void DlgOptStartup2::SetRow(CRemoteAction* action, int seq) {
  CListCtrl* list = List();
  const int row = list->InsertItem(list->GetItemCount(), Number(seq).GetString());
  list->SetItemText(row, kStreamColumn, Number(action->GetSubDevice() + 1L).GetString());
  list->SetItemText(row, kCommandColumn, action->GetName().GetString());
  const CActionDescription* description = RemoteDefinitions().FindActionDescription(action->GetName());
  list->SetItemText(row, kDescColumn, description ? description->GetDescription().GetString() : kEnteredDescription);
  list->SetItemData(row, reinterpret_cast<DWORD_PTR>(action));
}

void DlgOptStartup2::ClearCommands() {
  if (GetSafeHwnd() && List()) List()->DeleteAllItems();
  m_commands.clear();
}

int DlgOptStartup2::SelectedRow() { return List()->GetNextItem(-1, LVNI_SELECTED); }

int DlgOptStartup2::NextSequenceNumber() {
  CListCtrl* list = List();
  const int rows = list->GetItemCount();
  return rows == 0 ? 1 : qh_atoi(list->GetItemText(rows - 1, kSeqColumn).GetString()) + 1;
}

void DlgOptStartup2::OnAdd() {
  const int seq = NextSequenceNumber();
  CChooseCmdDlg chooser(this);
  chooser.m_nSequence = seq;
  chooser.m_streamDescriptions = m_streamDescriptions;
  if (chooser.DoModal() != IDOK) return;
  CActionDescription* description = RemoteDefinitions().FindActionDescription(chooser.m_strCommand);
  if (!description) {
    ReportUnknownCommand(chooser.m_strCommand);
    return;
  }
  auto action = std::make_unique<CRemoteAction>();
  action->SetName(chooser.m_strCommand);
  action->SetSubDevice(chooser.m_nStream);
  CEditCmdArgsDlg arguments(this);
  arguments.SetAction(action.get(), description);
  arguments.m_nSequence = seq;
  if (arguments.DoModal() != IDOK) return;
  if (m_commands.count(seq) != 0) {
    AfxMessageBox(kDuplicateSequence, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  CRemoteAction* row = action.get();
  m_commands[seq] = std::move(action);
  SetRow(row, seq);
  m_bChanged = true;
}

void DlgOptStartup2::OnEdit() {
  const int row = SelectedRow();
  if (row < 0) return;
  auto* current = reinterpret_cast<CRemoteAction*>(List()->GetItemData(row));
  if (!current) return;
  const int seq = qh_atoi(List()->GetItemText(row, kSeqColumn).GetString());
  // The arguments dialog works on a copy, so a Cancel leaves the command as it was.
  auto copy = std::make_unique<CRemoteAction>();
  copy->CopyFrom(*current);
  CActionDescription* description = RemoteDefinitions().FindActionDescription(copy->GetName());
  if (!description) {
    ReportUnknownCommand(copy->GetName());
    return;
  }
  CEditCmdArgsDlg arguments(this);
  arguments.SetAction(copy.get(), description);
  arguments.m_nSequence = seq;
  if (arguments.DoModal() != IDOK) return;
  auto found = m_commands.find(seq);
  if (found == m_commands.end()) {
    AfxMessageBox(kNotInMap, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  // The row points at the copy before the old object goes.
  List()->SetItemData(row, reinterpret_cast<DWORD_PTR>(copy.get()));
  found->second = std::move(copy);
  m_bChanged = true;
}

void DlgOptStartup2::OnDelete() {
  const int row = SelectedRow();
  if (row < 0) return;
  const int seq = qh_atoi(List()->GetItemText(row, kSeqColumn).GetString());
  List()->DeleteItem(row);
  m_commands.erase(seq);
  m_bChanged = true;
}
