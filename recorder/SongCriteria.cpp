#include "recorder/SongCriteria.h"

#include <cctype>

#include "dblib/TextUtil.h"
#include "platform/core/CrtNumbers.h"

namespace {

bool Given(const CString& text) { return !text.IsEmpty(); }
bool GivenChoice(const CString& text) { return !text.IsEmpty() && text != "*ALL*"; }

// Appends one criterion with "WHERE " before the first and " And " before the others.
void AddCriterion(CString& where, const CString& criterion) {
  where += where.IsEmpty() ? "WHERE " : " And ";
  where += criterion;
}

// "<column> like '*text*'" that finds the text itself: quotes doubled, Jet's pattern characters
// (* ? # [) bracketed so that "[" or "50%" are searched as they are typed.
CString LikeCriterion(const char* column, const CString& text) {
  CString criterion;
  criterion.Format("%s like '*%s*'", column, SqlLikeText(text).GetString());
  return criterion;
}

int LeadingNumber(const CString& text) { return static_cast<int>(qh_atol(text)); }

}  // namespace

CString BuildSearchWhere(const tSearchCriteria& c, bool& badYears) {
  badYears = false;
  CString where;
  if (Given(c.name)) AddCriterion(where, LikeCriterion("SongName", c.name));
  if (GivenChoice(c.genre)) AddCriterion(where, "B.SongGenre = '" + SqlQuoteText(c.genre) + "' ");
  if (GivenChoice(c.rotation)) AddCriterion(where, "SongRotationCode = '" + SqlQuoteText(c.rotation) + "'");
  if (Given(c.artist)) AddCriterion(where, LikeCriterion("SongArtist", c.artist));
  if (Given(c.album)) AddCriterion(where, LikeCriterion("SongAlbumName", c.album));
  if (Given(c.label)) AddCriterion(where, LikeCriterion("SongLabel", c.label));
  if (Given(c.attributes)) AddCriterion(where, LikeCriterion("SongAttributes", c.attributes));
  if (Given(c.comments)) AddCriterion(where, LikeCriterion("SongComments", c.comments));
  if (Given(c.years)) {
    auto years = ParseSongYears(c.years);
    if (!years) {
      badYears = true;
      return "";
    }
    // SongDate carries a time of day: a year ends before the first day of the next one, so songs of
    // 31 December are found whatever their time.
    CString criterion;
    criterion.Format("(SongDate >= #1/1/%d# And SongDate < #1/1/%d#)", years->first, years->second + 1);
    AddCriterion(where, criterion);
  }
  return where;
}

CString BuildFinderWhere(const CString& song, const CString& genre, const CString& artist, const CString& album) {
  CString where;
  if (Given(song)) AddCriterion(where, LikeCriterion("SongName", song));
  if (GivenChoice(genre)) AddCriterion(where, "B.SongGenre = '" + SqlQuoteText(genre) + "' ");
  if (Given(artist)) AddCriterion(where, LikeCriterion("SongArtist", artist));
  if (Given(album)) AddCriterion(where, LikeCriterion("SongAlbumName", album));
  return where;
}

const tSongSort& SearchSort(int index) {
  static const tSongSort kSorts[kSearchSortCount] = {
      {"Artist, Title", " Order By A.SongArtist, A.SongName", "Sorted by Artist and Title"},
      {"Title, Artist", " Order By A.SongName, A.SongArtist", "Sorted by Title and Artist"},
      {"Artist, Album, Track", " Order By A.SongArtist, A.SongAlbumName, A.SongCdTrack",
       "Sorted by Artist, Album and Track"},
      {"Genre, Artist, Album, Track", " Order By B.SongGenre, A.SongArtist, A.SongAlbumName, A.SongCdTrack",
       "Sorted by Genre, Artist, Album and Track"},
  };
  return kSorts[index >= 0 && index < kSearchSortCount ? index : 0];
}

const char* ColumnOrder(int column) {
  static const char* const kOrders[] = {" ORDER BY A.SongName",    " ORDER BY A.SongArtist", " ORDER BY A.SongAlbumName",
                                        " ORDER BY B.SongGenre",   " ORDER BY A.SongCdTrack", " ORDER BY A.SongID"};
  return column >= 0 && column < 6 ? kOrders[column] : kOrders[0];
}

std::optional<std::pair<int, int>> ParseSongYears(const CString& text) {
  int dash = text.Find('-');
  int first = LeadingNumber(dash >= 0 ? text.Left(dash) : text);
  if (first <= 0) return std::nullopt;
  int last = dash >= 0 ? LeadingNumber(text.Mid(dash + 1)) : 0;
  if (last <= 0) last = first;
  return std::make_pair(first, last);
}

CString FormatSongDate(const COleDateTime& date) {
  if (date.GetStatus() != COleDateTime::valid) return "";
  return date.Format("%m/%d/%Y");
}

bool ParseSongDate(const CString& text, COleDateTime& date) {
  CString trimmed = text;
  trimmed.Trim();
  int month = 0, day = 0, year = 0;
  char end = 0;
  if (std::sscanf(trimmed.GetString(), "%2d/%2d/%4d%c", &month, &day, &year, &end) != 3) return false;
  if (year < 100 || month < 1 || day < 1) return false;
  COleDateTime parsed;
  if (parsed.SetDate(year, month, day) != 0 || parsed.GetStatus() != COleDateTime::valid) return false;
  date = parsed;
  return true;
}

long SongLengthMilliseconds(const CString& length) {
  auto part = [&](int start, int count) { return static_cast<long>(qh_atol(length.Mid(start, count))); };
  if (length.IsEmpty()) return 0;
  return (part(0, 2) * 60 + part(3, 2)) * 1000 + part(6, 3);
}

CString FormatRunningTime(long long milliseconds) {
  long long seconds = milliseconds / 1000;
  CString text;
  text.Format("%02d:%02d:%02d", static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
              static_cast<int>(seconds % 60));
  return text;
}

bool HasForbiddenCharacter(const CString& text) { return text.FindOneOf("<>&'|?*\"") >= 0; }

CString ExportFileName(const CString& songName) {
  std::string name = songName.str();
  for (char& ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return CString(std::move(name));
}
