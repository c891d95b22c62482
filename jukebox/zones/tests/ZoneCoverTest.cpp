// The cover page of a playing zone: the file written, the browser navigated to it, and the picture seen
// where the page places it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "dblib/Song.h"
#include "jukebox/zones/tests/ZoneTestSupport.h"
#include "platform/core/Paths.h"
#include "platform/ui/gdi/Snapshot.h"

namespace jukebox::zone_testing {
namespace {

class ZoneCover : public ZoneFixture<CZoneLook> {
 protected:
  void SetUp() override { MakeZone(CRect(0, 0, 800, 600), ZoneLookOptions{}); }
  std::string Page() {
    std::ifstream file(sandbox.HostPath("C/Quaverhouse/Temp/Cover1.htm"), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  }
  LONG AddManagedSong(const std::string& name, const std::string& album) {
    tSong song;
    song.SetSongName(name.c_str());
    song.SetSongArtist("Ann");
    song.SetSongAlbumName(album.c_str());
    song.SetSongCompression(' ');
    song.SetSongVolser(qh::testing::TestSandbox::kSystemSerial);
    return db.AddSong(&song);
  }
  bool MakePictureFile(const char* name) {
    const std::string host = sandbox.HostPath(std::string("C/Pictures/") + name + ".jpg");
    const std::string command = "ffmpeg -v error -y -f lavfi -i 'color=c=0x00FF00:s=64x48' -frames:v 1 '" + host + "' </dev/null";
    return std::system(command.c_str()) == 0;
  }
  qh::gdi::Pixel ZonePixel(int x, int y) {
    auto picture = qh::gdi::SnapshotWindow(zone->GetSafeHwnd());
    EXPECT_TRUE(picture);
    return picture ? picture->at(x, y) : 0;
  }
};

bool Reddish(qh::gdi::Pixel p) { return ((p >> 16) & 0xFF) > 200 && ((p >> 8) & 0xFF) < 60 && (p & 0xFF) < 60; }

TEST_F(ZoneCover, TheFirstShowWritesTheIdlePage) {
  EXPECT_TRUE(look().IsCoverPageShown());
  EXPECT_NE(Page().find("qhlogo3.gif"), std::string::npos);
  EXPECT_EQ(look().Browser().GetLocationURL(), "C:\\Quaverhouse\\Temp\\Cover1.htm");
}

TEST_F(ZoneCover, APlayingSongShowsItsCoverScaledIntoTheBrowser) {
  const LONG id = AddManagedSong("Blue", "Rock & \"Roll\"");
  ASSERT_TRUE(MakeCover(id, "0xFF0000", 440, 334));
  ASSERT_EQ(0, zone->LoadAndPlaySong(id));
  zone->ShowAlbumCover();
  const std::string page = Page();
  // 220 x 167 browser: 440 x 334 is wider than high, so w = 220 and h = trunc(220 * 334 / 440) = 167.
  EXPECT_NE(page.find("left:0px; top:0px; width:220px; height:167px"), std::string::npos) << page;
  EXPECT_NE(page.find("alt=\"Album cover for Rock &amp; &quot;Roll&quot;\""), std::string::npos) << page;
  const CRect browser = look().BrowserRect();
  EXPECT_TRUE(Reddish(ZonePixel(browser.CenterPoint().x, browser.CenterPoint().y)));
}

TEST_F(ZoneCover, AMissingCoverOrABadHeaderGivesTheIdlePage) {
  const LONG id = AddManagedSong("Blue", "Gone");
  ASSERT_EQ(0, zone->LoadAndPlaySong(id));
  zone->ShowAlbumCover();
  EXPECT_NE(Page().find("qhlogo3.gif"), std::string::npos);
  EXPECT_EQ(app.log.size(), 0u);
  // A cover that is no JPEG: logged (log only) and the idle page.
  tSong song;
  ASSERT_EQ(0, song.Load(&db, storage.get(), id));
  std::filesystem::create_directories(std::filesystem::path(qh::HostPathOf(song.GetCoverFileName())).parent_path());
  std::ofstream(qh::HostPathOf(song.GetCoverFileName()), std::ios::binary) << "not a picture";
  zone->ShowAlbumCover();
  EXPECT_NE(Page().find("qhlogo3.gif"), std::string::npos);
  EXPECT_EQ(app.CountLines("occurred when extracting header information from JPEG file"), 1);
  EXPECT_FALSE(app.log.back().shown);
}

TEST_F(ZoneCover, TheSlideShowShowsEveryPictureBeforeRepeating) {
  // A zone made after the picture folder exists reads its pictures at creation.
  for (const char* name : {"a", "b", "c"}) {
    std::filesystem::create_directories(sandbox.HostPath("C/Pictures"));
    ASSERT_TRUE(MakePictureFile(name));
  }
  app.randomPicPath = "C:\\Pictures";
  TestZone<CZoneLook> second{ZoneLookOptions{}};
  second.SetStreamNumber(1);
  ASSERT_TRUE(CreateZone(second, CRect(0, 0, 800, 600)));
  std::set<std::string> seen;
  for (int i = 0; i < 3; ++i) {
    second.ShowAlbumCover();
    std::ifstream file(sandbox.HostPath("C/Quaverhouse/Temp/Cover2.htm"), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    const std::string page = text.str();
    const std::size_t at = page.find("alt=\"Image ");
    ASSERT_NE(at, std::string::npos) << page;
    seen.insert(page.substr(at, page.find('"', at + 5) - at));
  }
  EXPECT_EQ(seen.size(), 3u);
}

}  // namespace
}  // namespace jukebox::zone_testing
