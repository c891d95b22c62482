// The scroll bars controls draw in their own client area: geometry, painting and mouse handling.
#include "platform/ui/OwnScrollBar.h"

#include <algorithm>

#include "platform/ui/Input.h"

namespace qh::ui {
namespace {

int Along(const BarGeometry& bar, POINT at) { return static_cast<int>(bar.vertical ? at.y : at.x); }
int Start(const BarGeometry& bar) { return static_cast<int>(bar.vertical ? bar.area.top : bar.area.left); }
int End(const BarGeometry& bar) { return static_cast<int>(bar.vertical ? bar.area.bottom : bar.area.right); }

RECT Piece(const BarGeometry& bar, int from, int to) {
  return bar.vertical ? RECT{bar.area.left, from, bar.area.right, to} : RECT{from, bar.area.top, to, bar.area.bottom};
}

int Range(const SCROLLINFO& info) { return std::max(1, info.nMax - info.nMin + 1); }

// Only one thumb is dragged at a time on a thread: the one holding the capture.
struct ThumbDrag {
  HWND hwnd = nullptr;
  int bar = SB_VERT;
  int grab = 0;
  BarGeometry geometry;
};
thread_local ThumbDrag t_drag;

}  // namespace

void DrawArrowHead(HDC dc, const RECT& box, ArrowDirection direction, HBRUSH ink) {
  const int cx = static_cast<int>(box.left + box.right) / 2, cy = static_cast<int>(box.top + box.bottom) / 2;
  const int size = std::clamp(static_cast<int>(std::min(box.right - box.left, box.bottom - box.top)) / 4, 1, 4);
  const bool vertical = direction == ArrowDirection::Up || direction == ArrowDirection::Down;
  const bool forward = direction == ArrowDirection::Down || direction == ArrowDirection::Right;
  for (int i = 0; i < size; ++i) {
    const int step = forward ? size / 2 - i : i - size / 2;  // the tip row first when pointing back
    RECT row = vertical ? RECT{cx - i, cy + step, cx + i + 1, cy + step + 1} : RECT{cx + step, cy - i, cx + step + 1, cy + i + 1};
    FillRect(dc, &row, ink);
  }
}

int BarGeometry::Last() const {
  return std::max(info.nMin, info.nMax - std::max(0, static_cast<int>(info.nPage) - 1));
}

int BarGeometry::Track() const { return std::max(0, End(*this) - Start(*this) - 2 * kOwnBarWidth); }

RECT BarGeometry::Thumb() const {
  const int track = Track();
  const int page = std::max(1, static_cast<int>(info.nPage));
  const int length = std::clamp(static_cast<int>(static_cast<long long>(track) * page / Range(info)), std::min(track, 8), track);
  const int span = std::max(1, Last() - info.nMin);
  const int offset = static_cast<int>(static_cast<long long>(track - length) * std::clamp(info.nPos - info.nMin, 0, span) / span);
  const int from = Start(*this) + kOwnBarWidth + offset;
  return Piece(*this, from, from + length);
}

BarPart BarGeometry::HitTest(POINT at) const {
  if (at.x < area.left || at.x >= area.right || at.y < area.top || at.y >= area.bottom) return BarPart::None;
  const int along = Along(*this, at);
  if (along < Start(*this) + kOwnBarWidth) return BarPart::LineBack;
  if (along >= End(*this) - kOwnBarWidth) return BarPart::LineForward;
  const RECT thumb = Thumb();
  const int thumbStart = static_cast<int>(vertical ? thumb.top : thumb.left);
  const int thumbEnd = static_cast<int>(vertical ? thumb.bottom : thumb.right);
  if (along < thumbStart) return BarPart::PageBack;
  if (along >= thumbEnd) return BarPart::PageForward;
  return BarPart::Thumb;
}

int BarGeometry::PositionForThumbAt(int start) const {
  const RECT thumb = Thumb();
  const int length = static_cast<int>(vertical ? thumb.bottom - thumb.top : thumb.right - thumb.left);
  const int room = std::max(1, Track() - length);
  const int offset = std::clamp(start - (Start(*this) + kOwnBarWidth), 0, room);
  const int span = Last() - info.nMin;
  return info.nMin + static_cast<int>((static_cast<long long>(offset) * span + room / 2) / room);
}

void BarGeometry::Paint(HDC dc) const {
  FillRect(dc, &area, GetSysColorBrush(COLOR_SCROLLBAR));
  const RECT back = Piece(*this, Start(*this), Start(*this) + kOwnBarWidth);
  const RECT forward = Piece(*this, End(*this) - kOwnBarWidth, End(*this));
  const RECT thumb = Thumb();
  for (const RECT& box : {back, forward, thumb}) {
    FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
    FrameRect(dc, &box, GetSysColorBrush(COLOR_BTNSHADOW));
  }
  HBRUSH ink = GetSysColorBrush(COLOR_BTNTEXT);
  DrawArrowHead(dc, back, vertical ? ArrowDirection::Up : ArrowDirection::Left, ink);
  DrawArrowHead(dc, forward, vertical ? ArrowDirection::Down : ArrowDirection::Right, ink);
}

int ScrollTarget(const SCROLLINFO& info, WORD code, int thumbPosition, int line) {
  const int page = std::max(1, static_cast<int>(info.nPage));
  const int last = std::max(info.nMin, info.nMax - page + 1);
  int target = info.nPos;
  switch (code) {
    case SB_LINEUP: target -= line; break;
    case SB_LINEDOWN: target += line; break;
    case SB_PAGEUP: target -= page; break;
    case SB_PAGEDOWN: target += page; break;
    case SB_TOP: target = info.nMin; break;
    case SB_BOTTOM: target = last; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: target = thumbPosition; break;
    default: break;
  }
  return std::clamp(target, info.nMin, last);
}

int SetOwnBar(HWND hWnd, int bar, int minimum, int maximum, int page, int position) {
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = minimum;
  info.nMax = maximum;
  info.nPage = static_cast<UINT>(std::max(0, page));
  info.nPos = position;
  return SetScrollInfo(hWnd, bar, &info, FALSE);
}

bool OwnBarShown(HWND hWnd, int bar, DWORD offered) {
  if (!(offered & (bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL))) return false;
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE;
  if (!GetScrollInfo(hWnd, bar, &info)) return false;
  return Range(info) > static_cast<int>(std::max<UINT>(1, info.nPage)) && info.nMax > info.nMin;
}

RECT OwnBarsView(HWND hWnd, DWORD offered) {
  RECT view;
  GetClientRect(hWnd, &view);
  if (OwnBarShown(hWnd, SB_VERT, offered)) view.right = std::max<LONG>(view.left, view.right - kOwnBarWidth);
  if (OwnBarShown(hWnd, SB_HORZ, offered)) view.bottom = std::max<LONG>(view.top, view.bottom - kOwnBarWidth);
  return view;
}

BarGeometry OwnBarGeometry(HWND hWnd, int bar, DWORD offered) {
  BarGeometry geometry;
  RECT client;
  GetClientRect(hWnd, &client);
  const RECT view = OwnBarsView(hWnd, offered);
  geometry.vertical = bar == SB_VERT;
  geometry.area = geometry.vertical ? RECT{view.right, client.top, client.right, view.bottom}
                                    : RECT{client.left, view.bottom, view.right, client.bottom};
  geometry.info.fMask = SIF_ALL;
  GetScrollInfo(hWnd, bar, &geometry.info);
  return geometry;
}

void PaintOwnBars(HWND hWnd, HDC dc, DWORD offered) {
  const bool vertical = OwnBarShown(hWnd, SB_VERT, offered), horizontal = OwnBarShown(hWnd, SB_HORZ, offered);
  if (vertical) OwnBarGeometry(hWnd, SB_VERT, offered).Paint(dc);
  if (horizontal) OwnBarGeometry(hWnd, SB_HORZ, offered).Paint(dc);
  if (vertical && horizontal) {  // the corner between the two bars
    RECT client;
    GetClientRect(hWnd, &client);
    RECT corner{client.right - kOwnBarWidth, client.bottom - kOwnBarWidth, client.right, client.bottom};
    FillRect(dc, &corner, GetSysColorBrush(COLOR_BTNFACE));
  }
}

bool PressOwnBars(HWND hWnd, POINT at, DWORD offered) {
  for (int bar : {SB_VERT, SB_HORZ}) {
    if (!OwnBarShown(hWnd, bar, offered)) continue;
    const BarGeometry geometry = OwnBarGeometry(hWnd, bar, offered);
    const BarPart part = geometry.HitTest(at);
    if (part == BarPart::None) continue;
    const UINT message = bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
    WORD code = SB_ENDSCROLL;
    switch (part) {
      case BarPart::LineBack: code = SB_LINEUP; break;
      case BarPart::LineForward: code = SB_LINEDOWN; break;
      case BarPart::PageBack: code = SB_PAGEUP; break;
      case BarPart::PageForward: code = SB_PAGEDOWN; break;
      default: break;
    }
    if (part == BarPart::Thumb) {
      const RECT thumb = geometry.Thumb();
      t_drag = ThumbDrag{hWnd, bar, Along(geometry, at) - static_cast<int>(bar == SB_VERT ? thumb.top : thumb.left), geometry};
      SetCapture(hWnd);
      return true;
    }
    SendMessage(hWnd, message, MAKEWPARAM(code, 0), 0);
    SendMessage(hWnd, message, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
    return true;
  }
  return false;
}

bool DragOwnBar(HWND hWnd, POINT at) {
  if (t_drag.hwnd != hWnd) return false;
  const int position = t_drag.geometry.PositionForThumbAt(Along(t_drag.geometry, at) - t_drag.grab);
  SendMessage(hWnd, t_drag.bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL,
              MAKEWPARAM(SB_THUMBTRACK, static_cast<WORD>(position)), 0);
  return true;
}

bool ReleaseOwnBar(HWND hWnd) {
  if (t_drag.hwnd != hWnd) return false;
  const int bar = t_drag.bar;
  t_drag.hwnd = nullptr;
  if (GetCapture() == hWnd) ReleaseCapture();
  const UINT message = bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
  SendMessage(hWnd, message, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(GetScrollPos(hWnd, bar))), 0);
  SendMessage(hWnd, message, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
  return true;
}

int WheelLines(WPARAM wParam) { return -3 * (static_cast<SHORT>(HIWORD(wParam)) / WHEEL_DELTA); }

}  // namespace qh::ui
