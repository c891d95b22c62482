// Playlists: naming and refusing names, building one with the finder, reordering and saving it in one
// transaction, deleting, and its HTML report through a stand-in xdg-open.
#include <filesystem>
#include <fstream>

#include "dblib/DaoStep.h"
#include "recorder/PlaylistEditDlg.h"
#include "recorder/PlaylistSelectDlg.h"
#include "recorder/RecorderDlg.h"
#include "recorder/RecorderIds.h"
#include "recorder/tests/RecorderTestSupport.h"

namespace qh::recorder::testing {
namespace {

class PlaylistDialogsTest : public RecorderTest {
 protected:
  void SetUp() override {
    RecorderTest::SetUp();
    ASSERT_TRUE(StartRecorder());
    a = AddSong({.name = "Alpha", .artist = "O'Brien", .album = "First"});
    b = AddSong({.name = "Bravo", .artist = "Band", .album = "Second", .genre = "Jazz"});
    c = AddSong({.name = "Charlie", .artist = "Band", .album = "Third"});
  }
  LONG a = 0, b = 0, c = 0;
};

TEST_F(PlaylistDialogsTest, NewPlaylistNamesAreChecked) {
  ASSERT_EQ(1, Db()->AddSongToPlaylist("dance", a));
  OnDialog(IDD_PLAYLIST_SELECT, [](CDialog& dialog) {
    EXPECT_FALSE(IsEnabled(dialog, 1092)) << "Create waits for a name";
    Type(dialog, 1245, "Dance");
    Click(dialog, 1092);
    Type(dialog, 1245, "Bob's mix");
    Click(dialog, 1092);
    Type(dialog, 1245, "Evening");
    Click(dialog, 1092);
  });
  CPlaylistSelectDlg select(Db());
  ASSERT_EQ(IDOK, select.DoModal());
  CString name;
  BOOL isNew = FALSE;
  select.GetChoice(name, isNew);
  EXPECT_EQ("Evening", name.str());
  EXPECT_TRUE(isNew);
  ASSERT_EQ(2u, boxTexts.size());
  EXPECT_EQ("Playlist Dance already exists. Please choose another name to create a new playlist.", boxTexts[0]);
  EXPECT_EQ("The following characters are not allowed: < > & ' \" * | ?", boxTexts[1]);
}

TEST_F(PlaylistDialogsTest, BuildReorderAndSaveANewPlaylist) {
  OnDialog(IDD_PLAYLIST_SELECT, [](CDialog& dialog) {
    Type(dialog, 1245, "Evening");
    Click(dialog, 1092);
  });
  OnDialog(IDD_PLAYLIST_EDIT, [&](CDialog& dialog) {
    EXPECT_EQ("Create Playlist Evening:", [&] {
      CString caption;
      dialog.GetWindowText(caption);
      return caption.str();
    }());
    Type(dialog, 1014, "O'Brien");
    Click(dialog, 1092);
    EXPECT_EQ((std::vector<std::string>{"Alpha (O'Brien) - First"}), EntriesOf(dialog, 1181));
    Type(dialog, 1014, "");
    Click(dialog, 1092);
    ASSERT_EQ(3u, EntriesOf(dialog, 1181).size());
    Click(dialog, 1163);
    EXPECT_EQ("Choose So&ngs:\n 3 selected", TextOf(dialog, 1199));
    Click(dialog, 1189);
    EXPECT_EQ("TRT: 00:10:16", TextOf(dialog, 1198));
    auto rows = RowsOf(dialog, 1180, 1);
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ("Alpha", rows[0][0]);
    ClickRow(dialog, 1180, 2);
    Click(dialog, 1105);  // Charlie up
    ClickRow(dialog, 1180, 0);
    Click(dialog, 1105);  // the top row stays
    Snapshot(dialog, "recorder-playlist");
    Click(dialog, IDOK);
  });
  OnDialog(IDD_RECORDER, [](CDialog& dialog) {
    Click(dialog, 1179);
    Click(dialog, IDOK);
  });
  CRecorderDlg main;
  main.DoModal();
  EXPECT_EQ((std::vector<LONG>{a, c, b}), PlaylistSongs("Evening"));
}

TEST_F(PlaylistDialogsTest, GenreFinderAndDeleteOfRows) {
  ASSERT_EQ(1, Db()->AddSongToPlaylist("Bar", a));
  ASSERT_EQ(1, Db()->AppendPlaylistSong("Bar", a));
  ASSERT_EQ(1, Db()->AppendPlaylistSong("Bar", b));
  CPlaylistEditDlg editor(Db(), Storage(), databaseFolder);
  editor.SetPlaylist("Bar", FALSE);
  OnDialog(IDD_PLAYLIST_EDIT, [](CDialog& dialog) {
    EXPECT_EQ(3u, RowsOf(dialog, 1180, 1).size()) << "a song standing twice shows twice";
    Choose(dialog, 1187, "Jazz");
    Click(dialog, 1092);
    EXPECT_EQ((std::vector<std::string>{"Bravo (Band) - Second"}), EntriesOf(dialog, 1181));
    ClickRow(dialog, 1180, 0);
    Click(dialog, 1190);
    Click(dialog, IDOK);
  });
  ASSERT_EQ(IDOK, editor.DoModal());
  EXPECT_EQ((std::vector<LONG>{a, b}), PlaylistSongs("Bar"));
}

TEST_F(PlaylistDialogsTest, CancelAsksOnlyAfterAChangeAndSavingNothingCreatesNothing) {
  AnswerBoxes({IDNO, IDYES});
  OnDialog(IDD_PLAYLIST_EDIT, [](CDialog& dialog) {
    Click(dialog, 1092);
    ClickEntry(dialog, 1181, 0);
    Click(dialog, 1189);
    Click(dialog, IDCANCEL);  // No: stays
    Click(dialog, IDCANCEL);  // Yes: leaves without writing
  });
  CPlaylistEditDlg editor(Db(), Storage(), databaseFolder);
  editor.SetPlaylist("Evening", TRUE);
  EXPECT_EQ(IDCANCEL, editor.DoModal());
  EXPECT_EQ(2u, boxTexts.size());
  EXPECT_TRUE(PlaylistNames().empty());
  OnDialog(IDD_PLAYLIST_EDIT, [](CDialog& dialog) { Click(dialog, IDCANCEL); });
  CPlaylistEditDlg unchanged(Db(), Storage(), databaseFolder);
  unchanged.SetPlaylist("Evening", TRUE);
  unchanged.DoModal();
  EXPECT_EQ(2u, boxTexts.size()) << "an unchanged editor asks nothing";
}

TEST_F(PlaylistDialogsTest, ASaveThatFailsLeavesThePlaylistAsItWas) {
  ASSERT_EQ(1, Db()->AddSongToPlaylist("Bar", a));
  ASSERT_EQ(1, Db()->AppendPlaylistSong("Bar", b));
  OnDialog(IDD_PLAYLIST_EDIT, [&](CDialog& dialog) {
    ClickRow(dialog, 1180, 0);
    Click(dialog, 1104);
    // The engine fails on the third step of the save (the old rows are gone, one new row written).
    int steps = 0;
    qh::dblib::SetDaoStepFault([&] {
      if (++steps == 3) throw new CDaoException(3022, "injected", "test");
    });
    Click(dialog, IDOK);
    qh::dblib::SetDaoStepFault({});
  });
  CPlaylistEditDlg editor(Db(), Storage(), databaseFolder);
  editor.SetPlaylist("Bar", FALSE);
  editor.DoModal();
  EXPECT_EQ((std::vector<LONG>{a, b}), PlaylistSongs("Bar")) << "the failed save left the playlist as it was";
  ASSERT_EQ(1u, boxTexts.size());
  EXPECT_NE(std::string::npos, boxTexts[0].find("could not be saved"));
}

TEST_F(PlaylistDialogsTest, DeletingAPlaylistClosesTheSelection) {
  ASSERT_EQ(1, Db()->AddSongToPlaylist("Bar", a));
  AnswerBoxes({IDYES});
  OnDialog(IDD_PLAYLIST_SELECT, [](CDialog& dialog) { Click(dialog, 1052); });
  CPlaylistSelectDlg select(Db());
  EXPECT_EQ(IDCANCEL, select.DoModal());
  EXPECT_TRUE(PlaylistNames().empty());
  ASSERT_EQ(1u, boxTexts.size());
  EXPECT_NE(std::string::npos, boxTexts[0].find("DELETE playlist [Bar]"));
}

TEST_F(PlaylistDialogsTest, ReportOpensThroughTheShell) {
  std::string bin = sandbox->HostPath("bin");
  std::filesystem::create_directories(bin);
  std::string opened = sandbox->HostPath("opened.txt");
  {
    std::ofstream fake(bin + "/xdg-open");
    fake << "#!/bin/sh\necho \"$1\" > '" << opened << "'\n";
  }
  std::filesystem::permissions(bin + "/xdg-open", std::filesystem::perms::owner_all);
  std::string path = std::getenv("PATH");
  setenv("PATH", (bin + ":" + path).c_str(), 1);
  ASSERT_EQ(1, Db()->AddSongToPlaylist("Bar & Grill", a));
  OnDialog(IDD_PLAYLIST_EDIT, [](CDialog& dialog) {
    Choose(dialog, 1095, "Detail");
    Click(dialog, 1094);
    Click(dialog, IDCANCEL);
  });
  CPlaylistEditDlg editor(Db(), Storage(), databaseFolder);
  editor.SetPlaylist("Bar & Grill", FALSE);
  editor.DoModal();
  setenv("PATH", path.c_str(), 1);
  std::string report = sandbox->HostPath("C/Quaverhouse/Temp/Cover.htm");
  EXPECT_EQ(report + "\n", ReadHostFile(opened));
  std::string text = ReadHostFile(report);
  EXPECT_NE(std::string::npos, text.find("Report for playlist Bar &amp; Grill"));
  EXPECT_NE(std::string::npos, text.find("Total Running Time - 00:03:25"));
  EXPECT_NE(std::string::npos, text.find("O&#39;Brien"));
}

}  // namespace
}  // namespace qh::recorder::testing
