// Libraries loaded at run time. A name of the system's form ("shdocvw.dll") is looked for as the shared
// object "<name without .dll, lower case>.so" in the program's folder, then in the folders of
// QH_LIBRARY_PATH (separated by ':'); any other name goes to the host's loader as it stands.
#pragma once

#include "platform/core/WinTypes.h"

#ifndef ERROR_MOD_NOT_FOUND
#define ERROR_MOD_NOT_FOUND 126L
#endif
#ifndef ERROR_PROC_NOT_FOUND
#define ERROR_PROC_NOT_FOUND 127L
#endif

using FARPROC = void (*)();

// NULL with ERROR_MOD_NOT_FOUND when no such library can be loaded.
HMODULE LoadLibrary(LPCSTR fileName);
// NULL with ERROR_PROC_NOT_FOUND when the library has no such export.
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);
