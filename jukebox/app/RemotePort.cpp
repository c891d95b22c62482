#include "jukebox/app/RemotePort.h"

namespace {
RemotePortFactory& Installed() {
  static RemotePortFactory factory;
  return factory;
}
}  // namespace

RemotePortFactory SetRemotePortFactory(RemotePortFactory factory) {
  RemotePortFactory previous = std::move(Installed());
  Installed() = std::move(factory);
  return previous;
}

const RemotePortFactory& GetRemotePortFactory() { return Installed(); }
