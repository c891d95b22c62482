#include "tests/display/Venue.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace qh::programs::testing {
namespace {

namespace fs = std::filesystem;

const char kSystemKey[] = "[HKEY_CURRENT_USER\\Software\\Tallowmere\\Quaverhouse";

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

}  // namespace

int FreePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0)
    port = ntohs(address.sin_port);
  close(s);
  return port;
}

Venue::Venue() {
  char pattern[] = "/tmp/qh-venue-XXXXXX";
  root_ = mkdtemp(pattern) ? pattern : "";
  startFolder_ = root_ + "/startdir";
  fs::create_directories(root_ + "/D/Music");
  fs::create_directories(root_ + "/locks");
  // Links stay links; the logs of other runs stay behind.
  fs::copy(QH_START_DIR, startFolder_, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  std::error_code ignored;
  fs::remove_all(startFolder_ + "/Logs", ignored);
  fs::remove(startFolder_ + "/registry.txt", ignored);
  fs::remove(startFolder_ + "/registry.txt.lock", ignored);
  fs::create_directories(startFolder_ + "/Logs");
  std::ofstream(root_ + "/drives.txt") << "D\t" << root_ << "/D\t1A2B3C4D\tMUSIC\tfixed\n";
  SetEnv("QH_REGISTRY", root_ + "/registry.txt");
  SetEnv("QH_DRIVES", root_ + "/drives.txt");
  SetEnv("QH_LOCK_DIR", root_ + "/locks");
  SetEnv("QH_SOUND", "none");
}

Venue::~Venue() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->second) setenv(it->first.c_str(), it->second->c_str(), 1);
    else unsetenv(it->first.c_str());
  }
  std::error_code ignored;
  if (!root_.empty() && !std::getenv("KEEP")) fs::remove_all(root_, ignored);
}

void Venue::SetEnv(const char* name, const std::string& value) {
  const char* old = std::getenv(name);
  saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
  setenv(name, value.c_str(), 1);
}

std::string Venue::MakeLibrary() {
  if (!Run("command -v sox lame >/dev/null 2>&1")) return "sox and lame are needed to make a song";
  const std::string wav = root_ + "/song.wav", mp3 = root_ + "/D/Music/song.mp3";
  if (!Run("sox -q -n -r 44100 -c 2 " + Quoted(wav) + " synth 2 pluck 440 vol 0.5") ||
      !Run("lame --quiet -b 128 --tt 'Harbour Lights' --ta 'The Testers' --tl 'Opening' --tg Rock " + Quoted(wav) + " " +
           Quoted(mp3)))
    return "the song could not be made";
  const std::string builder = std::string(QH_BIN_DIR) + "/qh_make_demo_library";
  if (!Run("cd " + Quoted(startFolder_) + " && " + Quoted(builder) + " 'D:\\Quaverhouse' 'D:\\Music' > " +
           Quoted(root_ + "/library.out") + " 2>&1"))
    return "the library builder failed (see " + root_ + "/library.out)";
  // The builder turns the jukebox's message boxes off for its demo; a venue's store has them on.
  RemoveValue("Jukebox", "ErrorMessageBox");
  char port[16];
  std::snprintf(port, sizeof port, "dword:%08x", FreePort());
  SetValue("Remote", "SocketNumber", port);
  std::snprintf(port, sizeof port, "dword:%08x", FreePort());
  SetValue("FrameWork", "WebSocketNumber", port);
  return {};
}

std::vector<std::string> Venue::StoreLines() const {
  std::vector<std::string> lines;
  std::ifstream in(root_ + "/registry.txt");
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void Venue::WriteStore(const std::vector<std::string>& lines) const {
  std::ofstream out(root_ + "/registry.txt", std::ios::trunc);
  for (const std::string& line : lines) out << line << "\n";
}

void Venue::SetValue(const std::string& key, const std::string& name, const std::string& value) {
  const std::string section = std::string(kSystemKey) + "\\" + key + "]", entry = "\"" + name + "\"=" + value;
  std::vector<std::string> lines = StoreLines();
  auto it = lines.begin();
  while (it != lines.end() && *it != section) ++it;
  if (it == lines.end()) {
    lines.push_back("");
    lines.push_back(section);
    lines.push_back(entry);
    WriteStore(lines);
    return;
  }
  for (auto value = it + 1; value != lines.end() && !value->empty() && value->front() != '['; ++value)
    if (value->rfind("\"" + name + "\"=", 0) == 0) {
      *value = entry;
      WriteStore(lines);
      return;
    }
  lines.insert(it + 1, entry);
  WriteStore(lines);
}

void Venue::RemoveValue(const std::string& key, const std::string& name) {
  const std::string section = std::string(kSystemKey) + "\\" + key + "]";
  std::vector<std::string> lines = StoreLines();
  bool inside = false;
  for (auto it = lines.begin(); it != lines.end(); ++it) {
    if (!it->empty() && it->front() == '[') inside = *it == section;
    if (inside && it->rfind("\"" + name + "\"=", 0) == 0) {
      lines.erase(it);
      break;
    }
  }
  WriteStore(lines);
}

}  // namespace qh::programs::testing
