#include "jukebox/app/dialogs/DlgOptMain.h"

CDlgOptMain::CDlgOptMain(CWnd* parent) : CPropertySheet(kCaption, parent) {
  AddPage(&m_general);
  AddPage(&m_zones);
  AddPage(&m_web);
  AddPage(&m_storage);
  AddPage(&m_log);
}

INT_PTR CDlgOptMain::Run(JukeboxOptions& options) {
  m_general.m_strCddbServer = options.cddbServer;
  m_general.m_bCompressOnExit = options.compressOnExit;
  m_general.m_bTVOutput = options.tvOutput;
  m_general.m_strRandomPicPath = options.randomPicPath;
  m_web.m_bWebControlEnable = options.webControlEnable;
  m_web.m_nSocketNumber = static_cast<UINT>(options.socketNumber);
  m_log.m_bErrorLog = options.errorLog;
  m_log.m_bErrorMessageBox = options.errorMessageBox;
  m_log.m_strErrorLogPath = options.errorLogPath;
  const INT_PTR result = DoModal();
  if (result != IDOK) return result;
  options.cddbServer = m_general.m_strCddbServer;
  options.compressOnExit = m_general.m_bCompressOnExit;
  options.tvOutput = m_general.m_bTVOutput;
  options.randomPicPath = m_general.m_strRandomPicPath;
  options.webControlEnable = m_web.m_bWebControlEnable;
  options.socketNumber = static_cast<int>(m_web.m_nSocketNumber);
  options.errorLog = m_log.m_bErrorLog;
  options.errorMessageBox = m_log.m_bErrorMessageBox;
  options.errorLogPath = m_log.m_strErrorLogPath;
  return result;
}

void InstallOptionsSheetRunner() {
  JukeboxDialogRunners& runners = LaterDialogs();
  if (runners.optionsSheet) return;
  runners.optionsSheet = [](CWnd* owner, JukeboxOptions& options) {
    CDlgOptMain sheet(owner);
    return sheet.Run(options);
  };
}
