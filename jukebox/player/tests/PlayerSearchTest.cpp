// Searches answer a count and a page, keep the result pending for paging and for LoadAllPending.
#include "jukebox/player/tests/PlayerDbFixture.h"
#include "netlib/ValueNode.h"
#include "platform/dao/Dao.h"

namespace jukebox::player_testing {
namespace {

using Search = PlayerDbTest;

struct Page {
  CValueNode texts, ids, count;
  std::string Text(int i) { return texts.GetChild(i)->GetString().str(); }
  LONG Id(int i) { return ids.GetChild(i)->GetI4(); }
};

TEST_F(Search, GenreSearchGivesCountAndPageAndStaysPending) {
  const LONG a = AddSong("Alpha", "Ann", "", "Jazz"), b = AddSong("Beta", "Bob", "", "Jazz");
  const LONG c = AddSong("Gamma", "Cy", "", "Jazz");
  AddSong("Delta", "Di", "", "Rock");
  Page page;
  ASSERT_EQ(0, player->SearchByGenre("Jazz", false, 10, &page.texts, &page.ids, &page.count));
  EXPECT_EQ(3, page.count.GetI4());
  ASSERT_EQ(3, page.texts.GetItemCount());
  EXPECT_EQ("Alpha (Ann)", page.Text(0));
  EXPECT_EQ((std::vector<LONG>{a, b, c}), (std::vector<LONG>{page.Id(0), page.Id(1), page.Id(2)}));
  EXPECT_TRUE(player->HasPendingResult());
  EXPECT_EQ("GENRE: Jazz", player->GetSelectionName().str());
  EXPECT_EQ(0, player->GetSongCount());  // the queue is not touched

  Page scrolled;
  ASSERT_EQ(0, player->ScrollSearchResults(1, 5, &scrolled.texts, &scrolled.ids));
  ASSERT_EQ(2, scrolled.ids.GetItemCount());
  EXPECT_EQ(b, scrolled.Id(0));
  Page beyond;
  EXPECT_EQ(1, player->ScrollSearchResults(7, 5, &beyond.texts, &beyond.ids));
  EXPECT_EQ(1, app.CountLines("Error: Positioning error scrolling search results"));

  // The pending result loads whole into the queue, and its first song plays.
  EXPECT_EQ(0, player->LoadAllPending());
  PumpUntil([&] { return !player->IsLoading(); });
  EXPECT_EQ((std::vector<LONG>{a, b, c}), QueueIds());
  EXPECT_EQ(std::vector<LONG>{a}, player->played);
}

TEST_F(Search, RowCountZeroWritesOnlyTheCount) {
  AddSong("Alpha", "Ann");
  Page page;
  ASSERT_EQ(0, player->SearchByArtist("Ann", false, 0, &page.texts, &page.ids, &page.count));
  EXPECT_EQ(1, page.count.GetI4());
  EXPECT_EQ(0, page.texts.GetItemCount());
}

TEST_F(Search, ASearchDuringALoadEndsTheLoadAndKeepsItsResult) {
  AddManySongs(60, "Ann");
  const LONG b = AddSong("Solo", "Bob");
  ASSERT_EQ(0, player->LoadByArtist("Ann", false));
  Page page;
  ASSERT_EQ(0, player->SearchByArtist("Bob", false, 0, &page.texts, &page.ids, &page.count));
  PumpFor(std::chrono::milliseconds(150));
  // No batch of the load ran on the search's cursor.
  EXPECT_EQ(25, player->GetSongCount());
  Page scrolled;
  ASSERT_EQ(0, player->ScrollSearchResults(0, 5, &scrolled.texts, &scrolled.ids));
  ASSERT_EQ(1, scrolled.ids.GetItemCount());
  EXPECT_EQ(b, scrolled.Id(0));
}

TEST_F(Search, PagingWithoutAResultLogsAndFails) {
  Page page;
  EXPECT_EQ(1, player->ScrollSearchResults(0, 5, &page.texts, &page.ids));
  EXPECT_EQ(1, app.CountLines("Error: Cursor not open when scrolling search results"));
}

TEST_F(Search, CustomCriteriaMatchLiterallyAndByYears) {
  const LONG bracket = AddSong("Love [Live]", "Ann");
  AddSong("Love Live", "Ann");
  Page page;
  ASSERT_EQ(0, player->SearchByCustomCriteria("[Live]", "", "", "", "", 10, &page.texts, &page.ids, &page.count));
  EXPECT_EQ(1, page.count.GetI4());
  EXPECT_EQ(bracket, page.Id(0));
  EXPECT_EQ("CUSTOM SEARCH", player->GetSelectionName().str());

  db.GetDatabase()->Execute("Update Songs Set SongDate = #6/1/1992# Where SongName = 'Love Live'", dbFailOnError);
  Page years;
  ASSERT_EQ(0, player->SearchByCustomCriteria("", "", "", "1990-1995", "", 10, &years.texts, &years.ids,
                                             &years.count));
  EXPECT_EQ(1, years.count.GetI4());
  EXPECT_EQ("Love Live (Ann)", years.Text(0));
  // A years text without a year searches without a date range instead of failing.
  Page bad;
  ASSERT_EQ(0, player->SearchByCustomCriteria("", "", "", "abc", "", 10, &bad.texts, &bad.ids, &bad.count));
  EXPECT_EQ(2, bad.count.GetI4());
  EXPECT_EQ(0, app.CountLines("OpenSongCursor"));
}

TEST_F(Search, CurrentPlaylistPages) {
  const LONG a = AddSong("A", "Ann"), b = AddSong("B", "Ann");
  ASSERT_EQ(0, player->LoadByArtist("Ann", false));
  PumpUntil([&] { return !player->IsLoading(); });
  Page page;
  player->GetCurrentPlaylist(1, 5, &page.texts, &page.ids, &page.count);
  EXPECT_EQ(2, page.count.GetI4());
  ASSERT_EQ(1, page.ids.GetItemCount());
  EXPECT_EQ(b, page.Id(0));
  Page beyond;
  player->GetCurrentPlaylist(9, 5, &beyond.texts, &beyond.ids, &beyond.count);
  EXPECT_EQ(0, beyond.ids.GetItemCount());
  EXPECT_EQ(2, beyond.count.GetI4());
  (void)a;
}

}  // namespace
}  // namespace jukebox::player_testing
