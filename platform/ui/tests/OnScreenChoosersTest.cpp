// The file dialog and the folder browser as dialogs of their own (what a display shows), driven as a
// user would: the folder list, the name, the filter, the program's extra check box, and cancel.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/core/FileApi.h"
#include "platform/core/Paths.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/CommonDialogs.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/MessageBox.h"
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

namespace {

// The choosers show the folders of the system in drive form, as the drive table maps the host: the
// current directory, a host folder typed into "Look in" and a host path typed as the file name. A
// folder no drive holds shows the drive list. A Save As chooser's boxes carry its own title.
class OnScreenDrives : public OnScreen {
 protected:
  void SetUp() override {
    OnScreen::SetUp();
    char* here = getcwd(nullptr, 0);
    if (here) previous = here;
    std::free(here);
  }
  void TearDown() override {
    if (!previous.empty()) {
      EXPECT_EQ(chdir(previous.c_str()), 0);
    }
    qh::ForgetCurrentDirectory();
    SetMessageBoxAnswerer(nullptr);
    OnScreen::TearDown();
  }
  static void WorkIn(const std::string& hostFolder) {
    ASSERT_EQ(chdir(hostFolder.c_str()), 0) << hostFolder;
    qh::ForgetCurrentDirectory();
  }
  static std::string LookIn(CWnd& dialog) {
    char folder[MAX_PATH] = {};
    dialog.GetDlgItemText(kChooserFolderEdit, folder, sizeof folder);
    return folder;
  }
  std::string previous;
};

TEST_F(OnScreenDrives, LookInShowsTheDrivePathOfTheCurrentDirectoryOrTheDrives) {
  struct Case {
    std::string hostFolder;
    std::string lookIn;
  };
  const std::string outside = sandbox.HostPath("elsewhere");
  std::filesystem::create_directories(outside);
  for (const Case& c : {Case{sandbox.HostPath("D/Music"), "D:\\Music"}, Case{sandbox.HostPath("D"), "D:\\"},
                        Case{outside, ""}}) {
    WorkIn(c.hostFolder);
    std::string shown;
    std::vector<std::string> lines;
    SetDialogAnswerer([&](CWnd& dialog) {
      shown = LookIn(dialog);
      lines = Lines(dialog);
      dialog.SendMessage(WM_COMMAND, IDCANCEL, 0);
    });
    CFileDialog open(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST, "All Files|*.*||");
    EXPECT_EQ(open.DoModal(), IDCANCEL);
    EXPECT_EQ(shown, c.lookIn) << "working in " << c.hostFolder;
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "[..]") != lines.end(), !c.lookIn.empty()) << c.hostFolder;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "[-D-]"), lines.end()) << c.hostFolder;

    std::string browsed = "(not shown)";
    SetDialogAnswerer([&](CWnd& dialog) {
      browsed = LookIn(dialog);
      dialog.SendMessage(WM_COMMAND, IDCANCEL, 0);
    });
    BROWSEINFO info{};
    EXPECT_EQ(SHBrowseForFolder(&info), nullptr);
    EXPECT_EQ(browsed, c.lookIn) << "the folder browser, working in " << c.hostFolder;
  }
}

TEST_F(OnScreenDrives, HostPathsTypedIntoTheChooserAreTakenInDriveForm) {
  std::string afterFolder;
  SetDialogAnswerer([&](CWnd& dialog) {
    dialog.SetDlgItemText(kChooserFolderEdit, sandbox.HostPath("D/Music/Live").c_str());
    dialog.SendMessage(WM_COMMAND, IDOK, 0);  // opens the typed folder
    afterFolder = LookIn(dialog);
    dialog.SetDlgItemText(kChooserNameEdit, sandbox.HostPath("D/Music/a.mp3").c_str());
    dialog.SendMessage(WM_COMMAND, IDOK, 0);
  });
  CFileDialog open(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST, "Audio files|*.mp3||");
  ASSERT_EQ(open.DoModal(), IDOK);
  EXPECT_EQ(afterFolder, "D:\\Music\\Live");
  EXPECT_EQ(open.GetPathName(), "D:\\Music\\a.mp3");
}

TEST_F(OnScreenDrives, ASaveAsChoosersBoxesCarryItsTitle) {
  struct Case {
    const char* title;
    BOOL open;
    std::string caption;
  };
  for (const Case& c : {Case{nullptr, FALSE, "Save As"}, Case{nullptr, TRUE, "Open"}, Case{"Export List", FALSE, "Export List"}}) {
    std::vector<std::string> captions;
    SetMessageBoxAnswerer([&](const MessageBoxRequest& box) {
      captions.push_back(box.caption);
      return box.defaultButton;
    });
    std::string dialogCaption;
    SetDialogAnswerer([&](CWnd& dialog) {
      CString caption;
      dialog.GetWindowText(caption);
      dialogCaption = caption.str();
      dialog.SetDlgItemText(kChooserNameEdit, "D:\\Missing\\Quaverhouse.qhd");  // a folder that is not there
      dialog.SendMessage(WM_COMMAND, IDOK, 0);
      dialog.SendMessage(WM_COMMAND, IDCANCEL, 0);
    });
    CFileDialog chooser(c.open, ".qhd", "Quaverhouse", OFN_PATHMUSTEXIST, "Libraries|*.qhd||");
    if (c.title) chooser.m_ofn.lpstrTitle = c.title;
    EXPECT_EQ(chooser.DoModal(), IDCANCEL);
    EXPECT_EQ(dialogCaption, c.caption);
    ASSERT_EQ(captions.size(), 1u) << c.caption;
    EXPECT_EQ(captions[0], c.caption);
  }
}

}  // namespace
