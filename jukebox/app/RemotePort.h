// The main window's control port, as the main window sees it. The remote control (jukebox/remote)
// implements it and installs its factory when it is linked into the program; a main window without a
// factory has no control port and says so in its log.
#pragma once

#include <functional>
#include <memory>

#include "platform/ui/AfxWin.h"

class CMasterWindow;

class CRemotePort {
 public:
  virtual ~CRemotePort() = default;
  // Starts the listening server; false when it could not be started (already logged).
  virtual bool StartServer() = 0;
  // Stops accepting work: the server is told to stop and the waiting requests are dropped unanswered.
  virtual void ShutdownServer() = 0;
  // Waits for the server thread and frees it; false when the wait timed out or failed (logged).
  virtual bool StopServer() = 0;
  // The main window's messages 0x468 to 0x46C; the result for the window procedure.
  virtual LRESULT OnPortMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // Timer 3, ten seconds after the main window was created: the start-up actions.
  virtual void RunStartupActions() = 0;
  // The main window is being destroyed: every thread of the port is ended and the notices they left in
  // the window's queue are freed while the window can still be asked for them.
  virtual void OnWindowDestroyed() = 0;
};

using RemotePortFactory = std::function<std::unique_ptr<CRemotePort>(CMasterWindow& window)>;
// Installs the factory (an empty one removes it); returns the previous one.
RemotePortFactory SetRemotePortFactory(RemotePortFactory factory);
const RemotePortFactory& GetRemotePortFactory();
