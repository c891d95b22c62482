#include "platform/core/NamedMutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/core/Cp1252.h"

namespace qh {
namespace {

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case ELOOP: return ERROR_ACCESS_DENIED;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    default: return ERROR_INVALID_FUNCTION;
  }
}

// A folder this user made for itself: never a link, never someone else's (it may sit in /tmp).
bool EnsurePrivateFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    SetLastError(ErrorFromErrno(errno));
    return false;
  }
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return true;
}

// The held state of one named-mutex handle. The file lock belongs to this handle's open file, so
// another handle of the same name, even in this process, finds it held.
class NamedMutexObject : public MutexObject {
 public:
  explicit NamedMutexObject(int fd) : MutexObject(false), fd_(fd) {}
  ~NamedMutexObject() override { close(fd_); }

  bool IsSignalledLocked(DWORD threadId) const override {
    if (IsOwnedLocked()) return MutexObject::IsSignalledLocked(threadId);
    return fileLocked_ || TryLockFile();
  }
  // The lock attempt of CreateMutex; true when this handle now holds the file lock.
  bool TryLockFile() const {
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0) return false;
    fileLocked_ = true;
    return true;
  }
  void UnlockFile() {
    flock(fd_, LOCK_UN);
    fileLocked_ = false;
  }

 private:
  void OnFreedLocked() override { UnlockFile(); }

  const int fd_;
  mutable bool fileLocked_ = false;
};

}  // namespace

std::string LockDirectory() {
  if (const char* explicitFolder = std::getenv("QH_LOCK_DIR"); explicitFolder && *explicitFolder) {
    return EnsurePrivateFolder(explicitFolder) ? explicitFolder : std::string();
  }
  std::string folder;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
    folder = std::string(runtime) + "/quaverhouse";
  else
    folder = "/tmp/quaverhouse-" + std::to_string(geteuid());
  return EnsurePrivateFolder(folder) ? folder : std::string();
}

std::string LockFileNameFor(const std::string& name) {
  std::string lower = name;
  Cp1252MakeLower(lower);
  static const char kHex[] = "0123456789ABCDEF";
  std::string fileName;
  for (unsigned char c : lower) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    if (plain) {
      fileName += static_cast<char>(c);
    } else {
      fileName += '%';
      fileName += kHex[c >> 4];
      fileName += kHex[c & 0xF];
    }
  }
  return fileName + ".lock";
}

}  // namespace qh

HANDLE CreateMutex(LPSECURITY_ATTRIBUTES security, BOOL initialOwner, LPCSTR name) {
  if (name == nullptr) {
    SetLastError(ERROR_SUCCESS);
    return qh::RegisterHandle(std::make_shared<qh::MutexObject>(initialOwner != FALSE));
  }
  const std::string folder = qh::LockDirectory();
  if (folder.empty()) return nullptr;
  const std::string path = folder + "/" + qh::LockFileNameFor(name);
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    SetLastError(qh::ErrorFromErrno(errno));
    return nullptr;
  }
  auto mutex = std::make_shared<qh::NamedMutexObject>(fd);
  const bool heldElsewhere = !mutex->TryLockFile();
  if (!heldElsewhere) {
    if (initialOwner) {
      std::lock_guard guard(qh::KernelStateLock());
      mutex->AcquireLocked(GetCurrentThreadId());
    } else {
      mutex->UnlockFile();
    }
  }
  HANDLE handle = qh::RegisterHandle(mutex);
  SetLastError(heldElsewhere ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

BOOL ReleaseMutex(HANDLE handle) {
  if (auto mutex = qh::LookupHandleAs<qh::MutexObject>(handle)) return mutex->Release();
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}
