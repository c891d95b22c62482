// The jukebox's control port, owned by the main window: it starts and stops the listening server,
// handles the notices of the server and its connection threads, routes each parsed request (POST
// "/CONTROL" becomes queued actions, PUT is a finished upload), runs the queued actions one at a time
// through the executor and answers each request when its last action is done. Main window thread only
// (but for the static request reader, which the connection threads run on their own requests); the
// socket threads reach it only through posted notices and take work only as queued command blocks.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>

#include "jukebox/app/RemotePort.h"
#include "jukebox/remote/RemoteCommand.h"
#include "jukebox/remote/RemoteEvents.h"
#include "jukebox/remote/RemoteExecutor.h"
#include "netlib/ThreadBlocks.h"
#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class CMasterWindow;
class CServerThread;
struct CHttpResponse;

class CRemoteControl : public CRemotePort {
 public:
  explicit CRemoteControl(CMasterWindow& window);
  ~CRemoteControl() override;

  // ---- Server (CRemotePort) ----
  bool StartServer() override;
  void ShutdownServer() override;
  bool StopServer() override;
  LRESULT OnPortMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void RunStartupActions() override;
  void OnWindowDestroyed() override;
  // The port the server listens on (the one the system chose when the setting is 0); 0 before then.
  WORD GetBoundPort() const;
  // The connections the server has now; -1 without a server.
  int ConnectionCount() const;
  bool IsServerRunning() const { return m_serverRunning; }

  // ---- Notices ----
  void OnServerNotify(WPARAM code, LPARAM block);
  void OnHandlerNotify(WPARAM code, LPARAM block);

  // ---- Requests ----
  // Status of the reply, 0 when it is deferred until the request's actions are done.
  LONG HandleControlPost(const CHttpResponse& request);
  // The server's request reader (CHttpRequestReader): a POST of an XML document to "/CONTROL" is read
  // into its actions on the connection thread; the window thread only files them. Anything else is
  // left to the window thread as it came.
  static std::unique_ptr<CReadRequest> ReadControlRequest(const CHttpResponse& request);
  LONG HandleXmlRequest(const CHttpResponse& request);
  LONG HandleUploadPut(const CHttpResponse& request);
  // An action document from the start-up file: 0 when its actions were queued, else the reader's
  // failure. Its actions run like any others and are answered to nobody.
  LONG ParseActionRequest(const CString& text);

  // ---- Queue ----
  // Message 0x46B, and a request just filed: starts the queued actions unless one is running.
  void OnQueueCommand();
  // Ends the current action; starts the next one unless `startNext` is false.
  void OnActionFinished(bool startNext = true);
  // -1 when there is no such record, else its actions not done yet.
  int CountOpenActions(LONG requestNumber) const;
  void SendActionResponse(LONG requestNumber);
  size_t QueuedActionCount() const { return m_actionQueue.size(); }
  size_t PendingRequestCount() const { return m_pendingRequests.size(); }

  CRemoteExecutor& Executor() { return m_executor; }
  CRemoteEvents& Events() { return *m_events; }

  // ---- What the executor needs of the jukebox ----
  CMasterWindow* MainWindow() { return &m_window; }
  int ZoneCount();
  int CurrentZone();
  CPlayerBase* ZonePlayer(int index);
  CWnd* ChooserDialog();
  // The running action has ended within the executor's call; the queue ends it when the call returns.
  void ActionCompleted();
  // Shuts down as the main window's shut-down does (SvcShutdown).
  void RequestShutdown();
  CEventSubscriptions* Subscriptions() { return &m_events->Subscriptions(); }

 private:
  // The executor's view of the control port (the port's own ShutdownServer means something else).
  class ExecutorHost : public CRemoteExecutorHost {
   public:
    explicit ExecutorHost(CRemoteControl& control) : m_control(control) {}
    CMasterWindow* MainWindow() override { return m_control.MainWindow(); }
    int ZoneCount() override { return m_control.ZoneCount(); }
    int CurrentZone() override { return m_control.CurrentZone(); }
    CPlayerBase* ZonePlayer(int index) override { return m_control.ZonePlayer(index); }
    CWnd* ChooserDialog() override { return m_control.ChooserDialog(); }
    void ActionCompleted() override { m_control.ActionCompleted(); }
    void FinishNow() override { m_control.OnActionFinished(false); }
    void ShutdownServer() override { m_control.RequestShutdown(); }
    CEventSubscriptions* Subscriptions() override { return m_control.Subscriptions(); }

   private:
    CRemoteControl& m_control;
  };

  void Log(const char* severity, const char* source, const CString& text) const;
  // Runs queued actions one after another for as long as each ends within its call; stops at an
  // action that ends later (a volume ramp, whose end the player posts as 0x46C) or an empty queue.
  void RunQueuedActions();
  void RouteRequest(CHttpResponse* request);
  void ReplyNow(const CHttpResponse& request, LONG status);
  bool PostToHandler(DWORD threadId, CHttpResponse* reply);
  // `read`: the actions the connection thread read from `text` already, if it did.
  LONG FileActionRequest(std::string_view text, const CString& path, DWORD threadId, CHttpSocketThread* thread,
                         bool closeAfterReply, CReadRequest* read = nullptr);
  void DropPendingRequests();
  // Stops the server and the outbound connections and waits for their threads.
  void EndThreads();
  CString UploadFolder() const;

  CMasterWindow& m_window;
  CServerThread* m_server = nullptr;
  WORD m_listenPort = 80;
  bool m_serverRunning = false;
  bool m_shuttingDown = false;
  CString m_replyBody;
  CString m_replyContentType;
  CString m_replyFilePath;
  LONG m_requestCounter = 1;
  std::deque<CRemoteAction*> m_actionQueue;  // borrowed from the records
  CRemoteAction* m_currentAction = nullptr;
  // While the executor runs an action: set when it reports the action completed within the call.
  bool m_executing = false;
  bool m_completedInCall = false;
  std::map<LONG, std::unique_ptr<CRemoteCommand>> m_pendingRequests;
  ExecutorHost m_executorHost{*this};
  CRemoteExecutor m_executor{m_executorHost};
  std::unique_ptr<CRemoteEvents> m_events;
  CRemoteEventSink* m_previousSink = nullptr;
};

// Installs the remote control as the main window's control port (the program calls it at start).
void InstallRemoteControl();
