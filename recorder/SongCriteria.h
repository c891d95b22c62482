// What the search dialog and the playlist finder make of the user's criteria: the where text of the
// song list (every text quoted and its Like pattern characters taken literally), the sort orders,
// and the small parsers the dialogs share (song years, song dates, lengths, names).
#pragma once

#include <optional>
#include <string>

#include "platform/core/CString.h"
#include "platform/core/DateTime.h"

struct tSearchCriteria {
  CString name, artist, album, label, attributes, comments;
  CString genre;     // "*ALL*" or empty for any genre
  CString rotation;  // "*ALL*" or empty for any rotation code
  CString years;     // "1985" or "1980-1990"
};

// The where text ("" for no criterion) built from the criteria that are given, in the order name,
// genre, rotation, artist, album, label, attributes, comments, years. Years that do not read as a
// first year above 0 give nothing and `badYears` true.
CString BuildSearchWhere(const tSearchCriteria& criteria, bool& badYears);
// The playlist finder's where text: song, genre, artist, album.
CString BuildFinderWhere(const CString& song, const CString& genre, const CString& artist, const CString& album);

// The sort list of the search dialog: its order text and its description; index outside 0..3 counts 0.
struct tSongSort {
  const char* entry;
  const char* order;
  const char* description;
};
const tSongSort& SearchSort(int index);
inline constexpr int kSearchSortCount = 4;
// The order text of a click on result column 0..5 (every one starts with a blank).
const char* ColumnOrder(int column);

// Song years: the first and last year of "Y" or "Y1-Y2"; nullopt when the first year is not above 0.
std::optional<std::pair<int, int>> ParseSongYears(const CString& text);

// Song dates are shown and read in one form, "%m/%d/%Y", whatever the host's language.
CString FormatSongDate(const COleDateTime& date);
bool ParseSongDate(const CString& text, COleDateTime& date);

// Milliseconds of a length text "mm:ss.mmm" (characters 1-2, 4-5 and 7-9; a non-number counts 0).
long SongLengthMilliseconds(const CString& length);
// "%02d:%02d:%02d" of hours, minutes and seconds.
CString FormatRunningTime(long long milliseconds);

// Whether the text holds one of < > & ' | ? * or the double quote (playlist names and genre codes).
bool HasForbiddenCharacter(const CString& text);
// The export file name of a song: every character that is not a letter or digit made '_'.
CString ExportFileName(const CString& songName);
