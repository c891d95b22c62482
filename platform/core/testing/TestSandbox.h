// A per-test sandbox: a fresh temporary folder that holds the test's registry store, named-mutex lock
// files and drive table, with drive C: on a folder of its own. While it lives, QH_REGISTRY, QH_LOCK_DIR
// and QH_DRIVES point into it and the current directory is C:\; the destructor restores the previous
// environment and working directory and removes the folder.
//
//   qh::testing::TestSandbox sandbox;
//   sandbox.AddDrive('D', 0x1234ABCD, "MUSIC");                // D: on <sandbox>/D
//   WriteFile(sandbox.HostPath("C/Quaverhouse/a.txt"), "...");
//   EXPECT_TRUE(GetFileAttributes("C:\\Quaverhouse\\a.txt") != INVALID_FILE_ATTRIBUTES);
//
// Tests run one process each (ctest), so the environment of one sandbox never meets another test's.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/core/Drives.h"
#include "platform/core/WinTypes.h"

namespace qh::testing {

class TestSandbox {
 public:
  static constexpr DWORD kSystemSerial = 0x5A4DC0DE;  // serial of the sandbox's drive C:

  TestSandbox();
  ~TestSandbox();
  TestSandbox(const TestSandbox&) = delete;
  TestSandbox& operator=(const TestSandbox&) = delete;

  // The sandbox's host folder (no trailing '/').
  const std::string& Root() const { return root_; }
  // A host path below the sandbox's folder: HostPath("C/Songs") is "<root>/C/Songs".
  std::string HostPath(const std::string& relative) const;
  // The host folder of a drive of the sandbox's table; "" when the letter is not there.
  std::string DriveFolder(char letter) const;

  // Adds (or replaces) a drive on <root>/<letter>, creating the folder; returns the folder.
  std::string AddDrive(char letter, DWORD serial, const std::string& label, UINT type = DRIVE_FIXED);
  // Adds (or replaces) a drive on any host folder; the folder is not created.
  void AddDrive(char letter, const std::string& hostFolder, DWORD serial, const std::string& label,
                UINT type = DRIVE_FIXED);
  // Takes a drive out of the table (its folder stays).
  void RemoveDrive(char letter);

 private:
  struct Entry {
    std::string hostFolder;
    DWORD serial;
    std::string label;
    UINT type;
  };
  void WriteTable();

  std::string root_;
  std::string savedWorkingDirectory_;
  std::map<std::string, std::optional<std::string>> savedEnvironment_;
  std::map<char, Entry> drives_;
};

// Small file helpers for tests: the whole content of a host file, written or read in binary.
void WriteHostFile(const std::string& hostPath, const std::string& content);
std::string ReadHostFile(const std::string& hostPath);

}  // namespace qh::testing
