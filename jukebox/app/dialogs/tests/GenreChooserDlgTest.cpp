// The genre chooser: shortcut buttons for the genres with the most songs, every genre in the
// drop-down list, and the remote control's keys.
#include "jukebox/app/dialogs/GenreChooserDlg.h"
#include "jukebox/app/dialogs/JukeboxZoneDialogs.h"
#include "jukebox/app/dialogs/tests/MediaDialogsTestSupport.h"

namespace media_dialogs_test {
namespace {

class GenreChooserDlgTest : public MediaDialogsTest {
 protected:
  void SetUp() override {
    MediaDialogsTest::SetUp();
    for (int i = 0; i < 3; ++i) AddSong({.name = "R" + std::to_string(i), .artist = "A", .genre = "Rock & Roll"});
    for (int i = 0; i < 2; ++i) AddSong({.name = "J" + std::to_string(i), .artist = "B", .genre = "Jazz"});
    AddSong({.name = "B0", .artist = "C", .genre = "Blues"});
  }
  CJukeboxZoneDialogs runner_;
};

TEST_F(GenreChooserDlgTest, ShortcutsShowTheMostPlayedGenresAndPickOne) {
  OnDialog(CGenreChooserDlg::IDD, [](CDialog& dialog) {
    EXPECT_EQ(TextOf(dialog, 1006), "&1: Rock && Roll\r\n(3 Songs)");
    EXPECT_EQ(TextOf(dialog, 1005), "&2: Jazz\r\n(2 Songs)");
    EXPECT_EQ(TextOf(dialog, 1007), "&3: Blues\r\n(1 Songs)");
    for (int id : {1006, 1005, 1007}) EXPECT_TRUE(IsEnabled(dialog, id)) << id;
    for (int id : {1008, 1009, 1010}) EXPECT_FALSE(IsEnabled(dialog, id)) << id;
    EXPECT_EQ(ComboEntriesOf(dialog, CGenreChooserDlg::kGenreList),
              (std::vector<std::string>{"Blues - (1 Songs)", "Jazz - (2 Songs)", "Rock & Roll - (3 Songs)"}));
    Click(dialog, 1006);
  });
  CString chosen;
  ASSERT_EQ(runner_.ChooseGenre(nullptr, chosen), IDOK);
  EXPECT_EQ(chosen.str(), "Rock & Roll");
}

TEST_F(GenreChooserDlgTest, TheDropDownListGivesTheGenreOnOk) {
  OnDialog(CGenreChooserDlg::IDD, [](CDialog& dialog) {
    Choose(dialog, CGenreChooserDlg::kGenreList, 1);
    Click(dialog, IDOK);
  });
  CString chosen;
  ASSERT_EQ(runner_.ChooseGenre(nullptr, chosen), IDOK);
  EXPECT_EQ(chosen.str(), "Jazz");
}

TEST_F(GenreChooserDlgTest, RemoteKeysStepTheListAndSelectAShortcut) {
  OnDialog(CGenreChooserDlg::IDD, [this](CDialog& dialog) {
    ASSERT_EQ(services_->modalDialog, &dialog);
    auto* list = static_cast<CComboBox*>(dialog.GetDlgItem(CGenreChooserDlg::kGenreList));
    dialog.PostMessage(WM_REMOTE_NAVIGATION, CRemoteChooserDlg::kKeyDown, 0);
    Settle();
    EXPECT_EQ(list->GetCurSel(), 1);
    dialog.GotoDlgCtrl(dialog.GetDlgItem(1005));
    dialog.PostMessage(WM_REMOTE_NAVIGATION, CRemoteChooserDlg::kKeySelect, 0);
  });
  CString chosen;
  ASSERT_EQ(runner_.ChooseGenre(nullptr, chosen), IDOK);
  EXPECT_EQ(chosen.str(), "Jazz");
}

}  // namespace
}  // namespace media_dialogs_test
