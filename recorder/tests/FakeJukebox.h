// A python3 stand-in for a jukebox's control port (fake_jukebox.py), started for one test.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/core/testing/ChildOfTest.h"

namespace qh::recorder::testing {

class FakeJukebox {
 public:
  // Serves from `folder` in `mode` (see the script), answering the version check with `version`.
  FakeJukebox(const std::string& folder, const char* mode, const char* version = "4.0.12") {
    int out[2];
    if (pipe(out) != 0) return;
    const char* argv[] = {"python3", QH_TEST_SOURCE_DIR "/recorder/tests/fake_jukebox.py", folder.c_str(), mode, version,
                          nullptr};
    pid_ = qh::testing::StartHelperOfTest(argv, out[1], out[0]);
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
