// The list box: single, multiple and extended selection, owner-drawn fixed lines, tab stops and its
// own vertical scroll bar (WS_VSCROLL).
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
#include "platform/ui/OwnScrollBar.h"
#include "platform/ui/WindowRecord.h"

namespace qh::ui {
namespace {

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
  std::vector<int> tabStops = TabStopPixels(0, nullptr);  // LBS_USETABSTOPS: pixels; one value repeats
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

// ---- The list's own vertical scroll bar (WS_VSCROLL): shown while the lines do not fit; its state is
// the window's SCROLLINFO, kept in step with the first line shown.
int LastTop(HWND hWnd, const ListState* state) {
  return std::max(0, static_cast<int>(state->items.size()) - VisibleRows(hWnd, state));
}

void SyncListBar(HWND hWnd, ListState* state) {
  SetOwnBar(hWnd, SB_VERT, 0, static_cast<int>(state->items.size()) - 1, VisibleRows(hWnd, state), state->top);
}

bool ListBarShown(HWND hWnd, ListState* state) {
  SyncListBar(hWnd, state);
  return OwnBarShown(hWnd, SB_VERT, StyleOf(hWnd));
}

int ListWidth(HWND hWnd, ListState* state) {
  RECT client;
  GetClientRect(hWnd, &client);
  return ListBarShown(hWnd, state) ? std::max<LONG>(0, client.right - kOwnBarWidth) : client.right;
}

void ScrollListTo(HWND hWnd, ListState* state, int top) {
  top = std::clamp(top, 0, LastTop(hWnd, state));
  if (top == state->top) return;
  state->top = top;
  SyncListBar(hWnd, state);
  InvalidateRect(hWnd, nullptr, TRUE);
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
    SetTextColor(dc, GetSysColor(!IsWindowEnabled(hWnd) ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT textRect = rect;
    textRect.left += 2;
    const std::string& text = state->items[i].text;
    if (StyleOf(hWnd) & LBS_USETABSTOPS) {
      const int saved = SaveDC(dc);
      IntersectClipRect(dc, textRect.left, textRect.top, textRect.right, textRect.bottom);
      const int height = static_cast<int>(HIWORD(GetTabbedTextExtent(dc, "X", 1, 0, nullptr)));
      TabbedTextOut(dc, textRect.left, textRect.top + (state->itemHeight - height) / 2, text.c_str(), static_cast<int>(text.size()),
                    static_cast<int>(state->tabStops.size()), state->tabStops.data(), textRect.left);
      RestoreDC(dc, saved);
    } else {
      DrawText(dc, text.c_str(), -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
  }
  if (ListBarShown(hWnd, state)) PaintOwnBars(hWnd, dc, WS_VSCROLL);
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
      SyncListBar(hWnd, state);
      if (PressOwnBars(hWnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, StyleOf(hWnd))) return 0;
      ClickItem(hWnd, state, ItemAt(state, GET_Y_LPARAM(lParam)), wParam);
      return 0;
    case WM_MOUSEMOVE: DragOwnBar(hWnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
    case WM_LBUTTONUP: ReleaseOwnBar(hWnd); return 0;
    case WM_CAPTURECHANGED: ReleaseOwnBar(hWnd); return 0;
    case WM_VSCROLL: {
      SyncListBar(hWnd, state);
      SCROLLINFO info;
      info.fMask = SIF_ALL;
      GetScrollInfo(hWnd, SB_VERT, &info);
      ScrollListTo(hWnd, state, ScrollTarget(info, LOWORD(wParam), static_cast<SHORT>(HIWORD(wParam))));
      return 0;
    }
    case WM_LBUTTONDBLCLK:
      if (ListBarShown(hWnd, state) && PressOwnBars(hWnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, StyleOf(hWnd)))
        return 0;
      if (ItemAt(state, GET_Y_LPARAM(lParam)) != LB_ERR && (StyleOf(hWnd) & LBS_NOTIFY)) Notify(hWnd, LBN_DBLCLK);
      return 0;
    case WM_MOUSEWHEEL: {
      // Three lines a notch, as the platform's default; the selection stays.
      ScrollListTo(hWnd, state, state->top + WheelLines(wParam));
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
      SyncListBar(hWnd, state);  // the bar follows a selection the keys brought into view
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(hWnd, nullptr, TRUE);
      if (StyleOf(hWnd) & LBS_NOTIFY) Notify(hWnd, message == WM_SETFOCUS ? LBN_SETFOCUS : LBN_KILLFOCUS);
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_ENABLE: InvalidateRect(hWnd, nullptr, TRUE); return 0;
    case WM_SIZE: SyncListBar(hWnd, state); break;
    case LB_SETTABSTOPS: {
      if (!(StyleOf(hWnd) & LBS_USETABSTOPS)) return FALSE;
      const BOOL taken = TakeTabStops(state->tabStops, wParam, lParam);
      InvalidateRect(hWnd, nullptr, TRUE);
      return taken;
    }
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

}  // namespace

void RegisterListBoxControl() { RegisterControlClass(WC_LISTBOX, &ListProc, CS_DBLCLKS, COLOR_WINDOW); }

}  // namespace qh::ui
