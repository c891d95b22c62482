// The on-screen side of the window manager. Headless by default: windows live only in their surfaces.
// With QH_DISPLAY=sdl and a reachable display, an SDL2 back end shows every top-level window and turns
// the mouse and keyboard into window messages. The window manager calls the back end; the back end never
// calls the window manager.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/WinTypes.h"
#include "platform/ui/gdi/Surface.h"

namespace qh::display {

// One input event as a window message for a top-level window. Mouse messages carry the point relative
// to the window's top-left corner (its surface's pixel (0, 0)) in lParam, packed as MAKELPARAM(x, y), and
// the MK_ button and modifier flags in wParam; `screen` holds the same point on the screen. Key messages
// (WM_KEYDOWN, WM_KEYUP) carry a virtual-key code in wParam, WM_CHAR a code-page-1252 character. A click on
// the window's close box arrives as WM_CLOSE. Double clicks arrive as two down/up pairs: telling them apart
// is the window manager's (it knows which classes want them). A window the user restored on the display
// (from the task bar) arrives as WM_SYSCOMMAND with SC_RESTORE.
struct InputMessage {
  HWND window = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  POINT screen;
};

class DisplayBackend {
 public:
  virtual ~DisplayBackend() = default;
  virtual std::string Name() const = 0;
  virtual bool Headless() const = 0;

  // Top-level windows: `rect` is the window's rectangle on the screen, `title` its caption (1252).
  virtual void ShowWindow(HWND window, const RECT& rect, const std::string& title) = 0;
  virtual void HideWindow(HWND window) = 0;
  virtual void MoveWindow(HWND window, const RECT& rect) = 0;
  virtual void SetTitle(HWND window, const std::string& title) = 0;
  virtual void DestroyWindow(HWND window) = 0;
  // Shows the window's current pixels (the surface is as large as the window).
  virtual void Present(HWND window, const gdi::Surface& surface) = 0;
  // Input that arrived since the last call, oldest first; never blocks.
  virtual std::vector<InputMessage> PollInput() = 0;
  // What the display shows of the window now (read back from the screen); nothing when headless.
  virtual std::optional<gdi::Surface> ReadBack(HWND window) = 0;

  // The size of the screen the windows are shown on; nothing when the back end has none (headless).
  virtual std::optional<SIZE> ScreenSize() const { return std::nullopt; }
  // A top-level window minimised or restored by the program.
  virtual void MinimiseWindow(HWND window) { (void)window; }
  virtual void RestoreWindow(HWND window) { (void)window; }
  // The window stays above `owner` (a shown window): the window manager is told (transient for), and
  // without one the back end raises it again whenever the owner comes up.
  virtual void SetOwner(HWND window, HWND owner) { (void)window, (void)owner; }
  // The window takes the display's keyboard (nobody else gives it without a window manager).
  virtual void FocusWindow(HWND window) { (void)window; }
  // The window comes to the top of the screen's stack (with the windows it owns above it).
  virtual void RaiseWindow(HWND window) { (void)window; }
  // The picture the display shows for the window (in its title bar, task bar or switcher).
  virtual void SetIcon(HWND window, const gdi::Surface& picture) { (void)window, (void)picture; }
};

// The headless back end: remembers nothing, shows nothing, reports no input.
std::unique_ptr<DisplayBackend> CreateHeadlessDisplay();
// The SDL2 back end on the display named by $DISPLAY; nothing when SDL cannot open it (`error` says why).
std::unique_ptr<DisplayBackend> CreateSdlDisplay(std::string* error = nullptr);
// The back end the environment asks for: SDL when QH_DISPLAY=sdl and a display can be opened, else the
// headless one (the reason is written to standard error when SDL was asked for and failed).
std::unique_ptr<DisplayBackend> CreateDisplayBackend();

}  // namespace qh::display
