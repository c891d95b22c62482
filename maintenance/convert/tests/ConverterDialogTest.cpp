// The converter as its user meets it: the dialog that converts as it opens and shows the log, a picture
// of it, and the program itself refusing to start beside another program of the system.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "maintenance/convert/ConvertResources.h"
#include "maintenance/convert/CvtDlg.h"
#include "maintenance/convert/tests/OldLibraryBuilder.h"
#include "maintenance/files/tests/MaintenanceTestSupport.h"
#include "platform/core/Handle.h"
#include "platform/core/NamedMutex.h"
#include "platform/core/Registry.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/gdi/BitmapResources.h"
#include "platform/ui/gdi/Snapshot.h"
#include "platform/ui/gdi/tests/DisplayManager.h"

using namespace qh::maint::testing;

namespace {

TEST(ConverterDialog, ConvertsWhenItOpensAndShowsTheLog) {
  qh::testing::TestSandbox sandbox;
  std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse/Backup"));
  OldLibrary library = ManySongsLibrary(3);
  BuildOldLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", library);
  RegisterShiftoverDialogs();
  CCvtDlg dialog("C:\\Quaverhouse");
  CString shown;
  std::string error;
  bool pictured = false;
  qh::ui::SetDialogAnswerer([&](CWnd& window) {
    window.GetDlgItemText(IDC_LOG, shown);
    pictured = qh::gdi::WriteWindowPng(window.m_hWnd, SnapshotFolder() + "/shiftover.png", &error);
    static_cast<CDialog&>(window).EndDialog(IDOK);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  qh::ui::SetDialogAnswerer(nullptr);
  EXPECT_TRUE(pictured) << error;
  EXPECT_EQ(dialog.Outcome(), CDatabaseConverter::kUpgraded);
  EXPECT_EQ(shown, dialog.LogText());
  std::vector<std::string> lines = Lines(std::string(shown.GetString()));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "Song Database Path: C:\\Quaverhouse\r");
  EXPECT_EQ(lines[1], "\r");
  EXPECT_EQ(lines[lines.size() - 2], "Quaverhouse database successfully upgraded to 04.00\r");
  EXPECT_EQ(Sqlite3(sandbox.HostPath("C/Quaverhouse/Quaverhouse.qhd"), "select count(*) from Songs;"), "3\n");
}

// The dialog carries the program's icon (the picture the build puts beside the program) as its big and
// small icon and for dragging, and shows it while minimised.
TEST(ConverterDialog, HasTheProgramIconAndShowsItMinimised) {
  qh::testing::TestSandbox sandbox;
  std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse/Backup"));
  BuildOldLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", ManySongsLibrary(1));
  RegisterShiftoverDialogs();
  const std::optional<qh::gdi::Surface> picture = qh::gdi::testing::UseProgramBitmaps(QH_PROGRAM_BITMAPS, CCvtDlg::kIconId);
  ASSERT_TRUE(picture.has_value()) << "no icon " << CCvtDlg::kIconId << " in " << QH_PROGRAM_BITMAPS;
  CWinApp app{"Quaverhouse"};  // the program's application object loads its icon
  const HICON icon = app.LoadIcon(CCvtDlg::kIconId);
  CCvtDlg dialog("C:\\Quaverhouse");
  double shown = 0.0;
  qh::ui::SetDialogAnswerer([&](CWnd& window) {
    EXPECT_EQ(window.GetIcon(TRUE), icon);
    EXPECT_EQ(window.GetIcon(FALSE), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(window.SendMessage(WM_QUERYDRAGICON)), icon);
    shown = qh::gdi::testing::MinimisedIconShare(window.m_hWnd, *picture);
    static_cast<CDialog&>(window).EndDialog(IDOK);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  qh::ui::SetDialogAnswerer(nullptr);
  qh::gdi::ClearBitmapFolders();
  EXPECT_EQ(shown, 1.0) << "the minimised dialog shows the icon's picture centred";
}

TEST(ConverterProgram, RefusesToStartBesideAnotherProgramOfTheSystem) {
  qh::testing::TestSandbox sandbox;
  HANDLE held = CreateMutex(nullptr, TRUE, "QuaverhouseGlobalMutex");
  ASSERT_NE(held, nullptr);
  std::string errors;
  RunProgram(QH_SHIFTOVER, errors);
  EXPECT_NE(errors.find("Another Quaverhouse program is running. Only one Quaverhouse application can run at a time."),
            std::string::npos)
      << errors;
  ReleaseMutex(held);
  CloseHandle(held);
}

TEST(ConverterProgram, WithoutADatabaseFolderItSaysSoAndEnds) {
  qh::testing::TestSandbox sandbox;
  std::string errors;
  RunProgram(QH_SHIFTOVER, errors);
  EXPECT_NE(errors.find("Could not find the Quaverhouse database."), std::string::npos) << errors;
}

}  // namespace
