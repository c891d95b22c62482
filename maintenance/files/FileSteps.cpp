#include "maintenance/files/FileSteps.h"

#include <cerrno>
#include <cstdio>

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

void CFileSteps::CompactDatabase(LPCSTR from, LPCSTR to) { CDaoWorkspace::CompactDatabase(from, to); }

void CFileSteps::RepairDatabase(LPCSTR path) { CDaoWorkspace::RepairDatabase(path); }

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

CDatabaseFileLock::CDatabaseFileLock(LPCSTR path) {
  std::optional<qh::ResolvedPath> resolved = qh::ResolvePath(path);
  if (!resolved || !resolved->exists) return;
  bool busy = false;
  lock_ = qh::dao::FileLock::Acquire(resolved->hostPath, true, &busy);
  if (!lock_ && busy)
    throw new CDaoException(3045, CString("Could not use '") + path + "'; file already in use.", "DAO.Workspace");
}

CDatabaseFileLock::~CDatabaseFileLock() = default;
