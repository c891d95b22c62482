#include "recorder/OptionsDlg.h"

#include <set>

#include "dblib/AlbumDb.h"
#include "dblib/QHDb.h"
#include "dblib/Storage.h"
#include "platform/core/CrtNumbers.h"
#include "platform/core/FileApi.h"
#include "platform/ui/MessageBox.h"
#include "recorder/RecorderApp.h"
#include "recorder/RecorderGuard.h"
#include "recorder/RecorderIds.h"

namespace {
constexpr UINT kCdDrive = 1070, kSoundCard = 1217, kStorageList = 1274, kAdd = 1189, kShowTips = 1151, kServer = 1279,
               kLoadDate = 1277, kCounts = 1278, kIndexes = 1280;
constexpr const char kVolumeFolder[] = "QHVolume";
constexpr const char kAddFailed[] = "Error when adding storage device.";

CString Megabytes(double bytes) {
  CString text;
  text.Format("%0.f", bytes / 1048576);
  return text;
}
}  // namespace

BEGIN_MESSAGE_MAP(COptionsDlg, CDialog)
  ON_BN_CLICKED(1189, OnAddVolume)
END_MESSAGE_MAP()

COptionsDlg::COptionsDlg(tQHDb* db, tStorage* storage, tQHFRDb* albums, CWnd* parent)
    : CDialog(IDD_OPTIONS, parent), m_pDb(db), m_pStorage(storage), m_pAlbums(albums) {}

BOOL COptionsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (!RunRecorderGuarded([&] {
        auto* drives = static_cast<CComboBox*>(GetDlgItem(kCdDrive));
        if (m_cdDriveLetters.IsEmpty()) {
          drives->EnableWindow(FALSE);
        } else {
          for (int index = 0; index < m_cdDriveLetters.GetLength(); ++index) {
            int item = drives->AddString(CString(m_cdDriveLetters[index]));
            if (m_cdDrive == CString(m_cdDriveLetters[index])) drives->SetCurSel(item);
          }
        }
        auto* cards = static_cast<CComboBox*>(GetDlgItem(kSoundCard));
        if (m_soundCards.empty()) {
          cards->EnableWindow(FALSE);
        } else {
          for (const CString& card : m_soundCards) cards->AddString(card);
          cards->SetCurSel(m_soundCard);
        }
        CheckDlgButton(kShowTips, m_showTips ? BST_CHECKED : BST_UNCHECKED);
        static_cast<CEdit*>(GetDlgItem(kServer))->LimitText(80);
        SetDlgItemText(kServer, m_cddbServer);
        ShowAlbumData();
        auto* list = static_cast<CListCtrl*>(GetDlgItem(kStorageList));
        list->SetExtendedStyle(LVS_EX_FULLROWSELECT);
        const int widths[] = {70, 40, 50, 50, 60, 60, 90, 80};
        for (int column = 0; column < 8; ++column)
          list->InsertColumn(column, LoadText(IDS_COL_VOLSER + column), LVCFMT_LEFT, widths[column]);
        FillStorageList();
      }))
    EndDialog(IDCANCEL);
  return TRUE;
}

void COptionsDlg::ShowAlbumData() {
  if (m_pAlbums == nullptr || !m_pAlbums->IsOpen()) {
    SetDlgItemText(kLoadDate, LoadText(IDS_NO_CD_INDEX));
    return;
  }
  COleDateTime loaded = m_pAlbums->GetLoadDate();
  SetDlgItemText(kLoadDate, loaded.GetStatus() == COleDateTime::valid
                                ? loaded.Format("Embedded DB last load date: %x")
                                : CString("Embedded DB last load date: "));
  LONG tracks = 0, trackIndexes = 0;
  LONG albums = m_pAlbums->GetRecordCounts(tracks);
  CString text;
  text.Format("Total Albums: %ld. Total Tracks: %ld.", static_cast<long>(albums), static_cast<long>(tracks));
  SetDlgItemText(kCounts, text);
  LONG albumIndexes = m_pAlbums->GetIndexCounts(trackIndexes);
  text.Format("Albums indexes: %ld. Track indexes: %ld.", static_cast<long>(albumIndexes),
              static_cast<long>(trackIndexes));
  SetDlgItemText(kIndexes, text);
}

void COptionsDlg::FillStorageList() {
  auto* list = static_cast<CListCtrl*>(GetDlgItem(kStorageList));
  list->DeleteAllItems();
  if (m_pStorage == nullptr) return;
  m_pStorage->CountSongsPerVolume();
  m_pStorage->ScanDrives();  // a drive attached since start-up can be added too
  std::set<DWORD> seen;
  DWORD mask = GetLogicalDrives();
  auto addRow = [list](const CString& serial, char letter, const char* status, LONG songs, const CString& total,
                       const CString& free, const CString& path, const CString& label, DWORD_PTR available) {
    int row = list->InsertItem(list->GetItemCount(), serial);
    list->SetItemText(row, 1, CString(letter));
    list->SetItemText(row, 2, status);
    CString count;
    count.Format("%ld", static_cast<long>(songs));
    list->SetItemText(row, 3, count);
    list->SetItemText(row, 4, total);
    list->SetItemText(row, 5, free);
    list->SetItemText(row, 6, path);
    list->SetItemText(row, 7, label);
    list->SetItemData(row, available);
  };
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if ((mask & (1u << (letter - 'A'))) == 0) continue;
    char root[] = {letter, ':', '\\', 0};
    UINT type = GetDriveType(root);
    if (type != DRIVE_FIXED && type != DRIVE_REMOTE) continue;
    char label[129] = {};
    DWORD serial = 0;
    if (!GetVolumeInformation(root, label, sizeof label, &serial, nullptr, nullptr, nullptr, 0)) continue;
    seen.insert(serial);
    ULARGE_INTEGER available{}, total{}, free{};
    GetDiskFreeSpaceEx(root, &available, &total, &free);
    CString path = m_pStorage->GetRootPath(serial);
    LONG songs = m_pStorage->GetSongCount(serial);
    CString serialText;
    serialText.Format("%08X", static_cast<unsigned int>(serial));
    addRow(serialText, letter, path.IsEmpty() ? "AVAIL" : "INUSE", songs < 0 ? 0 : songs,
           Megabytes(static_cast<double>(total.QuadPart)), Megabytes(static_cast<double>(available.QuadPart)), path,
           label, path.IsEmpty() ? 1 : 0);
  }
  for (int index = 0; index < m_pStorage->GetVolumeCount(); ++index) {
    ULARGE_INTEGER free{}, total{};
    LONG songs = 0;
    DWORD serial = 0;
    CString label;
    CString root = m_pStorage->GetVolume(index, free, total, songs, serial, label);
    if (seen.count(serial) != 0) continue;
    CString serialText;
    serialText.Format("%08X", static_cast<unsigned int>(serial));
    addRow(serialText, root.IsEmpty() ? ' ' : root[0], "MISSING", songs,
           Megabytes(static_cast<double>(total.QuadPart)), "", root, label, 0);
  }
}

void COptionsDlg::OnAddVolume() {
  if (!RunRecorderGuarded([&] {
        auto* list = static_cast<CListCtrl*>(GetDlgItem(kStorageList));
        int row = list->GetNextItem(-1, LVNI_SELECTED);
        if (row < 0) return;
        if (list->GetItemData(row) != 1) {
          AfxMessageBox("Please choose a device in AVAILABLE status.", MB_OK | MB_ICONEXCLAMATION);
          return;
        }
        DWORD serial = static_cast<DWORD>(qh_strtoul(list->GetItemText(row, 0), nullptr, 16));
        char letter = 0;
        CString label;
        DWORD totalHigh = 0, totalLow = 0, freeHigh = 0, freeLow = 0;
        if (!m_pStorage->GetLocalVolumeInfo(serial, letter, label, totalHigh, totalLow, freeHigh, freeLow)) {
          AfxMessageBox(kAddFailed, MB_OK | MB_ICONEXCLAMATION);
          return;
        }
        CString root;
        root.Format("%c:\\%s", letter, kVolumeFolder);
        if (!CreateDirectory(root, nullptr)) {
          AfxMessageBox(kAddFailed, MB_OK | MB_ICONEXCLAMATION);
          return;
        }
        for (const char* folder : {"Songs", "Covers", "Temp"}) CreateDirectory(root + "\\" + folder, nullptr);
        m_pStorage->AddVolume(serial, CString(letter), label, kVolumeFolder, totalHigh, totalLow);
        if (m_pDb->SaveVolume(static_cast<LONG>(serial), CString(letter), label, kVolumeFolder,
                              static_cast<LONG>(totalHigh), static_cast<LONG>(totalLow)) < 0) {
          AfxMessageBox(kAddFailed, MB_OK | MB_ICONEXCLAMATION);
          return;
        }
        list->SetItemText(row, 2, "INUSE");
        list->SetItemText(row, 6, root);
        list->SetItemData(row, 0);
        CString done;
        done.Format("Added volume %08X (%s) to the available storage device list", static_cast<unsigned int>(serial),
                    root.GetString());
        AfxMessageBox(done, MB_OK | MB_ICONINFORMATION);
      }))
    EndDialog(IDCANCEL);
}

void COptionsDlg::OnOK() {
  auto* drives = static_cast<CComboBox*>(GetDlgItem(kCdDrive));
  if (!m_cdDriveLetters.IsEmpty() && drives->GetCurSel() >= 0) drives->GetLBText(drives->GetCurSel(), m_cdDrive);
  auto* cards = static_cast<CComboBox*>(GetDlgItem(kSoundCard));
  if (!m_soundCards.empty() && cards->GetCurSel() >= 0) m_soundCard = cards->GetCurSel();
  m_showTips = IsDlgButtonChecked(kShowTips) == BST_CHECKED;
  GetDlgItemText(kServer, m_cddbServer);
  m_cddbServer.Trim();
  CDialog::OnOK();
}
