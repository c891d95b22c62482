// Transactions and the action documents: pending actions, time-outs, lost connections, completion
// replies, the <action> element, and the values of actionResponse documents.
#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define QH_ADDRESS_SANITIZER 1
#else
#define QH_ADDRESS_SANITIZER 0
#endif

#include "controller/ActionClient.h"
#include "controller/ControllerLog.h"
#include "controller/ProjectDevices.h"
#include "controller/TemplateHandler.h"
#include "controller/TransactionTable.h"
#include "netlib/ClientSocketManager.h"
#include "netlib/DeviceDescription.h"
#include "netlib/Sessions.h"
#include "netlib/ThreadBlocks.h"

namespace {

struct SentReply {
  DWORD threadId;
  LONG status;
  std::string body;
  bool close;
};

class Transactions : public testing::Test {
 protected:
  void SetUp() override {
    session->Init(2, 1765371000, nullptr);
    templates.BeginTemplate("MAIN.HTM");
    templates.SplitLine("Main <%OUT%>", 0);
    templates.EndTemplate();
    table.SetReplySender([this](DWORD threadId, CHttpCommand* command) {
      if (refuseReplies) return FALSE;
      std::unique_ptr<CHttpCommand> owned(command);
      std::unique_ptr<CHttpResponse> reply(owned->TakeReply());
      sent.push_back({threadId, reply->m_status, reply->m_body.str(), reply->m_close});
      return TRUE;
    });
  }
  CPendingCommand* Pending(DWORD device, DWORD actionId, DWORD transaction) {
    auto* pending = new CPendingCommand;
    pending->m_deviceNumber = device;
    pending->m_actionId = actionId;
    pending->m_transactionNumber = transaction;
    pending->m_actionXml.Format("<action><actionID>%lu</actionID></action>", actionId);
    return pending;
  }
  CRemoteCommand* Run(DWORD number, DWORD handler, std::time_t when = 1765371000) {
    auto* record = new CRemoteCommand;
    record->SetTransactionNumber(number);
    record->SetTimeStamp(when);
    record->SetBody("/COMMAND", session);
    record->SetConnection(handler);
    EXPECT_TRUE(table.FileTransaction(record));
    return record;
  }

  std::shared_ptr<CSession> session = std::make_shared<CSession>();
  CTemplateHandler templates;
  CControllerLog log;
  CTransactionTable table{templates, log};
  CProjectDevices devices;
  CClientSocketManager clients;
  CActionClient client{devices, clients, table, log};
  std::vector<SentReply> sent;
  bool refuseReplies = false;
};

// The refused command is freed at once (AddAction owns it either way): under AddressSanitizer its
// memory is poisoned from then on; every build checks that the first command stays the one pending.
TEST_F(Transactions, ADuplicateActionIdIsRefusedWithoutALeak) {
  CRemoteCommand record;
  CPendingCommand* first = Pending(1, 7, 1);
  CPendingCommand* duplicate = Pending(2, 7, 1);
  ASSERT_TRUE(record.AddAction(7, first));
  EXPECT_FALSE(record.AddAction(7, duplicate));
#if QH_ADDRESS_SANITIZER
  EXPECT_TRUE(__asan_address_is_poisoned(duplicate)) << "the refused command was kept alive";
#endif
  EXPECT_EQ(record.GetPendingCount(), 1u);
  ASSERT_EQ(record.FindAction(7), first);
  EXPECT_EQ(first->m_deviceNumber, 1u);
  EXPECT_FALSE(record.AddAction(8, nullptr));
  EXPECT_EQ(record.FindAction(8), nullptr);
  EXPECT_EQ(record.GetPendingCount(), 1u);
}

// A device given up in one run: its actions and unsent group go; the run answers when nothing else
// is pending, and a run without actions for that device is left alone.
TEST_F(Transactions, AGivenUpDeviceAnswersTheRunWhenNothingElseWaits) {
  session->SetStringVariable("SYSCURPAGE", "MAIN.HTM");
  CRemoteCommand* run = Run(5, 0x1008);
  run->AddAction(1, Pending(1, 1, 5));
  run->AddAction(2, Pending(2, 2, 5));
  run->AddAction(3, Pending(1, 3, 5));
  run->AddToDeviceGroup(1, "<action/>");
  CRemoteCommand* other = Run(6, 0x1010);
  other->AddAction(4, Pending(2, 4, 6));
  EXPECT_EQ(table.GiveUpDevice(5, 1), 2);
  EXPECT_EQ(run->GetPendingCount(), 1u);
  EXPECT_STREQ(run->GetDeviceGroup(1), "");
  EXPECT_TRUE(sent.empty()) << "device 2 is still waited for";
  EXPECT_EQ(table.GiveUpDevice(6, 1), 0);
  EXPECT_NE(table.FindTransaction(6), nullptr);
  EXPECT_EQ(table.GiveUpDevice(5, 2), 1);
  EXPECT_EQ(table.FindTransaction(5), nullptr);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].threadId, 0x1008u);
  EXPECT_EQ(sent[0].status, 200);
  EXPECT_EQ(table.GiveUpDevice(5, 2), 0) << "a run that has gone";
}

TEST_F(Transactions, TheLastAnswerSendsTheReplyPageAndRemovesTheRun) {
  session->SetStringVariable("SYSNEXTPAGE", "Main.htm");
  session->SetStringVariable("SYSCURPAGE", "DEFAULT.HTM");
  CRemoteCommand* run = Run(5, 0x1008);
  run->AddAction(1, Pending(1, 1, 5));
  run->AddAction(2, Pending(2, 2, 5));
  CValueNode none;
  client.ProcessActionResponse([] {
    CHttpResponse response;
    response.m_body =
        "<actionResponseList><actionResponse><actionName>A</actionName><actionID>1</actionID><transID>5</transID>"
        "<actionReturnCode>0</actionReturnCode><argument><name>X</name><hostvar>out</hostvar><value>v1</value>"
        "</argument></actionResponse></actionResponseList>";
    return response;
  }());
  EXPECT_TRUE(sent.empty()) << "one action is still pending";
  EXPECT_EQ(table.CountPendingForAction(5, 2), 1);
  CHttpResponse second;
  second.m_body = "<actionResponse><actionID>2</actionID><transID>5</transID><actionReturnCode>-3</actionReturnCode>"
                  "</actionResponse>";
  client.ProcessActionResponse(second);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].threadId, 0x1008u);
  EXPECT_EQ(sent[0].status, 200);
  EXPECT_EQ(sent[0].body, "Main v1\r\n");
  EXPECT_FALSE(sent[0].close);
  EXPECT_EQ(table.FindTransaction(5), nullptr);
  EXPECT_STREQ(session->GetVariableText("SYSCURPAGE"), "Main.htm");
  EXPECT_STREQ(session->GetVariableText("SYSPREVPAGE"), "DEFAULT.HTM");
}

TEST_F(Transactions, ReplyPagesByThePageVariables) {
  struct Case {
    const char* next;
    const char* current;
    LONG status;
  } cases[] = {{"", "", 204}, {"", "main.htm", 200}, {"nothing.htm", "", 404}};
  DWORD number = 10;
  for (const auto& c : cases) {
    session->SetStringVariable("SYSNEXTPAGE", c.next);
    session->SetStringVariable("SYSCURPAGE", c.current);
    Run(number, 0x2000);
    sent.clear();
    EXPECT_EQ(table.SendCompletionReply(number), c.status);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].status, c.status);
    EXPECT_EQ(sent[0].close, c.status >= 400);
    ++number;
  }
}

TEST_F(Transactions, RunsWithoutAWaitingBrowserCompleteSilently) {
  Run(3, 0);
  EXPECT_EQ(table.SendCompletionReply(3), 200);
  Run(4, 0x3000);
  EXPECT_EQ(table.DetachHandlerThread(0x3000), 1);
  EXPECT_EQ(table.SendCompletionReply(4), 200);
  EXPECT_TRUE(sent.empty());
}

TEST_F(Transactions, ARefusedReplyIsFreedAndTheRunStillEnds) {
  session->SetStringVariable("SYSCURPAGE", "MAIN.HTM");
  CRemoteCommand* run = Run(6, 0x4000);
  run->AddAction(9, Pending(1, 9, 6));
  refuseReplies = true;
  CHttpResponse answer;
  answer.m_body = "<actionResponse><actionID>9</actionID><transID>6</transID></actionResponse>";
  client.ProcessActionResponse(answer);
  EXPECT_EQ(table.FindTransaction(6), nullptr);
}

TEST_F(Transactions, RunsTimeOutOnlyAfterMoreThan180Seconds) {
  session->SetStringVariable("SYSCURPAGE", "MAIN.HTM");
  CRemoteCommand* run = Run(7, 0x5000, 1000);
  run->AddAction(1, Pending(1, 1, 7));
  table.CheckTransactionTimeouts(1180);
  EXPECT_NE(table.FindTransaction(7), nullptr) << "exactly 180 s old is not yet timed out";
  table.CheckTransactionTimeouts(1181);
  EXPECT_EQ(table.FindTransaction(7), nullptr);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].status, 200);
}

TEST_F(Transactions, ALostConnectionDropsOnlyItsDevicesActions) {
  session->SetStringVariable("SYSCURPAGE", "MAIN.HTM");
  ASSERT_TRUE(devices.AddConnection(1, 0x7001));
  ASSERT_TRUE(devices.AddConnection(2, 0x7002));
  EXPECT_FALSE(devices.AddConnection(1, 0x7003));
  CRemoteCommand* both = Run(8, 0x6000);
  both->AddAction(1, Pending(1, 1, 8));
  both->AddAction(2, Pending(2, 2, 8));
  both->AddAction(3, Pending(1, 3, 8));
  CRemoteCommand* only = Run(9, 0x6001);
  only->AddAction(4, Pending(1, 4, 9));
  EXPECT_EQ(table.FinishTransaction(0x7001, devices), 3);
  EXPECT_EQ(table.CountPendingForAction(8, 2), 1) << "the other device's action still waits";
  EXPECT_EQ(table.FindTransaction(9), nullptr);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].threadId, 0x6001u);
  EXPECT_EQ(table.FinishTransaction(0x9999, devices), 0) << "an unknown connection drops nothing";
}

TEST_F(Transactions, ActionElementsCarryValuesEscapedAndHostVariablesAsGiven) {
  CActionDescription action;
  action.SetInfo("SetText", "test");
  auto add = [&](const char* name, LONG seq, bool input) {
    auto* argument = new CArgumentDescription;
    argument->SetInfo(name, "", seq, input, ARGTYPE_STRING);
    action.AddArgument(argument);
  };
  add("Zone", 1, true);
  add("Text", 2, true);
  add("Result", 3, false);
  add("Echo", 4, false);
  add("Extra", 5, true);
  action.SortArguments();
  session->SetStringVariable("msg", "a<b & \"c\"");
  std::vector<CActionArgumentNode> nodes(6);
  nodes[2].m_kind = CActionArgumentNode::kLiteral;
  nodes[2].m_literal.SetI4(3);
  nodes[3].m_kind = CActionArgumentNode::kName;
  nodes[3].m_name = "msg";
  nodes[4].m_kind = CActionArgumentNode::kName;
  nodes[4].m_name = "R<1>";
  nodes[5].m_kind = CActionArgumentNode::kLiteral;
  nodes[5].m_literal.SetString("lit");
  DWORD first = 0, second = 0;
  CString xml = client.BuildActionXml(action, session.get(), first, 12, 0, 2, nodes);
  EXPECT_EQ(first, 1u);
  EXPECT_STREQ(xml,
               "<action><actionName>SetText</actionName><transID>12</transID><actionID>1</actionID>"
               "<subDevice>0</subDevice>"
               "<argument><name>Zone</name><direction>in</direction><value>3</value><seq>1</seq></argument>"
               "<argument><name>Text</name><direction>in</direction><value>a&lt;b &amp; &quot;c&quot;</value>"
               "<seq>2</seq></argument>"
               "<argument><name>Result</name><direction>out</direction><hostvar>R<1></hostvar><seq>3</seq></argument>"
               "<argument><name>Echo</name><direction>out</direction><hostvar></hostvar><seq>4</seq></argument>"
               "<argument><name>Extra</name><direction>in</direction><value></value><seq>5</seq></argument>"
               "</action>");
  client.BuildActionXml(action, session.get(), second, 12, 0, 2, nodes);
  EXPECT_EQ(second, 2u) << "every element gets the next action id";
}

TEST_F(Transactions, ReturnedArraysAreBoundedAndShaped) {
  Run(20, 0)->AddAction(1, Pending(1, 1, 20));
  Run(21, 0)->AddAction(2, Pending(1, 2, 21));
  CHttpResponse response;
  response.m_body =
      "<actionResponseList>"
      "<actionResponse><transID>20</transID><actionID>1</actionID>"
      "<argument><hostvar>ARR</hostvar><arraycount>3</arraycount>"
      "<arrayitem><arrayindex>0</arrayindex><arrayvalue>zero</arrayvalue></arrayitem>"
      "<arrayitem><arrayindex>2</arrayindex><arrayvalue>two</arrayvalue></arrayitem></argument>"
      "<argument><hostvar>EMPTY</hostvar><arraycount>-4</arraycount></argument>"
      "<argument><hostvar>HUGE</hostvar><arraycount>2000000000</arraycount>"
      "<arrayitem><arrayindex>1999999999</arrayindex><arrayvalue>far</arrayvalue></arrayitem></argument>"
      "<argument><value>lost</value></argument>"
      "</actionResponse>"
      "<actionResponse><transID>0</transID><actionID>2</actionID></actionResponse>"
      "</actionResponseList>";
  client.ProcessActionResponse(response);
  EXPECT_EQ(session->CountArrayItems("ARR"), 3);
  CString text;
  EXPECT_TRUE(session->GetArrayItemText("ARR", 1, text));
  EXPECT_STREQ(text, "");
  EXPECT_TRUE(session->GetArrayItemText("ARR", 2, text));
  EXPECT_STREQ(text, "two");
  CValueNode empty;
  ASSERT_TRUE(session->GetVariable("EMPTY", empty));
  EXPECT_EQ(empty.GetItemCount(), 0);
  EXPECT_EQ(session->CountArrayItems("HUGE"), CSession::kMaxArrayItems);
  EXPECT_EQ(table.FindTransaction(20), nullptr);
  EXPECT_NE(table.FindTransaction(21), nullptr) << "an answer without a transaction number is ignored";
}

TEST_F(Transactions, MalformedAnswersChangeNothing) {
  Run(30, 0)->AddAction(1, Pending(1, 1, 30));
  for (const char* body : {"", "<actionResponse><transID>30</transID><actionID>1</actionID>", "not xml at all",
                           "<!DOCTYPE x [<!ENTITY a 'b'>]><actionResponse><transID>30</transID></actionResponse>"}) {
    CHttpResponse response;
    response.m_body = body;
    client.ProcessActionResponse(response);
    EXPECT_NE(table.FindTransaction(30), nullptr) << body;
  }
}

}  // namespace
