// Measures the zone windows headless:
//   1. a full repaint of a normal and of a TV zone window (the window and every control in it):
//      milliseconds per frame;
//   2. eight zone windows idle with their 900 ms display timers: CPU time as a share of one core.
//
//   bench_zones [frames] [idle seconds]     (defaults 200 and 20)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "jukebox/app/services/JukeboxServices.h"
#include "jukebox/zones/ZoneWnd.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/gdi/BitmapResources.h"

namespace {

using Clock = std::chrono::steady_clock;

class BenchServices : public CJukeboxServices {
 public:
  int LogEvent(const CString&, const CString&, const CString&) override { return 1; }
  void WriteErrorLog(const CString&, const CString&, const CString&) override {}
  tQHDb* GetSongDatabase() override { return nullptr; }
  tStorage* GetStorageManager() override { return nullptr; }
  tQHFRDb* GetAlbumDatabase() override { return nullptr; }
  CString GetSongDbPath() const override { return "C:\\Quaverhouse"; }
  CString GetRandomPicPath() const override { return ""; }
  CString GetStartDirectory() const override { return "C:\\"; }
  COleDateTime GetStartTime() const override { return COleDateTime::GetCurrentTime(); }
  CString GetVersionText() const override { return "4.0.0"; }
  CString GetLegalText() const override { return ""; }
  BOOL IsTVOutput() const override { return FALSE; }
  int GetVolumeRampTime() const override { return 6000; }
  int SetVolumeRampTime(int) override { return 6000; }
  CString GetZoneDevice(int) const override { return "Null Audio Device"; }
  bool LockSong(LONG) override { return true; }
  void UnlockSong(LONG) override {}
  bool IsSongLocked(LONG) const override { return false; }
  bool IsSongPlaying(LONG) const override { return false; }
  void SetModalDialog(CDialog*) override {}
  void ShowZone(int) override {}
  CWnd* GetMasterWindow() override { return nullptr; }
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void InvalidateAll(HWND window) {
  ::InvalidateRect(window, nullptr, TRUE);
  for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) InvalidateAll(child);
}

void UpdateAll(HWND window) {
  ::UpdateWindow(window);
  for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) UpdateAll(child);
}

bool CreateZone(CWnd& zone, CWnd& main, int number) {
  if (auto* player = dynamic_cast<CPlayerBase*>(&zone)) {
    player->SetStreamNumber(number);
    player->SetStreamName("Bench");
    player->SetDeviceName("Null Audio Device");
  }
  CString caption;
  caption.Format("Zone %d [Null Audio Device]", number + 1);
  return zone.CreateEx(0, AfxRegisterWndClass(CS_DBLCLKS), caption, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                       CRect(0, 0, 800, 600), &main, 0) != FALSE;
}

double RepaintOwnMs(CWnd& zone, int frames) {
  const auto start = Clock::now();
  for (int i = 0; i < frames; ++i) {
    ::InvalidateRect(zone.GetSafeHwnd(), nullptr, TRUE);
    ::UpdateWindow(zone.GetSafeHwnd());
  }
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / frames;  // ZONE_ONLY
}

double RepaintMs(CWnd& zone, int frames) {
  UpdateAll(zone.GetSafeHwnd());
  const auto start = Clock::now();
  for (int i = 0; i < frames; ++i) {
    InvalidateAll(zone.GetSafeHwnd());
    UpdateAll(zone.GetSafeHwnd());
  }
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / frames;
}

// Dispatches the thread's messages for the duration; a helper thread wakes the loop at the end, so
// nothing but the zones' own timers runs meanwhile.
void Pump(HWND wake, std::chrono::seconds duration) {
  const auto end = Clock::now() + duration;
  std::thread waker([wake, end] {
    std::this_thread::sleep_until(end);
    ::PostMessage(wake, WM_NULL, 0, 0);
  });
  MSG msg;
  while (Clock::now() < end && ::GetMessage(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessage(&msg);
  }
  waker.join();
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 200;
  const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 20;
  qh::testing::TestSandbox sandbox;
  BenchServices services;
  SetJukeboxServices(&services);
  qh::gdi::AddBitmapFolder(std::string(QH_SOURCE_DIR) + "/resources/jukebox/bitmaps");
  CWnd main;
  main.CreateEx(0, AfxRegisterWndClass(0), "Main", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr);

  {
    CZoneWnd normal;
    if (!CreateZone(normal, main, 0)) return 1;
    std::printf("full repaint, normal zone window: %.2f ms per frame (%d frames)\n", RepaintMs(normal, frames), frames);
    std::printf("  of which the window's own painting: %.2f ms\n", RepaintOwnMs(normal, frames));
  }
  {
    CTVZoneWnd tv;
    if (!CreateZone(tv, main, 0)) return 1;
    std::printf("full repaint, TV zone window:     %.2f ms per frame (%d frames)\n", RepaintMs(tv, frames), frames);
  }
  std::vector<std::unique_ptr<CZoneWnd>> zones;
  for (int i = 0; i < 8; ++i) {
    zones.push_back(std::make_unique<CZoneWnd>());
    if (!CreateZone(*zones.back(), main, i)) return 1;
    if (i > 0) zones.back()->ShowWindow(SW_HIDE);  // one zone shown at a time, as the jukebox does
  }
  Pump(main.GetSafeHwnd(), std::chrono::seconds(1));
  const double cpu = CpuSeconds();
  const auto start = Clock::now();
  Pump(main.GetSafeHwnd(), std::chrono::seconds(idleSeconds));
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("eight idle zone windows (900 ms timers): %.3f %% of one core over %.0f s\n",
              100.0 * (CpuSeconds() - cpu) / wall, wall);
  zones.clear();
  main.DestroyWindow();
  SetJukeboxServices(nullptr);
  return 0;
}
