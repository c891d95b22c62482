// The main dialog: the library summary, the disabled capture buttons, hover help, F4, the tip of the
// day at first showing and the Options that it writes back.
#include <algorithm>
#include <optional>

#include "platform/ui/gdi/BitmapResources.h"
#include "platform/ui/gdi/tests/DisplayManager.h"
#include "recorder/RecorderDlg.h"
#include "recorder/RecorderIds.h"
#include "recorder/tests/RecorderTestSupport.h"

namespace qh::recorder::testing {
namespace {

class MainDialogTest : public RecorderTest {
 protected:
  void SetUp() override {
    RecorderTest::SetUp();
    ASSERT_TRUE(StartRecorder());
  }
};

TEST_F(MainDialogTest, SummaryCountsSongsByTheirCode) {
  for (char code : {' ', ' ', 'V', 'A', 'M', 'R', '3'}) AddSong({.name = "S", .artist = "A", .code = code});
  OnDialog(IDD_RECORDER, [](CDialog& dialog) {
    EXPECT_EQ("7", TextOf(dialog, 1121));
    EXPECT_EQ("3", TextOf(dialog, 1125)) << "' ' and 'V' are uncompressed";
    EXPECT_EQ("4", TextOf(dialog, 1124)) << "'A', 'M', 'R' and '3' are compressed";
    EXPECT_NE(std::string::npos, TextOf(dialog, 1126).find("Megs free on available drives."));
    EXPECT_FALSE(IsEnabled(dialog, 1092)) << "no wave-in device";
    EXPECT_FALSE(IsEnabled(dialog, 1111)) << "no CD drive";
    EXPECT_EQ("Copyright (C) 2026 Tallowmere", TextOf(dialog, 1119));
    Snapshot(dialog, "recorder-main");
    Click(dialog, IDOK);
  });
  CRecorderDlg dialog;
  EXPECT_EQ(IDOK, dialog.DoModal());
}

// The dialog carries the program's icon (the picture the build puts beside the program) as its big and
// small icon and for dragging, and shows it while minimised.
TEST_F(MainDialogTest, HasTheProgramIconAndShowsItMinimised) {
  const std::optional<qh::gdi::Surface> picture = qh::gdi::testing::UseProgramBitmaps(QH_PROGRAM_BITMAPS, CRecorderDlg::kIconId);
  ASSERT_TRUE(picture.has_value()) << "no icon " << CRecorderDlg::kIconId << " in " << QH_PROGRAM_BITMAPS;
  const HICON icon = app->LoadIcon(CRecorderDlg::kIconId);
  double shown = 0.0;
  OnDialog(IDD_RECORDER, [&](CDialog& dialog) {
    EXPECT_EQ(dialog.GetIcon(TRUE), icon);
    EXPECT_EQ(dialog.GetIcon(FALSE), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(dialog.SendMessage(WM_QUERYDRAGICON)), icon);
    shown = qh::gdi::testing::MinimisedIconShare(dialog.m_hWnd, *picture);
    Click(dialog, IDOK);
  });
  CRecorderDlg dialog;
  EXPECT_EQ(IDOK, dialog.DoModal());
  qh::gdi::ClearBitmapFolders();
  EXPECT_EQ(shown, 1.0) << "the minimised dialog shows the icon centred";
}

TEST_F(MainDialogTest, HelpFollowsTheMouseAndTheStatusLineTheClick) {
  OnDialog(IDD_RECORDER, [](CDialog& dialog) {
    CWnd* search = dialog.GetDlgItem(1113);
    CWnd* help = dialog.GetDlgItem(1140);
    EXPECT_FALSE(help->IsWindowVisible());
    qh::ui::InjectMouseAt(search->m_hWnd, WM_MOUSEMOVE, 5, 5);
    Settle();
    EXPECT_TRUE(help->IsWindowVisible());
    EXPECT_FALSE(dialog.GetDlgItem(1147)->IsWindowVisible());
    // A spot of the dialog's own background, below the summary.
    RECT free = qh::ui::DialogUnitsToPixels(300, 140, 1, 1);
    qh::ui::InjectMouseAt(dialog.m_hWnd, WM_MOUSEMOVE, free.left, free.top);
    Settle();
    EXPECT_FALSE(help->IsWindowVisible());
    ClickAt(dialog.m_hWnd, free.left, free.top);
    EXPECT_EQ("Click the appropriate button on this form to start.", TextOf(dialog, 1119));
    Click(dialog, IDOK);
  });
  CRecorderDlg dialog;
  dialog.DoModal();
}

TEST_F(MainDialogTest, F4OpensTheSearchOncePerPress) {
  OnDialog(IDD_SEARCH, [](CDialog& dialog) { Click(dialog, IDCANCEL); });
  OnDialog(IDD_SEARCH, [](CDialog& dialog) { Click(dialog, IDCANCEL); });
  OnDialog(IDD_RECORDER, [](CDialog& dialog) {
    PressKey(VK_F4);
    Click(dialog, 1113);
    Click(dialog, IDOK);
  });
  CRecorderDlg dialog;
  dialog.DoModal();
  EXPECT_EQ((std::vector<UINT>{IDD_RECORDER, IDD_SEARCH, IDD_SEARCH}), shownDialogs);
}

TEST_F(MainDialogTest, TipOfTheDayAtFirstShowingUnlessSwitchedOff) {
  app->WriteProfileInt("Tip", "StartUp", 0);
  OnDialog(IDD_TIP, [](CDialog& dialog) {
    EXPECT_EQ("Tips file does not exist in the prescribed directory", TextOf(dialog, 1004));
    EXPECT_FALSE(IsEnabled(dialog, 1002));
    Click(dialog, 1001);  // switches the tips off
    Click(dialog, IDOK);
  });
  OnDialog(IDD_RECORDER, [](CDialog& dialog) { Click(dialog, IDOK); });
  OnDialog(IDD_RECORDER, [](CDialog& dialog) { Click(dialog, IDOK); });
  {
    CRecorderDlg first;
    first.DoModal();
  }
  EXPECT_EQ(1, static_cast<int>(app->GetProfileInt("Tip", "StartUp", 0)));
  CRecorderDlg second;
  second.DoModal();
  // The tip opens as the main dialog first appears, before the user can touch it.
  EXPECT_EQ((std::vector<UINT>{IDD_TIP, IDD_RECORDER, IDD_RECORDER}), shownDialogs);
}

TEST_F(MainDialogTest, OptionsAreWrittenOnOkOnly) {
  OnDialog(IDD_OPTIONS, [](CDialog& dialog) {
    EXPECT_FALSE(IsEnabled(dialog, 1070)) << "no CD drive";
    Type(dialog, 1279, "cddb.example.net");
    Click(dialog, 1151);
    Click(dialog, IDCANCEL);
  });
  OnDialog(IDD_OPTIONS, [](CDialog& dialog) {
    EXPECT_EQ("gnudb.gnudb.org", TextOf(dialog, 1279));
    Type(dialog, 1279, "");
    Click(dialog, IDOK);
  });
  OnDialog(IDD_RECORDER, [](CDialog& dialog) {
    Click(dialog, 1115);
    Click(dialog, 1115);
    Click(dialog, IDOK);
  });
  CRecorderDlg dialog;
  dialog.DoModal();
  EXPECT_EQ("gnudb.gnudb.org", app->GetProfileString("Recorder", "CddbServer", "").str())
      << "an emptied server stores the default";
  EXPECT_EQ(1, static_cast<int>(app->GetProfileInt("Tip", "StartUp", 7))) << "the box started unchecked";
}

// The capture buttons open their own dialogs: Compress its dialog, Upload the remote server's set-up.
TEST_F(MainDialogTest, CaptureButtonsOpenTheirDialogs) {
  std::string compressCount;
  OnDialog(IDD_COMPRESS, [&](CDialog& dialog) {
    compressCount = TextOf(dialog, 1101);
    Click(dialog, IDCANCEL);
  });
  OnDialog(IDD_UPLOAD_SETUP, [](CDialog& dialog) { Click(dialog, IDCANCEL); });
  OnDialog(IDD_RECORDER, [](CDialog& dialog) {
    Click(dialog, 1117);
    Click(dialog, 1180);
    Click(dialog, IDOK);
  });
  CRecorderDlg dialog;
  dialog.DoModal();
  EXPECT_TRUE(boxTexts.empty()) << boxTexts.front();
  EXPECT_EQ("0 songs to be compressed", compressCount);
  EXPECT_NE(shownDialogs.end(), std::find(shownDialogs.begin(), shownDialogs.end(), static_cast<UINT>(IDD_UPLOAD_SETUP)));
  EXPECT_EQ(shownDialogs.end(), std::find(shownDialogs.begin(), shownDialogs.end(), static_cast<UINT>(IDD_UPLOAD)))
      << "a cancelled set-up uploads nothing";
}

}  // namespace
}  // namespace qh::recorder::testing
