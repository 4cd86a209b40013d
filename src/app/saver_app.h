// saver_app.h — the application's window procedure for the saver window.
//
// SaverWndProc hands it every message the host does not consume; what it does
// not consume goes on to DefSaverProc. It owns the start-up order (display
// modes, settings, preview picture, mode validation, scene start values,
// device and scene, music, frame clock, timer), one frame per timer tick,
// the mouse-move budget, the preview painting and the tear-down.
#pragma once

#include <windows.h>

#include <cstdint>

inline constexpr int kPreviewBitmapId = 253;  // the 155 x 115 preview picture
inline constexpr UINT_PTR kFrameTimerId = 1;
inline constexpr int32_t kMouseMoveBudget = 18;
inline constexpr int32_t kAutomaticMaxFps = -1;
inline constexpr int32_t kDefaultMaxFps = 60;

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
    // kDefaultMaxFps where the display does not pace the frames itself.
    int32_t maxFps = kAutomaticMaxFps;
};

extern SaverAppState SaverApp;

// Back to the start values (tests run many saver windows in one process).
void ResetSaverApp();

LRESULT SaverAppProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The application's own preview flag for a command line: the letter after
// the first "/" or "-" past the program name is "p" or "P".
bool PreviewFromCommandLine(LPCSTR commandLine);

// The frame timer's interval: the cap's period, or the delay asked for,
// whichever is longer. Without vertical sync nothing but the cap keeps a
// software renderer from drawing hundreds of frames a second at full CPU.
UINT FrameTimerInterval();

// Whether music plays for the settings in force: Music on, not a preview,
// and allowed by the way the saver was started.
bool MusicWanted();
