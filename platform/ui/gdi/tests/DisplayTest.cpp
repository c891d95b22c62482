// The display back ends: headless unless asked for, and the SDL2 one on a private Xvfb server, read
// back from the X server itself.
#include <SDL.h>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/ui/display/Display.h"
#include "platform/ui/gdi/Png.h"
#include "platform/ui/gdi/tests/GdiTestSupport.h"
#include "platform/ui/gdi/tests/PrivateXServer.h"
#include "platform/ui/gdi/tests/XScreen.h"
#include "platform/ui/gdi/tests/DisplayManager.h"
#include "platform/ui/gdi/tests/XQueryConnection.h"

extern char** environ;

namespace {

using qh::display::InputMessage;
using qh::gdi::Surface;

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) setenv(name, value, 1);
    else unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_) setenv(name_.c_str(), old_->c_str(), 1);
    else unsetenv(name_.c_str());
  }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

TEST(Display, HeadlessUnlessSdlIsAsked) {
  ScopedEnv unset("QH_DISPLAY", nullptr);
  auto backend = qh::display::CreateDisplayBackend();
  EXPECT_TRUE(backend->Headless());
  EXPECT_EQ(backend->Name(), "headless");
  EXPECT_TRUE(backend->PollInput().empty());
  EXPECT_FALSE(backend->ReadBack(reinterpret_cast<HWND>(1)));
}

TEST(Display, SdlWithoutADisplayFallsBackToHeadless) {
  ScopedEnv sdl("QH_DISPLAY", "sdl");
  ScopedEnv display("DISPLAY", ":59999");
  ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
  ScopedEnv driver("SDL_VIDEODRIVER", "x11");
  auto backend = qh::display::CreateDisplayBackend();
  EXPECT_TRUE(backend->Headless());
}

using qh::gdi::testing::PrivateXServer;

// A test looks at windows that may go away while it looks: asking about a window that is gone reads as
// "not there" and the test goes on (Xlib's default would end the process on the BadWindow).
TEST(Display, AskingAboutAWindowThatIsGoneReadsAsNotThere) {
  PrivateXServer server;
  if (server.display().empty()) GTEST_SKIP() << "no X server could be started (Xvfb missing?)";
  const unsigned long gone = 0x3fffff;
  EXPECT_FALSE(qh::gdi::testing::XWindowIcon(server.display(), gone).has_value());
  EXPECT_FALSE(qh::gdi::testing::XWindowIconified(server.display(), gone));
  qh::gdi::testing::XQueryConnection connection(server.display());
  ASSERT_TRUE(connection);
  EXPECT_FALSE(connection.ErrorsSeen());
  char* name = nullptr;
  XFetchName(connection.get(), gone, &name);
  EXPECT_TRUE(connection.ErrorsSeen()) << "the error came back on the test's connection";
  EXPECT_EQ(qh::gdi::testing::XWindowTitled(server.display(), "no such window"), 0ul);
}

TEST(Display, SdlShowsWindowsAndTurnsEventsIntoMessages) {
  PrivateXServer server;
  if (server.display().empty()) GTEST_SKIP() << "no X server could be started (Xvfb missing?)";
  ScopedEnv display("DISPLAY", server.display().c_str());
  ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
  ScopedEnv driver("SDL_VIDEODRIVER", "x11");
  ScopedEnv sdl("QH_DISPLAY", "sdl");
  auto backend = qh::display::CreateDisplayBackend();
  if (backend->Headless()) GTEST_SKIP() << "SDL could not open " << server.display();
  EXPECT_EQ(backend->Name(), "sdl");

  const HWND window = reinterpret_cast<HWND>(0x42);
  const RECT rect{20, 30, 120, 90};
  Surface picture(100, 60, 0xCC2020);
  for (int y = 0; y < 60; ++y)
    for (int x = 50; x < 100; ++x) picture.set(x, y, 0x2040E0);
  backend->ShowWindow(window, rect, "Zone 1 [Null Audio Device]");
  for (int i = 0; i < 20; ++i) {
    backend->PollInput();
    backend->Present(window, picture);
    SDL_Delay(10);
  }
  // The screenshot: what the X server itself shows.
  auto screen = qh::gdi::testing::GrabXScreen(server.display(), 0, 0, 320, 240);
  ASSERT_TRUE(screen);
  EXPECT_EQ(screen->at(25, 35), 0xCC2020u) << "left half on the screen";
  EXPECT_EQ(screen->at(115, 85), 0x2040E0u) << "right half on the screen";
  EXPECT_NE(screen->at(5, 5), 0xCC2020u) << "outside the window";
  qh::gdi::testing::TempFolder folder;
  EXPECT_TRUE(qh::gdi::WritePng(*screen, folder.file("screenshot.png")));
  auto back = backend->ReadBack(window);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->at(10, 10), 0xCC2020u);

  SDL_Event click{};
  click.type = SDL_MOUSEBUTTONDOWN;
  for (Uint32 id = 1; id < 16; ++id)
    if (SDL_GetWindowFromID(id)) click.button.windowID = id;
  click.button.button = SDL_BUTTON_LEFT;
  click.button.x = 5;
  click.button.y = 6;
  SDL_PushEvent(&click);
  SDL_Event key{};
  key.type = SDL_KEYDOWN;
  key.key.windowID = click.button.windowID;
  key.key.keysym.sym = SDLK_q;
  SDL_PushEvent(&key);
  const std::vector<InputMessage> input = backend->PollInput();
  bool sawClick = false, sawKey = false;
  for (const InputMessage& m : input) {
    if (m.message == 0x0201) {
      sawClick = true;
      EXPECT_EQ(m.window, window);
      EXPECT_EQ(GET_X_LPARAM(m.lParam), 5);
      EXPECT_EQ(GET_Y_LPARAM(m.lParam), 6);
      EXPECT_EQ(m.screen.x, 25);
      EXPECT_EQ(m.screen.y, 36);
    }
    if (m.message == 0x0100 && m.wParam == 'Q') sawKey = true;
  }
  EXPECT_TRUE(sawClick);
  EXPECT_TRUE(sawKey);
  backend->DestroyWindow(window);
}

}  // namespace
