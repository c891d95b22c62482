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
