// Remote-key actions: the zone on screen, the channel and stream keys, the zone buttons they press, and
// a chooser dialog that takes every action as a key while it is open.
#include <gtest/gtest.h>

#include "jukebox/app/JukeboxApp.h"
#include "jukebox/app/dialogs/JukeboxZoneDialogs.h"
#include "jukebox/remote/tests/ActionTestSupport.h"
#include "platform/ui/Dialog.h"

namespace remote_test {
namespace {

class KeyActions : public JukeboxActions {
 protected:
  void SetUp() override {
    JukeboxActions::SetUp();
    std::string error;
    ASSERT_TRUE(qh::ui::LoadDialogTemplateFolder(QH_TEST_SOURCE_DIR "/resources/jukebox/dialogs", &error)) << error;
    InstallJukeboxZoneDialogs();
  }
  void TearDown() override {
    qh::ui::SetDialogAnswerer(nullptr);
    JukeboxActions::TearDown();
  }
  // Three songs queued on the zone, the first one playing (and so highlighted in its list).
  void PlayingList(int zone) {
    QueueSongs(zone, {2, 4, 6});
    ASSERT_EQ(Zone(zone).PlayIndex(0), 0);
    ASSERT_EQ(Zone(zone).GetCurrentSongId(), 2);
  }
  // Lets the zone windows carry out the commands posted to them.
  void Settle() { PumpUntil(nullptr, 60); }
};

struct ZoneSwitchCase {
  const char* action;
  long code;
  const char* message;
  int currentAfter;
};

TEST_F(KeyActions, ChannelAndStreamKeysMoveTheZoneOnScreen) {
  const ZoneSwitchCase cases[] = {
      {"IRChDn", 0, "OK", 0},  // already the first
      {"IRChUp", 0, "OK", 1},
      {"IRChUp", 0, "OK", 2},
      {"IRChUp", 0, "OK", 2},  // already the last
      {"IRStream1", 0, "OK", 0},
      {"IRStream4", -1, "Invalid Stream Number", 0},
      {"IRStream8", -1, "Invalid Stream Number", 0},
      {"IRStream3", 0, "OK", 2},
      {"IRChDn", 0, "OK", 1},
  };
  for (const ZoneSwitchCase& c : cases) {
    const Outcome outcome = Run(c.action, 7);  // SubDevice plays no part
    EXPECT_EQ(outcome.code, c.code) << c.action;
    EXPECT_EQ(outcome.message, c.message) << c.action;
    EXPECT_EQ(Master().GetCurrentZone(), c.currentAfter) << c.action;
    Settle();
    EXPECT_TRUE(Zone(c.currentAfter).IsWindowVisible()) << c.action;
  }
}

TEST_F(KeyActions, AChannelKeyMakesADisabledZoneCurrentWithoutShowingIt) {
  Master().EnableZoneButton(1, FALSE);
  EXPECT_EQ(Run("IRChUp").message, "OK");
  EXPECT_EQ(Master().GetCurrentZone(), 1);
  Settle();
  EXPECT_TRUE(Zone(0).IsWindowVisible());
  EXPECT_FALSE(Zone(1).IsWindowVisible());
  // A stream key does not change the index of a disabled zone, and still answers "OK".
  Master().SetCurrentZone(0);
  EXPECT_EQ(Run("IRStream2").message, "OK");
  EXPECT_EQ(Master().GetCurrentZone(), 0);
}

struct PlayerKeyCase {
  const char* action;
  LONG songAfter;
  LONG stateAfter;
  int volumeAfter;
};

TEST_F(KeyActions, PlayerKeysWorkOnTheCurrentZoneOnly) {
  ASSERT_EQ(Run("IRStream2").code, 0);
  PlayingList(1);
  Zone(1).SetVolume(50);
  const PlayerKeyCase cases[] = {
      {"IRPause", 2, PLAYER_PAUSED, 50},   {"IRPlay", 2, PLAYER_PLAYING, 50},
      {"IRNext", 4, PLAYER_PLAYING, 50},   {"IRNext", 6, PLAYER_PLAYING, 50},
      {"IRPrev", 4, PLAYER_PLAYING, 50},   {"IRCursorDown", 4, PLAYER_PLAYING, 50},
      {"IRCursorSelect", 6, PLAYER_PLAYING, 50}, {"IRVolUp", 6, PLAYER_PLAYING, 55},
      {"IRVolDn", 6, PLAYER_PLAYING, 50},  {"IRVolDn", 6, PLAYER_PLAYING, 45},
      {"IRMute", 6, PLAYER_PLAYING, 0},    {"IRMute", 6, PLAYER_PLAYING, 45},
      {"IRStop", 0, PLAYER_STOPPED, 45},  // a stopped zone has no current song
  };
  for (const PlayerKeyCase& c : cases) {
    const Outcome outcome = Run(c.action);
    EXPECT_EQ(outcome.code, 0) << c.action;
    EXPECT_EQ(outcome.message, "OK") << c.action;
    EXPECT_TRUE(outcome.completedAtOnce) << c.action;
    EXPECT_EQ(Zone(1).GetCurrentSongId(), c.songAfter) << c.action;
    EXPECT_EQ(Zone(1).GetState(), c.stateAfter) << c.action;
    EXPECT_EQ(Zone(1).GetVolume(), c.volumeAfter) << c.action;
  }
  EXPECT_EQ(Zone(0).GetState(), PLAYER_STOPPED);
  EXPECT_EQ(Zone(0).GetVolume(), 50);
}

TEST_F(KeyActions, PlayerKeysReportFailuresAndAMissingCurrentZone) {
  const std::pair<const char*, const char*> failures[] = {
      {"IRPlay", "Error occurred when playing the stream"},
      {"IRPause", "Error occurred when pausing the stream"},
      {"IRNext", "Error occurred when loading song"},
      {"IRPrev", "Error occurred when loading song"},
  };
  for (auto [action, message] : failures) {
    const Outcome outcome = Run(action);
    EXPECT_EQ(outcome.code, -2) << action;
    EXPECT_EQ(outcome.message, message) << action;
  }
  Master().SetCurrentZone(5);
  for (const char* action : {"IRPlay", "IRStop", "IRVolUp", "IRMute", "IRCursorDown", "IRCursorSelect", "IRNext"}) {
    const Outcome outcome = Run(action);
    EXPECT_EQ(outcome.code, -1) << action;
    EXPECT_EQ(outcome.message, "No current stream selected") << action;
  }
  // The keys that only post to the zone do nothing without one, and say "OK".
  EXPECT_EQ(Run("IRShuffle").message, "OK");
  for (const char* action : {"IRCursorLeft", "IRCursorRight", "IRCursorExit"}) {
    const Outcome outcome = Run(action);
    EXPECT_EQ(outcome.code, -3) << action;
    EXPECT_EQ(outcome.message, "Illegal actionName entered") << action;
  }
}

TEST_F(KeyActions, ButtonKeysPressTheCurrentZonesButtons) {
  PlayingList(0);
  EXPECT_EQ(Run("IRShuffle").message, "OK");
  EXPECT_EQ(Run("IRRepeat").message, "OK");
  EXPECT_FALSE(Zone(0).IsShuffle());  // the zone carries the command out later
  Settle();
  EXPECT_TRUE(Zone(0).IsShuffle());
  EXPECT_TRUE(Zone(0).IsRepeat());
  EXPECT_FALSE(Zone(1).IsShuffle());
  ASSERT_EQ(Run("IRShuffle").code, 0);
  ASSERT_EQ(Run("IRRepeat").code, 0);
  Settle();
  EXPECT_FALSE(Zone(0).IsShuffle());
  EXPECT_FALSE(Zone(0).IsRepeat());
  // Next song, then back to the start of the song.
  EXPECT_EQ(Run("IRNextSong").message, "OK");
  Settle();
  EXPECT_EQ(Zone(0).GetCurrentSongId(), 4);
  EXPECT_EQ(Run("IRPrevSong").message, "OK");
  Settle();
  EXPECT_EQ(Zone(0).GetCurrentSongId(), 4);
  EXPECT_EQ(Zone(0).GetState(), PLAYER_PLAYING);
}

TEST_F(KeyActions, PowerStopsEveryZone) {
  PlayingList(0);
  ASSERT_EQ(Zone(2).LoadAndPlaySong(5), 0);
  const Outcome outcome = Run("IRPower");
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.message, "OK");
  Settle();
  for (int zone = 0; zone < 3; ++zone) EXPECT_EQ(Zone(zone).GetState(), PLAYER_STOPPED) << zone;
}

TEST_F(KeyActions, AnOpenChooserTakesTheFollowingActionsAsKeys) {
  std::vector<WPARAM> keys;
  std::vector<Outcome> outcomes;
  bool shown = false;
  qh::ui::SetDialogAnswerer([&](CWnd& dialog) {
    shown = true;
    EXPECT_EQ(host->ChooserDialog(), &dialog);
    for (const char* action : {"IRCursorDown", "XportStop", "NoSuchAction"}) outcomes.push_back(Run(action));
    MSG msg;
    while (::PeekMessage(&msg, dialog.GetSafeHwnd(), 0x8334, 0x8334, PM_REMOVE)) keys.push_back(msg.wParam);
    dialog.SendMessage(WM_COMMAND, IDCANCEL, 0);
  });
  PlayingList(0);
  const Outcome outcome = Run("IRGenre");
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.message, "OK");
  Settle();
  ASSERT_TRUE(shown);
  EXPECT_EQ(keys, (std::vector<WPARAM>{42, 24, 88}));
  for (const Outcome& forwarded : outcomes) {
    EXPECT_EQ(forwarded.code, 0);
    EXPECT_EQ(forwarded.message, "OK");
  }
  EXPECT_EQ(Zone(0).GetState(), PLAYER_PLAYING);  // the stop went to the chooser
  EXPECT_EQ(host->ChooserDialog(), nullptr);
}

}  // namespace
}  // namespace remote_test
