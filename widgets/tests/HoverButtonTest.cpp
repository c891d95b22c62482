// The hover button in a window that hides the help when the mouse is over the window itself, as the
// recorder's and the administrator's main dialogs do: the help under the mouse, a press followed in and
// out of the button, the click, and the pressed and disabled pictures.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/ui/AfxWin.h"
#include "platform/ui/Input.h"
#include "platform/ui/gdi/Snapshot.h"
#include "widgets/HoverButton.h"

namespace {

constexpr UINT kButton = 101;
constexpr UINT kHelp = 102;

class Host : public CWnd {
 public:
  int clicks = 0;

 protected:
  afx_msg void OnMouseMove(UINT, CPoint) {
    if (CWnd* help = GetDlgItem(kHelp)) help->ShowWindow(SW_HIDE);
  }
  afx_msg void OnButton() { ++clicks; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Host, CWnd)
  ON_WM_MOUSEMOVE()
  ON_BN_CLICKED(kButton, OnButton)
END_MESSAGE_MAP()

void Pump() {
  MSG msg;
  for (int round = 0; round < 50; ++round) {
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
    if (!qh::ui::HasRawInput()) break;
  }
}

class HoverButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host_.CreateEx(0, AfxRegisterWndClass(0, nullptr, GetSysColorBrush(COLOR_BTNFACE)), "Hover",
                               WS_POPUP | WS_VISIBLE, 0, 0, 300, 120, nullptr, nullptr));
    ASSERT_TRUE(button_.Create("Check", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, CRect(20, 20, 140, 50), &host_, kButton));
    ASSERT_TRUE(help_.Create("Checks the library.", WS_CHILD, CRect(20, 70, 280, 90), &host_, kHelp));
    button_.SetHelpStatic(&help_);
    Pump();
  }
  void TearDown() override {
    if (host_.m_hWnd != nullptr) host_.DestroyWindow();
  }

  // The button's picture as the display shows it.
  qh::gdi::Surface Picture() {
    Pump();
    auto picture = qh::gdi::SnapshotWindow(host_.m_hWnd);
    EXPECT_TRUE(picture.has_value());
    if (!picture) return {};
    CRect window, button;
    host_.GetWindowRect(&window);
    button_.GetWindowRect(&button);
    return picture->crop(button.left - window.left, button.top - window.top, button.Width(), button.Height());
  }
  // Pixels within a small distance of the colour: the caption is smoothed, so only its strokes' cores
  // carry the colour itself.
  static int Count(const qh::gdi::Surface& picture, COLORREF color) {
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x) {
        const COLORREF pixel = qh::gdi::ColorFromPixel(picture.at(x, y));
        count += std::abs(GetRValue(pixel) - GetRValue(color)) + std::abs(GetGValue(pixel) - GetGValue(color)) +
                     std::abs(GetBValue(pixel) - GetBValue(color)) <
                 48;
      }
    return count;
  }
  static bool Same(const qh::gdi::Surface& a, const qh::gdi::Surface& b) {
    if (a.width() != b.width() || a.height() != b.height()) return false;
    for (int y = 0; y < a.height(); ++y)
      for (int x = 0; x < a.width(); ++x)
        if (a.at(x, y) != b.at(x, y)) return false;
    return true;
  }
  void Mouse(UINT message, int x, int y) {
    qh::ui::InjectMouseAt(button_.m_hWnd, message, x, y);
    Pump();
  }

  Host host_;
  CHoverButton button_;
  CStatic help_;
};

TEST_F(HoverButtonTest, TheHelpShowsOverTheButtonAndGoesOverTheWindow) {
  EXPECT_EQ(button_.GetHelpStatic(), &help_);
  EXPECT_FALSE(help_.IsWindowVisible());
  Mouse(WM_MOUSEMOVE, 5, 5);
  EXPECT_TRUE(help_.IsWindowVisible());
  Mouse(WM_MOUSEMOVE, 10, 8);
  EXPECT_TRUE(help_.IsWindowVisible()) << "moving on over the button keeps it";
  qh::ui::InjectMouseAt(host_.m_hWnd, WM_MOUSEMOVE, 200, 10);
  Pump();
  EXPECT_FALSE(help_.IsWindowVisible());
}

TEST_F(HoverButtonTest, APressIsFollowedInAndOutOfTheButtonAndDrawnDown) {
  const qh::gdi::Surface up = Picture();
  EXPECT_GT(Count(up, GetSysColor(COLOR_BTNTEXT)), 0) << "the caption in the button's text colour";
  Mouse(WM_LBUTTONDOWN, 5, 5);
  EXPECT_NE(button_.GetState() & BST_PUSHED, 0u);
  const qh::gdi::Surface down = Picture();
  EXPECT_FALSE(Same(up, down)) << "a pressed button is drawn pressed";
  // Held and moved off the button: drawn up again, and letting go there is no click.
  Mouse(WM_MOUSEMOVE, 200, 5);
  EXPECT_EQ(button_.GetState() & BST_PUSHED, 0u);
  EXPECT_TRUE(Same(up, Picture()));
  Mouse(WM_MOUSEMOVE, 5, 5);
  EXPECT_NE(button_.GetState() & BST_PUSHED, 0u);
  EXPECT_TRUE(Same(down, Picture()));
  EXPECT_TRUE(help_.IsWindowVisible());
  Mouse(WM_LBUTTONUP, 5, 5);
  EXPECT_EQ(host_.clicks, 1);
  EXPECT_TRUE(Same(up, Picture()));
  Mouse(WM_LBUTTONDOWN, 5, 5);
  Mouse(WM_MOUSEMOVE, 200, 5);
  Mouse(WM_LBUTTONUP, 200, 5);
  EXPECT_EQ(host_.clicks, 1) << "let go beside the button";
}

TEST_F(HoverButtonTest, ADisabledButtonIsDrawnGreyAndShowsNoHelp) {
  button_.EnableWindow(FALSE);
  const qh::gdi::Surface picture = Picture();
  EXPECT_EQ(Count(picture, GetSysColor(COLOR_BTNTEXT)), 0);
  EXPECT_GT(Count(picture, GetSysColor(COLOR_GRAYTEXT)), 0);
  Mouse(WM_MOUSEMOVE, 5, 5);
  Mouse(WM_LBUTTONDOWN, 5, 5);
  Mouse(WM_LBUTTONUP, 5, 5);
  EXPECT_FALSE(help_.IsWindowVisible());
  EXPECT_EQ(host_.clicks, 0);
  EXPECT_TRUE(Same(picture, Picture())) << "not drawn pressed";
  button_.EnableWindow(TRUE);
  Mouse(WM_MOUSEMOVE, 6, 6);
  EXPECT_TRUE(help_.IsWindowVisible());
}

}  // namespace
