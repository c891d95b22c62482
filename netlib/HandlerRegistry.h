// What the listener shares with its handler threads: the map of live handlers, the count of threads
// that may still call back, the session table and where the listener's notices go.
//
// The listener and every handler hold it through a shared pointer, so a handler that outlives a
// listener whose shutdown wait ran out still finds its map, its sessions and a notice target that
// knows notices are off: no handler ever reaches freed memory.
#pragma once

#include <atomic>
#include <map>

#include "netlib/LiveThreadCount.h"
#include "netlib/Sessions.h"
#include "netlib/ThreadBlocks.h"
#include "platform/core/CString.h"
#include "platform/core/Sync.h"
#include "platform/core/WinTypes.h"

class CHttpSocketThread;

class CHandlerRegistry {
 public:
  static constexpr DWORD kLockTimeout = 15000;

  // 0 removed; -1 not in the map; -2 map lock time-out. Reports the new count to the owner.
  LONG Remove(DWORD threadId);
  // A handler's last call: out of the map, and no longer counted as a thread that may call back.
  void HandlerEnded(DWORD threadId);
  // Posts a listener notice to the owner while notices are on.
  void Notify(WPARAM code, const CString& text, LONG value);

  CCriticalSection mapLock;
  std::map<DWORD, CHttpSocketThread*> handlers;
  LiveThreadCount liveHandlers;
  CSessionManager sessions;
  std::atomic<LONG> listenerState{0};
  std::atomic<bool> noticesOn{true};
  std::atomic<DWORD> listenerThreadId{0};
  CHttpRequestReader requestReader;  // set before the first handler starts; may be empty
  DWORD writtenNoticeHoldMs = 0;     // set before the first handler starts; 0: notices go at once
  HWND owner = nullptr;     // set before the first handler starts
  UINT serverMessage = 0;   // set before the first handler starts
};
