#include "jukebox/app/SkinButton.h"

#include "platform/ui/Input.h"

BEGIN_MESSAGE_MAP(CSkinButton, CWnd)
  ON_WM_CREATE()
  ON_WM_PAINT()
  ON_WM_MOUSEMOVE()
  ON_WM_MOUSELEAVE()
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONUP()
  ON_WM_TIMER()
END_MESSAGE_MAP()

CSkinButton::CSkinButton() = default;

// The faces and the region are CGdiObject members and go with the object.
CSkinButton::~CSkinButton() = default;

void CSkinButton::SetBitmapIds(UINT up, UINT down, UINT hover, UINT disabled) {
  m_up.resourceId = up;
  m_down.resourceId = down;
  m_hover.resourceId = hover;
  m_disabled.resourceId = disabled;
}

void CSkinButton::SetBitmapIdsAndShape(UINT up, UINT down, UINT hover, UINT disabled, CRgn* region) {
  SetBitmapIds(up, down, hover, disabled);
  if (!region || !region->GetSafeHandle()) return;
  m_region.DeleteObject();
  m_region.CreateRectRgn(0, 0, 0, 0);
  m_region.CopyRgn(region);
  m_useRegion = 1;
}

void CSkinButton::SetAutoRepeat(UINT delay, UINT period) {
  m_repeatDelay = delay;
  m_repeatPeriod = period;
  m_repeating = 0;
}

void CSkinButton::SetState(int state) {
  if (state == 0 || state == 1) m_state = static_cast<DWORD>(state);
  Repaint();
}

int CSkinButton::GetState() const {
  if (m_state == 0) return 0;
  return m_state == 1 ? 1 : 2;
}

int CSkinButton::OnCreate(LPCREATESTRUCT create) {
  if (CWnd::OnCreate(create) == -1) return -1;
  for (Face* face : {&m_up, &m_down, &m_hover, &m_disabled}) {
    face->bitmap.DeleteObject();
    face->bitmap.LoadBitmap(LOWORD(face->resourceId));
  }
  if (m_useRegion) {
    // The window takes ownership of the region it is given, so it gets a copy of its own: the button
    // keeps (and deletes) its region, and no handle is ever deleted twice.
    CRgn windowShape;
    windowShape.CreateRectRgn(0, 0, 0, 0);
    windowShape.CopyRgn(&m_region);
    SetWindowRgn(static_cast<HRGN>(windowShape.Detach()), TRUE);
  }
  return 0;
}

CBitmap& CSkinButton::CurrentFace() {
  if (!IsWindowEnabled()) return m_disabled.bitmap;
  if (m_state == 1) return m_down.bitmap;
  return m_hoverFlag ? m_hover.bitmap : m_up.bitmap;
}

void CSkinButton::OnPaint() {
  CPaintDC dc(this);
  CBitmap& face = CurrentFace();
  if (!face.GetSafeHandle()) return;  // a face whose resource is missing leaves the button unpainted
  CDC memory;
  memory.CreateCompatibleDC(&dc);
  CBitmap* previous = memory.SelectObject(&face);
  BITMAP size;
  face.GetBitmap(&size);
  dc.BitBlt(0, 0, size.bmWidth, size.bmHeight, &memory, 0, 0, SRCCOPY);
  memory.SelectObject(previous);
}

void CSkinButton::Repaint() {
  if (!m_hWnd) return;
  Invalidate(FALSE);
  UpdateWindow();
}

void CSkinButton::ReportClick() {
  if (CWnd* parent = GetParent())
    parent->PostMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID()), 0), reinterpret_cast<LPARAM>(m_hWnd));
}

void CSkinButton::StopRepeating() {
  KillTimer(kRepeatTimer);
  m_repeating = 0;
}

void CSkinButton::OnMouseMove(UINT flags, CPoint point) {
  if (!m_hoverFlag) {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = m_hWnd;
    TrackMouseEvent(&track);
    m_hoverFlag = 1;
    Repaint();
  }
  CWnd::OnMouseMove(flags, point);
}

void CSkinButton::OnMouseLeave() {
  m_hoverFlag = 0;
  m_pressed = 0;
  if (m_repeatDelay > 0) StopRepeating();
  Repaint();
}

void CSkinButton::OnLButtonDown(UINT flags, CPoint point) {
  m_pressed = 1;
  if (m_repeatDelay > 0) {
    KillTimer(kRepeatTimer);
    SetTimer(kRepeatTimer, m_repeatDelay);
    m_repeating = 0;
  }
  Repaint();
  CWnd::OnLButtonDown(flags, point);
}

void CSkinButton::OnLButtonUp(UINT flags, CPoint point) {
  if (m_pressed) {
    ReportClick();
    if (m_repeatDelay > 0) StopRepeating();
  }
  m_pressed = 0;
  Repaint();
  CWnd::OnLButtonUp(flags, point);
}

void CSkinButton::OnTimer(UINT_PTR id) {
  if (id != kRepeatTimer) {
    CWnd::OnTimer(id);
    return;
  }
  // A button disabled while held never sees its button-up: stop instead of clicking on forever.
  if (!IsWindowEnabled()) {
    StopRepeating();
    m_pressed = 0;
    return;
  }
  if (!m_repeating) {
    m_repeating = 1;
    KillTimer(kRepeatTimer);
    SetTimer(kRepeatTimer, m_repeatPeriod);
  }
  ReportClick();
}
