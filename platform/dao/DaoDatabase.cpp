#include "platform/dao/DaoDatabase.h"

#include "platform/core/Cp1252.h"
#include "platform/dao/DaoConnection.h"
#include "platform/dao/DaoException.h"
#include "platform/dao/DaoWorkspace.h"
#include "platform/dao/DaoWorkspaceState.h"

namespace {

const char kSource[] = "DAO.Database";

}  // namespace

CDaoDatabase::CDaoDatabase(CDaoWorkspace* pWorkspace) : m_pWorkspace(pWorkspace) {
  if (!m_pWorkspace) {
    m_ownWorkspace = std::make_unique<CDaoWorkspace>();
    m_pWorkspace = m_ownWorkspace.get();
  }
}

CDaoDatabase::~CDaoDatabase() {
  try {
    Close();
  } catch (CDaoException* e) {
    e->Delete();
  }
}

void CDaoDatabase::AttachToWorkspace() {
  if (!m_pWorkspace->IsOpen()) m_pWorkspace->Open();
  m_pWorkspace->State()->Attach(m_connection);
}

void CDaoDatabase::DetachFromWorkspace() {
  if (m_pWorkspace && m_pWorkspace->IsOpen() && m_connection) m_pWorkspace->State()->Detach(m_connection.get());
}

void CDaoDatabase::Create(LPCTSTR lpszName, LPCTSTR, int) {
  if (IsOpen()) ThrowDaoError(kDaoErrInvalidOperation, "Invalid operation: the database is open.", kSource);
  m_connection = qh::dao::Connection::Create(lpszName ? lpszName : "");
  m_name = lpszName;
  AttachToWorkspace();
}

void CDaoDatabase::Open(LPCTSTR lpszName, BOOL bExclusive, BOOL bReadOnly, LPCTSTR lpszConnect) {
  if (IsOpen()) ThrowDaoError(kDaoErrInvalidOperation, "Invalid operation: the database is open.", kSource);
  if (lpszConnect && *lpszConnect && *lpszConnect != ';')
    ThrowDaoError(3170, CString("Could not find installable driver for '") + lpszConnect + "'.", kSource);
  m_connection = qh::dao::Connection::Open(lpszName ? lpszName : "", bExclusive != FALSE, bReadOnly != FALSE);
  m_name = lpszName;
  AttachToWorkspace();
}

void CDaoDatabase::Close() {
  if (!m_connection) return;
  DetachFromWorkspace();
  std::shared_ptr<qh::dao::Connection> connection = std::move(m_connection);
  connection->Close();
}

BOOL CDaoDatabase::IsOpen() const { return m_connection && m_connection->IsOpen(); }

qh::dao::Connection& CDaoDatabase::RequireOpen(const char* source) const {
  if (!IsOpen()) ThrowDaoError(kDaoErrObjectInvalid, "Object invalid or no longer set.", source);
  return *m_connection;
}

BOOL CDaoDatabase::CanUpdate() const { return !RequireOpen(kSource).ReadOnly(); }
BOOL CDaoDatabase::CanTransact() const {
  RequireOpen(kSource);
  return TRUE;
}
CString CDaoDatabase::GetName() const { return m_name; }
CString CDaoDatabase::GetVersion() const {
  RequireOpen(kSource);
  return "4.0";
}

void CDaoDatabase::Execute(LPCTSTR lpszSQL, int) {
  qh::dao::Connection& connection = RequireOpen(kSource);
  std::shared_ptr<const qh::dao::PreparedText> text = connection.Prepare(lpszSQL ? lpszSQL : "", kSource);
  if (text->translated.kind == qh::dao::StatementKind::Select)
    ThrowDaoError(3065, "Cannot execute a select query.", kSource);
  connection.Execute(*text, {}, kSource);
}

long CDaoDatabase::GetRecordsAffected() const { return RequireOpen(kSource).LastChanges(); }

short CDaoDatabase::GetQueryDefCount() { return static_cast<short>(RequireOpen(kSource).Queries().size()); }

namespace {

void FillQueryInfo(qh::dao::Connection& connection, const std::string& name, const std::string& sql, CDaoQueryDefInfo& info) {
  info.m_strName = name.c_str();
  info.m_strSQL = sql.c_str();
  info.m_strConnect.Empty();
  bool select = true;
  try {
    select = connection.Prepare(sql, kSource)->translated.kind == qh::dao::StatementKind::Select;
  } catch (CDaoException* e) {
    e->Delete();  // a query whose tables are gone still has its name and text
  }
  info.m_nType = select ? dbQSelect : dbQAction;
  info.m_bReturnsRecords = select ? TRUE : FALSE;
  info.m_bUpdatable = TRUE;
}

}  // namespace

void CDaoDatabase::GetQueryDefInfo(int nIndex, CDaoQueryDefInfo& info, DWORD) {
  qh::dao::Connection& connection = RequireOpen(kSource);
  std::vector<std::pair<std::string, std::string>> queries = connection.Queries();
  if (nIndex < 0 || nIndex >= static_cast<int>(queries.size()))
    ThrowDaoError(kDaoErrItemNotFound, "Item not found in this collection.", kSource);
  FillQueryInfo(connection, queries[static_cast<std::size_t>(nIndex)].first, queries[static_cast<std::size_t>(nIndex)].second, info);
}

void CDaoDatabase::GetQueryDefInfo(LPCTSTR lpszName, CDaoQueryDefInfo& info, DWORD) {
  qh::dao::Connection& connection = RequireOpen(kSource);
  std::string name;
  std::string sql;
  if (!connection.FindQuery(lpszName ? lpszName : "", &name, &sql))
    ThrowDaoError(kDaoErrItemNotFound, CString("Item not found in this collection ('") + lpszName + "').", kSource);
  FillQueryInfo(connection, name, sql, info);
}

void CDaoDatabase::DeleteQueryDef(LPCTSTR lpszName) { RequireOpen(kSource).DeleteQuery(lpszName ? lpszName : ""); }

short CDaoDatabase::GetTableDefCount() { return static_cast<short>(RequireOpen(kSource).TableNames().size()); }

namespace {

void FillTableInfo(qh::dao::Connection& connection, const std::string& name, CDaoTableDefInfo& info, DWORD options) {
  info.m_strName = name.c_str();
  info.m_bUpdatable = connection.ReadOnly() ? FALSE : TRUE;
  info.m_lAttributes = 0;
  info.m_strSrcTableName.Empty();
  info.m_strConnect.Empty();
  info.m_lRecordCount = (options & (AFX_DAO_SECONDARY_INFO | AFX_DAO_ALL_INFO)) ? connection.RecordCount(name) : 0;
}

}  // namespace

void CDaoDatabase::GetTableDefInfo(int nIndex, CDaoTableDefInfo& info, DWORD dwInfoOptions) {
  qh::dao::Connection& connection = RequireOpen(kSource);
  std::vector<std::string> names = connection.TableNames();
  if (nIndex < 0 || nIndex >= static_cast<int>(names.size()))
    ThrowDaoError(kDaoErrItemNotFound, "Item not found in this collection.", kSource);
  FillTableInfo(connection, names[static_cast<std::size_t>(nIndex)], info, dwInfoOptions);
}

void CDaoDatabase::GetTableDefInfo(LPCTSTR lpszName, CDaoTableDefInfo& info, DWORD dwInfoOptions) {
  qh::dao::Connection& connection = RequireOpen(kSource);
  std::string stored;
  if (!connection.TableExists(lpszName ? lpszName : "", &stored) || qh::dao::IsSystemTableName(stored))
    ThrowDaoError(kDaoErrItemNotFound, CString("Item not found in this collection ('") + lpszName + "').", kSource);
  FillTableInfo(connection, stored, info, dwInfoOptions);
}

void CDaoDatabase::DeleteTableDef(LPCTSTR lpszName) { RequireOpen(kSource).DropTable(lpszName ? lpszName : ""); }
