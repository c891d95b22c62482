#include "maintenance/admin/DatabaseCheck.h"

#include <memory>

#include "dblib/QHDb.h"
#include "dblib/QuavParmsSet.h"
#include "dblib/Song.h"
#include "dblib/Storage.h"
#include "maintenance/admin/AdminErrors.h"
#include "maintenance/admin/AdminResources.h"
#include "maintenance/files/FileSteps.h"
#include "maintenance/schema/SongDbSchema.h"
#include "platform/core/DateTime.h"
#include "platform/core/File.h"
#include "platform/core/FileApi.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/ui/MessageBox.h"

// The SQL texts are kept exactly as the check has always run them, blanks included.
const DbCheckStep kDbCheckScript[] = {
    {'Q', "The following songs have invalid Genre codes:",
     "Select   C.SongGenre, A.SongID, A.SongName, A.SongArtist   from Songs A, SongGenre C   where A.SongID = "
     "C.SongID   and not exists (     select *       from SongType B       where C.SongGenre = B.SongTypeCode   "
     ")   order by C.SongGenre, A.SongID; "},
    {'Q', "The following orphaned genre entries are being deleted:",
     "Select A.SongID, A.SongGenre   from SongGenre A   where not exists (     select *       from Songs B       "
     "where A.SongID = B.SongID   )   order by A.SongID, A.SongGenre; "},
    {'X', "Deleting orphaned genre entries...",
     "Delete   from SongGenre A   where not exists (     select *       from Songs B       where A.SongID = "
     "B.SongID   ); "},
    {'Q', "The following orphaned cue list entries are being deleted:",
     "Select A.SongID, A.CueNumber, A.CueDescription   from CueList A   where not exists (     select *       from "
     "Songs B       where A.SongID = B.SongID   )   order by A.SongID, A.CueNumber; "},
    {'X', "Deleting orphaned cue list entries...",
     "Delete   from CueList A   where not exists (     select *       from Songs B       where A.SongID = "
     "B.SongID   ); "},
    {'Q', "The following Songs are missing names:",
     "Select   SongID, SongName, SongArtist   from Songs   where SongName = ' '     or SongName is null; "},
    {'Q', "The following are duplicate Songs with the same names:",
     "Select   SongName, SongArtist, Count(*)   from Songs   group by SongName, SongArtist   having Count(*) > 1; "},
    {'Q', "The following orphaned Playlist Detail entries are being deleted:",
     "Select A.SongID, A.PlaylistName, A.PlaylistSequenceNum   from PlaylistDetail A   where not exists (     "
     "select *       from Songs B       where A.SongID = B.SongID   )   order by A.PlaylistName, "
     "A.PlaylistSequenceNum, A.SongID; "},
    {'X', "Deleting orphaned Playlist Detail entries...",
     "Delete   from PlaylistDetail A   where not exists (     select *       from Songs B       where A.SongID = "
     "B.SongID   ); "},
    {'Q', "The following Playlist Detail entries are missing parent Playlist:",
     "Select A.PlaylistName   from PlaylistDetail A   where not exists (     select *       from Playlist B       "
     "where A.PlaylistName = B.PlaylistName   )   order by A.PlaylistName; "},
};
const int kDbCheckStepCount = static_cast<int>(sizeof kDbCheckScript / sizeof kDbCheckScript[0]);

namespace {

CString ColumnText(const COleVariant& value) {
  CString text;
  switch (value.vt) {
    case VT_NULL:
    case VT_EMPTY: return "[*NULL*]";
    case VT_I2: text.Format("[%d]", static_cast<int>(value.iVal)); break;
    case VT_I4: text.Format("[%ld]", value.lVal); break;
    case VT_BSTR: text.Format("[%s]", value.bstrVal); break;
    default: {
      // Other types never occur in the script's selects; their engine text is shown.
      COleVariant copy(value);
      copy.ChangeType(VT_BSTR);
      text.Format("[%s]", copy.bstrVal);
      break;
    }
  }
  return text;
}

}  // namespace

CDatabaseCheck::CDatabaseCheck(const CString& databaseFolder, StatusSink status)
    : m_folder(databaseFolder), m_status(std::move(status)) {}

CString CDatabaseCheck::ReportFile() const { return m_folder + "\\DbCheck.txt"; }

void CDatabaseCheck::WriteText(const CString& text) { m_report->Write(text.GetString(), text.GetLength()); }

bool CDatabaseCheck::Run() {
  m_errorCount = 0;
  CFile report;
  CFileException* openError = nullptr;
  if (!report.Open(ReportFile(), CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive, openError)) {
    AfxMessageBox(IDS_UNEXPECTED_ERROR, MB_ICONSTOP);
    return false;
  }
  m_report = &report;
  bool finished = false;
  RunReportingErrors([&] {
    // The check's own connection is shared, not exclusive: the song database object below opens the
    // same file a second time, and the single-instance rule already keeps the other programs away.
    CDaoDatabase database;
    database.Open(m_folder + kSongDbFileName, FALSE, FALSE);
    double version = ReadParameterNumber(&database, "DatabaseVersion");
    if (version != 4.0) {
      AfxMessageBox(FormatText(IDS_WRONG_VERSION, 4.0, version), MB_ICONSTOP);
      return;
    }
    if (m_status) m_status(LoadText(IDS_CHECKING));
    WriteHeader();
    RunScript(database);
    if (!CheckMediaFiles(database)) return;
    WriteTrailer();
    finished = true;
  });
  m_report = nullptr;
  report.Close();
  return finished;
}

void CDatabaseCheck::WriteHeader() {
  CString header = FormatText(IDS_REPORT_HEADER, CTime::GetCurrentTime().Format("%#x").GetString());
  WriteText(header);
  WriteText(CString('=', header.GetLength() - 2) + "\r\n");
}

void CDatabaseCheck::RunScript(CDaoDatabase& database) {
  for (int index = 0; index < kDbCheckStepCount; ++index) {
    const DbCheckStep& step = kDbCheckScript[index];
    if (step.kind == 'Q')
      ListRows(database, step);
    else
      DeleteRows(database, step);
  }
}

void CDatabaseCheck::ListRows(CDaoDatabase& database, const DbCheckStep& step) {
  CString block = CString(step.text) + "\r\n";
  CDaoRecordset rows(&database);
  rows.Open(dbOpenSnapshot, step.sql, dbForwardOnly);
  int listed = 0;
  for (; !rows.IsEOF(); rows.MoveNext(), ++listed) {
    short columns = rows.GetFieldCount();
    for (short column = 0; column < columns; ++column) block += " " + ColumnText(rows.GetFieldValue(column));
    block += "\r\n";
  }
  rows.Close();
  if (listed == 0) block += LoadText(IDS_NO_RECORDS);
  block += "\r\n\r\n";
  m_errorCount += listed;
  WriteText(block);
}

void CDatabaseCheck::DeleteRows(CDaoDatabase& database, const DbCheckStep& step) {
  database.Execute(step.sql, dbFailOnError);
  WriteText(CString(step.text) + "\r\n" + FormatText(IDS_RECORDS_AFFECTED, static_cast<LONG>(database.GetRecordsAffected())) +
            "\r\n\r\n");
}

bool CDatabaseCheck::CheckMediaFiles(CDaoDatabase& database) {
  tQHDb songDb;
  if (!songDb.Open(m_folder + kSongDbFileName, FALSE, FALSE)) {
    AfxMessageBox(IDS_NO_DB_OBJECT, MB_ICONSTOP);
    return false;
  }
  tStorage storage(&database);
  int result = storage.Init(4.0, m_folder);
  if (result != 0) {
    AfxMessageBox(FormatText(IDS_NO_STORAGE_OBJECT, result), MB_ICONSTOP);
    return false;
  }
  LONG serial = 0, totalHigh = 0, totalLow = 0;
  CString letter, label, path;
  if (songDb.OpenVolumes()) {
    while (songDb.NextVolume(serial, letter, label, path, totalHigh, totalLow) == 1)
      if (!letter.IsEmpty())
        storage.AddVolume(static_cast<DWORD>(serial), letter, label, path, static_cast<DWORD>(totalHigh),
                          static_cast<DWORD>(totalLow));
    songDb.CloseVolumes();
  }
  if (storage.HasDuplicateVolumes()) {
    AfxMessageBox(IDS_DUPLICATE_VOLUMES, MB_ICONSTOP);
    songDb.Close();
    return false;
  }
  double totalBytes = 0;
  storage.GetFreeSpace(totalBytes);
  storage.CountSongsPerVolume();
  tSong song;
  result = song.Attach(&songDb, &storage);
  if (result < 0) {
    AfxMessageBox(FormatText(IDS_NO_SONG_OBJECT, result), MB_ICONSTOP);
    songDb.Close();
    return false;
  }
  WriteText(LoadText(IDS_SEARCHING_FILES));
  int missing = 0;
  // The song list of the library would read every song's genres too; the file name needs only the
  // id, the compression code, the volume and the path, so they are read alone, in SongID order.
  CString lines;
  CDaoRecordset songs(&database);
  songs.Open(dbOpenSnapshot, "Select SongID, SongCompression, SongVolser, SongPath From Songs Order By SongID ",
             dbForwardOnly);
  for (; !songs.IsEOF(); songs.MoveNext()) {
    song.Clear();
    COleVariant id = songs.GetFieldValue(0), code = songs.GetFieldValue(1), volume = songs.GetFieldValue(2),
                path = songs.GetFieldValue(3);
    song.SongID = id.vt == VT_I4 ? id.lVal : 0;
    song.SongCompression = code.vt == VT_BSTR && code.bstrVal[0] != '\0' ? code.bstrVal[0] : '?';
    song.SongVolser = volume.vt == VT_I4 ? static_cast<DWORD>(volume.lVal) : 0;
    song.SongPath = path.vt == VT_BSTR ? CString(path.bstrVal) : CString();
    CString media = song.GetMediaFileName();
    if (!media.IsEmpty() && FileExists(media)) continue;
    lines += FormatText(IDS_MISSING_FILE, song.SongID, song.SongVolser, song.SongPath.GetString());
    ++missing;
    if (lines.GetLength() > 65536) {
      WriteText(lines);
      lines.Empty();
    }
  }
  songs.Close();
  WriteText(lines);
  if (missing == 0) WriteText(LoadText(IDS_NO_RECORDS) + "\r\n");
  WriteText("\r\n");
  m_errorCount += missing;
  songDb.Close();
  return true;
}

void CDatabaseCheck::WriteTrailer() {
  WriteText(LoadText(IDS_REPORT_END));
  WriteText(FormatText(IDS_REPORT_TOTAL, m_errorCount));
}
