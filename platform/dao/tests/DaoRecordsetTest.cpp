// Recordsets: typed values, navigation of each kind, editing, query definitions, bound fields,
// forward-only walks that read nothing ahead, compaction and the file seen by the sqlite3 tool.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "platform/core/CrtNumbers.h"
#include "platform/core/DateTime.h"
#include "platform/dao/DaoConnection.h"
#include "platform/dao/tests/DaoTestSupport.h"

namespace qh::dao::testing {
namespace {

class DaoRecordsets : public DaoTest {
 protected:
  void SetUp() override {
    CreateSongDatabase();
    for (long id = 1; id <= 5; ++id) {
      CString name;
      name.Format("Song %ld", id);
      AddSong(id, name, "Artist", "Album", "Rock", COleDateTime(2004, 1, static_cast<int>(id), 10, 20, 30).m_dt);
    }
  }
};

TEST_F(DaoRecordsets, ValuesCarryTheirColumnTypes) {
  m_db.Execute("Update Songs Set SongCdTrack = 7, SongBPM = 120.5, SongUncompressed = True Where SongID = 1");
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenSnapshot,
          "Select SongID, SongName, SongCdTrack, SongBPM, SongUncompressed, SongDate, SongLabel, Count(*) From Songs "
          "Where SongID = 1 Group By SongID, SongName, SongCdTrack, SongBPM, SongUncompressed, SongDate, SongLabel",
          dbForwardOnly);
  EXPECT_EQ(rs.GetFieldValue(0).vt, VT_I4);
  EXPECT_EQ(rs.GetFieldValue(0).lVal, 1);
  EXPECT_EQ(rs.GetFieldValue(1).vt, VT_BSTR);
  EXPECT_STREQ(rs.GetFieldValue(1).bstrVal, "Song 1");
  EXPECT_EQ(rs.GetFieldValue(2).vt, VT_I2);
  EXPECT_EQ(rs.GetFieldValue(2).iVal, 7);
  EXPECT_EQ(rs.GetFieldValue(3).vt, VT_R8);
  EXPECT_DOUBLE_EQ(rs.GetFieldValue(3).dblVal, 120.5);
  EXPECT_EQ(rs.GetFieldValue(4).vt, VT_BOOL);
  EXPECT_EQ(rs.GetFieldValue(4).boolVal, -1);
  EXPECT_EQ(rs.GetFieldValue(5).vt, VT_DATE);
  EXPECT_EQ(COleDateTime(rs.GetFieldValue(5).date).Format("%Y-%m-%d %H:%M:%S"), "2004-01-01 10:20:30");
  EXPECT_EQ(rs.GetFieldValue(6).vt, VT_NULL);
  EXPECT_EQ(rs.GetFieldValue(7).vt, VT_I4);  // Count(*) is a Long
  CDaoFieldInfo info;
  rs.GetFieldInfo(1, info);
  EXPECT_EQ(info.m_nType, dbText);
  EXPECT_EQ(info.m_lSize, 80);
  EXPECT_TRUE(info.m_bRequired);
}

TEST_F(DaoRecordsets, SnapshotCountsAndMovesAnywhere) {
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenSnapshot, "Select SongID From Songs Order By SongID", dbReadOnly);
  EXPECT_TRUE(rs.CanScroll());
  EXPECT_FALSE(rs.CanUpdate());
  rs.MoveLast();
  EXPECT_EQ(rs.GetRecordCount(), 5);
  rs.MoveFirst();
  EXPECT_EQ(rs.GetAbsolutePosition(), 0);
  rs.SetAbsolutePosition(3);
  EXPECT_EQ(rs.GetFieldValue(0).lVal, 4);
  rs.Move(-2);
  EXPECT_EQ(rs.GetFieldValue(0).lVal, 2);
  rs.MovePrev();
  rs.MovePrev();
  EXPECT_TRUE(rs.IsBOF());
  EXPECT_EQ(rs.GetAbsolutePosition(), -1);
  EXPECT_EQ(DaoErrorOf([&] { rs.SetAbsolutePosition(5); }), kDaoErrInvalidArgument);
  EXPECT_EQ(DaoErrorOf([&] { rs.Move(1); }), kDaoErrNoCurrentRecord);  // no move from BOF
  rs.MoveFirst();
  rs.Move(10);
  EXPECT_TRUE(rs.IsEOF());

  CDaoRecordset empty(&m_db);
  empty.Open(dbOpenSnapshot, "Select SongID From Songs Where SongID > 99", dbReadOnly);
  EXPECT_TRUE(empty.IsBOF());
  EXPECT_TRUE(empty.IsEOF());
  EXPECT_EQ(empty.GetRecordCount(), 0);
  EXPECT_EQ(DaoErrorOf([&] { empty.MoveLast(); }), kDaoErrNoCurrentRecord);
}

TEST_F(DaoRecordsets, SnapshotKeepsItsRowsWhileTheTableChanges) {
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenSnapshot, "Select SongID, SongName From Songs Where SongName Like 'Song*' Order By SongID");
  m_db.Execute("Update Songs Set SongName = 'Renamed' Where SongID = 2");
  rs.MoveNext();
  EXPECT_STREQ(rs.GetFieldValue(1).bstrVal, "Song 2");
  EXPECT_EQ(rs.GetCachedRowCount(), 5);
}

TEST_F(DaoRecordsets, DynasetReadsRowsWhenTheyBecomeCurrentAndWritesBack) {
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenDynaset, "Select A.SongID, A.SongName, A.SongPlayCount From Songs A Order By A.SongID", dbConsistent);
  EXPECT_TRUE(rs.CanUpdate());
  m_db.Execute("Update Songs Set SongName = 'Changed elsewhere' Where SongID = 2");
  rs.MoveNext();
  EXPECT_STREQ(rs.GetFieldValue("A.SongName").bstrVal, "Changed elsewhere");
  rs.Edit();
  rs.SetFieldValue("SongPlayCount", COleVariant(static_cast<LONG>(9)));
  rs.Update();
  EXPECT_EQ(rs.GetFieldValue(2).lVal, 9);

  rs.MoveFirst();
  rs.AddNew();
  EXPECT_EQ(rs.GetEditMode(), dbEditAdd);
  EXPECT_EQ(DaoErrorOf([&] { rs.Update(); }), kDaoErrRequired);
  rs.CancelUpdate();
  EXPECT_EQ(rs.GetFieldValue(0).lVal, 1);  // AddNew does not move

  rs.SetAbsolutePosition(2);
  rs.Delete();
  EXPECT_TRUE(rs.IsDeleted());
  EXPECT_EQ(DaoErrorOf([&] { rs.GetFieldValue(0); }), kDaoErrRecordDeleted);
  rs.MoveNext();
  EXPECT_EQ(rs.GetFieldValue(0).lVal, 4);
  EXPECT_EQ(rs.GetRecordCount(), 4);
  rs.MoveLast();
  rs.Delete();
  rs.MoveNext();
  EXPECT_TRUE(rs.IsEOF());
  CDaoRecordset check(&m_db);
  check.Open(dbOpenSnapshot, "Select Count(*), Sum(SongPlayCount) From Songs");
  EXPECT_EQ(check.GetFieldValue(0).lVal, 3);
  EXPECT_EQ(check.GetFieldValue(1).lVal, 9);
}

TEST_F(DaoRecordsets, GroupedDynasetIsReadOnlyAndTableTypeIsWholeTable) {
  CDaoRecordset grouped(&m_db);
  grouped.Open(dbOpenDynaset, "Select SongArtist, Count(*) From Songs Group By SongArtist");
  EXPECT_FALSE(grouped.CanUpdate());
  EXPECT_EQ(grouped.GetFieldValue(1).lVal, 5);
  CDaoRecordset table(&m_db);
  table.Open(dbOpenTable, "Songs");
  EXPECT_EQ(table.GetFieldCount(), 23);
  EXPECT_TRUE(table.CanUpdate());
}

TEST_F(DaoRecordsets, FilterAndSortNarrowATableAndRequerySeesNewRows) {
  CDaoRecordset rs(&m_db);
  rs.m_strFilter = "SongID > 2";
  rs.m_strSort = "SongID Desc";
  rs.Open(dbOpenSnapshot, "Songs");
  EXPECT_EQ(rs.GetFieldValue("SongID").lVal, 5);
  rs.MoveLast();
  EXPECT_EQ(rs.GetRecordCount(), 3);
  AddSong(6, "Six", "Artist", nullptr, nullptr);
  rs.Requery();
  EXPECT_EQ(rs.GetFieldValue("SongID").lVal, 6);
}

TEST_F(DaoRecordsets, ANameThatBeginsLikeAStatementIsStillAName) {
  m_db.Execute("CREATE TABLE Select_Songs (A LONG)");
  m_db.Execute("Insert Into Select_Songs Values (7)");
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenTable, "Select_Songs");
  EXPECT_EQ(rs.GetFieldValue("A").lVal, 7);
}

TEST_F(DaoRecordsets, ForwardOnlyWalkReadsNothingAhead) {
  CDaoQueryDef insert(&m_db);
  insert.Create(nullptr,
                "PARAMETERS pId Long; Insert Into Songs (SongID, SongName, SongArtist, SongGUID) Values (pId, 'n', 'a', "
                "'g' & pId)");
  m_db.m_pWorkspace->BeginTrans();
  for (long id = 100; id < 20100; ++id) {
    insert.SetParamValue("pId", COleVariant(static_cast<LONG>(id)));
    insert.Execute();
  }
  m_db.m_pWorkspace->CommitTrans();

  // Count how many rows SQLite produces for the cursor.
  static long produced = 0;
  sqlite3_create_function_v2(m_db.Connection()->Handle(), "produced", 1, SQLITE_UTF8, nullptr,
                             [](sqlite3_context* context, int, sqlite3_value** argv) {
                               ++produced;
                               sqlite3_result_value(context, argv[0]);
                             },
                             nullptr, nullptr, nullptr);
  produced = 0;
  CDaoRecordset walk(&m_db);
  walk.Open(dbOpenForwardOnly, "Select produced(SongID) From Songs");
  walk.MoveNext();
  walk.MoveNext();
  EXPECT_EQ(walk.GetRecordCount(), 3);
  EXPECT_EQ(produced, 3);
  EXPECT_EQ(walk.GetCachedRowCount(), 0);
  EXPECT_FALSE(walk.CanScroll());
  walk.Close();

  produced = 0;
  CDaoRecordset snapshot(&m_db);
  snapshot.Open(dbOpenSnapshot, "Select produced(SongID) From Songs");
  EXPECT_EQ(produced, 20005);
  EXPECT_EQ(snapshot.GetCachedRowCount(), 20005);
}

// How SQLite runs a statement of the engine's dialect ("SEARCH ... USING INDEX ..." or "SCAN ...").
std::string QueryPlan(CDaoDatabase& db, const char* jetSql) {
  std::shared_ptr<const PreparedText> text = db.Connection()->Prepare(jetSql, "test");
  sqlite3_stmt* plan = nullptr;
  std::string sql = "EXPLAIN QUERY PLAN " + text->translated.sql;
  EXPECT_EQ(sqlite3_prepare_v2(db.Connection()->Handle(), sql.c_str(), -1, &plan, nullptr), SQLITE_OK);
  std::string steps;
  while (sqlite3_step(plan) == SQLITE_ROW) steps += reinterpret_cast<const char*>(sqlite3_column_text(plan, 3));
  sqlite3_finalize(plan);
  return steps;
}

TEST_F(DaoRecordsets, LookupsByKeyUseTheIndexes) {
  EXPECT_NE(QueryPlan(m_db, "Select SongName From Songs Where SongID = [pSongID]").find("USING INDEX Songs:PrimaryKey"),
            std::string::npos);
  EXPECT_NE(QueryPlan(m_db, "Select SongName From Songs Where SongID = 17").find("USING INDEX Songs:PrimaryKey"),
            std::string::npos);
  EXPECT_NE(QueryPlan(m_db, "Select Count(*) From Songs Where SongGUID = '{X}'").find("USING COVERING INDEX Songs:IXSongGUID"),
            std::string::npos);
  EXPECT_NE(QueryPlan(m_db, "Select SongID From SongGenre Where SongID = 3 And SongGenre = 'rock'").find("SongGenre:PrimaryKey"),
            std::string::npos);
}

TEST_F(DaoRecordsets, StoredQueriesSurviveReopeningAndTakeParameters) {
  m_db.Close();
  m_db.Open(DbPath().c_str(), TRUE, FALSE, "");
  EXPECT_EQ(m_db.GetQueryDefCount(), 3);
  CDaoQueryDef detail(&m_db);
  detail.Open("QRYGETSONGDETAIL");
  EXPECT_EQ(detail.GetName(), "qryGetSongDetail");
  EXPECT_EQ(detail.GetParameterCount(), 1);
  CDaoParameterInfo parameter;
  detail.GetParameterInfo(0, parameter);
  EXPECT_EQ(parameter.m_strName, "pSongID");
  detail.SetParamValue("[pSongID]", COleVariant(static_cast<LONG>(3)));
  CDaoRecordset rs(&m_db);
  rs.Open(&detail, dbOpenSnapshot, dbForwardOnly);
  EXPECT_STREQ(rs.GetFieldValue("SongName").bstrVal, "Song 3");
  rs.Close();

  // The stored query is updatable: a new song goes in through it.
  detail.SetParamValue(0, COleVariant(static_cast<LONG>(42)));
  rs.Open(&detail, dbOpenDynaset, dbConsistent);
  EXPECT_TRUE(rs.IsEOF());
  rs.AddNew();
  rs.SetFieldValue(0, COleVariant(static_cast<LONG>(42)));
  rs.SetFieldValue(1, "Forty-two");
  rs.SetFieldValue(2, "Artist");
  rs.SetFieldValue(21, "{42}");
  rs.SetFieldValue(22, COleVariant(static_cast<LONG>(0)));
  rs.Update();
  rs.Close();

  CDaoQueryDef bump(&m_db);
  bump.Open("qryUpdateSongPlayCount");
  bump.SetParamValue(0, COleVariant(static_cast<LONG>(42)));
  bump.Execute(dbFailOnError);
  EXPECT_EQ(bump.GetRecordsAffected(), 1);
  CDaoRecordset check(&m_db);
  check.Open(dbOpenSnapshot, "Select SongPlayCount From Songs Where SongName = 'forty-two'");
  EXPECT_EQ(check.GetFieldValue(0).lVal, 1);

  CDaoQueryDef genres(&m_db);
  genres.Create(nullptr, "Select SongGenre, PrimaryGenre,  SongID from SongGenre Where SongID = [pSongID]; ");
  EXPECT_EQ(genres.GetParameterCount(), 1);
  EXPECT_EQ(DaoErrorOf([&] {
              CDaoRecordset missing(&m_db);
              missing.Open(&genres, dbOpenSnapshot, dbForwardOnly);
            }),
            kDaoErrTooFewParameters);
  m_db.DeleteQueryDef("qryUpdateSongPlayCount");
  EXPECT_EQ(m_db.GetQueryDefCount(), 2);
}

// The bound recordset of the parameter table, as the library reads the version with it.
class CParmsSet : public CDaoRecordset {
 public:
  explicit CParmsSet(CDaoDatabase* db) : CDaoRecordset(db) {
    m_nFields = 2;
    m_nDefaultType = dbOpenDynaset;
  }
  CString GetDefaultSQL() override { return "QuavParms"; }
  void DoFieldExchange(CDaoFieldExchange* pFX) override {
    pFX->SetFieldType(CDaoFieldExchange::outputColumn);
    DFX_Text(pFX, "[ParmName]", m_ParmName, 255, AFX_DAO_ENABLE_FIELD_CACHE);
    DFX_Text(pFX, "[ParmValue]", m_ParmValue, 255, AFX_DAO_ENABLE_FIELD_CACHE);
  }
  CString m_ParmName;
  CString m_ParmValue;
};

TEST_F(DaoRecordsets, BoundRecordsetReadsAndWritesItsMembers) {
  CParmsSet parms(&m_db);
  parms.m_strFilter = "ParmName = 'DatabaseVersion'";
  parms.Open(dbOpenSnapshot, nullptr, dbForwardOnly);
  ASSERT_FALSE(parms.IsEOF());
  EXPECT_EQ(parms.m_ParmName, "DatabaseVersion");
  EXPECT_DOUBLE_EQ(qh_atof(parms.m_ParmValue), 4.0);
  parms.Close();

  parms.m_strFilter = "ParmName = 'LoadDate'";
  parms.Open(dbOpenSnapshot, nullptr, dbForwardOnly);
  EXPECT_TRUE(parms.IsEOF());
  parms.Close();

  parms.m_strFilter = "ParmName = 'versionjukebox'";
  parms.Open();
  EXPECT_EQ(parms.m_ParmValue, "YES");
  parms.Edit();
  parms.m_ParmValue = "NO";
  parms.Update();
  parms.Close();
  CDaoRecordset check(&m_db);
  check.Open(dbOpenSnapshot, "Select ParmValue From QuavParms Where ParmName = 'VersionJukebox'");
  EXPECT_STREQ(check.GetFieldValue(0).bstrVal, "NO");
}

TEST_F(DaoRecordsets, ClosingTheDatabaseClosesItsRecordsets) {
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenForwardOnly, "Select SongID From Songs");
  m_db.Close();
  EXPECT_FALSE(rs.IsOpen());
  EXPECT_EQ(DaoErrorOf([&] { rs.MoveNext(); }), kDaoErrObjectInvalid);
}

TEST_F(DaoRecordsets, CompactionWritesAWorkingCopy) {
  m_db.Close();
  CDaoWorkspace::CompactDatabase(DbPath().c_str(), "C:\\compact.qhd", dbLangGeneral, 0);
  EXPECT_EQ(DaoErrorOf([&] { CDaoWorkspace::CompactDatabase(DbPath().c_str(), "C:\\compact.qhd"); }), kDaoErrDatabaseExists);
  CDaoDatabase copy;
  copy.Open("C:\\compact.qhd", TRUE, FALSE, "");
  CDaoRecordset rs(&copy);
  rs.Open(dbOpenSnapshot, "Select Count(*) From Songs Where SongArtist = 'ARTIST'");
  EXPECT_EQ(rs.GetFieldValue(0).lVal, 5);
  CDaoQueryDef query(&copy);
  query.Open("qryPlaylistSongIDByName");
  EXPECT_EQ(query.GetParameterCount(), 1);
  rs.Close();
  query.Close();
  copy.Close();
  CDaoWorkspace::RepairDatabase("C:\\compact.qhd");
  EXPECT_EQ(RunSqliteTool(m_sandbox.HostPath("C/compact.qhd"), "PRAGMA integrity_check;"), "ok\n");
}

TEST_F(DaoRecordsets, TheFileReadsInTheSqliteTool) {
  m_db.Execute("Update Songs Set SongArtist = '\xC9ric' Where SongID = 1");
  m_db.Close();
  EXPECT_EQ(RunSqliteTool(HostPath(), "PRAGMA integrity_check;"), "ok\n");
  EXPECT_EQ(RunSqliteTool(HostPath(), "SELECT SongArtist FROM Songs WHERE SongID = 1;"), "\xC3\x89ric\n");  // UTF-8
  EXPECT_EQ(RunSqliteTool(HostPath(), "SELECT typeof(SongUncompressed), SongUncompressed FROM Songs WHERE SongID = 1;"),
            "integer|0\n");
  EXPECT_EQ(RunSqliteTool(HostPath(), "SELECT typeof(SongDate) FROM Songs WHERE SongID = 1;"), "real\n");
  EXPECT_EQ(RunSqliteTool(HostPath(), "SELECT name FROM DaoSysQueries ORDER BY name;"),
            "qryGetSongDetail\nqryPlaylistSongIDByName\nqryUpdateSongPlayCount\n");
}

}  // namespace
}  // namespace qh::dao::testing
