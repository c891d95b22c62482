// The SDL2 back end: one borderless SDL window per shown top-level window (our windows draw their own
// frames), pixels copied in on Present, SDL events turned into window messages.
#include <SDL.h>

#include <cstdlib>
#include <map>

#include "platform/core/Cp1252.h"
#include "platform/ui/display/Display.h"

namespace qh::display {
namespace {

// Message numbers and flags of the platform, kept here so the back end stands on its own.
constexpr UINT kMouseMove = 0x0200, kLButtonDown = 0x0201, kLButtonUp = 0x0202, kRButtonDown = 0x0204,
               kRButtonUp = 0x0205, kMButtonDown = 0x0207, kMButtonUp = 0x0208, kMouseWheel = 0x020A;
constexpr UINT kKeyDown = 0x0100, kKeyUp = 0x0101, kChar = 0x0102, kClose = 0x0010;
constexpr UINT kMouseLeave = 0x02A3, kKillFocus = 0x0008;
constexpr UINT kSysCommand = 0x0112;
constexpr WPARAM kScRestore = 0xF120;
constexpr WPARAM kMkLButton = 0x01, kMkRButton = 0x02, kMkShift = 0x04, kMkControl = 0x08, kMkMButton = 0x10;
constexpr int kWheelDelta = 120;

// SDL key to the platform's virtual-key code; 0 for keys the system never looks at.
WPARAM VirtualKey(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  if (key >= SDLK_F1 && key <= SDLK_F12) return 0x70 + (key - SDLK_F1);
  switch (key) {
    case SDLK_BACKSPACE: return 0x08;
    case SDLK_TAB: return 0x09;
    case SDLK_RETURN: case SDLK_KP_ENTER: return 0x0D;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return 0x10;
    case SDLK_LCTRL: case SDLK_RCTRL: return 0x11;
    case SDLK_LALT: case SDLK_RALT: return 0x12;
    case SDLK_ESCAPE: return 0x1B;
    case SDLK_SPACE: return 0x20;
    case SDLK_PAGEUP: return 0x21;
    case SDLK_PAGEDOWN: return 0x22;
    case SDLK_END: return 0x23;
    case SDLK_HOME: return 0x24;
    case SDLK_LEFT: return 0x25;
    case SDLK_UP: return 0x26;
    case SDLK_RIGHT: return 0x27;
    case SDLK_DOWN: return 0x28;
    case SDLK_INSERT: return 0x2D;
    case SDLK_DELETE: return 0x2E;
    case SDLK_APPLICATION: case SDLK_MENU: return 0x5D;
    default: return 0;
  }
}

WPARAM MouseFlags(Uint32 buttons) {
  WPARAM flags = 0;
  if (buttons & SDL_BUTTON_LMASK) flags |= kMkLButton;
  if (buttons & SDL_BUTTON_RMASK) flags |= kMkRButton;
  if (buttons & SDL_BUTTON_MMASK) flags |= kMkMButton;
  const SDL_Keymod mods = SDL_GetModState();
  if (mods & KMOD_SHIFT) flags |= kMkShift;
  if (mods & KMOD_CTRL) flags |= kMkControl;
  return flags;
}

LPARAM PackPoint(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(x)), static_cast<WORD>(static_cast<SHORT>(y)));
}

class SdlDisplay final : public DisplayBackend {
 public:
  ~SdlDisplay() override {
    for (auto& [hwnd, shown] : windows_) SDL_DestroyWindow(shown.window);
    // The video subsystem stays up: SDL unloads the X libraries on quit, and a later back end in the
    // same process would load them again for nothing.
  }

  std::string Name() const override { return "sdl"; }
  bool Headless() const override { return false; }

  void ShowWindow(HWND hwnd, const RECT& rect, const std::string& title) override {
    auto it = windows_.find(hwnd);
    if (it == windows_.end()) {
      SDL_Window* window = SDL_CreateWindow(Cp1252ToUtf8(title).c_str(), rect.left, rect.top,
                                            std::max<int>(1, rect.right - rect.left),
                                            std::max<int>(1, rect.bottom - rect.top),
                                            SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
      if (!window) {
        SDL_Log("cannot create a window: %s", SDL_GetError());
        return;
      }
      it = windows_.emplace(hwnd, Shown{window, rect}).first;
      byId_[SDL_GetWindowID(window)] = hwnd;
    }
    MoveWindow(hwnd, rect);
    SDL_ShowWindow(it->second.window);
    RaiseOwnedBy(hwnd);
  }

  void SetOwner(HWND hwnd, HWND owner) override {
    auto it = windows_.find(hwnd);
    auto ownerIt = windows_.find(owner);
    if (it == windows_.end() || ownerIt == windows_.end()) return;
    it->second.owner = owner;
    // The transient-for hint: a window manager keeps the window above its owner.
    SDL_SetWindowModalFor(it->second.window, ownerIt->second.window);
    SDL_RaiseWindow(it->second.window);
  }

  // A window that has the keyboard already is left alone: every new focus makes SDL read the keys held
  // at the moment it takes the notice in and report them ahead of the keys still waiting, so a click
  // on the active window followed at once by Tab and Shift+D would have turned the Tab into Shift+Tab.
  void FocusWindow(HWND hwnd) override {
    auto it = windows_.find(hwnd);
    if (it == windows_.end() || !(SDL_GetWindowFlags(it->second.window) & SDL_WINDOW_SHOWN)) return;
    if (SDL_GetKeyboardFocus() == it->second.window && focusAsked_ == it->second.window) return;
    focusAsked_ = it->second.window;
    SDL_SetWindowInputFocus(it->second.window);
  }

  void RaiseWindow(HWND hwnd) override {
    auto it = windows_.find(hwnd);
    if (it == windows_.end()) return;
    SDL_RaiseWindow(it->second.window);
    RaiseOwnedBy(hwnd);
  }

  void HideWindow(HWND hwnd) override {
    if (auto it = windows_.find(hwnd); it != windows_.end()) SDL_HideWindow(it->second.window);
  }

  void MoveWindow(HWND hwnd, const RECT& rect) override {
    auto it = windows_.find(hwnd);
    if (it == windows_.end()) return;
    it->second.rect = rect;
    SDL_SetWindowPosition(it->second.window, rect.left, rect.top);
    SDL_SetWindowSize(it->second.window, std::max<int>(1, rect.right - rect.left),
                      std::max<int>(1, rect.bottom - rect.top));
  }

  void SetTitle(HWND hwnd, const std::string& title) override {
    if (auto it = windows_.find(hwnd); it != windows_.end())
      SDL_SetWindowTitle(it->second.window, Cp1252ToUtf8(title).c_str());
  }

  void DestroyWindow(HWND hwnd) override {
    auto it = windows_.find(hwnd);
    if (it == windows_.end()) return;
    byId_.erase(SDL_GetWindowID(it->second.window));
    if (focusAsked_ == it->second.window) focusAsked_ = nullptr;
    SDL_DestroyWindow(it->second.window);
    windows_.erase(it);
  }

  void Present(HWND hwnd, const gdi::Surface& surface) override {
    auto it = windows_.find(hwnd);
    if (it == windows_.end() || surface.empty()) return;
    SDL_Surface* screen = SDL_GetWindowSurface(it->second.window);
    if (!screen) return;
    // Our pixels are 0x00RRGGBB words, which SDL calls RGB888.
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<gdi::Pixel*>(surface.data()), surface.width(),
                                                             surface.height(), 32, surface.stride(),
                                                             SDL_PIXELFORMAT_RGB888);
    if (!source) return;
    SDL_BlitSurface(source, nullptr, screen, nullptr);
    SDL_FreeSurface(source);
    SDL_UpdateWindowSurface(it->second.window);
  }

  std::vector<InputMessage> PollInput() override {
    std::vector<InputMessage> out;
    SDL_Event event;
    while (SDL_PollEvent(&event)) Translate(event, out);
    FollowHeldPointer(out);
    ReportFocusLoss(out);
    return out;
  }

  std::optional<SIZE> ScreenSize() const override {
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0 || mode.w <= 0 || mode.h <= 0) return std::nullopt;
    return SIZE{mode.w, mode.h};
  }

  void MinimiseWindow(HWND hwnd) override {
    if (auto it = windows_.find(hwnd); it != windows_.end()) {
      it->second.minimisedByProgram = true;
      SDL_MinimizeWindow(it->second.window);
    }
  }

  void RestoreWindow(HWND hwnd) override {
    if (auto it = windows_.find(hwnd); it != windows_.end()) {
      it->second.minimisedByProgram = false;
      // SDL restores only a window it knows to be minimised: it learns that from the window manager's
      // notice, which may still wait unread when the program restores soon after minimising.
      SDL_PumpEvents();
      SDL_RestoreWindow(it->second.window);
      RaiseOwnedBy(hwnd);
    }
  }

  void SetIcon(HWND hwnd, const gdi::Surface& picture) override {
    auto it = windows_.find(hwnd);
    if (it == windows_.end() || picture.empty()) return;
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<gdi::Pixel*>(picture.data()), picture.width(),
                                                           picture.height(), 32, picture.stride(),
                                                           SDL_PIXELFORMAT_RGB888);
    if (!icon) return;
    SDL_SetWindowIcon(it->second.window, icon);
    SDL_FreeSurface(icon);
  }

  std::optional<gdi::Surface> ReadBack(HWND hwnd) override {
    auto it = windows_.find(hwnd);
    if (it == windows_.end()) return std::nullopt;
    SDL_Surface* screen = SDL_GetWindowSurface(it->second.window);
    if (!screen) return std::nullopt;
    gdi::Surface picture(screen->w, screen->h);
    SDL_ConvertPixels(screen->w, screen->h, screen->format->format, screen->pixels, screen->pitch,
                      SDL_PIXELFORMAT_RGB888, picture.data(), picture.stride());
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x) picture.row(y)[x] &= 0xFFFFFF;
    return picture;
  }

 private:
  struct Shown {
    SDL_Window* window;
    RECT rect;
    bool minimisedByProgram = false;
    HWND owner = nullptr;  // the shown window it stays above
  };

  // An owner came up: the shown windows it owns go over it again, theirs over them. Without a window
  // manager nothing else keeps a dialog above the window it belongs to.
  void RaiseOwnedBy(HWND owner, int depth = 0) {
    if (depth > 8) return;  // owner chains are short; a cycle would be a fault elsewhere
    for (auto& [hwnd, shown] : windows_) {
      if (shown.owner != owner || !(SDL_GetWindowFlags(shown.window) & SDL_WINDOW_SHOWN)) continue;
      SDL_RaiseWindow(shown.window);
      RaiseOwnedBy(hwnd, depth + 1);
    }
  }

  InputMessage Message(HWND hwnd, UINT message, WPARAM wParam, int x, int y) const {
    InputMessage m;
    m.window = hwnd;
    m.message = message;
    m.wParam = wParam;
    m.lParam = PackPoint(x, y);
    const RECT& r = windows_.at(hwnd).rect;
    m.screen = POINT{r.left + x, r.top + y};
    return m;
  }

  void PushMouse(std::vector<InputMessage>& out, const InputMessage& m) {
    pointer_ = m.screen;
    pointerKnown_ = true;
    out.push_back(m);
  }

  // While a button is held (a window dragged by its caption moves along with the pointer) SDL drops every
  // motion whose point in the window is unchanged, and a motion queued before the window moved carries a
  // point of its old place. The pointer is then read from the screen itself after each round of events.
  void FollowHeldPointer(std::vector<InputMessage>& out) {
    SDL_Window* under = SDL_GetMouseFocus();
    if (!under || !(SDL_GetMouseState(nullptr, nullptr) & (SDL_BUTTON_LMASK | SDL_BUTTON_RMASK))) return;
    HWND hwnd = WindowOf(SDL_GetWindowID(under));
    if (!hwnd) return;
    int x = 0, y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    if (pointerKnown_ && x == pointer_.x && y == pointer_.y) return;
    const RECT& r = windows_.at(hwnd).rect;
    PushMouse(out, Message(hwnd, kMouseMove, MouseFlags(SDL_GetMouseState(nullptr, nullptr)), x - r.left, y - r.top));
  }

  HWND WindowOf(Uint32 id) const {
    auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
  }

  void Translate(const SDL_Event& event, std::vector<InputMessage>& out) {
    switch (event.type) {
      case SDL_MOUSEMOTION:
        if (HWND hwnd = WindowOf(event.motion.windowID))
          PushMouse(out, Message(hwnd, kMouseMove, MouseFlags(event.motion.state), event.motion.x, event.motion.y));
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        HWND hwnd = WindowOf(event.button.windowID);
        if (!hwnd) break;
        const bool down = event.type == SDL_MOUSEBUTTONDOWN;
        UINT message = 0;
        if (event.button.button == SDL_BUTTON_LEFT) message = down ? kLButtonDown : kLButtonUp;
        else if (event.button.button == SDL_BUTTON_RIGHT) message = down ? kRButtonDown : kRButtonUp;
        else if (event.button.button == SDL_BUTTON_MIDDLE) message = down ? kMButtonDown : kMButtonUp;
        if (!message) break;
        int x = event.button.x, y = event.button.y;
        if (!down) {
          // A release ends a drag where the pointer is: its last step may be a motion SDL dropped, and the
          // release's point in the window may be of the window's place before the drag's last move.
          const RECT& r = windows_.at(hwnd).rect;
          SDL_GetGlobalMouseState(&x, &y);
          x -= r.left;
          y -= r.top;
          const InputMessage step = Message(hwnd, kMouseMove, MouseFlags(SDL_GetMouseState(nullptr, nullptr)), x, y);
          if (pointerKnown_ && (step.screen.x != pointer_.x || step.screen.y != pointer_.y)) PushMouse(out, step);
        }
        PushMouse(out, Message(hwnd, message, MouseFlags(SDL_GetMouseState(nullptr, nullptr)), x, y));
        break;
      }
      case SDL_MOUSEWHEEL: {
        HWND hwnd = WindowOf(event.wheel.windowID);
        if (!hwnd) break;
        int x = 0, y = 0;
        SDL_GetMouseState(&x, &y);
        InputMessage m = Message(hwnd, kMouseWheel, 0, x, y);
        const WORD delta = static_cast<WORD>(static_cast<SHORT>(event.wheel.y * kWheelDelta));
        m.wParam = MAKEWPARAM(static_cast<WORD>(MouseFlags(SDL_GetMouseState(nullptr, nullptr))), delta);
        m.lParam = PackPoint(m.screen.x, m.screen.y);  // the wheel reports screen coordinates
        out.push_back(m);
        break;
      }
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        HWND hwnd = WindowOf(event.key.windowID);
        const WPARAM key = VirtualKey(event.key.keysym.sym);
        if (!hwnd || !key) break;
        InputMessage m;
        m.window = hwnd;
        m.message = event.type == SDL_KEYDOWN ? kKeyDown : kKeyUp;
        m.wParam = key;
        m.lParam = 1 | (static_cast<LPARAM>(event.key.keysym.scancode & 0xFF) << 16) |
                   (event.type == SDL_KEYUP ? static_cast<LPARAM>(0xC0000000u) : (event.key.repeat ? 0x40000000 : 0));
        out.push_back(m);
        // Keys that type a control character in the platform's keyboard model.
        if (event.type == SDL_KEYDOWN && (key == 0x08 || key == 0x09 || key == 0x0D || key == 0x1B)) {
          m.message = kChar;
          m.wParam = key;
          out.push_back(m);
        }
        break;
      }
      case SDL_TEXTINPUT: {
        HWND hwnd = WindowOf(event.text.windowID);
        if (!hwnd) break;
        for (unsigned char ch : Utf8ToCp1252(event.text.text)) {
          InputMessage m;
          m.window = hwnd;
          m.message = kChar;
          m.wParam = ch;
          m.lParam = 1;
          out.push_back(m);
        }
        break;
      }
      case SDL_WINDOWEVENT:
        if (HWND hwnd = WindowOf(event.window.windowID)) {
          if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
            InputMessage m;
            m.window = hwnd;
            m.message = kClose;
            out.push_back(m);
          } else if (event.window.event == SDL_WINDOWEVENT_RESTORED && windows_.at(hwnd).minimisedByProgram) {
            // Restored by the user from the task bar: the program restores its window too.
            windows_.at(hwnd).minimisedByProgram = false;
            InputMessage m;
            m.window = hwnd;
            m.message = kSysCommand;
            m.wParam = kScRestore;
            out.push_back(m);
          } else if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
            SDL_UpdateWindowSurface(windows_.at(hwnd).window);
          } else if (event.window.event == SDL_WINDOWEVENT_LEAVE) {
            // The pointer went off our windows.
            InputMessage m;
            m.window = hwnd;
            m.message = kMouseLeave;
            out.push_back(m);
          } else if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
            focusLostAt_ = SDL_GetTicks();
            focusLostBy_ = hwnd;
          }
        }
        break;
      default:
        break;
    }
  }

  // A window of ours losing the keyboard to another of ours (a menu opening) is no loss; only when none
  // of ours has it a little later has another program taken it.
  void ReportFocusLoss(std::vector<InputMessage>& out) {
    if (!focusLostBy_ || SDL_GetTicks() - focusLostAt_ < kFocusSettleMs) return;
    SDL_Window* focus = SDL_GetKeyboardFocus();
    const bool ours = focus && byId_.count(SDL_GetWindowID(focus)) != 0;
    if (!ours && windows_.count(focusLostBy_)) {
      InputMessage m;
      m.window = focusLostBy_;
      m.message = kKillFocus;
      out.push_back(m);
    }
    focusLostBy_ = nullptr;
  }

  static constexpr Uint32 kFocusSettleMs = 150;
  std::map<HWND, Shown> windows_;
  std::map<Uint32, HWND> byId_;
  HWND focusLostBy_ = nullptr;
  Uint32 focusLostAt_ = 0;
  SDL_Window* focusAsked_ = nullptr;  // the window last given the keyboard
  POINT pointer_{0, 0};  // the last point reported to the window manager, on the screen
  bool pointerKnown_ = false;
};

}  // namespace

std::unique_ptr<DisplayBackend> CreateSdlDisplay(std::string* error) {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // Every window is painted by the raster here; the display only has to show the finished picture. The
  // video driver's own frame buffer (shared memory on X11) does that without an OpenGL context, which on
  // a machine without a graphics card is a software renderer with a thread per core in every program.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // Without a session bus (a kiosk, a test's X server) libdbus, which SDL's video start asks for one,
  // would fork the program (by now multi-threaded) to launch a bus; the forked copy can hang on a lock
  // another thread held, and the program waits for it for ever. The windows need no bus: an address
  // that leads nowhere makes libdbus give up at once.
  if (!std::getenv("DBUS_SESSION_BUS_ADDRESS")) setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null/no-session-bus", 0);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    if (error) *error = SDL_GetError();
    return nullptr;
  }
  SDL_StartTextInput();
  return std::make_unique<SdlDisplay>();
}

}  // namespace qh::display
