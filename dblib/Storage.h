// tStorage: the storage-volume list: the volumes that hold songs, each with its serial, drive letter,
// label, folder and sizes. A song record turns its volume serial into a folder through it.
#pragma once

#include <vector>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class CDaoDatabase;

class tStorage {
 public:
  explicit tStorage(CDaoDatabase* database) : m_pDatabase(database) {}

  // Appends a storage volume (folder: the path below the drive root, without the drive).
  void AddVolume(DWORD serial, const CString& driveLetter, const CString& label, const CString& folder,
                 DWORD totalHigh, DWORD totalLow);
  int GetVolumeCount() const { return static_cast<int>(m_volumes.size()); }
  // "%c:\%s" of the volume with that serial; empty when no volume has it.
  CString GetRootPath(DWORD serial) const;
  // The upper-case drive letter of the volume with that serial; 0 when no volume has it.
  char GetDriveLetter(DWORD serial) const;

 private:
  struct Volume {
    DWORD serial = 0;
    char letter = 0;
    CString label;
    CString folder;
    DWORD totalHigh = 0;
    DWORD totalLow = 0;
  };
  const Volume* Find(DWORD serial) const;

  CDaoDatabase* m_pDatabase;
  std::vector<Volume> m_volumes;
};
