// The recorder's members of the song database object: song types, cue points, the playlists of a
// song, the list joined on the primary genre, playlist removal, counts and the remote-jukebox row.
#include "dblib/tests/SongDbFixture.h"

namespace qh::dblib::testing {
namespace {

class RecorderAdditionsTest : public SongDbTest {
 protected:
  std::vector<std::string> SongTypeCodes() {
    std::vector<std::string> codes;
    EXPECT_EQ(1, db.OpenSongTypes(""));
    CString code, description;
    SHORT minBpm = 0, maxBpm = 0;
    LONG reserved = 0;
    while (db.NextSongType(code, description, minBpm, maxBpm, reserved)) codes.push_back(code.str());
    db.CloseSongTypes();
    return codes;
  }
  bool HasType(const char* code) {
    auto codes = SongTypeCodes();
    return std::find(codes.begin(), codes.end(), code) != codes.end();
  }
};

TEST_F(RecorderAdditionsTest, ReservedGenresStayUserGenresGo) {
  EXPECT_EQ(0, db.DeleteSongType("Blues"));
  EXPECT_TRUE(HasType("Blues"));
  ASSERT_EQ(1, db.AddSongType("Rock/Pop", "Both", 60, 180));
  EXPECT_EQ(0, db.AddSongType("rock/pop", "Again", 50, 200)) << "codes compare without case";
  EXPECT_EQ(1, db.DeleteSongType("Rock/Pop"));
  EXPECT_FALSE(HasType("Rock/Pop"));
  EXPECT_EQ(0, db.DeleteSongType("Rock/Pop"));
}

TEST_F(RecorderAdditionsTest, ApostrophesInCodesAreTextNotSql) {
  ASSERT_EQ(1, db.AddSongType("Rock 'n' Roll", "quoted", 50, 200));
  ASSERT_EQ(1, db.UpdateSongType("Rock 'n' Roll", "changed", 70, 140));
  ASSERT_EQ(1, db.OpenSongTypes("Rock 'n' Roll"));
  CString code, description;
  SHORT minBpm = 0, maxBpm = 0;
  LONG reserved = -1;
  ASSERT_EQ(1, db.NextSongType(code, description, minBpm, maxBpm, reserved));
  db.CloseSongTypes();
  EXPECT_EQ("changed", description.str());
  EXPECT_EQ(70, minBpm);
  EXPECT_EQ(140, maxBpm);
  EXPECT_EQ(0, reserved);
  EXPECT_EQ(0, db.UpdateSongType("Missing' Or '1'='1", "x", 50, 200));
  EXPECT_EQ(0, db.DeleteSongType("x' Or '1'='1"));
  EXPECT_TRUE(HasType("Blues"));
}

TEST_F(RecorderAdditionsTest, CuePointsNumberFromOneAndRefuseRepeats) {
  LONG song = AddSong("Cue", "Me");
  EXPECT_EQ(1, db.AddCuePoint(song, "Intro", "00:01.000"));
  EXPECT_EQ(1, db.AddCuePoint(song, "Drop's", "01:02.500"));
  EXPECT_EQ(1, db.AddCuePoint(song, "Outro", "03:00.000"));
  EXPECT_EQ(0, db.AddCuePoint(song, "intro", "09:09.000"));
  SHORT number = 0;
  ASSERT_EQ(1, db.GetCueNumber(song, "Drop's", number));
  EXPECT_EQ(2, number);
  CString offset;
  ASSERT_EQ(1, db.GetCueOffset(song, "Intro", offset));
  EXPECT_EQ("00:01.000", offset.str());
  EXPECT_EQ(1, db.DeleteCuePoint(song, "Drop's"));
  EXPECT_EQ(0, db.DeleteCuePoint(song, "Drop's"));
  EXPECT_EQ(-2, db.DeleteCuePoint(0, "Intro"));
  ASSERT_EQ(1, db.RenumberCuePoints(song));
  ASSERT_EQ(1, db.LoadCueList(song));
  std::vector<std::pair<std::string, int>> cues;
  CString description;
  while (db.NextCuePoint(description, number, offset)) cues.emplace_back(description.str(), number);
  db.CloseCueList();
  EXPECT_EQ((std::vector<std::pair<std::string, int>>{{"Intro", 1}, {"Outro", 2}}), cues);
}

TEST_F(RecorderAdditionsTest, PlaylistsOfASongAndTheirRemoval) {
  LONG song = AddSong("Member", "Of");
  LONG other = AddSong("Other", "Song");
  ASSERT_EQ(1, db.AddSongToPlaylist("Dance", song));
  ASSERT_EQ(1, db.AddSongToPlaylist("Dance", other));
  ASSERT_EQ(1, db.AddSongToPlaylist("Chill", song));
  ASSERT_EQ(1, db.OpenPlaylistsOfSong(song));
  std::vector<std::string> names;
  CString name;
  SHORT sequence = 0;
  while (db.NextPlaylistOfSong(name, sequence)) names.push_back(name.str());
  EXPECT_EQ(1, db.ClosePlaylistsOfSong());
  EXPECT_EQ((std::vector<std::string>{"Chill", "Dance"}), names);
  EXPECT_EQ(1, db.RemoveSongFromPlaylist("Dance", song));
  EXPECT_EQ(0, db.IsSongInPlaylist("Dance", song));
  EXPECT_EQ(1, db.IsSongInPlaylist("Dance", other));
  EXPECT_EQ(-2, db.RemoveSongFromPlaylist("Dance", 0));
  EXPECT_EQ(2, db.DeletePlaylist("Dance"));
  ASSERT_EQ(1, db.OpenPlaylistNames());
  std::vector<std::string> left;
  while (db.NextPlaylistName(name)) left.push_back(name.str());
  db.ClosePlaylistNames();
  EXPECT_EQ((std::vector<std::string>{"Chill"}), left);
}

TEST_F(RecorderAdditionsTest, PrimaryGenreListGivesEachSongOnceWithItsGenre) {
  tSong two = NewSong("Two Genres", "A", "", "Jazz");
  two.AddGenre("Rock", FALSE);
  ASSERT_GT(db.AddSong(&two), 0);
  AddSong("Plain", "B", "", "Blues");
  AddSong("No Genre", "C", "", "");
  struct Case {
    const char* where;
    const char* order;
    std::vector<std::string> names;
  } cases[] = {
      {"", "", {"Plain", "Two Genres"}},
      {"", " Order By A.SongName", {"Plain", "Two Genres"}},
      // Every order of the search dialog and its columns, with no criterion: the same songs, in order.
      {"", " Order By A.SongArtist, A.SongName", {"Two Genres", "Plain"}},
      {"", " order by a.SongArtist Desc", {"Plain", "Two Genres"}},
      {"", " ORDER BY A.SongID", {"Two Genres", "Plain"}},
      {"", " ORDER BY A.SongCdTrack, A.SongName", {"Plain", "Two Genres"}},
      {"", " Order By B.SongGenre, A.SongArtist, A.SongAlbumName, A.SongCdTrack", {"Plain", "Two Genres"}},
      {"", " ORDER BY B.SongGenre", {"Plain", "Two Genres"}},
      {"WHERE  B.SongGenre = 'Jazz' ", " Order By A.SongArtist", {"Two Genres"}},
      {"WHERE SongName like '*o*'", "", {"Two Genres"}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(1, db.OpenSongListByPrimaryGenre(c.where, c.order)) << c.where << LastErrorText();
    std::vector<std::string> names;
    tSong song;
    while (db.NextSong(&song) > 0) {
      names.push_back(song.SongName.str());
      if (song.SongName == "Two Genres") {
        EXPECT_EQ("Jazz", song.SongPrimaryGenre.str());
      }
      song.Clear();
    }
    db.CloseSongList();
    EXPECT_EQ(c.names, names) << c.where;
  }
}

TEST_F(RecorderAdditionsTest, CountsByCodeAddUp) {
  const char codes[] = {' ', ' ', 'A', 'M', 'R', '3', 'V'};
  for (char code : codes) {
    tSong song = NewSong("S", "A");
    song.SetSongCompression(code);
    ASSERT_GT(db.AddSong(&song), 0);
  }
  LONG sum = 0;
  for (char code : {' ', 'A', 'M', 'R', '3', 'V'}) sum += db.CountSongsByCompression(code);
  EXPECT_EQ(7, sum);
  EXPECT_EQ(7, db.CountSongsByCompression('*'));
  EXPECT_EQ(2, db.CountSongsByCompression(' '));
  EXPECT_EQ(0, db.CountSongsByCompression('\''));
}

TEST_F(RecorderAdditionsTest, RemoteServerRowIsKeptOncePerKey) {
  COleDateTime first(2026, 1, 2, 3, 4, 5), second(2026, 6, 7, 8, 9, 10), unset;
  unset.SetStatus(COleDateTime::invalid);
  EXPECT_EQ(-2, db.SaveRemoteServer(-1, "x", "y", 1, first, unset, ""));
  ASSERT_EQ(0, db.SaveRemoteServer(0, "Bar", "10.0.0.1", 12130, first, unset, "f1"));
  ASSERT_EQ(0, db.SaveRemoteServer(0, "Lounge's box", "10.0.0.2", 12131, second, unset, "f2"));
  CString description, address, filter;
  SHORT port = 0;
  COleDateTime lastSync, nextSync;
  ASSERT_EQ(1, db.LoadRemoteServer(0, description, address, port, lastSync, nextSync, filter));
  EXPECT_EQ("Lounge's box", description.str());
  EXPECT_EQ("10.0.0.2", address.str());
  EXPECT_EQ(12131, port);
  EXPECT_EQ(second.Format("%Y-%m-%d %H:%M:%S").str(), lastSync.Format("%Y-%m-%d %H:%M:%S").str());
  EXPECT_EQ("f2", filter.str());
  EXPECT_EQ(0, db.LoadRemoteServer(1, description, address, port, lastSync, nextSync, filter));
}

TEST_F(RecorderAdditionsTest, WithoutADatabaseEveryMemberFails) {
  tQHDb closed;
  CString text;
  SHORT number = 0;
  EXPECT_EQ(0, closed.OpenPlaylistsOfSong(1));
  EXPECT_EQ(-1, closed.DeleteSongType("x"));
  EXPECT_EQ(0, closed.AddSongType("x", "", 50, 200));
  EXPECT_EQ(0, closed.GetCueNumber(1, "x", number));
  EXPECT_EQ(-1, closed.DeletePlaylist("x"));
  EXPECT_EQ(0, closed.CountSongsByCompression('*'));
  EXPECT_EQ(-1, closed.SaveRemoteServer(0, "", "", 0, COleDateTime(), COleDateTime(), ""));
  EXPECT_EQ(0, closed.GetLastError(text));
  EXPECT_EQ(QhdbText(QHDB_ERR_NOT_INITIALIZED), text.str());
}

}  // namespace
}  // namespace qh::dblib::testing
