// Image lists kept as pixel strips; drawing goes through the GDI with a monochrome mask (SRCAND) and
// the image with its transparent pixels black (SRCPAINT), as masked images are drawn on the platform.
#include "platform/ui/ImageList.h"

#include <memory>
#include <mutex>
#include <vector>

#include "platform/ui/gdi/Gdi.h"
#include "platform/ui/gdi/Surface.h"
#include "platform/ui/gdi/WindowTarget.h"

struct QhImageList {
  int cx = 16;
  int cy = 16;
  bool masked = false;
  COLORREF background = CLR_NONE;
  std::vector<std::vector<qh::gdi::Pixel>> images;  // cx * cy pixels each
  std::vector<std::vector<bool>> transparent;       // cx * cy flags each
};

namespace {

std::mutex g_dragLock;
qh::ui::DragImageState g_drag;
bool g_dragging = false;

// Cuts a bitmap into cx-wide images; `isTransparent` decides per pixel (x, y of the whole bitmap).
template <class Rule>
int AddStrip(HIMAGELIST list, HBITMAP image, Rule isTransparent) {
  const qh::gdi::Surface* pixels = qh::gdi::SurfaceFromBitmap(image);
  if (!list || !pixels || list->cx <= 0) return -1;
  int first = static_cast<int>(list->images.size());
  int count = std::max(1, pixels->width() / list->cx);
  for (int n = 0; n < count; ++n) {
    std::vector<qh::gdi::Pixel> picture(static_cast<std::size_t>(list->cx * list->cy), 0);
    std::vector<bool> clear(picture.size(), false);
    for (int y = 0; y < list->cy; ++y) {
      for (int x = 0; x < list->cx; ++x) {
        int sx = n * list->cx + x;
        if (!pixels->contains(sx, y)) continue;
        std::size_t at = static_cast<std::size_t>(y * list->cx + x);
        picture[at] = pixels->at(sx, y) & 0xFFFFFFu;
        clear[at] = isTransparent(sx, y, picture[at]);
      }
    }
    list->images.push_back(std::move(picture));
    list->transparent.push_back(std::move(clear));
  }
  return first;
}

HBITMAP MakeColourBitmap(const HIMAGELIST list, int index, bool blackTransparent) {
  std::vector<qh::gdi::Pixel> pixels = list->images[index];
  if (blackTransparent)
    for (std::size_t i = 0; i < pixels.size(); ++i)
      if (list->transparent[index][i]) pixels[i] = 0;
  return CreateBitmap(list->cx, list->cy, 1, 32, pixels.data());
}

HBITMAP MakeMaskBitmap(const HIMAGELIST list, int index) {
  int rowBytes = ((list->cx + 15) / 16) * 2;
  std::vector<unsigned char> bits(static_cast<std::size_t>(rowBytes * list->cy), 0);
  for (int y = 0; y < list->cy; ++y)
    for (int x = 0; x < list->cx; ++x)
      if (list->transparent[index][static_cast<std::size_t>(y * list->cx + x)])
        bits[static_cast<std::size_t>(y * rowBytes + x / 8)] |= static_cast<unsigned char>(0x80 >> (x % 8));
  return CreateBitmap(list->cx, list->cy, 1, 1, bits.data());
}

void Blit(HDC dc, int x, int y, HBITMAP bitmap, int width, int height, DWORD rop) {
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(dc, x, y, width, height, memory, 0, 0, rop);
  SelectObject(memory, old);
  DeleteDC(memory);
}

}  // namespace

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int, int) {
  if (cx <= 0 || cy <= 0) return nullptr;
  auto* list = new QhImageList;
  list->cx = cx;
  list->cy = cy;
  list->masked = (flags & ILC_MASK) != 0;
  return list;
}

BOOL ImageList_Destroy(HIMAGELIST list) {
  if (!list) return FALSE;
  {
    std::lock_guard<std::mutex> guard(g_dragLock);
    if (g_dragging && g_drag.index >= 0) g_dragging = false;
  }
  delete list;
  return TRUE;
}

int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask) {
  const qh::gdi::Surface* maskPixels = mask ? qh::gdi::SurfaceFromBitmap(mask) : nullptr;
  bool useMask = list && list->masked && maskPixels;
  return AddStrip(list, image, [&](int x, int y, qh::gdi::Pixel) {
    return useMask && maskPixels->contains(x, y) && (maskPixels->at(x, y) & 0xFFFFFFu) == 0xFFFFFFu;
  });
}

int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF maskColor) {
  qh::gdi::Pixel key = qh::gdi::PixelFromColor(maskColor);
  bool useMask = list && list->masked;
  return AddStrip(list, image, [&](int, int, qh::gdi::Pixel p) { return useMask && p == key; });
}

BOOL ImageList_Remove(HIMAGELIST list, int index) {
  if (!list) return FALSE;
  if (index == -1) {
    list->images.clear();
    list->transparent.clear();
    return TRUE;
  }
  if (index < 0 || index >= static_cast<int>(list->images.size())) return FALSE;
  list->images.erase(list->images.begin() + index);
  list->transparent.erase(list->transparent.begin() + index);
  return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST list) { return list ? static_cast<int>(list->images.size()) : 0; }

BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy) {
  if (!list) return FALSE;
  if (cx) *cx = list->cx;
  if (cy) *cy = list->cy;
  return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF color) {
  if (!list) return CLR_NONE;
  COLORREF old = list->background;
  list->background = color;
  return old;
}

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style) {
  if (!list || !dc || index < 0 || index >= static_cast<int>(list->images.size())) return FALSE;
  bool transparent = list->masked && (list->background == CLR_NONE || (style & ILD_TRANSPARENT));
  if (!transparent) {
    HBITMAP picture = MakeColourBitmap(list, index, false);
    Blit(dc, x, y, picture, list->cx, list->cy, SRCCOPY);
    DeleteObject(picture);
    return TRUE;
  }
  HBITMAP mask = MakeMaskBitmap(list, index);
  HBITMAP picture = MakeColourBitmap(list, index, true);
  COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
  COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
  Blit(dc, x, y, mask, list->cx, list->cy, SRCAND);
  if (!(style & ILD_MASK)) Blit(dc, x, y, picture, list->cx, list->cy, SRCPAINT);
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBack);
  DeleteObject(mask);
  DeleteObject(picture);
  return TRUE;
}

BOOL ImageList_BeginDrag(HIMAGELIST list, int index, int hotspotX, int hotspotY) {
  if (!list || index < 0 || index >= static_cast<int>(list->images.size())) return FALSE;
  std::lock_guard<std::mutex> guard(g_dragLock);
  g_drag = qh::ui::DragImageState{};
  g_drag.index = index;
  g_drag.position = POINT{-hotspotX, -hotspotY};
  g_dragging = true;
  return TRUE;
}

BOOL ImageList_DragEnter(HWND lock, int x, int y) {
  std::lock_guard<std::mutex> guard(g_dragLock);
  if (!g_dragging) return FALSE;
  g_drag.lock = lock;
  g_drag.position = POINT{x, y};
  g_drag.shown = true;
  return TRUE;
}

BOOL ImageList_DragMove(int x, int y) {
  std::lock_guard<std::mutex> guard(g_dragLock);
  if (!g_dragging) return FALSE;
  g_drag.position = POINT{x, y};
  return TRUE;
}

BOOL ImageList_DragShowNolock(BOOL show) {
  std::lock_guard<std::mutex> guard(g_dragLock);
  if (!g_dragging) return FALSE;
  g_drag.shown = show != FALSE;
  return TRUE;
}

BOOL ImageList_DragLeave(HWND) {
  std::lock_guard<std::mutex> guard(g_dragLock);
  if (!g_dragging) return FALSE;
  g_drag.shown = false;
  return TRUE;
}

void ImageList_EndDrag() {
  std::lock_guard<std::mutex> guard(g_dragLock);
  g_dragging = false;
  g_drag = qh::ui::DragImageState{};
}

bool qh::ui::CurrentDragImage(DragImageState* out) {
  std::lock_guard<std::mutex> guard(g_dragLock);
  if (out) *out = g_drag;
  return g_dragging;
}
