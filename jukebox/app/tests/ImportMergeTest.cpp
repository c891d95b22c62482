// Import of sound files made with sox and lame through the import choice and the file chooser, indexing
// a folder tree, and the upload merge with its damaged, half-written and failing uploads.
#include <gtest/gtest.h>

#include <filesystem>

#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "jukebox/app/ImportDialogs.h"
#include "jukebox/app/JukeboxIds.h"
#include "jukebox/app/MasterWindow.h"
#include "jukebox/app/tests/JukeboxTestSupport.h"
#include "platform/core/FileApi.h"
#include "platform/ui/CommonDialogs.h"
#include "platform/ui/Dialog.h"

using namespace jukebox;
using namespace jukebox::test;
namespace fs = std::filesystem;

namespace {

class Library : public ::testing::Test {
 protected:
  void SetUp() override {
    env.MakeDatabase();
    ASSERT_TRUE(qh::ui::LoadDialogTemplateFolder(QH_TEST_SOURCE_DIR "/resources/jukebox/dialogs"));
    fs::create_directories(Host("Incoming"));
    ASSERT_TRUE(env.Start()) << BoxTexts(env.boxes);
    master = env.App()->GetMainWindow();
  }
  void TearDown() override {
    qh::ui::SetDialogAnswerer(nullptr);
    qh::ui::SetFileDialogAnswerer(nullptr);
    qh::ui::SetFolderAnswerer(nullptr);
  }
  std::string Host(const std::string& relative) { return env.Sandbox().HostPath("D/" + relative); }
  LONG Songs(const char* where = "") { return env.App()->GetSongDatabase()->CountSongs(where); }
  std::string LastBox() { return env.boxes.empty() ? "" : env.boxes.back().text; }
  // The import choice answered with one of its buttons.
  void Choose(UINT button) {
    qh::ui::SetDialogAnswerer([button](CWnd& dialog) {
      dialog.SendMessage(WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    });
  }
  JukeboxEnvironment env;
  CMasterWindow* master = nullptr;
};

TEST_F(Library, ImportCopiesTheChosenFilesIntoTheSongStore) {
  MakeSong(Host("Incoming/first.mp3"), "First Light", "Mabel Rook");
  MakeSong(Host("Incoming/second.Mp3"), "Second Wind", "The Quavers");
  MakeSong(Host("Incoming/third.wav"), "", "");
  qh::testing::WriteHostFile(Host("Incoming/broken.mp3"), std::string(3000, '\0'));
  Choose(kIdImportButton);
  qh::ui::FileDialogRequest seen;
  qh::ui::SetFileDialogAnswerer([&](const qh::ui::FileDialogRequest& request, CFileDialog& dialog) {
    seen = request;
    dialog.CheckDlgButton(kIdDeleteSource, BST_CHECKED);
    return qh::ui::FileDialogAnswer{false,
                                    {"D:\\Incoming\\first.mp3", "D:\\Incoming\\second.Mp3", "D:\\Incoming\\third.wav",
                                     "D:\\Incoming\\broken.mp3"}};
  });
  master->SendMessage(kMsgImport);
  EXPECT_EQ(seen.title, "Import Song");
  ASSERT_EQ(seen.filters.size(), 2u);
  EXPECT_EQ(seen.filters[0].second, "*.wav;*.mp3");
  EXPECT_TRUE(seen.flags & OFN_ALLOWMULTISELECT);
  EXPECT_EQ(LastBox(),
            "File import completed.\r\n2 mp3 files imported.\r\n1 wav files imported.\r\n1 files NOT imported due to error.");
  EXPECT_EQ(Songs(), 3);
  EXPECT_EQ(Songs("Where SongCompression = 'R'"), 2);
  tSong song;
  ASSERT_EQ(song.Load(env.App()->GetSongDatabase(), env.App()->GetStorageManager(), 1), 0);
  EXPECT_EQ(song.SongName, "First Light");
  EXPECT_TRUE(song.SongPath.IsEmpty());
  EXPECT_EQ(song.SongVolser, kMusicSerial);
  EXPECT_TRUE(fs::exists(Host("Quaverhouse/Songs/Song0000000001.mp3")));
  EXPECT_TRUE(fs::exists(Host("Quaverhouse/Songs/Song0000000003.wav")));
  // Deleted after import as the box asked, and the choice kept for the next import.
  EXPECT_FALSE(fs::exists(Host("Incoming/first.mp3")));
  EXPECT_TRUE(fs::exists(Host("Incoming/broken.mp3")));
  EXPECT_EQ(env.App()->GetProfileInt("Recorder", "DeleteOnImport", 0), 1u);
}

TEST_F(Library, AFailedCopyLeavesNoRowBehind) {
  MakeSong(Host("Incoming/one.mp3"), "One", "Someone");
  // The store already holds a file of the name the new song would get.
  qh::testing::WriteHostFile(Host("Quaverhouse/Songs/Song0000000001.mp3"), "taken");
  Choose(kIdImportButton);
  qh::ui::SetFileDialogAnswerer([](const qh::ui::FileDialogRequest&, CFileDialog&) {
    return qh::ui::FileDialogAnswer{false, {"D:\\Incoming\\one.mp3"}};
  });
  master->SendMessage(kMsgImport);
  EXPECT_EQ(Songs(), 0);
  EXPECT_NE(BoxTexts(env.boxes).find("when copying file [D:\\Incoming\\one.mp3]"), std::string::npos)
      << BoxTexts(env.boxes);
  EXPECT_EQ(LastBox(), "File import completed.\r\n0 mp3 files imported.\r\n0 wav files imported.\r\n1 files NOT imported due to error.");
  EXPECT_EQ(qh::testing::ReadHostFile(Host("Quaverhouse/Songs/Song0000000001.mp3")), "taken");
  EXPECT_TRUE(fs::exists(Host("Incoming/one.mp3")));
}

TEST_F(Library, TheChoiceDialogAndTheChooserEndAsTheirButtonsSay) {
  qh::ui::SetDialogAnswerer([](CWnd& dialog) { dialog.SendMessage(WM_COMMAND, IDCANCEL, 0); });
  CImportChoiceDlg choice(master);
  EXPECT_EQ(choice.DoModal(), IDCANCEL);

  qh::ui::SetFileDialogAnswerer([](const qh::ui::FileDialogRequest&, CFileDialog& dialog) {
    EXPECT_EQ(dialog.IsDlgButtonChecked(kIdDeleteSource), static_cast<UINT>(BST_CHECKED));
    dialog.CheckDlgButton(kIdDeleteSource, BST_UNCHECKED);
    return qh::ui::FileDialogAnswer{false, {"D:\\Quaverhouse\\Quaverhouse.qhd"}};
  });
  CMyOpen chooser(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST, "All Files (*.*)|*.*||", master);
  chooser.m_bDeleteSource = TRUE;
  EXPECT_EQ(chooser.DoModal(), IDOK);
  EXPECT_EQ(chooser.m_bDeleteSource, FALSE);
}

TEST_F(Library, IndexingWalksTheTreeOnceAndAddsEachFileOnce) {
  fs::create_directories(Host("Music/Jazz/Live"));
  MakeSong(Host("Music/a.mp3"), "A", "Artist");
  MakeSong(Host("Music/Jazz/b.mp3"), "B", "Artist");
  MakeSong(Host("Music/Jazz/Live/c.wav"), "", "");
  fs::create_directory_symlink(Host("Music"), Host("Music/Jazz/Live/loop"));  // a link back up the tree
  Choose(kIdIndexButton);
  qh::ui::SetFolderAnswerer([](const qh::ui::FolderRequest& request) {
    EXPECT_EQ(request.title, "Choose the Music Folder");
    return std::string("D:\\Music");
  });
  master->SendMessage(kMsgImport);
  EXPECT_EQ(Songs(), 3);
  EXPECT_EQ(LastBox(), "File indexing completed.\r\n3 sub-folders were searched.\r\n2 mp3 files indexed.\r\n"
                       "1 wav files indexed.\r\n0 files NOT indexed due to error.");
  EXPECT_EQ(Songs("Where SongCompression = 'V'"), 1);
  master->SendMessage(kMsgImport);  // again: nothing new, every file counted as not indexed
  EXPECT_EQ(Songs(), 3);
  EXPECT_EQ(master->m_nIndexErrors, 3u);
}

class UploadMerge : public Library {
 protected:
  void Upload(const std::string& name, const std::string& guid, bool withSong = true) {
    qh::testing::WriteHostFile(Host("Quaverhouse/Uploads/" + name + ".xml"),
                               "<?xml version=\"1.0\"?>\n<QHSong Version=\"4.0\"><SongName>" + name +
                                   "</SongName><SongArtist>Uploader</SongArtist><SongGUID>" + guid +
                                   "</SongGUID></QHSong>\n");
    if (withSong) MakeSong(Host("Quaverhouse/Uploads/" + name + ".mp3"), name, "Tagged");
  }
  bool Uploaded(const std::string& file) { return fs::exists(Host("Quaverhouse/Uploads/" + file)); }
};

TEST_F(UploadMerge, RegistersCompleteUploadsAndKeepsWhatCouldNotBeMerged) {
  Upload("good", "{11111111-2222-3333-4444-555555555555}");
  Upload("lonely", "{21111111-2222-3333-4444-555555555555}", false);
  Upload("arriving", "{31111111-2222-3333-4444-555555555555}");
  qh::testing::WriteHostFile(Host("Quaverhouse/Uploads/arriving.mp3.upload-42"), "half");
  Upload("damaged", "{41111111-2222-3333-4444-555555555555}");
  qh::testing::WriteHostFile(Host("Quaverhouse/Uploads/damaged.xml"), "<QHSong><SongName>cut off");
  env.Profile().WriteProfileInt("Jukebox", "ErrorMessageBox", 0);

  master->MergeUploads();
  EXPECT_EQ(master->m_lastMergeFound, 2);
  EXPECT_EQ(master->m_lastMergeMerged, 1);
  EXPECT_EQ(Songs(), 1);
  EXPECT_EQ(Songs("Where SongName = 'good' And SongArtist = 'Uploader'"), 1);
  EXPECT_FALSE(Uploaded("good.xml") || Uploaded("good.mp3"));
  EXPECT_TRUE(Uploaded("lonely.xml"));                               // no song file: left, not counted
  EXPECT_TRUE(Uploaded("arriving.xml") && Uploaded("arriving.mp3"));  // still being written
  EXPECT_TRUE(Uploaded("Failed/damaged.xml") && Uploaded("Failed/damaged.mp3"));
  EXPECT_EQ(env.kit.zones[0]->status, "Merge complete: 1 out of 2 files merged.");
  const std::string log = env.LogText();
  EXPECT_NE(log.find("[I][MasterWindow] Checking for uploaded files in folder [D:\\Quaverhouse\\Uploads]."),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("[I][MasterWindow] good (Uploader) was uploaded and successfully added to the database as song 1."),
            std::string::npos);
  EXPECT_NE(log.find("(XML Parse Error)"), std::string::npos);
  EXPECT_NE(log.find("Upload processing complete. 2 upload songs found. 1 uploaded OK."), std::string::npos);

  // The same song again: the library holds it, so the upload goes without a second row.
  Upload("again", "{11111111-2222-3333-4444-555555555555}");
  master->MergeUploads();
  EXPECT_EQ(Songs(), 1);
  EXPECT_FALSE(Uploaded("again.xml"));
  EXPECT_NE(env.LogText().find("[W][MasterWindow] The uploaded song with GUID [{11111111-2222-3333-4444-555555555555}]"),
            std::string::npos);
}

TEST_F(UploadMerge, AFailedCopyKeepsTheUploadAndAddsNothing) {
  Upload("blocked", "{51111111-2222-3333-4444-555555555555}");
  qh::testing::WriteHostFile(Host("Quaverhouse/Songs/Song0000000001.mp3"), "taken");
  master->MergeUploads();
  EXPECT_EQ(Songs(), 0);
  EXPECT_TRUE(Uploaded("blocked.xml") && Uploaded("blocked.mp3"));
  EXPECT_EQ(master->m_lastMergeMerged, 0);
  // Once the trouble is gone the next merge takes it.
  fs::remove(Host("Quaverhouse/Songs/Song0000000001.mp3"));
  master->MergeUploads();
  EXPECT_EQ(Songs(), 1);
  EXPECT_FALSE(Uploaded("blocked.xml"));
}

TEST_F(UploadMerge, AnEmptyFolderLogsTheCheckAndTheSummary) {
  master->MergeUploads();
  EXPECT_EQ(env.kit.zones[0]->status, "Merge complete: 0 out of 0 files merged.");
  EXPECT_EQ(master->m_bMergeBusy, 0);
}

}  // namespace
