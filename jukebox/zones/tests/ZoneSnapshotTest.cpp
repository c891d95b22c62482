// Pictures of a normal and a TV zone window playing a song with its cover, written under
// <build>/snapshots on every run and, when QH_ZONE_SNAPSHOT_DIR names a folder, there too
// (scripts/zone-snapshots.sh refreshes docs/images that way).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "dblib/Song.h"
#include "jukebox/zones/tests/ZoneTestSupport.h"
#include "platform/core/Paths.h"
#include "platform/ui/gdi/Png.h"
#include "platform/ui/gdi/Snapshot.h"

namespace jukebox::zone_testing {
namespace {

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
    this->zone->SetTextsForTest("PCM 44100 Hz", "1:07", "4:12");
    this->zone->ShowAlbumCover();
    this->zone->RedrawInfo();
    this->zone->SetVolume(72);
  }
  void Write(const char* name) {
    auto picture = qh::gdi::SnapshotWindow(this->mainWindow->GetSafeHwnd());
    ASSERT_TRUE(picture);
    std::filesystem::create_directories(BinaryPath("snapshots"));
    std::string error;
    EXPECT_TRUE(qh::gdi::WritePng(*picture, BinaryPath(std::string("snapshots/") + name), &error)) << error;
    if (const char* folder = std::getenv("QH_ZONE_SNAPSHOT_DIR")) {
      EXPECT_TRUE(qh::gdi::WritePng(*picture, std::string(folder) + "/" + name, &error)) << error;
    }
  }
};

using NormalSnapshot = Snapshot<CZoneLook>;
using TVSnapshot = Snapshot<CTVZoneLook>;

TEST_F(NormalSnapshot, PlayingWithACover) {
  MakeZone(CRect(0, 0, 800, 600), ZoneLookOptions{});
  Stage();
  Write("zone-normal.png");
}

TEST_F(TVSnapshot, PlayingWithACover) {
  MakeZone(CRect(0, 0, 800, 600), false);
  Stage();
  Write("zone-tv.png");
}

}  // namespace
}  // namespace jukebox::zone_testing
