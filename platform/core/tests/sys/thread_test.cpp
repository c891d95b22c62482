#include <gtest/gtest.h>

#include <pthread.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <chrono>
#include <set>
#include <thread>

#include "platform/core/Handle.h"
#include "platform/core/Sync.h"
#include "platform/core/Thread.h"

namespace {

struct ThreadProbe {
  std::atomic<bool> ran{false};
  std::atomic<DWORD> seenThreadId{0};
  std::atomic<CWinThread*> seenThreadObject{nullptr};
};

UINT RecordAndReturn7(LPVOID param) {
  auto* probe = static_cast<ThreadProbe*>(param);
  probe->seenThreadId = GetCurrentThreadId();
  probe->seenThreadObject = AfxGetThread();
  probe->ran = true;
  return 7;
}

TEST(Thread, CreatedSuspendedRunsOnlyAfterResumeAndKnowsItsIdBefore) {
  ThreadProbe probe;
  CWinThread thread(&RecordAndReturn7, &probe);
  thread.m_bAutoDelete = FALSE;
  ASSERT_TRUE(thread.CreateThread(CREATE_SUSPENDED));
  ASSERT_NE(thread.m_nThreadID, 0u);
  ASSERT_NE(thread.m_hThread, nullptr);

  EXPECT_EQ(WaitForSingleObject(thread.m_hThread, 50), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_FALSE(probe.ran);
  DWORD exitCode = 0;
  ASSERT_TRUE(GetExitCodeThread(thread.m_hThread, &exitCode));
  EXPECT_EQ(exitCode, STILL_ACTIVE);

  EXPECT_EQ(thread.ResumeThread(), 1u);  // the previous suspend count
  ASSERT_EQ(WaitForSingleObject(thread.m_hThread, 5000), WAIT_OBJECT_0);
  EXPECT_TRUE(probe.ran);
  EXPECT_EQ(probe.seenThreadId, thread.m_nThreadID);
  EXPECT_EQ(probe.seenThreadObject, &thread);
  ASSERT_TRUE(GetExitCodeThread(thread.m_hThread, &exitCode));
  EXPECT_EQ(exitCode, 7u);
  EXPECT_EQ(thread.ResumeThread(), 0u);  // resuming a thread that is not suspended changes nothing
}

class DeletionSignal : public CWinThread {
 public:
  DeletionSignal(AFX_THREADPROC proc, LPVOID param, HANDLE deleted) : CWinThread(proc, param), deleted_(deleted) {}
  ~DeletionSignal() override { SetEvent(deleted_); }

 private:
  HANDLE deleted_;
};

UINT RecordStackSize(LPVOID param) {
  pthread_attr_t attributes;
  size_t size = 0;
  if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
    pthread_attr_getstacksize(&attributes, &size);
    pthread_attr_destroy(&attributes);
  }
  *static_cast<std::atomic<size_t>*>(param) = size;
  return 0;
}

TEST(Thread, AStackSizeGivesTheThreadThatStackAndNoneTheDefault) {
  struct Case {
    UINT asked;
    size_t atLeast;
    size_t atMost;
  };
  const Case cases[] = {
      {256 * 1024, 256 * 1024, 256 * 1024 + 64 * 1024},
      {1, static_cast<size_t>(PTHREAD_STACK_MIN), static_cast<size_t>(PTHREAD_STACK_MIN) + 64 * 1024},  // never below the host's minimum
      {0, 1024 * 1024, SIZE_MAX},                              // the host's default
  };
  for (const Case& c : cases) {
    std::atomic<size_t> size{0};
    CWinThread thread(&RecordStackSize, &size);
    thread.m_bAutoDelete = FALSE;
    ASSERT_TRUE(thread.CreateThread(0, c.asked));
    ASSERT_EQ(WaitForSingleObject(thread.m_hThread, 5000), WAIT_OBJECT_0);
    EXPECT_GE(size.load(), c.atLeast) << c.asked;
    EXPECT_LE(size.load(), c.atMost) << c.asked;
  }
}

TEST(Thread, AutoDeleteObjectDeletesItselfWhenTheThreadEnds) {
  ThreadProbe probe;
  HANDLE deleted = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  auto* thread = new DeletionSignal(&RecordAndReturn7, &probe, deleted);
  ASSERT_TRUE(thread->CreateThread(CREATE_SUSPENDED));
  EXPECT_EQ(thread->ResumeThread(), 1u);
  EXPECT_EQ(WaitForSingleObject(deleted, 5000), WAIT_OBJECT_0);
  EXPECT_TRUE(probe.ran);
  CloseHandle(deleted);
}

TEST(Thread, AutoDeleteThreadsThatEndAtOnceLeaveNothingBehind) {
  static std::atomic<int> ended{0};
  ended = 0;
  constexpr int kThreads = 50;
  for (int i = 0; i < kThreads; ++i) {
    // Not suspended: each thread may end and delete its object before AfxBeginThread returns.
    ASSERT_NE(AfxBeginThread([](LPVOID) -> UINT { return ++ended, 0u; }, nullptr), nullptr);
  }
  for (int waited = 0; ended < kThreads && waited < 10000; waited += 5) Sleep(5);
  EXPECT_EQ(ended, kThreads);
}

TEST(Thread, ObjectDestroyedBeforeResumeNeverRunsItsCode) {
  ThreadProbe probe;
  {
    CWinThread thread(&RecordAndReturn7, &probe);
    ASSERT_TRUE(thread.CreateThread(CREATE_SUSPENDED));
  }
  Sleep(50);
  EXPECT_FALSE(probe.ran);
}

TEST(Thread, AfxBeginThreadStartsAtOnceAndIdsAreUnique) {
  constexpr int kThreads = 8;
  ThreadProbe probes[kThreads];
  std::vector<CWinThread*> threads;
  std::set<DWORD> ids{GetCurrentThreadId()};
  for (auto& probe : probes) {
    CWinThread* thread = AfxBeginThread(&RecordAndReturn7, &probe, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(thread, nullptr);
    thread->m_bAutoDelete = FALSE;
    ids.insert(thread->m_nThreadID);
    threads.push_back(thread);
  }
  EXPECT_EQ(ids.size(), static_cast<size_t>(kThreads + 1));
  for (CWinThread* thread : threads) thread->ResumeThread();
  for (CWinThread* thread : threads) {
    EXPECT_EQ(WaitForSingleObject(thread->m_hThread, 5000), WAIT_OBJECT_0);
    delete thread;
  }
  for (auto& probe : probes) EXPECT_TRUE(probe.ran);
}

TEST(Thread, PriorityIsRecordedAndInvalidHandleIsAnError) {
  ThreadProbe probe;
  CWinThread thread(&RecordAndReturn7, &probe);
  thread.m_bAutoDelete = FALSE;
  ASSERT_TRUE(thread.CreateThread(CREATE_SUSPENDED));
  EXPECT_EQ(thread.GetThreadPriority(), THREAD_PRIORITY_NORMAL);
  EXPECT_TRUE(thread.SetThreadPriority(THREAD_PRIORITY_BELOW_NORMAL));
  EXPECT_EQ(GetThreadPriority(thread.m_hThread), THREAD_PRIORITY_BELOW_NORMAL);
  thread.ResumeThread();
  EXPECT_EQ(WaitForSingleObject(thread.m_hThread, 5000), WAIT_OBJECT_0);

  HANDLE bogus = reinterpret_cast<HANDLE>(0x7FFF0000);
  EXPECT_EQ(GetThreadPriority(bogus), THREAD_PRIORITY_ERROR_RETURN);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(ResumeThread(bogus), 0xFFFFFFFFu);
}

// A user-interface thread: the layer above supplies Run; here it records the calls.
class SequenceThread : public CWinThread {
 public:
  explicit SequenceThread(bool initSucceeds) : initSucceeds_(initSucceeds) { m_bAutoDelete = FALSE; }
  BOOL InitInstance() override {
    sequence += "I";
    return initSucceeds_;
  }
  int Run() override {
    sequence += "R";
    return CWinThread::Run();
  }
  int ExitInstance() override {
    sequence += "X";
    return 42;
  }
  std::string sequence;

 private:
  bool initSucceeds_;
};

TEST(Thread, UserInterfaceThreadRunsInitRunExitAndExitAlsoAfterFailedInit) {
  struct Case {
    bool initSucceeds;
    const char* sequence;
  };
  for (const Case& c : {Case{true, "IRX"}, Case{false, "IX"}}) {
    SequenceThread thread(c.initSucceeds);
    ASSERT_TRUE(thread.CreateThread());
    ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(thread.sequence, c.sequence);
    DWORD exitCode = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &exitCode));
    EXPECT_EQ(exitCode, 42u);
  }
}

TEST(Thread, CurrentThreadPseudoHandleNamesTheCallingThread) {
  EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL));
  EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_NORMAL);
  DWORD exitCode = 0;
  EXPECT_TRUE(GetExitCodeThread(GetCurrentThread(), &exitCode));
  EXPECT_EQ(exitCode, STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(GetCurrentThread(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

}  // namespace
