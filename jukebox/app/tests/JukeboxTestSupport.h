// What the jukebox application tests share: a sandbox with a song database on drive D: and the
// jukebox's settings, the log writer registered, message boxes recorded, zone windows that record what
// they are asked, and an application object whose desktop size the test chooses.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "jukebox/app/JukeboxApp.h"
#include "jukebox/app/ZoneWindowKit.h"
#include "platform/core/Registry.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/MessageBox.h"

namespace jukebox::test {

inline constexpr DWORD kMusicSerial = 0xD15C0001;

// A zone window that keeps the commands it gets and reports its shut-down as a player does.
class RecordingZone : public CWnd {
 public:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  std::vector<UINT> commands;
  std::vector<UINT> privateMessages;
  int streamNumber = -1;
  CString description, device;
  bool tv = false, exstreamer = false;
  LONG currentSong = 0;
  std::set<LONG> stateMap;
  CString status;
};

class RecordingZoneKit : public CZoneWindowKit {
 public:
  RecordingZoneKit();
  ~RecordingZoneKit() override;
  CString MissingPart() const override { return missing; }
  CWnd* Construct(bool tvLayout, bool exstreamer) override;
  void Configure(CWnd* zone, int streamNumber, const CString& description, const CString& device) override;
  void Delete(CWnd* zone) override;
  LONG GetCurrentSongId(CWnd* zone) override;
  bool IsExstreamer(CWnd* zone) override;
  void GetStateMap(CWnd* zone, std::set<LONG>& sources) override;
  void SetStateMap(CWnd* zone, const std::set<LONG>& sources) override;
  BOOL Shutdown(CWnd* zone, CWnd* notify) override;
  void SetStatusText(CWnd* zone, const CString& text) override;

  std::vector<RecordingZone*> zones;  // in construction order; deleted ones are removed
  CString missing;
  bool noBoxZones = false;      // true: box zones cannot be made (their engine is missing)
  bool answerShutdown = true;  // false: the players never report that they have shut down
  int shutdowns = 0;
};

class TestJukeboxApp : public CJukeboxApp {
 public:
  RECT desktop{0, 0, 1280, 1024};

 protected:
  RECT GetDesktopRect() override { return desktop; }
};

class JukeboxEnvironment {
 public:
  JukeboxEnvironment();
  ~JukeboxEnvironment();

  // The database folder "D:\Quaverhouse" with a new song database, and SongDbPath naming it.
  void MakeDatabase();
  ProfileStore& Profile() { return profile_; }
  qh::testing::TestSandbox& Sandbox() { return sandbox_; }
  // Starts a new application object (the command line after the program's name as given).
  TestJukeboxApp& NewApp(const char* commandLine = "12abc");
  TestJukeboxApp* App() { return app_.get(); }
  // InitInstance, and ExitInstance again when it refused (as the framework does).
  BOOL Start();
  int Stop();
  // Today's log file of the start directory's Logs folder.
  std::string LogText() const;

  std::vector<qh::ui::MessageBoxRequest> boxes;
  std::function<int(const qh::ui::MessageBoxRequest&)> answer;  // default: the box's default button
  RecordingZoneKit kit;

 private:
  qh::testing::TestSandbox sandbox_;
  ProfileStore profile_;
  std::unique_ptr<TestJukeboxApp> app_;
  bool exited_ = true;
};

// Makes a sound file with sox (and lame for .mp3); the tags are those lame writes.
void MakeSong(const std::string& hostPath, const std::string& title, const std::string& artist, double seconds = 1.0);
// Dispatches the thread's messages for `milliseconds`, or until `done` holds.
void Pump(int milliseconds, const std::function<bool()>& done = nullptr);
// Text of the boxes seen, one per line, for failure messages.
std::string BoxTexts(const std::vector<qh::ui::MessageBoxRequest>& boxes);

}  // namespace jukebox::test
