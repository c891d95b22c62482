#include "platform/ui/gdi/Surface.h"

#include <algorithm>

namespace qh::gdi {

Surface::Surface(int width, int height, Pixel fill)
    : width_(std::max(0, width)),
      height_(std::max(0, height)),
      pixels_(static_cast<std::size_t>(width_) * height_, fill) {}

void Surface::resize(int width, int height, Pixel fill) {
  Surface resized(width, height, fill);
  const int w = std::min(width_, resized.width_);
  const int h = std::min(height_, resized.height_);
  for (int y = 0; y < h; ++y) std::copy_n(row(y), w, resized.row(y));
  *this = std::move(resized);
}

void Surface::fill(Pixel p) { std::fill(pixels_.begin(), pixels_.end(), p); }

Surface Surface::crop(int x, int y, int w, int h) const {
  Surface out(w, h, kBlackPixel);
  for (int row_index = 0; row_index < out.height_; ++row_index) {
    const int sy = y + row_index;
    if (sy < 0 || sy >= height_) continue;
    for (int col = 0; col < out.width_; ++col) {
      const int sx = x + col;
      if (sx >= 0 && sx < width_) out.set(col, row_index, at(sx, sy));
    }
  }
  return out;
}

}  // namespace qh::gdi
