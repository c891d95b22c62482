// Genre rows, the song-type cursor and volume rows; song lists, cursors and counts.
#include "dblib/tests/SongDbFixture.h"

namespace qh::dblib::testing {
namespace {

class GenresVolumesTest : public SongDbTest {};

TEST_F(GenresVolumesTest, SongWithoutGenreRowsLoadsNone) {
  tSong song;
  song.SongID = 12;
  EXPECT_EQ(0, db.LoadSongGenres(&song));
  EXPECT_TRUE(song.SongGenres.empty());
  EXPECT_TRUE(song.SongPrimaryGenre.IsEmpty());
}

TEST_F(GenresVolumesTest, AddingAnExistingGenreOnlyChangesItsFlag) {
  ASSERT_EQ(0, db.AddSongGenre(3, "Rock", FALSE));
  ASSERT_EQ(0, db.AddSongGenre(3, "rock", TRUE));
  tSong song;
  song.SongID = 3;
  EXPECT_EQ(1, db.LoadSongGenres(&song));
  EXPECT_EQ("Rock", song.SongPrimaryGenre.str());
  EXPECT_EQ(1, db.DeleteSongGenres(3));
  EXPECT_EQ(-2, db.DeleteSongGenres(0));
  EXPECT_EQ(QhdbText(QHDB_ERR_BAD_SONG_ID), LastErrorText());
  EXPECT_EQ(-2, db.AddSongGenre(0, "Rock", TRUE));
}

TEST_F(GenresVolumesTest, SongTypeCursorEndsWithText7) {
  ASSERT_EQ(1, db.OpenSongTypes("Synth Pop"));
  CString code, description;
  SHORT minBpm = 0, maxBpm = 0;
  LONG reserved = 0;
  EXPECT_EQ(1, db.NextSongType(code, description, minBpm, maxBpm, reserved));
  EXPECT_EQ(0, db.NextSongType(code, description, minBpm, maxBpm, reserved));
  EXPECT_EQ(QhdbText(QHDB_ERR_NOT_FOUND), LastErrorText());
  EXPECT_EQ(1, db.CloseSongTypes());
}

TEST_F(GenresVolumesTest, SavingAVolumeAddsThenChangesInPlace) {
  ASSERT_EQ(0, db.SaveVolume(0x1234, "D", "MUSIC", "Music", 1, 2));
  ASSERT_EQ(0, db.SaveVolume(0x1234, "D", "RENAMED", "Music", 1, 3));
  ASSERT_EQ(1, db.OpenVolumes());
  LONG serial = 0, high = 0, low = 0;
  CString letter, label, path;
  ASSERT_EQ(1, db.NextVolume(serial, letter, label, path, high, low));
  EXPECT_EQ("RENAMED", label.str());
  EXPECT_EQ(3, low);
  EXPECT_EQ(0, db.NextVolume(serial, letter, label, path, high, low));
  EXPECT_EQ(QhdbText(QHDB_ERR_NOT_FOUND), LastErrorText());
  EXPECT_EQ(1, db.CloseVolumes());
}

TEST_F(GenresVolumesTest, SaveVolumeChecksSerialThenPath) {
  EXPECT_EQ(-2, db.SaveVolume(0, "D", "", "", 0, 0));
  EXPECT_EQ(QhdbText(QHDB_ERR_BAD_SONG_ID), LastErrorText());
  EXPECT_EQ(-6, db.SaveVolume(5, "D", "", "", 0, 0));
  EXPECT_EQ(QhdbText(QHDB_ERR_BAD_PARAMETER), LastErrorText());
  EXPECT_EQ(-3, db.SaveVolume(5, "", "", "Music", 0, 0)) << "the drive letter is required";
  EXPECT_EQ(3315, LastErrorCode());
}

TEST_F(GenresVolumesTest, EmptyVolumeListEndsAtOnce) {
  ASSERT_EQ(1, db.OpenVolumes());
  LONG serial = 0, high = 0, low = 0;
  CString letter, label, path;
  EXPECT_EQ(0, db.NextVolume(serial, letter, label, path, high, low));
  EXPECT_EQ(QhdbText(QHDB_ERR_NOT_FOUND), LastErrorText());
}

TEST_F(GenresVolumesTest, CountsOverAnEmptyTableGiveMinusThree) {
  EXPECT_EQ(-3, db.OpenCategoryCounts(2, "@"));
  EXPECT_EQ(-3, db.OpenUncompressedSongs());
  EXPECT_EQ(-2, db.OpenCategoryCounts(9, "@"));
  EXPECT_EQ(QhdbText(QHDB_ERR_BAD_PARAMETER), LastErrorText());
}

TEST_F(GenresVolumesTest, CallerCursorCountsMovesAndFetches) {
  for (const char* name : {"c", "a", "b"}) AddSong(name, "Artist");
  CDaoRecordset* cursor = db.OpenSongCursor("Order by A.SongName");
  ASSERT_NE(nullptr, cursor);
  EXPECT_EQ(3, db.GetCursorCount(cursor));
  EXPECT_EQ(2, db.SetCursorPosition(cursor, 2));
  tSong song;
  EXPECT_EQ(1, db.FetchSong(&song, cursor));
  EXPECT_EQ("c", song.SongName.str());
  EXPECT_EQ("Rock", song.SongPrimaryGenre.str());
  EXPECT_EQ(0, db.FetchSong(&song, cursor));
  EXPECT_EQ(QhdbText(QHDB_ERR_NOT_FOUND), LastErrorText());
  EXPECT_EQ(-3, db.FetchSong(nullptr, cursor));
  EXPECT_EQ(1, db.CloseSongCursor(cursor));

  CDaoRecordset* empty = db.OpenSongCursor("Where A.SongID > 100");
  ASSERT_NE(nullptr, empty);
  EXPECT_EQ(0, db.GetCursorCount(empty));
  EXPECT_EQ(-1, db.SetCursorPosition(empty, 0));
  EXPECT_EQ(1, db.CloseSongCursor(empty));
  EXPECT_EQ(-1, db.GetCursorCount(nullptr));
  EXPECT_EQ(-2, db.SetCursorPosition(nullptr, 0));
}

TEST_F(GenresVolumesTest, UncompressedSongWhoseRowVanishedGivesText7) {
  tSong song = NewSong("Name", "Artist");
  song.SetSongCompression(' ');
  ASSERT_GT(db.AddSong(&song), 0);
  ASSERT_EQ(1, db.OpenUncompressedSongs());
  Execute("Delete From Songs;");
  tSong read;
  EXPECT_EQ(0, db.NextUncompressedSong(&read));
  EXPECT_EQ(QhdbText(QHDB_ERR_NOT_FOUND), LastErrorText());
}

TEST_F(GenresVolumesTest, NextSongWithoutRecordOrFamily) {
  tSong song;
  EXPECT_EQ(-2, db.NextSong(&song));
  EXPECT_EQ(QhdbText(QHDB_ERR_NOT_INITIALIZED), LastErrorText());
  ASSERT_EQ(1, db.OpenSongList(""));
  EXPECT_EQ(-3, db.NextSong(nullptr));
  EXPECT_EQ(QhdbText(QHDB_ERR_BAD_PARAMETER), LastErrorText());
  EXPECT_EQ(0, db.NextSong(&song));
  EXPECT_EQ(QhdbText(QHDB_ERR_NOT_FOUND), LastErrorText());
}

}  // namespace
}  // namespace qh::dblib::testing
