// An owner-drawn list box in the jukebox's fixed colours: every line in one bold "Arial" font built
// from its own font description, texts shown as they are ("&" included), no focus rectangle.
#pragma once

#include "platform/ui/AfxControls.h"
#include "platform/ui/AfxWin.h"
#include "platform/ui/Controls.h"

class CSkinListBox : public CListBox {
 public:
  CSkinListBox();

  // 1 while the list box has the keyboard focus.
  int m_focus = 0;
  COLORREF m_selectedBackColor = RGB(0, 0, 0);
  COLORREF m_textColor = RGB(160, 80, 0);
  COLORREF m_selectedTextColor = RGB(255, 128, 0);
  COLORREF m_backColor = RGB(0, 0, 0);
  LOGFONT m_logFont;
  // Height of every line in pixels; the owner may change it before the control exists.
  int m_itemHeight = 16;

  void DrawItem(LPDRAWITEMSTRUCT draw) override;
  void MeasureItem(LPMEASUREITEMSTRUCT measure) override;
  // Digit keys go on to the owner unchanged.
  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  void PreSubclassWindow() override;
  afx_msg void OnSetFocus(CWnd* oldWnd);
  afx_msg void OnKillFocus(CWnd* newWnd);
  DECLARE_MESSAGE_MAP()

 private:
  void FillFontDescription();
};
