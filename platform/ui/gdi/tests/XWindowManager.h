// The window manager of a test's private X server (openbox), for display tests that run each case
// once with a window manager and once without one, as a kiosk runs; it ends with the object.
#pragma once

#include <sys/types.h>

#include <string>

namespace qh::gdi::testing {

class XWindowManager {
 public:
  // Starts openbox on `display` and waits (bounded) until it has announced itself on the root window.
  explicit XWindowManager(const std::string& display);
  ~XWindowManager();
  XWindowManager(const XWindowManager&) = delete;
  XWindowManager& operator=(const XWindowManager&) = delete;
  // False when openbox is missing or did not come up (the test skips).
  bool running() const { return running_; }

 private:
  pid_t pid_ = -1;
  bool running_ = false;
};

}  // namespace qh::gdi::testing
