// The base of the choosers that the remote control can drive: while a zone window runs one, the remote
// action executor sends it the cursor and select keys as WM_REMOTE_NAVIGATION with the action id.
#pragma once

#include "platform/ui/Dialog.h"

#define WM_REMOTE_NAVIGATION 0x8334

class CRemoteChooserDlg : public CDialog {
 public:
  enum RemoteKey : int { kKeyUp = 41, kKeyDown = 42, kKeyLeft = 43, kKeyRight = 44, kKeyExit = 45, kKeySelect = 46 };
  using CDialog::CDialog;

 protected:
  // One remote key; ids outside 41..46 never arrive here.
  virtual void OnRemoteKey(int key) = 0;
  afx_msg LRESULT OnRemoteNavigation(WPARAM action, LPARAM);
  // Moves the selection of a list box or drop-down list one entry up (-1) or down (+1); nothing
  // without a selection or at either end.
  void StepSelection(int controlId, int step);
  // The id of the focused control of this dialog, 0 when none of them has the focus.
  int FocusedControlId() const;
  DECLARE_MESSAGE_MAP()
};
