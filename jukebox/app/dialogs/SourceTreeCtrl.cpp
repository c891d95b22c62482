#include "jukebox/app/dialogs/SourceTreeCtrl.h"

#include <utility>

#include "platform/ui/Input.h"
#include "platform/ui/MessageBox.h"

BEGIN_MESSAGE_MAP(CSourceTreeCtrl, CTreeCtrl)
  ON_NOTIFY_REFLECT(TVN_BEGINDRAG, OnBeginDrag)
  ON_WM_MOUSEMOVE()
  ON_WM_LBUTTONUP()
  ON_WM_TIMER()
END_MESSAGE_MAP()

void CSourceTreeCtrl::OnBeginDrag(NMHDR* header, LRESULT* result) {
  *result = 0;
  auto* view = reinterpret_cast<NMTREEVIEW*>(header);
  HTREEITEM item = view->itemNew.hItem;
  if (item == nullptr || GetParentItem(item) == nullptr) return;  // only sound cards move
  m_dragItem = item;
  m_dragImage.reset(CreateDragImage(item));
  RECT itemRect{};
  GetItemRect(item, &itemRect, TRUE);
  const CPoint start = view->ptDrag;
  if (m_dragImage) {
    m_dragImage->BeginDrag(0, CPoint(start.x - itemRect.left, start.y - itemRect.top));
    CImageList::DragEnter(this, start);
  }
  SetCapture();
  m_dragging = true;
  m_lastPoint = start;
}

bool CSourceTreeCtrl::InScrollBand(CPoint point, int& direction) const {
  RECT client{};
  GetClientRect(&client);
  direction = point.y < client.top + kScrollBand ? -1 : point.y > client.bottom - kScrollBand ? 1 : 0;
  return direction != 0;
}

HTREEITEM CSourceTreeCtrl::SetDropTarget(CPoint point) {
  UINT flags = 0;
  HTREEITEM target = HitTest(point, &flags);
  if (m_dragImage) CImageList::DragShowNolock(FALSE);
  SelectDropTarget(target);
  if (m_dragImage) CImageList::DragShowNolock(TRUE);
  return target;
}

void CSourceTreeCtrl::OnMouseMove(UINT flags, CPoint point) {
  if (!m_dragging) {
    CTreeCtrl::OnMouseMove(flags, point);
    return;
  }
  KillTimer(kScrollTimer);
  m_lastPoint = point;
  if (m_dragImage) CImageList::DragMove(point);
  HTREEITEM target = SetDropTarget(point);
  ::SetCursor(target ? ::LoadCursor(nullptr, IDC_ARROW) : ::LoadCursor(nullptr, IDC_NO));
  int direction = 0;
  const bool collapsedParent =
      target && ItemHasChildren(target) && (GetItemState(target, TVIS_EXPANDED) & TVIS_EXPANDED) == 0;
  if (InScrollBand(point, direction) || collapsedParent) SetTimer(kScrollTimer, kFirstScrollDelay, nullptr);
}

void CSourceTreeCtrl::OnTimer(UINT_PTR id) {
  if (id != kScrollTimer || !m_dragging) {
    CTreeCtrl::OnTimer(id);
    return;
  }
  SetTimer(kScrollTimer, kScrollRepeat, nullptr);
  int direction = 0;
  if (InScrollBand(m_lastPoint, direction)) {
    HTREEITEM before = GetFirstVisibleItem();
    if (m_dragImage) CImageList::DragShowNolock(FALSE);
    SendMessage(WM_VSCROLL, direction < 0 ? SB_LINEUP : SB_LINEDOWN, 0);
    if (m_dragImage) CImageList::DragShowNolock(TRUE);
    if (GetFirstVisibleItem() != before) {
      SetDropTarget(m_lastPoint);
      return;
    }
    KillTimer(kScrollTimer);
    return;
  }
  HTREEITEM target = HitTest(m_lastPoint);
  if (target && ItemHasChildren(target) && (GetItemState(target, TVIS_EXPANDED) & TVIS_EXPANDED) == 0)
    Expand(target, TVE_EXPAND);
  KillTimer(kScrollTimer);
}

void CSourceTreeCtrl::EndDragging() {
  KillTimer(kScrollTimer);
  if (m_dragImage) {
    CImageList::DragLeave(this);
    CImageList::EndDrag();
    m_dragImage.reset();
  }
  ReleaseCapture();
  m_dragging = false;
  SelectDropTarget(nullptr);
}

const char* CSourceTreeCtrl::RefusalFor(HTREEITEM target) const {
  if (GetItemData(target) & kSoundCardBit) return "You can only drop a source onto a sound card";
  if (GetItemData(target) & kBoxSourceBit) return "You can only drop a source onto a non-Exstreamer sound card";
  if (target == m_dragItem) return "An item can't be dropped onto itself";
  if (target == GetParentItem(m_dragItem)) return "An item can't be dropped onto its parent";
  if (IsChildOf(target, m_dragItem)) return "An item can't be dropped onto one of its children";
  return nullptr;
}

void CSourceTreeCtrl::OnLButtonUp(UINT flags, CPoint point) {
  if (!m_dragging) {
    CTreeCtrl::OnLButtonUp(flags, point);
    return;
  }
  EndDragging();
  HTREEITEM target = HitTest(point);
  HTREEITEM dragged = std::exchange(m_dragItem, nullptr);
  if (target == nullptr || dragged == nullptr) return;
  m_dragItem = dragged;
  const char* refusal = RefusalFor(target);
  m_dragItem = nullptr;
  if (refusal != nullptr) {
    ::MessageBox(m_hWnd, refusal, "Quaverhouse", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  MoveItem(target, dragged);
  if (onMoved) onMoved();
}

bool CSourceTreeCtrl::IsChildOf(HTREEITEM item, HTREEITEM ancestor) const {
  for (HTREEITEM parent = GetParentItem(item); parent != nullptr; parent = GetParentItem(parent))
    if (parent == ancestor) return true;
  return false;
}

HTREEITEM CSourceTreeCtrl::MoveItem(HTREEITEM target, HTREEITEM item) {
  HTREEITEM copy = CopyBranch(target, item);
  SelectItem(copy);
  DeleteItem(item);
  return copy;
}

HTREEITEM CSourceTreeCtrl::CopyBranch(HTREEITEM target, HTREEITEM item) {
  int image = 0, selectedImage = 0;
  GetItemImage(item, image, selectedImage);
  HTREEITEM copy = InsertItem(GetItemText(item).GetString(), image, selectedImage, target, TVI_LAST);
  SetItemData(copy, GetItemData(item));
  CopyChildren(copy, item);
  Expand(target, TVE_EXPAND);
  return copy;
}

void CSourceTreeCtrl::CopyChildren(HTREEITEM target, HTREEITEM item) {
  for (HTREEITEM child = GetChildItem(item); child != nullptr; child = GetNextSiblingItem(child))
    CopyBranch(target, child);
}
