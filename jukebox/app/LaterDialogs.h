// The dialogs the main window opens that live in their own module (options sheet, CD rip, audio matrix,
// compress on exit). The module registers each runner when it is linked in; a command whose dialog is
// not registered says so in the log instead of pretending to have run.
#pragma once

#include <functional>
#include <set>

#include "platform/core/CString.h"
#include "platform/ui/AfxWin.h"

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

inline constexpr const char* kDefaultCddbServer = "gnudb.gnudb.org";

struct JukeboxDialogRunners {
  // Runs the sheet on the values; IDOK or IDCANCEL.
  std::function<INT_PTR(CWnd* owner, JukeboxOptions& options)> optionsSheet;
  // Runs the audio matrix dialog; IDOK with `changed` set when the assignment changed.
  std::function<INT_PTR(CWnd* owner, bool& changed)> audioMatrix;
  // Runs the compress dialog with the bit rate (read back afterwards).
  std::function<INT_PTR(int& bitRate)> compressDialog;
  // Runs the CD rip dialog for the working folder and stores what it ripped.
  std::function<INT_PTR(CWnd* owner, const CString& workFolder, const CString& cddbServer)> ripDialog;
};

JukeboxDialogRunners& LaterDialogs();
