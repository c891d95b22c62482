#include "maintenance/admin/AdminErrors.h"

#include <new>

#include "dblib/DaoErrorReport.h"
#include "maintenance/admin/AdminResources.h"
#include "platform/core/Exception.h"
#include "platform/dao/DaoException.h"
#include "platform/ui/MessageBox.h"

bool RunReportingErrors(const std::function<void()>& body) {
  try {
    body();
    return true;
  } catch (CDaoException* e) {
    ReportDaoException(e);
  } catch (std::bad_alloc&) {
    AfxMessageBox(IDS_NO_MEMORY, MB_ICONSTOP);
  } catch (CException* e) {
    e->Delete();
    AfxMessageBox(IDS_UNEXPECTED_ERROR, MB_ICONSTOP);
  }
  return false;
}
