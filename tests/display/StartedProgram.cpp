#include "tests/display/StartedProgram.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace qh::programs::testing {

StartedProgram::StartedProgram(const std::string& program, const std::vector<std::string>& arguments,
                               const std::string& folder, const std::string& outputFile)
    : outputFile_(outputFile) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_ = fork();
  if (pid_ != 0) return;
  const int out = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0 || chdir(folder.c_str()) != 0) _exit(126);
  dup2(out, STDOUT_FILENO);
  dup2(out, STDERR_FILENO);
  close(out);
  execv(program.c_str(), argv.data());
  _exit(127);
}

StartedProgram::~StartedProgram() {
  if (pid_ <= 0 || code_) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
}

bool StartedProgram::Running() { return pid_ > 0 && !WaitForExit(std::chrono::milliseconds(0)); }

std::optional<int> StartedProgram::WaitForExit(std::chrono::milliseconds limit) {
  if (code_ || pid_ <= 0) return code_;
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return code_;
    }
    if (std::chrono::steady_clock::now() >= end) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

std::string StartedProgram::Output() const {
  std::ifstream in(outputFile_);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace qh::programs::testing
