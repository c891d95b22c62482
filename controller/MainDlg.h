// The status dialog: the controller's only window and the owner of its running state (the listening
// server, the transaction table, the dialog's own variable store, the counters and the timers). All
// request routing, transactions and device traffic run on its thread, reached by posted notices.
#pragma once

#include <ctime>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "controller/ActionClient.h"
#include "controller/RequestRouter.h"
#include "controller/StatementExecutor.h"
#include "controller/TransactionTable.h"
#include "netlib/ServerThread.h"
#include "netlib/Sessions.h"
#include "platform/ui/Dialog.h"

#define WM_LOAD_PROJECT (WM_USER + 0x65)
#define WM_START_SVC_PROGRAMS (WM_USER + 0x66)
#define WM_SERVER_NOTICE (WM_USER + 0x68)
#define WM_HANDLER_NOTICE (WM_USER + 0x69)
#define WM_CLIENT_NOTICE (WM_USER + 0x6A)

enum : UINT_PTR {
  TIMER_UPTIME = 1,       // 60 s: uptime and the transaction time-outs
  TIMER_SESSIONS = 2,     // 300 s: idle sessions and connections
  TIMER_SCHEDULER = 3,    // 10 s
  TIMER_PLANNING = 4,     // 30 min
  TIMER_STARTUP = 5,      // once, 30 s after start
  TIMER_REQUEST_COUNT = 6,  // once, kRequestCountDelayMs after a written reply: the count shown
};

class CMainApp;

class CMainDlg : public CDialog {
 public:
  static constexpr UINT kTemplateId = 102;
  static constexpr double kIdleLimit = 1200.0;
  static constexpr UINT kIconId = 128;
  // Replies are written thousands of times a second under load: the request counter is shown this
  // long after the first of them, once for all, instead of being repainted for each.
  static constexpr UINT kRequestCountDelayMs = 250;

  explicit CMainDlg(CMainApp& app);
  ~CMainDlg() override;

  BOOL OnInitDialog() override;
  bool StartServer();
  void Shutdown();
  void WaitForServerEnd();
  void ShowUptime();

  // Requests (also the seam of the command processor).
  int DispatchRequest(CHttpResponse& request);
  int OnCommandRequest(CHttpResponse& request);
  // The COMMAND fields of a form run in the order of their numbers: -1 when device actions were
  // queued (the reply waits for them), else the status of the page chosen for the reply.
  int ExecuteCommandRequest(CRemoteCommand& run, const RequestParamMap& params);
  // The runs without a browser: a due scheduled event's macros, and the "_Startup" macro.
  void ExecuteCalcEvent(DWORD eventId);
  void RunStartupMacro();
  double OnSchedulerTick();
  void PlanNextWindow();
  int ChooseReplyPage(CSession* session);
  CTransactionTable& Transactions() { return m_transactions; }
  CActionClient& ActionClient() { return m_actions; }
  CSession& OwnStore() { return m_ownStore; }
  // The listener's session table; null without a server.
  CSessionManager* Sessions() { return m_server ? m_server->GetSessionManager() : nullptr; }
  DWORD NextTransactionNumber() { return m_nextTransaction++; }
  // The wall clock of the planning windows, the scheduler tick and the transactions' time-outs; the
  // schedule plans with it too. Tests move it; the timers themselves keep their real periods.
  void SetClock(std::function<std::time_t()> clock);

 protected:
  afx_msg void OnTimer(UINT_PTR id);
  afx_msg void OnClose();
  afx_msg void OnReloadTemplates();
  afx_msg void OnCloseButton();
  afx_msg HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT kind);
  afx_msg void OnPaint();
  afx_msg HCURSOR OnQueryDragIcon();
  afx_msg LRESULT OnLoadProject(WPARAM, LPARAM);
  afx_msg LRESULT OnStartSvcPrograms(WPARAM, LPARAM);
  afx_msg LRESULT OnServerNotify(WPARAM code, LPARAM block);
  afx_msg LRESULT OnHandlerNotify(WPARAM code, LPARAM block);
  afx_msg LRESULT OnClientNotify(WPARAM code, LPARAM block);
  void OnCancel() override;
  void OnOK() override {}
  DECLARE_MESSAGE_MAP()

 private:
  void RouteRequest(CHttpResponse* request);
  void SendReply(const CHttpResponse& request, int status);
  BOOL PostReply(DWORD threadId, CHttpCommand* command);
  void ShowNumber(int id, LONG value);
  void ShowRequestCountSoon();
  void ShowStatus(const CString& text);
  void ShowTemplateCount();
  void ShowSessionCount();
  void EndWithoutServer();
  // Runs the macros' statements against the dialog's own store as one transaction without a reply.
  void RunMacroStatements(const StatementList& statements, const std::function<CString(LONG, int)>& errorLine,
                          const std::function<CString(DWORD, DWORD)>& createdLine);

  CMainApp& m_app;
  CServerThread* m_server = nullptr;
  WORD m_port = 80;
  bool m_serverStarted = false;
  bool m_templateErrors = false;
  bool m_shuttingDown = false;
  LONG m_incomingRequests = 0;
  bool m_requestCountDue = false;  // TIMER_REQUEST_COUNT runs
  LONG m_errorsDetected = 0;
  LONG m_currentConnections = 0;
  DWORD m_nextTransaction = 1;
  CSession m_ownStore;
  CReplyState m_reply;
  CRequestRouter m_router;
  CTransactionTable m_transactions;
  CActionClient m_actions;
  CStatementExecutor m_executor;
  std::time_t Now() const { return m_clock ? m_clock() : std::time(nullptr); }

  std::function<std::time_t()> m_clock;
  std::time_t m_windowStart = 0;
  std::time_t m_windowEnd = 0;
  HICON m_hIcon = nullptr;
  CBrush m_badBrush{RGB(220, 127, 127)};
  CBrush m_goodBrush{RGB(127, 220, 127)};
};
