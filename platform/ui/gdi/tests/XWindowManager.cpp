#include "platform/ui/gdi/tests/XWindowManager.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/ui/gdi/tests/XQueryConnection.h"

extern char** environ;

namespace qh::gdi::testing {
namespace {

bool Announced(::Display* server) {
  const Atom check = XInternAtom(server, "_NET_SUPPORTING_WM_CHECK", False);
  Atom type;
  int format;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  const bool found = XGetWindowProperty(server, DefaultRootWindow(server), check, 0, 1, False, XA_WINDOW, &type, &format,
                                        &items, &after, &data) == Success && items > 0;
  if (data) XFree(data);
  return found;
}

}  // namespace

XWindowManager::XWindowManager(const std::string& display) {
  if (std::system("command -v openbox >/dev/null 2>&1") != 0) return;
  const std::string env = "DISPLAY=" + display;
  char* const argv[] = {const_cast<char*>("openbox"), const_cast<char*>("--sm-disable"), nullptr};
  std::vector<char*> envp{const_cast<char*>(env.c_str())};
  for (char** e = environ; *e; ++e)
    if (std::string(*e).rfind("DISPLAY=", 0) != 0) envp.push_back(*e);
  envp.push_back(nullptr);
  // Its chatter goes nowhere: a window manager left running by a test that died must not hold the test
  // runner's output pipe open.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const int rc = posix_spawnp(&pid_, "openbox", &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    pid_ = -1;
    return;
  }
  XQueryConnection server(display);
  if (!server) return;
  for (int i = 0; i < 150 && !running_; ++i) {
    running_ = Announced(server.get());
    if (!running_) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

XWindowManager::~XWindowManager() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  // A window manager that ignores the request must not hang the test.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  int status = 0;
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= end) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace qh::gdi::testing
