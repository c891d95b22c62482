// The framework's small geometry values: CPoint, CSize and CRect over POINT, SIZE and RECT.
#pragma once

#include <algorithm>

#include "platform/core/WinTypes.h"

class CSize : public SIZE {
 public:
  CSize() = default;
  CSize(int x, int y) { cx = x, cy = y; }
  CSize(SIZE s) : SIZE(s) {}  // NOLINT
  bool operator==(const SIZE& o) const { return cx == o.cx && cy == o.cy; }
  bool operator!=(const SIZE& o) const { return !(*this == o); }
};

class CPoint : public POINT {
 public:
  CPoint() = default;
  CPoint(int px, int py) { x = px, y = py; }
  CPoint(POINT p) : POINT(p) {}  // NOLINT
  // From a mouse message's lParam: signed x in the low word, y in the high word.
  explicit CPoint(LPARAM packed) {
    x = static_cast<SHORT>(packed & 0xFFFF);
    y = static_cast<SHORT>((packed >> 16) & 0xFFFF);
  }
  void Offset(int dx, int dy) { x += dx, y += dy; }
  bool operator==(const POINT& o) const { return x == o.x && y == o.y; }
  bool operator!=(const POINT& o) const { return !(*this == o); }
  CPoint operator+(const POINT& o) const { return CPoint(x + o.x, y + o.y); }
  CPoint operator-(const POINT& o) const { return CPoint(x - o.x, y - o.y); }
  CPoint& operator+=(const POINT& o) { return Offset(o.x, o.y), *this; }
  CPoint& operator-=(const POINT& o) { return Offset(-o.x, -o.y), *this; }
};

class CRect : public RECT {
 public:
  CRect() = default;
  CRect(int l, int t, int r, int b) { left = l, top = t, right = r, bottom = b; }
  CRect(const RECT& r) : RECT(r) {}  // NOLINT
  CRect(const RECT* r) : RECT(*r) {}  // NOLINT
  CRect(POINT topLeft, SIZE size) : CRect(topLeft.x, topLeft.y, topLeft.x + size.cx, topLeft.y + size.cy) {}
  CRect(POINT topLeft, POINT bottomRight) : CRect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y) {}

  operator LPRECT() { return this; }              // NOLINT
  operator LPCRECT() const { return this; }       // NOLINT

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  CSize Size() const { return CSize(Width(), Height()); }
  CPoint TopLeft() const { return CPoint(left, top); }
  CPoint BottomRight() const { return CPoint(right, bottom); }
  CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
  bool IsRectEmpty() const { return right <= left || bottom <= top; }
  bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  bool PtInRect(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  void SetRect(int l, int t, int r, int b) { left = l, top = t, right = r, bottom = b; }
  void SetRectEmpty() { SetRect(0, 0, 0, 0); }
  void OffsetRect(int dx, int dy) { left += dx, right += dx, top += dy, bottom += dy; }
  void OffsetRect(POINT p) { OffsetRect(p.x, p.y); }
  void InflateRect(int dx, int dy) { left -= dx, right += dx, top -= dy, bottom += dy; }
  void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy); }
  void DeflateRect(int l, int t, int r, int b) { left += l, top += t, right -= r, bottom -= b; }
  void NormalizeRect() {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
  }
  bool IntersectRect(const RECT* a, const RECT* b) {
    SetRect(std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
            std::min(a->bottom, b->bottom));
    if (IsRectEmpty()) SetRectEmpty();
    return !IsRectEmpty();
  }
  bool UnionRect(const RECT* a, const RECT* b) {
    SetRect(std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
            std::max(a->bottom, b->bottom));
    return !IsRectEmpty();
  }
  bool EqualRect(const RECT* o) const {
    return left == o->left && top == o->top && right == o->right && bottom == o->bottom;
  }
  bool operator==(const RECT& o) const { return EqualRect(&o); }
  bool operator!=(const RECT& o) const { return !EqualRect(&o); }
};
