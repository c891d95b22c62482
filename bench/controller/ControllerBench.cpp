// Statements per second for a mixed run of 1,000 statements (parse and execute against a session),
// the time to plan a year of 1,000 scheduled events, the time to render a page of 100 variables and
// the time to write a log line.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "controller/ActionClient.h"
#include "controller/ControllerLog.h"
#include "controller/MacroManager.h"
#include "controller/ProjectDevices.h"
#include "controller/RemoteCommand.h"
#include "controller/Scheduler.h"
#include "controller/StatementExecutor.h"
#include "controller/TemplateHandler.h"
#include "controller/TransactionTable.h"
#include "netlib/ClientSocketManager.h"
#include "netlib/Sessions.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// 1,000 statements of every kind a form sends: literals, copies, elements, element reads, page and
// query commands, and statements that fail.
std::string MixedText() {
  std::string text;
  for (int i = 0; i < 100; ++i) {
    std::string n = std::to_string(i);
    text += "V" + n + "=" + n + "; S" + n + "='text " + n + "'; R" + n + "=" + n + ".5; C" + n + "=V" + n + "; L[" + n +
            "]=S" + n + "; E" + n + "=L[" + n + "]; SYSNEXTPAGE('Main.htm'); X" + n + "=Missing; SYSNEXTPAGE(5); B" +
            n + "=true;";
  }
  return text;
}

}  // namespace

int main() {
  setenv("TZ", ":/etc/localtime", 0);  // as the program does: the zone file is read once
  CControllerLog log;
  CProjectDevices devices;
  CMacroManager macros;
  CSchedEventManager schedule;
  CTemplateHandler templates;
  CTransactionTable table(templates, log);
  CClientSocketManager clients;
  CActionClient actions(devices, clients, table, log);
  CStatementExecutor executor(log, devices, macros, schedule, actions);
  auto session = std::make_shared<CSession>();
  session->Init(1, std::time(nullptr), nullptr);
  CRemoteCommand run;
  run.SetBody("", session);

  const std::string text = MixedText();
  const int rounds = 200;
  long statements = 0;
  auto start = Clock::now();
  for (int round = 0; round < rounds; ++round) {
    StatementList list;
    CStatementExecutor::ParseText(text.c_str(), list, [](size_t) {});
    executor.RunStatements(list, run, [](LONG, int) {});
    statements += static_cast<long>(list.size());
  }
  double elapsed = Seconds(start);
  std::printf("statements: %ld in %.3f s = %.0f statements/s (parse and run, 1,000 a run)\n", statements, elapsed,
              statements / elapsed);

  // A year of 1,000 events: a quarter each daily, weekly with a weekday mask, hourly (every 6 h) and monthly.
  std::time_t yearStart = LocalTime(2027, 1, 1, 0, 0, 0);
  for (int i = 0; i < 1000; ++i) {
    const char types[] = {'D', 'W', 'H', 'M'};
    schedule.LoadEvent(static_cast<DWORD>(i + 1), "event", yearStart + i * 61, types[i % 4], i % 4 == 2 ? 6 : 1,
                       i % 4 == 1 ? 62 : 127, 0);
  }
  start = Clock::now();
  int planned = schedule.PlanWindow(yearStart, LocalTime(2028, 1, 1, 0, 0, 0));
  elapsed = Seconds(start);
  std::printf("planning: 1,000 events over a year = %d occurrences in %.1f ms\n", planned, elapsed * 1000);

  // The benchmark page of run.sh: a table of 100 variables, each a value of the session.
  CTemplateHandler pages;
  pages.BeginTemplate("BENCH.HTM");
  DWORD line = 0;
  pages.SplitLine("<html><body><table>", line++);
  for (int i = 0; i < 100; ++i) {
    const std::string n = std::to_string(i);
    pages.SplitLine(("<tr><td>V" + n + "</td><td><%V" + n + "%></td></tr>").c_str(), line++);
    session->SetStringVariable(("V" + n).c_str(), ("value number " + n).c_str());
  }
  pages.SplitLine("</table></body></html>", line++);
  pages.EndTemplate();
  const int renders = 20000;
  size_t bytes = 0;
  start = Clock::now();
  for (int i = 0; i < renders; ++i) {
    CString body;
    if (pages.RenderPage("BENCH.HTM", body, session.get()) != 0) return 1;
    bytes += static_cast<size_t>(body.GetLength());
  }
  elapsed = Seconds(start);
  std::printf("page: %d renders of 100 variables (%zu bytes each) in %.3f s = %.2f us a page\n", renders,
              bytes / renders, elapsed, elapsed * 1e6 / renders);

  // Log lines of the length a written reply gives, into a file of a temporary folder.
  char folder[] = "/tmp/controller_bench.XXXXXX";
  if (!mkdtemp(folder)) return 1;
  const std::string logPath = std::string(folder) + "/HallwardenLog.txt";
  {
    CControllerLog file;
    if (!file.Open(logPath.c_str())) return 1;
    const int lines = 100000;
    const CString text = "Handler thread 0x00001008 has written an HTTP response: GET /USER/BENCH.HTM Code: 200 Bytes Written: 4725";
    start = Clock::now();
    for (int i = 0; i < lines; ++i) file.WriteLog(text);
    elapsed = Seconds(start);
    std::printf("log: %d lines in %.3f s = %.2f us a line%s\n", lines, elapsed, elapsed * 1e6 / lines,
                file.HasFailed() ? " (a write FAILED)" : "");
  }
  unlink(logPath.c_str());
  rmdir(folder);
  return 0;
}
