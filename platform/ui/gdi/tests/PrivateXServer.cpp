#include "platform/ui/gdi/tests/PrivateXServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

extern char** environ;

namespace qh::gdi::testing {
namespace {

// The server writes its display number once it takes connections; on a loaded machine that can take
// many seconds (it compiles its keymap first). Waits as long as the server lives, within a minute.
std::string ReadDisplayNumber(int fd, pid_t server) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  std::string number;
  pollfd p{fd, POLLIN, 0};
  char ch = 0;
  while (std::chrono::steady_clock::now() < end) {
    const int ready = poll(&p, 1, 500);
    if (ready < 0 && errno != EINTR) break;
    if (ready > 0) {
      if (read(fd, &ch, 1) != 1) break;
      if (ch == '\n') return number;
      number += ch;
    } else if (waitpid(server, nullptr, WNOHANG) == server) {
      break;
    }
  }
  return "";
}

}  // namespace

PrivateXServer::PrivateXServer(const char* screen) {
  int fds[2];
  if (pipe(fds) != 0) return;
  const std::string fd = std::to_string(fds[1]);
  // -noreset: an X server starts over when its last client leaves and refuses connections meanwhile; a
  // test's short-lived clients (xdotool, the screen grab) would make a program started then find no display.
  const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten", "tcp", "-noreset", nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  // Nothing of the test runner's: a server left running by a test that died must not hold its output open.
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const int rc = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (rc != 0) {
    pid_ = -1;
    close(fds[0]);
    return;
  }
  const std::string number = ReadDisplayNumber(fds[0], pid_);
  close(fds[0]);
  if (!number.empty()) display_ = ":" + number;
}

PrivateXServer::~PrivateXServer() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  // A server that does not end within seconds is killed: a test's end never waits for ever.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (waitpid(pid_, nullptr, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= end) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      return;
    }
    poll(nullptr, 0, 20);
  }
}

}  // namespace qh::gdi::testing
