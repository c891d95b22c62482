// The import command's two dialogs: the choice between importing and indexing (dialog 234), and CMyOpen,
// the file-open dialog with the "Delete Source Audio File" check box of template 166.
#pragma once

#include "platform/ui/CommonDialogs.h"
#include "platform/ui/Dialog.h"

class CImportChoiceDlg : public CDialog {
 public:
  explicit CImportChoiceDlg(CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
};

class CMyOpen : public CFileDialog {
 public:
  CMyOpen(BOOL openFileDialog, LPCSTR defaultExt = nullptr, LPCSTR fileName = nullptr, DWORD flags = 0,
          LPCSTR filter = nullptr, CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  BOOL OnFileNameOK() override;

  BOOL m_bDeleteSource = FALSE;
};
