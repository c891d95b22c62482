// A bitmap push button: four faces (up, down, hover, disabled) from the program's bitmap resources, an
// optional window shape, hover tracking and optional auto-repeat. It tells its parent only that it was
// clicked, with the WM_COMMAND a standard push button would send.
#pragma once

#include "platform/ui/AfxWin.h"

class CSkinButton : public CWnd {
 public:
  CSkinButton();
  ~CSkinButton() override;

  // Resource ids of the faces (low 16 bits used); they are loaded when the window is created.
  void SetBitmapIds(UINT up, UINT down, UINT hover, UINT disabled);
  // As SetBitmapIds; a given region is copied (the caller keeps its own) and shapes the window.
  void SetBitmapIdsAndShape(UINT up, UINT down, UINT hover, UINT disabled, CRgn* region);
  // Delay before the first repeat and the period after it, in milliseconds; a delay of 0 repeats never.
  void SetAutoRepeat(UINT delay, UINT period);
  // 0 = normal, 1 = latched down; other values only repaint.
  void SetState(int state);
  // 0 or 1 as stored; 2 for anything else.
  int GetState() const;

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT create);
  afx_msg void OnPaint();
  afx_msg void OnMouseMove(UINT flags, CPoint point);
  afx_msg void OnMouseLeave();
  afx_msg void OnLButtonDown(UINT flags, CPoint point);
  afx_msg void OnLButtonUp(UINT flags, CPoint point);
  afx_msg void OnTimer(UINT_PTR id);
  DECLARE_MESSAGE_MAP()

 private:
  struct Face {
    CBitmap bitmap;
    UINT resourceId = 0;
  };
  static constexpr UINT_PTR kRepeatTimer = 1;

  void Repaint();
  void ReportClick();
  void StopRepeating();
  CBitmap& CurrentFace();

  Face m_up;
  Face m_down;
  Face m_hover;
  Face m_disabled;
  CRgn m_region;
  DWORD m_useRegion = 0;
  DWORD m_state = 0;
  BYTE m_hoverFlag = 0;
  BYTE m_pressed = 0;
  UINT m_repeatDelay = 0;
  UINT m_repeatPeriod = 0;
  BYTE m_repeating = 0;
};
