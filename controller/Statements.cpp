// The statements of a /COMMAND form. The command language is not part of this build yet: each entry
// is logged as not run, and the reply page is chosen as after any run.
#include "controller/MainApp.h"
#include "controller/MainDlg.h"

bool CMainDlg::RunCommandEntries(CRemoteCommand& run, const std::vector<std::pair<LONG, CString>>& entries,
                                 const CString& logPrefix) {
  for (const auto& [sequence, text] : entries)
    m_app.WriteLog(logPrefix + "Statements not run (no command language in this build) [" + text + "]");
  return false;
}
