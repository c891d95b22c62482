// A python3 stand-in for a jukebox's control port (fake_jukebox.py), started for one test.
#pragma once

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace qh::recorder::testing {

class FakeJukebox {
 public:
  // Serves from `folder` in `mode` (see the script), answering the version check with `version`.
  FakeJukebox(const std::string& folder, const char* mode, const char* version = "4.0.12") {
    int out[2];
    if (pipe(out) != 0) return;
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
      // A test program that ends without its destructors (a fatal X error calls exit) takes the server
      // with it: a "deaf" server sleeping on would hold the runner's output open until the test's limit.
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(127);
      dup2(out[1], 1);
      close(out[0]);
      execlp("python3", "python3", QH_TEST_SOURCE_DIR "/recorder/tests/fake_jukebox.py", folder.c_str(), mode, version,
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    FILE* reader = fdopen(out[0], "r");
    if (std::fscanf(reader, "PORT %d", &port_) != 1) port_ = 0;
    std::fclose(reader);
  }
  ~FakeJukebox() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  int Port() const { return port_; }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace qh::recorder::testing
