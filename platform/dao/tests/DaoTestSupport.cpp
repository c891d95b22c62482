#include "platform/dao/tests/DaoTestSupport.h"

#include <cctype>
#include <cstdio>
#include <memory>

namespace qh::dao::testing {

long DaoErrorOf(const std::function<void()>& action, CString* description) {
  try {
    action();
  } catch (CDaoException* e) {
    long code = e->m_pErrorInfo ? e->m_pErrorInfo->m_lErrorCode : -1;
    if (description && e->m_pErrorInfo) *description = e->m_pErrorInfo->m_strDescription;
    e->Delete();
    return code;
  }
  return 0;
}

std::string CaseName(std::string_view text, std::size_t index) {
  constexpr std::size_t kMaxLength = 60;
  std::string name;
  for (unsigned char ch : text) {
    if (name.size() >= kMaxLength) break;
    if (std::isalnum(ch) && ch < 0x80) name += static_cast<char>(ch);
    else if (!name.empty() && name.back() != '_') name += '_';
  }
  if (!name.empty() && name.back() != '_') name += '_';
  return name + std::to_string(index);
}

std::string RunSqliteTool(const std::string& hostPath, const std::string& sql) {
  std::string command = "sqlite3 -batch '" + hostPath + "' \"" + sql + "\" 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string output;
  char buffer[4096];
  while (pipe && fgets(buffer, sizeof buffer, pipe.get())) output += buffer;
  return output;
}

void DaoTest::CreateSongDatabase() {
  m_db.Create(DbPath().c_str());
  static const char* const ddl[] = {
      "CREATE TABLE Songs (SongID LONG NOT NULL, SongName TEXT(80) NOT NULL, SongArtist TEXT(80) NOT NULL, "
      "SongAlbumName TEXT(80), SongLabel TEXT(40), SongDate DATETIME, SongRecordDate DATETIME, SongBPM DOUBLE, "
      "SongBPMAccuracy DOUBLE, SongAttributes TEXT(50), SongLength TEXT(10), SongCdTrack SHORT, SongCDDB LONG, "
      "SongCompression TEXT(1), SongUncompressed BIT, SongComments TEXT(255), SongInventoryCode TEXT(30), "
      "SongSource TEXT(50), SongRotationCode TEXT(20), SongPath TEXT(255), SongVolser LONG, SongGUID TEXT(38) NOT NULL, "
      "SongPlayCount LONG)",
      "CREATE UNIQUE  INDEX PrimaryKey ON Songs(       SongID);",
      "CREATE UNIQUE INDEX IXSongGUID ON Songs(       SongGUID);",
      "CREATE INDEX IXSongArtist ON Songs(       SongArtist);",
      "CREATE TABLE SongGenre (SongID LONG, SongGenre TEXT(40) NOT NULL, PrimaryGenre BIT)",
      "CREATE UNIQUE  INDEX PrimaryKey ON SongGenre(       SongID,       SongGenre);",
      "CREATE TABLE SongType (SongTypeCode TEXT(30) NOT NULL, SongTypeDescription TEXT(255), MinBpm SHORT, "
      "MaxBpm SHORT, ReservedCode BIT)",
      "CREATE UNIQUE  INDEX PrimaryKey ON SongType(       SongTypeCode);",
      "CREATE TABLE Playlist (PlaylistName TEXT(50) NOT NULL, PlaylistDate DATETIME, CurrentSeqNum SHORT, "
      "PlaylistComment TEXT(255))",
      "CREATE UNIQUE INDEX PrimaryKey ON Playlist(       PlaylistName);",
      "CREATE TABLE PlaylistDetail (PlaylistName TEXT(50) NOT NULL, PlaylistSequenceNum SHORT NOT NULL, "
      "SongID LONG NOT NULL, PlaylistOffset TEXT(20))",
      "CREATE UNIQUE  INDEX PrimaryKey ON PlaylistDetail(       PlaylistName,       PlaylistSequenceNum);",
      "CREATE TABLE CueList (SongID LONG NOT NULL, CueDescription TEXT(32) NOT NULL, CueNumber SHORT, CueOffset TEXT(20))",
      "CREATE UNIQUE  INDEX PrimaryKey ON CueList(       SongID,       CueDescription);",
      "CREATE TABLE DJSequence (CurrentSong LONG NOT NULL, NextSong LONG NOT NULL, SelectionCount LONG)",
      "CREATE UNIQUE  INDEX PrimaryKey ON DJSequence(       CurrentSong,       NextSong);",
      "CREATE TABLE VolserList (DriveVolser LONG, DriveLetter TEXT(1) NOT NULL, DriveLabel TEXT(30), "
      "DrivePath TEXT(255) NOT NULL, TotalSpaceHi LONG, TotalSpaceLo LONG)",
      "CREATE UNIQUE  INDEX PrimaryKey ON VolserList(       DriveVolser);",
      "CREATE TABLE QuavParms (ParmName TEXT(20) NOT NULL, ParmValue TEXT(20))",
      "CREATE UNIQUE  INDEX PrimaryKey ON QuavParms(       ParmName);",
      "CREATE TABLE DBSyncOutgoing (LicenseNumber SHORT, ServerDescription TEXT(80), IPAddress TEXT(15), "
      "PortNumber SHORT, LastSyncDTS DATETIME, NextSyncDTS DATETIME, FilterRecords TEXT(255))",
      "CREATE UNIQUE  INDEX PrimaryKey ON DBSyncOutgoing(       LicenseNumber);",
      "INSERT INTO QuavParms Values ('DatabaseVersion', '04.00');",
      "INSERT INTO QuavParms Values ('VersionJukebox', 'YES');",
  };
  m_db.m_pWorkspace->BeginTrans();  // one commit for the whole schema
  for (const char* statement : ddl) m_db.Execute(statement, dbFailOnError);
  struct Query {
    const char* name;
    const char* sql;
  };
  static const Query queries[] = {
      {"qryGetSongDetail",
       "SELECT SongID, SongName, SongArtist, SongAlbumName, SongLabel, SongDate, SongRecordDate, SongBPM, "
       "SongBPMAccuracy, SongAttributes, SongLength, SongCdTrack, SongCDDB, SongCompression, SongUncompressed, "
       "SongComments, SongInventoryCode, SongSource, SongRotationCode, SongPath, SongVolser, SongGUID, SongPlayCount "
       "FROM Songs WHERE SongID = [pSongID]; "},
      {"qryPlaylistSongIDByName",
       "SELECT SongID, PlaylistSequenceNum FROM PlaylistDetail WHERE PlaylistName = [pPlaylistName] ORDER BY "
       "PlaylistSequenceNum; "},
      {"qryUpdateSongPlayCount", "Update Songs Set SongPlayCount = SongPlayCount + 1 Where SongID = [pSongID]; "},
  };
  for (const Query& query : queries) {
    CDaoQueryDef def(&m_db);
    def.Create(query.name, query.sql);
    def.Append();
    def.Close();
  }
  m_db.m_pWorkspace->CommitTrans();
}

void DaoTest::AddSong(long id, const char* name, const char* artist, const char* album, const char* genre, double date,
                      bool uncompressed, const char* compression, long volser) {
  CDaoRecordset songs(&m_db);
  songs.Open(dbOpenDynaset, "Select SongID, SongName, SongArtist, SongAlbumName, SongDate, SongUncompressed, "
                            "SongCompression, SongVolser, SongGUID, SongPlayCount From Songs Where SongID = 0");
  songs.AddNew();
  songs.SetFieldValue("SongID", COleVariant(static_cast<LONG>(id)));
  songs.SetFieldValue("SongName", name);
  songs.SetFieldValue("SongArtist", artist);
  if (album) songs.SetFieldValue("SongAlbumName", album);
  if (date != 0) songs.SetFieldValue("SongDate", COleVariant::FromDate(date));
  songs.SetFieldValue("SongUncompressed", COleVariant::FromBool(uncompressed));
  songs.SetFieldValue("SongCompression", compression);
  songs.SetFieldValue("SongVolser", COleVariant(static_cast<LONG>(volser)));
  CString guid;
  guid.Format("{%08ld-0000-0000-0000-000000000000}", id);
  songs.SetFieldValue("SongGUID", guid);
  songs.SetFieldValue("SongPlayCount", COleVariant(static_cast<LONG>(0)));
  songs.Update();
  songs.Close();
  if (genre) {
    CDaoRecordset genres(&m_db);
    genres.Open(dbOpenDynaset, "Select SongID, SongGenre, PrimaryGenre From SongGenre Where SongID = 0");
    genres.AddNew();
    genres.SetFieldValue(0, COleVariant(static_cast<LONG>(id)));
    genres.SetFieldValue(1, genre);
    genres.SetFieldValue(2, COleVariant::FromBool(true));
    genres.Update();
  }
}

}  // namespace qh::dao::testing
