// The WinInet subset the CDDB lookup uses, over libcurl: a session, a connection to an HTTP server and
// GET requests, synchronous or asynchronous (INTERNET_FLAG_ASYNC). In asynchronous mode a request runs
// on a thread of its own; HttpSendRequest and InternetReadFile then answer ERROR_IO_PENDING and the
// status callback reports INTERNET_STATUS_REQUEST_COMPLETE from that thread, with the request's
// context, once the reply's headers (or the asked-for bytes) are there; a pending read has filled the
// caller's buffer and count before the callback runs. No callback starts after InternetCloseHandle of
// the request (or of its connection or session) has returned.
//
// Every read from the network is bounded: the connect time-out and the receive time-out (no byte for
// that long ends the request with ERROR_INTERNET_TIMEOUT), and a reply body of at most
// kMaxReplyBytes (more ends it with ERROR_INTERNET_CONNECTION_ABORTED). Request paths with spaces or
// control characters are refused (ERROR_INTERNET_INVALID_URL), so nothing can be smuggled into the
// request line or its headers.
#pragma once

#include "platform/core/WinTypes.h"

using HINTERNET = void*;
using INTERNET_PORT = WORD;

#define INTERNET_OPEN_TYPE_PRECONFIG 0u
#define INTERNET_OPEN_TYPE_DIRECT 1u
#define INTERNET_FLAG_ASYNC 0x10000000u
#define INTERNET_FLAG_RELOAD 0x80000000u
#define INTERNET_SERVICE_HTTP 3u
#define INTERNET_DEFAULT_HTTP_PORT 80

#define INTERNET_OPTION_CONNECT_TIMEOUT 2u
#define INTERNET_OPTION_SEND_TIMEOUT 5u
#define INTERNET_OPTION_CONTROL_SEND_TIMEOUT 5u
#define INTERNET_OPTION_RECEIVE_TIMEOUT 6u
#define INTERNET_OPTION_CONTROL_RECEIVE_TIMEOUT 6u
#define INTERNET_OPTION_DATA_SEND_TIMEOUT 7u
#define INTERNET_OPTION_DATA_RECEIVE_TIMEOUT 8u

#define INTERNET_STATUS_HANDLE_CREATED 60u
#define INTERNET_STATUS_REQUEST_COMPLETE 100u

#define HTTP_QUERY_STATUS_CODE 19u
#define HTTP_QUERY_FLAG_NUMBER 0x20000000u

#define ERROR_IO_PENDING 997L
#define INTERNET_ERROR_BASE 12000L
#define ERROR_INTERNET_TIMEOUT 12002L
#define ERROR_INTERNET_INVALID_URL 12005L
#define ERROR_INTERNET_NAME_NOT_RESOLVED 12007L
#define ERROR_INTERNET_INVALID_OPTION 12009L
#define ERROR_INTERNET_INCORRECT_HANDLE_TYPE 12018L
#define ERROR_INTERNET_INCORRECT_HANDLE_STATE 12019L
#define ERROR_INTERNET_CANNOT_CONNECT 12029L
#define ERROR_INTERNET_CONNECTION_ABORTED 12030L
#define ERROR_INTERNET_CONNECTION_RESET 12031L
#define ERROR_HTTP_HEADER_NOT_FOUND 12150L
#define ERROR_HTTP_INVALID_SERVER_RESPONSE 12152L

struct INTERNET_ASYNC_RESULT {
  DWORD_PTR dwResult;
  DWORD dwError;
};

using INTERNET_STATUS_CALLBACK = void (*)(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID information,
                                          DWORD informationLength);
#define INTERNET_INVALID_STATUS_CALLBACK (reinterpret_cast<INTERNET_STATUS_CALLBACK>(-1L))

namespace qh::inet {
constexpr DWORD kMaxReplyBytes = 4u * 1024 * 1024;
}

HINTERNET InternetOpen(LPCSTR agent, DWORD accessType, LPCSTR proxy, LPCSTR proxyBypass, DWORD flags);
BOOL InternetSetOption(HINTERNET handle, DWORD option, LPVOID buffer, DWORD length);
// The previous callback; INTERNET_INVALID_STATUS_CALLBACK for a bad handle.
INTERNET_STATUS_CALLBACK InternetSetStatusCallback(HINTERNET handle, INTERNET_STATUS_CALLBACK callback);
// Always completes at once: the connection is made by the first request.
HINTERNET InternetConnect(HINTERNET session, LPCSTR server, INTERNET_PORT port, LPCSTR user, LPCSTR password,
                          DWORD service, DWORD flags, DWORD_PTR context);
HINTERNET HttpOpenRequest(HINTERNET connection, LPCSTR verb, LPCSTR object, LPCSTR version, LPCSTR referrer,
                          LPCSTR* acceptTypes, DWORD flags, DWORD_PTR context);
BOOL HttpSendRequest(HINTERNET request, LPCSTR headers, DWORD headersLength, LPVOID optional, DWORD optionalLength);
BOOL HttpQueryInfo(HINTERNET request, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength, LPDWORD index);
// TRUE with *read = 0 at the end of the reply.
BOOL InternetReadFile(HINTERNET request, LPVOID buffer, DWORD toRead, LPDWORD read);
BOOL InternetCloseHandle(HINTERNET handle);
