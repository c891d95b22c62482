// The action queue: actions run strictly one at a time, in arrival order; a request is answered once all
// of its actions are done. An action that ends within its call is ended, answered and followed by the
// next one in the same turn of the main window's queue: going round the window's message queue for
// the start and again for the end of every action cost more than most actions themselves.
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
  RunQueuedActions();
}

void CRemoteControl::RunQueuedActions() {
  while (!m_currentAction && !m_actionQueue.empty() && !m_shuttingDown) {
    CRemoteAction* action = m_actionQueue.front();
    m_actionQueue.pop_front();
    m_currentAction = action;
    m_executing = true;
    m_completedInCall = false;
    m_executor.ExecuteAction(*action);
    m_executing = false;
    // Ended within the call unless it ends later (the player's 0x46C) or was ended already
    // (SvcShutdown ends its own action before the server stops).
    if (!m_completedInCall || m_currentAction != action) return;
    OnActionFinished(false);
  }
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
  reply->m_close = command->GetCloseAfterReply();
  const DWORD handler = command->GetHandlerThreadId();
  reply->m_bodyMaker = std::make_unique<CResponseListMaker>(std::move(command));
  PostToHandler(handler, reply);
}
