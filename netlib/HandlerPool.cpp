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
  {
    std::lock_guard guard(m_lock);
    if (!m_parked.empty()) {
      Worker* worker = m_parked.back();
      m_parked.pop_back();
      worker->job = job;
      worker->wake.notify_one();
      return true;
    }
  }
  // Nobody parked: a new thread, which parks after its first connection. The first job rides along
  // as the thread's parameter.
  return AfxBeginThread(&CHandlerPool::WorkerProc, job, THREAD_PRIORITY_NORMAL, stackSize) != nullptr;
}

size_t CHandlerPool::ParkedCount() {
  std::lock_guard guard(m_lock);
  return m_parked.size();
}

UINT CHandlerPool::WorkerProc(LPVOID param) {
  Worker worker;
  worker.job = static_cast<CWinThread*>(param);
  CHandlerPool& pool = Instance();
  do {
    CWinThread* job = worker.job;
    worker.job = nullptr;
    RunJob(job);
  } while (pool.Park(worker));
  return 0;
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
  for (Worker* worker : m_parked) worker->wake.notify_one();  // each looks at the new limits
}

bool CHandlerPool::Park(Worker& worker) {
  std::unique_lock lock(m_lock);
  if (m_parked.size() >= m_maxParked) return false;
  m_parked.push_back(&worker);
  const auto since = std::chrono::steady_clock::now();
  while (worker.job == nullptr) {
    const auto until = since + std::chrono::milliseconds(m_parkedIdleMs);
    if (std::chrono::steady_clock::now() >= until || m_parked.size() > m_maxParked) {
      // Still in the list: taking a worker out and giving it a job are one step.
      m_parked.erase(std::find(m_parked.begin(), m_parked.end(), &worker));
      return false;
    }
    worker.wake.wait_until(lock, until);
  }
  return true;
}
