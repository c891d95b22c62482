#include <gtest/gtest.h>

#include <string>

#include "netlib/HttpParser.h"
#include "netlib/HttpWriter.h"
#include "netlib/ThreadBlocks.h"

namespace {

using Status = CHttpMessageParser::Status;
using Fault = CHttpMessageParser::Fault;

Status FeedAll(CHttpMessageParser& parser, const std::string& bytes) {
  return parser.Feed(bytes.data(), bytes.size());
}

TEST(HttpParser, RequestLineHeaderAndBody) {
  CHttpMessageParser parser;
  ASSERT_EQ(parser.NextMessage(), Status::NeedMore);
  ASSERT_EQ(FeedAll(parser, "POST /control HTTP/1.1\r\nContent-Type: text/xml\r\nContent-Length: 5\r\n\r\nhello"),
            Status::Complete);
  EXPECT_STREQ(parser.MethodText(), "POST");
  EXPECT_EQ(parser.MethodCode(), HTTP_METHOD_POST);
  EXPECT_STREQ(parser.Url(), "/control");
  EXPECT_STREQ(parser.ContentType(), "TEXT/XML");
  EXPECT_EQ(parser.Body(), "hello");
  EXPECT_FALSE(parser.CloseFlag());
  EXPECT_FALSE(parser.HasLeftover());
}

TEST(HttpParser, ByteByByteGivesTheSameMessage) {
  const std::string request = "POST /a HTTP/1.0\r\nConnection: Keep-Alive\r\nContent-Length: 3\r\n\r\nxyz";
  CHttpMessageParser parser;
  parser.NextMessage();
  Status status = Status::NeedMore;
  for (size_t i = 0; i < request.size(); ++i) {
    ASSERT_EQ(status, Status::NeedMore) << "complete too early at " << i;
    status = parser.Feed(&request[i], 1);
  }
  EXPECT_EQ(status, Status::Complete);
  EXPECT_EQ(parser.Body(), "xyz");
  EXPECT_FALSE(parser.CloseFlag()) << "HTTP/1.0 with Keep-Alive keeps the connection";
}

struct CloseCase {
  const char* request;
  bool close;
};

TEST(HttpParser, CloseFlagFollowsVersionAndConnection) {
  const CloseCase cases[] = {
      {"GET / HTTP/1.0\r\n\r\n", true},
      {"GET / HTTP/1.0\r\nConnection: Keep-Alive\r\n\r\n", false},
      {"GET / HTTP/1.1\r\n\r\n", false},
      {"GET / HTTP/1.1\r\nConnection: close\r\n\r\n", true},
      {"GET / HTTP/1.1\r\nconnection:CLOSE\r\n\r\n", true},
  };
  for (const CloseCase& c : cases) {
    CHttpMessageParser parser;
    parser.NextMessage();
    ASSERT_EQ(FeedAll(parser, c.request), Status::Complete) << c.request;
    EXPECT_EQ(parser.CloseFlag(), c.close) << c.request;
  }
}

TEST(HttpParser, ValueSkipsOptionalWhiteSpace) {
  CHttpMessageParser parser;
  parser.NextMessage();
  ASSERT_EQ(FeedAll(parser, "POST / HTTP/1.1\r\nContent-Length:12\r\n\r\nhello world!"), Status::Complete);
  EXPECT_EQ(parser.ContentLength(), 12);
  EXPECT_EQ(parser.Body(), "hello world!");
}

TEST(HttpParser, PipelinedRequestsWaitForTheirTurn) {
  CHttpMessageParser parser;
  parser.NextMessage();
  ASSERT_EQ(FeedAll(parser, "GET /one HTTP/1.1\r\n\r\nGET /two HTTP/1.1\r\n\r\n"), Status::Complete);
  EXPECT_STREQ(parser.Url(), "/one");
  EXPECT_TRUE(parser.HasLeftover());
  ASSERT_EQ(parser.NextMessage(), Status::Complete);
  EXPECT_STREQ(parser.Url(), "/two");
  EXPECT_FALSE(parser.HasLeftover());
}

TEST(HttpParser, MethodCodesAreExactAndCaseSensitive) {
  const std::pair<const char*, DWORD> cases[] = {
      {"GET", 0}, {"POST", 1}, {"PUT", 3}, {"DELETE", 4}, {"HEAD", 5}, {"TRACE", 6},
      {"OPTIONS", 7}, {"NOTIFY", 8}, {"SUBSCRIBE", 9}, {"get", 10}, {"BREW", 10}};
  for (auto [word, code] : cases) EXPECT_EQ(HttpMethodCode(word), code) << word;
}

TEST(HttpParser, StatusLineMakesAResponse) {
  CHttpMessageParser parser;
  parser.NextMessage();
  ASSERT_EQ(FeedAll(parser, "HTTP/1.0 204 No Content\r\nContent-Length: 0\r\n\r\n"), Status::Complete);
  EXPECT_EQ(parser.MethodCode(), HTTP_METHOD_RESPONSE);
  EXPECT_EQ(parser.StatusCode(), 204);
  EXPECT_TRUE(parser.CloseFlag());
}

struct FaultCase {
  const char* name;
  std::string bytes;
  Fault fault;
  int status;
};

class HttpParserFaults : public testing::TestWithParam<FaultCase> {};

TEST_P(HttpParserFaults, RefusedWithItsStatus) {
  const FaultCase& c = GetParam();
  CHttpMessageParser parser;
  parser.NextMessage();
  EXPECT_EQ(FeedAll(parser, c.bytes), Status::Invalid);
  EXPECT_EQ(parser.GetFault(), c.fault);
  EXPECT_EQ(CHttpMessageParser::FaultStatus(parser.GetFault()), c.status);
  // A refused message never turns the rest of its bytes into another message.
  EXPECT_EQ(parser.NextMessage(), Status::Invalid);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HttpParserFaults,
    testing::Values(
        FaultCase{"BodyOverLimit", "POST / HTTP/1.1\r\nContent-Length: 600000\r\n\r\nGET /x HTTP/1.1\r\n\r\n",
                  Fault::BodyTooLarge, 413},
        FaultCase{"Multipart", "POST / HTTP/1.1\r\nContent-Type: multipart/form-data\r\nContent-Length: 3\r\n\r\nabc",
                  Fault::Multipart, 400},
        FaultCase{"NoUploadFolder", "PUT /a.xml HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc", Fault::NoUploadFolder, 400},
        FaultCase{"EmptyUpload", "PUT /a.xml HTTP/1.1\r\nContent-Length: 0\r\n\r\n", Fault::EmptyUpload, 400},
        FaultCase{"SignedLength", "POST / HTTP/1.1\r\nContent-Length: -5\r\n\r\n", Fault::BadContentLength, 400},
        FaultCase{"TwoLengths", "POST / HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n",
                  Fault::BadContentLength, 400},
        FaultCase{"Chunked", "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
                  Fault::UnsupportedEncoding, 501},
        FaultCase{"HeaderForever", "GET / HTTP/1.1\r\n" + std::string(20000, 'a'), Fault::HeaderTooLarge, 400},
        FaultCase{"TooManyLines", [] {
                    std::string text = "GET / HTTP/1.1\r\n";
                    for (int i = 0; i < 150; ++i) text += "X-A: b\r\n";
                    return text;
                  }(), Fault::HeaderTooLarge, 400}),
    [](const testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

TEST(HttpParser, UploadLargerThanTheMemoryLimitIsAccepted) {
  CHttpMessageParser parser;
  std::string written;
  bool kept = false;
  HttpUploadSink sink;
  sink.open = [](const CString& url) { return url == "/dir\\sub/Song1.xml"; };
  sink.write = [&](const char* data, size_t size) {
    written.append(data, size);
    return true;
  };
  sink.close = [&](bool complete) { kept = complete; };
  parser.SetUploadSink(sink);
  parser.NextMessage();
  std::string body(600000, 'u');
  ASSERT_EQ(FeedAll(parser, "PUT /dir\\sub/Song1.xml HTTP/1.1\r\nContent-Length: 600000\r\n\r\n" + body),
            Status::Complete);
  EXPECT_EQ(written.size(), body.size());
  EXPECT_TRUE(kept);
  EXPECT_TRUE(parser.IsUpload());
}

TEST(HttpParser, UploadThatCannotBeWrittenIsRefusedAndDropped) {
  CHttpMessageParser parser;
  bool closedComplete = true;
  HttpUploadSink sink;
  sink.open = [](const CString&) { return true; };
  sink.write = [](const char*, size_t) { return false; };
  sink.close = [&](bool complete) { closedComplete = complete; };
  parser.SetUploadSink(sink);
  parser.NextMessage();
  EXPECT_EQ(FeedAll(parser, "PUT /a HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc"), Status::Invalid);
  EXPECT_EQ(parser.GetFault(), Fault::UploadFailed);
  EXPECT_FALSE(closedComplete);
}

struct ContinueCase {
  const char* request;
  Status status;
  bool due;
};

// The interim "100 Continue" is owed only to an HTTP/1.1 request that asks for it, is accepted, and
// whose body has not begun to arrive.
TEST(HttpParser, ContinueIsDueOnlyBeforeTheBodyOfAnAcceptedHttp11Request) {
  const ContinueCase cases[] = {
      {"POST /a HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 5\r\n\r\n", Status::NeedMore, true},
      {"PUT /a HTTP/1.1\r\nexpect:100-CONTINUE\r\nContent-Length: 5\r\n\r\n", Status::NeedMore, true},
      {"POST /a HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 5\r\n\r\nhe", Status::NeedMore, false},
      {"POST /a HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 5\r\n\r\nhello", Status::Complete, false},
      {"POST /a HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 0\r\n\r\n", Status::Complete, false},
      {"POST /a HTTP/1.0\r\nExpect: 100-continue\r\nContent-Length: 5\r\n\r\n", Status::NeedMore, false},
      {"POST /a HTTP/1.1\r\nContent-Length: 5\r\n\r\n", Status::NeedMore, false},
      {"POST /a HTTP/1.1\r\nExpect: something-else\r\nContent-Length: 5\r\n\r\n", Status::NeedMore, false},
      {"POST /a HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 999999\r\n\r\n", Status::Invalid, false},
      {"HTTP/1.1 200 OK\r\nExpect: 100-continue\r\nContent-Length: 5\r\n\r\n", Status::NeedMore, false},
  };
  for (const ContinueCase& c : cases) {
    CHttpMessageParser parser;
    HttpUploadSink sink;
    sink.open = [](const CString&) { return true; };
    sink.write = [](const char*, size_t) { return true; };
    sink.close = [](bool) {};
    parser.SetUploadSink(sink);
    parser.NextMessage();
    ASSERT_EQ(FeedAll(parser, c.request), c.status) << c.request;
    EXPECT_EQ(parser.TakeContinueDue(), c.due) << c.request;
    EXPECT_FALSE(parser.TakeContinueDue()) << "owed once: " << c.request;
  }
  // The next message on the connection starts owing nothing.
  CHttpMessageParser parser;
  parser.NextMessage();
  ASSERT_EQ(FeedAll(parser, "POST /a HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 1\r\n\r\nxGET /b HTTP/1.1\r\n\r\n"),
            Status::Complete);
  EXPECT_EQ(parser.NextMessage(), Status::Complete);
  EXPECT_FALSE(parser.TakeContinueDue());
}

TEST(HttpParser, EndOfStreamBetweenMessagesIsAQuietEnd) {
  CHttpMessageParser parser;
  parser.NextMessage();
  EXPECT_EQ(parser.EndOfStream(), Status::Ended);
  CHttpMessageParser cut;
  cut.NextMessage();
  FeedAll(cut, "POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc");
  EXPECT_EQ(cut.EndOfStream(), Status::Invalid);
  EXPECT_EQ(cut.GetFault(), Fault::Truncated);
}

TEST(HttpParser, CookiesAndIfModifiedSince) {
  CHttpMessageParser parser;
  parser.NextMessage();
  ASSERT_EQ(FeedAll(parser,
                    "GET / HTTP/1.1\r\nCookie: a=1%41; TLWSESSIONID=0000000002-1765371000-00AB\r\n"
                    "If-Modified-Since: Sun, 06 Nov 1994 08:49:37 GMT\r\n\r\n"),
            Status::Complete);
  ASSERT_TRUE(parser.HasCookieHeader());
  EXPECT_STREQ(parser.Cookies().at("A"), "1A");
  EXPECT_STREQ(parser.Cookies().at("TLWSESSIONID"), "0000000002-1765371000-00AB");
  FILETIME since = parser.IfModifiedSince();
  EXPECT_NE(since.dwHighDateTime | since.dwLowDateTime, 0u);
  CHttpMessageParser bad;
  bad.NextMessage();
  ASSERT_EQ(FeedAll(bad, "GET / HTTP/1.1\r\nIf-Modified-Since: yesterday\r\n\r\n"), Status::Complete);
  EXPECT_EQ(bad.IfModifiedSince().dwHighDateTime | bad.IfModifiedSince().dwLowDateTime, 0u);
}

TEST(FormDecoding, QueryPairsArePercentDecodedAndFirstWins) {
  RequestParamMap pairs;
  DecodeFormPairs("x=1%41+b&Y=2&x=3&bad=%4&e=", pairs);
  EXPECT_STREQ(pairs.at("x"), "1A b");
  EXPECT_STREQ(pairs.at("y"), "2") << "names compare without case";
  EXPECT_STREQ(pairs.at("bad"), "%4");
  EXPECT_STREQ(pairs.at("e"), "");
}

TEST(HttpWriter, StatusTextsAndReplyLayout) {
  EXPECT_STREQ(GetHttpStatusText(200), "OK");
  EXPECT_STREQ(GetHttpStatusText(204), "No Content");
  EXPECT_STREQ(GetHttpStatusText(403), "Forbidden");
  EXPECT_STREQ(GetHttpStatusText(500), "Internal Server Error");
  EXPECT_STREQ(GetHttpStatusText(418), "Unknown Error");
  CHttpResponse reply;
  reply.m_status = 204;
  reply.m_reason = "No Content";
  HttpHeaderContext context{"QuaverhouseControl/1.0", "", "", 784111777};
  EXPECT_EQ(BuildReplyText(reply, context),
            "HTTP/1.1 204 No Content\r\nDate: Sun, 06 Nov 1994 08:49:37 GMT\r\nCache-Control: no-cache\r\n"
            "Server: QuaverhouseControl/1.0\r\nConnection: Keep-Alive\r\nContent-Length: 0\r\n\r\n");
  CHttpRequest request;
  request.m_method = 1;
  request.m_body = "<x/>";
  request.m_contentType = "text/xml";
  request.m_close = true;
  context.host = "10.0.0.5";
  EXPECT_EQ(BuildRequestText(request, context),
            "POST / HTTP/1.1\r\nHost: 10.0.0.5\r\nDate: Sun, 06 Nov 1994 08:49:37 GMT\r\n"
            "Content-Type: text/xml\r\nCache-Control: no-cache\r\nServer: QuaverhouseControl/1.0\r\n"
            "Connection: close\r\nContent-Length: 4\r\n\r\n<x/>");
}

}  // namespace
