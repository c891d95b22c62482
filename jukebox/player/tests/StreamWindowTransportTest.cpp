// The local engine's transport, volume and graph events on real graphs.
#include <cmath>

#include "jukebox/player/tests/StreamWindowFixture.h"

namespace jukebox::player_testing {
namespace {

using Transport = StreamWindowTest;

TEST_F(Transport, WithoutASongNothingHappens) {
  EXPECT_EQ(-3, zone->Pause());
  EXPECT_EQ(-3, zone->Play());
  EXPECT_EQ(PLAYER_STOPPED, zone->GetState());
  EXPECT_EQ(0, zone->GetPositionMs());
  EXPECT_EQ(0, zone->GetPositionPercent());
  EXPECT_EQ(0, zone->SeekPercent(50));
  EXPECT_EQ(-3, zone->PlayPause());
  EXPECT_EQ(0, zone->Stop());
  EXPECT_EQ("00:00", CStreamWindow::FormatTimeText(0, 0, 0).str());
  EXPECT_EQ("03:05", CStreamWindow::FormatTimeText(1850000000LL, 0, 3000000000LL).str());
  EXPECT_EQ("100:00", CStreamWindow::FormatTimeText(60000000000LL, 0, 60000000000LL).str());
}

TEST_F(Transport, PlayPauseSeekAndStop) {
  SKIP_WITHOUT_TOOLS("sox");
  setenv("QH_CLOCK_RATE", "1", 1);  // real time: the song must still be playing while we act
  ASSERT_TRUE(Tone("long.wav", "-r 44100 -c 2 -b 16", 30));
  auto song = Song(7, ' ', "long.wav");
  ASSERT_EQ(0, zone->PlaySong(song.get()));
  EXPECT_EQ(7, zone->GetCurrentSongId());
  EXPECT_EQ("00:30", zone->GetLengthText().str());
  EXPECT_EQ(std::vector<long>{7}, events.Values("song"));
  EXPECT_EQ(0, zone->PlayPause());
  EXPECT_EQ(PLAYER_PAUSED, zone->GetState());
  // Seeking a paused song keeps it paused; 50 % is the middle of the song.
  EXPECT_EQ(0, zone->SeekPercent(50));
  EXPECT_EQ(PLAYER_PAUSED, zone->GetState());
  EXPECT_NEAR(15000, zone->GetPositionMs(), 100);
  // Nothing plays while paused: a second zone on the same clock plays on meanwhile, and once it has
  // played well past the tolerance the paused song has not moved.
  qh::media::RegisterWaveFileRenderer("Witness", Host("witness.wav"));
  app.zoneDevices = {"Capture", "Witness"};
  CStreamWindow witness;
  witness.SetStreamNumber(1);
  ASSERT_TRUE(witness.CreateEx(0, AfxRegisterWndClass(0), "Zone 2 [Witness]", WS_CHILD, 0, 0, 400, 300,
                               mainWindow->GetSafeHwnd(), nullptr));
  auto other = Song(8, ' ', "long.wav");
  ASSERT_EQ(0, witness.PlaySong(other.get()));
  ASSERT_TRUE(PumpUntil([&] { return witness.GetPositionMs() >= 400; }, std::chrono::seconds(20)));
  EXPECT_NEAR(15000, zone->GetPositionMs(), 100);
  EXPECT_EQ(PLAYER_PAUSED, zone->GetState());
  witness.Stop();
  EXPECT_EQ(50, zone->GetPositionPercent());
  EXPECT_EQ("00:15", zone->GetElapsedText().str());
  EXPECT_EQ(0, zone->PlayPause());
  EXPECT_EQ(PLAYER_PLAYING, zone->GetState());
  // Beyond the end is held at the end.
  EXPECT_EQ(0, zone->SeekPercent(250));
  EXPECT_LE(zone->GetPositionMs(), 30000);
  EXPECT_EQ(0, zone->Rewind());
  EXPECT_LT(zone->GetPositionMs(), 200);
  EXPECT_EQ(0, zone->Stop());
  EXPECT_EQ(PLAYER_STOPPED, zone->GetState());
  EXPECT_FALSE(zone->HasGraph());
  EXPECT_EQ(nullptr, zone->GetCurrentSong());
  const size_t stateEvents = events.Values("state").size();
  EXPECT_EQ(0, zone->Stop());  // the second does nothing
  EXPECT_EQ(stateEvents, events.Values("state").size());
}

TEST_F(Transport, VolumeReachesTheGraphInHundredthsOfADecibel) {
  SKIP_WITHOUT_TOOLS("sox");
  ASSERT_TRUE(Tone("tone.wav", "-r 44100 -c 1 -b 16", 2, "sine 440"));
  auto song = Song(1, ' ', "tone.wav");
  ASSERT_EQ(0, zone->PlaySong(song.get()));
  const std::pair<int, long> table[] = {{100, 0}, {50, -602}, {10, -2000}, {1, -4000}, {0, -10000}, {150, 0}, {-5, -10000}};
  for (const auto& [percent, level] : table) {
    zone->SetVolume(percent);
    EXPECT_EQ(level, zone->GetGraphVolumeLevel()) << percent;
  }
  // Every percent reads back as itself.
  for (int percent = 0; percent <= 100; ++percent) {
    zone->SetVolume(percent);
    EXPECT_EQ(percent, zone->DbToLinear()) << percent;
  }
}

TEST_F(Transport, HalfVolumeHalvesTheRenderedSamples) {
  SKIP_WITHOUT_TOOLS("sox");
  ASSERT_TRUE(Tone("tone.wav", "-r 44100 -c 1 -b 16", 1, "sine 440"));
  auto song = Song(1, ' ', "tone.wav");
  zone->SetVolume(100);
  ASSERT_EQ(0, zone->PlaySong(song.get()));
  ASSERT_TRUE(PlayedToEnd());
  zone->Stop();
  Pcm16 full;
  ASSERT_TRUE(ReadWave16(capture, full));
  std::remove(capture.c_str());
  zone->SetVolume(50);
  ASSERT_EQ(0, zone->PlaySong(song.get()));
  ASSERT_TRUE(PlayedToEnd());
  zone->Stop();
  Pcm16 half;
  ASSERT_TRUE(ReadWave16(capture, half));
  EXPECT_NEAR(0.5, Rms(half.samples, 0, 44100) / Rms(full.samples, 0, 44100), 0.002);
}

TEST_F(Transport, QueuedSongsFollowEachOtherIntoOneCapture) {
  SKIP_WITHOUT_TOOLS("sox");
  ASSERT_TRUE(Tone("a.wav", "-r 44100 -c 2 -b 16", 1));
  ASSERT_TRUE(Tone("b.wav", "-r 44100 -c 2 -b 16", 1.5));
  zone->AppendSong(Song(1, ' ', "a.wav").release());
  zone->AppendSong(Song(2, ' ', "b.wav").release());
  zone->SetVolume(100);
  ASSERT_EQ(0, zone->PlayIndex(0));
  // The queue wraps to the first song again after the second.
  ASSERT_TRUE(PumpUntil([&] { return events.Values("song").size() >= 3; }));
  zone->Stop();
  EXPECT_EQ((std::vector<long>{1, 2, 1}), events.Values("song"));
  Pcm16 out;
  ASSERT_TRUE(ReadWave16(capture, out));
  // Both songs and the start of the wrap, with no silence between them.
  EXPECT_GE(out.Frames(), 44100u * 5 / 2);
  const size_t joint = 44100;  // the first sample of the second song
  EXPECT_GT(Rms(out.samples, (joint - 441) * 2, 882 * 2), 1000.0);
}

TEST_F(Transport, ALockedSongIsRefusedAndTheSongPlayingGoesOn) {
  SKIP_WITHOUT_TOOLS("sox");
  setenv("QH_CLOCK_RATE", "1", 1);
  ASSERT_TRUE(Tone("a.wav", "-r 44100 -c 2 -b 16", 5));
  auto a = Song(1, ' ', "a.wav"), b = Song(2, ' ', "a.wav");
  ASSERT_EQ(0, zone->PlaySong(a.get()));
  app.LockSong(2);
  EXPECT_EQ(-1, zone->PlaySong(b.get()));
  EXPECT_EQ(1, zone->GetCurrentSongId());
  EXPECT_EQ(PLAYER_PLAYING, zone->GetState());
  ASSERT_EQ(1, app.CountLines("The requested song (2) is currently locked by another function"));
  EXPECT_FALSE(app.log.back().shown);
}

TEST_F(Transport, GraphEventsAreDrainedAndLogged) {
  SKIP_WITHOUT_TOOLS("sox");
  setenv("QH_CLOCK_RATE", "1", 1);
  ASSERT_TRUE(Tone("a.wav", "-r 44100 -c 2 -b 16", 30));
  auto song = Song(1, ' ', "a.wav");
  zone->AppendSong(Song(2, ' ', "a.wav").release());
  ASSERT_EQ(0, zone->PlaySong(song.get()));
  IMediaEventSink* sink = nullptr;
  ASSERT_EQ(S_OK, zone->QueryGraphInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)));
  // An error and two still-playing notices, then the unknown ones: each logged on its own line.
  sink->Notify(EC_ERRORABORT, static_cast<LONG_PTR>(0x80004005u), 0);
  sink->Notify(EC_SNDDEV_OUT_ERROR, 3, 2);
  sink->Notify(EC_STREAM_ERROR_STILLPLAYING, 0x10, 0);
  sink->Notify(EC_TIME, 0, 0);
  sink->Notify(99, 0, 0);
  // The notices are posted from this thread: once the queue has settled every one has been drained.
  ASSERT_TRUE(SettlePostedMessages());
  EXPECT_EQ(1, app.CountLines("DirectShow Event: EC_ERRORABORT - HR: 80004005"));
  EXPECT_EQ(1, app.CountLines("DirectShow Event: EC_SNDDEV_OUT_ERROR - Cmd: 3 Code: 2"));
  EXPECT_EQ(1, app.CountLines("DirectShow Event: EC_STREAM_ERROR_STILLPLAYING - HR: 10"));
  EXPECT_EQ(3u, app.log.size());
  EXPECT_EQ(PLAYER_HW_PAUSED, zone->GetState());
  EXPECT_FALSE(zone->IsAdvancePosted());  // errors leave the advance to the zone window
  // The end of a song and a user abort in one drain ask for one next song.
  sink->Notify(EC_COMPLETE, 0, 0);
  sink->Notify(EC_USERABORT, 0, 0);
  sink->Release();
  ASSERT_TRUE(PumpUntil([&] { return zone->GetCurrentSongId() == 2; }));
  // A second advance would already be on the queue behind the first.
  ASSERT_TRUE(SettlePostedMessages());
  EXPECT_EQ((std::vector<long>{1, 2}), events.Values("song"));
  EXPECT_EQ(2, zone->GetCurrentSongId());
}

}  // namespace
}  // namespace jukebox::player_testing
