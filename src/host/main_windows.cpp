// main_windows.cpp — the entry of vexlar3d.scr, the native Windows build.
//
// Windows starts a screen saver with the switches of the design alone
// (/s, /p N, /l N, /c[:N], /a N): the host reads them from GetCommandLineA
// and ends the process itself. The entry only joins the application to the
// host.
#include <windows.h>

#include "app/saver_app.h"
#include "app/video_modes.h"
#include "host/dispatch.h"
#include "host/saver_window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    SetSaverApplicationProc(SaverAppProc);
    SetVideoModeMenu(AppVideoModeMenu());
    HostMain();
    return 0;
}
