// The standard controls on a real display, once with a window manager (openbox) and once with none:
// a private Xvfb, the SDL back end, the X server's own mouse driven by xdotool and the screen read
// back. A long genre list scrolls to its last entry with its bar, a radio button is round, a disabled
// combo box is grey, the up-down arrows show, a report's tabs line up, and a caption drag moves its window.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "platform/ui/AfxCmnCtrls.h"
#include "platform/ui/AfxControls.h"
#include "platform/ui/CommCtrl.h"
#include "platform/ui/DisplayLink.h"
#include "platform/ui/OwnScrollBar.h"
#include "platform/ui/gdi/Snapshot.h"
#include "platform/ui/gdi/tests/XDisplaySession.h"
#include "platform/ui/gdi/tests/XWindowManager.h"
#include "platform/ui/tests/UiTestSupport.h"

extern char** environ;

namespace qh::ui::test {
namespace {

using qh::gdi::Surface;
using qh::gdi::testing::SameShare;

bool Pump(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  return qh::gdi::testing::PumpUntil(done, limit);
}

// Runs xdotool (bounded by `timeout`) while this thread keeps the windows answering.
bool X(const std::string& commands) {
  int rc = -1;
  const bool inTime = qh::gdi::testing::RunWhilePumping(
      [&] { rc = std::system(("timeout 20 xdotool " + commands + " >/dev/null 2>&1").c_str()); }, std::chrono::seconds(30));
  return inTime && rc == 0;
}

std::string At(LONG x, LONG y) { return std::to_string(x) + " " + std::to_string(y); }

class ControlsOnDisplay : public ::testing::TestWithParam<bool> {
 protected:
  // Starts openbox when the case asks for it; empty when the display can be used, else why not. A test's
  // windows go before the fixture's session closes the display.
  std::string Unusable() {
    if (!session.Unavailable().empty()) return session.Unavailable();
    if (GetParam() && !manager.emplace(session.display()).running()) return "openbox could not be started";
    return {};
  }
  qh::gdi::testing::XDisplaySession session;
  std::optional<qh::gdi::testing::XWindowManager> manager;
};

TEST_P(ControlsOnDisplay, ListsScrollAndControlsLookAsTheyDoHeadless) {
  if (const std::string why = Unusable(); !why.empty()) GTEST_SKIP() << why;
  RecordingWindow window(nullptr, WS_POPUP);
  CWnd* parent = CWnd::FromHandle(window.hwnd());
  CComboBox genres, disabled;
  CButton radio;
  CSpinButtonCtrl spin;
  CEdit report;
  MoveWindow(window.hwnd(), 40, 40, 480, 360, TRUE);
  ASSERT_TRUE(genres.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST, CRect(10, 10, 210, 200), parent, 1011));
  ASSERT_TRUE(disabled.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST, CRect(250, 10, 450, 200), parent, 1012));
  ASSERT_TRUE(radio.Create("Radio", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON, CRect(10, 60, 120, 73), parent, 1013));
  ASSERT_TRUE(spin.Create(WS_CHILD | WS_VISIBLE, CRect(250, 60, 266, 84), parent, 1014));
  ASSERT_TRUE(report.Create(WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | WS_VSCROLL, CRect(10, 100, 300, 196), parent, 1015));
  for (int i = 0; i < 149; ++i) genres.AddString(("Genre " + std::to_string(1000 + i)).c_str());
  genres.SetCurSel(0);
  disabled.AddString("Jazz");
  disabled.SetCurSel(0);
  disabled.EnableWindow(FALSE);
  radio.SetCheck(BST_CHECKED);
  spin.SetRange32(0, 10);
  std::string text;
  for (int i = 0; i < 20; ++i) text += "Line " + std::to_string(i) + ":\tvalue\r\n";
  report.SetWindowText(text.c_str());
  ShowWindow(window.hwnd(), SW_SHOW);
  Pump([] { return false; }, std::chrono::milliseconds(200));
  if (!qh::ui::DisplayActive()) GTEST_SKIP() << "SDL could not open " << session.display();

  // The window on the screen as it is headless: round radio, grey combo, arrows, bars, tabs.
  const auto headless = qh::gdi::SnapshotWindow(window.hwnd());
  ASSERT_TRUE(headless);
  RECT place;
  GetWindowRect(window.hwnd(), &place);
  auto screen = session.GrabWhen(place.left, place.top, 480, 360, [&](const Surface& s) {
    return SameShare(s, *headless, 0, 0, 480, 360) > 0.99;
  });
  ASSERT_TRUE(screen);
  EXPECT_GT(SameShare(*screen, *headless, 0, 0, 480, 360), 0.99);
  const auto face = qh::gdi::PixelFromColor(GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(screen->at(10, 60 + 0), face);  // the radio's corner: round
  EXPECT_NE(screen->at(16, 66), face);      // its dot
  EXPECT_EQ(screen->at(250 + 100, 10 + 10), face);  // the disabled combo's ground
  EXPECT_GT(qh::gdi::testing::InkPixels(*screen, 252, 62, 264, 71, face), 0);  // the up arrow
  EXPECT_GT(qh::gdi::testing::InkPixels(*screen, 252, 73, 264, 82, face), 0);  // the down arrow
  EXPECT_EQ(screen->at(300 - 8, 150), qh::gdi::PixelFromColor(GetSysColor(COLOR_SCROLLBAR)));  // the report's bar

  // The genre list drops with a bar; its thumb dragged to the bottom shows the last genre, which a
  // click chooses.
  ASSERT_TRUE(X("mousemove " + At(place.left + 200, place.top + 20) + " sleep 0.2 click 1"));
  ASSERT_TRUE(Pump([&] { return genres.GetDroppedState() != FALSE; }));
  RECT box;
  genres.GetWindowRect(&box);
  const HWND list = WindowFromPoint(POINT{box.left + 20, box.bottom + 20});
  ASSERT_NE(list, nullptr);
  RECT listRect, listClient;
  GetWindowRect(list, &listRect);
  GetClientRect(list, &listClient);
  POINT origin{0, 0};
  ClientToScreen(list, &origin);
  const BarGeometry bar = OwnBarGeometry(list, SB_VERT, WS_VSCROLL);
  ASSERT_TRUE(OwnBarShown(list, SB_VERT, WS_VSCROLL));
  const auto shownList = qh::gdi::SnapshotWindow(list);
  ASSERT_TRUE(shownList);
  auto listOnScreen = session.GrabWhen(listRect.left, listRect.top, listRect.right - listRect.left, listRect.bottom - listRect.top,
                                       [&](const Surface& s) { return SameShare(s, *shownList, 0, 0, s.width(), s.height()) > 0.99; });
  ASSERT_TRUE(listOnScreen);
  EXPECT_GT(SameShare(*listOnScreen, *shownList, 0, 0, listOnScreen->width(), listOnScreen->height()), 0.99);
  const LONG barX = origin.x + (bar.area.left + bar.area.right) / 2;
  // A person's pace: a pause between pressing, moving and letting go; let go over the bar's end.
  const LONG thumbY = origin.y + bar.Thumb().top + 2;
  ASSERT_TRUE(X("mousemove " + At(barX, thumbY) + " sleep 0.2 mousedown 1 sleep 0.2 mousemove " + At(barX, thumbY + 40) +
                " sleep 0.2 mousemove " + At(barX, origin.y + listClient.bottom - kOwnBarWidth - 1) + " sleep 0.2 mouseup 1 sleep 0.6"));
  const int rows = static_cast<int>(listClient.bottom) / 16;
  EXPECT_TRUE(Pump([&] { return SendMessage(list, LB_GETTOPINDEX, 0, 0) == 149 - rows; }))
      << "top " << SendMessage(list, LB_GETTOPINDEX, 0, 0);
  ASSERT_TRUE(X("mousemove " + At(origin.x + 30, origin.y + (rows - 1) * 16 + 8) + " sleep 0.2 click 1"));
  EXPECT_TRUE(Pump([&] { return genres.GetCurSel() == 148; })) << "chosen " << genres.GetCurSel();
  EXPECT_TRUE(Pump([&] { return !genres.GetDroppedState(); }));
  // The wheel over the report scrolls it.
  ASSERT_TRUE(X("mousemove " + At(place.left + 100, place.top + 150) + " sleep 0.2 click 5 sleep 0.2 click 5"));
  EXPECT_TRUE(Pump([&] { return SendMessage(report.GetSafeHwnd(), EM_GETFIRSTVISIBLELINE, 0, 0) == 6; }))
      << "first line " << SendMessage(report.GetSafeHwnd(), EM_GETFIRSTVISIBLELINE, 0, 0);
}

POINT WindowCorner(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return POINT{rect.left, rect.top};
}

// A window dragged by its own caption: three drags of +10,+10 each move the window by 30,30: every step arrives, although the pointer stays
// at the same point of the window that moves along with it.
TEST_P(ControlsOnDisplay, ADragInEqualStepsMovesTheWindowByEachStep) {
  if (const std::string why = Unusable(); !why.empty()) GTEST_SKIP() << why;
  RecordingWindow window(nullptr, WS_POPUP | WS_CAPTION | WS_SYSMENU);
  SetWindowText(window.hwnd(), "Drag me");
  MoveWindow(window.hwnd(), 100, 100, 240, 180, TRUE);
  ShowWindow(window.hwnd(), SW_SHOW);
  qh::gdi::testing::PumpUntil([] { return false; }, std::chrono::milliseconds(300));
  if (!qh::ui::DisplayActive()) GTEST_SKIP() << "SDL could not open " << session.display();

  POINT client{0, 0};
  ClientToScreen(window.hwnd(), &client);
  const POINT grip{100 + 80, (100 + client.y) / 2};  // the caption's middle, right of its icon
  ASSERT_TRUE(X("mousemove " + At(grip.x, grip.y) + " mousedown 1"));
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

INSTANTIATE_TEST_SUITE_P(WindowManagers, ControlsOnDisplay, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Openbox" : "NoWindowManager"; });

}  // namespace
}  // namespace qh::ui::test
