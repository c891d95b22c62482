#include "controller/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "platform/core/Paths.h"

bool ReplaceFileContent(const CString& path, const std::string& content) {
  std::string hostPath = qh::HostPathOf(path);
  if (hostPath.empty()) return false;
  std::string temporary = hostPath + ".new";
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t written = 0;
  while (written < content.size()) {
    ssize_t n = write(fd, content.data() + written, content.size() - written);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  bool ok = written == content.size() && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok || std::rename(temporary.c_str(), hostPath.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  // The rename itself reaches the disk with its folder.
  std::string folder = hostPath.substr(0, hostPath.find_last_of('/') + 1);
  int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return true;
}
