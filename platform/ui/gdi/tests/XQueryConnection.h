// A test's own connection to an X server, for looking at what the programs under test show. Their
// windows come and go while a test looks (a dialog closes, a program ends), so an X error on this
// connection (a window gone between listing the tree and asking for its name) reads as "not there"
// instead of reaching Xlib's default handler, which would end the whole test process and leave its
// X server and started programs running.
#pragma once

#include <X11/Xlib.h>

#include <string>

namespace qh::gdi::testing {

class XQueryConnection {
 public:
  explicit XQueryConnection(const std::string& display);
  ~XQueryConnection();
  XQueryConnection(const XQueryConnection&) = delete;
  XQueryConnection& operator=(const XQueryConnection&) = delete;

  // Null when the server could not be reached.
  ::Display* get() const { return server_; }
  explicit operator bool() const { return server_ != nullptr; }
  // Whether an X error came back on this connection since it opened (it waits for the server's answers
  // to every request sent so far).
  bool ErrorsSeen() const;

 private:
  ::Display* server_ = nullptr;
};

}  // namespace qh::gdi::testing
