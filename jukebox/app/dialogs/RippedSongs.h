// Stores the tracks the CD rip dialog ripped as songs of the library: one row per track with the
// disc's names, its WAV file moved to the row's managed name. A track whose file cannot be read or
// moved, or whose row cannot be added, is dropped with a warning and leaves neither a row nor a file.
#pragma once

#include "platform/core/WinTypes.h"

class CRipCDDlg;
class tQHDb;
class tStorage;

// The number of songs stored.
int StoreRippedSongs(const CRipCDDlg& rip, tQHDb* songDb, tStorage* storage, DWORD volumeSerial);
// Deletes the temporary files of a rip that ended without storing.
void DeleteRippedFiles(const CRipCDDlg& rip);
