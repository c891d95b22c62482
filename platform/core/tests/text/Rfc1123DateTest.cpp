#include "platform/core/Rfc1123Date.h"

#include <gtest/gtest.h>

#include "platform/core/DateTime.h"

namespace {

ULONGLONG ticksOf(const FILETIME& ft) { return (ULONGLONG(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

constexpr std::time_t kExampleTime = 784111777;  // Sun, 06 Nov 1994 08:49:37 GMT

TEST(Rfc1123Date, FormatsFileTimesAndCalendarTimes) {
  EXPECT_EQ(FormatRfc1123Date(kExampleTime), "Sun, 06 Nov 1994 08:49:37 GMT");
  // Parts of a second are dropped, not rounded.
  EXPECT_EQ(FormatRfc1123Date(qh::FileTimeFromUnix(kExampleTime, 999999999)), "Sun, 06 Nov 1994 08:49:37 GMT");
  EXPECT_EQ(FormatRfc1123Date(std::time_t{0}), "Thu, 01 Jan 1970 00:00:00 GMT");
  EXPECT_EQ(FormatRfc1123Date(std::time_t{951782400}), "Tue, 29 Feb 2000 00:00:00 GMT");
  EXPECT_EQ(FormatRfc1123Date(std::time_t{-11644473601LL}), "");  // before 1601
}

const char* const kSameInstant[] = {
    "Sun, 06 Nov 1994 08:49:37 GMT",
    "SUN, 06 NOV 1994 08:49:37 GMT",
    "  Sun, 06 Nov 1994 08:49:37 GMT ",
    "Sunday, 06-Nov-94 08:49:37 GMT",
    "SUNDAY, 06-NOV-94 08:49:37 GMT",
    "Sun Nov  6 08:49:37 1994",
    "Sun Nov 06 08:49:37 1994",
};

TEST(Rfc1123Date, ReadsTheThreeHttpForms) {
  const ULONGLONG expected = ticksOf(qh::FileTimeFromUnix(kExampleTime));
  for (const char* text : kSameInstant) {
    FILETIME ft;
    ASSERT_TRUE(ParseRfc1123Date(text, &ft)) << text;
    EXPECT_EQ(ticksOf(ft), expected) << text;
  }
  FILETIME ft;
  ASSERT_TRUE(ParseRfc1123Date("Wednesday, 01-Jan-20 00:00:00 GMT", &ft));
  EXPECT_EQ(FormatRfc1123Date(ft), "Wed, 01 Jan 2020 00:00:00 GMT");
}

const char* const kNotDates[] = {
    "",
    "garbage",
    "Sun, 06 Nov 1994",
    "Sun, 6 Nov 1994 08:49:37 GMT",
    "Sun, 06 Xyz 1994 08:49:37 GMT",
    "Sun, 31 Feb 1994 08:49:37 GMT",
    "Sun, 06 Nov 1994 24:00:00 GMT",
    "Sun, 06 Nov 1994 08:49:37 GMT trailing",
    "Sun, 06 Nov 1994 08:49:37 UTC",
    "Sun, 06 Nov 1994 08:49:37 +0000",
    "Sun, 06 Nov 1500 08:49:37 GMT",
    "Sunday, 06-Nov-1994 08:49:37 GMT",
    "Sun Nov  6 08:49:37",
};

TEST(Rfc1123Date, RefusesOtherTextsWithAZeroTime) {
  for (const char* text : kNotDates) {
    FILETIME ft = qh::FileTimeFromUnix(kExampleTime);
    EXPECT_FALSE(ParseRfc1123Date(text, &ft)) << '"' << text << '"';
    EXPECT_EQ(ticksOf(ft), 0u) << '"' << text << '"';
  }
}

TEST(Rfc1123Date, FormattedTextsReadBackToTheSecond) {
  for (std::time_t t = -1000000000; t < 4200000000; t += 86400 * 97 + 3607) {
    const FILETIME ft = qh::FileTimeFromUnix(t, 250000000);
    FILETIME back;
    ASSERT_TRUE(ParseRfc1123Date(FormatRfc1123Date(ft), &back)) << FormatRfc1123Date(ft);
    ASSERT_EQ(ticksOf(back), ticksOf(qh::FileTimeFromUnix(t))) << FormatRfc1123Date(ft);
  }
}

}  // namespace
