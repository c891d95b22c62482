// Small helpers the window layer's tests share: a window class whose procedure records what it gets,
// and pumping the calling thread's queue for a while.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/AfxWin.h"
#include "platform/ui/WinUser.h"

namespace qh::ui::test {

struct Received {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// A window whose procedure records every message it gets and runs an optional reaction first.
class RecordingWindow {
 public:
  explicit RecordingWindow(HWND parent = nullptr, DWORD style = WS_OVERLAPPED);
  ~RecordingWindow();
  HWND hwnd() const { return hwnd_; }
  std::vector<Received> received;
  std::function<bool(UINT, WPARAM, LPARAM, LRESULT&)> react;  // true = handled with the result
  std::vector<UINT> MessagesOf(UINT first, UINT last) const;
  int Count(UINT message) const;

 private:
  static LRESULT CALLBACK_Proc(HWND, UINT, WPARAM, LPARAM);
  HWND hwnd_ = nullptr;
};

// Both pump as the framework's loop does (pre-translation first).
// Dispatches the calling thread's messages until `done` holds or the time is up; true when done.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(5));
// Dispatches whatever is queued now (no waiting for timers).
void PumpPending();

}  // namespace qh::ui::test
