#include "platform/dao/DaoWorkspace.h"

#include <algorithm>

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

void CDaoWorkspace::CompactDatabase(LPCTSTR lpszSrcName, LPCTSTR lpszDestName, LPCTSTR, int) {
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
