// Song and play-list actions on the running jukebox: arguments, answers, and what they do to the zones
// and the song database.
#include <gtest/gtest.h>

#include "dblib/QHDb.h"
#include "jukebox/remote/SongYear.h"
#include "jukebox/remote/tests/ActionTestSupport.h"
#include "platform/dao/Dao.h"

namespace remote_test {
namespace {

class SongActions : public JukeboxActions {
 protected:
  std::vector<LONG> Queue(int zone) {
    std::vector<LONG> ids;
    for (int i = 0; i < Zone(zone).GetSongCount(); ++i) ids.push_back(Zone(zone).GetQueuedSong(i)->SongID);
    return ids;
  }
  // Runs a loader and waits for its batches.
  Outcome Load(const std::string& name, int zone, const std::vector<Arg>& args) {
    Outcome outcome = Run(name, zone, args);
    PumpUntil([&] { return !Zone(zone).IsLoading(); });
    return outcome;
  }
  LONG PlayingId(int zone) { return Zone(zone).GetCurrentSongId(); }
};

struct RefusedCase {
  const char* label;
  const char* action;
  int subDevice;
  std::vector<Arg> args;
  long code;
  const char* message;
};

TEST_F(SongActions, RefusedArgumentsAndTargetsTouchNoZone) {
  const RefusedCase cases[] = {
      {"no SongID", "SongLoadPlay", 0, {}, -1, "Invalid SongID"},
      {"SongID 0", "SongLoadPlay", 0, {In("SongID", "0")}, -1, "Invalid SongID"},
      {"SongID -5", "SongLoadPlay", 0, {In("SongID", "-5")}, -1, "Invalid SongID"},
      {"SongID abc", "SongLoadPlay", 0, {In("SongID", "abc")}, -1, "Invalid SongID"},
      {"SongID checked before zone", "SongLoadPlay", 7, {In("SongID", "0")}, -1, "Invalid SongID"},
      {"zone = zone count", "SongLoadPlay", 3, {In("SongID", "1")}, -1, "Invalid SubDevice"},
      {"negative zone", "SongLoadPlay", -1, {In("SongID", "1")}, -1, "Invalid SubDevice"},
      {"index -1", "SongLoadByIndex", 0, {In("SongIndex", "-1")}, -1, "Invalid Song Index"},
      {"add without SongID", "SongAddToCurrentPlaylist", 0, {Out("CurrentSongCount")}, -1, "Invalid SongID"},
      {"add to no zone", "SongAddToCurrentPlaylist", 9, {In("SongID", "2")}, -1, "Invalid SubDevice"},
      {"genre on no zone", "SongLoadByGenre", 3, {In("Genre", "Jazz")}, -1, "Invalid SubDevice"},
      {"clear on no zone", "CurrentPlaylistClear", 3, {}, -1, "Invalid SubDevice"},
      {"pending on no zone", "CurrentPlaylistLoadAllPending", -2, {}, -1, "Invalid SubDevice"},
      {"next on no zone", "SongLoadNextFromCurrentPlaylist", 5, {}, -1, "Invalid SubDevice"},
  };
  for (const RefusedCase& c : cases) {
    const Outcome outcome = Run(c.action, c.subDevice, c.args);
    EXPECT_EQ(outcome.code, c.code) << c.label;
    EXPECT_EQ(outcome.message, c.message) << c.label;
    EXPECT_TRUE(outcome.completedAtOnce) << c.label;
  }
  for (int zone = 0; zone < 3; ++zone) {
    EXPECT_EQ(Zone(zone).GetSongCount(), 0) << zone;
    EXPECT_EQ(Zone(zone).GetState(), PLAYER_STOPPED) << zone;
  }
}

TEST_F(SongActions, LoadPlayPlaysTheSongOnItsZoneInAnyCase) {
  const Outcome outcome = Run("songloadplay", 1, {In("SongID", "3")});
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.message, "OK");
  EXPECT_EQ(PlayingId(1), 3);
  EXPECT_EQ(Zone(1).GetState(), PLAYER_PLAYING);
  EXPECT_EQ(Zone(0).GetState(), PLAYER_STOPPED);
  // A song that is not stored cannot be loaded.
  const Outcome missing = Run("SONGLOADPLAY", 2, {In("SongID", "999")});
  EXPECT_EQ(missing.code, -2);
  EXPECT_EQ(missing.message, "Error occurred when loading song");
  EXPECT_NE(Zone(2).GetState(), PLAYER_PLAYING);
}

TEST_F(SongActions, AddToCurrentPlaylistReturnsTheCountOnlyWhenAskedForIt) {
  Outcome outcome = Run("SongAddToCurrentPlaylist", 0, {In("SongID", "2"), Out("CurrentSongCount")});
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.Value("CurrentSongCount"), "1");
  outcome = Run("SongAddToCurrentPlaylist", 0, {In("SongID", "4"), {"CurrentSongCount", "inout", "7"}});
  EXPECT_EQ(outcome.Value("CurrentSongCount"), "2");
  // Sent as an in argument it is not an answer.
  outcome = Run("SongAddToCurrentPlaylist", 0, {In("SongID", "5"), In("CurrentSongCount", "7")});
  EXPECT_EQ(outcome.code, 0);
  EXPECT_FALSE(outcome.Has("CurrentSongCount"));
  EXPECT_EQ(Queue(0), (std::vector<LONG>{2, 4, 5}));
  // A song the library does not hold is refused by the zone; the count still comes back.
  outcome = Run("SongAddToCurrentPlaylist", 0, {In("SongID", "999"), Out("CurrentSongCount")});
  EXPECT_EQ(outcome.code, -2);
  EXPECT_EQ(outcome.message, "Error occurred when loading song");
  EXPECT_EQ(outcome.Value("CurrentSongCount"), "3");
  EXPECT_EQ(Queue(0), (std::vector<LONG>{2, 4, 5}));
}

TEST_F(SongActions, IndexAndNeighboursPlayEntriesOfTheCurrentPlaylist) {
  QueueSongs(0, {1, 3, 5});
  PumpUntil([&] { return Zone(0).GetSongCount() == 3; });
  Outcome outcome = Run("SongLoadByIndex", 0, {});
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(PlayingId(0), 1);
  outcome = Run("SongLoadByIndex", 0, {In("SongIndex", "2")});
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(PlayingId(0), 5);
  outcome = Run("SongLoadByIndex", 0, {In("SongIndex", "3")});
  EXPECT_EQ(outcome.code, -2);
  EXPECT_EQ(outcome.message, "Error occurred when loading song");
  outcome = Run("SongLoadPrevFromCurrentPlaylist", 0, {});
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(PlayingId(0), 3);
  outcome = Run("SongLoadNextFromCurrentPlaylist", 0, {});
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(PlayingId(0), 5);
  // An empty list has no neighbour.
  outcome = Run("SongLoadNextFromCurrentPlaylist", 1, {});
  EXPECT_EQ(outcome.code, -2);
  EXPECT_EQ(outcome.message, "Error occurred when loading song");
}

struct LoaderCase {
  const char* action;
  std::vector<Arg> args;
  std::vector<LONG> queue;
};

TEST_F(SongActions, LoadersReplaceTheCurrentPlaylist) {
  ASSERT_EQ(Run("SongAddToSavedPlaylist", 0, {In("SongNumber", "6"), In("PlaylistName", "Late"), In("NewPlaylistFlag", "1")}).code, 0);
  ASSERT_EQ(Run("SongAddToSavedPlaylist", 0, {In("SongNumber", "2"), In("PlaylistName", "Late")}).code, 0);
  const LoaderCase cases[] = {
      {"SongLoadByGenre", {In("Genre", "Rock")}, {3, 4}},                                // by name
      {"SongLoadByGenre", {In("Genre", "Rock"), In("SortByAlbum", "Y")}, {4, 3}},       // by album
      {"SongLoadByGenre", {In("Genre", "Rock"), In("SortByAlbum", "yes")}, {3, 4}},     // "yes" is no flag
      {"SongLoadByArtist", {In("Artist", "Cora Vale")}, {5, 6}},
      {"SongLoadByAlbum", {In("Album", "Harbour Lights"), In("Artist", "Ada Brook")}, {1, 2}},
      {"SongLoadByPlaylist", {In("Playlist", "Late")}, {6, 2}},
  };
  for (const LoaderCase& c : cases) {
    const Outcome outcome = Load(c.action, 2, c.args);
    EXPECT_EQ(outcome.code, 0) << c.action;
    EXPECT_EQ(outcome.message, "OK") << c.action;
    EXPECT_EQ(Queue(2), c.queue) << c.action;
  }
  EXPECT_EQ(Zone(0).GetSongCount(), 0);
  // Clearing empties the list; loading what is pending is always "OK".
  EXPECT_EQ(Run("CurrentPlaylistLoadAllPending", 2).message, "OK");
  EXPECT_EQ(Queue(2), (std::vector<LONG>{6, 2}));
  const Outcome cleared = Run("CurrentPlaylistClear", 2);
  EXPECT_EQ(cleared.code, 0);
  EXPECT_EQ(cleared.message, "OK");
  EXPECT_EQ(Zone(2).GetSongCount(), 0);
}

struct YearCase {
  const char* year;  // nullptr: no SongYear argument
  int storedYear;    // 0: the present date
};

TEST_F(SongActions, UpdateReplacesTheStoredFieldsAndTakesOnlyFourDigitYears) {
  const YearCase cases[] = {{"1999", 1999}, {"2031", 2031}, {"99", 0}, {nullptr, 0}, {"", 0}, {"12345", 0}};
  for (const YearCase& c : cases) {
    std::vector<Arg> args = {In("SongNumber", "4"), In("SongName", "  New Name  "), In("SongArtist", "New Artist"),
                             In("SongGenre", "Blues")};
    if (c.year) args.push_back(In("SongYear", c.year));
    const COleDateTime before = COleDateTime::GetCurrentTime();
    const Outcome outcome = Run("SongUpdate", 9, args);  // no zone is needed
    EXPECT_EQ(outcome.code, 0) << (c.year ? c.year : "none");
    EXPECT_EQ(outcome.message, "OK");
    const tSong stored = StoredSong(4);
    EXPECT_EQ(stored.SongName, "New Name");
    EXPECT_EQ(stored.SongArtist, "New Artist");
    EXPECT_EQ(stored.SongAlbumName, "");  // left out: replaced by empty text
    EXPECT_EQ(stored.SongPrimaryGenre, "Blues");
    if (c.storedYear != 0) {
      EXPECT_EQ(stored.SongDate, COleDateTime(c.storedYear, 1, 1, 0, 0, 0)) << c.year;
    } else {
      EXPECT_GE(stored.SongDate.m_dt + 1.0 / 86400, before.m_dt) << (c.year ? c.year : "none");
      EXPECT_LE(stored.SongDate.m_dt, COleDateTime::GetCurrentTime().m_dt + 1.0 / 86400);
    }
  }
}

TEST_F(SongActions, UpdateRefusesNonsenseYearsAndMissingSongsAndStoresNothing) {
  const tSong original = StoredSong(2);
  const std::vector<std::vector<Arg>> refused = {
      {In("SongNumber", "2"), In("SongName", "X"), In("SongYear", "abcd")},
      {In("SongNumber", "2"), In("SongName", "X"), In("SongYear", "19x9")},
      {In("SongNumber", "2"), In("SongName", "X"), In("SongYear", "0050")},  // before the date type's range
      {In("SongNumber", "2"), In("SongName", "X"), In("SongYear", " 199")},
      {In("SongNumber", "999"), In("SongName", "X")},
      {In("SongNumber", "0"), In("SongName", "X")},
      {In("SongName", "X")},
  };
  for (const std::vector<Arg>& args : refused) {
    const Outcome outcome = Run("SongUpdate", 0, args);
    EXPECT_EQ(outcome.code, -1);
    EXPECT_EQ(outcome.message, "Error when updating song");
  }
  const tSong stored = StoredSong(2);
  EXPECT_EQ(stored.SongName, original.SongName);
  EXPECT_EQ(stored.SongDate, original.SongDate);
  EXPECT_EQ(stored.SongDate.GetYear(), 1999);
}

TEST(SongYear, FourDigitsInRangeOnly) {
  COleDateTime date(2000, 6, 1, 0, 0, 0);
  EXPECT_FALSE(SongDateFromYear("-999", date));
  EXPECT_FALSE(SongDateFromYear("+999", date));
  EXPECT_FALSE(SongDateFromYear("0000", date));
  EXPECT_EQ(date, COleDateTime(2000, 6, 1, 0, 0, 0));
  EXPECT_TRUE(SongDateFromYear("0100", date));
  EXPECT_EQ(date, COleDateTime(100, 1, 1, 0, 0, 0));
  EXPECT_TRUE(SongDateFromYear("9999", date));
  EXPECT_EQ(date, COleDateTime(9999, 1, 1, 0, 0, 0));
}

struct SavedPlaylistCase {
  const char* label;
  std::vector<Arg> args;
  long code;
  const char* message;
  const char* playlist;        // the play list whose rows are checked afterwards
  std::vector<LONG> rows;
};

TEST_F(SongActions, SavedPlaylistsGetOnlyRealSongsAndRealOrNewLists) {
  const SavedPlaylistCase cases[] = {
      {"no song number", {In("PlaylistName", "Gold"), In("NewPlaylistFlag", "1")}, -1, "Illegal SongID for update",
       "Gold", {}},
      {"song not stored", {In("SongNumber", "999"), In("PlaylistName", "Gold"), In("NewPlaylistFlag", "1")}, -1,
       "Illegal SongID for update", "Gold", {}},
      {"empty name", {In("SongNumber", "1"), In("PlaylistName", ""), In("NewPlaylistFlag", "1")}, -1,
       "Invalid PlaylistName", "", {}},
      {"name of blanks and quotes", {In("SongNumber", "1"), In("PlaylistName", " ' "), In("NewPlaylistFlag", "Y")},
       -1, "Invalid PlaylistName", "", {}},
      {"list missing, no flag", {In("SongNumber", "1"), In("PlaylistName", "Gold")}, -1, "Invalid PlaylistName",
       "Gold", {}},
      {"new list", {In("SongNumber", "3"), In("PlaylistName", "Gold"), In("NewPlaylistFlag", "1")}, 0, "OK", "Gold",
       {3}},
      {"existing list, any case", {In("SongNumber", "1"), In("PlaylistName", "GOLD")}, 0, "OK", "Gold", {3, 1}},
      {"flag on an existing list appends", {In("SongNumber", "5"), In("PlaylistName", "Gold"),
       In("NewPlaylistFlag", "y")}, 0, "OK", "Gold", {3, 1, 5}},
      {"apostrophe in a new name", {In("SongNumber", "2"), In("PlaylistName", "Rock'n"), In("NewPlaylistFlag", "1")},
       0, "OK", "Rock n", {2}},
  };
  for (const SavedPlaylistCase& c : cases) {
    const Outcome outcome = Run("SongAddToSavedPlaylist", 0, c.args);
    EXPECT_EQ(outcome.code, c.code) << c.label;
    EXPECT_EQ(outcome.message, c.message) << c.label;
    EXPECT_EQ(PlaylistSongs(c.playlist), c.rows) << c.label;
  }
}

TEST_F(SongActions, AFailedDatabaseWriteIsReportedNotAnsweredOk) {
  ASSERT_EQ(Run("SongAddToSavedPlaylist", 0, {In("SongNumber", "1"), In("PlaylistName", "Gold"), In("NewPlaylistFlag", "1")}).code, 0);
  Db().GetDatabase()->DeleteTableDef("PlaylistDetail");
  for (const char* flag : {"0", "1"}) {
    const Outcome outcome =
        Run("SongAddToSavedPlaylist", 0, {In("SongNumber", "2"), In("PlaylistName", "Gold"), In("NewPlaylistFlag", flag)});
    EXPECT_EQ(outcome.code, -2) << flag;
    EXPECT_EQ(outcome.message, "Error occurred when adding song to playlist") << flag;
  }
}

}  // namespace
}  // namespace remote_test
