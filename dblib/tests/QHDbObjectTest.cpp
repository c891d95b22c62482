// The song database object itself: opening with the version check, the engine's error numbers,
// error texts, transactions, closing, the guard on a closed object and the retry of error 3075.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>

#include "dblib/DaoStep.h"
#include "dblib/QuavParmsSet.h"
#include "dblib/tests/SongDbFixture.h"
#include "platform/core/Paths.h"

namespace qh::dblib::testing {
namespace {

class QHDbObjectTest : public SongDbTest {};

TEST_F(QHDbObjectTest, NewFileOpensWithVersion4) {
  EXPECT_EQ(4.0, db.GetDatabaseVersion());
  EXPECT_EQ(4.0, db.GetExpectedVersion());
  EXPECT_NE(nullptr, db.GetDatabase());
}

struct VersionCase {
  const char* stored;  // nullptr: no DatabaseVersion row
  int openResult;
  double version;
};
class QHDbVersionTest : public SongDbTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(QHDbVersionTest, VersionTextReadsAsANumber) {
  if (GetParam().stored == nullptr)
    Execute("Delete From QuavParms Where ParmName = 'DatabaseVersion';");
  else
    Execute((CString("Update QuavParms Set ParmValue = '") + GetParam().stored + "' Where ParmName = 'DatabaseVersion';"));
  db.Close();
  EXPECT_EQ(GetParam().openResult, db.Open(kDbPath, TRUE, FALSE));
  EXPECT_EQ(GetParam().version, db.GetDatabaseVersion());
  if (GetParam().openResult == 0) {
    EXPECT_EQ(QhdbText(QHDB_ERR_VERSION), LastErrorText());
    EXPECT_EQ(0, LastErrorCode());
    EXPECT_NE(nullptr, db.GetDatabase()) << "a wrong version leaves the file open for the caller to close";
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, QHDbVersionTest,
                         ::testing::Values(VersionCase{"04.00", 1, 4.0}, VersionCase{"4.0", 1, 4.0},
                                           VersionCase{"4", 1, 4.0}, VersionCase{" 4.00x", 1, 4.0},
                                           VersionCase{"02.70", 0, 2.7}, VersionCase{"4.01", 0, 4.01},
                                           VersionCase{nullptr, 0, 0.0}));

TEST_F(QHDbObjectTest, MissingFileGives3024WithTheEnginesText) {
  tQHDb other;
  EXPECT_EQ(0, other.Open("C:\\Quaverhouse\\Missing.qhd", FALSE, FALSE));
  CString text;
  EXPECT_EQ(3024, other.GetLastError(text));
  EXPECT_FALSE(text.IsEmpty());
  EXPECT_EQ(std::string::npos, text.str().find("QHDB: "));
  EXPECT_EQ(1, other.Close());
}

struct BadFileCase {
  const char* name;
  std::function<void(const std::string&)> spoil;
};
class QHDbBadFileTest : public SongDbTest, public ::testing::WithParamInterface<BadFileCase> {};

TEST_P(QHDbBadFileTest, IsReportedAsDamagedOrNotADatabase) {
  db.Close();
  std::string host = HostPathOf(kDbPath);
  GetParam().spoil(host);
  tQHDb other;
  EXPECT_EQ(0, other.Open(kDbPath, TRUE, FALSE));
  CString text;
  LONG code = other.GetLastError(text);
  EXPECT_TRUE(code == 3049 || code == 3343) << code << " " << text.str();
  EXPECT_FALSE(text.IsEmpty());
}

void OverwriteAt(const std::string& path, long offset, const std::string& bytes) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(offset);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Files, QHDbBadFileTest,
    ::testing::Values(BadFileCase{"NotADatabase",
                                  [](const std::string& path) {
                                    std::ofstream(path, std::ios::trunc) << "This is a playlist, not a database.\n"
                                                                         << std::string(4000, 'x');
                                  }},
                      BadFileCase{"DamagedHeader", [](const std::string& path) { OverwriteAt(path, 16, "\x03\x00\x07"); }},
                      BadFileCase{"DamagedSchemaPage",
                                  [](const std::string& path) { OverwriteAt(path, 100, std::string(3000, '\xA5')); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(QHDbObjectTest, FileHeldByAnotherProcessGives3045) {
  db.Close();
  int ready[2];
  int release[2];
  ASSERT_EQ(0, pipe(ready));
  ASSERT_EQ(0, pipe(release));
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    tQHDb holder;
    char flag = holder.Open(kDbPath, TRUE, FALSE) == 1 ? 'y' : 'n';
    (void)!write(ready[1], &flag, 1);
    char done;
    (void)!read(release[0], &done, 1);
    holder.Close();
    _exit(0);
  }
  char flag = 0;
  ASSERT_EQ(1, read(ready[0], &flag, 1));
  ASSERT_EQ('y', flag);
  tQHDb second;
  EXPECT_EQ(0, second.Open(kDbPath, TRUE, FALSE));
  EXPECT_EQ(3045, LONG{[&] {
              CString text;
              return second.GetLastError(text);
            }()});
  (void)!write(release[1], "x", 1);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(1, second.Open(kDbPath, TRUE, FALSE)) << "the file is free once the holder has gone";
  for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
}

TEST_F(QHDbObjectTest, SecondBeginTransIsRefusedAndTheFirstStaysOpen) {
  ASSERT_EQ(1, db.BeginTrans());
  EXPECT_EQ(0, db.BeginTrans());
  EXPECT_EQ(QhdbText(QHDB_ERR_IN_TRANSACTION), LastErrorText());
  EXPECT_EQ(0, LastErrorCode());
  EXPECT_TRUE(db.IsInTransaction());
  ASSERT_GT(AddSong("Inside", "Artist"), 0);
  EXPECT_EQ(1, db.Rollback());
  EXPECT_FALSE(db.IsInTransaction());
  EXPECT_EQ(0, db.CountSongs("")) << "the rollback of the first transaction removed the song";

  ASSERT_EQ(1, db.BeginTrans());
  ASSERT_GT(AddSong("Kept", "Artist"), 0);
  EXPECT_EQ(1, db.CommitTrans());
  EXPECT_EQ(1, db.CountSongs(""));
}

TEST_F(QHDbObjectTest, CommitOrRollbackWithoutBeginTransGivesText9) {
  EXPECT_EQ(0, db.CommitTrans());
  EXPECT_EQ(QhdbText(QHDB_ERR_NO_TRANSACTION), LastErrorText());
  EXPECT_EQ(0, db.Rollback());
  EXPECT_EQ(QhdbText(QHDB_ERR_NO_TRANSACTION), LastErrorText());
  EXPECT_EQ(0, LastErrorCode());
}

TEST_F(QHDbObjectTest, CloseTwiceReturnsOneAndClearsTheTransaction) {
  ASSERT_EQ(1, db.BeginTrans());
  EXPECT_EQ(1, db.Close());
  EXPECT_FALSE(db.IsInTransaction());
  EXPECT_EQ(nullptr, db.GetDatabase());
  EXPECT_EQ(1, db.Close());
}

TEST_F(QHDbObjectTest, OpeningAgainReplacesTheOpenDatabase) {
  ASSERT_EQ(1, db.OpenSongList(""));
  EXPECT_EQ(1, db.Open(kDbPath, TRUE, FALSE));
  tSong song;
  EXPECT_EQ(-2, db.NextSong(&song)) << "the cursors of the earlier open are gone";
}

TEST_F(QHDbObjectTest, ParameterRecordsetReadsOneRowThroughItsFilter) {
  EXPECT_EQ(4.0, ReadParameterNumber(db.GetDatabase(), "DatabaseVersion"));
  EXPECT_EQ(0.0, ReadParameterNumber(db.GetDatabase(), "LoadDate")) << "no such row";
  Execute("Update QuavParms Set ParmValue = '4.0' Where ParmName = 'DatabaseVersion';");
  EXPECT_EQ(4.0, ReadParameterNumber(db.GetDatabase(), "DatabaseVersion")) << "trailing zeros do not matter";

  CQuavParmsSet parms(db.GetDatabase());
  EXPECT_EQ(2u, parms.m_nFields);
  EXPECT_EQ("QuavParms", parms.GetDefaultSQL().str());
  EXPECT_EQ("C:\\Quaverhouse\\Quaverhouse.qhd", parms.GetDefaultDBName().str());
  parms.m_strFilter = "ParmName = 'versionjukebox'";
  parms.Open(dbOpenSnapshot, nullptr, dbForwardOnly);
  ASSERT_FALSE(parms.IsEOF());
  EXPECT_EQ("VersionJukebox", parms.m_ParmName.str());
  EXPECT_EQ("YES", parms.m_ParmValue.str());
  parms.MoveNext();
  EXPECT_TRUE(parms.IsEOF());
  parms.Close();
}

TEST_F(QHDbObjectTest, EngineVersionNamesTheObjectModelVersion) {
  CString version = db.GetEngineVersion();
  EXPECT_GE(std::strtod(version, nullptr), 3.5) << version.str();
  CString copied;
  db.GetEngineVersion(copied);
  EXPECT_EQ(version, copied);
}

TEST_F(QHDbObjectTest, DaoFailureKeepsTheFirstErrorsNumberAndDescription) {
  EXPECT_EQ(0, db.OpenSongList("Where A.NoSuchColumn = 1 Order By"));
  CString text;
  LONG code = db.GetLastError(text);
  EXPECT_GT(code, 3000);
  EXPECT_FALSE(text.IsEmpty());
  EXPECT_EQ(std::string::npos, text.str().find("QHDB: "));
}

// Every method on an object without a database: text 5, code 0, its failure result.
struct ClosedCase {
  const char* name;
  std::function<LONG(tQHDb&)> call;
  LONG expected;
};
class QHDbClosedTest : public ::testing::TestWithParam<ClosedCase> {};

TEST_P(QHDbClosedTest, FailsWithText5) {
  tQHDb closed;
  EXPECT_EQ(GetParam().expected, GetParam().call(closed));
  CString text;
  EXPECT_EQ(0, closed.GetLastError(text));
  EXPECT_EQ(kQHDbErrorTexts[QHDB_ERR_NOT_INITIALIZED], text.str());
}

tSong g_song;
CString g_text, g_text2, g_text3;
LONG g_long, g_long2, g_long3;
SHORT g_short, g_short2;

INSTANTIATE_TEST_SUITE_P(
    Methods, QHDbClosedTest,
    ::testing::Values(
        ClosedCase{"GetSongDetail", [](tQHDb& d) { return LONG(d.GetSongDetail(1, &g_song)); }, 0},
        ClosedCase{"AddSong", [](tQHDb& d) { return d.AddSong(&g_song); }, -1},
        ClosedCase{"UpdateSong", [](tQHDb& d) { return LONG(d.UpdateSong(&g_song)); }, 0},
        ClosedCase{"DeleteSong", [](tQHDb& d) { return d.DeleteSong(1); }, -1},
        ClosedCase{"OpenSongList", [](tQHDb& d) { return LONG(d.OpenSongList("")); }, 0},
        ClosedCase{"NextSong", [](tQHDb& d) { return d.NextSong(&g_song); }, -1},
        ClosedCase{"CloseSongList", [](tQHDb& d) { return LONG(d.CloseSongList()); }, 0},
        ClosedCase{"OpenCategoryCounts", [](tQHDb& d) { return LONG(d.OpenCategoryCounts(0, "@")); }, -1},
        ClosedCase{"NextCategoryCount", [](tQHDb& d) { return LONG(d.NextCategoryCount(g_text, g_long)); }, 0},
        ClosedCase{"NextAlbumArtistCount",
                   [](tQHDb& d) { return LONG(d.NextAlbumArtistCount(g_text, g_text2, g_long)); }, 0},
        ClosedCase{"CloseCategoryCounts", [](tQHDb& d) { return LONG(d.CloseCategoryCounts()); }, 0},
        ClosedCase{"OpenUncompressedSongs", [](tQHDb& d) { return d.OpenUncompressedSongs(); }, -1},
        ClosedCase{"NextUncompressedSong", [](tQHDb& d) { return LONG(d.NextUncompressedSong(&g_song)); }, 0},
        ClosedCase{"CloseUncompressedSongs", [](tQHDb& d) { return LONG(d.CloseUncompressedSongs()); }, 0},
        ClosedCase{"OpenSongCursor", [](tQHDb& d) { return LONG(d.OpenSongCursor("") != nullptr); }, 0},
        ClosedCase{"FetchSong", [](tQHDb& d) { return d.FetchSong(&g_song, nullptr); }, -1},
        ClosedCase{"CloseSongCursor", [](tQHDb& d) { return LONG(d.CloseSongCursor(nullptr)); }, 0},
        ClosedCase{"CountSongs", [](tQHDb& d) { return d.CountSongs(""); }, 0},
        ClosedCase{"OpenPlaylistNames", [](tQHDb& d) { return LONG(d.OpenPlaylistNames()); }, 0},
        ClosedCase{"NextPlaylistName", [](tQHDb& d) { return LONG(d.NextPlaylistName(g_text)); }, 0},
        ClosedCase{"ClosePlaylistNames", [](tQHDb& d) { return LONG(d.ClosePlaylistNames()); }, 0},
        ClosedCase{"OpenPlaylistSongs", [](tQHDb& d) { return LONG(d.OpenPlaylistSongs("A")); }, 0},
        ClosedCase{"NextPlaylistSong", [](tQHDb& d) { return LONG(d.NextPlaylistSong(g_long, g_short)); }, 0},
        ClosedCase{"ClosePlaylistSongs", [](tQHDb& d) { return LONG(d.ClosePlaylistSongs()); }, 0},
        ClosedCase{"IsSongInPlaylist", [](tQHDb& d) { return LONG(d.IsSongInPlaylist("A", 1)); }, 0},
        ClosedCase{"DeletePlaylistDetail", [](tQHDb& d) { return d.DeletePlaylistDetail("A"); }, -1},
        ClosedCase{"AppendPlaylistSong", [](tQHDb& d) { return LONG(d.AppendPlaylistSong("A", 1)); }, 0},
        ClosedCase{"AddSongToPlaylist", [](tQHDb& d) { return LONG(d.AddSongToPlaylist("A", 1)); }, 0},
        ClosedCase{"LoadSongGenres", [](tQHDb& d) { return LONG(d.LoadSongGenres(&g_song)); }, -1},
        ClosedCase{"AddSongGenre", [](tQHDb& d) { return LONG(d.AddSongGenre(1, "Rock", 1)); }, -1},
        ClosedCase{"DeleteSongGenres", [](tQHDb& d) { return d.DeleteSongGenres(1); }, -1},
        ClosedCase{"OpenSongTypes", [](tQHDb& d) { return LONG(d.OpenSongTypes("")); }, 0},
        ClosedCase{"NextSongType",
                   [](tQHDb& d) { return LONG(d.NextSongType(g_text, g_text2, g_short, g_short2, g_long)); }, 0},
        ClosedCase{"CloseSongTypes", [](tQHDb& d) { return LONG(d.CloseSongTypes()); }, 0},
        ClosedCase{"OpenVolumes", [](tQHDb& d) { return LONG(d.OpenVolumes()); }, 0},
        ClosedCase{"NextVolume",
                   [](tQHDb& d) { return LONG(d.NextVolume(g_long, g_text, g_text2, g_text3, g_long2, g_long3)); }, 0},
        ClosedCase{"CloseVolumes", [](tQHDb& d) { return LONG(d.CloseVolumes()); }, 0},
        ClosedCase{"SaveVolume", [](tQHDb& d) { return LONG(d.SaveVolume(1, "C", "", "x", 0, 0)); }, -1},
        ClosedCase{"BeginTrans", [](tQHDb& d) { return LONG(d.BeginTrans()); }, 0},
        ClosedCase{"CommitTrans", [](tQHDb& d) { return LONG(d.CommitTrans()); }, 0},
        ClosedCase{"Rollback", [](tQHDb& d) { return LONG(d.Rollback()); }, 0},
        ClosedCase{"GetEngineVersion", [](tQHDb& d) { return LONG(d.GetEngineVersion().GetLength()); }, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// The retry of error 3075: a step that fails with it is run again, five times at most per call.
class QHDbRetryTest : public SongDbTest {
 protected:
  void TearDown() override { SetDaoStepFault(nullptr); }
  // The next `count` steps fail with `code`; afterwards steps run normally.
  void FailSteps(int count, long code) {
    remaining = count;
    SetDaoStepFault([this, code] {
      ++attempts;
      if (remaining > 0) {
        --remaining;
        ThrowDaoError(code, "Syntax error in query expression 'injected'.", "DAO.Database");
      }
    });
  }
  int remaining = 0;
  int attempts = 0;
};

TEST_F(QHDbRetryTest, FiveFailuresAreRetriedAway) {
  AddSong("Song", "Artist");
  FailSteps(5, 3075);
  EXPECT_EQ(1, db.OpenSongList(""));
  EXPECT_EQ(6, attempts);
  tSong song;
  EXPECT_EQ(1, db.NextSong(&song));
  EXPECT_EQ("Song", song.SongName.str());
}

TEST_F(QHDbRetryTest, TheSixthFailureIsReported) {
  FailSteps(6, 3075);
  EXPECT_EQ(0, db.OpenSongList(""));
  EXPECT_EQ(6, attempts);
  EXPECT_EQ(3075, LastErrorCode());
  EXPECT_EQ("Syntax error in query expression 'injected'.", LastErrorText());
}

TEST_F(QHDbRetryTest, WritesAreRetriedWithoutDoubling) {
  FailSteps(2, 3075);
  EXPECT_EQ(0, db.SaveVolume(0x1234, "D", "MUSIC", "Music", 0, 100));
  FailSteps(3, 3075);
  EXPECT_EQ(1, db.AppendPlaylistSong("Party", 1));
  EXPECT_EQ(1, db.OpenCategoryCounts(6, "@"));
  CString name;
  LONG count = 0;
  EXPECT_EQ(1, db.NextCategoryCount(name, count));
  EXPECT_EQ(1, count);
}

TEST_F(QHDbRetryTest, OtherErrorsAreNotRetried) {
  FailSteps(1, 3022);
  EXPECT_EQ(0, db.OpenVolumes());
  EXPECT_EQ(1, attempts);
  EXPECT_EQ(3022, LastErrorCode());
}

TEST_F(QHDbRetryTest, DeleteSongIsNotRetried) {
  LONG id = AddSong("Song", "Artist");
  FailSteps(1, 3075);
  EXPECT_EQ(1 + 1, db.DeleteSong(id)) << "the delete runs no retried step, so the fault is not met";
  EXPECT_EQ(0, attempts);
}

}  // namespace
}  // namespace qh::dblib::testing
