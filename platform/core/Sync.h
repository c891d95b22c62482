// Synchronisation objects of the framework: critical sections, mutexes and events, and CSingleLock
// over any of them. Every lock honours its time-out: a lock not obtained in time is reported as a
// failure (FALSE), never a hang. Critical sections and mutexes are recursive for their owning thread.
#pragma once

#include <atomic>
#include <mutex>

#include "platform/core/Handle.h"
#include "platform/core/Thread.h"
#include "platform/core/WinTypes.h"

#define ERROR_NOT_OWNER 288L

namespace qh {

// A mutex as a kernel object: owned by one thread, recursive, waitable. The named mutex of other
// programs derives from it. It has a state lock of its own.
class MutexObject : public KernelObject {
 public:
  explicit MutexObject(bool initiallyOwned);
  bool IsSignalledLocked(DWORD threadId) const override;
  void AcquireLocked(DWORD threadId) override;
  // FALSE with ERROR_NOT_OWNER when the calling thread does not own it.
  BOOL Release();

 protected:
  bool IsOwnedLocked() const { return ownerThreadId_ != 0; }
  // Called with StateLock() held when the last ownership was given up.
  virtual void OnFreedLocked() {}

 private:
  DWORD ownerThreadId_ = 0;
  DWORD recursionCount_ = 0;
};

}  // namespace qh

class CSyncObject {
 public:
  CSyncObject() = default;
  CSyncObject(const CSyncObject&) = delete;
  CSyncObject& operator=(const CSyncObject&) = delete;
  // Closes m_hObject when the object has one.
  virtual ~CSyncObject();

  // TRUE when obtained within the time-out (INFINITE waits without limit).
  virtual BOOL Lock(DWORD timeout = INFINITE);
  virtual BOOL Unlock() = 0;
  operator HANDLE() const { return m_hObject; }

  HANDLE m_hObject = nullptr;
};

// A recursive lock of one process. Unlike the original framework's, Lock honours its time-out.
class CCriticalSection : public CSyncObject {
 public:
  BOOL Lock() { return Lock(INFINITE); }
  BOOL Lock(DWORD timeout) override;
  // FALSE (nothing changed) when the calling thread does not hold the lock.
  BOOL Unlock() override;

 private:
  std::timed_mutex mutex_;
  std::atomic<DWORD> ownerThreadId_{0};
  DWORD recursionCount_ = 0;  // touched only by the owner
};

// An unnamed mutex (a named one is made with CreateMutex).
class CMutex : public CSyncObject {
 public:
  explicit CMutex(BOOL initiallyOwn = FALSE);
  BOOL Unlock() override;
};

// An event; a successful Lock consumes the signal of an auto-reset event.
class CEvent : public CSyncObject {
 public:
  explicit CEvent(BOOL initiallyOwn = FALSE, BOOL manualReset = FALSE, LPCSTR name = nullptr,
                  LPSECURITY_ATTRIBUTES security = nullptr);
  BOOL SetEvent();
  BOOL ResetEvent();
  BOOL Unlock() override { return TRUE; }
};

// Holds one synchronisation object for a scope; the destructor unlocks what it locked.
class CSingleLock {
 public:
  explicit CSingleLock(CSyncObject* object, BOOL initialLock = FALSE);
  CSingleLock(const CSingleLock&) = delete;
  CSingleLock& operator=(const CSingleLock&) = delete;
  ~CSingleLock();

  // TRUE when locked (also when this lock already held it); FALSE after the time-out.
  BOOL Lock(DWORD timeout = INFINITE);
  BOOL Unlock();
  BOOL IsLocked() const { return locked_; }

 private:
  CSyncObject* object_;
  BOOL locked_ = FALSE;
};

// Events by handle. The name of a named event is not shared between processes.
HANDLE CreateEvent(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
