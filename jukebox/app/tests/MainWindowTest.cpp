// The main window's commands, zone selection and keyboard map.
#include <gtest/gtest.h>

#include <utility>

#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/MainWindowDialogs.h"
#include "jukebox/app/MasterWindow.h"
#include "jukebox/app/tests/JukeboxTestSupport.h"
#include "platform/ui/Input.h"
#include "platform/ui/Menu.h"

using namespace jukebox;
using namespace jukebox::test;

namespace {

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    env.MakeDatabase();
    const char* devices[] = {"Card A", "Card B", "Card C"};
    for (int n = 1; n <= 3; ++n) {
      CString key;
      key.Format("Zone%d", n);
      env.Profile().WriteProfileString("Jukebox", key.GetString(), devices[n - 1]);
    }
    ASSERT_TRUE(env.Start()) << BoxTexts(env.boxes);
    master = env.App()->GetMainWindow();
    // Start-up shows the first zone two seconds after the window opens; on a loaded machine that
    // would land in the middle of a test, so it is done before any key is typed.
    master->SendMessage(WM_TIMER, kTimerFirstZone, 0);
    Pump(50);
  }
  void Key(UINT key, HWND target = nullptr) {
    ::PostMessage(target ? target : master->GetSafeHwnd(), WM_KEYDOWN, key, 0);
    Pump(50);
  }
  RecordingZone& Zone(int i) { return *env.kit.zones[static_cast<size_t>(i)]; }

  JukeboxEnvironment env;
  CMasterWindow* master = nullptr;
};

TEST_F(MainWindow, KeysBecomeZoneCommandsOfTheCurrentZone) {
  const std::pair<UINT, UINT> cases[] = {{VK_RETURN, kZonePlaySelected}, {VK_SPACE, kZonePlayPause}, {VK_END, kZoneNext},
                                         {VK_HOME, kZoneRewind},         {'A', kZoneArtist},          {'D', kZoneVolumeDown},
                                         {'F', kZoneShuffle},            {'G', kZoneGenre},           {'L', kZoneAlbum},
                                         {'M', kZoneMute},               {'P', kZonePlaylist},        {'S', kZoneSearch},
                                         {'T', kZoneRepeat},             {'U', kZoneVolumeUp},        {'X', kZoneStop},
                                         {VK_UP, kZoneListMove},         {VK_DOWN, kZoneListMove}};
  for (auto [key, command] : cases) {
    Zone(0).commands.clear();
    Key(key, Zone(0).GetSafeHwnd());  // typed while the zone window has the focus
    EXPECT_EQ(Zone(0).commands, std::vector<UINT>{command}) << "key " << key;
  }
  EXPECT_TRUE(Zone(1).commands.empty());
}

TEST_F(MainWindow, FunctionKeysSelectExistingZonesOnly) {
  Key(VK_F1 + 1);
  EXPECT_EQ(master->GetCurrentZone(), 1);
  EXPECT_TRUE(Zone(1).IsWindowVisible());
  EXPECT_FALSE(Zone(0).IsWindowVisible());
  EXPECT_EQ(master->GetZoneButton(1).GetState(), 1);
  EXPECT_EQ(master->GetZoneButton(0).GetState(), 0);
  Key(VK_F1 + 3);  // zone 4 does not exist: consumed, nothing changes
  EXPECT_EQ(master->GetCurrentZone(), 1);
  Key('A');
  EXPECT_EQ(Zone(1).commands, std::vector<UINT>{kZoneArtist});
}

TEST_F(MainWindow, ZoneCommandsOutsideTheZonesOrWithANotificationAreIgnored) {
  master->SendMessage(WM_COMMAND, kCmdFirstZone + 3, 0);
  EXPECT_EQ(master->GetCurrentZone(), 0);
  master->SendMessage(WM_COMMAND, MAKEWPARAM(kCmdFirstZone + 2, 1), 0);
  EXPECT_EQ(master->GetCurrentZone(), 0);
  master->SendMessage(WM_COMMAND, kCmdFirstZone + 2, 0);
  EXPECT_EQ(master->GetCurrentZone(), 2);
  EXPECT_FALSE(master->GetZoneButton(3).IsWindowEnabled());
}

TEST_F(MainWindow, ShiftQAsksTheQuitQuestion) {
  env.boxes.clear();
  Key('Q');
  ASSERT_EQ(env.boxes.size(), 1u) << BoxTexts(env.boxes);
  EXPECT_EQ(env.boxes[0].text.rfind("Do you really want to quit this program?", 0), 0u);
  EXPECT_TRUE(::IsWindow(master->GetSafeHwnd()));  // the default answer is No
}

// The TV look has no quit button: the staff open the window's system menu with Alt+Space and choose
// Close, which asks the quit question; No leaves the jukebox running, Yes ends it.
TEST(TvLook, CloseOnTheSystemMenuAsksTheQuitQuestionAndYesEndsTheJukebox) {
  JukeboxEnvironment env;
  env.MakeDatabase();
  env.Profile().WriteProfileString("Jukebox", "Zone1", "Card A");
  env.Profile().WriteProfileInt("Jukebox", "TVOutput", 1);
  ASSERT_TRUE(env.Start()) << BoxTexts(env.boxes);
  CMasterWindow* master = env.App()->GetMainWindow();
  ASSERT_NE(master, nullptr);
  const HWND masterWindow = master->GetSafeHwnd();
  env.kit.zones.at(0)->SetFocus();
  std::vector<qh::ui::MenuRequest> menus;
  qh::ui::SetMenuAnswerer([&](const qh::ui::MenuRequest& menu) -> UINT {
    menus.push_back(menu);
    return SC_CLOSE;
  });
  struct Restore {
    ~Restore() { qh::ui::SetMenuAnswerer(nullptr); }
  } restore;
  auto closeFromTheSystemMenu = [&] {
    qh::ui::InjectKey(VK_MENU, true);
    qh::ui::InjectKey(VK_SPACE, true);
    qh::ui::InjectKey(VK_SPACE, false);
    qh::ui::InjectKey(VK_MENU, false);
  };

  env.boxes.clear();
  env.answer = [](const qh::ui::MessageBoxRequest&) { return IDNO; };
  closeFromTheSystemMenu();
  Pump(2000, [&] { return !env.boxes.empty(); });
  ASSERT_EQ(menus.size(), 1u) << "Alt+Space opened no system menu";
  EXPECT_EQ(menus[0].owner, masterWindow);
  std::vector<std::string> commands;
  for (const qh::ui::MenuItemView& item : menus[0].items)
    if (item.id != 0 && !(item.state & MF_GRAYED)) commands.push_back(item.text);
  EXPECT_EQ(commands, (std::vector<std::string>{"Mi&nimize", "&Close"}));
  ASSERT_EQ(env.boxes.size(), 1u) << BoxTexts(env.boxes);
  EXPECT_EQ(env.boxes[0].text.rfind("Do you really want to quit this program?", 0), 0u);
  Pump(200);
  EXPECT_TRUE(::IsWindow(masterWindow)) << "No leaves the jukebox running";
  EXPECT_TRUE(env.kit.zones.at(0)->commands.empty()) << "the space reached the zone";

  env.answer = [](const qh::ui::MessageBoxRequest&) { return IDYES; };
  closeFromTheSystemMenu();
  Pump(8000, [&] { return !::IsWindow(masterWindow); });
  EXPECT_EQ(menus.size(), 2u);
  EXPECT_EQ(env.boxes.size(), 2u) << BoxTexts(env.boxes);
  EXPECT_FALSE(::IsWindow(masterWindow)) << "Yes ends the jukebox";
}

TEST_F(MainWindow, TheAudioMatrixAssignmentEnablesLocalZoneButtons) {
  Zone(1).stateMap = {};
  Zone(2).stateMap = {3};
  env.App()->PullZoneMaps();
  std::set<LONG> sources;
  env.App()->GetZoneMap(2, sources);
  EXPECT_EQ(sources, std::set<LONG>{3});
  env.App()->PushZoneMaps();
  EXPECT_FALSE(master->GetZoneButton(1).IsWindowEnabled());
  EXPECT_TRUE(master->GetZoneButton(2).IsWindowEnabled());
  master->SelectZone(1);  // a disabled zone is not selected
  EXPECT_EQ(master->GetCurrentZone(), 0);
}

TEST_F(MainWindow, ResizingLaysOutAgainAndMovesTheZones) {
  master->MoveWindow(0, 0, 1024, 768, TRUE);
  Pump(50);
  RECT zoneRect, placed;
  master->GetZoneRect(&zoneRect);
  Zone(0).GetWindowRect(&placed);
  master->ScreenToClient(&placed);
  EXPECT_EQ(placed.bottom, zoneRect.bottom);
  RECT client;
  master->GetClientRect(&client);
  EXPECT_EQ(zoneRect.bottom, client.bottom - 21);  // the bottom bar stays 21 pixels high
  master->SendMessage(WM_COMMAND, kCmdMinimise, 0);
  EXPECT_TRUE(master->IsIconic());
  master->ShowWindow(SW_RESTORE);
  EXPECT_FALSE(master->IsIconic());
}

TEST_F(MainWindow, TheSongBeingPlayedIsKnownThroughTheZones) {
  Zone(2).currentSong = 41;
  EXPECT_TRUE(env.App()->IsSongPlaying(41));
  EXPECT_FALSE(env.App()->IsSongPlaying(42));
}

}  // namespace

namespace {

struct StartupWriteCase {
  const char* name;
  bool changed;
  int writeResult;
  int writes;             // how often the writer is called
  bool errorBox;          // "Error writing Startup XML File" shown before the restart note
};

class OptionsStartupWrite : public MainWindow, public ::testing::WithParamInterface<StartupWriteCase> {};

TEST_P(OptionsStartupWrite, TheStartupListIsWrittenOnlyWhenChangedAndAFailureIsShown) {
  int writes = 0;
  const StartupWriteCase c = GetParam();
  const auto saved = std::exchange(MainWindowDialogs().optionsSheet, [&](CWnd*, JukeboxOptions& options) -> INT_PTR {
    options.startupListChanged = c.changed;
    options.writeStartupList = [&]() {
      ++writes;
      return c.writeResult;
    };
    return IDOK;
  });
  env.boxes.clear();
  master->OnOptions();
  MainWindowDialogs().optionsSheet = saved;
  EXPECT_EQ(writes, c.writes);
  ASSERT_EQ(env.boxes.size(), c.errorBox ? 2u : 1u) << BoxTexts(env.boxes);
  if (c.errorBox) {
    EXPECT_EQ(env.boxes[0].text, "Error writing Startup XML File");
    EXPECT_EQ(env.boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
  }
  EXPECT_EQ(env.boxes.back().text, LoadText(IDS_RESTART_NOTE).str());
}

INSTANTIATE_TEST_SUITE_P(Cases, OptionsStartupWrite,
                         ::testing::Values(StartupWriteCase{"Unchanged", false, 1, 0, false},
                                           StartupWriteCase{"Written", true, 0, 1, false},
                                           StartupWriteCase{"NotWritten", true, 1, 1, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
