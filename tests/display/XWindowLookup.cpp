#include "tests/display/XWindowLookup.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/ui/gdi/tests/XQueryConnection.h"

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

std::vector<XWindowPlace> ShownTopLevelWindows(const std::string& display) {
  std::vector<XWindowPlace> shown;
  qh::gdi::testing::XQueryConnection x(display);
  if (!x) return shown;
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(x.get(), DefaultRootWindow(x.get()), &root, &parent, &children, &count)) return shown;
  // The tree lists the root's children lowest first.
  for (unsigned int i = count; i-- > 0;) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(x.get(), children[i], &attributes) || attributes.map_state != IsViewable) continue;
    shown.push_back(XWindowPlace{std::to_string(children[i]), attributes.x, attributes.y, attributes.width, attributes.height});
  }
  if (children) XFree(children);
  return shown;
}

std::optional<XWindowPlace> WaitForNewWindowAt(const std::string& display, const std::vector<XWindowPlace>& before,
                                               int x, int y, int slack, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  const auto known = [&](const XWindowPlace& place) {
    return std::any_of(before.begin(), before.end(), [&](const XWindowPlace& old) { return old.id == place.id; });
  };
  do {
    for (const XWindowPlace& place : ShownTopLevelWindows(display))
      if (!known(place) && std::abs(place.x - x) <= slack && std::abs(place.y - y) <= slack) return place;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  } while (std::chrono::steady_clock::now() < end);
  return std::nullopt;
}

bool WaitForKeyboardFocus(const std::string& display, const std::string& id, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  do {
    {
      qh::gdi::testing::XQueryConnection x(display);
      Window focus = 0;
      int revert = 0;
      if (x && XGetInputFocus(x.get(), &focus, &revert) && std::to_string(focus) == id) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  } while (std::chrono::steady_clock::now() < end);
  return false;
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
