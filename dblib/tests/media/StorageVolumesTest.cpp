// The storage-volume list on a drive table of sandbox folders with chosen serials.
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "dblib/QHDb.h"
#include "dblib/Storage.h"
#include "dblib/tests/media/MediaTestBase.h"
#include "maintenance/schema/SongDbSchema.h"
#include "platform/dao/Dao.h"

namespace qh::dblib::media_testing {
namespace {

constexpr DWORD kExternalSerial = 0x2222;
constexpr DWORD kRemovableSerial = 0x3333;
constexpr DWORD kCdSerial = 0x4444;
constexpr DWORD kAbsentSerial = 0x9999;

class StorageVolumesTest : public MediaTest {
 protected:
  void SetUp() override {
    MediaTest::SetUp();  // D: fixed, kMusicSerial
    std::filesystem::create_directories(Host("Music"));
    sandbox.AddDrive('E', kExternalSerial, "NETSHARE", DRIVE_REMOTE);
    sandbox.AddDrive('F', kRemovableSerial, "STICK", DRIVE_REMOVABLE);
    sandbox.AddDrive('G', kCdSerial, "DISC", DRIVE_CDROM);
  }
  // Free and total bytes of a host folder as df reports them.
  static uint64_t Df(const std::string& folder, const char* field) {
    return std::strtoull(Capture(std::string("df -B1 --output=") + field + " " + Quoted(folder) + " | tail -1").c_str(),
                         nullptr, 10);
  }
  static uint64_t Join(const ULARGE_INTEGER& value) { return value.QuadPart; }

  tStorage storage{nullptr};
};

TEST_F(StorageVolumesTest, InitScansFixedAndNetworkDrivesAndPutsThePrimaryFirst) {
  ASSERT_EQ(0, storage.Init(4.0, "D:\\Music"));
  ASSERT_EQ(1, storage.GetVolumeCount());
  ULARGE_INTEGER freeBytes{}, totalBytes{};
  LONG songs = -5;
  DWORD serial = 0;
  CString label;
  EXPECT_EQ("D:\\Music", storage.GetVolume(0, freeBytes, totalBytes, songs, serial, label).str());
  EXPECT_EQ(kMusicSerial, serial);
  EXPECT_EQ("MUSIC", label.str());
  EXPECT_EQ(0, songs);
  EXPECT_EQ("D:\\Music", storage.GetRootPath(kMusicSerial).str());
  EXPECT_EQ("D:\\Music", storage.GetDatabaseFolder().str());

  // Local volumes: C:, D: and the network drive E:, never the removable or CD drives.
  char letter = 0;
  DWORD high, low, freeHigh, freeLow;
  EXPECT_EQ(1, storage.GetLocalVolumeInfo(qh::testing::TestSandbox::kSystemSerial, letter, label, high, low, freeHigh, freeLow));
  EXPECT_EQ('C', letter);
  EXPECT_EQ(1, storage.GetLocalVolumeInfo(kExternalSerial, letter, label, high, low, freeHigh, freeLow));
  EXPECT_EQ('E', letter);
  EXPECT_EQ("NETSHARE", label.str());
  EXPECT_GT(high * 4294967296.0 + low, 0.0);
  letter = 'x';
  EXPECT_EQ(0, storage.GetLocalVolumeInfo(kRemovableSerial, letter, label, high, low, freeHigh, freeLow));
  EXPECT_EQ(0, storage.GetLocalVolumeInfo(kCdSerial, letter, label, high, low, freeHigh, freeLow));
  EXPECT_EQ('x', letter);
  // An unregistered local volume has no root.
  EXPECT_TRUE(storage.GetRootPath(kExternalSerial).IsEmpty());
}

TEST_F(StorageVolumesTest, ScanCountsTheLocalVolumes) { EXPECT_EQ(3, storage.ScanDrives()); }

TEST_F(StorageVolumesTest, InitRefusesOtherVersionsAndEmptyFolders) {
  char letter;
  CString label;
  DWORD a, b, c, d;
  EXPECT_EQ(-1, storage.Init(4.01, "D:\\Music"));
  EXPECT_EQ(-1, storage.Init(4.0, ""));
  EXPECT_EQ(0, storage.GetVolumeCount());
  EXPECT_EQ(0, storage.GetLocalVolumeInfo(kMusicSerial, letter, label, a, b, c, d));
}

TEST_F(StorageVolumesTest, PrimaryVolumeNeedsAFolderAndAMountedLetter) {
  struct Case {
    const char* folder;
    int expectedVolumes;
  } cases[] = {{"D:\\", 0}, {"D:\\Music", 1}, {"d:\\Music", 1}, {"Q:\\Music", 0}, {"F:\\Music", 0}};
  for (const Case& c : cases) {
    tStorage list(nullptr);
    ASSERT_EQ(0, list.Init(4.0, c.folder));
    EXPECT_EQ(c.expectedVolumes, list.GetVolumeCount()) << c.folder;
  }
}

TEST_F(StorageVolumesTest, DuplicatesAreFoundAndTheFirstAnswers) {
  storage.Init(4.0, "D:\\Music");
  EXPECT_EQ(0, storage.HasDuplicateVolumes());
  storage.AddVolume(kExternalSerial, "E", "NETSHARE", "Songs", 0, 0);
  EXPECT_EQ(0, storage.HasDuplicateVolumes());
  storage.AddVolume(kMusicSerial, "D", "MUSIC", "Other", 0, 0);
  EXPECT_EQ(1, storage.HasDuplicateVolumes());
  EXPECT_EQ("D:\\Music", storage.GetRootPath(kMusicSerial).str());
  storage.RemoveAll();
  EXPECT_EQ(0, storage.GetVolumeCount());
  EXPECT_EQ(0, storage.HasDuplicateVolumes());
}

TEST_F(StorageVolumesTest, FreeSpaceAgreesWithDf) {
  storage.Init(4.0, "D:\\Music");
  storage.AddVolume(kExternalSerial, "E", "NETSHARE", "Songs", 0, 0);
  // Both volumes are folders of one host file system, and other programs write to it meanwhile (a busy
  // machine moves hundreds of megabytes a second): compare only a reading that df brackets on both sides
  // with the same free space, so the comparison is between two views of one moment.
  double total = 0.0;
  double free = 0.0;
  uint64_t dfFree = 0;
  for (int attempt = 0; attempt < 50; ++attempt) {
    dfFree = Df(musicFolder, "avail");
    free = storage.GetFreeSpace(total);
    uint64_t dfFreeAfter = Df(musicFolder, "avail");
    uint64_t drift = dfFree > dfFreeAfter ? dfFree - dfFreeAfter : dfFreeAfter - dfFree;
    if (drift <= 1024 * 1024) break;
  }
  uint64_t dfTotal = Df(musicFolder, "size");
  ASSERT_GT(dfTotal, 0u);
  EXPECT_NEAR(2.0 * dfTotal, total, 1.0);
  EXPECT_NEAR(2.0 * dfFree, free, 64.0 * 1024 * 1024);
  EXPECT_EQ(total, storage.GetTotalBytes());
  ULARGE_INTEGER volumeFree{}, volumeTotal{};
  LONG songs;
  DWORD serial;
  CString label;
  storage.GetVolume(0, volumeFree, volumeTotal, songs, serial, label);
  EXPECT_EQ(dfTotal, Join(volumeTotal));
  // The first volume with strictly more free bytes than asked for.
  uint64_t justBelow = Join(volumeFree) - 1;
  EXPECT_EQ(kMusicSerial, storage.FindVolumeWithFreeBytes(static_cast<DWORD>(justBelow), static_cast<DWORD>(justBelow >> 32)));
  EXPECT_EQ(0u, storage.FindVolumeWithFreeBytes(0xFFFFFFFF, 0xFFFFFFFF));
  EXPECT_EQ(Join(volumeFree) > 734003200ull ? kMusicSerial : 0u, storage.FindVolumeWithRoom());
}

// A registered disk that is absent, while another disk now has its letter: no space of the other disk
// is lent to it, it keeps its registered size, and it is never chosen for new files.
TEST_F(StorageVolumesTest, AbsentVolumeOffersNoRoom) {
  storage.AddVolume(kAbsentSerial, "E", "GONE", "Songs", 1, 5);
  storage.AddVolume(kAbsentSerial + 1, "Z", "NOLETTER", "Songs", 0, 7);
  double total = 0.0;
  EXPECT_EQ(0.0, storage.GetFreeSpace(total));
  EXPECT_EQ(4294967296.0 + 5 + 7, total);
  ULARGE_INTEGER freeBytes{}, totalBytes{};
  LONG songs;
  DWORD serial;
  CString label;
  EXPECT_EQ("E:\\Songs", storage.GetVolume(0, freeBytes, totalBytes, songs, serial, label).str());
  EXPECT_EQ(0u, Join(freeBytes));
  EXPECT_EQ(4294967296ull + 5, Join(totalBytes));
  EXPECT_EQ(0u, storage.FindVolumeWithRoom());
  EXPECT_EQ(0u, storage.FindVolumeWithFreeBytes(0, 0));
  EXPECT_TRUE(storage.GetRootPath(kAbsentSerial).IsEmpty()) << "E: carries another disk";
  EXPECT_TRUE(storage.GetRootPath(kAbsentSerial + 1).IsEmpty()) << "no drive Z:";
}

// A registered disk is known by its serial: found by the scan, it brings its present letter, label and
// sizes (it may have moved to another letter); not found, it keeps the registered ones with no free bytes.
TEST_F(StorageVolumesTest, AddVolumeTakesWhatTheScanFoundOfTheDisk) {
  storage.ScanDrives();
  char letter;
  CString scannedLabel;
  DWORD scannedHigh, scannedLow, scannedFreeHigh, scannedFreeLow;
  ASSERT_EQ(1, storage.GetLocalVolumeInfo(kExternalSerial, letter, scannedLabel, scannedHigh, scannedLow,
                                          scannedFreeHigh, scannedFreeLow));
  EXPECT_EQ(1, storage.AddVolume(kExternalSerial, "x", "OLDNAME", "Songs", 1, 2));
  EXPECT_EQ(2, storage.AddVolume(kAbsentSerial, "z", "GONE", "Songs", 3, 4));

  struct Expected {
    const char* root;
    DWORD serial;
    const char* label;
    uint64_t total;
    uint64_t free;
  } expected[] = {
      {"E:\\Songs", kExternalSerial, "NETSHARE", (uint64_t{scannedHigh} << 32) | scannedLow,
       (uint64_t{scannedFreeHigh} << 32) | scannedFreeLow},
      {"Z:\\Songs", kAbsentSerial, "GONE", (uint64_t{3} << 32) | 4, 0},
  };
  for (int index = 0; index < 2; ++index) {
    const Expected& want = expected[index];
    ULARGE_INTEGER freeBytes{}, totalBytes{};
    LONG songs = -1;
    DWORD serial = 0;
    CString label;
    EXPECT_EQ(want.root, storage.GetVolume(index, freeBytes, totalBytes, songs, serial, label).str());
    EXPECT_EQ(want.serial, serial) << index;
    EXPECT_EQ(want.label, label.str()) << index;
    EXPECT_EQ(want.total, Join(totalBytes)) << index;
    EXPECT_EQ(want.free, Join(freeBytes)) << index;
    EXPECT_EQ(0, songs) << index;
  }
  EXPECT_GT((uint64_t{scannedFreeHigh} << 32) | scannedFreeLow, 0u);
  EXPECT_EQ("E:\\Songs", storage.GetRootPath(kExternalSerial).str());
}

TEST_F(StorageVolumesTest, DriveLettersComeFromTheMountedVolumes) {
  storage.Init(4.0, "D:\\Music");
  storage.AddVolume(kAbsentSerial, "E", "GONE", "Songs", 0, 0);
  struct Case {
    DWORD serial;
    char letter;
  } cases[] = {{kMusicSerial, 'D'},
               {qh::testing::TestSandbox::kSystemSerial, 'C'},
               {kExternalSerial, 'E'},  // mounted but not registered
               {kAbsentSerial, '?'},    // registered but not mounted
               {kRemovableSerial, '?'},
               {kCdSerial, '?'},
               {0x12345678, '?'}};
  for (const Case& c : cases) EXPECT_EQ(c.letter, storage.GetDriveLetter(c.serial)) << std::hex << c.serial;
}

// Another disk that takes the letter of a registered one while it is away: the registered volume has no
// root (so no file of it is named, written or deleted there), no free space, and is never chosen for
// new files. When its own disk is back under the letter, all of that returns.
TEST_F(StorageVolumesTest, ADiskReplacedUnderItsLetterGetsNoRootUntilItIsBack) {
  ASSERT_EQ(0, storage.Init(4.0, "D:\\Music"));
  double total = 0.0;
  ASSERT_GT(storage.GetFreeSpace(total), 0.0);
  ASSERT_EQ(kMusicSerial, storage.FindVolumeWithFreeBytes(0, 0));
  tQHDb db;
  tSong song;
  ASSERT_EQ(0, song.Attach(&db, &storage));
  song.SongID = 12;
  song.SongCompression = 'R';
  song.SongVolser = kMusicSerial;
  EXPECT_EQ("D:\\Music\\Songs\\Song0000000012.mp3", song.GetMp3FileName().str());

  const std::string intruderFolder = sandbox.HostPath("intruder");
  std::filesystem::create_directories(intruderFolder + "/Music/Songs");
  sandbox.AddDrive('D', intruderFolder, 0x0BAD0D15, "INTRUDER");
  EXPECT_TRUE(storage.GetRootPath(kMusicSerial).IsEmpty()) << "at once, before the space is asked again";
  EXPECT_TRUE(song.GetMp3FileName().IsEmpty());
  EXPECT_TRUE(song.GetCoverFileName().IsEmpty());
  EXPECT_TRUE(song.GetTempFileName().IsEmpty());
  EXPECT_EQ(0.0, storage.GetFreeSpace(total));
  EXPECT_GT(total, 0.0) << "the registered size stays";
  EXPECT_EQ(0u, storage.FindVolumeWithRoom());
  EXPECT_EQ(0u, storage.FindVolumeWithFreeBytes(0, 0));

  sandbox.AddDrive('D', kMusicSerial, "MUSIC");
  EXPECT_EQ("D:\\Music", storage.GetRootPath(kMusicSerial).str());
  EXPECT_EQ("D:\\Music\\Songs\\Song0000000012.mp3", song.GetMp3FileName().str());
  EXPECT_GT(storage.GetFreeSpace(total), 0.0);
  EXPECT_EQ(kMusicSerial, storage.FindVolumeWithFreeBytes(0, 0));
}

TEST_F(StorageVolumesTest, IndexesOutsideTheListLeaveTheOutputs) {
  storage.Init(4.0, "D:\\Music");
  for (int index : {-1, -1000, 1, 99}) {
    ULARGE_INTEGER freeBytes{}, totalBytes{};
    freeBytes.QuadPart = 17;
    LONG songs = 3;
    DWORD serial = 4;
    CString label = "kept";
    EXPECT_TRUE(storage.GetVolume(index, freeBytes, totalBytes, songs, serial, label).IsEmpty()) << index;
    EXPECT_EQ(17u, Join(freeBytes));
    EXPECT_EQ(3, songs);
    EXPECT_EQ(4u, serial);
    EXPECT_EQ("kept", label.str());
  }
}

TEST_F(StorageVolumesTest, VolumeSerialOfADriveLetter) {
  EXPECT_EQ(kMusicSerial, tStorage::GetVolumeSerial('d'));
  EXPECT_EQ(kExternalSerial, tStorage::GetVolumeSerial('E'));
  EXPECT_EQ(0u, tStorage::GetVolumeSerial('Q'));
}

TEST_F(StorageVolumesTest, SongCountsPerVolumeFromTheDatabase) {
  EXPECT_EQ(-1, storage.CountSongsPerVolume());
  std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse"));
  CreateSongDatabase("C:\\Quaverhouse\\Quaverhouse.qhd");
  CDaoDatabase database;
  database.Open("C:\\Quaverhouse\\Quaverhouse.qhd");
  const DWORD highSerial = 0xDEADBEEF;
  int id = 0;
  for (DWORD serial : {kMusicSerial, kMusicSerial, kMusicSerial, highSerial}) {
    ++id;
    CString sql;
    sql.Format("Insert Into Songs (SongID, SongName, SongArtist, SongGUID, SongVolser) Values (%d, 'n', 'a', "
               "'{00000000-0000-0000-0000-0000000000%02d}', %ld)",
               id, id, static_cast<long>(static_cast<LONG>(serial)));
    database.Execute(sql, dbFailOnError);
  }
  tStorage counted(&database);
  counted.AddVolume(kMusicSerial, "D", "MUSIC", "Music", 0, 0);
  counted.AddVolume(highSerial, "E", "BIG", "Songs", 0, 0);
  counted.AddVolume(kExternalSerial, "E", "EMPTY", "Songs", 0, 0);
  EXPECT_EQ(0, counted.GetSongCount(kMusicSerial));
  EXPECT_EQ(0, counted.CountSongsPerVolume());
  EXPECT_EQ(3, counted.GetSongCount(kMusicSerial));
  EXPECT_EQ(1, counted.GetSongCount(highSerial));
  EXPECT_EQ(0, counted.GetSongCount(kExternalSerial));
  EXPECT_EQ(-1, counted.GetSongCount(0x1234));
  database.Close();
}

}  // namespace
}  // namespace qh::dblib::media_testing
