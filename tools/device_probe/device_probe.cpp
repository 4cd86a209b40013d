// device_probe.cpp — brings up a Direct3D device on a window of the Win32
// layer, clears it to a colour, presents it and waits, so that an end-to-end
// test can take a screenshot of the display.
//
//   vexlar_device_probe [--windowed X Y W H] [--bits 16|32] [--color RRGGBB] [--seconds N]
//
// Full screen (the default) uses a flipping chain at 640 x 480 and Flip;
// windowed uses a clipped primary surface and a blit of an off-screen back
// buffer, as the device framework does. Prints "presented" once the first
// frame is on screen; exits 0 after the given time, 1 when a step fails
// (naming it on stderr).
#include <d3d.h>
#include <ddraw.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace {

struct Options {
    bool windowed = false;
    int x = 0, y = 0, width = 0, height = 0;
    DWORD bits = 32;
    DWORD color = 0x00FF8000;
    int seconds = 5;
};

int Fail(const char* step, HRESULT hr) {
    std::fprintf(stderr, "device_probe: %s failed (0x%08X)\n", step, static_cast<unsigned>(hr));
    return 1;
}

LRESULT ProbeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool Parse(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--windowed" && i + 4 < argc) {
            o->windowed = true;
            o->x = std::atoi(argv[++i]);
            o->y = std::atoi(argv[++i]);
            o->width = std::atoi(argv[++i]);
            o->height = std::atoi(argv[++i]);
        } else if (a == "--bits" && i + 1 < argc) {
            o->bits = static_cast<DWORD>(std::atoi(argv[++i]));
        } else if (a == "--color" && i + 1 < argc) {
            o->color = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 16));
        } else if (a == "--seconds" && i + 1 < argc) {
            o->seconds = std::atoi(argv[++i]);
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!Parse(argc, argv, &o)) {
        std::fprintf(stderr,
                     "usage: vexlar_device_probe [--windowed X Y W H] [--bits 16|32] [--color RRGGBB] [--seconds N]\n");
        return 2;
    }
    platform::SelectWindowBackend(platform::WindowBackend::Sdl);

    WNDCLASSA wc{};
    wc.lpfnWndProc = ProbeProc;
    wc.lpszClassName = "VexlarDeviceProbe";
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    if (!RegisterClassA(&wc)) return Fail("RegisterClassA", E_FAIL);
    RECT screen{};
    GetClipBox(GetDC(nullptr), &screen);
    HWND hwnd = o.windowed ? CreateWindowExA(0, wc.lpszClassName, "Device Probe", WS_POPUP | WS_VISIBLE, o.x, o.y,
                                             o.width, o.height, nullptr, nullptr, nullptr, nullptr)
                           : CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "Device Probe", WS_POPUP | WS_VISIBLE,
                                             screen.left, screen.top, screen.right - screen.left,
                                             screen.bottom - screen.top, nullptr, nullptr, nullptr, nullptr);
    if (!hwnd) return Fail("CreateWindowExA", E_FAIL);

    IDirectDraw7* dd = nullptr;
    HRESULT hr = DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(&dd), IID_IDirectDraw7, nullptr);
    if (FAILED(hr)) return Fail("DirectDrawCreateEx", hr);
    IDirectDrawSurface7* front = nullptr;
    IDirectDrawSurface7* back = nullptr;
    RECT screenRect{};
    DDSURFACEDESC2 desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    if (!o.windowed) {
        hr = dd->SetCooperativeLevel(hwnd, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE | DDSCL_ALLOWREBOOT);
        if (FAILED(hr)) return Fail("SetCooperativeLevel", hr);
        hr = dd->SetDisplayMode(640, 480, o.bits, 0, 0);
        if (FAILED(hr)) return Fail("SetDisplayMode", hr);
        desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
        desc.dwBackBufferCount = 1;
        hr = dd->CreateSurface(&desc, &front, nullptr);
        if (FAILED(hr)) return Fail("CreateSurface (flipping chain)", hr);
        DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
        hr = front->GetAttachedSurface(&caps, &back);
        if (FAILED(hr)) return Fail("GetAttachedSurface", hr);
    } else {
        hr = dd->SetCooperativeLevel(hwnd, DDSCL_NORMAL);
        if (FAILED(hr)) return Fail("SetCooperativeLevel", hr);
        desc.dwFlags = DDSD_CAPS;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        hr = dd->CreateSurface(&desc, &front, nullptr);
        if (FAILED(hr)) return Fail("CreateSurface (primary)", hr);
        IDirectDrawClipper* clipper = nullptr;
        hr = dd->CreateClipper(0, &clipper, nullptr);
        if (FAILED(hr)) return Fail("CreateClipper", hr);
        clipper->SetHWnd(0, hwnd);
        front->SetClipper(clipper);
        clipper->Release();
        RECT client{};
        GetClientRect(hwnd, &client);
        POINT a{0, 0}, b{client.right, client.bottom};
        ClientToScreen(hwnd, &a);
        ClientToScreen(hwnd, &b);
        screenRect = RECT{a.x, a.y, b.x, b.y};
        std::memset(&desc, 0, sizeof desc);
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE;
        desc.dwWidth = static_cast<DWORD>(client.right);
        desc.dwHeight = static_cast<DWORD>(client.bottom);
        hr = dd->CreateSurface(&desc, &back, nullptr);
        if (FAILED(hr)) return Fail("CreateSurface (back buffer)", hr);
    }

    IDirect3D7* d3d = nullptr;
    hr = dd->QueryInterface(IID_IDirect3D7, reinterpret_cast<LPVOID*>(&d3d));
    if (FAILED(hr)) return Fail("QueryInterface (IID_IDirect3D7)", hr);
    IDirect3DDevice7* device = nullptr;
    hr = d3d->CreateDevice(IID_IDirect3DHALDevice, back, &device);
    if (FAILED(hr)) return Fail("CreateDevice", hr);

    bool announced = false;
    DWORD end = GetTickCount() + static_cast<DWORD>(o.seconds) * 1000;
    MSG msg;
    while (GetTickCount() < end) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) end = 0;
            DispatchMessageA(&msg);
        }
        if (dd->TestCooperativeLevel() == DD_OK) {
            device->Clear(0, nullptr, D3DCLEAR_TARGET, o.color, 1.0f, 0);
            hr = o.windowed ? front->Blt(&screenRect, back, nullptr, DDBLT_WAIT, nullptr)
                            : front->Flip(nullptr, DDFLIP_WAIT);
            if (hr == DDERR_SURFACELOST) dd->RestoreAllSurfaces();
            else if (FAILED(hr)) return Fail("presenting", hr);
            if (!announced) {
                std::printf("presented\n");
                std::fflush(stdout);
                announced = true;
            }
        }
        Sleep(50);
    }
    device->Release();
    d3d->Release();
    back->Release();
    front->Release();
    dd->Release();
    DestroyWindow(hwnd);
    return 0;
}
