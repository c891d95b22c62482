// The blocks a TCP client thread and its owner window hand each other: requests in an envelope to the
// thread, notices back to the owner. Every block lives on the heap and belongs to one party at a time:
// an envelope that PostRequest accepted belongs to the thread, one it refused stays the caller's; a
// block posted to the owner belongs to the owner, who deletes it. The tags at both ends mark the block
// in a memory dump; nobody checks them.
#pragma once

#include <memory>

#include "netlib/ThreadBlocks.h"
#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class CTcpClientThread;

// Request types (the envelope's m_type).
enum : DWORD {
  TCP_REQUEST_CONNECT = 0,     // payload: CTcpConnect
  TCP_REQUEST_SEND_BYTES = 1,  // payload: CTcpSendRecord holding bytes
  TCP_REQUEST_SEND_TEXT = 2,   // payload: CTcpSendRecord holding a text
  TCP_REQUEST_CLOSE = 3,       // no payload
  TCP_REQUEST_DROP = 4,        // no payload: drop the pending write, discard later sends and connects
  TCP_REQUEST_END = 6,         // no payload: clean up and end the thread
};

// Notice codes: the wParam of the owner's notify message.
enum : WPARAM {
  TCP_NOTICE_INFO = 0,     // CTcpNotice, code 0; its thread state tells which information
  TCP_NOTICE_ERROR = 1,    // CTcpNotice, code = error number
  TCP_NOTICE_DATA = 2,     // CTcpReceivedData
  TCP_NOTICE_WRITTEN = 3,  // CTcpNotice, code = bytes written
  TCP_NOTICE_EXIT = 6,     // lParam: the thread's id, no block
};

// "HCN1": where to connect (host: a dotted IPv4 address or a host name; port in host order). The
// network library's connection threads take the same block.
using CTcpConnect = CHttpConnect;

// "HRQ1": what to send, bytes (request 1) or a text (request 2).
struct CTcpSendRecord {
  static CTcpSendRecord* Bytes(std::unique_ptr<char[]> data, DWORD length);
  static CTcpSendRecord* Text(const CString& text);

  char m_tag[4] = {'H', 'R', 'Q', '1'};
  DWORD m_length = 0;
  std::unique_ptr<char[]> m_data;
  CString m_text;
  DWORD m_spare = 0;
  char m_endTag[4] = {'H', 'R', 'Q', '9'};
};

// "HRQ1": bytes that arrived (notice 2). m_count is 0 when the peer closed.
struct CTcpReceivedData {
  static constexpr int kBufferSize = 4096;
  char m_tag[4] = {'H', 'R', 'Q', '1'};
  LONG m_count = 0;
  std::unique_ptr<char[]> m_buffer;
  DWORD m_threadId = 0;
  char m_endTag[4] = {'H', 'R', 'Q', '9'};
};

// "HEQ1": information, an error or a finished write (notices 0, 1 and 3).
struct CTcpNotice {
  char m_tag[4] = {'H', 'E', 'Q', '1'};
  LONG m_code = 0;
  CString m_text;
  LONG m_threadState = 0;  // the thread state when the notice was posted
  CTcpClientThread* m_thread = nullptr;
  DWORD m_threadId = 0;
  char m_endTag[4] = {'H', 'E', 'Q', '9'};
};

// "WCC1": one request. The envelope owns its payload and frees it with itself unless it was taken.
class CTcpRequest {
 public:
  explicit CTcpRequest(DWORD type) : m_type(type) {}
  explicit CTcpRequest(CTcpConnect* connect) : m_type(TCP_REQUEST_CONNECT), m_payload(connect) {}
  CTcpRequest(DWORD type, CTcpSendRecord* record) : m_type(type), m_payload(record) {}
  CTcpRequest(const CTcpRequest&) = delete;
  CTcpRequest& operator=(const CTcpRequest&) = delete;
  ~CTcpRequest();

  DWORD Type() const { return m_type; }
  // Hands the payload over; the envelope no longer frees it. Null when the type carries another one.
  CTcpConnect* TakeConnect();
  CTcpSendRecord* TakeRecord();

 private:
  char m_tag[4] = {'W', 'C', 'C', '1'};
  DWORD m_type;
  void* m_payload = nullptr;
  char m_endTag[4] = {'W', 'C', 'C', '9'};
};
