// The album choice and existing-songs dialogs, driven headless through the dialog answerer.
#include <gtest/gtest.h>

#include "platform/ui/AfxControls.h"
#include "platform/ui/WinUser.h"
#include "recorder/capture/AlbumDialogs.h"

namespace {

class AlbumDialogsTest : public ::testing::Test {
 protected:
  void TearDown() override { qh::ui::SetDialogAnswerer(nullptr); }
};

TEST_F(AlbumDialogsTest, TheChosenAlbumLineComesBackAndCancelKeepsNone) {
  std::vector<CString> lines = {"001 - First (Band)", "002 - Second (Band)", "003 - Third (Other)"};
  std::vector<CString> shown;
  qh::ui::SetDialogAnswerer([&](CWnd& dialog) {
    auto* list = static_cast<CListBox*>(dialog.GetDlgItem(1262));
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < list->GetCount(); ++i) {
      CString text;
      list->GetText(i, text);
      shown.push_back(text);
    }
    EXPECT_EQ(list->GetCurSel(), 0);
    list->SetCurSel(2);
    dialog.SendMessage(WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(RunChooseAlbum(nullptr, lines), 2);
  EXPECT_EQ(shown, lines);

  qh::ui::SetDialogAnswerer([](CWnd& dialog) { dialog.SendMessage(WM_COMMAND, IDCANCEL, 0); });
  EXPECT_EQ(RunChooseAlbum(nullptr, lines), -1);
}

TEST_F(AlbumDialogsTest, ExistingSongsAreListed) {
  CSongsFromAlbumDlg dialog;
  dialog.m_songs = {"01: Opening (The Band)", "03: Rock 'n' Roll (The Band)"};
  int count = 0;
  qh::ui::SetDialogAnswerer([&](CWnd& shown) {
    count = static_cast<CListBox*>(shown.GetDlgItem(1041))->GetCount();
    shown.SendMessage(WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(count, 2);
  std::string error;
  EXPECT_TRUE(RegisterCaptureDialogs(&error)) << error;
}

}  // namespace
