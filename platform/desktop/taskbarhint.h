#pragma once

// Taskbar button of a top-level window. On X11 this is the EWMH state
// _NET_WM_STATE_SKIP_TASKBAR; other desktops offer no hint we can set.

class QWindow;

namespace gaugeloft::platform {

// Shows or hides the window's taskbar button. False when the desktop offers no such hint
// (not X11). The window's native handle is created if needed.
bool SetSkipTaskbar(QWindow* window, bool skip);
// Whether the window carries the skip-taskbar state (X11 only; false elsewhere).
bool HasSkipTaskbar(QWindow* window);

}  // namespace gaugeloft::platform
