// CCmdTarget's message maps and CWnd: objects attached to windows, creation, dispatch through the
// maps, reflection of control notifications, and the thin calls over the window manager.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/core/Thread.h"
#include "platform/ui/AfxWin.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/WindowRecord.h"

namespace {

// Objects attached to windows, and wrapper objects made by FromHandle for windows without one.
struct HandleMaps {
  std::mutex lock;
  std::unordered_map<HWND, CWnd*> permanent;
  std::unordered_map<HWND, std::unique_ptr<CWnd>> temporary;
  std::map<std::string, qh::ui::WrapperFactory, std::less<>> wrappers;
};
HandleMaps& Maps() {
  static HandleMaps* maps = new HandleMaps;  // outlives every static window object
  return *maps;
}

thread_local MSG t_currentMessage;

std::string UpperName(const char* name) {
  std::string upper = name ? name : "";
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

CWnd* MakeWrapper(HWND hWnd) {
  static std::once_flag once;
  std::call_once(once, [] {
    qh::ui::RegisterStandardWrappers();
    qh::ui::RegisterCommonWrappers();
  });
  char className[128] = {};
  ::GetClassName(hWnd, className, sizeof className);
  qh::ui::WrapperFactory factory = nullptr;
  {
    std::lock_guard<std::mutex> guard(Maps().lock);
    auto it = Maps().wrappers.find(UpperName(className));
    if (it != Maps().wrappers.end()) factory = it->second;
  }
  CWnd* wrapper = factory ? factory() : new CWnd;
  wrapper->m_hWnd = hWnd;
  return wrapper;
}

const AFX_MSGMAP_ENTRY* FindInMap(const AFX_MSGMAP* map, UINT message, UINT code, UINT id) {
  for (; map; map = map->baseMap ? map->baseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* entry = map->entries; entry && entry->handler; ++entry) {
      if (entry->message != message) continue;
      bool commandLike = message == WM_COMMAND || message == WM_NOTIFY || message >= WM_REFLECT_BASE;
      if (!commandLike) return entry;
      if (entry->code == code && id >= entry->firstId && id <= entry->lastId) return entry;
    }
    if (!map->baseMap) break;
  }
  return nullptr;
}

bool IsReflectable(UINT message) {
  switch (message) {
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORSCROLLBAR: return true;
    default: return false;
  }
}

// The control a reflectable message is about.
HWND ControlOf(HWND parent, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWITEM: return reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem;
    case WM_MEASUREITEM: return ::GetDlgItem(parent, static_cast<int>(wParam));
    case WM_DELETEITEM:
    case WM_COMPAREITEM: return ::GetDlgItem(parent, static_cast<int>(wParam));
    default: return reinterpret_cast<HWND>(lParam);
  }
}

}  // namespace

// ---- CCmdTarget ------------------------------------------------------------------------------------
const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
  static const AFX_MSGMAP map = {nullptr, entries};
  return &map;
}
const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT message, UINT code, UINT id) const {
  return FindInMap(GetMessageMap(), message, code, id);
}

BOOL CCmdTarget::OnCmdMsg(UINT id, int code, void*, void*) {
  const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(WM_COMMAND, static_cast<UINT>(code), id);
  if (!entry) return FALSE;
  entry->handler(this, MAKEWPARAM(static_cast<WORD>(id), static_cast<WORD>(code)), 0);
  return TRUE;
}

// ---- The procedure of framework windows --------------------------------------------------------------
LRESULT AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = CWnd::FromHandlePermanent(hWnd);
  if (!wnd) return ::DefWindowProc(hWnd, message, wParam, lParam);
  MSG saved = t_currentMessage;
  t_currentMessage.hwnd = hWnd;
  t_currentMessage.message = message;
  t_currentMessage.wParam = wParam;
  t_currentMessage.lParam = lParam;
  LRESULT result = wnd->WindowProc(message, wParam, lParam);
  t_currentMessage = saved;
  if (message == WM_NCDESTROY) {
    // A handler that did not end in CWnd::OnNcDestroy still lets go of its window.
    if (CWnd* still = CWnd::FromHandlePermanent(hWnd)) {
      still->Detach();
      still->PostNcDestroy();
    }
  }
  return result;
}

const MSG* AfxGetCurrentMessage() { return &t_currentMessage; }

void qh::ui::RegisterWrapperClass(const char* windowClassName, WrapperFactory factory) {
  std::lock_guard<std::mutex> guard(Maps().lock);
  Maps().wrappers[UpperName(windowClassName)] = factory;
}

// ---- CWnd: objects and windows -----------------------------------------------------------------------
BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
ON_WM_NCDESTROY()
END_MESSAGE_MAP()

CWnd::CWnd() = default;
CWnd::CWnd(HWND attached) : m_hWnd(attached) {}

CWnd::~CWnd() {
  if (m_hWnd && FromHandlePermanent(m_hWnd) == this) {
    HWND hWnd = m_hWnd;
    if (::IsWindow(hWnd) && GetWindowThreadProcessId(hWnd, nullptr) == GetCurrentThreadId()) {
      ::DestroyWindow(hWnd);
    }
    std::lock_guard<std::mutex> guard(Maps().lock);
    auto it = Maps().permanent.find(hWnd);
    if (it != Maps().permanent.end() && it->second == this) Maps().permanent.erase(it);
  }
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
  if (!hWnd) return nullptr;
  std::lock_guard<std::mutex> guard(Maps().lock);
  auto it = Maps().permanent.find(hWnd);
  return it == Maps().permanent.end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
  if (!hWnd || !::IsWindow(hWnd)) return nullptr;
  if (CWnd* permanent = FromHandlePermanent(hWnd)) return permanent;
  std::unique_ptr<CWnd> fresh;
  {
    std::lock_guard<std::mutex> guard(Maps().lock);
    auto it = Maps().temporary.find(hWnd);
    if (it != Maps().temporary.end()) return it->second.get();
  }
  fresh.reset(MakeWrapper(hWnd));
  std::lock_guard<std::mutex> guard(Maps().lock);
  // Wrappers of windows that are gone are dropped here, so they never pile up.
  for (auto it = Maps().temporary.begin(); it != Maps().temporary.end();) {
    if (!::IsWindow(it->first)) {
      it->second->m_hWnd = nullptr;
      it = Maps().temporary.erase(it);
    } else {
      ++it;
    }
  }
  CWnd* result = fresh.get();
  Maps().temporary[hWnd] = std::move(fresh);
  return result;
}

void CWnd::AttachToHandle(HWND hWnd) {
  m_hWnd = hWnd;
  std::lock_guard<std::mutex> guard(Maps().lock);
  Maps().permanent[hWnd] = this;
  auto it = Maps().temporary.find(hWnd);
  if (it != Maps().temporary.end()) {
    it->second->m_hWnd = nullptr;
    Maps().temporary.erase(it);
  }
}

BOOL CWnd::Attach(HWND hWnd) {
  if (!hWnd || !::IsWindow(hWnd) || m_hWnd || FromHandlePermanent(hWnd)) return FALSE;
  AttachToHandle(hWnd);
  return TRUE;
}

HWND CWnd::Detach() {
  HWND hWnd = m_hWnd;
  if (hWnd) {
    std::lock_guard<std::mutex> guard(Maps().lock);
    auto it = Maps().permanent.find(hWnd);
    if (it != Maps().permanent.end() && it->second == this) Maps().permanent.erase(it);
  }
  m_hWnd = nullptr;
  return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
  if (!Attach(hWnd)) return FALSE;
  PreSubclassWindow();
  auto old = reinterpret_cast<WNDPROC>(::SetWindowLongPtr(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
  if (old != &AfxWndProc) m_pfnSuper = old;
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  if (!parent) return FALSE;
  HWND control = ::GetDlgItem(parent->m_hWnd, static_cast<int>(id));
  return control ? SubclassWindow(control) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
  if (!m_hWnd) return nullptr;
  if (m_pfnSuper) ::SetWindowLongPtr(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  m_pfnSuper = nullptr;
  return Detach();
}

// ---- Creation ----------------------------------------------------------------------------------------
BOOL CWnd::PreCreateWindow(CREATESTRUCT&) { return TRUE; }
void CWnd::PreSubclassWindow() {}
void CWnd::PostNcDestroy() {}

BOOL CWnd::CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU idOrMenu, LPVOID param) {
  if (m_hWnd) return FALSE;
  CREATESTRUCT cs;
  cs.dwExStyle = exStyle;
  cs.lpszClass = className;
  cs.lpszName = windowName;
  cs.style = static_cast<LONG>(style);
  cs.x = x;
  cs.y = y;
  cs.cx = width;
  cs.cy = height;
  cs.hwndParent = parent;
  cs.hMenu = idOrMenu;
  cs.lpCreateParams = param;
  if (!PreCreateWindow(cs)) {
    PostNcDestroy();
    return FALSE;
  }
  if (!cs.lpszClass) cs.lpszClass = AfxRegisterWndClass(0);
  qh::ui::SetCreationHook([this](HWND hWnd) {
    AttachToHandle(hWnd);
    auto old = reinterpret_cast<WNDPROC>(::SetWindowLongPtr(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
    m_pfnSuper = old == &AfxWndProc ? nullptr : old;
    // The object is attached before the window's first message, as for a subclassed window.
    PreSubclassWindow();
  });
  HWND created = ::CreateWindowEx(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y,
                                  cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
  qh::ui::SetCreationHook(nullptr);
  return created != nullptr;
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                    UINT id, LPVOID param) {
  return CreateEx(exStyle, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
                  rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                  reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)), param);
}

BOOL CWnd::Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id, void*) {
  return CreateEx(0, className, windowName, style | WS_CHILD, rect, parent, id);
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  return ::DestroyWindow(m_hWnd);
}

// ---- Dispatch ----------------------------------------------------------------------------------------
LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_pfnSuper) return ::CallWindowProc(m_pfnSuper, m_hWnd, message, wParam, lParam);
  return ::DefWindowProc(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
  const MSG& msg = t_currentMessage;
  return DefWindowProc(msg.message, msg.wParam, msg.lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_COMMAND) {
    if (!OnCommand(wParam, lParam)) return FALSE;
    *result = 1;
    return TRUE;
  }
  if (message == WM_NOTIFY) return OnNotify(wParam, lParam, result);
  const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, 0, 0);
  if (entry) {
    *result = entry->handler(this, wParam, lParam);
    return TRUE;
  }
  if (IsReflectable(message)) {
    HWND control = ControlOf(m_hWnd, message, wParam, lParam);
    if (control && control != m_hWnd && ReflectChildNotify(control, message, wParam, lParam, result)) return TRUE;
  }
  return FALSE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT id = LOWORD(wParam);
  int code = HIWORD(wParam);
  HWND control = reinterpret_cast<HWND>(lParam);
  if (control && control != m_hWnd && ReflectChildNotify(control, WM_COMMAND, wParam, lParam, nullptr)) return TRUE;
  return OnCmdMsg(id, code, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* result) {
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  if (!header) return FALSE;
  if (header->hwndFrom && header->hwndFrom != m_hWnd &&
      ReflectChildNotify(header->hwndFrom, WM_NOTIFY, 0, lParam, result))
    return TRUE;
  const AFX_MSGMAP_ENTRY* entry =
      FindMessageEntry(WM_NOTIFY, static_cast<UINT>(header->code), static_cast<UINT>(header->idFrom));
  if (!entry) return FALSE;
  *result = entry->handler(this, 0, lParam);
  return TRUE;
}

BOOL CWnd::ReflectChildNotify(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  CWnd* control = FromHandlePermanent(child);
  if (!control) return FALSE;
  LRESULT ignored = 0;
  return control->OnChildNotify(message, wParam, lParam, result ? result : &ignored);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  return ReflectedByMap(message, wParam, lParam, result);
}

BOOL CWnd::ReflectedByMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  UINT code = 0;
  if (message == WM_COMMAND) code = HIWORD(wParam);
  if (message == WM_NOTIFY) code = static_cast<UINT>(reinterpret_cast<NMHDR*>(lParam)->code);
  const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(WM_REFLECT_BASE + message, code, 0);
  if (!entry) return FALSE;
  LRESULT value = entry->handler(this, wParam, lParam);
  if (result) *result = value;
  return TRUE;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessage(m_hWnd, message, wParam, lParam);
}
BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessage(m_hWnd, message, wParam, lParam);
}
LRESULT CWnd::SendDlgItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND item = ::GetDlgItem(m_hWnd, id);
  return item ? ::SendMessage(item, message, wParam, lParam) : 0;
}
UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc) { return ::SetTimer(m_hWnd, id, elapse, proc); }
BOOL CWnd::KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }

// ---- Modal loops -------------------------------------------------------------------------------------
int CWnd::RunModalLoop(DWORD) {
  m_nFlags |= WF_CONTINUEMODAL | WF_MODALLOOP;
  HWND self = m_hWnd;
  while (ContinueModal()) {
    MSG msg;
    if (!::GetMessage(&msg, nullptr, 0, 0)) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      m_nFlags &= ~static_cast<DWORD>(WF_CONTINUEMODAL | WF_MODALLOOP);
      return -1;
    }
    if (!qh::ui::PreTranslateThroughFramework(&msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessage(&msg);
    }
    // The window went away under the loop (destroyed by a handler): the loop ends with it.
    if (self && !::IsWindow(self) && ContinueModal()) {
      m_nFlags &= ~static_cast<DWORD>(WF_CONTINUEMODAL);
    }
  }
  m_nFlags &= ~static_cast<DWORD>(WF_MODALLOOP);
  return m_nModalResult;
}

void CWnd::EndModalLoop(int result) {
  m_nModalResult = result;
  if (m_nFlags & WF_CONTINUEMODAL) {
    m_nFlags &= ~static_cast<DWORD>(WF_CONTINUEMODAL);
    ::PostMessage(nullptr, WM_NULL, 0, 0);  // wakes the loop
  }
}

BOOL CWnd::ContinueModal() { return (m_nFlags & WF_CONTINUEMODAL) ? TRUE : FALSE; }

// ---- Relations ---------------------------------------------------------------------------------------
CWnd* CWnd::GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
CWnd* CWnd::GetOwner() const { return FromHandle(::GetWindow(m_hWnd, GW_OWNER) ? ::GetWindow(m_hWnd, GW_OWNER) : ::GetParent(m_hWnd)); }
CWnd* CWnd::GetTopLevelParent() const { return FromHandle(::GetAncestor(m_hWnd, GA_ROOT)); }
CWnd* CWnd::GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }
void CWnd::GetDlgItem(int id, HWND* out) const {
  if (out) *out = ::GetDlgItem(m_hWnd, id);
}
int CWnd::GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
int CWnd::SetDlgCtrlID(int id) { return static_cast<int>(::SetWindowLongPtr(m_hWnd, GWLP_ID, id)); }
CWnd* CWnd::GetWindow(UINT relation) const { return FromHandle(::GetWindow(m_hWnd, relation)); }
BOOL CWnd::IsChild(const CWnd* other) const { return other && ::IsChild(m_hWnd, other->m_hWnd); }

// ---- State -------------------------------------------------------------------------------------------
BOOL CWnd::ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
BOOL CWnd::EnableWindow(BOOL enable) { return ::EnableWindow(m_hWnd, enable); }
BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }
BOOL CWnd::IsZoomed() const { return ::IsZoomed(m_hWnd); }
void CWnd::SetWindowText(LPCSTR text) { ::SetWindowText(m_hWnd, text); }
int CWnd::GetWindowText(LPSTR buffer, int maxCount) const { return ::GetWindowText(m_hWnd, buffer, maxCount); }
void CWnd::GetWindowText(CString& text) const {
  int length = ::GetWindowTextLength(m_hWnd);
  std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
  int copied = ::GetWindowText(m_hWnd, buffer.data(), length + 1);
  buffer.resize(static_cast<std::size_t>(std::max(copied, 0)));
  text = CString(buffer);
}
int CWnd::GetWindowTextLength() const { return ::GetWindowTextLength(m_hWnd); }
DWORD CWnd::GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtr(m_hWnd, GWL_STYLE)); }
DWORD CWnd::GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtr(m_hWnd, GWL_EXSTYLE)); }
BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT) {
  DWORD style = GetStyle();
  DWORD next = (style & ~remove) | add;
  if (next == style) return FALSE;
  ::SetWindowLongPtr(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(next));
  return TRUE;
}
BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT) {
  DWORD style = GetExStyle();
  DWORD next = (style & ~remove) | add;
  if (next == style) return FALSE;
  ::SetWindowLongPtr(m_hWnd, GWL_EXSTYLE, static_cast<LONG_PTR>(next));
  return TRUE;
}
void CWnd::SetFont(CFont* font, BOOL redraw) {
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font ? static_cast<HFONT>(*font) : nullptr), redraw);
}
CFont* CWnd::GetFont() const {
  auto font = reinterpret_cast<HFONT>(::SendMessage(m_hWnd, WM_GETFONT, 0, 0));
  return font ? CFont::FromHandle(font) : nullptr;
}
HICON CWnd::SetIcon(HICON icon, BOOL bigIcon) {
  return reinterpret_cast<HICON>(SendMessage(WM_SETICON, bigIcon ? 1 : 0, reinterpret_cast<LPARAM>(icon)));
}
HICON CWnd::GetIcon(BOOL bigIcon) const {
  return reinterpret_cast<HICON>(::SendMessage(m_hWnd, WM_GETICON, bigIcon ? 1 : 0, 0));
}
int CWnd::SetWindowRgn(HRGN region, BOOL redraw) { return ::SetWindowRgn(m_hWnd, region, redraw); }
int CWnd::GetWindowRgn(HRGN region) const { return ::GetWindowRgn(m_hWnd, region); }
void CWnd::SetRedraw(BOOL redraw) { SendMessage(WM_SETREDRAW, redraw, 0); }

// ---- Geometry and painting ---------------------------------------------------------------------------
void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
  ::MoveWindow(m_hWnd, x, y, width, height, repaint);
}
void CWnd::MoveWindow(LPCRECT rect, BOOL repaint) {
  if (rect) MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint);
}
BOOL CWnd::SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags) {
  return ::SetWindowPos(m_hWnd, insertAfter ? insertAfter->m_hWnd : nullptr, x, y, cx, cy, flags);
}
void CWnd::GetWindowRect(LPRECT rect) const { ::GetWindowRect(m_hWnd, rect); }
void CWnd::GetClientRect(LPRECT rect) const { ::GetClientRect(m_hWnd, rect); }
void CWnd::ClientToScreen(LPPOINT point) const { ::ClientToScreen(m_hWnd, point); }
void CWnd::ClientToScreen(LPRECT rect) const { ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<LPPOINT>(rect), 2); }
void CWnd::ScreenToClient(LPPOINT point) const { ::ScreenToClient(m_hWnd, point); }
void CWnd::ScreenToClient(LPRECT rect) const { ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(rect), 2); }
void CWnd::CenterWindow(CWnd* alternateOwner) {
  RECT area;
  HWND around = alternateOwner ? alternateOwner->m_hWnd : ::GetParent(m_hWnd);
  if (around && !(GetStyle() & WS_CHILD))
    ::GetWindowRect(around, &area);
  else
    ::GetClientRect(around && (GetStyle() & WS_CHILD) ? around : ::GetDesktopWindow(), &area);
  RECT mine;
  ::GetWindowRect(m_hWnd, &mine);
  int width = mine.right - mine.left, height = mine.bottom - mine.top;
  int x = area.left + (area.right - area.left - width) / 2;
  int y = area.top + (area.bottom - area.top - height) / 2;
  ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void CWnd::BringWindowToTop() { ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }
void CWnd::Invalidate(BOOL erase) { ::InvalidateRect(m_hWnd, nullptr, erase); }
void CWnd::InvalidateRect(LPCRECT rect, BOOL erase) { ::InvalidateRect(m_hWnd, rect, erase); }
void CWnd::ValidateRect(LPCRECT rect) { ::ValidateRect(m_hWnd, rect); }
void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }
BOOL CWnd::RedrawWindow(LPCRECT rect, HRGN, UINT) {
  ::InvalidateRect(m_hWnd, rect, TRUE);
  return ::UpdateWindow(m_hWnd);
}
CDC* CWnd::GetDC() { return CDC::FromHandle(::GetDC(m_hWnd)); }
CDC* CWnd::GetWindowDC() { return CDC::FromHandle(::GetWindowDC(m_hWnd)); }
int CWnd::ReleaseDC(CDC* dc) { return dc ? ::ReleaseDC(m_hWnd, dc->m_hDC) : 0; }
CDC* CWnd::BeginPaint(LPPAINTSTRUCT paint) { return CDC::FromHandle(::BeginPaint(m_hWnd, paint)); }
void CWnd::EndPaint(LPPAINTSTRUCT paint) { ::EndPaint(m_hWnd, paint); }

// ---- Input -------------------------------------------------------------------------------------------
CWnd* CWnd::SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
CWnd* CWnd::GetFocus() { return FromHandle(::GetFocus()); }
CWnd* CWnd::SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }
CWnd* CWnd::GetCapture() { return FromHandle(::GetCapture()); }
CWnd* CWnd::SetActiveWindow() { return FromHandle(::SetActiveWindow(m_hWnd)); }
CWnd* CWnd::GetActiveWindow() { return FromHandle(::GetActiveWindow()); }
BOOL CWnd::SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }

// ---- Dialog items ------------------------------------------------------------------------------------
void CWnd::SetDlgItemText(int id, LPCSTR text) { ::SetWindowText(::GetDlgItem(m_hWnd, id), text); }
int CWnd::GetDlgItemText(int id, LPSTR buffer, int maxCount) const {
  return ::GetWindowText(::GetDlgItem(m_hWnd, id), buffer, maxCount);
}
int CWnd::GetDlgItemText(int id, CString& text) const {
  text.Empty();
  CWnd* item = GetDlgItem(id);
  if (!item) return 0;
  item->GetWindowText(text);
  return text.GetLength();
}
void CWnd::SetDlgItemInt(int id, UINT value, BOOL isSigned) {
  char text[32];
  if (isSigned)
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
  else
    std::snprintf(text, sizeof text, "%u", value);
  SetDlgItemText(id, text);
}
UINT CWnd::GetDlgItemInt(int id, BOOL* translated, BOOL isSigned) const {
  CString text;
  GetDlgItemText(id, text);
  text.Trim();
  const char* start = text;
  char* end = nullptr;
  errno = 0;
  long long value = isSigned ? std::strtoll(start, &end, 10) : static_cast<long long>(std::strtoull(start, &end, 10));
  bool ok = end != start && *end == '\0' && errno == 0 &&
            (isSigned ? (value >= INT32_MIN && value <= INT32_MAX) : (value >= 0 && value <= UINT32_MAX)) &&
            (isSigned || text.Find('-') < 0);
  if (translated) *translated = ok ? TRUE : FALSE;
  return ok ? static_cast<UINT>(value) : 0;
}
void CWnd::CheckDlgButton(int id, UINT check) { SendDlgItemMessage(id, BM_SETCHECK, check, 0); }
UINT CWnd::IsDlgButtonChecked(int id) const {
  HWND item = ::GetDlgItem(m_hWnd, id);
  return item ? static_cast<UINT>(::SendMessage(item, BM_GETCHECK, 0, 0)) : 0;
}
void CWnd::CheckRadioButton(int firstId, int lastId, int checkId) {
  for (int id = firstId; id <= lastId; ++id) CheckDlgButton(id, id == checkId ? BST_CHECKED : BST_UNCHECKED);
}
int CWnd::GetCheckedRadioButton(int firstId, int lastId) const {
  for (int id = firstId; id <= lastId; ++id)
    if (IsDlgButtonChecked(id) == BST_CHECKED) return id;
  return 0;
}

int CWnd::MessageBox(LPCSTR text, LPCSTR caption, UINT type) {
  return ::MessageBox(m_hWnd, text, caption ? caption : AfxGetAppName(), type);
}

// ---- Default handlers --------------------------------------------------------------------------------
int CWnd::OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnNcDestroy() {
  // The main window's end is the end of its thread's message loop.
  CWinThread* thread = AfxGetThread();
  if (!thread) thread = AfxGetApp();
  if (thread && thread->m_pMainWnd == this) {
    if (thread == AfxGetApp()) ::PostQuitMessage(0);
    thread->m_pMainWnd = nullptr;
  }
  Default();
  Detach();
  PostNcDestroy();
}
void CWnd::OnClose() { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnPaint() { Default(); }
void CWnd::OnNcPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
void CWnd::OnActivate(UINT, CWnd*, BOOL) { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
void CWnd::OnEnable(BOOL) { Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnSysKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnNcLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnMouseLeave() { Default(); }
LRESULT CWnd::OnNcHitTest(CPoint) { return Default(); }
void CWnd::OnCaptureChanged(CWnd*) { Default(); }
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }
void CWnd::OnContextMenu(CWnd*, CPoint) { Default(); }
void CWnd::OnHScroll(UINT, UINT, CScrollBar*) { Default(); }
void CWnd::OnVScroll(UINT, UINT, CScrollBar*) { Default(); }
void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT) { Default(); }
void CWnd::OnMeasureItem(int, LPMEASUREITEMSTRUCT) { Default(); }
HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT) { return reinterpret_cast<HBRUSH>(Default()); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
UINT CWnd::OnGetDlgCode() { return static_cast<UINT>(Default()); }
void CWnd::OnWindowPosChanged(WINDOWPOS*) { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
CMenu* CWnd::GetSystemMenu(BOOL revert) const { return CMenu::FromHandle(::GetSystemMenu(m_hWnd, revert)); }

// ---- Window classes of the framework -----------------------------------------------------------------
LPCSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon) {
  static std::mutex lock;
  static std::map<std::string, std::unique_ptr<std::string>> names;
  char name[128];
  std::snprintf(name, sizeof name, "Afx:%x:%p:%p:%p", classStyle, static_cast<void*>(cursor),
                static_cast<void*>(background), static_cast<void*>(icon));
  std::lock_guard<std::mutex> guard(lock);
  auto it = names.find(name);
  if (it != names.end()) return it->second->c_str();
  WNDCLASS wc;
  wc.style = classStyle;
  wc.lpfnWndProc = &::DefWindowProc;
  wc.hCursor = cursor;
  wc.hbrBackground = background;
  wc.hIcon = icon;
  wc.lpszClassName = name;
  ::RegisterClass(&wc);
  auto stored = std::make_unique<std::string>(name);
  const char* result = stored->c_str();
  names.emplace(name, std::move(stored));
  return result;
}

// ---- Pre-translation and pumping ---------------------------------------------------------------------
BOOL qh::ui::WalkPreTranslateTree(MSG* msg) {
  // The window's object and its parents', up to and including the top-level window.
  for (HWND hWnd = msg->hwnd; hWnd; hWnd = (::GetWindowLong(hWnd, GWL_STYLE) & WS_CHILD) ? ::GetParent(hWnd) : nullptr) {
    if (CWnd* wnd = CWnd::FromHandlePermanent(hWnd))
      if (wnd->PreTranslateMessage(msg)) return TRUE;
  }
  return FALSE;
}

BOOL qh::ui::PreTranslateThroughFramework(MSG* msg) {
  CWinApp* app = AfxGetApp();
  if (app && app->IsRunningOnThisThread()) return app->PreTranslateMessage(msg);
  return WalkPreTranslateTree(msg);
}

BOOL qh::ui::PumpMessage(int* exitCode) {
  MSG msg;
  if (!::GetMessage(&msg, nullptr, 0, 0)) {
    if (exitCode) *exitCode = static_cast<int>(msg.wParam);
    return FALSE;
  }
  if (!PreTranslateThroughFramework(&msg)) {
    ::TranslateMessage(&msg);
    ::DispatchMessage(&msg);
  }
  return TRUE;
}
