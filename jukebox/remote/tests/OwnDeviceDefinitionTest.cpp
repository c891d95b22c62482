// The jukebox's own device definition: version check, actions and their arguments as the Startup
// page needs them, duplicates, and the shipped file itself.
#include "jukebox/remote/OwnDeviceDefinition.h"

#include "jukebox/remote/tests/RemoteFilesTestSupport.h"

namespace remote_files_test {
namespace {

constexpr int kMajor = 4, kMinor = 0;

class OwnDeviceDefinitionTest : public RemoteFilesTest {
 protected:
  int Read(const std::string& document) {
    WriteStartFile(std::string("sysdevices/") + COwnDeviceDefinition::kOwnDeviceId + ".xml", document);
    return definition.ParseXMLDeviceDef(kStart, kMajor, kMinor);
  }
  static std::string Version(int major, int minor) {
    return "<svcVersion><MAJOR>" + std::to_string(major) + "</MAJOR><MINOR>" + std::to_string(minor) +
           "</MINOR></svcVersion>";
  }
  struct ArgumentView {
    std::string name, description;
    long sequence;
    bool input;
    long type;
    bool operator==(const ArgumentView&) const = default;
  };
  std::vector<ArgumentView> Arguments(const char* action) {
    std::vector<ArgumentView> views;
    CActionDescription* description = definition.FindActionDescription(action);
    if (!description || !description->BeginEnum()) return views;
    while (CArgumentDescription* argument = description->GetNext())
      views.push_back({argument->GetName().str(), argument->GetDescription().str(), argument->GetSequence(),
                       argument->IsInput(), argument->GetType()});
    description->EndEnum();
    return views;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& [name, description] : definition.Actions()) names.push_back(name.str());
    return names;
  }
  COwnDeviceDefinition definition;
};

TEST_F(OwnDeviceDefinitionTest, NoFileLogsTheLoadFailureWithoutABox) {
  EXPECT_EQ(definition.ParseXMLDeviceDef(kStart, kMajor, kMinor), -2);
  ASSERT_EQ(services.log.size(), 1u);
  EXPECT_EQ(services.log[0].text, "ParseXMLDeviceDef: Error loading device definition " +
                                      COwnDeviceDefinition::DefinitionPath(kStart).str());
  EXPECT_EQ(services.log[0].severity, "E");
  EXPECT_FALSE(services.log[0].shown);
  EXPECT_TRUE(definition.Actions().empty());
  EXPECT_EQ(definition.FindActionDescription("PlaySong"), nullptr);
}

struct VersionCase {
  const char* name;
  std::string versions;
  const char* mismatch;  // the file's version in the message, or nullptr for no message
};

class VersionTest : public OwnDeviceDefinitionTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(VersionTest, TheLastVersionElementIsComparedWithTheProgramsAndReadingGoesOn) {
  EXPECT_EQ(Read("<root>" + GetParam().versions + "<action><NAME>Stop</NAME></action></root>"), 1);
  EXPECT_NE(definition.FindActionDescription("Stop"), nullptr);
  if (!GetParam().mismatch) {
    EXPECT_TRUE(services.log.empty());
    return;
  }
  ASSERT_EQ(services.log.size(), 1u);
  EXPECT_EQ(services.log[0].text,
            std::string("ParseXMLDeviceDef: Version mismatch between program and device definition file: Program 4.0, "
                        "Device definition file: ") + GetParam().mismatch);
  EXPECT_TRUE(services.log[0].shown);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, VersionTest,
    ::testing::Values(VersionCase{"Same", "<svcVersion><MAJOR>4</MAJOR><MINOR>0</MINOR></svcVersion>", nullptr},
                      VersionCase{"Missing", "", "0.0"},
                      VersionCase{"LastWins", "<svcVersion><MAJOR>4</MAJOR><MINOR>0</MINOR></svcVersion>"
                                              "<svcVersion><MAJOR>3</MAJOR><MINOR>9</MINOR></svcVersion>", "3.9"},
                      VersionCase{"LongerLowerCaseNames",
                                  "<svcVersion><majorVersion>4</majorVersion><minorversion>0</minorversion></svcVersion>",
                                  nullptr},
                      VersionCase{"MinorDiffers", "<svcVersion><MAJOR>4</MAJOR><MINOR>1</MINOR></svcVersion>", "4.1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OwnDeviceDefinitionTest, ArgumentsAreReadInFileOrderWithTheirTypesAndDirections) {
  ASSERT_EQ(Read("<root>" + Version(4, 0) +
                 "<actionList><action><NAME>LoadPlaylist</NAME><DESC>Loads a play list</DESC>\n"
                 "<ARGUMENTLIST>\n"
                 "  <argument><dataType>STRING</dataType><seq>2</seq><name>PlaylistName</name>"
                 "<desc>Its name</desc><direction>in</direction></argument>\n"
                 "  <!-- a comment -->\n"
                 "  <arg><NAMEOFIT>Shuffle</NAMEOFIT><SEQ>1</SEQ><DIRECTIONWORD>INOUT</DIRECTIONWORD>"
                 "<DATATYPE>boolean</DATATYPE></arg>\n"
                 "  <argument><name>Result</name><direction>out</direction><dataType>i4</dataType></argument>\n"
                 "  <argument><name>Carried</name><direction>sideways</direction><dataType>nosuch</dataType></argument>\n"
                 "  <argument><desc>no name</desc></argument>\n"
                 "</ARGUMENTLIST></action></actionList></root>"),
            1);
  const CActionDescription* action = definition.FindActionDescription("LoadPlaylist");
  ASSERT_NE(action, nullptr);
  EXPECT_EQ(action->GetName().str(), "LoadPlaylist");
  EXPECT_EQ(action->GetDescription().str(), "Loads a play list");
  EXPECT_EQ(Arguments("LoadPlaylist"),
            (std::vector<ArgumentView>{{"PlaylistName", "Its name", 2, true, ARGTYPE_STRING},
                                       {"Shuffle", "", 1, true, ARGTYPE_BOOLEAN},
                                       {"Result", "", 0, false, ARGTYPE_I4},
                                       {"Carried", "", 0, false, ARGTYPE_NONE}}));
}

TEST_F(OwnDeviceDefinitionTest, ALeadingArgumentWithoutADirectionIsAnInput) {
  ASSERT_EQ(Read("<root>" + Version(4, 0) +
                 "<action><NAME>SetVolume</NAME><ARGUMENTLIST><a><NAME>Volume</NAME><DATATYPE>ui1</DATATYPE></a>"
                 "</ARGUMENTLIST></action></root>"),
            1);
  EXPECT_EQ(Arguments("SetVolume"), (std::vector<ArgumentView>{{"Volume", "", 0, true, ARGTYPE_UI1}}));
}

TEST_F(OwnDeviceDefinitionTest, ActionNamesKeepTheirCaseAndTheFirstOfADuplicateStays) {
  ASSERT_EQ(Read("<root>" + Version(4, 0) +
                 "<action><ARGUMENTLIST><a><NAME>Ignored</NAME></a></ARGUMENTLIST><NAME>Play</NAME>"
                 "<DESC>first</DESC></action>"
                 "<action><NAME>play</NAME></action>"
                 "<action><NAME>Play</NAME><DESC>second</DESC></action>"
                 "<action><DESC>no name</DESC></action>"
                 "<Action><NAME>NotAnAction</NAME></Action></root>"),
            2);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Play", "play"}));
  EXPECT_EQ(definition.FindActionDescription("Play")->GetDescription().str(), "first");
  EXPECT_EQ(definition.FindActionDescription("Play")->GetArgumentCount(), 0);
  EXPECT_EQ(definition.FindActionDescription("PLAY"), nullptr);
  EXPECT_EQ(LogTexts(),
            (std::vector<std::string>{"Duplicate action names detected (Play). Check the device definition file."}));
  EXPECT_FALSE(services.log[0].shown);
}

TEST_F(OwnDeviceDefinitionTest, ClearEmptiesTheMap) {
  ASSERT_EQ(Read("<root>" + Version(4, 0) + "<action><NAME>Play</NAME></action></root>"), 1);
  definition.Clear();
  EXPECT_EQ(definition.FindActionDescription("Play"), nullptr);
}

}  // namespace
}  // namespace remote_files_test
