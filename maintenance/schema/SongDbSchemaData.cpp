// The song database's tables, index and row statements and stored queries, as data. The order of the
// tables, of their fields and of the statements is the order in which a new file is built.
#include "maintenance/schema/SongDbSchema.h"

namespace {

// Shorthands keep the tables readable: one line per field as the file defines it.
constexpr SchemaField Text(const char* name, long size, bool required, bool zero) {
  return {name, kSchemaText, size, kSchemaVariable, required, zero};
}
constexpr SchemaField FixedText(const char* name, long size, bool required, bool zero) {
  return {name, kSchemaText, size, kSchemaFixed, required, zero};
}
constexpr SchemaField Long(const char* name, bool required = false) {
  return {name, kSchemaLong, 4, kSchemaFixed, required, false};
}
constexpr SchemaField Integer(const char* name, bool required = false) {
  return {name, kSchemaInteger, 2, kSchemaFixed, required, false};
}
constexpr SchemaField Double(const char* name) { return {name, kSchemaDouble, 8, kSchemaFixed, false, false}; }
constexpr SchemaField Date(const char* name) { return {name, kSchemaDate, 8, kSchemaFixed, false, false}; }
constexpr SchemaField Boolean(const char* name) { return {name, kSchemaBoolean, 1, kSchemaFixed, false, false}; }

constexpr bool R = true;   // required
constexpr bool Z = true;   // zero length allowed
constexpr bool N = false;

const SchemaField kCueList[] = {Long("SongID", R), Text("CueDescription", 32, R, N), Integer("CueNumber"),
                                Text("CueOffset", 20, N, Z)};
const SchemaField kPlaylist[] = {Text("PlaylistName", 50, R, N), Date("PlaylistDate"), Integer("CurrentSeqNum"),
                                 Text("PlaylistComment", 255, N, Z)};
const SchemaField kPlaylistDetail[] = {Text("PlaylistName", 50, R, N), Integer("PlaylistSequenceNum", R),
                                       Long("SongID", R), Text("PlaylistOffset", 20, N, Z)};
const SchemaField kSongs[] = {
    Long("SongID", R),           Text("SongName", 80, R, N),          Text("SongArtist", 80, R, N),
    Text("SongAlbumName", 80, N, Z), Text("SongLabel", 40, N, Z),     Date("SongDate"),
    Date("SongRecordDate"),      Double("SongBPM"),                   Double("SongBPMAccuracy"),
    Text("SongAttributes", 50, N, Z), Text("SongLength", 10, N, Z),   Integer("SongCdTrack"),
    Long("SongCDDB"),            FixedText("SongCompression", 1, N, Z), Boolean("SongUncompressed"),
    Text("SongComments", 255, N, Z), Text("SongInventoryCode", 30, N, Z), Text("SongSource", 50, N, Z),
    Text("SongRotationCode", 20, N, Z), Text("SongPath", 255, N, Z),  Long("SongVolser"),
    Text("SongGUID", 38, R, N),  Long("SongPlayCount")};
const SchemaField kSongType[] = {Text("SongTypeCode", 30, R, N), Text("SongTypeDescription", 255, N, Z),
                                 Integer("MinBpm"), Integer("MaxBpm"), Boolean("ReservedCode")};
const SchemaField kQuavParms[] = {Text("ParmName", 20, R, N), Text("ParmValue", 20, N, Z)};
const SchemaField kDJSequence[] = {Long("CurrentSong", R), Long("NextSong", R), Long("SelectionCount")};
const SchemaField kDBSyncOutgoing[] = {Integer("LicenseNumber"),  Text("ServerDescription", 80, N, Z),
                                       Text("IPAddress", 15, N, Z), Integer("PortNumber"),
                                       Date("LastSyncDTS"),        Date("NextSyncDTS"),
                                       Text("FilterRecords", 255, N, Z)};
const SchemaField kDBSyncIncoming[] = {Integer("LicenseNumber"), Text("ClientDescription", 80, N, Z),
                                       Long("MaxSongsToTransfer")};
const SchemaField kRadioFavorites[] = {Text("RadioName", 50, R, N), Integer("RadioSeq"),
                                       Text("RadioDesc", 255, N, Z), Text("RadioAddress", 80, N, Z),
                                       Integer("RadioPortNum")};
const SchemaField kScheduledEvents[] = {Long("ScheduleID"),          Text("ScheduleName", 40, R, N),
                                        Text("ScheduleDesc", 255, N, Z), Text("ScheduleCmd", 255, N, Z),
                                        Date("ScheduleDTS"),          Text("ScheduleRptUnit", 20, N, Z),
                                        Integer("ScheduleRptCount"),  Date("ScheduleEndDate"),
                                        Text("ScheduleSpecial", 20, N, Z)};
const SchemaField kScheduleHolidays[] = {Date("SchedHolDate"), Text("SchedHolName", 40, R, N),
                                         Boolean("SchedHolRpt")};
const SchemaField kSongGenre[] = {Long("SongID"), Text("SongGenre", 40, R, N), Boolean("PrimaryGenre")};
const SchemaField kVolserList[] = {Long("DriveVolser"),          Text("DriveLetter", 1, R, N),
                                   Text("DriveLabel", 30, N, Z), Text("DrivePath", 255, R, N),
                                   Long("TotalSpaceHi"),         Long("TotalSpaceLo")};

}  // namespace

const SchemaTable kSongDbTables[kSongDbTableCount] = {
    {"CueList", kCueList},
    {"Playlist", kPlaylist},
    {"PlaylistDetail", kPlaylistDetail},
    {"Songs", kSongs},
    {"SongType", kSongType},
    {"QuavParms", kQuavParms},
    {"DJSequence", kDJSequence},
    {"DBSyncOutgoing", kDBSyncOutgoing},
    {"DBSyncIncoming", kDBSyncIncoming},
    {"RadioFavorites", kRadioFavorites},
    {"ScheduledEvents", kScheduledEvents},
    {"ScheduleHolidays", kScheduleHolidays},
    {"SongGenre", kSongGenre},
    {"VolserList", kVolserList},
};

const char* const kSongDbStatements[] = {
    "CREATE UNIQUE  INDEX PrimaryKey ON CueList(       SongID,       CueDescription);",
    "CREATE INDEX IXCueNumber ON CueList(       SongID,       CueNumber);",
    "CREATE UNIQUE INDEX PrimaryKey ON Playlist(       PlaylistName);",
    "CREATE UNIQUE  INDEX PrimaryKey ON PlaylistDetail(       PlaylistName,       PlaylistSequenceNum);",
    "CREATE UNIQUE  INDEX PrimaryKey ON Songs(       SongID);",
    "CREATE INDEX IXSongName ON Songs(       SongName);",
    "CREATE INDEX IXSongArtist ON Songs(       SongArtist);",
    "CREATE INDEX IXSongAlbum ON Songs(       SongAlbumName);",
    "CREATE INDEX IXSongBPM ON Songs(       SongBPM);",
    "CREATE INDEX IXSongRotationCode ON Songs(       SongRotationCode);",
    "CREATE UNIQUE INDEX IXSongGUID ON Songs(       SongGUID);",
    "CREATE INDEX IXSongPlayCount ON Songs(       SongPlayCount);",
    "CREATE UNIQUE  INDEX PrimaryKey ON SongType(       SongTypeCode);",
    "CREATE UNIQUE  INDEX PrimaryKey ON QuavParms(       ParmName);",
    "CREATE UNIQUE  INDEX PrimaryKey ON DJSequence(       CurrentSong,       NextSong);",
    "CREATE UNIQUE  INDEX PrimaryKey ON DBSyncIncoming(       LicenseNumber);",
    "CREATE UNIQUE  INDEX PrimaryKey ON DBSyncOutgoing(       LicenseNumber);",
    "CREATE UNIQUE  INDEX PrimaryKey ON RadioFavorites(       RadioName);",
    "CREATE INDEX IXRadioSeq ON RadioFavorites(       RadioSeq);",
    "CREATE UNIQUE  INDEX PrimaryKey ON ScheduledEvents(       ScheduleID);",
    "CREATE INDEX IXEndDate ON ScheduledEvents(       ScheduleEndDate);",
    "CREATE UNIQUE  INDEX PrimaryKey ON ScheduleHolidays(       SchedHolDate);",
    "CREATE UNIQUE  INDEX PrimaryKey ON SongGenre(       SongID,       SongGenre);",
    "CREATE INDEX IXSongGenre ON SongGenre(       SongGenre);",
    "CREATE UNIQUE  INDEX PrimaryKey ON VolserList(       DriveVolser);",
    "INSERT INTO QuavParms Values ('DatabaseVersion', '04.00');",
    "INSERT INTO QuavParms Values ('VersionJukebox', 'YES');",
    kSongDbStatementEnd,
};

const StoredQuery kSongDbQueries[kSongDbQueryCount] = {
    {"qryGetSongDetail",
     "SELECT SongID, SongName, SongArtist, SongAlbumName, SongLabel, SongDate, SongRecordDate, SongBPM, "
     "SongBPMAccuracy, SongAttributes, SongLength, SongCdTrack, SongCDDB, SongCompression, SongUncompressed, "
     "SongComments, SongInventoryCode, SongSource, SongRotationCode, SongPath, SongVolser, SongGUID, "
     "SongPlayCount FROM Songs WHERE SongID = [pSongID]; "},
    {"qryPlaylistSongIDByName",
     "SELECT SongID, PlaylistSequenceNum FROM PlaylistDetail WHERE PlaylistName = [pPlaylistName] ORDER BY "
     "PlaylistSequenceNum; "},
    {"qryDJSequenceBySong",
     "SELECT NextSong FROM DJSequence WHERE CurrentSong = [pCurSong] ORDER BY SelectionCount DESC; "},
    {"qryDJSequenceByCombo",
     "SELECT CurrentSong, NextSong, SelectionCount FROM DJSequence WHERE CurrentSong = [pCurSong] AND NextSong = "
     "[pNextSong]; "},
    {"qryGetSongIDByGenre", "SELECT SongID FROM SongGenre WHERE SongGenre = [pSongTypeCode]; "},
    {"qrySongGenre", "SELECT SongGenre FROM SongGenre Where SongID = [pSongID] Order By SongGenre; "},
    {"qryUpdateSongPlayCount", "Update Songs Set SongPlayCount = SongPlayCount + 1 Where SongID = [pSongID]; "},
};
