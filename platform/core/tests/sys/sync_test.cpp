#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/core/Handle.h"
#include "platform/core/NamedMutex.h"
#include "platform/core/Sync.h"
#include "platform/core/Thread.h"

namespace {

using Clock = std::chrono::steady_clock;

long MillisecondsSince(Clock::time_point start) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Runs `attempt` on another thread and returns its result with the time it took.
template <class Attempt>
std::pair<BOOL, long> OnOtherThread(Attempt attempt) {
  BOOL result = FALSE;
  long elapsed = 0;
  std::thread other([&] {
    const auto start = Clock::now();
    result = attempt();
    elapsed = MillisecondsSince(start);
  });
  other.join();
  return {result, elapsed};
}

struct LockCase {
  const char* name;
  CSyncObject* (*make)();
};
void PrintTo(const LockCase& c, std::ostream* out) { *out << c.name; }

class TimedLock : public ::testing::TestWithParam<LockCase> {};

TEST_P(TimedLock, HeldLockMakesAnotherThreadsTimedLockFailAndHolderCanLockAgain) {
  std::unique_ptr<CSyncObject> lock(GetParam().make());
  CSingleLock holder(lock.get());
  ASSERT_TRUE(holder.Lock(1000));
  EXPECT_TRUE(holder.IsLocked());

  auto [gotIt, elapsed] = OnOtherThread([&] {
    CSingleLock other(lock.get());
    return other.Lock(150);
  });
  EXPECT_FALSE(gotIt);
  EXPECT_GE(elapsed, 140);
  EXPECT_LT(elapsed, 5000);

  // Recursion: the holder takes it again without waiting, and must release it as often.
  CSingleLock again(lock.get());
  const auto start = Clock::now();
  EXPECT_TRUE(again.Lock(10000));
  EXPECT_LT(MillisecondsSince(start), 1000);
  EXPECT_TRUE(again.Unlock());
  EXPECT_FALSE(OnOtherThread([&] { return lock->Lock(0); }).first);

  EXPECT_TRUE(holder.Unlock());
  EXPECT_FALSE(holder.IsLocked());
  auto [gotItNow, unused] = OnOtherThread([&] {
    CSingleLock other(lock.get());
    return other.Lock(1000);  // released again by the destructor
  });
  EXPECT_TRUE(gotItNow);
}

TEST_P(TimedLock, UnlockByAThreadThatDoesNotHoldItFailsAndChangesNothing) {
  std::unique_ptr<CSyncObject> lock(GetParam().make());
  ASSERT_TRUE(lock->Lock(1000));
  EXPECT_FALSE(OnOtherThread([&] { return lock->Unlock(); }).first);
  EXPECT_FALSE(OnOtherThread([&] { return lock->Lock(20); }).first);
  EXPECT_TRUE(lock->Unlock());
}

INSTANTIATE_TEST_SUITE_P(Sync, TimedLock,
                         ::testing::Values(LockCase{"CriticalSection", [] { return static_cast<CSyncObject*>(new CCriticalSection); }},
                                           LockCase{"Mutex", [] { return static_cast<CSyncObject*>(new CMutex); }}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Sync, SingleLockDestructorReleases) {
  CCriticalSection section;
  {
    CSingleLock lock(&section, TRUE);
    EXPECT_TRUE(lock.IsLocked());
  }
  EXPECT_TRUE(OnOtherThread([&] { return section.Lock(100) && section.Unlock(); }).first);
}

TEST(Wait, TimeOutIsToldApartFromFailure) {
  HANDLE events[2] = {CreateEvent(nullptr, TRUE, FALSE, nullptr), CreateEvent(nullptr, FALSE, FALSE, nullptr)};
  const auto start = Clock::now();
  EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 100), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_GE(MillisecondsSince(start), 90);

  HANDLE withInvalid[2] = {events[0], reinterpret_cast<HANDLE>(0x7FFF0000)};
  SetLastError(0);
  EXPECT_EQ(WaitForMultipleObjects(2, withInvalid, FALSE, 100), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  HANDLE closed = CreateEvent(nullptr, TRUE, TRUE, nullptr);
  ASSERT_TRUE(CloseHandle(closed));
  EXPECT_EQ(WaitForSingleObject(closed, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(CloseHandle(closed));

  EXPECT_EQ(WaitForMultipleObjects(0, events, FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  for (HANDLE e : events) CloseHandle(e);
}

TEST(Wait, WaitAnyReportsTheLowestSignalledIndex) {
  HANDLE events[3];
  for (HANDLE& e : events) e = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  SetEvent(events[2]);
  EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 2);
  SetEvent(events[1]);
  EXPECT_EQ(WaitForMultipleObjects(3, events, FALSE, 0), WAIT_OBJECT_0 + 1);
  for (HANDLE e : events) CloseHandle(e);
}

TEST(Wait, WaitAllTakesAutoResetEventsOnlyWhenAllAreSignalled) {
  HANDLE autoEvent = CreateEvent(nullptr, FALSE, TRUE, nullptr);
  HANDLE manualEvent = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  HANDLE both[2] = {autoEvent, manualEvent};
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 50), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_OBJECT_0);  // not consumed by the failed wait-all
  SetEvent(autoEvent);

  std::thread setter([&] {
    Sleep(50);
    SetEvent(manualEvent);
  });
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 5000), WAIT_OBJECT_0);
  setter.join();
  EXPECT_EQ(WaitForSingleObject(autoEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(WaitForSingleObject(manualEvent, 0), WAIT_OBJECT_0);
  CloseHandle(autoEvent);
  CloseHandle(manualEvent);
}

// Polls until `done` holds or 5 s have passed.
template <class Condition>
bool Eventually(Condition done) {
  const auto start = Clock::now();
  while (!done()) {
    if (MillisecondsSince(start) > 5000) return false;
    Sleep(5);
  }
  return true;
}

TEST(Event, AutoResetReleasesOneWaiterPerSignalManualResetReleasesAll) {
  for (BOOL manualReset : {FALSE, TRUE}) {
    CEvent event(FALSE, manualReset);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
      waiters.emplace_back([&] {
        if (WaitForSingleObject(event, 10000) == WAIT_OBJECT_0) ++released;
      });
    EXPECT_TRUE(event.SetEvent());
    if (!manualReset) {
      EXPECT_TRUE(Eventually([&] { return released == 1; }));
      Sleep(100);
      EXPECT_EQ(released, 1) << "one signal of an auto-reset event released more than one waiter";
      EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
      event.SetEvent();
      event.SetEvent();
    }
    EXPECT_TRUE(Eventually([&] { return released == 3; })) << "manual reset " << manualReset;
    for (auto& waiter : waiters) waiter.join();
  }
}

// A Set wakes its waiter after it has let go of the event's lock, by which time the waiter may have
// seen its grant and left: threads that hand the turn back and forth as fast as they can, so that
// waits end while their Set is still on its way, lose no wake-up and take no signal twice.
TEST(Event, ThreadsPassingTheTurnBackAndForthNeverMissAWakeUp) {
  for (BOOL manualReset : {FALSE, TRUE}) {
    CEvent ping(FALSE, manualReset);
    CEvent pong(FALSE, manualReset);
    constexpr int kRounds = 20000;
    std::atomic<int> missed{0};
    auto play = [&](CEvent& mine, CEvent& theirs, bool serves) {
      for (int round = 0; round < kRounds && missed == 0; ++round) {
        if (serves) theirs.SetEvent();
        if (WaitForSingleObject(mine, 20000) != WAIT_OBJECT_0) ++missed;
        if (manualReset) mine.ResetEvent();
        if (!serves) theirs.SetEvent();
      }
    };
    std::thread other([&] { play(pong, ping, false); });
    play(ping, pong, true);
    other.join();
    EXPECT_EQ(missed, 0) << "manual reset " << manualReset;
  }
}

TEST(Event, InitiallySignalledAndReset) {
  CEvent event(TRUE, TRUE);
  EXPECT_TRUE(event.Lock(0));
  EXPECT_TRUE(event.ResetEvent());
  EXPECT_FALSE(event.Lock(0));
  EXPECT_FALSE(SetEvent(nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

// Many threads wait at once on one auto-reset event, each together with objects guarded by other
// locks (its own stop event, and its own thread, whose state the shared kernel lock guards): every
// signal must release exactly one of them, and none may be lost.
TEST(Event, ManyWaitersOverObjectsWithDifferentLocksTakeEachSignalExactlyOnce) {
  constexpr int kWaiters = 8;
  constexpr int kSignals = 400;
  HANDLE work = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  HANDLE taken = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  HANDLE stop = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < kWaiters; ++i)
    waiters.emplace_back([&] {
      HANDLE objects[3] = {stop, work, GetCurrentThread()};
      for (;;) {
        DWORD result = WaitForMultipleObjects(3, objects, FALSE, 10000);
        if (result != WAIT_OBJECT_0 + 1) return;
        ++released;
        SetEvent(taken);
      }
    });
  for (int i = 0; i < kSignals; ++i) {
    ASSERT_TRUE(SetEvent(work));
    ASSERT_EQ(WaitForSingleObject(taken, 5000), WAIT_OBJECT_0) << "signal " << i << " released nobody";
  }
  Sleep(20);
  EXPECT_EQ(released, kSignals);
  EXPECT_EQ(WaitForSingleObject(work, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  SetEvent(stop);
  for (auto& waiter : waiters) waiter.join();
  for (HANDLE h : {work, taken, stop}) CloseHandle(h);
}

// A wait that times out just as the event is set either takes the signal or leaves it set: the
// signal is never lost and never taken twice.
TEST(Event, TimeOutRacingASignalNeitherLosesNorDoublesIt) {
  HANDLE event = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  int takenByTheWait = 0;
  for (int round = 0; round < 200; ++round) {
    std::thread setter([&] {
      std::this_thread::sleep_for(std::chrono::microseconds(round % 3 == 0 ? 900 : 1000 + round * 5));
      SetEvent(event);
    });
    const DWORD result = WaitForSingleObject(event, 1);
    setter.join();
    if (result == WAIT_OBJECT_0) {
      ++takenByTheWait;
      EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "round " << round;
    } else {
      ASSERT_EQ(result, static_cast<DWORD>(WAIT_TIMEOUT));
      EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0) << "round " << round << ": the signal was lost";
    }
  }
  RecordProperty("taken_by_the_wait", takenByTheWait);
  CloseHandle(event);
}

// Two threads wait for all of a mutex and an auto-reset event, listing them in opposite orders;
// each round one of them takes both at once and gives the mutex back. Nobody hangs.
TEST(Wait, WaitAllInOppositeOrdersOverAMutexAndAnEventNeverDeadlocks) {
  constexpr int kRounds = 300;
  HANDLE mutex = CreateMutex(nullptr, FALSE, nullptr);
  HANDLE event = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  HANDLE done = CreateEvent(nullptr, FALSE, FALSE, nullptr);
  std::atomic<int> rounds{0};
  std::atomic<bool> failed{false};
  auto taker = [&](HANDLE first, HANDLE second) {
    HANDLE both[2] = {first, second};
    while (rounds < kRounds) {
      DWORD result = WaitForMultipleObjects(2, both, TRUE, 50);
      if (result == static_cast<DWORD>(WAIT_TIMEOUT)) continue;
      if (result != WAIT_OBJECT_0) {
        failed = true;
        return;
      }
      ++rounds;
      ReleaseMutex(mutex);
      SetEvent(done);
    }
  };
  std::thread one(taker, mutex, event);
  std::thread other(taker, event, mutex);
  for (int i = 0; i < kRounds && !failed; ++i) {
    SetEvent(event);
    ASSERT_EQ(WaitForSingleObject(done, 5000), WAIT_OBJECT_0) << "round " << i;
  }
  one.join();
  other.join();
  EXPECT_FALSE(failed);
  EXPECT_EQ(rounds, kRounds);
  EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  for (HANDLE h : {mutex, event, done}) CloseHandle(h);
}

TEST(Wait, ThreadHandleIsSignalledWhenItEnds) {
  HANDLE gate = CreateEvent(nullptr, TRUE, FALSE, nullptr);
  CWinThread* thread = AfxBeginThread(
      [](LPVOID param) -> UINT { return WaitForSingleObject(static_cast<HANDLE>(param), 5000) == WAIT_OBJECT_0 ? 0 : 1; },
      gate);
  ASSERT_NE(thread, nullptr);
  thread->m_bAutoDelete = FALSE;  // safe: the thread cannot end before the gate opens
  HANDLE pair[2] = {gate, thread->m_hThread};
  EXPECT_EQ(WaitForMultipleObjects(1, &pair[1], FALSE, 30), static_cast<DWORD>(WAIT_TIMEOUT));
  SetEvent(gate);
  EXPECT_EQ(WaitForSingleObject(thread->m_hThread, 5000), WAIT_OBJECT_0);
  DWORD exitCode = 1;
  EXPECT_TRUE(GetExitCodeThread(thread->m_hThread, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  delete thread;
  CloseHandle(gate);
}

}  // namespace
