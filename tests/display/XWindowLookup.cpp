#include "tests/display/XWindowLookup.h"

#include <cstdio>
#include <thread>

namespace qh::programs::testing {
namespace {

std::optional<XWindowPlace> PlaceOf(const std::string& display, const std::string& id) {
  XWindowPlace place;
  place.id = id;
  int found = 0;
  for (const std::string& line : XdotoolLines(display, "getwindowgeometry --shell " + id)) {
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string name = line.substr(0, equals);
    const int value = std::atoi(line.c_str() + equals + 1);
    if (name == "X") place.x = value, ++found;
    else if (name == "Y") place.y = value, ++found;
    else if (name == "WIDTH") place.width = value, ++found;
    else if (name == "HEIGHT") place.height = value, ++found;
  }
  if (found != 4) return std::nullopt;
  return place;
}

bool Shows(const std::string& display, const std::string& id) {
  for (const std::string& shown : XdotoolLines(display, "search --onlyvisible --name ''"))
    if (shown == id) return true;
  return false;
}

}  // namespace

std::vector<std::string> XdotoolLines(const std::string& display, const std::string& commands) {
  const std::string command = "DISPLAY=" + display + " timeout 5 xdotool " + commands + " 2>/dev/null";
  std::vector<std::string> lines;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return lines;
  char buffer[512];
  std::string line;
  while (std::fgets(buffer, sizeof buffer, pipe)) {
    line += buffer;
    if (!line.empty() && line.back() == '\n') {
      line.pop_back();
      lines.push_back(line);
      line.clear();
    }
  }
  if (!line.empty()) lines.push_back(line);
  if (pclose(pipe) != 0) lines.clear();
  return lines;
}

std::optional<XWindowPlace> WaitForWindow(const std::string& display, pid_t pid, const std::string& title,
                                          std::chrono::milliseconds limit, bool shownOnly) {
  const auto end = std::chrono::steady_clock::now() + limit;
  const std::string search = std::string("search ") + (shownOnly ? "--onlyvisible " : "") + "--pid " + std::to_string(pid);
  do {
    for (const std::string& id : XdotoolLines(display, search)) {
      const std::vector<std::string> name = XdotoolLines(display, "getwindowname " + id);
      if (name.size() != 1 || name[0] != title) continue;
      if (auto place = PlaceOf(display, id)) return place;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  } while (std::chrono::steady_clock::now() < end);
  return std::nullopt;
}

std::string WindowTree(const std::string& display) {
  std::string tree;
  FILE* pipe = popen(("DISPLAY=" + display + " timeout 5 xwininfo -root -tree 2>&1").c_str(), "r");
  if (!pipe) return tree;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) tree += buffer;
  pclose(pipe);
  return tree;
}

bool WaitUntilGone(const std::string& display, const std::string& id, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  // Gone when two looks in a row miss it: one look may have failed on another window's going.
  for (int misses = 0; misses < 2;) {
    misses = Shows(display, id) ? 0 : misses + 1;
    if (misses < 2 && std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return true;
}

}  // namespace qh::programs::testing
