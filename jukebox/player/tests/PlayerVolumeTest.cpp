// Volume, mute and ramps of the player base (the engine only receives the percent).
#include "jukebox/player/tests/PlayerDbFixture.h"

namespace jukebox::player_testing {
namespace {

using Volume = PlayerDbTest;

TEST_F(Volume, ClampsStoresAndReports) {
  player->SetVolume(150);
  EXPECT_EQ(100, player->GetVolume());
  player->SetVolume(-5);
  EXPECT_EQ(0, player->GetVolume());
  player->SetVolume(5);
  EXPECT_EQ(0, player->AdjustVolume(-10));
  EXPECT_EQ(7, player->AdjustVolume(7));
  EXPECT_EQ((std::vector<int>{100, 0, 5, 0, 7}), player->outputVolumes);
  EXPECT_EQ((std::vector<long>{100, 0, 5, 0, 7}), events.Values("volume"));
}

TEST_F(Volume, MuteTwiceComesBack) {
  player->SetVolume(40);
  EXPECT_EQ(0, player->ToggleMute());
  EXPECT_EQ(40, player->GetSavedVolume());
  EXPECT_EQ(40, player->ToggleMute());
  EXPECT_EQ(-1, player->GetSavedVolume());
  EXPECT_EQ((std::vector<long>{40, 0, 40}), events.Values("volume"));
}

TEST_F(Volume, RampDownTicksToZeroAndTellsTheMainWindow) {
  app.rampTime = 500;
  player->SetVolume(50);
  events.events.clear();
  EXPECT_TRUE(player->RampVolumeDown());
  EXPECT_TRUE(player->IsRamping());
  EXPECT_FALSE(player->RampVolumeUp());  // one ramp at a time
  ASSERT_TRUE(PumpUntil([&] { return mainWindow->Count(WM_PLAYER_COMMANDDONE) == 1; }));
  EXPECT_EQ((std::vector<long>{45, 40, 35, 30, 25, 20, 15, 10, 5, 0}), events.Values("volume"));
  EXPECT_EQ(50, player->GetSavedVolume());
  EXPECT_FALSE(player->IsRamping());
  // Back up to the saved volume.
  events.events.clear();
  EXPECT_TRUE(player->RampVolumeUp());
  ASSERT_TRUE(PumpUntil([&] { return mainWindow->Count(WM_PLAYER_COMMANDDONE) == 2; }));
  const auto values = events.Values("volume");
  ASSERT_FALSE(values.empty());
  EXPECT_EQ(50, values.back());
  EXPECT_EQ(10u, values.size());
  EXPECT_EQ(-1, player->GetSavedVolume());
}

TEST_F(Volume, RampDownAtZeroEndsAtOnce) {
  player->SetVolume(0);
  EXPECT_TRUE(player->RampVolumeDown());
  EXPECT_FALSE(player->IsRamping());
  ASSERT_TRUE(SettlePostedMessages());
  EXPECT_EQ(1, mainWindow->Count(WM_PLAYER_COMMANDDONE));
}

TEST_F(Volume, RampUpFromNinetySevenTakesOneTick) {
  app.rampTime = 100;
  player->SetVolume(97);
  events.events.clear();
  EXPECT_FALSE(player->RampVolumeUp());  // no saved volume: towards 100
  ASSERT_TRUE(PumpUntil([&] { return mainWindow->Count(WM_PLAYER_COMMANDDONE) == 1; }));
  EXPECT_EQ(std::vector<long>{100}, events.Values("volume"));
}

TEST_F(Volume, MuteThenRampsComeBackToTheVolumeBeforeTheMute) {
  app.rampTime = 200;
  player->SetVolume(60);
  player->ToggleMute();
  EXPECT_TRUE(player->RampVolumeDown());
  PumpUntil([&] { return mainWindow->Count(WM_PLAYER_COMMANDDONE) == 1; });
  EXPECT_EQ(60, player->GetSavedVolume());
  EXPECT_TRUE(player->RampVolumeUp());
  ASSERT_TRUE(PumpUntil([&] { return mainWindow->Count(WM_PLAYER_COMMANDDONE) == 2; }));
  EXPECT_EQ(60, player->GetVolume());
}

TEST_F(Volume, ARampRunningWhenTheWindowIsDestroyedStops) {
  app.rampTime = 30000;  // ticks every 300 ms from 100
  player->SetVolume(100);
  ASSERT_TRUE(player->RampVolumeDown());
  PumpFor(std::chrono::milliseconds(20));
  player->DestroyWindow();
  EXPECT_FALSE(player->IsRamping());
  const size_t volumeEvents = events.Values("volume").size();
  PumpFor(std::chrono::milliseconds(700));
  EXPECT_EQ(volumeEvents, events.Values("volume").size());
  EXPECT_EQ(0, mainWindow->Count(WM_PLAYER_COMMANDDONE));
}

TEST_F(Volume, FadeOutStartsARampDown) {
  player->SetVolume(20);
  player->FadeOutWithPending("next", true);
  EXPECT_TRUE(player->IsRamping());
  EXPECT_EQ(20, player->GetSavedVolume());
}

TEST_F(Volume, NotifyWithoutParentPostsNothing) {
  ScriptedEngine alone;
  ASSERT_TRUE(alone.CreateZone(nullptr));
  EXPECT_FALSE(alone.NotifyCommandDone());
  EXPECT_TRUE(player->NotifyCommandDone());
}

}  // namespace
}  // namespace jukebox::player_testing
