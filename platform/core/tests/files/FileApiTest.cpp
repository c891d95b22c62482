#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <filesystem>
#include <set>
#include <vector>

#include "platform/core/DateTime.h"
#include "platform/core/FileApi.h"
#include "platform/core/Paths.h"
#include "platform/core/tests/files/FolderTest.h"
#include "platform/core/testing/TestSandbox.h"

using qh::testing::ReadHostFile;
using qh::testing::WriteHostFile;

namespace {

class FileApiTest : public QuaverhouseFolderTest {
 protected:
  void SetUp() override { std::filesystem::create_directories(C("Quaverhouse/Songs")); }

  // Every name FindFirstFile/FindNextFile give for a pattern, in their order.
  static std::vector<std::string> Find(const char* pattern, std::vector<WIN32_FIND_DATA>* data = nullptr) {
    std::vector<std::string> names;
    WIN32_FIND_DATA found;
    HANDLE search = FindFirstFile(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      names.emplace_back(found.cFileName);
      if (data) data->push_back(found);
    } while (FindNextFile(search, &found));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(search));
    return names;
  }

  static std::set<std::string> FolderNames(const std::string& hostFolder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(hostFolder))
      names.insert(entry.path().filename().string());
    return names;
  }
};

}  // namespace

TEST(Wildcards, MatchWithoutCaseAsTheSearchFunctionsDo) {
  struct Case {
    const char* pattern;
    const char* name;
    bool matches;
  };
  const Case cases[] = {
      {"*.mp3", "a.mp3", true},
      {"*.mp3", "A.MP3", true},
      {"*.MP3", "song.Mp3", true},
      {"*.mp3", "a.mp3.bak", false},
      {"*.mp3", "mp3", false},
      {"*.wav", "a.mp3", false},
      {"*", "anything.at.all", true},
      {"Song??????????.wav", "Song0000000001.wav", true},
      {"Song??????????.wav", "SONG0000000001.WAV", true},
      {"Song??????????.wav", "Song000000001.wav", false},
      {"Song??????????.wav", "Song00000000012.wav", false},
      {"Song??????????.wav", "Song0000000001.mp3", false},
      {"a*b*c", "aXXbYYc", true},
      {"a*b*c", "aXXbYY", false},
      {"*a*", "bab", true},
      {"?", "", false},
      {"?", "ab", false},
      {"Caf\xE9*", "CAF\xC9 NOIR.mp3", true},  // letters beyond ASCII fold in code page 1252
      {"\x9A*", "\x8A\x61", true},              // s caron and S caron
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " ~ " + c.name);
    EXPECT_EQ(qh::MatchesWildcard(c.pattern, c.name), c.matches);
  }
}

TEST_F(FileApiTest, FindFirstFileListsMatchesWithoutCaseInNameOrder) {
  WriteHostFile(C("Quaverhouse/Songs/b.mp3"), "bb");
  WriteHostFile(C("Quaverhouse/Songs/A.MP3"), "a");
  WriteHostFile(C("Quaverhouse/Songs/c.wav"), "ccc");
  WriteHostFile(C("Quaverhouse/Songs/README"), "");
  std::filesystem::create_directories(C("Quaverhouse/Songs/Sub"));

  struct Case {
    const char* pattern;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"C:\\Quaverhouse\\Songs\\*.mp3", {"A.MP3", "b.mp3"}},
      {"c:/quaverhouse/songs/*.MP3", {"A.MP3", "b.mp3"}},
      {"C:\\Quaverhouse\\Songs\\*.*", {"A.MP3", "b.mp3", "c.wav", "README", "Sub"}},
      {"C:\\Quaverhouse\\Songs\\*", {"A.MP3", "b.mp3", "c.wav", "README", "Sub"}},
      {"C:\\Quaverhouse\\Songs\\?.wav", {"c.wav"}},
      {"C:\\Quaverhouse\\Songs\\readme.*", {"README"}},
      {"C:\\Quaverhouse\\Songs\\a.mp3", {"A.MP3"}},  // no wildcard: the one name, any case
      {"C:\\Quaverhouse\\Songs\\*.xml", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(Find(c.pattern), c.names);
  }

  std::vector<WIN32_FIND_DATA> data;
  Find("C:\\Quaverhouse\\Songs\\*.*", &data);
  ASSERT_EQ(data.size(), 5u);
  EXPECT_EQ(data[1].nFileSizeLow, 2u);
  EXPECT_EQ(data[1].dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(data[4].dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
  struct stat st {};
  ASSERT_EQ(stat(C("Quaverhouse/Songs/b.mp3").c_str(), &st), 0);
  FILETIME expected = qh::FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
  EXPECT_EQ(data[1].ftLastWriteTime.dwLowDateTime, expected.dwLowDateTime);
  EXPECT_EQ(data[1].ftLastWriteTime.dwHighDateTime, expected.dwHighDateTime);
}

TEST_F(FileApiTest, FindFirstFileReportsMissingFoldersAndNamesApart) {
  WIN32_FIND_DATA found;
  EXPECT_EQ(FindFirstFile("C:\\Quaverhouse\\Songs\\*.xml", &found), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(FindFirstFile("C:\\Quaverhouse\\Nowhere\\*.*", &found), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(FindNextFile(reinterpret_cast<HANDLE>(0x1234), &found));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
}

TEST_F(FileApiTest, FindFirstFileLeavesOutNamesCodePage1252CannotHold) {
  WriteHostFile(C("Quaverhouse/Songs/Caf\xC3\xA9.mp3"), "");
  WriteHostFile(C("Quaverhouse/Songs/\xE6\x97\xA5.mp3"), "");
  EXPECT_EQ(Find("C:\\Quaverhouse\\Songs\\*.mp3"), std::vector<std::string>{"Caf\xE9.mp3"});
}

TEST_F(FileApiTest, CopyFileHonoursFailIfExistsAndNeverLeavesHalfACopy) {
  std::string source = C("Quaverhouse/source.wav");
  std::string target = C("Quaverhouse/Songs/Song0000000001.wav");
  WriteHostFile(source, std::string(200000, 'S'));
  struct utimbuf old = {1000000000, 1000000000};
  ASSERT_EQ(utime(source.c_str(), &old), 0);

  ASSERT_TRUE(CopyFile("C:\\Quaverhouse\\source.wav", "C:\\Quaverhouse\\Songs\\Song0000000001.wav", TRUE));
  EXPECT_EQ(ReadHostFile(target), ReadHostFile(source));
  struct stat st {};
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, 1000000000);  // the copy keeps the last-write time

  WriteHostFile(target, "existing");
  EXPECT_FALSE(CopyFile("C:\\Quaverhouse\\source.wav", "C:\\Quaverhouse\\Songs\\Song0000000001.wav", TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_EQ(ReadHostFile(target), "existing");
  // The target in another case is the same file.
  EXPECT_FALSE(CopyFile("C:\\Quaverhouse\\source.wav", "C:\\Quaverhouse\\SONGS\\song0000000001.WAV", TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));

  ASSERT_TRUE(CopyFile("C:\\Quaverhouse\\source.wav", "C:\\Quaverhouse\\Songs\\Song0000000001.wav", FALSE));
  EXPECT_EQ(ReadHostFile(target), ReadHostFile(source));

  // A read-only target is not overwritten; the source is not copied onto itself.
  ASSERT_TRUE(SetFileAttributes("C:\\Quaverhouse\\Songs\\Song0000000001.wav", FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(CopyFile("C:\\Quaverhouse\\source.wav", "C:\\Quaverhouse\\Songs\\Song0000000001.wav", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(CopyFile("C:\\Quaverhouse\\source.wav", "c:\\quaverhouse\\SOURCE.WAV", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(ReadHostFile(source), std::string(200000, 'S'));

  EXPECT_FALSE(CopyFile("C:\\Quaverhouse\\missing.wav", "C:\\Quaverhouse\\x.wav", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(CopyFile("C:\\Quaverhouse\\source.wav", "C:\\Quaverhouse\\Nowhere\\x.wav", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  // No work file of the copies is left behind.
  EXPECT_EQ(FolderNames(C("Quaverhouse/Songs")), std::set<std::string>{"Song0000000001.wav"});
  EXPECT_EQ(FolderNames(C("Quaverhouse")), (std::set<std::string>{"Songs", "source.wav"}));
}

TEST_F(FileApiTest, MoveFileNeverReplacesButMayChangeCase) {
  WriteHostFile(C("Quaverhouse/Temp0000000001.mp3"), "new");
  WriteHostFile(C("Quaverhouse/Songs/Song0000000001.mp3"), "old");
  EXPECT_FALSE(MoveFile("C:\\Quaverhouse\\Temp0000000001.mp3", "C:\\Quaverhouse\\Songs\\Song0000000001.mp3"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(ReadHostFile(C("Quaverhouse/Songs/Song0000000001.mp3")), "old");
  EXPECT_EQ(ReadHostFile(C("Quaverhouse/Temp0000000001.mp3")), "new");

  ASSERT_TRUE(MoveFile("C:\\Quaverhouse\\Temp0000000001.mp3", "C:\\Quaverhouse\\Songs\\Song0000000002.mp3"));
  EXPECT_EQ(ReadHostFile(C("Quaverhouse/Songs/Song0000000002.mp3")), "new");
  EXPECT_FALSE(std::filesystem::exists(C("Quaverhouse/Temp0000000001.mp3")));

  ASSERT_TRUE(MoveFile("C:\\Quaverhouse\\Songs\\Song0000000002.mp3", "C:\\Quaverhouse\\Songs\\SONG0000000002.MP3"));
  EXPECT_TRUE(std::filesystem::exists(C("Quaverhouse/Songs/SONG0000000002.MP3")));
  EXPECT_FALSE(std::filesystem::exists(C("Quaverhouse/Songs/Song0000000002.mp3")));

  // Folders move too, onto another drive's folder when both lie on one host file system.
  sandbox_.AddDrive('D', 0xD, "D");
  ASSERT_TRUE(MoveFile("C:\\Quaverhouse\\Songs", "D:\\Songs"));
  EXPECT_TRUE(std::filesystem::exists(sandbox_.HostPath("D/Songs/Song0000000001.mp3")));
  EXPECT_FALSE(MoveFile("C:\\Quaverhouse\\Songs", "D:\\Other"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(FileApiTest, AttributesReadOnlyAndDeletion) {
  WriteHostFile(C("Quaverhouse/Songs/Song0000000001.wav"), "x");
  const char* song = "C:\\Quaverhouse\\Songs\\Song0000000001.wav";
  EXPECT_EQ(GetFileAttributes(song), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(GetFileAttributes("C:\\Quaverhouse\\Songs"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributes("C:\\"), FILE_ATTRIBUTE_DIRECTORY);

  ASSERT_TRUE(SetFileAttributes(song, FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributes(song), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
  // As on the platform a read-only file is not deleted, whoever runs the program.
  EXPECT_FALSE(DeleteFile(song));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(std::filesystem::exists(C("Quaverhouse/Songs/Song0000000001.wav")));

  ASSERT_TRUE(SetFileAttributes(song, FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributes(song), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_TRUE(DeleteFile(song));
  EXPECT_FALSE(DeleteFile(song));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(DeleteFile("C:\\Quaverhouse\\Songs"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(SetFileAttributes("C:\\Quaverhouse\\none.wav", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(FileApiTest, FoldersAreMadeOnceAndRemovedWhenEmpty) {
  EXPECT_TRUE(CreateDirectory("C:\\Quaverhouse\\Covers", nullptr));
  EXPECT_TRUE(std::filesystem::is_directory(C("Quaverhouse/Covers")));
  EXPECT_FALSE(CreateDirectory("C:\\QUAVERHOUSE\\covers", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(CreateDirectory("C:\\Quaverhouse\\Missing\\Covers", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  WriteHostFile(C("Quaverhouse/Covers/Cover0000000001.jpg"), "jpg");
  EXPECT_FALSE(RemoveDirectory("C:\\Quaverhouse\\Covers"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
  EXPECT_FALSE(RemoveDirectory("C:\\Quaverhouse\\Covers\\Cover0000000001.jpg"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
  ASSERT_TRUE(DeleteFile("C:\\Quaverhouse\\Covers\\Cover0000000001.jpg"));
  EXPECT_TRUE(RemoveDirectory("C:\\Quaverhouse\\Covers"));
  EXPECT_FALSE(std::filesystem::exists(C("Quaverhouse/Covers")));
}

TEST_F(FileApiTest, TemporaryFileNamesAreUniqueAndCreated) {
  char first[MAX_PATH], second[MAX_PATH], formed[MAX_PATH];
  UINT a = GetTempFileName("C:\\Quaverhouse", "QHRecord", 0, first);
  UINT b = GetTempFileName("C:\\Quaverhouse\\", "QHR", 0, second);
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  EXPECT_STRNE(first, second);
  char expected[MAX_PATH];
  std::snprintf(expected, sizeof expected, "C:\\Quaverhouse\\QHR%X.TMP", a);
  EXPECT_STREQ(first, expected);
  for (const char* name : {first, second}) {
    SCOPED_TRACE(name);
    auto resolved = qh::ResolvePath(name);
    ASSERT_TRUE(resolved && resolved->exists);
    EXPECT_EQ(std::filesystem::file_size(resolved->hostPath), 0u);
  }
  // With a number of its own the name is only formed.
  EXPECT_EQ(GetTempFileName("C:\\Quaverhouse", "QHA", 0x1A2B, formed), 0x1A2Bu);
  EXPECT_STREQ(formed, "C:\\Quaverhouse\\QHA1A2B.TMP");
  EXPECT_EQ(GetFileAttributes(formed), INVALID_FILE_ATTRIBUTES);

  EXPECT_EQ(GetTempFileName("C:\\Nowhere", "QHR", 0, formed), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));

  char tempPath[MAX_PATH];
  DWORD length = GetTempPath(sizeof tempPath, tempPath);
  ASSERT_GT(length, 0u);
  ASSERT_LT(length, sizeof tempPath);
  EXPECT_TRUE(tempPath[length - 1] == '\\' || tempPath[length - 1] == '/');
  EXPECT_EQ(GetFileAttributes(tempPath), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_NE(GetTempFileName(tempPath, "QHT", 0, formed), 0u);
  EXPECT_TRUE(DeleteFile(formed));
}

TEST_F(FileApiTest, FilesMoveAcrossFileSystemsByCopyFoldersDoNot) {
  char pattern[] = "/dev/shm/qh-move-XXXXXX";
  if (!mkdtemp(pattern)) GTEST_SKIP() << "no second file system at /dev/shm";
  std::string other = pattern;
  struct RemoveAfter {
    std::string folder;
    ~RemoveAfter() { std::filesystem::remove_all(folder); }
  } removeAfter{other};
  struct stat here {}, there {};
  ASSERT_EQ(stat(C("Quaverhouse").c_str(), &here), 0);
  ASSERT_EQ(stat(other.c_str(), &there), 0);
  if (here.st_dev == there.st_dev) GTEST_SKIP() << "/dev/shm is on the sandbox's file system";

  sandbox_.AddDrive('M', other, 0x4D, "MEMORY");
  WriteHostFile(C("Quaverhouse/Songs/Song0000000001.wav"), std::string(70000, 'w'));
  WriteHostFile(other + "/Song0000000002.wav", "kept");
  WriteHostFile(C("Quaverhouse/Songs/Song0000000002.wav"), "moving");

  ASSERT_TRUE(MoveFile("C:\\Quaverhouse\\Songs\\Song0000000001.wav", "M:\\Song0000000001.wav"));
  EXPECT_EQ(ReadHostFile(other + "/Song0000000001.wav"), std::string(70000, 'w'));
  EXPECT_FALSE(std::filesystem::exists(C("Quaverhouse/Songs/Song0000000001.wav")));

  EXPECT_FALSE(MoveFile("C:\\Quaverhouse\\Songs\\Song0000000002.wav", "M:\\Song0000000002.wav"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(ReadHostFile(other + "/Song0000000002.wav"), "kept");
  EXPECT_EQ(ReadHostFile(C("Quaverhouse/Songs/Song0000000002.wav")), "moving");

  EXPECT_FALSE(MoveFile("C:\\Quaverhouse\\Songs", "M:\\Songs"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SAME_DEVICE));
  EXPECT_TRUE(std::filesystem::is_directory(C("Quaverhouse/Songs")));
  EXPECT_EQ(FolderNames(other), (std::set<std::string>{"Song0000000001.wav", "Song0000000002.wav"}));
}
