// A popup menu shown on a display: a top-level window of the menu's items at a screen point, driven by
// the mouse (the pointer highlights, a release chooses, a press outside dismisses) and the keyboard
// (arrows, Enter, Escape, the underlined letters). Used by TrackPopupMenu when a display is active and no
// test answerer is installed.
#pragma once

#include "platform/ui/Menu.h"

namespace qh::ui {

// Runs the menu until the user chooses (the command) or dismisses it (0).
UINT RunPopupMenuWindow(const MenuRequest& request);

}  // namespace qh::ui
