// "Edit the arguments for this command" (dialog 682): the values of a start-up command's input
// arguments, edited in place in the list; each value must fit the type the jukebox's own device
// definition declares for it.
#pragma once

#include "platform/core/CString.h"
#include "platform/ui/AfxCmnCtrls.h"
#include "platform/ui/Dialog.h"

class CActionDescription;
class CActionArgument;
class CArgumentDescription;
class CRemoteAction;

class CEditCmdArgsDlg : public CDialog {
 public:
  static constexpr UINT IDD = 682;
  static constexpr int kDesc = 1114, kSeqNo = 1115, kCommand = 1116, kArguments = 1117;
  static constexpr int kValueColumn = 0, kNameColumn = 1, kTypeColumn = 2, kDescColumn = 3;
  // Posted to itself the first time it becomes active, and after each accepted value.
  static constexpr UINT kMsgBeginFirstEdit = 0x464;
  static constexpr UINT kMsgEditNextRow = 0x465;
  static constexpr const char* kNoValue = "[CLICK TO ENTER A VALUE]";

  explicit CEditCmdArgsDlg(CWnd* parent = nullptr) : CDialog(IDD, parent) {}
  // The action whose arguments are edited (not owned) and the description of its command.
  void SetAction(CRemoteAction* action, CActionDescription* description);
  BOOL OnInitDialog() override;

  int m_nSequence = 0;

 protected:
  void FillArgs();
  afx_msg void OnActivate(UINT state, CWnd* other, BOOL minimized);
  afx_msg LRESULT OnBeginFirstEdit(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnEditNextRow(WPARAM wParam, LPARAM lParam);
  afx_msg void OnEndLabelEdit(NMHDR* header, LRESULT* result);
  DECLARE_MESSAGE_MAP()

 private:
  CListCtrl* List() { return static_cast<CListCtrl*>(GetDlgItem(kArguments)); }
  void AddRow(CActionArgument& argument, const CArgumentDescription& declared);
  void EditRow(int row);

  CRemoteAction* m_action = nullptr;
  CActionDescription* m_description = nullptr;
  bool m_activated = false;
  int m_nextRow = -1;
};
