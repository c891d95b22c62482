// A program of the build started as a user starts it: in a folder of its own, with the environment of
// the test (settings store, drives, lock folder, display), its output kept in a file. A program still
// running when the object goes is killed.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace qh::programs::testing {

class StartedProgram {
 public:
  StartedProgram(const std::string& program, const std::vector<std::string>& arguments, const std::string& folder,
                 const std::string& outputFile);
  ~StartedProgram();
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;

  pid_t pid() const { return pid_; }
  bool Running();
  // The exit code (128 + signal for a killed program) once the program ended within `limit`.
  std::optional<int> WaitForExit(std::chrono::milliseconds limit);
  // What the program wrote to its standard output and error so far.
  std::string Output() const;

 private:
  pid_t pid_ = -1;
  std::optional<int> code_;
  std::string outputFile_;
};

}  // namespace qh::programs::testing
