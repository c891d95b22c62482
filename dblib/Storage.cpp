#include "dblib/Storage.h"

#include <cctype>

void tStorage::AddVolume(DWORD serial, const CString& driveLetter, const CString& label, const CString& folder,
                         DWORD totalHigh, DWORD totalLow) {
  Volume volume;
  volume.serial = serial;
  volume.letter = driveLetter.IsEmpty() ? 0 : static_cast<char>(std::toupper(static_cast<unsigned char>(driveLetter[0])));
  volume.label = label;
  volume.folder = folder;
  volume.totalHigh = totalHigh;
  volume.totalLow = totalLow;
  m_volumes.push_back(volume);
}

const tStorage::Volume* tStorage::Find(DWORD serial) const {
  for (const Volume& volume : m_volumes)
    if (volume.serial == serial) return &volume;
  return nullptr;
}

CString tStorage::GetRootPath(DWORD serial) const {
  const Volume* volume = Find(serial);
  CString root;
  if (volume != nullptr) root.Format("%c:\\%s", volume->letter, volume->folder.GetString());
  return root;
}

char tStorage::GetDriveLetter(DWORD serial) const {
  const Volume* volume = Find(serial);
  return volume != nullptr ? volume->letter : 0;
}
