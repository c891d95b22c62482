// The action client against python3 device services over real connections: the actionList
// documents sent, answers that fill the session, an error status, a slow device, a device that
// closes, a malformed answer.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "controller/ActionClient.h"
#include "controller/ControllerLog.h"
#include "controller/ProjectDevices.h"
#include "controller/TemplateHandler.h"
#include "controller/TransactionTable.h"
#include "netlib/ClientSocketManager.h"
#include "netlib/Sessions.h"
#include "netlib/ThreadBlocks.h"
#include "netlib/tests/PeerProcess.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/AfxWin.h"

namespace {

constexpr UINT kClientNotice = 0x46A;

// The dialog's part: takes the outbound connections' notices on this thread.
class NoticeWindow : public CWnd {
 public:
  CActionClient* client = nullptr;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kClientNotice && client) {
      client->OnClientNotify(wParam, lParam);
      return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }
};

struct Device {
  std::unique_ptr<PeerProcess> process;
  std::string record;
  int port = 0;
};

class DeviceTraffic : public testing::Test {
 protected:
  void SetUp() override {
    qh::testing::WriteHostFile(sandbox.HostPath("C/site/Logs/.keep"), "");
    log.Open("C:\\site\\Logs\\HallwardenLog.txt");
    session->Init(2, std::time(nullptr), nullptr);
    session->SetStringVariable("SYSCURPAGE", "MAIN.HTM");
    templates.BeginTemplate("MAIN.HTM");
    templates.SplitLine("R=<%RESULT%>", 0);
    templates.EndTemplate();
    table.SetReplySender([this](DWORD threadId, CHttpCommand* command) {
      std::unique_ptr<CHttpCommand> owned(command);
      std::unique_ptr<CHttpResponse> reply(owned->TakeReply());
      replies.push_back(std::to_string(reply->m_status) + " " + reply->m_body.str());
      return TRUE;
    });
    window.client = &client;
    ASSERT_TRUE(window.CreateEx(0, AfxRegisterWndClass(0), "notices", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    clients.SetOwner(window.m_hWnd, kClientNotice);
  }
  void TearDown() override {
    client.SetShuttingDown(true);
    clients.CloseAll();
    window.DestroyWindow();
  }
  // Starts a device in `mode` and lists it in the project as number `number`.
  void AddDevice(DWORD number, const std::string& mode) {
    Device& device = running[number];
    device.record = sandbox.HostPath("record-" + std::to_string(number) + ".jsonl");
    device.process = std::make_unique<PeerProcess>(std::vector<std::string>{
        "python3", std::string(CONTROLLER_TEST_SOURCE_DIR) + "/fake_device.py", mode, device.record});
    device.port = std::stoi(device.process->ReadLine());
    projectText += "<device><DEVNUM>" + std::to_string(number) + "</DEVNUM><DEVUID>DEV</DEVUID>" +
                   "<SVCADDRESS>127.0.0.1</SVCADDRESS><SVCPORT>" + std::to_string(device.port) + "</SVCPORT></device>";
  }
  // Lists a device at an address where no service answers.
  void AddAddress(DWORD number, const std::string& address, int port) {
    projectText += "<device><DEVNUM>" + std::to_string(number) + "</DEVNUM><DEVUID>DEV</DEVUID>" + "<SVCADDRESS>" +
                   address + "</SVCADDRESS><SVCPORT>" + std::to_string(port) + "</SVCPORT></device>";
  }
  void ReadProject() {
    qh::testing::WriteHostFile(sandbox.HostPath("C/site/config/project.xml"), "<project>" + projectText + "</project>");
    qh::testing::WriteHostFile(
        sandbox.HostPath("C/site/sysdevices/DEV.xml"),
        "<root><rootDevice/><action><name>Query</name><desc>d</desc><argumentList>"
        "<argument><name>Text</name><seq>1</seq><direction>in</direction><dataType>string</dataType></argument>"
        "<argument><name>Result</name><seq>2</seq><direction>out</direction><dataType>string</dataType></argument>"
        "</argumentList></action></root>");
    devices.ReadProjectX("C:\\site", log);
  }
  CRemoteCommand* NewRun(DWORD number) {
    auto* run = new CRemoteCommand;
    run->SetTransactionNumber(number);
    run->SetBody("/COMMAND", session);
    run->SetConnection(0x1234);
    table.FileTransaction(run);
    return run;
  }
  void Queue(CRemoteCommand& run, DWORD deviceNumber, const char* text) {
    CDeviceDescription* device = devices.GetSelectedDevice(deviceNumber, log);
    ASSERT_NE(device, nullptr);
    std::vector<CActionArgumentNode> nodes(4);
    nodes[2].m_kind = CActionArgumentNode::kLiteral;
    nodes[2].m_literal.SetString(text);
    nodes[3].m_kind = CActionArgumentNode::kName;
    nodes[3].m_name = "RESULT";
    auto* pending = new CPendingCommand;
    pending->m_actionXml = client.BuildActionXml(*device->FindAction("Query"), session.get(), pending->m_actionId,
                                                 run.GetTransactionNumber(), 0, 2, nodes);
    pending->m_deviceNumber = deviceNumber;
    pending->m_transactionNumber = run.GetTransactionNumber();
    ASSERT_TRUE(run.AddAction(pending->m_actionId, pending));
  }
  bool Pump(const std::function<bool()>& done, int milliseconds = 10000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
      MSG msg;
      while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }
  std::vector<std::string> Requests(DWORD number) {
    std::ifstream file(running[number].record);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
  }

  qh::testing::TestSandbox sandbox;
  CControllerLog log;
  std::shared_ptr<CSession> session = std::make_shared<CSession>();
  CTemplateHandler templates;
  CTransactionTable table{templates, log};
  CProjectDevices devices;
  CClientSocketManager clients;
  CActionClient client{devices, clients, table, log};
  NoticeWindow window;
  std::map<DWORD, Device> running;
  std::string projectText;
  std::vector<std::string> replies;
};

TEST_F(DeviceTraffic, ActionsGoOneDocumentPerDeviceAndAnswersFillTheSession) {
  AddDevice(1, "echo");
  AddDevice(2, "echo");
  ReadProject();
  CRemoteCommand* run = NewRun(1);
  Queue(*run, 1, "first & <one>");
  Queue(*run, 2, "second");
  Queue(*run, 1, "third");
  EXPECT_EQ(client.SendTransactionActions(*run), 2);
  ASSERT_TRUE(Pump([&] { return table.FindTransaction(1) == nullptr; }));
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0], "200 R=echo:Result\r\n");
  auto first = Requests(1);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_NE(first[0].find("\"path\": \"/control\""), std::string::npos) << first[0];
  EXPECT_NE(first[0].find("\"type\": \"text/xml\""), std::string::npos) << first[0];
  EXPECT_NE(first[0].find("<?xml version=\\\"1.0\\\" encoding=\\\"iso-8859-1\\\"?><actionList><action>"
                          "<actionName>Query</actionName><transID>1</transID><actionID>1</actionID>"),
            std::string::npos)
      << first[0];
  EXPECT_NE(first[0].find("<value>first &amp; &lt;one&gt;</value>"), std::string::npos) << first[0];
  EXPECT_LT(first[0].find("<actionID>1</actionID>"), first[0].find("<actionID>3</actionID>")) << "in id order";
  EXPECT_EQ(Requests(2).size(), 1u);
  EXPECT_EQ(Requests(2)[0].find("<actionID>1</actionID>"), std::string::npos);
}

TEST_F(DeviceTraffic, RunsQueuedWhileConnectingGoOutOnceConnectedAndSlowAnswersComplete) {
  AddDevice(1, "slow");
  ReadProject();
  CRemoteCommand* a = NewRun(1);
  Queue(*a, 1, "a");
  CRemoteCommand* b = NewRun(2);
  Queue(*b, 1, "b");
  EXPECT_EQ(client.SendTransactionActions(*a), 1);
  EXPECT_EQ(client.SendTransactionActions(*b), 1);
  ASSERT_TRUE(Pump([&] { return table.GetCount() == 0; }));
  EXPECT_EQ(replies.size(), 2u);
  EXPECT_EQ(Requests(1).size(), 2u);
}

TEST_F(DeviceTraffic, AnErrorStatusAnswersTheRunAtOnceAMalformedAnswerLeavesItToItsTimeOut) {
  AddDevice(1, "error");
  AddDevice(2, "malformed");
  ReadProject();
  CRemoteCommand* run = NewRun(1);
  Queue(*run, 1, "x");
  Queue(*run, 2, "y");
  CRemoteCommand* errorOnly = NewRun(2);
  Queue(*errorOnly, 1, "z");
  client.SendTransactionActions(*run);
  client.SendTransactionActions(*errorOnly);
  ASSERT_TRUE(Pump([&] { return table.FindTransaction(2) == nullptr; })) << "refused by its only device";
  // Two documents for the refusing device, one for the malformed one.
  ASSERT_TRUE(Pump([&] { return client.GetResponseCount() == 3; }));
  ASSERT_NE(table.FindTransaction(1), nullptr);
  EXPECT_EQ(table.FindTransaction(1)->GetPendingCount(), 1u) << "the malformed answer's action still waits";
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0], "200 R=\r\n");
  table.CheckTransactionTimeouts(std::time(nullptr) + 181);
  EXPECT_EQ(table.GetCount(), 0);
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[1], "200 R=\r\n") << "unanswered values keep their old (absent) value";
}

// A device whose name does not resolve, or where nothing listens, answers its waiting run at once
// (well inside the 180 s time-out), and only that device's actions are given up.
TEST_F(DeviceTraffic, AnUnreachableDeviceAnswersItsRunAtOnce) {
  AddDevice(1, "echo");
  AddAddress(2, "nohost.invalid", 80);
  int closed = 0;
  {
    Device& spare = running[9];
    spare.record = sandbox.HostPath("record-9.jsonl");
    spare.process = std::make_unique<PeerProcess>(std::vector<std::string>{
        "python3", std::string(CONTROLLER_TEST_SOURCE_DIR) + "/fake_device.py", "echo", spare.record});
    closed = std::stoi(spare.process->ReadLine());
    spare.process.reset();  // its port is free again: nothing listens there
  }
  AddAddress(3, "127.0.0.1", closed);
  ReadProject();
  for (DWORD unreachable : {2u, 3u}) {
    SCOPED_TRACE(unreachable);
    replies.clear();
    session->SetStringVariable("RESULT", "old");
    CRemoteCommand* run = NewRun(unreachable);
    Queue(*run, 1, "reached");
    Queue(*run, unreachable, "lost");
    client.SendTransactionActions(*run);
    auto begun = std::chrono::steady_clock::now();
    ASSERT_TRUE(Pump([&] { return table.FindTransaction(unreachable) == nullptr; }, 30000));
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(30));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], "200 R=echo:Result\r\n") << "the reachable device's answer is in the page";
  }
  CRemoteCommand* alone = NewRun(5);
  Queue(*alone, 2, "lost");
  replies.clear();
  client.SendTransactionActions(*alone);
  ASSERT_TRUE(Pump([&] { return table.FindTransaction(5) == nullptr; }, 30000)) << "a second try fails as fast";
  EXPECT_EQ(replies.size(), 1u);
}

// An error of any code on a connection that is not up leaves nothing to answer the device's runs;
// on a connection that is up, only the listed codes end them.
TEST_F(DeviceTraffic, AnyErrorOnAConnectionThatIsNotUpAnswersItsRuns) {
  AddDevice(1, "slow");
  AddAddress(2, "127.0.0.1", 9);
  ReadProject();
  auto injectError = [&](DWORD threadId) {
    auto* notice = new CHttpNotice;
    notice->m_threadId = threadId;
    notice->m_code = 10013;  // not a code that names a lost connection
    notice->m_text = "ConnectStart: Error connecting to remote host";
    client.OnClientNotify(NOTICE_ERROR, reinterpret_cast<LPARAM>(notice));
  };
  CHttpSocketThread* idle = clients.OpenClientSocket();
  ASSERT_NE(idle, nullptr);
  ASSERT_TRUE(devices.AddConnection(2, idle->m_nThreadID));
  CRemoteCommand* lost = NewRun(1);
  Queue(*lost, 2, "never sent");
  injectError(idle->m_nThreadID);
  EXPECT_EQ(table.FindTransaction(1), nullptr) << "a connection that never came up answers at once";
  ASSERT_EQ(replies.size(), 1u);

  CRemoteCommand* waiting = NewRun(2);
  Queue(*waiting, 1, "answered late");
  client.SendTransactionActions(*waiting);
  ASSERT_TRUE(Pump([&] { return Requests(1).size() == 1; })) << "the document is with the device";
  DWORD connected = 0;
  ASSERT_TRUE(devices.FindConnection(1, connected));
  injectError(connected);
  EXPECT_NE(table.FindTransaction(2), nullptr) << "a connection that is up still answers";
  ASSERT_TRUE(Pump([&] { return table.FindTransaction(2) == nullptr; }));
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[1], "200 R=slow:Result\r\n");
}

TEST_F(DeviceTraffic, ADeviceThatClosesFinishesItsRunsAndIsReachedAgainLater) {
  AddDevice(1, "close");
  ReadProject();
  CRemoteCommand* run = NewRun(1);
  Queue(*run, 1, "x");
  client.SendTransactionActions(*run);
  ASSERT_TRUE(Pump([&] { return table.GetCount() == 0; }));
  EXPECT_EQ(replies.size(), 1u);
  CRemoteCommand* again = NewRun(2);
  Queue(*again, 1, "y");
  EXPECT_GE(client.SendTransactionActions(*again), 0);
  ASSERT_TRUE(Pump([&] { return Requests(1).size() == 2; })) << "the device is reachable after its connection ended";
  ASSERT_TRUE(Pump([&] { return table.GetCount() == 0; }));
}

TEST_F(DeviceTraffic, ADeviceOutsideTheProjectIsReported) {
  AddDevice(1, "echo");
  ReadProject();
  CRemoteCommand* run = NewRun(1);
  auto* pending = new CPendingCommand;
  pending->m_actionXml = "<action/>";
  pending->m_deviceNumber = 99;
  pending->m_actionId = 50;
  run->AddAction(50, pending);
  EXPECT_EQ(client.SendTransactionActions(*run), -1);
  EXPECT_EQ(run->GetPendingCount(), 0u) << "nothing will ever answer it";
}

}  // namespace
