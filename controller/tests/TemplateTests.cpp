// Templates: splitting lines into parts, rendering with the session's values, array lines, URL
// encoding, long lines, file names; and the log line's form.
#include <gtest/gtest.h>

#include "controller/ControllerLog.h"
#include "controller/TemplateHandler.h"
#include "netlib/Sessions.h"
#include "platform/core/testing/TestSandbox.h"

namespace {

class Templates : public testing::Test {
 protected:
  void SetUp() override { session.Init(2, 1765371000, nullptr); }
  // Loads one template from lines given without line ends and renders it.
  std::string Render(const std::vector<std::string>& lines) {
    handler.BeginTemplate("PAGE.HTM");
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_TRUE(handler.SplitLine(lines[i].c_str(), static_cast<DWORD>(i)));
    EXPECT_TRUE(handler.EndTemplate());
    CString body;
    EXPECT_EQ(handler.RenderPage("PAGE.HTM", body, &session), 0);
    return body.str();
  }
  void SetArray(const char* name, std::vector<const char*> items) {
    for (size_t i = 0; i < items.size(); ++i) {
      CValueNode value;
      value.SetString(items[i]);
      session.AssignArrayItem(name, static_cast<int>(i), value);
    }
  }
  CTemplateHandler handler;
  CSession session;
};

TEST_F(Templates, PartsTakeTheSessionsValuesAtTheirPlaces) {
  session.SetStringVariable("NAME", "Bob");
  session.SetStringVariable("Other", "xyz");
  session.SetNumberVariable("n", 12);
  struct Case {
    std::string line, expected;
  } cases[] = {
      {"Hello <%NAME%>!", "Hello Bob!\r\n"},
      {"<%name%>-<%OTHER%>-<%N%>", "Bob-xyz-12\r\n"},
      {"a<%%>b", "a<%%>b\r\n"},
      {"open <% without close", "open <% without close\r\n"},
      {"missing [<%nothing%>]", "missing []\r\n"},
      {"", "\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(Render({c.line}), c.expected) << c.line;
}

TEST_F(Templates, UrlEncodingAndElements) {
  session.SetStringVariable("Q", "a b&c");
  SetArray("L", {"x y", "second"});
  EXPECT_EQ(Render({"<%@Q%>"}), "a%20b%26c\r\n");
  EXPECT_EQ(Render({"<%L[1]%>|<%@L[0]%>|<%L[7]%>|<%Q[0]%>"}), "second|x%20y||\r\n");
  EXPECT_STREQ(UrlEncode("Az09*-._ /\xE9"), "Az09*-._%20%2F%E9");
}

TEST_F(Templates, ArrayLinesRepeatOncePerElement) {
  SetArray("LIST", {"one", "two", "three"});
  SetArray("SHORT", {"A"});
  session.SetStringVariable("T", "t");
  EXPECT_EQ(Render({"<li><%T%>:<%LIST[*]%>/<%SHORT[*]%>/<%@LIST[*]%></li>"}),
            "<li>t:one/A/one</li>\r\n<li>t:two//two</li>\r\n<li>t:three//three</li>\r\n");
  EXPECT_EQ(Render({"<li><%NONE[*]%></li>"}), "<li></li>\r\n") << "a missing array gives one line";
  EXPECT_EQ(Render({"<%@LIST[*]%>"}), "one\r\ntwo\r\nthree\r\n") << "@ only asks for encoding";
}

TEST_F(Templates, FilesLoadUnderTheirUpperCaseNameAndLongLinesSplit) {
  qh::testing::TestSandbox sandbox;
  std::string longLine(1500, 'x');
  qh::testing::WriteHostFile(sandbox.HostPath("C/site/Templates/main.htm"), "first <%V%>\r\n" + longLine + "\n");
  qh::testing::WriteHostFile(sandbox.HostPath("C/site/Templates/other.htm"), "second\n");
  qh::testing::WriteHostFile(sandbox.HostPath("C/site/Templates/skip.txt"), "not a template\n");
  CControllerLog log;
  LONG loaded = -1, failed = -1;
  handler.LoadAll("C:\\site\\Templates", log, loaded, failed);
  EXPECT_EQ(loaded, 2);
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(handler.GetPageCount(), 2);
  session.SetStringVariable("v", "value");
  CString body;
  ASSERT_EQ(handler.RenderPage("MAIN.HTM", body, &session), 0);
  EXPECT_EQ(body.str(), "first value\r\n" + longLine.substr(0, 1022) + "\r\n" + longLine.substr(1022) + "\r\n");
  CString none;
  EXPECT_EQ(handler.RenderPage("main.htm", none, &session), -1) << "pages are stored upper-cased";
  handler.LoadAll("C:\\site\\Missing", log, loaded, failed);
  EXPECT_EQ(loaded, 0);
  EXPECT_EQ(handler.GetPageCount(), 0) << "a reload empties the store first";
}

TEST(ControllerLogLine, TwentyFourCharactersOfTimeThenTheTextOnOneLine) {
  CString line = CControllerLog::FormatLine(1765371000, "A\r\nforged: line\tend");
  ASSERT_GE(line.GetLength(), 27);
  EXPECT_EQ(line.Mid(24, 3), CString(":: "));
  EXPECT_STREQ(line.Mid(27), "A  forged: line end");
  std::time_t when = 1765371000;
  char expected[32];
  ctime_r(&when, expected);
  EXPECT_EQ(line.Left(24).str(), std::string(expected, 24));
  std::time_t early = 1764633600;  // a day of the month below 10
  ctime_r(&early, expected);
  EXPECT_EQ(CControllerLog::FormatLine(early, "").Left(24).str(), std::string(expected, 24));
}

TEST(ControllerLogLine, WithoutAFolderNothingIsWrittenAndNothingFails) {
  qh::testing::TestSandbox sandbox;
  CControllerLog log;
  EXPECT_FALSE(log.Open("C:\\NoSuchFolder\\HallwardenLog.txt"));
  log.WriteLog("nothing happens");
  EXPECT_FALSE(log.IsOpen());
}

}  // namespace
