#include "platform/core/CrtNumbers.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

struct LongCase {
  const char* text;
  LONG value;
};

const LongCase kAtolCases[] = {
    {"0", 0},
    {"12abc", 12},
    {"  \t\n42", 42},
    {"+7", 7},
    {"-15 apples", -15},
    {"abc", 0},
    {"", 0},
    {"- 5", 0},
    {"2147483647", 2147483647},
    {"2147483648", 2147483647},
    {"99999999999", 2147483647},
    {"-2147483648", -2147483647 - 1},
    {"-99999999999", -2147483647 - 1},
    {"0x1A", 0},
    {"007", 7},
    {"123456789012345678901234567890", 2147483647},
};

TEST(CrtNumbers, AtolReadsLeadingDecimalAndSaturatesAt32Bits) {
  for (const auto& c : kAtolCases) {
    EXPECT_EQ(qh_atol(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(qh_atoi(c.text), c.value) << '"' << c.text << '"';
  }
  EXPECT_EQ(qh_atol(nullptr), 0);
}

struct UnsignedCase {
  const char* text;
  int base;
  ULONG value;
  bool outOfRange;
  int consumed;  // characters read, -1 for none (end pointer stays at the text)
};

const UnsignedCase kStrtoulCases[] = {
    {"4294967295", 10, 0xFFFFFFFFu, false, 10},
    {"4294967296", 10, 0xFFFFFFFFu, true, 10},
    {"99999999999", 10, 0xFFFFFFFFu, true, 11},
    {"-1", 10, 0xFFFFFFFFu, false, 2},
    {"-4294967295", 10, 1u, false, 11},
    {"-4294967296", 10, 0xFFFFFFFFu, true, 11},
    {"  12abc", 10, 12u, false, 4},
    {"ff", 16, 255u, false, 2},
    {"0xFFFFFFFF", 16, 0xFFFFFFFFu, false, 10},
    {"0x100000000", 0, 0xFFFFFFFFu, true, 11},
    {"0x", 16, 0u, false, 1},
    {"017", 0, 15u, false, 3},
    {"z", 36, 35u, false, 1},
    {"xyz", 10, 0u, false, -1},
    {"", 10, 0u, false, -1},
};

TEST(CrtNumbers, StrtoulClampsAbove32BitsAndReportsRange) {
  for (const auto& c : kStrtoulCases) {
    char* end = nullptr;
    errno = 0;
    EXPECT_EQ(qh_strtoul(c.text, &end, c.base), c.value) << '"' << c.text << '"';
    EXPECT_EQ(errno == ERANGE, c.outOfRange) << '"' << c.text << '"';
    EXPECT_EQ(end - c.text, c.consumed < 0 ? 0 : c.consumed) << '"' << c.text << '"';
  }
}

TEST(CrtNumbers, StrtolClampsToTheSigned32BitRange) {
  char* end = nullptr;
  errno = 0;
  EXPECT_EQ(qh_strtol("2147483648", &end, 10), 2147483647);
  EXPECT_EQ(errno, ERANGE);
  errno = 0;
  EXPECT_EQ(qh_strtol("-2147483649", nullptr, 10), -2147483647 - 1);
  EXPECT_EQ(errno, ERANGE);
  errno = 0;
  EXPECT_EQ(qh_strtol("-2147483648", nullptr, 10), -2147483647 - 1);
  EXPECT_EQ(errno, 0);
  const char* text = " -0x7f!";
  EXPECT_EQ(qh_strtol(text, &end, 16), -127);
  EXPECT_EQ(*end, '!');
  EXPECT_EQ(qh_strtol("12", nullptr, 1), 0);  // no such base
}

struct DoubleCase {
  const char* text;
  double value;
};

const DoubleCase kAtofCases[] = {
    {"3.5", 3.5},       {"  -2.25xyz", -2.25}, {"04.00", 4.0},    {".5", 0.5},     {"5.", 5.0},
    {"1e3", 1000.0},    {"1e", 1.0},           {"1e+", 1.0},      {"2.5E-1", 0.25}, {"+7", 7.0},
    {"abc", 0.0},       {".", 0.0},            {"0x1A", 0.0},     {"inf", 0.0},     {"nan", 0.0},
    {"12abc", 12.0},    {"", 0.0},
};

TEST(CrtNumbers, AtofReadsDecimalFormsOnly) {
  for (const auto& c : kAtofCases) EXPECT_DOUBLE_EQ(qh_atof(c.text), c.value) << '"' << c.text << '"';
  EXPECT_DOUBLE_EQ(qh_atof(nullptr), 0.0);
}

}  // namespace
