// The tree view: items with texts, images and data under parents, walks, expanding and collapsing
// with notices the parent may refuse, selection, the drop-target highlight, hit testing, a drag
// start notice, and line scrolling that the vertical scroll position reports.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Cp1252.h"
#include "platform/ui/CommCtrl.h"
#include "platform/ui/ControlSupport.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/Input.h"
#include "platform/ui/OwnScrollBar.h"

struct QhTreeItem {
  std::string text;
  int image = 0;
  int selectedImage = 0;
  LPARAM data = 0;
  UINT state = 0;
  int childrenFlag = 0;  // cChildren: 1 shows a button before the children exist
  QhTreeItem* parent = nullptr;
  std::vector<std::unique_ptr<QhTreeItem>> children;
};

namespace qh::ui {
namespace {

constexpr int kDragThreshold = 4;

struct TreeState {
  QhTreeItem root;
  int count = 0;
  int top = 0;  // index of the first visible row
  int indent = 19;
  int itemHeight = 16;
  HIMAGELIST images[3] = {nullptr, nullptr, nullptr};
  HTREEITEM caret = nullptr;
  HTREEITEM dropTarget = nullptr;
  HTREEITEM pressed = nullptr;  // the item a left press landed on, for drags
  POINT pressPoint;
};

TreeState* StateFor(HWND hWnd) { return StateOf<TreeState>(hWnd); }

bool Contains(const QhTreeItem& under, HTREEITEM item) {
  for (const auto& child : under.children)
    if (child.get() == item || Contains(*child, item)) return true;
  return false;
}
bool Valid(const TreeState* state, HTREEITEM item) { return item && Contains(state->root, item); }
bool Expanded(const QhTreeItem* item) { return (item->state & TVIS_EXPANDED) != 0; }
bool HasChildren(const QhTreeItem* item) { return !item->children.empty() || item->childrenFlag > 0; }
int Depth(const QhTreeItem* item) {
  int depth = 0;
  for (const QhTreeItem* p = item->parent; p && p->parent; p = p->parent) ++depth;
  return depth;
}

// The rows on show: items whose ancestors are all expanded, in order.
void CollectVisible(const QhTreeItem& under, std::vector<QhTreeItem*>& rows) {
  for (const auto& child : under.children) {
    rows.push_back(child.get());
    if (Expanded(child.get())) CollectVisible(*child, rows);
  }
}
std::vector<QhTreeItem*> VisibleRows(TreeState* state) {
  std::vector<QhTreeItem*> rows;
  CollectVisible(state->root, rows);
  return rows;
}
int RowOf(TreeState* state, HTREEITEM item) {
  std::vector<QhTreeItem*> rows = VisibleRows(state);
  auto it = std::find(rows.begin(), rows.end(), item);
  return it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
}
int RowsPerPage(HWND hWnd, const TreeState* state) {
  RECT client;
  GetClientRect(hWnd, &client);
  return std::max(1, static_cast<int>(client.bottom) / state->itemHeight);
}

void UpdateScrollBar(HWND hWnd, TreeState* state) {
  int rows = static_cast<int>(VisibleRows(state).size());
  int page = RowsPerPage(hWnd, state);
  state->top = std::clamp(state->top, 0, std::max(0, rows - page));
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  info.nMax = std::max(0, rows - 1);
  info.nPage = static_cast<UINT>(page);
  info.nPos = state->top;
  SetScrollInfo(hWnd, SB_VERT, &info, TRUE);
  InvalidateRect(hWnd, nullptr, TRUE);
}

// The tree's own vertical bar shows whenever its rows do not fit.
constexpr DWORD kTreeBars = WS_VSCROLL;

TVITEM ItemView(const QhTreeItem* item) {
  TVITEM view;
  view.mask = TVIF_HANDLE | TVIF_PARAM | TVIF_STATE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  view.hItem = const_cast<HTREEITEM>(item);
  if (item) {
    view.lParam = item->data;
    view.state = item->state;
    view.iImage = item->image;
    view.iSelectedImage = item->selectedImage;
  }
  return view;
}

LRESULT Notice(HWND hWnd, UINT code, UINT action, const QhTreeItem* oldItem, const QhTreeItem* newItem, POINT point = {}) {
  NMTREEVIEW notice;
  notice.action = action;
  notice.itemOld = ItemView(oldItem);
  notice.itemNew = ItemView(newItem);
  notice.ptDrag = point;
  return NotifyParent(hWnd, notice.hdr, code);
}

void EnsureVisible(HWND hWnd, TreeState* state, HTREEITEM item) {
  for (QhTreeItem* p = item->parent; p && p->parent; p = p->parent) p->state |= TVIS_EXPANDED;
  int row = RowOf(state, item);
  int page = RowsPerPage(hWnd, state);
  if (row < state->top) state->top = row;
  if (row >= state->top + page) state->top = row - page + 1;
  UpdateScrollBar(hWnd, state);
}

bool Select(HWND hWnd, TreeState* state, HTREEITEM item, UINT action) {
  if (item == state->caret) return true;
  if (Notice(hWnd, TVN_SELCHANGING, action, state->caret, item)) return false;
  if (!IsWindow(hWnd)) return false;
  HTREEITEM old = state->caret;
  if (old) old->state &= ~static_cast<UINT>(TVIS_SELECTED);
  state->caret = item;
  if (item) {
    item->state |= TVIS_SELECTED;
    EnsureVisible(hWnd, state, item);
  }
  Notice(hWnd, TVN_SELCHANGED, action, old, item);
  InvalidateRect(hWnd, nullptr, TRUE);
  return true;
}

bool Expand(HWND hWnd, TreeState* state, HTREEITEM item, UINT code) {
  if (!Valid(state, item)) return false;
  bool expand = code == TVE_EXPAND || (code == TVE_TOGGLE && !Expanded(item));
  if (expand == Expanded(item)) return true;
  if (!HasChildren(item)) return false;
  if (Notice(hWnd, TVN_ITEMEXPANDING, expand ? TVE_EXPAND : TVE_COLLAPSE, nullptr, item)) return false;
  if (!IsWindow(hWnd) || !Valid(state, item)) return false;
  if (expand)
    item->state |= TVIS_EXPANDED | TVIS_EXPANDEDONCE;
  else
    item->state &= ~static_cast<UINT>(TVIS_EXPANDED);
  // A collapsed branch takes the selection with it to its root.
  if (!expand && state->caret && Contains(*item, state->caret)) Select(hWnd, state, item, TVC_UNKNOWN);
  Notice(hWnd, TVN_ITEMEXPANDED, expand ? TVE_EXPAND : TVE_COLLAPSE, nullptr, item);
  UpdateScrollBar(hWnd, state);
  return true;
}

HTREEITEM Insert(HWND hWnd, TreeState* state, const TVINSERTSTRUCT* insert) {
  if (!insert) return nullptr;
  QhTreeItem* parent = (!insert->hParent || insert->hParent == TVI_ROOT) ? &state->root : insert->hParent;
  if (parent != &state->root && !Valid(state, parent)) return nullptr;
  auto item = std::make_unique<QhTreeItem>();
  const TVITEM& from = insert->item;
  if ((from.mask & TVIF_TEXT) && from.pszText && from.pszText != LPSTR_TEXTCALLBACK) item->text = from.pszText;
  if (from.mask & TVIF_IMAGE) item->image = from.iImage;
  if (from.mask & TVIF_SELECTEDIMAGE) item->selectedImage = from.iSelectedImage;
  if (from.mask & TVIF_PARAM) item->data = from.lParam;
  if (from.mask & TVIF_STATE) item->state = from.state & from.stateMask & ~static_cast<UINT>(TVIS_SELECTED);
  if (from.mask & TVIF_CHILDREN) item->childrenFlag = from.cChildren;
  item->parent = parent;
  auto& siblings = parent->children;
  auto at = siblings.end();
  HTREEITEM after = insert->hInsertAfter;
  if (after == TVI_FIRST) {
    at = siblings.begin();
  } else if (after == TVI_SORT) {
    at = std::find_if(siblings.begin(), siblings.end(),
                      [&](const auto& s) { return Cp1252CompareNoCase(item->text, s->text) < 0; });
  } else if (after && after != TVI_LAST) {
    auto it = std::find_if(siblings.begin(), siblings.end(), [&](const auto& s) { return s.get() == after; });
    if (it != siblings.end()) at = it + 1;
  }
  HTREEITEM made = item.get();
  siblings.insert(at, std::move(item));
  ++state->count;
  UpdateScrollBar(hWnd, state);
  return made;
}

void ForgetSubtree(TreeState* state, QhTreeItem* item) {
  for (auto& child : item->children) ForgetSubtree(state, child.get());
  if (state->caret == item) state->caret = nullptr;
  if (state->dropTarget == item) state->dropTarget = nullptr;
  if (state->pressed == item) state->pressed = nullptr;
}

void NotifyDeletes(HWND hWnd, QhTreeItem* item) {
  for (auto& child : item->children) NotifyDeletes(hWnd, child.get());
  Notice(hWnd, TVN_DELETEITEM, 0, item, nullptr);
}

int CountOf(const QhTreeItem& item) {
  int n = 1;
  for (const auto& child : item.children) n += CountOf(*child);
  return n;
}

bool Delete(HWND hWnd, TreeState* state, HTREEITEM item) {
  if (!item || item == TVI_ROOT) {
    while (!state->root.children.empty()) Delete(hWnd, state, state->root.children.back().get());
    state->top = 0;
    UpdateScrollBar(hWnd, state);
    return true;
  }
  if (!Valid(state, item)) return false;
  bool hadCaret = state->caret && (state->caret == item || Contains(*item, state->caret));
  NotifyDeletes(hWnd, item);
  if (!IsWindow(hWnd) || !Valid(state, item)) return false;
  ForgetSubtree(state, item);
  state->count -= CountOf(*item);
  auto& siblings = item->parent->children;
  siblings.erase(std::find_if(siblings.begin(), siblings.end(), [&](const auto& s) { return s.get() == item; }));
  if (hadCaret) Notice(hWnd, TVN_SELCHANGED, TVC_UNKNOWN, nullptr, nullptr);
  UpdateScrollBar(hWnd, state);
  return true;
}

HTREEITEM Sibling(HTREEITEM item, int step) {
  auto& siblings = item->parent->children;
  auto it = std::find_if(siblings.begin(), siblings.end(), [&](const auto& s) { return s.get() == item; });
  auto index = (it - siblings.begin()) + step;
  return index >= 0 && index < static_cast<std::ptrdiff_t>(siblings.size()) ? siblings[index].get() : nullptr;
}

HTREEITEM NextItem(HWND hWnd, TreeState* state, HTREEITEM item, UINT code) {
  std::vector<QhTreeItem*> rows = VisibleRows(state);
  switch (code) {
    case TVGN_ROOT: return state->root.children.empty() ? nullptr : state->root.children.front().get();
    case TVGN_CARET: return state->caret;
    case TVGN_DROPHILITE: return state->dropTarget;
    case TVGN_FIRSTVISIBLE: return state->top < static_cast<int>(rows.size()) ? rows[state->top] : nullptr;
    case TVGN_LASTVISIBLE: return rows.empty() ? nullptr : rows.back();
    default: break;
  }
  if (!Valid(state, item)) return nullptr;
  switch (code) {
    case TVGN_NEXT: return Sibling(item, 1);
    case TVGN_PREVIOUS: return Sibling(item, -1);
    case TVGN_PARENT: return item->parent == &state->root ? nullptr : item->parent;
    case TVGN_CHILD: return item->children.empty() ? nullptr : item->children.front().get();
    case TVGN_NEXTVISIBLE:
    case TVGN_PREVIOUSVISIBLE: {
      int row = RowOf(state, item);
      int next = row + (code == TVGN_NEXTVISIBLE ? 1 : -1);
      return row >= 0 && next >= 0 && next < static_cast<int>(rows.size()) ? rows[next] : nullptr;
    }
    default: (void)hWnd; return nullptr;
  }
}

RECT ItemRect(HWND hWnd, TreeState* state, HTREEITEM item, bool textOnly) {
  int row = RowOf(state, item);
  RECT client;
  GetClientRect(hWnd, &client);
  int top = (row - state->top) * state->itemHeight;
  const RECT view = OwnBarsView(hWnd, kTreeBars);
  RECT rect{0, top, view.right, top + state->itemHeight};
  if (textOnly) {
    int imageWidth = 0, imageHeight = 0;
    if (state->images[TVSIL_NORMAL]) ImageList_GetIconSize(state->images[TVSIL_NORMAL], &imageWidth, &imageHeight);
    bool rootLines = (StyleOf(hWnd) & TVS_LINESATROOT) != 0;
    rect.left = (Depth(item) + (rootLines ? 1 : 0)) * state->indent + (imageWidth ? imageWidth + 3 : 0);
    rect.right = rect.left + 8 * static_cast<int>(item->text.size()) + 6;
  }
  return rect;
}

HTREEITEM HitTest(HWND hWnd, TreeState* state, TVHITTESTINFO* info) {
  if (!info) return nullptr;
  info->hItem = nullptr;
  RECT client;
  GetClientRect(hWnd, &client);
  if (info->pt.y < 0) info->flags = TVHT_ABOVE;
  else if (info->pt.y >= client.bottom) info->flags = TVHT_BELOW;
  else if (info->pt.x < 0) info->flags = TVHT_TOLEFT;
  else if (info->pt.x >= client.right) info->flags = TVHT_TORIGHT;
  else info->flags = TVHT_NOWHERE;
  if (info->flags != TVHT_NOWHERE) return nullptr;
  std::vector<QhTreeItem*> rows = VisibleRows(state);
  int row = state->top + info->pt.y / state->itemHeight;
  if (row < 0 || row >= static_cast<int>(rows.size())) return nullptr;
  HTREEITEM item = rows[row];
  RECT label = ItemRect(hWnd, state, item, true);
  int buttonRight = label.left;
  if (state->images[TVSIL_NORMAL]) {
    int imageWidth = 0, imageHeight = 0;
    ImageList_GetIconSize(state->images[TVSIL_NORMAL], &imageWidth, &imageHeight);
    buttonRight -= imageWidth + 3;
  }
  if (info->pt.x >= label.right) info->flags = TVHT_ONITEMRIGHT;
  else if (info->pt.x >= label.left) info->flags = TVHT_ONITEMLABEL;
  else if (info->pt.x >= buttonRight) info->flags = TVHT_ONITEMICON;
  else if (info->pt.x >= buttonRight - state->indent && HasChildren(item)) info->flags = TVHT_ONITEMBUTTON;
  else info->flags = TVHT_ONITEMINDENT;
  info->hItem = item;
  return item;
}

void Paint(HWND hWnd, TreeState* state) {
  ControlPaint paint(hWnd, WM_CTLCOLOREDIT);
  if (!paint.dc) return;
  FillRect(paint.dc, &paint.client, paint.brush);
  SetBkMode(paint.dc, TRANSPARENT);
  std::vector<QhTreeItem*> rows = VisibleRows(state);
  int last = std::min(static_cast<int>(rows.size()), state->top + RowsPerPage(hWnd, state) + 1);
  bool focused = GetFocus() == hWnd;
  for (int row = state->top; row < last; ++row) {
    QhTreeItem* item = rows[row];
    RECT label = ItemRect(hWnd, state, item, true);
    if (HasChildren(item) && (StyleOf(hWnd) & TVS_HASBUTTONS)) {
      int middle = (label.top + label.bottom) / 2;
      int left = label.left - state->indent - (state->images[TVSIL_NORMAL] ? 0 : 0);
      RECT box{left + 4, middle - 4, left + 13, middle + 5};
      FrameRect(paint.dc, &box, GetSysColorBrush(COLOR_BTNSHADOW));
      RECT sign{box.left, box.top, box.right, box.bottom};
      SetTextColor(paint.dc, GetSysColor(COLOR_WINDOWTEXT));
      DrawText(paint.dc, Expanded(item) ? "-" : "+", -1, &sign, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    if (HIMAGELIST images = state->images[TVSIL_NORMAL]) {
      int imageWidth = 0, imageHeight = 0;
      ImageList_GetIconSize(images, &imageWidth, &imageHeight);
      int image = item == state->caret ? item->selectedImage : item->image;
      ImageList_Draw(images, image, paint.dc, label.left - imageWidth - 3, label.top, ILD_TRANSPARENT);
    }
    bool highlight = item == state->dropTarget || (item == state->caret && (focused || (StyleOf(hWnd) & TVS_SHOWSELALWAYS)));
    if (highlight) FillRect(paint.dc, &label, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(paint.dc, GetSysColor(highlight ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT text = label;
    text.left += 3;
    DrawText(paint.dc, item->text.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  PaintOwnBars(hWnd, paint.dc, kTreeBars);
}

void Scroll(HWND hWnd, TreeState* state, WPARAM request) {
  UpdateScrollBar(hWnd, state);
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  GetScrollInfo(hWnd, SB_VERT, &info);
  const int target = ScrollTarget(info, LOWORD(request), static_cast<SHORT>(HIWORD(request)));
  if (target == state->top) return;
  state->top = target;
  UpdateScrollBar(hWnd, state);
}

void Key(HWND hWnd, TreeState* state, WPARAM key) {
  NMTVKEYDOWN notice;
  notice.wVKey = static_cast<WORD>(key);
  NotifyParent(hWnd, notice.hdr, TVN_KEYDOWN);
  if (!IsWindow(hWnd)) return;
  HTREEITEM caret = state->caret;
  std::vector<QhTreeItem*> rows = VisibleRows(state);
  if (rows.empty()) return;
  if (!caret) {
    Select(hWnd, state, rows.front(), TVC_BYKEYBOARD);
    return;
  }
  switch (key) {
    case VK_DOWN:
      if (HTREEITEM next = NextItem(hWnd, state, caret, TVGN_NEXTVISIBLE)) Select(hWnd, state, next, TVC_BYKEYBOARD);
      break;
    case VK_UP:
      if (HTREEITEM previous = NextItem(hWnd, state, caret, TVGN_PREVIOUSVISIBLE)) Select(hWnd, state, previous, TVC_BYKEYBOARD);
      break;
    case VK_HOME: Select(hWnd, state, rows.front(), TVC_BYKEYBOARD); break;
    case VK_END: Select(hWnd, state, rows.back(), TVC_BYKEYBOARD); break;
    case VK_RIGHT:
    case VK_ADD:
      if (!Expanded(caret)) Expand(hWnd, state, caret, TVE_EXPAND);
      else if (!caret->children.empty()) Select(hWnd, state, caret->children.front().get(), TVC_BYKEYBOARD);
      break;
    case VK_LEFT:
    case VK_SUBTRACT:
      if (Expanded(caret)) Expand(hWnd, state, caret, TVE_COLLAPSE);
      else if (caret->parent != &state->root) Select(hWnd, state, caret->parent, TVC_BYKEYBOARD);
      break;
    default: break;
  }
}

BOOL GetItem(TreeState* state, TVITEM* item) {
  if (!item || !Valid(state, item->hItem)) return FALSE;
  HTREEITEM from = item->hItem;
  if (item->mask & TVIF_PARAM) item->lParam = from->data;
  if (item->mask & TVIF_IMAGE) item->iImage = from->image;
  if (item->mask & TVIF_SELECTEDIMAGE) item->iSelectedImage = from->selectedImage;
  if (item->mask & TVIF_STATE) item->state = from->state & (item->stateMask ? item->stateMask : 0xFFFFFFFFu);
  if (item->mask & TVIF_CHILDREN) item->cChildren = HasChildren(from) ? 1 : 0;
  if ((item->mask & TVIF_TEXT) && item->pszText && item->cchTextMax > 0) {
    std::size_t length = std::min<std::size_t>(from->text.size(), static_cast<std::size_t>(item->cchTextMax - 1));
    std::memcpy(item->pszText, from->text.data(), length);
    item->pszText[length] = '\0';
  }
  return TRUE;
}

BOOL SetItem(HWND hWnd, TreeState* state, const TVITEM* item) {
  if (!item || !Valid(state, item->hItem)) return FALSE;
  HTREEITEM to = item->hItem;
  if ((item->mask & TVIF_TEXT) && item->pszText && item->pszText != LPSTR_TEXTCALLBACK) to->text = item->pszText;
  if (item->mask & TVIF_PARAM) to->data = item->lParam;
  if (item->mask & TVIF_IMAGE) to->image = item->iImage;
  if (item->mask & TVIF_SELECTEDIMAGE) to->selectedImage = item->iSelectedImage;
  if (item->mask & TVIF_CHILDREN) to->childrenFlag = item->cChildren;
  if (item->mask & TVIF_STATE) {
    UINT mask = item->stateMask & ~static_cast<UINT>(TVIS_SELECTED);
    to->state = (to->state & ~mask) | (item->state & mask);
    if (item->stateMask & TVIS_DROPHILITED) state->dropTarget = (item->state & TVIS_DROPHILITED) ? to : nullptr;
  }
  UpdateScrollBar(hWnd, state);
  return TRUE;
}

// A copy of the item's image as a list of its own, for the drag image.
HIMAGELIST DragImage(TreeState* state, HTREEITEM item) {
  HIMAGELIST source = state->images[TVSIL_NORMAL];
  int width = 16, height = 16;
  if (source) ImageList_GetIconSize(source, &width, &height);
  HIMAGELIST made = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 1, 1);
  std::vector<DWORD> pixels(static_cast<std::size_t>(width * height), 0xC0C0C0u);
  HBITMAP bitmap = CreateBitmap(width, height, 1, 32, pixels.data());
  if (source) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    ImageList_Draw(source, item->image, dc, 0, 0, ILD_NORMAL);
    SelectObject(dc, old);
    DeleteDC(dc);
  }
  ImageList_Add(made, bitmap, nullptr);
  DeleteObject(bitmap);
  return made;
}

LRESULT TreeProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  TreeState* state = StateFor(hWnd);
  POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  auto item = reinterpret_cast<HTREEITEM>(lParam);
  switch (message) {
    case WM_NCCREATE: AttachState<TreeState>(hWnd); break;
    case WM_DESTROY: Delete(hWnd, state, TVI_ROOT); return 0;
    case WM_NCDESTROY: DropState<TreeState>(hWnd); break;
    case WM_SIZE: UpdateScrollBar(hWnd, state); return 0;
    case WM_PAINT: Paint(hWnd, state); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: {
      if (message != WM_RBUTTONDOWN && PressOwnBars(hWnd, point, kTreeBars)) return 0;
      SetFocus(hWnd);
      TVHITTESTINFO hit;
      hit.pt = point;
      HTREEITEM target = HitTest(hWnd, state, &hit);
      if (message == WM_RBUTTONDOWN) {
        NMHDR header;
        NotifyParent(hWnd, header, NM_RCLICK);
        return 0;
      }
      if (target && (hit.flags & TVHT_ONITEMBUTTON)) {
        Expand(hWnd, state, target, TVE_TOGGLE);
        return 0;
      }
      if (target && (hit.flags & (TVHT_ONITEM | TVHT_ONITEMRIGHT | TVHT_ONITEMINDENT))) Select(hWnd, state, target, TVC_BYMOUSE);
      NMHDR header;
      NotifyParent(hWnd, header, message == WM_LBUTTONDBLCLK ? NM_DBLCLK : NM_CLICK);
      if (message == WM_LBUTTONDBLCLK && target && IsWindow(hWnd)) Expand(hWnd, state, target, TVE_TOGGLE);
      if (message == WM_LBUTTONDOWN) {
        state->pressed = target;
        state->pressPoint = point;
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (DragOwnBar(hWnd, point)) return 0;
      if (state->pressed && (wParam & MK_LBUTTON) && !(StyleOf(hWnd) & TVS_DISABLEDRAGDROP) &&
          (std::abs(point.x - state->pressPoint.x) > kDragThreshold || std::abs(point.y - state->pressPoint.y) > kDragThreshold)) {
        HTREEITEM dragged = state->pressed;
        state->pressed = nullptr;
        Notice(hWnd, TVN_BEGINDRAG, 0, nullptr, dragged, state->pressPoint);
      }
      return 0;
    case WM_LBUTTONUP:
      ReleaseOwnBar(hWnd);
      state->pressed = nullptr;
      return 0;
    case WM_CAPTURECHANGED: ReleaseOwnBar(hWnd); return 0;
    case WM_KEYDOWN: Key(hWnd, state, wParam); return 0;
    case WM_VSCROLL: Scroll(hWnd, state, wParam); return 0;
    case WM_MOUSEWHEEL:
      for (int i = 0; i < std::abs(WheelLines(wParam)); ++i) Scroll(hWnd, state, WheelLines(wParam) > 0 ? SB_LINEDOWN : SB_LINEUP);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      InvalidateRect(hWnd, nullptr, TRUE);
      NMHDR header;
      NotifyParent(hWnd, header, message == WM_SETFOCUS ? NM_SETFOCUS : NM_KILLFOCUS);
      return 0;
    }
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case TVM_INSERTITEM: return reinterpret_cast<LRESULT>(Insert(hWnd, state, reinterpret_cast<const TVINSERTSTRUCT*>(lParam)));
    case TVM_DELETEITEM: return Delete(hWnd, state, item) ? TRUE : FALSE;
    case TVM_EXPAND: return Expand(hWnd, state, item, static_cast<UINT>(wParam) & 3) ? TRUE : FALSE;
    case TVM_GETCOUNT: return state->count;
    case TVM_GETVISIBLECOUNT: return RowsPerPage(hWnd, state);
    case TVM_GETINDENT: return state->indent;
    case TVM_SETINDENT: state->indent = std::max(1, static_cast<int>(wParam)); return 0;
    case TVM_GETITEMHEIGHT: return state->itemHeight;
    case TVM_SETITEMHEIGHT: {
      int old = state->itemHeight;
      if (static_cast<INT_PTR>(wParam) > 0) state->itemHeight = static_cast<int>(wParam);
      UpdateScrollBar(hWnd, state);
      return old;
    }
    case TVM_SETIMAGELIST: {
      if (wParam > TVSIL_STATE) return 0;
      HIMAGELIST old = state->images[wParam];
      state->images[wParam] = reinterpret_cast<HIMAGELIST>(lParam);
      if (wParam == TVSIL_NORMAL && state->images[wParam]) {
        int width = 0, height = 0;
        ImageList_GetIconSize(state->images[wParam], &width, &height);
        state->itemHeight = std::max(state->itemHeight, height);
      }
      UpdateScrollBar(hWnd, state);
      return reinterpret_cast<LRESULT>(old);
    }
    case TVM_GETIMAGELIST: return wParam <= TVSIL_STATE ? reinterpret_cast<LRESULT>(state->images[wParam]) : 0;
    case TVM_GETNEXTITEM: return reinterpret_cast<LRESULT>(NextItem(hWnd, state, item, static_cast<UINT>(wParam)));
    case TVM_SELECTITEM:
      if (item && !Valid(state, item)) return FALSE;
      if (wParam == TVGN_CARET) return Select(hWnd, state, item, TVC_UNKNOWN) ? TRUE : FALSE;
      if (wParam == TVGN_DROPHILITE) {
        if (state->dropTarget) state->dropTarget->state &= ~static_cast<UINT>(TVIS_DROPHILITED);
        state->dropTarget = item;
        if (item) item->state |= TVIS_DROPHILITED;
        InvalidateRect(hWnd, nullptr, TRUE);
        return TRUE;
      }
      if (wParam == TVGN_FIRSTVISIBLE && item) {
        EnsureVisible(hWnd, state, item);
        state->top = RowOf(state, item);
        UpdateScrollBar(hWnd, state);
        return TRUE;
      }
      return FALSE;
    case TVM_GETITEM: return GetItem(state, reinterpret_cast<TVITEM*>(lParam));
    case TVM_SETITEM: return SetItem(hWnd, state, reinterpret_cast<const TVITEM*>(lParam));
    case TVM_GETITEMSTATE: {
      auto target = reinterpret_cast<HTREEITEM>(wParam);
      return Valid(state, target) ? target->state & static_cast<UINT>(lParam) : 0;
    }
    case TVM_HITTEST: return reinterpret_cast<LRESULT>(HitTest(hWnd, state, reinterpret_cast<TVHITTESTINFO*>(lParam)));
    case TVM_ENSUREVISIBLE:
      if (!Valid(state, item)) return FALSE;
      EnsureVisible(hWnd, state, item);
      return TRUE;
    case TVM_GETITEMRECT: {
      auto* rect = reinterpret_cast<RECT*>(lParam);
      if (!rect) return FALSE;
      HTREEITEM target = *reinterpret_cast<HTREEITEM*>(rect);
      if (!Valid(state, target) || RowOf(state, target) < 0) return FALSE;
      *rect = ItemRect(hWnd, state, target, wParam != 0);
      return TRUE;
    }
    case TVM_CREATEDRAGIMAGE: return Valid(state, item) ? reinterpret_cast<LRESULT>(DragImage(state, item)) : 0;
    case TVM_SORTCHILDREN: {
      QhTreeItem* parent = (!item || item == TVI_ROOT) ? &state->root : item;
      if (parent != &state->root && !Valid(state, parent)) return FALSE;
      std::stable_sort(parent->children.begin(), parent->children.end(),
                       [](const auto& a, const auto& b) { return Cp1252CompareNoCase(a->text, b->text) < 0; });
      InvalidateRect(hWnd, nullptr, TRUE);
      return TRUE;
    }
    default: break;
  }
  return DefWindowProc(hWnd, message, wParam, lParam);
}

}  // namespace

void RegisterTreeView() {
  WNDCLASS wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &TreeProc;
  wc.lpszClassName = WC_TREEVIEW;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_WINDOW + 1));
  RegisterClass(&wc);
}

}  // namespace qh::ui
