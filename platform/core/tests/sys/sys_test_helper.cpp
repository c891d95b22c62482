// Second process of the inter-process tests:
//   hold-mutex <name>   takes the named mutex, prints "held" or "exists", then waits to be killed
//   exit <code>         ends with that exit code
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/core/NamedMutex.h"

namespace {

int HoldMutex(const char* name) {
  HANDLE mutex = CreateMutex(nullptr, TRUE, name);
  const bool held = mutex != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
  std::printf("%s\n", mutex == nullptr ? "failed" : held ? "held" : "exists");
  std::fflush(stdout);
  if (held) sleep(60);  // killed by the test long before
  return held ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "exit") == 0) return std::atoi(argv[2]);
  if (argc >= 3 && std::strcmp(argv[1], "hold-mutex") == 0) return HoldMutex(argv[2]);
  std::fprintf(stderr, "usage: qh_sys_test_helper exit <code> | hold-mutex <name>\n");
  return 2;
}
