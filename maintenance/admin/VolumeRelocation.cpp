#include "maintenance/admin/VolumeRelocation.h"

#include "dblib/QHDb.h"
#include "dblib/QuavParmsSet.h"
#include "dblib/Song.h"
#include "dblib/Storage.h"
#include "maintenance/admin/AdminErrors.h"
#include "maintenance/admin/AdminResources.h"
#include "maintenance/files/FileSteps.h"
#include "maintenance/schema/SongDbSchema.h"
#include "platform/core/FileApi.h"
#include "platform/core/Paths.h"
#include "platform/dao/DaoDatabase.h"
#include "platform/dao/DaoRecordset.h"
#include "platform/ui/MessageBox.h"

#include <sys/stat.h>

namespace {

constexpr const char* kPrimaryFolder = "Quaverhouse";
constexpr const char* kStorageFolder = "QHVolume";

// The size of a file, or -1 when it cannot be read (a missing file, an absent disk).
long long FileSize(const CString& path) {
  if (path.IsEmpty()) return -1;
  std::optional<qh::ResolvedPath> resolved = qh::ResolvePath(path);
  struct stat st {};
  if (!resolved || !resolved->exists || stat(resolved->hostPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<long long>(st.st_size);
}

}  // namespace

CVolumeRelocation::CVolumeRelocation(const CString& databaseFolder) : m_folder(databaseFolder) {}

CVolumeRelocation::~CVolumeRelocation() { Close(); }

bool CVolumeRelocation::Open() {
  if (m_folder.IsEmpty()) return false;
  m_databaseDrive = m_folder[0];
  double version = 0;
  bool opened = RunReportingErrors([&] {
    m_database = std::make_unique<CDaoDatabase>();
    m_database->Open(m_folder + kSongDbFileName, FALSE, FALSE);
    version = ReadParameterNumber(m_database.get(), "DatabaseVersion");
  });
  if (!opened) {
    m_database.reset();
    return false;
  }
  if (version != 4.0) {
    AfxMessageBox(FormatText(IDS_WRONG_VERSION, 4.0, version), MB_ICONSTOP);
    return false;
  }
  return true;
}

void CVolumeRelocation::Close() {
  if (m_database && m_database->IsOpen()) m_database->Close();
  m_database.reset();
}

CString CVolumeRelocation::FolderOfType(const CString& type) {
  if (type == "PRIMARY") return kPrimaryFolder;
  if (type == "STORAGE") return kStorageFolder;
  return CString();
}

bool CVolumeRelocation::OpenLibrary(tQHDb& songDb, tStorage& storage, bool* destinationKnown, DWORD destination) {
  if (!songDb.Open(m_folder + kSongDbFileName, FALSE, FALSE)) {
    AfxMessageBox("tQHDb Init Error!");
    return false;
  }
  if (storage.Init(4.0, m_folder) != 0) {
    AfxMessageBox("tStorage Init Error!");
    return false;
  }
  LONG serial = 0, totalHigh = 0, totalLow = 0;
  CString letter, label, path;
  if (songDb.OpenVolumes()) {
    while (songDb.NextVolume(serial, letter, label, path, totalHigh, totalLow) == 1) {
      if (letter.IsEmpty()) continue;
      storage.AddVolume(static_cast<DWORD>(serial), letter, label, path, static_cast<DWORD>(totalHigh),
                        static_cast<DWORD>(totalLow));
      if (destinationKnown != nullptr && static_cast<DWORD>(serial) == destination) *destinationKnown = true;
    }
    songDb.CloseVolumes();
  }
  return true;
}

void CVolumeRelocation::WithLibrary(const std::function<void(tQHDb&, tStorage&)>& work, bool* destinationKnown,
                                     DWORD destination) {
  if (!m_database) return;
  RunReportingErrors([&] {
    tQHDb songDb;
    tStorage storage(m_database.get());
    if (!OpenLibrary(songDb, storage, destinationKnown, destination)) return;
    work(songDb, storage);
    songDb.Close();
  });
}

void CVolumeRelocation::AddGroupRows(std::vector<VolumeRow>& rows, tQHDb& songDb, tStorage& storage, const char* sql,
                                     bool managed) {
  CDaoRecordset groups(m_database.get());
  groups.Open(dbOpenSnapshot, sql, dbForwardOnly);
  for (; !groups.IsEOF(); groups.MoveNext()) {
    COleVariant serialValue = groups.GetFieldValue(0);
    COleVariant countValue = groups.GetFieldValue(1);
    VolumeRow row;
    row.serial = serialValue.vt == VT_I4 ? static_cast<DWORD>(serialValue.lVal) : 0;
    countValue.ChangeType(VT_I4);
    row.songs = countValue.lVal;
    if (managed) {
      CString letter, label, path;
      LONG totalHigh = 0, totalLow = 0;
      if (songDb.GetVolume(row.serial, letter, label, path, totalHigh, totalLow) == 1) {
        row.type = "STORAGE";
        row.drive = letter;
        row.path = path;
        row.label = label;
      } else {
        row.type = "PRIMARY";
        row.drive = CString(m_databaseDrive);
        row.path = kPrimaryFolder;
      }
    } else {
      row.type = "UNMANAGED";
      char letter = 0;
      CString label;
      DWORD totalHigh = 0, totalLow = 0, freeHigh = 0, freeLow = 0;
      if (storage.GetLocalVolumeInfo(row.serial, letter, label, totalHigh, totalLow, freeHigh, freeLow)) {
        row.drive = CString(letter);
        row.label = label;
      }
    }
    rows.push_back(row);
  }
  groups.Close();
}

std::vector<VolumeRow> CVolumeRelocation::SourceRows() {
  std::vector<VolumeRow> rows;
  WithLibrary([&](tQHDb& songDb, tStorage& storage) {
    AddGroupRows(rows, songDb, storage,
                 "Select SongVolser, Count(*) From Songs  Where SongCompression In (' ', 'A', 'M', 'R') Group by "
                 "SongVolser ",
                 true);
    AddGroupRows(rows, songDb, storage,
                 "Select SongVolser, Count(*) From Songs  Where SongCompression In ('3', 'V') Group by SongVolser ",
                 false);
  });
  return rows;
}

std::vector<VolumeRow> CVolumeRelocation::DestinationRows() {
  std::vector<VolumeRow> rows;
  WithLibrary([&](tQHDb&, tStorage& storage) {
    double totalBytes = 0;
    storage.GetFreeSpace(totalBytes);
    storage.CountSongsPerVolume();
    for (int index = 0; index < storage.GetLocalVolumeCount(); ++index) {
      VolumeRow row;
      char letter = 0;
      DWORD totalHigh = 0, totalLow = 0, freeHigh = 0, freeLow = 0;
      if (storage.GetLocalVolume(index, row.serial, letter, row.label, totalHigh, totalLow, freeHigh, freeLow)) {
        row.drive = CString(letter);
        CString root = storage.GetRootPath(row.serial);
        CString folder = root.GetLength() > 3 ? root.Mid(3) : CString();
        if (folder.CompareNoCase(kStorageFolder) == 0)
          row.type = "STORAGE";
        else if (toupper(static_cast<unsigned char>(letter)) == toupper(static_cast<unsigned char>(m_databaseDrive)))
          row.type = "PRIMARY";
        else
          row.type = "UNMANAGED";
      } else {
        row.type = "UNKNOWN";
      }
      rows.push_back(row);
      if (row.type == "PRIMARY" || row.type == "STORAGE") {
        VolumeRow unmanaged = row;
        unmanaged.type = "UNMANAGED";
        rows.push_back(unmanaged);
      }
    }
  });
  return rows;
}

RelocationResult CVolumeRelocation::UpdateManaged(DWORD sourceSerial, const CString& sourcePath, DWORD destinationSerial,
                                                  const CString& destinationFolder) {
  RelocationResult result;
  bool destinationKnown = false;
  WithLibrary([&](tQHDb& songDb, tStorage& storage) {
    if (!destinationKnown) {
      char letter = 0;
      CString label;
      DWORD totalHigh = 0, totalLow = 0, freeHigh = 0, freeLow = 0;
      if (storage.GetLocalVolumeInfo(destinationSerial, letter, label, totalHigh, totalLow, freeHigh, freeLow)) {
        CString root;
        root.Format("%c:\\%s", letter, destinationFolder.GetString());
        DWORD attributes = GetFileAttributes(root);
        bool isFolder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder && destinationFolder.CompareNoCase(kPrimaryFolder) != 0)
          songDb.SaveVolume(static_cast<LONG>(destinationSerial), CString(letter), label, destinationFolder,
                            static_cast<LONG>(totalHigh), static_cast<LONG>(totalLow));
        if (storage.GetRootPath(destinationSerial).IsEmpty())
          storage.AddVolume(destinationSerial, CString(letter), label, destinationFolder, totalHigh, totalLow);
      }
    }
    CString where;
    where.Format("Where SongVolser = %ld And SongCompression in ('A', 'M', ' ', 'R') ", static_cast<LONG>(sourceSerial));
    result = MoveSongs(songDb, storage, where, sourceSerial, destinationSerial);
  }, &destinationKnown, destinationSerial);
  return result;
}

RelocationResult CVolumeRelocation::UpdateUnmanaged(DWORD sourceSerial, DWORD destinationSerial) {
  RelocationResult result;
  WithLibrary([&](tQHDb& songDb, tStorage& storage) {
    CString where;
    where.Format("Where SongVolser = %ld And SongCompression in ('3', 'V') ", static_cast<LONG>(sourceSerial));
    result = MoveSongs(songDb, storage, where, sourceSerial, destinationSerial);
  });
  return result;
}

RelocationResult CVolumeRelocation::MoveSongs(tQHDb& songDb, tStorage& storage, const CString& where, DWORD sourceSerial,
                                              DWORD destinationSerial) {
  RelocationResult result;
  tSong song;
  if (song.Attach(&songDb, &storage) < 0) return result;
  // The ids first: each song is then saved on its own, while no cursor walks the rows being changed.
  std::vector<LONG> ids;
  if (songDb.OpenSongList(where)) {
    for (;;) {
      song.Clear();
      LONG id = songDb.NextSong(&song);
      if (id < 1) break;
      ids.push_back(id);
    }
    songDb.CloseSongList();
  }
  for (LONG id : ids) {
    song.Clear();
    if (song.LoadById(id) != 1) continue;
    ++result.examined;
    CString oldFile = song.GetMediaFileName();
    song.SetSongVolser(destinationSerial);
    song.MediaPath.Empty();  // the cached name belongs to the old volume
    CString newFile = song.GetMediaFileName();
    long long newSize = FileSize(newFile);
    if (newSize < 0) continue;
    // A copy that stopped half-way leaves a short file: while the old file can still be read, the song
    // moves only to a file of the same size.
    long long oldSize = sourceSerial != destinationSerial ? FileSize(oldFile) : -1;
    if (oldSize >= 0 && oldSize != newSize) continue;
    if (song.Update() == 1) ++result.updated;
  }
  return result;
}
