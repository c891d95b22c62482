// A window's own caption on a real display, once with a window manager (openbox) and once with none (a
// kiosk): the X server's mouse, driven by xdotool, drags the window by its caption.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/ui/DisplayLink.h"
#include "platform/ui/gdi/tests/XDisplaySession.h"
#include "platform/ui/gdi/tests/XWindowManager.h"
#include "platform/ui/tests/UiTestSupport.h"

namespace qh::ui::test {
namespace {

// Runs xdotool (bounded) while this thread keeps the windows answering.
bool X(const std::string& commands) {
  int rc = -1;
  const bool inTime = qh::gdi::testing::RunWhilePumping(
      [&] { rc = std::system(("timeout 20 xdotool " + commands + " >/dev/null 2>&1").c_str()); }, std::chrono::seconds(30));
  return inTime && rc == 0;
}

POINT WindowCorner(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return POINT{rect.left, rect.top};
}

class CaptionOnDisplay : public ::testing::TestWithParam<bool> {};

// Three drags of +10,+10 each move the window by 30,30: every step arrives, although the pointer stays
// at the same point of the window that moves along with it.
TEST_P(CaptionOnDisplay, ADragInEqualStepsMovesTheWindowByEachStep) {
  qh::gdi::testing::XDisplaySession session;
  if (!session.Unavailable().empty()) GTEST_SKIP() << session.Unavailable();
  std::optional<qh::gdi::testing::XWindowManager> manager;
  if (GetParam()) {
    manager.emplace(session.display());
    if (!manager->running()) GTEST_SKIP() << "openbox could not be started";
  }
  RecordingWindow window(nullptr, WS_POPUP | WS_CAPTION | WS_SYSMENU);
  SetWindowText(window.hwnd(), "Drag me");
  MoveWindow(window.hwnd(), 100, 100, 240, 180, TRUE);
  ShowWindow(window.hwnd(), SW_SHOW);
  qh::gdi::testing::PumpUntil([] { return false; }, std::chrono::milliseconds(300));
  if (!qh::ui::DisplayActive()) GTEST_SKIP() << "SDL could not open " << session.display();

  POINT client{0, 0};
  ClientToScreen(window.hwnd(), &client);
  const POINT grip{100 + 80, (100 + client.y) / 2};  // the caption's middle, right of its icon
  ASSERT_TRUE(X("mousemove " + std::to_string(grip.x) + " " + std::to_string(grip.y) + " mousedown 1"));
  for (int step = 1; step <= 3; ++step) {
    ASSERT_TRUE(X("mousemove_relative 10 10"));
    const LONG wanted = 100 + 10 * step;
    EXPECT_TRUE(qh::gdi::testing::PumpUntil([&] {
      const POINT at = WindowCorner(window.hwnd());
      return at.x == wanted && at.y == wanted;
    })) << "step " << step << " left the window at " << WindowCorner(window.hwnd()).x << "," << WindowCorner(window.hwnd()).y;
  }
  ASSERT_TRUE(X("mouseup 1"));
  qh::gdi::testing::PumpUntil([] { return false; }, std::chrono::milliseconds(300));
  EXPECT_EQ(WindowCorner(window.hwnd()).x, 130);
  EXPECT_EQ(WindowCorner(window.hwnd()).y, 130);
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, CaptionOnDisplay, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Openbox" : "NoWindowManager"; });

}  // namespace
}  // namespace qh::ui::test
