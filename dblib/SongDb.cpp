// The song record's side of the database: load, add, update and delete itself through the bound
// song database object, and ask whether the library already holds its GUID or its file.
#include <cstring>

#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "dblib/TextUtil.h"
#include "platform/core/FileApi.h"

int tSong::Load(tQHDb* database, tStorage* storage, LONG songId) {
  if (database == nullptr) return -1;
  if (Database != nullptr) return -2;
  if (songId < 1) return -3;
  if (storage == nullptr) return -6;
  if (Storage != nullptr) return -7;
  Database = database;
  Storage = storage;
  return Database->GetSongDetail(songId, this) == 1 ? 0 : -4;
}

int tSong::LoadById(LONG songId) {
  if (songId < 1) return -1;
  if (Database == nullptr) return -2;
  return Database->GetSongDetail(songId, this) == 1 ? 1 : 0;
}

LONG tSong::Add() {
  if (Database == nullptr) return -2;
  LONG result = Database->AddSong(this);
  if (result > 0) SongID = result;
  return result;
}

int tSong::Update() {
  if (SongID < 1) return -1;
  if (Database == nullptr) return -2;
  return Database->UpdateSong(this) == 1 ? 1 : 0;
}

namespace {
void RemoveFile(const CString& path) {
  if (path.IsEmpty()) return;
  SetFileAttributes(path, FILE_ATTRIBUTE_NORMAL);
  DeleteFile(path);
}
}  // namespace

int tSong::Delete() {
  if (Database == nullptr) return -1;
  if (Database->DeleteSong(SongID) < 1) return -2;
  // Files of unmanaged songs belong to their owner and stay where they are.
  if (SongCompression == ' ' || SongCompression == 'A' || SongCompression == 'M' || SongCompression == 'R') {
    RemoveFile(GetMediaFileName());
    RemoveFile(GetCoverFileName());
  }
  return 0;
}

int tSong::CountByGuid() {
  if (Database == nullptr) return -2;
  if (SongGUID.IsEmpty()) return 0;
  CString where;
  where.Format("Where SongGUID = '%s' ", SqlQuoteText(SongGUID).GetString());
  return Database->CountSongs(where);
}

int tSong::GuidExists() {
  int count = CountByGuid();
  if (count < 0) return count == -2 ? -2 : 0;
  return count > 0 ? 1 : 0;
}

int tSong::ExistsByPath() {
  // A song stored without a path (a managed file) is never the same file as one found on a disk.
  if (Database == nullptr || SongPath.IsEmpty()) return 0;
  tSong probe;
  probe.Attach(Database, Storage);
  CString where;
  where.Format("Where SongCompression = '%s' And SongVolser = %d And SongPath = '%s' ",
               SqlQuoteText(CString(SongCompression, 1)).GetString(), static_cast<LONG>(SongVolser),
               SqlQuoteText(SongPath).GetString());
  // The database compares texts without case; the file system does not, so "Song.mp3" and "song.mp3"
  // are two files: only a row with exactly this path counts.
  int found = 0;
  if (Database->OpenSongList(where) != 0) {
    while (!found && Database->NextSong(&probe) > 0)
      if (std::strcmp(probe.SongPath.GetString(), SongPath.GetString()) == 0) found = 1;
    Database->CloseSongList();
  }
  return found;
}
