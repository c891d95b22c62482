// The framework's window classes over the window manager: CCmdTarget with message maps, and CWnd,
// whose object lives apart from its window (the window may be destroyed while the object lives on,
// and an object may be attached to a window it did not create).
//
// Message maps are written as the framework's own code writes them, with the handler's name alone:
//
//   class CMasterWindow : public CWnd {
//     ...
//     afx_msg void OnTimer(UINT_PTR id);
//     afx_msg LRESULT OnQuitRequest(WPARAM, LPARAM);
//     DECLARE_MESSAGE_MAP()
//   };
//   BEGIN_MESSAGE_MAP(CMasterWindow, CWnd)
//     ON_WM_TIMER()
//     ON_MESSAGE(0x464, OnQuitRequest)
//     ON_BN_CLICKED(1001, OnZoneButton)
//   END_MESSAGE_MAP()
#pragma once

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"
#include "platform/ui/AfxTypes.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Input.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/gdi/AfxGdi.h"

#define afx_msg

class CCmdTarget;
class CWnd;
class CMenu;
class CScrollBar;
class CDataExchange;
struct NMHDR;
struct DRAWITEMSTRUCT;
struct MEASUREITEMSTRUCT;
using LPDRAWITEMSTRUCT = DRAWITEMSTRUCT*;
using LPMEASUREITEMSTRUCT = MEASUREITEMSTRUCT*;

// Reflected notifications: a control sees its parent's notification about it as this base + message.
#define WM_REFLECT_BASE 0xBC00

// One message-map entry: which message (and for WM_COMMAND / WM_NOTIFY which code and control ids)
// and the thunk that unpacks the parameters into the handler's call.
struct AFX_MSGMAP_ENTRY {
  UINT message;
  UINT code;
  UINT firstId;
  UINT lastId;
  LRESULT (*handler)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);
};
struct AFX_MSGMAP {
  const AFX_MSGMAP* (*baseMap)();
  const AFX_MSGMAP_ENTRY* entries;
};

class CObject {
 public:
  virtual ~CObject() = default;
};

class CCmdTarget : public CObject {
 public:
  // Runs the command handler of this object's map for control `id` and notification `code`
  // (0 = a menu command or button click). TRUE when a handler ran.
  virtual BOOL OnCmdMsg(UINT id, int code, void* extra, void* handlerInfo);

  // Finds the entry for a message in the map chain of this object, or null.
  const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT message, UINT code, UINT id) const;

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
};

#define DECLARE_MESSAGE_MAP()                   \
 protected:                                     \
  static const AFX_MSGMAP* GetThisMessageMap(); \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                             \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }        \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                        \
    using ThisClass = theClass;                                                            \
    using TheBaseClass = baseClass;                                                        \
    static const AFX_MSGMAP_ENTRY messageEntries[] = {
#define END_MESSAGE_MAP()                                                          \
  {0, 0, 0, 0, nullptr}                                                            \
  }                                                                                \
  ;                                                                                \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, messageEntries}; \
  return &messageMap;                                                              \
  }

// Builds an entry whose thunk runs `body` with `self` (the object), `wParam` and `lParam` in scope.
#define QH_MSG_ENTRY(message, code, firstId, lastId, body)                                                  \
  {static_cast<UINT>(message), static_cast<UINT>(code), static_cast<UINT>(firstId), static_cast<UINT>(lastId), \
   [](CCmdTarget* target, WPARAM wParam, LPARAM lParam) -> LRESULT {                                          \
     [[maybe_unused]] ThisClass* self = static_cast<ThisClass*>(target);                                      \
     (void)wParam;                                                                                            \
     (void)lParam;                                                                                            \
     body                                                                                                     \
   }},
#define QH_POINT_OF(lp) CPoint(static_cast<LPARAM>(lp))
#define QH_WND_OF(h) CWnd::FromHandle(reinterpret_cast<HWND>(h))

// ---- Window messages ----
#define ON_WM_CREATE() \
  QH_MSG_ENTRY(WM_CREATE, 0, 0, 0, return self->OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam));)
#define ON_WM_DESTROY() QH_MSG_ENTRY(WM_DESTROY, 0, 0, 0, self->OnDestroy(); return 0;)
#define ON_WM_NCDESTROY() QH_MSG_ENTRY(WM_NCDESTROY, 0, 0, 0, self->OnNcDestroy(); return 0;)
#define ON_WM_CLOSE() QH_MSG_ENTRY(WM_CLOSE, 0, 0, 0, self->OnClose(); return 0;)
#define ON_WM_TIMER() QH_MSG_ENTRY(WM_TIMER, 0, 0, 0, self->OnTimer(static_cast<UINT_PTR>(wParam)); return 0;)
#define ON_WM_PAINT() QH_MSG_ENTRY(WM_PAINT, 0, 0, 0, self->OnPaint(); return 0;)
#define ON_WM_NCPAINT() QH_MSG_ENTRY(WM_NCPAINT, 0, 0, 0, self->OnNcPaint(); return 0;)
#define ON_WM_ERASEBKGND() \
  QH_MSG_ENTRY(WM_ERASEBKGND, 0, 0, 0, return self->OnEraseBkgnd(CDC::FromHandle(reinterpret_cast<HDC>(wParam)));)
#define ON_WM_SIZE()                                                                                     \
  QH_MSG_ENTRY(WM_SIZE, 0, 0, 0, self->OnSize(static_cast<UINT>(wParam), static_cast<SHORT>(LOWORD(lParam)), \
                                              static_cast<SHORT>(HIWORD(lParam)));                        \
               return 0;)
#define ON_WM_MOVE() \
  QH_MSG_ENTRY(WM_MOVE, 0, 0, 0, self->OnMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;)
#define ON_WM_SHOWWINDOW() \
  QH_MSG_ENTRY(WM_SHOWWINDOW, 0, 0, 0, self->OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam)); return 0;)
#define ON_WM_ACTIVATE()                                                                                   \
  QH_MSG_ENTRY(WM_ACTIVATE, 0, 0, 0,                                                                       \
               self->OnActivate(LOWORD(wParam), QH_WND_OF(lParam), static_cast<BOOL>(HIWORD(wParam))); return 0;)
#define ON_WM_SETFOCUS() QH_MSG_ENTRY(WM_SETFOCUS, 0, 0, 0, self->OnSetFocus(QH_WND_OF(wParam)); return 0;)
#define ON_WM_KILLFOCUS() QH_MSG_ENTRY(WM_KILLFOCUS, 0, 0, 0, self->OnKillFocus(QH_WND_OF(wParam)); return 0;)
#define ON_WM_ENABLE() QH_MSG_ENTRY(WM_ENABLE, 0, 0, 0, self->OnEnable(static_cast<BOOL>(wParam)); return 0;)
#define QH_KEY_ENTRY(message, handler)                                                                    \
  QH_MSG_ENTRY(message, 0, 0, 0,                                                                          \
               self->handler(static_cast<UINT>(wParam), static_cast<UINT>(LOWORD(lParam)),                \
                             static_cast<UINT>(HIWORD(lParam)));                                          \
               return 0;)
#define ON_WM_KEYDOWN() QH_KEY_ENTRY(WM_KEYDOWN, OnKeyDown)
#define ON_WM_KEYUP() QH_KEY_ENTRY(WM_KEYUP, OnKeyUp)
#define ON_WM_CHAR() QH_KEY_ENTRY(WM_CHAR, OnChar)
#define ON_WM_SYSKEYDOWN() QH_KEY_ENTRY(WM_SYSKEYDOWN, OnSysKeyDown)
#define QH_MOUSE_ENTRY(message, handler) \
  QH_MSG_ENTRY(message, 0, 0, 0, self->handler(static_cast<UINT>(wParam), QH_POINT_OF(lParam)); return 0;)
#define ON_WM_MOUSEMOVE() QH_MOUSE_ENTRY(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_LBUTTONDOWN() QH_MOUSE_ENTRY(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() QH_MOUSE_ENTRY(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() QH_MOUSE_ENTRY(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() QH_MOUSE_ENTRY(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() QH_MOUSE_ENTRY(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_NCLBUTTONDOWN() QH_MOUSE_ENTRY(WM_NCLBUTTONDOWN, OnNcLButtonDown)
#define ON_WM_MOUSELEAVE() QH_MSG_ENTRY(WM_MOUSELEAVE, 0, 0, 0, self->OnMouseLeave(); return 0;)
#define ON_WM_NCHITTEST() QH_MSG_ENTRY(WM_NCHITTEST, 0, 0, 0, return self->OnNcHitTest(QH_POINT_OF(lParam));)
#define ON_WM_CAPTURECHANGED() \
  QH_MSG_ENTRY(WM_CAPTURECHANGED, 0, 0, 0, self->OnCaptureChanged(QH_WND_OF(lParam)); return 0;)
#define ON_WM_SETCURSOR()                                                                                   \
  QH_MSG_ENTRY(WM_SETCURSOR, 0, 0, 0,                                                                       \
               return self->OnSetCursor(QH_WND_OF(wParam), LOWORD(lParam), HIWORD(lParam));)
#define ON_WM_CONTEXTMENU() \
  QH_MSG_ENTRY(WM_CONTEXTMENU, 0, 0, 0, self->OnContextMenu(QH_WND_OF(wParam), QH_POINT_OF(lParam)); return 0;)
#define QH_SCROLL_ENTRY(message, handler)                                                                   \
  QH_MSG_ENTRY(message, 0, 0, 0,                                                                            \
               self->handler(LOWORD(wParam), static_cast<SHORT>(HIWORD(wParam)),                           \
                             reinterpret_cast<CScrollBar*>(QH_WND_OF(lParam)));                             \
               return 0;)
#define ON_WM_HSCROLL() QH_SCROLL_ENTRY(WM_HSCROLL, OnHScroll)
#define ON_WM_VSCROLL() QH_SCROLL_ENTRY(WM_VSCROLL, OnVScroll)
#define ON_WM_DRAWITEM()                                                                                    \
  QH_MSG_ENTRY(WM_DRAWITEM, 0, 0, 0,                                                                        \
               self->OnDrawItem(static_cast<int>(wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(lParam)); return TRUE;)
#define ON_WM_MEASUREITEM()                                                                                 \
  QH_MSG_ENTRY(WM_MEASUREITEM, 0, 0, 0,                                                                     \
               self->OnMeasureItem(static_cast<int>(wParam), reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam)); return TRUE;)
#define QH_CTLCOLOR_ENTRY(message, kind)                                                                    \
  QH_MSG_ENTRY(message, 0, 0, 0,                                                                            \
               return reinterpret_cast<LRESULT>(self->OnCtlColor(CDC::FromHandle(reinterpret_cast<HDC>(wParam)), \
                                                                 QH_WND_OF(lParam), kind));)
#define ON_WM_CTLCOLOR()                                 \
  QH_CTLCOLOR_ENTRY(WM_CTLCOLORBTN, CTLCOLOR_BTN)        \
  QH_CTLCOLOR_ENTRY(WM_CTLCOLORDLG, CTLCOLOR_DLG)        \
  QH_CTLCOLOR_ENTRY(WM_CTLCOLOREDIT, CTLCOLOR_EDIT)      \
  QH_CTLCOLOR_ENTRY(WM_CTLCOLORLISTBOX, CTLCOLOR_LISTBOX) \
  QH_CTLCOLOR_ENTRY(WM_CTLCOLORMSGBOX, CTLCOLOR_MSGBOX)  \
  QH_CTLCOLOR_ENTRY(WM_CTLCOLORSCROLLBAR, CTLCOLOR_SCROLLBAR) \
  QH_CTLCOLOR_ENTRY(WM_CTLCOLORSTATIC, CTLCOLOR_STATIC)
#define ON_WM_SYSCOMMAND() \
  QH_MSG_ENTRY(WM_SYSCOMMAND, 0, 0, 0, self->OnSysCommand(static_cast<UINT>(wParam), lParam); return 0;)
#define ON_WM_WINDOWPOSCHANGED() \
  QH_MSG_ENTRY(WM_WINDOWPOSCHANGED, 0, 0, 0, self->OnWindowPosChanged(reinterpret_cast<WINDOWPOS*>(lParam)); return 0;)
#define ON_WM_QUERYDRAGICON() QH_MSG_ENTRY(WM_QUERYDRAGICON, 0, 0, 0, return reinterpret_cast<LRESULT>(self->OnQueryDragIcon());)
#define ON_WM_GETDLGCODE() QH_MSG_ENTRY(WM_GETDLGCODE, 0, 0, 0, return self->OnGetDlgCode();)

#define CTLCOLOR_MSGBOX 0
#define CTLCOLOR_EDIT 1
#define CTLCOLOR_LISTBOX 2
#define CTLCOLOR_BTN 3
#define CTLCOLOR_DLG 4
#define CTLCOLOR_SCROLLBAR 5
#define CTLCOLOR_STATIC 6

// ---- Private messages and commands ----
#define ON_MESSAGE(message, memberFxn) QH_MSG_ENTRY(message, 0, 0, 0, return self->memberFxn(wParam, lParam);)
#define ON_COMMAND(id, memberFxn) QH_MSG_ENTRY(WM_COMMAND, 0, id, id, self->memberFxn(); return TRUE;)
#define ON_COMMAND_RANGE(firstId, lastId, memberFxn) \
  QH_MSG_ENTRY(WM_COMMAND, 0, firstId, lastId, self->memberFxn(static_cast<UINT>(LOWORD(wParam))); return TRUE;)
#define ON_CONTROL(code, id, memberFxn) QH_MSG_ENTRY(WM_COMMAND, code, id, id, self->memberFxn(); return TRUE;)
#define ON_CONTROL_RANGE(code, firstId, lastId, memberFxn) \
  QH_MSG_ENTRY(WM_COMMAND, code, firstId, lastId, self->memberFxn(static_cast<UINT>(LOWORD(wParam))); return TRUE;)
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_UPDATE(id, memberFxn) ON_CONTROL(EN_UPDATE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_EN_MAXTEXT(id, memberFxn) ON_CONTROL(EN_MAXTEXT, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)
#define ON_LBN_SETFOCUS(id, memberFxn) ON_CONTROL(LBN_SETFOCUS, id, memberFxn)
#define ON_LBN_KILLFOCUS(id, memberFxn) ON_CONTROL(LBN_KILLFOCUS, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_DBLCLK(id, memberFxn) ON_CONTROL(CBN_DBLCLK, id, memberFxn)
#define ON_CBN_DROPDOWN(id, memberFxn) ON_CONTROL(CBN_DROPDOWN, id, memberFxn)
#define ON_CBN_CLOSEUP(id, memberFxn) ON_CONTROL(CBN_CLOSEUP, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
#define ON_CBN_SELENDOK(id, memberFxn) ON_CONTROL(CBN_SELENDOK, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn) ON_CONTROL(STN_CLICKED, id, memberFxn)
#define ON_STN_DBLCLK(id, memberFxn) ON_CONTROL(STN_DBLCLK, id, memberFxn)
// WM_NOTIFY from common controls: void memberFxn(NMHDR* header, LRESULT* result).
#define ON_NOTIFY(code, id, memberFxn)                                                                  \
  QH_MSG_ENTRY(WM_NOTIFY, code, id, id, LRESULT result = 0;                                              \
               self->memberFxn(reinterpret_cast<NMHDR*>(lParam), &result); return result;)
// Reflected to the control itself.
#define ON_NOTIFY_REFLECT(code, memberFxn)                                                              \
  QH_MSG_ENTRY(WM_REFLECT_BASE + WM_NOTIFY, code, 0, 0xFFFF, LRESULT result = 0;                         \
               self->memberFxn(reinterpret_cast<NMHDR*>(lParam), &result); return result;)
#define ON_CONTROL_REFLECT(code, memberFxn) \
  QH_MSG_ENTRY(WM_REFLECT_BASE + WM_COMMAND, code, 0, 0xFFFF, self->memberFxn(); return TRUE;)


// Modal loop flags (RunModalLoop).
#define MLF_NOIDLEMSG 0x0001
#define MLF_NOKICKIDLE 0x0002
#define MLF_SHOWONIDLE 0x0004

// Message box types, icons, default buttons.
#define MB_OK 0x00000000u
#define MB_OKCANCEL 0x00000001u
#define MB_ABORTRETRYIGNORE 0x00000002u
#define MB_YESNOCANCEL 0x00000003u
#define MB_YESNO 0x00000004u
#define MB_RETRYCANCEL 0x00000005u
#define MB_ICONHAND 0x00000010u
#define MB_ICONQUESTION 0x00000020u
#define MB_ICONEXCLAMATION 0x00000030u
#define MB_ICONASTERISK 0x00000040u
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_DEFBUTTON1 0x00000000u
#define MB_DEFBUTTON2 0x00000100u
#define MB_DEFBUTTON3 0x00000200u
#define MB_APPLMODAL 0x00000000u
#define MB_SYSTEMMODAL 0x00001000u
#define MB_TASKMODAL 0x00002000u
#define MB_SETFOREGROUND 0x00010000u
#define MB_TOPMOST 0x00040000u
#define MB_TYPEMASK 0x0000000Fu
#define MB_ICONMASK 0x000000F0u
#define MB_DEFMASK 0x00000F00u

class CWnd : public CCmdTarget {
 public:
  CWnd();
  explicit CWnd(HWND attached);
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  // Destroys a window that still exists (its handlers no longer reach the derived object).
  ~CWnd() override;

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return GetSafeHwnd(); }  // NOLINT
  bool operator==(const CWnd& other) const { return m_hWnd == other.m_hWnd; }

  // ---- Objects and windows ----
  // The object attached to the window, or a wrapper object of the window's control class kept until
  // the window is destroyed. Null for null or invalid handles.
  static CWnd* FromHandle(HWND hWnd);
  // The object attached to the window, or null.
  static CWnd* FromHandlePermanent(HWND hWnd);
  BOOL Attach(HWND hWnd);
  HWND Detach();
  // Routes an existing window's messages through this object (its old procedure becomes the default).
  BOOL SubclassWindow(HWND hWnd);
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  HWND UnsubclassWindow();

  // ---- Creation ----
  virtual BOOL Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                      void* context = nullptr);
  virtual BOOL CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                        int height, HWND parent, HMENU idOrMenu, LPVOID param = nullptr);
  virtual BOOL CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect,
                        CWnd* parent, UINT id, LPVOID param = nullptr);
  virtual BOOL DestroyWindow();
  // ---- ActiveX controls (ActiveX.h) ----
  // Creates the built-in control registered for the class id as this object's window. The persistence
  // object, storage and licence key are accepted for the callers' sake; no control of ours uses them.
  BOOL CreateControl(const GUID& clsid, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                     void* persist = nullptr, BOOL storage = FALSE, void* licenseKey = nullptr);
  // Calls a member of the control's automation object by dispatch id; paramInfo lists the argument
  // types (VTS_...). A failure throws a COleDispatchException*.
  void InvokeHelper(LONG dispId, WORD flags, WORD returnType, void* result, const BYTE* paramInfo, ...);
  virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
  virtual void PreSubclassWindow();
  // The last call the object gets for its window; objects that delete themselves do it here.
  virtual void PostNcDestroy();

  // ---- Messages ----
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
  // A notification of the parent about this control, reflected to it; TRUE when handled here.
  virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // Keyboard and mouse messages pass here (along the parent chain) before dispatch; TRUE eats them.
  virtual BOOL PreTranslateMessage(MSG* msg);
  // Runs the default procedure on the message being handled.
  LRESULT Default();
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc = nullptr);
  BOOL KillTimer(UINT_PTR id);

  // ---- Modal loops ----
  // Dispatches the thread's messages (posted ones and timers included) until EndModalLoop; returns
  // its result, or -1 when WM_QUIT arrived (the quit is put back for the outer loop).
  int RunModalLoop(DWORD flags = 0);
  virtual void EndModalLoop(int result);
  virtual BOOL ContinueModal();

  // ---- Relations ----
  CWnd* GetParent() const;
  CWnd* GetOwner() const;
  CWnd* GetTopLevelParent() const;
  CWnd* GetDlgItem(int id) const;
  void GetDlgItem(int id, HWND* out) const;
  int GetDlgCtrlID() const;
  int SetDlgCtrlID(int id);
  CWnd* GetWindow(UINT relation) const;
  BOOL IsChild(const CWnd* other) const;
  CWnd* GetNextDlgTabItem(CWnd* control, BOOL previous = FALSE) const;
  CWnd* GetNextDlgGroupItem(CWnd* control, BOOL previous = FALSE) const;

  // ---- State ----
  BOOL ShowWindow(int command);
  BOOL IsWindowVisible() const;
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const;
  BOOL IsIconic() const;
  BOOL IsZoomed() const;
  void SetWindowText(LPCSTR text);
  int GetWindowText(LPSTR buffer, int maxCount) const;
  void GetWindowText(CString& text) const;
  int GetWindowTextLength() const;
  DWORD GetStyle() const;
  DWORD GetExStyle() const;
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
  BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0);
  void SetFont(CFont* font, BOOL redraw = TRUE);
  CFont* GetFont() const;
  HICON SetIcon(HICON icon, BOOL bigIcon);
  HICON GetIcon(BOOL bigIcon) const;
  int SetWindowRgn(HRGN region, BOOL redraw);
  int GetWindowRgn(HRGN region) const;
  void SetRedraw(BOOL redraw = TRUE);

  // ---- Geometry and painting ----
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
  void MoveWindow(LPCRECT rect, BOOL repaint = TRUE);
  BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
  void GetWindowRect(LPRECT rect) const;
  void GetClientRect(LPRECT rect) const;
  void ClientToScreen(LPPOINT point) const;
  void ClientToScreen(LPRECT rect) const;
  void ScreenToClient(LPPOINT point) const;
  void ScreenToClient(LPRECT rect) const;
  void CenterWindow(CWnd* alternateOwner = nullptr);
  void BringWindowToTop();
  void Invalidate(BOOL erase = TRUE);
  void InvalidateRect(LPCRECT rect, BOOL erase = TRUE);
  void ValidateRect(LPCRECT rect);
  void UpdateWindow();
  BOOL RedrawWindow(LPCRECT rect = nullptr, HRGN region = nullptr, UINT flags = 0);
  CDC* GetDC();
  CDC* GetWindowDC();
  int ReleaseDC(CDC* dc);
  CDC* BeginPaint(LPPAINTSTRUCT paint);
  void EndPaint(LPPAINTSTRUCT paint);

  // ---- Input ----
  CWnd* SetFocus();
  static CWnd* GetFocus();
  CWnd* SetCapture();
  static CWnd* GetCapture();
  CWnd* SetActiveWindow();
  static CWnd* GetActiveWindow();
  BOOL SetForegroundWindow();

  // ---- Dialog items ----
  void SetDlgItemText(int id, LPCSTR text);
  int GetDlgItemText(int id, LPSTR buffer, int maxCount) const;
  int GetDlgItemText(int id, CString& text) const;
  void SetDlgItemInt(int id, UINT value, BOOL isSigned = TRUE);
  UINT GetDlgItemInt(int id, BOOL* translated = nullptr, BOOL isSigned = TRUE) const;
  void CheckDlgButton(int id, UINT check);
  UINT IsDlgButtonChecked(int id) const;
  void CheckRadioButton(int firstId, int lastId, int checkId);
  int GetCheckedRadioButton(int firstId, int lastId) const;
  // Moves data between the window's controls and the object's members (saveAndValidate TRUE reads the
  // controls). FALSE when a validation failed; the failing control then has the focus.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  virtual void DoDataExchange(CDataExchange* exchange);

  int MessageBox(LPCSTR text, LPCSTR caption = nullptr, UINT type = MB_OK);
  // The window's system menu (see ::GetSystemMenu).
  CMenu* GetSystemMenu(BOOL revert) const;

  // The framework's default handlers: each runs the default procedure for its message.
  afx_msg int OnCreate(LPCREATESTRUCT create);
  afx_msg void OnDestroy();
  afx_msg void OnNcDestroy();
  afx_msg void OnClose();
  afx_msg void OnTimer(UINT_PTR id);
  afx_msg void OnPaint();
  afx_msg void OnNcPaint();
  afx_msg BOOL OnEraseBkgnd(CDC* dc);
  afx_msg void OnSize(UINT kind, int cx, int cy);
  afx_msg void OnMove(int x, int y);
  afx_msg void OnShowWindow(BOOL show, UINT status);
  afx_msg void OnActivate(UINT state, CWnd* other, BOOL minimized);
  afx_msg void OnSetFocus(CWnd* oldWnd);
  afx_msg void OnKillFocus(CWnd* newWnd);
  afx_msg void OnEnable(BOOL enable);
  afx_msg void OnKeyDown(UINT ch, UINT repeat, UINT flags);
  afx_msg void OnKeyUp(UINT ch, UINT repeat, UINT flags);
  afx_msg void OnChar(UINT ch, UINT repeat, UINT flags);
  afx_msg void OnSysKeyDown(UINT ch, UINT repeat, UINT flags);
  afx_msg void OnMouseMove(UINT flags, CPoint point);
  afx_msg void OnLButtonDown(UINT flags, CPoint point);
  afx_msg void OnLButtonUp(UINT flags, CPoint point);
  afx_msg void OnLButtonDblClk(UINT flags, CPoint point);
  afx_msg void OnRButtonDown(UINT flags, CPoint point);
  afx_msg void OnRButtonUp(UINT flags, CPoint point);
  afx_msg void OnNcLButtonDown(UINT hitTest, CPoint point);
  afx_msg void OnMouseLeave();
  afx_msg LRESULT OnNcHitTest(CPoint point);
  afx_msg void OnCaptureChanged(CWnd* wnd);
  afx_msg BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
  afx_msg void OnContextMenu(CWnd* wnd, CPoint point);
  afx_msg void OnHScroll(UINT code, UINT position, CScrollBar* scrollBar);
  afx_msg void OnVScroll(UINT code, UINT position, CScrollBar* scrollBar);
  afx_msg void OnDrawItem(int id, LPDRAWITEMSTRUCT draw);
  afx_msg void OnMeasureItem(int id, LPMEASUREITEMSTRUCT measure);
  afx_msg HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT kind);
  afx_msg void OnSysCommand(UINT id, LPARAM lParam);
  afx_msg UINT OnGetDlgCode();
  afx_msg void OnWindowPosChanged(WINDOWPOS* position);
  afx_msg HCURSOR OnQueryDragIcon();

 protected:
  // Passes a message of the parent about a control on to the control's own object.
  static BOOL ReflectChildNotify(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // The object handles its own reflected notification through its map (WM_REFLECT_BASE entries).
  BOOL ReflectedByMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

  WNDPROC m_pfnSuper = nullptr;  // the window's procedure before the object took it over
  int m_nModalResult = -1;
  DWORD m_nFlags = 0;

  DECLARE_MESSAGE_MAP()

 private:
  friend LRESULT AfxWndProc(HWND, UINT, WPARAM, LPARAM);
  void AttachToHandle(HWND hWnd);
  CDC* m_paintDC = nullptr;
};

#define WF_CONTINUEMODAL 0x0001
#define WF_MODALLOOP 0x0002

// The window procedure of every window that has an attached object.
LRESULT AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Registers (once) a window class with the default procedure and returns its name, made from the
// arguments so that equal arguments give the same class.
LPCSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                           HICON icon = nullptr);

// The message currently being handled by the calling thread's framework window.
const MSG* AfxGetCurrentMessage();

namespace qh::ui {
// Makes FromHandle give wrapper objects of a control class for windows of a window class (so a
// "ListBox" window is seen through a CListBox); the controls register theirs.
using WrapperFactory = CWnd* (*)();
void RegisterWrapperClass(const char* windowClassName, WrapperFactory factory);
// The framework's own control classes register theirs here (FromHandle calls both once).
void RegisterStandardWrappers();
void RegisterCommonWrappers();
// Hands a message to the framework's pre-translation: the window's object and those of its parents up
// to the top-level window, then the thread's application object. TRUE when one of them ate it.
BOOL PreTranslateThroughFramework(MSG* msg);
// The window's object and those of its parents only (the application's default pre-translation).
BOOL WalkPreTranslateTree(MSG* msg);
// One turn of a message loop: get, pre-translate, translate, dispatch. FALSE on WM_QUIT, whose exit
// code goes to `exitCode`.
BOOL PumpMessage(int* exitCode = nullptr);
}  // namespace qh::ui
