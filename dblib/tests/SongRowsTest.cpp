// Song rows: reading, adding, changing and deleting one song with its genre rows.
#include "dblib/tests/SongDbFixture.h"

namespace qh::dblib::testing {
namespace {

class SongRowsTest : public SongDbTest {
 protected:
  LONG CountRows(const char* table, const char* where = "") {
    CDaoRecordset set(db.GetDatabase());
    set.Open(dbOpenSnapshot, CString("Select Count(*) From ") + table + " " + where, dbForwardOnly);
    return set.GetFieldValue(0).ToLong();
  }
};

TEST_F(SongRowsTest, FirstSongGetsIdOneAndTheNextTheHighestPlusOne) {
  EXPECT_EQ(1, AddSong("One", "Artist"));
  Execute("Update Songs Set SongID = 41 Where SongID = 1;");
  Execute("Update SongGenre Set SongID = 41 Where SongID = 1;");
  EXPECT_EQ(42, AddSong("Two", "Artist"));
}

TEST_F(SongRowsTest, AddKeepsAGivenGuidAndMakesOneWhenMissing) {
  tSong given = NewSong("Given", "Artist");
  given.SetSongGUID("{11111111-2222-3333-4444-555555555555}");
  ASSERT_GT(db.AddSong(&given), 0);
  EXPECT_EQ("{11111111-2222-3333-4444-555555555555}", given.SongGUID.str());

  tSong fresh = NewSong("Fresh", "Artist");
  LONG id = db.AddSong(&fresh);
  ASSERT_GT(id, 0);
  EXPECT_EQ(38, fresh.SongGUID.GetLength());
  EXPECT_EQ('{', fresh.SongGUID[0]);
  EXPECT_EQ(id, fresh.SongID);
  EXPECT_EQ(COleDateTime::valid, fresh.SongRecordDate.GetStatus());
  tSong loaded;
  ASSERT_EQ(1, db.GetSongDetail(id, &loaded));
  EXPECT_EQ(fresh.SongGUID, loaded.SongGUID);
}

TEST_F(SongRowsTest, RecordRoundTripsThroughTheRow) {
  tSong song = NewSong("Name", "Artist", "Album");
  song.SetSongLabel("Label");
  COleDateTime date;
  date.SetDate(2004, 2, 29);
  song.SetSongDate(date);
  song.SetSongBPM(120.5);
  song.SetSongBPMAccuracy(99.0);
  song.SetSongAttributes("attr");
  song.SetSongLength("03:25.123");
  song.SetSongCdTrack(7);
  song.SetSongCDDB(0xFEDCBA98u);
  song.SetSongCompression('3');
  song.SetSongUncompressed(TRUE);
  song.SetSongComments("It's fine");
  song.SetSongInventoryCode("INV");
  song.SetSongSource("CD");
  song.SetSongRotationCode("A");
  song.SetSongPath("Music\\it's.mp3");
  song.SetSongVolser(0x80000001u);
  LONG id = db.AddSong(&song);
  ASSERT_GT(id, 0) << LastErrorText();

  tSong loaded;
  ASSERT_EQ(1, db.GetSongDetail(id, &loaded));
  EXPECT_EQ("Name", loaded.SongName.str());
  EXPECT_EQ("Album", loaded.SongAlbumName.str());
  EXPECT_EQ("Label", loaded.SongLabel.str());
  EXPECT_EQ(date, loaded.SongDate);
  EXPECT_EQ(120.5, loaded.SongBPM);
  EXPECT_EQ(99.0, loaded.SongBPMAccuracy);
  EXPECT_EQ("03:25.123", loaded.SongLength.str());
  EXPECT_EQ(7, loaded.SongCdTrack);
  EXPECT_EQ(0xFEDCBA98u, loaded.SongCDDB);
  EXPECT_EQ('3', loaded.SongCompression);
  EXPECT_EQ(-1, loaded.SongUncompressed);
  EXPECT_EQ("It's fine", loaded.SongComments.str());
  EXPECT_EQ("Music\\it's.mp3", loaded.SongPath.str());
  EXPECT_EQ(0x80000001u, loaded.SongVolser);
  EXPECT_EQ(0, loaded.SongPlayCount);
  EXPECT_EQ("Rock", loaded.SongPrimaryGenre.str());
}

TEST_F(SongRowsTest, EmptyPrimaryGenreWritesNoGenreRows) {
  tSong song = NewSong("Name", "Artist", "", "");
  song.AddGenre("Pop", FALSE);
  LONG id = db.AddSong(&song);
  ASSERT_GT(id, 0);
  EXPECT_EQ(0, CountRows("SongGenre"));
}

TEST_F(SongRowsTest, FurtherGenreRepeatingThePrimaryKeepsThePrimaryFlag) {
  tSong song = NewSong("Name", "Artist", "", "Rock");
  song.AddGenre("Pop", FALSE);
  song.AddGenre("ROCK", FALSE);
  LONG id = db.AddSong(&song);
  ASSERT_GT(id, 0);
  tSong loaded;
  ASSERT_EQ(1, db.GetSongDetail(id, &loaded));
  EXPECT_EQ("Rock", loaded.SongPrimaryGenre.str());
  ASSERT_EQ(1u, loaded.SongGenres.size());
  EXPECT_EQ("Pop", loaded.SongGenres[0].str());

  // The song-information dialog's case: an existing further genre becomes the primary one.
  loaded.AddGenre("Pop", TRUE);
  ASSERT_EQ(1, db.UpdateSong(&loaded));
  tSong again;
  ASSERT_EQ(1, db.GetSongDetail(id, &again));
  EXPECT_EQ("Pop", again.SongPrimaryGenre.str());
  EXPECT_EQ(1, CountRows("SongGenre", "Where PrimaryGenre = True"));
}

TEST_F(SongRowsTest, GenreWithApostropheIsStoredAsIs) {
  tSong song = NewSong("Name", "Artist", "", "Rock'n'Roll");
  song.AddGenre("Drum'n'Bass", FALSE);
  LONG id = db.AddSong(&song);
  ASSERT_GT(id, 0) << LastErrorText();
  tSong loaded;
  ASSERT_EQ(1, db.GetSongDetail(id, &loaded));
  EXPECT_EQ("Rock'n'Roll", loaded.SongPrimaryGenre.str());
  EXPECT_EQ("Drum'n'Bass", loaded.SongGenres.at(0).str());
}

TEST_F(SongRowsTest, DetailLoadsTheGenresOnceAndOnlyForAnExistingRow) {
  LONG id = AddSong("Name", "Artist");
  tSong song = NewSong("x", "y", "", "Blues");
  song.AddGenre("Jazz", FALSE);
  ASSERT_EQ(1, db.GetSongDetail(id, &song));
  EXPECT_EQ("Rock", song.SongPrimaryGenre.str());
  EXPECT_TRUE(song.SongGenres.empty()) << "the record was cleared and the genres read once";

  song.SongID = 99;
  EXPECT_EQ(0, db.GetSongDetail(99, &song));
  EXPECT_EQ(QhdbText(QHDB_ERR_NOT_FOUND), LastErrorText());
  EXPECT_TRUE(song.SongGenres.empty());
  EXPECT_EQ("Rock", song.SongPrimaryGenre.str());
}

TEST_F(SongRowsTest, DetailChecksItsArguments) {
  tSong song;
  EXPECT_EQ(0, db.GetSongDetail(0, &song));
  EXPECT_EQ(QhdbText(QHDB_ERR_BAD_SONG_ID), LastErrorText());
  EXPECT_EQ(0, db.GetSongDetail(1, nullptr));
  EXPECT_EQ(QhdbText(QHDB_ERR_BAD_PARAMETER), LastErrorText());
}

TEST_F(SongRowsTest, UpdateWithoutRowGivesText5AndKeepsGenres) {
  LONG id = AddSong("Name", "Artist");
  tSong ghost = NewSong("Ghost", "Artist", "", "Jazz");
  ghost.SongID = id + 1;
  EXPECT_EQ(0, db.UpdateSong(&ghost));
  EXPECT_EQ(QhdbText(QHDB_ERR_NOT_INITIALIZED), LastErrorText());
  EXPECT_EQ(1, CountRows("SongGenre"));
}

TEST_F(SongRowsTest, UpdateRewritesTheRowAndItsGenres) {
  LONG id = AddSong("Name", "Artist");
  tSong song;
  ASSERT_EQ(1, db.GetSongDetail(id, &song));
  song.SetSongName("New name");
  song.AddGenre("Jazz", TRUE);
  song.AddGenre("Blues", FALSE);
  ASSERT_EQ(1, db.UpdateSong(&song));
  tSong loaded;
  ASSERT_EQ(1, db.GetSongDetail(id, &loaded));
  EXPECT_EQ("New name", loaded.SongName.str());
  EXPECT_EQ("Jazz", loaded.SongPrimaryGenre.str());
  EXPECT_EQ(2, CountRows("SongGenre"));
}

TEST_F(SongRowsTest, FailedWriteRollsTheWholeSongBack) {
  tSong song = NewSong("", "Artist");  // SongName is required and may not be empty
  EXPECT_EQ(-3, db.AddSong(&song));
  EXPECT_EQ(3315, LastErrorCode());
  EXPECT_EQ(0, CountRows("Songs"));
  EXPECT_EQ(0, CountRows("SongGenre"));

  LONG id = AddSong("Name", "Artist");
  tSong loaded;
  ASSERT_EQ(1, db.GetSongDetail(id, &loaded));
  loaded.SongArtist.Empty();
  loaded.AddGenre("Jazz", TRUE);
  EXPECT_EQ(0, db.UpdateSong(&loaded));
  tSong unchanged;
  ASSERT_EQ(1, db.GetSongDetail(id, &unchanged));
  EXPECT_EQ("Artist", unchanged.SongArtist.str());
  EXPECT_EQ("Rock", unchanged.SongPrimaryGenre.str());
}

TEST_F(SongRowsTest, DeleteRemovesTheSongFromEveryTable) {
  LONG id = AddSong("Name", "Artist");
  LONG other = AddSong("Other", "Artist");
  Execute("Insert Into CueList Values (1, 'Intro', 1, '00:01.000');");
  Execute("Insert Into DJSequence Values (1, 2, 3);");
  Execute("Insert Into DJSequence Values (2, 1, 1);");
  ASSERT_EQ(1, db.AppendPlaylistSong("Party", id));
  ASSERT_EQ(1, db.AppendPlaylistSong("Party", other));
  EXPECT_EQ(6, db.DeleteSong(id));  // genre, cue, two sequences, playlist entry, song
  EXPECT_EQ(1, CountRows("Songs"));
  EXPECT_EQ(0, db.DeleteSong(id));
  EXPECT_EQ(-2, db.DeleteSong(0));
  EXPECT_EQ(QhdbText(QHDB_ERR_BAD_SONG_ID), LastErrorText());
}

}  // namespace
}  // namespace qh::dblib::testing
