// The event model against real loopback connections.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/sock/WinSock2.h"

namespace {

sockaddr_in Loopback(unsigned short port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = inet_addr("127.0.0.1");
  return address;
}

unsigned short PortOf(SOCKET s) {
  sockaddr_in address{};
  socklen_t length = sizeof(address);
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

SOCKET Listener() {
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = Loopback(0);
  EXPECT_EQ(bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  EXPECT_EQ(listen(s, 8), 0);
  return s;
}

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// A connection whose one end is event-selected (`watched`) and whose other end (`peer`) is a plain
// blocking socket the test drives.
struct Connection {
  SOCKET watched = INVALID_SOCKET;
  SOCKET peer = INVALID_SOCKET;
  WSAEVENT event = WSACreateEvent();

  Connection() {
    SOCKET listener = Listener();
    sockaddr_in address = Loopback(PortOf(listener));
    peer = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_EQ(connect(peer, reinterpret_cast<sockaddr*>(&address), static_cast<int>(sizeof(address))), 0);
    sockaddr_in from{};
    int fromLength = sizeof(from);
    watched = accept(listener, reinterpret_cast<sockaddr*>(&from), &fromLength);
    EXPECT_NE(watched, INVALID_SOCKET);
    closesocket(listener);
    EXPECT_EQ(WSAEventSelect(watched, event, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE), 0);
  }
  ~Connection() {
    if (watched != INVALID_SOCKET) closesocket(watched);
    if (peer != INVALID_SOCKET) closesocket(peer);
    WSACloseEvent(event);
  }
  // Waits up to `ms` and returns the recorded events (0 on time-out).
  long Next(DWORD ms = 2000, WSANETWORKEVENTS* details = nullptr) {
    if (WSAWaitForMultipleEvents(1, &event, FALSE, ms, FALSE) != WSA_WAIT_EVENT_0) return 0;
    WSANETWORKEVENTS events;
    EXPECT_EQ(WSAEnumNetworkEvents(watched, event, &events), 0);
    if (details) *details = events;
    return events.lNetworkEvents;
  }
  // Collects events until `wanted` were all seen or the time is up.
  long Collect(long wanted, WSANETWORKEVENTS* errors = nullptr) {
    long seen = 0;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while ((seen & wanted) != wanted && std::chrono::steady_clock::now() < until) {
      WSANETWORKEVENTS details;
      seen |= Next(200, &details);
      if (errors)
        for (int bit = 0; bit < FD_MAX_EVENTS; ++bit)
          if (details.lNetworkEvents & (1L << bit)) errors->iErrorCode[bit] = details.iErrorCode[bit];
    }
    return seen;
  }
  void PeerSends(const std::string& text) {
    ASSERT_EQ(send(peer, text.data(), static_cast<int>(text.size()), 0), static_cast<int>(text.size()));
  }
};

TEST(EventModel, WriteIsRecordedWhenAConnectedSocketIsSelectedAndNotAgain) {
  Connection c;
  EXPECT_EQ(c.Next(), FD_WRITE);
  EXPECT_EQ(c.Next(200), 0);
}

TEST(EventModel, ReadIsRecordedOnceUntilTheNextRecv) {
  Connection c;
  c.Next();  // the initial FD_WRITE
  c.PeerSends("hello");
  EXPECT_EQ(c.Next(), FD_READ);
  c.PeerSends("more");
  EXPECT_EQ(c.Next(300), 0) << "no second FD_READ before recv";
  char buffer[4];
  ASSERT_EQ(recv(c.watched, buffer, 4, 0), 4);
  EXPECT_EQ(c.Next(), FD_READ) << "recv re-arms while data is still waiting";
  char rest[64];
  EXPECT_EQ(recv(c.watched, rest, 64, 0), 5);
  EXPECT_EQ(recv(c.watched, rest, 64, 0), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
  EXPECT_EQ(c.Next(300), 0);
}

TEST(EventModel, PeerCloseIsToldApartFromData) {
  Connection c;
  c.Next();
  c.PeerSends("abc");
  shutdown(c.peer, SD_SEND);
  WSANETWORKEVENTS errors;
  long seen = c.Collect(FD_READ | FD_CLOSE, &errors);
  EXPECT_EQ(seen, FD_READ | FD_CLOSE);
  EXPECT_EQ(errors.iErrorCode[FD_CLOSE_BIT], 0);
  char buffer[16];
  EXPECT_EQ(recv(c.watched, buffer, 16, 0), 3);
  EXPECT_EQ(recv(c.watched, buffer, 16, 0), 0);
}

TEST(EventModel, CloseWithoutDataRecordsOnlyClose) {
  Connection c;
  c.Next();
  closesocket(c.peer);
  c.peer = INVALID_SOCKET;
  EXPECT_EQ(c.Next(), FD_CLOSE);
  // The end is not read (its owner may still owe a reply): nothing may keep waking the watcher.
  auto cpu = [] {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  };
  double before = cpu();
  EXPECT_EQ(c.Next(500), 0) << "FD_CLOSE is recorded once";
  EXPECT_LT(cpu() - before, 0.2) << "the watcher spins on the ended socket";
}

TEST(EventModel, ResetReportsConnectionReset) {
  Connection c;
  c.Next();
  linger hard{1, 0};
  setsockopt(c.peer, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
  closesocket(c.peer);
  c.peer = INVALID_SOCKET;
  WSANETWORKEVENTS errors;
  EXPECT_TRUE(c.Collect(FD_CLOSE, &errors) & FD_CLOSE);
  EXPECT_EQ(errors.iErrorCode[FD_CLOSE_BIT], WSAECONNRESET);
}

// An accepted connection whose peer has already acted before the owner selects it, as a client that
// sends its request with the connection: what waits is recorded by the selection itself.
struct AcceptedBeforeSelect {
  SOCKET listener = Listener();
  SOCKET peer = socket(AF_INET, SOCK_STREAM, 0);
  SOCKET watched = INVALID_SOCKET;
  WSAEVENT event = WSACreateEvent();

  AcceptedBeforeSelect() {
    sockaddr_in address = Loopback(PortOf(listener));
    EXPECT_EQ(connect(peer, reinterpret_cast<sockaddr*>(&address), static_cast<int>(sizeof(address))), 0);
    watched = accept(listener, nullptr, static_cast<int*>(nullptr));
    EXPECT_NE(watched, INVALID_SOCKET);
  }
  ~AcceptedBeforeSelect() {
    for (SOCKET s : {watched, peer, listener})
      if (s != INVALID_SOCKET) closesocket(s);
    WSACloseEvent(event);
  }
  // Waits until the watched end can read `bytes` bytes (bounded), so the selection finds them there.
  bool Arrived(int bytes) {
    pollfd probe{watched, POLLIN, 0};
    char buffer[64];
    for (int i = 0; i < 200; ++i) {
      if (poll(&probe, 1, 10) == 1 && ::recv(watched, static_cast<void*>(buffer), sizeof(buffer), MSG_PEEK) >= bytes)
        return true;
    }
    return false;
  }
  long Select() { return WSAEventSelect(watched, event, FD_READ | FD_WRITE | FD_CLOSE); }
  long Next(DWORD ms, WSANETWORKEVENTS* details = nullptr) {
    if (WSAWaitForMultipleEvents(1, &event, FALSE, ms, FALSE) != WSA_WAIT_EVENT_0) return 0;
    WSANETWORKEVENTS events;
    EXPECT_EQ(WSAEnumNetworkEvents(watched, event, &events), 0);
    if (details) *details = events;
    return events.lNetworkEvents;
  }
};

TEST(EventModel, DataWaitingWhenAnAcceptedSocketIsSelectedIsRecordedWithTheSelection) {
  AcceptedBeforeSelect c;
  ASSERT_EQ(send(c.peer, "GET / HTTP/1.1\r\n\r\n", 18, 0), 18);
  ASSERT_TRUE(c.Arrived(18));
  ASSERT_EQ(c.Select(), 0);
  // Recorded before the selection returned: the event is set already.
  ASSERT_EQ(WSAWaitForMultipleEvents(1, &c.event, FALSE, 0, FALSE), WSA_WAIT_EVENT_0);
  EXPECT_EQ(c.Next(0), FD_READ | FD_WRITE);
  EXPECT_EQ(c.Next(300), 0) << "no second FD_READ before recv";
  char buffer[64];
  EXPECT_EQ(recv(c.watched, buffer, static_cast<int>(sizeof(buffer)), 0), 18);
  ASSERT_EQ(send(c.peer, "next", 4, 0), 4);
  EXPECT_EQ(c.Next(2000), FD_READ) << "recv re-armed the read watch";
  EXPECT_EQ(recv(c.watched, buffer, static_cast<int>(sizeof(buffer)), 0), 4);
}

TEST(EventModel, AResetBeforeTheSelectionIsReportedAsAReset) {
  AcceptedBeforeSelect c;
  linger hard{1, 0};
  setsockopt(c.peer, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
  closesocket(c.peer);
  c.peer = INVALID_SOCKET;
  pollfd probe{c.watched, POLLIN, 0};
  ASSERT_EQ(poll(&probe, 1, 2000), 1);
  ASSERT_EQ(c.Select(), 0);
  WSANETWORKEVENTS details{};
  long seen = 0;
  for (int i = 0; i < 10 && !(seen & FD_CLOSE); ++i) {
    WSANETWORKEVENTS one{};
    long got = c.Next(300, &one);
    if (got & FD_CLOSE) details = one;
    seen |= got;
  }
  ASSERT_TRUE(seen & FD_CLOSE);
  EXPECT_EQ(details.iErrorCode[FD_CLOSE_BIT], WSAECONNRESET) << "the selection must not swallow the error";
}

TEST(EventModel, ARecvThatReadsTheEndLeavesNothingToWakeFor) {
  AcceptedBeforeSelect c;
  ASSERT_EQ(send(c.peer, "bye", 3, 0), 3);
  shutdown(c.peer, SD_SEND);
  ASSERT_TRUE(c.Arrived(3));
  ASSERT_EQ(c.Select(), 0);
  long seen = c.Next(2000);
  EXPECT_TRUE(seen & FD_READ);
  char buffer[16];
  EXPECT_EQ(recv(c.watched, buffer, static_cast<int>(sizeof(buffer)), 0), 3);
  for (int i = 0; i < 10 && !(seen & FD_CLOSE); ++i) seen |= c.Next(300);
  EXPECT_TRUE(seen & FD_CLOSE);
  EXPECT_EQ(recv(c.watched, buffer, static_cast<int>(sizeof(buffer)), 0), 0);
  double before = ProcessCpuSeconds();
  EXPECT_EQ(c.Next(500), 0) << "nothing follows the end";
  EXPECT_LT(ProcessCpuSeconds() - before, 0.1) << "the wait must sleep, not poll";
  // The reply still goes out after the peer's end.
  EXPECT_EQ(send(c.watched, "ok", 2, 0), 2);
  EXPECT_EQ(::recv(c.peer, static_cast<void*>(buffer), sizeof(buffer), 0), 2);
}

TEST(EventModel, NonBlockingConnectReadsAsWouldBlockAndFinishesWithConnectAndWrite) {
  SOCKET listener = Listener();
  WSAEVENT event = WSACreateEvent();
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_EQ(WSAEventSelect(s, event, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE), 0);
  sockaddr_in address = Loopback(PortOf(listener));
  int result = connect(s, reinterpret_cast<sockaddr*>(&address), static_cast<int>(sizeof(address)));
  if (result == SOCKET_ERROR) {
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
  }
  ASSERT_EQ(WSAWaitForMultipleEvents(1, &event, FALSE, 2000, FALSE), WSA_WAIT_EVENT_0);
  WSANETWORKEVENTS events;
  ASSERT_EQ(WSAEnumNetworkEvents(s, event, &events), 0);
  if (result == SOCKET_ERROR) {
    EXPECT_EQ(events.lNetworkEvents, FD_CONNECT | FD_WRITE);
    EXPECT_EQ(events.iErrorCode[FD_CONNECT_BIT], 0);
  }
  closesocket(s);
  closesocket(listener);
  WSACloseEvent(event);
}

TEST(EventModel, RefusedConnectIsReportedWithItsError) {
  SOCKET listener = Listener();
  unsigned short port = PortOf(listener);
  closesocket(listener);  // nobody listens there now
  WSAEVENT event = WSACreateEvent();
  SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_EQ(WSAEventSelect(s, event, FD_CONNECT | FD_CLOSE), 0);
  sockaddr_in address = Loopback(port);
  if (connect(s, reinterpret_cast<sockaddr*>(&address), static_cast<int>(sizeof(address))) == SOCKET_ERROR &&
      WSAGetLastError() == WSAEWOULDBLOCK) {
    ASSERT_EQ(WSAWaitForMultipleEvents(1, &event, FALSE, 2000, FALSE), WSA_WAIT_EVENT_0);
    WSANETWORKEVENTS events;
    ASSERT_EQ(WSAEnumNetworkEvents(s, event, &events), 0);
    EXPECT_EQ(events.lNetworkEvents, FD_CONNECT);
    EXPECT_EQ(events.iErrorCode[FD_CONNECT_BIT], WSAECONNREFUSED);
  } else {
    EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);
  }
  closesocket(s);
  WSACloseEvent(event);
}

TEST(EventModel, WriteIsRecordedAgainOnlyAfterASendThatWouldBlock) {
  Connection c;
  c.Next();
  ASSERT_EQ(send(c.watched, "x", 1, 0), 1);
  EXPECT_EQ(c.Next(200), 0) << "a send that went through does not re-arm FD_WRITE";
  std::string chunk(65536, 'x');
  while (send(c.watched, chunk.data(), static_cast<int>(chunk.size()), 0) != SOCKET_ERROR) {
  }
  EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
  std::thread drain([&] {
    char buffer[65536];
    int flags = fcntl(c.peer, F_GETFL);
    fcntl(c.peer, F_SETFL, flags | O_NONBLOCK);
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    while (std::chrono::steady_clock::now() < until) recv(c.peer, buffer, static_cast<int>(sizeof(buffer)), 0);
  });
  EXPECT_EQ(c.Collect(FD_WRITE) & FD_WRITE, FD_WRITE);
  drain.join();
}

TEST(EventModel, AcceptIsRecordedAgainAfterAccept) {
  SOCKET listener = Listener();
  WSAEVENT event = WSACreateEvent();
  ASSERT_EQ(WSAEventSelect(listener, event, FD_ACCEPT), 0);
  sockaddr_in address = Loopback(PortOf(listener));
  SOCKET clients[2];
  for (SOCKET& client : clients) {
    client = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&address), static_cast<int>(sizeof(address))), 0);
  }
  WSANETWORKEVENTS events;
  ASSERT_EQ(WSAWaitForMultipleEvents(1, &event, FALSE, 2000, FALSE), WSA_WAIT_EVENT_0);
  ASSERT_EQ(WSAEnumNetworkEvents(listener, event, &events), 0);
  EXPECT_EQ(events.lNetworkEvents, FD_ACCEPT);
  EXPECT_EQ(WSAWaitForMultipleEvents(1, &event, FALSE, 200, FALSE), WSA_WAIT_TIMEOUT) << "not before accept";
  SOCKET first = accept(listener, nullptr, static_cast<int*>(nullptr));
  EXPECT_NE(first, INVALID_SOCKET);
  EXPECT_NE(fcntl(first, F_GETFL) & O_NONBLOCK, 0) << "accepted sockets do not block";
  ASSERT_EQ(WSAWaitForMultipleEvents(1, &event, FALSE, 2000, FALSE), WSA_WAIT_EVENT_0);
  ASSERT_EQ(WSAEnumNetworkEvents(listener, event, &events), 0);
  EXPECT_EQ(events.lNetworkEvents, FD_ACCEPT);
  SOCKET second = accept(listener, nullptr, static_cast<int*>(nullptr));
  EXPECT_NE(second, INVALID_SOCKET);
  EXPECT_EQ(accept(listener, nullptr, static_cast<int*>(nullptr)), INVALID_SOCKET);
  EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
  for (SOCKET s : {first, second, clients[0], clients[1], listener}) closesocket(s);
  WSACloseEvent(event);
}

TEST(EventModel, AListenerSelectedBeforeItListensStillReportsAccept) {
  WSAEVENT event = WSACreateEvent();
  SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_EQ(WSAEventSelect(listener, event, FD_ACCEPT), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the watcher sees an unbound socket
  sockaddr_in address = Loopback(0);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  address = Loopback(PortOf(listener));
  SOCKET client = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&address), static_cast<int>(sizeof(address))), 0);
  ASSERT_EQ(WSAWaitForMultipleEvents(1, &event, FALSE, 2000, FALSE), WSA_WAIT_EVENT_0);
  WSANETWORKEVENTS events;
  ASSERT_EQ(WSAEnumNetworkEvents(listener, event, &events), 0);
  EXPECT_EQ(events.lNetworkEvents, FD_ACCEPT);
  closesocket(client);
  closesocket(listener);
  WSACloseEvent(event);
}

TEST(EventModel, UnreadDataAndAnEndedPeerCostNoCpuWhileWaiting) {
  Connection c;
  c.Next();
  c.PeerSends("waiting data");
  EXPECT_EQ(c.Next(), FD_READ);
  shutdown(c.peer, SD_SEND);
  EXPECT_EQ(c.Next(), FD_CLOSE);
  double before = ProcessCpuSeconds();
  EXPECT_EQ(c.Next(500), 0);
  EXPECT_LT(ProcessCpuSeconds() - before, 0.1) << "the wait must sleep, not poll";
}

// The owner reads what arrives as soon as it arrives, often before the watcher looks at the readiness
// it was woken for. That readiness is stale by then, not the peer's end: the next data must still be
// reported, however the two interleave.
TEST(EventModel, DataTheOwnerReadBeforeTheWatcherLookedLeavesTheNextDataReported) {
  Connection c;
  c.Next();  // the initial FD_WRITE
  char buffer[64];
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  int trials = 0;
  for (; trials < 3000 && std::chrono::steady_clock::now() < until; ++trials) {
    // A head and a body in two writes, read as the connection thread reads: at once, until it has both.
    c.PeerSends("h");
    c.PeerSends("b");
    int got = 0;
    while (got < 2) {
      int n = recv(c.watched, buffer, static_cast<int>(sizeof(buffer)), 0);
      if (n > 0) got += n;
    }
    ASSERT_EQ(got, 2);
    // What was recorded for them meanwhile is old news; the owner waits for the next request.
    WSANETWORKEVENTS stale;
    WSAEnumNetworkEvents(c.watched, c.event, &stale);
    c.PeerSends("n");
    long seen = c.Collect(FD_READ);
    ASSERT_TRUE(seen & FD_READ) << "the next request went unreported after " << trials << " trials";
    ASSERT_EQ(recv(c.watched, buffer, static_cast<int>(sizeof(buffer)), 0), 1);
  }
  EXPECT_GT(trials, 100);
}

TEST(EventModel, SendingToAClosedPeerFailsWithoutSignal) {
  Connection c;
  c.Next();
  linger hard{1, 0};
  setsockopt(c.peer, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
  closesocket(c.peer);
  c.peer = INVALID_SOCKET;
  c.Collect(FD_CLOSE);
  int result = 0;
  for (int i = 0; i < 10 && result != SOCKET_ERROR; ++i) result = send(c.watched, "x", 1, 0);
  EXPECT_EQ(result, SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAECONNRESET);
}

TEST(EventModel, CommandEventWakesTheWaitAndKeepsItsPriorityOrder) {
  Connection c;
  c.Next();
  WSAEVENT command = WSACreateEvent();
  WSAEVENT both[2] = {c.event, command};
  std::thread poster([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    WSASetEvent(command);
  });
  EXPECT_EQ(WSAWaitForMultipleEvents(2, both, FALSE, 2000, FALSE), WSA_WAIT_EVENT_0 + 1);
  poster.join();
  c.PeerSends("x");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(WSAWaitForMultipleEvents(2, both, FALSE, 2000, FALSE), WSA_WAIT_EVENT_0) << "lowest index first";
  EXPECT_TRUE(WSAResetEvent(command));
  EXPECT_TRUE(WSACloseEvent(command));
  EXPECT_FALSE(WSACloseEvent(command));
}

TEST(EventModel, SelectOnSomethingThatIsNoSocketFails) {
  WSAEVENT event = WSACreateEvent();
  EXPECT_EQ(WSAEventSelect(-1, event, FD_READ), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
  WSANETWORKEVENTS events;
  EXPECT_EQ(WSAEnumNetworkEvents(12345, event, &events), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
  WSACloseEvent(event);
}

}  // namespace
