// Transport, shuffle, repeat and volume actions on a zone playing on the null sound device, the ramps that
// answer only when the player says the ramp has ended, and the jukebox's ramp duration.
#include <gtest/gtest.h>

#include "jukebox/app/JukeboxApp.h"
#include "jukebox/player/StreamWindow.h"
#include "jukebox/remote/tests/ActionTestSupport.h"

namespace remote_test {
namespace {

class TransportActions : public JukeboxActions {
 protected:
  void Playing(int zone, LONG songId) {
    ASSERT_EQ(Zone(zone).LoadAndPlaySong(songId), 0);
    ASSERT_EQ(Zone(zone).GetState(), PLAYER_PLAYING);
  }
};

struct TransportCase {
  const char* action;
  LONG stateAfter;
};

TEST_F(TransportActions, TransportButtonsDriveThePlayingZone) {
  Playing(1, 2);
  const TransportCase cases[] = {{"XportPause", PLAYER_PAUSED}, {"XportPlay", PLAYER_PLAYING},
                                 {"XportPlayPause", PLAYER_PAUSED}, {"XportPlayPause", PLAYER_PLAYING},
                                 {"XportRewind", PLAYER_PLAYING}, {"XportStop", PLAYER_STOPPED}};
  for (const TransportCase& c : cases) {
    const Outcome outcome = Run(c.action, 1);
    EXPECT_EQ(outcome.code, 0) << c.action;
    EXPECT_EQ(outcome.message, "OK") << c.action;
    EXPECT_TRUE(outcome.completedAtOnce) << c.action;
    EXPECT_EQ(Zone(1).GetState(), c.stateAfter) << c.action;
  }
  EXPECT_EQ(Zone(0).GetState(), PLAYER_STOPPED);
}

struct FailureCase {
  const char* action;
  int zone;
  long code;
  const char* message;
};

TEST_F(TransportActions, AZoneWithNothingLoadedReportsEachButtonsFailure) {
  const FailureCase cases[] = {
      {"XportPlay", 0, -2, "Error occurred when playing the stream"},
      {"XportPause", 0, -2, "Error occurred when pausing the stream"},
      {"XportPlayPause", 0, -2, "Error occurred when toggling the stream"},
      {"XportRewind", 0, -2, "Error occurred when restarting the stream"},
      {"XportNext", 0, 0, "OK"},  // a zone that cannot advance is not reported
      {"XportStop", 0, 0, "OK"},  // a stopped zone stops without fault
      {"XportStop", 3, -1, "Invalid SubDevice"},
      {"SetShuffleOn", 3, -1, "Invalid SubDevice"},
      {"SetVolumeAbsolute", -1, -1, "Invalid SubDevice"},
      {"SetMuteToggle", 4, -1, "Invalid SubDevice"},
  };
  for (const FailureCase& c : cases) {
    const Outcome outcome = Run(c.action, c.zone);
    EXPECT_EQ(outcome.code, c.code) << c.action;
    EXPECT_EQ(outcome.message, c.message) << c.action;
  }
  EXPECT_EQ(Zone(0).GetState(), PLAYER_STOPPED);
}

struct ModeCase {
  const char* action;
  bool shuffle;
  bool repeat;
};

TEST_F(TransportActions, ShuffleAndRepeatModes) {
  const ModeCase cases[] = {{"SetShuffleOn", true, false},  {"SetShuffleOn", true, false},
                            {"SetShuffleToggle", false, false}, {"SetShuffleToggle", true, false},
                            {"SetRepeatOn", true, true},    {"SetRepeatToggle", true, false},
                            {"SetRepeatToggle", true, true}, {"SetRepeatOff", true, false},
                            {"SetShuffleOff", false, false}};
  for (const ModeCase& c : cases) {
    const Outcome outcome = Run(c.action, 2);
    EXPECT_EQ(outcome.message, "OK") << c.action;
    EXPECT_EQ(Zone(2).IsShuffle(), c.shuffle) << c.action;
    EXPECT_EQ(Zone(2).IsRepeat(), c.repeat) << c.action;
  }
  EXPECT_FALSE(Zone(0).IsShuffle());
}

struct VolumeCase {
  const char* action;
  std::vector<Arg> args;
  int volume;
  const char* newVolume;  // the NewVolume answer ("<absent>" when none comes back)
};

TEST_F(TransportActions, VolumeActionsSetChangeAndMute) {
  const VolumeCase cases[] = {
      {"SetVolumeAbsolute", {In("Volume", "70")}, 70, "<absent>"},
      {"SetVolumeRelative", {In("Volume", "-10"), Out("NewVolume")}, 60, "60"},
      {"SetVolumeRelative", {In("Volume", "+15"), In("NewVolume", "1")}, 75, "<absent>"},
      {"SetVolumeRelative", {In("Volume", "500"), Out("NewVolume")}, 100, "100"},
      {"SetVolumeAbsolute", {In("Volume", "40abc")}, 40, "<absent>"},
      {"SetMuteToggle", {Out("NewVolume")}, 0, "0"},
      {"SetMuteToggle", {{"NewVolume", "inout", ""}}, 40, "40"},
      {"SetVolumeAbsolute", {}, 0, "<absent>"},  // without Volume the zone goes silent
  };
  for (const VolumeCase& c : cases) {
    const Outcome outcome = Run(c.action, 0, c.args);
    EXPECT_EQ(outcome.code, 0) << c.action;
    EXPECT_EQ(outcome.message, "OK") << c.action;
    EXPECT_EQ(Zone(0).GetVolume(), c.volume) << c.action;
    EXPECT_EQ(outcome.Value("NewVolume"), c.newVolume) << c.action;
  }
  EXPECT_EQ(Zone(1).GetVolume(), 50);
}

TEST_F(TransportActions, RampTimeTakesOnlyValuesInItsRangeAndStoresNoResult) {
  CJukeboxApp& app = *env.App();
  const std::pair<const char*, int> cases[] = {{"100", 100}, {"50", 100}, {"30001", 100}, {"30000", 30000},
                                               {"abc", 30000}, {"2500", 2500}};
  for (auto [text, expected] : cases) {
    const Outcome outcome = Run("SetVolumeRampTime", 9, {In("RampMS", text)});
    EXPECT_EQ(outcome.code, 0) << text;
    EXPECT_EQ(outcome.message, "") << text;
    EXPECT_TRUE(outcome.completedAtOnce) << text;
    EXPECT_EQ(app.GetVolumeRampTime(), expected) << text;
  }
  const Outcome missing = Run("SetVolumeRampTime", 0, {});
  EXPECT_EQ(missing.message, "");
  EXPECT_EQ(app.GetVolumeRampTime(), 2500);
}

TEST_F(TransportActions, RampsAnswerWhenThePlayerHasFinishedThem) {
  ASSERT_EQ(Run("SetVolumeRampTime", 0, {In("RampMS", "100")}).code, 0);
  Playing(0, 1);
  Zone(0).SetVolume(40);
  Outcome outcome = Run("SetVolumeRampDown", 0);
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.message, "OK");
  EXPECT_FALSE(outcome.completedAtOnce);  // the player completes it
  ASSERT_TRUE(PumpUntil([&] { return !Zone(0).IsRamping(); }));
  EXPECT_EQ(Zone(0).GetVolume(), 0);
  EXPECT_EQ(TakePlayerCompletions(), 1);
  outcome = Run("SetVolumeRampUp", 0);
  EXPECT_FALSE(outcome.completedAtOnce);
  ASSERT_TRUE(PumpUntil([&] { return !Zone(0).IsRamping(); }));
  EXPECT_EQ(Zone(0).GetVolume(), 40);  // back to where the ramp down started
  EXPECT_EQ(TakePlayerCompletions(), 1);
  // A ramp with nothing to do is completed by the player all the same.
  Zone(1).SetVolume(0);
  outcome = Run("SetVolumeRampDown", 1);
  EXPECT_FALSE(outcome.completedAtOnce);
  EXPECT_EQ(TakePlayerCompletions(), 1);
  // A bad zone answers at once, with the ramp's own message for both directions.
  for (const char* action : {"SetVolumeRampUp", "SetVolumeRampDown"}) {
    outcome = Run(action, 3);
    EXPECT_EQ(outcome.code, -1) << action;
    EXPECT_EQ(outcome.message, "Error when ramping volume up") << action;
    EXPECT_TRUE(outcome.completedAtOnce) << action;
  }
  EXPECT_EQ(TakePlayerCompletions(), 0);
}

TEST_F(TransportActions, InitialPluginNeedsItsNameBeforeTheZoneIsLookedAt) {
  const FailureCase cases[] = {
      {"SetInitialDXPlugin", 0, -1, "Error when setting initial DX audio plugin"},  // no PluginName
      {"SetInitialDXPlugin", 5, -1, "Error when setting initial DX audio plugin"},  // no PluginName, bad zone
  };
  for (const FailureCase& c : cases) {
    const Outcome outcome = Run(c.action, c.zone);
    EXPECT_EQ(outcome.code, c.code);
    EXPECT_EQ(outcome.message, c.message);
  }
  Outcome outcome = Run("SetInitialDXPlugin", 5, {In("PluginName", "Amplifier")});
  EXPECT_EQ(outcome.code, -1);
  EXPECT_EQ(outcome.message, "Error when setting initial DX audio plugin");
  auto* local = dynamic_cast<CStreamWindow*>(&Zone(0));
  ASSERT_NE(local, nullptr);
  EXPECT_TRUE(local->GetPluginNames().empty());
  outcome = Run("SetInitialDXPlugin", 0, {In("PluginName", "Amplifier")});
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.message, "OK");
  EXPECT_EQ(local->GetPluginNames(), std::vector<CString>{"Amplifier"});
}

}  // namespace
}  // namespace remote_test
