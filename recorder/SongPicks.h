// Helpers the playlist editor and the search dialog share: loading a song by id, the list texts of a
// song, and the preview player.
#pragma once

#include <memory>

#include "dblib/Song.h"

class tQHDb;
class tStorage;
class CWnd;
class CComboBox;

// A record bound to the database and volumes and loaded by id; null when the song cannot be read.
std::unique_ptr<tSong> LoadSongById(tQHDb* db, tStorage* storage, LONG songId);

// Fills a combo with every genre code in code order, after `first` when it is not empty ("*ALL*").
void FillGenreCombo(tQHDb* db, CComboBox* combo, const CString& first);
// The report kinds of the Print lists: Summary (0) and Detail (1), Summary chosen.
void FillReportKinds(CComboBox* combo);

// Plays a song's media file for listening before it goes into a list. The filter-graph layer that
// plays songs is not part of this build: Play reports "DX Err %08X" with the class-not-registered code,
// as when the graph cannot be created.
class CSongPreview {
 public:
  void Play(tSong& song, CWnd* owner);
  void Stop();
};
