// Genre rows of songs and the song-type cursor.
#include "dblib/QHDbInternal.h"
#include "dblib/Song.h"
#include "dblib/TextUtil.h"

using namespace qh::dblib;

int tQHDb::LoadSongGenres(tSong* song) {
  if (IsClosed()) return -1;
  if (song == nullptr) {
    SetError(QHDB_ERR_BAD_PARAMETER);
    return -1;
  }
  return Guarded(-2, -3, -4, [&]() -> LONG {
    CDaoQueryDef*& query = m_queries[kQueryGenres - 1];
    if (query == nullptr) {
      auto made = std::make_unique<CDaoQueryDef>(m_pDatabase);
      made->Create(nullptr, "Select SongGenre, PrimaryGenre,  SongID from SongGenre Where SongID = [pSongID]; ");
      query = made.release();
    }
    query->SetParamValue(0, COleVariant(song->SongID, VT_I4));
    CDaoRecordset genres(m_pDatabase);
    OpenRetried(genres, query, dbOpenSnapshot, dbForwardOnly);
    LONG count = 0;
    for (; !genres.IsEOF(); genres.MoveNext()) {
      CString genre;
      LONG primary = 0;
      ReadText(genres.GetFieldValue(0), genre);
      ReadBool(genres.GetFieldValue(1), primary);
      song->AddGenre(genre, primary != 0);
      ++count;
    }
    genres.Close();
    return count;
  });
}

int tQHDb::AddSongGenre(LONG songId, LPCTSTR genre, SHORT primary) {
  if (IsClosed()) return -1;
  if (IsBadSongId(songId)) return -2;
  const CString name = genre != nullptr ? genre : "";
  return Guarded(-3, -4, -5, [&]() -> LONG {
    CString statement =
        FormatSql("Select SongID, SongGenre, PrimaryGenre From SongGenre Where SongID = %d And SongGenre = '%s' ;",
                  songId, SqlQuoteText(name).GetString());
    CDaoRecordset row(m_pDatabase);
    DaoRetry retry;
    retry.Run([&] {
      if (row.IsOpen()) row.Close();
      row.Open(dbOpenDynaset, statement, dbConsistent);
      if (row.IsEOF()) {
        row.AddNew();
        row.SetFieldValue("SongID", COleVariant(songId, VT_I4));
        row.SetFieldValue("SongGenre", COleVariant(name));
      } else {
        row.Edit();
      }
      row.SetFieldValue("PrimaryGenre", BoolValue(primary != 0));
      row.Update();
    });
    row.Close();
    return 0;
  });
}

LONG tQHDb::DeleteSongGenres(LONG songId) {
  if (IsClosed()) return -1;
  if (IsBadSongId(songId)) return -2;
  return Guarded(-3, -4, -5, [&]() -> LONG {
    CString statement = FormatSql("Delete From SongGenre Where SongID = %d ;", songId);
    return ExecuteRetried(statement);
  });
}

int tQHDb::OpenSongTypes(LPCTSTR code) {
  if (IsClosed()) return 0;
  const CString wanted = code != nullptr ? code : "";
  return Guarded(0, 0, 0, [&]() -> LONG {
    CString statement = "Select SongTypeCode, SongTypeDescription, MinBpm, MaxBpm, ReservedCode From SongType ";
    if (!wanted.IsEmpty()) statement += FormatSql("Where SongTypeCode = '%s' ", SqlQuoteText(wanted).GetString());
    statement += "Order by SongTypeCode;";
    ReopenCached(kSetSongTypes, dbOpenSnapshot, statement, dbForwardOnly);
    return 1;
  });
}

int tQHDb::NextSongType(CString& code, CString& description, SHORT& minBpm, SHORT& maxBpm, LONG& reserved) {
  return NextInFamily(kSetSongTypes, [&](CDaoRecordset& set) -> LONG {
    ReadText(set.GetFieldValue(0), code);
    ReadText(set.GetFieldValue(1), description);
    ReadShort(set.GetFieldValue(2), minBpm);
    ReadShort(set.GetFieldValue(3), maxBpm);
    ReadBool(set.GetFieldValue(4), reserved);
    return 1;
  });
}

int tQHDb::CloseSongTypes() { return CloseFamily(kSetSongTypes); }
