// A helper process that a test starts (a scripted server, a lock holder) ends with the test program.
// A program that ends without its destructors (a crash, a fatal X error that calls exit) would otherwise
// leave it running, holding the test runner's output open until the test's time limit.
#pragma once

#include <signal.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <unistd.h>

namespace qh::testing {

// Starts `argv` (looked up on PATH) with its standard output on `output`, the write end of a pipe whose
// read end `readEnd` the helper does not keep; the helper's pid, or -1. The helper is killed when the
// thread that started it ends: start helpers from the test's own thread.
inline pid_t StartHelperOfTest(const char* const argv[], int output, int readEnd) {
  const pid_t testProgram = getpid();
  const pid_t pid = fork();
  if (pid != 0) return pid;
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != testProgram) _exit(127);
  dup2(output, 1);
  close(readEnd);
  execvp(argv[0], const_cast<char* const*>(argv));
  _exit(127);
}

}  // namespace qh::testing
