#include "platform/inet/testing/FakeHttpServer.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/core/testing/ChildOfTest.h"

namespace qh::inet::testing {

FakeHttpServer::FakeHttpServer(const std::string& folder, const std::string& address, int port,
                               const std::string& routesJson) {
  std::string routesPath = folder + "/routes.json";
  logPath_ = folder + "/requests.log";
  std::ofstream(routesPath) << routesJson;
  std::ofstream(logPath_).close();
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return;
  std::string portText = std::to_string(port);
  std::string script = QH_FAKE_HTTP_SERVER;
  const char* argv[] = {"python3", script.c_str(), address.c_str(), portText.c_str(), routesPath.c_str(),
                        logPath_.c_str(), nullptr};
  pid_ = qh::testing::StartHelperOfTest(argv, pipeFds[1], pipeFds[0]);
  close(pipeFds[1]);
  if (pid_ < 0) {
    close(pipeFds[0]);
    return;
  }
  FILE* out = fdopen(pipeFds[0], "r");
  char line[64] = {};
  if (out != nullptr && std::fgets(line, sizeof line, out) != nullptr) std::sscanf(line, "READY %d", &port_);
  if (out != nullptr) std::fclose(out);
}

FakeHttpServer::~FakeHttpServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

std::string FakeHttpServer::RequestLog() const {
  std::ifstream in(logPath_);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string PrivateLoopbackAddress() {
  std::random_device random;
  std::uniform_int_distribution<int> part(1, 254);
  return "127." + std::to_string(part(random)) + "." + std::to_string(part(random)) + "." + std::to_string(part(random));
}

}  // namespace qh::inet::testing
