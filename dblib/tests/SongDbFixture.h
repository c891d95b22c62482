// A sandbox with a new song database made by the schema creator, opened through tQHDb.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "maintenance/schema/SongDbSchema.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/dao/Dao.h"

namespace qh::dblib::testing {

inline constexpr const char* kDbPath = "C:\\Quaverhouse\\Quaverhouse.qhd";

class SongDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse"));
    CreateSongDatabase(kDbPath);
    ASSERT_EQ(1, db.Open(kDbPath, TRUE, FALSE)) << LastErrorText();
  }

  std::string LastErrorText() const {
    CString text;
    db.GetLastError(text);
    return text.str();
  }
  LONG LastErrorCode() const {
    CString text;
    return db.GetLastError(text);
  }
  // The "QHDB: " text of a number, for comparisons.
  static std::string QhdbText(int number) { return kQHDbErrorTexts[number]; }

  // A song ready to be added: the required texts filled and a primary genre.
  static tSong NewSong(const char* name, const char* artist, const char* album = "", const char* genre = "Rock") {
    tSong song;
    song.SetSongName(name);
    song.SetSongArtist(artist);
    song.SetSongAlbumName(album);
    song.SetSongCompression(' ');
    if (*genre != '\0') song.AddGenre(genre, TRUE);
    return song;
  }
  LONG AddSong(const char* name, const char* artist, const char* album = "", const char* genre = "Rock") {
    tSong song = NewSong(name, artist, album, genre);
    return db.AddSong(&song);
  }

  // Runs a statement directly on the file (through a second database object of the same process).
  void Execute(const char* sql) { db.GetDatabase()->Execute(sql, dbFailOnError); }

  qh::testing::TestSandbox sandbox;
  tQHDb db;
};

}  // namespace qh::dblib::testing
