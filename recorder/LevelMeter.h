// CLevelMeter: the recording dialog's two-channel level meter, a window laid over a static of the
// dialog. It shows a left and a right bar in percent of its height and a mark at the 0 dB level.
#pragma once

#include "platform/ui/AfxWin.h"

class CLevelMeter : public CWnd {
 public:
  // Takes the place of the dialog's static `id`; the mark is in percent of the height.
  BOOL Attach(CWnd* dialog, UINT id, int markPercent);
  // Levels in percent; a value below 0 or above 100 shows as 0. The meter repaints at once.
  void SetLevels(int left, int right);
  int GetLeft() const { return m_left; }
  int GetRight() const { return m_right; }

 protected:
  afx_msg void OnPaint();
  DECLARE_MESSAGE_MAP()

 private:
  static int Clamp(int percent) { return percent < 0 || percent > 100 ? 0 : percent; }
  int m_left = 0, m_right = 0, m_mark = 88;
};
