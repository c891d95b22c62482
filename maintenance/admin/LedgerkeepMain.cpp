// Ledgerkeep, the administrator.
#include <string>

#include "maintenance/admin/AdminApp.h"
#include "platform/core/Module.h"
#include "platform/ui/gdi/BitmapResources.h"

CAdminApp theApp;

int main(int argc, char** argv) {
  // The program's icon (bitmap 128) is copied beside the program by the build.
  qh::gdi::AddBitmapFolder(qh::ProgramHostFolder() + "/resources/ledgerkeep/bitmaps");
  return AfxWinMain(argc, argv);
}
