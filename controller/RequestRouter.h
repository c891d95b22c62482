// The answers to browser GETs: template pages under "/USER/<page>", the default page for every
// other path, static files from the Images, Styles and Scripts folders, and the session's variables
// under "/DEBUG". Each fills a reply (body, content type, or a file for the connection to send) and
// gives the HTTP status.
#pragma once

#include "platform/core/CString.h"

class CSession;
class CTemplateHandler;

struct CReplyState {
  CString m_body;
  CString m_contentType;
  CString m_filePath;
  void Clear() {
    m_body.Empty();
    m_contentType.Empty();
    m_filePath.Empty();
  }
};

class CRequestRouter {
 public:
  CRequestRouter(CTemplateHandler& templates, const CString& startDirectory)
      : m_templates(templates), m_startDirectory(startDirectory) {}

  int DispatchGetRequest(const CString& url, CSession* session, CReplyState& reply);
  int SendTemplatePage(CSession* session, const CString& page, CReplyState& reply);
  int SendNewSessionPage(CSession* session, CReplyState& reply);
  int SendImage(const CString& name, CReplyState& reply);
  int SendStyleSheet(const CString& name, CReplyState& reply);
  int SendScript(const CString& name, CReplyState& reply);

  // A static file's name as the browser wrote it after the folder: percent escapes decoded, then
  // refused (false) when it could leave its folder or names no plain file: "..", a separator of either
  // kind, a drive colon, a leading dot or a control character.
  static bool CleanStaticName(const CString& raw, CString& name);

 private:
  int SendStaticFile(const CString& name, int minimumLength, const char* const* endings, const char* folder,
                     CReplyState& reply);

  CTemplateHandler& m_templates;
  CString m_startDirectory;
};

// The session's variables as a variableList document (200).
int WriteVariableListXml(CSession* session, CString& body);
