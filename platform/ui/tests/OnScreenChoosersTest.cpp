// The file dialog and the folder browser as dialogs of their own (what a display shows), driven as a
// user would: the folder list, the name, the filter, the program's extra check box, and cancel.
#include <gtest/gtest.h>

#include "platform/core/FileApi.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/CommonDialogs.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/OnScreenChoosers.h"

namespace {

using namespace qh::ui;

class OnScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    sandbox.AddDrive('D', 0x0D15C0DE, "MUSIC");
    CreateDirectory("D:\\Music", nullptr);
    CreateDirectory("D:\\Music\\Live", nullptr);
    for (const char* name : {"b.wav", "a.mp3", "notes.txt"})
      qh::testing::WriteHostFile(sandbox.HostPath(std::string("D/Music/") + name), "x");
    qh::testing::WriteHostFile(sandbox.HostPath("D/Music/Live/c.mp3"), "x");
    qh::ui::testing::SetOnScreenChoosers(true);
  }
  void TearDown() override {
    qh::ui::testing::SetOnScreenChoosers(false);
    SetDialogAnswerer(nullptr);
  }
  static std::vector<std::string> Lines(CWnd& dialog) {
    std::vector<std::string> lines;
    HWND list = ::GetDlgItem(dialog.GetSafeHwnd(), kChooserList);
    const auto count = ::SendMessage(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
      char text[300] = {};
      ::SendMessage(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      lines.emplace_back(text);
    }
    return lines;
  }
  static int IndexOf(CWnd& dialog, const std::string& line) {
    const auto lines = Lines(dialog);
    for (size_t i = 0; i < lines.size(); ++i)
      if (lines[i] == line) return static_cast<int>(i);
    return -1;
  }
  static void Pick(CWnd& dialog, const std::string& line, UINT notification) {
    HWND list = ::GetDlgItem(dialog.GetSafeHwnd(), kChooserList);
    ::SendMessage(list, LB_SETCURSEL, static_cast<WPARAM>(IndexOf(dialog, line)), 0);
    dialog.SendMessage(WM_COMMAND, MAKEWPARAM(kChooserList, notification), reinterpret_cast<LPARAM>(list));
  }
  qh::testing::TestSandbox sandbox;
};

// A file dialog with one extra check box, as programs extend it.
class ExtendedOpen : public CFileDialog {
 public:
  ExtendedOpen(DWORD flags) : CFileDialog(TRUE, nullptr, nullptr, flags | OFN_ENABLETEMPLATE, "Audio files|*.wav;*.mp3|All Files|*.*||") {
    m_ofn.lpTemplateName = MAKEINTRESOURCE(977);
    m_ofn.lpstrInitialDir = "D:\\Music";
    m_ofn.lpstrTitle = "Import Song";
  }
  BOOL OnFileNameOK() override {
    checked = IsDlgButtonChecked(1046) == BST_CHECKED;
    return FALSE;
  }
  bool checked = false;
};

TEST_F(OnScreen, TheFileDialogListsTheFolderWalksItAndReturnsTheChosenFile) {
  ASSERT_TRUE(LoadDialogTemplates("DIALOG 977 \"\" 0 0 200 20 STYLE 0x50000000\n"
                                  "  CONTROL 1046 Button \"&Delete Source Audio File\" 0x50010003 6 4 160 10\nEND\n"));
  std::vector<std::string> seen;
  SetDialogAnswerer([&](CWnd& dialog) {
    CString caption;
    dialog.GetWindowText(caption);
    EXPECT_EQ(caption, "Import Song");
    seen = Lines(dialog);
    Pick(dialog, "[Live]", LBN_DBLCLK);  // into the sub-folder and back up
    char folder[MAX_PATH] = {};
    dialog.GetDlgItemText(kChooserFolderEdit, folder, sizeof folder);
    EXPECT_STREQ(folder, "D:\\Music\\Live");
    EXPECT_NE(IndexOf(dialog, "c.mp3"), -1);
    Pick(dialog, "[..]", LBN_DBLCLK);
    Pick(dialog, "a.mp3", LBN_SELCHANGE);
    dialog.CheckDlgButton(1046, BST_CHECKED);
    dialog.SendMessage(WM_COMMAND, IDOK, 0);
  });
  ExtendedOpen open(OFN_FILEMUSTEXIST);
  ASSERT_EQ(open.DoModal(), IDOK);
  EXPECT_EQ(open.GetPathName(), "D:\\Music\\a.mp3");
  EXPECT_TRUE(open.checked);
  ASSERT_GE(seen.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(seen.begin(), seen.begin() + 4),
            (std::vector<std::string>{"[..]", "[Live]", "a.mp3", "b.wav"}));  // notes.txt is filtered out
  EXPECT_NE(std::find(seen.begin(), seen.end(), "[-D-]"), seen.end());
}

TEST_F(OnScreen, SeveralFilesAndCancel) {
  SetDialogAnswerer([&](CWnd& dialog) {
    HWND list = ::GetDlgItem(dialog.GetSafeHwnd(), kChooserList);
    ::SendMessage(list, LB_SETSEL, TRUE, IndexOf(dialog, "a.mp3"));
    ::SendMessage(list, LB_SETSEL, TRUE, IndexOf(dialog, "b.wav"));
    dialog.SendMessage(WM_COMMAND, IDOK, 0);
  });
  ExtendedOpen several(OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST);
  ASSERT_EQ(several.DoModal(), IDOK);
  POSITION position = several.GetStartPosition();
  std::vector<std::string> paths;
  while (position) paths.push_back(several.GetNextPathName(position).str());
  EXPECT_EQ(paths, (std::vector<std::string>{"D:\\Music\\a.mp3", "D:\\Music\\b.wav"}));

  SetDialogAnswerer([](CWnd& dialog) { dialog.SendMessage(WM_COMMAND, IDCANCEL, 0); });
  ExtendedOpen cancelled(0);
  EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
  EXPECT_EQ(CommDlgExtendedError(), 0u);
}

TEST_F(OnScreen, TheFolderBrowserOpensATypedFolderAndReturnsTheOneChosen) {
  SetDialogAnswerer([&](CWnd& dialog) {
    dialog.SetDlgItemText(kChooserFolderEdit, "D:\\Music");
    dialog.SendMessage(WM_COMMAND, IDOK, 0);  // opens the typed folder
    EXPECT_EQ(Lines(dialog).front(), "[..]");
    Pick(dialog, "[Live]", LBN_DBLCLK);
    dialog.SendMessage(WM_COMMAND, IDOK, 0);
  });
  BROWSEINFO info{};
  info.lpszTitle = "Choose the Music Folder";
  LPITEMIDLIST chosen = SHBrowseForFolder(&info);
  ASSERT_NE(chosen, nullptr);
  char path[MAX_PATH] = {};
  ASSERT_TRUE(SHGetPathFromIDList(chosen, path));
  ILFree(chosen);
  EXPECT_STREQ(path, "D:\\Music\\Live");

  SetDialogAnswerer([](CWnd& dialog) { dialog.SendMessage(WM_COMMAND, IDCANCEL, 0); });
  EXPECT_EQ(SHBrowseForFolder(&info), nullptr);
}

}  // namespace
