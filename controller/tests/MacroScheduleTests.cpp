// macros.xml and schedule.xml: reading, writing, atomic rewrites; occurrence planning in local time
// (Europe/Berlin, across daylight-saving changes), weekday masks, end dates, restarts.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>

#include "BerlinZone.h"
#include "controller/MacroManager.h"
#include "controller/Scheduler.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/xml/XmlDom.h"

namespace {

class Berlin : public testing::Test {
 protected:
  static std::vector<std::string> Texts(const std::vector<std::time_t>& times) {
    std::vector<std::string> texts;
    for (std::time_t t : times) texts.push_back(FormatScheduleDate(t).str());
    return texts;
  }
  // What reading C:\schedule.xml into `schedule` reports; `count`: the events it must keep.
  static std::vector<std::string> ReadReports(CSchedEventManager& schedule, int count) {
    std::vector<std::string> reports;
    EXPECT_EQ(schedule.ReadSchedule("C:\\schedule.xml", [&](const CString& text) { reports.push_back(text.str()); }),
              count);
    return reports;
  }
  BerlinZone zone;
  qh::testing::TestSandbox sandbox;
};

TEST_F(Berlin, MacrosReadWithoutCaseAndWriteInTheirLayout) {
  qh::testing::WriteHostFile(sandbox.HostPath("C/macros.xml"),
                             "<macrolist><macro><NAME>X</NAME><CmdText>A=1;</CmdText></macro>"
                             "<macro><name>X</name><cmdText>B=2;</cmdText></macro>"
                             "<macro><name>NoText</name></macro></macrolist>");
  CMacroManager macros;
  EXPECT_EQ(macros.ReadMacros("C:\\macros.xml"), 1);
  EXPECT_NE(qh::testing::ReadHostFile(sandbox.HostPath("C/macros.xml")).find("NoText"), std::string::npos)
      << "reading never rewrites the file";
  EXPECT_STREQ(macros.FindMacro("X")->m_commandText, "A=1;");
  EXPECT_EQ(macros.FindMacro("x"), nullptr);
  ASSERT_NE(macros.AddMacro("_Startup", "a<b", "S='x<y & z';"), nullptr);
  EXPECT_EQ(macros.AddMacro("_Startup", "other", "T=1;"), nullptr);
  EXPECT_EQ(qh::testing::ReadHostFile(sandbox.HostPath("C/macros.xml")),
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<macrolist>\r\n"
            "  <macro>\r\n    <name>X</name>\r\n    <desc></desc>\r\n    <cmdText>A=1;</cmdText>\r\n  </macro>\r\n"
            "  <macro>\r\n    <name>_Startup</name>\r\n    <desc>a&lt;b</desc>\r\n"
            "    <cmdText>S='x&lt;y &amp; z';</cmdText>\r\n  </macro>\r\n</macrolist>\r\n");
  CMacroManager again;
  EXPECT_EQ(again.ReadMacros("C:\\macros.xml"), 2);
  EXPECT_STREQ(again.FindMacro("_Startup")->m_commandText, "S='x<y & z';");
  macros.BeginEnum();
  EXPECT_STREQ(macros.GetNextName(), "X");
  EXPECT_STREQ(macros.GetNextName(), "_Startup");
  EXPECT_STREQ(macros.GetNextName(), "");
  EXPECT_EQ(CMacroManager().ReadMacros("C:\\missing.xml"), -2);
}

TEST_F(Berlin, ADamagedFileIsReportedAndLeftAsItIs) {
  const std::string damaged = "<macrolist><macro><name>A</name><cmdText>A=1;</cmdText></macro><macro><name>B";
  qh::testing::WriteHostFile(sandbox.HostPath("C/macros.xml"), damaged);
  CMacroManager macros;
  EXPECT_EQ(macros.ReadMacros("C:\\macros.xml"), -2);
  EXPECT_EQ(macros.GetCount(), 0);
  EXPECT_EQ(qh::testing::ReadHostFile(sandbox.HostPath("C/macros.xml")), damaged);
  qh::testing::WriteHostFile(sandbox.HostPath("C/schedule.xml"), "<teventlist><tevent><id>1</id>");
  CSchedEventManager schedule;
  EXPECT_EQ(schedule.ReadSchedule("C:\\schedule.xml"), -2);
  EXPECT_EQ(qh::testing::ReadHostFile(sandbox.HostPath("C/schedule.xml")), "<teventlist><tevent><id>1</id>");
}

TEST_F(Berlin, AKilledRewriteLeavesTheOldOrTheNewFile) {
  qh::testing::WriteHostFile(sandbox.HostPath("C/macros.xml"), "<macrolist/>");
  std::string host = sandbox.HostPath("C/macros.xml");
  for (int round = 0; round < 20; ++round) {
    pid_t child = fork();
    if (child == 0) {
      CMacroManager macros;
      macros.ReadMacros("C:\\macros.xml");
      for (int i = 0;; ++i) {
        macros.DeleteMacro("M");
        macros.AddMacro("M", std::string(4000 + i % 3000, 'd').c_str(), "A=1;");
      }
    }
    usleep(2000 + 1500 * round);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    DOMDocument document;
    EXPECT_TRUE(document.load("C:\\macros.xml")) << "round " << round << ": " << qh::testing::ReadHostFile(host).size();
  }
}

TEST_F(Berlin, DatesRoundTripAndBadTextsReadAsZero) {
  std::time_t late = LocalTime(2150, 6, 1, 12, 30, 5);
  EXPECT_STREQ(FormatScheduleDate(late), "2150-06-01T12:30:05");
  EXPECT_EQ(ParseScheduleDate("2150-06-01T12:30:05"), late) << "dates after 2038 survive a restart";
  EXPECT_EQ(ParseScheduleDate("2026-03-29"), LocalTime(2026, 3, 29, 0, 0, 0));
  for (const char* bad : {"2026-03-29 10:00:00", "2026-13-01", "2201-01-01", "garbage", "2026-03-29T24:00:00"})
    EXPECT_EQ(ParseScheduleDate(bad), 0) << bad;
}

TEST_F(Berlin, DailyEventsKeepTheirWallClockAcrossDaylightSaving) {
  CSchedEventManager schedule;
  DWORD id = schedule.AddEvent("daily", LocalTime(2026, 3, 27, 9, 0, 0), 'D', 1, 127, 0);
  schedule.PlanWindow(LocalTime(2026, 3, 27, 0, 0, 0), LocalTime(2026, 3, 31, 0, 0, 0));
  EXPECT_EQ(Texts(schedule.OccurrencesOf(id)),
            (std::vector<std::string>{"2026-03-27T09:00:00", "2026-03-28T09:00:00", "2026-03-29T09:00:00",
                                      "2026-03-30T09:00:00"}));
  CSchedEventManager autumn;
  DWORD weekly = autumn.AddEvent("weekly", LocalTime(2026, 10, 18, 9, 0, 0), 'W', 1, 127, 0);
  autumn.PlanWindow(LocalTime(2026, 10, 20, 0, 0, 0), LocalTime(2026, 11, 5, 0, 0, 0));
  EXPECT_EQ(Texts(autumn.OccurrencesOf(weekly)),
            (std::vector<std::string>{"2026-10-25T09:00:00", "2026-11-01T09:00:00"}));
}

TEST_F(Berlin, WeekdayMasksAreTestedPerOccurrence) {
  CSchedEventManager schedule;
  // Monday to Friday at 23:30; a window from Friday 23:00 to Saturday 23:59 holds Friday's only.
  DWORD id = schedule.AddEvent("weekdays", LocalTime(2026, 12, 1, 23, 30, 0), 'D', 1, 62, 0);
  schedule.PlanWindow(LocalTime(2026, 12, 4, 23, 0, 0), LocalTime(2026, 12, 5, 23, 59, 0));
  EXPECT_EQ(Texts(schedule.OccurrencesOf(id)), (std::vector<std::string>{"2026-12-04T23:30:00"}));
  schedule.PlanWindow(LocalTime(2026, 12, 6, 0, 0, 0), LocalTime(2026, 12, 7, 23, 59, 0));
  EXPECT_EQ(Texts(schedule.OccurrencesOf(id)), (std::vector<std::string>{"2026-12-04T23:30:00", "2026-12-07T23:30:00"}));
}

TEST_F(Berlin, MonthlyYearlyHourlyEndDatesAndOneOffs) {
  CSchedEventManager schedule;
  DWORD fifteenth = schedule.AddEvent("15th", LocalTime(2026, 1, 15, 8, 0, 0), 'M', 1, 127, 0);
  DWORD last = schedule.AddEvent("31st", LocalTime(2026, 1, 31, 8, 0, 0), 'M', 1, 127, 0);
  DWORD yearly = schedule.AddEvent("yearly", LocalTime(2024, 2, 29, 8, 0, 0), 'Y', 1, 127, 0);
  DWORD hourly = schedule.AddEvent("hourly", LocalTime(2026, 4, 1, 0, 0, 0), 'H', 6, 127, LocalTime(2026, 4, 2, 0, 0, 0));
  DWORD once = schedule.AddEvent("once", LocalTime(2026, 4, 1, 12, 0, 0), 'N', 0, 127, 0);
  DWORD stuck = schedule.AddEvent("zero", LocalTime(2026, 4, 1, 13, 0, 0), 'D', 0, 127, 0);
  schedule.PlanWindow(LocalTime(2026, 1, 1, 0, 0, 0), LocalTime(2026, 4, 1, 23, 0, 0));
  EXPECT_EQ(Texts(schedule.OccurrencesOf(fifteenth)),
            (std::vector<std::string>{"2026-01-15T08:00:00", "2026-02-15T08:00:00", "2026-03-15T08:00:00"}));
  EXPECT_EQ(Texts(schedule.OccurrencesOf(last)),
            (std::vector<std::string>{"2026-01-31T08:00:00", "2026-03-02T08:00:00"}))
      << "from the 29th on a month is 30 days; from the 2nd on, months again (next: April 2)";
  EXPECT_EQ(Texts(schedule.OccurrencesOf(yearly)), (std::vector<std::string>{"2026-03-01T08:00:00"}));
  EXPECT_EQ(Texts(schedule.OccurrencesOf(hourly)),
            (std::vector<std::string>{"2026-04-01T00:00:00", "2026-04-01T06:00:00", "2026-04-01T12:00:00",
                                      "2026-04-01T18:00:00"}));
  EXPECT_EQ(Texts(schedule.OccurrencesOf(once)), (std::vector<std::string>{"2026-04-01T12:00:00"}));
  EXPECT_EQ(Texts(schedule.OccurrencesOf(stuck)), (std::vector<std::string>{"2026-04-01T13:00:00"}))
      << "a repeat amount of 0 runs once and never hangs";
  schedule.PlanWindow(LocalTime(2026, 4, 2, 0, 0, 1), LocalTime(2026, 4, 3, 0, 0, 0));
  EXPECT_EQ(schedule.OccurrencesOf(hourly).size(), 4u) << "nothing is planned after its end date";
}

TEST_F(Berlin, EventsAddedOrChangedInsideTheWindowFireThere) {
  std::time_t now = LocalTime(2026, 6, 1, 10, 0, 0);
  CSchedEventManager schedule;
  schedule.SetClock([&] { return now; });
  schedule.PlanWindow(now, now + 1800);
  DWORD id = schedule.AddEvent("soon", now + 600, 'N', 0, 127, 0);
  EXPECT_EQ(schedule.OccurrencesOf(id), std::vector<std::time_t>{now + 600});
  ASSERT_TRUE(schedule.UpdateEvent(id, now + 900, 'N', 0, 127, 0, "later"));
  EXPECT_EQ(schedule.OccurrencesOf(id), std::vector<std::time_t>{now + 900}) << "the old time is cancelled";
  std::vector<DWORD> ran;
  auto run = [&](DWORD event) { ran.push_back(event); };
  EXPECT_DOUBLE_EQ(schedule.Tick(now + 100, run), 800.0);
  EXPECT_DOUBLE_EQ(schedule.Tick(now + 900, run), 0.0);
  EXPECT_DOUBLE_EQ(schedule.Tick(now + 910, run), 999999999.0);
  EXPECT_EQ(ran, std::vector<DWORD>{id});
  EXPECT_TRUE(schedule.DeleteEvent(id));
  EXPECT_FALSE(schedule.DeleteEvent(id));
}

TEST_F(Berlin, TheScheduleSurvivesARestart) {
  CSchedEventManager schedule;
  EXPECT_EQ(schedule.ReadSchedule("C:\\schedule.xml"), -2);
  DWORD id = schedule.AddEvent("Wake & <Ring>", LocalTime(2150, 1, 2, 7, 0, 0), 'W', 2, 62, LocalTime(2151, 1, 1, 0, 0, 0));
  schedule.AddEventMacro(id, 5, "Lights");
  schedule.AddEventMacro(id, 1, "Music");
  schedule.AddEvent("plain", LocalTime(2030, 1, 1, 0, 0, 0), 'N', 0, 127, 0);
  std::string text = qh::testing::ReadHostFile(sandbox.HostPath("C/schedule.xml"));
  EXPECT_NE(text.find("    <desc>Wake &amp; &lt;Ring&gt;</desc>\n"), std::string::npos) << text;
  EXPECT_NE(text.find("      <seq>1</seq>\n      <macro>Lights</macro>\n      <seq>2</seq>\n      <macro>Music</macro>\n"),
            std::string::npos)
      << text;
  CSchedEventManager restarted;
  EXPECT_EQ(restarted.ReadSchedule("C:\\schedule.xml"), 2);
  EXPECT_EQ(restarted.DocumentText(), schedule.DocumentText());
  CSchedEvent* event = restarted.FindEvent(id);
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(event->m_start, LocalTime(2150, 1, 2, 7, 0, 0));
  EXPECT_TRUE(event->m_hasEndDate);
  EXPECT_EQ(restarted.FindEvent(2)->m_hasEndDate, false);
  EXPECT_EQ(text.find("<rptenddate>", text.find("plain")), std::string::npos);
}

// A file entry that cannot run is reported and kept as written; a second entry with an id read
// before is reported and left out, and the first stays as it was.
TEST_F(Berlin, FileEntriesThatCannotRunOrRepeatAnIdAreReportedAndKept) {
  auto entry = [](int id, const char* type, int mask, const char* macro) {
    return "  <tevent><id>" + std::to_string(id) + "</id><desc>e" + std::to_string(id) +
           "</desc><eventdts>2026-06-01T09:00:00</eventdts><rpttype>" + type + "</rpttype><rptamount>1</rptamount>"
           "<rptmask>" + std::to_string(mask) + "</rptmask><commands><seq>1</seq><macro>" + macro +
           "</macro></commands></tevent>\n";
  };
  qh::testing::WriteHostFile(sandbox.HostPath("C/schedule.xml"),
                             "<teventlist>\n" + entry(1, "d", 127, "A") + entry(2, "D", 200, "B") +
                                 entry(1, "N", 127, "C") + entry(3, "D", 0, "D") + "</teventlist>\n");
  CSchedEventManager schedule;
  EXPECT_EQ(ReadReports(schedule, 3), (std::vector<std::string>{
                         "ReadSchedule: Event 1 has repeat type [d] and weekday mask 127, which cannot run; it is kept "
                         "as written but never runs.",
                         "ReadSchedule: Event 2 has repeat type [D] and weekday mask 200, which cannot run; it is kept "
                         "as written but never runs.",
                         "ReadSchedule: Duplicate event id 1; the first event with that id stays."}));
  ASSERT_NE(schedule.FindEvent(1), nullptr);
  EXPECT_EQ(schedule.FindEvent(1)->Macros(), std::vector<CString>{"A"}) << "the duplicate's macros are not merged";
  EXPECT_EQ(schedule.FindEvent(1)->m_repeatType, 'd');
  schedule.PlanWindow(LocalTime(2026, 6, 1, 0, 0, 0), LocalTime(2026, 6, 3, 0, 0, 0));
  EXPECT_TRUE(schedule.OccurrencesOf(1).empty());
  EXPECT_TRUE(schedule.OccurrencesOf(2).empty());
  EXPECT_EQ(Texts(schedule.OccurrencesOf(3)), (std::vector<std::string>{"2026-06-01T09:00:00", "2026-06-02T09:00:00"}))
      << "a weekday mask of 0 restricts nothing";
  // The next rewrite keeps what was written.
  schedule.AddEventMacro(3, 2, "E");
  const std::string text = qh::testing::ReadHostFile(sandbox.HostPath("C/schedule.xml"));
  EXPECT_NE(text.find("<id>1</id>\n    <desc>e1</desc>\n    <eventdts>2026-06-01T09:00:00</eventdts>\n    "
                      "<rpttype>d</rpttype>\n    <rptamount>1</rptamount>\n    <rptmask>127</rptmask>\n    "
                      "<commands>\n      <seq>1</seq>\n      <macro>A</macro>\n    </commands>"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("<rptmask>200</rptmask>"), std::string::npos) << text;
  EXPECT_EQ(text.find("<macro>C</macro>"), std::string::npos) << text;
}

// A start or end date that cannot be read would run the event daily from 1970 on or for ever past its
// end: such an entry is reported, kept as written and never runs, until an update gives it dates.
TEST_F(Berlin, FileEntriesWithDatesThatCannotBeReadAreReportedAndKept) {
  auto entry = [](int id, const std::string& dates) {
    return "  <tevent><id>" + std::to_string(id) + "</id><desc>e</desc>" + dates +
           "<rpttype>D</rpttype><rptamount>1</rptamount><rptmask>127</rptmask><commands><seq>1</seq>"
           "<macro>M</macro></commands></tevent>\n";
  };
  qh::testing::WriteHostFile(
      sandbox.HostPath("C/schedule.xml"),
      "<teventlist>\n" + entry(1, "<eventdts>2026-6-1T09:00:00</eventdts>") + entry(2, "") +
          entry(3, "<eventdts>2026-06-01T09:00:00</eventdts><rptenddate>2026-13-01</rptenddate>") +
          entry(4, "<eventdts>2026-06-01T09:00:00</eventdts><rptenddate></rptenddate>") + "</teventlist>\n");
  CSchedEventManager schedule;
  schedule.SetClock([] { return LocalTime(2026, 6, 1, 0, 0, 0); });
  EXPECT_EQ(ReadReports(schedule, 4), (std::vector<std::string>{
                         "ReadSchedule: Event 1 has start date [2026-6-1T09:00:00], which cannot be read; it is kept "
                         "as written but never runs.",
                         "ReadSchedule: Event 2 has start date [], which cannot be read; it is kept as written but "
                         "never runs.",
                         "ReadSchedule: Event 3 has end date [2026-13-01], which cannot be read; it is kept as written "
                         "but never runs."}));
  schedule.PlanWindow(LocalTime(2026, 6, 1, 0, 0, 0), LocalTime(2026, 6, 3, 0, 0, 0));
  for (DWORD id : {1u, 2u, 3u}) EXPECT_TRUE(schedule.OccurrencesOf(id).empty()) << id;
  EXPECT_EQ(schedule.OccurrencesOf(4).size(), 2u) << "an empty end date is none";

  schedule.AddEventMacro(4, 2, "N");  // a rewrite
  std::string text = qh::testing::ReadHostFile(sandbox.HostPath("C/schedule.xml"));
  EXPECT_NE(text.find("<id>1</id>\n    <desc>e</desc>\n    <eventdts>2026-6-1T09:00:00</eventdts>"), std::string::npos)
      << text;
  EXPECT_NE(text.find("<id>2</id>\n    <desc>e</desc>\n    <eventdts></eventdts>"), std::string::npos) << text;
  EXPECT_NE(text.find("<rptmask>127</rptmask>\n    <rptenddate>2026-13-01</rptenddate>"), std::string::npos) << text;

  ASSERT_TRUE(schedule.UpdateEvent(1, LocalTime(2026, 6, 2, 9, 0, 0), 'D', 1, 127, 0, "e"));
  EXPECT_EQ(Texts(schedule.OccurrencesOf(1)), std::vector<std::string>{"2026-06-02T09:00:00"})
      << "given dates, it runs";
  text = qh::testing::ReadHostFile(sandbox.HostPath("C/schedule.xml"));
  EXPECT_NE(text.find("<id>1</id>\n    <desc>e</desc>\n    <eventdts>2026-06-02T09:00:00</eventdts>"), std::string::npos)
      << text;
}

// Window after window, also one that begins before the last, a monthly event gets exactly the starts
// a fresh plan of that window gives.
TEST_F(Berlin, MonthlyStartsWindowAfterWindowAreThoseOfAFreshPlan) {
  CSchedEventManager walked;
  const std::time_t first = LocalTime(2020, 1, 31, 8, 0, 0), second = LocalTime(2020, 3, 15, 8, 0, 0);
  DWORD a = walked.AddEvent("31st", first, 'M', 1, 127, 0);
  DWORD b = walked.AddEvent("15th", second, 'M', 2, 127, 0);
  std::time_t from = LocalTime(2026, 1, 1, 0, 0, 0);
  std::vector<std::pair<std::time_t, std::time_t>> windows;
  for (int i = 0; i < 40; ++i, from += 86400 * 9) windows.emplace_back(from, from + 86400 * 9 - 1);
  windows.emplace_back(LocalTime(2026, 2, 1, 0, 0, 0), LocalTime(2026, 4, 1, 0, 0, 0));  // back again
  size_t planned = 0;
  for (const auto& [start, end] : windows) {
    CSchedEventManager fresh;
    fresh.AddEvent("31st", first, 'M', 1, 127, 0);
    fresh.AddEvent("15th", second, 'M', 2, 127, 0);
    fresh.PlanWindow(start, end);
    walked.PlanWindow(start, end);
    for (DWORD id : {a, b}) {
      std::vector<std::time_t> inWindow;
      for (std::time_t t : walked.OccurrencesOf(id))
        if (t >= start && t <= end) inWindow.push_back(t);
      EXPECT_EQ(Texts(inWindow), Texts(fresh.OccurrencesOf(id))) << FormatScheduleDate(start).GetString();
      planned += inWindow.size();
    }
    walked.Tick(end, [](DWORD) {});  // what ran is removed at the next window
  }
  EXPECT_GE(planned, 20u) << "the windows held starts of both events";
}

// An update refused for its repetition changes nothing; an add refused stores nothing.
TEST_F(Berlin, RepetitionsThatCannotRunAreNeitherAddedNorUpdated) {
  CSchedEventManager schedule;
  const std::time_t start = LocalTime(2026, 6, 1, 9, 0, 0);
  const std::vector<std::pair<char, DWORD>> refused = {{'d', 127}, {'x', 0}, {'\0', 127}, {'D', 128}, {'W', 4096}};
  for (auto [type, mask] : refused) {
    SCOPED_TRACE(std::string(1, type) + " " + std::to_string(mask));
    EXPECT_EQ(schedule.AddEvent("bad", start, type, 1, mask, 0), 0u);
  }
  EXPECT_EQ(schedule.GetEventCount(), 0);
  const DWORD id = schedule.AddEvent("weekdays", start, 'D', 1, 62, 0);
  ASSERT_EQ(id, 1u);
  EXPECT_FALSE(schedule.UpdateEvent(id, start + 3600, 'w', 2, 127, 0, "changed"));
  EXPECT_FALSE(schedule.UpdateEvent(id, start + 3600, 'W', 2, 200, LocalTime(2027, 1, 1, 0, 0, 0), "changed"));
  const CSchedEvent* event = schedule.FindEvent(id);
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(event->m_start, start);
  EXPECT_EQ(event->m_repeatType, 'D');
  EXPECT_EQ(event->m_repeatAmount, 1u);
  EXPECT_EQ(event->m_mask, 62u);
  EXPECT_FALSE(event->m_hasEndDate);
  EXPECT_STREQ(event->m_description, "weekdays");
}

// A new description alone keeps the planned run, also one already due that the 10-second tick has not
// reached yet; a new time replaces it.
TEST_F(Berlin, ANewDescriptionKeepsTheRunANewTimeReplacesIt) {
  std::time_t now = LocalTime(2026, 6, 1, 10, 0, 0);
  CSchedEventManager schedule;
  schedule.SetClock([&] { return now; });
  schedule.PlanWindow(now, now + 1800);
  const std::time_t doors = now + 600;
  const DWORD id = schedule.AddEvent("doors", doors, 'N', 0, 127, 0);
  std::vector<DWORD> ran;
  auto run = [&](DWORD event) { ran.push_back(event); };
  schedule.Tick(doors - 5, run);
  now = doors + 3;  // due, the next tick is at doors + 5
  ASSERT_TRUE(schedule.UpdateEvent(id, doors, 'N', 0, 127, 0, "front doors"));
  EXPECT_STREQ(schedule.FindEvent(id)->m_description, "front doors");
  EXPECT_DOUBLE_EQ(schedule.Tick(doors + 5, run), 0.0);
  EXPECT_EQ(ran, std::vector<DWORD>{id});

  const DWORD bell = schedule.AddEvent("bell", now + 300, 'D', 1, 127, 0);
  ASSERT_TRUE(schedule.UpdateEvent(bell, now + 300, 'D', 1, 127, 0, "bell renamed"));
  EXPECT_EQ(schedule.OccurrencesOf(bell), std::vector<std::time_t>{now + 300}) << "planned once, not twice";
  ASSERT_TRUE(schedule.UpdateEvent(bell, now + 400, 'D', 1, 127, 0, "bell renamed"));
  EXPECT_EQ(schedule.OccurrencesOf(bell), std::vector<std::time_t>{now + 400});
  ASSERT_TRUE(schedule.UpdateEvent(bell, now + 400, 'D', 1, 127, now + 86400, "bell renamed"));
  EXPECT_EQ(schedule.OccurrencesOf(bell), std::vector<std::time_t>{now + 400}) << "an end date is a change too";
}

// A start pushed out of the spring gap by the clock change runs an hour later that month only; the
// months after keep the first start's wall-clock time, as daily events do.
TEST_F(Berlin, AMonthlyStartInTheSpringGapMovesThatMonthOnly) {
  CSchedEventManager schedule;
  const DWORD id = schedule.AddEvent("night", LocalTime(2021, 1, 28, 2, 30, 0), 'M', 1, 127, 0);
  schedule.PlanWindow(LocalTime(2021, 2, 1, 0, 0, 0), LocalTime(2021, 5, 31, 0, 0, 0));
  EXPECT_EQ(Texts(schedule.OccurrencesOf(id)), (std::vector<std::string>{"2021-02-28T02:30:00", "2021-03-28T03:30:00",
                                                                         "2021-04-28T02:30:00", "2021-05-28T02:30:00"}));
}

// Every start of a monthly event up to `to`, walked from its first start one step at a time: a month
// (year + amount / 12, month + amount % 12) before the 29th, 30 days from the 29th on.
std::vector<std::time_t> WalkedMonthly(std::time_t start, DWORD amount, std::time_t to) {
  std::vector<std::time_t> starts;
  for (std::time_t t = start; t != -1 && t <= to;) {
    starts.push_back(t);
    std::tm local{};
    localtime_r(&t, &local);
    if (local.tm_mday < 29) {
      local.tm_year += static_cast<int>(amount / 12);
      local.tm_mon += static_cast<int>(amount % 12);
      local.tm_isdst = -1;
      t = std::mktime(&local);
    } else {
      t += static_cast<std::time_t>(amount) * 2592000;
    }
  }
  return starts;
}

// Windows around some of a walk's starts: the start alone, the half hours before and after it, the
// hour around it, and a long stretch from just after it.
std::vector<std::pair<std::time_t, std::time_t>> WindowsAround(const std::vector<std::time_t>& starts) {
  std::vector<std::pair<std::time_t, std::time_t>> windows;
  if (starts.empty()) return windows;
  for (size_t i : {size_t{1}, size_t{3}, starts.size() / 2, starts.size() - 1}) {
    if (i >= starts.size()) continue;
    const std::time_t s = starts[i];
    windows.insert(windows.end(), {{s, s}, {s - 1800, s - 1}, {s + 1, s + 1800}, {s - 1800, s + 1800},
                                   {s + 1, s + 400 * 86400}});
  }
  return windows;
}

// The planner jumps to a window instead of walking to it from the first start: for events on every
// kind of day (month ends, February 29 to 31 of leap and common years), amounts and zones, each window
// gets exactly the starts of the walk that fall into it.
TEST(MonthlyPlanning, JumpsToTheWindowAndPlansWhatTheWalkReaches) {
  struct Table {
    std::vector<const char*> zones;
    std::vector<int> years, months, days;
    std::vector<std::array<int, 3>> clocks;
    std::vector<DWORD> amounts;
    int horizonYears;  // the walk's length: the windows lie in it
  };
  const Table tables[] = {
      {{"Europe/Berlin", "UTC", "Australia/Sydney", "America/New_York"},
       {2019, 2020, 2023, 2024},
       {1, 2, 3, 10, 12},
       {1, 15, 28, 29, 30, 31},
       {{0, 0, 0}, {9, 15, 30}, {23, 59, 59}},
       {1, 2, 3, 5, 11, 12, 13, 25, 100, 1200, 4000000000u},
       12},
      // Windows a century and more after the first start.
      {{"Europe/Berlin", "UTC"}, {2020, 2023}, {1, 2, 12}, {28, 29, 30, 31}, {{23, 59, 59}}, {1, 7}, 2199 - 2023},
  };
  size_t events = 0, compared = 0;
  for (const Table& table : tables) {
    for (const char* name : table.zones) {
      LocalZone zone(name);
      for (int year : table.years)
        for (int month : table.months)
          for (int day : table.days)
            for (const auto& clock : table.clocks)
              for (DWORD amount : table.amounts) {
                const std::time_t start = LocalTime(year, month, day, clock[0], clock[1], clock[2]);
                const std::time_t horizon = LocalTime(year + table.horizonYears, 1, 1, 0, 0, 0);
                const std::vector<std::time_t> walked = WalkedMonthly(start, amount, horizon);
                std::vector<std::pair<std::time_t, std::time_t>> windows = WindowsAround(walked);
                windows.emplace_back(start - 86400, walked.back());
                ++events;
                for (auto [from, to] : windows) {
                  to = std::min(to, horizon);  // the walk's end
                  CSchedEventManager schedule;
                  const DWORD id = schedule.AddEvent("monthly", start, 'M', amount, 127, 0);
                  schedule.PlanWindow(from, to);
                  std::vector<std::time_t> expected;
                  std::copy_if(walked.begin(), walked.end(), std::back_inserter(expected),
                               [&](std::time_t t) { return t >= from && t <= to; });
                  ASSERT_EQ(schedule.OccurrencesOf(id), expected)
                      << name << " start " << FormatScheduleDate(start).GetString() << " every " << amount
                      << " months, window " << FormatScheduleDate(from).GetString() << " to "
                      << FormatScheduleDate(to).GetString();
                  compared += expected.size();
                }
              }
    }
  }
  EXPECT_EQ(events, 4u * 4 * 5 * 6 * 3 * 11 + 2u * 2 * 3 * 4 * 1 * 2);
  EXPECT_GT(compared, 100000u) << "the windows held starts";
}

}  // namespace
