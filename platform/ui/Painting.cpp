// Where windows paint: every top-level window owns one surface that holds it and its children; a DC
// on a child draws at the child's place on that surface, clipped to what of the child can be seen.
// Invalidation collects update regions in client coordinates; WM_PAINT comes from the queue when a
// window has one.
#include <algorithm>

#include "platform/core/Thread.h"
#include "platform/ui/DisplayLink.h"
#include "platform/ui/Input.h"
#include "platform/ui/WindowRecord.h"
#include "platform/ui/gdi/Gdi.h"
#include "platform/ui/gdi/WindowTarget.h"

namespace qh::ui {
namespace {

using qh::gdi::DcArea;
using qh::gdi::DrawTarget;
using qh::gdi::Region;
using qh::gdi::RegionOp;

RECT SizeRect(const RECT& r) { return RECT{0, 0, r.right - r.left, r.bottom - r.top}; }

// A minimised window shows only itself (its icon), none of its children.
bool ShownWithAncestors(const WindowPtr& window) {
  for (WindowPtr w = window; w; w = w->parent ? FindWindow(w->parent) : nullptr)
    if (!(w->style & WS_VISIBLE) || (w != window && (w->style & WS_MINIMIZE))) return false;
  return true;
}

// The window's own area in the coordinates of its top-level window.
POINT OffsetInTopLevel(const WindowRecord& window) {
  POINT offset{0, 0};
  const WindowRecord* current = &window;
  WindowPtr keep;
  while (current->parent) {
    offset.x += current->rect.left;
    offset.y += current->rect.top;
    keep = FindWindow(current->parent);
    if (!keep) break;
    RECT client = ClientRectInWindow(*keep);
    offset.x += client.left;
    offset.y += client.top;
    current = keep.get();
  }
  return offset;
}

Region ShapeOf(const WindowRecord& window) {
  Region shape(SizeRect(window.rect));
  if (window.windowRegion)
    if (const Region* own = qh::gdi::RegionFromHandle(window.windowRegion))
      shape = Region::Combine(shape, *own, RegionOp::And);
  return shape;
}

// What of the window can be seen, in top-level coordinates: its shape, cut to each ancestor's client
// area and shape, less the children (for the client area) and the siblings above it that clip.
Region VisibleInTopLevel(const WindowPtr& window, DcArea area) {
  if (!ShownWithAncestors(window)) return Region();
  POINT offset = OffsetInTopLevel(*window);
  Region visible = ShapeOf(*window);
  if (area == DcArea::Client) visible = visible.intersected(ClientRectInWindow(*window));
  if (area == DcArea::Client && !(window->style & WS_MINIMIZE)) {
    RECT client = ClientRectInWindow(*window);
    for (HWND childHandle : window->children) {
      WindowPtr child = FindWindow(childHandle);
      if (!child || !(child->style & WS_VISIBLE)) continue;
      Region childShape = ShapeOf(*child);
      childShape.offset(client.left + child->rect.left, client.top + child->rect.top);
      visible = Region::Combine(visible, childShape, RegionOp::Diff);
    }
  }
  visible.offset(offset.x, offset.y);
  WindowPtr current = window;
  while (current->parent) {
    WindowPtr parent = FindWindow(current->parent);
    if (!parent) break;
    if (current->style & WS_CLIPSIBLINGS) {
      for (HWND siblingHandle : parent->children) {
        if (siblingHandle == current->handle) break;  // only windows above clip
        WindowPtr sibling = FindWindow(siblingHandle);
        if (!sibling || !(sibling->style & WS_VISIBLE)) continue;
        Region siblingShape = ShapeOf(*sibling);
        POINT siblingOffset = OffsetInTopLevel(*sibling);
        siblingShape.offset(siblingOffset.x, siblingOffset.y);
        visible = Region::Combine(visible, siblingShape, RegionOp::Diff);
      }
    }
    Region parentClient(ClientRectInWindow(*parent));
    parentClient = Region::Combine(parentClient, ShapeOf(*parent), RegionOp::And);
    POINT parentOffset = OffsetInTopLevel(*parent);
    parentClient.offset(parentOffset.x, parentOffset.y);
    visible = Region::Combine(visible, parentClient, RegionOp::And);
    current = parent;
  }
  return visible;
}

class SurfaceProvider : public qh::gdi::WindowSurfaceProvider {
 public:
  bool Target(HWND hWnd, DcArea area, DrawTarget& out) override {
    WindowPtr window = FindWindow(hWnd);
    if (!window) return false;
    WindowPtr top = TopLevelOf(window);
    EnsureSurface(top);
    POINT offset = OffsetInTopLevel(*window);
    if (area == DcArea::Client) {
      RECT client = ClientRectInWindow(*window);
      offset.x += client.left;
      offset.y += client.top;
    }
    out.surface = top->surface.get();
    out.origin = offset;
    out.visible = VisibleInTopLevel(window, area);
    out.visible.offset(-offset.x, -offset.y);
    return true;
  }

  void Released(HWND hWnd) override { DisplayPresent(hWnd); }

  void UpdateNow(HWND hWnd) override {
    WindowPtr window = FindWindow(hWnd);
    if (!window || window->threadId != GetCurrentThreadId()) return;
    PaintTree(window);
  }

  bool WindowArea(HWND hWnd, qh::gdi::Surface*& surface, RECT& area) override {
    WindowPtr window = FindWindow(hWnd);
    if (!window) return false;
    WindowPtr top = TopLevelOf(window);
    EnsureSurface(top);
    POINT offset = OffsetInTopLevel(*window);
    surface = top->surface.get();
    area = RECT{offset.x, offset.y, offset.x + window->rect.right - window->rect.left,
                offset.y + window->rect.bottom - window->rect.top};
    return true;
  }

 private:
  static void PaintTree(const WindowPtr& window) {
    if (!(window->style & WS_VISIBLE)) return;
    if (!window->update.empty() || window->frameNeeded) {
      UpdateWindow(window->handle);
      if (window->frameNeeded) {
        window->frameNeeded = false;
        CallProcedure(window, WM_NCPAINT, 1, 0);
      }
    }
    if (window->style & WS_MINIMIZE) return;  // its children do not show
    std::vector<HWND> children = window->children;
    for (auto it = children.rbegin(); it != children.rend(); ++it)
      if (WindowPtr child = FindWindow(*it)) PaintTree(child);
  }
};

SurfaceProvider g_provider;
struct ProviderInstaller {
  ProviderInstaller() { qh::gdi::SetWindowSurfaceProvider(&g_provider); }
} g_installer;

void AddUpdate(const WindowPtr& window, const Region& area, bool erase) {
  RECT client = SizeRect(ClientRectInWindow(*window));
  Region clipped = area.intersected(client);
  if (clipped.empty()) return;
  window->update = Region::Combine(window->update, clipped, RegionOp::Or);
  if (erase) window->eraseNeeded = true;
}

}  // namespace

void EnsureSurface(const WindowPtr& topLevel) {
  if (!topLevel) return;
  int width = std::max(1, static_cast<int>(topLevel->rect.right - topLevel->rect.left));
  int height = std::max(1, static_cast<int>(topLevel->rect.bottom - topLevel->rect.top));
  if (!topLevel->surface) {
    topLevel->surface = std::make_unique<qh::gdi::Surface>(width, height, 0xC0C0C0u);
  } else if (topLevel->surface->width() != width || topLevel->surface->height() != height) {
    topLevel->surface->resize(width, height, 0xC0C0C0u);
  }
}

void MarkWholeTreeForPaint(const WindowPtr& window) {
  window->frameNeeded = true;
  AddUpdate(window, Region(SizeRect(ClientRectInWindow(*window))), true);
  for (HWND child : window->children)
    if (WindowPtr record = FindWindow(child)) MarkWholeTreeForPaint(record);
}

void InvalidateAfterGeometryChange(const WindowPtr& window) {
  WindowPtr parent = window->parent ? FindWindow(window->parent) : nullptr;
  MarkWholeTreeForPaint(parent ? parent : window);
}

bool NextWindowNeedingPaintExists(DWORD threadId) { return NextWindowNeedingPaint(threadId) != nullptr; }

namespace {

bool NeedsPaint(const WindowPtr& window) {
  return !window->update.empty() && !window->destroying && IsWindowVisible(window->handle);
}

// Paint order: a parent before its children, and among siblings the lowest first, so that a window
// drawn over a sibling (a tab control under its page, a group box round its fields) never paints over
// what lies above it.
WindowPtr FirstInPaintOrder(const WindowPtr& window) {
  if (!(window->style & WS_VISIBLE)) return nullptr;
  if (NeedsPaint(window)) return window;
  std::vector<HWND> children = window->children;
  for (auto it = children.rbegin(); it != children.rend(); ++it)
    if (WindowPtr child = FindWindow(*it))
      if (WindowPtr found = FirstInPaintOrder(child)) return found;
  return nullptr;
}

// The visible siblings above `window` that cover part of `area` (the window's client coordinates) are
// painted again after it: a window without WS_CLIPSIBLINGS draws over them.
void InvalidateSiblingsAbove(const WindowPtr& window, const Region& area) {
  if (!window->parent || (window->style & WS_CLIPSIBLINGS) || area.empty()) return;
  WindowPtr parent = FindWindow(window->parent);
  if (!parent) return;
  Region inParent = area;
  RECT client = ClientRectInWindow(*window);
  inParent.offset(window->rect.left + client.left, window->rect.top + client.top);
  const std::vector<HWND> siblings = parent->children;
  for (HWND siblingHandle : siblings) {
    if (siblingHandle == window->handle) break;  // only the windows above
    WindowPtr sibling = FindWindow(siblingHandle);
    if (!sibling || !(sibling->style & WS_VISIBLE)) continue;
    Region covered = inParent.intersected(sibling->rect);
    if (covered.empty()) continue;
    RECT siblingClient = ClientRectInWindow(*sibling);
    covered.offset(-(sibling->rect.left + siblingClient.left), -(sibling->rect.top + siblingClient.top));
    RECT box = covered.bounds();
    sibling->frameNeeded = true;
    InvalidateRect(siblingHandle, &box, TRUE);
  }
}

}  // namespace

WindowPtr NextWindowNeedingPaint(DWORD threadId) {
  for (HWND topHandle : TopLevelWindows()) {
    WindowPtr top = FindWindow(topHandle);
    if (top && top->threadId == threadId)
      if (WindowPtr found = FirstInPaintOrder(top)) return found;
  }
  // Whatever the walk cannot reach (a child of another thread's window).
  for (const WindowPtr& window : WindowsOfThread(threadId))
    if (NeedsPaint(window)) return window;
  return nullptr;
}

}  // namespace qh::ui

using namespace qh::ui;

BOOL InvalidateRect(HWND hWnd, const RECT* rect, BOOL erase) {
  WindowPtr window = FindWindow(hWnd);
  if (!window) return FALSE;
  Region area = rect ? Region(*rect) : Region(SizeRect(ClientRectInWindow(*window)));
  AddUpdate(window, area, erase != FALSE);
  InvalidateSiblingsAbove(window, area.intersected(SizeRect(ClientRectInWindow(*window))));
  // Children under the invalid area are painted again too, in their own client coordinates.
  for (HWND childHandle : window->children) {
    WindowPtr child = FindWindow(childHandle);
    if (!child || !(child->style & WS_VISIBLE)) continue;
    Region childArea = area;
    RECT childClient = ClientRectInWindow(*child);
    childArea.offset(-(child->rect.left + childClient.left), -(child->rect.top + childClient.top));
    if (!childArea.intersected(SizeRect(childClient)).empty()) {
      RECT box = childArea.bounds();
      InvalidateRect(childHandle, &box, erase);
    }
  }
  window->queue->wake.notify_all();
  return TRUE;
}

BOOL ValidateRect(HWND hWnd, const RECT* rect) {
  WindowPtr window = FindWindow(hWnd);
  if (!window) return FALSE;
  if (!rect) {
    window->update = Region();
    window->eraseNeeded = false;
  } else {
    window->update = Region::Combine(window->update, Region(*rect), RegionOp::Diff);
  }
  return TRUE;
}

BOOL UpdateWindow(HWND hWnd) {
  WindowPtr window = OwnWindow(hWnd);
  if (!window) return FALSE;
  if (!window->update.empty() && IsWindowVisible(hWnd)) CallProcedure(window, WM_PAINT, 0, 0);
  if (IsWindow(hWnd)) ValidateRect(hWnd, nullptr);
  return TRUE;
}

BOOL GetUpdateRect(HWND hWnd, LPRECT rect, BOOL) {
  WindowPtr window = FindWindow(hWnd);
  if (!window) return FALSE;
  if (rect) *rect = window->update.empty() ? RECT{} : window->update.bounds();
  return window->update.empty() ? FALSE : TRUE;
}

HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT paint) {
  WindowPtr window = OwnWindow(hWnd);
  if (!window || !paint) return nullptr;
  if (window->frameNeeded) {
    window->frameNeeded = false;
    CallProcedure(window, WM_NCPAINT, 1, 0);
  }
  Region update = window->update;
  bool erase = window->eraseNeeded;
  window->update = Region();
  window->eraseNeeded = false;
  *paint = PAINTSTRUCT{};
  paint->rcPaint = update.empty() ? RECT{} : update.bounds();
  paint->hdc = qh::gdi::OpenWindowDC(hWnd, qh::gdi::DcArea::Client, &update);
  if (!paint->hdc) return nullptr;
  paint->fErase = erase ? TRUE : FALSE;
  if (erase && CallProcedure(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(paint->hdc), 0)) paint->fErase = FALSE;
  return paint->hdc;
}

BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* paint) {
  if (paint && paint->hdc) qh::gdi::CloseWindowDC(paint->hdc);
  DisplayPresent(hWnd);
  return TRUE;
}

void qh::ui::RaiseInZOrder(const WindowPtr& window, HWND insertAfter) {
  auto place = [&](std::vector<HWND>& order) {
    std::erase(order, window->handle);
    if (insertAfter == HWND_BOTTOM) {
      order.push_back(window->handle);
    } else if (!insertAfter || insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST ||
               insertAfter == HWND_NOTOPMOST) {
      order.insert(order.begin(), window->handle);
    } else {
      auto it = std::find(order.begin(), order.end(), insertAfter);
      order.insert(it == order.end() ? order.end() : it + 1, window->handle);
    }
  };
  if (window->parent) {
    if (WindowPtr parent = FindWindow(window->parent)) place(parent->children);
  } else {
    ReorderTopLevel(place);
  }
  InvalidateAfterGeometryChange(window);
}
