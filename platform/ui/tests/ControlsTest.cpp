// The standard controls driven as a user drives them, by mouse and key messages, with their
// notifications to the parent.
#include <gtest/gtest.h>

#include "platform/ui/AfxControls.h"
#include "platform/ui/Input.h"
#include "platform/ui/gdi/Gdi.h"
#include "platform/ui/gdi/Snapshot.h"
#include "platform/ui/tests/UiTestSupport.h"

using namespace qh::ui::test;
using qh::ui::InjectKey;
using qh::ui::InjectMouseAt;
using qh::ui::InjectText;

namespace {

struct Notice {
  UINT id;
  UINT code;
  bool operator==(const Notice& o) const { return id == o.id && code == o.code; }
};

class ControlsTest : public ::testing::Test {
 protected:
  ControlsTest() : parent(nullptr, WS_POPUP | WS_VISIBLE) { MoveWindow(parent.hwnd(), 0, 0, 400, 300, TRUE); }
  std::vector<Notice> Notices(UINT code) const {
    std::vector<Notice> result;
    for (const Received& r : parent.received)
      if (r.message == WM_COMMAND && HIWORD(r.wParam) == code) result.push_back(Notice{LOWORD(r.wParam), code});
    return result;
  }
  void Click(HWND control, int x, int y) {
    InjectMouseAt(control, WM_LBUTTONDOWN, x, y);
    InjectMouseAt(control, WM_LBUTTONUP, x, y);
    PumpPending();
  }
  RecordingWindow parent;
};

TEST_F(ControlsTest, PushButtonReportsAClickOnlyWhenReleasedOverIt) {
  CButton button;
  ASSERT_TRUE(button.Create("Play", WS_VISIBLE | BS_PUSHBUTTON, CRect(10, 10, 90, 40), CWnd::FromHandle(parent.hwnd()), 101));
  Click(button, 5, 5);
  EXPECT_EQ(Notices(BN_CLICKED), (std::vector<Notice>{{101, BN_CLICKED}}));
  InjectMouseAt(button, WM_LBUTTONDOWN, 5, 5);
  InjectMouseAt(button, WM_MOUSEMOVE, 200, 200);
  InjectMouseAt(button, WM_LBUTTONUP, 200, 200);
  PumpPending();
  EXPECT_EQ(Notices(BN_CLICKED).size(), 1u);  // let go elsewhere: nothing
  button.SetFocus();
  InjectKey(VK_SPACE, true);
  InjectKey(VK_SPACE, false);
  PumpPending();
  EXPECT_EQ(Notices(BN_CLICKED).size(), 2u);
  button.EnableWindow(FALSE);
  Click(button, 5, 5);
  EXPECT_EQ(Notices(BN_CLICKED).size(), 2u);  // disabled: no click
}

TEST_F(ControlsTest, CheckBoxesAndRadioGroupsKeepTheirState) {
  CWnd* owner = CWnd::FromHandle(parent.hwnd());
  CButton check, first, second, third;
  ASSERT_TRUE(check.Create("Log", WS_VISIBLE | BS_AUTOCHECKBOX, CRect(0, 0, 100, 20), owner, 1));
  ASSERT_TRUE(first.Create("A", WS_VISIBLE | WS_GROUP | BS_AUTORADIOBUTTON, CRect(0, 30, 100, 50), owner, 2));
  ASSERT_TRUE(second.Create("B", WS_VISIBLE | BS_AUTORADIOBUTTON, CRect(0, 50, 100, 70), owner, 3));
  ASSERT_TRUE(third.Create("C", WS_VISIBLE | WS_GROUP | BS_AUTORADIOBUTTON, CRect(0, 70, 100, 90), owner, 4));
  Click(check, 3, 3);
  EXPECT_EQ(check.GetCheck(), BST_CHECKED);
  Click(check, 3, 3);
  EXPECT_EQ(check.GetCheck(), BST_UNCHECKED);
  third.SetCheck(BST_CHECKED);
  Click(first, 3, 3);
  Click(second, 3, 3);
  EXPECT_EQ(first.GetCheck(), BST_UNCHECKED);
  EXPECT_EQ(second.GetCheck(), BST_CHECKED);
  EXPECT_EQ(third.GetCheck(), BST_CHECKED);  // another group
  EXPECT_EQ(owner->GetCheckedRadioButton(2, 3), 3);
}

TEST_F(ControlsTest, EditKeepsToItsLimitAndTellsTheParent) {
  CEdit edit;
  ASSERT_TRUE(edit.Create(WS_VISIBLE | WS_BORDER, CRect(0, 0, 200, 24), CWnd::FromHandle(parent.hwnd()), 7));
  edit.LimitText(5);
  edit.SetFocus();
  InjectText("abcdefg");
  PumpPending();
  CString text;
  edit.GetWindowText(text);
  EXPECT_EQ(text, CString("abcde"));
  EXPECT_EQ(Notices(EN_CHANGE).size(), 5u);
  EXPECT_EQ(Notices(EN_MAXTEXT).size(), 2u);
  InjectKey(VK_BACK, true);
  PumpPending();
  edit.GetWindowText(text);
  EXPECT_EQ(text, CString("abcd"));
  edit.SetWindowText("xy");
  edit.SetSel(0, -1);
  edit.ReplaceSel("z");
  edit.GetWindowText(text);
  EXPECT_EQ(text, CString("z"));
}

TEST_F(ControlsTest, NumberEditRefusesOtherCharacters) {
  CEdit edit;
  ASSERT_TRUE(edit.Create(WS_VISIBLE | ES_NUMBER, CRect(0, 0, 200, 24), CWnd::FromHandle(parent.hwnd()), 8));
  edit.SetFocus();
  InjectText("1a2-3");
  PumpPending();
  CString text;
  edit.GetWindowText(text);
  EXPECT_EQ(text, CString("123"));
}

TEST_F(ControlsTest, SingleSelectionListBoxSelectsByClickAndKeysAndReportsDoubleClicks) {
  CListBox list;
  ASSERT_TRUE(list.Create(WS_VISIBLE | LBS_NOTIFY | LBS_SORT, CRect(0, 0, 150, 160), CWnd::FromHandle(parent.hwnd()), 20));
  for (const char* name : {"Cher", "abba", "Blur", "Doors"}) list.AddString(name);
  CString text;
  list.GetText(0, text);
  EXPECT_EQ(text, CString("abba"));  // sorted without case
  int height = list.GetItemHeight(0);
  Click(list, 5, height * 2 + 2);
  EXPECT_EQ(list.GetCurSel(), 2);
  EXPECT_EQ(Notices(LBN_SELCHANGE).size(), 1u);
  InjectKey(VK_DOWN, true);
  PumpPending();
  EXPECT_EQ(list.GetCurSel(), 3);
  InjectMouseAt(list, WM_LBUTTONDOWN, 5, height * 3 + 2);
  InjectMouseAt(list, WM_LBUTTONUP, 5, height * 3 + 2);
  InjectMouseAt(list, WM_LBUTTONDOWN, 5, height * 3 + 2);  // second press within the double-click time
  InjectMouseAt(list, WM_LBUTTONUP, 5, height * 3 + 2);
  PumpPending();
  EXPECT_EQ(Notices(LBN_DBLCLK), (std::vector<Notice>{{20, LBN_DBLCLK}}));
  EXPECT_EQ(list.FindStringExact(-1, "BLUR"), 1);
  EXPECT_EQ(list.FindString(-1, "do"), 3);
  EXPECT_EQ(list.SetCurSel(99), LB_ERR);
  list.DeleteString(0);
  EXPECT_EQ(list.GetCount(), 3);
}

TEST_F(ControlsTest, MultipleSelectionListBoxTogglesItems) {
  CListBox list;
  ASSERT_TRUE(list.Create(WS_VISIBLE | LBS_NOTIFY | LBS_MULTIPLESEL, CRect(0, 0, 150, 160), CWnd::FromHandle(parent.hwnd()), 21));
  for (int i = 0; i < 5; ++i) list.AddString(("Track " + std::to_string(i + 1)).c_str());
  int height = list.GetItemHeight(0);
  Click(list, 5, 1);
  Click(list, 5, height * 3 + 1);
  EXPECT_EQ(list.GetSelCount(), 2);
  Click(list, 5, 1);
  EXPECT_EQ(list.GetSelCount(), 1);
  list.SetSel(-1, TRUE);
  int selected[8];
  ASSERT_EQ(list.GetSelItems(8, selected), 5);
  EXPECT_EQ(selected[4], 4);
  list.SetSel(-1, FALSE);
  EXPECT_EQ(list.GetSelCount(), 0);
}

class ColouredList : public CListBox {
 public:
  std::vector<UINT> drawn;
  int measured = 0;
  void MeasureItem(LPMEASUREITEMSTRUCT measure) override {
    ++measured;
    measure->itemHeight = 20;
  }
  void DrawItem(LPDRAWITEMSTRUCT draw) override {
    drawn.push_back(draw->itemID);
    CDC* dc = CDC::FromHandle(draw->hDC);
    dc->FillSolidRect(&draw->rcItem, (draw->itemState & ODS_SELECTED) ? RGB(255, 128, 0) : RGB(0, 0, 0));
  }
};

TEST_F(ControlsTest, OwnerDrawnListBoxMeasuresOnceAndDrawsEachItemThroughItsObject) {
  CWnd host;
  ASSERT_TRUE(host.CreateEx(0, AfxRegisterWndClass(0), "host", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr, nullptr));
  ColouredList list;
  ASSERT_TRUE(list.Create(WS_VISIBLE | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, CRect(0, 0, 150, 100), &host, 30));
  EXPECT_EQ(list.measured, 1);
  EXPECT_EQ(list.GetItemHeight(0), 20);
  list.AddString("One & Two");
  list.AddString("Three");
  list.SetCurSel(1);
  auto snapshot = qh::gdi::SnapshotWindow(host.m_hWnd);
  ASSERT_TRUE(snapshot.has_value());
  EXPECT_EQ(list.drawn, (std::vector<UINT>{0, 1}));
  EXPECT_EQ(snapshot->at(5, 25), qh::gdi::PixelFromColor(RGB(255, 128, 0)));  // the selected item
  EXPECT_EQ(snapshot->at(5, 5), qh::gdi::PixelFromColor(RGB(0, 0, 0)));
}

TEST_F(ControlsTest, StaticShowsABitmapAndNotifiesClicksOnlyWhenAsked) {
  CStatic picture, label;
  CWnd* owner = CWnd::FromHandle(parent.hwnd());
  ASSERT_TRUE(picture.Create("", WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE | SS_NOTIFY, CRect(0, 0, 40, 40), owner, 40));
  ASSERT_TRUE(label.Create("Zone 1", WS_VISIBLE, CRect(50, 0, 150, 20), owner, 41));
  std::vector<DWORD> red(16 * 16, 0xFF0000u);
  HBITMAP bitmap = CreateBitmap(16, 16, 1, 32, red.data());
  EXPECT_EQ(picture.SetBitmap(bitmap), nullptr);
  EXPECT_EQ(picture.GetBitmap(), bitmap);
  auto snapshot = qh::gdi::SnapshotWindow(parent.hwnd());
  ASSERT_TRUE(snapshot.has_value());
  EXPECT_EQ(snapshot->at(20, 20), 0xFF0000u);  // centred: (12..28)
  EXPECT_NE(snapshot->at(2, 2), 0xFF0000u);
  Click(picture, 20, 20);
  Click(label, 5, 5);  // a plain static is transparent to the mouse: the parent gets it
  EXPECT_EQ(Notices(STN_CLICKED), (std::vector<Notice>{{40, STN_CLICKED}}));
  picture.DestroyWindow();
  DeleteObject(bitmap);
}

TEST_F(ControlsTest, GetDlgItemGivesAnObjectOfTheControlsClass) {
  HWND raw = CreateWindowEx(0, WC_LISTBOX, "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, parent.hwnd(),
                            reinterpret_cast<HMENU>(55), nullptr, nullptr);
  ASSERT_NE(raw, nullptr);
  auto* list = dynamic_cast<CListBox*>(CWnd::FromHandle(parent.hwnd())->GetDlgItem(55));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->AddString("x"), 0);
  EXPECT_EQ(list->GetCount(), 1);
}

}  // namespace

namespace {

TEST_F(ControlsTest, DropDownListChoosesByKeysAndFromItsDroppedList) {
  CComboBox combo;
  ASSERT_TRUE(combo.Create(WS_VISIBLE | CBS_DROPDOWNLIST | CBS_SORT, CRect(10, 10, 150, 34), CWnd::FromHandle(parent.hwnd()), 70));
  for (const char* genre : {"Rock", "jazz", "Blues", "Pop"}) combo.AddString(genre);
  CString text;
  combo.GetLBText(0, text);
  EXPECT_EQ(text, CString("Blues"));
  EXPECT_EQ(combo.SelectString(-1, "PO"), 2);  // prefix, without case
  EXPECT_EQ(combo.GetCurSel(), 2);
  EXPECT_EQ(combo.FindStringExact(-1, "JAZZ"), 1);
  EXPECT_EQ(combo.FindStringExact(-1, "Jaz"), CB_ERR);
  combo.SetFocus();
  InjectKey(VK_DOWN, true);
  PumpPending();
  EXPECT_EQ(combo.GetCurSel(), 3);
  EXPECT_EQ(Notices(CBN_SELCHANGE).size(), 1u);
  combo.GetWindowText(text);
  EXPECT_EQ(text, CString("Rock"));
  // Open the list with a click and choose its second item.
  Click(combo, 5, 5);
  ASSERT_TRUE(combo.GetDroppedState());
  EXPECT_EQ(Notices(CBN_DROPDOWN).size(), 1u);
  RECT comboRect;
  combo.GetWindowRect(&comboRect);
  qh::ui::InjectMouse(WM_LBUTTONDOWN, POINT{comboRect.left + 5, comboRect.bottom + 16 + 5});
  qh::ui::InjectMouse(WM_LBUTTONUP, POINT{comboRect.left + 5, comboRect.bottom + 16 + 5});
  PumpPending();
  EXPECT_FALSE(combo.GetDroppedState());
  EXPECT_EQ(combo.GetCurSel(), 1);
  EXPECT_EQ(Notices(CBN_SELCHANGE).size(), 2u);
  EXPECT_EQ(Notices(CBN_CLOSEUP).size(), 1u);
}

TEST_F(ControlsTest, DropDownWithAnEditKeepsToItsLimit) {
  CComboBox combo;
  ASSERT_TRUE(combo.Create(WS_VISIBLE | CBS_DROPDOWN, CRect(10, 10, 150, 34), CWnd::FromHandle(parent.hwnd()), 71));
  combo.AddString("Mellow");
  combo.LimitText(4);
  combo.SetFocus();
  InjectText("Upbeat");
  PumpPending();
  CString text;
  combo.GetWindowText(text);
  EXPECT_EQ(text, CString("Upbe"));
  EXPECT_EQ(Notices(CBN_EDITCHANGE).size(), 4u);
  combo.SetCurSel(0);
  combo.GetWindowText(text);
  EXPECT_EQ(text, CString("Mellow"));
}

}  // namespace

namespace {

TEST_F(ControlsTest, MultiLineLogEditAppendsLinesAndScrollsToTheLast) {
  CEdit log;
  ASSERT_TRUE(log.Create(WS_VISIBLE | ES_MULTILINE | ES_READONLY | WS_VSCROLL, CRect(0, 0, 200, 48), CWnd::FromHandle(parent.hwnd()), 80));
  for (int i = 1; i <= 5; ++i) {
    int end = log.GetWindowTextLength();
    log.SetSel(end, end);
    log.ReplaceSel(("line " + std::to_string(i) + "\r\n").c_str());
  }
  EXPECT_EQ(log.SendMessage(EM_GETLINECOUNT), 6);  // five lines and the empty one after the last break
  EXPECT_EQ(log.SendMessage(EM_LINEINDEX, 2), 16);
  EXPECT_EQ(log.SendMessage(EM_LINELENGTH, 16), 6);
  log.SendMessage(EM_SCROLLCARET);
  EXPECT_EQ(log.SendMessage(EM_GETFIRSTVISIBLELINE), 3);  // three 16-pixel lines fit
  log.SendMessage(EM_LINESCROLL, 0, -10);
  EXPECT_EQ(log.SendMessage(EM_GETFIRSTVISIBLELINE), 0);
  char line[16] = {};
  *reinterpret_cast<WORD*>(line) = sizeof line;
  EXPECT_EQ(log.SendMessage(EM_GETLINE, 4, reinterpret_cast<LPARAM>(line)), 6);
  EXPECT_EQ(std::string(line, 6), "line 5");
}

}  // namespace

#include "platform/ui/Dialog.h"

namespace {

TEST_F(ControlsTest, CheckListBoxSubclassedInADialogTogglesByClickAndSpace) {
  ASSERT_TRUE(qh::ui::LoadDialogTemplates(R"(
DIALOG 219 "Plug-ins" 0 0 150 100 STYLE 0x80C80000
  CONTROL 1071 ListBox "" 0x50A10151 5 5 140 60
END
)"));
  class PluginDialog : public CDialog {
   public:
    PluginDialog() : CDialog(219) {}
    CCheckListBox plugins;
    std::vector<UINT> changes;
    BOOL OnInitDialog() override {
      CDialog::OnInitDialog();
      plugins.SubclassDlgItem(1071, this);
      plugins.AddString("Echo");
      plugins.AddString("Reverb");
      plugins.SetCheck(1, 1);
      return TRUE;
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
      if (HIWORD(wParam) == CLBN_CHKCHANGE) changes.push_back(LOWORD(wParam));
      return CDialog::OnCommand(wParam, lParam);
    }
  } dialog;
  ASSERT_TRUE(dialog.Create(219));
  dialog.ShowWindow(SW_SHOW);
  EXPECT_EQ(dialog.plugins.GetCheck(0), 0);
  EXPECT_NE(dialog.plugins.GetCheck(1), 0);
  Click(dialog.plugins, 5, 5);  // the first item's box
  EXPECT_EQ(dialog.plugins.GetCheck(0), 1);
  EXPECT_EQ(dialog.plugins.GetCurSel(), 0);
  Click(dialog.plugins, 60, 16 + 5);  // the second item's text: selects, does not toggle
  EXPECT_NE(dialog.plugins.GetCheck(1), 0);
  qh::ui::InjectKey(VK_SPACE, true);
  PumpPending();
  EXPECT_EQ(dialog.plugins.GetCheck(1), 0);
  EXPECT_EQ(dialog.changes, (std::vector<UINT>{1071, 1071}));
  dialog.DestroyWindow();
}

}  // namespace
