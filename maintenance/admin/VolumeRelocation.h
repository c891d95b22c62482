// The storage-volume update behind the "Update Storage Volume" dialog: which volume serials songs point
// to now (the sources), which volumes are present (the destinations), and moving the songs of one serial
// over to another in the database, each only when its file is found complete at the new place.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class CDaoDatabase;
class tQHDb;
class tStorage;

struct VolumeRow {
  DWORD serial = 0;
  CString type;  // "PRIMARY", "STORAGE", "UNMANAGED" or "UNKNOWN"
  CString drive;
  LONG songs = 0;
  CString path;
  CString label;
};

struct RelocationResult {
  LONG updated = 0;
  LONG examined = 0;
};

class CVolumeRelocation {
 public:
  explicit CVolumeRelocation(const CString& databaseFolder);
  ~CVolumeRelocation();

  // Opens the dialog's connection and checks the version; false (the message shown) when the lists
  // must stay empty.
  bool Open();
  void Close();

  // Messages of the library objects go to the message box; an empty list then.
  std::vector<VolumeRow> SourceRows();
  std::vector<VolumeRow> DestinationRows();

  // The song folder a destination type implies: "Quaverhouse", "QHVolume" or empty.
  static CString FolderOfType(const CString& type);

  RelocationResult UpdateManaged(DWORD sourceSerial, const CString& sourcePath, DWORD destinationSerial,
                                 const CString& destinationFolder);
  RelocationResult UpdateUnmanaged(DWORD sourceSerial, DWORD destinationSerial);

 private:
  // The song database object and the storage list with every registered volume; false after the
  // literal message.
  bool OpenLibrary(tQHDb& songDb, tStorage& storage, bool* destinationKnown = nullptr, DWORD destination = 0);
  // Runs `work` with both opened (their failures shown; nothing runs then).
  void WithLibrary(const std::function<void(tQHDb&, tStorage&)>& work, bool* destinationKnown = nullptr,
                   DWORD destination = 0);
  void AddGroupRows(std::vector<VolumeRow>& rows, tQHDb& songDb, tStorage& storage, const char* sql, bool managed);
  RelocationResult MoveSongs(tQHDb& songDb, tStorage& storage, const CString& where, DWORD sourceSerial,
                             DWORD destinationSerial);

  CString m_folder;
  char m_databaseDrive = 0;
  std::unique_ptr<CDaoDatabase> m_database;
};
