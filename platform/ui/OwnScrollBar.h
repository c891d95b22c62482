// The scroll bars a control draws inside its own client area (a list box's WS_VSCROLL, a list view's
// bars, a multi-line edit's WS_VSCROLL): their state is the window's SCROLLINFO (SetScrollInfo), a
// press on one sends the control WM_VSCROLL / WM_HSCROLL as the platform's bars do, and the control
// moves in answer. Geometry is a value type so a test checks it without a window.
#pragma once

#include "platform/ui/CommCtrl.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/gdi/Gdi.h"

namespace qh::ui {

constexpr int kOwnBarWidth = 16;  // the bar's thickness and the length of its arrow boxes

enum class ArrowDirection { Up, Down, Left, Right };
// A filled arrow head centred in `box` (scroll bars, combo boxes, up-down controls).
void DrawArrowHead(HDC dc, const RECT& box, ArrowDirection direction, HBRUSH ink);

enum class BarPart { None, LineBack, LineForward, PageBack, PageForward, Thumb };

// One bar laid out along `area`: positions nMin..Last() where Last() leaves a whole page shown.
struct BarGeometry {
  RECT area{};
  bool vertical = true;
  SCROLLINFO info{};

  int Last() const;
  int Track() const;  // the length between the arrow boxes
  RECT Thumb() const;
  BarPart HitTest(POINT at) const;
  // The position that puts the thumb's start at `start` (a pointer coordinate along the bar less
  // where the thumb was grabbed).
  int PositionForThumbAt(int start) const;
  void Paint(HDC dc) const;
};

// The new position for a WM_VSCROLL / WM_HSCROLL request; `line` is one arrow step.
int ScrollTarget(const SCROLLINFO& info, WORD code, int thumbPosition, int line = 1);

// Stores range, page and position for the window's own bar (SetScrollInfo) and returns the clamped
// position.
int SetOwnBar(HWND hWnd, int bar, int minimum, int maximum, int page, int position);

// Whether a bar shows: the control offers it (`offered` holds WS_VSCROLL / WS_HSCROLL) and its range
// is larger than a page.
bool OwnBarShown(HWND hWnd, int bar, DWORD offered);
// The client area less the bars that show.
RECT OwnBarsView(HWND hWnd, DWORD offered);
BarGeometry OwnBarGeometry(HWND hWnd, int bar, DWORD offered);
void PaintOwnBars(HWND hWnd, HDC dc, DWORD offered);

// Mouse input for the bars: a press on a bar returns true (arrows and track send the scroll request,
// the thumb starts a drag with the capture); moves and the release while dragging return true.
bool PressOwnBars(HWND hWnd, POINT at, DWORD offered);
bool DragOwnBar(HWND hWnd, POINT at);
bool ReleaseOwnBar(HWND hWnd);

// Wheel notches (WM_MOUSEWHEEL's delta) as a scroll of three lines a notch.
int WheelLines(WPARAM wParam);

}  // namespace qh::ui
