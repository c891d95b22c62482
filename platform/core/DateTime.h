// Dates and times with the platform's names: the OLE automation date `COleDateTime` and its span,
// the calendar time `CTime` and its span, the SYSTEMTIME and FILETIME conversions, GetTickCount.
//
// Local time is the host's time zone (TZ). Texts are formatted with US English names and forms,
// whatever the host's language, as the system's messages and stored texts expect ("%c" gives
// "01/31/04 10:20:30", "%#x" gives "Saturday, January 31, 2004").
#pragma once

#include <cstdint>
#include <ctime>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

using DATE = double;
using LCID = DWORD;
#ifndef LANG_USER_DEFAULT
#define LANG_USER_DEFAULT 0x0400
#endif
#ifndef VAR_TIMEVALUEONLY
#define VAR_TIMEVALUEONLY 0x00000001
#endif
#ifndef VAR_DATEVALUEONLY
#define VAR_DATEVALUEONLY 0x00000002
#endif

// The result of a component query on a date that is not valid.
#define AFX_OLE_DATETIME_ERROR (-1)

class COleDateTimeSpan;

// A date and time as a count of days since 1899-12-30 00:00, the time of day in the fraction. Before
// that day the fraction still counts forward from midnight (-1.25 is 1899-12-29 06:00). Valid dates
// lie between the years 100 and 9999; components are read to the nearest second.
class COleDateTime {
 public:
  enum DateTimeStatus { error = -1, valid = 0, invalid = 1, null = 2 };

  COleDateTime() = default;
  COleDateTime(DATE value);  // NOLINT: implicit as in the framework
  COleDateTime(int year, int month, int day, int hour, int minute, int second);
  COleDateTime(const SYSTEMTIME& systemTime);  // NOLINT
  explicit COleDateTime(std::time_t localTime);

  // The current local time, to the second.
  static COleDateTime GetCurrentTime();

  DateTimeStatus GetStatus() const { return m_status; }
  void SetStatus(DateTimeStatus status) { m_status = status; }

  // Components of a valid date; AFX_OLE_DATETIME_ERROR otherwise. Day of week 1 is Sunday; day of
  // year 1 is 1 January.
  int GetYear() const;
  int GetMonth() const;
  int GetDay() const;
  int GetHour() const;
  int GetMinute() const;
  int GetSecond() const;
  int GetDayOfWeek() const;
  int GetDayOfYear() const;
  bool GetAsSystemTime(SYSTEMTIME& systemTime) const;

  // Setters return 0 on success; on a date or time that does not exist they return 1 and leave the
  // status invalid. SetDate gives midnight, SetTime gives the time on 1899-12-30.
  int SetDateTime(int year, int month, int day, int hour, int minute, int second);
  int SetDate(int year, int month, int day);
  int SetTime(int hour, int minute, int second);

  COleDateTime& operator=(DATE value);
  COleDateTime& operator=(const SYSTEMTIME& systemTime);

  bool operator==(const COleDateTime& other) const;
  bool operator!=(const COleDateTime& other) const { return !(*this == other); }
  bool operator<(const COleDateTime& other) const;
  bool operator>(const COleDateTime& other) const { return other < *this; }
  bool operator<=(const COleDateTime& other) const { return !(other < *this); }
  bool operator>=(const COleDateTime& other) const { return !(*this < other); }

  // Arithmetic keeps an invalid or null status: an invalid operand gives an invalid result, else a
  // null operand a null one.
  COleDateTime operator+(const COleDateTimeSpan& span) const;
  COleDateTime operator-(const COleDateTimeSpan& span) const;
  COleDateTime& operator+=(const COleDateTimeSpan& span);
  COleDateTime& operator-=(const COleDateTimeSpan& span);
  COleDateTimeSpan operator-(const COleDateTime& other) const;

  // strftime forms ("%Y-%m-%d", "%c", "%#x", ...). A null date gives an empty text, an invalid one
  // "Invalid DateTime".
  CString Format(const char* format) const;
  // The default text: "1/31/2004 10:20:30 AM"; the date alone at midnight, the time alone on
  // 1899-12-30; VAR_DATEVALUEONLY or VAR_TIMEVALUEONLY keep one part only.
  CString Format(DWORD flags = 0, LCID locale = LANG_USER_DEFAULT) const;

  // Reads a date, a time or both: "1/31/2004 10:20:30", "1/31/04", "2004-01-31", "Jan 31, 2004",
  // "31 January 2004", "10:20", "10:20:30 PM", "4 PM". Two-digit years 0-29 mean 2000-2029, 30-99
  // mean 1930-1999. Without a date the day is 1899-12-30; without a time it is midnight.
  // VAR_TIMEVALUEONLY keeps only the time, VAR_DATEVALUEONLY only the date. Returns false and sets
  // the status invalid when the text is no date or time.
  bool ParseDateTime(const char* text, DWORD flags = 0, LCID locale = LANG_USER_DEFAULT);

  DATE m_dt = 0.0;
  DateTimeStatus m_status = valid;
};

// A length of time in days; fractions are parts of a day.
class COleDateTimeSpan {
 public:
  enum DateTimeSpanStatus { valid = 0, invalid = 1, null = 2 };

  COleDateTimeSpan() = default;
  COleDateTimeSpan(double days);  // NOLINT: implicit as in the framework
  COleDateTimeSpan(long days, int hours, int minutes, int seconds);

  DateTimeSpanStatus GetStatus() const { return m_status; }
  void SetStatus(DateTimeSpanStatus status) { m_status = status; }
  void SetDateTimeSpan(long days, int hours, int minutes, int seconds);

  // Whole days and the hours (0-23), minutes and seconds beyond them, to the nearest second; all
  // negative for a negative span.
  long GetDays() const;
  int GetHours() const;
  int GetMinutes() const;
  int GetSeconds() const;
  double GetTotalDays() const { return m_span; }
  double GetTotalHours() const;
  double GetTotalMinutes() const;
  double GetTotalSeconds() const;

  COleDateTimeSpan operator+(const COleDateTimeSpan& other) const;
  COleDateTimeSpan operator-(const COleDateTimeSpan& other) const;
  COleDateTimeSpan operator-() const;
  COleDateTimeSpan& operator+=(const COleDateTimeSpan& other);
  COleDateTimeSpan& operator-=(const COleDateTimeSpan& other);
  bool operator==(const COleDateTimeSpan& other) const;
  bool operator!=(const COleDateTimeSpan& other) const { return !(*this == other); }
  bool operator<(const COleDateTimeSpan& other) const { return m_span < other.m_span; }
  bool operator>(const COleDateTimeSpan& other) const { return m_span > other.m_span; }

  // "%D" days, "%H" hours, "%M" minutes, "%S" seconds (two digits each but days), "%%".
  CString Format(const char* format) const;

  double m_span = 0.0;
  DateTimeSpanStatus m_status = valid;
};

class CTimeSpan;

// A calendar time in whole seconds since 1970-01-01 00:00 UTC, shown in local time.
class CTime {
 public:
  CTime() = default;
  CTime(std::time_t time) : m_time(time) {}  // NOLINT: implicit as in the framework
  // A local date and time; daylight saving -1 lets the zone rules decide. Parts out of range roll
  // over as the C run time's mktime does (31 April is 1 May).
  CTime(int year, int month, int day, int hour, int minute, int second, int daylightSaving = -1);
  CTime(const SYSTEMTIME& localTime, int daylightSaving = -1);  // NOLINT

  static CTime GetCurrentTime();
  std::time_t GetTime() const { return m_time; }

  int GetYear() const;
  int GetMonth() const;
  int GetDay() const;
  int GetHour() const;
  int GetMinute() const;
  int GetSecond() const;
  int GetDayOfWeek() const;  // 1 = Sunday
  bool GetAsSystemTime(SYSTEMTIME& localTime) const;

  CString Format(const char* format) const;     // local time
  CString FormatGmt(const char* format) const;  // UTC

  CTime operator+(const CTimeSpan& span) const;
  CTime operator-(const CTimeSpan& span) const;
  CTime& operator+=(const CTimeSpan& span);
  CTime& operator-=(const CTimeSpan& span);
  CTimeSpan operator-(const CTime& other) const;
  auto operator<=>(const CTime& other) const = default;

 private:
  std::tm localParts() const;
  std::time_t m_time = 0;
};

class CTimeSpan {
 public:
  CTimeSpan() = default;
  CTimeSpan(std::time_t seconds) : m_seconds(seconds) {}  // NOLINT
  CTimeSpan(long days, int hours, int minutes, int seconds);

  std::time_t GetTimeSpan() const { return m_seconds; }
  long GetDays() const { return static_cast<long>(m_seconds / 86400); }
  int GetHours() const { return static_cast<int>(m_seconds / 3600 % 24); }
  int GetMinutes() const { return static_cast<int>(m_seconds / 60 % 60); }
  int GetSeconds() const { return static_cast<int>(m_seconds % 60); }
  std::time_t GetTotalHours() const { return m_seconds / 3600; }
  std::time_t GetTotalMinutes() const { return m_seconds / 60; }
  std::time_t GetTotalSeconds() const { return m_seconds; }

  CString Format(const char* format) const;  // as COleDateTimeSpan::Format

  CTimeSpan operator+(const CTimeSpan& other) const { return m_seconds + other.m_seconds; }
  CTimeSpan operator-(const CTimeSpan& other) const { return m_seconds - other.m_seconds; }
  auto operator<=>(const CTimeSpan& other) const = default;

 private:
  std::time_t m_seconds = 0;
};

// The platform's time functions. SystemTimeToFileTime refuses a field out of range (FALSE,
// ERROR_INVALID_PARAMETER) and ignores wDayOfWeek; FileTimeToSystemTime refuses values with the top
// bit set and fills wDayOfWeek. The local forms use the host's zone rules at the time converted.
BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime);
BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime);
BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, FILETIME* localFileTime);
BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, FILETIME* fileTime);
void GetLocalTime(SYSTEMTIME* systemTime);
void GetSystemTime(SYSTEMTIME* systemTime);
void GetSystemTimeAsFileTime(FILETIME* fileTime);

// Milliseconds since an arbitrary start, from a clock that never goes back; wraps after 49.7 days.
DWORD GetTickCount();

namespace qh {

// Host time (seconds and nanoseconds since 1970 UTC) to a file time and back; the way back rounds
// toward the past to whole seconds.
FILETIME FileTimeFromUnix(std::int64_t seconds, long nanoseconds = 0);
std::int64_t UnixSecondsFromFileTime(const FILETIME& fileTime);

// The parts of a date, formatted by the strftime forms that the texts of the system use: the
// conversions of the platform's C run time in its default locale, with the "#" flag (long date and
// time forms, numbers without leading zeros).
CString FormatTimeParts(const char* format, const std::tm& parts);

}  // namespace qh
