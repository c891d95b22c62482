// Reading a jukebox's action-response documents.
#include <gtest/gtest.h>

#include "recorder/ActionResponse.h"

namespace {

TEST(ActionResponse, NameCodeMessageAndArgumentsWithoutCase) {
  tActionResponse response;
  ASSERT_EQ(0, response.Parse("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><actionResponse>"
                              "<actionName>SvcQryVersion</actionName><actionReturnCode>0</actionReturnCode>"
                              "<actionReturnMsg>Done</actionReturnMsg>"
                              "<argument><name>SvcPgmName</name><seq>1</seq><value>Tonebarn</value></argument>"
                              "<argument><name>SvcPgmVersion</name><seq>2</seq><value>4.0.12</value></argument>"
                              "</actionResponse>"));
  EXPECT_EQ("SvcQryVersion", response.actionName.str());
  EXPECT_EQ(0, response.actionReturnCode);
  EXPECT_EQ("Done", response.actionReturnMsg.str());
  CString value;
  ASSERT_TRUE(response.FindArgument("svcpgmversion", value));
  EXPECT_EQ("4.0.12", value.str());
  ASSERT_TRUE(response.FindArgument("SVCPGMNAME", value));
  EXPECT_EQ("Tonebarn", value.str());
  EXPECT_FALSE(response.FindArgument("UploadFileName", value));
}

TEST(ActionResponse, ReturnCodesAsAtolReadsThem) {
  struct Case {
    const char* element;
    LONG code;
  } cases[] = {{"<actionReturnCode>5</actionReturnCode>", 5},
               {"<actionReturnCode>-3</actionReturnCode>", -3},
               {"<actionReturnCode>12abc</actionReturnCode>", 12},
               {"<actionReturnCode>x</actionReturnCode>", 0},
               {"", 0}};
  for (const auto& c : cases) {
    tActionResponse response;
    ASSERT_EQ(0, response.Parse(CString("<actionResponse><actionName>A</actionName>") + c.element +
                                "</actionResponse>"));
    EXPECT_EQ(c.code, response.actionReturnCode) << c.element;
  }
}

TEST(ActionResponse, TextsThatAreNoResponseAreRefusedAndClearTheLastOne) {
  tActionResponse response;
  ASSERT_EQ(0, response.Parse("<actionResponse><actionName>Old</actionName><actionReturnCode>7</actionReturnCode>"
                              "<argument><name>a</name><value>b</value></argument></actionResponse>"));
  for (const char* text : {"", "not xml", "<actionResponse><actionName>", "<action><actionName>X</actionName></action>"}) {
    EXPECT_NE(0, response.Parse(text)) << text;
    EXPECT_EQ("", response.actionName.str());
    EXPECT_EQ(0, response.actionReturnCode);
    CString value;
    EXPECT_FALSE(response.FindArgument("a", value));
  }
}

}  // namespace
