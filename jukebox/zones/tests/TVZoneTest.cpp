// The TV look: its layout table against the created windows, its commands and its painting.
#include <gtest/gtest.h>

#include "dblib/Song.h"
#include "jukebox/zones/tests/ZoneTestSupport.h"
#include "platform/ui/gdi/Snapshot.h"

namespace jukebox::zone_testing {
namespace {

class TVZone : public ZoneFixture<CTVZoneLook> {
 protected:
  void SetUp() override { MakeZone(CRect(0, 0, 800, 600), false); }
  CRect ButtonRect(UINT id) { return ChildRect(look().Button(id)->GetSafeHwnd()); }
  void LoadArtist(const char* artist) {
    dialogs.choice = artist;
    zone->SendMessage(WM_COMMAND, ID_ZONE_ARTIST, 0);
    ASSERT_TRUE(PumpUntil([&] { return !zone->IsLoading(); }));
  }
};

TEST_F(TVZone, TheLayoutTableHoldsForAnEightHundredPixelClient) {
  struct Span {
    const char* what;
    CRect actual;
    int left, right;
  } spans[] = {
      {"tile 1", look().TileRect(1), 0, 496},   {"tile 5", look().TileRect(5), 496, 641},
      {"tile 6", look().TileRect(6), 641, 668}, {"tile 7", look().TileRect(7), 668, 780},
      {"tile 9", look().TileRect(9), 791, 800}, {"volume up", ButtonRect(ID_ZONE_VOLUME_UP), 720, 791},
      {"mute", ButtonRect(ID_ZONE_MUTE), 720, 791},
  };
  for (const Span& s : spans) {
    EXPECT_EQ(s.actual.left, s.left) << s.what;
    EXPECT_EQ(s.actual.right, s.right) << s.what;
  }
  EXPECT_EQ(look().VolumeFigureArea(), CRect(720, 6, 781, 40));
  EXPECT_EQ(look().VolumeBar(), CRect(668, 7, 700, 205));
  EXPECT_EQ(look().PanelRect(), CRect(14, 50, 473, 173));
  EXPECT_EQ(look().TimeBox(), CRect(273, 143, 473, 173));
  const UINT transport[] = {ID_ZONE_PLAY, ID_ZONE_PAUSE, ID_ZONE_STOP, ID_ZONE_REWIND, ID_ZONE_NEXT};
  const int lefts[] = {26, 113, 200, 287, 374};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(ButtonRect(transport[i]), CRect(lefts[i], 185, lefts[i] + 80, 225)) << i;
  for (UINT id : {ID_ZONE_ARTIST, ID_ZONE_ALBUM, ID_ZONE_GENRE, ID_ZONE_PLAYLIST, ID_ZONE_SEARCH}) {
    EXPECT_EQ(ButtonRect(id).left, 686) << id;
    EXPECT_EQ(ButtonRect(id).right, 788) << id;
  }
  // Every control window stands where the layout put it.
  for (UINT id : {ID_ZONE_OPTIONS, ID_ZONE_PLUGINS, ID_ZONE_ADD_TO_EXISTING, ID_ZONE_SHUFFLE})
    EXPECT_EQ(ButtonRect(id), look().ButtonRect(id)) << id;
  EXPECT_EQ(ChildRect(look().SongList().GetSafeHwnd()), look().SongListRect());
  EXPECT_EQ(ChildRect(look().Browser().GetSafeHwnd()), look().BrowserRect());
  EXPECT_FALSE(look().SongListRect().IsRectEmpty());
  EXPECT_FALSE(look().BrowserRect().IsRectEmpty());
}

TEST_F(TVZone, VolumeStepsByOneAndTheBarFollows) {
  zone->SetVolume(50);
  zone->SendMessage(WM_COMMAND, ID_ZONE_VOLUME_UP, 0);
  EXPECT_EQ(zone->GetVolume(), 51);
  zone->SendMessage(WM_COMMAND, ID_ZONE_VOLUME_DOWN, 0);
  zone->SendMessage(WM_COMMAND, ID_ZONE_VOLUME_DOWN, 0);
  EXPECT_EQ(zone->GetVolume(), 49);
  zone->SetVolume(50);
  auto picture = qh::gdi::SnapshotWindow(zone->GetSafeHwnd());
  ASSERT_TRUE(picture);
  // A bar 198 high at 50: the lower 99 pixels lit (192 grey), the rest dark.
  const CRect bar = look().VolumeBar();
  const int x = bar.CenterPoint().x;
  EXPECT_EQ(picture->at(x, bar.bottom - 1), qh::gdi::PixelFromColor(RGB(192, 192, 192)));
  EXPECT_EQ(picture->at(x, bar.bottom - 99), qh::gdi::PixelFromColor(RGB(192, 192, 192)));
  EXPECT_EQ(picture->at(x, bar.bottom - 101), qh::gdi::PixelFromColor(RGB(0, 0, 0)));
  zone->SetVolume(100);
  zone->SendMessage(WM_COMMAND, ID_ZONE_VOLUME_UP, 0);
  EXPECT_EQ(zone->GetVolume(), 100);
}

TEST_F(TVZone, AddAndEditButtonsNeedASelectedLine) {
  zone->SendMessage(WM_COMMAND, ID_ZONE_ADD_TO_EXISTING, 0);
  zone->SendMessage(WM_COMMAND, ID_ZONE_EDIT_SELECTED_SONG, 0);
  EXPECT_TRUE(dialogs.ran.empty()) << "a dialog ran without a selected line";
  AddSong("One", "Ann", "First", "Jazz");
  LoadArtist("Ann");
  dialogs.ran.clear();
  dialogs.choice = "";
  zone->SendMessage(WM_COMMAND, ID_ZONE_ADD_TO_EXISTING, 0);
  dialogs.editInfo = true;
  dialogs.songInfo.name = "Uno";
  dialogs.songInfo.artist = "Ann";
  dialogs.songInfo.genre = "Jazz";
  dialogs.songInfo.album = "First";
  dialogs.songInfo.year = 1999;
  dialogs.songInfo.month = 5;
  dialogs.songInfo.day = 4;
  zone->SendMessage(WM_COMMAND, ID_ZONE_EDIT_SELECTED_SONG, 0);
  EXPECT_EQ(dialogs.ran, (std::vector<std::string>{"saved-playlist", "song-info"}));
  EXPECT_EQ(dialogs.shownInfo.name, "One");
  EXPECT_TRUE(dialogs.shownInfo.uncompressedEnabled);
  int index = 0;
  tSong stored;
  ASSERT_EQ(0, stored.Load(&db, storage.get(), zone->GetSelectedSong(index)->SongID));
  EXPECT_EQ(stored.SongName, "Uno");
  EXPECT_EQ(stored.SongDate.GetYear(), 1999);
}

TEST_F(TVZone, LoadingTextAndPanelDoubleClick) {
  zone->ShowLoadingText(0, 25, true);
  EXPECT_EQ(look().GetStatusText(), "Loading 1 to 25...");
  zone->SetVolume(30);
  const CRect panel = look().PanelRect();
  for (int click = 0; click < 2; ++click) {
    qh::ui::InjectMouseAt(zone->GetSafeHwnd(), WM_LBUTTONDOWN, panel.left + 50, panel.top + 50);
    qh::ui::InjectMouseAt(zone->GetSafeHwnd(), WM_LBUTTONUP, panel.left + 50, panel.top + 50);
  }
  ASSERT_TRUE(PumpUntil([&] { return !dialogs.ran.empty(); }));
  EXPECT_EQ(dialogs.ran, std::vector<std::string>{"about"});
  EXPECT_EQ(zone->GetVolume(), 30);  // never a mute
}

}  // namespace
}  // namespace jukebox::zone_testing
