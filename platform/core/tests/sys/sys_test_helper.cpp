// Second process of the inter-process tests:
//   hold-mutex <name>   takes the named mutex, prints "held" or "exists", then waits to be killed
//   registry-write <prefix> <count>
//                       writes <count> values "<prefix><n>" = n under HKCU\Software\Tallowmere\Race
//   exit <code>         ends with that exit code
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/core/NamedMutex.h"
#include "platform/core/Registry.h"

#include <string>

namespace {

int HoldMutex(const char* name) {
  HANDLE mutex = CreateMutex(nullptr, TRUE, name);
  const bool held = mutex != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
  std::printf("%s\n", mutex == nullptr ? "failed" : held ? "held" : "exists");
  std::fflush(stdout);
  if (held) sleep(60);  // killed by the test long before
  return held ? 0 : 1;
}

int WriteRegistryValues(const char* prefix, int count) {
  HKEY key = nullptr;
  if (RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Tallowmere\\Race", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                     nullptr) != ERROR_SUCCESS)
    return 1;
  int failures = 0;
  for (int i = 0; i < count; ++i) {
    const std::string name = prefix + std::to_string(i);
    const DWORD value = static_cast<DWORD>(i);
    if (RegSetValueEx(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) !=
        ERROR_SUCCESS)
      ++failures;
  }
  RegCloseKey(key);
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "exit") == 0) return std::atoi(argv[2]);
  if (argc >= 3 && std::strcmp(argv[1], "hold-mutex") == 0) return HoldMutex(argv[2]);
  if (argc >= 4 && std::strcmp(argv[1], "registry-write") == 0) return WriteRegistryValues(argv[2], std::atoi(argv[3]));
  std::fprintf(stderr, "usage: qh_sys_test_helper exit <code> | hold-mutex <name> | registry-write <prefix> <count>\n");
  return 2;
}
