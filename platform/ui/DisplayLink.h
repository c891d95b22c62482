// Inside the window manager: what the display back end is told about top-level windows, and the input
// it reports. The back end belongs to the thread that showed the first top-level window; windows of
// other threads stay off screen.
#pragma once

#include <memory>

#include "platform/ui/WindowRecord.h"
#include "platform/ui/display/Display.h"

namespace qh::ui {

void DisplayWindowShown(const WindowPtr& window);
void DisplayWindowHidden(const WindowPtr& window);
void DisplayWindowMoved(const WindowPtr& window);
void DisplayWindowRetitled(const WindowPtr& window);
void DisplayWindowDestroyed(const WindowPtr& window);
void DisplayWindowMinimised(const WindowPtr& window);
void DisplayWindowRestored(const WindowPtr& window);
// The window became the active one: it gets the display's keyboard.
void DisplayWindowActivated(const WindowPtr& window);
// A modal window comes up over the owner the user pressed on.
void DisplayWindowBroughtUp(const WindowPtr& window);
// The window's large icon changed (WM_SETICON): the display shows the icon's picture.
void DisplayWindowIconChanged(const WindowPtr& window, HICON icon);
// The window's top-level surface changed: show it.
void DisplayPresent(HWND hWnd);
// Sends the windows painted since the last flush to the screen: when `idle` (the queue ran dry), or
// when the oldest of them has waited a frame.
void FlushDisplayPresents(bool idle);
// True when a back end with a real screen runs on the calling thread (queues then poll for input).
bool DisplayActive();
// The same, choosing the back end first when no window was shown yet (a message box at start-up).
bool DisplayChosenActive();
// Turns the back end's pending input into messages of the calling thread.
void PumpDisplayInput();

}  // namespace qh::ui

namespace qh::ui::testing {
// Replaces the display back end of the calling thread (null goes back to the environment's choice).
void SetDisplayBackend(std::unique_ptr<qh::display::DisplayBackend> backend);
}  // namespace qh::ui::testing
