// The storage-volume list beyond its registered rows: the drive scan, the primary volume, free space,
// song counts and the lookups by serial.
#include <cctype>
#include <cstdint>

#include "dblib/Storage.h"
#include "dblib/TextUtil.h"
#include "platform/core/FileApi.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoRecordset.h"

namespace {

constexpr uint64_t kRoomBytes = 700ull * 1048576ull;

CString DriveRoot(char letter) {
  CString root;
  root.Format("%c:\\", letter);
  return root;
}

uint64_t Join64(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }

char UpperLetter(char letter) { return static_cast<char>(std::toupper(static_cast<unsigned char>(letter))); }

}  // namespace

int tStorage::Init(double expectedVersion, const CString& databaseFolder) {
  if (expectedVersion != 4.0 || databaseFolder.IsEmpty()) return -1;
  m_databaseFolder = databaseFolder;
  ScanDrives();
  AddPrimaryVolume();
  return 0;
}

int tStorage::ScanDrives() {
  // A scan replaces the previous one, so a drive attached since then is found and none is listed twice.
  m_localVolumes.clear();
  DWORD drives = GetLogicalDrives();
  int added = 0;
  for (int bit = 0; bit < 26; ++bit) {
    if ((drives & (1u << bit)) == 0) continue;
    char letter = static_cast<char>('A' + bit);
    CString root = DriveRoot(letter);
    UINT type = GetDriveType(root);
    if (type != DRIVE_FIXED && type != DRIVE_REMOTE) continue;
    char label[129] = {};
    DWORD serial = 0;
    if (!GetVolumeInformation(root, label, sizeof label, &serial, nullptr, nullptr, nullptr, 0)) continue;
    ULARGE_INTEGER freeBytes{}, totalBytes{};
    if (!GetDiskFreeSpaceEx(root, &freeBytes, &totalBytes, nullptr)) freeBytes.QuadPart = totalBytes.QuadPart = 0;
    LocalVolume volume;
    volume.serial = serial;
    volume.letter = letter;
    volume.label = label;
    volume.totalHigh = totalBytes.u.HighPart;
    volume.totalLow = totalBytes.u.LowPart;
    volume.freeHigh = freeBytes.u.HighPart;
    volume.freeLow = freeBytes.u.LowPart;
    m_localVolumes.push_back(volume);
    ++added;
  }
  return added;
}

void tStorage::AddPrimaryVolume() {
  if (m_databaseFolder.GetLength() <= 3) return;
  // The scan gives upper-case letters; a folder typed as "d:\Music" is on the same drive.
  char letter = UpperLetter(m_databaseFolder[0]);
  for (const LocalVolume& local : m_localVolumes) {
    if (local.letter != letter) continue;
    AddVolume(local.serial, CString(letter), local.label, m_databaseFolder.Mid(3), local.totalHigh, local.totalLow);
    return;
  }
}

int tStorage::HasDuplicateVolumes() const {
  for (size_t i = 0; i < m_volumes.size(); ++i)
    for (size_t j = i + 1; j < m_volumes.size(); ++j)
      if (m_volumes[i].serial == m_volumes[j].serial) return 1;
  return 0;
}

double tStorage::GetFreeSpace(double& totalBytes) {
  uint64_t freeSum = 0;
  uint64_t totalSum = 0;
  for (Volume& volume : m_volumes) {
    ULARGE_INTEGER freeBytes{}, total{};
    // Only the disk that carries this serial now may answer: another disk that took the letter of an
    // absent one must not lend it its space.
    bool mounted = volume.letter != 0 && GetVolumeSerial(volume.letter) == volume.serial &&
                   GetDiskFreeSpaceEx(DriveRoot(volume.letter), &freeBytes, &total, nullptr);
    if (mounted) {
      volume.freeHigh = freeBytes.u.HighPart;
      volume.freeLow = freeBytes.u.LowPart;
      volume.totalHigh = total.u.HighPart;
      volume.totalLow = total.u.LowPart;
    } else {
      // An absent disk keeps its registered size and offers no room.
      volume.freeHigh = volume.freeLow = 0;
    }
    freeSum += Join64(volume.freeHigh, volume.freeLow);
    totalSum += Join64(volume.totalHigh, volume.totalLow);
  }
  totalBytes = UInt64ToDouble(totalSum);
  m_totalBytes = totalBytes;
  return UInt64ToDouble(freeSum);
}

int tStorage::CountSongsPerVolume() {
  if (m_pDatabase == nullptr) return -1;
  for (Volume& volume : m_volumes) {
    CString sql;
    sql.Format("Select count(*) from Songs Where SongVolser = %ld;", static_cast<long>(static_cast<LONG>(volume.serial)));
    CDaoRecordset counts(m_pDatabase);
    counts.Open(dbOpenSnapshot, sql, dbForwardOnly);
    if (!counts.IsEOF()) {
      COleVariant count = counts.GetFieldValue(0);
      if (count.vt == VT_I4) volume.songCount = count.lVal;
    }
    counts.Close();
  }
  return 0;
}

CString tStorage::GetVolume(int index, ULARGE_INTEGER& freeBytes, ULARGE_INTEGER& totalBytes, LONG& songCount,
                            DWORD& serial, CString& label) const {
  if (index < 0 || index >= GetVolumeCount()) return CString();
  const Volume& volume = m_volumes[static_cast<size_t>(index)];
  freeBytes.u.LowPart = volume.freeLow;
  freeBytes.u.HighPart = volume.freeHigh;
  totalBytes.u.LowPart = volume.totalLow;
  totalBytes.u.HighPart = volume.totalHigh;
  songCount = volume.songCount;
  serial = volume.serial;
  label = volume.label;
  CString root;
  root.Format("%c:\\%s", volume.letter, volume.folder.GetString());
  return root;
}

LONG tStorage::GetSongCount(DWORD serial) const {
  const Volume* volume = Find(serial);
  return volume != nullptr ? volume->songCount : -1;
}

DWORD tStorage::FindVolumeWithRoom() const {
  for (const Volume& volume : m_volumes)
    if (Join64(volume.freeHigh, volume.freeLow) > kRoomBytes) return volume.serial;
  return 0;
}

DWORD tStorage::FindVolumeWithFreeBytes(DWORD bytesLow, DWORD bytesHigh) const {
  for (const Volume& volume : m_volumes)
    if (Join64(volume.freeHigh, volume.freeLow) > Join64(bytesHigh, bytesLow)) return volume.serial;
  return 0;
}

const tStorage::LocalVolume* tStorage::FindLocal(DWORD serial) const {
  for (const LocalVolume& local : m_localVolumes)
    if (local.serial == serial) return &local;
  return nullptr;
}

int tStorage::GetLocalVolumeInfo(DWORD serial, char& letter, CString& label, DWORD& totalHigh, DWORD& totalLow,
                                 DWORD& freeHigh, DWORD& freeLow) const {
  const LocalVolume* local = FindLocal(serial);
  if (local == nullptr) return 0;
  letter = local->letter;
  label = local->label;
  totalHigh = local->totalHigh;
  totalLow = local->totalLow;
  freeHigh = local->freeHigh;
  freeLow = local->freeLow;
  return 1;
}

DWORD tStorage::GetVolumeSerial(char driveLetter) {
  DWORD serial = 0;
  if (!GetVolumeInformation(DriveRoot(UpperLetter(driveLetter)), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
    return 0;
  return serial;
}

void tStorage::RemoveAll() {
  m_volumes.clear();
  m_localVolumes.clear();
}
