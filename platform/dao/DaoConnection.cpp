#include "platform/dao/DaoConnection.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/core/Cp1252.h"
#include "platform/core/Paths.h"
#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoCursor.h"
#include "platform/dao/DaoException.h"
#include "platform/dao/DaoFileLock.h"

namespace qh::dao {
namespace {

constexpr std::size_t kMaxTranslations = 512;
constexpr std::size_t kMaxIdlePerText = 4;
// Statements built with literal values are prepared once and never again; a bounded cache keeps
// the memory of a long run flat (the frequent statements are prepared again after a clear).
constexpr std::size_t kMaxIdleStatements = 96;
constexpr int kMaxParameterRounds = 64;

// Raises one engine error with the storage engine's own message as the second entry.
struct ErrorRaiser {
  const char* source;
  std::string detail;
  int resultCode;
  [[noreturn]] void operator()(long code, const std::string& description) const {
    ThrowDaoError(code, description.c_str(), source, detail.c_str(), resultCode);
  }
};

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// "T.f" of a constraint message ("NOT NULL constraint failed: T.f", "CHECK constraint failed: 3163:T.f").
std::string AfterColon(const std::string& message) {
  std::size_t colon = message.rfind(": ");
  return colon == std::string::npos ? std::string() : message.substr(colon + 2);
}

// The host path of a database name; empty when it cannot be resolved.
std::string HostPathOfName(const CString& name, bool* exists, bool* parentExists) {
  *exists = false;
  *parentExists = false;
  std::optional<ResolvedPath> resolved = ResolvePath(name);
  if (!resolved) return std::string();
  *exists = resolved->exists;
  *parentExists = resolved->parentExists;
  return resolved->hostPath;
}

bool SameLiteral(const SqlLiteral& a, const SqlLiteral& b) {
  return a.kind == b.kind && a.integer == b.integer && a.text == b.text &&
         (a.real == b.real || (a.real != a.real && b.real != b.real));
}

// Whether a translation bound every value of its statement, in order and nothing else: then a
// statement of the same shape translates the same way with its own values bound. (A value kept in
// the text, such as a Top count or an Order by position, or one that shaped the text, such as a
// Like pattern's range, makes the translation its own.)
bool BindsEveryValue(const TranslatedSql& translated, const std::vector<SqlLiteral>& values) {
  if (translated.sql.empty() || translated.literals.size() != values.size()) return false;
  for (std::size_t k = 0; k < values.size(); ++k)
    if (!SameLiteral(translated.literals[k], values[k])) return false;
  return true;
}

}  // namespace

bool IsSystemTableName(std::string_view name) {
  return Cp1252EqualNoCase(name.substr(0, 6), "DaoSys") || Cp1252EqualNoCase(name.substr(0, 7), "sqlite_");
}

std::string QuoteName(std::string_view name1252) {
  std::string quoted = "\"";
  for (char ch : name1252) {
    if (ch == '"') quoted += '"';
    quoted += ch;
  }
  quoted += '"';
  return Cp1252ToUtf8(quoted);
}

short DaoTypeOfDeclaration(const char* declaredType) {
  if (!declaredType || !*declaredType) return 0;
  std::string word;
  for (const char* p = declaredType; *p && *p != '(' && *p != ' '; ++p) word += *p;
  return JetTypeFromName(word);
}

VARTYPE VarTypeOfDaoType(short daoType) {
  switch (daoType) {
    case dbBoolean: return VT_BOOL;
    case dbByte: return VT_UI1;
    case dbInteger: return VT_I2;
    case dbLong: return VT_I4;
    case dbCurrency:
    case dbDouble: return VT_R8;
    case dbSingle: return VT_R4;
    case dbDate: return VT_DATE;
    case dbText:
    case dbMemo:
    case dbLongBinary: return VT_BSTR;
    default: return VT_EMPTY;
  }
}

COleVariant ReadColumn(sqlite3_stmt* statement, int column, short daoType) {
  int stored = sqlite3_column_type(statement, column);
  if (stored == SQLITE_NULL) return COleVariant::Null();
  if (stored == SQLITE_TEXT || stored == SQLITE_BLOB || daoType == dbText || daoType == dbMemo) {
    const char* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    int length = sqlite3_column_bytes(statement, column);
    std::string_view utf8(text ? text : "", static_cast<std::size_t>(length));
    bool ascii = true;
    for (unsigned char ch : utf8)
      if (ch >= 0x80) {
        ascii = false;
        break;
      }
    return COleVariant(CString(ascii ? std::string(utf8) : Utf8ToCp1252(utf8)));
  }
  switch (daoType) {
    case dbBoolean: return COleVariant::FromBool(sqlite3_column_double(statement, column) != 0.0);
    case dbByte: return COleVariant(static_cast<BYTE>(sqlite3_column_int(statement, column)));
    case dbInteger: return COleVariant(static_cast<SHORT>(sqlite3_column_int(statement, column)));
    case dbLong: return COleVariant(static_cast<LONG>(sqlite3_column_int64(statement, column)));
    case dbSingle: return COleVariant(static_cast<float>(sqlite3_column_double(statement, column)));
    case dbCurrency:
    case dbDouble: return COleVariant(sqlite3_column_double(statement, column));
    case dbDate: return COleVariant::FromDate(sqlite3_column_double(statement, column));
    default: break;
  }
  if (stored == SQLITE_INTEGER) {
    long long value = sqlite3_column_int64(statement, column);
    if (value >= -2147483648LL && value <= 2147483647LL) return COleVariant(static_cast<LONG>(value));
    return COleVariant(static_cast<double>(value));
  }
  return COleVariant(sqlite3_column_double(statement, column));
}

void BindValue(sqlite3_stmt* statement, int index, const COleVariant& value) {
  switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL: sqlite3_bind_null(statement, index); break;
    case VT_BSTR: {
      std::string utf8 = Cp1252ToUtf8(value.bstrVal ? value.bstrVal : "");
      sqlite3_bind_text(statement, index, utf8.c_str(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
      break;
    }
    case VT_I2: sqlite3_bind_int(statement, index, value.iVal); break;
    case VT_I4:
    case VT_ERROR: sqlite3_bind_int64(statement, index, value.lVal); break;
    case VT_UI1: sqlite3_bind_int(statement, index, value.bVal); break;
    case VT_BOOL: sqlite3_bind_int(statement, index, value.boolVal ? -1 : 0); break;
    case VT_R4: sqlite3_bind_double(statement, index, value.fltVal); break;
    case VT_R8: sqlite3_bind_double(statement, index, value.dblVal); break;
    case VT_DATE: sqlite3_bind_double(statement, index, value.date); break;
    default: sqlite3_bind_null(statement, index); break;
  }
}

Connection::Statement& Connection::Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    Release();
    m_owner = other.m_owner;
    m_key = std::move(other.m_key);
    m_statement = other.m_statement;
    other.m_statement = nullptr;
    other.m_owner = nullptr;
  }
  return *this;
}

void Connection::Statement::Release() {
  if (!m_statement) return;
  if (m_owner && m_owner->m_db) m_owner->ReturnStatement(m_key, m_statement);
  else sqlite3_finalize(m_statement);
  m_statement = nullptr;
}

std::shared_ptr<Connection> Connection::Open(const CString& name, bool exclusive, bool readOnly) {
  const char* source = "DAO.Workspace";
  bool exists = false;
  bool parentExists = false;
  std::string host = HostPathOfName(name, &exists, &parentExists);
  struct stat info {};
  if (host.empty() || !exists || ::stat(host.c_str(), &info) != 0 || S_ISDIR(info.st_mode))
    ThrowDaoError(kDaoErrFileNotFound, CString("Could not find file '") + name + "'.", source);
  if (info.st_size == 0) ThrowDaoError(kDaoErrUnrecognizedFormat, CString("Unrecognized database format '") + name + "'.", source);
  bool busy = false;
  std::unique_ptr<FileLock> lock = FileLock::Acquire(host, exclusive, &busy);
  if (!lock) {
    if (busy) ThrowDaoError(kDaoErrFileInUse, CString("Could not use '") + name + "'; file already in use.", source);
    ThrowDaoError(3051, CString("The database engine cannot open the file '") + name + "'. You may need permission to view its data.", source);
  }
  std::shared_ptr<Connection> connection(new Connection());
  connection->m_name = name;
  connection->m_hostPath = host;
  connection->m_readOnly = readOnly;
  connection->m_lock = std::move(lock);
  int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
  int rc = sqlite3_open_v2(host.c_str(), &connection->m_db, flags, nullptr);
  if (rc != SQLITE_OK) {
    if (!connection->m_db) throw std::bad_alloc();
    if (rc == SQLITE_CANTOPEN)
      ThrowDaoError(3051, CString("The database engine cannot open the file '") + name + "'. You may need permission to view its data.", source);
    connection->Raise(rc, source, std::string(name));
  }
  connection->Configure();
  // Reading the schema tells a database from any other file and finds a damaged first page.
  rc = sqlite3_exec(connection->m_db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    int primary = rc & 0xFF;
    if (primary == SQLITE_NOTADB) ThrowDaoError(kDaoErrUnrecognizedFormat, CString("Unrecognized database format '") + name + "'.", source, sqlite3_errmsg(connection->m_db), rc);
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
      ThrowDaoError(kDaoErrFileInUse, CString("Could not use '") + name + "'; file already in use.", source, sqlite3_errmsg(connection->m_db), rc);
    ThrowDaoError(kDaoErrCorrupt, CString("Cannot open database '") + name + "'. It may not be a database that this program recognizes, or the file may be damaged.", source, sqlite3_errmsg(connection->m_db), rc);
  }
  connection->EnsureCatalog();
  return connection;
}

std::shared_ptr<Connection> Connection::Create(const CString& name) {
  const char* source = "DAO.Workspace";
  bool exists = false;
  bool parentExists = false;
  std::string host = HostPathOfName(name, &exists, &parentExists);
  if (host.empty() || !parentExists) ThrowDaoError(3044, CString("'") + name + "' is not a valid path.", source);
  if (exists) ThrowDaoError(kDaoErrDatabaseExists, CString("Database '") + name + "' already exists.", source);
  std::shared_ptr<Connection> connection(new Connection());
  connection->m_name = name;
  connection->m_hostPath = host;
  int rc = sqlite3_open_v2(host.c_str(), &connection->m_db,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    if (!connection->m_db) throw std::bad_alloc();
    connection->Raise(rc, source, std::string(name));
  }
  connection->Configure();
  // The file exists once the catalogue is written; then it can be locked like any open database.
  connection->EnsureCatalog();
  bool busy = false;
  connection->m_lock = FileLock::Acquire(host, true, &busy);
  if (!connection->m_lock) ThrowDaoError(kDaoErrFileInUse, CString("Could not use '") + name + "'; file already in use.", source);
  return connection;
}

Connection::~Connection() { Close(); }

void Connection::Close() {
  if (!m_db) return;
  for (Cursor* cursor : std::set<Cursor*>(m_cursors)) cursor->Invalidate();
  m_cursors.clear();
  for (auto& [text, statements] : m_idle)
    for (sqlite3_stmt* statement : statements) sqlite3_finalize(statement);
  m_idle.clear();
  m_idleCount = 0;
  m_translations.clear();
  m_shapes.clear();
  // A transaction still open when the database closes is undone, never half kept.
  if (!sqlite3_get_autocommit(m_db)) sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close_v2(m_db);
  m_db = nullptr;
  m_depth = 0;
  m_lock.reset();
}

void Connection::Configure() {
  sqlite3_extended_result_codes(m_db, 1);
  // Double-quoted names that match no column must not turn into texts: such a name is a parameter.
  sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  sqlite3_busy_timeout(m_db, 2000);
  RegisterJetFunctions(m_db);
  // Every nested transaction is a savepoint, whose undo journal is a temporary file unless temporary
  // storage is memory: a write per savepoint per page, which halves the rate of adding songs.
  sqlite3_exec(m_db, "PRAGMA cache_size=-16384; PRAGMA temp_store=MEMORY", nullptr, nullptr, nullptr);
}

void Connection::EnsureCatalog() {
  const char* source = "DAO.Database";
  Statement probe = Acquire("SELECT count(*) FROM sqlite_master WHERE type='table' AND name='DaoSysQueries'", source);
  Step(probe.get(), source);
  m_hasCatalog = sqlite3_column_int(probe.get(), 0) > 0;
  probe.Release();
  if (m_hasCatalog || m_readOnly) return;
  ExecDirect(
      "CREATE TABLE DaoSysFields(tbl TEXT COLLATE NOCASE NOT NULL, ordinal INTEGER NOT NULL, name TEXT COLLATE NOCASE "
      "NOT NULL, type INTEGER NOT NULL, size INTEGER NOT NULL, attributes INTEGER NOT NULL, required INTEGER NOT NULL, "
      "allow_zero INTEGER NOT NULL, collating INTEGER NOT NULL, default_value TEXT, validation_rule TEXT, "
      "validation_text TEXT, PRIMARY KEY(tbl, name));"
      "CREATE TABLE DaoSysIndexes(tbl TEXT COLLATE NOCASE NOT NULL, name TEXT COLLATE NOCASE NOT NULL, sqlite_name TEXT "
      "NOT NULL, is_primary INTEGER NOT NULL, is_unique INTEGER NOT NULL, is_required INTEGER NOT NULL, ignore_nulls "
      "INTEGER NOT NULL, PRIMARY KEY(tbl, name));"
      "CREATE TABLE DaoSysQueries(name TEXT COLLATE NOCASE NOT NULL PRIMARY KEY, sql TEXT NOT NULL);",
      source);
  m_hasCatalog = true;
}

void Connection::ReturnStatement(const std::string& key, sqlite3_stmt* statement) {
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
  if (m_idleCount >= kMaxIdleStatements) {
    for (auto& [text, statements] : m_idle)
      for (sqlite3_stmt* idle : statements) sqlite3_finalize(idle);
    m_idle.clear();
    m_idleCount = 0;
  }
  std::vector<sqlite3_stmt*>& idle = m_idle[key];
  if (idle.size() < kMaxIdlePerText) {
    idle.push_back(statement);
    ++m_idleCount;
  } else {
    sqlite3_finalize(statement);
  }
}

Connection::Statement Connection::Acquire(const std::string& sqliteSql, const char* source) {
  if (!m_db) ThrowDaoError(kDaoErrObjectInvalid, "Object invalid or no longer set.", source);
  auto found = m_idle.find(sqliteSql);
  if (found != m_idle.end() && !found->second.empty()) {
    sqlite3_stmt* statement = found->second.back();
    found->second.pop_back();
    --m_idleCount;
    return Statement(this, sqliteSql, statement);
  }
  sqlite3_stmt* statement = nullptr;
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v2(m_db, sqliteSql.c_str(), static_cast<int>(sqliteSql.size()), &statement, &tail);
  if (rc != SQLITE_OK) Raise(rc, source, sqliteSql);
  return Statement(this, sqliteSql, statement);
}

std::shared_ptr<const PreparedText> Connection::Prepare(std::string_view jetSql, const char* source, bool forKeys) {
  if (!m_db) ThrowDaoError(kDaoErrObjectInvalid, "Object invalid or no longer set.", source);
  std::string key(jetSql);
  auto found = m_translations.find(key);
  if (found != m_translations.end()) return found->second;
  // A statement built with other values than one translated before: the same translation with
  // these values bound.
  std::vector<SqlLiteral> values;
  std::string shape = JetSqlShape(jetSql, &values);
  if (!shape.empty()) {
    auto same = m_shapes.find(shape);
    if (same != m_shapes.end()) {
      auto copy = std::make_shared<PreparedText>(*same->second);
      copy->jetSql = key;
      copy->translated.literals = std::move(values);
      return copy;
    }
  }
  auto prepared = std::make_shared<PreparedText>();
  prepared->jetSql = key;
  std::vector<std::string> known;
  for (int round = 0;; ++round) {
    prepared->translated = TranslateJetSql(jetSql, known);
    const TranslatedSql& translated = prepared->translated;
    if (translated.sql.empty()) break;  // DDL: run by ExecuteDdl
    const std::string& sql = translated.sql;
    if (translated.shape.singleTable && sql.size() > 7 && Cp1252EqualNoCase(sql.substr(0, 7), "SELECT "))
      prepared->keyedSql = "SELECT " + translated.shape.qualifier + ".rowid, " + sql.substr(7);
    const std::string& checked = forKeys && !prepared->keyedSql.empty() ? prepared->keyedSql : sql;
    auto idle = m_idle.find(checked);
    if (idle != m_idle.end() && !idle->second.empty()) break;
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(m_db, checked.c_str(), -1, &statement, nullptr);
    if (rc == SQLITE_OK) {
      ReturnStatement(checked, statement);
      break;
    }
    std::string message = sqlite3_errmsg(m_db);
    if (StartsWith(message, "no such column: ") && round < kMaxParameterRounds) {
      std::string name = Utf8ToCp1252(message.substr(16));
      bool again = false;
      for (const std::string& k : known) again = again || Cp1252EqualNoCase(k, name);
      if (!again) {
        known.push_back(name);
        continue;
      }
    }
    Raise(rc, source, key);
  }
  if (m_translations.size() >= kMaxTranslations) {
    m_translations.clear();
    m_columnCache.clear();
  }
  m_translations.emplace(key, prepared);
  if (!shape.empty() && BindsEveryValue(prepared->translated, values)) {
    if (m_shapes.size() >= kMaxTranslations) m_shapes.clear();
    m_shapes.emplace(shape, prepared);
  }
  return prepared;
}

void Connection::BindParameters(sqlite3_stmt* statement, const PreparedText& text, const std::vector<COleVariant>& values,
                                const char* source) {
  const std::vector<JetParameter>& params = text.translated.parameters;
  std::size_t missing = 0;
  for (std::size_t k = 0; k < params.size(); ++k)
    if (k >= values.size() || values[k].vt == VT_EMPTY) ++missing;
  if (missing > 0) {
    CString description;
    description.Format("Too few parameters. Expected %d.", static_cast<int>(missing));
    ThrowDaoError(kDaoErrTooFewParameters, description, source);
  }
  for (std::size_t k = 0; k < params.size(); ++k) {
    COleVariant value = values[k];
    VARTYPE declared = VarTypeOfDaoType(params[k].declaredType);
    if (declared != VT_EMPTY && value.vt != VT_NULL) value.ChangeType(declared);
    BindValue(statement, static_cast<int>(k) + 1, value);
  }
  int index = static_cast<int>(params.size());
  for (const SqlLiteral& literal : text.translated.literals) {
    ++index;
    switch (literal.kind) {
      case SqlLiteral::Integer: sqlite3_bind_int64(statement, index, literal.integer); break;
      case SqlLiteral::Real: sqlite3_bind_double(statement, index, literal.real); break;
      case SqlLiteral::Text:
        sqlite3_bind_text(statement, index, literal.text.c_str(), static_cast<int>(literal.text.size()), SQLITE_STATIC);
        break;
    }
  }
}

std::shared_ptr<const ResultColumns> Connection::ColumnsOf(sqlite3_stmt* statement, const std::string& sqliteSql, int skip) {
  auto cached = m_columnCache.find(sqliteSql);
  if (cached != m_columnCache.end()) return cached->second;
  auto text = [](const char* utf8) { return utf8 ? Utf8ToCp1252(utf8) : std::string(); };
  auto columns = std::make_shared<ResultColumns>();
  int count = sqlite3_column_count(statement);
  for (int k = skip; k < count; ++k) {
    ResultColumn column;
    column.name = text(sqlite3_column_name(statement, k));
    column.table = text(sqlite3_column_table_name(statement, k));
    column.origin = text(sqlite3_column_origin_name(statement, k));
    column.quotedOrigin = QuoteName(column.origin);
    column.daoType = DaoTypeOfDeclaration(sqlite3_column_decltype(statement, k));
    CDaoFieldInfo info;
    if (column.daoType == dbText && !column.table.empty() && FieldInfo(column.table, column.origin, info))
      column.textSize = info.m_lSize;
    columns->push_back(std::move(column));
  }
  if (m_columnCache.size() >= kMaxTranslations) m_columnCache.clear();
  m_columnCache.emplace(sqliteSql, columns);
  return columns;
}

int Connection::Step(sqlite3_stmt* statement, const char* source) {
  int rc = sqlite3_step(statement);
  if (rc == SQLITE_ROW || rc == SQLITE_DONE) return rc;
  rc = sqlite3_reset(statement);
  Raise(rc == SQLITE_OK ? SQLITE_ERROR : rc, source, sqlite3_sql(statement) ? sqlite3_sql(statement) : "");
}

void Connection::ExecDirect(const std::string& sqliteSql, const char* source) {
  if (!m_db) ThrowDaoError(kDaoErrObjectInvalid, "Object invalid or no longer set.", source);
  int rc = sqlite3_exec(m_db, sqliteSql.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) Raise(sqlite3_extended_errcode(m_db), source, sqliteSql);
}

long Connection::Execute(std::string_view jetSql, const std::vector<COleVariant>& params, const char* source) {
  std::shared_ptr<const PreparedText> text = Prepare(jetSql, source);
  return Execute(*text, params, source);
}

long Connection::Execute(const PreparedText& text, const std::vector<COleVariant>& params, const char* source) {
  if (text.translated.sql.empty()) {
    ExecuteDdl(text.translated);
    m_lastChanges = 0;
    return 0;
  }
  if (m_readOnly && text.translated.kind != StatementKind::Select)
    ThrowDaoError(kDaoErrReadOnly, "Cannot update. Database or object is read-only.", source);
  Statement statement = Acquire(text.translated.sql, source);
  BindParameters(statement.get(), text, params, source);
  while (Step(statement.get(), source) == SQLITE_ROW) {
  }
  m_lastChanges = text.translated.kind == StatementKind::Select ? 0 : sqlite3_changes(m_db);
  return m_lastChanges;
}

void Connection::ExecuteDdl(const TranslatedSql& ddl) {
  const char* source = "DAO.Database";
  if (m_readOnly) ThrowDaoError(kDaoErrReadOnly, "Cannot update. Database or object is read-only.", source);
  switch (ddl.kind) {
    case StatementKind::CreateTable:
      CreateTable(ddl.table, ddl.fields);
      for (std::size_t k = 0; k < ddl.indexes.size(); ++k) CreateIndex(ddl.table, ddl.indexes[k], ddl.indexFields[k]);
      break;
    case StatementKind::CreateIndex: CreateIndex(ddl.table, ddl.indexes[0], ddl.indexFields[0]); break;
    case StatementKind::DropIndex: DropIndex(ddl.table, std::string(ddl.indexes[0].m_strName)); break;
    case StatementKind::DropTable: DropTable(ddl.table); break;
    case StatementKind::AlterTable:
      for (const CDaoFieldInfo& field : ddl.fields) AddField(ddl.table, field);
      for (std::size_t k = 0; k < ddl.indexes.size(); ++k) CreateIndex(ddl.table, ddl.indexes[k], ddl.indexFields[k]);
      if (!ddl.dropColumn.empty()) {
        std::string stored;
        if (!TableExists(ddl.table, &stored))
          ThrowDaoError(kDaoErrNoSuchTable, CString("Cannot find table '") + ddl.table.c_str() + "'.", source);
        ExecDirect("ALTER TABLE " + QuoteName(stored) + " DROP COLUMN " + QuoteName(ddl.dropColumn), source);
        Statement forget = Acquire("DELETE FROM DaoSysFields WHERE tbl = ?1 AND name = ?2", source);
        BindValue(forget.get(), 1, COleVariant(stored.c_str()));
        BindValue(forget.get(), 2, COleVariant(ddl.dropColumn.c_str()));
        Step(forget.get(), source);
      }
      break;
    default: ThrowDaoError(kDaoErrInvalidSql, "Invalid SQL statement.", source);
  }
  SchemaChanged();
}

void Connection::Raise(int resultCode, const char* source, std::string_view context) {
  int primary = resultCode & 0xFF;
  std::string message = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(resultCode);
  std::string detail = message;
  const ErrorRaiser fail{source, detail, resultCode};
  std::string object(m_name);
  switch (primary) {
    case SQLITE_NOMEM: throw std::bad_alloc();
    case SQLITE_CONSTRAINT: {
      if (resultCode == SQLITE_CONSTRAINT_NOTNULL) {
        fail(kDaoErrRequired, "The field '" + Utf8ToCp1252(AfterColon(message)) +
                                  "' cannot contain a Null value because the Required property for this field is set to True. Enter a value in this field.");
      }
      if (resultCode == SQLITE_CONSTRAINT_CHECK) {
        std::string name = Utf8ToCp1252(AfterColon(message));
        long code = std::atol(name.c_str());
        std::string field = name.substr(name.find(':') == std::string::npos ? 0 : name.find(':') + 1);
        switch (code) {
          case kDaoErrFieldTooSmall:
            fail(code, "The field '" + field + "' is too small to accept the amount of data you attempted to add. Try inserting or pasting less data.");
          case kDaoErrZeroLength: fail(code, "Field '" + field + "' cannot be a zero-length string.");
          case kDaoErrNumericOverflow: fail(code, "Numeric field overflow ('" + field + "').");
          case kDaoErrValidationRule: {
            CDaoFieldInfo info;
            std::size_t dot = field.find('.');
            if (dot != std::string::npos && FieldInfo(field.substr(0, dot), field.substr(dot + 1), info) &&
                !info.m_strValidationText.IsEmpty())
              fail(code, std::string(info.m_strValidationText));
            fail(code, "One or more values are prohibited by the validation rule '" + std::string(info.m_strValidationRule) +
                           "' set for '" + field + "'. Enter a value that the expression for this field can accept.");
          }
          default: break;
        }
      }
      fail(kDaoErrDuplicateKey,
           "The changes you requested to the table were not successful because they would create duplicate values in "
           "the index, primary key, or relationship. Change the data in the field or fields that contain duplicate "
           "data, remove the index, or redefine the index to permit duplicate entries and try again.");
    }
    case SQLITE_BUSY:
    case SQLITE_LOCKED: fail(kDaoErrLocked, "Could not update; currently locked.");
    case SQLITE_READONLY: fail(kDaoErrReadOnly, "Cannot update. Database or object is read-only.");
    case SQLITE_CORRUPT:
      fail(kDaoErrCorrupt, "Cannot open database '" + object + "'. It may not be a database that this program recognizes, or the file may be damaged.");
    case SQLITE_NOTADB: fail(kDaoErrUnrecognizedFormat, "Unrecognized database format '" + object + "'.");
    case SQLITE_FULL: fail(kDaoErrDiskFull, "Not enough space on disk.");
    case SQLITE_IOERR: fail(kDaoErrIo, "Disk or network error.");
    case SQLITE_CANTOPEN: fail(kDaoErrFileNotFound, "Could not find file '" + object + "'.");
    case SQLITE_PERM:
    case SQLITE_AUTH: fail(3051, "The database engine cannot open the file '" + object + "'. You may need permission to view its data.");
    case SQLITE_TOOBIG: fail(kDaoErrFieldTooSmall, "The field is too small to accept the amount of data you attempted to add.");
    case SQLITE_MISMATCH: fail(kDaoErrTypeMismatch, "Data type mismatch in criteria expression.");
    case SQLITE_RANGE: fail(kDaoErrTooFewParameters, "Too few parameters.");
    default: break;
  }
  std::string statement = Utf8ToCp1252(context);
  if (StartsWith(message, "no such table: "))
    fail(kDaoErrNoSuchTable, "The database engine cannot find the input table or query '" + Utf8ToCp1252(message.substr(15)) +
                                 "'. Make sure it exists and that its name is spelled correctly.");
  if (StartsWith(message, "no such function: "))
    fail(3085, "Undefined function '" + Utf8ToCp1252(message.substr(18)) + "' in expression.");
  if (StartsWith(message, "ambiguous column name: "))
    fail(3079, "The specified field '" + Utf8ToCp1252(message.substr(23)) + "' could refer to more than one table listed in the FROM clause of your SQL statement.");
  if (StartsWith(message, "no such column: "))
    fail(kDaoErrItemNotFound, "Item not found in this collection ('" + Utf8ToCp1252(message.substr(16)) + "').");
  if (message.find("already exists") != std::string::npos) {
    if (StartsWith(message, "index")) fail(kDaoErrIndexExists, "An index of that name already exists: " + Utf8ToCp1252(message));
    fail(kDaoErrTableExists, "Table already exists: " + Utf8ToCp1252(message));
  }
  if (message.find("malformed") != std::string::npos)
    fail(kDaoErrCorrupt, "Cannot open database '" + object + "'. It may not be a database that this program recognizes, or the file may be damaged.");
  if (message.find("syntax error") != std::string::npos || StartsWith(message, "near ") ||
      message.find("incomplete input") != std::string::npos || message.find("misuse of aggregate") != std::string::npos ||
      message.find("wrong number of arguments") != std::string::npos)
    fail(kDaoErrSyntaxInExpression, "Syntax error in query expression '" + statement + "'.");
  fail(3000, "Reserved error (" + std::to_string(resultCode) + "); there is no message for this error.");
}

// Transaction statements run once per level of every nested transaction: prepared once, kept.
void Connection::RunPrepared(const std::string& sqliteSql, const char* source) {
  Statement statement = Acquire(sqliteSql, source);
  Step(statement.get(), source);
}

void Connection::BeginTransaction() {
  const char* source = "DAO.Workspace";
  if (m_depth == 0) RunPrepared("BEGIN", source);
  else RunPrepared("SAVEPOINT dao_level_" + std::to_string(m_depth + 1), source);
  ++m_depth;
}

void Connection::CommitTransaction() {
  const char* source = "DAO.Workspace";
  if (m_depth == 0) return;
  if (m_depth == 1) RunPrepared("COMMIT", source);
  else RunPrepared("RELEASE dao_level_" + std::to_string(m_depth), source);
  --m_depth;
}

void Connection::RollbackTransaction() {
  const char* source = "DAO.Workspace";
  if (m_depth == 0) return;
  int depth = m_depth--;
  if (depth == 1) {
    // A failed COMMIT may already have ended the transaction.
    if (!sqlite3_get_autocommit(m_db)) ExecDirect("ROLLBACK", source);
  } else {
    std::string name = "dao_level_" + std::to_string(depth);
    RunPrepared("ROLLBACK TO " + name, source);
    RunPrepared("RELEASE " + name, source);
  }
}

}  // namespace qh::dao
