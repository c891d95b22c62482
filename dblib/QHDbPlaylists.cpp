// Playlists: names, the songs of one playlist, membership, appending and emptying.
#include "dblib/QHDbInternal.h"
#include "dblib/TextUtil.h"

using namespace qh::dblib;

CString tQHDb::CleanPlaylistName(const CString& name) {
  CString cleaned = name;
  cleaned.Replace('\'', ' ');
  cleaned.Trim(' ');
  return cleaned;
}

namespace {
CString QuotedPlaylistName(LPCTSTR name) {
  return SqlQuoteText(tQHDb::CleanPlaylistName(name != nullptr ? name : ""));
}
}  // namespace

int tQHDb::OpenPlaylistNames() {
  if (IsClosed()) return 0;
  return Guarded(0, 0, 0, [&]() -> LONG {
    ReopenCached(kSetPlaylistNames, dbOpenSnapshot, "Select PlaylistName From Playlist Order By PlaylistName; ",
                 dbForwardOnly);
    return 1;
  });
}

int tQHDb::NextPlaylistName(CString& name) {
  return NextInFamily(kSetPlaylistNames, [&](CDaoRecordset& set) -> LONG {
    ReadText(set.GetFieldValue(0), name);
    return 1;
  });
}

int tQHDb::ClosePlaylistNames() { return CloseFamily(kSetPlaylistNames); }

int tQHDb::OpenPlaylistSongs(LPCTSTR playlistName) {
  if (IsClosed()) return 0;
  return Guarded(0, 0, 0, [&]() -> LONG {
    CDaoQueryDef* query = StoredQuery(kQueryPlaylistSongs, "qryPlaylistSongIDByName");
    query->SetParamValue(0, COleVariant(CleanPlaylistName(playlistName != nullptr ? playlistName : "")));
    CDaoRecordset* set = CachedRecordset(kSetPlaylistSongs);
    OpenRetried(*set, query, dbOpenSnapshot, dbForwardOnly);
    return 1;
  });
}

int tQHDb::NextPlaylistSong(LONG& songId, SHORT& sequence) {
  return NextInFamily(kSetPlaylistSongs, [&](CDaoRecordset& set) -> LONG {
    ReadLong(set.GetFieldValue(0), songId);
    ReadShort(set.GetFieldValue(1), sequence);
    return 1;
  });
}

int tQHDb::ClosePlaylistSongs() { return CloseFamily(kSetPlaylistSongs); }

int tQHDb::IsSongInPlaylist(LPCTSTR playlistName, LONG songId) {
  if (IsClosed()) return 0;
  return Guarded(0, 0, 0, [&]() -> LONG {
    CString statement = FormatSql("Select 1 From PlaylistDetail Where PlaylistName = '%s' And SongID = %d ",
                                  QuotedPlaylistName(playlistName).GetString(), songId);
    CDaoRecordset member(m_pDatabase);
    OpenRetried(member, dbOpenSnapshot, statement, dbReadOnly);
    return member.IsEOF() ? 0 : 1;
  });
}

LONG tQHDb::DeletePlaylistDetail(LPCTSTR playlistName) {
  if (IsClosed()) return -1;
  return Guarded(-3, -4, -5, [&]() -> LONG {
    CString statement = FormatSql("Delete From PlaylistDetail Where PlaylistName = '%s' ;",
                                  QuotedPlaylistName(playlistName).GetString());
    return ExecuteRetried(statement);
  });
}

// The writers' checks, in order: an open database, a valid song id, a name that is not empty once
// cleaned (the column requires one).
bool tQHDb::CheckPlaylistWrite(LPCTSTR playlistName, LONG songId, CString& cleanedName) {
  if (IsClosed() || IsBadSongId(songId)) return false;
  cleanedName = CleanPlaylistName(playlistName != nullptr ? playlistName : "");
  if (!cleanedName.IsEmpty()) return true;
  SetError(QHDB_ERR_BAD_PARAMETER);
  return false;
}

int tQHDb::AppendPlaylistSong(LPCTSTR playlistName, LONG songId) {
  CString name;
  if (!CheckPlaylistWrite(playlistName, songId, name)) return 0;
  return Guarded(0, 0, 0, [&]() -> LONG {
    CString statement = FormatSql(
        "Select PlaylistName, PlaylistSequenceNum, SongID, PlaylistOffset From PlaylistDetail Where PlaylistName = "
        "'%s' Order By PlaylistSequenceNum Desc ",
        SqlQuoteText(name).GetString());
    CDaoRecordset* detail = CachedRecordset(kSetPlaylistDetailWriter);
    DaoRetry retry;
    retry.Run([&] {
      if (detail->IsOpen()) detail->Close();
      detail->Open(dbOpenDynaset, statement, dbConsistent);
      // Computed in 32 bits so that a playlist past the 16-bit column fails on the write instead of
      // wrapping round to a negative number.
      LONG next = 1;
      if (!detail->IsEOF()) next = detail->GetFieldValue(1).ToLong() + 1;
      detail->AddNew();
      detail->SetFieldValue("PlaylistName", COleVariant(name));
      detail->SetFieldValue("PlaylistSequenceNum", COleVariant(next, VT_I4));
      detail->SetFieldValue("SongID", COleVariant(songId, VT_I4));
      detail->Update();
    });
    detail->Close();
    return 1;
  });
}

int tQHDb::AddSongToPlaylist(LPCTSTR playlistName, LONG songId) {
  CString name;
  if (!CheckPlaylistWrite(playlistName, songId, name)) return 0;
  return Guarded(0, 0, 0, [&]() -> LONG {
    CString statement = FormatSql(
        "Select PlaylistName, PlaylistDate, CurrentSeqNum, PlaylistComment From Playlist Where PlaylistName = '%s' ",
        SqlQuoteText(name).GetString());
    CDaoRecordset* header = CachedRecordset(kSetPlaylistWriter);
    DaoRetry retry;
    OpenRetried(*header, dbOpenDynaset, statement, dbConsistent, &retry);
    if (!header->IsEOF()) {
      header->Close();
      return AppendPlaylistSong(name, songId);
    }
    WorkspaceTransaction transaction(m_pDatabase);
    retry.Run([&] {
      if (header->GetEditMode() != dbEditNone) header->CancelUpdate();
      header->AddNew();
      header->SetFieldValue("PlaylistName", COleVariant(name));
      header->SetFieldValue("PlaylistDate", COleVariant(COleDateTime::GetCurrentTime()));
      header->SetFieldValue("CurrentSeqNum", COleVariant(static_cast<SHORT>(1), VT_I2));
      header->Update();
    });
    int appended = AppendPlaylistSong(name, songId);
    if (appended != 0)
      transaction.Commit();
    else
      transaction.Rollback();
    header->Close();
    return appended;
  });
}
