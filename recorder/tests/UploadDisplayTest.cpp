// The upload on a real display, once without a window manager and once under openbox: while the
// recorder sends a song's MP3 to a jukebox that stopped reading, the user drags the dialog by its
// caption (it follows and is drawn where it went) and clicks Close with the X server's mouse; the wait
// ends at once, the upload says that it was cancelled and nothing half sent counts.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "platform/ui/DisplayLink.h"
#include "platform/ui/gdi/Snapshot.h"
#include "platform/ui/gdi/tests/XDisplaySession.h"
#include "platform/ui/gdi/tests/XWindowManager.h"
#include "recorder/RecorderDlg.h"
#include "recorder/RecorderIds.h"
#include "recorder/tests/FakeJukebox.h"
#include "recorder/tests/RecorderTestSupport.h"
// Last: the X headers' macros would rename what the others declare.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

extern char** environ;

namespace qh::recorder::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using qh::gdi::Surface;
using qh::gdi::testing::SameShare;

constexpr int kStatus = 1298, kUploadButton = 1092;
constexpr const char* kBig = "SongAAAAAAAABBBBCCCCDDDDEEEEEEEEEEEE";

// What the dialogs' thread lets the user's thread see of the upload dialog.
struct Watched {
  std::mutex lock;
  HWND dialog = nullptr;
  RECT rect{};         // on the screen
  RECT close{};        // the Close button, in window coordinates
  int captionY = 0;    // the caption's middle, in window coordinates
  std::optional<Surface> picture;  // the dialog as it stands, drawn headless
  bool ended = false;
  Clock::time_point endedAt;
  std::string status;
};
Watched* g_watched = nullptr;

// Ticks on the dialogs' thread (inside the upload's waits too): where the dialog is and how it looks.
void WatchTheUpload(HWND, UINT, UINT_PTR, DWORD) {
  const HWND dialog = GetActiveWindow();
  char title[64] = "";
  if (!g_watched || !dialog || GetWindowText(dialog, title, sizeof title) <= 0 ||
      std::string(title) != "Perform Remote Server Upload")
    return;
  const HWND close = GetDlgItem(dialog, IDCANCEL);
  if (!close) return;
  RECT rect;
  GetWindowRect(dialog, &rect);
  POINT client{0, 0};
  ClientToScreen(dialog, &client);
  std::optional<Surface> picture = qh::gdi::SnapshotWindow(dialog);
  std::lock_guard<std::mutex> guard(g_watched->lock);
  g_watched->dialog = dialog;
  g_watched->rect = rect;
  g_watched->close = qh::gdi::testing::RectInWindow(dialog, close);
  g_watched->captionY = (client.y - rect.top) / 2;
  if (picture) g_watched->picture = std::move(picture);
}

// Waits, bounded, for `done`.
bool Within(std::chrono::milliseconds limit, const std::function<bool()>& done) {
  const auto end = Clock::now() + limit;
  while (Clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return done();
}

class UploadOnDisplay : public RecorderTest, public ::testing::WithParamInterface<bool> {
 protected:
  void TearDown() override {
    g_watched = nullptr;
    RecorderTest::TearDown();
  }
  std::string Host(const std::string& name) const { return sandbox->HostPath("C/" + name); }
  bool X(const std::string& commands) const {
    return std::system(("DISPLAY=" + session->display() + " timeout 20 xdotool " + commands + " >/dev/null 2>&1").c_str()) ==
           0;
  }

  std::unique_ptr<qh::gdi::testing::XDisplaySession> session;
  Watched watched;
};

TEST_P(UploadOnDisplay, TheDialogMovesAndItsCloseEndsASendThatWaits) {
  session = std::make_unique<qh::gdi::testing::XDisplaySession>();
  if (!session->Unavailable().empty()) GTEST_SKIP() << session->Unavailable();
  std::optional<qh::gdi::testing::XWindowManager> manager;
  if (GetParam()) {
    manager.emplace(session->display());
    if (!manager->running()) GTEST_SKIP() << "openbox could not be started";
  }
  ASSERT_TRUE(StartRecorder());
  LONG id = AddSong({.name = "Big", .artist = "Band", .code = 'R'});
  {
    auto song = Load(id);
    song->SetSongGUID("{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}");
    ASSERT_GE(song->Update(), 0);
    char mp3[64];
    std::snprintf(mp3, sizeof mp3, "C/Quaverhouse/Songs/Song%010ld.mp3", static_cast<long>(id));
    std::ofstream out(sandbox->HostPath(mp3), std::ios::binary);
    const std::string block(1 << 20, 'm');
    for (int i = 0; i < 32; ++i) out.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
  fs::create_directories(Host("jukebox"));
  FakeJukebox jukebox(Host("jukebox"), "deaf", (app->GetShortVersionText().str() + ".1").c_str());
  ASSERT_GT(jukebox.Port(), 0);
  COleDateTime before;
  before.SetDateTime(2000, 1, 1, 0, 0, 0);
  COleDateTime next;
  ASSERT_EQ(0, Db()->SaveRemoteServer(0, "Bar room", "127.0.0.1", static_cast<SHORT>(jukebox.Port()), before, next, ""));

  g_watched = &watched;
  HWND clock = CreateWindowEx(0, "Static", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, clock);
  // A window shown chooses the back end: the test needs the screen's.
  ShowWindow(clock, SW_SHOWNA);
  Settle();
  ShowWindow(clock, SW_HIDE);
  if (!qh::ui::DisplayActive()) {
    DestroyWindow(clock);
    GTEST_SKIP() << "SDL could not open " << session->display();
  }
  SetTimer(clock, 1, 100, WatchTheUpload);
  OnDialog(IDD_RECORDER, [](CDialog& dialog) {
    Click(dialog, 1180);
    Click(dialog, IDOK);
  });
  OnDialog(IDD_UPLOAD_SETUP, [](CDialog& dialog) { Click(dialog, IDOK); });
  OnDialog(IDD_UPLOAD, [&](CDialog& dialog) {
    EXPECT_TRUE(RunUntil([&] { return IsEnabled(dialog, kUploadButton); }));
    if (IsEnabled(dialog, kUploadButton)) Click(dialog, kUploadButton);
    const bool ended = RunUntil([&] { return !dialog.ContinueModal(); }, 60);
    std::lock_guard<std::mutex> guard(watched.lock);
    watched.ended = ended;
    watched.endedAt = Clock::now();
    watched.status = TextOf(dialog, kStatus);
  });

  // The user, bounded at every step; a Close that did nothing is posted at the end so the test fails
  // instead of hanging.
  const auto ended = [&] {
    std::lock_guard<std::mutex> guard(watched.lock);
    return watched.ended;
  };
  bool waiting = false, moved = false, drawnThere = false, clicked = false;
  RECT from{}, to{};
  Clock::time_point clickedAt;
  std::thread user([&] {
    // The send has begun and the watch has seen the dialog since: on a loaded machine the send can
    // begin before the watch's first tick, and a drag from an unknown place would move nothing.
    waiting = Within(std::chrono::seconds(60), [&] {
      if (ReadHostFile(Host("jukebox/requests.log")).find(std::string("PUT ") + kBig + ".mp3") == std::string::npos)
        return false;
      std::lock_guard<std::mutex> guard(watched.lock);
      return watched.dialog != nullptr;
    });
    // The dialog's place comes from the window thread's timer, which a loaded machine runs late, and a
    // window manager may still be placing it: drag only once it has stayed at one place for 300 ms.
    RECT seen{};
    Clock::time_point seenSince = Clock::now();
    waiting = waiting && Within(std::chrono::seconds(5), [&] {
      std::lock_guard<std::mutex> guard(watched.lock);
      if (watched.rect.right <= watched.rect.left) return false;
      if (std::memcmp(&seen, &watched.rect, sizeof seen) != 0) {
        seen = watched.rect;
        seenSince = Clock::now();
      }
      return Clock::now() - seenSince >= std::chrono::milliseconds(300);
    });
    int captionY = 0;
    {
      std::lock_guard<std::mutex> guard(watched.lock);
      from = watched.rect;
      captionY = watched.captionY;
    }
    if (waiting && !ended()) {
      const int x = from.left + 60, y = from.top + captionY;
      // Steps of unequal length: the pointer's place within the dragged window changes at each.
      X("mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.2 mousedown 1 sleep 0.2 mousemove " +
        std::to_string(x + 40) + " " + std::to_string(y + 30) + " sleep 0.2 mousemove " + std::to_string(x + 100) + " " +
        std::to_string(y + 70) + " sleep 0.2 mouseup 1 sleep 0.2");
      // All of it within the send's 10 s limit, which would otherwise end the wait first.
      moved = Within(std::chrono::seconds(3), [&] {
        std::lock_guard<std::mutex> guard(watched.lock);
        to = watched.rect;
        return to.left == from.left + 100 && to.top == from.top + 70;
      });
      drawnThere = moved && session->GrabWhen(to.left, to.top, to.right - to.left, to.bottom - to.top, [&](const Surface& s) {
        std::lock_guard<std::mutex> guard(watched.lock);
        return watched.picture && SameShare(s, *watched.picture, 0, 0, s.width(), s.height()) > 0.97;
      }, std::chrono::seconds(3)).has_value();
      RECT close{}, at{};
      {
        std::lock_guard<std::mutex> guard(watched.lock);
        close = watched.close;
        at = watched.rect;
      }
      clickedAt = Clock::now();
      clicked = X("mousemove " + std::to_string(at.left + (close.left + close.right) / 2) + " " +
                  std::to_string(at.top + (close.top + close.bottom) / 2) + " sleep 0.2 click 1");
    }
    if (!Within(std::chrono::seconds(15), ended)) {
      std::lock_guard<std::mutex> guard(watched.lock);
      if (watched.dialog) PostMessage(watched.dialog, WM_COMMAND, IDCANCEL, 0);
    }
  });
  CRecorderDlg main;
  main.DoModal();
  user.join();
  KillTimer(clock, 1);
  DestroyWindow(clock);

  EXPECT_TRUE(waiting) << "the MP3's send never began, or the upload dialog was never the active window";
  EXPECT_TRUE(moved) << "the dialog did not follow its caption during the wait: from " << from.left << "," << from.top
                     << " to " << to.left << "," << to.top;
  EXPECT_TRUE(drawnThere) << "the dialog was not drawn where it went";
  EXPECT_TRUE(clicked);
  std::lock_guard<std::mutex> guard(watched.lock);
  EXPECT_TRUE(watched.ended);
  EXPECT_LT(watched.endedAt - clickedAt, std::chrono::seconds(4)) << "the wait went on after Close";
  EXPECT_EQ("Upload cancelled - 0 of 1 songs uploaded", watched.status);
  EXPECT_FALSE(fs::exists(Host(std::string("jukebox/") + kBig + ".mp3")));
  CString description, address, filter;
  SHORT port = 0;
  COleDateTime last;
  EXPECT_EQ(1, Db()->LoadRemoteServer(0, description, address, port, last, next, filter));
  EXPECT_EQ(before, last) << "a cancelled run moves nothing forward";
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, UploadOnDisplay, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Openbox" : "NoWindowManager"; });

}  // namespace
}  // namespace qh::recorder::testing
