#include "platform/ui/gdi/tests/XDisplaySession.h"

#include <atomic>
#include <cstdlib>
#include <thread>

#include "platform/ui/DisplayLink.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/gdi/tests/XScreen.h"

namespace qh::gdi::testing {

XDisplaySession::XDisplaySession(const char* screen) : server_(screen) {
  if (server_.display().empty()) {
    unavailable_ = "no X server could be started (Xvfb missing?)";
    return;
  }
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) {
    unavailable_ = "xdotool is not installed";
    return;
  }
  desktopWidth_ = GetSystemMetrics(SM_CXSCREEN);
  desktopHeight_ = GetSystemMetrics(SM_CYSCREEN);
  SetEnv("DISPLAY", server_.display().c_str());
  SetEnv("WAYLAND_DISPLAY", nullptr);
  SetEnv("SDL_VIDEODRIVER", "x11");
  SetEnv("QH_DISPLAY", "sdl");
  qh::ui::testing::SetDisplayBackend(nullptr);  // chosen anew, for this server, by the next window shown
}

XDisplaySession::~XDisplaySession() {
  if (saved_.empty()) return;
  // The display connection goes before the X server does; later windows are headless again.
  qh::ui::testing::SetDisplayBackend(nullptr);
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->second) setenv(it->first.c_str(), it->second->c_str(), 1);
    else unsetenv(it->first.c_str());
  }
  qh::ui::SetDesktopSize(desktopWidth_, desktopHeight_);
}

void XDisplaySession::SetEnv(const char* name, const char* value) {
  const char* old = std::getenv(name);
  saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
  if (value) setenv(name, value, 1);
  else unsetenv(name);
}

bool XDisplaySession::Xdotool(const std::string& commands) const {
  return std::system(("DISPLAY=" + display() + " xdotool " + commands + " >/dev/null 2>&1").c_str()) == 0;
}

std::optional<Surface> XDisplaySession::Grab(int x, int y, int width, int height) const {
  return GrabXScreen(display(), x, y, width, height);
}

std::optional<Surface> XDisplaySession::GrabWhen(int x, int y, int width, int height,
                                                 const std::function<bool(const Surface&)>& shown,
                                                 std::chrono::milliseconds limit) const {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    std::optional<Surface> screen = Grab(x, y, width, height);
    if ((screen && shown(*screen)) || std::chrono::steady_clock::now() >= end) return screen;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= end) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

bool RunWhilePumping(const std::function<void()>& work, std::chrono::milliseconds limit) {
  std::atomic<bool> finished{false};
  std::thread runner([&] {
    work();
    finished = true;
  });
  const bool inTime = PumpUntil([&] { return finished.load(); }, limit);
  // The work may still wait on the screen: keep dispatching until it ends, however late.
  PumpUntil([&] { return finished.load(); }, std::chrono::hours(1));
  runner.join();
  return inTime;
}

RECT RectInWindow(HWND top, HWND child) {
  RECT window{}, rect{};
  GetWindowRect(top, &window);
  GetWindowRect(child, &rect);
  OffsetRect(&rect, -window.left, -window.top);
  return rect;
}

double SameShare(const Surface& screen, const Surface& headless, int left, int top, int right, int bottom) {
  int same = 0, all = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      if (!screen.contains(x, y) || !headless.contains(x, y)) continue;
      ++all;
      same += screen.at(x, y) == headless.at(x, y);
    }
  return all == 0 ? 0.0 : static_cast<double>(same) / all;
}

int InkPixels(const Surface& picture, int left, int top, int right, int bottom, Pixel face) {
  auto channel = [](Pixel p, int shift) { return static_cast<int>((p >> shift) & 0xFF); };
  int ink = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      if (!picture.contains(x, y)) continue;
      const Pixel p = picture.at(x, y);
      int distance = 0;
      for (int shift : {0, 8, 16}) distance += std::abs(channel(p, shift) - channel(face, shift));
      ink += distance > 96;
    }
  return ink;
}

}  // namespace qh::gdi::testing
