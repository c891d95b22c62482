// The listener and its handler threads against real clients: curl, and python3 peers for what curl
// cannot do. The owner is a window of the headless window core on its own GUI thread.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <atomic>

#include "netlib/ServerThread.h"
#include "netlib/tests/TestOwner.h"
#include "platform/core/testing/TestSandbox.h"

namespace {

std::string Shell(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
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

class Server : public testing::Test {
 protected:
  void Start(bool sessions = false) {
    uploads = sandbox.HostPath("C/Uploads");
    mkdir(uploads.c_str(), 0755);
    server = new CServerThread;
    ASSERT_TRUE(server->CreateThread(CREATE_SUSPENDED));
    ASSERT_TRUE(server->Init(owner.Window(), kServerMessage, kHandlerMessage, 0, sessions, "C:\\Uploads"));
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
  std::string longType = "text/html; x=" + std::string(6000, 'a');
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

}  // namespace
