// CBitmapCtrl: a thumb that shows one skin bitmap and reports drags to its parent. It never moves
// itself: while dragged it posts (notify message, coordinate along its axis, 0) per move and
// (notify message, coordinate, 1) at the release, and the parent places it.
#pragma once

#include "platform/ui/AfxWin.h"

class CBitmapCtrl : public CWnd {
 public:
  CBitmapCtrl();
  ~CBitmapCtrl() override;

  // Before creation: the bitmap resource (low 16 bits used), the axis and the message to post.
  void Setup(UINT bitmapId, bool vertical, UINT notifyMessage);

  bool IsDragging() const { return m_dragging; }
  bool HasBitmap() const { return m_bitmap.GetSafeHandle() != nullptr; }

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT create);
  afx_msg void OnPaint();
  afx_msg void OnLButtonDown(UINT flags, CPoint point);
  afx_msg void OnLButtonUp(UINT flags, CPoint point);
  afx_msg void OnMouseMove(UINT flags, CPoint point);
  DECLARE_MESSAGE_MAP()

 private:
  void Report(CPoint point, LPARAM released);

  CBitmap m_bitmap;
  UINT m_bitmapId = 0;
  bool m_vertical = false;
  bool m_dragging = false;
  UINT m_notifyMessage = 0;
};
