// Dialogs from templates: modal runs under a test answerer, the dialog keyboard, data exchange with
// validation, and modeless dialogs.
#include <gtest/gtest.h>

#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/tests/UiTestSupport.h"

using namespace qh::ui::test;
using qh::ui::InjectKey;
using qh::ui::InjectMouseAt;
using qh::ui::InjectText;

namespace {

constexpr UINT kVolumeDialog = 901;
constexpr UINT kChooserPing = WM_APP + 0x334;

const char* kTemplates = R"(# a test dialog in the resource form
DIALOG 901 "Stream \"Main\"" 0 0 200 120 STYLE 0x80C80000
  CONTROL 1001 Edit "" 0x50810080 10 10 100 14
  CONTROL 1002 Edit "" 0x50812080 10 30 40 14
  CONTROL 1003 Button "&Mute" 0x50010003 10 50 80 12
  CONTROL 1004 Button "Low" 0x50030009 10 65 40 12
  CONTROL 1005 Button "High" 0x50010009 60 65 40 12
  CONTROL 1 Button "OK" 0x50010001 90 95 50 14
  CONTROL 2 Button "Cancel" 0x50010000 145 95 50 14
END
)";

class VolumeDialog : public CDialog {
 public:
  VolumeDialog() : CDialog(kVolumeDialog) {}
  CString name = "Lounge";
  UINT level = 5;
  int mute = 1;
  int range = 1;
  int pings = 0;
  int ticks = 0;
  // The user presses Escape once the dialog's timer ticked this often (0: never).
  int escapeAfterTicks = 0;

 protected:
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Text(dx, 1001, name);
    DDV_MaxChars(dx, name, 8);
    DDX_Text(dx, 1002, level);
    DDV_MinMaxUInt(dx, level, 1, 10);
    DDX_Check(dx, 1003, mute);
    DDX_Radio(dx, 1004, range);
  }
  afx_msg LRESULT OnChooserPing(WPARAM, LPARAM) {
    ++pings;
    return -1;
  }
  afx_msg void OnTimer(UINT_PTR) {
    if (++ticks == escapeAfterTicks) InjectKey(VK_ESCAPE, true);
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(VolumeDialog, CDialog)
ON_MESSAGE(kChooserPing, OnChooserPing)
ON_WM_TIMER()
END_MESSAGE_MAP()

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(qh::ui::LoadDialogTemplates(kTemplates, &error)) << error;
  }
  void TearDown() override {
    qh::ui::SetDialogAnswerer(nullptr);
    qh::ui::SetMessageBoxAnswerer(nullptr);
  }
};

TEST_F(DialogTest, TemplatesAreReadFromTheResourceForm) {
  auto found = qh::ui::FindDialogTemplate(kVolumeDialog);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->caption, "Stream \"Main\"");
  ASSERT_EQ(found->items.size(), 7u);
  EXPECT_EQ(found->items[2].text, "&Mute");
  EXPECT_EQ(found->items[2].style, 0x50010003u);
  struct Bad {
    const char* text;
    const char* problem;
  };
  for (Bad bad : {Bad{"DIALOG 5 \"x\" 0 0 1\nEND\n", "line 1"}, Bad{"CONTROL 1 Button \"x\" 0 0 0 1 1\n", "line 1"},
                  Bad{"DIALOG 6 \"x\" 0 0 1 1\n", "without END"}, Bad{"DIALOG 7 \"x 0 0 1 1\nEND\n", "unterminated"}}) {
    std::string error;
    EXPECT_FALSE(qh::ui::LoadDialogTemplates(bad.text, &error)) << bad.text;
    EXPECT_NE(error.find(bad.problem), std::string::npos) << error;
  }
  EXPECT_FALSE(qh::ui::FindDialogTemplate(6).has_value());
}

TEST_F(DialogTest, EscapeGivesCancelWhilePostsAndTimersKeepFlowing) {
  RecordingWindow other(nullptr, WS_POPUP | WS_VISIBLE);
  VolumeDialog dialog;
  bool otherDisabled = false;
  qh::ui::SetDialogAnswerer([&](CWnd& shown) {
    otherDisabled = !IsWindowEnabled(other.hwnd());
    shown.PostMessage(kChooserPing, 12, 0);
    shown.SetTimer(1, 10);
  });
  dialog.escapeAfterTicks = 3;
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_TRUE(otherDisabled);
  EXPECT_TRUE(IsWindowEnabled(other.hwnd()));
  EXPECT_EQ(dialog.pings, 1);
  EXPECT_EQ(dialog.ticks, 3);
  EXPECT_EQ(dialog.m_hWnd, nullptr);  // the window is gone, the object stays
  EXPECT_EQ(dialog.name, CString("Lounge"));  // cancel keeps the members
}

TEST_F(DialogTest, EnterRunsTheDefaultButtonAndExchangesTheData) {
  VolumeDialog dialog;
  qh::ui::SetDialogAnswerer([&](CWnd& shown) {
    EXPECT_EQ(shown.IsDlgButtonChecked(1003), 1u);  // members went into the controls
    EXPECT_EQ(shown.GetCheckedRadioButton(1004, 1005), 1005);
    shown.SetDlgItemText(1001, "Bar");
    shown.SetDlgItemText(1002, "7");
    shown.CheckDlgButton(1003, BST_UNCHECKED);
    shown.GetDlgItem(1001)->SetFocus();
    InjectKey(VK_RETURN, true);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.name, CString("Bar"));
  EXPECT_EQ(dialog.level, 7u);
  EXPECT_EQ(dialog.mute, 0);
  EXPECT_EQ(dialog.range, 1);
}

TEST_F(DialogTest, ValidationFailureShowsTheFrameworkMessageAndKeepsTheDialogOpen) {
  std::vector<std::string> boxes;
  qh::ui::ScopedMessageBoxAnswerer boxAnswerer([&](const qh::ui::MessageBoxRequest& box) {
    boxes.push_back(box.text);
    return IDOK;
  });
  VolumeDialog dialog;
  int okPresses = 0;
  qh::ui::SetDialogAnswerer([&](CWnd& shown) {
    shown.SetDlgItemText(1002, "42");
    shown.PostMessage(WM_COMMAND, IDOK, 0);
    ++okPresses;
  });
  // After the failed OK the user corrects the value and presses OK again.
  RecordingWindow driver(nullptr, WS_POPUP);
  SetTimer(driver.hwnd(), 1, 30, nullptr);
  driver.react = [&](UINT m, WPARAM, LPARAM, LRESULT&) {
    if (m == WM_TIMER && dialog.m_hWnd && !boxes.empty()) {
      KillTimer(driver.hwnd(), 1);
      EXPECT_EQ(GetFocus(), dialog.GetDlgItem(1002)->m_hWnd);  // the failing field has the focus
      dialog.SetDlgItemText(1002, "10");
      dialog.PostMessage(WM_COMMAND, IDOK, 0);
    }
    return false;
  };
  EXPECT_EQ(dialog.DoModal(), IDOK);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "Please enter an integer between 1 and 10.");
  EXPECT_EQ(dialog.level, 10u);
  EXPECT_EQ(okPresses, 1);
}

TEST_F(DialogTest, EndDialogWithACustomCodeAndFromInitDialog) {
  class ChoiceDialog : public CDialog {
   public:
    explicit ChoiceDialog(bool endAtOnce) : CDialog(kVolumeDialog), endAtOnce_(endAtOnce) {}
    BOOL OnInitDialog() override {
      CDialog::OnInitDialog();
      if (endAtOnce_) EndDialog(1099);
      return TRUE;
    }
    void DoDataExchange(CDataExchange*) override {}

   private:
    bool endAtOnce_;
  };
  ChoiceDialog immediate(true);
  EXPECT_EQ(immediate.DoModal(), 1099);
  ChoiceDialog chosen(false);
  qh::ui::SetDialogAnswerer([](CWnd& shown) { static_cast<CDialog&>(shown).EndDialog(1098); });
  EXPECT_EQ(chosen.DoModal(), 1098);
  CDialog missing(4242);
  EXPECT_EQ(missing.DoModal(), -1);
}

// A dialog that turns controls off or hides them while it starts opens with the keyboard on the first
// control that takes it then, and a key typed at once reaches that control.
TEST_F(DialogTest, TheFocusStartsOnTheFirstControlThatTakesItAfterTheStart) {
  class StartingDialog : public VolumeDialog {
   public:
    StartingDialog(std::vector<UINT> off, bool hide) : off_(std::move(off)), hide_(hide) {}
    BOOL OnInitDialog() override {
      VolumeDialog::OnInitDialog();
      for (UINT id : off_) hide_ ? GetDlgItem(id)->ShowWindow(SW_HIDE) : GetDlgItem(id)->EnableWindow(FALSE);
      return TRUE;
    }

   private:
    std::vector<UINT> off_;
    bool hide_;
  };
  struct Case {
    std::vector<UINT> off;
    bool hide;
    UINT focused;
  };
  for (const Case& c : {Case{{}, false, 1001}, Case{{1001}, false, 1002}, Case{{1001, 1002}, false, 1003},
                        Case{{1001}, true, 1002}}) {
    StartingDialog dialog(c.off, c.hide);
    int focused = 0;
    CString typed;
    qh::ui::SetDialogAnswerer([&](CWnd& shown) {
      focused = ::GetDlgCtrlID(::GetFocus());
      InjectText("7");
      PumpPending();
      if (CWnd* field = shown.GetDlgItem(focused)) field->GetWindowText(typed);
      static_cast<CDialog&>(shown).EndDialog(IDCANCEL);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(focused, static_cast<int>(c.focused)) << "with " << c.off.size() << " controls off";
    if (c.focused != 1003) {
      EXPECT_NE(typed.Find('7'), -1) << "the key reached control " << focused << ": " << typed;
    }
  }
}

// While a dialog runs modal, its owner and everything in it wait: a click on the owner's check box
// changes nothing and brings the dialog up; a dialog opened from the dialog nests. When the dialog
// ends, the owner's field that had the focus has it again and typing reaches it.
TEST_F(DialogTest, TheOwnerWaitsForItsModalDialogAndGetsItsFocusBack) {
  VolumeDialog owner;
  ASSERT_TRUE(owner.Create(kVolumeDialog));
  owner.SetWindowPos(nullptr, 500, 400, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  owner.ShowWindow(SW_SHOW);
  CWnd* field = owner.GetDlgItem(1002);
  CWnd* mute = owner.GetDlgItem(1003);
  field->SetFocus();
  field->SetWindowText("");
  ASSERT_EQ(owner.IsDlgButtonChecked(1003), 1u);
  int runs = 0;
  HWND outer = nullptr, inner = nullptr;
  // Should the Escape key get lost, the dialogs still end (and the test fails) instead of waiting.
  RecordingWindow guard(nullptr, WS_POPUP);
  SetTimer(guard.hwnd(), 1, 10000, nullptr);
  std::vector<HWND> open;
  guard.react = [&](UINT m, WPARAM, LPARAM, LRESULT&) {
    if (m == WM_TIMER)
      for (HWND dialog : open)
        if (IsWindow(dialog)) static_cast<CDialog*>(CWnd::FromHandle(dialog))->EndDialog(-2);
    return false;
  };
  qh::ui::SetDialogAnswerer([&](CWnd& shown) {
    ++runs;
    open.push_back(shown.m_hWnd);
    shown.SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    if (runs == 1) {
      outer = shown.m_hWnd;
      EXPECT_FALSE(owner.IsWindowEnabled());
      ::SetActiveWindow(owner.m_hWnd);  // something else came up
      InjectMouseAt(mute->m_hWnd, WM_LBUTTONDOWN, 3, 3);
      InjectMouseAt(mute->m_hWnd, WM_LBUTTONUP, 3, 3);
      InjectText("9");
      PumpPending();
      EXPECT_EQ(owner.IsDlgButtonChecked(1003), 1u) << "the click reached the waiting owner";
      EXPECT_EQ(::GetActiveWindow(), outer) << "the click did not bring the dialog up";
      EXPECT_EQ(field->GetWindowTextLength(), 0) << "typing reached the waiting owner";
      VolumeDialog nested;
      EXPECT_EQ(nested.DoModal(), IDCANCEL);
      EXPECT_TRUE(IsWindowEnabled(outer));  // the outer dialog takes input again
      EXPECT_FALSE(owner.IsWindowEnabled());
      EXPECT_EQ(::GetActiveWindow(), outer);
    } else {
      inner = shown.m_hWnd;
      EXPECT_FALSE(IsWindowEnabled(outer));
      InjectMouseAt(mute->m_hWnd, WM_LBUTTONDOWN, 3, 3);
      InjectMouseAt(mute->m_hWnd, WM_LBUTTONUP, 3, 3);
      PumpPending();
      EXPECT_EQ(::GetActiveWindow(), inner);
    }
    InjectKey(VK_ESCAPE, true);
  });
  EXPECT_EQ(owner.IsDlgButtonChecked(1003), 1u);
  VolumeDialog dialog;
  dialog.m_pParentWnd = &owner;
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(runs, 2);
  EXPECT_NE(inner, nullptr);
  EXPECT_TRUE(owner.IsWindowEnabled());
  EXPECT_EQ(owner.IsDlgButtonChecked(1003), 1u);
  EXPECT_EQ(::GetFocus(), field->m_hWnd);
  InjectText("42");
  PumpPending();
  CString typed;
  field->GetWindowText(typed);
  EXPECT_EQ(typed, CString("42"));
  owner.DestroyWindow();
}

TEST_F(DialogTest, ModelessDialogLivesUntilDestroyedAndClicksReachItsMap) {
  VolumeDialog dialog;
  ASSERT_TRUE(dialog.Create(kVolumeDialog));
  EXPECT_TRUE(IsWindow(dialog.m_hWnd));
  EXPECT_EQ(dialog.GetDlgItem(1002)->GetWindowTextLength(), 1);  // "5" from the member
  CWnd* cancel = dialog.GetDlgItem(IDCANCEL);
  ASSERT_NE(cancel, nullptr);
  dialog.ShowWindow(SW_SHOW);
  InjectMouseAt(cancel->m_hWnd, WM_LBUTTONDOWN, 3, 3);
  InjectMouseAt(cancel->m_hWnd, WM_LBUTTONUP, 3, 3);
  PumpPending();
  EXPECT_TRUE(IsWindow(dialog.m_hWnd));  // modeless: ending does not destroy
  dialog.DestroyWindow();
}

}  // namespace

#include <filesystem>
#include <fstream>

#include "platform/core/testing/TestSandbox.h"

namespace {

TEST(DialogResources, TemplatesLoadFromAProgramsDialogFolder) {
  qh::testing::TestSandbox sandbox;
  std::string folder = sandbox.HostPath("dialogs");
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "/choosers.dlg") << "DIALOG 970 \"Choose Genre\" 0 0 100 50\n"
                                             "  CONTROL 1 Button \"OK\" 0x50010001 10 30 40 14\nEND\n";
  std::ofstream(folder + "/notes.txt") << "not a template";
  std::string error;
  ASSERT_TRUE(qh::ui::LoadDialogTemplateFolder(folder, &error)) << error;
  auto found = qh::ui::FindDialogTemplate(970);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->caption, "Choose Genre");
  std::ofstream(folder + "/broken.dlg") << "DIALOG 971 \"Broken\" 0 0\n";
  EXPECT_FALSE(qh::ui::LoadDialogTemplateFolder(folder, &error));
  EXPECT_NE(error.find("broken.dlg: line 1"), std::string::npos) << error;
  EXPECT_FALSE(qh::ui::LoadDialogTemplateFile(folder + "/missing.dlg", &error));
}

}  // namespace
