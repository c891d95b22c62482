// Trackwright, the recorder and library editor: the program's entry point.
#include <cstdio>
#include <string>

#include "platform/core/Module.h"
#include "platform/ui/gdi/BitmapResources.h"
#include "recorder/RecorderApp.h"
#include "recorder/RecorderResources.h"

namespace {
CRecorderApp theApp;
}

int main(int argc, char** argv) {
  std::string error;
  if (!RegisterRecorderDialogs(&error)) {
    std::fprintf(stderr, "Trackwright: a dialog template is malformed: %s\n", error.c_str());
    return 1;
  }
  // The program's icon (bitmap 128) is copied beside the program by the build.
  qh::gdi::AddBitmapFolder(qh::ProgramHostFolder() + "/resources/recorder/bitmaps");
  return AfxWinMain(argc, argv);
}
