// What the standard controls look like: round radio buttons, disabled fields in grey, the up-down
// control's arrows (and which arrow a click hits), tab stops in text, and the icon sizes with the
// icon a minimised window shows.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/ui/AfxCmnCtrls.h"
#include "platform/ui/AfxControls.h"
#include "platform/ui/CommCtrl.h"
#include "platform/ui/Input.h"
#include "platform/ui/gdi/BitmapResources.h"
#include "platform/ui/gdi/Png.h"
#include "platform/ui/gdi/Snapshot.h"
#include "platform/ui/tests/UiTestSupport.h"

namespace qh::ui::test {
namespace {

class ControlLooks : public ::testing::Test {
 protected:
  ControlLooks() : parent(nullptr, WS_POPUP | WS_VISIBLE) { MoveWindow(parent.hwnd(), 0, 0, 500, 400, TRUE); }
  CWnd* Parent() { return CWnd::FromHandle(parent.hwnd()); }
  static qh::gdi::Pixel Of(int color) { return qh::gdi::PixelFromColor(GetSysColor(color)); }
  static int Count(const qh::gdi::Surface& picture, RECT area, qh::gdi::Pixel pixel) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x) count += picture.at(x, y) == pixel;
    return count;
  }
  // Text is drawn smoothed: its ink is the pixels darker than any grey.
  static int Dark(const qh::gdi::Surface& picture, RECT area) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x) {
        const COLORREF c = qh::gdi::ColorFromPixel(picture.at(x, y));
        count += GetRValue(c) < 90 && GetGValue(c) < 90 && GetBValue(c) < 90;
      }
    return count;
  }
  // The first column (from the left) in `area` holding anything but the ground; -1 for none.
  static int FirstColumn(const qh::gdi::Surface& picture, RECT area, qh::gdi::Pixel ground) {
    for (int x = area.left; x < area.right; ++x)
      for (int y = area.top; y < area.bottom; ++y)
        if (picture.at(x, y) != ground) return x;
    return -1;
  }
  RecordingWindow parent;
};

TEST_F(ControlLooks, ARadioButtonIsRoundAndACheckBoxSquare) {
  CButton radio, check;
  ASSERT_TRUE(radio.Create("Radio", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON, CRect(0, 0, 100, 13), Parent(), 1));
  ASSERT_TRUE(check.Create("Check", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, CRect(0, 20, 100, 33), Parent(), 2));
  radio.SetCheck(BST_CHECKED);
  check.SetCheck(BST_CHECKED);
  PumpPending();
  auto round = qh::gdi::SnapshotWindow(radio.GetSafeHwnd());
  auto square = qh::gdi::SnapshotWindow(check.GetSafeHwnd());
  ASSERT_TRUE(round && square);
  // The circle leaves the box's corners to the ground; the square frames them.
  for (POINT corner : {POINT{0, 0}, POINT{12, 0}, POINT{0, 12}, POINT{12, 12}}) {
    EXPECT_EQ(round->at(corner.x, corner.y), Of(COLOR_BTNFACE)) << corner.x << "," << corner.y;
    EXPECT_EQ(square->at(corner.x, corner.y), Of(COLOR_BTNSHADOW)) << corner.x << "," << corner.y;
  }
  EXPECT_EQ(round->at(6, 6), Of(COLOR_WINDOWTEXT));  // the dot
  EXPECT_EQ(round->at(6, 2), Of(COLOR_WINDOW));      // the ring's inside, around the dot
}

TEST_F(ControlLooks, ADisabledComboBoxIsGreyAndAnEnabledOneWhite) {
  CComboBox enabled, disabled;
  ASSERT_TRUE(enabled.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, CRect(0, 0, 150, 21), Parent(), 1));
  ASSERT_TRUE(disabled.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, CRect(0, 30, 150, 51), Parent(), 2));
  for (CComboBox* box : {&enabled, &disabled}) {
    box->AddString("Jazz");
    box->SetCurSel(0);
  }
  disabled.EnableWindow(FALSE);
  PumpPending();
  auto white = qh::gdi::SnapshotWindow(enabled.GetSafeHwnd());
  auto grey = qh::gdi::SnapshotWindow(disabled.GetSafeHwnd());
  ASSERT_TRUE(white && grey);
  const RECT field{2, 2, 130, 19}, arrow{134, 2, 150, 19};
  EXPECT_EQ(white->at(120, 10), Of(COLOR_WINDOW));
  EXPECT_EQ(grey->at(120, 10), Of(COLOR_BTNFACE));
  EXPECT_GT(Dark(*white, field), 0);  // black text
  EXPECT_EQ(Dark(*grey, field), 0);   // grey text only
  EXPECT_LT(Count(*grey, field, Of(COLOR_BTNFACE)), (field.right - field.left) * (field.bottom - field.top));
  EXPECT_GT(Count(*white, arrow, Of(COLOR_BTNTEXT)), 0);
  EXPECT_EQ(Count(*grey, arrow, Of(COLOR_BTNTEXT)), 0);
  // A disabled combo takes no click.
  InjectMouseAt(disabled.GetSafeHwnd(), WM_LBUTTONDOWN, 140, 10);
  PumpPending();
  EXPECT_FALSE(disabled.GetDroppedState());
}

TEST_F(ControlLooks, AnUpDownControlDrawsItsArrowsAndAClickHitsTheArrowUnderIt) {
  CSpinButtonCtrl spin;
  ASSERT_TRUE(spin.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 16, 24), Parent(), 3));
  spin.SetRange32(0, 10);
  spin.SetPos(5);
  PumpPending();
  auto picture = qh::gdi::SnapshotWindow(spin.GetSafeHwnd());
  ASSERT_TRUE(picture);
  EXPECT_GT(Count(*picture, RECT{2, 2, 14, 11}, Of(COLOR_BTNTEXT)), 0);   // the up arrow
  EXPECT_GT(Count(*picture, RECT{2, 13, 14, 22}, Of(COLOR_BTNTEXT)), 0);  // the down arrow
  struct Case {
    int y;
    int expected;
  } cases[] = {{2, 6}, {11, 7}, {12, 6}, {22, 5}};
  for (const Case& c : cases) {
    InjectMouseAt(spin.GetSafeHwnd(), WM_LBUTTONDOWN, 8, c.y);
    InjectMouseAt(spin.GetSafeHwnd(), WM_LBUTTONUP, 8, c.y);
    PumpPending();
    EXPECT_EQ(spin.GetPos(), c.expected) << "y " << c.y;
  }
  spin.EnableWindow(FALSE);
  PumpPending();
  picture = qh::gdi::SnapshotWindow(spin.GetSafeHwnd());
  ASSERT_TRUE(picture);
  EXPECT_EQ(Count(*picture, RECT{0, 0, 16, 24}, Of(COLOR_BTNTEXT)), 0);
  EXPECT_GT(Count(*picture, RECT{0, 0, 16, 24}, Of(COLOR_GRAYTEXT)), 0);
}

TEST(TabStops, TabsStopAtTheGivenPositionsOrEveryEightCharacters) {
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRIC metrics{};
  GetTextMetrics(dc, &metrics);
  SIZE b{}, ab{};
  GetTextExtentPoint32(dc, "B", 1, &b);
  GetTextExtentPoint32(dc, "A B", 3, &ab);
  auto width = [&](const char* text, int count, const INT* stops) {
    return static_cast<int>(LOWORD(GetTabbedTextExtent(dc, text, -1, count, stops)));
  };
  const INT every40[] = {40};
  const INT two[] = {30, 90};
  EXPECT_EQ(width("\tB", 0, nullptr), 8 * metrics.tmAveCharWidth + b.cx);
  EXPECT_EQ(width("\tB", 1, every40), 40 + b.cx);
  EXPECT_EQ(width("\t\tB", 1, every40), 80 + b.cx);
  EXPECT_EQ(width("\tA\tB", 2, two), 90 + b.cx);
  // Past the last of several stops a tab is one space wide.
  EXPECT_EQ(width("\t\t\tB", 2, two), 90 + (ab.cx - width("AB", 0, nullptr)) + b.cx);
  RECT box{0, 0, 500, 20};
  DrawText(dc, "\tB", -1, &box, DT_SINGLELINE | DT_EXPANDTABS | DT_CALCRECT);
  EXPECT_EQ(box.right, 8 * metrics.tmAveCharWidth + b.cx);
  DeleteDC(dc);
}

TEST_F(ControlLooks, ListBoxAndEditTabStopsPlaceTheTextAfterATab) {
  CListBox list;
  ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LBS_USETABSTOPS, CRect(0, 0, 300, 60), Parent(), 4));
  const int stops[] = {40};  // dialog units: 60 pixels
  ASSERT_TRUE(list.SendMessage(LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(stops)));
  list.AddString("\tX");
  CEdit report;
  ASSERT_TRUE(report.Create(WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY, CRect(0, 100, 300, 160), Parent(), 5));
  report.SetWindowText("Name:\tValue\r\n\tIndented");
  PumpPending();
  auto lines = qh::gdi::SnapshotWindow(list.GetSafeHwnd());
  auto text = qh::gdi::SnapshotWindow(report.GetSafeHwnd());
  ASSERT_TRUE(lines && text);
  EXPECT_GE(FirstColumn(*lines, RECT{0, 0, 300, 16}, Of(COLOR_WINDOW)), 2 + 60);
  EXPECT_LT(FirstColumn(*lines, RECT{0, 0, 300, 16}, Of(COLOR_WINDOW)), 2 + 60 + 4);
  // The edit's stops fall every 32 dialog units (48 pixels): both lines' second parts start there.
  const RECT afterName{2 + 40, 0, 300, 17};
  const int value = FirstColumn(*text, afterName, Of(COLOR_BTNFACE));
  EXPECT_LT(FirstColumn(*text, RECT{0, 0, 300, 17}, Of(COLOR_BTNFACE)), 10);
  EXPECT_GE(FirstColumn(*text, RECT{0, 17, 300, 33}, Of(COLOR_BTNFACE)), 2 + 48);
  EXPECT_LT(FirstColumn(*text, RECT{0, 17, 300, 33}, Of(COLOR_BTNFACE)), 2 + 48 + 4);
  EXPECT_GE(value, 2 + 48);
  // Stops that do not rise are refused.
  const int falling[] = {40, 20};
  EXPECT_FALSE(list.SendMessage(LB_SETTABSTOPS, 2, reinterpret_cast<LPARAM>(falling)));
}

class WindowIcons : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = (std::filesystem::temp_directory_path() / ("qh-icons-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(folder);
    qh::gdi::ClearBitmapFolders();
    qh::gdi::AddBitmapFolder(folder);
    ASSERT_TRUE(qh::gdi::WritePng(qh::gdi::Surface(32, 32, qh::gdi::PixelFromColor(RGB(200, 40, 40))), folder + "/130.png"));
  }
  void TearDown() override {
    qh::gdi::ClearBitmapFolders();
    std::filesystem::remove_all(folder);
  }
  std::string folder;
};

TEST_F(WindowIcons, IconSizesAreTheSystemMetricsAndAMinimisedWindowShowsItsIcon) {
  EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
  EXPECT_EQ(GetSystemMetrics(SM_CYICON), 32);
  EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), 16);
  EXPECT_EQ(GetSystemMetrics(SM_CYSMICON), 16);

  RecordingWindow window(nullptr, WS_POPUP | WS_VISIBLE);
  MoveWindow(window.hwnd(), 0, 0, 100, 80, TRUE);
  const auto icon = reinterpret_cast<HICON>(static_cast<std::uintptr_t>(0x20000000u | 130));
  SendMessage(window.hwnd(), WM_SETICON, 1, reinterpret_cast<LPARAM>(icon));
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessage(window.hwnd(), WM_QUERYDRAGICON, 0, 0)), icon);
  PumpPending();
  auto open = qh::gdi::SnapshotWindow(window.hwnd());
  ASSERT_TRUE(open);
  EXPECT_NE(qh::gdi::ColorFromPixel(open->at(50, 40)), RGB(200, 40, 40));  // not while open

  ShowWindow(window.hwnd(), SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(window.hwnd()));
  InvalidateRect(window.hwnd(), nullptr, TRUE);
  PumpPending();
  auto minimised = qh::gdi::SnapshotWindow(window.hwnd());
  ASSERT_TRUE(minimised);
  RECT client;
  GetClientRect(window.hwnd(), &client);
  const int left = (client.right - 32 + 1) / 2, top = (client.bottom - 32 + 1) / 2;
  EXPECT_EQ(qh::gdi::ColorFromPixel(minimised->at(left, top)), RGB(200, 40, 40));
  EXPECT_EQ(qh::gdi::ColorFromPixel(minimised->at(left + 31, top + 31)), RGB(200, 40, 40));
  if (left > 0) {
    EXPECT_NE(qh::gdi::ColorFromPixel(minimised->at(left - 1, top)), RGB(200, 40, 40));
  }
  ShowWindow(window.hwnd(), SW_RESTORE);
}

}  // namespace
}  // namespace qh::ui::test
