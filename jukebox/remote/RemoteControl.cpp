// The control port's life (start, shut-down, stop), the notices of the server and its connection
// threads, and what the executor needs of the jukebox around it.
#include "jukebox/remote/RemoteControl.h"

#include "jukebox/app/JukeboxApp.h"
#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/MasterWindow.h"
#include "jukebox/player/PlayerBase.h"
#include "jukebox/remote/RemoteDefinitions.h"
#include "netlib/ServerThread.h"
#include "platform/core/FileApi.h"
#include "platform/ui/Dialog.h"

namespace {

CString HandlerText(DWORD threadId) {
  CString text;
  text.Format("Handler thread 0x%lx", static_cast<unsigned long>(threadId));
  return text;
}

CString Decimal(LONG value) {
  CString text;
  text.Format("%ld", value);
  return text;
}

// Network reset, connection aborted, connection reset: the handler's socket is closed.
bool ClosesHandlerSocket(LONG code) { return code == 10052 || code == 10053 || code == 10054; }

}  // namespace

CRemoteControl::CRemoteControl(CMasterWindow& window) : m_window(window) {
  if (CJukeboxApp* app = JukeboxApp()) m_listenPort = static_cast<WORD>(app->GetServerPort() & 0xFFFF);
  m_events = std::make_unique<CRemoteEvents>(
      window.GetSafeHwnd(), jukebox::kMsgOutboundNotice,
      [this](const char* severity, const char* source, const CString& text) { Log(severity, source, text); });
  m_previousSink = SetRemoteEventSink(m_events.get());
  // Events go to the devices of the project file.
  m_events->SetDeviceLookup([](LONG deviceNumber) -> CDeviceDescription* {
    return deviceNumber > 0 ? RemoteDefinitions().Devices().Find(static_cast<DWORD>(deviceNumber)) : nullptr;
  });
}

CRemoteControl::~CRemoteControl() {
  SetRemoteEventSink(m_previousSink);
  EndThreads();
  m_events.reset();
}

void CRemoteControl::EndThreads() {
  m_shuttingDown = true;
  DropPendingRequests();
  m_events->SetExiting(true);
  if (m_server) {
    auto* stop = new CServerCommand(SERVER_CMD_STOP, 0);
    if (!m_server->PostCommand(stop)) delete stop;
    StopServer();
  }
  m_events->CloseAll();
}

void CRemoteControl::OnWindowDestroyed() {
  EndThreads();
  // The ended threads' last notices wait in the queue; each carries a block only its receiver frees.
  const HWND window = m_window.GetSafeHwnd();
  MSG msg;
  while (window && ::PeekMessage(&msg, window, jukebox::kMsgServerNotice, jukebox::kMsgActionFinished, PM_REMOVE))
    OnPortMessage(msg.message, msg.wParam, msg.lParam);
}

void CRemoteControl::Log(const char* severity, const char* source, const CString& text) const {
  if (CJukeboxApp* app = JukeboxApp()) app->WriteErrorLog(severity, source, text);
}

WORD CRemoteControl::GetBoundPort() const { return m_server ? m_server->GetBoundPort() : 0; }

int CRemoteControl::ConnectionCount() const { return m_server ? m_server->GetHandlerCount() : -1; }

CString CRemoteControl::UploadFolder() const {
  CJukeboxApp* app = JukeboxApp();
  return app ? app->GetUploadPath() : CString();
}

// The upload folder is made when missing, level by level; a folder that cannot be made leaves the
// server without uploads, which then answer with an error rather than hang.
static bool MakeFolderPath(const CString& folder) {
  if (folder.IsEmpty()) return false;
  if (GetFileAttributes(folder.GetString()) != INVALID_FILE_ATTRIBUTES) return true;
  for (int i = 0; i < folder.GetLength(); ++i) {
    const char c = folder[i];
    if ((c == '\\' || c == '/') && i > 0 && folder[i - 1] != ':') CreateDirectory(folder.Left(i).GetString(), nullptr);
  }
  CreateDirectory(folder.GetString(), nullptr);
  return GetFileAttributes(folder.GetString()) != INVALID_FILE_ATTRIBUTES;
}

bool CRemoteControl::StartServer() {
  CString uploadFolder = UploadFolder();
  if (!MakeFolderPath(uploadFolder)) {
    Log("E", "WebServer", "The upload folder " + uploadFolder + " cannot be made; uploads are refused.");
    uploadFolder.Empty();
  }
  m_server = new CServerThread;
  const bool created = m_server->CreateThread(CREATE_SUSPENDED) &&
                       m_server->Init(m_window.GetSafeHwnd(), jukebox::kMsgServerNotice, jukebox::kMsgConnectionNotice,
                                      m_listenPort, FALSE, uploadFolder);
  const DWORD previous = created ? m_server->ResumeThread() : 0xFFFFFFFFu;
  if (created && (previous == 0 || previous == 1)) {
    m_server->SetRequestReader(&CRemoteControl::ReadControlRequest);
    // A busy panel's next request carries the written notice of the reply before it: one window
    // message a request instead of two.
    m_server->SetWrittenNoticeHold(CServerThread::kWrittenNoticeHoldMs);
    auto* listen = new CServerCommand(SERVER_CMD_LISTEN, 0);
    if (m_server->PostCommand(listen)) return true;
    delete listen;
  }
  if (CJukeboxApp* app = JukeboxApp()) app->LogEvent("E", "MasterWindow", "Error starting communications server socket");
  m_serverRunning = false;
  return false;
}

void CRemoteControl::ShutdownServer() {
  m_shuttingDown = true;
  if (m_server) {
    auto* stop = new CServerCommand(SERVER_CMD_STOP, 0);
    if (!m_server->PostCommand(stop)) {
      delete stop;
      Log("E", "MasterWindow", "The server thread refused the stop command.");
    }
  }
  DropPendingRequests();
}

void CRemoteControl::DropPendingRequests() {
  m_actionQueue.clear();
  m_currentAction = nullptr;
  m_pendingRequests.clear();
}

bool CRemoteControl::StopServer() {
  if (!m_server) return true;
  bool stopped = true;
  // A server thread that was never resumed has nothing to wait for.
  if (m_server->m_hThread && WaitForSingleObject(m_server->m_hThread, 10000) != WAIT_OBJECT_0) {
    Log("E", "MasterWindow", "Timeout waiting for server thread to terminate");
    stopped = false;
  }
  // The server's handlers share its registry, so deleting it after a time-out frees nothing they use.
  delete m_server;
  m_server = nullptr;
  m_serverRunning = false;
  return stopped;
}

LRESULT CRemoteControl::OnPortMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case jukebox::kMsgServerNotice: OnServerNotify(wParam, lParam); break;
    case jukebox::kMsgConnectionNotice: OnHandlerNotify(wParam, lParam); break;
    case jukebox::kMsgOutboundNotice: m_events->ProcessClientThreadStatus(wParam, lParam); break;
    case jukebox::kMsgCommandQueued: OnQueueCommand(); break;
    case jukebox::kMsgActionFinished: OnActionFinished(); break;
    default: break;
  }
  return -1;
}

void CRemoteControl::RunStartupActions() {
  CJukeboxApp* app = JukeboxApp();
  if (!app || m_shuttingDown) return;
  RemoteDefinitions().RunStartupActions(app->GetStartDirectory(), [this](const CString& text) {
    if (ParseActionRequest(text) < 0) Log("E", "MasterWindow", "The start-up action file does not parse; its actions are not run.");
  });
}

void CRemoteControl::OnServerNotify(WPARAM code, LPARAM block) {
  switch (code) {
    case NOTICE_INFO: {
      std::unique_ptr<CServerNotice> notice(reinterpret_cast<CServerNotice*>(block));
      if (!notice) break;
      if (notice->m_listenerState == LISTENER_LISTENING) {
        // The listener reports that it listens again after every connection it hands over: said once.
        if (!m_serverRunning) {
          const WORD port = m_listenPort != 0 ? m_listenPort : GetBoundPort();
          Log("I", "MasterWindow", "Server thread listening for incoming connections on port " + Decimal(port));
        }
        m_serverRunning = true;
      } else if (notice->m_listenerState == LISTENER_ACCEPTING) {
        Log("I", "MasterWindow", "Server thread passed incoming connection to handler: " + notice->m_text);
      }
      break;
    }
    case NOTICE_ERROR: {
      std::unique_ptr<CServerNotice> notice(reinterpret_cast<CServerNotice*>(block));
      if (notice)
        Log("E", "MasterWindow", "Server thread generated error code - " + Decimal(notice->m_code) + " (" +
                                     notice->m_text + ")");
      break;
    }
    case NOTICE_HANDLER_ENDED: delete reinterpret_cast<CServerNotice*>(block); break;
    case NOTICE_THREAD_ENDING:
      Log("I", "MasterWindow", "Server thread is exiting. Waiting for thread termination...");
      break;
    default: Log("E", "MasterWindow", "Server thread generated an invalid notification type."); break;
  }
}

void CRemoteControl::OnHandlerNotify(WPARAM code, LPARAM block) {
  switch (code) {
    case NOTICE_INFO: {
      std::unique_ptr<CHttpNotice> notice(reinterpret_cast<CHttpNotice*>(block));
      if (!notice || m_shuttingDown) break;
      if (notice->m_linkState == LINK_NO_SOCKET) {
        Log("I", "MasterWindow", HandlerText(notice->m_threadId) + " has closed its connection. Sending shutdown command.");
        auto* end = new CHttpCommand(HTTP_CMD_END);
        if (!m_server || !m_server->PostToHandler(notice->m_threadId, end)) delete end;
      } else if (notice->m_linkState == LINK_IDLE) {
        Log("I", "MasterWindow", HandlerText(notice->m_threadId) + " has connected to peer - " + notice->m_text);
      }
      break;
    }
    case NOTICE_ERROR: {
      std::unique_ptr<CHttpNotice> notice(reinterpret_cast<CHttpNotice*>(block));
      if (!notice) break;
      Log("E", "MasterWindow", HandlerText(notice->m_threadId) + " generated error code - " + Decimal(notice->m_code) +
                                   " (" + notice->m_text + ")");
      if (ClosesHandlerSocket(notice->m_code)) {
        auto* close = new CHttpCommand(HTTP_CMD_CLOSE);
        if (!m_server || !m_server->PostToHandler(notice->m_threadId, close)) delete close;
      }
      break;
    }
    case NOTICE_REQUEST:
      if (LPARAM written = TakeHeldWritten(block)) OnHandlerNotify(NOTICE_WRITTEN, written);
      RouteRequest(reinterpret_cast<CHttpResponse*>(block));
      break;
    case NOTICE_RESPONSE: delete reinterpret_cast<CHttpResponse*>(block); break;
    case NOTICE_WRITTEN: {
      std::unique_ptr<CHttpNotice> notice(reinterpret_cast<CHttpNotice*>(block));
      if (notice) Log("I", "MasterWindow", HandlerText(notice->m_threadId) + " has written an HTTP response: " + notice->m_text);
      break;
    }
    case NOTICE_SESSION: delete reinterpret_cast<CHttpNotice*>(block); break;
    case NOTICE_IDLE_CLOSED:
      if (block != 0 && !m_shuttingDown)
        Log("I", "MasterWindow", HandlerText(static_cast<DWORD>(block)) + " inactive period exceeded, thread is being shut down.");
      break;
    case NOTICE_THREAD_ENDING:
      if (block != 0 && !m_shuttingDown) Log("I", "MasterWindow", HandlerText(static_cast<DWORD>(block)) + " is exiting.");
      break;
    default: Log("E", "MasterWindow", "Handler thread 0x???????? generated an invalid notification type."); break;
  }
}

// ---- What the executor needs ----

int CRemoteControl::ZoneCount() { return m_window.GetZoneCount(); }
int CRemoteControl::CurrentZone() { return m_window.GetCurrentZone(); }

CPlayerBase* CRemoteControl::ZonePlayer(int index) {
  CJukeboxApp* app = JukeboxApp();
  if (!app || index < 0 || index >= CJukeboxApp::kMaxZones) return nullptr;
  return dynamic_cast<CPlayerBase*>(app->GetZoneWindow(index));
}

CWnd* CRemoteControl::ChooserDialog() {
  CJukeboxApp* app = JukeboxApp();
  CDialog* dialog = app ? app->GetModalDialog() : nullptr;
  return dialog && dialog->GetSafeHwnd() ? dialog : nullptr;
}

void CRemoteControl::ActionCompleted() {
  if (m_executing) {
    m_completedInCall = true;
    return;
  }
  // Nothing calls it outside the executor's call; were it to, the message keeps the queue going.
  m_window.PostMessage(jukebox::kMsgActionFinished, 0, 0);
}

void CRemoteControl::RequestShutdown() { m_window.ShutdownServer(); }

void InstallRemoteControl() {
  SetRemotePortFactory([](CMasterWindow& window) -> std::unique_ptr<CRemotePort> {
    return std::make_unique<CRemoteControl>(window);
  });
}
