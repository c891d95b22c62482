#include "platform/com/ComServer.h"

#include <dlfcn.h>

#include <cstdlib>

#include "platform/com/ComRegistryKeys.h"
#include "platform/core/Paths.h"

std::string ComModulePathOf(const void* anyFunctionOfIt) {
  Dl_info info{};
  if (!dladdr(anyFunctionOfIt, &info) || !info.dli_fname) return std::string();
  char* absolute = realpath(info.dli_fname, nullptr);
  std::string host = absolute ? absolute : info.dli_fname;
  std::free(absolute);
  return qh::SystemPathFromHost(host);
}

namespace {

bool writeProgId(const char* progId, const ComClassRegistration& registration, const std::string& clsidText) {
  return ComWriteClassesRootText(progId, "", registration.description) &&
         ComWriteClassesRootText((std::string(progId) + "\\CLSID").c_str(), "", clsidText);
}

std::string classKey(const GUID& clsid) { return "CLSID\\" + ComGuidText(clsid); }

std::string typeLibKey(const GUID& libid) { return "TypeLib\\" + ComGuidText(libid); }

}  // namespace

HRESULT ComRegisterClass(const ComClassRegistration& registration) {
  if (registration.modulePath.empty()) return SELFREG_E_CLASS;
  const std::string clsidText = ComGuidText(registration.clsid);
  const std::string key = classKey(registration.clsid);
  // The class key is rewritten whole; the CLSID key above it is shared by every class and stays.
  bool ok = ComDeleteClassesRootTree(key.c_str()) && writeProgId(registration.progId, registration, clsidText) &&
            writeProgId(registration.versionIndependentProgId, registration, clsidText) &&
            ComWriteClassesRootText(key.c_str(), "", registration.description) &&
            ComWriteClassesRootText((key + "\\ProgID").c_str(), "", registration.progId) &&
            ComWriteClassesRootText((key + "\\VersionIndependentProgID").c_str(), "",
                                    registration.versionIndependentProgId) &&
            ComWriteClassesRootText((key + "\\InprocServer32").c_str(), "", registration.modulePath) &&
            ComWriteClassesRootText((key + "\\InprocServer32").c_str(), "ThreadingModel", registration.threadingModel);
  return ok ? S_OK : SELFREG_E_CLASS;
}

HRESULT ComUnregisterClass(const ComClassRegistration& registration) {
  bool ok = ComDeleteClassesRootTree(registration.progId) &&
            ComDeleteClassesRootTree(registration.versionIndependentProgId) &&
            ComDeleteClassesRootTree(classKey(registration.clsid).c_str());
  return ok ? S_OK : SELFREG_E_CLASS;
}

HRESULT ComRegisterTypeLib(const ComTypeLibRegistration& registration) {
  const std::string key = typeLibKey(registration.libid) + "\\" + registration.version;
  bool ok = ComWriteClassesRootText(key.c_str(), "", registration.helpText) &&
            ComWriteClassesRootText((key + "\\0\\linux").c_str(), "", registration.modulePath);
  return ok ? S_OK : SELFREG_E_TYPELIB;
}

HRESULT ComUnregisterTypeLib(const ComTypeLibRegistration& registration) {
  return ComDeleteClassesRootTree(typeLibKey(registration.libid).c_str()) ? S_OK : SELFREG_E_TYPELIB;
}
