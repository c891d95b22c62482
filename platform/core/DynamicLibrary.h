// Modules loaded at run time by name, as the system loads its encoder DLL: LoadLibrary finds
// "name.dll" as the shared library "name.so" in the program folder, then in the current directory,
// then through the host's own search (LD_LIBRARY_PATH, the system folders). A path with a folder is
// used as given (mapped through the drive table). Modules are never unmapped while the program runs
// (FreeLibrary only forgets the handle), so a function pointer kept by a caller never dangles.
#pragma once

#include "platform/core/WinTypes.h"

#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L

using FARPROC = void (*)();

// The module's handle, or null with ERROR_MOD_NOT_FOUND.
HMODULE LoadLibrary(LPCSTR fileName);
// The exported function, or null with ERROR_PROC_NOT_FOUND (ERROR_INVALID_HANDLE for a bad module).
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);
