// Query and service actions: a zone's state and song, the genre and play-list indexes, the current play
// list, the zones, the program's identity, subscriptions and the remote shut-down.
#include <gtest/gtest.h>

#include "dblib/QHDb.h"
#include "jukebox/app/JukeboxApp.h"
#include "jukebox/remote/tests/ActionTestSupport.h"

namespace remote_test {
namespace {

using Rows = std::vector<std::string>;

class QueryActions : public JukeboxActions {
 protected:
  static std::vector<Arg> StateResults() {
    std::vector<Arg> args;
    for (const char* name : {"SongNumber", "SongName", "SongArtist", "SongAlbum", "SongGenre", "SongTRT", "CurTRT",
                             "CurVolume", "StreamName", "StreamState", "StreamShuffle", "StreamRepeat"})
      args.push_back(Out(name));
    return args;
  }
  int SongTypeCount() {
    int count = 0;
    CString code, description;
    SHORT minBpm = 0, maxBpm = 0;
    LONG reserved = 0;
    if (Db().OpenSongTypes("") != 0)
      while (Db().NextSongType(code, description, minBpm, maxBpm, reserved) > 0) ++count;
    Db().CloseSongTypes();
    return count;
  }
};

TEST_F(QueryActions, StreamStateOfAStoppedZoneWithoutASong) {
  const Outcome outcome = Run("QryStreamState", 1, StateResults());
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.message, "OK");
  EXPECT_EQ(outcome.Value("SongNumber"), "0");
  EXPECT_EQ(outcome.Value("SongTRT"), "0");
  EXPECT_EQ(outcome.Value("CurTRT"), "0");
  EXPECT_EQ(outcome.Value("SongName"), "*NONE*");  // not written
  EXPECT_EQ(outcome.Value("CurVolume"), "50");
  EXPECT_EQ(outcome.Value("StreamName"), "Lounge");
  EXPECT_EQ(outcome.Value("StreamState"), "STOPPED");
  EXPECT_EQ(outcome.Value("StreamShuffle"), "");
  EXPECT_EQ(outcome.Value("StreamRepeat"), "");
}

TEST_F(QueryActions, StreamStateAndSongInfoOfAPlayingZone) {
  ASSERT_EQ(Zone(2).LoadAndPlaySong(1), 0);
  Zone(2).SetShuffle(true);
  Zone(2).SetRepeat(true);
  Zone(2).SetVolume(35);
  PumpUntil([&] { return Zone(2).GetPositionMs() > 0; }, 2000);
  Outcome outcome = Run("QryStreamState", 2, StateResults());
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.Value("SongNumber"), "1");
  EXPECT_EQ(outcome.Value("SongName"), "Blue Harbour");
  EXPECT_EQ(outcome.Value("SongArtist"), "Ada Brook");
  EXPECT_EQ(outcome.Value("SongAlbum"), "Harbour Lights");
  EXPECT_EQ(outcome.Value("SongGenre"), "Jazz");
  EXPECT_NEAR(std::stol(outcome.Value("SongTRT")), 20000, 100);
  EXPECT_GE(std::stol(outcome.Value("CurTRT")), 0);
  EXPECT_LE(std::stol(outcome.Value("CurTRT")), 20100);
  EXPECT_EQ(outcome.Value("CurVolume"), "35");
  EXPECT_EQ(outcome.Value("StreamName"), "Patio & Deck");
  EXPECT_EQ(outcome.Value("StreamState"), "PLAYING");
  EXPECT_EQ(outcome.Value("StreamShuffle"), "SHUF");
  EXPECT_EQ(outcome.Value("StreamRepeat"), "RPT");
  // Sent as in arguments, the results do not come back.
  outcome = Run("QryStreamState", 2, {In("SongName", "x"), In("StreamState", "x"), Out("CurVolume")});
  EXPECT_FALSE(outcome.Has("SongName"));
  EXPECT_FALSE(outcome.Has("StreamState"));
  EXPECT_EQ(outcome.Value("CurVolume"), "35");

  outcome = Run("QrySongInfo", 2,
                {Out("SongNumber"), Out("SongName"), Out("SongArtist"), Out("SongAlbum"), Out("SongGenre"), Out("SongYear")});
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.message, "OK");
  EXPECT_EQ(outcome.Value("SongNumber"), "1");
  EXPECT_EQ(outcome.Value("SongName"), "Blue Harbour");
  EXPECT_EQ(outcome.Value("SongGenre"), "Jazz");
  EXPECT_EQ(outcome.Value("SongYear"), "1999");
  // A zone without a song answers "OK" with nothing.
  outcome = Run("QrySongInfo", 0, {Out("SongNumber"), Out("SongYear")});
  EXPECT_EQ(outcome.message, "OK");
  EXPECT_EQ(outcome.Value("SongNumber"), "*NONE*");
  EXPECT_EQ(outcome.Value("SongYear"), "*NONE*");
  for (const char* action : {"QryStreamState", "QrySongInfo", "QryCurrentPlaylist"}) {
    outcome = Run(action, 3, StateResults());
    EXPECT_EQ(outcome.code, -1) << action;
    EXPECT_EQ(outcome.message, "Invalid SubDevice") << action;
  }
}

struct ListCase {
  const char* label;
  const char* action;
  std::vector<Arg> args;
  const char* listName;
  Rows names;
  const char* countName;
  Rows counts;
};

TEST_F(QueryActions, GenreAndPlaylistIndexesStoreNoResult) {
  for (auto [song, list] : {std::pair{"1", "Morning"}, {"2", "Morning"}, {"5", "Evening"}})
    ASSERT_EQ(Run("SongAddToSavedPlaylist", 0, {In("SongNumber", song), In("PlaylistName", list), In("NewPlaylistFlag", "1")}).code, 0);
  const ListCase cases[] = {
      {"genres", "QryGenreList", {Out("GenreList"), Out("GenreCount")}, "GenreList", {"Jazz", "Pop", "Rock"},
       "GenreCount", {}},
      {"genres counted", "QryGenreListCount", {Out("GenreList"), Out("GenreCount")}, "GenreList",
       {"Jazz", "Pop", "Rock"}, "GenreCount", {"2", "2", "2"}},
      {"count variant without counts", "QryGenreListCount", {Out("GenreList")}, "GenreList", {"Jazz", "Pop", "Rock"},
       "GenreCount", {}},
      {"present as in", "QryGenreList", {In("GenreList", "")}, "GenreList", {}, "GenreCount", {}},
      {"play lists", "QryPlaylist", {Out("PlayList"), Out("PlayCount")}, "PlayList", {"Evening", "Morning"},
       "PlayCount", {}},
      {"play lists counted", "QryPlaylistCount", {Out("PlayList"), Out("PlayCount")}, "PlayList",
       {"Evening", "Morning"}, "PlayCount", {"1", "2"}},
      {"counts without names", "QryPlaylistCount", {Out("PlayCount")}, "PlayList", {}, "PlayCount", {}},
  };
  for (const ListCase& c : cases) {
    const Outcome outcome = Run(c.action, 9, c.args);
    EXPECT_EQ(outcome.code, 0) << c.label;
    EXPECT_EQ(outcome.message, "") << c.label;
    EXPECT_TRUE(outcome.completedAtOnce) << c.label;
    EXPECT_EQ(outcome.List(c.listName), c.names) << c.label;
    EXPECT_EQ(outcome.List(c.countName), c.counts) << c.label;
  }
  // The full list is every song type, none of them counted.
  const Outcome full = Run("QryGenreListCount", 0, {In("FullList", "Y"), Out("GenreList"), Out("GenreCount")});
  const int types = SongTypeCount();
  ASSERT_GT(types, 3);
  EXPECT_EQ(static_cast<int>(full.List("GenreList").size()), types);
  EXPECT_EQ(full.List("GenreCount"), Rows(static_cast<size_t>(types), "-1"));
}

TEST_F(QueryActions, CurrentPlaylistPagesAndCounts) {
  QueueSongs(0, {3, 1, 6});
  Outcome outcome = Run("QryCurrentPlaylist", 0,
                        {In("RowIndex", "1"), Out("CurrentSearchResultsText"), Out("CurrentSearchResultsID"),
                         Out("CurrentSearchResultsTotal")});
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.message, "OK");
  EXPECT_EQ(outcome.List("CurrentSearchResultsText"), (Rows{"Blue Harbour (Ada Brook)", "Fern Light (Cora Vale)"}));
  EXPECT_EQ(outcome.List("CurrentSearchResultsID"), (Rows{"1", "6"}));
  EXPECT_EQ(outcome.Value("CurrentSearchResultsTotal"), "3");
  outcome = Run("QryCurrentPlaylist", 0,
                {In("RowCount", "1"), Out("CurrentSearchResultsText"), Out("CurrentSearchResultsID"),
                 Out("CurrentSearchResultsTotal")});
  EXPECT_EQ(outcome.List("CurrentSearchResultsID"), (Rows{"3"}));
  // Without all three results nothing is read, and that is no error.
  outcome = Run("QryCurrentPlaylist", 0, {Out("CurrentSearchResultsText"), Out("CurrentSearchResultsTotal")});
  EXPECT_EQ(outcome.message, "OK");
  EXPECT_EQ(outcome.Value("CurrentSearchResultsTotal"), "*NONE*");

  outcome = Run("QryCurrentPlaylistCount", 0, {Out("SearchListCount")});
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.message, "");
  EXPECT_EQ(outcome.Value("SearchListCount"), "3");
  outcome = Run("QryCurrentPlaylistCount", 1, {{"SearchListCount", "inout", "9"}});
  EXPECT_EQ(outcome.Value("SearchListCount"), "0");
  // A bad zone is not even an error here.
  outcome = Run("QryCurrentPlaylistCount", 3, {{"SearchListCount", "inout", "9"}});
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.message, "");
  EXPECT_EQ(outcome.Value("SearchListCount"), "9");
}

TEST_F(QueryActions, SelectionZonesAndIdentity) {
  ASSERT_EQ(Run("SongLoadByArtist", 0, {In("Artist", "Ada Brook")}).code, 0);
  Outcome outcome = Run("QryStreamSelection", 2, {Out("CurrentSelection")});  // the zone on screen counts
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.message, "OK");
  EXPECT_EQ(outcome.Value("CurrentSelection"), "ARTIST: Ada Brook");
  Master().SetCurrentZone(3);
  outcome = Run("QryStreamSelection", 0, {Out("CurrentSelection")});
  EXPECT_EQ(outcome.code, -1);
  EXPECT_EQ(outcome.message, "Illegal stream selected");

  outcome = Run("QryStreamList", 0, {Out("StreamList")});
  EXPECT_EQ(outcome.message, "OK");
  EXPECT_EQ(outcome.List("StreamList"), (Rows{"Bar", "Lounge", "Patio & Deck"}));
  outcome = Run("SvcQryVersion", 0, {Out("SvcPgmName"), Out("SvcPgmVersion")});
  EXPECT_EQ(outcome.message, "OK");
  EXPECT_EQ(outcome.Value("SvcPgmName"), "tonebarn.exe");
  EXPECT_EQ(outcome.Value("SvcPgmVersion"), env.App()->GetVersionText().GetString());
  EXPECT_NE(outcome.Value("SvcPgmVersion"), "");
  outcome = Run("SvcQryAuthor", 0, {Out("SvcAuthor")});
  EXPECT_EQ(outcome.message, "OK");
  EXPECT_EQ(outcome.Value("SvcAuthor"), "Tallowmere");
}

struct SubscriptionCase {
  const char* label;
  const char* action;
  std::vector<Arg> args;
  long code;
  const char* message;
  const char* subscriptionId;  // the answer in SubscriptionID
  int storeCount;
};

TEST_F(QueryActions, SubscribeAndUnsubscribeThroughTheStore) {
  const SubscriptionCase cases[] = {
      {"device 0", "SvcSubscribe", {In("NotificationDevice", "0"), In("NotificationEvent", "VolumeChanged"),
       Out("SubscriptionID")}, -1, "Subscription notification failed", "-1", 0},
      {"lower-case event", "SvcSubscribe", {In("NotificationDevice", "3"), In("NotificationEvent", "volumechanged"),
       Out("SubscriptionID")}, -1, "Subscription notification failed", "-1", 0},
      {"no event", "SvcSubscribe", {In("NotificationDevice", "3"), Out("SubscriptionID")}, -1,
       "Subscription notification failed", "-2", 0},
      {"first", "SvcSubscribe", {In("NotificationDevice", "3"), In("NotificationEvent", "VolumeChanged"),
       Out("SubscriptionID")}, 0, "OK", "1", 1},
      {"second", "SvcSubscribe", {In("NotificationDevice", "3"), In("NotificationEvent", "SongChanged"),
       Out("SubscriptionID")}, 0, "OK", "2", 2},
      {"id as in", "SvcSubscribe", {In("NotificationDevice", "4"), In("NotificationEvent", "PlayerStateChanged"),
       In("SubscriptionID", "")}, 0, "OK", "<absent>", 3},
      {"unsubscribe unknown", "SvcUnsubscribe", {In("SubscriptionID", "99")}, 0, "OK", "<absent>", 3},
      {"unsubscribe 0", "SvcUnsubscribe", {In("SubscriptionID", "0")}, -1, "Unsubscribe failed", "<absent>", 3},
      {"unsubscribe -1", "SvcUnsubscribe", {In("SubscriptionID", "-1")}, -1, "Unsubscribe failed", "<absent>", 3},
      {"unsubscribe nothing", "SvcUnsubscribe", {}, -1, "Unsubscribe failed", "<absent>", 3},
      {"unsubscribe 1", "SvcUnsubscribe", {In("SubscriptionID", "1")}, 0, "OK", "<absent>", 2},
  };
  for (const SubscriptionCase& c : cases) {
    const Outcome outcome = Run(c.action, 0, c.args);
    EXPECT_EQ(outcome.code, c.code) << c.label;
    EXPECT_EQ(outcome.message, c.message) << c.label;
    EXPECT_EQ(outcome.Value("SubscriptionID"), c.subscriptionId) << c.label;
    EXPECT_EQ(host->subscriptions.Count(), c.storeCount) << c.label;
  }
  ASSERT_NE(host->subscriptions.Find(2), nullptr);
  EXPECT_EQ(host->subscriptions.Find(2)->GetDeviceNumber(), 3);
  EXPECT_EQ(host->subscriptions.Find(2)->GetEventName(), "SongChanged");
}

TEST_F(QueryActions, ShutdownAnswersFirstThenStopsTheServer) {
  const Outcome outcome = Run("SvcShutdown", 5);
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.message, "OK");
  EXPECT_FALSE(outcome.completedAtOnce);  // no posted completion: it was run in place
  EXPECT_EQ(host->inlineFinishes, 1);
  EXPECT_EQ(host->shutdowns, 1);
}

}  // namespace
}  // namespace remote_test
