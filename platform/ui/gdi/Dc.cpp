// Device contexts: memory, window and screen DCs, their state, saving and clipping.
#include <atomic>
#include <mutex>

#include "platform/ui/gdi/GdiInternal.h"

namespace qh::gdi {
namespace {

std::atomic<WindowSurfaceProvider*> g_provider{nullptr};

void ResetState(DcState& state) {
  state = DcState{};
  state.pen = ObjectRef(Lookup(GetStockObject(BLACK_PEN)));
  state.brush = ObjectRef(Lookup(GetStockObject(WHITE_BRUSH)));
  state.font = ObjectRef(Lookup(GetStockObject(SYSTEM_FONT)));
}

RECT Bounds(const Surface& s) { return RECT{0, 0, s.width(), s.height()}; }

}  // namespace

void SetWindowSurfaceProvider(WindowSurfaceProvider* provider) { g_provider = provider; }
WindowSurfaceProvider* GetWindowSurfaceProvider() { return g_provider; }

HDC RegisterDc(std::unique_ptr<DeviceContext> dc) { return static_cast<HDC>(Register(std::move(dc))); }

bool DestroyDc(HDC dc) {
  DeviceContext* context = LookupDc(dc);
  if (!context) return false;
  // Let go of the selected objects before the DC itself goes, so deleted ones are freed.
  context->state = DcState{};
  context->saved.clear();
  return Unregister(dc);
}

HDC OpenWindowDC(HWND window, DcArea area, const Region* limit) {
  WindowSurfaceProvider* provider = g_provider;
  if (!provider) return nullptr;
  auto dc = std::make_unique<DeviceContext>();
  if (!provider->Target(window, area, dc->target) || !dc->target.surface) return nullptr;
  dc->window = window;
  dc->fromProvider = true;
  if (limit) dc->limit = *limit;
  ResetState(dc->state);
  return RegisterDc(std::move(dc));
}

void CloseWindowDC(HDC dc) {
  DeviceContext* context = LookupDc(dc);
  if (!context) return;
  const HWND window = context->window;
  const bool fromProvider = context->fromProvider;
  DestroyDc(dc);
  if (fromProvider)
    if (WindowSurfaceProvider* provider = g_provider) provider->Released(window);
}

std::optional<Canvas> CanvasOf(DeviceContext& dc) {
  Canvas canvas;
  canvas.viewport = dc.state.viewportOrigin;
  Region area;
  if (dc.memory) {
    BitmapObject* bitmap = dc.bitmap();
    if (!bitmap) return std::nullopt;
    canvas.surface = &bitmap->pixels;
    canvas.monochrome = bitmap->monochrome;
    area = Region(Bounds(bitmap->pixels));
    if (dc.state.clip) area = Region::Combine(area, *dc.state.clip, RegionOp::And);
  } else if (dc.fromProvider) {
    canvas.surface = dc.target.surface;
    canvas.origin = dc.target.origin;
    area = dc.target.visible;
    if (dc.limit) area = Region::Combine(area, *dc.limit, RegionOp::And);
    if (dc.state.clip) area = Region::Combine(area, *dc.state.clip, RegionOp::And);
    area.offset(canvas.origin.x, canvas.origin.y);
    area = area.intersected(Bounds(*canvas.surface));
  } else {
    canvas.surface = &dc.ownSurface;
    area = Region(Bounds(dc.ownSurface));
    if (dc.state.clip) area = Region::Combine(area, *dc.state.clip, RegionOp::And);
  }
  canvas.clip = std::move(area);
  return canvas;
}

Region SurfaceRect(const Canvas& canvas, int left, int top, int right, int bottom) {
  return Region::FromRect(canvas.sx(left), canvas.sy(top), canvas.sx(right), canvas.sy(bottom));
}

}  // namespace qh::gdi

using namespace qh::gdi;

HDC CreateCompatibleDC(HDC dc) {
  if (dc && !LookupDc(dc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  auto context = std::make_unique<DeviceContext>();
  context->memory = true;
  ResetState(context->state);
  context->state.bitmap = ObjectRef(Lookup(DefaultBitmapHandle()));
  return RegisterDc(std::move(context));
}

BOOL DeleteDC(HDC dc) {
  DeviceContext* context = LookupDc(dc);
  if (!context) return FALSE;
  if (context->fromProvider) {
    CloseWindowDC(dc);
    return TRUE;
  }
  return DestroyDc(dc) ? TRUE : FALSE;
}

HDC GetDC(HWND window) {
  if (window) return OpenWindowDC(window, DcArea::Client, nullptr);
  auto context = std::make_unique<DeviceContext>();
  context->ownSurface = Surface(1, 1, kBlackPixel);
  ResetState(context->state);
  return RegisterDc(std::move(context));
}

HDC GetWindowDC(HWND window) {
  if (!window) return GetDC(nullptr);
  return OpenWindowDC(window, DcArea::Window, nullptr);
}

int ReleaseDC(HWND window, HDC dc) {
  DeviceContext* context = LookupDc(dc);
  if (!context || context->memory) return 0;
  CloseWindowDC(dc);
  return 1;
}

int SaveDC(HDC dc) {
  DeviceContext* context = LookupDc(dc);
  if (!context) return 0;
  context->saved.push_back(context->state);
  return static_cast<int>(context->saved.size());
}

BOOL RestoreDC(HDC dc, int saved) {
  DeviceContext* context = LookupDc(dc);
  if (!context) return FALSE;
  const int depth = static_cast<int>(context->saved.size());
  const int index = saved < 0 ? depth + saved : saved - 1;  // -1 = the latest
  if (index < 0 || index >= depth) return FALSE;
  context->state = context->saved[index];
  context->saved.resize(index);
  return TRUE;
}

int GetDeviceCaps(HDC dc, int index) {
  DeviceContext* context = LookupDc(dc);
  if (!context) return 0;
  const bool mono = context->memory && context->bitmap() && context->bitmap()->monochrome;
  switch (index) {
    case BITSPIXEL: return mono ? 1 : 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case HORZRES: return context->target.surface ? context->target.surface->width() : 1024;
    case VERTRES: return context->target.surface ? context->target.surface->height() : 768;
    default: return 0;
  }
}

#define QH_DC_SETTER(Name, Getter, Type, field, invalid)     \
  Type Name(HDC dc, Type value) {                              \
    DeviceContext* context = LookupDc(dc);                     \
    if (!context) return invalid;                              \
    Type old = context->state.field;                           \
    context->state.field = value;                              \
    return old;                                                \
  }                                                            \
  Type Getter(HDC dc) {                                        \
    DeviceContext* context = LookupDc(dc);                     \
    return context ? context->state.field : invalid;           \
  }
QH_DC_SETTER(SetTextColor, GetTextColor, COLORREF, textColor, CLR_INVALID)
QH_DC_SETTER(SetBkColor, GetBkColor, COLORREF, bkColor, CLR_INVALID)
QH_DC_SETTER(SetTextAlign, GetTextAlign, UINT, textAlign, GDI_ERROR)
#undef QH_DC_SETTER

int SetBkMode(HDC dc, int mode) {
  DeviceContext* context = LookupDc(dc);
  if (!context || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  const int old = context->state.bkMode;
  context->state.bkMode = mode;
  return old;
}

int GetBkMode(HDC dc) {
  DeviceContext* context = LookupDc(dc);
  return context ? context->state.bkMode : 0;
}

int SetPolyFillMode(HDC dc, int mode) {
  DeviceContext* context = LookupDc(dc);
  if (!context || (mode != ALTERNATE && mode != WINDING)) return 0;
  const int old = context->state.polyFillMode;
  context->state.polyFillMode = mode;
  return old;
}

static BOOL SetPoint(HDC dc, POINT DcState::*field, int x, int y, LPPOINT previous) {
  DeviceContext* context = LookupDc(dc);
  if (!context) return FALSE;
  if (previous) *previous = context->state.*field;
  context->state.*field = POINT{x, y};
  return TRUE;
}

BOOL SetBrushOrgEx(HDC dc, int x, int y, LPPOINT previous) {
  return SetPoint(dc, &DcState::brushOrigin, x, y, previous);
}

BOOL SetViewportOrgEx(HDC dc, int x, int y, LPPOINT previous) {
  return SetPoint(dc, &DcState::viewportOrigin, x, y, previous);
}

BOOL GetViewportOrgEx(HDC dc, LPPOINT origin) {
  DeviceContext* context = LookupDc(dc);
  if (!context || !origin) return FALSE;
  *origin = context->state.viewportOrigin;
  return TRUE;
}

BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, LPPOINT previous) {
  DeviceContext* context = LookupDc(dc);
  if (!context) return FALSE;
  const POINT old = context->state.viewportOrigin;
  return SetViewportOrgEx(dc, old.x + dx, old.y + dy, previous);
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  DeviceContext* context = LookupDc(dc);
  GdiObject* o = Lookup(object);
  if (!context || !o) return nullptr;
  DcState& s = context->state;
  auto swap = [](ObjectRef& slot, GdiObject* next) -> HGDIOBJ {
    HGDIOBJ old = slot.get();
    slot = ObjectRef(next);
    return old;
  };
  switch (o->kind) {
    case ObjectKind::Pen: return swap(s.pen, o);
    case ObjectKind::Brush: return swap(s.brush, o);
    case ObjectKind::Font: return swap(s.font, o);
    case ObjectKind::Bitmap:
      if (!context->memory) return nullptr;
      return swap(s.bitmap, o);
    case ObjectKind::Region:
      return reinterpret_cast<HGDIOBJ>(static_cast<INT_PTR>(SelectClipRgn(dc, static_cast<HRGN>(object))));
    default: return nullptr;
  }
}

// ---- clipping ----------------------------------------------------------------------------------------

static int ClipKind(const DeviceContext& context) {
  return context.state.clip ? context.state.clip->kind() : SIMPLEREGION;
}

int ExtSelectClipRgn(HDC dc, HRGN region, int mode) {
  DeviceContext* context = LookupDc(dc);
  if (!context) return RGN_ERROR;
  if (!region) {
    if (mode != RGN_COPY) return RGN_ERROR;
    context->state.clip.reset();
    return SIMPLEREGION;
  }
  const Region* r = RegionFromHandle(region);
  if (!r) return RGN_ERROR;
  if (mode == RGN_COPY) {
    context->state.clip = *r;
  } else if (mode >= RGN_AND && mode <= RGN_DIFF) {
    const Region current = context->state.clip ? *context->state.clip : Region(kEverywhere);
    context->state.clip = Region::Combine(current, *r, static_cast<RegionOp>(mode));
  } else {
    return RGN_ERROR;
  }
  return ClipKind(*context);
}

int SelectClipRgn(HDC dc, HRGN region) { return ExtSelectClipRgn(dc, region, RGN_COPY); }

static int CombineClipRect(HDC dc, int left, int top, int right, int bottom, RegionOp op) {
  DeviceContext* context = LookupDc(dc);
  if (!context) return RGN_ERROR;
  const POINT v = context->state.viewportOrigin;
  const Region rect = Region::FromRect(left + v.x, top + v.y, right + v.x, bottom + v.y);
  const Region current = context->state.clip ? *context->state.clip : Region(kEverywhere);
  context->state.clip = Region::Combine(current, rect, op);
  return ClipKind(*context);
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
  return CombineClipRect(dc, left, top, right, bottom, RegionOp::And);
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
  return CombineClipRect(dc, left, top, right, bottom, RegionOp::Diff);
}

int GetClipBox(HDC dc, LPRECT box) {
  DeviceContext* context = LookupDc(dc);
  if (!context || !box) return RGN_ERROR;
  auto canvas = CanvasOf(*context);
  if (!canvas) return RGN_ERROR;
  RECT b = canvas->clip.bounds();
  const int dx = canvas->origin.x + canvas->viewport.x, dy = canvas->origin.y + canvas->viewport.y;
  *box = canvas->clip.empty() ? RECT{} : RECT{b.left - dx, b.top - dy, b.right - dx, b.bottom - dy};
  return canvas->clip.kind();
}

int GetClipRgn(HDC dc, HRGN out) {
  DeviceContext* context = LookupDc(dc);
  Region* target = MutableRegionFromHandle(out);
  if (!context || !target) return -1;
  if (!context->state.clip) return 0;
  *target = *context->state.clip;
  return 1;
}

BOOL PtVisible(HDC dc, int x, int y) {
  DeviceContext* context = LookupDc(dc);
  if (!context) return FALSE;
  auto canvas = CanvasOf(*context);
  return canvas && canvas->clip.contains(canvas->sx(x), canvas->sy(y));
}

BOOL RectVisible(HDC dc, const RECT* rect) {
  DeviceContext* context = LookupDc(dc);
  if (!context || !rect) return FALSE;
  auto canvas = CanvasOf(*context);
  return canvas && canvas->clip.intersects(canvas->toSurface(*rect));
}
