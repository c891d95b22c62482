// Start-up in its order with each refusal, the main window's size from the desktop, the zone windows,
// and shut-down ending every zone player within its time.
#include <gtest/gtest.h>

#include "dblib/QHDb.h"
#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/MasterWindow.h"
#include "jukebox/app/tests/JukeboxTestSupport.h"
#include "platform/core/FileApi.h"
#include "platform/core/NamedMutex.h"
#include "platform/dao/DaoDatabase.h"

using namespace jukebox::test;

namespace {

class Startup : public ::testing::Test {
 protected:
  void SetUp() override { env.MakeDatabase(); }
  void Zones(std::initializer_list<const char*> devices) {
    int n = 1;
    for (const char* device : devices) {
      CString key;
      key.Format("Zone%d", n);
      env.Profile().WriteProfileString("Jukebox", key.GetString(), device);
      key.Format("ZoneDesc%d", n);
      CString description;
      description.Format("Room %d", n++);
      env.Profile().WriteProfileString("Jukebox", key.GetString(), description.GetString());
    }
  }
  // The one box with that icon whose text starts so, or a failure that lists the boxes seen.
  void ExpectBox(const std::string& start, UINT icon) {
    for (const auto& box : env.boxes)
      if (box.text.rfind(start, 0) == 0) {
        EXPECT_EQ(box.type & 0xF0u, icon) << box.text;
        return;
      }
    ADD_FAILURE() << "no box beginning \"" << start << "\"; boxes:\n" << BoxTexts(env.boxes);
  }
  JukeboxEnvironment env;
};

TEST_F(Startup, StartsWithTheMainWindowAndOneVisibleZoneAndLogsThrough) {
  Zones({"Default DirectSound Device", "__XS:192.168.1.37"});
  ASSERT_TRUE(env.Start()) << BoxTexts(env.boxes);
  TestJukeboxApp& app = *env.App();
  EXPECT_EQ(app.GetDeviceId(), 12);  // "12abc"
  CMasterWindow* master = app.GetMainWindow();
  ASSERT_NE(master, nullptr);
  EXPECT_EQ(AfxGetMainWnd(), master);
  RECT window;
  master->GetWindowRect(&window);
  EXPECT_EQ(window.right - window.left, 1024);
  EXPECT_EQ(window.bottom - window.top, 600);
  CString title;
  master->GetWindowText(title);
  EXPECT_EQ(title, "Quaverhouse Jukebox");

  ASSERT_EQ(env.kit.zones.size(), 2u);
  RecordingZone* first = env.kit.zones[0];
  RecordingZone* second = env.kit.zones[1];
  EXPECT_EQ(first->streamNumber, 0);
  EXPECT_EQ(first->description, "Room 1");
  EXPECT_FALSE(first->exstreamer);
  EXPECT_TRUE(second->exstreamer);
  CString caption;
  second->GetWindowText(caption);
  EXPECT_EQ(caption, "Zone 2 [__XS:192.168.1.37]");
  EXPECT_TRUE(first->IsWindowVisible() && first->IsWindowEnabled());
  EXPECT_FALSE(second->IsWindowVisible() || second->IsWindowEnabled());
  EXPECT_EQ(first->GetParent(), master);
  RECT zoneRect, placed;
  master->GetZoneRect(&zoneRect);
  first->GetWindowRect(&placed);
  master->ScreenToClient(&placed);
  EXPECT_EQ(placed.left, zoneRect.left);
  EXPECT_EQ(placed.bottom, zoneRect.bottom);
  EXPECT_TRUE(env.boxes.empty()) << BoxTexts(env.boxes);

  env.Stop();
  const std::string log = env.LogText();
  EXPECT_NE(log.find("[I][Main] Quaverhouse Multi-Zone Jukebox Version 4.0.0 is starting ;)"), std::string::npos) << log;
  EXPECT_NE(log.find("[I][Main] Built on "), std::string::npos);
  EXPECT_NE(log.find("[I][Main] Copyright (C) 2026 Tallowmere"), std::string::npos);
  EXPECT_NE(log.find("[I][Main] Quaverhouse Jukebox is shutting down :("), std::string::npos);
  EXPECT_TRUE(env.kit.zones.empty());  // every zone window object deleted
}

TEST_F(Startup, ASecondInstanceIsRefusedAndTheFirstKeepsTheName) {
  HANDLE first = CreateMutex(nullptr, TRUE, "QuaverhouseGlobalMutex");
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(GetLastError(), 0u);
  EXPECT_FALSE(env.Start());
  ExpectBox("Another Quaverhouse program is running.", MB_ICONHAND);
  EXPECT_EQ(env.App()->GetMainWindow(), nullptr);
  EXPECT_TRUE(env.kit.zones.empty());
  // The refused instance released nothing of the first one's.
  HANDLE third = CreateMutex(nullptr, TRUE, "QuaverhouseGlobalMutex");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  CloseHandle(third);
  ReleaseMutex(first);
  CloseHandle(first);
  EXPECT_NE(env.LogText().find("[S][Main] Another Quaverhouse program is running."), std::string::npos);
}

struct DatabaseCase {
  const char* name;
  std::function<void(JukeboxEnvironment&)> arrange;
  const char* message;
  UINT icon;
};

class StartupDatabase : public Startup, public ::testing::WithParamInterface<DatabaseCase> {};

TEST_P(StartupDatabase, RefusesWithItsMessage) {
  GetParam().arrange(env);
  EXPECT_FALSE(env.Start());
  ExpectBox(GetParam().message, GetParam().icon);
  EXPECT_EQ(env.App()->GetMainWindow(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartupDatabase,
    ::testing::Values(
        DatabaseCase{"NoFolderSetting", [](JukeboxEnvironment& e) { e.Profile().WriteProfileString("", "SongDbPath", nullptr); },
                     "The Quaverhouse database folder was not found. Please set the  location", MB_ICONEXCLAMATION},
        DatabaseCase{"MissingFile", [](JukeboxEnvironment&) { DeleteFile("D:\\Quaverhouse\\Quaverhouse.qhd"); },
                     "The Quaverhouse database file could not be found.", MB_ICONHAND},
        DatabaseCase{"OtherVersion",
                     [](JukeboxEnvironment&) {
                       tQHDb db;
                       ASSERT_TRUE(db.Open("D:\\Quaverhouse\\Quaverhouse.qhd", TRUE, FALSE));
                       db.GetDatabase()->Execute(
                           "Update QuavParms Set ParmValue = '3.9' Where ParmName = 'DatabaseVersion'");
                       db.Close();
                     },
                     "Could not initialize the database. Error message: ", MB_ICONHAND},
        DatabaseCase{"DamagedFile",
                     [](JukeboxEnvironment& e) {
                       qh::testing::WriteHostFile(e.Sandbox().HostPath("D/Quaverhouse/Quaverhouse.qhd"),
                                                  std::string(4096, 'x'));
                     },
                     "The Quaverhouse database file is corrupted.", MB_ICONHAND},
        DatabaseCase{"NoBrowserComponent", [](JukeboxEnvironment&) { unsetenv("QH_LIBRARY_PATH"); },
                     "Version 4.0 or above of the Microsoft Internet Explorer browser", MB_ICONHAND}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Startup, DuplicateVolumeSerialsAreReportedAndStartUpGoesOn) {
  {
    tQHDb db;
    ASSERT_TRUE(db.Open("D:\\Quaverhouse\\Quaverhouse.qhd", TRUE, FALSE));
    // The database folder's own volume registered once more.
    ASSERT_EQ(db.SaveVolume(static_cast<LONG>(kMusicSerial), "D", "MUSIC", "Quaverhouse", 0, 0), 0);
    db.Close();
  }
  EXPECT_TRUE(env.Start());
  ExpectBox("Duplicate Volume Serial numbers have been found", MB_ICONHAND);
}

struct DesktopCase {
  int width, height, tv;
  bool starts;
  int windowWidth;
};

class StartupDesktop : public Startup, public ::testing::WithParamInterface<DesktopCase> {};

TEST_P(StartupDesktop, ChecksTheSizeAndSizesTheWindow) {
  const DesktopCase& c = GetParam();
  env.Profile().WriteProfileInt("Jukebox", "TVOutput", c.tv);
  env.NewApp().desktop = RECT{0, 0, c.width, c.height};
  EXPECT_EQ(env.Start(), c.starts ? TRUE : FALSE) << BoxTexts(env.boxes);
  if (!c.starts) {
    ExpectBox("Quaverhouse needs a screen resolution of at least 800 X 600 to run.", MB_ICONEXCLAMATION);
    return;
  }
  RECT window;
  env.App()->GetMainWindow()->GetWindowRect(&window);
  EXPECT_EQ(window.right - window.left, c.windowWidth);
  EXPECT_EQ(window.bottom - window.top, 600);
}

INSTANTIATE_TEST_SUITE_P(Sizes, StartupDesktop,
                         ::testing::Values(DesktopCase{800, 600, 0, true, 800}, DesktopCase{799, 600, 0, false, 0},
                                           DesktopCase{800, 599, 0, false, 0}, DesktopCase{1280, 1024, 0, true, 1024},
                                           DesktopCase{900, 700, 0, true, 900}, DesktopCase{1280, 1024, 5, true, 800}));

TEST_F(Startup, TheZoneWindowsOfATvRunUseTheTvClasses) {
  env.Profile().WriteProfileInt("Jukebox", "TVOutput", 5);
  Zones({"Default DirectSound Device", "__XS:", "__xs:10.0.0.2"});
  ASSERT_TRUE(env.Start());
  ASSERT_EQ(env.kit.zones.size(), 3u);
  for (RecordingZone* zone : env.kit.zones) {
    EXPECT_TRUE(zone->tv);
    EXPECT_FALSE(zone->exstreamer) << zone->device.GetString();  // exactly "__XS:" or lower case: local
  }
  EXPECT_EQ(env.App()->GetTVOutput(), 1);
}

TEST_F(Startup, AMissingZoneBuildStartsWithoutZonesAndSaysSo) {
  env.kit.missing = "the zone windows are not part of this build";
  ASSERT_TRUE(env.Start());
  EXPECT_TRUE(env.kit.zones.empty());
  EXPECT_NE(env.App()->GetMainWindow()->GetStatusText().Find("zone windows are not part of this build"), -1);
  ExpectBox("Zone windows not created: the zone windows are not part of this build", MB_ICONQUESTION);
}

TEST_F(Startup, AZoneWhoseEngineIsMissingIsLeftOutAndTheOthersStart) {
  Zones({"__XS:192.168.1.37", "Default DirectSound Device"});
  env.kit.noBoxZones = true;
  ASSERT_TRUE(env.Start());
  ASSERT_EQ(env.kit.zones.size(), 1u);
  EXPECT_EQ(env.kit.zones[0]->streamNumber, 1);
  EXPECT_EQ(env.App()->GetZoneWindow(0), nullptr);
  ExpectBox("Zone 1 [__XS:192.168.1.37] not created: the engine for this kind of zone is not part of this build.",
            MB_ICONQUESTION);
  env.App()->GetMainWindow()->SelectZone(1);
  EXPECT_TRUE(env.kit.zones[0]->IsWindowVisible());
}

TEST_F(Startup, ShutDownWaitsForEveryPlayerThenEndsTheProgram) {
  Zones({"Default DirectSound Device", "Default DirectSound Device"});
  ASSERT_TRUE(env.Start());
  CMasterWindow* master = env.App()->GetMainWindow();
  HWND window = master->GetSafeHwnd();
  env.answer = [](const qh::ui::MessageBoxRequest& box) { return box.text.rfind("Do you really want", 0) == 0 ? IDNO : IDOK; };
  master->PostMessage(jukebox::kMsgQuitRequest);
  Pump(200);
  EXPECT_TRUE(::IsWindow(window));  // No: nothing happens
  EXPECT_EQ(env.kit.shutdowns, 0);
  ASSERT_EQ(env.boxes.size(), 1u);
  EXPECT_EQ(env.boxes[0].defaultButton, IDNO);

  env.answer = [](const qh::ui::MessageBoxRequest&) { return IDYES; };
  master->SendMessage(WM_CLOSE);  // the system menu's close asks the same
  Pump(2000, [&] { return !::IsWindow(window); });
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(env.kit.shutdowns, 2);
}

TEST_F(Startup, ShutDownEndsWithinItsTimeWhenAPlayerNeverAnswers) {
  Zones({"Default DirectSound Device"});
  env.kit.answerShutdown = false;
  ASSERT_TRUE(env.Start());
  CMasterWindow* master = env.App()->GetMainWindow();
  HWND window = master->GetSafeHwnd();
  const auto begin = std::chrono::steady_clock::now();
  master->ShutdownServer();
  Pump(15000, [&] { return !::IsWindow(window); });
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_GE(seconds, 9.5);
  EXPECT_LT(seconds, 12.0);
}

}  // namespace
