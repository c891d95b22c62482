// Browser GETs: which page or file each path reaches, static file names that try to leave their
// folder, the page variables, and the variableList document.
#include <gtest/gtest.h>

#include "controller/ControllerLog.h"
#include "controller/ReplyPage.h"
#include "controller/RequestRouter.h"
#include "controller/TemplateHandler.h"
#include "netlib/Sessions.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/xml/XmlDom.h"

namespace {

class Router : public testing::Test {
 protected:
  void SetUp() override {
    session.Init(2, 1765371000, nullptr);
    for (const char* page : {"DEFAULT.HTM", "MAIN.HTM", "NEWSESSION.HTM"}) {
      templates.BeginTemplate(page);
      templates.SplitLine(page, 0);
      templates.EndTemplate();
    }
  }
  CTemplateHandler templates;
  CRequestRouter router{templates, "C:\\site"};
  CSession session;
  CReplyState reply;
};

TEST_F(Router, PathsReachTheirPages) {
  struct Case {
    const char* url;
    int status;
    const char* body;
  } cases[] = {
      {"/", 200, "DEFAULT.HTM\r\n"},
      {"/INDEX.HTM", 200, "DEFAULT.HTM\r\n"},
      {"/user/main.htm", 200, "MAIN.HTM\r\n"},
      {"/User/Main.htm?x=1", 200, "MAIN.HTM\r\n"},
      {"/USER/unknown.htm", 404, ""},
      {"/USER", 404, ""},
      {"/a/b/c.htm", 200, "DEFAULT.HTM\r\n"},
  };
  for (const auto& c : cases) {
    reply.Clear();
    EXPECT_EQ(router.DispatchGetRequest(c.url, &session, reply), c.status) << c.url;
    EXPECT_STREQ(reply.m_body, c.body) << c.url;
    EXPECT_STREQ(reply.m_contentType, "text/html") << c.url;
  }
}

// A page whose name holds a letter beyond ASCII ("caf\xE9.htm" on the disk) is found under the same
// name by a browser's path and by a run's SYSNEXTPAGE: the store, the router and the reply page
// upper-case names alike.
TEST(PageNames, APathAndANextPageReachTheSameTemplate) {
  qh::testing::TestSandbox sandbox;
  qh::testing::WriteHostFile(sandbox.HostPath("C/site/Templates/caf\xC3\xA9.htm"), "menu\n");
  CTemplateHandler templates;
  CControllerLog log;
  LONG loaded = 0, failed = 0;
  templates.LoadAll("C:\\site\\Templates", log, loaded, failed);
  ASSERT_EQ(loaded, 1);
  CRequestRouter router{templates, "C:\\site"};
  for (const char* name : {"caf\xE9.htm", "CAF\xE9.HTM", "Caf\xE9.Htm"}) {
    CSession session;
    session.Init(2, 1765371000, nullptr);
    CReplyState reply;
    EXPECT_EQ(router.DispatchGetRequest(CString("/USER/") + name, &session, reply), 200) << name;
    EXPECT_STREQ(reply.m_body, "menu\r\n") << name;
    session.SetStringVariable("SYSNEXTPAGE", name);
    CString body;
    EXPECT_EQ(RenderReplyPage(templates, &session, body), 200) << name;
    EXPECT_STREQ(body, "menu\r\n") << name;
  }
}

TEST_F(Router, TheServedPageBecomesTheCurrentOneAndTheOldOneThePrevious) {
  router.DispatchGetRequest("/", &session, reply);
  router.DispatchGetRequest("/USER/MAIN.HTM", &session, reply);
  EXPECT_STREQ(session.GetVariableText("SYSCURPAGE"), "MAIN.HTM");
  EXPECT_STREQ(session.GetVariableText("SYSPREVPAGE"), "DEFAULT.HTM");
}

TEST_F(Router, StaticFilesByEndingAndFolder) {
  struct Case {
    const char* url;
    int status;
    const char* type;
    const char* path;
  } cases[] = {
      {"/Images/logo.gif", 200, "image/gif", "C:\\site\\Images\\LOGO.GIF"},
      {"/IMAGES/photo.jpeg", 200, "image/jpeg", "C:\\site\\Images\\PHOTO.JPEG"},
      {"/images/a%20b.jpg", 200, "image/jpeg", "C:\\site\\Images\\A B.JPG"},
      {"/Styles/site.css", 200, "text/css", "C:\\site\\Styles\\SITE.CSS"},
      {"/Scripts/site.js", 200, "text/JavaScript", "C:\\site\\Scripts\\SITE.JS"},
      {"/IMAGES/A.PNG", 400, "", ""},
      {"/IMAGES/.GIF", 200, "", ""},  // a name of the minimum length: nothing to send
      {"/SCRIPTS/.JS", 200, "", ""},
  };
  for (const auto& c : cases) {
    reply.Clear();
    EXPECT_EQ(router.DispatchGetRequest(c.url, &session, reply), c.status) << c.url;
    EXPECT_STREQ(reply.m_contentType, c.type) << c.url;
    EXPECT_STREQ(reply.m_filePath, c.path) << c.url;
  }
}

TEST_F(Router, StaticNamesNeverLeaveTheirFolder) {
  const char* attempts[] = {
      "/IMAGES/..%2F..%2Fetc%2Fpasswd.gif", "/IMAGES/..%5C..%5Cconfig%5Cproject.gif",
      "/IMAGES/%2E%2E%5Cx.gif",              "/IMAGES/..\\..\\x.gif",
      "/STYLES/%2e%2e%2f%2e%2e%2fx.css",     "/SCRIPTS/C:%5Cx.js",
      "/IMAGES/%2Fetc%2Fx.gif",              "/IMAGES/a%00b.gif",
      "/IMAGES/x%0D%0A.gif",                 "/IMAGES/%zz.gif",
      "/IMAGES/.hidden.gif",                 "/STYLES/c:x.css",
  };
  for (const char* url : attempts) {
    reply.Clear();
    EXPECT_EQ(router.DispatchGetRequest(url, &session, reply), 400) << url;
    EXPECT_STREQ(reply.m_filePath, "") << url;
  }
}

TEST(StaticNames, EscapesDecodeAndAPlusStaysAPlus) {
  struct Case {
    const char* raw;
    const char* name;  // null: refused
  } cases[] = {
      {"a%20b.gif", "a b.gif"}, {"a+b.gif", "a+b.gif"}, {"%41%62.css", "Ab.css"}, {"50%25.js", "50%.js"},
      {"x%.gif", nullptr},      {"x%4.gif", nullptr},   {"%4g.gif", nullptr},      {"x%2Fy.gif", nullptr},
      {"%7e.gif", "~.gif"},     {"%2B.gif", "+.gif"},   {"%2541.gif", "%41.gif"},  {"a.gif%", nullptr},
      {"a.gif%4", nullptr},     {"%2e%2e.gif", nullptr}, {"x%5cy.gif", nullptr},   {"x%00.gif", nullptr},
  };
  for (const auto& c : cases) {
    CString name;
    EXPECT_EQ(CRequestRouter::CleanStaticName(c.raw, name), c.name != nullptr) << c.raw;
    if (c.name) {
      EXPECT_STREQ(name, c.name) << c.raw;
    }
  }
}

TEST_F(Router, DebugListsTheVariablesAsAWellFormedDocument) {
  session.SetStringVariable("A", "x<y & \"z\"\x01\x1F");
  for (int i = 0; i < 2; ++i) {
    CValueNode value;
    value.SetString(i ? "two" : "one");
    session.AssignArrayItem("L", i, value);
  }
  ASSERT_EQ(router.DispatchGetRequest("/debug", &session, reply), 200);
  EXPECT_STREQ(reply.m_contentType, "text/xml");
  EXPECT_STREQ(reply.m_body,
               "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><variableList>"
               "<varItem><varName>A</varName><varValue>x&lt;y &amp; &quot;z&quot;  </varValue></varItem>"
               "<varItem><varName>L</varName><arrayIndex>0</arrayIndex><arrayValue>one</arrayValue>"
               "<arrayIndex>1</arrayIndex><arrayValue>two</arrayValue></varItem></variableList>");
  DOMDocument document;
  EXPECT_TRUE(document.loadXML(reply.m_body.view()));
}

}  // namespace
