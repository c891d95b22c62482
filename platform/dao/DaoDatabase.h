// A database file opened through the engine. The file is an SQLite 3 database; statements are the
// engine's SQL dialect and are translated before they run (see JetSql.h). Field sizes, Required,
// AllowZeroLength and validation rules are checked by the file itself, so statements run through
// Execute obey them as rows written through recordsets do.
#pragma once

#include <memory>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"
#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoInfo.h"

class CDaoWorkspace;
class CDaoQueryDef;

namespace qh::dao {
class Connection;
}

class CDaoDatabase {
 public:
  // pWorkspace null: the database joins its thread's default workspace (m_pWorkspace is then an
  // object owned by the database).
  explicit CDaoDatabase(CDaoWorkspace* pWorkspace = nullptr);
  virtual ~CDaoDatabase();
  CDaoDatabase(const CDaoDatabase&) = delete;
  CDaoDatabase& operator=(const CDaoDatabase&) = delete;

  // Creates a new, empty database file (3204 when it exists) and leaves it open, exclusively.
  virtual void Create(LPCTSTR lpszName, LPCTSTR lpszLocale = dbLangGeneral, int dwOptions = 0);
  // Opens an existing file. bExclusive keeps every other process out while it is open (an exclusive
  // open fails with 3045 while another process has the file open; a shared open fails with 3045
  // while another process holds it exclusively); opens within one process never exclude each other.
  // Errors: 3024 no file, 3045 in use, 3343 not a database, 3049 damaged.
  // lpszConnect is accepted for the call shape; only "" (or null) is meaningful.
  virtual void Open(LPCTSTR lpszName, BOOL bExclusive = FALSE, BOOL bReadOnly = FALSE, LPCTSTR lpszConnect = "");
  // Closes the database; recordsets and query definitions still open on it are closed first.
  virtual void Close();
  BOOL IsOpen() const;

  BOOL CanUpdate() const;    // FALSE when opened read-only
  BOOL CanTransact() const;  // TRUE for every open database
  CString GetName() const;   // the path given to Open/Create
  CString GetConnect() const { return CString(); }
  CString GetVersion() const;  // version of the file format: "4.0"

  // Runs an action or data-definition statement (a select raises 3065). Errors are always raised as
  // CDaoException, with or without dbFailOnError in nOptions: the statement is atomic either way, so
  // no partial change stays behind. GetRecordsAffected gives the rows the last Execute changed.
  void Execute(LPCTSTR lpszSQL, int nOptions = dbFailOnError);
  long GetRecordsAffected() const;

  // Query definitions stored in the file (by name) and tables.
  short GetQueryDefCount();
  void GetQueryDefInfo(int nIndex, CDaoQueryDefInfo& info, DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);
  void GetQueryDefInfo(LPCTSTR lpszName, CDaoQueryDefInfo& info, DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);
  void DeleteQueryDef(LPCTSTR lpszName);
  short GetTableDefCount();
  void GetTableDefInfo(int nIndex, CDaoTableDefInfo& info, DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);
  void GetTableDefInfo(LPCTSTR lpszName, CDaoTableDefInfo& info, DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO);
  void DeleteTableDef(LPCTSTR lpszName);

  // The workspace the database belongs to (transactions: m_pWorkspace->BeginTrans()).
  CDaoWorkspace* m_pWorkspace = nullptr;

  // The open connection (null while closed); shared with the database's recordsets and queries.
  const std::shared_ptr<qh::dao::Connection>& Connection() const { return m_connection; }
  // The connection, or error 3420 when the database is not open.
  qh::dao::Connection& RequireOpen(const char* source) const;

 private:
  void AttachToWorkspace();
  void DetachFromWorkspace();

  std::shared_ptr<qh::dao::Connection> m_connection;
  std::unique_ptr<CDaoWorkspace> m_ownWorkspace;
  CString m_name;
};
