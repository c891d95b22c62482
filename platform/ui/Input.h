// Mouse and keyboard: hit testing (through window regions and WM_NCHITTEST), capture, mouse-leave
// tracking, keyboard focus and activation, virtual-key codes; and the entry points through which a
// display back end or a test feeds input as a user would make it.
#pragma once

#include "platform/core/WinTypes.h"
#include "platform/ui/WinUser.h"

// ---- Hit-test results (WM_NCHITTEST) ---------------------------------------------------------------
#define HTERROR (-2)
#define HTTRANSPARENT (-1)
#define HTNOWHERE 0
#define HTCLIENT 1
#define HTCAPTION 2
#define HTSYSMENU 3
#define HTGROWBOX 4
#define HTMENU 5
#define HTHSCROLL 6
#define HTVSCROLL 7
#define HTMINBUTTON 8
#define HTMAXBUTTON 9
#define HTLEFT 10
#define HTRIGHT 11
#define HTTOP 12
#define HTTOPLEFT 13
#define HTTOPRIGHT 14
#define HTBOTTOM 15
#define HTBOTTOMLEFT 16
#define HTBOTTOMRIGHT 17
#define HTBORDER 18
#define HTCLOSE 20

// Mouse key flags of mouse messages (wParam).
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010

// WM_MOUSEACTIVATE results.
#define MA_ACTIVATE 1
#define MA_ACTIVATEANDEAT 2
#define MA_NOACTIVATE 3
#define MA_NOACTIVATEANDEAT 4

// TrackMouseEvent.
#define TME_HOVER 0x00000001
#define TME_LEAVE 0x00000002
#define TME_NONCLIENT 0x00000010
#define TME_QUERY 0x40000000
#define TME_CANCEL 0x80000000
#define HOVER_DEFAULT 0xFFFFFFFF
struct TRACKMOUSEEVENT {
  DWORD cbSize = sizeof(TRACKMOUSEEVENT);
  DWORD dwFlags = 0;
  HWND hwndTrack = nullptr;
  DWORD dwHoverTime = 0;
};
using LPTRACKMOUSEEVENT = TRACKMOUSEEVENT*;

// ---- Virtual-key codes -----------------------------------------------------------------------------
#define VK_LBUTTON 0x01
#define VK_RBUTTON 0x02
#define VK_CANCEL 0x03
#define VK_MBUTTON 0x04
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_CLEAR 0x0C
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_PAUSE 0x13
#define VK_CAPITAL 0x14
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_SELECT 0x29
#define VK_SNAPSHOT 0x2C
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_HELP 0x2F
// '0'..'9' are 0x30..0x39 and 'A'..'Z' are 0x41..0x5A, as their characters.
#define VK_NUMPAD0 0x60
#define VK_NUMPAD1 0x61
#define VK_NUMPAD2 0x62
#define VK_NUMPAD3 0x63
#define VK_NUMPAD4 0x64
#define VK_NUMPAD5 0x65
#define VK_NUMPAD6 0x66
#define VK_NUMPAD7 0x67
#define VK_NUMPAD8 0x68
#define VK_NUMPAD9 0x69
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SEPARATOR 0x6C
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_F2 0x71
#define VK_F3 0x72
#define VK_F4 0x73
#define VK_F5 0x74
#define VK_F6 0x75
#define VK_F7 0x76
#define VK_F8 0x77
#define VK_F9 0x78
#define VK_F10 0x79
#ifndef VK_APPS
#define VK_APPS 0x5D  // the menu key
#endif
#define VK_F11 0x7A
#define VK_F12 0x7B
#define VK_NUMLOCK 0x90
#define VK_SCROLL 0x91

// ---- Focus, activation, capture --------------------------------------------------------------------
// Focus is per thread: WM_KILLFOCUS goes to the old window (wParam = new), WM_SETFOCUS to the new one
// (wParam = old). A disabled or hidden window cannot take the focus (null is returned).
HWND SetFocus(HWND hWnd);
HWND GetFocus();
HWND SetActiveWindow(HWND hWnd);
HWND GetActiveWindow();
BOOL SetForegroundWindow(HWND hWnd);
HWND GetForegroundWindow();
// While a window has the capture, every mouse message of the thread goes to it.
HWND SetCapture(HWND hWnd);
BOOL ReleaseCapture();
HWND GetCapture();
BOOL TrackMouseEvent(LPTRACKMOUSEEVENT track);

// ---- Hit testing and window regions ----------------------------------------------------------------
// The visible, enabled window under a screen point: the topmost top-level window whose region holds
// the point, then its deepest child that does and does not answer HTTRANSPARENT.
HWND WindowFromPoint(POINT point);
// The child of the window under a client point (the window itself when no child is), or null.
HWND ChildWindowFromPoint(HWND parent, POINT point);
// The window takes ownership of the region (window coordinates); null makes it rectangular again.
int SetWindowRgn(HWND hWnd, HRGN region, BOOL redraw);
// Copies the window's region into `region`; ERROR (0) when it has none.
int GetWindowRgn(HWND hWnd, HRGN region);

BOOL GetCursorPos(LPPOINT point);
BOOL SetCursorPos(int x, int y);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name);
int ShowCursor(BOOL show);
#define IDC_ARROW (reinterpret_cast<LPCSTR>(32512))
#define IDC_IBEAM (reinterpret_cast<LPCSTR>(32513))
#define IDC_WAIT (reinterpret_cast<LPCSTR>(32514))
#define IDC_CROSS (reinterpret_cast<LPCSTR>(32515))
#define IDC_SIZEALL (reinterpret_cast<LPCSTR>(32646))
#define IDC_NO (reinterpret_cast<LPCSTR>(32648))
#define IDC_HAND (reinterpret_cast<LPCSTR>(32649))

// Key state as the messages made so far left it: bit 15 set while down.
SHORT GetKeyState(int virtualKey);
SHORT GetAsyncKeyState(int virtualKey);
BOOL MessageBeep(UINT type);

namespace qh::ui {

// ---- Feeding input (display back end, tests) -------------------------------------------------------
// Input is queued and routed when the thread's queue reaches it (after the messages already posted),
// so earlier input's effects, such as a capture taken on a button press, decide where it goes.
// A mouse event at a screen point, as a user makes it: routes it to the capture window or by hit
// testing, posts WM_MOUSEMOVE / WM_xBUTTONDOWN / ... (double clicks for classes with CS_DBLCLKS), the
// non-client forms when the hit test says so, WM_MOUSELEAVE to a window that asked for it when the
// pointer leaves it, and activates and focuses on a button press. `message` is a client mouse message
// (WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, ...). Call on the thread of the windows.
void InjectMouse(UINT message, POINT screenPoint, WPARAM keys = 0);
// A mouse event at a client point of a window (made into a screen point).
void InjectMouseAt(HWND hWnd, UINT message, int x, int y, WPARAM keys = 0);
// A key going down or up, posted to the focus window (or the active window): WM_KEYDOWN / WM_KEYUP, and
// through TranslateMessage the WM_CHAR of a printable key. `ch` is the character the key typed (0 for
// none); shift state follows VK_SHIFT.
void InjectKey(UINT virtualKey, bool down, char ch = 0);
// A key alone (no character follows), and a character alone, as a display reports them separately.
void InjectKeyOnly(UINT virtualKey, bool down);
void InjectCharacter(char ch);
// Types text into the focus window: key down, character, key up for each byte.
void InjectText(const char* text);
// The pointer went off every window (a display lost it).
void InjectMouseLeftDisplay();

// ---- Inside the layer ------------------------------------------------------------------------------
// Injected input waits in the calling thread's raw input queue; the message queue routes one event
// at a time when no posted message is left.
bool HasRawInput();
bool RouteOneRawInput();
POINT CursorPosition();
void ForgetInputState(HWND hWnd);        // the window is being destroyed
void HideWindowInputState(HWND hWnd);    // the window is being hidden
void DisableWindowInputState(HWND hWnd); // the window is being disabled
// The keyboard message's target after pre-translation: the focus window, else the active window; null
// while that window or one it sits in is disabled.
HWND KeyboardTarget();
// The highest shown and enabled top-level window that `top` owns (directly or through others): the
// modal window a disabled owner waits for. Null when there is none.
HWND EnabledPopupOf(HWND top);
// Gives the top-level window its last focused control back (when the focus is not in it already).
void RestoreFocus(HWND top);
// Starts moving a window by its caption until the left button comes up (a press on HTCAPTION).
void BeginCaptionDrag(HWND hWnd, POINT screenPoint);
// Queues a message ahead of every other posted message of the window's thread (WM_CHAR made from a
// key-down comes next, as typed).
BOOL PostMessageFirst(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace qh::ui
