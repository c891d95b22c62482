#include "maintenance/admin/AdminApp.h"

#include "maintenance/admin/AdminDlg.h"
#include "maintenance/admin/AdminResources.h"
#include "platform/core/Handle.h"
#include "platform/core/NamedMutex.h"
#include "platform/ui/MessageBox.h"

CAdminApp::CAdminApp() : CWinApp("Quaverhouse") {}

BOOL CAdminApp::InitInstance() {
  Sleep(m_startDelay);
  m_hMutex = CreateMutex(nullptr, TRUE, LoadText(IDS_MUTEX_NAME));
  if (m_hMutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    AfxMessageBox(IDS_ALREADY_RUNNING, MB_ICONSTOP);
    return FALSE;
  }
  m_ownsMutex = m_hMutex != nullptr;
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
  if (m_hMutex != nullptr) {
    if (m_ownsMutex) ReleaseMutex(m_hMutex);
    CloseHandle(m_hMutex);
    m_hMutex = nullptr;
    m_ownsMutex = false;
  }
  return CWinApp::ExitInstance();
}
