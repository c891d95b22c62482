#include "jukebox/app/tests/JukeboxTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <thread>

#include "jukebox/app/JukeboxIds.h"
#include "logwriter/DailyLogFile.h"
#include "maintenance/schema/SongDbSchema.h"
#include "platform/com/ComRuntime.h"
#include "platform/core/FileApi.h"
#include "platform/ui/AfxWin.h"

namespace jukebox::test {

BOOL RecordingZone::OnCommand(WPARAM wParam, LPARAM) {
  commands.push_back(LOWORD(wParam));
  return TRUE;
}

LRESULT RecordingZone::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= WM_USER && message != WM_COMMAND) privateMessages.push_back(message);
  return CWnd::WindowProc(message, wParam, lParam);
}

RecordingZoneKit::RecordingZoneKit() { SetZoneWindowKit(this); }
RecordingZoneKit::~RecordingZoneKit() { SetZoneWindowKit(nullptr); }

CWnd* RecordingZoneKit::Construct(bool tvLayout, bool exstreamer) {
  if (exstreamer && noBoxZones) return nullptr;
  auto* zone = new RecordingZone();
  zone->tv = tvLayout;
  zone->exstreamer = exstreamer;
  zones.push_back(zone);
  return zone;
}

void RecordingZoneKit::Configure(CWnd* zone, int streamNumber, const CString& description, const CString& device) {
  auto* z = static_cast<RecordingZone*>(zone);
  z->streamNumber = streamNumber;
  z->description = description;
  z->device = device;
}

void RecordingZoneKit::Delete(CWnd* zone) {
  std::erase(zones, static_cast<RecordingZone*>(zone));
  delete zone;
}

LONG RecordingZoneKit::GetCurrentSongId(CWnd* zone) { return static_cast<RecordingZone*>(zone)->currentSong; }
bool RecordingZoneKit::IsExstreamer(CWnd* zone) { return static_cast<RecordingZone*>(zone)->exstreamer; }
void RecordingZoneKit::GetStateMap(CWnd* zone, std::set<LONG>& sources) {
  sources = static_cast<RecordingZone*>(zone)->stateMap;
}
void RecordingZoneKit::SetStateMap(CWnd* zone, const std::set<LONG>& sources) {
  static_cast<RecordingZone*>(zone)->stateMap = sources;
}
BOOL RecordingZoneKit::Shutdown(CWnd* zone, CWnd* notify) {
  ++shutdowns;
  if (answerShutdown && notify) notify->PostMessage(jukebox::kMsgPlayerShutDown, 0, 0);
  (void)zone;
  return TRUE;
}
void RecordingZoneKit::SetStatusText(CWnd* zone, const CString& text) { static_cast<RecordingZone*>(zone)->status = text; }

JukeboxEnvironment::JukeboxEnvironment() {
  // The log writer carries its own copy of the drive table, read when it is loaded: drives first.
  sandbox_.AddDrive('D', kMusicSerial, "MUSIC");
  CreateDirectory("C:\\Logs", nullptr);
  setenv("QH_LIBRARY_PATH", QH_TEST_BIN_DIR, 1);
  setenv("QH_TRACE", "0", 1);
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(ComRegisterServerModule(QUILLMARK_MODULE, false), S_OK);
  profile_.SetProfileName("Quaverhouse");
  profile_.SetRegistryKey("Tallowmere");
  profile_.WriteProfileInt("Jukebox", "ErrorLog", 1);
  qh::ui::SetMessageBoxAnswerer([this](const qh::ui::MessageBoxRequest& request) {
    boxes.push_back(request);
    return answer ? answer(request) : request.defaultButton;
  });
}

JukeboxEnvironment::~JukeboxEnvironment() {
  Stop();
  app_.reset();
  qh::ui::SetMessageBoxAnswerer(nullptr);
  CoFreeUnusedLibraries();
  CoUninitialize();
  unsetenv("QH_LIBRARY_PATH");
}

void JukeboxEnvironment::MakeDatabase() {
  ASSERT_TRUE(CreateDirectory("D:\\Quaverhouse", nullptr));
  CreateDirectory("D:\\Quaverhouse\\Songs", nullptr);
  CreateDirectory("D:\\Quaverhouse\\Covers", nullptr);
  CreateDirectory("D:\\Quaverhouse\\Uploads", nullptr);
  CreateSongDatabase("D:\\Quaverhouse\\Quaverhouse.qhd");
  profile_.WriteProfileString("", "SongDbPath", "D:\\Quaverhouse");
}

TestJukeboxApp& JukeboxEnvironment::NewApp(const char* commandLine) {
  Stop();
  app_.reset();
  app_ = std::make_unique<TestJukeboxApp>();
  std::vector<std::string> words{"tonebarn"};
  if (commandLine && *commandLine) words.emplace_back(commandLine);
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  app_->SetCommandLine(static_cast<int>(argv.size()), argv.data());
  app_->m_nThreadID = GetCurrentThreadId();
  return *app_;
}

BOOL JukeboxEnvironment::Start() {
  if (!app_) NewApp();
  exited_ = false;
  const BOOL started = app_->InitInstance();
  if (!started) Stop();
  return started;
}

int JukeboxEnvironment::Stop() {
  if (!app_ || exited_) return 0;
  exited_ = true;
  return app_->ExitInstance();
}

std::string JukeboxEnvironment::LogText() const {
  const std::string path = sandbox_.HostPath("C/Logs/" + DailyLogFile::FileNameFor(std::time(nullptr)));
  return std::filesystem::exists(path) ? qh::testing::ReadHostFile(path) : std::string();
}

void MakeSong(const std::string& hostPath, const std::string& title, const std::string& artist, double seconds) {
  const bool mp3 = hostPath.size() > 4 && hostPath.compare(hostPath.size() - 4, 4, ".mp3") == 0;
  const std::string wav = mp3 ? hostPath + ".wav" : hostPath;
  std::string command = "sox -q -n -r 44100 -c 2 -b 16 '" + wav + "' synth " + std::to_string(seconds) + " sine 440";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  if (!mp3) return;
  command = "lame --quiet -b 128 --tt '" + title + "' --ta '" + artist + "' '" + wav + "' '" + hostPath + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::remove(wav.c_str());
}

void Pump(int milliseconds, const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!qh::ui::PreTranslateThroughFramework(&msg)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
      }
    }
    if (done && done()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

std::string BoxTexts(const std::vector<qh::ui::MessageBoxRequest>& boxes) {
  std::string text;
  for (const auto& box : boxes) text += "[" + box.text + "]\n";
  return text;
}

}  // namespace jukebox::test
