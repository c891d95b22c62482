// Volume rows: the storage volumes that hold songs.
#include "dblib/QHDbInternal.h"

using namespace qh::dblib;

int tQHDb::OpenVolumes() {
  if (IsClosed()) return 0;
  return Guarded(0, 0, 0, [&]() -> LONG {
    ReopenCached(kSetVolumes, dbOpenSnapshot,
                 "Select DriveVolser, DriveLetter, DriveLabel, DrivePath, TotalSpaceHi, TotalSpaceLo from VolserList "
                 "Order by DriveVolser; ",
                 dbForwardOnly);
    return 1;
  });
}

int tQHDb::NextVolume(LONG& serial, CString& letter, CString& label, CString& path, LONG& totalHigh,
                      LONG& totalLow) {
  return NextInFamily(kSetVolumes, [&](CDaoRecordset& set) -> LONG {
    ReadLong(set.GetFieldValue(0), serial);
    ReadText(set.GetFieldValue(1), letter);
    ReadText(set.GetFieldValue(2), label);
    ReadText(set.GetFieldValue(3), path);
    ReadLong(set.GetFieldValue(4), totalHigh);
    ReadLong(set.GetFieldValue(5), totalLow);
    return 1;
  });
}

int tQHDb::CloseVolumes() { return CloseFamily(kSetVolumes); }

int tQHDb::SaveVolume(LONG serial, LPCTSTR letter, LPCTSTR label, LPCTSTR path, LONG totalHigh, LONG totalLow) {
  if (IsClosed()) return -1;
  if (serial == 0) {
    SetError(QHDB_ERR_BAD_SONG_ID);
    return -2;
  }
  if (path == nullptr || *path == '\0') {
    SetError(QHDB_ERR_BAD_PARAMETER);
    return -6;
  }
  return Guarded(-3, -4, -5, [&]() -> LONG {
    CString statement = FormatSql(
        "Select DriveVolser, DriveLetter, DriveLabel, DrivePath, TotalSpaceHi, TotalSpaceLo From VolserList Where "
        "DriveVolser = %d ;",
        serial);
    CDaoRecordset row(m_pDatabase);
    DaoRetry retry;
    retry.Run([&] {
      if (row.IsOpen()) row.Close();
      row.Open(dbOpenDynaset, statement, dbConsistent);
      if (row.IsEOF()) {
        row.AddNew();
        row.SetFieldValue("DriveVolser", COleVariant(serial, VT_I4));
      } else {
        row.Edit();
      }
      row.SetFieldValue("DriveLetter", COleVariant(letter != nullptr ? letter : ""));
      row.SetFieldValue("DriveLabel", COleVariant(label != nullptr ? label : ""));
      row.SetFieldValue("DrivePath", COleVariant(path));
      row.SetFieldValue("TotalSpaceHi", COleVariant(totalHigh, VT_I4));
      row.SetFieldValue("TotalSpaceLo", COleVariant(totalLow, VT_I4));
      row.Update();
    });
    row.Close();
    return 0;
  });
}
