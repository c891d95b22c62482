// The Quillmark module: the entry points of an in-process server with one class, TSLLogWriter.
#include <new>

#include "logwriter/TSLLogWriter.h"
#include "platform/com/ComServer.h"

namespace {

ComClassRegistration classRegistration() {
  return ComClassRegistration{CLSID_TSLLogWriter,
                              "TSLLogWriter Class",
                              kLogWriterProgId,
                              kLogWriterVersionIndependentProgId,
                              "both",
                              ComModulePathOf(reinterpret_cast<const void*>(&classRegistration))};
}

ComTypeLibRegistration typeLibRegistration() {
  return ComTypeLibRegistration{LIBID_QUILLMARKLib, "1.0", "Quillmark 1.0 Type Library",
                                ComModulePathOf(reinterpret_cast<const void*>(&classRegistration))};
}

}  // namespace

QH_COM_EXPORT HRESULT DllCanUnloadNow() { return ComModuleCounts::CanUnload() ? S_OK : S_FALSE; }

QH_COM_EXPORT HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_TSLLogWriter) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) ComClassFactory<TSLLogWriter>();
  if (!factory) return E_OUTOFMEMORY;
  factory->AddRef();
  HRESULT hr = factory->QueryInterface(riid, object);
  factory->Release();
  return hr;
}

QH_COM_EXPORT HRESULT DllRegisterServer() {
  HRESULT hr = ComRegisterClass(classRegistration());
  if (FAILED(hr)) return hr;
  return ComRegisterTypeLib(typeLibRegistration());
}

QH_COM_EXPORT HRESULT DllUnregisterServer() {
  HRESULT classResult = ComUnregisterClass(classRegistration());
  HRESULT libResult = ComUnregisterTypeLib(typeLibRegistration());
  return FAILED(classResult) ? classResult : libResult;
}
