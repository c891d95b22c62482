#include "platform/core/MmTimer.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

struct TimerEntry {
  Clock::time_point due;
  std::chrono::milliseconds period;
  bool periodic;
  LPTIMECALLBACK callback;
  DWORD_PTR user;
};

class TimerThread {
 public:
  static TimerThread& Instance() {
    static TimerThread* instance = new TimerThread;  // its thread runs until the process ends
    return *instance;
  }

  UINT Add(UINT delay, LPTIMECALLBACK callback, DWORD_PTR user, bool periodic) {
    std::lock_guard guard(lock_);
    const UINT id = NextFreeId();
    const std::chrono::milliseconds period(delay);
    timers_[id] = TimerEntry{Clock::now() + period, period, periodic, callback, user};
    StartThreadLocked();
    changed_.notify_all();
    return id;
  }

  bool Kill(UINT id) {
    std::unique_lock lock(lock_);
    if (timers_.erase(id) == 0) return false;
    changed_.notify_all();
    // A callback of this timer running elsewhere ends before the kill returns; the timer thread
    // itself, killing from inside the callback, must not wait for itself.
    if (std::this_thread::get_id() != threadId_)
      callbackDone_.wait(lock, [&] { return runningId_ != id; });
    return true;
  }

 private:
  UINT NextFreeId() {
    do {
      ++lastId_;
    } while (lastId_ == 0 || timers_.count(lastId_) != 0);
    return lastId_;
  }

  void StartThreadLocked() {
    if (started_) return;
    std::thread worker([this] { Loop(); });
    threadId_ = worker.get_id();
    worker.detach();
    started_ = true;
  }

  void Loop() {
    std::unique_lock lock(lock_);
    for (;;) {
      auto next = EarliestLocked();
      if (next == timers_.end()) {
        changed_.wait(lock);
        continue;
      }
      if (const Clock::time_point due = next->second.due; Clock::now() < due) {
        changed_.wait_until(lock, due);  // a copy: the entry may be erased while this waits
        continue;  // the table may have changed meanwhile
      }
      const UINT id = next->first;
      const TimerEntry entry = next->second;
      if (entry.periodic)
        next->second.due = NextDue(entry);
      else
        timers_.erase(next);
      runningId_ = id;
      lock.unlock();
      entry.callback(id, 0, entry.user, 0, 0);
      lock.lock();
      runningId_ = 0;
      callbackDone_.notify_all();
    }
  }

  // Periodic timers keep their rhythm; one that fell more than a period behind (a slow callback, a
  // stopped process) restarts from now instead of firing a burst of late ticks.
  static Clock::time_point NextDue(const TimerEntry& entry) {
    const auto now = Clock::now();
    const auto next = entry.due + entry.period;
    return next + entry.period < now ? now + entry.period : next;
  }

  std::map<UINT, TimerEntry>::iterator EarliestLocked() {
    auto earliest = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it)
      if (earliest == timers_.end() || it->second.due < earliest->second.due) earliest = it;
    return earliest;
  }

  std::mutex lock_;
  std::condition_variable changed_;
  std::condition_variable callbackDone_;
  std::map<UINT, TimerEntry> timers_;
  UINT lastId_ = 0;
  UINT runningId_ = 0;
  bool started_ = false;
  std::thread::id threadId_;
};

}  // namespace

MMRESULT timeSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags) {
  if (delay == 0 || delay > QH_TIMER_MAX_DELAY || callback == nullptr) return 0;
  return TimerThread::Instance().Add(delay, callback, user, (flags & TIME_PERIODIC) != 0);
}

MMRESULT timeKillEvent(UINT timerId) {
  return TimerThread::Instance().Kill(timerId) ? TIMERR_NOERROR : MMSYSERR_INVALPARAM;
}

DWORD timeGetTime() {
  const auto sinceStart = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch());
  return static_cast<DWORD>(sinceStart.count());
}
