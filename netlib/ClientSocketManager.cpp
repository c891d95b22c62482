#include "netlib/ClientSocketManager.h"

#include <new>

namespace {
constexpr int kCloseWaitMs = 10000;
constexpr int kRepostIntervalMs = 500;
}  // namespace

CClientSocketManager::~CClientSocketManager() {
  // CloseAll waits about 10 s; a client still busy after that keeps the registry alive by itself.
  CloseAll();
}

BOOL CClientSocketManager::SetOwner(HWND owner, UINT message) {
  m_owner = owner;
  m_message = message;
  return TRUE;
}

CHttpSocketThread* CClientSocketManager::OpenClientSocket() {
  auto* client = new (std::nothrow) CHttpSocketThread;
  if (client == nullptr) return nullptr;
  // No upload folder: a PUT arriving on an outbound connection is refused, never written anywhere.
  if (!client->CreateThread(CREATE_SUSPENDED) || !client->Init(m_owner, m_message, "") ||
      !client->SetClientManager(this)) {
    delete client;
    return nullptr;
  }
  DWORD threadId = client->m_nThreadID;
  m_liveClients.Add();
  DWORD previous = client->ResumeThread();
  if (previous != 0 && previous != 1) {
    m_liveClients.Done();
    delete client;
    return nullptr;
  }
  CSingleLock lock(&m_mapLock);
  if (lock.Lock(kLockTimeout) && m_connections.emplace(threadId, client).second) return client;
  // A running thread that nobody could reach again is ended at once; it removes itself.
  auto* end = new CHttpCommand(HTTP_CMD_END);
  if (!client->PostCommand(end)) delete end;
  return nullptr;
}

CHttpSocketThread* CClientSocketManager::Find(DWORD threadId) {
  CSingleLock lock(&m_mapLock);
  if (!lock.Lock(kLockTimeout)) return nullptr;
  auto it = m_connections.find(threadId);
  return it == m_connections.end() ? nullptr : it->second;
}

LONG CClientSocketManager::Remove(DWORD threadId) { return m_registry->Remove(threadId); }

void CClientSocketManager::ClientEnded(DWORD threadId) { m_registry->ClientEnded(threadId); }

BOOL CClientSocketManager::PostCommand(DWORD threadId, CHttpCommand* command) {
  CSingleLock lock(&m_mapLock);
  if (!lock.Lock(kLockTimeout)) return FALSE;
  auto it = m_connections.find(threadId);
  if (it == m_connections.end()) return FALSE;
  return it->second->PostCommand(command);
}

LONG CClientSocketManager::GetState(DWORD threadId) {
  CSingleLock lock(&m_mapLock);
  if (!lock.Lock(kLockTimeout)) return -1;
  auto it = m_connections.find(threadId);
  if (it == m_connections.end()) return -2;
  return it->second->GetState();
}

int CClientSocketManager::GetCount() {
  CSingleLock lock(&m_mapLock);
  if (!lock.Lock(kLockTimeout)) return -1;
  return static_cast<int>(m_connections.size());
}

int CClientSocketManager::PostEndToAll() {
  CSingleLock lock(&m_mapLock);
  if (!lock.Lock(kLockTimeout)) return -1;
  for (auto& [id, client] : m_connections) {
    auto* end = new CHttpCommand(HTTP_CMD_END);
    if (!client->PostCommand(end)) delete end;
  }
  return static_cast<int>(m_connections.size());
}

BOOL CClientSocketManager::CloseAll() {
  int count = PostEndToAll();
  if (count < 0) return FALSE;
  if (count == 0) return TRUE;
  for (int waited = 0; waited < kCloseWaitMs; waited += kRepostIntervalMs) {
    if (m_liveClients.WaitForZero(kRepostIntervalMs)) return TRUE;
    PostEndToAll();
  }
  return GetCount() == 0;
}
