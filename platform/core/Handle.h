// Kernel objects behind HANDLE values: threads, events, mutexes and processes are reference-counted
// objects that a thread can wait on. A HANDLE is an entry of one process-wide table; CloseHandle drops
// the table's reference, and an object lives on while a running wait or its owner still holds it.
//
// Other layers derive their own waitable objects from qh::KernelObject (a socket event, a message
// queue for a message-aware wait) and wait with qh::WaitForObjects, so every wait of the system goes
// through one implementation with one notion of time-out and failure.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "platform/core/WinTypes.h"

#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED_0 0x00000080u
#define WAIT_FAILED 0xFFFFFFFFu
// WAIT_TIMEOUT (258) is declared with the error codes in WinTypes.h.

#define MAXIMUM_WAIT_OBJECTS 64

namespace qh {

// The state lock of kernel objects that do not keep their own (threads, processes and other layers'
// objects whose code takes this lock around their changes). Events and mutexes, the objects that
// connection threads wait on and signal all the time, each have their own lock, so unrelated
// threads never queue behind one another.
std::mutex& KernelStateLock();

class KernelObject;

// One waiting thread. It sleeps on its own futex word, so a change wakes exactly the threads it
// concerns. A wait for any one object is completed on the waiter's behalf by the object that
// satisfies it (granted), as the platform does: an auto-reset event set twice while two threads
// wait releases both, and a released mutex passes to the first waiter. A wait for all objects is
// only woken; it takes the objects itself, holding all their locks at once.
struct KernelWaiter {
  static constexpr std::uint32_t kWaiting = 0;
  static constexpr std::uint32_t kGaveUp = 0xFFFFFFFFu;

  std::span<const std::shared_ptr<KernelObject>> objects;
  bool waitAll = false;
  DWORD threadId = 0;
  // Wait-any: kWaiting, then WAIT_OBJECT_0 + index + 1 once granted, or kGaveUp after its time-out
  // (whoever changes it first from kWaiting wins). Wait-all: a count bumped by every wake-up.
  std::atomic<std::uint32_t> word{kWaiting};
};

class KernelObject {
 public:
  // The object's state is guarded by KernelStateLock().
  KernelObject() : stateLock_(KernelStateLock()) {}
  KernelObject(const KernelObject&) = delete;
  KernelObject& operator=(const KernelObject&) = delete;
  virtual ~KernelObject() = default;

  // The lock that guards this object's signal state and its list of waiters.
  std::mutex& StateLock() const { return stateLock_; }

  // Both are called with StateLock() held, so they must not take any other lock (a layer that
  // holds its own lock while it signals would otherwise deadlock against a waiter). IsSignalledLocked
  // says whether a wait by the thread with id `threadId` would be satisfied now; AcquireLocked is the
  // side effect of a satisfied wait (an auto-reset event resets, a mutex becomes owned by the waiter).
  virtual bool IsSignalledLocked(DWORD threadId) const = 0;
  virtual void AcquireLocked(DWORD /*threadId*/) {}

  // The waiters a change has completed or must have look again, to be woken once the state lock
  // is released: a waiter woken under the lock would only block on it at once (it takes the lock to
  // leave the object's list) and be woken a second time.
  class DeferredWakes {
   public:
    DeferredWakes() = default;
    DeferredWakes(const DeferredWakes&) = delete;
    DeferredWakes& operator=(const DeferredWakes&) = delete;
    ~DeferredWakes() { WakeAll(); }
    void Add(std::atomic<std::uint32_t>* word);
    // Call with no state lock held.
    void WakeAll();

   private:
    std::array<std::atomic<std::uint32_t>*, 4> inline_{};
    std::size_t count_ = 0;
    std::vector<std::atomic<std::uint32_t>*> more_;
  };

  // Called with StateLock() held after the state changed towards signalled: completes the waits
  // for any one object that it now satisfies, in the order the waiters came, and wakes them; wakes
  // the waits for all objects so that they look again. With `deferred`, the wake-ups are left to it
  // (to be done after the lock is released); without, they are done at once.
  void NotifyWaitersLocked(DeferredWakes* deferred = nullptr);

  void AddWaiterLocked(KernelWaiter* waiter);
  void RemoveWaiterLocked(KernelWaiter* waiter);

 protected:
  struct OwnStateLock {};
  // The object's state is guarded by a lock of its own.
  explicit KernelObject(OwnStateLock) : stateLock_(ownLock_) {}

 private:
  std::mutex ownLock_;
  std::mutex& stateLock_;
  std::vector<KernelWaiter*> waiters_;
};

using KernelObjectPtr = std::shared_ptr<KernelObject>;

// Enters an object into the handle table and returns its new handle (never reused while the process runs).
HANDLE RegisterHandle(KernelObjectPtr object);
// The object behind a handle, or null for an invalid or closed handle (GetCurrentThread's pseudo
// handle resolves to the calling thread's object).
KernelObjectPtr LookupHandle(HANDLE handle);
template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}

// Waits for one (waitAll false) or all (waitAll true) of the objects. Returns WAIT_OBJECT_0 + index of
// the first signalled object (lowest index wins when several are), WAIT_OBJECT_0 when all were taken,
// or WAIT_TIMEOUT. An empty list or more than MAXIMUM_WAIT_OBJECTS is WAIT_FAILED with
// ERROR_INVALID_PARAMETER.
DWORD WaitForObjects(std::span<const KernelObjectPtr> objects, bool waitAll, DWORD milliseconds);

// A manual- or auto-reset event; also the base of event-like objects of other layers.
class EventObject : public KernelObject {
 public:
  EventObject(bool manualReset, bool initiallySignalled);
  bool IsSignalledLocked(DWORD threadId) const override;
  void AcquireLocked(DWORD threadId) override;
  void Set();
  void Reset();
  bool IsManualReset() const { return manualReset_; }

 private:
  const bool manualReset_;
  bool signalled_;
};

}  // namespace qh

BOOL CloseHandle(HANDLE handle);
// WAIT_OBJECT_0, WAIT_TIMEOUT, or WAIT_FAILED with GetLastError() == ERROR_INVALID_HANDLE.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// WAIT_OBJECT_0 + n, WAIT_TIMEOUT, or WAIT_FAILED (ERROR_INVALID_HANDLE / ERROR_INVALID_PARAMETER).
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);
void Sleep(DWORD milliseconds);
