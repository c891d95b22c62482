#include "tests/display/ScreenSettle.h"

#include <thread>

namespace qh::programs::testing {

int Differing(const qh::gdi::Surface& a, const qh::gdi::Surface& b) {
  int count = 0;
  for (int y = 0; y < a.height() && y < b.height(); ++y)
    for (int x = 0; x < a.width() && x < b.width(); ++x) count += (a.at(x, y) & 0xFFFFFF) != (b.at(x, y) & 0xFFFFFF);
  return count;
}

std::optional<qh::gdi::Surface> Settled(const qh::gdi::testing::XDisplaySession& session, const RECT& area,
                                        std::chrono::seconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  const int width = area.right - area.left, height = area.bottom - area.top;
  std::optional<qh::gdi::Surface> last = session.Grab(area.left, area.top, width, height);
  while (std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    std::optional<qh::gdi::Surface> now = session.Grab(area.left, area.top, width, height);
    if (last && now && Differing(*last, *now) < 200) return now;
    last = now;
  }
  return std::nullopt;
}

}  // namespace qh::programs::testing
