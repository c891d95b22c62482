#include "jukebox/app/dialogs/DlgOptStorage.h"

#include <cstdio>

#include "dblib/QHDb.h"
#include "dblib/Storage.h"
#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/LibraryEdits.h"
#include "jukebox/app/services/JukeboxServices.h"
#include "platform/core/Drives.h"
#include "platform/core/FileApi.h"
#include "platform/ui/MessageBox.h"

namespace {
constexpr UINT kFirstColumnTitle = 61385;
constexpr int kColumnWidths[] = {80, 60, 80, 60, 80, 80, 150, 150};
constexpr const char* kVolumeFolder = "QHVolume";
constexpr const char* kAddFailed = "Error when adding storage device.";
constexpr const char* kChooseAvailable = "Please choose a device in AVAILABLE status.";
constexpr double kBytesPerMB = 1048576.0;

CString MegaBytes(double bytes) {
  CString text;
  text.Format("%0.f", bytes / kBytesPerMB);
  return text;
}

CString SongCountText(LONG count) {
  CString text;
  text.Format("%ld", static_cast<long>(count < 0 ? 0 : count));
  return text;
}
}  // namespace

BEGIN_MESSAGE_MAP(DlgOptStorage, CPropertyPage)
  ON_BN_CLICKED(DlgOptStorage::kAdd, OnAddVolume)
END_MESSAGE_MAP()

BOOL DlgOptStorage::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  CListCtrl* list = List();
  list->SetExtendedStyle(LVS_EX_FULLROWSELECT);
  for (int column = kVolser; column <= kLabel; ++column)
    list->InsertColumn(column, jukebox::LoadText(kFirstColumnTitle + static_cast<UINT>(column)).GetString(),
                       LVCFMT_LEFT, kColumnWidths[column]);
  ScanVolumes();
  return TRUE;
}

void DlgOptStorage::ScanVolumes() {
  List()->DeleteAllItems();
  m_localSerials.clear();
  CJukeboxServices* services = JukeboxServices();
  tStorage* storage = services ? services->GetStorageManager() : nullptr;
  if (storage == nullptr) return;
  storage->CountSongsPerVolume();
  const DWORD drives = GetLogicalDrives();
  for (char letter = 'A'; letter <= 'Z'; ++letter)
    if (drives & (1u << (letter - 'A'))) AddLocalDriveRow(letter, *storage);
  AddMissingVolumeRows(*storage);
}

void DlgOptStorage::AddLocalDriveRow(char letter, tStorage& storage) {
  CString root;
  root.Format("%c:\\", letter);
  const UINT type = GetDriveType(root.GetString());
  if (type != DRIVE_FIXED && type != DRIVE_REMOTE) return;
  char label[129] = {};
  DWORD serial = 0;
  if (!GetVolumeInformation(root.GetString(), label, sizeof label, &serial, nullptr, nullptr, nullptr, 0)) return;
  ULARGE_INTEGER freeToCaller{}, total{}, freeBytes{};
  GetDiskFreeSpaceEx(root.GetString(), &freeToCaller, &total, &freeBytes);
  m_localSerials.insert(serial);
  const CString storedRoot = storage.GetRootPath(serial);
  const bool available = storedRoot.IsEmpty();
  CListCtrl* list = List();
  CString text;
  text.Format("%08X", serial);
  const int row = list->InsertItem(list->GetItemCount(), text.GetString());
  text.Format("%c", letter);
  list->SetItemText(row, kLetter, text.GetString());
  list->SetItemText(row, kStatus, available ? "AVAIL" : "INUSE");
  list->SetItemText(row, kSongs, SongCountText(storage.GetSongCount(serial)).GetString());
  list->SetItemText(row, kTotalMB, MegaBytes(static_cast<double>(total.QuadPart)).GetString());
  list->SetItemText(row, kFreeMB, MegaBytes(static_cast<double>(freeBytes.QuadPart)).GetString());
  list->SetItemText(row, kPath, storedRoot.GetString());
  list->SetItemText(row, kLabel, label);
  list->SetItemData(row, available ? 1 : 0);
}

void DlgOptStorage::AddMissingVolumeRows(tStorage& storage) {
  CListCtrl* list = List();
  for (int index = 0; index < storage.GetVolumeCount(); ++index) {
    ULARGE_INTEGER freeBytes{}, total{};
    LONG songs = 0;
    DWORD serial = 0;
    CString label;
    const CString root = storage.GetVolume(index, freeBytes, total, songs, serial, label);
    if (m_localSerials.count(serial) != 0) continue;
    CString text;
    text.Format("%08X", serial);
    const int row = list->InsertItem(list->GetItemCount(), text.GetString());
    list->SetItemText(row, kLetter, root.Left(1).GetString());
    list->SetItemText(row, kStatus, "MISSING");
    list->SetItemText(row, kSongs, SongCountText(songs).GetString());
    list->SetItemText(row, kTotalMB, MegaBytes(static_cast<double>(total.QuadPart)).GetString());
    list->SetItemText(row, kFreeMB, "N/A");
    list->SetItemText(row, kPath, root.GetString());
    list->SetItemText(row, kLabel, label.GetString());
    list->SetItemData(row, 0);
  }
}

void DlgOptStorage::OnAddVolume() {
  CListCtrl* list = List();
  const int row = list->GetNextItem(-1, LVNI_SELECTED);
  if (row < 0) return;
  if (list->GetItemData(row) == 0) {
    AfxMessageBox(kChooseAvailable, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  DWORD serial = 0;
  if (std::sscanf(list->GetItemText(row, kVolser).GetString(), "%x", &serial) != 1) {
    AfxMessageBox(kAddFailed, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  CString root;
  if (!RegisterVolume(serial, root)) return;
  list->SetItemText(row, kStatus, "INUSE");
  list->SetItemText(row, kPath, root.GetString());
  list->SetItemData(row, 0);
  CString added;
  added.Format("Added volume %08X (%s) to the available storage device list", serial, root.GetString());
  AfxMessageBox(added.GetString(), MB_OK | MB_ICONASTERISK);
}

bool DlgOptStorage::RegisterVolume(DWORD serial, CString& root) {
  CJukeboxServices* services = JukeboxServices();
  tStorage* storage = services ? services->GetStorageManager() : nullptr;
  tQHDb* database = services ? services->GetSongDatabase() : nullptr;
  char letter = 0;
  CString label;
  DWORD totalHigh = 0, totalLow = 0, freeHigh = 0, freeLow = 0;
  if (storage == nullptr || database == nullptr ||
      !storage->GetLocalVolumeInfo(serial, letter, label, totalHigh, totalLow, freeHigh, freeLow)) {
    AfxMessageBox(kAddFailed, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  root.Format("%c:\\%s", letter, kVolumeFolder);
  if (!CreateDirectory(root.GetString(), nullptr)) {
    AfxMessageBox(kAddFailed, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  for (const char* folder : {"Songs", "Covers", "Temp"}) CreateDirectory((root + "\\" + folder).GetString(), nullptr);
  CString letterText;
  letterText.Format("%c", letter);
  if (RegisterStorageVolume(*database, *storage, serial, letterText, label, kVolumeFolder, totalHigh, totalLow) != 0) {
    AfxMessageBox(kAddFailed, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  return true;
}
