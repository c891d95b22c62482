// The CD rip dialog on a generated mixed-mode CD image (QH_CDROM, the data track first) with a scripted
// CDDB server on a free port: the disc is identified, its titles shown, the chosen tracks ripped and stored as songs whose files hold the
// image's tracks; a disc already in the library is listed; without a CDDB server the disc gets
// default names and still rips.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "jukebox/app/MainWindowDialogs.h"
#include "jukebox/app/dialogs/MediaDialogRunners.h"
#include "jukebox/app/dialogs/RipCDDlg.h"
#include "jukebox/app/dialogs/tests/MediaDialogsTestSupport.h"
#include "platform/cd/testing/CdImageFixture.h"
#include "platform/inet/testing/FakeHttpServer.h"
#include "recorder/capture/AlbumDialogs.h"
#include "recorder/capture/CddbProtocol.h"
#include "recorder/capture/MciCdAudio.h"

namespace media_dialogs_test {
namespace {

namespace fs = std::filesystem;
using qh::inet::testing::FakeHttpServer;

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out;
}

class RipCDDlgTest : public MediaDialogsTest {
 protected:
  void SetUp() override {
    MediaDialogsTest::SetUp();
    if (!RunTool("command -v sox")) GTEST_SKIP() << "sox is needed for the CD image";
    sandbox_->AddDrive('E', 0xCDCD0101, "AUDIO_CD", DRIVE_CDROM);
    // List entry n rips disc track n + 1.
    image_ = qh::cd::testing::MakeCdImage(sandbox_->Root(), "disc",
                                          {{false, 1.0, 0}, {true, 2.0, 440}, {true, 1.5, 660}, {true, 2.5, 880}});
    setenv("QH_CDROM", image_.cuePath.c_str(), 1);
    address_ = qh::inet::testing::PrivateLoopbackAddress();
    InstallMediaDialogRunners();
    discId_ = ReadDiscId();
  }
  void TearDown() override {
    server_.reset();
    unsetenv("QH_CDROM");
    MediaDialogsTest::TearDown();
  }
  std::string ReadDiscId() {
    CMciCdAudio mci;
    EXPECT_EQ(mci.Open('E'), 1);
    CddbToc toc;
    CString error;
    ReadCddbToc(mci.GetDeviceID(), toc, error);
    mci.Close(0);
    char id[16];
    std::snprintf(id, sizeof id, "%08x", static_cast<unsigned>(toc.discId));
    return id;
  }
  // The server on a free port; `server_setting_` names it.
  bool StartServer(const std::string& query, const std::string& read) {
    const std::string routes = R"([{"contains": "cmd=cddb+query+)" + discId_ + R"(", "body": ")" + Escaped(query) +
                               R"("}, {"contains": "cmd=cddb+read+", "body": ")" + Escaped(read) + R"("}])";
    server_ = std::make_unique<FakeHttpServer>(sandbox_->Root(), address_, 0, routes);
    if (!server_->Ready()) return false;
    server_setting_ = address_ + ":" + std::to_string(server_->Port());
    return true;
  }
  // Waits (dispatching) until the status line starts with `text`.
  static bool WaitForStatus(CDialog& dialog, const std::string& text) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (TextOf(dialog, CRipCDDlg::kStatus).rfind(text, 0) != 0 && std::chrono::steady_clock::now() < end) Settle();
    return TextOf(dialog, CRipCDDlg::kStatus).rfind(text, 0) == 0;
  }
  static void WaitForEnd(CDialog& dialog) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (dialog.ContinueModal() && std::chrono::steady_clock::now() < end) Settle();
  }
  INT_PTR Rip(const char* server) {
    return MainWindowDialogs().ripDialog(nullptr, "C:\\Quaverhouse\\Songs", server);
  }
  std::vector<std::unique_ptr<tSong>> SongsOfDisc() {
    std::vector<std::unique_ptr<tSong>> songs;
    for (LONG id = 1; id < 50; ++id)
      if (auto song = Load(id); song && song->SongSource == "Audio CD Rip") songs.push_back(std::move(song));
    return songs;
  }

  // Rips the list's first entry (the disc's second track) once the dialog lists the disc's tracks.
  void RipTheFirstEntryWhenTheDialogOpens() {
    OnDialog(CRipCDDlg::IDD, [](CDialog& dialog) {
      const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (EntriesOf(dialog, CRipCDDlg::kTracks).size() < 3 && std::chrono::steady_clock::now() < end) Settle();
      ClickEntry(dialog, CRipCDDlg::kTracks, 0);
      Click(dialog, CRipCDDlg::kRip);
      WaitForEnd(dialog);
    });
  }
  // The ripped file left in `folder` (a host path below the sandbox) is its only file and holds the
  // disc's second track.
  void ExpectTheSecondTrackKeptIn(const std::string& folder) {
    std::vector<std::string> kept;
    for (const auto& entry : fs::directory_iterator(Host(folder)))
      if (entry.is_regular_file()) kept.push_back(entry.path().string());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(fs::path(kept[0]).filename().string().rfind("QHR", 0), 0u) << kept[0];
    const std::string wav = ReadHostFile(kept[0]);
    ASSERT_GT(wav.size(), 44u);
    EXPECT_TRUE(wav.substr(44) == qh::cd::testing::TrackBytes(image_, 2)) << "the file holds the disc's second track";
  }

  qh::cd::testing::CdImage image_;
  std::string address_;
  std::string server_setting_;
  std::string discId_;
  std::unique_ptr<FakeHttpServer> server_;
};

TEST_F(RipCDDlgTest, TheDiscIsNamedByCddbAndTheChosenTracksBecomeSongs) {
  // A real entry of a mixed-mode disc names the data track too.
  ASSERT_TRUE(StartServer("200 rock " + discId_ + " The Band / The Album\r\n",
                          "210 rock " + discId_ +
                              "\r\nTTITLE0=(data track)\r\nTTITLE1=Opening\r\nTTITLE2=Middle\r\nTTITLE3=Closing\r\n"
                              "EXTT0=data\r\nEXTT3=live\r\n.\r\n"));
  OnDialog(CRipCDDlg::IDD, [](CDialog& dialog) {
    CString caption;
    dialog.GetWindowText(caption);
    EXPECT_EQ(caption.str(), "Rip audio tracks from CD Drive E:");
    ASSERT_TRUE(WaitForStatus(dialog, "FreeDB Query Complete.")) << TextOf(dialog, CRipCDDlg::kStatus);
    EXPECT_EQ(EntriesOf(dialog, CRipCDDlg::kTracks),
              (std::vector<std::string>{"02 - Opening", "03 - Middle", "04 - Closing"}));
    EXPECT_EQ(TextOf(dialog, CRipCDDlg::kArtist), "The Band");
    EXPECT_EQ(TextOf(dialog, CRipCDDlg::kAlbum), "The Album");
    EXPECT_EQ(TextOf(dialog, CRipCDDlg::kGenre), "Rock");
    EXPECT_FALSE(IsEnabled(dialog, CRipCDDlg::kRip)) << "nothing chosen yet";
    ClickEntry(dialog, CRipCDDlg::kTracks, 0);
    ClickEntry(dialog, CRipCDDlg::kTracks, 2, MK_CONTROL);
    ASSERT_TRUE(IsEnabled(dialog, CRipCDDlg::kRip));
    Click(dialog, CRipCDDlg::kRip);
    WaitForEnd(dialog);
    // The last track ripped is the disc's fourth, the list's third entry.
    EXPECT_EQ(TextOf(dialog, CRipCDDlg::kStatus), "Ripping Track 4 (2 of 2)");
  });
  ASSERT_EQ(Rip(server_setting_.c_str()), IDOK);
  auto songs = SongsOfDisc();
  ASSERT_EQ(songs.size(), 2u);
  const int tracks[] = {2, 4};  // the disc's own track numbers
  const char* names[] = {"Opening", "Closing"};
  for (size_t i = 0; i < songs.size(); ++i) {
    tSong& song = *songs[i];
    EXPECT_EQ(song.SongName.str(), names[i]);
    EXPECT_EQ(song.SongArtist.str(), "Band") << "a leading \"The \" is dropped";
    EXPECT_EQ(song.SongAlbumName.str(), "The Album");
    EXPECT_EQ(song.SongPrimaryGenre.str(), "Rock");
    EXPECT_EQ(song.SongCdTrack, tracks[i]);
    EXPECT_EQ(song.SongCompression, ' ');
    char discId[16];
    std::snprintf(discId, sizeof discId, "%08x", static_cast<unsigned>(song.SongCDDB));
    EXPECT_EQ(discId, discId_);
    const std::string wav = ReadHostFile(SongFile(song.SongID, "wav"));
    ASSERT_GT(wav.size(), 44u);
    EXPECT_TRUE(wav.substr(44) == qh::cd::testing::TrackBytes(image_, tracks[i])) << "track " << tracks[i];
  }
  EXPECT_EQ(songs[1]->SongAttributes.str(), "live");
  for (const auto& entry : fs::directory_iterator(Host("C/Quaverhouse/Songs")))
    EXPECT_EQ(entry.path().filename().string().rfind("QHR", 0), std::string::npos) << "no temporary file is left";
}

TEST_F(RipCDDlgTest, ADiscAlreadyInTheLibraryIsListedWhenItIsSeen) {
  const LONG id = std::strtoul(discId_.c_str(), nullptr, 16);
  AddSong({.name = "Stored", .artist = "Someone", .cdTrack = 2, .cddb = id});
  std::vector<std::string> listed;
  OnDialog(IDD_SONGS_FROM_ALBUM, [&](CDialog& dialog) {
    for (const CString& line : static_cast<CSongsFromAlbumDlg&>(dialog).m_songs) listed.push_back(line.str());
    dialog.EndDialog(IDOK);
  });
  OnDialog(CRipCDDlg::IDD, [](CDialog& dialog) { Click(dialog, IDCANCEL); });
  EXPECT_EQ(Rip(""), IDCANCEL);
  EXPECT_EQ(listed, (std::vector<std::string>{"02: Stored (Someone)"}));
}

TEST_F(RipCDDlgTest, WithoutACddbServerTheDiscGetsDefaultNamesAndStillRips) {
  OnDialog(CRipCDDlg::IDD, [](CDialog& dialog) {
    ASSERT_TRUE(WaitForStatus(dialog, "Could not get CD information")) << TextOf(dialog, CRipCDDlg::kStatus);
    EXPECT_EQ(EntriesOf(dialog, CRipCDDlg::kTracks),
              (std::vector<std::string>{"02 - Unknown Song", "03 - Unknown Song", "04 - Unknown Song"}));
    EXPECT_EQ(TextOf(dialog, CRipCDDlg::kArtist), "Unkown Artist");
    EXPECT_EQ(TextOf(dialog, CRipCDDlg::kAlbum).rfind("Album recorded at ", 0), 0u);
    ClickEntry(dialog, CRipCDDlg::kTracks, 1);
    Click(dialog, CRipCDDlg::kRip);
    WaitForEnd(dialog);
  });
  // A loopback address where nothing listens: the connection is refused.
  ASSERT_EQ(Rip(address_.c_str()), IDOK);
  auto songs = SongsOfDisc();
  ASSERT_EQ(songs.size(), 1u);
  EXPECT_EQ(songs[0]->SongName.str(), "Track 3") << "the default name carries the disc's track number";
  EXPECT_EQ(songs[0]->SongCdTrack, 3);
  EXPECT_EQ(songs[0]->SongArtist.str(), "Unkown Artist");
  EXPECT_TRUE(ReadHostFile(SongFile(songs[0]->SongID, "wav")).substr(44) == qh::cd::testing::TrackBytes(image_, 3));
}

TEST_F(RipCDDlgTest, SelectAllAndClearAllDriveTheRipButton) {
  OnDialog(CRipCDDlg::IDD, [](CDialog& dialog) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (EntriesOf(dialog, CRipCDDlg::kTracks).size() < 3 && std::chrono::steady_clock::now() < end) Settle();
    Click(dialog, CRipCDDlg::kSelectAll);
    EXPECT_TRUE(IsEnabled(dialog, CRipCDDlg::kRip));
    EXPECT_EQ(static_cast<CListBox*>(dialog.GetDlgItem(CRipCDDlg::kTracks))->GetSelCount(), 3);
    Click(dialog, CRipCDDlg::kClearAll);
    EXPECT_FALSE(IsEnabled(dialog, CRipCDDlg::kRip));
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(Rip(""), IDCANCEL);
  EXPECT_TRUE(SongsOfDisc().empty());
}

// The songs folder the main window chose belongs to no volume that can take songs (its disk went, say):
// nothing is stored, the user hears of it, and the ripped files stay, as they are the only copies.
TEST_F(RipCDDlgTest, RippedFilesThatCannotBeStoredAreKept) {
  std::filesystem::create_directories(Host("C/Elsewhere"));
  RipTheFirstEntryWhenTheDialogOpens();
  ASSERT_EQ(MainWindowDialogs().ripDialog(nullptr, "C:\\Elsewhere", ""), IDOK);
  EXPECT_TRUE(SongsOfDisc().empty());
  ASSERT_EQ(boxTexts.size(), 1u);
  EXPECT_EQ(boxTexts[0], "Song could not be saved in the database. CD rip might be incomplete.");
  ExpectTheSecondTrackKeptIn("C/Elsewhere");
}

// The song's own file name is taken (here by a folder), so the song cannot be added: the user hears of it,
// and the ripped file stays in the songs folder, as it is the only copy of the track.
TEST_F(RipCDDlgTest, ARippedTrackThatCannotBecomeASongKeepsItsFile) {
  for (LONG id = 1; id < 50; ++id) fs::create_directories(SongFile(id, "wav"));
  RipTheFirstEntryWhenTheDialogOpens();
  ASSERT_EQ(Rip(""), IDOK);
  EXPECT_TRUE(SongsOfDisc().empty()) << "no row without its file";
  ASSERT_EQ(boxTexts.size(), 1u);
  EXPECT_EQ(boxTexts[0], "Song could not be saved in the database. CD rip might be incomplete.");
  ExpectTheSecondTrackKeptIn("C/Quaverhouse/Songs");
}

TEST(RipCDDlgModes, ModeTextsAreClassified) {
  EXPECT_EQ(CRipCDDlg::ModeClass("open"), 1);
  EXPECT_EQ(CRipCDDlg::ModeClass("not ready"), 1);
  EXPECT_EQ(CRipCDDlg::ModeClass("paused"), 2);
  EXPECT_EQ(CRipCDDlg::ModeClass("stopped"), 5);
  EXPECT_EQ(CRipCDDlg::ModeClass("dancing"), 0);
}

}  // namespace
}  // namespace media_dialogs_test
