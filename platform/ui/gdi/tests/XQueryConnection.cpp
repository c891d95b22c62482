#include "platform/ui/gdi/tests/XQueryConnection.h"

#include <map>
#include <mutex>

namespace qh::gdi::testing {
namespace {

// Recursive: a connection closes under the lock, and errors its closing brings come back to the handler
// on the same thread.
std::recursive_mutex& QueryMutex() {
  static std::recursive_mutex m;
  return m;
}
// The test's connections and whether an error came back on each.
std::map<::Display*, bool>& QueryConnections() {
  static std::map<::Display*, bool> connections;
  return connections;
}
XErrorHandler& EarlierHandler() {
  static XErrorHandler earlier = nullptr;
  return earlier;
}

int NoteOrPassOn(::Display* server, XErrorEvent* error) {
  XErrorHandler earlier = nullptr;
  {
    std::lock_guard lock(QueryMutex());
    auto found = QueryConnections().find(server);
    if (found != QueryConnections().end()) {
      found->second = true;
      return 0;
    }
    earlier = EarlierHandler();
  }
  // Errors of other connections (the SDL back end of a test's own windows) go where they went before.
  return earlier ? earlier(server, error) : 0;
}

void InstallHandlerOnce() {
  static std::once_flag once;
  std::call_once(once, [] { EarlierHandler() = XSetErrorHandler(NoteOrPassOn); });
}

}  // namespace

XQueryConnection::XQueryConnection(const std::string& display) {
  InstallHandlerOnce();
  server_ = XOpenDisplay(display.c_str());
  if (!server_) return;
  std::lock_guard lock(QueryMutex());
  QueryConnections()[server_] = false;
}

XQueryConnection::~XQueryConnection() {
  if (!server_) return;
  // Closed under the lock, so that a connection opened meanwhile at the same address is not forgotten.
  std::lock_guard lock(QueryMutex());
  XCloseDisplay(server_);
  QueryConnections().erase(server_);
}

bool XQueryConnection::ErrorsSeen() const {
  if (!server_) return true;
  XSync(server_, False);
  std::lock_guard lock(QueryMutex());
  return QueryConnections()[server_];
}

}  // namespace qh::gdi::testing
