#include "maintenance/convert/CvtApp.h"

#include "maintenance/convert/ConvertResources.h"
#include "maintenance/convert/CvtDlg.h"
#include "platform/core/Handle.h"
#include "platform/core/NamedMutex.h"
#include "platform/ui/MessageBox.h"

CCvtApp::CCvtApp() : CWinApp("Quaverhouse") {}

BOOL CCvtApp::InitInstance() {
  m_hMutex = CreateMutex(nullptr, TRUE, LoadText(IDS_CVT_MUTEX_NAME));
  if (m_hMutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    AfxMessageBox(IDS_CVT_ALREADY_RUNNING, MB_ICONSTOP);
    return FALSE;
  }
  m_ownsMutex = m_hMutex != nullptr;
  SetRegistryKey("Tallowmere");
  CString folder = GetProfileString("", "SongDbPath", "");
  if (folder.IsEmpty()) {
    AfxMessageBox(IDS_NO_DATABASE, MB_ICONSTOP);
    return FALSE;
  }
  RegisterShiftoverDialogs();
  CCvtDlg dialog(folder);
  m_pMainWnd = &dialog;
  dialog.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;
}

int CCvtApp::ExitInstance() {
  if (m_hMutex != nullptr) {
    if (m_ownsMutex) ReleaseMutex(m_hMutex);
    CloseHandle(m_hMutex);
    m_hMutex = nullptr;
    m_ownsMutex = false;
  }
  return CWinApp::ExitInstance();
}
