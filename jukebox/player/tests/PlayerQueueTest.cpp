// The queue and its loaders on a database made by the schema creator.
#include "jukebox/player/tests/PlayerDbFixture.h"

namespace jukebox::player_testing {
namespace {

using Queue = PlayerDbTest;

TEST_F(Queue, LoadByArtistFillsInBatchesAndPlaysTheFirstSongAtOnce) {
  AddManySongs(60, "Ann");
  ASSERT_EQ(0, player->LoadByArtist("Ann", false));
  // The first batch is in and its first song plays before the rest is read.
  EXPECT_EQ(25, player->GetSongCount());
  ASSERT_EQ(1u, player->played.size());
  EXPECT_EQ(player->GetQueuedSong(0)->SongID, player->played[0]);
  EXPECT_EQ(0, player->GetCurrentIndex());
  EXPECT_EQ("ARTIST: Ann", player->GetSelectionName().str());
  EXPECT_TRUE(player->IsLoading());
  ASSERT_TRUE(PumpUntil([&] { return !player->IsLoading(); }));
  EXPECT_EQ(60, player->GetSongCount());
  EXPECT_EQ(60, player->GetLoadedTotal());
  // Each batch names the queue index where it was appended.
  const std::vector<std::pair<int, int>> batches{{0, 25}, {25, 25}, {50, 10}};
  EXPECT_EQ(batches, player->loadingTexts);
  EXPECT_EQ(1u, player->played.size());
}

TEST_F(Queue, ExactlyTwentyFiveRowsEndOnTheNextTick) {
  AddManySongs(25, "Bo");
  ASSERT_EQ(0, player->LoadByArtist("Bo", false));
  EXPECT_TRUE(player->IsLoading());
  ASSERT_TRUE(PumpUntil([&] { return !player->IsLoading(); }));
  const std::vector<std::pair<int, int>> batches{{0, 25}, {25, 0}};
  EXPECT_EQ(batches, player->loadingTexts);
  EXPECT_EQ(25, player->GetLoadedTotal());
}

TEST_F(Queue, AQueryWithoutRowsEmptiesTheQueue) {
  const LONG one = AddSong("One", "Cy");
  ASSERT_EQ(0, player->LoadAndPlaySong(one));
  ASSERT_EQ(0, player->LoadByArtist("Nobody", false));
  EXPECT_EQ(0, player->GetSongCount());
  EXPECT_FALSE(player->IsLoading());
  EXPECT_EQ(0, player->GetLoadedTotal());
}

TEST_F(Queue, TheLoadStopsAboveTenThousandSongs) {
  AddManySongs(10060, "Many");
  ASSERT_EQ(0, player->LoadByArtist("Many", false));
  ASSERT_TRUE(PumpUntil([&] { return !player->IsLoading(); }, std::chrono::seconds(60)));
  EXPECT_EQ(10001, player->GetSongCount());
  EXPECT_EQ(1, app.CountLines("Too much data was returned by this query."));
  EXPECT_FALSE(player->HasPendingResult());
}

TEST_F(Queue, QuotesAndPatternCharactersFindTheirSongs) {
  const LONG why = AddSong("Song A", "Why? Not*", "Album|1", "O'Brien's");
  AddSong("Song B", "Why Not", "Album1", "OBriens");
  struct Case {
    const char* name;
    std::function<int()> load;
    const char* selection;
  };
  const Case cases[] = {
      {"artist", [&] { return player->LoadByArtist("Why? Not*", false); }, "ARTIST: Why? Not*"},
      {"genre", [&] { return player->LoadByGenre("O'Brien's", true); }, "GENRE: O'Brien's"},
      {"album name", [&] { return player->LoadByAlbumName("Album|1"); }, "ALBUM: Album|1"},
      {"album", [&] { return player->LoadByAlbum("Album|1", "Why? Not*"); }, "ALBUM: Album|1"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(0, c.load()) << c.name;
    PumpUntil([&] { return !player->IsLoading(); });
    EXPECT_EQ(std::vector<LONG>{why}, QueueIds()) << c.name;
    EXPECT_EQ(c.selection, player->GetSelectionName().str()) << c.name;
  }
}

TEST_F(Queue, PlaylistLoadKeepsTheSequenceAndNamesThePlaylist) {
  const LONG a = AddSong("Zed", "X"), b = AddSong("Alpha", "Y"), c = AddSong("Mid", "Z");
  AddToPlaylist("Party", b);
  AddToPlaylist("Party", c);
  AddToPlaylist("Party", a);
  ASSERT_EQ(0, player->LoadByPlaylist("Party"));
  PumpUntil([&] { return !player->IsLoading(); });
  EXPECT_EQ((std::vector<LONG>{b, c, a}), QueueIds());
  EXPECT_EQ("PLAYLIST: Party", player->GetSelectionName().str());
  EXPECT_EQ("Party", player->GetCurrentPlaylistName().str());
}

TEST_F(Queue, AFailedQueryLeavesQueueAndSongAlone) {
  const LONG a = AddSong("A", "Ann");
  ASSERT_EQ(0, player->LoadAndPlaySong(a));
  db.Close();  // every query now fails
  EXPECT_EQ(1, player->LoadByArtist("Ann", false));
  EXPECT_EQ(std::vector<LONG>{a}, QueueIds());
  EXPECT_EQ(a, player->GetCurrentSongId());
  ASSERT_EQ(1, app.CountLines("A database error occurred in OpenSongCursor.\r\nSql: [Where A.SongArtist = 'Ann'"));
  EXPECT_TRUE(app.log.back().shown);
  EXPECT_EQ("StreamWindow", app.log.back().source);
}

TEST_F(Queue, ClearKeepsTheCurrentSongAsACopy) {
  const LONG a = AddSong("A", "Ann"), b = AddSong("B", "Ann");
  ASSERT_EQ(0, player->LoadByArtist("Ann", false));
  PumpUntil([&] { return !player->IsLoading(); });
  ASSERT_EQ(a, player->GetCurrentSongId());
  player->ClearCurrentPlaylist(false);
  EXPECT_EQ(0, player->GetSongCount());
  EXPECT_EQ(kClearedQueueIndex, player->GetCurrentIndex());
  ASSERT_NE(nullptr, player->GetCurrentSong());
  EXPECT_EQ("A", player->GetCurrentSong()->SongName.str());
  (void)b;
}

TEST_F(Queue, SingleSongsAndIndexes) {
  const LONG a = AddSong("A", "Ann"), b = AddSong("B", "Ann");
  int length = 0;
  // Into an empty, stopped queue: the song starts and is the current one.
  ASSERT_EQ(0, player->AddSongToCurrentPlaylist(a, length));
  EXPECT_EQ(1, length);
  EXPECT_EQ(std::vector<LONG>{a}, player->played);
  EXPECT_EQ(0, player->GetCurrentIndex());
  // While playing it only appends.
  ASSERT_EQ(0, player->AddSongToCurrentPlaylist(b, length));
  EXPECT_EQ(2, length);
  EXPECT_EQ(1u, player->played.size());
  EXPECT_EQ(-1, player->PlayIndex(-1));
  EXPECT_EQ(-1, player->PlayIndex(2));
  EXPECT_EQ(0, player->PlayIndex(1));
  EXPECT_EQ(1, player->GetCurrentIndex());
  // An unknown id leaves the queue as it was.
  EXPECT_NE(0, player->LoadAndPlaySong(999999));
  EXPECT_EQ((std::vector<LONG>{a, b}), QueueIds());
  EXPECT_NE(0, player->AddSongToCurrentPlaylist(999999, length));
  EXPECT_EQ(2, player->GetSongCount());
}

TEST_F(Queue, AfterAClearTheAddedSongIsNotPlayedTwice) {
  const LONG a = AddSong("A", "Ann"), b = AddSong("B", "Ann");
  player->ClearCurrentPlaylist(false);
  int length = 0;
  player->Stop();
  ASSERT_EQ(0, player->AddSongToCurrentPlaylist(a, length));
  ASSERT_EQ(0, player->AddSongToCurrentPlaylist(b, length));
  player->Next();
  EXPECT_EQ((std::vector<LONG>{a, b}), player->played);
}

TEST_F(Queue, AddingDuringALoadKeepsBatchLinesOnTheirQueueIndexes) {
  AddManySongs(40, "Ann");
  const LONG single = AddSong("Single", "Other");
  ASSERT_EQ(0, player->LoadByArtist("Ann", false));
  int length = 0;
  ASSERT_EQ(0, player->AddSongToCurrentPlaylist(single, length));
  ASSERT_TRUE(PumpUntil([&] { return !player->IsLoading(); }));
  EXPECT_EQ(41, player->GetSongCount());
  EXPECT_EQ(single, player->GetQueuedSong(25)->SongID);
  // The second batch starts after the single song.
  ASSERT_EQ(3u, player->loadingTexts.size());
  EXPECT_EQ(std::make_pair(25, 1), player->loadingTexts[1]);
  EXPECT_EQ(std::make_pair(26, 15), player->loadingTexts[2]);
}

TEST_F(Queue, DestroyingTheWindowClosesTheLoadAndTellsTheMainWindow) {
  AddManySongs(60, "Ann");
  ASSERT_EQ(0, player->LoadByArtist("Ann", false));
  ASSERT_TRUE(player->Shutdown(mainWindow.get()));
  EXPECT_FALSE(player->HasPendingResult());
  EXPECT_EQ(0, player->GetSongCount());
  EXPECT_EQ(1, player->releases);
  ASSERT_TRUE(SettlePostedMessages());
  EXPECT_EQ(1, mainWindow->Count(WM_PLAYER_DESTROYED));
}

TEST_F(Queue, NewWindowHoldsItsStreamInTheDeviceSetAndThePlaylistNames) {
  AddToPlaylist("Zoo", AddSong("A", "Ann"));
  AddToPlaylist("Bar", AddSong("B", "Ann"));
  ScriptedEngine second;
  second.SetStreamNumber(3);
  ASSERT_TRUE(second.CreateZone(mainWindow.get()));
  std::set<LONG> devices;
  second.GetStateMap(devices);
  EXPECT_EQ(std::set<LONG>{3}, devices);
  ASSERT_EQ(2u, second.GetPlaylistNames().size());
  EXPECT_EQ("Bar", second.GetPlaylistNames()[0].str());
  EXPECT_EQ("Zoo", second.GetPlaylistNames()[1].str());
  EXPECT_EQ(PLAYER_STOPPED, second.GetState());
  EXPECT_EQ("<QHPlayerState>STOPPED</QHPlayerState>", second.GetPlayerStateXml().str());
  EXPECT_TRUE(second.GetSongInfoXml().IsEmpty());
}

}  // namespace
}  // namespace jukebox::player_testing
