#include "platform/core/Paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/core/Cp1252.h"
#include "platform/core/Drives.h"
#include "platform/core/FileApi.h"

namespace qh {
namespace {

// ---- Splitting and walking ----

bool IsSeparator(char ch) { return ch == '\\' || ch == '/'; }

std::vector<std::string> SplitSegments(std::string_view text) {
  std::vector<std::string> segments;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsSeparator(text[i])) ++i;
    size_t start = i;
    while (i < text.size() && !IsSeparator(text[i])) ++i;
    if (i > start) segments.emplace_back(text.substr(start, i - start));
  }
  return segments;
}

// Drops "." and resolves ".." lexically; ".." at the root stays at the root, as on the platform.
std::vector<std::string> Normalise(const std::vector<std::string>& segments) {
  std::vector<std::string> out;
  for (const auto& segment : segments) {
    if (segment == ".") continue;
    if (segment == "..") {
      if (!out.empty()) out.pop_back();
      continue;
    }
    out.push_back(segment);
  }
  return out;
}

// Characters the platform refuses in a name.
bool HasForbiddenCharacter(std::string_view segment) {
  for (unsigned char ch : segment) {
    if (ch < 0x20 || std::strchr("<>:\"|?*", ch)) return true;
  }
  return false;
}

std::string JoinHost(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

bool IsDirectory(const std::string& hostPath) {
  struct stat st {};
  return stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& hostPath) {
  struct stat st {};
  return lstat(hostPath.c_str(), &st) == 0;
}

// ---- Case-insensitive lookup ----

// What tells one state of a folder from another: any name added, removed or renamed in it moves its
// modification time, and its change time (which no program can set back) moves with it.
struct FolderStamp {
  dev_t device = 0;
  ino_t inode = 0;
  timespec modified{};
  timespec changed{};
};

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

bool SameStamp(const FolderStamp& a, const FolderStamp& b) {
  return a.device == b.device && a.inode == b.inode && SameTime(a.modified, b.modified) && SameTime(a.changed, b.changed);
}

std::optional<FolderStamp> StampOf(const std::string& folder) {
  struct stat st {};
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
  return FolderStamp{st.st_dev, st.st_ino, st.st_mtim, st.st_ctim};
}

// The names of one folder by their lower-cased 1252 form; of several that differ only in case, the
// first in byte order.
using NamesNoCase = std::unordered_map<std::string, std::string>;

std::optional<NamesNoCase> ReadNamesNoCase(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return std::nullopt;
  NamesNoCase names;
  while (dirent* entry = readdir(dir)) {
    std::string_view hostName = entry->d_name;
    if (hostName == "." || hostName == "..") continue;
    std::string name;
    if (!Utf8ToCp1252Exact(hostName, &name)) continue;
    Cp1252MakeLower(name);
    auto [at, added] = names.try_emplace(std::move(name), hostName);
    if (!added && hostName < at->second) at->second = std::string(hostName);
  }
  closedir(dir);
  return names;
}

// Listings of folders kept while their stamp holds, so that looking up many missing files in one
// folder reads it once. A time stamp is only as fine as the file system's clock: a name added within
// the same tick as the folder's last change would leave the stamp as it was, so a listing read before
// the folder's last change has settled serves its one lookup and is not kept. Stamps in whole seconds
// (some file systems keep two) settle after a few seconds, finer ones after a few clock ticks. A kept
// listing is also read again after a few seconds whatever its stamp says, so that a file system whose
// stamps cannot be trusted (a server with its own clock) keeps a stale listing only briefly.
class FolderListings {
 public:
  std::optional<std::string> Find(const std::string& folder, const std::string& name1252) {
    std::string key = name1252;
    Cp1252MakeLower(key);
    const timespec readAt = Now();
    auto stamp = StampOf(folder);
    if (!stamp) return std::nullopt;
    {
      std::lock_guard<std::mutex> hold(m_lock);
      auto cached = m_listings.find(folder);
      if (cached != m_listings.end() && SameStamp(cached->second.stamp, *stamp) &&
          Nanoseconds(readAt) - Nanoseconds(cached->second.readAt) < kMostAge)
        return Lookup(cached->second.names, key);
    }
    auto names = ReadNamesNoCase(folder);
    if (!names) return std::nullopt;
    auto result = Lookup(*names, key);
    auto after = StampOf(folder);
    if (after && SameStamp(*after, *stamp) && Settled(stamp->modified, readAt) && Settled(stamp->changed, readAt))
      Keep(folder, Listing{*stamp, readAt, std::move(*names)});
    return result;
  }

 private:
  struct Listing {
    FolderStamp stamp;
    timespec readAt;
    NamesNoCase names;
  };
  // Enough for a library spread over a few volumes; a listing is dropped whole when its folder changes.
  static constexpr size_t kMostFolders = 32;
  static constexpr long long kSecond = 1000000000LL;
  // Coarser than any file system's whole-second stamps (two seconds on the coarsest).
  static constexpr long long kSettleWholeSeconds = 3 * kSecond;
  // Many kernel clock ticks (a tick is 10 ms at most).
  static constexpr long long kSettleFine = kSecond / 10;
  static constexpr long long kMostAge = 5 * kSecond;

  static timespec Now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now;
  }
  static long long Nanoseconds(const timespec& time) { return static_cast<long long>(time.tv_sec) * kSecond + time.tv_nsec; }
  static bool Settled(const timespec& stamp, const timespec& readAt) {
    const long long settle = stamp.tv_nsec != 0 ? kSettleFine : kSettleWholeSeconds;
    return Nanoseconds(stamp) + settle < Nanoseconds(readAt);
  }
  static std::optional<std::string> Lookup(const NamesNoCase& names, const std::string& key) {
    auto found = names.find(key);
    if (found == names.end()) return std::nullopt;
    return found->second;
  }
  void Keep(const std::string& folder, Listing listing) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_listings.size() >= kMostFolders && !m_listings.count(folder)) m_listings.clear();
    m_listings[folder] = std::move(listing);
  }

  std::mutex m_lock;
  std::unordered_map<std::string, Listing> m_listings;
};

// The host name in `folder` that equals `name1252` without case; the first in byte order when several do.
std::optional<std::string> FindNameNoCase(const std::string& folder, const std::string& name1252) {
  static FolderListings listings;
  return listings.Find(folder, name1252);
}

// Follows the names below a host folder, taking a case-different existing name when the exact one
// is missing. Fills hostPath, exists and parentExists.
void Walk(const std::string& base, const std::vector<std::string>& names1252, ResolvedPath& resolved) {
  std::string current = base;
  size_t found = 0;
  for (size_t i = 0; i < names1252.size(); ++i) {
    std::string exact = JoinHost(current, Cp1252ToUtf8(names1252[i]));
    if (found == i) {
      if (Exists(exact)) {
        current = exact;
        ++found;
        continue;
      }
      if (auto match = FindNameNoCase(current, names1252[i])) {
        current = JoinHost(current, *match);
        ++found;
        continue;
      }
    }
    current = exact;
  }
  resolved.hostPath = current;
  resolved.exists = found == names1252.size() && (names1252.empty() ? IsDirectory(base) : true);
  if (names1252.empty()) {
    resolved.parentExists = resolved.exists;
  } else {
    size_t cut = current.find_last_of('/');
    std::string parent = cut == 0 ? "/" : current.substr(0, cut);
    resolved.parentExists = found + 1 >= names1252.size() && IsDirectory(parent);
  }
}

std::string JoinWindows(char letter, const std::vector<std::string>& segments) {
  std::string path(1, letter);
  path += ":\\";
  for (size_t i = 0; i < segments.size(); ++i) {
    if (i) path += '\\';
    path += segments[i];
  }
  return path;
}

std::string JoinHostForm(const std::vector<std::string>& segments) {
  std::string path;
  for (const auto& segment : segments) path += "/" + segment;
  return path.empty() ? "/" : path;
}

size_t SegmentCount(const std::string& hostFolder) { return SplitSegments(hostFolder).size(); }

// A normalised host path given as code page 1252 segments.
std::optional<ResolvedPath> ResolveHostSegments(const std::vector<std::string>& segments1252) {
  std::vector<std::string> utf8;
  for (const auto& segment : segments1252) utf8.push_back(Cp1252ToUtf8(segment));
  ResolvedPath resolved;
  auto drive = DriveTable::FindByHostPath(JoinHostForm(utf8));
  if (!drive) {
    Walk("/", segments1252, resolved);
    resolved.windowsPath = JoinHostForm(segments1252);
    resolved.isRoot = segments1252.empty();
    return resolved;
  }
  if (!drive->IsMounted()) {
    SetLastError(ERROR_NOT_READY);
    return std::nullopt;
  }
  std::vector<std::string> below(segments1252.begin() + static_cast<long>(SegmentCount(drive->hostFolder)),
                                 segments1252.end());
  Walk(drive->hostFolder, below, resolved);
  resolved.driveLetter = drive->letter;
  resolved.windowsPath = JoinWindows(drive->letter, below);
  resolved.isRoot = below.empty();
  return resolved;
}

std::optional<ResolvedPath> ResolveOnDrive(char letter, const std::vector<std::string>& segments) {
  for (const auto& segment : segments) {
    if (HasForbiddenCharacter(segment)) {
      SetLastError(ERROR_INVALID_NAME);
      return std::nullopt;
    }
  }
  auto drive = DriveTable::Find(letter);
  if (!drive) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return std::nullopt;
  }
  if (!drive->IsMounted()) {
    SetLastError(ERROR_NOT_READY);
    return std::nullopt;
  }
  ResolvedPath resolved;
  Walk(drive->hostFolder, segments, resolved);
  resolved.driveLetter = drive->letter;
  resolved.windowsPath = JoinWindows(drive->letter, segments);
  resolved.isRoot = segments.empty();
  return resolved;
}

bool IsDriveLetter(char ch) { return std::isalpha(static_cast<unsigned char>(ch)) != 0; }

// ---- Current directory ----
std::mutex g_currentLock;
std::optional<std::string> g_current;

std::string HostWorkingDirectory() {
  std::vector<char> buffer(4096);
  while (!getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE) return "/";
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

}  // namespace

// ---- Resolution ----

std::optional<ResolvedPath> ResolvePath(const char* path) {
  if (!path || !*path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return std::nullopt;
  }
  std::string_view text = path;
  if (text[0] == '/' && !(text.size() > 1 && text[1] == '/')) return ResolveHostSegments(Normalise(SplitSegments(text)));
  if (text.size() > 1 && IsSeparator(text[0]) && IsSeparator(text[1])) {
    // UNC names ("\\server\share") and device names ("\\?\", "\\.\") lead off this machine's drives.
    SetLastError(ERROR_INVALID_NAME);
    return std::nullopt;
  }
  std::string current = CurrentDirectory();
  bool currentIsHost = !current.empty() && current[0] == '/';
  char currentLetter = currentIsHost ? 0 : static_cast<char>(std::toupper(static_cast<unsigned char>(current[0])));
  std::vector<std::string> currentSegments = SplitSegments(currentIsHost ? std::string_view(current)
                                                                         : std::string_view(current).substr(2));

  if (text.size() >= 2 && IsDriveLetter(text[0]) && text[1] == ':') {
    char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    std::string_view rest = text.substr(2);
    std::vector<std::string> segments;
    // "D:name" is relative to the current directory when that is on D:, else to D:'s root.
    if (!(rest.size() > 0 && IsSeparator(rest[0])) && letter == currentLetter) segments = currentSegments;
    for (auto& segment : SplitSegments(rest)) segments.push_back(std::move(segment));
    return ResolveOnDrive(letter, Normalise(segments));
  }
  std::vector<std::string> segments;
  if (!IsSeparator(text[0])) segments = currentSegments;
  for (auto& segment : SplitSegments(text)) segments.push_back(std::move(segment));
  if (currentIsHost) return ResolveHostSegments(Normalise(segments));
  return ResolveOnDrive(currentLetter, Normalise(segments));
}

std::string HostPathOf(const char* path) {
  auto resolved = ResolvePath(path);
  return resolved ? resolved->hostPath : std::string();
}

std::optional<std::string> WindowsPathFromHost(std::string_view hostPath) {
  std::vector<std::string> segments = Normalise(SplitSegments(hostPath));
  auto drive = DriveTable::FindByHostPath(JoinHostForm(segments));
  if (!drive) return std::nullopt;
  std::vector<std::string> below;
  for (size_t i = SegmentCount(drive->hostFolder); i < segments.size(); ++i) {
    std::string name;
    if (!Utf8ToCp1252Exact(segments[i], &name)) {
      SetLastError(ERROR_INVALID_NAME);
      return std::nullopt;
    }
    below.push_back(std::move(name));
  }
  return JoinWindows(drive->letter, below);
}

std::string SystemPathFromHost(std::string_view hostPath) {
  if (auto windows = WindowsPathFromHost(hostPath)) return *windows;
  return Utf8ToCp1252(hostPath);
}

// ---- Current directory ----

std::string CurrentDirectory() {
  {
    std::lock_guard guard(g_currentLock);
    if (g_current) return *g_current;
  }
  return SystemPathFromHost(HostWorkingDirectory());
}

BOOL ChangeCurrentDirectory(const char* path) {
  auto resolved = ResolvePath(path);
  if (!resolved) return FALSE;
  if (!resolved->exists) {
    SetLastError(resolved->parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (!IsDirectory(resolved->hostPath)) {
    SetLastError(ERROR_DIRECTORY);
    return FALSE;
  }
  if (chdir(resolved->hostPath.c_str()) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  std::lock_guard guard(g_currentLock);
  g_current = resolved->windowsPath;
  return TRUE;
}

void ForgetCurrentDirectory() {
  std::lock_guard guard(g_currentLock);
  g_current.reset();
}

// ---- Names from outside ----

BOOL JoinUnderFolder(const char* folder, const char* name, CString& result) {
  auto refuse = [] {
    SetLastError(ERROR_INVALID_NAME);
    return FALSE;
  };
  if (!folder || !*folder || !name || !*name) return refuse();
  std::string_view text = name;
  if (IsSeparator(text[0]) || text.find(':') != std::string_view::npos) return refuse();
  std::vector<std::string> kept;
  for (auto& segment : SplitSegments(text)) {
    if (segment == ".") continue;
    // "..", and names of dots and blanks only, which the platform trims down to ".." or nothing.
    if (segment.find_first_not_of(". ") == std::string::npos) return refuse();
    if (HasForbiddenCharacter(segment)) return refuse();
    kept.push_back(std::move(segment));
  }
  if (kept.empty()) return refuse();
  std::string joined = folder;
  while (joined.size() > 1 && IsSeparator(joined.back())) joined.pop_back();
  if (joined.size() == 1 && IsSeparator(joined[0])) joined.clear();  // the host root "/"
  // Host folders keep the host's separator; the system's paths get the platform's.
  const char separator = folder[0] == '/' ? '/' : '\\';
  for (const auto& segment : kept) {
    joined += separator;
    joined += segment;
  }
  result = CString(joined);
  return TRUE;
}

}  // namespace qh
