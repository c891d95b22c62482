#include "platform/dao/DaoFileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>

namespace qh::dao {
namespace {

struct Held {
  pid_t owner = 0;  // a child made by fork inherits the table but not the right to the lock
  int fd = -1;
  bool exclusive = false;
  int users = 0;
};

std::mutex& TableMutex() {
  static std::mutex mutex;
  return mutex;
}

// Closing a descriptor drops every POSIX lock the process has on the file, SQLite's included, so
// the descriptor stays open as long as any database of the process uses the file.
template <typename Key>
std::map<Key, Held>& Table() {
  static std::map<Key, Held> table;
  return table;
}

}  // namespace

std::unique_ptr<FileLock> FileLock::Acquire(const std::string& hostPath, bool exclusive, bool* busy) {
  *busy = false;
  struct stat info {};
  if (::stat(hostPath.c_str(), &info) != 0) return nullptr;
  Key key{static_cast<unsigned long long>(info.st_dev), static_cast<unsigned long long>(info.st_ino)};
  std::lock_guard<std::mutex> guard(TableMutex());
  auto& table = Table<Key>();
  auto found = table.find(key);
  if (found != table.end() && found->second.owner != ::getpid()) {
    ::close(found->second.fd);  // the parent's lock stays: its own descriptor keeps it
    table.erase(found);
    found = table.end();
  }
  if (found != table.end()) {
    Held& held = found->second;
    if (exclusive && !held.exclusive) {
      if (::flock(held.fd, LOCK_EX | LOCK_NB) != 0) {
        *busy = true;
        return nullptr;
      }
      held.exclusive = true;
    }
    ++held.users;
    return std::unique_ptr<FileLock>(new FileLock(key));
  }
  int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
    *busy = errno == EWOULDBLOCK;
    ::close(fd);
    return nullptr;
  }
  table[key] = Held{::getpid(), fd, exclusive, 1};
  return std::unique_ptr<FileLock>(new FileLock(key));
}

FileLock::~FileLock() {
  std::lock_guard<std::mutex> guard(TableMutex());
  auto& table = Table<Key>();
  auto found = table.find(m_key);
  if (found == table.end() || found->second.owner != ::getpid()) return;
  if (--found->second.users == 0) {
    ::close(found->second.fd);
    table.erase(found);
  }
}

}  // namespace qh::dao
