#include "platform/dao/DaoWorkspace.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "platform/core/Cp1252.h"
#include "platform/core/Paths.h"
#include "platform/dao/DaoConnection.h"
#include "platform/dao/DaoException.h"
#include "platform/dao/DaoWorkspaceState.h"

namespace qh::dao {

std::shared_ptr<WorkspaceState> WorkspaceState::Default() {
  thread_local std::shared_ptr<WorkspaceState> state = std::make_shared<WorkspaceState>("#Default Workspace#", "admin");
  return state;
}

void WorkspaceState::Attach(const std::shared_ptr<Connection>& connection) { m_connections.push_back(connection); }

void WorkspaceState::Detach(const Connection* connection) {
  std::erase_if(m_connections, [&](const std::weak_ptr<Connection>& held) {
    std::shared_ptr<Connection> live = held.lock();
    return !live || live.get() == connection || !live->IsOpen();
  });
  // A transaction ends with the last database it covered (closing rolls it back): a level left
  // behind would keep the next transaction on this workspace from ever committing.
  if (m_connections.empty()) m_level = 0;
}

std::vector<std::shared_ptr<Connection>> WorkspaceState::Connections() {
  std::vector<std::shared_ptr<Connection>> live;
  for (const std::weak_ptr<Connection>& held : m_connections)
    if (std::shared_ptr<Connection> connection = held.lock(); connection && connection->IsOpen()) live.push_back(connection);
  return live;
}

void WorkspaceState::Begin() {
  std::vector<std::shared_ptr<Connection>> connections = Connections();
  std::size_t begun = 0;
  try {
    for (; begun < connections.size(); ++begun) connections[begun]->BeginTransaction();
  } catch (...) {
    for (std::size_t k = 0; k < begun; ++k) connections[k]->RollbackTransaction();
    throw;
  }
  ++m_level;
}

namespace {

[[noreturn]] void NoTransaction() {
  ThrowDaoError(3034, "You tried to commit or roll back a transaction without first beginning a transaction.", "DAO.Workspace");
}

}  // namespace

void WorkspaceState::Commit() {
  if (m_level == 0) NoTransaction();
  for (const std::shared_ptr<Connection>& connection : Connections())
    if (connection->TransactionDepth() == m_level) connection->CommitTransaction();
  --m_level;
}

void WorkspaceState::Rollback() {
  if (m_level == 0) NoTransaction();
  // Every database leaves the level even when one of them fails; the first failure is raised after.
  CDaoException* failure = nullptr;
  for (const std::shared_ptr<Connection>& connection : Connections()) {
    if (connection->TransactionDepth() != m_level) continue;
    try {
      connection->RollbackTransaction();
    } catch (CDaoException* e) {
      if (failure) e->Delete();
      else failure = e;
    }
  }
  --m_level;
  if (failure) throw failure;
}

}  // namespace qh::dao

using qh::dao::WorkspaceState;

namespace {

const char kSource[] = "DAO.Workspace";

WorkspaceState& RequireState(const std::shared_ptr<WorkspaceState>& state) {
  if (!state) ThrowDaoError(3420, "Object invalid or no longer set.", kSource);
  return *state;
}

}  // namespace

CDaoWorkspace::CDaoWorkspace() = default;
CDaoWorkspace::~CDaoWorkspace() { Close(); }

void CDaoWorkspace::Create(LPCTSTR lpszName, LPCTSTR lpszUserName, LPCTSTR lpszPassword) {
  std::string user = lpszUserName && *lpszUserName ? lpszUserName : "admin";
  if (!Cp1252EqualNoCase(user, "admin") || (lpszPassword && *lpszPassword))
    ThrowDaoError(3029, "Not a valid account name or password.", kSource);
  m_state = std::make_shared<WorkspaceState>(lpszName ? lpszName : "", user);
}

void CDaoWorkspace::Open(LPCTSTR lpszName) {
  if (lpszName && *lpszName && !Cp1252EqualNoCase(lpszName, "#Default Workspace#"))
    ThrowDaoError(kDaoErrItemNotFound, CString("Item not found in this collection (workspace '") + lpszName + "').", kSource);
  m_state = WorkspaceState::Default();
}

void CDaoWorkspace::Close() { m_state.reset(); }
BOOL CDaoWorkspace::IsOpen() const { return m_state != nullptr; }

CString CDaoWorkspace::GetName() const { return RequireState(m_state).Name().c_str(); }
CString CDaoWorkspace::GetUserName() const { return RequireState(m_state).User().c_str(); }

CString CDaoWorkspace::GetVersion() const { return CString("3.6 (SQLite ") + sqlite3_libversion() + ")"; }

void CDaoWorkspace::BeginTrans() { RequireState(m_state).Begin(); }
void CDaoWorkspace::CommitTrans() { RequireState(m_state).Commit(); }
void CDaoWorkspace::Rollback() { RequireState(m_state).Rollback(); }
int CDaoWorkspace::GetTransactionLevel() const { return m_state ? m_state->Level() : 0; }

short CDaoWorkspace::GetDatabaseCount() const {
  return static_cast<short>(RequireState(m_state).Connections().size());
}

void CDaoWorkspace::GetDatabaseInfo(int nIndex, CDaoDatabaseInfo& info, DWORD) const {
  std::vector<std::shared_ptr<qh::dao::Connection>> connections = RequireState(m_state).Connections();
  if (nIndex < 0 || nIndex >= static_cast<int>(connections.size()))
    ThrowDaoError(kDaoErrItemNotFound, "Item not found in this collection.", kSource);
  const qh::dao::Connection& connection = *connections[static_cast<std::size_t>(nIndex)];
  info.m_strName = connection.Name();
  info.m_bUpdatable = connection.ReadOnly() ? FALSE : TRUE;
  info.m_bTransactions = TRUE;
  info.m_strVersion = "4.0";
  info.m_lCollatingOrder = dbSortGeneral;
  info.m_strConnect.Empty();
}

void CDaoWorkspace::CompactDatabase(LPCTSTR lpszSrcName, LPCTSTR lpszDestName, LPCTSTR, int nOptions) {
  std::shared_ptr<qh::dao::Connection> source = qh::dao::Connection::Open(lpszSrcName, false, true);
  // The storage engine's VACUUM INTO runs more than twice as long from a read-only connection. A file
  // that already holds the catalogue is read through a writable one instead: VACUUM INTO only reads its
  // source, and opening such a file writes nothing to it.
  if (source->HasCatalog()) {
    source->Close();
    source = qh::dao::Connection::Open(lpszSrcName, false, false);
  }
  std::optional<qh::ResolvedPath> target = qh::ResolvePath(lpszDestName);
  if (!target || !target->parentExists) ThrowDaoError(3044, CString("'") + lpszDestName + "' is not a valid path.", kSource);
  if (target->exists) ThrowDaoError(kDaoErrDatabaseExists, CString("Database '") + lpszDestName + "' already exists.", kSource);
  // The compaction reads each page once and writes each once, and VACUUM INTO gives the new file the
  // source's cache size: the connection's large cache (made for adding songs) would only be allocated,
  // filled and freed twice over, which made the compaction a third slower than the engine's default.
  source->ExecDirect("PRAGMA cache_size=-2000", kSource);
  // VACUUM INTO writes the new file with the source connection's sync level.
  if (nOptions & dbCompactWithoutSync) source->ExecDirect("PRAGMA synchronous=OFF", kSource);
  std::string sql = "VACUUM INTO '";
  for (char ch : target->hostPath) sql += ch == '\'' ? std::string("''") : std::string(1, ch);
  source->ExecDirect(sql + "'", kSource);
  source->Close();
}

void CDaoWorkspace::RepairDatabase(LPCTSTR lpszName) {
  std::shared_ptr<qh::dao::Connection> connection = qh::dao::Connection::Open(lpszName, true, false);
  // The text order may have been written by a program without the 1252 collation: rebuild the
  // indexes with it, then rewrite the file.
  connection->ExecDirect("REINDEX", kSource);
  connection->ExecDirect("VACUUM", kSource);
  qh::dao::Connection::Statement check = connection->Acquire("PRAGMA integrity_check", kSource);
  connection->Step(check.get(), kSource);
  const char* verdict = reinterpret_cast<const char*>(sqlite3_column_text(check.get(), 0));
  std::string result = verdict ? verdict : "";
  check.Release();
  connection->Close();
  if (result != "ok")
    ThrowDaoError(kDaoErrCorrupt, CString("Cannot repair database '") + lpszName + "'; it stays damaged.", kSource, result.c_str());
}

namespace {

// A raw handle for the salvage: the library's text order and functions are registered (the indexes and
// triggers name them), and nothing on the way stops at a damaged page.
struct RawDatabase {
  sqlite3* db = nullptr;
  RawDatabase(const std::string& hostPath, int flags, const CString& name) {
    int rc = sqlite3_open_v2(hostPath.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK)
      ThrowDaoError(kDaoErrCorrupt, CString("Cannot open database '") + name + "'. It may be corrupt.", kSource,
                    db ? sqlite3_errmsg(db) : "", rc);
    sqlite3_extended_result_codes(db, 1);
    qh::dao::RegisterJetFunctions(db);
  }
  ~RawDatabase() { sqlite3_close_v2(db); }
  RawDatabase(const RawDatabase&) = delete;
  RawDatabase& operator=(const RawDatabase&) = delete;

  void Exec(const std::string& sql, const CString& name) const {
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
      ThrowDaoError(kDaoErrCorrupt, CString("Cannot write the salvaged database '") + name + "'.", kSource, sqlite3_errmsg(db));
  }
};

struct Stmt {
  sqlite3_stmt* statement = nullptr;
  Stmt(sqlite3* db, const std::string& sql) { sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr); }
  ~Stmt() { sqlite3_finalize(statement); }
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;
};

std::string Quoted(const std::string& name) {
  std::string quoted = "\"";
  for (char ch : name) quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
  return quoted + "\"";
}

struct SchemaEntry {
  std::string type, name, table, sql;
};

// The schema rows that can still be read, in their order; the rows after a damaged schema page are lost,
// and `complete` says whether any were.
std::vector<SchemaEntry> ReadableSchema(sqlite3* db, bool* complete) {
  std::vector<SchemaEntry> entries;
  *complete = false;
  Stmt read(db, "SELECT type, name, tbl_name, sql FROM sqlite_schema");
  if (!read.statement) return entries;
  int rc;
  while ((rc = sqlite3_step(read.statement)) == SQLITE_ROW) {
    auto text = [&](int column) {
      const unsigned char* value = sqlite3_column_text(read.statement, column);
      return value ? std::string(reinterpret_cast<const char*>(value)) : std::string();
    };
    entries.push_back({text(0), text(1), text(2), text(3)});
  }
  *complete = rc == SQLITE_DONE;
  return entries;
}

std::vector<std::string> ColumnsOf(sqlite3* db, const std::string& table) {
  std::vector<std::string> columns;
  Stmt info(db, "PRAGMA table_info(" + Quoted(table) + ")");
  while (info.statement && sqlite3_step(info.statement) == SQLITE_ROW)
    columns.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(info.statement, 1)));
  return columns;
}

// Whether a seek to the first row at or after `from` gets through the table's pages.
bool SeekSucceeds(sqlite3* db, const std::string& table, long long from) {
  Stmt probe(db, "SELECT rowid FROM " + Quoted(table) + " WHERE rowid >= ?1 ORDER BY rowid LIMIT 1");
  if (!probe.statement) return false;
  sqlite3_bind_int64(probe.statement, 1, from);
  int rc = sqlite3_step(probe.statement);
  return rc == SQLITE_ROW || rc == SQLITE_DONE;
}

// Copies the table's readable rows in key order. A read that fails at a damaged page resumes at the
// lowest key past it that a seek reaches, so the rows of the other pages are read.
CDaoWorkspace::SalvagedTable CopyRows(sqlite3* from, sqlite3* to, const std::string& table, const CString& targetName) {
  CDaoWorkspace::SalvagedTable result;
  result.name = table.c_str();
  std::vector<std::string> theirs = ColumnsOf(from, table);
  std::vector<std::string> ours = ColumnsOf(to, table);
  std::string columns, params;
  for (const std::string& column : theirs) {
    if (std::find_if(ours.begin(), ours.end(), [&](const std::string& own) { return Cp1252EqualNoCase(own, column); }) == ours.end())
      continue;
    columns += (columns.empty() ? "" : ", ") + Quoted(column);
    params += params.empty() ? "?" : ", ?";
  }
  if (columns.empty()) return result;
  Stmt insert(to, "INSERT OR REPLACE INTO " + Quoted(table) + " (rowid, " + columns + ") VALUES (?, " + params + ")");
  if (!insert.statement)
    ThrowDaoError(kDaoErrCorrupt, CString("Cannot write the salvaged database '") + targetName + "'.", kSource, sqlite3_errmsg(to));
  const long long kFirst = std::numeric_limits<long long>::min();
  long long next = kFirst;
  bool readAny = false;
  for (;;) {
    Stmt read(from, "SELECT rowid, " + columns + " FROM " + Quoted(table) + " WHERE rowid >= ?1 ORDER BY rowid");
    if (!read.statement) {
      result.readable = false;
      return result;
    }
    sqlite3_bind_int64(read.statement, 1, next);
    int rc;
    while ((rc = sqlite3_step(read.statement)) == SQLITE_ROW) {
      int count = sqlite3_column_count(read.statement);
      for (int column = 0; column < count; ++column)
        sqlite3_bind_value(insert.statement, column + 1, sqlite3_column_value(read.statement, column));
      if (sqlite3_step(insert.statement) != SQLITE_DONE)
        ThrowDaoError(kDaoErrCorrupt, CString("Cannot write the salvaged database '") + targetName + "'.", kSource, sqlite3_errmsg(to));
      sqlite3_reset(insert.statement);
      readAny = true;
      ++result.saved;
      next = sqlite3_column_int64(read.statement, 0);
      if (next == std::numeric_limits<long long>::max()) return result;
      ++next;
    }
    if (rc == SQLITE_DONE) return result;
    // The last key the table holds bounds the search; a table whose right edge is damaged loses its tail.
    Stmt last(from, "SELECT max(rowid) FROM " + Quoted(table));
    long long max = 0;
    if (!last.statement || sqlite3_step(last.statement) != SQLITE_ROW || sqlite3_column_type(last.statement, 0) == SQLITE_NULL ||
        (max = sqlite3_column_int64(last.statement, 0)) < next) {
      if (!readAny && next == kFirst) result.readable = false;
      else result.unreadable.push_back({next, std::numeric_limits<long long>::max()});
      return result;
    }
    if (next == kFirst) next = 0 > max ? max : std::min<long long>(max, 0);
    // Gallop to a key a seek reaches, then narrow down to the lowest such key.
    long long failing = next, step = 1, reached = -1;
    bool found = false;
    while (failing < max) {
      long long probe = max - failing > step ? failing + step : max;
      if (SeekSucceeds(from, table, probe)) {
        reached = probe;
        found = true;
        break;
      }
      failing = probe;
      step *= 2;
    }
    if (!found) {
      result.unreadable.push_back({next, max});
      return result;
    }
    while (reached - failing > 1) {
      long long middle = failing + (reached - failing) / 2;
      if (SeekSucceeds(from, table, middle)) reached = middle;
      else failing = middle;
    }
    result.unreadable.push_back({next, reached - 1});
    next = reached;
  }
}

}  // namespace

std::vector<CDaoWorkspace::SalvagedTable> CDaoWorkspace::SalvageDatabase(LPCTSTR lpszDamaged, LPCTSTR lpszTarget) {
  std::optional<qh::ResolvedPath> damaged = qh::ResolvePath(lpszDamaged);
  std::optional<qh::ResolvedPath> target = qh::ResolvePath(lpszTarget);
  if (!damaged || !damaged->exists) ThrowDaoError(3024, CString("Could not find file '") + lpszDamaged + "'.", kSource);
  if (!target || !target->parentExists) ThrowDaoError(3044, CString("'") + lpszTarget + "' is not a valid path.", kSource);
  RawDatabase from(damaged->hostPath, SQLITE_OPEN_READONLY, lpszDamaged);
  // Schema rows after a damaged schema page are lost; the ones before it still name their tables.
  sqlite3_exec(from.db, "PRAGMA writable_schema=ON", nullptr, nullptr, nullptr);
  bool complete = false;
  std::vector<SchemaEntry> schema = ReadableSchema(from.db, &complete);
  const bool createSchema = !target->exists;
  // A file made from part of the schema would lack tables the programs need.
  if (createSchema && !complete)
    ThrowDaoError(kDaoErrCorrupt, CString("The list of tables of '") + lpszDamaged + "' cannot be read.", kSource);
  auto internal = [](const std::string& name) { return Cp1252EqualNoCase(name.substr(0, 7), "sqlite_"); };
  if (createSchema) {
    RawDatabase created(target->hostPath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, lpszTarget);
    for (const SchemaEntry& entry : schema)
      if (entry.type == "table" && !internal(entry.name) && !entry.sql.empty()) created.Exec(entry.sql, lpszTarget);
  }
  RawDatabase to(target->hostPath, SQLITE_OPEN_READWRITE, lpszTarget);
  to.Exec("BEGIN", lpszTarget);
  std::vector<SalvagedTable> report;
  for (const SchemaEntry& entry : schema) {
    if (entry.type != "table" || internal(entry.name) || entry.sql.empty()) continue;
    if (ColumnsOf(to.db, entry.name).empty()) continue;
    report.push_back(CopyRows(from.db, to.db, entry.name, lpszTarget));
  }
  // Indexes and triggers come after the rows: an index is built once, a trigger must not act on rows
  // that are only being moved.
  if (createSchema)
    for (const SchemaEntry& entry : schema)
      if ((entry.type == "index" || entry.type == "trigger" || entry.type == "view") && !entry.sql.empty()) to.Exec(entry.sql, lpszTarget);
  to.Exec("COMMIT", lpszTarget);
  return report;
}
