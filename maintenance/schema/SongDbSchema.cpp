#include "maintenance/schema/SongDbSchema.h"

#include "dblib/DefaultGenres.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoException.h"
#include "platform/dao/DaoQueryDef.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/dao/DaoTableDef.h"
#include "platform/dao/DaoWorkspace.h"

static_assert(kSchemaBoolean == dbBoolean && kSchemaInteger == dbInteger && kSchemaLong == dbLong &&
              kSchemaDouble == dbDouble && kSchemaDate == dbDate && kSchemaText == dbText);
static_assert(kSchemaFixed == dbFixedField && kSchemaVariable == dbVariableField);

namespace {

CDaoFieldInfo FieldInfo(const SchemaField& field) {
  CDaoFieldInfo info;
  info.m_strName = field.name;
  info.m_nType = field.type;
  info.m_lSize = field.size;
  info.m_lAttributes = field.attributes;
  info.m_nOrdinalPosition = 0;
  info.m_bRequired = field.required ? TRUE : FALSE;
  info.m_bAllowZeroLength = field.allowZeroLength ? TRUE : FALSE;
  info.m_lCollatingOrder = dbSortGeneral;
  return info;
}

constexpr SHORT kDefaultMinBpm = 50;
constexpr SHORT kDefaultMaxBpm = 200;

}  // namespace

void CreateDatabaseTables(CDaoDatabase* database) {
  for (const SchemaTable& table : kSongDbTables) {
    CDaoTableDef definition(database);
    definition.Create(table.name);
    for (const SchemaField& field : table.fields) definition.CreateField(FieldInfo(field));
    definition.Append();
    definition.Close();
  }
}

void ExecuteSchemaStatements(CDaoDatabase* database, const std::function<void(int)>& beforeEach) {
  for (int index = 0; CString(kSongDbStatements[index]) != kSongDbStatementEnd; ++index) {
    if (beforeEach) beforeEach(index + 1);
    database->Execute(kSongDbStatements[index], dbFailOnError);
  }
}

void CreateDefaultSongTypes(CDaoDatabase* database) {
  CDaoRecordset types(database);
  types.Open(dbOpenDynaset,
             "Select SongTypeCode, SongTypeDescription, MinBpm, MaxBpm, ReservedCode From SongType; ",
             dbAppendOnly);
  for (int index = 0; CString(kDefaultGenres[index]) != kDefaultGenreEnd; ++index) {
    types.AddNew();
    types.SetFieldValue(0, COleVariant(kDefaultGenres[index]));
    types.SetFieldValue(1, COleVariant(kDefaultGenres[index]));
    types.SetFieldValue(2, COleVariant(kDefaultMinBpm, VT_I2));
    types.SetFieldValue(3, COleVariant(kDefaultMaxBpm, VT_I2));
    types.SetFieldValue(4, COleVariant::FromBool(true));
    types.Update();
  }
  types.Close();
}

void CreateStoredQueries(CDaoDatabase* database) {
  for (const StoredQuery& query : kSongDbQueries) {
    CDaoQueryDef definition(database);
    definition.Create(query.name, query.sql);
    definition.Append();
    definition.Close();
  }
}

void CreateSongDatabase(const CString& filePath, const std::function<void(int)>& beforeEachStatement) {
  CDaoDatabase database;
  database.Create(filePath, kSongDbLocale);
  // One transaction: the file is written once, and a failure leaves an empty file rather than one
  // that carries the version row without its song types or queries.
  CDaoWorkspace* workspace = database.m_pWorkspace;
  workspace->BeginTrans();
  try {
    CreateDatabaseTables(&database);
    ExecuteSchemaStatements(&database, beforeEachStatement);
    CreateDefaultSongTypes(&database);
    CreateStoredQueries(&database);
    workspace->CommitTrans();
  } catch (...) {
    try {
      workspace->Rollback();
    } catch (CDaoException* e) {
      e->Delete();
    }
    throw;
  }
  database.Close();
}
