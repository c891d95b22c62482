#include "jukebox/app/SkinListBox.h"

#include <cstring>

BEGIN_MESSAGE_MAP(CSkinListBox, CListBox)
  ON_WM_SETFOCUS()
  ON_WM_KILLFOCUS()
END_MESSAGE_MAP()

// The description is filled here too, so that it holds even where the window is made without passing
// through PreSubclassWindow; PreSubclassWindow fills it again with the item height the owner set.
CSkinListBox::CSkinListBox() { FillFontDescription(); }

void CSkinListBox::PreSubclassWindow() {
  FillFontDescription();
  CListBox::PreSubclassWindow();
}

void CSkinListBox::FillFontDescription() {
  m_logFont = LOGFONT{};
  m_logFont.lfHeight = m_itemHeight;
  m_logFont.lfWeight = FW_BOLD;
  m_logFont.lfCharSet = ANSI_CHARSET;
  m_logFont.lfOutPrecision = OUT_CHARACTER_PRECIS;
  m_logFont.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  m_logFont.lfQuality = PROOF_QUALITY;
  m_logFont.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  std::strncpy(m_logFont.lfFaceName, "Arial", LF_FACESIZE - 1);
}

void CSkinListBox::MeasureItem(LPMEASUREITEMSTRUCT measure) { measure->itemHeight = static_cast<UINT>(m_itemHeight); }

void CSkinListBox::DrawItem(LPDRAWITEMSTRUCT draw) {
  CDC* dc = CDC::FromHandle(draw->hDC);
  if (!dc) return;
  const bool selected = (draw->itemState & ODS_SELECTED) != 0;
  dc->FillSolidRect(&draw->rcItem, selected ? m_selectedBackColor : m_backColor);
  dc->SetTextColor(selected ? m_selectedTextColor : m_textColor);
  dc->SetBkMode(TRANSPARENT);
  const int index = static_cast<int>(draw->itemID);
  if (index < 0) return;
  CString text;
  GetText(index, text);
  CFont font;
  font.CreateFontIndirect(&m_logFont);
  CFont* previous = dc->SelectObject(&font);
  RECT area = draw->rcItem;
  dc->DrawText(text, &area, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  dc->SelectObject(previous);
  font.DeleteObject();
}

BOOL CSkinListBox::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN && msg->wParam >= '0' && msg->wParam <= '9') return FALSE;
  return CListBox::PreTranslateMessage(msg);
}

void CSkinListBox::OnSetFocus(CWnd* oldWnd) {
  m_focus = 1;
  CListBox::OnSetFocus(oldWnd);
}

void CSkinListBox::OnKillFocus(CWnd* newWnd) {
  m_focus = 0;
  CListBox::OnKillFocus(newWnd);
}
