// The lock that keeps other processes off a database file while it is open: shared for a shared
// open, exclusive for an exclusive one (flock on a descriptor of its own, which SQLite's byte-range
// locks do not touch). Opens within one process share the lock, so one program may open a file it
// already has open exclusively.
#pragma once

#include <memory>
#include <string>

namespace qh::dao {

class FileLock {
 public:
  // The lock of `hostPath`; none (and `busy` set) when another process holds a conflicting one.
  static std::unique_ptr<FileLock> Acquire(const std::string& hostPath, bool exclusive, bool* busy);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  struct Key {
    unsigned long long device;
    unsigned long long inode;
    bool operator<(const Key& other) const {
      return device != other.device ? device < other.device : inode < other.inode;
    }
  };
  explicit FileLock(Key key) : m_key(key) {}
  Key m_key;
};

}  // namespace qh::dao
