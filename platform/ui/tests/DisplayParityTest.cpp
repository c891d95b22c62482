// What a program's windows do on a real display beyond showing themselves: the desktop is the screen's
// size, minimising and restoring reach the display (and a restore by the user comes back), window icons
// and icon statics show the icon's picture, and dialogs open centred on their owner.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/ui/AfxControls.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/DisplayLink.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/gdi/BitmapResources.h"
#include "platform/ui/gdi/Png.h"
#include "platform/ui/gdi/Snapshot.h"
#include "platform/ui/tests/UiTestSupport.h"

using namespace qh::ui::test;

namespace {

class ScreenDisplay : public qh::display::DisplayBackend {
 public:
  std::string Name() const override { return "screen"; }
  bool Headless() const override { return false; }
  void ShowWindow(HWND, const RECT&, const std::string&) override {}
  void HideWindow(HWND) override {}
  void MoveWindow(HWND, const RECT&) override {}
  void SetTitle(HWND, const std::string&) override {}
  void DestroyWindow(HWND) override {}
  void Present(HWND, const qh::gdi::Surface&) override {}
  std::vector<qh::display::InputMessage> PollInput() override {
    std::vector<qh::display::InputMessage> out;
    out.swap(pending);
    return out;
  }
  std::optional<qh::gdi::Surface> ReadBack(HWND) override { return std::nullopt; }
  std::optional<SIZE> ScreenSize() const override { return SIZE{1600, 900}; }
  void MinimiseWindow(HWND) override { calls.push_back("minimise"); }
  void RestoreWindow(HWND) override { calls.push_back("restore"); }
  void SetIcon(HWND, const qh::gdi::Surface& picture) override {
    calls.push_back("icon " + std::to_string(picture.width()) + "x" + std::to_string(picture.height()));
  }
  std::vector<std::string> calls;
  std::vector<qh::display::InputMessage> pending;
};

class DisplayParity : public ::testing::Test {
 protected:
  void SetUp() override {
    auto made = std::make_unique<ScreenDisplay>();
    display = made.get();
    qh::ui::testing::SetDisplayBackend(std::move(made));
    folder = (std::filesystem::temp_directory_path() / ("qh-parity-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(folder);
    qh::gdi::ClearBitmapFolders();
    qh::gdi::AddBitmapFolder(folder);
    qh::gdi::Surface icon(32, 32, qh::gdi::PixelFromColor(RGB(200, 40, 40)));
    ASSERT_TRUE(qh::gdi::WritePng(icon, folder + "/130.png"));
  }
  void TearDown() override {
    qh::ui::testing::SetDisplayBackend(nullptr);
    qh::ui::SetDesktopSize(1280, 1024);
    qh::gdi::ClearBitmapFolders();
    std::filesystem::remove_all(folder);
  }
  ScreenDisplay* display = nullptr;
  std::string folder;
};

HICON IconOf(UINT id) { return reinterpret_cast<HICON>(static_cast<std::uintptr_t>(0x20000000u | id)); }

TEST_F(DisplayParity, TheDesktopIsTheScreensSize) {
  RECT desktop;
  ::GetClientRect(::GetDesktopWindow(), &desktop);
  EXPECT_EQ(desktop.right, 1600);
  EXPECT_EQ(desktop.bottom, 900);
}

TEST_F(DisplayParity, MinimiseAndRestoreReachTheDisplayAndAUserRestoreComesBack) {
  RecordingWindow window(nullptr, WS_POPUP | WS_VISIBLE);
  ShowWindow(window.hwnd(), SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(window.hwnd()));
  ShowWindow(window.hwnd(), SW_RESTORE);
  EXPECT_FALSE(IsIconic(window.hwnd()));
  EXPECT_EQ(display->calls, (std::vector<std::string>{"minimise", "restore"}));

  ShowWindow(window.hwnd(), SW_MINIMIZE);
  qh::display::InputMessage restored;
  restored.window = window.hwnd();
  restored.message = WM_SYSCOMMAND;
  restored.wParam = SC_RESTORE;
  display->pending.push_back(restored);
  qh::ui::PumpDisplayInput();
  PumpPending();
  EXPECT_FALSE(IsIconic(window.hwnd()));
}

TEST_F(DisplayParity, TheLargeIconShowsItsPictureOnTheDisplayAndInIconStatics) {
  RecordingWindow window(nullptr, WS_POPUP | WS_VISIBLE);
  ::SendMessage(window.hwnd(), WM_SETICON, 1, reinterpret_cast<LPARAM>(IconOf(130)));
  ASSERT_FALSE(display->calls.empty());
  EXPECT_EQ(display->calls.back(), "icon 32x32");

  CStatic picture;
  ASSERT_TRUE(picture.Create("", WS_CHILD | WS_VISIBLE | SS_ICON, CRect(10, 10, 60, 60), CWnd::FromHandle(window.hwnd())));
  picture.SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(IconOf(130)), 0);
  PumpPending();
  auto shot = qh::gdi::SnapshotWindow(picture.GetSafeHwnd());
  ASSERT_TRUE(shot.has_value());
  EXPECT_EQ(qh::gdi::ColorFromPixel(shot->at(25, 25)), RGB(200, 40, 40));
  picture.DestroyWindow();
}

TEST_F(DisplayParity, ADialogWithoutAPositionOpensCentredOnItsOwner) {
  RecordingWindow owner(nullptr, WS_POPUP | WS_VISIBLE);
  MoveWindow(owner.hwnd(), 300, 200, 400, 300, TRUE);
  qh::ui::DialogTemplate dialogTemplate;
  dialogTemplate.caption = "Centred";
  dialogTemplate.cx = 100;
  dialogTemplate.cy = 50;
  CDialog dialog;
  ASSERT_TRUE(dialog.CreateIndirect(dialogTemplate, CWnd::FromHandle(owner.hwnd())));
  RECT placed;
  dialog.GetWindowRect(&placed);
  EXPECT_EQ((placed.left + placed.right) / 2, 500);
  EXPECT_EQ((placed.top + placed.bottom) / 2, 350);
  dialog.DestroyWindow();
}

}  // namespace
