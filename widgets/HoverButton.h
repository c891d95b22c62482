// A push button that shows its help text while the mouse is over it. The dialog that owns it hides the
// help again when the mouse moves over the dialog itself, so moving from one button to the next leaves
// both texts shown. The button's own drawing (pressed, disabled) stays the standard control's.
#pragma once

#include "platform/ui/AfxControls.h"

class CHoverButton : public CButton {
 public:
  void SetHelpStatic(CWnd* help) { m_pHelp = help; }
  CWnd* GetHelpStatic() const { return m_pHelp; }

 protected:
  afx_msg void OnMouseMove(UINT flags, CPoint point);
  DECLARE_MESSAGE_MAP()

 private:
  CWnd* m_pHelp = nullptr;
};
