// The variable store of a session: names without case, copies, arrays and their limit, the text
// forms, enumeration order.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "netlib/Sessions.h"

namespace {

class SessionVariables : public testing::Test {
 protected:
  void SetUp() override { session.Init(1, 1765371000, nullptr); }
  CSession session;
};

TEST_F(SessionVariables, NamesCompareWithoutCaseAndKeepTheirFirstSpelling) {
  ASSERT_TRUE(session.SetStringVariable("abc", "one"));
  EXPECT_STREQ(session.GetVariableText("ABC"), "one");
  ASSERT_TRUE(session.SetStringVariable("ABC", "two"));
  EXPECT_EQ(session.GetVariableCount(), 1);
  ASSERT_TRUE(session.BeginEnumVariables());
  CString name;
  CValueNode value;
  ASSERT_TRUE(session.GetNextVariable(name, value));
  EXPECT_STREQ(name, "abc");
  EXPECT_STREQ(value.GetString(), "two");
  EXPECT_FALSE(session.GetNextVariable(name, value));
}

TEST_F(SessionVariables, NumbersHaveNoStringTextButAHostText) {
  ASSERT_TRUE(session.SetNumberVariable("Count", -42));
  EXPECT_STREQ(session.GetVariableText("count"), "");
  EXPECT_STREQ(session.GetHostVariableText("count"), "-42");
  EXPECT_STREQ(session.GetHostVariableText("missing"), "");
}

TEST_F(SessionVariables, AssigningAnElementGrowsTheArrayWithEmptyValuesOfItsType) {
  CValueNode value;
  value.SetString("five");
  ASSERT_TRUE(session.AssignArrayItem("List", 5, value));
  EXPECT_EQ(session.CountArrayItems("LIST"), 6);
  CString text;
  ASSERT_TRUE(session.GetArrayItemText("list", 5, text));
  EXPECT_STREQ(text, "five");
  ASSERT_TRUE(session.GetArrayItemText("list", 2, text));
  EXPECT_STREQ(text, "");
  EXPECT_FALSE(session.GetArrayItemText("list", 6, text));
  CValueNode whole;
  ASSERT_TRUE(session.GetVariable("list", whole));
  CValueNode element;
  ASSERT_TRUE(whole.GetItem(0, element));
  EXPECT_EQ(element.GetType(), ARGTYPE_STRING);
}

TEST_F(SessionVariables, IndexesOutsideTheLimitAreRefusedAndChangeNothing) {
  CValueNode value;
  value.SetString("x");
  for (int index : {-1, CSession::kMaxArrayItems, 2000000000}) {
    EXPECT_FALSE(session.AssignArrayItem("L", index, value)) << index;
  }
  EXPECT_EQ(session.GetVariableCount(), 0);
  EXPECT_TRUE(session.AssignArrayItem("L", CSession::kMaxArrayItems - 1, value));
  EXPECT_EQ(session.CountArrayItems("L"), CSession::kMaxArrayItems);
  auto* huge = new CValueNode;
  huge->SetArrayItem(CSession::kMaxArrayItems, value);
  EXPECT_FALSE(session.SetArrayVariable("H", huge)) << "the caller keeps a refused value";
  delete huge;
}

TEST_F(SessionVariables, SetVariableCopiesTheWholeValueAndNeedsASource) {
  CValueNode value;
  value.SetString("a");
  session.AssignArrayItem("src", 1, value);
  EXPECT_FALSE(session.SetVariable("dst", "nothing"));
  EXPECT_EQ(session.GetVariableCount(), 1);
  ASSERT_TRUE(session.SetVariable("DST", "SRC"));
  EXPECT_EQ(session.CountArrayItems("dst"), 2);
  session.SetStringVariable("src", "changed");
  EXPECT_EQ(session.CountArrayItems("dst"), 2) << "a copy, not a reference";
}

TEST_F(SessionVariables, ClearEmptiesTheStore) {
  session.SetStringVariable("a", "1");
  session.SetNumberVariable("b", 2);
  session.ClearVariables();
  EXPECT_EQ(session.GetVariableCount(), 0);
  ASSERT_TRUE(session.BeginEnumVariables());
  CString name;
  CValueNode value;
  EXPECT_FALSE(session.GetNextVariable(name, value));
}

TEST_F(SessionVariables, EnumerationFollowsTheNameOrderWithoutCase) {
  for (const char* name : {"beta", "Alpha", "alphabet", "GAMMA"}) session.SetStringVariable(name, name);
  ASSERT_TRUE(session.BeginEnumVariables());
  std::vector<std::string> names;
  CString name;
  CValueNode value;
  while (session.GetNextVariable(name, value)) names.push_back(name.str());
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "alphabet", "beta", "GAMMA"}));
}

TEST_F(SessionVariables, AReaderFindsNamesFoldedOnceAndHoldsTheStoreStillWhileItReads) {
  EXPECT_EQ(CSession::VariableKey("Song_TITLE[*]"), "song_title[*]");
  session.SetStringVariable("Song_Title", "Blue");
  session.SetNumberVariable("count", 7);
  CValueNode item;
  item.SetString("second");
  session.AssignArrayItem("Rows", 1, item);
  std::atomic<bool> written{false};
  std::thread writer;
  {
    CSession::Reader reader(session);
    ASSERT_TRUE(reader.IsLocked());
    const CValueNode* title = reader.Find(CSession::VariableKey("SONG_title"));
    ASSERT_NE(title, nullptr);
    EXPECT_STREQ(title->GetString(), "Blue");
    EXPECT_EQ(reader.Find("Song_Title"), nullptr) << "the reader is given keys, not names";
    EXPECT_EQ(reader.Find(CSession::VariableKey("missing")), nullptr);
    std::string text;
    reader.Find("count")->AppendText(text);
    reader.Find("rows")->PeekItem(1)->AppendText(text);
    EXPECT_EQ(text, "7second");
    EXPECT_EQ(reader.Find("rows")->PeekItem(2), nullptr);
    writer = std::thread([&] {
      session.SetStringVariable("song_title", "Red");
      written = true;
    });
    // The writer waits for the reader's end: what the reader found stays as it was meanwhile.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(written.load());
    EXPECT_STREQ(title->GetString(), "Blue");
  }
  writer.join();
  EXPECT_TRUE(written.load());
  EXPECT_STREQ(session.GetVariableText("SONG_TITLE"), "Red");
}

}  // namespace
