// The upgrade from 02.70 to 04.00 on files the tests build, read back row by row with the sqlite3 tool,
// and the ways it refuses or fails, each of which must leave the old file as the library.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "platform/core/Paths.h"
#include "maintenance/convert/DatabaseConverter.h"
#include "maintenance/convert/tests/OldLibraryBuilder.h"
#include "maintenance/files/tests/MaintenanceTestSupport.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/MessageBox.h"

using namespace qh::maint::testing;
using qh::testing::ReadHostFile;

namespace {

constexpr DWORD kMusicSerial = 0x9ABCDEF0;  // high bit set: stored as a negative Long

std::string Signed(DWORD serial) { return std::to_string(static_cast<int32_t>(serial)); }

class ConverterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse/Backup"));
    sandbox.AddDrive('D', kMusicSerial, "MUSIC");
    hostFile = sandbox.HostPath("C/Quaverhouse/Quaverhouse.qhd");
    qh::ui::SetMessageBoxLogHook([this](const qh::ui::MessageBoxRequest& box) { boxes.push_back(box.text); });
  }
  void TearDown() override { qh::ui::SetMessageBoxLogHook(nullptr); }

  static OldLibrary SmallLibrary() {
    OldLibrary library;
    library.types = {{"rock", "rock, in small letters", 90, 160},
                     {"Polka Fusion", "Accordion and synths", 60, 180},
                     {"Blues", "Blues", 50, 200}};
    library.songs = {
        {1, "Polka Fusion", "First", "Band", "Album One", 'R', "C:\\Quaverhouse\\Songs\\Song0000000001.mp3", GuidOf(1), 101.5, 11, "first"},
        {2, "Rock", "Second", "", "Album Two", ' ', "d:\\QHVolume\\Songs\\Song0000000002.wav", GuidOf(2), 99.0, 22, "lower-case drive"},
        {3, "Blues", "Third", "Trio", "Album Three", 'A', "Q:\\Songs\\Song0000000003.wav", GuidOf(3), 80.0, 33, "drive not present"},
        {4, "", "Fourth", "Solo", "", '3', "", GuidOf(4), 70.0, 0, "no path"},
    };
    library.playlists = {"Evening", "Bob's Mix"};
    library.entries = {{"Evening", 1, 1}, {"Evening", 2, 2}, {"Bob's Mix", 1, 3}};
    return library;
  }

  CDatabaseConverter::Outcome Convert(CFileSteps& steps = DefaultFileSteps()) {
    CDatabaseConverter converter("C:\\Quaverhouse", [this](const CString& text) { log.push_back(text.GetString()); },
                                 steps);
    CDatabaseConverter::Outcome outcome = converter.Convert();
    failedSongs = converter.FailedSongs();
    backupFile = converter.BackupFile().GetString();
    return outcome;
  }

  std::vector<std::string> WorkFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(sandbox.HostPath("C/Quaverhouse")))
      if (entry.path().filename().string().rfind("QHC", 0) == 0) names.push_back(entry.path().filename().string());
    return names;
  }

  qh::testing::TestSandbox sandbox;
  std::string hostFile;
  std::vector<std::string> log;
  std::vector<std::string> boxes;
  long failedSongs = 0;
  std::string backupFile;
};

TEST_F(ConverterTest, EveryRowOfAnOldLibraryArrivesInTheNewSchema) {
  BuildOldLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", SmallLibrary());
  std::string oldBytes = ReadHostFile(hostFile);
  EXPECT_EQ(Convert(), CDatabaseConverter::kVolumesMissing);
  EXPECT_EQ(failedSongs, 2);  // drive Q: is not present, song 4 has no path

  EXPECT_EQ(Sqlite3(hostFile, "PRAGMA integrity_check;"), "ok\n");
  std::string c = Signed(qh::testing::TestSandbox::kSystemSerial), d = Signed(kMusicSerial);
  EXPECT_EQ(Lines(Sqlite3(hostFile,
                          "select SongID, SongName, SongArtist, SongAlbumName, SongCompression, SongUncompressed, "
                          "quote(SongPath), SongVolser, SongGUID, SongPlayCount, SongBPM, SongCDDB, SongComments, "
                          "SongLength from Songs order by SongID;")),
            (std::vector<std::string>{
                "1|First|Band|Album One|R|0|''|" + c + "|" + GuidOf(1) + "|0|101.5|11|first|03:25.000",
                "2|Second|Unknown|Album Two| |-1|''|" + d + "|" + GuidOf(2) + "|0|99.0|22|lower-case drive|03:25.000",
                "3|Third|Trio|Album Three|A|0|''|0|" + GuidOf(3) + "|0|80.0|33|drive not present|03:25.000",
                "4|Fourth|Solo||3|0|''|0|" + GuidOf(4) + "|0|70.0|0|no path|03:25.000"}));
  EXPECT_EQ(Lines(Sqlite3(hostFile, "select SongID, SongGenre, PrimaryGenre from SongGenre order by SongID;")),
            (std::vector<std::string>{"1|Polka Fusion|-1", "2|Rock|-1", "3|Blues|-1"}));
  // The default types, with the old type that is no default name added as a user type.
  EXPECT_EQ(Sqlite3(hostFile, "select count(*) from SongType;"), "149\n");
  EXPECT_EQ(Sqlite3(hostFile, "select SongTypeDescription, MinBpm, MaxBpm, ReservedCode from SongType where "
                              "SongTypeCode = 'Polka Fusion';"),
            "Accordion and synths|60|180|0\n");
  EXPECT_EQ(Sqlite3(hostFile, "select SongTypeDescription, ReservedCode from SongType where SongTypeCode = 'Rock';"),
            "Rock|-1\n");
  EXPECT_EQ(Lines(Sqlite3(hostFile, "select PlaylistName, CurrentSeqNum, PlaylistComment from Playlist order by 1;")),
            (std::vector<std::string>{"Bob's Mix|1|Comment of Bob's Mix", "Evening|1|Comment of Evening"}));
  EXPECT_EQ(Lines(Sqlite3(hostFile, "select PlaylistName, PlaylistSequenceNum, SongID, PlaylistOffset from "
                                    "PlaylistDetail order by 1, 2;")),
            (std::vector<std::string>{"Bob's Mix|1|3|00:00.000", "Evening|1|1|00:00.000", "Evening|2|2|00:00.000"}));
  EXPECT_EQ(Lines(Sqlite3(hostFile, "select ParmName, ParmValue from QuavParms order by 1;")),
            (std::vector<std::string>{"DatabaseVersion|04.00", "VersionJukebox|YES"}));
  for (const char* empty : {"CueList", "DJSequence", "VolserList"})
    EXPECT_EQ(Sqlite3(hostFile, std::string("select count(*) from ") + empty + ";"), "0\n") << empty;

  // The song database object opens it, and the old file is kept byte for byte as the backup.
  tQHDb songDb;
  EXPECT_EQ(songDb.Open("C:\\Quaverhouse\\Quaverhouse.qhd", TRUE, FALSE), 1);
  songDb.Close();
  ASSERT_FALSE(backupFile.empty());
  EXPECT_EQ(ReadHostFile(qh::HostPathOf(backupFile.c_str())), oldBytes);
  EXPECT_TRUE(WorkFiles().empty());
  EXPECT_EQ(log.back(),
            "**ERROR! Could not find disk volume information for 2 of the songs in the database. Database conversion FAILED.");
}

TEST_F(ConverterTest, TheLogTellsEachStepInOrder) {
  OldLibrary library = SmallLibrary();
  library.songs.resize(2);
  library.entries.resize(2);
  library.songs[1].artist = "Duo";
  BuildOldLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", library);
  library.playlists = {"Evening"};
  ASSERT_EQ(Convert(), CDatabaseConverter::kUpgraded);
  EXPECT_EQ(log, (std::vector<std::string>{"Song Database Path: C:\\Quaverhouse",
                                           "Upgrading database from version 02.70 to version 04.00...",
                                           "Old database file backed up to: " + backupFile,
                                           "Creating new database...", "Database created successfully.",
                                           "Copying data to new database...", "Creating hotlist entries...",
                                           "Quaverhouse database successfully upgraded to 04.00"}));
  EXPECT_EQ(backupFile.substr(0, 22), "C:\\Quaverhouse\\Backup\\");
  EXPECT_EQ(backupFile.size(), 22 + 3 + 14 + 4);  // CVT, %Y%m%d%H%M%S, .qhd
}

TEST_F(ConverterTest, TheStoredQueriesKeepTheConvertersLayout) {
  BuildOldLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", SmallLibrary());
  Convert();
  EXPECT_EQ(CDatabaseConverter::ConverterQuerySql(4), CString("SELECT SongID FROM SongGenre Where SongGenre = [pSongTypeCode]; "));
  EXPECT_GE(CDatabaseConverter::ConverterQuerySql(0).Find("SongAlbumName, \t"), 0);
  tQHDb songDb;
  ASSERT_EQ(songDb.Open("C:\\Quaverhouse\\Quaverhouse.qhd", FALSE, TRUE), 1);
  tSong song;
  // qryGetSongDetail runs by name with its parameter, tabs and all.
  EXPECT_EQ(songDb.GetSongDetail(2, &song), 1);
  EXPECT_EQ(song.SongArtist, CString("Unknown"));
  EXPECT_TRUE(song.SongUncompressed);
  songDb.Close();
}

struct VersionCase {
  const char* version;
  CDatabaseConverter::Outcome outcome;
  const char* lastLog;
};

TEST_F(ConverterTest, OtherVersionsAreLeftExactlyAsTheyWere) {
  const VersionCase cases[] = {
      {"04.00", CDatabaseConverter::kAlreadyCurrent, "The database is already at the correct version. There is no work to do."},
      {"03.10", CDatabaseConverter::kUnknownVersion,
       "I don't know how to upgrade a version [03.10] database. You might need to get an updated convert utility."},
      {"", CDatabaseConverter::kFailed, "**ERROR! The conversion stopped. The old database was left in place."},
  };
  for (const VersionCase& versionCase : cases) {
    std::filesystem::remove(hostFile);
    OldLibrary library = SmallLibrary();
    library.version = versionCase.version;
    BuildOldLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", library);
    std::string before = ReadHostFile(hostFile);
    log.clear();
    boxes.clear();
    EXPECT_EQ(Convert(), versionCase.outcome) << versionCase.version;
    EXPECT_EQ(log.back(), versionCase.lastLog);
    EXPECT_EQ(ReadHostFile(hostFile), before) << versionCase.version;
    EXPECT_TRUE(std::filesystem::is_empty(sandbox.HostPath("C/Quaverhouse/Backup")));
    if (versionCase.outcome == CDatabaseConverter::kFailed) {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0], "An error (code 1) has occurred. Please check message log to find out what went wrong.");
      ASSERT_GE(log.size(), 2u);
      EXPECT_EQ(log[log.size() - 2], "**ERROR! Could not check the database version.");
    }
  }
}

// Two old songs with one GUID break the new file's unique index half-way through the songs: the copy
// stops, and the library is still the old file, still at 02.70, not a half-filled 04.00 file.
TEST_F(ConverterTest, AFailureHalfWayKeepsTheOldFileAsTheLibrary) {
  OldLibrary library = ManySongsLibrary(200);
  library.songs[150].guid = library.songs[20].guid;
  BuildOldLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", library);
  std::string before = ReadHostFile(hostFile);
  EXPECT_EQ(Convert(), CDatabaseConverter::kFailed);
  EXPECT_EQ(ReadHostFile(hostFile), before);
  EXPECT_EQ(Sqlite3(hostFile, "select ParmValue from QuavParms;"), "02.70\n");
  EXPECT_TRUE(WorkFiles().empty());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("Dao error: [3022]"), std::string::npos) << boxes[0];
  EXPECT_EQ(log.back(), "**ERROR! The conversion stopped. The old database was left in place.");
  // The song database object still refuses the old version, as it did before.
  tQHDb songDb;
  EXPECT_EQ(songDb.Open("C:\\Quaverhouse\\Quaverhouse.qhd", FALSE, TRUE), 0);
}

struct InjectedFailure {
  FailingFileSteps::Step step;
  const char* lastLog;
};

TEST_F(ConverterTest, FailingFileStepsKeepTheOldFile) {
  const InjectedFailure failures[] = {
      {FailingFileSteps::kCopy, "**ERROR! The conversion stopped. The old database was left in place."},
      {FailingFileSteps::kCheck, "**ERROR! The new database did not pass its check (*** in database main ***\n"
                                 "Page 7: btreeInitPage() returns error code 11). The old database was left in place."},
      {FailingFileSteps::kReplace, "**ERROR! The conversion stopped. The old database was left in place."},
  };
  BuildOldLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", SmallLibrary());
  std::string before = ReadHostFile(hostFile);
  for (const InjectedFailure& failure : failures) {
    FailingFileSteps steps(failure.step, 1);
    log.clear();
    // Each run starts without backups, as two runs within one second would share a backup name.
    std::filesystem::remove_all(sandbox.HostPath("C/Quaverhouse/Backup"));
    EXPECT_EQ(Convert(steps), CDatabaseConverter::kFailed);
    EXPECT_EQ(log.back(), failure.lastLog);
    EXPECT_EQ(ReadHostFile(hostFile), before);
    EXPECT_TRUE(WorkFiles().empty());
  }
}

TEST_F(ConverterTest, AFailedBackupSaysWhereAndWhyAndThatTheRunStopped) {
  BuildOldLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", SmallLibrary());
  FailingFileSteps steps(FailingFileSteps::kCopy, 1);
  EXPECT_EQ(Convert(steps), CDatabaseConverter::kFailed);
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[log.size() - 3], "**ERROR! Could not create backup file.");
  EXPECT_EQ(log[log.size() - 2], "Backup file " + backupFile + ": the disk is full.");
  EXPECT_EQ(backupFile.substr(0, 25), "C:\\Quaverhouse\\Backup\\CVT");
  EXPECT_EQ(log.back(), "**ERROR! The conversion stopped. The old database was left in place.");
}

// What a conversion killed half-way leaves (its work file and journal) goes with the next run, and a
// run that finds its backup name taken (an earlier run in the same second) takes the next free one.
TEST_F(ConverterTest, ARunAfterAKilledOneClearsItsLeftoversAndTakesAFreeBackupName) {
  BuildOldLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", SmallLibrary());
  const std::string folder = sandbox.HostPath("C/Quaverhouse");
  for (const char* left : {"QHCB0F3.TMP", "QHCB0F3.TMP-journal", "QHC12.TMP"}) qh::testing::WriteHostFile(folder + "/" + left, "left");
  qh::testing::WriteHostFile(folder + "/QHA77.TMP", "the administrator's");
  // Every backup name of the next seconds is taken.
  std::vector<std::string> taken;
  for (int ahead = 0; ahead < 5; ++ahead) {
    const std::string name = "CVT" + std::string(CTime(CTime::GetCurrentTime().GetTime() + ahead).Format("%Y%m%d%H%M%S").GetString()) + ".qhd";
    qh::testing::WriteHostFile(folder + "/Backup/" + name, "an earlier backup");
    taken.push_back("C:\\Quaverhouse\\Backup\\" + name);
  }
  ASSERT_EQ(Convert(), CDatabaseConverter::kVolumesMissing) << log.back();  // two songs' drives are missing
  EXPECT_EQ(Sqlite3(hostFile, "select ParmValue from QuavParms where ParmName = 'DatabaseVersion';"), "04.00\n");
  EXPECT_EQ(WorkFiles(), std::vector<std::string>{});
  EXPECT_TRUE(std::filesystem::exists(folder + "/QHA77.TMP"));
  ASSERT_EQ(backupFile.substr(backupFile.size() - 6), "-1.qhd") << backupFile;
  EXPECT_NE(std::find(taken.begin(), taken.end(), backupFile.substr(0, backupFile.size() - 6) + ".qhd"), taken.end());
  EXPECT_EQ(Sqlite3(qh::HostPathOf(backupFile.c_str()), "select ParmValue from QuavParms;"), "02.70\n");
  for (const std::string& name : taken) EXPECT_EQ(ReadHostFile(qh::HostPathOf(name.c_str())), "an earlier backup");
}

TEST_F(ConverterTest, AnOldFileHeldByAnotherProgramIsNotTouched) {
  BuildOldLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", SmallLibrary());
  std::string before = ReadHostFile(hostFile);
  OtherProcessLock other(hostFile);
  ASSERT_TRUE(other.Holding());
  EXPECT_EQ(Convert(), CDatabaseConverter::kFailed);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("used by another program"), std::string::npos) << boxes[0];
  EXPECT_EQ(ReadHostFile(hostFile), before);
}

}  // namespace
