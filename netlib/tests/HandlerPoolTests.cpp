// The parked threads that run the listener's handlers: one thread per live job, threads reused
// after their job, ids of their own, and parked threads that end when they are not needed.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "netlib/HandlerPool.h"
#include "netlib/tests/TestOwner.h"

namespace {

using namespace std::chrono_literals;

// What the jobs of one test share: where they ran, how many are running, and a gate that holds
// them until the test opens it.
struct JobLog {
  std::mutex lock;
  std::condition_variable changed;
  std::vector<DWORD> hostThreads;
  int running = 0;
  int deleted = 0;
  bool open = true;

  template <class Predicate>
  bool WaitUntil(Predicate ready, std::chrono::milliseconds limit = 10s) {
    std::unique_lock guard(lock);
    return changed.wait_for(guard, limit, ready);
  }
};

// A worker-thread object as the listener's handlers are: auto-deleting, never given a thread.
class Job : public CWinThread {
 public:
  explicit Job(JobLog& log) : CWinThread(&Job::Proc, this), m_log(log) {}
  ~Job() override {
    std::lock_guard guard(m_log.lock);
    ++m_log.deleted;
    m_log.changed.notify_all();
  }

 private:
  static UINT Proc(LPVOID param) {
    JobLog& log = static_cast<Job*>(param)->m_log;
    std::unique_lock guard(log.lock);
    log.hostThreads.push_back(GetCurrentThreadId());
    ++log.running;
    log.changed.notify_all();
    log.changed.wait(guard, [&] { return log.open; });
    --log.running;
    return 0;
  }
  JobLog& m_log;
};

class HandlerPool : public ::testing::Test {
 protected:
  void TearDown() override {
    pool.SetLimits(CHandlerPool::kDefaultMaxParked, CHandlerPool::kDefaultParkedIdleMs);
  }
  CHandlerPool& pool = CHandlerPool::Instance();
};

TEST_F(HandlerPool, IdsNameOneObjectEachAndNeverAPlatformThread) {
  JobLog log;
  std::set<DWORD> ids;
  std::vector<Job*> jobs;
  for (int i = 0; i < 50; ++i) {
    jobs.push_back(new Job(log));
    ASSERT_TRUE(CHandlerPool::AssignId(*jobs.back()));
    DWORD id = jobs.back()->m_nThreadID;
    EXPECT_EQ(id % 4, 2u) << "the platform's thread ids are multiples of four";
    ids.insert(id);
    EXPECT_FALSE(CHandlerPool::AssignId(*jobs.back())) << "an id is given once";
    EXPECT_EQ(jobs.back()->m_nThreadID, id);
  }
  EXPECT_EQ(ids.size(), 50u);
  Job withThread(log);
  ASSERT_TRUE(withThread.CreateThread(CREATE_SUSPENDED));
  DWORD own = withThread.m_nThreadID;
  EXPECT_FALSE(CHandlerPool::AssignId(withThread)) << "an object with a thread keeps its thread's id";
  EXPECT_EQ(withThread.m_nThreadID, own);
  for (Job* job : jobs) delete job;
}

TEST_F(HandlerPool, AnEndedJobLeavesItsThreadParkedForTheNext) {
  pool.SetLimits(4, 10000);
  JobLog log;
  auto* first = new Job(log);
  CHandlerPool::AssignId(*first);
  ASSERT_TRUE(pool.Run(first, 256 * 1024));
  ASSERT_TRUE(log.WaitUntil([&] { return log.deleted == 1; })) << "the job deletes itself after its run";
  for (int i = 0; i < 200 && pool.ParkedCount() == 0; ++i) std::this_thread::sleep_for(10ms);
  ASSERT_GE(pool.ParkedCount(), 1u);
  const int threadsBefore = ProcessThreads();
  auto* second = new Job(log);
  CHandlerPool::AssignId(*second);
  ASSERT_TRUE(pool.Run(second, 256 * 1024));
  ASSERT_TRUE(log.WaitUntil([&] { return log.deleted == 2; }));
  ASSERT_EQ(log.hostThreads.size(), 2u);
  EXPECT_EQ(log.hostThreads[1], log.hostThreads[0]) << "the parked thread ran the next job";
  EXPECT_LE(ProcessThreads(), threadsBefore) << "no thread was made for it";
}

TEST_F(HandlerPool, EveryLiveJobHasAThreadOfItsOwn) {
  pool.SetLimits(2, 10000);
  JobLog log;
  log.open = false;  // every job waits until all of them run at once
  constexpr int kJobs = 8;
  for (int i = 0; i < kJobs; ++i) {
    auto* job = new Job(log);
    CHandlerPool::AssignId(*job);
    ASSERT_TRUE(pool.Run(job, 256 * 1024));
  }
  bool allRunning = log.WaitUntil([&] { return log.running == kJobs; });
  {
    std::lock_guard guard(log.lock);
    log.open = true;
    log.changed.notify_all();
  }
  ASSERT_TRUE(allRunning) << "jobs waited for a thread another job held";
  ASSERT_TRUE(log.WaitUntil([&] { return log.deleted == kJobs; }));
  EXPECT_EQ(std::set<DWORD>(log.hostThreads.begin(), log.hostThreads.end()).size(), static_cast<size_t>(kJobs));
  for (int i = 0; i < 200 && pool.ParkedCount() != 2; ++i) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(pool.ParkedCount(), 2u) << "threads beyond the parked limit end with their job";
}

TEST_F(HandlerPool, ParkedThreadsEndAfterTheIdleTime) {
  pool.SetLimits(0, 10000);  // none parked to begin with
  for (int i = 0; i < 300 && pool.ParkedCount() != 0; ++i) std::this_thread::sleep_for(10ms);
  std::this_thread::sleep_for(100ms);  // the last of them leave their thread function
  const int threadsBefore = ProcessThreads();
  pool.SetLimits(8, 10000);
  JobLog log;
  log.open = false;
  for (int i = 0; i < 4; ++i) {
    auto* job = new Job(log);
    CHandlerPool::AssignId(*job);
    ASSERT_TRUE(pool.Run(job, 256 * 1024));
  }
  bool allRunning = log.WaitUntil([&] { return log.running == 4; });
  {
    std::lock_guard guard(log.lock);
    log.open = true;
    log.changed.notify_all();
  }
  ASSERT_TRUE(allRunning);
  ASSERT_TRUE(log.WaitUntil([&] { return log.deleted == 4; }));
  for (int i = 0; i < 200 && pool.ParkedCount() != 4; ++i) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(pool.ParkedCount(), 4u);
  EXPECT_GE(ProcessThreads(), threadsBefore + 4) << "their threads wait for the next jobs";
  pool.SetLimits(8, 300);
  std::this_thread::sleep_for(300ms);
  for (int i = 0; i < 300 && (pool.ParkedCount() != 0 || ProcessThreads() > threadsBefore); ++i)
    std::this_thread::sleep_for(10ms);
  EXPECT_EQ(pool.ParkedCount(), 0u);
  EXPECT_LE(ProcessThreads(), threadsBefore) << "the parked threads have ended";
}

}  // namespace
