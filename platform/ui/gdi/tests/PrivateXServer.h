// An Xvfb server of a test's own, on a display number the server picks itself; display() is empty when
// no server could be started (the test then skips).
#pragma once

#include <sys/types.h>

#include <string>

namespace qh::gdi::testing {

class PrivateXServer {
 public:
  explicit PrivateXServer(const char* screen = "320x240x24");
  ~PrivateXServer();
  PrivateXServer(const PrivateXServer&) = delete;
  PrivateXServer& operator=(const PrivateXServer&) = delete;
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

}  // namespace qh::gdi::testing
