// The project file's devices: where they may stand in the file, how their fields read, duplicates,
// and what a missing or faulty file leaves.
#include "jukebox/remote/DeviceTable.h"

#include "jukebox/remote/tests/RemoteFilesTestSupport.h"

namespace remote_files_test {
namespace {

class DeviceTableTest : public RemoteFilesTest {
 protected:
  int Read(const std::string& project) {
    WriteStartFile("config/project.xml", project);
    return table.ReadProjectX(kStart);
  }
  std::vector<DWORD> Keys() const {
    std::vector<DWORD> keys;
    for (const auto& [key, device] : table.Devices()) keys.push_back(key);
    return keys;
  }
  CDeviceTable table;
};

TEST_F(DeviceTableTest, NoProjectFileLeavesAnEmptyTableAndNothingLogged) {
  EXPECT_EQ(table.ReadProjectX(kStart), -2);
  EXPECT_EQ(table.GetCount(), 0);
  EXPECT_TRUE(services.log.empty());
}

TEST_F(DeviceTableTest, AFileThatIsNotWellFormedLeavesNoDevicesAndSaysWhere) {
  EXPECT_EQ(Read("<project>\n<device><DEVNUM>1</DEVNUM></project>"), -2);
  EXPECT_EQ(table.GetCount(), 0);
  ASSERT_EQ(services.log.size(), 1u);
  EXPECT_EQ(services.log[0].text.rfind("ReadProjectX: C:\\Jukebox\\config\\project.xml cannot be read (line 2: ", 0), 0u)
      << services.log[0].text;
  EXPECT_FALSE(services.log[0].shown);
}

TEST_F(DeviceTableTest, DevicesAnywhereInTheFileAreReadWithTheirFieldsInAnyLetterCase) {
  WriteStartFile("sysdevices/BOX-1.xml",
                 "<root><rootDevice><SVCPROGRAM>boxsvc</SVCPROGRAM></rootDevice>"
                 "<action><name>Ping</name></action></root>");
  ASSERT_EQ(Read("<?xml version=\"1.0\"?>\n<anything>\n"
                 "  <device><devnum>7</devnum><DevName>Bar box</DevName><devdesc>By the bar</devdesc>"
                 "<DEVUID>BOX-1</DEVUID><svcAddress> 10.0.0.7 </svcAddress><SvcPort>12130</SvcPort>"
                 "<ConnectionParms>keep</ConnectionParms><colour>red</colour></device>\n"
                 "  <group><inner><device><DEVNUM>2</DEVNUM><DEVNAME>Patio</DEVNAME></device></inner></group>\n"
                 "  <DEVICE><DEVNUM>9</DEVNUM></DEVICE>\n"
                 "</anything>"),
            0);
  EXPECT_EQ(Keys(), (std::vector<DWORD>{2, 7}));
  const CDeviceDescription* bar = table.Find(7);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->GetName().str(), "Bar box");
  EXPECT_EQ(bar->GetDescription().str(), "By the bar");
  EXPECT_EQ(bar->GetUid().str(), "BOX-1");
  EXPECT_EQ(bar->GetServiceAddress().str(), "10.0.0.7");
  EXPECT_EQ(bar->GetServicePort(), 12130);
  EXPECT_EQ(bar->GetConnectionParameters().str(), "keep");
  EXPECT_EQ(bar->GetServiceProgram().str(), "boxsvc");
  EXPECT_EQ(bar->GetActionCount(), 1);
  EXPECT_EQ(table.Find(9), nullptr);
  EXPECT_TRUE(services.log.empty());
}

TEST_F(DeviceTableTest, NumbersReadAsTheirLeadingDigitsAndChildrenDeeperDownAreNotSeen) {
  ASSERT_EQ(Read("<p><device><DEVNUM>12abc</DEVNUM><SVCPORT>none</SVCPORT></device>"
                 "<device><DEVNAME>Nested</DEVNAME><wrap><DEVNUM>5</DEVNUM></wrap></device>"
                 "<device><DEVNUM>-1</DEVNUM><DEVNAME>Top</DEVNAME><DEVNAME>Later</DEVNAME></device></p>"),
            0);
  EXPECT_EQ(Keys(), (std::vector<DWORD>{0, 12, 4294967295u}));
  EXPECT_EQ(table.Find(12)->GetServicePort(), 0);
  EXPECT_EQ(table.Find(0)->GetName().str(), "Nested");
  EXPECT_EQ(table.Find(4294967295u)->GetName().str(), "Later");
}

TEST_F(DeviceTableTest, TheFirstDeviceOfANumberStaysAndEachDuplicateIsLogged) {
  WriteStartFile("sysdevices/SECOND.xml", "<root><rootDevice><SVCPROGRAM>second</SVCPROGRAM></rootDevice></root>");
  ASSERT_EQ(Read("<p><device><DEVNUM>3</DEVNUM><DEVNAME>First</DEVNAME></device>"
                 "<device><DEVNUM>3</DEVNUM><DEVNAME>Second</DEVNAME><DEVUID>SECOND</DEVUID></device>"
                 "<device><DEVNAME>NoNumber</DEVNAME></device><device><DEVNAME>NoNumberEither</DEVNAME></device>"
                 "<device><DEVNUM>-1</DEVNUM></device><device><DEVNUM> -1x</DEVNUM></device></p>"),
            0);
  EXPECT_EQ(table.Find(3)->GetName().str(), "First");
  EXPECT_EQ(table.Find(3)->GetServiceProgram().str(), "");
  EXPECT_EQ(table.Find(0)->GetName().str(), "NoNumber");
  EXPECT_EQ(LogTexts(),
            (std::vector<std::string>{
                "Duplicate device numbers detected (DeviceID 3). Check your project.xml file.",
                "Duplicate device numbers detected (DeviceID 0). Check your project.xml file.",
                "Duplicate device numbers detected (DeviceID 4294967295). Check your project.xml file."}));
  for (const auto& line : services.log) {
    EXPECT_EQ(line.severity, "E");
    EXPECT_EQ(line.source, "Main");
    EXPECT_FALSE(line.shown);
  }
}

TEST_F(DeviceTableTest, ADeviceWithoutADescriptionFileKeepsItsAddressAndPort) {
  ASSERT_EQ(Read("<p><device><DEVNUM>4</DEVNUM><DEVUID>MISSING</DEVUID><SVCADDRESS>box.lan</SVCADDRESS>"
                 "<SVCPORT>8080</SVCPORT></device><device><DEVNUM>5</DEVNUM></device></p>"),
            0);
  EXPECT_EQ(table.Find(4)->GetServiceAddress().str(), "box.lan");
  EXPECT_EQ(table.Find(4)->GetServicePort(), 8080);
  EXPECT_NE(table.Find(5), nullptr);
  EXPECT_TRUE(services.log.empty());
}

TEST_F(DeviceTableTest, ADeviceIdThatLeavesTheDescriptionFolderIsNotRead) {
  WriteStartFile("secret.xml", "<root><rootDevice><SVCPROGRAM>outside</SVCPROGRAM></rootDevice></root>");
  ASSERT_EQ(Read("<p><device><DEVNUM>6</DEVNUM><DEVNAME>Sneaky</DEVNAME><DEVUID>..\\secret</DEVUID>"
                 "<SVCPORT>99</SVCPORT></device></p>"),
            0);
  ASSERT_NE(table.Find(6), nullptr);
  EXPECT_EQ(table.Find(6)->GetServiceProgram().str(), "");
  EXPECT_EQ(table.Find(6)->GetServicePort(), 99);
  ASSERT_EQ(services.log.size(), 1u);
  EXPECT_NE(services.log[0].text.find("..\\secret"), std::string::npos);
}

TEST_F(DeviceTableTest, ClearDestroysEveryDescription) {
  ASSERT_EQ(Read("<p><device><DEVNUM>1</DEVNUM></device><device><DEVNUM>2</DEVNUM></device></p>"), 0);
  table.Clear();
  EXPECT_EQ(table.GetCount(), 0);
  EXPECT_EQ(table.Find(1), nullptr);
}

}  // namespace
}  // namespace remote_files_test
