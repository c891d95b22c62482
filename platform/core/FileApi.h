// The platform's file, folder and volume functions over the host file system. Every path goes through
// the drive table (Paths.h); texts are code page 1252; failures set GetLastError() to the platform's
// codes (ERROR_FILE_NOT_FOUND when the last name is missing, ERROR_PATH_NOT_FOUND when a folder on the
// way is, ERROR_NOT_READY for a drive whose folder is missing).
#pragma once

#include <string>
#include <string_view>

#include "platform/core/Drives.h"
#include "platform/core/Thread.h"  // SECURITY_ATTRIBUTES
#include "platform/core/WinTypes.h"

// Error codes of the file functions that the core's common list does not carry.
#ifndef ERROR_NOT_SAME_DEVICE
#define ERROR_NOT_SAME_DEVICE 17L
#endif
#ifndef ERROR_BAD_LENGTH
#define ERROR_BAD_LENGTH 24L
#endif
#ifndef ERROR_SEEK
#define ERROR_SEEK 25L
#endif
#ifndef ERROR_WRITE_FAULT
#define ERROR_WRITE_FAULT 29L
#endif
#ifndef ERROR_READ_FAULT
#define ERROR_READ_FAULT 30L
#endif
#ifndef ERROR_LOCK_VIOLATION
#define ERROR_LOCK_VIOLATION 33L
#endif
#ifndef ERROR_NEGATIVE_SEEK
#define ERROR_NEGATIVE_SEEK 131L
#endif
#ifndef ERROR_DIRECTORY
#define ERROR_DIRECTORY 267L
#endif

#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu
#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_SYSTEM 0x00000004u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100u

#define FILE_CASE_SENSITIVE_SEARCH 0x00000001u
#define FILE_CASE_PRESERVED_NAMES 0x00000002u

struct WIN32_FIND_DATA {
  DWORD dwFileAttributes = 0;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh = 0;
  DWORD nFileSizeLow = 0;
  DWORD dwReserved0 = 0;
  DWORD dwReserved1 = 0;
  CHAR cFileName[MAX_PATH] = {};
  CHAR cAlternateFileName[14] = {};
};
using WIN32_FIND_DATAA = WIN32_FIND_DATA;
using LPWIN32_FIND_DATA = WIN32_FIND_DATA*;
using PWIN32_FIND_DATA = WIN32_FIND_DATA*;

// Attributes: FILE_ATTRIBUTE_DIRECTORY for folders, FILE_ATTRIBUTE_ARCHIVE for files, with
// FILE_ATTRIBUTE_READONLY when the owner may not write.
DWORD GetFileAttributes(LPCSTR fileName);
// Only FILE_ATTRIBUTE_READONLY has an effect (the owner's write permission); the rest is accepted.
BOOL SetFileAttributes(LPCSTR fileName, DWORD attributes);
// With failIfExists an existing target gives ERROR_FILE_EXISTS. The copy is written under a temporary
// name beside the target and put in place at the end, so a failed copy never leaves a partial file
// under the target's name. A read-only target is not overwritten (ERROR_ACCESS_DENIED).
BOOL CopyFile(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists);
// Never replaces an existing target (ERROR_ALREADY_EXISTS). Files move across drives by copy and
// delete; folders do not (ERROR_NOT_SAME_DEVICE).
BOOL MoveFile(LPCSTR existingFileName, LPCSTR newFileName);
// A read-only file is not deleted (ERROR_ACCESS_DENIED), as on the platform.
BOOL DeleteFile(LPCSTR fileName);
// An existing folder gives ERROR_ALREADY_EXISTS; a missing parent ERROR_PATH_NOT_FOUND.
BOOL CreateDirectory(LPCSTR pathName, LPSECURITY_ATTRIBUTES securityAttributes);
BOOL RemoveDirectory(LPCSTR pathName);

// Wildcards '*' and '?' in the last name, matched without case; "*.*" matches every name and "name.*"
// also a name without extension. Entries come in case-insensitive name order; "." and ".." are not
// listed, nor are host names that code page 1252 cannot write (those are reported on standard error).
// No match: INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND.
HANDLE FindFirstFile(LPCSTR fileName, LPWIN32_FIND_DATA findFileData);
// FALSE with ERROR_NO_MORE_FILES after the last entry.
BOOL FindNextFile(HANDLE findFile, LPWIN32_FIND_DATA findFileData);
BOOL FindClose(HANDLE findFile);

// "<path>\<first three characters of prefix><hex number>.TMP". With unique 0 a new number is chosen
// and the empty file created; else the name is only formed. 0 on failure.
UINT GetTempFileName(LPCSTR pathName, LPCSTR prefixString, UINT unique, LPSTR tempFileName);
// The host's temporary folder (TMPDIR, else /tmp) as a path of the system, ending in a separator.
DWORD GetTempPath(DWORD bufferLength, LPSTR buffer);

// Bit 0 = A:, bit 2 = C:, ... for every mounted drive of the table.
DWORD GetLogicalDrives();
// rootPathName "C:\", "C:" or NULL (the current directory's drive). DRIVE_NO_ROOT_DIR for a letter that
// is not in the table or not mounted.
UINT GetDriveType(LPCSTR rootPathName);
BOOL GetVolumeInformation(LPCSTR rootPathName, LPSTR volumeNameBuffer, DWORD volumeNameSize,
                          LPDWORD volumeSerialNumber, LPDWORD maximumComponentLength,
                          LPDWORD fileSystemFlags, LPSTR fileSystemNameBuffer, DWORD fileSystemNameSize);
// Any existing folder (NULL = the current directory). Each out pointer may be NULL.
BOOL GetDiskFreeSpaceEx(LPCSTR directoryName, PULARGE_INTEGER freeBytesAvailableToCaller,
                        PULARGE_INTEGER totalNumberOfBytes, PULARGE_INTEGER totalNumberOfFreeBytes);

// Buffer rules of the platform: the length copied without the terminator, or the size needed
// (terminator included) when the buffer is too small.
DWORD GetCurrentDirectory(DWORD bufferLength, LPSTR buffer);
BOOL SetCurrentDirectory(LPCSTR pathName);
// The running program's path as a path of the system (module NULL only: the executable). When the
// buffer is too small the path is cut, the size is returned and ERROR_INSUFFICIENT_BUFFER is set.
DWORD GetModuleFileName(HMODULE module, LPSTR fileName, DWORD size);

namespace qh {

// The platform's error code for an errno value of a file operation.
DWORD ErrorFromErrno(int error);
// Sets the error of a missing path: ERROR_FILE_NOT_FOUND when only the last name is missing,
// ERROR_PATH_NOT_FOUND when a folder on the way is.
struct ResolvedPath;
void SetNotFoundError(const ResolvedPath& resolved);

// Wildcard matching as FindFirstFile does it ('*', '?', without case in code page 1252).
bool MatchesWildcard(std::string_view pattern, std::string_view name);

}  // namespace qh
