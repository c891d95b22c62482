// Song rows: read, add, change and delete one song with its genre rows.
#include <uuid/uuid.h>

#include "dblib/QHDbInternal.h"
#include "dblib/Song.h"
#include "dblib/TextUtil.h"

using namespace qh::dblib;

namespace {

constexpr int kSongColumns = 23;

// A new GUID in the engine's layout: the first three parts are numbers, the last eight bytes raw.
bool MakeGuid(GUID& guid) {
  uuid_t bytes;
  uuid_generate(bytes);
  if (uuid_is_null(bytes)) return false;
  guid.Data1 = (DWORD(bytes[0]) << 24) | (DWORD(bytes[1]) << 16) | (DWORD(bytes[2]) << 8) | bytes[3];
  guid.Data2 = static_cast<WORD>((bytes[4] << 8) | bytes[5]);
  guid.Data3 = static_cast<WORD>((bytes[6] << 8) | bytes[7]);
  for (int i = 0; i < 8; ++i) guid.Data4[i] = bytes[8 + i];
  return true;
}

COleVariant DateValue(const COleDateTime& date) {
  // A date the record does not hold (invalid or null) is stored as Null, never as 1899-12-30.
  if (date.GetStatus() != COleDateTime::valid) return COleVariant::Null();
  return COleVariant::FromDate(date.m_dt);
}

COleVariant SongColumnValue(const tSong& song, int column) {
  switch (column) {
    case 0: return COleVariant(song.SongID, VT_I4);
    case 1: return COleVariant(song.SongName);
    case 2: return COleVariant(song.SongArtist);
    case 3: return COleVariant(song.SongAlbumName);
    case 4: return COleVariant(song.SongLabel);
    case 5: return DateValue(song.SongDate);
    case 6: return DateValue(song.SongRecordDate);
    case 7: return COleVariant(song.SongBPM);
    case 8: return COleVariant(song.SongBPMAccuracy);
    case 9: return COleVariant(song.SongAttributes);
    case 10: return COleVariant(song.SongLength);
    case 11: return COleVariant(static_cast<SHORT>(song.SongCdTrack), VT_I2);
    case 12: return COleVariant(static_cast<LONG>(song.SongCDDB), VT_I4);
    case 13: return COleVariant(CString(song.SongCompression, 1));
    case 14: return BoolValue(song.SongUncompressed != FALSE);
    case 15: return COleVariant(song.SongComments);
    case 16: return COleVariant(song.SongInventoryCode);
    case 17: return COleVariant(song.SongSource);
    case 18: return COleVariant(song.SongRotationCode);
    case 19: return COleVariant(song.SongPath);
    case 20: return COleVariant(static_cast<LONG>(song.SongVolser), VT_I4);
    case 21: return COleVariant(song.SongGUID);
    default: return COleVariant(song.SongPlayCount, VT_I4);
  }
}

// Record to row: columns first..22 of the song select.
void WriteSongColumns(CDaoRecordset& set, const tSong& song, int first) {
  for (int column = first; column < kSongColumns; ++column) set.SetFieldValue(column, SongColumnValue(song, column));
}

void ReadDate(const COleVariant& value, COleDateTime& out) {
  if (value.vt == VT_DATE) out = COleDateTime(value.date);
}
void ReadDouble(const COleVariant& value, double& out) {
  if (value.vt == VT_R8) out = value.dblVal;
}

// Row to record, without the genres: the record is cleared, then each column of the expected type is
// copied straight into its field.
void CopySongRow(CDaoRecordset& set, tSong& song) {
  song.Clear();
  LONG number = 0;
  SHORT shortNumber = 0;
  CString text;
  if (ReadLong(set.GetFieldValue(0), number)) song.SongID = number;
  ReadText(set.GetFieldValue(1), song.SongName);
  ReadText(set.GetFieldValue(2), song.SongArtist);
  ReadText(set.GetFieldValue(3), song.SongAlbumName);
  ReadText(set.GetFieldValue(4), song.SongLabel);
  ReadDate(set.GetFieldValue(5), song.SongDate);
  ReadDate(set.GetFieldValue(6), song.SongRecordDate);
  ReadDouble(set.GetFieldValue(7), song.SongBPM);
  ReadDouble(set.GetFieldValue(8), song.SongBPMAccuracy);
  ReadText(set.GetFieldValue(9), song.SongAttributes);
  ReadText(set.GetFieldValue(10), song.SongLength);
  if (ReadShort(set.GetFieldValue(11), shortNumber)) song.SongCdTrack = shortNumber;
  if (ReadLong(set.GetFieldValue(12), number)) song.SongCDDB = static_cast<DWORD>(number);
  if (ReadText(set.GetFieldValue(13), text) && !text.IsEmpty()) song.SongCompression = text[0];
  if (ReadBool(set.GetFieldValue(14), number)) song.SongUncompressed = number;
  ReadText(set.GetFieldValue(15), song.SongComments);
  ReadText(set.GetFieldValue(16), song.SongInventoryCode);
  ReadText(set.GetFieldValue(17), song.SongSource);
  ReadText(set.GetFieldValue(18), song.SongRotationCode);
  ReadText(set.GetFieldValue(19), song.SongPath);
  if (ReadLong(set.GetFieldValue(20), number)) song.SongVolser = static_cast<DWORD>(number);
  ReadText(set.GetFieldValue(21), song.SongGUID);
  ReadLong(set.GetFieldValue(22), song.SongPlayCount);
}

}  // namespace

LONG tQHDb::ReadSong(tSong* song, CDaoRecordset* set) {
  DaoRetry retry;
  retry.Run([&] { CopySongRow(*set, *song); });
  LoadSongGenres(song);
  return song->SongID;
}

int tQHDb::GetSongDetail(LONG songId, tSong* song) {
  SetError(QHDB_ERR_NOT_FOUND);
  if (IsBadSongId(songId)) return 0;
  if (IsClosed()) return 0;
  if (song == nullptr) {
    SetError(QHDB_ERR_BAD_PARAMETER);
    return 0;
  }
  return Guarded(0, 0, 0, [&]() -> LONG {
    CDaoQueryDef* query = StoredQuery(kQueryGetSongDetail, "qryGetSongDetail");
    query->SetParamValue(0, COleVariant(songId, VT_I4));
    CDaoRecordset detail(m_pDatabase);
    DaoRetry retry;
    OpenRetried(detail, query, dbOpenSnapshot, dbForwardOnly, &retry);
    if (detail.IsEOF()) return 0;
    retry.Run([&] { CopySongRow(detail, *song); });
    song->SongID = songId;
    detail.Close();
    // The genres are read once, and only for a row that exists.
    LoadSongGenres(song);
    return 1;
  });
}

// Primary genre first; a further genre that repeats the primary one is skipped, so the primary row
// keeps its flag.
bool tQHDb::WriteGenres(LONG songId, const tSong& song) {
  if (song.SongPrimaryGenre.IsEmpty()) return true;
  if (AddSongGenre(songId, song.SongPrimaryGenre, TRUE) != 0) return false;
  for (const CString& genre : song.SongGenres) {
    if (genre.IsEmpty() || genre.CompareNoCase(song.SongPrimaryGenre) == 0) continue;
    if (AddSongGenre(songId, genre, FALSE) != 0) return false;
  }
  return true;
}

LONG tQHDb::AddSong(tSong* song) {
  if (IsClosed()) return -1;
  if (song == nullptr) {
    SetError(QHDB_ERR_BAD_PARAMETER);
    return -1;
  }
  if (song->SongGUID.GetLength() < kSongGuidLength) {
    GUID guid;
    if (!MakeGuid(guid)) {
      SetError(QHDB_ERR_NO_GUID);
      return -1;
    }
    song->SetSongGUID(GuidToString(guid));
  }
  return Guarded(-3, -4, -5, [&]() -> LONG {
    WorkspaceTransaction transaction(m_pDatabase);
    LONG newId = 1;
    {
      CDaoRecordset highest(m_pDatabase);
      highest.Open(dbOpenSnapshot, "Select Max(SongID) From Songs;", dbConsistent);
      if (!highest.IsEOF()) {
        COleVariant maximum = highest.GetFieldValue(0);
        if (!maximum.IsNull()) newId = maximum.ToLong() + 1;
      }
      highest.Close();
    }
    song->SongID = newId;
    song->SongRecordDate = COleDateTime::GetCurrentTime();

    CDaoQueryDef* query = StoredQuery(kQueryGetSongDetail, "qryGetSongDetail");
    query->SetParamValue(0, COleVariant(newId, VT_I4));
    CDaoRecordset row(m_pDatabase);
    row.Open(query, dbOpenDynaset, dbConsistent);
    if (!row.IsEOF()) {
      row.Close();
      SetError(QHDB_ERR_NOT_INITIALIZED);
      return -2;
    }
    DaoRetry retry;
    retry.Run([&] {
      if (row.GetEditMode() != dbEditNone) row.CancelUpdate();
      row.AddNew();
      WriteSongColumns(row, *song, 0);
      row.Update();
    });
    song->SongID = newId;
    row.Close();

    if (!WriteGenres(newId, *song)) return -6;
    transaction.Commit();
    return newId;
  });
}

int tQHDb::UpdateSong(tSong* song) {
  if (IsClosed()) return 0;
  if (song == nullptr) {
    SetError(QHDB_ERR_BAD_PARAMETER);
    return 0;
  }
  return Guarded(0, 0, 0, [&]() -> LONG {
    CDaoQueryDef* query = StoredQuery(kQueryGetSongDetail, "qryGetSongDetail");
    WorkspaceTransaction transaction(m_pDatabase);
    query->SetParamValue(0, COleVariant(song->SongID, VT_I4));
    CDaoRecordset row(m_pDatabase);
    row.Open(query, dbOpenDynaset, dbConsistent);
    if (row.IsEOF()) {
      row.Close();
      SetError(QHDB_ERR_NOT_INITIALIZED);
      return 0;
    }
    DaoRetry retry;
    retry.Run([&] {
      if (row.GetEditMode() != dbEditNone) row.CancelUpdate();
      row.Edit();
      WriteSongColumns(row, *song, 1);
      row.Update();
    });
    row.Close();
    if (DeleteSongGenres(song->SongID) < 0) return 0;
    if (!WriteGenres(song->SongID, *song)) return 0;
    transaction.Commit();
    return 1;
  });
}

LONG tQHDb::DeleteSong(LONG songId) {
  if (IsClosed()) return -1;
  if (IsBadSongId(songId)) return -2;
  return Guarded(-3, -4, -5, [&]() -> LONG {
    WorkspaceTransaction transaction(m_pDatabase);
    const CString statements[] = {
        FormatSql("Delete From SongGenre Where SongID = %d ;", songId),
        FormatSql("Delete From CueList Where SongID = %d ;", songId),
        FormatSql("Delete From DJSequence Where CurrentSong = %d Or NextSong = %d ;", songId, songId),
        FormatSql("Delete From PlaylistDetail Where SongID = %d ;", songId),
        FormatSql("Delete From Songs Where SongID = %d ;", songId),
    };
    LONG deleted = 0;
    for (const CString& statement : statements) {
      m_pDatabase->Execute(statement, dbFailOnError);
      deleted += m_pDatabase->GetRecordsAffected();
    }
    transaction.Commit();
    return deleted;
  });
}
