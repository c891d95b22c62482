// Tables, fields, indexes and stored queries of a connection, with the catalogue that keeps the
// properties SQLite has no place for.
#include <cstdio>

#include "platform/core/Cp1252.h"
#include "platform/dao/DaoConnection.h"
#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoException.h"

namespace qh::dao {
namespace {

const char kSource[] = "DAO.TableDef";

std::string Lower(std::string text) {
  Cp1252MakeLower(text);
  return text;
}

std::string TextColumn(sqlite3_stmt* statement, int column) {
  const char* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  return text ? Utf8ToCp1252(text) : std::string();
}

// The SQLite form of an expression of the engine's dialect (a default value or the right-hand
// part of a validation rule), found by translating a statement around it.
std::string TranslateFragment(const std::string& prefix, const std::string& fragment) {
  TranslatedSql translated = TranslateJetSql(prefix + fragment, {}, false);
  std::size_t at = translated.sql.find(" WHERE ");
  if (at != std::string::npos) return translated.sql.substr(at + 7);
  return translated.sql.substr(7);  // after "SELECT "
}

std::string DeclaredType(const CDaoFieldInfo& field) {
  switch (field.m_nType) {
    case dbText: return "TEXT(" + std::to_string(field.m_lSize) + ")";
    case dbMemo: return "LONGTEXT";
    case dbLong: return (field.m_lAttributes & dbAutoIncrField) ? "INTEGER" : "LONG";
    case dbInteger: return "SHORT";
    case dbByte: return "BYTE";
    case dbDouble: return "DOUBLE";
    case dbSingle: return "SINGLE";
    case dbDate: return "DATETIME";
    case dbBoolean: return "BIT";
    case dbCurrency: return "CURRENCY";
    case dbLongBinary: return "LONGBINARY";
    default: ThrowDaoError(3259, "Invalid field data type.", kSource);
  }
}

std::string Check(long code, const std::string& table, const std::string& field, const std::string& condition) {
  return " CONSTRAINT " + QuoteName(std::to_string(code) + ":" + table + "." + field) + " CHECK (" + condition + ")";
}

}  // namespace

bool Connection::TableExists(std::string_view name, std::string* storedName) {
  Statement statement = Acquire("SELECT name FROM sqlite_master WHERE type='table' AND name = ?1 COLLATE NOCASE", kSource);
  BindValue(statement.get(), 1, COleVariant(CString(std::string(name))));
  if (Step(statement.get(), kSource) != SQLITE_ROW) return false;
  if (storedName) *storedName = TextColumn(statement.get(), 0);
  return true;
}

std::vector<std::string> Connection::TableNames() {
  std::vector<std::string> names;
  Statement statement = Acquire("SELECT name FROM sqlite_master WHERE type='table' ORDER BY rowid", kSource);
  while (Step(statement.get(), kSource) == SQLITE_ROW) {
    std::string name = TextColumn(statement.get(), 0);
    if (!IsSystemTableName(name)) names.push_back(name);
  }
  return names;
}

const std::vector<CDaoFieldInfo>& Connection::FieldsOf(const std::string& table) {
  std::string key = Lower(table);
  auto cached = m_fieldCache.find(key);
  if (cached != m_fieldCache.end()) return cached->second;
  std::vector<CDaoFieldInfo> fields;
  if (m_hasCatalog) {
    Statement statement = Acquire(
        "SELECT name, type, size, attributes, required, allow_zero, collating, default_value, validation_rule, "
        "validation_text FROM DaoSysFields WHERE tbl = ?1 ORDER BY ordinal",
        kSource);
    BindValue(statement.get(), 1, COleVariant(CString(table)));
    while (Step(statement.get(), kSource) == SQLITE_ROW) {
      CDaoFieldInfo field;
      field.m_strName = TextColumn(statement.get(), 0).c_str();
      field.m_nType = static_cast<short>(sqlite3_column_int(statement.get(), 1));
      field.m_lSize = sqlite3_column_int(statement.get(), 2);
      field.m_lAttributes = sqlite3_column_int(statement.get(), 3);
      field.m_bRequired = sqlite3_column_int(statement.get(), 4) ? TRUE : FALSE;
      field.m_bAllowZeroLength = sqlite3_column_int(statement.get(), 5) ? TRUE : FALSE;
      field.m_lCollatingOrder = sqlite3_column_int(statement.get(), 6);
      field.m_strDefaultValue = TextColumn(statement.get(), 7).c_str();
      field.m_strValidationRule = TextColumn(statement.get(), 8).c_str();
      field.m_strValidationText = TextColumn(statement.get(), 9).c_str();
      field.m_nOrdinalPosition = static_cast<short>(fields.size());
      fields.push_back(field);
    }
  }
  if (fields.empty()) {
    // A table the catalogue does not describe (made by another program): what SQLite knows.
    std::string stored;
    if (TableExists(table, &stored)) {
      Statement statement = Acquire("SELECT name, type, \"notnull\" FROM pragma_table_info(?1)", kSource);
      BindValue(statement.get(), 1, COleVariant(CString(stored)));
      while (Step(statement.get(), kSource) == SQLITE_ROW) {
        CDaoFieldInfo field;
        field.m_strName = TextColumn(statement.get(), 0).c_str();
        std::string declared = TextColumn(statement.get(), 1);
        field.m_nType = DaoTypeOfDeclaration(declared.c_str());
        if (field.m_nType == 0) field.m_nType = dbText;
        field.m_lSize = field.m_nType == dbText ? 255 : 0;
        std::size_t open = declared.find('(');
        if (field.m_nType == dbText && open != std::string::npos) field.m_lSize = std::atol(declared.c_str() + open + 1);
        field.m_bRequired = sqlite3_column_int(statement.get(), 2) ? TRUE : FALSE;
        field.m_bAllowZeroLength = TRUE;
        field.m_nOrdinalPosition = static_cast<short>(fields.size());
        fields.push_back(field);
      }
    }
  }
  return m_fieldCache.emplace(key, std::move(fields)).first->second;
}

bool Connection::FieldInfo(const std::string& table, const std::string& column, CDaoFieldInfo& info) {
  for (const CDaoFieldInfo& field : FieldsOf(table)) {
    if (Cp1252EqualNoCase(std::string(field.m_strName), column)) {
      info = field;
      return true;
    }
  }
  return false;
}

std::string Connection::ColumnDefinition(const std::string& table, const CDaoFieldInfo& field,
                                         std::vector<std::string>& triggers) {
  std::string name(field.m_strName);
  if (name.empty()) ThrowDaoError(3264, "No field defined--cannot append a field without a name.", kSource);
  std::string column = QuoteName(name);
  std::string definition = column + " " + DeclaredType(field);
  bool text = field.m_nType == dbText || field.m_nType == dbMemo;
  if (field.m_nType == dbLong && (field.m_lAttributes & dbAutoIncrField)) definition += " PRIMARY KEY AUTOINCREMENT";
  if (text) definition += " COLLATE NOCASE";
  if (field.m_bRequired) definition += " NOT NULL";
  if (!field.m_strDefaultValue.IsEmpty()) {
    definition += " DEFAULT (" + TranslateFragment("SELECT ", std::string(field.m_strDefaultValue)) + ")";
  } else if (field.m_nType == dbBoolean) {
    definition += " DEFAULT 0";
  }
  if (field.m_nType == dbText) {
    if (field.m_lSize < 1 || field.m_lSize > 255) ThrowDaoError(3259, "Invalid field size: a text field holds 1 to 255 characters.", kSource);
    definition += Check(kDaoErrFieldTooSmall, table, name, "length(" + column + ") <= " + std::to_string(field.m_lSize));
  }
  if (text && !field.m_bAllowZeroLength) definition += Check(kDaoErrZeroLength, table, name, column + " <> ''");
  const char* range = nullptr;
  if (field.m_nType == dbInteger) range = " BETWEEN -32768 AND 32767";
  if (field.m_nType == dbLong) range = " BETWEEN -2147483648 AND 2147483647";
  if (field.m_nType == dbByte) range = " BETWEEN 0 AND 255";
  if (range) definition += Check(kDaoErrNumericOverflow, table, name, column + range);
  if (!field.m_strValidationRule.IsEmpty()) {
    std::string rule = TranslateFragment("SELECT * FROM [" + table + "] WHERE [" + name + "] ",
                                         std::string(field.m_strValidationRule));
    definition += Check(kDaoErrValidationRule, table, name, rule);
  }
  if (field.m_nType == dbText && (field.m_lAttributes & dbFixedField)) {
    // Fixed-length texts are padded with blanks to their size, however they are written.
    std::string size = std::to_string(field.m_lSize);
    std::string pad = "substr(NEW." + column + " || '" + std::string(static_cast<std::size_t>(field.m_lSize), ' ') + "', 1, " + size + ")";
    std::string quotedTable = QuoteName(table);
    std::string when = " WHEN length(NEW." + column + ") < " + size + " BEGIN UPDATE " + quotedTable + " SET " + column +
                       " = " + pad + " WHERE rowid = NEW.rowid; END";
    triggers.push_back("CREATE TRIGGER " + QuoteName(table + ":pad-insert:" + name) + " AFTER INSERT ON " + quotedTable + when);
    triggers.push_back("CREATE TRIGGER " + QuoteName(table + ":pad-update:" + name) + " AFTER UPDATE OF " + column + " ON " +
                       quotedTable + when);
  }
  return definition;
}

void Connection::WriteFieldCatalog(const std::string& table, const CDaoFieldInfo& field, int ordinal) {
  Statement statement = Acquire(
      "INSERT OR REPLACE INTO DaoSysFields(tbl, ordinal, name, type, size, attributes, required, allow_zero, "
      "collating, default_value, validation_rule, validation_text) VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12)",
      kSource);
  sqlite3_stmt* s = statement.get();
  long size = field.m_lSize;
  if (field.m_nType != dbText) {
    static const long sizes[] = {0, 1, 1, 2, 4, 8, 4, 8, 8, 0, 0, 0, 0};
    size = field.m_nType >= 0 && field.m_nType <= 12 ? sizes[field.m_nType] : 0;
  }
  long attributes = field.m_lAttributes;
  if (!(attributes & (dbFixedField | dbVariableField))) attributes |= field.m_nType == dbText ? dbVariableField : dbFixedField;
  BindValue(s, 1, COleVariant(CString(table)));
  sqlite3_bind_int(s, 2, ordinal);
  BindValue(s, 3, COleVariant(field.m_strName));
  sqlite3_bind_int(s, 4, field.m_nType);
  sqlite3_bind_int64(s, 5, size);
  sqlite3_bind_int64(s, 6, attributes | dbUpdatableField);
  sqlite3_bind_int(s, 7, field.m_bRequired ? 1 : 0);
  sqlite3_bind_int(s, 8, field.m_bAllowZeroLength ? 1 : 0);
  sqlite3_bind_int64(s, 9, field.m_lCollatingOrder ? field.m_lCollatingOrder : dbSortGeneral);
  BindValue(s, 10, COleVariant(field.m_strDefaultValue));
  BindValue(s, 11, COleVariant(field.m_strValidationRule));
  BindValue(s, 12, COleVariant(field.m_strValidationText));
  Step(s, kSource);
}

namespace {

// Runs `work` inside a savepoint, so a failed schema change leaves nothing behind.
template <typename Work>
void Atomically(Connection& connection, Work&& work) {
  connection.ExecDirect("SAVEPOINT dao_schema", kSource);
  try {
    work();
  } catch (...) {
    sqlite3_exec(connection.Handle(), "ROLLBACK TO dao_schema; RELEASE dao_schema", nullptr, nullptr, nullptr);
    throw;
  }
  connection.ExecDirect("RELEASE dao_schema", kSource);
}

}  // namespace

void Connection::CreateTable(const std::string& table, const std::vector<CDaoFieldInfo>& fields) {
  if (m_readOnly) ThrowDaoError(kDaoErrReadOnly, "Cannot update. Database or object is read-only.", kSource);
  if (table.empty()) ThrowDaoError(3125, "'' is not a valid name.", kSource);
  if (TableExists(table) || IsSystemTableName(table))
    ThrowDaoError(kDaoErrTableExists, ("Table '" + table + "' already exists.").c_str(), kSource);
  if (fields.empty()) ThrowDaoError(3264, "No field defined--cannot append TableDef or Index.", kSource);
  std::vector<std::string> triggers;
  std::string sql = "CREATE TABLE " + QuoteName(table) + " (";
  for (std::size_t k = 0; k < fields.size(); ++k) {
    for (std::size_t j = 0; j < k; ++j)
      if (Cp1252EqualNoCase(std::string(fields[j].m_strName), std::string(fields[k].m_strName)))
        ThrowDaoError(3191, ("Cannot define field '" + std::string(fields[k].m_strName) + "' more than once.").c_str(), kSource);
    sql += (k ? ", " : "") + ColumnDefinition(table, fields[k], triggers);
  }
  sql += ")";
  Atomically(*this, [&] {
    ExecDirect(sql, kSource);
    for (const std::string& trigger : triggers) ExecDirect(trigger, kSource);
    for (std::size_t k = 0; k < fields.size(); ++k) WriteFieldCatalog(table, fields[k], static_cast<int>(k));
  });
  SchemaChanged();
}

void Connection::AddField(const std::string& table, const CDaoFieldInfo& field) {
  std::string stored;
  if (!TableExists(table, &stored)) ThrowDaoError(kDaoErrNoSuchTable, ("Cannot find table '" + table + "'.").c_str(), kSource);
  if (field.m_bRequired && field.m_strDefaultValue.IsEmpty())
    ThrowDaoError(kDaoErrInvalidOperation, "Invalid operation: a required field can only be added to a table with a default value.", kSource);
  CDaoFieldInfo existing;
  if (FieldInfo(stored, std::string(field.m_strName), existing))
    ThrowDaoError(3191, ("Cannot define field '" + std::string(field.m_strName) + "' more than once.").c_str(), kSource);
  std::vector<std::string> triggers;
  std::string definition = ColumnDefinition(stored, field, triggers);
  int ordinal = static_cast<int>(FieldsOf(stored).size());
  Atomically(*this, [&] {
    ExecDirect("ALTER TABLE " + QuoteName(stored) + " ADD COLUMN " + definition, kSource);
    for (const std::string& trigger : triggers) ExecDirect(trigger, kSource);
    WriteFieldCatalog(stored, field, ordinal);
  });
  SchemaChanged();
}

std::vector<Connection::IndexEntry> Connection::IndexesOf(const std::string& table) {
  std::vector<IndexEntry> entries;
  if (!m_hasCatalog) return entries;
  Statement statement = Acquire(
      "SELECT name, sqlite_name, is_primary, is_unique, is_required, ignore_nulls FROM DaoSysIndexes WHERE tbl = ?1 "
      "ORDER BY rowid",
      kSource);
  BindValue(statement.get(), 1, COleVariant(CString(table)));
  while (Step(statement.get(), kSource) == SQLITE_ROW) {
    IndexEntry entry;
    entry.info.m_strName = TextColumn(statement.get(), 0).c_str();
    entry.sqliteName = TextColumn(statement.get(), 1);
    entry.info.m_bPrimary = sqlite3_column_int(statement.get(), 2) ? TRUE : FALSE;
    entry.info.m_bUnique = sqlite3_column_int(statement.get(), 3) ? TRUE : FALSE;
    entry.info.m_bRequired = sqlite3_column_int(statement.get(), 4) ? TRUE : FALSE;
    entry.info.m_bIgnoreNulls = sqlite3_column_int(statement.get(), 5) ? TRUE : FALSE;
    entries.push_back(entry);
  }
  statement.Release();
  for (IndexEntry& entry : entries) {
    Statement columns = Acquire("SELECT name, desc FROM pragma_index_xinfo(?1) WHERE key = 1 ORDER BY seqno", kSource);
    BindValue(columns.get(), 1, COleVariant(CString(entry.sqliteName)));
    while (Step(columns.get(), kSource) == SQLITE_ROW) {
      CDaoIndexFieldInfo field;
      field.m_strName = TextColumn(columns.get(), 0).c_str();
      field.m_bDescending = sqlite3_column_int(columns.get(), 1) ? TRUE : FALSE;
      entry.fields.push_back(field);
    }
    entry.info.OwnFields(entry.fields);
  }
  return entries;
}

void Connection::CreateIndex(const std::string& table, const CDaoIndexInfo& index,
                             const std::vector<CDaoIndexFieldInfo>& fields) {
  if (m_readOnly) ThrowDaoError(kDaoErrReadOnly, "Cannot update. Database or object is read-only.", kSource);
  std::string stored;
  if (!TableExists(table, &stored) || IsSystemTableName(table))
    ThrowDaoError(kDaoErrNoSuchTable, ("The database engine cannot find the input table or query '" + table + "'.").c_str(), kSource);
  std::string name(index.m_strName);
  if (name.empty()) ThrowDaoError(3125, "'' is not a valid name.", kSource);
  if (fields.empty()) ThrowDaoError(3264, "No field defined--cannot append Index.", kSource);
  for (const IndexEntry& entry : IndexesOf(stored)) {
    if (Cp1252EqualNoCase(std::string(entry.info.m_strName), name))
      ThrowDaoError(kDaoErrIndexExists, ("Table '" + stored + "' already has an index named '" + name + "'.").c_str(), kSource);
    if (index.m_bPrimary && entry.info.m_bPrimary) ThrowDaoError(3283, "Primary key already exists.", kSource);
  }
  std::string sqliteName = stored + ":" + name;
  std::string sql = std::string("CREATE ") + ((index.m_bUnique || index.m_bPrimary) ? "UNIQUE " : "") + "INDEX " +
                    QuoteName(sqliteName) + " ON " + QuoteName(stored) + " (";
  std::string notNull;
  for (std::size_t k = 0; k < fields.size(); ++k) {
    std::string column = QuoteName(std::string(fields[k].m_strName));
    sql += (k ? ", " : "") + column + (fields[k].m_bDescending ? " DESC" : "");
    notNull += (k ? " AND " : "") + column + " IS NOT NULL";
  }
  sql += ")";
  if (index.m_bIgnoreNulls) sql += " WHERE " + notNull;
  Atomically(*this, [&] {
    ExecDirect(sql, kSource);
    Statement statement = Acquire(
        "INSERT INTO DaoSysIndexes(tbl, name, sqlite_name, is_primary, is_unique, is_required, ignore_nulls) "
        "VALUES (?1,?2,?3,?4,?5,?6,?7)",
        kSource);
    BindValue(statement.get(), 1, COleVariant(CString(stored)));
    BindValue(statement.get(), 2, COleVariant(CString(name)));
    BindValue(statement.get(), 3, COleVariant(CString(sqliteName)));
    sqlite3_bind_int(statement.get(), 4, index.m_bPrimary ? 1 : 0);
    sqlite3_bind_int(statement.get(), 5, (index.m_bUnique || index.m_bPrimary) ? 1 : 0);
    sqlite3_bind_int(statement.get(), 6, (index.m_bRequired || index.m_bPrimary) ? 1 : 0);
    sqlite3_bind_int(statement.get(), 7, index.m_bIgnoreNulls ? 1 : 0);
    Step(statement.get(), kSource);
  });
  SchemaChanged();
}

void Connection::DropIndex(const std::string& table, const std::string& index) {
  std::string stored;
  if (!TableExists(table, &stored)) ThrowDaoError(kDaoErrNoSuchTable, ("Cannot find table '" + table + "'.").c_str(), kSource);
  for (const IndexEntry& entry : IndexesOf(stored)) {
    if (!Cp1252EqualNoCase(std::string(entry.info.m_strName), index)) continue;
    Atomically(*this, [&] {
      ExecDirect("DROP INDEX " + QuoteName(entry.sqliteName), kSource);
      Statement forget = Acquire("DELETE FROM DaoSysIndexes WHERE tbl = ?1 AND name = ?2", kSource);
      BindValue(forget.get(), 1, COleVariant(CString(stored)));
      BindValue(forget.get(), 2, COleVariant(CString(index)));
      Step(forget.get(), kSource);
    });
    SchemaChanged();
    return;
  }
  ThrowDaoError(kDaoErrItemNotFound, ("Item not found in this collection (index '" + index + "').").c_str(), kSource);
}

void Connection::DropTable(const std::string& table) {
  std::string stored;
  if (!TableExists(table, &stored) || IsSystemTableName(table))
    ThrowDaoError(kDaoErrNoSuchTable, ("The database engine cannot find the input table or query '" + table + "'.").c_str(), kSource);
  Atomically(*this, [&] {
    ExecDirect("DROP TABLE " + QuoteName(stored), kSource);
    for (const char* catalog : {"DELETE FROM DaoSysFields WHERE tbl = ?1", "DELETE FROM DaoSysIndexes WHERE tbl = ?1"}) {
      Statement forget = Acquire(catalog, kSource);
      BindValue(forget.get(), 1, COleVariant(CString(stored)));
      Step(forget.get(), kSource);
    }
  });
  SchemaChanged();
}

long Connection::RecordCount(const std::string& table) {
  std::string stored;
  if (!TableExists(table, &stored)) return 0;
  Statement statement = Acquire("SELECT count(*) FROM " + QuoteName(stored), kSource);
  Step(statement.get(), kSource);
  return static_cast<long>(sqlite3_column_int64(statement.get(), 0));
}

bool Connection::FindQuery(std::string_view name, std::string* storedName, std::string* sql) {
  if (!m_hasCatalog) return false;
  Statement statement = Acquire("SELECT name, sql FROM DaoSysQueries WHERE name = ?1", "DAO.QueryDef");
  BindValue(statement.get(), 1, COleVariant(CString(std::string(name))));
  if (Step(statement.get(), "DAO.QueryDef") != SQLITE_ROW) return false;
  if (storedName) *storedName = TextColumn(statement.get(), 0);
  if (sql) *sql = TextColumn(statement.get(), 1);
  return true;
}

std::vector<std::pair<std::string, std::string>> Connection::Queries() {
  std::vector<std::pair<std::string, std::string>> queries;
  if (!m_hasCatalog) return queries;
  Statement statement = Acquire("SELECT name, sql FROM DaoSysQueries ORDER BY rowid", "DAO.QueryDef");
  while (Step(statement.get(), "DAO.QueryDef") == SQLITE_ROW)
    queries.emplace_back(TextColumn(statement.get(), 0), TextColumn(statement.get(), 1));
  return queries;
}

void Connection::StoreQuery(const std::string& name, const std::string& sql, bool replace) {
  const char* source = "DAO.QueryDef";
  if (m_readOnly) ThrowDaoError(kDaoErrReadOnly, "Cannot update. Database or object is read-only.", source);
  if (!replace && (FindQuery(name, nullptr, nullptr) || TableExists(name)))
    ThrowDaoError(kDaoErrObjectExists, ("Object '" + name + "' already exists.").c_str(), source);
  Statement statement = Acquire(replace ? "UPDATE DaoSysQueries SET sql = ?2 WHERE name = ?1"
                                        : "INSERT INTO DaoSysQueries(name, sql) VALUES (?1, ?2)",
                                source);
  BindValue(statement.get(), 1, COleVariant(CString(name)));
  BindValue(statement.get(), 2, COleVariant(CString(sql)));
  Step(statement.get(), source);
}

void Connection::DeleteQuery(const std::string& name) {
  const char* source = "DAO.QueryDef";
  if (!FindQuery(name, nullptr, nullptr))
    ThrowDaoError(kDaoErrItemNotFound, ("Item not found in this collection ('" + name + "').").c_str(), source);
  Statement statement = Acquire("DELETE FROM DaoSysQueries WHERE name = ?1", source);
  BindValue(statement.get(), 1, COleVariant(CString(name)));
  Step(statement.get(), source);
}

}  // namespace qh::dao
