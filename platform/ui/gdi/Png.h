// PNG files of surfaces: what snapshots write and what bitmap resources and tests read.
#pragma once

#include <optional>
#include <string>

#include "platform/ui/gdi/Surface.h"

namespace qh::gdi {

// Writes the surface as an 8-bit RGB PNG. False (with `error` set) when the file cannot be written.
bool WritePng(const Surface& surface, const std::string& path, std::string* error = nullptr);
// Reads a PNG of any colour type; transparent pixels are composed over black. Nothing on a missing,
// truncated or corrupt file (with `error` set).
std::optional<Surface> ReadPng(const std::string& path, std::string* error = nullptr);

}  // namespace qh::gdi
