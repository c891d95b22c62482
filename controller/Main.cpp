// Hallwarden's entry point.
#include <cstdlib>
#include <string>

#include "controller/MainApp.h"
#include "platform/core/Module.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/gdi/BitmapResources.h"

extern const char* const kHallwardenDialogs;

CMainApp theApp;

int main(int argc, char** argv) {
  BlockShutdownSignals();
  // Without TZ the C library looks at /etc/localtime again on every local-time conversion (each log
  // line, each planned occurrence); naming it reads it once.
  setenv("TZ", ":/etc/localtime", 0);
  std::string error;
  if (!qh::ui::LoadDialogTemplates(kHallwardenDialogs, &error)) return 3;
  // The program's picture (icon 128) is copied beside the program by the build.
  qh::gdi::AddBitmapFolder(qh::ProgramHostFolder() + "/resources/controller/bitmaps");
  return AfxWinMain(argc, argv);
}
