// Modal windows on a real X display, once without a window manager (a kiosk) and once under openbox:
// a message box shows its two lines and its icon, a click on its owner changes nothing and the box
// stays on top, Enter presses the default button, and typing afterwards reaches the owner's field.
#include <gtest/gtest.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/gdi/Snapshot.h"
#include "platform/ui/gdi/tests/XDisplaySession.h"
#include "platform/ui/gdi/tests/XWindowManager.h"

extern char** environ;

namespace {

using qh::gdi::Surface;
using qh::gdi::testing::PumpUntil;
using qh::gdi::testing::XDisplaySession;

const char* kOwnerTemplate = R"(
DIALOG 960 "Zone" 0 0 200 80 STYLE 0x80C80000
  CONTROL 1200 Edit "" 0x50810080 10 10 100 14
  CONTROL 1201 Button "&Shuffle" 0x50010003 10 40 80 12
END
)";

// Where the question icon's blue shows on the screen: its bounding box, or nothing.
std::optional<RECT> IconOnScreen(const Surface& screen) {
  const qh::gdi::Pixel blue = qh::gdi::PixelFromColor(RGB(0, 70, 200));
  RECT box{screen.width(), screen.height(), -1, -1};
  int count = 0;
  for (int y = 0; y < screen.height(); ++y)
    for (int x = 0; x < screen.width(); ++x)
      if (screen.at(x, y) == blue) {
        ++count;
        box.left = std::min<LONG>(box.left, x), box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1), box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
  if (count < 200) return std::nullopt;
  return box;
}

// How many rows the dark ink (text) of an area of the screen spans, from the first inked row to the
// last: one line of the box's font spans at most 13.
int InkSpan(const Surface& screen, int left, int top, int right, int bottom) {
  int first = -1, last = -1;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x)
      if (screen.contains(x, y) && (screen.at(x, y) & 0xFFFFFF) < 0x404040) {
        if (first < 0) first = y;
        last = y;
        break;
      }
  return first < 0 ? 0 : last - first + 1;
}

class ModalOnDisplay : public ::testing::TestWithParam<bool> {};

TEST_P(ModalOnDisplay, ABoxShowsItsLinesAndIconKeepsItsOwnerWaitingAndGivesTheFocusBack) {
  XDisplaySession session;
  if (!session.Unavailable().empty()) GTEST_SKIP() << session.Unavailable();
  std::optional<qh::gdi::testing::XWindowManager> manager;
  if (GetParam()) {
    manager.emplace(session.display());
    if (!manager->running()) GTEST_SKIP() << "openbox could not be started";
  }
  std::string error;
  ASSERT_TRUE(qh::ui::LoadDialogTemplates(kOwnerTemplate, &error)) << error;
  CDialog owner(960);
  ASSERT_TRUE(owner.Create(960));
  owner.SetWindowPos(nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  owner.ShowWindow(SW_SHOW);
  CWnd* field = owner.GetDlgItem(1200);
  CWnd* shuffle = owner.GetDlgItem(1201);
  field->SetFocus();
  RECT shuffleRect;
  shuffle->GetWindowRect(&shuffleRect);
  ASSERT_TRUE(PumpUntil([&] { return session.Grab(0, 0, 8, 8).has_value(); }));
  PumpUntil([] { return false; }, std::chrono::milliseconds(300));  // shown and presented

  // The user's side, bounded at every step: the box ends by a guard timer should Enter get lost.
  std::atomic<bool> boxSeen{false}, iconStayed{false}, boxGone{false};
  std::atomic<int> span{0};
  std::thread user([&] {
    std::optional<Surface> screen = session.GrabWhen(0, 0, 1280, 1024, [](const Surface& s) {
      return IconOnScreen(s).has_value();
    });
    std::optional<RECT> icon = screen ? IconOnScreen(*screen) : std::nullopt;
    if (!icon) return;
    boxSeen = true;
    span = InkSpan(*screen, icon->right + 6, icon->top - 12, icon->right + 500, icon->bottom + 20);
    // A click on the waiting owner's check box, then the box must still be on top.
    const int x = (shuffleRect.left + shuffleRect.right) / 2, y = (shuffleRect.top + shuffleRect.bottom) / 2;
    session.Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::optional<Surface> after = session.Grab(0, 0, 1280, 1024);
    iconStayed = after && IconOnScreen(*after).has_value();
    session.Xdotool("key Return");
    boxGone = session.GrabWhen(0, 0, 1280, 1024, [](const Surface& s) { return !IconOnScreen(s); }).has_value();
    session.Xdotool("type 42");
  });
  HWND guard = CreateWindowEx(0, "Static", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  SetTimer(guard, 1, 30000, [](HWND, UINT, UINT_PTR, DWORD) {
    if (HWND active = GetActiveWindow()) PostMessage(active, WM_COMMAND, IDCANCEL, 0);
  });
  // The box's picture for the documentation (scripts/dialog-snapshots.sh names the folder).
  SetTimer(guard, 2, 1500, [](HWND guardWindow, UINT, UINT_PTR, DWORD) {
    KillTimer(guardWindow, 2);
    const char* folder = std::getenv("QH_DIALOG_SNAPSHOT_DIR");
    if (HWND box = GetActiveWindow(); folder && box) {
      EXPECT_TRUE(qh::gdi::WriteWindowPng(box, std::string(folder) + "/message-box.png"));
    }
  });
  const int answer = MessageBox(owner.m_hWnd, "Delete the song \"Night Ferry\"?\nIts file stays on the disk.",
                                "Tonebarn", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  KillTimer(guard, 1);
  KillTimer(guard, 2);
  CString typed;
  PumpUntil([&] {
    field->GetWindowText(typed);
    return typed == "42";
  }, std::chrono::seconds(15));
  user.join();
  DestroyWindow(guard);

  EXPECT_TRUE(boxSeen) << "the box or its icon never showed";
  EXPECT_GT(span.load(), 18) << "the box shows one line of its two";
  EXPECT_TRUE(iconStayed) << "the box went under its owner";
  EXPECT_TRUE(boxGone);
  EXPECT_EQ(answer, IDNO);  // Enter pressed the default, the second button
  EXPECT_EQ(owner.IsDlgButtonChecked(1201), 0u) << "the click reached the waiting owner";
  EXPECT_EQ(typed, CString("42")) << "typing after the box did not reach the owner's field";
  owner.DestroyWindow();
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, ModalOnDisplay, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Openbox" : "NoWindowManager"; });

}  // namespace
