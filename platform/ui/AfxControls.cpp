// The framework's control classes.
#include "platform/ui/AfxControls.h"

#include <string>

namespace {

template <class Control>
CWnd* MakeWrapperOf() {
  return new Control;
}

// Windows of the standard classes seen through FromHandle (GetDlgItem) get an object of their class.
}  // namespace

void qh::ui::RegisterStandardWrappers() {
  qh::ui::RegisterWrapperClass(WC_BUTTON, &MakeWrapperOf<CButton>);
  qh::ui::RegisterWrapperClass(WC_STATIC, &MakeWrapperOf<CStatic>);
  qh::ui::RegisterWrapperClass(WC_EDIT, &MakeWrapperOf<CEdit>);
  qh::ui::RegisterWrapperClass(WC_LISTBOX, &MakeWrapperOf<CListBox>);
  qh::ui::RegisterWrapperClass(WC_COMBOBOX, &MakeWrapperOf<CComboBox>);
  qh::ui::RegisterWrapperClass(WC_SCROLLBAR, &MakeWrapperOf<CScrollBar>);
}

namespace {

BOOL CreateControl(CWnd& control, LPCSTR className, LPCSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  qh::ui::RegisterStandardControls();
  return control.CreateEx(0, className, text, style | WS_CHILD, rect, parent, id);
}

}  // namespace

BOOL CButton::Create(LPCSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateControl(*this, WC_BUTTON, caption, style, rect, parent, id);
}
void CButton::DrawItem(LPDRAWITEMSTRUCT) {}
BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_DRAWITEM) {
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
    if (result) *result = TRUE;
    return TRUE;
  }
  return CWnd::OnChildNotify(message, wParam, lParam, result);
}

BOOL CStatic::Create(LPCSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateControl(*this, WC_STATIC, text, style, rect, parent, id);
}

BOOL CEdit::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateControl(*this, WC_EDIT, "", style, rect, parent, id);
}
void CEdit::GetSel(int& start, int& end) const {
  DWORD first = 0, last = 0;
  ::SendMessage(m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&first), reinterpret_cast<LPARAM>(&last));
  start = static_cast<int>(first);
  end = static_cast<int>(last);
}

BOOL CListBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateControl(*this, WC_LISTBOX, "", style, rect, parent, id);
}
void CListBox::GetText(int index, CString& text) const {
  int length = GetTextLen(index);
  if (length < 0) {
    text.Empty();
    return;
  }
  std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
  GetText(index, buffer.data());
  buffer.resize(static_cast<std::size_t>(length));
  text = CString(buffer);
}
void CListBox::DrawItem(LPDRAWITEMSTRUCT) {}
void CListBox::MeasureItem(LPMEASUREITEMSTRUCT) {}
BOOL CListBox::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_DRAWITEM) {
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
  } else if (message == WM_MEASUREITEM) {
    MeasureItem(reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam));
  } else {
    return CWnd::OnChildNotify(message, wParam, lParam, result);
  }
  if (result) *result = TRUE;
  return TRUE;
}

BOOL CComboBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateControl(*this, WC_COMBOBOX, "", style, rect, parent, id);
}
void CComboBox::GetLBText(int index, CString& text) const {
  int length = GetLBTextLen(index);
  if (length < 0) {
    text.Empty();
    return;
  }
  std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
  GetLBText(index, buffer.data());
  buffer.resize(static_cast<std::size_t>(length));
  text = CString(buffer);
}

BOOL CScrollBar::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateControl(*this, WC_SCROLLBAR, "", style, rect, parent, id);
}
