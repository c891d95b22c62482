// What the WAV and MP3 readers of the song record share: the length text, the import path and volume,
// the defaults of a song whose tags leave fields blank, and the ID3v1 genre names.
#pragma once

#include "dblib/Song.h"

namespace qh::dblib {

// "%02u:%02u.%03u" (minutes, seconds, milliseconds) of a play length.
CString FormatSongLength(LONG lengthMs);

// A quotient in milliseconds as a 32-bit value: truncated toward zero, clamped to the 32-bit range
// (a non-finite value gives 0).
LONG MillisecondsToLong(double milliseconds);

// The path must be a letter, ':' and '\' followed by at least one character (-6), on a drive with a
// volume serial (-7); then SongPath and SongVolser are set from it. 0 on success.
int TakeImportPath(tSong& song, const CString& filePath);

// The file's name without folder and extension, with every character other than a letter or a digit
// made a blank, right-trimmed and cut to the width of a song name.
CString SongTitleFromPath(const CString& filePath);

// A blank name becomes the file's title, a blank artist "Unknown Artist", a blank primary genre "Other".
void FillBlankSongFields(tSong& song, const CString& filePath);

// The day "yyyy?mm?dd" names at 00:00:00, when the text has at least 10 characters and the year lies
// within [minYear, maxYear]; false otherwise (the date is then untouched). An impossible day gives a
// date of status invalid and true.
bool ParseDayText(const CString& text, int minYear, int maxYear, COleDateTime& date);

}  // namespace qh::dblib
