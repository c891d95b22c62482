// The dialogs the main window opens that live in the dialogs' module above it (options sheet, CD rip,
// audio matrix, compress on exit): the program installs each runner at start-up. A command whose runner
// was not installed says so in the log instead of pretending to have run.
#pragma once

#include <functional>

#include "jukebox/app/JukeboxOptions.h"
#include "platform/ui/AfxWin.h"

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

JukeboxDialogRunners& MainWindowDialogs();
