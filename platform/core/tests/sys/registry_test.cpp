#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/core/Registry.h"
#include "platform/core/tests/sys/SysTestSupport.h"

namespace {

using qh::testing::HelperProcess;
using qh::testing::ReadText;
using qh::testing::ScopedEnv;
using qh::testing::TempFolder;

class Registry : public ::testing::Test {
 protected:
  HKEY Create(HKEY root, const char* subKey, DWORD* disposition = nullptr) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyEx(root, subKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, disposition), ERROR_SUCCESS);
    return key;
  }
  static LONG SetDword(HKEY key, const char* name, DWORD value) {
    return RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  }
  static LONG SetString(HKEY key, const char* name, const std::string& value) {
    return RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(value.size() + 1));
  }
  static std::optional<DWORD> GetDword(HKEY key, const char* name) {
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
      return std::nullopt;
    return value;
  }

  TempFolder folder_;
  std::string storePath_ = folder_.Path() + "/registry";
  ScopedEnv registry_{"QH_REGISTRY", storePath_};
};

TEST_F(Registry, ValuesSurviveInTheStoreFileInReadableForm) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Tallowmere\\Quaverhouse\\Jukebox");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(SetDword(key, "Port", 80), ERROR_SUCCESS);
  EXPECT_EQ(SetString(key, "UploadPath", "D:\\Up \"loads\"\t\xE9"), ERROR_SUCCESS);
  const BYTE blob[] = {0x01, 0x00, 0xFF};
  EXPECT_EQ(RegSetValueEx(key, "Blob", 0, REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  const std::string text = ReadText(storePath_);
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Tallowmere\\Quaverhouse\\Jukebox]"), std::string::npos) << text;
  EXPECT_NE(text.find("\"Port\"=dword:00000050"), std::string::npos) << text;
  EXPECT_NE(text.find("\"UploadPath\"=\"D:\\\\Up \\\"loads\\\"\\x09\xC3\xA9\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"Blob\"=hex:01,00,ff"), std::string::npos) << text;

  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\tallowmere\\QUAVERHOUSE\\jukebox", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(GetDword(key, "PORT"), 80u);
  char buffer[64];
  DWORD type = 0, size = sizeof buffer;
  ASSERT_EQ(RegQueryValueEx(key, "uploadpath", nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_STREQ(buffer, "D:\\Up \"loads\"\t\xE9");
  EXPECT_EQ(size, std::strlen(buffer) + 1);
  BYTE back[8];
  size = sizeof back;
  ASSERT_EQ(RegQueryValueEx(key, "Blob", nullptr, &type, back, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(std::memcmp(back, blob, 3), 0);
  RegCloseKey(key);
}

TEST_F(Registry, QueryReportsSizesAndMissingThings) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Test");
  ASSERT_EQ(SetString(key, "Name", "twelve chars"), ERROR_SUCCESS);
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueEx(key, "Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 13u);
  char small[4];
  size = sizeof small;
  EXPECT_EQ(RegQueryValueEx(key, "Name", nullptr, &type, reinterpret_cast<LPBYTE>(small), &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 13u);
  EXPECT_EQ(RegQueryValueEx(key, "Absent", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  HKEY missing = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Nothing", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(missing, nullptr);
  EXPECT_EQ(RegQueryValueEx(reinterpret_cast<HKEY>(0x12345), "Name", nullptr, &type, nullptr, &size), ERROR_INVALID_HANDLE);
  EXPECT_EQ(SetDword(key, "Short", 1) == ERROR_SUCCESS, true);
  const BYTE twoBytes[2] = {};
  EXPECT_EQ(RegSetValueEx(key, "Short", 0, REG_DWORD, twoBytes, 2), ERROR_INVALID_PARAMETER);
  RegCloseKey(key);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, KeysAreCreatedWithTheirParentsAndDeletedAsThePlatformDoes) {
  DWORD disposition = 0;
  HKEY clsid = Create(HKEY_CLASSES_ROOT, "CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32", &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  ASSERT_EQ(SetString(clsid, nullptr, "logwriter.so"), ERROR_SUCCESS);  // the unnamed value
  RegCloseKey(clsid);
  HKEY again = Create(HKEY_CLASSES_ROOT, "clsid\\{11111111-2222-3333-4444-555555555555}", &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));

  char name[64];
  DWORD nameSize = sizeof name;
  ASSERT_EQ(RegEnumKeyEx(again, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, "InprocServer32");
  EXPECT_EQ(nameSize, 14u);
  nameSize = sizeof name;
  EXPECT_EQ(RegEnumKeyEx(again, 1, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

  EXPECT_EQ(RegDeleteKey(HKEY_CLASSES_ROOT, "CLSID\\{11111111-2222-3333-4444-555555555555}"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteTree(HKEY_CLASSES_ROOT, "CLSID\\{11111111-2222-3333-4444-555555555555}"), ERROR_SUCCESS);
  EXPECT_EQ(SetDword(again, "x", 1), ERROR_KEY_DELETED);  // the open handle's key is gone
  HKEY child = nullptr;
  EXPECT_EQ(RegCreateKeyEx(again, "Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr), ERROR_KEY_DELETED);
  RegCloseKey(again);
  HKEY parent = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, &parent), ERROR_SUCCESS);
  RegCloseKey(parent);
}

TEST_F(Registry, ValuesEnumerateInNameOrderAndDeleteOneByOne) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Enum");
  SetDword(key, "b", 2);
  SetDword(key, "A", 1);
  SetString(key, "c", "three");
  std::vector<std::string> names;
  for (DWORD i = 0;; ++i) {
    char name[16];
    DWORD nameSize = sizeof name, type = 0;
    const LONG result = RegEnumValue(key, i, name, &nameSize, nullptr, &type, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(result, ERROR_SUCCESS);
    names.push_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"A", "b", "c"}));
  EXPECT_EQ(RegDeleteValue(key, "B"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValue(key, "b"), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(GetDword(key, "b"));
  EXPECT_EQ(GetDword(key, "a"), 1u);
  RegCloseKey(key);
}

TEST_F(Registry, ChangesByAnotherProgramAreSeenAndUnreadableLinesAreKept) {
  HKEY key = Create(HKEY_CURRENT_USER, "Software\\Shared");
  ASSERT_EQ(SetDword(key, "Mine", 1), ERROR_SUCCESS);
  EXPECT_EQ(GetDword(key, "Theirs"), std::nullopt);
  {
    std::ofstream out(storePath_, std::ios::app);
    out << "\"Theirs\"=dword:00000007\nthis line is not a value\n\"Broken\"=dword:12\n"
        << "\"Greek\"=\"\xCE\xA9\"\n";  // a character code page 1252 has no byte for
  }
  EXPECT_EQ(GetDword(key, "Theirs"), 7u);
  EXPECT_EQ(GetDword(key, "Broken"), std::nullopt);
  ASSERT_EQ(SetDword(key, "Mine", 2), ERROR_SUCCESS);
  const std::string text = ReadText(storePath_);
  EXPECT_NE(text.find("this line is not a value"), std::string::npos) << text;
  EXPECT_NE(text.find("\"Broken\"=dword:12"), std::string::npos) << text;
  EXPECT_NE(text.find("\"Mine\"=dword:00000002"), std::string::npos) << text;
  EXPECT_NE(text.find("\"Greek\"=\"\xCE\xA9\""), std::string::npos) << text;
  RegCloseKey(key);
}

TEST_F(Registry, TwoProgramsWritingAtOnceLoseNothing) {
  constexpr int kValues = 40;
  HelperProcess first({"registry-write", "First", std::to_string(kValues)});
  HelperProcess second({"registry-write", "Second", std::to_string(kValues)});
  const int firstStatus = first.Reap();
  const int secondStatus = second.Reap();
  ASSERT_TRUE(WIFEXITED(firstStatus) && WEXITSTATUS(firstStatus) == 0);
  ASSERT_TRUE(WIFEXITED(secondStatus) && WEXITSTATUS(secondStatus) == 0);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Tallowmere\\Race", 0, KEY_READ, &key), ERROR_SUCCESS);
  for (int i = 0; i < kValues; ++i) {
    EXPECT_EQ(GetDword(key, ("First" + std::to_string(i)).c_str()), static_cast<DWORD>(i)) << i;
    EXPECT_EQ(GetDword(key, ("Second" + std::to_string(i)).c_str()), static_cast<DWORD>(i)) << i;
  }
  RegCloseKey(key);
}

TEST_F(Registry, AStoreThatCannotBeWrittenIsAnError) {
  {
    std::ofstream out(folder_.Path() + "/file");
    out << "x";
  }
  ScopedEnv unwritable("QH_REGISTRY", folder_.Path() + "/file/registry");
  HKEY key = nullptr;
  EXPECT_NE(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\X", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(key, nullptr);
  EXPECT_NE(SetDword(HKEY_CURRENT_USER, "x", 1), ERROR_SUCCESS);
}

TEST(RegistryPath, FollowsTheEnvironment) {
  ScopedEnv noExplicit("QH_REGISTRY", "");
  ScopedEnv config("XDG_CONFIG_HOME", "/somewhere/config");
  EXPECT_EQ(qh::RegistryStorePath(), "/somewhere/config/quaverhouse/registry");
  ScopedEnv explicitStore("QH_REGISTRY", "/tmp/x/registry");
  EXPECT_EQ(qh::RegistryStorePath(), "/tmp/x/registry");
}

class Profile : public Registry {
 protected:
  Profile() {
    profile_.SetProfileName("Quaverhouse");
    profile_.SetRegistryKey("Tallowmere");
  }
  ProfileStore profile_;
};

TEST_F(Profile, ReadsDefaultsAndWritesUnderTheApplicationKey) {
  EXPECT_EQ(profile_.GetAppRegistryPath(), "Software\\Tallowmere\\Quaverhouse");
  EXPECT_EQ(profile_.GetProfileInt("Jukebox", "Port", 80), 80u);
  EXPECT_EQ(profile_.GetProfileString("", "SongDbPath"), "");
  EXPECT_EQ(profile_.GetProfileString("Jukebox", "Skin", "Default"), "Default");

  EXPECT_TRUE(profile_.WriteProfileInt("Jukebox", "Port", 8080));
  EXPECT_TRUE(profile_.WriteProfileInt("Jukebox", "Offset", -5));
  EXPECT_TRUE(profile_.WriteProfileString("", "SongDbPath", "C:\\Quaverhouse"));
  EXPECT_EQ(profile_.GetProfileInt("jukebox", "port", 80), 8080u);
  EXPECT_EQ(static_cast<int>(profile_.GetProfileInt("Jukebox", "Offset", 0)), -5);
  EXPECT_EQ(profile_.GetProfileString(nullptr, "SongDbPath"), "C:\\Quaverhouse");

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Tallowmere\\Quaverhouse", 0, KEY_READ, &key), ERROR_SUCCESS);
  char path[64];
  DWORD size = sizeof path, type = 0;
  EXPECT_EQ(RegQueryValueEx(key, "SongDbPath", nullptr, &type, reinterpret_cast<LPBYTE>(path), &size), ERROR_SUCCESS);
  EXPECT_STREQ(path, "C:\\Quaverhouse");
  RegCloseKey(key);
}

TEST_F(Profile, AValueOfAnotherTypeReadsAsTheDefault) {
  EXPECT_TRUE(profile_.WriteProfileString("Remote", "Port", "81"));
  EXPECT_TRUE(profile_.WriteProfileInt("Remote", "Name", 3));
  EXPECT_EQ(profile_.GetProfileInt("Remote", "Port", 80), 80u);
  EXPECT_EQ(profile_.GetProfileString("Remote", "Name", "none"), "none");
}

TEST_F(Profile, NullValueDeletesTheEntryAndNullEntryDeletesTheSection) {
  ASSERT_TRUE(profile_.WriteProfileInt("Recorder", "A", 1));
  ASSERT_TRUE(profile_.WriteProfileInt("Recorder", "B", 2));
  ASSERT_TRUE(profile_.WriteProfileString("", "SongDbPath", "C:\\Q"));
  EXPECT_TRUE(profile_.WriteProfileString("Recorder", "A", nullptr));
  EXPECT_EQ(profile_.GetProfileInt("Recorder", "A", -1), static_cast<UINT>(-1));
  EXPECT_EQ(profile_.GetProfileInt("Recorder", "B", -1), 2u);
  EXPECT_TRUE(profile_.WriteProfileString("Recorder", nullptr, nullptr));
  EXPECT_EQ(profile_.GetProfileInt("Recorder", "B", -1), static_cast<UINT>(-1));
  EXPECT_FALSE(profile_.WriteProfileString("", nullptr, nullptr));  // never the whole application key
  EXPECT_EQ(profile_.GetProfileString("", "SongDbPath"), "C:\\Q");
}

TEST_F(Registry, ProfileWithoutRegistryKeyHasNoStore) {
  ProfileStore profile;
  profile.SetProfileName("Quaverhouse");
  EXPECT_EQ(profile.GetProfileInt("Jukebox", "Port", 80), 80u);
  EXPECT_FALSE(profile.WriteProfileInt("Jukebox", "Port", 81));
  EXPECT_FALSE(std::filesystem::exists(storePath_));
}

}  // namespace
