// Stores the tracks a CD rip dialog ripped as songs of the library, for the recorder and the jukebox
// alike: one row per track with the disc's names, its WAV file moved to the row's managed name on the
// volume chosen before the rip. A track whose file cannot be read, that the user drops, whose row cannot
// be added or whose file cannot be moved is reported and leaves neither a row nor a file. Without a
// volume or a song record nothing is stored and nothing deleted: the ripped files are the only copies.
#pragma once

#include <functional>
#include <vector>

#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class tQHDb;
class tSong;
class tStorage;

struct RippedTrack {
  CString file;      // the temporary WAV file
  int cdTrack = 0;   // the disc's own track number (SongCdTrack)
  CString title;     // the name the disc identification gave the track
  CString extended;  // its extra text (SongAttributes)
};

struct RippedDisc {
  CString artist, album, genre;
  CString upc;  // SongInventoryCode
  DWORD discId = 0;
  std::vector<RippedTrack> tracks;
};

// The program's own texts for the warnings (exclamation boxes).
struct RippedSongTexts {
  CString badFormat;   // a file that cannot be read as WAV
  CString notSaved;    // a row that cannot be added, or nowhere to store
  CString copyFailed;  // a file that cannot take its managed name
};

// Shown a song before its row is added; false drops the track.
using ConfirmRippedSong = std::function<bool(tSong& song)>;

// The songs stored, in the disc's order of ripping. A track that cannot become a song keeps its ripped
// file where it was ripped (the only copy); only an unreadable file or one the user declined is deleted.
// An exception from `confirm` or the database goes on to the caller and leaves the later files in place.
int StoreRippedSongs(const RippedDisc& disc, tQHDb* songDb, tStorage* storage, DWORD volumeSerial,
                     const RippedSongTexts& texts, const ConfirmRippedSong& confirm = {});
// The temporary files of a rip that ended without storing.
void DeleteRippedFiles(const RippedDisc& disc);
