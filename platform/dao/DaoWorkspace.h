// A workspace: the session in which databases are open and transactions run. Every database opened
// without a workspace of its own joins the default workspace of its thread, so a transaction begun
// there covers every database that thread has open in it, as the engine's default workspace does.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"
#include "platform/dao/DaoConstants.h"
#include "platform/dao/DaoInfo.h"

namespace qh::dao {
class WorkspaceState;
}

class CDaoWorkspace {
 public:
  CDaoWorkspace();
  virtual ~CDaoWorkspace();
  CDaoWorkspace(const CDaoWorkspace&) = delete;
  CDaoWorkspace& operator=(const CDaoWorkspace&) = delete;

  // A new, separate workspace (own transactions). The user must be the built-in "admin" account (or
  // empty) with an empty password, as on an unsecured engine; any other account is refused (3029).
  virtual void Create(LPCTSTR lpszName, LPCTSTR lpszUserName, LPCTSTR lpszPassword);
  // Opens the workspace named lpszName; null or "" joins this thread's default workspace.
  virtual void Open(LPCTSTR lpszName = nullptr);
  virtual void Append() {}  // the workspace list of the engine is not kept; kept for the call shape
  virtual void Close();
  BOOL IsOpen() const;

  CString GetName() const;
  CString GetUserName() const;
  // The engine's version text: the object model's version first ("3.6"), so that a leading-number
  // conversion gives 3.6, followed by the storage engine's: "3.6 (SQLite 3.40.1)". Needs no open
  // workspace.
  CString GetVersion() const;

  // Transactions. The first BeginTrans starts one on every database of the workspace; each further
  // BeginTrans nests (a savepoint) and is ended by its own CommitTrans or Rollback. CommitTrans or
  // Rollback with no transaction raises 3034 ("You tried to commit or roll back a transaction without
  // first beginning a transaction.").
  void BeginTrans();
  void CommitTrans();
  void Rollback();
  int GetTransactionLevel() const;  // 0 outside transactions

  // The open databases of the workspace, in order of opening.
  short GetDatabaseCount() const;
  void GetDatabaseInfo(int nIndex, CDaoDatabaseInfo& info, DWORD dwInfoOptions = AFX_DAO_PRIMARY_INFO) const;

  // Writes a compacted copy of lpszSrcName to lpszDestName (which must not exist: 3204) with the
  // storage engine's VACUUM INTO, synced to the disk unless nOptions has dbCompactWithoutSync. The
  // source must not be held exclusively by another process (3045).
  static void CompactDatabase(LPCTSTR lpszSrcName, LPCTSTR lpszDestName, LPCTSTR lpszLocale = dbLangGeneral,
                              int nOptions = 0);
  // Checks the file; rebuilds its indexes (the text order may have been written by another program)
  // and compacts it in place. A file that stays damaged after the rebuild raises 3049.
  static void RepairDatabase(LPCTSTR lpszName);
  // What a salvage saved of one table: the rows copied, and the key ranges whose rows could not be read.
  struct SalvagedTable {
    CString name;
    long saved = 0;
    bool readable = true;  // false: not one row of the table could be reached
    // First and last key of each range; a last key of LLONG_MAX: every key from the first on.
    std::vector<std::pair<long long, long long>> unreadable;
  };
  // Copies every row of the damaged lpszDamaged that can still be read into lpszTarget, table by table and
  // row by row, so that a damaged page costs only the rows on it. A target that does not exist is created
  // with the damaged file's own tables, indexes and triggers; an existing target (a new file of the
  // system's schema) receives the rows of the tables it shares with the damaged file, a row with the key
  // of one already there replacing it. Raises 3049 when the damaged file's schema cannot be read whole and
  // there is no target to copy into, or when nothing of the damaged file can be opened.
  static std::vector<SalvagedTable> SalvageDatabase(LPCTSTR lpszDamaged, LPCTSTR lpszTarget);
  // Reads the whole file through the storage engine's integrity check without changing it: "ok" for a
  // sound file, else the first problem found. A file that cannot be opened raises its error (3024,
  // 3045, 3343, 3049).
  // bQuick walks every page and record but does not match index entries against their rows (the
  // storage engine's quick check): for a file the engine has just written from sound rows.
  static CString CheckDatabase(LPCTSTR lpszName, BOOL bQuick = FALSE);

  // The shared session state (the default workspace or one made by Create).
  const std::shared_ptr<qh::dao::WorkspaceState>& State() const { return m_state; }

 private:
  std::shared_ptr<qh::dao::WorkspaceState> m_state;
};
