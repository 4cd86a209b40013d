// display_settings.cpp — EnumDisplaySettingsA for the primary display's
// current mode.
//
// The mode is the one DirectDraw reports for the desktop (the render
// resolution a full-screen saver gets when it asks for the desktop's own
// mode), so the two never disagree. Named devices and numbered modes are
// not offered.
#include <windows.h>

#include "platform/platform.h"

BOOL EnumDisplaySettingsA(LPCSTR deviceName, DWORD modeNum, LPDEVMODEA devMode) {
    if (!devMode || deviceName) return FALSE;
    if (modeNum != ENUM_CURRENT_SETTINGS && modeNum != ENUM_REGISTRY_SETTINGS) return FALSE;
    int width = 0, height = 0, bitCount = 0;
    if (!platform::GetDesktopDisplayMode(&width, &height, &bitCount)) return FALSE;
    devMode->dmBitsPerPel = static_cast<DWORD>(bitCount);
    devMode->dmPelsWidth = static_cast<DWORD>(width);
    devMode->dmPelsHeight = static_cast<DWORD>(height);
    devMode->dmDisplayFrequency = 0;  // the display's default rate
    devMode->dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
    return TRUE;
}
