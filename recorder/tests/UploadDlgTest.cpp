// Upload to a remote jukebox from the main dialog's Upload button, against the python3 fake jukebox:
// the songs recorded since the last upload go over as document and MP3, the remote record moves
// forward only after a run without errors; a refused version, an error reply and a jukebox that closes
// stop the run; Close during a connect, a send or a reply that waits ends the wait at once.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/ui/Input.h"
#include "recorder/RecorderDlg.h"
#include "recorder/RecorderIds.h"
#include "recorder/UploadDlg.h"
#include "recorder/tests/FakeJukebox.h"
#include "recorder/tests/RecorderTestSupport.h"
#include "recorder/tests/UnansweredPort.h"

namespace qh::recorder::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kVersion = 1292, kUploaded = 1294, kErrors = 1297, kStatus = 1298, kUploadButton = 1092;
using Clock = std::chrono::steady_clock;

// The user's hand during a wait of the upload: a timer of the dialogs' thread (its ticks run inside the
// wait's turns) clicks the active dialog's Close button once `due` holds.
struct CloseWhen {
  std::function<bool()> due;
  bool clicked = false;
  Clock::time_point clickedAt;
};
CloseWhen* g_closeWhen = nullptr;

void ClickCloseWhenDue(HWND, UINT, UINT_PTR, DWORD) {
  if (!g_closeWhen || g_closeWhen->clicked || !g_closeWhen->due()) return;
  const HWND dialog = GetActiveWindow();
  const HWND close = dialog ? GetDlgItem(dialog, IDCANCEL) : nullptr;
  if (!close) return;
  RECT rect;
  GetClientRect(close, &rect);
  qh::ui::InjectMouseAt(close, WM_LBUTTONDOWN, rect.right / 2, rect.bottom / 2, MK_LBUTTON);
  qh::ui::InjectMouseAt(close, WM_LBUTTONUP, rect.right / 2, rect.bottom / 2, 0);
  g_closeWhen->clicked = true;
  g_closeWhen->clickedAt = Clock::now();
}

bool FileHas(const std::string& path, const std::string& text) {
  return ReadHostFile(path).find(text) != std::string::npos;
}

void WriteBytes(const std::string& path, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const std::string block(1 << 16, 'm');
  for (size_t written = 0; written < size; written += block.size())
    out.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), size - written)));
}

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
  // A song with a media file of `bytes` bytes (the upload sends it as it is).
  LONG AddSongOfSize(const char* name, const char* guid, size_t bytes) {
    LONG id = AddSong({.name = name, .artist = "Band", .code = 'R', .year = 2001});
    auto song = Load(id);
    song->SetSongGUID(guid);
    EXPECT_GE(song->Update(), 0);
    char mp3[64];
    std::snprintf(mp3, sizeof mp3, "Quaverhouse/Songs/Song%010ld.mp3", static_cast<long>(id));
    WriteBytes(Host(mp3), bytes);
    return id;
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
      // A refused version is waited for by its text, then the button must still be off.
      const bool offered =
          c.uploadOffered ? RunUntil([&] { return IsEnabled(dialog, kUploadButton); }, 20)
                          : !RunUntil([&] { return TextOf(dialog, kStatus).find(c.status) == 0; }, 20) ||
                                IsEnabled(dialog, kUploadButton);
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

// A jukebox that resets the connection (before the version check, during an MP3's body, instead of a
// reply), answers the version check without a version or a song with no file of it: each failure ends in its text on the status
// line and counts, the version box never stays at checking, nothing more goes out, and Close closes the
// dialog at once. A reset at once fails the connect (as a reset: the table's text for any other error),
// the version check's send or the read of its reply, whichever the reset reaches first.
TEST_F(UploadDlgTest, EveryFailedStepEndsInItsTextAndTheDialogStaysUsable) {
  AddSongOfSize("Big", "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}", 32u << 20);
  COleDateTime before;
  before.SetDateTime(2000, 1, 1, 0, 0, 0);
  const std::string closed = "Error - Communications socket to server closed unexpectedly";
  const std::string accepted = Own() + ".1";
  struct Case {
    const char* mode;
    std::string version;  // the jukebox's answer ("-": none)
    bool uploadOffered;
    std::set<std::string> statuses;
    const char* errors;
    std::string versionBox;
  } cases[] = {
      {"reset",
       accepted,
       false,
       {"INTERNAL ERROR - unexpected error code", "Error code -3 when writing to server", closed},
       "1",
       "*COMMUNCATIONS ERROR*"},
      {"ok", "-", false, {"Error - Could not understand server response"}, "1", "*COMMUNCATIONS ERROR*"},
      // The failed send counts, and so does the connection it gave up.
      {"reset-put", accepted, true, {closed}, "2", accepted},
      {"reset-reply", accepted, true, {closed}, "1", accepted},
      // Replies that answer the song with no file of it.
      {"misnamed", accepted, true, {"Error - Could not understand server response"}, "1", accepted},
      {"unnamed", accepted, true, {"Error - Could not understand server response"}, "1", accepted},
  };
  for (const auto& c : cases) {
    boxTexts.clear();
    fs::remove_all(Host("jukebox"));
    fs::create_directories(Host("jukebox"));
    FakeJukebox jukebox(Host("jukebox"), c.mode, c.version.c_str());
    ASSERT_GT(jukebox.Port(), 0);
    StoreRemote(jukebox.Port(), before);
    std::string status, errors, version, requests;
    bool settled = false, offeredAfter = true, closedAtOnce = false;
    OnDialog(IDD_UPLOAD_SETUP, [](CDialog& dialog) { Click(dialog, IDOK); });
    OnDialog(IDD_UPLOAD, [&](CDialog& dialog) {
      if (c.uploadOffered) {
        EXPECT_TRUE(RunUntil([&] { return IsEnabled(dialog, kUploadButton); })) << c.mode;
        if (IsEnabled(dialog, kUploadButton)) Click(dialog, kUploadButton);
      }
      settled = RunUntil([&] { return TextOf(dialog, kErrors) == c.errors && c.statuses.count(TextOf(dialog, kStatus)); });
      requests = ReadHostFile(Host("jukebox/requests.log"));
      RunUntil([] { return false; }, 1);  // nothing further happens
      status = TextOf(dialog, kStatus);
      errors = TextOf(dialog, kErrors);
      version = TextOf(dialog, kVersion);
      offeredAfter = IsEnabled(dialog, kUploadButton);
      EXPECT_EQ(requests, ReadHostFile(Host("jukebox/requests.log"))) << c.mode << ": a request went out after the failure";
      Click(dialog, IDCANCEL);
      closedAtOnce = RunUntil([&] { return !dialog.ContinueModal(); }, 5);
    });
    OnDialog(IDD_RECORDER, [](CDialog& dialog) {
      Click(dialog, 1180);
      Click(dialog, IDOK);
    });
    CRecorderDlg main;
    main.DoModal();
    EXPECT_TRUE(settled) << c.mode << ": status \"" << status << "\", errors " << errors;
    EXPECT_EQ(1u, c.statuses.count(status)) << c.mode << ": " << status;
    EXPECT_EQ(c.errors, errors) << c.mode;
    EXPECT_EQ(c.versionBox, version) << c.mode;
    EXPECT_FALSE(offeredAfter) << c.mode;
    EXPECT_TRUE(closedAtOnce) << c.mode << ": Close did not close the dialog";
    EXPECT_TRUE(boxTexts.empty()) << c.mode;
    EXPECT_EQ(before, LastSync()) << c.mode;
  }
}

// Close while the upload waits (for a connect nobody answers, for a jukebox that stopped reading a
// song's MP3, for a reply that does not come): the wait ends at once, the status says that the upload
// was cancelled, the song in hand does not count, the remote record stays and the dialog closes.
TEST_F(UploadDlgTest, CloseDuringAWaitEndsItAtOnceAndNothingHalfDoneCounts) {
  const char* const kSmall = "Song0123ABCD00EFA1B20123456789ABCDEF";
  const char* const kBig = "SongAAAAAAAABBBBCCCCDDDDEEEEEEEEEEEE";
  AddSongOfSize("Small", "{0123ABCD-00EF-A1B2-0123-456789ABCDEF}", 20000);
  AddSongOfSize("Big", "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}", 32u << 20);
  COleDateTime before;
  before.SetDateTime(2000, 1, 1, 0, 0, 0);
  struct Case {
    const char* wait;
    const char* mode;           // the fake jukebox's, or nullptr for a port that never answers
    std::string waitingAfter;   // the request line the jukebox logs once the wait is under way
    const char* status;
    bool smallArrived;
  } cases[] = {
      {"connect", nullptr, "", "Upload cancelled - 0 of 2 songs uploaded", false},
      {"send", "deaf", std::string("PUT ") + kBig + ".mp3", "Upload cancelled - 1 of 2 songs uploaded", true},
      {"reply", "stall", std::string("PUT ") + kSmall + ".xml", "Upload cancelled - 0 of 2 songs uploaded", false},
  };
  HWND clock = CreateWindowEx(0, "Static", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, clock);
  for (const auto& c : cases) {
    fs::remove_all(Host("jukebox"));
    fs::create_directories(Host("jukebox"));
    std::unique_ptr<FakeJukebox> jukebox;
    std::unique_ptr<UnansweredPort> silent;
    CloseWhen closeWhen;
    if (c.mode) {
      jukebox = std::make_unique<FakeJukebox>(Host("jukebox"), c.mode, (Own() + ".1").c_str());
      ASSERT_GT(jukebox->Port(), 0);
      StoreRemote(jukebox->Port(), before);
      closeWhen.due = [&] { return FileHas(Host("jukebox/requests.log"), c.waitingAfter); };
    } else {
      silent = std::make_unique<UnansweredPort>();
      ASSERT_GT(silent->Port(), 0);
      StoreRemote(silent->Port(), before);
      closeWhen.due = [&] { return silent->SomeoneWaits(); };
    }
    g_closeWhen = &closeWhen;
    SetTimer(clock, 1, 20, ClickCloseWhenDue);
    std::string status, errors;
    bool ended = false;
    Clock::time_point endedAt;
    OnDialog(IDD_UPLOAD_SETUP, [](CDialog& dialog) { Click(dialog, IDOK); });
    OnDialog(IDD_UPLOAD, [&](CDialog& dialog) {
      // The connect already waited in the dialog's first messages; a run starts with Upload Files.
      if (dialog.ContinueModal() && c.mode) {
        EXPECT_TRUE(RunUntil([&] { return IsEnabled(dialog, kUploadButton); })) << c.wait;
        if (IsEnabled(dialog, kUploadButton)) Click(dialog, kUploadButton);
      }
      ended = RunUntil([&] { return !dialog.ContinueModal(); }, 40);
      endedAt = Clock::now();
      status = TextOf(dialog, kStatus);
      errors = TextOf(dialog, kErrors);
    });
    OnDialog(IDD_RECORDER, [](CDialog& dialog) {
      Click(dialog, 1180);
      Click(dialog, IDOK);
    });
    CRecorderDlg main;
    main.DoModal();
    KillTimer(clock, 1);
    g_closeWhen = nullptr;

    EXPECT_TRUE(closeWhen.clicked) << c.wait << ": no wait took the click";
    if (!closeWhen.clicked) continue;
    EXPECT_TRUE(ended) << c.wait << ": Close did not close the dialog";
    EXPECT_LT(endedAt - closeWhen.clickedAt, std::chrono::seconds(3)) << c.wait << ": the wait went on after Close";
    EXPECT_EQ(c.status, status) << c.wait;
    EXPECT_EQ("0", errors) << c.wait;
    EXPECT_EQ(before, LastSync()) << c.wait << ": a cancelled run moves nothing forward";
    EXPECT_EQ(c.smallArrived, fs::exists(Host(std::string("jukebox/") + kSmall + ".mp3"))) << c.wait;
    EXPECT_FALSE(fs::exists(Host(std::string("jukebox/") + kBig + ".mp3"))) << c.wait;
    EXPECT_TRUE(boxTexts.empty()) << c.wait;
  }
  DestroyWindow(clock);
}

TEST(UploadNames, RemoteNamesAndVersions) {
  EXPECT_EQ("Song0123ABCD00EF.xml", CUploadDlg::RemoteName("{0123ABCD-00EF}", ".xml").str());
  EXPECT_EQ("4.0", CUploadDlg::VersionWithoutBuild("4.0.12").str());
  EXPECT_EQ("4", CUploadDlg::VersionWithoutBuild("4.0").str());
  EXPECT_EQ("40", CUploadDlg::VersionWithoutBuild("40").str());
}

}  // namespace
}  // namespace qh::recorder::testing
