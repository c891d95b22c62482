#include <gtest/gtest.h>
#include <sys/statvfs.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/core/Drives.h"
#include "platform/core/FileApi.h"
#include "platform/core/File.h"
#include "platform/core/testing/TestSandbox.h"

using qh::Drive;
using qh::DriveTable;
using qh::testing::TestSandbox;
using qh::testing::WriteHostFile;

namespace {

// Runs a command and returns its standard output without the final newline.
std::string CommandOutput(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe)) output += buffer;
    pclose(pipe);
  }
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  return output;
}

struct VolumeInfo {
  BOOL ok = FALSE;
  DWORD error = 0;
  std::string label;
  DWORD serial = 0;
  std::string fileSystem;
};

VolumeInfo QueryVolume(const char* root) {
  VolumeInfo info;
  char label[129] = {}, fileSystem[64] = {};
  DWORD maxComponent = 0, flags = 0;
  SetLastError(0);
  info.ok = GetVolumeInformation(root, label, sizeof label, &info.serial, &maxComponent, &flags, fileSystem,
                                 sizeof fileSystem);
  info.error = GetLastError();
  info.label = label;
  info.fileSystem = fileSystem;
  return info;
}

}  // namespace

TEST(DriveTableText, ReadsEachFieldAndRefusesBadLines) {
  const char* text =
      "# comment\n"
      "\n"
      "C:\t/srv/system\t1A2B3C4D\tSYSTEM\tfixed\n"
      "d\t/srv/music/\t0x0000BEEF\tMy Music\tremote\n"
      "E /media/stick 12345678 STICK removable\n"
      "F\t/media/cd\tCAFE-F00D\tDISC\tcdrom\r\n"
      "G\t/srv/g\t00000001\n"
      "H\t/srv/h\t2\t\t4\n"
      "1\t/srv/x\t1\tBAD\tfixed\n"         // not a letter
      "I\trelative/path\t1\tBAD\tfixed\n"  // not absolute
      "J\t/srv/j\tXYZ\tBAD\tfixed\n"       // serial not hexadecimal
      "K\t/srv/k\t123456789\tBAD\tfixed\n" // more than 32 bits
      "L\t/srv/l\t1\tBAD\tfloppy\n"        // unknown type
      "C\t/srv/again\t1\tBAD\tfixed\n"     // letter listed twice
      "M\t/srv/m\n";                       // no serial
  std::vector<std::string> problems;
  auto drives = DriveTable::ParseTable(text, &problems);

  struct Expected {
    char letter;
    const char* folder;
    DWORD serial;
    const char* label;
    UINT type;
  };
  const Expected expected[] = {
      {'C', "/srv/system", 0x1A2B3C4D, "SYSTEM", DRIVE_FIXED},
      {'D', "/srv/music", 0x0000BEEF, "My Music", DRIVE_REMOTE},
      {'E', "/media/stick", 0x12345678, "STICK", DRIVE_REMOVABLE},
      {'F', "/media/cd", 0xCAFEF00D, "DISC", DRIVE_CDROM},
      {'G', "/srv/g", 1, "", DRIVE_FIXED},
      {'H', "/srv/h", 2, "", DRIVE_REMOTE},
  };
  ASSERT_EQ(drives.size(), std::size(expected));
  for (size_t i = 0; i < drives.size(); ++i) {
    SCOPED_TRACE(expected[i].letter);
    EXPECT_EQ(drives[i].letter, expected[i].letter);
    EXPECT_EQ(drives[i].hostFolder, expected[i].folder);
    EXPECT_EQ(drives[i].serial, expected[i].serial);
    EXPECT_EQ(drives[i].label, expected[i].label);
    EXPECT_EQ(drives[i].type, expected[i].type);
  }
  EXPECT_EQ(problems.size(), 7u);
}

TEST(DriveTableText, LabelsAreKeptInCodePage1252) {
  auto drives = DriveTable::ParseTable("D\t/srv/d\t1\tMUS\xC3\x89\x45\tfixed\n", nullptr);
  ASSERT_EQ(drives.size(), 1u);
  EXPECT_EQ(drives[0].label, "MUS\xC9\x45");
}

TEST(DriveTableDefault, SkipsPseudoFileSystemsAndGivesLettersInMountOrder) {
  TestSandbox sandbox;
  std::filesystem::create_directories(sandbox.HostPath("mnt/music dir"));
  std::filesystem::create_directories(sandbox.HostPath("mnt/net"));
  std::filesystem::create_directories(sandbox.HostPath("mnt/proc"));
  WriteHostFile(sandbox.HostPath("mnt/hosts"), "not a folder");
  std::string root = sandbox.Root();
  std::string mountInfo =
      "21 1 0:20 / / rw - ext4 /dev/sda1 rw\n"
      "22 21 0:5 / " + root + "/mnt/proc rw - proc proc rw\n"
      "23 21 0:6 / " + root + "/mnt/music\\040dir rw shared:1 - ext4 /dev/sdb1 rw\n"
      "24 21 0:7 / " + root + "/mnt/hosts rw - ext4 /dev/sda1 rw\n"
      "25 21 0:8 / /dev/shm rw - tmpfs tmpfs rw\n"
      "26 21 0:9 / " + root + "/mnt/net rw - nfs4 server:/export rw\n"
      "27 21 0:10 / " + root + "/mnt/gone rw - ext4 /dev/sdc1 rw\n";
  auto mounts = DriveTable::ParseMountInfo(mountInfo);
  ASSERT_EQ(mounts.size(), 7u);
  EXPECT_EQ(mounts[2].mountPoint, root + "/mnt/music dir");

  auto drives = DriveTable::DefaultTable(mounts);
  ASSERT_EQ(drives.size(), 3u);
  EXPECT_EQ(drives[0].letter, 'C');
  EXPECT_EQ(drives[0].hostFolder, "/");
  EXPECT_EQ(drives[1].letter, 'D');
  EXPECT_EQ(drives[1].hostFolder, root + "/mnt/music dir");
  EXPECT_EQ(drives[1].type, DRIVE_FIXED);
  EXPECT_EQ(drives[2].letter, 'E');
  EXPECT_EQ(drives[2].hostFolder, root + "/mnt/net");
  EXPECT_EQ(drives[2].type, DRIVE_REMOTE);

  // The serial comes from the file system's id, so reading the table again gives the same one.
  struct statvfs info {};
  ASSERT_EQ(statvfs("/", &info), 0);
  unsigned long long id = info.f_fsid;
  if (id != 0) {
    EXPECT_EQ(drives[0].serial, static_cast<DWORD>(id ^ (id >> 32)));
  }
  EXPECT_EQ(DriveTable::DefaultTable(mounts)[1].serial, drives[1].serial);
}

TEST(DriveTableDefault, TheMachineTableHasCOnTheHostRootWithAStableSerial) {
  TestSandbox sandbox;
  unsetenv("QH_DRIVES");
  DriveTable::Reload();
  auto system = DriveTable::Find('c');
  ASSERT_TRUE(system);
  EXPECT_EQ(system->hostFolder, "/");
  VolumeInfo first = QueryVolume("C:\\");
  DriveTable::Reload();
  VolumeInfo second = QueryVolume("C:\\");
  ASSERT_TRUE(first.ok);
  EXPECT_EQ(first.serial, second.serial);
  EXPECT_EQ(first.serial, system->serial);
  EXPECT_NE(GetLogicalDrives() & (1u << 2), 0u);
}

TEST(DriveTableFile, MapsLettersSerialsLabelsAndTypesAsConfigured) {
  TestSandbox sandbox;
  sandbox.AddDrive('D', 0x1234ABCD, "MUSIC");
  sandbox.AddDrive('N', 0x0BADF00D, "SHARE", DRIVE_REMOTE);
  sandbox.AddDrive('R', 0x00C0FFEE, "STICK", DRIVE_REMOVABLE);
  sandbox.AddDrive('S', 0xCD000001, "DISC", DRIVE_CDROM);

  struct Case {
    const char* root;
    DWORD serial;
    const char* label;
    UINT type;
  };
  const Case cases[] = {
      {"C:\\", TestSandbox::kSystemSerial, "SYSTEM", DRIVE_FIXED},
      {"d:\\", 0x1234ABCD, "MUSIC", DRIVE_FIXED},
      {"N:", 0x0BADF00D, "SHARE", DRIVE_REMOTE},
      {"R:/", 0x00C0FFEE, "STICK", DRIVE_REMOVABLE},
      {"S:\\", 0xCD000001, "DISC", DRIVE_CDROM},
  };
  std::string expectedFileSystem;
  std::string findmnt = CommandOutput("findmnt -n -o FSTYPE --target '" + sandbox.Root() + "' 2>/dev/null");
  for (char& ch : findmnt) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.root);
    VolumeInfo info = QueryVolume(c.root);
    ASSERT_TRUE(info.ok) << info.error;
    EXPECT_EQ(info.serial, c.serial);
    EXPECT_EQ(info.label, c.label);
    EXPECT_EQ(GetDriveType(c.root), c.type);
    if (!findmnt.empty()) {
      EXPECT_EQ(info.fileSystem, findmnt);
    }
  }
  EXPECT_EQ(GetLogicalDrives(), (1u << ('C' - 'A')) | (1u << ('D' - 'A')) | (1u << ('N' - 'A')) |
                                    (1u << ('R' - 'A')) | (1u << ('S' - 'A')));
  EXPECT_EQ(GetDriveType("Q:\\"), DRIVE_NO_ROOT_DIR);
  EXPECT_EQ(GetDriveType("C:\\Songs"), DRIVE_NO_ROOT_DIR);
  EXPECT_EQ(GetDriveType(nullptr), DRIVE_FIXED);  // the current directory is on C:
}

TEST(DriveTableFile, SmallBuffersAndUnknownDrivesAreRefused) {
  TestSandbox sandbox;
  char label[4];
  EXPECT_FALSE(GetVolumeInformation("C:\\", label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_LENGTH));
  VolumeInfo unknown = QueryVolume("Q:\\");
  EXPECT_FALSE(unknown.ok);
  EXPECT_EQ(unknown.error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  DWORD serial = 0;
  EXPECT_TRUE(GetVolumeInformation(nullptr, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(serial, TestSandbox::kSystemSerial);
}

TEST(DriveTableFile, ADriveWhoseFolderIsMissingIsNotMounted) {
  TestSandbox sandbox;
  std::string folder = sandbox.AddDrive('E', 0x0E0E0E0E, "AWAY");
  WriteHostFile(folder + "/QHVolume/Songs/Song0000000001.wav", "RIFF");
  ASSERT_NE(GetFileAttributes("E:\\QHVolume\\Songs\\Song0000000001.wav"), INVALID_FILE_ATTRIBUTES);
  // The disk goes away: its letter stays registered, its folder is gone.
  std::filesystem::rename(folder, sandbox.HostPath("E-elsewhere"));

  EXPECT_EQ(GetLogicalDrives() & (1u << ('E' - 'A')), 0u);
  EXPECT_EQ(GetDriveType("E:\\"), DRIVE_NO_ROOT_DIR);
  VolumeInfo info = QueryVolume("E:\\");
  EXPECT_FALSE(info.ok);
  EXPECT_EQ(info.error, static_cast<DWORD>(ERROR_NOT_READY));
  ULARGE_INTEGER available{}, total{};
  EXPECT_FALSE(GetDiskFreeSpaceEx("E:\\", &available, &total, nullptr));
  EXPECT_EQ(GetFileAttributes("E:\\QHVolume\\Songs\\Song0000000001.wav"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
  // Nothing may be written to it: neither a folder nor a file appears anywhere.
  EXPECT_FALSE(CreateDirectory("E:\\QHVolume", nullptr));
  CFile file;
  CFileException error;
  EXPECT_FALSE(file.Open("E:\\QHVolume\\new.wav", CFile::modeCreate | CFile::modeWrite, &error));
  EXPECT_EQ(error.m_cause, CFileException::hardIO);
  EXPECT_FALSE(std::filesystem::exists(folder));

  // The disk comes back under the same folder: the drive is mounted again.
  std::filesystem::rename(sandbox.HostPath("E-elsewhere"), folder);
  EXPECT_NE(GetLogicalDrives() & (1u << ('E' - 'A')), 0u);
  EXPECT_TRUE(QueryVolume("E:\\").ok);
}

TEST(DriveTableFile, RemovedDrivesDisappearAndAChangedVariableIsFollowed) {
  TestSandbox sandbox;
  sandbox.AddDrive('D', 0xD, "D");
  ASSERT_TRUE(DriveTable::Find('D'));
  sandbox.RemoveDrive('D');
  EXPECT_FALSE(DriveTable::Find('D'));
  EXPECT_EQ(GetDriveType("D:\\"), DRIVE_NO_ROOT_DIR);

  // Another table file named by the variable is read without an explicit reload.
  std::string other = sandbox.HostPath("other-drives.txt");
  WriteHostFile(other, "X\t" + sandbox.HostPath("C") + "\t00000042\tOTHER\tfixed\n");
  setenv("QH_DRIVES", other.c_str(), 1);
  auto x = DriveTable::Find('X');
  ASSERT_TRUE(x);
  EXPECT_EQ(x->serial, 0x42u);
  EXPECT_FALSE(DriveTable::Find('C'));

  // A table file that cannot be read is an empty table, never the machine's drives.
  setenv("QH_DRIVES", sandbox.HostPath("missing.txt").c_str(), 1);
  EXPECT_TRUE(DriveTable::All().empty());
  EXPECT_FALSE(DriveTable::LoadProblems().empty());
}

TEST(DriveTableFile, FreeSpaceIsTheHostFileSystemsOfEachDrive) {
  TestSandbox sandbox;
  std::string folder = sandbox.AddDrive('D', 0xD, "D");
  for (const char* root : {"C:\\", "D:\\"}) {
    SCOPED_TRACE(root);
    ULARGE_INTEGER available{}, total{}, free{};
    ASSERT_TRUE(GetDiskFreeSpaceEx(root, &available, &total, &free));
    struct statvfs info {};
    ASSERT_EQ(statvfs(folder.c_str(), &info), 0);
    EXPECT_EQ(total.QuadPart, static_cast<ULONGLONG>(info.f_blocks) * info.f_frsize);
    EXPECT_LE(available.QuadPart, free.QuadPart);
    EXPECT_LE(free.QuadPart, total.QuadPart);
  }
  EXPECT_TRUE(GetDiskFreeSpaceEx(nullptr, nullptr, nullptr, nullptr));
  EXPECT_FALSE(GetDiskFreeSpaceEx("D:\\no such folder", nullptr, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}
