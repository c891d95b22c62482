#include "platform/core/DynamicLibrary.h"

#include <dlfcn.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/core/FileApi.h"
#include "platform/core/Module.h"
#include "platform/core/Paths.h"

namespace {

bool EndsWithNoCase(const std::string& text, const std::string& tail) {
  if (text.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i) {
    char a = text[text.size() - tail.size() + i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (a != tail[i]) return false;
  }
  return true;
}

// The host library's file name: a ".dll" module is shipped as ".so"; a name without an extension
// gets one, as the platform adds ".dll".
std::string HostLibraryName(std::string name) {
  if (EndsWithNoCase(name, ".dll")) return name.substr(0, name.size() - 4) + ".so";
  size_t slash = name.find_last_of("/\\");
  size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name + ".so";
  return name;
}

std::string CurrentHostDirectory() {
  std::vector<char> buffer(4096);
  return getcwd(buffer.data(), buffer.size()) ? std::string(buffer.data()) : std::string();
}

void* OpenHostLibrary(const std::string& hostPath) {
  return dlopen(hostPath.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
}

void* OpenByName(const std::string& fileName) {
  std::string name = HostLibraryName(fileName);
  if (name.find_first_of("/\\") != std::string::npos) return OpenHostLibrary(qh::HostPathOf(name.c_str()));
  for (const std::string& folder : {qh::ProgramHostFolder(), CurrentHostDirectory()}) {
    if (folder.empty()) continue;
    std::string candidate = folder + "/" + name;
    if (access(candidate.c_str(), R_OK) != 0) continue;
    if (void* handle = OpenHostLibrary(candidate)) return handle;
  }
  return OpenHostLibrary(name);
}

}  // namespace

HMODULE LoadLibrary(LPCSTR fileName) {
  if (fileName == nullptr || *fileName == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  void* handle = OpenByName(fileName);
  if (handle == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return static_cast<HMODULE>(handle);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  if (module == nullptr || procName == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  dlerror();
  void* symbol = dlsym(static_cast<void*>(module), procName);
  if (symbol == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) {
  if (module == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // RTLD_NODELETE keeps the mapping; dropping the reference keeps the counts honest.
  return dlclose(static_cast<void*>(module)) == 0 ? TRUE : FALSE;
}
