#include "platform/ui/gdi/Snapshot.h"

#include "platform/ui/gdi/Png.h"
#include "platform/ui/gdi/WindowTarget.h"

namespace qh::gdi {

std::optional<Surface> SnapshotWindow(HWND window) {
  WindowSurfaceProvider* provider = GetWindowSurfaceProvider();
  if (!provider || !window) return std::nullopt;
  provider->UpdateNow(window);
  Surface* surface = nullptr;
  RECT area;
  if (!provider->WindowArea(window, surface, area) || !surface) return std::nullopt;
  return surface->crop(area.left, area.top, area.right - area.left, area.bottom - area.top);
}

bool WriteWindowPng(HWND window, const std::string& path, std::string* error) {
  auto picture = SnapshotWindow(window);
  if (!picture) {
    if (error) *error = "no such window";
    return false;
  }
  return WritePng(*picture, path, error);
}

}  // namespace qh::gdi
