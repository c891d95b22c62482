// The tab control: a row of labelled tabs above a display area; choosing a tab asks the parent first
// (TCN_SELCHANGING, which may refuse) and tells it afterwards (TCN_SELCHANGE).
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/ui/CommCtrl.h"
#include "platform/ui/ControlSupport.h"
#include "platform/ui/Input.h"

namespace qh::ui {
namespace {

constexpr int kTabHeight = 22;

struct Tab {
  std::string text;
  LPARAM data = 0;
  int image = -1;
};
struct TabState {
  std::vector<Tab> tabs;
  int current = -1;
};

RECT TabRect(HWND hWnd, const TabState* state, int index) {
  HDC dc = GetDC(hWnd);
  int left = 2;
  RECT rect{};
  for (int i = 0; i <= index && i < static_cast<int>(state->tabs.size()); ++i) {
    SIZE extent{};
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    GetTextExtentPoint32(dc, state->tabs[i].text.c_str(), static_cast<int>(state->tabs[i].text.size()), &extent);
    int width = std::max<int>(40, extent.cx + 16);
    rect = RECT{left, 2, left + width, kTabHeight};
    left += width;
  }
  ReleaseDC(hWnd, dc);
  return rect;
}

int TabAt(HWND hWnd, const TabState* state, POINT point) {
  for (int i = 0; i < static_cast<int>(state->tabs.size()); ++i) {
    RECT rect = TabRect(hWnd, state, i);
    if (PtInRect(&rect, point)) return i;
  }
  return -1;
}

void Choose(HWND hWnd, TabState* state, int index) {
  if (index < 0 || index == state->current) return;
  NMHDR header;
  if (NotifyParent(hWnd, header, TCN_SELCHANGING)) return;  // the parent keeps the current tab
  if (!IsWindow(hWnd)) return;
  state->current = index;
  InvalidateRect(hWnd, nullptr, TRUE);
  NotifyParent(hWnd, header, TCN_SELCHANGE);
}

void Paint(HWND hWnd, TabState* state) {
  ControlPaint paint(hWnd, WM_CTLCOLORDLG);
  if (!paint.dc) return;
  FillRect(paint.dc, &paint.client, GetSysColorBrush(COLOR_BTNFACE));
  RECT body{0, kTabHeight, paint.client.right, paint.client.bottom};
  FrameRect(paint.dc, &body, GetSysColorBrush(COLOR_BTNSHADOW));
  SetBkMode(paint.dc, TRANSPARENT);
  for (int i = 0; i < static_cast<int>(state->tabs.size()); ++i) {
    RECT rect = TabRect(hWnd, state, i);
    if (i == state->current) rect.top -= 2;
    FrameRect(paint.dc, &rect, GetSysColorBrush(COLOR_BTNSHADOW));
    DrawText(paint.dc, state->tabs[i].text.c_str(), -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
}

LRESULT TabProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = StateOf<TabState>(hWnd);
  int count = state ? static_cast<int>(state->tabs.size()) : 0;
  int index = static_cast<int>(static_cast<INT_PTR>(wParam));
  bool valid = index >= 0 && index < count;
  switch (message) {
    case WM_NCCREATE: AttachState<TabState>(hWnd); break;
    case WM_NCDESTROY: DropState<TabState>(hWnd); break;
    case WM_PAINT: Paint(hWnd, state); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN: Choose(hWnd, state, TabAt(hWnd, state, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})); return 0;
    case WM_KEYDOWN:
      if (wParam == VK_LEFT && state->current > 0) Choose(hWnd, state, state->current - 1);
      if (wParam == VK_RIGHT && state->current + 1 < count) Choose(hWnd, state, state->current + 1);
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case TCM_GETITEMCOUNT: return count;
    case TCM_INSERTITEM: {
      auto* item = reinterpret_cast<const TCITEM*>(lParam);
      if (!item) return -1;
      Tab tab;
      if ((item->mask & TCIF_TEXT) && item->pszText) tab.text = item->pszText;
      if (item->mask & TCIF_PARAM) tab.data = item->lParam;
      if (item->mask & TCIF_IMAGE) tab.image = item->iImage;
      index = std::clamp(index, 0, count);
      state->tabs.insert(state->tabs.begin() + index, tab);
      if (state->current < 0) state->current = 0;
      else if (state->current >= index && count > 0) ++state->current;
      InvalidateRect(hWnd, nullptr, TRUE);
      return index;
    }
    case TCM_SETITEM:
    case TCM_GETITEM: {
      auto* item = reinterpret_cast<TCITEM*>(lParam);
      if (!valid || !item) return FALSE;
      Tab& tab = state->tabs[index];
      if (message == TCM_SETITEM) {
        if ((item->mask & TCIF_TEXT) && item->pszText) tab.text = item->pszText;
        if (item->mask & TCIF_PARAM) tab.data = item->lParam;
        InvalidateRect(hWnd, nullptr, TRUE);
      } else {
        if (item->mask & TCIF_PARAM) item->lParam = tab.data;
        if ((item->mask & TCIF_TEXT) && item->pszText && item->cchTextMax > 0) {
          std::size_t length = std::min<std::size_t>(tab.text.size(), static_cast<std::size_t>(item->cchTextMax - 1));
          std::memcpy(item->pszText, tab.text.data(), length);
          item->pszText[length] = '\0';
        }
      }
      return TRUE;
    }
    case TCM_DELETEITEM:
      if (!valid) return FALSE;
      state->tabs.erase(state->tabs.begin() + index);
      if (state->current >= static_cast<int>(state->tabs.size())) state->current = static_cast<int>(state->tabs.size()) - 1;
      InvalidateRect(hWnd, nullptr, TRUE);
      return TRUE;
    case TCM_DELETEALLITEMS:
      state->tabs.clear();
      state->current = -1;
      InvalidateRect(hWnd, nullptr, TRUE);
      return TRUE;
    case TCM_GETCURSEL: return state->current;
    case TCM_SETCURSEL: {
      if (!valid) return -1;
      int old = state->current;
      state->current = index;  // no notifications when the program chooses
      InvalidateRect(hWnd, nullptr, TRUE);
      return old;
    }
    case TCM_GETITEMRECT:
      if (!valid || !lParam) return FALSE;
      *reinterpret_cast<RECT*>(lParam) = TabRect(hWnd, state, index);
      return TRUE;
    case TCM_HITTEST: {
      auto* hit = reinterpret_cast<TCHITTESTINFO*>(lParam);
      return hit ? TabAt(hWnd, state, hit->pt) : -1;
    }
    case TCM_ADJUSTRECT: {
      auto* rect = reinterpret_cast<RECT*>(lParam);
      if (!rect) return 0;
      if (wParam) {  // display area -> window area
        rect->top -= kTabHeight + 2;
        InflateRect(rect, 2, 2);
      } else {
        rect->top += kTabHeight + 2;
        InflateRect(rect, -2, -2);
      }
      return 0;
    }
    default: break;
  }
  return DefWindowProc(hWnd, message, wParam, lParam);
}

}  // namespace

void RegisterTabControl() {
  WNDCLASS wc;
  wc.lpfnWndProc = &TabProc;
  wc.lpszClassName = WC_TABCONTROL;
  RegisterClass(&wc);
}

}  // namespace qh::ui
