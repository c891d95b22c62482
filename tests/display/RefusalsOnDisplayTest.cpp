// The programs' refusals at start-up on a real display, once with a window manager (openbox) and once
// without one, as a kiosk runs: the real program started a second time while the first runs (and the
// jukebox started with an empty settings store) shows its message box with the system's own text and
// icon; the user clicks its OK button, the refused program ends with its code and the first one runs
// on.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/ui/gdi/tests/XDisplaySession.h"
#include "platform/ui/gdi/tests/XWindowManager.h"
#include "tests/display/BoxOnScreen.h"
#include "tests/display/ScreenSettle.h"
#include "tests/display/StartedProgram.h"
#include "tests/display/Venue.h"
#include "tests/display/XWindowLookup.h"

using namespace qh::programs::testing;
using qh::gdi::testing::XDisplaySession;
using qh::gdi::testing::XWindowManager;

namespace {

constexpr auto kStartLimit = std::chrono::seconds(120);

struct Refusal {
  const char* name;
  const char* program;
  std::vector<std::string> arguments;
  const char* firstTitle;  // the main window of the program already running; none: no other program runs
  const char* icon;        // as the box reports it
  COLORREF iconColor;      // the stock icon's fill
  const char* text;
  int exitCode;
};

const char kAnotherRunningMay[] = "Another Quaverhouse program is running. Only one Quaverhouse application may run at a time.";
const char kAnotherRunningCan[] = "Another Quaverhouse program is running. Only one Quaverhouse application can run at a time.";
const COLORREF kStopRed = RGB(200, 20, 20), kWarningYellow = RGB(250, 200, 0);

const Refusal kRefusals[] = {
    {"Tonebarn", QH_TONEBARN, {"1"}, "Quaverhouse Jukebox", "stop", kStopRed, kAnotherRunningMay, 1},
    {"Trackwright", QH_TRACKWRIGHT, {}, "Quaverhouse Recorder", "stop", kStopRed, kAnotherRunningMay, 0},
    {"Ledgerkeep", QH_LEDGERKEEP, {}, "Quaverhouse Administrator", "stop", kStopRed, kAnotherRunningCan, 0},
    {"Hallwarden", QH_HALLWARDEN, {}, "Quaverhouse Control Program", "stop", kStopRed,
     "The Quaverhouse Control Program is already running.", 0},
    {"Shiftover", QH_SHIFTOVER, {}, "Quaverhouse Database Converter", "stop", kStopRed, kAnotherRunningCan, 0},
    {"TonebarnWithoutItsDatabaseFolder", QH_TONEBARN, {"1"}, nullptr, "exclamation", kWarningYellow,
     "The Quaverhouse database folder was not found. Please set the  location of this folder using the Quaverhouse "
     "Administrator.",
     1},
};

class RefusalOnDisplay : public ::testing::TestWithParam<std::tuple<Refusal, bool>> {};

TEST_P(RefusalOnDisplay, TheBoxShowsTheSystemsTextAndItsButtonEndsTheRefusedStart) {
  const auto& [refusal, withWindowManager] = GetParam();
  XDisplaySession session;
  if (!session.Unavailable().empty()) GTEST_SKIP() << session.Unavailable();
  std::optional<XWindowManager> manager;
  if (withWindowManager) {
    manager.emplace(session.display());
    if (!manager->running()) GTEST_SKIP() << "openbox could not be started";
  }
  Venue venue;
  // The program already running needs a library; the database refusal comes from an empty store.
  if (refusal.firstTitle) {
    const std::string why = venue.MakeLibrary();
    if (!why.empty()) GTEST_SKIP() << why;
  }
  const std::string& display = session.display();
  std::optional<StartedProgram> first;
  if (refusal.firstTitle) {
    first.emplace(refusal.program, refusal.arguments, venue.startFolder(), venue.root() + "/first.out");
    const std::optional<XWindowPlace> window = WaitForWindow(display, first->pid(), refusal.firstTitle, kStartLimit);
    ASSERT_TRUE(window.has_value()) << "the first start shows no window:\n" << first->Output();
    // A person starts the program again once the first one is up: its start-up timers may still
    // raise and repaint its window until then.
    const RECT area{window->x, window->y, window->x + window->width, window->y + window->height};
    ASSERT_TRUE(Settled(session, area, std::chrono::seconds(60)).has_value())
        << "the first start's window never came to rest:\n" << first->Output();
  }

  StartedProgram second(refusal.program, refusal.arguments, venue.startFolder(), venue.root() + "/second.out");
  const std::optional<XWindowPlace> box = WaitForWindow(display, second.pid(), "Quaverhouse", kStartLimit);
  ASSERT_TRUE(box.has_value()) << "no box on the display:\n" << second.Output();
  EXPECT_NE(second.Output().find(std::string("[Quaverhouse] (") + refusal.icon + ") " + refusal.text), std::string::npos)
      << second.Output();

  // On the screen: the stock icon, and beside it ink of the size the system's text takes in the box.
  const SIZE textSize = BoxTextSize(refusal.text);
  auto iconIn = [&](const qh::gdi::Surface& s) { return AreaOfColor(s, refusal.iconColor, 200); };
  auto textBeside = [&](const qh::gdi::Surface& s, const RECT& icon) {
    return InkArea(s, RECT{icon.right + 4, icon.top - 8, box->width - 4, box->height - 45});
  };
  const std::optional<qh::gdi::Surface> screen =
      session.GrabWhen(box->x, box->y, box->width, box->height, [&](const qh::gdi::Surface& s) {
        const auto icon = iconIn(s);
        const auto ink = icon ? textBeside(s, *icon) : std::nullopt;
        return ink && ink->right - ink->left >= textSize.cx - 6;
      });
  ASSERT_TRUE(screen.has_value());
  const std::optional<RECT> icon = iconIn(*screen);
  ASSERT_TRUE(icon.has_value()) << "the box shows no " << refusal.icon << " icon";
  const std::optional<RECT> ink = textBeside(*screen, *icon);
  ASSERT_TRUE(ink.has_value()) << "the box's text is blank";
  EXPECT_NEAR(ink->right - ink->left, textSize.cx, 6) << "the text's width on the screen";
  EXPECT_GE(ink->bottom - ink->top, textSize.cy - 6) << "the text's lines on the screen";
  EXPECT_LE(ink->bottom - ink->top, textSize.cy);

  // The user clicks OK, centred at the bottom (the icon sits 12 pixels into the box's client area,
  // which a frame of the same width surrounds).
  const int frame = icon->left - 1 - 12;
  const int x = box->x + box->width / 2, y = box->y + box->height - frame - 12 - 11;
  EXPECT_TRUE(session.Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1"));
  EXPECT_TRUE(WaitUntilGone(display, box->id, std::chrono::seconds(30))) << "the box stayed";
  EXPECT_EQ(second.WaitForExit(std::chrono::seconds(60)), refusal.exitCode) << second.Output();
  if (first) {
    EXPECT_TRUE(first->Running()) << first->Output();
    // Still there, maybe minimised: the controller minimises itself once its start-up is done.
    EXPECT_TRUE(WaitForWindow(display, first->pid(), refusal.firstTitle, std::chrono::seconds(30), false))
        << "the running program's window went:\n" << WindowTree(display) << first->Output();
  }
}

INSTANTIATE_TEST_SUITE_P(Programs, RefusalOnDisplay, ::testing::Combine(::testing::ValuesIn(kRefusals), ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "_Openbox" : "_NoWindowManager");
                         });

}  // namespace
