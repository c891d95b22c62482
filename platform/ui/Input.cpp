// Focus, activation, capture, mouse-leave tracking, hit testing and the routing of injected input.
#include "platform/ui/Input.h"

#include <algorithm>
#include <deque>
#include <map>
#include <cctype>
#include <cstdlib>

#include "platform/core/Thread.h"
#include "platform/ui/DisplayLink.h"
#include "platform/ui/WindowRecord.h"
#include "platform/ui/gdi/Gdi.h"
#include "platform/ui/gdi/WindowTarget.h"

namespace qh::ui {
namespace {

// Input state is per user-interface thread, as on the platform; the pointer is one for all.
struct ThreadInput {
  HWND focus = nullptr;
  HWND active = nullptr;
  HWND capture = nullptr;
  HWND leaveTracked = nullptr;  // asked for WM_MOUSELEAVE
  HWND dragged = nullptr;       // moved by its caption
  POINT dragOffset;
  // The last button press, for double clicks.
  HWND lastClickWindow = nullptr;
  UINT lastClickMessage = 0;
  DWORD lastClickTime = 0;
  POINT lastClickPoint;
};
thread_local ThreadInput t_input;
// The control of each top-level window that last had the focus: it gets the focus back when its window
// is active again (a dialog or a message box over it ended).
thread_local std::map<HWND, HWND> t_lastFocus;
std::mutex g_pointerLock;
POINT g_cursor{0, 0};
HCURSOR g_currentCursor = nullptr;
BYTE g_keyDown[256] = {};

constexpr DWORD kDoubleClickMs = 500;
constexpr int kDoubleClickSlop = 4;

bool InShape(const WindowRecord& window, POINT windowPoint) {
  RECT size{0, 0, window.rect.right - window.rect.left, window.rect.bottom - window.rect.top};
  if (!PtInRect(&size, windowPoint)) return false;
  if (!window.windowRegion) return true;
  const qh::gdi::Region* region = qh::gdi::RegionFromHandle(window.windowRegion);
  return !region || region->contains(windowPoint.x, windowPoint.y);
}

LRESULT HitCode(HWND hWnd, POINT screen) {
  return SendMessage(hWnd, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
}

// The deepest visible window under a screen point inside `window` (which holds the point).
HWND DeepestChild(const WindowPtr& window, POINT screen) {
  std::vector<HWND> children = window->children;
  for (HWND childHandle : children) {
    WindowPtr child = FindWindow(childHandle);
    if (!child || !(child->style & WS_VISIBLE)) continue;
    POINT origin = WindowOriginOnScreen(*child);
    if (!InShape(*child, POINT{screen.x - origin.x, screen.y - origin.y})) continue;
    if (child->style & WS_DISABLED) return window->handle;
    if (HitCode(childHandle, screen) == HTTRANSPARENT) continue;
    return DeepestChild(child, screen);
  }
  return window->handle;
}

bool IsMouseButtonDown(UINT message) {
  return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
}

UINT DoubleClickOf(UINT message) { return message + 2; }  // DOWN -> DBLCLK in each button's triple

UINT NonClientOf(UINT message) { return message - WM_MOUSEMOVE + WM_NCMOUSEMOVE; }

void SetKey(int virtualKey, bool down) {
  std::lock_guard<std::mutex> guard(g_pointerLock);
  g_keyDown[virtualKey & 0xFF] = down ? 1 : 0;
}

bool KeyDown(int virtualKey) {
  std::lock_guard<std::mutex> guard(g_pointerLock);
  return g_keyDown[virtualKey & 0xFF] != 0;
}

void UpdateLeaveTracking(HWND under) {
  HWND tracked = t_input.leaveTracked;
  if (tracked && tracked != under) {
    t_input.leaveTracked = nullptr;
    PostMessage(tracked, WM_MOUSELEAVE, 0, 0);
  }
}

bool ContinueDrag(UINT message, POINT screen) {
  HWND dragged = t_input.dragged;
  if (!dragged) return false;
  if (!IsWindow(dragged)) {
    t_input.dragged = nullptr;
    return false;
  }
  if (message == WM_MOUSEMOVE) {
    RECT rect;
    GetWindowRect(dragged, &rect);
    SetWindowPos(dragged, nullptr, screen.x - t_input.dragOffset.x, screen.y - t_input.dragOffset.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  } else if (message == WM_LBUTTONUP) {
    t_input.dragged = nullptr;
  }
  return true;
}

UINT DoubleClickOrPress(HWND target, UINT message, POINT screen) {
  WindowPtr window = FindWindow(target);
  bool dblClass = window && (window->windowClass->style & CS_DBLCLKS);
  DWORD now = TickNow();
  bool isDouble = dblClass && t_input.lastClickWindow == target && t_input.lastClickMessage == message &&
                  now - t_input.lastClickTime <= kDoubleClickMs &&
                  std::abs(screen.x - t_input.lastClickPoint.x) <= kDoubleClickSlop &&
                  std::abs(screen.y - t_input.lastClickPoint.y) <= kDoubleClickSlop;
  if (isDouble) {
    t_input.lastClickWindow = nullptr;
    return DoubleClickOf(message);
  }
  t_input.lastClickWindow = target;
  t_input.lastClickMessage = message;
  t_input.lastClickTime = now;
  t_input.lastClickPoint = screen;
  return message;
}

// Input reaches a window only when it and every window it sits in are enabled: a modal dialog's owner
// and everything in it wait.
bool TakesInput(HWND hWnd) {
  for (HWND w = hWnd; w; w = (GetWindowLong(w, GWL_STYLE) & WS_CHILD) ? GetParent(w) : nullptr)
    if (!IsWindowEnabled(w)) return false;
  return hWnd != nullptr;
}

// A press on a window that waits for a modal window of its own brings that modal window up instead.
void BringUpModalOf(HWND top) {
  HWND modal = EnabledPopupOf(top);
  if (!modal) return;
  SetActiveWindow(modal);
  if (WindowPtr window = FindWindow(modal)) DisplayWindowBroughtUp(window);
}

void SendFocusChange(HWND from, HWND to) {
  if (from && IsWindow(from)) SendMessage(from, WM_KILLFOCUS, reinterpret_cast<WPARAM>(to), 0);
  if (to && IsWindow(to) && t_input.focus == to) SendMessage(to, WM_SETFOCUS, reinterpret_cast<WPARAM>(from), 0);
}

char DefaultCharacter(UINT vk) {
  bool shift = KeyDown(VK_SHIFT);
  if (vk >= 'A' && vk <= 'Z') return static_cast<char>(shift ? vk : std::tolower(static_cast<int>(vk)));
  if (vk >= '0' && vk <= '9' && !shift) return static_cast<char>(vk);
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return static_cast<char>('0' + (vk - VK_NUMPAD0));
  switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return '\r';
    case VK_ESCAPE: return 0x1B;
    case VK_BACK: return 0x08;
    case VK_TAB: return '\t';
    default: return 0;
  }
}

}  // namespace

HWND EnabledPopupOf(HWND top) {
  for (HWND candidate : TopLevelWindows()) {
    if (candidate == top || !IsWindowVisible(candidate) || !IsWindowEnabled(candidate)) continue;
    HWND owner = GetWindow(candidate, GW_OWNER);
    for (int depth = 0; owner && owner != top && depth < 16; ++depth) owner = GetWindow(owner, GW_OWNER);
    if (owner == top) return candidate;
  }
  return nullptr;
}

POINT CursorPosition() {
  std::lock_guard<std::mutex> guard(g_pointerLock);
  return g_cursor;
}

void ForgetInputState(HWND hWnd) {
  t_lastFocus.erase(hWnd);
  std::erase_if(t_lastFocus, [&](const auto& entry) { return entry.second == hWnd; });
  if (t_input.focus == hWnd) t_input.focus = nullptr;
  if (t_input.active == hWnd) t_input.active = nullptr;
  if (t_input.capture == hWnd) t_input.capture = nullptr;
  if (t_input.leaveTracked == hWnd) t_input.leaveTracked = nullptr;
  if (t_input.dragged == hWnd) t_input.dragged = nullptr;
  if (t_input.lastClickWindow == hWnd) t_input.lastClickWindow = nullptr;
}

static bool FocusInside(HWND hWnd) {
  return t_input.focus && (t_input.focus == hWnd || IsChild(hWnd, t_input.focus));
}

// Whether `candidate` can become the active window in place of `leaving`: a shown, enabled, restored
// top-level window of the calling thread that takes activation.
static bool CanTakeOverActivation(HWND candidate, HWND leaving) {
  if (!candidate || candidate == leaving) return false;
  WindowPtr window = OwnWindow(candidate);
  return window && !window->parent && !window->destroying && (window->style & WS_VISIBLE) &&
         !(window->style & (WS_DISABLED | WS_MINIMIZE)) && !(window->exStyle & WS_EX_NOACTIVATE);
}

// The window that becomes active when the active window `leaving` goes: its owner when that can take
// over, else the highest top-level window that can.
static HWND ActivationSuccessor(HWND leaving) {
  if (HWND owner = GetWindow(leaving, GW_OWNER); CanTakeOverActivation(owner, leaving)) return owner;
  for (HWND candidate : TopLevelWindows())
    if (CanTakeOverActivation(candidate, leaving)) return candidate;
  return nullptr;
}

void HideWindowInputState(HWND hWnd) {
  if (FocusInside(hWnd)) SetFocus(GetParent(hWnd) && (GetWindowLong(hWnd, GWL_STYLE) & WS_CHILD) ? GetParent(hWnd) : nullptr);
  if (t_input.capture == hWnd) ReleaseCapture();
  if (t_input.active != hWnd) return;
  // Another window of the program takes over, and with it the display's keyboard: the X window that had
  // it is going, and without a window manager nobody else would give it on (keys would reach no window).
  if (HWND next = ActivationSuccessor(hWnd)) SetActiveWindow(next);
  else t_input.active = nullptr;
}

void DisableWindowInputState(HWND hWnd) {
  if (FocusInside(hWnd)) SetFocus(nullptr);
  if (t_input.capture == hWnd) ReleaseCapture();
}

HWND KeyboardTarget() {
  HWND target = t_input.focus ? t_input.focus : t_input.active;
  return TakesInput(target) ? target : nullptr;
}

void RouteMouse(UINT message, POINT screen, WPARAM keys) {
  {
    std::lock_guard<std::mutex> guard(g_pointerLock);
    g_cursor = screen;
  }
  if (message == WM_LBUTTONDOWN) SetKey(VK_LBUTTON, true);
  if (message == WM_LBUTTONUP) SetKey(VK_LBUTTON, false);
  if (message == WM_RBUTTONDOWN) SetKey(VK_RBUTTON, true);
  if (message == WM_RBUTTONUP) SetKey(VK_RBUTTON, false);
  if (KeyDown(VK_LBUTTON)) keys |= MK_LBUTTON;
  if (KeyDown(VK_RBUTTON)) keys |= MK_RBUTTON;
  if (ContinueDrag(message, screen)) return;

  HWND under = WindowFromPoint(screen);
  UpdateLeaveTracking(under);
  HWND target = t_input.capture ? t_input.capture : under;
  if (!target) return;
  if (IsMouseButtonDown(message)) {
    HWND top = GetAncestor(target, GA_ROOT);
    bool activates = top && !(GetWindowLong(top, GWL_EXSTYLE) & WS_EX_NOACTIVATE);
    if (top && !IsWindowEnabled(top)) {
      BringUpModalOf(top);
      return;
    }
    if (activates && top != t_input.active) SetActiveWindow(top);
    // Without a window manager nobody else gives the display's keyboard to the window clicked.
    if (activates)
      if (WindowPtr window = FindWindow(top)) DisplayWindowActivated(window);
  }
  if (!TakesInput(target)) return;  // a disabled window (a modal dialog's owner) takes no input

  LRESULT hit = t_input.capture ? HTCLIENT : HitCode(target, screen);
  if (hit == HTCLIENT) {
    if (IsMouseButtonDown(message)) message = DoubleClickOrPress(target, message, screen);
    POINT client = screen;
    ScreenToClient(target, &client);
    PostMessage(target, message, keys, MAKELPARAM(static_cast<WORD>(client.x), static_cast<WORD>(client.y)));
  } else if (hit != HTNOWHERE && hit != HTERROR && message != WM_MOUSEWHEEL) {
    PostMessage(target, NonClientOf(message), static_cast<WPARAM>(hit),
                MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
  }
}

void InjectMouseAt(HWND hWnd, UINT message, int x, int y, WPARAM keys) {
  POINT screen{x, y};
  ClientToScreen(hWnd, &screen);
  InjectMouse(message, screen, keys);
}

void RouteMouseLeftDisplay() {
  POINT far{-100000, -100000};
  {
    std::lock_guard<std::mutex> guard(g_pointerLock);
    g_cursor = far;
  }
  UpdateLeaveTracking(nullptr);
}

// A key pressed while Alt is held (and Ctrl is not: Ctrl+Alt is AltGr typing a character) is a system
// key: it reaches the window as WM_SYSKEYDOWN/WM_SYSKEYUP and its character as WM_SYSCHAR, which the
// window's default answers (Alt+Space opens the system menu) instead of a field typing it.
bool SystemKeys() { return KeyDown(VK_MENU) && !KeyDown(VK_CONTROL); }

void PostKey(HWND target, UINT virtualKey, bool down, char ch) {
  LPARAM lParam = 1 | (static_cast<LPARAM>(static_cast<unsigned char>(ch)) << 16);
  if (!down) lParam |= (LPARAM{3} << 30);
  const bool system = SystemKeys();
  if (system) lParam |= (LPARAM{1} << 29);
  PostMessage(target, down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP), virtualKey, lParam);
}

void RouteKey(UINT virtualKey, bool down, char ch) {
  SetKey(static_cast<int>(virtualKey), down);
  HWND target = KeyboardTarget();
  if (!target) return;
  if (down && ch == 0) ch = DefaultCharacter(virtualKey);
  PostKey(target, virtualKey, down, ch);
}

// A display reports a key and the text it types apart; under Alt the key carries its character itself
// (the system character) and the display's text for it is dropped.
void RouteKeyOnly(UINT virtualKey, bool down) {
  SetKey(static_cast<int>(virtualKey), down);
  HWND target = KeyboardTarget();
  if (!target) return;
  const bool systemCharacter = down && virtualKey != VK_MENU && SystemKeys();
  PostKey(target, virtualKey, down, systemCharacter ? DefaultCharacter(virtualKey) : 0);
}

void RouteCharacter(char ch) {
  if (SystemKeys()) return;
  HWND target = KeyboardTarget();
  if (target) PostMessage(target, WM_CHAR, static_cast<unsigned char>(ch), 1);
}

void RouteTypedCharacter(unsigned char ch) {
  UINT vk = std::isalpha(ch) ? static_cast<UINT>(std::toupper(ch)) : (std::isdigit(ch) ? ch : 0);
  if (ch == ' ') vk = VK_SPACE;
  HWND target = KeyboardTarget();
  if (!target) return;
  if (vk) PostMessage(target, WM_KEYDOWN, vk, 1);
  PostMessage(target, WM_CHAR, ch, 1);
  if (vk) PostMessage(target, WM_KEYUP, vk, 1 | (LPARAM{3} << 30));
}

// Input waits in the thread's raw input queue and is routed when its turn comes, after the messages of
// earlier input were handled: a capture or focus that earlier input set decides where later input goes.
struct RawInput {
  enum Kind { Mouse, Key, KeyOnly, Character, Typed, LeftDisplay } kind;
  UINT message = 0;
  POINT point;
  WPARAM keys = 0;
  UINT virtualKey = 0;
  bool down = false;
  char ch = 0;
};
thread_local std::deque<RawInput> t_raw;

void Queue(RawInput input) {
  t_raw.push_back(input);
  CurrentQueue()->wake.notify_all();
}

void InjectMouse(UINT message, POINT screenPoint, WPARAM keys) {
  Queue(RawInput{RawInput::Mouse, message, screenPoint, keys, 0, false, 0});
}
void InjectMouseLeftDisplay() { Queue(RawInput{RawInput::LeftDisplay, 0, {}, 0, 0, false, 0}); }
void InjectKey(UINT virtualKey, bool down, char ch) { Queue(RawInput{RawInput::Key, 0, {}, 0, virtualKey, down, ch}); }
void InjectKeyOnly(UINT virtualKey, bool down) { Queue(RawInput{RawInput::KeyOnly, 0, {}, 0, virtualKey, down, 0}); }
void InjectCharacter(char ch) { Queue(RawInput{RawInput::Character, 0, {}, 0, 0, false, ch}); }
void InjectText(const char* text) {
  for (const char* p = text; p && *p; ++p) Queue(RawInput{RawInput::Typed, 0, {}, 0, 0, false, *p});
}

bool HasRawInput() { return !t_raw.empty(); }

bool RouteOneRawInput() {
  if (t_raw.empty()) return false;
  RawInput input = t_raw.front();
  t_raw.pop_front();
  switch (input.kind) {
    case RawInput::Mouse: RouteMouse(input.message, input.point, input.keys); break;
    case RawInput::LeftDisplay: RouteMouseLeftDisplay(); break;
    case RawInput::Key: RouteKey(input.virtualKey, input.down, input.ch); break;
    case RawInput::KeyOnly: RouteKeyOnly(input.virtualKey, input.down); break;
    case RawInput::Character: RouteCharacter(input.ch); break;
    case RawInput::Typed: RouteTypedCharacter(static_cast<unsigned char>(input.ch)); break;
  }
  return true;
}

// Starts moving a window by its caption (DefWindowProc's answer to a press on HTCAPTION).
void BeginCaptionDrag(HWND hWnd, POINT screen) {
  RECT rect;
  if (!GetWindowRect(hWnd, &rect)) return;
  t_input.dragged = hWnd;
  t_input.dragOffset = POINT{screen.x - rect.left, screen.y - rect.top};
}

}  // namespace qh::ui

using namespace qh::ui;

HWND SetFocus(HWND hWnd) {
  HWND old = t_input.focus;
  if (hWnd) {
    // A window that takes no input (one in a window that waits for its modal dialog) cannot have the
    // focus: taking it would activate that waiting window and leave the dialog without its keys.
    WindowPtr window = OwnWindow(hWnd);
    if (!window || !TakesInput(hWnd)) return nullptr;
    HWND top = GetAncestor(hWnd, GA_ROOT);
    if (top != t_input.active) {
      t_input.focus = hWnd;  // activation must not move the focus elsewhere
      SetActiveWindow(top);
    }
  }
  if (old == hWnd) return old;
  t_input.focus = hWnd;
  if (hWnd) t_lastFocus[GetAncestor(hWnd, GA_ROOT)] = hWnd;
  SendFocusChange(old, hWnd);
  return old;
}

HWND GetFocus() { return t_input.focus; }

// The window active again gets its last focused control back, unless the focus already is in it.
void qh::ui::RestoreFocus(HWND top) {
  if (FocusInside(top)) return;
  auto it = t_lastFocus.find(top);
  if (it == t_lastFocus.end()) return;
  HWND control = it->second;
  if (IsWindow(control) && (control == top || IsChild(top, control)) && IsWindowVisible(control) &&
      TakesInput(control))
    SetFocus(control);
}

HWND SetActiveWindow(HWND hWnd) {
  HWND old = t_input.active;
  if (hWnd) {
    if (!OwnWindow(hWnd)) return nullptr;
    hWnd = GetAncestor(hWnd, GA_ROOT);
  }
  if (old == hWnd) {
    if (hWnd) RestoreFocus(hWnd);
    return old;
  }
  t_input.active = hWnd;
  if (old && IsWindow(old)) {
    SendMessage(old, WM_NCACTIVATE, FALSE, 0);
    SendMessage(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(hWnd));
  }
  if (hWnd && IsWindow(hWnd)) {
    SendMessage(hWnd, WM_NCACTIVATE, TRUE, 0);
    SendMessage(hWnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), reinterpret_cast<LPARAM>(old));
  }
  if (hWnd && IsWindow(hWnd) && t_input.active == hWnd) {
    if (WindowPtr window = FindWindow(hWnd)) DisplayWindowActivated(window);
    RestoreFocus(hWnd);
  }
  return old;
}

HWND GetActiveWindow() { return t_input.active; }
BOOL SetForegroundWindow(HWND hWnd) { return SetActiveWindow(hWnd) != nullptr || GetActiveWindow() == hWnd; }
HWND GetForegroundWindow() { return t_input.active; }

HWND SetCapture(HWND hWnd) {
  HWND old = t_input.capture;
  if (hWnd && !OwnWindow(hWnd)) return nullptr;
  t_input.capture = hWnd;
  if (old && old != hWnd && IsWindow(old)) SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hWnd));
  return old;
}

BOOL ReleaseCapture() {
  HWND old = t_input.capture;
  t_input.capture = nullptr;
  if (old && IsWindow(old)) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() { return t_input.capture; }

BOOL TrackMouseEvent(LPTRACKMOUSEEVENT track) {
  if (!track || track->cbSize < sizeof(TRACKMOUSEEVENT)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (track->dwFlags & TME_QUERY) {
    track->dwFlags = t_input.leaveTracked ? TME_LEAVE : 0;
    track->hwndTrack = t_input.leaveTracked;
    return TRUE;
  }
  if (!IsWindow(track->hwndTrack)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (track->dwFlags & TME_CANCEL) {
    if ((track->dwFlags & TME_LEAVE) && t_input.leaveTracked == track->hwndTrack) t_input.leaveTracked = nullptr;
    return TRUE;
  }
  if (track->dwFlags & TME_LEAVE) {
    // A window the pointer is not over gets its leave notice at once.
    if (WindowFromPoint(CursorPosition()) != track->hwndTrack)
      PostMessage(track->hwndTrack, WM_MOUSELEAVE, 0, 0);
    else
      t_input.leaveTracked = track->hwndTrack;
  }
  return TRUE;
}

HWND WindowFromPoint(POINT point) {
  for (HWND topHandle : TopLevelWindows()) {
    WindowPtr top = FindWindow(topHandle);
    if (!top || !(top->style & WS_VISIBLE) || (top->style & WS_MINIMIZE)) continue;
    if (!InShape(*top, POINT{point.x - top->rect.left, point.y - top->rect.top})) continue;
    if (HitCode(topHandle, point) == HTTRANSPARENT) continue;
    return DeepestChild(top, point);
  }
  return nullptr;
}

HWND ChildWindowFromPoint(HWND parent, POINT point) {
  WindowPtr window = FindWindow(parent);
  if (!window) return nullptr;
  RECT client;
  GetClientRect(parent, &client);
  if (!PtInRect(&client, point)) return nullptr;
  for (HWND childHandle : window->children) {
    WindowPtr child = FindWindow(childHandle);
    if (!child) continue;
    if (InShape(*child, POINT{point.x - child->rect.left, point.y - child->rect.top})) return childHandle;
  }
  return parent;
}

int SetWindowRgn(HWND hWnd, HRGN region, BOOL redraw) {
  WindowPtr window = OwnWindow(hWnd);
  if (!window) return 0;
  if (window->windowRegion && window->windowRegion != region) DeleteObject(window->windowRegion);
  window->windowRegion = region;
  InvalidateAfterGeometryChange(window);
  if (redraw) InvalidateRect(hWnd, nullptr, TRUE);
  return 1;
}

int GetWindowRgn(HWND hWnd, HRGN region) {
  WindowPtr window = FindWindow(hWnd);
  if (!window || !window->windowRegion || !region) return 0;
  return CombineRgn(region, window->windowRegion, nullptr, 5 /* RGN_COPY */);
}

BOOL GetCursorPos(LPPOINT point) {
  if (!point) return FALSE;
  *point = CursorPosition();
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  std::lock_guard<std::mutex> guard(g_pointerLock);
  g_cursor = POINT{x, y};
  return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
  std::lock_guard<std::mutex> guard(g_pointerLock);
  HCURSOR old = g_currentCursor;
  g_currentCursor = cursor;
  return old;
}

HCURSOR GetCursor() {
  std::lock_guard<std::mutex> guard(g_pointerLock);
  return g_currentCursor;
}

// Cursors have no pixels here; each standard id is a distinct handle so code can tell them apart.
HCURSOR LoadCursor(HINSTANCE, LPCSTR name) {
  return reinterpret_cast<HCURSOR>(reinterpret_cast<std::uintptr_t>(name) | 0x10000000u);
}

int ShowCursor(BOOL show) {
  static int counter = 0;
  return show ? ++counter : --counter;
}

SHORT GetKeyState(int virtualKey) { return KeyDown(virtualKey) ? static_cast<SHORT>(0x8000) : 0; }
SHORT GetAsyncKeyState(int virtualKey) { return GetKeyState(virtualKey); }
BOOL MessageBeep(UINT) { return TRUE; }

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  char ch = static_cast<char>((msg->lParam >> 16) & 0xFF);
  if (!ch) return FALSE;
  PostMessageFirst(msg->hwnd, msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR, static_cast<unsigned char>(ch), msg->lParam);
  return TRUE;
}
