// Trackwright on a real display: a private X server, the SDL back end, the main dialog and the search
// read back from the screen as they look headless, and the user's clicks made with the X server's own
// mouse: the search button opens the search, whose Search lists the songs on the screen.
#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#include "platform/ui/DisplayLink.h"
#include "platform/ui/gdi/Snapshot.h"
#include "platform/ui/gdi/tests/XDisplaySession.h"
#include "recorder/RecorderDlg.h"
#include "recorder/RecorderIds.h"
#include "recorder/tests/RecorderTestSupport.h"

namespace qh::recorder::testing {
namespace {

using qh::gdi::Surface;
using qh::gdi::testing::InkPixels;
using qh::gdi::testing::SameShare;

constexpr int kSearchButton = 1113, kRunSearch = 1042, kFoundList = 1041;

// A dialog as it came up, taken on its own thread for the user's: where it stands and its picture.
struct ShownDialog {
  HWND window = nullptr;
  RECT rect{};
  std::optional<Surface> headless;
  std::map<int, RECT> controls;  // the ones the user looks at or clicks
  RECT Control(int id) const {
    auto it = controls.find(id);
    return it == controls.end() ? RECT{} : it->second;
  }
};

// What the dialogs' thread lets the user's thread see.
struct Seen {
  std::mutex lock;
  std::map<UINT, ShownDialog> dialogs;
  CDialog* search = nullptr;
  std::vector<std::string> listed;
  std::optional<Surface> listedPicture;  // the search as it looks headless once it lists songs
};
Seen* g_seen = nullptr;

// Ticks on the search's thread: its list and its picture as they stand.
void WatchTheSearch(HWND, UINT, UINT_PTR, DWORD) {
  std::lock_guard<std::mutex> guard(g_seen->lock);
  if (!g_seen->search) return;
  g_seen->listed.clear();
  for (const auto& row : RowsOf(*g_seen->search, kFoundList, 1)) g_seen->listed.push_back(row[0]);
  if (!g_seen->listed.empty()) g_seen->listedPicture = qh::gdi::SnapshotWindow(g_seen->search->m_hWnd);
}

class RecorderOnDisplay : public RecorderTest {
 protected:
  void TearDown() override {
    g_seen = nullptr;
    RecorderTest::TearDown();
  }
  // The user's side: waits for a dialog to be up.
  std::optional<ShownDialog> WaitFor(UINT templateId) {
    for (int i = 0; i < 300; ++i) {
      {
        std::lock_guard<std::mutex> guard(seen.lock);
        if (auto it = seen.dialogs.find(templateId); it != seen.dialogs.end()) return it->second;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return std::nullopt;
  }
  std::optional<Surface> GrabAsHeadless(const ShownDialog& shown) {
    const RECT& r = shown.rect;
    return session->GrabWhen(r.left, r.top, r.right - r.left, r.bottom - r.top, [&](const Surface& s) {
      return SameShare(s, *shown.headless, 0, 0, s.width(), s.height()) > 0.97;
    });
  }
  void ClickOn(const ShownDialog& shown, int id) {
    const RECT c = shown.Control(id);
    session->Xdotool("mousemove " + std::to_string(shown.rect.left + (c.left + c.right) / 2) + " " +
                     std::to_string(shown.rect.top + (c.top + c.bottom) / 2) + " sleep 0.3 click 1 sleep 0.3");
  }

  Seen seen;
  std::unique_ptr<qh::gdi::testing::XDisplaySession> session;
};

TEST_F(RecorderOnDisplay, TheSearchButtonOpensTheSearchAndItsSearchListsTheSongs) {
  session = std::make_unique<qh::gdi::testing::XDisplaySession>();
  if (!session->Unavailable().empty()) GTEST_SKIP() << session->Unavailable();
  ASSERT_TRUE(StartRecorder());
  AddSong({.name = "Danny Boy", .artist = "O'Brien", .genre = "Folk"});
  AddSong({.name = "Blue Train", .artist = "Coltrane", .genre = "Jazz"});
  g_seen = &seen;
  std::atomic<bool> onDisplay{true};
  qh::ui::SetDialogAnswerer([&](CWnd& window) {
    auto* dialog = dynamic_cast<CDialog*>(&window);
    if (!dialog) return;
    Settle();
    ShownDialog shown;
    shown.window = window.m_hWnd;
    window.GetWindowRect(&shown.rect);
    shown.headless = qh::gdi::SnapshotWindow(window.m_hWnd);
    for (int id : {kSearchButton, kRunSearch, kFoundList, static_cast<int>(IDOK), static_cast<int>(IDCANCEL)})
      if (HWND control = ::GetDlgItem(window.m_hWnd, id)) shown.controls[id] = qh::gdi::testing::RectInWindow(window.m_hWnd, control);
    if (!qh::ui::DisplayActive() || !shown.headless) {
      onDisplay = false;
      dialog->EndDialog(IDCANCEL);
      return;
    }
    std::lock_guard<std::mutex> guard(seen.lock);
    if (dialog->m_nTemplateId == IDD_SEARCH) {
      seen.search = dialog;
      SetTimer(window.m_hWnd, 1, 100, WatchTheSearch);
    }
    seen.dialogs[dialog->m_nTemplateId] = shown;
  });

  std::atomic<bool> ended{false};
  std::optional<ShownDialog> main, search;
  std::optional<Surface> mainScreen, searchScreen, listScreen;
  std::optional<Surface> listedPicture;
  std::thread user([&] {
    session->Xdotool("mousemove 0 0");  // off the dialogs: no hover help
    if ((main = WaitFor(IDD_RECORDER)) && onDisplay) {
      mainScreen = GrabAsHeadless(*main);
      ClickOn(*main, kSearchButton);
      if ((search = WaitFor(IDD_SEARCH))) {
        searchScreen = GrabAsHeadless(*search);
        ClickOn(*search, kRunSearch);
        const RECT list = search->Control(kFoundList);
        const RECT& r = search->rect;
        listScreen = session->GrabWhen(r.left, r.top, r.right - r.left, r.bottom - r.top, [&](const Surface& s) {
          std::lock_guard<std::mutex> guard(seen.lock);
          listedPicture = seen.listedPicture;
          return listedPicture && SameShare(s, *listedPicture, list.left, list.top, list.right, list.bottom) > 0.97;
        });
        ClickOn(*search, IDCANCEL);
      }
      ClickOn(*main, IDOK);
    }
    // A click that did nothing fails the test instead of hanging it.
    for (int i = 0; i < 100 && !ended; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (!ended && search) PostMessage(search->window, WM_COMMAND, IDCANCEL, 0);
    for (int i = 0; i < 50 && !ended; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (!ended && main) PostMessage(main->window, WM_COMMAND, IDOK, 0);
  });
  CRecorderDlg dialog;
  const INT_PTR result = dialog.DoModal();
  ended = true;
  user.join();
  if (!onDisplay) GTEST_SKIP() << "SDL could not open " << session->display();

  ASSERT_TRUE(main && mainScreen);
  const qh::gdi::Pixel face = qh::gdi::PixelFromColor(GetSysColor(COLOR_BTNFACE));
  EXPECT_GT(SameShare(*mainScreen, *main->headless, 0, 0, mainScreen->width(), mainScreen->height()), 0.97);
  const RECT button = main->Control(kSearchButton);
  EXPECT_GT(SameShare(*mainScreen, *main->headless, button.left, button.top, button.right, button.bottom), 0.97);
  EXPECT_GT(InkPixels(*mainScreen, button.left + 3, button.top + 3, button.right - 3, button.bottom - 3, face), 20)
      << "the search button's caption is drawn";

  ASSERT_TRUE(search && searchScreen) << "the search button opened no search on the screen";
  EXPECT_GT(SameShare(*searchScreen, *search->headless, 0, 0, searchScreen->width(), searchScreen->height()), 0.97);
  std::vector<std::string> listed;
  {
    std::lock_guard<std::mutex> guard(seen.lock);
    listed = seen.listed;
  }
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ((std::vector<std::string>{"Blue Train", "Danny Boy"}), listed);
  ASSERT_TRUE(listScreen && listedPicture);
  const RECT list = search->Control(kFoundList);
  EXPECT_GT(SameShare(*listScreen, *listedPicture, list.left, list.top, list.right, list.bottom), 0.97)
      << "the found songs on the screen as headless";
  EXPECT_LT(SameShare(*listScreen, *search->headless, list.left, list.top, list.right, list.bottom), 0.99)
      << "the list changed on the screen";
  const qh::gdi::Pixel paper = qh::gdi::PixelFromColor(GetSysColor(COLOR_WINDOW));
  EXPECT_GT(InkPixels(*listScreen, list.left + 2, list.top + 20, list.right - 2, list.bottom - 2, paper),
            InkPixels(*searchScreen, list.left + 2, list.top + 20, list.right - 2, list.bottom - 2, paper) + 100)
      << "the rows' texts are drawn";
  EXPECT_EQ(IDOK, result) << "Exit on the screen ends the main dialog";
}

}  // namespace
}  // namespace qh::recorder::testing
