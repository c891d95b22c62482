// The default answers of every window: text, closing, painting the background and the frame, hit
// testing the frame, and passing unhandled mouse wheel and context menus to the parent.
#include <algorithm>
#include <cstring>

#include "platform/ui/DisplayLink.h"
#include "platform/ui/Input.h"
#include "platform/ui/Menu.h"
#include "platform/ui/WindowRecord.h"
#include "platform/ui/gdi/Gdi.h"
#include "platform/ui/gdi/WindowTarget.h"

namespace qh::ui {

BOOL DrawIconSized(HDC dc, int x, int y, HICON icon, int width, int height);  // StandardControls.cpp

namespace {

constexpr COLORREF kSysColors[] = {
    RGB(200, 200, 200), RGB(0, 128, 128),   RGB(0, 84, 166),    RGB(128, 128, 128), RGB(240, 240, 240),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(192, 192, 192), RGB(192, 192, 192), RGB(128, 128, 128), RGB(0, 84, 166),    RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(64, 64, 64),    RGB(224, 224, 224), RGB(0, 0, 0),       RGB(255, 255, 225)};
constexpr int kSysColorCount = static_cast<int>(sizeof(kSysColors) / sizeof(kSysColors[0]));

// A class background of COLOR_xxx + 1, as window classes name system colours.
HBRUSH BackgroundBrush(HBRUSH brush) {
  auto value = reinterpret_cast<std::uintptr_t>(brush);
  if (value > 0 && value <= static_cast<std::uintptr_t>(kSysColorCount)) return GetSysColorBrush(static_cast<int>(value) - 1);
  return brush;
}

void DrawFrame(const WindowPtr& window) {
  RECT client = ClientRectInWindow(*window);
  RECT whole{0, 0, window->rect.right - window->rect.left, window->rect.bottom - window->rect.top};
  if (EqualRect(&client, &whole)) return;
  HDC dc = qh::gdi::OpenWindowDC(window->handle, qh::gdi::DcArea::Window, nullptr);
  if (!dc) return;
  // The frame never paints over the client area: its children may already be drawn there.
  ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
  // Border: a dark outer line on a face-coloured frame.
  FillRect(dc, &whole, GetSysColorBrush(COLOR_BTNFACE));
  FrameRect(dc, &whole, GetSysColorBrush(COLOR_3DDKSHADOW));
  if ((window->style & WS_CAPTION) == WS_CAPTION) {
    RECT caption{client.left, client.left, client.right, client.top};
    bool active = GetActiveWindow() == window->handle;
    FillRect(dc, &caption, GetSysColorBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    caption.left += 4;
    // The small icon in the caption's left square, where a press opens the system menu, as a window
    // manager draws it.
    const HICON icon = window->icons[0] ? window->icons[0] : (window->icons[1] ? window->icons[1] : window->windowClass->icon);
    const int square = client.top - client.left, size = GetSystemMetrics(SM_CXSMICON), inset = (square - size) / 2;
    if ((window->style & WS_SYSMENU) && icon && DrawIconSized(dc, client.left + inset, client.left + inset, icon, size, size))
      caption.left = client.left + square + 2;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_CAPTIONTEXT));
    DrawText(dc, window->text.c_str(), -1, &caption, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
  }
  if (window->exStyle & WS_EX_CLIENTEDGE) {
    RECT edge = client;
    InflateRect(&edge, 1, 1);
    FrameRect(dc, &edge, GetSysColorBrush(COLOR_BTNSHADOW));
  }
  qh::gdi::CloseWindowDC(dc);
}

// The system menu of a window that has one, below its caption's icon (at its top left without a
// caption), with the commands its state allows; the chosen command comes back as WM_SYSCOMMAND.
void OpenSystemMenu(const WindowPtr& window) {
  const HWND hWnd = window->handle;
  if (!(window->style & WS_SYSMENU)) return;
  HMENU menu = GetSystemMenu(hWnd, FALSE);
  if (!menu) return;
  const bool iconic = IsIconic(hWnd), zoomed = IsZoomed(hWnd);
  auto allow = [menu](UINT command, bool enabled) { EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED)); };
  allow(SC_RESTORE, iconic || zoomed);
  // The layer moves and sizes windows with the mouse only.
  allow(SC_MOVE, false);
  allow(SC_SIZE, false);
  allow(SC_MINIMIZE, !iconic && (window->style & WS_MINIMIZEBOX));
  allow(SC_MAXIMIZE, !zoomed && (window->style & WS_MAXIMIZEBOX));
  allow(SC_CLOSE, true);
  RECT rect;
  GetWindowRect(hWnd, &rect);
  const RECT client = ClientRectInWindow(*window);
  POINT at{rect.left, rect.top};
  if ((window->style & WS_CAPTION) == WS_CAPTION) at = POINT{rect.left + client.left, rect.top + client.top};
  const UINT command = static_cast<UINT>(TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY,
                                                        at.x, at.y, 0, hWnd, nullptr));
  if (command && IsWindow(hWnd)) SendMessage(hWnd, WM_SYSCOMMAND, command, 0);
}

LRESULT FrameHitTest(const WindowPtr& window, POINT screen) {
  RECT rect;
  GetWindowRect(window->handle, &rect);
  if (!PtInRect(&rect, screen)) return HTNOWHERE;
  POINT local{screen.x - rect.left, screen.y - rect.top};
  RECT client = ClientRectInWindow(*window);
  if (PtInRect(&client, local)) return HTCLIENT;
  if ((window->style & WS_CAPTION) == WS_CAPTION && local.y < client.top && local.y >= client.left) {
    // The caption's left square, where its icon sits, is the system menu's.
    const int captionHeight = client.top - client.left;
    if ((window->style & WS_SYSMENU) && local.x >= client.left && local.x < client.left + captionHeight) return HTSYSMENU;
    return HTCAPTION;
  }
  if (window->style & WS_THICKFRAME) {
    bool left = local.x < client.left, right = local.x >= client.right;
    bool top = local.y < client.left, bottom = local.y >= client.bottom;
    if (top && left) return HTTOPLEFT;
    if (top && right) return HTTOPRIGHT;
    if (bottom && left) return HTBOTTOMLEFT;
    if (bottom && right) return HTBOTTOMRIGHT;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
    if (top) return HTTOP;
    if (bottom) return HTBOTTOM;
  }
  return HTBORDER;
}

LRESULT CopyText(const WindowRecord& window, WPARAM size, LPARAM buffer) {
  auto* out = reinterpret_cast<char*>(buffer);
  if (!out || size == 0) return 0;
  std::size_t length = std::min<std::size_t>(window.text.size(), size - 1);
  std::memcpy(out, window.text.data(), length);
  out[length] = '\0';
  return static_cast<LRESULT>(length);
}

}  // namespace
}  // namespace qh::ui

using namespace qh::ui;

COLORREF GetSysColor(int index) {
  return index >= 0 && index < kSysColorCount ? kSysColors[index] : RGB(0, 0, 0);
}

HBRUSH GetSysColorBrush(int index) {
  static HBRUSH brushes[kSysColorCount] = {};
  static std::mutex lock;
  if (index < 0 || index >= kSysColorCount) return nullptr;
  std::lock_guard<std::mutex> guard(lock);
  if (!brushes[index]) brushes[index] = CreateSolidBrush(kSysColors[index]);
  return brushes[index];
}

LRESULT DefWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowPtr window = FindWindow(hWnd);
  if (!window) return 0;
  switch (message) {
    case WM_NCCREATE: {
      auto* create = reinterpret_cast<CREATESTRUCT*>(lParam);
      if (create && create->lpszName) window->text = create->lpszName;
      return TRUE;
    }
    case WM_CLOSE:
      DestroyWindow(hWnd);
      return 0;
    case WM_SETTEXT:
      window->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      window->frameNeeded = true;
      DisplayWindowRetitled(window);
      InvalidateRect(hWnd, nullptr, TRUE);
      return TRUE;
    case WM_GETTEXT: return CopyText(*window, wParam, lParam);
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(window->text.size());
    case WM_SETFONT:
      window->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(static_cast<DWORD>(lParam))) InvalidateRect(hWnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(window->font);
    case WM_SETICON: {
      int which = wParam ? 1 : 0;
      HICON old = window->icons[which];
      window->icons[which] = reinterpret_cast<HICON>(lParam);
      if (which == 1) DisplayWindowIconChanged(window, window->icons[1]);
      if ((window->style & WS_CAPTION) == WS_CAPTION) {
        window->frameNeeded = true;  // the caption shows the icon
        InvalidateRect(hWnd, nullptr, FALSE);
      }
      return reinterpret_cast<LRESULT>(old);
    }
    case WM_GETICON: return reinterpret_cast<LRESULT>(window->icons[wParam ? 1 : 0]);
    case WM_PAINT: {
      // A minimised window shows its icon, centred at the icon size, as the platform's default does.
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hWnd, &paint);
      HICON icon = window->icons[1] ? window->icons[1] : window->windowClass->icon;
      if (dc && icon && IsIconic(hWnd)) {
        RECT client;
        GetClientRect(hWnd, &client);
        DrawIcon(dc, (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2, (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2, icon);
      }
      EndPaint(hWnd, &paint);
      return 0;
    }
    case WM_QUERYDRAGICON: return reinterpret_cast<LRESULT>(window->icons[1] ? window->icons[1] : window->windowClass->icon);
    case WM_NCPAINT: DrawFrame(window); return 0;
    case WM_ERASEBKGND: {
      HBRUSH brush = BackgroundBrush(window->windowClass->background);
      if (!brush) return 0;
      RECT client;
      GetClientRect(hWnd, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
      return 1;
    }
    case WM_NCHITTEST:
      return FrameHitTest(window, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_NCLBUTTONDOWN:
      if (wParam == HTCAPTION) BeginCaptionDrag(GetAncestor(hWnd, GA_ROOT), POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      if (wParam == HTSYSMENU) SendMessage(hWnd, WM_SYSCOMMAND, SC_MOUSEMENU + HTSYSMENU, lParam);
      return 0;
    case WM_NCACTIVATE:
      window->frameNeeded = true;
      InvalidateRect(hWnd, nullptr, FALSE);
      return TRUE;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) {
        // The control that had the focus when the window was left gets it back, else the window.
        RestoreFocus(hWnd);
        HWND focus = GetFocus();
        if (!focus || (focus != hWnd && !IsChild(hWnd, focus))) SetFocus(hWnd);
      }
      return 0;
    case WM_MOUSEACTIVATE: return MA_ACTIVATE;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE: PostMessage(hWnd, WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: ShowWindow(hWnd, SW_MINIMIZE); break;
        case SC_MAXIMIZE: ShowWindow(hWnd, SW_MAXIMIZE); break;
        case SC_RESTORE: ShowWindow(hWnd, SW_RESTORE); break;
        case SC_KEYMENU:
          if (lParam == ' ') OpenSystemMenu(window);
          break;
        case SC_MOUSEMENU: OpenSystemMenu(window); break;
        default: break;
      }
      return 0;
    case WM_SETCURSOR: return FALSE;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORSCROLLBAR:
      SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    // The context menu's three ways: a right click (at the cursor), Shift+F10 and the menu key (at -1, -1:
    // the window chooses the place).
    case WM_RBUTTONUP: {
      POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ClientToScreen(hWnd, &at);
      SendMessage(hWnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hWnd), MAKELPARAM(static_cast<WORD>(at.x), static_cast<WORD>(at.y)));
      return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0)
        SendMessage(hWnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hWnd), static_cast<LPARAM>(-1));
      return 0;
    // Alt+Space in any window opens the system menu of the top-level window it sits in.
    case WM_SYSCHAR:
      if (wParam == ' ') SendMessage(GetAncestor(hWnd, GA_ROOT), WM_SYSCOMMAND, SC_KEYMENU, ' ');
      return 0;
    case WM_KEYUP:
      if (wParam == VK_APPS) SendMessage(hWnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hWnd), static_cast<LPARAM>(-1));
      return 0;
    case WM_MOUSEWHEEL:
    case WM_CONTEXTMENU:
      if (window->parent) return SendMessage(window->parent, message, wParam, lParam);
      return 0;
    default: return 0;
  }
}
