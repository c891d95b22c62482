// Search-result actions: a remote panel asks a zone's player for one page of a search and pages through
// it, or reads the artist and album index straight from the song database. Nothing here changes what a
// zone plays. A result argument only has to be present; its direction plays no part.
#include "dblib/QHDb.h"
#include "jukebox/player/PlayerBase.h"
#include "jukebox/remote/ActionArguments.h"
#include "jukebox/remote/ActionGroups.h"
#include "jukebox/remote/ActionResults.h"
#include "jukebox/remote/RemoteActionIds.h"
#include "jukebox/remote/RemoteExecutor.h"

using namespace remote_results;

namespace {

constexpr int kDefaultRowCount = 5;
constexpr const char* kCustomSearchFailed = "Error occurred when performing custom search";

// The request's own result arguments the player fills; null when the request did not send one.
struct SearchResults {
  explicit SearchResults(CRemoteAction& action)
      : texts(ResultArgument(action, "SearchResultsText", false)),
        ids(ResultArgument(action, "SearchResultsID", false)),
        count(ResultArgument(action, "SearchResultsCount", false)) {}
  CActionArgument* texts;
  CActionArgument* ids;
  CActionArgument* count;
};

int RowCount(CRemoteAction& action) { return ArgumentInt(action, "RowCount", kDefaultRowCount); }

// The player call of one search action with its failure text.
int RunSearch(CPlayerBase& player, int id, CRemoteAction& action, const SearchResults& results,
              const char*& failure) {
  const int rows = RowCount(action);
  switch (id) {
    case ACTION_SEARCH_RESULTS_SCROLL_TO_INDEX:
      failure = kScrollFailed;
      return player.ScrollSearchResults(static_cast<int>(ArgumentLong(action, "RowIndex", 0)), rows, results.texts,
                                        results.ids);
    case ACTION_SEARCH_RESULTS_BY_GENRE:
      failure = kGenreSearchFailed;
      return player.SearchByGenre(ArgumentText(action, "Genre"), ArgumentFlag(action, "SortByAlbum"), rows,
                                  results.texts, results.ids, results.count);
    case ACTION_SEARCH_RESULTS_BY_ARTIST:
      failure = kArtistSearchFailed;
      return player.SearchByArtist(ArgumentText(action, "Artist"), true, rows, results.texts, results.ids,
                                   results.count);
    case ACTION_SEARCH_RESULTS_BY_ALBUM:
      failure = kAlbumSearchFailed;
      return player.SearchByAlbum(ArgumentText(action, "Album"), ArgumentText(action, "Artist"), rows, results.texts,
                                  results.ids, results.count);
    case ACTION_SEARCH_RESULTS_BY_PLAYLIST:
      failure = kPlaylistSearchFailed;
      return player.SearchByPlaylist(ArgumentText(action, "Playlist"), rows, results.texts, results.ids,
                                     results.count);
    default:
      failure = kCustomSearchFailed;
      return player.SearchByCustomCriteria(ArgumentText(action, "SongName"), ArgumentText(action, "Artist"),
                                           ArgumentText(action, "Album"), ArgumentText(action, "YearRange"),
                                           ArgumentText(action, "Genre"), rows, results.texts, results.ids,
                                           results.count);
  }
}

// Paging needs no count, and the custom search runs without one; every other search needs all three.
bool HasRequiredResults(int id, const SearchResults& results) {
  if (results.texts == nullptr || results.ids == nullptr) return false;
  return id == ACTION_SEARCH_RESULTS_SCROLL_TO_INDEX || id == ACTION_SEARCH_RESULTS_BY_CUSTOM_CRITERIA ||
         results.count != nullptr;
}

void SearchOnPlayer(CRemoteExecutor& executor, int id, CRemoteAction& action) {
  const SearchResults results(action);
  CPlayerBase* player = executor.SubDevicePlayer(action);
  if (player == nullptr) {
    action.SetResult(kBadTarget, kInvalidSubDevice);
    return;
  }
  if (!HasRequiredResults(id, results)) {
    SetOk(action);
    return;
  }
  const char* failure = nullptr;
  const int result = RunSearch(*player, id, action, results, failure);
  SetPlayerOutcome(action, result, failure);
}

// The artist index (flag set: artists with their song counts) or the album index (album and artist
// pairs with their counts), both selected by the leading text of SearchCriteria ("@" all, "9" the names
// before "A"). The database quotes the text into its pattern, so any character a peer sends is matched
// as itself.
void ArtistAlbumIndex(CRemoteExecutor& executor, CRemoteAction& action) {
  const bool byArtist = ArgumentFlag(action, "SearchByArtistFlag");
  const CString criteria = HasArgument(action, "SearchCriteria") ? ArgumentText(action, "SearchCriteria") : "@";
  CActionArgument* texts = ResultArgument(action, "SearchResultsText", false);
  CActionArgument* artists = ResultArgument(action, "SearchArtistsText", false);
  CActionArgument* counts = ResultArgument(action, "SearchArtistCount", false);
  CActionArgument* total = ResultArgument(action, "SearchResultsCount", false);
  tQHDb* database = executor.SongDatabase();
  if (texts == nullptr || artists == nullptr || counts == nullptr || total == nullptr || database == nullptr) {
    SetOk(action);
    return;
  }
  LONG groups = 0;
  if (database->OpenCategoryCounts(byArtist ? 3 : 5, criteria) >= 0) {
    CString album, artist;
    LONG count = 0;
    while (byArtist ? database->NextCategoryCount(artist, count) > 0
                    : database->NextAlbumArtistCount(album, artist, count) > 0) {
      AppendResultString(*texts, byArtist ? artist : album);
      AppendResultString(*artists, artist);
      AppendResultI4(*counts, count);
      ++groups;
    }
  }
  database->CloseCategoryCounts();
  total->SetI4(groups);
  SetOk(action);
}

}  // namespace

ActionEnd ExecuteSearchAction(CRemoteExecutor& executor, int id, CRemoteAction& action) {
  if (id < ACTION_SEARCH_RESULTS_SCROLL_TO_INDEX || id > ACTION_SEARCH_RESULTS_BY_ARTIST_ALBUM)
    return ActionEnd::NotHandled;
  if (id == ACTION_SEARCH_RESULTS_BY_ARTIST_ALBUM)
    ArtistAlbumIndex(executor, action);
  else
    SearchOnPlayer(executor, id, action);
  return ActionEnd::Finished;
}
