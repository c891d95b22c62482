// Workspace transactions: commit, rollback, nesting through savepoints, several databases in one
// workspace, separate workspaces, and the engine version text.
#include <gtest/gtest.h>

#include "platform/core/CrtNumbers.h"
#include "platform/dao/tests/DaoTestSupport.h"

namespace qh::dao::testing {
namespace {

class DaoTransactions : public DaoTest {
 protected:
  void SetUp() override { CreateSongDatabase(); }
  long Count(CDaoDatabase& db, const char* where = "") {
    CDaoRecordset rs(&db);
    rs.Open(dbOpenSnapshot, (std::string("Select Count(*) From Songs ") + where).c_str(), dbForwardOnly);
    return rs.GetFieldValue(0).lVal;
  }
};

TEST_F(DaoTransactions, RollbackUndoesAndCommitKeeps) {
  m_db.m_pWorkspace->BeginTrans();
  AddSong(1, "One", "A", nullptr, "Rock");
  EXPECT_EQ(Count(m_db), 1);
  m_db.m_pWorkspace->Rollback();
  EXPECT_EQ(Count(m_db), 0);

  m_db.m_pWorkspace->BeginTrans();
  AddSong(2, "Two", "B", nullptr, "Rock");
  m_db.m_pWorkspace->CommitTrans();
  m_db.Close();
  m_db.Open(DbPath().c_str(), TRUE, FALSE, "");
  EXPECT_EQ(Count(m_db), 1);
}

TEST_F(DaoTransactions, NestedLevelsAreSavepoints) {
  CDaoWorkspace& ws = *m_db.m_pWorkspace;
  ws.BeginTrans();
  AddSong(1, "Outer", "A", nullptr, nullptr);
  ws.BeginTrans();
  EXPECT_EQ(ws.GetTransactionLevel(), 2);
  AddSong(2, "Inner", "B", nullptr, nullptr);
  ws.Rollback();  // only the inner level
  EXPECT_EQ(ws.GetTransactionLevel(), 1);
  EXPECT_EQ(Count(m_db), 1);
  ws.BeginTrans();
  AddSong(3, "Inner kept", "C", nullptr, nullptr);
  ws.CommitTrans();
  ws.CommitTrans();
  EXPECT_EQ(ws.GetTransactionLevel(), 0);
  m_db.Close();
  m_db.Open(DbPath().c_str(), FALSE, FALSE, "");
  EXPECT_EQ(Count(m_db), 2);
  EXPECT_EQ(Count(m_db, "Where SongID = 2"), 0);
}

TEST_F(DaoTransactions, OuterRollbackUndoesCommittedInnerLevels) {
  CDaoWorkspace& ws = *m_db.m_pWorkspace;
  ws.BeginTrans();
  ws.BeginTrans();
  AddSong(1, "Inner", "A", nullptr, nullptr);
  ws.CommitTrans();
  ws.Rollback();
  EXPECT_EQ(Count(m_db), 0);
}

TEST_F(DaoTransactions, ClosingTheLastDatabaseRollsItsTransactionBack) {
  CDaoDatabase other;
  other.Create("C:\\other.qhd");
  other.Execute("CREATE TABLE T (A LONG)");
  CDaoWorkspace ws;
  ws.Open();
  ws.BeginTrans();
  AddSong(1, "Never kept", "A", nullptr, nullptr);
  other.Execute("Insert Into T Values (1)");
  other.Close();
  EXPECT_EQ(ws.GetTransactionLevel(), 1);  // still open on the database left
  m_db.Close();
  EXPECT_EQ(ws.GetTransactionLevel(), 0);
  EXPECT_EQ(DaoErrorOf([&] { ws.CommitTrans(); }), 3034);

  m_db.Open(DbPath().c_str(), FALSE, FALSE, "");
  other.Open("C:\\other.qhd", FALSE, FALSE, "");
  EXPECT_EQ(Count(m_db), 0);
  CDaoRecordset rs(&other);
  rs.Open(dbOpenSnapshot, "Select Count(*) From T");
  EXPECT_EQ(rs.GetFieldValue(0).lVal, 0);
  rs.Close();
  // The next transaction starts at the first level again and commits.
  ws.BeginTrans();
  EXPECT_EQ(ws.GetTransactionLevel(), 1);
  AddSong(2, "Kept", "B", nullptr, nullptr);
  ws.CommitTrans();
  m_db.Close();
  m_db.Open(DbPath().c_str(), FALSE, FALSE, "");
  EXPECT_EQ(Count(m_db), 1);
}

TEST_F(DaoTransactions, CommitOrRollbackWithoutBeginIs3034) {
  EXPECT_EQ(DaoErrorOf([&] { m_db.m_pWorkspace->CommitTrans(); }), 3034);
  EXPECT_EQ(DaoErrorOf([&] { m_db.m_pWorkspace->Rollback(); }), 3034);
}

TEST_F(DaoTransactions, DefaultWorkspaceSpansItsDatabases) {
  CDaoDatabase other;
  other.Create("C:\\other.qhd");
  other.Execute("CREATE TABLE T (A LONG)");
  CDaoWorkspace ws;
  ws.Open();  // this thread's default workspace, which both databases joined
  EXPECT_EQ(ws.GetDatabaseCount(), 2);
  ws.BeginTrans();
  AddSong(1, "One", "A", nullptr, nullptr);
  other.Execute("Insert Into T Values (1)");
  ws.Rollback();
  EXPECT_EQ(Count(m_db), 0);
  CDaoRecordset rs(&other);
  rs.Open(dbOpenSnapshot, "Select Count(*) From T");
  EXPECT_EQ(rs.GetFieldValue(0).lVal, 0);
  CDaoDatabaseInfo info;
  ws.GetDatabaseInfo(0, info);
  EXPECT_EQ(info.m_strName, DbPath().c_str());
}

TEST_F(DaoTransactions, AWorkspaceOfItsOwnKeepsItsTransactions) {
  CDaoWorkspace own;
  own.Create("TestWorkSpace", "admin", "");
  CDaoDatabase other(&own);
  other.Create("C:\\other.qhd");
  other.Execute("CREATE TABLE T (A LONG)");
  own.BeginTrans();
  other.Execute("Insert Into T Values (1)");
  EXPECT_EQ(m_db.m_pWorkspace->GetTransactionLevel(), 0);
  own.Rollback();
  CDaoRecordset rs(&other);
  rs.Open(dbOpenSnapshot, "Select Count(*) From T");
  EXPECT_EQ(rs.GetFieldValue(0).lVal, 0);
  EXPECT_EQ(DaoErrorOf([] {
              CDaoWorkspace stranger;
              stranger.Create("X", "guest", "secret");
            }),
            3029);
}

TEST_F(DaoTransactions, EngineVersionReadsAsANumberOf35OrMore) {
  CDaoWorkspace ws;
  ws.Create("TestWorkSpace", "", "");
  CString version = ws.GetVersion();
  EXPECT_GE(qh_atof(version), 3.5) << version;
  EXPECT_NE(version.Find("SQLite"), -1);
  EXPECT_EQ(m_db.GetVersion(), "4.0");
}

}  // namespace
}  // namespace qh::dao::testing
