// The DirectDraw object on the headless backend: drivers, display modes as
// render resolutions, the cooperative level and a lost full-screen window,
// flipping chains and presentation, and the Direct3D device list.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "d3d_fixture.h"
#include "platform/platform_testing.h"

using d3dtest::ReadArgb;
using d3dtest::SurfaceDesc;

namespace {

LRESULT TestWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class DDrawDisplay : public testing::Test {
protected:
    void SetUp() override {
        platform::SelectWindowBackend(platform::WindowBackend::Headless);
        WNDCLASSA wc{};
        wc.lpfnWndProc = TestWindowProc;
        wc.lpszClassName = "DDrawDisplayTest";
        RegisterClassA(&wc);
        platform::SetDisplayForTest(1600, 900, 32, {{1600, 900}, {1280, 720}, {1024, 600}});
        ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(&dd), IID_IDirectDraw7, nullptr), DD_OK);
    }
    void TearDown() override {
        if (dd) dd->Release();
        platform::ClearDisplayForTest();
    }

    HWND Window(int x, int y, int w, int h) {
        return CreateWindowExA(0, "DDrawDisplayTest", "Screen Saver", WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr,
                               nullptr, nullptr, nullptr);
    }

    std::vector<std::pair<std::string, DWORD>> Modes(DDSURFACEDESC2* filter = nullptr) {
        std::vector<std::pair<std::string, DWORD>> modes;
        dd->EnumDisplayModes(0, filter, &modes, [](LPDDSURFACEDESC2 d, LPVOID context) -> HRESULT {
            auto* list = static_cast<std::vector<std::pair<std::string, DWORD>>*>(context);
            list->push_back({std::to_string(d->dwWidth) + "x" + std::to_string(d->dwHeight),
                             d->ddpfPixelFormat.dwRGBBitCount});
            return DDENUMRET_OK;
        });
        return modes;
    }

    // The primary surface of a windowed program, clipped to window.
    void WindowedPrimary(HWND window, IDirectDrawSurface7** primary) {
        ASSERT_EQ(dd->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
        DDSURFACEDESC2 desc = SurfaceDesc(DDSCAPS_PRIMARYSURFACE, 0, 0, nullptr);
        desc.dwFlags = DDSD_CAPS;
        ASSERT_EQ(dd->CreateSurface(&desc, primary, nullptr), DD_OK);
        IDirectDrawClipper* clipper = nullptr;
        ASSERT_EQ(dd->CreateClipper(0, &clipper, nullptr), DD_OK);
        ASSERT_EQ(clipper->SetHWnd(0, window), DD_OK);
        ASSERT_EQ((*primary)->SetClipper(clipper), DD_OK);
        clipper->Release();
    }

    IDirectDraw7* dd = nullptr;
};

}  // namespace

TEST_F(DDrawDisplay, ModesAreTheDisplaysAndTheSmallerCommonSizesAt16And32Bits) {
    std::vector<std::pair<std::string, DWORD>> modes = Modes();
    std::vector<std::string> sizes;
    for (size_t i = 0; i < modes.size(); i += 2) {
        EXPECT_EQ(modes[i].first, modes[i + 1].first);
        EXPECT_EQ(modes[i].second, 16u);
        EXPECT_EQ(modes[i + 1].second, 32u);
        sizes.push_back(modes[i].first);
    }
    const std::vector<std::string> expected = {"640x480",  "800x600",  "1024x600", "1024x768", "1152x864",
                                               "1280x720", "1280x800", "1360x768", "1366x768", "1440x900",
                                               "1600x900"};
    EXPECT_EQ(sizes, expected);

    DDSURFACEDESC2 filter = SurfaceDesc(0, 1280, 0, nullptr);
    filter.dwFlags = DDSD_WIDTH;
    EXPECT_EQ(Modes(&filter).size(), 4u);

    int calls = 0;
    dd->EnumDisplayModes(0, nullptr, &calls, [](LPDDSURFACEDESC2, LPVOID c) -> HRESULT {
        ++*static_cast<int*>(c);
        return DDENUMRET_CANCEL;
    });
    EXPECT_EQ(calls, 1);
}

TEST_F(DDrawDisplay, ADisplayModeIsOnlyTheRenderResolution) {
    DDSURFACEDESC2 mode{};
    mode.dwSize = sizeof mode;
    ASSERT_EQ(dd->GetDisplayMode(&mode), DD_OK);
    EXPECT_EQ(mode.dwWidth, 1600u);
    EXPECT_EQ(mode.dwHeight, 900u);
    EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 32u);

    HWND hwnd = Window(0, 0, 1600, 900);
    ASSERT_EQ(dd->SetCooperativeLevel(hwnd, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE | DDSCL_ALLOWREBOOT | DDSCL_FPUSETUP),
              DD_OK);
    EXPECT_EQ(dd->SetDisplayMode(1920, 1080, 32, 0, 0), DDERR_INVALIDMODE);
    EXPECT_EQ(dd->SetDisplayMode(800, 600, 24, 0, 0), DDERR_INVALIDMODE);
    EXPECT_EQ(dd->SetDisplayMode(320, 200, 8, 0, DDSDM_STANDARDVGAMODE), DDERR_INVALIDMODE);
    ASSERT_EQ(dd->SetDisplayMode(800, 600, 16, 0, 0), DD_OK);
    ASSERT_EQ(dd->GetDisplayMode(&mode), DD_OK);
    EXPECT_EQ(mode.dwWidth, 800u);
    EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 16u);
    EXPECT_EQ(mode.ddpfPixelFormat.dwRBitMask, 0xF800u);

    // The flipping chain has the mode's size and depth.
    DDSURFACEDESC2 desc = SurfaceDesc(DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE, 0,
                                      0, nullptr);
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 1;
    IDirectDrawSurface7* primary = nullptr;
    ASSERT_EQ(dd->CreateSurface(&desc, &primary, nullptr), DD_OK);
    DDSURFACEDESC2 got{};
    got.dwSize = sizeof got;
    primary->GetSurfaceDesc(&got);
    EXPECT_EQ(got.dwWidth, 800u);
    EXPECT_EQ(got.dwHeight, 600u);
    EXPECT_EQ(got.ddpfPixelFormat.dwRGBBitCount, 16u);
    EXPECT_EQ(got.dwBackBufferCount, 1u);
    primary->Release();

    // Back to the normal level, the desktop's mode is reported again.
    ASSERT_EQ(dd->SetCooperativeLevel(hwnd, DDSCL_NORMAL), DD_OK);
    ASSERT_EQ(dd->GetDisplayMode(&mode), DD_OK);
    EXPECT_EQ(mode.dwWidth, 1600u);
    DestroyWindow(hwnd);

    // A palette desktop is reported as such.
    platform::SetDisplayForTest(1024, 768, 8, {});
    IDirectDraw7* eight = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(&eight), IID_IDirectDraw7, nullptr), DD_OK);
    ASSERT_EQ(eight->GetDisplayMode(&mode), DD_OK);
    EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 8u);
    EXPECT_TRUE(mode.ddpfPixelFormat.dwFlags & DDPF_PALETTEINDEXED8);
    int w = 0, h = 0, bits = 0;
    EXPECT_TRUE(platform::GetDesktopDisplayMode(&w, &h, &bits));
    EXPECT_EQ(bits, 8);
    eight->Release();
}

TEST_F(DDrawDisplay, CooperativeLevelFailsWhileTheFullScreenWindowIsHidden) {
    HWND hwnd = Window(0, 0, 1600, 900);
    EXPECT_EQ(dd->SetCooperativeLevel(hwnd, DDSCL_FULLSCREEN), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE), DDERR_INVALIDPARAMS);
    DDSURFACEDESC2 desc = SurfaceDesc(DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE, 0,
                                      0, nullptr);
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 1;
    IDirectDrawSurface7* primary = nullptr;
    ASSERT_EQ(dd->SetCooperativeLevel(hwnd, DDSCL_NORMAL), DD_OK);
    EXPECT_EQ(dd->CreateSurface(&desc, &primary, nullptr), DDERR_NOEXCLUSIVEMODE);
    ASSERT_EQ(dd->SetCooperativeLevel(hwnd, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE), DD_OK);
    ASSERT_EQ(dd->SetDisplayMode(640, 480, 32, 0, 0), DD_OK);
    ASSERT_EQ(dd->CreateSurface(&desc, &primary, nullptr), DD_OK);
    EXPECT_EQ(dd->TestCooperativeLevel(), DD_OK);
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);

    ShowWindow(hwnd, SW_HIDE);
    EXPECT_EQ(dd->TestCooperativeLevel(), DDERR_NOEXCLUSIVEMODE);
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACELOST);
    EXPECT_EQ(primary->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(dd->RestoreAllSurfaces(), DDERR_NOEXCLUSIVEMODE);

    ShowWindow(hwnd, SW_SHOW);
    EXPECT_EQ(dd->TestCooperativeLevel(), DD_OK);
    // The surfaces stay lost until they are restored.
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACELOST);
    EXPECT_EQ(dd->RestoreAllSurfaces(), DD_OK);
    EXPECT_EQ(primary->IsLost(), DD_OK);
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    primary->Release();
    DestroyWindow(hwnd);
}

TEST_F(DDrawDisplay, FlipAndBltPresentTheBackBuffer) {
    HWND hwnd = Window(0, 0, 1600, 900);
    ASSERT_EQ(dd->SetCooperativeLevel(hwnd, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE), DD_OK);
    ASSERT_EQ(dd->SetDisplayMode(640, 480, 16, 0, 0), DD_OK);
    DDSURFACEDESC2 desc = SurfaceDesc(DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE, 0,
                                      0, nullptr);
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 1;
    IDirectDrawSurface7* primary = nullptr;
    ASSERT_EQ(dd->CreateSurface(&desc, &primary, nullptr), DD_OK);
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    IDirectDrawSurface7* back = nullptr;
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    back->AddRef();  // the device framework keeps an extra reference
    IDirect3D7* d3d = nullptr;
    ASSERT_EQ(dd->QueryInterface(IID_IDirect3D7, reinterpret_cast<LPVOID*>(&d3d)), DD_OK);
    IDirect3DDevice7* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DHALDevice, back, &device), DD_OK);
    // A z-buffer attached to the back buffer, released by the framework but held by the chain.
    DDPIXELFORMAT zf = d3dtest::Format(platform::ddraw::StandardFormat::Z16);
    DDSURFACEDESC2 zdesc = SurfaceDesc(DDSCAPS_ZBUFFER | DDSCAPS_VIDEOMEMORY, 640, 480, &zf);
    IDirectDrawSurface7* z = nullptr;
    ASSERT_EQ(dd->CreateSurface(&zdesc, &z, nullptr), DD_OK);
    ASSERT_EQ(back->AddAttachedSurface(z), DD_OK);
    ASSERT_EQ(device->SetRenderTarget(back, 0), DD_OK);
    z->Release();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00FF0000, 1.0f, 0);
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    EXPECT_EQ(ReadArgb(primary)[1000] & 0xFFFFFF, 0xFF0000u);
    // The buffers traded places: the back buffer holds the old front (black).
    EXPECT_EQ(ReadArgb(back)[1000] & 0xFFFFFF, 0u);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x0000FF00, 1.0f, 0);
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    EXPECT_EQ(ReadArgb(primary)[1000] & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(ReadArgb(back)[1000] & 0xFFFFFF, 0xFF0000u);

    // Releasing the chain's front takes the back buffer with it, whatever its count.
    device->Release();
    back->Release();
    primary->Release();
    d3d->Release();
    ASSERT_EQ(dd->SetCooperativeLevel(hwnd, DDSCL_NORMAL), DD_OK);

    // Windowed: a blit of the back buffer to the window's screen rectangle.
    HWND child = Window(100, 50, 64, 32);
    WindowedPrimary(child, &primary);
    ASSERT_NE(primary, nullptr);
    desc = SurfaceDesc(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, 64, 32, nullptr);
    ASSERT_EQ(dd->CreateSurface(&desc, &back, nullptr), DD_OK);
    ASSERT_EQ(dd->QueryInterface(IID_IDirect3D7, reinterpret_cast<LPVOID*>(&d3d)), DD_OK);
    ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, back, &device), DD_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x000000FF, 1.0f, 0);
    RECT client{};
    GetClientRect(child, &client);
    POINT topLeft{0, 0}, bottomRight{client.right, client.bottom};
    ClientToScreen(child, &topLeft);
    ClientToScreen(child, &bottomRight);
    RECT screenRect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    ASSERT_EQ(primary->Blt(&screenRect, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    int pw = 0;
    std::vector<uint32_t> screen = ReadArgb(primary, &pw);
    ASSERT_EQ(pw, 1600);
    EXPECT_EQ(screen[50 * 1600 + 100] & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(screen[81 * 1600 + 163] & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(screen[82 * 1600 + 163] & 0xFFFFFF, 0u);
    EXPECT_EQ(screen[50 * 1600 + 99] & 0xFFFFFF, 0u);
    EXPECT_EQ(primary->Flip(nullptr, 0), DDERR_NOTFLIPPABLE);
    device->Release();
    back->Release();
    primary->Release();
    d3d->Release();
    // Nothing is left holding the DirectDraw object (the device framework checks this).
    EXPECT_EQ(dd->Release(), 0u);
    dd = nullptr;
    DestroyWindow(child);
    DestroyWindow(hwnd);
}

// A windowed frame shown whole in a window that covers the screen: what the
// primary surface holds is always the last frame shown, whatever happens to
// the back buffer next (cleared, drawn on, written by the processor, released).
TEST_F(DDrawDisplay, TheLastFrameShownStaysInThePrimarySurface) {
    HWND window = Window(0, 0, 1600, 900);
    IDirectDrawSurface7* primary = nullptr;
    WindowedPrimary(window, &primary);
    ASSERT_NE(primary, nullptr);
    DDSURFACEDESC2 desc = SurfaceDesc(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, 1600, 900, nullptr);
    IDirectDrawSurface7* back = nullptr;
    ASSERT_EQ(dd->CreateSurface(&desc, &back, nullptr), DD_OK);
    IDirect3D7* d3d = nullptr;
    IDirect3DDevice7* device = nullptr;
    ASSERT_EQ(dd->QueryInterface(IID_IDirect3D7, reinterpret_cast<LPVOID*>(&d3d)), DD_OK);
    ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DHALDevice, back, &device), DD_OK);
    RECT screen{0, 0, 1600, 900};
    auto show = [&] { ASSERT_EQ(primary->Blt(&screen, back, nullptr, DDBLT_WAIT, nullptr), DD_OK); };
    auto quad = [&](float x0, float x1, D3DCOLOR color) {
        ScreenVertex v[4];
        d3dtest::ScreenQuad(v, x0, 100, x1, 200, color);
        ASSERT_EQ(device->BeginScene(), DD_OK);
        ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, ScreenVertexFVF, v, 4, 0), DD_OK);
        ASSERT_EQ(device->EndScene(), DD_OK);
    };
    auto at = [](const std::vector<uint32_t>& pixels, int x) { return pixels[150 * 1600 + x] & 0xFFFFFF; };

    // Frame 1 shown, then frame 2 begins with a clear of all of the back buffer.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x000000FF, 1.0f, 0);
    quad(10, 20, 0xFFFF0000);
    show();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x0000FF00, 1.0f, 0);
    std::vector<uint32_t> shown = ReadArgb(primary);
    EXPECT_EQ(at(shown, 15), 0xFF0000u);
    EXPECT_EQ(at(shown, 30), 0x0000FFu);
    EXPECT_EQ(at(ReadArgb(back), 15), 0x00FF00u);

    // Frame 2 shown, then drawn on without a clear.
    show();
    quad(20, 40, 0xFFFFFFFF);
    shown = ReadArgb(primary);
    EXPECT_EQ(at(shown, 30), 0x00FF00u);
    EXPECT_EQ(at(ReadArgb(back), 30), 0xFFFFFFu);

    // Shown again, then written by the processor.
    show();
    d3dtest::WriteArgb(back, std::vector<uint32_t>(1600 * 900, 0xFF123456));
    shown = ReadArgb(primary);
    EXPECT_EQ(at(shown, 30), 0xFFFFFFu);
    EXPECT_EQ(at(shown, 50), 0x00FF00u);

    // Shown again, then released.
    show();
    device->Release();
    back->Release();
    shown = ReadArgb(primary);
    EXPECT_EQ(at(shown, 30), 0x123456u);
    primary->Release();
    d3d->Release();
    DestroyWindow(window);
}

TEST_F(DDrawDisplay, DriversDevicesAndDepthFormatsAreListed) {
    std::vector<std::string> drivers;
    ASSERT_EQ(DirectDrawEnumerateExA(
                  [](GUID* guid, LPSTR description, LPSTR, LPVOID context, HMONITOR) -> BOOL {
                      static_cast<std::vector<std::string>*>(context)->push_back(std::string(guid ? "secondary " : "") +
                                                                                 description);
                      return TRUE;
                  },
                  &drivers, DDENUM_ATTACHEDSECONDARYDEVICES | DDENUM_DETACHEDSECONDARYDEVICES),
              DD_OK);
    ASSERT_EQ(drivers.size(), 1u);
    EXPECT_EQ(drivers[0].find("secondary"), std::string::npos);

    IDirect3D7* d3d = nullptr;
    ASSERT_EQ(dd->QueryInterface(IID_IDirect3D7, reinterpret_cast<LPVOID*>(&d3d)), DD_OK);
    std::vector<D3DDEVICEDESC7> devices;
    d3d->EnumDevices(
        [](LPSTR, LPSTR, LPD3DDEVICEDESC7 desc, LPVOID context) -> HRESULT {
            static_cast<std::vector<D3DDEVICEDESC7>*>(context)->push_back(*desc);
            return D3DENUMRET_OK;
        },
        &devices);
    ASSERT_EQ(devices.size(), 2u);
    // Software first, hardware last, both rendering into 16 and 32 bits.
    EXPECT_TRUE(devices[0].deviceGUID == IID_IDirect3DRGBDevice);
    EXPECT_FALSE(devices[0].dwDevCaps & D3DDEVCAPS_HWRASTERIZATION);
    EXPECT_TRUE(devices[1].deviceGUID == IID_IDirect3DHALDevice);
    EXPECT_TRUE(devices[1].dwDevCaps & D3DDEVCAPS_HWRASTERIZATION);
    for (const D3DDEVICEDESC7& d : devices) {
        EXPECT_EQ(d.dwDeviceRenderBitDepth, static_cast<DWORD>(DDBD_16 | DDBD_32));
        EXPECT_FALSE(d.dpcTriCaps.dwTextureCaps & (D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY));
        EXPECT_FALSE(d.dpcTriCaps.dwRasterCaps & D3DPRASTERCAPS_ZBUFFERLESSHSR);
    }
    platform::SetTextureCapsForTest(true, true);
    devices.clear();
    d3d->EnumDevices(
        [](LPSTR, LPSTR, LPD3DDEVICEDESC7 desc, LPVOID context) -> HRESULT {
            static_cast<std::vector<D3DDEVICEDESC7>*>(context)->push_back(*desc);
            return D3DENUMRET_OK;
        },
        &devices);
    platform::SetTextureCapsForTest(false, false);
    EXPECT_TRUE(devices[1].dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_POW2);
    EXPECT_TRUE(devices[1].dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_SQUAREONLY);

    std::vector<DWORD> depths;
    ASSERT_EQ(d3d->EnumZBufferFormats(
                  IID_IDirect3DHALDevice,
                  [](LPDDPIXELFORMAT format, LPVOID context) -> HRESULT {
                      EXPECT_TRUE(format->dwFlags & DDPF_ZBUFFER);
                      static_cast<std::vector<DWORD>*>(context)->push_back(format->dwZBufferBitDepth);
                      return D3DENUMRET_OK;
                  },
                  &depths),
              DD_OK);
    EXPECT_EQ(depths, (std::vector<DWORD>{16, 24, 32}));
    d3d->Release();

    // The test hook stands in for the real driver.
    int hooked = 0;
    platform::SetDirectDrawCreateHook([&](GUID*, LPVOID* out, REFIID, IUnknown*) {
        ++hooked;
        *out = nullptr;
        return DDERR_GENERIC;
    });
    IDirectDraw7* other = nullptr;
    EXPECT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(&other), IID_IDirectDraw7, nullptr),
              DDERR_GENERIC);
    platform::SetDirectDrawCreateHook(nullptr);
    EXPECT_EQ(hooked, 1);
    EXPECT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(&other), IID_IDirect3D7, nullptr),
              DDERR_INVALIDPARAMS);
}
