// The query texts of the loaders, searches and the custom criteria.
#include <gtest/gtest.h>

#include "jukebox/player/SongQueryText.h"
#include "jukebox/player/ShuffleRandom.h"

using namespace qh::player;

namespace {

struct QueryCase {
  const char* name;
  CString text;
  const char* expected;
};

TEST(SongQueryText, LoaderAndSearchTexts) {
  const QueryCase cases[] = {
      {"genre by name", GenreQuery("O'Brien's", false),
       "Where Exists (Select * From SongGenre B Where B.SongID = A.SongID And B.SongGenre = 'O''Brien''s')  "
       "Order by A.SongName "},
      {"genre by album", GenreQuery("Rock", true),
       "Where Exists (Select * From SongGenre B Where B.SongID = A.SongID And B.SongGenre = 'Rock')  "
       "Order by A.SongAlbumName, A.SongCdTrack "},
      {"playlist", PlaylistQuery("Party"),
       ", PlaylistDetail B Where A.SongID = B.SongID And B.PlaylistName = 'Party' Order by B.PlaylistSequenceNum "},
      // An equality keeps the pattern characters: the stored "Why?" is found.
      {"artist keeps ? and *", ArtistQuery("Why? *|", false), "Where A.SongArtist = 'Why? *|'  Order by A.SongName "},
      {"album name", AlbumNameQuery("Blue"), "Where A.SongAlbumName = 'Blue' Order by A.SongCdTrack, A.SongName "},
      {"album and artist", AlbumQuery("Blue", "Jo's"),
       "Where A.SongAlbumName = 'Blue' And A.SongArtist = 'Jo''s' Order by A.SongCdTrack, A.SongName "},
      {"album search", AlbumSearchQuery("Blue", "Jo"),
       "Where A.SongAlbumName = 'Blue' And A.SongArtist = 'Jo'  Order by A.SongCdTrack "},
  };
  for (const QueryCase& c : cases) EXPECT_EQ(std::string(c.expected), c.text.str()) << c.name;
}

TEST(SongQueryText, CustomCriteria) {
  const QueryCase cases[] = {
      {"nothing: every song", CustomCriteriaQuery("", "", "", "", ""), " Order By A.SongName "},
      {"name and artist", CustomCriteriaQuery("Love", "Ann", "", "", ""),
       " Where A.SongName Like '*Love*'  And A.SongArtist Like '*Ann*'  Order By A.SongName "},
      // Pattern characters of a Like are bracketed, so they match themselves.
      {"like escapes", CustomCriteriaQuery("[a]#1?*", "", "", "", ""),
       " Where A.SongName Like '*[[]a][#]1[?][*]*'  Order By A.SongName "},
      {"year range", CustomCriteriaQuery("", "", "", "1990-1995", ""),
       " Where  (SongDate  between #1/1/1990# And #12/31/1995#)  Order By A.SongName "},
      {"one year", CustomCriteriaQuery("", "", "", "1990", ""),
       " Where  (SongDate  between #1/1/1990# And #12/31/1990#)  Order By A.SongName "},
      // A years text without a year adds nothing (no broken clause).
      {"bad years", CustomCriteriaQuery("", "", "", "abc", ""), " Order By A.SongName "},
      {"dash first", CustomCriteriaQuery("", "", "", "-1995", ""), " Order By A.SongName "},
      {"zero", CustomCriteriaQuery("", "", "", "0", ""), " Order By A.SongName "},
      {"album and genre", CustomCriteriaQuery("", "", "Hits", "", "Pop"),
       " Where A.SongAlbumName Like '*Hits*'  And Exists (Select * From SongGenre B Where B.SongID = A.SongID "
       "And B.SongGenre = 'Pop')  Order By A.SongName "},
  };
  for (const QueryCase& c : cases) EXPECT_EQ(std::string(c.expected), c.text.str()) << c.name;
}

TEST(ShuffleRandom, FifteenBitValuesAndClampedIndexes) {
  CShuffleRandom a, b;
  a.Seed(42);
  b.Seed(42);
  for (int i = 0; i < 1000; ++i) {
    const int value = a.Next();
    EXPECT_EQ(value, b.Next());
    ASSERT_GE(value, 0);
    ASSERT_LE(value, 32767);
  }
  // The largest draw would give the count itself.
  EXPECT_EQ(258, CShuffleRandom::IndexOf(259, 32767));
  EXPECT_EQ(0, CShuffleRandom::IndexOf(1, 32767));
  EXPECT_EQ(0, CShuffleRandom::IndexOf(259, 0));
  EXPECT_EQ(129, CShuffleRandom::IndexOf(259, 16400));
  EXPECT_EQ(0, CShuffleRandom::IndexOf(0, 100));
}

}  // namespace
