// A conversion of 10,000 songs killed with SIGKILL at random moments: afterwards the library must open
// as either the old file (02.70, every song) or the new one (04.00, every song), never anything between.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "dblib/QHDb.h"
#include "maintenance/convert/tests/OldLibraryBuilder.h"
#include "maintenance/files/tests/MaintenanceTestSupport.h"
#include "platform/core/testing/TestSandbox.h"

extern char** environ;

using namespace qh::maint::testing;

namespace {

constexpr long kSongCount = 10000;

pid_t StartChild() {
  const char* argv[] = {QH_CONVERT_CHILD, "C:\\Quaverhouse", nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  posix_spawn(&pid, QH_CONVERT_CHILD, &actions, nullptr, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int WaitChild(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

TEST(ConverterKill, AKilledConversionLeavesTheOldLibraryOrTheNewOne) {
  qh::testing::TestSandbox sandbox;
  std::string folder = sandbox.HostPath("C/Quaverhouse");
  std::filesystem::create_directories(folder + "/Backup");
  std::string live = folder + "/Quaverhouse.qhd";
  std::string original = sandbox.HostPath("old-library.qhd");
  BuildOldLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", ManySongsLibrary(kSongCount));
  std::filesystem::copy_file(live, original);

  // One whole run first, to know how long a conversion takes here.
  auto start = std::chrono::steady_clock::now();
  pid_t whole = StartChild();
  ASSERT_GT(whole, 0);
  int status = WaitChild(whole);
  auto duration = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(Sqlite3(live, "select ParmValue from QuavParms where ParmName = 'DatabaseVersion';"), "04.00\n");

  unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  std::uniform_int_distribution<long> moment(0, duration.count());
  int oldSeen = 0, newSeen = 0;
  for (int round = 0; round < 12; ++round) {
    std::filesystem::remove(live);
    std::filesystem::copy_file(original, live);
    long delay = moment(random);
    pid_t pid = StartChild();
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    kill(pid, SIGKILL);
    WaitChild(pid);
    SCOPED_TRACE("seed " + std::to_string(seed) + ", killed after " + std::to_string(delay) + " ms");
    ASSERT_EQ(Sqlite3(live, "PRAGMA integrity_check;"), "ok\n");
    std::string version = Sqlite3(live, "select ParmValue from QuavParms where ParmName = 'DatabaseVersion';");
    ASSERT_EQ(Sqlite3(live, "select count(*) from Songs;"), std::to_string(kSongCount) + "\n");
    if (version == "02.70\n") {
      ++oldSeen;
      EXPECT_EQ(Sqlite3(live, "select count(*) from Songs where SongTypeCode is not null;"), std::to_string(kSongCount) + "\n");
    } else {
      ASSERT_EQ(version, "04.00\n");
      ++newSeen;
      EXPECT_EQ(Sqlite3(live, "select count(*) from SongGenre;"), std::to_string(kSongCount) + "\n");
      EXPECT_EQ(Sqlite3(live, "select count(*) from PlaylistDetail;"), "100\n");
      tQHDb songDb;
      EXPECT_EQ(songDb.Open("C:\\Quaverhouse\\Quaverhouse.qhd", TRUE, FALSE), 1);
      songDb.Close();
    }
  }
  std::printf("kill rounds: %d left the old library, %d the new one (seed %u, whole run %ld ms)\n", oldSeen, newSeen,
              seed, static_cast<long>(duration.count()));
}

}  // namespace
