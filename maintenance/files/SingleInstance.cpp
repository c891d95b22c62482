#include "maintenance/files/SingleInstance.h"

#include "platform/core/Handle.h"
#include "platform/core/NamedMutex.h"

bool CSingleInstance::Acquire(LPCSTR name) {
  Release();
  m_hMutex = CreateMutex(nullptr, TRUE, name);
  if (m_hMutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(m_hMutex);
    m_hMutex = nullptr;
    return false;
  }
  m_owned = m_hMutex != nullptr;
  return true;
}

void CSingleInstance::Release() {
  if (m_hMutex == nullptr) return;
  if (m_owned) ReleaseMutex(m_hMutex);
  CloseHandle(m_hMutex);
  m_hMutex = nullptr;
  m_owned = false;
}
