#include "netlib/HandlerPool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>

namespace {

// Thread ids of the platform are multiples of four from 0x1000; these sit between them.
DWORD NextHandlerId() {
  static std::atomic<DWORD> next{0x1002};
  return next.fetch_add(4);
}

}  // namespace

CHandlerPool& CHandlerPool::Instance() {
  static CHandlerPool* pool = new CHandlerPool;  // lives as long as the process, like its threads
  return *pool;
}

bool CHandlerPool::AssignId(CWinThread& job) {
  if (job.m_hThread != nullptr || job.m_nThreadID != 0) return false;
  job.m_nThreadID = NextHandlerId();
  return true;
}

bool CHandlerPool::Run(CWinThread* job, UINT stackSize) {
  if (job == nullptr || job->m_pfnThreadProc == nullptr) return false;
  Worker* parked = nullptr;
  {
    std::lock_guard guard(m_lock);
    if (!m_parked.empty()) {
      parked = m_parked.back();
      m_parked.pop_back();
    }
  }
  if (parked) {
    {
      std::lock_guard guard(parked->lock);
      parked->job = job;
    }
    parked->wake.notify_one();
    return true;
  }
  // Nobody parked: a new thread, which parks after its first connection.
  Worker* fresh = SpareWorker();
  fresh->job = job;
  if (AfxBeginThread(&CHandlerPool::WorkerProc, fresh, THREAD_PRIORITY_NORMAL, stackSize) != nullptr) return true;
  fresh->job = nullptr;
  std::lock_guard guard(m_lock);
  m_spare.push_back(fresh);
  return false;
}

CHandlerPool::Worker* CHandlerPool::SpareWorker() {
  std::lock_guard guard(m_lock);
  if (m_spare.empty()) return new Worker;
  Worker* worker = m_spare.back();
  m_spare.pop_back();
  return worker;
}

size_t CHandlerPool::ParkedCount() {
  std::lock_guard guard(m_lock);
  return m_parked.size();
}

UINT CHandlerPool::WorkerProc(LPVOID param) {
  Worker& worker = *static_cast<Worker*>(param);
  CHandlerPool& pool = Instance();
  do {
    CWinThread* job;
    {
      std::lock_guard guard(worker.lock);
      job = worker.job;
      worker.job = nullptr;
    }
    RunJob(job);
  } while (pool.Park(worker));
  return 0;  // the worker is the pool's again: nothing here touches it any more
}

void CHandlerPool::RunJob(CWinThread* job) {
  try {
    job->m_pfnThreadProc(job->m_pThreadParams);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "handler 0x%x ended by an exception: %s\n", static_cast<unsigned>(job->m_nThreadID),
                 error.what());
  } catch (...) {
    std::fprintf(stderr, "handler 0x%x ended by an exception\n", static_cast<unsigned>(job->m_nThreadID));
  }
  job->Delete();
}

void CHandlerPool::SetLimits(size_t maxParked, DWORD parkedIdleMs) {
  std::lock_guard guard(m_lock);
  m_maxParked = maxParked;
  m_parkedIdleMs = parkedIdleMs;
  for (Worker* worker : m_parked) {
    {
      std::lock_guard workerGuard(worker->lock);
      worker->lookAgain = true;
    }
    worker->wake.notify_one();
  }
}

bool CHandlerPool::LeaveWhenNotNeededLocked(Worker& worker, std::chrono::steady_clock::time_point since) {
  auto it = std::find(m_parked.begin(), m_parked.end(), &worker);
  if (it == m_parked.end()) return false;  // taken out for a job that is on its way
  const bool expired = std::chrono::steady_clock::now() >= since + std::chrono::milliseconds(m_parkedIdleMs);
  if (!expired && m_parked.size() <= m_maxParked) return false;
  m_parked.erase(it);
  m_spare.push_back(&worker);
  return true;
}

bool CHandlerPool::Park(Worker& worker) {
  const auto since = std::chrono::steady_clock::now();
  auto until = since;
  {
    std::lock_guard guard(m_lock);
    if (m_parked.size() >= m_maxParked) {
      m_spare.push_back(&worker);
      return false;
    }
    m_parked.push_back(&worker);
    until = since + std::chrono::milliseconds(m_parkedIdleMs);
  }
  std::unique_lock lock(worker.lock);
  for (;;) {
    worker.wake.wait_until(lock, until, [&] { return worker.job != nullptr || worker.lookAgain; });
    if (worker.job) return true;
    // The idle time is up or the limits changed: still wanted? (The pool's lock is taken first.)
    worker.lookAgain = false;
    lock.unlock();
    {
      std::lock_guard guard(m_lock);
      if (LeaveWhenNotNeededLocked(worker, since)) return false;
      bool listed = std::find(m_parked.begin(), m_parked.end(), &worker) != m_parked.end();
      // Out of the list already: its job is on the way, and only that wakes it.
      until = listed ? since + std::chrono::milliseconds(m_parkedIdleMs)
                     : std::chrono::steady_clock::now() + std::chrono::hours(1);
    }
    lock.lock();
  }
}
