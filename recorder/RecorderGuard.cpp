#include "recorder/RecorderGuard.h"

#include <cstdarg>
#include <new>

#include "dblib/DaoErrorReport.h"
#include "platform/core/Exception.h"
#include "platform/dao/DaoException.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WinApp.h"
#include "recorder/RecorderIds.h"

bool RunRecorderGuarded(const std::function<void()>& work) {
  try {
    work();
    return true;
  } catch (CDaoException* e) {
    ReportDaoException(e);
  } catch (const std::bad_alloc&) {
    AfxMessageBox(IDS_OUT_OF_MEMORY, MB_OK | MB_ICONSTOP);
  } catch (CException* e) {
    e->Delete();
    AfxMessageBox(IDS_UNEXPECTED, MB_OK | MB_ICONSTOP);
  } catch (...) {
    AfxMessageBox(IDS_UNEXPECTED, MB_OK | MB_ICONSTOP);
  }
  if (CWinApp* app = AfxGetApp()) {
    while (app->m_nWaitCursorCount > 0) app->EndWaitCursor();
  }
  return false;
}

CRecorderWaitCursor::CRecorderWaitCursor() {
  if (CWinApp* app = AfxGetApp()) app->BeginWaitCursor();
}

CRecorderWaitCursor::~CRecorderWaitCursor() {
  CWinApp* app = AfxGetApp();
  if (app != nullptr && app->m_nWaitCursorCount > 0) app->EndWaitCursor();
}

CString LoadText(unsigned int stringId) {
  CString text;
  text.LoadString(stringId);
  return text;
}

CString LoadFormatted(unsigned int stringId, ...) {
  CString format = LoadText(stringId);
  va_list arguments;
  va_start(arguments, stringId);
  CString text;
  text.FormatV(format, arguments);
  va_end(arguments);
  return text;
}

int RecorderMessage(unsigned int stringId, unsigned int type) { return AfxMessageBox(stringId, type); }
