// Pixel transfers: raster operations, colour/monochrome conversion, brushes, single pixels.
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/ui/gdi/GdiInternal.h"

namespace qh::gdi {
namespace {

bool IsWhiteOnMonochrome(COLORREF color) {
  const int luminance = GetRValue(color) * 30 + GetGValue(color) * 59 + GetBValue(color) * 11;
  return luminance >= 128 * 100;
}

// The ternary raster operation: bit i of the code is the result for pattern, source and destination
// bits (i >> 2, i >> 1, i) & 1.
Pixel Rop3(unsigned code, Pixel p, Pixel s, Pixel d) {
  switch (code) {
    case 0xCC: return s;
    case 0xF0: return p;
    case 0x88: return s & d;
    case 0xEE: return s | d;
    case 0x66: return s ^ d;
    case 0x00: return kBlackPixel;
    case 0xFF: return kWhitePixel;
    default: break;
  }
  Pixel r = 0;
  for (unsigned i = 0; i < 8; ++i) {
    if (!(code & (1u << i))) continue;
    r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return r & 0xFFFFFF;
}

bool UsesSource(unsigned code) { return (((code >> 2) ^ code) & 0x33) != 0; }
bool UsesPattern(unsigned code) { return (((code >> 4) ^ code) & 0x0F) != 0; }

int Wrap(int value, int size) {
  const int m = value % size;
  return m < 0 ? m + size : m;
}

// The brush's pixel at a surface point, as the destination stores it.
struct BrushSampler {
  const BrushObject* brush = nullptr;
  const Canvas* canvas = nullptr;
  Pixel solid = 0;
  Pixel monoZero = 0, monoOne = 0;  // monochrome patterns: text and background colours
  POINT org;

  BrushSampler(const DeviceContext& dc, const Canvas& c, const BrushObject* b) : brush(b), canvas(&c) {
    if (!brush) return;
    solid = DevicePixel(c, brush->color);
    monoZero = DevicePixel(c, dc.state.textColor);
    monoOne = DevicePixel(c, dc.state.bkColor);
    org = POINT{c.origin.x + dc.state.brushOrigin.x, c.origin.y + dc.state.brushOrigin.y};
  }
  bool paints() const { return brush && brush->style != BS_NULL; }
  Pixel at(int x, int y) const {
    if (!brush || brush->style != BS_PATTERN) return solid;
    const Surface& pat = brush->pattern;
    const Pixel p = pat.at(Wrap(x - org.x, pat.width()), Wrap(y - org.y, pat.height()));
    if (brush->monochromePattern) return p == kWhitePixel ? monoOne : monoZero;
    if (canvas->monochrome) return (p == kWhitePixel) ? kWhitePixel : DevicePixel(*canvas, ColorFromPixel(p));
    return p;
  }
};

// Source pixels converted for the destination; `valid` is false where the source has no pixel.
struct SourceBlock {
  int width = 0, height = 0;
  std::vector<Pixel> pixels;
  std::vector<unsigned char> valid;
};

SourceBlock ReadSource(DeviceContext& src, const Canvas& srcCanvas, DeviceContext& dest, const Canvas& destCanvas,
                       int sx, int sy, int w, int h) {
  SourceBlock block;
  block.width = w;
  block.height = h;
  block.pixels.assign(static_cast<std::size_t>(w) * h, 0);
  block.valid.assign(static_cast<std::size_t>(w) * h, 0);
  const Surface& surface = *srcCanvas.surface;
  const Pixel srcBk = PixelFromColor(src.state.bkColor);
  const Pixel toWhite = DevicePixel(destCanvas, dest.state.bkColor);
  const Pixel toBlack = DevicePixel(destCanvas, dest.state.textColor);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int px = srcCanvas.sx(sx + x), py = srcCanvas.sy(sy + y);
      if (!surface.contains(px, py)) continue;
      Pixel p = surface.at(px, py);
      if (srcCanvas.monochrome && !destCanvas.monochrome)
        p = (p == kWhitePixel) ? toWhite : toBlack;
      else if (!srcCanvas.monochrome && destCanvas.monochrome)
        p = (p == srcBk) ? kWhitePixel : kBlackPixel;
      const std::size_t i = static_cast<std::size_t>(y) * w + x;
      block.pixels[i] = p;
      block.valid[i] = 1;
    }
  return block;
}

// Maps destination offset i (of n) to the source offset (of m), nearest pixel, mirrored if asked.
int MapOffset(int i, int n, int m, bool mirror) {
  int o = static_cast<int>(std::floor((i + 0.5) * m / static_cast<double>(n)));
  o = std::clamp(o, 0, m - 1);
  return mirror ? m - 1 - o : o;
}

BOOL Blit(HDC destDc, int x, int y, int w, int h, HDC srcDc, int sx, int sy, int sw, int sh, DWORD rop) {
  DeviceContext* dest = LookupDc(destDc);
  if (!dest) return FALSE;
  const unsigned code = (rop >> 16) & 0xFF;
  auto destCanvas = CanvasOf(*dest);
  if (!destCanvas) return FALSE;
  bool mirrorX = false, mirrorY = false;
  if (w < 0) { x += w; w = -w; mirrorX = !mirrorX; }
  if (h < 0) { y += h; h = -h; mirrorY = !mirrorY; }
  if (sw < 0) { sx += sw; sw = -sw; mirrorX = !mirrorX; }
  if (sh < 0) { sy += sh; sh = -sh; mirrorY = !mirrorY; }
  if (w == 0 || h == 0) return TRUE;

  // A plain copy at the same size between colour surfaces (a double-buffered paint's steps) reads the
  // source where it lies, without a converted copy of it.
  if (code == 0xCC && w == sw && h == sh && !mirrorX && !mirrorY) {
    DeviceContext* src = LookupDc(srcDc);
    auto srcCanvas = src ? CanvasOf(*src) : std::nullopt;
    if (srcCanvas && !srcCanvas->monochrome && !destCanvas->monochrome && srcCanvas->surface != destCanvas->surface) {
      const Region area = Region::Combine(SurfaceRect(*destCanvas, x, y, x + w, y + h), destCanvas->clip, RegionOp::And);
      const Surface& from = *srcCanvas->surface;
      Surface& to = *destCanvas->surface;
      const int dx = srcCanvas->sx(sx) - destCanvas->sx(x), dy = srcCanvas->sy(sy) - destCanvas->sy(y);
      for (const RECT& r : area.rects())
        for (int py = r.top; py < r.bottom; ++py) {
          const int fy = py + dy;
          if (fy < 0 || fy >= from.height()) continue;
          const int first = std::max<int>(r.left, -dx), last = std::min<int>(r.right, from.width() - dx);
          if (first < last) std::copy(from.row(fy) + first + dx, from.row(fy) + last + dx, to.row(py) + first);
        }
      return TRUE;
    }
  }
  SourceBlock source;
  if (UsesSource(code)) {
    DeviceContext* src = LookupDc(srcDc);
    if (!src || sw == 0 || sh == 0) return FALSE;
    auto srcCanvas = CanvasOf(*src);
    if (!srcCanvas) return FALSE;
    source = ReadSource(*src, *srcCanvas, *dest, *destCanvas, sx, sy, sw, sh);
  }
  const BrushSampler pattern(*dest, *destCanvas, UsesPattern(code) ? dest->brush() : nullptr);
  if (UsesPattern(code) && !pattern.paints()) return TRUE;

  const Region area = Region::Combine(SurfaceRect(*destCanvas, x, y, x + w, y + h), destCanvas->clip, RegionOp::And);
  const int left = destCanvas->sx(x), top = destCanvas->sy(y);
  Surface& surface = *destCanvas->surface;
  for (const RECT& r : area.rects())
    for (int py = r.top; py < r.bottom; ++py) {
      Pixel* row = surface.row(py);
      const int srcRow = source.width ? MapOffset(py - top, h, sh, mirrorY) : 0;
      for (int px = r.left; px < r.right; ++px) {
        Pixel s = 0;
        if (source.width) {
          const std::size_t i = static_cast<std::size_t>(srcRow) * sw + MapOffset(px - left, w, sw, mirrorX);
          if (!source.valid[i]) continue;
          s = source.pixels[i];
        }
        const Pixel p = pattern.brush ? pattern.at(px, py) : 0;
        row[px] = Rop3(code, p, s, row[px]);
      }
    }
  return TRUE;
}

}  // namespace

Pixel DevicePixel(const Canvas& canvas, COLORREF color) {
  if (canvas.monochrome) return IsWhiteOnMonochrome(color) ? kWhitePixel : kBlackPixel;
  return PixelFromColor(color & 0xFFFFFF);
}

void PaintSolid(const Canvas& canvas, const Region& area, Pixel pixel) {
  const Region clipped = Region::Combine(area, canvas.clip, RegionOp::And);
  for (const RECT& r : clipped.rects())
    for (int y = r.top; y < r.bottom; ++y) std::fill(canvas.surface->row(y) + r.left, canvas.surface->row(y) + r.right, pixel);
}

void PaintWithBrush(DeviceContext& dc, const Canvas& canvas, const Region& area, const BrushObject* brush) {
  const BrushSampler sampler(dc, canvas, brush);
  if (!sampler.paints()) return;
  if (brush->style != BS_PATTERN) return PaintSolid(canvas, area, sampler.solid);
  const Region clipped = Region::Combine(area, canvas.clip, RegionOp::And);
  for (const RECT& r : clipped.rects())
    for (int y = r.top; y < r.bottom; ++y) {
      Pixel* row = canvas.surface->row(y);
      for (int x = r.left; x < r.right; ++x) row[x] = sampler.at(x, y);
    }
}

}  // namespace qh::gdi

using namespace qh::gdi;

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop) {
  return Blit(dest, x, y, width, height, source, sourceX, sourceY, width, height, rop);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, DWORD rop) {
  return Blit(dest, x, y, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight, rop);
}

BOOL PatBlt(HDC dest, int x, int y, int width, int height, DWORD rop) {
  if (UsesSource((rop >> 16) & 0xFF)) return FALSE;
  return Blit(dest, x, y, width, height, nullptr, 0, 0, width, height, rop);
}

COLORREF GetPixel(HDC dc, int x, int y) {
  DeviceContext* context = LookupDc(dc);
  if (!context) return CLR_INVALID;
  auto canvas = CanvasOf(*context);
  if (!canvas) return CLR_INVALID;
  const int px = canvas->sx(x), py = canvas->sy(y);
  if (!canvas->clip.contains(px, py)) return CLR_INVALID;
  return ColorFromPixel(canvas->surface->at(px, py));
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  DeviceContext* context = LookupDc(dc);
  if (!context) return CLR_INVALID;
  auto canvas = CanvasOf(*context);
  if (!canvas) return CLR_INVALID;
  const int px = canvas->sx(x), py = canvas->sy(y);
  if (!canvas->clip.contains(px, py)) return CLR_INVALID;
  const Pixel p = DevicePixel(*canvas, color);
  canvas->surface->set(px, py, p);
  return ColorFromPixel(p);
}

// Paints the part of `rect` that `shape` picks with the brush; 0 for a bad DC, rectangle or brush.
template <class Shape>
static int PaintRect(HDC dc, const RECT* rect, HBRUSH brush, Shape shape) {
  DeviceContext* context = LookupDc(dc);
  BrushObject* b = LookupBrush(brush);
  if (!context || !rect || !b) return 0;
  auto canvas = CanvasOf(*context);
  if (!canvas) return 0;
  if (rect->right > rect->left && rect->bottom > rect->top) PaintWithBrush(*context, *canvas, shape(*canvas, *rect), b);
  return 1;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  return PaintRect(dc, rect, brush, [](const Canvas& c, const RECT& r) {
    return SurfaceRect(c, r.left, r.top, r.right, r.bottom);
  });
}

int FrameRect(HDC dc, const RECT* rect, HBRUSH brush) {
  return PaintRect(dc, rect, brush, [](const Canvas& c, const RECT& r) {
    const Region outer = SurfaceRect(c, r.left, r.top, r.right, r.bottom);
    const Region inner = SurfaceRect(c, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1);
    return Region::Combine(outer, inner, RegionOp::Diff);
  });
}

BOOL InvertRect(HDC dc, const RECT* rect) {
  if (!rect) return FALSE;
  return PatBlt(dc, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, DSTINVERT);
}
