// d3d_framework.cpp — bring-up, presentation and tear-down of the DirectDraw
// and Direct3D objects of D3DFramework.
#include "app/d3d_framework.h"

#include <cstring>

namespace {

template <typename T>
void ReleaseAndClear(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

// A failed surface creation: out of video memory is the caller's to see,
// anything else becomes the framework's code for that surface.
HRESULT SurfaceFailure(HRESULT hr, HRESULT code) { return hr == DDERR_OUTOFVIDEOMEMORY ? hr : code; }

struct ZBufferSearch {
    DWORD wantedDepth;
    bool found;
    DDPIXELFORMAT format;
};

HRESULT FindZBufferFormat(LPDDPIXELFORMAT format, LPVOID context) {
    auto* search = static_cast<ZBufferSearch*>(context);
    if (!format || format->dwZBufferBitDepth != search->wantedDepth) return D3DENUMRET_OK;
    std::memcpy(&search->format, format, sizeof(DDPIXELFORMAT));
    search->found = true;
    return D3DENUMRET_CANCEL;
}

}  // namespace

D3DFramework::~D3DFramework() { DestroyObjects(); }

HRESULT D3DFramework::Initialize(HWND renderWindow, GUID* driver, const GUID* deviceType, const DDSURFACEDESC2* mode,
                                 DWORD flags) {
    if (!renderWindow || !deviceType || ((flags & kFrameworkFullscreen) && !mode)) return E_INVALIDARG;
    // A second Initialize replaces the objects of the first instead of leaking them.
    DestroyObjects();

    window = renderWindow;
    isFullscreen = (flags & kFrameworkFullscreen) ? TRUE : FALSE;
    isStereo = (flags & kFrameworkFullscreen) && (flags & kFrameworkStereo) &&
                       (mode->ddsCaps.dwCaps2 & DDSCAPS2_STEREOSURFACELEFT)
                   ? TRUE
                   : FALSE;

    HRESULT hr = CreateObjects(driver, *deviceType, mode, flags);
    if (FAILED(hr)) DestroyObjects();
    return hr;
}

HRESULT D3DFramework::CreateObjects(GUID* driver, const GUID& deviceType, const DDSURFACEDESC2* mode,
                                    DWORD flags) {
    deviceMemoryType = (deviceType == IID_IDirect3DHALDevice || deviceType == IID_IDirect3DTnLHalDevice)
                           ? DDSCAPS_VIDEOMEMORY
                           : DDSCAPS_SYSTEMMEMORY;

    if (FAILED(DirectDrawCreateEx(driver, reinterpret_cast<LPVOID*>(&directDraw), IID_IDirectDraw7, nullptr)) ||
        !directDraw) {
        directDraw = nullptr;
        return kFrameworkNoDirectDraw;
    }
    DWORD cooperation = isFullscreen ? DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE : DDSCL_NORMAL;
    if (!(flags & kFrameworkNoFpuSetup)) cooperation |= DDSCL_FPUSETUP;
    if (FAILED(directDraw->SetCooperativeLevel(window, cooperation))) return kFrameworkNoCooperativeLevel;

    // A palettized desktop cannot hold a device, windowed or not; judged before any mode change.
    DDSURFACEDESC2 desktop{};
    desktop.dwSize = sizeof(desktop);
    if (FAILED(directDraw->GetDisplayMode(&desktop)) || desktop.ddpfPixelFormat.dwRGBBitCount <= 8)
        return kFrameworkPalettizedDesktop;

    HRESULT hr = isFullscreen ? CreateFullscreenBuffers(*mode) : CreateWindowedBuffers();
    if (FAILED(hr)) return hr;
    hr = CreateDevice(deviceType);
    if (FAILED(hr)) return hr;
    if (flags & kFrameworkZBuffer) return CreateZBuffer(deviceType);
    return S_OK;
}

HRESULT D3DFramework::CreateFullscreenBuffers(const DDSURFACEDESC2& mode) {
    width = mode.dwWidth;
    height = mode.dwHeight;
    screenRect = RECT{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};

    DWORD bitCount = mode.ddpfPixelFormat.dwRGBBitCount;
    DWORD modeFlags = (width == 320 && height == 200 && bitCount == 8) ? DDSDM_STANDARDVGAMODE : 0;
    if (FAILED(directDraw->SetDisplayMode(width, height, bitCount, mode.dwRefreshRate, modeFlags)))
        return kFrameworkBadDisplayMode;

    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
    desc.dwBackBufferCount = 1;
    if (isStereo) {
        desc.ddsCaps.dwCaps |= DDSCAPS_VIDEOMEMORY;
        desc.ddsCaps.dwCaps2 |= DDSCAPS2_STEREOSURFACELEFT;
    }
    HRESULT hr = directDraw->CreateSurface(&desc, &frontBuffer, nullptr);
    if (FAILED(hr)) {
        frontBuffer = nullptr;
        return SurfaceFailure(hr, kFrameworkNoPrimarySurface);
    }

    // The back buffer is part of the flipping chain; the framework keeps an
    // extra reference on it, as it holds one on the windowed back buffer.
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_BACKBUFFER;
    if (FAILED(frontBuffer->GetAttachedSurface(&caps, &backBuffer)) || !backBuffer) {
        backBuffer = nullptr;
        return kFrameworkNoBackBuffer;
    }
    backBuffer->AddRef();

    if (isStereo) {
        DDSCAPS2 rightCaps{};
        rightCaps.dwCaps2 = DDSCAPS2_STEREOSURFACELEFT;
        if (FAILED(backBuffer->GetAttachedSurface(&rightCaps, &backBufferRight)) || !backBufferRight) {
            backBufferRight = nullptr;
            return kFrameworkNoBackBuffer;
        }
        backBufferRight->AddRef();
    }
    return S_OK;
}

HRESULT D3DFramework::CreateWindowedBuffers() {
    RECT client{};
    GetClientRect(window, &client);
    POINT topLeft{client.left, client.top};
    POINT bottomRight{client.right, client.bottom};
    ClientToScreen(window, &topLeft);
    ClientToScreen(window, &bottomRight);
    screenRect = RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    width = static_cast<DWORD>(screenRect.right - screenRect.left);
    height = static_cast<DWORD>(screenRect.bottom - screenRect.top);

    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    HRESULT hr = directDraw->CreateSurface(&desc, &frontBuffer, nullptr);
    if (FAILED(hr)) {
        frontBuffer = nullptr;
        return SurfaceFailure(hr, kFrameworkNoPrimarySurface);
    }

    // Without its clipper the present blit would paint over other windows.
    IDirectDrawClipper* clipper = nullptr;
    if (FAILED(directDraw->CreateClipper(0, &clipper, nullptr)) || !clipper) return kFrameworkNoClipper;
    bool attached = SUCCEEDED(clipper->SetHWnd(0, window)) && SUCCEEDED(frontBuffer->SetClipper(clipper));
    clipper->Release();
    if (!attached) return kFrameworkNoClipper;

    desc = DDSURFACEDESC2{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = width;
    desc.dwHeight = height;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE;
    hr = directDraw->CreateSurface(&desc, &backBuffer, nullptr);
    if (FAILED(hr)) {
        backBuffer = nullptr;
        return SurfaceFailure(hr, kFrameworkNoBackBuffer);
    }
    return S_OK;
}

HRESULT D3DFramework::CreateDevice(const GUID& deviceType) {
    if (FAILED(directDraw->QueryInterface(IID_IDirect3D7, reinterpret_cast<LPVOID*>(&direct3D))) || !direct3D) {
        direct3D = nullptr;
        return kFrameworkNoDirect3D;
    }
    if (FAILED(direct3D->CreateDevice(deviceType, backBuffer, &device)) || !device) {
        device = nullptr;
        return kFrameworkNoDevice;
    }
    D3DVIEWPORT7 viewport{0, 0, width, height, 0.0f, 1.0f};
    if (FAILED(device->SetViewport(&viewport))) return kFrameworkNoViewport;
    return S_OK;
}

HRESULT D3DFramework::CreateZBuffer(const GUID& deviceType) {
    D3DDEVICEDESC7 caps{};
    if (SUCCEEDED(device->GetCaps(&caps)) && (caps.dpcTriCaps.dwRasterCaps & D3DPRASTERCAPS_ZBUFFERLESSHSR))
        return S_OK;

    DDSURFACEDESC2 back{};
    back.dwSize = sizeof(back);
    if (FAILED(backBuffer->GetSurfaceDesc(&back))) {
        back.dwWidth = width;
        back.dwHeight = height;
    }

    // The back buffer's own depth first, then 16 bits.
    ZBufferSearch search{back.ddpfPixelFormat.dwRGBBitCount, false, {}};
    direct3D->EnumZBufferFormats(deviceType, FindZBufferFormat, &search);
    if (!search.found) {
        search.wantedDepth = 16;
        direct3D->EnumZBufferFormats(deviceType, FindZBufferFormat, &search);
    }
    if (!search.found) return kFrameworkNoZBuffer;

    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    desc.dwWidth = back.dwWidth;
    desc.dwHeight = back.dwHeight;
    desc.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | deviceMemoryType;
    desc.ddpfPixelFormat = search.format;
    HRESULT hr = directDraw->CreateSurface(&desc, &zBuffer, nullptr);
    if (FAILED(hr)) {
        zBuffer = nullptr;
        return SurfaceFailure(hr, kFrameworkNoZBuffer);
    }
    if (FAILED(backBuffer->AddAttachedSurface(zBuffer))) return kFrameworkNoZBuffer;
    if (backBufferRight && FAILED(backBufferRight->AddAttachedSurface(zBuffer))) return kFrameworkNoZBuffer;
    // Setting the render target again makes the device pick up the new depth buffer.
    if (FAILED(device->SetRenderTarget(backBuffer, 0))) return kFrameworkNoZBuffer;
    return S_OK;
}

HRESULT D3DFramework::ShowFrame() {
    if (!frontBuffer) return kFrameworkNoFrontBuffer;
    if (isFullscreen) return frontBuffer->Flip(nullptr, isStereo ? DDFLIP_WAIT | DDFLIP_STEREO : DDFLIP_WAIT);
    return frontBuffer->Blt(&screenRect, backBuffer, nullptr, DDBLT_WAIT, nullptr);
}

HRESULT D3DFramework::RestoreSurfaces() {
    if (directDraw) directDraw->RestoreAllSurfaces();
    return S_OK;
}

HRESULT D3DFramework::DestroyObjects() {
    if (directDraw) directDraw->SetCooperativeLevel(window, DDSCL_NORMAL);

    ULONG deviceRefs = 0;
    if (device) deviceRefs = device->Release();
    device = nullptr;
    ReleaseAndClear(backBuffer);
    ReleaseAndClear(backBufferRight);
    ReleaseAndClear(zBuffer);
    ReleaseAndClear(frontBuffer);
    ReleaseAndClear(direct3D);
    ULONG directDrawRefs = 0;
    if (directDraw) directDrawRefs = directDraw->Release();
    directDraw = nullptr;

    return (deviceRefs != 0 || directDrawRefs != 0) ? kFrameworkStillReferenced : S_OK;
}
