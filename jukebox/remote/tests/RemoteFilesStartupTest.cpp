// The jukebox reads the remote control's own files while it starts and empties them when it ends.
#include <gtest/gtest.h>

#include <filesystem>

#include "jukebox/app/JukeboxApp.h"
#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/MasterWindow.h"
#include "jukebox/app/RemotePort.h"
#include "jukebox/app/tests/JukeboxTestSupport.h"
#include "jukebox/remote/RemoteControl.h"
#include "jukebox/remote/RemoteDefinitions.h"

namespace {

using jukebox::test::BoxTexts;
using jukebox::test::JukeboxEnvironment;
using jukebox::test::Pump;

std::string RampTimeList(int milliseconds) {
  return "<actionList><action><actionName>SetVolumeRampTime</actionName><argument><name>RampMS</name><value>" +
         std::to_string(milliseconds) + "</value><direction>in</direction></argument></action></actionList>";
}

class RemoteFilesStartup : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallRemoteDefinitions();
    env.MakeDatabase();
  }
  void TearDown() override {
    env.Stop();
    SetRemotePortFactory(nullptr);
    RemoteDefinitions().ClearDefinitions();
    RemoteDefinitions().FreeStartupActions();
  }
  void Write(const std::string& relative, const std::string& content) {
    qh::testing::WriteHostFile(env.Sandbox().HostPath("C/" + relative), content);
  }
  void ShipOwnDefinition() {
    const std::string name = std::string(COwnDeviceDefinition::kOwnDeviceId) + ".xml";
    std::filesystem::create_directories(env.Sandbox().HostPath("C/sysdevices"));
    std::filesystem::copy_file(std::string(QH_TEST_SOURCE_DIR) + "/resources/jukebox/sysdevices/" + name,
                               env.Sandbox().HostPath("C/sysdevices/" + name));
  }

  JukeboxEnvironment env;
};

TEST_F(RemoteFilesStartup, TheFilesAreReadAtStartAndEmptiedAtTheEnd) {
  Write("config/project.xml", "<project><device><DEVNUM>3</DEVNUM><SVCADDRESS>127.0.0.1</SVCADDRESS>"
                              "<SVCPORT>9000</SVCPORT></device><device><DEVNUM>4</DEVNUM></device></project>");
  ShipOwnDefinition();
  Write("config/jbstartup.xml", "<actionList><action><actionName>XportPlay</actionName></action>"
                                "<action><actionName>SetShuffleOn</actionName></action></actionList>");
  ASSERT_TRUE(env.Start()) << BoxTexts(env.boxes);
  EXPECT_TRUE(env.boxes.empty()) << "the shipped definition is the program's version: " << BoxTexts(env.boxes);
  EXPECT_EQ(RemoteDefinitions().Devices().GetCount(), 2);
  EXPECT_EQ(RemoteDefinitions().Devices().Find(3)->GetServicePort(), 9000);
  EXPECT_NE(RemoteDefinitions().FindActionDescription("SongLoadByPlaylist"), nullptr);
  EXPECT_EQ(RemoteDefinitions().StartupActions().Actions().size(), 2u);
  env.Stop();
  EXPECT_EQ(RemoteDefinitions().Devices().GetCount(), 0);
  EXPECT_EQ(RemoteDefinitions().FindActionDescription("SongLoadByPlaylist"), nullptr);
  EXPECT_TRUE(RemoteDefinitions().StartupActions().Actions().empty());
}

TEST_F(RemoteFilesStartup, MissingFilesLeaveTheJukeboxRunningWithoutThem) {
  ASSERT_TRUE(env.Start()) << BoxTexts(env.boxes);
  EXPECT_TRUE(env.boxes.empty()) << BoxTexts(env.boxes);
  EXPECT_EQ(RemoteDefinitions().Devices().GetCount(), 0);
  EXPECT_TRUE(RemoteDefinitions().OwnDefinition().Actions().empty());
  EXPECT_TRUE(RemoteDefinitions().StartupActions().Actions().empty());
  EXPECT_NE(env.LogText().find(std::string("ParseXMLDeviceDef: Error loading device definition ") +
                               COwnDeviceDefinition::DefinitionPath("C:\\").str()),
            std::string::npos);
}

TEST_F(RemoteFilesStartup, ADefinitionOfAnotherVersionIsShownAndStillRead) {
  Write(std::string("sysdevices/") + COwnDeviceDefinition::kOwnDeviceId + ".xml",
        "<root><svcVersion><MAJOR>3</MAJOR><MINOR>9</MINOR></svcVersion><action><NAME>XportPlay</NAME></action></root>");
  ASSERT_TRUE(env.Start()) << BoxTexts(env.boxes);
  ASSERT_EQ(env.boxes.size(), 1u) << BoxTexts(env.boxes);
  EXPECT_EQ(env.boxes[0].text,
            "ParseXMLDeviceDef: Version mismatch between program and device definition file: Program 4.0, Device "
            "definition file: 3.9");
  EXPECT_NE(RemoteDefinitions().FindActionDescription("XportPlay"), nullptr);
}

TEST_F(RemoteFilesStartup, TenSecondsAfterTheStartTheFileAsItIsThenRunsThroughTheActionQueue) {
  InstallRemoteControl();
  env.Profile().WriteProfileInt("Remote", "SocketNumber", 0);
  Write("config/jbstartup.xml", RampTimeList(2500));
  ASSERT_TRUE(env.Start()) << BoxTexts(env.boxes);
  CJukeboxApp& app = *env.App();
  const int initial = app.GetVolumeRampTime();
  ASSERT_NE(initial, 3500);
  // What runs is the file when the time comes, not the list read at start.
  Write("config/jbstartup.xml", RampTimeList(3500));
  Pump(8000, [&] { return app.GetVolumeRampTime() != initial; });
  EXPECT_EQ(app.GetVolumeRampTime(), initial) << "nothing runs before ten seconds";
  Pump(6000, [&] { return app.GetVolumeRampTime() != initial; });
  EXPECT_EQ(app.GetVolumeRampTime(), 3500);
  EXPECT_EQ(RemoteDefinitions().StartupActions().Actions().at(1)->FindArgument("RampMS")->GetString().str(), "2500");
}

TEST_F(RemoteFilesStartup, AStartupActionThatFailsIsToldInTheLogAndTheOthersStillRun) {
  InstallRemoteControl();
  env.Profile().WriteProfileInt("Remote", "SocketNumber", 0);
  Write("config/jbstartup.xml", "<actionList><action><actionName>NoSuchCommand</actionName><actionID>1</actionID>"
                                "<subDevice>2</subDevice></action>" +
                                    RampTimeList(4000).substr(std::string("<actionList>").size()));
  ASSERT_TRUE(env.Start()) << BoxTexts(env.boxes);
  CJukeboxApp& app = *env.App();
  // The start-up timer's tick now: the test above waits out its ten seconds.
  app.GetMainWindow()->SendMessage(WM_TIMER, jukebox::kTimerStartupActions, 0);
  Pump(15000, [&] { return app.GetVolumeRampTime() == 4000; });
  EXPECT_EQ(app.GetVolumeRampTime(), 4000);
  const std::string failure = "Start-up action NoSuchCommand (stream 3) failed: -3 ";
  Pump(10000, [&] { return env.LogText().find(failure) != std::string::npos; });
  EXPECT_NE(env.LogText().find(failure), std::string::npos) << env.LogText();
}

}  // namespace
