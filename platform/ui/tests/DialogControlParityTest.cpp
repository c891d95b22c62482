// Three control styles the jukebox's dialogs use: a push button that shows a bitmap (BS_BITMAP), a
// list box with extended selection (Shift ranges, Ctrl toggles, arrow keys), and combo boxes that keep
// their entries in upper case (CBS_UPPERCASE).
#include <gtest/gtest.h>

#include "platform/ui/AfxControls.h"
#include "platform/ui/Input.h"
#include "platform/ui/gdi/Snapshot.h"
#include "platform/ui/tests/UiTestSupport.h"

using namespace qh::ui::test;

namespace {

class DialogControlParity : public ::testing::Test {
 protected:
  void SetUp() override {
    parent = window.hwnd();
    SetWindowPos(parent, nullptr, 0, 0, 300, 300, SWP_NOZORDER | SWP_SHOWWINDOW);
  }
  HWND Child(const char* className, DWORD style, int x, int y, int cx, int cy, UINT id) {
    return CreateWindowEx(0, className, "Text", WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, parent,
                          reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)), nullptr, nullptr);
  }
  void ClickItem(HWND list, int index, WPARAM keys) {
    RECT rect{};
    SendMessage(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect));
    qh::ui::InjectMouseAt(list, WM_LBUTTONDOWN, 4, (rect.top + rect.bottom) / 2, MK_LBUTTON | keys);
    qh::ui::InjectMouseAt(list, WM_LBUTTONUP, 4, (rect.top + rect.bottom) / 2, keys);
    PumpPending();
  }
  std::vector<int> Selected(HWND list) {
    std::vector<int> out;
    const int count = static_cast<int>(SendMessage(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
      if (SendMessage(list, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0) out.push_back(i);
    return out;
  }
  RecordingWindow window{nullptr, WS_POPUP};
  HWND parent = nullptr;
};

TEST_F(DialogControlParity, ABitmapButtonShowsItsPictureAndGreysItWhenDisabled) {
  HWND button = Child("Button", BS_PUSHBUTTON | BS_BITMAP, 10, 10, 40, 30, 1059);
  HDC screen = GetDC(nullptr);
  HBITMAP picture = CreateCompatibleBitmap(screen, 16, 16);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(memory, picture);
  RECT all{0, 0, 16, 16};
  HBRUSH red = CreateSolidBrush(RGB(220, 0, 0));
  FillRect(memory, &all, red);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(red);
  ReleaseDC(nullptr, screen);
  SendMessage(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
  auto shot = qh::gdi::SnapshotWindow(button);
  ASSERT_TRUE(shot.has_value());
  EXPECT_EQ(qh::gdi::ColorFromPixel(shot->at(20, 15)), RGB(220, 0, 0)) << "the picture, centred";
  EXPECT_NE(qh::gdi::ColorFromPixel(shot->at(2, 2)), RGB(220, 0, 0)) << "the face around it";
  EnableWindow(button, FALSE);
  shot = qh::gdi::SnapshotWindow(button);
  ASSERT_TRUE(shot.has_value());
  EXPECT_NE(qh::gdi::ColorFromPixel(shot->at(20, 15)), qh::gdi::ColorFromPixel(shot->at(21, 15)))
      << "a disabled picture is greyed every other pixel";
  DestroyWindow(button);
  DeleteObject(picture);
}

TEST_F(DialogControlParity, ExtendedSelectionTakesShiftRangesAndCtrlToggles) {
  HWND list = Child("ListBox", LBS_NOTIFY | LBS_EXTENDEDSEL | WS_BORDER, 10, 10, 200, 200, 1050);
  for (const char* text : {"one", "two", "three", "four", "five", "six"})
    SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  ClickItem(list, 1, 0);
  ClickItem(list, 3, 0);
  EXPECT_EQ(Selected(list), (std::vector<int>{3})) << "a plain click selects one item";
  ClickItem(list, 5, MK_SHIFT);
  EXPECT_EQ(Selected(list), (std::vector<int>{3, 4, 5})) << "Shift selects from the anchor";
  ClickItem(list, 1, MK_SHIFT);
  EXPECT_EQ(Selected(list), (std::vector<int>{1, 2, 3})) << "a new Shift range replaces the old one";
  ClickItem(list, 5, MK_CONTROL);
  ClickItem(list, 2, MK_CONTROL);
  EXPECT_EQ(Selected(list), (std::vector<int>{1, 3, 5})) << "Ctrl toggles";
  EXPECT_EQ(SendMessage(list, LB_GETSELCOUNT, 0, 0), 3);
  SetFocus(list);
  qh::ui::InjectKey(VK_DOWN, true);
  qh::ui::InjectKey(VK_DOWN, false);
  PumpPending();
  EXPECT_EQ(Selected(list), (std::vector<int>{3})) << "an arrow moves the one selection";
  DestroyWindow(list);
}

TEST_F(DialogControlParity, UpperCaseComboBoxesKeepEntriesAndTypingInCapitals) {
  HWND list = Child("ComboBox", CBS_DROPDOWNLIST | CBS_UPPERCASE | WS_VSCROLL, 10, 10, 150, 120, 1011);
  SendMessage(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Rock & Roll"));
  char text[32] = {};
  SendMessage(list, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "ROCK & ROLL");
  HWND editable = Child("ComboBox", CBS_DROPDOWN | CBS_UPPERCASE, 10, 150, 150, 120, 1012);
  HWND edit = GetWindow(editable, GW_CHILD);
  ASSERT_NE(edit, nullptr);
  SetFocus(edit);
  qh::ui::InjectText("jazz");
  PumpPending();
  GetWindowText(editable, text, sizeof text);
  EXPECT_STREQ(text, "JAZZ");
  DestroyWindow(editable);
  DestroyWindow(list);
}

}  // namespace
