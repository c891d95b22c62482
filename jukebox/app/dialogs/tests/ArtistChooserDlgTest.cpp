// The artist and album chooser: letters and "NUM" fill the list from the song database, OK returns
// the row's name, and the remote control's keys drive it while the zone's runner has it registered.
#include <algorithm>

#include "jukebox/app/dialogs/ArtistChooserDlg.h"
#include "jukebox/app/dialogs/JukeboxZoneDialogs.h"
#include "jukebox/app/dialogs/tests/MediaDialogsTestSupport.h"

namespace media_dialogs_test {
namespace {

class ArtistChooserDlgTest : public MediaDialogsTest {
 protected:
  void SetUp() override {
    MediaDialogsTest::SetUp();
    AddSong({.name = "One", .artist = "Beta Band", .album = "Blue"});
    AddSong({.name = "Two", .artist = "Beta Band", .album = "Blue"});
    AddSong({.name = "Three", .artist = "Bravo", .album = "Bright"});
    AddSong({.name = "Four", .artist = "10 Years", .album = "1999"});
    AddSong({.name = "Five", .artist = "Alpha", .album = "Arrival"});
  }
  static constexpr int kLetterB = 1013, kLetterQ = 1028;
  CJukeboxZoneDialogs runner_;
};

TEST_F(ArtistChooserDlgTest, ALetterListsItsArtistsAndOkReturnsTheChosenOne) {
  OnDialog(CArtistChooserDlg::IDD, [](CDialog& dialog) {
    EXPECT_EQ(TextOf(dialog, IDOK), "&OK");
    CString caption;
    dialog.GetWindowText(caption);
    EXPECT_EQ(caption.str(), "Choose an Artist from the List");
    EXPECT_TRUE(EntriesOf(dialog, CArtistChooserDlg::kList).empty());
    Click(dialog, kLetterB);
    EXPECT_EQ(EntriesOf(dialog, CArtistChooserDlg::kList),
              (std::vector<std::string>{"Beta Band - (2 Songs)", "Bravo - (1 Songs)"}));
    ClickEntry(dialog, CArtistChooserDlg::kList, 1);
    Click(dialog, IDOK);
  });
  CString chosen;
  ASSERT_EQ(runner_.ChooseArtist(nullptr, false, chosen), IDOK);
  EXPECT_EQ(chosen.str(), "Bravo");
  EXPECT_EQ(services_->modalDialog, nullptr) << "the registration ends with the dialog";
}

TEST_F(ArtistChooserDlgTest, AlbumModeListsAlbumsWithArtistsAndReturnsTheAlbumAlone) {
  OnDialog(CArtistChooserDlg::IDD, [](CDialog& dialog) {
    CString caption;
    dialog.GetWindowText(caption);
    EXPECT_EQ(caption.str(), "Choose an Album from the List");
    Click(dialog, kLetterB);
    EXPECT_EQ(EntriesOf(dialog, CArtistChooserDlg::kList),
              (std::vector<std::string>{"Blue (Beta Band) - 2 Songs", "Bright (Bravo) - 1 Songs"}));
    DoubleClickEntry(dialog, CArtistChooserDlg::kList, 0);
  });
  CString chosen;
  ASSERT_EQ(runner_.ChooseArtist(nullptr, true, chosen), IDOK);
  EXPECT_EQ(chosen.str(), "Blue");
}

TEST_F(ArtistChooserDlgTest, NumListsNamesBeforeAAndAnEmptyLetterGivesNoChoice) {
  OnDialog(CArtistChooserDlg::IDD, [](CDialog& dialog) {
    Click(dialog, CArtistChooserDlg::kNumbers);
    EXPECT_EQ(EntriesOf(dialog, CArtistChooserDlg::kList), (std::vector<std::string>{"10 Years - (1 Songs)"}));
    Click(dialog, kLetterQ);
    EXPECT_TRUE(EntriesOf(dialog, CArtistChooserDlg::kList).empty());
    Click(dialog, IDOK);  // nothing to choose: the dialog stays
    EXPECT_TRUE(dialog.ContinueModal());
    Click(dialog, IDCANCEL);
  });
  CString chosen = "unchanged";
  EXPECT_EQ(runner_.ChooseArtist(nullptr, false, chosen), IDCANCEL);
  EXPECT_EQ(chosen.str(), "unchanged");
}

// Every artist is under a button: A to Z (either case) under its letter, every other beginning under
// "NUM", also those that sort after Z (the stroked O and E acute of code page 1252, "~", "_").
TEST_F(ArtistChooserDlgTest, EveryArtistIsUnderALetterOrNum) {
  for (const char* artist : {"\xD8rsted Quartet", "\xC9" "dith Lark", "~Tilde", "_Under", "abba", "Zed"})
    AddSong({.name = "Song", .artist = artist, .album = "Album"});
  OnDialog(CArtistChooserDlg::IDD, [](CDialog& dialog) {
    Click(dialog, CArtistChooserDlg::kNumbers);
    std::vector<std::string> num = EntriesOf(dialog, CArtistChooserDlg::kList);
    std::sort(num.begin(), num.end());
    std::vector<std::string> expected{"10 Years - (1 Songs)", "_Under - (1 Songs)", "~Tilde - (1 Songs)",
                                      "\xC9" "dith Lark - (1 Songs)", "\xD8rsted Quartet - (1 Songs)"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(num, expected);
    size_t listed = num.size();
    for (int letter = 0; letter < 26; ++letter) {
      Click(dialog, 1012 + letter);
      listed += EntriesOf(dialog, CArtistChooserDlg::kList).size();
    }
    EXPECT_EQ(listed, 10u) << "each of the ten artists under exactly one button";
    Click(dialog, 1012);  // A
    EXPECT_EQ(EntriesOf(dialog, CArtistChooserDlg::kList),
              (std::vector<std::string>{"abba - (1 Songs)", "Alpha - (1 Songs)"}));
    Click(dialog, IDCANCEL);
  });
  CString chosen;
  EXPECT_EQ(runner_.ChooseArtist(nullptr, false, chosen), IDCANCEL);
}

TEST_F(ArtistChooserDlgTest, RemoteKeysMoveTheSelectionAndSelectByTheFocusedControl) {
  OnDialog(CArtistChooserDlg::IDD, [this](CDialog& dialog) {
    ASSERT_EQ(services_->modalDialog, &dialog) << "registered while shown";
    auto remote = [&](int key) {
      services_->modalDialog->PostMessage(WM_REMOTE_NAVIGATION, static_cast<WPARAM>(key), 0);
      Settle();
    };
    dialog.GotoDlgCtrl(dialog.GetDlgItem(kLetterB));
    remote(CRemoteChooserDlg::kKeySelect);  // applies the focused letter
    ASSERT_EQ(EntriesOf(dialog, CArtistChooserDlg::kList).size(), 2u);
    auto* list = static_cast<CListBox*>(dialog.GetDlgItem(CArtistChooserDlg::kList));
    EXPECT_EQ(list->GetCurSel(), 0);
    remote(CRemoteChooserDlg::kKeyUp);
    EXPECT_EQ(list->GetCurSel(), 0) << "no row above the first";
    remote(CRemoteChooserDlg::kKeyDown);
    remote(CRemoteChooserDlg::kKeyDown);
    EXPECT_EQ(list->GetCurSel(), 1) << "no row below the last";
    remote(99);  // not a navigation key
    remote(CRemoteChooserDlg::kKeyRight);  // from the list to the first letter
    EXPECT_EQ(CWnd::GetFocus(), dialog.GetDlgItem(1012));
    dialog.GotoDlgCtrl(dialog.GetDlgItem(CArtistChooserDlg::kAlbumCheck));
    remote(CRemoteChooserDlg::kKeySelect);
    EXPECT_EQ(dialog.IsDlgButtonChecked(CArtistChooserDlg::kAlbumCheck), static_cast<UINT>(BST_UNCHECKED));
    dialog.GotoDlgCtrl(dialog.GetDlgItem(IDCANCEL));
    remote(CRemoteChooserDlg::kKeySelect);  // runs OK, not Cancel
  });
  CString chosen;
  ASSERT_EQ(runner_.ChooseArtist(nullptr, false, chosen), IDOK);
  EXPECT_EQ(chosen.str(), "Bravo");
}

TEST_F(ArtistChooserDlgTest, RemoteExitCancels) {
  OnDialog(CArtistChooserDlg::IDD, [](CDialog& dialog) {
    dialog.PostMessage(WM_REMOTE_NAVIGATION, CRemoteChooserDlg::kKeyExit, 0);
  });
  CString chosen;
  EXPECT_EQ(runner_.ChooseArtist(nullptr, false, chosen), IDCANCEL);
}

}  // namespace
}  // namespace media_dialogs_test
