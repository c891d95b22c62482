// Pictures of windows: what a window shows, its children included, as a surface or a PNG file.
#pragma once

#include <optional>
#include <string>

#include "platform/core/WinTypes.h"
#include "platform/ui/gdi/Surface.h"

namespace qh::gdi {

// Brings the window up to date (through the window manager) and copies its area, frame and children
// included. Nothing for an unknown window.
std::optional<Surface> SnapshotWindow(HWND window);
bool WriteWindowPng(HWND window, const std::string& path, std::string* error = nullptr);

}  // namespace qh::gdi
