// Statements per second for a mixed run of 1,000 statements (parse and execute against a session),
// and the time to plan a year of 1,000 scheduled events.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

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
  return 0;
}
