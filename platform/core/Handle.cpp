#include "platform/core/Handle.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <optional>
#include <thread>
#include <unordered_map>

#include "platform/core/Thread.h"

namespace qh {

std::mutex& KernelStateLock() {
  static std::mutex lock;
  return lock;
}

namespace {

using Clock = std::chrono::steady_clock;

// Sleeps while `word` still holds `expected`, at most until `deadline` (none: no limit). Returns
// false once the deadline has passed. Wakes early now and then (a signal); callers look again.
// A futex rather than a condition variable: the waker needs no lock of the sleeper's, so it can
// wake from under the object's lock without the sleeper queueing behind it for a second lock.
bool FutexWait(std::atomic<std::uint32_t>& word, std::uint32_t expected, std::optional<Clock::time_point> deadline) {
  timespec until{};
  if (deadline) {
    // steady_clock is CLOCK_MONOTONIC, the clock of an absolute FUTEX_WAIT_BITSET.
    const auto since = deadline->time_since_epoch();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
    until.tv_sec = static_cast<time_t>(seconds.count());
    until.tv_nsec = static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds).count());
  }
  const long rc = syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAIT_BITSET | FUTEX_PRIVATE_FLAG,
                          expected, deadline ? &until : nullptr, nullptr, FUTEX_BITSET_MATCH_ANY);
  return !(rc != 0 && errno == ETIMEDOUT);
}

void FutexWakeAll(std::atomic<std::uint32_t>& word) {
  syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAKE | FUTEX_PRIVATE_FLAG, INT32_MAX, nullptr,
          nullptr, 0);
}

// Takes what the wait asks for if it is available now; returns the WAIT_OBJECT_0-based result.
// Called with the state locks of all the objects held.
std::optional<DWORD> TryAcquireLocked(std::span<const KernelObjectPtr> objects, bool waitAll, DWORD threadId) {
  if (waitAll) {
    for (const auto& object : objects)
      if (!object->IsSignalledLocked(threadId)) return std::nullopt;
    for (const auto& object : objects) object->AcquireLocked(threadId);
    return WAIT_OBJECT_0;
  }
  for (std::size_t i = 0; i < objects.size(); ++i) {
    if (objects[i]->IsSignalledLocked(threadId)) {
      objects[i]->AcquireLocked(threadId);
      return WAIT_OBJECT_0 + static_cast<DWORD>(i);
    }
  }
  return std::nullopt;
}

}  // namespace

void KernelObject::DeferredWakes::Add(std::atomic<std::uint32_t>* word) {
  if (count_ < inline_.size())
    inline_[count_++] = word;
  else
    more_.push_back(word);
}

// The waiter may have left its wait by now (it saw its word change before it slept) and the word's
// memory may hold something else: a futex wake there is then at most a spurious wake-up of another
// futex sleeper, which every sleeper looks again after (SleepUntilGranted, the C library's locks).
void KernelObject::DeferredWakes::WakeAll() {
  for (std::size_t i = 0; i < count_; ++i) FutexWakeAll(*inline_[i]);
  for (auto* word : more_) FutexWakeAll(*word);
  count_ = 0;
  more_.clear();
}

void KernelObject::NotifyWaitersLocked(DeferredWakes* deferred) {
  const auto wake = [deferred](std::atomic<std::uint32_t>& word) {
    if (deferred)
      deferred->Add(&word);
    else
      FutexWakeAll(word);
  };
  for (KernelWaiter* waiter : waiters_) {
    if (waiter->waitAll) {
      // Whether all its objects are free needs their locks, which cannot be taken from here
      // without an order between objects: the waiter looks for itself.
      waiter->word.fetch_add(1);
      wake(waiter->word);
      continue;
    }
    if (waiter->word.load() != KernelWaiter::kWaiting || !IsSignalledLocked(waiter->threadId)) continue;
    // The lowest index this object has in the wait (an object may be listed twice).
    std::size_t index = 0;
    while (waiter->objects[index].get() != this) ++index;
    std::uint32_t expected = KernelWaiter::kWaiting;
    // Another object of the same wait may grant it at the same moment, or its time-out end it:
    // only the first change counts, so a signal is consumed by one wait only.
    if (!waiter->word.compare_exchange_strong(expected, WAIT_OBJECT_0 + static_cast<std::uint32_t>(index) + 1))
      continue;
    AcquireLocked(waiter->threadId);
    wake(waiter->word);
  }
}

void KernelObject::AddWaiterLocked(KernelWaiter* waiter) { waiters_.push_back(waiter); }

void KernelObject::RemoveWaiterLocked(KernelWaiter* waiter) { std::erase(waiters_, waiter); }

namespace {

class HandleTable {
 public:
  HANDLE Add(KernelObjectPtr object) {
    // Handle values look like the platform's (multiples of 4) and never come back after a close, so a
    // stale handle fails instead of reaching a newer object.
    const std::uintptr_t value = nextValue_.fetch_add(4) + 4;
    Shard& shard = ShardOf(value);
    std::lock_guard guard(shard.lock);
    shard.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
  }
  KernelObjectPtr Find(HANDLE handle) {
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    Shard& shard = ShardOf(value);
    std::lock_guard guard(shard.lock);
    auto it = shard.objects.find(value);
    return it == shard.objects.end() ? nullptr : it->second;
  }
  bool Remove(HANDLE handle) {
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    Shard& shard = ShardOf(value);
    KernelObjectPtr released;  // destroyed outside the shard's lock: a destructor may close handles
    {
      std::lock_guard guard(shard.lock);
      auto it = shard.objects.find(value);
      if (it == shard.objects.end()) return false;
      released = std::move(it->second);
      shard.objects.erase(it);
    }
    return true;
  }

 private:
  // Every wait and every signal looks its handles up: the table is split by handle value so that
  // threads that use different handles do not queue on one lock. Handles are given out in turn, so
  // the objects of one connection fall into different shards.
  struct alignas(64) Shard {
    std::mutex lock;
    std::unordered_map<std::uintptr_t, KernelObjectPtr> objects;
  };
  static constexpr std::size_t kShards = 64;
  Shard& ShardOf(std::uintptr_t value) { return shards_[(value >> 2) % kShards]; }

  std::atomic<std::uintptr_t> nextValue_{0x100};
  std::array<Shard, kShards> shards_;
};

HandleTable& Handles() {
  static HandleTable* table = new HandleTable;  // outlives every static destructor that closes a handle
  return *table;
}

std::optional<Clock::time_point> DeadlineAfter(DWORD milliseconds) {
  if (milliseconds == INFINITE) return std::nullopt;
  return Clock::now() + std::chrono::milliseconds(milliseconds);
}

// The state locks of the objects of one wait, each once (objects without a lock of their own share
// one), always taken in address order so that two waits over the same objects cannot deadlock.
class StateLocks {
 public:
  explicit StateLocks(std::span<const KernelObjectPtr> objects) {
    for (const auto& object : objects) locks_[count_++] = &object->StateLock();
    std::sort(locks_.begin(), locks_.begin() + count_);
    count_ = static_cast<std::size_t>(std::unique(locks_.begin(), locks_.begin() + count_) - locks_.begin());
  }
  void LockAll() {
    for (std::size_t i = 0; i < count_; ++i) locks_[i]->lock();
  }
  void UnlockAll() {
    for (std::size_t i = count_; i > 0; --i) locks_[i - 1]->unlock();
  }

 private:
  std::array<std::mutex*, MAXIMUM_WAIT_OBJECTS> locks_{};
  std::size_t count_ = 0;
};

// Keeps a waiter in the waiter list of every object of its wait while the wait sleeps. Both the
// constructor and the destructor run with all the state locks held.
class WaiterRegistration {
 public:
  WaiterRegistration(std::span<const KernelObjectPtr> objects, KernelWaiter* waiter)
      : objects_(objects), waiter_(waiter) {
    for (const auto& object : objects_) object->AddWaiterLocked(waiter_);
  }
  ~WaiterRegistration() {
    for (const auto& object : objects_) object->RemoveWaiterLocked(waiter_);
  }
  WaiterRegistration(const WaiterRegistration&) = delete;
  WaiterRegistration& operator=(const WaiterRegistration&) = delete;

 private:
  std::span<const KernelObjectPtr> objects_;
  KernelWaiter* waiter_;
};

// Sleeps until an object grants the wait or the deadline passes; returns the wait's result.
// Called with no lock held, while the waiter is registered.
DWORD SleepUntilGranted(KernelWaiter& waiter, std::optional<Clock::time_point> deadline) {
  for (;;) {
    std::uint32_t word = waiter.word.load();
    if (word != KernelWaiter::kWaiting) return word - 1;
    if (!FutexWait(waiter.word, KernelWaiter::kWaiting, deadline) ||
        (deadline && Clock::now() >= *deadline)) {
      // A grant may have come just now: it wins over the time-out, or its signal would be lost.
      if (waiter.word.compare_exchange_strong(word, KernelWaiter::kGaveUp)) return WAIT_TIMEOUT;
      return word - 1;
    }
  }
}

// Sleeps until all the objects can be taken at once, and takes them; WAIT_TIMEOUT after the
// deadline. Called with all the state locks held, while the waiter is registered; returns with them held.
DWORD SleepUntilAllTaken(std::span<const KernelObjectPtr> objects, StateLocks& locks, KernelWaiter& waiter,
                         std::optional<Clock::time_point> deadline) {
  for (;;) {
    // Read under the locks: a change after they are released bumps it, so no wake-up is missed.
    const std::uint32_t seen = waiter.word.load();
    locks.UnlockAll();
    FutexWait(waiter.word, seen, deadline);
    locks.LockAll();
    if (auto result = TryAcquireLocked(objects, true, waiter.threadId)) return *result;
    if (deadline && Clock::now() >= *deadline) return WAIT_TIMEOUT;
  }
}

}  // namespace

HANDLE RegisterHandle(KernelObjectPtr object) { return Handles().Add(std::move(object)); }

KernelObjectPtr LookupHandle(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
  if (handle == GetCurrentThread()) return CurrentThreadObject();
  return Handles().Find(handle);
}

DWORD WaitForObjects(std::span<const KernelObjectPtr> objects, bool waitAll, DWORD milliseconds) {
  if (objects.empty() || objects.size() > MAXIMUM_WAIT_OBJECTS ||
      std::any_of(objects.begin(), objects.end(), [](const KernelObjectPtr& o) { return !o; })) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  const DWORD threadId = GetCurrentThreadId();
  const auto deadline = DeadlineAfter(milliseconds);
  StateLocks locks(objects);
  locks.LockAll();
  if (auto result = TryAcquireLocked(objects, waitAll, threadId)) {
    locks.UnlockAll();
    return *result;
  }
  if (milliseconds == 0) {
    locks.UnlockAll();
    return WAIT_TIMEOUT;
  }

  KernelWaiter waiter;
  waiter.objects = objects;
  waiter.waitAll = waitAll;
  waiter.threadId = threadId;
  DWORD result;
  {
    WaiterRegistration registration(objects, &waiter);
    if (waitAll) {
      result = SleepUntilAllTaken(objects, locks, waiter, deadline);
    } else {
      locks.UnlockAll();
      result = SleepUntilGranted(waiter, deadline);
      locks.LockAll();
    }
  }  // leaves the lists with the locks held: no object can wake the waiter after this
  locks.UnlockAll();
  return result;
}

EventObject::EventObject(bool manualReset, bool initiallySignalled)
    : KernelObject(OwnStateLock{}), manualReset_(manualReset), signalled_(initiallySignalled) {}

bool EventObject::IsSignalledLocked(DWORD) const { return signalled_; }

void EventObject::AcquireLocked(DWORD) {
  if (!manualReset_) signalled_ = false;
}

void EventObject::Set() {
  DeferredWakes wakes;  // declared first: wakes after the guard has released the lock
  std::lock_guard guard(StateLock());
  signalled_ = true;
  NotifyWaitersLocked(&wakes);
}

void EventObject::Reset() {
  std::lock_guard guard(StateLock());
  signalled_ = false;
}

}  // namespace qh

BOOL CloseHandle(HANDLE handle) {
  if (handle == GetCurrentThread()) return TRUE;  // a pseudo handle needs no closing
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !qh::Handles().Remove(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || handles == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::array<qh::KernelObjectPtr, MAXIMUM_WAIT_OBJECTS> objects;  // no allocation on the way to a wait
  for (DWORD i = 0; i < count; ++i) {
    objects[i] = qh::LookupHandle(handles[i]);
    if (!objects[i]) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
  }
  return qh::WaitForObjects(std::span(objects.data(), count), waitAll != FALSE, milliseconds);
}

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
