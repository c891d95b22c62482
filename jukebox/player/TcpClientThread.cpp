#include "jukebox/player/TcpClientThread.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include <netinet/in.h>
#include <netinet/tcp.h>

#include "platform/ui/WinUser.h"

namespace {

constexpr long kSocketEvents = FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE;
// What a closing connection still reads and drops after it has shut down its sending side; the socket
// is non-blocking, so this only takes what has already arrived.
constexpr int kMaxDrainBytes = 1 << 20;
constexpr LONG kExitResult = -999;

bool MustWaitForWrite(LONG threadState, DWORD type) {
  if (type != TCP_REQUEST_CONNECT && type != TCP_REQUEST_SEND_BYTES && type != TCP_REQUEST_SEND_TEXT) return false;
  if (threadState == TCP_THREAD_WRITING) return true;
  // Sends queued behind a connect wait until the connection is up (or has failed).
  return threadState == TCP_THREAD_CONNECTING && type != TCP_REQUEST_CONNECT;
}

CString DottedAddress(const in_addr& address) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &address, text, sizeof(text));
  return CString(text);
}

}  // namespace

CTcpClientThread::CTcpClientThread() : CWinThread(&CTcpClientThread::ThreadProc, this) { m_bAutoDelete = TRUE; }

CTcpClientThread::~CTcpClientThread() {
  Cleanup(false);
  if (m_requestEvent) CloseHandle(m_requestEvent);
  m_requestEvent = nullptr;
  for (CTcpRequest* request : m_requests) delete request;
  m_requests.clear();
}

UINT CTcpClientThread::ThreadProc(LPVOID param) {
  static_cast<CTcpClientThread*>(param)->WaitOnEvent();
  return 0;
}

BOOL CTcpClientThread::Init(HWND owner, UINT notifyMessage) {
  if (m_threadState != TCP_THREAD_NOT_INITIALISED) return FALSE;
  m_owner = owner;
  m_notifyMessage = notifyMessage;
  if (!m_drainBuffer) m_drainBuffer = std::make_unique<char[]>(kReadSize);
  m_socketEvent = WSACreateEvent();
  if (m_socketEvent == WSA_INVALID_EVENT) return FALSE;
  m_requestEvent = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  if (m_requestEvent == nullptr) return FALSE;
  Renew();
  m_threadState = TCP_THREAD_IDLE;
  return TRUE;
}

BOOL CTcpClientThread::PostRequest(CTcpRequest* request) {
  if (request == nullptr || m_threadState == TCP_THREAD_NOT_INITIALISED) return FALSE;
  CSingleLock lock(&m_requestLock);
  if (!lock.Lock(kLockTimeout)) return FALSE;
  // A thread that has cleaned up takes nothing more: nobody would ever free it. An end request is
  // taken even when the queue is full: writes stuck behind a peer that stopped reading must not keep
  // the thread from ending.
  if (m_ended) return FALSE;
  if (static_cast<int>(m_requests.size()) >= kMaxQueuedRequests && request->Type() != TCP_REQUEST_END) return FALSE;
  m_requests.push_back(request);
  // Once queued the request is the thread's, whatever the wake-up does (the thread drains its queue
  // at every round); answering false here would leave it owned twice.
  SetEvent(m_requestEvent);
  return TRUE;
}

LONG CTcpClientThread::GetState() {
  CSingleLock lock(&m_stateLock);
  if (!lock.Lock(kLockTimeout)) return -1;
  return m_connectionState;
}

int CTcpClientThread::GetQueuedCount() {
  CSingleLock lock(&m_requestLock);
  if (!lock.Lock(kLockTimeout)) return -1;
  return static_cast<int>(m_requests.size());
}

void CTcpClientThread::SetConnectionState(LONG state) {
  CSingleLock lock(&m_stateLock);
  if (lock.Lock(kLockTimeout)) m_connectionState = state;
}

// ---- Run loop ----------------------------------------------------------------------------------------

void CTcpClientThread::WaitOnEvent() {
  if (m_threadState == TCP_THREAD_NOT_INITIALISED) return;
  m_running = true;
  while (m_running) {
    if (m_threadState == TCP_THREAD_IDLE) {
      m_running = RunIdleRound();
    } else if (m_closing) {
      CloseSocket();
      Renew();
    } else {
      m_running = RunConnectedRound();
    }
  }
  if (m_requestEvent) CloseHandle(m_requestEvent);
  m_requestEvent = nullptr;
}

LONG CTcpClientThread::DrainRequests() {
  for (;;) {
    LONG result = ProcessRequest();
    if (result <= 0) return result;
  }
}

bool CTcpClientThread::RunIdleRound() {
  if (DrainRequests() < 0) return false;
  if (m_threadState != TCP_THREAD_IDLE) return true;
  WaitForSingleObject(m_requestEvent, INFINITE);
  return DrainRequests() >= 0;
}

bool CTcpClientThread::RunConnectedRound() {
  if (DrainRequests() < 0) return false;
  if (m_threadState == TCP_THREAD_IDLE || m_closing) return true;
  WSAEVENT events[2] = {m_socketEvent, m_requestEvent};
  DWORD result = WSAWaitForMultipleEvents(2, events, FALSE, WSA_INFINITE, FALSE);
  if (result == WSA_WAIT_FAILED) {
    NotifyError("WSAWaitForMultipleEvents failed (Internal Error)", 0);
    CloseSocket();
    Renew();
    return true;
  }
  if (result == WSA_WAIT_EVENT_0 + 1) return DrainRequests() >= 0;
  if (result != WSA_WAIT_EVENT_0) {
    NotifyError("Internal Error - WSAWaitForMultipleEvents returned an invalid value", static_cast<LONG>(result));
    CloseSocket();
    Renew();
    return false;
  }
  HandleNetworkEvents();
  return true;
}

void CTcpClientThread::HandleNetworkEvents() {
  WSANETWORKEVENTS events;
  if (m_socket == INVALID_SOCKET || WSAEnumNetworkEvents(m_socket, m_socketEvent, &events) == SOCKET_ERROR) {
    if (m_socket != INVALID_SOCKET) NotifyError("WSAEnumNetworkEvents failed", WSAGetLastError());
    WSAResetEvent(m_socketEvent);  // a stale signal must not wake the thread round after round
    Renew();
    return;
  }
  const long happened = events.lNetworkEvents;
  if (happened & FD_CLOSE) {
    if (events.iErrorCode[FD_CLOSE_BIT] != 0) NotifyError("WaitOnEvent: FD_CLOSE failed", events.iErrorCode[FD_CLOSE_BIT]);
    m_closing = true;
  }
  if (happened & FD_CONNECT) {
    int error = events.iErrorCode[FD_CONNECT_BIT];
    if (error != 0) {
      closesocket(m_socket);
      m_socket = INVALID_SOCKET;
      m_threadState = TCP_THREAD_IDLE;
      m_closing = false;
      SetConnectionState(TCP_NOT_CONNECTED);
      NotifyError("WaitOnEvent: FD_CONNECT failed", error);
      Renew();
      return;
    }
    OnConnected();
  }
  if (happened & FD_WRITE) {
    if (events.iErrorCode[FD_WRITE_BIT] != 0) {
      NotifyError("WaitOnEvent: FD_WRITE failed", events.iErrorCode[FD_WRITE_BIT]);
      m_threadState = TCP_THREAD_CONNECTED;
    } else {
      WriteSocket();
    }
  }
  if (happened & FD_READ) {
    if (events.iErrorCode[FD_READ_BIT] != 0) {
      NotifyError("WaitOnEvent: FD_READ failed", events.iErrorCode[FD_READ_BIT]);
      m_threadState = TCP_THREAD_CONNECTED;
    } else {
      ReadSocket();
    }
  }
  Renew();
}

LONG CTcpClientThread::ProcessRequest() {
  CSingleLock lock(&m_requestLock);
  if (!lock.Lock(kLockTimeout)) return -1;
  if (m_requests.empty()) return 0;
  // A request that must wait keeps its place; a close, drop or end goes ahead of it.
  auto next = m_requests.begin();
  if (MustWaitForWrite(m_threadState, (*next)->Type())) {
    next = std::find_if(m_requests.begin(), m_requests.end(), [this](const CTcpRequest* queued) {
      return !MustWaitForWrite(m_threadState, queued->Type());
    });
    if (next == m_requests.end()) return 0;
  }
  std::unique_ptr<CTcpRequest> request(*next);
  m_requests.erase(next);
  const LONG remaining = static_cast<LONG>(m_requests.size());
  lock.Unlock();

  const DWORD type = request->Type();
  // While discarding, everything but a close or an end is dropped unread; the rest of the queue is
  // still taken, so a close behind the dropped sends is not left waiting for a network event.
  if (m_threadState == TCP_THREAD_DISCARDING && type != TCP_REQUEST_CLOSE && type != TCP_REQUEST_END) return remaining;
  switch (type) {
    case TCP_REQUEST_CONNECT:
      if (CTcpConnect* target = request->TakeConnect()) ConnectStart(target);
      break;
    case TCP_REQUEST_SEND_BYTES:
      WriteStart(request->TakeRecord(), false);
      break;
    case TCP_REQUEST_SEND_TEXT:
      WriteStart(request->TakeRecord(), true);
      break;
    case TCP_REQUEST_CLOSE:
      if (m_socket == INVALID_SOCKET) {
        // The owner asked for a close and waits for the closed report: give it even without a socket
        // (a connect that failed), or a zone would wait for it for ever.
        SetConnectionState(TCP_NOT_CONNECTED);
        NotifyInfo("Socket closed");
      } else {
        CloseSocket();
      }
      break;
    case TCP_REQUEST_DROP:
      DropPendingWrite();
      break;
    case TCP_REQUEST_END:
      Cleanup(true);
      return kExitResult;
    default:
      return remaining;
  }
  Renew();
  return remaining;
}

// ---- Connection ----------------------------------------------------------------------------------------

void CTcpClientThread::ConnectStart(CTcpConnect* target) {
  m_peerHost = target->m_host;
  m_peerPort = target->m_port;
  delete target;
  if (m_threadState == TCP_THREAD_CONNECTING) return;
  if (m_socket != INVALID_SOCKET) {
    NotifyError("ConnectStart: Socket alredy connected", WSAEISCONN);
    return;
  }
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) {
    NotifyError("ConnectStart: Could not create socket handle", WsaErrorFromErrno(errno));
    return;
  }
  if (WSAEventSelect(s, m_socketEvent, kSocketEvents) == SOCKET_ERROR) {
    NotifyError("ConnectStart: WSAEventSelect failed", WSAGetLastError());
    closesocket(s);
    return;
  }
  // Every write leaves at once. Left to the host, a short command written while the one before is not
  // yet acknowledged waits for that acknowledgement, which the peer may hold back for 40 ms: a stop would
  // then reach the box after the next stream's audio connection, which the box would take as stopped.
  const int noDelay = 1;
  if (setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof(noDelay)) != 0)
    NotifyError("ConnectStart: setsockopt TCP_NODELAY failed", WsaErrorFromErrno(errno));
  m_peerAddress = sockaddr_in{};
  m_peerAddress.sin_family = AF_INET;
  m_peerAddress.sin_port = htons(m_peerPort);
  in_addr_t dotted = inet_addr(m_peerHost);
  if (dotted != INADDR_NONE) {
    m_peerAddress.sin_addr.s_addr = dotted;
  } else {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (m_peerHost.IsEmpty() || getaddrinfo(m_peerHost, nullptr, &hints, &found) != 0 || found == nullptr) {
      WSASetLastError(WSAHOST_NOT_FOUND);
      NotifyError("ConnectStart: Name resolution failed", WSAGetLastError());
      closesocket(s);  // a socket kept here would make every later connect "already connected"
      return;
    }
    m_peerAddress.sin_addr = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
  }
  m_socket = s;
  m_closing = false;
  m_threadState = TCP_THREAD_CONNECTING;
  NotifyInfo("Address: " + DottedAddress(m_peerAddress.sin_addr));
  if (connect(m_socket, reinterpret_cast<sockaddr*>(&m_peerAddress), static_cast<int>(sizeof(m_peerAddress))) == 0) {
    OnConnected();
    return;
  }
  int error = WSAGetLastError();
  if (error == WSAEWOULDBLOCK) {
    SetConnectionState(TCP_CONNECTING);
    return;
  }
  NotifyError("ConnectStart: Error connecting to remote host", error);
  closesocket(m_socket);
  m_socket = INVALID_SOCKET;
  m_threadState = TCP_THREAD_IDLE;
}

void CTcpClientThread::OnConnected() {
  m_closing = false;
  m_threadState = TCP_THREAD_CONNECTED;
  sockaddr_in peer{};
  socklen_t length = sizeof(peer);
  CString text = "NO PEER CONNECTION INFO AVAILABLE";
  if (getpeername(m_socket, reinterpret_cast<sockaddr*>(&peer), &length) == 0)
    text = "Address: " + DottedAddress(peer.sin_addr) + ", Port: " + CString(std::to_string(ntohs(peer.sin_port)));
  CSingleLock lock(&m_stateLock);
  if (!lock.Lock(kLockTimeout)) return;
  m_connectionState = TCP_CONNECTED;
  lock.Unlock();
  NotifyInfo(text);
}

void CTcpClientThread::CloseSocket() {
  SetConnectionState(TCP_NOT_CONNECTED);
  if (m_socket == INVALID_SOCKET) return;
  if (shutdown(m_socket, SD_SEND) == 0 && m_drainBuffer) {
    int drained = 0;
    for (;;) {
      int got = recv(m_socket, m_drainBuffer.get(), kReadSize, 0);
      if (got <= 0) break;
      drained += got;
      if (drained > kMaxDrainBytes) break;
    }
  }
  closesocket(m_socket);
  m_socket = INVALID_SOCKET;
  m_threadState = TCP_THREAD_IDLE;
  m_closing = false;
  // Bytes meant for this connection must never open the next one.
  DropPendingData();
  NotifyInfo("Socket closed");
}

void CTcpClientThread::Cleanup(bool drain) {
  m_notificationsOn = false;
  if (drain) {
    CloseSocket();
  } else if (m_socket != INVALID_SOCKET) {
    closesocket(m_socket);
    m_socket = INVALID_SOCKET;
    m_threadState = TCP_THREAD_IDLE;
  }
  m_drainBuffer.reset();
  DropPendingData();
  if (m_socketEvent) WSACloseEvent(m_socketEvent);
  m_socketEvent = nullptr;
  {
    CSingleLock lock(&m_requestLock);
    if (lock.Lock(kLockTimeout)) {
      m_ended = true;
      for (CTcpRequest* request : m_requests) delete request;
      m_requests.clear();
    }
  }
  PostExitNotice();
}

// ---- Sending and receiving -------------------------------------------------------------------------

void CTcpClientThread::WriteStart(CTcpSendRecord* record, bool text) {
  std::unique_ptr<CTcpSendRecord> owned(record);
  const char* who = text ? "WriteStringStart" : "WriteStart";
  if (!owned) return;
  const DWORD length = text ? static_cast<DWORD>(owned->m_text.GetLength()) : owned->m_length;
  if (length > kMaxWriteBytes) {
    // Dropping a write unreported would leave the owner waiting for its written notice.
    NotifyError(CString(who) + ": More than 524288 bytes, nothing sent", WSAEMSGSIZE);
    return;
  }
  if (length == 0 || (!text && !owned->m_data)) return;
  if (m_socket == INVALID_SOCKET) {
    m_threadState = TCP_THREAD_IDLE;
    NotifyError(CString(who) + ": Socket not connected", WSAENOTCONN);
    return;
  }
  m_threadState = TCP_THREAD_WRITING;
  if (m_pendingRemaining == 0) {
    if (text) {
      m_pendingData = std::make_unique<char[]>(length);
      std::memcpy(m_pendingData.get(), owned->m_text.GetString(), length);
    } else {
      m_pendingData = std::move(owned->m_data);
    }
    m_pendingRemaining = length;
    m_pendingSent = 0;
  } else {
    NotifyError(CString(who) + ": Earlier data still unsent, new data dropped", WSAENOBUFS);
  }
  m_bytesWritten = 0;
  WriteSocket();
}

void CTcpClientThread::WriteSocket() {
  bool lastMoved = false;
  while (m_pendingRemaining > 0) {
    int sent = send(m_socket, m_pendingData.get() + m_pendingSent, static_cast<int>(m_pendingRemaining), 0);
    if (sent == SOCKET_ERROR) {
      int error = WSAGetLastError();
      if (error != WSAEWOULDBLOCK) NotifyError("WriteSocket: Error on send() function", error);
      return;
    }
    if (sent <= 0) return;
    m_pendingRemaining -= static_cast<DWORD>(sent);
    m_pendingSent += static_cast<DWORD>(sent);
    m_bytesWritten += static_cast<DWORD>(sent);
    lastMoved = true;
  }
  DropPendingData();
  m_threadState = TCP_THREAD_CONNECTED;
  if (lastMoved) Notify(TCP_NOTICE_WRITTEN, "Bytes Written: " + CString(std::to_string(m_bytesWritten)), static_cast<LONG>(m_bytesWritten));
}

void CTcpClientThread::ReadSocket() {
  if (m_owner == nullptr || !m_notificationsOn) return;
  auto block = std::make_unique<CTcpReceivedData>();
  block->m_buffer = std::make_unique<char[]>(CTcpReceivedData::kBufferSize);
  int got = recv(m_socket, block->m_buffer.get(), CTcpReceivedData::kBufferSize, 0);
  if (got == SOCKET_ERROR) {
    int error = WSAGetLastError();
    if (error != WSAEWOULDBLOCK) NotifyError("ReadSocket: Error on recv() function", error);
    return;
  }
  block->m_count = got;
  block->m_threadId = m_nThreadID;
  if (PostToOwner(TCP_NOTICE_DATA, reinterpret_cast<LPARAM>(block.get()))) block.release();
}

void CTcpClientThread::DropPendingWrite() {
  DropPendingData();
  // Without a socket there is no connection to discard for: entering the discarding state here would
  // swallow every later connect, and nothing would ever end it.
  if (m_socket != INVALID_SOCKET) m_threadState = TCP_THREAD_DISCARDING;
}

void CTcpClientThread::DropPendingData() {
  m_pendingData.reset();
  m_pendingRemaining = 0;
  m_pendingSent = 0;
}

// ---- Notices -------------------------------------------------------------------------------------------

void CTcpClientThread::Notify(WPARAM code, const CString& text, LONG value) {
  if (code == TCP_NOTICE_INFO || code == TCP_NOTICE_ERROR) {
    m_statusText = text;
    m_statusCode = value;
  }
  if (m_owner == nullptr || !m_notificationsOn) return;
  auto notice = std::make_unique<CTcpNotice>();
  notice->m_code = value;
  notice->m_text = text;
  notice->m_threadState = m_threadState;
  notice->m_thread = this;
  notice->m_threadId = m_nThreadID;
  if (PostToOwner(code, reinterpret_cast<LPARAM>(notice.get()))) notice.release();
}

bool CTcpClientThread::PostToOwner(WPARAM code, LPARAM block) {
  return m_owner != nullptr && PostMessage(m_owner, m_notifyMessage, code, block);
}

void CTcpClientThread::PostExitNotice() {
  if (m_exitPosted || m_threadState == TCP_THREAD_NOT_INITIALISED) return;
  m_exitPosted = true;
  PostToOwner(TCP_NOTICE_EXIT, static_cast<LPARAM>(m_nThreadID));
}
