#include "netlib/ServerThread.h"

#include <cstdio>
#include <ctime>
#include <memory>
#include <algorithm>
#include <new>

#include "netlib/HandlerPool.h"
#include "netlib/HttpWriter.h"
#include "platform/ui/WinUser.h"

namespace {

constexpr int kCloseWaitMs = 10000;
constexpr int kRepostIntervalMs = 500;
constexpr DWORD kFirstAcceptBackoffMs = 50;


}  // namespace

CServerThread::CServerThread() : CWinThread(&CServerThread::ThreadProc, this) { m_bAutoDelete = FALSE; }

CServerThread::~CServerThread() {
  if (m_hThread && GetCurrentThreadId() != m_nThreadID) {
    // A thread that is still running (or was never resumed) is stopped and waited for: the object
    // must not go while its thread can still use it.
    if (m_listenerState != LISTENER_NOT_INITIALISED && !m_cleanedUp) {
      auto* stop = new CServerCommand(SERVER_CMD_STOP, 0);
      if (!PostCommand(stop)) delete stop;
    }
    ResumeThread();
    WaitForSingleObject(m_hThread, INFINITE);
  }
  if (m_listenerState != LISTENER_NOT_INITIALISED && !m_cleanedUp) Cleanup();
  // Handlers that outlived the stop are asked again to end and waited for a while; one still busy
  // after that keeps the registry (map, sessions) alive by itself and finds notices off.
  m_noticesOn = false;
  for (int waited = 0; waited < kShutdownWaitMs && !WaitForHandlers(kRepostIntervalMs); waited += kRepostIntervalMs)
    PostEndToHandlers();
  {
    CSingleLock lock(&m_queueLock, TRUE);
    for (CServerCommand* command : m_queue) delete command;
    m_queue.clear();
  }
  if (m_commandEvent) CloseHandle(m_commandEvent);
  if (m_socketEvent) WSACloseEvent(m_socketEvent);
}

UINT CServerThread::ThreadProc(LPVOID param) {
  static_cast<CServerThread*>(param)->WaitOnEvent();
  return 0;
}

BOOL CServerThread::Init(HWND owner, UINT serverMessage, UINT handlerMessage, WORD port, BOOL sessionsEnabled,
                         const CString& uploadFolder) {
  if (m_listenerState != LISTENER_NOT_INITIALISED) return FALSE;
  m_owner = owner;
  m_serverMessage = serverMessage;
  m_handlerMessage = handlerMessage;
  m_port = port;
  m_sessionsEnabled = sessionsEnabled != FALSE;
  m_uploadFolder = uploadFolder;
  m_registry->owner = owner;
  m_registry->serverMessage = serverMessage;
  m_registry->listenerThreadId = m_nThreadID;
  m_socketEvent = WSACreateEvent();
  if (m_socketEvent == nullptr) return FALSE;
  m_commandEvent = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  if (m_commandEvent == nullptr) return FALSE;
  tzset();
  m_listenerState = LISTENER_NOT_LISTENING;
  return TRUE;
}

BOOL CServerThread::SetConnectionLimits(int maxConnections, DWORD requestTimeoutMs, DWORD idleTimeoutMs) {
  if (m_listenerState > LISTENER_NOT_LISTENING || maxConnections < 1) return FALSE;
  m_maxConnections = maxConnections;
  m_requestTimeoutMs = requestTimeoutMs;
  m_idleTimeoutMs = idleTimeoutMs;
  return TRUE;
}

BOOL CServerThread::SetRequestReader(CHttpRequestReader reader) {
  if (m_listenerState > LISTENER_NOT_LISTENING) return FALSE;
  m_registry->requestReader = std::move(reader);
  return TRUE;
}

BOOL CServerThread::SetWrittenNoticeHold(DWORD milliseconds) {
  if (m_listenerState > LISTENER_NOT_LISTENING) return FALSE;
  m_registry->writtenNoticeHoldMs = milliseconds;
  return TRUE;
}

BOOL CServerThread::PostCommand(CServerCommand* command) {
  if (command == nullptr || m_listenerState == LISTENER_NOT_INITIALISED || m_commandEvent == nullptr) return FALSE;
  CSingleLock lock(&m_queueLock);
  if (!lock.Lock(kLockTimeout)) return FALSE;
  if (static_cast<int>(m_queue.size()) >= kMaxQueuedCommands) return FALSE;
  m_queue.push_back(command);
  SetEvent(m_commandEvent);
  return TRUE;
}

// ---- Run loop ----------------------------------------------------------------------------------------

void CServerThread::WaitOnEvent() {
  if (m_listenerState != LISTENER_NOT_LISTENING) return;
  m_registry->listenerThreadId = m_nThreadID;
  m_running = true;
  while (m_running) {
    try {
      Turn();
    } catch (...) {
      // A failed turn must not stop the server.
    }
  }
}

bool CServerThread::DrainCommands() {
  // Every queued command is taken, not one per wake-up: a second command posted before the thread
  // woke would otherwise wait for a third.
  for (;;) {
    LONG result = TakeCommand();
    if (result < 0) return false;
    if (result == 0) return true;
  }
}

void CServerThread::Turn() {
  if (m_listenerState == LISTENER_NOT_LISTENING) {
    if (!DrainCommands()) {
      m_running = false;
      return;
    }
    if (m_listenerState != LISTENER_NOT_LISTENING) return;
    if (WaitForSingleObject(m_commandEvent, INFINITE) == WAIT_OBJECT_0 && !DrainCommands()) m_running = false;
    return;
  }
  if (m_acceptBackoffMs > 0) {
    WaitOutAcceptBackoff();
    return;
  }
  WSAEVENT events[2] = {m_socketEvent, m_commandEvent};
  DWORD result = WSAWaitForMultipleEvents(2, events, FALSE, WSA_INFINITE, FALSE);
  if (result == WSA_WAIT_FAILED) {
    Notify(NOTICE_ERROR, "WSAWaitForMultipleEvents failed", WSAGetLastError());
    m_running = false;
  } else if (result == WSA_WAIT_EVENT_0 + 1) {
    if (!DrainCommands()) m_running = false;
  } else if (result != WSA_WAIT_EVENT_0) {
    m_running = false;
  } else {
    WSANETWORKEVENTS events;
    if (WSAEnumNetworkEvents(m_listenSocket, m_socketEvent, &events) == SOCKET_ERROR) {
      Notify(NOTICE_ERROR, "WSAEnumNetworkEvents failed", WSAGetLastError());
      WSAResetEvent(m_socketEvent);
      return;
    }
    if (events.lNetworkEvents & FD_ACCEPT) {
      if (events.iErrorCode[FD_ACCEPT_BIT] != 0)
        Notify(NOTICE_ERROR, "WaitOnEvent: FD_ACCEPT failed", events.iErrorCode[FD_ACCEPT_BIT]);
      else
        WaitForConnection();
    }
  }
}

LONG CServerThread::TakeCommand() {
  CSingleLock lock(&m_queueLock);
  if (!lock.Lock(kLockTimeout)) return -1;
  if (m_queue.empty()) return 0;
  std::unique_ptr<CServerCommand> command(m_queue.front());
  m_queue.pop_front();
  LONG remaining = static_cast<LONG>(m_queue.size());
  lock.Unlock();
  switch (command->m_command) {
    case SERVER_CMD_LISTEN: InitAndListen(); break;
    case SERVER_CMD_IDLE_CHECK: CheckIdleHandlers(static_cast<LONG>(command->m_parameter)); break;
    case SERVER_CMD_STOP: Cleanup(); return -999;
    default: break;
  }
  return remaining;
}

// ---- Listening and accepting -------------------------------------------------------------------------

LONG CServerThread::InitAndListen() {
  if (m_listenerState != LISTENER_NOT_LISTENING) return -1;
  if (m_listenSocket != INVALID_SOCKET) {
    Notify(NOTICE_ERROR, "InitAndListen: Socket alredy connected", WSAEISCONN);
    return -2;
  }
  m_listenSocket = socket(AF_INET, SOCK_STREAM, 0);
  if (m_listenSocket == INVALID_SOCKET) {
    Notify(NOTICE_ERROR, "InitAndListen: Could not create socket handle", WSAGetLastError());
    return -3;
  }
  if (WSAEventSelect(m_listenSocket, m_socketEvent, FD_ACCEPT) == SOCKET_ERROR) {
    Notify(NOTICE_ERROR, "ConnectStart: WSAEventSelect failed", WSAGetLastError());
    return -4;
  }
  // The platform lets a restarted server bind its port again while old connections linger in
  // TIME_WAIT; here that takes SO_REUSEADDR (which still refuses a port another socket listens on).
  int reuse = 1;
  setsockopt(m_listenSocket, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof(reuse));
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  local.sin_port = htons(m_port);
  if (bind(m_listenSocket, reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0) {
    Notify(NOTICE_ERROR, "InitAndListen: Could not bind socket to local address", WSAGetLastError());
    return -5;
  }
  sockaddr_in bound{};
  socklen_t boundLength = sizeof(bound);
  if (getsockname(m_listenSocket, reinterpret_cast<sockaddr*>(&bound), &boundLength) == 0)
    m_boundPort = ntohs(bound.sin_port);
  m_listenerState = LISTENER_BOUND;
  Notify(NOTICE_INFO, "InitAndListen: Socket is bound to local address", 0);
  if (listen(m_listenSocket, kListenBacklog) != 0) {
    Notify(NOTICE_ERROR, "InitAndListen: Socket would not listen", WSAGetLastError());
    return -6;
  }
  m_listenerState = LISTENER_LISTENING;
  m_waitingReported = false;
  Notify(NOTICE_INFO, "InitAndListen: Socket ready to accept incoming connections", 0);
  return 0;
}

// A failed accept (descriptors or memory run out) would fail again at once while the connection
// waits in the backlog: the listener pauses, retries, and says so once, not at every attempt.
void CServerThread::AcceptFailed(const char* text, int error) {
  m_listenerState = LISTENER_LISTENING;
  m_acceptBackoffMs = m_acceptBackoffMs == 0 ? kFirstAcceptBackoffMs : std::min(m_acceptBackoffMs * 2, kMaxAcceptBackoffMs);
  if (m_acceptFailureReported) return;
  m_acceptFailureReported = true;
  Notify(NOTICE_ERROR, text, error);
}

void CServerThread::AcceptSucceeded() {
  m_acceptBackoffMs = 0;
  if (!m_acceptFailureReported) return;
  m_acceptFailureReported = false;
  Notify(NOTICE_INFO, "WaitForConnection: Accepting incoming connections again", 0);
}

void CServerThread::WaitOutAcceptBackoff() {
  // Only commands wake the listener meanwhile: the pending connection keeps its accept event set.
  DWORD result = WaitForSingleObject(m_commandEvent, m_acceptBackoffMs);
  if (result == WAIT_OBJECT_0) {
    if (!DrainCommands()) m_running = false;
  } else if (result == WAIT_TIMEOUT) {
    WaitForConnection();
  } else {
    Notify(NOTICE_ERROR, "WaitForSingleObject failed", static_cast<LONG>(GetLastError()));
    m_running = false;
  }
}

// Beyond the cap a connection is told the server is busy and closed, without a thread of its own.
void CServerThread::RefuseOverCap(SOCKET accepted) {
  CHttpResponse reply;
  reply.m_status = 503;
  reply.m_reason = "Service Unavailable";
  reply.m_close = true;
  HttpHeaderContext context{HTTP_SERVER_TOKEN, "", "", std::time(nullptr)};
  std::string text = BuildReplyText(reply, context);
  // A fresh socket's send buffer is empty: the short reply goes out whole or not at all.
  send(accepted, text.data(), static_cast<int>(text.size()), 0);
  shutdown(accepted, SD_SEND);
  char discard[4096];
  while (recv(accepted, discard, static_cast<int>(sizeof(discard)), 0) > 0) {
  }
  closesocket(accepted);
  if (m_overCapReported) return;
  m_overCapReported = true;
  Notify(NOTICE_ERROR, "WaitForConnection: Connection limit reached, refusing connections", m_maxConnections);
}

void CServerThread::WaitForConnection() {
  for (;;) {
    sockaddr_in from{};
    int fromLength = sizeof(from);
    SOCKET accepted = accept(m_listenSocket, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (accepted == INVALID_SOCKET) {
      int error = WSAGetLastError();
      m_listenerState = LISTENER_LISTENING;
      if (error == WSAEWOULDBLOCK) {
        AcceptSucceeded();
        if (!m_waitingReported) Notify(NOTICE_INFO, "Waiting for incoming connection", 0);
        m_waitingReported = true;
      } else if (error == WSAECONNABORTED || error == WSAECONNRESET) {
        continue;  // the peer gave up while waiting in the backlog: take the next one
      } else {
        AcceptFailed("WaitForConnection: Error accept-ing incoming connection", error);
      }
      return;
    }
    if (m_liveHandlers.Count() >= m_maxConnections) {
      RefuseOverCap(accepted);
      continue;
    }
    m_overCapReported = false;
    m_listenerState = LISTENER_ACCEPTING;
    auto* handler = new (std::nothrow) CHttpSocketThread;
    if (handler == nullptr) {
      closesocket(accepted);
      return AcceptFailed("Could not allocate new handler thread object");
    }
    // Its thread comes from the pool when it starts below; here it gets the id that names it.
    CHandlerPool::AssignId(*handler);
    if (!handler->Init(m_owner, m_handlerMessage, m_uploadFolder)) {
      delete handler;
      closesocket(accepted);
      return AcceptFailed("Could not initialize handler thread object");
    }
    handler->SetTimeouts(m_requestTimeoutMs, m_idleTimeoutMs);
    if (!handler->TakeAcceptedSocket(accepted, this, m_sessionsEnabled, &from)) {
      delete handler;  // closes the socket
      return AcceptFailed("Could not initialize handler thread object");
    }
    CSingleLock lock(&m_mapLock);
    if (!lock.Lock(kLockTimeout)) {
      // A handler outside the map could never be reached to stop it: it is not started at all.
      delete handler;
      return AcceptFailed("Timeout locking connection map");
    }
    DWORD threadId = handler->m_nThreadID;
    m_liveHandlers.Add();
    if (!CHandlerPool::Instance().Run(handler, kHandlerStackSize)) {
      m_liveHandlers.Done();
      delete handler;
      return AcceptFailed("Could not create handler thread object");
    }
    if (!m_handlers.emplace(threadId, handler).second) Notify(NOTICE_ERROR, "Error adding entry to connection map", 0);
    LONG count = static_cast<LONG>(m_handlers.size());
    lock.Unlock();
    char text[64];
    std::snprintf(text, sizeof(text), "Handler thread 0x%x", static_cast<unsigned>(threadId));
    Notify(NOTICE_INFO, text, count);
  }
}

// ---- Handlers ------------------------------------------------------------------------------------------

LONG CServerThread::RemoveHandler(DWORD threadId) { return m_registry->Remove(threadId); }

void CServerThread::HandlerEnded(DWORD threadId) { m_registry->HandlerEnded(threadId); }

LONG CServerThread::CheckIdleHandlers(LONG seconds) {
  CSingleLock lock(&m_mapLock);
  if (!lock.Lock(kLockTimeout)) return -1;
  for (auto& [id, handler] : m_handlers) {
    CHttpCommand* check = CHttpCommand::IdleCheck(seconds);
    if (!handler->PostCommand(check)) delete check;
  }
  return 0;
}

BOOL CServerThread::PostToHandler(DWORD threadId, CHttpCommand* command) {
  CSingleLock lock(&m_mapLock);
  if (!lock.Lock(kLockTimeout)) return FALSE;
  auto it = m_handlers.find(threadId);
  if (it == m_handlers.end()) return FALSE;
  return it->second->PostCommand(command);
}

BOOL CServerThread::GetHandlerRequestParams(DWORD threadId, RequestParamMap& params) {
  CSingleLock lock(&m_mapLock);
  if (!lock.Lock(kLockTimeout)) return FALSE;
  auto it = m_handlers.find(threadId);
  if (it == m_handlers.end()) return FALSE;
  return it->second->CopyRequestParams(params);
}

int CServerThread::GetHandlerCount() {
  CSingleLock lock(&m_mapLock);
  if (!lock.Lock(kLockTimeout)) return -1;
  return static_cast<int>(m_handlers.size());
}

int CServerThread::PostEndToHandlers() {
  CSingleLock lock(&m_mapLock);
  if (!lock.Lock(kLockTimeout)) return -1;
  for (auto& [id, handler] : m_handlers) {
    auto* end = new CHttpCommand(HTTP_CMD_END);
    if (!handler->PostCommand(end)) delete end;
  }
  return static_cast<int>(m_handlers.size());
}

bool CServerThread::WaitForHandlers(int milliseconds) { return m_liveHandlers.WaitForZero(milliseconds); }

void CServerThread::CloseAll() {
  int count = PostEndToHandlers();
  if (count <= 0) return;
  // Waits at most about 10 s, but returns as soon as the last handler has gone.
  for (int waited = 0; waited < kCloseWaitMs; waited += kRepostIntervalMs) {
    if (WaitForHandlers(kRepostIntervalMs)) return;
    PostEndToHandlers();  // one that had a full queue gets another chance
  }
}

void CServerThread::Cleanup() {
  m_noticesOn = false;
  m_listenerState = LISTENER_NOT_LISTENING;
  if (m_listenSocket != INVALID_SOCKET) closesocket(m_listenSocket);
  m_listenSocket = INVALID_SOCKET;
  if (m_socketEvent) WSACloseEvent(m_socketEvent);
  m_socketEvent = nullptr;
  CloseAll();
  {
    CSingleLock lock(&m_queueLock);
    if (lock.Lock(kLockTimeout)) {
      for (CServerCommand* command : m_queue) delete command;
      m_queue.clear();
    }
  }
  m_cleanedUp = true;
  if (!m_exitNoticeSent) {
    m_exitNoticeSent = true;
    if (m_owner) PostMessage(m_owner, m_serverMessage, NOTICE_THREAD_ENDING, static_cast<LPARAM>(m_nThreadID));
  }
}

void CServerThread::Notify(WPARAM code, const CString& text, LONG value) { m_registry->Notify(code, text, value); }
