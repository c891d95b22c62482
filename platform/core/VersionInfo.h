// The programs' version block: the fixed file version (major.minor.build.revision) and the
// LegalCopyright text, built into every program from the project version. Read through the
// platform's version functions, as the start-up code does:
//
//   DWORD handle = 0;
//   DWORD size = GetFileVersionInfoSize(path, &handle);
//   std::vector<BYTE> block(size);
//   GetFileVersionInfo(path, handle, size, block.data());
//   VerQueryValue(block.data(), "\\", &fixed, &length);                   // VS_FIXEDFILEINFO
//   VerQueryValue(block.data(), "\\StringFileInfo\\040904B0\\LegalCopyright", &text, &length);
//
// The block belongs to the running program's own file, named by a path of the system or a host path
// whose last name is the program's (letter case and a ".exe" ending do not matter); other files have
// none (ERROR_RESOURCE_TYPE_NOT_FOUND).
#pragma once

#include "platform/core/WinTypes.h"

#define VS_FFI_SIGNATURE 0xFEEF04BDu
#define VS_FFI_STRUCVERSION 0x00010000u
#define VS_FFI_FILEFLAGSMASK 0x0000003Fu
#define VOS_NT_WINDOWS32 0x00040004u
#define VFT_APP 0x00000001u
#ifndef ERROR_RESOURCE_TYPE_NOT_FOUND
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#endif

struct VS_FIXEDFILEINFO {
  DWORD dwSignature;
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;  // major << 16 | minor
  DWORD dwFileVersionLS;  // build << 16 | revision
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};

// Size of the block, 0 when the file has none; `handle` is set to 0.
DWORD GetFileVersionInfoSize(LPCSTR fileName, LPDWORD handle);
// Copies the block; FALSE when the file has none, or with ERROR_INSUFFICIENT_BUFFER when `length` is
// smaller than the size.
BOOL GetFileVersionInfo(LPCSTR fileName, DWORD handle, DWORD length, LPVOID data);
// Points into the block: "\" gives the VS_FIXEDFILEINFO and its size; a string path gives the text
// and its length with the terminator. Paths compare without case. FALSE, with a null pointer and
// length 0, for anything else.
BOOL VerQueryValue(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length);
