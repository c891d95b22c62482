// CMyOpen: the file-open dialog of the import commands, with one extra check box, "Delete Source Audio
// File" (template 166, control 1046). The recorder's and the jukebox's imports both choose their files
// with it; the template is part of this module, so neither program has to carry its own copy.
#pragma once

#include <string>

#include "platform/ui/CommonDialogs.h"

#define IDD_OPEN_EXTENSION 166
#define IDC_DELETE_SOURCE 1046

// Registers template 166 (once).
bool RegisterOpenExtensionTemplate(std::string* error = nullptr);

class CMyOpen : public CFileDialog {
 public:
  CMyOpen(BOOL openFileDialog, LPCSTR defaultExt = nullptr, LPCSTR fileName = nullptr, DWORD flags = 0,
          LPCSTR filter = nullptr, CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  BOOL OnFileNameOK() override;

  BOOL m_bDeleteSource = FALSE;  // the check box: set before DoModal, read after IDOK
};
