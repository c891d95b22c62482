#include "maintenance/convert/tests/OldLibraryBuilder.h"

#include <cstdio>

#include "maintenance/files/tests/MaintenanceTestSupport.h"
#include "platform/dao/Dao.h"

namespace qh::maint::testing {

namespace {

struct OldField {
  const char* name;
  short type;
  long size;
  bool required;
};

const OldField kSongTypeFields[] = {{"SongTypeCode", dbText, 30, true},
                                    {"SongTypeDescription", dbText, 255, false},
                                    {"MinBpm", dbInteger, 2, false},
                                    {"MaxBpm", dbInteger, 2, false}};
const OldField kSongFields[] = {
    {"SongID", dbLong, 4, true},          {"SongTypeCode", dbText, 30, false},     {"SongName", dbText, 80, true},
    {"SongArtist", dbText, 80, false},    {"SongAlbumName", dbText, 80, false},    {"SongLabel", dbText, 40, false},
    {"SongDate", dbDate, 8, false},       {"SongRecordDate", dbDate, 8, false},    {"SongBPM", dbDouble, 8, false},
    {"SongBPMAccuracy", dbDouble, 8, false}, {"SongAttributes", dbText, 50, false}, {"SongLength", dbText, 10, false},
    {"SongCdTrack", dbInteger, 2, false}, {"SongCDDB", dbLong, 4, false},          {"SongCompression", dbText, 1, false},
    {"SongComments", dbText, 255, false}, {"SongInventoryCode", dbText, 30, false}, {"SongSource", dbText, 50, false},
    {"SongRotationCode", dbText, 20, false}, {"SongPath", dbText, 255, false},     {"SongGUID", dbText, 38, true}};
const OldField kPlaylistFields[] = {{"PlaylistName", dbText, 50, true},
                                    {"PlaylistDate", dbDate, 8, false},
                                    {"CurrentSeqNum", dbInteger, 2, false},
                                    {"PlaylistComment", dbText, 255, false}};
const OldField kPlaylistDetailFields[] = {{"PlaylistName", dbText, 50, true},
                                          {"PlaylistSequenceNum", dbInteger, 2, true},
                                          {"SongID", dbLong, 4, true},
                                          {"PlaylistOffset", dbText, 20, false}};
const OldField kParmFields[] = {{"ParmName", dbText, 20, true}, {"ParmValue", dbText, 20, false}};

template <size_t N>
void CreateTable(CDaoDatabase& database, const char* name, const OldField (&fields)[N]) {
  CDaoTableDef table(&database);
  table.Create(name);
  for (const OldField& field : fields) {
    CDaoFieldInfo info;
    info.m_strName = field.name;
    info.m_nType = field.type;
    info.m_lSize = field.size;
    info.m_lAttributes = field.type == dbText ? dbVariableField : dbFixedField;
    info.m_bRequired = field.required ? TRUE : FALSE;
    info.m_bAllowZeroLength = field.type == dbText && !field.required ? TRUE : FALSE;
    table.CreateField(info);
  }
  table.Append();
  table.Close();
}

COleVariant TextOrNull(const std::string& text) { return text.empty() ? COleVariant::Null() : COleVariant(text.c_str()); }

}  // namespace

void BuildOldLibrary(const CString& file, const OldLibrary& library) {
  CDaoDatabase database;
  database.Create(file, dbLangGeneral);
  CDaoWorkspace* workspace = database.m_pWorkspace;
  workspace->BeginTrans();
  CreateTable(database, "SongType", kSongTypeFields);
  CreateTable(database, "Songs", kSongFields);
  CreateTable(database, "Playlist", kPlaylistFields);
  CreateTable(database, "PlaylistDetail", kPlaylistDetailFields);
  CreateTable(database, "QuavParms", kParmFields);
  database.Execute("CREATE UNIQUE INDEX PrimaryKey ON Songs (SongID);", dbFailOnError);
  if (!library.version.empty())
    database.Execute(("INSERT INTO QuavParms Values ('DatabaseVersion', '" + library.version + "');").c_str(),
                     dbFailOnError);
  {
    CDaoRecordset types(&database);
    types.Open(dbOpenDynaset, "Select SongTypeCode, SongTypeDescription, MinBpm, MaxBpm From SongType", dbAppendOnly);
    for (const OldSongType& type : library.types) {
      types.AddNew();
      types.SetFieldValue(0, COleVariant(type.code.c_str()));
      types.SetFieldValue(1, COleVariant(type.description.c_str()));
      types.SetFieldValue(2, COleVariant(type.minBpm, VT_I2));
      types.SetFieldValue(3, COleVariant(type.maxBpm, VT_I2));
      types.Update();
    }
    types.Close();
  }
  {
    CDaoRecordset songs(&database);
    songs.Open(dbOpenDynaset,
               "Select SongID, SongTypeCode, SongName, SongArtist, SongAlbumName, SongLabel, SongDate, SongRecordDate, "
               "SongBPM, SongBPMAccuracy, SongAttributes, SongLength, SongCdTrack, SongCDDB, SongCompression, "
               "SongComments, SongInventoryCode, SongSource, SongRotationCode, SongPath, SongGUID From Songs",
               dbAppendOnly);
    for (const OldSong& song : library.songs) {
      songs.AddNew();
      songs.SetFieldValue(0, COleVariant(static_cast<LONG>(song.id), VT_I4));
      songs.SetFieldValue(1, TextOrNull(song.typeCode));
      songs.SetFieldValue(2, COleVariant(song.name.c_str()));
      songs.SetFieldValue(3, TextOrNull(song.artist));
      songs.SetFieldValue(4, COleVariant(song.album.c_str()));
      songs.SetFieldValue(5, COleVariant("Label"));
      songs.SetFieldValue(6, COleVariant(COleDateTime(1998, 5, 17, 0, 0, 0)));
      songs.SetFieldValue(7, COleVariant(COleDateTime(2001, 2, 3, 4, 5, 6)));
      songs.SetFieldValue(8, COleVariant(song.bpm));
      songs.SetFieldValue(9, COleVariant(0.5));
      songs.SetFieldValue(10, COleVariant("attr"));
      songs.SetFieldValue(11, COleVariant("03:25.000"));
      songs.SetFieldValue(12, COleVariant(static_cast<SHORT>(song.id % 20 + 1), VT_I2));
      songs.SetFieldValue(13, COleVariant(static_cast<LONG>(song.cddb), VT_I4));
      songs.SetFieldValue(14, COleVariant(std::string(1, song.compression).c_str()));
      songs.SetFieldValue(15, COleVariant(song.comments.c_str()));
      songs.SetFieldValue(16, COleVariant("INV-1"));
      songs.SetFieldValue(17, COleVariant("CD"));
      songs.SetFieldValue(18, COleVariant("A"));
      songs.SetFieldValue(19, TextOrNull(song.path));
      songs.SetFieldValue(20, COleVariant(song.guid.c_str()));
      songs.Update();
    }
    songs.Close();
  }
  {
    CDaoRecordset playlists(&database);
    playlists.Open(dbOpenDynaset, "Select PlaylistName, PlaylistDate, CurrentSeqNum, PlaylistComment From Playlist",
                   dbAppendOnly);
    for (const std::string& name : library.playlists) {
      playlists.AddNew();
      playlists.SetFieldValue(0, COleVariant(name.c_str()));
      playlists.SetFieldValue(1, COleVariant(COleDateTime(2002, 7, 1, 20, 0, 0)));
      playlists.SetFieldValue(2, COleVariant(static_cast<SHORT>(1), VT_I2));
      playlists.SetFieldValue(3, COleVariant(("Comment of " + name).c_str()));
      playlists.Update();
    }
    playlists.Close();
    CDaoRecordset entries(&database);
    entries.Open(dbOpenDynaset,
                 "Select PlaylistName, PlaylistSequenceNum, SongID, PlaylistOffset From PlaylistDetail", dbAppendOnly);
    for (const OldPlaylistEntry& entry : library.entries) {
      entries.AddNew();
      entries.SetFieldValue(0, COleVariant(entry.playlist.c_str()));
      entries.SetFieldValue(1, COleVariant(entry.sequence, VT_I2));
      entries.SetFieldValue(2, COleVariant(static_cast<LONG>(entry.songId), VT_I4));
      entries.SetFieldValue(3, COleVariant("00:00.000"));
      entries.Update();
    }
    entries.Close();
  }
  workspace->CommitTrans();
  database.Close();
}

OldLibrary ManySongsLibrary(long count) {
  OldLibrary library;
  library.types = {{"rock", "Rock in small letters", 90, 160}, {"Lounge Jazz", "Evening lounge", 60, 110}};
  library.songs.reserve(static_cast<size_t>(count));
  for (long id = 1; id <= count; ++id) {
    OldSong song;
    song.id = id;
    song.typeCode = id % 2 ? "rock" : "Lounge Jazz";
    song.name = "Song number " + std::to_string(id);
    song.artist = "Artist " + std::to_string(id % 97);
    song.album = "Album " + std::to_string(id % 13);
    song.compression = id % 3 ? 'R' : ' ';
    char path[64];
    std::snprintf(path, sizeof path, "C:\\Quaverhouse\\Songs\\Song%010ld.%s", id, song.compression == 'R' ? "mp3" : "wav");
    song.path = path;
    song.guid = GuidOf(id);
    song.cddb = id * 7;
    library.songs.push_back(song);
  }
  library.playlists = {"Evening"};
  for (short sequence = 1; sequence <= 100 && sequence <= count; ++sequence)
    library.entries.push_back({"Evening", sequence, sequence});
  return library;
}

}  // namespace qh::maint::testing
