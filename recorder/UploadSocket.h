// The recorder's HTTP/1.1 connection to a remote jukebox for uploads. One request goes out at a time;
// its reply is read at once (within the reply time limit), its body queued, and the owner window told
// with the notify message: wParam 0 a reply is queued, wParam 1 the connection is gone (closed by the
// peer, or no reply within the limit). A reply that never comes or ends early therefore always ends
// in one of the two notices, never in a wait without end. Connecting and sending are bounded too: a
// jukebox that is switched off or stops reading costs at most the connect or send time limit, during
// which the owner's windows are still painted; a send that stalls gives the connection up (wParam 1).
#pragma once

#include <deque>
#include <string>

#include "platform/core/CString.h"
#include "platform/sock/WinSock2.h"
#include "platform/ui/WinUser.h"
#include "recorder/UploadReplyReader.h"

class CUploadSocket {
 public:
  enum : int {
    kOk = 0, kOutOfMemory = -2, kFileError = -3, kNotConnected = -5, kNoWriter = -6, kFileNotOpened = -7,
    kFileStatusUnread = -8, kFileEmpty = -9
  };
  static constexpr int kBlockBytes = 4096;

  CUploadSocket() = default;
  ~CUploadSocket();
  CUploadSocket(const CUploadSocket&) = delete;
  CUploadSocket& operator=(const CUploadSocket&) = delete;

  // 0, or -5 with the socket error kept (GetLastError).
  int ConnectTo(const CString& serverToken, const CString& address, UINT port, HWND owner, UINT notifyMessage,
                BOOL closeAfterReply);
  // 0 or a negative code.
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

  // The text for a failed connect: the connect code and, for -5, the Windows Sockets error.
  static CString ConnectFailureText(int code, int socketError);

 private:
  CString HeadOf(const CString& method, const CString& path, const CString& contentType, ULONGLONG length,
                 bool withDate) const;
  bool SendAll(const char* data, size_t length);
  // Waits until the socket is ready for `events` (poll flags), painting the owner's windows meanwhile;
  // false when the limit passed first.
  bool WaitFor(short events, DWORD limit);
  // Reads the reply to the request just sent and tells the owner.
  void ReadReply();
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
  CUploadReplyReader m_reader;
  std::deque<CString> m_replies;
};
