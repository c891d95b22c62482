#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "netlib/DeviceDescription.h"
#include "platform/core/testing/TestSandbox.h"

namespace {

class DeviceDescriptions : public testing::Test {
 protected:
  void SetUp() override {
    mkdir(sandbox.HostPath("C/Quaverhouse").c_str(), 0755);
    mkdir(sandbox.HostPath("C/Quaverhouse/sysdevices").c_str(), 0755);
    device.SetBaseFolder("C:\\Quaverhouse");
    device.SetProjectInfo(3, "Bar", "Bar zone", "DEV-0003", "127.0.0.1", 12130, "");
  }
  void Write(const std::string& body) {
    std::ofstream(sandbox.HostPath("C/Quaverhouse/sysdevices/DEV-0003.xml"))
        << "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n<device>" << body << "</device>";
  }
  std::vector<std::string> Arguments(CActionDescription* action) {
    std::vector<std::string> names;
    if (!action || !action->BeginEnum()) return names;
    while (CArgumentDescription* argument = action->GetNext()) names.push_back(argument->GetName().str());
    action->EndEnum();
    return names;
  }

  qh::testing::TestSandbox sandbox;
  CDeviceDescription device;
};

TEST_F(DeviceDescriptions, ReadsProgramActionsAndArgumentsInSequenceOrder) {
  Write(R"(<root><rootDevice><svcProgram>old.exe</svcProgram><SVCPROGRAM>tonebarn.exe</SVCPROGRAM></rootDevice>
<actionList>
  <action><name>SetVolume</name><desc>Sets the volume</desc>
    <argumentList>
      <argument><name>Level</name><seq>3</seq><direction>in</direction><dataType>ui1</dataType>
        <allowedValueRange><minimum>0</minimum><maximum>300</maximum></allowedValueRange></argument>
      <argument><name>SubDevice</name><seq>1</seq><direction>IN</direction><dataType>i4</dataType></argument>
      <!-- a comment between arguments -->
      <argument><name>Result</name><seq>2</seq><direction>out</direction><dataType>string</dataType>
        <allowedValueList><allowedValue>OK</allowedValue><allowedValue>FAIL</allowedValue></allowedValueList></argument>
    </argumentList>
  </action>
</actionList></root>)");
  ASSERT_EQ(device.Read(), 0);
  EXPECT_STREQ(device.GetServiceProgram(), "tonebarn.exe") << "the last SVCPROGRAM wins";
  CActionDescription* action = device.FindAction("SetVolume");
  ASSERT_NE(action, nullptr);
  EXPECT_STREQ(action->GetDescription(), "Sets the volume");
  EXPECT_EQ(Arguments(action), (std::vector<std::string>{"SubDevice", "Result", "Level"}));
  CArgumentDescription* level = action->FindArgument("Level");
  ASSERT_NE(level, nullptr);
  EXPECT_TRUE(level->IsInput()) << "DIRECTION compares upper-cased";
  EXPECT_EQ(level->GetType(), ARGTYPE_UI1);
  EXPECT_EQ(level->GetMaximum().GetUI1(), 300 & 0xFF);
  CArgumentDescription* result = action->FindArgument("Result");
  EXPECT_FALSE(result->IsInput());
  EXPECT_EQ(result->GetAllowedValues().size(), 2u);
  EXPECT_STREQ(GetDataTypeDisplayName(*result), "STRING");
}

TEST_F(DeviceDescriptions, FieldsTakeEffectOnlyBeforeTheDataType) {
  Write(R"(<rootDevice/><action><NAME>A</NAME><DESC></DESC><ARGUMENTLIST>
  <ARGUMENT><DATATYPE>STRING</DATATYPE><NAME>TypeFirst</NAME></ARGUMENT>
  <ARGUMENT><NAME>BadType</NAME><DATATYPE>INTEGER</DATATYPE></ARGUMENT>
  <ARGUMENT><NAME>RangeFirst</NAME><ALLOWEDVALUERANGE><MINIMUM>5</MINIMUM></ALLOWEDVALUERANGE><DATATYPE>I4</DATATYPE>
    <DESC>late description</DESC></ARGUMENT>
  <ARGUMENT><NAME>RangeAfter</NAME><DATATYPE>I4</DATATYPE><ALLOWEDVALUERANGE><MINIMUM>5</MINIMUM></ALLOWEDVALUERANGE></ARGUMENT>
</ARGUMENTLIST></action>)");
  ASSERT_EQ(device.Read(), 0);
  CActionDescription* action = device.FindAction("A");
  ASSERT_NE(action, nullptr);
  EXPECT_EQ(Arguments(action), (std::vector<std::string>{"RangeFirst", "RangeAfter"}));
  EXPECT_EQ(action->FindArgument("RangeFirst")->GetMinimum().GetType(), ARGTYPE_NONE);
  EXPECT_STREQ(action->FindArgument("RangeFirst")->GetDescription(), "");
  EXPECT_EQ(action->FindArgument("RangeAfter")->GetMinimum().GetI4(), 5);
}

TEST_F(DeviceDescriptions, ActionWithoutDescCannotBeEnumerated) {
  Write(R"(<rootDevice/><action><name>NoDesc</name></action><action><name>EmptyDesc</name><desc/></action>)");
  ASSERT_EQ(device.Read(), 0);
  CActionDescription* noDesc = device.FindAction("NoDesc");
  ASSERT_NE(noDesc, nullptr);
  EXPECT_FALSE(noDesc->BeginEnum());
  EXPECT_STREQ(noDesc->GetName(), "");
  CActionDescription* emptyDesc = device.FindAction("EmptyDesc");
  ASSERT_NE(emptyDesc, nullptr);
  EXPECT_TRUE(emptyDesc->BeginEnum());
  emptyDesc->EndEnum();
  EXPECT_STREQ(emptyDesc->GetName(), "EmptyDesc");
}

TEST_F(DeviceDescriptions, RepeatedNamesKeepTheFirst) {
  Write(R"(<rootDevice/>
<action><name>Play</name><desc>first</desc><argumentList>
  <argument><name>X</name><seq>1</seq><dataType>i4</dataType></argument>
  <argument><name>X</name><seq>2</seq><dataType>string</dataType></argument>
</argumentList></action>
<action><name>Play</name><desc>second</desc><argumentList>
  <argument><name>Y</name><dataType>i4</dataType></argument></argumentList></action>)");
  ASSERT_EQ(device.Read(), 0);
  EXPECT_EQ(device.GetActionCount(), 1);
  CActionDescription* play = device.FindAction("Play");
  ASSERT_NE(play, nullptr);
  EXPECT_STREQ(play->GetDescription(), "first");
  EXPECT_EQ(Arguments(play), (std::vector<std::string>{"X", "X"}));
  EXPECT_EQ(play->FindArgument("X")->GetType(), ARGTYPE_I4) << "FindArgument finds the first";
  EXPECT_EQ(play->FindArgument("Y"), nullptr);
}

TEST_F(DeviceDescriptions, ReadFailures) {
  EXPECT_EQ(device.Read(), -2) << "missing file";
  EXPECT_EQ(device.GetActionCount(), 0);
  Write("<rootDevice><unclosed></rootDevice>");
  EXPECT_EQ(device.Read(), -2) << "not well-formed";
  Write("<action><name>A</name></action>");
  EXPECT_EQ(device.Read(), -3) << "no rootDevice";
}

TEST_F(DeviceDescriptions, EnumerationOfActionsAndClear) {
  Write(R"(<rootDevice/><action><name>B</name><desc/></action><action><name>A</name><desc/></action>)");
  ASSERT_EQ(device.Read(), 0);
  ASSERT_TRUE(device.BeginEnumActions());
  std::vector<std::string> names;
  while (CActionDescription* action = device.GetNextAction()) names.push_back(action->GetName().str());
  device.EndEnumActions();
  EXPECT_EQ(names, (std::vector<std::string>{"A", "B"}));
  EXPECT_TRUE(device.Clear());
  EXPECT_EQ(device.GetActionCount(), 0);
  EXPECT_EQ(device.GetDeviceNumber(), 3);
  EXPECT_EQ(device.GetServicePort(), 12130);
}

}  // namespace
