#include "platform/core/Guid.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::string textOf(const GUID& guid) {
  char text[kGuidTextSize];
  EXPECT_EQ(StringFromGUID2(guid, text, sizeof text), kGuidTextSize);
  return text;
}

TEST(Guid, TextFormShowsNumbersThenBytesInOrder) {
  GUID guid;
  guid.Data1 = 0x9F5F61C9;
  guid.Data2 = 0x83A0;
  guid.Data3 = 0x11D2;
  const BYTE tail[8] = {0xA8, 0x00, 0x00, 0xA0, 0xCC, 0x20, 0xD7, 0x81};
  for (int i = 0; i < 8; ++i) guid.Data4[i] = tail[i];
  EXPECT_EQ(textOf(guid), "{9F5F61C9-83A0-11D2-A800-00A0CC20D781}");
  EXPECT_EQ(textOf(GUID_NULL), "{00000000-0000-0000-0000-000000000000}");

  CLSID parsed;
  ASSERT_EQ(CLSIDFromString("{9f5f61c9-83a0-11d2-a800-00a0cc20d781}", &parsed), S_OK);
  EXPECT_TRUE(IsEqualGUID(parsed, guid));
}

TEST(Guid, NewGuidsAreRandomVersionFourInTheRightByteOrder) {
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    GUID guid;
    ASSERT_EQ(CoCreateGuid(&guid), S_OK);
    // The version sits in the top of the seventh byte, the variant in the top of the ninth; both
    // land where the text form shows them only if the fields were filled in the right order.
    EXPECT_EQ(guid.Data3 >> 12, 4);
    EXPECT_EQ(guid.Data4[0] & 0xC0, 0x80);
    const std::string text = textOf(guid);
    EXPECT_EQ(text[15], '4');
    EXPECT_TRUE(seen.insert(text).second) << text;
    IID back;
    ASSERT_EQ(IIDFromString(text.c_str(), &back), S_OK);
    EXPECT_TRUE(IsEqualIID(back, guid));
  }
  EXPECT_EQ(CoCreateGuid(nullptr), E_POINTER);
}

const char* const kNotGuids[] = {
    "",
    "9F5F61C9-83A0-11D2-A800-00A0CC20D781",
    "{9F5F61C9-83A0-11D2-A800-00A0CC20D781",
    "{9F5F61C9-83A0-11D2-A800-00A0CC20D781}x",
    "{9F5F61C9-83A0-11D2-A800-00A0CC20D78G}",
    "{9F5F61C9083A0-11D2-A800-00A0CC20D781}",
    "{9F5F61C9-83A0-11D2-A80000A0CC20D7811}",
    "{+F5F61C9-83A0-11D2-A800-00A0CC20D781}",
    "{ 9F5F61C9-83A0-11D2-A800-00A0CC20D781}",
    "{abc}",
};

TEST(Guid, MalformedTextsAreRefusedAndLeaveTheNullGuid) {
  for (const char* text : kNotGuids) {
    CLSID clsid;
    CoCreateGuid(&clsid);
    EXPECT_EQ(CLSIDFromString(text, &clsid), CO_E_CLASSSTRING) << text;
    EXPECT_TRUE(IsEqualCLSID(clsid, GUID_NULL)) << text;
    IID iid;
    EXPECT_EQ(IIDFromString(text, &iid), E_INVALIDARG) << text;
  }
  CLSID clsid;
  EXPECT_EQ(CLSIDFromString(nullptr, &clsid), CO_E_CLASSSTRING);
}

TEST(Guid, TextNeedsRoomForTheTerminator) {
  char text[kGuidTextSize];
  EXPECT_EQ(StringFromGUID2(GUID_NULL, text, kGuidTextSize - 1), 0);
  EXPECT_EQ(StringFromGUID2(GUID_NULL, nullptr, kGuidTextSize), 0);
}

}  // namespace
