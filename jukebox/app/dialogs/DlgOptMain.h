// "Quaverhouse Options": the modal sheet of the main window's Options command with its pages in their
// fixed order (General, Streams, External, Storage, Logs, Startup).
#pragma once

#include "jukebox/app/MainWindowDialogs.h"
#include "jukebox/app/dialogs/DlgOptStartup2.h"
#include "jukebox/app/dialogs/DlgOptStorage.h"
#include "jukebox/app/dialogs/DlgOptZones.h"
#include "jukebox/app/dialogs/OptionPages.h"
#include "platform/ui/PropertySheet.h"

class CDlgOptMain : public CPropertySheet {
 public:
  static constexpr UINT kCaption = 61379;
  explicit CDlgOptMain(CWnd* parent = nullptr);
  // Fills the pages from the options, runs the sheet and, on OK, copies the pages' values back.
  INT_PTR Run(JukeboxOptions& options);

  DlgOptGeneral m_general;
  DlgOptZones m_zones;
  DlgOptWeb m_web;
  DlgOptStorage m_storage;
  DlgOptLog m_log;
  DlgOptStartup2 m_startup;
};

// Installs the options sheet's runner in MainWindowDialogs() (once; later calls do nothing).
void InstallOptionsSheetRunner();
