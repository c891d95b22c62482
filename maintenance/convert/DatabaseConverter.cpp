#include "maintenance/convert/DatabaseConverter.h"

#include <cctype>
#include <new>

#include "dblib/DaoErrorReport.h"
#include "dblib/DefaultGenres.h"
#include "maintenance/convert/ConvertResources.h"
#include "maintenance/schema/SongDbSchema.h"
#include "platform/core/FileApi.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoException.h"
#include "platform/dao/DaoQueryDef.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/dao/DaoWorkspace.h"
#include "platform/ui/MessageBox.h"

namespace {

constexpr const char* kCurrentVersion = "04.00";
constexpr const char* kUpgradableVersion = "02.70";

bool IsVersionRow(const char* statement) { return CString(statement).Find("'DatabaseVersion'") >= 0; }

bool IsText(const COleVariant& value) { return value.vt == VT_BSTR; }

CString TextOf(const COleVariant& value) { return IsText(value) ? CString(value.bstrVal) : CString(); }

bool IsDefaultGenre(const CString& code) {
  for (int index = 0; CString(kDefaultGenres[index]) != kDefaultGenreEnd; ++index)
    if (code.CompareNoCase(kDefaultGenres[index]) == 0) return true;
  return false;
}

// Inserts a tab after each marker, once, where the marker first occurs.
CString WithTabsAfter(CString sql, std::initializer_list<const char*> markers) {
  for (const char* marker : markers) {
    int at = sql.Find(marker);
    if (at >= 0) sql.Insert(at + static_cast<int>(CString(marker).GetLength()), '\t');
  }
  return sql;
}

}  // namespace

CDatabaseConverter::CDatabaseConverter(const CString& databaseFolder, LogSink log, CFileSteps& steps)
    : m_folder(databaseFolder), m_log(std::move(log)), m_steps(steps) {}

void CDatabaseConverter::Log(const CString& text) const {
  if (m_log) m_log(text);
}

CString CDatabaseConverter::ConverterQuerySql(int index) {
  CString sql = kSongDbQueries[index].sql;
  CString name = kSongDbQueries[index].name;
  if (name == "qryGetSongDetail") return WithTabsAfter(sql, {"SongAlbumName, ", "SongAttributes, ", "SongComments, ", "SongPlayCount "});
  if (name == "qryPlaylistSongIDByName") return WithTabsAfter(sql, {"PlaylistDetail "});
  if (name == "qryDJSequenceBySong") return WithTabsAfter(sql, {"[pCurSong] "});
  if (name == "qryDJSequenceByCombo") return WithTabsAfter(sql, {"DJSequence "});
  if (name == "qryGetSongIDByGenre") return "SELECT SongID FROM SongGenre Where SongGenre = [pSongTypeCode]; ";
  return sql;
}

CDatabaseConverter::Outcome CDatabaseConverter::Convert() {
  m_failedSongs = 0;
  m_lettersMet.clear();
  Log(FormatText(IDS_DATABASE_PATH, m_folder.GetString()));
  ScanLocalVolumes();
  CString database = m_folder + kSongDbFileName;
  try {
    CString version = ReadOldVersion(database);
    if (version == kCurrentVersion) {
      Log(LoadText(IDS_ALREADY_CURRENT));
      return kAlreadyCurrent;
    }
    if (version != kUpgradableVersion) {
      Log(FormatText(IDS_UNKNOWN_VERSION, version.GetString()));
      return kUnknownVersion;
    }
    return Upgrade(database, version);
  } catch (CDaoException* e) {
    ReportDaoException(e);
  } catch (std::bad_alloc&) {
    AfxMessageBox(IDS_CVT_NO_MEMORY, MB_ICONSTOP);
  } catch (ConversionError& error) {
    AfxMessageBox(FormatText(IDS_ERROR_CODE, error.code), MB_ICONSTOP);
  }
  // The log says so too: the message box goes, the log stays on screen.
  Log(LoadText(IDS_CONVERSION_STOPPED));
  return kFailed;
}

void CDatabaseConverter::ScanLocalVolumes() {
  m_volumes.clear();
  if (m_folder.GetLength() < 2 || m_folder[1] != ':') return;
  char databaseLetter = static_cast<char>(std::toupper(static_cast<unsigned char>(m_folder[0])));
  if (databaseLetter < 'A' || databaseLetter > 'Z') return;
  DWORD drives = GetLogicalDrives();
  for (int bit = 0; bit < 32; ++bit) {
    if ((drives & (1u << bit)) == 0) continue;
    CString root;
    root.Format("%c:\\", 'A' + bit);
    UINT type = GetDriveType(root);
    if (type != DRIVE_FIXED && type != DRIVE_REMOTE) continue;
    char label[129] = {};
    DWORD serial = 0;
    if (!GetVolumeInformation(root, label, sizeof label, &serial, nullptr, nullptr, nullptr, 0)) continue;
    ULARGE_INTEGER freeBytes{}, totalBytes{};
    GetDiskFreeSpaceEx(root, &freeBytes, &totalBytes, nullptr);
    LocalVolume volume;
    volume.letter = static_cast<char>('A' + bit);
    volume.serial = serial;
    volume.label = label;
    volume.totalBytes = totalBytes.QuadPart;
    volume.freeBytes = freeBytes.QuadPart;
    volume.holdsDatabase = volume.letter == databaseLetter;
    m_volumes.push_back(volume);
  }
}

CString CDatabaseConverter::ReadOldVersion(const CString& database) const {
  CDaoDatabase old;
  old.Open(database, TRUE, TRUE);
  CDaoRecordset version(&old);
  version.Open(dbOpenSnapshot, "Select ParmValue From QuavParms Where ParmName = 'DatabaseVersion'; ", dbForwardOnly);
  if (version.IsEOF()) {
    version.Close();
    old.Close();
    Log(LoadText(IDS_ERR_VERSION));
    throw ConversionError{1};
  }
  CString text = TextOf(version.GetFieldValue(0));
  version.Close();
  old.Close();
  return text;
}

CDatabaseConverter::Outcome CDatabaseConverter::Upgrade(const CString& database, const CString& oldVersion) {
  Log(FormatText(IDS_UPGRADING, oldVersion.GetString(), kCurrentVersion));
  // The library stays closed to every other process until the new file has taken its place.
  CDatabaseFileLock lock(database);
  // With the lock held no other conversion is under way: a work file here is what a killed run left.
  DeleteLeftWorkFiles(m_folder, "QHC", m_steps);
  CreateDirectory(m_folder + "\\Backup", nullptr);
  m_backupFile = FreeFileName(m_folder + "\\Backup", "CVT" + CurrentTimeStamp("%Y%m%d%H%M%S"), ".qhd");
  // A copy, where the old program moved the file away: the old file stays the library meanwhile.
  if (!m_steps.CopyFile(database, m_backupFile, TRUE)) {
    const DWORD error = GetLastError();
    Log(LoadText(IDS_ERR_BACKUP));
    Log(FormatText(IDS_BACKUP_FAILED_AT, m_backupFile.GetString(), FileErrorText(error).GetString()));
    Log(LoadText(IDS_CONVERSION_STOPPED));
    return kFailed;
  }
  Log(FormatText(IDS_BACKED_UP, m_backupFile.GetString()));
  Log(LoadText(IDS_CREATING_NEW));
  CString workFile = ReserveWorkFileName(m_folder, "QHC");
  bool placed = false;
  try {
    {
      CDaoWorkspace workspace;
      workspace.Create("Shiftover", "admin", "");
      CDaoDatabase target(&workspace);
      target.Create(workFile, kSongDbLocale);
      workspace.BeginTrans();
      BuildSchema(target);
      Log(LoadText(IDS_CREATED_NEW));
      Log(LoadText(IDS_COPYING_DATA));
      CDaoDatabase source;
      source.Open(m_backupFile, TRUE, TRUE);
      CopySongTypes(source, target);
      CopySongs(source, target);
      CopyPlaylists(source, target);
      source.Close();
      Log(LoadText(IDS_HOTLIST));
      // The version row goes in last: a file that carries 04.00 holds every row.
      for (int index = 0; CString(kSongDbStatements[index]) != kSongDbStatementEnd; ++index)
        if (IsVersionRow(kSongDbStatements[index])) target.Execute(kSongDbStatements[index], dbFailOnError);
      workspace.CommitTrans();
      target.Close();
      workspace.Close();
    }
    CString verdict = m_steps.CheckDatabase(workFile);
    if (verdict != "ok") {
      Log(FormatText(IDS_NEW_FILE_UNSOUND, verdict.GetString()));
    } else if (!m_steps.ReplaceFile(workFile, database)) {
      Log(LoadText(IDS_CONVERSION_STOPPED));
    } else {
      placed = true;
    }
  } catch (...) {
    if (FileExists(workFile)) m_steps.DeleteFile(workFile);
    throw;
  }
  if (!placed) {
    if (FileExists(workFile)) m_steps.DeleteFile(workFile);
    return kFailed;
  }
  if (m_failedSongs == 0) {
    Log(FormatText(IDS_UPGRADED, kCurrentVersion));
    return kUpgraded;
  }
  Log(FormatText(IDS_VOLUMES_MISSING, m_failedSongs));
  return kVolumesMissing;
}

void CDatabaseConverter::BuildSchema(CDaoDatabase& target) const {
  CreateDatabaseTables(&target);
  for (int index = 0; CString(kSongDbStatements[index]) != kSongDbStatementEnd; ++index)
    if (!IsVersionRow(kSongDbStatements[index])) target.Execute(kSongDbStatements[index], dbFailOnError);
  for (int index = 0; index < kSongDbQueryCount; ++index) {
    CDaoQueryDef definition(&target);
    definition.Create(kSongDbQueries[index].name, ConverterQuerySql(index));
    definition.Append();
    definition.Close();
  }
}

void CDatabaseConverter::CopySongTypes(CDaoDatabase& source, CDaoDatabase& target) const {
  CreateDefaultSongTypes(&target);
  CDaoRecordset oldTypes(&source);
  oldTypes.Open(dbOpenSnapshot, "Select SongTypeCode, SongTypeDescription, MinBpm, MaxBpm From SongType; ", dbForwardOnly);
  CDaoRecordset newTypes(&target);
  newTypes.Open(dbOpenDynaset, "Select SongTypeCode, SongTypeDescription, MinBpm, MaxBpm, ReservedCode From SongType; ",
                dbAppendOnly);
  for (; !oldTypes.IsEOF(); oldTypes.MoveNext()) {
    COleVariant code = oldTypes.GetFieldValue(0);
    if (!IsText(code) || IsDefaultGenre(TextOf(code))) continue;
    newTypes.AddNew();
    for (int column = 0; column < 4; ++column) newTypes.SetFieldValue(column, oldTypes.GetFieldValue(column));
    newTypes.SetFieldValue(4, COleVariant::FromBool(false));
    newTypes.Update();
  }
  newTypes.Close();
  oldTypes.Close();
}

DWORD CDatabaseConverter::SerialOfPath(const COleVariant& oldPath) {
  CString path = TextOf(oldPath);
  if (path.GetLength() < 2 || path[1] != ':') return 0;
  char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
  m_lettersMet.push_back(letter);
  if (letter < 'A' || letter > 'Z') return 0;
  for (const LocalVolume& volume : m_volumes)
    if (volume.letter == letter) return volume.serial;
  return 0;
}

void CDatabaseConverter::CopySongs(CDaoDatabase& source, CDaoDatabase& target) {
  // Old columns: 0 SongID, 1 SongTypeCode, 2 SongName, 3 SongArtist, 4 SongAlbumName ... 14 SongCompression,
  // 15 SongComments ... 18 SongRotationCode, 19 SongPath, 20 SongGUID.
  CDaoRecordset oldSongs(&source);
  oldSongs.Open(dbOpenSnapshot,
                "Select SongID, SongTypeCode, SongName, SongArtist, SongAlbumName, SongLabel, SongDate, SongRecordDate, "
                "SongBPM, SongBPMAccuracy, SongAttributes, SongLength, SongCdTrack, SongCDDB, SongCompression, "
                "SongComments, SongInventoryCode, SongSource, SongRotationCode, SongPath, SongGUID From Songs; ",
                dbForwardOnly);
  CDaoRecordset newSongs(&target);
  newSongs.Open(dbOpenDynaset,
                "Select SongID, SongName, SongArtist, SongAlbumName, SongLabel, SongDate, SongRecordDate, SongBPM, "
                "SongBPMAccuracy, SongAttributes, SongLength, SongCdTrack, SongCDDB, SongCompression, SongUncompressed, "
                "SongComments, SongInventoryCode, SongSource, SongRotationCode, SongPath, SongVolser, SongGUID, "
                "SongPlayCount From Songs; ",
                dbAppendOnly);
  CDaoRecordset genres(&target);
  genres.Open(dbOpenDynaset, "Select SongID, SongGenre, PrimaryGenre From SongGenre; ", dbAppendOnly);
  for (; !oldSongs.IsEOF(); oldSongs.MoveNext()) {
    COleVariant songId = oldSongs.GetFieldValue(0);
    COleVariant artist = oldSongs.GetFieldValue(3);
    COleVariant compression = oldSongs.GetFieldValue(14);
    newSongs.AddNew();
    newSongs.SetFieldValue(0, songId);
    newSongs.SetFieldValue(1, oldSongs.GetFieldValue(2));
    newSongs.SetFieldValue(2, IsText(artist) && !TextOf(artist).IsEmpty() ? artist : COleVariant("Unknown"));
    for (int column = 3; column <= 13; ++column) newSongs.SetFieldValue(column, oldSongs.GetFieldValue(column + 1));
    newSongs.SetFieldValue(14, COleVariant::FromBool(IsText(compression) && TextOf(compression) == " "));
    for (int column = 15; column <= 18; ++column) newSongs.SetFieldValue(column, oldSongs.GetFieldValue(column));
    newSongs.SetFieldValue(19, COleVariant(""));
    DWORD serial = SerialOfPath(oldSongs.GetFieldValue(19));
    if (serial == 0) ++m_failedSongs;
    // Serials are stored as the signed Long of their 32 bits.
    newSongs.SetFieldValue(20, COleVariant(static_cast<LONG>(serial), VT_I4));
    newSongs.SetFieldValue(21, oldSongs.GetFieldValue(20));
    newSongs.SetFieldValue(22, COleVariant(static_cast<LONG>(0), VT_I4));
    newSongs.Update();
    COleVariant typeCode = oldSongs.GetFieldValue(1);
    // A song without a type has no genre to record; it is still copied.
    if (!IsText(typeCode) || TextOf(typeCode).IsEmpty()) continue;
    genres.AddNew();
    genres.SetFieldValue(0, songId);
    genres.SetFieldValue(1, typeCode);
    genres.SetFieldValue(2, COleVariant::FromBool(true));
    genres.Update();
  }
  genres.Close();
  newSongs.Close();
  oldSongs.Close();
}

void CDatabaseConverter::CopyPlaylists(CDaoDatabase& source, CDaoDatabase& target) const {
  for (const char* sql : {"Select PlaylistName, PlaylistDate, CurrentSeqNum, PlaylistComment From Playlist; ",
                          "Select PlaylistName, PlaylistSequenceNum, SongID, PlaylistOffset From PlaylistDetail; "}) {
    CDaoRecordset oldRows(&source);
    oldRows.Open(dbOpenSnapshot, sql, dbForwardOnly);
    CDaoRecordset newRows(&target);
    newRows.Open(dbOpenDynaset, sql, dbAppendOnly);
    for (; !oldRows.IsEOF(); oldRows.MoveNext()) {
      newRows.AddNew();
      for (int column = 0; column < 4; ++column) newRows.SetFieldValue(column, oldRows.GetFieldValue(column));
      newRows.Update();
    }
    newRows.Close();
    oldRows.Close();
  }
}
