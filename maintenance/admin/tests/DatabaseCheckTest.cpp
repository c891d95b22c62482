// The check report on libraries with the faults it looks for, compared line by line with its texts.
#include <gtest/gtest.h>

#include <filesystem>

#include "maintenance/admin/DatabaseCheck.h"
#include "maintenance/files/tests/MaintenanceTestSupport.h"
#include "platform/core/DateTime.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/MessageBox.h"

using namespace qh::maint::testing;
using qh::testing::ReadHostFile;
using qh::testing::WriteHostFile;

namespace {

constexpr DWORD kC = qh::testing::TestSandbox::kSystemSerial;
constexpr DWORD kMusic = 0x11111111;
constexpr DWORD kAway = 0x9ABCDEF0;  // registered, but no drive carries it

class DatabaseCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse/Songs"));
    std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse/Backup"));
    sandbox.AddDrive('D', kMusic, "MUSIC");
    std::filesystem::create_directories(sandbox.HostPath("D/Music"));
    qh::ui::SetMessageBoxLogHook([this](const qh::ui::MessageBoxRequest& box) { boxes.push_back(box.text); });
  }
  void TearDown() override { qh::ui::SetMessageBoxLogHook(nullptr); }

  void SongFile(long id, const char* extension = "mp3") {
    char name[64];
    std::snprintf(name, sizeof name, "C/Quaverhouse/Songs/Song%010ld.%s", id, extension);
    WriteHostFile(sandbox.HostPath(name), "audio");
  }
  std::string Report() const { return ReadHostFile(sandbox.HostPath("C/Quaverhouse/DbCheck.txt")); }
  static std::string Header() {
    std::string header = "Quaverhouse Database Check Program - " + std::string(CTime::GetCurrentTime().Format("%#x").GetString());
    return header + "\r\n" + std::string(header.size(), '=') + "\r\n";
  }

  qh::testing::TestSandbox sandbox;
  std::vector<std::string> boxes;
};

TEST_F(DatabaseCheckTest, ReportListsEveryFaultAndDeletesTheOrphans) {
  BuildCurrentLibrary("C:\\Quaverhouse\\Quaverhouse.qhd",
                      {{1, "Alpha", "Artist A", 'R', kC, "", "Rock"},
                       {2, "Beta", "Artist B", ' ', kC, "", "NoSuchGenre"},
                       {3, " ", "Artist C", 'R', kC, "", "Rock"},
                       {4, "Twin", "Duo", 'R', kC, "", "Jazz"},
                       {5, "Twin", "Duo", 'R', kC, "", "Jazz"},
                       {6, "Gone", "Indie", '3', kMusic, "Music\\gone.mp3", "Rock"},
                       {7, "Far", "Away", 'R', kAway, "", "Rock"},
                       {8, "Here", "Indie", '3', kMusic, "Music\\here.mp3", "Rock"}},
                      {"INSERT INTO SongGenre (SongID, SongGenre, PrimaryGenre) VALUES (99, 'Jazz', True)",
                       "INSERT INTO CueList (SongID, CueDescription, CueNumber, CueOffset) VALUES (98, 'Intro', 1, "
                       "'00:01.000')",
                       "INSERT INTO Playlist (PlaylistName, CurrentSeqNum, PlaylistComment) VALUES ('Party', 1, '')",
                       "INSERT INTO PlaylistDetail VALUES ('Party', 1, 97, '')",
                       "INSERT INTO PlaylistDetail VALUES ('Party', 2, 1, '')",
                       "INSERT INTO PlaylistDetail VALUES ('Ghost', 1, 1, '')",
                       "INSERT INTO VolserList VALUES (" + std::to_string(static_cast<int32_t>(kAway)) +
                           ", 'E', 'FAR', 'QHVolume', 0, 0)"});
  for (long id : {1L, 3L, 4L, 5L}) SongFile(id);
  WriteHostFile(sandbox.HostPath("D/Music/here.mp3"), "audio");
  // A file without a song is no fault the check looks for: it stays out of the report.
  SongFile(42, "wav");

  CDatabaseCheck check("C:\\Quaverhouse", nullptr);
  ASSERT_TRUE(check.Run());
  EXPECT_EQ(check.ErrorCount(), 10);
  EXPECT_TRUE(boxes.empty());
  std::string expected = Header() +
                         "The following songs have invalid Genre codes:\r\n"
                         " [NoSuchGenre] [2] [Beta] [Artist B]\r\n\r\n\r\n"
                         "The following orphaned genre entries are being deleted:\r\n"
                         " [99] [Jazz]\r\n\r\n\r\n"
                         "Deleting orphaned genre entries...\r\n1 records affected.\r\n\r\n"
                         "The following orphaned cue list entries are being deleted:\r\n"
                         " [98] [1] [Intro]\r\n\r\n\r\n"
                         "Deleting orphaned cue list entries...\r\n1 records affected.\r\n\r\n"
                         "The following Songs are missing names:\r\n"
                         " [3] [ ] [Artist C]\r\n\r\n\r\n"
                         "The following are duplicate Songs with the same names:\r\n"
                         " [Twin] [Duo] [2]\r\n\r\n\r\n"
                         "The following orphaned Playlist Detail entries are being deleted:\r\n"
                         " [97] [Party] [1]\r\n\r\n\r\n"
                         "Deleting orphaned Playlist Detail entries...\r\n1 records affected.\r\n\r\n"
                         "The following Playlist Detail entries are missing parent Playlist:\r\n"
                         " [Ghost]\r\n\r\n\r\n"
                         "Searching for Song entries with no physical file...\r\n"
                         "Could not find media file for song 2. Volume: 5A4DC0DE. Path: \r\n"
                         "Could not find media file for song 6. Volume: 11111111. Path: Music\\gone.mp3\r\n"
                         "Could not find media file for song 7. Volume: 9ABCDEF0. Path: \r\n"
                         "\r\n"
                         "**End of Quaverhouse Database Check\r\n"
                         "  Total Errors Detected 10\r\n";
  std::vector<std::string> got = Lines(Report()), want = Lines(expected);
  for (size_t line = 0; line < std::max(got.size(), want.size()); ++line)
    EXPECT_EQ(line < got.size() ? got[line] : "<missing>", line < want.size() ? want[line] : "<extra>") << "line " << line + 1;
  // The orphans are gone, everything else stays.
  std::string host = sandbox.HostPath("C/Quaverhouse/Quaverhouse.qhd");
  EXPECT_EQ(Sqlite3(host, "select count(*) from SongGenre where SongID = 99;"), "0\n");
  EXPECT_EQ(Sqlite3(host, "select count(*) from CueList;"), "0\n");
  EXPECT_EQ(Lines(Sqlite3(host, "select PlaylistName, SongID from PlaylistDetail order by 1;")),
            (std::vector<std::string>{"Ghost|1", "Party|1"}));
  EXPECT_EQ(Sqlite3(host, "select count(*) from Songs;"), "8\n");
}

TEST_F(DatabaseCheckTest, ACleanLibraryReportsNoRecordsAndNoErrors) {
  BuildCurrentLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", {{1, "Alpha", "Artist A", 'R', kC, "", "Rock"}});
  SongFile(1);
  CDatabaseCheck check("C:\\Quaverhouse", nullptr);
  ASSERT_TRUE(check.Run());
  EXPECT_EQ(check.ErrorCount(), 0);
  std::string report = Report();
  size_t noRecords = 0;
  for (size_t at = report.find("**No Records Found**"); at != std::string::npos; at = report.find("**No Records Found**", at + 1))
    ++noRecords;
  EXPECT_EQ(noRecords, 8u);  // seven lists and the file search
  EXPECT_NE(report.find("Deleting orphaned genre entries...\r\n0 records affected.\r\n\r\n"), std::string::npos);
  std::string ending = "**No Records Found**\r\n\r\n**End of Quaverhouse Database Check\r\n  Total Errors Detected 0\r\n";
  ASSERT_GE(report.size(), ending.size());
  EXPECT_EQ(report.substr(report.size() - ending.size()), ending);
}

TEST_F(DatabaseCheckTest, AnOlderVersionStopsBeforeTheReportIsWritten) {
  BuildCurrentLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", {},
                      {"UPDATE QuavParms SET ParmValue = '02.70' WHERE ParmName = 'DatabaseVersion'"});
  CDatabaseCheck check("C:\\Quaverhouse", nullptr);
  EXPECT_FALSE(check.Run());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "This utility was expecting database version [4.00] but instead found version [2.70]. Run the "
                      "convert utility if necessary to upgrade the database to the appropriate version.");
  EXPECT_EQ(Report(), "");
}

TEST_F(DatabaseCheckTest, DuplicateVolumesStopTheFileSearch) {
  BuildCurrentLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", {{1, "Alpha", "Artist A", 'R', kC, "", "Rock"}},
                      {"INSERT INTO VolserList VALUES (" + std::to_string(static_cast<int32_t>(kC)) +
                       ", 'C', 'SYSTEM', 'QHVolume', 0, 0)"});
  CDatabaseCheck check("C:\\Quaverhouse", nullptr);
  EXPECT_FALSE(check.Run());
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rfind("Duplicate storage volumes were detected.", 0), 0u);
  EXPECT_EQ(Report().find("**End of Quaverhouse Database Check"), std::string::npos);
}

}  // namespace
