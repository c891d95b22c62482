// The log against a slow disk and an abrupt end. The test program brings its own fdatasync, which
// the log's calls reach instead of the system's: a test can hold every sync as a disk that does not
// answer would, and count them.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <sstream>
#include <string>

#include "logwriter/DailyLogFile.h"

namespace fs = std::filesystem;

namespace {

std::mutex gDisk;
std::condition_variable gDiskChanged;
bool gHeld = false;
int gSyncs = 0;

void HoldTheDisk(bool held) {
  {
    std::lock_guard<std::mutex> lock(gDisk);
    gHeld = held;
  }
  gDiskChanged.notify_all();
}

int Syncs() {
  std::lock_guard<std::mutex> lock(gDisk);
  return gSyncs;
}

// Waits (bounded) until at least `count` syncs have begun.
bool WaitForSyncs(int count) {
  std::unique_lock<std::mutex> lock(gDisk);
  return gDiskChanged.wait_for(lock, std::chrono::seconds(10), [count] { return gSyncs >= count; });
}

}  // namespace

extern "C" int fdatasync(int fd) {
  {
    std::unique_lock<std::mutex> lock(gDisk);
    ++gSyncs;
    gDiskChanged.notify_all();
    gDiskChanged.wait(lock, [] { return !gHeld; });
  }
  return static_cast<int>(syscall(SYS_fdatasync, fd));
}

namespace {

class LogOnASlowDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qh-slowdisk-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_folder = pattern;
  }
  void TearDown() override {
    HoldTheDisk(false);
    fs::remove_all(m_folder);
  }
  std::string DaysFile() const { return m_folder + "/" + DailyLogFile::FileNameFor(std::time(nullptr)); }
  std::string ReadDaysFile() const {
    std::ifstream in(DaysFile(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static int CountOf(const std::string& text, const std::string& what) {
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
  }

  std::string m_folder;
};

TEST_F(LogOnASlowDisk, AWriteNeverWaitsForTheDiskAndTheLinesAreSyncedTogether) {
  HoldTheDisk(true);
  DailyLogFile log;
  log.SetFolder(m_folder);
  ASSERT_EQ(log.Write("I", "Test", "first"), S_OK);
  ASSERT_TRUE(WaitForSyncs(1)) << "a written line is synced without a further call";
  // The disk now holds the sync: a caller that waited for it would never come back.
  auto burst = std::async(std::launch::async, [&log] {
    for (int i = 0; i < 200; ++i)
      if (log.Write("I", "Test", "line " + std::to_string(i)) != S_OK) return false;
    return true;
  });
  ASSERT_EQ(burst.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "a write waited for the disk";
  EXPECT_TRUE(burst.get());
  EXPECT_EQ(CountOf(ReadDaysFile(), "[I][Test] line "), 200) << "the lines are in the file before they are synced";
  EXPECT_EQ(Syncs(), 1) << "no caller synced";
  HoldTheDisk(false);
  ASSERT_TRUE(WaitForSyncs(2)) << "the lines written while the disk was busy are synced after it";
  EXPECT_LE(Syncs(), 3) << "two hundred lines are synced together, not one by one";
}

TEST_F(LogOnASlowDisk, EveryLineWhoseCallReturnedSurvivesAKillOfTheProgram) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The disk never syncs in this program: what survives it is what the writes put in the file.
    HoldTheDisk(true);
    DailyLogFile log;
    log.SetFolder(m_folder);
    log.SetMaxRecords(100000);
    for (int i = 0; i < 3000; ++i)
      if (log.Write("I", "Burst", "entry " + std::to_string(i)) != S_OK) _exit(2);
    if (write(ready[1], "k", 1) != 1) _exit(3);
    for (;;) pause();
  }
  close(ready[1]);
  char signal = 0;
  ssize_t got = read(ready[0], &signal, 1);
  close(ready[0]);
  kill(child, SIGKILL);  // at once, while nothing was synced
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_EQ(got, 1) << "the writer ended early, status " << status;
  ASSERT_TRUE(WIFSIGNALED(status));
  const std::string text = ReadDaysFile();
  EXPECT_EQ(CountOf(text, "[I][Burst] entry "), 3000);
  EXPECT_NE(text.find("[I][Burst] entry 2999\r\n"), std::string::npos);
}

}  // namespace
