// Backup of a 100,000-song library beside the sqlite3 tool's VACUUM INTO of the same file (target: within
// 1.2 times), and the check report on that library (target: under 2 s).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "maintenance/admin/DatabaseCheck.h"
#include "maintenance/admin/DatabaseFileOps.h"
#include "maintenance/files/tests/MaintenanceTestSupport.h"
#include "bench/maintenance/BenchTiming.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/dao/DaoWorkspace.h"
#include "platform/ui/MessageBox.h"

namespace {
constexpr int kRounds = 7;
}

int main(int argc, char** argv) {
  long songs = argc > 1 ? std::atol(argv[1]) : 100000;
  qh::testing::TestSandbox sandbox;
  std::string folder = sandbox.HostPath("C/Quaverhouse");
  std::filesystem::create_directories(folder + "/Backup");
  std::string host = folder + "/Quaverhouse.qhd";
  double built = SecondsOf([&] { qh::maint::testing::BuildManySongsLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", songs); });
  std::printf("library: %ld songs, %.1f MB, built in %.2f s\n", songs,
              static_cast<double>(std::filesystem::file_size(host)) / 1048576.0, built);
  // A second argument keeps a copy of the library there, to look at it with other tools.
  if (argc > 2) std::filesystem::copy_file(host, argv[2], std::filesystem::copy_options::overwrite_existing);
  if (argc > 3 && std::string(argv[3]) == "check") {
    // Check reports alone, for a profiler.
    for (int round = 0; round < 3; ++round)
      std::printf("check %.3f s\n", SecondsOf([&] { CDatabaseCheck("C:\\Quaverhouse", nullptr).Run(); }));
    return 0;
  }
  if (argc > 3 && std::string(argv[3]) == "compact") {
    // Compactions alone, for a profiler.
    for (int round = 0; round < 10; ++round) {
      std::filesystem::remove(folder + "/work.qhd");
      double seconds = SecondsOf([&] { DefaultFileSteps().CompactDatabase("C:\\Quaverhouse\\Quaverhouse.qhd", "C:\\Quaverhouse\\work.qhd"); });
      std::printf("compact %.3f s\n", seconds);
    }
    return 0;
  }
  if (argc > 3 && std::string(argv[3]) == "backup") {
    // Backups alone, for a profiler.
    for (int round = 0; round < 10; ++round) {
      for (const auto& entry : std::filesystem::directory_iterator(folder + "/Backup")) std::filesystem::remove(entry.path());
      std::printf("backup %.3f s\n", SecondsOf([&] { CDatabaseFileOps("C:\\Quaverhouse", nullptr).Backup(); }));
    }
    return 0;
  }
  int failures = 0;
  qh::ui::SetMessageBoxLogHook([&](const qh::ui::MessageBoxRequest&) { ++failures; });

  // Both sides run in turns, each going first in every other round, so that a load that comes and goes
  // and the page cache each side leaves behind weigh on both alike.
  std::vector<double> ours, tool, ratios;
  auto runTool = [&](int round) {
    std::string target = sandbox.HostPath("vacuum-" + std::to_string(round) + ".qhd");
    tool.push_back(SecondsOf([&] {
      std::string command = "sqlite3 '" + host + "' \"VACUUM INTO '" + target + "'\"";
      if (std::system(command.c_str()) != 0) ++failures;
    }));
    std::filesystem::remove(target);
  };
  auto runOurs = [&] {
    for (const auto& entry : std::filesystem::directory_iterator(folder + "/Backup")) std::filesystem::remove(entry.path());
    ours.push_back(SecondsOf([&] {
      if (!CDatabaseFileOps("C:\\Quaverhouse", nullptr).Backup()) ++failures;
    }));
  };
  for (int round = 0; round < kRounds; ++round) {
    if (round % 2 == 0) {
      runTool(round);
      runOurs();
    } else {
      runOurs();
      runTool(round);
    }
    ratios.push_back(ours.back() / tool.back());
    std::printf("round %d: backup %.3f s, VACUUM INTO %.3f s, ratio %.2f\n", round + 1, ours.back(), tool.back(), ratios.back());
  }
  {
    // The backup's steps one by one, to see where its time goes.
    CFileSteps& steps = DefaultFileSteps();
    double compact = SecondsOf([&] { steps.CompactDatabase("C:\\Quaverhouse\\Quaverhouse.qhd", "C:\\Quaverhouse\\work.qhd"); });
    double check = SecondsOf([&] { steps.CheckDatabase("C:\\Quaverhouse\\work.qhd", TRUE); });
    double sync = SecondsOf([&] { steps.SyncFile("C:\\Quaverhouse\\work.qhd"); });
    double copy = SecondsOf([&] { steps.CopyFile("C:\\Quaverhouse\\work.qhd", "C:\\Quaverhouse\\Backup\\copy.qhd", TRUE); });
    double rename = SecondsOf([&] { steps.ReplaceFile("C:\\Quaverhouse\\work.qhd", "C:\\Quaverhouse\\Quaverhouse.qhd"); });
    std::printf("backup steps: compact %.3f s, quick check %.3f s, rest of the sync %.3f s, copy %.3f s, rename %.3f s\n",
                compact, check, sync, copy, rename);
  }
  std::printf("backup (compact, check, sync, copy, rename in place):    median %.3f s, range %.3f-%.3f s\n",
              Median(ours), Min(ours), Max(ours));
  std::printf("sqlite3 VACUUM INTO of the same file:                     median %.3f s, range %.3f-%.3f s\n",
              Median(tool), Min(tool), Max(tool));
  std::printf("ratio backup / VACUUM INTO over %d rounds: median %.2f, range %.2f-%.2f (target 1.2)\n", kRounds,
              Median(ratios), Min(ratios), Max(ratios));
  std::printf("load: ");
  std::fflush(stdout);
  if (std::system("uptime") != 0) std::printf("(uptime failed)\n");

  std::vector<double> checks;
  int errors = 0;
  for (int round = 0; round < 3; ++round)
    checks.push_back(SecondsOf([&] {
      CDatabaseCheck check("C:\\Quaverhouse", nullptr);
      if (!check.Run()) ++failures;
      errors = check.ErrorCount();
    }));
  std::printf("check report (script and %ld media files looked up, %d listed): median %.3f s (target 2 s)\n", songs,
              errors, Median(checks));
  if (failures != 0) std::printf("FAILURES: %d\n", failures);
  return failures == 0 ? 0 : 1;
}
