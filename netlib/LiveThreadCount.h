// The number of worker threads that still hold a pointer to their creator. The creator waits for it
// to reach zero before it lets itself be destroyed, so no thread ever reaches a freed creator.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

class LiveThreadCount {
 public:
  void Add() {
    std::lock_guard guard(m_lock);
    ++m_count;
  }
  void Done() {
    std::lock_guard guard(m_lock);
    --m_count;
    m_zero.notify_all();
  }
  int Count() {
    std::lock_guard guard(m_lock);
    return m_count;
  }
  // True when the count is zero within `milliseconds`.
  bool WaitForZero(int milliseconds) {
    std::unique_lock lock(m_lock);
    return m_zero.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return m_count == 0; });
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_zero;
  int m_count = 0;
};
