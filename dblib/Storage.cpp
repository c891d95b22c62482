#include "dblib/Storage.h"

#include <cctype>

int tStorage::AddVolume(DWORD serial, const CString& driveLetter, const CString& label, const CString& folder,
                        DWORD totalHigh, DWORD totalLow) {
  Volume volume;
  volume.serial = serial;
  volume.folder = folder;
  // A disk that is mounted now is known by where it is now: it may have moved to another letter since
  // it was registered.
  if (const LocalVolume* local = FindLocal(serial)) {
    volume.letter = local->letter;
    volume.label = local->label;
    volume.totalHigh = local->totalHigh;
    volume.totalLow = local->totalLow;
    volume.freeHigh = local->freeHigh;
    volume.freeLow = local->freeLow;
  } else {
    volume.letter =
        driveLetter.IsEmpty() ? 0 : static_cast<char>(std::toupper(static_cast<unsigned char>(driveLetter[0])));
    volume.label = label;
    volume.totalHigh = totalHigh;
    volume.totalLow = totalLow;
  }
  m_volumes.push_back(volume);
  return GetVolumeCount();
}

const tStorage::Volume* tStorage::Find(DWORD serial) const {
  for (const Volume& volume : m_volumes)
    if (volume.serial == serial) return &volume;
  return nullptr;
}

CString tStorage::GetRootPath(DWORD serial) const {
  CString root;
  for (const Volume& volume : m_volumes) {
    if (volume.serial != serial || volume.folder.IsEmpty()) continue;
    // Files are named under this root and then written or deleted: when the letter now carries another
    // disk (or none), the name would land on the wrong disk, so there is no root until the disk is back.
    if (volume.letter != 0 && GetVolumeSerial(volume.letter) == serial)
      root.Format("%c:\\%s", volume.letter, volume.folder.GetString());
    break;
  }
  return root;
}

char tStorage::GetDriveLetter(DWORD serial) const {
  const LocalVolume* local = FindLocal(serial);
  return local != nullptr ? local->letter : '?';
}
