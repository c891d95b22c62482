// The date-time picker (a date or a time shown as text, changed field by field with the arrow keys)
// and the up-down control (a position in a range, stepped by its arrows, shown in its buddy).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/core/DateTime.h"
#include "platform/ui/CommCtrl.h"
#include "platform/ui/ControlSupport.h"
#include "platform/ui/Input.h"

namespace qh::ui {
namespace {

// ---- Date-time picker ----
struct PickerState {
  COleDateTime value = COleDateTime::GetCurrentTime();
  bool hasValue = true;
  int field = 1;  // date: 0 month, 1 day, 2 year; time: 0 hour, 1 minute, 2 second
  bool hasMin = false, hasMax = false;
  COleDateTime minimum, maximum;
};

bool TimeFormat(HWND hWnd) { return (StyleOf(hWnd) & DTS_TIMEFORMAT) == DTS_TIMEFORMAT; }

std::string Shown(HWND hWnd, const PickerState* s) {
  if (!s->hasValue) return "";
  if (TimeFormat(hWnd)) return s->value.Format("%#I:%M:%S %p").str();
  if (StyleOf(hWnd) & DTS_LONGDATEFORMAT) return s->value.Format("%A, %B %#d, %Y").str();
  return s->value.Format("%#m/%#d/%Y").str();
}

COleDateTime Stepped(HWND hWnd, const PickerState* s, int delta) {
  const COleDateTime& v = s->value;
  if (TimeFormat(hWnd)) {
    int seconds[] = {3600, 60, 1};
    return v + COleDateTimeSpan(0, 0, 0, seconds[s->field] * delta);
  }
  if (s->field == 1) return v + COleDateTimeSpan(delta, 0, 0, 0);
  int year = v.GetYear() + (s->field == 2 ? delta : 0);
  int month = v.GetMonth() + (s->field == 0 ? delta : 0);
  while (month < 1) month += 12, --year;
  while (month > 12) month -= 12, ++year;
  COleDateTime result;
  int day = v.GetDay();
  // A day the month lacks becomes the month's last day.
  while (result.SetDateTime(year, month, day, v.GetHour(), v.GetMinute(), v.GetSecond()) != 0 && day > 28) --day;
  return result;
}

void Announce(HWND hWnd, PickerState* s) {
  NMDATETIMECHANGE change;
  change.dwFlags = s->hasValue ? GDT_VALID : GDT_NONE;
  if (s->hasValue) s->value.GetAsSystemTime(change.st);
  NotifyParent(hWnd, change.nmhdr, DTN_DATETIMECHANGE);
}

void Step(HWND hWnd, PickerState* s, int delta) {
  COleDateTime next = Stepped(hWnd, s, delta);
  if (next.GetStatus() != COleDateTime::valid) return;
  if ((s->hasMin && next < s->minimum) || (s->hasMax && next > s->maximum)) return;
  s->value = next;
  s->hasValue = true;
  InvalidateRect(hWnd, nullptr, TRUE);
  Announce(hWnd, s);
}

LRESULT PickerProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* s = StateOf<PickerState>(hWnd);
  switch (message) {
    case WM_NCCREATE: AttachState<PickerState>(hWnd); break;
    case WM_NCDESTROY: DropState<PickerState>(hWnd); break;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      ControlPaint paint(hWnd, WM_CTLCOLOREDIT);
      if (!paint.dc) return 0;
      FillRect(paint.dc, &paint.client, paint.brush);
      FrameRect(paint.dc, &paint.client, GetSysColorBrush(COLOR_BTNSHADOW));
      SetBkMode(paint.dc, TRANSPARENT);
      RECT text = paint.client;
      text.left += 3;
      DrawText(paint.dc, Shown(hWnd, s).c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      return 0;
    }
    case WM_LBUTTONDOWN: SetFocus(hWnd); return 0;
    case WM_KEYDOWN:
      if (wParam == VK_UP || wParam == VK_ADD) Step(hWnd, s, 1);
      if (wParam == VK_DOWN || wParam == VK_SUBTRACT) Step(hWnd, s, -1);
      if (wParam == VK_LEFT) s->field = (s->field + 2) % 3;
      if (wParam == VK_RIGHT) s->field = (s->field + 1) % 3;
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_GETTEXT: {
      std::string text = Shown(hWnd, s);
      if (!lParam || wParam == 0) return 0;
      int copied = std::snprintf(reinterpret_cast<char*>(lParam), wParam, "%s", text.c_str());
      return std::min<LRESULT>(copied, static_cast<LRESULT>(wParam) - 1);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(Shown(hWnd, s).size());
    case DTM_GETSYSTEMTIME: {
      auto* out = reinterpret_cast<SYSTEMTIME*>(lParam);
      if (!out) return GDT_ERROR;
      if (!s->hasValue) return GDT_NONE;
      return s->value.GetAsSystemTime(*out) ? GDT_VALID : GDT_ERROR;
    }
    case DTM_SETSYSTEMTIME: {
      if (wParam == GDT_NONE) {
        if (!(StyleOf(hWnd) & DTS_SHOWNONE)) return FALSE;
        s->hasValue = false;
      } else {
        auto* in = reinterpret_cast<const SYSTEMTIME*>(lParam);
        if (!in) return FALSE;
        COleDateTime value(*in);
        if (value.GetStatus() != COleDateTime::valid) return FALSE;
        s->value = value;
        s->hasValue = true;
      }
      InvalidateRect(hWnd, nullptr, TRUE);
      return TRUE;
    }
    case DTM_SETRANGE: {
      auto* range = reinterpret_cast<const SYSTEMTIME*>(lParam);
      s->hasMin = (wParam & GDTR_MIN) && range;
      s->hasMax = (wParam & GDTR_MAX) && range;
      if (s->hasMin) s->minimum = COleDateTime(range[0]);
      if (s->hasMax) s->maximum = COleDateTime(range[1]);
      return TRUE;
    }
    case DTM_GETRANGE: {
      auto* range = reinterpret_cast<SYSTEMTIME*>(lParam);
      if (!range) return 0;
      if (s->hasMin) s->minimum.GetAsSystemTime(range[0]);
      if (s->hasMax) s->maximum.GetAsSystemTime(range[1]);
      return (s->hasMin ? GDTR_MIN : 0) | (s->hasMax ? GDTR_MAX : 0);
    }
    case DTM_SETFORMAT: return TRUE;
    default: break;
  }
  return DefWindowProc(hWnd, message, wParam, lParam);
}

// ---- Up-down control ----
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

void RegisterPickerAndSpin() {
  WNDCLASS wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &PickerProc;
  wc.lpszClassName = DATETIMEPICK_CLASS;
  RegisterClass(&wc);
  wc.lpfnWndProc = &SpinProc;
  wc.lpszClassName = UPDOWN_CLASS;
  RegisterClass(&wc);
}

}  // namespace qh::ui
