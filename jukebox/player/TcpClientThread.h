// One outbound TCP connection on a worker thread of its own. The owner window hands it requests
// (connect, send bytes or a text, close, drop the pending write, end) through a small locked queue; the
// thread sleeps on its socket event and its request event, and reports everything back by posting one
// notify message with a notice code and a block (TcpClientBlocks.h).
//
// The owner starts one like this: construct, clear m_bAutoDelete (the owner deletes the object), create
// the thread suspended, Init(owner, message), resume. It ends one by posting TCP_REQUEST_END and
// deleting the object once the thread has ended (its handle is signalled); the exit notice (6) tells
// it when. Only PostRequest and GetState are called from other threads.
#pragma once

#include <ctime>
#include <deque>
#include <memory>

#include "jukebox/player/TcpClientBlocks.h"
#include "platform/core/CString.h"
#include "platform/core/Sync.h"
#include "platform/core/Thread.h"
#include "platform/sock/WinSock2.h"

#define TCP_CLIENT_DEFAULT_MESSAGE 0x81F4u

// Thread states (the state field of a notice).
enum : LONG {
  TCP_THREAD_NOT_INITIALISED = 0,
  TCP_THREAD_IDLE = 1,  // no socket
  TCP_THREAD_CONNECTING = 2,
  TCP_THREAD_CONNECTED = 3,
  TCP_THREAD_WRITING = 5,
  TCP_THREAD_DISCARDING = 6,
};

// Connection states read through GetState.
enum : LONG { TCP_NOT_CONNECTED = 0, TCP_CONNECTING = 1, TCP_CONNECTED = 2 };

class CTcpClientThread : public CWinThread {
 public:
  static constexpr int kMaxQueuedRequests = 11;
  static constexpr DWORD kLockTimeout = 15000;
  static constexpr DWORD kMaxWriteBytes = 524288;
  static constexpr int kReadSize = 4096;

  CTcpClientThread();
  ~CTcpClientThread() override;

  static UINT ThreadProc(LPVOID param);

  // False when already initialised or an event cannot be made.
  BOOL Init(HWND owner, UINT notifyMessage);
  // Queues a request and wakes the thread. False (the envelope stays the caller's) before Init, after
  // the thread has cleaned up, when the queue lock times out or 11 requests already wait (an end
  // request is taken even then).
  BOOL PostRequest(CTcpRequest* request);
  // TCP_NOT_CONNECTED / TCP_CONNECTING / TCP_CONNECTED, or -1 when the state lock times out.
  LONG GetState();
  virtual void WaitOnEvent();

  // Views for tests and the owner's log.
  LONG GetThreadState() const { return m_threadState; }
  LONG GetStatusCode() const { return m_statusCode; }
  int GetQueuedCount();

 private:
  // The run loop.
  bool RunIdleRound();
  bool RunConnectedRound();
  void HandleNetworkEvents();
  LONG ProcessRequest();
  LONG DrainRequests();

  // Connection.
  void ConnectStart(CTcpConnect* target);
  void OnConnected();
  void CloseSocket();
  void Cleanup(bool drain);
  void SetConnectionState(LONG state);
  void Renew() { m_lastActivity = std::time(nullptr); }

  // Sending and receiving.
  void WriteStart(CTcpSendRecord* record, bool text);
  void WriteSocket();
  void ReadSocket();
  void DropPendingWrite();
  void DropPendingData();

  // Notices.
  void Notify(WPARAM code, const CString& text, LONG value);
  void NotifyError(const CString& text, LONG code) { Notify(TCP_NOTICE_ERROR, text, code); }
  void NotifyInfo(const CString& text) { Notify(TCP_NOTICE_INFO, text, 0); }
  bool PostToOwner(WPARAM code, LPARAM block);
  void PostExitNotice();

  CCriticalSection m_requestLock;
  std::deque<CTcpRequest*> m_requests;
  CCriticalSection m_stateLock;
  LONG m_connectionState = TCP_NOT_CONNECTED;

  SOCKET m_socket = INVALID_SOCKET;
  LONG m_threadState = TCP_THREAD_NOT_INITIALISED;
  WORD m_peerPort = 0;
  CString m_peerHost;
  sockaddr_in m_peerAddress{};
  HWND m_owner = nullptr;
  UINT m_notifyMessage = TCP_CLIENT_DEFAULT_MESSAGE;
  bool m_notificationsOn = true;
  LONG m_statusCode = 0;
  CString m_statusText;
  std::unique_ptr<char[]> m_drainBuffer;

  std::unique_ptr<char[]> m_pendingData;
  DWORD m_pendingRemaining = 0;
  DWORD m_pendingSent = 0;
  DWORD m_bytesWritten = 0;

  bool m_closing = false;
  bool m_running = false;
  std::time_t m_lastActivity = 0;
  WSAEVENT m_socketEvent = nullptr;
  HANDLE m_requestEvent = nullptr;
  bool m_exitPosted = false;
  bool m_ended = false;  // cleaned up: requests are refused (guarded by the request lock)
};
