// The engine's file check: the maintenance programs check every file they are about to put in place.
#include <string>

#include "platform/dao/DaoConnection.h"
#include "platform/dao/DaoWorkspace.h"

namespace {
const char kCheckSource[] = "DAO.Workspace";
}

CString CDaoWorkspace::CheckDatabase(LPCTSTR lpszName, BOOL bQuick) {
  std::shared_ptr<qh::dao::Connection> connection = qh::dao::Connection::Open(lpszName, false, true);
  std::string verdict;
  // The quick check reads each page once, in order: the connection's large cache (made for adding songs)
  // would only be allocated and freed, which cost more than the check of a just-written file itself. The
  // full check looks rows up from the indexes and keeps the large cache.
  if (bQuick) connection->ExecDirect("PRAGMA cache_size=-2000", kCheckSource);
  {
    qh::dao::Connection::Statement check = connection->Acquire(bQuick ? "PRAGMA quick_check(1)" : "PRAGMA integrity_check(1)", kCheckSource);
    if (connection->Step(check.get(), kCheckSource) == SQLITE_ROW) {
      const char* text = reinterpret_cast<const char*>(sqlite3_column_text(check.get(), 0));
      verdict = text ? text : "";
    }
  }
  connection->Close();
  return CString(verdict.c_str());
}
