// The framework's control classes.
#include "platform/ui/AfxControls.h"

#include <string>

#include "platform/ui/gdi/Gdi.h"

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
  return ::CreateControl(*this, WC_BUTTON, caption, style, rect, parent, id);
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
  return ::CreateControl(*this, WC_STATIC, text, style, rect, parent, id);
}

BOOL CEdit::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return ::CreateControl(*this, WC_EDIT, "", style, rect, parent, id);
}
void CEdit::GetSel(int& start, int& end) const {
  DWORD first = 0, last = 0;
  ::SendMessage(m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&first), reinterpret_cast<LPARAM>(&last));
  start = static_cast<int>(first);
  end = static_cast<int>(last);
}

BOOL CListBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return ::CreateControl(*this, WC_LISTBOX, "", style, rect, parent, id);
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
  return ::CreateControl(*this, WC_COMBOBOX, "", style, rect, parent, id);
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
  return ::CreateControl(*this, WC_SCROLLBAR, "", style, rect, parent, id);
}

// ---- CCheckListBox ----
namespace {
constexpr int kCheckBoxWidth = 16;
}

BEGIN_MESSAGE_MAP(CCheckListBox, CListBox)
ON_WM_LBUTTONDOWN()
ON_WM_KEYDOWN()
END_MESSAGE_MAP()

BOOL CCheckListBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CListBox::Create(style | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, rect, parent, id);
}

void CCheckListBox::SetCheck(int index, int check) { SendMessage(QH_LB_SETCHECK, static_cast<WPARAM>(index), check); }

int CCheckListBox::GetCheck(int index) const {
  return static_cast<int>(::SendMessage(m_hWnd, QH_LB_GETCHECK, static_cast<WPARAM>(index), 0));
}

void CCheckListBox::Toggle(int index) {
  if (index < 0 || index >= GetCount()) return;
  int next = GetCheck(index) ? 0 : 1;
  if (checkStyle_ == BS_AUTO3STATE || checkStyle_ == BS_3STATE) next = (GetCheck(index) + 1) % 3;
  SetCheck(index, next);
  if (CWnd* parent = GetParent())
    parent->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID()), CLBN_CHKCHANGE), reinterpret_cast<LPARAM>(m_hWnd));
}

void CCheckListBox::OnLButtonDown(UINT flags, CPoint point) {
  LRESULT hit = SendMessage(LB_ITEMFROMPOINT, 0, MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y)));
  if (!HIWORD(static_cast<DWORD>(hit)) && point.x < kCheckBoxWidth) Toggle(LOWORD(static_cast<DWORD>(hit)));
  CListBox::OnLButtonDown(flags, point);
}

void CCheckListBox::OnKeyDown(UINT key, UINT repeat, UINT flags) {
  if (key == VK_SPACE) Toggle(GetCurSel());
  CListBox::OnKeyDown(key, repeat, flags);
}

void CCheckListBox::MeasureItem(LPMEASUREITEMSTRUCT measure) { measure->itemHeight = 16; }

void CCheckListBox::DrawItem(LPDRAWITEMSTRUCT draw) {
  if (!draw || static_cast<int>(draw->itemID) < 0) return;
  HDC dc = draw->hDC;
  RECT row = draw->rcItem;
  bool selected = (draw->itemState & ODS_SELECTED) != 0;
  FillRect(dc, &row, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  RECT box{row.left + 2, row.top + (row.bottom - row.top - 12) / 2, row.left + 14, 0};
  box.bottom = box.top + 12;
  FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
  FrameRect(dc, &box, GetSysColorBrush(COLOR_BTNSHADOW));
  int check = GetCheck(static_cast<int>(draw->itemID));
  if (check) {
    RECT mark = box;
    InflateRect(&mark, -3, -3);
    FillRect(dc, &mark, GetSysColorBrush(check == 1 ? COLOR_WINDOWTEXT : COLOR_BTNSHADOW));
  }
  CString text;
  GetText(static_cast<int>(draw->itemID), text);
  RECT label{row.left + kCheckBoxWidth + 2, row.top, row.right, row.bottom};
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  ::DrawText(dc, text, -1, &label, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}
