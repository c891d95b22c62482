// A box zone of the running jukebox skipped from the network: several remote controls at once send
// XportNext through the real control port, with status queries between, while the simulated box
// reports its count as it plays. After every burst of skips the box must have been told to start the
// new stream after its last stop, and be fed it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/MasterWindow.h"
#include "jukebox/app/ZoneWindowKit.h"
#include "jukebox/app/tests/JukeboxTestSupport.h"
#include "jukebox/player/PlayerBase.h"
#include "jukebox/player/XSProtocol.h"
#include "jukebox/player/XSStreamWindow.h"
#include "jukebox/player/tests/BoxTestSupport.h"
#include "jukebox/remote/RemoteControl.h"

namespace {

namespace fs = std::filesystem;
using jukebox::test::Pump;

// The remote controls: one process serves every burst, so a loaded machine does not start an
// interpreter for each. A burst is a line on its standard input; its report a line of the results file.
class RemoteClients {
 public:
  RemoteClients(WORD port, int clients, const std::string& resultsPath) : m_resultsPath(resultsPath) {
    // A burst handed to a process that has died fails its write instead of ending the test program.
    signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> args = {"python3", std::string(QH_ZONES_TEST_DIR) + "/remote_clients.py",
                                     std::to_string(port), "0", std::to_string(clients), resultsPath};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int input[2];
    if (pipe2(input, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) m_pid = pid;
    posix_spawn_file_actions_destroy(&actions);
    close(input[0]);
    m_stdin = input[1];
  }
  ~RemoteClients() {
    // A burst cut short by a failed check must not outlive the test.
    if (m_stdin >= 0) close(m_stdin);
    if (m_pid > 0) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
    }
  }
  RemoteClients(const RemoteClients&) = delete;
  RemoteClients& operator=(const RemoteClients&) = delete;

  bool Running() const { return m_pid > 0 && m_stdin >= 0; }
  // The process has ended: no report is coming any more.
  bool Ended() {
    if (m_pid > 0 && waitpid(m_pid, nullptr, WNOHANG) == m_pid) m_pid = -1;
    return m_pid <= 0;
  }
  bool StartBurst(int skipsPerClient, int seed) {
    const std::string line = std::to_string(skipsPerClient) + " " + std::to_string(seed) + "\n";
    return write(m_stdin, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  }
  // The report of burst `number` (from 0), empty while the burst runs.
  std::string Report(size_t number) const {
    std::ifstream in(m_resultsPath);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t begin = 0;
    for (size_t line = 0;; ++line) {
      const size_t end = text.find('\n', begin);
      if (end == std::string::npos) return std::string();
      if (line == number) return text.substr(begin, end - begin);
      begin = end + 1;
    }
  }

 private:
  std::string m_resultsPath;
  pid_t m_pid = -1;
  int m_stdin = -1;
};

// Index of the last command equal to `command`, -1 when it never came.
long LastIndexOf(const std::vector<std::string>& commands, const std::string& command) {
  const auto found = std::find(commands.rbegin(), commands.rend(), command);
  return found == commands.rend() ? -1 : static_cast<long>(commands.rend() - found) - 1;
}

std::string Tail(const std::vector<std::string>& commands, size_t count) {
  std::ostringstream text;
  for (size_t i = commands.size() > count ? commands.size() - count : 0; i < commands.size(); ++i)
    text << commands[i] << ' ';
  return text.str();
}

class BoxZoneRemote : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QH_SOUND", "none", 1);
    InstallRemoteControl();
    env.Profile().WriteProfileInt("Remote", "SocketNumber", 0);  // a port the system chooses
    SetZoneWindowKit(nullptr);                                     // the build's own zone windows
    env.MakeDatabase();
    // The box listens on its own loopback address at the ports a box has, as the zone expects.
    const std::string address = NextBoxAddress();
    BoxOptions options;
    options.byteRate = 16000.0 * 8;
    options.reportMs = 5;  // the box's count arrives all the time, also between a stop and a start
    box = std::make_unique<BoxSimulator>(address, boxFolder.Path(), options, kXSControlPort, kXSAudioPort);
    ASSERT_TRUE(box->Running()) << "no simulated box on " << address;
    env.Profile().WriteProfileString("Jukebox", "Zone1", ("__XS:" + address).c_str());
    env.Profile().WriteProfileString("Jukebox", "ZoneDesc1", "Bar");
    env.Profile().WriteProfileString("Jukebox", "Zone2", "Null Audio Device");
    env.Profile().WriteProfileString("Jukebox", "ZoneDesc2", "Lounge");
    const fs::path music = env.Sandbox().HostPath("D/Music");
    fs::create_directories(music);
    // Songs of a few seconds: at the box's raised rate some end by themselves between the skips, so
    // change-overs to the prepared song mix with the skips.
    const double seconds[] = {3.0, 5.0, 2.0, 6.0, 4.0};
    for (size_t i = 0; i < std::size(seconds); ++i) {
      const std::string made = MakeMp3(music.string(), "song" + std::to_string(i), seconds[i], 300 + 110 * static_cast<int>(i));
      ASSERT_FALSE(made.empty());
      files.push_back("D:\\Music\\" + fs::path(made).filename().string());
    }
    ASSERT_TRUE(env.Start()) << jukebox::test::BoxTexts(env.boxes);
    ASSERT_EQ(env.App()->GetZoneCount(), 2);
    for (const std::string& file : files) ASSERT_TRUE(Master().IndexMp3File(file.c_str())) << file;
    auto* control = static_cast<CRemoteControl*>(Master().GetRemotePort());
    ASSERT_NE(control, nullptr);
    Pump(10000, [&] { return control->IsServerRunning() && control->GetBoundPort() != 0; });
    port = control->GetBoundPort();
    ASSERT_NE(port, 0);
  }
  void TearDown() override {
    env.Stop();
    box.reset();
    unsetenv("QH_SOUND");
  }

  CMasterWindow& Master() { return *env.App()->GetMainWindow(); }
  CPlayerBase& BoxZone() { return *dynamic_cast<CPlayerBase*>(env.App()->GetZoneWindow(0)); }
  bool PumpUntil(const std::function<bool()>& done, int ms) {
    Pump(ms, done);
    return done();
  }
  // The box's last stop was followed by a stream start, and the zone says it plays.
  bool StartedAfterLastStop() {
    const std::vector<std::string> commands = box->Commands();
    return LastIndexOf(commands, "c=66") > LastIndexOf(commands, "c=2") && BoxZone().GetState() == PLAYER_PLAYING;
  }
  std::string Describe() {
    std::ostringstream text;
    text << "box commands: " << Tail(box->Commands(), 16) << "\nbox: received " << box->Stat("received") << " played "
         << box->Stat("played") << " buffer " << box->Stat("buffer") << " connections " << box->Stat("audio_connections")
         << "\nzone state " << BoxZone().GetState();
    if (auto* engine = dynamic_cast<CXSStreamWindow*>(&BoxZone())) {
      CXSBoxEngine& box = engine->BoxEngine();
      text << " restart " << box.IsAudioRestart() << " file open " << box.IsStreaming() << " prepared "
           << box.GetPreparedCount() << " audio thread " << box.AudioThread()->GetThreadState() << "/"
           << box.AudioThread()->GetState() << " queued " << box.AudioThread()->GetQueuedCount() << " control "
           << box.ControlThread()->GetThreadState() << " pending commands " << box.GetPendingCommandCount();
    }
    std::ifstream log(boxFolder.Path() + "/commands.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) lines.push_back(line);
    text << "\nbox log tail:\n";
    for (size_t i = lines.size() > 30 ? lines.size() - 30 : 0; i < lines.size(); ++i) text << lines[i] << "\n";
    const std::string appLog = env.LogText();
    text << "log tail:\n" << appLog.substr(appLog.size() > 6000 ? appLog.size() - 6000 : 0);
    return text.str();
  }

  jukebox::test::JukeboxEnvironment env;
  TempFolder boxFolder;
  std::unique_ptr<BoxSimulator> box;
  std::vector<std::string> files;
  WORD port = 0;
};

TEST_F(BoxZoneRemote, SkipsFromSeveralRemotesAtOnceAlwaysStartTheNewStreamOnTheBox) {
  CPlayerBase& zone = BoxZone();
  ASSERT_TRUE(zone.IsExstreamer());
  for (LONG id = 1; id <= static_cast<LONG>(files.size()); ++id) {
    int length = 0;
    ASSERT_EQ(zone.AddSongToCurrentPlaylist(id, length), 0) << id;
  }
  ASSERT_TRUE(PumpUntil([&] { return box->Stat("received") > 0 && StartedAfterLastStop(); }, 20000)) << Describe();
  RemoteClients remotes(port, 4, boxFolder.Path() + "/bursts.txt");
  ASSERT_TRUE(remotes.Running());
  constexpr int kRounds = 20;
  for (int round = 0; round < kRounds; ++round) {
    const size_t before = box->Commands().size();
    // Four remotes, five skips each (fewer in some rounds, so bursts end at different moments).
    const int skips = 1 + round % 5;
    ASSERT_TRUE(remotes.StartBurst(skips, round)) << "round " << round;
    std::string report;
    ASSERT_TRUE(PumpUntil([&] { return !(report = remotes.Report(static_cast<size_t>(round))).empty() || remotes.Ended(); },
                          120000))
        << "round " << round << ": the remotes did not finish\n" << Describe();
    ASSERT_FALSE(report.empty()) << "round " << round << ": the remotes' process ended";
    ASSERT_EQ(report.rfind("burst " + std::to_string(round) + " ok", 0), 0u) << report;
    ASSERT_GT(box->Commands().size(), before) << "round " << round << ": the skips reached no box";
    ASSERT_TRUE(PumpUntil([&] { return StartedAfterLastStop(); }, 15000))
        << "round " << round << ": the box got a stop and no start after it\n" << Describe();
    const long received = box->Stat("received");
    ASSERT_TRUE(PumpUntil([&] { return box->Stat("received") >= received + static_cast<long>(kXSBlockSize); }, 15000))
        << "round " << round << ": the new stream is not fed\n" << Describe();
  }
  EXPECT_EQ(zone.GetState(), PLAYER_PLAYING);
  EXPECT_EQ(box->Stat("playing"), 1);
}

}  // namespace
