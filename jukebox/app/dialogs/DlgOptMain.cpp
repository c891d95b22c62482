#include "jukebox/app/dialogs/DlgOptMain.h"

#include <memory>

#include "jukebox/app/JukeboxApp.h"
#include "jukebox/remote/RemoteDefinitions.h"

CDlgOptMain::CDlgOptMain(CWnd* parent) : CPropertySheet(kCaption, parent) {
  AddPage(&m_general);
  AddPage(&m_zones);
  AddPage(&m_web);
  AddPage(&m_storage);
  AddPage(&m_log);
  AddPage(&m_startup);
  if (CJukeboxApp* app = JukeboxApp())
    for (int i = 0; i < app->GetZoneCount() && i < app->GetZoneDescriptions().GetSize(); ++i)
      m_startup.m_streamDescriptions.push_back(app->GetZoneDescriptions().GetAt(i));
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
  options.startupListChanged = m_startup.m_bChanged;
  if (m_startup.m_bChanged) {
    auto edited = std::make_shared<StartupActionMap>(std::move(m_startup.m_commands));
    options.writeStartupList = [edited]() {
      CJukeboxServices* services = JukeboxServices();
      if (!services) return 1;  // no start directory to write into
      return RemoteDefinitions().WriteStartupActionsXml(services->GetStartDirectory(), *edited);
    };
  }
  return result;
}

void InstallOptionsSheetRunner() {
  JukeboxDialogRunners& runners = MainWindowDialogs();
  if (runners.optionsSheet) return;
  runners.optionsSheet = [](CWnd* owner, JukeboxOptions& options) {
    CDlgOptMain sheet(owner);
    return sheet.Run(options);
  };
}
