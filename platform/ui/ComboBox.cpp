// The combo box: a drop-down list (a selection only) or a drop-down with an edit field. Its list
// drops as a popup list box under the control; choosing an item closes it and tells the parent.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/core/Cp1252.h"
#include "platform/ui/ControlSupport.h"
#include "platform/ui/Input.h"
#include "platform/ui/OwnScrollBar.h"

namespace qh::ui {
namespace {

constexpr int kEditId = 1001;
constexpr int kListId = 1000;
constexpr int kButtonWidth = 16;

struct ComboItem {
  std::string text;
  ULONG_PTR data = 0;
};
struct ComboState {
  std::vector<ComboItem> items;
  int current = CB_ERR;
  HWND edit = nullptr;     // CBS_DROPDOWN only
  HWND dropped = nullptr;  // the popup list while the list is down
  int itemHeight = 16;
  int listHeight = 0;  // a template's height for a combo box is the height of its dropped list
};

bool HasEdit(HWND hWnd) { return (StyleOf(hWnd) & 3) == CBS_DROPDOWN || (StyleOf(hWnd) & 3) == CBS_SIMPLE; }
bool ValidItem(const ComboState* state, WPARAM index) { return index < state->items.size(); }

void ShowSelectionInEdit(ComboState* state) {
  if (!state->edit) return;
  const char* text = ValidItem(state, static_cast<WPARAM>(state->current)) ? state->items[state->current].text.c_str() : "";
  // Quietly: the edit's own EN_CHANGE would read as typing.
  DefWindowProc(state->edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
  SendMessage(state->edit, EM_SETSEL, 0, -1);
  InvalidateRect(state->edit, nullptr, TRUE);
}

void Select(HWND hWnd, ComboState* state, int index, bool notify) {
  if (index != CB_ERR && !ValidItem(state, static_cast<WPARAM>(index))) index = CB_ERR;
  bool changed = index != state->current;
  state->current = index;
  ShowSelectionInEdit(state);
  InvalidateRect(hWnd, nullptr, TRUE);
  if (notify && changed) Notify(hWnd, CBN_SELCHANGE);
}

int Find(const ComboState* state, WPARAM after, const char* text, bool exact) {
  return FindItemText(state->items, after, text, exact);  // CB_ERR when none
}

void CloseUp(HWND hWnd, ComboState* state, bool chosen) {
  HWND dropped = state->dropped;
  if (!dropped) return;
  state->dropped = nullptr;
  DestroyWindow(dropped);
  Notify(hWnd, chosen ? CBN_SELENDOK : CBN_SELENDCANCEL);
  Notify(hWnd, CBN_CLOSEUP);
  InvalidateRect(hWnd, nullptr, TRUE);
}

void DropDown(HWND hWnd, ComboState* state) {
  if (state->dropped) return;
  Notify(hWnd, CBN_DROPDOWN);
  RECT rect;
  GetWindowRect(hWnd, &rect);
  int rows = std::clamp(static_cast<int>(state->items.size()), 1, 8);
  int height = std::max(rows * state->itemHeight + 2, state->listHeight);
  // The combo's own WS_VSCROLL goes to its list: a long list shows its bar.
  const DWORD bar = StyleOf(hWnd) & WS_VSCROLL;
  HWND list = CreateWindowEx(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, WC_LISTBOX, "", WS_POPUP | WS_BORDER | LBS_NOTIFY | bar, rect.left,
                             rect.bottom, rect.right - rect.left, height, hWnd, nullptr, nullptr, nullptr);
  if (!list) return;
  SetWindowLongPtr(list, GWLP_ID, kListId);
  // The list tells the combo, not the dialog, what was chosen.
  SetWindowLongPtr(list, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(hWnd));
  for (const ComboItem& item : state->items) SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.text.c_str()));
  SendMessage(list, LB_SETCURSEL, static_cast<WPARAM>(state->current), 0);
  state->dropped = list;
  ShowWindow(list, SW_SHOWNA);
  InvalidateRect(hWnd, nullptr, TRUE);
}

int InsertItem(HWND hWnd, ComboState* state, int index, const char* text) {
  ComboItem item;
  item.text = text ? text : "";
  // CBS_UPPERCASE and CBS_LOWERCASE convert the entries as they are added, and the edit what is typed.
  if (StyleOf(hWnd) & CBS_UPPERCASE) Cp1252MakeUpper(item.text);
  if (StyleOf(hWnd) & CBS_LOWERCASE) Cp1252MakeLower(item.text);
  if (index == -2) {  // CB_ADDSTRING: sorted when asked, else at the end
    index = static_cast<int>(state->items.size());
    if (StyleOf(hWnd) & CBS_SORT) {
      auto it = std::upper_bound(state->items.begin(), state->items.end(), item.text,
                                 [](const std::string& a, const ComboItem& b) { return Cp1252CompareNoCase(a, b.text) < 0; });
      index = static_cast<int>(it - state->items.begin());
    }
  }
  if (index < 0 || static_cast<std::size_t>(index) > state->items.size()) index = static_cast<int>(state->items.size());
  state->items.insert(state->items.begin() + index, item);
  if (state->current >= index) ++state->current;
  return index;
}

void Paint(HWND hWnd, ComboState* state) {
  const bool enabled = IsWindowEnabled(hWnd) != FALSE;
  // A disabled combo box looks like any disabled field: grey ground, grey text, grey arrow.
  ControlPaint paint(hWnd, enabled ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC);
  if (!paint.dc) return;
  FillRect(paint.dc, &paint.client, enabled ? paint.brush : GetSysColorBrush(COLOR_BTNFACE));
  FrameRect(paint.dc, &paint.client, GetSysColorBrush(COLOR_BTNSHADOW));
  RECT button{paint.client.right - kButtonWidth, paint.client.top, paint.client.right, paint.client.bottom};
  FillRect(paint.dc, &button, GetSysColorBrush(COLOR_BTNFACE));
  FrameRect(paint.dc, &button, GetSysColorBrush(COLOR_3DDKSHADOW));
  DrawArrowHead(paint.dc, button, ArrowDirection::Down, GetSysColorBrush(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  if (state->edit) return;
  SetBkMode(paint.dc, TRANSPARENT);
  RECT text{3, 0, button.left - 2, paint.client.bottom};
  bool focused = GetFocus() == hWnd;
  if (focused && enabled) {
    FillRect(paint.dc, &text, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(paint.dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
  }
  if (!enabled) SetTextColor(paint.dc, GetSysColor(COLOR_GRAYTEXT));
  if (ValidItem(state, static_cast<WPARAM>(state->current)))
    DrawText(paint.dc, state->items[state->current].text.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void Key(HWND hWnd, ComboState* state, WPARAM key) {
  int count = static_cast<int>(state->items.size());
  if (key == VK_F4) {
    state->dropped ? CloseUp(hWnd, state, false) : DropDown(hWnd, state);
    return;
  }
  if (state->dropped && (key == VK_RETURN || key == VK_ESCAPE)) {
    CloseUp(hWnd, state, key == VK_RETURN);
    return;
  }
  if (count == 0) return;
  int next = state->current;
  if (key == VK_DOWN || key == VK_RIGHT) next = std::min(count - 1, next + 1);
  if (key == VK_UP || key == VK_LEFT) next = std::max(0, next - 1);
  if (key == VK_HOME) next = 0;
  if (key == VK_END) next = count - 1;
  if (next != state->current) {
    Select(hWnd, state, next, true);
    if (state->dropped) SendMessage(state->dropped, LB_SETCURSEL, static_cast<WPARAM>(next), 0);
  }
}

LRESULT ComboProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = StateOf<ComboState>(hWnd);
  switch (message) {
    case WM_NCCREATE: AttachState<ComboState>(hWnd); break;
    case WM_CREATE: {
      RECT whole;
      GetClientRect(hWnd, &whole);
      constexpr int kFieldHeight = 21;
      if (whole.bottom > kFieldHeight) {
        state->listHeight = whole.bottom - kFieldHeight;
        SetWindowPos(hWnd, nullptr, 0, 0, whole.right, kFieldHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      if (HasEdit(hWnd)) {
        RECT client;
        GetClientRect(hWnd, &client);
        const DWORD letterCase = ((StyleOf(hWnd) & CBS_UPPERCASE) ? ES_UPPERCASE : 0) |
                                 ((StyleOf(hWnd) & CBS_LOWERCASE) ? ES_LOWERCASE : 0);
        state->edit = CreateWindowEx(0, WC_EDIT, "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | letterCase, 2, 2,
                                     client.right - kButtonWidth - 4, client.bottom - 4, hWnd,
                                     reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(kEditId)), nullptr, nullptr);
      }
      return 0;
    }
    case WM_DESTROY:
      if (state->dropped) DestroyWindow(state->dropped);
      state->dropped = nullptr;
      return 0;
    case WM_NCDESTROY: DropState<ComboState>(hWnd); break;
    case WM_PAINT: Paint(hWnd, state); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETFONT:
      if (state->edit) SendMessage(state->edit, WM_SETFONT, wParam, lParam);
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetFocus(state->edit ? state->edit : hWnd);
      state->dropped ? CloseUp(hWnd, state, false) : DropDown(hWnd, state);
      return 0;
    case WM_KEYDOWN: Key(hWnd, state, wParam); return 0;
    case WM_MOUSEWHEEL: {
      // Over a dropped list the wheel scrolls it; over the closed box it steps the selection.
      if (state->dropped) return SendMessage(state->dropped, message, wParam, lParam);
      const int lines = WheelLines(wParam);
      for (int i = 0; i < std::abs(lines) / 3; ++i) Key(hWnd, state, lines > 0 ? VK_DOWN : VK_UP);
      return 0;
    }
    case WM_ENABLE:
      if (state->edit) EnableWindow(state->edit, static_cast<BOOL>(wParam));
      if (!wParam) CloseUp(hWnd, state, false);
      InvalidateRect(hWnd, nullptr, TRUE);
      return 0;
    case WM_SETFOCUS:
      if (state->edit) SetFocus(state->edit);
      InvalidateRect(hWnd, nullptr, TRUE);
      Notify(hWnd, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      InvalidateRect(hWnd, nullptr, TRUE);
      Notify(hWnd, CBN_KILLFOCUS);
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS | (state->dropped ? DLGC_WANTALLKEYS : 0);
    case WM_COMMAND: {
      HWND from = reinterpret_cast<HWND>(lParam);
      WORD code = HIWORD(wParam);
      if (from && from == state->edit && code == EN_CHANGE) {
        Notify(hWnd, CBN_EDITUPDATE);
        Notify(hWnd, CBN_EDITCHANGE);
      } else if (from && from == state->dropped && (code == LBN_SELCHANGE || code == LBN_DBLCLK)) {
        Select(hWnd, state, static_cast<int>(SendMessage(from, LB_GETCURSEL, 0, 0)), true);
        CloseUp(hWnd, state, true);
      }
      return 0;
    }
    case WM_SETTEXT:
      if (state->edit) return SendMessage(state->edit, WM_SETTEXT, wParam, lParam);
      return CB_ERR;
    case WM_GETTEXT:
      if (state->edit) return SendMessage(state->edit, WM_GETTEXT, wParam, lParam);
      if (lParam && wParam > 0) {
        std::string text = ValidItem(state, static_cast<WPARAM>(state->current)) ? state->items[state->current].text : "";
        std::size_t length = std::min<std::size_t>(text.size(), wParam - 1);
        std::memcpy(reinterpret_cast<char*>(lParam), text.data(), length);
        reinterpret_cast<char*>(lParam)[length] = '\0';
        return static_cast<LRESULT>(length);
      }
      return 0;
    case WM_GETTEXTLENGTH:
      if (state->edit) return SendMessage(state->edit, WM_GETTEXTLENGTH, 0, 0);
      return ValidItem(state, static_cast<WPARAM>(state->current)) ? static_cast<LRESULT>(state->items[state->current].text.size()) : 0;
    case CB_ADDSTRING: {
      int index = InsertItem(hWnd, state, -2, reinterpret_cast<const char*>(lParam));
      InvalidateRect(hWnd, nullptr, TRUE);
      return index;
    }
    case CB_INSERTSTRING: return InsertItem(hWnd, state, static_cast<int>(static_cast<INT_PTR>(wParam)), reinterpret_cast<const char*>(lParam));
    case CB_DELETESTRING:
      if (!ValidItem(state, wParam)) return CB_ERR;
      state->items.erase(state->items.begin() + static_cast<std::ptrdiff_t>(wParam));
      if (state->current == static_cast<int>(wParam)) state->current = CB_ERR;
      else if (state->current > static_cast<int>(wParam)) --state->current;
      InvalidateRect(hWnd, nullptr, TRUE);
      return static_cast<LRESULT>(state->items.size());
    case CB_RESETCONTENT:
      state->items.clear();
      state->current = CB_ERR;
      ShowSelectionInEdit(state);
      InvalidateRect(hWnd, nullptr, TRUE);
      return CB_OKAY;
    case CB_GETCOUNT: return static_cast<LRESULT>(state->items.size());
    case CB_GETCURSEL: return state->current;
    case CB_SETCURSEL: {
      int index = static_cast<int>(static_cast<INT_PTR>(wParam));
      Select(hWnd, state, index, false);
      return ValidItem(state, wParam) ? index : CB_ERR;
    }
    case CB_GETLBTEXT: {
      if (!ValidItem(state, wParam) || !lParam) return CB_ERR;
      const std::string& text = state->items[wParam].text;
      std::memcpy(reinterpret_cast<char*>(lParam), text.c_str(), text.size() + 1);
      return static_cast<LRESULT>(text.size());
    }
    case CB_GETLBTEXTLEN: return ValidItem(state, wParam) ? static_cast<LRESULT>(state->items[wParam].text.size()) : CB_ERR;
    case CB_GETITEMDATA: return ValidItem(state, wParam) ? static_cast<LRESULT>(state->items[wParam].data) : CB_ERR;
    case CB_SETITEMDATA:
      if (!ValidItem(state, wParam)) return CB_ERR;
      state->items[wParam].data = static_cast<ULONG_PTR>(lParam);
      return CB_OKAY;
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
      return Find(state, wParam, reinterpret_cast<const char*>(lParam), message == CB_FINDSTRINGEXACT);
    case CB_SELECTSTRING: {
      int index = Find(state, wParam, reinterpret_cast<const char*>(lParam), false);
      if (index != CB_ERR) Select(hWnd, state, index, false);
      return index;
    }
    case CB_LIMITTEXT:
      if (!state->edit) return FALSE;
      SendMessage(state->edit, EM_LIMITTEXT, wParam, 0);
      return TRUE;
    case CB_SETEDITSEL:
      if (!state->edit) return CB_ERR;
      SendMessage(state->edit, EM_SETSEL, static_cast<WPARAM>(static_cast<SHORT>(LOWORD(static_cast<DWORD>(lParam)))),
                  static_cast<SHORT>(HIWORD(static_cast<DWORD>(lParam))));
      return TRUE;
    case CB_GETEDITSEL: return state->edit ? SendMessage(state->edit, EM_GETSEL, wParam, lParam) : CB_ERR;
    case CB_SHOWDROPDOWN:
      wParam ? DropDown(hWnd, state) : CloseUp(hWnd, state, false);
      return TRUE;
    case CB_GETDROPPEDSTATE: return state->dropped ? TRUE : FALSE;
    case CB_GETDROPPEDCONTROLRECT:
      if (lParam) {
        GetWindowRect(hWnd, reinterpret_cast<RECT*>(lParam));
        reinterpret_cast<RECT*>(lParam)->bottom += std::clamp(static_cast<int>(state->items.size()), 1, 8) * state->itemHeight;
      }
      return TRUE;
    case CB_SETITEMHEIGHT: state->itemHeight = std::max(1, static_cast<int>(lParam)); return CB_OKAY;
    case CB_GETITEMHEIGHT: return state->itemHeight;
    default: break;
  }
  return DefWindowProc(hWnd, message, wParam, lParam);
}

}  // namespace

void RegisterComboBox() {
  WNDCLASS wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &ComboProc;
  wc.lpszClassName = WC_COMBOBOX;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_WINDOW + 1));
  RegisterClass(&wc);
}

}  // namespace qh::ui
