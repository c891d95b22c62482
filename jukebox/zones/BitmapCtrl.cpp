#include "jukebox/zones/BitmapCtrl.h"

BEGIN_MESSAGE_MAP(CBitmapCtrl, CWnd)
  ON_WM_CREATE()
  ON_WM_PAINT()
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONUP()
  ON_WM_MOUSEMOVE()
END_MESSAGE_MAP()

CBitmapCtrl::CBitmapCtrl() = default;

CBitmapCtrl::~CBitmapCtrl() {
  m_bitmap.DeleteObject();
  if (m_hWnd != nullptr) DestroyWindow();
}

void CBitmapCtrl::Setup(UINT bitmapId, bool vertical, UINT notifyMessage) {
  m_bitmapId = bitmapId;
  m_vertical = vertical;
  m_notifyMessage = notifyMessage;
}

int CBitmapCtrl::OnCreate(LPCREATESTRUCT create) {
  if (CWnd::OnCreate(create) == -1) return -1;
  // A missing bitmap is not an error: the thumb then shows a plain face (see OnPaint).
  m_bitmap.LoadBitmap(LOWORD(m_bitmapId));
  return 0;
}

void CBitmapCtrl::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(&client);
  if (!HasBitmap()) {
    // Without its artwork the thumb still has to be seen and grabbed: a raised grey knob.
    dc.FillSolidRect(&client, RGB(192, 192, 192));
    dc.Draw3dRect(&client, RGB(255, 255, 255), RGB(64, 64, 64));
    return;
  }
  CDC memory;
  memory.CreateCompatibleDC(&dc);
  CBitmap* old = memory.SelectObject(&m_bitmap);
  BITMAP info;
  m_bitmap.GetBitmap(&info);
  dc.BitBlt(0, 0, info.bmWidth, info.bmHeight, &memory, 0, 0, SRCCOPY);
  memory.SelectObject(old);
}

void CBitmapCtrl::OnLButtonDown(UINT flags, CPoint point) {
  if (!m_dragging) {
    m_dragging = true;
    SetCapture();
  }
  CWnd::OnLButtonDown(flags, point);
}

void CBitmapCtrl::OnMouseMove(UINT flags, CPoint point) {
  if (m_dragging && m_notifyMessage != 0) Report(point, 0);
  CWnd::OnMouseMove(flags, point);
}

void CBitmapCtrl::OnLButtonUp(UINT flags, CPoint point) {
  if (m_dragging) {
    m_dragging = false;
    ReleaseCapture();
    if (m_notifyMessage != 0) Report(point, 1);
  }
  CWnd::OnLButtonUp(flags, point);
}

void CBitmapCtrl::Report(CPoint point, LPARAM released) {
  CWnd* parent = GetParent();
  if (parent == nullptr) return;
  const int coordinate = m_vertical ? point.y : point.x;
  parent->PostMessage(m_notifyMessage, static_cast<WPARAM>(static_cast<INT_PTR>(coordinate)), released);
}
