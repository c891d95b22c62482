#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/ui/gdi/AfxGdi.h"
#include "platform/ui/gdi/Gdi.h"
#include "platform/ui/gdi/tests/GdiTestSupport.h"

namespace {

using qh::gdi::testing::MemoryCanvas;
constexpr COLORREF kWhite = RGB(255, 255, 255);

HFONT MakeFont(const char* face, int height, int weight = FW_NORMAL) {
  LOGFONT log;
  log.lfHeight = height;
  log.lfWeight = weight;
  log.lfOutPrecision = OUT_CHARACTER_PRECIS;
  log.lfQuality = PROOF_QUALITY;
  std::strncpy(log.lfFaceName, face, LF_FACESIZE - 1);
  return CreateFontIndirect(&log);
}

int Width(HDC dc, const std::string& text, UINT format = DT_SINGLELINE | DT_NOPREFIX) {
  RECT r{0, 0, 1000, 100};
  DrawText(dc, text.c_str(), -1, &r, format | DT_CALCRECT);
  return r.right - r.left;
}

class TextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    font_ = MakeFont("Arial", 16, FW_BOLD);
    old_ = SelectObject(canvas_.dc(), font_);
    SetBkMode(canvas_.dc(), TRANSPARENT);
    SetTextColor(canvas_.dc(), RGB(0, 0, 0));
  }
  void TearDown() override {
    SelectObject(canvas_.dc(), old_);
    DeleteObject(font_);
  }
  MemoryCanvas canvas_{200, 60};
  HFONT font_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

TEST_F(TextTest, ArialResolvesToAMetricCompatibleFace) {
  TEXTMETRIC tm;
  ASSERT_TRUE(GetTextMetrics(canvas_.dc(), &tm));
  EXPECT_EQ(tm.tmHeight, 16) << "a positive height is the cell height";
  EXPECT_EQ(tm.tmWeight, FW_BOLD);
  char face[LF_FACESIZE];
  GetTextFace(canvas_.dc(), LF_FACESIZE, face);
  EXPECT_STREQ(face, "Arial");
  HFONT em = MakeFont("Arial", -16);
  HGDIOBJ previous = SelectObject(canvas_.dc(), em);
  GetTextMetrics(canvas_.dc(), &tm);
  EXPECT_GT(tm.tmHeight, 16) << "a negative height is the character height, the cell is taller";
  SelectObject(canvas_.dc(), previous);
  DeleteObject(em);
}

TEST_F(TextTest, BoldIsWiderThanNormal) {
  const int bold = Width(canvas_.dc(), "Quaverhouse");
  HFONT normal = MakeFont("Arial", 16);
  HGDIOBJ previous = SelectObject(canvas_.dc(), normal);
  EXPECT_LT(Width(canvas_.dc(), "Quaverhouse"), bold);
  SelectObject(canvas_.dc(), previous);
  DeleteObject(normal);
}

TEST_F(TextTest, TextStaysInsideItsClippingRectangle) {
  RECT box{20, 10, 60, 30};
  DrawText(canvas_.dc(), "A long line of text that overflows", -1, &box, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
  EXPECT_GT(canvas_.CountInk(box, kWhite), 20);
  EXPECT_EQ(canvas_.CountInkOutside(box, kWhite), 0);
}

TEST_F(TextTest, ExtTextOutClipsAndOpaques) {
  const RECT box{10, 10, 40, 30};
  SetBkColor(canvas_.dc(), RGB(0, 0, 255));
  ExtTextOut(canvas_.dc(), 12, 12, ETO_OPAQUE | ETO_CLIPPED, &box, "Overflowing text", 16, nullptr);
  EXPECT_EQ(canvas_.at(10, 10), RGB(0, 0, 255));
  EXPECT_EQ(canvas_.at(39, 29), RGB(0, 0, 255));
  EXPECT_EQ(canvas_.CountInkOutside(box, kWhite), 0);
}

TEST_F(TextTest, OpaqueModeFillsTheTextBackground) {
  SetBkMode(canvas_.dc(), OPAQUE);
  SetBkColor(canvas_.dc(), RGB(0, 255, 0));
  TextOut(canvas_.dc(), 5, 5, "Hi", 2);
  EXPECT_EQ(canvas_.at(5, 5), RGB(0, 255, 0));
  EXPECT_EQ(canvas_.at(5, 4), kWhite);
}

// Without DT_NOPREFIX "&&" shows one ampersand and "&x" underlines x; with it every "&" shows.
TEST_F(TextTest, PrefixCharactersFollowTheFlags) {
  const int plain = Width(canvas_.dc(), "Rock&Roll");
  EXPECT_EQ(Width(canvas_.dc(), "Rock&&Roll", DT_SINGLELINE), plain);
  EXPECT_EQ(Width(canvas_.dc(), "Rock&Roll", DT_SINGLELINE), Width(canvas_.dc(), "RockRoll"));
  EXPECT_GT(plain, Width(canvas_.dc(), "RockRoll"));

  RECT left{0, 0, 100, 30};
  DrawText(canvas_.dc(), "x", -1, &left, DT_SINGLELINE | DT_NOPREFIX);
  RECT right{100, 0, 200, 30};
  DrawText(canvas_.dc(), "&x", -1, &right, DT_SINGLELINE);
  EXPECT_GT(canvas_.CountInk(RECT{100, 0, 200, 30}, kWhite), canvas_.CountInk(RECT{0, 0, 100, 30}, kWhite))
      << "the mnemonic adds an underline";
}

TEST_F(TextTest, AlignmentAndCentring) {
  RECT box{0, 0, 200, 60};
  DrawText(canvas_.dc(), "X", -1, &box, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM);
  EXPECT_EQ(canvas_.CountInk(RECT{0, 0, 150, 60}, kWhite), 0);
  EXPECT_GT(canvas_.CountInk(RECT{180, 40, 200, 60}, kWhite), 0);
  MemoryCanvas other(200, 60);
  HGDIOBJ previous = SelectObject(other.dc(), font_);
  SetBkMode(other.dc(), TRANSPARENT);
  DrawText(other.dc(), "X", -1, &box, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  EXPECT_GT(other.CountInk(RECT{90, 20, 110, 40}, kWhite), 0);
  EXPECT_EQ(other.CountInk(RECT{0, 0, 80, 60}, kWhite), 0);
  SelectObject(other.dc(), previous);
}

TEST_F(TextTest, TextAlignPlacesTextAroundItsPoint) {
  const int width = Width(canvas_.dc(), "Hi");
  SetTextAlign(canvas_.dc(), TA_RIGHT | TA_BOTTOM);
  TextOut(canvas_.dc(), 100, 40, "Hi", 2);
  EXPECT_GT(canvas_.CountInk(RECT{100 - width, 24, 100, 40}, kWhite), 0);
  EXPECT_EQ(canvas_.CountInkOutside(RECT{100 - width - 2, 24, 102, 40}, kWhite), 0);

  MemoryCanvas other(200, 60);
  HGDIOBJ previous = SelectObject(other.dc(), font_);
  SetTextAlign(other.dc(), TA_UPDATECP);
  MoveToEx(other.dc(), 10, 5, nullptr);
  TextOut(other.dc(), 0, 0, "Hi", 2);
  TextOut(other.dc(), 0, 0, "Hi", 2);
  POINT current;
  MoveToEx(other.dc(), 0, 0, &current);
  EXPECT_EQ(current.x, 10 + 2 * width) << "the current position moves past each text";
  EXPECT_EQ(other.CountInk(RECT{0, 0, 9, 60}, kWhite), 0);
  SelectObject(other.dc(), previous);
}

TEST_F(TextTest, WordBreakAndEllipsis) {
  RECT narrow{0, 0, 60, 200};
  const int height = DrawText(canvas_.dc(), "one two three four", -1, &narrow, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_GE(height, 32) << "the words wrap onto several lines";
  EXPECT_LE(narrow.right, 60);
  const int full = Width(canvas_.dc(), "A fairly long song name");
  RECT cut{0, 0, full / 2, 20};
  DrawText(canvas_.dc(), "A fairly long song name", -1, &cut, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
  EXPECT_LE(cut.right, full / 2);
  EXPECT_GT(cut.right, 0);
}

TEST_F(TextTest, CodePage1252CharactersHaveWidth) {
  EXPECT_GT(Width(canvas_.dc(), "\x80"), 0);   // euro sign
  EXPECT_GT(Width(canvas_.dc(), "\xE9"), 0);   // e acute
  SIZE size;
  ASSERT_TRUE(GetTextExtentPoint32(canvas_.dc(), "abc", 3, &size));
  EXPECT_EQ(size.cx, Width(canvas_.dc(), "abc"));
  EXPECT_EQ(size.cy, 16);
}

TEST_F(TextTest, ArialBlackIsHeavierThanArial) {
  HFONT black = MakeFont("Arial Black", 24);
  HFONT plain = MakeFont("Arial", 24);
  HGDIOBJ previous = SelectObject(canvas_.dc(), plain);
  const int plainWidth = Width(canvas_.dc(), "JUKEBOX");
  SelectObject(canvas_.dc(), black);
  EXPECT_GT(Width(canvas_.dc(), "JUKEBOX"), plainWidth);
  SelectObject(canvas_.dc(), previous);
  DeleteObject(black);
  DeleteObject(plain);
}

}  // namespace
