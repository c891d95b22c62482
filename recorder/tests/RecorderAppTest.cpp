// Start-up of the recorder: the shared single-instance name, the database folder setting and the
// database errors, the storage volumes and the CD drive choice; the two small utilities.
#include <filesystem>

#include "platform/core/NamedMutex.h"
#include "recorder/RecorderIds.h"
#include "recorder/tests/RecorderTestSupport.h"

namespace qh::recorder::testing {
namespace {

class RecorderAppTest : public RecorderTest {};

TEST_F(RecorderAppTest, StartsOverTheLibraryWithItsPrimaryVolume) {
  ASSERT_TRUE(StartRecorder());
  EXPECT_TRUE(boxTexts.empty());
  EXPECT_NE(nullptr, Db()->GetDatabase());
  EXPECT_EQ(1, Storage()->GetVolumeCount());
  EXPECT_EQ(nullptr, app->GetAlbumDatabase()) << "no album file: the recorder runs without album data";
  EXPECT_EQ("C:\\Quaverhouse", app->GetDatabaseFolder().str());
  EXPECT_EQ("C:\\", app->GetProgramFolder().str());
  EXPECT_EQ(' ', app->GetCdDriveLetter());
  EXPECT_FALSE(app->GetVersionText().IsEmpty());
}

TEST_F(RecorderAppTest, AnotherQuaverhouseProgramKeepsTheRecorderOut) {
  HANDLE jukebox = CreateMutex(nullptr, TRUE, "QuaverhouseGlobalMutex");
  ASSERT_NE(nullptr, jukebox);
  EXPECT_FALSE(StartRecorder());
  ASSERT_EQ(1u, boxTexts.size());
  EXPECT_EQ("Another Quaverhouse program is running. Only one Quaverhouse application may run at a time.", boxTexts[0]);
  EXPECT_EQ(nullptr, Db()) << "the database is never touched";
  ReleaseMutex(jukebox);
  CloseHandle(jukebox);
}

TEST_F(RecorderAppTest, DatabaseProblemsHaveTheirMessages) {
  struct Case {
    const char* folder;
    UINT message;
  } cases[] = {{"", IDS_NO_DB_FOLDER}, {"C:\\Nowhere", IDS_DB_NOT_FOUND}};
  for (const Case& c : cases) {
    boxTexts.clear();
    app->WriteProfileString("", "SongDbPath", c.folder);
    EXPECT_FALSE(StartRecorder()) << c.folder;
    CString expected;
    expected.LoadString(c.message);
    ASSERT_EQ(1u, boxTexts.size()) << c.folder;
    EXPECT_EQ(expected.str(), boxTexts[0]);
    app->ExitInstance();
  }
}

TEST_F(RecorderAppTest, TheCdDriveIsChosenByTheDriveCount) {
  sandbox->AddDrive('E', 0xCD000001, "DISC1", DRIVE_CDROM);
  ASSERT_TRUE(StartRecorder());
  EXPECT_EQ('E', app->GetCdDriveLetter()) << "one drive is taken whatever the setting says";
  app->ExitInstance();
  sandbox->AddDrive('F', 0xCD000002, "DISC2", DRIVE_CDROM);
  ASSERT_TRUE(StartRecorder());
  EXPECT_EQ(' ', app->GetCdDriveLetter()) << "two drives and no setting: none";
  app->ExitInstance();
  app->WriteProfileString("Recorder", "CdRomDrive", "F");
  ASSERT_TRUE(StartRecorder());
  EXPECT_EQ('F', app->GetCdDriveLetter());
}

TEST_F(RecorderAppTest, SmallUtilities) {
  EXPECT_EQ("0123ABCD00EFA1B20123456789ABCDEF", KeepAlphanumeric("{0123ABCD-00EF-A1B2-0123-456789ABCDEF}").str());
  double freeBytes = -1, totalBytes = -1;
  EXPECT_EQ(1, GetDiskSpace("C:\\", freeBytes, totalBytes));
  EXPECT_GT(totalBytes, 0);
  EXPECT_GE(totalBytes, freeBytes);
  EXPECT_EQ(0, GetDiskSpace("Q:\\", freeBytes, totalBytes));
}

}  // namespace
}  // namespace qh::recorder::testing
