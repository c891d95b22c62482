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
#include "platform/ui/gdi/Snapshot.h"

using namespace qh::maint::testing;

namespace {

std::string SnapshotFolder() {
  const char* binary = std::getenv("QH_BINARY_DIR");
  std::string folder = (binary ? std::string(binary) : std::filesystem::temp_directory_path().string()) + "/snapshots";
  std::filesystem::create_directories(folder);
  return folder;
}

// Runs a program of the build with the test's sandbox environment; its exit code and standard error.
int RunProgram(const std::string& program, std::string& errors) {
  std::string command = "'" + program + "' 2>&1 >/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  char buffer[1024];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) errors.append(buffer, n);
  return pclose(pipe);
}

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
