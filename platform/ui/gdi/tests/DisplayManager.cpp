#include "platform/ui/gdi/tests/DisplayManager.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/ui/WinUser.h"
#include "platform/ui/gdi/BitmapResources.h"
#include "platform/ui/gdi/Snapshot.h"
#include "platform/ui/gdi/tests/XQueryConnection.h"

extern char** environ;

namespace qh::gdi::testing {
namespace {

// Reads one property of `window` as 32-bit items; nothing when it is not set.
std::optional<std::vector<unsigned long>> Property(Display* x, Window window, const char* name, Atom type) {
  const Atom atom = XInternAtom(x, name, True);
  if (atom == None) return std::nullopt;
  Atom actual = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(x, window, atom, 0, 1 << 20, False, type, &actual, &format, &items, &after, &data) != Success ||
      format != 32 || !data) {
    if (data) XFree(data);
    return std::nullopt;
  }
  // Xlib hands 32-bit items over as longs.
  const auto* values = reinterpret_cast<const unsigned long*>(data);
  std::vector<unsigned long> out(values, values + items);
  XFree(data);
  return out;
}

bool TitleIs(Display* x, Window window, const std::string& title) {
  char* name = nullptr;
  const bool same = XFetchName(x, window, &name) && name && title == name;
  if (name) XFree(name);
  return same;
}

Window FindTitled(Display* x, Window under, const std::string& title, int depth) {
  if (TitleIs(x, under, title)) return under;
  if (depth == 0) return 0;
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(x, under, &root, &parent, &children, &count)) return 0;
  Window found = 0;
  for (unsigned int i = 0; i < count && !found; ++i) found = FindTitled(x, children[i], title, depth - 1);
  if (children) XFree(children);
  return found;
}

}  // namespace

unsigned long XWindowTitled(const std::string& display, const std::string& title) {
  XQueryConnection x(display);
  if (!x) return 0;
  return FindTitled(x.get(), DefaultRootWindow(x.get()), title, 3);  // a window manager adds a frame
}

std::optional<Surface> XWindowIcon(const std::string& display, unsigned long window) {
  std::optional<std::vector<unsigned long>> values;
  {
    XQueryConnection x(display);
    if (!x) return std::nullopt;
    values = Property(x.get(), window, "_NET_WM_ICON", XA_CARDINAL);
  }
  if (!values) return std::nullopt;
  // Pictures one after another: width, height, then width * height ARGB pixels.
  std::optional<Surface> largest;
  for (std::size_t at = 0; at + 2 <= values->size();) {
    const auto width = static_cast<int>((*values)[at]), height = static_cast<int>((*values)[at + 1]);
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (width <= 0 || height <= 0 || at + 2 + count > values->size()) break;
    if (!largest || width > largest->width()) {
      Surface picture(width, height);
      for (int y = 0; y < height; ++y)
        for (int x0 = 0; x0 < width; ++x0)
          picture.row(y)[x0] = static_cast<Pixel>((*values)[at + 2 + static_cast<std::size_t>(y * width + x0)] & 0xFFFFFFu);
      largest = std::move(picture);
    }
    at += 2 + count;
  }
  return largest;
}

bool XWindowIconified(const std::string& display, unsigned long window) {
  XQueryConnection x(display);
  if (!x) return false;
  const Atom state = XInternAtom(x.get(), "WM_STATE", True);
  const auto values = state == None ? std::nullopt : Property(x.get(), window, "WM_STATE", state);
  return values && !values->empty() && (*values)[0] == IconicState;
}

double MinimisedIconShare(HWND window, const Surface& picture) {
  const bool wasIconic = IsIconic(window);
  ShowWindow(window, SW_MINIMIZE);
  std::optional<Surface> shown = SnapshotWindow(window);
  RECT frame{}, client{};
  GetWindowRect(window, &frame);
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  if (!wasIconic) ShowWindow(window, SW_RESTORE);
  if (!shown || picture.empty()) return 0.0;
  const int left = origin.x - frame.left + (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int top = origin.y - frame.top + (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
  int same = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      same += shown->contains(left + x, top + y) && shown->at(left + x, top + y) == picture.at(x, y);
  return static_cast<double>(same) / (picture.width() * picture.height());
}

}  // namespace qh::gdi::testing

namespace qh::gdi::testing {

std::optional<Surface> UseProgramBitmaps(const std::string& folder, unsigned id) {
  ClearBitmapFolders();
  AddBitmapFolder(folder);
  const std::optional<std::string> file = FindBitmapFile(id);
  return file ? ReadImageFile(*file) : std::nullopt;
}

}  // namespace qh::gdi::testing
