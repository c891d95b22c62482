// The Startup page of the options sheet (680): the remote actions the jukebox runs once, in sequence
// order, ten seconds after it starts. The page edits its own copy of the application's start-up list;
// the main window writes it out only after an OK that changed it.
#pragma once

#include <vector>

#include "jukebox/remote/StartupActionList.h"
#include "platform/core/CString.h"
#include "platform/ui/AfxCmnCtrls.h"
#include "platform/ui/PropertySheet.h"

class CActionDescription;

class DlgOptStartup2 : public CPropertyPage {
 public:
  static constexpr UINT IDD = 680;
  static constexpr int kList = 1111, kNewCommand = 1112, kEditCommand = 3, kDeleteCommand = 5;
  static constexpr int kSeqColumn = 0, kStreamColumn = 1, kCommandColumn = 2, kDescColumn = 3;

  DlgOptStartup2() : CPropertyPage(IDD) {}
  BOOL OnInitDialog() override;

  // Copies the application's start-up list into the page, numbered 1, 2, 3 ... in list order.
  void FillList();
  // Appends the row of `action` under `seq`.
  void SetRow(CRemoteAction* action, int seq);
  void ClearCommands();

  StartupActionMap m_commands;
  bool m_bChanged = false;
  // The configured streams' descriptions, stream 1 first (the command dialog's stream choice).
  std::vector<CString> m_streamDescriptions;

 protected:
  void OnAdd();
  void OnEdit();
  void OnDelete();
  DECLARE_MESSAGE_MAP()

 private:
  CListCtrl* List() { return static_cast<CListCtrl*>(GetDlgItem(kList)); }
  int SelectedRow();
  int NextSequenceNumber();
};
