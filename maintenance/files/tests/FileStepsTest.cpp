// The file steps under the maintenance programs: the rename that swaps a database file, the work-file
// names and the lock that keeps other processes off.
#include <gtest/gtest.h>

#include <filesystem>

#include "maintenance/files/FileSteps.h"
#include "maintenance/files/tests/MaintenanceTestSupport.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/dao/Dao.h"

using namespace qh::maint::testing;
using qh::testing::ReadHostFile;
using qh::testing::WriteHostFile;

namespace {

class FileStepsTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse")); }
  qh::testing::TestSandbox sandbox;
};

TEST_F(FileStepsTest, ReplaceSwapsTheTargetForTheSourceInOneStep) {
  WriteHostFile(sandbox.HostPath("C/Quaverhouse/new.tmp"), "new");
  WriteHostFile(sandbox.HostPath("C/Quaverhouse/Quaverhouse.qhd"), "old");
  EXPECT_TRUE(DefaultFileSteps().ReplaceFile("C:\\Quaverhouse\\new.tmp", "C:\\Quaverhouse\\Quaverhouse.qhd"));
  EXPECT_EQ(ReadHostFile(sandbox.HostPath("C/Quaverhouse/Quaverhouse.qhd")), "new");
  EXPECT_FALSE(std::filesystem::exists(sandbox.HostPath("C/Quaverhouse/new.tmp")));
}

TEST_F(FileStepsTest, ReplaceWithoutASourceLeavesTheTargetAlone) {
  WriteHostFile(sandbox.HostPath("C/Quaverhouse/Quaverhouse.qhd"), "old");
  EXPECT_FALSE(DefaultFileSteps().ReplaceFile("C:\\Quaverhouse\\missing.tmp", "C:\\Quaverhouse\\Quaverhouse.qhd"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(ReadHostFile(sandbox.HostPath("C/Quaverhouse/Quaverhouse.qhd")), "old");
}

TEST_F(FileStepsTest, WorkFileNamesAreFreeNamesWithThePrefixInTheFolder) {
  CString first = ReserveWorkFileName("C:\\Quaverhouse", "QHA");
  CString second = ReserveWorkFileName("C:\\Quaverhouse", "QHA");
  ASSERT_FALSE(first.IsEmpty());
  EXPECT_EQ(first.Left(18), CString("C:\\Quaverhouse\\QHA"));
  EXPECT_FALSE(FileExists(first));
  EXPECT_TRUE(ReserveWorkFileName("C:\\Missing", "QHA").IsEmpty());
  (void)second;
}

TEST_F(FileStepsTest, LockRefusesAFileAnotherProcessHolds) {
  std::string host = sandbox.HostPath("C/Quaverhouse/Quaverhouse.qhd");
  WriteHostFile(host, "database");
  {
    CDatabaseFileLock free("C:\\Quaverhouse\\Quaverhouse.qhd");  // nobody else: taken
  }
  OtherProcessLock other(host);
  ASSERT_TRUE(other.Holding());
  long code = 0;
  try {
    CDatabaseFileLock lock("C:\\Quaverhouse\\Quaverhouse.qhd");
  } catch (CDaoException* e) {
    e->GetErrorInfo(0);
    code = e->m_pErrorInfo->m_lErrorCode;
    e->Delete();
  }
  EXPECT_EQ(code, 3045);
}

// The sync that makes a compacted copy durable: it reports a file or a folder that is not there.
TEST_F(FileStepsTest, SyncReachesFilesThatExistAndSaysWhyOthersFail) {
  WriteHostFile(sandbox.HostPath("C/Quaverhouse/work.tmp"), "compacted");
  const struct {
    const char* path;
    BOOL synced;
    DWORD error;
  } cases[] = {
      {"C:\\Quaverhouse\\work.tmp", TRUE, 0},
      {"C:\\Quaverhouse\\missing.tmp", FALSE, ERROR_FILE_NOT_FOUND},
      {"C:\\Nowhere\\work.tmp", FALSE, ERROR_PATH_NOT_FOUND},
  };
  for (const auto& c : cases) {
    SetLastError(0);
    EXPECT_EQ(c.synced, DefaultFileSteps().SyncFile(c.path)) << c.path;
    if (!c.synced) {
      EXPECT_EQ(c.error, GetLastError()) << c.path;
    }
  }
  EXPECT_EQ(ReadHostFile(sandbox.HostPath("C/Quaverhouse/work.tmp")), "compacted");
}

TEST_F(FileStepsTest, TheEngineCheckTellsASoundFileFromADamagedOne) {
  std::string host = sandbox.HostPath("C/Quaverhouse/check.qhd");
  Sqlite3(host, "create table t(a text); insert into t values ('x'); create index i on t(a);");
  EXPECT_EQ(DefaultFileSteps().CheckDatabase("C:\\Quaverhouse\\check.qhd"), CString("ok"));
}

}  // namespace
