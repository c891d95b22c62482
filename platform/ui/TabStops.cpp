// Tab stops of list boxes and edits: set in dialog units, drawn in pixels.
#include <algorithm>

#include "platform/ui/ControlSupport.h"
#include "platform/ui/Dialog.h"

namespace qh::ui {

std::vector<int> TabStopPixels(WPARAM count, const int* stops) {
  auto pixels = [](int units) { return static_cast<int>(DialogUnitsToPixels(0, 0, units, 0).right); };
  if (count == 0 || !stops) return {pixels(32)};
  std::vector<int> out;
  for (WPARAM i = 0; i < count; ++i) out.push_back(pixels(stops[i]));
  return out;
}

BOOL TakeTabStops(std::vector<int>& into, WPARAM count, LPARAM stops) {
  const auto* given = reinterpret_cast<const int*>(stops);
  if (count > 0 && !given) return FALSE;
  for (WPARAM i = 1; i < count; ++i)
    if (given[i] <= given[i - 1]) return FALSE;  // stops must rise
  into = TabStopPixels(count, given);
  return TRUE;
}

}  // namespace qh::ui
