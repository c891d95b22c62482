// Every action of the table through the control port: curl POSTs each action document to the running
// jukebox, xmllint checks each reply, and the answer and the action's effect on the zones and the song
// database are checked. One jukebox runs the whole table, so each row starts from what the rows before
// it left.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "dblib/QHDb.h"
#include "jukebox/app/JukeboxApp.h"
#include "jukebox/remote/RemoteActionIds.h"
#include "jukebox/remote/tests/ActionTestSupport.h"

namespace remote_test {
namespace {

using Rows = std::vector<std::string>;

class HttpActions : public JukeboxActions {
 protected:
  void SetUp() override {
    overHttp = true;
    JukeboxActions::SetUp();
  }
  std::vector<LONG> Queue(int zone) {
    PumpUntil([&] { return !Zone(zone).IsLoading(); });
    std::vector<LONG> ids;
    for (int i = 0; i < Zone(zone).GetSongCount(); ++i) ids.push_back(Zone(zone).GetQueuedSong(i)->SongID);
    return ids;
  }
};

struct HttpCase {
  const char* action;
  int subDevice;
  std::vector<Arg> args;
  long code;
  const char* message;
  std::map<std::string, std::string> values;
  std::map<std::string, Rows> lists;
  std::function<void()> effect;
};

TEST_F(HttpActions, EveryActionOfTheTableAnswersAndActs) {
  auto state = [this](int zone, LONG expected) {
    return [this, zone, expected] { EXPECT_EQ(Zone(zone).GetState(), expected) << "zone " << zone; };
  };
  auto playing = [this](int zone, LONG songId) {
    return [this, zone, songId] { EXPECT_EQ(Zone(zone).GetCurrentSongId(), songId) << "zone " << zone; };
  };
  auto queue = [this](int zone, std::vector<LONG> ids) {
    return [this, zone, ids] { EXPECT_EQ(Queue(zone), ids) << "zone " << zone; };
  };
  auto volume = [this](int zone, int percent) {
    return [this, zone, percent] { EXPECT_EQ(Zone(zone).GetVolume(), percent) << "zone " << zone; };
  };
  auto current = [this](int zone) { return [this, zone] { EXPECT_EQ(Master().GetCurrentZone(), zone); }; };
  const Rows searchOuts = {"SearchResultsText", "SearchResultsID", "SearchResultsCount"};
  auto withOuts = [](std::vector<Arg> args, const Rows& outs) {
    for (const std::string& name : outs) args.push_back(Out(name));
    return args;
  };

  const HttpCase cases[] = {
      // ---- Songs and play lists ----
      {"SongLoadPlay", 0, {In("SongID", "1")}, 0, "OK", {}, {}, playing(0, 1)},
      {"SongLoadPlay", 0, {}, -1, "Invalid SongID", {}, {}, playing(0, 1)},
      {"SongAddToCurrentPlaylist", 1, {In("SongID", "3"), Out("CurrentSongCount")}, 0, "OK",
       {{"CurrentSongCount", "1"}}, {}, nullptr},
      {"SongAddToCurrentPlaylist", 1, {In("SongID", "5"), Out("CurrentSongCount")}, 0, "OK",
       {{"CurrentSongCount", "2"}}, {}, queue(1, {3, 5})},
      {"SongLoadByIndex", 1, {In("SongIndex", "1")}, 0, "OK", {}, {}, playing(1, 5)},
      {"SongLoadPrevFromCurrentPlaylist", 1, {}, 0, "OK", {}, {}, playing(1, 3)},
      {"SongLoadNextFromCurrentPlaylist", 1, {}, 0, "OK", {}, {}, playing(1, 5)},
      {"CurrentPlaylistLoadAllPending", 1, {}, 0, "OK", {}, {}, queue(1, {3, 5})},
      {"SongLoadByGenre", 2, {In("Genre", "Jazz")}, 0, "OK", {}, {}, queue(2, {1, 2})},
      {"SongLoadByArtist", 2, {In("Artist", "Bela Quint")}, 0, "OK", {}, {}, queue(2, {3, 4})},
      {"SongLoadByAlbum", 2, {In("Album", "Dust"), In("Artist", "Bela Quint")}, 0, "OK", {}, {}, queue(2, {4})},
      {"SongAddToSavedPlaylist", 0, {In("SongNumber", "2"), In("PlaylistName", "Rock & Roll"),
       In("NewPlaylistFlag", "1")}, 0, "OK", {}, {},
       [this] { EXPECT_EQ(PlaylistSongs("Rock & Roll"), std::vector<LONG>{2}); }},
      {"SongAddToSavedPlaylist", 0, {In("SongNumber", "4"), In("PlaylistName", "Nowhere")}, -1,
       "Invalid PlaylistName", {}, {}, [this] { EXPECT_TRUE(PlaylistSongs("Nowhere").empty()); }},
      {"SongLoadByPlaylist", 2, {In("Playlist", "Rock & Roll")}, 0, "OK", {}, {}, queue(2, {2})},
      {"SongUpdate", 0, {In("SongNumber", "6"), In("SongName", "Fern & <Light>"), In("SongArtist", "Cora Vale"),
       In("SongAlbum", "Green \"Room\""), In("SongGenre", "Pop"), In("SongYear", "2001")}, 0, "OK", {}, {},
       [this] {
         const tSong song = StoredSong(6);
         EXPECT_EQ(song.SongName, "Fern & <Light>");
         EXPECT_EQ(song.SongAlbumName, "Green \"Room\"");
         EXPECT_EQ(song.SongDate, COleDateTime(2001, 1, 1, 0, 0, 0));
       }},
      {"SongUpdate", 0, {In("SongNumber", "6"), In("SongName", "X"), In("SongYear", "2O01")}, -1,
       "Error when updating song", {}, {}, [this] { EXPECT_EQ(StoredSong(6).SongName, "Fern & <Light>"); }},
      {"CurrentPlaylistClear", 2, {}, 0, "OK", {}, {}, queue(2, {})},
      // ---- Search results ----
      {"SearchResultsByGenre", 0, withOuts({In("Genre", "Pop"), In("RowCount", "1")}, searchOuts), 0, "OK",
       {{"SearchResultsCount", "2"}}, {{"SearchResultsText", {"Echo Hill (Cora Vale)"}}, {"SearchResultsID", {"5"}}},
       nullptr},
      {"SearchResultsScrollToIndex", 0, withOuts({In("RowIndex", "1")}, {"SearchResultsText", "SearchResultsID"}), 0,
       "OK", {}, {{"SearchResultsText", {"Fern & <Light> (Cora Vale)"}}, {"SearchResultsID", {"6"}}}, nullptr},
      {"SearchResultsByArtist", 0, withOuts({In("Artist", "Ada Brook")}, searchOuts), 0, "OK",
       {{"SearchResultsCount", "2"}}, {{"SearchResultsID", {"1", "2"}}}, nullptr},
      {"SearchResultsByAlbum", 0, withOuts({In("Album", "Harbour Lights"), In("Artist", "Ada Brook")}, searchOuts), 0,
       "OK", {{"SearchResultsCount", "2"}}, {{"SearchResultsID", {"1", "2"}}}, nullptr},
      {"SearchResultsByPlaylist", 0, withOuts({In("Playlist", "Rock & Roll")}, searchOuts), 0, "OK",
       {{"SearchResultsCount", "1"}}, {{"SearchResultsID", {"2"}}}, nullptr},
      {"SearchResultsByCustomCriteria", 0, withOuts({In("Artist", "Bela Quint")}, {"SearchResultsText", "SearchResultsID"}),
       0, "OK", {}, {{"SearchResultsID", {"3", "4"}}}, nullptr},
      {"SearchResultsByArtistAlbum", 0,
       withOuts({In("SearchCriteria", "O'B")}, {"SearchResultsText", "SearchArtistsText", "SearchArtistCount", "SearchResultsCount"}),
       0, "OK", {{"SearchResultsCount", "1"}},
       {{"SearchResultsText", {"O'Brien Sessions"}}, {"SearchArtistsText", {"Bela Quint"}}, {"SearchArtistCount", {"1"}}},
       nullptr},
      // ---- Transport, modes and volume (zone 0 plays song 1) ----
      {"XportPause", 0, {}, 0, "OK", {}, {}, state(0, PLAYER_PAUSED)},
      {"XportPlay", 0, {}, 0, "OK", {}, {}, state(0, PLAYER_PLAYING)},
      {"XportPlayPause", 0, {}, 0, "OK", {}, {}, state(0, PLAYER_PAUSED)},
      {"XportRewind", 0, {}, 0, "OK", {}, {}, playing(0, 1)},
      {"XportStop", 0, {}, 0, "OK", {}, {}, state(0, PLAYER_STOPPED)},
      {"XportNext", 0, {}, 0, "OK", {}, {}, nullptr},
      {"XportPlay", 3, {}, -1, "Invalid SubDevice", {}, {}, nullptr},
      {"SetShuffleOn", 0, {}, 0, "OK", {}, {}, [this] { EXPECT_TRUE(Zone(0).IsShuffle()); }},
      {"SetShuffleOff", 0, {}, 0, "OK", {}, {}, [this] { EXPECT_FALSE(Zone(0).IsShuffle()); }},
      {"SetShuffleToggle", 0, {}, 0, "OK", {}, {}, [this] { EXPECT_TRUE(Zone(0).IsShuffle()); }},
      {"SetRepeatOn", 0, {}, 0, "OK", {}, {}, [this] { EXPECT_TRUE(Zone(0).IsRepeat()); }},
      {"SetRepeatOff", 0, {}, 0, "OK", {}, {}, [this] { EXPECT_FALSE(Zone(0).IsRepeat()); }},
      {"SetRepeatToggle", 0, {}, 0, "OK", {}, {}, [this] { EXPECT_TRUE(Zone(0).IsRepeat()); }},
      {"SetVolumeAbsolute", 0, {In("Volume", "60")}, 0, "OK", {}, {}, volume(0, 60)},
      {"SetVolumeRelative", 0, {In("Volume", "-10"), Out("NewVolume")}, 0, "OK", {{"NewVolume", "50"}}, {}, volume(0, 50)},
      {"SetMuteToggle", 0, {Out("NewVolume")}, 0, "OK", {{"NewVolume", "0"}}, {}, volume(0, 0)},
      {"SetMuteToggle", 0, {Out("NewVolume")}, 0, "OK", {{"NewVolume", "50"}}, {}, volume(0, 50)},
      {"SetVolumeRampTime", 0, {In("RampMS", "100")}, 0, "", {}, {},
       [this] { EXPECT_EQ(env.App()->GetVolumeRampTime(), 100); }},
      // The answer comes only once the ramp has ended.
      {"SetVolumeRampDown", 0, {}, 0, "OK", {}, {}, volume(0, 0)},
      {"SetVolumeRampUp", 0, {}, 0, "OK", {}, {}, volume(0, 50)},
      {"SetVolumeRampUp", 3, {}, -1, "Error when ramping volume up", {}, {}, nullptr},
      {"SetInitialDXPlugin", 0, {In("PluginName", "Amplifier")}, 0, "OK", {}, {}, nullptr},
      {"SetInitialDXPlugin", 0, {}, -1, "Error when setting initial DX audio plugin", {}, {}, nullptr},
      // ---- Remote keys (zone 1 holds songs 3 and 5, playing 5) ----
      {"IRStream2", 0, {}, 0, "OK", {}, {}, current(1)},
      {"IRPause", 0, {}, 0, "OK", {}, {}, state(1, PLAYER_PAUSED)},
      {"IRPlay", 0, {}, 0, "OK", {}, {}, state(1, PLAYER_PLAYING)},
      {"IRPrev", 0, {}, 0, "OK", {}, {}, playing(1, 3)},
      {"IRNext", 0, {}, 0, "OK", {}, {}, playing(1, 5)},
      {"IRCursorDown", 0, {}, 0, "OK", {}, {}, nullptr},
      {"IRCursorSelect", 0, {}, 0, "OK", {}, {}, playing(1, 5)},
      {"IRVolUp", 0, {}, 0, "OK", {}, {}, volume(1, 55)},
      {"IRVolDn", 0, {}, 0, "OK", {}, {}, volume(1, 50)},
      {"IRMute", 0, {}, 0, "OK", {}, {}, volume(1, 0)},
      {"IRMute", 0, {}, 0, "OK", {}, {}, volume(1, 50)},
      {"IRShuffle", 0, {}, 0, "OK", {}, {}, [this] { EXPECT_TRUE(PumpUntil([this] { return Zone(1).IsShuffle(); }, 2000)); }},
      {"IRRepeat", 0, {}, 0, "OK", {}, {}, [this] { EXPECT_TRUE(PumpUntil([this] { return Zone(1).IsRepeat(); }, 2000)); }},
      {"IRNextSong", 0, {}, 0, "OK", {}, {}, nullptr},
      {"IRPrevSong", 0, {}, 0, "OK", {}, {}, nullptr},
      {"IRPlaylist", 0, {}, 0, "OK", {}, {}, nullptr},
      {"IRGenre", 0, {}, 0, "OK", {}, {}, nullptr},
      {"IRArtist", 0, {}, 0, "OK", {}, {}, nullptr},
      {"IRAlbum", 0, {}, 0, "OK", {}, {}, nullptr},
      {"IRStop", 0, {}, 0, "OK", {}, {}, state(1, PLAYER_STOPPED)},
      {"IRChUp", 0, {}, 0, "OK", {}, {}, current(2)},
      {"IRChUp", 0, {}, 0, "OK", {}, {}, current(2)},
      {"IRChDn", 0, {}, 0, "OK", {}, {}, current(1)},
      {"IRStream3", 0, {}, 0, "OK", {}, {}, current(2)},
      {"IRStream4", 0, {}, -1, "Invalid Stream Number", {}, {}, current(2)},
      {"IRStream5", 0, {}, -1, "Invalid Stream Number", {}, {}, nullptr},
      {"IRStream6", 0, {}, -1, "Invalid Stream Number", {}, {}, nullptr},
      {"IRStream7", 0, {}, -1, "Invalid Stream Number", {}, {}, nullptr},
      {"IRStream8", 0, {}, -1, "Invalid Stream Number", {}, {}, nullptr},
      {"IRStream1", 0, {}, 0, "OK", {}, {}, current(0)},
      {"IRCursorLeft", 0, {}, -3, "Illegal actionName entered", {}, {}, nullptr},
      {"IRCursorRight", 0, {}, -3, "Illegal actionName entered", {}, {}, nullptr},
      {"IRCursorExit", 0, {}, -3, "Illegal actionName entered", {}, {}, nullptr},
      {"SongLoadPlay", 2, {In("SongID", "4")}, 0, "OK", {}, {}, state(2, PLAYER_PLAYING)},
      {"IRPower", 0, {}, 0, "OK", {}, {},
       [this] {
         EXPECT_TRUE(PumpUntil([this] { return Zone(2).GetState() == PLAYER_STOPPED; }, 2000));
         for (int zone = 0; zone < 3; ++zone) EXPECT_EQ(Zone(zone).GetState(), PLAYER_STOPPED) << zone;
       }},
      // ---- Queries and services ----
      {"SongLoadPlay", 2, {In("SongID", "6")}, 0, "OK", {}, {}, nullptr},
      {"QryStreamState", 2, withOuts({}, {"SongNumber", "SongName", "SongAlbum", "StreamName", "StreamState", "StreamShuffle", "CurVolume"}),
       0, "OK",
       {{"SongNumber", "6"}, {"SongName", "Fern & <Light>"}, {"SongAlbum", "Green \"Room\""}, {"StreamName", "Patio & Deck"},
        {"StreamState", "PLAYING"}, {"StreamShuffle", ""}, {"CurVolume", "50"}},
       {}, nullptr},
      {"QrySongInfo", 2, withOuts({}, {"SongNumber", "SongYear", "SongGenre"}), 0, "OK",
       {{"SongNumber", "6"}, {"SongYear", "2001"}, {"SongGenre", "Pop"}}, {}, nullptr},
      {"QryGenreList", 0, {Out("GenreList")}, 0, "", {}, {{"GenreList", {"Jazz", "Pop", "Rock"}}}, nullptr},
      {"QryGenreListCount", 0, {Out("GenreList"), Out("GenreCount")}, 0, "", {},
       {{"GenreList", {"Jazz", "Pop", "Rock"}}, {"GenreCount", {"2", "2", "2"}}}, nullptr},
      {"QryPlaylist", 0, {Out("PlayList")}, 0, "", {}, {{"PlayList", {"Rock & Roll"}}}, nullptr},
      {"QryPlaylistCount", 0, {Out("PlayList"), Out("PlayCount")}, 0, "", {},
       {{"PlayList", {"Rock & Roll"}}, {"PlayCount", {"1"}}}, nullptr},
      {"QryStreamSelection", 0, {Out("CurrentSelection")}, 0, "OK", {{"CurrentSelection", "CUSTOM SEARCH"}}, {},
       nullptr},
      {"QryCurrentPlaylist", 1, withOuts({}, {"CurrentSearchResultsText", "CurrentSearchResultsID", "CurrentSearchResultsTotal"}),
       0, "OK", {{"CurrentSearchResultsTotal", "2"}},
       {{"CurrentSearchResultsText", {"Bright Morning (Bela Quint)", "Echo Hill (Cora Vale)"}},
        {"CurrentSearchResultsID", {"3", "5"}}},
       nullptr},
      {"QryCurrentPlaylistCount", 1, {Out("SearchListCount")}, 0, "", {{"SearchListCount", "2"}}, {}, nullptr},
      {"QryStreamList", 0, {Out("StreamList")}, 0, "OK", {}, {{"StreamList", {"Bar", "Lounge", "Patio & Deck"}}}, nullptr},
      {"SvcQryVersion", 0, {Out("SvcPgmName"), Out("SvcPgmVersion")}, 0, "OK",
       {{"SvcPgmName", "tonebarn.exe"}, {"SvcPgmVersion", env.App()->GetVersionText().GetString()}}, {}, nullptr},
      {"SvcQryAuthor", 0, {Out("SvcAuthor")}, 0, "OK", {{"SvcAuthor", "Tallowmere"}}, {}, nullptr},
      {"SvcSubscribe", 0, {In("NotificationDevice", "2"), In("NotificationEvent", "SongPosChanged"), Out("SubscriptionID")},
       0, "OK", {{"SubscriptionID", "1"}}, {}, nullptr},
      {"SvcSubscribe", 0, {In("NotificationDevice", "0"), In("NotificationEvent", "SongPosChanged"), Out("SubscriptionID")},
       -1, "Subscription notification failed", {{"SubscriptionID", "-1"}}, {}, nullptr},
      {"SvcUnsubscribe", 0, {In("SubscriptionID", "1")}, 0, "OK", {}, {}, nullptr},
      {"SvcUnsubscribe", 0, {In("SubscriptionID", "0")}, -1, "Unsubscribe failed", {}, {}, nullptr},
      {"NoSuchAction", 0, {}, -3, "Illegal actionName entered", {}, {}, nullptr},
  };
  std::set<std::string> covered;
  for (const HttpCase& c : cases) {
    const Outcome outcome = Run(c.action, c.subDevice, c.args);
    covered.insert(c.action);
    EXPECT_EQ(outcome.code, c.code) << c.action;
    EXPECT_EQ(outcome.message, c.message) << c.action;
    for (const auto& [name, value] : c.values) EXPECT_EQ(outcome.Value(name), value) << c.action << " " << name;
    for (const auto& [name, items] : c.lists) EXPECT_EQ(outcome.List(name), items) << c.action << " " << name;
    if (c.effect) c.effect();
    if (HasFailure()) {
      ADD_FAILURE() << "stopped after " << c.action << "; reply: " << LastReply();
      return;
    }
  }
  // The table holds every named action but the shut-down, which has a test of its own.
  for (int id = 0; id < ACTION_UNKNOWN; ++id) {
    const CString name = RemoteActionName(id);
    if (name.IsEmpty() || id == ACTION_SVC_SHUTDOWN) continue;
    EXPECT_TRUE(covered.contains(name.GetString())) << name.GetString();
  }
}

TEST_F(HttpActions, ShutdownIsAnsweredBeforeTheJukeboxEnds) {
  ASSERT_EQ(Zone(0).LoadAndPlaySong(2), 0);
  const HWND window = Master().GetSafeHwnd();
  const Outcome outcome = Run("SvcShutdown", 0);
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.message, "OK");
  // The players are shut down and, some ten seconds later, the main window closes.
  EXPECT_TRUE(PumpUntil([window] { return !::IsWindow(window); }, 20000));
}

}  // namespace
}  // namespace remote_test
