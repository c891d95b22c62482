#include "widgets/HoverButton.h"

BEGIN_MESSAGE_MAP(CHoverButton, CButton)
  ON_WM_MOUSEMOVE()
END_MESSAGE_MAP()

void CHoverButton::OnMouseMove(UINT flags, CPoint point) {
  if (m_pHelp != nullptr && !m_pHelp->IsWindowVisible()) m_pHelp->ShowWindow(SW_SHOWNA);
  // The standard button follows a held press in and out of itself through its mouse moves.
  CButton::OnMouseMove(flags, point);
}
