// The desktop's dock windows (task bars and panels: windows whose _NET_WM_WINDOW_TYPE holds
// _NET_WM_WINDOW_TYPE_DOCK), found and hidden or shown with plain Xlib calls on any connection.
#pragma once

#include <vector>

// Xlib's own header stays out: its macros (None, Bool, Status) clash with other libraries' names.
typedef struct _XDisplay Display;

namespace orbeta {

using XWindowId = unsigned long;  // Xlib's Window

// The dock windows among the root window's children and their children (a re-parenting window
// manager puts a panel inside a frame), mapped or not. Windows that vanish while they are
// looked at are left out; X errors on `display` are caught, not passed to the error handler.
std::vector<XWindowId> DockWindows(Display* display);

// Maps (shown) or unmaps every dock window, and waits until the server has done it. Returns
// false when a request failed (a window vanished meanwhile).
bool SetDockWindowsShown(Display* display, bool shown);

}  // namespace orbeta
