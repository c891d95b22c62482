#include "jukebox/app/program/DemoDriver.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "jukebox/app/JukeboxApp.h"
#include "jukebox/app/MasterWindow.h"
#include "platform/ui/gdi/Snapshot.h"

namespace {
constexpr UINT_PTR kSettleTimer = 1;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Lets the windows paint what is pending before they are pictured.
void PumpPending() {
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
}
}  // namespace

BEGIN_MESSAGE_MAP(CDemoDriver, CWnd)
  ON_WM_TIMER()
END_MESSAGE_MAP()

void CDemoDriver::Start(CMasterWindow* master) {
  m_master = master;
  m_stopAfterStartup = Environment("QH_STOP_AFTER_STARTUP") == "1";
  if (Environment("QH_SNAPSHOT_DIR").empty() && !m_stopAfterStartup) return;
  CreateEx(0, AfxRegisterWndClass(0), "Tonebarn demo driver", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr);
  // After the first-zone timer (2 s) has run.
  SetTimer(kSettleTimer, 2500, nullptr);
}

void CDemoDriver::Stop() {
  if (GetSafeHwnd()) DestroyWindow();
}

void CDemoDriver::OnTimer(UINT_PTR id) {
  if (id != kSettleTimer) return;
  KillTimer(kSettleTimer);
  if (!m_master || !m_master->GetSafeHwnd()) return;
  WriteSnapshots();
  if (m_stopAfterStartup) {
    std::fprintf(stderr, "Tonebarn: started; stopping as asked (QH_STOP_AFTER_STARTUP)\n");
    m_master->ShutdownServer();
  }
}

void CDemoDriver::WriteSnapshots() {
  const std::string folder = Environment("QH_SNAPSHOT_DIR");
  if (folder.empty()) return;
  CJukeboxApp* app = JukeboxApp();
  const int zones = app ? app->GetZoneCount() : 0;
  const int current = m_master->GetCurrentZone();
  auto write = [&](const std::string& name) {
    PumpPending();
    std::string error;
    const std::string path = folder + "/" + name;
    if (qh::gdi::WriteWindowPng(m_master->GetSafeHwnd(), path, &error))
      std::fprintf(stderr, "Tonebarn: snapshot %s\n", path.c_str());
    else
      std::fprintf(stderr, "Tonebarn: snapshot %s failed: %s\n", path.c_str(), error.c_str());
  };
  write("tonebarn-main.png");
  for (int zone = 0; zone < zones && app && app->GetZoneWindow(zone); ++zone) {
    m_master->SelectZone(zone);
    write("tonebarn-zone" + std::to_string(zone + 1) + ".png");
  }
  m_master->SelectZone(current);
}
