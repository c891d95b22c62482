// One TCP connection that speaks HTTP/1.x, on a worker thread of its own: an inbound handler made by
// the listener, or an outbound client made by the outbound connection map. The thread sleeps on its
// socket event and its command event and reports to its owner window with posted notices.
//
// Other threads touch it only through PostCommand, GetState, GetLinkState and the request-parameter
// accessors. The object deletes itself when its thread ends; a handler ends when its connection
// closes. It reaches its listener or its outbound map only through their shared registries, which
// outlive it.
//
// An inbound connection times out: a request whose header or body stalls, or a reply the peer stops
// reading, is closed after the request time-out (a stalled request is answered 408 first); a kept
// connection with nothing under way after the idle time-out. A peer that half-closes still gets the
// reply it is owed, and the thread sleeps meanwhile.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <deque>
#include <memory>
#include <string>

#include "netlib/HttpParser.h"
#include "netlib/ThreadBlocks.h"
#include "platform/core/CString.h"
#include "platform/core/Sync.h"
#include "platform/core/Thread.h"
#include "platform/sock/WinSock2.h"

class CServerThread;
class CClientSocketManager;
class CHandlerRegistry;
class CClientRegistry;
class CSession;

#define HTTP_DEFAULT_NOTICE_MESSAGE 0x81F4u
#define HTTP_SERVER_TOKEN "QuaverhouseControl/1.0"

// Link states.
enum : LONG {
  LINK_NOT_INITIALISED = 0,
  LINK_NO_SOCKET = 1,
  LINK_CONNECTING = 2,
  LINK_IDLE = 3,
  LINK_READING = 4,
  LINK_WRITING = 5,
  LINK_AWAITING_REPLY = 6,
};

// Connection states read through GetState.
enum : LONG { CONNECTION_CLOSED = 0, CONNECTION_CONNECTING = 1, CONNECTION_CONNECTED = 2 };

class CHttpSocketThread : public CWinThread {
 public:
  static constexpr int kMaxQueuedCommands = 11;
  static constexpr DWORD kLockTimeout = 15000;

  CHttpSocketThread();
  ~CHttpSocketThread() override;

  BOOL Init(HWND owner, UINT noticeMessage, const CString& uploadFolder);
  BOOL SetSocket(SOCKET s, CServerThread* server, BOOL sessionsEnabled);
  // As SetSocket, for a handler whose thread has not run yet: the socket is only taken here; its
  // event selection and the connected notice happen on the handler's own thread when it starts, so
  // the listener goes back to accepting sooner. A selection that fails then ends the handler. The
  // peer's address as accept gave it spares asking the socket for it again.
  BOOL TakeAcceptedSocket(SOCKET s, CServerThread* server, BOOL sessionsEnabled, const sockaddr_in* peer = nullptr);
  BOOL SetClientManager(CClientSocketManager* manager);
  // Time-outs of an inbound connection (0: none); set before SetSocket.
  void SetTimeouts(DWORD requestTimeoutMs, DWORD idleTimeoutMs);
  // Queues a command. The block has exactly one owner at any time: on true it belongs to the thread
  // (which frees it, also when the connection ends first); on false (the thread is not initialised,
  // the queue lock times out or 11 blocks are already queued) it stays the caller's, who must free it
  // or keep it: nobody else ever will.
  BOOL PostCommand(CHttpCommand* command);
  // CONNECTION_CLOSED / CONNECTING / CONNECTED, or -1 when the state lock times out.
  LONG GetState();
  virtual void WaitOnEvent();
  static UINT ThreadProc(LPVOID param);

  // The form and query variables of the request parsed last (names without case).
  BOOL GetRequestParam(const CString& name, CString& value);
  BOOL BeginRequestParams();
  BOOL GetNextRequestParam(CString& name, CString& value);
  // A copy of the whole map; false on a lock time-out.
  BOOL CopyRequestParams(RequestParamMap& params);

  // Test views of the thread's state.
  LONG GetLinkState() const { return m_linkState.load(); }
  int GetQueuedCount();

 private:
  // The run loop.
  void Turn();
  bool SelectTakenSocket();
  bool DrainCommands();
  LONG TakeCommand();
  LONG RunCommand(CHttpCommand& command);
  void WaitForEvents();
  bool OwesReplyBeforeClosing() const;
  DWORD MillisecondsToTimeout() const;
  void OnTimeout();
  void BeginReading();
  void MarkProgress() { m_lastProgress = std::chrono::steady_clock::now(); }
  void HandleNetworkEvents();

  // Connection.
  LONG ConnectStart(CHttpConnect* target);
  void OnConnected();
  void CloseSocket();
  int CheckIdle(LONG seconds);
  void Cleanup(bool orderly);
  void SetConnectionState(LONG state);
  void Renew() { m_lastActivity = std::time(nullptr); }

  // Reading.
  void ParseHTTP();
  void SendContinue();
  int ReadSocket(char* buffer, int size);
  void OnMessageComplete();
  void OnInvalidMessage();
  void FindOrCreateSession();
  void DecodeParameters(std::string_view input);
  CHttpResponse* MakeMessageBlock();
  void InstallUploadSink();
  bool OpenUpload(const CString& url);
  bool WriteUpload(const char* data, size_t size);
  void CloseUpload(bool keep);

  // Writing.
  bool StartWriting(const char* who);
  LONG HTTPWriteReq(CHttpRequest* request);
  LONG HTTPWriteResp(CHttpResponse* reply);
  LONG WriteHttpFile(CHttpResponse* reply);
  LONG WriteHttp304Resp(CHttpResponse* reply);
  LONG WriteHttpOutput();
  LONG WriteFileOutput();
  void WriteFinished();
  void AnswerFault(int status, const char* reason);

  // Notices.
  void Notify(WPARAM code, const CString& text, LONG value);
  void NotifyError(const CString& text, LONG code) { Notify(NOTICE_ERROR, text, code); }
  void NotifyInfo(const CString& text) { Notify(NOTICE_INFO, text, 0); }
  bool PostBlock(WPARAM code, LPARAM block);
  void PostThreadIdNotice(WPARAM code);
  // The written notice of a kept connection's reply may wait for the next request (see
  // CServerThread::SetWrittenNoticeHold); anything else posted sends it first.
  bool HoldsWrittenNotices() const;
  void HoldWritten(const CString& text, LONG bytes);
  void PostHeldWritten();
  DWORD MillisecondsToPostHeld() const;

  CCriticalSection m_queueLock;
  std::deque<CHttpCommand*> m_queue;
  CCriticalSection m_paramLock;
  RequestParamMap m_params;
  RequestParamMap::const_iterator m_paramCursor;
  CCriticalSection m_stateLock;
  LONG m_connectionState = CONNECTION_CLOSED;

  SOCKET m_socket = INVALID_SOCKET;
  bool m_hadSocket = false;
  bool m_selectPending = false;  // a socket taken by TakeAcceptedSocket, not selected yet
  std::atomic<LONG> m_linkState{LINK_NOT_INITIALISED};  // read by other threads through GetLinkState
  LONG m_parseState = 0;  // 0: the next read starts a message
  std::shared_ptr<CHandlerRegistry> m_handlers;  // set on an inbound connection
  std::shared_ptr<CClientRegistry> m_clients;    // set on an outbound connection
  DWORD m_requestTimeoutMs = 0;
  DWORD m_idleTimeoutMs = 0;
  std::chrono::steady_clock::time_point m_messageStart{};
  std::chrono::steady_clock::time_point m_lastProgress{};
  std::FILE* m_outgoingFile = nullptr;
  ULONGLONG m_fileBytesLeft = 0;  // of the length the file reply's header announced
  std::FILE* m_uploadFile = nullptr;
  std::string m_uploadHostPath;
  std::string m_uploadTempPath;
  CString m_uploadFolder;
  CString m_remoteHost;
  WORD m_remotePort = 0;
  sockaddr_in m_remoteAddress{};
  sockaddr_in m_acceptedPeer{};  // from TakeAcceptedSocket, for the connected notice; else zero
  CString m_serverToken = HTTP_SERVER_TOKEN;
  HWND m_owner = nullptr;
  UINT m_noticeMessage = HTTP_DEFAULT_NOTICE_MESSAGE;
  bool m_noticesOn = true;
  std::unique_ptr<CHttpNotice> m_heldWritten;
  std::chrono::steady_clock::time_point m_heldUntil{};

  std::string m_chunk;  // file-reply header, then one chunk of the file at a time
  size_t m_chunkOffset = 0;
  LONG m_bytesWritten = 0;
  std::string m_pendingOutput;
  size_t m_outputOffset = 0;
  bool m_closePending = false;
  bool m_peerHalfClosed = false;
  bool m_readPending = false;
  bool m_closeAfterWrite = false;
  std::time_t m_lastActivity = std::time(nullptr);
  WSAEVENT m_socketEvent = nullptr;
  HANDLE m_commandEvent = nullptr;
  bool m_exitNoticeSent = false;
  bool m_sessionsEnabled = false;
  bool m_running = false;

  CHttpMessageParser m_parser;
  std::shared_ptr<CSession> m_session;
  bool m_sessionIsNew = false;
  CString m_lastMethodText;
  CString m_lastUrl;
  FILETIME m_lastIfModifiedSince;
  LONG m_status = 0;
};
