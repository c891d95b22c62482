// Two library edits that the jukebox's dialogs make and that must happen whole or not at all: the
// rewrite of a saved play list (the play-list editor) and the registration of a storage volume (the
// storage page of the options).
#pragma once

#include <vector>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class tQHDb;
class tStorage;

// Replaces the entries of the play list with `songIds`, in that order, in one transaction: any failing
// step rolls everything back and the play list keeps its old entries. True when committed.
bool RewritePlaylist(tQHDb& database, const CString& playlistName, const std::vector<LONG>& songIds);

// Registers a storage volume: first in the database's volume list, and only when that succeeded in the
// running storage manager, so a volume offered for new songs can always be found again after a restart.
// `folder` is the volume's folder below the drive's root ("QHVolume"); the root is the drive letter
// with it ("D:\QHVolume"). 0, or the database's negative code.
int RegisterStorageVolume(tQHDb& database, tStorage& storage, DWORD serial, const CString& letter,
                          const CString& label, const CString& folder, DWORD totalHigh, DWORD totalLow);

// Gives the storage manager the volumes of the database's volume list, as start-up does (a whole root
// stored in place of the folder is read as its folder).
void LoadStorageVolumes(tQHDb& database, tStorage& storage);
