// CRecorderApp: Trackwright's application object. It keeps the one-program-at-a-time rule it shares
// with the jukebox and the maintenance tools, opens the song database, the album database and the
// storage volumes, and runs the main dialog modally; every dialog reaches the databases through it.
#pragma once

#include <memory>
#include <string>

#include "platform/ui/WinApp.h"

class tQHDb;
class tQHFRDb;
class tStorage;
class CDaoDatabase;

class CRecorderApp : public CWinApp {
 public:
  CRecorderApp();
  ~CRecorderApp() override;

  BOOL InitInstance() override;
  int ExitInstance() override;

  // Start-up without the main dialog (steps up to the choice of the CD drive); false after a failure,
  // whose message was shown.
  bool StartUp();

  CString GetProgramFolder() const { return m_programFolder; }
  CString GetDatabaseFolder() const { return m_databaseFolder; }
  tQHDb* GetSongDatabase() const { return m_songDb.get(); }
  CDaoDatabase* GetDaoDatabase() const;
  tStorage* GetStorage() const { return m_storage.get(); }
  tQHFRDb* GetAlbumDatabase() const { return m_albumDb.get(); }
  char GetCdDriveLetter() const { return m_cdDrive; }
  void SetCdDriveLetter(char letter) { m_cdDrive = letter; }
  CString GetCdDriveLetters() const { return m_cdDriveLetters; }
  unsigned GetWaveInDeviceCount() const { return m_waveInDevices; }
  unsigned GetCdDriveCount() const { return static_cast<unsigned>(m_cdDriveLetters.GetLength()); }
  CString GetVersionText() const { return m_version3; }
  CString GetShortVersionText() const { return m_version2; }
  CString GetLegalNotice() const { return m_legalNotice; }

 private:
  bool TakeSingleInstance();
  void ReadVersionBlock();
  bool OpenDatabases();
  bool LoadStorageVolumes();
  void ChooseCdDrive();

  CString m_programFolder;
  CString m_databaseFolder;
  CString m_songsFolder;
  CString m_backupFolder;
  CString m_cdDriveLetters;
  unsigned m_waveInDevices = 0;
  char m_cdDrive = ' ';
  HANDLE m_mutex = nullptr;
  std::unique_ptr<tStorage> m_storage;
  std::unique_ptr<tQHDb> m_songDb;
  std::unique_ptr<tQHFRDb> m_albumDb;
  CString m_version2, m_version3, m_legalNotice;
};

CRecorderApp* GetRecorderApp();

// Free and total bytes of a disk; nonzero on success, 0 (and no fallback) when the disk cannot be read.
int GetDiskSpace(const CString& rootPath, double& freeBytes, double& totalBytes);
// The letters and digits of a text, in their order.
CString KeepAlphanumeric(const CString& text);
