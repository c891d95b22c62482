// Smaller pieces of the framework the programs call: the IP address control, system menus and
// WM_SYSCOMMAND, WM_WINDOWPOSCHANGED on show, and formatted string-table texts.
#include <gtest/gtest.h>

#include "platform/core/StringTable.h"
#include "platform/ui/AfxCmnCtrls.h"
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
