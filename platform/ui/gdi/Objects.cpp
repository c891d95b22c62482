// The handle table, stock objects, and the objects that are plain data: bitmaps, brushes, pens.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "platform/ui/gdi/GdiInternal.h"

namespace qh::gdi {
namespace {

std::mutex& TableMutex() {
  static std::mutex m;
  return m;
}
std::unordered_set<GdiObject*>& Table() {
  static auto* table = new std::unordered_set<GdiObject*>();
  return *table;
}

// Bitmaps larger than this are refused rather than attempted.
constexpr long long kMaxBitmapPixels = 64LL * 1024 * 1024;

HGDIOBJ MakeStock(std::unique_ptr<GdiObject> object) {
  object->stock = true;
  return Register(std::move(object));
}

HGDIOBJ StockBrush(COLORREF color, UINT style = BS_SOLID) {
  auto brush = std::make_unique<BrushObject>();
  brush->color = color;
  brush->style = style;
  return MakeStock(std::move(brush));
}

HGDIOBJ StockPen(int style, COLORREF color) {
  auto pen = std::make_unique<PenObject>();
  pen->style = style;
  pen->color = color;
  return MakeStock(std::move(pen));
}

HGDIOBJ StockFont(const char* face, int height, int weight) {
  LOGFONT log;
  log.lfHeight = height;
  log.lfWeight = weight;
  std::strncpy(log.lfFaceName, face, LF_FACESIZE - 1);
  HFONT font = CreateFontIndirect(&log);
  if (GdiObject* o = Lookup(font)) o->stock = true;
  return font;
}

struct StockObjects {
  HGDIOBJ objects[20] = {};
  HGDIOBJ defaultBitmap = nullptr;
  StockObjects() {
    objects[WHITE_BRUSH] = StockBrush(RGB(255, 255, 255));
    objects[LTGRAY_BRUSH] = StockBrush(RGB(192, 192, 192));
    objects[GRAY_BRUSH] = StockBrush(RGB(128, 128, 128));
    objects[DKGRAY_BRUSH] = StockBrush(RGB(64, 64, 64));
    objects[BLACK_BRUSH] = StockBrush(RGB(0, 0, 0));
    objects[NULL_BRUSH] = StockBrush(0, BS_NULL);
    objects[WHITE_PEN] = StockPen(PS_SOLID, RGB(255, 255, 255));
    objects[BLACK_PEN] = StockPen(PS_SOLID, RGB(0, 0, 0));
    objects[NULL_PEN] = StockPen(PS_NULL, 0);
    objects[OEM_FIXED_FONT] = StockFont("Courier New", 16, FW_NORMAL);
    objects[ANSI_FIXED_FONT] = StockFont("Courier New", 16, FW_NORMAL);
    objects[ANSI_VAR_FONT] = StockFont("Arial", 16, FW_NORMAL);
    objects[SYSTEM_FONT] = StockFont("Arial", 16, FW_BOLD);
    objects[DEVICE_DEFAULT_FONT] = objects[SYSTEM_FONT];
    objects[SYSTEM_FIXED_FONT] = StockFont("Courier New", 16, FW_NORMAL);
    objects[DEFAULT_GUI_FONT] = StockFont("Arial", -11, FW_NORMAL);
    auto bitmap = std::make_unique<BitmapObject>();
    bitmap->pixels = Surface(1, 1, kBlackPixel);
    bitmap->monochrome = true;
    defaultBitmap = MakeStock(std::move(bitmap));
  }
};

StockObjects& Stock() {
  static StockObjects* stock = new StockObjects();
  return *stock;
}

void FreeObject(GdiObject* object) { delete object; }

}  // namespace

// ---- handle table ----------------------------------------------------------------------------------

HGDIOBJ Register(std::unique_ptr<GdiObject> object) {
  std::lock_guard lock(TableMutex());
  GdiObject* raw = object.release();
  Table().insert(raw);
  return raw;
}

GdiObject* Lookup(HGDIOBJ handle) {
  if (!handle) return nullptr;
  std::lock_guard lock(TableMutex());
  auto it = Table().find(static_cast<GdiObject*>(handle));
  return it == Table().end() ? nullptr : *it;
}

bool Unregister(HGDIOBJ handle) {
  GdiObject* doomed = nullptr;
  {
    std::lock_guard lock(TableMutex());
    auto it = Table().find(static_cast<GdiObject*>(handle));
    if (it == Table().end()) return false;
    GdiObject* object = *it;
    if (object->stock) return true;
    Table().erase(it);
    object->deleted = true;
    if (object->selections == 0) doomed = object;
  }
  ForgetWrappers(handle);
  FreeObject(doomed);
  return true;
}

ObjectRef::ObjectRef(GdiObject* object) : object_(object) {
  if (object_) ++object_->selections;
}

ObjectRef& ObjectRef::operator=(const ObjectRef& other) {
  if (this != &other) {
    ObjectRef copy(other);
    std::swap(object_, copy.object_);
  }
  return *this;
}

ObjectRef::~ObjectRef() {
  if (!object_) return;
  GdiObject* doomed = nullptr;
  {
    std::lock_guard lock(TableMutex());
    if (--object_->selections == 0 && object_->deleted) doomed = object_;
  }
  FreeObject(doomed);
}

HGDIOBJ DefaultBitmapHandle() { return Stock().defaultBitmap; }

}  // namespace qh::gdi

using namespace qh::gdi;

HGDIOBJ GetStockObject(int index) {
  if (index < 0 || index >= 20) return nullptr;
  return Stock().objects[index];
}

DWORD GetObjectType(HGDIOBJ object) {
  GdiObject* o = Lookup(object);
  if (!o) return 0;
  if (o->kind == ObjectKind::Dc) return static_cast<DeviceContext*>(o)->memory ? OBJ_MEMDC : OBJ_DC;
  return static_cast<DWORD>(o->kind);
}

BOOL DeleteObject(HGDIOBJ object) {
  GdiObject* o = Lookup(object);
  if (!o || o->kind == ObjectKind::Dc) return FALSE;
  return Unregister(object) ? TRUE : FALSE;
}

int GetObject(HGDIOBJ object, int size, LPVOID out) {
  GdiObject* o = Lookup(object);
  if (!o) return 0;
  switch (o->kind) {
    case ObjectKind::Bitmap: {
      if (!out) return sizeof(BITMAP);
      if (size < static_cast<int>(sizeof(BITMAP))) return 0;
      auto* b = static_cast<BitmapObject*>(o);
      BITMAP bm;
      bm.bmWidth = b->pixels.width();
      bm.bmHeight = b->pixels.height();
      bm.bmBitsPixel = b->monochrome ? 1 : 32;
      bm.bmWidthBytes = b->monochrome ? ((bm.bmWidth + 15) / 16) * 2 : bm.bmWidth * 4;
      std::memcpy(out, &bm, sizeof bm);
      return sizeof bm;
    }
    case ObjectKind::Font: {
      if (!out) return sizeof(LOGFONT);
      const int n = std::min<int>(size, sizeof(LOGFONT));
      std::memcpy(out, &static_cast<FontObject*>(o)->log, n);
      return n;
    }
    case ObjectKind::Pen: {
      if (!out) return sizeof(LOGPEN);
      if (size < static_cast<int>(sizeof(LOGPEN))) return 0;
      auto* p = static_cast<PenObject*>(o);
      LOGPEN lp;
      lp.lopnStyle = p->style;
      lp.lopnWidth.x = p->width;
      lp.lopnColor = p->color;
      std::memcpy(out, &lp, sizeof lp);
      return sizeof lp;
    }
    case ObjectKind::Brush: {
      if (!out) return sizeof(LOGBRUSH);
      if (size < static_cast<int>(sizeof(LOGBRUSH))) return 0;
      auto* b = static_cast<BrushObject*>(o);
      LOGBRUSH lb;
      lb.lbStyle = b->style;
      lb.lbColor = b->color;
      std::memcpy(out, &lb, sizeof lb);
      return sizeof lb;
    }
    default:
      return 0;
  }
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto brush = std::make_unique<BrushObject>();
  brush->color = color & 0xFFFFFF;
  return static_cast<HBRUSH>(Register(std::move(brush)));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  BitmapObject* source = LookupBitmap(bitmap);
  if (!source || source->pixels.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto brush = std::make_unique<BrushObject>();
  brush->style = BS_PATTERN;
  brush->pattern = source->pixels;
  brush->monochromePattern = source->monochrome;
  return static_cast<HBRUSH>(Register(std::move(brush)));
}

HPEN CreatePen(int style, int width, COLORREF color) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto pen = std::make_unique<PenObject>();
  pen->style = style;
  pen->width = std::max(1, width);
  pen->color = color & 0xFFFFFF;
  return static_cast<HPEN>(Register(std::move(pen)));
}

namespace qh::gdi {
HBITMAP MakeBitmap(int width, int height, bool monochrome) {
  if (width <= 0 || height <= 0) {
    width = height = 1;
    monochrome = true;
  }
  if (static_cast<long long>(width) * height > kMaxBitmapPixels) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto bitmap = std::make_unique<BitmapObject>();
  bitmap->pixels = Surface(width, height, monochrome ? kBlackPixel : kBlackPixel);
  bitmap->monochrome = monochrome;
  return static_cast<HBITMAP>(Register(std::move(bitmap)));
}

HBITMAP MakeBitmapFromSurface(Surface pixels) {
  auto bitmap = std::make_unique<BitmapObject>();
  bitmap->pixels = std::move(pixels);
  return static_cast<HBITMAP>(Register(std::move(bitmap)));
}
}  // namespace qh::gdi

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (planes != 1 || (bitsPerPixel != 1 && bitsPerPixel != 32)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HBITMAP handle = MakeBitmap(width, height, bitsPerPixel == 1);
  BitmapObject* bitmap = LookupBitmap(handle);
  if (!bitmap || !bits || width <= 0 || height <= 0) return handle;
  const auto* bytes = static_cast<const unsigned char*>(bits);
  if (bitsPerPixel == 1) {
    const int rowBytes = ((width + 15) / 16) * 2;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const bool white = (bytes[y * rowBytes + x / 8] >> (7 - x % 8)) & 1;
        bitmap->pixels.set(x, y, white ? kWhitePixel : kBlackPixel);
      }
  } else {
    for (int y = 0; y < height; ++y)
      std::memcpy(bitmap->pixels.row(y), bytes + static_cast<std::size_t>(y) * width * 4, width * 4);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) bitmap->pixels.row(y)[x] &= 0xFFFFFF;
  }
  return handle;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  DeviceContext* context = LookupDc(dc);
  if (!context) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // A memory DC makes bitmaps like the one selected into it (monochrome while it still holds its
  // default bitmap); any other DC makes colour bitmaps.
  const bool monochrome = context->memory && context->bitmap() && context->bitmap()->monochrome;
  return MakeBitmap(width, height, monochrome);
}

namespace qh::gdi {
const Surface* SurfaceFromBitmap(HBITMAP bitmap) {
  BitmapObject* b = LookupBitmap(bitmap);
  return b ? &b->pixels : nullptr;
}
bool IsMonochromeBitmap(HBITMAP bitmap) {
  BitmapObject* b = LookupBitmap(bitmap);
  return b && b->monochrome;
}
const Region* RegionFromHandle(HRGN region) {
  RegionObject* r = LookupRegion(region);
  return r ? &r->region : nullptr;
}
Region* MutableRegionFromHandle(HRGN region) {
  RegionObject* r = LookupRegion(region);
  return r ? &r->region : nullptr;
}
}  // namespace qh::gdi
