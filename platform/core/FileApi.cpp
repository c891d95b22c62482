#include "platform/core/FileApi.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <vector>

#include "platform/core/Cp1252.h"
#include "platform/core/DateTime.h"
#include "platform/core/Handle.h"
#include "platform/core/Paths.h"

namespace qh {

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EIO: return ERROR_WRITE_FAULT;
    default: return ERROR_ACCESS_DENIED;
  }
}

void SetNotFoundError(const ResolvedPath& resolved) {
  SetLastError(resolved.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
}

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
  // Iterative matching with one back-tracking point for the last '*'.
  size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || Cp1252ToUpper(static_cast<unsigned char>(pattern[p])) == Cp1252ToUpper(static_cast<unsigned char>(name[n])))) {
      ++p;
      ++n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace qh

namespace {

using qh::ResolvedPath;

// Resolves a path that must exist; on failure the error is set.
std::optional<ResolvedPath> ResolveExisting(LPCSTR path, struct stat* st = nullptr) {
  auto resolved = qh::ResolvePath(path);
  if (!resolved) return std::nullopt;
  struct stat local {};
  if (!resolved->exists || stat(resolved->hostPath.c_str(), st ? st : &local) != 0) {
    qh::SetNotFoundError(*resolved);
    return std::nullopt;
  }
  return resolved;
}

// Resolves a path whose folder must exist (a file or folder to be made).
std::optional<ResolvedPath> ResolveNew(LPCSTR path) {
  auto resolved = qh::ResolvePath(path);
  if (!resolved) return std::nullopt;
  if (!resolved->parentExists) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return std::nullopt;
  }
  return resolved;
}

BOOL FailWithErrno() {
  SetLastError(qh::ErrorFromErrno(errno));
  return FALSE;
}

bool IsOwnerWritable(const struct stat& st) { return (st.st_mode & S_IWUSR) != 0; }

DWORD AttributesOf(const struct stat& st) {
  DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if (!S_ISDIR(st.st_mode) && !IsOwnerWritable(st)) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes;
}

DWORD CopyOut(const std::string& text, LPSTR buffer, DWORD size) {
  if (!buffer || size <= text.size()) return static_cast<DWORD>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

std::string FolderOf(const std::string& hostPath) {
  size_t cut = hostPath.find_last_of('/');
  if (cut == std::string::npos) return ".";
  return cut == 0 ? "/" : hostPath.substr(0, cut);
}

std::string NameOf(const std::string& path) {
  size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Copies the bytes of an open file into a new file at `target`, which must not exist.
bool CopyContents(int source, const std::string& target, mode_t mode) {
  int out = open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (out < 0) return false;
  std::vector<char> buffer(1 << 16);
  bool ok = true;
  while (ok) {
    ssize_t got = read(source, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    for (ssize_t done = 0; done < got && ok;) {
      ssize_t put = write(out, buffer.data() + done, static_cast<size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) ok = false;
      else done += put;
    }
  }
  int savedErrno = errno;
  if (close(out) != 0 && ok) {
    ok = false;
    savedErrno = errno;
  }
  if (!ok) {
    unlink(target.c_str());
    errno = savedErrno;
  }
  return ok;
}

// A name beside `target` that nobody uses, for writing a file before it takes its final name.
std::string CompanionName(const std::string& target) {
  static std::mt19937 generator(std::random_device{}());
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".qhcopy-%d-%08x", static_cast<int>(getpid()),
                static_cast<unsigned>(generator()));
  return FolderOf(target) + "/." + NameOf(target) + suffix;
}

// Copies `source` to a new file at `target`; with `replace` an existing target is replaced.
bool CopyFileContents(const std::string& source, const std::string& target, bool replace) {
  int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st {};
  fstat(in, &st);
  std::string temporary = CompanionName(target);
  bool ok = CopyContents(in, temporary, st.st_mode & 07777);
  int savedErrno = errno;
  close(in);
  if (ok) {
    // The copy keeps its source's last-write time, as on the platform.
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    utimensat(AT_FDCWD, temporary.c_str(), times, 0);
    if (replace) {
      ok = rename(temporary.c_str(), target.c_str()) == 0;
    } else {
      // link() refuses an existing target, so two copies racing for one name cannot both win.
      ok = link(temporary.c_str(), target.c_str()) == 0;
      if (!ok && (errno == EPERM || errno == ENOTSUP || errno == EOPNOTSUPP))
        ok = renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0;
    }
    if (!ok) savedErrno = errno;
    unlink(temporary.c_str());
  }
  errno = savedErrno;
  return ok;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// The drive letter of a root argument ("C:\", "C:", "C", NULL = the current directory's drive).
char LetterOfRoot(LPCSTR root) {
  std::string text = root ? root : qh::CurrentDirectory();
  if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return 0;
  if (root) {
    bool isRoot = text.size() == 1 || (text[1] == ':' && (text.size() == 2 || (text.size() == 3 && (text[2] == '\\' || text[2] == '/'))));
    if (!isRoot) return 0;
  } else if (text.size() < 2 || text[1] != ':') {
    return 0;
  }
  return static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
}

// ---- Directory searches ----

struct FoundEntry {
  std::string name1252;
  struct stat st;
};

class FindSearch : public qh::KernelObject {
 public:
  explicit FindSearch(std::vector<FoundEntry> entries) : entries_(std::move(entries)) {}
  bool IsSignalledLocked(DWORD) const override { return false; }
  bool Next(WIN32_FIND_DATA& data) {
    std::lock_guard guard(lock_);
    if (next_ >= entries_.size()) return false;
    Fill(entries_[next_++], data);
    return true;
  }

 private:
  static void Fill(const FoundEntry& entry, WIN32_FIND_DATA& data) {
    data = WIN32_FIND_DATA{};
    data.dwFileAttributes = AttributesOf(entry.st);
    data.ftCreationTime = qh::FileTimeFromUnix(entry.st.st_mtim.tv_sec, entry.st.st_mtim.tv_nsec);
    data.ftLastAccessTime = qh::FileTimeFromUnix(entry.st.st_atim.tv_sec, entry.st.st_atim.tv_nsec);
    data.ftLastWriteTime = qh::FileTimeFromUnix(entry.st.st_mtim.tv_sec, entry.st.st_mtim.tv_nsec);
    unsigned long long size = S_ISDIR(entry.st.st_mode) ? 0 : static_cast<unsigned long long>(entry.st.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    std::snprintf(data.cFileName, sizeof data.cFileName, "%s", entry.name1252.c_str());
  }

  std::mutex lock_;
  std::vector<FoundEntry> entries_;
  size_t next_ = 0;
};

bool PatternMatches(const std::string& pattern, const std::string& name) {
  if (pattern == "*.*" || pattern == "*") return true;
  if (qh::MatchesWildcard(pattern, name)) return true;
  // "name.*" also finds "name" itself, as the platform matches a missing extension.
  if (pattern.size() > 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 && name.find('.') == std::string::npos)
    return qh::MatchesWildcard(pattern.substr(0, pattern.size() - 2), name);
  return false;
}

bool HasForbiddenPatternCharacter(const std::string& pattern) {
  for (unsigned char ch : pattern)
    if (ch < 0x20 || std::strchr("<>:\"|", ch)) return true;
  return false;
}

std::vector<FoundEntry> ListMatches(const std::string& hostFolder, const std::string& pattern) {
  std::vector<FoundEntry> found;
  DIR* dir = opendir(hostFolder.c_str());
  if (!dir) return found;
  while (dirent* entry = readdir(dir)) {
    std::string_view hostName = entry->d_name;
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    std::string name;
    if (!Utf8ToCp1252Exact(hostName, &name)) {
      std::fprintf(stderr, "quaverhouse: skipping \"%s/%s\": the name cannot be written in code page 1252\n",
                   hostFolder.c_str(), entry->d_name);
      continue;
    }
    if (name.size() >= MAX_PATH || !PatternMatches(pattern, name)) continue;
    FoundEntry item;
    item.name1252 = name;
    std::string full = hostFolder == "/" ? "/" + std::string(hostName) : hostFolder + "/" + std::string(hostName);
    if (stat(full.c_str(), &item.st) != 0 && lstat(full.c_str(), &item.st) != 0) continue;
    found.push_back(std::move(item));
  }
  closedir(dir);
  std::sort(found.begin(), found.end(), [](const FoundEntry& a, const FoundEntry& b) {
    int order = Cp1252CompareNoCase(a.name1252, b.name1252);
    return order != 0 ? order < 0 : a.name1252 < b.name1252;
  });
  return found;
}

}  // namespace

// ---- Attributes, copies, moves ----

DWORD GetFileAttributes(LPCSTR fileName) {
  struct stat st {};
  if (!ResolveExisting(fileName, &st)) return INVALID_FILE_ATTRIBUTES;
  return AttributesOf(st);
}

BOOL SetFileAttributes(LPCSTR fileName, DWORD attributes) {
  struct stat st {};
  auto resolved = ResolveExisting(fileName, &st);
  if (!resolved) return FALSE;
  if (S_ISDIR(st.st_mode)) return TRUE;  // read-only means nothing for a folder here
  mode_t mode = st.st_mode & 07777;
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  } else {
    mode |= S_IWUSR;
  }
  if (chmod(resolved->hostPath.c_str(), mode) != 0) return FailWithErrno();
  return TRUE;
}

BOOL CopyFile(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists) {
  struct stat st {};
  auto source = ResolveExisting(existingFileName, &st);
  if (!source) return FALSE;
  if (S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  auto target = ResolveNew(newFileName);
  if (!target) return FALSE;
  if (target->exists) {
    if (failIfExists) {
      SetLastError(ERROR_FILE_EXISTS);
      return FALSE;
    }
    struct stat targetStat {};
    stat(target->hostPath.c_str(), &targetStat);
    if (SameFile(source->hostPath, target->hostPath)) {
      SetLastError(ERROR_SHARING_VIOLATION);
      return FALSE;
    }
    if (S_ISDIR(targetStat.st_mode) || !IsOwnerWritable(targetStat)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
  }
  if (!CopyFileContents(source->hostPath, target->hostPath, !failIfExists)) {
    SetLastError(errno == EEXIST ? ERROR_FILE_EXISTS : qh::ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL MoveFile(LPCSTR existingFileName, LPCSTR newFileName) {
  struct stat st {};
  auto source = ResolveExisting(existingFileName, &st);
  if (!source) return FALSE;
  auto target = ResolveNew(newFileName);
  if (!target) return FALSE;
  std::string targetHost = target->hostPath;
  if (target->exists) {
    // A new case for the same name ("a.txt" to "A.TXT") is a rename; anything else already exists.
    std::string given = Cp1252ToUtf8(NameOf(target->windowsPath));
    if (!SameFile(source->hostPath, target->hostPath) || NameOf(target->hostPath) == given) {
      SetLastError(ERROR_ALREADY_EXISTS);
      return FALSE;
    }
    targetHost = FolderOf(target->hostPath) + "/" + given;
  }
  if (renameat2(AT_FDCWD, source->hostPath.c_str(), AT_FDCWD, targetHost.c_str(),
                target->exists ? 0 : RENAME_NOREPLACE) == 0)
    return TRUE;
  if (errno == EINVAL || errno == ENOSYS) {
    // A file system without no-replace renames: the existence check above has to do.
    if (access(targetHost.c_str(), F_OK) == 0 && !target->exists) {
      SetLastError(ERROR_ALREADY_EXISTS);
      return FALSE;
    }
    if (rename(source->hostPath.c_str(), targetHost.c_str()) == 0) return TRUE;
  }
  if (errno == EEXIST) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (errno != EXDEV) return FailWithErrno();
  if (S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_NOT_SAME_DEVICE);
    return FALSE;
  }
  // Across drives a file is copied, then the original removed once the copy is complete.
  if (!CopyFileContents(source->hostPath, targetHost, false)) {
    SetLastError(errno == EEXIST ? ERROR_ALREADY_EXISTS : qh::ErrorFromErrno(errno));
    return FALSE;
  }
  if (unlink(source->hostPath.c_str()) != 0) {
    int savedErrno = errno;
    unlink(targetHost.c_str());
    errno = savedErrno;
    return FailWithErrno();
  }
  return TRUE;
}

BOOL DeleteFile(LPCSTR fileName) {
  struct stat st {};
  auto resolved = ResolveExisting(fileName, &st);
  if (!resolved) return FALSE;
  if (S_ISDIR(st.st_mode) || !IsOwnerWritable(st)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (unlink(resolved->hostPath.c_str()) != 0) return FailWithErrno();
  return TRUE;
}

BOOL CreateDirectory(LPCSTR pathName, LPSECURITY_ATTRIBUTES) {
  auto resolved = ResolveNew(pathName);
  if (!resolved) return FALSE;
  if (resolved->exists) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (mkdir(resolved->hostPath.c_str(), 0777) != 0) return FailWithErrno();
  return TRUE;
}

BOOL RemoveDirectory(LPCSTR pathName) {
  struct stat st {};
  auto resolved = ResolveExisting(pathName, &st);
  if (!resolved) return FALSE;
  if (!S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_DIRECTORY);
    return FALSE;
  }
  if (resolved->isRoot) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (rmdir(resolved->hostPath.c_str()) != 0) return FailWithErrno();
  return TRUE;
}

// ---- Directory searches ----

HANDLE FindFirstFile(LPCSTR fileName, LPWIN32_FIND_DATA findFileData) {
  if (!fileName || !findFileData) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string text = fileName;
  size_t cut = text.find_last_of("\\/");
  std::string folder, pattern;
  if (cut != std::string::npos) {
    folder = text.substr(0, cut + 1);
    pattern = text.substr(cut + 1);
  } else if (text.size() >= 2 && text[1] == ':' && std::isalpha(static_cast<unsigned char>(text[0]))) {
    folder = text.substr(0, 2);
    pattern = text.substr(2);
  } else {
    folder = ".";
    pattern = text;
  }
  if (pattern.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (HasForbiddenPatternCharacter(pattern)) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  auto resolved = qh::ResolvePath(folder.c_str());
  if (!resolved) return INVALID_HANDLE_VALUE;
  struct stat st {};
  if (!resolved->exists || stat(resolved->hostPath.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto entries = ListMatches(resolved->hostPath, pattern);
  if (entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto search = std::make_shared<FindSearch>(std::move(entries));
  search->Next(*findFileData);
  return qh::RegisterHandle(search);
}

BOOL FindNextFile(HANDLE findFile, LPWIN32_FIND_DATA findFileData) {
  auto search = qh::LookupHandleAs<FindSearch>(findFile);
  if (!search || !findFileData) {
    SetLastError(search ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!search->Next(*findFileData)) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  return TRUE;
}

BOOL FindClose(HANDLE findFile) {
  if (!qh::LookupHandleAs<FindSearch>(findFile)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return CloseHandle(findFile);
}

// ---- Temporary files ----

UINT GetTempFileName(LPCSTR pathName, LPCSTR prefixString, UINT unique, LPSTR tempFileName) {
  if (!pathName || !tempFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto folder = qh::ResolvePath(pathName);
  if (!folder) return 0;
  struct stat st {};
  if (!folder->exists || stat(folder->hostPath.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_DIRECTORY);
    return 0;
  }
  std::string prefix = std::string(prefixString ? prefixString : "").substr(0, 3);
  std::string base = pathName;
  if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
  auto nameFor = [&](UINT number) {
    char name[16];
    std::snprintf(name, sizeof name, "%X.TMP", number);
    return prefix + name;
  };
  auto finish = [&](UINT number) -> UINT {
    std::string full = base + nameFor(number);
    if (full.size() >= MAX_PATH) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return 0;
    }
    std::memcpy(tempFileName, full.c_str(), full.size() + 1);
    return number;
  };
  if (unique != 0) return finish(unique & 0xFFFFu);
  UINT start = static_cast<UINT>(std::chrono::steady_clock::now().time_since_epoch().count() ^ getpid()) & 0xFFFFu;
  for (UINT attempt = 0; attempt < 0xFFFFu; ++attempt) {
    UINT number = ((start + attempt) % 0xFFFFu) + 1;
    std::string host = folder->hostPath + (folder->hostPath == "/" ? "" : "/") + Cp1252ToUtf8(nameFor(number));
    int fd = open(host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      close(fd);
      UINT result = finish(number);
      if (result == 0) unlink(host.c_str());
      return result;
    }
    if (errno != EEXIST) {
      FailWithErrno();
      return 0;
    }
  }
  SetLastError(ERROR_FILE_EXISTS);
  return 0;
}

DWORD GetTempPath(DWORD bufferLength, LPSTR buffer) {
  const char* tmp = std::getenv("TMPDIR");
  std::string host = tmp && *tmp == '/' ? tmp : "/tmp";
  std::string path = qh::SystemPathFromHost(host);
  if (path.back() != '\\' && path.back() != '/') path += path[0] == '/' ? '/' : '\\';
  return CopyOut(path, buffer, bufferLength);
}

// ---- Drives and volumes ----

DWORD GetLogicalDrives() {
  DWORD mask = 0;
  for (const auto& drive : qh::DriveTable::All())
    if (drive.IsMounted()) mask |= 1u << (drive.letter - 'A');
  return mask;
}

UINT GetDriveType(LPCSTR rootPathName) {
  char letter = LetterOfRoot(rootPathName);
  if (!letter) return DRIVE_NO_ROOT_DIR;
  auto drive = qh::DriveTable::Find(letter);
  if (!drive || !drive->IsMounted()) return DRIVE_NO_ROOT_DIR;
  return drive->type;
}

BOOL GetVolumeInformation(LPCSTR rootPathName, LPSTR volumeNameBuffer, DWORD volumeNameSize,
                          LPDWORD volumeSerialNumber, LPDWORD maximumComponentLength, LPDWORD fileSystemFlags,
                          LPSTR fileSystemNameBuffer, DWORD fileSystemNameSize) {
  char letter = LetterOfRoot(rootPathName);
  auto drive = letter ? qh::DriveTable::Find(letter) : std::nullopt;
  if (!drive) {
    SetLastError(letter ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_NAME);
    return FALSE;
  }
  if (!drive->IsMounted()) {
    SetLastError(ERROR_NOT_READY);
    return FALSE;
  }
  // The file system's name costs a read of the mount table: only a caller that asks for it pays.
  std::string fileSystem;
  if (fileSystemNameBuffer) {
    fileSystem = qh::HostFileSystemName(drive->hostFolder);
    if (fileSystem.empty()) fileSystem = "UNKNOWN";
  }
  if ((volumeNameBuffer && volumeNameSize <= drive->label.size()) ||
      (fileSystemNameBuffer && fileSystemNameSize <= fileSystem.size())) {
    SetLastError(ERROR_BAD_LENGTH);
    return FALSE;
  }
  if (volumeNameBuffer) CopyOut(drive->label, volumeNameBuffer, volumeNameSize);
  if (fileSystemNameBuffer) CopyOut(fileSystem, fileSystemNameBuffer, fileSystemNameSize);
  if (volumeSerialNumber) *volumeSerialNumber = drive->serial;
  if (maximumComponentLength) *maximumComponentLength = 255;
  if (fileSystemFlags) *fileSystemFlags = FILE_CASE_SENSITIVE_SEARCH | FILE_CASE_PRESERVED_NAMES;
  return TRUE;
}

BOOL GetDiskFreeSpaceEx(LPCSTR directoryName, PULARGE_INTEGER freeBytesAvailableToCaller,
                        PULARGE_INTEGER totalNumberOfBytes, PULARGE_INTEGER totalNumberOfFreeBytes) {
  std::string current;
  if (!directoryName) current = qh::CurrentDirectory();
  auto resolved = ResolveExisting(directoryName ? directoryName : current.c_str());
  if (!resolved) return FALSE;
  struct statvfs info {};
  if (statvfs(resolved->hostPath.c_str(), &info) != 0) return FailWithErrno();
  unsigned long long unit = info.f_frsize ? info.f_frsize : info.f_bsize;
  if (freeBytesAvailableToCaller) freeBytesAvailableToCaller->QuadPart = info.f_bavail * unit;
  if (totalNumberOfBytes) totalNumberOfBytes->QuadPart = info.f_blocks * unit;
  if (totalNumberOfFreeBytes) totalNumberOfFreeBytes->QuadPart = info.f_bfree * unit;
  return TRUE;
}

// ---- Current directory and program ----

DWORD GetCurrentDirectory(DWORD bufferLength, LPSTR buffer) {
  return CopyOut(qh::CurrentDirectory(), buffer, bufferLength);
}

BOOL SetCurrentDirectory(LPCSTR pathName) { return qh::ChangeCurrentDirectory(pathName); }

DWORD GetModuleFileName(HMODULE module, LPSTR fileName, DWORD size) {
  if (module != nullptr || !fileName) {
    SetLastError(module ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::vector<char> host(4096);
  ssize_t length = readlink("/proc/self/exe", host.data(), host.size() - 1);
  if (length <= 0) {
    FailWithErrno();
    return 0;
  }
  std::string path = qh::SystemPathFromHost(std::string(host.data(), static_cast<size_t>(length)));
  if (size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() >= size) {
    std::memcpy(fileName, path.c_str(), size - 1);
    fileName[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(fileName, path.c_str(), path.size() + 1);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(path.size());
}
