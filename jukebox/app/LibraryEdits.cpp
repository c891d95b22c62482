#include "jukebox/app/LibraryEdits.h"

#include "dblib/QHDb.h"
#include "dblib/Storage.h"

bool RewritePlaylist(tQHDb& database, const CString& playlistName, const std::vector<LONG>& songIds) {
  if (!database.BeginTrans()) return false;
  bool whole = database.DeletePlaylistDetail(playlistName.GetString()) >= 0;
  for (size_t i = 0; whole && i < songIds.size(); ++i)
    whole = database.AppendPlaylistSong(playlistName.GetString(), songIds[i]) == 1;
  if (whole && database.CommitTrans()) return true;
  if (database.IsInTransaction()) database.Rollback();
  return false;
}

int RegisterStorageVolume(tQHDb& database, tStorage& storage, DWORD serial, const CString& letter,
                          const CString& label, const CString& folder, DWORD totalHigh, DWORD totalLow) {
  const int saved = database.SaveVolume(static_cast<LONG>(serial), letter.GetString(), label.GetString(),
                                        folder.GetString(), static_cast<LONG>(totalHigh), static_cast<LONG>(totalLow));
  if (saved != 0) return saved;
  storage.AddVolume(serial, letter, label, folder, totalHigh, totalLow);
  return 0;
}

void LoadStorageVolumes(tQHDb& database, tStorage& storage) {
  if (!database.OpenVolumes()) return;
  LONG serial = 0, high = 0, low = 0;
  CString letter, label, folder;
  while (database.NextVolume(serial, letter, label, folder, high, low)) {
    if (letter.IsEmpty()) continue;
    // The Storage page of earlier builds stored the whole root ("D:\QHVolume") where the folder belongs.
    if (folder.GetLength() > 3 && folder[1] == ':' && folder[2] == '\\') folder = folder.Mid(3);
    storage.AddVolume(static_cast<DWORD>(serial), CString(letter[0]), label, folder, static_cast<DWORD>(high),
                      static_cast<DWORD>(low));
  }
  database.CloseVolumes();
}
