#include <gtest/gtest.h>

#include "platform/ui/gdi/Gdi.h"
#include "platform/ui/gdi/Region.h"
#include "platform/ui/gdi/WindowTarget.h"

namespace {

struct CombineCase {
  int mode;
  bool inOnlyA, inBoth, inOnlyB, kindComplex;
};

class CombineRgnTest : public ::testing::TestWithParam<CombineCase> {};

// A = (0,0)-(20,20), B = (10,10)-(30,30): probe a point only in A, one in both, one only in B.
TEST_P(CombineRgnTest, CombinesTwoOverlappingRectangles) {
  const CombineCase c = GetParam();
  HRGN a = CreateRectRgn(0, 0, 20, 20);
  HRGN b = CreateRectRgn(10, 10, 30, 30);
  HRGN out = CreateRectRgn(0, 0, 0, 0);
  const int kind = CombineRgn(out, a, b, c.mode);
  EXPECT_EQ(PtInRegion(out, 5, 5) != 0, c.inOnlyA);
  EXPECT_EQ(PtInRegion(out, 15, 15) != 0, c.inBoth);
  EXPECT_EQ(PtInRegion(out, 25, 25) != 0, c.inOnlyB);
  EXPECT_FALSE(PtInRegion(out, 25, 5));  // in neither
  EXPECT_EQ(kind, c.kindComplex ? COMPLEXREGION : SIMPLEREGION);
  DeleteObject(a);
  DeleteObject(b);
  DeleteObject(out);
}

INSTANTIATE_TEST_SUITE_P(Modes, CombineRgnTest,
                         ::testing::Values(CombineCase{RGN_AND, false, true, false, false},
                                           CombineCase{RGN_OR, true, true, true, true},
                                           CombineCase{RGN_XOR, true, false, true, true},
                                           CombineCase{RGN_DIFF, true, false, false, true},
                                           CombineCase{RGN_COPY, true, true, false, false}));

TEST(Region, EqualCoverageGivesEqualRegions) {
  HRGN left = CreateRectRgn(0, 0, 10, 10);
  HRGN right = CreateRectRgn(10, 0, 20, 10);
  HRGN whole = CreateRectRgn(0, 0, 20, 10);
  HRGN joined = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(CombineRgn(joined, left, right, RGN_OR), SIMPLEREGION);
  EXPECT_TRUE(EqualRgn(joined, whole));
  for (HRGN r : {left, right, whole, joined}) DeleteObject(r);
}

TEST(Region, OffsetAndBox) {
  HRGN r = CreateEllipticRgn(0, 0, 26, 26);
  RECT box;
  EXPECT_EQ(GetRgnBox(r, &box), COMPLEXREGION);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.top, 0);
  EXPECT_EQ(box.right, 26);
  EXPECT_EQ(box.bottom, 26);
  OffsetRgn(r, 100, 50);
  EXPECT_TRUE(PtInRegion(r, 113, 63));
  EXPECT_FALSE(PtInRegion(r, 13, 13));
  DeleteObject(r);
}

TEST(Region, EllipseLeavesCornersOutAndIsSymmetric) {
  HRGN r = CreateEllipticRgn(0, 0, 26, 26);
  EXPECT_TRUE(PtInRegion(r, 13, 13));
  EXPECT_TRUE(PtInRegion(r, 0, 13));
  EXPECT_TRUE(PtInRegion(r, 25, 13));
  EXPECT_TRUE(PtInRegion(r, 13, 0));
  for (POINT corner : {POINT{0, 0}, POINT{25, 0}, POINT{0, 25}, POINT{25, 25}, POINT{2, 2}})
    EXPECT_FALSE(PtInRegion(r, corner.x, corner.y)) << corner.x << "," << corner.y;
  for (int y = 0; y < 26; ++y)
    for (int x = 0; x < 26; ++x) {
      EXPECT_EQ(PtInRegion(r, x, y), PtInRegion(r, 25 - x, y)) << x << "," << y;
      EXPECT_EQ(PtInRegion(r, x, y), PtInRegion(r, x, 25 - y)) << x << "," << y;
    }
  EXPECT_FALSE(PtInRegion(r, 26, 13));
  DeleteObject(r);
}

// A button shape: a 76 x 24 rectangle with a small triangle cut off each corner.
TEST(Region, PolygonCutsCorners) {
  const POINT shape[] = {{4, 0}, {72, 0}, {76, 4}, {76, 20}, {72, 24}, {4, 24}, {0, 20}, {0, 4}};
  HRGN r = CreatePolygonRgn(shape, 8, ALTERNATE);
  ASSERT_NE(r, nullptr);
  EXPECT_TRUE(PtInRegion(r, 38, 12));
  EXPECT_TRUE(PtInRegion(r, 0, 12));
  EXPECT_TRUE(PtInRegion(r, 75, 12));
  EXPECT_TRUE(PtInRegion(r, 38, 0));
  EXPECT_TRUE(PtInRegion(r, 38, 23));
  for (POINT corner : {POINT{0, 0}, POINT{75, 0}, POINT{0, 23}, POINT{75, 23}, POINT{1, 1}})
    EXPECT_FALSE(PtInRegion(r, corner.x, corner.y)) << corner.x << "," << corner.y;
  RECT box;
  GetRgnBox(r, &box);
  EXPECT_EQ(box.right - box.left, 76);
  EXPECT_EQ(box.bottom - box.top, 24);
  DeleteObject(r);
}

TEST(Region, PolygonFillModesDifferOnOverlap) {
  // A star drawn in one stroke: its centre is inside for winding, a hole for alternate.
  const POINT star[] = {{50, 0}, {79, 90}, {2, 35}, {98, 35}, {21, 90}};
  HRGN alternate = CreatePolygonRgn(star, 5, ALTERNATE);
  HRGN winding = CreatePolygonRgn(star, 5, WINDING);
  EXPECT_FALSE(PtInRegion(alternate, 50, 50));
  EXPECT_TRUE(PtInRegion(winding, 50, 50));
  EXPECT_TRUE(PtInRegion(alternate, 50, 20));
  DeleteObject(alternate);
  DeleteObject(winding);
}

TEST(Region, BadHandlesAreRefused) {
  HRGN r = CreateRectRgn(0, 0, 1, 1);
  DeleteObject(r);
  EXPECT_FALSE(PtInRegion(r, 0, 0));
  EXPECT_EQ(CombineRgn(r, r, r, RGN_OR), RGN_ERROR);
  EXPECT_EQ(qh::gdi::RegionFromHandle(r), nullptr);
  EXPECT_EQ(CreatePolygonRgn(nullptr, 3, ALTERNATE), nullptr);
}

}  // namespace
