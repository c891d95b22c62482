// A port of this machine that never answers a connect: a listener that accepts nothing, whose queue is
// filled by connections of its own, so the kernel leaves every further connect waiting. Its number lies
// in the recorder's port range (1 to 32000).
#pragma once

#include <set>

namespace qh::recorder::testing {

class UnansweredPort {
 public:
  UnansweredPort();
  ~UnansweredPort();
  UnansweredPort(const UnansweredPort&) = delete;
  UnansweredPort& operator=(const UnansweredPort&) = delete;

  // 0 when no listener could be made.
  int Port() const { return port_; }
  // True once a connect to this port other than the fillers' waits for its answer (SYN sent).
  bool SomeoneWaits() const;

 private:
  int listener_ = -1;
  int port_ = 0;
  std::set<int> fillers_;      // their sockets
  std::set<int> fillerPorts_;  // their local ports
};

}  // namespace qh::recorder::testing
