#include "controller/MainDlg.h"

#include <cmath>

#include "controller/LogText.h"
#include "controller/MainApp.h"

namespace {

CString HandlerText(DWORD threadId) { return ThreadLabel("Handler", threadId); }

}  // namespace

BEGIN_MESSAGE_MAP(CMainDlg, CDialog)
  ON_WM_TIMER()
  ON_WM_CLOSE()
  ON_WM_CTLCOLOR()
  ON_WM_PAINT()
  ON_WM_QUERYDRAGICON()
  ON_BN_CLICKED(1006, OnReloadTemplates)
  ON_BN_CLICKED(1010, OnCloseButton)
  ON_MESSAGE(WM_LOAD_PROJECT, OnLoadProject)
  ON_MESSAGE(WM_START_SVC_PROGRAMS, OnStartSvcPrograms)
  ON_MESSAGE(WM_SERVER_NOTICE, OnServerNotify)
  ON_MESSAGE(WM_HANDLER_NOTICE, OnHandlerNotify)
  ON_MESSAGE(WM_CLIENT_NOTICE, OnClientNotify)
END_MESSAGE_MAP()

CMainDlg::CMainDlg(CMainApp& app)
    : CDialog(kTemplateId),
      m_app(app),
      m_router(app.Templates(), app.StartDirectory()),
      m_transactions(app.Templates(), app.Log()),
      m_actions(app.Devices(), app.Clients(), m_transactions, app.Log()),
      m_executor(app.Log(), app.Devices(), app.Macros(), app.Schedule(), m_actions) {
  m_transactions.SetReplySender([this](DWORD threadId, CHttpCommand* command) { return PostReply(threadId, command); });
  m_actions.SetErrorDisplay([this](const CString& text) {
    ShowStatus(text);
    ShowNumber(1005, ++m_errorsDetected);
  });
}

CMainDlg::~CMainDlg() {
  // A server that never reported its end (the dialog ended another way) is stopped and waited for
  // here, so its thread never outlives its object.
  if (m_server) {
    auto* stop = new CServerCommand(SERVER_CMD_STOP, 0);
    if (!m_server->PostCommand(stop)) delete stop;
    WaitForServerEnd();
  }
}

BOOL CMainDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (CWinApp* app = AfxGetApp()) m_hIcon = app->LoadIcon(kIconId);
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);
  ShowTemplateCount();
  ShowUptime();
  std::time_t now = Now();
  m_ownStore.Init(1, now, nullptr);
  m_windowStart = now;
  m_windowEnd = now + 1800;
  m_app.Schedule().PlanWindow(m_windowStart, m_windowEnd);
  SetTimer(TIMER_UPTIME, 60000);
  SetTimer(TIMER_SESSIONS, 300000);
  SetTimer(TIMER_STARTUP, 30000);
  SetDlgItemText(1007, "0");
  ShowNumber(1004, 0);
  ShowNumber(1011, 0);
  ShowNumber(1012, 0);
  ShowNumber(1005, 0);
  StartServer();
  PostMessage(WM_LOAD_PROJECT);
  NoteMainWindow(m_hWnd);
  return TRUE;
}

void CMainDlg::SetClock(std::function<std::time_t()> clock) {
  m_clock = clock;
  m_app.Schedule().SetClock(std::move(clock));
}

// ---- Server start and shutdown ----

bool CMainDlg::StartServer() {
  m_port = static_cast<WORD>(m_app.GetWebSocketNumber());
  m_server = new CServerThread;
  bool created = m_server->CreateThread(CREATE_SUSPENDED) &&
                 m_server->Init(m_hWnd, WM_SERVER_NOTICE, WM_HANDLER_NOTICE, m_port, TRUE, "");
  DWORD previous = created ? m_server->ResumeThread() : 0xFFFFFFFFu;
  if (created && (previous == 0 || previous == 1)) {
    // A browser's next request on its connection carries the written notice of the reply before
    // it: one window message a request instead of two.
    m_server->SetWrittenNoticeHold(CServerThread::kWrittenNoticeHoldMs);
    auto* listen = new CServerCommand(SERVER_CMD_LISTEN, 0);
    if (m_server->PostCommand(listen)) {
      ShowStatus("Starting server thread...");
      return true;
    }
    delete listen;
  }
  if (!created) {
    delete m_server;
  } else {
    // A resumed thread that got no listen command is told to stop and waited for.
    auto* stop = new CServerCommand(SERVER_CMD_STOP, 0);
    if (!m_server->PostCommand(stop)) delete stop;
    WaitForSingleObject(m_server->m_hThread, 10000);
    delete m_server;
  }
  m_server = nullptr;
  SetDlgItemText(1008, "Error starting communications server");
  m_serverStarted = false;
  CString text;
  text.Format("StartServer: Error starting communications server thread for socket %u", m_port);
  m_app.WriteLog(text);
  return false;
}

void CMainDlg::Shutdown() {
  if (m_shuttingDown) return;
  m_shuttingDown = true;
  m_actions.SetShuttingDown(true);
  if (m_server) {
    auto* stop = new CServerCommand(SERVER_CMD_STOP, 0);
    if (!m_server->PostCommand(stop)) delete stop;
  }
  if (m_app.Devices().CloseClientConnections(m_app.Clients())) {
    ShowStatus("Client connections shutdown OK. Waiting for server termination.");
  } else {
    ShowStatus("Timeout when shutting down client connections");
    m_app.WriteLog("Timeout when shutting down client connections");
  }
  m_transactions.RemoveAll();
  m_ownStore.ClearVariables();
  // Without a server nobody would post the "exiting" notice the dialog waits for.
  if (!m_server) EndWithoutServer();
}

void CMainDlg::EndWithoutServer() { EndDialog(IDCANCEL); }

void CMainDlg::WaitForServerEnd() {
  if (!m_server) return;
  if (WaitForSingleObject(m_server->m_hThread, 10000) != WAIT_OBJECT_0)
    m_app.WriteLog("Timeout waiting for server thread to terminate");
  delete m_server;
  m_server = nullptr;
}

void CMainDlg::OnClose() { Shutdown(); }
void CMainDlg::OnCloseButton() { Shutdown(); }
void CMainDlg::OnCancel() { Shutdown(); }

// ---- Display ----

void CMainDlg::ShowNumber(int id, LONG value) { SetDlgItemText(id, Decimal(value)); }

void CMainDlg::ShowRequestCountSoon() {
  if (m_requestCountDue) return;
  m_requestCountDue = true;
  SetTimer(TIMER_REQUEST_COUNT, kRequestCountDelayMs);
}

void CMainDlg::ShowStatus(const CString& text) { SetDlgItemText(1009, text); }

void CMainDlg::ShowTemplateCount() {
  CString text;
  text.Format("%ld loaded, %ld errors", m_app.GetTemplatesLoaded(), m_app.GetTemplatesFailed());
  SetDlgItemText(1002, text);
  m_templateErrors = m_app.GetTemplatesFailed() > 0;
  if (CWnd* field = GetDlgItem(1002)) field->Invalidate();
}

void CMainDlg::ShowSessionCount() {
  if (!m_server) return;
  ShowNumber(1007, m_server->GetSessionManager()->GetSessionCount());
}

void CMainDlg::ShowUptime() {
  COleDateTime start = m_app.GetStartTime();
  COleDateTimeSpan span = COleDateTime::GetCurrentTime() - start;
  CString text;
  text.Format("%s. (%d Days, %d Hours, %d Mins)", start.Format("%c").GetString(), static_cast<int>(span.GetDays()),
              static_cast<int>(span.GetHours()), static_cast<int>(span.GetMinutes()));
  SetDlgItemText(1003, text);
}

HBRUSH CMainDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT kind) {
  int id = wnd ? wnd->GetDlgCtrlID() : 0;
  if (id == 1003 || id == 1002 || id == 1001) {
    dc->SetBkMode(TRANSPARENT);
    bool good = id == 1001 || (id == 1003 && m_serverStarted) || (id == 1002 && !m_templateErrors);
    return good ? static_cast<HBRUSH>(m_goodBrush) : static_cast<HBRUSH>(m_badBrush);
  }
  return CDialog::OnCtlColor(dc, wnd, kind);
}

void CMainDlg::OnPaint() {
  if (!IsIconic()) {
    Default();
    return;
  }
  // Minimised: the program's icon centred in the client area, where its fields were.
  CPaintDC dc(this);
  CRect area;
  GetClientRect(&area);
  ::DrawIcon(dc.GetSafeHdc(), (area.Width() - GetSystemMetrics(SM_CXICON) + 1) / 2,
             (area.Height() - GetSystemMetrics(SM_CYICON) + 1) / 2, m_hIcon);
}

HCURSOR CMainDlg::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(m_hIcon); }

void CMainDlg::OnReloadTemplates() {
  m_app.InitTemplateHandler();
  ShowStatus("Reloading HTML templates...");
  ShowTemplateCount();
  ShowStatus("HTML Templates reloaded");
}

// ---- Timers ----

void CMainDlg::OnTimer(UINT_PTR id) {
  switch (id) {
    case TIMER_UPTIME:
      ShowUptime();
      m_transactions.CheckTransactionTimeouts(Now());
      break;
    case TIMER_REQUEST_COUNT:
      KillTimer(TIMER_REQUEST_COUNT);
      m_requestCountDue = false;
      ShowNumber(1011, m_incomingRequests);
      break;
    case TIMER_SESSIONS:
      if (m_server) {
        int removed = m_server->GetSessionManager()->ExpireSessions(kIdleLimit);
        if (removed > 0) {
          m_app.WriteLog(Decimal(removed) + " sessions were terminated because of inactivity");
          ShowSessionCount();
        }
        auto* check = new CServerCommand(SERVER_CMD_IDLE_CHECK, static_cast<DWORD>(kIdleLimit));
        if (!m_server->PostCommand(check)) delete check;
      }
      break;
    case TIMER_STARTUP:
      KillTimer(TIMER_STARTUP);
      RunStartupMacro();
      SetTimer(TIMER_SCHEDULER, 10000);
      SetTimer(TIMER_PLANNING, 1800000);
      ShowWindow(SW_MINIMIZE);
      PlanNextWindow();
      break;
    case TIMER_PLANNING:
      PlanNextWindow();
      break;
    case TIMER_SCHEDULER: {
      double seconds = OnSchedulerTick();
      CString text;
      if (seconds >= 0 && seconds <= 86400) {
        auto hours = static_cast<LONG>(seconds / 3600);
        auto minutes = static_cast<LONG>((seconds - 3600.0 * hours) / 60);
        auto rest = static_cast<LONG>(seconds - 3600.0 * hours - 60.0 * minutes);
        text.Format("In %ld hrs %ld mins %ld secs (%g)", hours, minutes, rest, seconds);
      } else {
        text = "[Next event more than 30 minutes away.]";
      }
      SetDlgItemText(1013, text);
      break;
    }
    default:
      break;
  }
}

// ---- Project ----

LRESULT CMainDlg::OnLoadProject(WPARAM, LPARAM) {
  m_app.SetClientSocketOwner();
  ShowNumber(1000, m_app.ReadProjectX());
  PostMessage(WM_START_SVC_PROGRAMS);
  return 0;
}

LRESULT CMainDlg::OnStartSvcPrograms(WPARAM, LPARAM) {
  m_app.StartSvcPrograms();
  CString text;
  text.Format("%ld Started, %ld Errors", m_app.GetSvcStarted(), m_app.GetSvcFailed());
  SetDlgItemText(1001, text);
  return 0;
}

// ---- Server notices ----

LRESULT CMainDlg::OnServerNotify(WPARAM code, LPARAM block) {
  if (code == NOTICE_THREAD_ENDING) {
    m_app.WriteLog("Server thread is exiting. Waiting for thread termination...");
    ShowStatus("Server thread is exiting. Waiting for thread termination...");
    WaitForServerEnd();
    EndDialog(IDCANCEL);
    return 0;
  }
  std::unique_ptr<CServerNotice> notice(reinterpret_cast<CServerNotice*>(block));
  if (!notice) return 0;
  switch (code) {
    case NOTICE_INFO:
      if (notice->m_listenerState == LISTENER_LISTENING && !m_serverStarted) {
        WORD bound = m_server ? m_server->GetBoundPort() : m_port;
        ShowNumber(1008, bound);
        CString text;
        text.Format("Server thread listening for incoming connections on port %u", bound);
        ShowStatus(text);
        m_app.WriteLog(text);
        m_serverStarted = true;
        if (CWnd* field = GetDlgItem(1003)) field->Invalidate();
      } else if (notice->m_listenerState == LISTENER_ACCEPTING) {
        CString text = "Server thread passed incoming connection to handler: " + notice->m_text;
        ShowStatus(text);
        m_app.WriteLog(text);
        ShowNumber(1004, m_currentConnections = notice->m_code);
      }
      break;
    case NOTICE_ERROR: {
      CString text;
      text.Format("Server thread generated error code - %ld (%s)", notice->m_code, notice->m_text.GetString());
      m_app.WriteLog(text);
      ShowStatus(text);
      ShowNumber(1005, ++m_errorsDetected);
      break;
    }
    case NOTICE_HANDLER_ENDED:
      ShowNumber(1004, m_currentConnections = notice->m_code);
      break;
    default:
      m_app.WriteLog("Server thread generated an invalid notification type.");
      break;
  }
  return 0;
}

// ---- Handler notices and requests ----

LRESULT CMainDlg::OnHandlerNotify(WPARAM code, LPARAM block) {
  switch (code) {
    case NOTICE_INFO: {
      std::unique_ptr<CHttpNotice> notice(reinterpret_cast<CHttpNotice*>(block));
      if (!notice || m_shuttingDown) break;
      if (notice->m_linkState == 1) {
        m_app.WriteLog(HandlerText(notice->m_threadId) + " has closed its connection. Sending shutdown command.");
        int flagged = m_transactions.DetachHandlerThread(notice->m_threadId);
        m_app.WriteLog(HandlerText(notice->m_threadId) + " has " + Decimal(flagged) +
                       " pending transactions which were flagged.");
        auto* end = new CHttpCommand(HTTP_CMD_END);
        if (!PostReply(notice->m_threadId, end)) delete end;
      } else if (notice->m_linkState == 3) {
        CString text = HandlerText(notice->m_threadId) + " has connected to peer - " + notice->m_text;
        m_app.WriteLog(text);
        ShowStatus(text);
      }
      break;
    }
    case NOTICE_ERROR: {
      std::unique_ptr<CHttpNotice> notice(reinterpret_cast<CHttpNotice*>(block));
      if (!notice) break;
      CString text;
      text.Format("%s generated error code - %ld (%s)", HandlerText(notice->m_threadId).GetString(), notice->m_code,
                  notice->m_text.GetString());
      m_app.WriteLog(text);
      ShowStatus(text);
      ShowNumber(1005, ++m_errorsDetected);
      if (notice->m_code == 10052 || notice->m_code == 10053 || notice->m_code == 10054) {
        auto* close = new CHttpCommand(HTTP_CMD_CLOSE);
        if (!PostReply(notice->m_threadId, close)) delete close;
      }
      break;
    }
    case NOTICE_REQUEST:
      if (LPARAM written = TakeHeldWritten(block)) OnHandlerNotify(NOTICE_WRITTEN, written);
      RouteRequest(reinterpret_cast<CHttpResponse*>(block));
      break;
    case NOTICE_RESPONSE:
      delete reinterpret_cast<CHttpResponse*>(block);
      break;
    case NOTICE_WRITTEN: {
      std::unique_ptr<CHttpNotice> notice(reinterpret_cast<CHttpNotice*>(block));
      if (!notice) break;
      m_app.WriteLog(HandlerText(notice->m_threadId) + " has written an HTTP response: " + notice->m_text);
      ++m_incomingRequests;
      ShowRequestCountSoon();
      break;
    }
    case NOTICE_SESSION: {
      std::unique_ptr<CHttpNotice> notice(reinterpret_cast<CHttpNotice*>(block));
      if (!notice) break;
      m_app.WriteLog(HandlerText(notice->m_threadId) + " has created a new session: " + notice->m_text);
      ShowSessionCount();
      break;
    }
    case NOTICE_IDLE_CLOSED:
    case NOTICE_THREAD_ENDING: {
      auto threadId = static_cast<DWORD>(block);
      // Its waiting runs finish without a reply: the connection is gone.
      m_transactions.DetachHandlerThread(threadId);
      if (m_shuttingDown || threadId == 0) break;
      if (code == NOTICE_IDLE_CLOSED)
        m_app.WriteLog(HandlerText(threadId) + " inactive period exceeded, thread is being shut down.");
      else
        m_app.WriteLog(HandlerText(threadId) + " is exiting.");
      break;
    }
    default:
      m_app.WriteLog("Handler thread 0x???????? generated an invalid notification type.");
      break;
  }
  return 0;
}

BOOL CMainDlg::PostReply(DWORD threadId, CHttpCommand* command) {
  return m_server && m_server->PostToHandler(threadId, command);
}

void CMainDlg::SendReply(const CHttpResponse& request, int status) {
  auto* reply = new CHttpResponse;
  reply->m_status = status;
  reply->m_reason = GetHttpStatusText(status);
  reply->m_body = std::move(m_reply.m_body);
  reply->m_contentType = m_reply.m_contentType;
  reply->m_url = m_reply.m_filePath;
  reply->m_ifModifiedSince = request.m_ifModifiedSince;
  reply->m_close = status >= 400;
  reply->m_threadId = request.m_threadId;
  auto* command = new CHttpCommand(HTTP_CMD_WRITE_REPLY, reply);
  if (!PostReply(request.m_threadId, command)) {
    delete command;
    m_app.WriteLog(HandlerText(request.m_threadId) + " could not take its response; the connection has ended.");
  }
}

int CMainDlg::DispatchRequest(CHttpResponse& request) {
  m_reply.Clear();
  CSession* session = request.m_session.get();
  // Every page and command works on a session; a request that has none (its session could not be
  // made) is refused rather than run against nothing.
  if (!session) return 500;
  if (request.m_methodCode == HTTP_METHOD_GET || request.m_methodCode == HTTP_METHOD_POST) {
    if (request.m_sessionIsNew) {
      m_app.WriteLog(CString(request.m_methodCode == HTTP_METHOD_GET ? "GET " : "POST ") + request.m_url +
                     " new session created. Redirected to NEWSESSION.HTM");
      return m_router.SendNewSessionPage(session, m_reply);
    }
    if (request.m_methodCode == HTTP_METHOD_GET) return m_router.DispatchGetRequest(request.m_url, session, m_reply);
    return OnCommandRequest(request);
  }
  return 500;
}

void CMainDlg::RouteRequest(CHttpResponse* block) {
  std::unique_ptr<CHttpResponse> request(block);
  if (!request) return;
  int status = DispatchRequest(*request);
  if (status < 0) return;  // the reply waits for the run's devices
  SendReply(*request, status);
}

// ---- Client notices ----

LRESULT CMainDlg::OnClientNotify(WPARAM code, LPARAM block) {
  m_actions.OnClientNotify(code, block);
  ShowNumber(1012, m_actions.GetResponseCount());
  return 0;
}
