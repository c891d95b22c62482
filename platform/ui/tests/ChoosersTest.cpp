// Popup menus, the file-open dialog and the folder browser, answered as a user would.
#include <gtest/gtest.h>

#include <fstream>
#include <filesystem>

#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/CommonDialogs.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/tests/UiTestSupport.h"

using namespace qh::ui::test;

namespace {

class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(menu.CreatePopupMenu());
    menu.AppendMenu(MF_STRING, 301, "&Play");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendMenu(MF_STRING | MF_GRAYED, 302, "&Delete");
    ASSERT_TRUE(sub.CreatePopupMenu());
    sub.AppendMenu(MF_STRING, 310, "Zone &1");
    menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(sub.Detach()), "Send &to");
  }
  void TearDown() override { qh::ui::SetMenuAnswerer(nullptr); }
  CMenu menu, sub;
  RecordingWindow owner{nullptr, WS_POPUP | WS_VISIBLE};
};

TEST_F(MenuTest, TheChosenCommandComesBackAsAPostedCommand) {
  qh::ui::MenuRequest seen;
  qh::ui::SetMenuAnswerer([&](const qh::ui::MenuRequest& request) -> UINT {
    seen = request;
    return 310;
  });
  EXPECT_TRUE(menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_LEFTBUTTON, 120, 80, CWnd::FromHandle(owner.hwnd())));
  EXPECT_EQ(owner.Count(WM_INITMENUPOPUP), 1);
  EXPECT_EQ(owner.Count(WM_COMMAND), 0);  // posted, not sent
  PumpPending();
  ASSERT_EQ(owner.Count(WM_COMMAND), 1);
  for (const Received& r : owner.received) {
    if (r.message == WM_COMMAND) {
      EXPECT_EQ(LOWORD(r.wParam), 310);
    }
  }
  EXPECT_EQ(seen.point.x, 120);
  ASSERT_EQ(seen.items.size(), 4u);
  EXPECT_EQ(seen.items[0].text, "&Play");
  EXPECT_TRUE(seen.items[1].state & MF_SEPARATOR);
  EXPECT_TRUE(seen.items[2].state & MF_GRAYED);
  ASSERT_EQ(seen.items[3].submenu.size(), 1u);
}

TEST_F(MenuTest, DisabledOrDismissedChoicesGiveNoCommand) {
  struct Case {
    UINT answer;
    UINT expected;
  };
  for (Case c : {Case{301, 301}, Case{302, 0}, Case{0, 0}, Case{999, 0}}) {
    qh::ui::SetMenuAnswerer([answer = c.answer](const qh::ui::MenuRequest&) { return answer; });
    EXPECT_EQ(static_cast<UINT>(menu.TrackPopupMenu(TPM_RETURNCMD, 0, 0, CWnd::FromHandle(owner.hwnd()))), c.expected)
        << c.answer;
  }
  menu.EnableMenuItem(302, MF_ENABLED);
  EXPECT_EQ(static_cast<UINT>(menu.TrackPopupMenu(TPM_RETURNCMD, 0, 0, CWnd::FromHandle(owner.hwnd()))), 0u);
  qh::ui::SetMenuAnswerer([](const qh::ui::MenuRequest&) -> UINT { return 302; });
  EXPECT_EQ(static_cast<UINT>(menu.TrackPopupMenu(TPM_RETURNCMD, 0, 0, CWnd::FromHandle(owner.hwnd()))), 302u);
  CString text;
  menu.GetMenuString(0, text, MF_BYPOSITION);
  EXPECT_EQ(text, CString("&Play"));
  EXPECT_EQ(menu.GetMenuItemCount(), 4u);
  EXPECT_EQ(menu.GetMenuItemID(1), 0u);  // a separator has id 0
}

// ---- File dialog ----

const char* kExtraTemplate = R"(
DIALOG 166 "" 0 0 200 20 STYLE 0x40000000
  CONTROL 1046 Button "&Delete Source Audio File" 0x50010003 5 2 150 12
END
)";

class AudioOpen : public CFileDialog {
 public:
  AudioOpen()
      : CFileDialog(TRUE, "mp3", nullptr, OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_ENABLETEMPLATE,
                    "Audio Files (*.mp3;*.wav)|*.mp3;*.wav|All Files (*.*)|*.*||") {
    m_ofn.lpTemplateName = MAKEINTRESOURCE(166);
    m_ofn.lpstrFile = names;
    m_ofn.nMaxFile = sizeof names;
    m_ofn.lpstrTitle = "Import";
  }
  BOOL OnInitDialog() override {
    CheckDlgButton(1046, BST_CHECKED);
    return CFileDialog::OnInitDialog();
  }
  BOOL OnFileNameOK() override {
    deleteSource = IsDlgButtonChecked(1046) == BST_CHECKED;
    return FALSE;
  }
  bool deleteSource = false;
  char names[20480] = {};
};

class FileDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(qh::ui::LoadDialogTemplates(kExtraTemplate));
    std::filesystem::create_directories(sandbox.HostPath("C/Music"));
    for (const char* name : {"a.mp3", "b.wav"}) std::ofstream(sandbox.HostPath(std::string("C/Music/") + name)) << "x";
  }
  void TearDown() override {
    qh::ui::SetFileDialogAnswerer(nullptr);
    qh::ui::SetMessageBoxAnswerer(nullptr);
  }
  qh::testing::TestSandbox sandbox;
};

TEST_F(FileDialogTest, MultipleExistingFilesWithTheExtraCheckBox) {
  AudioOpen dialog;
  qh::ui::FileDialogRequest seen;
  qh::ui::SetFileDialogAnswerer([&](const qh::ui::FileDialogRequest& request, CFileDialog& shown) {
    seen = request;
    EXPECT_EQ(shown.IsDlgButtonChecked(1046), static_cast<UINT>(BST_CHECKED));
    shown.CheckDlgButton(1046, BST_UNCHECKED);  // the user clears the box
    return qh::ui::FileDialogAnswer{false, {"C:\\Music\\a.mp3", "C:\\Music\\b.wav"}, 0};
  });
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(seen.title, "Import");
  ASSERT_EQ(seen.filters.size(), 2u);
  EXPECT_EQ(seen.filters[0], std::make_pair(std::string("Audio Files (*.mp3;*.wav)"), std::string("*.mp3;*.wav")));
  EXPECT_FALSE(dialog.deleteSource);
  std::vector<std::string> chosen;
  for (POSITION p = dialog.GetStartPosition(); p;) chosen.push_back(dialog.GetNextPathName(p).str());
  EXPECT_EQ(chosen, (std::vector<std::string>{"C:\\Music\\a.mp3", "C:\\Music\\b.wav"}));
  EXPECT_STREQ(dialog.names, "C:\\Music");  // folder, then the names, as the platform stores them
  EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST_F(FileDialogTest, AMissingFileIsRefusedWithAMessageAndAskedAgain) {
  AudioOpen dialog;
  std::vector<std::string> boxes;
  qh::ui::ScopedMessageBoxAnswerer boxAnswerer([&](const qh::ui::MessageBoxRequest& box) {
    boxes.push_back(box.text);
    return IDOK;
  });
  qh::ui::SetFileDialogAnswerer([&](const qh::ui::FileDialogRequest& request, CFileDialog&) {
    if (request.turn == 0) return qh::ui::FileDialogAnswer{false, {"C:\\Music\\missing.mp3"}, 0};
    return qh::ui::FileDialogAnswer{false, {"C:\\Music\\a.mp3"}, 0};
  });
  ASSERT_EQ(dialog.DoModal(), IDOK);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("File not found"), std::string::npos);
  EXPECT_EQ(dialog.GetPathName(), CString("C:\\Music\\a.mp3"));
  EXPECT_EQ(dialog.GetFileName(), CString("a.mp3"));
  EXPECT_EQ(dialog.GetFileExt(), CString("mp3"));
  EXPECT_EQ(dialog.GetFileTitle(), CString("a"));
  EXPECT_TRUE(dialog.deleteSource);
}

TEST_F(FileDialogTest, CancelAndATooSmallBufferGiveCancel) {
  qh::ui::SetFileDialogAnswerer([](const qh::ui::FileDialogRequest&, CFileDialog&) {
    return qh::ui::FileDialogAnswer{true, {}, 0};
  });
  CFileDialog plain(TRUE);
  EXPECT_EQ(plain.DoModal(), IDCANCEL);
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  qh::ui::SetFileDialogAnswerer([](const qh::ui::FileDialogRequest&, CFileDialog&) {
    return qh::ui::FileDialogAnswer{false, {"C:\\Music\\a.mp3"}, 0};
  });
  CFileDialog tight(TRUE);
  char small[8];
  tight.m_ofn.lpstrFile = small;
  tight.m_ofn.nMaxFile = sizeof small;
  EXPECT_EQ(tight.DoModal(), IDCANCEL);
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
}

TEST_F(FileDialogTest, FolderBrowserGivesAnExistingFolderOrNothing) {
  struct Case {
    std::string answer;
    bool chosen;
  };
  for (const Case& c : {Case{"C:\\Music\\", true}, Case{"", false}}) {
    qh::ui::SetFolderAnswerer([answer = c.answer](const qh::ui::FolderRequest& request) {
      EXPECT_EQ(request.title, "Choose the import folder");
      return answer;
    });
    char display[MAX_PATH] = {};
    BROWSEINFO info;
    info.lpszTitle = "Choose the import folder";
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.pszDisplayName = display;
    LPITEMIDLIST chosen = SHBrowseForFolder(&info);
    EXPECT_EQ(chosen != nullptr, c.chosen);
    if (chosen) {
      char path[MAX_PATH];
      ASSERT_TRUE(SHGetPathFromIDList(chosen, path));
      EXPECT_STREQ(path, "C:\\Music");
      EXPECT_STREQ(display, "Music");
      ILFree(chosen);
    }
  }
  int asked = 0;
  qh::ui::SetFolderAnswerer([&](const qh::ui::FolderRequest&) { return ++asked < 3 ? "C:\\NoSuchFolder" : ""; });
  BROWSEINFO info;
  EXPECT_EQ(SHBrowseForFolder(&info), nullptr);  // a folder that does not exist is not taken
  EXPECT_EQ(asked, 3);
  qh::ui::SetFolderAnswerer(nullptr);
}

}  // namespace
