// Ledgerkeep's application object: the single-instance rule shared with the jukebox, the recorder and
// the converter, the database folder from the settings, and the main dialog.
#pragma once

#include "maintenance/files/SingleInstance.h"
#include "platform/ui/WinApp.h"

class CAdminApp : public CWinApp {
 public:
  CAdminApp();

  BOOL InitInstance() override;
  int ExitInstance() override;

  const CString& DatabaseFolder() const { return m_databaseFolder; }
  // The pause before the single-instance check, so that a program that is just ending can let go of
  // the name (2000 ms).
  DWORD m_startDelay = 2000;

 private:
  CString m_databaseFolder;
  CSingleInstance m_instance;
};
