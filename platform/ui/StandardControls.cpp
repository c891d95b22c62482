// The static control (text, bitmap and icon) and the registration of the standard controls; the
// others have a file each (Button, Edit, ListBox, ComboBox, ScrollBarControl). They draw themselves
// plainly and tell their parent what happened with the platform's notifications.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/core/Cp1252.h"
#include "platform/ui/CommCtrl.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Input.h"
#include "platform/ui/ControlSupport.h"
#include "platform/ui/WindowRecord.h"
#include "platform/ui/gdi/Gdi.h"

namespace qh::ui {

HBITMAP IconBitmap(HICON icon);
BOOL DrawIconSized(HDC dc, int x, int y, HICON icon, int width, int height);

namespace {

// ---- Statics ------------------------------------------------------------------------------------------
struct StaticState {
  HANDLE image = nullptr;
  UINT imageType = IMAGE_BITMAP;
};

// An icon centred in the static's area.
void DrawIconPicture(HDC dc, const RECT& area, HICON icon) {
  BITMAP info{};
  HBITMAP bitmap = IconBitmap(icon);
  if (!bitmap) return;
  GetObject(bitmap, sizeof info, &info);
  DeleteObject(bitmap);
  DrawIcon(dc, area.left + (area.right - area.left - info.bmWidth) / 2, area.top + (area.bottom - area.top - info.bmHeight) / 2, icon);
}

void PaintStatic(HWND hWnd, StaticState* state) {
  ControlPaint paint(hWnd, WM_CTLCOLORSTATIC);
  if (!paint.dc) return;
  HDC dc = paint.dc;
  DWORD style = StyleOf(hWnd);
  DWORD kind = style & SS_TYPEMASK;
  FillRect(dc, &paint.client, paint.brush);
  if (kind == SS_BITMAP) {
    auto bitmap = reinterpret_cast<HBITMAP>(state->image);
    BITMAP info{};
    if (!bitmap || !GetObject(bitmap, sizeof info, &info)) return;
    int x = 0, y = 0;
    if (style & SS_CENTERIMAGE) {
      x = (paint.client.right - info.bmWidth) / 2;
      y = (paint.client.bottom - info.bmHeight) / 2;
    }
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(dc, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    return;
  }
  if (kind == SS_ICON) {
    DrawIconPicture(dc, paint.client, reinterpret_cast<HICON>(state->image));
    return;
  }
  if (kind == SS_BLACKRECT || kind == SS_GRAYRECT || kind == SS_WHITERECT) {
    int color = kind == SS_BLACKRECT ? COLOR_3DDKSHADOW : kind == SS_GRAYRECT ? COLOR_BTNSHADOW : COLOR_WINDOW;
    FillRect(dc, &paint.client, GetSysColorBrush(color));
    return;
  }
  if (kind == SS_BLACKFRAME || kind == SS_ETCHEDFRAME) {
    FrameRect(dc, &paint.client, GetSysColorBrush(COLOR_BTNSHADOW));
    return;
  }
  UINT format = DT_WORDBREAK;
  if (kind == SS_CENTER) format |= DT_CENTER;
  if (kind == SS_RIGHT) format |= DT_RIGHT;
  if (kind == SS_SIMPLE || kind == SS_LEFTNOWORDWRAP) format = DT_SINGLELINE;
  if (style & SS_CENTERIMAGE) format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
  if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
  SetBkMode(dc, TRANSPARENT);
  if (!IsWindowEnabled(hWnd)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  std::string text = TextOf(hWnd);
  RECT rect = paint.client;
  DrawText(dc, text.c_str(), -1, &rect, format);
}

LRESULT StaticProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = StateOf<StaticState>(hWnd);
  switch (message) {
    case WM_NCCREATE: AttachState<StaticState>(hWnd); break;
    case WM_NCDESTROY: DropState<StaticState>(hWnd); break;
    case WM_PAINT: PaintStatic(hWnd, state); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_NCHITTEST: return (StyleOf(hWnd) & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
    case WM_LBUTTONDOWN:
      if (StyleOf(hWnd) & SS_NOTIFY) Notify(hWnd, STN_CLICKED);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (StyleOf(hWnd) & SS_NOTIFY) Notify(hWnd, STN_DBLCLK);
      return 0;
    case WM_GETDLGCODE: return DLGC_STATIC;
    case WM_ENABLE: InvalidateRect(hWnd, nullptr, TRUE); return 0;
    case STM_SETIMAGE:
    case STM_SETICON: {
      HANDLE old = state->image;
      state->image = reinterpret_cast<HANDLE>(message == STM_SETICON ? wParam : static_cast<WPARAM>(lParam));
      state->imageType = message == STM_SETICON ? IMAGE_ICON : static_cast<UINT>(wParam);
      InvalidateRect(hWnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETIMAGE:
    case STM_GETICON: return reinterpret_cast<LRESULT>(state->image);
    default: break;
  }
  return DefWindowProc(hWnd, message, wParam, lParam);
}

}  // namespace

void RegisterButtonControl();
void RegisterEditControl();
void RegisterListBoxControl();
void RegisterComboBox();
void RegisterScrollBarControl();

void RegisterStandardControls() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterButtonControl();
    RegisterControlClass(WC_STATIC, &StaticProc, CS_DBLCLKS, COLOR_BTNFACE);
    RegisterEditControl();
    RegisterListBoxControl();
    RegisterComboBox();
    RegisterScrollBarControl();
    RegisterControlClass(WC_DIALOG, &DefWindowProc, CS_DBLCLKS | CS_SAVEBITS, COLOR_BTNFACE);
  });
}

// The platform's icons are resource ids (LoadIcon); their pictures are the program's bitmap resources.
HBITMAP IconBitmap(HICON icon) {
  const auto value = reinterpret_cast<std::uintptr_t>(icon);
  if (!icon || (value & 0xF0000000u) != 0x20000000u) return nullptr;
  HBITMAP bitmap = LoadBitmap(nullptr, MAKEINTRESOURCE(static_cast<UINT>(value & 0xFFFFu)));
  BITMAP info{};
  if (bitmap && !GetObject(bitmap, sizeof info, &info)) {
    DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}

}  // namespace qh::ui

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) { return qh::ui::DrawIconSized(dc, x, y, icon, 0, 0); }

// The icon's picture at `width` by `height` (0: its own size); the caption draws the small icon with it.
BOOL qh::ui::DrawIconSized(HDC dc, int x, int y, HICON icon, int width, int height) {
  HBITMAP bitmap = qh::ui::IconBitmap(icon);
  if (!bitmap) return FALSE;
  BITMAP info{};
  GetObject(bitmap, sizeof info, &info);
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const BOOL drawn = StretchBlt(dc, x, y, width ? width : info.bmWidth, height ? height : info.bmHeight, memory, 0, 0,
                                info.bmWidth, info.bmHeight, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
  return drawn;
}
