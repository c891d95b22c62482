// Window handles, classes, creation and destruction, and the state calls of one window.
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/core/Cp1252.h"
#include "platform/core/Thread.h"
#include "platform/ui/CommCtrl.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DisplayLink.h"
#include "platform/ui/Input.h"
#include "platform/ui/WindowRecord.h"
#include "platform/ui/gdi/Gdi.h"

namespace qh::ui {
namespace {

struct NoCaseLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return Cp1252CompareNoCase(a, b) < 0;
  }
};

// One lock guards the handle table, the class table and the queue registry; it is never held while
// a window procedure runs.
std::mutex& TableLock() {
  static std::mutex lock;
  return lock;
}
std::unordered_map<HWND, WindowPtr>& Windows() {
  static std::unordered_map<HWND, WindowPtr> table;
  return table;
}
std::vector<HWND>& TopLevelOrder() {  // top-level windows, top of the z-order first
  static std::vector<HWND> order;
  return order;
}
std::map<std::string, std::shared_ptr<const WindowClassRecord>, NoCaseLess>& Classes() {
  static std::map<std::string, std::shared_ptr<const WindowClassRecord>, NoCaseLess> table;
  return table;
}
std::unordered_map<DWORD, std::weak_ptr<ThreadQueue>>& Queues() {
  static std::unordered_map<DWORD, std::weak_ptr<ThreadQueue>> table;
  return table;
}
ATOM g_nextAtom = 0xC000;
std::uintptr_t g_nextHandle = 0x10000;

HWND NewHandle() {
  g_nextHandle += 4;
  return reinterpret_cast<HWND>(g_nextHandle);
}

// Ends the thread's queue when the thread ends: waiting senders get 0 and the thread's windows
// disappear without messages (their procedures may belong to objects that are gone by now).
struct QueueHolder {
  std::shared_ptr<ThreadQueue> queue;
  ~QueueHolder() {
    if (!queue) return;
    std::vector<std::shared_ptr<SentMessage>> pending;
    {
      std::lock_guard<std::mutex> guard(queue->lock);
      queue->alive = false;
      pending.assign(queue->incoming.begin(), queue->incoming.end());
      queue->incoming.clear();
      queue->timers.clear();
    }
    for (auto& sent : pending) AnswerSend(*sent, 0);
    std::lock_guard<std::mutex> guard(TableLock());
    auto& table = Windows();
    for (auto it = table.begin(); it != table.end();) {
      if (it->second->queue == queue) {
        std::erase(TopLevelOrder(), it->first);
        it = table.erase(it);
      } else {
        ++it;
      }
    }
    Queues().erase(queue->threadId);
  }
};
thread_local QueueHolder t_queue;
thread_local std::function<void(HWND)> t_creationHook;

void RemoveFromZOrder(const WindowPtr& window) {
  if (window->parent) {
    if (auto parent = FindWindow(window->parent)) std::erase(parent->children, window->handle);
  } else {
    std::lock_guard<std::mutex> guard(TableLock());
    std::erase(TopLevelOrder(), window->handle);
  }
}

void SendSizeAndMove(const WindowPtr& window, WPARAM sizeKind) {
  RECT client = ClientRectInWindow(*window);
  CallProcedure(window, WM_SIZE, sizeKind,
                MAKELPARAM(static_cast<WORD>(client.right - client.left), static_cast<WORD>(client.bottom - client.top)));
  POINT origin{window->rect.left + client.left, window->rect.top + client.top};
  CallProcedure(window, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(origin.x), static_cast<WORD>(origin.y)));
}

// Destroys the window's subtree depth first: WM_DESTROY before the children go, WM_NCDESTROY after.
void DestroyTree(const WindowPtr& window) {
  window->destroying = true;
  CallProcedure(window, WM_DESTROY, 0, 0);
  std::vector<HWND> children = window->children;
  for (HWND child : children)
    if (auto record = FindWindow(child)) DestroyTree(record);
  {
    std::lock_guard<std::mutex> guard(window->queue->lock);
    std::erase_if(window->queue->timers, [&](const TimerRecord& t) { return t.hwnd == window->handle; });
  }
  ForgetInputState(window->handle);
  DisplayWindowDestroyed(window);
  CallProcedure(window, WM_NCDESTROY, 0, 0);
  RemoveFromZOrder(window);
  {
    std::lock_guard<std::mutex> guard(TableLock());
    Windows().erase(window->handle);
  }
  if (window->windowRegion) DeleteObject(window->windowRegion);
  window->windowRegion = nullptr;
}

}  // namespace

void AnswerSend(SentMessage& sent, LRESULT result) {
  auto sender = sent.sender.lock();
  if (!sender) return;
  {
    std::lock_guard<std::mutex> guard(sender->lock);
    sent.result = result;
    sent.done = true;
  }
  sender->wake.notify_all();
}

std::shared_ptr<ThreadQueue> CurrentQueue() {
  if (!t_queue.queue) {
    DWORD id = GetCurrentThreadId();
    t_queue.queue = std::make_shared<ThreadQueue>(id);
    std::lock_guard<std::mutex> guard(TableLock());
    Queues()[id] = t_queue.queue;
  }
  return t_queue.queue;
}

std::shared_ptr<ThreadQueue> QueueOfThread(DWORD threadId) {
  std::lock_guard<std::mutex> guard(TableLock());
  auto it = Queues().find(threadId);
  return it == Queues().end() ? nullptr : it->second.lock();
}

WindowPtr FindWindow(HWND hwnd) {
  if (!hwnd) return nullptr;
  std::lock_guard<std::mutex> guard(TableLock());
  auto it = Windows().find(hwnd);
  return it == Windows().end() ? nullptr : it->second;
}

WindowPtr OwnWindow(HWND hwnd) {
  WindowPtr window = FindWindow(hwnd);
  if (!window || window->threadId != GetCurrentThreadId()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return window;
}

std::vector<WindowPtr> WindowsOfThread(DWORD threadId) {
  std::lock_guard<std::mutex> guard(TableLock());
  std::vector<WindowPtr> result;
  for (auto& [handle, window] : Windows())
    if (window->threadId == threadId) result.push_back(window);
  return result;
}

std::vector<HWND> TopLevelWindows() {
  std::lock_guard<std::mutex> guard(TableLock());
  return TopLevelOrder();
}

void SendPositionChanged(const WindowPtr& window, UINT flags) {
  WINDOWPOS position;
  position.hwnd = window->handle;
  position.x = window->rect.left;
  position.y = window->rect.top;
  position.cx = window->rect.right - window->rect.left;
  position.cy = window->rect.bottom - window->rect.top;
  position.flags = flags;
  CallProcedure(window, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&position));
}

void ReorderTopLevel(const std::function<void(std::vector<HWND>&)>& change) {
  std::lock_guard<std::mutex> guard(TableLock());
  change(TopLevelOrder());
}

void SetCreationHook(std::function<void(HWND)> hook) { t_creationHook = std::move(hook); }

LRESULT CallProcedure(const WindowPtr& window, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC proc = window->proc;
  return proc ? proc(window->handle, message, wParam, lParam) : 0;
}

WindowPtr TopLevelOf(const WindowPtr& window) {
  WindowPtr current = window;
  while (current && current->parent) {
    WindowPtr parent = FindWindow(current->parent);
    if (!parent) break;
    current = parent;
  }
  return current;
}

}  // namespace qh::ui

using namespace qh::ui;

// ---- Classes ---------------------------------------------------------------------------------------
ATOM RegisterClass(const WNDCLASS* wndClass) {
  if (!wndClass || !wndClass->lpszClassName || !*wndClass->lpszClassName || !wndClass->lpfnWndProc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto record = std::make_shared<WindowClassRecord>();
  record->name = wndClass->lpszClassName;
  record->style = wndClass->style;
  record->proc = wndClass->lpfnWndProc;
  record->instance = wndClass->hInstance;
  record->icon = wndClass->hIcon;
  record->cursor = wndClass->hCursor;
  record->background = wndClass->hbrBackground;
  record->windowExtraBytes = wndClass->cbWndExtra;
  std::lock_guard<std::mutex> guard(TableLock());
  if (!Classes().emplace(record->name, record).second) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  return g_nextAtom++;
}

BOOL UnregisterClass(LPCSTR className, HINSTANCE) {
  if (!className) return FALSE;
  std::lock_guard<std::mutex> guard(TableLock());
  if (Classes().erase(className) == 0) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  return TRUE;
}

BOOL GetClassInfo(HINSTANCE, LPCSTR className, LPWNDCLASS wndClass) {
  if (!className || !wndClass) return FALSE;
  std::lock_guard<std::mutex> guard(TableLock());
  auto it = Classes().find(className);
  if (it == Classes().end()) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  const WindowClassRecord& record = *it->second;
  wndClass->style = record.style;
  wndClass->lpfnWndProc = record.proc;
  wndClass->hInstance = record.instance;
  wndClass->hIcon = record.icon;
  wndClass->hCursor = record.cursor;
  wndClass->hbrBackground = record.background;
  wndClass->cbWndExtra = record.windowExtraBytes;
  wndClass->lpszClassName = it->first.c_str();
  return TRUE;
}

int GetClassName(HWND hWnd, LPSTR buffer, int maxCount) {
  WindowPtr window = FindWindow(hWnd);
  if (!window || !buffer || maxCount <= 0) return 0;
  int length = std::min<int>(static_cast<int>(window->windowClass->name.size()), maxCount - 1);
  std::memcpy(buffer, window->windowClass->name.data(), length);
  buffer[length] = '\0';
  return length;
}

LRESULT CallWindowProc(WNDPROC proc, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return proc ? proc(hWnd, message, wParam, lParam) : 0;
}

// ---- Creation and destruction ----------------------------------------------------------------------
HWND CreateWindowEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  RegisterStandardControls();
  RegisterCommonControls();
  std::function<void(HWND)> hook = std::move(t_creationHook);
  t_creationHook = nullptr;
  std::shared_ptr<const WindowClassRecord> windowClass;
  {
    std::lock_guard<std::mutex> guard(TableLock());
    auto it = className ? Classes().find(className) : Classes().end();
    if (it != Classes().end()) windowClass = it->second;
  }
  if (!windowClass) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return nullptr;
  }
  WindowPtr parentRecord = parent ? FindWindow(parent) : nullptr;
  if (parent && !parentRecord) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if ((style & WS_CHILD) && !parentRecord) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto window = std::make_shared<WindowRecord>();
  window->queue = CurrentQueue();
  window->threadId = window->queue->threadId;
  window->windowClass = windowClass;
  window->proc = windowClass->proc;
  window->style = style;
  window->exStyle = exStyle;
  window->instance = instance;
  window->text = windowName ? windowName : "";
  window->icons[1] = windowClass->icon;
  if (style & WS_CHILD) {
    window->parent = parent;
    window->id = static_cast<UINT>(reinterpret_cast<std::uintptr_t>(menu));
  } else if (parentRecord) {
    window->owner = TopLevelOf(parentRecord)->handle;
  }
  bool topLevel = !(style & WS_CHILD);
  if (x == CW_USEDEFAULT) x = y = 0;
  if (width == CW_USEDEFAULT) {
    width = topLevel ? 640 : 0;
    height = topLevel ? 480 : 0;
  }
  window->rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
  window->normalRect = window->rect;
  {
    std::lock_guard<std::mutex> guard(TableLock());
    window->handle = NewHandle();
    Windows()[window->handle] = window;
    if (topLevel) TopLevelOrder().insert(TopLevelOrder().begin(), window->handle);
  }
  if (parentRecord && !topLevel) parentRecord->children.push_back(window->handle);
  if (hook) hook(window->handle);

  CREATESTRUCT create;
  create.lpCreateParams = param;
  create.hInstance = instance;
  create.hMenu = menu;
  create.hwndParent = parent;
  create.x = x;
  create.y = y;
  create.cx = width;
  create.cy = height;
  create.style = static_cast<LONG>(style);
  create.lpszName = windowName;
  create.lpszClass = className;
  create.dwExStyle = exStyle;
  HWND handle = window->handle;
  if (!CallProcedure(window, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)) ||
      CallProcedure(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
    if (IsWindow(handle)) DestroyWindow(handle);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!IsWindow(handle)) return nullptr;
  window->created = true;
  SendSizeAndMove(window, SIZE_RESTORED);
  if (window->style & WS_VISIBLE) {
    window->style &= ~static_cast<DWORD>(WS_VISIBLE);
    ShowWindow(handle, (window->style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : SW_SHOW);
  }
  return IsWindow(handle) ? handle : nullptr;
}

HWND CreateWindow(LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width, int height,
                  HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  return CreateWindowEx(0, className, windowName, style, x, y, width, height, parent, menu, instance, param);
}

BOOL DestroyWindow(HWND hWnd) {
  WindowPtr window = OwnWindow(hWnd);
  if (!window) return FALSE;
  if (window->destroying) return TRUE;
  // Owned windows (dialogs of this window) go first.
  for (const WindowPtr& other : WindowsOfThread(window->threadId))
    if (other->owner == hWnd && !other->destroying) DestroyWindow(other->handle);
  if (window->style & WS_VISIBLE) ShowWindow(hWnd, SW_HIDE);
  DestroyTree(window);
  return TRUE;
}

BOOL IsWindow(HWND hWnd) {
  WindowPtr window = FindWindow(hWnd);
  return window != nullptr;
}

// ---- Relations -------------------------------------------------------------------------------------
HWND GetParent(HWND hWnd) {
  WindowPtr window = FindWindow(hWnd);
  if (!window) return nullptr;
  return window->parent ? window->parent : window->owner;
}

HWND SetParent(HWND hWnd, HWND newParent) {
  WindowPtr window = OwnWindow(hWnd);
  WindowPtr parent = newParent ? FindWindow(newParent) : nullptr;
  if (!window || (newParent && !parent)) return nullptr;
  HWND old = window->parent;
  if (!(window->style & WS_CHILD)) {
    old = window->owner;
    window->owner = newParent;
    return old;
  }
  RemoveFromZOrder(window);
  window->parent = newParent;
  if (parent) parent->children.push_back(hWnd);
  return old;
}

HWND GetAncestor(HWND hWnd, UINT flags) {
  WindowPtr window = FindWindow(hWnd);
  if (!window) return nullptr;
  switch (flags) {
    case GA_PARENT: return window->parent ? window->parent : GetDesktopWindow();
    case GA_ROOT: return TopLevelOf(window)->handle;
    case GA_ROOTOWNER: {
      WindowPtr root = TopLevelOf(window);
      while (root->owner) {
        WindowPtr owner = FindWindow(root->owner);
        if (!owner) break;
        root = TopLevelOf(owner);
      }
      return root->handle;
    }
    default: return nullptr;
  }
}

BOOL IsChild(HWND parent, HWND hWnd) {
  WindowPtr window = FindWindow(hWnd);
  while (window && window->parent) {
    if (window->parent == parent) return TRUE;
    window = FindWindow(window->parent);
  }
  return FALSE;
}

HWND GetWindow(HWND hWnd, UINT relation) {
  WindowPtr window = FindWindow(hWnd);
  if (!window) return nullptr;
  if (relation == GW_CHILD) return window->children.empty() ? nullptr : window->children.front();
  if (relation == GW_OWNER) return window->owner;
  std::vector<HWND> siblings;
  if (window->parent) {
    if (WindowPtr parent = FindWindow(window->parent)) siblings = parent->children;
  } else {
    siblings = TopLevelWindows();
  }
  auto it = std::find(siblings.begin(), siblings.end(), hWnd);
  if (it == siblings.end()) return nullptr;
  switch (relation) {
    case GW_HWNDFIRST: return siblings.front();
    case GW_HWNDLAST: return siblings.back();
    case GW_HWNDNEXT: return (it + 1) == siblings.end() ? nullptr : *(it + 1);
    case GW_HWNDPREV: return it == siblings.begin() ? nullptr : *(it - 1);
    default: return nullptr;
  }
}

HWND GetTopWindow(HWND hWnd) {
  if (!hWnd) {
    auto order = TopLevelWindows();
    return order.empty() ? nullptr : order.front();
  }
  return GetWindow(hWnd, GW_CHILD);
}

HWND GetDlgItem(HWND dialog, int id) {
  WindowPtr window = FindWindow(dialog);
  if (!window) return nullptr;
  for (HWND child : window->children) {
    WindowPtr record = FindWindow(child);
    if (record && static_cast<int>(record->id) == id) return child;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND hWnd) {
  WindowPtr window = FindWindow(hWnd);
  return window && window->parent ? static_cast<int>(window->id) : 0;
}

DWORD GetWindowThreadProcessId(HWND hWnd, LPDWORD processId) {
  WindowPtr window = FindWindow(hWnd);
  if (processId) *processId = window ? 1 : 0;
  return window ? window->threadId : 0;
}

// ---- Visibility and enabling -----------------------------------------------------------------------
BOOL ShowWindow(HWND hWnd, int command) {
  WindowPtr window = OwnWindow(hWnd);
  if (!window) return FALSE;
  BOOL wasVisible = (window->style & WS_VISIBLE) ? TRUE : FALSE;
  bool show = command != SW_HIDE;
  if (show != static_cast<bool>(wasVisible)) {
    CallProcedure(window, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    if (!IsWindow(hWnd)) return wasVisible;
    if (show)
      window->style |= WS_VISIBLE;
    else
      window->style &= ~static_cast<DWORD>(WS_VISIBLE);
    if (!show) HideWindowInputState(hWnd);
    InvalidateAfterGeometryChange(window);
    if (show) {
      EnsureSurface(TopLevelOf(window));
      DisplayWindowShown(window);
    } else {
      DisplayWindowHidden(window);
    }
    SendPositionChanged(window, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    if (!IsWindow(hWnd)) return wasVisible;
  }
  const DWORD sizeFlags = WS_MAXIMIZE | WS_MINIMIZE;
  switch (command) {
    case SW_SHOWMAXIMIZED: {
      if (!(window->style & WS_MAXIMIZE)) {
        if (!(window->style & sizeFlags)) window->normalRect = window->rect;
        window->style = (window->style & ~static_cast<DWORD>(WS_MINIMIZE)) | WS_MAXIMIZE;
        RECT area;
        if (window->parent)
          GetClientRect(window->parent, &area);
        else
          GetClientRect(GetDesktopWindow(), &area);
        window->rect = area;
        EnsureSurface(TopLevelOf(window));
        DisplayWindowMoved(window);
        SendSizeAndMove(window, SIZE_MAXIMIZED);
        InvalidateAfterGeometryChange(window);
      }
      break;
    }
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
      if (!(window->style & WS_MINIMIZE)) {
        if (!(window->style & sizeFlags)) window->normalRect = window->rect;
        window->style = (window->style & ~static_cast<DWORD>(WS_MAXIMIZE)) | WS_MINIMIZE;
        DisplayWindowMinimised(window);
        CallProcedure(window, WM_SIZE, SIZE_MINIMIZED, 0);
        InvalidateRect(hWnd, nullptr, TRUE);  // a minimised window shows its icon instead of its face
      }
      break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
      if (window->style & sizeFlags) {
        if (window->style & WS_MINIMIZE) DisplayWindowRestored(window);
        window->style &= ~sizeFlags;
        window->rect = window->normalRect;
        EnsureSurface(TopLevelOf(window));
        DisplayWindowMoved(window);
        SendSizeAndMove(window, SIZE_RESTORED);
        InvalidateAfterGeometryChange(window);
      }
      break;
    default: break;
  }
  return wasVisible;
}

BOOL IsWindowVisible(HWND hWnd) {
  WindowPtr window = FindWindow(hWnd);
  while (window) {
    if (!(window->style & WS_VISIBLE)) return FALSE;
    if (!window->parent) return TRUE;
    window = FindWindow(window->parent);
  }
  return FALSE;
}

BOOL IsIconic(HWND hWnd) {
  WindowPtr window = FindWindow(hWnd);
  return window && (window->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hWnd) {
  WindowPtr window = FindWindow(hWnd);
  return window && (window->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hWnd, BOOL enable) {
  WindowPtr window = OwnWindow(hWnd);
  if (!window) return FALSE;
  BOOL wasDisabled = (window->style & WS_DISABLED) ? TRUE : FALSE;
  if (static_cast<bool>(enable) == static_cast<bool>(wasDisabled)) {
    if (enable)
      window->style &= ~static_cast<DWORD>(WS_DISABLED);
    else
      window->style |= WS_DISABLED;
    if (!enable) DisableWindowInputState(hWnd);
    CallProcedure(window, WM_ENABLE, enable ? TRUE : FALSE, 0);
    InvalidateRect(hWnd, nullptr, TRUE);
  }
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND hWnd) {
  WindowPtr window = FindWindow(hWnd);
  return window && !(window->style & WS_DISABLED) ? TRUE : FALSE;
}

// ---- Text ------------------------------------------------------------------------------------------
BOOL SetWindowText(HWND hWnd, LPCSTR text) {
  WindowPtr window = FindWindow(hWnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return static_cast<BOOL>(SendMessage(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")));
}

int GetWindowText(HWND hWnd, LPSTR buffer, int maxCount) {
  if (!buffer || maxCount <= 0) return 0;
  buffer[0] = '\0';
  if (!FindWindow(hWnd)) return 0;
  return static_cast<int>(SendMessage(hWnd, WM_GETTEXT, static_cast<WPARAM>(maxCount), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLength(HWND hWnd) {
  if (!FindWindow(hWnd)) return 0;
  return static_cast<int>(SendMessage(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

// ---- Window data -----------------------------------------------------------------------------------
LONG_PTR GetWindowLongPtr(HWND hWnd, int index) {
  WindowPtr window = FindWindow(hWnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(window->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(window->instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(window->parent ? window->parent : window->owner);
    case GWLP_ID: return window->id;
    case GWL_STYLE: return static_cast<LONG_PTR>(window->style);
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(window->exStyle);
    case GWLP_USERDATA: return window->userData;
    default: {
      auto it = window->extraSlots.find(index);
      return it == window->extraSlots.end() ? 0 : it->second;
    }
  }
}

LONG_PTR SetWindowLongPtr(HWND hWnd, int index, LONG_PTR value) {
  WindowPtr window = FindWindow(hWnd);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LONG_PTR old = GetWindowLongPtr(hWnd, index);
  switch (index) {
    case GWLP_WNDPROC: window->proc = reinterpret_cast<WNDPROC>(value); break;
    case GWLP_HINSTANCE: window->instance = reinterpret_cast<HINSTANCE>(value); break;
    case GWLP_ID: window->id = static_cast<UINT>(value); break;
    case GWL_STYLE:
      window->style = static_cast<DWORD>(value);
      InvalidateRect(hWnd, nullptr, TRUE);
      break;
    case GWL_EXSTYLE: window->exStyle = static_cast<DWORD>(value); break;
    case GWLP_USERDATA: window->userData = value; break;
    case GWLP_HWNDPARENT:
      if (!window->parent) window->owner = reinterpret_cast<HWND>(value);
      break;
    default:
      if (index < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
      window->extraSlots[index] = value;
      break;
  }
  return old;
}

LONG GetWindowLong(HWND hWnd, int index) { return static_cast<LONG>(GetWindowLongPtr(hWnd, index)); }
LONG SetWindowLong(HWND hWnd, int index, LONG value) { return static_cast<LONG>(SetWindowLongPtr(hWnd, index, value)); }
