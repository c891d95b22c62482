// The date-time picker: a date or a time shown as text, changed field by field with the arrow keys.
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

}  // namespace

void RegisterDatePicker() {
  WNDCLASS wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &PickerProc;
  wc.lpszClassName = DATETIMEPICK_CLASS;
  RegisterClass(&wc);
}

}  // namespace qh::ui
