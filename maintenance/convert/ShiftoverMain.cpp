// Shiftover, the converter.
#include <string>

#include "maintenance/convert/CvtApp.h"
#include "platform/core/Module.h"
#include "platform/ui/gdi/BitmapResources.h"

CCvtApp theApp;

int main(int argc, char** argv) {
  // The program's icon (bitmap 128) is copied beside the program by the build.
  qh::gdi::AddBitmapFolder(qh::ProgramHostFolder() + "/resources/shiftover/bitmaps");
  return AfxWinMain(argc, argv);
}
