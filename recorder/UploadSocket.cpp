#include "recorder/UploadSocket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>

#include <ctime>
#include <new>
#include <vector>

#include "platform/core/Exception.h"
#include "platform/core/File.h"

CUploadSocket::~CUploadSocket() { Disconnect(); }

int CUploadSocket::ConnectTo(const CString& serverToken, const CString& address, UINT port, HWND owner,
                             UINT notifyMessage, BOOL closeAfterReply) {
  Disconnect();
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<uint16_t>(port));
  if (inet_pton(AF_INET, address.GetString(), &peer.sin_addr) != 1) {
    m_lastError = WSAEINVAL;
    return kNotConnected;
  }
  m_socket = socket(AF_INET, SOCK_STREAM, 0);
  if (m_socket == INVALID_SOCKET) {
    m_lastError = WSAGetLastError();
    return kNotConnected;
  }
  // A connect that waits for a host that does not answer is bounded by the connect time limit.
  const int flags = fcntl(m_socket, F_GETFL, 0);
  fcntl(m_socket, F_SETFL, flags | O_NONBLOCK);
  int error = 0;
  if (connect(m_socket, reinterpret_cast<const sockaddr*>(&peer), static_cast<int>(sizeof peer)) == SOCKET_ERROR) {
    error = errno == EINPROGRESS || errno == EAGAIN ? 0 : WsaErrorFromErrno(errno);
    if (error == 0) {
      const Wait waited = WaitFor(POLLOUT, m_connectTimeLimit);
      if (waited == Wait::kCancelled) {
        closesocket(m_socket);
        m_socket = INVALID_SOCKET;
        m_lastError = WSAEINTR;
        return kCancelled;
      }
      if (waited == Wait::kTimedOut) error = WSAETIMEDOUT;
    }
    if (error == 0) {
      int pending = 0;
      socklen_t length = sizeof pending;
      if (getsockopt(m_socket, SOL_SOCKET, SO_ERROR, &pending, &length) != 0) pending = errno;
      error = WsaErrorFromErrno(pending);
    }
  }
  if (error != 0) {
    m_lastError = error;
    closesocket(m_socket);
    m_socket = INVALID_SOCKET;
    return kNotConnected;
  }
  fcntl(m_socket, F_SETFL, flags);
  m_serverToken = serverToken;
  m_owner = owner;
  m_notifyMessage = notifyMessage;
  m_closeAfterReply = closeAfterReply;
  m_connected = true;
  return kOk;
}

void CUploadSocket::Disconnect() {
  if (m_socket != INVALID_SOCKET) closesocket(m_socket);
  m_socket = INVALID_SOCKET;
  m_connected = false;
}

bool CUploadSocket::GetResponse(CString& body) {
  if (m_replies.empty()) return false;
  body = m_replies.front();
  m_replies.pop_front();
  return true;
}

CString CUploadSocket::HeadOf(const CString& method, const CString& path, const CString& contentType,
                              ULONGLONG length, bool withDate) const {
  CString head = method + " " + path + " HTTP/1.1\r\n";
  CString line;
  if (withDate) {
    char date[64];
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    std::strftime(date, sizeof date, "DATE: %a, %d %b %Y %H:%M:%S GMT\r\n", &parts);
    head += date;
    head += "CONTENT-TYPE: " + contentType + "\r\nCACHE-CONTROL: no-cache\r\n";
    head += m_closeAfterReply ? "CONNECTION: close\r\n" : "CONNECTION: Keep-Alive\r\n";
    line.Format("CONTENT-LENGTH: %llu\r\n\r\n", static_cast<unsigned long long>(length));
  } else {
    head += "Content-Type: " + contentType + "\r\n";
    line.Format("Content-Length: %llu\r\nCache-Control: no-cache\r\n", static_cast<unsigned long long>(length));
    head += line;
    line = m_closeAfterReply ? "Connection: close\r\n\r\n" : "Connection: Keep-Alive\r\n\r\n";
  }
  return head + line;
}

CUploadSocket::Wait CUploadSocket::WaitFor(short events, DWORD limit) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit);
  for (;;) {
    pollfd ready{m_socket, events, 0};
    const int result = poll(&ready, 1, 50);
    if (result > 0) return Wait::kReady;
    if (result < 0 && errno != EINTR) return Wait::kReady;  // the call that follows reports the error
    if (std::chrono::steady_clock::now() >= end) return Wait::kTimedOut;
    if (m_waitTurn) {
      if (!m_waitTurn()) return Wait::kCancelled;
      continue;
    }
    // Only painting: no command of the owner runs while its request is half sent.
    MSG message;
    while (PeekMessage(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessage(&message);
  }
}

int CUploadSocket::Cancelled() {
  m_lastError = WSAEINTR;
  Disconnect();
  return kCancelled;
}

int CUploadSocket::GiveUp(int socketError) {
  m_lastError = socketError;
  Disconnect();
  Notify(1);
  return kFileError;
}

int CUploadSocket::SendAll(const char* data, size_t length) {
  while (length > 0) {
    int chunk = static_cast<int>(length < kBlockBytes ? length : kBlockBytes);
    int sent = send(m_socket, data, chunk, MSG_DONTWAIT);
    if (sent == SOCKET_ERROR && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      const Wait waited = WaitFor(POLLOUT, m_sendTimeLimit);
      if (waited == Wait::kReady) continue;
      if (waited == Wait::kCancelled) return Cancelled();
      // The peer has stopped reading: the request can never complete on this connection.
      return GiveUp(WSAETIMEDOUT);
    }
    // A reset or closed connection can never complete the request either, nor carry the next one.
    if (sent <= 0) return GiveUp(WSAGetLastError());
    data += sent;
    length -= static_cast<size_t>(sent);
  }
  return kOk;
}

CString CUploadSocket::ConnectFailureText(int code, int socketError) {
  switch (code) {
    case kOutOfMemory: return "INTERNAL ERROR - Memory Exception when initializing communications";
    case kFileError: return "INTERNAL ERROR - File Exception when initializing communications";
    case -4: return "INTERNAL ERROR - Archive Exception when initializing communications";
    case kNotConnected: break;
    default: return "INTERNAL ERROR - unexpected error code";
  }
  switch (socketError) {
    case WSAEFAULT: return "INTERNAL ERROR - incorrect argument";
    case WSAEINVAL: return "An invalid address was specified";
    case WSAEMFILE: return "INTERNAL ERROR - No more file descriptors available";
    case WSAEWOULDBLOCK: return "INTERNAL ERROR - connection attempt would block";
    case WSAEINPROGRESS: return "INTERNAL ERROR - Operation currently in progress";
    case WSAENOTSOCK: return "INTERNAL ERROR - The descriptor is not a socket";
    case WSAEDESTADDRREQ: return "INTERNAL ERROR - Destination address required";
    case WSAEAFNOSUPPORT: return "The specified protocol cannot be used with this socket - check TCP/IP setup";
    case WSAEADDRINUSE: return "INTERNAL ERROR - Address already in use";
    case WSAEADDRNOTAVAIL: return "The specified address is not available from the local machine";
    case WSAENETDOWN: return "Network failure detected";
    case WSAENETUNREACH: return "Destination address is unreachable - check TCP/IP setup";
    case WSAENOBUFS: return "INTERNAL ERROR - No buffer space is available";
    case WSAEISCONN: return "INTERNAL ERROR - The socket is already connected";
    case WSAETIMEDOUT: return "Connection attempt timed out - check server availability";
    case WSAECONNREFUSED: return "The connection attempt was rejected by the server";
    case WSANOTINITIALISED: return "INTERNAL ERROR - Windows Sockets not initialized";
    default: return "INTERNAL ERROR - unexpected error code";
  }
}

int CUploadSocket::SendPost(const CString& body, const CString& path, const CString& method) {
  if (!m_connected) return kNotConnected;
  try {
    CString request = HeadOf(method, path, m_contentType, static_cast<ULONGLONG>(body.GetLength()), true) + body;
    if (const int sent = SendAll(request.GetString(), static_cast<size_t>(request.GetLength())); sent != kOk) return sent;
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  return ReadReply();
}

int CUploadSocket::SendPutText(const CString& body, const CString& path, const CString& contentType) {
  if (!m_connected) return kNotConnected;
  try {
    CString request = HeadOf("PUT", path, contentType, static_cast<ULONGLONG>(body.GetLength()), false) + body;
    if (const int sent = SendAll(request.GetString(), static_cast<size_t>(request.GetLength())); sent != kOk) return sent;
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  return ReadReply() == kOk ? body.GetLength() : kCancelled;
}

int CUploadSocket::SendPutFile(const CString& fileName, const CString& path, const CString& contentType) {
  if (!m_connected) return kNotConnected;
  CFile file;
  CFileException error;
  if (!file.Open(fileName, CFile::modeRead | CFile::shareDenyWrite, &error)) {
    m_lastError = static_cast<int>(error.m_lOsError);
    return kFileNotOpened;
  }
  ULONGLONG size = 0;
  try {
    size = file.GetLength();
  } catch (CFileException* e) {
    m_lastError = static_cast<int>(e->m_lOsError);
    e->Delete();
    return kFileStatusUnread;
  }
  if (size == 0) return kFileEmpty;
  ULONGLONG sent = 0;
  try {
    CString head = HeadOf("PUT", path, contentType, size, false);
    if (const int headSent = SendAll(head.GetString(), static_cast<size_t>(head.GetLength())); headSent != kOk)
      return headSent;
    std::vector<char> block(kBlockBytes);
    // The head promised `size` bytes: exactly that many go out, however the file changes meanwhile.
    while (sent < size) {
      UINT want = static_cast<UINT>(size - sent < kBlockBytes ? size - sent : kBlockBytes);
      UINT got = file.Read(block.data(), want);
      if (got == 0) break;
      if (const int blockSent = SendAll(block.data(), got); blockSent != kOk) return blockSent;
      sent += got;
    }
  } catch (CFileException* e) {
    m_lastError = static_cast<int>(e->m_lOsError);
    e->Delete();
    return kFileError;
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  // A file that shrank under us cannot complete its request: the connection is given up.
  if (sent < size) return GiveUp(m_lastError);
  return ReadReply() == kOk ? static_cast<int>(sent) : kCancelled;
}

int CUploadSocket::ReadSome(char* buffer, int capacity) {
  const Wait waited = WaitFor(POLLIN, m_replyTimeLimit);
  if (waited == Wait::kCancelled) m_cancelled = true;
  if (waited != Wait::kReady) return 0;
  const int got = recv(m_socket, buffer, capacity, MSG_DONTWAIT);
  // A reset ends the reply like a close does; its reason stays readable.
  if (got < 0) m_lastError = WSAGetLastError();
  return got;
}

int CUploadSocket::ReadReply() {
  m_cancelled = false;
  CString body = m_reader.ReadMessage([&](char* buffer, int capacity) { return ReadSome(buffer, capacity); });
  // Half a reply to a request the owner gave up on is nobody's answer.
  if (m_cancelled) return Cancelled();
  bool answered = m_reader.IsComplete() || !body.IsEmpty();
  if (answered) {
    // An empty reply is queued as well: its reader then says that it cannot understand it instead of
    // waiting for a reply that is not coming.
    m_replies.push_back(body);
    Notify(0);
  }
  if (!m_reader.IsComplete() || m_closeAfterReply || m_reader.GetConnection() == "CLOSE") {
    Disconnect();
    if (!answered || !m_reader.IsComplete()) Notify(1);
  }
  return kOk;
}

void CUploadSocket::Notify(WPARAM what) {
  if (m_owner != nullptr) PostMessage(m_owner, m_notifyMessage, what, reinterpret_cast<LPARAM>(this));
}
