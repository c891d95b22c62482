// The upgrade of a version 02.70 song database to 04.00. The new file is built under a work name beside
// the old one, filled from a backup copy of the old file, marked 04.00 only after every row is in,
// checked, and then renamed over the old file in one step: until that moment the old file stays the
// library, so a failed or killed conversion leaves it in place and usable.
#pragma once

#include <functional>
#include <vector>

#include "maintenance/files/FileSteps.h"
#include "platform/core/CString.h"

class CDaoDatabase;
class COleVariant;

class CDatabaseConverter {
 public:
  using LogSink = std::function<void(const CString&)>;

  enum Outcome {
    kUpgraded,          // the new database is in place
    kVolumesMissing,    // in place, but some songs' volumes were not found
    kAlreadyCurrent,    // nothing to do
    kUnknownVersion,    // a version this converter does not upgrade
    kFailed,            // stopped; the old database is untouched
  };

  CDatabaseConverter(const CString& databaseFolder, LogSink log, CFileSteps& steps = DefaultFileSteps());

  Outcome Convert();
  LONG FailedSongs() const { return m_failedSongs; }
  const CString& BackupFile() const { return m_backupFile; }

  // A local volume of the drive scan.
  struct LocalVolume {
    char letter = 0;
    DWORD serial = 0;
    CString label;
    ULONGLONG totalBytes = 0;
    ULONGLONG freeBytes = 0;
    bool holdsDatabase = false;
  };
  const std::vector<LocalVolume>& LocalVolumes() const { return m_volumes; }

  // The seven stored queries in the converter's own layout.
  static CString ConverterQuerySql(int index);

 private:
  void Log(const CString& text) const;
  void ScanLocalVolumes();
  // The old file's version text; throws the conversion's error code 1 when there is none.
  CString ReadOldVersion(const CString& database) const;
  Outcome Upgrade(const CString& database, const CString& oldVersion);
  void BuildSchema(CDaoDatabase& target) const;
  void CopySongTypes(CDaoDatabase& source, CDaoDatabase& target) const;
  void CopySongs(CDaoDatabase& source, CDaoDatabase& target);
  void CopyPlaylists(CDaoDatabase& source, CDaoDatabase& target) const;
  DWORD SerialOfPath(const COleVariant& oldPath);

  CString m_folder;
  LogSink m_log;
  CFileSteps& m_steps;
  std::vector<LocalVolume> m_volumes;
  std::vector<char> m_lettersMet;
  LONG m_failedSongs = 0;
  CString m_backupFile;
};

// The error a conversion raises itself (1: the old file has no version row).
struct ConversionError {
  int code;
};
