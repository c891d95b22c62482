// The control port through real HTTP: routing, action documents, the queue and its answers, uploads.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <regex>

#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/MasterWindow.h"
#include "jukebox/remote/tests/ControlPortSupport.h"
#include "platform/core/Paths.h"

using namespace remote::test;
using jukebox::test::Pump;

namespace {

class ControlPort : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(port.Start()) << jukebox::test::BoxTexts(port.env.boxes); }
  std::string Log() { return port.env.LogText(); }
  ControlPortFixture port;
};

// The final status line: curl -i also writes the interim "100 Continue" an upload is told to go on with.
std::string StatusLine(const std::string& reply) {
  size_t start = 0;
  while (reply.compare(start, 10, "HTTP/1.1 1") == 0) {
    const size_t end = reply.find("\r\n\r\n", start);
    if (end == std::string::npos) break;
    start = end + 4;
  }
  return reply.substr(start, reply.find("\r\n", start) - start);
}

struct RouteCase {
  const char* what;
  const char* method;  // for curl -X
  const char* path;
  const char* contentType;
  const char* body;
  const char* status;  // expected status line
  bool closes;
};

TEST_F(ControlPort, RequestsAreRoutedByMethodPathAndContentType) {
  const char* oneAction = "<action><actionName>NoSuchAction</actionName><actionID>4</actionID></action>";
  const RouteCase cases[] = {
      {"lower-case path", "POST", "/control", "text/xml", oneAction, "HTTP/1.1 200 OK", false},
      {"path with a query, charset", "POST", "/CONTROL?zone=1", "text/xml; charset=iso-8859-1", oneAction, "HTTP/1.1 200 OK", false},
      {"longer path", "POST", "/controller", "TEXT/XML", oneAction, "HTTP/1.1 200 OK", false},
      {"other content type", "POST", "/CONTROL", "application/xml", oneAction, "HTTP/1.1 500 Internal Server Error", true},
      {"part of the path", "POST", "/CONTR", "text/xml", oneAction, "HTTP/1.1 500 Internal Server Error", true},
      {"GET", "GET", "/control", "text/xml", "", "HTTP/1.1 500 Internal Server Error", true},
      {"not well-formed", "POST", "/control", "text/xml", "<actionList><action>", "HTTP/1.1 400 Bad Request", true},
  };
  for (const RouteCase& c : cases) {
    std::string command = "curl -s -i -m 20 -X " + std::string(c.method) + " -H 'Content-Type: " + c.contentType + "'";
    if (*c.body) command += " --data-binary '" + std::string(c.body) + "'";
    command += " '" + port.Url(c.path) + "'";
    const PeerResult result = RunPeer(command);
    ASSERT_EQ(result.exitCode, 0) << c.what;
    EXPECT_EQ(StatusLine(result.output), c.status) << c.what << "\n" << result.output;
    const bool closes = result.output.find("Connection: close") != std::string::npos;
    EXPECT_EQ(closes, c.closes) << c.what << "\n" << result.output;
    if (std::string(c.status).find("200") != std::string::npos) {
      const std::string body = BodyOf(result.output);
      EXPECT_EQ(XmlLintErrors(body), "") << body;
      EXPECT_NE(body.find("<actionReturnCode>-3</actionReturnCode><actionReturnMsg>Illegal actionName entered"),
                std::string::npos) << body;
    }
  }
  EXPECT_EQ(port.Control().PendingRequestCount(), 0u);
}

TEST_F(ControlPort, ActionsRunInDocumentOrderAndAreAnsweredInActionIdOrder) {
  const std::string document =
      "<?xml version=\"1.0\"?><actionList>"
      "<action><actionName>First</actionName><transID>-1</transID><actionID>3</actionID></action>"
      "<action><ACTIONNAME>Second</ACTIONNAME><transID>7</transID><actionID>1</actionID></action>"
      "<action><actionname>Third</actionname><actionID>2</actionID><subDevice>1</subDevice></action>"
      "<Action><actionName>NotAnAction</actionName><actionID>9</actionID></Action>"
      "</actionList>";
  const PeerResult result = port.Post("/control", document);
  const std::string body = BodyOf(result.output);
  ASSERT_EQ(XmlLintErrors(body), "") << result.output;
  const std::string expected =
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><actionResponseList>"
      "<actionResponse><actionName>Second</actionName><transID>7</transID><actionID>1</actionID>"
      "<actionReturnCode>-3</actionReturnCode><actionReturnMsg>Illegal actionName entered</actionReturnMsg></actionResponse>"
      "<actionResponse><actionName>Third</actionName><transID>0</transID><actionID>2</actionID>"
      "<actionReturnCode>-3</actionReturnCode><actionReturnMsg>Illegal actionName entered</actionReturnMsg></actionResponse>"
      "<actionResponse><actionName>First</actionName><transID>4294967295</transID><actionID>3</actionID>"
      "<actionReturnCode>-3</actionReturnCode><actionReturnMsg>Illegal actionName entered</actionReturnMsg></actionResponse>"
      "</actionResponseList>";
  EXPECT_EQ(body, expected);
}

TEST_F(ControlPort, OutArgumentsComeBackEscapedAndInArgumentsDoNot) {
  const std::string document =
      "<action><actionName>Odd&amp;&lt;Name</actionName><actionID>1</actionID>"
      "<argument><name>b&amp;name</name><direction>out</direction><value>a&amp;b &lt;c&gt; \"d\"</value>"
      "<seq>2</seq><hostvar>v&lt;1</hostvar></argument>"
      "<argument><name>A</name><direction>InOut</direction><value>x</value></argument>"
      "<argument><name>Secret</name><direction>in</direction><value>not echoed</value></argument>"
      "<argument><name>Plain</name><direction>output</direction><value>default direction</value></argument>"
      "</action>";
  const PeerResult result = port.Post("/control", document);
  const std::string body = BodyOf(result.output);
  ASSERT_EQ(XmlLintErrors(body), "") << body;
  EXPECT_NE(body.find("<actionName>Odd&amp;&lt;Name</actionName>"), std::string::npos) << body;
  // Arguments in name order: "A" before "b&name"; "output" is read as out.
  const std::string arguments =
      "<argument><name>A</name><seq>0</seq><hostvar></hostvar><value>x</value></argument>"
      "<argument><name>b&amp;name</name><seq>2</seq><hostvar>v&lt;1</hostvar>"
      "<value>a&amp;b &lt;c&gt; &quot;d&quot;</value></argument>"
      "<argument><name>Plain</name><seq>0</seq><hostvar></hostvar><value>default direction</value></argument>";
  EXPECT_NE(body.find(arguments), std::string::npos) << body;
  EXPECT_EQ(body.find("Secret"), std::string::npos) << body;
}

TEST_F(ControlPort, RequestWithoutActionsIsAnsweredAtOnce) {
  for (const char* document : {"<actionList/>", "<?xml version=\"1.0\"?><nothing><Action/></nothing>"}) {
    const PeerResult result = port.Post("/control", document);
    EXPECT_EQ(StatusLine(result.output), "HTTP/1.1 200 OK") << result.output;
    EXPECT_EQ(BodyOf(result.output),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><actionResponseList></actionResponseList>");
  }
  EXPECT_EQ(port.Control().PendingRequestCount(), 0u);
}

TEST_F(ControlPort, DuplicateActionIdsRunButOnlyTheFirstIsAnswered) {
  const std::string document =
      "<actionList><action><actionName>One</actionName></action><action><actionName>Two</actionName></action>"
      "<action><actionName>Three</actionName><actionID>0</actionID></action></actionList>";
  const PeerResult result = port.Post("/control", document);
  const std::string body = BodyOf(result.output);
  EXPECT_EQ(XmlLintErrors(body), "") << body;
  EXPECT_NE(body.find("<actionName>One</actionName>"), std::string::npos) << body;
  EXPECT_EQ(body.find("Two"), std::string::npos) << body;
  EXPECT_EQ(body.find("Three"), std::string::npos) << body;
  // Every action of the request ran before it was answered, and the record is gone with all of them.
  EXPECT_EQ(port.Control().PendingRequestCount(), 0u);
  EXPECT_EQ(port.Control().QueuedActionCount(), 0u);
}

TEST_F(ControlPort, KeptConnectionCarriesSeveralRequests) {
  const std::string body = "<action><actionName>Nope</actionName><actionID>1</actionID></action>";
  const std::string command = "curl -s -m 20 -H 'Content-Type: text/xml' --data-binary '" + body + "' '" +
                              port.Url("/control") + "' --next -H 'Content-Type: text/xml' --data-binary '" + body +
                              "' '" + port.Url("/control") + "' -w '|%{num_connects}'";
  const PeerResult result = RunPeer(command);
  EXPECT_EQ(result.exitCode, 0);
  const std::regex answer("<actionResponseList>");
  EXPECT_EQ(std::distance(std::sregex_iterator(result.output.begin(), result.output.end(), answer), std::sregex_iterator()), 2)
      << result.output;
  // The second request went over the first one's connection.
  EXPECT_EQ(result.output.substr(result.output.size() - 2), "|0") << result.output;
  // Each reply is logged as written, the first through the second request (which carried its notice),
  // the second before the connection's close.
  const std::regex written("has written an HTTP response: POST /control Code: 200 Bytes Written: [0-9]+");
  const std::regex closed("has closed its connection");
  auto count = [this](const std::regex& line) {
    const std::string log = Log();
    return std::distance(std::sregex_iterator(log.begin(), log.end(), line), std::sregex_iterator());
  };
  Pump(10000, [&] { return count(written) >= 2 && count(closed) >= 1; });
  EXPECT_EQ(count(written), 2) << Log();
  const std::string log = Log();
  EXPECT_LT(log.rfind("has written an HTTP response"), log.find("has closed its connection")) << log;
}

TEST_F(ControlPort, EveryReplyDocumentHeadsTheListWithItsDeclaration) {
  const PeerResult result = port.Post("/control", "<action><actionName>SvcQryVersion</actionName></action>");
  const std::string body = BodyOf(result.output);
  EXPECT_EQ(body.rfind("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><actionResponseList><actionResponse>", 0), 0u) << body;
  EXPECT_NE(result.output.find("Content-Type: text/xml"), std::string::npos) << result.output;
}

// ---- Uploads ----

class Uploads : public ::testing::Test {
 protected:
  void SetUp() override {
    // A folder that does not exist yet: the server makes it.
    port.env.Profile().WriteProfileString("Jukebox", "UploadPath", "D:\\Incoming\\Remote");
    ASSERT_TRUE(port.Start());
    folder = qh::HostPathOf("D:\\Incoming\\Remote");
    char file[] = "/tmp/qh-remote-upload-XXXXXX";
    const int fd = mkstemp(file);
    close(fd);
    source = file;
    std::ofstream(source, std::ios::binary) << std::string(20000, 'M');
  }
  void TearDown() override { unlink(source.c_str()); }
  std::string FileText(const std::string& name) {
    std::ifstream in(folder + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> FolderNames() {
    const PeerResult listing = RunPeer("ls -A '" + folder + "'");
    std::vector<std::string> names;
    size_t start = 0, end;
    while ((end = listing.output.find('\n', start)) != std::string::npos) {
      names.push_back(listing.output.substr(start, end - start));
      start = end + 1;
    }
    return names;
  }
  jukebox::test::RecordingZone& Zone(int i) { return *port.env.kit.zones[static_cast<size_t>(i)]; }
  // Sends `request` (printf escapes) byte for byte and returns what came back.
  PeerResult Raw(const std::string& request) {
    return RunPeer("printf '" + request + "' | python3 " + PeerScript("raw_http.py") + " " + std::to_string(port.Port()));
  }

  ControlPortFixture port;
  std::string folder;
  std::string source;
};

TEST_F(Uploads, PutWritesTheFileAndAnswersWithTheUploadDocument) {
  const PeerResult result = RunPeer("curl -s -i -m 20 -T " + source + " '" + port.Url("/Songs/Song&1.mp3") + "'");
  EXPECT_EQ(result.output.rfind("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n", 0), 0u) << result.output;
  EXPECT_EQ(StatusLine(result.output), "HTTP/1.1 200 OK") << result.output;
  const std::string body = BodyOf(result.output);
  EXPECT_EQ(XmlLintErrors(body), "") << body;
  EXPECT_EQ(body,
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><actionResponse><actionName>UploadAudioFiles</actionName>"
            "<transID>1</transID><actionID>1</actionID><actionReturnCode>0</actionReturnCode>"
            "<actionReturnMsg>File Uploaded OK</actionReturnMsg><argument><name>UploadFileName</name><seq>1</seq>"
            "<value>/Songs/Song&amp;1.mp3</value></argument></actionResponse>");
  EXPECT_EQ(FileText("Song&1.mp3"), std::string(20000, 'M'));
  EXPECT_EQ(Zone(0).status, "UPLOAD: .mp3 Count: 1");
  EXPECT_NE(port.env.LogText().find("Remote Upload: File /Songs/Song&1.mp3 uploaded."), std::string::npos);
}

TEST_F(Uploads, TheRecordersRequestFormIsTakenToo) {
  // No leading "/" and no Host header, HTTP/1.0, as the recorder sends it.
  const PeerResult result = Raw("PUT Song0000000007 HTTP/1.0\\r\\nContent-Type: text/xml\\r\\nContent-Length: 9\\r\\n\\r\\n<QHSong/>");
  EXPECT_EQ(StatusLine(result.output), "HTTP/1.1 200 OK") << result.output;
  EXPECT_NE(result.output.find("Connection: close"), std::string::npos) << result.output;
  EXPECT_EQ(result.output.find("[still open]"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("<value>Song0000000007</value>"), std::string::npos) << result.output;
  EXPECT_EQ(FileText("Song0000000007"), "<QHSong/>");
  EXPECT_EQ(Zone(0).status, "UPLOAD: 0007 Count: 1");
}

TEST_F(Uploads, NamesThatLeaveTheFolderAreRefused) {
  for (const char* path : {"/..", "/Songs/..", "/.", "..", "/Songs/"}) {
    const PeerResult result =
        Raw("PUT " + std::string(path) + " HTTP/1.1\\r\\nHost: x\\r\\nContent-Length: 5\\r\\n\\r\\nhello");
    EXPECT_EQ(StatusLine(result.output), "HTTP/1.1 400 Bad Request") << path << "\n" << result.output;
    EXPECT_NE(result.output.find("Connection: close"), std::string::npos) << path << "\n" << result.output;
  }
  EXPECT_TRUE(FolderNames().empty());
  EXPECT_EQ(qh::HostPathOf("D:\\Incoming").find(".."), std::string::npos);
  EXPECT_EQ(access((qh::HostPathOf("D:\\Incoming") + "/hello").c_str(), F_OK), -1);
}

TEST_F(Uploads, AnAbortedUploadLeavesNothing) {
  RunPeer("printf 'PUT /Cut.mp3 HTTP/1.1\\r\\nHost: x\\r\\nContent-Length: 100000\\r\\n\\r\\n%05000d' 0 | python3 " +
          PeerScript("raw_http.py") + " " + std::to_string(port.Port()) + " abort");
  Pump(500);
  EXPECT_TRUE(FolderNames().empty());
  // The server still works afterwards.
  const PeerResult result = RunPeer("curl -s -i -m 20 -T " + source + " '" + port.Url("/Whole.mp3") + "'");
  EXPECT_EQ(StatusLine(result.output), "HTTP/1.1 200 OK");
  EXPECT_EQ(FolderNames(), std::vector<std::string>{"Whole.mp3"});
}

}  // namespace
