// Threads for the listener's handlers. Every connection still runs on a thread of its own for as
// long as it lives; that thread is one an earlier connection left parked, when there is one, so a
// new connection does not pay for starting a thread and ending it again (on a virtual machine that
// costs more than answering the request).
//
// A handler run here is a complete CWinThread object without a thread of its own: it gets an id of
// the thread-id kind that no thread of the platform ever has (the platform's are multiples of four,
// these are two more), so the id still names one connection for the life of the process. The
// object deletes itself when its run ends, as an auto-deleting thread object does.
//
// The pool lives as long as the process: a parked thread never reaches freed memory. A few threads
// stay parked; one parked longer than the idle time ends, so a quiet program keeps none.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/core/Thread.h"
#include "platform/core/WinTypes.h"

class CHandlerPool {
 public:
  // Threads kept parked for the next connections; more end when their connection does. Above the
  // 50 connections a busy panel or browser farm keeps: with 32, clients that connect anew for each
  // request made a thread every 80 connections or so, and started and ended threads cost more than
  // the requests.
  static constexpr size_t kDefaultMaxParked = 64;
  // A parked thread not needed for this long ends.
  static constexpr DWORD kDefaultParkedIdleMs = 30000;

  static CHandlerPool& Instance();

  // Gives a thread object that has no thread (never created) its connection id; false when it has
  // one already. Call before the object is initialised, as CreateThread would be.
  static bool AssignId(CWinThread& job);

  // Runs the object's thread function on a parked thread, or on a new one with `stackSize` when none
  // is parked, then lets the object delete itself. False when no thread could be had: the object is
  // still the caller's. After true the object may be gone at any moment, as after ResumeThread.
  bool Run(CWinThread* job, UINT stackSize);

  // Threads parked now (tests, benchmarks).
  size_t ParkedCount();
  // Tests use other limits; they apply at once to the threads parked now.
  void SetLimits(size_t maxParked, DWORD parkedIdleMs);

 private:
  // What a pool thread waits on. Kept by the pool for the life of the process (a thread that ends
  // leaves it for the next new one), so whoever wakes a worker never touches freed memory, and the
  // wake-up contends with nobody: each worker has its own lock.
  struct Worker {
    std::mutex lock;
    std::condition_variable wake;
    CWinThread* job = nullptr;    // under `lock`
    bool lookAgain = false;       // under `lock`: the limits changed
  };

  CHandlerPool() = default;
  static UINT WorkerProc(LPVOID param);
  static void RunJob(CWinThread* job);
  // Parks the calling worker until it is given a job; false when it should end instead.
  bool Park(Worker& worker);
  // Under m_lock: takes the worker out of the parked list when it is to end (more parked than the
  // limit, or parked longer than the idle time); true then.
  bool LeaveWhenNotNeededLocked(Worker& worker, std::chrono::steady_clock::time_point since);
  Worker* SpareWorker();

  std::mutex m_lock;
  std::vector<Worker*> m_parked;  // the last parked is taken first: its stack is still warm
  std::vector<Worker*> m_spare;   // of threads that ended
  size_t m_maxParked = kDefaultMaxParked;
  DWORD m_parkedIdleMs = kDefaultParkedIdleMs;
};
