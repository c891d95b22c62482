#include "platform/core/Drives.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "platform/core/Cp1252.h"

namespace qh {
namespace {

// File systems that hold no user files: kernel interfaces, memory file systems, container layers and
// package images. They never get a letter in the default table.
constexpr std::array kPseudoFileSystems = {
    "proc",     "sysfs",      "devtmpfs",  "devpts",   "tmpfs",      "securityfs", "cgroup",
    "cgroup2",  "pstore",     "bpf",       "autofs",   "mqueue",     "hugetlbfs",  "debugfs",
    "tracefs",  "configfs",   "fusectl",   "binfmt_misc", "efivarfs", "rpc_pipefs", "nsfs",
    "ramfs",    "selinuxfs",  "overlay",   "squashfs", "nfsd",       "fuse.gvfsd-fuse", "fuse.portal",
    "shm",      "aufs",       "zram"};

constexpr std::array kRemoteFileSystems = {"nfs",  "nfs4",      "cifs",       "smb3",      "smbfs",
                                           "ncpfs", "afs",      "ceph",       "glusterfs", "9p",
                                           "fuse.sshfs", "davfs", "fuse.davfs2", "lustre",  "fuse.rclone"};

constexpr std::array kCdFileSystems = {"iso9660", "udf"};

template <size_t N>
bool IsOneOf(std::string_view value, const std::array<const char*, N>& list) {
  return std::any_of(list.begin(), list.end(), [&](const char* item) { return value == item; });
}

std::string TrimBlanks(std::string_view text) {
  size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(first, last - first + 1));
}

std::string Upper(std::string text) {
  for (char& ch : text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return text;
}

std::string WithoutTrailingSlash(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// mountinfo writes blanks, tabs, newlines and backslashes of paths as \ooo octal escapes.
std::string UnescapeMountField(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() &&
        std::isdigit(static_cast<unsigned char>(field[i + 1])) &&
        std::isdigit(static_cast<unsigned char>(field[i + 2])) &&
        std::isdigit(static_cast<unsigned char>(field[i + 3]))) {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

std::vector<std::string_view> SplitBlanks(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

std::vector<std::string> SplitTabs(std::string_view line) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    size_t tab = line.find('\t', start);
    fields.push_back(TrimBlanks(line.substr(start, tab == std::string_view::npos ? tab : tab - start)));
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  return fields;
}

std::optional<UINT> ParseDriveType(std::string_view text) {
  std::string name;
  for (char ch : text) name += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (name.empty() || name == "fixed") return DRIVE_FIXED;
  if (name == "remote" || name == "network") return DRIVE_REMOTE;
  if (name == "removable") return DRIVE_REMOVABLE;
  if (name == "cdrom" || name == "cd-rom" || name == "cd") return DRIVE_CDROM;
  if (name == "ramdisk") return DRIVE_RAMDISK;
  if (name == "unknown") return DRIVE_UNKNOWN;
  if (name == "noroot") return DRIVE_NO_ROOT_DIR;
  if (name.size() == 1 && name[0] >= '0' && name[0] <= '6') return static_cast<UINT>(name[0] - '0');
  return std::nullopt;
}

std::optional<DWORD> ParseSerial(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
  // Serials are often written "1A2B-3C4D" as the platform shows them.
  std::string digits;
  for (char ch : text)
    if (ch != '-') digits += ch;
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  DWORD value = 0;
  for (char ch : digits) {
    int digit;
    if (ch >= '0' && ch <= '9') digit = ch - '0';
    else if (ch >= 'a' && ch <= 'f') digit = ch - 'a' + 10;
    else if (ch >= 'A' && ch <= 'F') digit = ch - 'A' + 10;
    else return std::nullopt;
    value = value * 16 + static_cast<DWORD>(digit);
  }
  return value;
}

std::string ReadWholeFile(const std::string& path, bool* ok) {
  std::ifstream in(path, std::ios::binary);
  *ok = static_cast<bool>(in);
  std::ostringstream text;
  if (in) text << in.rdbuf();
  return text.str();
}

DWORD SerialOfFolder(const std::string& folder) {
  struct statvfs info {};
  if (statvfs(folder.c_str(), &info) == 0) {
    unsigned long long id = info.f_fsid;
    if (id != 0) return static_cast<DWORD>(id ^ (id >> 32));
  }
  // A file system without an id: fold its device number, which is stable while it stays mounted.
  struct stat st {};
  if (stat(folder.c_str(), &st) == 0) {
    unsigned long long dev = st.st_dev;
    return static_cast<DWORD>((dev * 0x9E3779B97F4A7C15ull) >> 32);
  }
  return 0;
}

// Labels of block devices as udev lists them under /dev/disk/by-label ("\x20" stands for a blank).
std::string LabelOfSource(const std::string& source) {
  std::error_code error;
  if (source.rfind("/dev/", 0) != 0) return {};
  auto device = std::filesystem::canonical(source, error);
  if (error) return {};
  for (const auto& entry : std::filesystem::directory_iterator("/dev/disk/by-label", error)) {
    std::error_code linkError;
    if (std::filesystem::canonical(entry.path(), linkError) == device && !linkError) {
      std::string name = entry.path().filename().string();
      std::string label;
      for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
          label += static_cast<char>(std::stoi(name.substr(i + 2, 2), nullptr, 16));
          i += 3;
        } else {
          label += name[i];
        }
      }
      return Utf8ToCp1252(label);
    }
  }
  return {};
}

bool IsRemovableDevice(const std::string& source) {
  if (source.rfind("/dev/", 0) != 0) return false;
  std::error_code error;
  auto device = std::filesystem::canonical(source, error);
  if (error) return false;
  auto sysEntry = std::filesystem::path("/sys/class/block") / device.filename();
  auto sysPath = std::filesystem::canonical(sysEntry, error);
  if (error) return false;
  for (const auto& folder : {sysPath, sysPath.parent_path()}) {
    std::ifstream flag(folder / "removable");
    int value = 0;
    if (flag >> value) return value == 1;
  }
  return false;
}

UINT TypeOfMount(const DriveTable::Mount& mount) {
  if (IsOneOf(mount.fileSystemType, kRemoteFileSystems)) return DRIVE_REMOTE;
  if (IsOneOf(mount.fileSystemType, kCdFileSystems)) return DRIVE_CDROM;
  if (IsRemovableDevice(mount.source)) return DRIVE_REMOVABLE;
  return DRIVE_FIXED;
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsUnderFolder(std::string_view path, std::string_view folder) {
  if (folder == "/") return !path.empty() && path[0] == '/';
  if (path.substr(0, folder.size()) != folder) return false;
  return path.size() == folder.size() || path[folder.size()] == '/';
}

std::string ReadMountInfo() {
  bool ok = false;
  return ReadWholeFile("/proc/self/mountinfo", &ok);
}

struct TableState {
  std::mutex lock;
  bool loaded = false;
  std::string source;  // the value of QH_DRIVES the table was read from ("" for the default table)
  std::vector<Drive> drives;
  std::vector<std::string> problems;
};

TableState& State() {
  static TableState state;
  return state;
}

std::string CurrentSource() {
  const char* value = std::getenv("QH_DRIVES");
  return value ? value : "";
}

void LoadLocked(TableState& state, const std::string& source) {
  state.problems.clear();
  if (source.empty()) {
    state.drives = DriveTable::DefaultTable(DriveTable::ParseMountInfo(ReadMountInfo()));
  } else {
    bool ok = false;
    std::string text = ReadWholeFile(source, &ok);
    if (!ok) {
      // An explicit table that cannot be read is an empty table: never fall back to the machine's
      // real drives, which a test or a configured installation did not ask for.
      state.problems.push_back("cannot read the drive table " + source);
      std::fprintf(stderr, "quaverhouse: cannot read the drive table %s (QH_DRIVES)\n", source.c_str());
      state.drives.clear();
    } else {
      state.drives = DriveTable::ParseTable(text, &state.problems);
      for (const auto& problem : state.problems)
        std::fprintf(stderr, "quaverhouse: drive table %s: %s\n", source.c_str(), problem.c_str());
    }
  }
  state.source = source;
  state.loaded = true;
}

// Runs `use` on the current table, reading it first when needed.
template <class Use>
auto WithTable(Use use) {
  TableState& state = State();
  std::lock_guard guard(state.lock);
  std::string source = CurrentSource();
  if (!state.loaded || source != state.source) LoadLocked(state, source);
  return use(state);
}

}  // namespace

bool Drive::IsMounted() const { return IsDirectory(hostFolder); }

std::string Drive::Root() const { return std::string(1, letter) + ":\\"; }

std::vector<Drive> DriveTable::All() {
  return WithTable([](TableState& state) { return state.drives; });
}

std::optional<Drive> DriveTable::Find(char letter) {
  char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  return WithTable([upper](TableState& state) -> std::optional<Drive> {
    for (const auto& drive : state.drives)
      if (drive.letter == upper) return drive;
    return std::nullopt;
  });
}

std::optional<Drive> DriveTable::FindByHostPath(std::string_view hostPath) {
  return WithTable([hostPath](TableState& state) -> std::optional<Drive> {
    const Drive* best = nullptr;
    for (const auto& drive : state.drives) {
      if (!IsUnderFolder(hostPath, drive.hostFolder)) continue;
      if (!best || drive.hostFolder.size() > best->hostFolder.size()) best = &drive;
    }
    if (!best) return std::nullopt;
    return *best;
  });
}

void DriveTable::Reload() {
  TableState& state = State();
  std::lock_guard guard(state.lock);
  LoadLocked(state, CurrentSource());
}

std::vector<std::string> DriveTable::LoadProblems() {
  return WithTable([](TableState& state) { return state.problems; });
}

std::vector<Drive> DriveTable::ParseTable(std::string_view text, std::vector<std::string>* problems) {
  std::vector<Drive> drives;
  auto refuse = [&](int lineNumber, const std::string& why) {
    if (problems) problems->push_back("line " + std::to_string(lineNumber) + ": " + why);
  };
  std::istringstream lines{std::string(text)};
  std::string line;
  int lineNumber = 0;
  while (std::getline(lines, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string trimmed = TrimBlanks(line);
    if (trimmed.empty() || trimmed[0] == '#') continue;
    std::vector<std::string> fields;
    if (line.find('\t') != std::string::npos) {
      fields = SplitTabs(line);
    } else {
      for (auto field : SplitBlanks(line)) fields.emplace_back(field);
    }
    if (fields.size() < 3) {
      refuse(lineNumber, "needs at least a letter, a folder and a serial");
      continue;
    }
    std::string letterField = fields[0];
    if (letterField.size() == 2 && letterField[1] == ':') letterField.pop_back();
    if (letterField.size() != 1 || !std::isalpha(static_cast<unsigned char>(letterField[0]))) {
      refuse(lineNumber, "\"" + fields[0] + "\" is not a drive letter");
      continue;
    }
    Drive drive;
    drive.letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letterField[0])));
    if (std::any_of(drives.begin(), drives.end(), [&](const Drive& d) { return d.letter == drive.letter; })) {
      refuse(lineNumber, std::string("drive ") + drive.letter + ": is listed twice");
      continue;
    }
    if (fields[1].empty() || fields[1][0] != '/') {
      refuse(lineNumber, "the folder \"" + fields[1] + "\" is not an absolute host path");
      continue;
    }
    drive.hostFolder = WithoutTrailingSlash(fields[1]);
    auto serial = ParseSerial(fields[2]);
    if (!serial) {
      refuse(lineNumber, "the serial \"" + fields[2] + "\" is not a 32-bit hexadecimal number");
      continue;
    }
    drive.serial = *serial;
    if (fields.size() > 3) drive.label = Utf8ToCp1252(fields[3]);
    auto type = ParseDriveType(fields.size() > 4 ? fields[4] : "");
    if (!type) {
      refuse(lineNumber, "the drive type \"" + fields[4] + "\" is unknown");
      continue;
    }
    drive.type = *type;
    drives.push_back(std::move(drive));
  }
  std::sort(drives.begin(), drives.end(), [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
  return drives;
}

std::vector<DriveTable::Mount> DriveTable::ParseMountInfo(std::string_view mountInfo) {
  // "36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw,errors=continue"
  std::vector<Mount> mounts;
  std::istringstream lines{std::string(mountInfo)};
  std::string line;
  while (std::getline(lines, line)) {
    auto fields = SplitBlanks(line);
    auto separator = std::find(fields.begin(), fields.end(), std::string_view("-"));
    if (fields.size() < 5 || separator == fields.end() || fields.end() - separator < 3) continue;
    Mount mount;
    mount.mountPoint = UnescapeMountField(fields[4]);
    mount.fileSystemType = std::string(*(separator + 1));
    mount.source = UnescapeMountField(*(separator + 2));
    mounts.push_back(std::move(mount));
  }
  return mounts;
}

std::vector<Drive> DriveTable::DefaultTable(const std::vector<Mount>& mounts) {
  std::vector<Drive> drives;
  Drive system;
  system.letter = 'C';
  system.hostFolder = "/";
  system.serial = SerialOfFolder("/");
  system.type = DRIVE_FIXED;
  for (const auto& mount : mounts) {
    if (mount.mountPoint == "/") {
      system.label = LabelOfSource(mount.source);
      break;
    }
  }
  drives.push_back(system);
  char next = 'D';
  for (const auto& mount : mounts) {
    if (next > 'Z') break;
    if (mount.mountPoint == "/" || IsOneOf(mount.fileSystemType, kPseudoFileSystems)) continue;
    std::string folder = WithoutTrailingSlash(mount.mountPoint);
    if (std::any_of(drives.begin(), drives.end(), [&](const Drive& d) { return d.hostFolder == folder; }))
      continue;
    // Bind mounts of single files (a container's /etc/hosts) are no volumes.
    if (!IsDirectory(folder)) continue;
    Drive drive;
    drive.letter = next++;
    drive.hostFolder = folder;
    drive.serial = SerialOfFolder(folder);
    drive.label = LabelOfSource(mount.source);
    drive.type = TypeOfMount(mount);
    drives.push_back(std::move(drive));
  }
  return drives;
}

std::string HostFileSystemName(std::string_view hostPath) {
  auto mounts = DriveTable::ParseMountInfo(ReadMountInfo());
  const DriveTable::Mount* best = nullptr;
  for (const auto& mount : mounts) {
    if (!IsUnderFolder(hostPath, WithoutTrailingSlash(mount.mountPoint))) continue;
    // Later mounts over the same point hide earlier ones, so ">=" keeps the one that is visible.
    if (!best || mount.mountPoint.size() >= best->mountPoint.size()) best = &mount;
  }
  return best ? Upper(best->fileSystemType) : std::string();
}

}  // namespace qh
