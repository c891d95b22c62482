// What display tests need beyond the screen itself (the window manager is XWindowManager.h's): the icon a window shows the window manager, and what a minimised window paints.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

#include "platform/core/WinTypes.h"
#include "platform/ui/gdi/Surface.h"

namespace qh::gdi::testing {

// The X window of `display` whose title is `title`, or 0.
unsigned long XWindowTitled(const std::string& display, const std::string& title);
// The largest picture of the X window's _NET_WM_ICON (what a window manager shows for it), alpha dropped.
std::optional<Surface> XWindowIcon(const std::string& display, unsigned long window);
// Whether the window manager holds the X window iconified (WM_STATE IconicState).
bool XWindowIconified(const std::string& display, unsigned long window);

// The share of `picture`'s pixels that the minimised top-level `window` shows centred in its client
// area, at the system's icon size, as the platform's default painting and the programs' own draw it.
// Minimises the window, takes its picture and restores it; 0 when no picture could be taken.
double MinimisedIconShare(HWND window, const Surface& picture);

}  // namespace qh::gdi::testing

namespace qh::gdi::testing {

// Makes `folder` (a program's bitmaps, as the build copies them beside it) the only bitmap folder and
// returns the picture of icon `id` in it; nothing when there is none.
std::optional<Surface> UseProgramBitmaps(const std::string& folder, unsigned id);

}  // namespace qh::gdi::testing
