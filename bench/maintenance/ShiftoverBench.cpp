// Converting a 100,000-song library from 02.70 to 04.00 (target: under 10 s).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/maintenance/BenchTiming.h"
#include "maintenance/convert/DatabaseConverter.h"
#include "maintenance/convert/tests/OldLibraryBuilder.h"
#include "platform/core/testing/TestSandbox.h"

int main(int argc, char** argv) {
  long songs = argc > 1 ? std::atol(argv[1]) : 100000;
  qh::testing::TestSandbox sandbox;
  std::string folder = sandbox.HostPath("C/Quaverhouse");
  std::filesystem::create_directories(folder + "/Backup");
  std::string live = folder + "/Quaverhouse.qhd";
  std::string original = sandbox.HostPath("old.qhd");
  double built = SecondsOf([&] {
    qh::maint::testing::BuildOldLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", qh::maint::testing::ManySongsLibrary(songs));
  });
  std::filesystem::copy_file(live, original);
  std::printf("02.70 library: %ld songs, %.1f MB, built in %.2f s\n", songs,
              static_cast<double>(std::filesystem::file_size(live)) / 1048576.0, built);
  std::vector<double> runs;
  int failures = 0;
  for (int round = 0; round < 3; ++round) {
    std::filesystem::remove(live);
    std::filesystem::copy_file(original, live);
    for (const auto& entry : std::filesystem::directory_iterator(folder + "/Backup")) std::filesystem::remove(entry.path());
    runs.push_back(SecondsOf([&] {
      CDatabaseConverter converter("C:\\Quaverhouse", nullptr);
      if (converter.Convert() != CDatabaseConverter::kUpgraded) ++failures;
    }));
  }
  std::printf("conversion of %ld songs (backup copy, new file, rows, check, rename): median %.3f s (target 10 s)\n", songs,
              Median(runs));
  if (failures != 0) std::printf("FAILURES: %d\n", failures);
  return failures == 0 ? 0 : 1;
}
