// The application object's members and accessors; start-up and shut-down are in JukeboxStartup.cpp,
// the settings in JukeboxSettings.cpp, the log in EventLog.cpp.
#include "jukebox/app/JukeboxApp.h"

#include "dblib/AlbumDb.h"
#include "dblib/QHDb.h"
#include "dblib/Storage.h"
#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/MasterWindow.h"
#include "jukebox/app/ZoneWindowKit.h"
#include "platform/core/DynamicLibrary.h"

namespace jukebox {

CString LoadText(UINT id) {
  CString text;
  text.LoadString(id);
  return text;
}

}  // namespace jukebox

CJukeboxApp* JukeboxApp() { return dynamic_cast<CJukeboxApp*>(AfxGetApp()); }

CJukeboxApp::CJukeboxApp() = default;

CJukeboxApp::~CJukeboxApp() {
  // ExitInstance normally ran; a test that only constructed the object leaves nothing behind either.
  if (JukeboxServices() == this) SetJukeboxServices(nullptr);
}

CDaoDatabase* CJukeboxApp::GetSongDaoDatabase() { return m_songDb ? m_songDb->GetDatabase() : nullptr; }

CWnd* CJukeboxApp::GetMasterWindow() { return m_masterWindow; }

void CJukeboxApp::GetZoneDesc(int index, CString& text) const {
  text = (index >= 0 && index < m_zoneCount && index < m_zoneDescriptions.GetSize())
             ? m_zoneDescriptions.GetAt(index)
             : CString();
}

void CJukeboxApp::GetZoneDevice(int index, CString& text) const {
  text = (index >= 0 && index < m_zoneCount && index < m_zoneDevices.GetSize()) ? m_zoneDevices.GetAt(index)
                                                                                 : CString();
}

CString CJukeboxApp::GetZoneDevice(int index) const {
  CString text;
  GetZoneDevice(index, text);
  return text;
}

void CJukeboxApp::ShowZone(int zoneIndex) {
  for (int i = 0; i < kMaxZones; ++i) {
    CWnd* zone = m_zoneWindows[static_cast<size_t>(i)];
    if (!zone || !zone->GetSafeHwnd()) continue;
    if (i == zoneIndex) {
      zone->EnableWindow(TRUE);
      zone->ShowWindow(SW_SHOWNORMAL);
      zone->SetFocus();
    } else {
      zone->EnableWindow(FALSE);
      zone->ShowWindow(SW_HIDE);
    }
  }
}

namespace {
void PostToZones(const std::array<CWnd*, CJukeboxApp::kMaxZones>& zones, UINT message, WPARAM wParam) {
  for (CWnd* zone : zones)
    if (zone && zone->GetSafeHwnd()) zone->PostMessage(message, wParam, 0);
}
}  // namespace

void CJukeboxApp::PostZonesCommand101() { PostToZones(m_zoneWindows, WM_COMMAND, jukebox::kZoneStop); }
void CJukeboxApp::PostZonesCommand109() { PostToZones(m_zoneWindows, WM_COMMAND, jukebox::kZonePause); }
void CJukeboxApp::PostZonesMsg46F() { PostToZones(m_zoneWindows, jukebox::kMsgBeforeCompress, 0); }

bool CJukeboxApp::IsSongPlaying(LONG songId) const {
  for (CWnd* zone : m_zoneWindows)
    if (zone && ZoneWindowKit().GetCurrentSongId(zone) == songId) return true;
  return false;
}

bool CJukeboxApp::LockSong(LONG songId) { return m_songLocks.insert(songId).second; }
bool CJukeboxApp::ReleaseSongLock(LONG songId) { return m_songLocks.erase(songId) > 0; }
bool CJukeboxApp::IsSongLocked(LONG songId) const { return m_songLocks.count(songId) > 0; }

int CJukeboxApp::SetVolumeRampTime(int milliseconds) {
  const int previous = m_volumeRampTime;
  if (milliseconds >= 100 && milliseconds <= 30000) m_volumeRampTime = milliseconds;
  return previous;
}

void CJukeboxApp::ScheduleUploadMerge() {
  m_nextUploadMerge += COleDateTimeSpan(1, 0, 0, 0);
  WriteErrorLog("I", "Main", "Next Upload Merge time: " + m_nextUploadMerge.Format("%c"));
}

BOOL CJukeboxApp::PullZoneMaps() {
  for (int i = 0; i < m_zoneCount && i < kMaxZones; ++i) {
    auto& sources = m_zoneMaps[static_cast<size_t>(i)];
    sources.clear();
    if (CWnd* zone = m_zoneWindows[static_cast<size_t>(i)]) ZoneWindowKit().GetStateMap(zone, sources);
  }
  return TRUE;
}

BOOL CJukeboxApp::PushZoneMaps() {
  for (int i = 0; i < m_zoneCount && i < kMaxZones; ++i) {
    const auto& sources = m_zoneMaps[static_cast<size_t>(i)];
    CWnd* zone = m_zoneWindows[static_cast<size_t>(i)];
    if (!zone) continue;
    ZoneWindowKit().SetStateMap(zone, sources);
    if (!ZoneWindowKit().IsExstreamer(zone) && m_masterWindow)
      m_masterWindow->EnableZoneButton(i, !sources.empty());
  }
  return TRUE;
}

void CJukeboxApp::GetZoneMap(int zone, std::set<LONG>& sources) const {
  if (zone >= 0 && zone < kMaxZones) sources = m_zoneMaps[static_cast<size_t>(zone)];
}

void CJukeboxApp::SetZoneMap(int zone, const std::set<LONG>& sources) {
  if (zone >= 0 && zone < kMaxZones) m_zoneMaps[static_cast<size_t>(zone)] = sources;
}

HRESULT CJukeboxApp::GetShellBrowserVersion(DWORD* major, DWORD* minor) {
  if (!major || !minor) return E_INVALIDARG;
  *major = 0;
  *minor = 0;
  HMODULE library = LoadLibrary("shdocvw.dll");
  if (!library) return E_FAIL;
  struct DllVersionInfo {
    DWORD cbSize, dwMajorVersion, dwMinorVersion, dwBuildNumber, dwPlatformID;
  };
  using DllGetVersionProc = HRESULT (*)(DllVersionInfo*);
  auto getVersion = reinterpret_cast<DllGetVersionProc>(GetProcAddress(library, "DllGetVersion"));
  if (!getVersion) {
    FreeLibrary(library);
    return E_FAIL;
  }
  DllVersionInfo info{};
  info.cbSize = sizeof info;
  const HRESULT result = getVersion(&info);
  if (SUCCEEDED(result)) {
    *major = info.dwMajorVersion;
    *minor = info.dwMinorVersion;
  }
  FreeLibrary(library);
  return result;
}

RECT CJukeboxApp::GetDesktopRect() {
  RECT rect{};
  ::GetClientRect(::GetDesktopWindow(), &rect);
  return rect;
}
