#include "jukebox/player/tests/BoxTestSupport.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace {

constexpr UINT kRunWork = WM_USER + 0x200;

bool WaitUntil(const std::function<bool()>& condition, int milliseconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

int RunQuietly(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  std::vector<std::string> copy = args;
  for (auto& arg : copy) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

// ---- Services double ------------------------------------------------------------------------------

RecordingServices::RecordingServices() { m_previous = SetJukeboxServices(this); }
RecordingServices::~RecordingServices() { SetJukeboxServices(m_previous); }

int RecordingServices::LogEvent(const CString& severity, const CString& source, const CString& text) {
  std::lock_guard guard(m_lock);
  m_lines.push_back({severity.str(), source.str(), text.str(), true});
  return 1;
}

void RecordingServices::WriteErrorLog(const CString& severity, const CString& source, const CString& text) {
  std::lock_guard guard(m_lock);
  m_lines.push_back({severity.str(), source.str(), text.str(), false});
}

bool RecordingServices::LockSong(LONG songId) {
  std::lock_guard guard(m_lock);
  return m_locked.insert(songId).second;
}

void RecordingServices::UnlockSong(LONG songId) {
  std::lock_guard guard(m_lock);
  m_locked.erase(songId);
}

bool RecordingServices::IsSongLocked(LONG songId) const {
  std::lock_guard guard(m_lock);
  return m_locked.count(songId) != 0;
}

std::vector<LogLine> RecordingServices::Lines() {
  std::lock_guard guard(m_lock);
  return m_lines;
}

bool RecordingServices::Logged(const std::string& part, bool forUserOnly) {
  std::lock_guard guard(m_lock);
  for (const LogLine& line : m_lines)
    if (line.text.find(part) != std::string::npos && (!forUserOnly || line.forUser)) return true;
  return false;
}

bool RecordingServices::WaitForLog(const std::string& part, int milliseconds) {
  return WaitUntil([&] { return Logged(part); }, milliseconds);
}

std::string RecordingServices::Describe() {
  std::lock_guard guard(m_lock);
  std::string text;
  for (const LogLine& line : m_lines) text += line.severity + " " + line.source + ": " + line.text + "\n";
  return text;
}

// ---- The simulated box ------------------------------------------------------------------------------

std::string NextBoxAddress() {
  static std::atomic<int> counter{0};
  int n = counter++;
  int pidPart = static_cast<int>(getpid() % 200) + 20;
  return "127." + std::to_string(pidPart) + "." + std::to_string(n / 250) + "." + std::to_string(n % 250 + 2);
}

BoxSimulator::BoxSimulator(const std::string& address, const std::string& folder, const BoxOptions& options,
                           int controlPort, int audioPort)
    : m_folder(folder) {
  std::vector<std::string> args = {"python3",
                                   std::string(BOX_TEST_SOURCE_DIR) + "/fake_box.py",
                                   "--address",
                                   address,
                                   "--control-port",
                                   std::to_string(controlPort),
                                   "--audio-port",
                                   std::to_string(audioPort),
                                   "--byte-rate",
                                   std::to_string(options.byteRate),
                                   "--buffer",
                                   std::to_string(options.buffer),
                                   "--report-ms",
                                   std::to_string(options.reportMs),
                                   "--capture",
                                   CapturePath(),
                                   "--log",
                                   folder + "/commands.log",
                                   "--stats",
                                   folder + "/stats.json"};
  if (options.closeAudioAfter) args.insert(args.end(), {"--close-audio-after", std::to_string(options.closeAudioAfter)});
  if (options.stallAfter) args.insert(args.end(), {"--stall-after", std::to_string(options.stallAfter)});
  if (options.dieAfter) args.insert(args.end(), {"--die-after", std::to_string(options.dieAfter)});
  if (options.holdAudioMs) args.insert(args.end(), {"--hold-audio-ms", std::to_string(options.holdAudioMs)});
  if (options.split) args.push_back("--split");
  if (options.noReply) args.push_back("--no-reply");

  int input[2], output[2];
  if (pipe2(input, O_CLOEXEC) != 0) return;
  if (pipe2(output, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input[0], 0);
  posix_spawn_file_actions_adddup2(&actions, output[1], 1);
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) m_pid = pid;
  posix_spawn_file_actions_destroy(&actions);
  close(input[0]);
  close(output[1]);
  m_stdin = input[1];
  FILE* out = fdopen(output[0], "r");
  char line[128] = {};
  if (out && std::fgets(line, sizeof(line), out)) std::sscanf(line, "PORTS %d %d", &m_controlPort, &m_audioPort);
  if (out) std::fclose(out);
}

BoxSimulator::~BoxSimulator() { Kill(); }

void BoxSimulator::Tell(const std::string& line) {
  if (m_stdin < 0) return;
  std::string text = line + "\n";
  ssize_t written = write(m_stdin, text.data(), text.size());
  (void)written;
}

void BoxSimulator::Kill() {
  if (m_pid > 0) {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
  }
  if (m_stdin >= 0) close(m_stdin);
  m_stdin = -1;
}

std::vector<std::string> BoxSimulator::Commands() {
  std::vector<std::string> commands;
  std::ifstream in(m_folder + "/commands.log");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("#", 0) != 0) commands.push_back(line.substr(0, line.find(" offset=")));
  return commands;
}

std::vector<long> BoxSimulator::AcceptOffsets() {
  std::vector<long> offsets;
  std::ifstream in(m_folder + "/commands.log");
  const std::string mark = "# accept offset=";
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(mark, 0) == 0) offsets.push_back(std::strtol(line.c_str() + mark.size(), nullptr, 10));
  return offsets;
}

std::vector<long> BoxSimulator::CountsAtCommand(const std::string& command) {
  std::vector<long> counts;
  std::ifstream in(m_folder + "/commands.log");
  const std::string start = command + " offset=";
  std::string line;
  while (std::getline(in, line)) {
    const size_t played = line.find(" played=");
    if (line.rfind(start, 0) == 0 && played != std::string::npos)
      counts.push_back(std::strtol(line.c_str() + played + 8, nullptr, 10));
  }
  return counts;
}

long BoxSimulator::Stat(const std::string& name) {
  std::ifstream in(m_folder + "/stats.json");
  std::stringstream text;
  text << in.rdbuf();
  std::string all = text.str();
  std::string key = "\"" + name + "\": ";
  size_t at = all.find(key);
  if (at == std::string::npos) return -1;
  std::string value = all.substr(at + key.size(), 24);
  if (value.rfind("true", 0) == 0) return 1;
  if (value.rfind("false", 0) == 0) return 0;
  return std::strtol(value.c_str(), nullptr, 10);
}

bool BoxSimulator::WaitForStat(const std::string& name, const std::function<bool(long)>& test, int milliseconds) {
  return WaitUntil([&] { return test(Stat(name)); }, milliseconds);
}

bool BoxSimulator::WaitForCommand(const std::string& command, int milliseconds) {
  return WaitUntil(
      [&] {
        for (const std::string& seen : Commands())
          if (seen == command) return true;
        return false;
      },
      milliseconds);
}

// ---- Songs ------------------------------------------------------------------------------------------

TempFolder::TempFolder() {
  char pattern[] = "/tmp/qh-boxengine-XXXXXX";
  if (char* made = mkdtemp(pattern)) m_path = made;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
}

std::string MakeMp3(const std::string& folder, const std::string& name, double seconds, int frequency) {
  std::string wav = folder + "/" + name + ".wav";
  std::string mp3 = folder + "/" + name + ".mp3";
  if (RunQuietly({"sox", "-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", std::to_string(seconds), "sine",
                  std::to_string(frequency)}) != 0)
    return std::string();
  if (RunQuietly({"lame", "--quiet", "-b", "128", "--cbr", "--id3v2-only", "--pad-id3v2-size", "512", "--tt", name,
                  "--ta", "Quaverhouse Tests", wav, mp3}) != 0)
    return std::string();
  std::filesystem::remove(wav);
  return mp3;
}

std::unique_ptr<tSong> SongForFile(LONG songId, const std::string& path, char compression) {
  auto song = std::make_unique<tSong>();
  song->SetSongID(songId);
  song->SongCompression = compression;
  song->MediaPath = path.c_str();
  return song;
}

std::string ReadFileBytes(const std::string& path, long offset) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (offset <= 0) return bytes;
  return offset < static_cast<long>(bytes.size()) ? bytes.substr(static_cast<size_t>(offset)) : std::string();
}

// ---- A GUI thread ------------------------------------------------------------------------------------

GuiThread::GuiThread() {
  static ATOM atom = [] {
    WNDCLASS windowClass;
    windowClass.lpfnWndProc = &GuiThread::WindowProc;
    windowClass.lpszClassName = "BoxEngineTestGui";
    return RegisterClass(&windowClass);
  }();
  (void)atom;
  std::mutex started;
  std::condition_variable ready;
  bool done = false;
  m_thread = std::thread([&] {
    HWND helper = CreateWindow("BoxEngineTestGui", "gui", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    {
      std::lock_guard guard(started);
      m_helper = helper;
      done = true;
    }
    ready.notify_all();
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0) > 0) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
  });
  std::unique_lock lock(started);
  ready.wait(lock, [&] { return done; });
}

GuiThread::~GuiThread() {
  Run([this] {
    DestroyWindow(m_helper);
    PostQuitMessage(0);
  });
  m_thread.join();
}

void GuiThread::Run(const std::function<void()>& work) {
  std::atomic<bool> finished{false};
  auto* task = new std::function<void()>([&] {
    work();
    finished = true;
  });
  if (!PostMessage(m_helper, kRunWork, 0, reinterpret_cast<LPARAM>(task))) {
    delete task;
    return;
  }
  while (!finished) std::this_thread::sleep_for(std::chrono::microseconds(200));
}

bool GuiThread::WaitFor(const std::function<bool()>& condition, int milliseconds) {
  return WaitUntil([&] { return Get<bool>(condition); }, milliseconds);
}

long GuiThread::AnswerMicroseconds() {
  auto start = std::chrono::steady_clock::now();
  Run([] {});
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count());
}

LRESULT GuiThread::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunWork) {
    std::unique_ptr<std::function<void()>> task(reinterpret_cast<std::function<void()>*>(lParam));
    (*task)();
    return 0;
  }
  return DefWindowProc(window, message, wParam, lParam);
}

// ---- A box zone ------------------------------------------------------------------------------------

TestBoxZone::TestBoxZone(GuiThread& gui, const std::string& boxAddress, int controlPort, int audioPort, bool start)
    : m_gui(gui) {
  static ATOM atom = [] {
    WNDCLASS windowClass;
    windowClass.lpfnWndProc = &TestBoxZone::WindowProc;
    windowClass.lpszClassName = "BoxEngineTestZone";
    return RegisterClass(&windowClass);
  }();
  (void)atom;
  Run([&] {
    m_window = CreateWindow("BoxEngineTestZone", "zone", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtr(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_engine = std::make_unique<CXSBoxEngine>(*this);
    m_engine->SetBoxAddress(boxAddress.c_str());
    m_engine->SetPorts(static_cast<WORD>(controlPort), static_cast<WORD>(audioPort));
    if (start) m_engine->StartThreads();
  });
}

TestBoxZone::~TestBoxZone() {
  Run([this] {
    m_engine.reset();  // ends the threads, boundedly
    DestroyWindow(m_window);
  });
}

bool TestBoxZone::WaitFor(const std::function<bool()>& condition, int milliseconds) {
  return m_gui.WaitFor(condition, milliseconds);
}

void TestBoxZone::AddSong(std::unique_ptr<tSong> song) { m_queue.push_back(std::move(song)); }

int TestBoxZone::PlayIndex(int index) {
  if (index < 0 || index >= QueueLength()) return -1;
  int result = m_engine->PlaySong(m_queue[static_cast<size_t>(index)].get());
  if (result == 0) m_currentIndex = index;
  return result;
}

tSong* TestBoxZone::QueueSong(int index) const {
  if (index < 0 || index >= QueueLength()) return nullptr;
  return m_queue[static_cast<size_t>(index)].get();
}

int TestBoxZone::DrawRandomIndex(int n) {
  m_randomState = m_randomState * 1103515245u + 12345u;
  return n > 0 ? static_cast<int>((m_randomState >> 16) & 0x7FFF) % n : 0;
}

void TestBoxZone::SongStarted(tSong* song, const CString& fileType, const CString& lengthText) {
  m_current = song;
  m_state = "PLAYING";
  m_started.push_back(song->SongID);
  m_fileTypes.push_back(fileType.str());
}

void TestBoxZone::SongPromoted(const tSong& song, int index, const CString& fileType, const CString& lengthText) {
  tSong* queued = QueueSong(index);
  if (queued != nullptr && queued->SongID == song.SongID) {
    m_current = queued;
  } else {
    m_kept = song;
    m_current = &m_kept;
  }
  m_currentIndex = index;
  m_promoted.push_back(song.SongID);
  m_fileTypes.push_back(fileType.str());
}

void TestBoxZone::StreamStopped() {
  m_state = "STOPPED";
  m_current = nullptr;
}

LRESULT TestBoxZone::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* zone = reinterpret_cast<TestBoxZone*>(GetWindowLongPtr(window, GWLP_USERDATA));
  if (zone != nullptr && zone->m_engine) {
    if (message == WM_XS_AUDIO_NOTIFY) return zone->m_engine->OnAudioThreadNotify(wParam, lParam);
    if (message == WM_XS_CONTROL_NOTIFY) return zone->m_engine->OnControlThreadNotify(wParam, lParam);
    if (message == WM_XS_END_OF_DATA) {
      zone->m_engine->OnEndOfDataNotice(wParam);
      return -1;
    }
  } else if (message == WM_XS_AUDIO_NOTIFY || message == WM_XS_CONTROL_NOTIFY) {
    // The engine is gone: free what a late notice carried.
    if (wParam == TCP_NOTICE_DATA)
      delete reinterpret_cast<CTcpReceivedData*>(lParam);
    else if (wParam != TCP_NOTICE_EXIT)
      delete reinterpret_cast<CTcpNotice*>(lParam);
    return 0;
  }
  return DefWindowProc(window, message, wParam, lParam);
}
