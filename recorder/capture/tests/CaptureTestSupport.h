// Helpers of the capture modules' tests: WAV files made with sox, a window that records what is posted
// to it, and pumping the calling thread's queue.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/WinUser.h"

namespace capture_test {

// sox -n ... synth: a WAV of `seconds` of two sine tones.
void MakeWav(const std::string& hostPath, int rate, int channels, int bits, double seconds,
             const std::string& encoding = "signed-integer");
// Appends a chunk after the data chunk (and fixes the RIFF size), as tagging programs do.
void AppendChunk(const std::string& hostPath, const std::string& id, const std::string& body);

struct Posted {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class MessageWindow {
 public:
  MessageWindow();
  ~MessageWindow();
  HWND hwnd() const { return hwnd_; }
  std::vector<Posted> posted;
  std::function<void(UINT, WPARAM, LPARAM)> react;

 private:
  static LRESULT Proc(HWND, UINT, WPARAM, LPARAM);
  HWND hwnd_ = nullptr;
};

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(20));

}  // namespace capture_test
