// The WinInet subset against the scripted python3 server: asynchronous completions, reads in pieces,
// time-outs, refusals and closing.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/core/testing/TestSandbox.h"
#include "platform/inet/WinInet.h"
#include "platform/inet/testing/FakeHttpServer.h"

namespace {

using qh::inet::testing::FakeHttpServer;

struct Completion {
  HINTERNET handle;
  DWORD_PTR context;
  DWORD_PTR result;
  DWORD error;
};

std::mutex completionLock;
std::condition_variable completionChanged;
std::vector<Completion> completions;

void RecordStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID information, DWORD) {
  if (status != INTERNET_STATUS_REQUEST_COMPLETE) return;
  auto* result = static_cast<INTERNET_ASYNC_RESULT*>(information);
  std::lock_guard<std::mutex> guard(completionLock);
  completions.push_back({handle, context, result->dwResult, result->dwError});
  completionChanged.notify_all();
}

bool WaitCompletions(size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  std::unique_lock<std::mutex> guard(completionLock);
  return completionChanged.wait_for(guard, limit, [&] { return completions.size() >= count; });
}

std::string JsonText(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '\r') escaped += "\\r";
    else if (c == '\n') escaped += "\\n";
    else if (c == '"' || c == '\\') escaped += std::string("\\") + c;
    else escaped += c;
  }
  return escaped;
}

// A port nothing listens on: bound once by the test, then released.
int FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

class WinInetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::lock_guard<std::mutex> guard(completionLock);
    completions.clear();
  }
  void TearDown() override {
    if (session_ != nullptr) InternetCloseHandle(session_);
  }
  HINTERNET Connect(int port, DWORD receiveMs = 6000) {
    session_ = InternetOpen("Quaverhouse/4.0", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, INTERNET_FLAG_ASYNC);
    EXPECT_NE(session_, nullptr);
    DWORD timeout = receiveMs;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_CONTROL_RECEIVE_TIMEOUT,
                         INTERNET_OPTION_CONTROL_SEND_TIMEOUT, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT,
                         INTERNET_OPTION_DATA_SEND_TIMEOUT}) {
      EXPECT_TRUE(InternetSetOption(session_, option, &timeout, sizeof timeout));
    }
    EXPECT_NE(InternetSetStatusCallback(session_, RecordStatus), INTERNET_INVALID_STATUS_CALLBACK);
    return InternetConnect(session_, "127.0.0.1", static_cast<INTERNET_PORT>(port), nullptr, nullptr,
                           INTERNET_SERVICE_HTTP, 0, 0);
  }
  // Sends a GET and reads the reply as the CDDB client does: 1024-byte reads until one gives 0 bytes.
  std::string Fetch(HINTERNET connection, const char* path, DWORD* status, size_t* reads) {
    HINTERNET request = HttpOpenRequest(connection, "GET", path, nullptr, nullptr, nullptr, INTERNET_FLAG_RELOAD, 1);
    EXPECT_NE(request, nullptr);
    EXPECT_FALSE(HttpSendRequest(request, nullptr, 0, nullptr, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
    EXPECT_TRUE(WaitCompletions(1));
    EXPECT_EQ(completions[0].context, 1u);
    EXPECT_EQ(completions[0].result, static_cast<DWORD_PTR>(TRUE));
    DWORD size = sizeof *status;
    EXPECT_TRUE(HttpQueryInfo(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, status, &size, nullptr));
    std::string reply;
    char buffer[1024];
    DWORD got = 0;
    *reads = 0;
    for (;;) {
      size_t before = completions.size();
      if (!InternetReadFile(request, buffer, sizeof buffer, &got)) {
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
        EXPECT_TRUE(WaitCompletions(before + 1));
        EXPECT_EQ(completions.back().result, static_cast<DWORD_PTR>(TRUE));
      }
      ++*reads;
      if (got == 0) break;
      reply.append(buffer, got);
    }
    EXPECT_TRUE(InternetCloseHandle(request));
    return reply;
  }

  qh::testing::TestSandbox sandbox_;
  HINTERNET session_ = nullptr;
};

TEST_F(WinInetTest, AReplyInSmallPiecesIsReadToItsEnd) {
  std::string body;
  for (int i = 0; i < 300; ++i) body += "TTITLE" + std::to_string(i) + "=Song " + std::to_string(i) + "\r\n";
  FakeHttpServer server(sandbox_.Root(), "127.0.0.1", 0,
                        R"([{"contains": "/drip", "body": ")" + JsonText(body) + R"(", "chunk": 300, "chunk_delay": 0.01}])");
  ASSERT_TRUE(server.Ready());
  HINTERNET connection = Connect(server.Port());
  ASSERT_NE(connection, nullptr);
  DWORD status = 0;
  size_t reads = 0;
  EXPECT_EQ(Fetch(connection, "/drip?cmd=x", &status, &reads), body);
  EXPECT_EQ(status, 200u);
  EXPECT_GT(reads, body.size() / 1024 + 1);  // short reads came before the end
}

TEST_F(WinInetTest, ErrorStatusIsReportedWithTheReply) {
  FakeHttpServer server(sandbox_.Root(), "127.0.0.1", 0, R"([{"contains": "/", "status": 500, "body": "oops"}])");
  ASSERT_TRUE(server.Ready());
  HINTERNET connection = Connect(server.Port());
  DWORD status = 0;
  size_t reads = 0;
  EXPECT_EQ(Fetch(connection, "/x", &status, &reads), "oops");
  EXPECT_EQ(status, 500u);
}

TEST_F(WinInetTest, ASlowServerEndsWithATimeOut) {
  FakeHttpServer server(sandbox_.Root(), "127.0.0.1", 0, R"([{"contains": "/", "delay": 4, "body": "late"}])");
  ASSERT_TRUE(server.Ready());
  HINTERNET connection = Connect(server.Port(), 1000);
  HINTERNET request = HttpOpenRequest(connection, "GET", "/slow", nullptr, nullptr, nullptr, INTERNET_FLAG_RELOAD, 1);
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(HttpSendRequest(request, nullptr, 0, nullptr, 0));
  ASSERT_TRUE(WaitCompletions(1));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3500));
  EXPECT_EQ(completions[0].result, static_cast<DWORD_PTR>(FALSE));
  EXPECT_EQ(completions[0].error, static_cast<DWORD>(ERROR_INTERNET_TIMEOUT));
  InternetCloseHandle(request);
}

TEST_F(WinInetTest, NoServerMeansCannotConnect) {
  HINTERNET connection = Connect(FreePort());
  HINTERNET request = HttpOpenRequest(connection, "GET", "/", nullptr, nullptr, nullptr, 0, 1);
  EXPECT_FALSE(HttpSendRequest(request, nullptr, 0, nullptr, 0));
  ASSERT_TRUE(WaitCompletions(1));
  EXPECT_EQ(completions[0].result, static_cast<DWORD_PTR>(FALSE));
  EXPECT_EQ(completions[0].error, static_cast<DWORD>(ERROR_INTERNET_CANNOT_CONNECT));
}

TEST_F(WinInetTest, PathsAndHostsThatWouldChangeTheRequestAreRefused) {
  HINTERNET connection = Connect(80);
  const char* paths[] = {"/a b", "/a\r\nHost: x", "a", "/\x7f", ""};
  for (const char* path : paths) {
    EXPECT_EQ(HttpOpenRequest(connection, "GET", path, nullptr, nullptr, nullptr, 0, 1), nullptr) << path;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_INVALID_URL));
  }
  EXPECT_EQ(InternetConnect(session_, "evil.com/x?", 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0), nullptr);
  EXPECT_EQ(HttpOpenRequest(session_, "GET", "/", nullptr, nullptr, nullptr, 0, 1), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_INCORRECT_HANDLE_TYPE));
  DWORD value = 1;
  EXPECT_FALSE(InternetSetOption(reinterpret_cast<HINTERNET>(0x42), INTERNET_OPTION_CONNECT_TIMEOUT, &value, 4));
  EXPECT_EQ(InternetSetStatusCallback(reinterpret_cast<HINTERNET>(0x42), RecordStatus), INTERNET_INVALID_STATUS_CALLBACK);
}

TEST_F(WinInetTest, AnOversizedReplyIsCutOff) {
  FakeHttpServer server(sandbox_.Root(), "127.0.0.1", 0,
                        R"([{"contains": "/", "body": ")" + std::string(qh::inet::kMaxReplyBytes + 4096, 'x') + R"("}])");
  ASSERT_TRUE(server.Ready());
  HINTERNET connection = Connect(server.Port());
  HINTERNET request = HttpOpenRequest(connection, "GET", "/big", nullptr, nullptr, nullptr, 0, 1);
  HttpSendRequest(request, nullptr, 0, nullptr, 0);
  ASSERT_TRUE(WaitCompletions(1));
  // The length is known from the headers: the request fails at once; a server that hides it is cut off
  // at the limit by the reads.
  std::vector<char> buffer(1 << 20);
  size_t total = 0;
  DWORD got = 0;
  bool failed = false;
  for (int i = 0; i < 200 && !failed; ++i) {
    size_t before = completions.size();
    if (InternetReadFile(request, buffer.data(), static_cast<DWORD>(buffer.size()), &got)) {
      if (got == 0) break;
      total += got;
    } else if (GetLastError() == static_cast<DWORD>(ERROR_IO_PENDING)) {
      ASSERT_TRUE(WaitCompletions(before + 1));
      if (completions.back().result == FALSE) failed = true;
      else total += got;
    } else {
      failed = true;
    }
  }
  EXPECT_TRUE(failed || completions[0].result == FALSE);
  EXPECT_LE(total, qh::inet::kMaxReplyBytes);
  InternetCloseHandle(request);
}

TEST_F(WinInetTest, NoCallbackAfterTheRequestIsClosed) {
  FakeHttpServer server(sandbox_.Root(), "127.0.0.1", 0, R"([{"contains": "/", "delay": 1, "body": "late"}])");
  ASSERT_TRUE(server.Ready());
  HINTERNET connection = Connect(server.Port());
  HINTERNET request = HttpOpenRequest(connection, "GET", "/", nullptr, nullptr, nullptr, 0, 1);
  HttpSendRequest(request, nullptr, 0, nullptr, 0);
  EXPECT_TRUE(InternetCloseHandle(request));
  EXPECT_FALSE(InternetCloseHandle(request));
  EXPECT_FALSE(WaitCompletions(1, std::chrono::milliseconds(1800)));
}

TEST_F(WinInetTest, WithoutTheAsyncFlagCallsWaitForTheirResult) {
  FakeHttpServer server(sandbox_.Root(), "127.0.0.1", 0, R"([{"contains": "/", "body": "hello", "delay": 0.2}])");
  ASSERT_TRUE(server.Ready());
  HINTERNET session = InternetOpen("t", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  HINTERNET connection = InternetConnect(session, "127.0.0.1", static_cast<INTERNET_PORT>(server.Port()), nullptr,
                                         nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  HINTERNET request = HttpOpenRequest(connection, "GET", "/s", nullptr, nullptr, nullptr, 0, 1);
  ASSERT_TRUE(HttpSendRequest(request, nullptr, 0, nullptr, 0));
  char buffer[16];
  DWORD got = 0;
  ASSERT_TRUE(InternetReadFile(request, buffer, sizeof buffer, &got));
  EXPECT_EQ(std::string(buffer, got), "hello");
  ASSERT_TRUE(InternetReadFile(request, buffer, sizeof buffer, &got));
  EXPECT_EQ(got, 0u);
  EXPECT_TRUE(InternetCloseHandle(session));
  EXPECT_FALSE(InternetCloseHandle(request));  // closed with its session
  EXPECT_TRUE(server.RequestLog().find("GET /s HTTP/1.1") != std::string::npos);
}

}  // namespace
