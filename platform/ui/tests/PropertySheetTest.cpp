// Property sheets: pages made when first shown, OnKillActive refusing to leave a page and refusing
// OK, OK and Apply applying the pages that were made, Escape cancelling.
#include <gtest/gtest.h>

#include "platform/ui/MessageBox.h"
#include "platform/ui/PropertySheet.h"
#include "platform/ui/gdi/Snapshot.h"
#include "platform/ui/tests/UiTestSupport.h"

using namespace qh::ui::test;
using qh::ui::InjectKey;
using qh::ui::InjectMouseAt;

namespace {

const char* kPages = R"(
DIALOG 950 "General" 0 0 180 80 STYLE 0x40000000
  CONTROL 1100 Edit "" 0x50810080 10 10 60 14
END
DIALOG 951 "Logs" 0 0 160 100 STYLE 0x40000000
  CONTROL 1101 Button "Enable &Log" 0x50010003 10 10 80 12
END
DIALOG 952 "Streams" 0 0 100 60 STYLE 0x40000000
  CONTROL 1102 Static "none" 0x50000000 10 10 80 12
END
)";

std::vector<std::string> g_calls;

class GeneralPage : public CPropertyPage {
 public:
  GeneralPage() : CPropertyPage(950) {}
  int port = 5;
  BOOL OnSetActive() override {
    g_calls.push_back("general:setactive");
    return CPropertyPage::OnSetActive();
  }
  BOOL OnKillActive() override {
    g_calls.push_back("general:killactive");
    return CPropertyPage::OnKillActive();
  }
  void OnOK() override { g_calls.push_back("general:ok"); }
  void OnReset() override { g_calls.push_back("general:reset"); }
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Text(dx, 1100, port);
    DDV_MinMaxInt(dx, port, 1, 10);
  }
};

class LogsPage : public CPropertyPage {
 public:
  LogsPage() : CPropertyPage(951) {}
  int logging = 0;
  BOOL OnSetActive() override {
    g_calls.push_back("logs:setactive");
    return TRUE;
  }
  void OnOK() override { g_calls.push_back("logs:ok"); }
  void DoDataExchange(CDataExchange* dx) override { DDX_Check(dx, 1101, logging); }
};

class StreamsPage : public CPropertyPage {
 public:
  StreamsPage() : CPropertyPage(952) {}
  void OnOK() override { g_calls.push_back("streams:ok"); }
};

class PropertySheetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(qh::ui::LoadDialogTemplates(kPages, &error)) << error;
    g_calls.clear();
    sheet.AddPage(&general);
    sheet.AddPage(&logs);
    sheet.AddPage(&streams);
  }
  void TearDown() override {
    qh::ui::SetDialogAnswerer(nullptr);
    qh::ui::SetMessageBoxAnswerer(nullptr);
  }
  void ClickTab(int index) {
    CTabCtrl* tabs = sheet.GetTabControl();
    RECT rect;
    ASSERT_TRUE(tabs->GetItemRect(index, &rect));
    InjectMouseAt(tabs->m_hWnd, WM_LBUTTONDOWN, rect.left + 5, rect.top + 5);
    InjectMouseAt(tabs->m_hWnd, WM_LBUTTONUP, rect.left + 5, rect.top + 5);
    PumpPending();
  }
  CPropertySheet sheet{"Options"};
  GeneralPage general;
  LogsPage logs;
  StreamsPage streams;
};

TEST_F(PropertySheetTest, KillActiveRefusesToLeaveABadPageAndOkAppliesTheShownPages) {
  std::vector<std::string> boxes;
  qh::ui::ScopedMessageBoxAnswerer boxAnswerer([&](const qh::ui::MessageBoxRequest& box) {
    boxes.push_back(box.text);
    return IDOK;
  });
  qh::ui::SetDialogAnswerer([&](CWnd&) {
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    general.SetDlgItemText(1100, "99");
    ClickTab(1);
    EXPECT_EQ(sheet.GetActiveIndex(), 0);  // refused: the value is out of range
    EXPECT_EQ(boxes.size(), 1u);
    general.SetDlgItemText(1100, "7");
    ClickTab(1);
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    logs.CheckDlgButton(1101, BST_CHECKED);
    InjectKey(VK_RETURN, true);  // Enter is OK
  });
  EXPECT_EQ(sheet.DoModal(), IDOK);
  EXPECT_EQ(general.port, 7);
  EXPECT_EQ(logs.logging, 1);
  std::vector<std::string> expected = {"general:setactive", "general:killactive", "general:killactive",
                                       "logs:setactive",    "general:ok",         "logs:ok"};
  EXPECT_EQ(g_calls, expected);  // the streams page was never shown: nothing to apply
  EXPECT_EQ(general.m_hWnd, nullptr);
}

TEST_F(PropertySheetTest, OkIsRefusedWhileTheActivePageIsBad) {
  qh::ui::ScopedMessageBoxAnswerer boxAnswerer([](const qh::ui::MessageBoxRequest&) { return IDOK; });
  int okPresses = 0;
  qh::ui::SetDialogAnswerer([&](CWnd&) {
    general.SetDlgItemText(1100, "0");
    sheet.SendMessage(WM_COMMAND, IDOK);
    ++okPresses;
    EXPECT_TRUE(sheet.ContinueModal());  // still open
    general.SetDlgItemText(1100, "3");
    sheet.PressButton(PSBTN_OK);
  });
  EXPECT_EQ(sheet.DoModal(), IDOK);
  EXPECT_EQ(general.port, 3);
  EXPECT_EQ(okPresses, 1);
}

TEST_F(PropertySheetTest, EscapeCancelsAndResetsTheShownPages) {
  qh::ui::SetDialogAnswerer([&](CWnd&) {
    general.SetDlgItemText(1100, "8");
    InjectKey(VK_ESCAPE, true);
  });
  EXPECT_EQ(sheet.DoModal(), IDCANCEL);
  EXPECT_EQ(general.port, 5);
  EXPECT_EQ(g_calls.back(), "general:reset");
}

TEST_F(PropertySheetTest, ApplyWaitsForAChangeAndAppliesWithoutClosing) {
  qh::ui::SetDialogAnswerer([&](CWnd&) {
    CWnd* apply = sheet.GetDlgItem(ID_APPLY_NOW);
    ASSERT_NE(apply, nullptr);
    EXPECT_FALSE(apply->IsWindowEnabled());
    general.SetDlgItemText(1100, "9");
    general.SetModified();
    EXPECT_TRUE(apply->IsWindowEnabled());
    sheet.SendMessage(WM_COMMAND, ID_APPLY_NOW);
    EXPECT_TRUE(sheet.ContinueModal());
    EXPECT_FALSE(apply->IsWindowEnabled());
    EXPECT_EQ(general.port, 9);
    sheet.PressButton(PSBTN_CANCEL);
  });
  EXPECT_EQ(sheet.DoModal(), IDCANCEL);
  EXPECT_NE(std::find(g_calls.begin(), g_calls.end(), "general:ok"), g_calls.end());
}

TEST_F(PropertySheetTest, StartsOnTheChosenPage) {
  CPropertySheet chosen("Options", nullptr, 2);
  chosen.AddPage(&general);
  chosen.AddPage(&logs);
  chosen.AddPage(&streams);
  qh::ui::SetDialogAnswerer([&](CWnd&) {
    EXPECT_EQ(chosen.GetActivePage(), &streams);
    EXPECT_EQ(general.m_hWnd, nullptr);  // not made before it is shown
    chosen.PressButton(PSBTN_OK);
  });
  EXPECT_EQ(chosen.DoModal(), IDOK);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"streams:ok"}));
}

// The pixels of a child's rectangle in its top-level window's picture that differ from the dialog face.
int InkIn(const qh::gdi::Surface& picture, HWND top, HWND child) {
  RECT window{}, rect{};
  ::GetWindowRect(top, &window);
  ::GetWindowRect(child, &rect);
  const qh::gdi::Pixel face = picture.at(2, picture.height() - 2);
  int ink = 0;
  for (int y = rect.top - window.top; y < rect.bottom - window.top; ++y)
    for (int x = rect.left - window.left; x < rect.right - window.left; ++x)
      ink += picture.contains(x, y) && picture.at(x, y) != face;
  return ink;
}

// The picture of the sheet shows the controls of the page it is on, for every page it goes to, with
// no click needed.
TEST_F(PropertySheetTest, ThePictureOfTheSheetShowsEveryPageItGoesTo) {
  qh::ui::SetDialogAnswerer([&](CWnd&) {
    const UINT controls[] = {1100, 1101, 1102};
    for (int index = 0; index < 3; ++index) {
      if (index > 0) ClickTab(index);
      ASSERT_EQ(sheet.GetActiveIndex(), index);
      std::optional<qh::gdi::Surface> picture = qh::gdi::SnapshotWindow(sheet.m_hWnd);
      ASSERT_TRUE(picture);
      HWND control = ::GetDlgItem(sheet.GetActivePage()->m_hWnd, static_cast<int>(controls[index]));
      ASSERT_NE(control, nullptr);
      EXPECT_GT(InkIn(*picture, sheet.m_hWnd, control), 20) << "page " << index;
    }
    sheet.PressButton(PSBTN_CANCEL);
  });
  EXPECT_EQ(sheet.DoModal(), IDCANCEL);
}

}  // namespace
