// Builds song database files of version 02.70 for the converter's tests and benchmark. The old file is
// a database file of this platform with the tables and columns the converter reads: SongType (code,
// description, BPM range), Songs (21 columns, the genre as SongTypeCode and the full file path with its
// drive letter in SongPath), Playlist, PlaylistDetail and QuavParms with DatabaseVersion "02.70".
#pragma once

#include <string>
#include <vector>

#include "platform/core/CString.h"

namespace qh::maint::testing {

struct OldSongType {
  std::string code;
  std::string description;
  short minBpm = 60;
  short maxBpm = 180;
};

struct OldSong {
  long id = 0;
  std::string typeCode;  // empty: Null
  std::string name;
  std::string artist;    // empty: Null
  std::string album;
  char compression = 'R';
  std::string path;      // "D:\Songs\Song0000000001.mp3"; empty: Null
  std::string guid;
  double bpm = 120.0;
  long cddb = 0;
  std::string comments;
};

struct OldPlaylistEntry {
  std::string playlist;
  short sequence;
  long songId;
};

struct OldLibrary {
  std::string version = "02.70";  // empty: no version row at all
  std::vector<OldSongType> types;
  std::vector<OldSong> songs;
  std::vector<std::string> playlists;
  std::vector<OldPlaylistEntry> entries;
};

// Creates the file (which must not exist) and fills it in one transaction.
void BuildOldLibrary(const CString& file, const OldLibrary& library);

// `count` songs on drive C:, typed "Rock" (a default genre in other case), with one playlist over
// the first hundred: the library of the kill and speed runs.
OldLibrary ManySongsLibrary(long count);

}  // namespace qh::maint::testing
