// The jukebox as a venue starts it: the real main window with the real zone windows (the local engine on
// the null sound device), over a small library made as the demo makes its own (songs from sox and lame,
// imported by the demo's library builder), and the quit command ending every zone player.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/MasterWindow.h"
#include "jukebox/app/dialogs/AboutDlg.h"
#include "jukebox/app/dialogs/JukeboxZoneDialogs.h"
#include "jukebox/app/tests/JukeboxTestSupport.h"
#include "jukebox/zones/ZoneWnd.h"
#include "platform/core/FileApi.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Input.h"
#include "platform/ui/gdi/BitmapResources.h"

using namespace jukebox;
using namespace jukebox::test;

namespace {

struct LibrarySong {
  const char* file;
  const char* title;
  const char* artist;
};

const LibrarySong kLibrary[] = {
    {"song01.mp3", "Morning Tide", "Hollow Pines"},
    {"song02.mp3", "Copper Lanterns", "Mabel Rook"},
    {"song03.mp3", "Slow Harbour", "Hollow Pines"},
    {"song04.mp3", "Paper Boats", "Mabel Rook"},
};

class RealZonesStartup : public ::testing::Test {
 protected:
  void SetUp() override {
    // The build's own zone windows, not the recording ones the environment installs.
    SetZoneWindowKit(nullptr);
    // The skin and the dialog templates, as the program loads them from beside itself.
    qh::gdi::AddBitmapFolder(QH_TEST_SOURCE_DIR "/resources/jukebox/bitmaps");
    std::string error;
    ASSERT_TRUE(qh::ui::LoadDialogTemplateFolder(QH_TEST_SOURCE_DIR "/resources/jukebox/dialogs", &error)) << error;
    setenv("QH_SOUND", "none", 1);
    ASSERT_TRUE(CreateDirectory("D:\\Incoming", nullptr));
    for (const LibrarySong& song : kLibrary)
      MakeSong(env.Sandbox().HostPath(std::string("D/Incoming/") + song.file), song.title, song.artist, 1.5);
    const std::string command = std::string("'") + QH_TEST_BIN_DIR +
                                "/qh_make_demo_library' 'D:\\Quaverhouse' 'D:\\Incoming' Bar Terrace > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    // The builder names the platform's default device; here both zones play on the null device.
    for (const char* key : {"Zone1", "Zone2"})
      env.Profile().WriteProfileString("Jukebox", key, "Null Audio Device");
  }
  void TearDown() override { unsetenv("QH_SOUND"); }

  static std::vector<std::string> ListLines(CZoneWnd& zone) {
    std::vector<std::string> lines;
    CSkinListBox& list = zone.GetLook().SongList();
    for (int i = 0; i < list.GetCount(); ++i) {
      CString text;
      list.GetText(i, text);
      lines.push_back(text.str());
    }
    return lines;
  }

  JukeboxEnvironment env;
};

TEST_F(RealZonesStartup, EachZoneWindowShowsItsSongsAndQuitEndsEveryPlayer) {
  ASSERT_TRUE(env.Start()) << BoxTexts(env.boxes);
  CMasterWindow* master = env.App()->GetMainWindow();
  ASSERT_NE(master, nullptr);
  ASSERT_EQ(env.App()->GetZoneCount(), 2);
  EXPECT_TRUE(env.kit.zones.empty()) << "the recording zone windows were used";

  struct Expected {
    const char* name;
    const char* artist;
    std::vector<std::string> lines;
  };
  const Expected expected[] = {
      {"Bar", "Hollow Pines", {"01: Morning Tide (Hollow Pines)", "02: Slow Harbour (Hollow Pines)"}},
      {"Terrace", "Mabel Rook", {"01: Copper Lanterns (Mabel Rook)", "02: Paper Boats (Mabel Rook)"}},
  };
  std::vector<HWND> zoneWindows;
  for (int i = 0; i < 2; ++i) {
    auto* zone = dynamic_cast<CZoneWnd*>(env.App()->GetZoneWindow(i));
    ASSERT_NE(zone, nullptr) << "zone " << i + 1 << " is not a local zone window";
    ASSERT_TRUE(::IsWindow(zone->GetSafeHwnd()));
    EXPECT_EQ(zone->GetParent(), master);
    EXPECT_EQ(zone->GetStreamNumber(), i);
    EXPECT_EQ(zone->GetStreamName(), expected[i].name);
    zoneWindows.push_back(zone->GetSafeHwnd());

    master->SelectZone(i);
    EXPECT_TRUE(zone->IsWindowVisible());
    // Choosing an artist loads the queue, lists it and plays its first song on the zone's device.
    ASSERT_EQ(zone->LoadByArtist(expected[i].artist, false), 0);
    Pump(10000, [&] { return !zone->IsLoading() && ListLines(*zone).size() == expected[i].lines.size(); });
    EXPECT_EQ(ListLines(*zone), expected[i].lines);
    EXPECT_EQ(zone->GetState(), PLAYER_PLAYING) << "zone " << i + 1;
  }

  // Quit as the guest does: the question, then every player shuts down and the main window goes,
  // well before the fallback that ends a shut-down whose players never answered.
  env.answer = [](const qh::ui::MessageBoxRequest&) { return IDYES; };
  const HWND masterWindow = master->GetSafeHwnd();
  master->SendMessage(WM_COMMAND, kCmdQuit, 0);
  Pump(8000, [&] { return !::IsWindow(masterWindow); });
  EXPECT_FALSE(::IsWindow(masterWindow)) << BoxTexts(env.boxes);
  for (HWND zone : zoneWindows) EXPECT_FALSE(::IsWindow(zone));
  ASSERT_EQ(env.boxes.size(), 1u) << BoxTexts(env.boxes);
  EXPECT_EQ(env.boxes[0].text.rfind("Do you really want to quit this program?", 0), 0u);

  env.Stop();
  const std::string log = env.LogText();
  EXPECT_NE(log.find("[I][Main] Quaverhouse Jukebox is shutting down :("), std::string::npos) << log;
  EXPECT_EQ(log.find("[E]"), std::string::npos) << log;
}

// The program's own about box: a double-click on a zone's logo opens dialog 515 with the program's
// version and legal lines, and its Close button ends it.
TEST_F(RealZonesStartup, ADoubleClickOnTheLogoOpensTheAboutBox) {
  InstallJukeboxZoneDialogs();
  ASSERT_TRUE(env.Start()) << BoxTexts(env.boxes);
  auto* zone = dynamic_cast<CZoneWnd*>(env.App()->GetZoneWindow(0));
  ASSERT_NE(zone, nullptr);
  env.App()->GetMainWindow()->SelectZone(0);
  struct Shown {
    UINT templateId = 0;
    std::string caption, version, legal;
    bool closedByItsButton = false;
  } shown;
  qh::ui::SetDialogAnswerer([&](CWnd& window) {
    auto* dialog = dynamic_cast<CDialog*>(&window);
    if (dialog == nullptr) return;
    shown.templateId = dialog->m_nTemplateId;
    CString text;
    dialog->GetWindowText(text);
    shown.caption = text.str();
    dialog->GetDlgItemText(CJukeboxAboutDlg::kVersion, text);
    shown.version = text.str();
    dialog->GetDlgItemText(CJukeboxAboutDlg::kLegal, text);
    shown.legal = text.str();
    dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                        reinterpret_cast<LPARAM>(dialog->GetDlgItem(IDOK)->GetSafeHwnd()));
    shown.closedByItsButton = !dialog->ContinueModal();
  });
  const CRect logo = zone->GetLook().LogoArea();
  ASSERT_FALSE(logo.IsRectEmpty());
  for (int click = 0; click < 2; ++click) {
    qh::ui::InjectMouseAt(zone->GetSafeHwnd(), WM_LBUTTONDOWN, logo.left + 30, logo.top + 4);
    qh::ui::InjectMouseAt(zone->GetSafeHwnd(), WM_LBUTTONUP, logo.left + 30, logo.top + 4);
  }
  Pump(10000, [&] { return shown.templateId != 0; });
  qh::ui::SetDialogAnswerer(nullptr);
  EXPECT_EQ(shown.templateId, CJukeboxAboutDlg::IDD);
  EXPECT_EQ(shown.caption, "About Quaverhouse");
  EXPECT_EQ(shown.version.rfind("Quaverhouse Jukebox " + env.App()->GetVersionText().str(), 0), 0u) << shown.version;
  EXPECT_FALSE(env.App()->GetVersionText().IsEmpty());
  EXPECT_EQ(shown.legal, env.App()->GetLegalText().str());
  EXPECT_TRUE(shown.closedByItsButton);
  const std::string log = env.LogText();
  EXPECT_EQ(log.find("is not available in this build"), std::string::npos) << log;
  env.Stop();
}

}  // namespace
