// The library as the application starts it: song database, storage volumes with a registered volume,
// the album file, and songs whose media the players then read.
#include <filesystem>

#include "dblib/tests/media/AlbumDbFixture.h"
#include "dblib/tests/media/MediaTestBase.h"
#include "dblib/tests/media/StandInJukeboxApp.h"
#include "maintenance/schema/SongDbSchema.h"
#include "platform/dao/Dao.h"

namespace qh::dblib::media_testing {
namespace {

constexpr DWORD kStoreSerial = 0x5700E;

class StandInAppTest : public MediaTest {
 protected:
  void SetUp() override {
    MediaTest::SetUp();
    storeFolder = sandbox.AddDrive('E', kStoreSerial, "STORE");
    std::filesystem::create_directories(Host("Quaverhouse/Songs"));
    std::filesystem::create_directories(storeFolder + "/Library/Songs");
    CreateSongDatabase("D:\\Quaverhouse\\Quaverhouse.qhd");
  }
  std::string storeFolder;
};

TEST_F(StandInAppTest, StartUpBuildsVolumesAndFindsMediaOnThem) {
  {
    tQHDb db;
    ASSERT_EQ(1, db.Open("D:\\Quaverhouse\\Quaverhouse.qhd", TRUE, FALSE));
    ASSERT_EQ(0, db.SaveVolume(static_cast<LONG>(kStoreSerial), "E", "STORE", "Library", 0, 1000));
    db.Close();
  }
  CreateAlbumDatabase("D:\\Quaverhouse\\vezevavov.fdb");
  StandInJukeboxApp app({"Speakers", "__XS:192.168.1.20"});
  ASSERT_TRUE(app.Start("D:\\Quaverhouse"));
  tStorage* storage = app.GetStorageManager();
  ASSERT_EQ(2, storage->GetVolumeCount());
  EXPECT_FALSE(app.HasDuplicateVolumes());
  EXPECT_EQ("D:\\Quaverhouse", storage->GetRootPath(kMusicSerial).str());
  EXPECT_EQ("E:\\Library", storage->GetRootPath(kStoreSerial).str());
  ASSERT_NE(nullptr, app.GetAlbumDatabase());
  EXPECT_EQ(3, app.GetAlbumDatabase()->CountDiscID(kThreeAlbumDisc));

  // A song imported from a file on the store volume, added, then loaded and read as the players do.
  qh::testing::WriteHostFile(storeFolder + "/import.wav",
                             BuildWav({{"fmt ", FormatChunkData(1, 1, 8000, 16000, 2, 16), {}},
                                       {"data", std::string(16000, '\0'), {}},
                                       InfoList({{"INAM", "Imported"}, {"IART", "Artist"}, {"IGNR", "Jazz"}})}));
  tSong imported;
  imported.Attach(app.GetSongDatabase(), storage);
  ASSERT_EQ(0, imported.ScanWavFile("E:\\import.wav", TRUE));
  EXPECT_EQ(kStoreSerial, imported.SongVolser);
  imported.SetSongCompression(' ');
  LONG id = app.GetSongDatabase()->AddSong(&imported);
  ASSERT_GT(id, 0);
  std::filesystem::copy_file(storeFolder + "/import.wav", storeFolder + "/Library/Songs/Song" + std::string(10 - std::to_string(id).size(), '0') + std::to_string(id) + ".wav");

  tSong played;
  ASSERT_EQ(0, played.Load(app.GetSongDatabase(), storage, id));
  EXPECT_EQ(0, played.ReadMediaInfo());
  EXPECT_EQ(1000, played.SongLengthMS);
  EXPECT_NE(std::string::npos, played.GetSongInfoXml().str().find("<SongName>Imported</SongName>"));
  EXPECT_EQ(0, storage->CountSongsPerVolume());
  EXPECT_EQ(1, storage->GetSongCount(kStoreSerial));
}

TEST_F(StandInAppTest, WithoutAnAlbumFileTheLookupIsNone) {
  StandInJukeboxApp app;
  ASSERT_TRUE(app.Start("D:\\Quaverhouse"));
  EXPECT_EQ(nullptr, app.GetAlbumDatabase());
  EXPECT_EQ(1, app.GetStorageManager()->GetVolumeCount());
}

TEST(StandInApp, ZoneDevicesRefuseIndexesOutsideTheList) {
  StandInJukeboxApp app({"Speakers", "__XS:192.168.1.20"});
  EXPECT_EQ("Speakers", app.GetZoneDevice(0).str());
  EXPECT_EQ("__XS:192.168.1.20", app.GetZoneDevice(1).str());
  for (int index : {2, -1, -2147483647 - 1}) EXPECT_TRUE(app.GetZoneDevice(index).IsEmpty()) << index;
  EXPECT_EQ(6000, app.SetVolumeRampTime(99));
  EXPECT_EQ(6000, app.SetVolumeRampTime(30000));
  EXPECT_EQ(30000, app.SetVolumeRampTime(30001));
  EXPECT_TRUE(app.LockSong(4));
  EXPECT_FALSE(app.LockSong(4));
  EXPECT_TRUE(app.IsSongLocked(4));
  app.UnlockSong(4);
  EXPECT_FALSE(app.IsSongLocked(4));
}

}  // namespace
}  // namespace qh::dblib::media_testing
