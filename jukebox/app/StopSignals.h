// SIGTERM and SIGINT stop the jukebox through its orderly shut-down (every zone player ends, the control
// port closes, the main window goes), so a service manager or Ctrl+C ends it in order in every state.
// The signals are blocked in every thread and taken by one waiting thread, which posts the request to
// the main window; one that comes before the main window exists is kept until start-up has made it.
#pragma once

#include "platform/ui/WinUser.h"

namespace jukebox {

// First thing in main, before any thread exists: every later thread inherits the blocked set.
void BlockStopSignals();
// Starts the waiting thread; stop requests go to the main thread's message queue until a window is named.
void StartStopSignalThread();
// The window that gets the stop request (kMsgStopRequest, the signal number as wParam); a request that
// came before it is posted to it at once. Null again once the window is gone.
void NoteStopWindow(HWND window);
// Whether a stop signal has come.
bool StopRequested();

}  // namespace jukebox
