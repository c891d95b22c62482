// The audio a wave-in device has filled, taken on the device's own thread: each filled buffer is copied
// here and given straight back to the device, so the device always has room and no audio is lost while
// the window that writes the take is busy or late. The window drains the copies in order.
#pragma once

#include <deque>
#include <mutex>
#include <vector>

#include "platform/mm/WaveIn.h"

class CCaptureQueue {
 public:
  using Chunk = std::vector<char>;

  // Buffers handed back from now on are kept and queued again; `window` is told of kept audio.
  void Open(HWND window);
  HWND Window() const { return m_window; }
  // Buffers handed back from now on (those stop and reset return included) are neither kept nor queued
  // again, so the device can be reset and its buffers unprepared.
  void Close();
  // On the device's thread, for a filled buffer: true when audio was kept (the window is to be told).
  // A buffer that cannot be queued again is logged; the device then has one buffer less.
  bool TakeFilled(HWAVEIN device, WAVEHDR* header);
  // The audio kept since the last call, oldest first.
  std::deque<Chunk> Drain();

 private:
  std::mutex m_lock;
  bool m_open = false;
  HWND m_window = nullptr;
  std::deque<Chunk> m_chunks;
};
