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

  // Appends a storage volume (folder: the path below the drive root, without the drive) and returns the
  // new number of storage volumes. A volume the drive scan found takes the letter, label and sizes it
  // has now; any other keeps the given ones (letter upper-cased) and has no free bytes.
  int AddVolume(DWORD serial, const CString& driveLetter, const CString& label, const CString& folder,
                DWORD totalHigh, DWORD totalLow);
  int GetVolumeCount() const { return static_cast<int>(m_volumes.size()); }
  // "%c:\%s" of the first storage volume with that serial and a folder; empty when there is none, or
  // when its drive letter does not carry that serial now (the disk is absent or another took its letter).
  CString GetRootPath(DWORD serial) const;
  // The drive letter of the mounted volume (scanned, registered or not) with that serial; '?' when none.
  char GetDriveLetter(DWORD serial) const;

  // storage volumes and local volumes (StorageVolumes.cpp)
  // -1 unless the version is exactly 4.0 and the folder is not empty; else scans the drives, adds the
  // primary volume (the one that holds the database folder) and returns 0.
  int Init(double expectedVersion, const CString& databaseFolder);
  // Takes every mounted fixed and network drive as a local volume; the number added.
  int ScanDrives();
  void AddPrimaryVolume();
  // 1 when a serial is registered twice.
  int HasDuplicateVolumes() const;
  // Refreshes each storage volume's sizes; a volume whose disk is not mounted under its letter gets 0
  // (never the space of another disk that now has the letter). The summed free bytes; the summed total
  // goes to totalBytes.
  double GetFreeSpace(double& totalBytes);
  // -1 without a database; database errors reach the caller.
  int CountSongsPerVolume();
  // The root "%c:\%s" of the index-th storage volume and its facts; empty and outputs untouched for an
  // index outside the list (negative ones included).
  CString GetVolume(int index, ULARGE_INTEGER& freeBytes, ULARGE_INTEGER& totalBytes, LONG& songCount,
                    DWORD& serial, CString& label) const;
  LONG GetSongCount(DWORD serial) const;
  // The serial of the first volume with more than 700 MiB free, or more than `bytes` free; 0 when none.
  DWORD FindVolumeWithRoom() const;
  DWORD FindVolumeWithFreeBytes(DWORD bytesLow, DWORD bytesHigh) const;
  // 1 and the facts of the mounted volume with that serial, else 0 and the outputs unchanged.
  int GetLocalVolumeInfo(DWORD serial, char& letter, CString& label, DWORD& totalHigh, DWORD& totalLow,
                         DWORD& freeHigh, DWORD& freeLow) const;
  // The index-th local volume of the drive scan: 1 and its facts, or 0 for an index outside the list.
  int GetLocalVolume(int index, DWORD& serial, char& letter, CString& label, DWORD& totalHigh, DWORD& totalLow,
                     DWORD& freeHigh, DWORD& freeLow) const;
  int GetLocalVolumeCount() const { return static_cast<int>(m_localVolumes.size()); }
  // The serial of the volume now mounted as that drive; 0 when there is none.
  static DWORD GetVolumeSerial(char driveLetter);
  void RemoveAll();
  const CString& GetDatabaseFolder() const { return m_databaseFolder; }
  double GetTotalBytes() const { return m_totalBytes; }

 private:
  struct Volume {
    DWORD serial = 0;
    char letter = 0;
    CString label;
    CString folder;
    DWORD totalHigh = 0;
    DWORD totalLow = 0;
    // storage volumes and local volumes
    LONG songCount = 0;
    DWORD freeHigh = 0;
    DWORD freeLow = 0;
  };
  const Volume* Find(DWORD serial) const;

  CDaoDatabase* m_pDatabase;
  std::vector<Volume> m_volumes;
  // storage volumes and local volumes
  struct LocalVolume {
    DWORD serial = 0;
    char letter = 0;
    CString label;
    DWORD totalHigh = 0;
    DWORD totalLow = 0;
    DWORD freeHigh = 0;
    DWORD freeLow = 0;
  };
  const LocalVolume* FindLocal(DWORD serial) const;
  std::vector<LocalVolume> m_localVolumes;  // in drive-letter order
  CString m_databaseFolder;
  double m_totalBytes = 0.0;
};
