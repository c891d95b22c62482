// The graphs' clock: real time, or faster for tests when QH_CLOCK_RATE names a factor (a value above
// 0; "50" plays fifty seconds of sound in one second).
#pragma once

namespace qh::media {

// The factor of QH_CLOCK_RATE as it is now; 1 when unset or unreadable.
double ClockRate();

}  // namespace qh::media
