#include "platform/core/Handle.h"

#include <algorithm>
#include <chrono>
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

// Takes what the wait asks for if it is available now; returns the WAIT_OBJECT_0-based result.
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

void KernelObject::NotifyWaitersLocked() {
  for (KernelWaiter* waiter : waiters_) {
    if (waiter->granted) continue;
    if (auto result = TryAcquireLocked(waiter->objects, waiter->waitAll, waiter->threadId)) {
      waiter->granted = true;
      waiter->result = *result;
      waiter->wake.notify_one();
    }
  }
}

void KernelObject::AddWaiterLocked(KernelWaiter* waiter) { waiters_.push_back(waiter); }

void KernelObject::RemoveWaiterLocked(KernelWaiter* waiter) { std::erase(waiters_, waiter); }

namespace {

class HandleTable {
 public:
  HANDLE Add(KernelObjectPtr object) {
    std::lock_guard guard(lock_);
    // Handle values look like the platform's (multiples of 4) and never come back after a close, so a
    // stale handle fails instead of reaching a newer object.
    nextValue_ += 4;
    objects_.emplace(nextValue_, std::move(object));
    return reinterpret_cast<HANDLE>(nextValue_);
  }
  KernelObjectPtr Find(HANDLE handle) {
    std::lock_guard guard(lock_);
    auto it = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == objects_.end() ? nullptr : it->second;
  }
  bool Remove(HANDLE handle) {
    KernelObjectPtr released;  // destroyed outside the table's lock: a destructor may close handles
    {
      std::lock_guard guard(lock_);
      auto it = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
      if (it == objects_.end()) return false;
      released = std::move(it->second);
      objects_.erase(it);
    }
    return true;
  }

 private:
  std::mutex lock_;
  std::uintptr_t nextValue_ = 0x100;
  std::unordered_map<std::uintptr_t, KernelObjectPtr> objects_;
};

HandleTable& Handles() {
  static HandleTable* table = new HandleTable;  // outlives every static destructor that closes a handle
  return *table;
}

using Clock = std::chrono::steady_clock;

std::optional<Clock::time_point> DeadlineAfter(DWORD milliseconds) {
  if (milliseconds == INFINITE) return std::nullopt;
  return Clock::now() + std::chrono::milliseconds(milliseconds);
}

// Registers a waiter with every object of a wait for as long as the wait sleeps.
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
  std::unique_lock lock(KernelStateLock());
  if (auto result = TryAcquireLocked(objects, waitAll, threadId)) return *result;
  if (milliseconds == 0) return WAIT_TIMEOUT;

  KernelWaiter waiter;
  waiter.objects = objects;
  waiter.waitAll = waitAll;
  waiter.threadId = threadId;
  WaiterRegistration registration(objects, &waiter);
  while (!waiter.granted) {
    if (!deadline) {
      waiter.wake.wait(lock);
    } else if (waiter.wake.wait_until(lock, *deadline) == std::cv_status::timeout && !waiter.granted) {
      return WAIT_TIMEOUT;
    }
  }
  return waiter.result;
}

EventObject::EventObject(bool manualReset, bool initiallySignalled)
    : manualReset_(manualReset), signalled_(initiallySignalled) {}

bool EventObject::IsSignalledLocked(DWORD) const { return signalled_; }

void EventObject::AcquireLocked(DWORD) {
  if (!manualReset_) signalled_ = false;
}

void EventObject::Set() {
  std::lock_guard guard(KernelStateLock());
  signalled_ = true;
  NotifyWaitersLocked();
}

void EventObject::Reset() {
  std::lock_guard guard(KernelStateLock());
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
  std::vector<qh::KernelObjectPtr> objects;
  objects.reserve(count);
  for (DWORD i = 0; i < count; ++i) {
    auto object = qh::LookupHandle(handles[i]);
    if (!object) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    objects.push_back(std::move(object));
  }
  return qh::WaitForObjects(objects, waitAll != FALSE, milliseconds);
}

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
