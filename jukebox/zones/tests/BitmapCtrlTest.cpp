// The thumb control driven by injected mouse input, as a user drags it.
#include "jukebox/zones/BitmapCtrl.h"

#include <gtest/gtest.h>

#include "jukebox/player/tests/PlayerTestSupport.h"
#include "jukebox/zones/tests/ZoneTestSupport.h"
#include "platform/ui/gdi/BitmapResources.h"
#include "platform/ui/gdi/Png.h"
#include "platform/ui/gdi/Snapshot.h"

namespace jukebox::zone_testing {
namespace {

constexpr UINT kNotify = 0x590;

class Recorder : public CWnd {
 public:
  Recorder() { CreateEx(0, AfxRegisterWndClass(0), "parent", WS_POPUP | WS_VISIBLE, 0, 0, 300, 300, nullptr, nullptr); }
  ~Recorder() override { DestroyWindow(); }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kNotify) reports.emplace_back(static_cast<int>(static_cast<INT_PTR>(wParam)), lParam);
    return CWnd::WindowProc(message, wParam, lParam);
  }
  std::vector<std::pair<int, LPARAM>> reports;
};

class BitmapCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override { qh::gdi::AddBitmapFolder(SourcePath("resources/jukebox/bitmaps")); }
  void Make(bool vertical, UINT bitmap = 514) {
    thumb.Setup(bitmap, vertical, kNotify);
    ASSERT_TRUE(thumb.Create(nullptr, "", WS_CHILD | WS_VISIBLE, CRect(100, 100, 112, 111), &parent, 120));
  }
  void Mouse(UINT message, int x, int y) { qh::ui::InjectMouseAt(parent.GetSafeHwnd(), message, x, y, message == WM_MOUSEMOVE ? MK_LBUTTON : 0); }
  // The injected input and the reports it posts have all been handled.
  void Settle() { ASSERT_TRUE(player_testing::SettlePostedMessages()); }

  Recorder parent;
  CBitmapCtrl thumb;
};

TEST_F(BitmapCtrlTest, AVerticalDragReportsYAndEndsOnceOutsideTheParent) {
  Make(true);
  Mouse(WM_MOUSEMOVE, 105, 105);
  Mouse(WM_LBUTTONDOWN, 105, 105);
  Mouse(WM_MOUSEMOVE, 140, 90);     // x is ignored: y 90 is -10 in the thumb
  Mouse(WM_MOUSEMOVE, 105, 130);
  Mouse(WM_LBUTTONUP, 500, 700);    // released far outside the parent
  Settle();
  const std::vector<std::pair<int, LPARAM>> expected{{-10, 0}, {30, 0}, {600, 1}};
  EXPECT_EQ(parent.reports, expected);
  EXPECT_FALSE(thumb.IsDragging());
}

TEST_F(BitmapCtrlTest, AHorizontalThumbReportsX) {
  Make(false, 525);
  Mouse(WM_LBUTTONDOWN, 105, 105);
  Mouse(WM_MOUSEMOVE, 120, 50);
  Mouse(WM_LBUTTONUP, 90, 50);
  Settle();
  const std::vector<std::pair<int, LPARAM>> expected{{20, 0}, {-10, 1}};
  EXPECT_EQ(parent.reports, expected);
}

TEST_F(BitmapCtrlTest, NothingIsPostedWithoutAPress) {
  Make(true);
  Mouse(WM_MOUSEMOVE, 105, 105);
  Mouse(WM_MOUSEMOVE, 106, 108);
  Mouse(WM_LBUTTONUP, 105, 105);
  Settle();
  EXPECT_TRUE(parent.reports.empty());
}

TEST_F(BitmapCtrlTest, AMissingBitmapStillShowsAKnob) {
  Make(true, 9999);
  EXPECT_FALSE(thumb.HasBitmap());
  auto picture = qh::gdi::SnapshotWindow(thumb.GetSafeHwnd());
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->at(5, 5), qh::gdi::PixelFromColor(RGB(192, 192, 192)));
}

TEST_F(BitmapCtrlTest, TheBitmapIsShownAtItsOwnSize) {
  Make(true);
  EXPECT_TRUE(thumb.HasBitmap());
  // A window larger than the bitmap: the bitmap fills its own width and height, pixel for pixel, and
  // is neither stretched nor repeated beyond them.
  thumb.MoveWindow(100, 100, 30, 30);
  auto picture = qh::gdi::SnapshotWindow(thumb.GetSafeHwnd());
  ASSERT_TRUE(picture);
  auto bitmap = qh::gdi::ReadPng(SourcePath("resources/jukebox/bitmaps/514.png"));
  ASSERT_TRUE(bitmap);
  ASSERT_LT(bitmap->width(), 30);
  ASSERT_LT(bitmap->height(), 30);
  int differing = 0;
  for (int y = 0; y < bitmap->height(); ++y)
    for (int x = 0; x < bitmap->width(); ++x) differing += picture->at(x, y) != bitmap->at(x, y) ? 1 : 0;
  EXPECT_EQ(differing, 0);
  const qh::gdi::Pixel outside = picture->at(29, 29);
  for (int y = 0; y < 30; ++y) {
    EXPECT_EQ(picture->at(bitmap->width(), y), outside) << y;
  }
  for (int x = 0; x < 30; ++x) {
    EXPECT_EQ(picture->at(x, bitmap->height()), outside) << x;
  }
}

}  // namespace
}  // namespace jukebox::zone_testing
