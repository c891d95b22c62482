// The scroll state of windows' own scroll bars: range, page and position, kept by the window that
// scrolls and read by its users (a tree view tells through it whether it scrolled).
#include <algorithm>

#include "platform/ui/WindowRecord.h"

namespace {

SCROLLINFO* BarOf(HWND hWnd, int bar) {
  if (bar != SB_HORZ && bar != SB_VERT) return nullptr;
  qh::ui::WindowPtr window = qh::ui::FindWindow(hWnd);
  return window ? &window->scroll[bar] : nullptr;
}

int Clamped(const SCROLLINFO& info, int position) {
  int last = info.nMax - std::max(0, static_cast<int>(info.nPage) - 1);
  return std::clamp(position, info.nMin, std::max(info.nMin, last));
}

}  // namespace

int SetScrollInfo(HWND hWnd, int bar, const SCROLLINFO* info, BOOL) {
  SCROLLINFO* own = BarOf(hWnd, bar);
  if (!own || !info) return 0;
  if (info->fMask & SIF_RANGE) {
    own->nMin = info->nMin;
    own->nMax = info->nMax;
  }
  if (info->fMask & SIF_PAGE) own->nPage = info->nPage;
  if (info->fMask & SIF_POS) own->nPos = info->nPos;
  own->nPos = Clamped(*own, own->nPos);
  return own->nPos;
}

BOOL GetScrollInfo(HWND hWnd, int bar, LPSCROLLINFO info) {
  SCROLLINFO* own = BarOf(hWnd, bar);
  if (!own || !info) return FALSE;
  if (info->fMask & SIF_RANGE) {
    info->nMin = own->nMin;
    info->nMax = own->nMax;
  }
  if (info->fMask & SIF_PAGE) info->nPage = own->nPage;
  if (info->fMask & SIF_POS) info->nPos = own->nPos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = own->nPos;
  return TRUE;
}

int SetScrollPos(HWND hWnd, int bar, int position, BOOL redraw) {
  SCROLLINFO* own = BarOf(hWnd, bar);
  if (!own) return 0;
  int old = own->nPos;
  SCROLLINFO info;
  info.fMask = SIF_POS;
  info.nPos = position;
  SetScrollInfo(hWnd, bar, &info, redraw);
  return old;
}

int GetScrollPos(HWND hWnd, int bar) {
  SCROLLINFO* own = BarOf(hWnd, bar);
  return own ? own->nPos : 0;
}

BOOL SetScrollRange(HWND hWnd, int bar, int minimum, int maximum, BOOL redraw) {
  SCROLLINFO info;
  info.fMask = SIF_RANGE;
  info.nMin = minimum;
  info.nMax = maximum;
  return BarOf(hWnd, bar) && SetScrollInfo(hWnd, bar, &info, redraw) >= 0;
}

BOOL GetScrollRange(HWND hWnd, int bar, int* minimum, int* maximum) {
  SCROLLINFO* own = BarOf(hWnd, bar);
  if (!own) return FALSE;
  if (minimum) *minimum = own->nMin;
  if (maximum) *maximum = own->nMax;
  return TRUE;
}

BOOL ShowScrollBar(HWND hWnd, int bar, BOOL) { return qh::ui::FindWindow(hWnd) && bar >= SB_HORZ && bar <= SB_BOTH; }
