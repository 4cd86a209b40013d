// saver_app.cpp — the application's window procedure for the saver window.
//
// A device that cannot be brought up is said in one line on stderr and
// leaves a black, inert window that the host's close rules still end, the
// run then ending with 1 (or, started by a Linux host, no window: the run
// ends with 1 at once). Music that will not start leaves the saver silent.
#include "app/saver_app.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/frame_driver.h"
#include "app/video_modes.h"
#include "config/registry_settings.h"
#include "config/setting_table.h"
#include "config/settings.h"
#include "host/saver_window.h"
#include "music/music_player.h"
#include "platform/platform.h"
#include "scene/flight_scene.h"

namespace {

constexpr LONG kFallbackModeWidth = 800;
constexpr LONG kFallbackModeHeight = 600;
constexpr LONG kFallbackModeBitCount = 16;

// The configured mode stays when the current display device lists it; else
// 800 x 600 x 16 when listed, else the device's first mode. In memory only.
void ValidateVideoMode() {
    if (FindVideoMode(CurrentSettings.Height, CurrentSettings.Width, CurrentSettings.BitCount)) return;
    if (FindVideoMode(kFallbackModeHeight, kFallbackModeWidth, kFallbackModeBitCount)) {
        CurrentSettings.Width = kFallbackModeWidth;
        CurrentSettings.Height = kFallbackModeHeight;
        CurrentSettings.BitCount = kFallbackModeBitCount;
        return;
    }
    LONG height = 0, width = 0, bitCount = 0;  // LONG is wider than the settings' fields on Win64
    SelectFirstVideoMode(&height, &width, &bitCount);
    CurrentSettings.Height = static_cast<int32_t>(height);
    CurrentSettings.Width = static_cast<int32_t>(width);
    CurrentSettings.BitCount = static_cast<int32_t>(bitCount);
}

// Where the flight starts and how it is projected; read by the scene's set-up
// and by its device set-up.
void SetSceneStartValues() {
    Scene.eye = Vec3{-4.7f, -2.6f, -73.9f};
    Scene.nearPlane = 0.05f;
    Scene.farPlane = 100.0f;
    Scene.fovX = 0.9424778f;  // 0.3 pi: 54 degrees
    Scene.fovY = 0.9424778f;
    Scene.isPreview = SaverApp.isPreview;
}

LRESULT OnCreate(HWND window) {
    EnumerateDisplayDevices();
    ReadSettings(CurrentSettings);
    ApplyOverrides(CommandLineOverrides, CurrentSettings);  // this run only, never stored
    SaverApp.previewBitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kPreviewBitmapId));
    ValidateVideoMode();
    SaverApp.isPreview = PreviewFromCommandLine(GetCommandLineA());
    SetSceneStartValues();

    if (const HRESULT hr = InitApp(window); FAILED(hr)) {
        // A parent window destroyed half way through is no failure to
        // report: the close rules end the run in order.
        HWND parent = GetParent(window);
        if (parent && !IsWindow(parent)) return 0;
        const std::string reason = platform::DeviceError();
        if (reason.empty())
            std::fprintf(stderr, "vexlar3d: cannot start the 3D device (error 0x%08x)\n", static_cast<uint32_t>(hr));
        else
            std::fprintf(stderr, "vexlar3d: cannot start the 3D device: %s\n", reason.c_str());
        // -1: the window is destroyed and the run ends with the host's no-window code.
        if (SaverApp.endWhenDeviceFails) return -1;
        // Else black until the close rules end it; the preview's still picture needs no device.
        SaverApp.deviceFailed = !SaverApp.isPreview;
        return 0;
    }

    // Where several copies run at once (one per monitor), the first plays;
    // the others take over when it ends.
    if (MusicWanted()) {
        if (platform::TakeMusicLock()) StartMusic(window, CurrentSettings.MusicVolume);
        else SetTimer(window, kMusicTakeOverTimerId, kMusicTakeOverIntervalMs, nullptr);
    }
    Scene.lastFrameTime = timeGetTime();
    SaverApp.running = true;
    SetTimer(window, kFrameTimerId, FrameTimerInterval(), nullptr);
    return 0;
}

// The preview picture at the top-left corner, unscaled; the rest keeps the
// class's black background.
void PaintPreview(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    HDC memory = CreateCompatibleDC(dc);
    if (memory && SaverApp.previewBitmap) {
        HGDIOBJ previous = SelectObject(memory, SaverApp.previewBitmap);
        BITMAP size{};
        GetObjectA(SaverApp.previewBitmap, sizeof size, &size);
        BitBlt(dc, 0, 0, size.bmWidth, size.bmHeight, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
    }
    if (memory) DeleteDC(memory);
    EndPaint(window, &paint);
}

// Nothing is drawn while nothing can be seen; the flight then goes on from
// where it was, as if no time had passed.
void FollowVisibility(HWND window, bool visible) {
    if (!SaverApp.running || SaverApp.isPreview || visible == !SaverApp.unseen) return;
    SaverApp.unseen = !visible;
    if (!visible) {
        KillTimer(window, kFrameTimerId);
        return;
    }
    Scene.lastFrameTime = timeGetTime();
    SetTimer(window, kFrameTimerId, FrameTimerInterval(), nullptr);
}

}  // namespace

UINT FrameTimerInterval() {
    int32_t cap = SaverApp.maxFps;
    if (cap == kAutomaticMaxFps) {
        cap = platform::VerticalSyncInEffect()       ? 0
              : platform::SoftwareRendererInEffect() ? kSoftwareMaxFps
                                                     : kDefaultMaxFps;
    }
    // Rounded up: the cap is never exceeded.
    const UINT capped = cap > 0 ? static_cast<UINT>((1000 + cap - 1) / cap) : 0;
    return std::max(capped, SaverApp.frameDelayMs);
}

bool PreviewFromCommandLine(LPCSTR commandLine) {
    if (!commandLine) return false;
    LPCSTR p = commandLine;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p && *p != ' ') ++p;
        if (*p == ' ') ++p;
    }
    while (*p && *p != '/' && *p != '-') ++p;
    if (!*p) return false;
    return p[1] == 'p' || p[1] == 'P';
}

LRESULT SaverAppProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return OnCreate(window);
    case WM_KEYDOWN:
        break;  // every key closes (the host's rules)
    case WM_TIMER:
        if (wParam == kMusicTakeOverTimerId) {
            if (platform::TakeMusicLock()) {
                KillTimer(window, kMusicTakeOverTimerId);
                StartMusic(window, CurrentSettings.MusicVolume);
            }
            return 0;
        }
        if (SaverApp.running && !SaverApp.isPreview) RenderFrame();
        return 0;
    case WM_MOUSEMOVE:
        if (SaverApp.mouseMoveBudget != 0) {
            // With ExitOnMouseMove off the budget never runs out: the mouse never closes the saver.
            if (CurrentSettings.ExitOnMouseMove) --SaverApp.mouseMoveBudget;
            return 0;
        }
        break;
    case WM_PAINT:
        if (SaverApp.isPreview) PaintPreview(window);
        break;
    case WM_SHOWWINDOW:
        if (lParam == SW_PARENTCLOSING || lParam == SW_PARENTOPENING) FollowVisibility(window, wParam != FALSE);
        break;
    case WM_SIZE:
        // Inside another program's window (xscreensaver), the flight follows its size.
        if (SaverApp.running && !SaverApp.isPreview) ResizeApp(window);
        else if (SaverApp.isPreview) InvalidateRect(window, nullptr, TRUE);
        break;
    case WM_DESTROY:
        if (SaverApp.previewBitmap) DeleteObject(SaverApp.previewBitmap);
        SaverApp.previewBitmap = nullptr;
        KillTimer(window, kFrameTimerId);
        KillTimer(window, kMusicTakeOverTimerId);
        ShutdownApp(window);
        // After the host's own quit message (0), whose code this one replaces.
        if (SaverApp.deviceFailed) PostQuitMessage(kDeviceFailedExitCode);
        break;
    default:
        break;
    }
    return DefSaverProc(window, message, wParam, lParam);
}
