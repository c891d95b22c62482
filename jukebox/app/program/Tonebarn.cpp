// Tonebarn, the Quaverhouse jukebox.
#include <cstdio>
#include <string>

#include "jukebox/app/JukeboxApp.h"
#include "jukebox/app/MasterWindow.h"
#include "jukebox/app/StopSignals.h"
#include "jukebox/app/dialogs/AudioMatrixDlg.h"
#include "jukebox/app/dialogs/DlgOptMain.h"
#include "jukebox/app/dialogs/JukeboxZoneDialogs.h"
#include "jukebox/app/dialogs/MediaDialogRunners.h"
#include "jukebox/app/program/DemoDriver.h"
#include "jukebox/remote/RemoteControl.h"
#include "jukebox/remote/RemoteDefinitions.h"
#include "platform/core/Module.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/gdi/BitmapResources.h"

namespace {

class CTonebarnApp : public CJukeboxApp {
 public:
  BOOL InitInstance() override {
    LoadResources();
    InstallJukeboxZoneDialogs();
    InstallMediaDialogRunners();
    InstallOptionsSheetRunner();
    InstallAudioMatrixRunner();
    InstallRemoteControl();
    InstallRemoteDefinitions();
    jukebox::StartStopSignalThread();
    m_started = CJukeboxApp::InitInstance();
    if (m_started) {
      m_driver.Start(GetMainWindow());
      jukebox::NoteStopWindow(GetMainWindow()->GetSafeHwnd());
    }
    return m_started;
  }
  int ExitInstance() override {
    jukebox::NoteStopWindow(nullptr);
    m_driver.Stop();
    return CJukeboxApp::ExitInstance();
  }
  bool Started() const { return m_started != FALSE; }

 private:
  // The bitmaps and dialog templates are copied beside the program by the build.
  static void LoadResources() {
    const std::string folder = qh::ProgramHostFolder() + "/resources/jukebox";
    qh::gdi::AddBitmapFolder(folder + "/bitmaps");
    std::string error;
    if (!qh::ui::LoadDialogTemplateFolder(folder + "/dialogs", &error))
      std::fprintf(stderr, "Tonebarn: dialog templates: %s\n", error.c_str());
  }

  BOOL m_started = FALSE;
  CDemoDriver m_driver;
};

CTonebarnApp theApp;

}  // namespace

int main(int argc, char** argv) {
  jukebox::BlockStopSignals();
  const int code = AfxWinMain(argc, argv);
  return theApp.Started() ? code : 1;
}
