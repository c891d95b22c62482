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
