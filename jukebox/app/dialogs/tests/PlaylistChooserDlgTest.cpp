// The saved-playlist chooser, the existing-playlist chooser and the search criteria form.
#include "jukebox/app/dialogs/ExistingPlaylistDlg.h"
#include "jukebox/app/dialogs/JukeboxZoneDialogs.h"
#include "jukebox/app/dialogs/PlaylistChooserDlg.h"
#include "jukebox/app/dialogs/SearchCriteriaDlg.h"
#include "jukebox/app/dialogs/tests/MediaDialogsTestSupport.h"

namespace media_dialogs_test {
namespace {

class PlaylistChooserDlgTest : public MediaDialogsTest {
 protected:
  CJukeboxZoneDialogs runner_;
};

TEST_F(PlaylistChooserDlgTest, ListsThePlaylistsWithTheirSizesAndLoadsTheChosenOne) {
  const LONG a = AddSong({.name = "A", .artist = "X"}), b = AddSong({.name = "B", .artist = "Y", .genre = "Jazz"});
  ASSERT_EQ(database_.AddSongToPlaylist("Evening", a), 1);
  ASSERT_EQ(database_.AppendPlaylistSong("Evening", b), 1);
  ASSERT_EQ(database_.AddSongToPlaylist("Morning", b), 1);
  OnDialog(CPlaylistChooserDlg::IDD, [](CDialog& dialog) {
    EXPECT_EQ(EntriesOf(dialog, CPlaylistChooserDlg::kList),
              (std::vector<std::string>{"Evening - (2 Songs)", "Morning - (1 Songs)"}));
    ClickEntry(dialog, CPlaylistChooserDlg::kList, 1);
    Click(dialog, IDOK);
  });
  CString chosen;
  ASSERT_EQ(runner_.ChoosePlaylist(nullptr, chosen), IDOK);
  EXPECT_EQ(chosen.str(), "Morning");
}

TEST_F(PlaylistChooserDlgTest, WithoutPlaylistsOkAsksForAChoice) {
  OnDialog(CPlaylistChooserDlg::IDD, [](CDialog& dialog) {
    Click(dialog, IDOK);
    EXPECT_TRUE(dialog.ContinueModal());
    dialog.PostMessage(WM_REMOTE_NAVIGATION, CRemoteChooserDlg::kKeyExit, 0);
  });
  CString chosen;
  EXPECT_EQ(runner_.ChoosePlaylist(nullptr, chosen), IDCANCEL);
  EXPECT_EQ(boxTexts, (std::vector<std::string>{"Please select an item from the list."}));
}

struct Preselection {
  const char* preset;
  int expected;
};

class ExistingPlaylistTest : public PlaylistChooserDlgTest, public ::testing::WithParamInterface<Preselection> {};

TEST_P(ExistingPlaylistTest, PreselectsTheCallersNameWithoutRegardToCase) {
  OnDialog(CExistingPlaylistDlg::IDD, [](CDialog& dialog) {
    EXPECT_EQ(ComboEntriesOf(dialog, CExistingPlaylistDlg::kNameList),
              (std::vector<std::string>{"Dance", "Evening", "Jazz Night"}));
    Click(dialog, IDOK);
  });
  int chosen = -5;
  ASSERT_EQ(runner_.ChooseSavedPlaylist(nullptr, {"Dance", "Evening", "Jazz Night"}, GetParam().preset, chosen), IDOK);
  EXPECT_EQ(chosen, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Names, ExistingPlaylistTest,
                         ::testing::Values(Preselection{"jazz night", 2}, Preselection{"Evening", 1},
                                           Preselection{"Unknown", 0}, Preselection{"", 0}, Preselection{"Jazz", 0}));

TEST_F(PlaylistChooserDlgTest, ExistingPlaylistFollowsTheRemoteKeys) {
  OnDialog(CExistingPlaylistDlg::IDD, [](CDialog& dialog) {
    dialog.PostMessage(WM_REMOTE_NAVIGATION, CRemoteChooserDlg::kKeyDown, 0);
    dialog.PostMessage(WM_REMOTE_NAVIGATION, CRemoteChooserDlg::kKeyDown, 0);
    dialog.PostMessage(WM_REMOTE_NAVIGATION, CRemoteChooserDlg::kKeyUp, 0);
    dialog.PostMessage(WM_REMOTE_NAVIGATION, CRemoteChooserDlg::kKeySelect, 0);
  });
  int chosen = -1;
  ASSERT_EQ(runner_.ChooseSavedPlaylist(nullptr, {"Dance", "Evening", "Jazz Night"}, "", chosen), IDOK);
  EXPECT_EQ(chosen, 1);
}

TEST_F(PlaylistChooserDlgTest, SearchCriteriaGiveTheTextsAndAGenreOrAll) {
  AddSong({.name = "A", .artist = "X", .genre = "Jazz"});
  AddSong({.name = "B", .artist = "X", .genre = "Jazz"});
  AddSong({.name = "C", .artist = "X", .genre = "Blues"});
  OnDialog(CSearchCriteriaDlg::IDD, [](CDialog& dialog) {
    EXPECT_EQ(ComboEntriesOf(dialog, CSearchCriteriaDlg::kGenreList),
              (std::vector<std::string>{"*ALL GENRES*", "Jazz (2 Songs)", "Blues (1 Songs)"}));
    EXPECT_EQ(static_cast<CComboBox*>(dialog.GetDlgItem(CSearchCriteriaDlg::kGenreList))->GetCurSel(), 0);
    Type(dialog, CSearchCriteriaDlg::kSong, "Love");
    Type(dialog, CSearchCriteriaDlg::kArtist, std::string(60, 'a'));
    Type(dialog, CSearchCriteriaDlg::kYears, "1990-1999");
    Click(dialog, IDOK);
  });
  OnDialog(CSearchCriteriaDlg::IDD, [](CDialog& dialog) {
    Choose(dialog, CSearchCriteriaDlg::kGenreList, 2);
    Click(dialog, IDOK);
  });
  ZoneSearchCriteria criteria;
  ASSERT_EQ(runner_.Search(nullptr, criteria), IDOK);
  EXPECT_EQ(criteria.song.str(), "Love");
  EXPECT_EQ(criteria.artist.str(), std::string(50, 'a'));
  EXPECT_EQ(criteria.years.str(), "1990-1999");
  EXPECT_EQ(criteria.genre.str(), "") << "all genres";
  ASSERT_EQ(runner_.Search(nullptr, criteria), IDOK);
  EXPECT_EQ(criteria.genre.str(), "Blues");
}

}  // namespace
}  // namespace media_dialogs_test
