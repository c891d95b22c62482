// A client of the control port that a test drives byte for byte: a plain blocking socket on the loopback
// address, with a read limit so that a missing reply fails the test instead of hanging it.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <string>

#include "platform/core/WinTypes.h"

namespace remote::test {

class RawClient {
 public:
  explicit RawClient(WORD port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval limit{20, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), static_cast<socklen_t>(sizeof(address))) == 0;
  }
  ~RawClient() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Connected() const { return connected_; }
  bool PostAction(const std::string& name) {
    return PostDocument("<action><actionName>" + name + "</actionName><actionID>1</actionID></action>");
  }
  // POSTs an action document to "/control" in one write.
  bool PostDocument(const std::string& body) {
    const std::string request = "POST /control HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/xml\r\nContent-Length: " +
                                std::to_string(body.size()) + "\r\n\r\n" + body;
    return ::write(fd_, request.data(), request.size()) == static_cast<ssize_t>(request.size());
  }
  // Reads one reply framed by its Content-Length (empty on a time-out or an end).
  std::string ReadReply() {
    std::string data;
    char buffer[4096];
    for (;;) {
      const size_t head = data.find("\r\n\r\n");
      if (head != std::string::npos) {
        const size_t at = data.find("Content-Length: ");
        const size_t length = at == std::string::npos ? 0 : std::stoul(data.substr(at + 16));
        if (data.size() >= head + 4 + length) return data;
      }
      const ssize_t got = ::read(fd_, buffer, sizeof(buffer));
      if (got <= 0) return data;
      data.append(buffer, static_cast<size_t>(got));
    }
  }
  // Ends the connection with a reset, as a client that gives up does.
  void Reset() {
    linger hard{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
    ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
};

}  // namespace remote::test
