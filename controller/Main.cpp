// Hallwarden's entry point.
#include <string>

#include "controller/MainApp.h"
#include "platform/ui/Dialog.h"

extern const char* const kHallwardenDialogs;

CMainApp theApp;

int main(int argc, char** argv) {
  BlockShutdownSignals();
  std::string error;
  if (!qh::ui::LoadDialogTemplates(kHallwardenDialogs, &error)) return 3;
  return AfxWinMain(argc, argv);
}
