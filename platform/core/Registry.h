// The registry: keys and values of every program of the system, kept in one text store per user.
//
// The store is the file named by QH_REGISTRY, else $XDG_CONFIG_HOME/quaverhouse/registry (with
// ~/.config when XDG_CONFIG_HOME is unset). It is UTF-8 text that a person can read and edit:
//     [HKEY_CURRENT_USER\Software\Tallowmere\Quaverhouse\Jukebox]
//     "Port"=dword:00000050
//     "UploadPath"="D:\\Uploads"
//     "Blob"=hex:01,02,ff            (REG_BINARY; other types as hex(<type>):...)
//     @="..."                        (the key's unnamed value)
// Every change is made under an exclusive flock of "<store>.lock": the store is read again, changed
// and written whole to a temporary file that is renamed over it, so programs writing at the same time
// lose nothing and a reader never sees half a file. Reads notice a store changed by another program.
// Lines the store cannot read are kept as they are and written back, never dropped.
//
// Key and value names compare without case, as on the platform, and keep the spelling they were
// created with. A key is created with every missing key above it.
#pragma once

#include <string>

#include "platform/core/CString.h"
#include "platform/core/Thread.h"
#include "platform/core/WinTypes.h"

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002u)))

#define REG_NONE 0u
#define REG_SZ 1u
#define REG_EXPAND_SZ 2u
#define REG_BINARY 3u
#define REG_DWORD 4u

#define REG_OPTION_NON_VOLATILE 0x00000000u
#define REG_CREATED_NEW_KEY 0x00000001u
#define REG_OPENED_EXISTING_KEY 0x00000002u

#define KEY_QUERY_VALUE 0x0001u
#define KEY_SET_VALUE 0x0002u
#define KEY_CREATE_SUB_KEY 0x0004u
#define KEY_ENUMERATE_SUB_KEYS 0x0008u
#define KEY_READ 0x20019u
#define KEY_WRITE 0x20006u
#define KEY_ALL_ACCESS 0xF003Fu

#define ERROR_WRITE_FAULT 29L
#define ERROR_READ_FAULT 30L
#define ERROR_BADKEY 1010L
#define ERROR_KEY_DELETED 1018L

using REGSAM = DWORD;
using PHKEY = HKEY*;

// All return ERROR_SUCCESS or a Win32 error code: ERROR_FILE_NOT_FOUND for a missing key or value,
// ERROR_INVALID_HANDLE for an unknown key handle, ERROR_KEY_DELETED for an open key deleted since,
// ERROR_MORE_DATA when a buffer is too small (with the size needed), ERROR_INVALID_PARAMETER for
// malformed arguments, ERROR_ACCESS_DENIED / ERROR_WRITE_FAULT / ERROR_READ_FAULT when the store file
// cannot be locked, written or read, ERROR_TIMEOUT when another program holds the store's lock for
// longer than 15 seconds.
LONG RegOpenKeyEx(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LONG RegCreateKeyEx(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                    LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
// REG_SZ data comes back with its terminating zero, counted in *dataSize.
LONG RegQueryValueEx(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize);
// REG_SZ data is taken up to its first zero; REG_DWORD needs 4 bytes.
LONG RegSetValueEx(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize);
LONG RegDeleteValue(HKEY key, LPCSTR valueName);
// A key that still has subkeys is not deleted (ERROR_ACCESS_DENIED), as on the platform.
LONG RegDeleteKey(HKEY key, LPCSTR subKey);
// Deletes the key with all its subkeys and values in one change of the store.
LONG RegDeleteTree(HKEY key, LPCSTR subKey);
// Subkeys and values in name order (without case); ERROR_NO_MORE_ITEMS past the last. Name sizes are
// in characters without the terminating zero on return.
LONG RegEnumKeyEx(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPSTR keyClass,
                  LPDWORD keyClassSize, LPFILETIME lastWriteTime);
LONG RegEnumValue(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type,
                  LPBYTE data, LPDWORD dataSize);
LONG RegCloseKey(HKEY key);

namespace qh {
// The store file in use (QH_REGISTRY or the per-user default).
std::string RegistryStorePath();
}  // namespace qh

// The application profile for CWinApp (the user-interface layer forwards its SetRegistryKey,
// GetProfileInt, GetProfileString, WriteProfileInt and WriteProfileString to one of these):
//   ProfileStore profile;
//   profile.SetProfileName("Quaverhouse");        // the application name (m_pszProfileName)
//   profile.SetRegistryKey("Tallowmere");          // root: HKEY_CURRENT_USER\Software\Tallowmere\Quaverhouse
//   profile.GetProfileString("", "SongDbPath");    // "" (or NULL) section = the application key itself
//   profile.GetProfileInt("Jukebox", "Port", 80);  // HKEY_CURRENT_USER\...\Quaverhouse\Jukebox, DWORD
// Reads give the default when the key or value is missing or has another type. WriteProfileString
// with a NULL value deletes the entry, with a NULL entry deletes the whole section. Before
// SetRegistryKey there is no profile: reads give the default and writes fail.
class ProfileStore {
 public:
  void SetProfileName(LPCSTR applicationName);
  void SetRegistryKey(LPCSTR company);
  bool HasRegistryKey() const { return !company_.empty() && !application_.empty(); }
  // "Software\<company>\<application>" under HKEY_CURRENT_USER.
  CString GetAppRegistryPath() const;

  UINT GetProfileInt(LPCSTR section, LPCSTR entry, int defaultValue) const;
  CString GetProfileString(LPCSTR section, LPCSTR entry, LPCSTR defaultValue = nullptr) const;
  BOOL WriteProfileInt(LPCSTR section, LPCSTR entry, int value);
  BOOL WriteProfileString(LPCSTR section, LPCSTR entry, LPCSTR value);

 private:
  std::string SectionPath(LPCSTR section) const;
  std::string company_;
  std::string application_;
};
