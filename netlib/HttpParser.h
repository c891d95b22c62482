// The HTTP/1.x message reader of a connection: a resumable state machine fed with the bytes the
// socket delivers. It stops at the end of each message, keeping any bytes that follow for the next
// one, so that requests on one connection are answered in the order they came.
//
// It reads messages framed by Content-Length only. Anything it cannot frame safely is refused, and
// the connection must then be answered with the status of the fault and closed: a body that is
// never read must not be taken for the next request.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "netlib/NoCaseLess.h"
#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

struct HttpParseLimits {
  size_t maxHeaderBytes = 16 * 1024;
  size_t maxHeaderLines = 100;
  LONG maxBody = 524288;        // bodies held in memory
  LONG maxUpload = 104857600;   // PUT bodies written to a file
};

// Where PUT bodies go. Without an opener the connection takes no uploads.
struct HttpUploadSink {
  std::function<bool(const CString& url)> open;  // false: the file cannot be made
  std::function<bool(const char* data, size_t size)> write;
  std::function<void(bool complete)> close;  // complete: keep the file
};

class CHttpMessageParser {
 public:
  enum class Status { NeedMore, Complete, Invalid, Ended };
  enum class Fault {
    None,
    HeaderTooLarge,
    BadContentLength,
    UnsupportedEncoding,
    BodyTooLarge,
    Multipart,
    EmptyUpload,
    NoUploadFolder,
    UploadFailed,
    Truncated,
  };

  explicit CHttpMessageParser(HttpParseLimits limits = {}) : m_limits(limits) {}
  void SetUploadSink(HttpUploadSink sink) { m_upload = std::move(sink); }

  // Takes received bytes and reads as far as they go. After Complete, the following bytes wait in the
  // parser until NextMessage; after Invalid the connection is beyond repair.
  Status Feed(const char* data, size_t size);
  // The peer ended its side: Ended at a message boundary, Invalid (Truncated) inside a message.
  Status EndOfStream();
  // Starts the next message from the bytes that followed the last one.
  Status NextMessage();
  bool HasLeftover() const { return m_pos < m_pending.size(); }
  // True while no byte of the current message has been seen.
  bool AtMessageStart() const { return m_phase == Phase::Header && m_headerBytes == 0; }
  // True until the header of the current message has been read whole.
  bool InHeader() const { return m_phase == Phase::Header; }

  Fault GetFault() const { return m_fault; }
  // The status the connection answers a fault with: 413 for sizes, 501 for codings it does not
  // read, 400 for the rest.
  static int FaultStatus(Fault fault);
  static const char* FaultReason(Fault fault);

  // The message read last.
  const CString& MethodText() const { return m_methodText; }
  const CString& Url() const { return m_url; }
  DWORD MethodCode() const { return m_methodCode; }
  LONG StatusCode() const { return m_status; }
  bool CloseFlag() const { return m_close; }
  const CString& ConnectionValue() const { return m_connection; }
  const CString& ContentType() const { return m_contentType; }
  LONG ContentLength() const { return m_contentLength; }
  const std::string& Body() const { return m_body; }
  FILETIME IfModifiedSince() const { return m_ifModifiedSince; }
  bool HasCookieHeader() const { return m_sawCookie; }
  const std::map<CString, CString>& Cookies() const { return m_cookies; }
  bool IsUpload() const { return m_phase == Phase::Upload || m_wasUpload; }
  // True once, when a request that expects "100 Continue" has been accepted and none of its body
  // has arrived yet: the interim answer is then owed before the client sends the body.
  bool TakeContinueDue();

 private:
  enum class Phase { Header, Body, Upload, Done, Broken };

  void StartMessage();
  Status Run();
  Status ReadHeader();
  Status InterpretHeader();
  bool ReadHeaderFields();
  void ReadStartLine();
  void ParseCookies(const std::string& value);
  Status ReadBody();
  Status ReadUpload();
  void NoteContinueDue();
  Status Fail(Fault fault);
  Status Finish();

  HttpParseLimits m_limits;
  HttpUploadSink m_upload;
  Phase m_phase = Phase::Header;
  Fault m_fault = Fault::None;
  std::string m_pending;  // received bytes; those before m_pos are consumed
  size_t m_pos = 0;

  std::string m_line;
  std::vector<std::string> m_lines;
  bool m_lastLineEmpty = false;
  size_t m_headerBytes = 0;

  CString m_methodText;
  CString m_url;
  DWORD m_methodCode = 10;
  LONG m_status = 0;
  bool m_close = false;
  CString m_connection;
  CString m_contentType;
  LONG m_contentLength = 0;
  bool m_sawContentLength = false;
  bool m_sawTransferEncoding = false;
  bool m_http10 = false;
  bool m_expectContinue = false;
  bool m_continueDue = false;
  LONG m_received = 0;
  std::string m_body;
  FILETIME m_ifModifiedSince;
  bool m_sawCookie = false;
  std::map<CString, CString> m_cookies;
  bool m_wasUpload = false;
};

// "+" becomes a blank, "%" with two hexadecimal digits the byte they give; everything else is copied.
CString PercentDecode(std::string_view text);
// Form and query variables; names compare without case.
using RequestParamMap = std::map<CString, CString, NoCaseLess>;
// Fills `pairs` from "a=1&b=2" (values percent-decoded, names as they stand, first value of a name wins).
void DecodeFormPairs(std::string_view text, RequestParamMap& pairs);
