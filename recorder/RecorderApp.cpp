#include "recorder/RecorderApp.h"

#include <cctype>
#include <new>
#include <vector>

#include "dblib/AlbumDb.h"
#include "dblib/DaoErrorReport.h"
#include "dblib/QHDb.h"
#include "dblib/Storage.h"
#include "platform/core/CrtNumbers.h"
#include "platform/core/Exception.h"
#include "platform/core/FileApi.h"
#include "platform/core/NamedMutex.h"
#include "platform/core/VersionInfo.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoException.h"
#include "platform/sock/WinSock2.h"
#include "platform/ui/MessageBox.h"
#include "recorder/RecorderDevices.h"
#include "recorder/RecorderDlg.h"
#include "recorder/RecorderGuard.h"
#include "recorder/RecorderIds.h"

namespace {
constexpr const char kMutexName[] = "QuaverhouseGlobalMutex";
constexpr double kLowestEngineVersion = 3.5;
}  // namespace

CRecorderApp* GetRecorderApp() { return static_cast<CRecorderApp*>(AfxGetApp()); }

CRecorderApp::CRecorderApp() : CWinApp(nullptr) {}

CRecorderApp::~CRecorderApp() = default;

CDaoDatabase* CRecorderApp::GetDaoDatabase() const { return m_songDb ? m_songDb->GetDatabase() : nullptr; }

BOOL CRecorderApp::InitInstance() {
  bool started = false;
  RunRecorderGuarded([&] { started = StartUp(); });
  if (!started) return FALSE;
  RunRecorderGuarded([&] {
    CRecorderDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
  });
  return FALSE;
}

bool CRecorderApp::StartUp() {
  if (!TakeSingleInstance()) return false;
  SetRegistryKey("Tallowmere");
  WSADATA sockets{};
  if (WSAStartup(0x0002, &sockets) != 0) {
    AfxMessageBox(IDS_NO_SOCKETS, MB_OK | MB_ICONSTOP);
    return false;
  }
  ReadVersionBlock();
  if (!OpenDatabases()) return false;
  char folder[MAX_PATH] = {};
  GetCurrentDirectory(MAX_PATH, folder);
  m_programFolder = folder;
  m_backupFolder = m_programFolder + "\\Backup";
  if (!LoadStorageVolumes()) return false;
  m_cdDriveLetters = FindCdDriveLetters();
  m_waveInDevices = CountWaveInDevices();
  ChooseCdDrive();
  return true;
}

bool CRecorderApp::TakeSingleInstance() {
  m_mutex = CreateMutex(nullptr, TRUE, kMutexName);
  if (m_mutex != nullptr && ::GetLastError() != ERROR_ALREADY_EXISTS) return true;
  if (m_mutex != nullptr) CloseHandle(m_mutex);
  m_mutex = nullptr;
  AfxMessageBox(IDS_ALREADY_RUNNING, MB_OK | MB_ICONSTOP);
  return false;
}

void CRecorderApp::ReadVersionBlock() {
  char path[MAX_PATH] = {};
  GetModuleFileName(nullptr, path, MAX_PATH);
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSize(path, &handle);
  if (size == 0) return;
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfo(path, handle, size, block.data())) return;
  void* fixed = nullptr;
  UINT length = 0;
  if (VerQueryValue(block.data(), "\\", &fixed, &length) && fixed != nullptr) {
    auto* info = static_cast<VS_FIXEDFILEINFO*>(fixed);
    m_version2.Format("%d.%d", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS));
    m_version3.Format("%d.%d.%d", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                      HIWORD(info->dwFileVersionLS));
  }
  void* notice = nullptr;
  if (VerQueryValue(block.data(), "\\StringFileInfo\\040904B0\\LegalCopyright", &notice, &length) && notice)
    m_legalNotice = static_cast<const char*>(notice);
}

bool CRecorderApp::OpenDatabases() {
  m_databaseFolder = GetProfileString("", "SongDbPath", "");
  if (m_databaseFolder.IsEmpty()) {
    AfxMessageBox(IDS_NO_DB_FOLDER, MB_OK | MB_ICONSTOP);
    return false;
  }
  m_songsFolder = m_databaseFolder + "\\Songs";
  m_songDb = std::make_unique<tQHDb>();
  if (m_songDb->Open(m_databaseFolder + "\\Quaverhouse.qhd", TRUE, FALSE) != 1) {
    CString text;
    LONG code = m_songDb->GetLastError(text);
    switch (code) {
      case 3024: AfxMessageBox(IDS_DB_NOT_FOUND, MB_OK | MB_ICONSTOP); break;
      case 3045: AfxMessageBox(IDS_DB_IN_USE, MB_OK | MB_ICONSTOP); break;
      case 3049:
      case 3197:
      case 3343: AfxMessageBox(IDS_DB_DAMAGED, MB_OK | MB_ICONSTOP); break;
      default:
        AfxMessageBox(LoadFormatted(IDS_DB_OPEN_FAILED, text.GetString(), static_cast<long>(code)),
                      MB_OK | MB_ICONSTOP);
    }
    return false;
  }
  double engine = qh_atof(m_songDb->GetEngineVersion());
  if (engine < kLowestEngineVersion) {
    AfxMessageBox(LoadFormatted(IDS_OLD_ENGINE, engine), MB_OK | MB_ICONSTOP);
    return false;
  }
  m_albumDb = std::make_unique<tQHFRDb>();
  if (!m_albumDb->Open(m_databaseFolder + "\\vezevavov.fdb", TRUE, TRUE)) m_albumDb.reset();
  return true;
}

bool CRecorderApp::LoadStorageVolumes() {
  m_storage = std::make_unique<tStorage>(m_songDb->GetDatabase());
  int result = m_storage->Init(m_songDb->GetExpectedVersion(), m_databaseFolder);
  if (result != 0) {
    AfxMessageBox(LoadFormatted(IDS_STORAGE_FAILED, result), MB_OK | MB_ICONSTOP);
    return false;
  }
  if (m_songDb->OpenVolumes()) {
    LONG serial = 0, totalHigh = 0, totalLow = 0;
    CString letter, label, path;
    while (true) {
      // Each row starts empty: a Null column must not repeat the previous volume's value.
      serial = totalHigh = totalLow = 0;
      letter.Empty();
      label.Empty();
      path.Empty();
      if (m_songDb->NextVolume(serial, letter, label, path, totalHigh, totalLow) != 1) break;
      if (!letter.IsEmpty())
        m_storage->AddVolume(static_cast<DWORD>(serial), letter, label, path, static_cast<DWORD>(totalHigh),
                             static_cast<DWORD>(totalLow));
    }
    m_songDb->CloseVolumes();
  }
  if (m_storage->HasDuplicateVolumes()) AfxMessageBox(IDS_DUPLICATE_VOLUMES, MB_OK | MB_ICONEXCLAMATION);
  double total = 0;
  m_storage->GetFreeSpace(total);
  m_storage->CountSongsPerVolume();
  return true;
}

void CRecorderApp::ChooseCdDrive() {
  if (m_cdDriveLetters.GetLength() > 1) {
    CString chosen = GetProfileString("Recorder", "CdRomDrive", "");
    m_cdDrive = chosen.IsEmpty() ? ' ' : chosen[0];
  } else if (m_cdDriveLetters.GetLength() == 1) {
    m_cdDrive = m_cdDriveLetters[0];
  } else {
    m_cdDrive = ' ';
  }
}

int CRecorderApp::ExitInstance() {
  m_storage.reset();
  if (m_songDb) m_songDb->Close();
  m_songDb.reset();
  if (m_albumDb) m_albumDb->Close();
  m_albumDb.reset();
  if (m_mutex != nullptr) {
    ReleaseMutex(m_mutex);
    CloseHandle(m_mutex);
    m_mutex = nullptr;
  }
  return CWinApp::ExitInstance();
}

int GetDiskSpace(const CString& rootPath, double& freeBytes, double& totalBytes) {
  ULARGE_INTEGER available{}, total{}, free{};
  if (!GetDiskFreeSpaceEx(rootPath, &available, &total, &free)) return 0;
  freeBytes = static_cast<double>(available.QuadPart);
  totalBytes = static_cast<double>(total.QuadPart);
  return 1;
}

CString KeepAlphanumeric(const CString& text) {
  std::string kept;
  for (char ch : text.str())
    if (std::isalnum(static_cast<unsigned char>(ch))) kept += ch;
  return CString(std::move(kept));
}
