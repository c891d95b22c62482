// A sample dialog with the common controls, written to a PNG file so a person can see how the
// controls look (build/snapshots/sample-dialog.png), and probed where the picture must hold.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/ui/AfxCmnCtrls.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/gdi/Snapshot.h"

namespace {

const char* kSample = R"(
DIALOG 990 "Stream Settings" 0 0 230 150 STYLE 0x80C80000
  CONTROL 1300 Static "&Name:" 0x50000000 8 10 40 10
  CONTROL 1301 Edit "" 0x50810080 50 8 110 13
  CONTROL 1302 Button "Options" 0x50000007 8 28 152 42
  CONTROL 1303 Button "&Enable logging" 0x50010003 16 40 90 10
  CONTROL 1304 Button "&Low quality" 0x50030009 16 54 60 10
  CONTROL 1305 Button "&High quality" 0x50010009 84 54 70 10
  CONTROL 1306 ListBox "" 0x50A10001 8 76 80 48
  CONTROL 1307 ComboBox "" 0x50210003 96 76 64 60
  CONTROL 1308 msctls_progress32 "" 0x50000000 96 94 64 8
  CONTROL 1 Button "OK" 0x50010001 172 8 50 14
  CONTROL 2 Button "Cancel" 0x50010000 172 26 50 14
END
)";

TEST(SampleDialog, RendersItsControlsIntoAPicture) {
  ASSERT_TRUE(qh::ui::LoadDialogTemplates(kSample));
  class Sample : public CDialog {
   public:
    Sample() : CDialog(990) {}
    BOOL OnInitDialog() override {
      CDialog::OnInitDialog();
      SetDlgItemText(1301, "Lounge & Bar");
      CheckDlgButton(1303, BST_CHECKED);
      CheckDlgButton(1305, BST_CHECKED);
      auto* list = static_cast<CListBox*>(GetDlgItem(1306));
      for (const char* zone : {"Zone 1", "Zone 2", "Patio"}) list->AddString(zone);
      list->SetCurSel(1);
      auto* combo = static_cast<CComboBox*>(GetDlgItem(1307));
      for (const char* rate : {"128 kbps", "256 kbps"}) combo->AddString(rate);
      combo->SetCurSel(0);
      auto* progress = static_cast<CProgressCtrl*>(GetDlgItem(1308));
      progress->SetRange(0, 100);
      progress->SetPos(60);
      return TRUE;
    }
  } dialog;
  ASSERT_TRUE(dialog.Create(990));
  dialog.ShowWindow(SW_SHOW);
  auto picture = qh::gdi::SnapshotWindow(dialog.m_hWnd);
  ASSERT_TRUE(picture.has_value());
  RECT window;
  dialog.GetWindowRect(&window);
  EXPECT_EQ(picture->width(), window.right - window.left);
  // The caption bar is the active caption colour when the dialog is active, the face colour inside.
  POINT client{0, 0};
  dialog.ClientToScreen(&client);
  int insideX = client.x - window.left + 2, insideY = client.y - window.top + 2;
  EXPECT_EQ(picture->at(insideX, insideY), qh::gdi::PixelFromColor(GetSysColor(COLOR_BTNFACE)));
  // The list box's selected item (second row) is highlighted.
  RECT list;
  dialog.GetDlgItem(1306)->GetWindowRect(&list);
  int rowY = list.top - window.top + 16 + 8;
  EXPECT_EQ(picture->at(list.left - window.left + 4, rowY), qh::gdi::PixelFromColor(GetSysColor(COLOR_HIGHLIGHT)));
  const char* binary = std::getenv("QH_BINARY_DIR");
  std::string folder = (binary ? std::string(binary) : std::filesystem::temp_directory_path().string()) + "/snapshots";
  std::filesystem::create_directories(folder);
  std::string error;
  EXPECT_TRUE(qh::gdi::WriteWindowPng(dialog.m_hWnd, folder + "/sample-dialog.png", &error)) << error;
  dialog.DestroyWindow();
}

}  // namespace
