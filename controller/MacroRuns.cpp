// Runs without a browser: the macros of a due scheduled event, and the "_Startup" macro once after
// start-up. Their values land in the dialog's own store; their device actions form a transaction
// that completes without a reply.
#include <algorithm>

#include "controller/MacroManager.h"
#include "controller/MainApp.h"
#include "controller/MainDlg.h"
#include "controller/Scheduler.h"

void CMainDlg::RunMacroStatements(const StatementList& statements, const std::function<CString(LONG, int)>& errorLine,
                                  const std::function<CString(DWORD, DWORD)>& createdLine) {
  auto record = std::make_unique<CRemoteCommand>();
  record->SetTransactionNumber(NextTransactionNumber());
  std::shared_ptr<CSession> store(std::shared_ptr<CSession>(), &m_ownStore);  // not owned
  record->SetBody("", store);
  bool queued = m_executor.RunStatements(statements, *record,
                                         [&](LONG result, int number) { m_app.WriteLog(errorLine(result, number)); });
  if (!queued || record->GetPendingCount() == 0) return;
  m_app.WriteLog(createdLine(record->GetTransactionNumber(), record->GetPendingCount()));
  CRemoteCommand* run = record.get();
  if (!m_transactions.FileTransaction(record.release())) return;
  m_actions.SendTransactionActions(*run);
  if (run->GetPendingCount() == 0) m_transactions.RemoveTransaction(run->GetTransactionNumber());
}

void CMainDlg::ExecuteCalcEvent(DWORD eventId) {
  CSchedEvent* event = m_app.Schedule().FindEvent(eventId);
  if (!event || !event->BeginMacros()) return;
  StatementList statements;
  for (CString name = event->NextMacro(); !name.IsEmpty(); name = event->NextMacro()) {
    CMacro* macro = m_app.Macros().FindMacro(name);
    if (!macro) {
      m_app.WriteLog("Scheduler: Could not find macro with name [" + name + "]");
      continue;
    }
    CStatementExecutor::ParseText(macro->m_commandText, statements, [&](size_t offset) {
      CString line;
      line.Format("Event ID: %lu, Error parsing command string [%s] Offset: %lu", eventId,
                  macro->m_commandText.GetString(), static_cast<DWORD>(offset));
      m_app.WriteLog(line);
    });
  }
  event->Unlock();
  RunMacroStatements(
      statements,
      [&](LONG result, int number) {
        CString line;
        line.Format("Event ID : %lu, Error %ld when executing statement num %d", eventId, result, number);
        return line;
      },
      [](DWORD number, DWORD pending) {
        CString line;
        line.Format("ExecuteCalcEvent created transaction %lu with %lu pending commands.", number, pending);
        return line;
      });
}

void CMainDlg::RunStartupMacro() {
  CMacro* macro = m_app.Macros().FindMacro("_Startup");
  if (!macro) return;
  StatementList statements;
  CStatementExecutor::ParseText(macro->m_commandText, statements, [&](size_t offset) {
    CString line;
    line.Format("Startup Macro: Error parsing command string [%s] Offset: %lu", macro->m_commandText.GetString(),
                static_cast<DWORD>(offset));
    m_app.WriteLog(line);
  });
  RunMacroStatements(
      statements,
      [](LONG result, int number) {
        CString line;
        line.Format("Startup Macro: Error %ld when executing statement num %d", result, number);
        return line;
      },
      [](DWORD number, DWORD pending) {
        CString line;
        line.Format("Startup Macro: Created transaction %lu with %lu pending commands.", number, pending);
        return line;
      });
}

double CMainDlg::OnSchedulerTick() {
  return m_app.Schedule().Tick(Now(), [this](DWORD eventId) { ExecuteCalcEvent(eventId); });
}

void CMainDlg::PlanNextWindow() {
  std::time_t now = Now();
  m_windowStart = m_windowEnd + 1;
  // A clock set back never ends a window before the last one ended: the next window would plan again
  // what is planned already, and those events would run twice.
  m_windowEnd = std::max(m_windowEnd, now + 1800);
  m_app.Schedule().PlanWindow(m_windowStart, m_windowEnd);
}
