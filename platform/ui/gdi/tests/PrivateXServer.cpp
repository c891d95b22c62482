#include "platform/ui/gdi/tests/PrivateXServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qh::gdi::testing {

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
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  char ch = 0;
  while (poll(&p, 1, 10000) > 0 && read(fds[0], &ch, 1) == 1 && ch != '\n') number += ch;
  close(fds[0]);
  if (!number.empty()) display_ = ":" + number;
}

PrivateXServer::~PrivateXServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

}  // namespace qh::gdi::testing
