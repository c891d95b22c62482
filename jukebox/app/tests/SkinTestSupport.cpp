#include "jukebox/app/tests/SkinTestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "platform/ui/gdi/BitmapResources.h"
#include "platform/ui/gdi/Png.h"
#include "platform/ui/gdi/Snapshot.h"

namespace jukebox::test {

SkinFolder::SkinFolder() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  // Parameterised tests' names hold '/': kept, they would put every run under one shared folder, which
  // belongs to whichever user made it first.
  std::string name = "qh-skin-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" + std::to_string(getpid());
  std::replace(name.begin(), name.end(), '/', '-');
  path_ = (std::filesystem::temp_directory_path() / name).string();
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
  qh::gdi::ClearBitmapFolders();
  qh::gdi::AddBitmapFolder(path_);
}

SkinFolder::~SkinFolder() {
  qh::gdi::ClearBitmapFolders();
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void SkinFolder::AddFace(UINT id, int width, int height, COLORREF color) {
  qh::gdi::Surface face(width, height, qh::gdi::PixelFromColor(color));
  ASSERT_TRUE(qh::gdi::WritePng(face, path_ + "/" + std::to_string(id) + ".png"));
}

CommandRecorder::CommandRecorder() {
  CreateEx(0, AfxRegisterWndClass(0), "Skin test", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr);
}

CommandRecorder::~CommandRecorder() { DestroyWindow(); }

BOOL CommandRecorder::OnCommand(WPARAM wParam, LPARAM lParam) {
  commands.push_back({wParam, lParam, std::chrono::steady_clock::now()});
  return TRUE;
}

void PumpPending() {
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (qh::ui::PreTranslateThroughFramework(&msg)) continue;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
}

void PumpFor(std::chrono::milliseconds duration, const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + duration;
  while (std::chrono::steady_clock::now() < end) {
    PumpPending();
    if (done && done()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

COLORREF ShownAt(HWND window, int x, int y) {
  PumpPending();
  auto picture = qh::gdi::SnapshotWindow(window);
  if (!picture) return CLR_INVALID;
  RECT client, whole;
  ::GetClientRect(window, &client);
  ::GetWindowRect(window, &whole);
  POINT origin{0, 0};
  ::ClientToScreen(window, &origin);
  const int px = x + origin.x - whole.left, py = y + origin.y - whole.top;
  if (!picture->contains(px, py)) return CLR_INVALID;
  return qh::gdi::ColorFromPixel(picture->at(px, py));
}

}  // namespace jukebox::test
