// The CDDB client of the rip dialogs against a scripted server per disc id, on a free port of a
// loopback address of its own that the server setting names as "host:port".
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include <cstdlib>

#include "dblib/AlbumDb.h"
#include "dblib/QHDb.h"
#include "dblib/Song.h"
#include "dblib/Storage.h"
#include "maintenance/schema/SongDbSchema.h"
#include "platform/dao/Dao.h"
#include "dblib/tests/media/AlbumDbFixture.h"
#include "platform/cd/testing/CdImageFixture.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/inet/testing/FakeHttpServer.h"
#include "recorder/capture/CddbClient.h"
#include "recorder/capture/MciCdAudio.h"
#include "recorder/capture/tests/CaptureTestSupport.h"

namespace {

using qh::inet::testing::FakeHttpServer;

// The dialog's side: its controls as texts, its window as the message target.
class RecordingView : public ICddbView {
 public:
  HWND CddbWindow() override { return window.hwnd(); }
  void SetCddbStatus(const CString& text) override { status = text; }
  void ShowCddbWarning(const CString& text) override { warnings.push_back(text); }
  void ClearTrackList() override { trackList.clear(); }
  void AddTrackListEntry(const CString& entry) override { trackList.push_back(entry); }
  void SetAlbumArtist(const CString& newAlbum, const CString& newArtist) override {
    album = newAlbum;
    artist = newArtist;
  }
  void SelectGenre(const CString& newGenre) override { genre = newGenre; }
  int ChooseAlbum(const std::vector<CString>& lines) override {
    choices = lines;
    return choice;
  }
  void CancelForCddb() override { cancelled = true; }

  capture_test::MessageWindow window;
  CString status, album, artist, genre;
  std::vector<CString> warnings, trackList, choices;
  int choice = -1;
  bool cancelled = false;
};

std::string JsonText(const std::string& text, bool latin1 = false) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '"' || c == '\\') out += std::string("\\") + static_cast<char>(c);
    else if (c >= 0x80 && latin1) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

class CddbClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sandbox_.AddDrive('E', 0xCDCD0002, "AUDIO_CD", DRIVE_CDROM);
    image_ = qh::cd::testing::MakeCdImage(sandbox_.Root(), "disc",
                                          {{false, 3.0, 0}, {true, 2.2, 440}, {true, 3.1, 660}, {true, 1.4, 880}});
    setenv("QH_CDROM", image_.cuePath.c_str(), 1);
    ASSERT_EQ(mci_.Open('E'), 1);
    address_ = qh::inet::testing::PrivateLoopbackAddress();
  }
  // Starts the scripted server on a free port; the setting that names it.
  bool StartServer(const std::string& routes) {
    server_ = std::make_unique<FakeHttpServer>(sandbox_.Root(), address_, 0, routes);
    if (!server_->Ready()) return false;
    setting_ = address_ + ":" + std::to_string(server_->Port());
    return true;
  }
  void MakeClient(bool useCddb, tQHFRDb* albumDb = nullptr) {
    client_ = std::make_unique<CCddbClient>(view_, useCddb, setting_.c_str(), "rip@quaverhouse.example", "4.0", albumDb);
    view_.window.react = [this](UINT message, WPARAM, LPARAM lParam) {
      if (message == WM_CDDB_CONNECTED) client_->OnLookupCd(lParam);
      if (message == WM_CDDB_REPLY) client_->OnHttpReply(lParam);
    };
  }
  void TearDown() override {
    client_.reset();
    mci_.Close(0);
    unsetenv("QH_CDROM");
  }
  // Reads the disc, starts the server with the routes and runs the lookup to its end.
  bool Run(const std::string& routes, tQHFRDb* albumDb = nullptr, bool useCddb = true,
           std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    if (!routes.empty() && !StartServer(routes)) return false;
    MakeClient(useCddb, albumDb);
    CString mciError;
    audioCount_ = client_->QueryCddb(mci_.GetDeviceID(), mciError);
    client_->Setup();
    if (!useCddb) client_->OnLookupCd(0);
    return capture_test::PumpUntil([&] {
      return view_.status == "FreeDB Query Complete." || view_.status == "Could not get CD information from FreeDB database" ||
             view_.status == "Embedded FreeDB Query Complete." || !useCddb;
    }, limit);
  }
  CString DiscId() const {
    CString id;
    id.Format("%08x", static_cast<unsigned>(client_ ? client_->DiscId() : 0));
    return id;
  }
  std::string Routes(const std::string& query, const std::string& read, const std::string& extra = "") {
    CddbToc toc;
    CString error;
    ReadCddbToc(mci_.GetDeviceID(), toc, error);
    char id[16];
    std::snprintf(id, sizeof id, "%08x", static_cast<unsigned>(toc.discId));
    discId_ = id;
    return "[" + extra + R"({"contains": "cmd=cddb+query+)" + discId_ + R"(", "body": ")" + JsonText(query) +
           R"("}, {"contains": "cmd=cddb+read+", "body": ")" + JsonText(read) + R"("}])";
  }

  qh::testing::TestSandbox sandbox_;
  qh::cd::testing::CdImage image_;
  CMciCdAudio mci_;
  RecordingView view_;
  std::unique_ptr<FakeHttpServer> server_;
  std::unique_ptr<CCddbClient> client_;
  std::string address_;
  std::string setting_ = "cddb.invalid";
  std::string discId_;
  int audioCount_ = 0;
};

// A real entry of a mixed-mode disc names its data track too: every audio track takes its own number's
// TTITLE and EXTT, so no song carries its neighbour's name.
TEST_F(CddbClientTest, AnExactMatchNamesEachAudioTrackByItsOwnDiscTrack) {
  std::string routes = Routes("200 rock 7a0bc10d The Band / The Album\r\n",
                              "210 rock 7a0bc10d\r\nDTITLE=ignored\r\nTTITLE0=(data track)\r\nTTITLE1=Opening\r\n"
                              "TTITLE2=Middle\r\nTTITLE3=Closing\r\nEXTT0=data\r\nEXTT3=live\r\n.\r\n");
  ASSERT_TRUE(Run(routes));
  EXPECT_EQ(view_.status, "FreeDB Query Complete.");
  EXPECT_EQ(audioCount_, 3);
  EXPECT_EQ(client_->AudioTrackNumbers(), (std::vector<int>{2, 3, 4}));  // entry 0 rips track 2
  EXPECT_EQ(view_.trackList, (std::vector<CString>{"02 - Opening", "03 - Middle", "04 - Closing"}));
  EXPECT_EQ(client_->Titles(), (std::vector<CString>{"Opening", "Middle", "Closing"}));
  EXPECT_EQ(client_->ExtendedData(), (std::vector<CString>{"", "", "live"}));
  EXPECT_EQ(view_.artist, "The Band");
  EXPECT_EQ(view_.album, "The Album");
  EXPECT_EQ(view_.genre, "rock");
  std::string log = server_->RequestLog();
  EXPECT_NE(log.find("GET /~cddb/cddb.cgi?cmd=cddb+query+" + discId_ + "+4+"), std::string::npos) << log;
  EXPECT_NE(log.find("GET /~cddb/cddb.cgi?cmd=cddb+read+rock+7a0bc10d&hello=rip+quaverhouse.example+Quaverhouse+4.0"
                     "&proto=4 HTTP/1.1"),
            std::string::npos)
      << log;
  EXPECT_TRUE(view_.warnings.empty());
}

// The dialog asks for the lookup itself and again when the connection completes: the disc is still
// queried and read once, so the titles are not rebuilt under the user's selection.
TEST_F(CddbClientTest, ALookupAskedForTwiceQueriesTheDiscOnce) {
  std::string routes = Routes("200 rock 7a0bc10d Band / Album\r\n",
                              "210 rock 7a0bc10d\r\nTTITLE0=Data\r\nTTITLE1=A\r\nTTITLE2=B\r\nTTITLE3=C\r\n.\r\n");
  ASSERT_TRUE(StartServer(routes));
  MakeClient(true);
  CString mciError;
  client_->QueryCddb(mci_.GetDeviceID(), mciError);
  client_->Setup();        // posts the connection's completion
  client_->OnLookupCd(0);  // the dialog's own call, before that completion arrives
  ASSERT_TRUE(capture_test::PumpUntil([&] { return view_.status == "FreeDB Query Complete."; }));
  EXPECT_FALSE(client_->IsRequestInFlight());
  std::string log = server_->RequestLog();
  EXPECT_EQ(log.find("cmd=cddb+query"), log.rfind("cmd=cddb+query")) << log;
  EXPECT_EQ(log.find("cmd=cddb+read"), log.rfind("cmd=cddb+read")) << log;
  // A disc read again (inserted anew) is queried again.
  client_->QueryCddb(mci_.GetDeviceID(), mciError);
  client_->OnLookupCd(0);
  EXPECT_TRUE(client_->IsRequestInFlight());
  ASSERT_TRUE(capture_test::PumpUntil([&] { return !client_->IsRequestInFlight() && view_.status == "FreeDB Query Complete."; }));
}

// A setting that names no server is refused with its reason before anything is sent.
TEST_F(CddbClientTest, ABadServerSettingTurnsCddbOffWithItsReason) {
  setting_ = "cddb.example:http";
  MakeClient(true);
  CString mciError;
  client_->QueryCddb(mci_.GetDeviceID(), mciError);
  client_->Setup();
  EXPECT_FALSE(client_->IsActive());
  ASSERT_EQ(view_.warnings.size(), 1u);
  EXPECT_EQ(view_.warnings[0], "The FreeDB server setting \"cddb.example:http\" is not a host name or host:port. Will "
                               "not try to talk to FreeDB database.");
}

TEST_F(CddbClientTest, SeveralMatchesTakeTheFirst) {
  ASSERT_TRUE(Run(Routes("211 close matches\r\nblues 11111111 First / One\r\nrock 22222222 Second / Two\r\n.\r\n",
                         "210 blues 11111111\r\nTTITLE0=A\r\nTTITLE1=B\r\nTTITLE2=C\r\n.\r\n")));
  EXPECT_EQ(view_.status, "FreeDB Query Complete.");
  EXPECT_EQ(view_.genre, "blues");
  EXPECT_NE(server_->RequestLog().find("cmd=cddb+read+blues+11111111"), std::string::npos);
}

struct FailingReply {
  const char* name;
  const char* query;
  int httpStatus;
};

class CddbFailingReplyTest : public CddbClientTest, public ::testing::WithParamInterface<FailingReply> {};

TEST_P(CddbFailingReplyTest, GivesDefaultNamesAndNoReadRequest) {
  std::string routes = Routes(GetParam().query, "210 x\r\nTTITLE0=Never\r\n.\r\n");
  routes.replace(routes.find("\"body\""), 0, "\"status\": " + std::to_string(GetParam().httpStatus) + ", ");
  ASSERT_TRUE(Run(routes));
  EXPECT_EQ(view_.status, "Could not get CD information from FreeDB database");
  EXPECT_EQ(view_.trackList, (std::vector<CString>{"02 - Unknown Song", "03 - Unknown Song", "04 - Unknown Song"}));
  EXPECT_EQ(client_->Titles()[2], "Track 4");
  EXPECT_EQ(server_->RequestLog().find("cmd=cddb+read"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Replies, CddbFailingReplyTest,
                         ::testing::Values(FailingReply{"no_match", "202 No match for disc ID\r\n", 200},
                                           FailingReply{"error_status", "500 Command syntax error\r\nrock 1 x / y\r\n", 200},
                                           FailingReply{"http_error", "200 rock 7a0bc10d A / B\r\n", 500}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CddbClientTest, AReplyArrivingInSmallPiecesIsReadToItsEnd) {
  std::string read = "210 rock 7a0bc10d\r\n";
  for (int i = 0; i < 120; ++i) read += "# a comment line the server sends before the titles, number " + std::to_string(i) + "\r\n";
  read += "TTITLE0=Data\r\nTTITLE1=First\r\nTTITLE2=Second\r\nTTITLE3=Third and last\r\n.\r\n";
  std::string routes = Routes("200 rock 7a0bc10d Band / Album\r\n", read);
  routes.replace(routes.rfind("\"body\""), 0, "\"chunk\": 700, \"chunk_delay\": 0.02, ");
  ASSERT_TRUE(Run(routes));
  EXPECT_EQ(view_.status, "FreeDB Query Complete.");
  EXPECT_EQ(client_->Titles()[2], "Third and last");
}

TEST_F(CddbClientTest, ContinuationLinesLatin1AndUtf8TitlesAreRead) {
  std::string read = "210 rock 7a0bc10d\nTTITLE0=Data\nTTITLE1=Caf\xC3\xA9 au lait\nTTITLE2=A very long title that "
                     "the server \nTTITLE2=splits over two lines\nTTITLE3=\xE2\x82\xAC 100\n.\n";
  ASSERT_TRUE(Run(Routes("200 rock 7a0bc10d Band / Album\n", read)));
  EXPECT_EQ(view_.status, "FreeDB Query Complete.");
  EXPECT_EQ(client_->Titles()[0], "Caf\xE9 au lait");
  EXPECT_EQ(client_->Titles()[1], "A very long title that the server splits over two lines");
  EXPECT_EQ(client_->Titles()[2], "\x80 100");
}

TEST_F(CddbClientTest, Latin1RepliesKeepTheirBytes) {
  std::string read = "210 rock 7a0bc10d\r\nTTITLE0=d\r\nTTITLE1=Gr\xFC\xDF Gott\r\nTTITLE2=x\r\nTTITLE3=y\r\n.\r\n";
  std::string routes = Routes("200 rock 7a0bc10d Band / Album\r\n", "");
  routes.replace(routes.rfind("\"body\": \"\""), 10, "\"encoding\": \"latin-1\", \"body\": \"" + JsonText(read, true) + "\"");
  ASSERT_TRUE(Run(routes));
  EXPECT_EQ(client_->Titles()[0], "Gr\xFC\xDF Gott");
}

TEST_F(CddbClientTest, ASlowServerTimesOutToDefaultNames) {
  std::string routes = Routes("200 rock 7a0bc10d Band / Album\r\n", "");
  // The server never answers within the test: only the client's own six-second time-out can end the
  // lookup, and it must not end it sooner (a loaded machine only makes it later).
  routes.replace(routes.find("\"body\""), 0, "\"delay\": 600, ");
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Run(routes, nullptr, true, std::chrono::seconds(60)));
  EXPECT_EQ(view_.status, "Could not get CD information from FreeDB database");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(5900));
  EXPECT_EQ(view_.trackList.size(), 3u);
  EXPECT_EQ(server_->RequestLog().find("cmd=cddb+read"), std::string::npos);
}

TEST_F(CddbClientTest, TheVersionButtonWaitsWhileARequestIsInFlight) {
  std::string routes = Routes("200 rock 7a0bc10d Band / Album\r\n", "210 x\r\nTTITLE0=a\r\n.\r\n",
                              R"({"contains": "cmd=ver", "body": "201 test server v1\r\n"}, )");
  routes.replace(routes.find("\"body\""), 0, "\"delay\": 1, ");
  ASSERT_TRUE(StartServer(routes));
  MakeClient(true);
  CString error;
  client_->QueryCddb(mci_.GetDeviceID(), error);
  client_->Setup();
  ASSERT_TRUE(capture_test::PumpUntil([&] { return client_->IsRequestInFlight(); }));
  client_->OnCddbHello();  // refused: the query is in flight
  ASSERT_TRUE(capture_test::PumpUntil([&] { return view_.status == "FreeDB Query Complete."; }));
  EXPECT_EQ(server_->RequestLog().find("cmd=ver"), std::string::npos);
  client_->OnCddbHello();
  ASSERT_TRUE(capture_test::PumpUntil([&] { return view_.status == "201 test server v1\r\n"; }));
}

TEST_F(CddbClientTest, TheEmbeddedAlbumWinsAndCddbIsNotAsked) {
  CString file = "C:\\vezevavov.fdb";
  qh::dblib::media_testing::CreateAlbumDatabase(file);
  std::string routes = Routes("200 rock 7a0bc10d Wrong / Wrong\r\n", "210 x\r\nTTITLE0=Wrong\r\n.\r\n");
  // The fixture's one-album disc becomes this image's disc.
  {
    CDaoDatabase database;
    database.Open(file);
    CString update;
    update.Format("UPDATE Albums SET DiscID = %ld WHERE DiscID = %ld",
                  static_cast<LONG>(std::strtoul(discId_.c_str(), nullptr, 16)),
                  static_cast<LONG>(qh::dblib::media_testing::kOneAlbumDisc));
    database.Execute(update, dbFailOnError);
    update.Replace("Albums", "Tracks");
    database.Execute(update, dbFailOnError);
    database.Close();
  }
  tQHFRDb albumDb;
  ASSERT_EQ(albumDb.Open(file, FALSE, TRUE), 1);
  ASSERT_TRUE(Run(routes, &albumDb));
  EXPECT_EQ(view_.status, "Embedded FreeDB Query Complete.");
  // The album's four rows name the disc's tracks: the three audio tracks take rows 2 to 4.
  ASSERT_EQ(view_.trackList.size(), 3u);
  EXPECT_EQ(client_->Titles(), (std::vector<CString>{"It's Here", "Middle", "Outro"}));
  EXPECT_EQ(view_.trackList, client_->Titles());
  EXPECT_FALSE(view_.album.IsEmpty());
  EXPECT_EQ(server_->RequestLog(), "");
}

TEST_F(CddbClientTest, WithCddbOffEveryAudioTrackGetsADefaultName) {
  ASSERT_TRUE(Run("", nullptr, false));
  EXPECT_EQ(view_.trackList, (std::vector<CString>{"02 - Unknown Song", "03 - Unknown Song", "04 - Unknown Song"}));
  EXPECT_EQ(client_->Titles(), (std::vector<CString>{"Track 2", "Track 3", "Track 4"}));
  EXPECT_FALSE(client_->IsActive());
}

}  // namespace

namespace {

TEST_F(CddbClientTest, SongsAlreadyRippedFromTheDiscAreListedByTrack) {
  CString file = "C:\\Quaverhouse.qhd";
  CreateSongDatabase(file);
  tQHDb songDb;
  ASSERT_EQ(songDb.Open(file, FALSE, FALSE), 1);
  tStorage storage(songDb.GetDatabase());
  MakeClient(false);
  CString error;
  client_->QueryCddb(mci_.GetDeviceID(), error);
  std::vector<CString> lines;
  EXPECT_EQ(client_->FindExistingSongs(&songDb, &storage, lines), 0);
  struct Row {
    const char* name;
    LONG track;
    DWORD disc;
  };
  const Row rows[] = {{"Rock 'n' Roll", 3, client_->DiscId()}, {"Other disc", 1, client_->DiscId() ^ 1},
                      {"Opening", 1, client_->DiscId()}};
  for (const Row& row : rows) {
    tSong song;
    song.Attach(&songDb, &storage);
    song.SetSongName(row.name);
    song.SetSongArtist("The Band");
    song.SetSongCdTrack(row.track);
    song.SongCDDB = row.disc;
    song.SetSongCompression(' ');
    ASSERT_GT(songDb.AddSong(&song), 0) << row.name;
  }
  EXPECT_EQ(client_->FindExistingSongs(&songDb, &storage, lines), 2);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "01: Opening (The Band)");
  EXPECT_EQ(lines[1], "03: Rock 'n' Roll (The Band)");
  songDb.Close();
}

}  // namespace
