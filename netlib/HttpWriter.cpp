#include "netlib/HttpWriter.h"

#include "platform/core/Rfc1123Date.h"

namespace {

constexpr std::time_t kExpiresAfter = 86400;

void Line(std::string& text, std::string_view line) {
  text += line;
  text += "\r\n";
}

std::string ConnectionLine(bool close) { return close ? "Connection: close" : "Connection: Keep-Alive"; }

std::string StatusLine(const CHttpResponse& reply) {
  return "HTTP/1.1 " + std::to_string(reply.m_status) + " " + reply.m_reason.str();
}

}  // namespace

CString GetHttpStatusText(int status) {
  switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Unknown Error";
  }
}

CString FormatHttpDate(const FILETIME& fileTime) { return CString(FormatRfc1123Date(fileTime)); }

std::string BuildRequestText(const CHttpRequest& request, const HttpHeaderContext& context) {
  std::string text;
  std::string path = request.m_path.IsEmpty() ? "/" : request.m_path.str();
  Line(text, (request.m_method == 1 ? "POST " : "GET ") + path + " HTTP/1.1");
  Line(text, "Host: " + context.host.str());
  Line(text, "Date: " + FormatRfc1123Date(context.now));
  if (!request.m_contentType.IsEmpty()) Line(text, "Content-Type: " + request.m_contentType.str());
  Line(text, "Cache-Control: no-cache");
  Line(text, "Server: " + context.serverToken.str());
  Line(text, ConnectionLine(request.m_close));
  Line(text, "Content-Length: " + std::to_string(request.m_body.GetLength()));
  Line(text, "");
  text += request.m_body.str();
  return text;
}

std::string BuildReplyText(const CHttpResponse& reply, const HttpHeaderContext& context) {
  std::string text;
  Line(text, StatusLine(reply));
  Line(text, "Date: " + FormatRfc1123Date(context.now));
  if (!reply.m_contentType.IsEmpty()) Line(text, "Content-Type: " + reply.m_contentType.str());
  Line(text, "Cache-Control: no-cache");
  if (!context.setCookie.IsEmpty()) Line(text, "Set-Cookie: TLWSESSIONID=" + context.setCookie.str() + "; path=/");
  Line(text, "Server: " + context.serverToken.str());
  Line(text, ConnectionLine(reply.m_close));
  Line(text, "Content-Length: " + std::to_string(reply.m_body.GetLength()));
  Line(text, "");
  text += reply.m_body.str();
  return text;
}

std::string BuildNotModifiedText(const CHttpResponse& reply, const HttpHeaderContext& context) {
  std::string text;
  Line(text, StatusLine(reply));
  Line(text, "Date: " + FormatRfc1123Date(context.now));
  Line(text, "Server: " + context.serverToken.str());
  Line(text, "Expires: " + FormatRfc1123Date(context.now + kExpiresAfter));
  Line(text, ConnectionLine(reply.m_close));
  Line(text, "Content-Length: 0");
  Line(text, "");
  return text;
}

std::string BuildFileHeaderText(const CHttpResponse& reply, const FILETIME& lastWrite, ULONGLONG fileSize,
                                const HttpHeaderContext& context) {
  std::string text;
  Line(text, StatusLine(reply));
  Line(text, "Date: " + FormatRfc1123Date(context.now));
  if (!reply.m_contentType.IsEmpty()) Line(text, "Content-Type: " + reply.m_contentType.str());
  Line(text, "Last-Modified: " + FormatRfc1123Date(lastWrite));
  Line(text, "Expires: " + FormatRfc1123Date(context.now + kExpiresAfter));
  Line(text, "Server: " + context.serverToken.str());
  Line(text, ConnectionLine(reply.m_close));
  Line(text, "Content-Length: " + std::to_string(fileSize));
  Line(text, "");
  return text;
}
