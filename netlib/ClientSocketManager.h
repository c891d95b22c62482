// The outbound connections: creates client connection threads, keeps them by thread id while they
// live, hands them commands, and closes them all at shut-down. Destruction waits a bounded time for
// the client threads; the map lives in a registry they share, so one that outlives the wait never
// reaches a freed manager.
#pragma once

#include <map>
#include <memory>

#include "netlib/ClientRegistry.h"

#include "netlib/HttpSocketThread.h"
#include "netlib/LiveThreadCount.h"
#include "platform/core/Sync.h"

class CClientSocketManager {
 public:
  static constexpr DWORD kLockTimeout = 15000;

  CClientSocketManager() = default;
  CClientSocketManager(const CClientSocketManager&) = delete;
  CClientSocketManager& operator=(const CClientSocketManager&) = delete;
  ~CClientSocketManager();

  BOOL SetOwner(HWND owner, UINT message);
  // A new, running client thread (not yet connected), or none.
  CHttpSocketThread* OpenClientSocket();
  // The thread of that id, or none. The pointer is good only while the thread lives: hand it work
  // through PostCommand, which checks under the map lock.
  CHttpSocketThread* Find(DWORD threadId);
  // Entries left; -1 when the id is not in the map; -2 on a lock time-out.
  LONG Remove(DWORD threadId);
  // Queues a command to a live client thread. True: the block belongs to the thread. False (it has
  // ended, or refused the block: lock time-out, 11 queued): the block stays the caller's, who frees it.
  BOOL PostCommand(DWORD threadId, CHttpCommand* command);
  // The client's connection state, or -1 on a lock time-out, -2 when the thread has ended.
  LONG GetState(DWORD threadId);
  // Ends every client thread and waits up to about 10 s; true when all have ended.
  BOOL CloseAll();
  int GetCount();

  // A client thread's last call on its manager.
  void ClientEnded(DWORD threadId);
  // The table the client threads share with the map (held by every client).
  std::shared_ptr<CClientRegistry> GetRegistry() const { return m_registry; }

 private:
  int PostEndToAll();

  // First: the references below are bound to it.
  std::shared_ptr<CClientRegistry> m_registry = std::make_shared<CClientRegistry>();
  CCriticalSection& m_mapLock = m_registry->mapLock;
  std::map<DWORD, CHttpSocketThread*>& m_connections = m_registry->connections;
  LiveThreadCount& m_liveClients = m_registry->liveClients;
  HWND m_owner = nullptr;
  UINT m_message = 0;
};
