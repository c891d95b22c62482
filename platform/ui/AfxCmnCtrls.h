// The framework's classes for the common controls: CListCtrl, CProgressCtrl, CSliderCtrl and
// CImageList, each a thin object over its control's messages.
#pragma once

#include "platform/core/Collections.h"
#include "platform/ui/AfxControls.h"
#include "platform/ui/CommCtrl.h"
#include "platform/ui/ImageList.h"

class CImageList {
 public:
  CImageList() = default;
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;
  ~CImageList() { DeleteImageList(); }

  BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
  // The strip bitmap `bitmapId` of the program, cut into cx-wide images; `mask` is the transparent colour.
  BOOL Create(UINT bitmapId, int cx, int grow, COLORREF mask);
  BOOL DeleteImageList();
  int Add(CBitmap* image, CBitmap* mask);
  int Add(CBitmap* image, COLORREF mask);
  BOOL Remove(int index) { return ImageList_Remove(m_hImageList, index); }
  int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
  COLORREF SetBkColor(COLORREF color) { return ImageList_SetBkColor(m_hImageList, color); }
  BOOL Draw(CDC* dc, int index, POINT point, UINT style) {
    return dc ? ImageList_Draw(m_hImageList, index, dc->m_hDC, point.x, point.y, style) : FALSE;
  }
  HIMAGELIST GetSafeHandle() const { return m_hImageList; }
  operator HIMAGELIST() const { return m_hImageList; }  // NOLINT

  BOOL BeginDrag(int index, CPoint hotspot) { return ImageList_BeginDrag(m_hImageList, index, hotspot.x, hotspot.y); }
  static BOOL DragEnter(CWnd* lock, CPoint point) { return ImageList_DragEnter(lock ? lock->m_hWnd : nullptr, point.x, point.y); }
  static BOOL DragMove(CPoint point) { return ImageList_DragMove(point.x, point.y); }
  static BOOL DragLeave(CWnd* lock) { return ImageList_DragLeave(lock ? lock->m_hWnd : nullptr); }
  static BOOL DragShowNolock(BOOL show) { return ImageList_DragShowNolock(show); }
  static void EndDrag() { ImageList_EndDrag(); }

  HIMAGELIST m_hImageList = nullptr;
};

class CListCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

  // Columns.
  int InsertColumn(int index, LPCSTR heading, int format = LVCFMT_LEFT, int width = -1, int subItem = -1);
  int InsertColumn(int index, const LVCOLUMN* column) { return Send(LVM_INSERTCOLUMN, static_cast<WPARAM>(index), column); }
  BOOL DeleteColumn(int index) { return Send(LVM_DELETECOLUMN, static_cast<WPARAM>(index)); }
  BOOL GetColumn(int index, LVCOLUMN* column) const { return Query(LVM_GETCOLUMN, static_cast<WPARAM>(index), column); }
  BOOL SetColumn(int index, const LVCOLUMN* column) { return Send(LVM_SETCOLUMN, static_cast<WPARAM>(index), column); }
  int GetColumnWidth(int index) const { return Query(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(index)); }
  BOOL SetColumnWidth(int index, int width) {
    return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(index), MAKELPARAM(static_cast<WORD>(width), 0)));
  }

  // Items.
  int InsertItem(const LVITEM* item) { return Send(LVM_INSERTITEM, 0, item); }
  int InsertItem(int index, LPCSTR label);
  int InsertItem(int index, LPCSTR label, int image);
  int InsertItem(UINT mask, int index, LPCSTR label, UINT state, UINT stateMask, int image, LPARAM data);
  BOOL DeleteItem(int index) { return Send(LVM_DELETEITEM, static_cast<WPARAM>(index)); }
  BOOL DeleteAllItems() { return Send(LVM_DELETEALLITEMS); }
  int GetItemCount() const { return Query(LVM_GETITEMCOUNT); }
  BOOL GetItem(LVITEM* item) const { return Query(LVM_GETITEM, 0, item); }
  BOOL SetItem(const LVITEM* item) { return Send(LVM_SETITEM, 0, item); }
  BOOL SetItemText(int index, int subItem, LPCSTR text);
  CString GetItemText(int index, int subItem) const;
  int GetItemText(int index, int subItem, LPSTR buffer, int length) const;
  BOOL SetItemData(int index, DWORD_PTR data);
  DWORD_PTR GetItemData(int index) const;
  BOOL SetItemState(int index, UINT state, UINT mask);
  UINT GetItemState(int index, UINT mask) const {
    return static_cast<UINT>(::SendMessage(m_hWnd, LVM_GETITEMSTATE, static_cast<WPARAM>(index), mask));
  }
  int GetNextItem(int start, int flags) const {
    return static_cast<int>(::SendMessage(m_hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(static_cast<WORD>(flags), 0)));
  }
  UINT GetSelectedCount() const { return static_cast<UINT>(Query(LVM_GETSELECTEDCOUNT)); }
  // Walks the selected items: the position is the index + 1, null when there are no more.
  POSITION GetFirstSelectedItemPosition() const;
  int GetNextSelectedItem(POSITION& position) const;
  BOOL EnsureVisible(int index, BOOL partialOK) { return Send(LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), reinterpret_cast<void*>(static_cast<std::intptr_t>(partialOK))); }
  int GetTopIndex() const { return Query(LVM_GETTOPINDEX); }
  int GetCountPerPage() const { return Query(LVM_GETCOUNTPERPAGE); }
  BOOL GetItemRect(int index, LPRECT rect, UINT code) const;
  int HitTest(LVHITTESTINFO* info) const { return Query(LVM_HITTEST, 0, info); }
  int HitTest(CPoint point, UINT* flags = nullptr) const;
  int SubItemHitTest(LVHITTESTINFO* info) { return Send(LVM_SUBITEMHITTEST, 0, info); }
  int FindItem(LVFINDINFO* find, int start = -1) const { return Query(LVM_FINDITEM, static_cast<WPARAM>(start), find); }
  BOOL SortItems(PFNLVCOMPARE compare, DWORD_PTR data) {
    return static_cast<BOOL>(SendMessage(LVM_SORTITEMS, data, reinterpret_cast<LPARAM>(compare)));
  }
  DWORD SetExtendedStyle(DWORD style) { return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style)); }
  DWORD GetExtendedStyle() const { return static_cast<DWORD>(Query(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
  CImageList* SetImageList(CImageList* list, int which);
  HIMAGELIST GetImageList(int which) const {
    return reinterpret_cast<HIMAGELIST>(::SendMessage(m_hWnd, LVM_GETIMAGELIST, static_cast<WPARAM>(which), 0));
  }
  BOOL SetBkColor(COLORREF color) { return static_cast<BOOL>(SendMessage(LVM_SETBKCOLOR, 0, color)); }
  BOOL SetTextColor(COLORREF color) { return static_cast<BOOL>(SendMessage(LVM_SETTEXTCOLOR, 0, color)); }
  BOOL SetTextBkColor(COLORREF color) { return static_cast<BOOL>(SendMessage(LVM_SETTEXTBKCOLOR, 0, color)); }
  // Starts in-place editing of the item's label; the edit control, or null when it was refused.
  CEdit* EditLabel(int index);
  CEdit* GetEditControl() const;

 private:
  template <class Pointer = void*>
  int Send(UINT message, WPARAM wParam = 0, Pointer pointer = nullptr) {
    return static_cast<int>(SendMessage(message, wParam, reinterpret_cast<LPARAM>(pointer)));
  }
  template <class Pointer = void*>
  int Query(UINT message, WPARAM wParam = 0, Pointer pointer = nullptr) const {
    return static_cast<int>(::SendMessage(m_hWnd, message, wParam, reinterpret_cast<LPARAM>(pointer)));
  }
};

class CProgressCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  void SetRange(short low, short high) { SendMessage(PBM_SETRANGE, 0, MAKELPARAM(static_cast<WORD>(low), static_cast<WORD>(high))); }
  void SetRange32(int low, int high) { SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(low), high); }
  void GetRange(int& low, int& high) const;
  int SetPos(int position) { return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(position))); }
  int GetPos() const { return static_cast<int>(::SendMessage(m_hWnd, PBM_GETPOS, 0, 0)); }
  int OffsetPos(int delta) { return static_cast<int>(SendMessage(PBM_DELTAPOS, static_cast<WPARAM>(delta))); }
  int SetStep(int step) { return static_cast<int>(SendMessage(PBM_SETSTEP, static_cast<WPARAM>(step))); }
  int StepIt() { return static_cast<int>(SendMessage(PBM_STEPIT)); }
  COLORREF SetBarColor(COLORREF color) { return static_cast<COLORREF>(SendMessage(PBM_SETBARCOLOR, 0, color)); }
};

class CSliderCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  void SetRange(int low, int high, BOOL redraw = FALSE) {
    SendMessage(TBM_SETRANGE, redraw, MAKELPARAM(static_cast<WORD>(low), static_cast<WORD>(high)));
  }
  void GetRange(int& low, int& high) const;
  int GetRangeMin() const { return static_cast<int>(::SendMessage(m_hWnd, TBM_GETRANGEMIN, 0, 0)); }
  int GetRangeMax() const { return static_cast<int>(::SendMessage(m_hWnd, TBM_GETRANGEMAX, 0, 0)); }
  void SetRangeMin(int low, BOOL redraw = FALSE) { SendMessage(TBM_SETRANGEMIN, redraw, low); }
  void SetRangeMax(int high, BOOL redraw = FALSE) { SendMessage(TBM_SETRANGEMAX, redraw, high); }
  void SetPos(int position) { SendMessage(TBM_SETPOS, TRUE, position); }
  int GetPos() const { return static_cast<int>(::SendMessage(m_hWnd, TBM_GETPOS, 0, 0)); }
  void SetTicFreq(int frequency) { SendMessage(TBM_SETTICFREQ, static_cast<WPARAM>(frequency)); }
  int SetPageSize(int size) { return static_cast<int>(SendMessage(TBM_SETPAGESIZE, 0, size)); }
  int SetLineSize(int size) { return static_cast<int>(SendMessage(TBM_SETLINESIZE, 0, size)); }
};

class CTreeCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

  HTREEITEM InsertItem(const TVINSERTSTRUCT* insert) {
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(insert)));
  }
  HTREEITEM InsertItem(UINT mask, LPCSTR text, int image, int selectedImage, UINT state, UINT stateMask, LPARAM data,
                       HTREEITEM parent, HTREEITEM after);
  HTREEITEM InsertItem(LPCSTR text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST);
  HTREEITEM InsertItem(LPCSTR text, int image, int selectedImage, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST);
  BOOL DeleteItem(HTREEITEM item) { return Send(TVM_DELETEITEM, 0, item) != 0; }
  BOOL DeleteAllItems() { return Send(TVM_DELETEITEM, 0, TVI_ROOT) != 0; }
  BOOL Expand(HTREEITEM item, UINT code) { return Send(TVM_EXPAND, code, item) != 0; }
  HTREEITEM GetNextItem(HTREEITEM item, UINT code) const {
    return reinterpret_cast<HTREEITEM>(::SendMessage(m_hWnd, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
  }
  HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
  HTREEITEM GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
  HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
  HTREEITEM GetPrevSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PREVIOUS); }
  HTREEITEM GetParentItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PARENT); }
  HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
  HTREEITEM GetDropHilightItem() const { return GetNextItem(nullptr, TVGN_DROPHILITE); }
  HTREEITEM GetFirstVisibleItem() const { return GetNextItem(nullptr, TVGN_FIRSTVISIBLE); }
  HTREEITEM GetNextVisibleItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXTVISIBLE); }
  HTREEITEM GetPrevVisibleItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PREVIOUSVISIBLE); }
  BOOL Select(HTREEITEM item, UINT code) { return Send(TVM_SELECTITEM, code, item) != 0; }
  BOOL SelectItem(HTREEITEM item) { return Select(item, TVGN_CARET); }
  BOOL SelectDropTarget(HTREEITEM item) { return Select(item, TVGN_DROPHILITE); }
  BOOL SelectSetFirstVisible(HTREEITEM item) { return Select(item, TVGN_FIRSTVISIBLE); }
  BOOL GetItem(TVITEM* item) const { return ::SendMessage(m_hWnd, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(item)) != 0; }
  BOOL SetItem(TVITEM* item) { return Send(TVM_SETITEM, 0, item) != 0; }
  CString GetItemText(HTREEITEM item) const;
  BOOL SetItemText(HTREEITEM item, LPCSTR text);
  DWORD_PTR GetItemData(HTREEITEM item) const;
  BOOL SetItemData(HTREEITEM item, DWORD_PTR data);
  BOOL GetItemImage(HTREEITEM item, int& image, int& selectedImage) const;
  BOOL SetItemImage(HTREEITEM item, int image, int selectedImage);
  UINT GetItemState(HTREEITEM item, UINT mask) const {
    return static_cast<UINT>(::SendMessage(m_hWnd, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask));
  }
  BOOL SetItemState(HTREEITEM item, UINT state, UINT mask);
  BOOL ItemHasChildren(HTREEITEM item) const;
  UINT GetCount() const { return static_cast<UINT>(::SendMessage(m_hWnd, TVM_GETCOUNT, 0, 0)); }
  UINT GetVisibleCount() const { return static_cast<UINT>(::SendMessage(m_hWnd, TVM_GETVISIBLECOUNT, 0, 0)); }
  HTREEITEM HitTest(CPoint point, UINT* flags = nullptr) const;
  HTREEITEM HitTest(TVHITTESTINFO* info) const {
    return reinterpret_cast<HTREEITEM>(::SendMessage(m_hWnd, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(info)));
  }
  CImageList* SetImageList(CImageList* list, int which);
  HIMAGELIST GetImageList(int which) const {
    return reinterpret_cast<HIMAGELIST>(::SendMessage(m_hWnd, TVM_GETIMAGELIST, static_cast<WPARAM>(which), 0));
  }
  BOOL EnsureVisible(HTREEITEM item) { return Send(TVM_ENSUREVISIBLE, 0, item) != 0; }
  BOOL GetItemRect(HTREEITEM item, LPRECT rect, BOOL textOnly) const;
  // The item's image as an image list of its own; the caller deletes it.
  CImageList* CreateDragImage(HTREEITEM item);
  BOOL SortChildren(HTREEITEM item) { return Send(TVM_SORTCHILDREN, 0, item) != 0; }
  UINT GetIndent() const { return static_cast<UINT>(::SendMessage(m_hWnd, TVM_GETINDENT, 0, 0)); }
  void SetIndent(UINT indent) { SendMessage(TVM_SETINDENT, indent); }
  SHORT GetItemHeight() const { return static_cast<SHORT>(::SendMessage(m_hWnd, TVM_GETITEMHEIGHT, 0, 0)); }
  SHORT SetItemHeight(SHORT height) { return static_cast<SHORT>(SendMessage(TVM_SETITEMHEIGHT, static_cast<WPARAM>(height))); }

 private:
  template <class Pointer>
  LRESULT Send(UINT message, WPARAM wParam, Pointer pointer) {
    return SendMessage(message, wParam, reinterpret_cast<LPARAM>(pointer));
  }
};

class CTabCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  LONG InsertItem(int index, LPCSTR text);
  LONG InsertItem(int index, TCITEM* item) {
    return static_cast<LONG>(SendMessage(TCM_INSERTITEM, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item)));
  }
  int GetCurSel() const { return static_cast<int>(::SendMessage(m_hWnd, TCM_GETCURSEL, 0, 0)); }
  int SetCurSel(int index) { return static_cast<int>(SendMessage(TCM_SETCURSEL, static_cast<WPARAM>(index))); }
  int GetItemCount() const { return static_cast<int>(::SendMessage(m_hWnd, TCM_GETITEMCOUNT, 0, 0)); }
  BOOL DeleteItem(int index) { return static_cast<BOOL>(SendMessage(TCM_DELETEITEM, static_cast<WPARAM>(index))); }
  BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(TCM_DELETEALLITEMS)); }
  BOOL GetItemRect(int index, LPRECT rect) const {
    return static_cast<BOOL>(::SendMessage(m_hWnd, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect)));
  }
  void AdjustRect(BOOL larger, LPRECT rect) { SendMessage(TCM_ADJUSTRECT, larger, reinterpret_cast<LPARAM>(rect)); }
};

class COleDateTime;
class CTime;

class CDateTimeCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  // FALSE when the control shows no date (DTS_SHOWNONE) or the date is not valid.
  BOOL GetTime(COleDateTime& time) const;
  BOOL GetTime(CTime& time) const;
  DWORD GetTime(SYSTEMTIME* time) const {
    return static_cast<DWORD>(::SendMessage(m_hWnd, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(time)));
  }
  BOOL SetTime(const COleDateTime& time);
  BOOL SetTime(const CTime* time);
  BOOL SetTime(const SYSTEMTIME* time) {
    return static_cast<BOOL>(SendMessage(DTM_SETSYSTEMTIME, time ? GDT_VALID : GDT_NONE, reinterpret_cast<LPARAM>(time)));
  }
  BOOL SetRange(const COleDateTime* minimum, const COleDateTime* maximum);
  BOOL SetFormat(LPCSTR format) { return static_cast<BOOL>(SendMessage(DTM_SETFORMAT, 0, reinterpret_cast<LPARAM>(format))); }
};

class CSpinButtonCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  void SetRange(short low, short high) {
    SendMessage(UDM_SETRANGE, 0, MAKELPARAM(static_cast<WORD>(high), static_cast<WORD>(low)));
  }
  void SetRange32(int low, int high) { SendMessage(UDM_SETRANGE32, static_cast<WPARAM>(low), high); }
  void GetRange32(int& low, int& high) const {
    ::SendMessage(m_hWnd, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
  }
  int SetPos(int position) { return static_cast<int>(SendMessage(UDM_SETPOS32, 0, position)); }
  int GetPos() const { return static_cast<int>(::SendMessage(m_hWnd, UDM_GETPOS32, 0, 0)); }
  CWnd* SetBuddy(CWnd* buddy) {
    return FromHandle(reinterpret_cast<HWND>(SendMessage(UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy ? buddy->m_hWnd : nullptr))));
  }
  CWnd* GetBuddy() const { return FromHandle(reinterpret_cast<HWND>(::SendMessage(m_hWnd, UDM_GETBUDDY, 0, 0))); }
};

class CIPAddressCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
  BOOL IsBlank() const { return static_cast<BOOL>(::SendMessage(m_hWnd, IPM_ISBLANK, 0, 0)); }
  void ClearAddress() { SendMessage(IPM_CLEARADDRESS); }
  void SetAddress(DWORD address) { SendMessage(IPM_SETADDRESS, 0, static_cast<LPARAM>(address)); }
  void SetAddress(BYTE b1, BYTE b2, BYTE b3, BYTE b4) { SetAddress(MAKEIPADDRESS(b1, b2, b3, b4)); }
  // Returns how many fields are not blank.
  int GetAddress(DWORD& address) const {
    return static_cast<int>(::SendMessage(m_hWnd, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address)));
  }
  int GetAddress(BYTE& b1, BYTE& b2, BYTE& b3, BYTE& b4) const;
  void SetFieldRange(int field, BYTE low, BYTE high) {
    SendMessage(IPM_SETRANGE, static_cast<WPARAM>(field), MAKEWORD(low, high));
  }
  void SetFieldFocus(WORD field) { SendMessage(IPM_SETFOCUS, field); }
};
