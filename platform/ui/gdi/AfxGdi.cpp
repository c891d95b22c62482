#include "platform/ui/gdi/AfxGdi.h"

#include <cstring>
#include <memory>
#include <unordered_map>

#include "platform/ui/gdi/GdiInternal.h"

namespace {

// Wrappers handed out by FromHandle; they never own their handle and live until it goes away.
struct TemporaryWrappers {
  std::unordered_map<void*, std::unique_ptr<CGdiObject>> objects;
  std::unordered_map<void*, std::unique_ptr<CDC>> dcs;
  ~TemporaryWrappers() {
    for (auto& [handle, wrapper] : objects) wrapper->Detach();
    for (auto& [handle, wrapper] : dcs) wrapper->Detach();
  }
};
thread_local TemporaryWrappers t_wrappers;

template <class Wrapper>
Wrapper* WrapObject(HGDIOBJ handle) {
  if (!handle) return nullptr;
  auto& slot = t_wrappers.objects[handle];
  if (!slot || !dynamic_cast<Wrapper*>(slot.get())) {
    if (slot) slot->Detach();
    auto wrapper = std::make_unique<Wrapper>();
    wrapper->m_hObject = handle;
    slot = std::move(wrapper);
  }
  return static_cast<Wrapper*>(slot.get());
}

}  // namespace

namespace qh::gdi {
void ForgetWrappers(void* handle) {
  if (auto it = t_wrappers.objects.find(handle); it != t_wrappers.objects.end()) {
    it->second->Detach();
    t_wrappers.objects.erase(it);
  }
  if (auto it = t_wrappers.dcs.find(handle); it != t_wrappers.dcs.end()) {
    it->second->Detach();
    t_wrappers.dcs.erase(it);
  }
}
}  // namespace qh::gdi

// ---- CGdiObject and kinds ------------------------------------------------------------------------------

CGdiObject::~CGdiObject() { DeleteObject(); }

BOOL CGdiObject::Attach(HGDIOBJ object) {
  if (!object) return FALSE;
  m_hObject = object;
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ h = m_hObject;
  m_hObject = nullptr;
  return h;
}

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  HGDIOBJ h = Detach();
  return ::DeleteObject(h);
}

BOOL CGdiObject::CreateStockObject(int index) { return Attach(::GetStockObject(index)); }

CGdiObject* CGdiObject::FromHandle(HGDIOBJ object) { return WrapObject<CGdiObject>(object); }
CBitmap* CBitmap::FromHandle(HBITMAP bitmap) { return WrapObject<CBitmap>(bitmap); }
CBrush* CBrush::FromHandle(HBRUSH brush) { return WrapObject<CBrush>(brush); }
CPen* CPen::FromHandle(HPEN pen) { return WrapObject<CPen>(pen); }
CFont* CFont::FromHandle(HFONT font) { return WrapObject<CFont>(font); }
CRgn* CRgn::FromHandle(HRGN region) { return WrapObject<CRgn>(region); }

BOOL CBitmap::LoadBitmap(UINT resourceId) { return Attach(::LoadBitmap(nullptr, MAKEINTRESOURCE(resourceId))); }
BOOL CBitmap::LoadBitmap(LPCSTR resourceName) { return Attach(::LoadBitmap(nullptr, resourceName)); }
BOOL CBitmap::CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  return Attach(::CreateBitmap(width, height, planes, bitsPerPixel, bits));
}
BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
  return Attach(::CreateCompatibleBitmap(dc ? dc->GetSafeHdc() : nullptr, width, height));
}

BOOL CBrush::CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }
BOOL CBrush::CreatePatternBrush(CBitmap* pattern) {
  return pattern ? Attach(::CreatePatternBrush(static_cast<HBITMAP>(pattern->m_hObject))) : FALSE;
}

BOOL CPen::CreatePen(int style, int width, COLORREF color) { return Attach(::CreatePen(style, width, color)); }

BOOL CFont::CreateFontIndirect(const LOGFONT* font) { return Attach(::CreateFontIndirect(font)); }
BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                       BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision,
                       BYTE quality, BYTE pitchAndFamily, LPCSTR face) {
  return Attach(::CreateFont(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
                             outPrecision, clipPrecision, quality, pitchAndFamily, face));
}
BOOL CFont::CreatePointFont(int tenthsOfPoint, LPCSTR face, CDC*) {
  LOGFONT log;
  // Points to pixels at 96 per inch, as a character height.
  log.lfHeight = -static_cast<LONG>((tenthsOfPoint * 96 + 360) / 720);
  log.lfWeight = FW_NORMAL;
  if (face) std::strncpy(log.lfFaceName, face, LF_FACESIZE - 1);
  return CreateFontIndirect(&log);
}

BOOL CRgn::CreateRectRgn(int l, int t, int r, int b) { return Attach(::CreateRectRgn(l, t, r, b)); }
BOOL CRgn::CreateRectRgnIndirect(const RECT* rect) { return Attach(::CreateRectRgnIndirect(rect)); }
BOOL CRgn::CreateEllipticRgn(int l, int t, int r, int b) { return Attach(::CreateEllipticRgn(l, t, r, b)); }
BOOL CRgn::CreateEllipticRgnIndirect(const RECT* rect) { return Attach(::CreateEllipticRgnIndirect(rect)); }
BOOL CRgn::CreateRoundRectRgn(int l, int t, int r, int b, int w, int h) {
  return Attach(::CreateRoundRectRgn(l, t, r, b, w, h));
}
BOOL CRgn::CreatePolygonRgn(const POINT* points, int count, int fillMode) {
  return Attach(::CreatePolygonRgn(points, count, fillMode));
}
int CRgn::CombineRgn(const CRgn* a, const CRgn* b, int mode) {
  return ::CombineRgn(*this, a ? static_cast<HRGN>(*a) : nullptr, b ? static_cast<HRGN>(*b) : nullptr, mode);
}
int CRgn::CopyRgn(const CRgn* source) { return CombineRgn(source, nullptr, RGN_COPY); }
void CRgn::SetRectRgn(int l, int t, int r, int b) { ::SetRectRgn(*this, l, t, r, b); }
void CRgn::SetRectRgn(const RECT* rect) { ::SetRectRgn(*this, rect->left, rect->top, rect->right, rect->bottom); }
BOOL CRgn::PtInRegion(int x, int y) const { return ::PtInRegion(*this, x, y); }
BOOL CRgn::RectInRegion(const RECT* rect) const { return ::RectInRegion(*this, rect); }
BOOL CRgn::EqualRgn(const CRgn* other) const { return other && ::EqualRgn(*this, *other); }
int CRgn::OffsetRgn(int dx, int dy) { return ::OffsetRgn(*this, dx, dy); }
int CRgn::GetRgnBox(LPRECT box) const { return ::GetRgnBox(*this, box); }

// ---- CDC ---------------------------------------------------------------------------------------------

CDC::~CDC() {
  if (m_hDC) ::DeleteDC(Detach());
}

BOOL CDC::Attach(HDC dc) {
  if (!dc) return FALSE;
  m_hDC = dc;
  return TRUE;
}

HDC CDC::Detach() {
  HDC h = m_hDC;
  m_hDC = nullptr;
  return h;
}

CDC* CDC::FromHandle(HDC dc) {
  if (!dc) return nullptr;
  auto& slot = t_wrappers.dcs[dc];
  if (!slot) {
    slot = std::make_unique<CDC>();
    slot->m_hDC = dc;
  }
  return slot.get();
}

BOOL CDC::CreateCompatibleDC(CDC* dc) { return Attach(::CreateCompatibleDC(dc ? dc->GetSafeHdc() : nullptr)); }

BOOL CDC::DeleteDC() {
  if (!m_hDC) return FALSE;
  return ::DeleteDC(Detach());
}

CGdiObject* CDC::SelectStockObject(int index) {
  return CGdiObject::FromHandle(::SelectObject(m_hDC, ::GetStockObject(index)));
}
CPen* CDC::SelectObject(CPen* pen) {
  return pen ? CPen::FromHandle(static_cast<HPEN>(::SelectObject(m_hDC, pen->m_hObject))) : nullptr;
}
CBrush* CDC::SelectObject(CBrush* brush) {
  return brush ? CBrush::FromHandle(static_cast<HBRUSH>(::SelectObject(m_hDC, brush->m_hObject))) : nullptr;
}
CFont* CDC::SelectObject(CFont* font) {
  return font ? CFont::FromHandle(static_cast<HFONT>(::SelectObject(m_hDC, font->m_hObject))) : nullptr;
}
CBitmap* CDC::SelectObject(CBitmap* bitmap) {
  return bitmap ? CBitmap::FromHandle(static_cast<HBITMAP>(::SelectObject(m_hDC, bitmap->m_hObject))) : nullptr;
}
CGdiObject* CDC::SelectObject(CGdiObject* object) {
  return object ? CGdiObject::FromHandle(::SelectObject(m_hDC, object->m_hObject)) : nullptr;
}
int CDC::SelectObject(CRgn* region) { return SelectClipRgn(region); }
int CDC::SelectClipRgn(CRgn* region) {
  return ::SelectClipRgn(m_hDC, region ? static_cast<HRGN>(region->m_hObject) : nullptr);
}

POINT CDC::SetBrushOrg(int x, int y) {
  POINT old;
  ::SetBrushOrgEx(m_hDC, x, y, &old);
  return old;
}
POINT CDC::SetViewportOrg(int x, int y) {
  POINT old;
  ::SetViewportOrgEx(m_hDC, x, y, &old);
  return old;
}
POINT CDC::GetViewportOrg() const {
  POINT p;
  ::GetViewportOrgEx(m_hDC, &p);
  return p;
}
POINT CDC::OffsetViewportOrg(int dx, int dy) {
  POINT old;
  ::OffsetViewportOrgEx(m_hDC, dx, dy, &old);
  return old;
}

BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* source, int sourceX, int sourceY, DWORD rop) {
  return ::BitBlt(m_hDC, x, y, width, height, source ? source->m_hDC : nullptr, sourceX, sourceY, rop);
}
BOOL CDC::StretchBlt(int x, int y, int width, int height, CDC* source, int sourceX, int sourceY, int sourceWidth,
                     int sourceHeight, DWORD rop) {
  return ::StretchBlt(m_hDC, x, y, width, height, source ? source->m_hDC : nullptr, sourceX, sourceY, sourceWidth,
                      sourceHeight, rop);
}

void CDC::FillRect(const RECT* rect, CBrush* brush) {
  ::FillRect(m_hDC, rect, brush ? static_cast<HBRUSH>(brush->m_hObject) : nullptr);
}
void CDC::FrameRect(const RECT* rect, CBrush* brush) {
  ::FrameRect(m_hDC, rect, brush ? static_cast<HBRUSH>(brush->m_hObject) : nullptr);
}
BOOL CDC::FillRgn(CRgn* region, CBrush* brush) {
  return region && brush && ::FillRgn(m_hDC, *region, *brush);
}
BOOL CDC::FrameRgn(CRgn* region, CBrush* brush, int width, int height) {
  return region && brush && ::FrameRgn(m_hDC, *region, *brush, width, height);
}

// Like the framework, this leaves the DC's background colour set to `color`.
void CDC::FillSolidRect(const RECT* rect, COLORREF color) {
  ::SetBkColor(m_hDC, color);
  ::ExtTextOut(m_hDC, 0, 0, ETO_OPAQUE, rect, nullptr, 0, nullptr);
}
void CDC::FillSolidRect(int x, int y, int width, int height, COLORREF color) {
  const RECT r{x, y, x + width, y + height};
  FillSolidRect(&r, color);
}
void CDC::Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight) {
  Draw3dRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, topLeft, bottomRight);
}
void CDC::Draw3dRect(int x, int y, int width, int height, COLORREF topLeft, COLORREF bottomRight) {
  FillSolidRect(x, y, width - 1, 1, topLeft);
  FillSolidRect(x, y, 1, height - 1, topLeft);
  FillSolidRect(x + width - 1, y, 1, height, bottomRight);
  FillSolidRect(x, y + height - 1, width, 1, bottomRight);
}

POINT CDC::MoveTo(int x, int y) {
  POINT old;
  ::MoveToEx(m_hDC, x, y, &old);
  return old;
}

BOOL CDC::TextOut(int x, int y, LPCSTR text) {
  return text ? ::TextOut(m_hDC, x, y, text, static_cast<int>(std::strlen(text))) : FALSE;
}
BOOL CDC::ExtTextOut(int x, int y, UINT options, const RECT* rect, LPCSTR text, const INT* dx) {
  return ::ExtTextOut(m_hDC, x, y, options, rect, text, text ? static_cast<UINT>(std::strlen(text)) : 0, dx);
}
SIZE CDC::GetTextExtent(LPCSTR text, int length) const {
  SIZE s;
  ::GetTextExtentPoint32(m_hDC, text, length, &s);
  return s;
}
SIZE CDC::GetTextExtent(LPCSTR text) const {
  return GetTextExtent(text, text ? static_cast<int>(std::strlen(text)) : 0);
}

// ---- window DCs ---------------------------------------------------------------------------------------

CClientDC::CClientDC(HWND window) : m_hWnd(window) { Attach(::GetDC(window)); }
CClientDC::~CClientDC() {
  if (m_hDC) ::ReleaseDC(m_hWnd, Detach());
}

CWindowDC::CWindowDC(HWND window) : m_hWnd(window) { Attach(::GetWindowDC(window)); }
CWindowDC::~CWindowDC() {
  if (m_hDC) ::ReleaseDC(m_hWnd, Detach());
}

CPaintDC::CPaintDC(HWND window) : m_hWnd(window) { Attach(::BeginPaint(window, &m_ps)); }
CPaintDC::~CPaintDC() {
  if (m_hDC) {
    Detach();
    ::EndPaint(m_hWnd, &m_ps);
  }
}

CMemDC::CMemDC(CDC& target, const RECT* area) : target_(target) {
  if (area) area_ = *area;
  else target.GetClipBox(&area_);
  CreateCompatibleDC(&target);
  bitmap_.CreateCompatibleBitmap(&target, area_.right - area_.left, area_.bottom - area_.top);
  previous_ = SelectObject(&bitmap_);
  SetViewportOrg(-area_.left, -area_.top);
  // Start from what the target shows, so parts the drawing skips stay as they were.
  ::BitBlt(m_hDC, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, target.m_hDC,
           area_.left, area_.top, SRCCOPY);
}

CMemDC::~CMemDC() {
  SetViewportOrg(0, 0);
  ::BitBlt(target_.m_hDC, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, m_hDC, 0, 0,
           SRCCOPY);
  if (previous_) SelectObject(previous_);
}
