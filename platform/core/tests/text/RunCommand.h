// Runs a shell command for a test and collects what it writes (standard output and error).
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

// The command's exit status, or -1 when it could not run or did not exit normally.
inline int RunCommand(const std::string& command, std::string* output) {
  output->clear();
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  char chunk[4096];
  std::size_t read = 0;
  while ((read = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) output->append(chunk, read);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
