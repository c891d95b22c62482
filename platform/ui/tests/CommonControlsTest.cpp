// List view, progress bar, track bar and image lists, driven by messages as a user drives them.
#include <gtest/gtest.h>

#include <functional>

#include "platform/core/DateTime.h"
#include "platform/ui/AfxCmnCtrls.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Input.h"
#include "platform/ui/gdi/Snapshot.h"
#include "platform/ui/tests/UiTestSupport.h"

using namespace qh::ui::test;
using qh::ui::InjectKey;
using qh::ui::InjectMouseAt;
using qh::ui::InjectText;

namespace {

struct Seen {
  UINT code;
  int item;
  int subItem;
  std::string text;  // label-edit texts; "<null>" for a cancelled edit
  UINT newState;
};

// A parent that records its controls' WM_NOTIFY and WM_HSCROLL and answers as told.
class NotifyHost : public CWnd {
 public:
  static bool FromList(const NMHDR* header) {
    char name[32] = {};
    GetClassName(header->hwndFrom, name, sizeof name);
    return std::string(name) == WC_LISTVIEW;
  }
  NotifyHost() {
    CreateEx(0, AfxRegisterWndClass(0), "host", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr);
  }
  std::vector<Seen> seen;
  std::vector<std::pair<UINT, UINT>> scrolls;  // code, position
  std::function<LRESULT(UINT code, NMHDR*)> answer;
  std::vector<UINT> Codes() const {
    std::vector<UINT> codes;
    for (const Seen& s : seen) codes.push_back(s.code);
    return codes;
  }
  int Count(UINT code) const {
    int n = 0;
    for (const Seen& s : seen) n += s.code == code;
    return n;
  }

 protected:
  BOOL OnNotify(WPARAM, LPARAM lParam, LRESULT* result) override {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    Seen record{header->code, -1, 0, "", 0};
    if (header->code == LVN_BEGINLABELEDIT || header->code == LVN_ENDLABELEDIT) {
      auto* info = reinterpret_cast<NMLVDISPINFO*>(lParam);
      record.item = info->item.iItem;
      record.text = info->item.pszText ? info->item.pszText : "<null>";
    } else if (FromList(header) && header->code != NM_SETFOCUS && header->code != NM_KILLFOCUS &&
               header->code != NM_RETURN && header->code != LVN_KEYDOWN) {
      auto* list = reinterpret_cast<NMLISTVIEW*>(lParam);
      record.item = list->iItem;
      record.subItem = list->iSubItem;
      record.newState = list->uNewState;
    }
    seen.push_back(record);
    *result = answer ? answer(header->code, header) : 0;
    return TRUE;
  }
  afx_msg void OnHScroll(UINT code, UINT position, CScrollBar*) { scrolls.emplace_back(code, position); }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(NotifyHost, CWnd)
ON_WM_HSCROLL()
END_MESSAGE_MAP()

class ListViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(list.Create(WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_EDITLABELS, CRect(0, 0, 300, 200), &host, 50));
    list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    list.InsertColumn(0, "Title", LVCFMT_LEFT, 120);
    list.InsertColumn(1, "Artist", LVCFMT_LEFT, 100);
    list.InsertColumn(2, "Time", LVCFMT_RIGHT, 60);
    const char* rows[][3] = {{"Song A", "Abba", "3:01"}, {"Song B", "Blur", "4:10"}, {"Song C", "Cher", "2:59"}};
    for (int i = 0; i < 3; ++i) {
      ASSERT_EQ(list.InsertItem(i, rows[i][0]), i);
      list.SetItemText(i, 1, rows[i][1]);
      list.SetItemText(i, 2, rows[i][2]);
      list.SetItemData(i, static_cast<DWORD_PTR>(100 + i));
    }
    host.seen.clear();
  }
  // Client point of a row (rows are 17 pixels under a 20-pixel header).
  static int RowY(int row) { return 20 + row * 17 + 5; }
  void ClickRow(int row, WPARAM keys = 0) {
    InjectMouseAt(list, WM_LBUTTONDOWN, 10, RowY(row), keys);
    InjectMouseAt(list, WM_LBUTTONUP, 10, RowY(row), keys);
    PumpPending();
  }
  NotifyHost host;
  CListCtrl list;
};

TEST_F(ListViewTest, ItemsKeepTheirTextsAndData) {
  EXPECT_EQ(list.GetItemCount(), 3);
  EXPECT_EQ(list.GetItemText(1, 1), CString("Blur"));
  EXPECT_EQ(list.GetItemText(2, 2), CString("2:59"));
  EXPECT_EQ(list.GetItemText(2, 7), CString(""));
  EXPECT_EQ(list.GetItemData(0), 100u);
  EXPECT_EQ(list.GetColumnWidth(1), 100);
  LVCOLUMN column;
  char heading[32];
  column.mask = LVCF_TEXT;
  column.pszText = const_cast<char*>("Length");
  list.SetColumn(2, &column);
  column.pszText = heading;
  column.cchTextMax = sizeof heading;
  list.GetColumn(2, &column);
  EXPECT_STREQ(heading, "Length");
  LVFINDINFO find;
  find.flags = LVFI_PARAM;
  find.lParam = 102;
  EXPECT_EQ(list.FindItem(&find), 2);
}

TEST_F(ListViewTest, ClickSelectsAndFocusesWithChangeNotices) {
  ClickRow(1);
  EXPECT_EQ(list.GetSelectedCount(), 1u);
  EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 1);
  EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 1);
  EXPECT_GE(host.Count(LVN_ITEMCHANGED), 1);
  EXPECT_EQ(host.Count(NM_CLICK), 1);
  ClickRow(2, MK_CONTROL);
  std::vector<int> selected;
  for (POSITION p = list.GetFirstSelectedItemPosition(); p;) selected.push_back(list.GetNextSelectedItem(p));
  EXPECT_EQ(selected, (std::vector<int>{1, 2}));
  InjectKey(VK_UP, true);
  PumpPending();
  EXPECT_EQ(list.GetSelectedCount(), 1u);
  EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 1);
}

TEST_F(ListViewTest, AChangeTheParentRefusesDoesNotHappen) {
  host.answer = [](UINT code, NMHDR*) -> LRESULT { return code == LVN_ITEMCHANGING ? TRUE : FALSE; };
  ClickRow(0);
  EXPECT_EQ(list.GetSelectedCount(), 0u);
  EXPECT_EQ(host.Count(LVN_ITEMCHANGED), 0);
}

TEST_F(ListViewTest, DoubleClickHeaderClickSortAndEnsureVisible) {
  InjectMouseAt(list, WM_LBUTTONDOWN, 130, 5);  // the second heading
  PumpPending();
  ASSERT_EQ(host.Count(LVN_COLUMNCLICK), 1);
  for (const Seen& s : host.seen) {
    if (s.code == LVN_COLUMNCLICK) {
      EXPECT_EQ(s.subItem, 1);
    }
  }
  list.SendMessage(WM_LBUTTONDBLCLK, 0, MAKELPARAM(10, RowY(2)));
  ASSERT_EQ(host.Count(NM_DBLCLK), 1);
  list.SortItems([](LPARAM a, LPARAM b, LPARAM) { return static_cast<int>(b - a); }, 0);
  EXPECT_EQ(list.GetItemText(0, 0), CString("Song C"));
  for (int i = 3; i < 40; ++i) list.InsertItem(i, "more");
  EXPECT_EQ(list.GetTopIndex(), 0);
  list.EnsureVisible(30, FALSE);
  EXPECT_GT(list.GetTopIndex(), 0);
  EXPECT_LE(list.GetTopIndex(), 30);
  EXPECT_GT(list.GetTopIndex() + list.GetCountPerPage(), 30);
}

TEST_F(ListViewTest, DeletingTellsTheParentAboutEachItem) {
  list.DeleteItem(0);
  EXPECT_EQ(host.Count(LVN_DELETEITEM), 1);
  list.DeleteAllItems();
  EXPECT_EQ(host.Count(LVN_DELETEALLITEMS), 1);
  EXPECT_EQ(host.Count(LVN_DELETEITEM), 3);
  EXPECT_EQ(list.GetItemCount(), 0);
}

TEST_F(ListViewTest, InPlaceEditingEndsWithTheTypedTextWhenTheParentAccepts) {
  struct Case {
    UINT endKey;
    LRESULT accept;
    const char* reported;
    const char* label;
  };
  for (Case c : {Case{VK_RETURN, TRUE, "Renamed", "Renamed"}, Case{VK_RETURN, FALSE, "Renamed", "Song B"},
                 Case{VK_ESCAPE, TRUE, "<null>", "Song B"}}) {
    list.SetItemText(1, 0, "Song B");
    host.seen.clear();
    host.answer = [&](UINT code, NMHDR*) -> LRESULT { return code == LVN_ENDLABELEDIT ? c.accept : FALSE; };
    CEdit* editor = list.EditLabel(1);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(GetFocus(), editor->m_hWnd);
    ASSERT_EQ(host.Count(LVN_BEGINLABELEDIT), 1);
    editor->SetWindowText("");
    InjectText("Renamed");
    InjectKey(c.endKey, true);
    PumpPending();
    ASSERT_EQ(host.Count(LVN_ENDLABELEDIT), 1);
    EXPECT_EQ(host.seen.back().text, c.reported);
    EXPECT_EQ(list.GetItemText(1, 0), CString(c.label));
    EXPECT_EQ(list.GetEditControl(), nullptr);
    EXPECT_EQ(GetFocus(), list.m_hWnd);
  }
  host.answer = [](UINT code, NMHDR*) -> LRESULT { return code == LVN_BEGINLABELEDIT; };
  EXPECT_EQ(list.EditLabel(0), nullptr);  // the parent refused
}

TEST(RangeControls, ProgressBarClampsStepsAroundAndShowsItsShare) {
  NotifyHost host;
  CProgressCtrl progress;
  ASSERT_TRUE(progress.Create(WS_VISIBLE, CRect(0, 0, 102, 10), &host, 60));
  progress.SetRange(0, 10);
  EXPECT_EQ(progress.SetPos(99), 0);
  EXPECT_EQ(progress.GetPos(), 10);
  progress.SetPos(5);
  auto snapshot = qh::gdi::SnapshotWindow(host.m_hWnd);
  ASSERT_TRUE(snapshot);
  EXPECT_EQ(snapshot->at(20, 5), qh::gdi::PixelFromColor(GetSysColor(COLOR_HIGHLIGHT)));
  EXPECT_NE(snapshot->at(80, 5), qh::gdi::PixelFromColor(GetSysColor(COLOR_HIGHLIGHT)));
  progress.SetStep(4);
  progress.StepIt();
  EXPECT_EQ(progress.GetPos(), 9);
  progress.StepIt();  // past the end: starts over
  EXPECT_EQ(progress.GetPos(), 3);
  int low = -1, high = -1;
  progress.GetRange(low, high);
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 10);
}

TEST(RangeControls, SliderReportsKeyMovesAndDragsEndingWithEndTrack) {
  NotifyHost host;
  CSliderCtrl slider;
  ASSERT_TRUE(slider.Create(WS_VISIBLE, CRect(0, 0, 116, 30), &host, 61));
  slider.SetRange(1, 3);
  slider.SetPos(1);
  slider.SetFocus();
  InjectKey(VK_RIGHT, true);
  InjectKey(VK_RIGHT, false);
  PumpPending();
  EXPECT_EQ(slider.GetPos(), 2);
  ASSERT_EQ(host.scrolls.size(), 2u);
  EXPECT_EQ(host.scrolls[0].first, static_cast<UINT>(TB_LINEDOWN));
  EXPECT_EQ(host.scrolls[1].first, static_cast<UINT>(TB_ENDTRACK));
  host.scrolls.clear();
  // The thumb of position 2 sits in the middle (58); drag it to the right end.
  InjectMouseAt(slider, WM_LBUTTONDOWN, 58, 15);
  InjectMouseAt(slider, WM_MOUSEMOVE, 110, 15);
  InjectMouseAt(slider, WM_LBUTTONUP, 110, 15);
  PumpPending();
  EXPECT_EQ(slider.GetPos(), 3);
  ASSERT_FALSE(host.scrolls.empty());
  EXPECT_EQ(host.scrolls.front(), std::make_pair(static_cast<UINT>(TB_THUMBTRACK), 3u));
  EXPECT_EQ(host.scrolls.back().first, static_cast<UINT>(TB_ENDTRACK));
}

TEST(ImageLists, MaskedImagesLeaveTheKeyColourShowingWhatWasBelow) {
  NotifyHost host;
  CImageList images;
  ASSERT_TRUE(images.Create(4, 4, ILC_COLOR24 | ILC_MASK, 0, 4));
  // Two 4x4 images: blue with a red (key) left column, and green.
  std::vector<DWORD> strip(8 * 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) strip[y * 8 + x] = x == 0 ? 0xFF0000u : (x < 4 ? 0x0000FFu : 0x00FF00u);
  CBitmap bitmap;
  ASSERT_TRUE(bitmap.CreateBitmap(8, 4, 1, 32, strip.data()));
  EXPECT_EQ(images.Add(&bitmap, RGB(255, 0, 0)), 0);
  EXPECT_EQ(images.GetImageCount(), 2);
  CClientDC dc(&host);
  dc.FillSolidRect(0, 0, 20, 20, RGB(200, 200, 0));
  images.Draw(&dc, 0, CPoint(2, 2), ILD_TRANSPARENT);
  images.Draw(&dc, 1, CPoint(10, 2), ILD_NORMAL);
  auto snapshot = qh::gdi::SnapshotWindow(host.m_hWnd);
  ASSERT_TRUE(snapshot);
  EXPECT_EQ(snapshot->at(2, 3), qh::gdi::PixelFromColor(RGB(200, 200, 0)));  // key colour: background shows
  EXPECT_EQ(snapshot->at(4, 3), 0x0000FFu);
  EXPECT_EQ(snapshot->at(11, 3), 0x00FF00u);
}

}  // namespace

namespace {

TEST(DatePicker, StartsAtNowAndStepsTheChosenFieldWithANotice) {
  NotifyHost host;
  CDateTimeCtrl picker;
  ASSERT_TRUE(picker.Create(WS_VISIBLE | DTS_SHORTDATEFORMAT, CRect(0, 0, 120, 22), &host, 90));
  COleDateTime shown;
  ASSERT_TRUE(picker.GetTime(shown));
  COleDateTimeSpan fromNow = COleDateTime::GetCurrentTime() - shown;
  EXPECT_LT(std::abs(fromNow.GetTotalSeconds()), 5.0);
  picker.SetTime(COleDateTime(2005, 1, 31, 0, 0, 0));
  CString text;
  picker.GetWindowText(text);
  EXPECT_EQ(text, CString("1/31/2005"));
  picker.SetFocus();
  InjectKey(VK_UP, true);  // the day
  PumpPending();
  picker.GetTime(shown);
  EXPECT_EQ(shown, COleDateTime(2005, 2, 1, 0, 0, 0));
  EXPECT_EQ(host.Count(DTN_DATETIMECHANGE), 1);
  picker.SetTime(COleDateTime(2005, 1, 31, 0, 0, 0));
  InjectKey(VK_LEFT, true);  // to the month
  InjectKey(VK_UP, true);
  PumpPending();
  picker.GetTime(shown);
  EXPECT_EQ(shown, COleDateTime(2005, 2, 28, 0, 0, 0));  // no February 31st: its last day
}

TEST(DatePicker, DataExchangeMovesDatesBothWays) {
  const char* form = R"(
DIALOG 960 "Song Information" 0 0 150 60 STYLE 0x80C80000
  CONTROL 1200 SysDateTimePick32 "" 0x50010000 10 10 80 14
END
)";
  ASSERT_TRUE(qh::ui::LoadDialogTemplates(form));
  class SongInfo : public CDialog {
   public:
    SongInfo() : CDialog(960) {}
    COleDateTime added = COleDateTime(2004, 7, 4, 0, 0, 0);
    void DoDataExchange(CDataExchange* dx) override { DDX_DateTimeCtrl(dx, 1200, added); }
  } dialog;
  qh::ui::SetDialogAnswerer([](CWnd& shown) {
    auto* picker = static_cast<CDateTimeCtrl*>(shown.GetDlgItem(1200));
    COleDateTime value;
    picker->GetTime(value);
    EXPECT_EQ(value, COleDateTime(2004, 7, 4, 0, 0, 0));
    picker->SetTime(COleDateTime(2006, 5, 20, 0, 0, 0));
    shown.PostMessage(WM_COMMAND, IDOK);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  qh::ui::SetDialogAnswerer(nullptr);
  EXPECT_EQ(dialog.added, COleDateTime(2006, 5, 20, 0, 0, 0));
}

TEST(SpinButton, StepsWithinItsRangeShowsItInTheBuddyAndAsksFirst) {
  NotifyHost host;
  CEdit buddy;
  ASSERT_TRUE(buddy.Create(WS_VISIBLE, CRect(0, 0, 40, 20), &host, 91));
  CSpinButtonCtrl spin;
  ASSERT_TRUE(spin.Create(WS_VISIBLE | UDS_AUTOBUDDY | UDS_SETBUDDYINT, CRect(40, 0, 56, 20), &host, 92));
  EXPECT_EQ(spin.GetBuddy(), &buddy);
  spin.SetRange(50, 52);
  spin.SetPos(51);
  CString text;
  buddy.GetWindowText(text);
  EXPECT_EQ(text, CString("51"));
  InjectMouseAt(spin, WM_LBUTTONDOWN, 5, 2);  // the upper arrow
  PumpPending();
  EXPECT_EQ(spin.GetPos(), 52);
  InjectMouseAt(spin, WM_LBUTTONUP, 5, 2);
  InjectMouseAt(spin, WM_LBUTTONDOWN, 5, 2);
  PumpPending();
  EXPECT_EQ(spin.GetPos(), 52);  // held at the top of the range
  EXPECT_EQ(host.Count(UDN_DELTAPOS), 2);
  host.answer = [](UINT code, NMHDR*) -> LRESULT { return code == UDN_DELTAPOS; };
  InjectMouseAt(spin, WM_LBUTTONUP, 5, 18);
  InjectMouseAt(spin, WM_LBUTTONDOWN, 5, 18);
  PumpPending();
  EXPECT_EQ(spin.GetPos(), 52);  // the parent refused the step
  host.answer = nullptr;
  buddy.SetWindowText("50");  // typed by the user
  InjectMouseAt(spin, WM_LBUTTONUP, 5, 2);
  InjectMouseAt(spin, WM_LBUTTONDOWN, 5, 2);
  PumpPending();
  EXPECT_EQ(spin.GetPos(), 51);
}

}  // namespace

namespace {

TEST(ScrollBarControl, ReportsArrowsTrackAndThumbAndLeavesThePositionToTheParent) {
  NotifyHost host;
  CScrollBar bar;
  ASSERT_TRUE(bar.Create(WS_VISIBLE | SBS_HORZ, CRect(0, 0, 116, 16), &host, 93));
  bar.SetScrollRange(0, 10);
  bar.SetScrollPos(5);
  InjectMouseAt(bar, WM_LBUTTONDOWN, 110, 8);  // the right arrow
  InjectMouseAt(bar, WM_LBUTTONUP, 110, 8);
  PumpPending();
  ASSERT_EQ(host.scrolls.size(), 2u);
  EXPECT_EQ(host.scrolls[0].first, static_cast<UINT>(SB_LINEDOWN));
  EXPECT_EQ(host.scrolls[1].first, static_cast<UINT>(SB_ENDSCROLL));
  EXPECT_EQ(bar.GetScrollPos(), 5);  // the parent moves it
  host.scrolls.clear();
  InjectMouseAt(bar, WM_LBUTTONDOWN, 20, 8);  // the track before the thumb
  PumpPending();
  EXPECT_EQ(host.scrolls.front().first, static_cast<UINT>(SB_PAGEUP));
  InjectMouseAt(bar, WM_LBUTTONUP, 20, 8);
  host.scrolls.clear();
  int thumb = 16 + (116 - 48) * 5 / 10 + 8;  // the middle of the thumb at position 5
  InjectMouseAt(bar, WM_LBUTTONDOWN, thumb, 8);
  InjectMouseAt(bar, WM_MOUSEMOVE, 200, 8);
  InjectMouseAt(bar, WM_LBUTTONUP, 200, 8);
  PumpPending();
  ASSERT_GE(host.scrolls.size(), 3u);
  EXPECT_EQ(host.scrolls[0], std::make_pair(static_cast<UINT>(SB_THUMBTRACK), 10u));
  EXPECT_EQ(host.scrolls[1], std::make_pair(static_cast<UINT>(SB_THUMBPOSITION), 10u));
  int low = -1, high = -1;
  bar.GetScrollRange(&low, &high);
  EXPECT_EQ(high, 10);
}

}  // namespace
