// Eight zones at once, four local and four on simulated boxes, with shuffle (and repeat for a while)
// over queues where one song in ten is missing or damaged, for an hour of music at a raised clock
// rate: no zone falls silent for longer than one song change, every change is announced, and the
// window thread keeps answering. QH_SOAK_MINUTES sets the minutes of music (60 by default).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <map>
#include <thread>

#include "jukebox/player/StreamWindow.h"
#include "jukebox/player/XSStreamWindow.h"
#include "jukebox/player/tests/BoxTestSupport.h"
#include "jukebox/player/tests/PlayerTestSupport.h"
#include "jukebox/player/tests/StreamWindowFixture.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/media/DeviceEnum.h"

using jukebox::player_testing::FakeJukeboxServices;
using jukebox::player_testing::MessageRecorder;
using jukebox::player_testing::PumpUntil;
using jukebox::player_testing::RecordingEventSink;
using jukebox::player_testing::SongOnDriveD;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kLocalZones = 4;
constexpr int kBoxZones = 4;
constexpr int kSongsPerQueue = 20;     // two of them cannot play
constexpr int kClockRate = 100;        // local zones play a hundred times real time
constexpr double kBoxByteRate = 16000.0 * 32;
constexpr auto kSongChange = 1000ms;   // the longest a zone may be without sound: one song change
constexpr auto kWindowAnswer = 100ms;  // the longest the window thread may work on one message

// How long this thread has been ready to run but waiting for a processor (the second field of the
// kernel's schedstat). A loaded machine delays every thread that way; subtracting it leaves the time the
// window thread was really held by its own work or by a wait on another thread.
Clock::duration ThreadRunQueueWait() {
  std::ifstream stat("/proc/thread-self/schedstat");
  unsigned long long running = 0;
  unsigned long long waiting = 0;
  if (!(stat >> running >> waiting)) return Clock::duration{};
  return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(waiting));
}

// The processor time this thread has used: its own work, whatever the machine's load.
Clock::duration ThreadProcessorTime() {
  timespec used{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
  return std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(used.tv_sec) +
                                                     std::chrono::nanoseconds(used.tv_nsec));
}

bool RunTool(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

double SoakMinutes() {
  const char* text = std::getenv("QH_SOAK_MINUTES");
  const double minutes = text != nullptr ? std::atof(text) : 0.0;
  return minutes > 0.0 ? minutes : 60.0;
}

struct ZoneWatch {
  CPlayerBase* zone = nullptr;
  int stream = 0;
  Clock::time_point silentSince{};
  bool silent = false;
  Clock::duration longestSilence{};
  LONG lastSeenSong = 0;
  int changesSeen = 0;
  int unannounced = 0;
};

TEST(Soak, EightZonesOfShuffledQueuesWithBadSongsNeverFallSilent) {
  for (const char* tool : {"sox", "lame", "python3"})
    if (!RunTool(std::string("command -v ") + tool)) GTEST_SKIP() << "a tool is missing: " << tool;
  setenv("QH_CLOCK_RATE", std::to_string(kClockRate).c_str(), 1);
  setenv("QH_SOUND", "none", 1);
  qh::testing::TestSandbox sandbox;
  const std::string music = sandbox.AddDrive('D', 0x0D15C0DE, "MUSIC");
  FakeJukeboxServices services;
  RecordingEventSink events;
  MessageRecorder main;

  // Local songs: tones of 20 to 45 seconds, one missing file, one that is no audio at all.
  std::map<LONG, double> seconds;
  std::vector<std::string> tones;
  for (int i = 0; i < 6; ++i) {
    const double length = 20 + 5 * i;
    const std::string file = "tone" + std::to_string(i) + ".wav";
    ASSERT_TRUE(RunTool("sox -n -r 8000 -c 1 -b 16 '" + music + "/" + file + "' synth " + std::to_string(length) +
                    " sine " + std::to_string(300 + 50 * i) + " vol 0.5"));
    tones.push_back(file);
  }
  std::ofstream(music + "/damaged.mp3", std::ios::binary) << std::string(2000, '\x5A');
  // Box songs: MP3s the box takes, a missing file and a PCM song the box cannot play.
  TempFolder boxSongs;
  std::vector<std::string> mp3s;
  for (int i = 0; i < 3; ++i) {
    mp3s.push_back(MakeMp3(boxSongs.Path(), "s" + std::to_string(i), 4.0 + i, 440 + 110 * i));
    ASSERT_FALSE(mp3s.back().empty());
  }

  qh::media::ClearWaveFileRenderers();
  for (int i = 0; i < kLocalZones; ++i) {
    const std::string name = "Capture" + std::to_string(i);
    qh::media::RegisterWaveFileRenderer(name.c_str(), music + "/" + name + ".wav");
    services.zoneDevices.push_back(name);
  }

  std::vector<std::unique_ptr<CStreamWindow>> locals;
  std::vector<std::unique_ptr<TempFolder>> boxFolders;  // outlives the boxes that write into it
  std::vector<std::unique_ptr<BoxSimulator>> boxes;
  std::vector<std::unique_ptr<CXSStreamWindow>> boxZones;
  std::vector<ZoneWatch> watches;
  LONG nextId = 1;
  for (int z = 0; z < kLocalZones; ++z) {
    auto zone = std::make_unique<CStreamWindow>();
    zone->SetStreamNumber(z);
    zone->SetDeviceName(services.zoneDevices[static_cast<size_t>(z)].c_str());
    zone->SetStateMap({static_cast<LONG>(z)});
    ASSERT_TRUE(zone->CreateEx(0, AfxRegisterWndClass(0), "Zone [local]", WS_CHILD, 0, 0, 400, 300,
                               main.GetSafeHwnd(), nullptr));
    for (int i = 0; i < kSongsPerQueue; ++i) {
      const LONG id = nextId++;
      if (i == 7) {
        zone->AppendSong(SongOnDriveD(id, ' ', "missing.wav").release());
      } else if (i == 15) {
        zone->AppendSong(SongOnDriveD(id, 'R', "damaged.mp3").release());
      } else {
        const size_t tone = static_cast<size_t>((i + z) % 6);
        zone->AppendSong(SongOnDriveD(id, ' ', tones[tone]).release());
        seconds[id] = 20 + 5 * static_cast<double>(tone);
      }
    }
    zone->SetShuffle(true);
    locals.push_back(std::move(zone));
  }
  BoxOptions options;
  options.byteRate = kBoxByteRate;
  for (int z = 0; z < kBoxZones; ++z) {
    boxFolders.push_back(std::make_unique<TempFolder>());
    const std::string address = NextBoxAddress();
    boxes.push_back(std::make_unique<BoxSimulator>(address, boxFolders.back()->Path(), options));
    ASSERT_TRUE(boxes.back()->Running());
    auto zone = std::make_unique<CXSStreamWindow>();
    zone->SetStreamNumber(kLocalZones + z);
    zone->SetDeviceName(("__XS:" + address).c_str());
    zone->BoxEngine().SetPorts(static_cast<WORD>(boxes.back()->ControlPort()),
                               static_cast<WORD>(boxes.back()->AudioPort()));
    ASSERT_TRUE(zone->CreateEx(0, AfxRegisterWndClass(0), "Zone [box]", WS_CHILD, 0, 0, 400, 300,
                               main.GetSafeHwnd(), nullptr));
    for (int i = 0; i < kSongsPerQueue; ++i) {
      const LONG id = nextId++;
      if (i == 4)
        zone->AppendSong(SongForFile(id, boxSongs.Path() + "/missing.mp3").release());
      else if (i == 13)
        zone->AppendSong(SongForFile(id, mp3s[0], ' ').release());
      else
        zone->AppendSong(SongForFile(id, mp3s[static_cast<size_t>((i + z) % 3)]).release());
    }
    zone->SetShuffle(true);
    boxZones.push_back(std::move(zone));
  }
  // One zone of each kind repeats its song for the first part of the run.
  locals.back()->SetRepeat(true);
  boxZones.back()->SetRepeat(true);

  for (auto& zone : locals) ASSERT_EQ(0, zone->PlayIndex(0));
  for (auto& zone : boxZones) ASSERT_EQ(0, zone->PlayIndex(0));
  for (auto& zone : locals) watches.push_back({zone.get(), zone->GetStreamNumber()});
  for (auto& zone : boxZones) watches.push_back({zone.get(), zone->GetStreamNumber()});

  // The local zones play four fifths of the music (their clock is cheap to raise), the boxes the rest
  // (every byte goes through a socket): the local share in simulated seconds, the boxes' in bytes.
  const double localSeconds = SoakMinutes() * 60.0 * 0.8 / kLocalZones;
  const long boxBytes = static_cast<long>(SoakMinutes() * 60.0 * 0.2 / kBoxZones * 16000.0);
  auto localPlayed = [&](int stream) {
    double total = 0;
    for (const auto& event : events.events)
      if (event.kind == "song" && event.stream == stream) total += seconds.count(event.value) ? seconds[event.value] : 0;
    return total;
  };
  auto lastAnnounced = [&](int stream) {
    for (auto event = events.events.rbegin(); event != events.events.rend(); ++event)
      if (event->kind == "song" && event->stream == stream) return static_cast<LONG>(event->value);
    return LONG{0};
  };

  const auto start = Clock::now();
  // The longest a message kept the window thread working, and the longest it kept it from other messages
  // in all (working or waiting on another thread or the disk, a loaded machine's run queue left out).
  struct Longest {
    Clock::duration took{};
    Clock::duration at{};
    UINT message = 0;
    void Take(Clock::duration length, Clock::duration when, UINT what) {
      if (length <= took) return;
      took = length;
      at = when;
      message = what;
    }
  } longestWork, longestHeld;
  bool first = true;
  auto lastBoxCheck = start;
  std::vector<long> boxPlayed(kBoxZones, 0);
  std::vector<Clock::time_point> boxProgress(kBoxZones, start);
  Clock::duration longestBoxStill{};
  bool repeatOff = false;
  // The window thread's loop, timing every message it handles: its processor time, and its whole length
  // less the time a loaded machine kept it from a processor.
  auto pumpUntil = [&](const std::function<bool()>& finished, Clock::duration limit) {
    const auto end = Clock::now() + limit;
    for (;;) {
      MSG msg;
      while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        const auto before = Clock::now();
        const auto queuedBefore = ThreadRunQueueWait();
        const auto workedBefore = ThreadProcessorTime();
        TranslateMessage(&msg);
        DispatchMessage(&msg);
        if (!first) {
          longestHeld.Take((Clock::now() - before) - (ThreadRunQueueWait() - queuedBefore), before - start, msg.message);
          longestWork.Take(ThreadProcessorTime() - workedBefore, before - start, msg.message);
        }
      }
      if (finished()) return true;
      if (Clock::now() >= end) return false;
      std::this_thread::sleep_for(1ms);
    }
  };
  const bool done = pumpUntil(
      [&] {
        const auto now = Clock::now();
        first = false;  // the first round only drains what the eight zones' start queued
        for (ZoneWatch& watch : watches) {
          const bool playing = watch.zone->GetState() == PLAYER_PLAYING;
          if (!playing && !watch.silent) watch.silentSince = now;
          if (!playing) watch.longestSilence = std::max(watch.longestSilence, now - watch.silentSince);
          watch.silent = !playing;
          const LONG current = watch.zone->GetCurrentSongId();
          if (current != 0 && current != watch.lastSeenSong) {
            ++watch.changesSeen;
            if (lastAnnounced(watch.stream) != current) ++watch.unannounced;
            watch.lastSeenSong = current;
          }
        }
        if (!repeatOff && now - start > 3s) {
          locals.back()->SetRepeat(false);
          boxZones.back()->SetRepeat(false);
          repeatOff = true;
        }
        bool enough = repeatOff;
        for (int z = 0; z < kLocalZones; ++z) enough = enough && localPlayed(z) >= localSeconds;
        if (now - lastBoxCheck >= 250ms) {
          lastBoxCheck = now;
          for (int z = 0; z < kBoxZones; ++z) {
            const long played = boxes[static_cast<size_t>(z)]->Stat("played");
            if (played > boxPlayed[static_cast<size_t>(z)]) {
              boxPlayed[static_cast<size_t>(z)] = played;
              boxProgress[static_cast<size_t>(z)] = now;
            }
            longestBoxStill = std::max(longestBoxStill, now - boxProgress[static_cast<size_t>(z)]);
          }
        }
        for (int z = 0; z < kBoxZones; ++z) enough = enough && boxPlayed[static_cast<size_t>(z)] >= boxBytes;
        return enough;
      },
      100s);
  const auto ms = [](Clock::duration d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); };
  EXPECT_TRUE(done) << "an hour of music did not play in time";
  for (const ZoneWatch& watch : watches) {
    EXPECT_LE(watch.longestSilence, kSongChange) << "zone " << watch.stream << " was silent " << ms(watch.longestSilence) << " ms";
    EXPECT_GE(watch.changesSeen, 5) << "zone " << watch.stream;
    EXPECT_EQ(watch.unannounced, 0) << "zone " << watch.stream << " changed songs without SongChanged";
  }
  EXPECT_LE(longestBoxStill, kSongChange + 500ms) << "a box stopped playing for " << ms(longestBoxStill) << " ms";
  // The window thread's own work is bounded tightly; a wait within a message (a lock another thread
  // holds, a file read) lasts as long as a loaded machine makes the other side take, and is bounded by what
  // a listener would hear: a song change that comes late.
  EXPECT_LE(longestWork.took, kWindowAnswer) << "one message worked on the window thread " << ms(longestWork.took) << " ms, "
                                             << ms(longestWork.at) << " ms into the run (message 0x" << std::hex
                                             << longestWork.message << std::dec << ")";
  EXPECT_LE(longestHeld.took, kSongChange) << "one message held the window thread " << ms(longestHeld.took) << " ms, "
                                           << ms(longestHeld.at) << " ms into the run (message 0x" << std::hex
                                           << longestHeld.message << std::dec << ")";
  EXPECT_EQ(0, services.CountLines("All songs in the current playlist"));

  // Each change the boxes were told of is one SongChanged of their zone, no more and no fewer.
  for (auto& zone : boxZones) zone->Stop();
  for (int z = 0; z < kBoxZones; ++z) {
    const int stream = kLocalZones + z;
    auto announced = [&] {
      return std::count_if(events.events.begin(), events.events.end(),
                           [&](const auto& event) { return event.kind == "song" && event.stream == stream; });
    };
    auto told = [&] {
      const std::vector<std::string> commands = boxes[static_cast<size_t>(z)]->Commands();
      return std::count(commands.begin(), commands.end(), "c=66") + std::count(commands.begin(), commands.end(), "c=46&c=66");
    };
    EXPECT_TRUE(PumpUntil([&] { return told() == announced(); }, 5s))
        << "box zone " << stream << ": " << told() << " starts on the box, " << announced() << " SongChanged";
  }
  for (auto& zone : locals) zone->Stop();
  locals.clear();
  boxZones.clear();
  qh::media::ClearWaveFileRenderers();
}

}  // namespace
