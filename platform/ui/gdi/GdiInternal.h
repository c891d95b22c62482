// Inside the raster: the objects behind GDI handles and device contexts. Only files of this folder
// include it.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/gdi/Gdi.h"
#include "platform/ui/gdi/Region.h"
#include "platform/ui/gdi/Surface.h"
#include "platform/ui/gdi/WindowTarget.h"

typedef struct _cairo_scaled_font cairo_scaled_font_t;

namespace qh::gdi {

enum class ObjectKind : DWORD {
  Pen = OBJ_PEN,
  Brush = OBJ_BRUSH,
  Dc = OBJ_DC,
  Font = OBJ_FONT,
  Bitmap = OBJ_BITMAP,
  Region = OBJ_REGION,
};

// Every handle points at one of these. An object selected into a DC stays alive until the last DC lets it
// go, even when its handle was deleted meanwhile (the handle stops working at once).
struct GdiObject {
  explicit GdiObject(ObjectKind k) : kind(k) {}
  virtual ~GdiObject() = default;
  ObjectKind kind;
  bool stock = false;
  std::atomic<int> selections{0};
  std::atomic<bool> deleted{false};
};

struct BitmapObject : GdiObject {
  BitmapObject() : GdiObject(ObjectKind::Bitmap) {}
  Surface pixels;
  bool monochrome = false;
};

struct BrushObject : GdiObject {
  BrushObject() : GdiObject(ObjectKind::Brush) {}
  UINT style = BS_SOLID;
  COLORREF color = 0;
  Surface pattern;  // BS_PATTERN: a copy of the bitmap taken when the brush was made
  bool monochromePattern = false;
};

struct PenObject : GdiObject {
  PenObject() : GdiObject(ObjectKind::Pen) {}
  int style = PS_SOLID;
  int width = 1;
  COLORREF color = 0;
};

// A font resolved to a face and a pixel size.
struct FontObject : GdiObject {
  FontObject() : GdiObject(ObjectKind::Font) {}
  ~FontObject() override;
  LOGFONT log;
  std::string resolvedFamily;
  cairo_scaled_font_t* scaled = nullptr;
  double ascent = 0;
  double descent = 0;
  double emSize = 0;
  bool antialias = true;
};

struct RegionObject : GdiObject {
  RegionObject() : GdiObject(ObjectKind::Region) {}
  Region region;
};

// Keeps an object selected (counted) for as long as the reference lives.
class ObjectRef {
 public:
  ObjectRef() = default;
  explicit ObjectRef(GdiObject* object);
  ObjectRef(const ObjectRef& other) : ObjectRef(other.object_) {}
  ObjectRef& operator=(const ObjectRef& other);
  ~ObjectRef();
  GdiObject* get() const { return object_; }

 private:
  GdiObject* object_ = nullptr;
};

struct DcState {
  ObjectRef bitmap;  // memory DCs only
  ObjectRef pen;
  ObjectRef brush;
  ObjectRef font;
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  UINT textAlign = TA_LEFT | TA_TOP;
  int polyFillMode = ALTERNATE;
  POINT current;
  POINT brushOrigin;
  POINT viewportOrigin;
  std::optional<Region> clip;  // device coordinates
};

struct DeviceContext : GdiObject {
  DeviceContext() : GdiObject(ObjectKind::Dc) {}
  bool memory = false;
  HWND window = nullptr;
  bool fromProvider = false;
  DrawTarget target;               // window DCs: where the pixels are
  std::optional<Region> limit;     // window DCs: the paint region (device coordinates)
  Surface ownSurface;              // screen DCs without a window: a private pixel
  DcState state;
  std::vector<DcState> saved;

  BitmapObject* bitmap() const { return static_cast<BitmapObject*>(state.bitmap.get()); }
  PenObject* pen() const { return static_cast<PenObject*>(state.pen.get()); }
  BrushObject* brush() const { return static_cast<BrushObject*>(state.brush.get()); }
  FontObject* font() const { return static_cast<FontObject*>(state.font.get()); }
};

// ---- handle table ----
HGDIOBJ Register(std::unique_ptr<GdiObject> object);
GdiObject* Lookup(HGDIOBJ handle);
template <class T>
T* LookupAs(HGDIOBJ handle, ObjectKind kind) {
  GdiObject* o = Lookup(handle);
  return o && o->kind == kind ? static_cast<T*>(o) : nullptr;
}
inline DeviceContext* LookupDc(HDC dc) { return LookupAs<DeviceContext>(dc, ObjectKind::Dc); }
inline BitmapObject* LookupBitmap(HGDIOBJ h) { return LookupAs<BitmapObject>(h, ObjectKind::Bitmap); }
inline BrushObject* LookupBrush(HGDIOBJ h) { return LookupAs<BrushObject>(h, ObjectKind::Brush); }
inline PenObject* LookupPen(HGDIOBJ h) { return LookupAs<PenObject>(h, ObjectKind::Pen); }
inline FontObject* LookupFont(HGDIOBJ h) { return LookupAs<FontObject>(h, ObjectKind::Font); }
inline RegionObject* LookupRegion(HGDIOBJ h) { return LookupAs<RegionObject>(h, ObjectKind::Region); }
// Removes the handle; the object goes when nothing selects it any more.
bool Unregister(HGDIOBJ handle);
HDC RegisterDc(std::unique_ptr<DeviceContext> dc);
bool DestroyDc(HDC dc);
// The framework's wrappers forget a handle that went away (defined with the wrappers).
void ForgetWrappers(void* handle);

// ---- drawing canvas: where a DC's pixels land right now ----
struct Canvas {
  Surface* surface = nullptr;
  POINT origin;      // surface position of device (0, 0)
  POINT viewport;    // device position of logical (0, 0)
  Region clip;       // surface coordinates
  bool monochrome = false;
  // Logical point to surface point.
  int sx(int x) const { return x + viewport.x + origin.x; }
  int sy(int y) const { return y + viewport.y + origin.y; }
  RECT toSurface(const RECT& r) const {
    return RECT{sx(r.left), sy(r.top), sx(r.right), sy(r.bottom)};
  }
};
std::optional<Canvas> CanvasOf(DeviceContext& dc);

// Colours as a DC of this kind stores them: a monochrome surface keeps only black and white.
Pixel DevicePixel(const Canvas& canvas, COLORREF color);
// Fills the pixels of `area` (surface coordinates, clipped here) with the brush of the DC.
void PaintWithBrush(DeviceContext& dc, const Canvas& canvas, const Region& area, const BrushObject* brush);
void PaintSolid(const Canvas& canvas, const Region& area, Pixel pixel);
// Region of a logical rectangle in surface coordinates, normalised.
Region SurfaceRect(const Canvas& canvas, int left, int top, int right, int bottom);

}  // namespace qh::gdi

namespace qh::gdi {
HGDIOBJ DefaultBitmapHandle();
HBITMAP MakeBitmap(int width, int height, bool monochrome);
HBITMAP MakeBitmapFromSurface(Surface pixels);
// Everything a clip can hold, for "no clip yet" in set operations.
constexpr RECT kEverywhere{-(1 << 24), -(1 << 24), 1 << 24, 1 << 24};
}  // namespace qh::gdi
