#include "platform/core/Sync.h"

#include <chrono>

namespace qh {

MutexObject::MutexObject(bool initiallyOwned) : KernelObject(OwnStateLock{}) {
  if (initiallyOwned) {
    ownerThreadId_ = GetCurrentThreadId();
    recursionCount_ = 1;
  }
}

bool MutexObject::IsSignalledLocked(DWORD threadId) const {
  return ownerThreadId_ == 0 || ownerThreadId_ == threadId;
}

void MutexObject::AcquireLocked(DWORD threadId) {
  ownerThreadId_ = threadId;
  ++recursionCount_;
}

BOOL MutexObject::Release() {
  std::lock_guard guard(StateLock());
  if (ownerThreadId_ != GetCurrentThreadId() || recursionCount_ == 0) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  if (--recursionCount_ == 0) {
    ownerThreadId_ = 0;
    OnFreedLocked();
    NotifyWaitersLocked();
  }
  return TRUE;
}

}  // namespace qh

CSyncObject::~CSyncObject() {
  if (m_hObject) CloseHandle(m_hObject);
}

BOOL CSyncObject::Lock(DWORD timeout) { return WaitForSingleObject(m_hObject, timeout) == WAIT_OBJECT_0; }

BOOL CCriticalSection::Lock(DWORD timeout) {
  const DWORD self = GetCurrentThreadId();
  if (ownerThreadId_.load() == self) {
    ++recursionCount_;
    return TRUE;
  }
  if (timeout == INFINITE) {
    mutex_.lock();
  } else if (!mutex_.try_lock_for(std::chrono::milliseconds(timeout))) {
    SetLastError(ERROR_TIMEOUT);
    return FALSE;
  }
  ownerThreadId_.store(self);
  recursionCount_ = 1;
  return TRUE;
}

BOOL CCriticalSection::Unlock() {
  if (ownerThreadId_.load() != GetCurrentThreadId()) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  if (--recursionCount_ == 0) {
    ownerThreadId_.store(0);
    mutex_.unlock();
  }
  return TRUE;
}

CMutex::CMutex(BOOL initiallyOwn) {
  m_hObject = qh::RegisterHandle(std::make_shared<qh::MutexObject>(initiallyOwn != FALSE));
}

BOOL CMutex::Unlock() {
  auto mutex = qh::LookupHandleAs<qh::MutexObject>(m_hObject);
  return mutex ? mutex->Release() : FALSE;
}

CEvent::CEvent(BOOL initiallyOwn, BOOL manualReset, LPCSTR name, LPSECURITY_ATTRIBUTES security) {
  m_hObject = CreateEvent(security, manualReset, initiallyOwn, name);
}

BOOL CEvent::SetEvent() { return ::SetEvent(m_hObject); }

BOOL CEvent::ResetEvent() { return ::ResetEvent(m_hObject); }

CSingleLock::CSingleLock(CSyncObject* object, BOOL initialLock) : object_(object) {
  if (initialLock) Lock();
}

CSingleLock::~CSingleLock() { Unlock(); }

BOOL CSingleLock::Lock(DWORD timeout) {
  if (locked_) return TRUE;
  if (object_ == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  locked_ = object_->Lock(timeout);
  return locked_;
}

BOOL CSingleLock::Unlock() {
  if (!locked_) return TRUE;
  locked_ = !object_->Unlock();
  return !locked_;
}

HANDLE CreateEvent(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState, LPCSTR name) {
  return qh::RegisterHandle(std::make_shared<qh::EventObject>(manualReset != FALSE, initialState != FALSE));
}

namespace {

template <class Action>
BOOL WithEvent(HANDLE handle, Action action) {
  auto event = qh::LookupHandleAs<qh::EventObject>(handle);
  if (!event) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  action(*event);
  return TRUE;
}

}  // namespace

BOOL SetEvent(HANDLE event) {
  return WithEvent(event, [](qh::EventObject& e) { e.Set(); });
}

BOOL ResetEvent(HANDLE event) {
  return WithEvent(event, [](qh::EventObject& e) { e.Reset(); });
}
