// Dialog 219 "DirectX (DirectShow) Plugin List": a check list of the offered plug-ins; after OK each row
// has a result: 0 unchecked by the user, 1 checked by the user, 999 unchanged.
#pragma once

#include <vector>

#include "platform/ui/Dialog.h"

inline constexpr UINT IDD_PLUGIN_LIST = 219;
inline constexpr UINT IDC_PLUGIN_LIST = 1071;
inline constexpr UINT kPluginUnchanged = 999;

class CPluginListDlg : public CDialog {
 public:
  explicit CPluginListDlg(CWnd* parent = nullptr);

  BOOL OnInitDialog() override;
  void OnOK() override;

  std::vector<CString> m_names;
  std::vector<UINT> m_initialStates;
  std::vector<UINT> m_results;
  CCheckListBox m_list;

  // The template of dialog 219 (registered by the constructor when the program has not).
  static qh::ui::DialogTemplate Template();
};
