// Hallwarden's entry point.
#include <cstdlib>
#include <string>

#include "controller/MainApp.h"
#include "platform/ui/Dialog.h"

extern const char* const kHallwardenDialogs;

CMainApp theApp;

int main(int argc, char** argv) {
  BlockShutdownSignals();
  // Without TZ the C library looks at /etc/localtime again on every local-time conversion (each log
  // line, each planned occurrence); naming it reads it once.
  setenv("TZ", ":/etc/localtime", 0);
  std::string error;
  if (!qh::ui::LoadDialogTemplates(kHallwardenDialogs, &error)) return 3;
  return AfxWinMain(argc, argv);
}
