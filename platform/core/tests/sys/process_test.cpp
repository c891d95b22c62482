#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "platform/core/NamedMutex.h"
#include "platform/core/Process.h"
#include "platform/core/tests/sys/SysTestSupport.h"

namespace {

using qh::testing::ReadText;
using qh::testing::ScopedEnv;
using qh::testing::TempFolder;

void WriteScript(const std::string& path, const std::string& body) {
  {
    std::ofstream out(path);
    out << "#!/bin/sh\n" << body << "\n";
  }
  chmod(path.c_str(), 0755);
}

// Runs a command line to its end; returns the exit code, or -1 when it could not start.
long RunToEnd(LPCSTR application, std::string commandLine, LPCSTR directory = nullptr, LPVOID environment = nullptr) {
  STARTUPINFO startup;
  PROCESS_INFORMATION info;
  if (!CreateProcess(application, commandLine.data(), nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE, environment,
                     directory, &startup, &info))
    return -1;
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), WAIT_OBJECT_0);
  DWORD exitCode = 0;
  EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &exitCode));
  EXPECT_TRUE(CloseHandle(info.hThread));
  EXPECT_TRUE(CloseHandle(info.hProcess));
  return exitCode;
}

class Process : public ::testing::Test {
 protected:
  TempFolder folder_;
};

TEST_F(Process, ProgramNamedWithExeIsFoundWithoutIt) {
  WriteScript(folder_.Path() + "/SvcPlayer", "exit $1");
  const std::string application = folder_.Path() + "/SvcPlayer.exe";
  EXPECT_EQ(RunToEnd(application.c_str(), "SvcPlayer.exe 7"), 7);
  EXPECT_EQ(RunToEnd(nullptr, "\"" + application + "\" 5"), 5);
}

TEST_F(Process, BareNameIsFoundInTheProgramFolder) {
  EXPECT_EQ(RunToEnd(nullptr, "qh_sys_test_helper.exe exit 3"), 3);
}

TEST_F(Process, ArgumentsReachTheProgramSplitAsThePlatformSplitsThem) {
  const std::string script = folder_.Path() + "/args";
  const std::string out = folder_.Path() + "/args.txt";
  WriteScript(script, "for a in \"$@\"; do printf '[%s]' \"$a\"; done > '" + out + "'");
  EXPECT_EQ(RunToEnd(nullptr, script + ".exe \"two words\" c\\\"d e\\\\f 12"), 0);
  EXPECT_EQ(ReadText(out), "[two words][c\"d][e\\\\f][12]");
}

TEST(CommandLine, SplitsLikeThePlatformsRunTime) {
  struct Case {
    const char* line;
    std::vector<std::string> arguments;
  };
  const Case cases[] = {
      {"prog 1", {"prog", "1"}},
      {"  prog   a\tb  ", {"prog", "a", "b"}},
      {"\"C:\\Program Files\\x.exe\" a", {"C:\\Program Files\\x.exe", "a"}},
      {"C:\\dir\\x.exe \"a b\"", {"C:\\dir\\x.exe", "a b"}},
      {"p a\\\\\\\"b", {"p", "a\\\"b"}},        // 3 backslashes + quote: one backslash, a quote
      {"p \"a\\\\\" b", {"p", "a\\", "b"}},      // 2 backslashes + quote: one backslash, quote ends
      {"p a\\b\\c", {"p", "a\\b\\c"}},            // backslashes not before a quote stay
      {"p \"a\"\"b\"", {"p", "a\"b"}},            // "" inside quotes is a quote
      {"p \"\"", {"p", ""}},                      // an empty argument
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(qh::SplitCommandLine(c.line), c.arguments) << c.line;
}

TEST_F(Process, MissingProgramAndMissingDirectoryFail) {
  std::string line = "NoSuchProgram.exe 1";
  STARTUPINFO startup;
  PROCESS_INFORMATION info;
  EXPECT_FALSE(CreateProcess(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(info.hProcess, nullptr);
  WriteScript(folder_.Path() + "/ok", "exit 0");
  const std::string missing = folder_.Path() + "/no-such-folder";
  line = folder_.Path() + "/ok";
  EXPECT_FALSE(CreateProcess(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, missing.c_str(), &startup, &info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
}

TEST_F(Process, DirectoryAndEnvironmentAreTheGivenOnes) {
  const std::string out = folder_.Path() + "/where.txt";
  WriteScript(folder_.Path() + "/where", "printf '%s|%s' \"$(pwd)\" \"$QH_PROBE\" > '" + out + "'");
  const char environment[] = "QH_PROBE=given\0PATH=/usr/bin:/bin\0";
  EXPECT_EQ(RunToEnd(nullptr, folder_.Path() + "/where", folder_.Path().c_str(), const_cast<char*>(environment)), 0);
  EXPECT_EQ(ReadText(out), folder_.Path() + "|given");
}

TEST_F(Process, TerminatedProcessEndsWithTheGivenCode) {
  WriteScript(folder_.Path() + "/sleeper", "exec sleep 30");
  std::string line = folder_.Path() + "/sleeper";
  STARTUPINFO startup;
  PROCESS_INFORMATION info;
  ASSERT_TRUE(CreateProcess(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
  EXPECT_NE(info.dwProcessId, 0u);
  EXPECT_NE(info.dwProcessId, GetCurrentProcessId());
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 50), static_cast<DWORD>(WAIT_TIMEOUT));
  DWORD exitCode = 0;
  EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &exitCode));
  EXPECT_EQ(exitCode, STILL_ACTIVE);
  EXPECT_TRUE(TerminateProcess(info.hProcess, 9));
  EXPECT_EQ(WaitForSingleObject(info.hThread, 10000), WAIT_OBJECT_0);
  EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &exitCode));
  EXPECT_EQ(exitCode, 9u);
  EXPECT_FALSE(TerminateProcess(info.hProcess, 1));  // already ended
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
}

TEST_F(Process, ChildDoesNotInheritTheNamedMutex) {
  ScopedEnv lockDir("QH_LOCK_DIR", folder_.Path());
  HANDLE mutex = CreateMutex(nullptr, TRUE, "QuaverhouseFrameWorkMain");
  ASSERT_NE(mutex, nullptr);
  ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  WriteScript(folder_.Path() + "/child", "exec sleep 30");
  std::string line = folder_.Path() + "/child";
  STARTUPINFO startup;
  PROCESS_INFORMATION info;
  ASSERT_TRUE(CreateProcess(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
  CloseHandle(mutex);  // the starter ends its hold while the child lives on
  HANDLE again = CreateMutex(nullptr, TRUE, "QuaverhouseFrameWorkMain");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  CloseHandle(again);
  TerminateProcess(info.hProcess, 0);
  WaitForSingleObject(info.hProcess, 10000);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
}

class ShellExecuteTest : public ::testing::Test {
 protected:
  ShellExecuteTest() {
    WriteScript(folder_.Path() + "/xdg-open", "printf '%s\\n' \"$@\" >> '" + log_ + "'\nexit ${QH_FAKE_OPEN_STATUS:-0}");
  }
  static INT_PTR Result(HINSTANCE result) { return reinterpret_cast<INT_PTR>(result); }

  TempFolder folder_;
  std::string log_ = folder_.Path() + "/opened.txt";
  ScopedEnv path_{"PATH", folder_.Path() + ":/usr/bin:/bin"};
};

TEST_F(ShellExecuteTest, OpensDocumentsAndAddressesThroughXdgOpen) {
  const std::string report = folder_.Path() + "/Report.html";
  std::ofstream(report) << "<html></html>";
  EXPECT_GT(Result(ShellExecute(nullptr, "open", report.c_str(), nullptr, nullptr, 1)), 32);
  EXPECT_GT(Result(ShellExecute(nullptr, nullptr, "Report.html", nullptr, folder_.Path().c_str(), 1)), 32);
  EXPECT_GT(Result(ShellExecute(nullptr, "open", "http://127.0.0.1:8080/status", nullptr, nullptr, 1)), 32);
  EXPECT_EQ(ReadText(log_), report + "\n" + report + "\nhttp://127.0.0.1:8080/status\n");
}

TEST_F(ShellExecuteTest, ReportsMissingFilesAndFailingOrMissingHandlers) {
  EXPECT_EQ(Result(ShellExecute(nullptr, "open", (folder_.Path() + "/none.html").c_str(), nullptr, nullptr, 1)), SE_ERR_FNF);
  EXPECT_EQ(Result(ShellExecute(nullptr, "print", folder_.Path().c_str(), nullptr, nullptr, 1)), SE_ERR_NOASSOC);
  EXPECT_FALSE(std::filesystem::exists(log_));
  {
    ScopedEnv failing("QH_FAKE_OPEN_STATUS", "3");
    EXPECT_EQ(Result(ShellExecute(nullptr, "open", folder_.Path().c_str(), nullptr, nullptr, 1)), SE_ERR_NOASSOC);
  }
  ScopedEnv noOpener("PATH", "/nonexistent");
  EXPECT_EQ(Result(ShellExecute(nullptr, "open", folder_.Path().c_str(), nullptr, nullptr, 1)), SE_ERR_NOASSOC);
}

}  // namespace
