// The controller's log on the disk: a line whose call returned is in the file even when the program
// is killed at once; lines of several threads arrive whole and each thread's in its order; a line the
// file refuses is reported. And the pieces its lines are made of.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "controller/ControllerLog.h"
#include "controller/LogText.h"
#include "platform/core/testing/TestSandbox.h"

namespace {

constexpr char kLogPath[] = "C:\\Logs\\HallwardenLog.txt";

class ControllerLogFile : public testing::Test {
 protected:
  void SetUp() override { qh::testing::WriteHostFile(sandbox.HostPath("C/Logs/keep"), ""); }
  std::vector<std::string> Lines() {
    std::ifstream file(sandbox.HostPath("C/Logs/HallwardenLog.txt"), std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
  }
  // The text after the time stamp and ":: "; the whole line when it has not that form.
  static std::string TextOf(const std::string& line) {
    return line.size() >= 27 && line.compare(24, 3, ":: ") == 0 ? line.substr(27) : line;
  }
  qh::testing::TestSandbox sandbox;
};

TEST_F(ControllerLogFile, EveryLineWhoseCallReturnedSurvivesAKillOfTheProgram) {
  int returned[2];
  ASSERT_EQ(pipe(returned), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(returned[0]);
    CControllerLog log;
    if (!log.Open(kLogPath)) _exit(2);
    // Each returned call is told to the parent, which kills this program in the middle of the run.
    for (int i = 0;; ++i) {
      log.WriteLog(("has written an HTTP response: line " + std::to_string(i)).c_str());
      if (log.HasFailed()) _exit(3);
      if (write(returned[1], &i, sizeof i) != static_cast<ssize_t>(sizeof i)) _exit(4);
    }
  }
  close(returned[1]);
  int last = -1;
  while (last < 2000 && read(returned[0], &last, sizeof last) == static_cast<ssize_t>(sizeof last)) {
  }
  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  // A call may have returned after the last number read: the pipe still holds its number.
  for (int more; read(returned[0], &more, sizeof more) == static_cast<ssize_t>(sizeof more);) last = more;
  close(returned[0]);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself, status " << status;
  ASSERT_GE(last, 2000);
  const std::vector<std::string> lines = Lines();
  ASSERT_GE(lines.size(), static_cast<size_t>(last) + 1);
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string expected = "has written an HTTP response: line " + std::to_string(i);
    // Only the line of a call still under way at the kill may be cut short.
    if (i + 1 == lines.size() && static_cast<int>(i) > last &&
        (lines[i].size() < 27 || expected.rfind(TextOf(lines[i]), 0) == 0))
      continue;
    ASSERT_EQ(TextOf(lines[i]), expected) << "line " << i;
  }
}

TEST_F(ControllerLogFile, LinesOfSeveralThreadsArriveWholeAndEachThreadsInItsOrder) {
  CControllerLog log;
  ASSERT_TRUE(log.Open(kLogPath));
  constexpr int kThreads = 4, kLines = 2000;
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t)
    writers.emplace_back([&log, t] {
      for (int i = 0; i < kLines; ++i)
        log.WriteLog(("thread " + std::to_string(t) + " line " + std::to_string(i)).c_str());
    });
  for (auto& writer : writers) writer.join();
  EXPECT_FALSE(log.HasFailed());
  std::vector<int> next(kThreads, 0);
  for (const std::string& line : Lines()) {
    int thread = -1, number = -1;
    std::istringstream text(TextOf(line));
    std::string word1, word2;
    ASSERT_TRUE(text >> word1 >> thread >> word2 >> number) << line;
    ASSERT_TRUE(thread >= 0 && thread < kThreads) << line;
    ASSERT_EQ(number, next[thread]++) << line;
  }
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[t], kLines) << "thread " << t;
}

TEST_F(ControllerLogFile, ALineTheFileRefusesIsReported) {
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The file may grow to 100 bytes in this program: the second line does not fit.
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{100, 100};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(2);
    CControllerLog log;
    if (!log.Open(kLogPath)) _exit(3);
    log.WriteLog("a line that fits");
    if (log.HasFailed()) _exit(4);
    log.WriteLog(std::string(200, 'x').c_str());
    _exit(log.HasFailed() ? 0 : 5);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "2: no limit, 3: not opened, 4: the first line failed, 5: not reported";
  ASSERT_FALSE(Lines().empty());
  EXPECT_EQ(TextOf(Lines()[0]), "a line that fits");
}

// Numbers read as their own type: a device or transaction number above 2^31 is not shown negative,
// a negative count keeps its sign.
TEST(LogText, NumbersShowInDecimalAsTheirType) {
  EXPECT_STREQ(Decimal(static_cast<DWORD>(4294967295u)), "4294967295");
  EXPECT_STREQ(Decimal(static_cast<DWORD>(2147483648u)), "2147483648");
  EXPECT_STREQ(Decimal(static_cast<LONG>(-2147483647 - 1)), "-2147483648");
  EXPECT_STREQ(Decimal(static_cast<LONG>(-5)), "-5");
  EXPECT_STREQ(Decimal(0), "0");
  EXPECT_STREQ(ThreadLabel("Handler", 0x1008), "Handler thread 0x00001008");
  EXPECT_STREQ(ThreadLabel("Client", 0xFFFFFFFFu), "Client thread 0xFFFFFFFF");
}

// Keywords and paths compare in the upper case of their ASCII letters, whatever else they hold.
TEST(LogText, UpperCaseChangesOnlyAsciiLetters) {
  struct Case {
    const char* text;
    const char* upper;
  } cases[] = {
      {"sysNextPage", "SYSNEXTPAGE"}, {"/user/default.htm", "/USER/DEFAULT.HTM"}, {"a1_z-9.Q", "A1_Z-9.Q"},
      {"caf\xE9 \x9A\xFF", "CAF\xE9 \x9A\xFF"}, {"", ""},
  };
  for (const auto& c : cases) EXPECT_STREQ(UpperAscii(c.text), c.upper) << c.text;
}

}  // namespace
