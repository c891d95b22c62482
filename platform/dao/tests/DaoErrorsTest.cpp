// The engine error numbers: opening (3024, 3045, 3343, 3049), rules of the fields (3163, 3314,
// 3022, 3349) and misuse of the objects (3020, 3021, 3061, 3075, 3078, 3219, 3265, 3012).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "platform/dao/tests/DaoTestSupport.h"

namespace qh::dao::testing {
namespace {

class DaoOpenErrors : public DaoTest {
 protected:
  void MakeDatabase() {
    CreateSongDatabase();
    AddSong(1, "Yesterday", "The Beatles", "Help!", "Rock");
    m_db.Close();
  }
  long OpenError(BOOL exclusive = FALSE, BOOL readOnly = FALSE) {
    return DaoErrorOf([&] {
      CDaoDatabase db;
      db.Open(DbPath().c_str(), exclusive, readOnly, "");
    });
  }
};

TEST_F(DaoOpenErrors, MissingFileIs3024) {
  CString description;
  EXPECT_EQ(DaoErrorOf([&] { m_db.Open("C:\\nowhere.qhd", TRUE, FALSE, ""); }, &description), kDaoErrFileNotFound);
  EXPECT_EQ(description, "Could not find file 'C:\\nowhere.qhd'.");
  EXPECT_FALSE(m_db.IsOpen());
}

// Code that handles every framework exception alike catches the engine's as a CException*.
TEST_F(DaoOpenErrors, EngineErrorsAreFrameworkExceptions) {
  char text[128] = {};
  try {
    m_db.Open("C:\\nowhere.qhd", FALSE, FALSE, "");
    ADD_FAILURE() << "no exception";
  } catch (CException* e) {
    ASSERT_NE(dynamic_cast<CDaoException*>(e), nullptr);
    EXPECT_TRUE(e->GetErrorMessage(text, sizeof text));
    e->Delete();
  }
  EXPECT_STREQ(text, "Could not find file 'C:\\nowhere.qhd'. (3024)");
  char cut[10] = {};
  CDaoException exception(kDaoErrFileNotFound, "Could not find file 'x'.", "DAO.Workspace");
  EXPECT_TRUE(exception.GetErrorMessage(cut, sizeof cut));
  EXPECT_STREQ(cut, "Could not");
}

TEST_F(DaoOpenErrors, CreateRefusesAnExistingFileAndAMissingFolder) {
  MakeDatabase();
  CDaoDatabase again;
  EXPECT_EQ(DaoErrorOf([&] { again.Create(DbPath().c_str()); }), kDaoErrDatabaseExists);
  EXPECT_EQ(DaoErrorOf([&] { again.Create("C:\\no folder\\new.qhd"); }), 3044);
  EXPECT_FALSE(again.IsOpen());
}

TEST_F(DaoOpenErrors, ReadOnlyOpenRefusesWrites) {
  MakeDatabase();
  m_db.Open(DbPath().c_str(), FALSE, TRUE, "");
  EXPECT_FALSE(m_db.CanUpdate());
  EXPECT_EQ(DaoErrorOf([&] { m_db.Execute("Delete From Songs"); }), kDaoErrReadOnly);
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenDynaset, "Select SongID From Songs");
  EXPECT_FALSE(rs.CanUpdate());
  EXPECT_EQ(DaoErrorOf([&] { rs.Edit(); }), kDaoErrReadOnly);
}

TEST_F(DaoOpenErrors, FileHeldByAnotherProcessIs3045) {
  MakeDatabase();
  int ready[2];
  int release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int status = 1;
    try {
      CDaoDatabase db;
      db.Open(DbPath().c_str(), TRUE, FALSE, "");
      status = 0;
      char byte = 1;
      if (write(ready[1], &byte, 1) != 1) status = 2;
      if (read(release[0], &byte, 1) != 1) status = 3;
    } catch (CDaoException* e) {
      e->Delete();
    }
    _exit(status);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  EXPECT_EQ(OpenError(TRUE), kDaoErrFileInUse);
  EXPECT_EQ(OpenError(FALSE), kDaoErrFileInUse);
  EXPECT_EQ(OpenError(FALSE, TRUE), kDaoErrFileInUse);
  ASSERT_EQ(write(release[1], &byte, 1), 1);
  int status = -1;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(OpenError(TRUE), 0);  // free again once the other program has ended
  for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
}

TEST_F(DaoOpenErrors, AnotherProcessIsRefusedAnExclusiveOpenWhileSharedOpensMix) {
  MakeDatabase();
  m_db.Open(DbPath().c_str(), FALSE, FALSE, "");
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    long exclusive = OpenError(TRUE);
    long shared = OpenError(FALSE);
    _exit(exclusive == kDaoErrFileInUse && shared == 0 ? 0 : 1);
  }
  int status = -1;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(DaoOpenErrors, OneProgramMayOpenItsExclusiveFileAgain) {
  MakeDatabase();
  m_db.Open(DbPath().c_str(), TRUE, FALSE, "");
  CDaoDatabase second;
  EXPECT_EQ(DaoErrorOf([&] { second.Open(DbPath().c_str(), FALSE, FALSE, ""); }), 0);
  EXPECT_TRUE(second.IsOpen());
}

TEST_F(DaoOpenErrors, NonDatabaseFilesAre3343) {
  std::ofstream(HostPath()) << "This is a text file, not a database; it is long enough to hold a header.\n";
  EXPECT_EQ(OpenError(), kDaoErrUnrecognizedFormat);
  std::ofstream(HostPath(), std::ios::trunc).close();
  EXPECT_EQ(OpenError(), kDaoErrUnrecognizedFormat);
}

TEST_F(DaoOpenErrors, DamagedFileIs3049) {
  MakeDatabase();
  {
    std::fstream file(HostPath(), std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(100);  // the first page's tree header, after the file header
    std::string garbage(400, '\xEE');
    file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
  }
  EXPECT_EQ(OpenError(), kDaoErrCorrupt);
}

class DaoRuleErrors : public DaoTest {
 protected:
  void SetUp() override {
    CreateSongDatabase();
    AddSong(1, "Yesterday", "The Beatles", "Help!", "Rock");
  }
  long ExecuteError(const std::string& sql) {
    return DaoErrorOf([&] { m_db.Execute(sql.c_str(), dbFailOnError); });
  }
};

TEST_F(DaoRuleErrors, FieldTooSmallIs3163) {
  std::string longName(81, 'x');
  EXPECT_EQ(ExecuteError("Update Songs Set SongName = '" + longName + "' Where SongID = 1"), kDaoErrFieldTooSmall);
  EXPECT_EQ(ExecuteError("Update Songs Set SongName = '" + longName.substr(1) + "' Where SongID = 1"), 0);
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenDynaset, "Select SongID, SongName From Songs Where SongID = 1");
  rs.Edit();
  EXPECT_EQ(DaoErrorOf([&] { rs.SetFieldValue(1, longName.c_str()); }), kDaoErrFieldTooSmall);
  rs.CancelUpdate();
}

TEST_F(DaoRuleErrors, RequiredNullIs3314) {
  CString description;
  EXPECT_EQ(DaoErrorOf([&] { m_db.Execute("Insert Into Songs (SongID, SongArtist, SongGUID) Values (2, 'x', 'g2')"); },
                       &description),
            kDaoErrRequired);
  EXPECT_NE(description.Find("Songs.SongName"), -1) << description;
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenDynaset, "Select SongID, SongName, SongArtist, SongGUID From Songs Where SongID = 1");
  rs.Edit();
  rs.SetFieldValueNull("SongArtist");
  EXPECT_EQ(DaoErrorOf([&] { rs.Update(); }), kDaoErrRequired);
  EXPECT_EQ(rs.GetEditMode(), dbEditInProgress);  // the edit stays open for a correction
  rs.SetFieldValue("SongArtist", "Someone");
  rs.Update();
  EXPECT_STREQ(rs.GetFieldValue("SongArtist").bstrVal, "Someone");
}

TEST_F(DaoRuleErrors, DuplicateKeyIs3022EvenInAnotherCase) {
  EXPECT_EQ(ExecuteError("Insert Into SongGenre (SongID, SongGenre, PrimaryGenre) Values (1, 'ROCK', False)"),
            kDaoErrDuplicateKey);
  EXPECT_EQ(ExecuteError("Insert Into SongGenre (SongID, SongGenre, PrimaryGenre) Values (1, 'Pop', False)"), 0);
  EXPECT_EQ(ExecuteError("Insert Into Songs (SongID, SongName, SongArtist, SongGUID) Values (2, 'a', 'b', "
                         "'{00000001-0000-0000-0000-000000000000}')"),
            kDaoErrDuplicateKey);
}

TEST_F(DaoRuleErrors, NumberOutOfItsFieldIs3349) {
  EXPECT_EQ(ExecuteError("Update Songs Set SongCdTrack = 40000 Where SongID = 1"), kDaoErrNumericOverflow);
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenDynaset, "Select SongCdTrack From Songs Where SongID = 1");
  rs.Edit();
  EXPECT_EQ(DaoErrorOf([&] { rs.SetFieldValue(0, COleVariant(static_cast<LONG>(40000))); }), kDaoErrNumericOverflow);
  EXPECT_EQ(DaoErrorOf([&] { rs.SetFieldValue(0, "twelve"); }), kDaoErrConversion);
  rs.SetFieldValue(0, "12");
  rs.Update();
  EXPECT_EQ(rs.GetFieldValue(0).vt, VT_I2);
  EXPECT_EQ(rs.GetFieldValue(0).iVal, 12);
}

TEST_F(DaoRuleErrors, MisusedObjectsRaiseTheirNumbers) {
  EXPECT_EQ(ExecuteError("Select * Form Songs"), kDaoErrSyntaxInExpression);
  EXPECT_EQ(ExecuteError("Delete From NoSuchTable"), kDaoErrNoSuchTable);
  EXPECT_EQ(ExecuteError("Update Songs Set SongName = 'x' Where SongID = [pId]"), kDaoErrTooFewParameters);
  EXPECT_EQ(ExecuteError("Select * From Songs"), 3065);
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenSnapshot, "Select SongID From Songs", dbForwardOnly);
  EXPECT_EQ(DaoErrorOf([&] { rs.MovePrev(); }), kDaoErrInvalidOperation);
  EXPECT_EQ(DaoErrorOf([&] { rs.GetFieldValue("NoSuchField"); }), kDaoErrItemNotFound);
  EXPECT_EQ(DaoErrorOf([&] { rs.Update(); }), kDaoErrUpdateWithoutEdit);
  rs.MoveNext();
  EXPECT_TRUE(rs.IsEOF());
  EXPECT_EQ(DaoErrorOf([&] { rs.GetFieldValue(0); }), kDaoErrNoCurrentRecord);
  EXPECT_EQ(DaoErrorOf([&] { rs.MoveNext(); }), kDaoErrNoCurrentRecord);
  CDaoRecordset snapshot(&m_db);
  snapshot.Open(dbOpenSnapshot, "Select SongID From Songs");
  EXPECT_EQ(DaoErrorOf([&] { snapshot.AddNew(); }), kDaoErrReadOnly);
  CDaoQueryDef query(&m_db);
  EXPECT_EQ(DaoErrorOf([&] { query.Open("qryMissing"); }), kDaoErrItemNotFound);
  query.Create("qryGetSongDetail", "Select * From Songs");
  EXPECT_EQ(DaoErrorOf([&] { query.Append(); }), kDaoErrObjectExists);
}

TEST_F(DaoRuleErrors, ErrorListCarriesTheStorageEngineMessageSecond) {
  try {
    m_db.Execute("Insert Into SongGenre (SongID, SongGenre) Values (1, 'rock')", dbFailOnError);
    FAIL() << "no exception";
  } catch (CDaoException* e) {
    ASSERT_EQ(e->GetErrorCount(), 2);
    EXPECT_EQ(e->m_pErrorInfo->m_lErrorCode, kDaoErrDuplicateKey);
    EXPECT_EQ(e->m_pErrorInfo->m_strSource, "DAO.Database");
    e->GetErrorInfo(1);
    EXPECT_EQ(e->m_pErrorInfo->m_strSource, "SQLite");
    EXPECT_NE(e->m_pErrorInfo->m_strDescription.Find("UNIQUE"), -1);
    e->Delete();
  }
}

}  // namespace
}  // namespace qh::dao::testing
