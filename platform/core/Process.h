// Starting other programs: CreateProcess with a command line, and ShellExecute for documents.
//
// A program named as the system's files name it ("SvcPlayer.exe", "C:\Quaverhouse\SvcPlayer.exe")
// is found without its ".exe" when only that file exists. A bare name is looked for in the program's
// own folder, then the current directory, then on PATH. The command line is split into arguments as
// the platform's C run time splits it (quotes group, backslashes escape only before a quote) and
// handed to the program in UTF-8. The child inherits no open file of this process.
#pragma once

#include <string>
#include <vector>

#include "platform/core/Handle.h"
#include "platform/core/Thread.h"
#include "platform/core/WinTypes.h"

#ifndef ERROR_DIRECTORY
#define ERROR_DIRECTORY 267L
#endif

#define CREATE_DEFAULT_ERROR_MODE 0x04000000u
#define CREATE_NO_WINDOW 0x08000000u
#define CREATE_NEW_CONSOLE 0x00000010u
#define DETACHED_PROCESS 0x00000008u

// Results of ShellExecute up to 32 are errors.
#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_NOASSOC 31

struct STARTUPINFO {
  DWORD cb = sizeof(STARTUPINFO);
  LPSTR lpReserved = nullptr;
  LPSTR lpDesktop = nullptr;
  LPSTR lpTitle = nullptr;
  DWORD dwX = 0, dwY = 0, dwXSize = 0, dwYSize = 0, dwXCountChars = 0, dwYCountChars = 0, dwFillAttribute = 0;
  DWORD dwFlags = 0;
  WORD wShowWindow = 0;
  WORD cbReserved2 = 0;
  LPBYTE lpReserved2 = nullptr;
  HANDLE hStdInput = nullptr, hStdOutput = nullptr, hStdError = nullptr;
};
using LPSTARTUPINFO = STARTUPINFO*;

struct PROCESS_INFORMATION {
  HANDLE hProcess = nullptr;  // signalled when the process ends; close it when done
  HANDLE hThread = nullptr;   // the main thread: signalled with the process; close it too
  DWORD dwProcessId = 0;
  DWORD dwThreadId = 0;
};
using LPPROCESS_INFORMATION = PROCESS_INFORMATION*;

// Starts `applicationName` (or, when it is NULL, the program the command line starts with) with the
// arguments of `commandLine`. `environment` is NULL (this environment) or a block of "name=value"
// texts each ended by a zero, ended by an empty one. `currentDirectory` NULL keeps this directory.
// FALSE with ERROR_FILE_NOT_FOUND when the program cannot be found, ERROR_ACCESS_DENIED when it cannot
// be run, ERROR_DIRECTORY when the directory does not exist.
BOOL CreateProcess(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES processSecurity,
                   LPSECURITY_ATTRIBUTES threadSecurity, BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                   LPCSTR currentDirectory, LPSTARTUPINFO startupInfo, LPPROCESS_INFORMATION processInformation);
// STILL_ACTIVE while the process runs; then its exit status (a process ended by a signal: 128 + the
// signal's number, or the code given to TerminateProcess).
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);
BOOL TerminateProcess(HANDLE process, UINT exitCode);
DWORD GetCurrentProcessId();

// Opens a document, folder or address with the desktop's handler (xdg-open). `operation` NULL,
// "open" or "explore"; `parameters` are not used for documents. Returns a value above 32 on success,
// else SE_ERR_FNF (no such file), SE_ERR_NOASSOC (no handler, or xdg-open missing or failing) or
// SE_ERR_OOM (cannot start a process).
HINSTANCE ShellExecute(HWND window, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT showCommand);

namespace qh {
// A command line split as the platform's C run time splits it; the first argument (the program) ends
// at the first blank outside quotes and takes no escapes.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
}  // namespace qh
