// The recorder's HTTP/1.1 connection to a remote jukebox for uploads. One request goes out at a time;
// its reply is read at once (within the reply time limit), its body queued, and the owner window told
// with the notify message: wParam 0 a reply is queued, wParam 1 the connection is gone (closed or reset
// by the peer, or no reply within the limit). A reply that never comes or ends early therefore always
// ends in one of the two notices, never in a wait without end. Connecting and sending are bounded too:
// a jukebox that is switched off or stops reading costs at most the connect or send time limit; a send
// that stalls or fails (the peer reset or closed the connection) gives the connection up (wParam 1).
// Every wait (connect, send, reply) hands the owner a turn every few milliseconds, in which it keeps its
// windows answering and may abandon the wait: the connection is then dropped and the call returns
// kCancelled, with no notice.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <utility>

#include "platform/core/CString.h"
#include "platform/sock/WinSock2.h"
#include "platform/ui/WinUser.h"
#include "recorder/UploadReplyReader.h"

class CUploadSocket {
 public:
  enum : int {
    kOk = 0, kOutOfMemory = -2, kFileError = -3, kNotConnected = -5, kNoWriter = -6, kFileNotOpened = -7,
    kFileStatusUnread = -8, kFileEmpty = -9, kCancelled = -10
  };
  static constexpr int kBlockBytes = 4096;

  CUploadSocket() = default;
  ~CUploadSocket();
  CUploadSocket(const CUploadSocket&) = delete;
  CUploadSocket& operator=(const CUploadSocket&) = delete;

  // 0, -5 with the socket error kept (GetLastError), or kCancelled.
  int ConnectTo(const CString& serverToken, const CString& address, UINT port, HWND owner, UINT notifyMessage,
                BOOL closeAfterReply);
  // 0 or a negative code (kCancelled when the owner abandoned a wait of the send or of its reply).
  int SendPost(const CString& body, const CString& path, const CString& method);
  // The body's length, or a negative code.
  int SendPutText(const CString& body, const CString& path, const CString& contentType);
  // The file bytes sent, or a negative code.
  int SendPutFile(const CString& fileName, const CString& path, const CString& contentType);
  // Moves the oldest queued reply body out; false when none is queued.
  bool GetResponse(CString& body);
  void Disconnect();

  bool IsConnected() const { return m_connected; }
  int GetLastError() const { return m_lastError; }
  const CString& GetServerToken() const { return m_serverToken; }
  void SetContentType(const CString& type) { m_contentType = type; }
  // How long a reply may take to arrive, in milliseconds.
  void SetReplyTimeLimit(DWORD milliseconds) { m_replyTimeLimit = milliseconds; }
  // How long a connect may take, and how long a send may make no progress, in milliseconds.
  void SetConnectTimeLimit(DWORD milliseconds) { m_connectTimeLimit = milliseconds; }
  void SetSendTimeLimit(DWORD milliseconds) { m_sendTimeLimit = milliseconds; }
  // The owner's turn during a wait, taken every few milliseconds: it dispatches what its windows need
  // and returns false to abandon the wait. Without one, a wait only paints the thread's windows.
  void SetWaitTurn(std::function<bool()> turn) { m_waitTurn = std::move(turn); }

  // The text for a failed connect: the connect code and, for -5, the Windows Sockets error.
  static CString ConnectFailureText(int code, int socketError);

 private:
  CString HeadOf(const CString& method, const CString& path, const CString& contentType, ULONGLONG length,
                 bool withDate) const;
  enum class Wait { kReady, kTimedOut, kCancelled };
  // kOk, kFileError (the socket failed or the peer stopped taking bytes) or kCancelled.
  int SendAll(const char* data, size_t length);
  // Waits until the socket is ready for `events` (poll flags) or the limit passed, giving the owner its
  // turns meanwhile.
  Wait WaitFor(short events, DWORD limit);
  // One read of the reply: what came within the reply time limit; 0 or less when nothing did.
  int ReadSome(char* buffer, int capacity);
  // Gives up a connection that cannot complete its request (the peer reset it, closed it or stopped
  // reading): the error is kept, the connection dropped and the owner told (wParam 1); kFileError.
  int GiveUp(int socketError);
  // Drops the connection after the owner abandoned a wait.
  int Cancelled();
  // Reads the reply to the request just sent and tells the owner; kOk or kCancelled.
  int ReadReply();
  void Notify(WPARAM what);

  SOCKET m_socket = INVALID_SOCKET;
  bool m_connected = false;
  int m_lastError = 0;
  CString m_serverToken;
  CString m_contentType = "text/xml";
  HWND m_owner = nullptr;
  UINT m_notifyMessage = 0;
  BOOL m_closeAfterReply = TRUE;
  DWORD m_replyTimeLimit = 30000;
  DWORD m_connectTimeLimit = 10000;
  DWORD m_sendTimeLimit = 10000;
  std::function<bool()> m_waitTurn;
  bool m_cancelled = false;
  CUploadReplyReader m_reader;
  std::deque<CString> m_replies;
};
