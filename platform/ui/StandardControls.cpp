// The standard controls as window classes: push buttons, check boxes, radio buttons and group boxes,
// statics (text and bitmap), single-line edits with a limit, and list boxes (single and multiple
// selection, owner-drawn fixed). They draw themselves plainly and tell their parent what happened
// with the platform's notifications.
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
namespace {

// ---- Buttons ------------------------------------------------------------------------------------------
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
  // Check boxes and radio buttons: a 13-pixel box, then the text.
  FillRect(dc, &rect, paint.brush);
  int boxTop = (rect.bottom - rect.top - 13) / 2;
  RECT box{rect.left, boxTop, rect.left + 13, boxTop + 13};
  FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
  FrameRect(dc, &box, GetSysColorBrush(COLOR_BTNSHADOW));
  if (state->check != BST_UNCHECKED) {
    RECT mark = box;
    InflateRect(&mark, IsRadioKind(kind) ? -4 : -3, IsRadioKind(kind) ? -4 : -3);
    FillRect(dc, &mark, GetSysColorBrush(state->check == BST_CHECKED ? COLOR_WINDOWTEXT : COLOR_BTNSHADOW));
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

// ---- Statics ------------------------------------------------------------------------------------------
struct StaticState {
  HANDLE image = nullptr;
  UINT imageType = IMAGE_BITMAP;
};

// The platform's icons are resource ids (LoadIcon); their pictures are the program's bitmap resources.
void DrawIconPicture(HDC dc, const RECT& area, HICON icon) {
  const auto value = reinterpret_cast<std::uintptr_t>(icon);
  if (!icon || (value & 0xF0000000u) != 0x20000000u) return;
  HBITMAP bitmap = LoadBitmap(nullptr, MAKEINTRESOURCE(static_cast<UINT>(value & 0xFFFFu)));
  BITMAP info{};
  if (!bitmap || !GetObject(bitmap, sizeof info, &info)) return;
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(dc, area.left + (area.right - area.left - info.bmWidth) / 2, area.top + (area.bottom - area.top - info.bmHeight) / 2,
         info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
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

// ---- Edits --------------------------------------------------------------------------------------------
struct EditState {
  int firstLine = 0;  // multi-line edits: the line at the top
  std::size_t limit = 30000;
  int selStart = 0;
  int selEnd = 0;
  bool modified = false;
};

void ReplaceSelection(HWND hWnd, EditState* state, const std::string& insert, bool notify) {
  std::string text = TextOf(hWnd);
  int length = static_cast<int>(text.size());
  int start = std::clamp(std::min(state->selStart, state->selEnd), 0, length);
  int end = std::clamp(std::max(state->selStart, state->selEnd), 0, length);
  std::string piece = insert;
  DWORD style = StyleOf(hWnd);
  if (style & ES_UPPERCASE) Cp1252MakeUpper(piece);
  if (style & ES_LOWERCASE) Cp1252MakeLower(piece);
  std::size_t room = state->limit - std::min(state->limit, text.size() - static_cast<std::size_t>(end - start));
  bool truncated = piece.size() > room;
  if (truncated) piece.resize(room);
  text.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start), piece);
  state->selStart = state->selEnd = start + static_cast<int>(piece.size());
  DefWindowProc(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  state->modified = true;
  if (notify) {
    Notify(hWnd, EN_UPDATE);
    Notify(hWnd, EN_CHANGE);
  }
  if (truncated) Notify(hWnd, EN_MAXTEXT);
}

void TypeCharacter(HWND hWnd, EditState* state, unsigned char ch) {
  DWORD style = StyleOf(hWnd);
  if (style & ES_READONLY) return;
  if (ch == 0x08) {  // backspace: the selection, or the character before the caret
    if (state->selStart == state->selEnd && state->selStart > 0) --state->selStart;
    ReplaceSelection(hWnd, state, "", true);
    return;
  }
  if (ch == '\r') {
    if ((style & ES_MULTILINE) && (style & ES_WANTRETURN)) ReplaceSelection(hWnd, state, "\r\n", true);
    return;
  }
  if (ch < 0x20 && ch != '\t') return;
  if ((style & ES_NUMBER) && !std::isdigit(ch)) {
    MessageBeep(0);
    return;
  }
  std::size_t length = TextOf(hWnd).size();
  int selected = std::abs(state->selEnd - state->selStart);
  if (length - static_cast<std::size_t>(selected) >= state->limit) {
    Notify(hWnd, EN_MAXTEXT);
    return;
  }
  ReplaceSelection(hWnd, state, std::string(1, static_cast<char>(ch)), true);
}

constexpr int kEditLineHeight = 16;

// The starts of the lines of a multi-line text ("\r\n" or "\n" end a line).
std::vector<std::size_t> LineStarts(const std::string& text) {
  std::vector<std::size_t> starts{0};
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n') starts.push_back(i + 1);
  return starts;
}

std::size_t LineLength(const std::string& text, const std::vector<std::size_t>& starts, std::size_t line) {
  std::size_t end = line + 1 < starts.size() ? starts[line + 1] - 1 : text.size();
  if (end > starts[line] && text[end - 1] == '\r') --end;
  return end - starts[line];
}

int LineOf(const std::vector<std::size_t>& starts, std::size_t offset) {
  return static_cast<int>(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin()) - 1;
}

void ScrollToLine(HWND hWnd, EditState* state, int line) {
  int count = static_cast<int>(LineStarts(TextOf(hWnd)).size());
  state->firstLine = std::clamp(line, 0, std::max(0, count - 1));
  InvalidateRect(hWnd, nullptr, TRUE);
}

void PaintMultiLine(HDC dc, HWND hWnd, const EditState* state, RECT rect) {
  std::string text = TextOf(hWnd);
  std::vector<std::size_t> starts = LineStarts(text);
  for (std::size_t line = static_cast<std::size_t>(state->firstLine); line < starts.size() && rect.top < rect.bottom; ++line) {
    RECT row{rect.left, rect.top, rect.right, rect.top + kEditLineHeight};
    DrawText(dc, text.c_str() + starts[line], static_cast<int>(LineLength(text, starts, line)), &row,
             DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER);
    rect.top += kEditLineHeight;
  }
}

void PaintEdit(HWND hWnd, EditState* state) {
  ControlPaint paint(hWnd, (StyleOf(hWnd) & ES_READONLY) || !IsWindowEnabled(hWnd) ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
  if (!paint.dc) return;
  FillRect(paint.dc, &paint.client, paint.brush);
  std::string text = TextOf(hWnd);
  if (StyleOf(hWnd) & ES_PASSWORD) text.assign(text.size(), '*');
  RECT rect = paint.client;
  InflateRect(&rect, -2, -1);
  SetBkMode(paint.dc, TRANSPARENT);
  DWORD style = StyleOf(hWnd);
  if (style & ES_MULTILINE) {
    PaintMultiLine(paint.dc, hWnd, state, rect);
    return;
  }
  UINT format = DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER;
  if (style & ES_CENTER) format |= DT_CENTER;
  if (style & ES_RIGHT) format |= DT_RIGHT;
  DrawText(paint.dc, text.c_str(), -1, &rect, format);
}

LRESULT EditProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = StateOf<EditState>(hWnd);
  switch (message) {
    case WM_NCCREATE: AttachState<EditState>(hWnd); break;
    case WM_NCDESTROY: DropState<EditState>(hWnd); break;
    case WM_PAINT: PaintEdit(hWnd, state); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETTEXT: {
      LRESULT result = DefWindowProc(hWnd, message, wParam, lParam);
      int length = GetWindowTextLength(hWnd);
      state->selStart = state->selEnd = length;
      state->modified = false;
      Notify(hWnd, EN_CHANGE);
      return result;
    }
    case WM_CHAR: TypeCharacter(hWnd, state, static_cast<unsigned char>(wParam)); return 0;
    case WM_KEYDOWN: {
      int length = GetWindowTextLength(hWnd);
      if (wParam == VK_HOME) state->selStart = state->selEnd = 0;
      if (wParam == VK_END) state->selStart = state->selEnd = length;
      if (wParam == VK_LEFT) state->selStart = state->selEnd = std::max(0, std::min(state->selStart, state->selEnd) - 1);
      if (wParam == VK_RIGHT) state->selStart = state->selEnd = std::min(length, std::max(state->selStart, state->selEnd) + 1);
      if (wParam == VK_DELETE && !(StyleOf(hWnd) & ES_READONLY)) {
        if (state->selStart == state->selEnd && state->selEnd < length) ++state->selEnd;
        ReplaceSelection(hWnd, state, "", true);
      }
      return 0;
    }
    case WM_LBUTTONDOWN: SetFocus(hWnd); return 0;
    case WM_SETFOCUS:
      state->selStart = 0;  // tabbing into an edit selects its text
      state->selEnd = GetWindowTextLength(hWnd);
      InvalidateRect(hWnd, nullptr, TRUE);
      Notify(hWnd, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      InvalidateRect(hWnd, nullptr, TRUE);
      Notify(hWnd, EN_KILLFOCUS);
      return 0;
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
      if ((StyleOf(hWnd) & (ES_MULTILINE | ES_WANTRETURN)) == (ES_MULTILINE | ES_WANTRETURN)) code |= DLGC_WANTALLKEYS;
      return code;
    }
    case EM_LIMITTEXT: state->limit = wParam ? static_cast<std::size_t>(wParam) : 0x7FFFFFFE; return 0;
    case EM_GETLIMITTEXT: return static_cast<LRESULT>(state->limit);
    case EM_SETSEL: {
      int length = GetWindowTextLength(hWnd);
      int start = static_cast<int>(static_cast<INT_PTR>(wParam));
      int end = static_cast<int>(lParam);
      if (start < 0) {
        state->selStart = state->selEnd = std::clamp(state->selEnd, 0, length);
      } else {
        state->selStart = std::min(start, length);
        state->selEnd = end < 0 ? length : std::min(end, length);
      }
      return 0;
    }
    case EM_GETSEL: {
      DWORD start = static_cast<DWORD>(std::min(state->selStart, state->selEnd));
      DWORD end = static_cast<DWORD>(std::max(state->selStart, state->selEnd));
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
      return MAKELONG(static_cast<WORD>(start), static_cast<WORD>(end));
    }
    case EM_REPLACESEL:
      ReplaceSelection(hWnd, state, lParam ? reinterpret_cast<const char*>(lParam) : "", true);
      return 0;
    case EM_GETMODIFY: return state->modified ? TRUE : FALSE;
    case EM_SETMODIFY: state->modified = wParam != 0; return 0;
    case EM_SETREADONLY:
      SetWindowLongPtr(hWnd, GWL_STYLE, wParam ? (StyleOf(hWnd) | ES_READONLY) : (StyleOf(hWnd) & ~static_cast<DWORD>(ES_READONLY)));
      return TRUE;
    case EM_GETLINECOUNT: return static_cast<LRESULT>(LineStarts(TextOf(hWnd)).size());
    case EM_GETFIRSTVISIBLELINE: return state->firstLine;
    case EM_LINESCROLL: ScrollToLine(hWnd, state, state->firstLine + static_cast<int>(lParam)); return TRUE;
    case EM_SCROLLCARET: {
      std::vector<std::size_t> starts = LineStarts(TextOf(hWnd));
      int caretLine = LineOf(starts, static_cast<std::size_t>(std::max(state->selEnd, 0)));
      RECT client;
      GetClientRect(hWnd, &client);
      int rows = std::max(1, static_cast<int>(client.bottom) / kEditLineHeight);
      if (caretLine < state->firstLine) ScrollToLine(hWnd, state, caretLine);
      if (caretLine >= state->firstLine + rows) ScrollToLine(hWnd, state, caretLine - rows + 1);
      return TRUE;
    }
    case EM_LINEINDEX: {
      std::vector<std::size_t> starts = LineStarts(TextOf(hWnd));
      auto line = static_cast<INT_PTR>(wParam);
      if (line < 0) line = LineOf(starts, static_cast<std::size_t>(std::max(state->selEnd, 0)));
      return static_cast<std::size_t>(line) < starts.size() ? static_cast<LRESULT>(starts[line]) : -1;
    }
    case EM_LINEFROMCHAR: {
      std::vector<std::size_t> starts = LineStarts(TextOf(hWnd));
      auto offset = static_cast<INT_PTR>(wParam);
      return LineOf(starts, static_cast<std::size_t>(offset < 0 ? std::max(state->selEnd, 0) : offset));
    }
    case EM_LINELENGTH: {
      std::string text = TextOf(hWnd);
      std::vector<std::size_t> starts = LineStarts(text);
      auto offset = static_cast<INT_PTR>(wParam);
      int line = LineOf(starts, static_cast<std::size_t>(offset < 0 ? std::max(state->selEnd, 0) : std::min<INT_PTR>(offset, static_cast<INT_PTR>(text.size()))));
      return static_cast<LRESULT>(LineLength(text, starts, static_cast<std::size_t>(line)));
    }
    case EM_GETLINE: {
      std::string text = TextOf(hWnd);
      std::vector<std::size_t> starts = LineStarts(text);
      auto* buffer = reinterpret_cast<char*>(lParam);
      if (!buffer || wParam >= starts.size()) return 0;
      std::size_t room = *reinterpret_cast<WORD*>(buffer);  // the first word of the buffer holds its size
      std::size_t length = std::min(room, LineLength(text, starts, wParam));
      std::memcpy(buffer, text.data() + starts[wParam], length);
      return static_cast<LRESULT>(length);
    }
    default: break;
  }
  return DefWindowProc(hWnd, message, wParam, lParam);
}

// ---- List boxes ---------------------------------------------------------------------------------------
struct ListItem {
  std::string text;
  ULONG_PTR data = 0;
  bool selected = false;
  int check = 0;  // the check state a check list box keeps per item
};
struct ListState {
  std::vector<ListItem> items;
  int current = LB_ERR;  // selection of a single-selection list; caret of a multiple one
  int anchor = 0;        // where a Shift range of an extended-selection list starts
  int top = 0;
  int itemHeight = 16;
  int thumbGrab = -1;  // while the scroll bar's thumb is dragged: the pointer's offset into it
};

bool IsMulti(HWND hWnd) { return (StyleOf(hWnd) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }
bool IsOwnerDraw(HWND hWnd) { return (StyleOf(hWnd) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }
bool HasStrings(HWND hWnd) { return !IsOwnerDraw(hWnd) || (StyleOf(hWnd) & LBS_HASSTRINGS); }
bool ValidIndex(const ListState* state, WPARAM index) { return static_cast<std::size_t>(index) < state->items.size(); }

int VisibleRows(HWND hWnd, const ListState* state) {
  RECT client;
  GetClientRect(hWnd, &client);
  return std::max(1, static_cast<int>(client.bottom / std::max(1, state->itemHeight)));
}

void EnsureVisible(HWND hWnd, ListState* state, int index) {
  if (index < 0) return;
  int rows = VisibleRows(hWnd, state);
  if (index < state->top) state->top = index;
  if (index >= state->top + rows) state->top = index - rows + 1;
}

// ---- The list's own vertical scroll bar (WS_VSCROLL): shown while the lines do not fit, drawn at the
// right edge of the client area, with arrows, a track and a thumb that can be dragged.
constexpr int kListBarWidth = 16;

int LastTop(HWND hWnd, const ListState* state) {
  return std::max(0, static_cast<int>(state->items.size()) - VisibleRows(hWnd, state));
}

bool ListBarShown(HWND hWnd, const ListState* state) {
  return (StyleOf(hWnd) & WS_VSCROLL) && LastTop(hWnd, state) > 0;
}

RECT ListBarRect(HWND hWnd) {
  RECT client;
  GetClientRect(hWnd, &client);
  return RECT{std::max<LONG>(0, client.right - kListBarWidth), 0, client.right, client.bottom};
}

// The thumb's place in the track between the two arrow boxes.
RECT ListThumbRect(HWND hWnd, const ListState* state) {
  const RECT bar = ListBarRect(hWnd);
  const int track = std::max<LONG>(0, bar.bottom - bar.top - 2 * kListBarWidth);
  const int count = std::max(1, static_cast<int>(state->items.size()));
  const int rows = VisibleRows(hWnd, state);
  const int length = std::clamp(track * rows / count, std::min(track, 8), track);
  const int last = std::max(1, LastTop(hWnd, state));
  const int offset = (track - length) * std::min(state->top, last) / last;
  const int top = bar.top + kListBarWidth + offset;
  return RECT{bar.left, top, bar.right, top + length};
}

int ListWidth(HWND hWnd, const ListState* state) {
  RECT client;
  GetClientRect(hWnd, &client);
  return ListBarShown(hWnd, state) ? std::max<LONG>(0, client.right - kListBarWidth) : client.right;
}

void ScrollListTo(HWND hWnd, ListState* state, int top) {
  top = std::clamp(top, 0, LastTop(hWnd, state));
  if (top == state->top) return;
  state->top = top;
  InvalidateRect(hWnd, nullptr, TRUE);
}

void PaintListBar(HDC dc, HWND hWnd, const ListState* state) {
  const RECT bar = ListBarRect(hWnd);
  FillRect(dc, &bar, GetSysColorBrush(COLOR_SCROLLBAR));
  const RECT up{bar.left, bar.top, bar.right, bar.top + kListBarWidth};
  const RECT down{bar.left, bar.bottom - kListBarWidth, bar.right, bar.bottom};
  const RECT thumb = ListThumbRect(hWnd, state);
  for (const RECT& box : {up, down, thumb}) {
    FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
    FrameRect(dc, &box, GetSysColorBrush(COLOR_BTNSHADOW));
  }
  // Arrow heads.
  HBRUSH ink = GetSysColorBrush(COLOR_BTNTEXT);
  const int cx = (bar.left + bar.right) / 2;
  for (int i = 0; i < 4; ++i) {
    const RECT upRow{cx - i, up.top + 6 + i, cx + i + 1, up.top + 7 + i};
    const RECT downRow{cx - i, down.bottom - 7 - i, cx + i + 1, down.bottom - 6 - i};
    FillRect(dc, &upRow, ink);
    FillRect(dc, &downRow, ink);
  }
}

// A press on the bar: true when it was on the bar (the list then does not select).
bool ClickListBar(HWND hWnd, ListState* state, POINT at) {
  if (!ListBarShown(hWnd, state)) return false;
  const RECT bar = ListBarRect(hWnd);
  if (at.x < bar.left) return false;
  const RECT thumb = ListThumbRect(hWnd, state);
  const int rows = VisibleRows(hWnd, state);
  if (at.y < bar.top + kListBarWidth) ScrollListTo(hWnd, state, state->top - 1);
  else if (at.y >= bar.bottom - kListBarWidth) ScrollListTo(hWnd, state, state->top + 1);
  else if (at.y < thumb.top) ScrollListTo(hWnd, state, state->top - rows);
  else if (at.y >= thumb.bottom) ScrollListTo(hWnd, state, state->top + rows);
  else {
    state->thumbGrab = at.y - thumb.top;
    SetCapture(hWnd);
  }
  return true;
}

void DragListThumb(HWND hWnd, ListState* state, int y) {
  const RECT bar = ListBarRect(hWnd);
  const RECT thumb = ListThumbRect(hWnd, state);
  const int track = std::max<LONG>(0, bar.bottom - bar.top - 2 * kListBarWidth);
  const int room = std::max<LONG>(1, track - (thumb.bottom - thumb.top));
  const int offset = std::clamp(y - state->thumbGrab - (bar.top + kListBarWidth), 0, room);
  ScrollListTo(hWnd, state, (offset * LastTop(hWnd, state) + room / 2) / room);
}

int ScrollCode(HWND hWnd, ListState* state, WPARAM wParam) {
  const int rows = VisibleRows(hWnd, state);
  switch (LOWORD(wParam)) {
    case SB_LINEUP: return state->top - 1;
    case SB_LINEDOWN: return state->top + 1;
    case SB_PAGEUP: return state->top - rows;
    case SB_PAGEDOWN: return state->top + rows;
    case SB_TOP: return 0;
    case SB_BOTTOM: return LastTop(hWnd, state);
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: return static_cast<SHORT>(HIWORD(wParam));
    default: return state->top;
  }
}

int InsertItem(HWND hWnd, ListState* state, int index, const char* text, LPARAM raw) {
  ListItem item;
  if (HasStrings(hWnd))
    item.text = text ? text : "";
  else
    item.data = static_cast<ULONG_PTR>(raw);
  if (index < 0 || static_cast<std::size_t>(index) > state->items.size()) index = static_cast<int>(state->items.size());
  state->items.insert(state->items.begin() + index, item);
  if (state->current >= index) ++state->current;
  InvalidateRect(hWnd, nullptr, TRUE);
  return index;
}

int SortedPosition(const ListState* state, const char* text) {
  auto it = std::upper_bound(state->items.begin(), state->items.end(), std::string(text ? text : ""),
                             [](const std::string& a, const ListItem& b) { return Cp1252CompareNoCase(a, b.text) < 0; });
  return static_cast<int>(it - state->items.begin());
}

int FindItem(const ListState* state, WPARAM after, const char* text, bool exact) {
  return FindItemText(state->items, after, text, exact);  // LB_ERR when none
}

void SelectSingle(HWND hWnd, ListState* state, int index, bool notify) {
  if (index == state->current) return;
  state->current = index;
  EnsureVisible(hWnd, state, index);
  InvalidateRect(hWnd, nullptr, TRUE);
  if (notify && (StyleOf(hWnd) & LBS_NOTIFY)) Notify(hWnd, LBN_SELCHANGE);
}

RECT ItemRect(const ListState* state, int index) {
  int top = (index - state->top) * state->itemHeight;
  return RECT{0, top, 0, top + state->itemHeight};
}

void PaintList(HWND hWnd, ListState* state) {
  ControlPaint paint(hWnd, WM_CTLCOLORLISTBOX);
  if (!paint.dc) return;
  HDC dc = paint.dc;
  FillRect(dc, &paint.client, paint.brush);
  int rows = VisibleRows(hWnd, state) + 1;
  bool focused = GetFocus() == hWnd;
  const int width = ListWidth(hWnd, state);
  for (int i = state->top; i < static_cast<int>(state->items.size()) && i < state->top + rows; ++i) {
    RECT rect = ItemRect(state, i);
    rect.right = width;
    bool selected = IsMulti(hWnd) ? state->items[i].selected : i == state->current;
    if (IsOwnerDraw(hWnd)) {
      DRAWITEMSTRUCT draw;
      draw.CtlType = ODT_LISTBOX;
      draw.CtlID = static_cast<UINT>(GetDlgCtrlID(hWnd));
      draw.itemID = static_cast<UINT>(i);
      draw.itemAction = ODA_DRAWENTIRE;
      draw.itemState = (selected ? ODS_SELECTED : 0) | (focused && i == state->current ? ODS_FOCUS : 0) |
                       (IsWindowEnabled(hWnd) ? 0 : ODS_DISABLED);
      draw.hwndItem = hWnd;
      draw.hDC = dc;
      draw.rcItem = rect;
      draw.itemData = state->items[i].data;
      SendMessage(GetParent(hWnd), WM_DRAWITEM, draw.CtlID, reinterpret_cast<LPARAM>(&draw));
      continue;
    }
    if (selected) FillRect(dc, &rect, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT textRect = rect;
    textRect.left += 2;
    DrawText(dc, state->items[i].text.c_str(), -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  if (ListBarShown(hWnd, state)) PaintListBar(dc, hWnd, state);
}

int ItemAt(const ListState* state, int y) {
  int index = state->top + y / std::max(1, state->itemHeight);
  return index >= 0 && index < static_cast<int>(state->items.size()) ? index : LB_ERR;
}

// An extended-selection list: a plain click (or move) selects the one item and sets the anchor, Ctrl
// toggles the item and moves the anchor, Shift selects from the anchor to the item (Ctrl+Shift adds
// that range to what is selected).
void ExtendSelection(HWND hWnd, ListState* state, int index, bool shift, bool control) {
  if (shift) {
    if (!control)
      for (ListItem& item : state->items) item.selected = false;
    const int first = std::min(state->anchor, index), last = std::max(state->anchor, index);
    for (int i = first; i <= last && i < static_cast<int>(state->items.size()); ++i) state->items[i].selected = true;
  } else if (control) {
    state->items[index].selected = !state->items[index].selected;
    state->anchor = index;
  } else {
    for (ListItem& item : state->items) item.selected = false;
    state->items[index].selected = true;
    state->anchor = index;
  }
  state->current = index;
  InvalidateRect(hWnd, nullptr, TRUE);
  if (StyleOf(hWnd) & LBS_NOTIFY) Notify(hWnd, LBN_SELCHANGE);
}

void ClickItem(HWND hWnd, ListState* state, int index, WPARAM keys = 0) {
  if (index == LB_ERR || (StyleOf(hWnd) & LBS_NOSEL)) return;
  if (StyleOf(hWnd) & LBS_EXTENDEDSEL) {
    ExtendSelection(hWnd, state, index, (keys & MK_SHIFT) != 0, (keys & MK_CONTROL) != 0);
    return;
  }
  if (IsMulti(hWnd)) {
    state->items[index].selected = !state->items[index].selected;
    state->current = index;
    InvalidateRect(hWnd, nullptr, TRUE);
    if (StyleOf(hWnd) & LBS_NOTIFY) Notify(hWnd, LBN_SELCHANGE);
  } else {
    SelectSingle(hWnd, state, index, true);
  }
}

void MeasureFixedHeight(HWND hWnd, ListState* state) {
  if (!(StyleOf(hWnd) & LBS_OWNERDRAWFIXED)) return;
  MEASUREITEMSTRUCT measure;
  measure.CtlType = ODT_LISTBOX;
  measure.CtlID = static_cast<UINT>(GetDlgCtrlID(hWnd));
  measure.itemHeight = static_cast<UINT>(state->itemHeight);
  RECT client;
  GetClientRect(hWnd, &client);
  measure.itemWidth = static_cast<UINT>(client.right);
  SendMessage(GetParent(hWnd), WM_MEASUREITEM, measure.CtlID, reinterpret_cast<LPARAM>(&measure));
  if (measure.itemHeight > 0) state->itemHeight = static_cast<int>(measure.itemHeight);
}

LRESULT ListProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = StateOf<ListState>(hWnd);
  switch (message) {
    case WM_NCCREATE: AttachState<ListState>(hWnd); break;
    case WM_NCDESTROY: DropState<ListState>(hWnd); break;
    case WM_CREATE: MeasureFixedHeight(hWnd, state); return 0;
    case WM_PAINT: PaintList(hWnd, state); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN:
      if (!(GetWindowLong(hWnd, GWL_EXSTYLE) & WS_EX_NOACTIVATE)) SetFocus(hWnd);
      if (ClickListBar(hWnd, state, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) return 0;
      ClickItem(hWnd, state, ItemAt(state, GET_Y_LPARAM(lParam)), wParam);
      return 0;
    case WM_MOUSEMOVE:
      if (state->thumbGrab >= 0) DragListThumb(hWnd, state, GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONUP:
      if (state->thumbGrab >= 0) {
        state->thumbGrab = -1;
        if (GetCapture() == hWnd) ReleaseCapture();
      }
      return 0;
    case WM_CAPTURECHANGED: state->thumbGrab = -1; return 0;
    case WM_VSCROLL: ScrollListTo(hWnd, state, ScrollCode(hWnd, state, wParam)); return 0;
    case WM_LBUTTONDBLCLK:
      if (ListBarShown(hWnd, state) && GET_X_LPARAM(lParam) >= ListBarRect(hWnd).left) {
        ClickListBar(hWnd, state, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
      }
      if (ItemAt(state, GET_Y_LPARAM(lParam)) != LB_ERR && (StyleOf(hWnd) & LBS_NOTIFY)) Notify(hWnd, LBN_DBLCLK);
      return 0;
    case WM_MOUSEWHEEL: {
      // Three lines a notch, as the platform's default; the selection stays.
      const int notches = static_cast<SHORT>(HIWORD(wParam)) / WHEEL_DELTA;
      ScrollListTo(hWnd, state, state->top - 3 * notches);
      return 0;
    }
    case WM_KEYDOWN: {
      if (wParam == VK_F10) break;  // Shift+F10 asks for the context menu
      int count = static_cast<int>(state->items.size());
      if (count == 0) return 0;
      int next = state->current;
      if (wParam == VK_DOWN) next = std::min(count - 1, next + 1);
      if (wParam == VK_UP) next = std::max(0, next - 1);
      if (wParam == VK_HOME) next = 0;
      if (wParam == VK_END) next = count - 1;
      if (wParam == VK_NEXT) next = std::min(count - 1, std::max(0, next) + VisibleRows(hWnd, state));
      if (wParam == VK_PRIOR) next = std::max(0, next - VisibleRows(hWnd, state));
      if (next != state->current && !IsMulti(hWnd)) SelectSingle(hWnd, state, next, true);
      if ((StyleOf(hWnd) & LBS_EXTENDEDSEL) && next != state->current && next >= 0) {
        ExtendSelection(hWnd, state, next, GetKeyState(VK_SHIFT) < 0, false);
      } else if (IsMulti(hWnd)) {
        state->current = next;
        if (wParam == VK_SPACE) ClickItem(hWnd, state, next);
      }
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(hWnd, nullptr, TRUE);
      if (StyleOf(hWnd) & LBS_NOTIFY) Notify(hWnd, message == WM_SETFOCUS ? LBN_SETFOCUS : LBN_KILLFOCUS);
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case LB_ADDSTRING: {
      const char* text = reinterpret_cast<const char*>(lParam);
      int at = (StyleOf(hWnd) & LBS_SORT) && HasStrings(hWnd) ? SortedPosition(state, text) : -1;
      return InsertItem(hWnd, state, at, text, lParam);
    }
    case LB_INSERTSTRING:
      return InsertItem(hWnd, state, static_cast<int>(static_cast<INT_PTR>(wParam)), reinterpret_cast<const char*>(lParam), lParam);
    case LB_DELETESTRING: {
      if (!ValidIndex(state, wParam)) return LB_ERR;
      state->items.erase(state->items.begin() + static_cast<std::ptrdiff_t>(wParam));
      if (state->current == static_cast<int>(wParam)) state->current = LB_ERR;
      else if (state->current > static_cast<int>(wParam)) --state->current;
      state->top = std::min(state->top, std::max(0, static_cast<int>(state->items.size()) - 1));
      InvalidateRect(hWnd, nullptr, TRUE);
      return static_cast<LRESULT>(state->items.size());
    }
    case LB_RESETCONTENT:
      state->items.clear();
      state->current = LB_ERR;
      state->top = 0;
      InvalidateRect(hWnd, nullptr, TRUE);
      return 0;
    case LB_GETCOUNT: return static_cast<LRESULT>(state->items.size());
    case LB_GETCURSEL:
      if (IsMulti(hWnd)) return state->current;
      return state->current;
    case LB_SETCURSEL: {
      if (IsMulti(hWnd)) return LB_ERR;
      int index = ValidIndex(state, wParam) ? static_cast<int>(wParam) : LB_ERR;
      SelectSingle(hWnd, state, index, false);
      return static_cast<INT_PTR>(wParam) == -1 || index != LB_ERR ? index : LB_ERR;
    }
    case LB_GETTEXT: {
      if (!ValidIndex(state, wParam) || !lParam) return LB_ERR;
      const std::string& text = state->items[wParam].text;
      std::memcpy(reinterpret_cast<char*>(lParam), text.c_str(), text.size() + 1);
      return static_cast<LRESULT>(text.size());
    }
    case LB_GETTEXTLEN:
      return ValidIndex(state, wParam) ? static_cast<LRESULT>(state->items[wParam].text.size()) : LB_ERR;
    case LB_GETITEMDATA: return ValidIndex(state, wParam) ? static_cast<LRESULT>(state->items[wParam].data) : LB_ERR;
    case LB_SETITEMDATA:
      if (!ValidIndex(state, wParam)) return LB_ERR;
      state->items[wParam].data = static_cast<ULONG_PTR>(lParam);
      return LB_OKAY;
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
      return FindItem(state, wParam, reinterpret_cast<const char*>(lParam), message == LB_FINDSTRINGEXACT);
    case LB_SELECTSTRING: {
      int index = FindItem(state, wParam, reinterpret_cast<const char*>(lParam), false);
      if (index != LB_ERR && !IsMulti(hWnd)) SelectSingle(hWnd, state, index, false);
      return index;
    }
    case LB_GETSEL:
      if (!ValidIndex(state, wParam)) return LB_ERR;
      return IsMulti(hWnd) ? state->items[wParam].selected : static_cast<int>(wParam) == state->current;
    case LB_SETSEL: {
      if (!IsMulti(hWnd)) return LB_ERR;
      auto index = static_cast<INT_PTR>(lParam);
      if (index == -1) {
        for (ListItem& item : state->items) item.selected = wParam != 0;
      } else if (ValidIndex(state, static_cast<WPARAM>(index))) {
        state->items[static_cast<std::size_t>(index)].selected = wParam != 0;
      } else {
        return LB_ERR;
      }
      InvalidateRect(hWnd, nullptr, TRUE);
      return LB_OKAY;
    }
    case LB_SELITEMRANGE: {
      if (!IsMulti(hWnd)) return LB_ERR;
      int first = LOWORD(static_cast<DWORD>(lParam)), last = HIWORD(static_cast<DWORD>(lParam));
      for (int i = std::min(first, last); i <= std::max(first, last) && i < static_cast<int>(state->items.size()); ++i)
        state->items[i].selected = wParam != 0;
      InvalidateRect(hWnd, nullptr, TRUE);
      return LB_OKAY;
    }
    case LB_GETSELCOUNT:
      if (!IsMulti(hWnd)) return LB_ERR;
      return std::count_if(state->items.begin(), state->items.end(), [](const ListItem& i) { return i.selected; });
    case LB_GETSELITEMS: {
      if (!IsMulti(hWnd)) return LB_ERR;
      auto* out = reinterpret_cast<int*>(lParam);
      int written = 0;
      for (int i = 0; i < static_cast<int>(state->items.size()) && written < static_cast<int>(wParam); ++i)
        if (state->items[i].selected) out[written++] = i;
      return written;
    }
    case LB_GETTOPINDEX: return state->top;
    case LB_SETTOPINDEX:
      if (!ValidIndex(state, wParam) && wParam != 0) return LB_ERR;
      state->top = static_cast<int>(wParam);
      InvalidateRect(hWnd, nullptr, TRUE);
      return LB_OKAY;
    case LB_GETCARETINDEX: return state->current;
    case LB_SETCARETINDEX:
      if (!ValidIndex(state, wParam)) return LB_ERR;
      state->current = static_cast<int>(wParam);
      return LB_OKAY;
    case LB_GETITEMHEIGHT: return state->itemHeight;
    case LB_SETITEMHEIGHT:
      if (LOWORD(static_cast<DWORD>(lParam)) == 0 || lParam > 255) return LB_ERR;
      state->itemHeight = LOWORD(static_cast<DWORD>(lParam));
      InvalidateRect(hWnd, nullptr, TRUE);
      return LB_OKAY;
    case LB_GETITEMRECT: {
      if (!ValidIndex(state, wParam) || !lParam) return LB_ERR;
      RECT rect = ItemRect(state, static_cast<int>(wParam));
      rect.right = ListWidth(hWnd, state);
      *reinterpret_cast<RECT*>(lParam) = rect;
      return LB_OKAY;
    }
    case QH_LB_SETCHECK:
      if (!ValidIndex(state, wParam)) return LB_ERR;
      state->items[wParam].check = static_cast<int>(lParam);
      InvalidateRect(hWnd, nullptr, TRUE);
      return LB_OKAY;
    case QH_LB_GETCHECK: return ValidIndex(state, wParam) ? state->items[wParam].check : 0;
    case LB_ITEMFROMPOINT: {
      int index = ItemAt(state, GET_Y_LPARAM(lParam));
      return index == LB_ERR ? MAKELONG(static_cast<WORD>(state->items.size()), 1) : index;
    }
    default: break;
  }
  return DefWindowProc(hWnd, message, wParam, lParam);
}

void RegisterOne(const char* name, WNDPROC proc, UINT style, int background) {
  WNDCLASS wc;
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.lpszClassName = name;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(background + 1));
  RegisterClass(&wc);
}

}  // namespace

void RegisterComboBox();
void RegisterScrollBarControl();

void RegisterStandardControls() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterOne(WC_BUTTON, &ButtonProc, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, COLOR_BTNFACE);
    RegisterOne(WC_STATIC, &StaticProc, CS_DBLCLKS, COLOR_BTNFACE);
    RegisterOne(WC_EDIT, &EditProc, CS_DBLCLKS, COLOR_WINDOW);
    RegisterOne(WC_LISTBOX, &ListProc, CS_DBLCLKS, COLOR_WINDOW);
    RegisterComboBox();
    RegisterScrollBarControl();
    RegisterOne(WC_DIALOG, &DefWindowProc, CS_DBLCLKS | CS_SAVEBITS, COLOR_BTNFACE);
  });
}

}  // namespace qh::ui
