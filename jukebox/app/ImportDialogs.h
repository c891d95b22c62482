// The import command's two dialogs: the choice between importing and indexing (dialog 234), and CMyOpen,
// the file-open dialog with the "Delete Source Audio File" check box of template 166 (shared with the
// recorder's import, recorder/capture/MyOpen.h).
#pragma once

#include "platform/ui/Dialog.h"
#include "recorder/capture/MyOpen.h"

class CImportChoiceDlg : public CDialog {
 public:
  explicit CImportChoiceDlg(CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
};
