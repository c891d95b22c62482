// The main window's messages, commands, timers and shut-down. Layout, painting and keys are in
// MasterLayout.cpp; import and indexing in MasterImport.cpp; the upload merge in UploadMerge.cpp.
#include "jukebox/app/MasterWindow.h"

#include <cstring>

#include "dblib/QHDb.h"
#include "dblib/Storage.h"
#include "platform/core/Exception.h"
#include "jukebox/app/JukeboxApp.h"
#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/MainWindowDialogs.h"
#include "jukebox/app/ZoneWindowKit.h"
#include "platform/ui/MessageBox.h"
#include "recorder/capture/CddbProtocol.h"

using namespace jukebox;

JukeboxDialogRunners& MainWindowDialogs() {
  static JukeboxDialogRunners runners;
  return runners;
}

namespace {
// The first expiry of timer 2 selects zone 0 once per process.
bool g_firstZoneTimerPending = true;
}  // namespace

BEGIN_MESSAGE_MAP(CMasterWindow, CWnd)
  ON_MESSAGE(0x464, OnQuitMessage)
  ON_MESSAGE(kMsgStopRequest, OnStopSignal)
  ON_MESSAGE(0x465, OnImportMessage)
  ON_MESSAGE(0x466, OnRipMessage)
  ON_MESSAGE(0x467, OnOptionsMessage)
  ON_MESSAGE(0x4C8, OnServerStopped)
  ON_MESSAGE(0x468, OnServerNotify)
  ON_MESSAGE(0x469, OnHandlerNotify)
  ON_MESSAGE(0x46A, OnClientThreadStatus)
  ON_MESSAGE(0x46B, OnQueueCommand)
  ON_MESSAGE(0x46C, OnActionFinished)
  ON_WM_CREATE()
  ON_WM_DESTROY()
  ON_WM_PAINT()
  ON_WM_TIMER()
  ON_WM_SIZE()
  ON_WM_NCHITTEST()
  ON_WM_ACTIVATE()
  ON_WM_CLOSE()
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONUP()
END_MESSAGE_MAP()

CMasterWindow::CMasterWindow() = default;

CMasterWindow::~CMasterWindow() {
  if (GetSafeHwnd()) DestroyWindow();
}

int CMasterWindow::OnCreate(LPCREATESTRUCT create) {
  if (CWnd::OnCreate(create) == -1) return -1;
  CJukeboxApp* app = JukeboxApp();
  try {
    m_tvOutput = app ? app->GetTVOutput() : 0;
    CreateControls();
    if (m_zoneCount > 0) m_zoneButtons[0].SetState(1);
    if (m_zoneCount > kMaxZones) m_zoneCount = kMaxZones;
    for (int i = m_zoneCount; i < kMaxZones; ++i) m_zoneButtons[static_cast<size_t>(i)].EnableWindow(FALSE);
    if (app) {
      m_storage = app->GetStorageManager();
      m_songDb = app->GetSongDatabase();
      m_serverPort = static_cast<WORD>(app->GetServerPort() & 0xFFFF);
    }
    // The remote-control server and its action table belong to the remote control, which the program
    // installs; a server that does not start leaves the jukebox running without a control port.
    if (const RemotePortFactory& factory = GetRemotePortFactory()) {
      m_remotePort = factory(*this);
      if (m_remotePort) m_remotePort->StartServer();
    } else if (app) {
      app->WriteErrorLog("W", "MasterWindow", "No remote control was installed in this program: no control port.");
    }
    if (!SetTimer(kTimerFirstZone, 2000, nullptr) || !SetTimer(kTimerStartupActions, 10000, nullptr)) {
      m_statusText = LoadText(IDS_NO_TIMER);
      if (app) app->LogEvent("E", "MasterWindow", m_statusText);
      return -1;
    }
  } catch (const std::bad_alloc&) {
    m_statusText = LoadText(IDS_OUT_OF_MEMORY);
    if (app) app->WriteErrorLog("E", "MasterWindow", m_statusText);
    return -1;
  } catch (CException* e) {
    e->Delete();
    m_statusText = FormatText(IDS_UNEXPECTED, 15);
    if (app) app->WriteErrorLog("E", "MasterWindow", m_statusText);
    return -1;
  }
  return 0;
}

void CMasterWindow::OnDestroy() {
  if (m_remotePort) m_remotePort->OnWindowDestroyed();
  CWnd::OnDestroy();
  KillTimer(kTimerMergeCheck);
  m_titleFont.DeleteObject();
}

BOOL CMasterWindow::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == 0) {
    const UINT id = LOWORD(wParam);
    if (id >= kCmdFirstZone && id < kCmdFirstZone + static_cast<UINT>(m_zoneCount)) {
      SelectZone(static_cast<int>(id - kCmdFirstZone));
    } else {
      switch (id) {
        case kCmdQuit: PostMessage(kMsgQuitRequest); break;
        case kCmdImport: PostMessage(kMsgImport); break;
        case kCmdRipCd: PostMessage(kMsgRipCd); break;
        case kCmdOptions: PostMessage(kMsgOptions); break;
        case kCmdMaximise: ShowWindow(IsZoomed() ? SW_RESTORE : SW_MAXIMIZE); break;
        case kCmdMinimise: ShowWindow(SW_MINIMIZE); break;
        case kCmdAudioMatrix: OnAudioMatrix(); break;
        default: break;
      }
    }
  }
  return CWnd::OnCommand(wParam, lParam);
}

LRESULT CMasterWindow::OnQuitMessage(WPARAM wParam, LPARAM lParam) { return OnShutdownRequest(wParam, lParam); }
LRESULT CMasterWindow::OnImportMessage(WPARAM wParam, LPARAM lParam) { return OnImport(wParam, lParam); }
LRESULT CMasterWindow::OnRipMessage(WPARAM wParam, LPARAM lParam) { return OnRipCD(wParam, lParam); }
LRESULT CMasterWindow::OnOptionsMessage(WPARAM wParam, LPARAM lParam) { return OnOptions(wParam, lParam); }

void CMasterWindow::OnClose() { OnShutdownRequest(0, 0); }

// A service manager's stop (or Ctrl+C) asks no question and offers no compression: the shut-down of
// the remote action SvcShutdown, which also ends a quit question or dialog that is open.
LRESULT CMasterWindow::OnStopSignal(WPARAM wParam, LPARAM) {
  if (m_shuttingDown) return 0;
  CString text;
  text.Format("Stopping on signal %d (%s).", static_cast<int>(wParam), strsignal(static_cast<int>(wParam)));
  if (CJukeboxApp* app = JukeboxApp()) app->WriteErrorLog("I", "MasterWindow", text);
  ShutdownServer();
  return 0;
}

void CMasterWindow::OnTimer(UINT_PTR id) {
  switch (id) {
    case kTimerFirstZone:
      if (g_firstZoneTimerPending) {
        g_firstZoneTimerPending = false;
        SelectZone(0);
        KillTimer(kTimerFirstZone);
        if (!SetTimer(kTimerMergeCheck, 60000, nullptr)) ReportTimerFailure();
      }
      break;
    case kTimerMergeCheck: RunUploadMergeCheck(); break;
    case kTimerStartupActions:
      // The start-up actions are run by the remote control; without it there are none to run.
      KillTimer(kTimerStartupActions);
      if (m_remotePort) m_remotePort->RunStartupActions();
      break;
    case kTimerShutdownFallback:
      KillTimer(kTimerShutdownFallback);
      StopServer();
      return;
    default: break;
  }
  CWnd::OnTimer(id);
}

void CMasterWindow::ReportTimerFailure() {
  m_statusText = LoadText(IDS_NO_TIMER);
  if (CJukeboxApp* app = JukeboxApp()) app->LogEvent("E", "MasterWindow", m_statusText);
}

void CMasterWindow::RunUploadMergeCheck() {
  CJukeboxApp* app = JukeboxApp();
  if (!app || m_bMergeBusy) return;
  const COleDateTime next = app->GetNextUploadMergeTime();
  if (next.GetStatus() == COleDateTime::null) return;
  if (next <= COleDateTime::GetCurrentTime()) {
    MergeUploads();
    app->ScheduleUploadMerge();
  }
}

LRESULT CMasterWindow::OnShutdownRequest(WPARAM, LPARAM) {
  // A second request while the question is open, or after shut-down began, asks nothing more.
  if (m_quitQuestionOpen || m_shuttingDown) return 0;
  m_quitQuestionOpen = true;
  const int answer = ::MessageBox(m_hWnd, LoadText(IDS_QUIT_QUESTION).GetString(), "Quaverhouse",
                                  MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION);
  m_quitQuestionOpen = false;
  if (answer != IDYES || m_shuttingDown || !GetSafeHwnd()) return 0;

  CJukeboxApp* app = JukeboxApp();
  if (app && app->GetCompressOnExit() && m_songDb) {
    const LONG count = m_songDb->OpenUncompressedSongs();
    m_songDb->CloseUncompressedSongs();
    if (count > 0) {
      app->PostZonesMsg46F();
      int bitRate = static_cast<int>(app->GetProfileInt("Recorder", "Mp3Bitrate", 256000));
      if (MainWindowDialogs().compressDialog) {
        MainWindowDialogs().compressDialog(bitRate);
        app->WriteProfileInt("Recorder", "Mp3Bitrate", bitRate);
      } else {
        app->WriteErrorLog("W", "MasterWindow",
                           "No compress dialog was installed in this program; uncompressed songs stay as they are.");
      }
    }
  }
  ShutdownServer();
  return 0;
}

void CMasterWindow::ShutdownServer() {
  m_shuttingDown = 1;
  if (m_remotePort) m_remotePort->ShutdownServer();
  m_playersToWaitFor = 0;
  m_playersStopped = 0;
  if (CJukeboxApp* app = JukeboxApp()) {
    for (int i = 0; i < app->GetZoneCount() && i < kMaxZones; ++i) {
      CWnd* zone = app->GetZoneWindow(i);
      if (zone && ZoneWindowKit().Shutdown(zone, this)) ++m_playersToWaitFor;
    }
  }
  if (m_playersToWaitFor == 0) {
    // Nothing to wait for: no zone player is running.
    StopServer();
    return;
  }
  SetTimer(kTimerShutdownFallback, 10000, nullptr);
}

LRESULT CMasterWindow::OnServerStopped(WPARAM, LPARAM) {
  ++m_playersStopped;
  if (m_playersStopped >= m_playersToWaitFor && m_shuttingDown) {
    KillTimer(kTimerShutdownFallback);
    StopServer();
  }
  return -1;
}

void CMasterWindow::StopServer() {
  if (m_remotePort) m_remotePort->StopServer();
  if (GetSafeHwnd()) DestroyWindow();
}

LRESULT CMasterWindow::OnServerNotify(WPARAM wParam, LPARAM lParam) { return ForwardToPort(0x468, wParam, lParam); }
LRESULT CMasterWindow::OnHandlerNotify(WPARAM wParam, LPARAM lParam) { return ForwardToPort(0x469, wParam, lParam); }
LRESULT CMasterWindow::OnClientThreadStatus(WPARAM wParam, LPARAM lParam) {
  return ForwardToPort(0x46A, wParam, lParam);
}
LRESULT CMasterWindow::OnQueueCommand(WPARAM wParam, LPARAM lParam) { return ForwardToPort(0x46B, wParam, lParam); }
LRESULT CMasterWindow::OnActionFinished(WPARAM wParam, LPARAM lParam) { return ForwardToPort(0x46C, wParam, lParam); }

LRESULT CMasterWindow::ForwardToPort(UINT message, WPARAM wParam, LPARAM lParam) {
  // Only the port posts these; without one nothing carries a block that would need freeing.
  return m_remotePort ? m_remotePort->OnPortMessage(message, wParam, lParam) : -1;
}

// ---- Zone operations ----

void CMasterWindow::SetZoneList(int count, const CStringArray& devices, const CStringArray& descriptions) {
  m_zoneCount = count > kMaxZones ? kMaxZones : count;
  for (INT_PTR i = 0; i < devices.GetSize(); ++i) m_zoneDevices.Add(devices.GetAt(i));
  for (INT_PTR i = 0; i < descriptions.GetSize(); ++i) m_zoneDescriptions.Add(descriptions.GetAt(i));
  for (int i = 0; i < m_zoneCount; ++i) m_zoneExtras.Add(CString());
}

void CMasterWindow::SelectZone(int zone) {
  if (zone < 0 || zone >= kMaxZones) return;
  CSkinButton& button = m_zoneButtons[static_cast<size_t>(zone)];
  if (!button.GetSafeHwnd() || !button.IsWindowEnabled()) return;
  m_currentZone = zone;
  for (int j = 0; j < m_zoneCount; ++j) m_zoneButtons[static_cast<size_t>(j)].SetState(j == zone ? 1 : 0);
  if (CJukeboxApp* app = JukeboxApp()) app->ShowZone(zone);
}

BOOL CMasterWindow::PostToCurrentZone(UINT message, WPARAM wParam, LPARAM lParam) {
  CJukeboxApp* app = JukeboxApp();
  if (!app || m_currentZone < 0 || m_currentZone >= app->GetZoneCount()) return FALSE;
  CWnd* zone = app->GetZoneWindow(m_currentZone);
  if (!zone || !zone->GetSafeHwnd() || !::IsWindow(zone->GetSafeHwnd())) return FALSE;
  return zone->PostMessage(message, wParam, lParam);
}

void CMasterWindow::EnableZoneButton(int zone, BOOL enable) {
  if (zone < 0 || zone >= kMaxZones) return;
  CSkinButton& button = m_zoneButtons[static_cast<size_t>(zone)];
  if (!button.GetSafeHwnd()) return;
  button.EnableWindow(enable);
  button.Invalidate(TRUE);
}

void CMasterWindow::GetZoneRect(LPRECT rect) const {
  if (rect) *rect = m_zoneRect;
}

void CMasterWindow::SetStatusText(const CString& text) {
  m_statusText = text;
  if (GetSafeHwnd()) InvalidateRect(&m_bottomRect, TRUE);
}

// ---- Commands whose dialogs live in their own module ----

LRESULT CMasterWindow::OnRipCD(WPARAM, LPARAM) {
  CJukeboxApp* app = JukeboxApp();
  if (!app || !m_storage) return 0;
  double total = 0;
  m_storage->GetFreeSpace(total);
  const DWORD serial = m_storage->FindVolumeWithRoom();
  if (serial == 0) {
    ::MessageBox(m_hWnd, LoadText(61350).GetString(), "Quaverhouse", MB_OK | MB_ICONHAND);
    return 0;
  }
  const CString root = m_storage->GetRootPath(serial);
  if (root.IsEmpty()) {
    ::MessageBox(m_hWnd, LoadText(61351).GetString(), "Quaverhouse", MB_OK | MB_ICONHAND);
    return 0;
  }
  const CString server = app->GetProfileString("Recorder", "CddbServer", kDefaultCddbServer);
  if (MainWindowDialogs().ripDialog)
    MainWindowDialogs().ripDialog(this, root + "\\Songs", server);
  else
    app->WriteErrorLog("W", "MasterWindow", "No CD rip dialog was installed in this program.");
  return 0;
}

LRESULT CMasterWindow::OnOptions(WPARAM, LPARAM) {
  CJukeboxApp* app = JukeboxApp();
  if (!app) return 0;
  if (!MainWindowDialogs().optionsSheet) {
    app->WriteErrorLog("W", "MasterWindow", "No options sheet was installed in this program.");
    return 0;
  }
  JukeboxOptions options;
  options.webControlEnable = static_cast<int>(app->GetProfileInt("Remote", "WebControlEnable", 1));
  options.errorMessageBox = static_cast<int>(app->GetProfileInt("Jukebox", "ErrorMessageBox", 1));
  options.errorLog = static_cast<int>(app->GetProfileInt("Jukebox", "ErrorLog", 0));
  options.tvOutput = static_cast<int>(app->GetProfileInt("Jukebox", "TVOutput", 0));
  options.compressOnExit = static_cast<int>(app->GetProfileInt("Jukebox", "CompressOnExit", 1));
  options.socketNumber = static_cast<int>(app->GetProfileInt("Remote", "SocketNumber", 12130));
  options.randomPicPath = app->GetProfileString("Jukebox", "RandomPicPath", "");
  options.errorLogPath = app->GetProfileString("Jukebox", "ErrorLogPath", "");
  options.cddbServer = app->GetProfileString("Recorder", "CddbServer", kDefaultCddbServer);
  if (MainWindowDialogs().optionsSheet(this, options) != IDOK) return 0;
  app->WriteProfileInt("Jukebox", "TVOutput", options.tvOutput);
  app->WriteProfileInt("Jukebox", "CompressOnExit", options.compressOnExit);
  app->WriteProfileString("Jukebox", "RandomPicPath", options.randomPicPath.GetString());
  app->WriteProfileInt("Remote", "WebControlEnable", options.webControlEnable);
  app->WriteProfileInt("Remote", "SocketNumber", options.socketNumber);
  app->WriteProfileString("Jukebox", "ErrorLogPath", options.errorLogPath.GetString());
  app->WriteProfileInt("Jukebox", "ErrorMessageBox", options.errorMessageBox);
  app->WriteProfileInt("Jukebox", "ErrorLog", options.errorLog);
  app->WriteProfileString("Recorder", "CddbServer",
                          options.cddbServer.IsEmpty() ? kDefaultCddbServer : options.cddbServer.GetString());
  if (options.startupListChanged && options.writeStartupList && options.writeStartupList() != 0)
    ::MessageBox(m_hWnd, "Error writing Startup XML File", "Quaverhouse", MB_OK | MB_ICONEXCLAMATION);
  ::MessageBox(m_hWnd, LoadText(IDS_RESTART_NOTE).GetString(), "Quaverhouse", MB_OK | MB_ICONASTERISK);
  return 0;
}

void CMasterWindow::OnAudioMatrix() {
  CJukeboxApp* app = JukeboxApp();
  if (!app) return;
  if (!MainWindowDialogs().audioMatrix) {
    app->WriteErrorLog("W", "MasterWindow", "No audio matrix dialog was installed in this program.");
    return;
  }
  app->PullZoneMaps();
  bool changed = false;
  if (MainWindowDialogs().audioMatrix(this, changed) == IDOK && changed) {
    app->PushZoneMaps();
    app->PostZonesCommand101();
  }
}
