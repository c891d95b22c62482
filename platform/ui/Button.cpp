// The button control: push buttons, check boxes, radio buttons and group boxes, drawn plainly; a
// click tells the parent with BN_CLICKED.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "platform/core/Cp1252.h"
#include "platform/ui/CommCtrl.h"
#include "platform/ui/ControlSupport.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Input.h"
#include "platform/ui/gdi/Gdi.h"

namespace qh::ui {
namespace {

struct ButtonState {
  UINT check = BST_UNCHECKED;
  bool pushed = false;
  bool tracking = false;
  HANDLE image = nullptr;
};

DWORD ButtonKind(HWND hWnd) { return StyleOf(hWnd) & BS_TYPEMASK; }
bool IsPushKind(DWORD kind) { return kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON || kind == BS_OWNERDRAW; }
bool IsRadioKind(DWORD kind) { return kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON; }

// The other auto radio buttons of the group lose their check when one is clicked.
void UncheckGroup(HWND button) {
  HWND parent = GetParent(button);
  std::vector<HWND> group;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (StyleOf(child) & WS_GROUP) {
      if (std::find(group.begin(), group.end(), button) != group.end()) break;
      group.clear();
    }
    group.push_back(child);
  }
  for (HWND other : group) {
    char name[16] = {};
    GetClassName(other, name, sizeof name);
    if (other != button && Cp1252EqualNoCase(name, WC_BUTTON) && ButtonKind(other) == BS_AUTORADIOBUTTON)
      SendMessage(other, BM_SETCHECK, BST_UNCHECKED, 0);
  }
}

void ClickButton(HWND hWnd, ButtonState* state) {
  DWORD kind = ButtonKind(hWnd);
  if (kind == BS_AUTOCHECKBOX) state->check = state->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
  if (kind == BS_AUTO3STATE) state->check = (state->check + 1) % 3;
  if (kind == BS_AUTORADIOBUTTON) {
    state->check = BST_CHECKED;
    UncheckGroup(hWnd);
  }
  InvalidateRect(hWnd, nullptr, TRUE);
  Notify(hWnd, BN_CLICKED);
}

// A BS_BITMAP push button shows its picture centred instead of its text; a disabled one greys it by
// blending every other pixel with the face colour.
void DrawButtonBitmap(HDC dc, const RECT& area, HBITMAP bitmap, bool enabled) {
  BITMAP info{};
  if (!GetObject(bitmap, sizeof info, &info)) return;
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const int x = area.left + (area.right - area.left - info.bmWidth) / 2;
  const int y = area.top + (area.bottom - area.top - info.bmHeight) / 2;
  BitBlt(dc, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  if (enabled) return;
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  for (int row = 0; row < info.bmHeight; ++row)
    for (int column = row % 2; column < info.bmWidth; column += 2) SetPixel(dc, x + column, y + row, face);
}

void PaintButton(HWND hWnd, ButtonState* state) {
  DWORD kind = ButtonKind(hWnd);
  if (kind == BS_OWNERDRAW) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hWnd, &paint);
    DRAWITEMSTRUCT draw;
    draw.CtlType = ODT_BUTTON;
    draw.CtlID = static_cast<UINT>(GetDlgCtrlID(hWnd));
    draw.itemAction = ODA_DRAWENTIRE;
    draw.itemState = (state->pushed ? ODS_SELECTED : 0) | (IsWindowEnabled(hWnd) ? 0 : ODS_DISABLED) |
                     (GetFocus() == hWnd ? ODS_FOCUS : 0);
    draw.hwndItem = hWnd;
    draw.hDC = dc;
    GetClientRect(hWnd, &draw.rcItem);
    if (dc) SendMessage(GetParent(hWnd), WM_DRAWITEM, draw.CtlID, reinterpret_cast<LPARAM>(&draw));
    EndPaint(hWnd, &paint);
    return;
  }
  ControlPaint paint(hWnd, kind == BS_GROUPBOX || !IsPushKind(kind) ? WM_CTLCOLORSTATIC : WM_CTLCOLORBTN);
  if (!paint.dc) return;
  HDC dc = paint.dc;
  std::string text = TextOf(hWnd);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(IsWindowEnabled(hWnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  RECT rect = paint.client;
  if (kind == BS_GROUPBOX) {
    // Only the frame and the label: the controls inside the group show through.
    RECT frame{rect.left, rect.top + 7, rect.right, rect.bottom};
    FrameRect(dc, &frame, GetSysColorBrush(COLOR_BTNSHADOW));
    RECT label{rect.left + 8, rect.top, rect.right - 8, rect.top + 15};
    SIZE extent{};
    GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    label.right = std::min<LONG>(label.right, label.left + extent.cx + 4);
    FillRect(dc, &label, paint.brush);
    DrawText(dc, text.c_str(), -1, &label, DT_SINGLELINE | DT_LEFT | DT_VCENTER);
    return;
  }
  if (IsPushKind(kind) || (StyleOf(hWnd) & BS_PUSHLIKE)) {
    bool down = state->pushed || state->check == BST_CHECKED;
    FillRect(dc, &rect, GetSysColorBrush(COLOR_BTNFACE));
    FrameRect(dc, &rect, GetSysColorBrush(COLOR_3DDKSHADOW));
    if (kind == BS_DEFPUSHBUTTON) {
      RECT inner = rect;
      InflateRect(&inner, -1, -1);
      FrameRect(dc, &inner, GetSysColorBrush(COLOR_3DDKSHADOW));
    }
    if (down) OffsetRect(&rect, 1, 1);
    if ((StyleOf(hWnd) & BS_BITMAP) && state->image) {
      DrawButtonBitmap(dc, rect, reinterpret_cast<HBITMAP>(state->image), IsWindowEnabled(hWnd) != FALSE);
      return;
    }
    DrawText(dc, text.c_str(), -1, &rect,
             DT_CENTER | DT_VCENTER | ((StyleOf(hWnd) & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE));
    return;
  }
  // Check boxes: a 13-pixel square; radio buttons: a 13-pixel circle; then the text. A disabled one
  // has a grey ground and a grey mark.
  FillRect(dc, &rect, paint.brush);
  const bool enabled = IsWindowEnabled(hWnd) != FALSE;
  int boxTop = (rect.bottom - rect.top - 13) / 2;
  RECT box{rect.left, boxTop, rect.left + 13, boxTop + 13};
  HBRUSH ground = GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE);
  HBRUSH markInk = GetSysColorBrush(state->check == BST_CHECKED && enabled ? COLOR_WINDOWTEXT : COLOR_BTNSHADOW);
  if (IsRadioKind(kind)) {
    HGDIOBJ oldPen = SelectObject(dc, CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
    HGDIOBJ oldBrush = SelectObject(dc, ground);
    Ellipse(dc, box.left, box.top, box.right, box.bottom);
    if (state->check != BST_UNCHECKED) {
      SelectObject(dc, markInk);
      SelectObject(dc, GetStockObject(NULL_PEN));
      Ellipse(dc, box.left + 4, box.top + 4, box.right - 3, box.bottom - 3);
    }
    SelectObject(dc, oldBrush);
    DeleteObject(SelectObject(dc, oldPen));
  } else {
    FillRect(dc, &box, ground);
    FrameRect(dc, &box, GetSysColorBrush(COLOR_BTNSHADOW));
    if (state->check != BST_UNCHECKED) {
      RECT mark = box;
      InflateRect(&mark, -3, -3);
      FillRect(dc, &mark, markInk);
    }
  }
  RECT label{box.right + 4, rect.top, rect.right, rect.bottom};
  DrawText(dc, text.c_str(), -1, &label,
           DT_LEFT | DT_VCENTER | ((StyleOf(hWnd) & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE));
}

LRESULT ButtonProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = StateOf<ButtonState>(hWnd);
  switch (message) {
    case WM_NCCREATE: AttachState<ButtonState>(hWnd); break;
    case WM_NCDESTROY: DropState<ButtonState>(hWnd); break;
    case WM_PAINT: PaintButton(hWnd, state); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_NCHITTEST:
      if (ButtonKind(hWnd) == BS_GROUPBOX) return HTTRANSPARENT;
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetFocus(hWnd);
      SetCapture(hWnd);
      state->pushed = state->tracking = true;
      InvalidateRect(hWnd, nullptr, TRUE);
      return 0;
    case WM_MOUSEMOVE:
      if (state->tracking) {
        RECT client;
        GetClientRect(hWnd, &client);
        bool inside = PtInRect(&client, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (inside != state->pushed) {
          state->pushed = inside;
          InvalidateRect(hWnd, nullptr, TRUE);
        }
      }
      return 0;
    case WM_LBUTTONUP:
      if (state->tracking) {
        bool click = state->pushed;
        state->pushed = state->tracking = false;
        ReleaseCapture();
        InvalidateRect(hWnd, nullptr, TRUE);
        if (click) ClickButton(hWnd, state);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (state->tracking && reinterpret_cast<HWND>(lParam) != hWnd) {
        state->pushed = state->tracking = false;
        InvalidateRect(hWnd, nullptr, TRUE);
      }
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE) {
        state->pushed = true;
        InvalidateRect(hWnd, nullptr, TRUE);
        return 0;
      }
      break;
    case WM_KEYUP:
      if (wParam == VK_SPACE && state->pushed) {
        state->pushed = false;
        ClickButton(hWnd, state);
        return 0;
      }
      break;
    case WM_GETDLGCODE: {
      DWORD kind = ButtonKind(hWnd);
      if (kind == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
      if (IsPushKind(kind)) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      if (IsRadioKind(kind)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
      if (kind == BS_GROUPBOX) return DLGC_STATIC;
      return DLGC_BUTTON;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(hWnd, nullptr, TRUE);
      if (StyleOf(hWnd) & BS_NOTIFY) Notify(hWnd, message == WM_SETFOCUS ? BN_SETFOCUS : BN_KILLFOCUS);
      return 0;
    case WM_ENABLE: InvalidateRect(hWnd, nullptr, TRUE); return 0;
    case BM_GETCHECK: return state->check;
    case BM_SETCHECK:
      state->check = static_cast<UINT>(wParam) & 3u;
      InvalidateRect(hWnd, nullptr, TRUE);
      return 0;
    case BM_GETSTATE:
      return state->check | (state->pushed ? BST_PUSHED : 0) | (GetFocus() == hWnd ? BST_FOCUS : 0);
    case BM_SETSTATE:
      state->pushed = wParam != 0;
      InvalidateRect(hWnd, nullptr, TRUE);
      return 0;
    case BM_SETSTYLE:
      SetWindowLongPtr(hWnd, GWL_STYLE, (StyleOf(hWnd) & ~0xFFFFul) | (wParam & 0xFFFF));
      return 0;
    case BM_CLICK: ClickButton(hWnd, state); return 0;
    case BM_SETIMAGE: {
      HANDLE old = state->image;
      state->image = reinterpret_cast<HANDLE>(lParam);
      InvalidateRect(hWnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case BM_GETIMAGE: return reinterpret_cast<LRESULT>(state->image);
    default: break;
  }
  return DefWindowProc(hWnd, message, wParam, lParam);
}

}  // namespace

void RegisterButtonControl() { RegisterControlClass(WC_BUTTON, &ButtonProc, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, COLOR_BTNFACE); }

}  // namespace qh::ui
