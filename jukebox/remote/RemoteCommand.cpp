#include "jukebox/remote/RemoteCommand.h"

void CRemoteCommand::Stamp(LONG requestNumber) {
  m_requestNumber = requestNumber;
  m_created = std::time(nullptr);
}

void CRemoteCommand::SetOrigin(const CString& path, DWORD threadId, CHttpSocketThread* thread) {
  m_requestPath = path;
  m_handlerThreadId = threadId;
  m_handlerThread = thread;
}

bool CRemoteCommand::AddAction(LONG actionId, std::unique_ptr<CRemoteAction> action) {
  if (!action) return false;
  if (m_actions.contains(actionId)) {
    m_duplicates.push_back(std::move(action));
    return false;
  }
  m_actions.emplace(actionId, std::move(action));
  return true;
}

int CRemoteCommand::CountOpenActions() const {
  int open = 0;
  for (const auto& [id, action] : m_actions)
    if (!action->IsDone()) ++open;
  for (const auto& action : m_duplicates)
    if (!action->IsDone()) ++open;
  return open;
}

CRemoteAction* CRemoteCommand::First() {
  m_cursor = m_actions.begin();
  return Next();
}

CRemoteAction* CRemoteCommand::Next() {
  if (m_cursor == m_actions.end()) return nullptr;
  CRemoteAction* action = m_cursor->second.get();
  ++m_cursor;
  return action;
}
