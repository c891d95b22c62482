#include "jukebox/player/PluginListDlg.h"

qh::ui::DialogTemplate CPluginListDlg::Template() {
  qh::ui::DialogTemplate t;
  t.caption = "DirectX (DirectShow) Plugin List";
  t.style = WS_POPUP | WS_CAPTION;
  t.cx = 292;
  t.cy = 197;
  t.items.push_back({"Button", "OK", IDOK, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 235, 10, 50, 14});
  t.items.push_back({"Button", "Cancel", IDCANCEL, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 235, 27, 50, 14});
  t.items.push_back({"ListBox", "", IDC_PLUGIN_LIST,
                     WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
                         LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                     0, 5, 5, 220, 185});
  return t;
}

CPluginListDlg::CPluginListDlg(CWnd* parent) : CDialog(IDD_PLUGIN_LIST, parent) {
  if (!qh::ui::FindDialogTemplate(IDD_PLUGIN_LIST)) qh::ui::RegisterDialogTemplate(IDD_PLUGIN_LIST, Template());
}

BOOL CPluginListDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_list.SubclassDlgItem(IDC_PLUGIN_LIST, this);
  for (size_t i = 0; i < m_names.size(); ++i) {
    const int row = m_list.AddString(m_names[i]);
    if (i < m_initialStates.size() && m_initialStates[i] != 0) m_list.SetCheck(row, 1);
  }
  return TRUE;
}

void CPluginListDlg::OnOK() {
  m_results.assign(m_names.size(), kPluginUnchanged);
  for (size_t i = 0; i < m_names.size(); ++i) {
    const bool wasChecked = i < m_initialStates.size() && m_initialStates[i] != 0;
    const bool isChecked = m_list.GetCheck(static_cast<int>(i)) != 0;
    if (wasChecked && !isChecked) m_results[i] = 0;
    else if (!wasChecked && isChecked) m_results[i] = 1;
  }
  EndDialog(IDOK);
}
