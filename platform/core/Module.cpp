#include "platform/core/Module.h"

#include <unistd.h>

#include <vector>

#include "platform/core/Paths.h"

namespace qh {

std::string ProgramHostFolder() {
  std::vector<char> buffer(4096);
  ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return {};
  std::string path(buffer.data(), static_cast<size_t>(length));
  size_t cut = path.find_last_of('/');
  return cut == 0 ? "/" : path.substr(0, cut);
}

std::string ProgramFolder() {
  std::string host = ProgramHostFolder();
  return host.empty() ? host : SystemPathFromHost(host);
}

}  // namespace qh
