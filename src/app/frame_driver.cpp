// frame_driver.cpp — InitApp with its mode fall-backs, one frame per tick,
// lost surfaces, resizing and the tear-down.
#include "app/frame_driver.h"

#include <cstring>
#include <new>

#include "config/settings.h"
#include "music/music_player.h"
#include "scene/flight_scene.h"

namespace {

constexpr DWORD kFallbackWidth = 640;
constexpr DWORD kFallbackHeight = 480;
constexpr DWORD kFallbackBitCount = 16;

void SetMode(DDSURFACEDESC2& mode, DWORD width, DWORD height, DWORD bitCount) {
    mode.dwWidth = width;
    mode.dwHeight = height;
    mode.ddpfPixelFormat.dwRGBBitCount = bitCount;
}

// The first mode to try: the desktop's own when the settings ask for it (and
// it can be read), else the configured one, which the window procedure has
// already validated.
void ChooseFirstMode(DDSURFACEDESC2& mode) {
    SetMode(mode, static_cast<DWORD>(CurrentSettings.Width), static_cast<DWORD>(CurrentSettings.Height),
            static_cast<DWORD>(CurrentSettings.BitCount));
    if (!CurrentSettings.UseDesktopSettings) return;
    DEVMODEA desktop;
    std::memset(&desktop, 0, sizeof desktop);
    desktop.dmSize = sizeof desktop;
    if (EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &desktop)) {
        SetMode(mode, desktop.dmPelsWidth, desktop.dmPelsHeight, desktop.dmBitsPerPel);
    }
}

bool IsChildWindow(HWND window) {
    return (static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)) & WS_CHILD) != 0;
}

}  // namespace

HRESULT InitApp(HWND window) {
    DDSURFACEDESC2 mode;
    std::memset(&mode, 0, sizeof mode);

    if (FAILED(SetupScene())) return E_FAIL;
    if (!Framework) {
        Framework = new (std::nothrow) D3DFramework;
        if (!Framework) return E_OUTOFMEMORY;
    }

    ChooseFirstMode(mode);
    if (SUCCEEDED(InitDeviceObjects(window, &mode, &IID_IDirect3DHALDevice))) return S_OK;

    SetMode(mode, mode.dwWidth, mode.dwHeight, kFallbackBitCount);
    if (SUCCEEDED(InitDeviceObjects(window, &mode, &IID_IDirect3DHALDevice))) return S_OK;

    SetMode(mode, kFallbackWidth, kFallbackHeight, kFallbackBitCount);
    if (SUCCEEDED(InitDeviceObjects(window, &mode, &IID_IDirect3DHALDevice))) return S_OK;

    if (SUCCEEDED(InitDeviceObjects(window, &mode, &IID_IDirect3DRGBDevice))) return S_OK;
    return E_FAIL;
}

HRESULT InitDeviceObjects(HWND window, DDSURFACEDESC2* mode, const GUID* deviceType) {
    if (!Framework) return E_FAIL;
    DWORD flags = kFrameworkZBuffer;
    // The preview child gets a windowed device, the saver window a full-screen one.
    if (!IsChildWindow(window)) flags |= kFrameworkFullscreen;

    HRESULT hr = Framework->Initialize(window, nullptr, deviceType, mode, flags);
    if (FAILED(hr)) return hr;

    IDirect3DDevice7* device = Framework->GetDevice();
    hr = CreateSceneDeviceObjects(window, device);
    if (SUCCEEDED(hr)) return S_OK;
    ReleaseDeviceObjects(window, device);
    Framework->DestroyObjects();
    return hr;
}

HRESULT RenderFrame() {
    if (!Framework || !Framework->GetDirectDraw()) return E_FAIL;
    // Another program owns the display (or changed its mode): skip this tick.
    if (FAILED(Framework->GetDirectDraw()->TestCooperativeLevel())) return S_OK;

    IDirect3DDevice7* device = Framework->GetDevice();
    const float seconds = static_cast<float>(timeGetTime()) * 0.001f;
    if (FAILED(UpdateScene(device, seconds))) return E_FAIL;
    if (FAILED(DrawScene(device))) return E_FAIL;
    if (Framework->ShowFrame() == DDERR_SURFACELOST) {
        Framework->RestoreSurfaces();
        RestoreDeviceObjects();
    }
    return S_OK;
}

void ShutdownApp(HWND window) {
    if (Framework) {
        ReleaseDeviceObjects(window, Framework->GetDevice());
        DeleteDeviceObjects();
        delete Framework;  // its destructor releases the DirectDraw and Direct3D objects
        Framework = nullptr;
    }
    SaverApp.running = false;
}

void ReleaseDeviceObjects(HWND, IDirect3DDevice7*) {
    // The handles become null, so that a later attempt or a second release
    // never frees a texture twice.
    ReleaseSceneTextures();
    if (MusicWanted()) StopMusic();
}

HRESULT RestoreDeviceObjects() { return S_OK; }

HRESULT DeleteDeviceObjects() { return S_OK; }

HRESULT ResizeApp(HWND window) {
    if (!Framework || Framework->isFullscreen || !IsChildWindow(window)) return S_OK;
    RECT client{};
    GetClientRect(window, &client);
    if (client.right <= 0 || client.bottom <= 0) return S_OK;
    if (Framework->GetDevice() && Framework->width == static_cast<DWORD>(client.right) &&
        Framework->height == static_cast<DWORD>(client.bottom)) {
        return S_OK;
    }

    ReleaseSceneTextures();
    Framework->DestroyObjects();
    DDSURFACEDESC2 mode;
    std::memset(&mode, 0, sizeof mode);
    HRESULT hr = Framework->Initialize(window, nullptr, &IID_IDirect3DHALDevice, &mode, kFrameworkZBuffer);
    if (FAILED(hr)) hr = Framework->Initialize(window, nullptr, &IID_IDirect3DRGBDevice, &mode, kFrameworkZBuffer);
    if (FAILED(hr)) return hr;
    hr = CreateSceneDeviceObjects(window, Framework->GetDevice());
    if (FAILED(hr)) {
        ReleaseSceneTextures();
        Framework->DestroyObjects();
    }
    return hr;
}
