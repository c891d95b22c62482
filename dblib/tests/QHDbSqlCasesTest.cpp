// Every statement of the song database object run on a file made by the schema creator, with the
// behaviours of the engine's dialect: = , Like and order without case; Null; Boolean true as -1;
// date literals; Count with Group by; literals from outside text that stay literal.
#include <functional>
#include <string>
#include <vector>

#include "dblib/TextUtil.h"
#include "dblib/tests/SongDbFixture.h"

namespace qh::dblib::testing {
namespace {

using Rows = std::vector<std::string>;

// The library every case reads: six songs, two playlists, three volumes.
class SqlCaseLibrary : public SongDbTest {
 protected:
  void SetUp() override {
    SongDbTest::SetUp();
    Add("Yesterday", "The Beatles", "Help!", ' ', FALSE, {"Rock", "Pop"});
    Add("apple song", "the beatles", "Why?", ' ', FALSE, {"Rock"});
    Add("Banana", "Beck", "", 'R', FALSE, {"Pop"});
    Add("cherry", "O'Brien", "o'album", ' ', TRUE, {"Jazz", "rock"});
    Add("Zed", "*Star", "1999", ' ', FALSE, {});
    Add("Echo", "\xE9mile", "\xC9t\xE9", ' ', FALSE, {"Pop"});
    Execute("Update Songs Set SongDate = #6/15/1999# Where SongID = 5;");
    Execute("Update Songs Set SongLabel = Null Where SongID = 3;");
    Execute("Update Songs Set SongDate = Null Where SongID = 4;");
    ASSERT_EQ(1, db.AddSongToPlaylist("Party", 1));
    ASSERT_EQ(1, db.AddSongToPlaylist("Party", 2));
    ASSERT_EQ(1, db.AddSongToPlaylist("Party", 1));
    ASSERT_EQ(1, db.AddSongToPlaylist("Bob's", 3));
    ASSERT_EQ(0, db.SaveVolume(100, "D", "DATA", "Music", 0, 1000));
    ASSERT_EQ(0, db.SaveVolume(-5, "E", "BIG", "Songs", 1, 0));
    ASSERT_EQ(0, db.SaveVolume(3, "F", "", "Other", 0, 5));
  }

  void Add(const char* name, const char* artist, const char* album, char code, BOOL uncompressed,
           std::vector<const char*> genres) {
    tSong song;
    song.SetSongName(name);
    song.SetSongArtist(artist);
    song.SetSongAlbumName(album);
    song.SetSongCompression(code);
    song.SetSongUncompressed(uncompressed);
    for (size_t i = 0; i < genres.size(); ++i) song.AddGenre(genres[i], i == 0);
    ASSERT_GT(db.AddSong(&song), 0) << LastErrorText();
  }
};

Rows Counts(tQHDb& db, int mode, const char* letter) {
  Rows rows;
  LONG opened = db.OpenCategoryCounts(mode, letter);
  if (opened < 0) return {"open " + std::to_string(opened)};
  CString name, artist;
  LONG count = 0;
  if (mode == 5) {
    while (db.NextAlbumArtistCount(name, artist, count) == 1)
      rows.push_back(name.str() + "|" + artist.str() + "|" + std::to_string(count));
  } else {
    while (db.NextCategoryCount(name, count) == 1) rows.push_back(name.str() + "|" + std::to_string(count));
  }
  if (static_cast<LONG>(rows.size()) != opened) rows.push_back("row count " + std::to_string(opened));
  db.CloseCategoryCounts();
  return rows;
}

Rows SongNames(tQHDb& db, const char* clause) {
  Rows rows;
  if (db.OpenSongList(clause) != 1) return {"open failed"};
  tSong song;
  while (db.NextSong(&song) > 0) rows.push_back(song.SongName.str());
  db.CloseSongList();
  return rows;
}

struct SqlCase {
  const char* name;
  std::function<Rows(tQHDb&)> run;
  Rows expected;
};

class QHDbSqlCasesTest : public SqlCaseLibrary, public ::testing::WithParamInterface<SqlCase> {};

TEST_P(QHDbSqlCasesTest, GivesTheEnginesRows) { EXPECT_EQ(GetParam().expected, GetParam().run(db)) << LastErrorText(); }

const SqlCase kCases[] = {
    {"VersionRow", [](tQHDb& db) { return Rows{std::to_string(db.GetDatabaseVersion())}; }, {"4.000000"}},
    {"SongListOrderedByNameWithoutCase", [](tQHDb& db) { return SongNames(db, ""); },
     {"apple song", "Banana", "cherry", "Echo", "Yesterday", "Zed"}},
    {"SongListEqualsWithoutCase", [](tQHDb& db) { return SongNames(db, "Where A.SongArtist = 'THE BEATLES' Order by A.SongID"); },
     {"Yesterday", "apple song"}},
    {"SongListExactAlbumWithQuestionMark",
     [](tQHDb& db) { return SongNames(db, "Where A.SongAlbumName = '" + SqlQuoteText("Why?") + "'"); }, {"apple song"}},
    {"SongListLikeWithoutCase", [](tQHDb& db) { return SongNames(db, "Where A.SongArtist Like 'THE*' Order by A.SongID"); },
     {"Yesterday", "apple song"}},
    {"SongListDateLiteral",
     [](tQHDb& db) { return SongNames(db, "Where A.SongDate Between #1/1/1999# And #12/31/1999# Order by A.SongID"); },
     {"Zed"}},
    {"SongListBooleanTrueIsMinusOne",
     [](tQHDb& db) { return SongNames(db, "Where A.SongUncompressed = -1 And A.SongUncompressed = True"); }, {"cherry"}},
    {"SongListNull", [](tQHDb& db) { return SongNames(db, "Where A.SongLabel Is Null"); }, {"Banana"}},
    {"GenresByName", [](tQHDb& db) { return Counts(db, 0, ""); }, {"Jazz|1", "Pop|3", "Rock|3"}},
    {"ArtistsAll",
     [](tQHDb& db) {
       Rows rows = Counts(db, 2, "");
       rows.resize(4);  // the accented artist's place depends on the sort order of accents
       return rows;
     },
     {"*Star|1", "Beck|1", "O'Brien|1", "The Beatles|2"}},
    {"ArtistsAllByLetterAt", [](tQHDb& db) { return Rows{std::to_string(Counts(db, 3, "@").size())}; }, {"5"}},
    {"ArtistsBeforeA", [](tQHDb& db) { return Counts(db, 3, "9"); }, {"*Star|1"}},
    {"ArtistsByLetter", [](tQHDb& db) { return Counts(db, 3, "B"); }, {"Beck|1"}},
    {"ArtistsByLowerCaseLetter", [](tQHDb& db) { return Counts(db, 3, "b"); }, {"Beck|1"}},
    {"ArtistsByTextWithApostrophe", [](tQHDb& db) { return Counts(db, 3, "O'"); }, {"O'Brien|1"}},
    {"ArtistsByWildcardCharacterTakenLiterally", [](tQHDb& db) { return Counts(db, 3, "*"); }, {"*Star|1"}},
    {"ArtistsByAccentedLetterWithoutCase", [](tQHDb& db) { return Counts(db, 3, "\xC9"); }, {"\xE9mile|1"}},
    {"ArtistsByInjectedText", [](tQHDb& db) { return Counts(db, 3, "' Or 1=1 Or SongArtist Like '"); }, {"open -3"}},
    {"Albums", [](tQHDb& db) { return Counts(db, 4, "").size() == 6 ? Rows{"6 groups"} : Rows{}; }, {"6 groups"}},
    {"AlbumArtistsAllLeavesEmptyOut", [](tQHDb& db) { return Rows{std::to_string(Counts(db, 5, "@").size())}; }, {"5"}},
    {"AlbumArtistsBeforeA", [](tQHDb& db) { return Counts(db, 5, "9"); }, {"1999|*Star|1"}},
    {"AlbumArtistsByLetterWithoutCase", [](tQHDb& db) { return Counts(db, 5, "w"); }, {"Why?|the beatles|1"}},
    {"AlbumArtistsByTextWithApostrophe", [](tQHDb& db) { return Counts(db, 5, "O'"); }, {"o'album|O'Brien|1"}},
    {"PlaylistSizes", [](tQHDb& db) { return Counts(db, 6, ""); }, {"Bob s|1", "Party|3"}},
    {"UncompressedSongs",
     [](tQHDb& db) {
       Rows rows{std::to_string(db.OpenUncompressedSongs())};
       tSong song;
       while (db.NextUncompressedSong(&song) == 1) rows.push_back(std::to_string(song.SongID));
       return rows;
     },
     {"4", "1", "2", "5", "6"}},
    {"CountWithWhere", [](tQHDb& db) { return Rows{std::to_string(db.CountSongs("Where SongArtist = 'the BEATLES'"))}; },
     {"2"}},
    {"CountAll", [](tQHDb& db) { return Rows{std::to_string(db.CountSongs(""))}; }, {"6"}},
    {"PlaylistNames",
     [](tQHDb& db) {
       Rows rows;
       db.OpenPlaylistNames();
       CString name;
       while (db.NextPlaylistName(name) == 1) rows.push_back(name.str());
       return rows;
     },
     {"Bob s", "Party"}},
    {"PlaylistSongsByStoredQueryWithoutCase",
     [](tQHDb& db) {
       Rows rows;
       db.OpenPlaylistSongs("PARTY");
       LONG id = 0;
       SHORT sequence = 0;
       while (db.NextPlaylistSong(id, sequence) == 1) rows.push_back(std::to_string(id) + "@" + std::to_string(sequence));
       return rows;
     },
     {"1@1", "2@2", "1@3"}},
    {"PlaylistMembership",
     [](tQHDb& db) {
       return Rows{std::to_string(db.IsSongInPlaylist("party", 2)), std::to_string(db.IsSongInPlaylist("Party", 3)),
                   std::to_string(db.IsSongInPlaylist("Bob's", 3)), std::to_string(db.IsSongInPlaylist(" Bob's ", 3))};
     },
     {"1", "0", "1", "1"}},
    {"GenresOfASong",
     [](tQHDb& db) {
       tSong song;
       song.SongID = 4;
       Rows rows{std::to_string(db.LoadSongGenres(&song)), song.SongPrimaryGenre.str()};
       for (const CString& genre : song.SongGenres) rows.push_back(genre.str());
       return rows;
     },
     {"2", "Jazz", "rock"}},
    {"SongTypesAll",
     [](tQHDb& db) {
       db.OpenSongTypes("");
       CString code, description;
       SHORT minBpm = 0, maxBpm = 0;
       LONG reserved = 0, count = 0;
       Rows rows;
       while (db.NextSongType(code, description, minBpm, maxBpm, reserved) == 1)
         if (count++ < 3) rows.push_back(code.str());
       rows.push_back(std::to_string(count));
       return rows;
     },
     {"Acapella", "Acid", "Acid Jazz", "148"}},
    {"SongTypeByCodeWithoutCase",
     [](tQHDb& db) {
       db.OpenSongTypes("jazz");
       CString code, description;
       SHORT minBpm = 0, maxBpm = 0;
       LONG reserved = 0;
       Rows rows;
       while (db.NextSongType(code, description, minBpm, maxBpm, reserved) == 1)
         rows.push_back(code.str() + "|" + description.str() + "|" + std::to_string(minBpm) + "|" +
                        std::to_string(maxBpm) + "|" + std::to_string(reserved));
       return rows;
     },
     {"Jazz|Jazz|50|200|-1"}},
    {"SongTypeByCodeWithApostrophe",
     [](tQHDb& db) {
       Rows rows{std::to_string(db.OpenSongTypes("Rock' Or '1'='1"))};
       CString code, description;
       SHORT minBpm = 0, maxBpm = 0;
       LONG reserved = 0;
       rows.push_back(std::to_string(db.NextSongType(code, description, minBpm, maxBpm, reserved)));
       return rows;
     },
     {"1", "0"}},
    {"VolumesBySignedSerial",
     [](tQHDb& db) {
       Rows rows;
       db.OpenVolumes();
       LONG serial = 0, high = 0, low = 0;
       CString letter, label, path;
       while (db.NextVolume(serial, letter, label, path, high, low) == 1)
         rows.push_back(std::to_string(serial) + letter.str() + path.str() + std::to_string(high) + "/" +
                        std::to_string(low));
       return rows;
     },
     {"-5ESongs1/0", "3FOther0/5", "100DMusic0/1000"}},
};

INSTANTIATE_TEST_SUITE_P(Statements, QHDbSqlCasesTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Row to record: the typed columns of one song as the engine hands them out.
TEST_F(SqlCaseLibrary, RowToRecordKeepsTypesNullsAndBooleans) {
  tSong song;
  ASSERT_EQ(1, db.GetSongDetail(4, &song));
  EXPECT_EQ(-1, song.SongUncompressed) << "a true Boolean reads as -1";
  EXPECT_EQ(COleDateTime::invalid, song.SongDate.GetStatus()) << "a Null date leaves the cleared value";
  EXPECT_EQ(COleDateTime::valid, song.SongRecordDate.GetStatus());
  EXPECT_EQ(' ', song.SongCompression);
  EXPECT_EQ(38, song.SongGUID.GetLength());
  ASSERT_EQ(1, db.GetSongDetail(5, &song));
  EXPECT_EQ(1999, song.SongDate.GetYear());
  EXPECT_EQ(6, song.SongDate.GetMonth());
  EXPECT_EQ(15, song.SongDate.GetDay());
  ASSERT_EQ(1, db.GetSongDetail(3, &song));
  EXPECT_EQ('R', song.SongCompression);
  EXPECT_TRUE(song.SongLabel.IsEmpty());
  EXPECT_EQ(0, song.SongUncompressed);
}

}  // namespace
}  // namespace qh::dblib::testing
