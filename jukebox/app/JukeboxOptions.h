// The values of the options sheet as the main window loads and saves them.
#pragma once

#include <functional>

#include "platform/core/CString.h"

// The nine values the options sheet edits, read by LoadOptions and written by SaveOptions.
struct JukeboxOptions {
  int webControlEnable = 1;
  int errorMessageBox = 1;
  int errorLog = 0;
  int tvOutput = 0;
  int compressOnExit = 1;
  int socketNumber = 12130;
  CString randomPicPath;
  CString errorLogPath;
  CString cddbServer;
  bool startupListChanged = false;  // the Startup page changed the start-up action list
  // After such an OK: makes the page's list the start-up list and writes its file; 0 when written.
  std::function<int()> writeStartupList;
};
