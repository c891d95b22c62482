// The statement language: tokens and trees, assignments and their errors, and every command with
// its checks, run against a session as a /COMMAND form runs them.
#include <gtest/gtest.h>

#include "controller/ActionClient.h"
#include "controller/CommandParser.h"
#include "controller/ControllerLog.h"
#include "controller/MacroManager.h"
#include "controller/ProjectDevices.h"
#include "controller/RemoteCommand.h"
#include "controller/Scheduler.h"
#include "controller/StatementExecutor.h"
#include "controller/TemplateHandler.h"
#include "controller/TransactionTable.h"
#include "netlib/ClientSocketManager.h"
#include "netlib/Sessions.h"
#include "platform/core/testing/TestSandbox.h"

namespace {

std::vector<std::string> Tokens(const char* text, size_t& offset) {
  std::vector<std::string> tokens;
  CCommandParser::GetStatementTokens(text, offset, tokens);
  return tokens;
}

TEST(Tokenizer, CutsWordsQuotesAndSigns) {
  struct Case {
    const char* text;
    std::vector<std::string> tokens;
    size_t offset;
  } cases[] = {
      {"SYSNEXTPAGE('A.HTM');", {"SYSNEXTPAGE", "(", "'A.HTM'", ")"}, 21},
      {"A-B", {"A", "-B"}, 3},
      {"X = 'it''s';", {"X", "=", "'it's'"}, 12},
      {"X = 'a;b'; Y=1;", {"X", "=", "'a;b'"}, 10},
      {"A = 'abc", {"A", "="}, 8},
      {"L[2.5]=-12", {"L", "[", "2.5", "]", "=", "-12"}, 10},
      {"A\x01=\x7F\xE9" "1", {"A", "=", "1"}, 6},
      {";", {}, 1},
  };
  for (const auto& c : cases) {
    size_t offset = 0;
    EXPECT_EQ(Tokens(c.text, offset), c.tokens) << c.text;
    EXPECT_EQ(offset, c.offset) << c.text;
  }
}

TEST(Parser, BuildsTreesOrRefusesWithTheOffsetReached) {
  struct Case {
    const char* text;
    bool parsed;
    size_t offset;
  } cases[] = {
      {"SYSNEXTPAGE('A.HTM')", true, 20}, {"A = 5", true, 5},          {"A = B C;", false, 8},
      {"A[1][2] = 3;", false, 12},        {"F(X[1]);", false, 8},       {"5 = A;", false, 6},
      {"A;", false, 2},                   {"A[1];", false, 5},          {"", false, 0},
      {"F(1", true, 3},                   {"A =", true, 3},             {"F();", true, 4},
      {"F(,1);", false, 6},               {"A[I] = B[2];", true, 12},   {"A = 'x'[1];", false, 11},
  };
  for (const auto& c : cases) {
    size_t offset = 0;
    EXPECT_EQ(CCommandParser::ParseStatement(c.text, offset) != nullptr, c.parsed) << c.text;
    EXPECT_EQ(offset, c.offset) << c.text;
  }
  size_t offset = 0;
  auto element = CCommandParser::ParseStatement("A[I] = B[2];", offset);
  ASSERT_TRUE(element);
  EXPECT_EQ(element->m_kind, NODE_ASSIGNMENT);
  EXPECT_EQ(element->m_left->m_kind, NODE_ELEMENT);
  EXPECT_EQ(element->m_left->m_right->m_kind, NODE_NAME);
  EXPECT_EQ(element->m_right->m_kind, NODE_ELEMENT);
  EXPECT_EQ(element->m_right->m_right->m_value.GetType(), ARGTYPE_I4);
  offset = 0;
  auto literals = CCommandParser::ParseStatement("F(12AB, 1.2.3, -, 'q', N)", offset);
  ASSERT_TRUE(literals);
  ASSERT_EQ(literals->m_arguments.size(), 5u);
  EXPECT_EQ(literals->m_arguments[0]->m_value.GetI4(), 12);
  EXPECT_DOUBLE_EQ(literals->m_arguments[1]->m_value.GetR8(), 1.2);
  EXPECT_EQ(literals->m_arguments[2]->m_value.GetI4(), 0);
  EXPECT_STREQ(literals->m_arguments[3]->m_value.GetString(), "q");
  EXPECT_EQ(literals->m_arguments[4]->m_kind, NODE_NAME);
}

TEST(Parser, StatementsAreBoundedInSize) {
  std::string many = "F(";
  for (size_t i = 0; i < CCommandParser::kMaxTokens; ++i) many += "1,";
  many += "1);B=2;";
  size_t offset = 0;
  EXPECT_EQ(CCommandParser::ParseStatement(many.c_str(), offset), nullptr);
  EXPECT_EQ(offset, many.size() - 4) << "the refused statement is consumed up to its ';'";
  EXPECT_NE(CCommandParser::ParseStatement(many.c_str(), offset), nullptr);
  std::string huge = "A='" + std::string(CCommandParser::kMaxTokenLength + 1, 'x') + "';";
  offset = 0;
  EXPECT_EQ(CCommandParser::ParseStatement(huge.c_str(), offset), nullptr);
}

class Statements : public testing::Test {
 protected:
  void SetUp() override {
    session->Init(2, 1765371000, nullptr);
    qh::testing::WriteHostFile(
        sandbox.HostPath("C/site/config/project.xml"),
        "<project><device><DEVNUM>3</DEVNUM><DEVNAME>Jukebox</DEVNAME><DEVUID>DEV</DEVUID>"
        "<SVCADDRESS>127.0.0.1</SVCADDRESS><SVCPORT>9</SVCPORT></device>"
        "<device><DEVNUM>5</DEVNUM><DEVNAME>Lights</DEVNAME><DEVUID>NONE</DEVUID></device></project>");
    qh::testing::WriteHostFile(
        sandbox.HostPath("C/site/sysdevices/DEV.xml"),
        "<root><rootDevice/><action><name>Play</name><desc>Plays</desc><argumentList>"
        "<argument><name>Zone</name><desc>The zone</desc><seq>1</seq><direction>in</direction>"
        "<dataType>ui1</dataType></argument>"
        "<argument><name>State</name><desc>After</desc><seq>2</seq><direction>out</direction>"
        "<dataType>string</dataType></argument></argumentList></action>"
        "<action><name>Stop</name><desc>Stops</desc><argumentList/></action></root>");
    devices.ReadProjectX("C:\\site", log);
    macros.ReadMacros("C:\\site\\config\\macros.xml");
    schedule.ReadSchedule("C:\\site\\config\\schedule.xml");
    run.SetTransactionNumber(40);
    run.SetBody("/COMMAND", session);
    RequestParamMap params;
    params["page"] = "Main.htm";
    run.SetRequestParams(params);
  }
  // The results of every statement of `text`, or {-1000 - offset} for a syntax error.
  std::vector<LONG> Run(const char* text, CRemoteCommand* target = nullptr) {
    StatementList statements;
    std::vector<LONG> results;
    CStatementExecutor::ParseText(text, statements, [&](size_t offset) { results.push_back(-1000 - static_cast<LONG>(offset)); });
    for (const auto& statement : statements) results.push_back(executor.ExecuteStatement(*statement, target ? *target : run));
    return results;
  }
  CString Text(const char* name) { return session->GetHostVariableText(name); }
  std::vector<std::string> Items(const char* name) {
    std::vector<std::string> items;
    CValueNode value;
    if (session->GetVariable(name, value))
      for (int i = 0; i < value.GetItemCount(); ++i) {
        CValueNode item;
        value.GetItem(i, item);
        items.push_back(item.ToText().str());
      }
    return items;
  }

  qh::testing::TestSandbox sandbox;
  CControllerLog log;
  std::shared_ptr<CSession> session = std::make_shared<CSession>();
  CProjectDevices devices;
  CMacroManager macros;
  CSchedEventManager schedule;
  CTemplateHandler templates;
  CTransactionTable table{templates, log};
  CClientSocketManager clients;
  CActionClient actions{devices, clients, table, log};
  CStatementExecutor executor{log, devices, macros, schedule, actions};
  CRemoteCommand run;
};

TEST_F(Statements, AssignmentsAndTheirErrors) {
  struct Case {
    const char* text;
    std::vector<LONG> results;
  } cases[] = {
      {"A=1; X=; B=2;", {1, -101, 1}},
      {"A=1; 5=B; C=3;", {-1009, 1}},  // the syntax error is reported while parsing, before any run
      {"L[2.9]='x';", {1}},
      {"S='s'; L[S]='x';", {1, -6}},
      {"L[-1]='x';", {-6}},
      {"L[1e300]='x';", {1}},  // a number token without a dot, read with atol: 1
      {"L[Missing]='x';", {-5}},
      {"L[2000000000]='x';", {-6}},
      {"N = Missing;", {1}},
      {"T = true; F = False; Q = 'TRUE';", {1, 1, 1}},
  };
  for (const auto& c : cases) EXPECT_EQ(Run(c.text), c.results) << c.text;
  EXPECT_EQ(Items("L"), (std::vector<std::string>{"", "x", "x"})) << "L[1e300] is L[1]: atol stops at the e";
  EXPECT_STREQ(Text("A"), "1");
  EXPECT_STREQ(Text("B"), "2");
  EXPECT_STREQ(Text("C"), "");
  EXPECT_STREQ(Text("N"), "");
  EXPECT_STREQ(Text("T"), "1");
  CValueNode t;
  ASSERT_TRUE(session->GetVariable("T", t));
  EXPECT_EQ(t.GetType(), ARGTYPE_BOOLEAN);
  EXPECT_STREQ(Text("Q"), "TRUE");
  EXPECT_EQ(Run("X = L[5]; Y = L[-1]; Z = L[1]; W = L[1.9]; V = L[S];"), (std::vector<LONG>{1, 1, 1, 1, 1}));
  EXPECT_STREQ(Text("X"), "");
  EXPECT_STREQ(Text("Z"), "x");
  EXPECT_STREQ(Text("W"), "x") << "a real index is cut to its whole part, as in an assignment";
  EXPECT_STREQ(Text("V"), "") << "a text index reads nothing";
}

TEST_F(Statements, PageLogAndFormCommands) {
  struct Case {
    const char* text;
    std::vector<LONG> results;
  } cases[] = {
      {"sysnextpage('x.htm');", {1}},
      {"SYSNEXTPAGE(5);", {-7}},
      {"SYSNEXTPAGE(Missing);", {-5}},
      {"SYSWRITETOLOG();", {-3}},
      {"SYSGETCGIVAR('page', P);", {1}},
      {"SYSGETCGIVAR('page', 'P');", {-13}},
      {"SYSGETCGIVAR('none', P);", {1}},
      {"FOO(1);", {-2}},
      {"A[1](X);", {-1}},
  };
  for (const auto& c : cases) EXPECT_EQ(Run(c.text), c.results) << c.text;
  EXPECT_STREQ(session->GetVariableText("SYSNEXTPAGE"), "x.htm");
  EXPECT_STREQ(Text("P"), "Main.htm");
  EXPECT_EQ(Run("SYSNEXTPAGE();"), std::vector<LONG>{1});
  EXPECT_STREQ(session->GetVariableText("SYSNEXTPAGE"), "");
  CRemoteCommand macroRun;
  macroRun.SetBody("", session);
  EXPECT_EQ(Run("SYSGETCGIVAR('page', P);", &macroRun), std::vector<LONG>{-14});
}

TEST_F(Statements, DeviceCommandsQueueActionsOfTheRun) {
  struct Case {
    const char* text;
    LONG result;
  } cases[] = {
      {"DEVICECMD(3, 'Play', 2, STATE);", 0},
      {"SUBDEVICECMD(3, 1, 'Stop');", 0},
      {"DEVICECMD('3', 'Play');", -4},
      {"DEVICECMD(3, Missing);", -6},
      {"DEVICECMD(3, 7);", -7},
      {"DEVICECMD(9, 'Play');", -8},
      {"DEVICECMD(3, 'play');", -9},
      {"DEVICECMD(5, 'Play');", -9},
      {"DEVICECMD(3);", -3},
      {"SUBDEVICECMD(3, 'Stop');", -3},
  };
  for (const auto& c : cases) EXPECT_EQ(Run(c.text), std::vector<LONG>{c.result}) << c.text;
  EXPECT_EQ(run.GetPendingCount(), 2u);
  run.BeginActions();
  CPendingCommand* play = run.NextAction();
  ASSERT_NE(play, nullptr);
  EXPECT_EQ(play->m_deviceNumber, 3u);
  EXPECT_EQ(play->m_transactionNumber, 40u);
  EXPECT_EQ(play->m_devicePort, 9u);
  EXPECT_NE(play->m_actionXml.Find("<value>2</value>"), -1);
  EXPECT_NE(play->m_actionXml.Find("<hostvar>STATE</hostvar>"), -1);
  CPendingCommand* stop = run.NextAction();
  ASSERT_NE(stop, nullptr);
  EXPECT_NE(stop->m_actionXml.Find("<subDevice>1</subDevice>"), -1);
}

TEST_F(Statements, QueriesFillArrays) {
  EXPECT_EQ(Run("SYSQRYDEVICES(NUM, NAME); SYSQRYDEVICECOMMANDS('3', ACT, DESC); SYSQRYCOMMANDARGS(3, 'Play', AN, AD, "
                "AT); SYSQRYDEVICECOMMANDS(0, X0, Y0); SYSQRYDEVICECOMMANDS(8, X8, Y8);"),
            (std::vector<LONG>{1, 1, 1, 1, 1}));
  EXPECT_EQ(Items("NUM"), (std::vector<std::string>{"3", "5"}));
  EXPECT_EQ(Items("NAME"), (std::vector<std::string>{"Jukebox", "Lights"}));
  EXPECT_EQ(Items("ACT"), (std::vector<std::string>{"Play", "Stop"}));
  EXPECT_EQ(Items("DESC"), (std::vector<std::string>{"Plays", "Stops"}));
  EXPECT_EQ(Items("AN"), (std::vector<std::string>{"Zone"}));
  EXPECT_EQ(Items("AT"), (std::vector<std::string>{"INTEGER (UI1)"}));
  EXPECT_EQ(session->GetVariableCount(), 9) << "device 0 does nothing; an unknown device stores empty arrays";
  EXPECT_EQ(Run("SYSQRYMACROS(N, 'D'); SYSQRYMACROS(N); SYSQRYDEVICES(N, 5);"), (std::vector<LONG>{-13, -3, -13}));
}

TEST_F(Statements, MacroCommands) {
  EXPECT_EQ(Run("SYSADDMACRO('Wake', 'Wakes', 'A=1;'); SYSADDMACRO('Wake', 'Again', 'B=1;'); "
                "SYSADDMACRO('Empty', 'd', ''); SYSADDMACRO('', 'd', 'A=1;'); SYSADDMACRO('Quiet', '', 'A=2;');"
                "SYSQRYMACROS(MN, MD);"),
            (std::vector<LONG>{1, 1, -99, -99, 1, 1}));
  EXPECT_EQ(Items("MN"), (std::vector<std::string>{"Quiet", "Wake"}));
  EXPECT_EQ(Items("MD"), (std::vector<std::string>{"", "Wakes"}));
  EXPECT_EQ(Run("SYSDELMACRO('Wake'); SYSDELMACRO('Nothing'); SYSDELMACRO('');"), (std::vector<LONG>{1, 1, -99}));
  EXPECT_EQ(macros.GetCount(), 1);
  std::string file = qh::testing::ReadHostFile(sandbox.HostPath("C/site/config/macros.xml"));
  EXPECT_NE(file.find("    <name>Quiet</name>\r\n"), std::string::npos) << file;
}

TEST_F(Statements, ScheduleCommands) {
  struct Case {
    const char* text;
    LONG result;
  } cases[] = {
      {"SYSADDSCHEDULE('Wake', 2035, 2, 30, 7, 0, 0, 'D', 1, 0, 0, 0, 0, 'NEWID');", 1},
      {"SYSADDSCHEDULE('Late', 2200, 1, 1, 7, 0, 0, 'N', 0, 0, 0, 0, 0, 'X');", -99},
      {"SYSADDSCHEDULE('Early', 2003, 1, 1, 7, 0, 0, 'N', 0, 0, 0, 0, 0, 'X');", -99},
      {"SYSADDSCHEDULE('Hour', 2035, 1, 1, 24, 0, 0, 'N', 0, 0, 0, 0, 0, 'X');", -99},
      {"SYSADDSCHEDULE('', 2035, 1, 1, 7, 0, 0, 'N', 0, 0, 0, 0, 0, 'X');", -99},
      {"SYSADDSCHEDULE('Real', 2035, 1, 1, 7.5, 0, 0, 'N', 0, 0, 0, 0, 0, 'X');", -4},
      {"SYSADDSCHEDULE('Text', 2035, 1, 1, '7', 0, 0, 'W', 1, 62, 2035, 3, 1, 'TEXTID');", 1},
      {"SYSADDSCHEDULE('EndDay', 2035, 1, 1, 7, 0, 0, 'D', 1, 127, 2035, 1, 1, 'X');", -99},
      {"SYSADDSCHEDULE('Short', 2035, 1, 1, 7, 0, 0, 'D');", -3},
      {"SYSADDSCHEDULEMACRO(NEWID, 1, 'Wake');", 1},
      {"SYSADDSCHEDULEMACRO(NEWID, 0, 'Wake');", -99},
      {"SYSADDSCHEDULEMACRO(0, 1, 'Wake');", -99},
      {"SYSADDSCHEDULEMACRO(NEWID, 2, '');", -99},
      {"SYSQRYSCHEDEVENTID(99, D, S, T, A, E, M);", -15},
      {"SYSQRYSCHEDEVENTID(0, D, S, T, A, E, M);", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(Run(c.text), std::vector<LONG>{c.result}) << c.text;
  EXPECT_STREQ(Text("NEWID"), "1");
  EXPECT_STREQ(Text("TEXTID"), "2");
  EXPECT_EQ(Run("SYSQRYSCHEDEVENTID(NEWID, D, S, T, A, E, M); SYSQRYSCHEDEVENTS(I, DS, ST, TY, AM, EN);"),
            (std::vector<LONG>{1, 1}));
  EXPECT_STREQ(Text("D"), "Wake");
  EXPECT_STREQ(Text("S"), "2035-03-02-07:00:00") << "day 30 of February is normalised by mktime";
  EXPECT_STREQ(Text("T"), "D");
  EXPECT_STREQ(Text("A"), "1");
  EXPECT_STREQ(Text("E"), "");
  EXPECT_STREQ(Text("M"), "Wake");
  EXPECT_EQ(Items("I"), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(Items("EN"), (std::vector<std::string>{"", "2035-03-01-00:00:00"}));
  EXPECT_EQ(Run("SYSUPDSCHEDULE('1', 2036, 1, 2, 8, 30, 0, 'W', 2, 62, 0, 0, 0, 'Renamed');"), std::vector<LONG>{1});
  CSchedEvent* event = schedule.FindEvent(1);
  ASSERT_NE(event, nullptr);
  EXPECT_STREQ(event->m_description, "Renamed");
  EXPECT_EQ(event->m_repeatType, 'W');
  EXPECT_EQ(event->Macros(), (std::vector<CString>{"Wake"})) << "an update keeps the macros";
  EXPECT_EQ(Run("SYSDELSCHEDULE(1); SYSDELSCHEDULE(0);"), (std::vector<LONG>{1, -99}));
  EXPECT_EQ(schedule.GetEventCount(), 1);
}

// A repetition the scheduler cannot run is refused with its reason in the log; nothing is stored or
// changed, and the schedule file keeps its text.
TEST_F(Statements, RepetitionsThatCannotRunAreRefused) {
  qh::testing::WriteHostFile(sandbox.HostPath("C/site/Logs/.keep"), "");
  ASSERT_TRUE(log.Open("C:\\site\\Logs\\HallwardenLog.txt"));
  ASSERT_EQ(Run("SYSADDSCHEDULE('Daily', 2035, 1, 1, 7, 0, 0, 'D', 1, 0, 0, 0, 0, 'ID');"), std::vector<LONG>{1});
  const std::string file = qh::testing::ReadHostFile(sandbox.HostPath("C/site/config/schedule.xml"));
  for (const char* bad : {"'d', 1, 0", "'x', 1, 0", "'', 1, 0", "'D', 1, 128", "'W', 1, 255", "'D', 1, -1"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(Run(("SYSADDSCHEDULE('Bad', 2035, 1, 1, 7, 0, 0, " + std::string(bad) + ", 0, 0, 0, 'NEW');").c_str()),
              std::vector<LONG>{-99});
    EXPECT_EQ(Run(("SYSUPDSCHEDULE(1, 2036, 1, 1, 7, 0, 0, " + std::string(bad) + ", 0, 0, 0, 'Bad');").c_str()),
              std::vector<LONG>{-99});
  }
  EXPECT_STREQ(Text("NEW"), "") << "no id stored";
  EXPECT_EQ(schedule.GetEventCount(), 1);
  CSchedEvent* event = schedule.FindEvent(1);
  ASSERT_NE(event, nullptr);
  EXPECT_STREQ(event->m_description, "Daily");
  EXPECT_EQ(event->m_repeatType, 'D');
  EXPECT_EQ(event->m_mask, 0u);
  EXPECT_EQ(qh::testing::ReadHostFile(sandbox.HostPath("C/site/config/schedule.xml")), file);
  log.Close();
  const std::string lines = qh::testing::ReadHostFile(sandbox.HostPath("C/site/Logs/HallwardenLog.txt"));
  EXPECT_NE(lines.find("SYSADDSCHEDULE: Repeat type [d] or weekday mask 0 refused"), std::string::npos) << lines;
  EXPECT_NE(lines.find("SYSUPDSCHEDULE: Repeat type [D] or weekday mask 128 refused"), std::string::npos) << lines;
}

}  // namespace
