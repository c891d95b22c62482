// Measures the local engine:
//   1. eight zones playing one MP3 each at once into the null device at a raised clock rate: CPU seconds
//      per second of audio per zone, beside `mpg123 -t` (decode only) on the same file in the same run;
//   2. the time from PlaySong to the first sample handed to the renderer;
//   3. the silence between two queued songs (the longest pause between blocks at the renderer, less a
//      block's own length), at the real clock.
//
//   bench_players [seconds of audio per song] [clock rate]     (defaults 60 and 20)
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "jukebox/app/services/JukeboxServices.h"
#include "jukebox/player/StreamWindow.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/media/DeviceEnum.h"
#include "platform/media/MediaStreams.h"

namespace {

using Clock = std::chrono::steady_clock;

class BenchServices : public CJukeboxServices {
 public:
  int LogEvent(const CString&, const CString&, const CString&) override { return 1; }
  void WriteErrorLog(const CString&, const CString&, const CString&) override {}
  tQHDb* GetSongDatabase() override { return nullptr; }
  tStorage* GetStorageManager() override { return nullptr; }
  tQHFRDb* GetAlbumDatabase() override { return nullptr; }
  CString GetSongDbPath() const override { return "C:\\"; }
  CString GetRandomPicPath() const override { return ""; }
  CString GetStartDirectory() const override { return "C:\\"; }
  COleDateTime GetStartTime() const override { return COleDateTime::GetCurrentTime(); }
  CString GetVersionText() const override { return "4.0.0"; }
  CString GetLegalText() const override { return ""; }
  BOOL IsTVOutput() const override { return FALSE; }
  int GetVolumeRampTime() const override { return 6000; }
  int SetVolumeRampTime(int) override { return 6000; }
  CString GetZoneDevice(int index) const override { return index < 8 ? "Null Audio Device" : "Bench Capture"; }
  bool LockSong(LONG) override { return true; }
  void UnlockSong(LONG) override {}
  bool IsSongLocked(LONG) const override { return false; }
  bool IsSongPlaying(LONG) const override { return false; }
  void SetModalDialog(CDialog*) override {}
  void ShowZone(int) override {}
  CWnd* GetMasterWindow() override { return nullptr; }
};

// Records when each block reaches the renderer.
struct WriteTimes {
  std::mutex mutex;
  std::vector<Clock::time_point> times;
  std::vector<long> frames;
  long blockFrames = 0;
  int rate = 0;
};
WriteTimes g_writes;

class TimingSink : public qh::media::AudioSink {
 public:
  HRESULT Open(const qh::media::AudioFormat& format) override {
    std::lock_guard lock(g_writes.mutex);
    g_writes.rate = format.rate;
    return S_OK;
  }
  HRESULT Write(const float*, long frames) override {
    std::lock_guard lock(g_writes.mutex);
    g_writes.times.push_back(Clock::now());
    g_writes.frames.push_back(frames);
    g_writes.blockFrames = std::max(g_writes.blockFrames, frames);
    return S_OK;
  }
  void Close() override {}
};

double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
}

bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

void Pump() {
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
}

std::unique_ptr<tSong> Song(LONG id, char code, const char* path) {
  auto song = std::make_unique<tSong>();
  song->SetSongID(id);
  song->SetSongCompression(code);
  song->MediaPath = path;
  return song;
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  const char* rate = argc > 2 ? argv[2] : "20";
  qh::testing::TestSandbox sandbox;
  const std::string folder = sandbox.AddDrive('D', 0x0D15C0DE, "MUSIC");
  const std::string mp3 = folder + "/song.mp3";
  if (!Run("sox -n -r 44100 -c 2 -b 16 '" + folder + "/tone.wav' synth " + std::to_string(seconds) +
           " pinknoise vol 0.3") ||
      !Run("lame --quiet -b 192 '" + folder + "/tone.wav' '" + mp3 + "'") ||
      !Run("sox -n -r 44100 -c 2 -b 16 '" + folder + "/short.wav' synth 1 sine 440")) {
    std::fprintf(stderr, "sox and lame are needed\n");
    return 1;
  }
  setenv("QH_SOUND", "none", 1);
  BenchServices services;
  SetJukeboxServices(&services);

  // mpg123's own decode of the same file, in the same run.
  const double childBefore = CpuSeconds(RUSAGE_CHILDREN);
  Run("mpg123 -q -t '" + mp3 + "'");
  const double mpg123Cpu = (CpuSeconds(RUSAGE_CHILDREN) - childBefore) / seconds;

  // Eight zones at once.
  setenv("QH_CLOCK_RATE", rate, 1);
  std::vector<std::unique_ptr<CStreamWindow>> zones;
  std::vector<std::unique_ptr<tSong>> songs;
  const double before = CpuSeconds(RUSAGE_SELF);
  const auto wallStart = Clock::now();
  for (int i = 0; i < 8; ++i) {
    auto zone = std::make_unique<CStreamWindow>();
    zone->SetStreamNumber(i);
    zone->CreateEx(0, AfxRegisterWndClass(0), "zone", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
    songs.push_back(Song(i + 1, 'R', "D:\\song.mp3"));
    if (zone->PlaySong(songs.back().get()) != 0) {
      std::fprintf(stderr, "zone %d did not start\n", i + 1);
      return 1;
    }
    zones.push_back(std::move(zone));
  }
  auto playing = [&] {
    return std::any_of(zones.begin(), zones.end(), [](auto& z) { return z->GetState() == PLAYER_PLAYING; });
  };
  // The program's own loop blocks in GetMessage; polling here stays rare so it is not counted as the
  // zones' cost.
  while (playing()) {
    Pump();
    usleep(20000);
  }
  const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
  const double zoneCpu = (CpuSeconds(RUSAGE_SELF) - before) / (8.0 * seconds);
  zones.clear();

  // PlaySong to the first sample, and the pause between two queued songs, at the real clock.
  setenv("QH_CLOCK_RATE", "1", 1);
  qh::media::RegisterRendererFactory("Bench Capture", [] { return std::make_unique<TimingSink>(); });
  CStreamWindow zone;
  zone.SetStreamNumber(9);
  zone.CreateEx(0, AfxRegisterWndClass(0), "zone", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
  zone.SetStateMap({9});
  zone.AppendSong(Song(20, ' ', "D:\\short.wav").release());
  zone.AppendSong(Song(21, ' ', "D:\\short.wav").release());
  const auto playAt = Clock::now();
  zone.PlayIndex(0);
  while (zone.GetCurrentSongId() != 21 || zone.GetState() == PLAYER_PLAYING) {
    Pump();
    usleep(500);
    if (zone.GetCurrentSongId() == 21 && Clock::now() - playAt > std::chrono::seconds(3)) break;
  }
  zone.Stop();
  std::vector<Clock::time_point> times;
  std::vector<long> frames;
  {
    std::lock_guard lock(g_writes.mutex);
    times = g_writes.times;
    frames = g_writes.frames;
  }
  const double firstSampleMs =
      times.empty() ? -1 : std::chrono::duration<double, std::milli>(times.front() - playAt).count();
  // The second song starts with the block after the first song's 44100 frames; both songs' first blocks
  // go out the same way, so the difference less the first song's length is the silence between them.
  long total = 0;
  size_t second = 0;
  for (size_t i = 0; i < frames.size() && second == 0; ++i) {
    if (total >= 44100) second = i;
    total += frames[i];
  }
  const double gapMs =
      second == 0 ? -1 : std::chrono::duration<double, std::milli>(times[second] - times.front()).count() - 1000.0;

  std::printf("eight zones, %d s of 192 kbit/s MP3 each, clock rate %s: %.2f s wall\n", seconds, rate, wall);
  std::printf("  CPU per second of audio per zone: %.5f s (mpg123 -t: %.5f s, ratio %.2f)\n", zoneCpu, mpg123Cpu,
              mpg123Cpu > 0 ? zoneCpu / mpg123Cpu : 0.0);
  std::printf("PlaySong to the first sample at the renderer: %.2f ms\n", firstSampleMs);
  // Negative: the second song's first block reached the renderer before the first song's last block
  // was due (blocks are handed over ahead of the clock), so there is no silence at all.
  std::printf("silence between two queued songs: %.2f ms (second song's first block %.2f ms after the first's end)\n",
              std::max(0.0, gapMs), gapMs);
  SetJukeboxServices(nullptr);
  return 0;
}
