// Hallwarden's application object: prepares the log, the templates, the macro and schedule stores
// and the profile, holds the single-instance lock, and runs the status dialog for the whole life of
// the program. Every data path is the start directory (the current directory at start-up) followed
// by a fixed relative path.
#pragma once

#include "controller/ControllerLog.h"
#include "controller/MacroManager.h"
#include "controller/Scheduler.h"
#include "controller/ProjectDevices.h"
#include "controller/TemplateHandler.h"
#include "netlib/ClientSocketManager.h"
#include "platform/core/DateTime.h"
#include "platform/ui/WinApp.h"

class CMainDlg;

class CMainApp : public CWinApp {
 public:
  CMainApp();

  BOOL InitInstance() override;
  int ExitInstance() override;
  // Everything before the status dialog opens, in the start directory (the current directory):
  // false when another instance already runs.
  bool StartUp();
  // The dialog that owns the outbound connections' notices (set by InitInstance for its own).
  void SetDialog(CMainDlg* dialog);

  void WriteLog(const CString& text) { m_log.WriteLog(text); }
  CString StartDirectory() const { return m_startDirectory; }
  COleDateTime GetStartTime() const { return m_startTime; }
  DWORD GetWebSocketNumber() const { return m_webSocketNumber; }

  void InitTemplateHandler();
  LONG GetTemplatesLoaded() const { return m_templatesLoaded; }
  LONG GetTemplatesFailed() const { return m_templatesFailed; }
  CTemplateHandler& Templates() { return m_templates; }
  CControllerLog& Log() { return m_log; }

  CMacroManager& Macros() { return m_macros; }
  CSchedEventManager& Schedule() { return m_schedule; }
  void InitMacroManager();
  void InitSchedEventManager();
  CProjectDevices& Devices() { return m_devices; }
  CClientSocketManager& Clients() { return m_clients; }
  void SetClientSocketOwner();
  LONG ReadProjectX() { return m_devices.ReadProjectX(m_startDirectory, m_log); }
  LONG StartSvcPrograms();
  LONG GetSvcStarted() const { return m_svcStarted; }
  LONG GetSvcFailed() const { return m_svcFailed; }

 private:
  bool CheckSingleInstance();
  void OpenLog();

  COleDateTime m_startTime;
  CString m_startDirectory;
  CControllerLog m_log;
  HANDLE m_instanceMutex = nullptr;
  DWORD m_webSocketNumber = 80;
  CTemplateHandler m_templates;
  LONG m_templatesLoaded = 0;
  LONG m_templatesFailed = 0;
  LONG m_svcStarted = 0;
  LONG m_svcFailed = 0;
  CMacroManager m_macros;
  CSchedEventManager m_schedule;
  CProjectDevices m_devices;
  CClientSocketManager m_clients;
  CMainDlg* m_dialog = nullptr;
};

CMainApp& ControllerApp();

// The status dialog is told to close when the program gets SIGTERM, SIGINT or SIGHUP, so a service
// manager ends the controller through its normal shutdown. Call first thing in main, before any
// thread exists: the signals are blocked in every thread and taken by one waiting thread.
void BlockShutdownSignals();
void StartShutdownSignalThread();
// The window a shutdown signal closes (null when there is none yet).
void NoteMainWindow(HWND window);
