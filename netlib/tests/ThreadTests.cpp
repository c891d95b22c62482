// The command queue of a connection thread.
#include <gtest/gtest.h>

#include "netlib/HttpSocketThread.h"
#include "netlib/tests/TestOwner.h"

namespace {

TEST(HttpSocketThread, PostCommandNeedsAnInitialisedThread) {
  auto* thread = new CHttpSocketThread;
  auto* command = new CHttpCommand(HTTP_CMD_CLOSE);
  EXPECT_FALSE(thread->PostCommand(command));
  delete command;
  delete thread;
}

TEST(HttpSocketThread, ElevenBlocksAreQueuedTheTwelfthIsRefused) {
  auto* thread = new CHttpSocketThread;
  ASSERT_TRUE(thread->CreateThread(CREATE_SUSPENDED));
  ASSERT_TRUE(thread->Init(nullptr, kClientMessage, ""));
  EXPECT_FALSE(thread->Init(nullptr, kClientMessage, "C:\\")) << "a second Init changes nothing";
  for (int i = 0; i < 11; ++i) {
    auto* request = new CHttpRequest;
    EXPECT_TRUE(thread->PostCommand(new CHttpCommand(HTTP_CMD_WRITE_REQUEST, request))) << i;
  }
  auto* refused = new CHttpCommand(HTTP_CMD_WRITE_REQUEST, new CHttpRequest);
  EXPECT_FALSE(thread->PostCommand(refused));
  delete refused;  // refused blocks stay with the caller
  EXPECT_EQ(thread->GetQueuedCount(), 11);
  delete thread;  // never resumed: the queued blocks and their parameters are freed with it
}

TEST(HttpSocketThread, UnknownCommandsAreDroppedAndTheEndCommandEndsTheThread) {
  TestOwner owner;
  auto* thread = new CHttpSocketThread;
  ASSERT_TRUE(thread->CreateThread(CREATE_SUSPENDED));
  ASSERT_TRUE(thread->Init(owner.Window(), kClientMessage, ""));
  DWORD id = thread->m_nThreadID;
  ASSERT_TRUE(thread->PostCommand(new CHttpCommand(9)));
  ASSERT_TRUE(thread->PostCommand(CHttpCommand::IdleCheck(1200)));
  ASSERT_TRUE(thread->PostCommand(new CHttpCommand(HTTP_CMD_END)));
  thread->ResumeThread();  // the thread deletes itself at its end
  EXPECT_TRUE(owner.WaitFor([id](const NoticeRecord& n) { return n.code == NOTICE_THREAD_ENDING && n.threadId == id; }));
  EXPECT_EQ(owner.Count([](const NoticeRecord& n) { return n.code == NOTICE_IDLE_CLOSED; }), 0)
      << "a thread active within the idle limit stays";
}

TEST(HttpSocketThread, AWriteWithoutSocketIsReportedAndFreed) {
  TestOwner owner;
  auto* thread = new CHttpSocketThread;
  ASSERT_TRUE(thread->CreateThread(CREATE_SUSPENDED));
  ASSERT_TRUE(thread->Init(owner.Window(), kClientMessage, ""));
  DWORD id = thread->m_nThreadID;
  auto* reply = new CHttpResponse;
  reply->m_status = 200;
  ASSERT_TRUE(thread->PostCommand(new CHttpCommand(HTTP_CMD_WRITE_REPLY, reply)));
  thread->ResumeThread();
  EXPECT_TRUE(owner.WaitFor([](const NoticeRecord& n) {
    return n.code == NOTICE_ERROR && n.text == "HTTPWriteResp: Socket not connected" && n.value == WSAENOTCONN;
  }));
  ASSERT_TRUE(thread->PostCommand(new CHttpCommand(HTTP_CMD_END)));
  EXPECT_TRUE(owner.WaitFor([id](const NoticeRecord& n) { return n.code == NOTICE_THREAD_ENDING && n.threadId == id; }));
}

}  // namespace
