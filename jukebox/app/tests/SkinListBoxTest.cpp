#include <gtest/gtest.h>

#include <cstring>

#include "jukebox/app/SkinListBox.h"
#include "jukebox/app/tests/SkinTestSupport.h"
#include "platform/ui/Input.h"
#include "platform/ui/gdi/Snapshot.h"

namespace {

using jukebox::test::CommandRecorder;
using jukebox::test::PumpPending;

constexpr UINT kSongListId = 110;
constexpr COLORREF kNormalText = RGB(160, 80, 0), kSelectedText = RGB(255, 128, 0), kBlack = RGB(0, 0, 0);

// An owner that also records the keys that pass its pre-translation.
class KeyRecordingOwner : public CommandRecorder {
 public:
  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message == WM_KEYDOWN) keys.push_back(static_cast<UINT>(msg->wParam));
    return CommandRecorder::PreTranslateMessage(msg);
  }
  std::vector<UINT> keys;
};

class SkinListBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(list_.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
                                 LBS_NOINTEGRALHEIGHT,
                             CRect(10, 10, 260, 150), &owner_, kSongListId));
    PumpPending();
  }
  // The list as it shows, in its own client coordinates.
  qh::gdi::Surface Shown() {
    PumpPending();
    list_.UpdateWindow();
    auto picture = qh::gdi::SnapshotWindow(list_);
    EXPECT_TRUE(picture);
    return picture ? *picture : qh::gdi::Surface();
  }
  static int CountColour(const qh::gdi::Surface& s, int top, int bottom, COLORREF colour) {
    int n = 0;
    for (int y = top; y < bottom && y < s.height(); ++y)
      for (int x = 0; x < s.width(); ++x)
        if (s.at(x, y) == qh::gdi::PixelFromColor(colour)) ++n;
    return n;
  }
  static int BrightestRed(const qh::gdi::Surface& s, int top, int bottom) {
    int red = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = 0; x < s.width(); ++x) red = std::max<int>(red, GetRValue(qh::gdi::ColorFromPixel(s.at(x, y))));
    return red;
  }
  // Columns of one line that hold anything but its background.
  static std::pair<int, int> InkColumns(const qh::gdi::Surface& s, int top, int bottom, COLORREF background) {
    int first = s.width(), last = -1;
    for (int y = top; y < bottom; ++y)
      for (int x = 0; x < s.width(); ++x)
        if (s.at(x, y) != qh::gdi::PixelFromColor(background)) {
          first = std::min(first, x);
          last = std::max(last, x);
        }
    return {first, last};
  }

  KeyRecordingOwner owner_;
  CSkinListBox list_;
};

TEST_F(SkinListBoxTest, FontDescriptionIsBoldArialOfTheItemHeight) {
  EXPECT_EQ(list_.m_logFont.lfHeight, 16);
  EXPECT_EQ(list_.m_logFont.lfWeight, 700);
  EXPECT_STREQ(list_.m_logFont.lfFaceName, "Arial");
  EXPECT_EQ(list_.m_logFont.lfOutPrecision, OUT_CHARACTER_PRECIS);
  EXPECT_EQ(list_.m_logFont.lfQuality, PROOF_QUALITY);
  EXPECT_EQ(list_.m_logFont.lfItalic, 0);
  EXPECT_EQ(list_.m_logFont.lfCharSet, 0);
}

TEST_F(SkinListBoxTest, EveryLineIsTheItemHeightHigh) {
  list_.AddString("01: Blue (Red)");
  list_.AddString("02: Green (Yellow)");
  EXPECT_EQ(list_.GetItemHeight(0), 16);
  RECT second;
  list_.GetItemRect(1, &second);
  EXPECT_EQ(second.top, 16);
  EXPECT_EQ(second.bottom, 32);
}

TEST_F(SkinListBoxTest, LinesUseTheirColoursAndTheSelectedLineItsOwn) {
  list_.AddString("01: Blue (Red)");
  list_.AddString("02: Green (Yellow)");
  list_.SetCurSel(1);
  const qh::gdi::Surface shown = Shown();
  // Glyph edges blend the text colour into the black background, so each line's brightest red tells its
  // text colour.
  EXPECT_GT(CountColour(shown, 0, 16, kNormalText), 0) << "the first line in the normal colour";
  EXPECT_EQ(BrightestRed(shown, 0, 16), GetRValue(kNormalText));
  EXPECT_GT(CountColour(shown, 16, 32, kSelectedText), 0) << "the selected line in the selected colour";
  EXPECT_EQ(BrightestRed(shown, 16, 32), GetRValue(kSelectedText));
  EXPECT_EQ(shown.at(shown.width() - 30, 5), qh::gdi::PixelFromColor(kBlack)) << "black behind the lines";
  EXPECT_EQ(shown.at(shown.width() - 30, 20), qh::gdi::PixelFromColor(kBlack));
}

// "&" is shown as it is: six of them are as wide as six drawn without prefix processing, twice as wide
// as the three that prefix processing would leave.
TEST_F(SkinListBoxTest, AmpersandsAreShownThemselves) {
  list_.AddString("&&&&&&");
  const qh::gdi::Surface shown = Shown();
  const auto [first, last] = InkColumns(shown, 0, 16, kBlack);
  ASSERT_GE(last, first);
  HDC measure = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontIndirect(&list_.m_logFont);
  HGDIOBJ previous = SelectObject(measure, font);
  RECT six{0, 0, 500, 16}, three{0, 0, 500, 16};
  DrawText(measure, "&&&&&&", -1, &six, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
  DrawText(measure, "&&&", -1, &three, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
  SelectObject(measure, previous);
  DeleteObject(font);
  DeleteDC(measure);
  const int inked = last - first + 1;
  EXPECT_GT(inked, three.right + 4);
  EXPECT_NEAR(inked, six.right, 4);
}

TEST_F(SkinListBoxTest, FocusFlagFollowsTheKeyboardFocus) {
  EXPECT_EQ(list_.m_focus, 0);
  list_.SetFocus();
  PumpPending();
  EXPECT_EQ(list_.m_focus, 1);
  owner_.SetFocus();
  PumpPending();
  EXPECT_EQ(list_.m_focus, 0);
}

// Digits are not pre-translated by the list box: they reach the owner's pre-translation unchanged, like
// every other key, and then the list box.
TEST_F(SkinListBoxTest, DigitKeysGoOnToTheOwner) {
  list_.SetFocus();
  PumpPending();
  MSG digit{list_.m_hWnd, WM_KEYDOWN, '7', 0, 0, {}};
  EXPECT_FALSE(list_.PreTranslateMessage(&digit));
  qh::ui::InjectKey('7', true, '7');
  qh::ui::InjectKey('7', false);
  qh::ui::InjectKey(VK_DOWN, true);
  qh::ui::InjectKey(VK_DOWN, false);
  PumpPending();
  EXPECT_NE(std::find(owner_.keys.begin(), owner_.keys.end(), static_cast<UINT>('7')), owner_.keys.end());
  EXPECT_NE(std::find(owner_.keys.begin(), owner_.keys.end(), static_cast<UINT>(VK_DOWN)), owner_.keys.end());
}

}  // namespace
