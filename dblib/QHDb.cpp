#include <cstdarg>
#include <cstdlib>

#include "dblib/QHDbInternal.h"
#include "platform/core/CrtNumbers.h"

using namespace qh::dblib;

const char* const kQHDbErrorTexts[11] = {
    "QHDB: An unknown error was encountered. Please contact tech support with this information.",
    "QHDB: The database version is not correct. Please run the Shiftover utility to upgrade the database.",
    "QHDB: Internal error - could not create a unique ID for song identification.",
    "QHDB: Out of memory when performing the last operation.",
    "QHDB: An invalid Song ID was encountered.",
    "QHDB: Internal error - the QHDB class was not properly initialized.",
    "QHDB: Internal error - an invalid parameter was encountered.",
    "QHDB: The requested item was not found in the database.",
    "QHDB: A transaction is already in progress.",
    "QHDB: A transaction has not been started. There is nothing to commit or roll back.",
    "QHDB: Transactions are not supported in this database.",
};

namespace qh::dblib {
CString FormatSql(const char* format, ...) {
  CString sql;
  va_list args;
  va_start(args, format);
  sql.FormatV(format, args);
  va_end(args);
  return sql;
}
}  // namespace qh::dblib

tQHDb::tQHDb() = default;

tQHDb::~tQHDb() { Close(); }

void tQHDb::SetError(int number) {
  m_lastErrorText = kQHDbErrorTexts[number];
  m_lastErrorCode = 0;
}

void tQHDb::SetDaoError(CDaoException* e) {
  if (e->GetErrorCount() == 0) {
    SetError(QHDB_ERR_UNKNOWN);
    return;
  }
  e->GetErrorInfo(0);
  m_lastErrorText = e->m_pErrorInfo->m_strDescription;
  m_lastErrorCode = static_cast<LONG>(e->m_pErrorInfo->m_lErrorCode);
}

bool tQHDb::IsClosed() {
  if (m_pDatabase != nullptr) return false;
  SetError(QHDB_ERR_NOT_INITIALIZED);
  return true;
}

bool tQHDb::IsClosedForTransactions() {
  if (!IsClosed()) return false;
  m_inTransaction = FALSE;
  return true;
}

bool tQHDb::IsBadSongId(LONG songId) {
  if (songId >= 1) return false;
  SetError(QHDB_ERR_BAD_SONG_ID);
  return true;
}

LONG tQHDb::GetLastError(CString& text) const {
  text = m_lastErrorText;
  return m_lastErrorCode;
}

int tQHDb::Open(LPCTSTR path, BOOL exclusive, BOOL readOnly) {
  return Guarded(0, 0, 0, [&]() -> LONG {
    // Opening again must not leak the database and cursors of the earlier open.
    Close();
    m_pDatabase = new CDaoDatabase();
    m_pDatabase->Open(path, exclusive, readOnly, "");
    if (GetDatabaseVersion() == m_expectedVersion) return 1;
    SetError(QHDB_ERR_VERSION);
    return 0;
  });
}

double tQHDb::GetDatabaseVersion() {
  CDaoRecordset parms(m_pDatabase);
  parms.Open(dbOpenSnapshot, "Select ParmName, ParmValue from QuavParms Where ParmName = 'DatabaseVersion' ; ",
             dbForwardOnly);
  double version = 0.0;
  CString text;
  if (!parms.IsEOF() && ReadText(parms.GetFieldValue(1), text)) version = qh_atof(text);
  parms.Close();
  return version;
}

int tQHDb::Close() {
  int result = 1;
  auto closeQuietly = [&](auto*& object) {
    if (object == nullptr) return;
    try {
      if (object->IsOpen()) object->Close();
    } catch (CDaoException* e) {
      SetDaoError(e);
      e->Delete();
      result = 0;
    } catch (...) {
      qh::dblib::DeleteCaughtFrameworkException();
      SetError(QHDB_ERR_UNKNOWN);
      result = 0;
    }
    delete object;
    object = nullptr;
  };
  // A transaction begun through BeginTrans ends with the database: the workspace outlives this
  // object and must not stay inside it.
  if (m_inTransaction) RollbackWorkspace();
  for (CDaoRecordset*& set : m_recordsets) closeQuietly(set);
  for (CDaoQueryDef*& query : m_queries) closeQuietly(query);
  closeQuietly(m_pDatabase);
  m_inTransaction = FALSE;
  return result;
}

CString tQHDb::GetEngineVersion() {
  CString version;
  if (IsClosed()) return version;
  Guarded(0, 0, 0, [&]() -> LONG {
    version = m_pDatabase->m_pWorkspace->GetVersion();
    return 1;
  });
  return version;
}

int tQHDb::BeginTrans() {
  if (IsClosedForTransactions()) return 0;
  if (m_inTransaction) {
    SetError(QHDB_ERR_IN_TRANSACTION);
    return 0;
  }
  if (!m_pDatabase->CanTransact()) {
    SetError(QHDB_ERR_NO_TRANSACTIONS);
    m_inTransaction = FALSE;
    return 0;
  }
  m_inTransaction = FALSE;
  return Guarded(0, 0, 0, [&]() -> LONG {
    m_pDatabase->m_pWorkspace->BeginTrans();
    m_inTransaction = TRUE;
    return 1;
  });
}

void tQHDb::RollbackWorkspace() {
  m_inTransaction = FALSE;
  if (m_pDatabase == nullptr) return;
  try {
    m_pDatabase->m_pWorkspace->Rollback();
  } catch (CDaoException* e) {
    e->Delete();
  } catch (...) {
    qh::dblib::DeleteCaughtFrameworkException();
  }
}

int tQHDb::CommitTrans() {
  if (IsClosedForTransactions()) return 0;
  if (!m_inTransaction) {
    SetError(QHDB_ERR_NO_TRANSACTION);
    return 0;
  }
  return Guarded(
      0, 0, 0,
      [&]() -> LONG {
        m_pDatabase->m_pWorkspace->CommitTrans();
        m_inTransaction = FALSE;
        return 1;
      },
      &tQHDb::RollbackWorkspace);
}

int tQHDb::Rollback() {
  if (IsClosedForTransactions()) return 0;
  if (!m_inTransaction) {
    SetError(QHDB_ERR_NO_TRANSACTION);
    return 0;
  }
  m_inTransaction = FALSE;
  return Guarded(0, 0, 0, [&]() -> LONG {
    m_pDatabase->m_pWorkspace->Rollback();
    return 1;
  });
}

CDaoQueryDef* tQHDb::StoredQuery(QuerySlot slot, LPCTSTR name) {
  CDaoQueryDef*& query = m_queries[slot - 1];
  if (query == nullptr) {
    auto* made = new CDaoQueryDef(m_pDatabase);
    try {
      made->Open(name);
    } catch (...) {
      delete made;
      throw;
    }
    query = made;
  }
  return query;
}

CDaoRecordset* tQHDb::CachedRecordset(RecordsetSlot slot) {
  CDaoRecordset*& set = m_recordsets[slot - 1];
  if (set == nullptr) set = new CDaoRecordset(m_pDatabase);
  return set;
}

CDaoRecordset* tQHDb::ExistingRecordset(RecordsetSlot slot) const { return m_recordsets[slot - 1]; }

void tQHDb::ReopenCached(RecordsetSlot slot, int type, const CString& sql, int options) {
  OpenRetried(*CachedRecordset(slot), type, sql, options);
}

void tQHDb::OpenRetried(CDaoRecordset& set, int type, const CString& sql, int options, DaoRetry* callRetry) {
  DaoRetry ownRetry;
  DaoRetry& retry = callRetry != nullptr ? *callRetry : ownRetry;
  retry.Run([&] {
    if (set.IsOpen()) set.Close();
    set.Open(type, sql, options);
  });
}

void tQHDb::OpenRetried(CDaoRecordset& set, CDaoQueryDef* query, int type, int options, DaoRetry* callRetry) {
  DaoRetry ownRetry;
  DaoRetry& retry = callRetry != nullptr ? *callRetry : ownRetry;
  retry.Run([&] {
    if (set.IsOpen()) set.Close();
    set.Open(query, type, options);
  });
}

LONG tQHDb::ExecuteRetried(const CString& statement) {
  DaoRetry retry;
  retry.Run([&] { m_pDatabase->Execute(statement, dbFailOnError); });
  return m_pDatabase->GetRecordsAffected();
}

int tQHDb::CloseFamily(RecordsetSlot slot) {
  CDaoRecordset* set = m_pDatabase != nullptr ? ExistingRecordset(slot) : nullptr;
  if (set == nullptr) {
    SetError(QHDB_ERR_NOT_INITIALIZED);
    return 0;
  }
  return Guarded(0, 0, 0, [&]() -> LONG {
    if (set->IsOpen()) set->Close();
    return 1;
  });
}

LONG tQHDb::CountRows(CDaoRecordset* set) {
  if (!set->CanScroll() || set->IsBOF() || set->IsEOF()) return -3;
  set->MoveLast();
  LONG count = set->GetRecordCount();
  set->MoveFirst();
  return count;
}
