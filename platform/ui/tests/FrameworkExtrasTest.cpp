// Smaller pieces of the framework the programs call: the IP address control, system menus (and how the
// user opens them) and WM_SYSCOMMAND, WM_WINDOWPOSCHANGED on show, and formatted string-table texts.
#include <gtest/gtest.h>

#include "platform/core/StringTable.h"
#include "platform/ui/AfxCmnCtrls.h"
#include "platform/ui/Input.h"
#include "platform/ui/Menu.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/tests/UiTestSupport.h"

using namespace qh::ui::test;

namespace {

TEST(IpAddress, TypedAddressesFillTheFieldsAndBlankIsTold) {
  RecordingWindow parent(nullptr, WS_POPUP | WS_VISIBLE);
  CIPAddressCtrl address;
  ASSERT_TRUE(address.Create(WS_VISIBLE, CRect(0, 0, 120, 20), CWnd::FromHandle(parent.hwnd()), 1286));
  EXPECT_TRUE(address.IsBlank());
  address.SetFocus();
  qh::ui::InjectText("192.168.1.20");
  PumpPending();
  BYTE b1 = 0, b2 = 0, b3 = 0, b4 = 0;
  EXPECT_EQ(address.GetAddress(b1, b2, b3, b4), 4);
  EXPECT_EQ(b1, 192);
  EXPECT_EQ(b2, 168);
  EXPECT_EQ(b3, 1);
  EXPECT_EQ(b4, 20);
  CString text;
  address.GetWindowText(text);
  EXPECT_EQ(text, CString("192.168.1.20"));
  address.ClearAddress();
  EXPECT_TRUE(address.IsBlank());
  address.SetWindowText("10.0..7");
  DWORD value = 0;
  EXPECT_EQ(address.GetAddress(value), 3);  // the third field is blank
  EXPECT_EQ(value, MAKEIPADDRESS(10, 0, 0, 7));
  EXPECT_FALSE(address.SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("300.1.1.1")));
}

class SysCommandWindow : public CWnd {
 public:
  std::vector<UINT> commands;
  std::vector<UINT> positionFlags;
  afx_msg void OnSysCommand(UINT id, LPARAM lParam) {
    commands.push_back(id);
    CWnd::OnSysCommand(id, lParam);
  }
  afx_msg void OnWindowPosChanged(WINDOWPOS* position) { positionFlags.push_back(position->flags); }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(SysCommandWindow, CWnd)
ON_WM_SYSCOMMAND()
ON_WM_WINDOWPOSCHANGED()
END_MESSAGE_MAP()

TEST(SystemMenu, AnAddedEntryComesBackAsASystemCommandAndCloseCloses) {
  SysCommandWindow window;
  ASSERT_TRUE(window.CreateEx(0, AfxRegisterWndClass(0), "w", WS_POPUP | WS_SYSMENU, 0, 0, 100, 100, nullptr, nullptr));
  window.ShowWindow(SW_SHOW);
  ASSERT_FALSE(window.positionFlags.empty());
  EXPECT_TRUE(window.positionFlags.front() & SWP_SHOWWINDOW);  // the first show is told
  CMenu* menu = window.GetSystemMenu(FALSE);
  ASSERT_NE(menu, nullptr);
  UINT before = menu->GetMenuItemCount();
  menu->AppendMenu(MF_SEPARATOR);
  menu->AppendMenu(MF_STRING, 16, "&About...");
  EXPECT_EQ(menu->GetMenuItemCount(), before + 2);
  EXPECT_EQ(window.GetSystemMenu(FALSE), menu);
  qh::ui::SetMenuAnswerer([](const qh::ui::MenuRequest&) -> UINT { return 16; });
  UINT chosen = static_cast<UINT>(menu->TrackPopupMenu(TPM_RETURNCMD, 0, 0, &window));
  qh::ui::SetMenuAnswerer(nullptr);
  window.SendMessage(WM_SYSCOMMAND, chosen);
  window.SendMessage(WM_SYSCOMMAND, SC_CLOSE);
  PumpPending();
  EXPECT_EQ(window.commands, (std::vector<UINT>{16, SC_CLOSE}));
  EXPECT_EQ(window.m_hWnd, nullptr);  // closed
}

// The user opens a window's system menu: Alt+Space as a test types it (the key with its character), as a
// display reports it (the key, then its text apart) and a press on the caption's icon. The menu shows
// at the window with the commands its state allows, no field types the space, and Close closes.
enum class MenuOpening { AltSpaceTyped, AltSpaceFromADisplay, CaptionIconPress };

class SystemMenuOpening : public ::testing::TestWithParam<MenuOpening> {};

TEST_P(SystemMenuOpening, ShowsTheCommandsTheWindowAllowsAndCloseClosesIt) {
  SysCommandWindow window;
  ASSERT_TRUE(window.CreateEx(0, AfxRegisterWndClass(0), "Sheet", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 40, 30, 300, 200,
                              nullptr, nullptr));
  window.ShowWindow(SW_SHOW);
  CEdit field;
  ASSERT_TRUE(field.Create(WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, CRect(10, 10, 200, 30), &window, 100));
  field.SetFocus();
  std::vector<qh::ui::MenuRequest> shown;
  qh::ui::SetMenuAnswerer([&](const qh::ui::MenuRequest& request) -> UINT {
    shown.push_back(request);
    return SC_CLOSE;
  });
  struct Restore {
    ~Restore() { qh::ui::SetMenuAnswerer(nullptr); }
  } restore;

  CRect frame, client;
  window.GetWindowRect(&frame);
  window.GetClientRect(&client);
  window.ClientToScreen(&client);
  switch (GetParam()) {
    case MenuOpening::AltSpaceTyped:
      qh::ui::InjectKey(VK_MENU, true);
      qh::ui::InjectKey(VK_SPACE, true);
      qh::ui::InjectKey(VK_SPACE, false);
      qh::ui::InjectKey(VK_MENU, false);
      break;
    case MenuOpening::AltSpaceFromADisplay:
      qh::ui::InjectKeyOnly(VK_MENU, true);
      qh::ui::InjectKeyOnly(VK_SPACE, true);
      qh::ui::InjectCharacter(' ');
      qh::ui::InjectKeyOnly(VK_SPACE, false);
      qh::ui::InjectKeyOnly(VK_MENU, false);
      break;
    case MenuOpening::CaptionIconPress: {
      const POINT icon{frame.left + (client.left - frame.left) + 4, frame.top + (client.top - frame.top) / 2 + 1};
      qh::ui::InjectMouse(WM_LBUTTONDOWN, icon, MK_LBUTTON);
      qh::ui::InjectMouse(WM_LBUTTONUP, icon);
      break;
    }
  }
  const HWND handle = window.m_hWnd;
  PumpPending();
  CString typed;
  if (::IsWindow(field.m_hWnd)) field.GetWindowText(typed);
  EXPECT_EQ(typed, CString("")) << "the space reached the field";

  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].owner, handle);
  EXPECT_EQ(shown[0].point.x, client.left) << "below the caption's icon";
  EXPECT_EQ(shown[0].point.y, client.top);
  std::vector<std::pair<std::string, bool>> entries;
  for (const qh::ui::MenuItemView& item : shown[0].items)
    if (!(item.state & MF_SEPARATOR)) entries.emplace_back(item.text, !(item.state & MF_GRAYED));
  const std::vector<std::pair<std::string, bool>> expected{{"&Restore", false}, {"&Move", false},     {"&Size", false},
                                                           {"Mi&nimize", true}, {"Ma&ximize", false}, {"&Close", true}};
  EXPECT_EQ(entries, expected) << "a shown window without a maximise box";
  EXPECT_EQ(window.commands.back(), static_cast<UINT>(SC_CLOSE));
  EXPECT_FALSE(::IsWindow(handle)) << "Close closed the window";
}

INSTANTIATE_TEST_SUITE_P(Ways, SystemMenuOpening,
                         ::testing::Values(MenuOpening::AltSpaceTyped, MenuOpening::AltSpaceFromADisplay,
                                           MenuOpening::CaptionIconPress));

// A window without a caption (a kiosk's full-screen window) opens its menu at its top left; a minimised
// window offers Restore and no Minimize.
TEST(SystemMenu, AWindowWithoutACaptionOpensItsMenuAtItsCornerAndAMinimisedOneOffersRestore) {
  SysCommandWindow window;
  ASSERT_TRUE(window.CreateEx(0, AfxRegisterWndClass(0), "Kiosk", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 25, 15, 200, 100,
                              nullptr, nullptr));
  window.ShowWindow(SW_SHOW);
  window.SetFocus();
  std::vector<qh::ui::MenuRequest> shown;
  qh::ui::SetMenuAnswerer([&](const qh::ui::MenuRequest& request) -> UINT {
    shown.push_back(request);
    return SC_MINIMIZE;
  });
  struct Restore {
    ~Restore() { qh::ui::SetMenuAnswerer(nullptr); }
  } restore;
  auto altSpace = [] {
    qh::ui::InjectKey(VK_MENU, true);
    qh::ui::InjectKey(VK_SPACE, true, ' ');
    qh::ui::InjectKey(VK_SPACE, false);
    qh::ui::InjectKey(VK_MENU, false);
    PumpPending();
  };
  altSpace();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].point.x, 25);
  EXPECT_EQ(shown[0].point.y, 15);
  EXPECT_TRUE(window.IsIconic()) << "Minimize was chosen";
  window.SetFocus();
  altSpace();
  ASSERT_EQ(shown.size(), 2u);
  auto state = [&](UINT command) {
    for (const qh::ui::MenuItemView& item : shown[1].items)
      if (item.id == command) return item.state & MF_GRAYED;
    return 0xFFFFu;
  };
  EXPECT_EQ(state(SC_RESTORE), 0u);
  EXPECT_NE(state(SC_MINIMIZE), 0u);
  window.DestroyWindow();
}

const QhStringEntry kTexts[] = {{61239, "Could not open %1.", 18}, {61370, "%2 of %1", 8}};
QhStringTableRegistration g_texts(kTexts, 2);

TEST(FormatString, ReplacesThePlaceholdersOfAStringTableText) {
  CString text;
  AfxFormatString1(text, 61239, "Songs.qhd");
  EXPECT_EQ(text, CString("Could not open Songs.qhd."));
  AfxFormatString2(text, 61370, "10", "3");
  EXPECT_EQ(text, CString("3 of 10"));
}

}  // namespace
