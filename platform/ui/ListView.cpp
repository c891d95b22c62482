// The list view in report mode: columns, rows with sub-item texts, item data and state, selection
// and focus, scrolling to an item, sorting, hit testing, and in-place label editing with its begin and
// end notifications. Rows that do not fit scroll with the vertical bar, columns that do not fit with
// the horizontal one (the bars, wheel and arrow keys).
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/core/Cp1252.h"
#include "platform/ui/CommCtrl.h"
#include "platform/ui/ControlSupport.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/Input.h"
#include "platform/ui/OwnScrollBar.h"

namespace qh::ui {
namespace {

constexpr int kRowHeight = 17;
constexpr int kHeaderHeight = 20;
constexpr int kEditorId = 1;

struct Column {
  std::string text;
  int width = 60;
  int format = LVCFMT_LEFT;
};
struct Row {
  std::vector<std::string> texts;  // [0] is the item's label
  LPARAM data = 0;
  UINT state = 0;
  int image = -1;
};
struct ListViewState {
  std::vector<Column> columns;
  std::vector<Row> rows;
  int top = 0;
  int scrollX = 0;  // how far the columns are scrolled to the left, in pixels
  DWORD exStyle = 0;
  HIMAGELIST images[3] = {nullptr, nullptr, nullptr};
  HWND editor = nullptr;
  int editing = -1;
  COLORREF background = GetSysColor(COLOR_WINDOW);
  COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
};

WNDPROC g_editProc = nullptr;

ListViewState* StateFor(HWND hWnd) { return StateOf<ListViewState>(hWnd); }
bool ValidRow(const ListViewState* state, INT_PTR index) {
  return index >= 0 && static_cast<std::size_t>(index) < state->rows.size();
}
bool SingleSelection(HWND hWnd) { return (StyleOf(hWnd) & LVS_SINGLESEL) != 0; }
int HeaderHeight(HWND hWnd) {
  DWORD style = StyleOf(hWnd);
  return (style & LVS_TYPEMASK) == LVS_REPORT && !(style & LVS_NOCOLUMNHEADER) ? kHeaderHeight : 0;
}
DWORD OfferedBars(HWND hWnd) { return (StyleOf(hWnd) & LVS_NOSCROLL) ? 0 : (WS_VSCROLL | WS_HSCROLL); }
int RowsIn(HWND hWnd, int height) { return std::max(1, (height - HeaderHeight(hWnd)) / kRowHeight); }
int RowsPerPage(HWND hWnd) {
  const RECT view = OwnBarsView(hWnd, OfferedBars(hWnd));
  return RowsIn(hWnd, static_cast<int>(view.bottom - view.top));
}
const std::string& CellText(const Row& row, int column) {
  static const std::string empty;
  return column >= 0 && static_cast<std::size_t>(column) < row.texts.size() ? row.texts[column] : empty;
}
void SetCellText(Row& row, int column, const char* text) {
  if (column < 0) return;
  if (row.texts.size() <= static_cast<std::size_t>(column)) row.texts.resize(static_cast<std::size_t>(column) + 1);
  row.texts[column] = text && text != LPSTR_TEXTCALLBACK ? text : "";
}
int ColumnLeft(const ListViewState* state, int column) {
  int left = 0;
  for (int i = 0; i < column && i < static_cast<int>(state->columns.size()); ++i) left += state->columns[i].width;
  return left;
}
int ColumnsWidth(HWND hWnd, const ListViewState* state) {
  return (StyleOf(hWnd) & LVS_TYPEMASK) == LVS_REPORT ? ColumnLeft(state, static_cast<int>(state->columns.size())) : 0;
}

// Brings the bars in step with the rows, the columns and the size: a bar shows when its side does not
// fit, and one bar can make room for the other too small.
void SyncBars(HWND hWnd, ListViewState* state) {
  RECT client;
  GetClientRect(hWnd, &client);
  const DWORD offered = OfferedBars(hWnd);
  const int count = static_cast<int>(state->rows.size()), width = ColumnsWidth(hWnd, state);
  const int height = static_cast<int>(client.bottom);
  bool vertical = (offered & WS_VSCROLL) && count > RowsIn(hWnd, height);
  const bool horizontal = (offered & WS_HSCROLL) && width > client.right - (vertical ? kOwnBarWidth : 0);
  if (horizontal && (offered & WS_VSCROLL)) vertical = count > RowsIn(hWnd, height - kOwnBarWidth);
  const int page = RowsIn(hWnd, height - (horizontal ? kOwnBarWidth : 0));
  const int viewWidth = std::max(1, static_cast<int>(client.right) - (vertical ? kOwnBarWidth : 0));
  state->top = std::clamp(state->top, 0, std::max(0, count - page));
  state->scrollX = horizontal ? std::clamp(state->scrollX, 0, std::max(0, width - viewWidth)) : 0;
  SetOwnBar(hWnd, SB_VERT, 0, std::max(0, count - 1), page, state->top);
  SetOwnBar(hWnd, SB_HORZ, 0, std::max(0, width - 1), viewWidth, state->scrollX);
}

RECT RowRect(HWND hWnd, const ListViewState* state, int index) {
  RECT client;
  GetClientRect(hWnd, &client);
  int top = HeaderHeight(hWnd) + (index - state->top) * kRowHeight;
  int width = std::max<int>(client.right, ColumnLeft(state, static_cast<int>(state->columns.size())));
  return RECT{-state->scrollX, top, width - state->scrollX, top + kRowHeight};
}

NMLISTVIEW ItemNotice(const ListViewState* state, int index) {
  NMLISTVIEW notice;
  notice.iItem = index;
  if (ValidRow(state, index)) notice.lParam = state->rows[index].data;
  return notice;
}

// Changes an item's state with LVN_ITEMCHANGING (which may refuse) and LVN_ITEMCHANGED.
bool ChangeState(HWND hWnd, ListViewState* state, int index, UINT value, UINT mask) {
  Row& row = state->rows[index];
  UINT next = (row.state & ~mask) | (value & mask);
  if (next == row.state) return true;
  NMLISTVIEW notice = ItemNotice(state, index);
  notice.uOldState = row.state;
  notice.uNewState = next;
  notice.uChanged = LVIF_STATE;
  if (NotifyParent(hWnd, notice.hdr, LVN_ITEMCHANGING)) return false;
  if (!IsWindow(hWnd) || !ValidRow(state, index)) return false;
  state->rows[index].state = next;
  NotifyParent(hWnd, notice.hdr, LVN_ITEMCHANGED);
  InvalidateRect(hWnd, nullptr, TRUE);
  return true;
}

void SetItemState(HWND hWnd, ListViewState* state, int index, UINT value, UINT mask) {
  if (index == -1) {
    for (int i = 0; i < static_cast<int>(state->rows.size()); ++i) SetItemState(hWnd, state, i, value, mask);
    return;
  }
  if (!ValidRow(state, index)) return;
  // One selected item in a single-selection list, one focused item in any list.
  if ((mask & LVIS_SELECTED) && (value & LVIS_SELECTED) && SingleSelection(hWnd)) {
    for (int i = 0; i < static_cast<int>(state->rows.size()); ++i)
      if (i != index && (state->rows[i].state & LVIS_SELECTED)) ChangeState(hWnd, state, i, 0, LVIS_SELECTED);
  }
  if ((mask & LVIS_FOCUSED) && (value & LVIS_FOCUSED)) {
    for (int i = 0; i < static_cast<int>(state->rows.size()); ++i)
      if (i != index && (state->rows[i].state & LVIS_FOCUSED)) ChangeState(hWnd, state, i, 0, LVIS_FOCUSED);
  }
  if (ValidRow(state, index)) ChangeState(hWnd, state, index, value, mask);
}

void EnsureVisible(HWND hWnd, ListViewState* state, int index) {
  SyncBars(hWnd, state);
  if (!ValidRow(state, index)) return;
  int rows = RowsPerPage(hWnd);
  if (index < state->top) state->top = index;
  if (index >= state->top + rows) state->top = index - rows + 1;
  InvalidateRect(hWnd, nullptr, TRUE);
  SyncBars(hWnd, state);
}

int SortedPosition(HWND hWnd, const ListViewState* state, const char* text) {
  bool descending = (StyleOf(hWnd) & LVS_SORTDESCENDING) != 0;
  std::string key = text ? text : "";
  auto it = std::find_if(state->rows.begin(), state->rows.end(), [&](const Row& row) {
    int order = Cp1252CompareNoCase(key, CellText(row, 0));
    return descending ? order > 0 : order < 0;
  });
  return static_cast<int>(it - state->rows.begin());
}

int InsertRow(HWND hWnd, ListViewState* state, const LVITEM* item) {
  if (!item || item->iSubItem != 0) return -1;
  Row row;
  if (item->mask & LVIF_TEXT) SetCellText(row, 0, item->pszText);
  if (item->mask & LVIF_PARAM) row.data = item->lParam;
  if (item->mask & LVIF_IMAGE) row.image = item->iImage;
  UINT initialState = (item->mask & LVIF_STATE) ? (item->state & item->stateMask) : 0;
  int index = std::clamp(item->iItem, 0, static_cast<int>(state->rows.size()));
  if (StyleOf(hWnd) & (LVS_SORTASCENDING | LVS_SORTDESCENDING)) index = SortedPosition(hWnd, state, CellText(row, 0).c_str());
  state->rows.insert(state->rows.begin() + index, row);
  if (state->editing >= index) ++state->editing;
  NMLISTVIEW notice = ItemNotice(state, index);
  NotifyParent(hWnd, notice.hdr, LVN_INSERTITEM);
  if (initialState && IsWindow(hWnd)) SetItemState(hWnd, state, index, initialState, initialState);
  InvalidateRect(hWnd, nullptr, TRUE);
  return index;
}

void EndEditing(HWND hWnd, ListViewState* state, bool accept);

bool DeleteRow(HWND hWnd, ListViewState* state, int index) {
  if (!ValidRow(state, index)) return false;
  if (state->editing == index) EndEditing(hWnd, state, false);
  NMLISTVIEW notice = ItemNotice(state, index);
  NotifyParent(hWnd, notice.hdr, LVN_DELETEITEM);
  if (!ValidRow(state, index)) return false;
  state->rows.erase(state->rows.begin() + index);
  if (state->editing > index) --state->editing;
  state->top = std::clamp(state->top, 0, std::max(0, static_cast<int>(state->rows.size()) - 1));
  InvalidateRect(hWnd, nullptr, TRUE);
  return true;
}

void DeleteAll(HWND hWnd, ListViewState* state) {
  if (state->editing >= 0) EndEditing(hWnd, state, false);
  NMLISTVIEW notice = ItemNotice(state, -1);
  bool quiet = NotifyParent(hWnd, notice.hdr, LVN_DELETEALLITEMS) != 0;
  while (!state->rows.empty()) {
    if (quiet) {
      state->rows.pop_back();
    } else if (!DeleteRow(hWnd, state, static_cast<int>(state->rows.size()) - 1)) {
      break;
    }
  }
  state->top = 0;
  InvalidateRect(hWnd, nullptr, TRUE);
}

int NextItem(const ListViewState* state, int start, UINT flags) {
  int count = static_cast<int>(state->rows.size());
  if (flags & LVNI_ABOVE) return start > 0 && start <= count ? start - 1 : -1;
  UINT wanted = flags & (LVNI_SELECTED | LVNI_FOCUSED);
  for (int i = std::max(0, start + 1); i < count; ++i) {
    UINT has = state->rows[i].state;
    if ((wanted & LVNI_SELECTED) && !(has & LVIS_SELECTED)) continue;
    if ((wanted & LVNI_FOCUSED) && !(has & LVIS_FOCUSED)) continue;
    return i;
  }
  return -1;
}

int HitTest(HWND hWnd, const ListViewState* state, LVHITTESTINFO* info) {
  if (!info) return -1;
  info->iItem = -1;
  info->iSubItem = 0;
  info->flags = LVHT_NOWHERE;
  int y = info->pt.y - HeaderHeight(hWnd);
  if (info->pt.y < HeaderHeight(hWnd) || y < 0) return -1;
  int index = state->top + y / kRowHeight;
  if (!ValidRow(state, index)) return -1;
  int left = -state->scrollX;
  for (int column = 0; column < static_cast<int>(state->columns.size()); ++column) {
    if (info->pt.x >= left && info->pt.x < left + state->columns[column].width) info->iSubItem = column;
    left += state->columns[column].width;
  }
  info->iItem = index;
  info->flags = LVHT_ONITEMLABEL;
  return index;
}

// ---- In-place label editing ----
LRESULT EditorProc(HWND editor, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND listView = GetParent(editor);
  ListViewState* state = listView ? StateFor(listView) : nullptr;
  switch (message) {
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS | CallWindowProc(g_editProc, editor, message, wParam, lParam);
    case WM_KEYDOWN:
      if (state && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
        EndEditing(listView, state, wParam == VK_RETURN);
        return 0;
      }
      break;
    case WM_CHAR:
      if (wParam == '\r' || wParam == 0x1B) return 0;
      break;
    case WM_KILLFOCUS:
      if (state && state->editor == editor) {
        CallWindowProc(g_editProc, editor, message, wParam, lParam);
        EndEditing(listView, state, true);
        return 0;
      }
      break;
    default: break;
  }
  return CallWindowProc(g_editProc, editor, message, wParam, lParam);
}

HWND BeginEditing(HWND hWnd, ListViewState* state, int index) {
  if (!ValidRow(state, index)) return nullptr;
  if (state->editing >= 0) EndEditing(hWnd, state, true);
  SetFocus(hWnd);
  EnsureVisible(hWnd, state, index);
  std::string label = CellText(state->rows[index], 0);
  NMLVDISPINFO info;
  info.item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
  info.item.iItem = index;
  info.item.pszText = label.data();
  info.item.lParam = state->rows[index].data;
  info.item.state = state->rows[index].state;
  if (NotifyParent(hWnd, info.hdr, LVN_BEGINLABELEDIT) || !IsWindow(hWnd)) return nullptr;
  RECT rect = RowRect(hWnd, state, index);
  rect.right = state->columns.empty() ? rect.right : rect.left + state->columns[0].width;
  HWND editor = CreateWindowEx(0, WC_EDIT, label.c_str(), WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, rect.left,
                               rect.top, rect.right - rect.left, rect.bottom - rect.top, hWnd,
                               reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(kEditorId)), nullptr, nullptr);
  if (!editor) return nullptr;
  SendMessage(editor, WM_SETFONT, SendMessage(hWnd, WM_GETFONT, 0, 0), FALSE);
  WNDPROC old = reinterpret_cast<WNDPROC>(SetWindowLongPtr(editor, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditorProc)));
  if (old != &EditorProc) g_editProc = old;
  state->editor = editor;
  state->editing = index;
  SetFocus(editor);
  SendMessage(editor, EM_SETSEL, 0, -1);
  return editor;
}

void EndEditing(HWND hWnd, ListViewState* state, bool accept) {
  HWND editor = state->editor;
  int index = state->editing;
  if (!editor) return;
  state->editor = nullptr;
  state->editing = -1;
  std::string text = TextOf(editor);
  DestroyWindow(editor);
  if (!ValidRow(state, index)) return;
  NMLVDISPINFO info;
  info.item.mask = LVIF_TEXT | LVIF_PARAM;
  info.item.iItem = index;
  info.item.pszText = accept ? text.data() : nullptr;
  info.item.cchTextMax = static_cast<int>(text.size()) + 1;
  info.item.lParam = state->rows[index].data;
  bool take = NotifyParent(hWnd, info.hdr, LVN_ENDLABELEDIT) != 0;
  if (!IsWindow(hWnd)) return;
  if (accept && take && ValidRow(state, index)) SetCellText(state->rows[index], 0, text.c_str());
  if (GetFocus() == nullptr || GetFocus() == editor) SetFocus(hWnd);
  InvalidateRect(hWnd, nullptr, TRUE);
}

// ---- Painting ----
void PaintHeader(HDC dc, HWND hWnd, const ListViewState* state, const RECT& client) {
  int height = HeaderHeight(hWnd);
  if (!height) return;
  RECT bar{0, 0, client.right, height};
  FillRect(dc, &bar, GetSysColorBrush(COLOR_BTNFACE));
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  int left = -state->scrollX;
  for (const Column& column : state->columns) {
    RECT cell{left, 0, left + column.width, height};
    FrameRect(dc, &cell, GetSysColorBrush(COLOR_BTNSHADOW));
    RECT label = cell;
    InflateRect(&label, -4, 0);
    UINT align = column.format == LVCFMT_RIGHT ? DT_RIGHT : column.format == LVCFMT_CENTER ? DT_CENTER : DT_LEFT;
    DrawText(dc, column.text.c_str(), -1, &label, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | align);
    left += column.width;
  }
}

void PaintRow(HDC dc, HWND hWnd, const ListViewState* state, int index) {
  const Row& row = state->rows[index];
  RECT rect = RowRect(hWnd, state, index);
  bool focused = GetFocus() == hWnd || (state->editor && GetFocus() == state->editor);
  bool selected = (row.state & LVIS_SELECTED) && (focused || (StyleOf(hWnd) & LVS_SHOWSELALWAYS));
  bool dropTarget = (row.state & LVIS_DROPHILITED) != 0;
  bool fullRow = (state->exStyle & LVS_EX_FULLROWSELECT) != 0;
  int columns = std::max<int>(1, static_cast<int>(state->columns.size()));
  int left = rect.left;
  for (int column = 0; column < columns; ++column) {
    int width = state->columns.empty() ? rect.right - rect.left : state->columns[column].width;
    RECT cell{left, rect.top, left + width, rect.bottom};
    bool highlight = (selected || dropTarget) && (fullRow || column == 0);
    if (highlight) FillRect(dc, &cell, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, highlight ? GetSysColor(COLOR_HIGHLIGHTTEXT) : state->text);
    RECT label = cell;
    label.left += 3;
    if (column == 0 && row.image >= 0 && state->images[LVSIL_SMALL]) {
      ImageList_Draw(state->images[LVSIL_SMALL], row.image, dc, label.left, label.top, 0);
      int imageWidth = 0, imageHeight = 0;
      ImageList_GetIconSize(state->images[LVSIL_SMALL], &imageWidth, &imageHeight);
      label.left += imageWidth + 2;
    }
    if (state->editing != index || column != 0) {
      int format = state->columns.empty() ? LVCFMT_LEFT : state->columns[column].format;
      UINT align = format == LVCFMT_RIGHT ? DT_RIGHT : format == LVCFMT_CENTER ? DT_CENTER : DT_LEFT;
      DrawText(dc, CellText(row, column).c_str(), -1, &label,
               DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | align);
    }
    if (state->exStyle & LVS_EX_GRIDLINES) FrameRect(dc, &cell, GetSysColorBrush(COLOR_3DLIGHT));
    left += width;
  }
}

void Paint(HWND hWnd, ListViewState* state) {
  ControlPaint paint(hWnd, WM_CTLCOLORLISTBOX);
  if (!paint.dc) return;
  HBRUSH background = CreateSolidBrush(state->background);
  FillRect(paint.dc, &paint.client, background);
  DeleteObject(background);
  SetBkMode(paint.dc, TRANSPARENT);
  SyncBars(hWnd, state);
  int last = std::min(static_cast<int>(state->rows.size()), state->top + RowsPerPage(hWnd) + 1);
  for (int i = state->top; i < last; ++i) PaintRow(paint.dc, hWnd, state, i);
  PaintHeader(paint.dc, hWnd, state, paint.client);
  PaintOwnBars(hWnd, paint.dc, OfferedBars(hWnd));
}

// ---- Mouse and keys ----
void SelectOnly(HWND hWnd, ListViewState* state, int index) {
  for (int i = 0; i < static_cast<int>(state->rows.size()); ++i)
    if (i != index && (state->rows[i].state & LVIS_SELECTED)) ChangeState(hWnd, state, i, 0, LVIS_SELECTED);
  if (ValidRow(state, index)) SetItemState(hWnd, state, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void Click(HWND hWnd, ListViewState* state, POINT point, WPARAM keys) {
  bool wasFocusedHere = GetFocus() == hWnd;
  SetFocus(hWnd);
  if (point.y < HeaderHeight(hWnd)) {
    if (StyleOf(hWnd) & LVS_NOSORTHEADER) return;
    int left = -state->scrollX;
    for (int column = 0; column < static_cast<int>(state->columns.size()); ++column) {
      if (point.x >= left && point.x < left + state->columns[column].width) {
        NMLISTVIEW notice = ItemNotice(state, -1);
        notice.iSubItem = column;
        NotifyParent(hWnd, notice.hdr, LVN_COLUMNCLICK);
        return;
      }
      left += state->columns[column].width;
    }
    return;
  }
  LVHITTESTINFO hit;
  hit.pt = point;
  int index = HitTest(hWnd, state, &hit);
  bool editLabel = index >= 0 && wasFocusedHere && (StyleOf(hWnd) & LVS_EDITLABELS) &&
                   (state->rows[index].state & (LVIS_SELECTED | LVIS_FOCUSED)) == (LVIS_SELECTED | LVIS_FOCUSED) &&
                   hit.iSubItem == 0 && !(keys & MK_CONTROL);
  if (index >= 0 && (keys & MK_CONTROL) && !SingleSelection(hWnd)) {
    UINT selected = state->rows[index].state & LVIS_SELECTED;
    SetItemState(hWnd, state, index, (selected ? 0 : LVIS_SELECTED) | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  } else {
    SelectOnly(hWnd, state, index);
  }
  NMITEMACTIVATE notice;
  notice.iItem = index;
  notice.iSubItem = hit.iSubItem;
  notice.ptAction = point;
  NotifyParent(hWnd, notice.hdr, NM_CLICK);
  if (editLabel && IsWindow(hWnd)) BeginEditing(hWnd, state, index);
}

void Key(HWND hWnd, ListViewState* state, WPARAM key) {
  NMLVKEYDOWN notice;
  notice.wVKey = static_cast<WORD>(key);
  NotifyParent(hWnd, notice.hdr, LVN_KEYDOWN);
  if (!IsWindow(hWnd) || state->rows.empty()) return;
  int count = static_cast<int>(state->rows.size());
  int focus = NextItem(state, -1, LVNI_FOCUSED);
  int next = focus;
  switch (key) {
    case VK_DOWN: next = std::min(count - 1, focus + 1); break;
    case VK_UP: next = std::max(0, focus - 1); break;
    case VK_HOME: next = 0; break;
    case VK_END: next = count - 1; break;
    case VK_NEXT: next = std::min(count - 1, std::max(0, focus) + RowsPerPage(hWnd)); break;
    case VK_PRIOR: next = std::max(0, focus - RowsPerPage(hWnd)); break;
    case VK_LEFT:
    case VK_RIGHT:  // columns that do not fit come into view
      SendMessage(hWnd, WM_HSCROLL, MAKEWPARAM(key == VK_LEFT ? SB_LINEUP : SB_LINEDOWN, 0), 0);
      return;
    case VK_F2:
      if ((StyleOf(hWnd) & LVS_EDITLABELS) && focus >= 0) BeginEditing(hWnd, state, focus);
      return;
    case VK_RETURN: {
      NMHDR header;
      NotifyParent(hWnd, header, NM_RETURN);
      return;
    }
    default: return;
  }
  if (next != focus || focus < 0) {
    SelectOnly(hWnd, state, std::max(next, 0));
    EnsureVisible(hWnd, state, std::max(next, 0));
  }
}

LRESULT GetItemText(const ListViewState* state, WPARAM index, LVITEM* item) {
  if (!item || !ValidRow(state, static_cast<INT_PTR>(index)) || !item->pszText || item->cchTextMax <= 0) return 0;
  const std::string& text = CellText(state->rows[index], item->iSubItem);
  std::size_t length = std::min<std::size_t>(text.size(), static_cast<std::size_t>(item->cchTextMax - 1));
  std::memcpy(item->pszText, text.data(), length);
  item->pszText[length] = '\0';
  return static_cast<LRESULT>(length);
}

BOOL SetItem(HWND hWnd, ListViewState* state, const LVITEM* item) {
  if (!item || !ValidRow(state, item->iItem)) return FALSE;
  Row& row = state->rows[item->iItem];
  if (item->mask & LVIF_TEXT) SetCellText(row, item->iSubItem, item->pszText);
  if (item->iSubItem == 0) {
    if (item->mask & LVIF_PARAM) row.data = item->lParam;
    if (item->mask & LVIF_IMAGE) row.image = item->iImage;
    if (item->mask & LVIF_STATE) SetItemState(hWnd, state, item->iItem, item->state, item->stateMask);
  }
  InvalidateRect(hWnd, nullptr, TRUE);
  return TRUE;
}

BOOL GetItem(const ListViewState* state, LVITEM* item) {
  if (!item || !ValidRow(state, item->iItem)) return FALSE;
  const Row& row = state->rows[item->iItem];
  if (item->mask & LVIF_TEXT) GetItemText(state, static_cast<WPARAM>(item->iItem), item);
  if (item->mask & LVIF_PARAM) item->lParam = row.data;
  if (item->mask & LVIF_IMAGE) item->iImage = row.image;
  if (item->mask & LVIF_STATE) item->state = row.state & item->stateMask;
  return TRUE;
}

int FindItem(const ListViewState* state, int start, const LVFINDINFO* find) {
  if (!find) return -1;
  for (int i = std::max(0, start + 1); i < static_cast<int>(state->rows.size()); ++i) {
    const Row& row = state->rows[i];
    if (find->flags & LVFI_PARAM) {
      if (row.data == find->lParam) return i;
    } else if (find->psz) {
      const std::string& label = CellText(row, 0);
      std::string wanted = find->psz;
      bool match = (find->flags & LVFI_PARTIAL)
                       ? label.size() >= wanted.size() && Cp1252EqualNoCase(label.substr(0, wanted.size()), wanted)
                       : Cp1252EqualNoCase(label, wanted);
      if (match) return i;
    }
  }
  return -1;
}

LRESULT ColumnMessage(HWND hWnd, ListViewState* state, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* column = reinterpret_cast<LVCOLUMN*>(lParam);
  int index = static_cast<int>(static_cast<INT_PTR>(wParam));
  bool valid = index >= 0 && index < static_cast<int>(state->columns.size());
  switch (message) {
    case LVM_INSERTCOLUMN: {
      if (!column) return -1;
      Column made;
      if (column->mask & LVCF_TEXT) made.text = column->pszText ? column->pszText : "";
      if (column->mask & LVCF_WIDTH) made.width = column->cx;
      if (column->mask & LVCF_FMT) made.format = column->fmt & 3;
      index = std::clamp(index, 0, static_cast<int>(state->columns.size()));
      state->columns.insert(state->columns.begin() + index, made);
      for (Row& row : state->rows)
        if (row.texts.size() > static_cast<std::size_t>(index) && index > 0)
          row.texts.insert(row.texts.begin() + index, std::string());
      InvalidateRect(hWnd, nullptr, TRUE);
      return index;
    }
    case LVM_DELETECOLUMN:
      if (!valid) return FALSE;
      state->columns.erase(state->columns.begin() + index);
      for (Row& row : state->rows)
        if (row.texts.size() > static_cast<std::size_t>(index)) row.texts.erase(row.texts.begin() + index);
      InvalidateRect(hWnd, nullptr, TRUE);
      return TRUE;
    case LVM_SETCOLUMN:
      if (!valid || !column) return FALSE;
      if (column->mask & LVCF_TEXT) state->columns[index].text = column->pszText ? column->pszText : "";
      if (column->mask & LVCF_WIDTH) state->columns[index].width = column->cx;
      if (column->mask & LVCF_FMT) state->columns[index].format = column->fmt & 3;
      InvalidateRect(hWnd, nullptr, TRUE);
      return TRUE;
    case LVM_GETCOLUMN:
      if (!valid || !column) return FALSE;
      if (column->mask & LVCF_WIDTH) column->cx = state->columns[index].width;
      if (column->mask & LVCF_FMT) column->fmt = state->columns[index].format;
      if ((column->mask & LVCF_TEXT) && column->pszText && column->cchTextMax > 0) {
        std::string& text = state->columns[index].text;
        std::size_t length = std::min<std::size_t>(text.size(), static_cast<std::size_t>(column->cchTextMax - 1));
        std::memcpy(column->pszText, text.data(), length);
        column->pszText[length] = '\0';
      }
      return TRUE;
    case LVM_GETCOLUMNWIDTH: return valid ? state->columns[index].width : 0;
    case LVM_SETCOLUMNWIDTH:
      if (!valid) return FALSE;
      state->columns[index].width = std::max(0, static_cast<int>(static_cast<SHORT>(LOWORD(static_cast<DWORD>(lParam)))));
      InvalidateRect(hWnd, nullptr, TRUE);
      return TRUE;
    default: return 0;
  }
}

LRESULT ListViewProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  ListViewState* state = StateFor(hWnd);
  switch (message) {
    case WM_NCCREATE: AttachState<ListViewState>(hWnd); break;
    case WM_DESTROY:
      if (state->editing >= 0) EndEditing(hWnd, state, false);
      DeleteAll(hWnd, state);
      return 0;
    case WM_NCDESTROY: DropState<ListViewState>(hWnd); break;
    case WM_PAINT: Paint(hWnd, state); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: SyncBars(hWnd, state); break;
    case WM_LBUTTONDOWN:
      SyncBars(hWnd, state);
      if (PressOwnBars(hWnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, OfferedBars(hWnd))) return 0;
      Click(hWnd, state, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, wParam);
      return 0;
    case WM_MOUSEMOVE: DragOwnBar(hWnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: ReleaseOwnBar(hWnd); return 0;
    case WM_VSCROLL:
    case WM_HSCROLL: {
      SyncBars(hWnd, state);
      const int bar = message == WM_VSCROLL ? SB_VERT : SB_HORZ;
      SCROLLINFO info;
      info.fMask = SIF_ALL;
      GetScrollInfo(hWnd, bar, &info);
      const int target = ScrollTarget(info, LOWORD(wParam), static_cast<WORD>(HIWORD(wParam)), bar == SB_VERT ? 1 : kRowHeight);
      int& position = bar == SB_VERT ? state->top : state->scrollX;
      if (target != position) {
        position = target;
        SyncBars(hWnd, state);
        InvalidateRect(hWnd, nullptr, TRUE);
      }
      return 0;
    }
    case WM_LBUTTONDBLCLK:
      SyncBars(hWnd, state);
      if (PressOwnBars(hWnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, OfferedBars(hWnd))) return 0;
      [[fallthrough]];
    case WM_RBUTTONDOWN: {
      LVHITTESTINFO hit;
      hit.pt = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      int index = HitTest(hWnd, state, &hit);
      if (message == WM_RBUTTONDOWN && index >= 0 && !(state->rows[index].state & LVIS_SELECTED)) SelectOnly(hWnd, state, index);
      NMITEMACTIVATE notice;
      notice.iItem = index;
      notice.iSubItem = hit.iSubItem;
      notice.ptAction = hit.pt;
      NotifyParent(hWnd, notice.hdr, message == WM_RBUTTONDOWN ? NM_RCLICK : NM_DBLCLK);
      if (message == WM_LBUTTONDBLCLK && index >= 0 && IsWindow(hWnd)) NotifyParent(hWnd, notice.hdr, LVN_ITEMACTIVATE);
      return 0;
    }
    case WM_KEYDOWN: Key(hWnd, state, wParam); return 0;
    case WM_MOUSEWHEEL: {
      // Three rows a notch; the selection stays.
      SyncBars(hWnd, state);
      const int last = std::max(0, static_cast<int>(state->rows.size()) - RowsPerPage(hWnd));
      const int top = std::clamp(state->top + WheelLines(wParam), 0, last);
      if (top != state->top) {
        state->top = top;
        SyncBars(hWnd, state);
        InvalidateRect(hWnd, nullptr, TRUE);
      }
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      InvalidateRect(hWnd, nullptr, TRUE);
      NMHDR header;
      NotifyParent(hWnd, header, message == WM_SETFOCUS ? NM_SETFOCUS : NM_KILLFOCUS);
      return 0;
    }
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_COMMAND: return 0;  // the label editor's notifications stay here
    case LVM_INSERTCOLUMN:
    case LVM_DELETECOLUMN:
    case LVM_SETCOLUMN:
    case LVM_GETCOLUMN:
    case LVM_GETCOLUMNWIDTH:
    case LVM_SETCOLUMNWIDTH: return ColumnMessage(hWnd, state, message, wParam, lParam);
    case LVM_INSERTITEM: return InsertRow(hWnd, state, reinterpret_cast<const LVITEM*>(lParam));
    case LVM_DELETEITEM: return DeleteRow(hWnd, state, static_cast<int>(wParam)) ? TRUE : FALSE;
    case LVM_DELETEALLITEMS: DeleteAll(hWnd, state); return TRUE;
    case LVM_GETITEMCOUNT: return static_cast<LRESULT>(state->rows.size());
    case LVM_SETITEM: return SetItem(hWnd, state, reinterpret_cast<const LVITEM*>(lParam));
    case LVM_GETITEM: return GetItem(state, reinterpret_cast<LVITEM*>(lParam));
    case LVM_SETITEMTEXT: {
      auto* item = reinterpret_cast<const LVITEM*>(lParam);
      if (!item || !ValidRow(state, static_cast<INT_PTR>(wParam))) return FALSE;
      SetCellText(state->rows[wParam], item->iSubItem, item->pszText);
      InvalidateRect(hWnd, nullptr, TRUE);
      return TRUE;
    }
    case LVM_GETITEMTEXT: return GetItemText(state, wParam, reinterpret_cast<LVITEM*>(lParam));
    case LVM_SETITEMSTATE: {
      auto* item = reinterpret_cast<const LVITEM*>(lParam);
      if (!item) return FALSE;
      SetItemState(hWnd, state, static_cast<int>(static_cast<INT_PTR>(wParam)), item->state, item->stateMask);
      return TRUE;
    }
    case LVM_GETITEMSTATE:
      return ValidRow(state, static_cast<INT_PTR>(wParam)) ? state->rows[wParam].state & static_cast<UINT>(lParam) : 0;
    case LVM_GETNEXTITEM:
      return NextItem(state, static_cast<int>(static_cast<INT_PTR>(wParam)), LOWORD(static_cast<DWORD>(lParam)));
    case LVM_GETSELECTEDCOUNT:
      return std::count_if(state->rows.begin(), state->rows.end(), [](const Row& r) { return (r.state & LVIS_SELECTED) != 0; });
    case LVM_ENSUREVISIBLE: EnsureVisible(hWnd, state, static_cast<int>(wParam)); return TRUE;
    case LVM_GETTOPINDEX: return state->top;
    case LVM_GETCOUNTPERPAGE: return RowsPerPage(hWnd);
    case LVM_GETITEMRECT: {
      auto* rect = reinterpret_cast<RECT*>(lParam);
      if (!rect || !ValidRow(state, static_cast<INT_PTR>(wParam))) return FALSE;
      int code = rect->left;
      *rect = RowRect(hWnd, state, static_cast<int>(wParam));
      if (code == LVIR_LABEL && !state->columns.empty()) rect->right = rect->left + state->columns[0].width;
      return TRUE;
    }
    case LVM_HITTEST:
    case LVM_SUBITEMHITTEST: return HitTest(hWnd, state, reinterpret_cast<LVHITTESTINFO*>(lParam));
    case LVM_FINDITEM:
      return FindItem(state, static_cast<int>(static_cast<INT_PTR>(wParam)), reinterpret_cast<const LVFINDINFO*>(lParam));
    case LVM_SORTITEMS: {
      auto compare = reinterpret_cast<PFNLVCOMPARE>(lParam);
      if (!compare) return FALSE;
      if (state->editing >= 0) EndEditing(hWnd, state, false);
      std::stable_sort(state->rows.begin(), state->rows.end(), [&](const Row& a, const Row& b) {
        return compare(a.data, b.data, static_cast<LPARAM>(wParam)) < 0;
      });
      InvalidateRect(hWnd, nullptr, TRUE);
      return TRUE;
    }
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      DWORD old = state->exStyle;
      DWORD mask = wParam ? static_cast<DWORD>(wParam) : 0xFFFFFFFFu;
      state->exStyle = (state->exStyle & ~mask) | (static_cast<DWORD>(lParam) & mask);
      InvalidateRect(hWnd, nullptr, TRUE);
      return old;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE: return state->exStyle;
    case LVM_SETIMAGELIST: {
      if (wParam > LVSIL_STATE) return 0;
      HIMAGELIST old = state->images[wParam];
      state->images[wParam] = reinterpret_cast<HIMAGELIST>(lParam);
      InvalidateRect(hWnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case LVM_GETIMAGELIST: return wParam <= LVSIL_STATE ? reinterpret_cast<LRESULT>(state->images[wParam]) : 0;
    case LVM_EDITLABEL:
      if (static_cast<INT_PTR>(wParam) == -1) {
        if (state->editing >= 0) EndEditing(hWnd, state, false);
        return 0;
      }
      return reinterpret_cast<LRESULT>(BeginEditing(hWnd, state, static_cast<int>(wParam)));
    case LVM_GETEDITCONTROL: return reinterpret_cast<LRESULT>(state->editor);
    case LVM_SETBKCOLOR: state->background = static_cast<COLORREF>(lParam); return TRUE;
    case LVM_GETBKCOLOR: return state->background;
    case LVM_SETTEXTCOLOR: state->text = static_cast<COLORREF>(lParam); return TRUE;
    case LVM_SETTEXTBKCOLOR: return TRUE;
    default: break;
  }
  return DefWindowProc(hWnd, message, wParam, lParam);
}

}  // namespace

void RegisterListView() {
  WNDCLASS wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &ListViewProc;
  wc.lpszClassName = WC_LISTVIEW;
  RegisterClass(&wc);
}

}  // namespace qh::ui
