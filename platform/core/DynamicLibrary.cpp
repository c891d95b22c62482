#include "platform/core/DynamicLibrary.h"

#include <dlfcn.h>

#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/core/Module.h"

#ifndef ERROR_MOD_NOT_FOUND
#define ERROR_MOD_NOT_FOUND 126L
#endif
#ifndef ERROR_PROC_NOT_FOUND
#define ERROR_PROC_NOT_FOUND 127L
#endif

namespace {

std::string SharedObjectName(const std::string& name) {
  std::string base = name;
  const auto slash = base.find_last_of("\\/");
  if (slash != std::string::npos) base = base.substr(slash + 1);
  if (base.size() > 4) {
    std::string ending = base.substr(base.size() - 4);
    for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ending == ".dll") base = base.substr(0, base.size() - 4);
  }
  for (char& c : base) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return base + ".so";
}

std::vector<std::string> SearchFolders() {
  std::vector<std::string> folders;
  const std::string own = qh::ProgramHostFolder();
  if (!own.empty()) folders.push_back(own);
  if (const char* extra = std::getenv("QH_LIBRARY_PATH")) {
    std::string list = extra;
    size_t start = 0;
    while (start <= list.size()) {
      size_t end = list.find(':', start);
      if (end == std::string::npos) end = list.size();
      if (end > start) folders.push_back(list.substr(start, end - start));
      start = end + 1;
    }
  }
  return folders;
}

bool IsSystemName(const std::string& name) {
  return name.size() > 4 && name.find('/') == std::string::npos &&
         (name.compare(name.size() - 4, 4, ".dll") == 0 || name.compare(name.size() - 4, 4, ".DLL") == 0);
}

}  // namespace

HMODULE LoadLibrary(LPCSTR fileName) {
  if (!fileName || !*fileName) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  const std::string name = fileName;
  void* handle = nullptr;
  if (IsSystemName(name)) {
    const std::string object = SharedObjectName(name);
    for (const std::string& folder : SearchFolders()) {
      handle = dlopen((folder + "/" + object).c_str(), RTLD_NOW | RTLD_LOCAL);
      if (handle) break;
    }
  } else {
    handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  if (!handle) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  if (!module || !procName) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  void* symbol = dlsym(reinterpret_cast<void*>(module), procName);
  if (!symbol) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) {
  if (!module) return FALSE;
  return dlclose(reinterpret_cast<void*>(module)) == 0 ? TRUE : FALSE;
}
