// The jukebox's application object: it starts the program in a fixed order (settings, log, single
// instance, databases, volumes, main window, zone windows), owns everything that lives as long as the
// program, and is the services object the players and zone windows call.
#pragma once

#include <array>
#include <memory>
#include <set>

#include "jukebox/app/services/JukeboxServices.h"
#include "platform/core/Collections.h"
#include "platform/core/DateTime.h"
#include "platform/ui/WinApp.h"

class CMasterWindow;
struct ITSLLogWriter;
class CDaoDatabase;

class CJukeboxApp : public CWinApp, public CJukeboxServices {
 public:
  static constexpr int kMaxZones = 8;

  CJukeboxApp();
  ~CJukeboxApp() override;

  BOOL InitInstance() override;
  int ExitInstance() override;

  // ---- Configuration (registry profile) ----
  BOOL ReadConfiguration();
  int ReadRemoteSettings();
  void ReadZoneSettings();
  void ReadVersionInfo();

  // ---- The remote control's own files (none without a remote control; results as its readers give) ----
  int ReadProjectX();
  int ParseXMLDeviceDef();
  int ReadXMLActionList();

  // ---- Event log and message boxes ----
  int LogEvent(const CString& severity, const CString& source, const CString& text) override;
  void WriteErrorLog(const CString& severity, const CString& source, const CString& text) override;
  // The same as WriteErrorLog, with its result: FALSE without a log writer or when it failed.
  BOOL WriteLogLine(const CString& severity, const CString& source, const CString& text);
  BOOL OpenErrorLog();
  // The message-box icon for a severity letter ("S" stop, "E" exclamation, "W" question, else information).
  static UINT IconForSeverity(const CString& severity);

  // ---- Accessors ----
  int GetTVOutput() const { return m_tvOutput; }
  int GetCompressOnExit() const { return m_compressOnExit; }
  int GetWebControlEnable() const { return m_webControlEnable; }
  int GetServerPort() const { return m_serverPort; }
  CString GetSongDbPath() const override { return m_songDbPath; }
  CString GetSongsFolder() const { return m_songsFolder; }
  CString GetStartDirectory() const override { return m_startDirectory; }
  CString GetRandomPicPath() const override { return m_randomPicPath; }
  CString GetUploadPath() const { return m_uploadPath; }
  tQHDb* GetSongDatabase() override { return m_songDb.get(); }
  CDaoDatabase* GetSongDaoDatabase();
  tStorage* GetStorageManager() override { return m_storage.get(); }
  tQHFRDb* GetAlbumDatabase() override { return m_albumDb.get(); }
  COleDateTime GetStartTime() const override { return m_startTime; }
  CString GetVersionText() const override { return m_longVersion; }
  CString GetShortVersionText() const { return m_shortVersion; }
  CString GetLegalText() const override { return m_copyright; }
  BOOL IsTVOutput() const override { return m_tvOutput != 0; }
  LONG GetDeviceId() const { return m_deviceId; }
  BOOL IsShuttingDown() const { return m_shuttingDown != 0; }

  int GetZoneCount() const { return m_zoneCount; }
  CWnd* GetZoneWindow(int index) { return m_zoneWindows[static_cast<size_t>(index)]; }
  void GetZoneDesc(int index, CString& text) const;
  void GetZoneDevice(int index, CString& text) const;
  CString GetZoneDevice(int index) const override;
  const CStringArray& GetZoneDevices() const { return m_zoneDevices; }
  const CStringArray& GetZoneDescriptions() const { return m_zoneDescriptions; }
  void ShowZone(int zoneIndex) override;
  void PostZonesCommand101();
  void PostZonesCommand109();
  void PostZonesMsg46F();

  bool IsSongPlaying(LONG songId) const override;
  bool LockSong(LONG songId) override;
  void UnlockSong(LONG songId) override { ReleaseSongLock(songId); }
  bool ReleaseSongLock(LONG songId);
  bool IsSongLocked(LONG songId) const override;
  void SetModalDialog(CDialog* dialog) override { m_modalDialog = dialog; }
  CDialog* GetModalDialog() const { return m_modalDialog; }
  int GetVolumeRampTime() const override { return m_volumeRampTime; }
  int SetVolumeRampTime(int milliseconds) override;
  CWnd* GetMasterWindow() override;
  CMasterWindow* GetMainWindow() const { return m_masterWindow; }

  // ---- Upload merge schedule ----
  void ScheduleUploadMerge();
  // Null when the merge is disabled for this run.
  COleDateTime GetNextUploadMergeTime() const { return m_nextUploadMerge; }

  // ---- Zone source sets of the audio matrix ----
  BOOL PullZoneMaps();
  BOOL PushZoneMaps();
  void GetZoneMap(int zone, std::set<LONG>& sources) const;
  void SetZoneMap(int zone, const std::set<LONG>& sources);

  // The web-browser control's version: S_OK with the numbers, E_INVALIDARG for missing outputs,
  // E_FAIL when the control's library or its version export cannot be had.
  HRESULT GetShellBrowserVersion(DWORD* major, DWORD* minor);

 protected:
  // What start-up asks of its surroundings; a test replaces them to reach rare outcomes.
  virtual RECT GetDesktopRect();

 private:
  BOOL RunStartup();
  BOOL StartSingleInstance();
  BOOL OpenStorage();
  BOOL CheckBrowser();
  BOOL CreateMainWindow();
  BOOL CreateZoneWindows();
  void ReadDeviceIdFromCommandLine();
  // One log line when zones on the system's default output will be silent: there is no sound device.
  void NoteSilentDefaultOutput();
  void ComputeUploadMergeTime();
  void WriteStartupLines();
  void DestroyWindows();
  void FreeRemoteDefinitions();
  void CloseDatabases();

  CMasterWindow* m_masterWindow = nullptr;
  std::array<CWnd*, kMaxZones> m_zoneWindows{};
  int m_zoneCount = 0;
  CStringArray m_zoneDevices;
  CStringArray m_zoneDescriptions;
  std::array<std::set<LONG>, kMaxZones> m_zoneMaps;

  CString m_windowTitle;
  CString m_mutexName;
  CString m_songDbPath;
  CString m_songsFolder;
  CString m_startDirectory;
  CString m_uploadPath;
  CString m_randomPicPath;
  int m_tvOutput = 0;
  int m_compressOnExit = 0;
  int m_webControlEnable = 0;
  int m_serverPort = 12130;
  int m_errorLog = 0;
  int m_errorMessageBox = 0;
  BOOL m_winsockStarted = FALSE;

  std::unique_ptr<tQHDb> m_songDb;
  std::unique_ptr<tQHFRDb> m_albumDb;
  std::unique_ptr<tStorage> m_storage;
  HANDLE m_mutex = nullptr;
  LONG m_deviceId = 1;

 public:
  const char* const m_programFileName = "tonebarn.exe";
  const char* const m_author = "Tallowmere";

 private:
  int m_versionMajor = 0;
  int m_versionMinor = 0;
  int m_versionBuild = 0;
  CString m_shortVersion;
  CString m_longVersion;
  CString m_copyright;
  BYTE m_shuttingDown = 0;
  COleDateTime m_startTime;
  COleDateTime m_nextUploadMerge;
  COleDateTime m_uploadMergeTimeOfDay;
  std::set<LONG> m_songLocks;
  CDialog* m_modalDialog = nullptr;
  int m_volumeRampTime = 6000;
  ITSLLogWriter* m_logWriter = nullptr;
  HICON m_appIcon = nullptr;
  LPCSTR m_windowClass = nullptr;
  bool m_traceToStderr = false;
};

// The running jukebox (the framework's current application), or nullptr in a program without one.
CJukeboxApp* JukeboxApp();
