#include "platform/com/ComRuntime.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <string>

#include "platform/com/ComRegistryKeys.h"
#include "platform/core/Paths.h"

const IID IID_NULL = {0x00000000, 0x0000, 0x0000, {0, 0, 0, 0, 0, 0, 0, 0}};
const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_ISupportErrorInfo = {0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

namespace {

thread_local int t_initCount = 0;

// Server modules stay loaded while any of their objects may live; keyed by host path. A module is
// never unmapped (RTLD_NODELETE): what it left in its own globals stays valid for the whole process,
// and releasing it only drops it from this table.
struct LoadedModule {
  void* handle = nullptr;
  PFN_DllGetClassObject getClassObject = nullptr;
  PFN_DllCanUnloadNow canUnloadNow = nullptr;
};

std::mutex g_modulesMutex;
std::map<std::string, LoadedModule>& loadedModules() {
  static std::map<std::string, LoadedModule> modules;
  return modules;
}

HRESULT loadModule(const std::string& modulePath, LoadedModule* result) {
  std::string host = qh::HostPathOf(modulePath.c_str());
  if (host.empty()) return CO_E_DLLNOTFOUND;
  std::lock_guard<std::mutex> lock(g_modulesMutex);
  auto& modules = loadedModules();
  auto found = modules.find(host);
  if (found != modules.end()) {
    *result = found->second;
    return S_OK;
  }
  void* handle = dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!handle) return CO_E_DLLNOTFOUND;
  LoadedModule module;
  module.handle = handle;
  module.getClassObject = reinterpret_cast<PFN_DllGetClassObject>(dlsym(handle, "DllGetClassObject"));
  module.canUnloadNow = reinterpret_cast<PFN_DllCanUnloadNow>(dlsym(handle, "DllCanUnloadNow"));
  if (!module.getClassObject) {
    dlclose(handle);
    return CO_E_ERRORINDLL;
  }
  modules.emplace(host, module);
  *result = module;
  return S_OK;
}

}  // namespace

HRESULT CoInitializeEx(void*, DWORD) {
  // One model for every thread: the objects of this system serialise their own state.
  return t_initCount++ == 0 ? S_OK : S_FALSE;
}

HRESULT CoInitialize(void* reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

void CoUninitialize() {
  if (t_initCount > 0) --t_initCount;
}

HRESULT CLSIDFromProgID(const char* progId, CLSID* clsid) {
  if (!progId || !clsid) return E_INVALIDARG;
  std::string text;
  if (!ComReadClassesRootText((std::string(progId) + "\\CLSID").c_str(), &text)) return CO_E_CLASSSTRING;
  if (!ComGuidFromText(text.c_str(), clsid)) return CO_E_CLASSSTRING;
  return S_OK;
}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void*, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (t_initCount == 0) return CO_E_NOTINITIALIZED;
  if (!(context & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
  std::string modulePath;
  const std::string key = "CLSID\\" + ComGuidText(clsid) + "\\InprocServer32";
  if (!ComReadClassesRootText(key.c_str(), &modulePath) || modulePath.empty()) return REGDB_E_CLASSNOTREG;
  LoadedModule module;
  HRESULT hr = loadModule(modulePath, &module);
  if (FAILED(hr)) return hr;
  return module.getClassObject(clsid, riid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  IClassFactory* factory = nullptr;
  HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(outer, riid, object);
  factory->Release();
  return hr;
}

void CoFreeUnusedLibraries() {
  std::lock_guard<std::mutex> lock(g_modulesMutex);
  auto& modules = loadedModules();
  for (auto it = modules.begin(); it != modules.end();) {
    if (it->second.canUnloadNow && it->second.canUnloadNow() == S_OK) {
      dlclose(it->second.handle);
      it = modules.erase(it);
    } else {
      ++it;
    }
  }
}

HRESULT ComRegisterServerModule(const char* modulePath, bool unregister) {
  if (!modulePath) return E_INVALIDARG;
  std::string host = qh::HostPathOf(modulePath);
  if (host.empty()) return CO_E_DLLNOTFOUND;
  void* handle = dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!handle) return CO_E_DLLNOTFOUND;
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  auto function = reinterpret_cast<PFN_DllRegisterServer>(dlsym(handle, entry));
  HRESULT hr = function ? function() : CO_E_ERRORINDLL;
  dlclose(handle);
  return hr;
}
