// The texts of outgoing HTTP messages and the status texts and dates of their headers.
#pragma once

#include <ctime>
#include <string>

#include "netlib/ThreadBlocks.h"
#include "platform/core/CString.h"

// The reason text an owner puts into a reply: 200 "OK", 204 "No Content", 400 "Bad Request",
// 403 "Forbidden", 404 "Not Found", 500 "Internal Server Error", anything else "Unknown Error".
CString GetHttpStatusText(int status);
// "Sun, 06 Nov 1994 08:49:37 GMT".
CString FormatHttpDate(const FILETIME& fileTime);

struct HttpHeaderContext {
  CString serverToken;
  CString host;        // Host of requests
  CString setCookie;   // value of a Set-Cookie line; none when empty
  std::time_t now = 0;
};

std::string BuildRequestText(const CHttpRequest& request, const HttpHeaderContext& context);
std::string BuildReplyText(const CHttpResponse& reply, const HttpHeaderContext& context);
std::string BuildNotModifiedText(const CHttpResponse& reply, const HttpHeaderContext& context);
// The header of a file reply (the file itself follows).
std::string BuildFileHeaderText(const CHttpResponse& reply, const FILETIME& lastWrite, ULONGLONG fileSize,
                                const HttpHeaderContext& context);
