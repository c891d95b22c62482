// The settings as the registry store holds them, the upload merge's schedule, and the event log with
// its message boxes by severity.
#include <gtest/gtest.h>

#include "jukebox/app/MasterWindow.h"
#include "jukebox/app/tests/JukeboxTestSupport.h"
#include "platform/core/FileApi.h"

using namespace jukebox::test;

namespace {

class Settings : public ::testing::Test {
 protected:
  void SetUp() override { env.MakeDatabase(); }
  JukeboxEnvironment env;
};

TEST_F(Settings, ZonesAreReadUpToTheFirstEmptyOneAndAtMostEight) {
  struct Case {
    std::vector<std::pair<int, const char*>> zones;
    int count;
    const char* firstDevice;
    const char* firstDescription;
  };
  const Case cases[] = {
      {{}, 1, "Default DirectSound Device", "Default Zone"},
      {{{1, "Card A"}, {3, "Card C"}}, 1, "Card A", "Room"},
      {{{1, "C1"}, {2, "C2"}, {3, "C3"}, {4, "C4"}, {5, "C5"}, {6, "C6"}, {7, "C7"}, {8, "C8"}, {9, "C9"}}, 8, "C1", "Room"},
  };
  for (const Case& c : cases) {
    for (int n = 1; n <= 9; ++n) {
      CString key;
      key.Format("Zone%d", n);
      env.Profile().WriteProfileString("Jukebox", key.GetString(), nullptr);
      key.Format("ZoneDesc%d", n);
      env.Profile().WriteProfileString("Jukebox", key.GetString(), nullptr);
    }
    for (auto [n, device] : c.zones) {
      CString key;
      key.Format("Zone%d", n);
      env.Profile().WriteProfileString("Jukebox", key.GetString(), device);
      if (n == 1) env.Profile().WriteProfileString("Jukebox", "ZoneDesc1", "Room");
    }
    TestJukeboxApp& app = env.NewApp();
    app.SetRegistryKey("Tallowmere");
    app.ReadZoneSettings();
    EXPECT_EQ(app.GetZoneCount(), c.count);
    CString device, description;
    app.GetZoneDevice(0, device);
    app.GetZoneDesc(0, description);
    EXPECT_EQ(device, c.firstDevice);
    EXPECT_EQ(description, c.firstDescription);
    app.GetZoneDesc(-1, description);
    EXPECT_TRUE(description.IsEmpty());
    app.GetZoneDesc(c.count, description);
    EXPECT_TRUE(description.IsEmpty());
  }
}

TEST_F(Settings, ConfigurationValuesAndTheirDefaults) {
  env.Profile().WriteProfileInt("Jukebox", "TVOutput", 5);
  env.Profile().WriteProfileInt("Remote", "SocketNumber", 14000);
  env.Profile().WriteProfileString("Jukebox", "RandomPicPath", "D:\\Pictures");
  ASSERT_TRUE(env.Start());
  TestJukeboxApp& app = *env.App();
  EXPECT_EQ(app.GetTVOutput(), 1);
  EXPECT_EQ(app.GetCompressOnExit(), 1);
  EXPECT_EQ(app.GetWebControlEnable(), 1);
  EXPECT_EQ(app.GetServerPort(), 14000);
  EXPECT_EQ(app.GetSongDbPath(), "D:\\Quaverhouse");
  EXPECT_EQ(app.GetSongsFolder(), "D:\\Quaverhouse\\Songs");
  EXPECT_EQ(app.GetUploadPath(), "D:\\Quaverhouse\\Uploads");
  EXPECT_EQ(app.GetRandomPicPath(), "D:\\Pictures");
  EXPECT_EQ(app.GetAlbumDatabase(), nullptr);  // no album file: the jukebox starts without it
  EXPECT_EQ(app.GetStartDirectory(), "C:\\");
}

TEST_F(Settings, TheUploadMergeRunsDailyAtItsTimeOrIsDisabled) {
  const COleDateTime now = COleDateTime::GetCurrentTime();
  if (now.GetHour() == 0 || now.GetHour() == 23) GTEST_SKIP() << "too close to midnight for a one-hour shift";
  struct Case {
    CString setting;
    int dayOffset;  // -1: disabled
  };
  CString later, earlier;
  later.Format("%02d:%02d:%02d", now.GetHour() + 1, now.GetMinute(), now.GetSecond());
  earlier.Format("%02d:%02d:%02d", now.GetHour() - 1, now.GetMinute(), now.GetSecond());
  const Case cases[] = {{later, 0}, {earlier, 1}, {"no time at all", -1}};
  for (const Case& c : cases) {
    env.Profile().WriteProfileString("Jukebox", "UploadMergeTime", c.setting.GetString());
    env.NewApp();
    ASSERT_TRUE(env.Start());
    const COleDateTime next = env.App()->GetNextUploadMergeTime();
    if (c.dayOffset < 0) {
      EXPECT_EQ(next.GetStatus(), COleDateTime::null);
    } else {
      COleDateTime expected = now;
      expected += COleDateTimeSpan(c.dayOffset, (c.dayOffset ? -1 : 1), 0, 0);
      EXPECT_EQ(next.Format("%Y-%m-%d %H:%M:%S"), expected.Format("%Y-%m-%d %H:%M:%S")) << c.setting.GetString();
    }
    env.Stop();
  }
  const std::string log = env.LogText();
  EXPECT_NE(log.find("[I][Main] Upload Merge is scheduled to run daily at " + std::string(later.GetString())),
            std::string::npos);
  EXPECT_NE(log.find("[E][Main] Invalid time valude for Upload Merge [no time at all]. Upload Merge is DISABLED."),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("[I][Main] Next Upload Merge time: "), std::string::npos);
}

TEST_F(Settings, VolumeRampTimeAndSongLocks) {
  TestJukeboxApp& app = env.NewApp();
  EXPECT_EQ(app.SetVolumeRampTime(99), 6000);
  EXPECT_EQ(app.SetVolumeRampTime(30001), 6000);
  EXPECT_EQ(app.SetVolumeRampTime(100), 6000);
  EXPECT_EQ(app.SetVolumeRampTime(30000), 100);
  EXPECT_EQ(app.GetVolumeRampTime(), 30000);
  EXPECT_TRUE(app.LockSong(7));
  EXPECT_FALSE(app.LockSong(7));
  EXPECT_TRUE(app.IsSongLocked(7));
  EXPECT_TRUE(app.ReleaseSongLock(7));
  EXPECT_FALSE(app.ReleaseSongLock(7));
  EXPECT_FALSE(app.IsSongLocked(7));
}

class EventLog : public Settings {};

TEST_F(EventLog, MessageBoxIconsBySeverity) {
  const std::pair<const char*, UINT> cases[] = {{"S", MB_ICONHAND},        {"s", MB_ICONHAND},
                                                {"E", MB_ICONEXCLAMATION}, {"W", MB_ICONQUESTION},
                                                {"I", MB_ICONASTERISK},    {"X", MB_ICONASTERISK}};
  ASSERT_TRUE(env.Start());
  for (auto [severity, icon] : cases) {
    env.boxes.clear();
    EXPECT_EQ(env.App()->LogEvent(severity, "Main", CString("event ") + severity), TRUE);
    ASSERT_EQ(env.boxes.size(), 1u);
    EXPECT_EQ(env.boxes[0].type & 0xF0u, icon) << severity;
    EXPECT_EQ(env.boxes[0].caption, "Quaverhouse");
    EXPECT_EQ(env.boxes[0].buttons, std::vector<int>{IDOK});
  }
  env.Stop();
  const std::string log = env.LogText();
  EXPECT_NE(log.find("[s][Main] event s"), std::string::npos) << log;
  EXPECT_NE(log.find("[X][Main] event X"), std::string::npos) << log;
}

TEST_F(EventLog, SwitchesDecideWhereEventsGo) {
  // Log off, boxes on: no log writer, boxes appear, WriteErrorLog reports its failure.
  env.Profile().WriteProfileInt("Jukebox", "ErrorLog", 0);
  ASSERT_TRUE(env.Start());
  EXPECT_FALSE(env.App()->WriteLogLine("I", "Main", "nowhere"));
  env.App()->LogEvent("E", "Main", "shown only");
  EXPECT_EQ(env.boxes.size(), 1u);
  env.Stop();
  EXPECT_EQ(env.LogText().find("shown only"), std::string::npos);

  // Log on, boxes off: written, never shown (start-up refusals included).
  env.Profile().WriteProfileInt("Jukebox", "ErrorLog", 1);
  env.Profile().WriteProfileInt("Jukebox", "ErrorMessageBox", 0);
  env.boxes.clear();
  env.NewApp();
  ASSERT_TRUE(env.Start());
  EXPECT_TRUE(env.App()->WriteLogLine("I", "Main", "written"));
  env.App()->LogEvent("S", "Main", "logged only");
  env.Stop();
  DeleteFile("D:\\Quaverhouse\\Quaverhouse.qhd");
  env.NewApp();
  EXPECT_FALSE(env.Start());
  EXPECT_TRUE(env.boxes.empty()) << BoxTexts(env.boxes);
  const std::string log = env.LogText();
  EXPECT_NE(log.find("[S][Main] logged only"), std::string::npos);
  EXPECT_NE(log.find("[S][Main] The Quaverhouse database file could not be found."), std::string::npos) << log;
}

TEST_F(EventLog, AnErrorLogPathThatIsAFileFallsBackToTheStartDirectory) {
  qh::testing::WriteHostFile(env.Sandbox().HostPath("D/notafolder"), "x");
  env.Profile().WriteProfileString("Jukebox", "ErrorLogPath", "D:\\notafolder");
  ASSERT_TRUE(env.Start());
  env.Stop();
  EXPECT_NE(env.LogText().find("is starting ;)"), std::string::npos);
}

}  // namespace
