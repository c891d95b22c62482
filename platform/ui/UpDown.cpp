// The up-down control: a position in a range, stepped by its two arrows (or the arrow keys), shown in
// its buddy.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/ui/CommCtrl.h"
#include "platform/ui/ControlSupport.h"
#include "platform/ui/Input.h"
#include "platform/ui/OwnScrollBar.h"

namespace qh::ui {
namespace {

struct SpinState {
  int low = 100;  // the platform's default range runs from 100 down to 0
  int high = 0;
  int position = 0;
  HWND buddy = nullptr;
};

bool Horizontal(HWND hWnd) { return (StyleOf(hWnd) & UDS_HORZ) != 0; }

void ShowInBuddy(HWND hWnd, const SpinState* s) {
  if (!s->buddy || !(StyleOf(hWnd) & UDS_SETBUDDYINT) || !IsWindow(s->buddy)) return;
  char text[16];
  std::snprintf(text, sizeof text, "%d", s->position);
  SetWindowText(s->buddy, text);
}

// Reads the buddy's number back: the user may have typed there.
void ReadBuddy(HWND hWnd, SpinState* s) {
  if (!s->buddy || !(StyleOf(hWnd) & UDS_SETBUDDYINT) || !IsWindow(s->buddy)) return;
  char text[32] = {};
  GetWindowText(s->buddy, text, sizeof text);
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (end != text) s->position = std::clamp(static_cast<int>(value), std::min(s->low, s->high), std::max(s->low, s->high));
}

void StepSpin(HWND hWnd, SpinState* s, bool towardsHigh) {
  ReadBuddy(hWnd, s);
  int delta = towardsHigh == (s->high >= s->low) ? 1 : -1;
  NMUPDOWN notice;
  notice.iPos = s->position;
  notice.iDelta = delta;
  if (NotifyParent(hWnd, notice.hdr, UDN_DELTAPOS) || !IsWindow(hWnd)) return;
  int lowest = std::min(s->low, s->high), highest = std::max(s->low, s->high);
  int next = s->position + notice.iDelta;
  if (next > highest) next = (StyleOf(hWnd) & UDS_WRAP) ? lowest : highest;
  if (next < lowest) next = (StyleOf(hWnd) & UDS_WRAP) ? highest : lowest;
  s->position = next;
  ShowInBuddy(hWnd, s);
  HWND parent = GetParent(hWnd);
  UINT scroll = Horizontal(hWnd) ? WM_HSCROLL : WM_VSCROLL;
  if (parent) {
    SendMessage(parent, scroll, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(next)), reinterpret_cast<LPARAM>(hWnd));
    SendMessage(parent, scroll, MAKEWPARAM(SB_ENDSCROLL, static_cast<WORD>(next)), reinterpret_cast<LPARAM>(hWnd));
  }
}

LRESULT SpinProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* s = StateOf<SpinState>(hWnd);
  switch (message) {
    case WM_NCCREATE: AttachState<SpinState>(hWnd); break;
    case WM_CREATE:
      if (StyleOf(hWnd) & UDS_AUTOBUDDY) {
        s->buddy = GetWindow(hWnd, GW_HWNDPREV);
        ShowInBuddy(hWnd, s);
      }
      return 0;
    case WM_NCDESTROY: DropState<SpinState>(hWnd); break;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      ControlPaint paint(hWnd, WM_CTLCOLORBTN);
      if (!paint.dc) return 0;
      FillRect(paint.dc, &paint.client, GetSysColorBrush(COLOR_BTNFACE));
      RECT first = paint.client, second = paint.client;
      if (Horizontal(hWnd))
        first.right = second.left = paint.client.right / 2;
      else
        first.bottom = second.top = paint.client.bottom / 2;
      FrameRect(paint.dc, &first, GetSysColorBrush(COLOR_3DDKSHADOW));
      FrameRect(paint.dc, &second, GetSysColorBrush(COLOR_3DDKSHADOW));
      HBRUSH ink = GetSysColorBrush(IsWindowEnabled(hWnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
      // Vertical: up on top, down below; horizontal: left (down) then right (up).
      DrawArrowHead(paint.dc, first, Horizontal(hWnd) ? ArrowDirection::Left : ArrowDirection::Up, ink);
      DrawArrowHead(paint.dc, second, Horizontal(hWnd) ? ArrowDirection::Right : ArrowDirection::Down, ink);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      RECT client;
      GetClientRect(hWnd, &client);
      bool up = Horizontal(hWnd) ? GET_X_LPARAM(lParam) >= client.right / 2 : GET_Y_LPARAM(lParam) < client.bottom / 2;
      StepSpin(hWnd, s, up);
      return 0;
    }
    case WM_ENABLE: InvalidateRect(hWnd, nullptr, TRUE); return 0;
    case WM_KEYDOWN:
      if (wParam == VK_UP || wParam == VK_RIGHT) StepSpin(hWnd, s, true);
      if (wParam == VK_DOWN || wParam == VK_LEFT) StepSpin(hWnd, s, false);
      return 0;
    case UDM_SETRANGE:
      s->high = static_cast<SHORT>(LOWORD(static_cast<DWORD>(lParam)));
      s->low = static_cast<SHORT>(HIWORD(static_cast<DWORD>(lParam)));
      return 0;
    case UDM_SETRANGE32:
      s->low = static_cast<int>(wParam);
      s->high = static_cast<int>(lParam);
      return 0;
    case UDM_GETRANGE: return MAKELONG(static_cast<WORD>(s->high), static_cast<WORD>(s->low));
    case UDM_GETRANGE32:
      if (wParam) *reinterpret_cast<int*>(wParam) = s->low;
      if (lParam) *reinterpret_cast<int*>(lParam) = s->high;
      return 0;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
      int old = s->position;
      int wanted = message == UDM_SETPOS ? static_cast<SHORT>(LOWORD(static_cast<DWORD>(lParam))) : static_cast<int>(lParam);
      s->position = std::clamp(wanted, std::min(s->low, s->high), std::max(s->low, s->high));
      ShowInBuddy(hWnd, s);
      return old;
    }
    case UDM_GETPOS:
    case UDM_GETPOS32:
      ReadBuddy(hWnd, s);
      return message == UDM_GETPOS ? MAKELONG(static_cast<WORD>(s->position), 0) : s->position;
    case UDM_SETBUDDY: {
      HWND old = s->buddy;
      s->buddy = reinterpret_cast<HWND>(wParam);
      ShowInBuddy(hWnd, s);
      return reinterpret_cast<LRESULT>(old);
    }
    case UDM_GETBUDDY: return reinterpret_cast<LRESULT>(s->buddy);
    default: break;
  }
  return DefWindowProc(hWnd, message, wParam, lParam);
}

}  // namespace

void RegisterUpDown() {
  WNDCLASS wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &SpinProc;
  wc.lpszClassName = UPDOWN_CLASS;
  RegisterClass(&wc);
}

}  // namespace qh::ui
