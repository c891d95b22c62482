#include "platform/core/Thread.h"

#include <pthread.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <utility>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <system_error>
#include <thread>

namespace qh {

// The kernel side of a thread. Every field is guarded by KernelStateLock().
class ThreadObject : public KernelObject {
 public:
  explicit ThreadObject(DWORD threadId) : id(threadId) {}
  bool IsSignalledLocked(DWORD) const override { return finished; }

  const DWORD id;
  DWORD suspendCount = 0;
  bool started = false;    // left the suspended state and runs (or ran) its code
  bool cancelled = false;  // its object went away before it was ever resumed
  bool finished = false;
  DWORD exitCode = STILL_ACTIVE;
  int priority = THREAD_PRIORITY_NORMAL;
  pid_t hostThreadId = 0;
  std::condition_variable resumed;
};

}  // namespace qh

namespace {

// Ids look like the platform's (multiples of 4) and are never reused, so an id names one thread for
// the life of the process; they are made before the thread runs.
DWORD NextThreadId() {
  static std::atomic<DWORD> next{0x1000};
  return next.fetch_add(4);
}

thread_local DWORD t_threadId = 0;
thread_local std::shared_ptr<qh::ThreadObject> t_threadObject;
thread_local CWinThread* t_currentWinThread = nullptr;

// Host scheduling weight for a priority. Only lowering is applied: raising needs privileges a
// jukebox does not have, so a higher priority is recorded and reported but not enforced.
int NiceValueFor(int priority) {
  if (priority <= THREAD_PRIORITY_IDLE) return 19;
  if (priority <= THREAD_PRIORITY_LOWEST) return 10;
  if (priority <= THREAD_PRIORITY_BELOW_NORMAL) return 5;
  return 0;
}

void ApplyHostPriority(pid_t hostThreadId, int priority) {
  if (hostThreadId == 0) return;
  const int nice = NiceValueFor(priority);
  if (nice > 0) setpriority(PRIO_PROCESS, static_cast<id_t>(hostThreadId), nice);
}

std::shared_ptr<qh::ThreadObject> ThreadOf(HANDLE handle) {
  return qh::LookupHandleAs<qh::ThreadObject>(handle);
}

DWORD Resume(qh::ThreadObject& thread) {
  std::lock_guard guard(qh::KernelStateLock());
  const DWORD previous = thread.suspendCount;
  if (previous > 0 && --thread.suspendCount == 0) thread.resumed.notify_all();
  return previous;
}

BOOL SetPriority(qh::ThreadObject& thread, int priority) {
  pid_t hostThreadId = 0;
  {
    std::lock_guard guard(qh::KernelStateLock());
    thread.priority = priority;
    if (thread.started && !thread.finished) hostThreadId = thread.hostThreadId;
  }
  ApplyHostPriority(hostThreadId, priority);
  return TRUE;
}

int PriorityOf(const qh::ThreadObject& thread) {
  std::lock_guard guard(qh::KernelStateLock());
  return thread.priority;
}

}  // namespace

namespace qh {

KernelObjectPtr CurrentThreadObject() {
  if (!t_threadObject) t_threadObject = std::make_shared<ThreadObject>(GetCurrentThreadId());
  return t_threadObject;
}

}  // namespace qh

CWinThread::CWinThread() = default;

CWinThread::CWinThread(AFX_THREADPROC proc, LPVOID param) : m_pfnThreadProc(proc), m_pThreadParams(param) {}

CWinThread::~CWinThread() {
  if (thread_) {
    std::lock_guard guard(qh::KernelStateLock());
    if (!thread_->started) {
      thread_->cancelled = true;
      thread_->resumed.notify_all();
    }
  }
  if (m_hThread) CloseHandle(m_hThread);
}

// A stack size asks for that much stack (at least the host's minimum) instead of the host's default.
// Small stacks matter to programs that start a thread per connection: the host keeps a limited
// amount of finished threads' stacks for reuse, and default-sized ones soon overflow it, so every
// new thread would map, guard and fault in a fresh stack.
bool CWinThread::StartHostThread(const std::shared_ptr<qh::ThreadObject>& thread, UINT stackSize) {
  if (stackSize == 0) {
    try {
      std::thread(&CWinThread::ThreadEntry, this, thread).detach();
    } catch (const std::system_error&) {
      return false;
    }
    return true;
  }
  using Start = std::pair<CWinThread*, std::shared_ptr<qh::ThreadObject>>;
  auto* start = new Start(this, thread);
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, std::max<size_t>(stackSize, PTHREAD_STACK_MIN));
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  pthread_t host;
  int result = pthread_create(
      &host, &attributes,
      [](void* param) -> void* {
        std::unique_ptr<Start> owned(static_cast<Start*>(param));
        ThreadEntry(owned->first, std::move(owned->second));
        return nullptr;
      },
      start);
  pthread_attr_destroy(&attributes);
  if (result == 0) return true;
  delete start;
  return false;
}

BOOL CWinThread::CreateThread(DWORD createFlags, UINT stackSize, LPSECURITY_ATTRIBUTES security) {
  if (thread_) {
    SetLastError(ERROR_INVALID_FUNCTION);  // one object, one thread
    return FALSE;
  }
  // The thread starts suspended in any case, so that the object is complete before it runs: a
  // thread that ended at once could otherwise delete its object while this still fills it in.
  auto thread = std::make_shared<qh::ThreadObject>(NextThreadId());
  thread->suspendCount = 1;
  HANDLE handle = qh::RegisterHandle(thread);
  if (!StartHostThread(thread, stackSize)) {
    CloseHandle(handle);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  thread_ = thread;
  m_hThread = handle;
  m_nThreadID = thread->id;
  if (!(createFlags & CREATE_SUSPENDED)) Resume(*thread);  // `this` may be gone after this
  return TRUE;
}

void CWinThread::ThreadEntry(CWinThread* self, std::shared_ptr<qh::ThreadObject> thread) {
  t_threadId = thread->id;
  t_threadObject = thread;
  int priority;
  {
    std::unique_lock lock(qh::KernelStateLock());
    thread->hostThreadId = static_cast<pid_t>(syscall(SYS_gettid));
    thread->resumed.wait(lock, [&] { return thread->suspendCount == 0 || thread->cancelled; });
    if (thread->cancelled) {
      // The object is gone: end without touching it.
      thread->finished = true;
      thread->exitCode = 0;
      thread->NotifyWaitersLocked();
      return;
    }
    thread->started = true;
    priority = thread->priority;
  }
  ApplyHostPriority(thread->hostThreadId, priority);
  t_currentWinThread = self;

  DWORD exitCode = 0;
  try {
    if (self->m_pfnThreadProc)
      exitCode = self->m_pfnThreadProc(self->m_pThreadParams);
    else if (self->InitInstance())
      exitCode = static_cast<DWORD>(self->Run());
    else
      exitCode = static_cast<DWORD>(self->ExitInstance());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "thread 0x%x ended by an exception: %s\n", thread->id, error.what());
    exitCode = 0xFFFFFFFFu;
  } catch (...) {
    std::fprintf(stderr, "thread 0x%x ended by an exception\n", thread->id);
    exitCode = 0xFFFFFFFFu;
  }
  // The object goes first (when it deletes itself), then the handle is signalled: an owner that
  // waits on the handle before deleting a kept object finds the thread done with it.
  self->Delete();
  t_currentWinThread = nullptr;
  std::lock_guard guard(qh::KernelStateLock());
  thread->finished = true;
  thread->exitCode = exitCode;
  thread->NotifyWaitersLocked();
}

DWORD CWinThread::ResumeThread() {
  if (!thread_) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0xFFFFFFFFu;
  }
  return Resume(*thread_);
}

BOOL CWinThread::SetThreadPriority(int priority) {
  if (!thread_) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return SetPriority(*thread_, priority);
}

int CWinThread::GetThreadPriority() {
  if (!thread_) {
    SetLastError(ERROR_INVALID_HANDLE);
    return THREAD_PRIORITY_ERROR_RETURN;
  }
  return PriorityOf(*thread_);
}

BOOL CWinThread::InitInstance() { return FALSE; }

int CWinThread::Run() { return ExitInstance(); }

int CWinThread::ExitInstance() { return 0; }

void CWinThread::Delete() {
  if (m_bAutoDelete) delete this;
}

CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority, UINT stackSize, DWORD createFlags,
                           LPSECURITY_ATTRIBUTES security) {
  auto* thread = new CWinThread(proc, param);
  if (!thread->CreateThread(createFlags | CREATE_SUSPENDED, stackSize, security)) {
    delete thread;
    return nullptr;
  }
  thread->SetThreadPriority(priority);
  if (!(createFlags & CREATE_SUSPENDED)) thread->ResumeThread();
  return thread;
}

CWinThread* AfxGetThread() { return t_currentWinThread; }

DWORD GetCurrentThreadId() {
  if (t_threadId == 0) t_threadId = NextThreadId();
  return t_threadId;
}

HANDLE GetCurrentThread() { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2)); }

DWORD ResumeThread(HANDLE handle) {
  auto thread = ThreadOf(handle);
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0xFFFFFFFFu;
  }
  return Resume(*thread);
}

BOOL SetThreadPriority(HANDLE handle, int priority) {
  auto thread = ThreadOf(handle);
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return SetPriority(*thread, priority);
}

int GetThreadPriority(HANDLE handle) {
  auto thread = ThreadOf(handle);
  if (!thread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return THREAD_PRIORITY_ERROR_RETURN;
  }
  return PriorityOf(*thread);
}

BOOL GetExitCodeThread(HANDLE handle, LPDWORD exitCode) {
  auto thread = ThreadOf(handle);
  if (!thread || exitCode == nullptr) {
    SetLastError(thread ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard guard(qh::KernelStateLock());
  *exitCode = thread->exitCode;
  return TRUE;
}
