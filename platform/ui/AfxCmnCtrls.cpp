// The framework's common-control classes.
#include "platform/ui/AfxCmnCtrls.h"

#include <string>

#include "platform/core/DateTime.h"

#include "platform/ui/gdi/Gdi.h"

namespace {

template <class Control>
CWnd* MakeWrapperOf() {
  return new Control;
}

}  // namespace

void qh::ui::RegisterCommonWrappers() {
  qh::ui::RegisterWrapperClass(WC_LISTVIEW, &MakeWrapperOf<CListCtrl>);
  qh::ui::RegisterWrapperClass(PROGRESS_CLASS, &MakeWrapperOf<CProgressCtrl>);
  qh::ui::RegisterWrapperClass(TRACKBAR_CLASS, &MakeWrapperOf<CSliderCtrl>);
  qh::ui::RegisterWrapperClass(WC_TREEVIEW, &MakeWrapperOf<CTreeCtrl>);
  qh::ui::RegisterWrapperClass(WC_TABCONTROL, &MakeWrapperOf<CTabCtrl>);
  qh::ui::RegisterWrapperClass(DATETIMEPICK_CLASS, &MakeWrapperOf<CDateTimeCtrl>);
  qh::ui::RegisterWrapperClass(UPDOWN_CLASS, &MakeWrapperOf<CSpinButtonCtrl>);
  qh::ui::RegisterWrapperClass(WC_IPADDRESS, &MakeWrapperOf<CIPAddressCtrl>);
}

namespace {

BOOL CreateCommon(CWnd& control, LPCSTR className, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  qh::ui::RegisterCommonControls();
  return control.CreateEx(0, className, "", style | WS_CHILD, rect, parent, id);
}

}  // namespace

// ---- CImageList ----
BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
  DeleteImageList();
  m_hImageList = ImageList_Create(cx, cy, flags, initial, grow);
  return m_hImageList != nullptr;
}

BOOL CImageList::Create(UINT bitmapId, int cx, int grow, COLORREF mask) {
  HBITMAP strip = ::LoadBitmap(nullptr, MAKEINTRESOURCE(bitmapId));
  if (!strip) return FALSE;
  BITMAP info{};
  ::GetObject(strip, sizeof info, &info);
  BOOL made = Create(cx, info.bmHeight, ILC_COLOR24 | (mask == CLR_NONE ? 0u : static_cast<UINT>(ILC_MASK)), 0, grow);
  if (made) ImageList_AddMasked(m_hImageList, strip, mask);
  ::DeleteObject(strip);
  return made;
}

BOOL CImageList::DeleteImageList() {
  if (!m_hImageList) return FALSE;
  ImageList_Destroy(m_hImageList);
  m_hImageList = nullptr;
  return TRUE;
}

int CImageList::Add(CBitmap* image, CBitmap* mask) {
  return image ? ImageList_Add(m_hImageList, *image, mask ? static_cast<HBITMAP>(*mask) : nullptr) : -1;
}

int CImageList::Add(CBitmap* image, COLORREF mask) { return image ? ImageList_AddMasked(m_hImageList, *image, mask) : -1; }

// ---- CListCtrl ----
BOOL CListCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateCommon(*this, WC_LISTVIEW, style, rect, parent, id);
}

int CListCtrl::InsertColumn(int index, LPCSTR heading, int format, int width, int subItem) {
  LVCOLUMN column;
  column.mask = LVCF_TEXT | LVCF_FMT;
  column.pszText = const_cast<LPSTR>(heading);
  column.fmt = format;
  if (width != -1) {
    column.mask |= LVCF_WIDTH;
    column.cx = width;
  }
  if (subItem != -1) {
    column.mask |= LVCF_SUBITEM;
    column.iSubItem = subItem;
  }
  return InsertColumn(index, &column);
}

int CListCtrl::InsertItem(int index, LPCSTR label) { return InsertItem(LVIF_TEXT, index, label, 0, 0, 0, 0); }
int CListCtrl::InsertItem(int index, LPCSTR label, int image) {
  return InsertItem(LVIF_TEXT | LVIF_IMAGE, index, label, 0, 0, image, 0);
}
int CListCtrl::InsertItem(UINT mask, int index, LPCSTR label, UINT state, UINT stateMask, int image, LPARAM data) {
  LVITEM item;
  item.mask = mask;
  item.iItem = index;
  item.pszText = const_cast<LPSTR>(label);
  item.state = state;
  item.stateMask = stateMask;
  item.iImage = image;
  item.lParam = data;
  return InsertItem(&item);
}

BOOL CListCtrl::SetItemText(int index, int subItem, LPCSTR text) {
  LVITEM item;
  item.iSubItem = subItem;
  item.pszText = const_cast<LPSTR>(text);
  return Send(LVM_SETITEMTEXT, static_cast<WPARAM>(index), &item);
}

int CListCtrl::GetItemText(int index, int subItem, LPSTR buffer, int length) const {
  LVITEM item;
  item.iSubItem = subItem;
  item.pszText = buffer;
  item.cchTextMax = length;
  return Query(LVM_GETITEMTEXT, static_cast<WPARAM>(index), &item);
}

CString CListCtrl::GetItemText(int index, int subItem) const {
  std::string buffer(4096, '\0');
  int length = GetItemText(index, subItem, buffer.data(), static_cast<int>(buffer.size()));
  buffer.resize(static_cast<std::size_t>(std::max(length, 0)));
  return CString(buffer);
}

BOOL CListCtrl::SetItemData(int index, DWORD_PTR data) {
  LVITEM item;
  item.mask = LVIF_PARAM;
  item.iItem = index;
  item.lParam = static_cast<LPARAM>(data);
  return SetItem(&item);
}

DWORD_PTR CListCtrl::GetItemData(int index) const {
  LVITEM item;
  item.mask = LVIF_PARAM;
  item.iItem = index;
  return GetItem(&item) ? static_cast<DWORD_PTR>(item.lParam) : 0;
}

BOOL CListCtrl::SetItemState(int index, UINT state, UINT mask) {
  LVITEM item;
  item.state = state;
  item.stateMask = mask;
  return Send(LVM_SETITEMSTATE, static_cast<WPARAM>(index), &item);
}

POSITION CListCtrl::GetFirstSelectedItemPosition() const {
  int first = GetNextItem(-1, LVNI_SELECTED);
  return first < 0 ? nullptr : reinterpret_cast<POSITION>(static_cast<std::intptr_t>(first + 1));
}

int CListCtrl::GetNextSelectedItem(POSITION& position) const {
  int index = static_cast<int>(reinterpret_cast<std::intptr_t>(position)) - 1;
  int next = GetNextItem(index, LVNI_SELECTED);
  position = next < 0 ? nullptr : reinterpret_cast<POSITION>(static_cast<std::intptr_t>(next + 1));
  return index;
}

BOOL CListCtrl::GetItemRect(int index, LPRECT rect, UINT code) const {
  if (!rect) return FALSE;
  rect->left = static_cast<LONG>(code);
  return Query(LVM_GETITEMRECT, static_cast<WPARAM>(index), rect);
}

int CListCtrl::HitTest(CPoint point, UINT* flags) const {
  LVHITTESTINFO info;
  info.pt = point;
  int index = HitTest(&info);
  if (flags) *flags = info.flags;
  return index;
}

CImageList* CListCtrl::SetImageList(CImageList* list, int which) {
  SendMessage(LVM_SETIMAGELIST, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(list ? list->m_hImageList : nullptr));
  return nullptr;  // the previous list's object is not known here
}

CEdit* CListCtrl::EditLabel(int index) {
  auto editor = reinterpret_cast<HWND>(SendMessage(LVM_EDITLABEL, static_cast<WPARAM>(index)));
  return static_cast<CEdit*>(FromHandle(editor));
}

CEdit* CListCtrl::GetEditControl() const {
  auto editor = reinterpret_cast<HWND>(::SendMessage(m_hWnd, LVM_GETEDITCONTROL, 0, 0));
  return static_cast<CEdit*>(FromHandle(editor));
}

// ---- CProgressCtrl / CSliderCtrl ----
BOOL CProgressCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateCommon(*this, PROGRESS_CLASS, style, rect, parent, id);
}
void CProgressCtrl::GetRange(int& low, int& high) const {
  PBRANGE range;
  ::SendMessage(m_hWnd, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
  low = range.iLow;
  high = range.iHigh;
}

BOOL CSliderCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateCommon(*this, TRACKBAR_CLASS, style, rect, parent, id);
}
void CSliderCtrl::GetRange(int& low, int& high) const {
  low = GetRangeMin();
  high = GetRangeMax();
}

// ---- CTreeCtrl ----
BOOL CTreeCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateCommon(*this, WC_TREEVIEW, style, rect, parent, id);
}

HTREEITEM CTreeCtrl::InsertItem(UINT mask, LPCSTR text, int image, int selectedImage, UINT state, UINT stateMask,
                                LPARAM data, HTREEITEM parent, HTREEITEM after) {
  TVINSERTSTRUCT insert;
  insert.hParent = parent;
  insert.hInsertAfter = after;
  insert.item.mask = mask;
  insert.item.pszText = const_cast<LPSTR>(text);
  insert.item.iImage = image;
  insert.item.iSelectedImage = selectedImage;
  insert.item.state = state;
  insert.item.stateMask = stateMask;
  insert.item.lParam = data;
  return InsertItem(&insert);
}

HTREEITEM CTreeCtrl::InsertItem(LPCSTR text, HTREEITEM parent, HTREEITEM after) {
  return InsertItem(TVIF_TEXT, text, 0, 0, 0, 0, 0, parent, after);
}

HTREEITEM CTreeCtrl::InsertItem(LPCSTR text, int image, int selectedImage, HTREEITEM parent, HTREEITEM after) {
  return InsertItem(TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE, text, image, selectedImage, 0, 0, 0, parent, after);
}

CString CTreeCtrl::GetItemText(HTREEITEM item) const {
  std::string buffer(4096, '\0');
  TVITEM view;
  view.mask = TVIF_TEXT;
  view.hItem = item;
  view.pszText = buffer.data();
  view.cchTextMax = static_cast<int>(buffer.size());
  if (!GetItem(&view)) return CString();
  return CString(buffer.c_str());
}

BOOL CTreeCtrl::SetItemText(HTREEITEM item, LPCSTR text) {
  TVITEM view;
  view.mask = TVIF_TEXT;
  view.hItem = item;
  view.pszText = const_cast<LPSTR>(text);
  return SetItem(&view);
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM item) const {
  TVITEM view;
  view.mask = TVIF_PARAM;
  view.hItem = item;
  return GetItem(&view) ? static_cast<DWORD_PTR>(view.lParam) : 0;
}

BOOL CTreeCtrl::SetItemData(HTREEITEM item, DWORD_PTR data) {
  TVITEM view;
  view.mask = TVIF_PARAM;
  view.hItem = item;
  view.lParam = static_cast<LPARAM>(data);
  return SetItem(&view);
}

BOOL CTreeCtrl::GetItemImage(HTREEITEM item, int& image, int& selectedImage) const {
  TVITEM view;
  view.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  view.hItem = item;
  if (!GetItem(&view)) return FALSE;
  image = view.iImage;
  selectedImage = view.iSelectedImage;
  return TRUE;
}

BOOL CTreeCtrl::SetItemImage(HTREEITEM item, int image, int selectedImage) {
  TVITEM view;
  view.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  view.hItem = item;
  view.iImage = image;
  view.iSelectedImage = selectedImage;
  return SetItem(&view);
}

BOOL CTreeCtrl::SetItemState(HTREEITEM item, UINT state, UINT mask) {
  TVITEM view;
  view.mask = TVIF_STATE;
  view.hItem = item;
  view.state = state;
  view.stateMask = mask;
  return SetItem(&view);
}

BOOL CTreeCtrl::ItemHasChildren(HTREEITEM item) const {
  TVITEM view;
  view.mask = TVIF_CHILDREN;
  view.hItem = item;
  return GetItem(&view) && view.cChildren > 0;
}

HTREEITEM CTreeCtrl::HitTest(CPoint point, UINT* flags) const {
  TVHITTESTINFO info;
  info.pt = point;
  HTREEITEM item = HitTest(&info);
  if (flags) *flags = info.flags;
  return item;
}

CImageList* CTreeCtrl::SetImageList(CImageList* list, int which) {
  SendMessage(TVM_SETIMAGELIST, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(list ? list->m_hImageList : nullptr));
  return nullptr;  // the previous list's object is not known here
}

BOOL CTreeCtrl::GetItemRect(HTREEITEM item, LPRECT rect, BOOL textOnly) const {
  if (!rect) return FALSE;
  *reinterpret_cast<HTREEITEM*>(rect) = item;
  return ::SendMessage(m_hWnd, TVM_GETITEMRECT, textOnly, reinterpret_cast<LPARAM>(rect)) != 0;
}

CImageList* CTreeCtrl::CreateDragImage(HTREEITEM item) {
  auto list = reinterpret_cast<HIMAGELIST>(SendMessage(TVM_CREATEDRAGIMAGE, 0, reinterpret_cast<LPARAM>(item)));
  if (!list) return nullptr;
  auto* wrapper = new CImageList;
  wrapper->m_hImageList = list;
  return wrapper;
}

// ---- CTabCtrl ----------------------------------------------------------------------------------------
BOOL CTabCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateCommon(*this, WC_TABCONTROL, style, rect, parent, id);
}

LONG CTabCtrl::InsertItem(int index, LPCSTR text) {
  TCITEM item;
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<LPSTR>(text);
  return InsertItem(index, &item);
}


// ---- CDateTimeCtrl / CSpinButtonCtrl ----
BOOL CDateTimeCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateCommon(*this, DATETIMEPICK_CLASS, style, rect, parent, id);
}

BOOL CDateTimeCtrl::GetTime(COleDateTime& time) const {
  SYSTEMTIME value;
  if (GetTime(&value) != GDT_VALID) {
    time.SetStatus(COleDateTime::null);
    return FALSE;
  }
  time = COleDateTime(value);
  return time.GetStatus() == COleDateTime::valid;
}

BOOL CDateTimeCtrl::GetTime(CTime& time) const {
  SYSTEMTIME value;
  if (GetTime(&value) != GDT_VALID) return FALSE;
  time = CTime(value);
  return TRUE;
}

BOOL CDateTimeCtrl::SetTime(const COleDateTime& time) {
  if (time.GetStatus() == COleDateTime::null) return SetTime(static_cast<const SYSTEMTIME*>(nullptr));
  SYSTEMTIME value;
  if (!time.GetAsSystemTime(value)) return FALSE;
  return SetTime(&value);
}

BOOL CDateTimeCtrl::SetTime(const CTime* time) {
  if (!time) return SetTime(static_cast<const SYSTEMTIME*>(nullptr));
  SYSTEMTIME value;
  if (!time->GetAsSystemTime(value)) return FALSE;
  return SetTime(&value);
}

BOOL CDateTimeCtrl::SetRange(const COleDateTime* minimum, const COleDateTime* maximum) {
  SYSTEMTIME range[2];
  WPARAM which = 0;
  if (minimum && minimum->GetAsSystemTime(range[0])) which |= GDTR_MIN;
  if (maximum && maximum->GetAsSystemTime(range[1])) which |= GDTR_MAX;
  return static_cast<BOOL>(SendMessage(DTM_SETRANGE, which, reinterpret_cast<LPARAM>(range)));
}

BOOL CSpinButtonCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateCommon(*this, UPDOWN_CLASS, style, rect, parent, id);
}

// ---- CIPAddressCtrl ----
BOOL CIPAddressCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CreateCommon(*this, WC_IPADDRESS, style, rect, parent, id);
}

int CIPAddressCtrl::GetAddress(BYTE& b1, BYTE& b2, BYTE& b3, BYTE& b4) const {
  DWORD address = 0;
  int filled = GetAddress(address);
  b1 = FIRST_IPADDRESS(address);
  b2 = SECOND_IPADDRESS(address);
  b3 = THIRD_IPADDRESS(address);
  b4 = FOURTH_IPADDRESS(address);
  return filled;
}
