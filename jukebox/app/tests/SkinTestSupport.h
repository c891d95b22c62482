// What the skin-control tests share: faces written as bitmap resources, a parent window that records
// the commands it gets, and pumping the thread's messages.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/AfxWin.h"
#include "platform/ui/gdi/Surface.h"

namespace jukebox::test {

// Writes a width x height bitmap resource `id` of one colour into a fresh folder and registers it.
class SkinFolder {
 public:
  SkinFolder();
  ~SkinFolder();
  void AddFace(UINT id, int width, int height, COLORREF color);

 private:
  std::string path_;
};

struct Command {
  WPARAM wParam;
  LPARAM lParam;
  std::chrono::steady_clock::time_point when;
};

// A top-level window that keeps every WM_COMMAND it receives.
class CommandRecorder : public CWnd {
 public:
  CommandRecorder();
  ~CommandRecorder() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  std::vector<Command> commands;
};

// Dispatches the thread's messages (timers included) for `duration`, or until `done` holds.
void PumpFor(std::chrono::milliseconds duration, const std::function<bool()>& done = nullptr);
// Dispatches what is queued now, through the framework's pre-translation as the program's loop does.
void PumpPending();
// The colour a window shows at one of its client points, after painting what is pending.
COLORREF ShownAt(HWND window, int x, int y);

}  // namespace jukebox::test
