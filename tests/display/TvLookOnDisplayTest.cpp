// The jukebox's TV look on a real display, once with a window manager (openbox) and once without one:
// the look has no quit button, so the staff press Alt+Space for the window's system menu (the window
// manager's own under openbox, the program's without one) and choose Close; the jukebox asks its quit
// question, and a click on Yes ends it.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/ui/gdi/tests/XDisplaySession.h"
#include "platform/ui/gdi/tests/XWindowManager.h"
#include "tests/display/BoxOnScreen.h"
#include "tests/display/StartedProgram.h"
#include "tests/display/Venue.h"
#include "tests/display/XWindowLookup.h"

using namespace qh::programs::testing;
using qh::gdi::testing::XDisplaySession;
using qh::gdi::testing::XWindowManager;

namespace {

class TvLookOnDisplay : public ::testing::TestWithParam<bool> {};

TEST_P(TvLookOnDisplay, AltSpaceOpensTheSystemMenuAndItsCloseAsksTheQuitQuestionWhoseYesEndsTheJukebox) {
  XDisplaySession session;
  if (!session.Unavailable().empty()) GTEST_SKIP() << session.Unavailable();
  std::optional<XWindowManager> manager;
  if (GetParam()) {
    manager.emplace(session.display());
    if (!manager->running()) GTEST_SKIP() << "openbox could not be started";
  }
  Venue venue;
  const std::string why = venue.MakeLibrary();
  if (!why.empty()) GTEST_SKIP() << why;
  venue.SetValue("Jukebox", "TVOutput", "dword:00000001");
  const std::string& display = session.display();

  StartedProgram jukebox(QH_TONEBARN, {"1"}, venue.startFolder(), venue.root() + "/jukebox.out");
  const std::optional<XWindowPlace> main = WaitForWindow(display, jukebox.pid(), "Quaverhouse Jukebox", std::chrono::seconds(120));
  ASSERT_TRUE(main.has_value()) << "no jukebox window (the jukebox " << (jukebox.Running() ? "runs" : "ended") << "):\n"
                                << WindowTree(display) << jukebox.Output();
  EXPECT_EQ(main->width, 800) << "the TV look's window";
  EXPECT_EQ(main->height, 600);

  // The window holds the keyboard once it is up: openbox gives it, and without a window manager the
  // program itself must (a kiosk has nobody else to do it).
  ASSERT_TRUE(WaitForKeyboardFocus(display, main->id, std::chrono::seconds(30)))
      << "the jukebox's window never got the keyboard:\n" << WindowTree(display);
  // The menu (openbox's own, or the program's window without one) comes up at the window's top left. The
  // jukebox's start-up may still be switching to its first zone meanwhile: the menu stays open.
  const std::vector<XWindowPlace> before = ShownTopLevelWindows(display);
  ASSERT_TRUE(session.Xdotool("key alt+space"));
  const std::optional<XWindowPlace> menu = WaitForNewWindowAt(display, before, main->x, main->y, 4, std::chrono::seconds(30));
  ASSERT_TRUE(menu.has_value()) << "Alt+Space opened no menu at the window's corner:\n" << WindowTree(display);

  // C chooses Close (underlined in both menus); the quit question comes up.
  ASSERT_TRUE(session.Xdotool("key c"));
  const std::optional<XWindowPlace> box = WaitForWindow(display, jukebox.pid(), "Quaverhouse", std::chrono::seconds(30));
  ASSERT_TRUE(box.has_value()) << "Close asked no question:\n" << WindowTree(display) << jukebox.Output();
  EXPECT_NE(jukebox.Output().find("[Quaverhouse] (question) Do you really want to quit this program?"), std::string::npos);
  const std::optional<qh::gdi::Surface> screen = session.GrabWhen(box->x, box->y, box->width, box->height, [](const qh::gdi::Surface& s) {
    return AreaOfColor(s, RGB(0, 70, 200), 200).has_value();
  });
  ASSERT_TRUE(screen.has_value());
  const std::optional<RECT> icon = AreaOfColor(*screen, RGB(0, 70, 200), 200);
  ASSERT_TRUE(icon.has_value()) << "the question shows no icon";
  EXPECT_TRUE(jukebox.Running()) << "the jukebox ended before the answer";

  // Yes, the first of the two buttons centred at the bottom (the icon's ring sits 12 pixels into the
  // box's client area, which a frame of the same width surrounds).
  const int frame = icon->left - 1 - 12, clientWidth = box->width - 2 * frame;
  const int yesX = box->x + frame + (clientWidth - (2 * 75 + 6)) / 2 + 37, yesY = box->y + box->height - frame - 12 - 11;
  EXPECT_TRUE(session.Xdotool("mousemove " + std::to_string(yesX) + " " + std::to_string(yesY) + " click 1"));
  EXPECT_EQ(jukebox.WaitForExit(std::chrono::seconds(60)), 0) << jukebox.Output();
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, TvLookOnDisplay, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Openbox" : "NoWindowManager"; });

}  // namespace
