// Builds the demo library of scripts/demo.sh: a new song database made by the schema creator in the demo's
// own drive table and registry store (QH_DRIVES, QH_REGISTRY, never the user's), the sound files of a
// folder imported as the jukebox imports them (scanned with their tags, stored as managed songs with
// their covers), and the jukebox's settings for a run with the given zones (the log into the Logs folder
// of the folder it is run in, the jukebox's start directory).
//
//   qh_make_demo_library <database folder> <incoming folder> <zone description>...
//   e.g. qh_make_demo_library D:\Quaverhouse D:\Incoming Bar Terrace
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "dblib/Storage.h"
#include "maintenance/schema/SongDbSchema.h"
#include "platform/core/FileApi.h"
#include "platform/core/Registry.h"
#include "platform/dao/DaoException.h"

namespace {

std::vector<CString> FilesMatching(const CString& pattern, const CString& folder) {
  std::vector<CString> files;
  WIN32_FIND_DATA data;
  HANDLE find = FindFirstFile(pattern.GetString(), &data);
  if (find == INVALID_HANDLE_VALUE) return files;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(folder + "\\" + data.cFileName);
  } while (FindNextFile(find, &data));
  FindClose(find);
  return files;
}

bool ImportSong(tSong& song, tStorage& storage, const CString& path) {
  song.Clear();
  const int scan = song.ScanMp3File(path, TRUE);
  if (scan != 0) {
    std::fprintf(stderr, "demo library: %s: scan error %d\n", path.GetString(), scan);
    return false;
  }
  double total = 0;
  storage.GetFreeSpace(total);
  const DWORD serial = storage.FindVolumeWithFreeBytes(100u << 20, 0);
  if (serial == 0) {
    std::fprintf(stderr, "demo library: no volume with room for %s\n", path.GetString());
    return false;
  }
  song.SetSongCompression('R');
  song.SetSongPath("");
  song.SetSongVolser(serial);
  if (song.Add() <= 0) {
    std::fprintf(stderr, "demo library: %s: the song could not be added\n", path.GetString());
    return false;
  }
  if (!CopyFile(path.GetString(), song.GetMediaFileName().GetString(), TRUE)) {
    std::fprintf(stderr, "demo library: %s: copy failed\n", path.GetString());
    song.GetDatabase()->DeleteSong(song.SongID);
    return false;
  }
  const CString cover = path.Left(path.GetLength() - 4) + ".jpg";
  if (GetFileAttributes(cover.GetString()) != INVALID_FILE_ATTRIBUTES)
    CopyFile(cover.GetString(), song.GetCoverFileName().GetString(), TRUE);
  std::printf("  %ld  %s - %s (%s)\n", static_cast<long>(song.SongID), song.SongArtist.GetString(),
              song.SongName.GetString(), song.SongAlbumName.GetString());
  return true;
}

void WriteSettings(const CString& databaseFolder, const std::vector<CString>& zones) {
  ProfileStore profile;
  profile.SetProfileName("Quaverhouse");
  profile.SetRegistryKey("Tallowmere");
  profile.WriteProfileString("", "SongDbPath", databaseFolder.GetString());
  // The log on, into the Logs folder of the start directory (where this is run), named as the Logs page
  // of the options requires it while the log is on.
  char directory[262] = {};
  GetCurrentDirectory(sizeof directory, directory);
  CString logFolder = directory;
  if (logFolder.Right(1) == "\\") logFolder = logFolder.Left(logFolder.GetLength() - 1);
  logFolder += "\\Logs";
  CreateDirectory(logFolder.GetString(), nullptr);
  profile.WriteProfileInt("Jukebox", "ErrorLog", 1);
  profile.WriteProfileString("Jukebox", "ErrorLogPath", logFolder.GetString());
  profile.WriteProfileInt("Jukebox", "ErrorMessageBox", 0);
  profile.WriteProfileInt("Jukebox", "CompressOnExit", 0);
  // The demo plays on the renderer every machine has unless another is named (a sound card's own name
  // as the audio matrix lists it).
  const char* named = std::getenv("QH_DEMO_DEVICE");
  const CString device = named && *named ? CString(named) : CString("Null Audio Device");
  for (size_t i = 0; i < zones.size() && i < 8; ++i) {
    CString key;
    key.Format("Zone%d", static_cast<int>(i + 1));
    profile.WriteProfileString("Jukebox", key.GetString(), device.GetString());
    key.Format("ZoneDesc%d", static_cast<int>(i + 1));
    profile.WriteProfileString("Jukebox", key.GetString(), zones[i].GetString());
  }
  profile.WriteProfileInt("Remote", "SocketNumber", 12130);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <database folder> <incoming folder> [zone description]...\n", argv[0]);
    return 2;
  }
  const CString databaseFolder = argv[1], incoming = argv[2];
  std::vector<CString> zones;
  for (int i = 3; i < argc; ++i) zones.emplace_back(argv[i]);
  if (zones.empty()) zones.emplace_back("Default Zone");

  for (const char* sub : {"", "\\Songs", "\\Covers", "\\Uploads"})
    CreateDirectory((databaseFolder + sub).GetString(), nullptr);
  const CString file = databaseFolder + "\\Quaverhouse.qhd";
  try {
    DeleteFile(file.GetString());
    CreateSongDatabase(file);
  } catch (CDaoException* e) {
    char text[512] = {};
    e->GetErrorMessage(text, sizeof text);
    e->Delete();
    std::fprintf(stderr, "demo library: the song database could not be made: %s\n", text);
    return 1;
  }
  tQHDb database;
  if (!database.Open(file.GetString(), TRUE, FALSE)) {
    CString text;
    database.GetLastError(text);
    std::fprintf(stderr, "demo library: %s: %s\n", file.GetString(), text.GetString());
    return 1;
  }
  tStorage storage(database.GetDatabase());
  if (storage.Init(database.GetExpectedVersion(), databaseFolder) != 0) {
    std::fprintf(stderr, "demo library: the storage volumes could not be read\n");
    return 1;
  }
  tSong song;
  song.Attach(&database, &storage);
  int imported = 0;
  std::printf("Demo library %s:\n", databaseFolder.GetString());
  for (const CString& path : FilesMatching(incoming + "\\*.mp3", incoming))
    if (ImportSong(song, storage, path)) ++imported;
  database.Close();
  WriteSettings(databaseFolder, zones);
  std::printf("%d songs imported.\n", imported);
  return imported > 0 ? 0 : 1;
}
