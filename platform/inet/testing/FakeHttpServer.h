// Starts the scripted python3 HTTP server (fake_http_server.py) for one test and stops it again.
#pragma once

#include <string>
#include <sys/types.h>

namespace qh::inet::testing {

class FakeHttpServer {
 public:
  // Listens on address:port (port 0: any free port) with the routes of `routesJson` (see the script).
  FakeHttpServer(const std::string& folder, const std::string& address, int port, const std::string& routesJson);
  ~FakeHttpServer();
  FakeHttpServer(const FakeHttpServer&) = delete;
  FakeHttpServer& operator=(const FakeHttpServer&) = delete;

  bool Ready() const { return port_ > 0; }
  int Port() const { return port_; }
  // The request lines the server got, one a line.
  std::string RequestLog() const;

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  std::string logPath_;
};

// A loopback address of its own for a test (127.x.y.z), so servers on port 80 never meet.
std::string PrivateLoopbackAddress();

}  // namespace qh::inet::testing
