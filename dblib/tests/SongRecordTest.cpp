#include <gtest/gtest.h>

#include <string>

#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "dblib/Storage.h"
#include "platform/core/testing/TestSandbox.h"

namespace {

TEST(SongRecordTest, NewRecordAndClearedRecord) {
  tSong song;
  EXPECT_EQ(-1, song.SongID);
  EXPECT_EQ('?', song.SongCompression);
  EXPECT_EQ(COleDateTime::valid, song.SongDate.GetStatus());
  EXPECT_EQ(0.0, song.SongDate.m_dt);

  tQHDb db;
  tStorage storage(nullptr);
  ASSERT_EQ(0, song.Attach(&db, &storage));
  song.SetSongName("Name");
  song.AddGenre("Rock", TRUE);
  song.AddGenre("Pop", FALSE);
  song.SetUserData(7);
  song.MediaPath = "C:\\x.wav";
  song.Clear();
  EXPECT_EQ(0, song.SongID);
  EXPECT_EQ(COleDateTime::invalid, song.SongDate.GetStatus());
  EXPECT_EQ(COleDateTime::invalid, song.SongRecordDate.GetStatus());
  EXPECT_TRUE(song.SongName.IsEmpty());
  EXPECT_TRUE(song.SongGenres.empty());
  EXPECT_TRUE(song.SongPrimaryGenre.IsEmpty());
  EXPECT_TRUE(song.MediaPath.IsEmpty());
  EXPECT_EQ(0u, song.GetUserData());
  EXPECT_EQ(&db, song.GetDatabase());
  EXPECT_EQ(&storage, song.GetStorage());
}

TEST(SongRecordTest, AttachChecksInOrderAndBindsOnce) {
  tQHDb db, other;
  tStorage storage(nullptr);
  tSong song;
  EXPECT_EQ(-1, song.Attach(nullptr, &storage));
  EXPECT_EQ(-3, song.Attach(&db, nullptr));
  EXPECT_EQ(nullptr, song.GetDatabase());
  EXPECT_EQ(0, song.Attach(&db, &storage));
  EXPECT_EQ(-2, song.Attach(&other, &storage));
  EXPECT_EQ(&db, song.GetDatabase());
}

TEST(SongRecordTest, TextSettersCutAndTrimAsTheirColumns) {
  tSong song;
  std::string name(79, 'n');
  name += ' ';
  name += std::string(20, 'x');
  song.SetSongName(name.c_str());
  EXPECT_EQ(79, song.SongName.GetLength());
  song.SetSongArtist("  The Band  ");
  EXPECT_EQ("The Band", song.SongArtist.str());
  song.SetSongAlbumName(" Album");
  EXPECT_EQ(" Album", song.SongAlbumName.str());

  struct WidthCase {
    void (tSong::*setter)(const CString&);
    CString tSong::*field;
    int width;
  };
  const WidthCase widths[] = {
      {&tSong::SetSongAlbumName, &tSong::SongAlbumName, 80}, {&tSong::SetSongLabel, &tSong::SongLabel, 40},
      {&tSong::SetSongAttributes, &tSong::SongAttributes, 50}, {&tSong::SetSongLength, &tSong::SongLength, 10},
      {&tSong::SetSongComments, &tSong::SongComments, 255}, {&tSong::SetSongInventoryCode, &tSong::SongInventoryCode, 30},
      {&tSong::SetSongSource, &tSong::SongSource, 50}, {&tSong::SetSongRotationCode, &tSong::SongRotationCode, 20},
  };
  for (const WidthCase& c : widths) {
    (song.*c.setter)(CString(std::string(300, 'w')));
    EXPECT_EQ(c.width, (song.*c.field).GetLength());
  }
}

TEST(SongRecordTest, PathSetterAcceptsNoMoreThanTheColumnHolds) {
  tSong song;
  song.SetSongPath(CString(std::string(255, 'p')));
  EXPECT_EQ(255, song.SongPath.GetLength());
  song.SetSongPath("Tunes\\a.wav");
  EXPECT_EQ("Tunes\\a.wav", song.SongPath.str());
  song.SetSongPath(CString(std::string(256, 'q')));
  EXPECT_EQ("Tunes\\a.wav", song.SongPath.str());
  song.SetSongPath(CString(std::string(260, 'q')));
  EXPECT_EQ("Tunes\\a.wav", song.SongPath.str());
}

TEST(SongRecordTest, NumberSettersKeepTheOldValueOutsideTheirRange) {
  tSong song;
  song.SetSongBPM(200.0);
  EXPECT_EQ(200.0, song.SongBPM);
  song.SetSongBPM(49.9);
  song.SetSongBPM(200.1);
  EXPECT_EQ(200.0, song.SongBPM);
  song.SetSongBPMAccuracy(100.0);
  song.SetSongBPMAccuracy(-0.1);
  EXPECT_EQ(100.0, song.SongBPMAccuracy);
  song.SetSongCdTrack(12);
  song.SetSongCdTrack(0);
  song.SetSongCdTrack(100);
  EXPECT_EQ(12, song.SongCdTrack);
  song.SetSongID(5);
  song.SetSongID(0);
  EXPECT_EQ(5, song.SongID);
  for (char code : std::string(" AMR3V")) {
    song.SetSongCompression(code);
    EXPECT_EQ(code, song.SongCompression);
  }
  song.SetSongCompression('X');
  EXPECT_EQ('V', song.SongCompression);
}

TEST(SongRecordTest, GuidSetterTakesExactly38Characters) {
  tSong song;
  song.SetSongGUID("0123ABCD-00EF-A1B2-0123-456789ABCDEF");
  EXPECT_TRUE(song.SongGUID.IsEmpty());
  song.SetSongGUID("{0123ABCD-00EF-A1B2-0123-456789ABCDEF}");
  EXPECT_EQ(38, song.SongGUID.GetLength());
  EXPECT_EQ(song.SongGUID, song.GetGuid());
}

TEST(SongRecordTest, GenresCutTrimAndSortIntoPrimaryAndFurther) {
  tSong song;
  song.AddGenre("  Rock  ", TRUE);
  song.AddGenre("Contemporary Christian", FALSE);
  song.AddGenre("Pop", FALSE);
  song.AddGenre("Pop", FALSE);
  EXPECT_EQ("Rock", song.SongPrimaryGenre.str());
  ASSERT_EQ(3u, song.SongGenres.size());
  EXPECT_EQ("Contemporary Christian", song.SongGenres[0].str()) << "every default genre fits whole";
  song.AddGenre("Jazz", TRUE);
  EXPECT_EQ("Jazz", song.SongPrimaryGenre.str());
}

TEST(SongRecordTest, PrimaryGenreIndexIgnoresCaseAndDefaultsToOther) {
  tSong song;
  EXPECT_EQ(12, song.GetPrimaryGenreIndex());
  song.AddGenre("blues", TRUE);
  EXPECT_EQ(0, song.GetPrimaryGenreIndex());
  song.AddGenre("SYNTH POP", TRUE);
  EXPECT_EQ(147, song.GetPrimaryGenreIndex());
  song.AddGenre("Polka Metal", TRUE);
  EXPECT_EQ(12, song.GetPrimaryGenreIndex());
}

TEST(SongRecordTest, StripArtistTheOnlyWhenSomethingFollows) {
  struct Case {
    const char* artist;
    const char* expected;
  };
  for (Case c : {Case{"The Band", "Band"}, Case{"THE ", "THE "}, Case{"Theatre", "Theatre"},
                 Case{"the  Who", " Who"}}) {
    tSong song;
    song.SongArtist = c.artist;
    song.StripArtistThe();
    EXPECT_EQ(c.expected, song.SongArtist.str()) << c.artist;
  }
}

TEST(SongRecordTest, AssignmentCopiesFieldsGenresAndBindings) {
  tQHDb db;
  tStorage storage(nullptr);
  tSong source;
  source.Attach(&db, &storage);
  source.SetSongName("A");
  source.AddGenre("Rock", TRUE);
  source.AddGenre("Pop", FALSE);
  source.SongLengthMS = 1234;
  source.SetUserData(9);
  tSong copy;
  copy.AddGenre("Old", FALSE);
  copy = source;
  EXPECT_EQ("A", copy.SongName.str());
  ASSERT_EQ(1u, copy.SongGenres.size());
  EXPECT_EQ(1234, copy.SongLengthMS);
  EXPECT_EQ(9u, copy.GetUserData());
  EXPECT_EQ(&db, copy.GetDatabase());
  tSong empty;
  copy = empty;
  EXPECT_TRUE(copy.SongGenres.empty());
}

TEST(SongRecordTest, FileNamesFollowTheCompressionCodeAndVolume) {
  qh::testing::TestSandbox sandbox;
  sandbox.AddDrive('D', 0x1111, "MUSIC");
  sandbox.AddDrive('E', 0x2222, "EXT");
  tQHDb db;
  tStorage storage(nullptr);
  storage.ScanDrives();
  EXPECT_EQ(1, storage.AddVolume(0x1111, "D", "MUSIC", "Music", 0, 0));
  EXPECT_EQ(2, storage.AddVolume(0x2222, "e", "EXT", "", 0, 0));
  tSong song;
  song.Attach(&db, &storage);
  song.SongID = 7;
  song.SongCompression = 'R';
  song.SongVolser = 0x1111;
  EXPECT_EQ("D:\\Music\\Songs\\Song0000000007.mp3", song.GetMediaFileName().str());
  EXPECT_EQ("D:\\Music\\Covers\\Cover0000000007.jpg", song.GetCoverFileName().str());
  EXPECT_EQ("D:\\Music\\Songs\\Temp0000000007.mp3", song.GetTempFileName().str());

  song.Clear();
  song.SongID = 7;
  song.SongCompression = ' ';
  song.SongVolser = 0x1111;
  EXPECT_EQ("D:\\Music\\Songs\\Song0000000007.wav", song.GetMediaFileName().str());
  EXPECT_EQ("D:\\Music\\Songs\\Temp0000000007.wav", song.GetTempFileName().str());
  EXPECT_EQ("D:\\Music\\Songs\\Song0000000007.mp3", song.GetMp3FileName().str());
  EXPECT_EQ("D:\\Music\\Songs\\Song0000000007.mp3", song.MediaPath.str());

  song.Clear();
  song.SongCompression = 'V';
  song.SongVolser = 0x2222;
  song.SongPath = "Tunes\\a.wav";
  EXPECT_EQ("E:\\Tunes\\a.wav", song.GetMediaFileName().str());
  EXPECT_TRUE(song.GetCoverFileName().IsEmpty());
  EXPECT_TRUE(song.GetTempFileName().IsEmpty());

  // A volume that is not mounted names no files, managed or not.
  for (char code : {' ', 'R', '3', 'V'}) {
    song.Clear();
    song.SongID = 7;
    song.SongCompression = code;
    song.SongVolser = 0x9999;
    song.SongPath = "Tunes\\a.wav";
    EXPECT_TRUE(song.GetMediaFileName().IsEmpty()) << code;
    EXPECT_TRUE(song.GetCoverFileName().IsEmpty()) << code;
  }
}

}  // namespace
