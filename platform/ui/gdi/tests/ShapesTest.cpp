#include <gtest/gtest.h>

#include "platform/ui/gdi/AfxGdi.h"
#include "platform/ui/gdi/Gdi.h"
#include "platform/ui/gdi/tests/GdiTestSupport.h"

namespace {

using qh::gdi::testing::MemoryCanvas;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kInk = RGB(64, 64, 128);

TEST(Shapes, LineToLeavesOutItsEndPoint) {
  MemoryCanvas canvas(10, 10);
  CPen pen(PS_SOLID, 1, kInk);
  CDC* dc = CDC::FromHandle(canvas.dc());
  CPen* old = dc->SelectObject(&pen);
  dc->MoveTo(1, 5);
  dc->LineTo(8, 5);
  for (int x = 1; x < 8; ++x) EXPECT_EQ(canvas.at(x, 5), kInk) << x;
  EXPECT_EQ(canvas.at(8, 5), kWhite);
  EXPECT_EQ(canvas.at(0, 5), kWhite);
  dc->MoveTo(2, 0);
  dc->LineTo(2, 3);
  EXPECT_EQ(canvas.at(2, 2), kInk);
  EXPECT_EQ(canvas.at(2, 3), kWhite);
  dc->SelectObject(old);
}

TEST(Shapes, RectangleFramesWithThePenAndFillsWithTheBrush) {
  MemoryCanvas canvas(10, 10);
  CDC* dc = CDC::FromHandle(canvas.dc());
  CPen pen(PS_SOLID, 1, RGB(255, 0, 0));
  CBrush brush(RGB(0, 0, 255));
  CPen* oldPen = dc->SelectObject(&pen);
  CBrush* oldBrush = dc->SelectObject(&brush);
  dc->Rectangle(1, 1, 8, 8);
  EXPECT_EQ(canvas.at(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(canvas.at(7, 7), RGB(255, 0, 0));
  EXPECT_EQ(canvas.at(4, 4), RGB(0, 0, 255));
  EXPECT_EQ(canvas.at(8, 8), kWhite) << "right and bottom edges are outside";
  dc->SelectStockObject(NULL_PEN);
  dc->Rectangle(0, 0, 3, 3);
  EXPECT_EQ(canvas.at(0, 0), RGB(0, 0, 255));
  EXPECT_EQ(canvas.at(1, 0), RGB(0, 0, 255));
  EXPECT_EQ(canvas.at(2, 0), kWhite) << "without a pen the fill is one pixel smaller";
  dc->SelectObject(oldPen);
  dc->SelectObject(oldBrush);
}

TEST(Shapes, EllipseStaysInsideItsBounds) {
  MemoryCanvas canvas(30, 30);
  CDC* dc = CDC::FromHandle(canvas.dc());
  CBrush brush(RGB(0, 128, 0));
  CBrush* old = dc->SelectObject(&brush);
  dc->Ellipse(2, 2, 28, 28);
  EXPECT_EQ(canvas.at(15, 15), RGB(0, 128, 0));
  EXPECT_EQ(canvas.at(15, 2), RGB(0, 0, 0)) << "the pen draws the outline";
  EXPECT_EQ(canvas.at(3, 3), kWhite) << "corners stay";
  EXPECT_EQ(canvas.CountInkOutside(RECT{2, 2, 28, 28}, kWhite), 0);
  dc->SelectObject(old);
}

TEST(Shapes, PolygonFillsAndOutlines) {
  MemoryCanvas canvas(20, 20);
  CDC* dc = CDC::FromHandle(canvas.dc());
  CBrush brush(RGB(200, 200, 0));
  CBrush* old = dc->SelectObject(&brush);
  const POINT triangle[] = {{2, 2}, {17, 2}, {2, 17}};
  dc->Polygon(triangle, 3);
  EXPECT_EQ(canvas.at(5, 5), RGB(200, 200, 0));
  EXPECT_EQ(canvas.at(2, 10), RGB(0, 0, 0));
  EXPECT_EQ(canvas.at(15, 15), kWhite);
  dc->SelectObject(old);
}

TEST(Shapes, RegionFillAndFrame) {
  MemoryCanvas canvas(30, 30);
  CRgn ring;
  ring.CreateEllipticRgn(0, 0, 30, 30);
  CBrush red(RGB(255, 0, 0));
  CBrush blue(RGB(0, 0, 255));
  CDC* dc = CDC::FromHandle(canvas.dc());
  dc->FillRgn(&ring, &red);
  FrameRgn(canvas.dc(), ring, blue, 2, 2);
  EXPECT_EQ(canvas.at(15, 15), RGB(255, 0, 0));
  EXPECT_EQ(canvas.at(15, 0), RGB(0, 0, 255));
  EXPECT_EQ(canvas.at(15, 1), RGB(0, 0, 255));
  EXPECT_EQ(canvas.at(15, 2), RGB(255, 0, 0));
  EXPECT_EQ(canvas.at(0, 0), kWhite);
}

}  // namespace
