// Backup, repair and the new database: each must end with the database either replaced by a complete,
// checked file or exactly as it was, whatever step fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "maintenance/admin/DatabaseFileOps.h"
#include "maintenance/files/tests/MaintenanceTestSupport.h"
#include "maintenance/schema/SongDbSchema.h"
#include "platform/core/DateTime.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/MessageBox.h"

using namespace qh::maint::testing;
using qh::testing::ReadHostFile;
using qh::testing::WriteHostFile;

namespace {

constexpr DWORD kC = qh::testing::TestSandbox::kSystemSerial;

class DatabaseFileOpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse/Songs"));
    std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse/Backup"));
    host = sandbox.HostPath("C/Quaverhouse/Quaverhouse.qhd");
    qh::ui::SetMessageBoxLogHook([this](const qh::ui::MessageBoxRequest& box) { boxes.push_back(box.text); });
  }
  void TearDown() override { qh::ui::SetMessageBoxLogHook(nullptr); }

  void BuildLibrary(long songs) {
    std::vector<LibrarySong> rows;
    for (long id = 1; id <= songs; ++id) rows.push_back({id, "Song " + std::to_string(id), "Artist", 'R', kC, "", "Rock"});
    BuildCurrentLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", rows,
                        {"INSERT INTO Playlist (PlaylistName, CurrentSeqNum, PlaylistComment) VALUES ('Party', 1, '')",
                         "INSERT INTO PlaylistDetail VALUES ('Party', 1, 1, '')"});
  }
  std::vector<std::string> Files(const std::string& folder, const std::string& prefix) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(sandbox.HostPath(folder)))
      if (entry.path().filename().string().rfind(prefix, 0) == 0) names.push_back(entry.path().string());
    return names;
  }
  CDatabaseFileOps Ops(CFileSteps& steps = DefaultFileSteps()) {
    return CDatabaseFileOps("C:\\Quaverhouse", [this](const CString& text) { status.push_back(text.GetString()); }, steps);
  }
  // Overwrites one page of the file with garbage (or the byte given).
  void DamagePage(long page, char fill = '\xA5') {
    if (pageSize == 0) pageSize = std::stol(Sqlite3(host, "PRAGMA page_size;"));
    std::fstream file(host, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp((page - 1) * pageSize);
    std::string garbage(static_cast<size_t>(pageSize), fill);
    file.write(garbage.data(), pageSize);
  }

  qh::testing::TestSandbox sandbox;
  std::string host;
  long pageSize = 0;  // read once, while the file's header is whole
  std::vector<std::string> boxes;
  std::vector<std::string> status;
};

TEST_F(DatabaseFileOpsTest, BackupKeepsACompactedCopyAndPutsItInPlace) {
  BuildLibrary(50);
  Sqlite3(host, "delete from Songs where SongID > 10;");  // free pages for the compaction to drop
  auto oldSize = std::filesystem::file_size(host);
  CDatabaseFileOps ops = Ops();
  EXPECT_TRUE(ops.Backup());
  EXPECT_TRUE(ops.LastBackupSucceeded());
  EXPECT_TRUE(boxes.empty());
  std::vector<std::string> backups = Files("C/Quaverhouse/Backup", "BK");
  ASSERT_EQ(backups.size(), 1u);
  const std::string backupName = "C:\\Quaverhouse\\Backup\\" + std::filesystem::path(backups[0]).filename().string();
  EXPECT_EQ(status, (std::vector<std::string>{"Compacting database. Please wait...", "Backing up database files...",
                                              "Database compacted successfully. Backup saved as " + backupName + "."}));
  EXPECT_EQ(std::filesystem::path(backups[0]).filename().string().size(), 2u + 13u + 4u);  // BK %Y%j%H%M%S .qhd
  for (const std::string& file : {host, backups[0]}) {
    EXPECT_EQ(Sqlite3(file, "PRAGMA integrity_check;"), "ok\n") << file;
    EXPECT_EQ(Sqlite3(file, "select count(*) from Songs;"), "10\n") << file;
    EXPECT_EQ(Sqlite3(file, "select count(*) from SongType;"), "148\n") << file;
    EXPECT_EQ(Sqlite3(file, "select count(*) from PlaylistDetail;"), "1\n") << file;
  }
  EXPECT_LT(std::filesystem::file_size(host), oldSize);
  EXPECT_EQ(ReadHostFile(host), ReadHostFile(backups[0]));
  EXPECT_TRUE(Files("C/Quaverhouse", "QHA").empty());
}

// Backups are named by the second: a backup that finds its name taken stops with the copy message,
// leaving the database as it was. The names of the next seconds are taken too, so the collision
// happens whatever second the backup runs in.
TEST_F(DatabaseFileOpsTest, ABackupNameAlreadyTakenStopsTheBackup) {
  BuildLibrary(5);
  std::string before = ReadHostFile(host);
  CTime now = CTime::GetCurrentTime();
  for (int second = 0; second < 3; ++second) {
    CTime then = now + CTimeSpan(0, 0, 0, second);
    WriteHostFile(sandbox.HostPath("C/Quaverhouse/Backup/BK" + std::string(then.Format("%Y%j%H%M%S").GetString()) + ".qhd"),
                  "an older backup");
  }
  CDatabaseFileOps ops = Ops();
  EXPECT_FALSE(ops.Backup());
  EXPECT_FALSE(ops.LastBackupSucceeded());
  // The message names the file and the reason.
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rfind("An error occurred while trying to copy a file.\r\nC:\\Quaverhouse\\Backup\\BK", 0), 0u) << boxes[0];
  EXPECT_EQ(boxes[0].substr(boxes[0].size() - 30), ".qhd: the file already exists.") << boxes[0];
  EXPECT_EQ(status.back(), "The backup failed. The database was left as it was.");
  EXPECT_EQ(ReadHostFile(host), before);
  EXPECT_TRUE(Files("C/Quaverhouse", "QHA").empty());
  for (const std::string& backup : Files("C/Quaverhouse/Backup", "BK")) EXPECT_EQ(ReadHostFile(backup), "an older backup");
}

struct BackupFailure {
  FailingFileSteps::Step step;
  std::string message;
  std::string ending;  // when set, the message is a beginning and the box ends so (its middle is a name)
};

TEST_F(DatabaseFileOpsTest, AFailingBackupStepKeepsTheDatabase) {
  const BackupFailure failures[] = {
      {FailingFileSteps::kCompact, "The database may be corrupted. Please run the 'Repair' option of the Quaverhouse Administrator.", ""},
      {FailingFileSteps::kCheck, "The new database file did not pass its check (*** in database main ***\nPage 7: "
                                 "btreeInitPage() returns error code 11). The database was left as it was.", ""},
      // The compacted copy could not be written to the disk whole.
      {FailingFileSteps::kSync, "An error occurred while trying to copy a file.\r\nC:\\Quaverhouse\\QHA",
       ".TMP: the disk is full."},
      {FailingFileSteps::kCopy, "An error occurred while trying to copy a file.\r\nC:\\Quaverhouse\\Backup\\BK",
       ".qhd: the disk is full."},
      {FailingFileSteps::kReplace,
       "An error occurred while trying to rename a file.\r\nC:\\Quaverhouse\\Quaverhouse.qhd: access was denied.", ""},
  };
  BuildLibrary(5);
  std::string before = ReadHostFile(host);
  for (const BackupFailure& failure : failures) {
    boxes.clear();
    FailingFileSteps steps(failure.step, 1);
    CDatabaseFileOps ops = Ops(steps);
    EXPECT_FALSE(ops.Backup());
    ASSERT_EQ(boxes.size(), 1u);
    if (!failure.ending.empty()) {
      EXPECT_EQ(boxes[0].rfind(failure.message, 0), 0u) << boxes[0];
      EXPECT_EQ(boxes[0].substr(boxes[0].size() - failure.ending.size()), failure.ending) << boxes[0];
    } else {
      EXPECT_EQ(boxes[0], failure.message);
    }
    EXPECT_EQ(status.back(), "The backup failed. The database was left as it was.");
    EXPECT_EQ(ReadHostFile(host), before);
    EXPECT_TRUE(Files("C/Quaverhouse", "QHA").empty());
    // Nothing is copied to the backups before the compacted copy is on the disk.
    if (failure.step == FailingFileSteps::kSync) {
      EXPECT_TRUE(Files("C/Quaverhouse/Backup", "BK").empty());
    }
    for (const std::string& backup : Files("C/Quaverhouse/Backup", "BK")) std::filesystem::remove(backup);
  }
}

TEST_F(DatabaseFileOpsTest, ADatabaseHeldByAnotherProgramIsLeftAlone) {
  BuildLibrary(5);
  std::string before = ReadHostFile(host);
  OtherProcessLock other(host);
  ASSERT_TRUE(other.Holding());
  std::string inUse = "The database is being used by another program. Please exit the other program before continuing.";
  EXPECT_FALSE(Ops().Backup());
  ASSERT_TRUE(other.Alive());
  EXPECT_FALSE(Ops().Repair());
  ASSERT_TRUE(other.Alive());
  EXPECT_FALSE(Ops().CreateNewDatabase());
  ASSERT_TRUE(other.Alive());
  EXPECT_EQ(boxes, (std::vector<std::string>{inUse, inUse, inUse}));
  EXPECT_EQ(ReadHostFile(host), before);
  EXPECT_TRUE(Files("C/Quaverhouse/Backup", "BK").empty());
}

// Another program (here the stock sqlite3 tool, whose text order folds ASCII letters only) wrote names
// into the file: the name index is out of the library's order. The repair rebuilds it on a copy and
// puts the copy in place.
TEST_F(DatabaseFileOpsTest, RepairRebuildsAnIndexWrittenInAnotherTextOrder) {
  BuildLibrary(3);
  // "É00", "é01", "É02", ...: in the library's order the two letters are one, in ASCII folding every
  // "É" name comes before every "é" name.
  std::string inserts;
  for (int index = 0; index < 60; ++index) {
    char name[16];
    std::snprintf(name, sizeof name, "%s%02d", index % 2 ? "\xC3\xA9" : "\xC3\x89", index);
    inserts += "insert into Songs (SongID, SongName, SongArtist, SongCompression, SongUncompressed, SongPath, "
               "SongVolser, SongGUID, SongPlayCount) values (" + std::to_string(10 + index) + ", '" + name +
               "', 'x', 'R', 0, '', 0, '" + GuidOf(10 + index) + "', 0);";
  }
  ASSERT_EQ(Sqlite3(host, inserts), "");
  ASSERT_NE(DefaultFileSteps().CheckDatabase("C:\\Quaverhouse\\Quaverhouse.qhd"), CString("ok"));
  EXPECT_TRUE(Ops().Repair());
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(status, (std::vector<std::string>{"Repairing database. Please wait...", "Database successfully repaired."}));
  EXPECT_EQ(DefaultFileSteps().CheckDatabase("C:\\Quaverhouse\\Quaverhouse.qhd"), CString("ok"));
  EXPECT_EQ(Sqlite3(host, "select count(*) from Songs;"), "63\n");
  EXPECT_TRUE(Files("C/Quaverhouse", "QHA").empty());
}

long PageOf(const std::string& host, const std::string& object, const char* which) {
  return std::stol(Sqlite3(host, std::string("select ") + which + "(pageno) from dbstat where name = '" + object + "';"));
}

// Damage written over one page of a real library: an index page is rebuilt from its table with every
// row; a table page costs only the rows on it; with the schema's pages gone the system's own tables
// receive what can still be read. The result passes the outside check and the damaged file stays beside it.
TEST_F(DatabaseFileOpsTest, RepairSalvagesWhatADamagedPageLeaves) {
  BuildLibrary(400);
  std::string sound = ReadHostFile(host);
  std::string indexName = Sqlite3(host, "select name from sqlite_master where type = 'index' and tbl_name = 'Songs' "
                                        "and sql like '%SongName%' limit 1;");
  indexName.pop_back();
  struct Damage {
    const char* what;
    long page;
  };
  const Damage damages[] = {
      {"index", PageOf(host, indexName, "max")},
      {"table", std::stol(Sqlite3(host, "select pageno from dbstat where name = 'Songs' and pagetype = 'leaf' "
                                        "order by pageno limit 1 offset 3;"))},
      {"last table page", PageOf(host, "Songs", "max")},
      {"schema", PageOf(host, "sqlite_schema", "max")},
  };
  ASSERT_GT(damages[3].page, 1) << "the schema should span several pages";
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    WriteHostFile(host, sound);
    for (const std::string& kept : Files("C/Quaverhouse", "Quaverhouse.qhd-")) std::filesystem::remove(kept);
    std::filesystem::remove(host + ".damaged");
    DamagePage(damage.page);
    std::string damaged = ReadHostFile(host);
    ASSERT_NE(Sqlite3(host, "PRAGMA integrity_check;"), "ok\n");
    boxes.clear();
    status.clear();
    EXPECT_TRUE(Ops().Repair());
    EXPECT_EQ(Sqlite3(host, "PRAGMA integrity_check;"), "ok\n");
    EXPECT_EQ(status.front(), "Repairing database. Please wait...");
    EXPECT_TRUE(Files("C/Quaverhouse", "QHA").empty());
    long songs = std::stol(Sqlite3(host, "select count(*) from Songs;"));
    EXPECT_EQ(status.back(), "Database repaired from the rows that could still be read. The damaged file was kept as "
                             "C:\\Quaverhouse\\Quaverhouse.qhd.damaged.");
    EXPECT_EQ(ReadHostFile(host + ".damaged"), damaged);
    if (std::string(damage.what) == "index") {
      // The engine cannot rebuild over a garbage page, so every row goes to a new file: nothing lost,
      // nothing to report.
      EXPECT_EQ(songs, 400);
      EXPECT_TRUE(boxes.empty()) << boxes[0];
      EXPECT_EQ(Sqlite3(host, "select count(*) from PlaylistDetail;"), "1\n");
      EXPECT_EQ(Sqlite3(host, "select count(*) from sqlite_master where type = 'index';"),
                Sqlite3(host + ".damaged", "select count(*) from sqlite_master where type = 'index';"));
      continue;
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("The repaired database is in place, but not everything could be saved:\r\n", 0), 0u) << boxes[0];
    if (std::string(damage.what) == "table") {
      // Only the rows of the overwritten page are gone, the rows after it are read again, and the report
      // names the keys lost.
      EXPECT_LT(songs, 400);
      EXPECT_GT(songs, 300);
      long first = std::stol(Sqlite3(host, "select min(SongID) from Songs s where not exists "
                                           "(select 1 from Songs n where n.SongID = s.SongID + 1);")) + 1;
      long last = first + 400 - songs - 1;
      EXPECT_EQ(Sqlite3(host, "select count(*) from Songs where SongID = 400;"), "1\n");
      EXPECT_EQ(boxes[0].substr(boxes[0].find("\r\n") + 2),
                "Songs: " + std::to_string(songs) + " rows saved; the rows with keys " + std::to_string(first) + "-" +
                    std::to_string(last) + " could not be read.");
      EXPECT_EQ(Sqlite3(host, "select count(*) from SongType;"), "148\n");
      EXPECT_EQ(Sqlite3(host, "select count(*) from PlaylistDetail;"), "1\n");
      EXPECT_EQ(Sqlite3(host, "select SongName from Songs where SongID = 1;"), "Song 1\n");
    } else if (std::string(damage.what) == "last table page") {
      // The table's end cannot be found: the report says every key from the first lost one on.
      EXPECT_EQ(boxes[0].substr(boxes[0].find("\r\n") + 2),
                "Songs: " + std::to_string(songs) + " rows saved; the rows with keys " + std::to_string(songs + 1) +
                    " and above could not be read.");
    } else {
      // The system's own schema: every table is there again, and the report says how it was rebuilt.
      std::set<std::string> tables = LineSet(Sqlite3(host, "select name from sqlite_master where type = 'table';"));
      for (const SchemaTable& table : kSongDbTables) EXPECT_TRUE(tables.count(table.name)) << table.name;
      EXPECT_NE(boxes[0].find("The list of tables could not be read: the database was rebuilt with the standard tables."),
                std::string::npos) << boxes[0];
      // The damaged schema page held no table's entry: every row could be read again.
      EXPECT_EQ(songs, 400);
      EXPECT_EQ(Sqlite3(host, "select ParmValue from QuavParms where ParmName = 'DatabaseVersion';"), "04.00\n");
    }
  }
}

// The file's first page (header and the root of the list of tables) overwritten, with garbage or zeros,
// once with the list of tables' other pages too: the engine cannot open the file at all, and every row
// comes back from the bare pages, under its own key, into the system's tables.
TEST_F(DatabaseFileOpsTest, RepairReadsTheRowsOfAFileWhoseFirstPageIsGone) {
  BuildManySongsLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", 400);
  // Rows of the tables that share a shape with others: a holiday looks like a genre row, a cue like a
  // playlist entry.
  ASSERT_EQ(Sqlite3(host, "INSERT INTO ScheduleHolidays VALUES (46023, 'New Year', -1); "
                          "INSERT INTO CueList VALUES (5, 'Intro', 1, '0:10'); INSERT INTO DJSequence VALUES (5, 6, 3);"),
            "");
  const std::string sound = ReadHostFile(host);
  const std::vector<std::string> tables = {"Songs",          "SongGenre", "SongType",         "QuavParms", "Playlist",
                                           "PlaylistDetail", "CueList",   "ScheduleHolidays", "DJSequence"};
  std::map<std::string, std::string> contents;
  for (const std::string& table : tables) contents[table] = Sqlite3(host, "select rowid, * from " + table + " order by rowid;");
  std::vector<std::string> schemaPages = Lines(Sqlite3(host, "select pageno from dbstat where name = 'sqlite_schema' and pageno > 1;"));
  ASSERT_FALSE(schemaPages.empty()) << "the list of tables should span several pages";
  struct Damage {
    const char* what;
    char fill;
    bool listOfTablesToo;
  };
  const Damage damages[] = {{"garbage", '\xA5', false}, {"zeros", '\0', false}, {"garbage over the list of tables", '\xA5', true}};
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    WriteHostFile(host, sound);
    std::filesystem::remove(host + ".damaged");
    DamagePage(1, damage.fill);
    if (damage.listOfTablesToo)
      for (const std::string& page : schemaPages) DamagePage(std::stol(page), damage.fill);
    const std::string damaged = ReadHostFile(host);
    ASSERT_NE(Sqlite3(host, "PRAGMA integrity_check;"), "ok\n");
    boxes.clear();
    status.clear();
    EXPECT_TRUE(Ops().Repair());
    EXPECT_EQ(Sqlite3(host, "PRAGMA integrity_check;"), "ok\n");
    for (const std::string& table : tables)
      EXPECT_EQ(Sqlite3(host, "select rowid, * from " + table + " order by rowid;"), contents[table]) << table;
    EXPECT_EQ(Sqlite3(host, "select count(*) from Songs;"), "400\n");
    EXPECT_EQ(ReadHostFile(host + ".damaged"), damaged);
    EXPECT_TRUE(Files("C/Quaverhouse", "QHA").empty());
    EXPECT_EQ(status.back(), "Database repaired from the rows that could still be read. The damaged file was kept as "
                             "C:\\Quaverhouse\\Quaverhouse.qhd.damaged.");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0],
              "The repaired database is in place, but not everything could be saved:\r\n"
              "The first page of the database was destroyed: its rows were read page by page into the standard tables.\r\n"
              "CueList: 1 rows saved.\r\nPlaylist: 4 rows saved.\r\nPlaylistDetail: 400 rows saved.\r\n"
              "Songs: 400 rows saved.\r\nSongType: 148 rows saved.\r\nQuavParms: 2 rows saved.\r\n"
              "DJSequence: 1 rows saved.\r\nDBSyncOutgoing: no row could be read.\r\n"
              "DBSyncIncoming: no row could be read.\r\nRadioFavorites: no row could be read.\r\n"
              "ScheduledEvents: no row could be read.\r\nScheduleHolidays: 1 rows saved.\r\n"
              "SongGenre: 400 rows saved.\r\nVolserList: no row could be read.");
  }
}

// A file of which not one page can be read is left as it was, rather than replaced by an empty library.
TEST_F(DatabaseFileOpsTest, RepairLeavesAFileOfWhichNothingCanBeRead) {
  BuildLibrary(50);
  long pages = std::stol(Sqlite3(host, "PRAGMA page_count;"));
  for (long page = 1; page <= pages; ++page) DamagePage(page);
  std::string damaged = ReadHostFile(host);
  EXPECT_FALSE(Ops().Repair());
  EXPECT_EQ(boxes, (std::vector<std::string>{"Not one row of the damaged database could be read. The database was left as "
                                             "it was; restore it from a backup."}));
  EXPECT_EQ(ReadHostFile(host), damaged);
  EXPECT_FALSE(std::filesystem::exists(host + ".damaged"));
  EXPECT_TRUE(Files("C/Quaverhouse", "QHA").empty());
}

// A salvage that cannot take the database's place leaves the damaged file exactly as it was.
TEST_F(DatabaseFileOpsTest, ASalvageThatCannotTakeThePlaceKeepsTheDamagedFile) {
  BuildLibrary(400);
  DamagePage(PageOf(host, "Songs", "max"));
  std::string damaged = ReadHostFile(host);
  for (FailingFileSteps::Step step : {FailingFileSteps::kCopy, FailingFileSteps::kReplace}) {
    boxes.clear();
    FailingFileSteps steps(step, 1);
    EXPECT_FALSE(Ops(steps).Repair());
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(ReadHostFile(host), damaged);
    EXPECT_FALSE(std::filesystem::exists(host + ".damaged"));
    EXPECT_TRUE(Files("C/Quaverhouse", "QHA").empty());
  }
}

TEST_F(DatabaseFileOpsTest, NewDatabaseKeepsTheOldOneAsBackupAndDeletesOnlyManagedSongs) {
  BuildLibrary(3);
  for (const char* name : {"Songs/Song0000000001.wav", "Songs/Song0000000002.MP3", "Songs/Temp0000000003.wav",
                           "Songs/Song12.wav", "Songs/own recording.mp3"})
    WriteHostFile(sandbox.HostPath(std::string("C/Quaverhouse/") + name), "audio");
  std::string before = ReadHostFile(host);
  EXPECT_TRUE(Ops().CreateNewDatabase());
  EXPECT_TRUE(boxes.empty());
  // The new file passes the same outside check as the schema creator's own.
  EXPECT_EQ(Sqlite3(host, "PRAGMA integrity_check;"), "ok\n");
  std::set<std::string> tables = LineSet(Sqlite3(host, "select name from sqlite_master where type = 'table';"));
  for (const SchemaTable& table : kSongDbTables) EXPECT_TRUE(tables.count(table.name)) << table.name;
  CreateSongDatabase("C:\\reference.qhd");
  std::string indexes = "select tbl_name, name, sql from sqlite_master where type = 'index' order by 1, 2;";
  EXPECT_EQ(Sqlite3(host, indexes), Sqlite3(sandbox.HostPath("C/reference.qhd"), indexes));
  EXPECT_EQ(Sqlite3(host, "select * from DaoSysQueries order by 1;"),
            Sqlite3(sandbox.HostPath("C/reference.qhd"), "select * from DaoSysQueries order by 1;"));
  EXPECT_EQ(Sqlite3(host, "select count(*) from SongType where ReservedCode = -1;"), "148\n");
  EXPECT_EQ(Sqlite3(host, "select count(*) from Songs;"), "0\n");
  EXPECT_EQ(Sqlite3(host, "select ParmValue from QuavParms where ParmName = 'DatabaseVersion';"), "04.00\n");
  std::vector<std::string> backups = Files("C/Quaverhouse/Backup", "BK");
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_EQ(ReadHostFile(backups[0]), before);
  EXPECT_FALSE(std::filesystem::exists(sandbox.HostPath("C/Quaverhouse/Songs/Song0000000001.wav")));
  EXPECT_FALSE(std::filesystem::exists(sandbox.HostPath("C/Quaverhouse/Songs/Song0000000002.MP3")));
  for (const char* kept : {"Songs/Temp0000000003.wav", "Songs/Song12.wav", "Songs/own recording.mp3"})
    EXPECT_TRUE(std::filesystem::exists(sandbox.HostPath(std::string("C/Quaverhouse/") + kept))) << kept;
  for (const char* folder : {"Songs", "Backup", "Covers", "Temp"})
    EXPECT_TRUE(std::filesystem::is_directory(sandbox.HostPath(std::string("C/Quaverhouse/") + folder))) << folder;
  EXPECT_EQ(status.front(), "Backing up database files...");
  EXPECT_EQ(status[1], "Creating Song Database. Please Wait...");
  EXPECT_EQ(status[2], "Creating table number 1");
  EXPECT_EQ(status.back(), "Database created successfully.");
  EXPECT_EQ(std::count(status.begin(), status.end(), "Deleting song C:\\Quaverhouse\\Songs\\Song0000000001.wav"), 1);
}

TEST_F(DatabaseFileOpsTest, ANewDatabaseThatCannotTakeThePlaceKeepsDatabaseAndSongs) {
  BuildLibrary(3);
  WriteHostFile(sandbox.HostPath("C/Quaverhouse/Songs/Song0000000001.wav"), "audio");
  std::string before = ReadHostFile(host);
  for (FailingFileSteps::Step step : {FailingFileSteps::kCopy, FailingFileSteps::kCheck, FailingFileSteps::kReplace}) {
    boxes.clear();
    FailingFileSteps steps(step, 1);
    EXPECT_FALSE(Ops(steps).CreateNewDatabase());
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(ReadHostFile(host), before);
    EXPECT_TRUE(std::filesystem::exists(sandbox.HostPath("C/Quaverhouse/Songs/Song0000000001.wav")));
    EXPECT_TRUE(Files("C/Quaverhouse", "QHA").empty());
    for (const std::string& backup : Files("C/Quaverhouse/Backup", "BK")) std::filesystem::remove(backup);
  }
}

TEST_F(DatabaseFileOpsTest, NewDatabaseInAnEmptyFolderMakesTheFoldersAndDeletesNothing) {
  std::filesystem::remove_all(sandbox.HostPath("C/Quaverhouse"));
  std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse"));
  EXPECT_TRUE(Ops().CreateNewDatabase());
  EXPECT_EQ(Sqlite3(host, "select count(*) from SongType;"), "148\n");
  EXPECT_TRUE(Files("C/Quaverhouse/Backup", "BK").empty());
  EXPECT_EQ(status.front(), "Creating Song Database. Please Wait...");
}

}  // namespace
