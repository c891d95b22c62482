// The song information dialog: editing a song and reading it back, refused fields, the date form, the
// accuracy colour, secondary genres and the playlists of a song.
#include "recorder/RecorderIds.h"
#include "recorder/SongInfoDlg.h"
#include "recorder/tests/RecorderTestSupport.h"

namespace qh::recorder::testing {
namespace {

class SongInfoDialogTest : public RecorderTest {
 protected:
  void SetUp() override {
    RecorderTest::SetUp();
    ASSERT_TRUE(StartRecorder());
    id = AddSong({.name = "Alpha", .artist = "Band", .album = "First", .genre = "Rock", .rotation = "FALL"});
  }
  LONG id = 0;
};

TEST_F(SongInfoDialogTest, EditASongAndReadItBack) {
  auto song = Load(id);
  ASSERT_NE(nullptr, song);
  OnDialog(IDD_SONG_INFO, [&](CDialog& dialog) {
    CString caption;
    dialog.GetWindowText(caption);
    EXPECT_EQ("Update Song " + std::to_string(id), caption.str());
    EXPECT_EQ("06/15/2001", TextOf(dialog, 1019));
    EXPECT_EQ("FALL", TextOf(dialog, 1227)) << "an unknown rotation code is added and chosen";
    Type(dialog, 1013, "Alpha & Omega");
    Type(dialog, 1014, "O'Brien");
    Choose(dialog, 1012, "Jazz");
    Type(dialog, 1019, "03/04/2004");
    Type(dialog, 1021, "128.5");
    Type(dialog, 1024, "Late <night> set");
    Snapshot(dialog, "recorder-song-info");
    Click(dialog, IDOK);
  });
  CSongInfoDlg info(Db());
  info.SetSong(song.get(), CSongInfoDlg::kEdit);
  ASSERT_EQ(IDOK, info.DoModal());
  ASSERT_EQ(1, song->Update());
  auto back = Load(id);
  EXPECT_EQ("Alpha & Omega", back->SongName.str());
  EXPECT_EQ("O'Brien", back->SongArtist.str());
  EXPECT_EQ("Jazz", back->SongPrimaryGenre.str());
  EXPECT_EQ("2004-03-04", back->SongDate.Format("%Y-%m-%d").str()) << "shown and read as month/day/year";
  EXPECT_DOUBLE_EQ(128.5, back->SongBPM);
  EXPECT_EQ("Late <night> set", back->SongComments.str());
  EXPECT_EQ("FALL", back->SongRotationCode.str());
}

TEST_F(SongInfoDialogTest, RefusedFieldsKeepTheDialogOpen) {
  auto song = Load(id);
  OnDialog(IDD_SONG_INFO, [](CDialog& dialog) {
    Type(dialog, 1013, "");
    Click(dialog, IDOK);
    Type(dialog, 1013, "Name");
    Type(dialog, 1014, "");
    Click(dialog, IDOK);
    Type(dialog, 1014, "Artist");
    Type(dialog, 1019, "13/45/2001");
    Click(dialog, IDOK);
    Type(dialog, 1019, "");
    Click(dialog, IDOK);
    Click(dialog, IDCANCEL);
  });
  CSongInfoDlg info(Db());
  info.SetSong(song.get(), CSongInfoDlg::kEdit);
  EXPECT_EQ(IDCANCEL, info.DoModal());
  EXPECT_EQ((std::vector<std::string>{"You MUST enter the name of the song before saving.",
                                      "You MUST enter the name of the artist before saving.",
                                      "Please enter a valid date in MM/DD/YYYY format",
                                      "Please enter a valid date in MM/DD/YYYY format"}),
            boxTexts);
}

TEST_F(SongInfoDialogTest, AccuracyIsShownAndColoured) {
  struct Case {
    double stored;
    const char* shown;
    double kept;
  } cases[] = {{1.5, "0.00%", 0.0}, {-0.2, "0.00%", 0.0}, {0.75, "75.00%", 0.75}, {0.5, "50.00%", 0.5},
               {0.4999, "49.99%", 0.4999}};
  for (const Case& c : cases) {
    auto song = Load(id);
    song->SongBPMAccuracy = c.stored;
    OnDialog(IDD_SONG_INFO, [&](CDialog& dialog) {
      EXPECT_EQ(c.shown, TextOf(dialog, 1224));
      Click(dialog, IDOK);
    });
    CSongInfoDlg info(Db());
    info.SetSong(song.get(), CSongInfoDlg::kEdit);
    info.DoModal();
    EXPECT_DOUBLE_EQ(c.kept, info.GetShownAccuracy());
    EXPECT_DOUBLE_EQ(c.kept, song->SongBPMAccuracy);
  }
}

TEST_F(SongInfoDialogTest, ViewModeChangesNothing) {
  auto song = Load(id);
  OnDialog(IDD_SECONDARY_GENRES, [](CDialog& dialog) {
    EXPECT_FALSE(IsEnabled(dialog, IDOK));
    EXPECT_FALSE(IsEnabled(dialog, 1189));
    Click(dialog, IDCANCEL);
  });
  OnDialog(IDD_SONG_INFO, [](CDialog& dialog) {
    EXPECT_FALSE(IsEnabled(dialog, 1012));
    EXPECT_FALSE(IsEnabled(dialog, 1250));
    EXPECT_TRUE(dialog.GetDlgItem(1013)->GetStyle() & ES_READONLY);
    Click(dialog, 1240);
    Click(dialog, IDOK);
  });
  CSongInfoDlg info(Db());
  info.SetSong(song.get(), CSongInfoDlg::kView);
  EXPECT_EQ(IDOK, info.DoModal());
}

TEST_F(SongInfoDialogTest, SecondaryGenresRefuseThePrimaryOne) {
  auto song = Load(id);
  OnDialog(IDD_SECONDARY_GENRES, [](CDialog& dialog) {
    Choose(dialog, 1267, "Rock");
    Click(dialog, 1189);  // the primary genre: refused
    Choose(dialog, 1267, "Rock & Roll");
    Click(dialog, 1189);
    Choose(dialog, 1267, "Jazz");
    Click(dialog, 1189);
    Click(dialog, IDOK);
  });
  OnDialog(IDD_SONG_INFO, [](CDialog& dialog) {
    Click(dialog, 1240);
    Click(dialog, IDOK);
  });
  CSongInfoDlg info(Db());
  info.SetSong(song.get(), CSongInfoDlg::kEdit);
  ASSERT_EQ(IDOK, info.DoModal());
  ASSERT_EQ(1, song->Update());
  EXPECT_EQ((std::vector<std::string>{"Selected genre already exists for this song"}), boxTexts);
  auto back = Load(id);
  std::vector<std::string> genres;
  for (const CString& genre : back->SongGenres) genres.push_back(genre.str());
  std::sort(genres.begin(), genres.end());
  EXPECT_EQ((std::vector<std::string>{"Jazz", "Rock & Roll"}), genres);
}

TEST_F(SongInfoDialogTest, PlaylistsOfASongAreWrittenAtOnce) {
  LONG other = AddSong({.name = "Other", .artist = "X"});
  ASSERT_EQ(1, Db()->AddSongToPlaylist("Bar", id));
  ASSERT_EQ(1, Db()->AddSongToPlaylist("Dance", other));
  ASSERT_EQ(1, Db()->AddSongToPlaylist("Chill", other));
  auto song = Load(id);
  OnDialog(IDD_SONG_PLAYLISTS, [](CDialog& dialog) {
    EXPECT_EQ((std::vector<std::string>{"Bar"}), EntriesOf(dialog, 1243));
    EXPECT_EQ((std::vector<std::string>{"Chill", "Dance"}), EntriesOf(dialog, 1242));
    ClickEntry(dialog, 1242, 1);  // Dance
    Click(dialog, 1189);
    ClickEntry(dialog, 1243, 0);  // Bar
    Click(dialog, 1190);
    Click(dialog, IDOK);
  });
  OnDialog(IDD_SONG_INFO, [](CDialog& dialog) {
    Click(dialog, 1239);
    Click(dialog, IDCANCEL);
  });
  CSongInfoDlg info(Db());
  info.SetSong(song.get(), CSongInfoDlg::kEdit);
  info.DoModal();
  EXPECT_EQ(0, Db()->IsSongInPlaylist("Bar", id));
  EXPECT_EQ(1, Db()->IsSongInPlaylist("Dance", id)) << "kept although the song dialog was cancelled";
  EXPECT_EQ((std::vector<LONG>{other, id}), PlaylistSongs("Dance"));
}

}  // namespace
}  // namespace qh::recorder::testing
