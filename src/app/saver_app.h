// saver_app.h — the application's window procedure for the saver window.
//
// SaverWndProc hands it every message the host does not consume; what it does
// not consume goes on to DefSaverProc.
#pragma once

#include <windows.h>

LRESULT SaverAppProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
