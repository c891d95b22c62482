// Moving songs from one storage volume to another in the database, between the volumes of a test drive
// table: each song ends on the volume that holds its whole file, never on one that does not.
#include <gtest/gtest.h>

#include <filesystem>

#include "maintenance/admin/VolumeRelocation.h"
#include "maintenance/files/tests/MaintenanceTestSupport.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/MessageBox.h"

using namespace qh::maint::testing;
using qh::testing::WriteHostFile;

namespace {

constexpr DWORD kC = qh::testing::TestSandbox::kSystemSerial;
constexpr DWORD kOld = 0x11111111;
constexpr DWORD kNew = 0x9ABCDEF0;  // high bit set: a negative Long in the database

std::string Signed(DWORD serial) { return std::to_string(static_cast<int32_t>(serial)); }

std::string SongFileName(long id) {
  char name[64];
  std::snprintf(name, sizeof name, "QHVolume/Songs/Song%010ld.mp3", id);
  return name;
}

class VolumeRelocationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse/Songs"));
    sandbox.AddDrive('D', kOld, "OLDDISK");
    sandbox.AddDrive('E', kNew, "NEWDISK");
    for (char drive : {'D', 'E'}) {
      std::filesystem::create_directories(sandbox.HostPath(std::string(1, drive) + "/QHVolume/Songs"));
      std::filesystem::create_directories(sandbox.HostPath(std::string(1, drive) + "/Music"));
    }
    std::vector<LibrarySong> songs;
    for (long id = 1; id <= 10; ++id) {
      songs.push_back({id, "Song " + std::to_string(id), "Artist", 'R', kOld, "", "Rock"});
      WriteSizedFile(sandbox.HostPath("D/" + SongFileName(id)), static_cast<size_t>(1000 + id));
    }
    songs.push_back({11, "Own 1", "Artist", '3', kOld, "Music\\own1.mp3", "Rock"});
    songs.push_back({12, "Own 2", "Artist", '3', kOld, "Music\\own2.mp3", "Rock"});
    songs.push_back({13, "Primary", "Artist", 'R', 0x0BADF00D, "", "Rock"});
    BuildCurrentLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", songs,
                        {"INSERT INTO VolserList VALUES (" + Signed(kOld) + ", 'D', 'OLDDISK', 'QHVolume', 0, 0)"});
    host = sandbox.HostPath("C/Quaverhouse/Quaverhouse.qhd");
    qh::ui::SetMessageBoxLogHook([this](const qh::ui::MessageBoxRequest& box) { boxes.push_back(box.text); });
  }
  void TearDown() override { qh::ui::SetMessageBoxLogHook(nullptr); }

  // Each managed song's volume must hold its whole file.
  void ExpectEverySongOnAVolumeWithItsFile() {
    for (const std::string& row : Lines(Sqlite3(host, "select SongID, SongVolser from Songs where SongID <= 10;"))) {
      long id = std::stol(row.substr(0, row.find('|')));
      std::string serial = row.substr(row.find('|') + 1);
      std::string drive = serial == Signed(kOld) ? "D/" : serial == Signed(kNew) ? "E/" : "?";
      ASSERT_NE(drive, "?") << row;
      std::string file = sandbox.HostPath(drive + SongFileName(id));
      ASSERT_TRUE(std::filesystem::exists(file)) << row;
      EXPECT_EQ(std::filesystem::file_size(file), static_cast<uintmax_t>(1000 + id)) << row;
    }
  }

  qh::testing::TestSandbox sandbox;
  std::string host;
  std::vector<std::string> boxes;
};

TEST_F(VolumeRelocationTest, SourcesAreTheSerialsSongsPointToByKind) {
  CVolumeRelocation relocation("C:\\Quaverhouse");
  ASSERT_TRUE(relocation.Open());
  std::vector<VolumeRow> rows = relocation.SourceRows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].serial, 0x0BADF00Du);  // no VolserList row: taken for the primary volume
  EXPECT_EQ(rows[0].type, CString("PRIMARY"));
  EXPECT_EQ(rows[0].drive, CString("C"));
  EXPECT_EQ(rows[0].path, CString("Quaverhouse"));
  EXPECT_EQ(rows[1].serial, kOld);
  EXPECT_EQ(rows[1].type, CString("STORAGE"));
  EXPECT_EQ(rows[1].songs, 10);
  EXPECT_EQ(rows[1].path, CString("QHVolume"));
  EXPECT_EQ(rows[1].label, CString("OLDDISK"));
  EXPECT_EQ(rows[2].type, CString("UNMANAGED"));
  EXPECT_EQ(rows[2].songs, 2);
  EXPECT_EQ(rows[2].drive, CString("D"));
}

TEST_F(VolumeRelocationTest, DestinationsAreTheLocalVolumesWithASecondUnmanagedRow) {
  CVolumeRelocation relocation("C:\\Quaverhouse");
  ASSERT_TRUE(relocation.Open());
  std::vector<std::string> got;
  for (const VolumeRow& row : relocation.DestinationRows())
    got.push_back(std::string(row.drive.GetString()) + " " + row.type.GetString() + " " + row.label.GetString());
  EXPECT_EQ(got, (std::vector<std::string>{"C PRIMARY SYSTEM", "C UNMANAGED SYSTEM", "D STORAGE OLDDISK", "D UNMANAGED OLDDISK",
                                           "E UNMANAGED NEWDISK"}));
}

// The files were being copied to E: when the copy stopped: six arrived whole, the seventh half, the
// rest not at all. The songs whose whole file is on E: move, the others stay on D:.
TEST_F(VolumeRelocationTest, AnInterruptedCopyMovesOnlyTheSongsWhoseWholeFileArrived) {
  for (long id = 1; id <= 6; ++id)
    std::filesystem::copy_file(sandbox.HostPath("D/" + SongFileName(id)), sandbox.HostPath("E/" + SongFileName(id)));
  WriteSizedFile(sandbox.HostPath("E/" + SongFileName(7)), 500);
  CVolumeRelocation relocation("C:\\Quaverhouse");
  ASSERT_TRUE(relocation.Open());
  RelocationResult result = relocation.UpdateManaged(kOld, "QHVolume", kNew, "QHVolume");
  EXPECT_EQ(result.examined, 10);
  EXPECT_EQ(result.updated, 6);
  EXPECT_TRUE(boxes.empty());
  ExpectEverySongOnAVolumeWithItsFile();
  EXPECT_EQ(Sqlite3(host, "select count(*) from Songs where SongVolser = " + Signed(kNew) + ";"), "6\n");
  // The new volume is registered with its serial as stored, and found again by it.
  EXPECT_EQ(Sqlite3(host, "select DriveVolser, DriveLetter, DriveLabel, DrivePath from VolserList order by DriveLetter;"),
            Signed(kOld) + "|D|OLDDISK|QHVolume\n" + Signed(kNew) + "|E|NEWDISK|QHVolume\n");
  std::vector<VolumeRow> sources = relocation.SourceRows();
  ASSERT_EQ(sources.size(), 4u);
  const VolumeRow& moved = sources[0];  // the serial as stored is negative: first in the group order
  EXPECT_EQ(moved.serial, kNew);
  EXPECT_EQ(moved.type, CString("STORAGE"));
  EXPECT_EQ(moved.drive, CString("E"));
  EXPECT_EQ(moved.songs, 6);
}

TEST_F(VolumeRelocationTest, EveryFileMovedMovesEveryRowEvenWithTheOldDiskGone) {
  for (long id = 1; id <= 10; ++id)
    std::filesystem::copy_file(sandbox.HostPath("D/" + SongFileName(id)), sandbox.HostPath("E/" + SongFileName(id)));
  sandbox.RemoveDrive('D');
  CVolumeRelocation relocation("C:\\Quaverhouse");
  ASSERT_TRUE(relocation.Open());
  RelocationResult result = relocation.UpdateManaged(kOld, "QHVolume", kNew, "QHVolume");
  EXPECT_EQ(result.examined, 10);
  EXPECT_EQ(result.updated, 10);
  EXPECT_EQ(Sqlite3(host, "select count(*) from Songs where SongVolser = " + Signed(kNew) + ";"), "10\n");
  // Nothing else changed with them.
  EXPECT_EQ(Sqlite3(host, "select count(*) from SongGenre where SongGenre = 'Rock';"), "13\n");
}

TEST_F(VolumeRelocationTest, UnmanagedSongsKeepTheirPathOnTheNewVolume) {
  WriteHostFile(sandbox.HostPath("E/Music/own1.mp3"), "audio");
  CVolumeRelocation relocation("C:\\Quaverhouse");
  ASSERT_TRUE(relocation.Open());
  RelocationResult result = relocation.UpdateUnmanaged(kOld, kNew);
  EXPECT_EQ(result.examined, 2);
  EXPECT_EQ(result.updated, 1);
  EXPECT_EQ(Lines(Sqlite3(host, "select SongID, SongVolser, SongPath from Songs where SongCompression = '3' order by 1;")),
            (std::vector<std::string>{"11|" + Signed(kNew) + "|Music\\own1.mp3", "12|" + Signed(kOld) + "|Music\\own2.mp3"}));
}

TEST_F(VolumeRelocationTest, ALibraryOfAnotherVersionGivesNoLists) {
  Sqlite3(host, "update QuavParms set ParmValue = '02.70' where ParmName = 'DatabaseVersion';");
  CVolumeRelocation relocation("C:\\Quaverhouse");
  EXPECT_FALSE(relocation.Open());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("[4.00] but instead found version [2.70]"), std::string::npos);
}

}  // namespace
