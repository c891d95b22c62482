// A message box as the screen shows it: where its stock icon is (found by the icon's colour) and
// where its text's ink lies, compared with the size the box's text takes in the box's font.
#pragma once

#include <optional>
#include <string>

#include "platform/core/WinTypes.h"
#include "platform/ui/gdi/Surface.h"

namespace qh::programs::testing {

// The bounding box of the pixels of `color` in `picture`, when at least `least` show it.
std::optional<RECT> AreaOfColor(const qh::gdi::Surface& picture, COLORREF color, int least);
// The bounding box of the dark (text) pixels of `area`, or nothing.
std::optional<RECT> InkArea(const qh::gdi::Surface& picture, const RECT& area);
// The size `text` takes in a message box: wrapped as the box wraps it, in its font.
SIZE BoxTextSize(const std::string& text);

}  // namespace qh::programs::testing
