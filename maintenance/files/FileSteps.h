// The file steps of the maintenance programs. Every step that could cost the only good copy of a
// library goes through here: work is done on a copy, the copy is checked, and only then does it take
// the original's place, in one rename, so the database file is at every moment either the old file or
// the new one. A test derives from CFileSteps to make one step fail half-way.
#pragma once

#include <memory>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"
#include "platform/dao/DaoWorkspace.h"

class CFileSteps {
 public:
  virtual ~CFileSteps() = default;

  virtual BOOL CopyFile(LPCSTR from, LPCSTR to, BOOL failIfExists);
  virtual BOOL MoveFile(LPCSTR from, LPCSTR to);
  // Puts `from` in the place of `to` (which may or may not exist) in one rename; FALSE with the last
  // error set leaves both files as they were.
  virtual BOOL ReplaceFile(LPCSTR from, LPCSTR to);
  virtual BOOL DeleteFile(LPCSTR path);
  // Returns once the file's data is on the disk; FALSE with the last error set.
  virtual BOOL SyncFile(LPCSTR path);
  // The engine's compaction and repair; both raise CDaoException* on failure. The compaction does not
  // wait for the disk: it has the disk start writing the new file and returns, so that the file can be
  // checked meanwhile; SyncFile makes it durable.
  virtual void CompactDatabase(LPCSTR from, LPCSTR to);
  virtual void RepairDatabase(LPCSTR path);
  // Copies the readable rows of a damaged file into `to` (see CDaoWorkspace::SalvageDatabase).
  virtual std::vector<CDaoWorkspace::SalvagedTable> SalvageDatabase(LPCSTR damaged, LPCSTR to);
  // "ok" for a sound file, else the engine's first complaint; raises CDaoException* when the file
  // cannot be opened. The quick check reads every page and record but does not match the indexes
  // against their rows: enough for a file the engine has just copied from sound rows.
  virtual CString CheckDatabase(LPCSTR path, BOOL quick = FALSE);
};

// The file steps the programs use when nobody substitutes their own.
CFileSteps& DefaultFileSteps();

// A work-file name in `folder` that no file has: the platform's unique temporary name with the prefix,
// reserved and then deleted again so that the step that fills it can create it. Empty on failure.
CString ReserveWorkFileName(const CString& folder, LPCSTR prefix);

// The current local time in the form given (strftime style, through CTime::Format).
CString CurrentTimeStamp(LPCSTR format);

BOOL FileExists(LPCSTR path);

// A short reason for a file step's failure, from its last-error code ("the file already exists", ...).
CString FileErrorText(DWORD error);

// `folder`\<stem><extension>, or <stem>-1<extension>, <stem>-2<extension>... : the first name no file has,
// so two runs within the same second each get a backup of their own.
CString FreeFileName(const CString& folder, const CString& stem, const CString& extension);

// Deletes the work files (<prefix>*.TMP) and their journals that a killed run left in `folder`. Only for
// a caller that holds the database's lock: no other run of the same program is then under way.
void DeleteLeftWorkFiles(const CString& folder, LPCSTR prefix, CFileSteps& steps);

namespace qh::dao {
class FileLock;
}

// Keeps other processes off a database file while a maintenance step works on it. Raises the engine's
// "in use" error (3045, as CDaoException*) when another process has the file open; a missing file
// holds nothing (the step itself then reports it).
class CDatabaseFileLock {
 public:
  explicit CDatabaseFileLock(LPCSTR path);
  ~CDatabaseFileLock();
  CDatabaseFileLock(const CDatabaseFileLock&) = delete;
  CDatabaseFileLock& operator=(const CDatabaseFileLock&) = delete;

 private:
  std::unique_ptr<qh::dao::FileLock> lock_;
};
