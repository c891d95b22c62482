#include "logwriter/DailyLogFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Local time is UTC in these tests so that calendar arithmetic is plain.
std::time_t utc(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return timegm(&t);
}

std::string readAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

std::vector<std::string> crlfLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "text after the last CR LF";
  return lines;
}

class DailyLogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    char pattern[] = "/tmp/qh-dailylog-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_folder = pattern;
  }
  void TearDown() override { fs::remove_all(m_folder); }

  DailyLogFile::Clock clock() {
    return [this] { return m_now.load(); };
  }

  fs::path m_folder;
  std::atomic<std::time_t> m_now{utc(2026, 12, 31, 23, 59, 58)};
};

}  // namespace

TEST_F(DailyLogFileTest, WritesOneEntryPerLineInTheDaysFile) {
  DailyLogFile log(clock());
  log.SetFolder(m_folder.string());
  EXPECT_EQ(log.Write("E", "Main", "Database could not be opened"), S_OK);
  EXPECT_EQ(log.Write("", "", ""), S_OK);
  log.Close();
  EXPECT_EQ(readAll(m_folder / "QHLog20261231.log"),
            "235958: [E][Main] Database could not be opened\r\n"
            "235958: [][] \r\n");
}

TEST_F(DailyLogFileTest, MidnightStartsTheNextDaysFileWithAFreshCount) {
  DailyLogFile log(clock());
  log.SetFolder(m_folder.string());
  log.SetMaxRecords(2);
  EXPECT_EQ(log.Write("I", "Main", "old year"), S_OK);
  EXPECT_EQ(log.Write("I", "Main", "old year again"), S_OK);
  m_now = utc(2027, 1, 1, 0, 0, 3);
  EXPECT_EQ(log.Write("I", "Main", "new year"), S_OK);
  EXPECT_EQ(log.RecordCount(), 1);
  EXPECT_EQ(crlfLines(readAll(m_folder / "QHLog20261231.log")).size(), 2u);
  EXPECT_EQ(readAll(m_folder / "QHLog20270101.log"), "000003: [I][Main] new year\r\n");
}

TEST_F(DailyLogFileTest, AWriteAYearLaterOnTheSameDayOfTheYearGoesToItsOwnFile) {
  m_now = utc(2025, 3, 9, 12, 0, 0);
  DailyLogFile log(clock());
  log.SetFolder(m_folder.string());
  EXPECT_EQ(log.Write("I", "Main", "2025"), S_OK);
  m_now = utc(2026, 3, 9, 12, 0, 0);  // day 68 of both years
  EXPECT_EQ(log.Write("I", "Main", "2026"), S_OK);
  EXPECT_EQ(readAll(m_folder / "QHLog20250309.log"), "120000: [I][Main] 2025\r\n");
  EXPECT_EQ(readAll(m_folder / "QHLog20260309.log"), "120000: [I][Main] 2026\r\n");
}

TEST_F(DailyLogFileTest, TheLimitWritesALimitLineAndTheNextCallReopens) {
  DailyLogFile log(clock());
  log.SetFolder(m_folder.string());
  log.SetMaxRecords(2);
  EXPECT_EQ(log.Write("I", "A", "one"), S_OK);
  EXPECT_EQ(log.Write("I", "A", "two"), S_OK);
  EXPECT_EQ(log.Write("I", "A", "three"), E_FAIL);
  EXPECT_FALSE(log.IsOpen());
  EXPECT_EQ(log.Write("I", "A", "four"), S_OK);
  EXPECT_EQ(crlfLines(readAll(m_folder / "QHLog20261231.log")),
            (std::vector<std::string>{"235958: [I][A] one", "235958: [I][A] two",
                                      "235958: [S][Quillmark] Output limit exceeded. Closing log file.",
                                      "235958: [I][A] four"}));
}

TEST_F(DailyLogFileTest, DefaultLimitIsFiveThousandLinesPerOpening) {
  DailyLogFile log(clock());
  log.SetFolder(m_folder.string());
  for (LONG ignored : {0, -7}) log.SetMaxRecords(ignored);
  EXPECT_EQ(log.MaxRecords(), 5000);
  for (int i = 0; i < 5000; ++i) ASSERT_EQ(log.Write("I", "Main", std::to_string(i)), S_OK);
  EXPECT_EQ(log.Write("I", "Main", "one too many"), E_FAIL);
  auto lines = crlfLines(readAll(m_folder / "QHLog20261231.log"));
  ASSERT_EQ(lines.size(), 5001u);
  EXPECT_EQ(lines[4999], "235958: [I][Main] 4999");
  EXPECT_EQ(lines[5000], "235958: [S][Quillmark] Output limit exceeded. Closing log file.");
}

TEST_F(DailyLogFileTest, AMissingOrUnusableFolderFailsUntilItExists) {
  DailyLogFile log(clock());
  log.SetFolder((m_folder / "missing").string());
  EXPECT_EQ(log.Write("E", "Main", "lost"), E_FAIL);
  EXPECT_FALSE(log.IsOpen());
  fs::create_directory(m_folder / "missing");
  EXPECT_EQ(log.Write("E", "Main", "kept"), S_OK);

  std::ofstream(m_folder / "plainfile") << "not a folder";
  DailyLogFile other(clock());
  other.SetFolder((m_folder / "plainfile").string());
  EXPECT_EQ(other.Write("E", "Main", "lost"), E_FAIL);
  EXPECT_EQ(readAll(m_folder / "missing" / "QHLog20261231.log"), "235958: [E][Main] kept\r\n");
}

TEST_F(DailyLogFileTest, ANewWriterAppendsToTheDaysExistingFile) {
  {
    DailyLogFile first(clock());
    first.SetFolder(m_folder.string());
    EXPECT_EQ(first.Write("I", "Main", "first run"), S_OK);
  }
  DailyLogFile second(clock());
  second.SetFolder(m_folder.string());
  EXPECT_EQ(second.Write("I", "Main", "second run"), S_OK);
  EXPECT_EQ(crlfLines(readAll(m_folder / "QHLog20261231.log")).size(), 2u);
}

TEST_F(DailyLogFileTest, TwoThreadsWritingAtOnceLoseNoLineAndSplitNone) {
  DailyLogFile log(clock());
  log.SetFolder(m_folder.string());
  log.SetMaxRecords(100000);
  constexpr int kPerThread = 1500;
  auto writer = [&log](const char* component) {
    for (int i = 0; i < kPerThread; ++i) log.Write("I", component, std::string(40, 'x') + std::to_string(i));
  };
  std::thread a(writer, "ThreadA");
  std::thread b(writer, "ThreadB");
  a.join();
  b.join();
  auto lines = crlfLines(readAll(m_folder / "QHLog20261231.log"));
  ASSERT_EQ(lines.size(), 2u * kPerThread);
  const std::regex whole(R"(235958: \[I\]\[Thread[AB]\] x{40}\d+)");
  int a_count = 0;
  for (const auto& line : lines) {
    ASSERT_TRUE(std::regex_match(line, whole)) << line;
    a_count += line.find("ThreadA") != std::string::npos;
  }
  EXPECT_EQ(a_count, kPerThread);
}
