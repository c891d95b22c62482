// What the box engine's tests share: a double of the application services that records the log, the
// simulated box (fake_box.py) as a child process, MP3 songs made with sox and lame, and a box zone: a
// window on a GUI thread of its own that hosts a CXSBoxEngine over a plain song queue.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "dblib/Song.h"
#include "jukebox/app/services/JukeboxServices.h"
#include "jukebox/player/XSBoxEngine.h"
#include "platform/ui/WinUser.h"

// ---- Services double ------------------------------------------------------------------------------

struct LogLine {
  std::string severity;
  std::string source;
  std::string text;
  bool forUser = false;  // LogEvent rather than WriteErrorLog
};

class RecordingServices : public CJukeboxServices {
 public:
  RecordingServices();
  ~RecordingServices() override;

  int LogEvent(const CString& severity, const CString& source, const CString& text) override;
  void WriteErrorLog(const CString& severity, const CString& source, const CString& text) override;
  tQHDb* GetSongDatabase() override { return nullptr; }
  tStorage* GetStorageManager() override { return nullptr; }
  tQHFRDb* GetAlbumDatabase() override { return nullptr; }
  CString GetSongDbPath() const override { return CString(); }
  CString GetRandomPicPath() const override { return CString(); }
  CString GetStartDirectory() const override { return CString(); }
  COleDateTime GetStartTime() const override { return COleDateTime(); }
  CString GetVersionText() const override { return "4.0.0"; }
  CString GetLegalText() const override { return CString(); }
  BOOL IsTVOutput() const override { return FALSE; }
  int GetVolumeRampTime() const override { return 6000; }
  int SetVolumeRampTime(int milliseconds) override { return 6000; }
  CString GetZoneDevice(int index) const override { return CString(); }
  bool LockSong(LONG songId) override;
  void UnlockSong(LONG songId) override;
  bool IsSongLocked(LONG songId) const override;
  bool IsSongPlaying(LONG songId) const override { return false; }
  void SetModalDialog(CDialog* dialog) override {}
  void ShowZone(int zoneIndex) override {}
  CWnd* GetMasterWindow() override { return nullptr; }

  std::vector<LogLine> Lines();
  // True when some line contains `part` (and was shown to the user, when asked).
  bool Logged(const std::string& part, bool forUserOnly = false);
  bool WaitForLog(const std::string& part, int milliseconds);
  std::string Describe();

 private:
  CJukeboxServices* m_previous = nullptr;
  mutable std::mutex m_lock;
  std::vector<LogLine> m_lines;
  std::set<LONG> m_locked;
};

// ---- The simulated box ------------------------------------------------------------------------------

struct BoxOptions {
  double byteRate = 16000.0 * 8;  // eight times real time for a 128 kbit/s song
  int buffer = 131072;
  int reportMs = 50;
  long closeAudioAfter = 0;
  long stallAfter = 0;
  long dieAfter = 0;
  int holdAudioMs = 0;  // the audio port's backlog stays full this long: connects stay pending
  bool split = false;
  bool noReply = false;
};

class BoxSimulator {
 public:
  // Starts a box on `address`; ports 0 take free ones (read back with ControlPort/AudioPort).
  BoxSimulator(const std::string& address, const std::string& folder, const BoxOptions& options,
               int controlPort = 0, int audioPort = 0);
  ~BoxSimulator();
  bool Running() const { return m_pid > 0 && m_controlPort > 0; }
  int ControlPort() const { return m_controlPort; }
  int AudioPort() const { return m_audioPort; }
  // Sends one line to the box's standard input ("stall", "resume", "close-audio", "quit").
  void Tell(const std::string& line);
  // Ends the box at once (a box that goes away).
  void Kill();
  std::string CapturePath() const { return m_folder + "/capture.bin"; }
  std::vector<std::string> Commands();
  // For each audio connection accepted, in order: the bytes received before it (exact, from the log).
  std::vector<long> AcceptOffsets();
  // For each time `command` came, the box's byte counter at that moment (what it had reported playing).
  std::vector<long> CountsAtCommand(const std::string& command);
  // A counter of the stats file ("received", "played", "underruns", "volume", ...), -1 when absent.
  long Stat(const std::string& name);
  bool WaitForStat(const std::string& name, const std::function<bool(long)>& test, int milliseconds);
  bool WaitForCommand(const std::string& command, int milliseconds);

 private:
  std::string m_folder;
  int m_pid = -1;
  int m_stdin = -1;
  int m_controlPort = 0;
  int m_audioPort = 0;
};

// A loopback address of its own for each box of a test run (127.0.0.0/8 is all loopback).
std::string NextBoxAddress();

// ---- Songs ------------------------------------------------------------------------------------------

// A temporary folder removed with the object.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

// Makes an MP3 of `seconds` of a tone at 128 kbit/s with an ID3v2 tag in front (so its audio data
// starts past the beginning of the file). Empty when sox or lame failed.
std::string MakeMp3(const std::string& folder, const std::string& name, double seconds, int frequency);
// A song record for a file outside the managed folders (compression "3" unless given).
std::unique_ptr<tSong> SongForFile(LONG songId, const std::string& path, char compression = '3');
std::string ReadFileBytes(const std::string& path, long offset = 0);

// ---- A GUI thread ------------------------------------------------------------------------------------

// A user-interface thread with a message loop; windows made in Run live on it.
class GuiThread {
 public:
  GuiThread();
  ~GuiThread();
  // Runs work on the thread and waits for it; the thread keeps dispatching meanwhile.
  void Run(const std::function<void()>& work);
  template <typename T>
  T Get(const std::function<T()>& read) {
    T value{};
    Run([&] { value = read(); });
    return value;
  }
  // Polls `condition` on the thread until it holds.
  bool WaitFor(const std::function<bool()>& condition, int milliseconds);
  // How long the thread takes to answer one task (it must never be blocked by a box).
  long AnswerMicroseconds();

 private:
  static LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  std::thread m_thread;
  HWND m_helper = nullptr;
};

// ---- A box zone ------------------------------------------------------------------------------------

class TestBoxZone : public CXSEngineHost {
 public:
  TestBoxZone(GuiThread& gui, const std::string& boxAddress, int controlPort, int audioPort, bool start = true);
  ~TestBoxZone() override;

  void Run(const std::function<void()>& work) { m_gui.Run(work); }
  template <typename T>
  T Get(const std::function<T()>& read) {
    return m_gui.Get<T>(read);
  }
  CXSBoxEngine& Engine() { return *m_engine; }
  void AddSong(std::unique_ptr<tSong> song);  // on the window thread
  int PlayIndex(int index);                   // on the window thread
  bool WaitFor(const std::function<bool()>& condition, int milliseconds);

  // ---- CXSEngineHost ----
  HWND EngineWindow() const override { return m_window; }
  int QueueLength() const override { return static_cast<int>(m_queue.size()); }
  tSong* QueueSong(int index) const override;
  int CurrentIndex() const override { return m_currentIndex; }
  tSong* PlayingSong() const override { return m_current; }
  bool IsShuffleOn() const override { return m_shuffle; }
  bool IsRepeatOn() const override { return m_repeat; }
  int DrawRandomIndex(int n) override;
  void SongStarted(tSong* song, const CString& fileType, const CString& lengthText) override;
  void SongPromoted(const tSong& song, int index, const CString& fileType, const CString& lengthText) override;
  void StreamStopped() override;
  void BoxVolumeReported(int volumePercent) override { m_volume = volumePercent; }
  void NothingToPrepare() override { ++m_gaveUp; }
  void ThreadsGone() override { m_threadsGone = true; }

  // Window-thread state, read through Get or Run.
  std::vector<std::unique_ptr<tSong>> m_queue;
  tSong m_kept;
  tSong* m_current = nullptr;
  int m_currentIndex = 0;
  bool m_shuffle = false;
  bool m_repeat = false;
  int m_volume = 100;
  int m_gaveUp = 0;
  bool m_threadsGone = false;
  std::string m_state = "STOPPED";
  std::vector<LONG> m_started;   // SongIDs started by PlaySong
  std::vector<LONG> m_promoted;  // SongIDs made current by promotion
  std::vector<std::string> m_fileTypes;

 private:
  static LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  GuiThread& m_gui;
  HWND m_window = nullptr;
  std::unique_ptr<CXSBoxEngine> m_engine;
  unsigned m_randomState = 12345;
};
