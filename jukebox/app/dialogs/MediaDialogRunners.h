// Installs the runners of the compress dialog and the CD rip dialog that the main window calls
// through MainWindowDialogs() (once; later calls do nothing).
#pragma once

void InstallMediaDialogRunners();
