// Devices and files that fail: the zone logs, moves on and never hangs.
#include <filesystem>
#include <fstream>

#include "jukebox/player/tests/StreamWindowFixture.h"

namespace jukebox::player_testing {
namespace {

using Faults = StreamWindowTest;

TEST_F(Faults, NoRendererIsAFailureNotAStartedSong) {
  SKIP_WITHOUT_TOOLS("sox");
  ASSERT_TRUE(Tone("a.wav", "-r 44100 -c 2 -b 16", 1));
  app.zoneDevices = {"No Such Device"};
  auto song = Song(1, ' ', "a.wav");
  EXPECT_EQ(-1, zone->PlaySong(song.get()));
  EXPECT_EQ(PLAYER_STOPPED, zone->GetState());
  EXPECT_FALSE(zone->HasGraph());
  EXPECT_EQ(1, app.CountLines("No sound device of stream 1 [Capture] could be opened."));
  // An empty device set says so.
  zone->SetStateMap({});
  EXPECT_EQ(-1, zone->PlaySong(song.get()));
  EXPECT_EQ(1, app.CountLines("There is no playback device for this stream."));
}

TEST_F(Faults, TheNullDeviceAndSeveralDevicesPlayTogether) {
  SKIP_WITHOUT_TOOLS("sox");
  ASSERT_TRUE(Tone("a.wav", "-r 44100 -c 2 -b 16", 1));
  const std::string second = Host("second.wav");
  qh::media::RegisterWaveFileRenderer("Second", second);
  app.zoneDevices = {"Capture", "Null Audio Device", "Second", "capture"};  // names match exactly
  zone->SetStateMap({0, 1, 2, 3});
  auto song = Song(1, ' ', "a.wav");
  ASSERT_EQ(0, zone->PlaySong(song.get()));
  EXPECT_EQ(3, zone->CountRenderers());
  ASSERT_TRUE(PlayedToEnd());
  zone->Stop();
  Pcm16 one, two;
  ASSERT_TRUE(ReadWave16(capture, one));
  ASSERT_TRUE(ReadWave16(second, two));
  EXPECT_EQ(one.samples, two.samples);
  EXPECT_EQ(44100u, one.Frames());
}

TEST_F(Faults, ARendererThatCannotOpenStopsTheSongWithALogLine) {
  SKIP_WITHOUT_TOOLS("sox");
  ASSERT_TRUE(Tone("a.wav", "-r 44100 -c 2 -b 16", 1));
  qh::media::RegisterWaveFileRenderer("Capture", music + "/missing/folder/out.wav");
  auto song = Song(1, ' ', "a.wav");
  ASSERT_EQ(0, zone->PlaySong(song.get()));
  ASSERT_TRUE(PumpUntil([&] { return zone->GetState() == PLAYER_HW_PAUSED; }, std::chrono::seconds(5)));
  EXPECT_EQ(1, app.CountLines("DirectShow Event: EC_SNDDEV_OUT_ERROR - Cmd: 1 Code: -2147024894"));
}

TEST_F(Faults, DamagedAndVanishingFilesEndTheirSongs) {
  SKIP_WITHOUT_TOOLS("sox", "lame");
  ASSERT_TRUE(Tone("tone.wav", "-r 44100 -c 2 -b 16", 4));
  ASSERT_TRUE(RunTool("lame --quiet -b 128 " + Q(Host("tone.wav")) + " " + Q(Host("damaged.mp3"))));
  {
    // Garbage in the middle: the decoder finds the next frame and goes on.
    std::fstream file(Host("damaged.mp3"), std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(20000);
    const std::string garbage(3000, '\x5A');
    file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
  }
  auto damaged = Song(1, 'R', "damaged.mp3");
  ASSERT_EQ(0, zone->PlaySong(damaged.get()));
  ASSERT_TRUE(PlayedToEnd());
  zone->Stop();
  Pcm16 out;
  ASSERT_TRUE(ReadWave16(capture, out));
  EXPECT_GT(out.Frames(), 44100u * 3);

  // A file cut short while it plays ends early, and the zone moves on.
  setenv("QH_CLOCK_RATE", "4", 1);
  std::remove(capture.c_str());
  ASSERT_TRUE(Tone("cut.wav", "-r 44100 -c 2 -b 16", 4));
  auto cut = Song(2, ' ', "cut.wav");
  ASSERT_EQ(0, zone->PlaySong(cut.get()));
  ASSERT_TRUE(PumpUntil([&] { return zone->GetPositionMs() > 0; }, std::chrono::seconds(10)));
  std::filesystem::resize_file(Host("cut.wav"), 44 + 44100 * 4);  // one second of sound remains
  ASSERT_TRUE(PlayedToEnd(std::chrono::seconds(10)));
  zone->Stop();
  // The song ended where its file did, not after the four seconds it had when it started.
  Pcm16 shortened;
  ASSERT_TRUE(ReadWave16(capture, shortened));
  EXPECT_GT(shortened.Frames(), 0u);
  EXPECT_LE(shortened.Frames(), 44100u + 4410u);
  // A file deleted before its turn fails to start and the queue gives up without hanging.
  std::filesystem::remove(Host("cut.wav"));
  zone->AppendSong(Song(3, ' ', "cut.wav").release());
  const int giveUps = app.CountLines("All songs in the current playlist");
  zone->Next();
  EXPECT_EQ(giveUps + 1, app.CountLines("All songs in the current playlist"));
}

TEST_F(Faults, AMissingSongLeavesTheSongPlayingAlone) {
  SKIP_WITHOUT_TOOLS("sox");
  ASSERT_TRUE(Tone("long.wav", "-r 44100 -c 2 -b 16", 120));
  auto playing = Song(1, ' ', "long.wav");
  ASSERT_EQ(0, zone->PlaySong(playing.get()));
  const std::string typeText = zone->GetFileTypeText().GetString();
  auto missing = Song(2, ' ', "missing.wav");
  EXPECT_EQ(-1, zone->PlaySong(missing.get()));
  EXPECT_EQ(PLAYER_PLAYING, zone->GetState());
  EXPECT_TRUE(zone->HasGraph());
  EXPECT_EQ(1, zone->GetCurrentSongId());
  EXPECT_EQ(typeText, zone->GetFileTypeText().GetString());
  EXPECT_EQ(1, app.CountLines("Song 2"));
  // The first song still runs to its end in the capture.
  ASSERT_TRUE(PlayedToEnd());
  zone->Stop();
  Pcm16 out;
  ASSERT_TRUE(ReadWave16(capture, out));
  EXPECT_EQ(44100u * 120, out.Frames());
}

TEST_F(Faults, ASongThatOpensButCannotBeDecodedLeavesTheSongPlaying) {
  SKIP_WITHOUT_TOOLS("sox", "lame");
  ASSERT_TRUE(Tone("long.wav", "-r 8000 -c 1 -b 16", 300));
  ASSERT_TRUE(Tone("good.wav", "-r 8000 -c 1 -b 16", 1, "sine 550"));
  // An MP3 made by lame whose audio frames are all overwritten: only the leading information frame
  // (417 bytes at 128 kbit/s and 44.1 kHz) is left, so the file still looks like an MP3 at its start.
  ASSERT_TRUE(Tone("tone.wav", "-r 44100 -c 2 -b 16", 3));
  ASSERT_TRUE(RunTool("lame --quiet -b 128 " + Q(Host("tone.wav")) + " " + Q(Host("overwritten.mp3"))));
  const auto size = std::filesystem::file_size(Host("overwritten.mp3"));
  ASSERT_GT(size, 20000u);
  {
    std::fstream file(Host("overwritten.mp3"), std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(417);
    const std::string zeros(size - 417, '\0');
    file.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
  }
  std::ofstream(Host("text.mp3"), std::ios::binary) << "This is a note, not a song.\n";
  // A WAVE header whose format chunk is garbage.
  std::ofstream(Host("broken.wav"), std::ios::binary) << std::string("RIFF\x24\x10\0\0WAVEfmt ", 16) << std::string(4000, '\x5A');
  struct Case {
    LONG id;
    char code;
    const char* file;
  } cases[] = {{2, 'R', "overwritten.mp3"}, {3, '3', "overwritten.mp3"}, {4, 'R', "text.mp3"}, {5, ' ', "broken.wav"}};

  auto playing = Song(1, ' ', "long.wav");
  ASSERT_EQ(0, zone->PlaySong(playing.get()));
  const std::string typeText = zone->GetFileTypeText().GetString();
  for (const Case& c : cases) {
    auto bad = Song(c.id, c.code, c.file);
    EXPECT_EQ(-1, zone->PlaySong(bad.get())) << c.file;
    EXPECT_EQ(PLAYER_PLAYING, zone->GetState()) << c.file;
    EXPECT_TRUE(zone->HasGraph()) << c.file;
    EXPECT_EQ(1, zone->GetCurrentSongId()) << c.file;
    EXPECT_EQ(typeText, zone->GetFileTypeText().GetString()) << c.file;
    EXPECT_EQ(1, app.CountLines("Song " + std::to_string(c.id))) << c.file;
  }
  // Next to a playing song in the queue: the damaged song is passed over for the one after it, and
  // only songs that really started are announced.
  zone->AppendSong(Song(1, ' ', "long.wav").release());
  zone->AppendSong(Song(6, 'R', "overwritten.mp3").release());
  zone->AppendSong(Song(7, ' ', "good.wav").release());
  ASSERT_EQ(0, zone->PlayIndex(0));
  zone->Next();
  EXPECT_EQ(7, zone->GetCurrentSongId());
  EXPECT_EQ(2, zone->GetCurrentIndex());
  EXPECT_EQ(PLAYER_PLAYING, zone->GetState());
  EXPECT_EQ((std::vector<long>{1, 1, 7}), events.Values("song"));
}

TEST_F(Faults, TheLongSongPlaysToItsEndPastEveryUndecodableSong) {
  SKIP_WITHOUT_TOOLS("sox");
  ASSERT_TRUE(Tone("long.wav", "-r 8000 -c 1 -b 16", 200));
  std::ofstream(Host("text.mp3"), std::ios::binary) << "This is a note, not a song.\n";
  auto playing = Song(1, ' ', "long.wav");
  ASSERT_EQ(0, zone->PlaySong(playing.get()));
  auto bad = Song(2, 'R', "text.mp3");
  EXPECT_EQ(-1, zone->PlaySong(bad.get()));
  // The song was never stopped or started again: every frame of it reaches the capture once.
  ASSERT_TRUE(PlayedToEnd(std::chrono::seconds(30)));
  zone->Stop();
  Pcm16 out;
  ASSERT_TRUE(ReadWave16(capture, out));
  EXPECT_EQ(8000u * 200, out.Frames());
}

TEST_F(Faults, ShuffleGoesOnPastMissingAndDamagedSongs) {
  SKIP_WITHOUT_TOOLS("sox");
  ASSERT_TRUE(Tone("a.wav", "-r 44100 -c 2 -b 16", 1));
  ASSERT_TRUE(Tone("b.wav", "-r 44100 -c 2 -b 16", 1, "sine 550"));
  std::ofstream(Host("damaged.mp3"), std::ios::binary) << std::string(5000, '\x5A');
  zone->AppendSong(Song(1, ' ', "a.wav").release());
  zone->AppendSong(Song(2, ' ', "b.wav").release());
  zone->AppendSong(Song(3, ' ', "missing.wav").release());
  zone->AppendSong(Song(4, 'R', "damaged.mp3").release());
  zone->SetShuffle(true);
  ASSERT_EQ(0, zone->PlayIndex(0));
  // Every song that ends brings the next; twelve changes take the shuffle through several rounds.
  ASSERT_TRUE(PumpUntil([&] { return events.Values("song").size() >= 12; }, std::chrono::seconds(30)))
      << "the zone stopped after " << events.Values("song").size() << " songs";
  for (long id : events.Values("song")) EXPECT_TRUE(id == 1 || id == 2) << id;
  EXPECT_EQ(0, app.CountLines("All songs in the current playlist"));
}

}  // namespace
}  // namespace jukebox::player_testing
