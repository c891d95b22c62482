// Shiftover's application object: the single-instance rule shared with the other programs, the database
// folder from the settings, and the converter dialog.
#pragma once

#include "maintenance/files/SingleInstance.h"
#include "platform/ui/WinApp.h"

class CCvtApp : public CWinApp {
 public:
  CCvtApp();
  BOOL InitInstance() override;
  int ExitInstance() override;

 private:
  CSingleInstance m_instance;
};
