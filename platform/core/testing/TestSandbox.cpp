#include "platform/core/testing/TestSandbox.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "platform/core/Paths.h"

namespace qh::testing {
namespace {

const char* const kVariables[] = {"QH_REGISTRY", "QH_LOCK_DIR", "QH_DRIVES"};

std::string MakeTemporaryFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base == '/' ? base : "/tmp") + "/qh-sandbox-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) throw std::runtime_error("TestSandbox: cannot make a folder from " + pattern);
  return buffer.data();
}

std::string WorkingDirectory() {
  std::vector<char> buffer(4096);
  return getcwd(buffer.data(), buffer.size()) ? std::string(buffer.data()) : std::string("/");
}

const char* TypeName(UINT type) {
  switch (type) {
    case DRIVE_REMOTE: return "remote";
    case DRIVE_REMOVABLE: return "removable";
    case DRIVE_CDROM: return "cdrom";
    case DRIVE_RAMDISK: return "ramdisk";
    case DRIVE_UNKNOWN: return "unknown";
    case DRIVE_NO_ROOT_DIR: return "noroot";
    default: return "fixed";
  }
}

// Read-only files and folders left by a test must not stop the clean-up.
void MakeWritable(const std::filesystem::path& root) {
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(root, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    if (it->is_directory(error) && !it->is_symlink(error)) chmod(it->path().c_str(), 0700);
  }
}

}  // namespace

TestSandbox::TestSandbox() : root_(MakeTemporaryFolder()), savedWorkingDirectory_(WorkingDirectory()) {
  for (const char* name : kVariables) {
    const char* value = std::getenv(name);
    savedEnvironment_[name] = value ? std::optional<std::string>(value) : std::nullopt;
  }
  setenv("QH_REGISTRY", HostPath("registry.txt").c_str(), 1);
  setenv("QH_LOCK_DIR", HostPath("locks").c_str(), 1);
  setenv("QH_DRIVES", HostPath("drives.txt").c_str(), 1);
  mkdir(HostPath("locks").c_str(), 0700);
  AddDrive('C', kSystemSerial, "SYSTEM");
  if (!qh::ChangeCurrentDirectory("C:\\"))
    throw std::runtime_error("TestSandbox: cannot make C:\\ the current directory");
}

TestSandbox::~TestSandbox() {
  if (chdir(savedWorkingDirectory_.c_str()) != 0)
    std::fprintf(stderr, "TestSandbox: cannot return to %s\n", savedWorkingDirectory_.c_str());
  qh::ForgetCurrentDirectory();
  for (const auto& [name, value] : savedEnvironment_) {
    if (value) setenv(name.c_str(), value->c_str(), 1);
    else unsetenv(name.c_str());
  }
  qh::DriveTable::Reload();
  std::error_code error;
  MakeWritable(root_);
  std::filesystem::remove_all(root_, error);
  if (error) std::fprintf(stderr, "TestSandbox: cannot remove %s: %s\n", root_.c_str(), error.message().c_str());
}

std::string TestSandbox::HostPath(const std::string& relative) const {
  if (relative.empty()) return root_;
  return root_ + "/" + relative;
}

std::string TestSandbox::DriveFolder(char letter) const {
  auto it = drives_.find(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
  return it == drives_.end() ? std::string() : it->second.hostFolder;
}

std::string TestSandbox::AddDrive(char letter, DWORD serial, const std::string& label, UINT type) {
  char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  std::string folder = HostPath(std::string(1, upper));
  std::filesystem::create_directories(folder);
  AddDrive(upper, folder, serial, label, type);
  return folder;
}

void TestSandbox::AddDrive(char letter, const std::string& hostFolder, DWORD serial, const std::string& label,
                           UINT type) {
  char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  drives_[upper] = Entry{hostFolder, serial, label, type};
  WriteTable();
}

void TestSandbox::RemoveDrive(char letter) {
  drives_.erase(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
  WriteTable();
}

void TestSandbox::WriteTable() {
  std::ostringstream table;
  table << "# drive table of a test sandbox\n";
  for (const auto& [letter, entry] : drives_) {
    char serial[16];
    std::snprintf(serial, sizeof serial, "%08X", static_cast<unsigned>(entry.serial));
    table << letter << ":\t" << entry.hostFolder << '\t' << serial << '\t' << entry.label << '\t'
          << TypeName(entry.type) << '\n';
  }
  // Written beside and renamed, so a reader never sees half a table.
  std::string path = HostPath("drives.txt");
  WriteHostFile(path + ".new", table.str());
  std::filesystem::rename(path + ".new", path);
  qh::DriveTable::Reload();
}

void WriteHostFile(const std::string& hostPath, const std::string& content) {
  std::filesystem::create_directories(std::filesystem::path(hostPath).parent_path());
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + hostPath);
}

std::string ReadHostFile(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + hostPath);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace qh::testing
