// Snapshots of real windows: a dialog made from a template, with its child controls, written to
// <build>/snapshots/sample-dialog.png for people to look at.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/ui/Dialog.h"
#include "platform/ui/gdi/Png.h"
#include "platform/ui/gdi/Snapshot.h"

namespace {

constexpr UINT kNewPlaylistDialog = 198;
constexpr UINT kNameField = 1067;

const char* kTemplate = R"(DIALOG 198 "Create a New Playlist" 0 0 262 66 STYLE 0x80C80080
  CONTROL 65535 Static "Playlist &Name:" 0x50000202 0 5 60 15
  CONTROL 1067 Edit "" 0x50810080 65 5 190 15
  CONTROL 1 Button "&OK" 0x58010001 10 30 60 25
  CONTROL 2 Button "&Cancel" 0x50010000 195 30 60 25
END
)";

void PumpPending() {
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
}

// The rectangle of a dialog's control in the dialog window's own coordinates (as a snapshot has them).
RECT ControlInWindow(CWnd& dialog, UINT id) {
  RECT control, window;
  dialog.GetDlgItem(static_cast<int>(id))->GetWindowRect(&control);
  dialog.GetWindowRect(&window);
  return RECT{control.left - window.left, control.top - window.top, control.right - window.left,
              control.bottom - window.top};
}

int DistinctColours(const qh::gdi::Surface& s, const RECT& r) {
  std::vector<qh::gdi::Pixel> seen;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      if (std::find(seen.begin(), seen.end(), s.at(x, y)) == seen.end()) seen.push_back(s.at(x, y));
  return static_cast<int>(seen.size());
}

TEST(Snapshot, DialogWithItsControls) {
  std::string error;
  ASSERT_TRUE(qh::ui::LoadDialogTemplates(kTemplate, &error)) << error;
  CDialog dialog;
  ASSERT_TRUE(dialog.Create(kNewPlaylistDialog));
  dialog.SetDlgItemText(kNameField, "Friday & Saturday");
  dialog.ShowWindow(SW_SHOW);
  PumpPending();
  // Everything painted again in one pass, parent before children, as the snapshot brings it up to date.
  dialog.Invalidate(TRUE);

  auto picture = qh::gdi::SnapshotWindow(dialog);
  ASSERT_TRUE(picture);
  RECT window;
  dialog.GetWindowRect(&window);
  EXPECT_EQ(picture->width(), window.right - window.left);
  EXPECT_EQ(picture->height(), window.bottom - window.top);
  // Every control shows something of its own: its text, frame or face.
  for (UINT id : {65535u, kNameField, 1u, 2u}) {
    const RECT r = ControlInWindow(dialog, id);
    EXPECT_GT(DistinctColours(*picture, r), 1) << "control " << id;
  }
  // The caption bar differs from the client area below it.
  RECT client;
  dialog.GetClientRect(&client);
  POINT clientOrigin{0, 0};
  dialog.ClientToScreen(&clientOrigin);
  const int captionY = (clientOrigin.y - window.top) / 2;
  const int clientY = clientOrigin.y - window.top + client.bottom - 3;
  EXPECT_NE(picture->at(picture->width() / 2, captionY), picture->at(picture->width() / 2, clientY));

  const std::string binary = QH_TEST_BINARY_DIR;
  std::filesystem::create_directories(binary + "/snapshots");
  EXPECT_TRUE(qh::gdi::WritePng(*picture, binary + "/snapshots/sample-dialog.png", &error)) << error;
  EXPECT_TRUE(qh::gdi::WriteWindowPng(dialog, binary + "/snapshots/sample-dialog-again.png", &error));
  auto again = qh::gdi::ReadPng(binary + "/snapshots/sample-dialog-again.png");
  ASSERT_TRUE(again);
  EXPECT_EQ(again->at(picture->width() / 2, captionY), picture->at(picture->width() / 2, captionY));
  dialog.DestroyWindow();
}

}  // namespace
