// saver_app.cpp — the application's window procedure for the saver window.
#include "app/saver_app.h"

#include "host/saver_window.h"

LRESULT SaverAppProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Start-up, frames, painting and tear-down of the application come later; until then every message goes on.
    return DefSaverProc(window, message, wParam, lParam);
}
