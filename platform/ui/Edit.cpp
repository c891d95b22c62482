// The edit control: single-line fields with a limit and the case and number styles, and multi-line
// edits (the read-only report and log boxes) with their own vertical scroll bar; a multi-line edit
// without horizontal scrolling wraps its lines at word boundaries to its width.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Cp1252.h"
#include "platform/ui/CommCtrl.h"
#include "platform/ui/ControlSupport.h"
#include "platform/ui/Controls.h"
#include "platform/ui/EditLayout.h"
#include "platform/ui/Input.h"
#include "platform/ui/gdi/Gdi.h"
#include "platform/ui/OwnScrollBar.h"

namespace qh::ui {
namespace {

// What a multi-line edit's rows were laid out for.
struct EditLayoutKey {
  std::string text;
  int width = 0;  // 0: no wrapping
  HFONT font = nullptr;
  std::vector<int> tabStops;
  bool operator==(const EditLayoutKey&) const = default;
};

struct EditState {
  int firstLine = 0;  // multi-line edits: the row at the top
  EditLayoutKey layoutKey;
  bool laidOut = false;
  std::vector<EditRow> rows;
  std::size_t limit = 30000;
  int selStart = 0;
  int selEnd = 0;
  bool modified = false;
  std::vector<int> tabStops = TabStopPixels(0, nullptr);  // pixels; one value: a stop every that many
};

void ReplaceSelection(HWND hWnd, EditState* state, const std::string& insert, bool notify) {
  std::string text = TextOf(hWnd);
  int length = static_cast<int>(text.size());
  int start = std::clamp(std::min(state->selStart, state->selEnd), 0, length);
  int end = std::clamp(std::max(state->selStart, state->selEnd), 0, length);
  std::string piece = insert;
  DWORD style = StyleOf(hWnd);
  if (style & ES_UPPERCASE) Cp1252MakeUpper(piece);
  if (style & ES_LOWERCASE) Cp1252MakeLower(piece);
  std::size_t room = state->limit - std::min(state->limit, text.size() - static_cast<std::size_t>(end - start));
  bool truncated = piece.size() > room;
  if (truncated) piece.resize(room);
  text.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start), piece);
  state->selStart = state->selEnd = start + static_cast<int>(piece.size());
  DefWindowProc(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  state->modified = true;
  if (notify) {
    Notify(hWnd, EN_UPDATE);
    Notify(hWnd, EN_CHANGE);
  }
  if (truncated) Notify(hWnd, EN_MAXTEXT);
}

void TypeCharacter(HWND hWnd, EditState* state, unsigned char ch) {
  DWORD style = StyleOf(hWnd);
  if (style & ES_READONLY) return;
  if (ch == 0x08) {  // backspace: the selection, or the character before the caret
    if (state->selStart == state->selEnd && state->selStart > 0) --state->selStart;
    ReplaceSelection(hWnd, state, "", true);
    return;
  }
  if (ch == '\r') {
    if ((style & ES_MULTILINE) && (style & ES_WANTRETURN)) ReplaceSelection(hWnd, state, "\r\n", true);
    return;
  }
  if (ch < 0x20 && ch != '\t') return;
  if ((style & ES_NUMBER) && !std::isdigit(ch)) {
    MessageBeep(0);
    return;
  }
  std::size_t length = TextOf(hWnd).size();
  int selected = std::abs(state->selEnd - state->selStart);
  if (length - static_cast<std::size_t>(selected) >= state->limit) {
    Notify(hWnd, EN_MAXTEXT);
    return;
  }
  ReplaceSelection(hWnd, state, std::string(1, static_cast<char>(ch)), true);
}

constexpr int kEditLineHeight = 16;

bool IsMultiLine(HWND hWnd) { return (StyleOf(hWnd) & ES_MULTILINE) != 0; }

// A multi-line edit without horizontal scrolling breaks its lines to fit its width.
bool Wraps(DWORD style) { return (style & ES_MULTILINE) && !(style & (ES_AUTOHSCROLL | WS_HSCROLL)); }

// The text area: the client less the own scroll bar when it shows.
RECT EditView(HWND hWnd) { return OwnBarsView(hWnd, StyleOf(hWnd)); }

int EditRows(HWND hWnd) {
  const RECT view = EditView(hWnd);
  return std::max(1, static_cast<int>(view.bottom - view.top) / kEditLineHeight);
}

// The width text may take when the text area ends at `viewRight`: as painted, two pixels in from the
// client's left and right edges and one pixel clear of a scroll bar.
int TextWidth(const RECT& client, LONG viewRight) {
  return static_cast<int>(std::min(client.right - 2, viewRight - 1) - (client.left + 2));
}

// Measures rows in the edit's font with its tab stops, as PaintMultiLine draws them.
class RowMeasure {
 public:
  RowMeasure(HWND hWnd, const std::vector<int>& tabStops) : hwnd_(hWnd), dc_(GetDC(hWnd)), tabStops_(tabStops) {
    auto font = reinterpret_cast<HFONT>(SendMessage(hWnd, WM_GETFONT, 0, 0));
    if (dc_) old_ = SelectObject(dc_, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  }
  ~RowMeasure() {
    if (!dc_) return;
    SelectObject(dc_, old_);
    ReleaseDC(hwnd_, dc_);
  }
  RowMeasure(const RowMeasure&) = delete;
  RowMeasure& operator=(const RowMeasure&) = delete;

  bool usable() const { return dc_ != nullptr; }
  int operator()(std::string_view piece) const {
    if (piece.empty()) return 0;
    return LOWORD(GetTabbedTextExtent(dc_, piece.data(), static_cast<int>(piece.size()), static_cast<int>(tabStops_.size()),
                                      tabStops_.data()));
  }

 private:
  HWND hwnd_;
  HDC dc_;
  HGDIOBJ old_ = nullptr;
  const std::vector<int>& tabStops_;
};

// The rows for the edit's text, width, font and tab stops, laid out again when one of them changed. A
// wrapping edit whose rows overflow its height wraps again beside the scroll bar that then shows.
const std::vector<EditRow>& Rows(HWND hWnd, EditState* state) {
  EditLayoutKey key;
  key.text = TextOf(hWnd);
  const DWORD style = StyleOf(hWnd);
  RECT client;
  GetClientRect(hWnd, &client);
  key.width = Wraps(style) ? TextWidth(client, client.right) : 0;
  key.font = reinterpret_cast<HFONT>(SendMessage(hWnd, WM_GETFONT, 0, 0));
  key.tabStops = state->tabStops;
  if (state->laidOut && key == state->layoutKey) return state->rows;
  state->layoutKey = key;
  state->laidOut = true;
  RowMeasure measure(hWnd, state->tabStops);
  if (!Wraps(style) || !measure.usable()) {
    state->rows = LayOutRows(key.text, 0, nullptr);
    return state->rows;
  }
  const MeasureRow measuring = [&measure](std::string_view piece) { return measure(piece); };
  state->rows = LayOutRows(key.text, key.width, measuring);
  const int fitting = std::max(1, static_cast<int>(client.bottom - client.top) / kEditLineHeight);
  if ((style & WS_VSCROLL) && static_cast<int>(state->rows.size()) > fitting)
    state->rows = LayOutRows(key.text, TextWidth(client, client.right - kOwnBarWidth), measuring);
  return state->rows;
}

int RowCount(HWND hWnd, EditState* state) { return static_cast<int>(Rows(hWnd, state).size()); }

int CaretRow(HWND hWnd, EditState* state) {
  return RowOf(Rows(hWnd, state), static_cast<std::size_t>(std::max(state->selEnd, 0)));
}

// Keeps the vertical bar's range in step with the rows and the first row shown.
void SyncEditBar(HWND hWnd, EditState* state) {
  if (!IsMultiLine(hWnd)) return;
  const int count = RowCount(hWnd, state);
  RECT client;
  GetClientRect(hWnd, &client);
  const int rows = std::max(1, static_cast<int>(client.bottom - client.top) / kEditLineHeight);
  SetOwnBar(hWnd, SB_VERT, 0, count - 1, rows, state->firstLine);
}

// The first row shown when the last row sits at the bottom (where the wheel stops).
int LastFirstLine(HWND hWnd, EditState* state) { return std::max(0, RowCount(hWnd, state) - EditRows(hWnd)); }

void ScrollToLine(HWND hWnd, EditState* state, int line) {
  state->firstLine = std::clamp(line, 0, std::max(0, RowCount(hWnd, state) - 1));
  SyncEditBar(hWnd, state);
  InvalidateRect(hWnd, nullptr, TRUE);
}

void ScrollCaretIntoView(HWND hWnd, EditState* state) {
  const int caretLine = CaretRow(hWnd, state);
  const int rows = EditRows(hWnd);
  if (caretLine < state->firstLine) ScrollToLine(hWnd, state, caretLine);
  if (caretLine >= state->firstLine + rows) ScrollToLine(hWnd, state, caretLine - rows + 1);
}

// Up, down and the page keys of a multi-line edit move the caret by rows, keeping it as far from the
// left as it was (in pixels: rows of a proportional font hold different counts of characters).
void MoveCaretByLines(HWND hWnd, EditState* state, int lines) {
  const std::string text = TextOf(hWnd);
  const std::vector<EditRow> rows = Rows(hWnd, state);
  const std::size_t caret = static_cast<std::size_t>(std::clamp(state->selEnd, 0, static_cast<int>(text.size())));
  const int line = RowOf(rows, caret);
  const EditRow& from = rows[static_cast<std::size_t>(line)];
  const EditRow& to = rows[static_cast<std::size_t>(std::clamp(line + lines, 0, static_cast<int>(rows.size()) - 1))];
  const std::string_view view(text);
  RowMeasure measure(hWnd, state->tabStops);
  const int x = measure(view.substr(from.start, std::min(caret - from.start, from.length)));
  std::size_t column = 0;
  while (column < to.length) {
    const int left = measure(view.substr(to.start, column)), right = measure(view.substr(to.start, column + 1));
    if (x < (left + right + 1) / 2) break;  // nearer the character's left edge than its right
    ++column;
  }
  state->selStart = state->selEnd = static_cast<int>(to.start + column);
  ScrollCaretIntoView(hWnd, state);
  InvalidateRect(hWnd, nullptr, TRUE);
}

// Home and End of a multi-line edit go to the ends of the caret's row.
void MoveCaretInRow(HWND hWnd, EditState* state, bool toEnd) {
  const std::vector<EditRow>& rows = Rows(hWnd, state);
  const EditRow& row = rows[static_cast<std::size_t>(CaretRow(hWnd, state))];
  state->selStart = state->selEnd = static_cast<int>(toEnd ? row.start + row.length : row.start);
}

void PaintMultiLine(HDC dc, HWND hWnd, EditState* state, RECT rect) {
  const std::string text = TextOf(hWnd);
  const std::vector<EditRow>& rows = Rows(hWnd, state);
  TEXTMETRIC metrics{};
  GetTextMetrics(dc, &metrics);
  const int offset = std::max(0, (kEditLineHeight - static_cast<int>(metrics.tmHeight)) / 2);
  const RECT view = EditView(hWnd);
  IntersectClipRect(dc, rect.left, rect.top, std::min(rect.right, view.right - 1), rect.bottom);
  for (std::size_t line = static_cast<std::size_t>(state->firstLine); line < rows.size() && rect.top < rect.bottom; ++line) {
    TabbedTextOut(dc, rect.left, rect.top + offset, text.c_str() + rows[line].start, static_cast<int>(rows[line].length),
                  static_cast<int>(state->tabStops.size()), state->tabStops.data(), rect.left);
    rect.top += kEditLineHeight;
  }
}

void PaintEdit(HWND hWnd, EditState* state) {
  ControlPaint paint(hWnd, (StyleOf(hWnd) & ES_READONLY) || !IsWindowEnabled(hWnd) ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
  if (!paint.dc) return;
  FillRect(paint.dc, &paint.client, paint.brush);
  std::string text = TextOf(hWnd);
  if (StyleOf(hWnd) & ES_PASSWORD) text.assign(text.size(), '*');
  RECT rect = paint.client;
  InflateRect(&rect, -2, -1);
  SetBkMode(paint.dc, TRANSPARENT);
  if (!IsWindowEnabled(hWnd)) SetTextColor(paint.dc, GetSysColor(COLOR_GRAYTEXT));
  DWORD style = StyleOf(hWnd);
  if (style & ES_MULTILINE) {
    SyncEditBar(hWnd, state);
    const int saved = SaveDC(paint.dc);
    PaintMultiLine(paint.dc, hWnd, state, rect);
    RestoreDC(paint.dc, saved);
    PaintOwnBars(hWnd, paint.dc, style);
    return;
  }
  UINT format = DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER;
  if (style & ES_CENTER) format |= DT_CENTER;
  if (style & ES_RIGHT) format |= DT_RIGHT;
  DrawText(paint.dc, text.c_str(), -1, &rect, format);
}

LRESULT EditProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = StateOf<EditState>(hWnd);
  switch (message) {
    case WM_NCCREATE: AttachState<EditState>(hWnd); break;
    case WM_NCDESTROY: DropState<EditState>(hWnd); break;
    case WM_PAINT: PaintEdit(hWnd, state); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETTEXT: {
      LRESULT result = DefWindowProc(hWnd, message, wParam, lParam);
      int length = GetWindowTextLength(hWnd);
      state->selStart = state->selEnd = length;
      state->modified = false;
      // A shorter text keeps the view on its rows.
      if (IsMultiLine(hWnd)) state->firstLine = std::min(state->firstLine, LastFirstLine(hWnd, state));
      Notify(hWnd, EN_CHANGE);
      return result;
    }
    case WM_CHAR: TypeCharacter(hWnd, state, static_cast<unsigned char>(wParam)); return 0;
    case WM_KEYDOWN: {
      int length = GetWindowTextLength(hWnd);
      const bool rowKeys = IsMultiLine(hWnd) && GetKeyState(VK_CONTROL) >= 0;  // Home and End within the row
      if (wParam == VK_HOME && !rowKeys) state->selStart = state->selEnd = 0;
      if (wParam == VK_END && !rowKeys) state->selStart = state->selEnd = length;
      if (wParam == VK_LEFT) state->selStart = state->selEnd = std::max(0, std::min(state->selStart, state->selEnd) - 1);
      if (wParam == VK_RIGHT) state->selStart = state->selEnd = std::min(length, std::max(state->selStart, state->selEnd) + 1);
      if (IsMultiLine(hWnd)) {
        if ((wParam == VK_HOME || wParam == VK_END) && rowKeys) MoveCaretInRow(hWnd, state, wParam == VK_END);
        if (wParam == VK_UP) MoveCaretByLines(hWnd, state, -1);
        if (wParam == VK_DOWN) MoveCaretByLines(hWnd, state, 1);
        if (wParam == VK_PRIOR) MoveCaretByLines(hWnd, state, -EditRows(hWnd));
        if (wParam == VK_NEXT) MoveCaretByLines(hWnd, state, EditRows(hWnd));
        if (wParam == VK_HOME || wParam == VK_END || wParam == VK_LEFT || wParam == VK_RIGHT) ScrollCaretIntoView(hWnd, state);
      }
      if (wParam == VK_DELETE && !(StyleOf(hWnd) & ES_READONLY)) {
        if (state->selStart == state->selEnd && state->selEnd < length) ++state->selEnd;
        ReplaceSelection(hWnd, state, "", true);
      }
      return 0;
    }
    case WM_LBUTTONDOWN:
      SetFocus(hWnd);
      if (IsMultiLine(hWnd)) {
        SyncEditBar(hWnd, state);
        PressOwnBars(hWnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, StyleOf(hWnd));
      }
      return 0;
    case WM_MOUSEMOVE: DragOwnBar(hWnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: ReleaseOwnBar(hWnd); return 0;
    case WM_VSCROLL: {
      if (!IsMultiLine(hWnd)) return 0;
      SyncEditBar(hWnd, state);
      SCROLLINFO info;
      info.fMask = SIF_ALL;
      GetScrollInfo(hWnd, SB_VERT, &info);
      ScrollToLine(hWnd, state, ScrollTarget(info, LOWORD(wParam), static_cast<SHORT>(HIWORD(wParam))));
      return 0;
    }
    case WM_MOUSEWHEEL:
      if (!IsMultiLine(hWnd)) break;
      ScrollToLine(hWnd, state, std::min(state->firstLine + WheelLines(wParam), LastFirstLine(hWnd, state)));
      return 0;
    case WM_ENABLE: InvalidateRect(hWnd, nullptr, TRUE); return 0;
    case WM_SIZE: SyncEditBar(hWnd, state); break;
    case EM_SETTABSTOPS: {
      const BOOL taken = TakeTabStops(state->tabStops, wParam, lParam);
      InvalidateRect(hWnd, nullptr, TRUE);
      return taken;
    }
    case WM_SETFOCUS:
      state->selStart = 0;  // tabbing into an edit selects its text
      state->selEnd = GetWindowTextLength(hWnd);
      InvalidateRect(hWnd, nullptr, TRUE);
      Notify(hWnd, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      InvalidateRect(hWnd, nullptr, TRUE);
      Notify(hWnd, EN_KILLFOCUS);
      return 0;
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
      if ((StyleOf(hWnd) & (ES_MULTILINE | ES_WANTRETURN)) == (ES_MULTILINE | ES_WANTRETURN)) code |= DLGC_WANTALLKEYS;
      return code;
    }
    case EM_LIMITTEXT: state->limit = wParam ? static_cast<std::size_t>(wParam) : 0x7FFFFFFE; return 0;
    case EM_GETLIMITTEXT: return static_cast<LRESULT>(state->limit);
    case EM_SETSEL: {
      int length = GetWindowTextLength(hWnd);
      int start = static_cast<int>(static_cast<INT_PTR>(wParam));
      int end = static_cast<int>(lParam);
      if (start < 0) {
        state->selStart = state->selEnd = std::clamp(state->selEnd, 0, length);
      } else {
        state->selStart = std::min(start, length);
        state->selEnd = end < 0 ? length : std::min(end, length);
      }
      return 0;
    }
    case EM_GETSEL: {
      DWORD start = static_cast<DWORD>(std::min(state->selStart, state->selEnd));
      DWORD end = static_cast<DWORD>(std::max(state->selStart, state->selEnd));
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
      return MAKELONG(static_cast<WORD>(start), static_cast<WORD>(end));
    }
    case EM_REPLACESEL:
      ReplaceSelection(hWnd, state, lParam ? reinterpret_cast<const char*>(lParam) : "", true);
      return 0;
    case EM_GETMODIFY: return state->modified ? TRUE : FALSE;
    case EM_SETMODIFY: state->modified = wParam != 0; return 0;
    case EM_SETREADONLY:
      SetWindowLongPtr(hWnd, GWL_STYLE, wParam ? (StyleOf(hWnd) | ES_READONLY) : (StyleOf(hWnd) & ~static_cast<DWORD>(ES_READONLY)));
      return TRUE;
    case EM_GETLINECOUNT: return RowCount(hWnd, state);
    case EM_GETFIRSTVISIBLELINE: return state->firstLine;
    case EM_LINESCROLL: ScrollToLine(hWnd, state, state->firstLine + static_cast<int>(lParam)); return TRUE;
    case EM_SCROLLCARET: ScrollCaretIntoView(hWnd, state); return TRUE;
    case EM_LINEINDEX: {
      const std::vector<EditRow>& rows = Rows(hWnd, state);
      auto line = static_cast<INT_PTR>(wParam);
      if (line < 0) line = CaretRow(hWnd, state);
      return static_cast<std::size_t>(line) < rows.size() ? static_cast<LRESULT>(rows[static_cast<std::size_t>(line)].start) : -1;
    }
    case EM_LINEFROMCHAR: {
      auto offset = static_cast<INT_PTR>(wParam);
      return RowOf(Rows(hWnd, state), static_cast<std::size_t>(offset < 0 ? std::max(state->selEnd, 0) : offset));
    }
    case EM_LINELENGTH: {
      const std::vector<EditRow>& rows = Rows(hWnd, state);
      auto offset = static_cast<INT_PTR>(wParam);
      const std::size_t at = static_cast<std::size_t>(offset < 0 ? std::max(state->selEnd, 0) : offset);
      return static_cast<LRESULT>(rows[static_cast<std::size_t>(RowOf(rows, at))].length);
    }
    case EM_GETLINE: {
      const std::string text = TextOf(hWnd);
      const std::vector<EditRow>& rows = Rows(hWnd, state);
      auto* buffer = reinterpret_cast<char*>(lParam);
      if (!buffer || wParam >= rows.size()) return 0;
      std::size_t room = *reinterpret_cast<WORD*>(buffer);  // the first word of the buffer holds its size
      std::size_t length = std::min(room, rows[wParam].length);
      std::memcpy(buffer, text.data() + rows[wParam].start, length);
      return static_cast<LRESULT>(length);
    }
    default: break;
  }
  return DefWindowProc(hWnd, message, wParam, lParam);
}

}  // namespace

void RegisterEditControl() { RegisterControlClass(WC_EDIT, &EditProc, CS_DBLCLKS, COLOR_WINDOW); }

}  // namespace qh::ui
