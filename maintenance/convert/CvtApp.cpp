#include "maintenance/convert/CvtApp.h"

#include "maintenance/convert/ConvertResources.h"
#include "maintenance/convert/CvtDlg.h"
#include "platform/ui/MessageBox.h"

CCvtApp::CCvtApp() : CWinApp("Quaverhouse") {}

BOOL CCvtApp::InitInstance() {
  if (!m_instance.Acquire(LoadText(IDS_CVT_MUTEX_NAME))) {
    AfxMessageBox(IDS_CVT_ALREADY_RUNNING, MB_ICONSTOP);
    return FALSE;
  }
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
  m_instance.Release();
  return CWinApp::ExitInstance();
}
