// Tables made through table definitions: field properties kept in the file and enforced (sizes,
// Required, AllowZeroLength, fixed-length texts, validation rules, defaults), per-table index names,
// and the lists of tables and indexes.
#include <gtest/gtest.h>

#include "platform/dao/tests/DaoTestSupport.h"

namespace qh::dao::testing {
namespace {

CDaoFieldInfo Field(const char* name, short type, long size, long attributes, BOOL required, BOOL allowZero) {
  CDaoFieldInfo field;
  field.m_strName = name;
  field.m_nType = type;
  field.m_lSize = size;
  field.m_lAttributes = attributes;
  field.m_bRequired = required;
  field.m_bAllowZeroLength = allowZero;
  field.m_lCollatingOrder = dbSortGeneral;
  return field;
}

class DaoSchema : public DaoTest {
 protected:
  void SetUp() override {
    m_db.Create(DbPath().c_str(), dbLangGeneral, 0);
    CDaoTableDef volumes(&m_db);
    volumes.Create("VolserList");
    volumes.CreateField(Field("DriveVolser", dbLong, 4, dbFixedField, FALSE, FALSE));
    volumes.CreateField(Field("DriveLetter", dbText, 1, dbVariableField, TRUE, FALSE));
    volumes.CreateField(Field("DriveLabel", dbText, 30, dbVariableField, FALSE, TRUE));
    volumes.CreateField(Field("DrivePath", dbText, 255, dbVariableField, TRUE, FALSE));
    CDaoFieldInfo compression = Field("SongCompression", dbText, 1, dbFixedField, FALSE, TRUE);
    volumes.CreateField(compression);
    CDaoFieldInfo rated = Field("Rating", dbInteger, 2, dbFixedField, FALSE, FALSE);
    rated.m_strValidationRule = "Between 1 And 5";
    rated.m_strValidationText = "A rating lies between 1 and 5.";
    volumes.CreateField(rated);
    CDaoFieldInfo counted = Field("Uses", dbLong, 4, dbFixedField, FALSE, FALSE);
    counted.m_strDefaultValue = "7";
    volumes.CreateField(counted);
    volumes.Append();
    volumes.Close();
    m_db.Execute("CREATE UNIQUE  INDEX PrimaryKey ON VolserList(       DriveVolser);", dbFailOnError);
    m_db.Execute("CREATE TABLE QuavParms (ParmName TEXT(20) NOT NULL, ParmValue TEXT(20))", dbFailOnError);
    m_db.Execute("CREATE UNIQUE  INDEX PrimaryKey ON QuavParms(       ParmName);", dbFailOnError);
  }
  long Insert(const std::string& values) {
    return DaoErrorOf([&] {
      m_db.Execute(("Insert Into VolserList (DriveVolser, DriveLetter, DriveLabel, DrivePath, SongCompression, Rating) "
                    "Values (" + values + ")").c_str(),
                   dbFailOnError);
    });
  }
};

TEST_F(DaoSchema, FieldPropertiesAreKeptInTheFile) {
  m_db.Close();
  m_db.Open(DbPath().c_str(), FALSE, FALSE, "");
  CDaoTableDef volumes(&m_db);
  volumes.Open("volserlist");
  EXPECT_EQ(volumes.GetName(), "VolserList");
  ASSERT_EQ(volumes.GetFieldCount(), 7);
  CDaoFieldInfo info;
  volumes.GetFieldInfo(1, info, AFX_DAO_ALL_INFO);
  EXPECT_EQ(info.m_strName, "DriveLetter");
  EXPECT_EQ(info.m_nType, dbText);
  EXPECT_EQ(info.m_lSize, 1);
  EXPECT_TRUE(info.m_bRequired);
  EXPECT_FALSE(info.m_bAllowZeroLength);
  volumes.GetFieldInfo("DriveLabel", info);
  EXPECT_TRUE(info.m_bAllowZeroLength);
  volumes.GetFieldInfo("SongCompression", info);
  EXPECT_TRUE(info.m_lAttributes & dbFixedField);
  volumes.GetFieldInfo("Rating", info);
  EXPECT_EQ(info.m_strValidationRule, "Between 1 And 5");
  EXPECT_EQ(volumes.GetIndexCount(), 1);
  CDaoIndexInfo index;
  volumes.GetIndexInfo(0, index);
  EXPECT_EQ(index.m_strName, "PrimaryKey");
  EXPECT_TRUE(index.m_bUnique);
  ASSERT_EQ(index.m_nFields, 1);
  EXPECT_EQ(index.m_pFieldInfos[0].m_strName, "DriveVolser");
}

TEST_F(DaoSchema, RulesOfTheFieldsRaiseTheirNumbers) {
  EXPECT_EQ(Insert("1, 'C', '', 'Quaverhouse', 'M', 1"), 0);
  EXPECT_EQ(Insert("2, '', 'x', 'p', 'M', 1"), kDaoErrZeroLength);
  EXPECT_EQ(Insert("3, 'D', 'x', Null, 'M', 1"), kDaoErrRequired);
  EXPECT_EQ(Insert("4, 'DE', 'x', 'p', 'M', 1"), kDaoErrFieldTooSmall);
  EXPECT_EQ(Insert("5, 'D', '" + std::string(31, 'l') + "', 'p', 'M', 1"), kDaoErrFieldTooSmall);
  EXPECT_EQ(Insert("1, 'E', 'x', 'p', 'M', 1"), kDaoErrDuplicateKey);
  CString description;
  EXPECT_EQ(DaoErrorOf([&] { m_db.Execute("Update VolserList Set Rating = 9"); }, &description), kDaoErrValidationRule);
  EXPECT_EQ(description, "A rating lies between 1 and 5.");

  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenTable, "VolserList");
  rs.AddNew();
  rs.SetFieldValue("DriveVolser", COleVariant(static_cast<LONG>(6)));
  rs.SetFieldValue("DriveLetter", "");
  rs.SetFieldValue("DrivePath", "p");
  EXPECT_EQ(DaoErrorOf([&] { rs.Update(); }), kDaoErrZeroLength);
  rs.SetFieldValue("DriveLetter", "F");
  rs.SetFieldValue("SongCompression", "");
  rs.Update();
  rs.MoveLast();
  EXPECT_STREQ(rs.GetFieldValue("SongCompression").bstrVal, " ");  // a fixed-length text is padded
  EXPECT_EQ(rs.GetFieldValue("Uses").lVal, 7);                      // the default value
  EXPECT_EQ(rs.GetFieldValue("DriveLabel").vt, VT_NULL);
}

TEST_F(DaoSchema, EveryTableMayHaveItsOwnPrimaryKey) {
  CDaoTableDef parms(&m_db);
  parms.Open("QuavParms");
  EXPECT_EQ(parms.GetIndexCount(), 1);
  EXPECT_EQ(DaoErrorOf([&] { m_db.Execute("CREATE INDEX PrimaryKey ON QuavParms (ParmValue)"); }), kDaoErrIndexExists);
  CDaoIndexInfo second;
  CDaoIndexFieldInfo field;
  field.m_strName = "ParmValue";
  second.m_strName = "IXValue";
  second.m_pFieldInfos = &field;
  second.m_nFields = 1;
  parms.CreateIndex(second);
  EXPECT_EQ(parms.GetIndexCount(), 2);
  m_db.Execute("DROP INDEX IXValue ON QuavParms");
  parms.Open("QuavParms");
  EXPECT_EQ(parms.GetIndexCount(), 1);
  std::string indexes = RunSqliteTool(HostPath(), "SELECT name FROM sqlite_master WHERE type = 'index' AND name LIKE '%PrimaryKey' ORDER BY name;");
  EXPECT_EQ(indexes, "QuavParms:PrimaryKey\nVolserList:PrimaryKey\n");
}

TEST_F(DaoSchema, TableListLeavesOutTheCatalogue) {
  EXPECT_EQ(m_db.GetTableDefCount(), 2);
  CDaoTableDefInfo info;
  m_db.GetTableDefInfo(0, info, AFX_DAO_SECONDARY_INFO);
  EXPECT_EQ(info.m_strName, "VolserList");
  EXPECT_EQ(info.m_lRecordCount, 0);
  Insert("1, 'C', '', 'Quaverhouse', 'M', 1");
  m_db.GetTableDefInfo("volserlist", info, AFX_DAO_SECONDARY_INFO);
  EXPECT_EQ(info.m_lRecordCount, 1);
  EXPECT_EQ(DaoErrorOf([&] { m_db.GetTableDefInfo("DaoSysFields", info); }), kDaoErrItemNotFound);
  CDaoTableDef again(&m_db);
  again.Create("VolserList");
  again.CreateField("X", dbLong, 4, 0);
  EXPECT_EQ(DaoErrorOf([&] { again.Append(); }), kDaoErrTableExists);
  m_db.DeleteTableDef("QuavParms");
  EXPECT_EQ(m_db.GetTableDefCount(), 1);
}

TEST_F(DaoSchema, CounterFieldsNumberNewRows) {
  m_db.Execute("CREATE TABLE Events (EventID COUNTER, Name TEXT(40) NOT NULL, CONSTRAINT PrimaryKey PRIMARY KEY (EventID))");
  m_db.Execute("Insert Into Events (Name) Values ('first')");
  m_db.Execute("Insert Into Events (Name) Values ('second')");
  CDaoRecordset rs(&m_db);
  rs.Open(dbOpenSnapshot, "Select EventID From Events Where Name = 'SECOND'");
  EXPECT_EQ(rs.GetFieldValue(0).vt, VT_I4);
  EXPECT_EQ(rs.GetFieldValue(0).lVal, 2);
}

}  // namespace
}  // namespace qh::dao::testing
