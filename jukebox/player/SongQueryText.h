// The texts that follow "From Songs A" in the players' song queries: the loaders', the searches' and
// the custom criteria of the search dialog. Values compared with "=" are quoted (apostrophes doubled,
// nothing dropped); values inside Like patterns have the pattern characters bracketed as well.
#pragma once

#include "platform/core/CString.h"

namespace qh::player {

// " Order by A.SongAlbumName, A.SongCdTrack " or " Order by A.SongName ".
CString OrderText(bool byAlbum);
CString GenreQuery(const CString& genre, bool byAlbum);
CString PlaylistQuery(const CString& playlistName);
CString ArtistQuery(const CString& artist, bool byAlbum);
CString AlbumNameQuery(const CString& album);
CString AlbumQuery(const CString& album, const CString& artist);
// The album search orders by track only.
CString AlbumSearchQuery(const CString& album, const CString& artist);

// The years text of the search dialog: "1990-1995", "1990" (one year). False when the first number is
// not a year above 0, in which case no date clause is added.
struct YearRange {
  int first = 0;
  int last = 0;
};
bool ParseYearRange(const CString& years, YearRange& range);

CString CustomCriteriaQuery(const CString& name, const CString& artist, const CString& album, const CString& years,
                            const CString& genre);

}  // namespace qh::player
