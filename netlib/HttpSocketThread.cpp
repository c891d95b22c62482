#include "netlib/HttpSocketThread.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "netlib/ClientSocketManager.h"
#include "netlib/HandlerRegistry.h"
#include "netlib/HttpWriter.h"
#include "netlib/ServerThread.h"
#include "netlib/Sessions.h"
#include "platform/core/DateTime.h"
#include "platform/core/Paths.h"
#include "platform/ui/WinUser.h"

namespace {

constexpr int kBufferSize = 4096;
// A file reply goes out in chunks of this size: each is one read of the file and one send, so large
// chunks keep a long reply from costing a system call pair per page.
constexpr size_t kFileChunkSize = 64 * 1024;
constexpr long kConnectionEvents = FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE;
// Bytes a closing connection still reads and drops after it has shut down its sending side.
constexpr int kMaxDrainBytes = 1 << 20;

CString PeerText(const sockaddr_in& peer) {
  char address[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &peer.sin_addr, address, sizeof(address));
  return CString("Address: ") + address + ", Port: " + CString(std::to_string(ntohs(peer.sin_port)));
}

ULONGLONG FileTimeValue(const FILETIME& time) {
  return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

CHttpSocketThread::CHttpSocketThread() : CWinThread(&CHttpSocketThread::ThreadProc, this) {
  m_bAutoDelete = TRUE;
  m_paramCursor = m_params.end();
}

CHttpSocketThread::~CHttpSocketThread() {
  Cleanup(false);
  if (m_commandEvent) CloseHandle(m_commandEvent);
}

UINT CHttpSocketThread::ThreadProc(LPVOID param) {
  static_cast<CHttpSocketThread*>(param)->WaitOnEvent();
  return 0;
}

BOOL CHttpSocketThread::Init(HWND owner, UINT noticeMessage, const CString& uploadFolder) {
  if (m_linkState != LINK_NOT_INITIALISED) return FALSE;
  m_owner = owner;
  m_noticeMessage = noticeMessage;
  m_uploadFolder = uploadFolder;
  m_socketEvent = WSACreateEvent();
  if (m_socketEvent == nullptr) return FALSE;
  m_commandEvent = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  if (m_commandEvent == nullptr) return FALSE;
  // The listener resets the time-zone information whenever it starts; doing it again for every
  // connection would read the zone file once per request.
  static std::once_flag zoneRead;
  std::call_once(zoneRead, [] { tzset(); });
  Renew();
  InstallUploadSink();
  m_linkState = LINK_NO_SOCKET;
  return TRUE;
}

BOOL CHttpSocketThread::SetSocket(SOCKET s, CServerThread* server, BOOL sessionsEnabled) {
  if (m_linkState != LINK_NO_SOCKET) return FALSE;
  m_socket = s;
  m_hadSocket = true;
  if (server) m_handlers = server->GetRegistry();
  m_sessionsEnabled = sessionsEnabled != FALSE;
  if (WSAEventSelect(s, m_socketEvent, kConnectionEvents) == SOCKET_ERROR) {
    NotifyError("SetSocket: WSAEventSelect failed", WSAGetLastError());
    return FALSE;
  }
  OnConnected();
  Renew();
  return TRUE;
}

void CHttpSocketThread::SetTimeouts(DWORD requestTimeoutMs, DWORD idleTimeoutMs) {
  m_requestTimeoutMs = requestTimeoutMs;
  m_idleTimeoutMs = idleTimeoutMs;
}

BOOL CHttpSocketThread::TakeAcceptedSocket(SOCKET s, CServerThread* server, BOOL sessionsEnabled,
                                           const sockaddr_in* peer) {
  if (m_linkState != LINK_NO_SOCKET || s == INVALID_SOCKET) return FALSE;
  if (peer && peer->sin_family == AF_INET) m_acceptedPeer = *peer;
  m_socket = s;
  m_hadSocket = true;
  m_selectPending = true;
  if (server) m_handlers = server->GetRegistry();
  m_sessionsEnabled = sessionsEnabled != FALSE;
  return TRUE;
}

bool CHttpSocketThread::SelectTakenSocket() {
  m_selectPending = false;
  if (WSAEventSelect(m_socket, m_socketEvent, kConnectionEvents) == SOCKET_ERROR) {
    NotifyError("SetSocket: WSAEventSelect failed", WSAGetLastError());
    closesocket(m_socket);
    m_socket = INVALID_SOCKET;
    return false;
  }
  OnConnected();
  // A client sends its request with the connection: it is usually here already.
  m_readPending = true;
  Renew();
  return true;
}

BOOL CHttpSocketThread::SetClientManager(CClientSocketManager* manager) {
  if (m_linkState != LINK_NO_SOCKET) return FALSE;
  if (manager) m_clients = manager->GetRegistry();
  Renew();
  return TRUE;
}

BOOL CHttpSocketThread::PostCommand(CHttpCommand* command) {
  if (command == nullptr || m_linkState == LINK_NOT_INITIALISED || m_commandEvent == nullptr) return FALSE;
  CSingleLock lock(&m_queueLock);
  if (!lock.Lock(kLockTimeout)) return FALSE;
  if (static_cast<int>(m_queue.size()) >= kMaxQueuedCommands) return FALSE;
  m_queue.push_back(command);
  // The block is queued and the thread drains its queue at every turn, so it is taken even when
  // waking the thread fails; the block is never the caller's and the queue's at once.
  SetEvent(m_commandEvent);
  return TRUE;
}

LONG CHttpSocketThread::GetState() {
  CSingleLock lock(&m_stateLock);
  if (!lock.Lock(kLockTimeout)) return -1;
  return m_connectionState;
}

int CHttpSocketThread::GetQueuedCount() {
  CSingleLock lock(&m_queueLock, TRUE);
  return static_cast<int>(m_queue.size());
}

void CHttpSocketThread::SetConnectionState(LONG state) {
  CSingleLock lock(&m_stateLock);
  if (lock.Lock(kLockTimeout)) m_connectionState = state;
}

// ---- Run loop ----------------------------------------------------------------------------------------

void CHttpSocketThread::WaitOnEvent() {
  if (m_linkState == LINK_NOT_INITIALISED) return;
  if (m_selectPending) SelectTakenSocket();
  m_running = true;
  while (m_running) {
    try {
      Turn();
    } catch (...) {
      // One failed turn must not end the connection; the next turn starts afresh.
    }
  }
  // The last touch of the registries: after this the listener or the map may go.
  if (m_handlers) m_handlers->HandlerEnded(m_nThreadID);
  if (m_clients) m_clients->ClientEnded(m_nThreadID);
}

bool CHttpSocketThread::DrainCommands() {
  for (;;) {
    LONG result = TakeCommand();
    if (result < 0) return false;
    if (result == 0) return true;
  }
}

void CHttpSocketThread::Turn() {
  if (m_linkState == LINK_NO_SOCKET) {
    // A handler lives for its one connection: once it is closed there is nothing left to do.
    if (m_handlers && m_hadSocket) {
      Cleanup(true);
      m_running = false;
      return;
    }
    if (!DrainCommands()) {
      m_running = false;
      return;
    }
    if (m_linkState != LINK_NO_SOCKET) return;
    if (WaitForSingleObject(m_commandEvent, INFINITE) == WAIT_OBJECT_0 && !DrainCommands()) m_running = false;
    return;
  }
  if (m_closePending && !OwesReplyBeforeClosing()) {
    CloseSocket();
    Renew();
    return;
  }
  if (!DrainCommands()) {
    m_running = false;
    return;
  }
  if (m_linkState == LINK_NO_SOCKET) return;
  if (m_closePending && !OwesReplyBeforeClosing()) return;  // closed at the next turn
  if (m_linkState == LINK_IDLE && (m_readPending || (m_parseState == 0 && m_parser.HasLeftover()))) {
    m_readPending = false;
    BeginReading();
    ParseHTTP();
    return;
  }
  // Also a half-closed peer that is owed a reply sleeps here: its ended socket reports nothing more,
  // so only the reply command (or the write it starts) wakes the thread.
  WaitForEvents();
}

// A peer that ended only its sending side still reads: what it asked for before goes out first.
bool CHttpSocketThread::OwesReplyBeforeClosing() const {
  if (!m_peerHalfClosed) return false;
  const LONG state = m_linkState;
  if (state == LINK_AWAITING_REPLY || state == LINK_WRITING) return true;
  return state == LINK_IDLE && (m_readPending || (m_parseState == 0 && m_parser.HasLeftover()));
}

void CHttpSocketThread::BeginReading() {
  m_linkState = LINK_READING;
  m_parseState = 0;
  m_messageStart = std::chrono::steady_clock::now();
  MarkProgress();
}

// How long the thread may sleep before the current stage of an inbound connection times out. The
// header must arrive whole within the request time-out; a body or a reply must not stall for longer.
DWORD CHttpSocketThread::MillisecondsToTimeout() const {
  if (!m_handlers) return INFINITE;
  using namespace std::chrono;
  steady_clock::time_point deadline;
  switch (m_linkState.load()) {
    case LINK_READING:
      if (m_requestTimeoutMs == 0) return INFINITE;
      deadline = (m_parser.InHeader() ? m_messageStart : m_lastProgress) + milliseconds(m_requestTimeoutMs);
      break;
    case LINK_WRITING:
      if (m_requestTimeoutMs == 0) return INFINITE;
      deadline = m_lastProgress + milliseconds(m_requestTimeoutMs);
      break;
    case LINK_IDLE:
      if (m_idleTimeoutMs == 0) return INFINITE;
      deadline = m_lastProgress + milliseconds(m_idleTimeoutMs);
      break;
    default:
      return INFINITE;  // a request with the owner: its reply is the owner's business
  }
  auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
  return left <= 0 ? 0 : static_cast<DWORD>(std::min<long long>(left, INFINITE - 1));
}

void CHttpSocketThread::OnTimeout() {
  const LONG state = m_linkState;
  if (state == LINK_READING) {
    NotifyInfo("ParseHTTP: Request timed out");
    m_parseState = 0;
    m_readPending = false;
    m_closeAfterWrite = true;
    CloseUpload(false);
    AnswerFault(408, "Request Timeout");
  } else if (state == LINK_WRITING) {
    NotifyInfo("WriteHttpOutput: Reply timed out");
    CloseSocket();
  } else if (state == LINK_IDLE) {
    NotifyInfo("Idle connection timed out");
    CloseSocket();
  }
}

void CHttpSocketThread::WaitForEvents() {
  WSAEVENT events[2] = {m_socketEvent, m_commandEvent};
  DWORD result = WSAWaitForMultipleEvents(2, events, FALSE, std::min(MillisecondsToTimeout(), MillisecondsToPostHeld()), FALSE);
  if (result == WSA_WAIT_TIMEOUT) {
    if (MillisecondsToPostHeld() == 0) PostHeldWritten();
    if (MillisecondsToTimeout() == 0) OnTimeout();
  } else if (result == WSA_WAIT_FAILED) {
    NotifyError("WSAWaitForMultipleEvents failed (Internal Error)", 0);
    CloseSocket();
    Renew();
  } else if (result == WSA_WAIT_EVENT_0 + 1) {
    if (TakeCommand() < 0) m_running = false;
  } else if (result != WSA_WAIT_EVENT_0) {
    NotifyError("Internal Error - WSAWaitForMultipleEvents returned an invalid value", static_cast<LONG>(result));
    CloseSocket();
    Renew();
    m_running = false;
  } else {
    HandleNetworkEvents();
  }
}

void CHttpSocketThread::HandleNetworkEvents() {
  WSANETWORKEVENTS events;
  if (m_socket == INVALID_SOCKET || WSAEnumNetworkEvents(m_socket, m_socketEvent, &events) == SOCKET_ERROR) {
    if (m_socket != INVALID_SOCKET) NotifyError("WSAEnumNetworkEvents failed", WSAGetLastError());
    WSAResetEvent(m_socketEvent);  // a stale signal must not wake the thread again and again
    return;
  }
  const long happened = events.lNetworkEvents;
  if (happened & FD_CLOSE) {
    m_closePending = true;
    // A peer that only ended its sending side still reads: the reply to its last request goes out
    // before the connection closes. A reset closes at once.
    m_peerHalfClosed = events.iErrorCode[FD_CLOSE_BIT] == 0;
  }
  if (happened & FD_CONNECT) {
    int error = events.iErrorCode[FD_CONNECT_BIT];
    if (error != 0) {
      closesocket(m_socket);
      m_socket = INVALID_SOCKET;
      m_linkState = LINK_NO_SOCKET;
      SetConnectionState(CONNECTION_CLOSED);
      NotifyError("WaitOnEvent: FD_CONNECT failed", error);
      return;
    }
    OnConnected();
  }
  if (happened & FD_WRITE) {
    int error = events.iErrorCode[FD_WRITE_BIT];
    if (error != 0) {
      NotifyError("WaitOnEvent: FD_WRITE failed", error);
      if (m_outgoingFile) std::fclose(m_outgoingFile);
      m_outgoingFile = nullptr;
      m_linkState = LINK_IDLE;
    } else if (m_linkState == LINK_WRITING) {
      if (m_outgoingFile)
        WriteFileOutput();
      else
        WriteHttpOutput();
    }
  }
  if (happened & FD_READ) {
    int error = events.iErrorCode[FD_READ_BIT];
    if (error != 0) {
      NotifyError("WaitOnEvent: FD_READ failed", error);
      m_linkState = LINK_IDLE;
    } else if (m_linkState == LINK_IDLE) {
      BeginReading();
      ParseHTTP();
    } else if (m_linkState == LINK_READING) {
      ParseHTTP();
    } else {
      m_readPending = true;
    }
  }
  Renew();
}

LONG CHttpSocketThread::TakeCommand() {
  CSingleLock lock(&m_queueLock);
  if (!lock.Lock(kLockTimeout)) return -1;
  if (m_queue.empty()) return 0;
  // While a message is being read or written, other commands wait for it; a close or an end goes
  // ahead of them, wherever it stands in the queue.
  auto next = m_queue.begin();
  if (m_linkState == LINK_READING || m_linkState == LINK_WRITING) {
    next = std::find_if(m_queue.begin(), m_queue.end(), [](const CHttpCommand* queued) {
      return queued->Command() == HTTP_CMD_CLOSE || queued->Command() == HTTP_CMD_END;
    });
    if (next == m_queue.end()) return 0;
  }
  CHttpCommand* command = *next;
  m_queue.erase(next);
  LONG remaining = static_cast<LONG>(m_queue.size());
  lock.Unlock();
  std::unique_ptr<CHttpCommand> owned(command);
  LONG result = RunCommand(*owned);
  return result == -999 ? -999 : remaining;
}

LONG CHttpSocketThread::RunCommand(CHttpCommand& command) {
  switch (command.Command()) {
    case HTTP_CMD_CONNECT:
      if (CHttpConnect* connect = command.TakeConnect()) ConnectStart(connect);
      Renew();
      return 0;
    case HTTP_CMD_WRITE_REQUEST:
      m_closeAfterWrite = false;
      if (CHttpRequest* request = command.TakeRequest()) HTTPWriteReq(request);
      Renew();
      return 0;
    case HTTP_CMD_WRITE_REPLY:
      if (CHttpResponse* reply = command.TakeReply()) {
        m_closeAfterWrite = reply->m_close;
        if (!reply->m_url.IsEmpty())
          WriteHttpFile(reply);
        else
          HTTPWriteResp(reply);
      }
      Renew();
      return 0;
    case HTTP_CMD_CLOSE:
      CloseSocket();
      Renew();
      return 0;
    case HTTP_CMD_IDLE_CHECK: {
      std::unique_ptr<LONG> seconds(command.TakeSeconds());
      return (seconds && CheckIdle(*seconds) == 1) ? -999 : 0;
    }
    case HTTP_CMD_END:
      Cleanup(true);
      return -999;
    default:
      return 0;
  }
}

// ---- Connection ----------------------------------------------------------------------------------------

LONG CHttpSocketThread::ConnectStart(CHttpConnect* target) {
  m_remoteHost = target->m_host;
  m_remotePort = target->m_port;
  delete target;
  if (m_linkState == LINK_CONNECTING) return 0;
  if (m_socket != INVALID_SOCKET) {
    NotifyError("ConnectStart: Socket alredy connected", WSAEISCONN);
    return -1;
  }
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) {
    NotifyError("ConnectStart: Could not create socket handle", WSAGetLastError());
    return -2;
  }
  if (WSAEventSelect(s, m_socketEvent, kConnectionEvents) == SOCKET_ERROR) {
    NotifyError("ConnectStart: WSAEventSelect failed", WSAGetLastError());
    closesocket(s);
    return -3;
  }
  m_remoteAddress = sockaddr_in{};
  m_remoteAddress.sin_family = AF_INET;
  m_remoteAddress.sin_port = htons(m_remotePort);
  in_addr_t dotted = inet_addr(m_remoteHost);
  if (dotted != INADDR_NONE) {
    m_remoteAddress.sin_addr.s_addr = dotted;
  } else {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(m_remoteHost, nullptr, &hints, &found) != 0 || found == nullptr) {
      WSASetLastError(WSAHOST_NOT_FOUND);
      NotifyError("ConnectStart: Name resolution failed", WSAGetLastError());
      closesocket(s);  // a socket left here would make every later connect "already connected"
      return -4;
    }
    m_remoteAddress.sin_addr = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
  }
  m_socket = s;
  m_hadSocket = true;
  m_linkState = LINK_CONNECTING;
  char address[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &m_remoteAddress.sin_addr, address, sizeof(address));
  NotifyInfo(CString("Address: ") + address);
  if (connect(m_socket, reinterpret_cast<sockaddr*>(&m_remoteAddress), static_cast<int>(sizeof(m_remoteAddress))) == 0) {
    OnConnected();
    return 0;
  }
  int error = WSAGetLastError();
  if (error == WSAEWOULDBLOCK) {
    CSingleLock lock(&m_stateLock);
    if (!lock.Lock(kLockTimeout)) return -6;
    m_connectionState = CONNECTION_CONNECTING;
    return 0;
  }
  NotifyError("ConnectStart: Error connecting to remote host", error);
  closesocket(m_socket);
  m_socket = INVALID_SOCKET;
  m_linkState = LINK_NO_SOCKET;
  m_parseState = 0;
  return -5;
}

void CHttpSocketThread::OnConnected() {
  m_parseState = 0;
  m_closePending = false;
  m_readPending = false;
  m_linkState = LINK_IDLE;
  MarkProgress();
  m_parser = CHttpMessageParser();  // a new connection starts a new stream
  InstallUploadSink();
  // The listener knows the peer from accepting it; any other socket is asked.
  sockaddr_in peer = m_acceptedPeer;
  socklen_t length = sizeof(peer);
  bool known = peer.sin_family == AF_INET ||
               getpeername(m_socket, reinterpret_cast<sockaddr*>(&peer), &length) == 0;
  m_acceptedPeer = sockaddr_in{};
  CString text = known ? PeerText(peer) : CString("NO PEER CONNECTION INFO AVAILABLE");
  CSingleLock lock(&m_stateLock);
  if (!lock.Lock(kLockTimeout)) return;
  m_connectionState = CONNECTION_CONNECTED;
  lock.Unlock();
  NotifyInfo(text);
}

void CHttpSocketThread::CloseSocket() {
  SetConnectionState(CONNECTION_CLOSED);
  if (m_socket == INVALID_SOCKET) return;
  if (shutdown(m_socket, SD_SEND) == 0) {
    char discard[kBufferSize];
    int drained = 0;
    for (;;) {
      int got = recv(m_socket, discard, kBufferSize, 0);
      if (got <= 0) break;
      drained += got;
      if (drained > kMaxDrainBytes) break;
    }
  }
  closesocket(m_socket);
  m_socket = INVALID_SOCKET;
  m_linkState = LINK_NO_SOCKET;
  m_closePending = false;
  m_peerHalfClosed = false;
  m_readPending = false;
  m_pendingOutput.clear();
  m_outputOffset = 0;
  if (m_outgoingFile) std::fclose(m_outgoingFile);
  m_outgoingFile = nullptr;
  CloseUpload(false);
  NotifyInfo("Socket closed");
}

int CHttpSocketThread::CheckIdle(LONG seconds) {
  if (std::difftime(std::time(nullptr), m_lastActivity) <= seconds) return 0;
  PostThreadIdNotice(NOTICE_IDLE_CLOSED);
  Cleanup(true);
  return 1;
}

void CHttpSocketThread::Cleanup(bool orderly) {
  if (m_noticesOn) PostHeldWritten();
  m_noticesOn = false;
  if (orderly) {
    CloseSocket();
  } else if (m_socket != INVALID_SOCKET) {
    closesocket(m_socket);
    m_socket = INVALID_SOCKET;
    if (m_linkState != LINK_NOT_INITIALISED) m_linkState = LINK_NO_SOCKET;
  }
  if (m_outgoingFile) std::fclose(m_outgoingFile);
  m_outgoingFile = nullptr;
  CloseUpload(false);
  if (m_socketEvent) WSACloseEvent(m_socketEvent);
  m_socketEvent = nullptr;
  {
    CSingleLock lock(&m_queueLock);
    if (lock.Lock(kLockTimeout)) {
      for (CHttpCommand* command : m_queue) delete command;
      m_queue.clear();
    }
  }
  if (!m_exitNoticeSent && m_linkState != LINK_NOT_INITIALISED) {
    m_exitNoticeSent = true;
    PostThreadIdNotice(NOTICE_THREAD_ENDING);
  }
}

// ---- Reading ----------------------------------------------------------------------------------------------

int CHttpSocketThread::ReadSocket(char* buffer, int size) {
  int got = recv(m_socket, buffer, size, 0);
  if (got >= 0) return got;
  int error = WSAGetLastError();
  if (error == WSAEWOULDBLOCK) return -1;
  NotifyError("ReadSocket: Error on recv() function", error);
  return -2;
}

void CHttpSocketThread::ParseHTTP() {
  using Status = CHttpMessageParser::Status;
  Status status = Status::NeedMore;
  if (m_parseState == 0) {
    m_parseState = 1;
    status = m_parser.NextMessage();
  }
  char buffer[kBufferSize];
  while (status == Status::NeedMore) {
    if (m_parser.TakeContinueDue()) SendContinue();
    int got = ReadSocket(buffer, kBufferSize);
    if (got == -1) {
      // Resumed at the next read event. Nothing of a new message yet: the connection is idle, not
      // reading (commands are taken, and the idle time-out applies rather than the request's).
      if (m_parser.AtMessageStart()) {
        m_linkState = LINK_IDLE;
        m_parseState = 0;
      }
      return;
    }
    if (got > 0) MarkProgress();
    if (got == -2) {
      // The connection is broken; nothing more will come.
      m_linkState = LINK_IDLE;
      m_parseState = 0;
      m_closePending = true;
      return;
    }
    status = got == 0 ? m_parser.EndOfStream() : m_parser.Feed(buffer, static_cast<size_t>(got));
  }
  m_parseState = 0;
  if (status == Status::Complete) {
    OnMessageComplete();
  } else if (status == Status::Invalid) {
    OnInvalidMessage();
  } else {  // the peer ended between messages
    m_linkState = LINK_IDLE;
    m_closePending = true;
  }
}

// The interim answer is sent straight away: the reply before it has gone out whole (the connection
// reads only once it has), so nothing else is queued on the socket and the few bytes fit.
void CHttpSocketThread::SendContinue() {
  static constexpr char kContinue[] = "HTTP/1.1 100 Continue\r\n\r\n";
  constexpr int size = static_cast<int>(sizeof(kContinue) - 1);
  int sent = send(m_socket, kContinue, size, 0);
  if (sent != size) NotifyError("SendContinue: Error on send() function", sent < 0 ? WSAGetLastError() : 0);
}

void CHttpSocketThread::FindOrCreateSession() {
  if (!m_handlers) return;
  CSessionManager* manager = &m_handlers->sessions;
  if (m_parser.HasCookieHeader()) {
    auto cookie = m_parser.Cookies().find("TLWSESSIONID");
    if (cookie != m_parser.Cookies().end() && cookie->second.GetLength() >= 21)
      m_session = manager->FindSessionByCookie(cookie->second);
  }
  DWORD method = m_parser.MethodCode();
  if ((method == HTTP_METHOD_GET || method == HTTP_METHOD_POST) && !m_session && m_sessionsEnabled) {
    m_session = manager->CreateSession();
    if (m_session) {
      m_sessionIsNew = true;
      LONG id = m_session->GetId();
      Notify(NOTICE_SESSION, CString("SessionID: ") + CString(std::to_string(id)), id);
    }
  }
}

CHttpResponse* CHttpSocketThread::MakeMessageBlock() {
  auto* block = new CHttpResponse;
  block->m_status = m_parser.StatusCode();
  block->m_methodText = m_parser.MethodText();
  block->m_methodCode = m_parser.MethodCode();
  block->m_session = m_session;
  block->m_sessionIsNew = m_sessionIsNew;
  block->m_url = m_parser.Url();
  block->m_body = m_parser.IsUpload() ? CString() : CString(m_parser.Body());
  block->m_contentType = m_parser.ContentType();
  block->m_ifModifiedSince = m_parser.IfModifiedSince();
  block->m_close = m_parser.CloseFlag();
  block->m_threadId = m_nThreadID;
  block->m_thread = this;
  return block;
}

void CHttpSocketThread::DecodeParameters(std::string_view input) {
  CSingleLock lock(&m_paramLock);
  if (!lock.Lock(kLockTimeout)) return;
  m_params.clear();
  DecodeFormPairs(input, m_params);
  m_paramCursor = m_params.end();
}

void CHttpSocketThread::OnMessageComplete() {
  m_linkState = LINK_IDLE;
  m_sessionIsNew = false;
  m_lastMethodText = m_parser.MethodText();
  m_lastUrl = m_parser.Url();
  m_lastIfModifiedSince = m_parser.IfModifiedSince();
  FindOrCreateSession();
  const DWORD method = m_parser.MethodCode();
  // Bytes of a following message wait until this one is answered.
  if (m_parser.HasLeftover()) m_readPending = true;
  switch (method) {
    case HTTP_METHOD_GET:
    case HTTP_METHOD_POST:
    case HTTP_METHOD_PUT: {
      if (!m_owner) return;
      CHttpResponse* block = MakeMessageBlock();
      if (method == HTTP_METHOD_GET) {
        int query = m_lastUrl.Find('?');
        if (query >= 0) {
          DecodeParameters(m_lastUrl.view().substr(static_cast<size_t>(query) + 1));
          m_lastUrl = m_lastUrl.Left(query);
        }
      } else if (method == HTTP_METHOD_POST && m_parser.ContentType() == "APPLICATION/X-WWW-FORM-URLENCODED") {
        DecodeParameters(m_parser.Body());
      }
      if (m_handlers && m_handlers->requestReader) block->m_read = m_handlers->requestReader(*block);
      block->m_written = std::move(m_heldWritten);
      if (PostBlock(NOTICE_REQUEST, reinterpret_cast<LPARAM>(block))) m_linkState = LINK_AWAITING_REPLY;
      return;
    }
    case HTTP_METHOD_RESPONSE:
      if (m_owner) PostBlock(NOTICE_RESPONSE, reinterpret_cast<LPARAM>(MakeMessageBlock()));
      return;
    default:
      // Methods nobody answers still get an answer, so the client is not left waiting.
      m_closeAfterWrite = m_parser.CloseFlag();
      AnswerFault(501, "Not Implemented");
      return;
  }
}

void CHttpSocketThread::OnInvalidMessage() {
  NotifyError("ParseHTTP: An invalid HTTP message was detected", -1);
  m_linkState = LINK_IDLE;
  m_readPending = false;
  if (m_clients || m_parser.GetFault() == CHttpMessageParser::Fault::Truncated) {
    // A broken response, or a peer that went away mid-message: nobody is left to answer.
    m_closePending = true;
    return;
  }
  // The rest of the message is never read, so the connection cannot carry another one.
  m_closeAfterWrite = true;
  auto fault = m_parser.GetFault();
  AnswerFault(CHttpMessageParser::FaultStatus(fault), CHttpMessageParser::FaultReason(fault));
}

void CHttpSocketThread::AnswerFault(int status, const char* reason) {
  auto* reply = new CHttpResponse;
  reply->m_status = status;
  reply->m_reason = reason;
  reply->m_close = m_closeAfterWrite;
  HTTPWriteResp(reply);
}

void CHttpSocketThread::InstallUploadSink() {
  // Without an upload folder (every outbound connection) the parser refuses PUT requests.
  HttpUploadSink sink;
  if (!m_uploadFolder.IsEmpty()) {
    sink.open = [this](const CString& url) { return OpenUpload(url); };
    sink.write = [this](const char* data, size_t size) { return WriteUpload(data, size); };
    sink.close = [this](bool complete) { CloseUpload(complete); };
  }
  m_parser.SetUploadSink(sink);
}

bool CHttpSocketThread::OpenUpload(const CString& url) {
  CloseUpload(false);
  int cut = std::max(url.ReverseFind('\\'), url.ReverseFind('/'));
  CString name = cut >= 0 ? url.Mid(cut + 1) : url;
  CString path;
  if (!qh::JoinUnderFolder(m_uploadFolder, name, path)) return false;
  std::string hostPath = qh::HostPathOf(path);
  if (hostPath.empty()) return false;
  // The body goes to a file beside the target and replaces it only when it is complete, so an
  // aborted upload leaves the earlier file as it was.
  std::string tempPath = hostPath + ".upload-" + std::to_string(m_nThreadID);
  m_uploadFile = std::fopen(tempPath.c_str(), "wb");
  if (!m_uploadFile) return false;
  m_uploadHostPath = hostPath;
  m_uploadTempPath = tempPath;
  return true;
}

bool CHttpSocketThread::WriteUpload(const char* data, size_t size) {
  if (!m_uploadFile) return false;
  if (std::fwrite(data, 1, size, m_uploadFile) == size) return true;
  CloseUpload(false);
  return false;
}

void CHttpSocketThread::CloseUpload(bool keep) {
  if (!m_uploadFile) return;
  bool written = std::fclose(m_uploadFile) == 0;
  m_uploadFile = nullptr;
  if (keep && written && std::rename(m_uploadTempPath.c_str(), m_uploadHostPath.c_str()) == 0) return;
  std::remove(m_uploadTempPath.c_str());
}

// ---- Writing ---------------------------------------------------------------------------------------------

bool CHttpSocketThread::StartWriting(const char* who) {
  if (m_socket == INVALID_SOCKET) {
    m_linkState = LINK_NO_SOCKET;
    NotifyError(CString(who) + ": Socket not connected", WSAENOTCONN);
    return false;
  }
  m_linkState = LINK_WRITING;
  MarkProgress();
  if (m_outgoingFile) std::fclose(m_outgoingFile);
  m_outgoingFile = nullptr;
  return true;
}

LONG CHttpSocketThread::HTTPWriteReq(CHttpRequest* request) {
  std::unique_ptr<CHttpRequest> owned(request);
  if (!StartWriting("HTTPWriteReq")) return -1;
  HttpHeaderContext context{m_serverToken, m_remoteHost, "", std::time(nullptr)};
  m_pendingOutput = BuildRequestText(*owned, context);
  m_outputOffset = 0;
  m_bytesWritten = 0;
  return WriteHttpOutput();
}

LONG CHttpSocketThread::HTTPWriteResp(CHttpResponse* reply) {
  std::unique_ptr<CHttpResponse> owned(reply);
  if (!StartWriting("HTTPWriteResp")) return -1;
  m_status = owned->m_status;
  if (owned->m_bodyMaker) owned->m_body = owned->m_bodyMaker->Make();
  HttpHeaderContext context{m_serverToken, m_remoteHost, "", std::time(nullptr)};
  if (m_session && m_sessionIsNew) context.setCookie = m_session->CookieValue();
  m_pendingOutput = BuildReplyText(*owned, context);
  m_outputOffset = 0;
  m_bytesWritten = 0;
  return WriteHttpOutput();
}

LONG CHttpSocketThread::WriteHttp304Resp(CHttpResponse* reply) {
  std::unique_ptr<CHttpResponse> owned(reply);
  if (!StartWriting("WriteHttp304Resp")) return -1;
  m_status = owned->m_status;
  HttpHeaderContext context{m_serverToken, m_remoteHost, "", std::time(nullptr)};
  m_pendingOutput = BuildNotModifiedText(*owned, context);
  m_outputOffset = 0;
  m_bytesWritten = 0;
  return WriteHttpOutput();
}

LONG CHttpSocketThread::WriteHttpFile(CHttpResponse* reply) {
  std::unique_ptr<CHttpResponse> owned(reply);
  if (!StartWriting("WriteHttpFile")) return -1;
  auto notFound = [&]() {
    owned->m_status = 404;
    owned->m_reason = "Not Found";
    owned->m_contentType.Empty();
    owned->m_body.Empty();
    owned->m_url.Empty();
    return HTTPWriteResp(owned.release());
  };
  std::string hostPath = qh::HostPathOf(owned->m_url);
  if (hostPath.empty()) return notFound();
  // The size and time are read from the open file, so the length the header announces is the one of
  // the file being sent even when the name is replaced meanwhile.
  m_outgoingFile = std::fopen(hostPath.c_str(), "rb");
  struct stat info{};
  if (!m_outgoingFile || fstat(fileno(m_outgoingFile), &info) != 0 || !S_ISREG(info.st_mode)) {
    if (m_outgoingFile) std::fclose(m_outgoingFile);
    m_outgoingFile = nullptr;
    return notFound();
  }
  FILETIME lastWrite = qh::FileTimeFromUnix(static_cast<long long>(info.st_mtim.tv_sec), 0);  // whole seconds
  // An owner that does not copy the request's If-Modified-Since into its reply still gets 304s.
  ULONGLONG since = FileTimeValue(owned->m_ifModifiedSince);
  if (since == 0) since = FileTimeValue(m_lastIfModifiedSince);
  if (since != 0 && FileTimeValue(lastWrite) <= since) {
    std::fclose(m_outgoingFile);
    m_outgoingFile = nullptr;
    owned->m_status = 304;
    owned->m_reason = "Not Modified";
    owned->m_contentType.Empty();
    owned->m_body.Empty();
    owned->m_url.Empty();
    return WriteHttp304Resp(owned.release());
  }
  m_status = owned->m_status;
  HttpHeaderContext context{m_serverToken, m_remoteHost, "", std::time(nullptr)};
  // The header goes out from its own buffer, whatever its length; file chunks follow through it.
  m_fileBytesLeft = static_cast<ULONGLONG>(info.st_size);
  m_chunk = BuildFileHeaderText(*owned, lastWrite, m_fileBytesLeft, context);
  m_chunkOffset = 0;
  m_bytesWritten = 0;
  return WriteFileOutput();
}

LONG CHttpSocketThread::WriteHttpOutput() {
  while (m_outputOffset < m_pendingOutput.size()) {
    size_t left = m_pendingOutput.size() - m_outputOffset;
    int sent = send(m_socket, m_pendingOutput.data() + m_outputOffset,
                    static_cast<int>(std::min<size_t>(left, 1 << 30)), 0);
    if (sent == SOCKET_ERROR) {
      int error = WSAGetLastError();
      if (error == WSAEWOULDBLOCK) return m_bytesWritten;
      NotifyError("WriteHttpOutput: Error on send() function", error);
      m_closePending = true;  // the connection cannot deliver this message any more
      m_peerHalfClosed = false;
      m_linkState = LINK_IDLE;
      return m_bytesWritten;
    }
    m_outputOffset += static_cast<size_t>(sent);
    m_bytesWritten += sent;
    MarkProgress();
  }
  m_pendingOutput.clear();
  m_outputOffset = 0;
  WriteFinished();
  return m_bytesWritten;
}

LONG CHttpSocketThread::WriteFileOutput() {
  for (;;) {
    while (m_chunkOffset < m_chunk.size()) {
      int sent = send(m_socket, m_chunk.data() + m_chunkOffset, static_cast<int>(m_chunk.size() - m_chunkOffset), 0);
      if (sent == SOCKET_ERROR) {
        int error = WSAGetLastError();
        if (error == WSAEWOULDBLOCK) return m_bytesWritten;
        NotifyError("WriteFileOutput: Error on send() function", error);
        if (m_outgoingFile) std::fclose(m_outgoingFile);
        m_outgoingFile = nullptr;
        m_closePending = true;
        m_peerHalfClosed = false;
        m_linkState = LINK_IDLE;
        return m_bytesWritten;
      }
      m_chunkOffset += static_cast<size_t>(sent);
      m_bytesWritten += sent;
      MarkProgress();
    }
    if (!m_outgoingFile || m_fileBytesLeft == 0) break;
    // Exactly the announced length goes out: bytes appended to the file meanwhile are not sent, and a
    // file cut short ends the connection, since the peer would take the next reply for the rest.
    size_t want = static_cast<size_t>(std::min<ULONGLONG>(kFileChunkSize, m_fileBytesLeft));
    m_chunk.resize(want);
    size_t got = std::fread(m_chunk.data(), 1, want, m_outgoingFile);
    m_chunk.resize(got);
    m_chunkOffset = 0;
    m_fileBytesLeft -= got;
    if (got == 0) {
      NotifyError("WriteFileOutput: The file is shorter than its announced length", static_cast<LONG>(m_bytesWritten));
      std::fclose(m_outgoingFile);
      m_outgoingFile = nullptr;
      m_chunk.clear();
      m_closePending = true;
      m_peerHalfClosed = false;
      m_linkState = LINK_IDLE;
      return m_bytesWritten;
    }
  }
  m_chunk.clear();
  m_chunkOffset = 0;
  if (m_outgoingFile) std::fclose(m_outgoingFile);
  m_outgoingFile = nullptr;
  WriteFinished();
  return m_bytesWritten;
}

void CHttpSocketThread::WriteFinished() {
  m_linkState = LINK_IDLE;
  m_parseState = 0;
  MarkProgress();  // an idle kept connection is timed from here
  CString text = m_lastMethodText + " " + m_lastUrl + " Code: " + CString(std::to_string(m_status)) +
                 " Bytes Written: " + CString(std::to_string(m_bytesWritten));
  // A reply that closes the connection is followed by its close notice at once: nothing to wait for.
  if (HoldsWrittenNotices() && !m_closeAfterWrite)
    HoldWritten(text, m_bytesWritten);
  else
    Notify(NOTICE_WRITTEN, text, m_bytesWritten);
  if (m_closeAfterWrite) {
    CloseSocket();
    m_closeAfterWrite = false;
  }
}

// ---- Request parameters ------------------------------------------------------------------------------

BOOL CHttpSocketThread::GetRequestParam(const CString& name, CString& value) {
  CSingleLock lock(&m_paramLock);
  if (!lock.Lock(kLockTimeout)) return FALSE;
  auto it = m_params.find(name);
  if (it == m_params.end()) return FALSE;
  value = it->second;
  return TRUE;
}

BOOL CHttpSocketThread::BeginRequestParams() {
  CSingleLock lock(&m_paramLock);
  if (!lock.Lock(kLockTimeout)) return FALSE;
  m_paramCursor = m_params.begin();
  return TRUE;
}

BOOL CHttpSocketThread::GetNextRequestParam(CString& name, CString& value) {
  CSingleLock lock(&m_paramLock);
  if (!lock.Lock(kLockTimeout) || m_paramCursor == m_params.end()) return FALSE;
  name = m_paramCursor->first;
  value = m_paramCursor->second;
  ++m_paramCursor;
  return TRUE;
}

BOOL CHttpSocketThread::CopyRequestParams(RequestParamMap& params) {
  CSingleLock lock(&m_paramLock);
  if (!lock.Lock(kLockTimeout)) return FALSE;
  params = m_params;
  return TRUE;
}

// ---- Notices --------------------------------------------------------------------------------------------

bool CHttpSocketThread::PostBlock(WPARAM code, LPARAM block) {
  PostHeldWritten();
  if (m_owner && PostMessage(m_owner, m_noticeMessage, code, block)) return true;
  // Nobody took the block: it is still ours.
  if (code == NOTICE_REQUEST || code == NOTICE_RESPONSE)
    delete reinterpret_cast<CHttpResponse*>(block);
  else
    delete reinterpret_cast<CHttpNotice*>(block);
  return false;
}

void CHttpSocketThread::Notify(WPARAM code, const CString& text, LONG value) {
  if (!m_owner || !m_noticesOn) return;
  auto* notice = new CHttpNotice;
  notice->m_code = value;
  notice->m_text = text;
  notice->m_linkState = static_cast<DWORD>(m_linkState);
  notice->m_thread = this;
  notice->m_threadId = m_nThreadID;
  PostBlock(code, reinterpret_cast<LPARAM>(notice));
}

void CHttpSocketThread::PostThreadIdNotice(WPARAM code) {
  PostHeldWritten();
  if (m_owner) PostMessage(m_owner, m_noticeMessage, code, static_cast<LPARAM>(m_nThreadID));
}

bool CHttpSocketThread::HoldsWrittenNotices() const {
  return m_handlers && m_handlers->writtenNoticeHoldMs > 0 && m_owner && m_noticesOn;
}

void CHttpSocketThread::HoldWritten(const CString& text, LONG bytes) {
  PostHeldWritten();
  m_heldWritten = std::make_unique<CHttpNotice>();
  m_heldWritten->m_code = bytes;
  m_heldWritten->m_text = text;
  m_heldWritten->m_linkState = static_cast<DWORD>(m_linkState);
  m_heldWritten->m_thread = this;
  m_heldWritten->m_threadId = m_nThreadID;
  m_heldUntil = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_handlers->writtenNoticeHoldMs);
}

void CHttpSocketThread::PostHeldWritten() {
  if (!m_heldWritten) return;
  PostBlock(NOTICE_WRITTEN, reinterpret_cast<LPARAM>(m_heldWritten.release()));
}

DWORD CHttpSocketThread::MillisecondsToPostHeld() const {
  if (!m_heldWritten) return INFINITE;
  using namespace std::chrono;
  const auto left = duration_cast<milliseconds>(m_heldUntil - steady_clock::now()).count();
  return left <= 0 ? 0 : static_cast<DWORD>(left);
}
