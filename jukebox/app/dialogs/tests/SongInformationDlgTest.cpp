// The song information dialog: filled from the caller's fields, required names, the song types, and
// the fields read back.
#include "jukebox/app/dialogs/JukeboxZoneDialogs.h"
#include "jukebox/app/dialogs/SongInformationDlg.h"
#include "jukebox/app/dialogs/tests/MediaDialogsTestSupport.h"

namespace media_dialogs_test {
namespace {

class SongInformationDlgTest : public MediaDialogsTest {
 protected:
  ZoneSongInfo Fields() {
    ZoneSongInfo fields;
    fields.name = "Old Name";
    fields.artist = "Old Artist";
    fields.album = "Old Album";
    fields.comments = "notes";
    fields.genre = "jazz";
    fields.year = 2001;
    fields.month = 2;
    fields.day = 3;
    fields.uncompressedEnabled = TRUE;
    return fields;
  }
  CJukeboxZoneDialogs runner_;
};

TEST_F(SongInformationDlgTest, EditsAreReadBackAndTheTypeIsPreselectedWithoutRegardToCase) {
  OnDialog(CSongInformationDlg::IDD, [](CDialog& dialog) {
    EXPECT_EQ(TextOf(dialog, CSongInformationDlg::kName), "Old Name");
    EXPECT_EQ(TextOf(dialog, CSongInformationDlg::kType), "Jazz");
    EXPECT_TRUE(IsEnabled(dialog, CSongInformationDlg::kDoNotCompress));
    Type(dialog, CSongInformationDlg::kName, "New Name");
    Type(dialog, CSongInformationDlg::kAlbum, "New Album");
    Click(dialog, CSongInformationDlg::kDoNotCompress);
    auto* types = static_cast<CComboBox*>(dialog.GetDlgItem(CSongInformationDlg::kType));
    const int blues = types->FindStringExact(-1, "Blues");
    ASSERT_GE(blues, 0);
    Choose(dialog, CSongInformationDlg::kType, blues);
    Click(dialog, IDOK);
  });
  ZoneSongInfo fields = Fields();
  ASSERT_EQ(runner_.EditSongInfo(nullptr, fields), IDOK);
  EXPECT_EQ(fields.name.str(), "New Name");
  EXPECT_EQ(fields.artist.str(), "Old Artist");
  EXPECT_EQ(fields.album.str(), "New Album");
  EXPECT_EQ(fields.comments.str(), "notes");
  EXPECT_EQ(fields.genre.str(), "Blues");
  EXPECT_EQ(fields.year, 2001);
  EXPECT_EQ(fields.month, 2);
  EXPECT_EQ(fields.day, 3);
  EXPECT_TRUE(fields.uncompressed);
}

TEST_F(SongInformationDlgTest, NameAndArtistAreRequired) {
  OnDialog(CSongInformationDlg::IDD, [](CDialog& dialog) {
    EXPECT_FALSE(IsEnabled(dialog, CSongInformationDlg::kDoNotCompress)) << "not offered";
    Type(dialog, CSongInformationDlg::kName, "");
    Click(dialog, IDOK);
    EXPECT_TRUE(dialog.ContinueModal());
    EXPECT_EQ(CWnd::GetFocus(), dialog.GetDlgItem(CSongInformationDlg::kName));
    Type(dialog, CSongInformationDlg::kName, "Name");
    Type(dialog, CSongInformationDlg::kArtist, "");
    Click(dialog, IDOK);
    EXPECT_TRUE(dialog.ContinueModal());
    Click(dialog, IDCANCEL);
  });
  ZoneSongInfo fields = Fields();
  fields.uncompressedEnabled = FALSE;
  EXPECT_EQ(runner_.EditSongInfo(nullptr, fields), IDCANCEL);
  EXPECT_EQ(fields.name.str(), "Old Name");
  EXPECT_EQ(boxTexts, (std::vector<std::string>{"Song Name is a required field.", "Artist Name is a required field."}));
}

}  // namespace
}  // namespace media_dialogs_test
