// tQHDb: the one way into the song database file. Every method reports by its result (1, a count or
// an id for success; 0 or a small negative code for failure), never lets an exception out, and keeps
// the reason of its last failure for GetLastError: the first DAO error's description and number, or
// one of the "QHDB: " texts with number 0.
#pragma once

#include <array>
#include <memory>

#include "platform/core/CString.h"
#include "platform/core/DateTime.h"
#include "platform/core/WinTypes.h"

class CDaoDatabase;
class CDaoQueryDef;
class CDaoRecordset;
class CDaoException;
class tSong;
namespace qh::dblib {
class DaoRetry;
}

// Numbers of the "QHDB: " texts.
enum QHDbError {
  QHDB_ERR_UNKNOWN = 0,
  QHDB_ERR_VERSION = 1,
  QHDB_ERR_NO_GUID = 2,
  QHDB_ERR_NO_MEMORY = 3,
  QHDB_ERR_BAD_SONG_ID = 4,
  QHDB_ERR_NOT_INITIALIZED = 5,
  QHDB_ERR_BAD_PARAMETER = 6,
  QHDB_ERR_NOT_FOUND = 7,
  QHDB_ERR_IN_TRANSACTION = 8,
  QHDB_ERR_NO_TRANSACTION = 9,
  QHDB_ERR_NO_TRANSACTIONS = 10,
};
extern const char* const kQHDbErrorTexts[11];

class tQHDb {
 public:
  tQHDb();
  virtual ~tQHDb();
  tQHDb(const tQHDb&) = delete;
  tQHDb& operator=(const tQHDb&) = delete;

  // The database object and its life.
  int Open(LPCTSTR path, BOOL exclusive, BOOL readOnly);
  int Close();
  LONG GetLastError(CString& text) const;
  int BeginTrans();
  int CommitTrans();
  int Rollback();
  double GetDatabaseVersion();
  CString GetEngineVersion();
  void GetEngineVersion(CString& version) { version = GetEngineVersion(); }
  CDaoDatabase* GetDatabase() const { return m_pDatabase; }
  double GetExpectedVersion() const { return m_expectedVersion; }
  BOOL IsInTransaction() const { return m_inTransaction; }

  // Song rows.
  int GetSongDetail(LONG songId, tSong* song);
  LONG AddSong(tSong* song);
  int UpdateSong(tSong* song);
  LONG DeleteSong(LONG songId);

  // Song lists and counts.
  int OpenSongList(LPCTSTR whereAndOrder);
  LONG NextSong(tSong* song);
  int CloseSongList();
  int OpenCategoryCounts(int mode, LPCTSTR letter);
  int NextCategoryCount(CString& name, LONG& count);
  int NextAlbumArtistCount(CString& album, CString& artist, LONG& count);
  int CloseCategoryCounts();
  LONG OpenUncompressedSongs();
  int NextUncompressedSong(tSong* song);
  int CloseUncompressedSongs();
  CDaoRecordset* OpenSongCursor(LPCTSTR whereAndOrder);
  LONG GetCursorCount(CDaoRecordset* cursor);
  LONG SetCursorPosition(CDaoRecordset* cursor, LONG position);
  LONG FetchSong(tSong* song, CDaoRecordset* cursor);
  int CloseSongCursor(CDaoRecordset* cursor);
  LONG CountSongs(LPCTSTR where);

  // Playlists.
  int OpenPlaylistNames();
  int NextPlaylistName(CString& name);
  int ClosePlaylistNames();
  int OpenPlaylistSongs(LPCTSTR playlistName);
  int NextPlaylistSong(LONG& songId, SHORT& sequence);
  int ClosePlaylistSongs();
  int IsSongInPlaylist(LPCTSTR playlistName, LONG songId);
  LONG DeletePlaylistDetail(LPCTSTR playlistName);
  int AppendPlaylistSong(LPCTSTR playlistName, LONG songId);
  int AddSongToPlaylist(LPCTSTR playlistName, LONG songId);

  // Genres and song types.
  int LoadSongGenres(tSong* song);
  int AddSongGenre(LONG songId, LPCTSTR genre, SHORT primary);
  LONG DeleteSongGenres(LONG songId);
  int OpenSongTypes(LPCTSTR code);
  int NextSongType(CString& code, CString& description, SHORT& minBpm, SHORT& maxBpm, LONG& reserved);
  int CloseSongTypes();

  // Volume rows.
  int OpenVolumes();
  int NextVolume(LONG& serial, CString& letter, CString& label, CString& path, LONG& totalHigh, LONG& totalLow);
  int CloseVolumes();
  int SaveVolume(LONG serial, LPCTSTR letter, LPCTSTR label, LPCTSTR path, LONG totalHigh, LONG totalLow);
  // The VolserList row of one serial (the administrator's lookup): 1 with the five columns copied out,
  // 0 with "not found" when there is no row. The serial is compared as the signed Long it is stored as.
  int GetVolume(DWORD serial, CString& letter, CString& label, CString& path, LONG& totalHigh, LONG& totalLow);

  // The recorder's additions (QHDbRecorder.cpp). Texts reach the statements quoted, never as they stand.
  int OpenPlaylistsOfSong(LONG songId);
  int NextPlaylistOfSong(CString& playlistName, SHORT& sequence);
  int ClosePlaylistsOfSong();
  int DeleteSongType(LPCTSTR code);
  int AddSongType(LPCTSTR code, LPCTSTR description, int minBpm, int maxBpm);
  int UpdateSongType(LPCTSTR code, LPCTSTR description, int minBpm, int maxBpm);
  int LoadCueList(LONG songId);
  int NextCuePoint(CString& description, SHORT& number, CString& offset);
  int CloseCueList();
  int AddCuePoint(LONG songId, LPCTSTR description, LPCTSTR offset);
  int GetCueOffset(LONG songId, LPCTSTR description, CString& offset);
  int GetCueNumber(LONG songId, LPCTSTR description, SHORT& number);
  int DeleteCuePoint(LONG songId, LPCTSTR description);
  int RenumberCuePoints(LONG songId);
  // The song list joined with each song's primary-genre row (B.SongGenre); read with NextSong.
  int OpenSongListByPrimaryGenre(LPCTSTR whereClause, LPCTSTR orderClause);
  LONG RemoveSongFromPlaylist(LPCTSTR playlistName, LONG songId);
  LONG DeletePlaylist(LPCTSTR playlistName);
  LONG CountSongsByCompression(char code);
  int LoadRemoteServer(SHORT key, CString& description, CString& address, SHORT& port, COleDateTime& lastSync,
                       COleDateTime& nextSync, CString& filter);
  int SaveRemoteServer(SHORT key, LPCTSTR description, LPCTSTR address, SHORT port, const COleDateTime& lastSync,
                       const COleDateTime& nextSync, LPCTSTR filter);

  // Playlist names are stored without apostrophes and surrounding blanks; every playlist method looks
  // names up in the same form.
  static CString CleanPlaylistName(const CString& name);

 private:
  // Cache slots (1-based numbers as the object keeps them).
  enum QuerySlot { kQueryGetSongDetail = 1, kQueryPlaylistSongs = 3, kQueryGenres = 5, kQuerySlots = 5 };
  enum RecordsetSlot {
    kSetPlaylistSongs = 1,
    kSetCategoryCounts = 4,
    kSetSongTypes = 5,
    kSetSongList = 6,
    kSetPlaylistNames = 7,
    kSetVolumes = 9,
    kSetPlaylistDetailWriter = 11,
    kSetPlaylistWriter = 13,
    kSetUncompressed = 14,
    kSetPlaylistsOfSong = 15,
    kSetCueList = 16,
    kRecordsetSlots = 16,
  };

  void SetError(int number);
  // Checks that record text 5 (no database) or text 4 (song id below 1) when they fail.
  bool IsClosed();
  bool IsClosedForTransactions();
  bool IsBadSongId(LONG songId);
  bool CheckPlaylistWrite(LPCTSTR playlistName, LONG songId, CString& cleanedName);
  void SetDaoError(CDaoException* e);
  // Runs a method body inside the guard; the three results are those of a DAO exception, an
  // out-of-memory exception and any other exception. onFailure runs after the handler (rollback).
  template <typename Body>
  LONG Guarded(LONG daoResult, LONG memoryResult, LONG otherResult, Body&& body, void (tQHDb::*onFailure)() = nullptr);
  void RollbackWorkspace();

  CDaoQueryDef* StoredQuery(QuerySlot slot, LPCTSTR name);
  CDaoRecordset* CachedRecordset(RecordsetSlot slot);
  CDaoRecordset* ExistingRecordset(RecordsetSlot slot) const;
  int CloseFamily(RecordsetSlot slot);
  // Opens a cached recordset on a statement, closing the previous cursor of its family first.
  void ReopenCached(RecordsetSlot slot, int type, const CString& sql, int options);
  // Opens (closing first) with the retry of error 3075; runs an action statement the same way and
  // gives the rows it changed.
  // A method with more than one retried step passes its own count, so the limit holds per call.
  void OpenRetried(CDaoRecordset& set, int type, const CString& sql, int options,
                   qh::dblib::DaoRetry* callRetry = nullptr);
  void OpenRetried(CDaoRecordset& set, CDaoQueryDef* query, int type, int options,
                   qh::dblib::DaoRetry* callRetry = nullptr);
  LONG ExecuteRetried(const CString& statement);
  LONG CountRows(CDaoRecordset* set);
  template <typename Read>
  int NextInFamily(RecordsetSlot slot, Read&& read);
  LONG ReadSong(tSong* song, CDaoRecordset* set);
  bool WriteGenres(LONG songId, const tSong& song);

  CDaoDatabase* m_pDatabase = nullptr;
  double m_expectedVersion = 4.0;
  std::array<CDaoQueryDef*, kQuerySlots> m_queries{};
  std::array<CDaoRecordset*, kRecordsetSlots> m_recordsets{};
  CString m_lastErrorText;
  LONG m_lastErrorCode = 0;
  BOOL m_inTransaction = FALSE;
};

// The song statement: the 23 Songs columns under the alias A.
extern const char* const kSongSelect;
