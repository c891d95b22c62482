// Basic types, limits and constants of the platform the system was written for, with their
// documented sizes and values: LONG and DWORD are 32 bits, BOOL is an int, handles are opaque.
#pragma once

#include <cstddef>
#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using CHAR = char;
using UCHAR = unsigned char;
using TCHAR = char;
using WCHAR = char16_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using DWORDLONG = std::uint64_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using HRESULT = LONG;
using ATOM = WORD;
using COLORREF = DWORD;
using FLOAT = float;
using DOUBLE = double;
using LPVOID = void*;
using LPCVOID = const void*;
using PVOID = void*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPTSTR = char*;
using LPCTSTR = const char*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using LPLONG = LONG*;
using LPWORD = WORD*;
using LPBOOL = BOOL*;

// Handles are opaque pointers of distinct types so that a window handle is never taken for a pen.
#define QH_DECLARE_HANDLE(name) \
  struct name##__ {             \
    int unused;                 \
  };                            \
  using name = name##__*
using HANDLE = void*;
QH_DECLARE_HANDLE(HWND);
QH_DECLARE_HANDLE(HINSTANCE);
QH_DECLARE_HANDLE(HDC);
QH_DECLARE_HANDLE(HBITMAP);
QH_DECLARE_HANDLE(HBRUSH);
QH_DECLARE_HANDLE(HPEN);
QH_DECLARE_HANDLE(HFONT);
QH_DECLARE_HANDLE(HRGN);
QH_DECLARE_HANDLE(HICON);
QH_DECLARE_HANDLE(HCURSOR);
QH_DECLARE_HANDLE(HMENU);
QH_DECLARE_HANDLE(HKEY);
QH_DECLARE_HANDLE(HGLOBAL__unused);
using HMODULE = HINSTANCE;
using HGDIOBJ = void*;
using HGLOBAL = HANDLE;
using HLOCAL = HANDLE;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))
#define MAX_PATH 260
#define INFINITE 0xFFFFFFFFu

struct POINT {
  LONG x = 0;
  LONG y = 0;
};
using LPPOINT = POINT*;

struct SIZE {
  LONG cx = 0;
  LONG cy = 0;
};
using LPSIZE = SIZE*;

struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;

struct SYSTEMTIME {
  WORD wYear = 0;
  WORD wMonth = 0;
  WORD wDayOfWeek = 0;
  WORD wDay = 0;
  WORD wHour = 0;
  WORD wMinute = 0;
  WORD wSecond = 0;
  WORD wMilliseconds = 0;
};
using LPSYSTEMTIME = SYSTEMTIME*;

// 100-nanosecond intervals since 1601-01-01 UTC.
struct FILETIME {
  DWORD dwLowDateTime = 0;
  DWORD dwHighDateTime = 0;
};
using LPFILETIME = FILETIME*;

union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};
union ULARGE_INTEGER {
  struct {
    DWORD LowPart;
    DWORD HighPart;
  } u;
  ULONGLONG QuadPart;
};
using PULARGE_INTEGER = ULARGE_INTEGER*;

struct GUID {
  DWORD Data1 = 0;
  WORD Data2 = 0;
  WORD Data3 = 0;
  BYTE Data4[8] = {};
};
using CLSID = GUID;
using IID = GUID;
using REFGUID = const GUID&;
using REFCLSID = const GUID&;
using REFIID = const GUID&;
inline bool operator==(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

constexpr WORD LOWORD(DWORD_PTR v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(DWORD_PTR v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr BYTE LOBYTE(DWORD_PTR v) { return static_cast<BYTE>(v & 0xFF); }
constexpr BYTE HIBYTE(DWORD_PTR v) { return static_cast<BYTE>((v >> 8) & 0xFF); }
constexpr DWORD MAKELONG(WORD lo, WORD hi) { return static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16); }
constexpr WORD MAKEWORD(BYTE lo, BYTE hi) { return static_cast<WORD>(lo | (hi << 8)); }
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) { return static_cast<LPARAM>(MAKELONG(lo, hi)); }
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) { return static_cast<WPARAM>(MAKELONG(lo, hi)); }
constexpr LRESULT MAKELRESULT(WORD lo, WORD hi) { return static_cast<LRESULT>(MAKELONG(lo, hi)); }
// Signed coordinates packed into an LPARAM by mouse messages.
constexpr int GET_X_LPARAM(LPARAM lp) { return static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lp))); }
constexpr int GET_Y_LPARAM(LPARAM lp) { return static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lp))); }

// HRESULT values and tests.
constexpr HRESULT MAKE_HRESULT_VALUE(DWORD v) { return static_cast<HRESULT>(v); }
#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOTIMPL ((HRESULT)0x80004001L)
#define E_NOINTERFACE ((HRESULT)0x80004002L)
#define E_POINTER ((HRESULT)0x80004003L)
#define E_ABORT ((HRESULT)0x80004004L)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_UNEXPECTED ((HRESULT)0x8000FFFFL)
#define E_ACCESSDENIED ((HRESULT)0x80070005L)
#define E_HANDLE ((HRESULT)0x80070006L)
#define E_OUTOFMEMORY ((HRESULT)0x8007000EL)
#define E_INVALIDARG ((HRESULT)0x80070057L)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#define HRESULT_FROM_WIN32(x) \
  ((HRESULT)(x) <= 0 ? ((HRESULT)(x)) : ((HRESULT)(((x)&0x0000FFFF) | (7 << 16) | 0x80000000)))

// Win32 error codes the system compares (GetLastError).
#define ERROR_SUCCESS 0L
#define NO_ERROR 0L
#define ERROR_INVALID_FUNCTION 1L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_TOO_MANY_OPEN_FILES 4L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_INVALID_DRIVE 15L
#define ERROR_NO_MORE_FILES 18L
#define ERROR_NOT_READY 21L
#define ERROR_SHARING_VIOLATION 32L
#define ERROR_HANDLE_EOF 38L
#define ERROR_FILE_EXISTS 80L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_DISK_FULL 112L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_INVALID_NAME 123L
#define ERROR_DIR_NOT_EMPTY 145L
#define ERROR_BAD_PATHNAME 161L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_FILENAME_EXCED_RANGE 206L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L
#define WAIT_TIMEOUT 258L
#define ERROR_TIMEOUT 1460L
#define ERROR_CLASS_ALREADY_EXISTS 1410L
#define ERROR_CLASS_DOES_NOT_EXIST 1411L
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#define ERROR_NOT_ENOUGH_QUOTA 1816L

// Last-error value of the calling thread.
DWORD GetLastError();
void SetLastError(DWORD error);
