// The upload connection against a python3 fake jukebox (fake_jukebox.py): the version check and the PUTs
// of a song document and an MP3 over one kept-open connection, an error reply, a jukebox that stalls,
// one that closes without answering, and one that answers with no body.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "platform/core/testing/TestSandbox.h"
#include "recorder/ActionResponse.h"
#include "recorder/UploadSocket.h"
#include "recorder/capture/tests/CaptureTestSupport.h"
#include "recorder/tests/FakeJukebox.h"
#include "recorder/tests/RecorderTestSupport.h"
#include "recorder/tests/UnansweredPort.h"

namespace qh::recorder::testing {
namespace {

constexpr UINT kNotify = 0x81C2;


const char kVersionCheck[] =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><action><actionName>SvcQryVersion</actionName><transID>1</transID>"
    "<actionID>1</actionID></action>";

class UploadSocketTest : public ::testing::Test {
 protected:
  std::string Host(const std::string& name) { return sandbox_.HostPath("C/" + name); }
  std::unique_ptr<FakeJukebox> Start(const char* mode) {
    std::filesystem::create_directories(Host("jukebox"));
    auto jukebox = std::make_unique<FakeJukebox>(Host("jukebox"), mode);
    EXPECT_GT(jukebox->Port(), 0);
    return jukebox;
  }
  int Connect(CUploadSocket& socket, int port) {
    return socket.ConnectTo("Remote Server", "127.0.0.1", static_cast<UINT>(port), window_.hwnd(), kNotify, FALSE);
  }
  // The notices posted so far (after pumping), as their wParam values.
  std::vector<WPARAM> Notices() {
    capture_test::PumpUntil([] { return false; }, std::chrono::milliseconds(50));
    std::vector<WPARAM> notices;
    for (const auto& posted : window_.posted)
      if (posted.message == kNotify) notices.push_back(posted.wParam);
    return notices;
  }
  // C:\big.mp3, 32 MiB: more than a connection's buffers hold.
  void WriteBigMp3() {
    std::ofstream mp3(Host("big.mp3"), std::ios::binary);
    std::string block(1 << 20, 'x');
    for (int i = 0; i < 32; ++i) mp3.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
  tActionResponse NextReply(CUploadSocket& socket) {
    tActionResponse response;
    CString body;
    EXPECT_TRUE(socket.GetResponse(body));
    EXPECT_EQ(0, response.Parse(body)) << body.str();
    return response;
  }

  qh::testing::TestSandbox sandbox_;
  capture_test::MessageWindow window_;
};

TEST_F(UploadSocketTest, VersionCheckSongDocumentAndMp3OverOneConnection) {
  auto jukebox = Start("ok");
  {
    std::ofstream mp3(Host("song.mp3"), std::ios::binary);
    for (int i = 0; i < 10000; ++i) mp3.put(static_cast<char>((i * 7919) >> 3));
  }
  CUploadSocket socket;
  ASSERT_EQ(0, Connect(socket, jukebox->Port()));
  ASSERT_EQ(0, socket.SendPost(kVersionCheck, "/control", "POST"));
  tActionResponse version = NextReply(socket);
  CString value;
  EXPECT_EQ("SvcQryVersion", version.actionName.str());
  ASSERT_TRUE(version.FindArgument("SvcPgmVersion", value));
  EXPECT_EQ("4.0.12", value.str());

  CString document = "<QHSong Version=\"4.0\"><SongName>A</SongName></QHSong>";
  EXPECT_EQ(document.GetLength(), socket.SendPutText(document, "Song0123ABCD.xml", "text/xml"));
  tActionResponse stored = NextReply(socket);
  EXPECT_EQ("UploadAudioFiles", stored.actionName.str());
  ASSERT_TRUE(stored.FindArgument("UploadFileName", value));
  EXPECT_EQ(".xml", value.Right(4).str());
  EXPECT_EQ(10000, socket.SendPutFile("C:\\song.mp3", "Song0123ABCD.mp3", "application/octet-stream"));
  NextReply(socket);
  EXPECT_TRUE(socket.IsConnected());
  EXPECT_EQ(std::vector<WPARAM>({0, 0, 0}), Notices());
  EXPECT_EQ(document.str(), ReadHostFile(Host("jukebox/Song0123ABCD.xml")));
  EXPECT_EQ(ReadHostFile(Host("song.mp3")), ReadHostFile(Host("jukebox/Song0123ABCD.mp3")));
  EXPECT_EQ("POST /control HTTP/1.1\nPUT Song0123ABCD.xml HTTP/1.1\nPUT Song0123ABCD.mp3 HTTP/1.1\n",
            ReadHostFile(Host("jukebox/requests.log")));
}

TEST_F(UploadSocketTest, AnErrorReplyIsQueuedWithItsCodeAndText) {
  auto jukebox = Start("error");
  CUploadSocket socket;
  ASSERT_EQ(0, Connect(socket, jukebox->Port()));
  EXPECT_GT(socket.SendPutText("<QHSong/>", "Song1.xml", "text/xml"), 0);
  tActionResponse response = NextReply(socket);
  EXPECT_EQ(5, response.actionReturnCode);
  EXPECT_EQ("Disk full", response.actionReturnMsg.str());
}

TEST_F(UploadSocketTest, RepliesThatNeverComeEndInAClosedNoticeWithinTheTimeLimit) {
  struct Case {
    const char* mode;
    std::vector<WPARAM> notices;
    bool queued;
  } cases[] = {{"stall", {1}, false}, {"close", {1}, false}, {"empty", {0}, true}};
  for (const auto& c : cases) {
    window_.posted.clear();
    auto jukebox = Start(c.mode);
    CUploadSocket socket;
    socket.SetReplyTimeLimit(1500);
    ASSERT_EQ(0, Connect(socket, jukebox->Port()));
    auto start = std::chrono::steady_clock::now();
    EXPECT_GT(socket.SendPutText("<QHSong/>", "Song1.xml", "text/xml"), 0) << c.mode;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << c.mode;
    EXPECT_EQ(c.notices, Notices()) << c.mode;
    CString body;
    EXPECT_EQ(c.queued, socket.GetResponse(body)) << c.mode;
    tActionResponse response;
    if (c.queued) {
      EXPECT_NE(0, response.Parse(body)) << "an empty reply is no response";
    }
  }
}

TEST_F(UploadSocketTest, RefusedSendsSayWhy) {
  auto jukebox = Start("ok");
  CUploadSocket socket;
  EXPECT_EQ(CUploadSocket::kNotConnected, socket.SendPutText("x", "a.xml", "text/xml"));
  EXPECT_EQ(CUploadSocket::kNotConnected,
            socket.ConnectTo("Remote Server", "not an address", 80, window_.hwnd(), kNotify, FALSE));
  ASSERT_EQ(0, Connect(socket, jukebox->Port()));
  std::ofstream(Host("empty.mp3"));
  EXPECT_EQ(CUploadSocket::kFileEmpty, socket.SendPutFile("C:\\empty.mp3", "a.mp3", "application/octet-stream"));
  EXPECT_EQ(CUploadSocket::kFileNotOpened, socket.SendPutFile("C:\\missing.mp3", "a.mp3", "application/octet-stream"));
  EXPECT_FALSE(std::filesystem::exists(Host("jukebox/requests.log"))) << "nothing was sent";
  socket.Disconnect();
  EXPECT_EQ(CUploadSocket::kNotConnected, socket.SendPost("x", "/control", "POST"));
}

// A jukebox that takes the connection and then never reads: the send gives up after its limit instead of
// freezing the recorder, the connection is given up with its notice, and windows are painted meanwhile.
TEST_F(UploadSocketTest, APeerThatStopsReadingEndsTheSendAfterItsLimit) {
  auto jukebox = Start("deaf");
  WriteBigMp3();
  CUploadSocket socket;
  socket.SetSendTimeLimit(1000);
  ASSERT_EQ(0, Connect(socket, jukebox->Port()));
  ASSERT_EQ(0, socket.SendPost(kVersionCheck, "/control", "POST"));
  NextReply(socket);
  // A paint pending on a window of this thread is served while the send waits.
  capture_test::MessageWindow painted;
  ShowWindow(painted.hwnd(), SW_SHOW);
  InvalidateRect(painted.hwnd(), nullptr, TRUE);
  ASSERT_TRUE(GetUpdateRect(painted.hwnd(), nullptr, FALSE));
  EXPECT_EQ(CUploadSocket::kFileError, socket.SendPutFile("C:\\big.mp3", "Song1.mp3", "application/octet-stream"));
  EXPECT_EQ(WSAETIMEDOUT, socket.GetLastError());
  EXPECT_FALSE(socket.IsConnected());
  EXPECT_EQ(std::vector<WPARAM>({0, 1}), Notices()) << "the version reply, then the connection given up";
  EXPECT_FALSE(GetUpdateRect(painted.hwnd(), nullptr, FALSE)) << "the window was painted during the wait";
}

// A jukebox that resets the connection: after the connect, before the version check goes out, while an MP3's body is
// on its way, or instead of the reply to a song document. The send or the read fails with the reset,
// which stays readable; the connection is given up with its notice, so the owner always hears of it.
TEST_F(UploadSocketTest, AResetConnectionEndsTheRequestWithItsNotice) {
  WriteBigMp3();
  struct Case {
    const char* mode;
    const char* request;  // what fails: the version check, a song document or an MP3
    int result;
    std::vector<WPARAM> notices;  // after the version reply, when there is one
  } cases[] = {
      {"reset-on-cue", "version", CUploadSocket::kFileError, {1}},
      {"reset-put", "mp3", CUploadSocket::kFileError, {0, 1}},
      {"reset-reply", "xml", 9, {0, 1}},
  };
  for (const auto& c : cases) {
    window_.posted.clear();
    std::filesystem::remove_all(Host("jukebox"));
    auto jukebox = Start(c.mode);
    CUploadSocket socket;
    ASSERT_EQ(0, Connect(socket, jukebox->Port())) << c.mode;
    const std::string request = c.request;
    int result = 0;
    if (request == "version") {
      // The request goes out once the jukebox has dropped the connection.
      std::ofstream(Host("jukebox/cue"));
      ASSERT_TRUE(capture_test::PumpUntil(
          [&] { return ReadHostFile(Host("jukebox/requests.log")).find("RESET") != std::string::npos; }))
          << c.mode;
      result = socket.SendPost(kVersionCheck, "/control", "POST");
    } else {
      ASSERT_EQ(0, socket.SendPost(kVersionCheck, "/control", "POST")) << c.mode;
      NextReply(socket);
      result = request == "mp3" ? socket.SendPutFile("C:\\big.mp3", "Song1.mp3", "application/octet-stream")
                                : socket.SendPutText("<QHSong/>", "Song1.xml", "text/xml");
    }
    EXPECT_EQ(c.result, result) << c.mode;
    EXPECT_EQ(WSAECONNRESET, socket.GetLastError()) << c.mode;
    EXPECT_FALSE(socket.IsConnected()) << c.mode;
    EXPECT_EQ(c.notices, Notices()) << c.mode;
    CString body;
    EXPECT_FALSE(socket.GetResponse(body)) << c.mode << ": no reply is queued";
  }
}

// The owner abandons a wait (its turn returns false) once the connect, the send or the reply is seen
// waiting: the call ends at once with kCancelled, the connection is dropped and no notice is posted.
TEST_F(UploadSocketTest, AnOwnerThatGivesUpEndsEveryWaitAtOnce) {
  WriteBigMp3();
  struct Case {
    const char* wait;
    const char* mode;  // the fake jukebox's; nullptr: a port that never answers
    const char* waitingAfter;
  } cases[] = {{"connect", nullptr, ""}, {"send", "deaf", "PUT Song1.mp3"}, {"reply", "stall", "PUT Song1.xml"}};
  for (const auto& c : cases) {
    window_.posted.clear();
    std::filesystem::remove_all(Host("jukebox"));
    std::unique_ptr<FakeJukebox> jukebox;
    UnansweredPort silent;
    int port = silent.Port();
    std::function<bool()> waiting = [&] { return silent.SomeoneWaits(); };
    if (c.mode) {
      jukebox = Start(c.mode);
      port = jukebox->Port();
      waiting = [&] { return ReadHostFile(Host("jukebox/requests.log")).find(c.waitingAfter) != std::string::npos; };
    }
    ASSERT_GT(port, 0) << c.wait;
    CUploadSocket socket;
    bool seen = false;
    std::chrono::steady_clock::time_point seenAt;
    socket.SetWaitTurn([&] {
      if (!seen && waiting()) {
        seen = true;
        seenAt = std::chrono::steady_clock::now();
      }
      return !seen;
    });
    int result = Connect(socket, port);
    if (c.mode) {
      ASSERT_EQ(0, result) << c.wait;
      result = std::string(c.wait) == "send"
                   ? socket.SendPutFile("C:\\big.mp3", "Song1.mp3", "application/octet-stream")
                   : socket.SendPutText("<QHSong/>", "Song1.xml", "text/xml");
    }
    const auto ended = std::chrono::steady_clock::now();
    EXPECT_TRUE(seen) << c.wait << ": the call did not wait";
    EXPECT_EQ(CUploadSocket::kCancelled, result) << c.wait;
    EXPECT_LT(ended - seenAt, std::chrono::seconds(1)) << c.wait;
    EXPECT_EQ(WSAEINTR, socket.GetLastError()) << c.wait;
    EXPECT_FALSE(socket.IsConnected()) << c.wait;
    EXPECT_TRUE(Notices().empty()) << c.wait << ": the owner gave up; nobody is told";
    CString body;
    EXPECT_FALSE(socket.GetResponse(body)) << c.wait;
  }
}

struct ConnectFailure {
  int code;
  int socketError;
  const char* text;
};

TEST(UploadConnectTexts, EveryFailureHasItsText) {
  const ConnectFailure cases[] = {
      {CUploadSocket::kNotConnected, WSAETIMEDOUT, "Connection attempt timed out - check server availability"},
      {CUploadSocket::kNotConnected, WSAECONNREFUSED, "The connection attempt was rejected by the server"},
      {CUploadSocket::kNotConnected, WSAEINVAL, "An invalid address was specified"},
      {CUploadSocket::kNotConnected, WSAENETUNREACH, "Destination address is unreachable - check TCP/IP setup"},
      {CUploadSocket::kNotConnected, 12345, "INTERNAL ERROR - unexpected error code"},
      {CUploadSocket::kOutOfMemory, 0, "INTERNAL ERROR - Memory Exception when initializing communications"},
      {-4, 0, "INTERNAL ERROR - Archive Exception when initializing communications"},
      {-77, 0, "INTERNAL ERROR - unexpected error code"},
  };
  for (const ConnectFailure& c : cases)
    EXPECT_EQ(c.text, CUploadSocket::ConnectFailureText(c.code, c.socketError).str()) << c.code << " " << c.socketError;
}

// A port where nothing listens is refused at once; a listener whose queue is full never answers the
// connect, which then ends at its limit.
TEST_F(UploadSocketTest, ARefusedAndAnUnansweredConnectEachSayWhy) {
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in where{};
  where.sin_family = AF_INET;
  where.sin_port = 0;
  inet_pton(AF_INET, "127.0.0.1", &where.sin_addr);
  ASSERT_EQ(0, bind(listener, reinterpret_cast<sockaddr*>(&where), sizeof where));
  socklen_t length = sizeof where;
  getsockname(listener, reinterpret_cast<sockaddr*>(&where), &length);
  const int port = ntohs(where.sin_port);
  CUploadSocket socket;
  EXPECT_EQ(CUploadSocket::kNotConnected, Connect(socket, port));
  EXPECT_EQ(WSAECONNREFUSED, socket.GetLastError());

  ASSERT_EQ(0, listen(listener, 0));
  // Connections nobody accepts fill the queue; the kernel then leaves further ones unanswered.
  std::vector<int> fillers;
  for (int i = 0; i < 4; ++i) {
    const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    connect(filler, reinterpret_cast<sockaddr*>(&where), static_cast<int>(sizeof where));
    fillers.push_back(filler);
  }
  socket.SetConnectTimeLimit(1000);
  EXPECT_EQ(CUploadSocket::kNotConnected, Connect(socket, port));
  EXPECT_EQ(WSAETIMEDOUT, socket.GetLastError());
  EXPECT_EQ("Connection attempt timed out - check server availability",
            CUploadSocket::ConnectFailureText(CUploadSocket::kNotConnected, socket.GetLastError()).str());
  for (int filler : fillers) ::close(filler);
  ::close(listener);
}

}  // namespace
}  // namespace qh::recorder::testing
