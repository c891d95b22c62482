// A zone window on a real display: a private Xvfb, the SDL back end, real X input from xdotool (a right
// click on the song list, then a click on a menu entry), and the screen read back from the X server.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "jukebox/zones/tests/ZoneTestSupport.h"
#include "platform/ui/DisplayLink.h"
#include "platform/ui/gdi/tests/PrivateXServer.h"
#include "platform/ui/gdi/tests/XScreen.h"

namespace jukebox::zone_testing {
namespace {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    if (value) setenv(name, value, 1);
    else unsetenv(name);
  }
  ~ScopedEnv() {
    if (had_) setenv(name_.c_str(), old_.c_str(), 1);
    else unsetenv(name_.c_str());
  }

 private:
  std::string name_, old_;
  bool had_ = false;
};

class ZoneOnDisplay : public ZoneFixtureBase {
 protected:
  // Runs the xdotool commands on their own thread while this thread dispatches the windows' messages.
  bool RunX(const std::string& display, const std::string& commands) {
    std::atomic<bool> done{false};
    int rc = -1;
    std::thread runner([&] {
      rc = std::system(("DISPLAY=" + display + " xdotool " + commands + " >/dev/null 2>&1").c_str());
      done = true;
    });
    const bool finished = PumpUntil([&] { return done.load(); }, std::chrono::seconds(20));
    runner.join();
    return finished && rc == 0;
  }
};

TEST_F(ZoneOnDisplay, RightClickOpensTheSongMenuAndAnEntryRunsItsCommand) {
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
  qh::gdi::testing::PrivateXServer server("1024x768x24");
  if (server.display().empty()) GTEST_SKIP() << "no X server could be started (Xvfb missing?)";
  ScopedEnv display("DISPLAY", server.display().c_str());
  ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
  ScopedEnv driver("SDL_VIDEODRIVER", "x11");
  ScopedEnv sdl("QH_DISPLAY", "sdl");
  qh::ui::testing::SetDisplayBackend(nullptr);  // the back end is chosen anew, for this server
  SetUpDatabase();
  // The windows and the display connection go before the X server does.
  struct CloseDisplay {
    std::unique_ptr<MessageRecorder>& main;
    ~CloseDisplay() {
      main.reset();
      qh::ui::testing::SetDisplayBackend(nullptr);
    }
  } closeDisplay{mainWindow};
  AddSong("Blue", "Red");
  AddSong("Green", "Red");
  // The main window on the screen at (0, 0), the zone filling it.
  mainWindow->MoveWindow(0, 0, 800, 600);
  TestZone<CZoneLook> zone{ZoneLookOptions{}};
  zone.SetDeviceName("Null Audio Device");
  ASSERT_TRUE(CreateZone(zone, CRect(0, 0, 800, 600)));
  if (!qh::ui::DisplayActive()) GTEST_SKIP() << "SDL could not open " << server.display();
  dialogs.choice = "Red";
  zone.SendMessage(WM_COMMAND, ID_ZONE_ARTIST, 0);
  ASSERT_TRUE(PumpUntil([&] { return !zone.IsLoading() && zone.GetLook().SongList().GetCount() == 2; }));
  player_testing::PumpFor(std::chrono::milliseconds(500));

  // The zone shows on the screen: the song list's selected line in its colours.
  const CRect list = zone.GetLook().SongListRect();
  auto screen = qh::gdi::testing::GrabXScreen(server.display(), 0, 0, 800, 600);
  ASSERT_TRUE(screen);
  EXPECT_EQ(screen->at(list.left + 200, list.top + 8), qh::gdi::PixelFromColor(RGB(64, 64, 128)));

  // Right click on the first line; the menu opens at the line's top-left corner. Its fourth entry is
  // "Edit &Song..." (items 20 pixels high, one pixel of border).
  dialogs.ran.clear();
  const int menuEntryY = list.top + 1 + 3 * 20 + 10;
  ASSERT_TRUE(RunX(server.display(), "mousemove " + std::to_string(list.left + 40) + " " + std::to_string(list.top + 8) +
                                         " sleep 0.3 click 3 sleep 0.8 mousemove " + std::to_string(list.left + 40) +
                                         " " + std::to_string(menuEntryY) + " sleep 0.3 click 1 sleep 0.3"));
  ASSERT_TRUE(PumpUntil([&] { return !dialogs.ran.empty(); }, std::chrono::seconds(5)));
  EXPECT_EQ(dialogs.ran, std::vector<std::string>{"song-info"});
  EXPECT_EQ(dialogs.shownInfo.name, "Blue");

  // Hovering a skin button shows its hover face; the pointer leaving the display's window ends it.
  const CRect search = ChildRect(zone.GetLook().Button(ID_ZONE_SEARCH)->GetSafeHwnd());
  const CPoint probe(search.left + 10, search.top + 4);
  auto pixel = [&] {
    auto grab = qh::gdi::testing::GrabXScreen(server.display(), probe.x, probe.y, 1, 1);
    return grab ? grab->at(0, 0) : 0u;
  };
  ASSERT_TRUE(RunX(server.display(), "mousemove 900 700 sleep 0.3"));
  player_testing::PumpFor(std::chrono::milliseconds(200));
  const qh::gdi::Pixel up = pixel();
  ASSERT_TRUE(RunX(server.display(), "mousemove " + std::to_string(search.CenterPoint().x) + " " +
                                         std::to_string(search.CenterPoint().y) + " sleep 0.3"));
  ASSERT_TRUE(PumpUntil([&] { return pixel() != up; }, std::chrono::seconds(3)));
  ASSERT_TRUE(RunX(server.display(), "mousemove 900 700 sleep 0.3"));
  EXPECT_TRUE(PumpUntil([&] { return pixel() == up; }, std::chrono::seconds(3)));
}

}  // namespace
}  // namespace jukebox::zone_testing
