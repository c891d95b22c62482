// What the player tests share: a double of the application's services that records the log, a sink
// that records the remote-control events, a parent window that records what players post to it, and
// pumping the thread's messages.
#pragma once

#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "jukebox/app/services/JukeboxServices.h"
#include "jukebox/app/services/RemoteEvents.h"
#include "platform/ui/AfxWin.h"

namespace jukebox::player_testing {

struct LogLine {
  std::string severity;
  std::string source;
  std::string text;
  bool shown;  // through LogEvent (log and message box), not WriteErrorLog
};

class FakeJukeboxServices : public CJukeboxServices {
 public:
  FakeJukeboxServices();
  ~FakeJukeboxServices() override;

  int LogEvent(const CString& severity, const CString& source, const CString& text) override;
  void WriteErrorLog(const CString& severity, const CString& source, const CString& text) override;
  tQHDb* GetSongDatabase() override { return songDatabase; }
  tStorage* GetStorageManager() override { return storage; }
  tQHFRDb* GetAlbumDatabase() override { return nullptr; }
  CString GetSongDbPath() const override { return songDbPath; }
  CString GetRandomPicPath() const override { return randomPicPath; }
  CString GetStartDirectory() const override { return startDirectory; }
  COleDateTime GetStartTime() const override { return startTime; }
  CString GetVersionText() const override { return "4.0.0"; }
  CString GetLegalText() const override { return "Copyright (C) 2026 Tallowmere"; }
  BOOL IsTVOutput() const override { return FALSE; }
  int GetVolumeRampTime() const override { return rampTime; }
  int SetVolumeRampTime(int milliseconds) override;
  CString GetZoneDevice(int index) const override;
  bool LockSong(LONG songId) override { return lockedSongs.insert(songId).second; }
  void UnlockSong(LONG songId) override { lockedSongs.erase(songId); }
  bool IsSongLocked(LONG songId) const override { return lockedSongs.count(songId) != 0; }
  bool IsSongPlaying(LONG) const override { return false; }
  void SetModalDialog(CDialog*) override {}
  void ShowZone(int) override {}
  CWnd* GetMasterWindow() override { return nullptr; }

  // The lines whose text contains `part`.
  int CountLines(const std::string& part) const;

  tQHDb* songDatabase = nullptr;
  tStorage* storage = nullptr;
  CString songDbPath = "C:\\Quaverhouse";
  CString randomPicPath;
  CString startDirectory = "C:\\";
  COleDateTime startTime = COleDateTime::GetCurrentTime();
  int rampTime = 6000;
  std::vector<std::string> zoneDevices;
  std::set<LONG> lockedSongs;
  std::vector<LogLine> log;

 private:
  CJukeboxServices* previous_;
};

struct RemoteEvent {
  std::string kind;  // "volume", "song", "position", "state"
  int stream;
  long value;         // volume, SongID or position
  std::string state;  // the state name of "state" events
};

class RecordingEventSink : public CRemoteEventSink {
 public:
  RecordingEventSink();
  ~RecordingEventSink() override;
  void FireVolumeChanged(int streamNumber, int volumePercent) override;
  void FireSongChanged(int streamNumber, const tSong& song) override;
  void FireSongPosChanged(int streamNumber, LONG positionMs) override;
  void FirePlayerStateChanged(int streamNumber, const CString& state) override;
  std::vector<long> Values(const std::string& kind) const;

  std::vector<RemoteEvent> events;

 private:
  CRemoteEventSink* previous_;
};

// A top-level window that keeps the messages posted to it (the main window of the players).
class MessageRecorder : public CWnd {
 public:
  MessageRecorder();
  ~MessageRecorder() override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  int Count(UINT message) const;
  std::vector<UINT> messages;
};

// Dispatches the thread's messages until `done` holds or the time is up; the result of `done`.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10));
void PumpFor(std::chrono::milliseconds duration);
// Dispatches until every message this thread had posted to itself has been handled, and with it the
// messages those posted in turn, `generations` deep: what the thread was going to do on its own has
// been done, so a test may assert that nothing more happened. False when that took longer than `limit`.
// Posts from other threads are events of their own and need a wait of their own.
bool SettlePostedMessages(int generations = 3, std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace jukebox::player_testing
