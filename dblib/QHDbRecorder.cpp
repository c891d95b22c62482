// The members only the recorder calls: the playlists of a song, song-type upkeep, cue points, the
// song list joined on the primary genre, playlist removal, counts by compression code and the
// remote-jukebox row. Every text from outside reaches a statement through SqlQuoteText, so an
// apostrophe in a playlist, genre or cue name neither breaks the statement nor changes it; every Next
// member resets its outputs first, so a Null column never shows the previous row's value.
#include "dblib/QHDbInternal.h"
#include "dblib/TextUtil.h"

using namespace qh::dblib;

namespace {

CString Quoted(LPCTSTR text) { return SqlQuoteText(text != nullptr ? text : ""); }

void ReadDate(const COleVariant& value, COleDateTime& out) {
  if (value.vt == VT_DATE) out = COleDateTime(value.date);
}

constexpr const char* kSongSelectWithGenre =
    "Select A.SongID, A.SongName, A.SongArtist, A.SongAlbumName, A.SongLabel, A.SongDate, A.SongRecordDate, "
    "A.SongBPM, A.SongBPMAccuracy, A.SongAttributes, A.SongLength, A.SongCdTrack, A.SongCDDB, A.SongCompression, "
    "A.SongUncompressed, A.SongComments, A.SongInventoryCode, A.SongSource, A.SongRotationCode, A.SongPath, "
    "A.SongVolser, A.SongGUID, A.SongPlayCount, B.SongGenre From Songs A, SongGenre B ";

// Whether the order's first key is a column of the songs ("A."). With no criterion every song is
// listed; walking the songs in that column's index, each one's primary genre found by its key, hands
// out the first rows at once, whereas the planner left to itself walks the genre rows and sorts every
// song before the first is read. The unary plus on the songs' key keeps it from that path. An order
// by genre already walks the genre index and is left as it is.
bool OrderLeadsWithSongColumn(const CString& order) {
  CString text = order;
  text.Trim();
  const CString orderBy = "ORDER BY";
  if (text.GetLength() <= orderBy.GetLength() || text.Left(orderBy.GetLength()).CompareNoCase(orderBy) != 0) return false;
  text = text.Mid(orderBy.GetLength());
  text.TrimLeft();
  return text.GetLength() > 2 && (text[0] == 'A' || text[0] == 'a') && text[1] == '.';
}

}  // namespace

// ---- Playlists of a song ----

int tQHDb::OpenPlaylistsOfSong(LONG songId) {
  if (IsClosed()) return 0;
  return Guarded(0, 0, 0, [&]() -> LONG {
    ReopenCached(kSetPlaylistsOfSong, dbOpenSnapshot,
                 FormatSql("Select PlaylistName, PlaylistSequenceNum From PlaylistDetail Where SongID = %d Order By "
                           "PlaylistName ",
                           songId),
                 dbReadOnly);
    return 1;
  });
}

int tQHDb::NextPlaylistOfSong(CString& playlistName, SHORT& sequence) {
  return NextInFamily(kSetPlaylistsOfSong, [&](CDaoRecordset& set) -> LONG {
    playlistName.Empty();
    sequence = 0;
    ReadText(set.GetFieldValue(0), playlistName);
    ReadShort(set.GetFieldValue(1), sequence);
    return 1;
  });
}

int tQHDb::ClosePlaylistsOfSong() {
  if (m_pDatabase != nullptr && ExistingRecordset(kSetPlaylistsOfSong) != nullptr) CloseFamily(kSetPlaylistsOfSong);
  return 1;
}

// ---- Song types ----

int tQHDb::DeleteSongType(LPCTSTR code) {
  if (IsClosed()) return -1;
  return Guarded(0, 0, 0, [&]() -> LONG {
    LONG deleted = ExecuteRetried(
        FormatSql("Delete From SongType Where SongTypeCode = '%s' And ReservedCode = False;", Quoted(code).GetString()));
    m_lastErrorCode = deleted;
    return deleted > 0 ? 1 : 0;
  });
}

int tQHDb::AddSongType(LPCTSTR code, LPCTSTR description, int minBpm, int maxBpm) {
  if (IsClosed()) return 0;
  return Guarded(0, 0, 0, [&]() -> LONG {
    CDaoRecordset row(m_pDatabase);
    OpenRetried(row, dbOpenDynaset,
                FormatSql("Select SongTypeCode, SongTypeDescription, MinBpm, MaxBpm, ReservedCode From SongType Where "
                          "SongTypeCode = '%s' ",
                          Quoted(code).GetString()),
                dbConsistent);
    if (!row.IsEOF()) {
      row.Close();
      SetError(QHDB_ERR_BAD_PARAMETER);
      return 0;
    }
    DaoRetry retry;
    retry.Run([&] {
      if (row.GetEditMode() != dbEditNone) row.CancelUpdate();
      row.AddNew();
      row.SetFieldValue(0, COleVariant(CString(code)));
      row.SetFieldValue(1, COleVariant(CString(description != nullptr ? description : "")));
      row.SetFieldValue(2, COleVariant(static_cast<SHORT>(minBpm), VT_I2));
      row.SetFieldValue(3, COleVariant(static_cast<SHORT>(maxBpm), VT_I2));
      row.SetFieldValue(4, BoolValue(false));
      row.Update();
    });
    row.Close();
    return 1;
  });
}

int tQHDb::UpdateSongType(LPCTSTR code, LPCTSTR description, int minBpm, int maxBpm) {
  if (IsClosed()) return 0;
  return Guarded(0, 0, 0, [&]() -> LONG {
    CDaoRecordset row(m_pDatabase);
    OpenRetried(row, dbOpenDynaset,
                FormatSql("Select SongTypeCode, SongTypeDescription, MinBpm, MaxBpm From SongType Where SongTypeCode = "
                          "'%s' ",
                          Quoted(code).GetString()),
                dbConsistent);
    if (row.IsEOF()) {
      row.Close();
      SetError(QHDB_ERR_NOT_FOUND);
      return 0;
    }
    DaoRetry retry;
    retry.Run([&] {
      if (row.GetEditMode() != dbEditNone) row.CancelUpdate();
      row.Edit();
      row.SetFieldValue(1, COleVariant(CString(description != nullptr ? description : "")));
      row.SetFieldValue(2, COleVariant(static_cast<SHORT>(minBpm), VT_I2));
      row.SetFieldValue(3, COleVariant(static_cast<SHORT>(maxBpm), VT_I2));
      row.Update();
    });
    row.Close();
    return 1;
  });
}

// ---- Cue points ----

int tQHDb::LoadCueList(LONG songId) {
  if (IsClosed()) return 0;
  return Guarded(0, 0, 0, [&]() -> LONG {
    ReopenCached(kSetCueList, dbOpenSnapshot,
                 FormatSql("Select CueDescription, CueNumber, CueOffset From CueList Where SongID = %d Order By "
                           "CueNumber ",
                           songId),
                 dbReadOnly);
    return 1;
  });
}

int tQHDb::NextCuePoint(CString& description, SHORT& number, CString& offset) {
  return NextInFamily(kSetCueList, [&](CDaoRecordset& set) -> LONG {
    description.Empty();
    number = 0;
    offset.Empty();
    ReadText(set.GetFieldValue(0), description);
    ReadShort(set.GetFieldValue(1), number);
    ReadText(set.GetFieldValue(2), offset);
    return 1;
  });
}

int tQHDb::CloseCueList() { return CloseFamily(kSetCueList); }

int tQHDb::AddCuePoint(LONG songId, LPCTSTR description, LPCTSTR offset) {
  if (IsClosed()) return 0;
  return Guarded(0, 0, 0, [&]() -> LONG {
    qh::dblib::WorkspaceTransaction transaction(m_pDatabase);
    CDaoRecordset highest(m_pDatabase);
    OpenRetried(highest, dbOpenSnapshot, FormatSql("Select Max(CueNumber) From CueList Where SongID = %d;", songId),
                dbForwardOnly);
    LONG next = 1;
    if (!highest.IsEOF() && highest.GetFieldValue(0).vt != VT_NULL) next = highest.GetFieldValue(0).ToLong() + 1;
    highest.Close();
    CDaoRecordset row(m_pDatabase);
    OpenRetried(row, dbOpenDynaset,
                FormatSql("Select SongID, CueDescription, CueNumber, CueOffset From CueList Where SongID = %d And "
                          "CueDescription = '%s' ",
                          songId, Quoted(description).GetString()),
                dbConsistent);
    if (!row.IsEOF()) {
      row.Close();
      SetError(QHDB_ERR_BAD_PARAMETER);
      return 0;  // the transaction rolls back
    }
    row.AddNew();
    row.SetFieldValue(0, COleVariant(songId, VT_I4));
    row.SetFieldValue(1, COleVariant(CString(description)));
    row.SetFieldValue(2, COleVariant(static_cast<SHORT>(next), VT_I2));
    row.SetFieldValue(3, COleVariant(CString(offset != nullptr ? offset : "")));
    row.Update();
    row.Close();
    transaction.Commit();
    return 1;
  });
}

int tQHDb::GetCueOffset(LONG songId, LPCTSTR description, CString& offset) {
  if (IsClosed()) return 0;
  return Guarded(0, 0, 0, [&]() -> LONG {
    CDaoRecordset row(m_pDatabase);
    OpenRetried(row, dbOpenSnapshot,
                FormatSql("Select CueOffset From CueList Where SongID = %d And CueDescription = '%s' ", songId,
                          Quoted(description).GetString()),
                dbForwardOnly);
    if (row.IsEOF()) return 0;
    offset.Empty();
    ReadText(row.GetFieldValue(0), offset);
    return 1;
  });
}

int tQHDb::GetCueNumber(LONG songId, LPCTSTR description, SHORT& number) {
  if (IsClosed()) return 0;
  return Guarded(0, 0, 0, [&]() -> LONG {
    CDaoRecordset row(m_pDatabase);
    OpenRetried(row, dbOpenSnapshot,
                FormatSql("Select CueNumber From CueList Where SongID = %d And CueDescription = '%s' ", songId,
                          Quoted(description).GetString()),
                dbForwardOnly);
    if (row.IsEOF()) return 0;
    number = 0;
    ReadShort(row.GetFieldValue(0), number);
    return 1;
  });
}

int tQHDb::DeleteCuePoint(LONG songId, LPCTSTR description) {
  if (IsClosed()) return -1;
  if (songId < 1) {
    SetError(QHDB_ERR_BAD_SONG_ID);
    return -2;
  }
  return Guarded(0, 0, 0, [&]() -> LONG {
    LONG deleted = ExecuteRetried(FormatSql("Delete From CueList Where SongID = %d And CueDescription = '%s';", songId,
                                            Quoted(description).GetString()));
    m_lastErrorCode = deleted;
    return deleted > 0 ? 1 : 0;
  });
}

int tQHDb::RenumberCuePoints(LONG songId) {
  if (IsClosed()) return 0;
  return Guarded(0, 0, 0, [&]() -> LONG {
    CDaoRecordset rows(m_pDatabase);
    OpenRetried(rows, dbOpenDynaset,
                FormatSql("Select CueNumber From CueList Where SongID = %d Order By CueNumber ", songId), dbConsistent);
    SHORT number = 1;
    for (; !rows.IsEOF(); rows.MoveNext()) {
      rows.Edit();
      rows.SetFieldValue(0, COleVariant(number++, VT_I2));
      rows.Update();
    }
    rows.Close();
    return 1;
  });
}

// ---- Song list on the primary genre ----

int tQHDb::OpenSongListByPrimaryGenre(LPCTSTR whereClause, LPCTSTR orderClause) {
  if (IsClosed()) return 0;
  const CString where = whereClause != nullptr ? whereClause : "";
  const CString order = orderClause != nullptr ? orderClause : "";
  return Guarded(0, 0, 0, [&]() -> LONG {
    CString statement;
    if (where.IsEmpty() && OrderLeadsWithSongColumn(order))
      statement = FormatSql("%s Where +A.SongID = B.SongID And B.PrimaryGenre = True %s; ", kSongSelectWithGenre,
                            order.GetString());
    else if (where.IsEmpty() && !order.IsEmpty())
      statement = FormatSql("%s Where A.SongID = B.SongID And B.PrimaryGenre = True %s; ", kSongSelectWithGenre,
                            order.GetString());
    else if (where.IsEmpty())
      statement = FormatSql("%s Where A.SongID = B.SongID And B.PrimaryGenre = True Order By B.SongGenre; ",
                            kSongSelectWithGenre);
    else
      statement = FormatSql("%s %s And A.SongID = B.SongID And B.PrimaryGenre = True %s;", kSongSelectWithGenre,
                            where.GetString(), order.GetString());
    ReopenCached(kSetSongList, dbOpenSnapshot, statement, dbForwardOnly);
    return 1;
  });
}

// ---- Playlists ----

LONG tQHDb::RemoveSongFromPlaylist(LPCTSTR playlistName, LONG songId) {
  if (IsClosed()) return -1;
  if (IsBadSongId(songId)) return -2;
  return Guarded(-3, -4, -5, [&]() -> LONG {
    return ExecuteRetried(FormatSql("Delete From PlaylistDetail Where PlaylistName = '%s' And SongID = %d ;",
                                    SqlQuoteText(CleanPlaylistName(playlistName != nullptr ? playlistName : ""))
                                        .GetString(),
                                    songId));
  });
}

LONG tQHDb::DeletePlaylist(LPCTSTR playlistName) {
  if (IsClosed()) return -1;
  const CString name = SqlQuoteText(CleanPlaylistName(playlistName != nullptr ? playlistName : ""));
  return Guarded(-3, -4, -5, [&]() -> LONG {
    qh::dblib::WorkspaceTransaction transaction(m_pDatabase);
    LONG deleted = ExecuteRetried(FormatSql("Delete From PlaylistDetail Where PlaylistName = '%s' ;", name.GetString()));
    deleted += ExecuteRetried(FormatSql("Delete From Playlist Where PlaylistName = '%s' ;", name.GetString()));
    transaction.Commit();
    return deleted;
  });
}

// ---- Counts ----

LONG tQHDb::CountSongsByCompression(char code) {
  if (IsClosed()) return 0;
  return Guarded(0, 0, 0, [&]() -> LONG {
    CString statement = "Select Count(*) From Songs ";
    if (code != '*') statement += FormatSql("Where SongCompression = '%s' ", SqlQuoteText(CString(code)).GetString());
    CDaoRecordset count(m_pDatabase);
    OpenRetried(count, dbOpenSnapshot, statement, dbForwardOnly);
    if (count.IsEOF()) return 0;
    return count.GetFieldValue(0).ToLong();
  });
}

// ---- Remote jukebox row ----

int tQHDb::LoadRemoteServer(SHORT key, CString& description, CString& address, SHORT& port, COleDateTime& lastSync,
                            COleDateTime& nextSync, CString& filter) {
  if (IsClosed()) return 0;
  return Guarded(0, 0, 0, [&]() -> LONG {
    CDaoRecordset row(m_pDatabase);
    OpenRetried(row, dbOpenSnapshot,
                FormatSql("Select ServerDescription, IPAddress, PortNumber, LastSyncDTS, NextSyncDTS, FilterRecords "
                          "From DBSyncOutgoing Where LicenseNumber = %d",
                          static_cast<int>(key)),
                dbForwardOnly);
    if (row.IsEOF()) {
      SetError(QHDB_ERR_NOT_FOUND);
      return 0;
    }
    ReadText(row.GetFieldValue(0), description);
    ReadText(row.GetFieldValue(1), address);
    ReadShort(row.GetFieldValue(2), port);
    ReadDate(row.GetFieldValue(3), lastSync);
    ReadDate(row.GetFieldValue(4), nextSync);
    ReadText(row.GetFieldValue(5), filter);
    return 1;
  });
}

int tQHDb::SaveRemoteServer(SHORT key, LPCTSTR description, LPCTSTR address, SHORT port, const COleDateTime& lastSync,
                            const COleDateTime& nextSync, LPCTSTR filter) {
  if (IsClosed()) return -1;
  if (key < 0) {
    SetError(QHDB_ERR_BAD_PARAMETER);
    return -2;
  }
  // An unset date is stored as Null.
  auto dateValue = [](const COleDateTime& date) { return COleVariant(date); };
  return Guarded(-3, -4, -5, [&]() -> LONG {
    CDaoRecordset row(m_pDatabase);
    OpenRetried(row, dbOpenDynaset,
                FormatSql("Select LicenseNumber, ServerDescription, IPAddress, PortNumber, LastSyncDTS, NextSyncDTS, "
                          "FilterRecords From DBSyncOutgoing Where LicenseNumber = %d ;",
                          static_cast<int>(key)),
                dbConsistent);
    if (row.IsEOF()) {
      row.AddNew();
      row.SetFieldValue(0, COleVariant(key, VT_I2));
    } else {
      row.Edit();
    }
    row.SetFieldValue(1, COleVariant(CString(description != nullptr ? description : "")));
    row.SetFieldValue(2, COleVariant(CString(address != nullptr ? address : "")));
    row.SetFieldValue(3, COleVariant(port, VT_I2));
    row.SetFieldValue(4, dateValue(lastSync));
    row.SetFieldValue(5, dateValue(nextSync));
    row.SetFieldValue(6, COleVariant(CString(filter != nullptr ? filter : "")));
    row.Update();
    row.Close();
    return 0;
  });
}
