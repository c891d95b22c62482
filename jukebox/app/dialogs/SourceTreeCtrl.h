// The audio matrix's tree of sources and their sound cards, edited by dragging a sound card onto
// another source. Refused drops say why and move nothing.
#pragma once

#include <functional>
#include <memory>

#include "platform/ui/AfxCmnCtrls.h"

class CSourceTreeCtrl : public CTreeCtrl {
 public:
  // Item data: a sound card carries its stream with this bit set; a box source carries this bit alone.
  static constexpr DWORD_PTR kSoundCardBit = 0x80000000u;
  static constexpr DWORD_PTR kBoxSourceBit = 0x40000000u;
  static constexpr UINT_PTR kScrollTimer = 1;
  static constexpr UINT kFirstScrollDelay = 500, kScrollRepeat = 200;
  static constexpr int kScrollBand = 10;

  // Called after every accepted drop.
  std::function<void()> onMoved;

  HTREEITEM SetDropTarget(CPoint point);
  bool IsChildOf(HTREEITEM item, HTREEITEM ancestor) const;
  HTREEITEM MoveItem(HTREEITEM target, HTREEITEM item);
  HTREEITEM CopyBranch(HTREEITEM target, HTREEITEM item);
  void CopyChildren(HTREEITEM target, HTREEITEM item);

 protected:
  void OnBeginDrag(NMHDR* header, LRESULT* result);
  void OnMouseMove(UINT flags, CPoint point);
  void OnLButtonUp(UINT flags, CPoint point);
  void OnTimer(UINT_PTR id);
  DECLARE_MESSAGE_MAP()

 private:
  void EndDragging();
  // The reason a drop onto the target is refused; null when it is taken.
  const char* RefusalFor(HTREEITEM target) const;
  bool InScrollBand(CPoint point, int& direction) const;

  HTREEITEM m_dragItem = nullptr;
  std::unique_ptr<CImageList> m_dragImage;
  bool m_dragging = false;
  CPoint m_lastPoint;
};
