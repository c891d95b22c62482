#include "platform/core/Cp1252.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string allBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  return bytes;
}

TEST(Cp1252, EveryByteSurvivesTheRoundTripThroughUtf8) {
  const std::string bytes = allBytes();
  const std::string utf8 = Cp1252ToUtf8(bytes);
  EXPECT_EQ(Utf8ToCp1252(utf8), bytes);
  std::string exact;
  ASSERT_TRUE(Utf8ToCp1252Exact(utf8, &exact));
  EXPECT_EQ(exact, bytes);
}

TEST(Cp1252, EachByteMapsToItsCodePointAndBack) {
  for (int b = 0; b < 256; ++b) {
    const char32_t cp = Cp1252ToCodePoint(static_cast<unsigned char>(b));
    unsigned char back = 0;
    ASSERT_TRUE(CodePointToCp1252(cp, &back)) << "byte " << b;
    EXPECT_EQ(back, b);
  }
}

struct ByteAndText {
  unsigned char byte;
  const char* utf8;
};

// The printable high range, the unassigned bytes as C1 controls, and Latin-1 letters.
const ByteAndText kKnownCharacters[] = {
    {0x80, "\u20AC"}, {0x81, "\xC2\x81"}, {0x85, "\u2026"}, {0x8A, "\u0160"}, {0x8D, "\xC2\x8D"},
    {0x8F, "\xC2\x8F"}, {0x90, "\xC2\x90"}, {0x92, "\u2019"}, {0x93, "\u201C"}, {0x96, "\u2013"},
    {0x99, "\u2122"}, {0x9D, "\xC2\x9D"}, {0x9F, "\u0178"}, {0xA0, "\u00A0"}, {0xE9, "\u00E9"},
    {0xFF, "\u00FF"}, {'A', "A"},
};

TEST(Cp1252, KnownCharactersHaveTheirUnicodeForm) {
  for (const auto& known : kKnownCharacters) {
    const std::string single(1, static_cast<char>(known.byte));
    EXPECT_EQ(Cp1252ToUtf8(single), known.utf8) << "byte " << int(known.byte);
    EXPECT_EQ(Utf8ToCp1252(known.utf8), single) << "byte " << int(known.byte);
  }
}

TEST(Cp1252, CharactersTheCodePageCannotHoldBecomeQuestionMarks) {
  // Greek alpha, a CJK character, an emoji, and U+0080 (a C1 control that 1252 uses for the euro).
  EXPECT_EQ(Utf8ToCp1252("a\u03B1b\u4E2Dc\U0001F600d\xC2\x80"), "a?b?c?d?");
  std::string out = "untouched";
  EXPECT_FALSE(Utf8ToCp1252Exact("caf\u00E9 \u03B1", &out));
  EXPECT_TRUE(out.empty());
}

TEST(Cp1252, MalformedUtf8BecomesQuestionMarksByteForByte) {
  EXPECT_EQ(Utf8ToCp1252("a\xFF" "b"), "a?b");            // byte that starts nothing
  EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");                  // cut short at the end
  EXPECT_EQ(Utf8ToCp1252("\xC0\xAF"), "??");               // overlong slash
  EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80"), "???");          // surrogate
  EXPECT_EQ(Utf8ToCp1252("x\xE2\x82" "y"), "x??y");        // broken three-byte form
  std::string out;
  EXPECT_FALSE(Utf8ToCp1252Exact("a\xC3", &out));
}

TEST(Cp1252, CaseMappingCoversTheLettersOfTheCodePage) {
  std::string text = "abcxyz \xE0\xE9\xFE \x9A\x9C\x9E\xFF \xF7\xDF\xB5\x83 19";
  Cp1252MakeUpper(text);
  EXPECT_EQ(text, "ABCXYZ \xC0\xC9\xDE \x8A\x8C\x8E\x9F \xF7\xDF\xB5\x83 19");
  Cp1252MakeLower(text);
  EXPECT_EQ(text, "abcxyz \xE0\xE9\xFE \x9A\x9C\x9E\xFF \xF7\xDF\xB5\x83 19");
  EXPECT_EQ(Cp1252ToUpper(0xD7), 0xD7);  // multiplication sign is no letter
  EXPECT_EQ(Cp1252ToLower(0xD7), 0xD7);
}

TEST(Cp1252, UpperAndLowerAreInversesOnEveryCasedLetter) {
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<unsigned char>(b);
    const unsigned char upper = Cp1252ToUpper(byte);
    if (upper != byte) {
      EXPECT_EQ(Cp1252ToLower(upper), byte) << "byte " << b;
    }
    const unsigned char lower = Cp1252ToLower(byte);
    if (lower != byte) {
      EXPECT_EQ(Cp1252ToUpper(lower), byte) << "byte " << b;
    }
  }
}

struct Comparison {
  const char* a;
  const char* b;
  int sign;
};

const Comparison kComparisons[] = {
    {"Dance", "dance", 0},
    {"\xC9T\xC9", "\xE9t\xE9", 0},        // accented capitals
    {"\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF", 0},
    {"abc", "ABCD", -1},                 // a prefix orders first
    {"ABCD", "abc", 1},
    {"", "", 0},
    {"", "a", -1},
    {"apple", "Banana", -1},
    {"_x", "ax", -1},                    // letters fold down, so the underscore orders first
    {"z", "\xE9", -1},
};

TEST(Cp1252, CompareNoCaseOrdersByLowerCasedBytes) {
  for (const auto& c : kComparisons) {
    const int result = Cp1252CompareNoCase(c.a, c.b);
    EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.a << " vs " << c.b;
    EXPECT_EQ(Cp1252EqualNoCase(c.a, c.b), c.sign == 0) << c.a << " vs " << c.b;
  }
}

TEST(Cp1252, CompareNoCaseOverByteRangesReadsEmbeddedZeros) {
  const char a[] = {'a', '\0', 'b'};
  const char b[] = {'A', '\0', 'C'};
  EXPECT_LT(Cp1252CompareNoCase(a, 3, b, 3), 0);
  EXPECT_EQ(Cp1252CompareNoCase(a, 2, b, 2), 0);
}

}  // namespace
