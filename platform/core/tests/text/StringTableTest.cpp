#include "platform/core/StringTable.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/core/CString.h"
#include "platform/core/tests/text/RunCommand.h"

namespace {

std::string lookup(UINT id) {
  const char* text = nullptr;
  size_t length = 0;
  if (!QhLookupString(id, &text, &length)) return "<absent>";
  return std::string(text, length);
}

// The sample table of this folder is compiled into this program.
TEST(StringTable, CompiledTableIsFoundById) {
  EXPECT_EQ(lookup(61204), "Quaverhouse Jukebox");
  EXPECT_EQ(lookup(57344), "Quaverhouse");
  EXPECT_EQ(lookup(61230), "A fatal error has occurred.\r\nDetails follow: [%s].");
  EXPECT_EQ(lookup(61301), "Tab\there, quote \" and backslash \\");
  EXPECT_EQ(lookup(7), "");
  EXPECT_EQ(lookup(61205), "<absent>");
  EXPECT_EQ(lookup(0), "<absent>");
}

TEST(StringTable, SourceTextIsStoredInCodePage1252) {
  EXPECT_EQ(lookup(61300), "Caf\xE9 \x96 \x93quoted\x94 \x80 \x81");
}

TEST(StringTable, LoadStringCopiesWhatFits) {
  char buffer[64];
  EXPECT_EQ(LoadString(nullptr, 57344, buffer, sizeof buffer), 11);
  EXPECT_STREQ(buffer, "Quaverhouse");
  EXPECT_EQ(LoadString(nullptr, 57344, buffer, 6), 5);
  EXPECT_STREQ(buffer, "Quave");
  EXPECT_EQ(LoadString(nullptr, 99, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(LoadString(nullptr, 57344, buffer, 0), 0);
  EXPECT_EQ(LoadString(nullptr, 57344, nullptr, 10), 0);
}

TEST(StringTable, CStringLoadsFromTheTable) {
  CString text("unchanged");
  EXPECT_FALSE(text.LoadString(12345));
  EXPECT_EQ(text, "unchanged");
  EXPECT_TRUE(text.LoadString(61204));
  EXPECT_EQ(text, "Quaverhouse Jukebox");
}

TEST(StringTable, LaterTablesAddAndLeaveWhenUnregistered) {
  static const QhStringEntry extra[] = {{5, "five", 4}, {61204, "shadowed", 8}};
  {
    QhStringTableRegistration registration(extra, 2);
    EXPECT_EQ(lookup(5), "five");
    EXPECT_EQ(lookup(61204), "Quaverhouse Jukebox");  // the first table registered wins
  }
  EXPECT_EQ(lookup(5), "<absent>");
}

// ---- the compiler ----

class StringTableCompiler : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qh-strc-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_folder = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + m_folder + "'").c_str()); }

  // Compiles `source`; returns the exit status and fills `messages` with what the compiler said.
  int compile(const std::string& source, std::string* messages) {
    const std::string input = m_folder + "/strings.txt";
    std::ofstream(input, std::ios::binary) << source;
    return RunCommand(std::string(QH_STRING_COMPILER) + " '" + input + "' '" + output() + "'", messages);
  }
  std::string output() const { return m_folder + "/table.cpp"; }

 private:
  std::string m_folder;
};

struct BadSource {
  const char* source;
  int line;
  const char* reason;
};

const BadSource kBadSources[] = {
    {"1 \"a\"\n1 \"b\"\n", 2, "appears twice"},
    {"1 \"a\\q\"\n", 1, "unknown escape"},
    {"1 \"never closed\n", 1, "no closing quote"},
    {"# ok\n2 \"\xCE\xB1lpha\"\n", 2, "cannot hold"},
    {"65536 \"too big\"\n", 1, "above 65535"},
    {"3 \"nul \\x00 byte\"\n", 1, "NUL"},
    {"3 \"bad \\x4\"\n", 1, "two hexadecimal digits"},
    {"   \"orphan\"\n", 1, "needs an entry above it"},
    {"4 text without quotes\n", 1, "quoted text must follow"},
    {"5 \"a\" trailing\n", 1, "after the closing quote"},
    {"abc \"x\"\n", 1, "starts with its string id"},
    {"6\"x\"\n", 1, "blanks must separate"},
};

TEST_F(StringTableCompiler, RefusesBadSourcesNamingTheLine) {
  for (const auto& bad : kBadSources) {
    std::string messages;
    EXPECT_EQ(compile(bad.source, &messages), 1) << bad.source;
    EXPECT_NE(messages.find("strings.txt:" + std::to_string(bad.line) + ": "), std::string::npos) << messages;
    EXPECT_NE(messages.find(bad.reason), std::string::npos) << messages;
    EXPECT_NE(access(output().c_str(), F_OK), 0) << "no table is written for " << bad.source;
  }
}

TEST_F(StringTableCompiler, WritesSortedEntriesWithSafeEscapes) {
  std::string messages;
  ASSERT_EQ(compile("20 \"b?\"\r\n10 \"a\\x80\" \r\n", &messages), 0) << messages;
  std::ifstream in(output());
  const std::string code((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto first = code.find("{10u, \"a\\200\", 2u}");
  const auto second = code.find("{20u, \"b\\077\", 2u}");
  ASSERT_NE(first, std::string::npos) << code;
  ASSERT_NE(second, std::string::npos) << code;
  EXPECT_LT(first, second);
}

}  // namespace
