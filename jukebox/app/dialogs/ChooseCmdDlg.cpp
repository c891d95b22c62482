#include "jukebox/app/dialogs/ChooseCmdDlg.h"

#include "jukebox/remote/RemoteDefinitions.h"
#include "platform/ui/AfxControls.h"

BEGIN_MESSAGE_MAP(CChooseCmdDlg, CDialog)
  ON_CBN_SELCHANGE(CChooseCmdDlg::kCommands, OnSelChangeCommand)
END_MESSAGE_MAP()

BOOL CChooseCmdDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CString caption;
  caption.Format("Choose the command for seq. no %d", m_nSequence);
  SetWindowText(caption.GetString());
  FillCommands();
  FillStreams();
  return TRUE;
}

void CChooseCmdDlg::FillCommands() {
  auto* commands = static_cast<CComboBox*>(GetDlgItem(kCommands));
  commands->ResetContent();
  for (const auto& [name, description] : RemoteDefinitions().OwnDefinition().Actions())
    commands->AddString(name.GetString());
  if (commands->GetCount() > 0) commands->SetCurSel(0);
  ShowDescription();
}

void CChooseCmdDlg::FillStreams() {
  auto* streams = static_cast<CComboBox*>(GetDlgItem(kStreams));
  streams->ResetContent();
  for (size_t i = 0; i < m_streamDescriptions.size(); ++i) {
    CString entry;
    entry.Format("%d - %s", static_cast<int>(i) + 1, m_streamDescriptions[i].GetString());
    streams->AddString(entry.GetString());
  }
  if (streams->GetCount() > 0) streams->SetCurSel(0);
}

void CChooseCmdDlg::OnSelChangeCommand() { ShowDescription(); }

void CChooseCmdDlg::ShowDescription() {
  auto* commands = static_cast<CComboBox*>(GetDlgItem(kCommands));
  m_strCommand.Empty();
  m_strDescription.Empty();
  const int chosen = commands->GetCurSel();
  if (chosen >= 0) {
    commands->GetLBText(chosen, m_strCommand);
    if (const CActionDescription* description = RemoteDefinitions().FindActionDescription(m_strCommand))
      m_strDescription = description->GetDescription();
  }
  SetDlgItemText(kDescription, m_strDescription.GetString());
}

void CChooseCmdDlg::OnOK() {
  ShowDescription();
  m_nStream = static_cast<CComboBox*>(GetDlgItem(kStreams))->GetCurSel();
  CDialog::OnOK();
}
