// Hallwarden on a real display: the program itself on a private X server through the SDL back end, its
// status dialog read back from the screen as the same dialog looks headless, its Close button
// pressed with the X server's own mouse, which ends the program, and the dialog minimised 30 s after
// the start, with a window manager and without one.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iomanip>
#include <optional>
#include <thread>

#include "platform/ui/Dialog.h"
#include "platform/ui/gdi/BitmapResources.h"
#include "platform/ui/gdi/Snapshot.h"
#include "platform/ui/gdi/tests/DisplayManager.h"
#include "platform/ui/gdi/tests/XDisplaySession.h"
#include "platform/ui/gdi/tests/XWindowManager.h"

extern const char* const kHallwardenDialogs;

namespace {

namespace fs = std::filesystem;
using qh::gdi::testing::SameShare;

constexpr const char* kCaption = "Quaverhouse Control Program";
constexpr UINT kStatusDialog = 102, kFirstValue = 1000, kServerStarted = 1003, kReload = 1006, kClose = 1010;

int FreePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0)
    port = ntohs(address.sin_port);
  close(s);
  return port;
}

bool Listening(int port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  const bool connected = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(s);
  return connected;
}

// The program in a copy of its start directory, with its own profile (the port) and lock folder.
class RunningHallwarden {
 public:
  explicit RunningHallwarden(int port) {
    char pattern[] = "/tmp/hallwarden-display-XXXXXX";
    root_ = mkdtemp(pattern) ? pattern : "";
    start_ = root_ + "/start";
    // Links stay links: the jukebox linked beside the start directory is not started here.
    fs::copy(QH_START_DIR, start_, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    fs::create_directories(root_ + "/locks");
    std::ofstream(root_ + "/registry.txt") << "[HKEY_CURRENT_USER\\Software\\Tallowmere\\Quaverhouse\\FrameWork]\n"
                                           << "\"WebSocketNumber\"=dword:" << std::hex << std::setw(8) << std::setfill('0') << port << "\n";
    pid_ = fork();
    if (pid_ == 0) {
      if (chdir(start_.c_str()) != 0) _exit(126);
      setenv("QH_REGISTRY", (root_ + "/registry.txt").c_str(), 1);
      setenv("QH_LOCK_DIR", (root_ + "/locks").c_str(), 1);
      execl(QH_HALLWARDEN, QH_HALLWARDEN, static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~RunningHallwarden() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  bool Alive() { return pid_ > 0 && !exited_ && waitpid(pid_, &status_, WNOHANG) == 0; }
  // The exit status once the program ended within `limit`; -1 when it still runs.
  int WaitForExit(std::chrono::seconds limit) {
    for (auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
      if (waitpid(pid_, &status_, WNOHANG) == pid_) {
        exited_ = true;
        return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return -1;
  }

 private:
  std::string root_, start_;
  pid_t pid_ = -1;
  int status_ = 0;
  bool exited_ = false;
};

// The status dialog as it looks headless, without the program's values: where it stands, where its
// labels and buttons are, and its picture.
struct HeadlessDialog {
  RECT window{}, client{}, labels{}, reload{}, close{}, serverStarted{};
  std::optional<qh::gdi::Surface> picture;
};

HeadlessDialog LayOutHeadless() {
  HeadlessDialog headless;
  CDialog dialog(kStatusDialog);
  if (!qh::ui::LoadDialogTemplates(kHallwardenDialogs) || !dialog.Create(kStatusDialog)) return headless;
  dialog.ShowWindow(SW_SHOW);
  dialog.GetWindowRect(&headless.window);
  auto at = [&](UINT id) { return qh::gdi::testing::RectInWindow(dialog.m_hWnd, dialog.GetDlgItem(id)->m_hWnd); };
  headless.reload = at(kReload);
  headless.close = at(kClose);
  headless.serverStarted = at(kServerStarted);
  POINT origin{0, 0};
  ::ClientToScreen(dialog.m_hWnd, &origin);
  RECT inside{};
  dialog.GetClientRect(&inside);
  headless.client = RECT{origin.x - headless.window.left, origin.y - headless.window.top,
                         origin.x - headless.window.left + inside.right, origin.y - headless.window.top + inside.bottom};
  // The caption and the column of labels, down to the buttons: left of the values.
  headless.labels = RECT{0, 0, at(kFirstValue).left - 2, headless.reload.top - 2};
  headless.picture = qh::gdi::SnapshotWindow(dialog.m_hWnd);
  dialog.DestroyWindow();
  return headless;
}

bool Looks(const qh::gdi::Surface& screen, const qh::gdi::Surface& headless, const RECT& area) {
  return SameShare(screen, headless, area.left, area.top, area.right, area.bottom) > 0.97;
}

// The share of the area painted in the dialog's "good" colour.
double GoodShare(const qh::gdi::Surface& screen, const RECT& area) {
  int good = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) good += screen.at(x, y) == qh::gdi::PixelFromColor(RGB(127, 220, 127));
  return static_cast<double>(good) / ((area.right - area.left) * (area.bottom - area.top));
}

TEST(StatusDialogOnDisplay, ShowsAsHeadlessAndCloseEndsTheProgram) {
  const HeadlessDialog headless = LayOutHeadless();
  ASSERT_TRUE(headless.picture.has_value());
  qh::gdi::testing::XDisplaySession session;
  if (!session.Unavailable().empty()) GTEST_SKIP() << session.Unavailable();
  const int port = FreePort();
  ASSERT_NE(port, 0);
  RunningHallwarden program(port);
  for (int i = 0; i < 400 && program.Alive() && !Listening(port); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(program.Alive()) << "Hallwarden ended at start";
  ASSERT_TRUE(Listening(port));

  // The program's SDL back end opened the display when its window is there (else it runs headless).
  bool onDisplay = false;
  for (int i = 0; i < 100 && !onDisplay; ++i) {
    onDisplay = session.Xdotool("search --name '^Quaverhouse Control Program$'");
    if (!onDisplay) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (!onDisplay) GTEST_SKIP() << "SDL could not open " << session.display();

  // On the screen where it stands headless: the labels and buttons as headless, the server shown started.
  const RECT& w = headless.window;
  const auto screen = session.GrabWhen(w.left, w.top, w.right - w.left, w.bottom - w.top, [&](const qh::gdi::Surface& s) {
    return Looks(s, *headless.picture, headless.labels) && GoodShare(s, headless.serverStarted) > 0.5;
  });
  ASSERT_TRUE(screen.has_value());
  EXPECT_TRUE(Looks(*screen, *headless.picture, headless.labels)) << "caption and labels";
  EXPECT_TRUE(Looks(*screen, *headless.picture, headless.reload)) << "Reload HTML Templates";
  EXPECT_TRUE(Looks(*screen, *headless.picture, headless.close)) << "Close";
  EXPECT_GT(GoodShare(*screen, headless.serverStarted), 0.5) << "the server's start time on green";

  // The user clicks Close: the program shuts down and ends.
  const RECT& close = headless.close;
  ASSERT_TRUE(session.Xdotool("mousemove " + std::to_string(w.left + (close.left + close.right) / 2) + " " +
                              std::to_string(w.top + (close.top + close.bottom) / 2) + " sleep 0.3 click 1"));
  EXPECT_EQ(program.WaitForExit(std::chrono::seconds(20)), 0);
  EXPECT_FALSE(Listening(port));
  EXPECT_FALSE(session.Xdotool("search --name '^Quaverhouse Control Program$'")) << "its window is gone";
}

// The share of `picture`'s pixels that `shown` has at (left, top).
double PictureShare(const qh::gdi::Surface& shown, int left, int top, const qh::gdi::Surface& picture) {
  int same = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      same += shown.contains(left + x, top + y) && (shown.at(left + x, top + y) & 0xFFFFFF) == (picture.at(x, y) & 0xFFFFFF);
  return static_cast<double>(same) / (picture.width() * picture.height());
}

// Thirty seconds after its start the program minimises its status dialog. A window manager (openbox)
// then holds it iconified, with the program's icon; on a display without one (a kiosk) the dialog stays
// where it stands and shows the icon in the middle of its client area instead of its fields.
class MinimisedStatusDialog : public ::testing::TestWithParam<bool> {};

TEST_P(MinimisedStatusDialog, ThirtySecondsAfterTheStartItShowsTheProgramsIcon) {
  const HeadlessDialog headless = LayOutHeadless();
  ASSERT_TRUE(headless.picture.has_value());
  const std::string iconFile = (fs::path(QH_HALLWARDEN).parent_path() / "resources/controller/bitmaps/128.png").string();
  const std::optional<qh::gdi::Surface> icon = qh::gdi::ReadImageFile(iconFile);
  ASSERT_TRUE(icon.has_value()) << iconFile;
  qh::gdi::testing::XDisplaySession session;
  if (!session.Unavailable().empty()) GTEST_SKIP() << session.Unavailable();
  std::optional<qh::gdi::testing::XWindowManager> manager;
  if (GetParam() && !manager.emplace(session.display()).running()) GTEST_SKIP() << "openbox could not be started";
  const int port = FreePort();
  ASSERT_NE(port, 0);
  const auto started = std::chrono::steady_clock::now();
  RunningHallwarden program(port);
  unsigned long xWindow = 0;
  for (int i = 0; i < 200 && program.Alive() && !xWindow; ++i) {
    xWindow = qh::gdi::testing::XWindowTitled(session.display(), kCaption);
    if (!xWindow) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_TRUE(program.Alive()) << "Hallwarden ended at start";
  if (!xWindow) GTEST_SKIP() << "SDL could not open " << session.display();
  // The window gets its title when it is made and its icon when the dialog starts up, a moment later.
  std::optional<qh::gdi::Surface> given;
  for (int i = 0; i < 200 && program.Alive() && !given; ++i) {
    given = qh::gdi::testing::XWindowIcon(session.display(), xWindow);
    if (!given) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_TRUE(given.has_value()) << "the window manager is given no icon";
  EXPECT_EQ(PictureShare(*given, 0, 0, *icon), 1.0) << "the window manager is given the program's icon";

  // Where the icon shows on a kiosk display: centred in the client area, at its own size.
  const RECT& w = headless.window;
  const int left = headless.client.left + (headless.client.right - headless.client.left - icon->width() + 1) / 2;
  const int top = headless.client.top + (headless.client.bottom - headless.client.top - icon->height() + 1) / 2;
  std::optional<qh::gdi::Surface> screen;
  auto minimised = [&] {
    if (GetParam()) return qh::gdi::testing::XWindowIconified(session.display(), xWindow);
    screen = session.Grab(w.left, w.top, w.right - w.left, w.bottom - w.top);
    return screen && PictureShare(*screen, left, top, *icon) == 1.0;
  };
  bool seen = false;
  while (!(seen = minimised()) && program.Alive() && std::chrono::steady_clock::now() - started < std::chrono::seconds(90))
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
  const auto after = std::chrono::steady_clock::now() - started;
  ASSERT_TRUE(seen) << (GetParam() ? "openbox holds no iconified dialog" : "the dialog shows no icon in its middle");
  EXPECT_GE(after, std::chrono::seconds(30)) << "minimised before the start-up macro's 30 s";
  if (!GetParam()) {
    // Only the icon: its fields are gone, the pixels beside the icon are the dialog's ground.
    EXPECT_FALSE(Looks(*screen, *headless.picture, headless.labels)) << "the labels still show";
    EXPECT_NE(screen->at(left - 1, top + 8) & 0xFFFFFF, icon->at(0, 8) & 0xFFFFFF);
  }
  EXPECT_TRUE(program.Alive()) << "minimised, the program runs on";
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, MinimisedStatusDialog, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Openbox" : "NoWindowManager"; });

}  // namespace
