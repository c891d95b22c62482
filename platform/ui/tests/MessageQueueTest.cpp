// Posting, sending and retrieving messages, timers and modal loops.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/core/Thread.h"
#include "platform/ui/AfxWin.h"
#include "platform/ui/UiTesting.h"
#include "platform/ui/tests/UiTestSupport.h"

using namespace qh::ui::test;
using namespace std::chrono_literals;

namespace {

constexpr UINT kPing = WM_APP + 1;

TEST(MessageQueue, PostToDestroyedWindowFailsAndLeavesItsBlockAlone) {
  HWND gone;
  {
    RecordingWindow window;
    gone = window.hwnd();
  }
  ASSERT_FALSE(IsWindow(gone));
  auto* block = new std::string("owned by the poster");
  SetLastError(0);
  EXPECT_FALSE(PostMessage(gone, kPing, 0, reinterpret_cast<LPARAM>(block)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(*block, "owned by the poster");  // still ours, untouched; the sanitizer sees any free
  delete block;
}

TEST(MessageQueue, MessagesPendingForAWindowThatGoesAwayAreDropped) {
  auto window = std::make_unique<RecordingWindow>();
  HWND hwnd = window->hwnd();
  ASSERT_TRUE(PostMessage(hwnd, kPing, 1, 0));
  window.reset();
  MSG msg;
  bool sawPing = false;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) sawPing |= msg.message == kPing;
  EXPECT_FALSE(sawPing);
}

TEST(MessageQueue, PostedMessagesKeepTheirOrder) {
  RecordingWindow window;
  for (WPARAM i = 0; i < 200; ++i) ASSERT_TRUE(PostMessage(window.hwnd(), kPing, i, 0));
  PumpPending();
  std::vector<WPARAM> order;
  for (const Received& r : window.received)
    if (r.message == kPing) order.push_back(r.wParam);
  ASSERT_EQ(order.size(), 200u);
  for (WPARAM i = 0; i < 200; ++i) EXPECT_EQ(order[i], i);
}

TEST(MessageQueue, PostsFromManyThreadsAllArriveInEachThreadsOrder) {
  RecordingWindow window;
  constexpr int kThreads = 8, kEach = 250;
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t) {
    posters.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) PostMessage(window.hwnd(), kPing, static_cast<WPARAM>(t), i);
    });
  }
  for (auto& poster : posters) poster.join();
  PumpUntil([&] { return window.Count(kPing) == kThreads * kEach; });
  std::vector<LPARAM> last(kThreads, -1);
  int arrived = 0;
  for (const Received& r : window.received) {
    if (r.message != kPing) continue;
    ++arrived;
    EXPECT_EQ(r.lParam, last[r.wParam] + 1) << "thread " << r.wParam;
    last[r.wParam] = r.lParam;
  }
  EXPECT_EQ(arrived, kThreads * kEach);
}

TEST(MessageQueue, PeekWithoutRemoveLeavesTheMessage) {
  RecordingWindow window;
  PostMessage(window.hwnd(), kPing, 7, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, window.hwnd(), kPing, kPing, PM_NOREMOVE));
  EXPECT_EQ(msg.wParam, 7u);
  ASSERT_TRUE(PeekMessage(&msg, window.hwnd(), kPing, kPing, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_FALSE(PeekMessage(&msg, window.hwnd(), kPing, kPing, PM_REMOVE));
}

TEST(MessageQueue, QuitComesAfterThePostedMessages) {
  RecordingWindow window;
  PostMessage(window.hwnd(), kPing, 1, 0);
  PostQuitMessage(3);
  PostMessage(window.hwnd(), kPing, 2, 0);
  MSG msg;
  std::vector<UINT> order;
  while (GetMessage(&msg, nullptr, 0, 0)) {
    order.push_back(msg.message);
    DispatchMessage(&msg);
  }
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_EQ(std::count(order.begin(), order.end(), kPing), 2);
}

TEST(MessageQueue, SendFromAnotherThreadRunsOnTheOwnerAndReturnsTheResult) {
  RecordingWindow window;
  DWORD ownerThread = GetCurrentThreadId();
  DWORD handledOn = 0;
  window.react = [&](UINT m, WPARAM w, LPARAM, LRESULT& result) {
    if (m != kPing) return false;
    handledOn = GetCurrentThreadId();
    result = static_cast<LRESULT>(w * 2);
    return true;
  };
  std::atomic<LRESULT> answer{0};
  std::thread sender([&] { answer = SendMessage(window.hwnd(), kPing, 21, 0); });
  PumpUntil([&] { return answer.load() != 0; });
  sender.join();
  EXPECT_EQ(answer.load(), 42);
  EXPECT_EQ(handledOn, ownerThread);
}

TEST(MessageQueue, ThreadMessagesReachTheThreadQueue) {
  std::atomic<DWORD> workerId{0};
  std::atomic<int> got{0};
  std::thread worker([&] {
    MSG msg;
    PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);  // makes the queue
    workerId = GetCurrentThreadId();
    while (GetMessage(&msg, nullptr, 0, 0))
      if (msg.message == kPing && msg.hwnd == nullptr) got = static_cast<int>(msg.wParam);
  });
  while (!workerId) std::this_thread::sleep_for(1ms);
  EXPECT_TRUE(PostThreadMessage(workerId, kPing, 5, 0));
  EXPECT_TRUE(PostThreadMessage(workerId, WM_QUIT, 0, 0));
  worker.join();
  EXPECT_EQ(got.load(), 5);
  SetLastError(0);
  EXPECT_FALSE(PostThreadMessage(workerId, kPing, 0, 0));  // its queue ended with it
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
}

// ---- Timers ----

TEST(Timers, TimerRepeatsAndStopsWhenKilled) {
  RecordingWindow window;
  ASSERT_EQ(SetTimer(window.hwnd(), 4, 20, nullptr), 4u);
  EXPECT_TRUE(PumpUntil([&] { return window.Count(WM_TIMER) >= 3; }));
  EXPECT_TRUE(KillTimer(window.hwnd(), 4));
  int before = window.Count(WM_TIMER);
  PumpUntil([] { return false; }, 100ms);
  EXPECT_EQ(window.Count(WM_TIMER), before);
  EXPECT_FALSE(KillTimer(window.hwnd(), 4));
}

TEST(Timers, SettingATimerAgainReplacesIt) {
  struct Case {
    UINT first, second;
    bool firesWithin200ms;
  };
  for (Case c : {Case{5000, 20, true}, Case{20, 5000, false}}) {
    RecordingWindow window;
    ASSERT_NE(SetTimer(window.hwnd(), 1, c.first, nullptr), 0u);
    ASSERT_NE(SetTimer(window.hwnd(), 1, c.second, nullptr), 0u);
    bool fired = PumpUntil([&] { return window.Count(WM_TIMER) > 0; }, 200ms);
    EXPECT_EQ(fired, c.firesWithin200ms) << c.first << " then " << c.second;
    for (const Received& r : window.received) {
      if (r.message == WM_TIMER) {
        EXPECT_EQ(r.wParam, 1u);
      }
    }
  }
}

TEST(Timers, OneTimerNeverQueuesUpBehindABusyHandler) {
  RecordingWindow window;
  window.react = [&](UINT m, WPARAM, LPARAM, LRESULT&) {
    if (m == WM_TIMER && window.Count(WM_TIMER) == 1) std::this_thread::sleep_for(120ms);
    return false;
  };
  SetTimer(window.hwnd(), 1, 10, nullptr);
  PumpUntil([&] { return window.Count(WM_TIMER) >= 2; });
  auto first = std::chrono::steady_clock::now();
  PumpUntil([&] { return window.Count(WM_TIMER) >= 3; });
  // After the slow tick the next ones come one period apart, not as a burst of the missed ones.
  EXPECT_GE(std::chrono::steady_clock::now() - first, 5ms);
}

TEST(Timers, SetTimerFailsForOtherThreadsWindowsAndWhenTimersRunOut) {
  RecordingWindow window;
  std::atomic<UINT_PTR> fromOther{99};
  std::thread other([&] { fromOther = SetTimer(window.hwnd(), 1, 100, nullptr); });
  other.join();
  EXPECT_EQ(fromOther.load(), 0u);

  qh::ui::testing::SetTimerLimit(2);
  EXPECT_NE(SetTimer(window.hwnd(), 1, 100, nullptr), 0u);
  EXPECT_NE(SetTimer(window.hwnd(), 2, 100, nullptr), 0u);
  EXPECT_NE(SetTimer(window.hwnd(), 2, 200, nullptr), 0u);  // resetting needs no new timer
  SetLastError(0);
  EXPECT_EQ(SetTimer(window.hwnd(), 3, 100, nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_SYSTEM_RESOURCES));
  qh::ui::testing::ResetTimerLimit();
  EXPECT_NE(SetTimer(window.hwnd(), 3, 100, nullptr), 0u);
}

TEST(Timers, TimersOfADestroyedWindowStop) {
  auto window = std::make_unique<RecordingWindow>();
  SetTimer(window->hwnd(), 1, 10, nullptr);
  HWND hwnd = window->hwnd();
  window.reset();
  EXPECT_FALSE(KillTimer(hwnd, 1));
}

// ---- Modal loops ----

class ModalHost : public CWnd {
 public:
  int timerTicks = 0;
  int pings = 0;
  afx_msg void OnTimer(UINT_PTR id) {
    ++timerTicks;
    if (timerTicks == 3) EndModalLoop(77);
  }
  afx_msg LRESULT OnPing(WPARAM, LPARAM) {
    ++pings;
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ModalHost, CWnd)
ON_WM_TIMER()
ON_MESSAGE(kPing, OnPing)
END_MESSAGE_MAP()

TEST(ModalLoop, TimersAndPostsFlowInsideANestedModalLoop) {
  ModalHost host;
  ASSERT_TRUE(host.CreateEx(0, AfxRegisterWndClass(0), "host", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
  RecordingWindow other;
  int nestedResult = 0;
  // The outer loop's handler opens the modal loop, as a dialog or a message box does.
  other.react = [&](UINT m, WPARAM, LPARAM, LRESULT&) {
    if (m != kPing) return false;
    host.SetTimer(1, 15);
    host.PostMessage(kPing);
    nestedResult = host.RunModalLoop();
    return true;
  };
  PostMessage(other.hwnd(), kPing, 0, 0);
  PumpUntil([&] { return nestedResult != 0; });
  EXPECT_EQ(nestedResult, 77);
  EXPECT_EQ(host.timerTicks, 3);
  EXPECT_EQ(host.pings, 1);
  host.KillTimer(1);
}

TEST(ModalLoop, QuitEndsTheModalLoopAndReachesTheOuterLoop) {
  ModalHost host;
  ASSERT_TRUE(host.CreateEx(0, AfxRegisterWndClass(0), "host", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
  PostQuitMessage(9);
  EXPECT_EQ(host.RunModalLoop(), -1);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 9u);
}

}  // namespace
