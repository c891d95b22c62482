#include "maintenance/files/FileSteps.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "platform/core/DateTime.h"
#include "platform/core/FileApi.h"
#include "platform/core/Paths.h"
#include "platform/dao/DaoException.h"
#include "platform/dao/DaoFileLock.h"
#include "platform/dao/DaoWorkspace.h"

BOOL CFileSteps::CopyFile(LPCSTR from, LPCSTR to, BOOL failIfExists) { return ::CopyFile(from, to, failIfExists); }

BOOL CFileSteps::MoveFile(LPCSTR from, LPCSTR to) { return ::MoveFile(from, to); }

BOOL CFileSteps::ReplaceFile(LPCSTR from, LPCSTR to) {
  std::optional<qh::ResolvedPath> source = qh::ResolvePath(from);
  std::optional<qh::ResolvedPath> target = qh::ResolvePath(to);
  if (!source || !target) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (!source->exists) {
    qh::SetNotFoundError(*source);
    return FALSE;
  }
  // rename(2) swaps the name over in one step: whoever opens the target sees the old file or the new.
  if (std::rename(source->hostPath.c_str(), target->hostPath.c_str()) != 0) {
    SetLastError(qh::ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL CFileSteps::DeleteFile(LPCSTR path) { return ::DeleteFile(path); }

namespace {

// Opens a file of the platform's names for reading; -1 with the last error set.
int OpenForSync(LPCSTR path) {
  std::optional<qh::ResolvedPath> resolved = qh::ResolvePath(path);
  if (!resolved) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return -1;
  }
  if (!resolved->exists) {
    qh::SetNotFoundError(*resolved);
    return -1;
  }
  int fd = open(resolved->hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) SetLastError(qh::ErrorFromErrno(errno));
  return fd;
}

// Has the disk start writing the file's data and returns at once; SyncFile waits for the rest (and
// reports what fails).
void StartWriteBack(LPCSTR path) {
  int fd = OpenForSync(path);
  if (fd < 0) return;
  sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
  close(fd);
}

}  // namespace

BOOL CFileSteps::SyncFile(LPCSTR path) {
  int fd = OpenForSync(path);
  if (fd < 0) return FALSE;
  bool synced = fdatasync(fd) == 0;
  if (!synced) SetLastError(qh::ErrorFromErrno(errno));
  close(fd);
  return synced ? TRUE : FALSE;
}

void CFileSteps::CompactDatabase(LPCSTR from, LPCSTR to) {
  // The engine would wait for the disk to write each part of the new file; here the disk writes while
  // the caller checks the file, and SyncFile waits only for what is left.
  CDaoWorkspace::CompactDatabase(from, to, dbLangGeneral, dbCompactWithoutSync);
  StartWriteBack(to);
}

void CFileSteps::RepairDatabase(LPCSTR path) { CDaoWorkspace::RepairDatabase(path); }

std::vector<CDaoWorkspace::SalvagedTable> CFileSteps::SalvageDatabase(LPCSTR damaged, LPCSTR to) {
  return CDaoWorkspace::SalvageDatabase(damaged, to);
}

CString CFileSteps::CheckDatabase(LPCSTR path, BOOL quick) { return CDaoWorkspace::CheckDatabase(path, quick); }

CFileSteps& DefaultFileSteps() {
  static CFileSteps steps;
  return steps;
}

CString ReserveWorkFileName(const CString& folder, LPCSTR prefix) {
  char name[MAX_PATH + 1] = {};
  if (GetTempFileName(folder, prefix, 0, name) == 0) return CString();
  ::DeleteFile(name);
  return CString(name);
}

CString CurrentTimeStamp(LPCSTR format) { return CTime::GetCurrentTime().Format(format); }

BOOL FileExists(LPCSTR path) {
  DWORD attributes = GetFileAttributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

CString FileErrorText(DWORD error) {
  switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return "the file already exists";
    case ERROR_FILE_NOT_FOUND: return "the file was not found";
    case ERROR_PATH_NOT_FOUND: return "the folder was not found";
    case ERROR_ACCESS_DENIED: return "access was denied";
    case ERROR_DISK_FULL: return "the disk is full";
    case ERROR_SHARING_VIOLATION: return "the file is in use";
    default: break;
  }
  CString text;
  text.Format("error %lu", static_cast<unsigned long>(error));
  return text;
}

CString FreeFileName(const CString& folder, const CString& stem, const CString& extension) {
  CString name = folder + "\\" + stem + extension;
  for (int number = 1; FileExists(name); ++number) name.Format("%s\\%s-%d%s", folder.GetString(), stem.GetString(), number, extension.GetString());
  return name;
}

void DeleteLeftWorkFiles(const CString& folder, LPCSTR prefix, CFileSteps& steps) {
  std::vector<CString> names;
  for (const char* pattern : {"*.TMP", "*.TMP-journal"}) {
    WIN32_FIND_DATA found;
    HANDLE find = FindFirstFile(folder + "\\" + prefix + pattern, &found);
    if (find == INVALID_HANDLE_VALUE) continue;
    do {
      names.push_back(folder + "\\" + found.cFileName);
    } while (FindNextFile(find, &found));
    FindClose(find);
  }
  for (const CString& name : names) steps.DeleteFile(name);
}

CDatabaseFileLock::CDatabaseFileLock(LPCSTR path) {
  std::optional<qh::ResolvedPath> resolved = qh::ResolvePath(path);
  if (!resolved || !resolved->exists) return;
  bool busy = false;
  lock_ = qh::dao::FileLock::Acquire(resolved->hostPath, true, &busy);
  if (!lock_ && busy)
    throw new CDaoException(3045, CString("Could not use '") + path + "'; file already in use.", "DAO.Workspace");
}

CDatabaseFileLock::~CDatabaseFileLock() = default;
