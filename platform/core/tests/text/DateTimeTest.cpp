#include "platform/core/DateTime.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

// Runs each test in a fixed zone with daylight saving, written as a rule so that it needs no
// zone database: Eastern time, UTC-5, UTC-4 in summer.
class ZoneFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    m_hadZone = tz != nullptr;
    if (tz) m_savedZone = tz;
    setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
    tzset();
  }
  void TearDown() override {
    if (m_hadZone) {
      setenv("TZ", m_savedZone.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  bool m_hadZone = false;
  std::string m_savedZone;
};

struct CalendarCase {
  int year, month, day, hour, minute, second;
  double oleDate;
  int dayOfWeek;
  int dayOfYear;
};

const CalendarCase kCalendar[] = {
    {1899, 12, 30, 0, 0, 0, 0.0, 7, 364},
    {1899, 12, 29, 6, 0, 0, -1.25, 6, 363},
    {1899, 12, 29, 18, 0, 0, -1.75, 6, 363},
    {1900, 1, 1, 0, 0, 0, 2.0, 2, 1},
    {1970, 1, 1, 12, 0, 0, 25569.5, 5, 1},
    {2000, 2, 29, 0, 0, 0, 36585.0, 3, 60},
    {2004, 1, 31, 10, 20, 30, 38017.0 + (10 * 3600 + 20 * 60 + 30) / 86400.0, 7, 31},
    {2004, 12, 31, 23, 59, 59, 38352.0 + 86399 / 86400.0, 6, 366},
    {100, 1, 1, 0, 0, 0, -657434.0, 6, 1},
    {9999, 12, 31, 23, 59, 59, 2958465.0 + 86399 / 86400.0, 6, 365},
};

TEST(COleDateTime, ComponentsMatchTheCalendar) {
  for (const auto& c : kCalendar) {
    const COleDateTime date(c.year, c.month, c.day, c.hour, c.minute, c.second);
    SCOPED_TRACE(std::to_string(c.year) + "-" + std::to_string(c.month) + "-" + std::to_string(c.day));
    ASSERT_EQ(date.GetStatus(), COleDateTime::valid);
    EXPECT_NEAR(date.m_dt, c.oleDate, 1e-9);
    const COleDateTime fromValue(c.oleDate);
    EXPECT_EQ(fromValue.GetYear(), c.year);
    EXPECT_EQ(fromValue.GetMonth(), c.month);
    EXPECT_EQ(fromValue.GetDay(), c.day);
    EXPECT_EQ(fromValue.GetHour(), c.hour);
    EXPECT_EQ(fromValue.GetMinute(), c.minute);
    EXPECT_EQ(fromValue.GetSecond(), c.second);
    EXPECT_EQ(fromValue.GetDayOfWeek(), c.dayOfWeek);
    EXPECT_EQ(fromValue.GetDayOfYear(), c.dayOfYear);
  }
}

struct DateOnly {
  int year, month, day, hour, minute, second;
};

const DateOnly kImpossible[] = {
    {2004, 2, 30, 0, 0, 0}, {1900, 2, 29, 0, 0, 0}, {2004, 13, 1, 0, 0, 0}, {2004, 0, 1, 0, 0, 0},
    {2004, 1, 0, 0, 0, 0},  {99, 12, 31, 0, 0, 0},  {10000, 1, 1, 0, 0, 0}, {2004, 1, 1, 24, 0, 0},
    {2004, 1, 1, 0, 60, 0}, {2004, 1, 1, 0, 0, 60}, {2004, 1, 1, -1, 0, 0},
};

TEST(COleDateTime, ImpossibleDatesAreInvalid) {
  for (const auto& c : kImpossible) {
    COleDateTime date;
    EXPECT_EQ(date.SetDateTime(c.year, c.month, c.day, c.hour, c.minute, c.second), 1);
    EXPECT_EQ(date.GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(date.GetYear(), AFX_OLE_DATETIME_ERROR);
    EXPECT_EQ(date.GetDayOfWeek(), AFX_OLE_DATETIME_ERROR);
    EXPECT_EQ(date.Format("%Y"), "Invalid DateTime");
    SYSTEMTIME st;
    EXPECT_FALSE(date.GetAsSystemTime(st));
  }
  EXPECT_EQ(COleDateTime(3e6).GetStatus(), COleDateTime::invalid);
}

TEST(COleDateTime, NullDateFormatsEmptyAndHasNoComponents) {
  COleDateTime date(2004, 1, 31, 0, 0, 0);
  date.SetStatus(COleDateTime::null);
  EXPECT_EQ(date.Format("%Y-%m-%d"), "");
  EXPECT_EQ(date.Format(), "");
  EXPECT_EQ(date.GetMonth(), AFX_OLE_DATETIME_ERROR);
  const COleDateTime later = date + COleDateTimeSpan(1.0);
  EXPECT_EQ(later.GetStatus(), COleDateTime::null);
  COleDateTime invalidDate;
  invalidDate.SetDate(2004, 2, 30);
  EXPECT_EQ((invalidDate + COleDateTimeSpan(1.0)).GetStatus(), COleDateTime::invalid);
  EXPECT_EQ((date - invalidDate).GetStatus(), COleDateTimeSpan::invalid);
}

TEST(COleDateTime, NewDateIsTheZeroDayAndValid) {
  const COleDateTime date;
  EXPECT_EQ(date.GetStatus(), COleDateTime::valid);
  EXPECT_EQ(date.Format("%Y-%m-%d %H:%M:%S"), "1899-12-30 00:00:00");
}

struct FormatCase {
  const char* format;
  const char* text;
};

// 2004-01-31 is a Saturday, day 31 of the year, in week 4 both ways of counting.
const FormatCase kFormats[] = {
    {"%Y-%m-%d", "2004-01-31"},
    {"%Y", "2004"},
    {"%c", "01/31/04 10:20:30"},
    {"%x", "01/31/04"},
    {"%X", "10:20:30"},
    {"%#c", "Saturday, January 31, 2004, 10:20:30"},
    {"%#x", "Saturday, January 31, 2004"},
    {"%X on %x", "10:20:30 on 01/31/04"},
    {"%m/%d/%Y %X", "01/31/2004 10:20:30"},
    {"%Y%j%H%M%S", "2004031102030"},
    {"%Y%m%d%H%M%S", "20040131102030"},
    {"%Y-%m-%d-%H:%M:%S", "2004-01-31-10:20:30"},
    {"%a %A %b %B", "Sat Saturday Jan January"},
    {"%I:%M %p", "10:20 AM"},
    {"%#d/%#m/%#y %#H", "31/1/4 10"},
    {"%U %W %w %y", "04 04 6 04"},
    {"100%% sure", "100% sure"},
    {"  <SongYear>%Y</SongYear>\r\n", "  <SongYear>2004</SongYear>\r\n"},
    {"trailing %", "trailing %"},
    {"%Q", "%Q"},
    {"", ""},
};

TEST(COleDateTime, FormatsTheStrftimeForms) {
  const COleDateTime date(2004, 1, 31, 10, 20, 30);
  for (const auto& c : kFormats) EXPECT_EQ(date.Format(c.format), c.text) << c.format;
}

TEST(COleDateTime, TwelveHourClockAroundMidnightAndNoon) {
  EXPECT_EQ(COleDateTime(2004, 1, 31, 0, 5, 0).Format("%I %p"), "12 AM");
  EXPECT_EQ(COleDateTime(2004, 1, 31, 12, 5, 0).Format("%I %p"), "12 PM");
  EXPECT_EQ(COleDateTime(2004, 1, 31, 22, 5, 9).Format("%#I %p"), "10 PM");
}

TEST(COleDateTime, DefaultFormatShowsTheParts) {
  const COleDateTime both(2004, 1, 31, 22, 5, 9);
  EXPECT_EQ(both.Format(), "1/31/2004 10:05:09 PM");
  EXPECT_EQ(both.Format(VAR_DATEVALUEONLY), "1/31/2004");
  EXPECT_EQ(both.Format(VAR_TIMEVALUEONLY), "10:05:09 PM");
  EXPECT_EQ(COleDateTime(2004, 1, 31, 0, 0, 0).Format(), "1/31/2004");
  COleDateTime timeOnly;
  timeOnly.SetTime(4, 0, 0);
  EXPECT_EQ(timeOnly.Format(), "4:00:00 AM");
}

TEST(COleDateTime, ArithmeticCrossesMonthsLeapDaysAndTheZeroDay) {
  const COleDateTime lateFeb(2004, 2, 28, 23, 0, 0);
  EXPECT_EQ((lateFeb + COleDateTimeSpan(1, 2, 0, 0)).Format("%Y-%m-%d %H:%M"), "2004-03-01 01:00");
  EXPECT_EQ((COleDateTime(2004, 3, 1, 0, 0, 0) - COleDateTime(2004, 2, 28, 0, 0, 0)).GetDays(), 2);
  EXPECT_EQ((COleDateTime(2003, 3, 1, 0, 0, 0) - COleDateTime(2003, 2, 28, 0, 0, 0)).GetDays(), 1);

  // Before 1899-12-30 the value runs backwards by day but forwards within the day.
  COleDateTime early(1899, 12, 29, 6, 0, 0);
  early += COleDateTimeSpan(0, 12, 0, 0);
  EXPECT_EQ(early.Format("%Y-%m-%d %H:%M"), "1899-12-29 18:00");
  EXPECT_DOUBLE_EQ(early.m_dt, -1.75);
  early += COleDateTimeSpan(0, 12, 0, 0);
  EXPECT_EQ(early.Format("%Y-%m-%d %H:%M"), "1899-12-30 06:00");
  EXPECT_DOUBLE_EQ(early.m_dt, 0.25);
  early -= COleDateTimeSpan(1, 0, 0, 0);
  EXPECT_DOUBLE_EQ(early.m_dt, -1.25);
  EXPECT_EQ((COleDateTime(2000, 1, 1, 0, 0, 0) + COleDateTimeSpan(-36526.0)).Format("%Y-%m-%d"), "1899-12-30");
}

TEST(COleDateTime, ComparisonFollowsTimeAlsoBeforeTheZeroDay) {
  const COleDateTime morning(1899, 12, 29, 6, 0, 0);   // -1.25
  const COleDateTime evening(1899, 12, 29, 18, 0, 0);  // -1.75
  EXPECT_TRUE(morning < evening);
  EXPECT_TRUE(evening > morning);
  EXPECT_TRUE(COleDateTime(2004, 1, 31, 0, 0, 0) < COleDateTime(2004, 1, 31, 0, 0, 1));
  EXPECT_TRUE(COleDateTime(2004, 1, 31, 0, 0, 0) == COleDateTime(38017.0));
  EXPECT_TRUE(COleDateTime(2004, 1, 31, 0, 0, 0) <= COleDateTime(38017.0));
  EXPECT_FALSE(COleDateTime(2004, 1, 31, 0, 0, 0) != COleDateTime(38017.0));
}

TEST(COleDateTime, ComponentsRoundToTheNearestSecond) {
  const double almostMidnight = 38017.0 + (86400.0 - 0.4) / 86400.0;
  EXPECT_EQ(COleDateTime(almostMidnight).Format("%Y-%m-%d %H:%M:%S"), "2004-02-01 00:00:00");
  EXPECT_EQ(COleDateTime(38017.0 + (3600.0 - 0.4) / 86400.0).Format("%H:%M:%S"), "01:00:00");
  EXPECT_EQ(COleDateTime(38017.0 + (3600.0 - 0.6) / 86400.0).Format("%H:%M:%S"), "00:59:59");
}

TEST(COleDateTimeSpan, PartsTotalsAndFormat) {
  const COleDateTimeSpan span = COleDateTime(2004, 2, 3, 14, 25, 36) - COleDateTime(2004, 1, 31, 10, 20, 30);
  EXPECT_EQ(span.GetDays(), 3);
  EXPECT_EQ(span.GetHours(), 4);
  EXPECT_EQ(span.GetMinutes(), 5);
  EXPECT_EQ(span.GetSeconds(), 6);
  EXPECT_DOUBLE_EQ(span.GetTotalSeconds(), 3 * 86400 + 4 * 3600 + 5 * 60 + 6);
  EXPECT_DOUBLE_EQ(span.GetTotalMinutes(), (3 * 86400 + 4 * 3600 + 5 * 60 + 6) / 60.0);
  EXPECT_EQ(span.Format("%D days %H:%M:%S (%%)"), "3 days 04:05:06 (%)");
  const COleDateTimeSpan negative = -COleDateTimeSpan(1, 2, 0, 0);
  EXPECT_EQ(negative.GetDays(), -1);
  EXPECT_EQ(negative.GetHours(), -2);
  EXPECT_TRUE(negative < span);
  EXPECT_EQ(COleDateTimeSpan(1, 0, 0, 0) + COleDateTimeSpan(0, 24, 0, 0), COleDateTimeSpan(2.0));
}

struct ParseCase {
  const char* text;
  DWORD flags;
  const char* expected;  // "%Y-%m-%d %H:%M:%S" of the result
};

const ParseCase kParsed[] = {
    {"1/31/2004 10:20:30", 0, "2004-01-31 10:20:30"},
    {"1/31/2004", 0, "2004-01-31 00:00:00"},
    {"01/31/04", 0, "2004-01-31 00:00:00"},
    {"1/31/30", 0, "1930-01-31 00:00:00"},
    {"1/31/29", 0, "2029-01-31 00:00:00"},
    {"2004-01-31", 0, "2004-01-31 00:00:00"},
    {"2004-01-31 22:05", 0, "2004-01-31 22:05:00"},
    {"1-31-2004", 0, "2004-01-31 00:00:00"},
    {"Jan 31, 2004", 0, "2004-01-31 00:00:00"},
    {"January 31 2004 4 PM", 0, "2004-01-31 16:00:00"},
    {"31 January 2004", 0, "2004-01-31 00:00:00"},
    {"Saturday, January 31, 2004 10:20 PM", 0, "2004-01-31 22:20:00"},
    {"  1/31/2004   10:20:30 am ", 0, "2004-01-31 10:20:30"},
    {"04:00:00", 0, "1899-12-30 04:00:00"},
    {"23:59:59", 0, "1899-12-30 23:59:59"},
    {"12:00 AM", 0, "1899-12-30 00:00:00"},
    {"12:30 PM", 0, "1899-12-30 12:30:00"},
    {"10:20:30.75", 0, "1899-12-30 10:20:30"},
    {"04:00:00", VAR_TIMEVALUEONLY, "1899-12-30 04:00:00"},
    {"1/31/2004 10:20:30", VAR_TIMEVALUEONLY, "1899-12-30 10:20:30"},
    {"1/31/2004 10:20:30", VAR_DATEVALUEONLY, "2004-01-31 00:00:00"},
    {"1/31/2004", VAR_TIMEVALUEONLY, "1899-12-30 00:00:00"},
};

TEST(COleDateTime, ParsesTheDateAndTimeForms) {
  for (const auto& c : kParsed) {
    COleDateTime date;
    ASSERT_TRUE(date.ParseDateTime(c.text, c.flags)) << c.text;
    EXPECT_EQ(date.GetStatus(), COleDateTime::valid) << c.text;
    EXPECT_EQ(date.Format("%Y-%m-%d %H:%M:%S"), c.expected) << c.text;
  }
}

TEST(COleDateTime, ParseOfADayAndMonthTakesTheCurrentYear) {
  COleDateTime date;
  ASSERT_TRUE(date.ParseDateTime("3/4"));
  EXPECT_EQ(date.GetYear(), COleDateTime::GetCurrentTime().GetYear());
  EXPECT_EQ(date.GetMonth(), 3);
  EXPECT_EQ(date.GetDay(), 4);
}

const char* const kUnreadable[] = {
    "",        "   ",        "abc",     "12abc",         "25:00:00",   "10:60",         "2/30/2004",
    "13/1/2004", "1/31/2004 10:20:30 xyz", "13 PM", "1:2:3:4", "10:20 PM PM", "1/2/3/4", "2004-01-31T10:00",
    "Smarch 3, 2004", "31 Jan Feb 2004", "1/31/2004 @ 10:00", "0 AM",
};

TEST(COleDateTime, UnreadableTextsLeaveTheDateInvalid) {
  for (const char* text : kUnreadable) {
    COleDateTime date(2004, 1, 31, 0, 0, 0);
    EXPECT_FALSE(date.ParseDateTime(text)) << '"' << text << '"';
    EXPECT_EQ(date.GetStatus(), COleDateTime::invalid) << '"' << text << '"';
  }
  COleDateTime date;
  EXPECT_FALSE(date.ParseDateTime(nullptr));
  EXPECT_FALSE(date.ParseDateTime("no time", VAR_TIMEVALUEONLY));
}

TEST(COleDateTime, DefaultFormatReadsBack) {
  const COleDateTime samples[] = {COleDateTime(2004, 1, 31, 22, 5, 9), COleDateTime(1999, 12, 31, 0, 0, 0),
                                  COleDateTime(2030, 6, 15, 12, 0, 1)};
  for (const auto& original : samples) {
    COleDateTime parsed;
    ASSERT_TRUE(parsed.ParseDateTime(original.Format())) << original.Format().GetString();
    EXPECT_EQ(parsed, original) << original.Format().GetString();
  }
}

TEST(COleDateTime, SystemTimeConversionKeepsTheParts) {
  SYSTEMTIME st{};
  st.wYear = 2004, st.wMonth = 1, st.wDay = 31, st.wHour = 10, st.wMinute = 20, st.wSecond = 30;
  const COleDateTime date(st);
  EXPECT_EQ(date.Format("%Y-%m-%d %H:%M:%S"), "2004-01-31 10:20:30");
  SYSTEMTIME back{};
  ASSERT_TRUE(date.GetAsSystemTime(back));
  EXPECT_EQ(back.wYear, 2004);
  EXPECT_EQ(back.wDayOfWeek, 6);
  EXPECT_EQ(back.wSecond, 30);
  st.wDay = 30, st.wMonth = 2;
  EXPECT_EQ(COleDateTime(st).GetStatus(), COleDateTime::invalid);
}

TEST_F(ZoneFixture, OleDateFromCalendarTimeIsLocal) {
  EXPECT_EQ(COleDateTime(std::time_t{0}).Format("%Y-%m-%d %H:%M:%S"), "1969-12-31 19:00:00");
  EXPECT_EQ(COleDateTime(std::time_t{1088697600}).Format("%Y-%m-%d %H:%M"), "2004-07-01 12:00");  // summer
  const COleDateTime now = COleDateTime::GetCurrentTime();
  const COleDateTime fromClock(std::time(nullptr));
  EXPECT_LE((fromClock - now).GetTotalSeconds(), 2.0);
}

TEST_F(ZoneFixture, CTimeIsLocalAndFormatsBothWays) {
  const CTime time(2004, 1, 31, 10, 20, 30);
  EXPECT_EQ(time.GetTime(), 1075562430);
  EXPECT_EQ(time.Format("%Y-%m-%d %H:%M:%S"), "2004-01-31 10:20:30");
  EXPECT_EQ(time.FormatGmt("%Y-%m-%d %H:%M:%S"), "2004-01-31 15:20:30");
  EXPECT_EQ(time.GetDayOfWeek(), 7);
  EXPECT_EQ(time.GetHour(), 10);
  const CTime later = time + CTimeSpan(1, 2, 3, 4);
  EXPECT_EQ(later.Format("%#c"), "Sunday, February 01, 2004, 12:23:34");
  const CTimeSpan span = later - time;
  EXPECT_EQ(span.GetTotalSeconds(), 93784);
  EXPECT_EQ(span.GetDays(), 1);
  EXPECT_EQ(span.Format("%D %H:%M:%S"), "1 02:03:04");
  EXPECT_TRUE(time < later);
  SYSTEMTIME st{};
  ASSERT_TRUE(later.GetAsSystemTime(st));
  EXPECT_EQ(CTime(st).GetTime(), later.GetTime());
}

// ---- SYSTEMTIME and FILETIME ----

ULONGLONG ticksOf(const FILETIME& ft) { return (ULONGLONG(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

FILETIME fileTimeOf(ULONGLONG ticks) {
  FILETIME ft;
  ft.dwLowDateTime = DWORD(ticks);
  ft.dwHighDateTime = DWORD(ticks >> 32);
  return ft;
}

SYSTEMTIME systemTime(int y, int mo, int d, int h, int mi, int s, int ms) {
  SYSTEMTIME st{};
  st.wYear = WORD(y), st.wMonth = WORD(mo), st.wDay = WORD(d);
  st.wHour = WORD(h), st.wMinute = WORD(mi), st.wSecond = WORD(s), st.wMilliseconds = WORD(ms);
  return st;
}

TEST(FileTime, KnownInstants) {
  FILETIME ft;
  SYSTEMTIME st = systemTime(1601, 1, 1, 0, 0, 0, 0);
  ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
  EXPECT_EQ(ticksOf(ft), 0u);
  st = systemTime(1970, 1, 1, 0, 0, 0, 0);
  ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
  EXPECT_EQ(ticksOf(ft), 116444736000000000ull);
  st = systemTime(2004, 1, 31, 10, 20, 30, 123);
  ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
  EXPECT_EQ(ticksOf(ft), 116444736000000000ull + 1075544430ull * 10000000ull + 1230000ull);
  EXPECT_EQ(qh::UnixSecondsFromFileTime(ft), 1075544430);
  EXPECT_EQ(ticksOf(qh::FileTimeFromUnix(1075544430, 123000000)), ticksOf(ft));
  EXPECT_EQ(qh::UnixSecondsFromFileTime(qh::FileTimeFromUnix(-1, 500000000)), -1);
}

TEST(FileTime, SystemTimeRoundTripsAcrossTheRange) {
  // A prime step walks through every month, weekday and time of day.
  const ULONGLONG last = 2650467743990000000ull;  // 9999-12-31 23:59:59.999
  for (ULONGLONG ticks = 0; ticks <= last; ticks += 7919ull * 86400ull * 10000000ull / 7 + 1230000ull) {
    const FILETIME ft = fileTimeOf(ticks - ticks % 10000);  // milliseconds are the finest SYSTEMTIME unit
    SYSTEMTIME st;
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &st));
    FILETIME back;
    ASSERT_TRUE(SystemTimeToFileTime(&st, &back));
    ASSERT_EQ(ticksOf(back), ticksOf(ft));
    const COleDateTime ole(st);
    if (st.wYear <= 9999) {
      ASSERT_EQ(ole.GetDayOfWeek(), st.wDayOfWeek + 1);
    }
  }
}

TEST(FileTime, RefusesFieldsOutOfRange) {
  const SYSTEMTIME bad[] = {
      systemTime(1600, 12, 31, 0, 0, 0, 0), systemTime(2004, 13, 1, 0, 0, 0, 0), systemTime(2004, 2, 30, 0, 0, 0, 0),
      systemTime(2004, 1, 1, 24, 0, 0, 0),  systemTime(2004, 1, 1, 0, 60, 0, 0), systemTime(2004, 1, 1, 0, 0, 60, 0),
      systemTime(2004, 1, 1, 0, 0, 0, 1000), systemTime(2004, 0, 1, 0, 0, 0, 0),
  };
  for (const SYSTEMTIME& st : bad) {
    FILETIME ft{};
    SetLastError(0);
    EXPECT_FALSE(SystemTimeToFileTime(&st, &ft));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
  }
  const FILETIME topBit = fileTimeOf(0x8000000000000000ull);
  SYSTEMTIME st;
  EXPECT_FALSE(FileTimeToSystemTime(&topBit, &st));
}

TEST_F(ZoneFixture, LocalFileTimeFollowsTheZoneRules) {
  struct Case {
    SYSTEMTIME utc;
    int hourLocal;
  } cases[] = {{systemTime(2004, 1, 31, 15, 0, 0, 250), 10}, {systemTime(2004, 7, 1, 15, 0, 0, 250), 11}};
  for (const auto& c : cases) {
    FILETIME utc, local, back;
    ASSERT_TRUE(SystemTimeToFileTime(&c.utc, &utc));
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    SYSTEMTIME st;
    ASSERT_TRUE(FileTimeToSystemTime(&local, &st));
    EXPECT_EQ(st.wHour, c.hourLocal);
    EXPECT_EQ(st.wMilliseconds, 250);
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &back));
    EXPECT_EQ(ticksOf(back), ticksOf(utc));
  }
}

TEST_F(ZoneFixture, ClockReadingsAgree) {
  FILETIME now, local;
  GetSystemTimeAsFileTime(&now);
  SYSTEMTIME utcNow, localNow, expectedLocal;
  GetSystemTime(&utcNow);
  GetLocalTime(&localNow);
  ASSERT_TRUE(FileTimeToLocalFileTime(&now, &local));
  ASSERT_TRUE(FileTimeToSystemTime(&local, &expectedLocal));
  FILETIME a, b;
  ASSERT_TRUE(SystemTimeToFileTime(&localNow, &a));
  ASSERT_TRUE(SystemTimeToFileTime(&expectedLocal, &b));
  EXPECT_LT(std::llabs(static_cast<long long>(ticksOf(a) - ticksOf(b))), 20000000LL);  // 2 s
  ASSERT_TRUE(SystemTimeToFileTime(&utcNow, &a));
  EXPECT_LT(std::llabs(static_cast<long long>(ticksOf(a) - ticksOf(now))), 20000000LL);
}

TEST(TickCount, RunsForwardInMilliseconds) {
  const DWORD start = GetTickCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  const DWORD elapsed = GetTickCount() - start;  // unsigned difference survives the wrap
  EXPECT_GE(elapsed, 30u);
  EXPECT_LT(elapsed, 5000u);
}

}  // namespace
