// The HTTP server's front door: a worker thread that owns the listening socket, accepts every
// connection and hands it to a new handler thread, keeps the map of live handlers and owns the
// session table they use. Driven by command blocks from its owner window, it reports to that window
// with server notices; its handlers report under the handler message.
//
// The owner deletes the object after the thread has ended. Destruction waits until every handler has
// left the server, so a handler never reaches a freed server or session table.
#pragma once

#include <atomic>
#include <deque>
#include <map>

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

  CServerThread();
  ~CServerThread() override;

  BOOL Init(HWND owner, UINT serverMessage, UINT handlerMessage, WORD port, BOOL sessionsEnabled,
            const CString& uploadFolder);
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
  void AcceptFailed(const char* text);
  void CloseAll();
  int PostEndToHandlers();
  void Cleanup();
  void Notify(WPARAM code, const CString& text, LONG value);
  bool WaitForHandlers(int milliseconds);

  CCriticalSection m_queueLock;
  std::deque<CServerCommand*> m_queue;
  CCriticalSection m_mapLock;
  std::map<DWORD, CHttpSocketThread*> m_handlers;
  LiveThreadCount m_liveHandlers;
  SOCKET m_listenSocket = INVALID_SOCKET;
  std::atomic<LONG> m_listenerState{LISTENER_NOT_INITIALISED};
  CSessionManager m_sessions;
  WORD m_port = 0;
  std::atomic<WORD> m_boundPort{0};
  CString m_uploadFolder;
  HWND m_owner = nullptr;
  UINT m_serverMessage = SERVER_DEFAULT_MESSAGE;
  UINT m_handlerMessage = HANDLER_DEFAULT_MESSAGE;
  bool m_noticesOn = true;
  bool m_sessionsEnabled = false;
  WSAEVENT m_socketEvent = nullptr;
  HANDLE m_commandEvent = nullptr;
  bool m_exitNoticeSent = false;
  bool m_cleanedUp = false;
  bool m_running = false;
};
