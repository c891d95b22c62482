// A 32-bit raster that windows and bitmaps draw into.
// Pixels are 0x00RRGGBB in native byte order (bytes B, G, R, X on this machine), which is cairo's RGB24
// layout, so cairo can draw into the same memory. Monochrome bitmaps use the same layout and hold only
// black (0x000000) and white (0xFFFFFF).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/core/WinTypes.h"

namespace qh::gdi {

using Pixel = std::uint32_t;

constexpr Pixel kBlackPixel = 0x000000u;
constexpr Pixel kWhitePixel = 0xFFFFFFu;

// COLORREF is 0x00BBGGRR; a pixel is 0x00RRGGBB.
constexpr Pixel PixelFromColor(COLORREF c) {
  return (static_cast<Pixel>(GetRValue(c)) << 16) | (static_cast<Pixel>(GetGValue(c)) << 8) | GetBValue(c);
}
constexpr COLORREF ColorFromPixel(Pixel p) {
  return RGB(static_cast<BYTE>((p >> 16) & 0xFF), static_cast<BYTE>((p >> 8) & 0xFF), static_cast<BYTE>(p & 0xFF));
}

class Surface {
 public:
  Surface() = default;
  Surface(int width, int height, Pixel fill = kBlackPixel);

  int width() const { return width_; }
  int height() const { return height_; }
  // Bytes from one row to the next.
  int stride() const { return width_ * 4; }
  bool empty() const { return width_ <= 0 || height_ <= 0; }

  Pixel* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  const Pixel* row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  Pixel* data() { return pixels_.data(); }
  const Pixel* data() const { return pixels_.data(); }

  bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  Pixel at(int x, int y) const { return row(y)[x]; }
  void set(int x, int y, Pixel p) { row(y)[x] = p; }

  // Resizes to width x height; the old contents are kept where they overlap, the rest is filled.
  void resize(int width, int height, Pixel fill = kBlackPixel);
  void fill(Pixel p);
  // A copy of the area (x, y, w, h); parts outside the surface are black.
  Surface crop(int x, int y, int w, int h) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<Pixel> pixels_;
};

}  // namespace qh::gdi
