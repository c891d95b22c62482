#include "maintenance/admin/AdminApp.h"

#include "maintenance/admin/AdminDlg.h"
#include "maintenance/admin/AdminResources.h"
#include "platform/core/Handle.h"
#include "platform/ui/MessageBox.h"

CAdminApp::CAdminApp() : CWinApp("Quaverhouse") {}

BOOL CAdminApp::InitInstance() {
  Sleep(m_startDelay);
  if (!m_instance.Acquire(LoadText(IDS_MUTEX_NAME))) {
    AfxMessageBox(IDS_ALREADY_RUNNING, MB_ICONSTOP);
    return FALSE;
  }
  SetRegistryKey("Tallowmere");
  m_databaseFolder = GetProfileString("", "SongDbPath", "");
  RegisterLedgerkeepDialogs();
  CAdminDlg dialog(m_databaseFolder);
  m_pMainWnd = &dialog;
  dialog.DoModal();
  m_pMainWnd = nullptr;
  // A dialog program ends when its dialog closes.
  return FALSE;
}

int CAdminApp::ExitInstance() {
  m_instance.Release();
  return CWinApp::ExitInstance();
}
