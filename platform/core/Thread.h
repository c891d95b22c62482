// Threads with the platform's object model: a CWinThread object owns one thread, which can be created
// suspended and resumed, has a numeric id known before it runs, and either runs a thread function
// (worker thread) or the InitInstance / Run / ExitInstance sequence (user-interface thread).
//
// For the user-interface layer: CWinApp and other UI threads derive from CWinThread and override Run
// with their message loop. The thread entry calls InitInstance(); when it succeeds the result of
// Run() is the thread's exit code, otherwise ExitInstance() runs and its result is the exit code.
// The base Run() has no loop of its own: it returns ExitInstance(). A derived Run must call
// ExitInstance() itself when its loop ends, and return its result.
#pragma once

#include <memory>

#include "platform/core/Handle.h"
#include "platform/core/WinTypes.h"

#define CREATE_SUSPENDED 0x00000004u
#define STILL_ACTIVE 259u

#define THREAD_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define THREAD_PRIORITY_ERROR_RETURN 0x7FFFFFFF

struct SECURITY_ATTRIBUTES {
  DWORD nLength = 0;
  LPVOID lpSecurityDescriptor = nullptr;
  BOOL bInheritHandle = FALSE;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

using AFX_THREADPROC = UINT (*)(LPVOID);

class CWnd;

namespace qh {
class ThreadObject;
// The kernel object of the calling thread (made on first use for threads this layer did not start).
KernelObjectPtr CurrentThreadObject();
}  // namespace qh

class CWinThread {
 public:
  // A user-interface thread: the thread runs InitInstance / Run / ExitInstance.
  CWinThread();
  // A worker thread: the thread runs proc(param) and ends with its result.
  CWinThread(AFX_THREADPROC proc, LPVOID param);
  CWinThread(const CWinThread&) = delete;
  CWinThread& operator=(const CWinThread&) = delete;
  // Closes the thread handle. A thread that was created suspended and never resumed is ended
  // without running anything.
  virtual ~CWinThread();

  // Starts the thread (suspended with CREATE_SUSPENDED). m_hThread and m_nThreadID are set when this
  // returns, before the thread runs. stackSize 0 is the default stack.
  BOOL CreateThread(DWORD createFlags = 0, UINT stackSize = 0, LPSECURITY_ATTRIBUTES security = nullptr);
  // Decrements the suspend count; returns the previous count, or 0xFFFFFFFF when there is no thread.
  DWORD ResumeThread();
  // Thread priority as recorded; lowering it also lowers the host thread's scheduling weight.
  BOOL SetThreadPriority(int priority);
  int GetThreadPriority();
  operator HANDLE() const { return m_hThread; }

  virtual BOOL InitInstance();
  virtual int Run();
  virtual int ExitInstance();
  // Called on the thread after it finished; deletes the object when m_bAutoDelete is set.
  virtual void Delete();

  HANDLE m_hThread = nullptr;
  DWORD m_nThreadID = 0;
  BOOL m_bAutoDelete = TRUE;
  CWnd* m_pMainWnd = nullptr;
  AFX_THREADPROC m_pfnThreadProc = nullptr;
  LPVOID m_pThreadParams = nullptr;

 private:
  static void ThreadEntry(CWinThread* self, std::shared_ptr<qh::ThreadObject> thread);
  bool StartHostThread(const std::shared_ptr<qh::ThreadObject>& thread, UINT stackSize);
  std::shared_ptr<qh::ThreadObject> thread_;
};

// Creates a worker thread object and its thread. With CREATE_SUSPENDED the caller resumes it; the
// object deletes itself when the thread ends unless the caller clears m_bAutoDelete before resuming.
CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority = THREAD_PRIORITY_NORMAL,
                           UINT stackSize = 0, DWORD createFlags = 0, LPSECURITY_ATTRIBUTES security = nullptr);
// The CWinThread object of the calling thread, or null for a thread not started through it.
CWinThread* AfxGetThread();

DWORD GetCurrentThreadId();
// A pseudo handle that always means the calling thread; it needs no closing.
HANDLE GetCurrentThread();
DWORD ResumeThread(HANDLE thread);
BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);
// STILL_ACTIVE while the thread runs, then its exit code.
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
