// A private X server that the calling thread's windows show on through the SDL back end, for display
// tests of any program: the environment points at the server while the session lives, the back end is
// chosen anew at its start and its end, and the user's input comes from xdotool.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/gdi/Surface.h"
#include "platform/ui/gdi/tests/PrivateXServer.h"

namespace qh::gdi::testing {

class XDisplaySession {
 public:
  // The desktop's default size, so that windows sit where they sit headless.
  explicit XDisplaySession(const char* screen = "1280x1024x24");
  ~XDisplaySession();
  XDisplaySession(const XDisplaySession&) = delete;
  XDisplaySession& operator=(const XDisplaySession&) = delete;

  // Empty when the session can be used, else why not (the test skips with it).
  const std::string& Unavailable() const { return unavailable_; }
  const std::string& display() const { return server_.display(); }
  // Runs xdotool on this display with these commands; true when it succeeded.
  bool Xdotool(const std::string& commands) const;
  // What the X server shows in this screen rectangle.
  std::optional<Surface> Grab(int x, int y, int width, int height) const;
  // Grabs the rectangle again until `shown` holds for it (a program paints and presents in its own
  // time) or `limit` passed; the last grab.
  std::optional<Surface> GrabWhen(int x, int y, int width, int height, const std::function<bool(const Surface&)>& shown,
                                  std::chrono::milliseconds limit = std::chrono::seconds(15)) const;

 private:
  void SetEnv(const char* name, const char* value);

  PrivateXServer server_;
  std::string unavailable_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
  int desktopWidth_ = 0, desktopHeight_ = 0;
};

// Runs `work` on a thread of its own while the calling thread dispatches its messages (the windows
// paint and take the input); false when `work` did not end within `limit`.
bool RunWhilePumping(const std::function<void()>& work, std::chrono::milliseconds limit = std::chrono::seconds(30));
// Dispatches the calling thread's messages until `done` holds or `limit` passed; the last `done()`.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10));

// Where `child` sits in the picture of its top-level window `top` (window coordinates).
RECT RectInWindow(HWND top, HWND child);

// The share of the pixels of `area` (the same coordinates in both pictures) the screen shows as the
// headless picture has them: 1.0 when the window looks on the display as it does headless.
double SameShare(const Surface& screen, const Surface& headless, int left, int top, int right, int bottom);
// The pixels of `area` that differ from `face` by more than a shade: drawn text, lines and frames.
int InkPixels(const Surface& picture, int left, int top, int right, int bottom, Pixel face);

}  // namespace qh::gdi::testing
