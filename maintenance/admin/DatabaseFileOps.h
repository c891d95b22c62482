// The administrator's work on the database file as a whole: backup by compaction, repair, and a new,
// empty database in place of the old one. Each works on a copy: the database file is replaced only by
// a complete file that passed the engine's check, in one rename, and a failure is shown and keeps the
// original. Messages go to the message box, progress to the status sink.
#pragma once

#include <functional>

#include "maintenance/files/FileSteps.h"
#include "platform/core/CString.h"

class CDatabaseFileOps {
 public:
  using StatusSink = std::function<void(const CString&)>;

  CDatabaseFileOps(const CString& databaseFolder, StatusSink status, CFileSteps& steps = DefaultFileSteps());

  // "<folder>\Quaverhouse.qhd".
  CString DatabaseFile() const;

  // Compacts the database into a work file, keeps the compacted copy as "Backup\BK<stamp>.qhd" and puts
  // it in the database's place. TRUE when the database is the compacted file now; the status then
  // names the backup file, and after a failure says the backup failed.
  BOOL Backup();
  BOOL LastBackupSucceeded() const { return m_backupSucceeded; }

  // Rebuilds the indexes of a copy; when the tables themselves are damaged, copies every readable row
  // into a new file instead, keeps the damaged file beside the database as "Quaverhouse.qhd.damaged"
  // (or a free variant) and shows what could not be saved. A file of which not one row can be read is
  // left as it was. The database is replaced only by a file that
  // passed the full check; TRUE when it was.
  BOOL Repair();

  // The erase after the user agreed: the four sub-folders, the old database copied to the backups, a
  // new empty database in its place, then the managed song files deleted. TRUE when the new database
  // is in place.
  BOOL CreateNewDatabase();

 private:
  void Status(UINT id) const;
  void FileStepFailed(UINT message, const CString& path) const;
  CString BackupName() const;
  // Shows IDS_ERR_CHECK_FAILED unless the work file is sound.
  bool WorkFileIsSound(const CString& workFile, BOOL quick = FALSE) const;
  void DeleteWorkFile(const CString& workFile) const;
  // True when the engine's index rebuild leaves the work file sound.
  bool RebuildsSoundly(const CString& workFile) const;
  // Fills `target` with the readable rows of `damaged`; the text of what was lost, empty when nothing was.
  // `savedAny` is false when not one row could be read.
  CString Salvage(const CString& damaged, const CString& target, bool* savedAny) const;
  // The engine's salvage into an existing file of the system's schema; nothing when the engine cannot
  // read the damaged file at all.
  std::vector<CDaoWorkspace::SalvagedTable> EngineSalvage(const CString& damaged, const CString& target) const;
  // The rows read from the damaged file's bare pages into `target` (a file of the system's schema); the
  // text of what was saved per table and what was left out.
  CString PageSalvage(const CString& damaged, const CString& target, bool* savedAny) const;
  void DeleteManagedSongFiles() const;

  CString m_folder;
  StatusSink m_status;
  CFileSteps& m_steps;
  BOOL m_backupSucceeded = FALSE;
};
