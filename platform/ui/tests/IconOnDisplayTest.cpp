// A window's icon on a real display, once with a window manager (openbox) and once with none: the
// window manager is given the icon's picture, a minimised window shows it, and the window's own caption
// shows the small icon where a click opens the system menu. With openbox the window
// is iconified and the window manager holds the picture; with none (a kiosk) the window stays on the
// screen and draws the icon centred in its client area.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/DisplayLink.h"
#include "platform/ui/Menu.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/gdi/BitmapResources.h"
#include "platform/ui/gdi/Png.h"
#include "platform/ui/gdi/tests/DisplayManager.h"
#include "platform/ui/gdi/tests/XWindowManager.h"
#include "platform/ui/gdi/tests/XDisplaySession.h"
#include "platform/ui/tests/UiTestSupport.h"

namespace qh::ui::test {
namespace {

using qh::gdi::Surface;

// Four coloured quarters: a picture shown turned or mirrored does not match.
Surface QuarteredIcon() {
  Surface picture(32, 32);
  const COLORREF quarters[2][2] = {{RGB(220, 30, 30), RGB(30, 160, 40)}, {RGB(30, 60, 220), RGB(240, 200, 20)}};
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) picture.row(y)[x] = qh::gdi::PixelFromColor(quarters[y / 16][x / 16]);
  return picture;
}

double SameShare(const Surface& shown, int left, int top, const Surface& picture) {
  int same = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      same += shown.contains(left + x, top + y) && shown.at(left + x, top + y) == picture.at(x, y);
  return static_cast<double>(same) / (picture.width() * picture.height());
}

class IconOnDisplay : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    folder = (std::filesystem::temp_directory_path() / ("qh-icon-display-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(folder);
    qh::gdi::ClearBitmapFolders();
    qh::gdi::AddBitmapFolder(folder);
    ASSERT_TRUE(qh::gdi::WritePng(picture, folder + "/128.png"));
  }
  void TearDown() override {
    qh::gdi::ClearBitmapFolders();
    std::filesystem::remove_all(folder);
  }
  // Starts openbox when the case asks for it; empty when the display can be used, else why not. A test's
  // windows go before the fixture's session closes the display.
  std::string Unusable() {
    if (!session.Unavailable().empty()) return session.Unavailable();
    if (GetParam() && !manager.emplace(session.display()).running()) return "openbox could not be started";
    return {};
  }
  std::string folder;
  const Surface picture = QuarteredIcon();
  qh::gdi::testing::XDisplaySession session;
  std::optional<qh::gdi::testing::XWindowManager> manager;
};

TEST_P(IconOnDisplay, TheWindowManagerHasTheIconAndAMinimisedWindowShowsIt) {
  if (const std::string why = Unusable(); !why.empty()) GTEST_SKIP() << why;
  const std::string title = "Icon window " + std::to_string(getpid());
  RecordingWindow window(nullptr, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
  SetWindowText(window.hwnd(), title.c_str());
  MoveWindow(window.hwnd(), 100, 100, 240, 180, TRUE);
  CWinApp app{"Icons"};
  const HICON icon = app.LoadIcon(128);
  SendMessage(window.hwnd(), WM_SETICON, 1, reinterpret_cast<LPARAM>(icon));
  SendMessage(window.hwnd(), WM_SETICON, 0, reinterpret_cast<LPARAM>(icon));
  ShowWindow(window.hwnd(), SW_SHOW);
  qh::gdi::testing::PumpUntil([] { return false; }, std::chrono::milliseconds(200));
  if (!qh::ui::DisplayActive()) GTEST_SKIP() << "SDL could not open " << session.display();

  unsigned long xWindow = 0;
  ASSERT_TRUE(qh::gdi::testing::PumpUntil([&] { return (xWindow = qh::gdi::testing::XWindowTitled(session.display(), title)) != 0; }))
      << "no X window titled " << title;
  const std::optional<Surface> given = qh::gdi::testing::XWindowIcon(session.display(), xWindow);
  ASSERT_TRUE(given.has_value()) << "the window manager is given no icon";
  ASSERT_EQ(given->width(), 32);
  EXPECT_EQ(SameShare(*given, 0, 0, picture), 1.0) << "the window manager's icon is the picture";

  ShowWindow(window.hwnd(), SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(window.hwnd()));
  if (GetParam()) {
    EXPECT_TRUE(qh::gdi::testing::PumpUntil([&] { return qh::gdi::testing::XWindowIconified(session.display(), xWindow); }))
        << "openbox holds the window iconified";
    ShowWindow(window.hwnd(), SW_RESTORE);
    EXPECT_TRUE(qh::gdi::testing::PumpUntil([&] { return !qh::gdi::testing::XWindowIconified(session.display(), xWindow); }))
        << "and gives it back when the program restores it";
    return;
  }
  // No window manager: the window stays where it was and shows its icon in the middle of its client.
  RECT frame, client;
  GetWindowRect(window.hwnd(), &frame);
  GetClientRect(window.hwnd(), &client);
  POINT origin{0, 0};
  ClientToScreen(window.hwnd(), &origin);
  const int left = origin.x - frame.left + (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int top = origin.y - frame.top + (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
  std::optional<Surface> screen;
  const bool shown = qh::gdi::testing::PumpUntil([&] {
    screen = session.Grab(frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top);
    return screen && SameShare(*screen, left, top, picture) == 1.0;
  });
  ASSERT_TRUE(screen.has_value());
  EXPECT_TRUE(shown) << "the icon shows centred, share " << SameShare(*screen, left, top, picture);
  // Only there: the pixels beside it are the window's ground, not the icon's edge colours.
  EXPECT_NE(screen->at(left - 1, top + 8), picture.at(0, 8));
  EXPECT_NE(screen->at(left + 32, top + 24), picture.at(31, 24));
  ShowWindow(window.hwnd(), SW_RESTORE);
  EXPECT_FALSE(IsIconic(window.hwnd()));
}

// The window's own caption (the layer draws it, with a window manager or without) shows the small icon
// in its left square, as a window manager would, and a click on the icon opens the system menu there.
TEST_P(IconOnDisplay, TheCaptionShowsTheSmallIconAndAClickOnItOpensTheSystemMenu) {
  if (const std::string why = Unusable(); !why.empty()) GTEST_SKIP() << why;
  RecordingWindow window(nullptr, WS_POPUP | WS_CAPTION | WS_SYSMENU);
  SetWindowText(window.hwnd(), "Captioned");
  MoveWindow(window.hwnd(), 100, 100, 240, 180, TRUE);
  CWinApp app{"Icons"};
  SendMessage(window.hwnd(), WM_SETICON, 0, reinterpret_cast<LPARAM>(app.LoadIcon(128)));
  ShowWindow(window.hwnd(), SW_SHOW);
  qh::gdi::testing::PumpUntil([] { return false; }, std::chrono::milliseconds(200));
  if (!qh::ui::DisplayActive()) GTEST_SKIP() << "SDL could not open " << session.display();

  POINT client{0, 0};
  ClientToScreen(window.hwnd(), &client);
  const int frame = client.x - 100, square = client.y - 100 - frame, size = GetSystemMetrics(SM_CXSMICON);
  const POINT icon{client.x + (square - size) / 2, 100 + frame + (square - size) / 2};
  // The picture's four quarters at half size, each quarter's middle.
  const auto quartersShow = [&](const Surface& shown) {
    for (int qy = 0; qy < 2; ++qy)
      for (int qx = 0; qx < 2; ++qx)
        if ((shown.at(4 + 8 * qx, 4 + 8 * qy) & 0xFFFFFF) != (picture.at(8 + 16 * qx, 8 + 16 * qy) & 0xFFFFFF)) return false;
    return true;
  };
  const std::optional<Surface> shown = session.GrabWhen(icon.x, icon.y, size, size, quartersShow);
  ASSERT_TRUE(shown.has_value());
  EXPECT_TRUE(quartersShow(*shown)) << "the caption's left square shows the small icon";

  std::vector<qh::ui::MenuRequest> opened;
  qh::ui::SetMenuAnswerer([&](const qh::ui::MenuRequest& request) -> UINT {
    opened.push_back(request);
    return 0;
  });
  struct Restore {
    ~Restore() { qh::ui::SetMenuAnswerer(nullptr); }
  } restore;
  bool clicked = false;
  ASSERT_TRUE(qh::gdi::testing::RunWhilePumping([&] {
    clicked = session.Xdotool("mousemove " + std::to_string(icon.x + size / 2) + " " + std::to_string(icon.y + size / 2) + " click 1");
  }));
  ASSERT_TRUE(clicked);
  ASSERT_TRUE(qh::gdi::testing::PumpUntil([&] { return !opened.empty(); })) << "the click on the icon opened no menu";
  EXPECT_EQ(opened[0].owner, window.hwnd());
  EXPECT_EQ(opened[0].point.x, client.x) << "the system menu opens below the icon";
  EXPECT_EQ(opened[0].point.y, client.y);
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, IconOnDisplay, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Openbox" : "NoWindowManager"; });

}  // namespace
}  // namespace qh::ui::test
