// Capture figures, each measured in the same run as its reference:
//   1. a 5-minute 44.1 kHz stereo WAV encoded at 128 kbit/s by the MP3 worker (through lame_enc.so),
//      beside the lame command line with the same settings (CBR, quality 2, joint stereo, no VBR
//      header, no ReplayGain analysis);
//   2. a 10-track cue/bin image of 30-second tracks ripped track by track by the CD-extraction
//      control, as times faster than real time.
//
//   bench_capture [repeats]      (default 3; the best time of the repeats is reported)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "platform/cd/CdExtractionControl.h"
#include "platform/core/testing/TestSandbox.h"
#include "recorder/capture/Mp3Compressor.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

double EncodeWithWorker(const std::string& source) {
  CMp3Compressor worker;
  worker.CreateThread(CREATE_SUSPENDED);
  worker.SetThreadPriority(THREAD_PRIORITY_BELOW_NORMAL);
  worker.ResumeThread();
  COleDateTime date(2026, 1, 1, 0, 0, 0);
  auto start = Clock::now();
  if (!worker.AddJob(source.c_str(), "C:\\worker.mp3", "Bench", "Bench", "Bench", date, "", 1, 0, 128000)) return -1;
  int done = 0;
  while (worker.IsBusy(&done) >= 0 && done == 0 && worker.GetErrorCode() == 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  double elapsed = Seconds(Clock::now() - start);
  worker.Stop();
  WaitForSingleObject(worker.m_hThread, 15000);
  return done ? elapsed : -1;
}

double EncodeWithLame(const std::string& hostSource, const std::string& hostTarget) {
  auto start = Clock::now();
  bool ok = Run("lame --silent -b 128 -q 2 -m j -t --noreplaygain '" + hostSource + "' '" + hostTarget + "'");
  return ok ? Seconds(Clock::now() - start) : -1;
}

// A cue/bin image of `tracks` tracks of `seconds` each; returns the cue path.
std::string MakeImage(const std::string& folder, int tracks, int seconds) {
  std::string raw = folder + "/bench.bin";
  Run("sox -n -t raw -r 44100 -c 2 -b 16 -e signed-integer -L '" + raw + "' synth " +
      std::to_string(tracks * seconds) + " sine 300-3000 vol 0.5");
  std::ofstream cue(folder + "/bench.cue");
  cue << "FILE \"bench.bin\" BINARY\n";
  for (int t = 0; t < tracks; ++t) {
    int frame = t * seconds * 75;
    char line[80];
    std::snprintf(line, sizeof line, "  TRACK %02d AUDIO\n    INDEX 01 %02d:%02d:%02d\n", t + 1, frame / 75 / 60,
                  (frame / 75) % 60, frame % 75);
    cue << line;
  }
  return folder + "/bench.cue";
}

double RipAll(int tracks) {
  qh::cd::CdExtractionControl control;
  std::atomic<int> finished{0};
  control.SetEventSink([&](DISPID event, LONG) {
    if (event == qh::cd::CdExtractionControl::kEventTrackDone) ++finished;
  });
  if (control.SelectDrive(0) != 0) return -1;
  auto start = Clock::now();
  for (int t = 1; t <= tracks; ++t) {
    char path[32];
    std::snprintf(path, sizeof path, "C:\\QHR%d.tmp", t);
    if (control.ExtractTrack(static_cast<SHORT>(t), path) != 0) return -1;
    while (finished.load() < t) std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return Seconds(Clock::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
  int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  qh::testing::TestSandbox sandbox;
  std::string wav = sandbox.HostPath("C/five-minutes.wav");
  if (!Run("sox -n -r 44100 -c 2 -b 16 '" + wav + "' synth 300 pinknoise vol 0.3 : synth 0.1 sine 440")) {
    std::fprintf(stderr, "sox failed\n");
    return 1;
  }
  double worker = 1e9, lame = 1e9;
  for (int i = 0; i < repeats; ++i) {
    worker = std::min(worker, EncodeWithWorker("C:\\five-minutes.wav"));
    lame = std::min(lame, EncodeWithLame(wav, sandbox.HostPath("C/lame.mp3")));
  }
  if (worker < 0 || lame < 0) {
    std::fprintf(stderr, "encoding failed\n");
    return 1;
  }
  std::printf("encode 5:00 WAV at 128 kbit/s: worker %.2f s, lame command line %.2f s, ratio %.3f (target <= 1.1)\n",
              worker, lame, worker / lame);

  const int tracks = 10, seconds = 30;
  sandbox.AddDrive('E', 0xBE4C0001, "BENCH_CD", DRIVE_CDROM);
  std::string cue = MakeImage(sandbox.Root(), tracks, seconds);
  setenv("QH_CDROM", cue.c_str(), 1);
  double rip = 1e9;
  for (int i = 0; i < repeats; ++i) rip = std::min(rip, RipAll(tracks));
  if (rip < 0) {
    std::fprintf(stderr, "ripping failed\n");
    return 1;
  }
  std::printf("rip %d tracks (%d s of audio): %.3f s, %.0fx real time (target >= 50x)\n", tracks, tracks * seconds, rip,
              tracks * seconds / rip);
  return 0;
}
