// How every administrator function ends on an exception: the engine's errors through the DAO error
// reporter, lack of memory and anything else through the administrator's own messages.
#pragma once

#include <functional>

// Runs `body`; true when it ran to its end, false when an exception stopped it (already shown).
bool RunReportingErrors(const std::function<void()>& body);
