// Building blocks of an in-process COM server: the module's object and lock counts, a class factory,
// and the registration of a class and its type library under HKEY_CLASSES_ROOT.
#pragma once

#include <atomic>
#include <new>
#include <string>

#include "platform/com/ComTypes.h"

// Every object and every server lock of a module keeps it loaded (DllCanUnloadNow).
class ComModuleCounts {
 public:
  static void ObjectCreated() { s_objects.fetch_add(1); }
  static void ObjectDestroyed() { s_objects.fetch_sub(1); }
  static void Lock() { s_locks.fetch_add(1); }
  static void Unlock() { s_locks.fetch_sub(1); }
  static bool CanUnload() { return s_objects.load() == 0 && s_locks.load() == 0; }

 private:
  static inline std::atomic<long> s_objects{0};
  static inline std::atomic<long> s_locks{0};
};

// Reference counting shared by the module's objects; the object counts for the module while it lives.
class ComRefCount {
 public:
  ComRefCount() { ComModuleCounts::ObjectCreated(); }
  ~ComRefCount() { ComModuleCounts::ObjectDestroyed(); }
  ULONG AddRef() { return static_cast<ULONG>(m_count.fetch_add(1) + 1); }
  ULONG Release() { return static_cast<ULONG>(m_count.fetch_sub(1) - 1); }

 private:
  std::atomic<long> m_count{0};
};

// The class factory of one class T; T is default-constructible, starts with a count of 0 and answers
// QueryInterface.
template <typename T>
class ComClassFactory final : public IClassFactory {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return m_refs.AddRef(); }
  ULONG Release() override {
    ULONG left = m_refs.Release();
    if (left == 0) delete this;
    return left;
  }
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    T* instance = new (std::nothrow) T();
    if (!instance) return E_OUTOFMEMORY;
    instance->AddRef();
    HRESULT hr = instance->QueryInterface(riid, object);
    instance->Release();
    return hr;
  }
  HRESULT LockServer(BOOL lock) override {
    if (lock) {
      ComModuleCounts::Lock();
    } else {
      ComModuleCounts::Unlock();
    }
    return S_OK;
  }

 private:
  ComRefCount m_refs;
};

// What the registration of one class writes.
struct ComClassRegistration {
  CLSID clsid;
  const char* description;             // default value of the ProgID keys and the class key
  const char* progId;                  // "Maker.Class.1"
  const char* versionIndependentProgId;  // "Maker.Class"
  const char* threadingModel;          // "both", "Apartment", ...
  std::string modulePath;              // the server's file
};

struct ComTypeLibRegistration {
  GUID libid;
  const char* version;      // "1.0"
  const char* helpText;     // default value of the version key
  std::string modulePath;
};

// The path of the module that holds `anyFunctionOfIt` (for InprocServer32).
std::string ComModulePathOf(const void* anyFunctionOfIt);

HRESULT ComRegisterClass(const ComClassRegistration& registration);
HRESULT ComUnregisterClass(const ComClassRegistration& registration);
HRESULT ComRegisterTypeLib(const ComTypeLibRegistration& registration);
HRESULT ComUnregisterTypeLib(const ComTypeLibRegistration& registration);

// Marks the entry points a server module exports.
#define QH_COM_EXPORT extern "C" __attribute__((visibility("default")))
