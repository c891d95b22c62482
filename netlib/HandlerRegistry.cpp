#include "netlib/HandlerRegistry.h"

#include <string>

#include "netlib/ThreadBlocks.h"
#include "platform/ui/WinUser.h"

LONG CHandlerRegistry::Remove(DWORD threadId) {
  CSingleLock lock(&mapLock);
  if (!lock.Lock(kLockTimeout)) return -2;
  auto it = handlers.find(threadId);
  if (it == handlers.end()) return -1;
  handlers.erase(it);
  LONG count = static_cast<LONG>(handlers.size());
  lock.Unlock();
  Notify(NOTICE_HANDLER_ENDED, CString("Connection Count: ") + CString(std::to_string(count)), count);
  return 0;
}

void CHandlerRegistry::HandlerEnded(DWORD threadId) {
  Remove(threadId);
  liveHandlers.Done();
}

void CHandlerRegistry::Notify(WPARAM code, const CString& text, LONG value) {
  if (!owner || !noticesOn) return;
  auto* notice = new CServerNotice;
  notice->m_code = value;
  notice->m_text = text;
  notice->m_listenerState = static_cast<DWORD>(listenerState.load());
  notice->m_threadId = listenerThreadId;
  if (!PostMessage(owner, serverMessage, code, reinterpret_cast<LPARAM>(notice))) delete notice;
}
