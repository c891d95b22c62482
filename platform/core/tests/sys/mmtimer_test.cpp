#include <gtest/gtest.h>

#include <atomic>

#include "platform/core/Handle.h"
#include "platform/core/MmTimer.h"
#include "platform/core/Sync.h"

namespace {

struct TickProbe {
  std::atomic<int> ticks{0};
  std::atomic<UINT> lastId{0};
  int killAt = 0;               // the callback kills its own timer at this tick
  DWORD sleepInCallback = 0;    // ms spent inside each callback
  std::atomic<bool> inside{false};
  CEvent firstTick{FALSE, TRUE};
};

void CountTick(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  auto* probe = reinterpret_cast<TickProbe*>(user);
  probe->inside = true;
  probe->lastId = id;
  const int tick = ++probe->ticks;
  probe->firstTick.SetEvent();
  if (probe->sleepInCallback) Sleep(probe->sleepInCallback);
  if (tick == probe->killAt) {
    EXPECT_EQ(timeKillEvent(id), TIMERR_NOERROR);
  }
  probe->inside = false;
}

UINT Start(TickProbe& probe, UINT delay, UINT flags) {
  return timeSetEvent(delay, 0, &CountTick, reinterpret_cast<DWORD_PTR>(&probe), flags);
}

TEST(MmTimer, PeriodicTimerTicksUntilKilledAndNotAfter) {
  TickProbe probe;
  const UINT id = Start(probe, 20, TIME_PERIODIC);
  ASSERT_NE(id, 0u);
  const DWORD start = timeGetTime();
  Sleep(250);
  EXPECT_EQ(timeKillEvent(id), TIMERR_NOERROR);
  const DWORD elapsed = timeGetTime() - start;
  const int ticksAtKill = probe.ticks;
  EXPECT_GE(ticksAtKill, 2);
  EXPECT_LE(ticksAtKill, static_cast<int>(elapsed / 20) + 2);  // a late timer never bursts
  EXPECT_EQ(probe.lastId, id);
  Sleep(60);
  EXPECT_EQ(probe.ticks, ticksAtKill);
  EXPECT_EQ(timeKillEvent(id), MMSYSERR_INVALPARAM);
}

TEST(MmTimer, OneShotTimerFiresOnceAndIsGoneAfterwards) {
  TickProbe probe;
  const UINT id = Start(probe, 30, TIME_ONESHOT | TIME_CALLBACK_FUNCTION);
  ASSERT_NE(id, 0u);
  EXPECT_EQ(probe.ticks, 0);
  ASSERT_TRUE(probe.firstTick.Lock(5000));
  Sleep(100);
  EXPECT_EQ(probe.ticks, 1);
  EXPECT_EQ(timeKillEvent(id), MMSYSERR_INVALPARAM);
}

TEST(MmTimer, CallbackCanKillItsOwnTimer) {
  TickProbe probe;
  probe.killAt = 3;
  const UINT id = Start(probe, 10, TIME_PERIODIC);
  ASSERT_NE(id, 0u);
  for (int waited = 0; probe.ticks < 3 && waited < 5000; waited += 5) Sleep(5);
  Sleep(100);
  EXPECT_EQ(probe.ticks, 3);
  EXPECT_EQ(timeKillEvent(id), MMSYSERR_INVALPARAM);
}

TEST(MmTimer, KillFromAnotherThreadWaitsForTheRunningCallback) {
  TickProbe probe;
  probe.sleepInCallback = 150;
  const UINT id = Start(probe, 10, TIME_PERIODIC);
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(probe.firstTick.Lock(5000));
  EXPECT_TRUE(probe.inside);
  EXPECT_EQ(timeKillEvent(id), TIMERR_NOERROR);
  EXPECT_FALSE(probe.inside);  // the callback that was running has finished
  const int ticks = probe.ticks;
  Sleep(50);
  EXPECT_EQ(probe.ticks, ticks);
}

TEST(MmTimer, RefusesBadArguments) {
  TickProbe probe;
  const auto user = reinterpret_cast<DWORD_PTR>(&probe);
  EXPECT_EQ(timeSetEvent(0, 0, &CountTick, user, TIME_PERIODIC), 0u);
  EXPECT_EQ(timeSetEvent(QH_TIMER_MAX_DELAY + 1, 0, &CountTick, user, TIME_ONESHOT), 0u);
  EXPECT_EQ(timeSetEvent(10, 0, nullptr, user, TIME_ONESHOT), 0u);
  EXPECT_EQ(timeKillEvent(0), MMSYSERR_INVALPARAM);
}

TEST(MmTimer, TimeGetTimeAdvancesInMilliseconds) {
  const DWORD start = timeGetTime();
  Sleep(50);
  const DWORD elapsed = timeGetTime() - start;
  EXPECT_GE(elapsed, 50u);
  EXPECT_LT(elapsed, 2000u);
}

}  // namespace
