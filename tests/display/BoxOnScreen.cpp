#include "tests/display/BoxOnScreen.h"

#include <algorithm>

#include "platform/ui/gdi/Gdi.h"

namespace qh::programs::testing {

std::optional<RECT> AreaOfColor(const qh::gdi::Surface& picture, COLORREF color, int least) {
  const qh::gdi::Pixel wanted = qh::gdi::PixelFromColor(color);
  RECT box{picture.width(), picture.height(), -1, -1};
  int count = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      if ((picture.at(x, y) & 0xFFFFFF) == wanted) {
        ++count;
        box.left = std::min<LONG>(box.left, x), box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1), box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
  if (count < least) return std::nullopt;
  return box;
}

std::optional<RECT> InkArea(const qh::gdi::Surface& picture, const RECT& area) {
  RECT box{area.right, area.bottom, area.left - 1, area.top - 1};
  bool any = false;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) {
      if (!picture.contains(x, y)) continue;
      const qh::gdi::Pixel p = picture.at(x, y);
      if (((p >> 16) & 0xFF) > 0x60 || ((p >> 8) & 0xFF) > 0x60 || (p & 0xFF) > 0x60) continue;
      any = true;
      box.left = std::min<LONG>(box.left, x), box.top = std::min<LONG>(box.top, y);
      box.right = std::max<LONG>(box.right, x + 1), box.bottom = std::max<LONG>(box.bottom, y + 1);
    }
  if (!any) return std::nullopt;
  return box;
}

SIZE BoxTextSize(const std::string& text) {
  // As the box lays out its text on a screen of the test's size: at most 520 pixels wide.
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  RECT measured{0, 0, 520, 0};
  DrawText(dc, text.c_str(), -1, &measured, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(dc, oldFont);
  DeleteDC(dc);
  return SIZE{measured.right - measured.left, measured.bottom - measured.top};
}

}  // namespace qh::programs::testing
