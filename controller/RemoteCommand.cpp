#include "controller/RemoteCommand.h"

#include "netlib/Sessions.h"

CRemoteCommand::CRemoteCommand() : m_timeStamp(std::time(nullptr)) {}

void CRemoteCommand::SetBody(const CString& body, std::shared_ptr<CSession> session) {
  m_body = body;
  m_session = std::move(session);
}

BOOL CRemoteCommand::AddAction(DWORD actionId, CPendingCommand* command) {
  std::unique_ptr<CPendingCommand> owned(command);
  if (!owned || m_actions.count(actionId)) return FALSE;
  m_actions.emplace(actionId, std::move(owned));
  return TRUE;
}

CPendingCommand* CRemoteCommand::FindAction(DWORD actionId) {
  auto it = m_actions.find(actionId);
  return it == m_actions.end() ? nullptr : it->second.get();
}

BOOL CRemoteCommand::RemoveAction(DWORD actionId) {
  auto it = m_actions.find(actionId);
  if (it == m_actions.end()) return FALSE;
  if (m_actionCursor == it) ++m_actionCursor;
  m_actions.erase(it);
  return TRUE;
}

int CRemoteCommand::DropDeviceActions(DWORD deviceNumber) {
  int dropped = 0;
  for (auto it = m_actions.begin(); it != m_actions.end();) {
    if (it->second->m_deviceNumber != deviceNumber) {
      ++it;
      continue;
    }
    if (m_actionCursor == it) ++m_actionCursor;
    it = m_actions.erase(it);
    ++dropped;
  }
  RemoveDeviceGroup(deviceNumber);
  return dropped;
}

CPendingCommand* CRemoteCommand::NextAction() {
  if (m_actionCursor == m_actions.end()) return nullptr;
  return (m_actionCursor++)->second.get();
}

void CRemoteCommand::AddToDeviceGroup(DWORD deviceNumber, const CString& text) { m_groups[deviceNumber] += text; }

CString CRemoteCommand::GetDeviceGroup(DWORD deviceNumber) const {
  auto it = m_groups.find(deviceNumber);
  return it == m_groups.end() ? CString() : it->second;
}

BOOL CRemoteCommand::RemoveDeviceGroup(DWORD deviceNumber) {
  auto it = m_groups.find(deviceNumber);
  if (it == m_groups.end()) return FALSE;
  if (m_groupCursor == it) ++m_groupCursor;
  m_groups.erase(it);
  return TRUE;
}

CString CRemoteCommand::NextDeviceGroup(DWORD& deviceNumber) {
  if (m_groupCursor == m_groups.end()) return "";
  deviceNumber = m_groupCursor->first;
  return (m_groupCursor++)->second;
}

bool CRemoteCommand::CheckTimeout(double limitSeconds, std::time_t now) {
  if (std::difftime(now, m_timeStamp) <= limitSeconds) return false;
  ClearPending();
  return true;
}

void CRemoteCommand::ClearPending() {
  m_actions.clear();
  m_actionCursor = m_actions.end();
}
