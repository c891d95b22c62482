// What the window manager tells a display back end and how the display's input becomes messages,
// with a recording back end in place of a screen.
#include <algorithm>
#include <chrono>

#include <gtest/gtest.h>

#include "platform/ui/AfxControls.h"
#include "platform/ui/DisplayLink.h"
#include "platform/ui/Menu.h"
#include "platform/ui/tests/UiTestSupport.h"

using namespace qh::ui::test;

namespace {

class RecordingDisplay : public qh::display::DisplayBackend {
 public:
  std::string Name() const override { return "recording"; }
  bool Headless() const override { return false; }
  void ShowWindow(HWND window, const RECT& rect, const std::string& title) override {
    calls.push_back("show " + title);
    shownRect = rect;
    (void)window;
  }
  void HideWindow(HWND) override { calls.push_back("hide"); }
  void MoveWindow(HWND, const RECT& rect) override {
    calls.push_back("move");
    shownRect = rect;
  }
  void SetTitle(HWND, const std::string& title) override { calls.push_back("title " + title); }
  void DestroyWindow(HWND) override { calls.push_back("destroy"); }
  void Present(HWND, const qh::gdi::Surface& surface) override {
    ++presents;
    presentedWidth = surface.width();
  }
  std::vector<qh::display::InputMessage> PollInput() override {
    std::vector<qh::display::InputMessage> out;
    out.swap(pending);
    return out;
  }
  std::optional<qh::gdi::Surface> ReadBack(HWND) override { return std::nullopt; }
  void FocusWindow(HWND window) override { keyboard.push_back(window); }
  void SetOwner(HWND window, HWND owner) override { owners.emplace_back(window, owner); }

  std::vector<std::string> calls;
  std::vector<HWND> keyboard;  // the windows given the display's keyboard, oldest first
  std::vector<std::pair<HWND, HWND>> owners;  // each shown window told the window it stays above
  RECT shownRect{};
  int presents = 0;
  int presentedWidth = 0;
  std::vector<qh::display::InputMessage> pending;
};

class DisplayLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto made = std::make_unique<RecordingDisplay>();
    display = made.get();
    qh::ui::testing::SetDisplayBackend(std::move(made));
  }
  void TearDown() override { qh::ui::testing::SetDisplayBackend(nullptr); }
  void Queue(HWND window, UINT message, WPARAM wParam, POINT screen = {}) {
    qh::display::InputMessage input;
    input.window = window;
    input.message = message;
    input.wParam = wParam;
    input.screen = screen;
    display->pending.push_back(input);
  }
  RecordingDisplay* display = nullptr;
};

TEST_F(DisplayLinkTest, TopLevelWindowsAreShownMovedTitledPresentedAndDestroyed) {
  auto window = std::make_unique<RecordingWindow>(nullptr, WS_POPUP);
  MoveWindow(window->hwnd(), 40, 50, 220, 120, TRUE);
  SetWindowText(window->hwnd(), "Zone 1");
  EXPECT_TRUE(display->calls.empty());  // hidden windows are not on screen
  ShowWindow(window->hwnd(), SW_SHOW);
  ASSERT_FALSE(display->calls.empty());
  EXPECT_EQ(display->calls.front(), "show Zone 1");
  EXPECT_EQ(display->shownRect.left, 40);
  EXPECT_EQ(display->shownRect.right, 260);
  PumpPending();
  EXPECT_GT(display->presents, 0);
  EXPECT_EQ(display->presentedWidth, 220);
  MoveWindow(window->hwnd(), 60, 50, 220, 120, TRUE);
  SetWindowText(window->hwnd(), "Zone 2");
  window.reset();
  ASSERT_GE(display->calls.size(), 4u);
  std::vector<std::string> tail(display->calls.end() - 4, display->calls.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"move", "title Zone 2", "hide", "destroy"}));
}

// A combo box's dropped list is owned by the combo, a child: the display is told the list stays above
// the combo's dialog, else a window manager may open it beneath the dialog, out of sight and reach.
TEST_F(DisplayLinkTest, AComboBoxsDroppedListStaysAboveItsDialog) {
  RecordingWindow main(nullptr, WS_POPUP | WS_VISIBLE);
  RecordingWindow dialog(nullptr, WS_POPUP);
  SetWindowLongPtr(dialog.hwnd(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(main.hwnd()));  // owned, as a dialog is
  MoveWindow(dialog.hwnd(), 100, 100, 320, 220, TRUE);
  ShowWindow(dialog.hwnd(), SW_SHOW);
  CComboBox devices;
  ASSERT_TRUE(devices.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, CRect(10, 10, 250, 120), CWnd::FromHandle(dialog.hwnd()), 1021));
  devices.AddString("Default Output");
  devices.AddString("Null Output");
  display->owners.clear();
  devices.ShowDropDown(TRUE);
  ASSERT_TRUE(devices.GetDroppedState());
  ASSERT_EQ(display->owners.size(), 1u);
  EXPECT_NE(display->owners[0].first, dialog.hwnd());
  EXPECT_EQ(display->owners[0].second, dialog.hwnd());
  devices.ShowDropDown(FALSE);
}

TEST_F(DisplayLinkTest, DisplayInputArrivesAsMessages) {
  RecordingWindow top(nullptr, WS_POPUP | WS_VISIBLE);
  MoveWindow(top.hwnd(), 100, 100, 300, 200, TRUE);
  CButton button;
  ASSERT_TRUE(button.Create("Go", WS_VISIBLE, CRect(10, 10, 90, 40), CWnd::FromHandle(top.hwnd()), 5));
  CEdit edit;
  ASSERT_TRUE(edit.Create(WS_VISIBLE, CRect(10, 50, 190, 70), CWnd::FromHandle(top.hwnd()), 6));
  Queue(top.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, POINT{120, 120});
  Queue(top.hwnd(), WM_LBUTTONUP, 0, POINT{120, 120});
  PumpPending();
  int clicks = 0;
  for (const Received& r : top.received) clicks += r.message == WM_COMMAND && LOWORD(r.wParam) == 5 && HIWORD(r.wParam) == BN_CLICKED;
  EXPECT_EQ(clicks, 1);
  edit.SetFocus();
  Queue(top.hwnd(), WM_KEYDOWN, 'A');
  Queue(top.hwnd(), WM_CHAR, 'a');
  Queue(top.hwnd(), WM_KEYUP, 'A');
  PumpPending();
  CString text;
  edit.GetWindowText(text);
  EXPECT_EQ(text, CString("a"));  // the key and its character come separately, typed once
  Queue(top.hwnd(), WM_CLOSE, 0);
  PumpPending();
  EXPECT_FALSE(IsWindow(top.hwnd()));  // the close box closes the window
}

}  // namespace

#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"

namespace {

TEST_F(DisplayLinkTest, OnADisplayAMessageBoxIsARealModalBox) {
  RecordingWindow main(nullptr, WS_POPUP | WS_VISIBLE);
  std::string shownText;
  bool mainDisabled = false;
  qh::ui::SetDialogAnswerer([&](CWnd& box) {
    CString text;
    box.GetDlgItem(0xFFFF)->GetWindowText(text);
    shownText = text.str();
    mainDisabled = !IsWindowEnabled(main.hwnd());
    CWnd* no = box.GetDlgItem(IDNO);
    ASSERT_NE(no, nullptr);
    RECT rect;
    no->GetWindowRect(&rect);
    qh::ui::InjectMouse(WM_LBUTTONDOWN, POINT{rect.left + 3, rect.top + 3});
    qh::ui::InjectMouse(WM_LBUTTONUP, POINT{rect.left + 3, rect.top + 3});
  });
  EXPECT_EQ(MessageBox(main.hwnd(), "Quit Quaverhouse?", "Quaverhouse", MB_YESNO | MB_ICONQUESTION), IDNO);
  EXPECT_EQ(shownText, "Quit Quaverhouse?");
  EXPECT_TRUE(mainDisabled);
  EXPECT_TRUE(IsWindowEnabled(main.hwnd()));
  qh::ui::SetDialogAnswerer([](CWnd&) { qh::ui::InjectKey(VK_ESCAPE, true); });
  EXPECT_EQ(MessageBox(main.hwnd(), "Done.", "Quaverhouse", MB_OK), IDOK);  // Escape on an OK box is OK
  qh::ui::SetDialogAnswerer([](CWnd&) { qh::ui::InjectKey(VK_RETURN, true); });
  EXPECT_EQ(MessageBox(main.hwnd(), "Again?", "Quaverhouse", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
  qh::ui::SetDialogAnswerer(nullptr);
}

}  // namespace

TEST_F(DisplayLinkTest, ManyControlPaintsMakeOnePresent) {
  RecordingWindow top(nullptr, WS_POPUP | WS_VISIBLE);
  MoveWindow(top.hwnd(), 0, 0, 400, 300, TRUE);
  std::vector<std::unique_ptr<CButton>> buttons;
  for (int i = 0; i < 12; ++i) {
    buttons.push_back(std::make_unique<CButton>());
    ASSERT_TRUE(buttons.back()->Create("B", WS_VISIBLE, CRect(10 + 30 * i, 10, 38 + 30 * i, 40), CWnd::FromHandle(top.hwnd()), 100 + i));
  }
  PumpPending();
  display->presents = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto& button : buttons) button->Invalidate(TRUE);
  PumpPending();
  // While painting goes on the screen is still brought up to date every 16 ms, so a pump slowed by a
  // loaded machine may present more than once, but never once per control.
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  const int allowed = 1 + static_cast<int>(elapsed.count() / 16);
  EXPECT_GE(display->presents, 1);
  EXPECT_LE(display->presents, std::min(allowed, 11)) << "paints of " << elapsed.count() << " ms";
}

TEST_F(DisplayLinkTest, FocusLostOnTheDisplayEndsFocusAndCapture) {
  RecordingWindow top(nullptr, WS_POPUP | WS_VISIBLE);
  MoveWindow(top.hwnd(), 0, 0, 200, 100, TRUE);
  SetFocus(top.hwnd());
  SetCapture(top.hwnd());
  PumpPending();
  Queue(top.hwnd(), WM_KILLFOCUS, 0);
  PumpPending();
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_GE(top.Count(WM_KILLFOCUS), 1);
  EXPECT_GE(top.Count(WM_CAPTURECHANGED), 1);
}

// A key press the display reports with the character it typed, as a person types it.
TEST_F(DisplayLinkTest, AKeyWhoseHandlerOpensAWindowHasTypedItsCharacterBeforeThatWindowOpens) {
  RecordingWindow top(nullptr, WS_POPUP | WS_VISIBLE);
  MoveWindow(top.hwnd(), 0, 0, 200, 100, TRUE);
  SetFocus(top.hwnd());
  // The handler of the key asks for a window by a posted message, as a program's shortcut keys do.
  top.react = [&](UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    if (message == WM_KEYDOWN && wParam == 'O') PostMessage(top.hwnd(), WM_APP, 0, 0);
    return false;
  };
  Queue(top.hwnd(), WM_KEYDOWN, 'O');
  Queue(top.hwnd(), WM_CHAR, 'o');
  Queue(top.hwnd(), WM_KEYUP, 'O');
  PumpPending();
  std::vector<UINT> seen;
  for (UINT message : top.MessagesOf(WM_KEYFIRST, WM_APP))
    if (message == WM_CHAR || message == WM_APP) seen.push_back(message);
  // The character goes to the window the key was pressed in, not to the window the key opens.
  EXPECT_EQ(seen, (std::vector<UINT>{WM_CHAR, WM_APP}));
}

#include "platform/ui/Dialog.h"

namespace {

class TwoFieldDialog : public CDialog {
 public:
  static constexpr UINT kFirst = 101, kSecond = 102;
  bool Make() {
    qh::ui::DialogTemplate box;
    box.caption = "Fields";
    box.cx = 160;
    box.cy = 60;
    const DWORD edit = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
    box.items = {{"Edit", "", kFirst, edit, 0, 7, 7, 140, 13},
                 {"Edit", "", kSecond, edit, 0, 7, 27, 140, 13},
                 {"Button", "OK", IDOK, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 100, 44, 50, 14}};
    return CreateIndirect(box) != FALSE;
  }
  void OnOK() override { ++oks; }
  int oks = 0;
};

TEST_F(DisplayLinkTest, KeysADialogTakesTypeNothingInItsFields) {
  TwoFieldDialog dialog;
  ASSERT_TRUE(dialog.Make());
  dialog.ShowWindow(SW_SHOW);
  CWnd* first = dialog.GetDlgItem(TwoFieldDialog::kFirst);
  CWnd* second = dialog.GetDlgItem(TwoFieldDialog::kSecond);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  first->SetFocus();
  PumpPending();
  struct Stroke {
    UINT key;
    char ch;
  };
  // Tab to the second field, type a drive path there, Enter for the default button.
  const Stroke strokes[] = {{VK_TAB, '\t'}, {'D', 'D'}, {0, ':'}, {0, '\\'}, {'M', 'M'}, {VK_RETURN, '\r'}};
  for (const Stroke& stroke : strokes) {
    if (stroke.key) Queue(dialog.m_hWnd, WM_KEYDOWN, stroke.key);
    Queue(dialog.m_hWnd, WM_CHAR, static_cast<unsigned char>(stroke.ch));
    if (stroke.key) Queue(dialog.m_hWnd, WM_KEYUP, stroke.key);
    PumpPending();
  }
  CString typedFirst, typedSecond;
  first->GetWindowText(typedFirst);
  second->GetWindowText(typedSecond);
  EXPECT_EQ(typedFirst, CString(""));
  EXPECT_EQ(typedSecond, CString("D:\\M"));  // no tab before the path
  EXPECT_EQ(dialog.oks, 1);
  dialog.DestroyWindow();
}

}  // namespace

// The active window going (hidden or destroyed) hands the activation, and with it the display's keyboard,
// to its owner when that takes input, else to the highest window left that does; with none left nothing
// is active. Without a window manager nobody else would give the keyboard on.
enum class Going { OwnedBoxHidden, OwnedBoxDestroyed, UnownedWindowDestroyedOverADisabledOne, LastWindowDestroyed };

class ActivationSuccession : public DisplayLinkTest, public ::testing::WithParamInterface<Going> {};

TEST_P(ActivationSuccession, TheOwnerElseTheHighestWindowThatTakesInputBecomesActive) {
  auto main = std::make_unique<RecordingWindow>(nullptr, WS_POPUP | WS_VISIBLE);
  auto other = std::make_unique<RecordingWindow>(nullptr, WS_POPUP | WS_VISIBLE);
  auto box = std::make_unique<RecordingWindow>(nullptr, WS_POPUP | WS_VISIBLE);
  SetWindowLongPtr(box->hwnd(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(main->hwnd()));
  ASSERT_EQ(GetWindow(box->hwnd(), GW_OWNER), main->hwnd());
  const HWND mainHandle = main->hwnd(), otherHandle = other->hwnd();
  HWND expected = mainHandle;
  switch (GetParam()) {
    case Going::OwnedBoxHidden:
      SetActiveWindow(box->hwnd());
      display->keyboard.clear();
      ShowWindow(box->hwnd(), SW_HIDE);
      break;
    case Going::OwnedBoxDestroyed:
      SetActiveWindow(box->hwnd());
      display->keyboard.clear();
      box.reset();
      break;
    case Going::UnownedWindowDestroyedOverADisabledOne:
      box.reset();
      EnableWindow(mainHandle, FALSE);
      SetActiveWindow(otherHandle);
      {
        auto third = std::make_unique<RecordingWindow>(nullptr, WS_POPUP | WS_VISIBLE);
        SetActiveWindow(third->hwnd());
        display->keyboard.clear();
        expected = otherHandle;
      }
      break;
    case Going::LastWindowDestroyed:
      box.reset();
      other.reset();
      SetActiveWindow(mainHandle);
      display->keyboard.clear();
      main.reset();
      expected = nullptr;
      break;
  }
  PumpPending();
  EXPECT_EQ(GetActiveWindow(), expected);
  if (expected) {
    EXPECT_EQ(GetFocus(), expected) << "the window's keys reach it";
    EXPECT_EQ(display->keyboard, std::vector<HWND>{expected}) << "the display's keyboard goes with the activation";
  } else {
    EXPECT_TRUE(display->keyboard.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Ways, ActivationSuccession,
                         ::testing::Values(Going::OwnedBoxHidden, Going::OwnedBoxDestroyed,
                                           Going::UnownedWindowDestroyedOverADisabledOne, Going::LastWindowDestroyed));

// A popup menu keeps the keyboard while the program moves its focus within the menu's window (the
// jukebox's first-zone timer at start-up focuses the zone): the user's letter still chooses, and the
// control the program focused has the focus once the menu ended.
TEST_F(DisplayLinkTest, APopupMenuKeepsTheKeyboardWhileTheProgramMovesTheFocusInTheMenusWindow) {
  RecordingWindow owner(nullptr, WS_POPUP | WS_VISIBLE);
  MoveWindow(owner.hwnd(), 0, 0, 300, 200, TRUE);
  RecordingWindow zone(owner.hwnd(), WS_CHILD | WS_VISIBLE);
  SetActiveWindow(owner.hwnd());
  constexpr UINT_PTR kStartUp = 1, kGiveUp = 2;
  owner.react = [&](UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    if (message != WM_TIMER) return false;
    KillTimer(owner.hwnd(), wParam);
    if (wParam == kGiveUp) {
      ReleaseCapture();  // a menu still open by then is closed, so a failure cannot hang the test
      return true;
    }
    SetFocus(zone.hwnd());
    qh::ui::InjectKey('C', true);
    qh::ui::InjectKey('C', false);
    return true;
  };
  SetTimer(owner.hwnd(), kStartUp, 10, nullptr);
  SetTimer(owner.hwnd(), kGiveUp, 20000, nullptr);
  HMENU menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING, 301, "&Open");
  AppendMenu(menu, MF_STRING, 302, "&Close");
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 10, 10, 0, owner.hwnd(), nullptr), 302) << "C chose Close";
  KillTimer(owner.hwnd(), kGiveUp);
  DestroyMenu(menu);
  EXPECT_EQ(GetActiveWindow(), owner.hwnd());
  EXPECT_EQ(GetFocus(), zone.hwnd());
  ASSERT_FALSE(display->keyboard.empty());
  EXPECT_EQ(display->keyboard.back(), owner.hwnd()) << "the menu's window gave the display's keyboard back";
}

// A program's timer focusing a control of its window while a modal box waits over that window (the
// jukebox's first-zone switch under its quit question): the control takes no focus and the box stays
// active, so the user's click on the box is the box's.
TEST_F(DisplayLinkTest, AControlOfAWindowWaitingForAModalBoxTakesNoFocus) {
  RecordingWindow main(nullptr, WS_POPUP | WS_VISIBLE);
  RecordingWindow zone(main.hwnd(), WS_CHILD | WS_VISIBLE);
  RecordingWindow box(nullptr, WS_POPUP | WS_VISIBLE);
  SetActiveWindow(box.hwnd());
  EnableWindow(main.hwnd(), FALSE);
  display->keyboard.clear();
  EXPECT_EQ(SetFocus(zone.hwnd()), nullptr);
  EXPECT_NE(GetFocus(), zone.hwnd());
  EXPECT_EQ(GetActiveWindow(), box.hwnd());
  EXPECT_TRUE(display->keyboard.empty()) << "the box keeps the display's keyboard";
  EnableWindow(main.hwnd(), TRUE);
  SetFocus(zone.hwnd());
  EXPECT_EQ(GetFocus(), zone.hwnd()) << "once the window takes input again";
}
