// The COM runtime of a process: per-thread initialisation, class lookup through the registrations
// under HKEY_CLASSES_ROOT of the registry store, and in-process servers loaded as shared libraries.
//
// A registration names the server by its full path (InprocServer32, a path of the system or a host
// path); the runtime loads it, asks its DllGetClassObject for the class factory and keeps it loaded
// until CoFreeUnusedLibraries finds that DllCanUnloadNow allows unloading.
#pragma once

#include "platform/com/ComTypes.h"

HRESULT CoInitialize(void* reserved);
HRESULT CoInitializeEx(void* reserved, DWORD flags);
void CoUninitialize();

HRESULT CLSIDFromProgID(const char* progId, CLSID* clsid);
HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* serverInfo, REFIID riid, void** object);
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** object);
void CoFreeUnusedLibraries();

// Loads a server module and runs its DllRegisterServer (or DllUnregisterServer): what the registration
// command does. The path is the module's file; the module records its own path in the registration.
HRESULT ComRegisterServerModule(const char* modulePath, bool unregister);
