#include "platform/core/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/core/Cp1252.h"

namespace {

// ---------------------------------------------------------------------------------------------
// The content of the store
// ---------------------------------------------------------------------------------------------

struct NoCaseLess {
  bool operator()(const std::string& a, const std::string& b) const { return Cp1252CompareNoCase(a, b) < 0; }
};

struct StoredValue {
  std::string name;  // as first spelled
  DWORD type = REG_NONE;
  std::string data;  // the value's bytes; a string without its terminating zero
};

struct StoredKey {
  std::string path;  // full path as first spelled, "HKEY_CURRENT_USER\Software\..."
  std::map<std::string, StoredValue, NoCaseLess> values;
  std::vector<std::string> keptLines;  // lines of this key the store could not read, as they were
};

struct StoreContent {
  std::vector<std::string> keptLines;  // unreadable lines before the first key
  std::map<std::string, StoredKey, NoCaseLess> keys;
};

constexpr std::string_view kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};

bool IsRootPath(const std::string& path) {
  for (std::string_view root : kRootNames)
    if (Cp1252EqualNoCase(path, root)) return true;
  return false;
}

bool KeyExists(const StoreContent& content, const std::string& path) {
  return IsRootPath(path) || content.keys.count(path) != 0;
}

std::string ParentPath(const std::string& path) {
  const auto slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The key, made with every missing key above it.
StoredKey& CreateKey(StoreContent& content, const std::string& path, bool* created) {
  *created = false;
  for (std::string parent = ParentPath(path); !parent.empty() && !IsRootPath(parent); parent = ParentPath(parent))
    content.keys.try_emplace(parent, StoredKey{parent, {}, {}});
  auto [it, inserted] = content.keys.try_emplace(path, StoredKey{path, {}, {}});
  *created = inserted;
  return it->second;
}

// Names of the direct subkeys of a key, in name order without case.
std::vector<std::string> SubkeyNames(const StoreContent& content, const std::string& path) {
  std::vector<std::string> names;
  const std::string prefix = path + "\\";
  for (const auto& [keyPath, key] : content.keys) {
    if (keyPath.size() <= prefix.size() || !Cp1252EqualNoCase(std::string_view(keyPath).substr(0, prefix.size()), prefix))
      continue;
    std::string rest = key.path.substr(prefix.size());
    if (rest.find('\\') == std::string::npos) names.push_back(std::move(rest));
  }
  std::sort(names.begin(), names.end(), NoCaseLess());
  return names;
}

// ---------------------------------------------------------------------------------------------
// The text form of the store
// ---------------------------------------------------------------------------------------------

constexpr char kHexDigits[] = "0123456789abcdef";

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '\\' || c == '"') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      out += "\\x";
      out += kHexDigits[c >> 4];
      out += kHexDigits[c & 0xF];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted text at `pos`; moves pos past the closing quote.
std::optional<std::string> ReadQuoted(std::string_view line, size_t& pos) {
  if (pos >= line.size() || line[pos] != '"') return std::nullopt;
  std::string out;
  for (++pos; pos < line.size(); ++pos) {
    const char c = line[pos];
    if (c == '"') {
      ++pos;
      return out;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++pos >= line.size()) return std::nullopt;
    if (line[pos] == 'x') {
      if (pos + 2 >= line.size()) return std::nullopt;
      const int high = HexDigit(line[pos + 1]), low = HexDigit(line[pos + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      out += static_cast<char>(high * 16 + low);
      pos += 2;
    } else {
      out += line[pos];
    }
  }
  return std::nullopt;
}

std::string HexBytes(std::string_view data) {
  std::string out;
  for (size_t i = 0; i < data.size(); ++i) {
    if (i) out += ',';
    const auto c = static_cast<unsigned char>(data[i]);
    out += kHexDigits[c >> 4];
    out += kHexDigits[c & 0xF];
  }
  return out;
}

std::optional<std::string> ReadHexBytes(std::string_view text) {
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    if (pos + 1 >= text.size()) return std::nullopt;
    const int high = HexDigit(text[pos]), low = HexDigit(text[pos + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    pos += 2;
    if (pos < text.size() && text[pos++] != ',') return std::nullopt;
  }
  return out;
}

std::string ValueLine(const StoredValue& value) {
  std::string line = value.name.empty() ? "@" : Quoted(value.name);
  line += '=';
  if (value.type == REG_SZ) {
    line += Quoted(value.data);
  } else if (value.type == REG_DWORD && value.data.size() == 4) {
    DWORD number = 0;
    std::memcpy(&number, value.data.data(), 4);
    char digits[16];
    std::snprintf(digits, sizeof digits, "dword:%08x", number);
    line += digits;
  } else if (value.type == REG_BINARY) {
    line += "hex:" + HexBytes(value.data);
  } else {
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
    line += prefix + HexBytes(value.data);
  }
  return line;
}

std::optional<StoredValue> ParseValueLine(std::string_view line) {
  StoredValue value;
  size_t pos = 0;
  if (!line.empty() && line[0] == '@') {
    pos = 1;
  } else {
    auto name = ReadQuoted(line, pos);
    if (!name || name->empty()) return std::nullopt;
    value.name = *name;
  }
  if (pos >= line.size() || line[pos++] != '=') return std::nullopt;
  const std::string_view data = line.substr(pos);
  if (!data.empty() && data[0] == '"') {
    size_t quotedPos = pos;
    auto text = ReadQuoted(line, quotedPos);
    if (!text || quotedPos != line.size()) return std::nullopt;
    value.type = REG_SZ;
    value.data = *text;
  } else if (data.starts_with("dword:")) {
    const std::string_view digits = data.substr(6);
    if (digits.size() != 8) return std::nullopt;
    DWORD number = 0;
    for (char c : digits) {
      const int digit = HexDigit(c);
      if (digit < 0) return std::nullopt;
      number = number * 16 + static_cast<DWORD>(digit);
    }
    value.type = REG_DWORD;
    value.data.assign(reinterpret_cast<const char*>(&number), 4);
  } else if (data.starts_with("hex:")) {
    auto bytes = ReadHexBytes(data.substr(4));
    if (!bytes) return std::nullopt;
    value.type = REG_BINARY;
    value.data = *bytes;
  } else if (data.starts_with("hex(")) {
    const auto close = data.find("):");
    if (close == std::string_view::npos) return std::nullopt;
    char* end = nullptr;
    const std::string typeText(data.substr(4, close - 4));
    const unsigned long type = std::strtoul(typeText.c_str(), &end, 16);
    auto bytes = ReadHexBytes(data.substr(close + 2));
    if (typeText.empty() || *end != '\0' || type > 0xFFFFFFFFul || !bytes) return std::nullopt;
    value.type = static_cast<DWORD>(type);
    value.data = *bytes;
  } else {
    return std::nullopt;
  }
  return value;
}

constexpr std::string_view kStoreHeader =
    "; Quaverhouse registry store. Keys in [brackets]; values \"name\"=\"text\", \"name\"=dword:hex8,\n"
    "; \"name\"=hex:bytes. Written whole by the system's programs: edit only while none of them runs.\n";

std::string Serialize(const StoreContent& content) {
  std::string text(kStoreHeader);
  for (const auto& line : content.keptLines) text += line + "\n";
  for (const auto& [path, key] : content.keys) {
    text += "\n" + Cp1252ToUtf8("[" + key.path + "]") + "\n";
    for (const auto& [name, value] : key.values) text += Cp1252ToUtf8(ValueLine(value)) + "\n";
    for (const auto& line : key.keptLines) text += line + "\n";
  }
  return text;
}

std::string_view TrimmedLine(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  return line;
}

StoreContent Parse(std::string_view text, const std::string& storePath) {
  StoreContent content;
  StoredKey* current = nullptr;
  int unreadable = 0;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view rawLine = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const std::string_view utf8Line = TrimmedLine(rawLine);
    if (utf8Line.empty() || utf8Line[0] == ';' || utf8Line[0] == '#') continue;
    if (utf8Line.front() == '[' && utf8Line.back() == ']' && utf8Line.size() > 2) {
      bool created = false;
      current = &CreateKey(content, Utf8ToCp1252(utf8Line.substr(1, utf8Line.size() - 2)), &created);
      continue;
    }
    // A value whose text the code page cannot hold exactly is kept as a line, so a rewrite keeps it.
    std::string line;
    auto value = current && Utf8ToCp1252Exact(utf8Line, &line) ? ParseValueLine(line) : std::nullopt;
    if (value) {
      current->values[value->name] = *value;
    } else {
      ++unreadable;
      (current ? current->keptLines : content.keptLines).emplace_back(rawLine);
    }
  }
  if (unreadable)
    std::fprintf(stderr, "registry: %d unreadable line(s) in %s are kept as they are\n", unreadable, storePath.c_str());
  return content;
}

// ---------------------------------------------------------------------------------------------
// The store file
// ---------------------------------------------------------------------------------------------

LONG ErrorFromErrno(int error, LONG fallback) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS: return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    default: return fallback;
  }
}

struct FileStamp {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  bool operator==(const FileStamp& o) const {
    return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
           modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
  }
};

std::optional<FileStamp> StampOf(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return FileStamp{};
    return std::nullopt;
  }
  return FileStamp{true, info.st_dev, info.st_ino, info.st_size, info.st_mtim};
}

// File times may be as coarse as a few milliseconds, and a renamed-over file may reuse an inode: a
// stamp this recent cannot prove the file unchanged, so the store is read again.
bool StampIsRecent(const FileStamp& stamp) {
  return stamp.exists && std::time(nullptr) - stamp.modified.tv_sec < 2;
}

LONG ReadWholeFile(const std::string& path, std::string* text) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return errno == ENOENT ? ERROR_SUCCESS : ErrorFromErrno(errno, ERROR_READ_FAULT);
  char buffer[65536];
  size_t got;
  text->clear();
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text->append(buffer, got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  return failed ? ERROR_READ_FAULT : ERROR_SUCCESS;
}

LONG WriteFileAtomically(const std::string& path, const std::string& text) {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  const std::string temporary = path + ".tmp." + std::to_string(getpid());
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return ErrorFromErrno(errno, ERROR_WRITE_FAULT);
  size_t written = 0;
  int error = 0;
  while (written < text.size()) {
    const ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : ENOSPC;
      break;
    }
    written += static_cast<size_t>(n);
  }
  if (!error && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && !error) error = errno;
  if (!error && rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error) {
    unlink(temporary.c_str());
    return ErrorFromErrno(error, ERROR_WRITE_FAULT);
  }
  return ERROR_SUCCESS;
}

// The exclusive lock of the store between programs, given up after 15 s rather than hanging.
class StoreFileLock {
 public:
  explicit StoreFileLock(const std::string& storePath) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(storePath).parent_path(), ignored);
    fd_ = open((storePath + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
      error_ = ErrorFromErrno(errno, ERROR_ACCESS_DENIED);
      return;
    }
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK && errno != EINTR) {
        error_ = ERROR_ACCESS_DENIED;
        return;
      }
      if (std::chrono::steady_clock::now() > giveUp) {
        error_ = ERROR_TIMEOUT;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  ~StoreFileLock() {
    if (fd_ >= 0) close(fd_);  // closing gives the lock up
  }
  StoreFileLock(const StoreFileLock&) = delete;
  StoreFileLock& operator=(const StoreFileLock&) = delete;
  LONG Error() const { return error_; }

 private:
  int fd_ = -1;
  LONG error_ = ERROR_SUCCESS;
};

// The store of this process: the content as last read, refreshed when the file changed.
class RegistryStore {
 public:
  static RegistryStore& Instance() {
    static RegistryStore* store = new RegistryStore;
    return *store;
  }

  // Runs `read` on the current content.
  LONG Read(const std::function<LONG(const StoreContent&)>& read) {
    std::lock_guard guard(lock_);
    if (LONG error = Refresh(false)) return error;
    return read(content_);
  }

  // Runs `change` on the current content under the store's lock and writes the result when `change`
  // succeeds and reports that it changed something.
  LONG Modify(const std::function<LONG(StoreContent&, bool* changed)>& change) {
    std::lock_guard guard(lock_);
    SelectStore();
    StoreFileLock fileLock(path_);
    if (LONG error = fileLock.Error()) return Report(error, "lock");
    if (LONG error = Refresh(true)) return error;
    StoreContent changedContent = content_;
    bool changed = false;
    if (LONG error = change(changedContent, &changed)) return error;
    if (!changed) return ERROR_SUCCESS;
    if (LONG error = WriteFileAtomically(path_, Serialize(changedContent))) return Report(error, "write");
    content_ = std::move(changedContent);
    stamp_ = StampOf(path_).value_or(FileStamp{});
    return ERROR_SUCCESS;
  }

 private:
  // Follows QH_REGISTRY: a test or a program may point it elsewhere at any time.
  void SelectStore() {
    std::string path = qh::RegistryStorePath();
    if (path != path_) {
      path_ = std::move(path);
      loaded_ = false;
    }
  }

  LONG Refresh(bool always) {
    SelectStore();
    auto stamp = StampOf(path_);
    if (!stamp) return Report(ERROR_READ_FAULT, "read");
    if (loaded_ && !always && *stamp == stamp_ && !StampIsRecent(*stamp)) return ERROR_SUCCESS;
    std::string text;
    if (LONG error = ReadWholeFile(path_, &text)) return Report(error, "read");
    content_ = Parse(text, path_);
    stamp_ = *stamp;
    loaded_ = true;
    return ERROR_SUCCESS;
  }

  LONG Report(LONG error, const char* what) {
    std::fprintf(stderr, "registry: cannot %s %s (error %ld)\n", what, path_.c_str(), static_cast<long>(error));
    return error;
  }

  std::mutex lock_;
  std::string path_;
  bool loaded_ = false;
  FileStamp stamp_;
  StoreContent content_;
};

// ---------------------------------------------------------------------------------------------
// Key handles
// ---------------------------------------------------------------------------------------------

class OpenKeys {
 public:
  static OpenKeys& Instance() {
    static OpenKeys* keys = new OpenKeys;
    return *keys;
  }
  HKEY Add(std::string path) {
    std::lock_guard guard(lock_);
    next_ += 4;
    paths_.emplace(next_, std::move(path));
    return reinterpret_cast<HKEY>(next_);
  }
  std::optional<std::string> PathOf(HKEY key) {
    if (key == HKEY_CLASSES_ROOT) return std::string(kRootNames[0]);
    if (key == HKEY_CURRENT_USER) return std::string(kRootNames[1]);
    if (key == HKEY_LOCAL_MACHINE) return std::string(kRootNames[2]);
    std::lock_guard guard(lock_);
    auto it = paths_.find(reinterpret_cast<ULONG_PTR>(key));
    if (it == paths_.end()) return std::nullopt;
    return it->second;
  }
  bool Remove(HKEY key) {
    std::lock_guard guard(lock_);
    return paths_.erase(reinterpret_cast<ULONG_PTR>(key)) != 0;
  }

 private:
  std::mutex lock_;
  ULONG_PTR next_ = 0x1000;
  std::unordered_map<ULONG_PTR, std::string> paths_;
};

constexpr size_t kMaxKeyNameLength = 255;

// The full path of `subKey` below `key`; an error for an unknown handle or a malformed name.
LONG FullPath(HKEY key, LPCSTR subKey, std::string* path) {
  auto base = OpenKeys::Instance().PathOf(key);
  if (!base) return ERROR_INVALID_HANDLE;
  *path = *base;
  std::string_view rest = subKey ? subKey : "";
  while (!rest.empty()) {
    const auto slash = rest.find('\\');
    const std::string_view name = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (name.empty()) continue;
    if (name.size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
    for (unsigned char c : name)
      if (c < 0x20 || c == 0x7F) return ERROR_INVALID_PARAMETER;
    *path += '\\';
    *path += name;
  }
  return ERROR_SUCCESS;
}

// Why a key cannot be used: the handle's own key went away since it was opened, or the subkey is missing.
LONG MissingKeyError(const StoreContent& content, HKEY key) {
  auto base = OpenKeys::Instance().PathOf(key);
  return base && !KeyExists(content, *base) ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
}

const StoredKey* FindKey(const StoreContent& content, const std::string& path) {
  auto it = content.keys.find(path);
  return it == content.keys.end() ? nullptr : &it->second;
}

// Copies a value's data in the platform's form (strings with their terminating zero).
LONG CopyValueOut(const StoredValue& value, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  std::string bytes = value.data;
  if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) bytes += '\0';
  if (type) *type = value.type;
  if (data && !dataSize) return ERROR_INVALID_PARAMETER;
  if (!dataSize) return ERROR_SUCCESS;
  const DWORD needed = static_cast<DWORD>(bytes.size());
  if (data && *dataSize < needed) {
    *dataSize = needed;
    return ERROR_MORE_DATA;
  }
  if (data) std::memcpy(data, bytes.data(), bytes.size());
  *dataSize = needed;
  return ERROR_SUCCESS;
}

// Copies a name into a caller's buffer of *size characters; *size becomes its length.
LONG CopyNameOut(const std::string& name, LPSTR buffer, LPDWORD size) {
  if (!buffer || !size) return ERROR_INVALID_PARAMETER;
  if (*size < name.size() + 1) {
    *size = static_cast<DWORD>(name.size() + 1);
    return ERROR_MORE_DATA;
  }
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  *size = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

std::string ValueNameOf(LPCSTR valueName) { return valueName ? valueName : ""; }

}  // namespace

namespace qh {

std::string RegistryStorePath() {
  if (const char* explicitPath = std::getenv("QH_REGISTRY"); explicitPath && *explicitPath) return explicitPath;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
    return std::string(config) + "/quaverhouse/registry";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.config/quaverhouse/registry";
}

}  // namespace qh

LONG RegOpenKeyEx(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::string path;
  if (LONG error = FullPath(key, subKey, &path)) return error;
  const LONG error = RegistryStore::Instance().Read([&](const StoreContent& content) -> LONG {
    return KeyExists(content, path) ? ERROR_SUCCESS : MissingKeyError(content, key);
  });
  if (error == ERROR_SUCCESS) *result = OpenKeys::Instance().Add(path);
  return error;
}

LONG RegCreateKeyEx(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                    LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::string path;
  if (LONG error = FullPath(key, subKey, &path)) return error;
  bool created = false;
  const LONG error = RegistryStore::Instance().Modify([&](StoreContent& content, bool* changed) -> LONG {
    if (MissingKeyError(content, key) == ERROR_KEY_DELETED) return ERROR_KEY_DELETED;
    if (!IsRootPath(path)) CreateKey(content, path, &created);
    *changed = created;
    return ERROR_SUCCESS;
  });
  if (error != ERROR_SUCCESS) return error;
  *result = OpenKeys::Instance().Add(path);
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LONG RegQueryValueEx(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  std::string path;
  if (LONG error = FullPath(key, nullptr, &path)) return error;
  return RegistryStore::Instance().Read([&](const StoreContent& content) -> LONG {
    const StoredKey* stored = FindKey(content, path);
    if (!stored) return IsRootPath(path) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
    auto value = stored->values.find(ValueNameOf(valueName));
    if (value == stored->values.end()) return ERROR_FILE_NOT_FOUND;
    return CopyValueOut(value->second, type, data, dataSize);
  });
}

LONG RegSetValueEx(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize) {
  if (!data && dataSize) return ERROR_INVALID_PARAMETER;
  std::string bytes(reinterpret_cast<const char*>(data), data ? dataSize : 0);
  if (type == REG_SZ || type == REG_EXPAND_SZ) bytes = bytes.substr(0, bytes.find('\0'));
  if (type == REG_DWORD && bytes.size() != 4) return ERROR_INVALID_PARAMETER;
  std::string path;
  if (LONG error = FullPath(key, nullptr, &path)) return error;
  return RegistryStore::Instance().Modify([&](StoreContent& content, bool* changed) -> LONG {
    if (!KeyExists(content, path)) return ERROR_KEY_DELETED;
    bool created = false;
    StoredKey& stored = CreateKey(content, path, &created);  // a root key holds values too
    const std::string name = ValueNameOf(valueName);
    auto [it, inserted] = stored.values.try_emplace(name, StoredValue{name, type, bytes});
    if (!inserted) {
      *changed = it->second.type != type || it->second.data != bytes;
      it->second.type = type;
      it->second.data = bytes;
    } else {
      *changed = true;
    }
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteValue(HKEY key, LPCSTR valueName) {
  std::string path;
  if (LONG error = FullPath(key, nullptr, &path)) return error;
  return RegistryStore::Instance().Modify([&](StoreContent& content, bool* changed) -> LONG {
    auto stored = content.keys.find(path);
    if (stored == content.keys.end()) return IsRootPath(path) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
    *changed = stored->second.values.erase(ValueNameOf(valueName)) != 0;
    return *changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  });
}

namespace {

LONG DeleteKey(HKEY key, LPCSTR subKey, bool withSubkeys) {
  if (!subKey) return ERROR_INVALID_PARAMETER;
  std::string path;
  if (LONG error = FullPath(key, subKey, &path)) return error;
  if (IsRootPath(path)) return ERROR_ACCESS_DENIED;
  return RegistryStore::Instance().Modify([&](StoreContent& content, bool* changed) -> LONG {
    if (!content.keys.count(path)) return MissingKeyError(content, key);
    const std::string prefix = path + "\\";
    std::vector<std::string> below;
    for (const auto& [keyPath, stored] : content.keys)
      if (keyPath.size() > prefix.size() && Cp1252EqualNoCase(std::string_view(keyPath).substr(0, prefix.size()), prefix))
        below.push_back(keyPath);
    if (!below.empty() && !withSubkeys) return ERROR_ACCESS_DENIED;
    for (const auto& keyPath : below) content.keys.erase(keyPath);
    content.keys.erase(path);
    *changed = true;
    return ERROR_SUCCESS;
  });
}

}  // namespace

LONG RegDeleteKey(HKEY key, LPCSTR subKey) { return DeleteKey(key, subKey, false); }

LONG RegDeleteTree(HKEY key, LPCSTR subKey) { return DeleteKey(key, subKey, true); }

LONG RegEnumKeyEx(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPSTR keyClass,
                  LPDWORD keyClassSize, LPFILETIME lastWriteTime) {
  std::string path;
  if (LONG error = FullPath(key, nullptr, &path)) return error;
  return RegistryStore::Instance().Read([&](const StoreContent& content) -> LONG {
    if (!KeyExists(content, path)) return ERROR_KEY_DELETED;
    const auto names = SubkeyNames(content, path);
    if (index >= names.size()) return ERROR_NO_MORE_ITEMS;
    if (keyClassSize) *keyClassSize = 0;
    if (keyClass) *keyClass = '\0';
    if (lastWriteTime) *lastWriteTime = FILETIME{};
    return CopyNameOut(names[index], name, nameSize);
  });
}

LONG RegEnumValue(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type,
                  LPBYTE data, LPDWORD dataSize) {
  std::string path;
  if (LONG error = FullPath(key, nullptr, &path)) return error;
  return RegistryStore::Instance().Read([&](const StoreContent& content) -> LONG {
    if (!KeyExists(content, path)) return ERROR_KEY_DELETED;
    const StoredKey* stored = FindKey(content, path);
    if (!stored || index >= stored->values.size()) return ERROR_NO_MORE_ITEMS;
    const StoredValue& value = std::next(stored->values.begin(), index)->second;
    if (LONG error = CopyNameOut(value.name, name, nameSize)) return error;
    return CopyValueOut(value, type, data, dataSize);
  });
}

LONG RegCloseKey(HKEY key) {
  if (key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
  return OpenKeys::Instance().Remove(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

// ---------------------------------------------------------------------------------------------
// The application profile
// ---------------------------------------------------------------------------------------------

namespace {

// An open key closed at the end of the scope.
class KeyHolder {
 public:
  KeyHolder() = default;
  ~KeyHolder() {
    if (key_) RegCloseKey(key_);
  }
  KeyHolder(const KeyHolder&) = delete;
  KeyHolder& operator=(const KeyHolder&) = delete;
  PHKEY Out() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

void ProfileStore::SetProfileName(LPCSTR applicationName) { application_ = applicationName ? applicationName : ""; }

void ProfileStore::SetRegistryKey(LPCSTR company) { company_ = company ? company : ""; }

CString ProfileStore::GetAppRegistryPath() const { return CString("Software\\" + company_ + "\\" + application_); }

std::string ProfileStore::SectionPath(LPCSTR section) const {
  std::string path = "Software\\" + company_ + "\\" + application_;
  if (section && *section) path += std::string("\\") + section;
  return path;
}

UINT ProfileStore::GetProfileInt(LPCSTR section, LPCSTR entry, int defaultValue) const {
  KeyHolder key;
  if (!HasRegistryKey() || RegOpenKeyEx(HKEY_CURRENT_USER, SectionPath(section).c_str(), 0, KEY_READ, key.Out()))
    return static_cast<UINT>(defaultValue);
  DWORD type = 0, value = 0, size = sizeof value;
  if (RegQueryValueEx(key.Get(), entry, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD)
    return static_cast<UINT>(defaultValue);
  return value;
}

CString ProfileStore::GetProfileString(LPCSTR section, LPCSTR entry, LPCSTR defaultValue) const {
  const CString fallback(defaultValue ? defaultValue : "");
  KeyHolder key;
  if (!HasRegistryKey() || RegOpenKeyEx(HKEY_CURRENT_USER, SectionPath(section).c_str(), 0, KEY_READ, key.Out()))
    return fallback;
  DWORD type = 0, size = 0;
  if (RegQueryValueEx(key.Get(), entry, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
    return fallback;
  std::string text(size, '\0');
  if (RegQueryValueEx(key.Get(), entry, nullptr, &type, reinterpret_cast<LPBYTE>(text.data()), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return fallback;
  text.resize(std::strlen(text.c_str()));
  return CString(text);
}

BOOL ProfileStore::WriteProfileInt(LPCSTR section, LPCSTR entry, int value) {
  KeyHolder key;
  if (!HasRegistryKey() || !entry ||
      RegCreateKeyEx(HKEY_CURRENT_USER, SectionPath(section).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.Out(), nullptr))
    return FALSE;
  const DWORD number = static_cast<DWORD>(value);
  return RegSetValueEx(key.Get(), entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number) ==
         ERROR_SUCCESS;
}

BOOL ProfileStore::WriteProfileString(LPCSTR section, LPCSTR entry, LPCSTR value) {
  if (!HasRegistryKey()) return FALSE;
  if (!entry) {
    // Deleting a whole section; never the application key itself, which holds every setting.
    if (!section || !*section) return FALSE;
    KeyHolder application;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, SectionPath(nullptr).c_str(), 0, KEY_WRITE, application.Out())) return FALSE;
    return RegDeleteTree(application.Get(), section) == ERROR_SUCCESS;
  }
  KeyHolder key;
  if (!value) {
    if (RegOpenKeyEx(HKEY_CURRENT_USER, SectionPath(section).c_str(), 0, KEY_WRITE, key.Out())) return FALSE;
    return RegDeleteValue(key.Get(), entry) == ERROR_SUCCESS;
  }
  if (RegCreateKeyEx(HKEY_CURRENT_USER, SectionPath(section).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.Out(),
                     nullptr))
    return FALSE;
  return RegSetValueEx(key.Get(), entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>(std::strlen(value) + 1)) == ERROR_SUCCESS;
}
