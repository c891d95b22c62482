// Mouse and keyboard routing: hit testing through window regions, capture, leave tracking, focus,
// keys with their characters, and pre-translation along the parent chain.
#include <gtest/gtest.h>

#include "platform/ui/AfxWin.h"
#include "platform/ui/Input.h"
#include "platform/ui/gdi/Gdi.h"
#include "platform/ui/tests/UiTestSupport.h"

using namespace qh::ui::test;
using qh::ui::InjectKey;
using qh::ui::InjectMouse;
using qh::ui::InjectMouseAt;

namespace {

class InputTest : public ::testing::Test {
 protected:
  InputTest() : top(nullptr, WS_POPUP | WS_VISIBLE) { MoveWindow(top.hwnd(), 100, 100, 300, 200, TRUE); }
  RecordingWindow top;
};

TEST_F(InputTest, ClicksGoToTheDeepestChildWithClientCoordinates) {
  RecordingWindow child(top.hwnd(), WS_VISIBLE);
  MoveWindow(child.hwnd(), 50, 40, 100, 50, TRUE);
  InjectMouse(WM_LBUTTONDOWN, POINT{100 + 60, 100 + 45});
  PumpPending();
  ASSERT_EQ(child.Count(WM_LBUTTONDOWN), 1);
  EXPECT_EQ(top.Count(WM_LBUTTONDOWN), 0);
  for (const Received& r : child.received) {
    if (r.message == WM_LBUTTONDOWN) {
      EXPECT_EQ(GET_X_LPARAM(r.lParam), 10);
      EXPECT_EQ(GET_Y_LPARAM(r.lParam), 5);
      EXPECT_TRUE(r.wParam & MK_LBUTTON);
    }
  }
  InjectMouse(WM_LBUTTONUP, POINT{100 + 60, 100 + 45});
  PumpPending();
}

TEST_F(InputTest, AWindowRegionDecidesWhatIsHit) {
  RecordingWindow round(top.hwnd(), WS_VISIBLE);
  MoveWindow(round.hwnd(), 0, 0, 100, 100, TRUE);
  SetWindowRgn(round.hwnd(), CreateEllipticRgn(0, 0, 100, 100), TRUE);
  struct Case {
    POINT point;
    HWND expected;
  };
  for (Case c : {Case{{150, 150}, round.hwnd()}, Case{{102, 102}, top.hwnd()}, Case{{198, 102}, top.hwnd()}}) {
    EXPECT_EQ(WindowFromPoint(c.point), c.expected) << c.point.x << "," << c.point.y;
  }
  SetWindowRgn(round.hwnd(), nullptr, TRUE);
  EXPECT_EQ(WindowFromPoint(POINT{102, 102}), round.hwnd());
}

TEST_F(InputTest, HiddenDisabledAndTransparentChildrenLetTheClickThrough) {
  RecordingWindow child(top.hwnd(), WS_VISIBLE);
  MoveWindow(child.hwnd(), 0, 0, 100, 100, TRUE);
  POINT inside{150, 150};
  EXPECT_EQ(WindowFromPoint(inside), child.hwnd());
  EnableWindow(child.hwnd(), FALSE);
  EXPECT_EQ(WindowFromPoint(inside), top.hwnd());
  EnableWindow(child.hwnd(), TRUE);
  child.react = [](UINT m, WPARAM, LPARAM, LRESULT& result) {
    if (m != WM_NCHITTEST) return false;
    result = HTTRANSPARENT;
    return true;
  };
  EXPECT_EQ(WindowFromPoint(inside), top.hwnd());
  child.react = nullptr;
  ShowWindow(child.hwnd(), SW_HIDE);
  EXPECT_EQ(WindowFromPoint(inside), top.hwnd());
}

TEST_F(InputTest, CaptureTakesEveryMouseMessage) {
  RecordingWindow child(top.hwnd(), WS_VISIBLE);
  MoveWindow(child.hwnd(), 0, 0, 50, 50, TRUE);
  SetCapture(child.hwnd());
  InjectMouse(WM_MOUSEMOVE, POINT{350, 250});  // over the parent
  PumpPending();
  EXPECT_EQ(child.Count(WM_MOUSEMOVE), 1);
  EXPECT_EQ(top.Count(WM_MOUSEMOVE), 0);
  ReleaseCapture();
  EXPECT_EQ(child.Count(WM_CAPTURECHANGED), 1);
  InjectMouse(WM_MOUSEMOVE, POINT{350, 250});
  PumpPending();
  EXPECT_EQ(top.Count(WM_MOUSEMOVE), 1);
}

TEST_F(InputTest, MouseLeaveComesOnceWhenThePointerLeavesATrackedWindow) {
  RecordingWindow child(top.hwnd(), WS_VISIBLE);
  MoveWindow(child.hwnd(), 0, 0, 50, 50, TRUE);
  child.react = [&](UINT m, WPARAM, LPARAM, LRESULT&) {
    if (m == WM_MOUSEMOVE) {
      TRACKMOUSEEVENT track;
      track.dwFlags = TME_LEAVE;
      track.hwndTrack = child.hwnd();
      TrackMouseEvent(&track);
    }
    return false;
  };
  InjectMouse(WM_MOUSEMOVE, POINT{110, 110});
  PumpPending();
  InjectMouse(WM_MOUSEMOVE, POINT{120, 120});
  PumpPending();
  EXPECT_EQ(child.Count(WM_MOUSELEAVE), 0);
  InjectMouse(WM_MOUSEMOVE, POINT{250, 250});
  InjectMouse(WM_MOUSEMOVE, POINT{260, 250});
  PumpPending();
  EXPECT_EQ(child.Count(WM_MOUSELEAVE), 1);
}

TEST_F(InputTest, CaptionHitDragsTheWindow) {
  top.react = [](UINT m, WPARAM, LPARAM, LRESULT& result) {
    if (m != WM_NCHITTEST) return false;
    result = HTCAPTION;  // the whole window drags, as a borderless main window does
    return true;
  };
  InjectMouse(WM_LBUTTONDOWN, POINT{150, 150});
  PumpPending();
  InjectMouse(WM_MOUSEMOVE, POINT{170, 190});
  InjectMouse(WM_LBUTTONUP, POINT{170, 190});
  PumpPending();
  RECT rect;
  GetWindowRect(top.hwnd(), &rect);
  EXPECT_EQ(rect.left, 120);
  EXPECT_EQ(rect.top, 140);
  EXPECT_EQ(top.Count(WM_NCLBUTTONDOWN), 1);
}

TEST_F(InputTest, FocusMovesWithKillAndSetFocusAndKeysGoToIt) {
  RecordingWindow a(top.hwnd(), WS_VISIBLE), b(top.hwnd(), WS_VISIBLE);
  SetFocus(a.hwnd());
  SetFocus(b.hwnd());
  EXPECT_EQ(GetFocus(), b.hwnd());
  ASSERT_EQ(a.Count(WM_KILLFOCUS), 1);
  EXPECT_EQ(b.Count(WM_SETFOCUS), 1);
  InjectKey('Q', true);
  InjectKey('Q', false);
  PumpPending();
  std::vector<UINT> keys = b.MessagesOf(WM_KEYFIRST, WM_KEYLAST);
  EXPECT_EQ(keys, (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
  for (const Received& r : b.received) {
    if (r.message == WM_KEYDOWN) {
      EXPECT_EQ(r.wParam, static_cast<WPARAM>('Q'));
    }
    if (r.message == WM_CHAR) {
      EXPECT_EQ(r.wParam, static_cast<WPARAM>('q'));
    }
  }
  EnableWindow(b.hwnd(), FALSE);
  EXPECT_EQ(GetFocus(), nullptr);  // a disabled window loses the focus
  EXPECT_EQ(SetFocus(b.hwnd()), nullptr);
}

// A window waiting for its modal dialog (disabled) keeps its children from the focus: a control of it
// asking for the focus neither takes it nor activates the waiting window, and keys stay with the dialog.
TEST_F(InputTest, AControlOfAWindowThatWaitsCannotTakeTheFocusFromTheDialog) {
  RecordingWindow control(top.hwnd(), WS_VISIBLE);
  RecordingWindow dialog(nullptr, WS_POPUP | WS_VISIBLE);
  RecordingWindow field(dialog.hwnd(), WS_VISIBLE);
  SetFocus(control.hwnd());
  EnableWindow(top.hwnd(), FALSE);
  SetFocus(field.hwnd());
  ASSERT_EQ(GetActiveWindow(), dialog.hwnd());
  EXPECT_EQ(SetFocus(control.hwnd()), nullptr);
  EXPECT_EQ(GetFocus(), field.hwnd());
  EXPECT_EQ(GetActiveWindow(), dialog.hwnd());
  InjectKey('Q', true);
  InjectKey('Q', false);
  PumpPending();
  EXPECT_EQ(field.MessagesOf(WM_KEYFIRST, WM_KEYLAST), (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
  EXPECT_TRUE(control.MessagesOf(WM_KEYFIRST, WM_KEYLAST).empty());
  // Once the dialog is done the window takes input again, and its control the focus.
  EnableWindow(top.hwnd(), TRUE);
  EXPECT_EQ(SetFocus(control.hwnd()), field.hwnd());
  EXPECT_EQ(GetActiveWindow(), top.hwnd());
}

class KeyMapWindow : public CWnd {
 public:
  std::vector<UINT> seen;
  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message != WM_KEYDOWN) return FALSE;
    seen.push_back(static_cast<UINT>(msg->wParam));
    return msg->wParam == VK_F1;  // the key map eats F1 only
  }
};

TEST_F(InputTest, TopLevelWindowPreTranslatesKeysOfItsChildren) {
  KeyMapWindow main;
  ASSERT_TRUE(main.CreateEx(0, AfxRegisterWndClass(0), "main", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr));
  RecordingWindow child(main.m_hWnd, WS_VISIBLE);
  SetFocus(child.hwnd());
  InjectKey(VK_F1, true);
  InjectKey(VK_DOWN, true);
  for (int i = 0; i < 2; ++i) qh::ui::PumpMessage();
  EXPECT_EQ(main.seen, (std::vector<UINT>{VK_F1, VK_DOWN}));
  std::vector<UINT> reached = child.MessagesOf(WM_KEYDOWN, WM_KEYDOWN);
  EXPECT_EQ(reached.size(), 1u);  // F1 was eaten
}

}  // namespace
