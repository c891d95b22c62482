// Waiting for an area of the screen to stop changing: the programs bring up their zones and panels by
// start-up timers after the main window is shown, and a test acts only on a screen a user would see at rest.
#pragma once

#include <chrono>
#include <optional>

#include "platform/core/WinTypes.h"
#include "platform/ui/gdi/Surface.h"
#include "platform/ui/gdi/tests/XDisplaySession.h"

namespace qh::programs::testing {

// How many pixels of `a` and `b` differ (the colour only).
int Differing(const qh::gdi::Surface& a, const qh::gdi::Surface& b);
// The area once two grabs 700 ms apart differ by less than a clock's tick, within `limit`.
std::optional<qh::gdi::Surface> Settled(const qh::gdi::testing::XDisplaySession& session, const RECT& area,
                                        std::chrono::seconds limit);

}  // namespace qh::programs::testing
