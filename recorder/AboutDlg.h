// The About dialog: the program's version and build stamp, the legal notice of its version block and
// a notice text.
#pragma once

#include "platform/ui/Dialog.h"

inline constexpr const char kAboutNotice[] =
    "This program is protected by copyright law. MP3 encoding by the LAME encoder engine.";

class CAboutDlg : public CDialog {
 public:
  explicit CAboutDlg(CWnd* parent = nullptr);
  BOOL OnInitDialog() override;

  CString m_version;      // 1281
  CString m_legalNotice;  // 1282
  CString m_notice;       // 1284
};
