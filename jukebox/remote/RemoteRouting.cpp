// Routing of a parsed request: POST "/CONTROL" with an XML body becomes a record of queued actions
// (answered when they are done), PUT is an upload that the connection thread has already written into
// the upload folder, everything else is refused with 500.
#include "jukebox/app/JukeboxApp.h"
#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/MasterWindow.h"
#include "jukebox/app/ZoneWindowKit.h"
#include "jukebox/remote/ActionDocument.h"
#include "jukebox/remote/RemoteControl.h"
#include "jukebox/remote/ResponseDocument.h"
#include "netlib/HttpWriter.h"
#include "netlib/ServerThread.h"

namespace {

// True when `text` begins with `prefix` (upper case), without regard to case.
bool BeginsNoCase(const CString& text, const char* prefix) {
  const std::string_view view = text.view();
  for (size_t i = 0; prefix[i] != '\0'; ++i) {
    if (i >= view.size()) return false;
    char c = view[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != prefix[i]) return false;
  }
  return true;
}

// What the upload shows on the selected zone: the extension, or the last four characters.
CString UploadLabel(const CString& path) {
  if (path.GetLength() <= 4) return path;
  const int dot = path.ReverseFind('.');
  return dot >= 0 ? path.Mid(dot) : path.Right(4);
}

// The actions of a control request, read on its connection thread.
class CReadActions : public CReadRequest {
 public:
  LONG result = ACTION_DOC_OK;
  std::vector<std::unique_ptr<CRemoteAction>> actions;
};

const char* StatusText(LONG status) {
  switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    default: return "Internal Server Error";
  }
}

}  // namespace

void CRemoteControl::RouteRequest(CHttpResponse* block) {
  std::unique_ptr<CHttpResponse> request(block);
  // After the shut-down began nothing new is taken; the connection is closed with the server.
  if (!request || m_shuttingDown) return;
  m_replyBody.Empty();
  m_replyContentType.Empty();
  m_replyFilePath.Empty();
  LONG status = 500;
  if (request->m_methodCode == HTTP_METHOD_POST) {
    status = HandleControlPost(*request);
  } else if (request->m_methodCode == HTTP_METHOD_PUT) {
    status = HandleUploadPut(*request);
  }
  if (status == 0) return;  // answered when its actions are done
  ReplyNow(*request, status);
}

void CRemoteControl::ReplyNow(const CHttpResponse& request, LONG status) {
  auto* reply = new CHttpResponse;
  reply->m_status = status;
  reply->m_reason = StatusText(status);
  reply->m_body = m_replyBody;
  reply->m_contentType = m_replyContentType;
  reply->m_url = m_replyFilePath;
  // Errors close the connection; so does a reply to a peer that asked for it.
  reply->m_close = status >= 400 || request.m_close;
  reply->m_session = request.m_session;
  reply->m_sessionIsNew = request.m_sessionIsNew;
  PostToHandler(request.m_threadId, reply);
}

bool CRemoteControl::PostToHandler(DWORD threadId, CHttpResponse* reply) {
  auto* command = new CHttpCommand(HTTP_CMD_WRITE_REPLY, reply);
  // The handler is looked up under the server's lock: one whose connection has ended meanwhile is no
  // longer there, and its reply is dropped instead of reaching a freed thread.
  if (m_server && m_server->PostToHandler(threadId, command)) return true;
  delete command;
  CString text;
  text.Format("Handler thread 0x%lx is gone or refused the reply; the reply is dropped.", static_cast<unsigned long>(threadId));
  Log("W", "MasterWindow", text);
  return false;
}

LONG CRemoteControl::HandleControlPost(const CHttpResponse& request) {
  if (!BeginsNoCase(request.m_url, "/CONTROL")) return 500;
  return HandleXmlRequest(request);
}

std::unique_ptr<CReadRequest> CRemoteControl::ReadControlRequest(const CHttpResponse& request) {
  if (request.m_methodCode != HTTP_METHOD_POST || !BeginsNoCase(request.m_url, "/CONTROL") ||
      !BeginsNoCase(request.m_contentType, "TEXT/XML"))
    return nullptr;
  auto read = std::make_unique<CReadActions>();
  read->result = ReadActionElements(request.m_body.view(), read->actions);
  return read;
}

LONG CRemoteControl::HandleXmlRequest(const CHttpResponse& request) {
  if (!BeginsNoCase(request.m_contentType, "TEXT/XML")) return 500;
  const LONG result = FileActionRequest(request.m_body.view(), request.m_url, request.m_threadId, request.m_thread,
                                        request.m_close, request.m_read.get());
  if (result == 0) return 0;
  if (result > 0) {
    // A document without any action has nothing that would ever answer it: it is answered now.
    m_replyBody = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><actionResponseList></actionResponseList>";
    m_replyContentType = "text/xml";
    return 200;
  }
  return 400;
}

LONG CRemoteControl::ParseActionRequest(const CString& text) {
  const LONG result = FileActionRequest(text.view(), CString(), 0, nullptr, false);
  return result > 0 ? 0 : result;
}

// 0 when the actions were queued, 1 when the document held none, negative when it could not be read.
LONG CRemoteControl::FileActionRequest(std::string_view text, const CString& path, DWORD threadId,
                                       CHttpSocketThread* thread, bool closeAfterReply, CReadRequest* read) {
  auto command = std::make_unique<CRemoteCommand>();
  command->Stamp(m_requestCounter++);
  command->SetOrigin(path, threadId, thread);
  command->SetCloseAfterReply(closeAfterReply);
  std::vector<std::unique_ptr<CRemoteAction>> actions;
  auto* readAlready = dynamic_cast<CReadActions*>(read);
  const LONG result = readAlready ? readAlready->result : ReadActionElements(text, actions);
  if (readAlready) actions = std::move(readAlready->actions);
  if (result < 0) return result;
  if (actions.empty()) return 1;
  for (auto& action : actions) {
    action->SetRequestNumber(command->GetRequestNumber());
    m_actionQueue.push_back(action.get());
    const LONG actionId = action->GetActionID();
    command->AddAction(actionId, std::move(action));
  }
  const LONG number = command->GetRequestNumber();
  m_pendingRequests.emplace(number, std::move(command));
  // A request is started at once, as 0x46B would start it; the start-up file is read inside a timer
  // handler and runs only after it, from the message.
  if (threadId != 0)
    OnQueueCommand();
  else
    m_window.PostMessage(jukebox::kMsgCommandQueued, 0, 0);
  return 0;
}

LONG CRemoteControl::HandleUploadPut(const CHttpResponse& request) {
  const CString& path = request.m_url;
  m_replyBody = BuildUploadReply(path);
  m_replyContentType = "text/xml";
  Log("I", "WebServer", "Remote Upload: File " + path + " uploaded.");
  m_window.NoteUploadReceived();
  CString status;
  status.Format("UPLOAD: %s Count: %d", UploadLabel(path).GetString(), m_window.m_nUploadsReceived);
  CJukeboxApp* app = JukeboxApp();
  const int zone = m_window.GetCurrentZone();
  if (app && zone >= 0 && zone < CJukeboxApp::kMaxZones)
    if (CWnd* zoneWindow = app->GetZoneWindow(zone)) ZoneWindowKit().SetStatusText(zoneWindow, status);
  return 200;
}
