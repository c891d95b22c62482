// The project file, device descriptions and the service programs started for the devices.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "controller/ControllerLog.h"
#include "controller/ProjectDevices.h"
#include "platform/core/testing/TestSandbox.h"

namespace {

class Project : public testing::Test {
 protected:
  void SetUp() override {
    log.Open("C:\\site\\Logs\\HallwardenLog.txt");
    Write("C/site/sysdevices/PLAYER.xml",
          "<root><rootDevice><SVCPROGRAM>svc.sh</SVCPROGRAM></rootDevice><actionList><action><name>Play</name>"
          "<desc>Plays</desc><argumentList/></action></actionList></root>");
    Write("C/site/sysdevices/BROKEN.xml",
          "<root><rootDevice><SVCPROGRAM>missing.exe</SVCPROGRAM></rootDevice></root>");
    Write("C/site/sysdevices/EMPTY.xml", "<root><rootDevice><SVCPROGRAM></SVCPROGRAM></rootDevice></root>");
    std::string record = sandbox.HostPath("C/started.txt");
    Write("C/site/svc.sh", "#!/bin/sh\necho \"$0 $*\" >> '" + record + "'\n");
    chmod(sandbox.HostPath("C/site/svc.sh").c_str(), 0755);
  }
  void Write(const std::string& relative, const std::string& text) {
    qh::testing::WriteHostFile(sandbox.HostPath(relative), text);
  }
  static std::string Device(const char* number, const char* uid) {
    return std::string("<device><DEVNUM>") + number + "</DEVNUM><DEVNAME>D" + number + "</DEVNAME><DEVUID>" + uid +
           "</DEVUID><SVCADDRESS>127.0.0.1</SVCADDRESS><SVCPORT>12130</SVCPORT><!-- note --></device>";
  }
  std::string LogText() { return qh::testing::ReadHostFile(sandbox.HostPath("C/site/Logs/HallwardenLog.txt")); }

  qh::testing::TestSandbox sandbox;
  CControllerLog log;
  CProjectDevices devices;
};

TEST_F(Project, DevicesAreReadOnceByNumberWithTheirActions) {
  Write("C/site/Logs/.keep", "");
  log.Open("C:\\site\\Logs\\HallwardenLog.txt");
  Write("C/site/config/project.xml", "<project>" + Device("7", "PLAYER") + Device("7", "BROKEN") +
                                         Device("3", "NOFILE") + "</project>");
  EXPECT_EQ(devices.ReadProjectX("C:\\site", log), 2);
  CDeviceDescription* seven = devices.GetSelectedDevice(7, log);
  ASSERT_NE(seven, nullptr);
  EXPECT_STREQ(seven->GetUid(), "PLAYER") << "the first device of a number stays";
  EXPECT_EQ(seven->GetServicePort(), 12130);
  EXPECT_NE(seven->FindAction("Play"), nullptr);
  CDeviceDescription* three = devices.GetSelectedDevice(3, log);
  ASSERT_NE(three, nullptr) << "a device without a description file is still listed";
  EXPECT_EQ(three->GetActionCount(), 0);
  EXPECT_EQ(devices.GetSelectedDevice(4, log), nullptr);
  EXPECT_NE(LogText().find("Duplicate device numbers detected (DeviceID 7). Check your project.xml file."),
            std::string::npos);
}

TEST_F(Project, BrokenProjectFilesAreLogged) {
  Write("C/site/Logs/.keep", "");
  log.Open("C:\\site\\Logs\\HallwardenLog.txt");
  EXPECT_EQ(devices.ReadProjectX("C:\\site", log), 0);
  Write("C/site/config/project.xml", "<project><nodevice/></project>");
  EXPECT_EQ(devices.ReadProjectX("C:\\site", log), 0);
  std::string text = LogText();
  EXPECT_NE(text.find("ReadProjectX: Error loading project file C:\\site\\config\\project.xml"), std::string::npos);
  EXPECT_NE(text.find("ReadProjectX: Could not find any device tags in project file"), std::string::npos);
}

TEST_F(Project, ServiceProgramsStartWithTheirDeviceNumber) {
  Write("C/site/Logs/.keep", "");
  log.Open("C:\\site\\Logs\\HallwardenLog.txt");
  Write("C/site/config/project.xml", "<project>" + Device("7", "PLAYER") + Device("9", "PLAYER") +
                                         Device("11", "BROKEN") + Device("12", "EMPTY") + "</project>");
  devices.ReadProjectX("C:\\site", log);
  LONG failed = -1;
  EXPECT_EQ(devices.StartSvcPrograms("C:\\site", log, failed), 2);
  EXPECT_EQ(failed, 2) << "a missing program and an empty SVCPROGRAM both count as errors";
  std::string started;
  for (int i = 0; i < 100 && std::count(started.begin(), started.end(), '\n') < 2; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    started = qh::testing::ReadHostFile(sandbox.HostPath("C/started.txt"));
  }
  EXPECT_NE(started.find("svc.sh 7\n"), std::string::npos) << started;
  EXPECT_NE(started.find("svc.sh 9\n"), std::string::npos) << started;
  std::string text = LogText();
  EXPECT_NE(text.find("StartSvcPrograms: Started service program svc.sh OK."), std::string::npos);
  EXPECT_NE(text.find("StartSvcPrograms: Could not start service program missing.exe"), std::string::npos);
  // The platform reaps the finished services: no zombie children stay behind.
  bool zombie = true;
  for (int i = 0; i < 100 && zombie; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    zombie = false;
    std::ifstream children("/proc/self/task/" + std::to_string(getpid()) + "/children");
    pid_t child;
    while (children >> child) {
      std::ifstream stat("/proc/" + std::to_string(child) + "/stat");
      std::string pid, name, state;
      stat >> pid >> name >> state;
      zombie = zombie || state == "Z";
    }
  }
  EXPECT_FALSE(zombie);
}

}  // namespace
