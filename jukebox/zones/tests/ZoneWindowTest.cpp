// The normal zone window over a scripted engine, driven by injected mouse and keys as a guest would.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>

#include "dblib/Song.h"
#include "jukebox/zones/NewPlaylistDlg.h"
#include "jukebox/zones/tests/ZoneTestSupport.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/gdi/Snapshot.h"

namespace jukebox::zone_testing {
namespace {

class NormalZone : public ZoneFixture<CZoneLook> {
 protected:
  void SetUp() override { MakeZone(CRect(0, 0, 800, 600), ZoneLookOptions{}); }
  // The injected input and the messages it posts have all been handled.
  void Settle() { ASSERT_TRUE(player_testing::SettlePostedMessages()); }
  CRect ButtonRect(UINT id) { return ChildRect(look().Button(id)->GetSafeHwnd()); }
  std::vector<std::string> ListLines() {
    std::vector<std::string> lines;
    for (int i = 0; i < look().SongList().GetCount(); ++i) {
      CString text;
      look().SongList().GetText(i, text);
      lines.push_back(text.str());
    }
    return lines;
  }
  void LoadArtist(const char* artist) {
    dialogs.choice = artist;
    zone->SendMessage(WM_COMMAND, ID_ZONE_ARTIST, 0);
    ASSERT_TRUE(PumpUntil([&] { return !zone->IsLoading(); }));
  }
};

TEST_F(NormalZone, ControlsSitWhereTheLayoutPutsThem) {
  // Zone 800 x 600 with the shipped skin: 412 (250 x 300) at the bottom-right corner.
  const int x412 = 550, y412 = 300;
  EXPECT_EQ(ButtonRect(ID_ZONE_PLAYLIST), CRect(x412 + 6, y412 + 116, x412 + 82, y412 + 154));
  EXPECT_EQ(ButtonRect(ID_ZONE_SEARCH), CRect(x412 + 6, y412 + 236, x412 + 82, y412 + 274));
  EXPECT_EQ(ButtonRect(ID_ZONE_SHUFFLE), CRect(x412 + 113, y412 + 105, x412 + 139, y412 + 131));
  EXPECT_EQ(ButtonRect(ID_ZONE_IMPORT), CRect(x412 + 171, y412 + 225, x412 + 232, y412 + 255));
  // The transport row starts at the right edge of 423 (120 x 40 at the panel's bottom-left).
  const UINT transport[] = {ID_ZONE_PLAY, ID_ZONE_PAUSE, ID_ZONE_STOP, ID_ZONE_REWIND, ID_ZONE_NEXT};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(ButtonRect(transport[i]), CRect(130 + 57 * i, 179, 187 + 57 * i, 219));
  EXPECT_EQ(ChildRect(look().Browser().GetSafeHwnd()), look().BrowserRect());
  EXPECT_EQ(look().BrowserRect(), CRect(514, 10, 734, 177));
  EXPECT_EQ(ChildRect(look().SongList().GetSafeHwnd()), look().SongListRect());
  EXPECT_EQ(look().SongListRect(), CRect(22, 236, 518, 566));
  // Thumbs: volume 50 halfway up its track, position 0 at the track's left end.
  EXPECT_EQ(ChildRect(look().VolumeThumb().GetSafeHwnd()), look().VolumeThumbRect());
  EXPECT_EQ(look().VolumeThumbRect().top, look().VolumeTrack().bottom - 50 - 6);
  EXPECT_EQ(look().PositionThumbRect().left, look().PositionTrack().left - 6);
}

TEST_F(NormalZone, EachChooserLoadsTheQueueAndTheList) {
  const LONG blue = AddSong("Blue", "Red", "Colours", "Jazz");
  AddSong("Green", "Red", "Colours", "Jazz");
  AddSong("Night", "Moon", "Dark", "Rock");
  ASSERT_EQ(1, db.AddSongToPlaylist("Evening", blue));
  struct Case {
    UINT command;
    const char* choice;
    const char* ran;
    std::vector<std::string> lines;
  } cases[] = {
      {ID_ZONE_ARTIST, "Red", "artist", {"01: Blue (Red)", "02: Green (Red)"}},
      {ID_ZONE_ALBUM, "Dark", "album", {"01: Night (Moon)"}},
      {ID_ZONE_GENRE, "Jazz", "genre", {"01: Blue (Red)", "02: Green (Red)"}},
      {ID_ZONE_PLAYLIST, "Evening", "playlist", {"01: Blue (Red)"}},
  };
  for (const Case& c : cases) {
    dialogs.ran.clear();
    dialogs.choice = c.choice;
    zone->SendMessage(WM_COMMAND, c.command, 0);
    ASSERT_TRUE(PumpUntil([&] { return !zone->IsLoading(); }));
    EXPECT_EQ(dialogs.ran, std::vector<std::string>{c.ran});
    EXPECT_EQ(ListLines(), c.lines) << c.ran;
    EXPECT_EQ(look().GetStatusText(), std::to_string(c.lines.size()) + " songs found.");
  }
  dialogs.criteria.song = "igh";
  zone->SendMessage(WM_COMMAND, ID_ZONE_SEARCH, 0);
  ASSERT_TRUE(PumpUntil([&] { return !zone->IsLoading(); }));
  EXPECT_EQ(ListLines(), std::vector<std::string>{"01: Night (Moon)"});
  // A cancelled chooser loads nothing.
  dialogs.result = IDCANCEL;
  dialogs.choice = "Red";
  zone->SendMessage(WM_COMMAND, ID_ZONE_ARTIST, 0);
  EXPECT_EQ(ListLines(), std::vector<std::string>{"01: Night (Moon)"});
}

TEST_F(NormalZone, DoubleClickOnALinePlaysThatSong) {
  AddSong("One", "Ann");
  const LONG two = AddSong("Two", "Ann");
  LoadArtist("Ann");
  zone->played.clear();
  CRect item;
  look().SongList().GetItemRect(1, &item);
  const HWND list = look().SongList().GetSafeHwnd();
  qh::ui::InjectMouseAt(list, WM_LBUTTONDOWN, 20, item.top + 4);
  qh::ui::InjectMouseAt(list, WM_LBUTTONUP, 20, item.top + 4);
  qh::ui::InjectMouseAt(list, WM_LBUTTONDOWN, 20, item.top + 4);
  qh::ui::InjectMouseAt(list, WM_LBUTTONUP, 20, item.top + 4);
  ASSERT_TRUE(PumpUntil([&] { return !zone->played.empty(); }));
  EXPECT_EQ(zone->played, std::vector<LONG>{two});
  EXPECT_EQ(zone->GetCurrentIndex(), 1);
  // A plain command 110 (no double click) does nothing.
  zone->SendMessage(WM_COMMAND, ID_ZONE_LIST, 0);
  EXPECT_EQ(zone->played.size(), 1u);
}

TEST_F(NormalZone, DraggingTheVolumeThumbSetsTheVolume) {
  const CRect thumb = look().VolumeThumbRect();
  const HWND z = zone->GetSafeHwnd();
  qh::ui::InjectMouseAt(z, WM_LBUTTONDOWN, thumb.left + 5, thumb.top);
  qh::ui::InjectMouseAt(z, WM_MOUSEMOVE, thumb.left + 5, thumb.top - 20, MK_LBUTTON);
  qh::ui::InjectMouseAt(z, WM_LBUTTONUP, thumb.left + 5, thumb.top - 20);
  Settle();
  // The thumb moved up by the reported offsets; the volume follows trunc((top - bottom + 5) / (-1.01)).
  const CRect& track = look().VolumeTrack();
  const int top = look().VolumeThumbRect().top;
  EXPECT_LT(top, thumb.top);
  EXPECT_EQ(zone->GetVolume(), static_cast<int>((top - track.bottom + 5) / ((track.top - track.bottom) * 0.01)));
  EXPECT_GT(zone->GetVolume(), 50);
  EXPECT_EQ(zone->GetSavedVolume(), -1);
}

TEST_F(NormalZone, ThePositionThumbSeeksOnlyOnRelease) {
  const CRect thumb = look().PositionThumbRect();
  const HWND z = zone->GetSafeHwnd();
  qh::ui::InjectMouseAt(z, WM_LBUTTONDOWN, thumb.left + 5, thumb.top + 5);
  qh::ui::InjectMouseAt(z, WM_MOUSEMOVE, thumb.left + 60, thumb.top + 5, MK_LBUTTON);
  Settle();
  EXPECT_TRUE(zone->seeks.empty());
  const int dragged = look().PositionThumbRect().left;
  EXPECT_GT(dragged, thumb.left);
  zone->UpdatePosition();  // a timer tick while dragging leaves the thumb alone
  EXPECT_EQ(look().PositionThumbRect().left, dragged);
  qh::ui::InjectMouseAt(z, WM_LBUTTONUP, thumb.left + 60, thumb.top + 5);
  ASSERT_TRUE(PumpUntil([&] { return !zone->seeks.empty(); }));
  const CRect& track = look().PositionTrack();
  const int left = look().PositionThumbRect().left;
  EXPECT_DOUBLE_EQ(zone->seeks.back(), (left - track.left + 6) / ((track.right - track.left) * 0.01));
}

TEST_F(NormalZone, DoubleClickInTheMuteAreaMutesAndRestores) {
  zone->SetVolume(40);
  const CRect mute = look().MuteArea();
  const HWND z = zone->GetSafeHwnd();
  for (int click = 0; click < 2; ++click) {
    qh::ui::InjectMouseAt(z, WM_LBUTTONDOWN, mute.left + 4, mute.bottom - 4);
    qh::ui::InjectMouseAt(z, WM_LBUTTONUP, mute.left + 4, mute.bottom - 4);
  }
  ASSERT_TRUE(PumpUntil([&] { return zone->GetVolume() == 0; }));
  EXPECT_EQ(zone->GetSavedVolume(), 40);
  for (int click = 0; click < 2; ++click) {
    qh::ui::InjectMouseAt(z, WM_LBUTTONDOWN, mute.left + 4, mute.bottom - 4);
    qh::ui::InjectMouseAt(z, WM_LBUTTONUP, mute.left + 4, mute.bottom - 4);
  }
  ASSERT_TRUE(PumpUntil([&] { return zone->GetVolume() == 40; }));
  // The logo area opens the about box with the version line and the legal text.
  const CRect logo = look().LogoArea();
  for (int click = 0; click < 2; ++click) {
    qh::ui::InjectMouseAt(z, WM_LBUTTONDOWN, logo.left + 30, logo.top + 4);
    qh::ui::InjectMouseAt(z, WM_LBUTTONUP, logo.left + 30, logo.top + 4);
  }
  ASSERT_TRUE(PumpUntil([&] { return !dialogs.ran.empty(); }));
  EXPECT_EQ(dialogs.ran, std::vector<std::string>{"about"});
  EXPECT_EQ(dialogs.aboutVersion.Left(26), "Quaverhouse Jukebox 4.0.0(");
  EXPECT_EQ(dialogs.aboutLegal, "Copyright (C) 2026 Tallowmere");
}

TEST_F(NormalZone, RightClickMenuCreatesAPlaylistWithTheSelectedSong) {
  const LONG one = AddSong("One", "Ann");
  AddSong("Two", "Ann");
  LoadArtist("Ann");
  std::vector<std::vector<std::string>> menus;
  POINT menuPoint{};
  qh::ui::SetMenuAnswerer([&](const qh::ui::MenuRequest& request) -> UINT {
    std::vector<std::string> items;
    for (const auto& item : request.items) items.push_back(item.state & MF_SEPARATOR ? "-" : item.text);
    menus.push_back(items);
    menuPoint = request.point;
    return ID_MENU_NEW_PLAYLIST;
  });
  qh::ui::SetDialogAnswerer([](CWnd& dialog) {
    ::SetFocus(::GetDlgItem(dialog.GetSafeHwnd(), IDC_PLAYLIST_NAME));
    qh::ui::InjectText("Late");
    qh::ui::InjectKey(VK_RETURN, true);
    qh::ui::InjectKey(VK_RETURN, false);
  });
  const HWND list = look().SongList().GetSafeHwnd();
  qh::ui::InjectMouseAt(list, WM_RBUTTONDOWN, 30, 5);
  qh::ui::InjectMouseAt(list, WM_RBUTTONUP, 30, 5);
  ASSERT_TRUE(PumpUntil([&] { return zone->GetCurrentPlaylistName() == "Late"; }));
  qh::ui::SetMenuAnswerer(nullptr);
  qh::ui::SetDialogAnswerer(nullptr);
  const std::vector<std::string> expected{"&Create New Playlist...", "&Add to Existing Playlist...", "&Edit Playlist...",
                                          "Edit &Song...", "-", "&Delete Song..."};
  ASSERT_EQ(menus.size(), 1u);
  EXPECT_EQ(menus[0], expected);
  // The menu opens at the selected line's top-left corner on the screen.
  CRect window;
  zone->GetWindowRect(&window);
  EXPECT_EQ(menuPoint.x, window.left + look().SongListRect().left);
  EXPECT_EQ(menuPoint.y, window.top + look().SongListRect().top);
  EXPECT_EQ(1, db.IsSongInPlaylist("Late", one));
  // Now the menu offers the current playlist; adding the song again changes nothing.
  qh::ui::SetMenuAnswerer([&](const qh::ui::MenuRequest& request) -> UINT {
    std::vector<std::string> items;
    for (const auto& item : request.items) items.push_back(item.state & MF_SEPARATOR ? "-" : item.text);
    menus.push_back(items);
    return ID_MENU_ADD_TO_CURRENT;
  });
  // Shift+F10 opens it too.
  ::SetFocus(list);
  qh::ui::InjectKeyOnly(VK_SHIFT, true);
  qh::ui::InjectKeyOnly(VK_F10, true);
  qh::ui::InjectKeyOnly(VK_F10, false);
  qh::ui::InjectKeyOnly(VK_SHIFT, false);
  ASSERT_TRUE(PumpUntil([&] { return menus.size() == 2; }));
  qh::ui::SetMenuAnswerer(nullptr);
  EXPECT_EQ(menus[1][3], "A&dd to Late");
  int count = 0;
  db.OpenPlaylistSongs("Late");
  LONG id = 0;
  SHORT sequence = 0;
  while (db.NextPlaylistSong(id, sequence) == 1) ++count;
  db.ClosePlaylistSongs();
  EXPECT_EQ(count, 1);
}

TEST_F(NormalZone, NoMenuWithoutASelectedLine) {
  int menus = 0;
  qh::ui::SetMenuAnswerer([&](const qh::ui::MenuRequest&) -> UINT { ++menus; return 0; });
  zone->SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(zone->GetSafeHwnd()), -1);
  qh::ui::SetMenuAnswerer(nullptr);
  EXPECT_EQ(menus, 0);
}

TEST_F(NormalZone, AddToExistingAndEditPlaylistUseTheChosenName) {
  const LONG one = AddSong("One", "Ann");
  ASSERT_EQ(1, db.AddSongToPlaylist("Morning", AddSong("Other", "Bo")));
  LoadArtist("Ann");
  dialogs.choice = "Morning";
  zone->SendMessage(WM_COMMAND, ID_MENU_ADD_TO_EXISTING, 0);
  EXPECT_EQ(1, db.IsSongInPlaylist("Morning", one));
  EXPECT_EQ(zone->GetCurrentPlaylistName(), "Morning");
  zone->SendMessage(WM_COMMAND, ID_MENU_EDIT_PLAYLIST, 0);
  EXPECT_EQ(dialogs.ran.back(), "edit-playlist Morning");
  EXPECT_EQ(dialogs.offeredPreset, "Morning");
}

TEST_F(NormalZone, TheSongMenuKeepsTheCurrentPlaylistAcrossOtherLoads) {
  const LONG one = AddSong("One", "Ann", "First", "Jazz");
  ASSERT_EQ(1, db.AddSongToPlaylist("Morning", AddSong("Other", "Bo")));
  LoadArtist("Ann");
  dialogs.choice = "Morning";
  zone->SendMessage(WM_COMMAND, ID_MENU_ADD_TO_EXISTING, 0);
  ASSERT_EQ(zone->GetCurrentPlaylistName(), "Morning");
  const struct {
    const char* name;
    std::function<int()> load;
  } loads[] = {
      {"genre", [&] { return zone->LoadByGenre("Jazz", false); }},
      {"artist", [&] { return zone->LoadByArtist("Ann", false); }},
      {"album", [&] { return zone->LoadByAlbumName("First"); }},
      {"search", [&] { return zone->LoadBySearch("One", "", "", "", ""); }},
  };
  for (const auto& load : loads) {
    ASSERT_EQ(0, load.load()) << load.name;
    ASSERT_TRUE(PumpUntil([&] { return !zone->IsLoading() && look().SongList().GetCount() == 1; })) << load.name;
    std::vector<std::string> items;
    qh::ui::SetMenuAnswerer([&](const qh::ui::MenuRequest& request) -> UINT {
      for (const auto& item : request.items) items.push_back(item.state & MF_SEPARATOR ? "-" : item.text);
      return 0;
    });
    const HWND list = look().SongList().GetSafeHwnd();
    qh::ui::InjectMouseAt(list, WM_RBUTTONDOWN, 30, 5);
    qh::ui::InjectMouseAt(list, WM_RBUTTONUP, 30, 5);
    PumpUntil([&] { return !items.empty(); });
    qh::ui::SetMenuAnswerer(nullptr);
    EXPECT_NE(std::find(items.begin(), items.end(), "A&dd to Morning"), items.end()) << "after the " << load.name << " load";
    EXPECT_EQ(zone->GetCurrentPlaylistName(), "Morning") << load.name;
  }
  EXPECT_EQ(1, db.IsSongInPlaylist("Morning", one));
}

class DeleteSong : public NormalZone {
 protected:
  void SetUp() override {
    NormalZone::SetUp();
    id = AddSong("Doomed", "Ann");
    LoadArtist("Ann");
    qh::ui::SetMessageBoxAnswerer([this](const qh::ui::MessageBoxRequest& box) {
      questions.push_back(box.text);
      return answer;
    });
  }
  void TearDown() override {
    qh::ui::SetMessageBoxAnswerer(nullptr);
    NormalZone::TearDown();
  }
  bool Exists() {
    tSong song;
    return song.Load(&db, storage.get(), id) == 0;
  }
  int Delete() {
    int index = 0;
    return look().OnDeleteSong(look().GetSelectedSong(index));
  }
  LONG id = 0;
  int answer = IDYES;
  std::vector<std::string> questions;
};

TEST_F(DeleteSong, APlayingSongIsRefusedAndUnlocked) {
  app.playingSongs.insert(id);
  EXPECT_EQ(Delete(), -2);
  EXPECT_TRUE(Exists());
  EXPECT_FALSE(app.IsSongLocked(id));
  EXPECT_EQ(app.CountLines("is currently playing on one of the jukebox streams"), 1);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0], "Are you sure you want to delete the song:\r\n[Doomed] (SongID " + std::to_string(id) +
                              ")?\r\n This action cannot be un-done.");
}

TEST_F(DeleteSong, ALockedSongIsRefused) {
  app.LockSong(id);
  EXPECT_EQ(Delete(), -1);
  EXPECT_TRUE(Exists());
  EXPECT_TRUE(app.IsSongLocked(id));  // still the other function's lock
  EXPECT_EQ(app.CountLines("is currently locked by another function"), 1);
}

TEST_F(DeleteSong, DecliningChangesNothing) {
  answer = IDNO;
  EXPECT_EQ(Delete(), -4);
  EXPECT_TRUE(Exists());
}

TEST_F(DeleteSong, AnIdleSongIsDeletedAndItsLineStays) {
  EXPECT_EQ(Delete(), 0);
  EXPECT_FALSE(Exists());
  EXPECT_FALSE(app.IsSongLocked(id));
  EXPECT_EQ(app.CountLines("was successfully deleted from the database"), 1);
  EXPECT_EQ(look().SongList().GetCount(), 1);
  // Through the menu command as well (the song is gone now, so the deletion fails and says so).
  zone->SendMessage(WM_COMMAND, ID_MENU_DELETE_SONG, 0);
  EXPECT_EQ(app.CountLines("could not be deleted from the database"), 1);
}

TEST_F(NormalZone, ButtonsAndKeysDriveTheEngine) {
  AddSong("One", "Ann");
  AddSong("Two", "Ann");
  LoadArtist("Ann");
  ASSERT_EQ(zone->GetState(), PLAYER_PLAYING);
  // Clicking the Pause button (a real click on the skin button).
  const CRect pause = ButtonRect(ID_ZONE_PAUSE);
  qh::ui::InjectMouseAt(zone->GetSafeHwnd(), WM_MOUSEMOVE, pause.CenterPoint().x, pause.CenterPoint().y);
  qh::ui::InjectMouseAt(zone->GetSafeHwnd(), WM_LBUTTONDOWN, pause.CenterPoint().x, pause.CenterPoint().y);
  qh::ui::InjectMouseAt(zone->GetSafeHwnd(), WM_LBUTTONUP, pause.CenterPoint().x, pause.CenterPoint().y);
  ASSERT_TRUE(PumpUntil([&] { return zone->GetState() == PLAYER_PAUSED; }));
  EXPECT_EQ(look().Button(ID_ZONE_PAUSE)->GetState(), 1);
  EXPECT_EQ(look().Button(ID_ZONE_PLAY)->GetState(), 0);
  zone->SendMessage(WM_COMMAND, ID_ZONE_PLAYPAUSE, 0);
  EXPECT_EQ(zone->GetState(), PLAYER_PLAYING);
  EXPECT_EQ(look().Button(ID_ZONE_PLAY)->GetState(), 1);
  zone->SendMessage(WM_COMMAND, ID_ZONE_SHUFFLE, 0);
  EXPECT_TRUE(zone->IsShuffle());
  EXPECT_EQ(look().Button(ID_ZONE_SHUFFLE)->GetState(), 1);
  zone->SendMessage(WM_COMMAND, ID_ZONE_SHUFFLE, 0);
  EXPECT_FALSE(zone->IsShuffle());
  zone->SetVolume(50);
  zone->SendMessage(WM_COMMAND, ID_ZONE_VOLUME_UP, 0);
  EXPECT_EQ(zone->GetVolume(), 52);
  zone->SendMessage(WM_COMMAND, ID_ZONE_VOLUME_DOWN, 0);
  zone->SendMessage(WM_COMMAND, ID_ZONE_VOLUME_DOWN, 0);
  EXPECT_EQ(zone->GetVolume(), 48);
  zone->SendMessage(WM_COMMAND, ID_ZONE_STOP, 0);
  EXPECT_EQ(zone->GetState(), PLAYER_STOPPED);
  EXPECT_FALSE(look().Button(ID_ZONE_PLAY)->IsWindowEnabled());
  // Play/pause does nothing when stopped.
  zone->SendMessage(WM_COMMAND, ID_ZONE_PLAYPAUSE, 0);
  EXPECT_EQ(zone->GetState(), PLAYER_STOPPED);
}

TEST_F(NormalZone, RequestsGoToTheMainWindow) {
  zone->SendMessage(WM_COMMAND, ID_ZONE_OPTIONS, 0);
  zone->SendMessage(WM_COMMAND, ID_ZONE_CD_RIP, 0);
  zone->SendMessage(WM_COMMAND, ID_ZONE_IMPORT, 0);
  Settle();
  EXPECT_EQ(mainWindow->Count(WM_ZONE_OPTIONS), 1);
  EXPECT_EQ(mainWindow->Count(WM_ZONE_CD_RIP), 1);
  EXPECT_EQ(mainWindow->Count(WM_ZONE_IMPORT), 1);
}

TEST_F(NormalZone, AStalledOutputAdvancesOnceAfterThreeSeconds) {
  AddSong("One", "Ann");
  AddSong("Two", "Ann");
  LoadArtist("Ann");
  zone->SetStateForTest(PLAYER_HW_PAUSED, std::time(nullptr) - 3);
  zone->SendMessage(WM_TIMER, kDisplayTimer, 0);
  EXPECT_FALSE(zone->IsAdvancePosted());
  zone->SetStateForTest(PLAYER_HW_PAUSED, std::time(nullptr) - 5);
  zone->SendMessage(WM_TIMER, kDisplayTimer, 0);
  EXPECT_TRUE(zone->IsAdvancePosted());
  zone->SendMessage(WM_TIMER, kDisplayTimer, 0);
  zone->played.clear();
  Settle();
  EXPECT_EQ(zone->played.size(), 1u);
}

TEST_F(NormalZone, LoadingTextAndSongLines) {
  zone->ShowLoadingText(0, 25, true);
  EXPECT_EQ(look().GetStatusText(), "Loading songs 1 to 25 please wait...");
  EXPECT_EQ(zone->MoveListSelection(0), -1);
}

TEST_F(NormalZone, TheHundredthLineKeepsItsThreeDigits) {
  for (int i = 0; i < 100; ++i) AddSong("S" + std::to_string(i), "Many");
  LoadArtist("Many");
  CString line;
  look().SongList().GetText(99, line);
  EXPECT_EQ(line.Left(5), "100: ");
  look().SongList().GetText(8, line);
  EXPECT_EQ(line.Left(4), "09: ");
  // Selection moves clamp at the ends.
  look().SongList().SetCurSel(2);
  EXPECT_EQ(zone->MoveListSelection(-10), 0);
  EXPECT_EQ(zone->MoveListSelection(500), 99);
}

}  // namespace
}  // namespace jukebox::zone_testing
