// The converter on a real display: a private X server, the SDL back end, the dialog read back from the
// screen as it looks headless, and its Close button pressed with the X server's own mouse.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "maintenance/convert/ConvertResources.h"
#include "maintenance/convert/CvtDlg.h"
#include "maintenance/convert/tests/OldLibraryBuilder.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/DisplayLink.h"
#include "platform/ui/OwnScrollBar.h"
#include "platform/ui/gdi/Snapshot.h"
#include "platform/ui/gdi/tests/DisplayManager.h"
#include "platform/ui/gdi/tests/XWindowManager.h"
#include "platform/ui/gdi/tests/XDisplaySession.h"

using namespace qh::maint::testing;
using qh::gdi::testing::InkPixels;
using qh::gdi::testing::SameShare;

namespace {

// Where the dialog stands once it is up, in window coordinates, taken on the dialog's thread.
struct ShownDialog {
  HWND window = nullptr;
  RECT rect{}, log{}, close{};
  std::optional<qh::gdi::Surface> headless;
  CString logText;
};

RECT WindowRectOf(CWnd& dialog, UINT id) { return qh::gdi::testing::RectInWindow(dialog.m_hWnd, dialog.GetDlgItem(id)->m_hWnd); }

TEST(ConverterOnDisplay, ShowsTheLogAsHeadlessAndCloseEndsIt) {
  qh::testing::TestSandbox sandbox;
  qh::gdi::testing::XDisplaySession session;
  if (!session.Unavailable().empty()) GTEST_SKIP() << session.Unavailable();
  std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse/Backup"));
  BuildOldLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", ManySongsLibrary(3));
  RegisterShiftoverDialogs();

  CCvtDlg dialog("C:\\Quaverhouse");
  ShownDialog shown;
  std::atomic<bool> up{false}, ended{false}, onDisplay{false};
  qh::ui::SetDialogAnswerer([&](CWnd& window) {
    onDisplay = qh::ui::DisplayActive();
    shown.window = window.m_hWnd;
    window.GetWindowRect(&shown.rect);
    shown.log = WindowRectOf(window, IDC_LOG);
    shown.close = WindowRectOf(window, IDOK);
    shown.headless = qh::gdi::SnapshotWindow(window.m_hWnd);
    window.GetDlgItemText(IDC_LOG, shown.logText);
    up = true;
    if (!onDisplay || !shown.headless) static_cast<CDialog&>(window).EndDialog(IDCANCEL);
  });
  // The user, while the dialog runs: waits to see it on the screen, then clicks Close.
  std::optional<qh::gdi::Surface> screen;
  std::thread user([&] {
    for (int i = 0; i < 3000 && !up; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!onDisplay || !shown.headless) return;
    const RECT& r = shown.rect;
    screen = session.GrabWhen(r.left, r.top, r.right - r.left, r.bottom - r.top, [&](const qh::gdi::Surface& s) {
      return SameShare(s, *shown.headless, 0, 0, s.width(), s.height()) > 0.97;
    });
    const int x = r.left + (shown.close.left + shown.close.right) / 2, y = r.top + (shown.close.top + shown.close.bottom) / 2;
    session.Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.3 click 1");
    // A Close that does nothing fails the test instead of hanging it.
    for (int i = 0; i < 1000 && !ended; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!ended) PostMessage(shown.window, WM_COMMAND, IDCANCEL, 0);
  });
  const INT_PTR result = dialog.DoModal();
  ended = true;
  user.join();
  qh::ui::SetDialogAnswerer(nullptr);
  if (!onDisplay) GTEST_SKIP() << "SDL could not open " << session.display();

  EXPECT_EQ(result, IDOK) << "the Close button on the screen ends the dialog";
  EXPECT_EQ(dialog.Outcome(), CDatabaseConverter::kUpgraded);
  EXPECT_NE(shown.logText.Find("successfully upgraded"), -1) << shown.logText.GetString();
  ASSERT_TRUE(shown.headless.has_value());
  ASSERT_TRUE(screen.has_value());
  // The dialog, its log and its Close button look on the screen as they do headless, and are drawn.
  const RECT& log = shown.log;
  const RECT& close = shown.close;
  EXPECT_GT(SameShare(*screen, *shown.headless, 0, 0, screen->width(), screen->height()), 0.97);
  EXPECT_GT(SameShare(*screen, *shown.headless, log.left, log.top, log.right, log.bottom), 0.97);
  EXPECT_GT(SameShare(*screen, *shown.headless, close.left, close.top, close.right, close.bottom), 0.97);
  // A read-only log shows on the dialog's face.
  const qh::gdi::Pixel paper = qh::gdi::PixelFromColor(GetSysColor(COLOR_BTNFACE));
  const qh::gdi::Pixel face = qh::gdi::PixelFromColor(GetSysColor(COLOR_BTNFACE));
  const int logArea = (log.right - log.left) * (log.bottom - log.top);
  const int logInk = InkPixels(*screen, log.left + 3, log.top + 3, log.right - 3, log.bottom - 3, paper);
  EXPECT_GT(logInk, 200) << "the log's lines are drawn";
  EXPECT_LT(logInk, logArea / 4) << "on the log's own paper";
  const int closeInk = InkPixels(*screen, close.left + 3, close.top + 3, close.right - 3, close.bottom - 3, face);
  EXPECT_GT(closeInk, 20) << "the button's caption is drawn";
  EXPECT_LT(closeInk, (close.right - close.left) * (close.bottom - close.top) / 3) << "on the button's face";
}

// A run that fails: its last line ("... Database conversion FAILED.") is longer than the log is wide.
// The log wraps it at words, so after scrolling down with the wheel (the user's way) the line's last
// row shows "FAILED." whole inside the log, left of its scroll bar, on the screen as headless; once
// with a window manager and once without.
class ConverterLogOnDisplay : public ::testing::TestWithParam<bool> {};

TEST_P(ConverterLogOnDisplay, TheFailedLineWrapsAndItsEndIsReadAfterScrollingDown) {
  qh::testing::TestSandbox sandbox;
  qh::gdi::testing::XDisplaySession session;
  if (!session.Unavailable().empty()) GTEST_SKIP() << session.Unavailable();
  std::optional<qh::gdi::testing::XWindowManager> manager;
  if (GetParam()) {
    manager.emplace(session.display());
    if (!manager->running()) GTEST_SKIP() << "openbox could not be started";
  }
  std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse/Backup"));
  OldLibrary library = ManySongsLibrary(3);
  library.songs[1].path = "Q:\\Songs\\Song0000000002.mp3";  // a drive this machine does not have
  BuildOldLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", library);
  RegisterShiftoverDialogs();

  CCvtDlg dialog("C:\\Quaverhouse");
  ASSERT_TRUE(dialog.Create(IDD_CONVERT));  // converts as it starts
  dialog.ShowWindow(SW_SHOW);
  qh::gdi::testing::PumpUntil([] { return false; }, std::chrono::milliseconds(300));
  if (!qh::ui::DisplayActive()) {
    dialog.DestroyWindow();
    GTEST_SKIP() << "SDL could not open " << session.display();
  }
  ASSERT_EQ(dialog.Outcome(), CDatabaseConverter::kVolumesMissing);
  const std::string text = dialog.LogText().GetString();
  const std::string failed = "Database conversion FAILED.";
  const std::size_t failedAt = text.rfind(failed);
  ASSERT_NE(failedAt, std::string::npos) << text;

  CWnd* log = dialog.GetDlgItem(IDC_LOG);
  const HWND edit = log->m_hWnd;
  RECT frame, logRect, logClient;
  dialog.GetWindowRect(&frame);
  log->GetWindowRect(&logRect);
  log->GetClientRect(&logClient);
  const int rows = static_cast<int>(logClient.bottom) / 16;
  const int count = static_cast<int>(log->SendMessage(EM_GETLINECOUNT));
  ASSERT_GT(count, rows) << "the log is longer than its window";
  // The line that ends in "FAILED." takes more than one row, none wider than the log.
  const int lastRow = static_cast<int>(log->SendMessage(EM_LINEFROMCHAR, failedAt + failed.size() - 1));
  const std::size_t lineStart = text.rfind("**ERROR!", failedAt);
  EXPECT_LT(static_cast<int>(log->SendMessage(EM_LINEFROMCHAR, lineStart)), lastRow) << "the long line is wrapped";

  // The user turns the wheel over the log until its end shows.
  const int x = (logRect.left + logRect.right) / 2, y = (logRect.top + logRect.bottom) / 2;
  bool turned = false;
  ASSERT_TRUE(qh::gdi::testing::RunWhilePumping([&] {
    turned = session.Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.3 click --repeat 12 --delay 50 5");
  }));
  ASSERT_TRUE(turned);
  ASSERT_TRUE(qh::gdi::testing::PumpUntil([&] { return log->SendMessage(EM_GETFIRSTVISIBLELINE) == count - rows; }))
      << "first row " << log->SendMessage(EM_GETFIRSTVISIBLELINE) << " of " << count;
  ASSERT_GE(lastRow, count - rows) << "the line's end is in view";

  const std::optional<qh::gdi::Surface> headless = qh::gdi::SnapshotWindow(dialog.m_hWnd);
  ASSERT_TRUE(headless.has_value());
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const std::optional<qh::gdi::Surface> screen = session.GrabWhen(frame.left, frame.top, width, height, [&](const qh::gdi::Surface& s) {
    return SameShare(s, *headless, 0, 0, width, height) > 0.99;
  });
  ASSERT_TRUE(screen.has_value());
  EXPECT_GT(SameShare(*screen, *headless, 0, 0, width, height), 0.99) << "the screen shows the log as headless";

  // The row of "FAILED." on the screen: inked, all of it inside the log's text area, left of the bar.
  POINT client{0, 0};
  ClientToScreen(edit, &client);
  const int left = client.x - frame.left, top = client.y - frame.top + (lastRow - (count - rows)) * 16;
  const int barLeft = left + static_cast<int>(logClient.right) - qh::ui::kOwnBarWidth;
  const qh::gdi::Pixel face = qh::gdi::PixelFromColor(GetSysColor(COLOR_BTNFACE));
  const int ink = InkPixels(*screen, left, top, barLeft, top + 16, face);
  EXPECT_GT(ink, 100) << "the row of \"" << failed << "\" is drawn";
  EXPECT_GT(SameShare(*screen, *headless, left, top, barLeft, top + 16), 0.99);
  EXPECT_EQ(InkPixels(*screen, barLeft - 1, top, barLeft, top + 16, face), 0) << "the row ends before the bar";
  char row[256] = {};
  *reinterpret_cast<WORD*>(row) = sizeof row;
  const auto length = log->SendMessage(EM_GETLINE, static_cast<WPARAM>(lastRow), reinterpret_cast<LPARAM>(row));
  const std::string shown(row, static_cast<std::size_t>(length));
  ASSERT_GE(shown.size(), 7u);
  EXPECT_EQ(shown.substr(shown.size() - 7), "FAILED.") << shown;
  dialog.DestroyWindow();
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, ConverterLogOnDisplay, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Openbox" : "NoWindowManager"; });

}  // namespace
