// A conversion of 2,000 songs killed with SIGKILL at chosen moments: afterwards the library must open
// as either the old file (02.70, every song) or the new one (04.00, every song), never anything between.
// Each stage lasts long enough for a kill to land inside it (the moments come from the child's own
// progress), and fourteen conversions of a larger library only made the test slower, not stronger.
// The moments are taken from the child's own progress (the log lines it prints as it goes, and its end),
// not from the clock: each stage of the run, the last rename included, is hit in turn however fast or
// slow the machine is, and every wait for the child is bounded.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "dblib/QHDb.h"
#include "maintenance/convert/tests/OldLibraryBuilder.h"
#include "maintenance/files/tests/MaintenanceTestSupport.h"
#include "platform/core/testing/TestSandbox.h"

extern char** environ;

using namespace qh::maint::testing;

namespace {

constexpr long kSongCount = 2000;
using Clock = std::chrono::steady_clock;
// Far beyond any conversion here, loaded or not: only a child that hangs meets it.
constexpr auto kChildLimit = std::chrono::minutes(4);

// One conversion in a process of its own, its log lines read through a pipe as they come.
class Child {
 public:
  Child() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    const char* argv[] = {QH_CONVERT_CHILD, "C:\\Quaverhouse", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    if (posix_spawn(&pid_, QH_CONVERT_CHILD, &actions, nullptr, const_cast<char* const*>(argv), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
  }
  ~Child() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }
  bool Started() const { return pid_ > 0; }

  // The next log line, or nothing at the child's end or at `until`.
  std::optional<std::string> NextLine(Clock::time_point until) {
    for (;;) {
      const std::size_t newline = pending_.find('\n');
      if (newline != std::string::npos) {
        std::string line = pending_.substr(0, newline);
        pending_.erase(0, newline + 1);
        return line;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
      if (left <= 0) return std::nullopt;
      pollfd ready{out_, POLLIN, 0};
      if (poll(&ready, 1, static_cast<int>(left)) <= 0) continue;
      char buffer[4096];
      const ssize_t got = read(out_, buffer, sizeof buffer);
      if (got <= 0) return std::nullopt;
      pending_.append(buffer, static_cast<std::size_t>(got));
    }
  }

  // Reads on until the child's end; false when it did not end by `until` (it is then killed).
  bool WaitEnd(Clock::time_point until, int* status) {
    while (NextLine(until)) {
    }
    return Reap(until, status);
  }

  void Kill() { kill(pid_, SIGKILL); }

  bool Reap(Clock::time_point until, int* status) {
    for (;;) {
      const pid_t done = waitpid(pid_, status, WNOHANG);
      if (done == pid_) {
        pid_ = -1;
        return true;
      }
      if (Clock::now() >= until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string pending_;
};

TEST(ConverterKill, AKilledConversionLeavesTheOldLibraryOrTheNewOne) {
  qh::testing::TestSandbox sandbox;
  std::string folder = sandbox.HostPath("C/Quaverhouse");
  std::filesystem::create_directories(folder + "/Backup");
  std::string live = folder + "/Quaverhouse.qhd";
  std::string original = sandbox.HostPath("old-library.qhd");
  BuildOldLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", ManySongsLibrary(kSongCount));
  std::filesystem::copy_file(live, original);

  // One whole run first, to learn the stages of a conversion here: the time each log line came, and
  // the time of the child's end.
  std::vector<double> stageStart;  // seconds from the start: each line, then the end
  {
    const auto start = Clock::now();
    Child whole;
    ASSERT_TRUE(whole.Started());
    while (whole.NextLine(start + kChildLimit))
      stageStart.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    int status = 0;
    ASSERT_TRUE(whole.Reap(start + kChildLimit, &status)) << "the conversion did not end";
    stageStart.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  EXPECT_EQ(Sqlite3(live, "select ParmValue from QuavParms where ParmName = 'DatabaseVersion';"), "04.00\n");
  ASSERT_GE(stageStart.size(), 4u) << "the conversion logs its stages";

  unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  int oldSeen = 0, newSeen = 0;
  // Each stage in turn: the kill comes at a random moment between its line and the next (the last
  // stage: after the child's end, which must leave the new library).
  const int stages = static_cast<int>(stageStart.size());
  for (int round = 0; round < 12; ++round) {
    std::filesystem::remove(live);
    std::filesystem::copy_file(original, live);
    const int stage = round % stages;
    const double length = stage + 1 < stages ? stageStart[stage + 1] - stageStart[stage] : 0.0;
    const auto delay = std::chrono::microseconds(
        static_cast<long>(std::uniform_real_distribution<double>(0.0, length)(random) * 1e6));
    const auto limit = Clock::now() + kChildLimit;
    Child child;
    ASSERT_TRUE(child.Started());
    int status = 0;
    if (stage + 1 == stages) {
      ASSERT_TRUE(child.WaitEnd(limit, &status)) << "the conversion did not end";
    } else {
      bool reached = true;
      for (int line = 0; line <= stage && reached; ++line) reached = child.NextLine(limit).has_value();
      if (reached) std::this_thread::sleep_for(delay);
      child.Kill();
      ASSERT_TRUE(child.Reap(limit, &status));
    }
    SCOPED_TRACE("seed " + std::to_string(seed) + ", killed in stage " + std::to_string(stage) + " after " +
                 std::to_string(delay.count() / 1000) + " ms");
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
  // The next whole run clears what the killed ones left beside the library (a kill leaves work files
  // only while the old library is still in place).
  {
    std::filesystem::remove(live);
    std::filesystem::copy_file(original, live);
    Child last;
    ASSERT_TRUE(last.Started());
    int status = 0;
    ASSERT_TRUE(last.WaitEnd(Clock::now() + kChildLimit, &status));
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      if (entry.path().filename().string().rfind("QHC", 0) == 0) left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{});
  }
  EXPECT_GT(newSeen, 0) << "the round let through to the end left the old library";
  EXPECT_GT(oldSeen, 0);
  std::printf("kill rounds: %d left the old library, %d the new one (seed %u, whole run %.1f s)\n", oldSeen, newSeen,
              seed, stageStart.back());
}

}  // namespace
