// Windows Sockets 2 in the event-object model, over POSIX sockets.
//
// A SOCKET is the host's file descriptor, so the calls whose meaning is the same on both sides
// (socket, bind, listen, shutdown, getpeername, getsockname, setsockopt, getaddrinfo, inet_addr,
// inet_ntoa, htons ...) are the host's own. The calls that take part in the event model are ours:
// recv, send, accept and connect (overloads taking the platform's int lengths and char buffers),
// closesocket, WSAEventSelect, WSAEnumNetworkEvents and the WSA event functions.
//
// Network events follow the platform's recording rules, which the connection logic depends on:
//  - FD_READ is recorded once when data is waiting and again only after the next recv;
//  - FD_WRITE is recorded when a connection is established (or selected while connected) and again
//    only after a send that would block, once room frees up;
//  - FD_CLOSE is recorded once when the peer ends or resets the connection, apart from FD_READ:
//    data still waiting is reported as FD_READ beside it;
//  - FD_CONNECT is recorded once when a non-blocking connect finishes, with its error code;
//  - FD_ACCEPT is recorded when a connection is pending and again only after the next accept.
// A socket with nothing to report is not watched at all, so an idle connection costs no CPU.
// Errors read through WSAGetLastError carry the platform's numbers (10035 would block, 10054 reset,
// ...); a non-blocking connect under way reads as 10035. Sending never raises SIGPIPE.
#pragma once

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "platform/core/Handle.h"
#include "platform/core/WinTypes.h"

using SOCKET = int;
#define INVALID_SOCKET (-1)
#define SOCKET_ERROR (-1)

using WSAEVENT = HANDLE;
#define WSA_INVALID_EVENT (static_cast<WSAEVENT>(nullptr))
#define WSA_MAXIMUM_WAIT_EVENTS MAXIMUM_WAIT_OBJECTS
#define WSA_WAIT_EVENT_0 WAIT_OBJECT_0
#define WSA_WAIT_FAILED WAIT_FAILED
#define WSA_WAIT_TIMEOUT WAIT_TIMEOUT
#define WSA_INFINITE INFINITE

#define SD_RECEIVE 0
#define SD_SEND 1
#define SD_BOTH 2

#define FD_READ_BIT 0
#define FD_WRITE_BIT 1
#define FD_OOB_BIT 2
#define FD_ACCEPT_BIT 3
#define FD_CONNECT_BIT 4
#define FD_CLOSE_BIT 5
#define FD_MAX_EVENTS 10
#define FD_READ (1 << FD_READ_BIT)
#define FD_WRITE (1 << FD_WRITE_BIT)
#define FD_OOB (1 << FD_OOB_BIT)
#define FD_ACCEPT (1 << FD_ACCEPT_BIT)
#define FD_CONNECT (1 << FD_CONNECT_BIT)
#define FD_CLOSE (1 << FD_CLOSE_BIT)

// Error numbers of the platform's socket layer.
#define WSA_INVALID_HANDLE 6
#define WSA_NOT_ENOUGH_MEMORY 8
#define WSA_INVALID_PARAMETER 87
#define WSAEINTR 10004
#define WSAEBADF 10009
#define WSAEACCES 10013
#define WSAEFAULT 10014
#define WSAEINVAL 10022
#define WSAEMFILE 10024
#define WSAEWOULDBLOCK 10035
#define WSAEINPROGRESS 10036
#define WSAEALREADY 10037
#define WSAENOTSOCK 10038
#define WSAEDESTADDRREQ 10039
#define WSAEMSGSIZE 10040
#define WSAEPROTOTYPE 10041
#define WSAENOPROTOOPT 10042
#define WSAEPROTONOSUPPORT 10043
#define WSAESOCKTNOSUPPORT 10044
#define WSAEOPNOTSUPP 10045
#define WSAEPFNOSUPPORT 10046
#define WSAEAFNOSUPPORT 10047
#define WSAEADDRINUSE 10048
#define WSAEADDRNOTAVAIL 10049
#define WSAENETDOWN 10050
#define WSAENETUNREACH 10051
#define WSAENETRESET 10052
#define WSAECONNABORTED 10053
#define WSAECONNRESET 10054
#define WSAENOBUFS 10055
#define WSAEISCONN 10056
#define WSAENOTCONN 10057
#define WSAESHUTDOWN 10058
#define WSAETIMEDOUT 10060
#define WSAECONNREFUSED 10061
#define WSAEHOSTDOWN 10064
#define WSAEHOSTUNREACH 10065
#define WSASYSNOTREADY 10091
#define WSAVERNOTSUPPORTED 10092
#define WSANOTINITIALISED 10093
#define WSASYSCALLFAILURE 10107
#define WSAHOST_NOT_FOUND 11001
#define WSATRY_AGAIN 11002
#define WSANO_RECOVERY 11003
#define WSANO_DATA 11004

struct WSANETWORKEVENTS {
  long lNetworkEvents = 0;
  int iErrorCode[FD_MAX_EVENTS] = {};
};
using LPWSANETWORKEVENTS = WSANETWORKEVENTS*;

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128
struct WSADATA {
  WORD wVersion = 0;
  WORD wHighVersion = 0;
  char szDescription[WSADESCRIPTION_LEN + 1] = {};
  char szSystemStatus[WSASYS_STATUS_LEN + 1] = {};
  unsigned short iMaxSockets = 0;
  unsigned short iMaxUdpDg = 0;
  char* lpVendorInfo = nullptr;
};
using LPWSADATA = WSADATA*;

int WSAStartup(WORD versionRequested, LPWSADATA data);
int WSACleanup();

// The error of the last failed socket call of this thread, as a platform error number.
int WSAGetLastError();
void WSASetLastError(int error);
// The platform error number for a host errno value (0 for 0).
int WsaErrorFromErrno(int hostErrno);

// Event objects: manual reset, created unsignalled. They are kernel objects of the core layer, so
// SetEvent, WaitForMultipleObjects and CloseHandle work on them too.
WSAEVENT WSACreateEvent();
BOOL WSACloseEvent(WSAEVENT event);
BOOL WSASetEvent(WSAEVENT event);
BOOL WSAResetEvent(WSAEVENT event);
// Only waitAll FALSE is offered; alertable waits are not (there are no completion routines).
DWORD WSAWaitForMultipleEvents(DWORD count, const WSAEVENT* events, BOOL waitAll, DWORD milliseconds,
                               BOOL alertable);

// Records the socket's network events of `mask` on `event` and makes the socket non-blocking.
// A mask of 0 stops the recording.
int WSAEventSelect(SOCKET s, WSAEVENT event, long mask);
// Returns the events recorded since the last call with their error codes, forgets them and resets
// `event` when it is given.
int WSAEnumNetworkEvents(SOCKET s, WSAEVENT event, LPWSANETWORKEVENTS networkEvents);

int recv(SOCKET s, char* buffer, int length, int flags);
int send(SOCKET s, const char* buffer, int length, int flags);
SOCKET accept(SOCKET s, sockaddr* address, int* addressLength);
int connect(SOCKET s, const sockaddr* address, int addressLength);
int closesocket(SOCKET s);
