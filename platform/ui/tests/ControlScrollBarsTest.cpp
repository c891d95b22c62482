// The scroll bars the lists, list views, tree views, multi-line edits and dropped combo lists draw in
// their own client area: where the arrows, track and thumb are, and what arrows, page clicks, thumb
// drags, the wheel and keys do to what is shown.
#include <gtest/gtest.h>

#include <string>

#include "platform/ui/AfxCmnCtrls.h"
#include "platform/ui/AfxControls.h"
#include "platform/ui/CommCtrl.h"
#include "platform/ui/Input.h"
#include "platform/ui/OwnScrollBar.h"
#include "platform/ui/gdi/Snapshot.h"
#include "platform/ui/tests/UiTestSupport.h"

namespace qh::ui::test {
namespace {

SCROLLINFO Info(int minimum, int maximum, int page, int position) {
  SCROLLINFO info;
  info.nMin = minimum;
  info.nMax = maximum;
  info.nPage = static_cast<UINT>(page);
  info.nPos = position;
  return info;
}

BarGeometry Bar(RECT area, bool vertical, SCROLLINFO info) {
  BarGeometry bar;
  bar.area = area;
  bar.vertical = vertical;
  bar.info = info;
  return bar;
}

TEST(OwnScrollBarGeometry, ArrowsTrackAndThumbAreWhereTheyAreDrawn) {
  // A 100-pixel bar: arrows 0..15 and 84..99, a 68-pixel track; 30 lines, 6 a page.
  const BarGeometry top = Bar(RECT{0, 0, 16, 100}, true, Info(0, 29, 6, 0));
  const BarGeometry bottom = Bar(RECT{0, 0, 16, 100}, true, Info(0, 29, 6, 24));
  EXPECT_EQ(top.Thumb().top, 16);
  EXPECT_EQ(top.Thumb().bottom - top.Thumb().top, 68 * 6 / 30);
  EXPECT_EQ(bottom.Thumb().bottom, 84);
  struct Case {
    const BarGeometry* bar;
    POINT at;
    BarPart part;
  } cases[] = {
      {&top, {8, 0}, BarPart::LineBack},       {&top, {8, 15}, BarPart::LineBack},
      {&top, {8, 16}, BarPart::Thumb},         {&top, {8, 40}, BarPart::PageForward},
      {&top, {8, 84}, BarPart::LineForward},   {&top, {8, 99}, BarPart::LineForward},
      {&top, {20, 50}, BarPart::None},         {&top, {8, 100}, BarPart::None},
      {&bottom, {8, 30}, BarPart::PageBack},   {&bottom, {8, 80}, BarPart::Thumb},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.bar->HitTest(c.at), c.part) << "at " << c.at.x << "," << c.at.y;

  // A horizontal bar along the bottom: left arrow, track, right arrow.
  const BarGeometry across = Bar(RECT{0, 84, 200, 100}, false, Info(0, 449, 184, 0));
  EXPECT_EQ(across.HitTest(POINT{5, 90}), BarPart::LineBack);
  EXPECT_EQ(across.HitTest(POINT{195, 90}), BarPart::LineForward);
  EXPECT_EQ(across.HitTest(POINT{20, 90}), BarPart::Thumb);
  EXPECT_EQ(across.HitTest(POINT{150, 90}), BarPart::PageForward);
  EXPECT_EQ(across.HitTest(POINT{100, 80}), BarPart::None);
  // The thumb dragged to the track's ends reaches the first and the last position.
  EXPECT_EQ(across.PositionForThumbAt(0), 0);
  EXPECT_EQ(across.PositionForThumbAt(1000), 449 - 184 + 1);
  EXPECT_EQ(top.PositionForThumbAt(1000), 24);
}

TEST(OwnScrollBarGeometry, RequestsMoveByLinePageAndThumbWithinTheRange) {
  const SCROLLINFO info = Info(0, 99, 10, 50);
  struct Case {
    WORD code;
    int thumb;
    int expected;
  } cases[] = {
      {SB_LINEUP, 0, 49},  {SB_LINEDOWN, 0, 51}, {SB_PAGEUP, 0, 40},       {SB_PAGEDOWN, 0, 60},
      {SB_TOP, 0, 0},      {SB_BOTTOM, 0, 90},   {SB_THUMBTRACK, 77, 77}, {SB_THUMBPOSITION, 500, 90},
      {SB_ENDSCROLL, 0, 50},
  };
  for (const Case& c : cases) EXPECT_EQ(ScrollTarget(info, c.code, c.thumb), c.expected) << "code " << c.code;
  EXPECT_EQ(ScrollTarget(Info(0, 99, 10, 95), SB_LINEDOWN, 0), 90);
  EXPECT_EQ(ScrollTarget(Info(0, 99, 10, 2), SB_PAGEUP, 0), 0);
}

class ScrollingControls : public ::testing::Test {
 protected:
  ScrollingControls() : parent(nullptr, WS_POPUP | WS_VISIBLE) { MoveWindow(parent.hwnd(), 0, 0, 500, 400, TRUE); }
  void Click(HWND control, int x, int y) {
    InjectMouseAt(control, WM_LBUTTONDOWN, x, y);
    InjectMouseAt(control, WM_LBUTTONUP, x, y);
    PumpPending();
  }
  void Drag(HWND control, POINT from, POINT to) {
    InjectMouseAt(control, WM_LBUTTONDOWN, from.x, from.y);
    InjectMouseAt(control, WM_MOUSEMOVE, to.x, to.y, MK_LBUTTON);
    InjectMouseAt(control, WM_LBUTTONUP, to.x, to.y);
    PumpPending();
  }
  static void Wheel(HWND control, int notches) {
    SendMessage(control, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-notches * WHEEL_DELTA)), 0);
  }
  static void Key(HWND control, UINT key) {
    SetFocus(control);
    InjectKey(key, true);
    InjectKey(key, false);
    PumpPending();
  }
  static bool HasPixel(const qh::gdi::Surface& picture, RECT area, COLORREF color) {
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x)
        if (picture.at(x, y) == qh::gdi::PixelFromColor(color)) return true;
    return false;
  }
  CWnd* Parent() { return CWnd::FromHandle(parent.hwnd()); }
  RecordingWindow parent;
};

TEST_F(ScrollingControls, AListViewScrollsRowsAndColumnsThatDoNotFit) {
  CListCtrl view;
  // 200 by 120: a 20-pixel header, 17-pixel rows; three columns of 150 do not fit across.
  ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 200, 120), Parent(), 9));
  for (int column = 0; column < 3; ++column) view.InsertColumn(column, ("Column " + std::to_string(column)).c_str(), LVCFMT_LEFT, 150);
  for (int i = 0; i < 40; ++i) view.InsertItem(i, ("Row " + std::to_string(i)).c_str());
  PumpPending();
  SCROLLINFO across;
  across.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(view.GetSafeHwnd(), SB_HORZ, &across));
  EXPECT_EQ(across.nMax, 449);
  EXPECT_EQ(across.nPage, 184u);  // the width less the vertical bar
  EXPECT_EQ(view.GetCountPerPage(), (120 - 20 - 16) / 17);

  // The vertical bar: its down arrow, a page click and the wheel.
  Click(view.GetSafeHwnd(), 192, 96);
  EXPECT_EQ(view.GetTopIndex(), 1);
  Click(view.GetSafeHwnd(), 192, 80);
  EXPECT_EQ(view.GetTopIndex(), 5);
  EXPECT_EQ(view.GetSelectedCount(), 0u);  // a click on the bar selects nothing
  Wheel(view.GetSafeHwnd(), 2);
  EXPECT_EQ(view.GetTopIndex(), 11);
  Drag(view.GetSafeHwnd(), POINT{192, OwnBarGeometry(view.GetSafeHwnd(), SB_VERT, WS_VSCROLL | WS_HSCROLL).Thumb().top + 2}, POINT{192, 300});
  EXPECT_EQ(view.GetTopIndex(), 40 - 4);

  // The horizontal bar: the thumb dragged to the right end brings the last column in.
  Drag(view.GetSafeHwnd(), POINT{20, 112}, POINT{400, 112});
  EXPECT_EQ(GetScrollPos(view.GetSafeHwnd(), SB_HORZ), 450 - 184);
  LVHITTESTINFO hit;
  hit.pt = POINT{170, 30};
  EXPECT_EQ(view.SubItemHitTest(&hit), 36);
  EXPECT_EQ(hit.iSubItem, 2);
  // The left arrow key scrolls back.
  Key(view.GetSafeHwnd(), VK_LEFT);
  EXPECT_LT(GetScrollPos(view.GetSafeHwnd(), SB_HORZ), 450 - 184);
  // The picture shows both bars.
  auto picture = qh::gdi::SnapshotWindow(view.GetSafeHwnd());
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->at(192, 60), qh::gdi::PixelFromColor(GetSysColor(COLOR_SCROLLBAR)));
  EXPECT_TRUE(HasPixel(*picture, RECT{16, 105, 184, 120}, GetSysColor(COLOR_BTNFACE)));  // the horizontal thumb
}

TEST_F(ScrollingControls, AListViewThatFitsShowsNoBar) {
  CListCtrl view;
  ASSERT_TRUE(view.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 300, 200), Parent(), 9));
  view.InsertColumn(0, "Name", LVCFMT_LEFT, 150);
  for (int i = 0; i < 3; ++i) view.InsertItem(i, "Row");
  PumpPending();
  EXPECT_FALSE(OwnBarShown(view.GetSafeHwnd(), SB_VERT, WS_VSCROLL));
  EXPECT_FALSE(OwnBarShown(view.GetSafeHwnd(), SB_HORZ, WS_HSCROLL));
  Click(view.GetSafeHwnd(), 40, 30);  // where a bar would be, a row is chosen
  EXPECT_EQ(view.GetSelectedCount(), 1u);
}

TEST_F(ScrollingControls, AMultiLineEditScrollsWithItsBarWheelAndKeys) {
  CEdit report;
  // 96 pixels: six 16-pixel lines show.
  ASSERT_TRUE(report.Create(WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | WS_VSCROLL, CRect(0, 0, 200, 96), Parent(), 5));
  std::string text;
  for (int i = 0; i < 30; ++i) text += "Line " + std::to_string(i) + "\r\n";
  text += "Last";
  report.SetWindowText(text.c_str());
  PumpPending();
  const HWND edit = report.GetSafeHwnd();
  auto first = [&] { return static_cast<int>(SendMessage(edit, EM_GETFIRSTVISIBLELINE, 0, 0)); };
  Click(edit, 192, 90);  // the down arrow
  EXPECT_EQ(first(), 1);
  Click(edit, 192, 4);  // the up arrow
  EXPECT_EQ(first(), 0);
  Click(edit, 192, 70);  // the track below the thumb
  EXPECT_EQ(first(), 6);
  Wheel(edit, 1);
  EXPECT_EQ(first(), 9);
  Drag(edit, POINT{192, OwnBarGeometry(edit, SB_VERT, WS_VSCROLL).Thumb().top + 2}, POINT{192, 500});
  EXPECT_EQ(first(), 31 - 6);
  Wheel(edit, 5);
  EXPECT_EQ(first(), 31 - 6);  // the wheel stops with the last line at the bottom
  // Keys move the caret by lines and pages and bring it into view.
  report.SetSel(0, 0);
  SendMessage(edit, EM_SCROLLCARET, 0, 0);
  EXPECT_EQ(first(), 0);
  Key(edit, VK_NEXT);
  Key(edit, VK_NEXT);
  EXPECT_EQ(SendMessage(edit, EM_LINEFROMCHAR, static_cast<WPARAM>(-1), 0), 12);
  EXPECT_EQ(first(), 7);
  Key(edit, VK_UP);
  EXPECT_EQ(SendMessage(edit, EM_LINEFROMCHAR, static_cast<WPARAM>(-1), 0), 11);
  auto picture = qh::gdi::SnapshotWindow(edit);
  ASSERT_TRUE(picture);
  EXPECT_TRUE(HasPixel(*picture, RECT{184, 16, 200, 80}, GetSysColor(COLOR_SCROLLBAR)));
}

TEST_F(ScrollingControls, ATreeViewScrollsWithItsBarAndWheel) {
  CTreeCtrl tree;
  ASSERT_TRUE(tree.Create(WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS, CRect(0, 0, 150, 100), Parent(), 6));
  HTREEITEM items[30];
  for (int i = 0; i < 30; ++i) items[i] = tree.InsertItem(("Item " + std::to_string(i)).c_str());
  PumpPending();
  ASSERT_TRUE(OwnBarShown(tree.GetSafeHwnd(), SB_VERT, WS_VSCROLL));
  Click(tree.GetSafeHwnd(), 142, 95);  // the down arrow
  EXPECT_EQ(tree.GetFirstVisibleItem(), items[1]);
  EXPECT_EQ(tree.GetSelectedItem(), nullptr);
  Wheel(tree.GetSafeHwnd(), 1);
  EXPECT_EQ(tree.GetFirstVisibleItem(), items[4]);
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  GetScrollInfo(tree.GetSafeHwnd(), SB_VERT, &info);
  Drag(tree.GetSafeHwnd(), POINT{142, OwnBarGeometry(tree.GetSafeHwnd(), SB_VERT, WS_VSCROLL).Thumb().top + 2}, POINT{142, 400});
  EXPECT_EQ(tree.GetFirstVisibleItem(), items[30 - static_cast<int>(info.nPage)]);
}

TEST_F(ScrollingControls, ALongGenreListScrollsToItsLastEntryWithTheDroppedListsBar) {
  CComboBox genres;
  ASSERT_TRUE(genres.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST, CRect(10, 10, 210, 200), Parent(), 1011));
  for (int i = 0; i < 149; ++i) genres.AddString(("Genre " + std::to_string(1000 + i)).c_str());
  genres.SetCurSel(0);
  genres.ShowDropDown(TRUE);
  PumpPending();
  RECT box;
  genres.GetWindowRect(&box);
  const HWND list = WindowFromPoint(POINT{box.left + 20, box.bottom + 20});
  ASSERT_NE(list, nullptr);
  ASSERT_NE(list, parent.hwnd());
  RECT client;
  GetClientRect(list, &client);
  ASSERT_TRUE(OwnBarShown(list, SB_VERT, WS_VSCROLL));
  // The wheel over the closed box steps the choice; over the dropped list it scrolls the list.
  Wheel(list, 2);
  EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 6);
  Drag(list, POINT{client.right - 8, OwnBarGeometry(list, SB_VERT, WS_VSCROLL).Thumb().top + 2}, POINT{client.right - 8, client.bottom + 300});
  const int rows = static_cast<int>(client.bottom) / 16;
  EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 149 - rows);
  Click(list, 20, (rows - 1) * 16 + 8);
  EXPECT_EQ(genres.GetCurSel(), 148);
  EXPECT_FALSE(genres.GetDroppedState());
  Wheel(genres.GetSafeHwnd(), -1);
  EXPECT_EQ(genres.GetCurSel(), 147);
}

}  // namespace
}  // namespace qh::ui::test
