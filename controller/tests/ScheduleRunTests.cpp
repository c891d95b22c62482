// The schedule as the program runs it: the application's start-up in its start directory, the status
// dialog opened, its timers' messages at their times (the start-up macro after 30 s, the 10-second
// tick, the half-hourly window), events added and changed through /COMMAND forms in between, and a
// restart from the schedule file. The wall clock is the dialog's own, moved by the test.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <thread>

#include "BerlinZone.h"
#include "controller/MainApp.h"
#include "controller/MainDlg.h"
#include "netlib/ThreadBlocks.h"
#include "platform/core/FileApi.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/gdi/BitmapResources.h"
#include "platform/ui/gdi/tests/DisplayManager.h"

extern const char* const kHallwardenDialogs;

namespace {

std::time_t g_sessionClock = 0;
std::time_t SessionClock() { return g_sessionClock; }

// Each macro notes the wall-clock second it ran at in the dialog's own store.
const char* const kMacros =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<macrolist>\n"
    "  <macro><name>_Startup</name><desc>d</desc><cmdText>STARTED = 'yes';</cmdText></macro>\n"
    "  <macro><name>Doors</name><desc>d</desc><cmdText>RAN_DOORS = 'yes';</cmdText></macro>\n"
    "  <macro><name>Lights</name><desc>d</desc><cmdText>RAN_LIGHTS = 'yes';</cmdText></macro>\n"
    "  <macro><name>Music</name><desc>d</desc><cmdText>RAN_MUSIC = 'yes';</cmdText></macro>\n"
    "  <macro><name>Bell</name><desc>d</desc><cmdText>RAN_BELL = 'yes';</cmdText></macro>\n"
    "</macrolist>\n";

class ScheduledRuns : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(qh::ui::LoadDialogTemplates(kHallwardenDialogs, &error)) << error;
    qh::testing::WriteHostFile(sandbox.HostPath("C/site/config/macros.xml"), kMacros);
    qh::testing::WriteHostFile(sandbox.HostPath("C/site/config/schedule.xml"), "<teventlist>\n</teventlist>\n");
    qh::testing::WriteHostFile(sandbox.HostPath("C/site/Templates/DEFAULT.HTM"), "<p>home</p>");
    qh::testing::WriteHostFile(sandbox.HostPath("C/site/Logs/.keep"), "");
    // Port 0: the listener takes any free port, so runs in parallel never meet.
    qh::testing::WriteHostFile(sandbox.HostPath("registry.txt"),
                               "[HKEY_CURRENT_USER\\Software\\Tallowmere\\Quaverhouse\\FrameWork]\n"
                               "\"WebSocketNumber\"=dword:00000000\n");
    ASSERT_TRUE(SetCurrentDirectory("C:\\site"));
    iconPicture = qh::gdi::testing::UseProgramBitmaps(QH_PROGRAM_BITMAPS, CMainDlg::kIconId);
    ASSERT_TRUE(iconPicture.has_value()) << "no icon " << CMainDlg::kIconId << " in " << QH_PROGRAM_BITMAPS;
  }
  void TearDown() override { qh::gdi::ClearBitmapFolders(); }

  // The program from its start to its end: the application's start-up, the dialog, `opened` with the
  // dialog before it handled any posted message, `body` with both once the listener listens.
  template <typename Body>
  void Run(Body body, const std::function<void(CMainDlg&)>& opened = nullptr) {
    CMainApp app;
    app.m_pszProfileName = "Quaverhouse";  // the program's title, from its string table
    ASSERT_TRUE(app.StartUp());
    {
      CMainDlg dialog(app);
      app.SetDialog(&dialog);
      dialog.SetClock([this] { return now; });
      ASSERT_TRUE(dialog.Create(CMainDlg::kTemplateId));
      if (opened) opened(dialog);
      // The project's load and the listener's report arrive as posted notices.
      auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      CString port;
      while (dialog.GetDlgItemText(1008, port), port.IsEmpty() && std::chrono::steady_clock::now() < deadline) {
        Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      EXPECT_NE(port, "Error starting communications server");
      body(app, dialog);
      Pump();
      app.SetDialog(nullptr);
      dialog.DestroyWindow();
    }
    app.ExitInstance();
  }
  static void Pump() {
    MSG msg;
    for (int i = 0; i < 100 && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE); ++i) DispatchMessage(&msg);
  }
  // One /COMMAND form of one statement, run as the dialog runs a browser's; the statement's result
  // shows in the log, its outputs in the form's session.
  CString Command(CMainDlg& dialog, const std::string& statement, const char* output = nullptr) {
    auto session = std::make_shared<CSession>();
    session->Init(7, now, nullptr);
    CRemoteCommand run;
    run.SetTransactionNumber(dialog.NextTransactionNumber());
    run.SetBody("/COMMAND", session);
    RequestParamMap params;
    params["COMMAND"] = statement.c_str();
    dialog.ExecuteCommandRequest(run, params);
    return output ? session->GetHostVariableText(output) : CString();
  }
  // SYSADDSCHEDULE/SYSUPDSCHEDULE's date arguments for a time.
  static std::string DateArguments(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%d, %d, %d, %d, %d, %d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour, local.tm_min, local.tm_sec);
    return text;
  }
  DWORD AddEvent(CMainDlg& dialog, const char* description, std::time_t when, const char* macro) {
    CString id = Command(dialog, "SYSADDSCHEDULE('" + std::string(description) + "', " + DateArguments(when) +
                                     ", 'N', 0, 0, 0, 0, 0, 'NEWID');",
                         "NEWID");
    DWORD number = static_cast<DWORD>(std::atol(id));
    Command(dialog, "SYSADDSCHEDULEMACRO(" + std::to_string(number) + ", 1, '" + macro + "');");
    return number;
  }
  void UpdateEvent(CMainDlg& dialog, DWORD id, const char* description, std::time_t when) {
    Command(dialog, "SYSUPDSCHEDULE(" + std::to_string(id) + ", " + DateArguments(when) + ", 'N', 0, 0, 0, 0, 0, '" +
                        description + "');");
  }
  // The timer messages the dialog gets while the clock moves to `until` in steps of 10 s: the tick
  // every 10 s, the planning window every 30 minutes after the start-up macro. Notes the clock when a
  // macro's mark appears in the dialog's own store (and clears it, so a second run is seen too).
  void RunUntil(CMainDlg& dialog, std::time_t until) {
    while (now < until) {
      now += 10;
      if (now >= nextWindow) {
        dialog.SendMessage(WM_TIMER, TIMER_PLANNING);
        nextWindow += 1800;
      }
      dialog.SendMessage(WM_TIMER, TIMER_SCHEDULER);
      for (const char* mark : {"RAN_DOORS", "RAN_LIGHTS", "RAN_MUSIC", "RAN_BELL"}) {
        if (dialog.OwnStore().GetVariableText(mark) == "yes") {
          runs[mark].push_back(now);
          dialog.OwnStore().SetStringVariable(mark, "");
        }
      }
    }
  }
  // Opens the program at the clock's time and runs its first 30 s (the start-up macro).
  void StartUpMacro(CMainDlg& dialog) {
    now += 30;
    dialog.SendMessage(WM_TIMER, TIMER_STARTUP);
    nextWindow = now + 1800;
    EXPECT_EQ(dialog.OwnStore().GetVariableText("STARTED"), "yes");
  }
  // A run at its time is one seen by the first tick at or after it.
  void ExpectRunsAt(const char* mark, std::vector<std::time_t> times) {
    std::vector<std::time_t> ran = runs[mark];
    ASSERT_EQ(ran.size(), times.size()) << mark;
    for (size_t i = 0; i < times.size(); ++i) {
      EXPECT_GE(ran[i], times[i]) << mark << " run " << i;
      EXPECT_LT(ran[i], times[i] + 10) << mark << " run " << i;
    }
  }

  // The brush the dialog paints a static field's ground with.
  static COLORREF BrushColour(CMainDlg& dialog, int id) {
    CClientDC dc(&dialog);
    auto brush = reinterpret_cast<HBRUSH>(dialog.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.GetSafeHdc()),
                                                             reinterpret_cast<LPARAM>(dialog.GetDlgItem(id)->m_hWnd)));
    LOGBRUSH colour{};
    EXPECT_EQ(::GetObject(brush, sizeof colour, &colour), static_cast<int>(sizeof colour));
    return colour.lbColor;
  }

  std::string Log() { return qh::testing::ReadHostFile(sandbox.HostPath("C/site/Logs/HallwardenLog.txt")); }

  BerlinZone zone;
  qh::testing::TestSandbox sandbox;
  // The program's icon, the picture the build puts beside the program.
  std::optional<qh::gdi::Surface> iconPicture;
  std::time_t now = LocalTime(2027, 3, 10, 9, 0, 0);
  std::time_t nextWindow = 0;
  std::map<std::string, std::vector<std::time_t>> runs;
};

TEST_F(ScheduledRuns, EventsAddedAndChangedAfterAStartOrARestartRunAtTheirTimes) {
  const std::time_t start = now;
  std::time_t doors = 0, music = 0, bell = 0, lights = 0, later = 0;
  DWORD doorsId = 0, lightsId = 0, musicId = 0;
  Run([&](CMainApp&, CMainDlg& dialog) {
    // After a power cut: "open the doors in 15 minutes", given before the start-up macro ran.
    now += 5;
    doors = now + 900;
    doorsId = AddEvent(dialog, "doors", doors, "Doors");
    ASSERT_EQ(doorsId, 1u) << Log();
    StartUpMacro(dialog);
    // Right after the start-up macro, at once: 40 s, 5 and 29 minutes ahead.
    lights = now + 40;
    music = now + 300;
    bell = now + 29 * 60;
    lightsId = AddEvent(dialog, "lights", lights, "Lights");
    musicId = AddEvent(dialog, "music", music, "Music");
    DWORD bellId = AddEvent(dialog, "bell", bell, "Bell");
    ASSERT_TRUE(lightsId && musicId && bellId);
    RunUntil(dialog, now + 20);
    // Changed in between: one only renamed, one moved earlier, one moved later within the hour.
    UpdateEvent(dialog, lightsId, "lights renamed", lights);
    music = now + 120;
    UpdateEvent(dialog, musicId, "music earlier", music);
    bell = start + 50 * 60;
    UpdateEvent(dialog, bellId, "bell later", bell);
    // One for after the restart.
    later = start + 2 * 3600 + 12 * 60;
    AddEvent(dialog, "after the restart", later, "Lights");
    RunUntil(dialog, start + 3600);
  });
  ExpectRunsAt("RAN_DOORS", {doors});
  ExpectRunsAt("RAN_LIGHTS", {lights});
  ExpectRunsAt("RAN_MUSIC", {music});
  ExpectRunsAt("RAN_BELL", {bell});

  // The restart, two hours after the first start.
  runs.clear();
  now = start + 2 * 3600;
  const std::time_t restart = now;
  Run([&](CMainApp& app, CMainDlg& dialog) {
    EXPECT_EQ(app.Schedule().GetEventCount(), 5);
    StartUpMacro(dialog);
    lights = now + 40;
    music = now + 300;
    bell = now + 29 * 60;
    DWORD a = AddEvent(dialog, "lights again", lights, "Lights");
    DWORD b = AddEvent(dialog, "music again", music, "Music");
    DWORD c = AddEvent(dialog, "bell again", bell, "Bell");
    ASSERT_TRUE(a && b && c);
    RunUntil(dialog, now + 30);
    UpdateEvent(dialog, b, "music renamed", music);
    bell = now + 10 * 60;
    UpdateEvent(dialog, c, "bell earlier", bell);
    RunUntil(dialog, restart + 3600);
  });
  ExpectRunsAt("RAN_LIGHTS", {lights, later});
  ExpectRunsAt("RAN_MUSIC", {music});
  ExpectRunsAt("RAN_BELL", {bell});
  EXPECT_TRUE(runs["RAN_DOORS"].empty());
}

// A clock set back by an hour after the start-up macro: the windows handed on meanwhile plan nothing
// twice, an event added while the clock is back runs, and each runs once at its time.
TEST_F(ScheduledRuns, AClockSetBackRunsEachEventOnce) {
  std::time_t bell = 0, doors = 0;
  Run([&](CMainApp& app, CMainDlg& dialog) {
    StartUpMacro(dialog);
    bell = now + 20 * 60;
    const DWORD bellId = AddEvent(dialog, "bell", bell, "Bell");
    RunUntil(dialog, now + 60);
    now -= 3600;
    nextWindow -= 3600;  // the timers count elapsed time
    doors = now + 15 * 60;
    const DWORD doorsId = AddEvent(dialog, "doors", doors, "Doors");
    RunUntil(dialog, bell - 60);
    EXPECT_EQ(app.Schedule().OccurrencesOf(bellId), std::vector<std::time_t>{bell}) << "planned once";
    RunUntil(dialog, bell + 3600);
    EXPECT_TRUE(app.Schedule().OccurrencesOf(doorsId).empty());
  });
  ExpectRunsAt("RAN_BELL", {bell});
  ExpectRunsAt("RAN_DOORS", {doors});
}

// What the status dialog shows while the program runs: the server's field on the bad brush until the
// listener listens, the next event's distance, the template counters and their colour across a
// reload, the minimised dialog with its icon after the start-up macro, and the line and count for
// sessions ended by inactivity.
TEST_F(ScheduledRuns, TheStatusDialogShowsWhatRuns) {
  const COLORREF bad = RGB(220, 127, 127), good = RGB(127, 220, 127);
  Run([&](CMainApp& app, CMainDlg& dialog) {
    auto text = [&](int id) {
      CString value;
      dialog.GetDlgItemText(id, value);
      return value.str();
    };
    auto brushColour = [&](int id) { return BrushColour(dialog, id); };
    HICON icon = app.LoadIcon(CMainDlg::kIconId);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(dialog.GetIcon(TRUE), icon);
    EXPECT_EQ(dialog.GetIcon(FALSE), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(dialog.SendMessage(WM_QUERYDRAGICON)), icon);
    EXPECT_EQ(text(1002), "1 loaded, 0 errors");
    EXPECT_EQ(brushColour(1002), good);
    EXPECT_EQ(brushColour(1003), good) << "the listener reported that it listens";
    EXPECT_FALSE(dialog.IsIconic());

    // Thirty seconds after the start: the start-up macro, then the dialog minimises itself.
    StartUpMacro(dialog);
    EXPECT_TRUE(dialog.IsIconic());
    EXPECT_EQ(qh::gdi::testing::MinimisedIconShare(dialog.m_hWnd, *iconPicture), 1.0) << "minimised, it shows its icon in the middle";
    EXPECT_TRUE(dialog.IsIconic()) << "and stays minimised";
    dialog.SendMessage(WM_TIMER, TIMER_SCHEDULER);
    EXPECT_EQ(text(1013), "[Next event more than 30 minutes away.]");
    AddEvent(dialog, "soon", now + 124, "Bell");
    dialog.SendMessage(WM_TIMER, TIMER_SCHEDULER);
    EXPECT_EQ(text(1013), "In 0 hrs 2 mins 4 secs (124)");
    // The system clock set back: an hour and more shows its hours; more than a day is not shown.
    now -= 3600;
    dialog.SendMessage(WM_TIMER, TIMER_SCHEDULER);
    EXPECT_EQ(text(1013), "In 1 hrs 2 mins 4 secs (3724)");
    now -= 82676;
    dialog.SendMessage(WM_TIMER, TIMER_SCHEDULER);
    EXPECT_EQ(text(1013), "In 24 hrs 0 mins 0 secs (86400)") << "a day ahead is still shown";
    now -= 1;
    dialog.SendMessage(WM_TIMER, TIMER_SCHEDULER);
    EXPECT_EQ(text(1013), "[Next event more than 30 minutes away.]");
    now += 3600 + 82677;
    EXPECT_EQ(dialog.OwnStore().GetVariableText("RAN_BELL"), "") << "nothing ran while the clock stood earlier";
    now += 124;
    dialog.SendMessage(WM_TIMER, TIMER_SCHEDULER);
    EXPECT_EQ(dialog.OwnStore().GetVariableText("RAN_BELL"), "yes");
    EXPECT_EQ(text(1013), "In 0 hrs 0 mins 0 secs (0)") << "something ran in this tick";

    // A template that cannot be read: the counters and the bad brush, until a reload without failures.
    const std::string broken = sandbox.HostPath("C/site/Templates/BROKEN.HTM");
    ASSERT_EQ(symlink("nowhere", broken.c_str()), 0);
    dialog.SendMessage(WM_COMMAND, 1006);
    EXPECT_EQ(text(1002), "1 loaded, 1 errors");
    EXPECT_EQ(text(1009), "HTML Templates reloaded");
    EXPECT_EQ(brushColour(1002), bad);
    EXPECT_EQ(brushColour(1001), good);
    unlink(broken.c_str());
    dialog.SendMessage(WM_COMMAND, 1006);
    EXPECT_EQ(text(1002), "1 loaded, 0 errors");
    EXPECT_EQ(brushColour(1002), good);

    // A session idle for longer than 1,200 s ends at the 5-minute check, with its line in the log.
    CSessionManager* sessions = dialog.Sessions();
    ASSERT_NE(sessions, nullptr);
    g_sessionClock = now;
    sessions->SetClockForTesting(SessionClock);
    ASSERT_NE(sessions->CreateSession(), nullptr);
    ASSERT_NE(sessions->CreateSession(), nullptr);
    const std::shared_ptr<CSession> busy = sessions->CreateSession();
    ASSERT_NE(busy, nullptr);
    g_sessionClock = now + 1199;
    dialog.SendMessage(WM_TIMER, TIMER_SESSIONS);
    EXPECT_EQ(Log().find("sessions were terminated because of inactivity"), std::string::npos);
    EXPECT_EQ(text(1007), "0") << "the count is shown only when sessions ended";
    busy->Touch(now + 1199);
    g_sessionClock = now + 1201;
    dialog.SendMessage(WM_TIMER, TIMER_SESSIONS);
    EXPECT_NE(Log().find(":: 2 sessions were terminated because of inactivity\n"), std::string::npos) << Log();
    EXPECT_EQ(text(1007), "1") << "the one used within the limit stays";
    sessions->SetClockForTesting(nullptr);

    // Written replies: the request counter shows their number when its timer runs, once for all.
    const long counted = std::stol(text(1011));
    for (int i = 0; i < 3; ++i) {
      auto* written = new CHttpNotice;
      written->m_text = "GET /X Code: 200 Bytes Written: 10";
      dialog.SendMessage(WM_HANDLER_NOTICE, NOTICE_WRITTEN, reinterpret_cast<LPARAM>(written));
    }
    EXPECT_EQ(text(1011), std::to_string(counted)) << "not repainted for each reply";
    dialog.SendMessage(WM_TIMER, TIMER_REQUEST_COUNT);
    EXPECT_EQ(text(1011), std::to_string(counted + 3));
    EXPECT_NE(Log().find("has written an HTTP response: GET /X Code: 200 Bytes Written: 10\n"), std::string::npos);
  }, [&](CMainDlg& dialog) {
    // Opened, before the listener's report arrived: the server's field on the bad brush.
    EXPECT_EQ(BrushColour(dialog, 1003), bad);
    EXPECT_EQ(BrushColour(dialog, 1001), good);
  });
}

}  // namespace
