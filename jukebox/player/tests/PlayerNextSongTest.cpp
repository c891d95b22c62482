// The next-song choice over a scripted engine: order with wrap, repeat, seeded shuffle, failures.
#include <algorithm>
#include <set>

#include "jukebox/player/tests/PlayerDbFixture.h"

namespace jukebox::player_testing {
namespace {

class NextSong : public PlayerDbTest {
 protected:
  std::vector<LONG> LoadThree() {
    std::vector<LONG> ids{AddSong("A", "Ann"), AddSong("B", "Ann"), AddSong("C", "Ann")};
    EXPECT_EQ(0, player->LoadByArtist("Ann", false));
    PumpUntil([&] { return !player->IsLoading(); });
    player->played.clear();
    return ids;
  }
};

TEST_F(NextSong, InOrderAndWrapsAtTheEnd) {
  const auto ids = LoadThree();
  player->Next();
  player->Next();
  player->Next();
  EXPECT_EQ((std::vector<LONG>{ids[1], ids[2], ids[0]}), player->played);
  EXPECT_EQ(0, player->GetCurrentIndex());
}

TEST_F(NextSong, RepeatRestartsTheSongWhateverShuffleSays) {
  LoadThree();
  player->SetShuffle(true);
  player->SetRepeat(true);
  player->Next();
  EXPECT_TRUE(player->played.empty());
  EXPECT_EQ((std::vector<std::string>{"rewind", "play"}), player->calls);
}

TEST_F(NextSong, ThePostedMessageAdvancesOnce) {
  const auto ids = LoadThree();
  EXPECT_TRUE(player->PostNextSong());
  EXPECT_FALSE(player->PostNextSong());
  ASSERT_TRUE(SettlePostedMessages());
  EXPECT_EQ(std::vector<LONG>{ids[1]}, player->played);
  EXPECT_FALSE(player->IsAdvancePosted());
}

TEST_F(NextSong, ShufflePlaysEverySongOnceBeforeAnyAgain) {
  std::vector<LONG> ids;
  for (int i = 0; i < 7; ++i) ids.push_back(AddSong("S" + std::to_string(i), "Ann"));
  ASSERT_EQ(0, player->LoadByArtist("Ann", false));
  PumpUntil([&] { return !player->IsLoading(); });
  player->SetShuffle(true);
  player->Random().Seed(1234);
  for (int i = 0; i < 6; ++i) player->Next();
  std::set<LONG> firstRound(player->played.begin(), player->played.end());
  EXPECT_EQ(7u, firstRound.size());  // the loaded first song and six others, no repeats
  // All played: the marks are cleared and the draws start over.
  player->Next();
  EXPECT_EQ(8u, player->played.size());
  // The same seed gives the same order.
  ScriptedEngine twin;
  ASSERT_TRUE(twin.CreateZone(mainWindow.get()));
  ASSERT_EQ(0, twin.LoadByArtist("Ann", false));
  PumpUntil([&] { return !twin.IsLoading(); });
  twin.SetShuffle(true);
  twin.Random().Seed(1234);
  for (int i = 0; i < 7; ++i) twin.Next();
  EXPECT_EQ(player->played, twin.played);
}

TEST_F(NextSong, ShuffleOfOneSongDrawsItAgain) {
  const LONG a = AddSong("A", "Ann");
  ASSERT_EQ(0, player->LoadAndPlaySong(a));
  player->SetShuffle(true);
  player->Next();
  EXPECT_EQ((std::vector<LONG>{a, a}), player->played);
}

TEST_F(NextSong, FailingSongsAreSkippedAndAllFailingGivesUp) {
  const auto ids = LoadThree();
  player->failingSongs = {ids[1]};
  player->Next();
  EXPECT_EQ((std::vector<LONG>{ids[1], ids[2]}), player->played);
  EXPECT_EQ(0, app.CountLines("All songs in the current playlist"));

  player->played.clear();
  player->failingSongs = {ids[0], ids[1], ids[2]};
  player->SetCurrentIndexForTest(0);
  player->calls.clear();
  player->Next();
  // 1 and 2 fail, then the wrap tries 0, 1, 2 again; five failures reach the limit.
  EXPECT_EQ((std::vector<LONG>{ids[1], ids[2], ids[0], ids[1], ids[2]}), player->played);
  EXPECT_EQ(std::vector<std::string>{"pause"}, player->calls);
  ASSERT_EQ(1, app.CountLines("All songs in the current playlist have received errors when attempting to play. "
                              "Make sure the songs in this playlist are valid."));
  EXPECT_EQ("E", app.log.back().severity);
}

TEST_F(NextSong, ShuffleWithEverySongFailingEnds) {
  const auto ids = LoadThree();
  player->SetShuffle(true);
  player->failingSongs = {ids[0], ids[1], ids[2]};
  player->Next();
  // The two unplayed songs fail and keep their marks; the new round tries the one played before this
  // call, and then the choice gives up: every song was tried once.
  EXPECT_EQ(3u, player->played.size());
  EXPECT_EQ((std::set<LONG>(ids.begin(), ids.end())), std::set<LONG>(player->played.begin(), player->played.end()));
  EXPECT_EQ(std::vector<std::string>{"pause"}, player->calls);
  EXPECT_EQ(1, app.CountLines("All songs in the current playlist"));
}

TEST_F(NextSong, ShuffleGoesOnPastASongThatFails) {
  // A played, B plays, C never starts: the zone must keep playing A and B, round after round.
  const auto ids = LoadThree();
  player->failingSongs = {ids[2]};
  player->SetShuffle(true);
  for (std::uint32_t seed : {1u, 7u, 1234u}) {
    player->Random().Seed(seed);
    player->played.clear();
    player->calls.clear();
    int started = 0;
    for (int i = 0; i < 30; ++i) {
      const size_t before = player->played.size();
      player->Next();
      ASSERT_GT(player->played.size(), before);
      ASSERT_NE(ids[2], player->played.back()) << "Next ended on the failing song (seed " << seed << ")";
      ASSERT_EQ(PLAYER_PLAYING, player->GetState());
      ++started;
      // The failing song is tried at most once per call: its mark keeps it out of the draws.
      EXPECT_LE(std::count(player->played.begin() + static_cast<long>(before), player->played.end(), ids[2]), 1);
    }
    EXPECT_EQ(30, started);
    EXPECT_TRUE(player->calls.empty()) << "the zone paused";
  }
  EXPECT_EQ(0, app.CountLines("All songs in the current playlist"));
}

TEST_F(NextSong, ALoadWhoseFirstSongFailsMovesOnToTheNext) {
  std::vector<LONG> ids{AddSong("A", "Ann"), AddSong("B", "Ann"), AddSong("C", "Ann")};
  player->failingSongs = {ids[0]};
  ASSERT_EQ(0, player->LoadByArtist("Ann", false));
  // The next song is asked for through the message, as a song that fails elsewhere is.
  EXPECT_TRUE(player->IsAdvancePosted());
  ASSERT_TRUE(PumpUntil([&] { return !player->IsLoading() && !player->IsAdvancePosted(); }));
  EXPECT_EQ((std::vector<LONG>{ids[0], ids[1]}), player->played);
  EXPECT_EQ(1, player->GetCurrentIndex());
  EXPECT_EQ(PLAYER_PLAYING, player->GetState());
  EXPECT_EQ(ids[1], player->GetCurrentSongId());
  EXPECT_EQ(0, app.CountLines("All songs in the current playlist"));
}

TEST_F(NextSong, ALoadOfOnlyFailingSongsEndsInOnePause) {
  std::vector<LONG> ids{AddSong("A", "Ann"), AddSong("B", "Ann")};
  player->failingSongs = {ids[0], ids[1]};
  ASSERT_EQ(0, player->LoadByArtist("Ann", false));
  ASSERT_TRUE(PumpUntil([&] { return !player->IsLoading() && !player->IsAdvancePosted(); }));
  ASSERT_TRUE(SettlePostedMessages());
  EXPECT_EQ(std::vector<std::string>{"pause"}, player->calls);
  EXPECT_EQ(1, app.CountLines("All songs in the current playlist"));
}

TEST_F(NextSong, AnEmptyQueueGivesUp) {
  player->Next();
  EXPECT_TRUE(player->played.empty());
  EXPECT_EQ(1, app.CountLines("All songs in the current playlist"));
}

TEST_F(NextSong, ShuffleAndRepeatTogglesCallTheirHooks) {
  struct Counting : ScriptedEngine {
    int shuffleHooks = 0, repeatHooks = 0;
    void UpdateShuffleButton() override { ++shuffleHooks; }
    void UpdateRepeatButton() override { ++repeatHooks; }
  } zone;
  zone.ToggleShuffle();
  zone.ToggleShuffle();
  zone.ToggleRepeat();
  EXPECT_FALSE(zone.IsShuffle());
  EXPECT_TRUE(zone.IsRepeat());
  EXPECT_EQ(2, zone.shuffleHooks);
  EXPECT_EQ(1, zone.repeatHooks);
}

}  // namespace
}  // namespace jukebox::player_testing
