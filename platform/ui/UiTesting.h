// Hooks for tests of the window layer and of the programs: they make rare failures reachable.
#pragma once

#include <cstddef>

namespace qh::ui::testing {

// Makes SetTimer fail once the calling program's threads hold `limit` timers each (the platform's
// timers are a limited resource); ResetTimerLimit restores the normal limit.
void SetTimerLimit(std::size_t limit);
void ResetTimerLimit();

}  // namespace qh::ui::testing
