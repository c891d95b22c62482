#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/core/FileApi.h"
#include "platform/core/File.h"
#include "platform/core/Module.h"
#include "platform/core/Paths.h"
#include "platform/core/tests/files/FolderTest.h"
#include "platform/core/testing/TestSandbox.h"

using qh::testing::WriteHostFile;

namespace {

class PathsTest : public QuaverhouseFolderTest {
 protected:
  void SetUp() override {
    musicFolder_ = sandbox_.AddDrive('D', 0x0000D15C, "MUSIC");
    std::filesystem::create_directories(C("Quaverhouse/Songs"));
  }

  std::string musicFolder_;
};

std::string HostWorkingDirectory() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) ? buffer : "";
}

}  // namespace

TEST_F(PathsTest, WindowsPathsMapThroughTheDriveTable) {
  ASSERT_TRUE(SetCurrentDirectory("C:\\Quaverhouse"));
  struct Case {
    const char* path;
    const char* windows;
    std::string host;
  };
  const Case cases[] = {
      {"C:\\Quaverhouse\\Songs\\Song0000000001.wav", "C:\\Quaverhouse\\Songs\\Song0000000001.wav",
       C("Quaverhouse/Songs/Song0000000001.wav")},
      {"c:/Quaverhouse/Songs", "C:\\Quaverhouse\\Songs", C("Quaverhouse/Songs")},
      {"C:\\Quaverhouse\\.\\Songs\\..\\config\\", "C:\\Quaverhouse\\config", C("Quaverhouse/config")},
      {"C:\\..\\..\\x", "C:\\x", C("x")},  // ".." stops at the root of the drive
      {"C:\\", "C:\\", sandbox_.HostPath("C")},
      {"Songs\\a.wav", "C:\\Quaverhouse\\Songs\\a.wav", C("Quaverhouse/Songs/a.wav")},
      {"..\\Logs", "C:\\Logs", C("Logs")},
      {"\\config\\project.xml", "C:\\config\\project.xml", C("config/project.xml")},
      {"C:Songs", "C:\\Quaverhouse\\Songs", C("Quaverhouse/Songs")},  // relative to C:'s current folder
      {"D:Music", "D:\\Music", musicFolder_ + "/Music"},               // D: has none: its root
      {"D:\\Music\\a.mp3", "D:\\Music\\a.mp3", musicFolder_ + "/Music/a.mp3"},
      {"C:\\Caf\xE9", "C:\\Caf\xE9", C("Caf\xC3\xA9")},  // names go to the host in UTF-8
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    auto resolved = qh::ResolvePath(c.path);
    ASSERT_TRUE(resolved);
    EXPECT_EQ(resolved->windowsPath, c.windows);
    EXPECT_EQ(resolved->hostPath, c.host);
  }
}

TEST_F(PathsTest, HostPathsReadAsTheDriveWithTheLongestFolder) {
  std::string inner = musicFolder_ + "/inner";
  std::filesystem::create_directories(inner);
  sandbox_.AddDrive('E', inner, 0xE, "INNER");
  struct Case {
    std::string host;
    std::string windows;
  };
  const Case cases[] = {
      {musicFolder_ + "/a.mp3", "D:\\a.mp3"},
      {inner + "/a.mp3", "E:\\a.mp3"},
      {musicFolder_ + "/innerx/a.mp3", "D:\\innerx\\a.mp3"},  // whole names only
      {musicFolder_, "D:\\"},
      {C("Quaverhouse") + "\\config\\project.xml", "C:\\Quaverhouse\\config\\project.xml"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.host);
    auto resolved = qh::ResolvePath(c.host.c_str());
    ASSERT_TRUE(resolved);
    EXPECT_EQ(resolved->windowsPath, c.windows);
    auto back = qh::WindowsPathFromHost(c.host.substr(0, c.host.find('\\')));
    ASSERT_TRUE(back);
  }
  EXPECT_EQ(*qh::WindowsPathFromHost(musicFolder_ + "/Caf\xC3\xA9.mp3"), "D:\\Caf\xE9.mp3");
  // A host path that no drive holds is still a path: it keeps its host form.
  auto outside = qh::ResolvePath("/proc/self/status");
  ASSERT_TRUE(outside);
  EXPECT_TRUE(outside->exists);
  EXPECT_EQ(outside->windowsPath, "/proc/self/status");
  EXPECT_FALSE(qh::WindowsPathFromHost("/proc/self/status"));
}

TEST_F(PathsTest, HostNamesThatCodePage1252CannotHoldAreAnErrorNotARename) {
  SetLastError(0);
  EXPECT_FALSE(qh::WindowsPathFromHost(musicFolder_ + "/\xE6\x97\xA5\xE6\x9C\xAC.mp3"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
}

TEST_F(PathsTest, BadPathsAreRefusedWithThePlatformsCodes) {
  struct Case {
    const char* path;
    DWORD error;
  };
  const Case cases[] = {
      {"", ERROR_PATH_NOT_FOUND},
      {"Q:\\Songs", ERROR_PATH_NOT_FOUND},  // no such drive
      {"\\\\server\\share\\a.wav", ERROR_INVALID_NAME},
      {"//server/share/a.wav", ERROR_INVALID_NAME},
      {"\\\\?\\C:\\a.wav", ERROR_INVALID_NAME},
      {"C:\\a<b", ERROR_INVALID_NAME},
      {"C:\\a|b", ERROR_INVALID_NAME},
      {"C:\\a\"b", ERROR_INVALID_NAME},
      {"C:\\dir\\a:stream", ERROR_INVALID_NAME},
      {"C:\\a*", ERROR_INVALID_NAME},
      {"C:\\line\nbreak", ERROR_INVALID_NAME},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    SetLastError(0);
    EXPECT_FALSE(qh::ResolvePath(c.path));
    EXPECT_EQ(GetLastError(), c.error);
  }
  EXPECT_FALSE(qh::ResolvePath(nullptr));
}

TEST_F(PathsTest, ACaseDifferentExistingNameIsFound) {
  WriteHostFile(C("Quaverhouse/Songs/Song0000000001.wav"), "RIFF....WAVE");
  WriteHostFile(C("Quaverhouse/Songs/Caf\xC3\xA9 Noir.mp3"), "ID3");
  const char* spellings[] = {
      "C:\\Quaverhouse\\Songs\\Song0000000001.wav",
      "c:\\QUAVERHOUSE\\songs\\SONG0000000001.WAV",
      "C:/quaverhouse/Songs/song0000000001.Wav",
  };
  for (const char* path : spellings) {
    SCOPED_TRACE(path);
    auto resolved = qh::ResolvePath(path);
    ASSERT_TRUE(resolved);
    EXPECT_TRUE(resolved->exists);
    EXPECT_EQ(resolved->hostPath, C("Quaverhouse/Songs/Song0000000001.wav"));
    EXPECT_EQ(GetFileAttributes(path), FILE_ATTRIBUTE_ARCHIVE);
    CFile file;
    ASSERT_TRUE(file.Open(path, CFile::modeRead | CFile::shareDenyWrite));
    char head[4];
    EXPECT_EQ(file.Read(head, 4), 4u);
    EXPECT_EQ(std::string(head, 4), "RIFF");
  }
  // Letters beyond ASCII fold too: "CAFÉ NOIR.MP3" in code page 1252 finds "Café Noir.mp3".
  auto accented = qh::ResolvePath("C:\\Quaverhouse\\Songs\\CAF\xC9 NOIR.MP3");
  ASSERT_TRUE(accented);
  EXPECT_TRUE(accented->exists);
  EXPECT_EQ(accented->hostPath, C("Quaverhouse/Songs/Caf\xC3\xA9 Noir.mp3"));

  // A name that is missing in every case is reported as missing, with the right code.
  EXPECT_EQ(GetFileAttributes("C:\\Quaverhouse\\Songs\\Song0000000002.wav"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetFileAttributes("C:\\Quaverhouse\\Nowhere\\Song0000000001.wav"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(PathsTest, WhenSeveralNamesDifferOnlyInCaseTheExactOneWinsThenTheFirst) {
  WriteHostFile(C("Quaverhouse/song.wav"), "lower");
  WriteHostFile(C("Quaverhouse/SONG.wav"), "upper");
  EXPECT_EQ(qh::ResolvePath("C:\\Quaverhouse\\song.wav")->hostPath, C("Quaverhouse/song.wav"));
  EXPECT_EQ(qh::ResolvePath("C:\\Quaverhouse\\SONG.wav")->hostPath, C("Quaverhouse/SONG.wav"));
  EXPECT_EQ(qh::ResolvePath("C:\\Quaverhouse\\Song.WAV")->hostPath, C("Quaverhouse/SONG.wav"));
}

// A folder's listing may be kept between lookups; every change to the folder, even one made at once
// after a lookup (within one tick of the file system's clock) or with its time set back, must show.
TEST_F(PathsTest, CaseDifferentLookupsSeeEveryChangeToTheFolder) {
  const std::string songs = C("Quaverhouse/Songs");
  WriteHostFile(songs + "/Song1.wav", "one");
  WriteHostFile(songs + "/MIX.wav", "upper");
  WriteHostFile(songs + "/Mix.wav", "mixed");
  auto hostPathOf = [](const char* path) {
    auto resolved = qh::ResolvePath(path);
    return resolved && resolved->exists ? resolved->hostPath : std::string("(missing)");
  };
  for (int settled = 0; settled < 2; ++settled) {
    SCOPED_TRACE(settled ? "listing read after the folder settled" : "listing read at once");
    std::filesystem::remove(songs + "/Song2.wav");
    std::filesystem::remove(songs + "/Song3.wav");
    auto settle = [&] {
      if (settled) std::this_thread::sleep_for(std::chrono::milliseconds(300));
    };
    settle();
    EXPECT_EQ(hostPathOf("C:\\Quaverhouse\\Songs\\SONG2.WAV"), "(missing)");
    EXPECT_EQ(hostPathOf("C:\\Quaverhouse\\Songs\\song1.WAV"), songs + "/Song1.wav");
    EXPECT_EQ(hostPathOf("C:\\Quaverhouse\\Songs\\mix.WAV"), songs + "/MIX.wav");
    WriteHostFile(songs + "/Song2.wav", "two");
    EXPECT_EQ(hostPathOf("C:\\Quaverhouse\\Songs\\SONG2.WAV"), songs + "/Song2.wav");
    // A name added with the folder's time put back as it was.
    struct stat before {};
    ASSERT_EQ(stat(songs.c_str(), &before), 0);
    settle();
    EXPECT_EQ(hostPathOf("C:\\Quaverhouse\\Songs\\SONG3.WAV"), "(missing)");
    WriteHostFile(songs + "/Song3.wav", "three");
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, songs.c_str(), times, 0), 0);
    EXPECT_EQ(hostPathOf("C:\\Quaverhouse\\Songs\\SONG3.WAV"), songs + "/Song3.wav");
  }
  std::filesystem::remove(songs + "/MIX.wav");
  EXPECT_EQ(hostPathOf("C:\\Quaverhouse\\Songs\\mix.WAV"), songs + "/Mix.wav");
  std::filesystem::remove(songs + "/Mix.wav");
  EXPECT_EQ(hostPathOf("C:\\Quaverhouse\\Songs\\mix.WAV"), "(missing)");
}

// Names from outside (HTTP paths, uploaded file names, XML fields) must never leave their folder.
TEST_F(PathsTest, HostileNamesFromOutsideCannotLeaveTheirFolder) {
  const char* hostile[] = {
      "..",
      "..\\secret.txt",
      "../secret.txt",
      "Songs\\..\\..\\secret.txt",
      "Songs/../../secret.txt",
      "Songs\\..\\Songs\\..\\..\\x",
      "a/b/../../../x",
      "...",
      "... \\x",
      ". .\\x",
      "a\\.. \\b",
      "C:\\Windows\\win.ini",
      "C:/Windows/win.ini",
      "C:secret.txt",
      "c:",
      "D:",
      "file.txt:stream",
      "\\secret.txt",
      "/secret.txt",
      "/etc/passwd",
      "\\\\server\\share\\x",
      "//server/share/x",
      "\\\\?\\C:\\x",
      "",
      ".",
      "./",
      ".\\.\\",
      "a*.mp3",
      "a?.mp3",
      "a<b",
      "a\x01",
  };
  for (const char* name : hostile) {
    SCOPED_TRACE(name);
    CString result = "unchanged";
    SetLastError(0);
    EXPECT_FALSE(qh::JoinUnderFolder("C:\\Quaverhouse\\Uploads", name, result));
    EXPECT_EQ(result, "unchanged");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
  }
  struct Good {
    const char* name;
    const char* joined;
  };
  const Good good[] = {
      {"a.mp3", "C:\\Quaverhouse\\Uploads\\a.mp3"},
      {"Song0000000001.xml", "C:\\Quaverhouse\\Uploads\\Song0000000001.xml"},
      {"sub\\a.mp3", "C:\\Quaverhouse\\Uploads\\sub\\a.mp3"},
      {"sub/a.mp3", "C:\\Quaverhouse\\Uploads\\sub\\a.mp3"},
      {"./a.mp3", "C:\\Quaverhouse\\Uploads\\a.mp3"},
      {"sub//a.mp3", "C:\\Quaverhouse\\Uploads\\sub\\a.mp3"},
      {"a..b.mp3", "C:\\Quaverhouse\\Uploads\\a..b.mp3"},
      {"..a.mp3", "C:\\Quaverhouse\\Uploads\\..a.mp3"},
      {"Caf\xE9.mp3", "C:\\Quaverhouse\\Uploads\\Caf\xE9.mp3"},
  };
  for (const auto& g : good) {
    SCOPED_TRACE(g.name);
    CString result;
    ASSERT_TRUE(qh::JoinUnderFolder("C:\\Quaverhouse\\Uploads\\", g.name, result));
    EXPECT_EQ(result, g.joined);
    // And the joined path resolves inside the folder.
    auto resolved = qh::ResolvePath(result);
    ASSERT_TRUE(resolved);
    EXPECT_EQ(resolved->windowsPath.rfind("C:\\Quaverhouse\\Uploads\\", 0), 0u);
  }
  CString hostJoined;
  ASSERT_TRUE(qh::JoinUnderFolder(musicFolder_.c_str(), "sub\\a.mp3", hostJoined));
  EXPECT_EQ(hostJoined, musicFolder_ + "/sub/a.mp3");
  EXPECT_FALSE(qh::JoinUnderFolder("", "a.mp3", hostJoined));
}

TEST_F(PathsTest, TheCurrentDirectoryIsAWindowsPathAndTheHostsToo) {
  ASSERT_TRUE(SetCurrentDirectory("c:\\QUAVERHOUSE\\"));
  char buffer[MAX_PATH];
  DWORD length = GetCurrentDirectory(sizeof buffer, buffer);
  EXPECT_EQ(std::string(buffer), "C:\\QUAVERHOUSE");
  EXPECT_EQ(length, std::string(buffer).size());
  EXPECT_EQ(HostWorkingDirectory(), std::filesystem::canonical(C("Quaverhouse")).string());

  // A buffer that is too small gets nothing and the size that is needed.
  char small[4] = "xyz";
  EXPECT_EQ(GetCurrentDirectory(sizeof small, small), length + 1);
  EXPECT_EQ(GetCurrentDirectory(0, nullptr), length + 1);

  // Relative names land in the current directory.
  WriteHostFile(C("Quaverhouse/Songs/here.wav"), "x");
  EXPECT_NE(GetFileAttributes("Songs\\here.wav"), INVALID_FILE_ATTRIBUTES);

  EXPECT_FALSE(SetCurrentDirectory("C:\\Quaverhouse\\Missing"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(SetCurrentDirectory("C:\\Quaverhouse\\Songs\\here.wav"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
  GetCurrentDirectory(sizeof buffer, buffer);
  EXPECT_EQ(std::string(buffer), "C:\\QUAVERHOUSE");

  ASSERT_TRUE(SetCurrentDirectory("D:\\"));
  GetCurrentDirectory(sizeof buffer, buffer);
  EXPECT_EQ(std::string(buffer), "D:\\");
}

TEST_F(PathsTest, TheProgramsOwnPathComesThroughTheDriveTable) {
  std::string host = std::filesystem::read_symlink("/proc/self/exe").string();
  char buffer[4096];
  // The sandbox's drives do not hold the test program: its path stays a host path.
  DWORD length = GetModuleFileName(nullptr, buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer, length), host);
  EXPECT_EQ(qh::ProgramHostFolder(), std::filesystem::path(host).parent_path().string());

  // A drive on the program's folder turns it into a drive path.
  std::string folder = std::filesystem::path(host).parent_path().string();
  sandbox_.AddDrive('P', folder, 0x50, "PROGRAM");
  length = GetModuleFileName(nullptr, buffer, sizeof buffer);
  std::string expected = "P:\\" + std::filesystem::path(host).filename().string();
  EXPECT_EQ(std::string(buffer, length), expected);
  EXPECT_EQ(qh::ProgramFolder(), "P:\\");
  EXPECT_EQ(qh::HostPathOf(buffer), host);

  // Too small a buffer: the path is cut, the size returned, and the error says so.
  char small[5];
  EXPECT_EQ(GetModuleFileName(nullptr, small, sizeof small), 5u);
  EXPECT_EQ(std::string(small), expected.substr(0, 4));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}
