#include <gtest/gtest.h>

#include <chrono>

#include "jukebox/app/SkinButton.h"
#include "jukebox/app/tests/SkinTestSupport.h"
#include "platform/ui/Input.h"

namespace {

using namespace std::chrono_literals;
using jukebox::test::CommandRecorder;
using jukebox::test::PumpFor;
using jukebox::test::PumpPending;
using jukebox::test::ShownAt;
using jukebox::test::SkinFolder;

constexpr UINT kPlayId = 108;
constexpr UINT kUp = 424, kDown = 425, kHover = 518, kDisabled = 519;
constexpr COLORREF kUpColour = RGB(200, 40, 40), kDownColour = RGB(40, 200, 40), kHoverColour = RGB(40, 40, 200),
                   kDisabledColour = RGB(120, 120, 120);

class SkinButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    skins_.AddFace(kUp, 57, 40, kUpColour);
    skins_.AddFace(kDown, 57, 40, kDownColour);
    skins_.AddFace(kHover, 57, 40, kHoverColour);
    skins_.AddFace(kDisabled, 57, 40, kDisabledColour);
  }
  void CreateButton(CRgn* shape = nullptr) {
    if (shape) button_.SetBitmapIdsAndShape(kUp, kDown, kHover, kDisabled, shape);
    else button_.SetBitmapIds(kUp, kDown, kHover, kDisabled);
    ASSERT_TRUE(button_.Create(AfxRegisterWndClass(0), "", WS_CHILD | WS_VISIBLE, CRect(20, 30, 77, 70), &parent_,
                               kPlayId));
    PumpPending();
  }
  // The pointer moves onto the button and the left button goes down, as the mouse makes them.
  void Press(int x = 10, int y = 10) {
    qh::ui::InjectMouseAt(button_, WM_MOUSEMOVE, x, y);
    qh::ui::InjectMouseAt(button_, WM_LBUTTONDOWN, x, y, MK_LBUTTON);
  }
  void Click(int x = 10, int y = 10) {
    Press(x, y);
    qh::ui::InjectMouseAt(button_, WM_LBUTTONUP, x, y);
    PumpPending();
  }
  // The pointer moves off the button onto the parent.
  void Leave() { qh::ui::InjectMouseAt(parent_, WM_MOUSEMOVE, 250, 150, MK_LBUTTON); }
  int Clicks() const {
    int n = 0;
    for (const auto& c : parent_.commands)
      if (LOWORD(c.wParam) == kPlayId && HIWORD(c.wParam) == 0 && c.lParam == reinterpret_cast<LPARAM>(button_.m_hWnd))
        ++n;
    return n;
  }

  SkinFolder skins_;
  CommandRecorder parent_;
  CSkinButton button_;
};

TEST_F(SkinButtonTest, ClickPostsOneCommandToTheParent) {
  CreateButton();
  Click();
  EXPECT_EQ(Clicks(), 1);
  EXPECT_EQ(parent_.commands.size(), 1u);
}

TEST_F(SkinButtonTest, TheCommandIsPostedNotSent) {
  CreateButton();
  button_.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  button_.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(Clicks(), 0) << "nothing before the parent's queue runs";
  PumpPending();
  EXPECT_EQ(Clicks(), 1);
}

// Leaving clears the pressed flag, so a release that comes after the pointer left reports nothing.
TEST_F(SkinButtonTest, ReleaseAfterThePointerLeftReportsNothing) {
  CreateButton();
  Press();
  PumpPending();
  Leave();
  PumpPending();
  qh::ui::InjectMouseAt(parent_, WM_LBUTTONUP, 250, 150);
  PumpPending();
  EXPECT_EQ(Clicks(), 0);
  button_.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(10, 10));  // even if a release reached the button
  PumpPending();
  EXPECT_EQ(Clicks(), 0);
}

TEST_F(SkinButtonTest, WithoutAutoRepeatNoTimerRunsAndEachPressClicksOnce) {
  CreateButton();
  Press();
  PumpFor(500ms);
  EXPECT_EQ(Clicks(), 0);
  EXPECT_FALSE(::KillTimer(button_, 1)) << "no repeat timer was started";
  qh::ui::InjectMouseAt(button_, WM_LBUTTONUP, 10, 10);
  PumpPending();
  EXPECT_EQ(Clicks(), 1);
  Click();
  EXPECT_EQ(Clicks(), 2);
}

// Held for one second with a delay of 350 ms and a period of 75 ms: a click at 350 ms, then every
// 75 ms (nine by 1000 ms), and one more on release. Timers never fire early; a loaded machine may fire
// them late, so the count may fall short by a few but never exceed nine.
TEST_F(SkinButtonTest, AutoRepeatClicksAfterTheDelayThenEveryPeriodAndOnRelease) {
  CreateButton();
  button_.SetAutoRepeat(350, 75);
  Press();
  const auto pressed = std::chrono::steady_clock::now();
  PumpFor(1000ms);
  const int repeats = Clicks();
  ASSERT_GE(repeats, 6);
  EXPECT_LE(repeats, 9);
  const auto first = std::chrono::duration_cast<std::chrono::milliseconds>(parent_.commands[0].when - pressed);
  EXPECT_GE(first.count(), 349);
  EXPECT_LT(first.count(), 600);
  for (std::size_t i = 1; i < parent_.commands.size(); ++i) {
    const auto gap = parent_.commands[i].when - parent_.commands[i - 1].when;
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(gap).count(), 60) << i;
  }
  qh::ui::InjectMouseAt(button_, WM_LBUTTONUP, 10, 10);
  PumpFor(200ms);
  EXPECT_EQ(Clicks(), repeats + 1) << "one more on release, and the repeating stops";
}

TEST_F(SkinButtonTest, LeavingWhileHeldStopsTheRepeat) {
  CreateButton();
  button_.SetAutoRepeat(350, 75);
  Press();
  PumpFor(500ms);
  const int beforeLeaving = Clicks();
  EXPECT_GE(beforeLeaving, 1);
  Leave();
  PumpFor(300ms);
  EXPECT_EQ(Clicks(), beforeLeaving);
}

TEST_F(SkinButtonTest, DisabledWhileHeldStopsClicking) {
  CreateButton();
  button_.SetAutoRepeat(50, 20);
  Press();
  PumpFor(120ms);
  button_.EnableWindow(FALSE);
  PumpFor(60ms);
  const int afterDisabling = Clicks();
  PumpFor(200ms);
  EXPECT_EQ(Clicks(), afterDisabling);
}

struct FaceCase {
  const char* name;
  bool enabled;
  int state;
  bool hover;
  COLORREF expected;
};

class SkinButtonFaceTest : public SkinButtonTest, public ::testing::WithParamInterface<FaceCase> {};

TEST_P(SkinButtonFaceTest, ShowsTheFaceOfItsState) {
  const FaceCase& c = GetParam();
  CreateButton();
  if (c.hover) qh::ui::InjectMouseAt(button_, WM_MOUSEMOVE, 10, 10);
  else qh::ui::InjectMouseAt(parent_, WM_MOUSEMOVE, 250, 150);
  PumpPending();
  button_.EnableWindow(c.enabled);
  button_.SetState(c.state);
  EXPECT_EQ(ShownAt(button_, 28, 20), c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    States, SkinButtonFaceTest,
    ::testing::Values(FaceCase{"up", true, 0, false, kUpColour}, FaceCase{"hover", true, 0, true, kHoverColour},
                      FaceCase{"latched", true, 1, false, kDownColour},
                      FaceCase{"latched_hover", true, 1, true, kDownColour},
                      FaceCase{"disabled", false, 0, false, kDisabledColour},
                      FaceCase{"disabled_hover", false, 0, true, kDisabledColour},
                      FaceCase{"disabled_latched", false, 1, false, kDisabledColour},
                      FaceCase{"disabled_latched_hover", false, 1, true, kDisabledColour}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SkinButtonTest, PressingDoesNotChangeTheFace) {
  CreateButton();
  Press();
  PumpPending();
  EXPECT_EQ(ShownAt(button_, 28, 20), kHoverColour);
}

TEST_F(SkinButtonTest, StateKeepsOnlyZeroAndOne) {
  CreateButton();
  EXPECT_EQ(button_.GetState(), 0);
  button_.SetState(1);
  EXPECT_EQ(button_.GetState(), 1);
  button_.SetState(5);
  EXPECT_EQ(button_.GetState(), 1);
  button_.SetState(0);
  EXPECT_EQ(button_.GetState(), 0);
}

// A round button: presses outside its ellipse go to the window below, and the caller's region stays
// the caller's.
TEST_F(SkinButtonTest, ShapedButtonTakesClicksOnlyInsideItsRegion) {
  CRgn circle;
  circle.CreateEllipticRgn(0, 0, 26, 26);
  CreateButton(&circle);
  Click(1, 1);
  EXPECT_EQ(Clicks(), 0) << "the corner is outside the shape";
  Click(13, 13);
  EXPECT_EQ(Clicks(), 1);
  button_.DestroyWindow();
  EXPECT_TRUE(circle.PtInRegion(13, 13));
}

TEST_F(SkinButtonTest, MissingFacesLeaveTheButtonWorking) {
  button_.SetBitmapIds(9001, 9002, 9003, 9004);
  ASSERT_TRUE(button_.Create(AfxRegisterWndClass(0), "", WS_CHILD | WS_VISIBLE, CRect(20, 30, 77, 70), &parent_, kPlayId));
  Click();
  EXPECT_EQ(Clicks(), 1);
}

}  // namespace
