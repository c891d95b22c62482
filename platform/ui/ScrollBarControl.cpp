// The scroll bar control: arrows, track and thumb report to the parent with WM_HSCROLL / WM_VSCROLL;
// as on the platform, the parent moves the thumb (SetScrollPos) in answer.
#include <algorithm>

#include "platform/ui/CommCtrl.h"
#include "platform/ui/ControlSupport.h"
#include "platform/ui/Input.h"

namespace qh::ui {
namespace {

constexpr int kArrow = 16;
constexpr int kThumb = 16;

struct BarState {
  SCROLLINFO info;
  bool dragging = false;
};

bool Vertical(HWND hWnd) { return (StyleOf(hWnd) & SBS_VERT) != 0; }

int Length(HWND hWnd) {
  RECT client;
  GetClientRect(hWnd, &client);
  return static_cast<int>(Vertical(hWnd) ? client.bottom : client.right);
}

int Span(const SCROLLINFO& info) { return std::max(0, info.nMax - info.nMin - std::max(0, static_cast<int>(info.nPage) - 1)); }

int ThumbStart(HWND hWnd, const SCROLLINFO& info) {
  int track = std::max(0, Length(hWnd) - 2 * kArrow - kThumb);
  int span = Span(info);
  return kArrow + (span ? static_cast<int>(static_cast<long long>(info.nPos - info.nMin) * track / span) : 0);
}

int PositionAt(HWND hWnd, const SCROLLINFO& info, int pixel) {
  int track = std::max(1, Length(hWnd) - 2 * kArrow - kThumb);
  int offset = std::clamp(pixel - kArrow - kThumb / 2, 0, track);
  return info.nMin + static_cast<int>(static_cast<long long>(offset) * Span(info) / track);
}

void Report(HWND hWnd, WORD code, int position = 0) {
  HWND parent = GetParent(hWnd);
  if (parent)
    SendMessage(parent, Vertical(hWnd) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, static_cast<WORD>(position)),
                reinterpret_cast<LPARAM>(hWnd));
}

int Clamp(const SCROLLINFO& info, int position) { return std::clamp(position, info.nMin, info.nMin + Span(info)); }

LRESULT BarProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* s = StateOf<BarState>(hWnd);
  int along = Vertical(hWnd) ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam);
  switch (message) {
    case WM_NCCREATE: {
      auto* made = AttachState<BarState>(hWnd);
      made->info.nMax = 100;
      break;
    }
    case WM_NCDESTROY: DropState<BarState>(hWnd); break;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      ControlPaint paint(hWnd, WM_CTLCOLORSCROLLBAR);
      if (!paint.dc) return 0;
      FillRect(paint.dc, &paint.client, GetSysColorBrush(COLOR_SCROLLBAR));
      bool vertical = Vertical(hWnd);
      int length = Length(hWnd), thumb = ThumbStart(hWnd, s->info);
      auto piece = [&](int from, int to) {
        return vertical ? RECT{0, from, paint.client.right, to} : RECT{from, 0, to, paint.client.bottom};
      };
      for (RECT part : {piece(0, kArrow), piece(length - kArrow, length), piece(thumb, thumb + kThumb)}) {
        FillRect(paint.dc, &part, GetSysColorBrush(COLOR_BTNFACE));
        FrameRect(paint.dc, &part, GetSysColorBrush(COLOR_3DDKSHADOW));
      }
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      int thumb = ThumbStart(hWnd, s->info);
      if (along < kArrow) {
        Report(hWnd, SB_LINEUP);
      } else if (along >= Length(hWnd) - kArrow) {
        Report(hWnd, SB_LINEDOWN);
      } else if (along < thumb) {
        Report(hWnd, SB_PAGEUP);
      } else if (along >= thumb + kThumb) {
        Report(hWnd, SB_PAGEDOWN);
      } else {
        s->dragging = true;
        SetCapture(hWnd);
        return 0;
      }
      Report(hWnd, SB_ENDSCROLL);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (s->dragging) {
        s->info.nTrackPos = PositionAt(hWnd, s->info, along);
        Report(hWnd, SB_THUMBTRACK, s->info.nTrackPos);
      }
      return 0;
    case WM_LBUTTONUP:
      if (s->dragging) {
        s->dragging = false;
        ReleaseCapture();
        Report(hWnd, SB_THUMBPOSITION, PositionAt(hWnd, s->info, along));
        Report(hWnd, SB_ENDSCROLL);
      }
      return 0;
    case WM_KEYDOWN: {
      WORD code = 0xFFFF;
      if (wParam == VK_UP || wParam == VK_LEFT) code = SB_LINEUP;
      if (wParam == VK_DOWN || wParam == VK_RIGHT) code = SB_LINEDOWN;
      if (wParam == VK_PRIOR) code = SB_PAGEUP;
      if (wParam == VK_NEXT) code = SB_PAGEDOWN;
      if (wParam == VK_HOME) code = SB_TOP;
      if (wParam == VK_END) code = SB_BOTTOM;
      if (code != 0xFFFF) {
        Report(hWnd, code);
        Report(hWnd, SB_ENDSCROLL);
      }
      return 0;
    }
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case SBM_SETPOS: {
      int old = s->info.nPos;
      s->info.nPos = Clamp(s->info, static_cast<int>(wParam));
      InvalidateRect(hWnd, nullptr, TRUE);
      return old;
    }
    case SBM_GETPOS: return s->info.nPos;
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW: {
      int old = s->info.nPos;
      s->info.nMin = static_cast<int>(wParam);
      s->info.nMax = static_cast<int>(lParam);
      s->info.nPos = Clamp(s->info, s->info.nPos);
      InvalidateRect(hWnd, nullptr, TRUE);
      return old;
    }
    case SBM_GETRANGE:
      if (wParam) *reinterpret_cast<int*>(wParam) = s->info.nMin;
      if (lParam) *reinterpret_cast<int*>(lParam) = s->info.nMax;
      return 0;
    case SBM_SETSCROLLINFO: {
      auto* info = reinterpret_cast<const SCROLLINFO*>(lParam);
      if (!info) return 0;
      if (info->fMask & SIF_RANGE) {
        s->info.nMin = info->nMin;
        s->info.nMax = info->nMax;
      }
      if (info->fMask & SIF_PAGE) s->info.nPage = info->nPage;
      if (info->fMask & SIF_POS) s->info.nPos = info->nPos;
      s->info.nPos = Clamp(s->info, s->info.nPos);
      InvalidateRect(hWnd, nullptr, TRUE);
      return s->info.nPos;
    }
    case SBM_GETSCROLLINFO: {
      auto* info = reinterpret_cast<SCROLLINFO*>(lParam);
      if (!info) return FALSE;
      UINT mask = info->fMask;
      *info = s->info;
      info->fMask = mask;
      return TRUE;
    }
    default: break;
  }
  return DefWindowProc(hWnd, message, wParam, lParam);
}

}  // namespace

void RegisterScrollBarControl() {
  WNDCLASS wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &BarProc;
  wc.lpszClassName = WC_SCROLLBAR;
  RegisterClass(&wc);
}

}  // namespace qh::ui
