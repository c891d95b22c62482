// qhregsvr: registers an in-process server module in the registry store (or removes it with /u).
//   qhregsvr [/u] [/s] <module>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/com/ComRuntime.h"

int main(int argc, char** argv) {
  bool unregister = false;
  bool silent = false;
  const char* module = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "/u") == 0 || std::strcmp(argv[i], "-u") == 0) {
      unregister = true;
    } else if (std::strcmp(argv[i], "/s") == 0 || std::strcmp(argv[i], "-s") == 0) {
      silent = true;
    } else if (!module) {
      module = argv[i];
    } else {
      module = nullptr;
      break;
    }
  }
  if (!module) {
    std::fprintf(stderr, "usage: qhregsvr [/u] [/s] <module>\n");
    return 2;
  }
  HRESULT hr = ComRegisterServerModule(module, unregister);
  if (FAILED(hr)) {
    std::fprintf(stderr, "qhregsvr: %s of %s failed (0x%08X)\n", unregister ? "DllUnregisterServer" : "DllRegisterServer",
                 module, static_cast<unsigned>(hr));
    return 1;
  }
  if (!silent) std::printf("qhregsvr: %s of %s succeeded\n", unregister ? "DllUnregisterServer" : "DllRegisterServer", module);
  return 0;
}
