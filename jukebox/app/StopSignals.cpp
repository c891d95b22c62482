#include "jukebox/app/StopSignals.h"

#include <signal.h>

#include <mutex>
#include <thread>

#include "jukebox/app/JukeboxIds.h"
#include "platform/core/Thread.h"

namespace jukebox {
namespace {

std::mutex g_lock;
HWND g_window = nullptr;
DWORD g_mainThread = 0;
int g_signal = 0;

sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  return signals;
}

}  // namespace

void BlockStopSignals() {
  sigset_t signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

void StartStopSignalThread() {
  {
    std::lock_guard lock(g_lock);
    g_mainThread = GetCurrentThreadId();
  }
  std::thread([] {
    const sigset_t signals = StopSignals();
    for (;;) {
      int signal = 0;
      if (sigwait(&signals, &signal) != 0) continue;
      std::lock_guard lock(g_lock);
      g_signal = signal;
      if (g_window != nullptr) {
        ::PostMessage(g_window, kMsgStopRequest, static_cast<WPARAM>(signal), 0);
      } else if (g_mainThread != 0) {
        // Start-up may sit in a message box: its loop ends at the quit message and start-up goes on
        // to its end, where the request is found.
        ::PostThreadMessage(g_mainThread, WM_QUIT, 0, 0);
      }
    }
  }).detach();
}

void NoteStopWindow(HWND window) {
  std::lock_guard lock(g_lock);
  g_window = window;
  if (window != nullptr && g_signal != 0) {
    // The quit message meant for a start-up box is not to end the program before its orderly stop.
    MSG pending;
    while (::PeekMessage(&pending, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    ::PostMessage(window, kMsgStopRequest, static_cast<WPARAM>(g_signal), 0);
  }
}

bool StopRequested() {
  std::lock_guard lock(g_lock);
  return g_signal != 0;
}

}  // namespace jukebox
