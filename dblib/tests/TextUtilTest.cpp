#include <gtest/gtest.h>

#include "dblib/DefaultGenres.h"
#include "dblib/TextUtil.h"

namespace {

struct TextCase {
  const char* input;
  const char* expected;
};

class SqlQuoteTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(SqlQuoteTextTest, DoublesApostrophesAndKeepsEverythingElse) {
  EXPECT_EQ(GetParam().expected, SqlQuoteText(GetParam().input).str());
  EXPECT_EQ(GetParam().expected, SqlQuoteStd(GetParam().input));
}

INSTANTIATE_TEST_SUITE_P(Literals, SqlQuoteTextTest,
                         ::testing::Values(TextCase{"", ""}, TextCase{"O'Brien*?", "O''Brien*?"},
                                           TextCase{"Why?", "Why?"}, TextCase{"a|b", "a|b"},
                                           TextCase{"''", "''''"}, TextCase{"100%_x", "100%_x"}));

class SqlLikeTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(SqlLikeTextTest, BracketsEveryPatternCharacter) { EXPECT_EQ(GetParam().expected, SqlLikeText(GetParam().input).str()); }

INSTANTIATE_TEST_SUITE_P(Patterns, SqlLikeTextTest,
                         ::testing::Values(TextCase{"B", "B"}, TextCase{"O'B", "O''B"}, TextCase{"*", "[*]"},
                                           TextCase{"a?#[", "a[?][#][[]"}, TextCase{"100%_", "100%_"}));

class XmlEscapeTest : public ::testing::TestWithParam<TextCase> {};
TEST_P(XmlEscapeTest, EscapesAmpersandAndAngles) { EXPECT_EQ(GetParam().expected, XmlEscape(GetParam().input).str()); }
INSTANTIATE_TEST_SUITE_P(Texts, XmlEscapeTest,
                         ::testing::Values(TextCase{"a<b & c>d", "a&lt;b &amp; c&gt;d"},
                                           TextCase{"a&lt;b", "a&amp;lt;b"}, TextCase{"\"'", "\"'"}));

TEST(XmlEscapeStdTest, EscapesQuotesTooInOnePass) {
  EXPECT_EQ("&lt;a href=&quot;x&quot;&gt;&amp;'", XmlEscapeStd("<a href=\"x\">&'"));
  EXPECT_EQ("&amp;amp;", XmlEscapeStd("&amp;"));
  EXPECT_EQ("&quot;'&amp;&lt;&gt;", XmlEscapeText("\"'&<>").str());
}

class DoubleAmpersandsTest : public ::testing::TestWithParam<TextCase> {};
TEST_P(DoubleAmpersandsTest, DoublesSingleAmpersands) {
  EXPECT_EQ(GetParam().expected, DoubleAmpersands(GetParam().input).str());
}
INSTANTIATE_TEST_SUITE_P(Labels, DoubleAmpersandsTest,
                         ::testing::Values(TextCase{"R&B", "R&&B"}, TextCase{"Tom && Jerry", "Tom && Jerry"},
                                           TextCase{"end&", "end&&"}, TextCase{"&&&", "&&&&"},
                                           TextCase{"A & B", "A && B"}, TextCase{"", ""}));

struct SplitCase {
  const char* path;
  const char* folder;
  const char* name;
  const char* extension;
};
class SplitFilePathTest : public ::testing::TestWithParam<SplitCase> {};
TEST_P(SplitFilePathTest, SplitsAtLastBackslashAndDot) {
  CString folder = "x", name = "x", extension = "x";
  SplitFilePath(GetParam().path, folder, name, extension);
  EXPECT_EQ(GetParam().folder, folder.str());
  EXPECT_EQ(GetParam().name, name.str());
  EXPECT_EQ(GetParam().extension, extension.str());
}
INSTANTIATE_TEST_SUITE_P(Paths, SplitFilePathTest,
                         ::testing::Values(SplitCase{"C:\\Music\\song.mp3", "C:\\Music", "song", "mp3"},
                                           SplitCase{"\\song", "\\", "song", ""},
                                           SplitCase{".profile", "", ".profile", ""},
                                           SplitCase{"C:\\Music\\", "C:\\Music", "", ""},
                                           SplitCase{"a.b.c", "", "a.b", "c"}, SplitCase{"name.", "", "name", ""}));

TEST(TextUtilTest, KeepAlphanumericsBlanksOthersAndKeepsLength) {
  EXPECT_EQ("ab 12  Z", KeepAlphanumerics("ab-12_{Z").str());
  EXPECT_EQ(" ", KeepAlphanumerics("\xE9").str());
}

TEST(TextUtilTest, GuidToStringIsBracedUpperCaseHex) {
  GUID guid;
  guid.Data1 = 0x0123ABCD;
  guid.Data2 = 0x00EF;
  guid.Data3 = 0xA1B2;
  const BYTE tail[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
  for (int i = 0; i < 8; ++i) guid.Data4[i] = tail[i];
  CString text = GuidToString(guid);
  EXPECT_EQ("{0123ABCD-00EF-A1B2-0123-456789ABCDEF}", text.str());
  EXPECT_EQ(38, text.GetLength());
}

TEST(TextUtilTest, UInt64ToDoubleJoinsHalves) {
  EXPECT_DOUBLE_EQ(4294967296.0 * 2 + 5, UInt64ToDouble(5, 2));
  EXPECT_DOUBLE_EQ(4294967295.0, UInt64ToDouble(0xFFFFFFFFu, 0));
  EXPECT_DOUBLE_EQ(12345678901.0, UInt64ToDouble(12345678901ull));
}

TEST(TextUtilTest, NoCaseCharEqualFoldsOnlyLetters) {
  EXPECT_TRUE(NoCaseCharEqual('a', 'A'));
  EXPECT_TRUE(NoCaseCharEqual('z', 'Z'));
  EXPECT_FALSE(NoCaseCharEqual('[', '{'));
  EXPECT_FALSE(NoCaseCharEqual('@', '`'));
  EXPECT_TRUE(NoCaseCharEqual('/', '/'));
}

TEST(DefaultGenresTest, HoldsTheByteIndexedNamesAndTheEndMarker) {
  EXPECT_STREQ("Blues", kDefaultGenres[0]);
  EXPECT_STREQ("Other", kDefaultGenres[12]);
  EXPECT_STREQ("Alternative Rock", kDefaultGenres[40]);
  EXPECT_STREQ("Psychadelic", kDefaultGenres[67]);
  EXPECT_STREQ("Bebob", kDefaultGenres[85]);
  EXPECT_STREQ("Acapella", kDefaultGenres[123]);
  EXPECT_STREQ("Christian Gangsta", kDefaultGenres[136]);
  EXPECT_STREQ("Contemporary Christian", kDefaultGenres[140]);
  EXPECT_STREQ("Synth Pop", kDefaultGenres[147]);
  EXPECT_STREQ("*EOF*", kDefaultGenres[148]);
  for (int i = 0; i < kDefaultGenreCount; ++i) {
    ASSERT_NE(nullptr, kDefaultGenres[i]);
    EXPECT_LE(std::string(kDefaultGenres[i]).size(), 30u) << i;  // fits SongTypeCode
  }
}

}  // namespace
