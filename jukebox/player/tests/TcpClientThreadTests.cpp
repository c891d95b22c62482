// The TCP client thread against real loopback peers: a listener in the test that accepts, reads and
// writes on plain sockets, and an owner window on a GUI thread that records every notice.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "jukebox/player/TcpClientThread.h"
#include "jukebox/player/tests/BoxTestSupport.h"
#include "platform/ui/WinUser.h"

namespace {

constexpr UINT kNotifyMessage = 0x478;

struct Notice {
  WPARAM code = 0;
  LONG value = 0;
  std::string text;
  LONG threadState = 0;
  std::string data;
  DWORD threadId = 0;
};

// An owner window on its own GUI thread that records and frees every notice.
class NoticeRecorder {
 public:
  NoticeRecorder() {
    static ATOM atom = [] {
      WNDCLASS windowClass;
      windowClass.lpfnWndProc = &NoticeRecorder::WindowProc;
      windowClass.lpszClassName = "TcpClientTestOwner";
      return RegisterClass(&windowClass);
    }();
    (void)atom;
    m_gui.Run([this] {
      m_window = CreateWindow("TcpClientTestOwner", "owner", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
      SetWindowLongPtr(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    });
  }
  ~NoticeRecorder() {
    m_gui.Run([this] { DestroyWindow(m_window); });
  }
  HWND Window() const { return m_window; }

  bool WaitFor(const std::function<bool(const Notice&)>& match, int milliseconds = 10000) {
    std::unique_lock lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] {
      for (const Notice& notice : m_notices)
        if (match(notice)) return true;
      return false;
    });
  }
  int Count(const std::function<bool(const Notice&)>& match) {
    std::lock_guard guard(m_lock);
    int count = 0;
    for (const Notice& notice : m_notices) count += match(notice) ? 1 : 0;
    return count;
  }
  std::string Received() {
    std::lock_guard guard(m_lock);
    std::string all;
    for (const Notice& notice : m_notices)
      if (notice.code == TCP_NOTICE_DATA) all += notice.data;
    return all;
  }
  std::string Describe() {
    std::lock_guard guard(m_lock);
    std::string text;
    for (const Notice& n : m_notices)
      text += std::to_string(n.code) + " [" + std::to_string(n.value) + "] state " + std::to_string(n.threadState) +
              " " + n.text + "\n";
    return text;
  }

 private:
  static LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<NoticeRecorder*>(GetWindowLongPtr(window, GWLP_USERDATA));
    if (self == nullptr || message != kNotifyMessage) return DefWindowProc(window, message, wParam, lParam);
    Notice notice;
    notice.code = wParam;
    if (wParam == TCP_NOTICE_EXIT) {
      notice.threadId = static_cast<DWORD>(lParam);
    } else if (wParam == TCP_NOTICE_DATA) {
      std::unique_ptr<CTcpReceivedData> data(reinterpret_cast<CTcpReceivedData*>(lParam));
      notice.value = data->m_count;
      notice.data.assign(data->m_buffer.get(), static_cast<size_t>(data->m_count));
      notice.threadId = data->m_threadId;
    } else {
      std::unique_ptr<CTcpNotice> block(reinterpret_cast<CTcpNotice*>(lParam));
      notice.value = block->m_code;
      notice.text = block->m_text.str();
      notice.threadState = block->m_threadState;
      notice.threadId = block->m_threadId;
    }
    {
      std::lock_guard guard(self->m_lock);
      self->m_notices.push_back(notice);
    }
    self->m_changed.notify_all();
    return 0;
  }

  GuiThread m_gui;
  HWND m_window = nullptr;
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::vector<Notice> m_notices;
};

// A loopback listener: accepts one connection, collects what it reads, and can write back.
class Peer {
 public:
  explicit Peer(int readDelayMs = 0) : m_readDelayMs(readDelayMs) {
    m_listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    listen(m_listener, 4);
    socklen_t length = sizeof(address);
    getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] {
      int connection = ::accept(m_listener, static_cast<sockaddr*>(nullptr), static_cast<socklen_t*>(nullptr));
      if (connection < 0) return;
      m_connection = connection;
      char buffer[65536];
      for (;;) {
        for (int waited = 0; waited < m_readDelayMs && !m_stop; waited += 10)
          std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ssize_t got = ::recv(connection, static_cast<void*>(buffer), sizeof(buffer), 0);
        if (got <= 0) break;
        std::lock_guard guard(m_lock);
        m_received.append(buffer, static_cast<size_t>(got));
      }
      m_peerClosed = true;
    });
  }
  ~Peer() {
    m_stop = true;
    shutdown(m_listener, SHUT_RDWR);
    ::close(m_listener);
    if (m_connection >= 0) shutdown(m_connection, SHUT_RDWR);
    m_thread.join();
    if (m_connection >= 0) ::close(m_connection);
  }
  int Port() const { return m_port; }
  std::string Received() {
    std::lock_guard guard(m_lock);
    return m_received;
  }
  bool WaitForBytes(size_t count, int milliseconds = 10000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (Received().size() < count) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }
  void Write(const std::string& text) {
    // The client sees its connection up before this side has accepted it.
    for (int waited = 0; m_connection < 0 && waited < 5000; waited += 5)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::send(m_connection.load(), static_cast<const void*>(text.data()), text.size(), MSG_NOSIGNAL);
  }
  void CloseConnection() {
    for (int waited = 0; m_connection < 0 && waited < 5000; waited += 5)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    shutdown(m_connection, SHUT_RDWR);
  }
  bool Closed() const { return m_peerClosed; }

 private:
  int m_listener = -1;
  std::atomic<int> m_connection{-1};
  int m_port = 0;
  int m_readDelayMs = 0;
  std::thread m_thread;
  std::mutex m_lock;
  std::string m_received;
  std::atomic<bool> m_peerClosed{false};
  std::atomic<bool> m_stop{false};
};

// A started client thread owned by the test (deleted after it has ended).
class Client {
 public:
  explicit Client(HWND owner, bool resume = true) {
    m_thread = new CTcpClientThread;
    m_thread->m_bAutoDelete = FALSE;
    m_thread->CreateThread(CREATE_SUSPENDED);
    m_initialised = m_thread->Init(owner, kNotifyMessage);
    if (resume) m_thread->ResumeThread();
  }
  ~Client() {
    m_thread->ResumeThread();
    for (int attempt = 0; attempt < 100; ++attempt) {
      auto* end = new CTcpRequest(TCP_REQUEST_END);
      if (m_thread->PostRequest(end)) break;
      delete end;  // full queue, or the thread has already ended
      if (WaitForSingleObject(m_thread->m_hThread, 10) == WAIT_OBJECT_0) break;
    }
    WaitForSingleObject(m_thread->m_hThread, 10000);
    delete m_thread;
  }
  CTcpClientThread* operator->() { return m_thread; }
  CTcpClientThread* Get() { return m_thread; }
  bool Initialised() const { return m_initialised; }
  bool Connect(const char* host, int port) {
    auto* target = new CTcpConnect;
    target->m_host = host;
    target->m_port = static_cast<WORD>(port);
    auto* request = new CTcpRequest(target);
    if (m_thread->PostRequest(request)) return true;
    delete request;
    return false;
  }
  bool SendText(const std::string& text) {
    auto* request = new CTcpRequest(TCP_REQUEST_SEND_TEXT, CTcpSendRecord::Text(text.c_str()));
    if (m_thread->PostRequest(request)) return true;
    delete request;
    return false;
  }
  bool SendBytes(const std::string& bytes) {
    auto data = std::make_unique<char[]>(bytes.size() ? bytes.size() : 1);
    std::copy(bytes.begin(), bytes.end(), data.get());
    auto* request =
        new CTcpRequest(TCP_REQUEST_SEND_BYTES, CTcpSendRecord::Bytes(std::move(data), static_cast<DWORD>(bytes.size())));
    if (m_thread->PostRequest(request)) return true;
    delete request;
    return false;
  }
  bool Post(DWORD type) {
    auto* request = new CTcpRequest(type);
    if (m_thread->PostRequest(request)) return true;
    delete request;
    return false;
  }
  bool WaitForState(LONG state, int milliseconds = 10000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (m_thread->GetState() != state) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }

 private:
  CTcpClientThread* m_thread;
  bool m_initialised = false;
};

bool IsInfo(const Notice& n, LONG state, const std::string& start) {
  return n.code == TCP_NOTICE_INFO && n.threadState == state && n.text.rfind(start, 0) == 0;
}

int FreePort() {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  socklen_t length = sizeof(address);
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(s);
  return ntohs(address.sin_port);
}

// Connects to the peer and waits until the owner has the connection's information notice.
bool ConnectAndSeeItReported(Client& client, NoticeRecorder& owner, const Peer& peer) {
  return client.Connect("127.0.0.1", peer.Port()) && client.WaitForState(TCP_CONNECTED) &&
         owner.WaitFor([](const Notice& n) { return IsInfo(n, 3, "Address: "); });
}

// CPU time (clock ticks) each thread of this process has used so far, by its host thread id.
std::map<std::string, long> ThreadTicks() {
  std::map<std::string, long> ticks;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream stat(task.path() / "stat");
    std::string line;
    std::getline(stat, line);
    const size_t end = line.rfind(')');  // the name may hold blanks
    if (end == std::string::npos) continue;
    std::istringstream fields(line.substr(end + 2));
    std::string field;
    long user = 0, system = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
      if (i == 14) user = std::stol(field);
      if (i == 15) system = std::stol(field);
    }
    ticks[task.path().filename().string()] = user + system;
  }
  return ticks;
}

// The most CPU time one thread used while the process stood idle for `milliseconds`.
long BusiestThreadTicksWhileIdle(int milliseconds) {
  const auto before = ThreadTicks();
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  long busiest = 0;
  for (const auto& [thread, ticks] : ThreadTicks()) {
    auto it = before.find(thread);
    busiest = std::max(busiest, ticks - (it == before.end() ? 0 : it->second));
  }
  return busiest;
}

}  // namespace

TEST(TcpClientThread, ConnectsSendsTextAndBytesAndReportsEachStep) {
  NoticeRecorder owner;
  Peer peer;
  Client client(owner.Window());
  ASSERT_TRUE(client.Initialised());
  ASSERT_TRUE(client.Connect("127.0.0.1", peer.Port()));
  ASSERT_TRUE(client.SendText("c=66\r"));
  ASSERT_TRUE(client.SendBytes(std::string("\x00\xFF\x10mp3", 6)));
  ASSERT_TRUE(peer.WaitForBytes(11)) << owner.Describe();
  EXPECT_EQ(peer.Received(), std::string("c=66\r\x00\xFF\x10mp3", 11));
  EXPECT_TRUE(owner.WaitFor([](const Notice& n) { return IsInfo(n, 2, "Address: 127.0.0.1"); }));
  EXPECT_TRUE(owner.WaitFor([&](const Notice& n) {
    return IsInfo(n, 3, "Address: 127.0.0.1, Port: " + std::to_string(peer.Port()));
  }));
  EXPECT_TRUE(owner.WaitFor([](const Notice& n) {
    return n.code == TCP_NOTICE_WRITTEN && n.value == 6 && n.text == "Bytes Written: 6";
  })) << owner.Describe();
  EXPECT_EQ(client->GetState(), TCP_CONNECTED);
}

TEST(TcpClientThread, PostsWhatArrivesAndAnEmptyBlockWhenThePeerCloses) {
  NoticeRecorder owner;
  Peer peer;
  Client client(owner.Window());
  ASSERT_TRUE(ConnectAndSeeItReported(client, owner, peer));
  peer.Write("<VOLUME>7</VOLUME>");
  ASSERT_TRUE(owner.WaitFor([](const Notice& n) { return n.code == TCP_NOTICE_DATA && n.value > 0; }));
  EXPECT_EQ(owner.Received(), "<VOLUME>7</VOLUME>");
  peer.CloseConnection();
  EXPECT_TRUE(owner.WaitFor([](const Notice& n) { return IsInfo(n, 1, "Socket closed"); })) << owner.Describe();
  EXPECT_TRUE(client.WaitForState(TCP_NOT_CONNECTED));
  // The end of the stream is told once, never as a stream of empty blocks.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_LE(owner.Count([](const Notice& n) { return n.code == TCP_NOTICE_DATA && n.value == 0; }), 1)
      << owner.Describe();
}

// A block with nothing in it must not reach the box as a write of zero bytes, nor leave the thread
// writing (or spinning) with nothing to write, nor report a write that never happened.
TEST(TcpClientThread, AnEmptyBlockSendsNothingReportsNothingAndTheNextBlockGoesOutAlone) {
  NoticeRecorder owner;
  Peer peer;
  Client client(owner.Window());
  ASSERT_TRUE(ConnectAndSeeItReported(client, owner, peer));
  struct EmptyBlock {
    const char* name;
    std::function<CTcpRequest*()> make;
  };
  const EmptyBlock blocks[] = {
      {"no bytes", [] { return new CTcpRequest(TCP_REQUEST_SEND_BYTES, CTcpSendRecord::Bytes(std::make_unique<char[]>(1), 0)); }},
      {"no buffer", [] { return new CTcpRequest(TCP_REQUEST_SEND_BYTES, CTcpSendRecord::Bytes(nullptr, 16)); }},
      {"no record", [] { return new CTcpRequest(TCP_REQUEST_SEND_BYTES); }},
      {"empty text", [] { return new CTcpRequest(TCP_REQUEST_SEND_TEXT, CTcpSendRecord::Text("")); }},
  };
  for (const EmptyBlock& block : blocks) {
    CTcpRequest* request = block.make();
    ASSERT_TRUE(client->PostRequest(request)) << block.name;
  }
  for (int waited = 0; client->GetQueuedCount() != 0 && waited < 5000; waited += 5)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(client->GetQueuedCount(), 0);
  // A thread that spun on an empty write would use most of a processor meanwhile.
  EXPECT_LT(BusiestThreadTicksWhileIdle(500), sysconf(_SC_CLK_TCK) / 10);
  EXPECT_EQ(client->GetThreadState(), TCP_THREAD_CONNECTED);
  EXPECT_EQ(client->GetState(), TCP_CONNECTED);
  EXPECT_EQ(peer.Received(), "");
  EXPECT_EQ(owner.Count([](const Notice& n) { return n.code == TCP_NOTICE_WRITTEN || n.code == TCP_NOTICE_ERROR; }), 0)
      << owner.Describe();

  ASSERT_TRUE(client.SendBytes("mp3"));
  ASSERT_TRUE(peer.WaitForBytes(3));
  EXPECT_TRUE(owner.WaitFor([](const Notice& n) { return n.code == TCP_NOTICE_WRITTEN && n.value == 3; }))
      << owner.Describe();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(peer.Received(), "mp3");
  EXPECT_EQ(owner.Count([](const Notice& n) { return n.code == TCP_NOTICE_WRITTEN; }), 1) << owner.Describe();
}

TEST(TcpClientThread, ElevenRequestsWaitAndTheTwelfthIsRefused) {
  NoticeRecorder owner;
  Client client(owner.Window(), /*resume=*/false);
  for (int i = 0; i < CTcpClientThread::kMaxQueuedRequests; ++i) EXPECT_TRUE(client.SendText("v=1\r")) << i;
  EXPECT_FALSE(client.SendText("v=2\r"));
  EXPECT_EQ(client->GetQueuedCount(), 11);
  // The end still gets through, so a full queue never keeps the thread from ending.
  EXPECT_TRUE(client.Post(TCP_REQUEST_END));
}

TEST(TcpClientThread, RefusesRequestsBeforeInit) {
  CTcpClientThread thread;
  auto* request = new CTcpRequest(TCP_REQUEST_CLOSE);
  EXPECT_FALSE(thread.PostRequest(request));
  delete request;
  EXPECT_EQ(thread.GetState(), TCP_NOT_CONNECTED);
}

TEST(TcpClientThread, AWriteAboveTheLimitIsReportedNotDroppedSilently) {
  NoticeRecorder owner;
  Peer peer;
  Client client(owner.Window());
  client.Connect("127.0.0.1", peer.Port());
  ASSERT_TRUE(client.WaitForState(TCP_CONNECTED));
  ASSERT_TRUE(client.SendBytes(std::string(CTcpClientThread::kMaxWriteBytes + 1, 'x')));
  EXPECT_TRUE(owner.WaitFor([](const Notice& n) {
    return n.code == TCP_NOTICE_ERROR && n.value == WSAEMSGSIZE && n.text.find("WriteStart") == 0;
  })) << owner.Describe();
  // The limit itself still goes out, in full and in order, across partial sends.
  std::string big(CTcpClientThread::kMaxWriteBytes, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 4096);
  ASSERT_TRUE(client.SendBytes(big));
  ASSERT_TRUE(peer.WaitForBytes(big.size(), 20000));
  EXPECT_EQ(peer.Received(), big);
  EXPECT_TRUE(owner.WaitFor([&](const Notice& n) {
    return n.code == TCP_NOTICE_WRITTEN && n.value == static_cast<LONG>(big.size());
  }));
}

TEST(TcpClientThread, SendsWithoutAConnectionAreReportedNotConnected) {
  NoticeRecorder owner;
  Client client(owner.Window());
  client.SendText("c=1\r");
  client.SendBytes("abc");
  EXPECT_TRUE(owner.WaitFor([](const Notice& n) {
    return n.code == TCP_NOTICE_ERROR && n.value == WSAENOTCONN && n.text == "WriteStringStart: Socket not connected";
  }));
  EXPECT_TRUE(owner.WaitFor([](const Notice& n) {
    return n.code == TCP_NOTICE_ERROR && n.value == WSAENOTCONN && n.text == "WriteStart: Socket not connected";
  }));
}

TEST(TcpClientThread, DropWithoutASocketDoesNotJamLaterConnects) {
  NoticeRecorder owner;
  Peer peer;
  Client client(owner.Window());
  ASSERT_TRUE(client.Post(TCP_REQUEST_DROP));
  ASSERT_TRUE(client.Post(TCP_REQUEST_CLOSE));
  EXPECT_TRUE(owner.WaitFor([](const Notice& n) { return IsInfo(n, 1, "Socket closed"); }));
  ASSERT_TRUE(client.Connect("127.0.0.1", peer.Port()));
  ASSERT_TRUE(client.SendText("c=66\r"));
  EXPECT_TRUE(peer.WaitForBytes(5)) << owner.Describe();
  EXPECT_EQ(client->GetThreadState(), TCP_THREAD_CONNECTED);
}

TEST(TcpClientThread, DropDiscardsLaterSendsUntilTheCloseAndTheNextConnectionStartsClean) {
  NoticeRecorder owner;
  auto first = std::make_unique<Peer>();
  Client client(owner.Window());
  client.Connect("127.0.0.1", first->Port());
  ASSERT_TRUE(client.WaitForState(TCP_CONNECTED));
  ASSERT_TRUE(client.Post(TCP_REQUEST_DROP));
  ASSERT_TRUE(client.SendText("lost\r"));
  ASSERT_TRUE(client.Post(TCP_REQUEST_CLOSE));
  ASSERT_TRUE(owner.WaitFor([](const Notice& n) { return IsInfo(n, 1, "Socket closed"); })) << owner.Describe();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(first->Received(), "");
  Peer second;
  client.Connect("127.0.0.1", second.Port());
  client.SendText("kept\r");
  ASSERT_TRUE(second.WaitForBytes(5)) << owner.Describe();
  EXPECT_EQ(second.Received(), "kept\r");
}

TEST(TcpClientThread, ARefusedConnectLeavesTheThreadIdleAndACloseStillReportsClosed) {
  NoticeRecorder owner;
  Client client(owner.Window());
  client.Connect("127.0.0.1", FreePort());
  ASSERT_TRUE(owner.WaitFor([](const Notice& n) { return n.code == TCP_NOTICE_ERROR && n.value == WSAECONNREFUSED; }))
      << owner.Describe();
  EXPECT_EQ(client->GetState(), TCP_NOT_CONNECTED);
  client.Post(TCP_REQUEST_CLOSE);
  EXPECT_TRUE(owner.WaitFor([](const Notice& n) { return IsInfo(n, 1, "Socket closed"); })) << owner.Describe();
  EXPECT_EQ(client->GetThreadState(), TCP_THREAD_IDLE);
}

TEST(TcpClientThread, AnUnknownHostIsReportedAndLeavesTheThreadIdle) {
  NoticeRecorder owner;
  Client client(owner.Window());
  client.Connect("no-such-box.invalid", 2020);
  EXPECT_TRUE(owner.WaitFor([](const Notice& n) {
    return n.code == TCP_NOTICE_ERROR && n.text == "ConnectStart: Name resolution failed";
  }, 30000)) << owner.Describe();
  EXPECT_EQ(client->GetThreadState(), TCP_THREAD_IDLE);
}

TEST(TcpClientThread, EndPostsOneExitNoticeAndTheDestructorNoSecond) {
  NoticeRecorder owner;
  DWORD id = 0;
  {
    Peer peer;
    Client client(owner.Window());
    id = client->m_nThreadID;
    client.Connect("127.0.0.1", peer.Port());
    ASSERT_TRUE(client.WaitForState(TCP_CONNECTED));
    ASSERT_TRUE(client.Post(TCP_REQUEST_END));
    ASSERT_TRUE(WaitForSingleObject(client->m_hThread, 10000) == WAIT_OBJECT_0);
  }
  ASSERT_TRUE(owner.WaitFor([&](const Notice& n) { return n.code == TCP_NOTICE_EXIT && n.threadId == id; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(owner.Count([](const Notice& n) { return n.code == TCP_NOTICE_EXIT; }), 1);
  // Cleanup is quiet: no "Socket closed" after the end.
  EXPECT_EQ(owner.Count([](const Notice& n) { return IsInfo(n, 1, "Socket closed"); }), 0);
}

TEST(TcpClientThread, AStalledPeerNeverBlocksTheEndOfTheThread) {
  NoticeRecorder owner;
  Peer peer(/*readDelayMs=*/100000);
  auto started = std::chrono::steady_clock::now();
  {
    auto held = std::make_unique<Client>(owner.Window());
    Client& client = *held;
    client.Connect("127.0.0.1", peer.Port());
    ASSERT_TRUE(client.WaitForState(TCP_CONNECTED));
    // More than the socket buffers hold: the thread waits for room that never comes, and the queue
    // behind the pending write fills up.
    bool refused = false;
    for (int i = 0; i < 200 && !refused; ++i) {
      refused = !client.SendBytes(std::string(CTcpClientThread::kMaxWriteBytes, 'z'));
      if (!refused) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(refused);
    EXPECT_EQ(client->GetThreadState(), TCP_THREAD_WRITING);
    started = std::chrono::steady_clock::now();
    held.reset();  // the end request goes ahead of the waiting writes
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}
