// The upload connection's message reader, fed as the network delivers: whole, byte by byte, in pieces
// cut inside a line, with and without CONTENT-LENGTH, and ended early by the peer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recorder/UploadReplyReader.h"

namespace {

const std::string kBody = "<?xml version=\"1.0\"?><actionResponse><actionName>X</actionName></actionResponse>";

std::string Reply(const std::string& status, const std::string& lengthHeader, const std::string& body) {
  return status + "\r\nCONTENT-TYPE: text/xml\r\n" + lengthHeader + "CONNECTION: Keep-Alive\r\n\r\n" + body;
}

// A peer that hands over the message in pieces of `piece` bytes, then reports the end (0) or, when it
// stalls, nothing more either (the connection's time limit gives 0).
struct PieceReader {
  std::string bytes;
  size_t piece;
  size_t at = 0;
  int reads = 0;
  int operator()(char* buffer, int capacity) {
    ++reads;
    size_t n = std::min({piece, bytes.size() - at, static_cast<size_t>(capacity)});
    bytes.copy(buffer, n, at);
    at += n;
    return static_cast<int>(n);
  }
};

struct Case {
  const char* name;
  std::string message;
  std::string body;
  bool completeBeforeTheEnd;  // the reader stops without waiting for the peer's close
};

TEST(UploadReplyReader, MessagesInPiecesOfEverySize) {
  std::string length = "CONTENT-LENGTH: " + std::to_string(kBody.size()) + "\r\n";
  std::vector<Case> cases = {
      {"reply", Reply("HTTP/1.1 200 OK", length, kBody), kBody, true},
      {"server error with a body", Reply("HTTP/1.1 500 Internal Server Error", length, kBody), kBody, true},
      {"lower-case length", Reply("HTTP/1.1 200 OK", "content-length: " + std::to_string(kBody.size()) + "\r\n", kBody),
       kBody, true},
      {"empty reply", Reply("HTTP/1.1 200 OK", "Content-Length: 0\r\n", ""), "", true},
      {"no length: read to the close", Reply("HTTP/1.1 200 OK", "", kBody), kBody, false},
      {"closed early", Reply("HTTP/1.1 200 OK", "CONTENT-LENGTH: 5000\r\n", kBody), kBody, false},
      {"bytes past the length dropped", Reply("HTTP/1.1 200 OK", "CONTENT-LENGTH: 5\r\n", kBody), kBody.substr(0, 5),
       true},
      {"GET has no body", "GET /control HTTP/1.1\r\nHOST: x\r\n\r\n", "", true},
      {"NOTIFY has one", "NOTIFY / HTTP/1.1\r\nCONTENT-LENGTH: 3\r\n\r\nabc", "abc", true},
  };
  for (const auto& c : cases) {
    for (size_t piece : {c.message.size(), size_t{1}, size_t{2}, size_t{7}, size_t{4095}}) {
      CUploadReplyReader reader;
      PieceReader peer{c.message, piece};
      CString body = reader.ReadMessage(std::ref(peer));
      EXPECT_EQ(c.body, body.str()) << c.name << ", pieces of " << piece;
      EXPECT_EQ(c.completeBeforeTheEnd, reader.IsComplete()) << c.name << ", pieces of " << piece;
    }
  }
}

TEST(UploadReplyReader, HeadersAndTheLineCutBetweenReads) {
  CUploadReplyReader reader;
  reader.Begin();
  std::string head = "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Ty";
  reader.Feed(head.data(), static_cast<int>(head.size()));
  EXPECT_EQ(CUploadReplyReader::kHead, reader.GetState());
  std::string rest = "pe: text/xml\r\nContent-Length: 2\r\n\r\nok";
  reader.Feed(rest.data(), static_cast<int>(rest.size()));
  EXPECT_TRUE(reader.IsComplete());
  ASSERT_EQ(4u, reader.GetHeaderLines().size());
  EXPECT_EQ("Content-Type: text/xml", reader.GetHeaderLines()[2].str());
  EXPECT_EQ("CLOSE", reader.GetConnection().str());
  EXPECT_EQ("TEXT/XML", reader.GetContentType().str());
  EXPECT_EQ(2, reader.GetContentLength());
  EXPECT_EQ("ok", reader.GetBody().str());
}

TEST(UploadReplyReader, MethodNumbers) {
  const char* lines[] = {"GET /", "POST /", "PUT /", "DELETE /", "HEAD /", "TRACE /", "OPTIONS /", "NOTIFY *",
                         "SUBSCRIBE /", "HTTP/1.1 200 OK", "get /"};
  int expected[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 9};
  for (int i = 0; i < 11; ++i) EXPECT_EQ(expected[i], CUploadReplyReader::MethodNumber(lines[i])) << lines[i];
}

TEST(UploadReplyReader, APeerThatSendsNothingEndsTheReadAtOnce) {
  CUploadReplyReader reader;
  PieceReader peer{"", 10};
  EXPECT_EQ("", reader.ReadMessage(std::ref(peer)).str());
  EXPECT_EQ(1, peer.reads);
  EXPECT_FALSE(reader.IsComplete());
}

}  // namespace
