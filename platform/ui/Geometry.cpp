// Window and client rectangles, coordinate mapping and the rectangle helpers.
#include <algorithm>

#include "platform/ui/DisplayLink.h"
#include "platform/ui/Input.h"
#include "platform/ui/WindowRecord.h"

namespace qh::ui {
namespace {

RECT g_desktop{0, 0, 1280, 1024};
// The desktop is not a window of any thread; it answers the geometry calls only.
const HWND kDesktop = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x10001));  // handles are multiples of 4

int FrameWidth(const WindowRecord& window) {
  int width = 0;
  if (window.style & WS_THICKFRAME)
    width = 4;
  else if ((window.style & WS_DLGFRAME) || (window.exStyle & WS_EX_DLGMODALFRAME))
    width = 3;
  else if (window.style & WS_BORDER)
    width = 1;
  if (window.exStyle & WS_EX_CLIENTEDGE) width += 2;
  if (window.exStyle & WS_EX_STATICEDGE) width += 1;
  return width;
}

}  // namespace

void SetDesktopSize(int width, int height) { g_desktop = RECT{0, 0, width, height}; }

RECT ClientRectInWindow(const WindowRecord& window) {
  int frame = FrameWidth(window);
  int caption = (window.style & WS_CAPTION) == WS_CAPTION ? 19 : 0;
  RECT client{frame, frame + caption, window.rect.right - window.rect.left - frame,
              window.rect.bottom - window.rect.top - frame};
  client.right = std::max(client.right, client.left);
  client.bottom = std::max(client.bottom, client.top);
  return client;
}

POINT WindowOriginOnScreen(const WindowRecord& window) {
  POINT origin{window.rect.left, window.rect.top};
  if (!window.parent) return origin;
  WindowPtr parent = FindWindow(window.parent);
  if (!parent) return origin;
  POINT parentOrigin = WindowOriginOnScreen(*parent);
  RECT parentClient = ClientRectInWindow(*parent);
  return POINT{origin.x + parentOrigin.x + parentClient.left, origin.y + parentOrigin.y + parentClient.top};
}

bool IsDesktop(HWND hWnd) { return hWnd == kDesktop; }

}  // namespace qh::ui

using namespace qh::ui;

HWND GetDesktopWindow() { return kDesktop; }

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN: return g_desktop.right - g_desktop.left;
    case SM_CYSCREEN: return g_desktop.bottom - g_desktop.top;
    // The programs' icons are drawn at these sizes (their icon bitmaps are 32 by 32).
    case SM_CXICON:
    case SM_CYICON: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    default: return 0;
  }
}

// The record behind a geometry call; the desktop answers `rect` itself. Null when nothing is left to do.
static WindowPtr GeometryTarget(HWND hWnd, LPRECT rect, bool& answered) {
  answered = true;
  if (!rect) return nullptr;
  if (IsDesktop(hWnd)) {
    *rect = g_desktop;
    return nullptr;
  }
  WindowPtr window = FindWindow(hWnd);
  answered = window != nullptr;
  if (!window) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return window;
}

BOOL GetWindowRect(HWND hWnd, LPRECT rect) {
  bool answered = false;
  WindowPtr window = GeometryTarget(hWnd, rect, answered);
  if (!window) return answered && rect ? TRUE : FALSE;
  POINT origin = WindowOriginOnScreen(*window);
  *rect = RECT{origin.x, origin.y, origin.x + window->rect.right - window->rect.left,
               origin.y + window->rect.bottom - window->rect.top};
  return TRUE;
}

BOOL GetClientRect(HWND hWnd, LPRECT rect) {
  bool answered = false;
  WindowPtr window = GeometryTarget(hWnd, rect, answered);
  if (!window) return answered && rect ? TRUE : FALSE;
  RECT client = ClientRectInWindow(*window);
  *rect = RECT{0, 0, client.right - client.left, client.bottom - client.top};
  return TRUE;
}

static bool ClientOriginOnScreen(HWND hWnd, POINT& origin) {
  if (IsDesktop(hWnd) || !hWnd) {
    origin = POINT{0, 0};
    return true;
  }
  WindowPtr window = FindWindow(hWnd);
  if (!window) return false;
  POINT windowOrigin = WindowOriginOnScreen(*window);
  RECT client = ClientRectInWindow(*window);
  origin = POINT{windowOrigin.x + client.left, windowOrigin.y + client.top};
  return true;
}

BOOL ClientToScreen(HWND hWnd, LPPOINT point) {
  POINT origin;
  if (!point || !ClientOriginOnScreen(hWnd, origin)) return FALSE;
  point->x += origin.x;
  point->y += origin.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hWnd, LPPOINT point) {
  POINT origin;
  if (!point || !ClientOriginOnScreen(hWnd, origin)) return FALSE;
  point->x -= origin.x;
  point->y -= origin.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
  POINT fromOrigin, toOrigin;
  if (!ClientOriginOnScreen(from, fromOrigin) || !ClientOriginOnScreen(to, toOrigin)) return 0;
  int dx = fromOrigin.x - toOrigin.x;
  int dy = fromOrigin.y - toOrigin.y;
  for (UINT i = 0; i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

BOOL SetWindowPos(HWND hWnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  WindowPtr window = OwnWindow(hWnd);
  if (!window) return FALSE;
  RECT old = window->rect;
  RECT next = old;
  if (!(flags & SWP_NOMOVE)) {
    next.right = x + (old.right - old.left);
    next.bottom = y + (old.bottom - old.top);
    next.left = x;
    next.top = y;
  }
  if (!(flags & SWP_NOSIZE)) {
    next.right = next.left + std::max(cx, 0);
    next.bottom = next.top + std::max(cy, 0);
  }
  bool moved = next.left != old.left || next.top != old.top;
  bool sized = (next.right - next.left) != (old.right - old.left) || (next.bottom - next.top) != (old.bottom - old.top);
  if (moved || sized) InvalidateAfterGeometryChange(window);
  window->rect = next;
  if (!(window->style & (WS_MAXIMIZE | WS_MINIMIZE))) window->normalRect = next;
  if (!(flags & SWP_NOZORDER)) RaiseInZOrder(window, insertAfter);
  if (moved || sized) {
    EnsureSurface(TopLevelOf(window));
    DisplayWindowMoved(window);
  }
  if (flags & SWP_SHOWWINDOW) ShowWindow(hWnd, SW_SHOWNA);
  if (flags & SWP_HIDEWINDOW) ShowWindow(hWnd, SW_HIDE);
  if (!IsWindow(hWnd)) return TRUE;
  if (sized) {
    EnsureSurface(TopLevelOf(window));
    RECT client = ClientRectInWindow(*window);
    CallProcedure(window, WM_SIZE, (window->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED,
                  MAKELPARAM(static_cast<WORD>(client.right - client.left), static_cast<WORD>(client.bottom - client.top)));
  }
  if (moved && IsWindow(hWnd)) {
    RECT client = ClientRectInWindow(*window);
    CallProcedure(window, WM_MOVE, 0,
                  MAKELPARAM(static_cast<WORD>(next.left + client.left), static_cast<WORD>(next.top + client.top)));
  }
  if ((moved || sized) && IsWindow(hWnd) && !(flags & SWP_NOREDRAW)) InvalidateAfterGeometryChange(window);
  if ((moved || sized) && IsWindow(hWnd))
    SendPositionChanged(window, (flags & (SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW)) | (moved ? 0u : SWP_NOMOVE) |
                                    (sized ? 0u : SWP_NOSIZE));
  return TRUE;
}

BOOL MoveWindow(HWND hWnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hWnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0u : static_cast<UINT>(SWP_NOREDRAW)));
}

// ---- Rectangle helpers -----------------------------------------------------------------------------
BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom) {
  if (!rect) return FALSE;
  *rect = RECT{left, top, right, bottom};
  return TRUE;
}
BOOL SetRectEmpty(LPRECT rect) { return SetRect(rect, 0, 0, 0, 0); }
BOOL IsRectEmpty(const RECT* rect) { return !rect || rect->right <= rect->left || rect->bottom <= rect->top; }
BOOL PtInRect(const RECT* rect, POINT point) {
  return rect && point.x >= rect->left && point.x < rect->right && point.y >= rect->top && point.y < rect->bottom;
}
BOOL OffsetRect(LPRECT rect, int dx, int dy) {
  if (!rect) return FALSE;
  rect->left += dx;
  rect->right += dx;
  rect->top += dy;
  rect->bottom += dy;
  return TRUE;
}
BOOL InflateRect(LPRECT rect, int dx, int dy) {
  if (!rect) return FALSE;
  rect->left -= dx;
  rect->right += dx;
  rect->top -= dy;
  rect->bottom += dy;
  return TRUE;
}
BOOL IntersectRect(LPRECT dest, const RECT* a, const RECT* b) {
  if (!dest || !a || !b) return FALSE;
  RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right), std::min(a->bottom, b->bottom)};
  if (IsRectEmpty(&r)) {
    SetRectEmpty(dest);
    return FALSE;
  }
  *dest = r;
  return TRUE;
}
BOOL UnionRect(LPRECT dest, const RECT* a, const RECT* b) {
  if (!dest || !a || !b) return FALSE;
  if (IsRectEmpty(a)) {
    *dest = *b;
  } else if (IsRectEmpty(b)) {
    *dest = *a;
  } else {
    *dest = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right), std::max(a->bottom, b->bottom)};
  }
  return !IsRectEmpty(dest);
}
BOOL EqualRect(const RECT* a, const RECT* b) {
  return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}
BOOL CopyRect(LPRECT dest, const RECT* source) {
  if (!dest || !source) return FALSE;
  *dest = *source;
  return TRUE;
}
