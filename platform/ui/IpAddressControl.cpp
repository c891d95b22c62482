// The IP address control: four fields of 0..255, each of which may be blank; typing digits fills the
// current field, '.' or a full field moves on, backspace goes back.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <string>

#include "platform/ui/CommCtrl.h"
#include "platform/ui/ControlSupport.h"
#include "platform/ui/Input.h"

namespace qh::ui {
namespace {

struct AddressState {
  std::array<int, 4> fields{-1, -1, -1, -1};  // -1 = blank
  std::array<std::pair<int, int>, 4> ranges{{{0, 255}, {0, 255}, {0, 255}, {0, 255}}};
  int current = 0;
};

std::string Shown(const AddressState* s) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    if (i) text += '.';
    if (s->fields[i] >= 0) text += std::to_string(s->fields[i]);
  }
  return text;
}

void FieldChanged(HWND hWnd, AddressState* s, int field) {
  NMIPADDRESS notice;
  notice.iField = field;
  notice.iValue = s->fields[field];
  NotifyParent(hWnd, notice.hdr, IPN_FIELDCHANGED);
  if (IsWindow(hWnd) && notice.iValue != s->fields[field])  // the parent may correct the value
    s->fields[field] = std::clamp(notice.iValue, -1, 255);
  Notify(hWnd, EN_CHANGE);
  InvalidateRect(hWnd, nullptr, TRUE);
}

void Type(HWND hWnd, AddressState* s, unsigned char ch) {
  int& field = s->fields[s->current];
  if (std::isdigit(ch)) {
    int next = (field < 0 ? 0 : field) * 10 + (ch - '0');
    if (field >= 0 && (field >= 100 || next > s->ranges[s->current].second)) {
      if (s->current == 3) return;
      ++s->current;  // a full field: the digit starts the next one
      Type(hWnd, s, ch);
      return;
    }
    field = std::min(next, s->ranges[s->current].second);
    FieldChanged(hWnd, s, s->current);
    if (field >= 100 && s->current < 3) ++s->current;
  } else if (ch == '.' && s->current < 3 && field >= 0) {
    ++s->current;
  } else if (ch == 0x08) {
    if (field < 0 && s->current > 0) --s->current;
    int& target = s->fields[s->current];
    if (target >= 0) {
      target = target >= 10 ? target / 10 : -1;
      FieldChanged(hWnd, s, s->current);
    }
  }
}

bool Parse(const char* text, std::array<int, 4>& fields) {
  std::array<int, 4> parsed{-1, -1, -1, -1};
  int index = 0;
  std::string part;
  for (const char* p = text;; ++p) {
    if (*p == '.' || *p == '\0') {
      if (index > 3) return false;
      if (!part.empty()) {
        int value = std::stoi(part);
        if (value > 255) return false;
        parsed[index] = value;
      }
      ++index;
      part.clear();
      if (*p == '\0') break;
    } else if (std::isdigit(static_cast<unsigned char>(*p)) && part.size() < 3) {
      part += *p;
    } else {
      return false;
    }
  }
  fields = parsed;
  return true;
}

LRESULT AddressProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* s = StateOf<AddressState>(hWnd);
  switch (message) {
    case WM_NCCREATE: AttachState<AddressState>(hWnd); break;
    case WM_NCDESTROY: DropState<AddressState>(hWnd); break;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      ControlPaint paint(hWnd, WM_CTLCOLOREDIT);
      if (!paint.dc) return 0;
      FillRect(paint.dc, &paint.client, paint.brush);
      FrameRect(paint.dc, &paint.client, GetSysColorBrush(COLOR_BTNSHADOW));
      SetBkMode(paint.dc, TRANSPARENT);
      RECT text = paint.client;
      DrawText(paint.dc, Shown(s).c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      return 0;
    }
    case WM_LBUTTONDOWN: SetFocus(hWnd); return 0;
    case WM_CHAR: Type(hWnd, s, static_cast<unsigned char>(wParam)); return 0;
    case WM_KEYDOWN:
      if (wParam == VK_LEFT && s->current > 0) --s->current;
      if (wParam == VK_RIGHT && s->current < 3) ++s->current;
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTCHARS | DLGC_WANTARROWS;
    case WM_SETTEXT: {
      std::array<int, 4> fields;
      if (!lParam || !Parse(reinterpret_cast<const char*>(lParam), fields)) return FALSE;
      s->fields = fields;
      InvalidateRect(hWnd, nullptr, TRUE);
      return TRUE;
    }
    case WM_GETTEXT: {
      if (!lParam || wParam == 0) return 0;
      int copied = std::snprintf(reinterpret_cast<char*>(lParam), wParam, "%s", Shown(s).c_str());
      return std::min<LRESULT>(copied, static_cast<LRESULT>(wParam) - 1);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(Shown(s).size());
    case IPM_CLEARADDRESS:
      s->fields = {-1, -1, -1, -1};
      s->current = 0;
      InvalidateRect(hWnd, nullptr, TRUE);
      return 0;
    case IPM_SETADDRESS: {
      auto address = static_cast<DWORD>(lParam);
      s->fields = {FIRST_IPADDRESS(address), SECOND_IPADDRESS(address), THIRD_IPADDRESS(address), FOURTH_IPADDRESS(address)};
      InvalidateRect(hWnd, nullptr, TRUE);
      return TRUE;
    }
    case IPM_GETADDRESS: {
      DWORD address = 0;
      int filled = 0;
      for (int i = 0; i < 4; ++i) {
        address = (address << 8) | static_cast<DWORD>(std::max(0, s->fields[i]));
        filled += s->fields[i] >= 0;
      }
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = address;
      return filled;
    }
    case IPM_SETRANGE:
      if (wParam > 3) return FALSE;
      s->ranges[wParam] = {LOBYTE(static_cast<WORD>(lParam)), HIBYTE(static_cast<WORD>(lParam))};
      return TRUE;
    case IPM_SETFOCUS:
      s->current = std::clamp(static_cast<int>(wParam), 0, 3);
      SetFocus(hWnd);
      return 0;
    case IPM_ISBLANK: return std::all_of(s->fields.begin(), s->fields.end(), [](int f) { return f < 0; }) ? TRUE : FALSE;
    default: break;
  }
  return DefWindowProc(hWnd, message, wParam, lParam);
}

}  // namespace

void RegisterIpAddressControl() {
  WNDCLASS wc;
  wc.lpfnWndProc = &AddressProc;
  wc.lpszClassName = WC_IPADDRESS;
  RegisterClass(&wc);
}

}  // namespace qh::ui
