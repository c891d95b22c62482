// A helper program run beside a test: its first output line is read (a port), and it is ended with
// the test.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

extern char** environ;

class PeerProcess {
 public:
  explicit PeerProcess(std::vector<std::string> args) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    m_output = fdopen(pipeFds[0], "r");
  }
  ~PeerProcess() {
    if (m_pid > 0) {
      kill(m_pid, SIGTERM);
      waitpid(m_pid, nullptr, 0);
    }
    if (m_output) fclose(m_output);
  }
  std::string ReadLine() {
    std::string line;
    if (!m_output) return line;
    int c;
    while ((c = fgetc(m_output)) != EOF && c != '\n') line += static_cast<char>(c);
    return line;
  }

 private:
  pid_t m_pid = -1;
  FILE* m_output = nullptr;
};
