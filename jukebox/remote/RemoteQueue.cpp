// The action queue: actions run strictly one at a time, in arrival order; a request is answered once all
// of its actions are done.
#include "jukebox/remote/RemoteControl.h"
#include "jukebox/remote/ResponseDocument.h"
#include "netlib/ThreadBlocks.h"

void CRemoteControl::OnQueueCommand() {
  if (m_actionQueue.empty()) return;
  if (m_currentAction) {
    CString text;
    text.Format("Swallowed next command request because a command is still executing - TransID: %lu, EventID: %lu",
                static_cast<DWORD>(m_currentAction->GetRequestNumber()), static_cast<DWORD>(m_currentAction->GetActionID()));
    Log("I", "MasterWindow", text);
    return;
  }
  m_currentAction = m_actionQueue.front();
  m_actionQueue.pop_front();
  m_executor.ExecuteAction(*m_currentAction);
}

void CRemoteControl::OnActionFinished(bool startNext) {
  if (m_currentAction) {
    m_currentAction->MarkDone();
    const LONG requestNumber = m_currentAction->GetRequestNumber();
    m_currentAction = nullptr;
    if (CountOpenActions(requestNumber) <= 0) SendActionResponse(requestNumber);
  }
  if (startNext) OnQueueCommand();
}

int CRemoteControl::CountOpenActions(LONG requestNumber) const {
  auto found = m_pendingRequests.find(requestNumber);
  return found == m_pendingRequests.end() ? -1 : found->second->CountOpenActions();
}

void CRemoteControl::SendActionResponse(LONG requestNumber) {
  auto found = m_pendingRequests.find(requestNumber);
  if (found == m_pendingRequests.end()) return;
  std::unique_ptr<CRemoteCommand> command = std::move(found->second);
  m_pendingRequests.erase(found);
  if (!command->HasHandler()) {
    // The start-up file has nobody to answer, so an action of it that failed is told in the log.
    for (CRemoteAction* action = command->First(); action; action = command->Next()) {
      if (action->GetReturnCode() == 0) continue;
      CString text;
      text.Format("Start-up action %s (stream %ld) failed: %ld %s", action->GetName().GetString(),
                  static_cast<long>(action->GetSubDevice()) + 1, static_cast<long>(action->GetReturnCode()),
                  action->GetReturnMessage().GetString());
      Log("W", "MasterWindow", text);
    }
    return;
  }
  auto* reply = new CHttpResponse;
  reply->m_status = 200;
  reply->m_reason = "OK";
  reply->m_contentType = "text/xml";
  reply->m_body = BuildActionResponseList(*command);
  reply->m_close = command->GetCloseAfterReply();
  PostToHandler(command->GetHandlerThreadId(), reply);
}
