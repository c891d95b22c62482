// The playlist editor: the songs of a saved playlist in order with their running time, moved and
// deleted as a user does, saved in one transaction and read back from the database.
#include "jukebox/app/dialogs/EditPlaylistDlg.h"
#include "jukebox/app/dialogs/JukeboxZoneDialogs.h"
#include "jukebox/app/dialogs/tests/MediaDialogsTestSupport.h"

namespace media_dialogs_test {
namespace {

class EditPlaylistDlgTest : public MediaDialogsTest {
 protected:
  void SetUp() override {
    MediaDialogsTest::SetUp();
    a = AddSong({.name = "Alpha", .artist = "One", .length = "03:30.500"});
    b = AddSong({.name = "Bravo", .artist = "Two", .genre = "Jazz", .length = "01:29.500"});
    c = AddSong({.name = "Charlie", .artist = "Three", .length = "0x:1y.zzz"});
    ASSERT_EQ(database_.AddSongToPlaylist("Rock 'n' Roll", a), 1);
    ASSERT_EQ(database_.AppendPlaylistSong("Rock 'n' Roll", b), 1);
    ASSERT_EQ(database_.AppendPlaylistSong("Rock 'n' Roll", c), 1);
  }
  LONG a = 0, b = 0, c = 0;
  CJukeboxZoneDialogs runner_;
};

TEST(EditPlaylistLengths, LengthTextsAndTotals) {
  EXPECT_EQ(SongLengthToMilliseconds("03:30.500"), 210500);
  EXPECT_EQ(SongLengthToMilliseconds("01:29.500"), 89500);
  EXPECT_EQ(SongLengthToMilliseconds("0x:1y.zzz"), 0);
  EXPECT_EQ(SongLengthToMilliseconds("03:3"), 180000);
  EXPECT_EQ(FormatTotalRunningTime(210500 + 89500).str(), "Total Running Time: 00:05:00");
  EXPECT_EQ(FormatTotalRunningTime(3723999).str(), "Total Running Time: 01:02:03");
}

TEST_F(EditPlaylistDlgTest, ShowsTheSongsInOrderAndSavesTheNewOrder) {
  OnDialog(CEditPlaylistDlg::IDD, [](CDialog& dialog) {
    CString caption;
    dialog.GetWindowText(caption);
    EXPECT_EQ(caption.str(), "Edit Playlist [Rock 'n' Roll]");
    EXPECT_EQ(RowsOf(dialog, CEditPlaylistDlg::kList, 4),
              (std::vector<std::vector<std::string>>{{"Alpha", "One", "Rock", "03:30.500"},
                                                     {"Bravo", "Two", "Jazz", "01:29.500"},
                                                     {"Charlie", "Three", "Rock", "0x:1y.zzz"}}));
    EXPECT_EQ(TextOf(dialog, CEditPlaylistDlg::kTotal), "Total Running Time: 00:05:00");
    EXPECT_FALSE(IsEnabled(dialog, IDOK));
    ClickRow(dialog, CEditPlaylistDlg::kList, 0);
    Click(dialog, CEditPlaylistDlg::kMoveUp);  // the top row stays
    EXPECT_FALSE(IsEnabled(dialog, IDOK));
    ClickRow(dialog, CEditPlaylistDlg::kList, 2);
    Click(dialog, CEditPlaylistDlg::kMoveDown);  // the bottom row stays
    EXPECT_FALSE(IsEnabled(dialog, IDOK));
    Click(dialog, CEditPlaylistDlg::kMoveUp);  // Charlie above Bravo
    EXPECT_TRUE(IsEnabled(dialog, IDOK));
    ClickRow(dialog, CEditPlaylistDlg::kList, 2);
    Click(dialog, CEditPlaylistDlg::kDelete);  // Bravo
    EXPECT_EQ(TextOf(dialog, CEditPlaylistDlg::kTotal), "Total Running Time: 00:03:30");
    Click(dialog, IDOK);
  });
  runner_.EditPlaylist(nullptr, "Rock 'n' Roll");
  EXPECT_EQ(PlaylistSongs("Rock 'n' Roll"), (std::vector<LONG>{a, c}));
}

TEST_F(EditPlaylistDlgTest, CancelAfterAChangeAsksAndNoKeepsTheStoredPlaylist) {
  OnDialog(CEditPlaylistDlg::IDD, [](CDialog& dialog) {
    Click(dialog, CEditPlaylistDlg::kMoveDown);
    Click(dialog, IDCANCEL);
  });
  AnswerBoxes({IDNO});
  runner_.EditPlaylist(nullptr, "Rock 'n' Roll");
  ASSERT_EQ(boxTexts.size(), 1u);
  EXPECT_NE(boxTexts[0].find("Changes have been made to the playlist."), std::string::npos);
  EXPECT_EQ(PlaylistSongs("Rock 'n' Roll"), (std::vector<LONG>{a, b, c}));
}

TEST_F(EditPlaylistDlgTest, CancelWithoutChangesAsksNothingAndYesSavesAnEmptiedPlaylist) {
  OnDialog(CEditPlaylistDlg::IDD, [](CDialog& dialog) { Click(dialog, IDCANCEL); });
  runner_.EditPlaylist(nullptr, "Rock 'n' Roll");
  EXPECT_TRUE(boxTexts.empty());
  OnDialog(CEditPlaylistDlg::IDD, [](CDialog& dialog) {
    for (int i = 0; i < 3; ++i) {
      ClickRow(dialog, CEditPlaylistDlg::kList, 0);
      Click(dialog, CEditPlaylistDlg::kDelete);
    }
    EXPECT_EQ(TextOf(dialog, CEditPlaylistDlg::kTotal), "Total Running Time: 00:00:00");
    Click(dialog, IDCANCEL);
  });
  AnswerBoxes({IDYES});
  runner_.EditPlaylist(nullptr, "Rock 'n' Roll");
  EXPECT_TRUE(PlaylistSongs("Rock 'n' Roll").empty());
}

}  // namespace
}  // namespace media_dialogs_test
