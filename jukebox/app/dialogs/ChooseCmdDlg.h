// "Choose a command" (dialog 681): one of the jukebox's own actions and the stream it is aimed at, for a
// new entry of the start-up list.
#pragma once

#include <vector>

#include "platform/core/CString.h"
#include "platform/ui/Dialog.h"

class CChooseCmdDlg : public CDialog {
 public:
  static constexpr UINT IDD = 681;
  static constexpr int kCommands = 1113, kDescription = 1114, kStreams = 1115;
  explicit CChooseCmdDlg(CWnd* parent = nullptr) : CDialog(IDD, parent) {}
  BOOL OnInitDialog() override;
  void OnOK() override;

  int m_nSequence = 1;
  std::vector<CString> m_streamDescriptions;  // stream 1 first
  // Results of an OK.
  CString m_strCommand;
  CString m_strDescription;
  int m_nStream = -1;  // 0-based; -1 when none was chosen

 protected:
  void FillCommands();
  void FillStreams();
  void OnSelChangeCommand();
  DECLARE_MESSAGE_MAP()

 private:
  void ShowDescription();
};
