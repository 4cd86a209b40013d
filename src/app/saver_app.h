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

#include "app/app_state.h"

inline constexpr int kPreviewBitmapId = 253;  // the 155 x 115 preview picture
inline constexpr UINT_PTR kFrameTimerId = 1;
// While another copy plays the music, this one asks for it again this often,
// so that it plays on when that copy ends (killed, or its monitor gone).
inline constexpr UINT_PTR kMusicTakeOverTimerId = 2;
inline constexpr UINT kMusicTakeOverIntervalMs = 2000;

LRESULT SaverAppProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The application's own preview flag for a command line: the letter after
// the first "/" or "-" past the program name is "p" or "P".
bool PreviewFromCommandLine(LPCSTR commandLine);

// The frame timer's interval: the cap's period, or the delay asked for,
// whichever is longer. Without vertical sync nothing but the cap keeps a
// software renderer from drawing hundreds of frames a second at full CPU.
UINT FrameTimerInterval();
