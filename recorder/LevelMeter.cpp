#include "recorder/LevelMeter.h"

#include "platform/ui/gdi/AfxGdi.h"

BEGIN_MESSAGE_MAP(CLevelMeter, CWnd)
  ON_WM_PAINT()
END_MESSAGE_MAP()

BOOL CLevelMeter::Attach(CWnd* dialog, UINT id, int markPercent) {
  m_mark = markPercent;
  return SubclassDlgItem(id, dialog);
}

void CLevelMeter::SetLevels(int left, int right) {
  m_left = Clamp(left);
  m_right = Clamp(right);
  if (m_hWnd == nullptr) return;
  Invalidate(FALSE);
  UpdateWindow();
}

void CLevelMeter::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(&client);
  dc.FillSolidRect(&client, RGB(0, 0, 0));
  const int height = client.Height(), half = client.Width() / 2;
  auto bar = [&](int left, int right, int percent) {
    int top = client.bottom - static_cast<int>(percent * 0.01 * height);
    // Above the mark the input is close to clipping: that part of the bar turns red.
    int markTop = client.bottom - static_cast<int>(m_mark * 0.01 * height);
    if (top < markTop) {
      dc.FillSolidRect(left, markTop, right - left, client.bottom - markTop, RGB(0, 255, 20));
      dc.FillSolidRect(left, top, right - left, markTop - top, RGB(255, 0, 0));
    } else {
      dc.FillSolidRect(left, top, right - left, client.bottom - top, RGB(0, 255, 20));
    }
  };
  bar(client.left + 1, client.left + half - 1, m_left);
  bar(client.left + half + 1, client.right - 1, m_right);
  int markY = client.bottom - static_cast<int>(m_mark * 0.01 * height);
  dc.FillSolidRect(client.left, markY, client.Width(), 1, RGB(255, 255, 0));
}
