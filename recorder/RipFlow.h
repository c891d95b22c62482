// The main dialog's Rip button: a storage volume with room for a whole disc, the rip dialog, then one
// song per ripped track, each completed by the user in the song information dialog. A track becomes a
// song with its row, its genre and its file, or leaves nothing behind: a file that cannot be read, a
// song the user cancels, a row that cannot be added or a file that cannot be moved into place ends with
// the temporary file deleted and no row.
#pragma once

#include "platform/core/WinTypes.h"

class CRecorderDlg;
class CRipCDDlg;
class tQHDb;
class tStorage;

void RunRipFromCd(CRecorderDlg& main);

// Stores the ripped tracks of an OK rip dialog as songs on the volume; the number of songs stored.
int StoreRippedTracks(CRecorderDlg& main, const CRipCDDlg& rip, DWORD volumeSerial);
