// The framework's drawing classes: thin owners of GDI handles (CGdiObject and its kinds) and device
// contexts (CDC and the window, client and paint DCs). They add no state of their own beyond the handle.
#pragma once

#include "platform/core/WinTypes.h"
#include "platform/ui/gdi/Gdi.h"

class CDC;

class CGdiObject {
 public:
  CGdiObject() = default;
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;
  virtual ~CGdiObject();

  HGDIOBJ m_hObject = nullptr;

  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  operator HGDIOBJ() const { return m_hObject; }
  BOOL Attach(HGDIOBJ object);
  HGDIOBJ Detach();
  BOOL DeleteObject();
  int GetObject(int size, LPVOID out) const { return ::GetObject(m_hObject, size, out); }
  BOOL CreateStockObject(int index);
  // A wrapper that does not own the handle, kept until the handle is deleted.
  static CGdiObject* FromHandle(HGDIOBJ object);
};

class CBitmap : public CGdiObject {
 public:
  operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
  static CBitmap* FromHandle(HBITMAP bitmap);
  BOOL LoadBitmap(UINT resourceId);
  BOOL LoadBitmap(LPCSTR resourceName);
  BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
  BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
  int GetBitmap(BITMAP* out) const { return ::GetObject(m_hObject, sizeof(BITMAP), out); }
};

class CBrush : public CGdiObject {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
  explicit CBrush(CBitmap* pattern) { CreatePatternBrush(pattern); }
  operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
  static CBrush* FromHandle(HBRUSH brush);
  BOOL CreateSolidBrush(COLORREF color);
  BOOL CreatePatternBrush(CBitmap* pattern);
};

class CPen : public CGdiObject {
 public:
  CPen() = default;
  CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
  operator HPEN() const { return static_cast<HPEN>(m_hObject); }
  static CPen* FromHandle(HPEN pen);
  BOOL CreatePen(int style, int width, COLORREF color);
};

class CFont : public CGdiObject {
 public:
  operator HFONT() const { return static_cast<HFONT>(m_hObject); }
  static CFont* FromHandle(HFONT font);
  BOOL CreateFontIndirect(const LOGFONT* font);
  BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                  BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision,
                  BYTE quality, BYTE pitchAndFamily, LPCSTR face);
  // Size in tenths of a point at 96 pixels per inch.
  BOOL CreatePointFont(int tenthsOfPoint, LPCSTR face, CDC* dc = nullptr);
  int GetLogFont(LOGFONT* out) const { return ::GetObject(m_hObject, sizeof(LOGFONT), out); }
};

class CRgn : public CGdiObject {
 public:
  operator HRGN() const { return static_cast<HRGN>(m_hObject); }
  static CRgn* FromHandle(HRGN region);
  BOOL CreateRectRgn(int left, int top, int right, int bottom);
  BOOL CreateRectRgnIndirect(const RECT* rect);
  BOOL CreateEllipticRgn(int left, int top, int right, int bottom);
  BOOL CreateEllipticRgnIndirect(const RECT* rect);
  BOOL CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
  BOOL CreatePolygonRgn(const POINT* points, int count, int fillMode);
  int CombineRgn(const CRgn* a, const CRgn* b, int mode);
  int CopyRgn(const CRgn* source);
  void SetRectRgn(int left, int top, int right, int bottom);
  void SetRectRgn(const RECT* rect);
  BOOL PtInRegion(int x, int y) const;
  BOOL PtInRegion(POINT point) const { return PtInRegion(point.x, point.y); }
  BOOL RectInRegion(const RECT* rect) const;
  BOOL EqualRgn(const CRgn* other) const;
  int OffsetRgn(int dx, int dy);
  int OffsetRgn(POINT point) { return OffsetRgn(point.x, point.y); }
  int GetRgnBox(LPRECT box) const;
};

class CDC {
 public:
  CDC() = default;
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;
  virtual ~CDC();

  HDC m_hDC = nullptr;

  HDC GetSafeHdc() const { return m_hDC; }
  operator HDC() const { return m_hDC; }
  BOOL Attach(HDC dc);
  HDC Detach();
  // A wrapper that does not own the DC, kept until the DC is deleted or released.
  static CDC* FromHandle(HDC dc);

  BOOL CreateCompatibleDC(CDC* dc);
  BOOL DeleteDC();
  int SaveDC() { return ::SaveDC(m_hDC); }
  BOOL RestoreDC(int saved) { return ::RestoreDC(m_hDC, saved); }
  int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }

  CGdiObject* SelectStockObject(int index);
  CPen* SelectObject(CPen* pen);
  CBrush* SelectObject(CBrush* brush);
  CFont* SelectObject(CFont* font);
  CBitmap* SelectObject(CBitmap* bitmap);
  CGdiObject* SelectObject(CGdiObject* object);
  int SelectObject(CRgn* region);  // selects a copy as the clip region; returns the region kind

  COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
  COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
  COLORREF SetBkColor(COLORREF color) { return ::SetBkColor(m_hDC, color); }
  COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
  int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
  int GetBkMode() const { return ::GetBkMode(m_hDC); }
  UINT SetTextAlign(UINT align) { return ::SetTextAlign(m_hDC, align); }
  int SetPolyFillMode(int mode) { return ::SetPolyFillMode(m_hDC, mode); }
  POINT SetBrushOrg(int x, int y);
  POINT SetViewportOrg(int x, int y);
  POINT SetViewportOrg(POINT point) { return SetViewportOrg(point.x, point.y); }
  POINT GetViewportOrg() const;
  POINT OffsetViewportOrg(int dx, int dy);

  BOOL BitBlt(int x, int y, int width, int height, CDC* source, int sourceX, int sourceY, DWORD rop);
  BOOL StretchBlt(int x, int y, int width, int height, CDC* source, int sourceX, int sourceY,
                  int sourceWidth, int sourceHeight, DWORD rop);
  BOOL PatBlt(int x, int y, int width, int height, DWORD rop) {
    return ::PatBlt(m_hDC, x, y, width, height, rop);
  }
  COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
  COLORREF GetPixel(POINT point) const { return ::GetPixel(m_hDC, point.x, point.y); }
  COLORREF SetPixel(int x, int y, COLORREF color) { return ::SetPixel(m_hDC, x, y, color); }
  COLORREF SetPixel(POINT point, COLORREF color) { return ::SetPixel(m_hDC, point.x, point.y, color); }

  void FillRect(const RECT* rect, CBrush* brush);
  void FillSolidRect(const RECT* rect, COLORREF color);
  void FillSolidRect(int x, int y, int width, int height, COLORREF color);
  void FrameRect(const RECT* rect, CBrush* brush);
  void InvertRect(const RECT* rect) { ::InvertRect(m_hDC, rect); }
  void Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight);
  void Draw3dRect(int x, int y, int width, int height, COLORREF topLeft, COLORREF bottomRight);
  BOOL FillRgn(CRgn* region, CBrush* brush);
  BOOL FrameRgn(CRgn* region, CBrush* brush, int width, int height);
  POINT MoveTo(int x, int y);
  POINT MoveTo(POINT point) { return MoveTo(point.x, point.y); }
  BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
  BOOL LineTo(POINT point) { return ::LineTo(m_hDC, point.x, point.y); }
  BOOL Polyline(const POINT* points, int count) { return ::Polyline(m_hDC, points, count); }
  BOOL Rectangle(int left, int top, int right, int bottom) { return ::Rectangle(m_hDC, left, top, right, bottom); }
  BOOL Rectangle(const RECT* rect) { return ::Rectangle(m_hDC, rect->left, rect->top, rect->right, rect->bottom); }
  BOOL Ellipse(int left, int top, int right, int bottom) { return ::Ellipse(m_hDC, left, top, right, bottom); }
  BOOL Ellipse(const RECT* rect) { return ::Ellipse(m_hDC, rect->left, rect->top, rect->right, rect->bottom); }
  BOOL RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
    return ::RoundRect(m_hDC, left, top, right, bottom, ellipseWidth, ellipseHeight);
  }
  BOOL RoundRect(const RECT* rect, POINT ellipse) {
    return ::RoundRect(m_hDC, rect->left, rect->top, rect->right, rect->bottom, ellipse.x, ellipse.y);
  }
  BOOL Polygon(const POINT* points, int count) { return ::Polygon(m_hDC, points, count); }

  int SelectClipRgn(CRgn* region);
  int IntersectClipRect(int left, int top, int right, int bottom) {
    return ::IntersectClipRect(m_hDC, left, top, right, bottom);
  }
  int IntersectClipRect(const RECT* rect) { return IntersectClipRect(rect->left, rect->top, rect->right, rect->bottom); }
  int ExcludeClipRect(int left, int top, int right, int bottom) {
    return ::ExcludeClipRect(m_hDC, left, top, right, bottom);
  }
  int ExcludeClipRect(const RECT* rect) { return ExcludeClipRect(rect->left, rect->top, rect->right, rect->bottom); }
  int GetClipBox(LPRECT box) const { return ::GetClipBox(m_hDC, box); }
  BOOL PtVisible(int x, int y) const { return ::PtVisible(m_hDC, x, y); }
  BOOL RectVisible(const RECT* rect) const { return ::RectVisible(m_hDC, rect); }

  // Texts are code page 1252; a CString converts to const char* for these.
  BOOL TextOut(int x, int y, LPCSTR text, int length) { return ::TextOut(m_hDC, x, y, text, length); }
  BOOL TextOut(int x, int y, LPCSTR text);
  BOOL ExtTextOut(int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT length, const INT* dx) {
    return ::ExtTextOut(m_hDC, x, y, options, rect, text, length, dx);
  }
  BOOL ExtTextOut(int x, int y, UINT options, const RECT* rect, LPCSTR text, const INT* dx = nullptr);
  int DrawText(LPCSTR text, int length, LPRECT rect, UINT format) {
    return ::DrawText(m_hDC, text, length, rect, format);
  }
  int DrawText(LPCSTR text, LPRECT rect, UINT format) { return ::DrawText(m_hDC, text, -1, rect, format); }
  SIZE GetTextExtent(LPCSTR text, int length) const;
  SIZE GetTextExtent(LPCSTR text) const;
  BOOL GetTextMetrics(LPTEXTMETRIC metrics) const { return ::GetTextMetrics(m_hDC, metrics); }
};

// A DC on a window's client area (GetDC/ReleaseDC). Window classes of the framework pass `this`:
// any type with GetSafeHwnd() works, so this header needs no window declarations.
class CClientDC : public CDC {
 public:
  explicit CClientDC(HWND window);
  template <class Window>
  explicit CClientDC(Window* window) : CClientDC(window ? window->GetSafeHwnd() : HWND{}) {}
  ~CClientDC() override;
  HWND m_hWnd = nullptr;
};

// A DC on the whole window, frame included (GetWindowDC/ReleaseDC).
class CWindowDC : public CDC {
 public:
  explicit CWindowDC(HWND window);
  template <class Window>
  explicit CWindowDC(Window* window) : CWindowDC(window ? window->GetSafeHwnd() : HWND{}) {}
  ~CWindowDC() override;
  HWND m_hWnd = nullptr;
};

// The DC of WM_PAINT (BeginPaint/EndPaint of the window manager).
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(HWND window);
  template <class Window>
  explicit CPaintDC(Window* window) : CPaintDC(window ? window->GetSafeHwnd() : HWND{}) {}
  ~CPaintDC() override;
  HWND m_hWnd = nullptr;
  PAINTSTRUCT m_ps;
};

// Double buffering: drawing goes to an off-screen bitmap of `area` (logical coordinates of `target`,
// default its clip box) and is copied to `target` when the object is destroyed.
class CMemDC : public CDC {
 public:
  explicit CMemDC(CDC& target, const RECT* area = nullptr);
  ~CMemDC() override;
  CDC& GetDC() { return *this; }

 private:
  CDC& target_;
  RECT area_;
  CBitmap bitmap_;
  CBitmap* previous_ = nullptr;
};
