// What the outbound connection map shares with its client threads: the map of live clients and the
// count of threads that may still call back. Held through a shared pointer by the map and by every
// client, so a client that outlives the map's shutdown wait never reaches freed memory.
#pragma once

#include <map>

#include "netlib/LiveThreadCount.h"
#include "platform/core/Sync.h"
#include "platform/core/WinTypes.h"

class CHttpSocketThread;

class CClientRegistry {
 public:
  static constexpr DWORD kLockTimeout = 15000;

  // Entries left; -1 when the id is not in the map; -2 on a lock time-out.
  LONG Remove(DWORD threadId) {
    CSingleLock lock(&mapLock);
    if (!lock.Lock(kLockTimeout)) return -2;
    auto it = connections.find(threadId);
    if (it == connections.end()) return -1;
    connections.erase(it);
    return static_cast<LONG>(connections.size());
  }
  // A client thread's last call.
  void ClientEnded(DWORD threadId) {
    Remove(threadId);
    liveClients.Done();
  }

  CCriticalSection mapLock;
  std::map<DWORD, CHttpSocketThread*> connections;
  LiveThreadCount liveClients;
};
