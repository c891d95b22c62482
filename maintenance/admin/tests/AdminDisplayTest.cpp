// The administrator on a real display: a private X server, the SDL back end, the main dialog read back
// from the screen as it looks headless, and the check started by a click of the X server's own mouse.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "maintenance/admin/AdminDlg.h"
#include "maintenance/admin/AdminResources.h"
#include "maintenance/files/tests/MaintenanceTestSupport.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/DisplayLink.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/gdi/Snapshot.h"
#include "platform/ui/gdi/BitmapResources.h"
#include "platform/ui/gdi/tests/DisplayManager.h"
#include "platform/ui/gdi/tests/XDisplaySession.h"

extern char** environ;

using namespace qh::maint::testing;
using qh::gdi::testing::InkPixels;
using qh::gdi::testing::PumpUntil;
using qh::gdi::testing::SameShare;

namespace {

RECT WindowRectOf(CWnd& dialog, UINT id) { return qh::gdi::testing::RectInWindow(dialog.m_hWnd, dialog.GetDlgItem(id)->m_hWnd); }

TEST(AdminOnDisplay, ShowsAsHeadlessAndTheCheckButtonRunsTheCheck) {
  qh::testing::TestSandbox sandbox;
  qh::gdi::testing::XDisplaySession session;
  if (!session.Unavailable().empty()) GTEST_SKIP() << session.Unavailable();
  std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse/Songs"));
  std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse/Backup"));
  BuildCurrentLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", {});
  RegisterLedgerkeepDialogs();
  CWinApp app{"Quaverhouse"};
  app.SetRegistryKey("Tallowmere");
  // A sound library offers no report; a box would be a fault (answered, so it cannot hang the test).
  std::vector<std::string> boxes;
  qh::ui::SetMessageBoxAnswerer([&](const qh::ui::MessageBoxRequest& box) {
    boxes.push_back(box.text);
    return box.defaultButton;
  });
  struct Restore {
    ~Restore() { qh::ui::SetMessageBoxAnswerer(nullptr); }
  } restore;

  CAdminDlg dialog("C:\\Quaverhouse");
  ASSERT_TRUE(dialog.Create(IDD_ADMIN));
  dialog.ShowWindow(SW_SHOW);
  PumpUntil([] { return false; }, std::chrono::milliseconds(300));
  if (!qh::ui::DisplayActive()) {
    dialog.DestroyWindow();
    GTEST_SKIP() << "SDL could not open " << session.display();
  }
  RECT window{};
  dialog.GetWindowRect(&window);
  const int width = window.right - window.left, height = window.bottom - window.top;
  const RECT check = WindowRectOf(dialog, IDC_CHECK), status = WindowRectOf(dialog, IDC_STATUS);
  auto headless = qh::gdi::SnapshotWindow(dialog.m_hWnd);
  ASSERT_TRUE(headless.has_value());

  // On the screen as headless: the whole dialog, the Check button with its caption.
  std::optional<qh::gdi::Surface> screen;
  auto matches = [&](const qh::gdi::Surface& picture, const RECT& area) {
    return [&picture, area](const qh::gdi::Surface& s) { return SameShare(s, picture, area.left, area.top, area.right, area.bottom) > 0.97; };
  };
  ASSERT_TRUE(qh::gdi::testing::RunWhilePumping([&] {
    screen = session.GrabWhen(window.left, window.top, width, height, matches(*headless, RECT{0, 0, width, height}));
  }));
  ASSERT_TRUE(screen.has_value());
  EXPECT_GT(SameShare(*screen, *headless, 0, 0, width, height), 0.97);
  EXPECT_GT(SameShare(*screen, *headless, check.left, check.top, check.right, check.bottom), 0.97);
  const qh::gdi::Pixel face = qh::gdi::PixelFromColor(GetSysColor(COLOR_BTNFACE));
  EXPECT_GT(InkPixels(*screen, check.left + 3, check.top + 3, check.right - 3, check.bottom - 3, face), 20)
      << "the Check button's caption is drawn";

  // The user clicks Check: the check runs, writes its report and says where it is.
  const int x = window.left + (check.left + check.right) / 2, y = window.top + (check.top + check.bottom) / 2;
  ASSERT_TRUE(qh::gdi::testing::RunWhilePumping(
      [&] { session.Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.3 click 1 sleep 0.3"); }));
  const CString done("Database check completed. Log file is in C:\\Quaverhouse\\DbCheck.txt");
  ASSERT_TRUE(PumpUntil([&] { return dialog.StatusText() == done; }, std::chrono::seconds(20))) << dialog.StatusText().GetString();
  EXPECT_TRUE(boxes.empty()) << boxes.front();
  EXPECT_NE(qh::testing::ReadHostFile(sandbox.HostPath("C/Quaverhouse/DbCheck.txt")).find("  Total Errors Detected 0\r\n"),
            std::string::npos);

  // The status line on the screen says so as it does headless.
  PumpUntil([] { return false; }, std::chrono::milliseconds(200));
  auto after = qh::gdi::SnapshotWindow(dialog.m_hWnd);
  ASSERT_TRUE(after.has_value());
  ASSERT_TRUE(qh::gdi::testing::RunWhilePumping([&] {
    screen = session.GrabWhen(window.left, window.top, width, height, matches(*after, status));
  }));
  ASSERT_TRUE(screen.has_value());
  EXPECT_GT(SameShare(*screen, *after, status.left, status.top, status.right, status.bottom), 0.97);
  EXPECT_LT(SameShare(*screen, *headless, status.left, status.top, status.right, status.bottom), 0.97)
      << "the status line changed on the screen";
  EXPECT_GT(InkPixels(*screen, status.left, status.top, status.right, status.bottom, face), 100) << "its text is drawn";
  dialog.DestroyWindow();
}

// The program itself, started on the display: its main dialog gives the window manager the program's
// icon, the picture the build put beside the program.
TEST(AdminProgramOnDisplay, GivesTheWindowManagerItsIcon) {
  qh::testing::TestSandbox sandbox;
  qh::gdi::testing::XDisplaySession session;
  if (!session.Unavailable().empty()) GTEST_SKIP() << session.Unavailable();
  const std::optional<qh::gdi::Surface> picture = qh::gdi::testing::UseProgramBitmaps(QH_PROGRAM_BITMAPS, CAdminDlg::kIconId);
  qh::gdi::ClearBitmapFolders();
  ASSERT_TRUE(picture.has_value());
  // The environment (display, sandbox) is the child's.
  pid_t child = -1;
  char* const argv[] = {const_cast<char*>(QH_LEDGERKEEP), nullptr};
  ASSERT_EQ(posix_spawn(&child, QH_LEDGERKEEP, nullptr, nullptr, argv, environ), 0);
  struct Stop {
    pid_t pid;
    ~Stop() {
      kill(pid, SIGTERM);
      for (int i = 0; i < 250 && waitpid(pid, nullptr, WNOHANG) == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
      if (waitpid(pid, nullptr, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
      }
    }
  } stop{child};
  unsigned long window = 0;
  for (int i = 0; i < 300 && window == 0; ++i) {
    window = qh::gdi::testing::XWindowTitled(session.display(), "Quaverhouse Administrator");
    if (window == 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_NE(window, 0ul) << "the administrator's dialog did not show";
  std::optional<qh::gdi::Surface> icon;
  for (int i = 0; i < 100 && !icon; ++i) {
    icon = qh::gdi::testing::XWindowIcon(session.display(), window);
    if (!icon) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_TRUE(icon.has_value()) << "no icon given to the window manager";
  ASSERT_EQ(icon->width(), picture->width());
  ASSERT_EQ(icon->height(), picture->height());
  int same = 0;
  for (int y = 0; y < icon->height(); ++y)
    for (int x = 0; x < icon->width(); ++x) same += icon->at(x, y) == picture->at(x, y);
  EXPECT_EQ(same, icon->width() * icon->height()) << "the icon is the program's picture";
}

}  // namespace
