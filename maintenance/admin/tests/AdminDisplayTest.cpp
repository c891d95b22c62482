// The administrator on a real display: a private X server, the SDL back end, the main dialog read back
// from the screen as it looks headless, and the check started by a click of the X server's own mouse.
#include <gtest/gtest.h>

#include <filesystem>

#include "maintenance/admin/AdminDlg.h"
#include "maintenance/admin/AdminResources.h"
#include "maintenance/files/tests/MaintenanceTestSupport.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/DisplayLink.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/gdi/Snapshot.h"
#include "platform/ui/gdi/tests/XDisplaySession.h"

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

}  // namespace
