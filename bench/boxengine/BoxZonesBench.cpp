// Eight box zones streaming to eight simulated boxes at once (each box plays at a raised rate), with
// the engine's process pinned to one core. Reports the engine's CPU per zone, the bytes per second
// the boxes took, and the underruns the boxes counted (a box whose buffer ran dry while it played).
//
//   box_zones_bench [zones=8] [seconds=20] [rate multiple of real time=8] [box buffer bytes=65536]
#include <sched.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "jukebox/player/tests/BoxTestSupport.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  const int zones = argc > 1 ? std::atoi(argv[1]) : 8;
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 20;
  const double multiple = argc > 3 ? std::atof(argv[3]) : 8.0;

  TempFolder folder;
  std::vector<std::string> songs = {MakeMp3(folder.Path(), "a", 20.0, 440), MakeMp3(folder.Path(), "b", 15.0, 660),
                                    MakeMp3(folder.Path(), "c", 25.0, 880)};
  for (const std::string& song : songs)
    if (song.empty()) {
      std::fprintf(stderr, "sox and lame must make the songs\n");
      return 1;
    }

  BoxOptions options;
  options.byteRate = 16000.0 * multiple;  // a 128 kbit/s song at `multiple` times real time
  options.buffer = argc > 4 ? std::atoi(argv[4]) : 65536;
  options.reportMs = 100;
  std::vector<std::unique_ptr<TempFolder>> boxFolders;
  std::vector<std::unique_ptr<BoxSimulator>> boxes;
  std::vector<std::string> addresses;
  for (int i = 0; i < zones; ++i) {
    boxFolders.push_back(std::make_unique<TempFolder>());
    addresses.push_back(NextBoxAddress());
    boxes.push_back(std::make_unique<BoxSimulator>(addresses.back(), boxFolders.back()->Path(), options));
    if (!boxes.back()->Running()) {
      std::fprintf(stderr, "box %d did not start\n", i);
      return 1;
    }
  }

  // The engine (this process: the window thread and every socket thread) on one core; the boxes were
  // started before, so they keep the whole machine.
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(0, &one);
  sched_setaffinity(0, sizeof(one), &one);

  RecordingServices services;
  GuiThread gui;
  std::vector<std::unique_ptr<TestBoxZone>> players;
  for (int i = 0; i < zones; ++i) {
    players.push_back(std::make_unique<TestBoxZone>(gui, addresses[static_cast<size_t>(i)],
                                                    boxes[static_cast<size_t>(i)]->ControlPort(),
                                                    boxes[static_cast<size_t>(i)]->AudioPort()));
    TestBoxZone& zone = *players.back();
    zone.Run([&] {
      for (size_t s = 0; s < songs.size(); ++s) zone.AddSong(SongForFile(static_cast<LONG>(s + 1), songs[s]));
    });
  }
  // Let the connections come up, then start every zone and measure a steady stretch.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  for (auto& zone : players) zone->Run([&] { zone->PlayIndex(0); });
  std::this_thread::sleep_for(std::chrono::seconds(2));

  std::vector<long> receivedBefore, underrunsBefore, lateBefore;
  for (auto& box : boxes) {
    receivedBefore.push_back(box->Stat("received"));
    underrunsBefore.push_back(box->Stat("underruns"));
    lateBefore.push_back(box->Stat("late_reads"));
  }
  const double cpuBefore = CpuSeconds();
  const auto wallBefore = std::chrono::steady_clock::now();
  long worstAnswer = 0;
  while (std::chrono::steady_clock::now() - wallBefore < std::chrono::seconds(seconds)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    worstAnswer = std::max(worstAnswer, gui.AnswerMicroseconds());
    if (std::getenv("QH_BENCH_TRACE") != nullptr) {
      TestBoxZone& first = *players.front();
      std::printf("box 0: received %ld played %ld buffer %ld; engine: prepared %d, bytes played %lu of %lu\n",
                  boxes.front()->Stat("received"), boxes.front()->Stat("played"), boxes.front()->Stat("buffer"),
                  first.Get<int>([&] { return first.Engine().GetPreparedCount(); }),
                  static_cast<unsigned long>(first.Get<DWORD>([&] { return first.Engine().GetBytesPlayed(); })),
                  static_cast<unsigned long>(first.Get<DWORD>([&] { return first.Engine().GetDataSize(); })));
    }
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
  const double cpu = CpuSeconds() - cpuBefore;

  long bytes = 0, underruns = 0, lateReads = 0, promotions = 0;
  for (size_t i = 0; i < boxes.size(); ++i) {
    bytes += boxes[i]->Stat("received") - receivedBefore[i];
    underruns += boxes[i]->Stat("underruns") - underrunsBefore[i];
    lateReads += boxes[i]->Stat("late_reads") - lateBefore[i];
  }
  for (auto& zone : players) promotions += zone->Get<long>([&] { return static_cast<long>(zone->m_promoted.size()); });

  std::printf("zones %d, %d s at %.0fx real time (%.0f bytes/s per box, box buffer %d bytes), engine pinned to one "
              "core\n", zones, seconds, multiple, options.byteRate, options.buffer);
  std::printf("engine CPU: %.3f s in %.1f s = %.2f %% of one core, %.2f %% per zone\n", cpu, wall, 100.0 * cpu / wall,
              100.0 * cpu / wall / zones);
  std::printf("streamed: %.0f bytes/s in all, %.0f bytes/s per zone (the boxes' rate: %.0f)\n", bytes / wall,
              bytes / wall / zones, options.byteRate);
  std::printf("songs changed over: %ld; underruns with nothing sent: %ld; with bytes waiting in the box's "
              "socket (the box late): %ld; slowest window-thread answer: %.1f ms\n",
              promotions, underruns, lateReads, worstAnswer / 1000.0);
  players.clear();
  return underruns == 0 ? 0 : 2;
}
