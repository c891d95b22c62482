// The connection behind an open database: the SQLite handle with the engine's collation and
// functions, the file lock that makes an exclusive open exclusive, the caches of translated and
// prepared statements, the mapping of SQLite failures to the engine's error numbers, and the
// catalogue tables that keep what SQLite does not (field properties, per-table index names, stored
// query definitions).
#pragma once

#include <sqlite3.h>

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/core/CString.h"
#include "platform/dao/DaoInfo.h"
#include "platform/dao/JetSql.h"
#include "platform/dao/OleVariant.h"

namespace qh::dao {

class Cursor;
class FileLock;

// One column of a statement's result: where it comes from and how its values are typed.
struct ResultColumn {
  std::string name;          // the result's column name (1252)
  std::string table;         // the table it comes from; empty for a computed column
  std::string origin;        // its name in that table
  std::string quotedOrigin;  // the same, quoted for SQLite (UTF-8)
  short daoType = 0;         // 0 for computed columns (typed by value)
  long textSize = 0;         // characters a text column holds (0: not known)
};
using ResultColumns = std::vector<ResultColumn>;

// A statement text after translation, with the parameters found by preparing it.
struct PreparedText {
  std::string jetSql;
  TranslatedSql translated;
  // For a SELECT of one table: the statement with the row key in front of its columns, as a
  // dynaset reads it (empty otherwise).
  std::string keyedSql;
};

// Catalogue tables inside every file; hidden from the table list.
inline constexpr char kFieldCatalog[] = "DaoSysFields";
inline constexpr char kIndexCatalog[] = "DaoSysIndexes";
inline constexpr char kQueryCatalog[] = "DaoSysQueries";
bool IsSystemTableName(std::string_view name);

// The engine's type of a column from its declared type in the file (0 for expressions).
short DaoTypeOfDeclaration(const char* declaredType);
// The column's value typed by its engine type (0: typed by the stored value).
COleVariant ReadColumn(sqlite3_stmt* statement, int column, short daoType);
// Binds a value (texts converted to UTF-8).
void BindValue(sqlite3_stmt* statement, int index, const COleVariant& value);
// The VARTYPE that holds values of an engine type.
VARTYPE VarTypeOfDaoType(short daoType);

std::string QuoteName(std::string_view name1252);  // "name" in UTF-8, quotes doubled

class Connection {
 public:
  // Opens an existing file (errors 3024, 3045, 3343, 3049) or creates a new one (3204 when the file
  // exists, 3044 when its folder does not).
  static std::shared_ptr<Connection> Open(const CString& name, bool exclusive, bool readOnly);
  static std::shared_ptr<Connection> Create(const CString& name);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  void Close();
  bool IsOpen() const { return m_db != nullptr; }
  sqlite3* Handle() const { return m_db; }
  const CString& Name() const { return m_name; }
  const std::string& HostPath() const { return m_hostPath; }
  bool ReadOnly() const { return m_readOnly; }
  // The file holds the catalogue tables (every file this layer made does).
  bool HasCatalog() const { return m_hasCatalog; }

  // A prepared statement on loan from the cache; returned (reset) when the handle goes.
  class Statement {
   public:
    Statement() = default;
    Statement(Connection* owner, std::string key, sqlite3_stmt* statement)
        : m_owner(owner), m_key(std::move(key)), m_statement(statement) {}
    Statement(Statement&& other) noexcept { *this = std::move(other); }
    Statement& operator=(Statement&& other) noexcept;
    ~Statement() { Release(); }
    sqlite3_stmt* get() const { return m_statement; }
    explicit operator bool() const { return m_statement != nullptr; }
    void Release();

   private:
    Connection* m_owner = nullptr;
    std::string m_key;
    sqlite3_stmt* m_statement = nullptr;
  };

  // The translation of an engine statement (cached by text). Parameters are found by preparing;
  // `forKeys` prepares the keyed form of a one-table SELECT (a dynaset's), so that a statement built
  // with literal values is prepared only once.
  std::shared_ptr<const PreparedText> Prepare(std::string_view jetSql, const char* source, bool forKeys = false);
  // A prepared SQLite statement (UTF-8 text).
  Statement Acquire(const std::string& sqliteSql, const char* source);
  // Binds the parameter values of a translated statement: a missing value (VT_EMPTY, or fewer
  // values than parameters) raises 3061; a declared type converts the value.
  void BindParameters(sqlite3_stmt* statement, const PreparedText& text, const std::vector<COleVariant>& values,
                      const char* source);
  // The result columns of a prepared statement (cached by its text); `skip` leading columns are left out.
  std::shared_ptr<const ResultColumns> ColumnsOf(sqlite3_stmt* statement, const std::string& sqliteSql, int skip);
  // Steps; SQLITE_ROW or SQLITE_DONE, errors raised.
  int Step(sqlite3_stmt* statement, const char* source);
  // Runs an SQLite statement of the layer itself to its end.
  void ExecDirect(const std::string& sqliteSql, const char* source);
  // Runs an engine statement (DDL included) with parameter values; rows changed.
  long Execute(std::string_view jetSql, const std::vector<COleVariant>& params, const char* source);
  long Execute(const PreparedText& text, const std::vector<COleVariant>& params, const char* source);

  // Raises the engine error for an SQLite result (the handle's message describes it).
  [[noreturn]] void Raise(int resultCode, const char* source, std::string_view context = {});

  // Transactions (driven by the workspace).
  int TransactionDepth() const { return m_depth; }
  void BeginTransaction();
  void CommitTransaction();
  void RollbackTransaction();

  // Schema.
  bool TableExists(std::string_view name, std::string* storedName = nullptr);
  std::vector<std::string> TableNames();
  const std::vector<CDaoFieldInfo>& FieldsOf(const std::string& table);
  // Field properties of one column (false when the catalogue does not know it).
  bool FieldInfo(const std::string& table, const std::string& column, CDaoFieldInfo& info);
  struct IndexEntry {
    CDaoIndexInfo info;
    std::vector<CDaoIndexFieldInfo> fields;
    std::string sqliteName;
  };
  std::vector<IndexEntry> IndexesOf(const std::string& table);
  void CreateTable(const std::string& table, const std::vector<CDaoFieldInfo>& fields);
  void AddField(const std::string& table, const CDaoFieldInfo& field);
  void CreateIndex(const std::string& table, const CDaoIndexInfo& index, const std::vector<CDaoIndexFieldInfo>& fields);
  void DropIndex(const std::string& table, const std::string& index);
  void DropTable(const std::string& table);
  long RecordCount(const std::string& table);

  // Stored query definitions.
  bool FindQuery(std::string_view name, std::string* storedName, std::string* sql);
  std::vector<std::pair<std::string, std::string>> Queries();
  void StoreQuery(const std::string& name, const std::string& sql, bool replace);
  void DeleteQuery(const std::string& name);

  // Cursors open on the connection (closed with it).
  void Register(Cursor* cursor) { m_cursors.insert(cursor); }
  void Unregister(Cursor* cursor) { m_cursors.erase(cursor); }

  long LastChanges() const { return m_lastChanges; }

 private:
  Connection() = default;
  void Configure();
  void EnsureCatalog();
  void SchemaChanged() {
    m_translations.clear();
    m_shapes.clear();
    m_fieldCache.clear();
    m_columnCache.clear();
  }
  std::string ColumnDefinition(const std::string& table, const CDaoFieldInfo& field, std::vector<std::string>& triggers);
  void WriteFieldCatalog(const std::string& table, const CDaoFieldInfo& field, int ordinal);
  void ReturnStatement(const std::string& key, sqlite3_stmt* statement);
  void ExecuteDdl(const TranslatedSql& ddl);
  void RunPrepared(const std::string& sqliteSql, const char* source);

  sqlite3* m_db = nullptr;
  std::unique_ptr<FileLock> m_lock;
  CString m_name;
  std::string m_hostPath;
  bool m_readOnly = false;
  bool m_hasCatalog = false;
  int m_depth = 0;
  long m_lastChanges = 0;
  std::unordered_map<std::string, std::shared_ptr<const PreparedText>> m_translations;
  // Translations by shape (JetSqlShape), for statements that differ only in values bound.
  std::unordered_map<std::string, std::shared_ptr<const PreparedText>> m_shapes;
  std::unordered_map<std::string, std::vector<sqlite3_stmt*>> m_idle;
  std::size_t m_idleCount = 0;
  std::set<Cursor*> m_cursors;
  std::unordered_map<std::string, std::vector<CDaoFieldInfo>> m_fieldCache;  // by lower-cased table name
  std::unordered_map<std::string, std::shared_ptr<const ResultColumns>> m_columnCache;  // by statement text
};

// Registers the collation (NOCASE, replaced by the 1252 one), like() and the engine's functions.
void RegisterJetFunctions(sqlite3* db);

}  // namespace qh::dao
