// The where texts of the search and the finder, the sorts, and the small parsers the dialogs share.
#include <gtest/gtest.h>

#include "recorder/SongCriteria.h"

namespace {

TEST(SongCriteria, SearchWhereJoinsCriteriaInTheirOrder) {
  struct Case {
    tSearchCriteria criteria;
    const char* where;
  } cases[] = {
      {{}, ""},
      {{.name = "Love"}, "WHERE SongName like '*Love*'"},
      {{.name = "O'Brien"}, "WHERE SongName like '*O''Brien*'"},
      {{.artist = "50% [live]*?#"}, "WHERE SongArtist like '*50% [[]live][*][?][#]*'"},
      {{.genre = "*ALL*", .rotation = "*ALL*"}, ""},
      {{.name = "a", .artist = "b", .genre = "Rock 'n' Roll", .rotation = "HOT"},
       "WHERE SongName like '*a*' And B.SongGenre = 'Rock ''n'' Roll'  And SongRotationCode = 'HOT' And SongArtist "
       "like '*b*'"},
      {{.album = "x", .label = "y", .attributes = "z", .comments = "w"},
       "WHERE SongAlbumName like '*x*' And SongLabel like '*y*' And SongAttributes like '*z*' And SongComments like "
       "'*w*'"},
      {{.years = "1985"}, "WHERE (SongDate >= #1/1/1985# And SongDate < #1/1/1986#)"},
      {{.years = "1980-1990"}, "WHERE (SongDate >= #1/1/1980# And SongDate < #1/1/1991#)"},
      {{.years = "1990-x"}, "WHERE (SongDate >= #1/1/1990# And SongDate < #1/1/1991#)"},
  };
  for (const Case& c : cases) {
    bool badYears = true;
    EXPECT_EQ(c.where, BuildSearchWhere(c.criteria, badYears).str());
    EXPECT_FALSE(badYears);
  }
}

TEST(SongCriteria, YearsWithoutAFirstYearAreRefused) {
  for (const char* years : {"abc", "-1985", "0", "0-1990"}) {
    bool badYears = false;
    tSearchCriteria criteria{.name = "x", .years = years};
    EXPECT_EQ("", BuildSearchWhere(criteria, badYears).str()) << years;
    EXPECT_TRUE(badYears) << years;
  }
}

TEST(SongCriteria, FinderWhere) {
  EXPECT_EQ("WHERE SongName like '*a*' And B.SongGenre = 'Jazz'  And SongArtist like '*O''Brien*' And SongAlbumName "
            "like '*c*'",
            BuildFinderWhere("a", "Jazz", "O'Brien", "c").str());
  EXPECT_EQ("", BuildFinderWhere("", "*ALL*", "", "").str());
}

TEST(SongCriteria, SortsAndColumnOrdersStartWithABlank) {
  EXPECT_STREQ(" Order By A.SongArtist, A.SongName", SearchSort(0).order);
  EXPECT_STREQ("Sorted by Genre, Artist, Album and Track", SearchSort(3).description);
  EXPECT_STREQ(SearchSort(0).order, SearchSort(-1).order);
  for (int column = 0; column < 6; ++column) EXPECT_EQ(' ', ColumnOrder(column)[0]) << column;
  EXPECT_STREQ(" ORDER BY A.SongID", ColumnOrder(5));
}

TEST(SongCriteria, SongDatesAreShownAndReadInOneForm) {
  COleDateTime date;
  ASSERT_TRUE(ParseSongDate("03/04/2004", date));
  EXPECT_EQ(3, date.GetMonth());
  EXPECT_EQ(4, date.GetDay());
  EXPECT_EQ("03/04/2004", FormatSongDate(date).str());
  ASSERT_TRUE(ParseSongDate("12/31/1999", date));
  EXPECT_EQ("12/31/1999", FormatSongDate(date).str());
  for (const char* bad : {"13/45/2001", "", "02/30/2001", "1/2/3", "2001-03-04", "03/04/2004x"})
    EXPECT_FALSE(ParseSongDate(bad, date)) << bad;
}

TEST(SongCriteria, LengthsAndRunningTimes) {
  EXPECT_EQ(205500, SongLengthMilliseconds("03:25.500"));
  EXPECT_EQ(0, SongLengthMilliseconds(""));
  EXPECT_EQ(5000, SongLengthMilliseconds("xx:05.000"));
  EXPECT_EQ("00:10:16", FormatRunningTime(3 * 205500).str());
  EXPECT_EQ("02:00:01", FormatRunningTime(7201999).str());
}

TEST(SongCriteria, NamesAndFileNames) {
  for (const char* bad : {"a<b", "a>b", "a&b", "O'Brien", "a|b", "Rock/Pop?", "a*", "say \"hi\""})
    EXPECT_TRUE(HasForbiddenCharacter(bad)) << bad;
  EXPECT_FALSE(HasForbiddenCharacter("Rock/Pop"));
  EXPECT_EQ("AC_DC__Live_", ExportFileName("AC/DC: Live!").str());
  EXPECT_EQ("____etc", ExportFileName("..\\/etc").str());
}

}  // namespace
