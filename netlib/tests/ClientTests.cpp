// Outbound connections against a python3 http.server peer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "netlib/ClientSocketManager.h"
#include "netlib/tests/PeerProcess.h"
#include "netlib/tests/TestOwner.h"
#include "platform/core/testing/TestSandbox.h"

namespace {

std::string Script() { return std::string(NETLIB_TEST_SOURCE_DIR "/event_receiver.py"); }

class Client : public testing::Test {
 protected:
  void SetUp() override { manager.SetOwner(owner.Window(), kClientMessage); }

  CHttpSocketThread* Connect(WORD port) {
    CHttpSocketThread* client = manager.OpenClientSocket();
    if (!client) return nullptr;
    auto* target = new CHttpConnect;
    target->m_host = "127.0.0.1";
    target->m_port = port;
    auto* command = new CHttpCommand(HTTP_CMD_CONNECT, target);
    EXPECT_TRUE(manager.PostCommand(client->m_nThreadID, command));
    return client;
  }
  bool WaitConnected(DWORD id) {
    for (int i = 0; i < 500; ++i) {
      if (manager.GetState(id) == CONNECTION_CONNECTED) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  void Send(DWORD id, const char* body) {
    auto* request = new CHttpRequest;
    request->m_method = 1;
    request->m_path = "/events";
    request->m_body = body;
    request->m_contentType = "text/xml";
    auto* command = new CHttpCommand(HTTP_CMD_WRITE_REQUEST, request);
    ASSERT_TRUE(manager.PostCommand(id, command));
  }
  int Responses(const std::string& body) {
    return owner.Count([&](const NoticeRecord& n) {
      return n.code == NOTICE_RESPONSE && n.status == 200 && n.body == body;
    });
  }

  qh::testing::TestSandbox sandbox;
  TestOwner owner;
  CClientSocketManager manager;
};

TEST_F(Client, PostsEventsOverOneKeptConnection) {
  PeerProcess peer({"python3", Script(), "keep"});
  WORD port = static_cast<WORD>(std::stoi(peer.ReadLine()));
  CHttpSocketThread* client = Connect(port);
  ASSERT_NE(client, nullptr);
  DWORD id = client->m_nThreadID;
  ASSERT_TRUE(WaitConnected(id));
  Send(id, "<eventList/>");
  ASSERT_TRUE(owner.WaitFor([&](const NoticeRecord& n) { return n.code == NOTICE_RESPONSE; }));
  EXPECT_EQ(Responses("got:<eventList/>"), 1);
  Send(id, "second");
  EXPECT_TRUE(owner.WaitFor([&](const NoticeRecord& n) { return n.code == NOTICE_RESPONSE && n.body == "got:second"; }))
      << owner.Describe();
  EXPECT_EQ(manager.GetState(id), CONNECTION_CONNECTED);
  EXPECT_EQ(owner.Count([](const NoticeRecord& n) { return n.text.rfind("Address: 127.0.0.1, Port: ", 0) == 0; }), 1);
  EXPECT_TRUE(manager.CloseAll());
  EXPECT_EQ(manager.GetCount(), 0);
  EXPECT_EQ(manager.GetState(id), -2);
  EXPECT_EQ(manager.Find(id), nullptr);
}

TEST_F(Client, APeerThatClosesAfterEachReplyIsReconnected) {
  PeerProcess peer({"python3", Script(), "close"});
  WORD port = static_cast<WORD>(std::stoi(peer.ReadLine()));
  CHttpSocketThread* client = Connect(port);
  ASSERT_NE(client, nullptr);
  DWORD id = client->m_nThreadID;
  ASSERT_TRUE(WaitConnected(id));
  Send(id, "one");
  ASSERT_TRUE(owner.WaitFor([](const NoticeRecord& n) { return n.code == NOTICE_RESPONSE && n.body == "got:one"; }));
  ASSERT_TRUE(owner.WaitFor([](const NoticeRecord& n) { return n.text == "Socket closed"; }));
  EXPECT_EQ(manager.GetState(id), CONNECTION_CLOSED);
  auto* target = new CHttpConnect;
  target->m_host = "127.0.0.1";
  target->m_port = port;
  ASSERT_TRUE(manager.PostCommand(id, new CHttpCommand(HTTP_CMD_CONNECT, target)));
  ASSERT_TRUE(WaitConnected(id));
  Send(id, "two");
  EXPECT_TRUE(owner.WaitFor([](const NoticeRecord& n) { return n.code == NOTICE_RESPONSE && n.body == "got:two"; }));
}

TEST_F(Client, APutArrivingOnAnOutboundConnectionIsRefused) {
  PeerProcess peer({"python3", Script(), "put"});
  WORD port = static_cast<WORD>(std::stoi(peer.ReadLine()));
  ASSERT_NE(Connect(port), nullptr);
  EXPECT_EQ(peer.ReadLine(), "closed");
  EXPECT_EQ(owner.Count([](const NoticeRecord& n) { return n.code == NOTICE_REQUEST; }), 0);
  EXPECT_EQ(std::system(("find " + sandbox.Root() + " / -maxdepth 1 -name 'evil*' | grep -q .").c_str()) == 0, false);
}

TEST_F(Client, ARefusedConnectIsReported) {
  PeerProcess peer({"python3", Script(), "keep"});
  WORD port = static_cast<WORD>(std::stoi(peer.ReadLine()));
  peer.~PeerProcess();
  new (&peer) PeerProcess({"true"});
  CHttpSocketThread* client = Connect(port);
  ASSERT_NE(client, nullptr);
  EXPECT_TRUE(owner.WaitFor([](const NoticeRecord& n) {
    return n.code == NOTICE_ERROR && n.value == WSAECONNREFUSED &&
           (n.text == "WaitOnEvent: FD_CONNECT failed" || n.text == "ConnectStart: Error connecting to remote host");
  }));
  EXPECT_EQ(manager.GetState(client->m_nThreadID), CONNECTION_CLOSED);
}

TEST_F(Client, MapOperationsOnUnknownIds) {
  EXPECT_EQ(manager.Remove(12345), -1);
  EXPECT_EQ(manager.Find(12345), nullptr);
  auto* command = new CHttpCommand(HTTP_CMD_CLOSE);
  EXPECT_FALSE(manager.PostCommand(12345, command));
  delete command;
  EXPECT_TRUE(manager.CloseAll()) << "nothing to close returns at once";
  CHttpSocketThread* client = manager.OpenClientSocket();
  ASSERT_NE(client, nullptr);
  EXPECT_EQ(manager.Find(client->m_nThreadID), client);
  EXPECT_EQ(manager.GetCount(), 1);
  EXPECT_TRUE(manager.CloseAll());
  EXPECT_TRUE(owner.WaitFor([](const NoticeRecord& n) { return n.code == NOTICE_THREAD_ENDING; }));
}

}  // namespace
