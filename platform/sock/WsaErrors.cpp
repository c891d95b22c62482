// Error numbers: the host's errno values read through the platform's socket error numbers.
#include <cerrno>
#include <cstring>

#include "platform/sock/WinSock2.h"

namespace {

struct ErrorPair {
  int hostErrno;
  int wsaError;
};

// The first pair of a platform number is the one WSASetLastError stores.
constexpr ErrorPair kErrors[] = {
    {EINTR, WSAEINTR},
    {EBADF, WSAEBADF},
    {EACCES, WSAEACCES},
    {EFAULT, WSAEFAULT},
    {EINVAL, WSAEINVAL},
    {EMFILE, WSAEMFILE},
    {ENFILE, WSAEMFILE},
    {EWOULDBLOCK, WSAEWOULDBLOCK},
    {EAGAIN, WSAEWOULDBLOCK},
    // A non-blocking connect under way is "would block" on the platform.
    {EINPROGRESS, WSAEWOULDBLOCK},
    {EALREADY, WSAEALREADY},
    {ENOTSOCK, WSAENOTSOCK},
    {EDESTADDRREQ, WSAEDESTADDRREQ},
    {EMSGSIZE, WSAEMSGSIZE},
    {EPROTOTYPE, WSAEPROTOTYPE},
    {ENOPROTOOPT, WSAENOPROTOOPT},
    {EPROTONOSUPPORT, WSAEPROTONOSUPPORT},
    {ESOCKTNOSUPPORT, WSAESOCKTNOSUPPORT},
    {EOPNOTSUPP, WSAEOPNOTSUPP},
    {EPFNOSUPPORT, WSAEPFNOSUPPORT},
    {EAFNOSUPPORT, WSAEAFNOSUPPORT},
    {EADDRINUSE, WSAEADDRINUSE},
    {EADDRNOTAVAIL, WSAEADDRNOTAVAIL},
    {ENETDOWN, WSAENETDOWN},
    {ENETUNREACH, WSAENETUNREACH},
    {ENETRESET, WSAENETRESET},
    {ECONNABORTED, WSAECONNABORTED},
    {ECONNRESET, WSAECONNRESET},
    {EPIPE, WSAECONNRESET},
    {ENOBUFS, WSAENOBUFS},
    {ENOMEM, WSAENOBUFS},
    {EISCONN, WSAEISCONN},
    {ENOTCONN, WSAENOTCONN},
    {ESHUTDOWN, WSAESHUTDOWN},
    {ETIMEDOUT, WSAETIMEDOUT},
    {ECONNREFUSED, WSAECONNREFUSED},
    {EHOSTDOWN, WSAEHOSTDOWN},
    {EHOSTUNREACH, WSAEHOSTUNREACH},
};

// WSASetLastError keeps the number it was given while errno still holds this marker; any host call
// that fails afterwards replaces errno, and its own error is read again.
constexpr int kStoredErrorMarker = 0x5753;  // no host errno has this value
thread_local int t_storedError = 0;

}  // namespace

int WsaErrorFromErrno(int hostErrno) {
  if (hostErrno == 0) return 0;
  for (const auto& pair : kErrors)
    if (pair.hostErrno == hostErrno) return pair.wsaError;
  return WSASYSCALLFAILURE;
}

int WSAGetLastError() {
  if (errno == kStoredErrorMarker) return t_storedError;
  return WsaErrorFromErrno(errno);
}

void WSASetLastError(int error) {
  for (const auto& pair : kErrors) {
    if (pair.wsaError == error) {
      errno = pair.hostErrno;
      return;
    }
  }
  if (error == 0) {
    errno = 0;
    return;
  }
  t_storedError = error;
  errno = kStoredErrorMarker;
}

int WSAStartup(WORD versionRequested, LPWSADATA data) {
  if (data == nullptr) return WSAEFAULT;
  *data = WSADATA{};
  data->wVersion = versionRequested;
  data->wHighVersion = MAKEWORD(2, 2);
  std::strncpy(data->szDescription, "Quaverhouse sockets over POSIX", WSADESCRIPTION_LEN);
  std::strncpy(data->szSystemStatus, "Running", WSASYS_STATUS_LEN);
  if (LOBYTE(versionRequested) < 2) return WSAVERNOTSUPPORTED;
  return 0;
}

int WSACleanup() { return 0; }
