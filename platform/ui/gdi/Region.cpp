#include "platform/ui/gdi/Region.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qh::gdi {
namespace {

using Span = std::pair<int, int>;  // [left, right)
using Spans = std::vector<Span>;

struct Band {
  int top;
  int bottom;
  Spans spans;
};

std::vector<Band> BandsOf(const std::vector<RECT>& rects) {
  std::vector<Band> bands;
  for (const RECT& r : rects) {
    if (bands.empty() || bands.back().top != r.top) bands.push_back({r.top, r.bottom, {}});
    bands.back().spans.push_back({r.left, r.right});
  }
  return bands;
}

// Spans of the band that covers row y (bands sorted; `cursor` only moves forward).
const Spans* SpansAt(const std::vector<Band>& bands, std::size_t& cursor, int y) {
  static const Spans kNone;
  while (cursor < bands.size() && bands[cursor].bottom <= y) ++cursor;
  if (cursor < bands.size() && bands[cursor].top <= y) return &bands[cursor].spans;
  return &kNone;
}

bool Covered(const Spans& spans, std::size_t& cursor, int x) {
  while (cursor < spans.size() && spans[cursor].second <= x) ++cursor;
  return cursor < spans.size() && spans[cursor].first <= x;
}

bool Apply(RegionOp op, bool a, bool b) {
  switch (op) {
    case RegionOp::And: return a && b;
    case RegionOp::Or: return a || b;
    case RegionOp::Xor: return a != b;
    case RegionOp::Diff: return a && !b;
    case RegionOp::Copy: return a;
  }
  return false;
}

Spans CombineSpans(const Spans& a, const Spans& b, RegionOp op) {
  std::vector<int> xs;
  for (const Span& s : a) xs.insert(xs.end(), {s.first, s.second});
  for (const Span& s : b) xs.insert(xs.end(), {s.first, s.second});
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  Spans out;
  std::size_t ca = 0, cb = 0;
  for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
    const bool inA = Covered(a, ca, xs[i]);
    const bool inB = Covered(b, cb, xs[i]);
    if (!Apply(op, inA, inB)) continue;
    if (!out.empty() && out.back().second == xs[i])
      out.back().second = xs[i + 1];
    else
      out.push_back({xs[i], xs[i + 1]});
  }
  return out;
}

// Builds the canonical rectangles from rows of spans, starting at row `top`; equal neighbouring rows
// share one band.
std::vector<RECT> RectsFromRows(int top, const std::vector<Spans>& rows) {
  std::vector<RECT> rects;
  std::size_t bandStart = 0;  // index in rects of the current band
  const Spans* previous = nullptr;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int y = top + static_cast<int>(i);
    const Spans& spans = rows[i];
    if (previous && !spans.empty() && spans == *previous && rects.size() > bandStart &&
        rects.back().bottom == y) {
      for (std::size_t k = bandStart; k < rects.size(); ++k) rects[k].bottom = y + 1;
      continue;
    }
    bandStart = rects.size();
    for (const Span& s : spans) rects.push_back(RECT{s.first, y, s.second, y + 1});
    previous = spans.empty() ? nullptr : &spans;
  }
  return rects;
}

// Pixel columns whose centres lie in [from, to].
Span CentresWithin(double from, double to) {
  return {static_cast<int>(std::ceil(from - 0.5)), static_cast<int>(std::floor(to - 0.5)) + 1};
}

}  // namespace

Region::Region(const RECT& rect) {
  if (rect.right > rect.left && rect.bottom > rect.top) rects_.push_back(rect);
}

Region Region::FromRect(int left, int top, int right, int bottom) {
  return Region(RECT{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)});
}

Region Region::FromRoundRect(const RECT& bounds, int ellipseWidth, int ellipseHeight) {
  const int left = std::min(bounds.left, bounds.right), right = std::max(bounds.left, bounds.right);
  const int top = std::min(bounds.top, bounds.bottom), bottom = std::max(bounds.top, bounds.bottom);
  const double rx = std::min(std::abs(ellipseWidth), right - left) / 2.0;
  const double ry = std::min(std::abs(ellipseHeight), bottom - top) / 2.0;
  std::vector<Spans> rows;
  for (int y = top; y < bottom; ++y) {
    const double yc = y + 0.5;
    double inset = 0;
    double dy = 0;
    if (ry > 0 && yc < top + ry) dy = (top + ry - yc) / ry;
    else if (ry > 0 && yc > bottom - ry) dy = (yc - (bottom - ry)) / ry;
    if (dy >= 1) {
      rows.emplace_back();
      continue;
    }
    if (dy > 0) inset = rx - rx * std::sqrt(1 - dy * dy);
    Span s = CentresWithin(left + inset, right - inset);
    s.first = std::max(s.first, left);
    s.second = std::min(s.second, right);
    rows.push_back(s.second > s.first ? Spans{s} : Spans{});
  }
  Region r;
  r.rects_ = RectsFromRows(top, rows);
  return r;
}

Region Region::FromEllipse(const RECT& bounds) {
  return FromRoundRect(bounds, bounds.right - bounds.left, bounds.bottom - bounds.top);
}

Region Region::FromPolygon(const POINT* points, int count, int fillMode) {
  Region r;
  if (!points || count < 3) return r;
  int top = std::numeric_limits<int>::max(), bottom = std::numeric_limits<int>::min();
  for (int i = 0; i < count; ++i) {
    top = std::min<int>(top, points[i].y);
    bottom = std::max<int>(bottom, points[i].y);
  }
  std::vector<Spans> rows;
  for (int y = top; y < bottom; ++y) {
    const double yc = y + 0.5;
    std::vector<std::pair<double, int>> crossings;  // x, direction
    for (int i = 0; i < count; ++i) {
      const POINT& p = points[i];
      const POINT& q = points[(i + 1) % count];
      if (p.y == q.y) continue;
      const bool down = q.y > p.y;
      const double y0 = down ? p.y : q.y, y1 = down ? q.y : p.y;
      if (yc < y0 || yc >= y1) continue;
      const double x = p.x + (yc - p.y) * (q.x - p.x) / static_cast<double>(q.y - p.y);
      crossings.push_back({x, down ? 1 : -1});
    }
    std::sort(crossings.begin(), crossings.end());
    Spans spans;
    int winding = 0;
    for (std::size_t k = 0; k + 1 < crossings.size(); ++k) {
      winding += fillMode == 2 ? crossings[k].second : 1;
      const bool inside = fillMode == 2 ? winding != 0 : (winding % 2) == 1;
      if (!inside) continue;
      Span s{static_cast<int>(std::ceil(crossings[k].first - 0.5)),
             static_cast<int>(std::ceil(crossings[k + 1].first - 0.5))};
      if (s.second <= s.first) continue;
      if (!spans.empty() && spans.back().second >= s.first)
        spans.back().second = std::max(spans.back().second, s.second);
      else
        spans.push_back(s);
    }
    rows.push_back(std::move(spans));
  }
  r.rects_ = RectsFromRows(top, rows);
  return r;
}

Region Region::FromMask(const std::vector<unsigned char>& mask, int width, int height, int originX,
                        int originY) {
  std::vector<Spans> rows(std::max(0, height));
  for (int y = 0; y < height; ++y) {
    const unsigned char* line = mask.data() + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width;) {
      if (!line[x]) {
        ++x;
        continue;
      }
      int end = x;
      while (end < width && line[end]) ++end;
      rows[y].push_back({x + originX, end + originX});
      x = end;
    }
  }
  Region r;
  r.rects_ = RectsFromRows(originY, rows);
  return r;
}

RECT Region::bounds() const {
  if (rects_.empty()) return RECT{};
  RECT b = rects_.front();
  for (const RECT& r : rects_) {
    b.left = std::min(b.left, r.left);
    b.right = std::max(b.right, r.right);
    b.bottom = std::max(b.bottom, r.bottom);
  }
  return b;
}

bool Region::contains(int x, int y) const {
  for (const RECT& r : rects_) {
    if (r.top > y) break;
    if (y < r.bottom && x >= r.left && x < r.right) return true;
  }
  return false;
}

bool Region::intersects(const RECT& rect) const {
  for (const RECT& r : rects_)
    if (r.left < rect.right && rect.left < r.right && r.top < rect.bottom && rect.top < r.bottom) return true;
  return false;
}

void Region::offset(int dx, int dy) {
  for (RECT& r : rects_) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
  }
}

Region Region::Combine(const Region& a, const Region& b, RegionOp op) {
  if (op == RegionOp::Copy) return a;
  const std::vector<Band> bandsA = BandsOf(a.rects_), bandsB = BandsOf(b.rects_);
  std::vector<int> ys;
  for (const Band& band : bandsA) ys.insert(ys.end(), {band.top, band.bottom});
  for (const Band& band : bandsB) ys.insert(ys.end(), {band.top, band.bottom});
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

  Region out;
  std::size_t ca = 0, cb = 0;
  std::size_t bandStart = 0;
  Spans previous;
  int previousBottom = std::numeric_limits<int>::min();
  for (std::size_t i = 0; i + 1 < ys.size(); ++i) {
    const int y0 = ys[i], y1 = ys[i + 1];
    Spans spans = CombineSpans(*SpansAt(bandsA, ca, y0), *SpansAt(bandsB, cb, y0), op);
    if (spans.empty()) {
      previous.clear();
      continue;
    }
    if (spans == previous && previousBottom == y0) {
      for (std::size_t k = bandStart; k < out.rects_.size(); ++k) out.rects_[k].bottom = y1;
    } else {
      bandStart = out.rects_.size();
      for (const Span& s : spans) out.rects_.push_back(RECT{s.first, y0, s.second, y1});
      previous = std::move(spans);
    }
    previousBottom = y1;
  }
  return out;
}

int Region::kind() const {
  if (rects_.empty()) return 1;
  return rects_.size() == 1 ? 2 : 3;
}

bool Region::operator==(const Region& other) const {
  if (rects_.size() != other.rects_.size()) return false;
  for (std::size_t i = 0; i < rects_.size(); ++i) {
    const RECT &p = rects_[i], &q = other.rects_[i];
    if (p.left != q.left || p.top != q.top || p.right != q.right || p.bottom != q.bottom) return false;
  }
  return true;
}

}  // namespace qh::gdi
