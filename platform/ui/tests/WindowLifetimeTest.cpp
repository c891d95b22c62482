// Window creation and destruction, objects attached to windows, message maps and pre-translation.
#include <gtest/gtest.h>

#include "platform/ui/AfxWin.h"
#include "platform/ui/Controls.h"
#include "platform/ui/tests/UiTestSupport.h"

using namespace qh::ui::test;

namespace {

constexpr UINT kPing = WM_USER + 5;
std::vector<std::string> g_events;

class TracedWnd : public CWnd {
 public:
  explicit TracedWnd(std::string name, bool failCreate = false) : name_(std::move(name)), failCreate_(failCreate) {}
  afx_msg int OnCreate(LPCREATESTRUCT create) {
    g_events.push_back(name_ + ":create");
    if (failCreate_) return -1;
    return CWnd::OnCreate(create);
  }
  afx_msg void OnDestroy() {
    g_events.push_back(name_ + ":destroy");
    CWnd::OnDestroy();
  }
  afx_msg void OnNcDestroy() {
    g_events.push_back(name_ + ":ncdestroy");
    CWnd::OnNcDestroy();
  }
  void PostNcDestroy() override { g_events.push_back(name_ + ":postncdestroy"); }
  afx_msg void OnButton() { g_events.push_back(name_ + ":clicked"); }
  afx_msg void OnCommandRange(UINT id) { g_events.push_back(name_ + ":range" + std::to_string(id)); }
  afx_msg LRESULT OnPing(WPARAM w, LPARAM) { return static_cast<LRESULT>(w + 1); }
  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message == WM_KEYDOWN) g_events.push_back(name_ + ":pretranslate");
    return eatKeys && msg->message == WM_KEYDOWN;
  }
  bool eatKeys = false;

 private:
  std::string name_;
  bool failCreate_;
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(TracedWnd, CWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_NCDESTROY()
ON_BN_CLICKED(100, OnButton)
ON_COMMAND_RANGE(200, 210, OnCommandRange)
ON_MESSAGE(kPing, OnPing)
END_MESSAGE_MAP()

class SelfDeletingWnd : public CWnd {
 public:
  static int alive;
  SelfDeletingWnd() { ++alive; }
  ~SelfDeletingWnd() override { --alive; }
  void PostNcDestroy() override { delete this; }
};
int SelfDeletingWnd::alive = 0;

class Lifetime : public ::testing::Test {
 protected:
  void SetUp() override { g_events.clear(); }
};

TEST_F(Lifetime, DestroyNotifiesParentFirstAndNcDestroysChildrenFirst) {
  TracedWnd parent("parent"), child("child");
  ASSERT_TRUE(parent.CreateEx(0, AfxRegisterWndClass(0), "p", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr));
  ASSERT_TRUE(child.Create(AfxRegisterWndClass(0), "c", WS_VISIBLE, CRect(0, 0, 50, 50), &parent, 7));
  g_events.clear();
  parent.DestroyWindow();
  std::vector<std::string> expected = {"parent:destroy", "child:destroy", "child:ncdestroy", "child:postncdestroy",
                                       "parent:ncdestroy", "parent:postncdestroy"};
  EXPECT_EQ(g_events, expected);
  EXPECT_EQ(parent.m_hWnd, nullptr);
  EXPECT_EQ(child.m_hWnd, nullptr);
}

TEST_F(Lifetime, ObjectOutlivesItsWindowAndWindowOutlivesADetachedObject) {
  HWND hwnd;
  {
    CWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0), "w", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    hwnd = wnd.Detach();
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
  }
  EXPECT_TRUE(IsWindow(hwnd));  // the object went, the window stayed
  CWnd* wrapper = CWnd::FromHandle(hwnd);
  ASSERT_NE(wrapper, nullptr);
  EXPECT_EQ(wrapper->m_hWnd, hwnd);
  EXPECT_EQ(CWnd::FromHandle(hwnd), wrapper);
  CWnd again;
  EXPECT_TRUE(again.Attach(hwnd));
  EXPECT_EQ(CWnd::FromHandle(hwnd), &again);
  EXPECT_TRUE(again.DestroyWindow());
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(CWnd::FromHandle(hwnd), nullptr);
}

TEST_F(Lifetime, ObjectsThatDeleteThemselvesGoWithTheirWindow) {
  auto* wnd = new SelfDeletingWnd;
  ASSERT_TRUE(wnd->CreateEx(0, AfxRegisterWndClass(0), "w", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  EXPECT_EQ(SelfDeletingWnd::alive, 1);
  ::PostMessage(wnd->m_hWnd, WM_CLOSE, 0, 0);  // the default answer to WM_CLOSE destroys
  PumpPending();
  EXPECT_EQ(SelfDeletingWnd::alive, 0);
}

TEST_F(Lifetime, CreationThatOnCreateRefusesFailsAndLeavesNoWindow) {
  TracedWnd wnd("refuser", true);
  EXPECT_FALSE(wnd.CreateEx(0, AfxRegisterWndClass(0), "r", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  EXPECT_EQ(wnd.m_hWnd, nullptr);
  std::vector<std::string> expected = {"refuser:create", "refuser:destroy", "refuser:ncdestroy",
                                       "refuser:postncdestroy"};
  EXPECT_EQ(g_events, expected);
}

TEST_F(Lifetime, UnknownClassAndDeadParentFail) {
  SetLastError(0);
  EXPECT_EQ(CreateWindowEx(0, "NoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_DOES_NOT_EXIST));
  HWND dead;
  {
    RecordingWindow gone;
    dead = gone.hwnd();
  }
  EXPECT_EQ(CreateWindowEx(0, AfxRegisterWndClass(0), "", WS_CHILD, 0, 0, 1, 1, dead, nullptr, nullptr, nullptr),
            nullptr);
}

TEST_F(Lifetime, CommandsReachTheirMapEntries) {
  TracedWnd wnd("map");
  ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0), "m", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  wnd.SendMessage(WM_COMMAND, MAKEWPARAM(100, BN_CLICKED), 0);
  wnd.SendMessage(WM_COMMAND, MAKEWPARAM(205, 0), 0);
  wnd.SendMessage(WM_COMMAND, MAKEWPARAM(100, BN_DOUBLECLICKED), 0);  // no entry: nothing runs
  std::vector<std::string> expected = {"map:create", "map:clicked", "map:range205"};
  EXPECT_EQ(g_events, expected);
  EXPECT_EQ(wnd.SendMessage(kPing, 41, 0), 42);
}

TEST_F(Lifetime, PreTranslateSeesKeysOfChildrenAlongTheParentChain) {
  TracedWnd top("top"), child("child");
  ASSERT_TRUE(top.CreateEx(0, AfxRegisterWndClass(0), "t", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr));
  ASSERT_TRUE(child.Create(AfxRegisterWndClass(0), "c", WS_VISIBLE, CRect(0, 0, 50, 50), &top, 3));
  RecordingWindow grandchild(child.m_hWnd);
  g_events.clear();
  MSG msg{};
  msg.hwnd = grandchild.hwnd();
  msg.message = WM_KEYDOWN;
  msg.wParam = 'A';
  EXPECT_FALSE(qh::ui::PreTranslateThroughFramework(&msg));
  std::vector<std::string> expected = {"child:pretranslate", "top:pretranslate"};
  EXPECT_EQ(g_events, expected);
  top.eatKeys = true;
  g_events.clear();
  EXPECT_TRUE(qh::ui::PreTranslateThroughFramework(&msg));
}

TEST_F(Lifetime, WindowStateCalls) {
  RecordingWindow parent(nullptr, WS_POPUP);
  HWND child = CreateWindowEx(0, AfxRegisterWndClass(0), "first", WS_CHILD | WS_VISIBLE, 10, 20, 30, 40,
                              parent.hwnd(), reinterpret_cast<HMENU>(1234), nullptr, nullptr);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(GetDlgItem(parent.hwnd(), 1234), child);
  EXPECT_EQ(GetDlgCtrlID(child), 1234);
  EXPECT_EQ(GetParent(child), parent.hwnd());
  char text[16];
  EXPECT_EQ(GetWindowText(child, text, sizeof text), 5);
  EXPECT_STREQ(text, "first");
  SetWindowText(child, "a longer text than fits");
  EXPECT_EQ(GetWindowText(child, text, 8), 7);
  EXPECT_STREQ(text, "a longe");
  EXPECT_TRUE(IsWindowEnabled(child));
  EXPECT_FALSE(EnableWindow(child, FALSE));
  EXPECT_FALSE(IsWindowEnabled(child));
  EXPECT_TRUE(EnableWindow(child, TRUE));
  RECT client;
  GetClientRect(child, &client);
  EXPECT_EQ(client.right, 30);
  EXPECT_EQ(client.bottom, 40);
  MoveWindow(child, 5, 6, 70, 80, TRUE);
  GetClientRect(child, &client);
  EXPECT_EQ(client.right, 70);
  POINT p{0, 0};
  ClientToScreen(child, &p);
  EXPECT_EQ(p.x, 5);
  EXPECT_EQ(p.y, 6);
  EXPECT_FALSE(IsWindowVisible(child));  // its parent is hidden
  ShowWindow(parent.hwnd(), SW_SHOW);
  EXPECT_TRUE(IsWindowVisible(child));
  EXPECT_EQ(parent.Count(WM_SHOWWINDOW), 1);
}

}  // namespace
