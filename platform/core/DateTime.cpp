#include "platform/core/DateTime.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Cp1252.h"

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// Day 0 of the OLE calendar, 1899-12-30, counted from 1970-01-01.
constexpr std::int64_t kOleEpochUnixDay = -25569;
// 100-nanosecond intervals between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kFileTimeUnixEpoch = 116444736000000000LL;
constexpr std::int64_t kTicksPerSecond = 10000000LL;
// The OLE days of 0100-01-01 and of the day after 9999-12-31.
constexpr double kFirstOleDay = -657434.0;
constexpr double kEndOleDay = 2958466.0;

constexpr const char* kInvalidDateTimeText = "Invalid DateTime";

constexpr const char* kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr const char* kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                       "July",    "August",   "September", "October", "November", "December"};

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back.
std::int64_t daysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void civilFromDays(std::int64_t days, int* year, int* month, int* day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
  *day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  *month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  *year = static_cast<int>(yearOfEra + era * 400 + (*month <= 2));
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

bool isValidDate(int year, int month, int day) {
  return month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month);
}

bool isValidTime(int hour, int minute, int second) {
  return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

int weekdayFromDays(std::int64_t unixDay) {  // 0 = Sunday
  return static_cast<int>(unixDay >= -4 ? (unixDay + 4) % 7 : (unixDay + 5) % 7 + 6);
}

// A time on the OLE calendar as a day and whole seconds into it.
struct OleMoment {
  std::int64_t day = 0;  // days since 1899-12-30
  int seconds = 0;       // 0..86399
};

bool splitOleDate(double value, OleMoment* moment) {
  if (!(value > kFirstOleDay - 1.0 && value < kEndOleDay)) return false;  // NaN fails too
  const double whole = std::trunc(value);
  const long long seconds = std::llround(std::fabs(value - whole) * kSecondsPerDay);
  moment->day = static_cast<std::int64_t>(whole);
  moment->seconds = static_cast<int>(seconds);
  if (seconds >= kSecondsPerDay) {
    moment->day += 1;
    moment->seconds = 0;
  }
  return moment->day >= static_cast<std::int64_t>(kFirstOleDay) && moment->day < static_cast<std::int64_t>(kEndOleDay);
}

// Days on a scale that grows with time also before 1899-12-30, where the OLE value does not.
double linearFromOle(double value) {
  if (value >= 0) return value;
  const double whole = std::trunc(value);
  return whole + (whole - value);
}

double oleFromLinear(double linear) {
  const double day = std::floor(linear);
  const double fraction = linear - day;
  return day >= 0 ? day + fraction : day - fraction;
}

std::tm partsFromMoment(const OleMoment& moment) {
  std::tm parts{};
  const std::int64_t unixDay = moment.day + kOleEpochUnixDay;
  int year = 0, month = 0, day = 0;
  civilFromDays(unixDay, &year, &month, &day);
  parts.tm_year = year - 1900;
  parts.tm_mon = month - 1;
  parts.tm_mday = day;
  parts.tm_hour = moment.seconds / 3600;
  parts.tm_min = moment.seconds / 60 % 60;
  parts.tm_sec = moment.seconds % 60;
  parts.tm_wday = weekdayFromDays(unixDay);
  parts.tm_yday = static_cast<int>(unixDay - daysFromCivil(year, 1, 1));
  parts.tm_isdst = -1;
  return parts;
}

std::tm localParts(std::time_t time) {
  std::tm parts{};
  localtime_r(&time, &parts);
  return parts;
}

SYSTEMTIME systemTimeFromParts(const std::tm& t, WORD milliseconds) {
  SYSTEMTIME st;
  st.wYear = static_cast<WORD>(t.tm_year + 1900);
  st.wMonth = static_cast<WORD>(t.tm_mon + 1);
  st.wDayOfWeek = static_cast<WORD>(t.tm_wday);
  st.wDay = static_cast<WORD>(t.tm_mday);
  st.wHour = static_cast<WORD>(t.tm_hour);
  st.wMinute = static_cast<WORD>(t.tm_min);
  st.wSecond = static_cast<WORD>(t.tm_sec);
  st.wMilliseconds = milliseconds;
  return st;
}

// Whole seconds of a span of days, to the nearest second.
long long spanSeconds(double days) { return std::llround(days * kSecondsPerDay); }

CString formatSpan(const char* format, long long totalSeconds) {
  std::string out;
  const long long days = totalSeconds / kSecondsPerDay;
  const long long rest = totalSeconds % kSecondsPerDay;
  char number[32];
  for (const char* p = format ? format : ""; *p; ++p) {
    if (*p != '%' || p[1] == '\0') {
      out += *p;
      continue;
    }
    switch (*++p) {
      case 'D': std::snprintf(number, sizeof number, "%lld", days); break;
      case 'H': std::snprintf(number, sizeof number, "%02lld", rest / 3600); break;
      case 'M': std::snprintf(number, sizeof number, "%02lld", rest / 60 % 60); break;
      case 'S': std::snprintf(number, sizeof number, "%02lld", rest % 60); break;
      case '%': std::snprintf(number, sizeof number, "%%"); break;
      default: std::snprintf(number, sizeof number, "%%%c", *p); break;
    }
    out += number;
  }
  return CString(std::move(out));
}

}  // namespace

// ---- strftime forms ----

namespace qh {

namespace {

void appendNumber(std::string& out, long value, int width, bool noPadding) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*ld", noPadding ? 1 : width, value);
  out += text;
}

void appendConversion(std::string& out, char conversion, bool alternate, const std::tm& t) {
  const int hour12 = t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12;
  switch (conversion) {
    case 'a': out.append(kDayNames[t.tm_wday], 3); break;
    case 'A': out += kDayNames[t.tm_wday]; break;
    case 'b': out.append(kMonthNames[t.tm_mon], 3); break;
    case 'B': out += kMonthNames[t.tm_mon]; break;
    case 'c':
      out += FormatTimeParts(alternate ? "%A, %B %d, %Y, %H:%M:%S" : "%m/%d/%y %H:%M:%S", t).str();
      break;
    case 'x': out += FormatTimeParts(alternate ? "%A, %B %d, %Y" : "%m/%d/%y", t).str(); break;
    case 'X': out += FormatTimeParts("%H:%M:%S", t).str(); break;
    case 'd': appendNumber(out, t.tm_mday, 2, alternate); break;
    case 'H': appendNumber(out, t.tm_hour, 2, alternate); break;
    case 'I': appendNumber(out, hour12, 2, alternate); break;
    case 'j': appendNumber(out, t.tm_yday + 1, 3, alternate); break;
    case 'm': appendNumber(out, t.tm_mon + 1, 2, alternate); break;
    case 'M': appendNumber(out, t.tm_min, 2, alternate); break;
    case 'S': appendNumber(out, t.tm_sec, 2, alternate); break;
    case 'p': out += t.tm_hour < 12 ? "AM" : "PM"; break;
    case 'U': appendNumber(out, (t.tm_yday + 7 - t.tm_wday) / 7, 2, alternate); break;
    case 'W': appendNumber(out, (t.tm_yday + 7 - (t.tm_wday + 6) % 7) / 7, 2, alternate); break;
    case 'w': appendNumber(out, t.tm_wday, 1, alternate); break;
    case 'y': appendNumber(out, (t.tm_year + 1900) % 100, 2, alternate); break;
    case 'Y': appendNumber(out, t.tm_year + 1900L, 1, alternate); break;
    case 'Z':
    case 'z':
      if (t.tm_zone) out += t.tm_zone;
      break;
    case '%': out += '%'; break;
    default:
      out += '%';
      out += conversion;
      break;
  }
}

}  // namespace

CString FormatTimeParts(const char* format, const std::tm& parts) {
  std::string out;
  for (const char* p = format ? format : ""; *p; ++p) {
    if (*p != '%' || p[1] == '\0') {
      out += *p;
      continue;
    }
    ++p;
    const bool alternate = *p == '#';
    if (alternate && *++p == '\0') break;
    appendConversion(out, *p, alternate, parts);
  }
  return CString(std::move(out));
}

FILETIME FileTimeFromUnix(std::int64_t seconds, long nanoseconds) {
  const auto ticks = static_cast<std::uint64_t>(kFileTimeUnixEpoch + seconds * kTicksPerSecond + nanoseconds / 100);
  FILETIME fileTime;
  fileTime.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
  fileTime.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return fileTime;
}

std::int64_t UnixSecondsFromFileTime(const FILETIME& fileTime) {
  const auto ticks = static_cast<std::int64_t>((static_cast<std::uint64_t>(fileTime.dwHighDateTime) << 32) |
                                               fileTime.dwLowDateTime);
  const std::int64_t sinceEpoch = ticks - kFileTimeUnixEpoch;
  return sinceEpoch >= 0 ? sinceEpoch / kTicksPerSecond : -((-sinceEpoch + kTicksPerSecond - 1) / kTicksPerSecond);
}

}  // namespace qh

// ---- COleDateTime ----

COleDateTime::COleDateTime(DATE value) : m_dt(value) {
  OleMoment moment;
  if (!splitOleDate(value, &moment)) m_status = invalid;
}

COleDateTime::COleDateTime(int year, int month, int day, int hour, int minute, int second) {
  SetDateTime(year, month, day, hour, minute, second);
}

COleDateTime::COleDateTime(const SYSTEMTIME& systemTime) { *this = systemTime; }

COleDateTime::COleDateTime(std::time_t localTime) {
  const std::tm t = localParts(localTime);
  SetDateTime(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

COleDateTime COleDateTime::GetCurrentTime() { return COleDateTime(std::time(nullptr)); }

namespace {

// The parts of a valid date, or nothing.
bool validParts(const COleDateTime& date, std::tm* parts) {
  OleMoment moment;
  if (date.m_status != COleDateTime::valid || !splitOleDate(date.m_dt, &moment)) return false;
  *parts = partsFromMoment(moment);
  return true;
}

template <typename Field>
int component(const COleDateTime& date, Field field) {
  std::tm parts;
  return validParts(date, &parts) ? field(parts) : AFX_OLE_DATETIME_ERROR;
}

}  // namespace

int COleDateTime::GetYear() const { return component(*this, [](const std::tm& t) { return t.tm_year + 1900; }); }
int COleDateTime::GetMonth() const { return component(*this, [](const std::tm& t) { return t.tm_mon + 1; }); }
int COleDateTime::GetDay() const { return component(*this, [](const std::tm& t) { return t.tm_mday; }); }
int COleDateTime::GetHour() const { return component(*this, [](const std::tm& t) { return t.tm_hour; }); }
int COleDateTime::GetMinute() const { return component(*this, [](const std::tm& t) { return t.tm_min; }); }
int COleDateTime::GetSecond() const { return component(*this, [](const std::tm& t) { return t.tm_sec; }); }
int COleDateTime::GetDayOfWeek() const { return component(*this, [](const std::tm& t) { return t.tm_wday + 1; }); }
int COleDateTime::GetDayOfYear() const { return component(*this, [](const std::tm& t) { return t.tm_yday + 1; }); }

bool COleDateTime::GetAsSystemTime(SYSTEMTIME& systemTime) const {
  std::tm t;
  if (!validParts(*this, &t)) return false;
  systemTime = systemTimeFromParts(t, 0);
  return true;
}

int COleDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) {
  if (year < 100 || year > 9999 || !isValidDate(year, month, day) || !isValidTime(hour, minute, second)) {
    m_dt = 0.0;
    m_status = invalid;
    return 1;
  }
  const std::int64_t oleDay = daysFromCivil(year, month, day) - kOleEpochUnixDay;
  const double fraction = static_cast<double>(hour * 3600 + minute * 60 + second) / kSecondsPerDay;
  m_dt = oleFromLinear(static_cast<double>(oleDay) + fraction);
  m_status = valid;
  return 0;
}

int COleDateTime::SetDate(int year, int month, int day) { return SetDateTime(year, month, day, 0, 0, 0); }

int COleDateTime::SetTime(int hour, int minute, int second) { return SetDateTime(1899, 12, 30, hour, minute, second); }

COleDateTime& COleDateTime::operator=(DATE value) { return *this = COleDateTime(value); }

COleDateTime& COleDateTime::operator=(const SYSTEMTIME& systemTime) {
  SetDateTime(systemTime.wYear, systemTime.wMonth, systemTime.wDay, systemTime.wHour, systemTime.wMinute,
              systemTime.wSecond);
  return *this;
}

bool COleDateTime::operator==(const COleDateTime& other) const {
  return m_status == other.m_status && (m_status != valid || m_dt == other.m_dt);
}

bool COleDateTime::operator<(const COleDateTime& other) const {
  return linearFromOle(m_dt) < linearFromOle(other.m_dt);
}

namespace {

COleDateTime::DateTimeStatus combinedStatus(COleDateTime::DateTimeStatus date, bool spanValid, bool spanNull) {
  if (date == COleDateTime::invalid || !(spanValid || spanNull)) return COleDateTime::invalid;
  if (date == COleDateTime::null || spanNull) return COleDateTime::null;
  return COleDateTime::valid;
}

}  // namespace

COleDateTime COleDateTime::operator+(const COleDateTimeSpan& span) const {
  COleDateTime result;
  result.m_status = combinedStatus(m_status, span.m_status == COleDateTimeSpan::valid,
                                   span.m_status == COleDateTimeSpan::null);
  if (result.m_status != valid) return result;
  result = COleDateTime(oleFromLinear(linearFromOle(m_dt) + span.m_span));
  return result;
}

COleDateTime COleDateTime::operator-(const COleDateTimeSpan& span) const { return *this + (-span); }

COleDateTime& COleDateTime::operator+=(const COleDateTimeSpan& span) { return *this = *this + span; }

COleDateTime& COleDateTime::operator-=(const COleDateTimeSpan& span) { return *this = *this - span; }

COleDateTimeSpan COleDateTime::operator-(const COleDateTime& other) const {
  COleDateTimeSpan span;
  if (m_status == invalid || other.m_status == invalid) {
    span.m_status = COleDateTimeSpan::invalid;
  } else if (m_status == null || other.m_status == null) {
    span.m_status = COleDateTimeSpan::null;
  } else {
    span.m_span = linearFromOle(m_dt) - linearFromOle(other.m_dt);
  }
  return span;
}

CString COleDateTime::Format(const char* format) const {
  if (m_status == null) return CString();
  std::tm parts;
  if (!validParts(*this, &parts)) return CString(kInvalidDateTimeText);
  return qh::FormatTimeParts(format, parts);
}

CString COleDateTime::Format(DWORD flags, LCID /*locale*/) const {
  if (m_status == null) return CString();
  OleMoment moment;
  if (m_status != valid || !splitOleDate(m_dt, &moment)) return CString(kInvalidDateTimeText);
  const std::tm parts = partsFromMoment(moment);
  bool showDate = moment.day != 0 || moment.seconds == 0;
  bool showTime = moment.seconds != 0;
  if (flags & VAR_DATEVALUEONLY) showDate = true, showTime = false;
  if (flags & VAR_TIMEVALUEONLY) showDate = false, showTime = true;
  const char* format = showDate && showTime ? "%#m/%#d/%Y %#I:%M:%S %p" : (showDate ? "%#m/%#d/%Y" : "%#I:%M:%S %p");
  return qh::FormatTimeParts(format, parts);
}

// ---- ParseDateTime ----

namespace {

struct DateToken {
  enum Kind { Number, Word, Colon, Dot, Other } kind = Other;
  int value = 0;
  int digits = 0;
  std::string word;  // lower case
};

// Splits a date text into numbers, words and the separators that matter; blanks, commas, slashes
// and dashes only separate. Characters of no date form make the text unreadable.
bool tokenizeDate(std::string_view text, std::vector<DateToken>* tokens) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    DateToken token;
    if (std::isdigit(c)) {
      token.kind = DateToken::Number;
      for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        if (++token.digits > 9) return false;
        token.value = token.value * 10 + (text[i] - '0');
      }
    } else if (std::isalpha(c)) {
      token.kind = DateToken::Word;
      for (; i < text.size() && std::isalpha(static_cast<unsigned char>(text[i])); ++i)
        token.word += static_cast<char>(Cp1252ToLower(static_cast<unsigned char>(text[i])));
    } else if (c == ':' || c == '.') {
      token.kind = c == ':' ? DateToken::Colon : DateToken::Dot;
      ++i;
    } else if (c == ' ' || c == '\t' || c == ',' || c == '/' || c == '-') {
      ++i;
      continue;
    } else {
      return false;
    }
    tokens->push_back(std::move(token));
  }
  return true;
}

int monthFromWord(const std::string& word) {
  for (int m = 0; m < 12; ++m) {
    const std::string_view name = kMonthNames[m];
    std::string lower(name);
    Cp1252MakeLower(lower);
    if (word == lower || (word.size() == 3 && lower.compare(0, 3, word) == 0)) return m + 1;
  }
  return 0;
}

bool isWeekdayWord(const std::string& word) {
  for (const char* name : kDayNames) {
    std::string lower(name);
    Cp1252MakeLower(lower);
    if (word == lower || (word.size() == 3 && lower.compare(0, 3, word) == 0)) return true;
  }
  return false;
}

struct ParsedTime {
  bool present = false;
  int hour = 0, minute = 0, second = 0;
};

bool isMeridiem(const DateToken& token, bool* afternoon) {
  if (token.kind != DateToken::Word || (token.word != "am" && token.word != "pm")) return false;
  *afternoon = token.word == "pm";
  return true;
}

bool applyMeridiem(int* hour, bool afternoon) {
  if (*hour < 1 || *hour > 12) return false;
  *hour = *hour % 12 + (afternoon ? 12 : 0);
  return true;
}

// Takes the time ("10:20", "10:20:30", "10:20:30.5", each with an optional AM or PM, or "4 PM") out
// of the tokens. False when a time is there but malformed or out of range.
bool extractTime(std::vector<DateToken>* tokens, ParsedTime* time) {
  auto& t = *tokens;
  auto isKind = [&t](std::size_t i, DateToken::Kind kind) { return i < t.size() && t[i].kind == kind; };
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i].kind != DateToken::Number) continue;
    bool afternoon = false;
    std::size_t end = i;
    if (isKind(i + 1, DateToken::Colon) && isKind(i + 2, DateToken::Number)) {
      time->hour = t[i].value;
      time->minute = t[i + 2].value;
      end = i + 3;
      if (isKind(end, DateToken::Colon) && isKind(end + 1, DateToken::Number)) {
        time->second = t[end + 1].value;
        end += 2;
        if (isKind(end, DateToken::Dot) && isKind(end + 1, DateToken::Number)) end += 2;  // fraction ignored
      }
    } else if (i + 1 < t.size() && isMeridiem(t[i + 1], &afternoon)) {
      time->hour = t[i].value;
      end = i + 1;
    } else {
      continue;
    }
    if (end < t.size() && isMeridiem(t[end], &afternoon)) {
      if (!applyMeridiem(&time->hour, afternoon)) return false;
      ++end;
    }
    time->present = true;
    t.erase(t.begin() + static_cast<std::ptrdiff_t>(i), t.begin() + static_cast<std::ptrdiff_t>(end));
    return isValidTime(time->hour, time->minute, time->second);
  }
  return true;
}

struct ParsedDate {
  bool present = false;
  int year = 0, month = 0, day = 0;
};

int fullYear(const DateToken& token) {
  if (token.digits > 2) return token.value;
  return token.value < 30 ? 2000 + token.value : 1900 + token.value;
}

bool looksLikeYear(const DateToken& token) { return token.digits > 2 || token.value > 31; }

int currentYear() { return COleDateTime::GetCurrentTime().GetYear(); }

// Reads the date from what is left once the time is out: numbers month/day/year or year-month-day,
// or a month name with a day and a year in either order; a leading weekday name is allowed.
bool extractDate(std::vector<DateToken> tokens, ParsedDate* date) {
  if (!tokens.empty() && tokens.front().kind == DateToken::Word && isWeekdayWord(tokens.front().word))
    tokens.erase(tokens.begin());
  if (tokens.empty()) return true;
  std::vector<DateToken> numbers;
  int month = 0;
  for (const DateToken& token : tokens) {
    if (token.kind == DateToken::Number) {
      numbers.push_back(token);
      continue;
    }
    if (token.kind == DateToken::Dot) continue;  // "Jan. 31" or "1.31.2004"
    if (token.kind != DateToken::Word || month != 0) return false;
    month = monthFromWord(token.word);
    if (month == 0) return false;
  }
  date->present = true;
  if (month == 0 && numbers.size() == 3) {
    const bool yearFirst = numbers[0].digits > 2;
    date->year = fullYear(yearFirst ? numbers[0] : numbers[2]);
    date->month = yearFirst ? numbers[1].value : numbers[0].value;
    date->day = yearFirst ? numbers[2].value : numbers[1].value;
  } else if (month == 0 && numbers.size() == 2 && !looksLikeYear(numbers[0]) && !looksLikeYear(numbers[1])) {
    date->year = currentYear();
    date->month = numbers[0].value;
    date->day = numbers[1].value;
  } else if (month != 0 && numbers.size() == 2) {
    const bool yearFirst = looksLikeYear(numbers[0]);
    date->month = month;
    date->day = (yearFirst ? numbers[1] : numbers[0]).value;
    date->year = fullYear(yearFirst ? numbers[0] : numbers[1]);
  } else if (month != 0 && numbers.size() == 1) {
    date->month = month;
    const bool isYear = looksLikeYear(numbers[0]);
    date->day = isYear ? 1 : numbers[0].value;
    date->year = isYear ? fullYear(numbers[0]) : currentYear();
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool COleDateTime::ParseDateTime(const char* text, DWORD flags, LCID /*locale*/) {
  std::vector<DateToken> tokens;
  ParsedTime time;
  ParsedDate date;
  const bool readable = text != nullptr && tokenizeDate(text, &tokens) && !tokens.empty() &&
                        extractTime(&tokens, &time) && extractDate(std::move(tokens), &date);
  if (!readable || (date.present && SetDate(date.year, date.month, date.day) != 0)) {
    m_dt = 0.0;
    m_status = invalid;
    return false;
  }
  if (!date.present || (flags & VAR_TIMEVALUEONLY)) date = ParsedDate{true, 1899, 12, 30};
  if (flags & VAR_DATEVALUEONLY) time = ParsedTime{};
  SetDateTime(date.year, date.month, date.day, time.hour, time.minute, time.second);
  return true;
}

// ---- COleDateTimeSpan ----

COleDateTimeSpan::COleDateTimeSpan(double days) : m_span(days) {
  if (!std::isfinite(days)) m_status = invalid;
}

COleDateTimeSpan::COleDateTimeSpan(long days, int hours, int minutes, int seconds) {
  SetDateTimeSpan(days, hours, minutes, seconds);
}

void COleDateTimeSpan::SetDateTimeSpan(long days, int hours, int minutes, int seconds) {
  const long long total = static_cast<long long>(days) * kSecondsPerDay + hours * 3600LL + minutes * 60LL + seconds;
  m_span = static_cast<double>(total) / kSecondsPerDay;
  m_status = valid;
}

long COleDateTimeSpan::GetDays() const { return static_cast<long>(spanSeconds(m_span) / kSecondsPerDay); }
int COleDateTimeSpan::GetHours() const { return static_cast<int>(spanSeconds(m_span) / 3600 % 24); }
int COleDateTimeSpan::GetMinutes() const { return static_cast<int>(spanSeconds(m_span) / 60 % 60); }
int COleDateTimeSpan::GetSeconds() const { return static_cast<int>(spanSeconds(m_span) % 60); }
double COleDateTimeSpan::GetTotalHours() const { return static_cast<double>(spanSeconds(m_span)) / 3600.0; }
double COleDateTimeSpan::GetTotalMinutes() const { return static_cast<double>(spanSeconds(m_span)) / 60.0; }
double COleDateTimeSpan::GetTotalSeconds() const { return static_cast<double>(spanSeconds(m_span)); }

namespace {

COleDateTimeSpan::DateTimeSpanStatus spanStatus(const COleDateTimeSpan& a, const COleDateTimeSpan& b) {
  if (a.m_status == COleDateTimeSpan::invalid || b.m_status == COleDateTimeSpan::invalid)
    return COleDateTimeSpan::invalid;
  if (a.m_status == COleDateTimeSpan::null || b.m_status == COleDateTimeSpan::null) return COleDateTimeSpan::null;
  return COleDateTimeSpan::valid;
}

}  // namespace

COleDateTimeSpan COleDateTimeSpan::operator+(const COleDateTimeSpan& other) const {
  COleDateTimeSpan result(m_span + other.m_span);
  result.m_status = spanStatus(*this, other);
  return result;
}

COleDateTimeSpan COleDateTimeSpan::operator-(const COleDateTimeSpan& other) const { return *this + (-other); }

COleDateTimeSpan COleDateTimeSpan::operator-() const {
  COleDateTimeSpan result(-m_span);
  result.m_status = m_status;
  return result;
}

COleDateTimeSpan& COleDateTimeSpan::operator+=(const COleDateTimeSpan& other) { return *this = *this + other; }
COleDateTimeSpan& COleDateTimeSpan::operator-=(const COleDateTimeSpan& other) { return *this = *this - other; }

bool COleDateTimeSpan::operator==(const COleDateTimeSpan& other) const {
  return m_status == other.m_status && (m_status != valid || m_span == other.m_span);
}

CString COleDateTimeSpan::Format(const char* format) const {
  return formatSpan(format, spanSeconds(m_span));
}

// ---- CTime ----

CTime::CTime(int year, int month, int day, int hour, int minute, int second, int daylightSaving) {
  std::tm parts{};
  parts.tm_year = year - 1900;
  parts.tm_mon = month - 1;
  parts.tm_mday = day;
  parts.tm_hour = hour;
  parts.tm_min = minute;
  parts.tm_sec = second;
  parts.tm_isdst = daylightSaving < 0 ? -1 : (daylightSaving > 0 ? 1 : 0);
  m_time = std::mktime(&parts);
}

CTime::CTime(const SYSTEMTIME& localTime, int daylightSaving)
    : CTime(localTime.wYear, localTime.wMonth, localTime.wDay, localTime.wHour, localTime.wMinute, localTime.wSecond,
            daylightSaving) {}

CTime CTime::GetCurrentTime() { return CTime(std::time(nullptr)); }

std::tm CTime::localParts() const { return ::localParts(m_time); }

int CTime::GetYear() const { return localParts().tm_year + 1900; }
int CTime::GetMonth() const { return localParts().tm_mon + 1; }
int CTime::GetDay() const { return localParts().tm_mday; }
int CTime::GetHour() const { return localParts().tm_hour; }
int CTime::GetMinute() const { return localParts().tm_min; }
int CTime::GetSecond() const { return localParts().tm_sec; }
int CTime::GetDayOfWeek() const { return localParts().tm_wday + 1; }

bool CTime::GetAsSystemTime(SYSTEMTIME& localTime) const {
  localTime = systemTimeFromParts(localParts(), 0);
  return true;
}

CString CTime::Format(const char* format) const { return qh::FormatTimeParts(format, localParts()); }

CString CTime::FormatGmt(const char* format) const {
  std::tm parts{};
  gmtime_r(&m_time, &parts);
  return qh::FormatTimeParts(format, parts);
}

CTime CTime::operator+(const CTimeSpan& span) const { return CTime(m_time + span.GetTimeSpan()); }
CTime CTime::operator-(const CTimeSpan& span) const { return CTime(m_time - span.GetTimeSpan()); }
CTime& CTime::operator+=(const CTimeSpan& span) { return *this = *this + span; }
CTime& CTime::operator-=(const CTimeSpan& span) { return *this = *this - span; }
CTimeSpan CTime::operator-(const CTime& other) const { return CTimeSpan(m_time - other.m_time); }

CTimeSpan::CTimeSpan(long days, int hours, int minutes, int seconds)
    : m_seconds(static_cast<std::time_t>(days) * kSecondsPerDay + hours * 3600LL + minutes * 60LL + seconds) {}

CString CTimeSpan::Format(const char* format) const { return formatSpan(format, m_seconds); }

// ---- SYSTEMTIME and FILETIME ----

namespace {

std::int64_t fileTimeTicks(const FILETIME& fileTime) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(fileTime.dwHighDateTime) << 32) |
                                   fileTime.dwLowDateTime);
}

FILETIME fileTimeFromTicks(std::int64_t ticks) {
  FILETIME fileTime;
  fileTime.dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) & 0xFFFFFFFFu);
  fileTime.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32);
  return fileTime;
}

BOOL failWithInvalidParameter() {
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

// A file time moved by the host zone's offset from UTC at that moment, toward local time (+1) or
// back to UTC (-1).
BOOL shiftByZoneOffset(const FILETIME* in, FILETIME* out, int direction) {
  if (!in || !out) return failWithInvalidParameter();
  const std::int64_t ticks = fileTimeTicks(*in);
  if (ticks < 0) return failWithInvalidParameter();
  const std::time_t seconds = static_cast<std::time_t>(qh::UnixSecondsFromFileTime(*in));
  long offset = localParts(seconds).tm_gmtoff;
  // Going back, the offset that applies is the one at the UTC moment being sought.
  if (direction < 0) offset = localParts(seconds - offset).tm_gmtoff;
  const std::int64_t shifted = ticks + direction * static_cast<std::int64_t>(offset) * kTicksPerSecond;
  if (shifted < 0) return failWithInvalidParameter();
  *out = fileTimeFromTicks(shifted);
  return TRUE;
}

void systemTimeFromClock(SYSTEMTIME* systemTime, bool local) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm t{};
  if (local) {
    localtime_r(&now.tv_sec, &t);
  } else {
    gmtime_r(&now.tv_sec, &t);
  }
  *systemTime = systemTimeFromParts(t, static_cast<WORD>(now.tv_nsec / 1000000));
}

}  // namespace

BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, FILETIME* fileTime) {
  if (!systemTime || !fileTime) return failWithInvalidParameter();
  const SYSTEMTIME& st = *systemTime;
  if (st.wYear < 1601 || st.wYear > 30827 || !isValidDate(st.wYear, st.wMonth, st.wDay) ||
      !isValidTime(st.wHour, st.wMinute, st.wSecond) || st.wMilliseconds > 999)
    return failWithInvalidParameter();
  const std::int64_t seconds =
      daysFromCivil(st.wYear, st.wMonth, st.wDay) * kSecondsPerDay + st.wHour * 3600 + st.wMinute * 60 + st.wSecond;
  *fileTime = qh::FileTimeFromUnix(seconds, st.wMilliseconds * 1000000L);
  return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
  if (!fileTime || !systemTime) return failWithInvalidParameter();
  const std::int64_t ticks = fileTimeTicks(*fileTime);
  if (ticks < 0) return failWithInvalidParameter();
  const std::int64_t days = ticks / (kTicksPerSecond * kSecondsPerDay);
  const std::int64_t ticksOfDay = ticks % (kTicksPerSecond * kSecondsPerDay);
  const std::int64_t unixDay = days + daysFromCivil(1601, 1, 1);
  int year = 0, month = 0, day = 0;
  civilFromDays(unixDay, &year, &month, &day);
  const std::int64_t secondOfDay = ticksOfDay / kTicksPerSecond;
  systemTime->wYear = static_cast<WORD>(year);
  systemTime->wMonth = static_cast<WORD>(month);
  systemTime->wDayOfWeek = static_cast<WORD>(weekdayFromDays(unixDay));
  systemTime->wDay = static_cast<WORD>(day);
  systemTime->wHour = static_cast<WORD>(secondOfDay / 3600);
  systemTime->wMinute = static_cast<WORD>(secondOfDay / 60 % 60);
  systemTime->wSecond = static_cast<WORD>(secondOfDay % 60);
  systemTime->wMilliseconds = static_cast<WORD>(ticksOfDay % kTicksPerSecond / 10000);
  return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, FILETIME* localFileTime) {
  return shiftByZoneOffset(fileTime, localFileTime, +1);
}

BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, FILETIME* fileTime) {
  return shiftByZoneOffset(localFileTime, fileTime, -1);
}

void GetLocalTime(SYSTEMTIME* systemTime) { systemTimeFromClock(systemTime, true); }

void GetSystemTime(SYSTEMTIME* systemTime) { systemTimeFromClock(systemTime, false); }

void GetSystemTimeAsFileTime(FILETIME* fileTime) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  *fileTime = qh::FileTimeFromUnix(now.tv_sec, now.tv_nsec);
}

DWORD GetTickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const auto milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<DWORD>(milliseconds);
}
