#include "recorder/tests/UnansweredPort.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace qh::recorder::testing {

namespace {
constexpr int kFillers = 4;
constexpr const char* kSynSent = "02";
}  // namespace

UnansweredPort::UnansweredPort() {
  listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
  if (listener_ < 0) return;
  sockaddr_in where{};
  where.sin_family = AF_INET;
  inet_pton(AF_INET, "127.0.0.1", &where.sin_addr);
  std::mt19937 pick(std::random_device{}());
  for (int attempt = 0; attempt < 200 && port_ == 0; ++attempt) {
    const int port = 20000 + static_cast<int>(pick() % 12000);
    where.sin_port = htons(static_cast<uint16_t>(port));
    if (bind(listener_, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0) port_ = port;
  }
  if (port_ == 0 || listen(listener_, 0) != 0) {
    port_ = 0;
    return;
  }
  for (int i = 0; i < kFillers; ++i) {
    const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    if (filler < 0) continue;
    connect(filler, reinterpret_cast<sockaddr*>(&where), sizeof where);
    fillers_.insert(filler);
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (getsockname(filler, reinterpret_cast<sockaddr*>(&local), &length) == 0) fillerPorts_.insert(ntohs(local.sin_port));
  }
}

UnansweredPort::~UnansweredPort() {
  for (int filler : fillers_) ::close(filler);
  if (listener_ >= 0) ::close(listener_);
}

bool UnansweredPort::SomeoneWaits() const {
  // /proc/net/tcp: "sl local_address rem_address st ...", addresses as HEXIP:HEXPORT.
  std::ifstream table("/proc/net/tcp");
  std::string line;
  std::getline(table, line);
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state;
    fields >> slot >> local >> remote >> state;
    if (state != kSynSent || local.size() < 5 || remote.size() < 5) continue;
    const int remotePort = std::stoi(remote.substr(remote.find(':') + 1), nullptr, 16);
    const int localPort = std::stoi(local.substr(local.find(':') + 1), nullptr, 16);
    if (remotePort == port_ && fillerPorts_.count(localPort) == 0) return true;
  }
  return false;
}

}  // namespace qh::recorder::testing
