#include "jukebox/remote/RemoteAction.h"

CRemoteAction::~CRemoteAction() = default;

void CRemoteAction::SetName(const CString& name) {
  m_name = name;
  m_walkLockReady = true;
}

void CRemoteAction::SetResult(LONG code, const CString& message) {
  m_returnCode = code;
  m_returnMessage = message;
}

bool CRemoteAction::AddArgument(const CString& name, CActionArgument* argument) {
  if (!argument) return false;
  std::unique_ptr<CActionArgument> owned(argument);
  m_arguments.try_emplace(name, std::move(owned));
  return true;
}

CActionArgument* CRemoteAction::FindArgument(const CString& name) {
  auto found = m_arguments.find(name);
  if (found == m_arguments.end()) return nullptr;
  m_cursor = found;
  return found->second.get();
}

bool CRemoteAction::BeginArguments() {
  if (!m_walkLockReady || !m_lock.Lock(kArgumentWalkTimeoutMs)) return false;
  m_cursor = m_arguments.begin();
  return true;
}

CActionArgument* CRemoteAction::NextArgument() {
  if (m_cursor == m_arguments.end()) return nullptr;
  CActionArgument* argument = m_cursor->second.get();
  ++m_cursor;
  return argument;
}

void CRemoteAction::EndArguments() {
  m_lock.Unlock();
}

void CRemoteAction::CopyFrom(CRemoteAction& other) {
  if (&other == this) return;
  SetName(other.GetName());
  m_transId = other.m_transId;
  m_requestNumber = other.m_requestNumber;
  m_actionId = other.m_actionId;
  m_subDevice = other.m_subDevice;
  m_returnCode = other.m_returnCode;
  m_returnMessage = other.m_returnMessage;
  m_arguments.clear();
  m_cursor = m_arguments.end();
  // The copy is taken even when the other side's walk lock timed out: a copy must not lose arguments.
  const bool locked = other.BeginArguments();
  for (const auto& [name, argument] : other.m_arguments) AddArgument(name, new CActionArgument(*argument));
  if (locked) other.EndArguments();
}
