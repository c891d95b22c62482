#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "dblib/DefaultGenres.h"
#include "dblib/QHDb.h"
#include "maintenance/files/tests/MaintenanceTestSupport.h"
#include "maintenance/schema/SongDbSchema.h"
#include "platform/core/Paths.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/dao/Dao.h"

using qh::maint::testing::Sqlite3;

namespace {

// The distinct lines of the tool's answer.
std::set<std::string> Lines(const std::string& text) { return qh::maint::testing::LineSet(text); }

constexpr const char* kDbPath = "C:\\Quaverhouse\\Quaverhouse.qhd";

class SongDbSchemaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse"));
    CreateSongDatabase(kDbPath, [this](int number) { statementNumbers.push_back(number); });
    hostFile = qh::HostPathOf(kDbPath);
  }
  long DaoErrorOf(const std::function<void()>& action) {
    try {
      action();
    } catch (CDaoException* e) {
      e->GetErrorInfo(0);
      long code = e->m_pErrorInfo->m_lErrorCode;
      e->Delete();
      return code;
    }
    return 0;
  }

  qh::testing::TestSandbox sandbox;
  std::string hostFile;
  std::vector<int> statementNumbers;
};

TEST_F(SongDbSchemaTest, FileIsASoundSqliteDatabaseWithEveryTable) {
  EXPECT_EQ("ok\n", Sqlite3(hostFile, "PRAGMA integrity_check;"));
  std::set<std::string> tables = Lines(Sqlite3(hostFile, "select name from sqlite_master where type='table';"));
  for (const SchemaTable& table : kSongDbTables) EXPECT_TRUE(tables.count(table.name)) << table.name;
  EXPECT_EQ("148\n", Sqlite3(hostFile, "select count(*) from SongType where ReservedCode = -1 and MinBpm = 50 and MaxBpm = 200;"));
  EXPECT_EQ("DatabaseVersion|04.00\nVersionJukebox|YES\n",
            Sqlite3(hostFile, "select ParmName, ParmValue from QuavParms order by ParmName;"));
}

// Each index statement, read back from the file: table, uniqueness and columns in order.
TEST_F(SongDbSchemaTest, EveryIndexOfTheStatementListIsInTheFile) {
  std::set<std::string> present = Lines(Sqlite3(
      hostFile,
      "select m.name || '|' || il.\\\"unique\\\" || '|' || (select group_concat(ii.name, ',') from "
      "(select name from pragma_index_info(il.name) order by seqno) ii) from sqlite_master m, pragma_index_list(m.name) il "
      "where m.type = 'table' and il.origin = 'c';"));
  const std::regex statement(R"(CREATE (UNIQUE )?\s*INDEX (\w+) ON (\w+)\(([^)]*)\);)");
  int indexes = 0;
  for (int i = 0; std::string(kSongDbStatements[i]) != kSongDbStatementEnd; ++i) {
    std::cmatch match;
    if (!std::regex_match(kSongDbStatements[i], match, statement)) continue;
    std::string columns = std::regex_replace(match[4].str(), std::regex(R"(\s+)"), "");
    std::string expected = match[3].str() + "|" + (match[1].matched ? "1" : "0") + "|" + columns;
    EXPECT_TRUE(present.count(expected)) << expected;
    ++indexes;
  }
  EXPECT_EQ(25, indexes);
  EXPECT_EQ(25u, present.size());
}

TEST_F(SongDbSchemaTest, StatementsRunInOrderUpToTheEndMarker) {
  ASSERT_EQ(27u, statementNumbers.size());
  for (int i = 0; i < 27; ++i) EXPECT_EQ(i + 1, statementNumbers[i]);
}

TEST_F(SongDbSchemaTest, FieldsCarryTheirTypesSizesAndRules) {
  CDaoDatabase database;
  database.Open(kDbPath);
  for (const SchemaTable& table : kSongDbTables) {
    CDaoTableDef definition(&database);
    definition.Open(table.name);
    ASSERT_EQ(static_cast<short>(table.fields.size()), definition.GetFieldCount()) << table.name;
    for (size_t i = 0; i < table.fields.size(); ++i) {
      const SchemaField& field = table.fields[i];
      CDaoFieldInfo info;
      definition.GetFieldInfo(static_cast<int>(i), info, AFX_DAO_ALL_INFO);
      SCOPED_TRACE(std::string(table.name) + "." + field.name);
      EXPECT_EQ(field.name, info.m_strName.str());
      EXPECT_EQ(field.type, info.m_nType);
      if (field.type == dbText) {
        EXPECT_EQ(field.size, info.m_lSize);
      }
      EXPECT_EQ(field.required, info.m_bRequired != FALSE);
      if (field.type == dbText) {
        EXPECT_EQ(field.allowZeroLength, info.m_bAllowZeroLength != FALSE);
      }
    }
    definition.Close();
  }
}

TEST_F(SongDbSchemaTest, StoredQueriesAreInTheFile) {
  CDaoDatabase database;
  database.Open(kDbPath);
  ASSERT_EQ(kSongDbQueryCount, database.GetQueryDefCount());
  for (const StoredQuery& query : kSongDbQueries) {
    CDaoQueryDefInfo info;
    database.GetQueryDefInfo(query.name, info, AFX_DAO_ALL_INFO);
    EXPECT_EQ(query.sql, info.m_strSQL.str()) << query.name;
  }
  CDaoQueryDef detail(&database);
  detail.Open("qryGetSongDetail");
  EXPECT_EQ(1, detail.GetParameterCount());
}

TEST_F(SongDbSchemaTest, NewFilePassesTheVersionCheckAndIsEmpty) {
  tQHDb db;
  ASSERT_EQ(1, db.Open(kDbPath, TRUE, FALSE));
  EXPECT_EQ(0, db.CountSongs(""));
  EXPECT_EQ(-3, db.OpenCategoryCounts(6, "@"));
  ASSERT_EQ(1, db.OpenVolumes());
  LONG serial = 0, high = 0, low = 0;
  CString letter, label, path;
  EXPECT_EQ(0, db.NextVolume(serial, letter, label, path, high, low));
  ASSERT_EQ(1, db.OpenSongTypes(""));
  CString code, description;
  SHORT minBpm = 0, maxBpm = 0;
  LONG reserved = 0;
  int types = 0;
  while (db.NextSongType(code, description, minBpm, maxBpm, reserved) == 1) ++types;
  EXPECT_EQ(kDefaultGenreCount, types);
}

TEST_F(SongDbSchemaTest, RulesOfTheFieldsAreEnforced) {
  CDaoDatabase database;
  database.Open(kDbPath);
  const char* insert =
      "Insert Into Songs (SongID, SongName, SongArtist, SongGUID) Values (%d, 'Same', 'Same', '%s');";
  auto song = [&](int id, const char* guid) {
    CString sql;
    sql.Format(insert, id, guid);
    database.Execute(sql, dbFailOnError);
  };
  EXPECT_EQ(0, DaoErrorOf([&] { song(1, "{A}"); }));
  EXPECT_EQ(0, DaoErrorOf([&] { song(2, "{B}"); })) << "two songs of the same name and artist are accepted";
  EXPECT_EQ(3022, DaoErrorOf([&] { song(3, "{b}"); })) << "GUIDs are unique, without case";
  EXPECT_EQ(3315, DaoErrorOf([&] {
              database.Execute("Insert Into VolserList (DriveVolser, DriveLetter, DrivePath) Values (1, '', 'x');");
            }));
  EXPECT_EQ(3163, DaoErrorOf([&] { database.Execute("Update Songs Set SongCompression = 'AB' Where SongID = 1;"); }));
  EXPECT_EQ(3314, DaoErrorOf([&] { database.Execute("Insert Into QuavParms (ParmValue) Values ('x');"); }));
}

TEST_F(SongDbSchemaTest, AnExistingFileIsNotOverwritten) {
  long code = DaoErrorOf([] { CreateSongDatabase(kDbPath); });
  EXPECT_EQ(3204, code);
  EXPECT_EQ("ok\n", Sqlite3(hostFile, "PRAGMA integrity_check;"));
}

}  // namespace
