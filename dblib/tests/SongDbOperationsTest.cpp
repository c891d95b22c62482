// The song record's database operations: load, add, update, delete (with its files), and the
// importers' questions about GUIDs and paths.
#include <sys/stat.h>

#include <fstream>

#include "dblib/Storage.h"
#include "dblib/tests/SongDbFixture.h"

namespace qh::dblib::testing {
namespace {

constexpr DWORD kMusicSerial = 0x1234ABCD;

class SongDbOperationsTest : public SongDbTest {
 protected:
  void SetUp() override {
    SongDbTest::SetUp();
    musicFolder = sandbox.AddDrive('D', kMusicSerial, "MUSIC");
    storage.AddVolume(kMusicSerial, "D", "MUSIC", "Music", 0, 0);
    std::filesystem::create_directories(musicFolder + "/Music/Songs");
    std::filesystem::create_directories(musicFolder + "/Music/Covers");
  }
  std::string MakeReadOnlyFile(const std::string& hostPath) {
    std::ofstream(hostPath) << "audio";
    chmod(hostPath.c_str(), 0444);
    return hostPath;
  }
  tSong BoundSong(const char* name, char code, const char* path = "") {
    tSong song = NewSong(name, "Artist");
    song.Attach(&db, &storage);
    song.SetSongCompression(code);
    song.SetSongVolser(kMusicSerial);
    song.SetSongPath(path);
    return song;
  }

  tStorage storage{nullptr};
  std::string musicFolder;
};

TEST_F(SongDbOperationsTest, LoadChecksInOrderThenBindsAndReads) {
  LONG id = AddSong("Name", "Artist");
  tSong song;
  EXPECT_EQ(-1, song.Load(nullptr, &storage, id));
  EXPECT_EQ(-3, song.Load(&db, &storage, 0));
  EXPECT_EQ(-6, song.Load(&db, nullptr, id));
  EXPECT_EQ(-4, song.Load(&db, &storage, id + 10));
  EXPECT_EQ(&db, song.GetDatabase()) << "the bindings stay after a missing row";
  EXPECT_EQ(-2, song.Load(&db, &storage, id));

  tSong fresh;
  EXPECT_EQ(0, fresh.Load(&db, &storage, id));
  EXPECT_EQ("Name", fresh.SongName.str());
  EXPECT_EQ(1, fresh.LoadById(id));
  EXPECT_EQ(0, fresh.LoadById(id + 10));
  EXPECT_EQ(-1, fresh.LoadById(0));
  tSong unbound;
  EXPECT_EQ(-2, unbound.LoadById(id));
}

TEST_F(SongDbOperationsTest, AddAndUpdateThroughTheRecord) {
  tSong unbound = NewSong("Name", "Artist");
  EXPECT_EQ(-2, unbound.Add());
  EXPECT_EQ(-1, unbound.Update());
  unbound.SongID = 3;
  EXPECT_EQ(-2, unbound.Update());

  tSong song = BoundSong("Name", 'R');
  LONG id = song.Add();
  ASSERT_GT(id, 0);
  EXPECT_EQ(id, song.SongID);
  song.SetSongName("Renamed");
  EXPECT_EQ(1, song.Update());
  tSong loaded;
  loaded.Attach(&db, &storage);
  ASSERT_EQ(1, loaded.LoadById(id));
  EXPECT_EQ("Renamed", loaded.SongName.str());
  loaded.SongID = id + 5;
  EXPECT_EQ(0, loaded.Update());
}

TEST_F(SongDbOperationsTest, DeletingAManagedSongRemovesItsReadOnlyFiles) {
  tSong song = BoundSong("Managed", 'R');
  LONG id = song.Add();
  ASSERT_GT(id, 0);
  char name[64];
  std::snprintf(name, sizeof name, "/Music/Songs/Song%010d.mp3", static_cast<int>(id));
  std::string media = MakeReadOnlyFile(musicFolder + name);
  std::snprintf(name, sizeof name, "/Music/Covers/Cover%010d.jpg", static_cast<int>(id));
  std::string cover = MakeReadOnlyFile(musicFolder + name);
  EXPECT_EQ(0, song.Delete());
  EXPECT_FALSE(std::filesystem::exists(media));
  EXPECT_FALSE(std::filesystem::exists(cover));
  EXPECT_EQ(0, db.CountSongs(""));
  EXPECT_EQ(-2, song.Delete()) << "nothing left to delete";
}

TEST_F(SongDbOperationsTest, DeletingAnUnmanagedSongKeepsItsFile) {
  std::filesystem::create_directories(musicFolder + "/Tunes");
  std::string file = MakeReadOnlyFile(musicFolder + "/Tunes/a.mp3");
  tSong song = BoundSong("Unmanaged", '3', "Tunes\\a.mp3");
  ASSERT_GT(song.Add(), 0);
  EXPECT_EQ(0, song.Delete());
  EXPECT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(0, db.CountSongs(""));
  tSong unbound;
  EXPECT_EQ(-1, unbound.Delete());
}

TEST_F(SongDbOperationsTest, GuidExistsAsksOnlyWithAGuid) {
  tSong song = BoundSong("Name", ' ');
  EXPECT_EQ(0, song.GuidExists()) << "no GUID yet, so nothing is asked";
  ASSERT_GT(song.Add(), 0);
  tSong probe = BoundSong("Probe", ' ');
  probe.SetSongGUID(song.SongGUID);
  EXPECT_EQ(1, probe.GuidExists());
  EXPECT_EQ(1, probe.CountByGuid());
  probe.SetSongGUID("{00000000-0000-0000-0000-00000000'000}");
  EXPECT_EQ(0, probe.GuidExists()) << "a GUID text with an apostrophe is only a literal";
  tSong unbound;
  EXPECT_EQ(-2, unbound.GuidExists());
}

TEST_F(SongDbOperationsTest, ExistsByPathMatchesCodeVolumeAndExactPath) {
  tSong song = BoundSong("Name", '3', "Music\\Why? (It's *live*).mp3");
  ASSERT_GT(song.Add(), 0);
  tSong same = BoundSong("Other", '3', "Music\\Why? (It's *live*).mp3");
  EXPECT_EQ(1, same.ExistsByPath());
  tSong wildcardOnly = BoundSong("Other", '3', "Music\\Why (It's live).mp3");
  EXPECT_EQ(0, wildcardOnly.ExistsByPath());
  tSong otherCode = BoundSong("Other", 'V', "Music\\Why? (It's *live*).mp3");
  EXPECT_EQ(0, otherCode.ExistsByPath());
  tSong unbound;
  EXPECT_EQ(0, unbound.ExistsByPath());
}

}  // namespace
}  // namespace qh::dblib::testing
