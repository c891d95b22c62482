// The rule that only one program of the system runs at a time: the jukebox, the recorder, the
// administrator and the converter all hold the same named mutex while they run.
#pragma once

#include "platform/core/WinTypes.h"

class CSingleInstance {
 public:
  CSingleInstance() = default;
  ~CSingleInstance() { Release(); }
  CSingleInstance(const CSingleInstance&) = delete;
  CSingleInstance& operator=(const CSingleInstance&) = delete;

  // Takes the name; false when another program holds it already. A name that cannot be made at all
  // (no lock folder) does not keep the program from running.
  bool Acquire(LPCSTR name);
  void Release();

 private:
  HANDLE m_hMutex = nullptr;
  bool m_owned = false;
};
