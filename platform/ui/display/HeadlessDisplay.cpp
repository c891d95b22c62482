#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/ui/display/Display.h"

namespace qh::display {
namespace {

class HeadlessDisplay final : public DisplayBackend {
 public:
  std::string Name() const override { return "headless"; }
  bool Headless() const override { return true; }
  void ShowWindow(HWND, const RECT&, const std::string&) override {}
  void HideWindow(HWND) override {}
  void MoveWindow(HWND, const RECT&) override {}
  void SetTitle(HWND, const std::string&) override {}
  void DestroyWindow(HWND) override {}
  void Present(HWND, const gdi::Surface&) override {}
  std::vector<InputMessage> PollInput() override { return {}; }
  std::optional<gdi::Surface> ReadBack(HWND) override { return std::nullopt; }
};

}  // namespace

std::unique_ptr<DisplayBackend> CreateHeadlessDisplay() { return std::make_unique<HeadlessDisplay>(); }

std::unique_ptr<DisplayBackend> CreateDisplayBackend() {
  const char* wanted = std::getenv("QH_DISPLAY");
  if (!wanted || std::strcmp(wanted, "sdl") != 0) return CreateHeadlessDisplay();
  std::string error;
  if (auto sdl = CreateSdlDisplay(&error)) return sdl;
  std::fprintf(stderr, "QH_DISPLAY=sdl: no display (%s); running headless\n", error.c_str());
  return CreateHeadlessDisplay();
}

}  // namespace qh::display
