// The progress bar and the track bar (slider): a position within a range, shown as a filled bar or
// a thumb on a channel; the track bar reports its moves to the parent with WM_HSCROLL / WM_VSCROLL.
#include <algorithm>
#include <mutex>

#include "platform/ui/CommCtrl.h"
#include "platform/ui/ControlSupport.h"
#include "platform/ui/Input.h"

namespace qh::ui {

void RegisterListView();
void RegisterTabControl();
void RegisterTreeView();
void RegisterDatePicker();
void RegisterUpDown();
void RegisterIpAddressControl();

namespace {

// ---- Progress bar ----
struct ProgressState {
  int low = 0;
  int high = 100;
  int position = 0;
  int step = 10;
  COLORREF bar = CLR_DEFAULT_BAR;
  static constexpr COLORREF CLR_DEFAULT_BAR = 0xFF000000u;
};

int ClampTo(const ProgressState* s, int value) { return std::clamp(value, std::min(s->low, s->high), std::max(s->low, s->high)); }

LRESULT ProgressProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* s = StateOf<ProgressState>(hWnd);
  auto moveTo = [&](int value) {
    int old = s->position;
    s->position = ClampTo(s, value);
    if (old != s->position) InvalidateRect(hWnd, nullptr, TRUE);
    return static_cast<LRESULT>(old);
  };
  switch (message) {
    case WM_NCCREATE: AttachState<ProgressState>(hWnd); break;
    case WM_NCDESTROY: DropState<ProgressState>(hWnd); break;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      ControlPaint paint(hWnd, WM_CTLCOLORSTATIC);
      if (!paint.dc) return 0;
      FillRect(paint.dc, &paint.client, GetSysColorBrush(COLOR_BTNFACE));
      FrameRect(paint.dc, &paint.client, GetSysColorBrush(COLOR_BTNSHADOW));
      int span = s->high - s->low;
      if (span > 0) {
        RECT filled = paint.client;
        InflateRect(&filled, -1, -1);
        bool vertical = (StyleOf(hWnd) & PBS_VERTICAL) != 0;
        long long done = static_cast<long long>(s->position - s->low);
        if (vertical)
          filled.top = filled.bottom - static_cast<LONG>((filled.bottom - filled.top) * done / span);
        else
          filled.right = filled.left + static_cast<LONG>((filled.right - filled.left) * done / span);
        HBRUSH brush = s->bar == ProgressState::CLR_DEFAULT_BAR ? GetSysColorBrush(COLOR_HIGHLIGHT) : CreateSolidBrush(s->bar);
        FillRect(paint.dc, &filled, brush);
        if (s->bar != ProgressState::CLR_DEFAULT_BAR) DeleteObject(brush);
      }
      return 0;
    }
    case PBM_SETRANGE:
    case PBM_SETRANGE32: {
      LRESULT old = MAKELONG(static_cast<WORD>(s->low), static_cast<WORD>(s->high));
      if (message == PBM_SETRANGE) {
        s->low = LOWORD(static_cast<DWORD>(lParam));
        s->high = HIWORD(static_cast<DWORD>(lParam));
      } else {
        s->low = static_cast<int>(wParam);
        s->high = static_cast<int>(lParam);
      }
      s->position = ClampTo(s, s->position);
      InvalidateRect(hWnd, nullptr, TRUE);
      return old;
    }
    case PBM_GETRANGE: {
      if (auto* range = reinterpret_cast<PBRANGE*>(lParam)) {
        range->iLow = s->low;
        range->iHigh = s->high;
      }
      return wParam ? s->low : s->high;
    }
    case PBM_SETPOS: return moveTo(static_cast<int>(wParam));
    case PBM_DELTAPOS: return moveTo(s->position + static_cast<int>(wParam));
    case PBM_GETPOS: return s->position;
    case PBM_SETSTEP: {
      int old = s->step;
      s->step = static_cast<int>(wParam);
      return old;
    }
    case PBM_STEPIT: {
      int next = s->position + s->step;
      // Past the end the bar starts over, as the platform's does.
      if (next > s->high) next = s->low + (next - s->high);
      if (next < s->low) next = s->high - (s->low - next);
      return moveTo(next);
    }
    case PBM_SETBARCOLOR: {
      COLORREF old = s->bar;
      s->bar = static_cast<COLORREF>(lParam);
      InvalidateRect(hWnd, nullptr, TRUE);
      return old;
    }
    default: break;
  }
  return DefWindowProc(hWnd, message, wParam, lParam);
}

// ---- Track bar ----
constexpr int kInset = 8;
constexpr int kThumb = 10;

struct TrackState {
  int low = 0;
  int high = 100;
  int position = 0;
  int page = 20;
  int line = 1;
  int tickFrequency = 1;
  bool dragging = false;
};

bool Vertical(HWND hWnd) { return (StyleOf(hWnd) & TBS_VERT) != 0; }

int Length(HWND hWnd) {
  RECT client;
  GetClientRect(hWnd, &client);
  return std::max(1, static_cast<int>(Vertical(hWnd) ? client.bottom : client.right) - 2 * kInset);
}

int PixelOf(HWND hWnd, const TrackState* s) {
  int span = std::max(1, s->high - s->low);
  return kInset + static_cast<int>(static_cast<long long>(s->position - s->low) * Length(hWnd) / span);
}

int PositionAt(HWND hWnd, const TrackState* s, int pixel) {
  int span = s->high - s->low;
  int offset = std::clamp(pixel - kInset, 0, Length(hWnd));
  return s->low + static_cast<int>((static_cast<long long>(offset) * span + Length(hWnd) / 2) / Length(hWnd));
}

void Report(HWND hWnd, const TrackState* s, WORD code) {
  HWND parent = GetParent(hWnd);
  if (!parent) return;
  WPARAM wParam = MAKEWPARAM(code, (code == TB_THUMBTRACK || code == TB_THUMBPOSITION) ? static_cast<WORD>(s->position) : 0);
  SendMessage(parent, Vertical(hWnd) ? WM_VSCROLL : WM_HSCROLL, wParam, reinterpret_cast<LPARAM>(hWnd));
}

void MoveThumb(HWND hWnd, TrackState* s, int position, WORD code) {
  position = std::clamp(position, s->low, s->high);
  if (position != s->position) {
    s->position = position;
    InvalidateRect(hWnd, nullptr, TRUE);
  }
  Report(hWnd, s, code);
}

LRESULT TrackProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* s = StateOf<TrackState>(hWnd);
  int along = Vertical(hWnd) ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam);
  switch (message) {
    case WM_NCCREATE: AttachState<TrackState>(hWnd); break;
    case WM_NCDESTROY: DropState<TrackState>(hWnd); break;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      ControlPaint paint(hWnd, WM_CTLCOLORSTATIC);
      if (!paint.dc) return 0;
      FillRect(paint.dc, &paint.client, paint.brush);
      bool vertical = Vertical(hWnd);
      int middle = (vertical ? paint.client.right : paint.client.bottom) / 2;
      RECT channel = vertical ? RECT{middle - 2, kInset, middle + 2, kInset + Length(hWnd)}
                              : RECT{kInset, middle - 2, kInset + Length(hWnd), middle + 2};
      FillRect(paint.dc, &channel, GetSysColorBrush(COLOR_WINDOW));
      FrameRect(paint.dc, &channel, GetSysColorBrush(COLOR_BTNSHADOW));
      int at = PixelOf(hWnd, s);
      RECT thumb = vertical ? RECT{middle - 8, at - kThumb / 2, middle + 8, at + kThumb / 2}
                            : RECT{at - kThumb / 2, middle - 8, at + kThumb / 2, middle + 8};
      FillRect(paint.dc, &thumb, GetSysColorBrush(COLOR_BTNFACE));
      FrameRect(paint.dc, &thumb, GetSysColorBrush(COLOR_3DDKSHADOW));
      return 0;
    }
    case WM_LBUTTONDOWN: {
      SetFocus(hWnd);
      int thumb = PixelOf(hWnd, s);
      if (std::abs(along - thumb) <= kThumb / 2) {
        s->dragging = true;
        SetCapture(hWnd);
      } else {
        MoveThumb(hWnd, s, s->position + (along < thumb ? -s->page : s->page), along < thumb ? TB_PAGEUP : TB_PAGEDOWN);
        Report(hWnd, s, TB_ENDTRACK);
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (s->dragging) MoveThumb(hWnd, s, PositionAt(hWnd, s, along), TB_THUMBTRACK);
      return 0;
    case WM_LBUTTONUP:
      if (s->dragging) {
        s->dragging = false;
        ReleaseCapture();
        MoveThumb(hWnd, s, PositionAt(hWnd, s, along), TB_THUMBPOSITION);
        Report(hWnd, s, TB_ENDTRACK);
      }
      return 0;
    case WM_KEYDOWN: {
      switch (wParam) {
        case VK_LEFT:
        case VK_UP: MoveThumb(hWnd, s, s->position - s->line, TB_LINEUP); break;
        case VK_RIGHT:
        case VK_DOWN: MoveThumb(hWnd, s, s->position + s->line, TB_LINEDOWN); break;
        case VK_PRIOR: MoveThumb(hWnd, s, s->position - s->page, TB_PAGEUP); break;
        case VK_NEXT: MoveThumb(hWnd, s, s->position + s->page, TB_PAGEDOWN); break;
        case VK_HOME: MoveThumb(hWnd, s, s->low, TB_TOP); break;
        case VK_END: MoveThumb(hWnd, s, s->high, TB_BOTTOM); break;
        default: break;
      }
      return 0;
    }
    case WM_KEYUP:
      if (wParam == VK_LEFT || wParam == VK_RIGHT || wParam == VK_UP || wParam == VK_DOWN || wParam == VK_PRIOR ||
          wParam == VK_NEXT || wParam == VK_HOME || wParam == VK_END)
        Report(hWnd, s, TB_ENDTRACK);
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case TBM_GETPOS: return s->position;
    case TBM_GETRANGEMIN: return s->low;
    case TBM_GETRANGEMAX: return s->high;
    case TBM_SETPOS:
      s->position = std::clamp(static_cast<int>(lParam), s->low, s->high);
      InvalidateRect(hWnd, nullptr, TRUE);
      return 0;
    case TBM_SETRANGE:
      s->low = static_cast<SHORT>(LOWORD(static_cast<DWORD>(lParam)));
      s->high = static_cast<SHORT>(HIWORD(static_cast<DWORD>(lParam)));
      s->position = std::clamp(s->position, s->low, std::max(s->low, s->high));
      InvalidateRect(hWnd, nullptr, TRUE);
      return 0;
    case TBM_SETRANGEMIN:
      s->low = static_cast<int>(lParam);
      s->position = std::max(s->position, s->low);
      return 0;
    case TBM_SETRANGEMAX:
      s->high = static_cast<int>(lParam);
      s->position = std::min(s->position, s->high);
      return 0;
    case TBM_SETTICFREQ: s->tickFrequency = static_cast<int>(wParam); return 0;
    case TBM_SETTIC:
    case TBM_CLEARTICS: return TRUE;
    case TBM_SETPAGESIZE: {
      int old = s->page;
      s->page = static_cast<int>(lParam);
      return old;
    }
    case TBM_GETPAGESIZE: return s->page;
    case TBM_SETLINESIZE: {
      int old = s->line;
      s->line = static_cast<int>(lParam);
      return old;
    }
    case TBM_GETLINESIZE: return s->line;
    default: break;
  }
  return DefWindowProc(hWnd, message, wParam, lParam);
}

}  // namespace

void RegisterCommonControls() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASS wc;
    wc.lpfnWndProc = &ProgressProc;
    wc.lpszClassName = PROGRESS_CLASS;
    RegisterClass(&wc);
    wc.lpfnWndProc = &TrackProc;
    wc.lpszClassName = TRACKBAR_CLASS;
    RegisterClass(&wc);
    RegisterListView();
    RegisterTabControl();
    RegisterTreeView();
    RegisterDatePicker();
    RegisterUpDown();
    RegisterIpAddressControl();
  });
}

}  // namespace qh::ui
