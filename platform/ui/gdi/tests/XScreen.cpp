#include "platform/ui/gdi/tests/XScreen.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/ui/gdi/tests/XQueryConnection.h"

namespace qh::gdi::testing {

std::optional<Surface> GrabXScreen(const std::string& display, int x, int y, int width, int height) {
  XQueryConnection connection(display);
  ::Display* server = connection.get();
  if (!server) return std::nullopt;
  XSync(server, False);
  XImage* image = XGetImage(server, DefaultRootWindow(server), x, y, width, height, AllPlanes, ZPixmap);
  std::optional<Surface> out;
  if (image) {
    out.emplace(width, height);
    for (int py = 0; py < height; ++py)
      for (int px = 0; px < width; ++px) out->set(px, py, XGetPixel(image, px, py) & 0xFFFFFF);
    XDestroyImage(image);
  }
  return out;
}

}  // namespace qh::gdi::testing
