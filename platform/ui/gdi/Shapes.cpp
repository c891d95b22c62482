// Lines and filled shapes, and the region objects they share their geometry with.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/ui/gdi/GdiInternal.h"

namespace qh::gdi {
namespace {

// Pixels set one by one (lines), turned into a region at the end.
class PixelMask {
 public:
  explicit PixelMask(RECT bounds) : bounds_(bounds) {
    width_ = std::max<int>(0, bounds.right - bounds.left);
    height_ = std::max<int>(0, bounds.bottom - bounds.top);
    bits_.assign(static_cast<std::size_t>(width_) * height_, 0);
  }
  void set(int x, int y) {
    x -= bounds_.left;
    y -= bounds_.top;
    if (x >= 0 && y >= 0 && x < width_ && y < height_) bits_[static_cast<std::size_t>(y) * width_ + x] = 1;
  }
  void fill(int left, int top, int right, int bottom) {
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) set(x, y);
  }
  Region region() const { return Region::FromMask(bits_, width_, height_, bounds_.left, bounds_.top); }

 private:
  RECT bounds_;
  int width_ = 0, height_ = 0;
  std::vector<unsigned char> bits_;
};

// On/off run lengths of the styled one-pixel pens.
std::vector<int> DashPattern(int style) {
  switch (style) {
    case PS_DASH: return {18, 6};
    case PS_DOT: return {3, 3};
    case PS_DASHDOT: return {9, 6, 3, 6};
    case PS_DASHDOTDOT: return {9, 3, 3, 3, 3, 3};
    default: return {};
  }
}

// Adds the line from (x0, y0) to (x1, y1), end point excluded, in surface coordinates.
void AddLine(PixelMask& mask, int x0, int y0, int x1, int y1, int width, int style) {
  const std::vector<int> dashes = width <= 1 ? DashPattern(style) : std::vector<int>{};
  std::size_t dash = 0;
  int runLeft = dashes.empty() ? 0 : dashes[0];
  const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
  const int stepX = x0 < x1 ? 1 : -1, stepY = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  const int half = width / 2;
  while (x0 != x1 || y0 != y1) {
    const bool on = dashes.empty() || dash % 2 == 0;
    if (on) {
      if (width <= 1) mask.set(x0, y0);
      else mask.fill(x0 - half, y0 - half, x0 - half + width, y0 - half + width);
    }
    if (!dashes.empty() && --runLeft == 0) {
      dash = (dash + 1) % dashes.size();
      runLeft = dashes[dash];
    }
    const int e2 = 2 * err;
    if (e2 >= dy) { err += dy; x0 += stepX; }
    if (e2 <= dx) { err += dx; y0 += stepY; }
  }
}

RECT LineBounds(const Canvas& c, const POINT* points, int count, int width) {
  RECT b{c.sx(points[0].x), c.sy(points[0].y), c.sx(points[0].x), c.sy(points[0].y)};
  for (int i = 1; i < count; ++i) {
    b.left = std::min<LONG>(b.left, c.sx(points[i].x));
    b.right = std::max<LONG>(b.right, c.sx(points[i].x));
    b.top = std::min<LONG>(b.top, c.sy(points[i].y));
    b.bottom = std::max<LONG>(b.bottom, c.sy(points[i].y));
  }
  return RECT{b.left - width, b.top - width, b.right + width + 1, b.bottom + width + 1};
}

// Draws a polyline with the DC's pen (closed: back to the first point as well).
void StrokePolyline(DeviceContext& dc, const Canvas& c, const POINT* points, int count, bool closed) {
  const PenObject* pen = dc.pen();
  if (!pen || pen->style == PS_NULL || count < 2) return;
  PixelMask mask(LineBounds(c, points, count, pen->width));
  const int segments = closed ? count : count - 1;
  for (int i = 0; i < segments; ++i) {
    const POINT& a = points[i];
    const POINT& b = points[(i + 1) % count];
    AddLine(mask, c.sx(a.x), c.sy(a.y), c.sx(b.x), c.sy(b.y), pen->width, pen->style);
  }
  PaintSolid(c, mask.region(), DevicePixel(c, pen->color));
}

// A shape with a frame of pen width drawn inside its bounds and the inside painted with the brush.
void DrawFramedShape(HDC hdc, int left, int top, int right, int bottom,
                     Region (*shape)(const RECT& bounds, int a, int b), int a, int b) {
  DeviceContext* dc = LookupDc(hdc);
  if (!dc) return;
  auto c = CanvasOf(*dc);
  if (!c) return;
  RECT bounds = c->toSurface(RECT{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)});
  const PenObject* pen = dc->pen();
  const bool stroked = pen && pen->style != PS_NULL;
  if (!stroked) {  // without a pen the shape is one pixel smaller on the right and bottom
    bounds.right -= 1;
    bounds.bottom -= 1;
  }
  const Region outer = shape(bounds, a, b);
  if (!stroked) return PaintWithBrush(*dc, *c, outer, dc->brush());
  const int w = pen->width;
  const RECT innerBounds{bounds.left + w, bounds.top + w, bounds.right - w, bounds.bottom - w};
  const Region inner = innerBounds.right > innerBounds.left && innerBounds.bottom > innerBounds.top
                           ? shape(innerBounds, std::max(0, a - 2 * w), std::max(0, b - 2 * w))
                           : Region();
  PaintWithBrush(*dc, *c, inner, dc->brush());
  PaintSolid(*c, Region::Combine(outer, inner, RegionOp::Diff), DevicePixel(*c, pen->color));
}

Region RectShape(const RECT& r, int, int) { return Region(r); }
Region EllipseShape(const RECT& r, int, int) { return Region::FromEllipse(r); }
Region RoundRectShape(const RECT& r, int a, int b) { return Region::FromRoundRect(r, a, b); }

HRGN NewRegion(Region region) {
  auto object = std::make_unique<RegionObject>();
  object->region = std::move(region);
  return static_cast<HRGN>(Register(std::move(object)));
}

}  // namespace
}  // namespace qh::gdi

using namespace qh::gdi;

BOOL MoveToEx(HDC dc, int x, int y, LPPOINT previous) {
  DeviceContext* context = LookupDc(dc);
  if (!context) return FALSE;
  if (previous) *previous = context->state.current;
  context->state.current = POINT{x, y};
  return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
  DeviceContext* context = LookupDc(dc);
  if (!context) return FALSE;
  auto c = CanvasOf(*context);
  if (!c) return FALSE;
  const POINT points[2] = {context->state.current, POINT{x, y}};
  StrokePolyline(*context, *c, points, 2, false);
  context->state.current = POINT{x, y};
  return TRUE;
}

BOOL Polyline(HDC dc, const POINT* points, int count) {
  DeviceContext* context = LookupDc(dc);
  if (!context || !points || count < 2) return FALSE;
  auto c = CanvasOf(*context);
  if (!c) return FALSE;
  StrokePolyline(*context, *c, points, count, false);
  return TRUE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  if (!LookupDc(dc)) return FALSE;
  DrawFramedShape(dc, left, top, right, bottom, RectShape, 0, 0);
  return TRUE;
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
  if (!LookupDc(dc)) return FALSE;
  DrawFramedShape(dc, left, top, right, bottom, EllipseShape, 0, 0);
  return TRUE;
}

BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
  if (!LookupDc(dc)) return FALSE;
  DrawFramedShape(dc, left, top, right, bottom, RoundRectShape, ellipseWidth, ellipseHeight);
  return TRUE;
}

BOOL Polygon(HDC dc, const POINT* points, int count) {
  DeviceContext* context = LookupDc(dc);
  if (!context || !points || count < 2) return FALSE;
  auto c = CanvasOf(*context);
  if (!c) return FALSE;
  std::vector<POINT> onSurface(points, points + count);
  for (POINT& p : onSurface) p = POINT{c->sx(p.x), c->sy(p.y)};
  PaintWithBrush(*context, *c, Region::FromPolygon(onSurface.data(), count, context->state.polyFillMode),
                 context->brush());
  StrokePolyline(*context, *c, points, count, true);
  return TRUE;
}

BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush) {
  DeviceContext* context = LookupDc(dc);
  const Region* r = RegionFromHandle(region);
  BrushObject* b = LookupBrush(brush);
  if (!context || !r || !b) return FALSE;
  auto c = CanvasOf(*context);
  if (!c) return FALSE;
  Region onSurface = *r;
  onSurface.offset(c->origin.x + c->viewport.x, c->origin.y + c->viewport.y);
  PaintWithBrush(*context, *c, onSurface, b);
  return TRUE;
}

BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height) {
  const Region* r = RegionFromHandle(region);
  if (!r || width < 1 || height < 1) return FALSE;
  // The frame is what the region loses when it shrinks by the frame size in every direction.
  Region inner = *r;
  for (const POINT shift : {POINT{width, 0}, POINT{-width, 0}, POINT{0, height}, POINT{0, -height}}) {
    Region moved = *r;
    moved.offset(shift.x, shift.y);
    inner = Region::Combine(inner, moved, RegionOp::And);
  }
  HRGN frame = NewRegion(Region::Combine(*r, inner, RegionOp::Diff));
  const BOOL ok = FillRgn(dc, frame, brush);
  DeleteObject(frame);
  return ok;
}

// ---- region objects ------------------------------------------------------------------------------------

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  return NewRegion(Region::FromRect(left, top, right, bottom));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  return NewRegion(Region::FromEllipse(RECT{std::min(left, right), std::min(top, bottom), std::max(left, right),
                                            std::max(top, bottom)}));
}

HRGN CreateEllipticRgnIndirect(const RECT* rect) {
  return rect ? CreateEllipticRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
  return NewRegion(Region::FromRoundRect(RECT{left, top, right, bottom}, ellipseWidth, ellipseHeight));
}

HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode) {
  if (!points || count < 0 || (fillMode != ALTERNATE && fillMode != WINDING)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return NewRegion(Region::FromPolygon(points, count, fillMode));
}

int CombineRgn(HRGN dest, HRGN source1, HRGN source2, int mode) {
  Region* out = MutableRegionFromHandle(dest);
  const Region* a = RegionFromHandle(source1);
  const Region* b = mode == RGN_COPY ? a : RegionFromHandle(source2);
  if (!out || !a || !b || mode < RGN_AND || mode > RGN_COPY) return RGN_ERROR;
  *out = Region::Combine(*a, *b, static_cast<RegionOp>(mode));
  return out->kind();
}

BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom) {
  Region* r = MutableRegionFromHandle(region);
  if (!r) return FALSE;
  *r = Region::FromRect(left, top, right, bottom);
  return TRUE;
}

BOOL PtInRegion(HRGN region, int x, int y) {
  const Region* r = RegionFromHandle(region);
  return r && r->contains(x, y);
}

BOOL RectInRegion(HRGN region, const RECT* rect) {
  const Region* r = RegionFromHandle(region);
  return r && rect && r->intersects(*rect);
}

BOOL EqualRgn(HRGN a, HRGN b) {
  const Region* ra = RegionFromHandle(a);
  const Region* rb = RegionFromHandle(b);
  return ra && rb && *ra == *rb;
}

int OffsetRgn(HRGN region, int dx, int dy) {
  Region* r = MutableRegionFromHandle(region);
  if (!r) return RGN_ERROR;
  r->offset(dx, dy);
  return r->kind();
}

int GetRgnBox(HRGN region, LPRECT box) {
  const Region* r = RegionFromHandle(region);
  if (!r || !box) return RGN_ERROR;
  *box = r->bounds();
  return r->kind();
}
