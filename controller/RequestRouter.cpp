#include "controller/RequestRouter.h"

#include <cctype>

#include "controller/LogText.h"
#include "controller/TemplateHandler.h"
#include "controller/XmlText.h"
#include "netlib/HttpParser.h"
#include "netlib/Sessions.h"
#include "platform/core/Paths.h"

namespace {

bool EndsWith(const CString& text, const char* ending) {
  std::string_view view = text.view();
  std::string_view tail = ending;
  return view.size() >= tail.size() && view.substr(view.size() - tail.size()) == tail;
}

}  // namespace

bool CRequestRouter::CleanStaticName(const CString& raw, CString& name) {
  // A path takes no half escapes, and its "+" is a plus (the form decoder would make it a blank).
  std::string escaped;
  std::string_view view = raw.view();
  for (size_t i = 0; i < view.size(); ++i) {
    if (view[i] == '%' && !(i + 2 < view.size() && std::isxdigit(static_cast<unsigned char>(view[i + 1])) &&
                            std::isxdigit(static_cast<unsigned char>(view[i + 2]))))
      return false;
    if (view[i] == '+')
      escaped += "%2B";
    else
      escaped += view[i];
  }
  const std::string decoded = PercentDecode(escaped).str();
  if (decoded.empty() || decoded[0] == '.' || decoded.find("..") != std::string::npos) return false;
  for (char c : decoded) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' || c == ':') return false;
  }
  name = CString(decoded.c_str(), static_cast<int>(decoded.size()));
  return true;
}

int CRequestRouter::DispatchGetRequest(const CString& url, CSession* session, CReplyState& reply) {
  CString path = url;
  int query = path.Find('?');
  if (query >= 0) path = path.Left(query);
  path = UpperAscii(path);
  CString folder = path, file;
  int slash = path.ReverseFind('/');
  if (slash > 0) {
    folder = path.Left(slash);
    file = path.Mid(slash + 1);
  }
  if (folder == "/USER") {
    reply.m_contentType = "text/html";
    return SendTemplatePage(session, file, reply);
  }
  if (folder == "/IMAGES") return SendImage(file, reply);
  if (folder == "/STYLES") return SendStyleSheet(file, reply);
  if (folder == "/SCRIPTS") return SendScript(file, reply);
  if (folder == "/DEBUG") {
    reply.m_contentType = "text/xml";
    return WriteVariableListXml(session, reply.m_body);
  }
  reply.m_contentType = "text/html";
  return SendTemplatePage(session, "DEFAULT.HTM", reply);
}

int CRequestRouter::SendTemplatePage(CSession* session, const CString& page, CReplyState& reply) {
  if (session) {
    session->SetVariable("SYSPREVPAGE", "SYSCURPAGE");
    session->SetStringVariable("SYSCURPAGE", page);
  }
  reply.m_body.Empty();
  if (m_templates.RenderPage(page, reply.m_body, session) < 0) {
    reply.m_body.Empty();
    return 404;
  }
  return 200;
}

int CRequestRouter::SendNewSessionPage(CSession* session, CReplyState& reply) {
  reply.m_contentType = "text/html";
  return SendTemplatePage(session, "NEWSESSION.HTM", reply);
}

int CRequestRouter::SendStaticFile(const CString& raw, int minimumLength, const char* const* endings,
                                   const char* folder, CReplyState& reply) {
  if (raw.GetLength() <= minimumLength) return 200;
  bool accepted = false;
  for (const char* const* ending = endings; *ending; ++ending) accepted = accepted || EndsWith(raw, *ending);
  if (!accepted) return 400;
  CString name, path;
  if (!CleanStaticName(raw, name)) return 400;
  if (!qh::JoinUnderFolder(m_startDirectory + folder, UpperAscii(name), path)) return 400;
  reply.m_filePath = path;
  return 200;
}

int CRequestRouter::SendImage(const CString& name, CReplyState& reply) {
  static const char* const kEndings[] = {".JPG", ".GIF", "JPEG", nullptr};
  int status = SendStaticFile(name, 4, kEndings, "\\Images", reply);
  if (status == 200 && !reply.m_filePath.IsEmpty())
    reply.m_contentType = EndsWith(name, ".GIF") ? "image/gif" : "image/jpeg";
  return status;
}

int CRequestRouter::SendStyleSheet(const CString& name, CReplyState& reply) {
  static const char* const kEndings[] = {".CSS", nullptr};
  int status = SendStaticFile(name, 4, kEndings, "\\Styles", reply);
  if (status == 200 && !reply.m_filePath.IsEmpty()) reply.m_contentType = "text/css";
  return status;
}

int CRequestRouter::SendScript(const CString& name, CReplyState& reply) {
  static const char* const kEndings[] = {".JS", nullptr};
  int status = SendStaticFile(name, 3, kEndings, "\\Scripts", reply);
  if (status == 200 && !reply.m_filePath.IsEmpty()) reply.m_contentType = "text/JavaScript";
  return status;
}

int WriteVariableListXml(CSession* session, CString& body) {
  std::string out = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><variableList>";
  if (session && session->BeginEnumVariables()) {
    CString name;
    CValueNode value;
    while (session->GetNextVariable(name, value)) {
      out += "<varItem><varName>";
      out += XmlEscapeText(name).view();
      out += "</varName>";
      if (value.GetItemCount() > 0) {
        for (int i = 0; i < value.GetItemCount(); ++i) {
          CValueNode element;
          value.GetItem(i, element);
          out += "<arrayIndex>" + std::to_string(i) + "</arrayIndex><arrayValue>";
          out += XmlEscapeText(element.ToText()).view();
          out += "</arrayValue>";
        }
      } else {
        out += "<varValue>";
        out += XmlEscapeText(value.ToText()).view();
        out += "</varValue>";
      }
      out += "</varItem>";
    }
  }
  out += "</variableList>";
  body = CString(out.c_str(), static_cast<int>(out.size()));
  return 200;
}
