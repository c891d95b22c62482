// The administrator as its user meets it: the main dialog with and without a database folder, the help
// texts under the mouse, the functions reached by their buttons, the storage dialog, pictures of both,
// and the program refusing to start beside another program of the system.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "maintenance/admin/AdminDlg.h"
#include "maintenance/admin/AdminResources.h"
#include "maintenance/admin/StorageUpdateDlg.h"
#include "maintenance/files/tests/MaintenanceTestSupport.h"
#include "platform/core/Handle.h"
#include "platform/core/NamedMutex.h"
#include "platform/core/testing/TestSandbox.h"
#include "platform/ui/CommonDialogs.h"
#include "platform/ui/Input.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WinApp.h"
#include "platform/ui/gdi/Snapshot.h"
#include "platform/ui/gdi/BitmapResources.h"
#include "platform/ui/gdi/tests/DisplayManager.h"

using namespace qh::maint::testing;
using qh::testing::ReadHostFile;
using qh::testing::WriteHostFile;

namespace {

constexpr DWORD kC = qh::testing::TestSandbox::kSystemSerial;
constexpr DWORD kOld = 0x11111111;
constexpr DWORD kNew = 0x9ABCDEF0;

void Pump(CWnd& dialog) {
  MSG msg;
  for (int round = 0; round < 50; ++round) {
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!dialog.PreTranslateMessage(&msg)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
      }
    }
    if (!qh::ui::HasRawInput()) break;
  }
}

void Click(CWnd& dialog, UINT id) { dialog.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

class AdminDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse/Songs"));
    std::filesystem::create_directories(sandbox.HostPath("C/Quaverhouse/Backup"));
    host = sandbox.HostPath("C/Quaverhouse/Quaverhouse.qhd");
    RegisterLedgerkeepDialogs();
    app.SetRegistryKey("Tallowmere");
    qh::ui::SetMessageBoxAnswerer([this](const qh::ui::MessageBoxRequest& box) {
      boxes.push_back(box.text);
      return answer != 0 ? answer : box.defaultButton;
    });
  }
  void TearDown() override {
    qh::ui::SetMessageBoxAnswerer(nullptr);
    qh::ui::SetFileDialogAnswerer(nullptr);
    qh::ui::SetDialogAnswerer(nullptr);
  }
  bool Visible(CWnd& dialog, UINT id) { return IsWindowVisible(dialog.GetDlgItem(id)->m_hWnd) != FALSE; }
  bool Enabled(CWnd& dialog, UINT id) { return IsWindowEnabled(dialog.GetDlgItem(id)->m_hWnd) != FALSE; }

  qh::testing::TestSandbox sandbox;
  CWinApp app{"Quaverhouse"};
  std::string host;
  std::vector<std::string> boxes;
  int answer = 0;
};

TEST_F(AdminDialogTest, WithoutAFolderOnlyEraseAndPrimaryCanBePressed) {
  CAdminDlg dialog("");
  ASSERT_TRUE(dialog.Create(IDD_ADMIN));
  CString path;
  dialog.GetDlgItemText(IDC_DB_PATH, path);
  EXPECT_EQ(path, CString("*NONE*"));
  EXPECT_EQ(dialog.StatusText(), CString("Click one of the buttons above."));
  for (UINT id : {IDC_CHECK, IDC_REPAIR, IDC_BACKUP, IDC_UPDATE_STORAGE}) EXPECT_FALSE(Enabled(dialog, id)) << id;
  for (UINT id : {static_cast<UINT>(IDC_ERASE), static_cast<UINT>(IDC_CHANGE_PRIMARY), static_cast<UINT>(IDOK)}) EXPECT_TRUE(Enabled(dialog, id)) << id;
  dialog.DestroyWindow();
}

// The keyboard starts on the first button that can be pressed, as in any dialog: "Check Database" with
// a library, "Erase Database" without one (Check, Backup and Repair are off then); Space presses it.
TEST_F(AdminDialogTest, TheKeyboardStartsOnTheFirstButtonThatCanBePressed) {
  struct Case {
    const char* folder;
    UINT focused;
  };
  for (const Case& c : {Case{"C:\\Quaverhouse", IDC_CHECK}, Case{"", IDC_ERASE}}) {
    CAdminDlg dialog(c.folder);
    ASSERT_TRUE(dialog.Create(IDD_ADMIN));
    dialog.ShowWindow(SW_SHOW);
    ASSERT_NE(GetFocus(), nullptr) << c.folder;
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), static_cast<int>(c.focused)) << "folder \"" << c.folder << "\"";
    dialog.DestroyWindow();
  }
  std::vector<std::string> choosers;
  qh::ui::SetFileDialogAnswerer([&](const qh::ui::FileDialogRequest& request, CFileDialog&) {
    choosers.push_back(request.title);
    qh::ui::FileDialogAnswer cancel;
    cancel.cancel = true;
    return cancel;
  });
  CAdminDlg dialog("");
  ASSERT_TRUE(dialog.Create(IDD_ADMIN));
  dialog.ShowWindow(SW_SHOW);
  qh::ui::InjectKey(VK_SPACE, true);
  qh::ui::InjectKey(VK_SPACE, false);
  Pump(dialog);
  EXPECT_EQ(choosers, std::vector<std::string>{"Save As"}) << "Space pressed Erase Database, which asks where";
  dialog.DestroyWindow();
}

// The dialog carries the program's icon (the picture the build puts beside the program) as its big and
// small icon and for dragging, and shows it while minimised.
TEST_F(AdminDialogTest, HasTheProgramIconAndShowsItMinimised) {
  const std::optional<qh::gdi::Surface> picture = qh::gdi::testing::UseProgramBitmaps(QH_PROGRAM_BITMAPS, CAdminDlg::kIconId);
  ASSERT_TRUE(picture.has_value()) << "no icon " << CAdminDlg::kIconId << " in " << QH_PROGRAM_BITMAPS;
  CAdminDlg dialog("C:\\Quaverhouse");
  ASSERT_TRUE(dialog.Create(IDD_ADMIN));
  dialog.ShowWindow(SW_SHOW);
  const HICON icon = app.LoadIcon(CAdminDlg::kIconId);
  EXPECT_EQ(dialog.GetIcon(TRUE), icon);
  EXPECT_EQ(dialog.GetIcon(FALSE), icon);
  EXPECT_EQ(reinterpret_cast<HICON>(dialog.SendMessage(WM_QUERYDRAGICON)), icon);
  EXPECT_EQ(qh::gdi::testing::MinimisedIconShare(dialog.m_hWnd, *picture), 1.0) << "the minimised dialog shows the icon centred";
  EXPECT_FALSE(dialog.IsIconic());
  dialog.DestroyWindow();
  qh::gdi::ClearBitmapFolders();
}

TEST_F(AdminDialogTest, HelpTextsFollowTheMouseOverTheButtons) {
  CAdminDlg dialog("C:\\Quaverhouse");
  ASSERT_TRUE(dialog.Create(IDD_ADMIN));
  dialog.ShowWindow(SW_SHOW);
  for (UINT help : {IDC_HELP_CHECK, IDC_HELP_BACKUP}) EXPECT_FALSE(Visible(dialog, help));
  qh::ui::InjectMouseAt(dialog.GetDlgItem(IDC_CHECK)->m_hWnd, WM_MOUSEMOVE, 5, 5);
  Pump(dialog);
  EXPECT_TRUE(Visible(dialog, IDC_HELP_CHECK));
  qh::ui::InjectMouseAt(dialog.GetDlgItem(IDC_BACKUP)->m_hWnd, WM_MOUSEMOVE, 5, 5);
  Pump(dialog);
  // Moving from one button to the next leaves both texts shown.
  EXPECT_TRUE(Visible(dialog, IDC_HELP_CHECK));
  EXPECT_TRUE(Visible(dialog, IDC_HELP_BACKUP));
  // The help texts are blue on the dialog's face.
  auto picture = qh::gdi::SnapshotWindow(dialog.m_hWnd);
  ASSERT_TRUE(picture.has_value());
  RECT window, help;
  dialog.GetWindowRect(&window);
  dialog.GetDlgItem(IDC_HELP_CHECK)->GetWindowRect(&help);
  int blue = 0, face = 0;
  for (int y = help.top; y < help.bottom; ++y)
    for (int x = help.left; x < help.right; ++x) {
      auto pixel = picture->at(x - window.left, y - window.top);
      int red = (pixel >> 16) & 0xFF, green = (pixel >> 8) & 0xFF, bluePart = pixel & 0xFF;
      blue += bluePart > red + 80 && bluePart > green + 80;  // the text's pixels, smoothed or not
      face += pixel == qh::gdi::PixelFromColor(GetSysColor(COLOR_BTNFACE));
    }
  EXPECT_GT(blue, 20);
  EXPECT_GT(face, (help.right - help.left) * (help.bottom - help.top) / 2);
  std::string error;
  EXPECT_TRUE(qh::gdi::WriteWindowPng(dialog.m_hWnd, SnapshotFolder() + "/ledgerkeep.png", &error)) << error;
  RECT exitButton;
  dialog.GetDlgItem(IDOK)->GetWindowRect(&exitButton);
  POINT below{exitButton.left - 40, exitButton.top + 2};
  qh::ui::InjectMouse(WM_MOUSEMOVE, below);
  Pump(dialog);
  for (UINT help : {IDC_HELP_CHECK, IDC_HELP_BACKUP, IDC_HELP_REPAIR}) EXPECT_FALSE(Visible(dialog, help)) << help;
  dialog.SetDlgItemText(IDC_STATUS, "something else");
  qh::ui::InjectMouse(WM_LBUTTONDOWN, below);
  qh::ui::InjectMouse(WM_LBUTTONUP, below);
  qh::ui::InjectMouse(WM_LBUTTONDOWN, below);
  qh::ui::InjectMouse(WM_LBUTTONUP, below);
  Pump(dialog);
  EXPECT_EQ(dialog.StatusText(), CString("Click one of the buttons above."));
  dialog.DestroyWindow();
}

TEST_F(AdminDialogTest, EraseWithoutAFolderAsksWhereAndMakesTheLibraryThere) {
  std::filesystem::create_directories(sandbox.HostPath("C/NewLibrary"));
  qh::ui::SetFileDialogAnswerer([](const qh::ui::FileDialogRequest& request, CFileDialog&) {
    qh::ui::FileDialogAnswer chosen;
    chosen.paths = {"C:\\NewLibrary\\Quaverhouse.qhd"};
    EXPECT_FALSE(request.open);
    EXPECT_EQ(request.fileName, "Quaverhouse");
    return chosen;
  });
  answer = IDYES;
  CAdminDlg dialog("");
  ASSERT_TRUE(dialog.Create(IDD_ADMIN));
  Click(dialog, IDC_ERASE);
  EXPECT_EQ(dialog.DatabaseFolder(), CString("C:\\NewLibrary"));
  EXPECT_EQ(app.GetProfileString("", "SongDbPath", ""), CString("C:\\NewLibrary"));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rfind("Creating a new database will delete the existing database", 0), 0u);
  EXPECT_EQ(dialog.StatusText(), CString("Database created successfully."));
  EXPECT_EQ(Sqlite3(sandbox.HostPath("C/NewLibrary/Quaverhouse.qhd"), "select count(*) from SongType;"), "148\n");
  for (UINT id : {IDC_CHECK, IDC_REPAIR, IDC_BACKUP}) EXPECT_TRUE(Enabled(dialog, id)) << id;
  dialog.DestroyWindow();
}

TEST_F(AdminDialogTest, EraseAnsweredNoChangesNothing) {
  BuildCurrentLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", {{1, "Alpha", "Artist", 'R', kC, "", "Rock"}});
  std::string before = ReadHostFile(host);
  CAdminDlg dialog("C:\\Quaverhouse");
  ASSERT_TRUE(dialog.Create(IDD_ADMIN));
  Click(dialog, IDC_ERASE);  // the default button of the question is No
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_EQ(ReadHostFile(host), before);
  dialog.DestroyWindow();
}

TEST_F(AdminDialogTest, ChangePrimaryTakesTheFolderOfTheChosenFile) {
  qh::ui::SetFileDialogAnswerer([](const qh::ui::FileDialogRequest& request, CFileDialog&) {
    qh::ui::FileDialogAnswer chosen;
    chosen.paths = {"C:\\Elsewhere\\Quaverhouse.qhd"};
    EXPECT_TRUE(request.open);
    EXPECT_TRUE(request.flags & OFN_FILEMUSTEXIST);
    return chosen;
  });
  std::filesystem::create_directories(sandbox.HostPath("C/Elsewhere"));
  WriteHostFile(sandbox.HostPath("C/Elsewhere/Quaverhouse.qhd"), "not checked here");
  CAdminDlg dialog("");
  ASSERT_TRUE(dialog.Create(IDD_ADMIN));
  Click(dialog, IDC_CHANGE_PRIMARY);
  CString path;
  dialog.GetDlgItemText(IDC_DB_PATH, path);
  EXPECT_EQ(path, CString("C:\\Elsewhere"));
  EXPECT_EQ(app.GetProfileString("", "SongDbPath", ""), CString("C:\\Elsewhere"));
  EXPECT_TRUE(Enabled(dialog, IDC_CHECK));
  EXPECT_FALSE(Enabled(dialog, IDC_UPDATE_STORAGE));  // keeps its state
  dialog.DestroyWindow();
}

TEST_F(AdminDialogTest, CheckBacksUpWritesTheReportAndOffersIt) {
  BuildCurrentLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", {{1, "Alpha", "Artist", 'R', kC, "", "NoSuchGenre"}});
  answer = IDNO;
  CAdminDlg dialog("C:\\Quaverhouse");
  ASSERT_TRUE(dialog.Create(IDD_ADMIN));
  Click(dialog, IDC_CHECK);
  EXPECT_EQ(dialog.StatusText(), CString("Database check completed. Log file is in C:\\Quaverhouse\\DbCheck.txt"));
  ASSERT_EQ(boxes.size(), 1u);  // one fault and one missing file: the report is offered
  EXPECT_EQ(boxes[0].rfind("Errors were detected when checking the Quaverhouse database.", 0), 0u);
  EXPECT_NE(ReadHostFile(sandbox.HostPath("C/Quaverhouse/DbCheck.txt")).find("  Total Errors Detected 2\r\n"), std::string::npos);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(sandbox.HostPath("C/Quaverhouse/Backup")),
                          std::filesystem::directory_iterator()),
            1);
  dialog.DestroyWindow();
}

// The check deletes rows it finds at fault: when its safety backup fails it stops before touching any.
TEST_F(AdminDialogTest, CheckStopsWhenItsBackupFails) {
  BuildCurrentLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", {{1, "Alpha", "Artist", 'R', kC, "", "NoSuchGenre"}});
  const std::string host = sandbox.HostPath("C/Quaverhouse/Quaverhouse.qhd");
  const std::string before = ReadHostFile(host);
  FailingFileSteps steps(FailingFileSteps::kCopy, 1);
  CAdminDlg dialog("C:\\Quaverhouse");
  dialog.SetFileSteps(&steps);
  ASSERT_TRUE(dialog.Create(IDD_ADMIN));
  Click(dialog, IDC_CHECK);
  EXPECT_EQ(dialog.StatusText(), CString("The database check did not run: its safety backup failed."));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rfind("An error occurred while trying to copy a file.\r\nC:\\Quaverhouse\\Backup\\BK", 0), 0u) << boxes[0];
  EXPECT_EQ(ReadHostFile(host), before);
  EXPECT_FALSE(std::filesystem::exists(sandbox.HostPath("C/Quaverhouse/DbCheck.txt")));
  dialog.DestroyWindow();
}

TEST_F(AdminDialogTest, StorageDialogMovesTheChosenSongsAndRefusesMismatchedTypes) {
  sandbox.AddDrive('D', kOld, "OLDDISK");
  sandbox.AddDrive('E', kNew, "NEWDISK");
  std::vector<LibrarySong> songs;
  for (long id = 1; id <= 4; ++id) {
    songs.push_back({id, "Song", "Artist", 'R', kOld, "", "Rock"});
    char name[64];
    std::snprintf(name, sizeof name, "QHVolume/Songs/Song%010ld.mp3", id);
    for (char drive : {'D', 'E'}) {
      std::filesystem::create_directories(sandbox.HostPath(std::string(1, drive) + "/QHVolume/Songs"));
      if (drive == 'D' || id <= 3) WriteHostFile(sandbox.HostPath(std::string(1, drive) + "/" + name), "audio");
    }
  }
  BuildCurrentLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", songs,
                      {"INSERT INTO VolserList VALUES (" + std::to_string(static_cast<int32_t>(kOld)) +
                       ", 'D', 'OLDDISK', 'QHVolume', 0, 0)"});
  answer = IDYES;
  std::string error;
  qh::ui::SetDialogAnswerer([&](CWnd& window) {
    auto* sources = static_cast<CListCtrl*>(window.GetDlgItem(IDC_SOURCE_LIST));
    auto* destinations = static_cast<CListCtrl*>(window.GetDlgItem(IDC_DESTINATION_LIST));
    ASSERT_EQ(sources->GetItemCount(), 1);
    ASSERT_EQ(destinations->GetItemCount(), 5);  // C primary and unmanaged, D storage and unmanaged, E unmanaged
    EXPECT_EQ(sources->GetItemText(0, 0), CString("11111111"));
    EXPECT_EQ(sources->GetItemText(0, 1), CString("STORAGE"));
    EXPECT_EQ(sources->GetItemText(0, 3), CString("4"));
    Click(window, IDC_RELOCATE);  // nothing chosen yet
    sources->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    Click(window, IDC_RELOCATE);
    destinations->SetItemState(4, LVIS_SELECTED, LVIS_SELECTED);  // E, unmanaged: the wrong type
    Click(window, IDC_RELOCATE);
    EXPECT_TRUE(IsWindowEnabled(window.GetDlgItem(IDC_RELOCATE)->m_hWnd));
    EXPECT_TRUE(qh::gdi::WriteWindowPng(window.m_hWnd, SnapshotFolder() + "/ledgerkeep-storage.png", &error)) << error;
    static_cast<CDialog&>(window).EndDialog(IDCANCEL);
  });
  CAdminDlg dialog("C:\\Quaverhouse");
  ASSERT_TRUE(dialog.Create(IDD_ADMIN));
  Click(dialog, IDC_UPDATE_STORAGE);
  EXPECT_EQ(boxes, (std::vector<std::string>{"You must select a source volume before proceeding.",
                                             "You must select a destination volume before proceeding.",
                                             "The type of the source location does not match the destination"}));
  EXPECT_EQ(Sqlite3(host, "select count(*) from Songs where SongVolser = " + std::to_string(static_cast<int32_t>(kOld)) + ";"),
            "4\n");
  dialog.DestroyWindow();
}

TEST_F(AdminDialogTest, StorageDialogUpdateReportsTheSongsWhoseFilesWereMissing) {
  sandbox.AddDrive('D', kOld, "OLDDISK");
  sandbox.AddDrive('E', kNew, "NEWDISK");
  std::vector<LibrarySong> songs;
  for (char drive : {'D', 'E'}) std::filesystem::create_directories(sandbox.HostPath(std::string(1, drive) + "/QHVolume/Songs"));
  for (long id = 1; id <= 10; ++id) {
    songs.push_back({id, "Song", "Artist", 'R', kOld, "", "Rock"});
    char name[64];
    std::snprintf(name, sizeof name, "/QHVolume/Songs/Song%010ld.mp3", id);
    WriteHostFile(sandbox.HostPath(std::string("D") + name), "audio");
    if (id <= 7) WriteHostFile(sandbox.HostPath(std::string("E") + name), "audio");
  }
  BuildCurrentLibrary("C:\\Quaverhouse\\Quaverhouse.qhd", songs,
                      {"INSERT INTO VolserList VALUES (" + std::to_string(static_cast<int32_t>(kOld)) +
                           ", 'D', 'OLDDISK', 'QHVolume', 0, 0)",
                       "INSERT INTO VolserList VALUES (" + std::to_string(static_cast<int32_t>(kNew)) +
                           ", 'E', 'NEWDISK', 'QHVolume', 0, 0)"});
  answer = IDYES;
  bool disabledAfter = false;
  qh::ui::SetDialogAnswerer([&](CWnd& window) {
    auto* sources = static_cast<CListCtrl*>(window.GetDlgItem(IDC_SOURCE_LIST));
    auto* destinations = static_cast<CListCtrl*>(window.GetDlgItem(IDC_DESTINATION_LIST));
    int storage = -1;
    for (int item = 0; item < destinations->GetItemCount(); ++item)
      if (destinations->GetItemText(item, 2) == CString("E") && destinations->GetItemText(item, 1) == CString("STORAGE"))
        storage = item;
    ASSERT_GE(storage, 0);
    sources->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    destinations->SetItemState(storage, LVIS_SELECTED, LVIS_SELECTED);
    Click(window, IDC_RELOCATE);
    disabledAfter = !IsWindowEnabled(window.GetDlgItem(IDC_RELOCATE)->m_hWnd);
    static_cast<CDialog&>(window).EndDialog(IDCANCEL);
  });
  CAdminDlg dialog("C:\\Quaverhouse");
  ASSERT_TRUE(dialog.Create(IDD_ADMIN));
  Click(dialog, IDC_UPDATE_STORAGE);
  EXPECT_EQ(boxes, (std::vector<std::string>{
                       "10 songs on source volume 11111111 (QHVolume) will be updated to destination volume 9ABCDEF0 "
                       "(QHVolume).\r\nAre you sure you want to continue?",
                       "7 of a total of 10 songs were updated. Some files did not exist in the destination folder. "
                       "Please make sure all files were moved properly to the destination folder."}));
  EXPECT_TRUE(disabledAfter);
  EXPECT_EQ(Sqlite3(host, "select count(*) from Songs where SongVolser = " + std::to_string(static_cast<int32_t>(kNew)) + ";"),
            "7\n");
  dialog.DestroyWindow();
}

TEST(LedgerkeepProgram, RefusesToStartBesideAnotherProgramOfTheSystem) {
  qh::testing::TestSandbox sandbox;
  HANDLE held = CreateMutex(nullptr, TRUE, "QuaverhouseGlobalMutex");
  ASSERT_NE(held, nullptr);
  std::string errors;
  RunProgram(QH_LEDGERKEEP, errors);
  EXPECT_NE(errors.find("Another Quaverhouse program is running. Only one Quaverhouse application can run at a time."),
            std::string::npos)
      << errors;
  ReleaseMutex(held);
  CloseHandle(held);
}

}  // namespace
