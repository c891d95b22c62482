// The listener and its handler threads against real clients: curl, and python3 peers for what curl
// cannot do. The owner is a window of the headless window core on its own GUI thread.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <algorithm>
#include <atomic>
#include <vector>
#include <map>
#include <mutex>
#include <set>

#include "netlib/HandlerPool.h"
#include "netlib/ServerThread.h"
#include "netlib/tests/PeerProcess.h"
#include "netlib/tests/TestOwner.h"
#include "platform/core/testing/TestSandbox.h"

namespace {

// Runs `command` through sh, bounded at 90 s (curl has no bound of its own), well within the test's
// 180 s: a server that never answers fails the test with what came so far instead of hanging it.
std::string Shell(const std::string& command) {
  std::string quoted = "'";
  for (char c : command) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  quoted += "'";
  std::string output;
  FILE* pipe = popen(("timeout -k 5 90 sh -c " + quoted).c_str(), "r");
  if (!pipe) return output;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof(buffer), pipe)) > 0) output.append(buffer, got);
  pclose(pipe);
  return output;
}

std::string Peers() { return std::string("python3 ") + NETLIB_TEST_SOURCE_DIR "/peers.py"; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool HasText(const NoticeRecord& notice, const std::string& text) { return notice.text == text; }

// A 200 reply that sends the file at `url`.
CHttpResponse* FileReply(const char* url, bool close) {
  auto* reply = new CHttpResponse;
  reply->m_status = 200;
  reply->m_reason = "OK";
  reply->m_url = url;
  reply->m_close = close;
  return reply;
}

class Server : public testing::Test {
 protected:
  void Start(bool sessions = false) {
    uploads = sandbox.HostPath("C/Uploads");
    mkdir(uploads.c_str(), 0755);
    server = new CServerThread;
    ASSERT_TRUE(server->CreateThread(CREATE_SUSPENDED));
    ASSERT_TRUE(server->Init(owner.Window(), kServerMessage, kHandlerMessage, 0, sessions, "C:\\Uploads"));
    ASSERT_TRUE(server->SetConnectionLimits(maxConnections, requestTimeoutMs, idleTimeoutMs));
    ASSERT_TRUE(server->SetWrittenNoticeHold(writtenHoldMs));
    owner.SetServer(server);
    owner.SetReplier(&TestOwner::Echo);
    server->ResumeThread();
    ASSERT_TRUE(server->PostCommand(new CServerCommand(SERVER_CMD_LISTEN, 0)));
    ASSERT_TRUE(owner.WaitFor([](const NoticeRecord& n) {
      return HasText(n, "InitAndListen: Socket ready to accept incoming connections");
    }));
    port = server->GetBoundPort();
    url = "http://127.0.0.1:" + std::to_string(port);
  }
  void Stop() {
    if (!server) return;
    auto* stop = new CServerCommand(SERVER_CMD_STOP, 0);
    if (!server->PostCommand(stop)) delete stop;
    EXPECT_EQ(WaitForSingleObject(server->m_hThread, 15000), WAIT_OBJECT_0);
    delete server;
    server = nullptr;
  }
  void TearDown() override { Stop(); }
  bool WaitForHandlersGone() {
    for (int i = 0; i < 500; ++i) {
      if (server->GetHandlerCount() == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  std::string Peer(const std::string& mode, const std::string& text = "") {
    std::string command = Peers() + " " + mode + " " + std::to_string(port);
    if (!text.empty()) command += " '" + text + "'";
    return Shell(command);
  }
  int Requests() { return owner.Count([](const NoticeRecord& n) { return n.code == NOTICE_REQUEST; }); }

  int maxConnections = CServerThread::kDefaultMaxConnections;
  DWORD requestTimeoutMs = CServerThread::kDefaultRequestTimeoutMs;
  DWORD idleTimeoutMs = CServerThread::kDefaultIdleTimeoutMs;
  DWORD writtenHoldMs = 0;
  qh::testing::TestSandbox sandbox;
  TestOwner owner;
  CServerThread* server = nullptr;
  std::string uploads;
  WORD port = 0;
  std::string url;
};

TEST_F(Server, PostWithBodyOverHttp11IsAnsweredByTheOwner) {
  Start();
  std::string reply = Shell("curl -s -i -X POST -H 'Content-Type: text/xml' --data-binary '<a/>' " + url + "/control");
  EXPECT_NE(reply.find("HTTP/1.1 200 OK\r\n"), std::string::npos) << reply;
  EXPECT_NE(reply.find("Server: QuaverhouseControl/1.0\r\n"), std::string::npos);
  EXPECT_NE(reply.find("\r\n\r\nPOST /control <a/>"), std::string::npos) << reply;
  ASSERT_TRUE(owner.WaitFor([](const NoticeRecord& n) { return n.code == NOTICE_REQUEST; }));
  NoticeRecord request;
  for (const auto& n : owner.Notices())
    if (n.code == NOTICE_REQUEST) request = n;
  EXPECT_EQ(request.methodCode, HTTP_METHOD_POST);
  EXPECT_EQ(request.contentType, "TEXT/XML");
  EXPECT_EQ(request.body, "<a/>");
  EXPECT_TRUE(owner.WaitFor([](const NoticeRecord& n) { return n.code == NOTICE_WRITTEN; }));
}

TEST_F(Server, Http10ClosesAfterTheReply) {
  Start();
  std::string reply = Shell("curl -s -i --http1.0 " + url + "/page?x=1");
  EXPECT_NE(reply.find("Connection: close\r\n"), std::string::npos) << reply;
  EXPECT_NE(reply.find("GET /page?x=1"), std::string::npos) << reply;
  EXPECT_TRUE(WaitForHandlersGone()) << "the handler ends with its connection";
  EXPECT_TRUE(owner.WaitFor([](const NoticeRecord& n) { return HasText(n, "Connection Count: 0"); }));
}

TEST_F(Server, KeepAliveReusesOneConnection) {
  Start();
  std::string reply = Shell("curl -s " + url + "/one " + url + "/two " + url + "/three");
  EXPECT_EQ(reply, "GET /one GET /two GET /three ");
  int handlers = owner.Count([](const NoticeRecord& n) { return n.text.rfind("Handler thread 0x", 0) == 0; });
  EXPECT_EQ(handlers, 1);
  EXPECT_EQ(Requests(), 3);
}

TEST_F(Server, ConnectionCloseEndsTheHandler) {
  Start();
  std::string reply = Shell("curl -s -i -H 'Connection: close' " + url + "/bye");
  EXPECT_NE(reply.find("Connection: close\r\n"), std::string::npos) << reply;
  EXPECT_TRUE(WaitForHandlersGone());
}

TEST_F(Server, TheHandlersConnectedNoticeNamesThePeerAsItConnected) {
  Start();
  std::string peerPort = Peer("whoami");
  ASSERT_FALSE(peerPort.empty());
  peerPort.pop_back();  // the line end
  std::string expected = "Address: 127.0.0.1, Port: " + peerPort;
  EXPECT_TRUE(owner.WaitFor([&](const NoticeRecord& n) {
    return n.message == kHandlerMessage && n.code == NOTICE_INFO && n.text == expected;
  })) << owner.Describe();
}

TEST_F(Server, SuccessiveConnectionsRunOnParkedThreadsEachUnderAnIdOfItsOwn) {
  Start();
  const int threadsBefore = ProcessThreads();
  constexpr int kConnections = 60;
  EXPECT_EQ(Shell(Peers() + " sequence " + std::to_string(port) + " " + std::to_string(kConnections)),
            "answered " + std::to_string(kConnections) + "\n");
  ASSERT_TRUE(WaitForHandlersGone());
  std::set<DWORD> ids;
  for (const auto& n : owner.Notices()) {
    unsigned id = 0;
    if (std::sscanf(n.text.c_str(), "Handler thread 0x%x", &id) == 1) ids.insert(id);
  }
  EXPECT_EQ(ids.size(), static_cast<size_t>(kConnections)) << "an id names one connection, not a thread";
  EXPECT_LE(ProcessThreads(), threadsBefore + static_cast<int>(CHandlerPool::kDefaultMaxParked))
      << "ended connections leave a few parked threads, not one each";
}

TEST_F(Server, AReplyForAnEndedConnectionNeverReachesTheNextOneOnItsThread) {
  Start();
  std::mutex lock;
  std::map<std::string, DWORD> handlers;  // by request path; every reply is given by the test
  owner.SetReplier([&](const CHttpResponse& request) -> CHttpResponse* {
    std::lock_guard guard(lock);
    handlers[std::string(request.m_url)] = request.m_threadId;
    return nullptr;
  });
  auto handlerOf = [&](const std::string& path) {
    std::lock_guard guard(lock);
    return handlers.count(path) ? handlers[path] : 0;
  };
  auto asked = [](const std::string& path) {
    return [path](const NoticeRecord& n) { return n.code == NOTICE_REQUEST && n.url == path; };
  };
  std::string firstReply;
  std::jthread first([&] { firstReply = Peer("raw", "GET /first HTTP/1.1\\r\\n\\r\\n"); });
  ASSERT_TRUE(owner.WaitFor(asked("/first")));
  auto* close = new CHttpCommand(HTTP_CMD_CLOSE);
  ASSERT_TRUE(server->PostToHandler(handlerOf("/first"), close));
  ASSERT_TRUE(WaitForHandlersGone());
  first.join();
  std::string secondReply;
  std::jthread second([&] { secondReply = Peer("raw", "GET /second HTTP/1.1\\r\\nConnection: close\\r\\n\\r\\n"); });
  ASSERT_TRUE(owner.WaitFor(asked("/second")));
  EXPECT_NE(handlerOf("/second"), handlerOf("/first"));
  CHttpResponse firstRequest;
  firstRequest.m_methodText = "GET";
  firstRequest.m_url = "/first";
  auto* late = new CHttpCommand(HTTP_CMD_WRITE_REPLY, TestOwner::Echo(firstRequest));
  EXPECT_FALSE(server->PostToHandler(handlerOf("/first"), late)) << "the ended connection's id reaches nobody";
  delete late;
  CHttpResponse secondRequest;
  secondRequest.m_methodText = "GET";
  secondRequest.m_url = "/second";
  secondRequest.m_close = true;
  auto* own = new CHttpCommand(HTTP_CMD_WRITE_REPLY, TestOwner::Echo(secondRequest));
  ASSERT_TRUE(server->PostToHandler(handlerOf("/second"), own));
  second.join();
  EXPECT_EQ(firstReply, "");
  EXPECT_NE(secondReply.find("GET /second"), std::string::npos) << secondReply;
  EXPECT_EQ(secondReply.find("/first"), std::string::npos) << secondReply;
}

// Kept-alive clients whose requests reach the server as a head and then a body, beside connections
// that come and go: whatever the number of clients, every request is answered, and answered right.
TEST_F(Server, EveryRequestOfKeptAliveClientsSendingHeadAndBodyApartIsAnswered) {
  Start();
  for (int clients : {1, 2, 4, 16, 64}) {
    const int perClient = std::max(20, 1000 / clients);
    std::string result = Shell(Peers() + " stress " + std::to_string(port) + " " + std::to_string(clients) + " " +
                               std::to_string(perClient));
    EXPECT_EQ(result, "answered " + std::to_string(clients * perClient) + " lost 0\n") << clients << " clients";
  }
}

// The handler notices of one connection, in the order the owner saw them.
std::vector<NoticeRecord> HandlerNotices(const std::vector<NoticeRecord>& all) {
  std::vector<NoticeRecord> mine;
  for (const auto& n : all)
    if (n.message == kHandlerMessage) mine.push_back(n);
  return mine;
}

TEST_F(Server, HeldWrittenNoticesRideTheNextRequestOfTheirConnectionInOrder) {
  writtenHoldMs = 60000;  // longer than the test: only the next request or the close sends them
  Start();
  EXPECT_FALSE(server->SetWrittenNoticeHold(10)) << "settable before listening only";
  EXPECT_EQ(Shell("curl -s " + url + "/one " + url + "/two " + url + "/three"), "GET /one GET /two GET /three ");
  ASSERT_TRUE(owner.WaitFor([](const NoticeRecord& n) { return n.text == "Socket closed"; })) << owner.Describe();
  // What the owner saw of the connection: each reply's written notice before the next request, the
  // last one before the close; the first two came inside the request that followed them.
  std::vector<std::string> seen;
  for (const auto& n : HandlerNotices(owner.Notices())) {
    if (n.code == NOTICE_REQUEST) seen.push_back("request " + n.url);
    if (n.code == NOTICE_WRITTEN) seen.push_back(std::string(n.folded ? "folded " : "posted ") + n.text);
    if (n.text == "Socket closed") seen.push_back("closed");
  }
  const std::vector<std::string> expected = {
      "request /one",   "folded GET /one Code: 200 Bytes Written: 191",
      "request /two",   "folded GET /two Code: 200 Bytes Written: 191",
      "request /three", "posted GET /three Code: 200 Bytes Written: 194",
      "closed"};
  EXPECT_EQ(seen, expected) << owner.Describe();
}

TEST_F(Server, AHeldWrittenNoticeGoesOnItsOwnWhenNoRequestFollowsInTime) {
  writtenHoldMs = 100;
  Start();
  std::jthread idle([this] { Peer("idle"); });  // one request, then a kept, silent connection
  // The connection stays open far longer than this wait (the idle time-out is two minutes).
  ASSERT_TRUE(owner.WaitFor([](const NoticeRecord& n) { return n.code == NOTICE_WRITTEN; }, 10000)) << owner.Describe();
  EXPECT_EQ(owner.Count([](const NoticeRecord& n) { return n.code == NOTICE_WRITTEN && !n.folded; }), 1);
  EXPECT_EQ(owner.Count([](const NoticeRecord& n) { return n.text == "Socket closed"; }), 0) << owner.Describe();
  Stop();
}

TEST_F(Server, EveryRequestOfKeptAliveClientsIsReportedWrittenOnceWhileNoticesAreHeld) {
  writtenHoldMs = CServerThread::kWrittenNoticeHoldMs;
  Start();
  int total = 0;
  for (int clients : {1, 16, 64}) {
    const int perClient = std::max(20, 600 / clients);
    std::string result = Shell(Peers() + " stress " + std::to_string(port) + " " + std::to_string(clients) + " " +
                               std::to_string(perClient));
    EXPECT_EQ(result, "answered " + std::to_string(clients * perClient) + " lost 0\n") << clients << " clients";
    total += clients * perClient;
  }
  ASSERT_TRUE(WaitForHandlersGone());
  // Every answered request has its one written notice (the churning clients' half requests have none).
  auto written = [](const NoticeRecord& n) { return n.code == NOTICE_WRITTEN; };
  for (int i = 0; i < 2000 && owner.Count(written) < total; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(owner.Count(written), total);
  EXPECT_EQ(Requests(), total);
  EXPECT_GT(owner.Count([](const NoticeRecord& n) { return n.folded; }), 0);
}

TEST_F(Server, TheListenerSaysItIsWaitingOnceNotAfterEveryConnection) {
  Start();
  EXPECT_EQ(Peer("sequence", "5"), "answered 5\n");
  ASSERT_TRUE(WaitForHandlersGone());
  EXPECT_EQ(owner.Count([](const NoticeRecord& n) { return n.text == "Waiting for incoming connection"; }), 1)
      << owner.Describe();
  EXPECT_EQ(owner.Count([](const NoticeRecord& n) { return n.text.rfind("Handler thread 0x", 0) == 0; }), 5);
}

TEST_F(Server, LargePutUploadLandsInTheUploadFolder) {
  Start();
  std::string source = sandbox.HostPath("song.mp3");
  Shell("head -c 3000000 /dev/urandom > " + source);
  std::string reply = Shell("curl -s -i -T " + source + " " + url + "/Song0123.mp3");
  EXPECT_NE(reply.find("200 OK"), std::string::npos) << reply;
  EXPECT_EQ(ReadFile(uploads + "/Song0123.mp3"), ReadFile(source));
  NoticeRecord request;
  for (const auto& n : owner.Notices())
    if (n.code == NOTICE_REQUEST) request = n;
  EXPECT_EQ(request.methodCode, HTTP_METHOD_PUT);
  EXPECT_EQ(request.body, "") << "an upload's body went to its file";
}

// curl holds an upload's body back until the server tells it to go on, and gives up waiting only
// after its own delay: the interim answer comes at once and the file still lands whole.
TEST_F(Server, UploadsThatExpectContinueAreToldToGoOnAtOnce) {
  Start();
  std::string source = sandbox.HostPath("song.mp3");
  Shell("head -c 200000 /dev/urandom > " + source);
  for (const char* how : {"-T " , "-X POST -H 'Content-Type: text/xml' --data-binary @"}) {
    std::string reply = Shell("curl -s -i --expect100-timeout 20 -H 'Expect: 100-continue' -w '\ntook %{time_total}' " +
                              std::string(how) + source + " " + url + "/Song0124.mp3");
    EXPECT_EQ(reply.rfind("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n", 0), 0u) << how << reply.substr(0, 200);
    size_t took = reply.rfind("\ntook ");
    ASSERT_NE(took, std::string::npos);
    EXPECT_LT(std::stod(reply.substr(took + 6)), 10.0) << "the body was sent without waiting out curl's delay";
  }
  EXPECT_EQ(ReadFile(uploads + "/Song0124.mp3"), ReadFile(source));
  // HTTP/1.0 knows no interim answers.
  std::string old = Peer("raw", "POST /a HTTP/1.0\\r\\nExpect: 100-continue\\r\\nContent-Length: 2\\r\\n\\r\\nok");
  EXPECT_EQ(old.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << old;
}

TEST_F(Server, UploadNamesCannotLeaveTheUploadFolder) {
  Start();
  const char* names[] = {"/..", "/C:evil.txt", "/a?b", "/"};
  for (const char* name : names) {
    std::string reply = Peer("raw", std::string("PUT ") + name + " HTTP/1.1\\r\\nContent-Length: 4\\r\\n\\r\\nevil");
    EXPECT_EQ(reply.rfind("HTTP/1.1 400 Bad Request\r\n", 0), 0u) << name << ": " << reply;
  }
  EXPECT_EQ(Shell("ls -A " + uploads), "") << "nothing written in the folder";
  EXPECT_EQ(Shell("find " + sandbox.Root() + " -name '*evil*'"), "") << "nor anywhere else";
  // The last segment of a path with either separator is the name.
  std::string reply = Peer("raw", "PUT /dir\\\\sub/Song1.xml HTTP/1.1\\r\\nContent-Length: 4\\r\\nConnection: close\\r\\n\\r\\ngood");
  EXPECT_NE(reply.find("200 OK"), std::string::npos) << reply;
  EXPECT_EQ(ReadFile(uploads + "/Song1.xml"), "good");
}

TEST_F(Server, FileRepliesWith304And404) {
  Start();
  std::string page = sandbox.HostPath("C/page.htm");
  { std::ofstream(page) << "<html>hello</html>"; }
  Shell("touch -d '2020-01-02 03:04:05 UTC' " + page);
  owner.SetReplier([](const CHttpResponse& request) {
    auto* reply = new CHttpResponse;
    reply->m_status = 200;
    reply->m_reason = "OK";
    reply->m_contentType = "text/html";
    reply->m_url = request.m_url == "/page" ? "C:\\page.htm" : "C:\\missing.htm";
    return reply;
  });
  std::string full = Shell("curl -s -i " + url + "/page");
  EXPECT_NE(full.find("HTTP/1.1 200 OK"), std::string::npos) << full;
  EXPECT_NE(full.find("Last-Modified: Thu, 02 Jan 2020 03:04:05 GMT\r\n"), std::string::npos) << full;
  EXPECT_NE(full.find("Content-Length: 18\r\n\r\n<html>hello</html>"), std::string::npos) << full;
  std::string same = Shell("curl -s -i -z 'Thu, 02 Jan 2020 03:04:05 GMT' " + url + "/page");
  EXPECT_EQ(same.rfind("HTTP/1.1 304 Not Modified\r\n", 0), 0u) << same;
  std::string older = Shell("curl -s -i -z 'Thu, 02 Jan 2020 03:04:04 GMT' " + url + "/page");
  EXPECT_EQ(older.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << older;
  std::string missing = Shell("curl -s -i " + url + "/gone");
  EXPECT_EQ(missing.rfind("HTTP/1.1 404 Not Found\r\n", 0), 0u) << missing;
}

TEST_F(Server, AFileReplyHeaderLongerThanTheChunkBufferGoesOutWhole) {
  Start();
  std::string page = sandbox.HostPath("C/page.htm");
  { std::ofstream(page) << "<html>hello</html>"; }
  std::string longType = "text/html; x=" + std::string(70000, 'a');  // beyond a file chunk (64 KiB)
  owner.SetReplier([longType](const CHttpResponse&) {
    auto* reply = new CHttpResponse;
    reply->m_status = 200;
    reply->m_reason = "OK";
    reply->m_contentType = longType.c_str();
    reply->m_url = "C:\\page.htm";
    return reply;
  });
  std::string full = Shell("curl -s -i " + url + "/page");
  EXPECT_NE(full.find("Content-Type: " + longType + "\r\n"), std::string::npos);
  EXPECT_NE(full.find("\r\n\r\n<html>hello</html>"), std::string::npos);
}

TEST_F(Server, LargeFileRepliesResumeWhereSendingBlocked) {
  Start();
  std::string exact = sandbox.HostPath("C/exact.bin");
  std::string large = sandbox.HostPath("C/large.bin");
  Shell("head -c 4096 /dev/urandom > " + exact);
  Shell("head -c 3000000 /dev/urandom > " + large);
  owner.SetReplier([](const CHttpResponse& request) {
    auto* reply = new CHttpResponse;
    reply->m_status = 200;
    reply->m_reason = "OK";
    reply->m_url = request.m_url == "/exact" ? "C:\\exact.bin" : "C:\\large.bin";
    return reply;
  });
  std::string got = sandbox.HostPath("got.bin");
  Shell("curl -s -o " + got + " " + url + "/exact");
  EXPECT_EQ(ReadFile(got), ReadFile(exact));
  // A slow reader makes the sender block again and again; every byte must still arrive in order.
  Shell("curl -s --limit-rate 3M -o " + got + " " + url + "/large");
  EXPECT_EQ(ReadFile(got), ReadFile(large));
}

TEST_F(Server, ACloseCommandIsTakenWhileARequestIsBeingRead) {
  Start();
  int peer = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::connect(peer, reinterpret_cast<sockaddr*>(&address), socklen_t{sizeof(address)}), 0);
  const char partial[] = "POST /x HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc";
  ASSERT_EQ(::send(peer, static_cast<const void*>(partial), size_t{sizeof(partial) - 1}, 0), ssize_t{sizeof(partial) - 1});
  DWORD handler = 0;
  ASSERT_TRUE(owner.WaitFor([&handler](const NoticeRecord& n) {
    if (n.text.rfind("Handler thread 0x", 0) != 0) return false;
    handler = static_cast<DWORD>(std::stoul(n.text.substr(17), nullptr, 16));
    return true;
  }));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the handler is reading the body now
  auto* write = new CHttpCommand(HTTP_CMD_WRITE_REPLY, TestOwner::Echo(CHttpResponse()));
  ASSERT_TRUE(server->PostToHandler(handler, write));
  ASSERT_TRUE(server->PostToHandler(handler, new CHttpCommand(HTTP_CMD_CLOSE)));
  timeval wait{5, 0};
  setsockopt(peer, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof(wait));
  char buffer[256];
  ssize_t got = ::recv(peer, static_cast<void*>(buffer), sizeof(buffer), 0);
  EXPECT_EQ(got, 0) << "the close went ahead of the write, which waited for the message";
  ::close(peer);
}

TEST_F(Server, ARequestInManySmallPiecesIsOneRequest) {
  Start();
  std::string reply = Peer("split");
  EXPECT_NE(reply.find("POST /split hello world"), std::string::npos) << reply;
  EXPECT_EQ(Requests(), 1);
}

TEST_F(Server, TwoRequestsInOnePacketAreAnsweredInOrder) {
  Start();
  // The first reply is held back: the second request must still be answered after it.
  owner.SetReplier([this](const CHttpResponse& request) -> CHttpResponse* {
    if (request.m_url != "/one") return TestOwner::Echo(request);
    DWORD handler = request.m_threadId;
    CHttpResponse* late = TestOwner::Echo(request);
    std::thread([this, handler, late] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      auto* command = new CHttpCommand(HTTP_CMD_WRITE_REPLY, late);
      if (!server->PostToHandler(handler, command)) delete command;
    }).detach();
    return nullptr;
  });
  std::string reply = Peer("raw", "GET /one HTTP/1.1\\r\\n\\r\\nGET /two HTTP/1.1\\r\\nConnection: close\\r\\n\\r\\n");
  size_t first = reply.find("GET /one");
  size_t second = reply.find("GET /two");
  ASSERT_NE(first, std::string::npos) << reply;
  ASSERT_NE(second, std::string::npos) << reply;
  EXPECT_LT(first, second);
}

TEST_F(Server, HeaderWithoutEndIsRefusedAndClosed) {
  Start();
  std::string reply = Peer("header-forever");
  EXPECT_EQ(reply.rfind("HTTP/1.1 400 Bad Request\r\n", 0), 0u) << reply.substr(0, 200);
  EXPECT_NE(reply.find("Connection: close"), std::string::npos);
  EXPECT_TRUE(owner.WaitFor([](const NoticeRecord& n) {
    return n.code == NOTICE_ERROR && n.text == "ParseHTTP: An invalid HTTP message was detected" && n.value == -1;
  }));
  EXPECT_TRUE(WaitForHandlersGone());
}

TEST_F(Server, BytesBeyondTheContentLengthAreNoRequest) {
  Start();
  std::string reply = Peer("long-body");
  EXPECT_NE(reply.find("POST /long hello"), std::string::npos) << reply;
  EXPECT_EQ(reply.find("EXTRA"), std::string::npos) << reply;
  EXPECT_EQ(Requests(), 1);
  EXPECT_TRUE(WaitForHandlersGone());
}

TEST_F(Server, OversizedAndMultipartBodiesGetAnErrorAndTheConnectionCloses) {
  Start();
  std::string big = Peer("raw", "POST /x HTTP/1.1\\r\\nContent-Length: 600000\\r\\n\\r\\nGET /smuggled HTTP/1.1\\r\\n\\r\\n");
  EXPECT_EQ(big.rfind("HTTP/1.1 413 Payload Too Large\r\n", 0), 0u) << big;
  EXPECT_EQ(big.find("smuggled"), std::string::npos);
  std::string multipart =
      Peer("raw", "POST /x HTTP/1.1\\r\\nContent-Type: multipart/form-data\\r\\nContent-Length: 3\\r\\n\\r\\nabc");
  EXPECT_EQ(multipart.rfind("HTTP/1.1 400 Bad Request\r\n", 0), 0u) << multipart;
  EXPECT_EQ(Requests(), 0);
}

TEST_F(Server, MethodsNobodyAnswersGet501AndEmptyPut400) {
  Start();
  for (const char* method : {"HEAD", "OPTIONS", "DELETE", "BREW", "get"}) {
    std::string reply = Peer("raw", std::string(method) + " / HTTP/1.1\\r\\nConnection: close\\r\\n\\r\\n");
    EXPECT_EQ(reply.rfind("HTTP/1.1 501 Not Implemented\r\n", 0), 0u) << method << ": " << reply << owner.Describe();
  }
  std::string empty = Peer("raw", "PUT /a.xml HTTP/1.1\\r\\nContent-Length: 0\\r\\n\\r\\n");
  EXPECT_EQ(empty.rfind("HTTP/1.1 400 Bad Request\r\n", 0), 0u) << empty;
  EXPECT_EQ(Requests(), 0);
}

TEST_F(Server, ASlowSenderDoesNotHoldUpOthers) {
  Start();
  std::atomic<bool> slowDone{false};
  std::jthread slow([&] {
    std::string reply = Peer("slow");
    EXPECT_NE(reply.find("POST /slow slow"), std::string::npos) << reply;
    slowDone = true;
  });
  ASSERT_TRUE(owner.WaitFor([](const NoticeRecord& n) { return n.text.rfind("Handler thread 0x", 0) == 0; }));
  std::string quick = Shell("curl -s " + url + "/quick");
  EXPECT_EQ(quick, "GET /quick ");
  EXPECT_FALSE(slowDone) << "the quick client was answered while the slow one was still sending";
  slow.join();
}

TEST_F(Server, APeerThatResetsMidBodyLeavesNoTrace) {
  Start();
  EXPECT_EQ(Peer("reset"), "reset\n");
  EXPECT_TRUE(WaitForHandlersGone());
  EXPECT_EQ(Requests(), 0);
  EXPECT_EQ(Shell("curl -s " + url + "/after"), "GET /after ");
}

TEST_F(Server, SessionCookieIsHandedOutOnceAndRecognised) {
  Start(true);
  std::string jar = sandbox.HostPath("cookies.txt");
  std::string first = Shell("curl -s -i -c " + jar + " " + url + "/a");
  size_t cookie = first.find("Set-Cookie: TLWSESSIONID=0000000002-");
  ASSERT_NE(cookie, std::string::npos) << first;
  EXPECT_NE(first.find("; path=/\r\n", cookie), std::string::npos);
  std::string second = Shell("curl -s -i -b " + jar + " " + url + "/b");
  EXPECT_EQ(second.find("Set-Cookie"), std::string::npos) << second;
  std::string guessed = Shell("curl -s -i -b 'TLWSESSIONID=0000000002-0000000001-0000000000000001' " + url + "/c");
  EXPECT_NE(guessed.find("Set-Cookie: TLWSESSIONID=0000000003-"), std::string::npos) << guessed;
  std::vector<NoticeRecord> requests;
  for (const auto& n : owner.Notices())
    if (n.code == NOTICE_REQUEST) requests.push_back(n);
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_TRUE(requests[0].sessionIsNew);
  EXPECT_TRUE(requests[1].hasSession);
  EXPECT_FALSE(requests[1].sessionIsNew);
  EXPECT_TRUE(requests[2].sessionIsNew);
  EXPECT_EQ(server->GetSessionManager()->GetSessionCount(), 2);
}

TEST_F(Server, IdleCheckClosesQuietHandlers) {
  Start();
  std::jthread idle([this] { Peer("raw", "GET /idle HTTP/1.1\\r\\n\\r\\n"); });
  ASSERT_TRUE(owner.WaitFor([](const NoticeRecord& n) { return n.code == NOTICE_WRITTEN; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  ASSERT_TRUE(server->PostCommand(new CServerCommand(SERVER_CMD_IDLE_CHECK, 0)));
  EXPECT_TRUE(owner.WaitFor([](const NoticeRecord& n) { return n.code == NOTICE_IDLE_CLOSED; }));
  EXPECT_TRUE(WaitForHandlersGone());
  idle.join();
}

TEST_F(Server, ABusyPortIsReportedAndTheListenerStillStops) {
  Start();
  TestOwner other;
  auto* busy = new CServerThread;
  ASSERT_TRUE(busy->CreateThread(CREATE_SUSPENDED));
  ASSERT_TRUE(busy->Init(other.Window(), kServerMessage, kHandlerMessage, port, FALSE, ""));
  busy->ResumeThread();
  ASSERT_TRUE(busy->PostCommand(new CServerCommand(SERVER_CMD_LISTEN, 0)));
  EXPECT_TRUE(other.WaitFor([](const NoticeRecord& n) {
    return n.text == "InitAndListen: Could not bind socket to local address" && n.value == WSAEADDRINUSE;
  }));
  EXPECT_EQ(busy->GetListenerState(), LISTENER_NOT_LISTENING);
  // The socket made so far stays: listening again is refused.
  ASSERT_TRUE(busy->PostCommand(new CServerCommand(SERVER_CMD_LISTEN, 0)));
  EXPECT_TRUE(other.WaitFor([](const NoticeRecord& n) {
    return n.text == "InitAndListen: Socket alredy connected" && n.value == 10056;
  }));
  ASSERT_TRUE(busy->PostCommand(new CServerCommand(SERVER_CMD_STOP, 0)));
  EXPECT_EQ(WaitForSingleObject(busy->m_hThread, 5000), WAIT_OBJECT_0);
  EXPECT_TRUE(other.WaitFor([](const NoticeRecord& n) { return n.code == NOTICE_THREAD_ENDING; }));
  delete busy;
}

TEST_F(Server, StoppingWithOpenConnectionsEndsEveryHandlerFirst) {
  Start();
  std::jthread a([this] { Peer("raw", "GET /keep HTTP/1.1\\r\\n\\r\\n"); });
  std::jthread b([this] { Peer("raw", "GET /keep HTTP/1.1\\r\\n\\r\\n"); });
  ASSERT_TRUE(owner.WaitFor([](const NoticeRecord& n) { return n.code == NOTICE_WRITTEN; }));
  auto before = std::chrono::steady_clock::now();
  Stop();  // deletes the server: must wait for the handlers, which still use its map
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
  a.join();
  b.join();
}

TEST_F(Server, ADeferredReplyForAnEndedConnectionIsDropped) {
  Start();
  std::atomic<DWORD> handler{0};
  owner.SetReplier([&handler](const CHttpResponse& request) -> CHttpResponse* {
    handler = request.m_threadId;
    return nullptr;
  });
  Peer("raw", "POST /late HTTP/1.1\\r\\nContent-Length: 1\\r\\n\\r\\nx");  // gives up after 3 s and goes
  ASSERT_NE(handler.load(), 0u);
  // The handler waits for its reply; written to a peer that has gone, it ends the connection.
  auto* late = new CHttpCommand(HTTP_CMD_WRITE_REPLY, TestOwner::Echo(CHttpResponse()));
  if (!server->PostToHandler(handler, late)) delete late;
  ASSERT_TRUE(WaitForHandlersGone());
  auto* tooLate = new CHttpCommand(HTTP_CMD_WRITE_REPLY, TestOwner::Echo(CHttpResponse()));
  EXPECT_FALSE(server->PostToHandler(handler, tooLate)) << "an ended handler is not reached";
  delete tooLate;
}

// ---- Hostile peers ---------------------------------------------------------------------------------

// CPU seconds the whole test process used over `milliseconds` of waiting: a spinning thread shows.
double CpuSecondsWhileWaiting(int milliseconds) {
  auto cpu = [] {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  };
  double before = cpu();
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  return cpu() - before;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST_F(Server, APeerThatHalfClosesSleepsUntilItsDeferredReplyThenTheHandlerEnds) {
  Start();
  std::atomic<DWORD> handler{0};
  owner.SetReplier([&handler](const CHttpResponse& request) -> CHttpResponse* {
    handler = request.m_threadId;
    return nullptr;  // answered later
  });
  PeerProcess peer({"python3", NETLIB_TEST_SOURCE_DIR "/peers.py", "half-close", std::to_string(port)});
  ASSERT_EQ(peer.ReadLine(), "half-closed");
  ASSERT_TRUE(owner.WaitFor([](const NoticeRecord& n) { return n.code == NOTICE_REQUEST; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the end of the peer's side arrives
  EXPECT_LT(CpuSecondsWhileWaiting(1000), 0.3) << "a thread spins while the reply is owed";
  auto* reply = new CHttpCommand(HTTP_CMD_WRITE_REPLY, TestOwner::Echo(CHttpResponse()));
  ASSERT_TRUE(server->PostToHandler(handler, reply));
  EXPECT_EQ(peer.ReadLine(), "HTTP/1.1 200 OK\r");
  EXPECT_TRUE(WaitForHandlersGone()) << "the connection closes once the owed reply is out";
}

TEST_F(Server, APeerThatHalfClosesAfterItsRequestGetsTheWholeLargeReplyThenTheClose) {
  Start();
  std::string large = sandbox.HostPath("C/large.bin");
  Shell("head -c 8000000 /dev/zero > " + large);
  owner.SetReplier([](const CHttpResponse&) { return FileReply("C:\\large.bin", true); });
  EXPECT_EQ(Peer("half-close-large"), "HTTP/1.1 200 OK got 8000000 closed\n");
  EXPECT_TRUE(WaitForHandlersGone()) << owner.Describe();
}

TEST_F(Server, APeerThatLeavesWhileALargeReplyIsWrittenEndsItsHandler) {
  Start();
  std::string large = sandbox.HostPath("C/large.bin");
  Shell("head -c 8000000 /dev/zero > " + large);
  owner.SetReplier([](const CHttpResponse&) { return FileReply("C:\\large.bin", false); });
  EXPECT_NE(Peer("read-then-close").find("took "), std::string::npos);
  EXPECT_TRUE(WaitForHandlersGone()) << owner.Describe();
  EXPECT_LT(CpuSecondsWhileWaiting(500), 0.2);
}

TEST_F(Server, StalledRequestsAreAnswered408AndClosedAfterTheRequestTimeOut) {
  requestTimeoutMs = 500;
  idleTimeoutMs = 10000;
  Start();
  struct Case {
    const char* mode;
    const char* text;
  };
  const Case cases[] = {
      {"stall", "GET /header HTTP/1.1\\r\\nHost: x\\r\\n"},              // header never ends
      {"stall", "POST /body HTTP/1.1\\r\\nContent-Length: 10\\r\\n\\r\\nabc"},  // body never completes
      {"drip", "GET /drip HTTP/1.1\\r\\nX-Slow: "},                       // header grows a byte at a time
  };
  for (const Case& c : cases) {
    auto lines = Lines(Peer(c.mode, c.text));
    ASSERT_GE(lines.size(), 2u) << c.text;
    EXPECT_EQ(lines.front(), "HTTP/1.1 408 Request Timeout\r") << c.text;
    double after = std::stod(lines.back().substr(lines.back().rfind(' ') + 1));
    EXPECT_GE(after, 0.4) << c.text;
    EXPECT_LT(after, 5.0) << c.text;
  }
  EXPECT_TRUE(WaitForHandlersGone());
  EXPECT_EQ(Requests(), 0) << "no stalled request reaches the owner";
}

TEST_F(Server, AnIdleKeptConnectionIsClosedAfterTheLongerIdleTimeOut) {
  requestTimeoutMs = 300;
  idleTimeoutMs = 1500;
  Start();
  auto lines = Lines(Peer("idle"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "HTTP/1.1 200 OK");
  std::istringstream last(lines[1]);
  std::string closed, after, with;
  double seconds = 0;
  int bytes = -1;
  last >> closed >> after >> seconds >> with >> bytes;
  EXPECT_GE(seconds, 1.3) << "closed before the idle time-out: " << lines[1];
  EXPECT_LT(seconds, 6.0) << lines[1];
  EXPECT_EQ(bytes, 0) << "an idle connection is closed without a reply";
  EXPECT_TRUE(WaitForHandlersGone());
}

TEST_F(Server, ConnectionsBeyondTheCapAre503AndClosedAndReportedOnce) {
  maxConnections = 3;
  Start();
  auto lines = Lines(Peer("cap", "3"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "over the cap: HTTP/1.1 503 Service Unavailable");
  EXPECT_EQ(lines[1], "after: HTTP/1.1 200 OK") << "a freed place is taken again";
  EXPECT_EQ(owner.Count([](const NoticeRecord& n) {
    return n.text == "WaitForConnection: Connection limit reached, refusing connections";
  }), 1);
}

TEST_F(Server, AHandlerThatOutlivesTheBoundedShutdownWaitStillEndsSafely) {
  Start();
  std::shared_ptr<CHandlerRegistry> registry = server->GetRegistry();  // what a handler holds
  registry->liveHandlers.Add();  // a handler that does not end when asked
  auto before = std::chrono::steady_clock::now();
  Stop();  // deletes the server
  auto waited = std::chrono::steady_clock::now() - before;
  EXPECT_GE(waited, std::chrono::milliseconds(CServerThread::kShutdownWaitMs - 1000)) << "it waited for the handler";
  EXPECT_LT(waited, std::chrono::milliseconds(CServerThread::kShutdownWaitMs + 5000)) << "but not for ever";
  int noticesBefore = static_cast<int>(owner.Notices().size());
  // The straggler's last calls reach the registry, not the freed server, and post nothing.
  registry->HandlerEnded(0x1234);
  EXPECT_EQ(registry->liveHandlers.Count(), 0);
  EXPECT_NE(registry->sessions.CreateSession(), nullptr) << "the session table is still there";
  EXPECT_EQ(static_cast<int>(owner.Notices().size()), noticesBefore);
}

int HighestOpenDescriptor() {
  int highest = 2;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (dirent* entry = readdir(dir)) highest = std::max(highest, std::atoi(entry->d_name));
    closedir(dir);
  }
  return highest;
}

TEST_F(Server, AcceptFailuresWhenDescriptorsRunOutBackOffAndAreReportedOnce) {
  Start();
  PeerProcess peer({"python3", NETLIB_TEST_SOURCE_DIR "/peers.py", "burst", std::to_string(port), "8"});
  ASSERT_EQ(peer.ReadLine(), "ready");
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit lowered = saved;
  lowered.rlim_cur = static_cast<rlim_t>(HighestOpenDescriptor() + 1);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
  std::vector<int> fillers;  // the free numbers below the limit are taken too
  for (int fd; (fd = open("/dev/null", O_RDONLY)) >= 0;) fillers.push_back(fd);
  auto failed = [](const NoticeRecord& n) {
    return n.text == "WaitForConnection: Error accept-ing incoming connection" && n.value == WSAEMFILE;
  };
  bool reported = owner.WaitFor(failed, 5000);
  double cpu = CpuSecondsWhileWaiting(1500);
  for (int fd : fillers) close(fd);
  setrlimit(RLIMIT_NOFILE, &saved);
  ASSERT_TRUE(reported) << owner.Describe();
  EXPECT_LT(cpu, 0.5) << "the listener retries in a tight loop";
  EXPECT_EQ(owner.Count(failed), 1) << "one notice, not one per attempt";
  EXPECT_EQ(peer.ReadLine(), "answered 8") << "the waiting connections are taken once descriptors are back";
  EXPECT_TRUE(owner.WaitFor([](const NoticeRecord& n) {
    return n.text == "WaitForConnection: Accepting incoming connections again";
  }));
}

TEST_F(Server, AFileReplySendsExactlyTheLengthItsHeaderAnnounced) {
  Start();
  std::string file = sandbox.HostPath("C/changing.bin");
  owner.SetReplier([](const CHttpResponse& request) {
    if (request.m_url != "/file") return TestOwner::Echo(request);
    auto* reply = new CHttpResponse;
    reply->m_status = 200;
    reply->m_reason = "OK";
    reply->m_url = "C:\\changing.bin";
    return reply;
  });
  // Grown while it is sent: the extra bytes stay home and the connection carries the next reply.
  Shell("head -c 40000000 /dev/zero > " + file);
  auto grown = Lines(Shell(Peers() + " file-changes " + std::to_string(port) + " " + file + " grow"));
  ASSERT_EQ(grown.size(), 2u);
  EXPECT_EQ(grown[0], "announced 40000000 got 40000000");
  EXPECT_EQ(grown[1], "next: HTTP/1.1 200 OK");
  // Cut short: fewer bytes than announced, and the connection ends so nothing is taken for the rest.
  Shell("head -c 40000000 /dev/zero > " + file);
  auto shrunk = Lines(Shell(Peers() + " file-changes " + std::to_string(port) + " " + file + " shrink"));
  ASSERT_EQ(shrunk.size(), 2u);
  long announced = 0, got = 0;
  std::sscanf(shrunk[0].c_str(), "announced %ld got %ld", &announced, &got);
  EXPECT_EQ(announced, 40000000);
  EXPECT_LT(got, announced);
  EXPECT_EQ(shrunk[1], "next: ");
  EXPECT_TRUE(owner.WaitFor([](const NoticeRecord& n) {
    return n.text == "WriteFileOutput: The file is shorter than its announced length";
  }));
}

}  // namespace
