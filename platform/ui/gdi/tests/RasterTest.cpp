#include <gtest/gtest.h>

#include <functional>

#include "platform/ui/gdi/AfxGdi.h"
#include "platform/ui/gdi/Gdi.h"
#include "platform/ui/gdi/tests/GdiTestSupport.h"

namespace {

using qh::gdi::testing::MemoryCanvas;

constexpr COLORREF kDest = RGB(0x0F, 0x33, 0xCC);
constexpr COLORREF kSource = RGB(0x55, 0xF0, 0x3C);
constexpr COLORREF kPattern = RGB(0xA0, 0x0A, 0x99);

struct RopCase {
  const char* name;
  DWORD rop;
  std::function<COLORREF(COLORREF p, COLORREF s, COLORREF d)> expected;
};

void PrintTo(const RopCase& c, std::ostream* out) { *out << c.name; }

class RasterOperationTest : public ::testing::TestWithParam<RopCase> {};

// Each raster operation combines pattern, source and destination bit by bit, colour by colour.
TEST_P(RasterOperationTest, CombinesBitsAsItsTruthTableSays) {
  const RopCase& c = GetParam();
  MemoryCanvas dest(4, 4, kDest);
  MemoryCanvas source(4, 4, kSource);
  HBRUSH brush = CreateSolidBrush(kPattern);
  HGDIOBJ old = SelectObject(dest.dc(), brush);
  ASSERT_TRUE(BitBlt(dest.dc(), 1, 1, 2, 2, source.dc(), 0, 0, c.rop));
  EXPECT_EQ(dest.at(1, 1), c.expected(kPattern, kSource, kDest) & 0xFFFFFF) << c.name;
  EXPECT_EQ(dest.at(2, 2), c.expected(kPattern, kSource, kDest) & 0xFFFFFF) << c.name;
  EXPECT_EQ(dest.at(0, 0), kDest) << c.name << ": outside the rectangle";
  EXPECT_EQ(dest.at(3, 3), kDest) << c.name << ": outside the rectangle";
  SelectObject(dest.dc(), old);
  DeleteObject(brush);
}

INSTANTIATE_TEST_SUITE_P(
    Rops, RasterOperationTest,
    ::testing::Values(RopCase{"SRCCOPY", SRCCOPY, [](COLORREF, COLORREF s, COLORREF) { return s; }},
                      RopCase{"SRCAND", SRCAND, [](COLORREF, COLORREF s, COLORREF d) { return s & d; }},
                      RopCase{"SRCPAINT", SRCPAINT, [](COLORREF, COLORREF s, COLORREF d) { return s | d; }},
                      RopCase{"SRCINVERT", SRCINVERT, [](COLORREF, COLORREF s, COLORREF d) { return s ^ d; }},
                      RopCase{"SRCERASE", SRCERASE, [](COLORREF, COLORREF s, COLORREF d) { return s & ~d; }},
                      RopCase{"NOTSRCCOPY", NOTSRCCOPY, [](COLORREF, COLORREF s, COLORREF) { return ~s; }},
                      RopCase{"PATCOPY", PATCOPY, [](COLORREF p, COLORREF, COLORREF) { return p; }},
                      RopCase{"PATINVERT", PATINVERT, [](COLORREF p, COLORREF, COLORREF d) { return p ^ d; }},
                      RopCase{"DSTINVERT", DSTINVERT, [](COLORREF, COLORREF, COLORREF d) { return ~d; }},
                      RopCase{"MERGECOPY", MERGECOPY, [](COLORREF p, COLORREF s, COLORREF) { return p & s; }},
                      RopCase{"BLACKNESS", BLACKNESS, [](COLORREF, COLORREF, COLORREF) { return COLORREF{0}; }},
                      RopCase{"WHITENESS", WHITENESS, [](COLORREF, COLORREF, COLORREF) { return COLORREF{0xFFFFFF}; }}),
    [](const auto& info) { return std::string(info.param.name); });

// Colour to monochrome: pixels of the source's background colour become white, all others black.
// Monochrome to colour: white becomes the destination's background colour, black its text colour.
TEST(Raster, MonochromeConversionUsesTextAndBackgroundColours) {
  MemoryCanvas colour(4, 1, RGB(10, 20, 30));
  SetPixel(colour.dc(), 1, 0, RGB(255, 0, 255));
  MemoryCanvas mono(4, 1, RGB(0, 0, 0), true);
  SetBkColor(colour.dc(), RGB(255, 0, 255));
  BitBlt(mono.dc(), 0, 0, 4, 1, colour.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(mono.at(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(mono.at(1, 0), RGB(255, 255, 255));

  MemoryCanvas target(4, 1, RGB(1, 2, 3));
  SetTextColor(target.dc(), RGB(200, 0, 0));
  SetBkColor(target.dc(), RGB(0, 0, 200));
  BitBlt(target.dc(), 0, 0, 4, 1, mono.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(target.at(0, 0), RGB(200, 0, 0));
  EXPECT_EQ(target.at(1, 0), RGB(0, 0, 200));
}

// The transparent-bitmap method: a mask made from the key colour, the bitmap's key pixels blackened,
// then mask SRCAND and bitmap SRCPAINT onto the destination.
TEST(Raster, MaskedBitmapLeavesKeyColourPixelsShowingWhatWasBelow) {
  const COLORREF key = RGB(255, 0, 255);
  const COLORREF below = RGB(30, 140, 60);
  MemoryCanvas art(6, 6, key);
  const RECT body{1, 1, 5, 5};
  HBRUSH red = CreateSolidBrush(RGB(220, 20, 20));
  FillRect(art.dc(), &body, red);
  DeleteObject(red);

  MemoryCanvas mask(6, 6, RGB(0, 0, 0), true);
  const COLORREF oldBk = SetBkColor(art.dc(), key);
  BitBlt(mask.dc(), 0, 0, 6, 6, art.dc(), 0, 0, SRCCOPY);
  SetBkColor(art.dc(), RGB(0, 0, 0));
  SetTextColor(art.dc(), RGB(255, 255, 255));
  BitBlt(art.dc(), 0, 0, 6, 6, mask.dc(), 0, 0, SRCAND);
  SetBkColor(art.dc(), oldBk);
  EXPECT_EQ(art.at(0, 0), RGB(0, 0, 0)) << "key pixels of the bitmap are black after the mask";

  MemoryCanvas screen(10, 10, below);
  BitBlt(screen.dc(), 2, 2, 6, 6, mask.dc(), 0, 0, SRCAND);
  BitBlt(screen.dc(), 2, 2, 6, 6, art.dc(), 0, 0, SRCPAINT);
  EXPECT_EQ(screen.at(2, 2), below) << "a key-colour corner shows the background";
  EXPECT_EQ(screen.at(7, 7), below);
  EXPECT_EQ(screen.at(4, 4), RGB(220, 20, 20)) << "the body is drawn";
  EXPECT_EQ(screen.at(0, 0), below) << "outside is untouched";
}

// A pattern brush repeats from the DC's brush origin, not from the rectangle being filled.
TEST(Raster, PatternBrushIsAlignedToTheBrushOrigin) {
  // 2 x 2 checker: white at (0,0) and (1,1).
  const unsigned char bits[] = {0x80, 0, 0x40, 0};
  HBITMAP checker = CreateBitmap(2, 2, 1, 1, bits);
  HBRUSH brush = CreatePatternBrush(checker);
  DeleteObject(checker);  // the brush keeps its own copy
  MemoryCanvas canvas(8, 8);
  SetTextColor(canvas.dc(), RGB(0, 0, 0));
  SetBkColor(canvas.dc(), RGB(255, 255, 255));
  const RECT odd{3, 3, 7, 7};
  FillRect(canvas.dc(), &odd, brush);
  for (int y = 3; y < 7; ++y)
    for (int x = 3; x < 7; ++x)
      EXPECT_EQ(canvas.at(x, y), (x + y) % 2 == 0 ? RGB(255, 255, 255) : RGB(0, 0, 0)) << x << "," << y;
  SetBrushOrgEx(canvas.dc(), 1, 0, nullptr);
  FillRect(canvas.dc(), &odd, brush);
  for (int y = 3; y < 7; ++y)
    for (int x = 3; x < 7; ++x)
      EXPECT_EQ(canvas.at(x, y), (x + y) % 2 == 1 ? RGB(255, 255, 255) : RGB(0, 0, 0)) << x << "," << y;
  DeleteObject(brush);
}

TEST(Raster, ColourPatternBrushTilesTheBitmap) {
  MemoryCanvas tile(3, 1, RGB(10, 10, 10));
  SetPixel(tile.dc(), 1, 0, RGB(20, 20, 20));
  SetPixel(tile.dc(), 2, 0, RGB(30, 30, 30));
  HBRUSH brush = CreatePatternBrush(tile.bitmap());
  MemoryCanvas canvas(9, 2);
  const RECT all{0, 0, 9, 2};
  FillRect(canvas.dc(), &all, brush);
  for (int x = 0; x < 9; ++x) EXPECT_EQ(canvas.at(x, 1), RGB(10 * (x % 3 + 1), 10 * (x % 3 + 1), 10 * (x % 3 + 1)));
  DeleteObject(brush);
}

TEST(Raster, StretchBltScalesAndMirrors) {
  MemoryCanvas source(2, 1, RGB(255, 0, 0));
  SetPixel(source.dc(), 1, 0, RGB(0, 0, 255));
  MemoryCanvas dest(4, 2);
  StretchBlt(dest.dc(), 0, 0, 4, 2, source.dc(), 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(dest.at(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(dest.at(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(dest.at(2, 0), RGB(0, 0, 255));
  EXPECT_EQ(dest.at(3, 1), RGB(0, 0, 255));
  StretchBlt(dest.dc(), 4, 0, -4, 1, source.dc(), 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(dest.at(0, 0), RGB(0, 0, 255)) << "a negative width mirrors";
  EXPECT_EQ(dest.at(3, 0), RGB(255, 0, 0));
}

TEST(Raster, ClippingLimitsEveryDrawing) {
  MemoryCanvas canvas(10, 10, RGB(0, 0, 0));
  IntersectClipRect(canvas.dc(), 2, 2, 8, 8);
  ExcludeClipRect(canvas.dc(), 4, 4, 6, 6);
  PatBlt(canvas.dc(), 0, 0, 10, 10, WHITENESS);
  EXPECT_EQ(canvas.at(1, 1), CLR_INVALID) << "outside the clip reads as invalid";
  EXPECT_EQ(canvas.at(2, 2), RGB(255, 255, 255));
  EXPECT_EQ(canvas.at(4, 4), CLR_INVALID);
  RECT box;
  EXPECT_EQ(GetClipBox(canvas.dc(), &box), COMPLEXREGION);
  EXPECT_EQ(box.left, 2);
  EXPECT_EQ(box.right, 8);
  SelectClipRgn(canvas.dc(), nullptr);
  EXPECT_EQ(canvas.at(1, 1), RGB(0, 0, 0));
  EXPECT_EQ(canvas.at(4, 4), RGB(0, 0, 0));
  EXPECT_EQ(canvas.at(7, 7), RGB(255, 255, 255));
}

TEST(Raster, ViewportOriginMovesLogicalCoordinates) {
  MemoryCanvas canvas(10, 10, RGB(0, 0, 0));
  SetViewportOrgEx(canvas.dc(), 5, 5, nullptr);
  SetPixel(canvas.dc(), 1, 1, RGB(1, 2, 3));
  SetViewportOrgEx(canvas.dc(), 0, 0, nullptr);
  EXPECT_EQ(canvas.at(6, 6), RGB(1, 2, 3));
}

TEST(Raster, SaveAndRestoreBringBackColoursAndClip) {
  MemoryCanvas canvas(4, 4);
  SetTextColor(canvas.dc(), RGB(1, 1, 1));
  const int saved = SaveDC(canvas.dc());
  SetTextColor(canvas.dc(), RGB(2, 2, 2));
  IntersectClipRect(canvas.dc(), 0, 0, 1, 1);
  EXPECT_TRUE(RestoreDC(canvas.dc(), saved));
  EXPECT_EQ(GetTextColor(canvas.dc()), RGB(1, 1, 1));
  EXPECT_NE(canvas.at(3, 3), CLR_INVALID);
  EXPECT_FALSE(RestoreDC(canvas.dc(), saved)) << "a state restores once";
}

TEST(Raster, FreshMemoryDcMakesMonochromeCompatibleBitmaps) {
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP mono = CreateCompatibleBitmap(memory, 4, 4);
  BITMAP info;
  ASSERT_EQ(GetObject(mono, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmBitsPixel, 1);
  HDC screen = GetDC(nullptr);
  HBITMAP colour = CreateCompatibleBitmap(screen, 4, 4);
  GetObject(colour, sizeof info, &info);
  EXPECT_EQ(info.bmBitsPixel, 32);
  EXPECT_EQ(info.bmWidth, 4);
  ReleaseDC(nullptr, screen);
  DeleteObject(mono);
  DeleteObject(colour);
  DeleteDC(memory);
}

// Deleting a bitmap while a DC still holds it invalidates the handle but keeps the DC's pixels alive.
TEST(Raster, DeletingASelectedObjectKeepsTheDcSafe) {
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(4, 4, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(memory, bitmap);
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_EQ(GetObjectType(bitmap), 0u);
  EXPECT_EQ(SetPixel(memory, 1, 1, RGB(9, 9, 9)), RGB(9, 9, 9));
  EXPECT_EQ(GetPixel(memory, 1, 1), RGB(9, 9, 9));
  SelectObject(memory, old);
  DeleteDC(memory);
  EXPECT_EQ(BitBlt(memory, 0, 0, 1, 1, nullptr, 0, 0, BLACKNESS), FALSE) << "a deleted DC is refused";
  EXPECT_NE(GetObjectType(GetStockObject(BLACK_BRUSH)), 0u) << "stock objects survive DeleteObject";
}

TEST(Raster, FrameRectAndFillSolidRect) {
  MemoryCanvas canvas(8, 8, RGB(0, 0, 0));
  CDC* dc = CDC::FromHandle(canvas.dc());
  const RECT r{1, 1, 7, 7};
  CBrush white(RGB(255, 255, 255));
  dc->FrameRect(&r, &white);
  EXPECT_EQ(canvas.at(1, 1), RGB(255, 255, 255));
  EXPECT_EQ(canvas.at(6, 6), RGB(255, 255, 255));
  EXPECT_EQ(canvas.at(3, 3), RGB(0, 0, 0));
  EXPECT_EQ(canvas.at(7, 7), RGB(0, 0, 0));
  dc->FillSolidRect(2, 2, 3, 3, RGB(5, 6, 7));
  EXPECT_EQ(canvas.at(4, 4), RGB(5, 6, 7));
  EXPECT_EQ(canvas.at(5, 5), RGB(0, 0, 0));
  EXPECT_EQ(dc->GetBkColor(), RGB(5, 6, 7)) << "the framework leaves the fill colour as background colour";
  dc->Draw3dRect(&r, RGB(255, 0, 0), RGB(0, 0, 255));
  EXPECT_EQ(canvas.at(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(canvas.at(6, 6), RGB(0, 0, 255));
  EXPECT_EQ(canvas.at(6, 1), RGB(0, 0, 255));
}

}  // namespace

namespace {

// Double buffering: drawing lands off-screen and reaches the target only when the buffer goes.
TEST(Raster, MemDcCopiesItsDrawingToTheTargetAtTheEnd) {
  MemoryCanvas target(20, 20, RGB(0, 0, 0));
  CDC* dc = CDC::FromHandle(target.dc());
  const RECT area{5, 5, 15, 15};
  {
    CMemDC buffer(*dc, &area);
    buffer.FillSolidRect(6, 6, 4, 4, RGB(255, 0, 0));
    EXPECT_EQ(buffer.GetPixel(7, 7), RGB(255, 0, 0)) << "logical coordinates are the target's";
    EXPECT_EQ(target.at(7, 7), RGB(0, 0, 0)) << "nothing on the target yet";
  }
  EXPECT_EQ(target.at(7, 7), RGB(255, 0, 0));
  EXPECT_EQ(target.at(5, 5), RGB(0, 0, 0)) << "what the drawing skipped stays as it was";
  EXPECT_EQ(target.at(2, 2), RGB(0, 0, 0));
}

}  // namespace
