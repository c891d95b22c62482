// The application object: start and end, the main window's end ending the loop, the profile, and
// headless message boxes.
#include <gtest/gtest.h>

#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/tests/UiTestSupport.h"

using namespace qh::ui::test;

namespace {

class ScriptedApp : public CWinApp {
 public:
  explicit ScriptedApp(bool initSucceeds) : CWinApp("Scripted"), initSucceeds_(initSucceeds) {}
  BOOL InitInstance() override {
    calls.push_back("init");
    if (!initSucceeds_) return FALSE;
    auto* main = new CWnd;
    main->CreateEx(0, AfxRegisterWndClass(0), "main", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr);
    m_pMainWnd = main;
    mainWindow = main;
    main->PostMessage(WM_CLOSE);
    return TRUE;
  }
  int ExitInstance() override {
    calls.push_back("exit");
    return 17;
  }
  std::vector<std::string> calls;
  CWnd* mainWindow = nullptr;

 private:
  bool initSucceeds_;
};

TEST(WinApp, ExitInstanceRunsAfterAFailedInitInstance) {
  ScriptedApp app(false);
  char name[] = "scripted";
  char* argv[] = {name};
  EXPECT_EQ(AfxWinMain(1, argv), 17);
  std::vector<std::string> expected = {"init", "exit"};
  EXPECT_EQ(app.calls, expected);
}

TEST(WinApp, DestroyingTheMainWindowEndsRunThroughExitInstance) {
  ScriptedApp app(true);
  char name[] = "scripted";
  char arg[] = "12abc";
  char* argv[] = {name, arg};
  EXPECT_EQ(AfxWinMain(2, argv), 0);  // the quit code of the main window's end
  std::vector<std::string> expected = {"init", "exit"};
  EXPECT_EQ(app.calls, expected);
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  EXPECT_STREQ(app.m_lpCmdLine, "12abc");
  EXPECT_EQ(AfxGetApp(), &app);
  delete app.mainWindow;
}

TEST(WinApp, ProfileGoesToTheRegistryStoreUnderCompanyAndApplication) {
  qh::testing::TestSandbox sandbox;
  CWinApp app("Quaverhouse");
  EXPECT_EQ(app.GetProfileInt("Jukebox", "Port", 5), 5u);
  EXPECT_FALSE(app.WriteProfileInt("Jukebox", "Port", 1));  // no registry key yet
  app.SetRegistryKey("Tallowmere");
  EXPECT_TRUE(app.WriteProfileInt("Jukebox", "Port", 12130));
  EXPECT_TRUE(app.WriteProfileString("", "SongDbPath", "C:\\Quaverhouse"));
  CWinApp reader("Quaverhouse");
  reader.SetRegistryKey("Tallowmere");
  EXPECT_EQ(reader.GetProfileInt("Jukebox", "Port", 0), 12130u);
  EXPECT_EQ(reader.GetProfileString("", "SongDbPath", ""), CString("C:\\Quaverhouse"));
  EXPECT_EQ(reader.GetProfileString("Remote", "Missing", "dflt"), CString("dflt"));
}

TEST(MessageBoxes, HeadlessBoxReturnsItsDefaultButton) {
  struct Case {
    UINT type;
    int expected;
  };
  for (Case c : {Case{MB_OK, IDOK}, Case{MB_YESNO, IDYES}, Case{MB_YESNO | MB_DEFBUTTON2, IDNO},
                 Case{MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, IDCANCEL}, Case{MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
                 Case{MB_OK | MB_DEFBUTTON3, IDOK}}) {
    EXPECT_EQ(MessageBox(nullptr, "text", "caption", c.type), c.expected) << std::hex << c.type;
  }
}

TEST(MessageBoxes, AnswererSeesEachBoxAndChoosesTheButton) {
  std::vector<qh::ui::MessageBoxRequest> seen;
  qh::ui::ScopedMessageBoxAnswerer answerer([&](const qh::ui::MessageBoxRequest& box) {
    seen.push_back(box);
    return box.text == "Quit?" ? IDNO : 12345;  // 12345 is no button: the default is taken
  });
  CWinApp app("Quaverhouse");
  EXPECT_EQ(AfxMessageBox("Quit?", MB_YESNO | MB_ICONQUESTION), IDNO);
  EXPECT_EQ(AfxMessageBox("Done", MB_OK), IDOK);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].caption, "Quaverhouse");
  EXPECT_EQ(seen[0].type, MB_YESNO | MB_ICONQUESTION);
  EXPECT_EQ(seen[0].buttons, (std::vector<int>{IDYES, IDNO}));
}

TEST(MessageBoxes, AnOpenBoxKeepsTimersFlowingAndDisablesTheThreadsWindows) {
  RecordingWindow window(nullptr, WS_POPUP | WS_VISIBLE);
  SetTimer(window.hwnd(), 1, 10, nullptr);
  bool disabledWhileOpen = false;
  qh::ui::ScopedMessageBoxAnswerer answerer([&](const qh::ui::MessageBoxRequest&) {
    if (window.Count(WM_TIMER) < 3) return 0;  // keep it open
    disabledWhileOpen = !IsWindowEnabled(window.hwnd());
    return IDOK;
  });
  EXPECT_EQ(MessageBox(window.hwnd(), "wait", "box", MB_OK), IDOK);
  EXPECT_GE(window.Count(WM_TIMER), 3);
  EXPECT_TRUE(disabledWhileOpen);
  EXPECT_TRUE(IsWindowEnabled(window.hwnd()));
  KillTimer(window.hwnd(), 1);
}

}  // namespace

#include <atomic>
#include <thread>

#include "platform/core/Handle.h"

namespace {

class WorkerUiThread : public CWinThread {
 public:
  std::atomic<bool> exited{false};
  BOOL InitInstance() override { return TRUE; }
  int Run() override { return AfxRunThreadMessageLoop(*this); }
  int ExitInstance() override {
    exited = true;
    return 5;
  }
};

TEST(UiThreads, AThreadRunsItsOwnLoopUntilQuit) {
  WorkerUiThread thread;
  thread.m_bAutoDelete = FALSE;
  ASSERT_TRUE(thread.CreateThread());
  // The loop makes its queue first thing; until then posts to the thread fail.
  bool posted = false;
  for (int i = 0; i < 400 && !posted; ++i) {
    posted = PostThreadMessage(thread.m_nThreadID, WM_NULL, 0, 0);
    if (!posted) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(posted);
  EXPECT_TRUE(PostThreadMessage(thread.m_nThreadID, WM_QUIT, 0, 0));
  EXPECT_EQ(WaitForSingleObject(thread.m_hThread, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(thread.exited);
  DWORD code = 0;
  GetExitCodeThread(thread.m_hThread, &code);
  EXPECT_EQ(code, 5u);
}

}  // namespace
