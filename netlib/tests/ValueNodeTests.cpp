#include <gtest/gtest.h>

#include "netlib/ValueNode.h"

namespace {

struct ParseCase {
  const char* text;
  LONG type;
  bool parsed;
  LONG storedType;  // tag after a successful parse
  const char* rendered;
};

class ValueNodeParse : public testing::TestWithParam<ParseCase> {};

TEST_P(ValueNodeParse, StoresAndRendersByType) {
  const ParseCase& c = GetParam();
  CValueNode node;
  node.SetString("before");
  EXPECT_EQ(node.ParseText(c.text, c.type), c.parsed) << c.text << " as " << c.type;
  if (c.parsed) {
    EXPECT_EQ(node.GetType(), c.storedType);
    EXPECT_STREQ(node.ToText(), c.rendered) << c.text << " as " << c.type;
  } else {
    EXPECT_EQ(node.GetType(), ARGTYPE_STRING) << "a failed parse leaves the node as it was";
    EXPECT_STREQ(node.ToText(), "before");
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryTag, ValueNodeParse,
    testing::Values(
        ParseCase{"0", ARGTYPE_UI1, true, ARGTYPE_UI1, "0"}, ParseCase{"255", ARGTYPE_UI1, true, ARGTYPE_UI1, "255"},
        ParseCase{"65", ARGTYPE_UI1, true, ARGTYPE_UI1, "65"}, ParseCase{"256", ARGTYPE_UI1, false, 0, ""},
        ParseCase{"-1", ARGTYPE_UI1, false, 0, ""}, ParseCase{"65535", ARGTYPE_UI2, true, ARGTYPE_UI2, "65535"},
        ParseCase{"65536", ARGTYPE_UI2, false, 0, ""},
        ParseCase{"4294967295", ARGTYPE_UI4, true, ARGTYPE_UI4, "4294967295"},
        // 32-bit run-time semantics: out of range saturates, a minus negates in 32 bits.
        ParseCase{"4294967296", ARGTYPE_UI4, true, ARGTYPE_UI4, "4294967295"},
        ParseCase{"-1", ARGTYPE_UI4, true, ARGTYPE_UI4, "4294967295"},
        ParseCase{" 12abc", ARGTYPE_UI4, true, ARGTYPE_UI4, "12"},
        ParseCase{"-128", ARGTYPE_I1, true, ARGTYPE_I1, "-128"}, ParseCase{"127", ARGTYPE_I1, true, ARGTYPE_I1, "127"},
        ParseCase{"128", ARGTYPE_I1, false, 0, ""}, ParseCase{"-129", ARGTYPE_I1, false, 0, ""},
        ParseCase{"-32768", ARGTYPE_I2, true, ARGTYPE_I2, "-32768"},
        ParseCase{"32767", ARGTYPE_I2, true, ARGTYPE_I2, "32767"}, ParseCase{"32768", ARGTYPE_I2, false, 0, ""},
        ParseCase{"-2147483648", ARGTYPE_I4, true, ARGTYPE_I4, "-2147483648"},
        ParseCase{"2147483647", ARGTYPE_I4, true, ARGTYPE_I4, "2147483647"},
        ParseCase{"2147483648", ARGTYPE_I4, true, ARGTYPE_I4, "2147483647"},
        ParseCase{"abc", ARGTYPE_I4, true, ARGTYPE_I4, "0"}, ParseCase{"-7", ARGTYPE_INT, true, ARGTYPE_INT, "-7"},
        ParseCase{"2.5", ARGTYPE_R4, true, ARGTYPE_R4, "2.5"}, ParseCase{"1.5", ARGTYPE_NUMBER, true, ARGTYPE_R8, "1.5"},
        ParseCase{"10000000", ARGTYPE_R8, true, ARGTYPE_R8, "1e+07"},
        ParseCase{"0.000123456789", ARGTYPE_FLOAT, true, ARGTYPE_R8, "0.000123457"},
        ParseCase{"abc", ARGTYPE_CHAR, true, ARGTYPE_CHAR, "a"}, ParseCase{"", ARGTYPE_CHAR, false, 0, ""},
        ParseCase{"some text", ARGTYPE_STRING, true, ARGTYPE_STRING, "some text"},
        ParseCase{"yes", ARGTYPE_BOOLEAN, true, ARGTYPE_BOOLEAN, "1"},
        ParseCase{"On", ARGTYPE_BOOLEAN, true, ARGTYPE_BOOLEAN, "1"},
        ParseCase{"1", ARGTYPE_BOOLEAN, true, ARGTYPE_BOOLEAN, "1"},
        ParseCase{"TRUE", ARGTYPE_BOOLEAN, true, ARGTYPE_BOOLEAN, "1"},
        ParseCase{"y", ARGTYPE_BOOLEAN, true, ARGTYPE_BOOLEAN, "1"},
        ParseCase{"0", ARGTYPE_BOOLEAN, true, ARGTYPE_BOOLEAN, "0"},
        ParseCase{"no", ARGTYPE_BOOLEAN, true, ARGTYPE_BOOLEAN, "0"},
        ParseCase{"", ARGTYPE_BOOLEAN, true, ARGTYPE_BOOLEAN, "0"},
        ParseCase{"{1234}", ARGTYPE_UUID, true, ARGTYPE_UUID, "{1234}"},
        ParseCase{"2024-01-01", ARGTYPE_DATE, false, 0, ""}, ParseCase{"x", ARGTYPE_DATETIME, false, 0, ""},
        ParseCase{"x", ARGTYPE_DATETIMETZ, false, 0, ""}, ParseCase{"x", ARGTYPE_TIME, false, 0, ""},
        ParseCase{"x", ARGTYPE_TIMETZ, false, 0, ""}, ParseCase{"x", ARGTYPE_BINBASE64, false, 0, ""},
        ParseCase{"x", ARGTYPE_BINHEX, false, 0, ""}, ParseCase{"http://x", ARGTYPE_URI, false, 0, ""},
        ParseCase{"x", ARGTYPE_NONE, false, 0, ""}, ParseCase{"x", 24, false, 0, ""},
        ParseCase{"x", -1, false, 0, ""}));

TEST(ValueNode, NewNodeRendersNone) {
  CValueNode node;
  EXPECT_EQ(node.GetType(), ARGTYPE_NONE);
  EXPECT_STREQ(node.ToText(), "*NONE*");
}

TEST(ValueNode, SettersTagAndEmptyTheText) {
  CValueNode node;
  node.SetString("x");
  node.SetI4(-5);
  EXPECT_EQ(node.GetType(), ARGTYPE_I4);
  EXPECT_STREQ(node.GetString(), "");
  EXPECT_STREQ(node.ToText(), "-5");
  node.SetUI1(65);
  EXPECT_STREQ(node.ToText(), "65");
  node.SetChar('z');
  EXPECT_STREQ(node.ToText(), "z");
  node.SetBoolean(true);
  EXPECT_STREQ(node.ToText(), "1");
  node.SetR4(0.1f);
  EXPECT_STREQ(node.ToText(), "0.1");
}

TEST(ValueNode, SetItemGrowsWithNoneItemsAndReportsReplacement) {
  CValueNode node;
  CValueNode value;
  value.SetI4(7);
  EXPECT_FALSE(node.SetItem(3, value));
  ASSERT_EQ(node.GetItemCount(), 4);
  CValueNode out;
  ASSERT_TRUE(node.GetItem(0, out));
  EXPECT_EQ(out.GetType(), ARGTYPE_NONE);
  ASSERT_TRUE(node.GetItem(3, out));
  EXPECT_EQ(out.GetI4(), 7);
  EXPECT_TRUE(node.SetItem(3, value));
  out.SetString("untouched");
  EXPECT_FALSE(node.GetItem(4, out));
  EXPECT_STREQ(out.ToText(), "untouched");
  EXPECT_FALSE(node.GetItem(-1, out));
}

TEST(ValueNode, CopyIsDeepAndSelfItemsAreSafe) {
  CValueNode node;
  node.GetChild(0)->SetString("first");
  node.GetChild(1)->GetChild(0)->SetI4(9);
  CValueNode copy = node;
  node.GetChild(1)->GetChild(0)->SetI4(10);
  CValueNode inner;
  ASSERT_TRUE(copy.GetChild(1)->GetItem(0, inner));
  EXPECT_EQ(inner.GetI4(), 9);
  // Storing one of the node's own items far beyond its end must not read freed memory.
  node.SetItem(50, *node.GetChild(0));
  CValueNode out;
  ASSERT_TRUE(node.GetItem(50, out));
  EXPECT_STREQ(out.ToText(), "first");
}

TEST(ValueNode, SetArrayItemFillsWithTheValueType) {
  CValueNode node;
  CValueNode value;
  value.SetString("x");
  EXPECT_FALSE(node.SetArrayItem(5, value));
  ASSERT_EQ(node.GetItemCount(), 6);
  CValueNode out;
  ASSERT_TRUE(node.GetArrayItem(2, out));
  EXPECT_EQ(out.GetType(), ARGTYPE_STRING);
  EXPECT_STREQ(out.ToText(), "");
}

TEST(ValueNode, IndexesBeyondTheItemCapAreRefusedWithoutGrowing) {
  CValueNode list;
  CValueNode item;
  item.SetI4(7);
  ASSERT_FALSE(list.SetItem(2, item));  // grew to three
  for (int index : {-1, CValueNode::kMaxItems, CValueNode::kMaxItems + 1, 2147483647}) {
    EXPECT_FALSE(list.SetItem(index, item)) << index;
    EXPECT_FALSE(list.SetArrayItem(index, item)) << index;
    EXPECT_EQ(list.GetChild(index), nullptr) << index;
    EXPECT_EQ(list.GetItemCount(), 3) << "nothing was stored for " << index;
  }
  ASSERT_NE(list.GetChild(5), nullptr);  // indexes below the cap still grow the list
  EXPECT_EQ(list.GetItemCount(), 6);
}

TEST(ActionArgument, DirectionAndSequenceIgnoreValuesOutOfRange) {
  CActionArgument argument;
  argument.SetDirection(2);
  argument.SetDirection(0);
  argument.SetDirection(4);
  EXPECT_EQ(argument.GetDirection(), ARG_DIRECTION_OUT);
  argument.SetSequence(3);
  argument.SetSequence(-1);
  EXPECT_EQ(argument.GetSequence(), 3);
  argument.SetName("Volume");
  argument.SetHostVar("vol");
  argument.ParseText("42", ARGTYPE_UI1);
  EXPECT_STREQ(argument.GetName(), "Volume");
  EXPECT_STREQ(argument.ToText(), "42");
}

TEST(EventSubscription, SetAllFillsEveryField) {
  CEventSubscription subscription;
  subscription.SetAll(4, 1000, 7, "SongChanged", EVENT_SONG_CHANGED);
  EXPECT_EQ(subscription.GetId(), 4);
  EXPECT_EQ(subscription.GetSubscribeTime(), 1000);
  EXPECT_EQ(subscription.GetDeviceNumber(), 7);
  EXPECT_STREQ(subscription.GetEventName(), "SongChanged");
  EXPECT_EQ(subscription.GetEventType(), 2);
}

}  // namespace

#include "netlib/HeldNotifications.h"

namespace {

TEST(HeldNotifications, AnUnreachableDeviceKeepsOnlyTheNewestDocuments) {
  CHeldNotifications held(3);
  for (int i = 0; i < 5; ++i) held.Hold(7, CString("doc") + CString(std::to_string(i)));
  EXPECT_EQ(held.Hold(8, "other"), 0);
  EXPECT_EQ(held.Count(7), 3);
  EXPECT_EQ(held.Dropped(), 2);
  std::deque<CString> documents = held.Take(7);
  ASSERT_EQ(documents.size(), 3u);
  EXPECT_STREQ(documents.front(), "doc2");
  EXPECT_STREQ(documents.back(), "doc4");
  EXPECT_EQ(held.Count(7), 0);
  EXPECT_EQ(held.Count(8), 1);
  held.Forget(8);
  EXPECT_TRUE(held.Take(8).empty());
}

}  // namespace
