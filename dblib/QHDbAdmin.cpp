// The administrator's own lookups: one volume row by serial, one local volume by index.
#include "dblib/QHDbInternal.h"
#include "dblib/Storage.h"

using namespace qh::dblib;

int tQHDb::GetVolume(DWORD serial, CString& letter, CString& label, CString& path, LONG& totalHigh,
                     LONG& totalLow) {
  if (IsClosed()) return 0;
  return Guarded(0, 0, 0, [&]() -> LONG {
    // DriveVolser is a signed Long: a serial with its high bit set is stored negative, so it is written
    // into the statement with the same sign, else half of all serials would never be found.
    ReopenCached(kSetVolumes,
                 dbOpenSnapshot,
                 FormatSql("Select DriveLetter, DriveLabel, DrivePath, TotalSpaceHi, TotalSpaceLo from VolserList "
                           "Where DriveVolser = %d; ",
                           static_cast<LONG>(serial)),
                 dbForwardOnly);
    CDaoRecordset* set = ExistingRecordset(kSetVolumes);
    if (set->IsEOF()) {
      CloseFamily(kSetVolumes);
      SetError(QHDB_ERR_NOT_FOUND);
      return 0;
    }
    ReadText(set->GetFieldValue(0), letter);
    ReadText(set->GetFieldValue(1), label);
    ReadText(set->GetFieldValue(2), path);
    ReadLong(set->GetFieldValue(3), totalHigh);
    ReadLong(set->GetFieldValue(4), totalLow);
    CloseFamily(kSetVolumes);
    return 1;
  });
}

int tStorage::GetLocalVolume(int index, DWORD& serial, char& letter, CString& label, DWORD& totalHigh,
                             DWORD& totalLow, DWORD& freeHigh, DWORD& freeLow) const {
  if (index < 0 || index >= GetLocalVolumeCount()) return 0;
  const LocalVolume& local = m_localVolumes[static_cast<size_t>(index)];
  serial = local.serial;
  letter = local.letter;
  label = local.label;
  totalHigh = local.totalHigh;
  totalLow = local.totalLow;
  freeHigh = local.freeHigh;
  freeLow = local.freeLow;
  return 1;
}
