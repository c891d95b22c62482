// Reads one HTTP message of the upload connection from the bytes as they arrive: the head line by line
// (a line cut between two reads is joined), the headers that matter (CONNECTION, CONTENT-TYPE,
// CONTENT-LENGTH, names compared after upper-casing), then the body. Requests whose method carries no
// body (GET, DELETE, HEAD, TRACE, OPTIONS) end with their head; anything else, a reply's status line
// included, has a body. The status code is not read: a 500 with an action-response body is a reply
// like any other.
#pragma once

#include <functional>
#include <vector>

#include "platform/core/CString.h"

class CUploadReplyReader {
 public:
  enum State : int { kNew = 0, kHead = 1, kHeadDone = 2, kBody = 3, kComplete = 9 };
  static constexpr int kReadBytes = 4095;

  // Reads one message through `read` (bytes into the buffer; 0 or less when the peer closed or nothing
  // came in time) and gives its body. It stops when the message is complete: at the end of the head for
  // a bodiless request, once CONTENT-LENGTH body bytes have arrived (a CONTENT-LENGTH of 0 included, so
  // an empty reply on a kept-open connection never waits), or when a read gives nothing; what arrived
  // by then is the body.
  CString ReadMessage(const std::function<int(char*, int)>& read);

  // Starts a new message.
  void Begin();
  // Feeds bytes of the message into the reader.
  void Feed(const char* data, int length);
  bool IsComplete() const;

  int GetState() const { return m_state; }
  const std::vector<CString>& GetHeaderLines() const { return m_headerLines; }
  LONG GetContentLength() const { return m_contentLength; }
  LONG GetBytesReceived() const { return m_bytesReceived; }
  const CString& GetBody() const { return m_body; }
  const CString& GetConnection() const { return m_connection; }
  const CString& GetContentType() const { return m_contentType; }
  // GET 0, POST 1, PUT 2, DELETE 3, HEAD 4, TRACE 5, OPTIONS 6, NOTIFY 7, SUBSCRIBE 8; 9 anything else.
  static int MethodNumber(const CString& firstLine);

 private:
  // Returns the number of bytes of `data` that belonged to the head.
  int FeedHead(const char* data, int length);
  void ParseHeaders();

  int m_state = kNew;
  CString m_line;
  bool m_skipLineFeed = false;
  std::vector<CString> m_headerLines;
  bool m_haveLength = false;
  LONG m_contentLength = 0;
  LONG m_bytesReceived = 0;
  CString m_body;
  CString m_connection, m_contentType;
};
