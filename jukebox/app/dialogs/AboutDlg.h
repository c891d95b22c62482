// "About Quaverhouse" (dialog 515): the version line, the legal line and a third line, each in its own
// static, and a Close button. The zone windows fill the first two and run it when their logo (or the
// TV panel) is double-clicked.
#pragma once

#include "platform/ui/Dialog.h"

class CJukeboxAboutDlg : public CDialog {
 public:
  static constexpr UINT IDD = 515;
  static constexpr int kVersion = 1104, kLegal = 1105, kNote = 1106;

  explicit CJukeboxAboutDlg(CWnd* parent = nullptr);
  BOOL OnInitDialog() override;

  CString m_version, m_legal, m_note;
};
