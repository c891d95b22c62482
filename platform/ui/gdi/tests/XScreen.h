// Reads what an X server's screen shows (kept apart: the X headers' macros clash with GoogleTest's).
#pragma once

#include <optional>
#include <string>

#include "platform/ui/gdi/Surface.h"

namespace qh::gdi::testing {
std::optional<Surface> GrabXScreen(const std::string& display, int x, int y, int width, int height);
}
