// Importing and indexing sound files through the main dialog's Import button: the choice dialog, files
// made with sox and lame (odd names, mixed-case extensions, ADPCM, files that are no audio), copies
// checked with sox --i, rows and genres checked in the database, a copy that may not overwrite, and
// folder trees indexed where they lie (twice, and with a link back up the tree).
#include <filesystem>

#include "platform/ui/AfxControls.h"
#include "platform/ui/CommonDialogs.h"
#include "recorder/ImportDlg.h"
#include "recorder/RecorderDlg.h"
#include "recorder/RecorderIds.h"
#include "recorder/SoundFileImport.h"
#include "recorder/capture/MyOpen.h"
#include "recorder/tests/RecorderTestSupport.h"

namespace qh::recorder::testing {
namespace {

namespace fs = std::filesystem;

constexpr DWORD kMusicSerial = 0x0D15C0DE;

class ImportTest : public RecorderTest {
 protected:
  void SetUp() override {
    RecorderTest::SetUp();
    if (!HaveTool("sox") || !HaveTool("lame")) GTEST_SKIP() << "sox and lame make the sound files";
    sandbox->AddDrive('D', kMusicSerial, "MUSIC");
    ASSERT_TRUE(StartRecorder());
  }
  void TearDown() override {
    qh::ui::SetFileDialogAnswerer(nullptr);
    qh::ui::SetFolderAnswerer(nullptr);
    RecorderTest::TearDown();
  }
  std::string Music(const std::string& relative) { return sandbox->HostPath("D/" + relative); }
  // Made under a plain name and renamed, so any name survives the shell.
  void MakeWav(const std::string& relative, const std::string& options = "-b 16", double seconds = 1.0) {
    const std::string made = sandbox->HostPath("made.wav");
    ASSERT_TRUE(RunTool("sox -n -r 22050 -c 1 " + options + " '" + made + "' synth " + std::to_string(seconds) +
                        " sine 440"));
    PlaceAt(made, relative);
  }
  void MakeMp3(const std::string& relative, const std::string& title = "", const std::string& artist = "") {
    const std::string made = sandbox->HostPath("made.mp3");
    std::string tags;
    if (!title.empty()) tags += " --tt '" + title + "' --ta '" + artist + "'";
    ASSERT_TRUE(RunTool("sox -n -r 44100 -c 2 -b 16 -t wav - synth 1 sine 660 | lame --quiet -b 128" + tags +
                        " - '" + made + "'"));
    PlaceAt(made, relative);
  }
  void PlaceAt(const std::string& made, const std::string& relative) {
    fs::create_directories(fs::path(Music(relative)).parent_path());
    fs::rename(made, Music(relative));
  }
  std::string Managed(LONG songId, const char* extension) {
    char name[64];
    std::snprintf(name, sizeof name, "C/Quaverhouse/Songs/Song%010ld.%s", static_cast<long>(songId), extension);
    return sandbox->HostPath(name);
  }
  // sox's reading of a file's format: "<channels> <rate> <encoding>".
  static std::string SoxInfo(const std::string& path) {
    const std::string out = path + ".info";
    if (!RunTool("{ sox --i '" + path + "' > '" + out + "'; }")) return "";
    const std::string text = ReadHostFile(out);
    fs::remove(out);
    auto field = [&](const std::string& key) {
      const size_t at = text.find(key);
      if (at == std::string::npos) return std::string();
      const size_t start = text.find(": ", at) + 2;
      return text.substr(start, text.find('\n', start) - start);
    };
    return field("Channels") + " " + field("Sample Rate") + " " + field("Sample Encoding");
  }
  LONG SongCount() { return Db()->CountSongs(""); }
  std::vector<std::string> GenresOf(LONG songId) {
    auto song = Load(songId);
    std::vector<std::string> genres;
    if (!song) return genres;
    if (!song->SongPrimaryGenre.IsEmpty()) genres.push_back(song->SongPrimaryGenre.str());
    CStringArray more;
    song->GetGenres(more);
    for (INT_PTR i = 0; i < more.GetSize(); ++i) genres.push_back(more[i].str());
    return genres;
  }
  // The choice dialog answered: artist, album, genre entry ("" keeps "*ALL*"), then the mode's button.
  void AnswerChoice(int button, const std::string& artist = "", const std::string& album = "",
                    const std::string& genre = "") {
    OnDialog(IDD_IMPORT, [=](CDialog& dialog) {
      if (!artist.empty()) Type(dialog, CImportDlg::kArtist, artist);
      if (!album.empty()) Type(dialog, CImportDlg::kAlbum, album);
      if (!genre.empty()) Choose(dialog, CImportDlg::kGenre, genre);
      Click(dialog, button);
    });
  }
  void ChooseFiles(std::vector<std::string> paths, bool deleteSource) {
    qh::ui::SetFileDialogAnswerer([=, this](const qh::ui::FileDialogRequest& request, CFileDialog& dialog) {
      seenRequest = request;
      seenDeleteBox = dialog.IsDlgButtonChecked(IDC_DELETE_SOURCE);
      dialog.CheckDlgButton(IDC_DELETE_SOURCE, deleteSource ? BST_CHECKED : BST_UNCHECKED);
      return qh::ui::FileDialogAnswer{false, paths};
    });
  }
  void ChooseFolder(const std::string& folder) {
    qh::ui::SetFolderAnswerer([=, this](const qh::ui::FolderRequest& request) {
      seenFolderTitle = request.title;
      return folder;
    });
  }
  // The main dialog with its Import button pressed once.
  void PressImport() {
    OnDialog(IDD_RECORDER, [](CDialog& dialog) {
      Click(dialog, 1112);
      Click(dialog, IDOK);
    });
    CRecorderDlg main;
    main.DoModal();
  }
  // The song's rows in SongGenre.
  LONG GenreRows(LONG songId) {
    tSong probe;
    probe.Attach(Db(), Storage());
    probe.SongID = songId;
    return Db()->LoadSongGenres(&probe);
  }
  std::string LastBox() const { return boxTexts.empty() ? "" : boxTexts.back(); }

  qh::ui::FileDialogRequest seenRequest;
  UINT seenDeleteBox = 99;
  std::string seenFolderTitle;
};

TEST_F(ImportTest, TheChoiceDialogOffersEveryGenreAfterAllAndLimitsTheTexts) {
  OnDialog(IDD_IMPORT, [](CDialog& dialog) {
    auto* combo = static_cast<CComboBox*>(dialog.GetDlgItem(CImportDlg::kGenre));
    std::vector<std::string> genres;
    for (int i = 0; i < combo->GetCount(); ++i) {
      CString entry;
      combo->GetLBText(i, entry);
      genres.push_back(entry.str());
    }
    ASSERT_GT(genres.size(), 100u);
    EXPECT_EQ("*ALL*", genres.front());
    EXPECT_EQ("*ALL*", TextOf(dialog, CImportDlg::kGenre));
    EXPECT_EQ("", TextOf(dialog, CImportDlg::kArtist));
    Snapshot(dialog, "recorder-import");
    Type(dialog, CImportDlg::kArtist, std::string(81, 'a'));
    EXPECT_EQ(std::string(80, 'a'), TextOf(dialog, CImportDlg::kArtist)) << "the edit takes 80 characters";
    Click(dialog, CImportDlg::kIndexButton);
  });
  CImportDlg choice(Db());
  ASSERT_EQ(IDOK, choice.DoModal());
  EXPECT_EQ(CImportDlg::kIndex, choice.m_mode);
  EXPECT_EQ(std::string(80, 'a'), choice.m_artist.str());
  EXPECT_TRUE(choice.m_genre.IsEmpty()) << "*ALL* sets no genre";
  EXPECT_TRUE(boxTexts.empty());

  OnDialog(IDD_IMPORT, [](CDialog& dialog) {
    Choose(dialog, CImportDlg::kGenre, "Jazz");
    Click(dialog, CImportDlg::kImportButton);
  });
  CImportDlg second(Db());
  ASSERT_EQ(IDOK, second.DoModal());
  EXPECT_EQ(CImportDlg::kImport, second.m_mode);
  EXPECT_EQ("Jazz", second.m_genre.str());
}

TEST_F(ImportTest, ChosenFilesAreCopiedIntoTheSongStoreAndTheirSourcesDeleted) {
  MakeWav("In/Rock & Roll's (1) caf\u00e9.wav");  // the host's UTF-8 name of a code page 1252 one
  MakeMp3("In/Loud.Mp3", "Tagged Title", "The Tagged Band");
  qh::testing::WriteHostFile(Music("In/not audio.wav"), std::string(5000, 'x'));
  AnswerChoice(CImportDlg::kImportButton, "", "Imported Album", "Jazz");
  ChooseFiles({"D:\\In\\Rock & Roll's (1) caf\xe9.wav", "D:\\In\\Loud.Mp3", "D:\\In\\not audio.wav"}, true);
  PressImport();

  EXPECT_EQ("Import Song", seenRequest.title);
  ASSERT_EQ(2u, seenRequest.filters.size());
  EXPECT_EQ("Audio files (*.WAV, *.MP3)", seenRequest.filters[0].first);
  EXPECT_EQ("*.wav;*.mp3", seenRequest.filters[0].second);
  EXPECT_EQ("*.*", seenRequest.filters[1].second);
  EXPECT_TRUE(seenRequest.flags & OFN_ALLOWMULTISELECT);
  EXPECT_TRUE(seenRequest.flags & OFN_FILEMUSTEXIST);
  EXPECT_EQ(static_cast<UINT>(BST_UNCHECKED), seenDeleteBox) << "DeleteOnImport starts at 0";
  EXPECT_EQ(1, static_cast<int>(app->GetProfileInt("Recorder", "DeleteOnImport", 0)));

  ASSERT_EQ(2u, boxTexts.size());
  EXPECT_NE(std::string::npos, boxTexts[0].find("when importing or indexing song D:\\In\\not audio.wav")) << boxTexts[0];
  EXPECT_EQ("File import completed.\r\n1 mp3 files imported.\r\n1 wav files imported.\r\n1 files NOT imported due to error.",
            boxTexts[1]);

  ASSERT_EQ(2, SongCount());
  auto wav = Load(1);
  ASSERT_TRUE(wav);
  EXPECT_EQ(' ', wav->SongCompression);
  EXPECT_EQ("", wav->SongPath.str());
  EXPECT_EQ(qh::testing::TestSandbox::kSystemSerial, wav->SongVolser);
  EXPECT_EQ("Imported Album", wav->SongAlbumName.str());
  EXPECT_EQ(std::vector<std::string>{"Jazz"}, GenresOf(1));
  EXPECT_EQ("1 22050 16-bit Signed Integer PCM", SoxInfo(Managed(1, "wav")));
  auto mp3 = Load(2);
  ASSERT_TRUE(mp3);
  EXPECT_EQ('R', mp3->SongCompression) << "a mixed-case MP3 extension takes the MP3 way";
  EXPECT_EQ("Tagged Title", mp3->SongName.str());
  EXPECT_EQ(std::vector<std::string>{"Jazz"}, GenresOf(2));
  EXPECT_EQ("2 44100 MPEG audio (layer I, II or III)", SoxInfo(Managed(2, "mp3")));

  EXPECT_FALSE(fs::exists(Music("In/Rock & Roll's (1) caf\u00e9.wav")));
  EXPECT_FALSE(fs::exists(Music("In/Loud.Mp3")));
  EXPECT_TRUE(fs::exists(Music("In/not audio.wav"))) << "a file that was not imported stays";
}

TEST_F(ImportTest, AnImportThatCannotCopyLeavesNoRowAndTheOtherFilesGoOn) {
  MakeWav("In/first.wav");
  MakeWav("In/second.wav");
  MakeWav("In/adpcm.WAVE", "-e ms-adpcm");
  // Song 2's managed name is already taken by a file that is not the library's.
  qh::testing::WriteHostFile(Managed(2, "wav"), "someone else's file");
  AnswerChoice(CImportDlg::kImportButton, "", "", "Rock");
  ChooseFiles({"D:\\In\\first.wav", "D:\\In\\second.wav"}, true);
  PressImport();

  ASSERT_EQ(2u, boxTexts.size());
  EXPECT_EQ("OS error 00000050 when importing wav file D:\\In\\second.wav.", boxTexts[0]);
  EXPECT_EQ("File import completed.\r\n0 mp3 files imported.\r\n1 wav files imported.\r\n1 files NOT imported due to error.",
            boxTexts[1]);
  EXPECT_EQ("someone else's file", ReadHostFile(Managed(2, "wav")));
  EXPECT_TRUE(fs::exists(Music("In/second.wav"))) << "the source of a failed copy is kept";
  EXPECT_FALSE(fs::exists(Music("In/first.wav")));
  EXPECT_EQ(1, SongCount()) << "the row of the failed copy is gone";
  EXPECT_EQ(0, Db()->CountSongs("Where SongID = 2 "));
  EXPECT_EQ(0, GenreRows(2)) << "and its genres with it";
  EXPECT_EQ(1, GenreRows(1));

  // Any extension but MP3 is read as WAV; an ADPCM file imports with its own code.
  boxTexts.clear();
  fs::remove(Managed(2, "wav"));
  AnswerChoice(CImportDlg::kImportButton);
  ChooseFiles({"D:\\In\\adpcm.WAVE"}, false);
  PressImport();
  EXPECT_EQ("File import completed.\r\n0 mp3 files imported.\r\n1 wav files imported.\r\n0 files NOT imported due to error.",
            LastBox());
  auto adpcm = Load(2);
  ASSERT_TRUE(adpcm);
  EXPECT_EQ('A', adpcm->SongCompression);
  EXPECT_EQ("1 22050 4-bit MS ADPCM", SoxInfo(Managed(2, "wav")));
  EXPECT_TRUE(fs::exists(Music("In/adpcm.WAVE")));
}

TEST_F(ImportTest, AFileThatVanishedBeforeItsTurnIsSkipped) {
  MakeWav("In/first.wav");
  CSoundFileImporter importer(Db(), Storage());
  EXPECT_TRUE(importer.ImportFiles({"D:\\In\\gone.wav", "D:\\In\\first.wav"}, false));
  EXPECT_EQ((std::vector<std::string>{
                "Could not get status information for file D:\\In\\gone.wav. Skipping to the next file."}),
            boxTexts);
  EXPECT_EQ(1u, importer.Counts().failed);
  EXPECT_EQ(1u, importer.Counts().wav);
  EXPECT_EQ(1, SongCount());
  EXPECT_TRUE(fs::exists(Music("In/first.wav"))) << "without the delete option the source stays";
}

TEST_F(ImportTest, AFileNoVolumeHasRoomForEndsTheImportWithoutItsReport) {
  MakeWav("In/first.wav");
  // A sparse file far larger than any volume's free space; it takes no room itself.
  std::error_code failed;
  qh::testing::WriteHostFile(Music("In/huge.wav"), "");
  fs::resize_file(Music("In/huge.wav"), 10ull << 40, failed);
  if (failed) GTEST_SKIP() << "the file system takes no 10 TB sparse file";
  AnswerChoice(CImportDlg::kImportButton);
  ChooseFiles({"D:\\In\\huge.wav", "D:\\In\\first.wav"}, true);
  PressImport();
  EXPECT_EQ((std::vector<std::string>{"Could not find enough space on any storage device for the requested operation. "
                                      "Free up space or add a new storage device to continue."}),
            boxTexts);
  EXPECT_EQ(0, SongCount()) << "the files after it are not imported";
  EXPECT_TRUE(fs::exists(Music("In/first.wav")));
}

TEST_F(ImportTest, CancellingTheChoiceOrTheChooserDoesNothing) {
  MakeWav("In/first.wav");
  OnDialog(IDD_IMPORT, [](CDialog& dialog) { Click(dialog, IDCANCEL); });
  PressImport();
  AnswerChoice(CImportDlg::kImportButton);
  qh::ui::SetFileDialogAnswerer([](const qh::ui::FileDialogRequest&, CFileDialog&) {
    return qh::ui::FileDialogAnswer{true, {}};
  });
  PressImport();
  AnswerChoice(CImportDlg::kIndexButton);
  ChooseFolder("");
  PressImport();
  EXPECT_TRUE(boxTexts.empty());
  EXPECT_EQ(0, SongCount());
  EXPECT_TRUE(fs::exists(Music("In/first.wav")));
}

TEST_F(ImportTest, IndexingAddsTheTreeWhereItLiesOnceAndFollowsNoLinkBackUp) {
  MakeMp3("Music/One.MP3");
  MakeWav("Music/Sub Folder/Two & Three.wav");
  MakeWav("Music/Sub Folder/Deeper/four.Wav");
  MakeWav("Music/adpcm.wav", "-e ms-adpcm");
  qh::testing::WriteHostFile(Music("Music/Sub Folder/broken.mp3"), std::string(4000, '\0'));
  fs::create_directory_symlink(Music("Music"), Music("Music/Sub Folder/Back Up"));
  AnswerChoice(CImportDlg::kIndexButton, "Indexed Artist", "Indexed Album", "Blues");
  ChooseFolder("D:\\Music");
  PressImport();

  EXPECT_EQ("Choose the Music Folder", seenFolderTitle);
  ASSERT_EQ(3u, boxTexts.size()) << LastBox();
  EXPECT_EQ("Could not import song D:\\Music\\adpcm.wav. Only songs PCM format WAV files can be imported or indexed.",
            boxTexts[0]);
  EXPECT_NE(std::string::npos, boxTexts[1].find("when importing or indexing song D:\\Music\\Sub Folder\\broken.mp3"))
      << boxTexts[1];
  EXPECT_EQ("File indexing completed.\r\n1 mp3 files indexed.\r\n2 wav files indexed.\r\n2 files NOT indexed due to error.",
            boxTexts[2]);
  ASSERT_EQ(3, SongCount());
  struct Expected {
    const char* path;
    char code;
  } expected[] = {{"Music\\One.MP3", '3'}, {"Music\\Sub Folder\\Two & Three.wav", 'V'},
                  {"Music\\Sub Folder\\Deeper\\four.Wav", 'V'}};
  for (LONG id = 1; id <= 3; ++id) {
    auto song = Load(id);
    ASSERT_TRUE(song);
    const Expected& want = expected[id - 1];
    EXPECT_EQ(want.path, song->SongPath.str());
    EXPECT_EQ(want.code, song->SongCompression) << want.path;
    EXPECT_EQ(kMusicSerial, song->SongVolser) << want.path;
    EXPECT_EQ("Indexed Artist", song->SongArtist.str());
    EXPECT_EQ("Indexed Album", song->SongAlbumName.str());
    EXPECT_EQ(std::vector<std::string>{"Blues"}, GenresOf(id));
  }
  EXPECT_TRUE(fs::exists(Music("Music/One.MP3"))) << "indexing leaves the files where they are";

  // The same tree again: every file is already known or still refused.
  boxTexts.clear();
  AnswerChoice(CImportDlg::kIndexButton);
  ChooseFolder("D:\\Music");
  PressImport();
  EXPECT_EQ("File indexing completed.\r\n0 mp3 files indexed.\r\n0 wav files indexed.\r\n5 files NOT indexed due to error.",
            LastBox());
  EXPECT_EQ(3, SongCount());
}

}  // namespace
}  // namespace qh::recorder::testing
