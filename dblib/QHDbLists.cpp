// Song lists and counts: the cached song list, caller-owned song cursors, grouped counts, the songs
// still to be compressed and a plain count.
#include "dblib/QHDbInternal.h"
#include "dblib/Song.h"
#include "dblib/TextUtil.h"

using namespace qh::dblib;

const char* const kSongSelect =
    "Select A.SongID, A.SongName, A.SongArtist, A.SongAlbumName, A.SongLabel, A.SongDate, A.SongRecordDate, "
    "A.SongBPM, A.SongBPMAccuracy, A.SongAttributes, A.SongLength, A.SongCdTrack, A.SongCDDB, A.SongCompression, "
    "A.SongUncompressed, A.SongComments, A.SongInventoryCode, A.SongSource, A.SongRotationCode, A.SongPath, "
    "A.SongVolser, A.SongGUID, A.SongPlayCount From Songs A ";

namespace {

CString SongStatement(LPCTSTR whereAndOrder) {
  CString clause = whereAndOrder != nullptr ? whereAndOrder : "";
  if (clause.IsEmpty()) return FormatSql("%s Order by A.SongName; ", kSongSelect);
  return FormatSql("%s %s ;", kSongSelect, clause.GetString());
}

// The grouped-count statement of a mode; letter "@" means all, "9" the names before "A", any other
// text the names that begin with it. Empty for a mode that does not exist.
CString CategoryStatement(int mode, const CString& letter) {
  const bool all = letter == "@";
  const bool beforeA = letter == "9";
  const CString prefix = SqlLikeText(letter);
  switch (mode) {
    case 0: return "Select SongGenre, Count(*) from SongGenre Group by SongGenre Order by SongGenre; ";
    case 1: return "Select SongGenre, Count(*) from SongGenre Group by SongGenre Order by Count(*) Desc; ";
    case 2: return "Select SongArtist, Count(*) from Songs Group by SongArtist Order by SongArtist; ";
    case 3:
      if (all) return CategoryStatement(2, letter);
      if (beforeA)
        return "Select SongArtist, Count(*) from Songs Where SongArtist < 'A' Group by SongArtist Order by "
               "SongArtist; ";
      return FormatSql("Select SongArtist, Count(*) from Songs Where SongArtist Like '%s*' Group by SongArtist "
                       "Order by SongArtist; ",
                       prefix.GetString());
    case 4: return "Select SongAlbumName, Count(*) from Songs Group by SongAlbumName Order by SongAlbumName; ";
    case 5:
      if (all)
        return "Select SongAlbumName, SongArtist, Count(*) from Songs Where SongAlbumName <> '' And SongAlbumName Is "
               "Not Null Group by SongAlbumName, SongArtist Order by SongAlbumName, SongArtist; ";
      if (beforeA)
        return "Select SongAlbumName, SongArtist, Count(*) from Songs Where SongAlbumName < 'A' And SongAlbumName "
               "<> '' And SongAlbumName Is Not Null Group by SongAlbumName, SongArtist Order by SongAlbumName, "
               "SongArtist; ";
      return FormatSql("Select SongAlbumName, SongArtist, Count(*) from Songs Where SongAlbumName Like '%s*' Group "
                       "by SongAlbumName, SongArtist Order by SongAlbumName, SongArtist; ",
                       prefix.GetString());
    case 6:
      return "Select PlaylistName, Count(*) From PlaylistDetail Group by PlaylistName Order by PlaylistName; ";
    default: return CString();
  }
}

}  // namespace

int tQHDb::OpenSongList(LPCTSTR whereAndOrder) {
  if (IsClosed()) return 0;
  return Guarded(0, 0, 0, [&]() -> LONG {
    ReopenCached(kSetSongList, dbOpenSnapshot, SongStatement(whereAndOrder), dbForwardOnly);
    return 1;
  });
}

LONG tQHDb::FetchSong(tSong* song, CDaoRecordset* cursor) {
  if (IsClosed()) return -1;
  if (cursor == nullptr) {
    SetError(QHDB_ERR_NOT_INITIALIZED);
    return -2;
  }
  if (song == nullptr) {
    SetError(QHDB_ERR_BAD_PARAMETER);
    return -3;
  }
  return Guarded(-4, -4, -4, [&]() -> LONG {
    if (!cursor->IsOpen() || cursor->IsEOF()) {
      SetError(QHDB_ERR_NOT_FOUND);
      return 0;
    }
    LONG songId = ReadSong(song, cursor);
    cursor->MoveNext();
    return songId;
  });
}

LONG tQHDb::NextSong(tSong* song) {
  if (IsClosed()) return -1;
  return FetchSong(song, ExistingRecordset(kSetSongList));
}

int tQHDb::CloseSongList() { return CloseFamily(kSetSongList); }

int tQHDb::OpenCategoryCounts(int mode, LPCTSTR letter) {
  if (IsClosed()) return -1;
  CString statement = CategoryStatement(mode, letter != nullptr ? letter : "");
  if (statement.IsEmpty()) {
    SetError(QHDB_ERR_BAD_PARAMETER);
    return -2;
  }
  return Guarded(-2, -2, -2, [&]() -> LONG {
    ReopenCached(kSetCategoryCounts, dbOpenSnapshot, statement, dbReadOnly);
    return CountRows(ExistingRecordset(kSetCategoryCounts));
  });
}

int tQHDb::NextCategoryCount(CString& name, LONG& count) {
  return NextInFamily(kSetCategoryCounts, [&](CDaoRecordset& set) -> LONG {
    ReadText(set.GetFieldValue(0), name);
    ReadLong(set.GetFieldValue(1), count);
    return 1;
  });
}

int tQHDb::NextAlbumArtistCount(CString& album, CString& artist, LONG& count) {
  return NextInFamily(kSetCategoryCounts, [&](CDaoRecordset& set) -> LONG {
    ReadText(set.GetFieldValue(0), album);
    ReadText(set.GetFieldValue(1), artist);
    ReadLong(set.GetFieldValue(2), count);
    return 1;
  });
}

int tQHDb::CloseCategoryCounts() { return CloseFamily(kSetCategoryCounts); }

LONG tQHDb::OpenUncompressedSongs() {
  if (IsClosed()) return -1;
  return Guarded(-2, -2, -2, [&]() -> LONG {
    ReopenCached(kSetUncompressed, dbOpenSnapshot,
                 "Select SongID from Songs Where SongCompression = ' ' And SongUncompressed = False Order By SongID; ", dbReadOnly);
    return CountRows(ExistingRecordset(kSetUncompressed));
  });
}

int tQHDb::NextUncompressedSong(tSong* song) {
  LONG songId = 0;
  int read = NextInFamily(kSetUncompressed, [&](CDaoRecordset& set) -> LONG {
    ReadLong(set.GetFieldValue(0), songId);
    return 1;
  });
  if (read == 0) return 0;
  return GetSongDetail(songId, song);
}

int tQHDb::CloseUncompressedSongs() { return CloseFamily(kSetUncompressed); }

CDaoRecordset* tQHDb::OpenSongCursor(LPCTSTR whereAndOrder) {
  if (IsClosed()) return nullptr;
  CDaoRecordset* cursor = nullptr;
  Guarded(0, 0, 0, [&]() -> LONG {
    auto made = std::make_unique<CDaoRecordset>(m_pDatabase);
    CString statement = SongStatement(whereAndOrder);
    OpenRetried(*made, dbOpenSnapshot, statement, dbReadOnly);
    cursor = made.release();
    return 1;
  });
  return cursor;
}

// The cursor helpers run without the guard (they keep no error text) but still let nothing out.
LONG tQHDb::GetCursorCount(CDaoRecordset* cursor) {
  try {
    if (cursor == nullptr || !cursor->IsOpen()) return -1;
    LONG count = CountRows(cursor);
    return count < 0 ? 0 : count;
  } catch (CDaoException* e) {
    e->Delete();
  } catch (...) {
    qh::dblib::DeleteCaughtFrameworkException();
  }
  return -1;
}

LONG tQHDb::SetCursorPosition(CDaoRecordset* cursor, LONG position) {
  try {
    if (cursor == nullptr || !cursor->IsOpen()) return -2;
    if (!cursor->CanScroll() || (cursor->IsBOF() && cursor->IsEOF())) return -1;
    cursor->SetAbsolutePosition(position);
    return position;
  } catch (CDaoException* e) {
    e->Delete();
  } catch (...) {
    qh::dblib::DeleteCaughtFrameworkException();
  }
  return -1;
}

int tQHDb::CloseSongCursor(CDaoRecordset* cursor) {
  if (m_pDatabase == nullptr || cursor == nullptr) {
    SetError(QHDB_ERR_NOT_INITIALIZED);
    return 0;
  }
  return Guarded(0, 0, 0, [&]() -> LONG {
    std::unique_ptr<CDaoRecordset> owned(cursor);
    if (owned->IsOpen()) owned->Close();
    return 1;
  });
}

LONG tQHDb::CountSongs(LPCTSTR where) {
  if (IsClosed()) return 0;
  return Guarded(-1, -1, -1, [&]() -> LONG {
    CDaoRecordset counter(m_pDatabase);
    counter.Open(dbOpenSnapshot, FormatSql("Select Count(*) From Songs %s ", where != nullptr ? where : ""),
                 dbForwardOnly);
    LONG count = 0;
    if (!counter.IsEOF()) ReadLong(counter.GetFieldValue(0), count);
    counter.Close();
    return count;
  });
}
