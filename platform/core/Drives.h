// The drive table: the system's drive letters, each standing for a host folder with a 32-bit volume
// serial, a label and a drive type. Paths of the system ("C:\Quaverhouse\Songs") are mapped through
// it to host paths at the last moment (Paths.h).
//
// Without QH_DRIVES the table follows the machine: C: is "/" and every other mounted real file system
// gets the next free letter in mount order, its serial folded from the file system id (stable across
// runs). When QH_DRIVES names a file, that file is the whole table; it is read again when the variable
// changes or Reload() is called, so tests can rewrite it.
//
// The file holds one drive a line, fields separated by tabs (or, on a line without tabs, by blanks):
//   letter  host-folder  serial-in-hex  label  type
// e.g. "D\t/srv/music\t1A2B3C4D\tMUSIC\tfixed". The letter may carry its colon ("D:"); the type is
// fixed, remote, removable, cdrom, unknown, noroot or the platform's number; label and type may be
// left out (empty label, fixed). Blank lines and lines starting with '#' are skipped. The file is
// UTF-8; labels are kept in code page 1252.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/WinTypes.h"

#define DRIVE_UNKNOWN 0u
#define DRIVE_NO_ROOT_DIR 1u
#define DRIVE_REMOVABLE 2u
#define DRIVE_FIXED 3u
#define DRIVE_REMOTE 4u
#define DRIVE_CDROM 5u
#define DRIVE_RAMDISK 6u

namespace qh {

struct Drive {
  char letter = 0;          // 'A'..'Z'
  std::string hostFolder;   // absolute host path without a trailing '/' ("/" itself for the root)
  DWORD serial = 0;
  std::string label;        // code page 1252
  UINT type = DRIVE_FIXED;

  // A drive counts as mounted while its folder exists as a directory: a registered volume whose disk
  // is away must not be read from or written to.
  bool IsMounted() const;
  // "C:\" for drive C.
  std::string Root() const;
};

class DriveTable {
 public:
  // All drives in letter order (a copy: the table can be reloaded by another thread meanwhile).
  static std::vector<Drive> All();
  // The drive of a letter, in either case; none when the letter is not in the table.
  static std::optional<Drive> Find(char letter);
  // The drive whose folder is the longest prefix of an absolute host path (whole segments only).
  static std::optional<Drive> FindByHostPath(std::string_view hostPath);
  // Reads the table again (from QH_DRIVES's file, or from the mounted file systems).
  static void Reload();
  // What was wrong in the last explicit table read (one text per refused line); empty when all was good.
  static std::vector<std::string> LoadProblems();

  // The pieces Reload is made of, open to tests.
  static std::vector<Drive> ParseTable(std::string_view text, std::vector<std::string>* problems);
  struct Mount {
    std::string mountPoint;
    std::string fileSystemType;
    std::string source;
  };
  static std::vector<Mount> ParseMountInfo(std::string_view mountInfo);
  static std::vector<Drive> DefaultTable(const std::vector<Mount>& mounts);
};

// The file system type ("EXT4", "NFS4", ...) of the mount that holds a host path; "" when unknown.
std::string HostFileSystemName(std::string_view hostPath);

}  // namespace qh
