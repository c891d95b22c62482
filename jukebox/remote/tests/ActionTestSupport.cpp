#include "jukebox/remote/tests/ActionTestSupport.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "dblib/QHDb.h"
#include "dblib/TextUtil.h"
#include "jukebox/app/JukeboxApp.h"
#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/ZoneWindowKit.h"
#include "jukebox/remote/RemoteControl.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/AfxWin.h"
#include "platform/ui/Dialog.h"
#include "platform/xml/XmlDom.h"

namespace fs = std::filesystem;

namespace remote_test {

CMasterWindow* AppHost::MainWindow() { return JukeboxApp() ? JukeboxApp()->GetMainWindow() : nullptr; }
int AppHost::ZoneCount() { return JukeboxApp() ? JukeboxApp()->GetZoneCount() : 0; }
int AppHost::CurrentZone() { return MainWindow() ? MainWindow()->GetCurrentZone() : -1; }
CPlayerBase* AppHost::ZonePlayer(int index) {
  return JukeboxApp() ? dynamic_cast<CPlayerBase*>(JukeboxApp()->GetZoneWindow(index)) : nullptr;
}
CWnd* AppHost::ChooserDialog() { return JukeboxApp() ? JukeboxApp()->GetModalDialog() : nullptr; }

namespace {

// The text as one word of a shell command.
std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// The commands that make the library's sound files in `folder`: sox's tone, then lame's MP3 with the
// ID3 tags that carry the fields. Twenty seconds each, so that no song ends by itself while a test still
// counts on it playing.
std::vector<std::string> SongCommands(const fs::path& folder) {
  std::vector<std::string> commands;
  for (const SongSpec& song : JukeboxActions::Library()) {
    const std::string wav = (folder / (song.file + ".wav")).string();
    const std::string mp3 = (folder / song.file).string();
    commands.push_back("sox -q -n -r 44100 -c 2 -b 16 " + Quote(wav) + " synth 20 sine 440");
    commands.push_back("lame --quiet -b 128 --tt " + Quote(song.name) + " --ta " + Quote(song.artist) + " --tl " +
                       Quote(song.album) + " --tg " + Quote(song.genre) + (song.year.empty() ? "" : " --ty " + song.year) +
                       " " + Quote(wav) + " " + Quote(mp3) + " && rm " + Quote(wav));
  }
  return commands;
}

// Makes the sound files in a folder of this process's own; false (with the failing command reported)
// when a tool failed.
bool MakeSongs(const fs::path& folder) {
  fs::create_directories(folder);
  for (const std::string& command : SongCommands(folder)) {
    if (std::system(command.c_str()) != 0) {
      ADD_FAILURE() << command;
      return false;
    }
  }
  return true;
}

// The library's sound files, made once per build folder and shared by every test program of it: each
// test runs in a process of its own, and making the songs cost more than the rest of a test. The folder
// is named after the commands that make its files, so a changed library is made anew; a process moves its
// complete folder into place with one rename, so no test ever reads a half-made one, and a process that
// loses the race to another drops its own copy.
const std::string& SongCache() {
  static const std::string folder = [] {
    const std::string key = std::to_string(std::hash<std::string>{}([] {
      std::string all;
      for (const std::string& command : SongCommands("")) all += command + "\n";
      return all;
    }()));
    const fs::path cache = fs::path(QH_REMOTE_SONG_CACHE) / key;
    if (fs::is_directory(cache)) return cache.string();
    const fs::path made = cache.string() + ".making-" + std::to_string(::getpid());
    std::error_code ignored;
    fs::remove_all(made, ignored);
    if (!MakeSongs(made)) {
      fs::remove_all(made, ignored);
      return cache.string();
    }
    std::error_code moved;
    fs::rename(made, cache, moved);
    if (moved) fs::remove_all(made, ignored);
    EXPECT_TRUE(fs::is_directory(cache)) << "the songs could not be put in " << cache << ": " << moved.message();
    return cache.string();
  }();
  return folder;
}

BYTE DirectionCode(const std::string& direction) {
  if (direction == "out") return ARG_DIRECTION_OUT;
  if (direction == "inout") return ARG_DIRECTION_INOUT;
  return ARG_DIRECTION_IN;
}

}  // namespace

const std::vector<SongSpec>& JukeboxActions::Library() {
  static const std::vector<SongSpec> songs = {
      {"blue.mp3", "Blue Harbour", "Ada Brook", "Harbour Lights", "Jazz", "1999"},
      {"cold.mp3", "Cold Rain", "Ada Brook", "Harbour Lights", "Jazz", "1999"},
      {"bright.mp3", "Bright Morning", "Bela Quint", "O'Brien Sessions", "Rock", "2004"},
      {"dust.mp3", "Dust Road", "Bela Quint", "Dust", "Rock", "2004"},
      {"echo.mp3", "Echo Hill", "Cora Vale", "100% Pure", "Pop", "2010"},
      {"fern.mp3", "Fern Light", "Cora Vale", "", "Pop", ""},
  };
  return songs;
}

void JukeboxActions::SetUp() {
  setenv("QH_SOUND", "none", 1);
  if (overHttp) {
    InstallRemoteControl();
    env.Profile().WriteProfileInt("Remote", "SocketNumber", 0);  // a port the system chooses
  }
  // The zone windows of the build, not the recording ones the application tests use.
  SetZoneWindowKit(nullptr);
  env.MakeDatabase();
  const char* descriptions[] = {"Bar", "Lounge", "Patio & Deck"};
  for (int n = 1; n <= 3; ++n) {
    CString key;
    key.Format("Zone%d", n);
    env.Profile().WriteProfileString("Jukebox", key.GetString(), "Null Audio Device");
    key.Format("ZoneDesc%d", n);
    env.Profile().WriteProfileString("Jukebox", key.GetString(), descriptions[n - 1]);
  }
  fs::create_directories(env.Sandbox().HostPath("D/Music"));
  for (const SongSpec& song : Library())
    fs::copy_file(fs::path(SongCache()) / song.file, env.Sandbox().HostPath("D/Music/" + song.file));
  ASSERT_TRUE(env.Start()) << jukebox::test::BoxTexts(env.boxes);
  ASSERT_EQ(env.App()->GetZoneCount(), 3);
  for (const SongSpec& song : Library())
    ASSERT_TRUE(Master().IndexMp3File(CString(("D:\\Music\\" + song.file).c_str()))) << song.file;
  if (overHttp) {
    auto* control = static_cast<CRemoteControl*>(Master().GetRemotePort());
    ASSERT_NE(control, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return control->IsServerRunning() && control->GetBoundPort() != 0; }, 10000));
    port_ = control->GetBoundPort();
  }
  host = std::make_unique<AppHost>();
  executor = std::make_unique<CRemoteExecutor>(*host);
  // The first zone is shown by a timer two seconds after start; its tick now saves every test the wait.
  Master().SendMessage(WM_TIMER, jukebox::kTimerFirstZone, 0);
  ASSERT_TRUE(PumpUntil([this] { return Master().GetCurrentZone() == 0 && Zone(0).IsWindowVisible(); }, 10000));
  TakePlayerCompletions();
}

void JukeboxActions::TearDown() {
  executor.reset();
  host.reset();
  env.Stop();
}

Outcome JukeboxActions::Run(const std::string& name, int subDevice, const std::vector<Arg>& args) {
  return overHttp ? RunOverHttp(name, subDevice, args) : RunDirect(name, subDevice, args);
}

Outcome JukeboxActions::RunDirect(const std::string& name, int subDevice, const std::vector<Arg>& args) {
  CRemoteAction action;
  action.SetName(name.c_str());
  action.SetTransID(1);
  action.SetActionID(1);
  action.SetSubDevice(subDevice);
  for (const Arg& arg : args) {
    auto argument = std::make_unique<CActionArgument>();
    argument->SetName(arg.name.c_str());
    argument->SetDirection(DirectionCode(arg.direction));
    if (arg.direction != "out") argument->SetString(arg.value.c_str());
    action.AddArgument(arg.name.c_str(), argument.release());
  }
  const int before = host->completions;
  executor->ExecuteAction(action);
  Outcome outcome;
  outcome.completedAtOnce = host->completions == before + 1;
  outcome.code = action.GetReturnCode();
  outcome.message = action.GetReturnMessage().GetString();
  if (action.BeginArguments()) {
    while (CActionArgument* argument = action.NextArgument()) {
      if ((argument->GetDirection() & ARG_DIRECTION_OUT) == 0) continue;
      const std::string key = argument->GetName().GetString();
      if (argument->GetItemCount() == 0) {
        outcome.values[key] = argument->ToText().GetString();
        continue;
      }
      std::vector<std::string>& items = outcome.lists[key];
      for (int i = 0; i < argument->GetItemCount(); ++i) {
        CValueNode item;
        items.push_back(argument->GetItem(i, item) ? item.ToText().GetString() : "<missing>");
      }
    }
    action.EndArguments();
  }
  return outcome;
}

Outcome JukeboxActions::RunOverHttp(const std::string& name, int subDevice, const std::vector<Arg>& args) {
  Outcome outcome;
  const fs::path body = fs::temp_directory_path() / ("qh-remote-action-" + std::to_string(::getpid()) + ".xml");
  std::ofstream(body, std::ios::binary) << ActionDocument(name, subDevice, args);
  const std::string command = "curl -s -S -i -m 60 -X POST -H 'Content-Type: text/xml' --data-binary @" +
                              Quote(body.string()) + " http://127.0.0.1:" + std::to_string(port_) + "/control";
  auto reply = std::async(std::launch::async, [command] {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[4096];
      size_t got;
      while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
      pclose(pipe);
    }
    return output;
  });
  PumpUntil([&] { return reply.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 70000);
  lastReply_ = reply.get();
  fs::remove(body);
  const size_t headerEnd = lastReply_.find("\r\n\r\n");
  EXPECT_EQ(lastReply_.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << name << ": " << lastReply_;
  EXPECT_NE(lastReply_.find("Content-Type: text/xml\r\n"), std::string::npos) << name;
  const std::string document = headerEnd == std::string::npos ? std::string() : lastReply_.substr(headerEnd + 4);
  const fs::path saved = fs::temp_directory_path() / ("qh-remote-reply-" + std::to_string(::getpid()) + ".xml");
  std::ofstream(saved, std::ios::binary) << document;
  const std::string lint = "xmllint --noout " + Quote(saved.string()) + " 2>/dev/null";
  EXPECT_EQ(std::system(lint.c_str()), 0) << name << ": not well-formed: " << document;
  fs::remove(saved);
  EXPECT_TRUE(ReadResponse(document, outcome)) << name << ": " << document;
  outcome.completedAtOnce = true;
  return outcome;
}

std::string ActionDocument(const std::string& name, int subDevice, const std::vector<Arg>& args) {
  std::string document = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><actionList><action><actionName>" +
                         XmlEscapeStd(name) + "</actionName><transID>7</transID><actionID>1</actionID><subDevice>" +
                         std::to_string(subDevice) + "</subDevice>";
  for (const Arg& arg : args) {
    document += "<argument><name>" + XmlEscapeStd(arg.name) + "</name><direction>" + arg.direction + "</direction>";
    if (arg.direction != "out") document += "<value>" + XmlEscapeStd(arg.value) + "</value>";
    document += "</argument>";
  }
  return document + "</action></actionList>";
}

namespace {

std::string ChildText(const IXMLDOMNode& node, const char* name) {
  IXMLDOMNodeList children = node.childNodes();
  for (long i = 0; i < children.length(); ++i)
    if (children.item(i).nodeName() == name) return children.item(i).text().GetString();
  return "<absent>";
}

}  // namespace

bool ReadResponse(const std::string& document, Outcome& outcome) {
  DOMDocument dom;
  if (!dom.loadXML(document)) return false;
  IXMLDOMNodeList responses = dom.getElementsByTagName("actionResponse");
  if (responses.length() < 1) return false;
  const IXMLDOMNode response = responses.item(0);
  outcome.code = std::strtol(ChildText(response, "actionReturnCode").c_str(), nullptr, 10);
  outcome.message = ChildText(response, "actionReturnMsg");
  IXMLDOMNodeList children = response.childNodes();
  for (long i = 0; i < children.length(); ++i) {
    const IXMLDOMNode argument = children.item(i);
    if (argument.nodeName() != "argument") continue;
    const std::string name = ChildText(argument, "name");
    if (ChildText(argument, "arrayCount") == "<absent>") {
      outcome.values[name] = ChildText(argument, "value");
      continue;
    }
    std::vector<std::string>& items = outcome.lists[name];
    IXMLDOMNodeList parts = argument.childNodes();
    for (long j = 0; j < parts.length(); ++j)
      if (parts.item(j).nodeName() == "arrayItem") items.push_back(ChildText(parts.item(j), "arrayValue"));
  }
  return true;
}

LONG JukeboxActions::SongId(const std::string& name) {
  for (LONG id = 1; id <= static_cast<LONG>(Library().size()); ++id)
    if (StoredSong(id).SongName == name.c_str()) return id;
  ADD_FAILURE() << "no song " << name;
  return 0;
}

CPlayerBase& JukeboxActions::Zone(int index) { return *host->ZonePlayer(index); }

tSong JukeboxActions::StoredSong(LONG songId) {
  tSong song;
  EXPECT_EQ(Db().GetSongDetail(songId, &song), 1) << "song " << songId;
  return song;
}

bool JukeboxActions::PumpUntil(const std::function<bool()>& done, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  const HWND master = Master().GetSafeHwnd();
  do {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      // Without a control port nothing would take the players' completions; they are counted instead.
      if (!overHttp && msg.hwnd == master && msg.message == jukebox::kMsgActionFinished) {
        ++playerCompletions_;
        continue;
      }
      if (!qh::ui::PreTranslateThroughFramework(&msg)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
      }
    }
    if (done && done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  } while (std::chrono::steady_clock::now() < end);
  return done ? done() : true;
}

int JukeboxActions::TakePlayerCompletions() {
  PumpUntil(nullptr, 20);
  const int taken = playerCompletions_;
  playerCompletions_ = 0;
  return taken;
}

void JukeboxActions::QueueSongs(int zone, const std::vector<LONG>& ids) {
  for (LONG id : ids) {
    int count = 0;
    ASSERT_EQ(Zone(zone).AddSongToCurrentPlaylist(id, count), 0) << "song " << id;
  }
}

std::vector<LONG> JukeboxActions::PlaylistSongs(const std::string& playlist) {
  std::vector<LONG> ids;
  if (Db().OpenPlaylistSongs(playlist.c_str()) != 0) {
    LONG id = 0;
    SHORT sequence = 0;
    while (Db().NextPlaylistSong(id, sequence) > 0) ids.push_back(id);
  }
  Db().ClosePlaylistSongs();
  return ids;
}

}  // namespace remote_test
