// Ripping through the main dialog's Rip button from a CD image made at test time (QH_CDROM) whose first
// track is data: the disc named by a scripted CDDB server on a free port or by default names, tracks picked
// and ripped, each completed in the song information dialog and stored with its row, its genre and its
// file (compared with the image's bytes and read by sox --i); a cancelled song, a file that cannot take
// its place, a disc already in the library, and a disc ejected and put back while the dialog is open.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "platform/cd/testing/CdImageFixture.h"
#include "platform/inet/testing/FakeHttpServer.h"
#include "recorder/RecorderDlg.h"
#include "recorder/RecorderIds.h"
#include "recorder/RipCDDlg.h"
#include "recorder/capture/AlbumDialogs.h"
#include "recorder/capture/CddbProtocol.h"
#include "recorder/capture/MciCdAudio.h"
#include "recorder/tests/RecorderTestSupport.h"

namespace qh::recorder::testing {
namespace {

namespace fs = std::filesystem;
using qh::inet::testing::FakeHttpServer;

constexpr int kRipButton = 1111;

class RipTest : public RecorderTest {
 protected:
  void SetUp() override {
    RecorderTest::SetUp();
    if (!HaveTool("sox")) GTEST_SKIP() << "sox makes the CD image";
    sandbox->AddDrive('E', 0xCDCD0101, "AUDIO_CD", DRIVE_CDROM);
    // A mixed-mode disc: the data track comes first, so list entry n is disc track n + 1.
    image = qh::cd::testing::MakeCdImage(sandbox->Root(), "disc",
                                         {{false, 1.0, 0}, {true, 1.5, 440}, {true, 2.0, 660}, {true, 1.0, 880}});
    setenv("QH_CDROM", image.cuePath.c_str(), 1);
    address = qh::inet::testing::PrivateLoopbackAddress();
    ASSERT_TRUE(StartRecorder());
    discId = ReadDiscId();
  }
  void TearDown() override {
    server.reset();
    unsetenv("QH_CDROM");
    RecorderTest::TearDown();
  }
  DWORD ReadDiscId() {
    CMciCdAudio mci;
    EXPECT_EQ(1, mci.Open('E'));
    CddbToc toc;
    CString error;
    ReadCddbToc(mci.GetDeviceID(), toc, error);
    mci.Close(0);
    return toc.discId;
  }
  std::string DiscIdText() const {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(discId));
    return text;
  }
  // The replies are JSON texts: line ends are written "\\r\\n".
  bool StartServer(const std::string& query, const std::string& read) {
    const std::string routes = R"([{"contains": "cmd=cddb+query+)" + DiscIdText() + R"(", "body": ")" + query +
                               R"("}, {"contains": "cmd=cddb+read+", "body": ")" + read + R"("}])";
    server = std::make_unique<FakeHttpServer>(sandbox->Root(), address, 0, routes);
    if (!server->Ready()) return false;
    app->WriteProfileString("Recorder", "CddbServer", (address + ":" + std::to_string(server->Port())).c_str());
    return true;
  }
  void UseCddb(bool on) {
    app->WriteProfileInt("Recorder", "UseCddb", on ? 1 : 0);
    app->WriteProfileString("Recorder", "CddbServer", address.c_str());
  }
  // The main dialog with its Rip button pressed once.
  void PressRip() {
    OnDialog(IDD_RECORDER, [](CDialog& dialog) {
      EXPECT_TRUE(IsEnabled(dialog, kRipButton));
      Click(dialog, kRipButton);
      Click(dialog, IDOK);
    });
    CRecorderDlg main;
    main.DoModal();
  }
  // The song information dialog of the next ripped track, answered with OK or Cancel.
  void AnswerSongInfo(int button, std::string* name = nullptr) {
    OnDialog(IDD_SONG_INFO, [=](CDialog& dialog) {
      if (name != nullptr) *name = TextOf(dialog, 1013);
      Click(dialog, button);
    });
  }
  static bool WaitForText(CDialog& dialog, int id, const std::string& start) {
    return RunUntil([&] { return TextOf(dialog, id).rfind(start, 0) == 0; }, 20);
  }
  static bool WaitForEntries(CDialog& dialog, size_t count) {
    return RunUntil([&] { return EntriesOf(dialog, CRipCDDlg::kTracks).size() == count; }, 20);
  }
  static void WaitForEnd(CDialog& dialog) { RunUntil([&] { return !dialog.ContinueModal(); }, 60); }
  std::string Managed(LONG songId) {
    char name[64];
    std::snprintf(name, sizeof name, "C/Quaverhouse/Songs/Song%010ld.wav", static_cast<long>(songId));
    return sandbox->HostPath(name);
  }
  bool HoldsTrack(LONG songId, int track) {
    const std::string wav = ReadHostFile(Managed(songId));
    return wav.size() > 44 && wav.substr(44) == qh::cd::testing::TrackBytes(image, track);
  }
  std::vector<std::string> LeftoverTemporaryFiles() {
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(sandbox->HostPath("C/Quaverhouse/Songs")))
      if (entry.path().filename().string().rfind("QHR", 0) == 0) left.push_back(entry.path().filename().string());
    return left;
  }
  // The song's rows in SongGenre.
  LONG GenreRows(LONG songId) {
    tSong probe;
    probe.Attach(Db(), Storage());
    probe.SongID = songId;
    return Db()->LoadSongGenres(&probe);
  }

  qh::cd::testing::CdImage image;
  std::string address;
  DWORD discId = 0;
  std::unique_ptr<FakeHttpServer> server;
};

TEST_F(RipTest, TheDiscIsNamedByCddbAndTheChosenTracksBecomeSongs) {
  UseCddb(true);
  // A real entry of a mixed-mode disc names the data track too.
  ASSERT_TRUE(StartServer("200 rock " + DiscIdText() + " The Band / The Album\\r\\n",
                          "210 rock " + DiscIdText() +
                              "\\r\\nTTITLE0=(data track)\\r\\nTTITLE1=Opening\\r\\nTTITLE2=Middle\\r\\n"
                              "TTITLE3=Closing\\r\\nEXTT0=data\\r\\nEXTT3=live\\r\\n.\\r\\n"));
  OnDialog(IDD_RIP_CD, [](CDialog& dialog) {
    CString caption;
    dialog.GetWindowText(caption);
    EXPECT_EQ("Log Song From Audio CD (Drive E)", caption.str());
    ASSERT_TRUE(WaitForText(dialog, CRipCDDlg::kCddbStatus, "FreeDB Query Complete."))
        << TextOf(dialog, CRipCDDlg::kCddbStatus);
    EXPECT_EQ((std::vector<std::string>{"02 - Opening", "03 - Middle", "04 - Closing"}),
              EntriesOf(dialog, CRipCDDlg::kTracks));
    EXPECT_EQ("The Band", TextOf(dialog, CRipCDDlg::kArtist));
    EXPECT_EQ("The Album", TextOf(dialog, CRipCDDlg::kAlbum));
    EXPECT_EQ("Rock", TextOf(dialog, CRipCDDlg::kGenre));
    EXPECT_EQ("04", TextOf(dialog, CRipCDDlg::kTotalTracks));
    EXPECT_FALSE(IsEnabled(dialog, CRipCDDlg::kRip));
    EXPECT_EQ("&Rip 0 Tracks", TextOf(dialog, CRipCDDlg::kRip));
    ClickEntry(dialog, CRipCDDlg::kTracks, 0);
    ClickEntry(dialog, CRipCDDlg::kTracks, 2);
    EXPECT_EQ("&Rip 2 Tracks", TextOf(dialog, CRipCDDlg::kRip));
    ASSERT_TRUE(IsEnabled(dialog, CRipCDDlg::kRip));
    Click(dialog, CRipCDDlg::kRip);
    WaitForEnd(dialog);
  });
  std::string firstName, secondName;
  AnswerSongInfo(IDCANCEL, &firstName);
  AnswerSongInfo(IDOK, &secondName);
  PressRip();

  EXPECT_EQ("Opening", firstName);
  EXPECT_EQ("Closing", secondName);
  EXPECT_TRUE(boxTexts.empty()) << boxTexts.front();
  ASSERT_EQ(1, Db()->CountSongs(""));
  auto song = Load(1);
  ASSERT_TRUE(song);
  EXPECT_EQ("Closing", song->SongName.str());
  EXPECT_EQ("live", song->SongAttributes.str());
  EXPECT_EQ("00:01.000", song->SongLength.str());
  EXPECT_EQ("Band", song->SongArtist.str()) << "a leading \"The \" is dropped";
  EXPECT_EQ("The Album", song->SongAlbumName.str());
  EXPECT_EQ("Rock", song->SongPrimaryGenre.str());
  EXPECT_EQ(1, GenreRows(1));
  EXPECT_EQ("Audio CD Rip", song->SongSource.str());
  EXPECT_EQ(4, song->SongCdTrack) << "the disc's own track number, past the data track";
  EXPECT_EQ(discId, song->SongCDDB);
  EXPECT_EQ(' ', song->SongCompression);
  EXPECT_TRUE(HoldsTrack(1, 4)) << "the file holds the disc's fourth track, the third audio one";
  EXPECT_TRUE(RunTool("sox --i '" + Managed(1) + "'"));
  EXPECT_TRUE(LeftoverTemporaryFiles().empty()) << "the cancelled track's file is deleted too";
  EXPECT_EQ(1, static_cast<int>(app->GetProfileInt("Recorder", "UseCddb", 0)));
}

TEST_F(RipTest, WithoutCddbTheDiscGetsDefaultNamesAndAFileThatCannotMoveLeavesNoRow) {
  UseCddb(false);
  app->WriteProfileInt("Recorder", "CopyType", 7);
  // Already in the library: one song of this disc, song 1.
  const LONG stored = AddSong({.name = "Old Song", .artist = "Someone", .cdTrack = 3});
  {
    auto song = Load(stored);
    song->SetSongCDDB(discId);
    ASSERT_EQ(1, song->Update());
  }
  // Song 4's managed name is taken by a file that is not the library's.
  qh::testing::WriteHostFile(Managed(4), "someone else's file");
  std::vector<std::string> listed;
  OnDialog(IDD_SONGS_FROM_ALBUM, [&](CDialog& dialog) {
    for (const CString& line : static_cast<CSongsFromAlbumDlg&>(dialog).m_songs) listed.push_back(line.str());
    dialog.EndDialog(IDOK);
  });
  OnDialog(IDD_RIP_CD, [](CDialog& dialog) {
    EXPECT_EQ((std::vector<std::string>{"02 - Unknown Song", "03 - Unknown Song", "04 - Unknown Song"}),
              EntriesOf(dialog, CRipCDDlg::kTracks));
    EXPECT_EQ("Normal", TextOf(dialog, CRipCDDlg::kCopyType)) << "a stored copy type out of range is Normal";
    Click(dialog, CRipCDDlg::kIdentifiedIncorrectly);
    EXPECT_EQ("Unknown", TextOf(dialog, CRipCDDlg::kArtist));
    EXPECT_EQ(0u, TextOf(dialog, CRipCDDlg::kAlbum).find("Album recorded on "));
    EXPECT_EQ("Other", TextOf(dialog, CRipCDDlg::kGenre));
    Click(dialog, CRipCDDlg::kSelectAll);
    EXPECT_EQ("&Rip 3 Tracks", TextOf(dialog, CRipCDDlg::kRip));
    Click(dialog, CRipCDDlg::kClearAll);
    EXPECT_EQ("&Rip 0 Tracks", TextOf(dialog, CRipCDDlg::kRip));
    EXPECT_FALSE(IsEnabled(dialog, CRipCDDlg::kRip));
    Click(dialog, CRipCDDlg::kSelectAll);
    Click(dialog, CRipCDDlg::kRip);
    WaitForEnd(dialog);
  });
  AnswerSongInfo(IDOK);
  AnswerSongInfo(IDOK);
  AnswerSongInfo(IDOK);
  PressRip();

  EXPECT_EQ(std::vector<std::string>{"03: Old Song (Someone)"}, listed);
  ASSERT_EQ(1u, boxTexts.size());
  EXPECT_EQ("Could not copy WAV file. Disk may be full or file may be corrupted.", boxTexts[0]);
  EXPECT_EQ(3, Db()->CountSongs("")) << "the old song and two of three tracks";
  // Default names carry the disc's track numbers, not the list positions.
  for (auto [id, track, name] : {std::tuple{2L, 2, "Track 2"}, std::tuple{3L, 3, "Track 3"}}) {
    auto song = Load(id);
    ASSERT_TRUE(song);
    EXPECT_EQ(name, song->SongName.str());
    EXPECT_EQ("Unknown", song->SongArtist.str());
    EXPECT_EQ("Other", song->SongPrimaryGenre.str());
    EXPECT_EQ(track, song->SongCdTrack);
    EXPECT_TRUE(HoldsTrack(id, track)) << name;
  }
  EXPECT_EQ(0, Db()->CountSongs("Where SongID = 4 "));
  EXPECT_EQ(0, GenreRows(4)) << "the row whose file could not move went with its genres";
  EXPECT_EQ("someone else's file", ReadHostFile(Managed(4)));
  // The track whose file could not move keeps its ripped file, the only copy, where it was ripped.
  const std::vector<std::string> kept = LeftoverTemporaryFiles();
  ASSERT_EQ(1u, kept.size());
  const std::string wav = ReadHostFile(sandbox->HostPath("C/Quaverhouse/Songs/" + kept[0]));
  EXPECT_TRUE(wav.size() > 44 && wav.substr(44) == qh::cd::testing::TrackBytes(image, 4)) << "the disc's fourth track";
  EXPECT_EQ(0, static_cast<int>(app->GetProfileInt("Recorder", "UseCddb", 1)));
  EXPECT_EQ(0, static_cast<int>(app->GetProfileInt("Recorder", "CopyType", 7)));
}

TEST_F(RipTest, AnEjectedDiscEmptiesTheDialogAndIsIdentifiedAgainWhenItComesBack) {
  UseCddb(false);
  OnDialog(IDD_RIP_CD, [](CDialog& dialog) {
    ASSERT_TRUE(WaitForEntries(dialog, 3));
    EXPECT_TRUE(IsEnabled(dialog, CRipCDDlg::kPlay));
    Click(dialog, CRipCDDlg::kEject);
    ASSERT_TRUE(WaitForText(dialog, CRipCDDlg::kStatus, "*INSERT CD*"));
    EXPECT_TRUE(EntriesOf(dialog, CRipCDDlg::kTracks).empty());
    EXPECT_FALSE(IsEnabled(dialog, CRipCDDlg::kPlay));
    EXPECT_FALSE(IsEnabled(dialog, CRipCDDlg::kTracks));
    EXPECT_EQ("--:--", TextOf(dialog, CRipCDDlg::kTrackLength));
    Click(dialog, CRipCDDlg::kEject);
    ASSERT_TRUE(WaitForEntries(dialog, 3)) << "the disc is read again";
    EXPECT_TRUE(IsEnabled(dialog, CRipCDDlg::kTracks));
    ASSERT_TRUE(WaitForText(dialog, CRipCDDlg::kStatus, "PLAYING")) << TextOf(dialog, CRipCDDlg::kStatus);
    EXPECT_EQ("02", TextOf(dialog, CRipCDDlg::kCurrentTrack)) << "the first audio track plays";
    EXPECT_EQ("00:01", TextOf(dialog, CRipCDDlg::kTrackLength));
    ClickEntry(dialog, CRipCDDlg::kTracks, 1);
    ASSERT_TRUE(WaitForText(dialog, CRipCDDlg::kCurrentTrack, "03"));
    Snapshot(dialog, "recorder-rip");
    Click(dialog, IDCANCEL);
  });
  PressRip();
  EXPECT_EQ(0, Db()->CountSongs(""));
  EXPECT_TRUE(LeftoverTemporaryFiles().empty());
}

TEST_F(RipTest, ATrackThatCannotStartEndsTheRipWithItsErrorAndLeavesNothing) {
  UseCddb(false);
  // No folder for the temporary files: the first track cannot start.
  fs::remove_all(sandbox->HostPath("C/Quaverhouse/Songs"));
  OnDialog(IDD_RIP_CD, [](CDialog& dialog) {
    ASSERT_TRUE(WaitForEntries(dialog, 3));
    ClickEntry(dialog, CRipCDDlg::kTracks, 1);
    Click(dialog, CRipCDDlg::kRip);
    WaitForEnd(dialog);
  });
  PressRip();
  ASSERT_EQ(1u, boxTexts.size());
  EXPECT_EQ(0u, boxTexts[0].find("An error occurred when extracting from an audio CD. The error code was 267."))
      << boxTexts[0];
  EXPECT_EQ(0, Db()->CountSongs(""));
}

TEST_F(RipTest, ScanSkipsThroughATrackAndIntroMovesOnToTheNextOne) {
  UseCddb(false);
  const auto longDisc = qh::cd::testing::MakeCdImage(sandbox->Root(), "long", {{false, 1.0, 0}, {true, 40.0, 440},
                                                                                {true, 2.0, 660}});
  setenv("QH_CDROM", longDisc.cuePath.c_str(), 1);
  OnDialog(IDD_RIP_CD, [](CDialog& dialog) {
    ASSERT_TRUE(WaitForEntries(dialog, 2));
    Click(dialog, CRipCDDlg::kModeScan);
    EXPECT_TRUE(IsEnabled(dialog, CRipCDDlg::kSeconds));
    CWnd* spin = dialog.GetDlgItem(CRipCDDlg::kSecondsSpin);
    RECT box{};
    spin->GetClientRect(&box);
    for (int i = 0; i < 6; ++i) ClickAt(spin->m_hWnd, box.right / 2, box.bottom - 2);
    EXPECT_EQ("5", TextOf(dialog, CRipCDDlg::kSeconds)) << "the seconds go no lower than 5";
    const auto start = std::chrono::steady_clock::now();
    Click(dialog, CRipCDDlg::kPlay);
    // Played straight through, the second track would be 13 s in only after 14 s.
    ASSERT_TRUE(RunUntil(
        [&] {
          return TextOf(dialog, CRipCDDlg::kCurrentTrack) == "02" && TextOf(dialog, CRipCDDlg::kTrackPosition) >= "00:13";
        },
        11))
        << TextOf(dialog, CRipCDDlg::kTrackPosition);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << "scan waits its seconds first";
    Click(dialog, CRipCDDlg::kModeIntro);
    const auto intro = std::chrono::steady_clock::now();
    ASSERT_TRUE(RunUntil([&] { return TextOf(dialog, CRipCDDlg::kCurrentTrack) == "03"; }, 10));
    EXPECT_GE(std::chrono::steady_clock::now() - intro, std::chrono::seconds(4)) << "an intro plays its seconds";
    Click(dialog, CRipCDDlg::kModeNormal);
    EXPECT_FALSE(IsEnabled(dialog, CRipCDDlg::kSeconds));
    Click(dialog, IDCANCEL);
  });
  PressRip();
  EXPECT_EQ(0, Db()->CountSongs(""));
}

// Files of this process may not grow past `bytes` while it lives (writes past it fail instead of
// raising a signal), so a track's file can be made to fail in the middle of its copy.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
  }

 private:
  rlimit saved_{};
  void (*previous_)(int) = nullptr;
};

TEST_F(RipTest, ATrackWhoseCopyStopsEarlyIsDroppedAndTheRipGoesOn) {
  UseCddb(false);
  OnDialog(IDD_RIP_CD, [](CDialog& dialog) {
    ASSERT_TRUE(WaitForEntries(dialog, 3));
    Type(dialog, CRipCDDlg::kArtist, "Someone");
    Click(dialog, CRipCDDlg::kSelectAll);
    // Track 2 (1.5 s) and track 4 (1 s) fit; track 3 (2 s, 352,800 bytes) does not.
    FileSizeLimit limit(300000);
    Click(dialog, CRipCDDlg::kRip);
    WaitForEnd(dialog);
  });
  AnswerSongInfo(IDOK);
  AnswerSongInfo(IDOK);
  PressRip();
  ASSERT_EQ(1u, boxTexts.size());
  EXPECT_EQ("The copy from audio CD for track 3 stopped before the end. Please ensure that the CD is clean and the "
            "track is readable.",
            boxTexts[0]);
  ASSERT_EQ(2, Db()->CountSongs(""));
  for (auto [id, track] : {std::pair{1L, 2}, std::pair{2L, 4}}) {
    auto song = Load(id);
    ASSERT_TRUE(song);
    EXPECT_EQ(track, song->SongCdTrack);
    EXPECT_TRUE(HoldsTrack(id, track)) << track;
  }
  EXPECT_TRUE(LeftoverTemporaryFiles().empty()) << "the broken copy is deleted";
}

TEST(RipModes, TheDrivesModeTextsFallIntoTheTimersClasses) {
  const std::pair<const char*, int> cases[] = {{"not ready", 0}, {"init", 0}, {"", 0},       {"open", 1},
                                               {"paused", 2},    {"playing", 3}, {"seeking", 4}, {"stopped", 5},
                                               {"PLAYING", 0}};
  for (auto [mode, expected] : cases) EXPECT_EQ(expected, CRipCDDlg::ModeClass(mode)) << mode;
}

}  // namespace
}  // namespace qh::recorder::testing
