// The X windows of a program on the test's display, found as a user sees them: visible, by the
// process that made them and their title, or as the screen's top-level windows. xdotool walks the window tree and ends on an X error when a
// window goes away meanwhile, so every look is a bounded xdotool call, repeated until a deadline.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace qh::programs::testing {

struct XWindowPlace {
  std::string id;
  int x = 0, y = 0, width = 0, height = 0;  // the window's area on the screen
};

// Runs xdotool (at most 5 s) on `display`; its output lines, none when it failed.
std::vector<std::string> XdotoolLines(const std::string& display, const std::string& commands);
// A visible window of process `pid` with the title `title`, looked for until `limit` passed; with
// `shownOnly` false also a hidden or minimised one.
std::optional<XWindowPlace> WaitForWindow(const std::string& display, pid_t pid, const std::string& title,
                                          std::chrono::milliseconds limit, bool shownOnly = true);
// The top-level windows the screen shows now (the root's mapped children: a window manager's frames
// and menus, a program's own menus and boxes), highest first.
std::vector<XWindowPlace> ShownTopLevelWindows(const std::string& display);
// A top-level window that came up since `before` (a look at ShownTopLevelWindows) with its top-left
// corner within `slack` pixels of (`x`, `y`), looked for until `limit` passed: a menu opened there.
std::optional<XWindowPlace> WaitForNewWindowAt(const std::string& display, const std::vector<XWindowPlace>& before,
                                               int x, int y, int slack, std::chrono::milliseconds limit);
// The X window that has the keyboard focus, asked until it is `id` or `limit` passed; true when it is.
bool WaitForKeyboardFocus(const std::string& display, const std::string& id, std::chrono::milliseconds limit);
// The display's window tree as xwininfo prints it, for a failure's message.
std::string WindowTree(const std::string& display);
// Whether the window `id` is still shown, asked until `limit` passed for it to be gone.
bool WaitUntilGone(const std::string& display, const std::string& id, std::chrono::milliseconds limit);

}  // namespace qh::programs::testing
