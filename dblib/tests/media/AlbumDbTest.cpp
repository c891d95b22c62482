// The album-information database through its four stored queries, on a file of our own schema.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "dblib/AlbumDb.h"
#include "platform/ui/MessageBox.h"
#include "dblib/DaoStep.h"
#include "dblib/tests/media/AlbumDbFixture.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/dao/Dao.h"

namespace qh::dblib::media_testing {
namespace {

constexpr const char* kAlbumFile = "C:\\Quaverhouse\\vezevavov.fdb";

class AlbumDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse"));
    // Every message box the album database shows, its own texts and the engine errors alike.
    qh::ui::SetMessageBoxLogHook([this](const qh::ui::MessageBoxRequest& box) {
      EXPECT_EQ(static_cast<UINT>(MB_ICONSTOP), box.type & MB_ICONSTOP);
      shown.push_back(box.text);
    });
  }
  void TearDown() override {
    qh::ui::SetMessageBoxLogHook(nullptr);
    qh::dblib::SetDaoStepFault({});
  }

  qh::testing::TestSandbox sandbox;
  std::vector<std::string> shown;
};

TEST_F(AlbumDbTest, MissingFileLeavesTheLookupUnavailableSilently) {
  tQHFRDb albums;
  EXPECT_EQ(0, albums.Open(kAlbumFile, TRUE, TRUE));
  EXPECT_TRUE(shown.empty());
  EXPECT_FALSE(albums.IsOpen());
  EXPECT_EQ(-1, albums.CountDiscID(kThreeAlbumDisc));
  EXPECT_EQ(0, albums.OpenAlbumInfo(kThreeAlbumDisc));
  BYTE number = 9;
  CString t1, t2, t3;
  SHORT year = 0;
  COleDateTime date;
  EXPECT_EQ(0, albums.NextAlbumInfo(number, t1, t2, t3, year, date));
  EXPECT_EQ(0, albums.GetAlbumInfo(kThreeAlbumDisc, 1, t1, t2, t3, year, date));
  EXPECT_EQ(0, albums.OpenTrackInfo(kOneAlbumDisc, 1));
  CString title;
  EXPECT_EQ(0, albums.NextTrackInfo(number, title));
  EXPECT_EQ(9, number);
}

TEST_F(AlbumDbTest, VersionMustBe27) {
  struct Case {
    const char* version;
    int expected;
  } cases[] = {{"2.70", 1}, {"2.7", 1}, {"2.8", 0}, {"04.00", 0}};
  for (const Case& c : cases) {
    std::filesystem::remove(sandbox.HostPath("C/Quaverhouse/vezevavov.fdb"));
    CreateAlbumDatabase(kAlbumFile, c.version);
    shown.clear();
    tQHFRDb albums;
    EXPECT_EQ(c.expected, albums.Open(kAlbumFile, TRUE, TRUE)) << c.version;
    EXPECT_EQ(c.expected == 1, albums.IsOpen()) << c.version;
    if (c.expected == 1) {
      EXPECT_TRUE(shown.empty());
      EXPECT_DOUBLE_EQ(2.7, albums.GetDatabaseVersion());
    } else {
      ASSERT_EQ(1u, shown.size()) << c.version;
      EXPECT_EQ(tQHFRDb::kMessageTexts[1], shown[0]);
    }
  }
}

TEST_F(AlbumDbTest, FileThatIsNoDatabaseIsReported) {
  qh::testing::WriteHostFile(sandbox.HostPath("C/Quaverhouse/vezevavov.fdb"), std::string(4096, 'x'));
  tQHFRDb albums;
  EXPECT_EQ(0, albums.Open(kAlbumFile, TRUE, TRUE));
  ASSERT_EQ(1u, shown.size());
  EXPECT_NE(shown[0].find("corrupted"), std::string::npos) << shown[0];
}

class OpenAlbumDbTest : public AlbumDbTest {
 protected:
  void SetUp() override {
    AlbumDbTest::SetUp();
    CreateAlbumDatabase(kAlbumFile);
    ASSERT_EQ(1, albums.Open(kAlbumFile, TRUE, TRUE));
  }
  tQHFRDb albums;
};

TEST_F(OpenAlbumDbTest, DiscWithThreeAlbums) {
  EXPECT_EQ(3, albums.CountDiscID(kThreeAlbumDisc));
  EXPECT_EQ(1, albums.CountDiscID(kOneAlbumDisc));
  EXPECT_EQ(0, albums.CountDiscID(0x0BADF00D));
  ASSERT_EQ(1, albums.OpenAlbumInfo(kThreeAlbumDisc));
  struct Row {
    BYTE number;
    std::string title, artist, genre;
    SHORT year;
    std::string date;
  };
  std::vector<Row> rows;
  BYTE number = 0;
  CString title, artist, genre;
  SHORT year = -1;
  COleDateTime date;
  while (albums.NextAlbumInfo(number, title, artist, genre, year, date) == 1)
    rows.push_back({number, title.str(), artist.str(), genre.str(), year, date.Format("%Y-%m-%d").str()});
  EXPECT_EQ(0, albums.NextAlbumInfo(number, title, artist, genre, year, date));
  albums.CloseAlbumInfo();
  EXPECT_EQ(0, albums.NextAlbumInfo(number, title, artist, genre, year, date));
  ASSERT_EQ(3u, rows.size());
  EXPECT_EQ(1, rows[0].number);
  EXPECT_EQ("First Pressing", rows[0].title);
  EXPECT_EQ("The Band", rows[0].artist);
  EXPECT_EQ("Rock", rows[0].genre);
  EXPECT_EQ(1987, rows[0].year);
  EXPECT_EQ("1987-05-01", rows[0].date);
  // A null column leaves its output as it was: the year of the row before.
  EXPECT_EQ(2, rows[1].number);
  EXPECT_EQ(1987, rows[1].year);
  EXPECT_EQ("2001-06-02", rows[1].date);
  EXPECT_EQ("Caf\xE9 Live", rows[2].title);
  EXPECT_EQ("Band & Friends", rows[2].artist);
  EXPECT_EQ(1999, rows[2].year);
  EXPECT_EQ("2001-06-02", rows[2].date);
}

TEST_F(OpenAlbumDbTest, AlbumDetailsAndTracks) {
  CString title, artist, genre;
  SHORT year = 0;
  COleDateTime date;
  EXPECT_EQ(1, albums.GetAlbumInfo(kOneAlbumDisc, 1, title, artist, genre, year, date));
  EXPECT_EQ("Single", title.str());
  EXPECT_EQ("Solo", artist.str());
  EXPECT_EQ("Pop", genre.str());
  EXPECT_EQ(2004, year);
  EXPECT_EQ("2004-12-31", date.Format("%Y-%m-%d").str());
  title = "unchanged";
  EXPECT_EQ(0, albums.GetAlbumInfo(kOneAlbumDisc, 2, title, artist, genre, year, date));
  EXPECT_EQ("unchanged", title.str());

  ASSERT_EQ(1, albums.OpenTrackInfo(kOneAlbumDisc, 1));
  std::vector<std::pair<int, std::string>> tracks;
  BYTE track = 0;
  CString name;
  while (albums.NextTrackInfo(track, name) == 1) tracks.emplace_back(track, name.str());
  albums.CloseTrackInfo();
  const std::vector<std::pair<int, std::string>> expected = {{1, "Intro"}, {2, "It's Here"}, {3, "Middle"}, {4, "Outro"}};
  EXPECT_EQ(expected, tracks);
  EXPECT_EQ(1, albums.OpenTrackInfo(kThreeAlbumDisc, 1));
  EXPECT_EQ(0, albums.NextTrackInfo(track, name));
}

// The album detail shares the list's recordset and closes it.
TEST_F(OpenAlbumDbTest, DetailClosesTheAlbumList) {
  ASSERT_EQ(1, albums.OpenAlbumInfo(kThreeAlbumDisc));
  CString title, artist, genre;
  SHORT year;
  COleDateTime date;
  BYTE number;
  EXPECT_EQ(1, albums.GetAlbumInfo(kThreeAlbumDisc, 3, title, artist, genre, year, date));
  EXPECT_EQ(0, albums.NextAlbumInfo(number, title, artist, genre, year, date));
  ASSERT_EQ(1, albums.OpenAlbumInfo(kThreeAlbumDisc));
  EXPECT_EQ(1, albums.NextAlbumInfo(number, title, artist, genre, year, date));
}

CDaoException* EngineError(long code) {
  return new CDaoException(code, "injected", "test");
}

TEST_F(OpenAlbumDbTest, Error3075IsRetriedFiveTimesThenReported) {
  int faults = 0;
  qh::dblib::SetDaoStepFault([&] {
    if (faults++ < 5) throw EngineError(3075);
  });
  EXPECT_EQ(3, albums.CountDiscID(kThreeAlbumDisc));
  EXPECT_TRUE(shown.empty());
  faults = 0;
  qh::dblib::SetDaoStepFault([&] {
    ++faults;
    throw EngineError(3075);
  });
  EXPECT_EQ(-1, albums.CountDiscID(kThreeAlbumDisc));
  EXPECT_EQ(6, faults);
  ASSERT_EQ(1u, shown.size());
  EXPECT_NE(shown[0].find("[3075]"), std::string::npos) << shown[0];
  qh::dblib::SetDaoStepFault([] { throw EngineError(3021); });
  EXPECT_EQ(0, albums.OpenAlbumInfo(kThreeAlbumDisc));
  EXPECT_EQ(2u, shown.size());
}

TEST_F(OpenAlbumDbTest, CloseForgetsEverything) {
  ASSERT_EQ(1, albums.OpenAlbumInfo(kThreeAlbumDisc));
  albums.Close();
  EXPECT_FALSE(albums.IsOpen());
  EXPECT_EQ(-1, albums.CountDiscID(kThreeAlbumDisc));
  ASSERT_EQ(1, albums.Open(kAlbumFile, TRUE, TRUE));
  EXPECT_EQ(3, albums.CountDiscID(kThreeAlbumDisc));
}

}  // namespace
}  // namespace qh::dblib::media_testing
