#include "jukebox/player/SongQueryText.h"

#include "dblib/TextUtil.h"
#include "platform/core/CrtNumbers.h"

namespace qh::player {

namespace {

const char* const kGenreExists = "Exists (Select * From SongGenre B Where B.SongID = A.SongID And B.SongGenre = '";

// Adds one clause, led by " Where " for the first and " And " for the others.
void AddClause(CString& text, bool& any, const CString& clause) {
  text += any ? " And " : " Where ";
  text += clause;
  any = true;
}

}  // namespace

CString OrderText(bool byAlbum) {
  return byAlbum ? " Order by A.SongAlbumName, A.SongCdTrack " : " Order by A.SongName ";
}

CString GenreQuery(const CString& genre, bool byAlbum) {
  return CString("Where ") + kGenreExists + SqlQuoteText(genre) + "') " + OrderText(byAlbum);
}

CString PlaylistQuery(const CString& playlistName) {
  return ", PlaylistDetail B Where A.SongID = B.SongID And B.PlaylistName = '" + SqlQuoteText(playlistName) +
         "' Order by B.PlaylistSequenceNum ";
}

CString ArtistQuery(const CString& artist, bool byAlbum) {
  return "Where A.SongArtist = '" + SqlQuoteText(artist) + "' " + OrderText(byAlbum);
}

CString AlbumNameQuery(const CString& album) {
  return "Where A.SongAlbumName = '" + SqlQuoteText(album) + "' Order by A.SongCdTrack, A.SongName ";
}

CString AlbumQuery(const CString& album, const CString& artist) {
  return "Where A.SongAlbumName = '" + SqlQuoteText(album) + "' And A.SongArtist = '" + SqlQuoteText(artist) +
         "' Order by A.SongCdTrack, A.SongName ";
}

CString AlbumSearchQuery(const CString& album, const CString& artist) {
  return "Where A.SongAlbumName = '" + SqlQuoteText(album) + "' And A.SongArtist = '" + SqlQuoteText(artist) +
         "'  Order by A.SongCdTrack ";
}

bool ParseYearRange(const CString& years, YearRange& range) {
  range = YearRange{};
  const int dash = years.Find('-');
  if (dash < 0) {
    range.first = qh_atoi(years);
  } else {
    range.first = qh_atoi(years.Left(dash));
    range.last = qh_atoi(years.Mid(dash + 1));
  }
  if (range.last <= 0) range.last = range.first;
  return range.first > 0;
}

CString CustomCriteriaQuery(const CString& name, const CString& artist, const CString& album, const CString& years,
                            const CString& genre) {
  CString text;
  bool any = false;
  if (!name.IsEmpty()) AddClause(text, any, "A.SongName Like '*" + SqlLikeText(name) + "*' ");
  if (!artist.IsEmpty()) AddClause(text, any, "A.SongArtist Like '*" + SqlLikeText(artist) + "*' ");
  if (!album.IsEmpty()) AddClause(text, any, "A.SongAlbumName Like '*" + SqlLikeText(album) + "*' ");
  YearRange range;
  if (!years.IsEmpty() && ParseYearRange(years, range)) {
    CString clause;
    clause.Format(" (SongDate  between #1/1/%d# And #12/31/%d#) ", range.first, range.last);
    AddClause(text, any, clause);
  }
  if (!genre.IsEmpty()) AddClause(text, any, CString(kGenreExists) + SqlQuoteText(genre) + "') ");
  text += " Order By A.SongName ";
  return text;
}

}  // namespace qh::player
