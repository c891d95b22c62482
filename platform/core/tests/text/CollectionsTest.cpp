#include "platform/core/Collections.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

std::string joined(const CStringArray& array) {
  std::string text;
  for (INT_PTR i = 0; i < array.GetSize(); ++i) text += std::string(array[i]) + "|";
  return text;
}

TEST(CStringArray, AddSetInsertRemoveKeepOrder) {
  CStringArray names;
  EXPECT_TRUE(names.IsEmpty());
  EXPECT_EQ(names.GetUpperBound(), -1);
  EXPECT_EQ(names.Add("b"), 0);
  EXPECT_EQ(names.Add(CString("d")), 1);
  names.InsertAt(0, "a");
  names.InsertAt(2, "c");
  EXPECT_EQ(joined(names), "a|b|c|d|");
  names.SetAt(3, "D");
  names[2] = "C";
  EXPECT_EQ(names.GetAt(3), "D");
  names.RemoveAt(1);
  EXPECT_EQ(joined(names), "a|C|D|");
  names.RemoveAt(0, 2);
  EXPECT_EQ(joined(names), "D|");
  EXPECT_EQ(names.GetSize(), 1);
  EXPECT_EQ(names.GetCount(), 1);
  names.RemoveAll();
  EXPECT_EQ(names.GetSize(), 0);
}

TEST(CStringArray, SetSizeAppendAndCopy) {
  CStringArray titles;
  titles.SetSize(3);
  EXPECT_EQ(joined(titles), "|||");
  titles[1] = "Track 02";
  titles.SetAtGrow(4, "Track 05");
  EXPECT_EQ(joined(titles), "|Track 02|||Track 05|");
  titles.SetSize(2);
  EXPECT_EQ(joined(titles), "|Track 02|");

  CStringArray more;
  more.Add("x");
  more.Add("y");
  EXPECT_EQ(titles.Append(more), 2);
  EXPECT_EQ(joined(titles), "|Track 02|x|y|");
  titles.InsertAt(1, &more);
  EXPECT_EQ(joined(titles), "|x|y|Track 02|x|y|");
  titles.InsertAt(2, &titles);  // inserting an array into itself takes a copy first
  EXPECT_EQ(titles.GetSize(), 12);

  CStringArray copy;
  copy.Add("old");
  copy.Copy(more);
  EXPECT_EQ(joined(copy), "x|y|");
  copy.InsertAt(4, "far", 2);  // past the end grows with empty texts
  EXPECT_EQ(joined(copy), "x|y|||far|far|");
}

TEST(CStringArray, AccessOutsideTheArrayThrows) {
  CStringArray names;
  names.Add("only");
  EXPECT_THROW(names.GetAt(1), std::out_of_range);
  EXPECT_THROW(names[-1], std::out_of_range);
  EXPECT_THROW(names.SetAt(5, "x"), std::out_of_range);
  EXPECT_THROW(names.RemoveAt(0, 2), std::out_of_range);
  EXPECT_THROW(names.RemoveAt(-1), std::out_of_range);
  EXPECT_THROW(names.SetSize(-1), std::out_of_range);
  EXPECT_EQ(joined(names), "only|");
}

TEST(CPtrArray, HoldsPointersAndNullEntries) {
  int first = 1, second = 2;
  CPtrArray sockets;
  sockets.Add(&first);
  sockets.Add(nullptr);
  sockets.SetAtGrow(3, &second);
  EXPECT_EQ(sockets.GetSize(), 4);
  EXPECT_EQ(sockets[0], &first);
  EXPECT_EQ(sockets[1], nullptr);
  EXPECT_EQ(sockets[2], nullptr);
  EXPECT_EQ(*static_cast<int*>(sockets[3]), 2);
  int count = 0;
  for (void* entry : sockets) count += entry != nullptr;
  EXPECT_EQ(count, 2);
}

}  // namespace
