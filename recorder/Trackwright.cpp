// Trackwright, the recorder and library editor: the program's entry point.
#include <cstdio>
#include <string>

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
  return AfxWinMain(argc, argv);
}
