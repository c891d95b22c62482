// Start-up and shut-down of the jukebox, in their fixed order. Every refusal is logged (and shown) with
// its own message, and shut-down copes with whatever start-up did not get to.
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <new>
#include <vector>

#include "dblib/AlbumDb.h"
#include "dblib/QHDb.h"
#include "dblib/Storage.h"
#include "jukebox/app/JukeboxApp.h"
#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/LibraryEdits.h"
#include "jukebox/app/MasterWindow.h"
#include "jukebox/app/ZoneWindowKit.h"
#include "logwriter/ITSLLogWriter.h"
#include "platform/com/ComRuntime.h"
#include "platform/core/CrtNumbers.h"
#include "platform/core/FileApi.h"
#include "platform/core/NamedMutex.h"
#include "platform/core/VersionInfo.h"
#include "platform/dao/DaoException.h"
#include "platform/media/DeviceEnum.h"
#include "platform/sock/WinSock2.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/gdi/Gdi.h"

using namespace jukebox;

#ifndef ICON_BIG
#define ICON_BIG 1
#endif

namespace {
constexpr int kMinimumWidth = 800;
constexpr int kMinimumHeight = 600;
}  // namespace

BOOL CJukeboxApp::InitInstance() {
  SetJukeboxServices(this);
  const char* trace = std::getenv("QH_TRACE");
  m_traceToStderr = trace ? std::atoi(trace) != 0 : isatty(STDERR_FILENO) != 0;
  try {
    return RunStartup();
  } catch (CDaoException* e) {
    RestoreWaitCursor();
    const CString description = e->m_pErrorInfo ? e->m_pErrorInfo->m_strDescription : CString();
    const LONG code = e->m_pErrorInfo ? e->m_pErrorInfo->m_lErrorCode : 0;
    e->Delete();
    LogEvent("S", "Main", FormatText(IDS_DB_EXCEPTION, description.GetString(), code));
  } catch (const std::bad_alloc&) {
    RestoreWaitCursor();
    LogEvent("S", "Main", LoadText(IDS_OUT_OF_MEMORY));
  } catch (CException* e) {
    RestoreWaitCursor();
    e->Delete();
    LogEvent("E", "Main", FormatText(IDS_UNEXPECTED, 1));
  } catch (...) {
    RestoreWaitCursor();
    LogEvent("E", "Main", FormatText(IDS_UNEXPECTED, 1));
  }
  return FALSE;
}

BOOL CJukeboxApp::RunStartup() {
  m_windowTitle = LoadText(IDS_WINDOW_TITLE);
  m_mutexName = LoadText(IDS_MUTEX_NAME);
  BeginWaitCursor();
  SetRegistryKey("Tallowmere");
  ReadVersionInfo();
  char directory[262] = {};
  GetCurrentDirectory(sizeof directory, directory);
  m_startDirectory = directory;
  m_errorLog = static_cast<int>(GetProfileInt("Jukebox", "ErrorLog", 0));
  m_errorMessageBox = static_cast<int>(GetProfileInt("Jukebox", "ErrorMessageBox", 1));
  CoInitialize(nullptr);
  if (m_errorLog) OpenErrorLog();

  WSADATA data{};
  if (WSAStartup(MAKEWORD(2, 0), &data) == 0) {
    m_winsockStarted = TRUE;
  } else {
    ::MessageBox(nullptr, LoadText(IDS_NO_WINSOCK).GetString(), "Quaverhouse", MB_OK | MB_ICONHAND);
  }

  if (!StartSingleInstance()) return FALSE;

  std::srand(static_cast<unsigned>(std::time(nullptr)));
  ReadDeviceIdFromCommandLine();

  if (!ReadConfiguration()) return FALSE;
  if (!OpenStorage()) return FALSE;
  ReadRemoteSettings();
  ReadZoneSettings();
  NoteSilentDefaultOutput();
  ReadProjectX();
  ParseXMLDeviceDef();
  ReadXMLActionList();
  if (!CheckBrowser()) return FALSE;

  m_startTime = COleDateTime::GetCurrentTime();
  m_appIcon = LoadIcon(kAppIcon);
  m_windowClass = AfxRegisterWndClass(CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, nullptr,
                                      static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)), nullptr);
  if (!CreateMainWindow()) return FALSE;
  if (!CreateZoneWindows()) return FALSE;
  ShowZone(0);
  EndWaitCursor();
  return TRUE;
}

BOOL CJukeboxApp::StartSingleInstance() {
  m_mutex = CreateMutex(nullptr, TRUE, m_mutexName.GetString());
  if (m_mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
    // The name belongs to another program; this handle never owned it.
    CloseHandle(m_mutex);
    m_mutex = nullptr;
    LogEvent("S", "Main", LoadText(IDS_OTHER_PROGRAM));
    return FALSE;
  }
  return TRUE;
}

void CJukeboxApp::NoteSilentDefaultOutput() {
  for (int i = 0; i < m_zoneCount; ++i) {
    const CString device = m_zoneDevices.GetAt(i);
    if (!device.IsEmpty() && device != qh::media::kDefaultAudioDevice) continue;
    if (qh::media::HasSoundOutput()) return;
    CString text;
    text.Format("No sound device was found: the zones on \"%s\" play on \"%s\".", qh::media::kDefaultAudioDevice,
                qh::media::kNullAudioDevice);
    WriteErrorLog("W", "Main", text);
    return;
  }
}

void CJukeboxApp::ReadDeviceIdFromCommandLine() {
  m_deviceId = m_lpCmdLine ? qh_atol(m_lpCmdLine) : 0;
}

BOOL CJukeboxApp::OpenStorage() {
  m_storage = std::make_unique<tStorage>(m_songDb->GetDatabase());
  const int code = m_storage->Init(m_songDb->GetExpectedVersion(), m_songDbPath);
  if (code != 0) {
    LogEvent("S", "Main", FormatText(IDS_STORAGE_INIT, code));
    return FALSE;
  }
  LoadStorageVolumes(*m_songDb, *m_storage);
  if (m_storage->HasDuplicateVolumes()) LogEvent("S", "Main", LoadText(IDS_DUPLICATE_SERIALS));
  double total = 0;
  m_storage->GetFreeSpace(total);
  m_storage->CountSongsPerVolume();
  return TRUE;
}

BOOL CJukeboxApp::CheckBrowser() {
  DWORD major = 0, minor = 0;
  GetShellBrowserVersion(&major, &minor);
  if (major < 4) {
    LogEvent("S", "Main", LoadText(IDS_OLD_BROWSER));
    return FALSE;
  }
  return TRUE;
}

BOOL CJukeboxApp::CreateMainWindow() {
  m_masterWindow = new CMasterWindow();
  m_masterWindow->SetZoneList(m_zoneCount, m_zoneDevices, m_zoneDescriptions);

  const RECT desktop = GetDesktopRect();
  const int desktopWidth = desktop.right - desktop.left, desktopHeight = desktop.bottom - desktop.top;
  if (desktopWidth < kMinimumWidth || desktopHeight < kMinimumHeight) {
    LogEvent("E", "Main", FormatText(IDS_SCREEN_TOO_SMALL, static_cast<LONG>(kMinimumWidth),
                                     static_cast<LONG>(kMinimumHeight)));
    delete m_masterWindow;
    m_masterWindow = nullptr;
    return FALSE;
  }
  const int width = m_tvOutput ? 800 : (desktopWidth < 1024 ? desktopWidth : 1024);
  const int height = 600;
  if (!m_masterWindow->CreateEx(0, m_windowClass, m_windowTitle.GetString(),
                                WS_POPUP | WS_VISIBLE | WS_SYSMENU | WS_MINIMIZEBOX, desktop.left, desktop.top, width,
                                height, nullptr, nullptr)) {
    LogEvent("E", "Main", FormatText(IDS_FATAL, "Tonebarn.InitInstance.CreateMainWnd"));
    delete m_masterWindow;
    m_masterWindow = nullptr;
    return FALSE;
  }
  m_pMainWnd = m_masterWindow;
  m_masterWindow->SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_appIcon));
  m_masterWindow->ShowWindow(SW_SHOWNORMAL);
  m_masterWindow->Invalidate(TRUE);
  m_masterWindow->UpdateWindow();
  return TRUE;
}

BOOL CJukeboxApp::CreateZoneWindows() {
  if (m_zoneCount > kMaxZones) m_zoneCount = kMaxZones;
  CZoneWindowKit& kit = ZoneWindowKit();
  const CString missing = kit.MissingPart();
  if (!missing.IsEmpty()) {
    LogEvent("W", "Main", "Zone windows not created: " + missing + ".");
    m_masterWindow->SetStatusText("No zones: the zone windows are not part of this build");
    return TRUE;
  }
  RECT zoneRect{};
  m_masterWindow->GetZoneRect(&zoneRect);
  for (int i = 0; i < m_zoneCount; ++i) {
    const CString device = m_zoneDevices.GetAt(i);
    CWnd* zone = kit.Construct(m_tvOutput != 0, IsExstreamerDevice(device));
    CString caption;
    caption.Format("Zone %d [%s]", i + 1, device.GetString());
    if (!zone) {
      // The build has no window class for this kind of zone (its engine is missing): the zone is left
      // out and the log says so; the other zones play.
      LogEvent("W", "Main", caption + " not created: the engine for this kind of zone is not part of this build.");
      continue;
    }
    m_zoneWindows[static_cast<size_t>(i)] = zone;
    kit.Configure(zone, i, m_zoneDescriptions.GetAt(i), device);
    if (!zone->CreateEx(0, m_windowClass, caption.GetString(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                                 zoneRect, m_masterWindow, 0)) {
      LogEvent("E", "Main", FormatText(IDS_FATAL, "Tonebarn.InitInstance.CreateZoneWnd"));
      kit.Delete(zone);
      m_zoneWindows[static_cast<size_t>(i)] = nullptr;
      return FALSE;
    }
    zone->ShowWindow(SW_SHOWNORMAL);
    zone->Invalidate(TRUE);
    zone->UpdateWindow();
  }
  return TRUE;
}

void CJukeboxApp::ReadVersionInfo() {
  char path[261] = {};
  if (GetModuleFileName(nullptr, path, sizeof path - 1) == 0) {
    LogEvent("W", "Main", LoadText(IDS_NO_VERSION));
    return;
  }
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSize(path, &handle);
  if (size == 0) return;
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfo(path, handle, size, block.data())) return;
  void* value = nullptr;
  UINT length = 0;
  if (VerQueryValue(block.data(), "\\", &value, &length) && value) {
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    m_versionMajor = HIWORD(fixed->dwFileVersionMS);
    m_versionMinor = LOWORD(fixed->dwFileVersionMS);
    m_versionBuild = HIWORD(fixed->dwFileVersionLS);
    m_shortVersion.Format("%d.%d", m_versionMajor, m_versionMinor);
    m_longVersion.Format("%d.%d.%d", m_versionMajor, m_versionMinor, m_versionBuild);
  }
  if (VerQueryValue(block.data(), "\\StringFileInfo\\040904B0\\LegalCopyright", &value, &length) && value)
    m_copyright = static_cast<const char*>(value);
}

int CJukeboxApp::ExitInstance() {
  m_shuttingDown = 1;
  WriteLogLine("I", "Main", "Quaverhouse Jukebox is shutting down :(");
  WriteLogLine("I", "Main", kLogFrameLine);
  DestroyWindows();
  FreeRemoteDefinitions();
  // The outbound connections and the remote-control maps belong to the remote control, which a build
  // without it does not have.
  m_storage.reset();
  CloseDatabases();
  if (m_mutex) {
    ReleaseMutex(m_mutex);
    CloseHandle(m_mutex);
    m_mutex = nullptr;
  }
  if (m_winsockStarted) {
    WSACleanup();
    m_winsockStarted = FALSE;
  }
  if (m_logWriter) {
    m_logWriter->Release();
    m_logWriter = nullptr;
  }
  CoUninitialize();
  if (JukeboxServices() == this) SetJukeboxServices(nullptr);
  return CWinApp::ExitInstance();
}

void CJukeboxApp::DestroyWindows() {
  for (CWnd*& zone : m_zoneWindows) {
    if (!zone) continue;
    if (zone->GetSafeHwnd()) zone->DestroyWindow();
    ZoneWindowKit().Delete(zone);
    zone = nullptr;
  }
  if (m_masterWindow) {
    if (m_masterWindow->GetSafeHwnd()) m_masterWindow->DestroyWindow();
    delete m_masterWindow;
    m_masterWindow = nullptr;
    m_pMainWnd = nullptr;
  }
}

void CJukeboxApp::CloseDatabases() {
  if (m_songDb) {
    m_songDb->Close();
    m_songDb.reset();
  }
  if (m_albumDb) {
    m_albumDb->Close();
    m_albumDb.reset();
  }
}
