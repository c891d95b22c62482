// The list box's own scroll bar and the mouse wheel, driven by injected mouse input.
#include <gtest/gtest.h>

#include "platform/ui/AfxCmnCtrls.h"
#include "platform/ui/AfxControls.h"
#include "platform/ui/CommCtrl.h"
#include "platform/ui/Input.h"
#include "platform/ui/gdi/Snapshot.h"
#include "platform/ui/tests/UiTestSupport.h"

namespace qh::ui::test {
namespace {

class ListScroll : public ::testing::Test {
 protected:
  void SetUp() override {
    MoveWindow(parent.hwnd(), 0, 0, 300, 200, TRUE);
    ShowWindow(parent.hwnd(), SW_SHOW);
    // 96 pixels high: six lines of 16 show at a time.
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY, CRect(10, 10, 110, 106),
                            CWnd::FromHandle(parent.hwnd()), 7));
    for (int i = 0; i < 30; ++i) list.AddString(("Line " + std::to_string(i)).c_str());
    PumpPending();
  }
  void Click(int x, int y) {
    InjectMouseAt(list.GetSafeHwnd(), WM_LBUTTONDOWN, x, y);
    InjectMouseAt(list.GetSafeHwnd(), WM_LBUTTONUP, x, y);
    PumpPending();
  }

  RecordingWindow parent{nullptr, WS_POPUP};
  CListBox list;
};

TEST_F(ListScroll, ArrowsTrackAndThumbScrollWithoutSelecting) {
  Click(92, 90);  // the down arrow (the bar is the right 16 pixels)
  EXPECT_EQ(list.GetTopIndex(), 1);
  Click(92, 4);  // the up arrow
  EXPECT_EQ(list.GetTopIndex(), 0);
  Click(92, 70);  // the track below the thumb: a page
  EXPECT_EQ(list.GetTopIndex(), 6);
  EXPECT_EQ(list.GetCurSel(), LB_ERR);
  // Dragging the thumb to the bottom shows the last lines.
  CRect item;
  const int thumbY = 16 + (64 * 6 / 30) / 2 + (64 - 64 * 6 / 30) * 6 / 24;
  InjectMouseAt(list.GetSafeHwnd(), WM_LBUTTONDOWN, 92, thumbY);
  InjectMouseAt(list.GetSafeHwnd(), WM_MOUSEMOVE, 92, 200, MK_LBUTTON);
  InjectMouseAt(list.GetSafeHwnd(), WM_LBUTTONUP, 92, 200);
  PumpPending();
  EXPECT_EQ(list.GetTopIndex(), 24);
  // Lines are as wide as the list less the bar.
  list.GetItemRect(24, &item);
  EXPECT_EQ(item.right, 84);
  auto picture = qh::gdi::SnapshotWindow(list.GetSafeHwnd());
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->at(92, 50), qh::gdi::PixelFromColor(GetSysColor(COLOR_SCROLLBAR)));  // the track
  EXPECT_EQ(picture->at(92, 74), qh::gdi::PixelFromColor(GetSysColor(COLOR_BTNFACE)));    // the thumb, at the end
}

TEST_F(ListScroll, TheWheelScrollsThreeLinesANotch) {
  list.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
  EXPECT_EQ(list.GetTopIndex(), 3);
  list.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-3 * WHEEL_DELTA)), 0);
  EXPECT_EQ(list.GetTopIndex(), 12);
  list.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(20 * WHEEL_DELTA)), 0);
  EXPECT_EQ(list.GetTopIndex(), 0);
  list.SendMessage(WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(list.GetTopIndex(), 24);
}

TEST_F(ListScroll, KeysBringTheSelectionIntoViewAndTheBarFollows) {
  list.SetFocus();
  const struct {
    UINT key;
    int selected;
    int top;
  } steps[] = {{VK_DOWN, 0, 0}, {VK_NEXT, 6, 1}, {VK_END, 29, 24}, {VK_PRIOR, 23, 23}, {VK_HOME, 0, 0}};
  for (const auto& step : steps) {
    InjectKey(step.key, true);
    InjectKey(step.key, false);
    PumpPending();
    EXPECT_EQ(list.GetCurSel(), step.selected) << "key " << step.key;
    EXPECT_EQ(list.GetTopIndex(), step.top) << "key " << step.key;
    EXPECT_EQ(GetScrollPos(list.GetSafeHwnd(), SB_VERT), step.top) << "key " << step.key;
  }
}

TEST_F(ListScroll, NoBarWhileTheLinesFit) {
  list.ResetContent();
  list.AddString("one");
  PumpPending();
  CRect item;
  list.GetItemRect(0, &item);
  EXPECT_EQ(item.right, 100);
  Click(92, 4);
  EXPECT_EQ(list.GetCurSel(), 0);
}

TEST(ListViewWheel, ScrollsThreeRowsANotch) {
  RecordingWindow parent(nullptr, WS_POPUP | WS_VISIBLE);
  MoveWindow(parent.hwnd(), 0, 0, 300, 200, TRUE);
  CListCtrl view;
  ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 200, 100), CWnd::FromHandle(parent.hwnd()), 9));
  view.InsertColumn(0, "Name", LVCFMT_LEFT, 150);
  for (int i = 0; i < 40; ++i) view.InsertItem(i, ("Row " + std::to_string(i)).c_str());
  view.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-2 * WHEEL_DELTA)), 0);
  EXPECT_EQ(view.GetTopIndex(), 6);
  view.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(WHEEL_DELTA)), 0);
  EXPECT_EQ(view.GetTopIndex(), 3);
}

}  // namespace
}  // namespace qh::ui::test
