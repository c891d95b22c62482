// The blocks that carry work across threads: commands to a connection thread or to the listener,
// and notices and parsed messages back to the owner window.
//
// Each block belongs to exactly one party at a time. A command block handed to PostCommand belongs to
// the receiving thread once PostCommand returns true; a refused block stays with the caller, who must
// free it (or log why it keeps it). A notice block posted to the owner window belongs to the window,
// which deletes it after handling. The four-character tags at both ends mark the block in a memory
// dump; nobody checks them.
#pragma once

#include <functional>
#include <memory>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class CHttpSocketThread;
class CSession;

// Commands of a connection thread (CHttpCommand::m_command).
enum : DWORD {
  HTTP_CMD_CONNECT = 0,     // parameter: CHttpConnect
  HTTP_CMD_WRITE_REQUEST = 1,  // parameter: CHttpRequest
  HTTP_CMD_WRITE_REPLY = 2,    // parameter: CHttpResponse
  HTTP_CMD_CLOSE = 3,       // no parameter
  HTTP_CMD_IDLE_CHECK = 4,  // parameter: LONG seconds
  HTTP_CMD_END = 5,         // no parameter
};

// Commands of the listener (CServerCommand::m_command).
enum : DWORD {
  SERVER_CMD_LISTEN = 0,
  SERVER_CMD_IDLE_CHECK = 1,  // m_parameter: seconds
  SERVER_CMD_STOP = 2,
};

// Notice codes: the wParam of the posted notice messages.
enum : WPARAM {
  NOTICE_INFO = 0,             // CHttpNotice / CServerNotice
  NOTICE_ERROR = 1,            // CHttpNotice / CServerNotice
  NOTICE_REQUEST = 2,          // CHttpResponse holding a parsed request
  NOTICE_RESPONSE = 3,         // CHttpResponse holding a parsed response
  NOTICE_WRITTEN = 4,          // CHttpNotice
  NOTICE_SESSION = 5,          // CHttpNotice
  NOTICE_HANDLER_ENDED = 6,    // CServerNotice (listener only)
  NOTICE_IDLE_CLOSED = 7,      // lParam: thread id
  NOTICE_THREAD_ENDING = 8,    // lParam: thread id
};

// Method codes of the first word of a start line.
enum : DWORD {
  HTTP_METHOD_GET = 0,
  HTTP_METHOD_POST = 1,
  HTTP_METHOD_RESPONSE = 2,
  HTTP_METHOD_PUT = 3,
  HTTP_METHOD_DELETE = 4,
  HTTP_METHOD_HEAD = 5,
  HTTP_METHOD_TRACE = 6,
  HTTP_METHOD_OPTIONS = 7,
  HTTP_METHOD_NOTIFY = 8,
  HTTP_METHOD_SUBSCRIBE = 9,
  HTTP_METHOD_UNKNOWN = 10,
};

// "HCN1": where an outbound connection goes.
struct CHttpConnect {
  char m_tag[4] = {'H', 'C', 'N', '1'};
  CString m_host;  // dotted IPv4 address or host name
  WORD m_port = 0;  // host byte order
  char m_endTag[4] = {'H', 'C', 'N', '9'};
};

// "HRQ1": an outbound request.
struct CHttpRequest {
  char m_tag[4] = {'H', 'R', 'Q', '1'};
  DWORD m_method = 0;  // 1 POST, anything else GET
  CString m_path;      // empty is sent as "/"
  CString m_body;
  CString m_contentType;  // no header when empty
  bool m_close = false;   // "Connection: close" instead of "Connection: Keep-Alive"
  DWORD m_reserved = 0;
  char m_endTag[4] = {'H', 'R', 'Q', '9'};
};

// What an owner's request reader made of a parsed request on the connection thread (see
// CHttpRequestReader); the owner knows the kind it made.
class CReadRequest {
 public:
  virtual ~CReadRequest() = default;
};

// The body of a reply that the connection thread makes just before it writes the reply.
class CReplyBodyMaker {
 public:
  virtual ~CReplyBodyMaker() = default;
  virtual CString Make() = 0;
};

// "HEQ1": a connection thread's information, error, written or session notice.
struct CHttpNotice {
  char m_tag[4] = {'H', 'E', 'Q', '1'};
  LONG m_code = 0;
  CString m_text;
  DWORD m_linkState = 0;
  CHttpSocketThread* m_thread = nullptr;
  DWORD m_threadId = 0;
  char m_endTag[4] = {'H', 'E', 'Q', '9'};
};

struct CHttpResponse;
// Run by a server's connection thread on each parsed request before the request goes to the owner:
// work on the request that needs nothing of the owner's state is done there, by the thread that has
// the request, rather than on the owner's one window thread that every request passes. Null when
// the request is nothing it reads. Must be safe to run on many connection threads at once.
using CHttpRequestReader = std::function<std::unique_ptr<CReadRequest>(const CHttpResponse& request)>;

// "HRS1": a parsed request or response posted to the owner, or the reply the owner hands back.
struct CHttpResponse {
  char m_tag[4] = {'H', 'R', 'S', '1'};
  LONG m_status = 0;
  CString m_methodText;
  DWORD m_methodCode = HTTP_METHOD_UNKNOWN;
  // The connection's session. Shared, so a session that expires while a request that names it is on
  // its way stays valid until the block is freed.
  std::shared_ptr<CSession> m_session;
  bool m_sessionIsNew = false;
  CString m_url;  // request: the target as received; reply: a file to send (non-empty = file reply)
  CString m_reason;
  CString m_body;
  CString m_contentType;  // parsed: upper case
  FILETIME m_ifModifiedSince;  // 0 when absent or unreadable
  bool m_close = false;
  DWORD m_threadId = 0;
  CHttpSocketThread* m_thread = nullptr;
  // Request: what the server's request reader made of it, if anything.
  std::unique_ptr<CReadRequest> m_read;
  // Reply: when set, the body is made from it on the connection thread and m_body is not used.
  std::unique_ptr<CReplyBodyMaker> m_bodyMaker;
  // Request, from a server that holds written notices (CServerThread::SetWrittenNoticeHold): the
  // NOTICE_WRITTEN notice of the connection's previous reply when it was still held as this request
  // came. The owner handles it first, as if it had come on its own just before.
  std::unique_ptr<CHttpNotice> m_written;
  char m_endTag[4] = {'H', 'R', 'S', '9'};
};

// "OZN1" ... "OZN2" notice of the listener.
struct CServerNotice {
  char m_tag[4] = {'O', 'Z', 'N', '1'};
  LONG m_code = 0;
  CString m_text;
  DWORD m_listenerState = 0;
  DWORD m_threadId = 0;
  char m_endTag[4] = {'O', 'Z', 'N', '2'};
};

// "OZN1" ... "OZN2" command of the listener.
struct CServerCommand {
  CServerCommand() = default;
  CServerCommand(DWORD command, DWORD parameter) : m_command(command), m_parameter(parameter) {}
  char m_tag[4] = {'O', 'Z', 'N', '1'};
  DWORD m_command = 0;
  DWORD m_parameter = 0;
  char m_endTag[4] = {'O', 'Z', 'N', '2'};
};

// "WCC1": a command of a connection thread. The block owns its parameter, whose type the command code
// gives (see the list above), and frees it with itself when nobody took it over. Codes above 5 carry
// no parameter.
class CHttpCommand {
 public:
  explicit CHttpCommand(DWORD command) : m_command(command) {}
  CHttpCommand(DWORD command, CHttpConnect* connect);
  CHttpCommand(DWORD command, CHttpRequest* request);
  CHttpCommand(DWORD command, CHttpResponse* reply);
  static CHttpCommand* IdleCheck(LONG seconds);
  CHttpCommand(const CHttpCommand&) = delete;
  CHttpCommand& operator=(const CHttpCommand&) = delete;
  ~CHttpCommand();

  DWORD Command() const { return m_command; }
  // Hands the parameter over to the caller; the block no longer frees it.
  CHttpConnect* TakeConnect();
  CHttpRequest* TakeRequest();
  CHttpResponse* TakeReply();
  LONG* TakeSeconds();

 private:
  void* TakeParameter(DWORD expectedCommand);

  char m_tag[4] = {'W', 'C', 'C', '1'};
  DWORD m_command;
  void* m_parameter = nullptr;
  char m_endTag[4] = {'W', 'C', 'C', '9'};
};

// The NOTICE_WRITTEN block a NOTICE_REQUEST block (its lParam) carries (CHttpResponse::m_written),
// taken out of it for the owner to handle first, or 0.
LPARAM TakeHeldWritten(LPARAM requestBlock);

// The method code of a start line's first word (exact, case-sensitive).
DWORD HttpMethodCode(const CString& word);
