#include "maintenance/admin/DatabaseFileOps.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "maintenance/admin/AdminErrors.h"
#include "maintenance/admin/AdminResources.h"
#include "maintenance/salvage/PageSalvage.h"
#include "maintenance/schema/SongDbSchema.h"
#include "platform/core/FileApi.h"
#include "platform/core/Paths.h"
#include "platform/dao/DaoException.h"
#include "platform/ui/MessageBox.h"

CDatabaseFileOps::CDatabaseFileOps(const CString& databaseFolder, StatusSink status, CFileSteps& steps)
    : m_folder(databaseFolder), m_status(std::move(status)), m_steps(steps) {}

CString CDatabaseFileOps::DatabaseFile() const { return m_folder + kSongDbFileName; }

void CDatabaseFileOps::Status(UINT id) const {
  if (m_status) m_status(LoadText(id));
}

CString CDatabaseFileOps::BackupName() const {
  return m_folder + "\\Backup\\BK" + CurrentTimeStamp("%Y%j%H%M%S") + ".qhd";
}

// The step's own message, then the file it failed on and why; read GetLastError() before anything
// else can change it.
void CDatabaseFileOps::FileStepFailed(UINT message, const CString& path) const {
  const CString reason = FileErrorText(GetLastError());
  AfxMessageBox(LoadText(message) + "\r\n" + FormatText(IDS_FILE_AND_REASON, path.GetString(), reason.GetString()),
                MB_ICONEXCLAMATION);
}

bool CDatabaseFileOps::WorkFileIsSound(const CString& workFile, BOOL quick) const {
  CString verdict = m_steps.CheckDatabase(workFile, quick);
  if (verdict == "ok") return true;
  AfxMessageBox(FormatText(IDS_ERR_CHECK_FAILED, verdict.GetString()), MB_ICONEXCLAMATION);
  return false;
}

void CDatabaseFileOps::DeleteWorkFile(const CString& workFile) const {
  if (!workFile.IsEmpty() && FileExists(workFile)) m_steps.DeleteFile(workFile);
}

BOOL CDatabaseFileOps::Backup() {
  m_backupSucceeded = FALSE;
  Status(IDS_COMPACTING);
  CString workFile = ReserveWorkFileName(m_folder, "QHA");
  CString backupName = BackupName();
  CString database = DatabaseFile();
  bool compacted = false;
  bool ran = RunReportingErrors([&] {
    CDatabaseFileLock lock(database);
    m_steps.CompactDatabase(database, workFile);
    // The compaction rebuilt every index from rows the engine read soundly: the quick check of what it
    // wrote is enough, and keeps a backup close to the cost of the compaction alone.
    if (!WorkFileIsSound(workFile, TRUE)) return;
    // The compacted copy is on the disk before it is copied or takes the database's place: a crash
    // from here on finds the old database or a complete new one.
    if (!m_steps.SyncFile(workFile)) {
      FileStepFailed(IDS_ERR_COPY_FILE, workFile);
      return;
    }
    compacted = true;
    Status(IDS_BACKING_UP);
    // A missing Backup folder would fail every backup; the folder belongs to the database folder.
    CreateDirectory(m_folder + "\\Backup", nullptr);
    if (!m_steps.CopyFile(workFile, backupName, TRUE)) {
      FileStepFailed(IDS_ERR_COPY_FILE, backupName);
      compacted = false;
      return;
    }
    // The compacted copy takes the database's place in one rename: there is no moment without a
    // database file, and a failed rename leaves the original where it was.
    if (!m_steps.ReplaceFile(workFile, database)) {
      FileStepFailed(IDS_ERR_RENAME_FILE, database);
      compacted = false;
      return;
    }
    m_backupSucceeded = TRUE;
    if (m_status) m_status(FormatText(IDS_BACKED_UP_TO, backupName.GetString()));
  });
  if (!ran || !compacted) DeleteWorkFile(workFile);
  // The status must not stay at a step that did not finish.
  if (!m_backupSucceeded) Status(IDS_BACKUP_FAILED);
  return m_backupSucceeded;
}

BOOL CDatabaseFileOps::Repair() {
  Status(IDS_REPAIRING);
  CString database = DatabaseFile();
  CString workFile = ReserveWorkFileName(m_folder, "QHA");
  CString salvageFile;
  BOOL repaired = FALSE;
  RunReportingErrors([&] {
    CDatabaseFileLock lock(database);
    // Every step works on copies; the damaged original stays untouched until a sound file replaces it.
    if (workFile.IsEmpty() || !m_steps.CopyFile(database, workFile, FALSE)) {
      FileStepFailed(IDS_ERR_COPY_FILE, workFile.IsEmpty() ? database : workFile);
      return;
    }
    // Damaged indexes are rebuilt from the tables; when the tables themselves are sound, that is all.
    if (RebuildsSoundly(workFile)) {
      if (!m_steps.ReplaceFile(workFile, database)) {
        FileStepFailed(IDS_ERR_RENAME_FILE, database);
        return;
      }
      repaired = TRUE;
      Status(IDS_REPAIRED);
      return;
    }
    // The rebuild may have changed the copy: read the rows from a fresh one.
    m_steps.DeleteFile(workFile);
    if (!m_steps.CopyFile(database, workFile, FALSE)) {
      FileStepFailed(IDS_ERR_COPY_FILE, workFile);
      return;
    }
    salvageFile = ReserveWorkFileName(m_folder, "QHA");
    if (salvageFile.IsEmpty()) {
      FileStepFailed(IDS_ERR_COPY_FILE, m_folder);
      return;
    }
    bool savedAny = false;
    CString losses = Salvage(workFile, salvageFile, &savedAny);
    // A file with not one row of the library would only stand in the way of a better rescue.
    if (!savedAny) {
      AfxMessageBox(IDS_SALVAGE_NOTHING, MB_ICONEXCLAMATION);
      return;
    }
    if (!WorkFileIsSound(salvageFile)) return;
    // The damaged file is kept beside the database: whatever the salvage missed may still be read from it.
    const CString kept = FreeFileName(m_folder, CString(kSongDbFileName + 1), ".damaged");
    if (!m_steps.CopyFile(database, kept, TRUE)) {
      FileStepFailed(IDS_ERR_COPY_FILE, kept);
      return;
    }
    if (!m_steps.ReplaceFile(salvageFile, database)) {
      FileStepFailed(IDS_ERR_RENAME_FILE, database);
      m_steps.DeleteFile(kept);
      return;
    }
    repaired = TRUE;
    if (m_status) m_status(FormatText(IDS_SALVAGED, kept.GetString()));
    if (!losses.IsEmpty()) AfxMessageBox(FormatText(IDS_SALVAGE_LOSSES, losses.GetString()), MB_ICONEXCLAMATION);
  });
  DeleteWorkFile(workFile);
  if (!repaired) DeleteWorkFile(salvageFile);
  return repaired;
}

bool CDatabaseFileOps::RebuildsSoundly(const CString& workFile) const {
  try {
    m_steps.RepairDatabase(workFile);
  } catch (CDaoException* error) {
    // Damage the rebuild cannot mend: the salvage takes over.
    error->Delete();
    return false;
  }
  // The rebuild ends with the full check and raises when it finds damage.
  return true;
}

CString CDatabaseFileOps::Salvage(const CString& damaged, const CString& target, bool* savedAny) const {
  CString losses;
  std::vector<CDaoWorkspace::SalvagedTable> tables;
  try {
    tables = m_steps.SalvageDatabase(damaged, target);
  } catch (CDaoException* error) {
    if (error->m_pErrorInfo == nullptr || error->m_pErrorInfo->m_lErrorCode != kDaoErrCorrupt) throw;
    error->Delete();
    // Without the damaged file's own list of tables, the system's own schema receives what can be read.
    DeleteWorkFile(target);
    CreateSongDatabase(target);
    tables = EngineSalvage(damaged, target);
    // Not one row through the engine: the file's first page is gone, and with it every way in. The
    // pages themselves still hold the rows.
    if (std::none_of(tables.begin(), tables.end(), [](const auto& table) { return table.saved > 0; }))
      return PageSalvage(damaged, target, savedAny);
    losses = LoadText(IDS_SALVAGE_NEW_SCHEMA);
    for (const SchemaTable& table : kSongDbTables)
      if (std::none_of(tables.begin(), tables.end(), [&](const auto& saved) { return saved.name.CompareNoCase(table.name) == 0; }))
        tables.push_back({table.name, 0, false, {}});
  }
  *savedAny = std::any_of(tables.begin(), tables.end(), [](const auto& table) { return table.saved > 0; });
  for (const CDaoWorkspace::SalvagedTable& table : tables) {
    CString line;
    if (!table.readable) {
      line = FormatText(IDS_SALVAGE_TABLE_NONE, table.name.GetString());
    } else if (!table.unreadable.empty()) {
      CString keys;
      for (const auto& [first, last] : table.unreadable) {
        CString range;
        if (last == std::numeric_limits<long long>::max()) range = FormatText(IDS_SALVAGE_KEYS_FROM, first);
        else if (first == last) range.Format("%lld", first);
        else range.Format("%lld-%lld", first, last);
        keys += (keys.IsEmpty() ? "" : ", ") + range;
      }
      line = FormatText(IDS_SALVAGE_TABLE_PART, table.name.GetString(), table.saved, keys.GetString());
    } else {
      continue;
    }
    losses += (losses.IsEmpty() ? "" : "\r\n") + line;
  }
  return losses;
}

std::vector<CDaoWorkspace::SalvagedTable> CDatabaseFileOps::EngineSalvage(const CString& damaged, const CString& target) const {
  try {
    return m_steps.SalvageDatabase(damaged, target);
  } catch (CDaoException* error) {
    if (error->m_pErrorInfo == nullptr || error->m_pErrorInfo->m_lErrorCode != kDaoErrCorrupt) throw;
    error->Delete();
    return {};
  }
}

CString CDatabaseFileOps::PageSalvage(const CString& damaged, const CString& target, bool* savedAny) const {
  qh::maint::PageSalvageResult result = qh::maint::SalvagePages(qh::HostPathOf(damaged), qh::HostPathOf(target));
  *savedAny = result.Saved() > 0;
  CString losses = LoadText(IDS_SALVAGE_PAGES);
  for (const auto& table : result.tables) {
    losses += "\r\n";
    losses += table.saved > 0 ? FormatText(IDS_SALVAGE_TABLE_SAVED, table.name.GetString(), table.saved)
                              : FormatText(IDS_SALVAGE_TABLE_NONE, table.name.GetString());
  }
  if (result.untold > 0) losses += "\r\n" + FormatText(IDS_SALVAGE_UNTOLD, result.untold);
  if (result.refused > 0) losses += "\r\n" + FormatText(IDS_SALVAGE_REFUSED, result.refused);
  return losses;
}

BOOL CDatabaseFileOps::CreateNewDatabase() {
  for (const char* folder : {"\\Songs", "\\Backup", "\\Covers", "\\Temp"}) CreateDirectory(m_folder + folder, nullptr);
  CString database = DatabaseFile();
  CString workFile = ReserveWorkFileName(m_folder, "QHA");
  BOOL created = FALSE;
  RunReportingErrors([&] {
    CDatabaseFileLock lock(database);
    if (FileExists(database)) {
      Status(IDS_BACKING_UP);
      // A copy, not a move: until the new file is complete the old one stays the database.
      const CString backupName = BackupName();
      if (!m_steps.CopyFile(database, backupName, TRUE)) {
        FileStepFailed(IDS_ERR_RENAME_FILE, backupName);
        return;
      }
    }
    Status(IDS_CREATING_DB);
    CreateSongDatabase(workFile, [this](int number) {
      if (m_status) m_status(FormatText(IDS_CREATING_TABLE, number));
    });
    if (!WorkFileIsSound(workFile)) return;
    if (!m_steps.ReplaceFile(workFile, database)) {
      AfxMessageBox(IDS_ERR_RENAME_FILE, MB_ICONEXCLAMATION);
      return;
    }
    created = TRUE;
  });
  if (!created) {
    DeleteWorkFile(workFile);
    return FALSE;
  }
  // The songs go only once the new database is in place: a failed erase keeps songs and database.
  DeleteManagedSongFiles();
  Status(IDS_CREATED_DB);
  return TRUE;
}

void CDatabaseFileOps::DeleteManagedSongFiles() const {
  for (const char* pattern : {"\\Songs\\Song??????????.wav", "\\Songs\\Song??????????.mp3"}) {
    std::vector<CString> names;
    WIN32_FIND_DATA found;
    HANDLE find = FindFirstFile(m_folder + pattern, &found);
    if (find == INVALID_HANDLE_VALUE) continue;
    do {
      names.push_back(m_folder + "\\Songs\\" + found.cFileName);
    } while (FindNextFile(find, &found));
    FindClose(find);
    for (const CString& name : names) {
      if (m_status) m_status(FormatText(IDS_DELETING_SONG, name.GetString()));
      m_steps.DeleteFile(name);
    }
  }
}
