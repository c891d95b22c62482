// The play-list rewrite and the storage-volume registration happen whole or not at all.
#include <gtest/gtest.h>

#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "dblib/Storage.h"
#include "jukebox/app/LibraryEdits.h"
#include "maintenance/schema/SongDbSchema.h"
#include "platform/core/FileApi.h"
#include "platform/core/testing/TestSandbox.h"

namespace {

class LibraryEdits : public ::testing::Test {
 protected:
  void SetUp() override {
    sandbox.AddDrive('D', 0xD15C0001, "MUSIC");
    CreateDirectory("D:\\Quaverhouse", nullptr);
    CreateSongDatabase("D:\\Quaverhouse\\Quaverhouse.qhd");
    ASSERT_TRUE(db.Open("D:\\Quaverhouse\\Quaverhouse.qhd", TRUE, FALSE));
    for (int i = 1; i <= 4; ++i) {
      tSong song;
      CString name;
      name.Format("Song %d", i);
      song.SetSongName(name);
      song.SetSongArtist("Artist");
      song.SetSongCompression('R');
      song.AddGenre("Rock", TRUE);
      ASSERT_GT(db.AddSong(&song), 0);
    }
  }
  std::vector<LONG> Entries(const char* playlist) {
    std::vector<LONG> ids;
    if (db.OpenPlaylistSongs(playlist) >= 0) {
      LONG id = 0;
      SHORT sequence = 0;
      while (db.NextPlaylistSong(id, sequence)) ids.push_back(id);
      db.ClosePlaylistSongs();
    }
    return ids;
  }
  qh::testing::TestSandbox sandbox;
  tQHDb db;
};

TEST_F(LibraryEdits, APlaylistWithAnApostropheIsRewrittenOnce) {
  for (LONG id : {1, 2, 3}) ASSERT_EQ(db.AddSongToPlaylist("Rock 'n' Roll", id), 1);
  ASSERT_TRUE(RewritePlaylist(db, "Rock 'n' Roll", {3, 1}));
  EXPECT_EQ(Entries("Rock 'n' Roll"), (std::vector<LONG>{3, 1}));
}

TEST_F(LibraryEdits, AFailingStepLeavesThePlaylistAsItWas) {
  for (LONG id : {1, 2}) ASSERT_EQ(db.AddSongToPlaylist("Evening", id), 1);
  EXPECT_FALSE(RewritePlaylist(db, "Evening", {4, -7, 3}));  // -7 is no song id
  EXPECT_EQ(Entries("Evening"), (std::vector<LONG>{1, 2}));
  EXPECT_FALSE(db.IsInTransaction());
  EXPECT_TRUE(RewritePlaylist(db, "Evening", {4}));  // and the next rewrite works
  EXPECT_EQ(Entries("Evening"), (std::vector<LONG>{4}));
}

// The Storage page registers through RegisterStorageVolume; start-up reads the list back with
// LoadStorageVolumes. A refused volume is offered nowhere; an accepted one has the same root after a
// restart.
TEST_F(LibraryEdits, AVolumeTheDatabaseRefusesIsNotOfferedForSongs) {
  constexpr DWORD kSecond = 0x5EC0DD15;
  sandbox.AddDrive('E', kSecond, "SECOND");
  tStorage storage(db.GetDatabase());
  ASSERT_EQ(storage.Init(db.GetExpectedVersion(), "D:\\Quaverhouse"), 0);
  storage.ScanDrives();
  const int before = storage.GetVolumeCount();
  EXPECT_LT(RegisterStorageVolume(db, storage, kSecond, "E", "SECOND", "", 0, 0), 0);  // no folder: refused
  EXPECT_EQ(storage.GetVolumeCount(), before);
  EXPECT_TRUE(storage.GetRootPath(kSecond).IsEmpty());
  ASSERT_TRUE(db.OpenVolumes());
  LONG serial = 0, high = 0, low = 0;
  CString letter, label, folder;
  while (db.NextVolume(serial, letter, label, folder, high, low)) EXPECT_NE(static_cast<DWORD>(serial), kSecond);
  db.CloseVolumes();

  ASSERT_TRUE(CreateDirectory("E:\\QHVolume", nullptr));
  EXPECT_EQ(RegisterStorageVolume(db, storage, kSecond, "E", "SECOND", "QHVolume", 0, 0), 0);
  EXPECT_EQ(storage.GetVolumeCount(), before + 1);
  EXPECT_EQ(storage.GetRootPath(kSecond).str(), "E:\\QHVolume");
  tStorage restarted(db.GetDatabase());
  ASSERT_EQ(restarted.Init(db.GetExpectedVersion(), "D:\\Quaverhouse"), 0);
  LoadStorageVolumes(db, restarted);
  EXPECT_EQ(restarted.GetRootPath(kSecond).str(), "E:\\QHVolume");
  // A library whose volume was stored with its whole root keeps working.
  ASSERT_EQ(db.SaveVolume(static_cast<LONG>(kSecond), "E", "SECOND", "E:\\QHVolume", 0, 0), 0);
  tStorage again(db.GetDatabase());
  ASSERT_EQ(again.Init(db.GetExpectedVersion(), "D:\\Quaverhouse"), 0);
  LoadStorageVolumes(db, again);
  EXPECT_EQ(again.GetRootPath(kSecond).str(), "E:\\QHVolume");
}

}  // namespace
