// The event model: which network events a socket has recorded, and the one watcher thread that
// notices them.
//
// Every event-selected socket has a record of what it may still report ("armed" events, the
// platform's re-enabling rules) and what it has recorded but not yet been asked about. The watcher
// sleeps in epoll over exactly the conditions that are armed; a socket with nothing armed is not
// watched at all, so a connection that waits for its owner does not make the watcher spin.
// The socket calls of this file re-arm events as the platform does (recv re-arms FD_READ, a blocked
// send FD_WRITE, accept FD_ACCEPT, connect FD_CONNECT).
//
// Each socket's watch is one-shot: a report switches it off in the kernel by itself, and only a
// condition still armed after the harvest switches it on again. So a harvest that disarms what it
// found costs no system call, re-arming costs one, and a socket stays in the epoll set until it is
// closed (closing it takes it out).
#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/sock/WinSock2.h"

namespace {

struct SocketRecord {
  SOCKET fd = INVALID_SOCKET;
  std::uint32_t generation = 0;
  long mask = 0;
  std::shared_ptr<qh::EventObject> event;
  bool connected = false;
  bool connectPending = false;
  bool readArmed = true;
  bool writeArmed = false;
  bool acceptArmed = true;
  bool closeReported = false;
  // Selected for FD_ACCEPT before listen() was called: checked again until it listens.
  bool awaitingListen = false;
  bool listening = false;  // once a socket listens it keeps listening: asked until then only
  // The peer's end (or an error) was read: its readiness never clears, so it is watched no more; a
  // reply still being sent keeps its write watch.
  bool readEnded = false;
  // A hang-up that reported nothing new: stay out of the watch set until a call re-arms something.
  bool parked = false;
  // Made by accept: a connected, non-blocking socket, so its selection need not ask the system.
  bool acceptedHere = false;
  bool registered = false;    // in the epoll set (its watch may be switched off)
  std::uint32_t watched = 0;  // the watch switched on now (0 = none)
  long recorded = 0;
  int errors[FD_MAX_EVENTS] = {};
};

class EventWatcher {
 public:
  static EventWatcher& Instance() {
    static EventWatcher* watcher = new EventWatcher;  // lives as long as the process
    return *watcher;
  }

  int Select(SOCKET s, WSAEVENT eventHandle, long mask);
  int Enumerate(SOCKET s, WSAEVENT eventHandle, WSANETWORKEVENTS* out);
  // `ended`: the recv read the peer's end.
  void AfterRecv(SOCKET s, bool ended);
  void AfterSend(SOCKET s, bool wouldBlock);
  // `accepted`: the connection accept returned (INVALID_SOCKET when none).
  void AfterAccept(SOCKET s, SOCKET accepted);
  void AfterConnect(SOCKET s, bool connected, bool pending);
  void Forget(SOCKET s);

 private:
  EventWatcher();
  void Run();
  // Records what `revents` tells; returns the event to signal (after the lock is released: waking a
  // thread under the watcher's lock would hold up every other socket call meanwhile).
  std::shared_ptr<qh::EventObject> HarvestLocked(SocketRecord& record, std::uint32_t revents);
  void UpdateWatchLocked(SocketRecord& record);
  static std::uint32_t WantedEvents(const SocketRecord& record);
  SocketRecord* FindLocked(SOCKET s) {
    auto it = records_.find(s);
    return it == records_.end() ? nullptr : it->second.get();
  }
  // A fresh record for `s`, in place of one a socket of the same number left behind.
  SocketRecord& NewRecordLocked(SOCKET s);

  std::mutex lock_;
  std::unordered_map<SOCKET, std::unique_ptr<SocketRecord>> records_;
  std::uint32_t nextGeneration_ = 1;
  int epoll_ = -1;
  int wake_ = -1;  // eventfd that makes the watcher look at sockets waiting for listen()
  int awaitingListen_ = 0;
};

bool IsListening(SOCKET fd) {
  int listening = 0;
  socklen_t length = sizeof(listening);
  return getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &length) == 0 && listening != 0;
}

EventWatcher::EventWatcher() {
  epoll_ = epoll_create1(EPOLL_CLOEXEC);
  wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  epoll_event interest{};
  interest.events = EPOLLIN;
  interest.data.u64 = ~0ull;
  epoll_ctl(epoll_, EPOLL_CTL_ADD, wake_, &interest);
  std::thread([this] { Run(); }).detach();
}

void EventWatcher::Run() {
  epoll_event ready[64];
  // A socket selected for FD_ACCEPT before listen() gives no sign when it starts listening; while
  // there are such sockets the watcher looks at them every few milliseconds.
  constexpr int kListenCheckMs = 20;
  for (;;) {
    int timeout;
    {
      std::lock_guard guard(lock_);
      timeout = awaitingListen_ > 0 ? kListenCheckMs : -1;
    }
    int count = epoll_wait(epoll_, ready, 64, timeout);
    if (count < 0) {
      if (errno == EINTR) continue;
      return;
    }
    std::vector<std::shared_ptr<qh::EventObject>> toSignal;
    std::unique_lock guard(lock_);
    if (awaitingListen_ > 0)
      for (auto& [fd, record] : records_)
        if (record->awaitingListen) UpdateWatchLocked(*record);
    for (int i = 0; i < count; ++i) {
      if (ready[i].data.u64 == ~0ull) {
        std::uint64_t drained;
        while (read(wake_, &drained, sizeof(drained)) > 0) {
        }
        continue;
      }
      SOCKET fd = static_cast<SOCKET>(ready[i].data.u64 & 0xFFFFFFFFu);
      auto generation = static_cast<std::uint32_t>(ready[i].data.u64 >> 32);
      SocketRecord* record = FindLocked(fd);
      if (record == nullptr || record->generation != generation) continue;  // closed meanwhile
      record->watched = 0;  // the report switched the one-shot watch off
      if (auto event = HarvestLocked(*record, ready[i].events)) toSignal.push_back(std::move(event));
    }
    guard.unlock();
    for (const auto& event : toSignal) event->Set();
  }
}

std::uint32_t EventWatcher::WantedEvents(const SocketRecord& r) {
  if (r.parked || r.mask == 0) return 0;
  std::uint32_t wanted = 0;
  if ((r.mask & FD_ACCEPT) && r.acceptArmed && !r.awaitingListen) wanted |= EPOLLIN;
  if (r.connectPending) return wanted | EPOLLOUT;
  if (!r.connected) return wanted;  // an unconnected socket reads as hung up: do not watch it
  if ((r.mask & FD_WRITE) && r.writeArmed) wanted |= EPOLLOUT;
  if ((r.mask & FD_READ) && r.readArmed && !r.readEnded) wanted |= EPOLLIN;
  if ((r.mask & FD_CLOSE) && !r.closeReported) wanted |= EPOLLRDHUP;
  return wanted;
}

void EventWatcher::UpdateWatchLocked(SocketRecord& record) {
  // An unconnected socket that does not listen yet reads as hung up: leave it out until it listens.
  if ((record.mask & FD_ACCEPT) && !record.listening && !record.connected && !record.connectPending)
    record.listening = IsListening(record.fd);
  bool awaiting = (record.mask & FD_ACCEPT) && !record.connected && !record.connectPending && !record.listening;
  if (awaiting != record.awaitingListen) {
    awaitingListen_ += awaiting ? 1 : -1;
    record.awaitingListen = awaiting;
    if (awaiting) {
      std::uint64_t one = 1;
      if (write(wake_, &one, sizeof(one)) < 0) {
        // the watcher is awake already
      }
    }
  }
  std::uint32_t wanted = WantedEvents(record);
  if (wanted == record.watched) return;
  if (wanted == 0) {
    // Switched on and no longer wanted (a selection changed or ended): only leaving the set stops it.
    epoll_ctl(epoll_, EPOLL_CTL_DEL, record.fd, nullptr);
    record.registered = false;
    record.watched = 0;
    return;
  }
  epoll_event interest{};
  interest.events = wanted | EPOLLONESHOT;
  interest.data.u64 = (static_cast<std::uint64_t>(record.generation) << 32) | static_cast<std::uint32_t>(record.fd);
  // A socket closed behind the model's back can leave its number in the set, or a socket of another
  // number's: each failure is answered with the other call.
  if (record.registered) {
    if (epoll_ctl(epoll_, EPOLL_CTL_MOD, record.fd, &interest) != 0 && errno == ENOENT)
      epoll_ctl(epoll_, EPOLL_CTL_ADD, record.fd, &interest);
  } else if (epoll_ctl(epoll_, EPOLL_CTL_ADD, record.fd, &interest) != 0 && errno == EEXIST) {
    epoll_ctl(epoll_, EPOLL_CTL_MOD, record.fd, &interest);
  }
  record.registered = true;
  record.watched = wanted;
}

SocketRecord& EventWatcher::NewRecordLocked(SOCKET s) {
  auto& slot = records_[s];
  if (slot && slot->awaitingListen) --awaitingListen_;
  slot = std::make_unique<SocketRecord>();
  slot->fd = s;
  slot->generation = nextGeneration_++;
  return *slot;
}

int SocketError(SOCKET fd) {
  int error = 0;
  socklen_t length = sizeof(error);
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
  return error;
}

// What waits to be read: 1 for data, 0 for the peer's end (or an error), -1 for nothing yet. A
// readiness the watcher took from epoll may be stale by the time it looks (the owner's recv took the
// bytes meanwhile), so "readable" alone never means the end: only the socket itself says so.
// A failed look reads the socket's error and so clears it: it comes back through `error`.
int ReadableState(SOCKET fd, int& error) {
  char probe;
  // The host's recv (void*, size_t), not the event model's own, which would re-arm under the lock.
  ssize_t got = ::recv(fd, static_cast<void*>(&probe), size_t{1}, MSG_PEEK | MSG_DONTWAIT);
  if (got > 0) return 1;
  if (got == 0) return 0;
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return -1;
  error = errno;
  return 0;
}

std::shared_ptr<qh::EventObject> EventWatcher::HarvestLocked(SocketRecord& r, std::uint32_t revents) {
  long found = 0;
  const bool hangup = (revents & (EPOLLRDHUP | EPOLLHUP | EPOLLERR)) != 0;
  // Only conditions epoll reports whether asked or not can make an ended socket spin the watcher.
  const bool unmaskable = (revents & (EPOLLHUP | EPOLLERR)) != 0;
  if ((r.mask & FD_ACCEPT) && r.acceptArmed && (revents & EPOLLIN)) {
    found |= FD_ACCEPT;
    r.acceptArmed = false;
  }
  if (r.connectPending) {
    if (revents & (EPOLLOUT | EPOLLERR | EPOLLHUP)) {
      int error = SocketError(r.fd);
      r.connectPending = false;
      if (r.mask & FD_CONNECT) {
        found |= FD_CONNECT;
        r.errors[FD_CONNECT_BIT] = WsaErrorFromErrno(error);
      }
      if (error == 0) {
        r.connected = true;
        if (r.mask & FD_WRITE) found |= FD_WRITE;
        r.writeArmed = false;
      }
    }
  } else if (r.connected) {
    if ((r.mask & FD_WRITE) && r.writeArmed && (revents & (EPOLLOUT | EPOLLERR | EPOLLHUP))) {
      found |= FD_WRITE;
      r.writeArmed = false;
    }
    if (revents & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR)) {
      int readError = 0;
      // Readiness may be stale: the owner's recv can take the data before this look. Reporting it anyway
      // would leave an FD_READ that the owner clears without a recv, and the next data would go unreported.
      const int readable = r.readEnded ? 0 : ReadableState(r.fd, readError);
      const bool waiting = readable > 0;
      // The end, once everything before it was read, stays readable for ever: reading stops being
      // watched, so the watcher does not wake for it again, while a reply still going out to a peer
      // that only ended its sending side keeps its write watch.
      if (readable == 0) r.readEnded = true;
      if ((r.mask & FD_READ) && r.readArmed && (waiting || (hangup && r.closeReported))) {
        found |= FD_READ;
        r.readArmed = false;
      }
      if (hangup && (r.mask & FD_CLOSE) && !r.closeReported) {
        found |= FD_CLOSE;
        r.closeReported = true;
        r.errors[FD_CLOSE_BIT] = WsaErrorFromErrno(readError != 0 ? readError : SocketError(r.fd));
      }
    }
  }
  if (found == 0 && unmaskable) r.parked = true;
  r.recorded |= found;
  UpdateWatchLocked(r);
  return found != 0 ? r.event : nullptr;
}

int EventWatcher::Select(SOCKET s, WSAEVENT eventHandle, long mask) {
  std::shared_ptr<qh::EventObject> event;
  if (mask != 0) {
    event = qh::LookupHandleAs<qh::EventObject>(eventHandle);
    if (!event) {
      WSASetLastError(WSA_INVALID_HANDLE);
      return SOCKET_ERROR;
    }
  }
  // A socket accept made is known to be a connected, non-blocking socket. Any other is asked: one
  // call tells a socket from anything else and a connected one from the rest.
  bool known = false;
  {
    std::lock_guard guard(lock_);
    SocketRecord* r = FindLocked(s);
    known = r != nullptr && r->acceptedHere;
  }
  bool connected = known;
  if (!known) {
    sockaddr_storage peer{};
    socklen_t peerLength = sizeof(peer);
    connected = getpeername(s, reinterpret_cast<sockaddr*>(&peer), &peerLength) == 0;
    if (!connected && errno != ENOTCONN) {
      WSASetLastError(WSAENOTSOCK);
      return SOCKET_ERROR;
    }
    int nonBlocking = 1;
    if (ioctl(s, FIONBIO, &nonBlocking) != 0) {
      WSASetLastError(WSAENOTSOCK);
      return SOCKET_ERROR;
    }
  }
  // A connected socket may hold data already (a client sends its request with the connection): that
  // is recorded here, as FD_WRITE is, rather than through the watcher, which would wake for it. The
  // count of waiting bytes leaves a pending error in place for the watcher to report.
  int waiting = 0;
  const bool dataWaiting = connected && (mask & FD_READ) && ioctl(s, FIONREAD, &waiting) == 0 && waiting > 0;

  std::shared_ptr<qh::EventObject> toSignal;
  {
    std::lock_guard guard(lock_);
    auto& slot = records_[s];
    if (!slot) {
      slot = std::make_unique<SocketRecord>();
      slot->fd = s;
      slot->generation = nextGeneration_++;
    }
    SocketRecord& r = *slot;
    r.acceptedHere = false;
    r.mask = mask;
    r.event = std::move(event);
    r.connected = r.connected || connected;
    r.readArmed = true;
    r.acceptArmed = true;
    r.parked = false;
    r.recorded = 0;
    r.writeArmed = false;
    // A connected socket can send at once: the platform records FD_WRITE when it is selected.
    if (r.connected && (mask & FD_WRITE)) {
      r.recorded |= FD_WRITE;
      r.errors[FD_WRITE_BIT] = 0;
    }
    if (dataWaiting) {
      r.recorded |= FD_READ;
      r.errors[FD_READ_BIT] = 0;
      r.readArmed = false;
    }
    if (r.recorded != 0) toSignal = r.event;
    UpdateWatchLocked(r);
  }
  if (toSignal) toSignal->Set();
  return 0;
}

int EventWatcher::Enumerate(SOCKET s, WSAEVENT eventHandle, WSANETWORKEVENTS* out) {
  if (out == nullptr) {
    WSASetLastError(WSAEFAULT);
    return SOCKET_ERROR;
  }
  std::shared_ptr<qh::EventObject> event;
  if (eventHandle != nullptr) {
    event = qh::LookupHandleAs<qh::EventObject>(eventHandle);
    if (!event) {
      WSASetLastError(WSA_INVALID_HANDLE);
      return SOCKET_ERROR;
    }
  }
  // The event is reset before the recorded events are read: a harvest that comes after the read
  // signals it again, so nothing recorded is ever left without a signal.
  if (event) event->Reset();
  std::unique_lock guard(lock_);
  SocketRecord* r = FindLocked(s);
  if (r == nullptr) {
    WSASetLastError(WSAENOTSOCK);
    return SOCKET_ERROR;
  }
  // Pick up what the watcher has not seen yet, so the answer is current.
  if (r->watched != 0 && r->recorded == 0) {
    pollfd probe{r->fd, 0, 0};
    if (r->watched & EPOLLIN) probe.events |= POLLIN;
    if (r->watched & EPOLLOUT) probe.events |= POLLOUT;
    if (r->watched & EPOLLRDHUP) probe.events |= POLLRDHUP;
    if (poll(&probe, 1, 0) == 1) {
      std::uint32_t revents = 0;
      if (probe.revents & POLLIN) revents |= EPOLLIN;
      if (probe.revents & POLLOUT) revents |= EPOLLOUT;
      if (probe.revents & POLLRDHUP) revents |= EPOLLRDHUP;
      if (probe.revents & POLLHUP) revents |= EPOLLHUP;
      if (probe.revents & POLLERR) revents |= EPOLLERR;
      HarvestLocked(*r, revents);  // reported below; no need to signal
    }
  }
  *out = WSANETWORKEVENTS{};
  out->lNetworkEvents = r->recorded;
  for (int bit = 0; bit < FD_MAX_EVENTS; ++bit) {
    if (r->recorded & (1L << bit)) out->iErrorCode[bit] = r->errors[bit];
    r->errors[bit] = 0;
  }
  r->recorded = 0;
  return 0;
}

void EventWatcher::AfterRecv(SOCKET s, bool ended) {
  std::lock_guard guard(lock_);
  if (SocketRecord* r = FindLocked(s)) {
    r->readArmed = true;
    r->parked = false;
    // Nothing can follow the end: watching for more to read would only report the end again.
    if (ended) r->readEnded = true;
    UpdateWatchLocked(*r);
  }
}

void EventWatcher::AfterSend(SOCKET s, bool wouldBlock) {
  if (!wouldBlock) return;
  std::lock_guard guard(lock_);
  if (SocketRecord* r = FindLocked(s)) {
    r->writeArmed = true;
    r->parked = false;
    UpdateWatchLocked(*r);
  }
}

void EventWatcher::AfterAccept(SOCKET s, SOCKET accepted) {
  std::lock_guard guard(lock_);
  if (accepted != INVALID_SOCKET) {
    SocketRecord& r = NewRecordLocked(accepted);
    r.connected = true;
    r.acceptedHere = true;
  }
  if (SocketRecord* r = FindLocked(s)) {
    r->acceptArmed = true;
    UpdateWatchLocked(*r);
  }
}

void EventWatcher::AfterConnect(SOCKET s, bool connected, bool pending) {
  std::lock_guard guard(lock_);
  if (SocketRecord* r = FindLocked(s)) {
    r->connectPending = pending;
    r->readEnded = false;
    if (connected) {
      r->connected = true;
      r->writeArmed = true;
    }
    r->closeReported = false;
    r->parked = false;
    UpdateWatchLocked(*r);
  }
}

// The socket is closed next, which takes it out of the epoll set. Should another descriptor still
// hold it open, its one-shot watch reports at most once more, to a record that is gone or newer.
void EventWatcher::Forget(SOCKET s) {
  std::lock_guard guard(lock_);
  auto it = records_.find(s);
  if (it == records_.end()) return;
  if (it->second->awaitingListen) --awaitingListen_;
  records_.erase(it);
}

}  // namespace

WSAEVENT WSACreateEvent() { return qh::RegisterHandle(std::make_shared<qh::EventObject>(true, false)); }

BOOL WSACloseEvent(WSAEVENT event) {
  if (!qh::LookupHandleAs<qh::EventObject>(event)) {
    WSASetLastError(WSA_INVALID_HANDLE);
    return FALSE;
  }
  return CloseHandle(event);
}

BOOL WSASetEvent(WSAEVENT event) {
  auto object = qh::LookupHandleAs<qh::EventObject>(event);
  if (!object) {
    WSASetLastError(WSA_INVALID_HANDLE);
    return FALSE;
  }
  object->Set();
  return TRUE;
}

BOOL WSAResetEvent(WSAEVENT event) {
  auto object = qh::LookupHandleAs<qh::EventObject>(event);
  if (!object) {
    WSASetLastError(WSA_INVALID_HANDLE);
    return FALSE;
  }
  object->Reset();
  return TRUE;
}

DWORD WSAWaitForMultipleEvents(DWORD count, const WSAEVENT* events, BOOL waitAll, DWORD milliseconds,
                               BOOL alertable) {
  if (waitAll || alertable) {
    WSASetLastError(WSA_INVALID_PARAMETER);
    return WSA_WAIT_FAILED;
  }
  DWORD result = WaitForMultipleObjects(count, events, FALSE, milliseconds);
  if (result == WAIT_FAILED) WSASetLastError(static_cast<int>(GetLastError()));
  return result;
}

int WSAEventSelect(SOCKET s, WSAEVENT event, long mask) {
  if (s < 0) {
    WSASetLastError(WSAENOTSOCK);
    return SOCKET_ERROR;
  }
  return EventWatcher::Instance().Select(s, event, mask);
}

int WSAEnumNetworkEvents(SOCKET s, WSAEVENT event, LPWSANETWORKEVENTS networkEvents) {
  return EventWatcher::Instance().Enumerate(s, event, networkEvents);
}

int recv(SOCKET s, char* buffer, int length, int flags) {
  if (length < 0) {
    WSASetLastError(WSAEINVAL);
    return SOCKET_ERROR;
  }
  ssize_t got = ::recv(s, static_cast<void*>(buffer), static_cast<size_t>(length), flags);
  int saved = errno;
  EventWatcher::Instance().AfterRecv(s, got == 0 && length > 0 && (flags & MSG_PEEK) == 0);
  errno = saved;
  return got < 0 ? SOCKET_ERROR : static_cast<int>(got);
}

int send(SOCKET s, const char* buffer, int length, int flags) {
  if (length < 0) {
    WSASetLastError(WSAEINVAL);
    return SOCKET_ERROR;
  }
  ssize_t sent = ::send(s, static_cast<const void*>(buffer), static_cast<size_t>(length), flags | MSG_NOSIGNAL);
  int saved = errno;
  EventWatcher::Instance().AfterSend(s, sent < 0 && (saved == EAGAIN || saved == EWOULDBLOCK));
  errno = saved;
  return sent < 0 ? SOCKET_ERROR : static_cast<int>(sent);
}

SOCKET accept(SOCKET s, sockaddr* address, int* addressLength) {
  socklen_t length = addressLength ? static_cast<socklen_t>(*addressLength) : 0;
  // Accepted sockets are non-blocking at once, as the platform's event-selected listener gives them.
  int accepted = accept4(s, address, addressLength ? &length : nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  int saved = errno;
  if (addressLength && accepted >= 0) *addressLength = static_cast<int>(length);
  EventWatcher::Instance().AfterAccept(s, accepted >= 0 ? accepted : INVALID_SOCKET);
  errno = saved;
  return accepted < 0 ? INVALID_SOCKET : accepted;
}

int connect(SOCKET s, const sockaddr* address, int addressLength) {
  int result = ::connect(s, address, static_cast<socklen_t>(addressLength));
  int saved = errno;
  bool pending = result != 0 && (saved == EINPROGRESS || saved == EAGAIN);
  EventWatcher::Instance().AfterConnect(s, result == 0, pending);
  errno = saved;
  return result == 0 ? 0 : SOCKET_ERROR;
}

int closesocket(SOCKET s) {
  if (s < 0) {
    WSASetLastError(WSAENOTSOCK);
    return SOCKET_ERROR;
  }
  EventWatcher::Instance().Forget(s);
  if (::close(s) != 0) return SOCKET_ERROR;
  return 0;
}
