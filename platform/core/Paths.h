// Paths of the system and where they are on the host.
//
// The system's code and data use Windows paths in code page 1252 ("C:\Quaverhouse\Songs\Song0000000001.wav"),
// with either separator, relative to the current directory or absolute. A host path ("/srv/music/a.mp3")
// is accepted wherever a path is and reads as the drive whose folder is its longest prefix. Names go to
// the host in UTF-8. Names compare without case as on the platform: when a name does not exist exactly,
// an existing name that differs only in case is taken (the first in byte order when there are several).
//
// Names that come from outside (an HTTP path, an uploaded file name, an XML field) are joined under
// their folder with JoinUnderFolder, which refuses anything that could leave it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

namespace qh {

// ---- Resolution ----
struct ResolvedPath {
  // The full path in the system's form: "C:\Quaverhouse\Songs" (code page 1252). A host path that no
  // drive holds keeps its host form ("/opt/qh/x").
  std::string windowsPath;
  // Where it is on the host (UTF-8), with the case of the names that exist.
  std::string hostPath;
  char driveLetter = 0;       // 0 when no drive holds the path
  bool exists = false;        // the whole path exists
  bool parentExists = false;  // the folder that holds (or would hold) the last name exists
  bool isRoot = false;        // the path is a drive's root (or the host root)
};

// Resolves a path of the system. On failure returns none and sets GetLastError(): ERROR_INVALID_NAME
// for characters the platform forbids in names or a UNC path, ERROR_PATH_NOT_FOUND for an empty path
// or a drive letter that is not in the table, ERROR_NOT_READY for a drive whose folder is missing.
// ".." never climbs above the root of the drive.
std::optional<ResolvedPath> ResolvePath(const char* path);

// The host path of a path of the system; "" and GetLastError() set when it cannot be resolved. Other
// layers use it where they open files through the host's own calls (fopen, sqlite3_open...).
std::string HostPathOf(const char* path);

// The system's path of a host path (through the drive with the longest folder prefix): "D:\a\b.mp3".
// None when no drive holds it or a name cannot be written in code page 1252 (ERROR_INVALID_NAME).
std::optional<std::string> WindowsPathFromHost(std::string_view hostPath);

// The Windows form of a host path when a drive holds it, else the host path itself (in code page 1252).
std::string SystemPathFromHost(std::string_view hostPath);

// ---- Current directory (process-wide, as on the platform) ----
std::string CurrentDirectory();
// Changes the host's working directory as well, so that programs started later inherit it.
// FALSE with GetLastError() on failure.
BOOL ChangeCurrentDirectory(const char* path);
// Forgets the directory set through ChangeCurrentDirectory; it is taken from the host again.
void ForgetCurrentDirectory();

// ---- Names from outside ----
// Joins `name` under `folder` with '\'. Refuses (FALSE, result untouched, ERROR_INVALID_NAME) an empty
// name, a name with a ".." segment, a drive prefix ("C:" or any ':'), a root prefix ('\' or '/'), a UNC
// prefix, a segment of dots only, and characters the platform forbids in names. Both separators are
// taken inside the name; empty and "." segments are dropped.
BOOL JoinUnderFolder(const char* folder, const char* name, CString& result);

}  // namespace qh
