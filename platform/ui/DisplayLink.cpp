// The window manager's side of the display: top-level windows shown, moved, titled and presented,
// and the display's mouse and keyboard turned into messages as a user's input is.
#include "platform/ui/DisplayLink.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/core/Thread.h"
#include "platform/ui/Input.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/gdi/BitmapResources.h"

namespace qh::ui {
namespace {

std::mutex g_displayLock;
std::unique_ptr<qh::display::DisplayBackend> g_backend;
DWORD g_displayThread = 0;
bool g_chosen = false;

// The back end when the calling thread owns it. It is made when the first top-level window is shown,
// and belongs to that window's thread.
qh::display::DisplayBackend* Backend(bool create = false) {
  std::lock_guard<std::mutex> guard(g_displayLock);
  if (!g_chosen && create) {
    g_chosen = true;
    g_backend = qh::display::CreateDisplayBackend();
    g_displayThread = GetCurrentThreadId();
    // The desktop the windows live on is the real screen's size.
    if (g_backend)
      if (std::optional<SIZE> screen = g_backend->ScreenSize()) SetDesktopSize(screen->cx, screen->cy);
  }
  return g_chosen && g_displayThread == GetCurrentThreadId() ? g_backend.get() : nullptr;
}

bool OnScreen(const WindowPtr& window) { return window && !window->parent && !window->destroying; }

RECT ScreenRect(const WindowPtr& window) { return window->rect; }

// Gives the display the picture of `icon`. The platform's icons are their resource ids; their
// pictures are the program's bitmap resources.
void GiveIcon(qh::display::DisplayBackend& backend, HWND hwnd, HICON icon) {
  const auto value = reinterpret_cast<std::uintptr_t>(icon);
  if ((value & 0xF0000000u) != 0x20000000u) return;
  if (std::optional<std::string> file = qh::gdi::FindBitmapFile(static_cast<unsigned>(value & 0xFFFFu)))
    if (std::optional<qh::gdi::Surface> picture = qh::gdi::ReadImageFile(*file)) backend.SetIcon(hwnd, *picture);
}

}  // namespace

void DisplayWindowShown(const WindowPtr& window) {
  if (!OnScreen(window)) return;
  if (auto* backend = Backend(true)) {
    backend->ShowWindow(window->handle, ScreenRect(window), window->text);
    // A window is given its icon before it first shows (a dialog sets it as it starts).
    if (HICON icon = window->icons[1] ? window->icons[1] : window->windowClass->icon) GiveIcon(*backend, window->handle, icon);
    // An owned window (a dialog, a message box) stays above its owner, with a window manager or without.
    // A combo box's dropped list is owned by the combo itself: the window on the screen is the combo's
    // top-level window, without which a window manager may open the list beneath the dialog.
    if (window->owner)
      if (WindowPtr owner = FindWindow(GetAncestor(window->owner, GA_ROOT)); OnScreen(owner) && (owner->style & WS_VISIBLE))
        backend->SetOwner(window->handle, owner->handle);
    DisplayPresent(window->handle);
  }
}

void DisplayWindowHidden(const WindowPtr& window) {
  if (!window || window->parent) return;
  if (auto* backend = Backend()) backend->HideWindow(window->handle);
}

void DisplayWindowMoved(const WindowPtr& window) {
  if (!OnScreen(window) || !(window->style & WS_VISIBLE)) return;
  if (auto* backend = Backend()) backend->MoveWindow(window->handle, ScreenRect(window));
}

void DisplayWindowRetitled(const WindowPtr& window) {
  if (!OnScreen(window) || !(window->style & WS_VISIBLE)) return;
  if (auto* backend = Backend()) backend->SetTitle(window->handle, window->text);
}

void DisplayWindowDestroyed(const WindowPtr& window) {
  if (!window || window->parent) return;
  if (auto* backend = Backend()) backend->DestroyWindow(window->handle);
}

void DisplayWindowMinimised(const WindowPtr& window) {
  if (!OnScreen(window)) return;
  if (auto* backend = Backend()) backend->MinimiseWindow(window->handle);
}

void DisplayWindowRestored(const WindowPtr& window) {
  if (!OnScreen(window)) return;
  if (auto* backend = Backend()) backend->RestoreWindow(window->handle);
}

void DisplayWindowActivated(const WindowPtr& window) {
  if (!OnScreen(window) || !(window->style & WS_VISIBLE)) return;
  if (auto* backend = Backend()) backend->FocusWindow(window->handle);
}

void DisplayWindowBroughtUp(const WindowPtr& window) {
  if (!OnScreen(window) || !(window->style & WS_VISIBLE)) return;
  if (auto* backend = Backend()) backend->RaiseWindow(window->handle);
}

void DisplayWindowIconChanged(const WindowPtr& window, HICON icon) {
  if (!OnScreen(window) || !icon) return;
  if (auto* backend = Backend()) GiveIcon(*backend, window->handle, icon);
}

// Presents are batched: a paint only marks its top-level window, and the marked windows go to the
// screen once the thread's queue has nothing more to do (one present per frame, however many controls
// painted), or after kMaxPresentDelay when the queue never runs dry.
namespace {

constexpr auto kMaxPresentDelay = std::chrono::milliseconds(16);
std::vector<HWND> g_pendingPresents;  // the display thread's only
std::chrono::steady_clock::time_point g_pendingSince;

}  // namespace

void DisplayPresent(HWND hWnd) {
  WindowPtr window = FindWindow(hWnd);
  WindowPtr top = window ? TopLevelOf(window) : nullptr;
  if (!OnScreen(top) || !(top->style & WS_VISIBLE) || !top->surface || !Backend()) return;
  if (g_pendingPresents.empty()) g_pendingSince = std::chrono::steady_clock::now();
  if (std::find(g_pendingPresents.begin(), g_pendingPresents.end(), top->handle) == g_pendingPresents.end())
    g_pendingPresents.push_back(top->handle);
}

void FlushDisplayPresents(bool idle) {
  if (g_pendingPresents.empty()) return;
  if (!idle && std::chrono::steady_clock::now() - g_pendingSince < kMaxPresentDelay) return;
  auto* backend = Backend();
  std::vector<HWND> pending;
  pending.swap(g_pendingPresents);
  if (!backend) return;
  for (HWND handle : pending) {
    WindowPtr top = FindWindow(handle);
    if (OnScreen(top) && (top->style & WS_VISIBLE) && top->surface) backend->Present(top->handle, *top->surface);
  }
}

bool DisplayActive() {
  auto* backend = Backend();
  return backend && !backend->Headless();
}

bool DisplayChosenActive() {
  auto* backend = Backend(true);
  return backend && !backend->Headless();
}

void PumpDisplayInput() {
  auto* backend = Backend();
  if (!backend) return;
  const std::vector<qh::display::InputMessage> inputs = backend->PollInput();
  for (size_t i = 0; i < inputs.size(); ++i) {
    const qh::display::InputMessage& input = inputs[i];
    // A key press and the character it typed are one keystroke: the character is made from the key
    // message when the program translates it, so a dialog that takes the key (Tab, Enter) types
    // nothing, and a key whose handler opens a window has typed its character before that window opens.
    if (input.message == WM_KEYDOWN && i + 1 < inputs.size() && inputs[i + 1].message == WM_CHAR &&
        inputs[i + 1].window == input.window && inputs[i + 1].wParam != 0) {
      InjectKey(static_cast<UINT>(input.wParam), true, static_cast<char>(inputs[++i].wParam));
      continue;
    }
    switch (input.message) {
      case WM_CLOSE: PostMessage(input.window, WM_CLOSE, 0, 0); break;
      case WM_SYSCOMMAND:
        if (input.wParam == SC_RESTORE && IsIconic(input.window)) PostMessage(input.window, WM_SYSCOMMAND, SC_RESTORE, 0);
        break;
      case WM_KEYDOWN:
      case WM_KEYUP: InjectKeyOnly(static_cast<UINT>(input.wParam), input.message == WM_KEYDOWN); break;
      case WM_CHAR: InjectCharacter(static_cast<char>(input.wParam)); break;
      case WM_MOUSELEAVE: InjectMouseLeftDisplay(); break;
      case WM_KILLFOCUS:
        // Another program has the keyboard: our focus and any capture (a drag, an open menu) end.
        if (GetCapture()) ReleaseCapture();
        if (GetFocus()) SetFocus(nullptr);
        break;
      default:
        if (input.message >= WM_MOUSEFIRST && input.message <= WM_MOUSELAST) InjectMouse(input.message, input.screen, input.wParam);
        break;
    }
  }
}

namespace testing {
void SetDisplayBackend(std::unique_ptr<qh::display::DisplayBackend> backend) {
  std::lock_guard<std::mutex> guard(g_displayLock);
  g_backend = std::move(backend);
  g_chosen = g_backend != nullptr;
  g_displayThread = GetCurrentThreadId();
  if (g_backend)
    if (std::optional<SIZE> screen = g_backend->ScreenSize()) SetDesktopSize(screen->cx, screen->cy);
}
}  // namespace testing

}  // namespace qh::ui
