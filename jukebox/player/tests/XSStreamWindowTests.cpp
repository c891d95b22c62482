// The box zone's engine window (CXSStreamWindow over the player base) against the simulated box:
// volume, pause, play, stop, next, repeat, position, shutdown, and box zones beside a local one.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "jukebox/player/XSStreamWindow.h"
#include "jukebox/player/tests/BoxTestSupport.h"
#include "jukebox/player/tests/PlayerTestSupport.h"
#include "jukebox/player/tests/ScriptedEngine.h"

using jukebox::player_testing::FakeJukeboxServices;
using jukebox::player_testing::MessageRecorder;
using jukebox::player_testing::PumpFor;
using jukebox::player_testing::PumpUntil;
using jukebox::player_testing::RecordingEventSink;
using jukebox::player_testing::SettlePostedMessages;
using jukebox::player_testing::ScriptedEngine;
using namespace std::chrono_literals;

namespace {

struct Songs {
  TempFolder folder;
  std::string a, b;
  Songs() {
    a = MakeMp3(folder.Path(), "a", 6.0, 440);
    b = MakeMp3(folder.Path(), "b", 4.0, 660);
  }
};

Songs& TheSongs() {
  static Songs songs;
  return songs;
}

bool HasCommand(BoxSimulator& box, const std::string& command) {
  std::vector<std::string> commands = box.Commands();
  return std::find(commands.begin(), commands.end(), command) != commands.end();
}

class BoxZoneTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(TheSongs().a.empty()); }
  void TearDown() override {
    zone.reset();
    box.reset();
  }

  // A zone on a simulated box at a loopback address of its own (no box at all with `withBox` false).
  std::unique_ptr<CXSStreamWindow> MakeZone(bool withBox = true, const BoxOptions& options = BoxOptions()) {
    std::string address = NextBoxAddress();
    int control = 1, audio = 1;
    if (withBox) {
      box = std::make_unique<BoxSimulator>(address, boxFolder.Path(), options);
      EXPECT_TRUE(box->Running());
      control = box->ControlPort();
      audio = box->AudioPort();
    }
    auto made = std::make_unique<CXSStreamWindow>();
    made->SetStreamNumber(0);
    made->SetStreamName("Bar");
    made->SetDeviceName(("__XS:" + address).c_str());
    made->BoxEngine().SetPorts(static_cast<WORD>(control), static_cast<WORD>(audio));
    EXPECT_TRUE(made->CreateEx(0, AfxRegisterWndClass(0), "Zone 1 [box]", WS_CHILD, 0, 0, 400, 300,
                               main.GetSafeHwnd(), nullptr));
    return made;
  }
  void QueueSongs(CXSStreamWindow& target) {
    target.AppendSong(SongForFile(1, TheSongs().a).release());
    target.AppendSong(SongForFile(2, TheSongs().b).release());
  }
  bool WaitForCommand(const std::string& command) {
    return PumpUntil([&] { return HasCommand(*box, command); }, 10s);
  }

  FakeJukeboxServices services;
  RecordingEventSink events;
  MessageRecorder main;
  TempFolder boxFolder;
  std::unique_ptr<BoxSimulator> box;
  std::unique_ptr<CXSStreamWindow> zone;
};

TEST_F(BoxZoneTest, ANewZoneIsABoxAtFullVolumeUntilTheBoxSaysOtherwise) {
  CXSStreamWindow fresh;
  EXPECT_EQ(fresh.GetVolume(), 100);
  EXPECT_TRUE(fresh.IsExstreamer());
  EXPECT_FALSE(fresh.UsesPlugins());
  fresh.SetDeviceName("__XS:1.2.3.4");
  EXPECT_EQ(fresh.GetBoxAddress(), "1.2.3.4");
  EXPECT_EQ(fresh.GetDeviceName(), "Exstreamer @ 1.2.3.4");

  zone = MakeZone();
  // The simulated box answers the greeting with its volume level 10.
  EXPECT_TRUE(PumpUntil([&] { return zone->GetVolume() == 50; }, 10s));
  zone->SetVolume(35);
  ASSERT_TRUE(WaitForCommand("v=7"));
  EXPECT_TRUE(PumpUntil([&] { return zone->GetVolume() == 35; }, 10s));
}

TEST_F(BoxZoneTest, VolumeChangesSendTheBoxsLevels) {
  zone = MakeZone();
  struct Case {
    int set;
    int stored;
    const char* command;
  } cases[] = {{4, 4, "v=0"}, {100, 100, "v=20"}, {250, 100, "v=20"}, {-5, 0, "v=0"}, {62, 62, "v=12"}};
  for (const Case& c : cases) {
    zone->SetVolume(c.set);
    EXPECT_EQ(zone->GetVolume(), c.stored) << c.set;
    EXPECT_TRUE(WaitForCommand(c.command)) << c.set;
  }
  zone->SetVolume(97);
  EXPECT_EQ(zone->AdjustVolume(5), 100);
  EXPECT_EQ(events.Values("volume").back(), 100);
}

TEST_F(BoxZoneTest, PausePlayAndStopOnAStoppedZone) {
  zone = MakeZone();
  EXPECT_EQ(zone->Stop(), 0);  // stopped already: nothing is sent
  EXPECT_EQ(zone->SeekPercent(50.0), 0);
  EXPECT_EQ(zone->Pause(), 0);
  EXPECT_EQ(zone->GetState(), PLAYER_PAUSED);
  ASSERT_TRUE(WaitForCommand("c=39"));
  EXPECT_EQ(zone->Play(), 0);
  EXPECT_EQ(zone->GetState(), PLAYER_PLAYING);
  ASSERT_TRUE(WaitForCommand("c=1"));
  EXPECT_FALSE(HasCommand(*box, "c=2"));
  // Playing without a song: no division by zero, no song to rewind.
  EXPECT_EQ(zone->GetPositionMs(), 0);
  EXPECT_EQ(zone->GetPositionPercent(), 0);
  EXPECT_EQ(zone->Rewind(), -1);
}

TEST_F(BoxZoneTest, PlayNextAndStopThroughTheQueue) {
  zone = MakeZone();
  QueueSongs(*zone);
  ASSERT_EQ(zone->PlayIndex(0), 0);
  EXPECT_EQ(zone->GetState(), PLAYER_PLAYING);
  EXPECT_EQ(zone->GetCurrentSongId(), 1);
  EXPECT_EQ(zone->GetFileTypeText(), "UNMANAGED MP3 128kbs");
  EXPECT_EQ(zone->GetLengthText(), "00:06");
  ASSERT_TRUE(PumpUntil([&] { return box->Stat("received") > 30000; }, 10s));
  zone->Next();
  EXPECT_EQ(zone->GetCurrentSongId(), 2);
  EXPECT_EQ(zone->GetCurrentIndex(), 1);
  ASSERT_TRUE(WaitForCommand("c=2"));
  EXPECT_EQ(events.Values("song"), (std::vector<long>{1, 2}));
  EXPECT_TRUE(PumpUntil([&] { return box->Stat("audio_connections") >= 2; }, 10s));
  EXPECT_EQ(zone->Stop(), 0);
  EXPECT_TRUE(PumpUntil([&] { return zone->GetState() == PLAYER_STOPPED; }, 10s));
  EXPECT_EQ(zone->GetCurrentSong(), nullptr);
}

TEST_F(BoxZoneTest, WithRepeatNextOnlyStartsTheSongAgain) {
  zone = MakeZone();
  QueueSongs(*zone);
  zone->SetRepeat(true);
  ASSERT_EQ(zone->PlayIndex(0), 0);
  ASSERT_TRUE(PumpUntil([&] { return box->Stat("received") > 30000; }, 10s));
  zone->Next();
  EXPECT_EQ(zone->GetCurrentSongId(), 1);
  ASSERT_TRUE(PumpUntil([&] { return box->Stat("audio_connections") >= 2; }, 10s));
  // A Play after the rewind would go out at once, ahead of the c=66 that the new connection brings.
  ASSERT_TRUE(PumpUntil(
      [&] {
        const std::vector<std::string> commands = box->Commands();
        return std::count(commands.begin(), commands.end(), "c=66") >= 2;
      },
      10s));
  EXPECT_FALSE(HasCommand(*box, "c=1")) << "a Play after the rewind";
  EXPECT_EQ(events.Values("song"), (std::vector<long>{1, 1}));
}

TEST_F(BoxZoneTest, PauseAndStopOnAnUnreachableBoxEndStopped) {
  zone = MakeZone(/*withBox=*/false);
  QueueSongs(*zone);
  zone->PlayIndex(0);
  zone->Pause();
  zone->Stop();
  EXPECT_TRUE(PumpUntil([&] { return zone->GetState() == PLAYER_STOPPED; }, 10s));
  // The threads still take requests: a later connect is not swallowed.
  EXPECT_TRUE(PumpUntil([&] { return zone->BoxEngine().AudioThread()->GetThreadState() == TCP_THREAD_IDLE; }, 10s));
}

TEST_F(BoxZoneTest, ShutdownWaitsForBothThreadsAndTellsTheMainWindowOnce) {
  zone = MakeZone();
  QueueSongs(*zone);
  ASSERT_EQ(zone->PlayIndex(0), 0);
  ASSERT_TRUE(PumpUntil([&] { return box->Stat("received") > 0; }, 10s));
  EXPECT_TRUE(zone->Shutdown(&main));
  EXPECT_TRUE(PumpUntil([&] { return zone->GetSafeHwnd() == nullptr; }, 10s));
  // The window is gone: a second notice could only still be on the queue.
  ASSERT_TRUE(SettlePostedMessages());
  EXPECT_EQ(main.Count(WM_PLAYER_DESTROYED), 1);
  EXPECT_EQ(services.CountLines(" is exiting."), 2);
}

TEST_F(BoxZoneTest, TwoBoxZonesAndALocalZoneWhenOneBoxDies) {
  BoxOptions options;
  options.byteRate = 32000;
  options.buffer = 65536;
  zone = MakeZone(true, options);
  TempFolder otherFolder;
  std::string otherAddress = NextBoxAddress();
  BoxSimulator otherBox(otherAddress, otherFolder.Path(), options);
  ASSERT_TRUE(otherBox.Running());
  CXSStreamWindow other;
  other.SetStreamNumber(1);
  other.SetDeviceName(("__XS:" + otherAddress).c_str());
  other.BoxEngine().SetPorts(static_cast<WORD>(otherBox.ControlPort()), static_cast<WORD>(otherBox.AudioPort()));
  ASSERT_TRUE(other.CreateEx(0, AfxRegisterWndClass(0), "Zone 2 [box]", WS_CHILD, 0, 0, 400, 300, main.GetSafeHwnd(),
                             nullptr));
  ScriptedEngine local;
  ASSERT_TRUE(local.CreateZone(&main));
  local.SetStreamNumber(2);

  QueueSongs(*zone);
  QueueSongs(other);
  local.AppendSong(SongForFile(7, TheSongs().a).release());
  ASSERT_EQ(zone->PlayIndex(0), 0);
  ASSERT_EQ(other.PlayIndex(0), 0);
  ASSERT_EQ(local.PlayIndex(0), 0);
  ASSERT_TRUE(PumpUntil([&] { return box->Stat("received") > 20000; }, 10s));
  box->Kill();
  EXPECT_TRUE(PumpUntil([&] { return zone->GetState() == PLAYER_STOPPED; }, 10s));
  long before = otherBox.Stat("played");
  EXPECT_TRUE(PumpUntil([&] { return otherBox.Stat("played") > before + 64000; }, 15s));
  EXPECT_EQ(other.GetState(), PLAYER_PLAYING);
  EXPECT_EQ(local.GetState(), PLAYER_PLAYING);
  EXPECT_EQ(otherBox.Stat("underruns"), 0);
  other.DestroyWindow();
}

TEST_F(BoxZoneTest, AGaplessChangeOverAnnouncesTheNewSong) {
  BoxOptions options;
  options.byteRate = 16000 * 16;
  zone = MakeZone(true, options);
  QueueSongs(*zone);
  ASSERT_EQ(zone->PlayIndex(0), 0);
  ASSERT_TRUE(PumpUntil([&] { return zone->GetCurrentSongId() == 2; }, 20s)) << services.CountLines("");
  EXPECT_EQ(zone->GetCurrentIndex(), 1);
  EXPECT_EQ(zone->GetState(), PLAYER_PLAYING);
  // The command is on its way to the box when the zone has changed over.
  EXPECT_TRUE(WaitForCommand("c=46&c=66"));
  EXPECT_FALSE(HasCommand(*box, "c=2")) << "the change-over must not stop the box";
  // Remote controllers hear of the second song when it becomes current, as of the first.
  const std::vector<long> songs = events.Values("song");
  ASSERT_GE(songs.size(), 2u);
  EXPECT_EQ(std::vector<long>(songs.begin(), songs.begin() + 2), (std::vector<long>{1, 2}));
}

TEST_F(BoxZoneTest, NextAgainAndAgainAlwaysStartsTheNewSongOnTheBox) {
  BoxOptions options;
  options.byteRate = 16000 * 4;
  zone = MakeZone(true, options);
  QueueSongs(*zone);
  zone->AppendSong(SongForFile(3, TheSongs().a).release());
  ASSERT_EQ(zone->PlayIndex(0), 0);
  ASSERT_TRUE(PumpUntil([&] { return box->Stat("received") > 0; }, 10s));
  for (int round = 0; round < 40; ++round) {
    const long connections = box->Stat("audio_connections");
    zone->Next();
    // Next at every moment of the change: at once, while the old connection closes, while the new
    // one comes up, and once the new song's data flows.
    switch (round % 4) {
      case 0: break;
      case 1: PumpFor(std::chrono::milliseconds(round % 7)); break;
      case 2:
        ASSERT_TRUE(PumpUntil([&] { return box->Stat("audio_connections") > connections; }, 10s)) << round;
        break;
      default: {
        const long received = box->Stat("received");
        ASSERT_TRUE(PumpUntil([&] { return box->Stat("received") > received; }, 10s)) << round;
      }
    }
  }
  // The last change ends with the box told to start and fed the new song.
  ASSERT_TRUE(PumpUntil(
      [&] {
        const std::vector<std::string> commands = box->Commands();
        const auto stop = std::find(commands.rbegin(), commands.rend(), "c=2");
        const auto start = std::find(commands.rbegin(), commands.rend(), "c=66");
        return start < stop;
      },
      10s))
      << "the box got c=2 and no c=66 after it";
  const long received = box->Stat("received");
  EXPECT_TRUE(PumpUntil([&] { return box->Stat("received") > received + 32767; }, 10s));
  EXPECT_EQ(zone->GetState(), PLAYER_PLAYING);
  EXPECT_TRUE(box->Stat("playing") == 1);
}

// The audio data of a song file as the box must receive it: from the data offset to the end.
std::string AudioData(const std::string& path) {
  auto song = SongForFile(1, path);
  song->ReadMediaInfo();
  return ReadFileBytes(path, song->DataOffset);
}

// What the box received on its newest audio connection, from the log's last accept on.
std::string LastStreamBytes(BoxSimulator& box, const std::string& folder) {
  long accepted = -1;
  std::ifstream log(folder + "/commands.log");
  for (std::string line; std::getline(log, line);)
    if (line.rfind("# accept offset=", 0) == 0) accepted = std::stol(line.substr(16));
  const std::string captured = ReadFileBytes(box.CapturePath());
  return accepted < 0 || static_cast<size_t>(accepted) > captured.size() ? std::string() : captured.substr(static_cast<size_t>(accepted));
}

TEST_F(BoxZoneTest, NextPastASongWhoseFileIsGoneStartsTheSongAfterItOnTheBox) {
  BoxOptions options;
  options.byteRate = 16000 * 2;  // the playing song is still playing when Next comes
  zone = MakeZone(true, options);
  QueueSongs(*zone);
  zone->AppendSong(SongForFile(3, boxFolder.Path() + "/gone.mp3").release());
  zone->AppendSong(SongForFile(4, TheSongs().a).release());
  ASSERT_EQ(zone->PlayIndex(1), 0);
  ASSERT_TRUE(PumpUntil([&] { return box->Stat("received") > 30000; }, 10s));
  // The song after the playing one cannot be read: the one after it plays, on a new stream the box is
  // told to start after its stop.
  zone->Next();
  EXPECT_EQ(zone->GetCurrentSongId(), 4);
  EXPECT_EQ(zone->GetCurrentIndex(), 3);
  ASSERT_TRUE(PumpUntil(
      [&] {
        const std::vector<std::string> commands = box->Commands();
        const auto stop = std::find(commands.begin(), commands.end(), "c=2");
        return stop != commands.end() && std::find(stop, commands.end(), "c=66") != commands.end() &&
               box->Stat("audio_connections") >= 2;
      },
      10s))
      << ::testing::PrintToString(box->Commands());
  const std::string songA = AudioData(TheSongs().a);
  ASSERT_TRUE(PumpUntil([&] { return LastStreamBytes(*box, boxFolder.Path()).size() >= 40000; }, 10s))
      << "state " << zone->GetState() << " " << ::testing::PrintToString(box->Commands()) << services.CountLines("");
  EXPECT_TRUE(LastStreamBytes(*box, boxFolder.Path()).substr(0, 40000) == songA.substr(0, 40000))
      << "the box was not fed the song after the one that is gone";
  EXPECT_EQ(zone->GetState(), PLAYER_PLAYING);
  const std::vector<std::string> commands = box->Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "c=2"), 1);
  // On a loaded machine song 4 may already have played out and the queue gone on: the changes up to it count.
  const std::vector<long> songs = events.Values("song");
  ASSERT_GE(songs.size(), 2u);
  EXPECT_EQ(std::vector<long>(songs.begin(), songs.begin() + 2), (std::vector<long>{2, 4}));
}

TEST_F(BoxZoneTest, TheEndOfTheSongBeforeNeverTakesTheNewSongsPlace) {
  BoxOptions options;
  options.byteRate = 16000 * 2;
  zone = MakeZone(true, options);
  // A song whose whole data goes out in its first block: its end is announced at once.
  const std::string tiny = MakeMp3(boxFolder.Path(), "tiny", 1.0, 880);
  ASSERT_FALSE(tiny.empty());
  zone->AppendSong(SongForFile(5, tiny).release());
  QueueSongs(*zone);  // songs 1 (a) and 2 (b) behind it
  ASSERT_TRUE(PumpUntil([&] { return box->Stat("audio_connections") >= 1; }, 10s));
  ASSERT_TRUE(PumpUntil([&] { return zone->BoxEngine().AudioThread()->GetState() == TCP_CONNECTED; }, 10s));
  ASSERT_EQ(zone->PlayIndex(0), 0);
  // The next song starts before the end of the first one has been handled.
  zone->Next();
  ASSERT_EQ(zone->GetCurrentIndex(), 1);
  const std::string songA = AudioData(TheSongs().a);
  ASSERT_TRUE(PumpUntil([&] { return box->Stat("audio_connections") >= 2 && LastStreamBytes(*box, boxFolder.Path()).size() >= 40000; }, 10s))
      << ::testing::PrintToString(box->Commands());
  EXPECT_TRUE(LastStreamBytes(*box, boxFolder.Path()).substr(0, 40000) == songA.substr(0, 40000))
      << "the box was not fed the song the zone shows";
  EXPECT_EQ(zone->GetCurrentIndex(), 1);
}

TEST_F(BoxZoneTest, AQueueClearedBehindThePreparedSongLeavesTheWindowItsOwnCopy) {
  BoxOptions options;
  options.byteRate = 16000 * 8;
  zone = MakeZone(true, options);
  QueueSongs(*zone);
  ASSERT_EQ(zone->PlayIndex(0), 0);
  ASSERT_TRUE(PumpUntil([&] { return zone->BoxEngine().HasPreparedSong(); }, 20s));
  zone->ClearCurrentPlaylist(false);
  zone->AppendSong(SongForFile(3, TheSongs().a).release());
  ASSERT_EQ(zone->GetSongCount(), 1);
  // The box plays the prepared song in its turn; the queue no longer holds it, so the window makes
  // the engine's copy current.
  ASSERT_TRUE(PumpUntil([&] { return zone->GetCurrentSongId() == 2; }, 20s));
  const tSong* current = zone->GetCurrentSong();
  ASSERT_NE(current, nullptr);
  EXPECT_NE(current, zone->GetQueuedSong(0));
  EXPECT_EQ(current->SongID, 2);
  EXPECT_EQ(CString(current->MediaPath), CString(TheSongs().b.c_str()));
  EXPECT_EQ(zone->GetState(), PLAYER_PLAYING);
  EXPECT_FALSE(zone->GetSongInfoXml().IsEmpty());
  // The songs already on their way (the old queue's, up to four) play out from their copies, then the
  // new queue's song follows; each change was announced.
  ASSERT_TRUE(PumpUntil([&] { return zone->GetCurrentSongId() == 3; }, 30s));
  EXPECT_EQ(zone->GetCurrentSong(), zone->GetQueuedSong(0));
  const std::vector<long> announced = events.Values("song");
  ASSERT_GE(announced.size(), 3u);
  EXPECT_EQ(announced.front(), 1);
  EXPECT_EQ(announced[1], 2);
  EXPECT_EQ(announced.back(), 3);
  EXPECT_LE(announced.size(), 2u + CXSBoxEngine::kMaxPreparedSongs);
  for (size_t i = 1; i + 1 < announced.size(); ++i) EXPECT_TRUE(announced[i] == 1 || announced[i] == 2) << i;
}

}  // namespace
