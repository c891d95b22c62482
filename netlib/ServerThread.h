// The HTTP server's front door: a worker thread that owns the listening socket, accepts every
// connection and hands it to a new handler thread, keeps the map of live handlers and owns the
// session table they use. Driven by command blocks from its owner window, it reports to that window
// with server notices; its handlers report under the handler message.
//
// The owner deletes the object after the thread has ended. Destruction waits a bounded time for the
// handlers to end; the handler map, the session table and the notice target live in a registry that
// the handlers share, so one that outlives the wait never reaches freed memory.
//
// An open port meets hostile peers: connections beyond a cap are answered 503 and closed, a request
// that stalls is closed after a time-out and an idle kept connection after a longer one, and accept
// failures (descriptors run out) back off and are reported once.
#pragma once

#include <atomic>
#include <deque>
#include <map>
#include <memory>

#include "netlib/HandlerRegistry.h"
#include "netlib/HttpSocketThread.h"
#include "netlib/LiveThreadCount.h"
#include "netlib/Sessions.h"
#include "netlib/ThreadBlocks.h"
#include "platform/core/CString.h"
#include "platform/core/Sync.h"
#include "platform/core/Thread.h"
#include "platform/sock/WinSock2.h"

#define SERVER_DEFAULT_MESSAGE 0x81F4u
#define HANDLER_DEFAULT_MESSAGE 0x81F5u

// Listener states.
enum : LONG {
  LISTENER_NOT_INITIALISED = 0,
  LISTENER_NOT_LISTENING = 1,
  LISTENER_BOUND = 2,
  LISTENER_LISTENING = 3,
  LISTENER_ACCEPTING = 4,
};

class CServerThread : public CWinThread {
 public:
  static constexpr DWORD kLockTimeout = 15000;
  static constexpr int kMaxQueuedCommands = 11;
  // Connections waiting to be accepted. A handful is not enough for browsers and benchmark clients
  // that open dozens at once: dropped connection attempts are retried only after a second.
  static constexpr int kListenBacklog = 128;
  // Simultaneous connections; one more is answered 503 and closed.
  static constexpr int kDefaultMaxConnections = 512;
  // A request whose header or body makes no progress for this long is answered 408 and closed; so is
  // a reply the peer stops reading.
  static constexpr DWORD kDefaultRequestTimeoutMs = 30000;
  // A kept connection with no request under way is closed after this long.
  static constexpr DWORD kDefaultIdleTimeoutMs = 120000;
  // How long destruction waits for handlers that are still ending.
  static constexpr int kShutdownWaitMs = 10000;
  // How long a written notice may wait for the next request of its connection (SetWrittenNoticeHold):
  // far longer than a busy client takes to send it, and too short for a log reader to notice.
  static constexpr DWORD kWrittenNoticeHoldMs = 20;
  // The stack of a handler thread: parsing and writing need a few pages. The threads are kept
  // parked for later connections (CHandlerPool), so few are ever made.
  static constexpr UINT kHandlerStackSize = 256 * 1024;
  // Accept failures are retried after a pause that doubles up to this.
  static constexpr DWORD kMaxAcceptBackoffMs = 2000;

  CServerThread();
  ~CServerThread() override;

  BOOL Init(HWND owner, UINT serverMessage, UINT handlerMessage, WORD port, BOOL sessionsEnabled,
            const CString& uploadFolder);
  // Settable before the listen command (tests use short times); false after it.
  BOOL SetConnectionLimits(int maxConnections, DWORD requestTimeoutMs, DWORD idleTimeoutMs);
  // The reader every connection thread runs on its parsed requests (CHttpRequestReader); settable
  // before the listen command, false after it.
  BOOL SetRequestReader(CHttpRequestReader reader);
  // Lets every connection hold the NOTICE_WRITTEN notice of a kept connection's reply up to
  // `milliseconds`, so that it rides in the next request's block (CHttpResponse::m_written) instead
  // of a window message of its own: a kept-alive client's next request usually comes sooner. A notice
  // still held then, or when the connection posts anything else, is posted on its own first, so the
  // owner sees every notice, in the order it would have. Only for an owner that handles m_written;
  // settable before the listen command, false after it.
  BOOL SetWrittenNoticeHold(DWORD milliseconds);
  // Queues a command. True: the block belongs to the thread. False (not initialised, lock time-out,
  // 11 queued): the block stays the caller's, who frees it.
  BOOL PostCommand(CServerCommand* command);
  virtual void WaitOnEvent();
  static UINT ThreadProc(LPVOID param);

  // 0 removed; -1 not in the map; -2 map lock time-out.
  LONG RemoveHandler(DWORD threadId);
  // 0; -1 on a map lock time-out.
  LONG CheckIdleHandlers(LONG seconds);
  // Hands a command to a live handler while holding the map lock. False when the handler has ended
  // (or refused it): the block then stays the caller's.
  BOOL PostToHandler(DWORD threadId, CHttpCommand* command);
  // The form and query variables a live handler parsed last, read while the map lock keeps the
  // handler from ending. False when it has ended or a lock times out.
  BOOL GetHandlerRequestParams(DWORD threadId, RequestParamMap& params);
  CSessionManager* GetSessionManager() { return &m_sessions; }
  // The table the handlers share with the listener (held by every handler).
  std::shared_ptr<CHandlerRegistry> GetRegistry() const { return m_registry; }
  int GetHandlerCount();
  LONG GetListenerState() const { return m_listenerState; }
  // The port the listening socket is bound to (the one the system chose when 0 was asked for).
  WORD GetBoundPort() const { return m_boundPort; }

  // A handler's last call on its server.
  void HandlerEnded(DWORD threadId);

 private:
  void Turn();
  bool DrainCommands();
  LONG TakeCommand();
  LONG InitAndListen();
  void WaitForConnection();
  void AcceptFailed(const char* text, int error = 0);
  void AcceptSucceeded();
  void WaitOutAcceptBackoff();
  void RefuseOverCap(SOCKET accepted);
  void CloseAll();
  int PostEndToHandlers();
  void Cleanup();
  void Notify(WPARAM code, const CString& text, LONG value);
  bool WaitForHandlers(int milliseconds);

  // First: the references below are bound to it.
  std::shared_ptr<CHandlerRegistry> m_registry = std::make_shared<CHandlerRegistry>();
  CCriticalSection& m_mapLock = m_registry->mapLock;
  std::map<DWORD, CHttpSocketThread*>& m_handlers = m_registry->handlers;
  LiveThreadCount& m_liveHandlers = m_registry->liveHandlers;
  std::atomic<LONG>& m_listenerState = m_registry->listenerState;
  CSessionManager& m_sessions = m_registry->sessions;
  std::atomic<bool>& m_noticesOn = m_registry->noticesOn;

  CCriticalSection m_queueLock;
  std::deque<CServerCommand*> m_queue;
  SOCKET m_listenSocket = INVALID_SOCKET;
  int m_maxConnections = kDefaultMaxConnections;
  DWORD m_requestTimeoutMs = kDefaultRequestTimeoutMs;
  DWORD m_idleTimeoutMs = kDefaultIdleTimeoutMs;
  DWORD m_acceptBackoffMs = 0;  // 0: accepting normally
  bool m_acceptFailureReported = false;
  bool m_overCapReported = false;
  // "Waiting for incoming connection" is said once a listen: after every accepted batch it told the
  // owner nothing new and cost a window message a connection.
  bool m_waitingReported = false;
  WORD m_port = 0;
  std::atomic<WORD> m_boundPort{0};
  CString m_uploadFolder;
  HWND m_owner = nullptr;
  UINT m_serverMessage = SERVER_DEFAULT_MESSAGE;
  UINT m_handlerMessage = HANDLER_DEFAULT_MESSAGE;
  bool m_sessionsEnabled = false;
  WSAEVENT m_socketEvent = nullptr;
  HANDLE m_commandEvent = nullptr;
  bool m_exitNoticeSent = false;
  bool m_cleanedUp = false;
  bool m_running = false;
};
