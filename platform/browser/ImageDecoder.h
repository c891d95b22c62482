// Pictures the browser shows: JPEG, PNG and GIF files decoded into our 32-bit surfaces. The format is
// told by the file's first bytes, never by its name.
#pragma once

#include <optional>
#include <string>

#include "platform/ui/gdi/Surface.h"

namespace qh::browser {

// Pictures larger than this on either side are refused rather than allocated.
constexpr int kMaxImageSide = 8192;

// Decodes the host file; nothing (with `error` set) for a missing, unknown, truncated or corrupt file.
std::optional<gdi::Surface> DecodeImageFile(const std::string& hostPath, std::string* error = nullptr);

}  // namespace qh::browser
