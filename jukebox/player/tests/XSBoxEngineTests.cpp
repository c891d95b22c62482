// The box engine against the simulated box (fake_box.py): songs arrive complete, in order and without
// a gap, the box's replies are read, and a box that refuses, closes, stalls or dies is survived.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "jukebox/player/tests/BoxTestSupport.h"

namespace {

// The songs every test uses, made once with sox and lame.
struct Songs {
  TempFolder folder;
  std::string a, b, c;
  Songs() {
    a = MakeMp3(folder.Path(), "a", 6.0, 440);
    b = MakeMp3(folder.Path(), "b", 4.0, 660);
    c = MakeMp3(folder.Path(), "c", 5.0, 880);
  }
};

Songs& TheSongs() {
  static Songs songs;
  return songs;
}

// The audio data of a song file as the box must receive it: from the data offset to the end.
std::string AudioData(const std::string& path) {
  auto song = SongForFile(1, path);
  song->ReadMediaInfo();
  return ReadFileBytes(path, song->DataOffset);
}

// The command log is written as the box reads; a change-over seen by the zone may still be on its way.
bool WaitUntilCounts(BoxSimulator& box, size_t count) {
  for (int i = 0; i < 200; ++i) {
    if (box.CountsAtCommand("c=46&c=66").size() >= count) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return false;
}

class BoxEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(TheSongs().a.empty()) << "sox and lame must make the test songs";
    address = NextBoxAddress();
  }
  std::unique_ptr<BoxSimulator> StartBox(const BoxOptions& options = BoxOptions(), int controlPort = 0,
                                         int audioPort = 0) {
    auto box = std::make_unique<BoxSimulator>(address, boxFolder.Path(), options, controlPort, audioPort);
    EXPECT_TRUE(box->Running());
    return box;
  }
  std::unique_ptr<TestBoxZone> MakeZone(const BoxSimulator& box) {
    return std::make_unique<TestBoxZone>(gui, address, box.ControlPort(), box.AudioPort());
  }
  void Queue(TestBoxZone& zone, const std::vector<std::pair<LONG, std::string>>& songs) {
    zone.Run([&] {
      for (const auto& [id, path] : songs) zone.AddSong(SongForFile(id, path));
    });
  }

  RecordingServices services;
  GuiThread gui;
  TempFolder boxFolder;
  std::string address;
};

TEST_F(BoxEngineTest, AQueueOfThreeSongsArrivesCompleteInOrderWithTheNextPreparedInTime) {
  BoxOptions options;
  // Four times real time with a second of buffer: smaller than any song, so each song's bytes must
  // follow the one before while it plays.
  options.byteRate = 16000 * 4;
  options.buffer = 65536;
  auto box = StartBox(options);
  auto zone = MakeZone(*box);
  Queue(*zone, {{1, TheSongs().a}, {2, TheSongs().b}, {3, TheSongs().c}});
  ASSERT_EQ(zone->Get<int>([&] { return zone->PlayIndex(0); }), 0);

  const std::string expected = AudioData(TheSongs().a) + AudioData(TheSongs().b) + AudioData(TheSongs().c);
  ASSERT_TRUE(zone->WaitFor([&] { return zone->m_promoted.size() >= 2; }, 60000)) << services.Describe();
  ASSERT_TRUE(box->WaitForStat("received", [&](long n) { return n >= static_cast<long>(expected.size()); }, 30000));
  std::string captured = ReadFileBytes(box->CapturePath());
  ASSERT_GE(captured.size(), expected.size());
  EXPECT_TRUE(captured.compare(0, expected.size(), expected) == 0) << "the box got other bytes than the files'";
  EXPECT_EQ(zone->Get<std::vector<LONG>>([&] { return zone->m_started; }), std::vector<LONG>{1});
  std::vector<LONG> promoted = zone->Get<std::vector<LONG>>([&] { return zone->m_promoted; });
  EXPECT_EQ(std::vector<LONG>(promoted.begin(), promoted.begin() + 2), (std::vector<LONG>{2, 3}));
  // The next song's bytes were behind the current one's in time: the box never ran dry.
  EXPECT_EQ(box->Stat("underruns"), 0);

  std::vector<std::string> commands = box->Commands();
  ASSERT_GE(commands.size(), 4u);
  EXPECT_EQ(commands[0], "c=46&L=volume.ack&L=getconfig.ack");
  EXPECT_EQ(commands[1], "c=66");
  EXPECT_EQ(commands[2], "c=46&c=66");
  EXPECT_EQ(commands[3], "c=46&c=66");

  // The stream the box got decodes as MPEG audio without errors.
  std::string stream = boxFolder.Path() + "/three.mp3";
  std::ofstream(stream, std::ios::binary) << expected;
  std::string check = "mpg123 -q -t '" + stream + "' 2> '" + stream + ".err'";
  EXPECT_EQ(std::system(check.c_str()), 0);
  EXPECT_EQ(ReadFileBytes(stream + ".err"), "");
}

TEST_F(BoxEngineTest, ASongStartedWhileTheAudioConnectionIsStillComingUpStartsWhenItIsUp) {
  BoxOptions options;
  options.holdAudioMs = 1500;
  auto box = StartBox(options);
  auto zone = MakeZone(*box);
  Queue(*zone, {{1, TheSongs().b}});
  ASSERT_TRUE(zone->WaitFor([&] { return zone->Engine().AudioThread()->GetState() == TCP_CONNECTING; }, 1000));
  ASSERT_EQ(zone->Get<int>([&] { return zone->PlayIndex(0); }), 0);
  const std::string songB = AudioData(TheSongs().b);
  ASSERT_TRUE(box->WaitForStat("received", [&](long n) { return n >= static_cast<long>(songB.size()); }, 20000))
      << services.Describe();
  EXPECT_EQ(ReadFileBytes(box->CapturePath()).substr(0, songB.size()), songB);
}

TEST_F(BoxEngineTest, VolumeStepsAndTheBoxRepliesEvenSplitAcrossReads) {
  for (bool split : {false, true}) {
    SCOPED_TRACE(split ? "split replies" : "whole replies");
    BoxOptions options;
    options.split = split;
    address = NextBoxAddress();
    auto box = StartBox(options);
    auto zone = MakeZone(*box);
    ASSERT_TRUE(services.WaitForLog("HWTYPE [EXS-SIM], SOFTWAREVERS [2.1.7]", 10000)) << services.Describe();
    EXPECT_TRUE(services.WaitForLog("EXSTREAMER: Identified Exstreamer Remote Module at address " + address, 1000));
    EXPECT_TRUE(services.WaitForLog("SSID [quaverhouse], WLANMODE [managed], WEPMODE [off]", 1000));
    zone->Run([&] { zone->Engine().SendVolume(XSLevelFromVolume(100)); });
    zone->Run([&] { zone->Engine().SendVolume(XSLevelFromVolume(35)); });
    ASSERT_TRUE(box->WaitForCommand("v=7", 10000));
    EXPECT_TRUE(zone->WaitFor([&] { return zone->m_volume == 35; }, 10000));
    std::vector<std::string> commands = box->Commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "v=20"), commands.end());
  }
}

TEST_F(BoxEngineTest, ASongStartedWhileAnotherStreamsStopsTheBoxAndStartsOnAFreshConnection) {
  auto box = StartBox();
  auto zone = MakeZone(*box);
  Queue(*zone, {{1, TheSongs().a}, {2, TheSongs().b}});
  ASSERT_EQ(zone->Get<int>([&] { return zone->PlayIndex(0); }), 0);
  ASSERT_TRUE(box->WaitForStat("received", [](long n) { return n > 40000; }, 20000));
  ASSERT_EQ(zone->Get<int>([&] { return zone->PlayIndex(1); }), 0);
  ASSERT_TRUE(box->WaitForStat("audio_connections", [](long n) { return n >= 2; }, 20000)) << services.Describe();
  const std::string songB = AudioData(TheSongs().b);
  // The log notes how much had arrived when the new connection came: everything after it is the new
  // song (the box no longer hears the old connection).
  long stopOffset = -1;
  std::ifstream log(boxFolder.Path() + "/commands.log");
  for (std::string line; std::getline(log, line);)
    if (line.rfind("# accept offset=", 0) == 0) stopOffset = std::stol(line.substr(16));
  ASSERT_GE(stopOffset, 40000);
  ASSERT_TRUE(box->WaitForStat("received", [&](long n) { return n >= stopOffset + static_cast<long>(songB.size()); },
                               30000))
      << "received " << box->Stat("received") << ", connections " << box->Stat("audio_connections") << ", restart "
      << zone->Get<bool>([&] { return zone->Engine().IsAudioRestart(); }) << ", audio state "
      << zone->Get<LONG>([&] { return zone->Engine().AudioThread()->GetThreadState(); }) << "\n"
      << ReadFileBytes(boxFolder.Path() + "/commands.log") << services.Describe();
  EXPECT_EQ(ReadFileBytes(box->CapturePath()).substr(static_cast<size_t>(stopOffset), songB.size()), songB);
  std::vector<std::string> commands = box->Commands();
  auto stop = std::find(commands.begin(), commands.end(), "c=2");
  ASSERT_NE(stop, commands.end());
  EXPECT_NE(std::find(stop, commands.end(), "c=66"), commands.end()) << "the new stream starts with c=66";
  EXPECT_EQ(zone->Get<std::vector<LONG>>([&] { return zone->m_started; }), (std::vector<LONG>{1, 2}));

  zone->Run([&] { zone->Engine().StopStream(); });
  EXPECT_TRUE(zone->WaitFor([&] { return zone->m_state == "STOPPED"; }, 10000)) << services.Describe();
}

TEST_F(BoxEngineTest, ThePositionFollowsTheBoxsByteReports) {
  BoxOptions options;
  options.byteRate = 16000;  // real time, so the song is still playing when we look
  auto box = StartBox(options);
  auto zone = MakeZone(*box);
  Queue(*zone, {{1, TheSongs().a}});
  EXPECT_EQ(zone->Get<LONGLONG>([&] { return zone->Engine().GetPositionMs(); }), 0);
  ASSERT_EQ(zone->Get<int>([&] { return zone->PlayIndex(0); }), 0);
  ASSERT_TRUE(zone->WaitFor([&] { return zone->Engine().GetBytesPlayed() > 60000; }, 20000)) << services.Describe();
  zone->Run([&] {
    CXSBoxEngine& engine = zone->Engine();
    DWORD bytes = engine.GetBytesPlayed();
    EXPECT_EQ(engine.GetBitRate(), 128000);
    EXPECT_EQ(engine.GetPositionMs(), static_cast<LONGLONG>(bytes / 16000.0 * 1000.0));
    EXPECT_EQ(engine.GetPositionPercent(), static_cast<int>(static_cast<double>(bytes) / engine.GetDataSize() * 100.0));
  });
}

TEST_F(BoxEngineTest, RepeatSendsTheSameSongAgainBehindItselfWithoutStoppingTheBox) {
  auto box = StartBox();
  auto zone = MakeZone(*box);
  Queue(*zone, {{1, TheSongs().b}, {2, TheSongs().c}});
  zone->Run([&] { zone->m_repeat = true; });
  ASSERT_EQ(zone->Get<int>([&] { return zone->PlayIndex(0); }), 0);
  const std::string twice = AudioData(TheSongs().b) + AudioData(TheSongs().b);
  ASSERT_TRUE(box->WaitForStat("received", [&](long n) { return n >= static_cast<long>(twice.size()); }, 30000));
  EXPECT_EQ(ReadFileBytes(box->CapturePath()).substr(0, twice.size()), twice);
  std::vector<std::string> commands = box->Commands();
  EXPECT_EQ(std::find(commands.begin(), commands.end(), "c=2"), commands.end()) << "repeat must not stop the box";
  EXPECT_TRUE(zone->WaitFor([&] { return !zone->m_promoted.empty() && zone->m_promoted[0] == 1; }, 20000));
}

TEST_F(BoxEngineTest, ASongTheBoxCannotPlayIsSkippedWithItsMessage) {
  BoxOptions options;
  options.buffer = 32768;
  auto box = StartBox(options);
  auto zone = MakeZone(*box);
  zone->Run([&] {
    zone->AddSong(SongForFile(1, TheSongs().b));
    zone->AddSong(SongForFile(9, TheSongs().a, ' '));  // a PCM song
    zone->AddSong(SongForFile(3, TheSongs().c));
  });
  ASSERT_EQ(zone->Get<int>([&] { return zone->PlayIndex(0); }), 0);
  ASSERT_TRUE(zone->WaitFor([&] { return !zone->m_promoted.empty(); }, 30000)) << services.Describe();
  EXPECT_EQ(zone->Get<LONG>([&] { return zone->m_promoted[0]; }), 3);
  EXPECT_TRUE(services.Logged(
      "Song 9 is not an mp3 format file and cannot be played by the current version of the Exstreamer.", true));
  const std::string expected = AudioData(TheSongs().b) + AudioData(TheSongs().c);
  ASSERT_TRUE(box->WaitForStat("received", [&](long n) { return n >= static_cast<long>(expected.size()); }, 30000));
  EXPECT_EQ(ReadFileBytes(box->CapturePath()).substr(0, expected.size()), expected);
}

TEST_F(BoxEngineTest, AQueueClearedBehindThePreparedSongLeavesNothingDangling) {
  BoxOptions options;
  options.buffer = 32768;
  options.byteRate = 32000;
  auto box = StartBox(options);
  auto zone = MakeZone(*box);
  Queue(*zone, {{1, TheSongs().b}, {2, TheSongs().c}});
  ASSERT_EQ(zone->Get<int>([&] { return zone->PlayIndex(0); }), 0);
  ASSERT_TRUE(zone->WaitFor([&] { return zone->Engine().HasPreparedSong(); }, 20000));
  zone->Run([&] {
    if (zone->m_current != nullptr) {
      zone->m_kept = *zone->m_current;
      zone->m_current = &zone->m_kept;
    }
    zone->m_queue.clear();  // the records the prepared song came from are freed
  });
  ASSERT_TRUE(zone->WaitFor([&] { return !zone->m_promoted.empty(); }, 30000)) << services.Describe();
  zone->Run([&] {
    ASSERT_NE(zone->m_current, nullptr);
    EXPECT_EQ(zone->m_current, &zone->m_kept);
    EXPECT_EQ(zone->m_current->SongID, 2);
  });
}

// Feeds the engine one read of the control connection, as its thread would.
void FeedReply(CXSBoxEngine& engine, const std::string& text) {
  CTcpReceivedData data;
  data.m_buffer = std::make_unique<char[]>(CTcpReceivedData::kBufferSize);
  std::copy(text.begin(), text.end(), data.m_buffer.get());
  data.m_count = static_cast<LONG>(text.size());
  engine.ParseControlReply(data);
}

TEST_F(BoxEngineTest, ByteReportsPromoteWhenTheBoxsCountPlusTheStartUpBufferReachesTheSize) {
  TestBoxZone zone(gui, address, 1, 1, /*start=*/false);  // no threads: the replies are fed by hand
  zone.Run([&] {
    zone.AddSong(SongForFile(1, TheSongs().a));
    zone.AddSong(SongForFile(2, TheSongs().b));
    zone.AddSong(SongForFile(3, TheSongs().c));
    zone.AddSong(SongForFile(4, TheSongs().a));
    CXSBoxEngine& engine = zone.Engine();
    ASSERT_EQ(zone.PlayIndex(0), 0);
    const DWORD sizeA = engine.GetDataSize();
    for (int index : {1, 2, 3}) ASSERT_EQ(engine.PrepareNextSong(zone.QueueSong(index), index), 0);

    FeedReply(engine, "<BYTE>0</BYTE>");
    EXPECT_EQ(engine.GetBytesPlayed(), 0u);
    FeedReply(engine, "<BYTE>100</BYTE>");
    EXPECT_EQ(engine.GetBytesPlayed(), 60100u);
    // One byte short of the size with the start-up buffer: not yet.
    FeedReply(engine, "<BYTE>" + std::to_string(sizeA - 60000 - 1) + "</BYTE>");
    EXPECT_TRUE(zone.m_promoted.empty());
    // The box's count plus 60000 passes the size (by less than one report's worth).
    FeedReply(engine, "<BYTE>" + std::to_string(sizeA - 60000 + 1500) + "</BYTE>");
    EXPECT_EQ(zone.m_promoted, std::vector<LONG>{2});
    const DWORD sizeB = engine.GetDataSize();
    // A report sent before the box restarted its count must not promote the third song as well.
    FeedReply(engine, "<BYTE>" + std::to_string(sizeA - 60000 + 5000) + "</BYTE>");
    EXPECT_EQ(zone.m_promoted, std::vector<LONG>{2});
    // The box had not played past the first song's end by its own count: nothing is carried, and
    // the second song changes over exactly where its own count plus 60000 reaches its size.
    FeedReply(engine, "<BYTE>0</BYTE>");
    EXPECT_EQ(engine.GetBytesPlayed(), 0u);
    FeedReply(engine, "<BYTE>40</BYTE>");
    EXPECT_EQ(engine.GetBytesPlayed(), 60040u);
    FeedReply(engine, "<BYTE>" + std::to_string(sizeB - 60000 - 1) + "</BYTE>");
    EXPECT_EQ(zone.m_promoted, (std::vector<LONG>{2}));
    FeedReply(engine, "<BYTE>" + std::to_string(sizeB - 60000) + "</BYTE>");
    EXPECT_EQ(zone.m_promoted, (std::vector<LONG>{2, 3}));
    // A box whose own count ran past the end (the change came late) has played that much of the
    // next song: that part, and only that, is carried.
    const DWORD sizeC = engine.GetDataSize();
    FeedReply(engine, "<BYTE>0</BYTE>");
    FeedReply(engine, "<BYTE>" + std::to_string(sizeC + 700) + "</BYTE>");
    EXPECT_EQ(zone.m_promoted, (std::vector<LONG>{2, 3, 4}));
    FeedReply(engine, "<BYTE>0</BYTE>");
    EXPECT_EQ(engine.GetBytesPlayed(), 700u);
    FeedReply(engine, "<BYTE>10</BYTE>");
    EXPECT_EQ(engine.GetBytesPlayed(), 60710u);
    // With nothing prepared a report past the end changes only the count.
    FeedReply(engine, "<BYTE>99999999</BYTE>");
    EXPECT_EQ(zone.m_promoted, (std::vector<LONG>{2, 3, 4}));
    EXPECT_EQ(engine.GetBytesPlayed(), 99999999u + 60000u + 700u);
  });
}

TEST_F(BoxEngineTest, EveryChangeOverComesWhenTheBoxsOwnCountSaysSoNeverEarly) {
  BoxOptions options;
  options.byteRate = 16000 * 8;
  options.reportMs = 30;
  auto box = StartBox(options);
  auto zone = MakeZone(*box);
  // Four songs in order, then the first again: five change-overs, each measured by the box.
  Queue(*zone, {{1, TheSongs().a}, {2, TheSongs().b}, {3, TheSongs().c}, {4, TheSongs().b}, {5, TheSongs().a},
                {6, TheSongs().c}});
  const std::vector<long> sizes{static_cast<long>(AudioData(TheSongs().a).size()),
                                static_cast<long>(AudioData(TheSongs().b).size()),
                                static_cast<long>(AudioData(TheSongs().c).size()),
                                static_cast<long>(AudioData(TheSongs().b).size()),
                                static_cast<long>(AudioData(TheSongs().a).size())};
  ASSERT_EQ(zone->Get<int>([&] { return zone->PlayIndex(0); }), 0);
  ASSERT_TRUE(zone->WaitFor([&] { return zone->m_promoted.size() >= 5; }, 60000)) << services.Describe();
  ASSERT_TRUE(box->WaitForCommand("c=46&c=66", 5000));
  ASSERT_TRUE(WaitUntilCounts(*box, 5));
  const std::vector<long> counts = box->CountsAtCommand("c=46&c=66");
  for (size_t i = 0; i < 5; ++i) {
    // Never before the box's count plus its start-up buffer reaches the song's size...
    EXPECT_GE(counts[i] + 60000, sizes[i]) << "change-over " << i + 1 << " came early";
    // ...and no later than a few reports after (a loaded machine answers late, not wrongly).
    EXPECT_LE(counts[i] + 60000 - sizes[i], 16000 * 8) << "change-over " << i + 1 << " came late";
  }
  EXPECT_EQ(zone->Get<std::vector<LONG>>([&] { return zone->m_promoted; }),
            (std::vector<LONG>{2, 3, 4, 5, 6}));
}

TEST_F(BoxEngineTest, ShuffleGoesOnPastASongTheBoxCannotPlay) {
  BoxOptions options;
  options.byteRate = 16000 * 16;
  auto box = StartBox(options);
  auto zone = MakeZone(*box);
  zone->Run([&] {
    zone->AddSong(SongForFile(1, TheSongs().a));
    zone->AddSong(SongForFile(2, TheSongs().b));
    zone->AddSong(SongForFile(3, TheSongs().c, ' '));  // PCM: the box cannot take it
    zone->m_shuffle = true;
  });
  ASSERT_EQ(zone->Get<int>([&] { return zone->PlayIndex(0); }), 0);
  ASSERT_TRUE(zone->WaitFor([&] { return zone->m_promoted.size() >= 6; }, 60000)) << services.Describe();
  EXPECT_EQ(zone->Get<int>([&] { return zone->m_gaveUp; }), 0);
  for (LONG id : zone->Get<std::vector<LONG>>([&] { return zone->m_promoted; })) EXPECT_NE(id, 3);
  EXPECT_FALSE(services.Logged("All songs in the current playlist"));
}

TEST_F(BoxEngineTest, NoticesOfAnUnknownCodeAreLoggedAsInvalid) {
  TestBoxZone zone(gui, address, 1, 1, /*start=*/false);
  zone.Run([&] {
    EXPECT_EQ(zone.Engine().OnControlThreadNotify(5, 0), -1);
    EXPECT_EQ(zone.Engine().OnAudioThreadNotify(4, 0), -1);
  });
  EXPECT_TRUE(services.Logged("Exstreamer Control thread 0x???????? generated an invalid notification type."));
  EXPECT_TRUE(services.Logged("Exstreamer Audio thread 0x???????? generated an invalid notification type."));
}

TEST_F(BoxEngineTest, TenCommandsWaitForAnUnreachableBoxAndTheEleventhIsRefused) {
  TestBoxZone zone(gui, address, 1, 1, /*start=*/false);
  zone.Run([&] {
    // The threads exist but nothing listens: every command waits for the control connection.
    ASSERT_TRUE(zone.Engine().StartThreads());
  });
  ASSERT_TRUE(zone.WaitFor([&] { return zone.Engine().GetPendingCommandCount() == 0; }, 10000));
  std::vector<LONG> results = zone.Get<std::vector<LONG>>([&] {
    std::vector<LONG> out;
    for (int i = 0; i < 11; ++i) out.push_back(zone.Engine().QueueCommand(XSVolumeCommand(i)));
    return out;
  });
  for (int i = 0; i < 10; ++i) EXPECT_EQ(results[static_cast<size_t>(i)], i + 1);
  EXPECT_EQ(results[10], -98);
}

TEST_F(BoxEngineTest, CommandsQueuedWhileTheConnectionComesUpGoOutInTheirOrder) {
  auto box = StartBox();
  auto zone = MakeZone(*box);
  zone->Run([&] {
    for (int i = 0; i < 9; ++i) zone->Engine().QueueCommand(XSVolumeCommand(i));
  });
  ASSERT_TRUE(box->WaitForCommand("v=8", 10000));
  std::vector<std::string> commands = box->Commands();
  ASSERT_EQ(commands.size(), 10u);
  EXPECT_EQ(commands[0], "c=46&L=volume.ack&L=getconfig.ack");
  for (int i = 0; i < 9; ++i) EXPECT_EQ(commands[static_cast<size_t>(i) + 1], "v=" + std::to_string(i));
}

TEST_F(BoxEngineTest, ABoxThatRefusesLeavesTheZoneStoppedAndPlaysWhenItComesBack) {
  int controlPort = 0, audioPort = 0;
  {
    auto probe = StartBox();
    controlPort = probe->ControlPort();
    audioPort = probe->AudioPort();
  }
  TestBoxZone zone(gui, address, controlPort, audioPort);
  zone.Run([&] { zone.AddSong(SongForFile(1, TheSongs().a)); });
  ASSERT_EQ(zone.Get<int>([&] { return zone.PlayIndex(0); }), 0);
  ASSERT_TRUE(services.WaitForLog("has generated error code - 10061", 10000)) << services.Describe();
  EXPECT_TRUE(zone.WaitFor([&] { return zone.m_state == "STOPPED" && !zone.Engine().IsStreaming(); }, 10000))
      << services.Describe();

  auto box = StartBox(BoxOptions(), controlPort, audioPort);
  ASSERT_EQ(zone.Get<int>([&] { return zone.PlayIndex(0); }), 0);
  const std::string songA = AudioData(TheSongs().a);
  ASSERT_TRUE(box->WaitForStat("received", [&](long n) { return n >= static_cast<long>(songA.size()); }, 30000))
      << services.Describe();
  EXPECT_EQ(ReadFileBytes(box->CapturePath()).substr(0, songA.size()), songA);
}

TEST_F(BoxEngineTest, ABoxThatClosesMidSongStopsTheZoneAndTheNextPlayReconnects) {
  BoxOptions options;
  options.closeAudioAfter = 40000;
  options.byteRate = 16000;
  auto box = StartBox(options);
  auto zone = MakeZone(*box);
  Queue(*zone, {{1, TheSongs().a}});
  ASSERT_EQ(zone->Get<int>([&] { return zone->PlayIndex(0); }), 0);
  ASSERT_TRUE(zone->WaitFor([&] { return zone->m_state == "STOPPED"; }, 20000))
      << "received " << box->Stat("received") << "\n"
      << ReadFileBytes(boxFolder.Path() + "/commands.log") << services.Describe();
  EXPECT_TRUE(services.Logged("has closed its connection; the song is stopped."));
  EXPECT_EQ(box->AcceptOffsets().size(), 1u) << "the zone reconnected by itself";
  ASSERT_EQ(zone->Get<int>([&] { return zone->PlayIndex(0); }), 0);
  // The box's counters are written every tenth of a second and may lag behind what it has received;
  // the new connection's data is counted from the exact offset logged when it was accepted.
  ASSERT_TRUE(box->WaitForStat("audio_connections", [](long n) { return n >= 2; }, 20000)) << services.Describe();
  std::vector<long> accepted = box->AcceptOffsets();
  ASSERT_EQ(accepted.size(), 2u);
  EXPECT_TRUE(box->WaitForStat("received", [&](long n) { return n > accepted[1] + 30000; }, 20000))
      << services.Describe();
}

TEST_F(BoxEngineTest, AStalledBoxNeverBlocksTheWindowThreadAndShutdownIsBounded) {
  BoxOptions options;
  options.stallAfter = 20000;
  auto box = StartBox(options);
  auto zone = MakeZone(*box);
  Queue(*zone, {{1, TheSongs().a}});
  ASSERT_EQ(zone->Get<int>([&] { return zone->PlayIndex(0); }), 0);
  ASSERT_TRUE(box->WaitForStat("received", [](long n) { return n >= 20000; }, 20000));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_LT(gui.AnswerMicroseconds(), 200000);
  auto started = std::chrono::steady_clock::now();
  zone->Run([&] { zone->Engine().CloseThreads(); });
  EXPECT_TRUE(zone->WaitFor([&] { return zone->m_threadsGone; }, 10000)) << services.Describe();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(6));
  EXPECT_TRUE(services.Logged("Exstreamer Audio thread 0x"));
  EXPECT_TRUE(services.Logged(" is exiting."));
  zone.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
}

TEST_F(BoxEngineTest, WhenOneBoxDiesTheOtherZoneKeepsPlayingAndTheWindowThreadAnswers) {
  BoxOptions options;
  options.byteRate = 16000 * 2;
  options.buffer = 65536;
  auto boxOne = StartBox(options);
  auto zoneOne = MakeZone(*boxOne);
  TempFolder otherFolder;
  std::string otherAddress = NextBoxAddress();
  BoxSimulator boxTwo(otherAddress, otherFolder.Path(), options);
  ASSERT_TRUE(boxTwo.Running());
  TestBoxZone zoneTwo(gui, otherAddress, boxTwo.ControlPort(), boxTwo.AudioPort());
  Queue(*zoneOne, {{1, TheSongs().a}, {2, TheSongs().b}});
  Queue(zoneTwo, {{1, TheSongs().c}, {2, TheSongs().a}});
  ASSERT_EQ(zoneOne->Get<int>([&] { return zoneOne->PlayIndex(0); }), 0);
  ASSERT_EQ(zoneTwo.Get<int>([&] { return zoneTwo.PlayIndex(0); }), 0);
  ASSERT_TRUE(boxOne->WaitForStat("received", [](long n) { return n > 20000; }, 20000));
  boxOne->Kill();
  EXPECT_TRUE(zoneOne->WaitFor([&] { return zoneOne->m_state == "STOPPED"; }, 20000)) << services.Describe();
  long before = boxTwo.Stat("played");
  EXPECT_TRUE(boxTwo.WaitForStat("played", [&](long n) { return n > before + 64000; }, 20000));
  EXPECT_EQ(zoneTwo.Get<std::string>([&] { return zoneTwo.m_state; }), "PLAYING");
  EXPECT_LT(gui.AnswerMicroseconds(), 200000);
  EXPECT_EQ(boxTwo.Stat("underruns"), 0);
}

}  // namespace
