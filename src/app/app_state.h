// app_state.h — the application's state shared by its window procedure and
// its frame driver: the saver's run flags, the one device framework, and
// whether music is wanted. Neither of the two includes the other for it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/d3d_framework.h"

inline constexpr int32_t kMouseMoveBudget = 18;
inline constexpr int32_t kAutomaticMaxFps = -1;
inline constexpr int32_t kDefaultMaxFps = 60;
// On a renderer that draws on the processor, as the stock hacks pace themselves.
inline constexpr int32_t kSoftwareMaxFps = 30;
inline constexpr int kDeviceFailedExitCode = 1;

struct SaverAppState {
    HBITMAP previewBitmap = nullptr;
    bool isPreview = false;  // from the command line; independent of the host's flag
    bool running = false;    // frames are driven only while set
    bool unseen = false;     // nothing of the window can be seen: no frames, no timer
    int32_t mouseMoveBudget = kMouseMoveBudget;
    // Cleared for xscreensaver's small settings preview (-window-id), which
    // renders the flight but must stay silent.
    bool musicAllowed = true;
    // Least time between frames (--delay), in milliseconds.
    UINT frameDelayMs = 0;
    // Most frames a second (--max-fps); 0 for no cap, kAutomaticMaxFps for
    // kDefaultMaxFps (kSoftwareMaxFps on a software renderer) where the
    // display does not pace the frames itself.
    int32_t maxFps = kAutomaticMaxFps;
    // Started by a Linux host or for a window of its own (--root, --window-id,
    // --window): a device that cannot be made ends the run with 1 rather
    // than leaving a black window that nobody will close.
    bool endWhenDeviceFails = false;
    // The device could not be brought up and the window stayed black: the
    // run ends with kDeviceFailedExitCode when the close rules end it.
    bool deviceFailed = false;
};

extern SaverAppState SaverApp;

// The one framework; null when none exists.
extern D3DFramework* Framework;

// Back to the start values (tests run many saver windows in one process).
void ResetSaverApp();

// Whether music plays for the settings in force: Music on, not a preview,
// and allowed by the way the saver was started.
bool MusicWanted();
