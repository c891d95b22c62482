// A zone window on a real display: a private Xvfb, the SDL back end, real X input from xdotool (a right
// click on the song list, then a click on a menu entry), and the screen read back from the X server.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
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

// Set while the X input steps of RunSteps are under way; read by the timer below on the window thread.
std::atomic<bool> g_stepsRunning{false};

// A menu that the steps opened but did not close (a step failed) would keep the window thread in the
// menu's own loop for ever: once the steps are over, the window thread takes the menu's mouse capture
// away, which closes it, as any other loss of capture does.
void CloseAMenuLeftOpen(HWND, UINT, UINT_PTR, DWORD) {
  const HWND capture = ::GetCapture();
  const bool menuOpen = capture && (::GetWindowLong(capture, GWL_STYLE) & WS_POPUP) && !::GetParent(capture);
  if (!g_stepsRunning && menuOpen) ::ReleaseCapture();
}

class ZoneOnDisplay : public ZoneFixtureBase {
 protected:
  // One xdotool command line, from any thread; bounded, so a lost X server fails the step.
  static bool Xdotool(const std::string& display, const std::string& commands) {
    return std::system(("DISPLAY=" + display + " timeout 20 xdotool " + commands + " >/dev/null 2>&1").c_str()) == 0;
  }

  // Waits, off the window thread, until the screen's pixel at (x, y) is `wanted`; bounded.
  static bool ScreenShows(const std::string& display, int x, int y, qh::gdi::Pixel wanted) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    do {
      auto grab = qh::gdi::testing::GrabXScreen(display, x, y, 1, 1);
      if (grab && grab->at(0, 0) == wanted) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < end);
    return false;
  }

  // Runs `steps` (X input and waits on the screen) on their own thread while this thread dispatches the
  // windows' messages, a menu's loop included. Every step is bounded, so this always returns.
  bool RunSteps(const std::function<bool()>& steps) {
    std::atomic<bool> done{false};
    bool succeeded = false;
    g_stepsRunning = true;
    const UINT_PTR timer = ::SetTimer(mainWindow->GetSafeHwnd(), 0x5145, 50, &CloseAMenuLeftOpen);
    std::thread runner([&] {
      succeeded = steps();
      g_stepsRunning = false;
      done = true;
    });
    const bool finished = PumpUntil([&] { return done.load(); }, std::chrono::seconds(120));
    runner.join();
    ::KillTimer(mainWindow->GetSafeHwnd(), timer);
    return finished && succeeded;
  }

  bool RunX(const std::string& display, const std::string& commands) {
    return RunSteps([&] { return Xdotool(display, commands); });
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

  // The zone shows on the screen: the song list's selected line in its colours.
  const CRect list = zone.GetLook().SongListRect();
  const std::string x = server.display();
  auto at = [&](int px, int py) {
    auto grab = qh::gdi::testing::GrabXScreen(x, px, py, 1, 1);
    return grab ? grab->at(0, 0) : 0u;
  };
  const qh::gdi::Pixel selected = qh::gdi::PixelFromColor(RGB(64, 64, 128));
  EXPECT_TRUE(PumpUntil([&] { return at(list.left + 200, list.top + 8) == selected; }, std::chrono::seconds(20)));

  // Right click on the first line; the menu opens at the line's top-left corner. Its fourth entry is
  // "Edit &Song..." (items 20 pixels high, one pixel of border). Each step waits for the screen to show
  // what the last one did: the menu's face where its fourth entry is, then that entry highlighted.
  dialogs.ran.clear();
  const int entryY = list.top + 1 + 3 * 20 + 10;
  const int probeX = list.left + 112;  // inside the entry (menus are at least 122 pixels wide), past its text
  const qh::gdi::Pixel menuFace = qh::gdi::PixelFromColor(GetSysColor(COLOR_MENU));
  const qh::gdi::Pixel hotFace = qh::gdi::PixelFromColor(GetSysColor(COLOR_HIGHLIGHT));
  ASSERT_NE(at(probeX, entryY), menuFace) << "the song list looks like the menu: the wait below would prove nothing";
  ASSERT_TRUE(RunSteps([&] {
    return Xdotool(x, "mousemove " + std::to_string(list.left + 40) + " " + std::to_string(list.top + 8) + " click 3") &&
           ScreenShows(x, probeX, entryY, menuFace) &&
           Xdotool(x, "mousemove " + std::to_string(list.left + 40) + " " + std::to_string(entryY)) &&
           ScreenShows(x, probeX, entryY, hotFace) && Xdotool(x, "click 1");
  }));
  ASSERT_TRUE(PumpUntil([&] { return !dialogs.ran.empty(); }, std::chrono::seconds(20)));
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
