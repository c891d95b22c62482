#include "platform/core/Rfc1123Date.h"

#include <cstdio>

#include "platform/core/Cp1252.h"
#include "platform/core/DateTime.h"

namespace {

constexpr const char* kDayAbbreviations[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr const char* kMonthAbbreviations[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A cursor over the text that reads the fixed pieces of the date forms.
class DateReader {
 public:
  explicit DateReader(std::string_view text) : m_text(text) {}

  bool atEnd() const { return m_pos == m_text.size(); }

  bool literal(std::string_view expected) {
    if (m_text.size() - m_pos < expected.size() || !Cp1252EqualNoCase(m_text.substr(m_pos, expected.size()), expected))
      return false;
    m_pos += expected.size();
    return true;
  }

  bool blanks() {
    const std::size_t start = m_pos;
    while (m_pos < m_text.size() && m_text[m_pos] == ' ') ++m_pos;
    return m_pos > start;
  }

  // Exactly `width` digits; a leading blank stands for a zero where `blankPadded` (asctime's day).
  bool number(int width, int* value, bool blankPadded = false) {
    if (m_text.size() - m_pos < static_cast<std::size_t>(width)) return false;
    *value = 0;
    for (int i = 0; i < width; ++i) {
      const char c = m_text[m_pos + i];
      if (blankPadded && i == 0 && c == ' ') continue;
      if (c < '0' || c > '9') return false;
      *value = *value * 10 + (c - '0');
    }
    m_pos += width;
    return true;
  }

  // One of a list of names; its index.
  template <std::size_t N>
  bool oneOf(const char* const (&names)[N], int* index) {
    for (std::size_t i = 0; i < N; ++i) {
      if (literal(names[i])) {
        *index = static_cast<int>(i);
        return true;
      }
    }
    return false;
  }

  bool time(SYSTEMTIME* st) {
    int hour = 0, minute = 0, second = 0;
    if (!number(2, &hour) || !literal(":") || !number(2, &minute) || !literal(":") || !number(2, &second)) return false;
    st->wHour = static_cast<WORD>(hour);
    st->wMinute = static_cast<WORD>(minute);
    st->wSecond = static_cast<WORD>(second);
    return true;
  }

  bool month(SYSTEMTIME* st) {
    int index = 0;
    if (!oneOf(kMonthAbbreviations, &index)) return false;
    st->wMonth = static_cast<WORD>(index + 1);
    return true;
  }

 private:
  std::string_view m_text;
  std::size_t m_pos = 0;
};

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// "Sun, 06 Nov 1994 08:49:37 GMT"
bool readRfc1123(std::string_view text, SYSTEMTIME* st) {
  DateReader r(text);
  int weekday = 0, day = 0, year = 0;
  if (!r.oneOf(kDayAbbreviations, &weekday) || !r.literal(", ") || !r.number(2, &day) || !r.literal(" ") ||
      !r.month(st) || !r.literal(" ") || !r.number(4, &year) || !r.literal(" ") || !r.time(st) ||
      !r.literal(" GMT") || !r.atEnd())
    return false;
  st->wDay = static_cast<WORD>(day);
  st->wYear = static_cast<WORD>(year);
  return true;
}

// "Sunday, 06-Nov-94 08:49:37 GMT"
bool readRfc850(std::string_view text, SYSTEMTIME* st) {
  DateReader r(text);
  int weekday = 0, day = 0, year = 0;
  if (!r.oneOf(kDayNames, &weekday) || !r.literal(", ") || !r.number(2, &day) || !r.literal("-") || !r.month(st) ||
      !r.literal("-") || !r.number(2, &year) || !r.literal(" ") || !r.time(st) || !r.literal(" GMT") || !r.atEnd())
    return false;
  st->wDay = static_cast<WORD>(day);
  st->wYear = static_cast<WORD>(year < 70 ? 2000 + year : 1900 + year);
  return true;
}

// "Sun Nov  6 08:49:37 1994"
bool readAsctime(std::string_view text, SYSTEMTIME* st) {
  DateReader r(text);
  int weekday = 0, day = 0, year = 0;
  if (!r.oneOf(kDayAbbreviations, &weekday) || !r.literal(" ") || !r.month(st) || !r.literal(" ") ||
      !r.number(2, &day, true) || !r.literal(" ") || !r.time(st) || !r.literal(" ") || !r.number(4, &year) ||
      !r.atEnd())
    return false;
  st->wDay = static_cast<WORD>(day);
  st->wYear = static_cast<WORD>(year);
  return true;
}

}  // namespace

std::string FormatRfc1123Date(const FILETIME& fileTime) {
  SYSTEMTIME st;
  if (!FileTimeToSystemTime(&fileTime, &st) || st.wYear > 9999) return std::string();
  char text[40];
  std::snprintf(text, sizeof text, "%s, %02u %s %04u %02u:%02u:%02u GMT", kDayAbbreviations[st.wDayOfWeek],
                st.wDay, kMonthAbbreviations[st.wMonth - 1], st.wYear, st.wHour, st.wMinute, st.wSecond);
  return text;
}

std::string FormatRfc1123Date(std::time_t time) { return FormatRfc1123Date(qh::FileTimeFromUnix(time)); }

bool ParseRfc1123Date(std::string_view text, FILETIME* fileTime) {
  *fileTime = FILETIME{};
  text = trimBlanks(text);
  SYSTEMTIME st;
  if (!readRfc1123(text, &st) && !readRfc850(text, &st) && !readAsctime(text, &st)) return false;
  st.wMilliseconds = 0;
  if (!SystemTimeToFileTime(&st, fileTime)) {
    *fileTime = FILETIME{};
    return false;
  }
  return true;
}
