// A push button that shows its help text while the mouse is over it.
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
