// Pictures of a normal and a TV zone window playing a song with its cover, written under
// <build>/snapshots on every run and, when QH_ZONE_SNAPSHOT_DIR names a folder, there too
// (scripts/zone-snapshots.sh refreshes docs/images that way). Each picture is checked for what it must
// show: the file holds the window's picture, the zone's part of it is the zone window's own picture,
// every button is drawn at its place, the cover shows, and the song's and the artist's texts stand in
// their own bands (taking a text away changes its band and nothing outside the song's panel).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "dblib/Song.h"
#include "jukebox/zones/tests/ZoneTestSupport.h"
#include "platform/core/Paths.h"
#include "platform/ui/gdi/Png.h"
#include "platform/ui/gdi/Snapshot.h"

namespace jukebox::zone_testing {
namespace {

using qh::gdi::Surface;

// Pixels that differ between two pictures of one size inside `area` (all of it when empty); -1 when the
// sizes differ.
long Differing(const Surface& a, const Surface& b, const CRect& area = CRect()) {
  if (a.width() != b.width() || a.height() != b.height()) return -1;
  const CRect all = area.IsRectEmpty() ? CRect(0, 0, a.width(), a.height()) : area;
  long count = 0;
  for (int y = all.top; y < all.bottom; ++y)
    for (int x = all.left; x < all.right; ++x) count += a.contains(x, y) && a.at(x, y) != b.at(x, y) ? 1 : 0;
  return count;
}

size_t DistinctColours(const Surface& picture) {
  std::set<qh::gdi::Pixel> colours;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) colours.insert(picture.at(x, y));
  return colours.size();
}

// Where a window's picture sits inside the picture of a window that contains it.
CPoint OffsetIn(HWND outer, HWND inner) {
  CRect outerRect, innerRect;
  ::GetWindowRect(outer, &outerRect);
  ::GetWindowRect(inner, &innerRect);
  return innerRect.TopLeft() - outerRect.TopLeft();
}

// The bands the look draws the song's name and its artist in, and the panel that holds the song's texts.
struct TextBands {
  CRect song, artist, panel;
};

TextBands BandsOf(CZoneLook& look) {
  const CRect& a = look.InfoArea();
  return {CRect(a.left, a.top + 7, a.right, a.top + 55), CRect(a.left, a.top + 59, a.right, a.top + 110), a};
}

TextBands BandsOf(CTVZoneLook& look) {
  const CRect& p = look.PanelRect();
  return {CRect(p.left, p.top + 5, p.right, p.top + 39), CRect(p.left, p.top + 44, p.right, p.top + 78), p};
}

constexpr UINT kButtons[] = {ID_ZONE_PLAY,    ID_ZONE_PAUSE,   ID_ZONE_STOP,   ID_ZONE_REWIND, ID_ZONE_NEXT,
                             ID_ZONE_SHUFFLE, ID_ZONE_REPEAT,  ID_ZONE_ARTIST, ID_ZONE_ALBUM,  ID_ZONE_GENRE,
                             ID_ZONE_PLAYLIST, ID_ZONE_SEARCH, ID_ZONE_OPTIONS, ID_ZONE_MUTE,  ID_ZONE_VOLUME_UP,
                             ID_ZONE_VOLUME_DOWN};

template <class Look>
class Snapshot : public ZoneFixture<Look> {
 protected:
  void Stage() {
    for (const char* title : {"Harbour Lights", "Slow Tide", "Northern Line", "Paper Boats"}) {
      tSong song;
      song.SetSongName(title);
      song.SetSongArtist("The Lanterns");
      song.SetSongAlbumName("Night Ferry");
      song.SetSongDate(COleDateTime(1998, 6, 1, 0, 0, 0));
      song.SetSongCompression(' ');
      song.SetSongVolser(qh::testing::TestSandbox::kSystemSerial);
      song.AddGenre("Jazz", TRUE);
      this->db.AddSong(&song);
    }
    tSong first;
    ASSERT_EQ(0, first.Load(&this->db, this->storage.get(), 1));
    const std::string cover = qh::HostPathOf(first.GetCoverFileName());
    std::filesystem::create_directories(std::filesystem::path(cover).parent_path());
    ASSERT_EQ(0, std::system(("ffmpeg -v error -y -f lavfi -i 'testsrc=s=320x320' -frames:v 1 '" + cover + "' </dev/null").c_str()));
    this->dialogs.choice = "The Lanterns";
    this->zone->SendMessage(WM_COMMAND, ID_ZONE_ARTIST, 0);
    ASSERT_TRUE(PumpUntil([&] { return !this->zone->IsLoading(); }));
    ASSERT_NE(this->zone->GetCurrentSong(), nullptr);
    this->zone->SetTextsForTest("PCM 44100 Hz", "1:07", "4:12");
    this->zone->ShowAlbumCover();
    this->zone->RedrawInfo();
    this->zone->SetVolume(72);
  }

  Surface Picture() {
    auto picture = qh::gdi::SnapshotWindow(this->mainWindow->GetSafeHwnd());
    EXPECT_TRUE(picture);
    return picture ? *picture : Surface();
  }

  // Writes the picture and checks what it must show.
  void WriteAndCheck(const char* name) {
    const Surface picture = Picture();
    ASSERT_FALSE(picture.empty());
    std::filesystem::create_directories(BinaryPath("snapshots"));
    const std::string path = BinaryPath(std::string("snapshots/") + name);
    std::string error;
    ASSERT_TRUE(qh::gdi::WritePng(picture, path, &error)) << error;
    if (const char* folder = std::getenv("QH_ZONE_SNAPSHOT_DIR")) {
      EXPECT_TRUE(qh::gdi::WritePng(picture, std::string(folder) + "/" + name, &error)) << error;
    }
    // The file holds the picture.
    auto written = qh::gdi::ReadPng(path, &error);
    ASSERT_TRUE(written) << error;
    EXPECT_EQ(Differing(*written, picture), 0);

    // The zone's part of the main window's picture is the zone window's own picture.
    const HWND main = this->mainWindow->GetSafeHwnd();
    const HWND zoneWindow = this->zone->GetSafeHwnd();
    auto own = qh::gdi::SnapshotWindow(zoneWindow);
    ASSERT_TRUE(own);
    const CPoint zoneAt = OffsetIn(main, zoneWindow);
    EXPECT_EQ(Differing(picture.crop(zoneAt.x, zoneAt.y, own->width(), own->height()), *own), 0);

    // Every button is drawn at its place, with a face of its own (not one flat colour).
    int buttons = 0;
    for (UINT id : kButtons) {
      CSkinButton* button = this->look().Button(id);
      if (button == nullptr || !button->IsWindowVisible()) continue;
      ++buttons;
      auto face = qh::gdi::SnapshotWindow(button->GetSafeHwnd());
      ASSERT_TRUE(face) << id;
      EXPECT_GT(DistinctColours(*face), 1u) << "button " << id << " is blank";
      const CPoint at = OffsetIn(main, button->GetSafeHwnd());
      EXPECT_EQ(Differing(picture.crop(at.x, at.y, face->width(), face->height()), *face), 0) << "button " << id;
    }
    EXPECT_GE(buttons, 7);

    // The cover (a test pattern of many colours) fills the browser's place.
    const CRect browser = this->look().BrowserRect();
    ASSERT_FALSE(browser.IsRectEmpty());
    EXPECT_GE(DistinctColours(picture.crop(zoneAt.x + browser.left, zoneAt.y + browser.top, browser.Width(),
                                           browser.Height())),
              8u);

    // The song's name and the artist each stand in their own band: taking one text away changes its
    // band, and nothing of the picture outside the song's panel.
    const TextBands bands = BandsOf(this->look());
    auto inPicture = [&](CRect band) {
      band.OffsetRect(zoneAt);
      return band;
    };
    tSong* song = this->zone->GetCurrentSong();
    ASSERT_NE(song, nullptr);
    const CString title = song->SongName, artist = song->SongArtist;
    song->SetSongName("");
    this->zone->RedrawInfo();
    const Surface withoutName = Picture();
    song->SetSongArtist("");
    this->zone->RedrawInfo();
    const Surface withoutArtist = Picture();
    song->SetSongName(title);
    song->SetSongArtist(artist);
    this->zone->RedrawInfo();
    EXPECT_GE(Differing(picture, withoutName, inPicture(bands.song)), 150) << "no song name in its band";
    EXPECT_EQ(Differing(picture, withoutName, inPicture(bands.artist)), 0);
    EXPECT_GE(Differing(withoutName, withoutArtist, inPicture(bands.artist)), 150) << "no artist in its band";
    const long panel = Differing(picture, withoutArtist, inPicture(bands.panel));
    EXPECT_EQ(Differing(picture, withoutArtist), panel) << "a text change reached outside the panel";
    EXPECT_EQ(Differing(Picture(), picture), 0) << "the texts put back give the first picture again";
  }
};

using NormalSnapshot = Snapshot<CZoneLook>;
using TVSnapshot = Snapshot<CTVZoneLook>;

TEST_F(NormalSnapshot, PlayingWithACover) {
  MakeZone(CRect(0, 0, 800, 600), ZoneLookOptions{});
  Stage();
  WriteAndCheck("zone-normal.png");
}

TEST_F(TVSnapshot, PlayingWithACover) {
  MakeZone(CRect(0, 0, 800, 600), false);
  Stage();
  WriteAndCheck("zone-tv.png");
}

}  // namespace
}  // namespace jukebox::zone_testing
