// The framework's control classes: thin objects over the standard control windows. Each sends the
// control's messages; list boxes also draw and measure their own items when owner-drawn.
#pragma once

#include "platform/ui/AfxWin.h"
#include "platform/ui/Controls.h"

class CButton : public CWnd {
 public:
  BOOL Create(LPCSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);
  int GetCheck() const { return static_cast<int>(::SendMessage(m_hWnd, BM_GETCHECK, 0, 0)); }
  void SetCheck(int check) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
  UINT GetState() const { return static_cast<UINT>(::SendMessage(m_hWnd, BM_GETSTATE, 0, 0)); }
  void SetState(BOOL highlight) { SendMessage(BM_SETSTATE, highlight); }
  void SetButtonStyle(UINT style, BOOL redraw = TRUE) { SendMessage(BM_SETSTYLE, style, redraw); }
  HBITMAP SetBitmap(HBITMAP bitmap) {
    return reinterpret_cast<HBITMAP>(SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  }
  HBITMAP GetBitmap() const { return reinterpret_cast<HBITMAP>(::SendMessage(m_hWnd, BM_GETIMAGE, IMAGE_BITMAP, 0)); }
  // Owner-drawn buttons draw here when their parent's WM_DRAWITEM reflects to them.
  virtual void DrawItem(LPDRAWITEMSTRUCT draw);
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class CStatic : public CWnd {
 public:
  BOOL Create(LPCSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF);
  HBITMAP SetBitmap(HBITMAP bitmap) {
    return reinterpret_cast<HBITMAP>(SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  }
  HBITMAP GetBitmap() const { return reinterpret_cast<HBITMAP>(::SendMessage(m_hWnd, STM_GETIMAGE, IMAGE_BITMAP, 0)); }
};

class CEdit : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  void LimitText(int maxChars = 0) { SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(maxChars)); }
  void SetLimitText(UINT maxChars) { SendMessage(EM_LIMITTEXT, maxChars); }
  UINT GetLimitText() const { return static_cast<UINT>(::SendMessage(m_hWnd, EM_GETLIMITTEXT, 0, 0)); }
  void SetSel(int start, int end, BOOL noScroll = FALSE) {
    SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end);
    (void)noScroll;
  }
  void GetSel(int& start, int& end) const;
  void ReplaceSel(LPCSTR text, BOOL canUndo = FALSE) { SendMessage(EM_REPLACESEL, canUndo, reinterpret_cast<LPARAM>(text)); }
  BOOL SetReadOnly(BOOL readOnly = TRUE) { return static_cast<BOOL>(SendMessage(EM_SETREADONLY, readOnly)); }
  BOOL GetModify() const { return static_cast<BOOL>(::SendMessage(m_hWnd, EM_GETMODIFY, 0, 0)); }
  void SetModify(BOOL modified = TRUE) { SendMessage(EM_SETMODIFY, modified); }
};

class CListBox : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  int AddString(LPCSTR text) { return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))); }
  int InsertString(int index, LPCSTR text) {
    return static_cast<int>(SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)));
  }
  int DeleteString(UINT index) { return static_cast<int>(SendMessage(LB_DELETESTRING, index)); }
  void ResetContent() { SendMessage(LB_RESETCONTENT); }
  int GetCount() const { return Query(LB_GETCOUNT); }
  int GetCurSel() const { return Query(LB_GETCURSEL); }
  int SetCurSel(int index) { return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(index))); }
  int GetText(int index, LPSTR buffer) const { return Query(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer)); }
  void GetText(int index, CString& text) const;
  int GetTextLen(int index) const { return Query(LB_GETTEXTLEN, static_cast<WPARAM>(index)); }
  DWORD_PTR GetItemData(int index) const {
    return static_cast<DWORD_PTR>(::SendMessage(m_hWnd, LB_GETITEMDATA, static_cast<WPARAM>(index), 0));
  }
  int SetItemData(int index, DWORD_PTR data) {
    return static_cast<int>(SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)));
  }
  int FindString(int after, LPCSTR text) const { return Query(LB_FINDSTRING, static_cast<WPARAM>(after), reinterpret_cast<LPARAM>(text)); }
  int FindStringExact(int after, LPCSTR text) const {
    return Query(LB_FINDSTRINGEXACT, static_cast<WPARAM>(after), reinterpret_cast<LPARAM>(text));
  }
  int SelectString(int after, LPCSTR text) {
    return static_cast<int>(SendMessage(LB_SELECTSTRING, static_cast<WPARAM>(after), reinterpret_cast<LPARAM>(text)));
  }
  int GetSel(int index) const { return Query(LB_GETSEL, static_cast<WPARAM>(index)); }
  int SetSel(int index, BOOL select = TRUE) { return static_cast<int>(SendMessage(LB_SETSEL, select, index)); }
  int GetSelCount() const { return Query(LB_GETSELCOUNT); }
  int GetSelItems(int maxItems, int* items) const {
    return Query(LB_GETSELITEMS, static_cast<WPARAM>(maxItems), reinterpret_cast<LPARAM>(items));
  }
  int SelItemRange(BOOL select, int first, int last) {
    return static_cast<int>(SendMessage(LB_SELITEMRANGE, select, MAKELPARAM(static_cast<WORD>(first), static_cast<WORD>(last))));
  }
  int GetTopIndex() const { return Query(LB_GETTOPINDEX); }
  int SetTopIndex(int index) { return static_cast<int>(SendMessage(LB_SETTOPINDEX, static_cast<WPARAM>(index))); }
  int GetItemHeight(int index) const { return Query(LB_GETITEMHEIGHT, static_cast<WPARAM>(index)); }
  int SetItemHeight(int index, UINT height) { return static_cast<int>(SendMessage(LB_SETITEMHEIGHT, static_cast<WPARAM>(index), height)); }
  int GetItemRect(int index, LPRECT rect) const { return Query(LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect)); }
  int GetCaretIndex() const { return Query(LB_GETCARETINDEX); }

  // Owner-drawn list boxes draw and measure their items here (the parent's WM_DRAWITEM and
  // WM_MEASUREITEM reflect to them).
  virtual void DrawItem(LPDRAWITEMSTRUCT draw);
  virtual void MeasureItem(LPMEASUREITEMSTRUCT measure);
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  int Query(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return static_cast<int>(::SendMessage(m_hWnd, message, wParam, lParam));
  }
};

// A list box whose items carry check boxes: the owner-drawn list is drawn here, a click on an
// item's box (or Space) toggles it and tells the parent CLBN_CHKCHANGE.
class CCheckListBox : public CListBox {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  void SetCheckStyle(UINT style) { checkStyle_ = style; }
  UINT GetCheckStyle() const { return checkStyle_; }
  void SetCheck(int index, int check);
  int GetCheck(int index) const;
  void DrawItem(LPDRAWITEMSTRUCT draw) override;
  void MeasureItem(LPMEASUREITEMSTRUCT measure) override;

 protected:
  afx_msg void OnLButtonDown(UINT flags, CPoint point);
  afx_msg void OnKeyDown(UINT key, UINT repeat, UINT flags);
  DECLARE_MESSAGE_MAP()

 private:
  void Toggle(int index);
  UINT checkStyle_ = BS_AUTOCHECKBOX;
};

class CComboBox : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  int AddString(LPCSTR text) { return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))); }
  int InsertString(int index, LPCSTR text) {
    return static_cast<int>(SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)));
  }
  int DeleteString(UINT index) { return static_cast<int>(SendMessage(CB_DELETESTRING, index)); }
  void ResetContent() { SendMessage(CB_RESETCONTENT); }
  int GetCount() const { return Query(CB_GETCOUNT); }
  int GetCurSel() const { return Query(CB_GETCURSEL); }
  int SetCurSel(int index) { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
  int GetLBText(int index, LPSTR buffer) const {
    return Query(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer));
  }
  void GetLBText(int index, CString& text) const;
  int GetLBTextLen(int index) const { return Query(CB_GETLBTEXTLEN, static_cast<WPARAM>(index)); }
  DWORD_PTR GetItemData(int index) const {
    return static_cast<DWORD_PTR>(::SendMessage(m_hWnd, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
  }
  int SetItemData(int index, DWORD_PTR data) {
    return static_cast<int>(SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)));
  }
  // Prefix match without case, from the item after `after` (-1: the first), wrapping around.
  int FindString(int after, LPCSTR text) const {
    return Query(CB_FINDSTRING, static_cast<WPARAM>(after), reinterpret_cast<LPARAM>(text));
  }
  int FindStringExact(int after, LPCSTR text) const {
    return Query(CB_FINDSTRINGEXACT, static_cast<WPARAM>(after), reinterpret_cast<LPARAM>(text));
  }
  int SelectString(int after, LPCSTR text) {
    return static_cast<int>(SendMessage(CB_SELECTSTRING, static_cast<WPARAM>(after), reinterpret_cast<LPARAM>(text)));
  }
  BOOL LimitText(int maxChars) { return static_cast<BOOL>(SendMessage(CB_LIMITTEXT, static_cast<WPARAM>(maxChars))); }
  BOOL SetEditSel(int start, int end) {
    return static_cast<BOOL>(SendMessage(CB_SETEDITSEL, 0, MAKELPARAM(static_cast<WORD>(start), static_cast<WORD>(end))));
  }
  void ShowDropDown(BOOL show = TRUE) { SendMessage(CB_SHOWDROPDOWN, show); }
  BOOL GetDroppedState() const { return Query(CB_GETDROPPEDSTATE); }

 private:
  int Query(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return static_cast<int>(::SendMessage(m_hWnd, message, wParam, lParam));
  }
};

class CScrollBar : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  int SetScrollPos(int position, BOOL redraw = TRUE) { return static_cast<int>(SendMessage(SBM_SETPOS, static_cast<WPARAM>(position), redraw)); }
  int GetScrollPos() const { return static_cast<int>(::SendMessage(m_hWnd, SBM_GETPOS, 0, 0)); }
  void SetScrollRange(int minimum, int maximum, BOOL redraw = TRUE) {
    SendMessage(redraw ? SBM_SETRANGEREDRAW : SBM_SETRANGE, static_cast<WPARAM>(minimum), maximum);
  }
  void GetScrollRange(int* minimum, int* maximum) const {
    ::SendMessage(m_hWnd, SBM_GETRANGE, reinterpret_cast<WPARAM>(minimum), reinterpret_cast<LPARAM>(maximum));
  }
  BOOL SetScrollInfo(LPSCROLLINFO info, BOOL redraw = TRUE) {
    return SendMessage(SBM_SETSCROLLINFO, redraw, reinterpret_cast<LPARAM>(info)) >= 0;
  }
  BOOL GetScrollInfo(LPSCROLLINFO info, UINT mask = SIF_ALL) {
    if (info) info->fMask = mask;
    return static_cast<BOOL>(SendMessage(SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(info)));
  }
};
