// Upload to a remote jukebox from the main dialog's Upload button, against the python3 fake jukebox:
// the songs recorded since the last upload go over as document and MP3, the remote record moves
// forward only after a run without errors; a refused version, an error reply and a jukebox that closes
// stop the run.
#include <filesystem>

#include "recorder/RecorderDlg.h"
#include "recorder/RecorderIds.h"
#include "recorder/UploadDlg.h"
#include "recorder/tests/FakeJukebox.h"
#include "recorder/tests/RecorderTestSupport.h"

namespace qh::recorder::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kVersion = 1292, kUploaded = 1294, kErrors = 1297, kStatus = 1298, kUploadButton = 1092;

class UploadDlgTest : public RecorderTest {
 protected:
  void SetUp() override {
    RecorderTest::SetUp();
    ASSERT_TRUE(StartRecorder());
    fs::create_directories(sandbox->HostPath("C/jukebox"));
  }
  void TearDown() override {
    RecorderTest::TearDown();
  }
  LONG AddMp3Song(const char* name, const char* guid, int year) {
    LONG id = AddSong({.name = name, .artist = "Band", .code = 'R', .year = year});
    EXPECT_TRUE(MakeMediaFile(id, 'R', 0.5));
    auto song = Load(id);
    song->SetSongGUID(guid);
    // A new row is stamped with the time it was added; the test dates it back to its year.
    COleDateTime recorded;
    recorded.SetDateTime(year, 6, 15, 12, 0, 0);
    song->SetSongRecordDate(recorded);
    EXPECT_GE(song->Update(), 0);
    return id;
  }
  void StoreRemote(int port, COleDateTime lastSync) {
    COleDateTime next;
    ASSERT_EQ(0, Db()->SaveRemoteServer(0, "Bar room", "127.0.0.1", static_cast<SHORT>(port), lastSync, next, ""));
  }
  COleDateTime LastSync() {
    CString description, address, filter;
    SHORT port = 0;
    COleDateTime last, next;
    EXPECT_EQ(1, Db()->LoadRemoteServer(0, description, address, port, last, next, filter));
    return last;
  }
  // Runs Upload from the main dialog; `upload` drives the upload dialog.
  void RunFromMainDialog(std::function<void(CDialog&)> upload) {
    OnDialog(IDD_UPLOAD_SETUP, [](CDialog& dialog) { Click(dialog, IDOK); });
    OnDialog(IDD_UPLOAD, [&](CDialog& dialog) {
      upload(dialog);
      Click(dialog, IDCANCEL);
    });
    OnDialog(IDD_RECORDER, [](CDialog& dialog) {
      Click(dialog, 1180);
      Click(dialog, IDOK);
    });
    CRecorderDlg main;
    main.DoModal();
  }
  std::string Own() const { return app->GetShortVersionText().str(); }
  std::string Host(const std::string& name) const { return sandbox->HostPath("C/" + name); }
};

TEST_F(UploadDlgTest, SongsRecordedSinceTheLastUploadGoOverAndTheRecordMovesOn) {
  if (!HaveTool("sox") || !HaveTool("lame")) GTEST_SKIP() << "sox and lame make the MP3s";
  FakeJukebox jukebox(Host("jukebox"), "ok", (Own() + ".12").c_str());
  ASSERT_GT(jukebox.Port(), 0);
  LONG first = AddMp3Song("First", "{0123ABCD-00EF-A1B2-0123-456789ABCDEF}", 2001);
  AddMp3Song("Old", "{11111111-2222-3333-4444-555555555555}", 1999);
  LONG second = AddMp3Song("Second", "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}", 2002);
  AddSong({.name = "Wave", .artist = "Band", .code = ' '});
  COleDateTime before;
  before.SetDateTime(2000, 1, 1, 0, 0, 0);
  StoreRemote(jukebox.Port(), before);
  std::string version, uploaded, status;
  RunFromMainDialog([&](CDialog& dialog) {
    EXPECT_TRUE(RunUntil([&] { return IsEnabled(dialog, kUploadButton); }));
    EXPECT_EQ("Click the UPLOAD FILES button to start the upload", TextOf(dialog, kStatus));
    version = TextOf(dialog, kVersion);
    Click(dialog, kUploadButton);
    EXPECT_TRUE(RunUntil([&] { return TextOf(dialog, kStatus) == "Uploads completed"; }));
    uploaded = TextOf(dialog, kUploaded);
    Snapshot(dialog, "recorder-upload");
  });
  EXPECT_EQ(Own() + ".12", version);
  EXPECT_EQ("2 of 2", uploaded);
  EXPECT_TRUE(boxTexts.empty());
  for (auto [id, name] : {std::pair{first, "Song0123ABCD00EFA1B20123456789ABCDEF"},
                          std::pair{second, "SongAAAAAAAABBBBCCCCDDDDEEEEEEEEEEEE"}}) {
    char mp3[64];
    std::snprintf(mp3, sizeof mp3, "Quaverhouse/Songs/Song%010ld.mp3", static_cast<long>(id));
    std::string sent = ReadHostFile(Host(std::string("jukebox/") + name + ".mp3"));
    EXPECT_FALSE(sent.empty()) << name;
    EXPECT_TRUE(ReadHostFile(Host(mp3)) == sent) << name << ": the MP3 arrives byte for byte";
    EXPECT_NE(std::string::npos, ReadHostFile(Host(std::string("jukebox/") + name + ".xml")).find("<QHSong"));
  }
  EXPECT_FALSE(fs::exists(Host("jukebox/Song11111111222233334444555555555555.xml"))) << "uploaded before";
  EXPECT_GT(LastSync(), COleDateTime::GetCurrentTime() - COleDateTimeSpan(0, 0, 5, 0));
}

TEST_F(UploadDlgTest, RefusedVersionsAndFailedRunsLeaveTheRecordAlone) {
  if (!HaveTool("sox") || !HaveTool("lame")) GTEST_SKIP() << "sox and lame make the MP3s";
  AddMp3Song("First", "{0123ABCD-00EF-A1B2-0123-456789ABCDEF}", 2001);
  COleDateTime before;
  before.SetDateTime(2000, 1, 1, 0, 0, 0);
  struct Case {
    const char* mode;
    std::string version;
    bool uploadOffered;
    std::string status;
    std::string box;
  } cases[] = {
      {"ok", "9.9.0", false, "Incorrect version. Ensure that identical software versions are installed.", ""},
      {"ok", Own(), false, "Incorrect version. Ensure that identical software versions are installed.", ""},
      {"error", Own() + ".1", true, "Uploading Song", "Communcations Error: Code 5\r\nText: Disk full"},
      {"close", Own() + ".1", true, "Error - Communications socket to server closed unexpectedly", ""},
      {"empty", Own() + ".1", true, "Error - Could not understand server response", ""},
  };
  for (const auto& c : cases) {
    boxTexts.clear();
    FakeJukebox jukebox(Host("jukebox"), c.mode, c.version.c_str());
    ASSERT_GT(jukebox.Port(), 0);
    StoreRemote(jukebox.Port(), before);
    std::string status, errors;
    RunFromMainDialog([&](CDialog& dialog) {
      bool offered = RunUntil([&] { return IsEnabled(dialog, kUploadButton); }, c.uploadOffered ? 20 : 2);
      EXPECT_EQ(c.uploadOffered, offered) << c.mode << " " << c.version;
      if (offered) {
        Click(dialog, kUploadButton);
        RunUntil([&] { return TextOf(dialog, kErrors) != "0"; });
        RunUntil([] { return false; }, 1);  // nothing further goes out
      }
      status = TextOf(dialog, kStatus);
      errors = TextOf(dialog, kErrors);
    });
    EXPECT_EQ(0u, status.find(c.status)) << c.mode << ": " << status;
    EXPECT_EQ(c.uploadOffered ? "1" : "0", errors) << c.mode;
    EXPECT_EQ(c.box.empty() ? 0u : 1u, boxTexts.size()) << c.mode;
    if (!c.box.empty() && !boxTexts.empty()) {
      EXPECT_EQ(c.box, boxTexts[0]);
    }
    EXPECT_EQ(before, LastSync()) << c.mode;
  }
}

TEST_F(UploadDlgTest, NoJukeboxListening) {
  COleDateTime before;
  before.SetDateTime(2000, 1, 1, 0, 0, 0);
  StoreRemote(1, before);
  std::string version, errors;
  RunFromMainDialog([&](CDialog& dialog) {
    RunUntil([&] { return TextOf(dialog, kErrors) != "0"; });
    version = TextOf(dialog, kVersion);
    errors = TextOf(dialog, kErrors);
  });
  EXPECT_EQ("*COMMUNCATIONS ERROR*", version);
  EXPECT_EQ("1", errors);
}

TEST(UploadNames, RemoteNamesAndVersions) {
  EXPECT_EQ("Song0123ABCD00EF.xml", CUploadDlg::RemoteName("{0123ABCD-00EF}", ".xml").str());
  EXPECT_EQ("4.0", CUploadDlg::VersionWithoutBuild("4.0.12").str());
  EXPECT_EQ("4", CUploadDlg::VersionWithoutBuild("4.0").str());
  EXPECT_EQ("40", CUploadDlg::VersionWithoutBuild("40").str());
}

}  // namespace
}  // namespace qh::recorder::testing
