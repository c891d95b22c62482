// POST "/COMMAND": the run of one browser form, as a transaction of its own.
#include <algorithm>
#include <vector>

#include "controller/MainApp.h"
#include "controller/MainDlg.h"
#include "controller/ReplyPage.h"
#include "platform/core/CrtNumbers.h"

int CMainDlg::OnCommandRequest(CHttpResponse& request) {
  CString path = request.m_url;
  int query = path.Find('?');
  if (query >= 0) path = path.Left(query);
  path.MakeUpper();
  if (path != "/COMMAND") return 500;
  m_reply.m_contentType = "text/html";
  auto record = std::make_unique<CRemoteCommand>();
  record->SetTransactionNumber(NextTransactionNumber());
  record->SetBody(request.m_url, request.m_session);
  record->SetConnection(request.m_threadId);
  RequestParamMap params;
  if (m_server) m_server->GetHandlerRequestParams(request.m_threadId, params);
  record->SetRequestParams(params);
  int status = ExecuteCommandRequest(*record, params);
  if (status < 0) {
    CString text;
    text.Format("Handler thread 0x%08lX created transaction %lu with %lu pending commands.", request.m_threadId,
                record->GetTransactionNumber(), record->GetPendingCount());
    m_app.WriteLog(text);
    m_transactions.FileTransaction(record.release());
  }
  return status;
}

int CMainDlg::ChooseReplyPage(CSession* session) {
  return RenderReplyPage(m_app.Templates(), session, m_reply.m_body);
}

int CMainDlg::ExecuteCommandRequest(CRemoteCommand& run, const RequestParamMap& params) {
  DWORD commandId = 0;
  std::vector<std::pair<LONG, CString>> entries;
  for (const auto& [name, value] : params) {
    CString upper = name;
    upper.MakeUpper();
    if (upper == "COMMANDID")
      commandId = static_cast<DWORD>(qh_atol(value));
    else if (upper.Left(7) == "COMMAND")
      entries.emplace_back(upper.GetLength() == 7 ? 0 : qh_atoi(upper.Mid(7)), value);
  }
  CString prefix;
  prefix.Format("CommandID: %lu, ", commandId);
  if (entries.empty()) {
    m_app.WriteLog(prefix + "No command to execute");
    return 204;
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  StatementList statements;
  for (const auto& [sequence, text] : entries) {
    CStatementExecutor::ParseText(text, statements, [&](size_t offset) {
      CString line;
      line.Format("%sError parsing command string [%s] Offset: %lu", prefix.GetString(), text.GetString(),
                  static_cast<DWORD>(offset));
      m_app.WriteLog(line);
    });
  }
  bool queued = m_executor.RunStatements(statements, run, [&](LONG result, int number) {
    CString line;
    line.Format("%sError %ld when executing statement num %d", prefix.GetString(), result, number);
    m_app.WriteLog(line);
  });
  if (queued && run.GetPendingCount() > 0) {
    m_actions.SendTransactionActions(run);
    // Devices that could not be sent to were given up at once; only the others are waited for.
    if (run.GetPendingCount() > 0) return -1;
  }
  return ChooseReplyPage(run.GetSession());
}
