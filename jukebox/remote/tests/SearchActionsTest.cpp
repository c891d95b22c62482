// Search-result actions: pages of a zone's search, paging through it, and the artist and album index read
// straight from the song database with the peer's text matched as itself.
#include <gtest/gtest.h>

#include "dblib/QHDb.h"
#include "jukebox/remote/tests/ActionTestSupport.h"

namespace remote_test {
namespace {

using Rows = std::vector<std::string>;

class SearchActions : public JukeboxActions {
 protected:
  static std::vector<Arg> WithResults(std::vector<Arg> args) {
    for (const char* name : {"SearchResultsText", "SearchResultsID", "SearchResultsCount"}) args.push_back(Out(name));
    return args;
  }
};

struct SearchCase {
  const char* action;
  std::vector<Arg> args;
  Rows texts;
  Rows ids;
  const char* count;
};

TEST_F(SearchActions, SearchesAnswerOnePageAndTheirCount) {
  const SearchCase cases[] = {
      {"SearchResultsByArtist", {In("Artist", "Ada Brook"), In("RowCount", "1")}, {"Blue Harbour (Ada Brook)"}, {"1"}, "2"},
      {"SearchResultsByGenre", {In("Genre", "Rock")}, {"Bright Morning (Bela Quint)", "Dust Road (Bela Quint)"},
       {"3", "4"}, "2"},
      {"SearchResultsByGenre", {In("Genre", "Rock"), In("SortByAlbum", "1")},
       {"Dust Road (Bela Quint)", "Bright Morning (Bela Quint)"}, {"4", "3"}, "2"},
      {"SearchResultsByAlbum", {In("Album", "O'Brien Sessions"), In("Artist", "Bela Quint")},
       {"Bright Morning (Bela Quint)"}, {"3"}, "1"},
      {"SearchResultsByCustomCriteria", {In("Artist", "Cora Vale"), In("RowCount", "5")},
       {"Echo Hill (Cora Vale)", "Fern Light (Cora Vale)"}, {"5", "6"}, "2"},
      {"SearchResultsByGenre", {In("Genre", "Polka")}, {}, {}, "0"},
  };
  for (const SearchCase& c : cases) {
    const Outcome outcome = Run(c.action, 1, WithResults(c.args));
    EXPECT_EQ(outcome.code, 0) << c.action;
    EXPECT_EQ(outcome.message, "OK") << c.action;
    EXPECT_EQ(outcome.List("SearchResultsText"), c.texts) << c.action;
    EXPECT_EQ(outcome.List("SearchResultsID"), c.ids) << c.action;
    EXPECT_EQ(outcome.Value("SearchResultsCount"), c.count) << c.action;
  }
  // A search only shows rows: the zone plays and queues nothing.
  EXPECT_EQ(Zone(1).GetSongCount(), 0);
  EXPECT_EQ(Zone(1).GetState(), PLAYER_STOPPED);
}

TEST_F(SearchActions, PagingWalksTheHeldSearch) {
  ASSERT_EQ(Run("SearchResultsByPlaylist", 0, WithResults({In("Playlist", "None")})).code, 0);
  ASSERT_EQ(Run("SearchResultsByCustomCriteria", 0,
                {Out("SearchResultsText"), Out("SearchResultsID"), In("RowCount", "2")}).code, 0);
  // Without RowIndex and RowCount: rows 0 to 4 of the six songs.
  Outcome outcome = Run("SearchResultsScrollToIndex", 0, {Out("SearchResultsText"), Out("SearchResultsID")});
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.List("SearchResultsID"), (Rows{"1", "3", "2", "4", "5"}));
  outcome = Run("SearchResultsScrollToIndex", 0,
                {In("RowIndex", "4"), In("RowCount", "9"), Out("SearchResultsText"), Out("SearchResultsID")});
  EXPECT_EQ(outcome.List("SearchResultsText"), (Rows{"Echo Hill (Cora Vale)", "Fern Light (Cora Vale)"}));
  // Another zone holds no search to page through.
  outcome = Run("SearchResultsScrollToIndex", 2, {Out("SearchResultsText"), Out("SearchResultsID")});
  EXPECT_EQ(outcome.code, -2);
  EXPECT_EQ(outcome.message, "Error occurred when scrolling resultset");
}

TEST_F(SearchActions, MissingResultArgumentsRunNoSearchButABadZoneIsStillAnError) {
  // No count: the genre search is not run, so the zone holds no search afterwards.
  Outcome outcome = Run("SearchResultsByGenre", 0, {In("Genre", "Jazz"), Out("SearchResultsText"), Out("SearchResultsID")});
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(outcome.message, "OK");
  EXPECT_FALSE(Zone(0).HasPendingResult());
  EXPECT_EQ(Zone(0).GetSelectionName(), "");
  // The custom search runs without a count.
  outcome = Run("SearchResultsByCustomCriteria", 0, {In("Genre", "Jazz"), Out("SearchResultsText"), Out("SearchResultsID")});
  EXPECT_EQ(outcome.List("SearchResultsID"), (Rows{"1", "2"}));
  // Present as in arguments is enough: their direction plays no part.
  outcome = Run("SearchResultsByArtist", 0,
                {In("Artist", "Bela Quint"), In("SearchResultsText", ""), In("SearchResultsID", ""), In("SearchResultsCount", "")});
  EXPECT_EQ(outcome.code, 0);
  EXPECT_EQ(Zone(0).GetSelectionName(), "ARTIST: Bela Quint");
  for (const char* action : {"SearchResultsByGenre", "SearchResultsScrollToIndex", "SearchResultsByPlaylist"}) {
    outcome = Run(action, 3, {});
    EXPECT_EQ(outcome.code, -1) << action;
    EXPECT_EQ(outcome.message, "Invalid SubDevice") << action;
  }
}

struct IndexCase {
  const char* label;
  std::vector<Arg> args;
  Rows texts;
  Rows artists;
  Rows counts;
  const char* total;
};

TEST_F(SearchActions, ArtistAndAlbumIndexMatchesThePeersTextAsItself) {
  const IndexCase cases[] = {
      {"artists beginning with B", {In("SearchByArtistFlag", "Y"), In("SearchCriteria", "B")}, {"Bela Quint"},
       {"Bela Quint"}, {"2"}, "1"},
      {"all artists", {In("SearchByArtistFlag", "1"), In("SearchCriteria", "@")},
       {"Ada Brook", "Bela Quint", "Cora Vale"}, {"Ada Brook", "Bela Quint", "Cora Vale"}, {"2", "2", "2"}, "3"},
      {"all albums (no criteria)", {},
       {"100% Pure", "Dust", "Harbour Lights", "O'Brien Sessions"}, {"Cora Vale", "Bela Quint", "Ada Brook", "Bela Quint"},
       {"1", "1", "2", "1"}, "4"},
      {"albums before A", {In("SearchCriteria", "9")}, {"100% Pure"}, {"Cora Vale"}, {"1"}, "1"},
      {"apostrophe", {In("SearchCriteria", "O'B")}, {"O'Brien Sessions"}, {"Bela Quint"}, {"1"}, "1"},
      {"percent is no wildcard", {In("SearchCriteria", "100%")}, {"100% Pure"}, {"Cora Vale"}, {"1"}, "1"},
      {"star is no wildcard", {In("SearchCriteria", "*")}, {}, {}, {}, "0"},
      {"question mark is no wildcard", {In("SearchCriteria", "?ust")}, {}, {}, {}, "0"},
      {"bracket is no pattern", {In("SearchCriteria", "[DH]")}, {}, {}, {}, "0"},
      {"statement text", {In("SearchByArtistFlag", "Y"), In("SearchCriteria", "x' Or 'a'='a")}, {}, {}, {}, "0"},
      {"statement end", {In("SearchCriteria", "'; Delete From Songs; --")}, {}, {}, {}, "0"},
  };
  for (const IndexCase& c : cases) {
    std::vector<Arg> args = c.args;
    for (const char* name : {"SearchResultsText", "SearchArtistsText", "SearchArtistCount", "SearchResultsCount"})
      args.push_back(Out(name));
    const Outcome outcome = Run("SearchResultsByArtistAlbum", 7, args);  // no zone is needed
    EXPECT_EQ(outcome.code, 0) << c.label;
    EXPECT_EQ(outcome.message, "OK") << c.label;
    EXPECT_EQ(outcome.List("SearchResultsText"), c.texts) << c.label;
    EXPECT_EQ(outcome.List("SearchArtistsText"), c.artists) << c.label;
    EXPECT_EQ(outcome.List("SearchArtistCount"), c.counts) << c.label;
    EXPECT_EQ(outcome.Value("SearchResultsCount"), c.total) << c.label;
  }
  EXPECT_EQ(Db().CountSongs(""), 6);
  // Without all four result arguments nothing is read.
  const Outcome partial = Run("SearchResultsByArtistAlbum", 0, {Out("SearchResultsText"), Out("SearchResultsCount")});
  EXPECT_EQ(partial.code, 0);
  EXPECT_EQ(partial.message, "OK");
  EXPECT_TRUE(partial.List("SearchResultsText").empty());
  EXPECT_EQ(partial.Value("SearchResultsCount"), "*NONE*");
}

}  // namespace
}  // namespace remote_test
