#include "dblib/DaoErrorReport.h"

#include "platform/dao/DaoException.h"
#include "platform/ui/MessageBox.h"

namespace {

const char kHeading[] = "A database error has occurred. Please write down this message before calling Tech Support.\n";
const char kNotFoundText[] =
    "The database file (Quaverhouse.qhd) was not found. Please restore a backup copy of the database or use the "
    "Quaverhouse Administrator to create a new one.";
const char kInUseText[] =
    "The database is being used by another program. Please exit the other program before continuing.";
const char kDamagedText[] =
    "The database may be corrupted. Please run the 'Repair' option of the Quaverhouse Administrator.";

const char* OwnText(long code) {
  switch (code) {
    case 3024: return kNotFoundText;
    case 3045: return kInUseText;
    case 3197:
    case 3343:
    case 3049: return kDamagedText;
    default: return nullptr;
  }
}

}  // namespace

CString ComposeDaoExceptionMessage(CDaoException* e) {
  CString message = kHeading;
  for (int index = 0; index < e->GetErrorCount(); ++index) {
    e->GetErrorInfo(index);
    const CDaoErrorInfo* error = e->m_pErrorInfo;
    if (error == nullptr) break;
    if (const char* own = OwnText(error->m_lErrorCode)) return CString(own);
    message.AppendFormat("Dao error: [%d] [%s]\n[%s]\n", static_cast<LONG>(error->m_lErrorCode),
                         error->m_strSource.GetString(), error->m_strDescription.GetString());
  }
  return message;
}

void ReportDaoException(CDaoException* e) {
  if (e == nullptr) return;
  CString message = ComposeDaoExceptionMessage(e);
  e->Delete();
  AfxMessageBox(message, MB_OK | MB_ICONSTOP);
}
