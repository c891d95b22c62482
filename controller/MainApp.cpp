#include "controller/MainApp.h"

#include <signal.h>

#include <atomic>
#include <thread>

#include "controller/MainDlg.h"
#include "platform/core/FileApi.h"
#include "platform/core/NamedMutex.h"
#include "platform/core/Paths.h"
#include "platform/ui/MessageBox.h"

namespace {

std::atomic<HWND> g_mainWindow{nullptr};
std::atomic<bool> g_closeRequested{false};

sigset_t ShutdownSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGHUP);
  return signals;
}

}  // namespace

void BlockShutdownSignals() {
  sigset_t signals = ShutdownSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

void StartShutdownSignalThread() {
  std::thread([] {
    sigset_t signals = ShutdownSignals();
    for (;;) {
      int signal = 0;
      if (sigwait(&signals, &signal) != 0) continue;
      g_closeRequested = true;
      if (HWND window = g_mainWindow.load()) ::PostMessage(window, WM_CLOSE, 0, 0);
    }
  }).detach();
}

CMainApp::CMainApp() : CWinApp(nullptr) {}

CMainApp& ControllerApp() { return *static_cast<CMainApp*>(AfxGetApp()); }

BOOL CMainApp::InitInstance() {
  if (!StartUp()) return FALSE;
  CMainDlg dialog(*this);
  m_dialog = &dialog;
  m_pMainWnd = &dialog;
  StartShutdownSignalThread();
  dialog.DoModal();
  g_mainWindow = nullptr;
  m_dialog = nullptr;
  m_pMainWnd = nullptr;
  return FALSE;
}

bool CMainApp::StartUp() {
  // Sockets need no start-up here, and there is no control containment or COM apartment to enter.
  m_startTime = COleDateTime::GetCurrentTime();
  SetRegistryKey("Tallowmere");
  char directory[260] = {};
  GetCurrentDirectory(259, directory);
  m_startDirectory = directory;
  if (!CheckSingleInstance()) {
    AfxMessageBox("The Quaverhouse Control Program is already running.", MB_ICONSTOP);
    return false;
  }
  OpenLog();
  WriteLog("Hallwarden Control Program is STARTING");
  m_webSocketNumber = GetProfileInt("FrameWork", "WebSocketNumber", 80);
  InitTemplateHandler();
  InitMacroManager();
  InitSchedEventManager();
  return true;
}

void CMainApp::SetDialog(CMainDlg* dialog) { m_dialog = dialog; }

int CMainApp::ExitInstance() {
  m_devices.ClearDeviceMaps(m_clients);
  WriteLog("Hallwarden Control Program is SHUTTING DOWN");
  m_log.Close();
  if (m_instanceMutex) {
    ReleaseMutex(m_instanceMutex);
    CloseHandle(m_instanceMutex);
    m_instanceMutex = nullptr;
  }
  CWinApp::ExitInstance();
  return 0;
}

bool CMainApp::CheckSingleInstance() {
  m_instanceMutex = CreateMutex(nullptr, TRUE, "QuaverhouseFrameWorkMain");
  if (m_instanceMutex && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(m_instanceMutex);
    m_instanceMutex = nullptr;
    return false;
  }
  return true;
}

void CMainApp::OpenLog() { m_log.Open(m_startDirectory + "\\Logs\\HallwardenLog.txt"); }

void CMainApp::InitTemplateHandler() {
  m_templates.LoadAll(m_startDirectory + "\\Templates", m_log, m_templatesLoaded, m_templatesFailed);
}

void CMainApp::InitMacroManager() {
  int read = m_macros.ReadMacros(m_startDirectory + "\\config\\macros.xml");
  CString text;
  if (read >= 0)
    text.Format("InitMacroManager: Read %d macros OK.", read);
  else
    text.Format("InitMacroManager: Error code %d when reading macros. Check your macros.xml file.", read);
  WriteLog(text);
}

void CMainApp::InitSchedEventManager() {
  int read = m_schedule.ReadSchedule(m_startDirectory + "\\config\\schedule.xml",
                                     [this](const CString& problem) { WriteLog(problem); });
  CString text;
  if (read >= 0)
    text.Format("InitSchedEventManager: Read %d scheduled events OK.", read);
  else
    text.Format("InitSchedEventManager: Error code %d when reading scheduled events. Check your schedule.xml file.",
                read);
  WriteLog(text);
}

void CMainApp::SetClientSocketOwner() {
  if (m_dialog) m_clients.SetOwner(m_dialog->m_hWnd, WM_CLIENT_NOTICE);
}

LONG CMainApp::StartSvcPrograms() {
  m_svcStarted = m_devices.StartSvcPrograms(m_startDirectory, m_log, m_svcFailed);
  return m_svcStarted;
}

void NoteMainWindow(HWND window) {
  g_mainWindow = window;
  if (g_closeRequested) ::PostMessage(window, WM_CLOSE, 0, 0);
}
