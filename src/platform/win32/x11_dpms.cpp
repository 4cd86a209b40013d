// x11_dpms.cpp — display power management state through libXext.
#include "platform/win32/x11_dpms.h"

#include <X11/extensions/dpms.h>

namespace platform {

bool X11HasDpms(Display* display) {
    int eventBase = 0, errorBase = 0;
    return display && DPMSQueryExtension(display, &eventBase, &errorBase) && DPMSCapable(display);
}

bool X11MonitorPowered(Display* display) {
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    if (!display || !DPMSInfo(display, &level, &enabled)) return true;
    return !enabled || level == DPMSModeOn;
}

}  // namespace platform
