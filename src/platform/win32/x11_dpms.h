// x11_dpms.h — whether the X server's display power management has the
// monitor powered. Its own file: the extension's header defines Win32 type
// names (BOOL) of its own, which clash with windows.h.
#pragma once

#include <X11/Xlib.h>

namespace platform {

// Whether `display` has the extension at all.
bool X11HasDpms(Display* display);
// False only when power management is enabled and the monitor is in standby,
// suspend or off.
bool X11MonitorPowered(Display* display);

}  // namespace platform
