// An area of the plane made of pixels, kept as y-x banded rectangles: the rectangles of one band share
// top and bottom, do not overlap or touch, and bands are sorted top to bottom. The form is canonical, so
// two regions covering the same pixels compare equal.
#pragma once

#include <vector>

#include "platform/core/WinTypes.h"

namespace qh::gdi {

enum class RegionOp { And = 1, Or = 2, Xor = 3, Diff = 4, Copy = 5 };

class Region {
 public:
  Region() = default;
  explicit Region(const RECT& rect);
  static Region FromRect(int left, int top, int right, int bottom);
  // Pixels whose centre lies inside the ellipse bounded by the rectangle.
  static Region FromEllipse(const RECT& bounds);
  static Region FromRoundRect(const RECT& bounds, int ellipseWidth, int ellipseHeight);
  // fillMode: 1 = alternate (even-odd), 2 = winding.
  static Region FromPolygon(const POINT* points, int count, int fillMode);
  // Scanline spans: each span is one row; spans must be inside the mask (x in [0, width)).
  static Region FromMask(const std::vector<unsigned char>& mask, int width, int height, int originX,
                         int originY);

  bool empty() const { return rects_.empty(); }
  const std::vector<RECT>& rects() const { return rects_; }
  RECT bounds() const;
  bool contains(int x, int y) const;
  bool intersects(const RECT& rect) const;
  void offset(int dx, int dy);

  static Region Combine(const Region& a, const Region& b, RegionOp op);
  Region intersected(const RECT& rect) const { return Combine(*this, Region(rect), RegionOp::And); }

  // NULLREGION (1), SIMPLEREGION (2) or COMPLEXREGION (3), as the platform reports region kinds.
  int kind() const;

  bool operator==(const Region& other) const;

 private:
  std::vector<RECT> rects_;
};

}  // namespace qh::gdi
