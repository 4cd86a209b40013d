// d3d_framework.h — D3DFramework: DirectDraw 7 and a Direct3D 7 device for
// one window.
//
// Full screen: exclusive mode, the requested display mode and a flipping
// chain (optionally stereo). Windowed: a clipped primary surface and an
// off-screen back buffer that ShowFrame blits to the client area. A z-buffer
// is attached when asked for and the device needs one. Every interface field
// holds one reference that DestroyObjects releases; the failures are the
// framework's own result codes below, except DDERR_OUTOFVIDEOMEMORY from a
// surface creation, which is passed through.
#pragma once

#include <d3d.h>
#include <ddraw.h>
#include <windows.h>

// Flags of Initialize.
inline constexpr DWORD kFrameworkFullscreen = 1;
inline constexpr DWORD kFrameworkStereo = 2;      // full screen only, and only when the mode asks for it
inline constexpr DWORD kFrameworkZBuffer = 4;
inline constexpr DWORD kFrameworkNoFpuSetup = 8;  // leave DDSCL_FPUSETUP out of the cooperative level

// Result codes of the framework.
inline constexpr HRESULT kFrameworkNoDirectDraw = static_cast<HRESULT>(0x82000001);
inline constexpr HRESULT kFrameworkNoCooperativeLevel = static_cast<HRESULT>(0x82000002);
inline constexpr HRESULT kFrameworkNoDirect3D = static_cast<HRESULT>(0x82000003);
inline constexpr HRESULT kFrameworkNoDevice = static_cast<HRESULT>(0x82000004);
inline constexpr HRESULT kFrameworkNoZBuffer = static_cast<HRESULT>(0x82000005);
inline constexpr HRESULT kFrameworkNoViewport = static_cast<HRESULT>(0x82000007);
inline constexpr HRESULT kFrameworkNoPrimarySurface = static_cast<HRESULT>(0x82000008);
inline constexpr HRESULT kFrameworkNoClipper = static_cast<HRESULT>(0x82000009);
inline constexpr HRESULT kFrameworkBadDisplayMode = static_cast<HRESULT>(0x8200000A);
inline constexpr HRESULT kFrameworkNoBackBuffer = static_cast<HRESULT>(0x8200000B);
inline constexpr HRESULT kFrameworkStillReferenced = static_cast<HRESULT>(0x8200000C);
inline constexpr HRESULT kFrameworkPalettizedDesktop = static_cast<HRESULT>(0x8200000E);
inline constexpr HRESULT kFrameworkNoFrontBuffer = static_cast<HRESULT>(0x8200000F);

class D3DFramework {
public:
    D3DFramework() = default;
    ~D3DFramework();
    D3DFramework(const D3DFramework&) = delete;
    D3DFramework& operator=(const D3DFramework&) = delete;

    // `driver` null means the primary display. `mode` gives width, height,
    // bit count, refresh rate and the stereo caps; it is needed in full
    // screen only.
    HRESULT Initialize(HWND renderWindow, GUID* driver, const GUID* deviceType, const DDSURFACEDESC2* mode, DWORD flags);
    // 0, or kFrameworkStillReferenced when the device or the DirectDraw
    // object outlived its release.
    HRESULT DestroyObjects();
    // The flip or blit result; DDERR_SURFACELOST asks for RestoreSurfaces.
    HRESULT ShowFrame();
    HRESULT RestoreSurfaces();

    IDirectDraw7* GetDirectDraw() const { return directDraw; }
    IDirect3DDevice7* GetDevice() const { return device; }

    HWND window = nullptr;
    BOOL isFullscreen = FALSE;
    BOOL isStereo = FALSE;
    DWORD width = 0;
    DWORD height = 0;
    RECT screenRect{};  // full screen: the mode's rectangle; windowed: the client area on the screen
    IDirectDraw7* directDraw = nullptr;
    IDirect3D7* direct3D = nullptr;
    IDirect3DDevice7* device = nullptr;
    IDirectDrawSurface7* frontBuffer = nullptr;
    IDirectDrawSurface7* backBuffer = nullptr;
    IDirectDrawSurface7* backBufferRight = nullptr;
    IDirectDrawSurface7* zBuffer = nullptr;
    DWORD deviceMemoryType = 0;  // DDSCAPS_VIDEOMEMORY or DDSCAPS_SYSTEMMEMORY, for the z-buffer

private:
    HRESULT CreateObjects(GUID* driver, const GUID& deviceType, const DDSURFACEDESC2* mode, DWORD flags);
    HRESULT CreateFullscreenBuffers(const DDSURFACEDESC2& mode);
    HRESULT CreateWindowedBuffers();
    HRESULT CreateDevice(const GUID& deviceType);
    HRESULT CreateZBuffer(const GUID& deviceType);
};
